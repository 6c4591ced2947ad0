#pragma once

// The two event archives of the simulated controller: diagnostic messages
// (22-byte records) and operator interventions (24-byte records), kept in
// memory under running 32-bit indexes, their bounds (tables 10 and 11) and
// the answers to the event archive requests (function codes 7, by index, and
// 8, by period).
//
// Diagnostic record: time (year − 2000, month, day, hour, minute, second),
// code, 0, first argument, second argument, value (float or uint32), second
// value, 2 bytes 0, CRC-16/MODBUS of bytes 0..19 (low byte first).
// Intervention record: time, 0, table, field, unit code, old value (4 bytes),
// new value (4 bytes), operator name (4 bytes), CRC of bytes 0..21.

#include "Archive.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <span>
#include <string>
#include <vector>

namespace zmksim {

using Bytes = std::vector<uint8_t>;

inline constexpr uint8_t kEventIndexRequest = 7;
inline constexpr uint8_t kEventPeriodRequest = 8;

inline constexpr uint8_t kDiagnosticEvents = 0;
inline constexpr uint8_t kInterventionEvents = 1;

inline constexpr std::size_t kDiagnosticRecordSize = 22;
inline constexpr std::size_t kInterventionRecordSize = 24;
// Most records of one answer: 11 x 22 and 10 x 24 bytes keep a frame within 255 bytes.
inline constexpr std::size_t kDiagnosticsPerAnswer = 11;
inline constexpr std::size_t kInterventionsPerAnswer = 10;

inline constexpr uint8_t kDiagnosticBoundsTable = 10;
inline constexpr uint8_t kInterventionBoundsTable = 11;

// The running index never wraps: an archive whose newest record has this
// index keeps no further record.
inline constexpr uint32_t kLastEventIndex = 0xFFFFFFFF;
// Records an archive holds at most; a record beyond drops the oldest one.
inline constexpr uint32_t kEventArchiveCapacity = 100000;

// Result codes of refused period requests (besides kBadTimeRange and 2, 4).
inline constexpr uint8_t kSeriesOutOfOrder = 20;   // "Нарушена последовательность запросов в серии"
inline constexpr uint8_t kOtherSeriesPeriod = 21;  // "Другой диапазон времени в серии запросов"

struct EventArchiveOptions {
    uint32_t diagnostics = 300;    // records of the diagnostic archive at start
    uint32_t interventions = 260;  // records of the intervention archive at start
    uint32_t firstIndex = 1;       // running index of the first record of each archive (1..2^32-1)
    bool errorFlag = false;        // every period answer reports an archive error (byte 4 bit 7)
    unsigned perAnswer = 0;        // at most this many records per answer (0: as many as fit)
    unsigned badCrcEvery = 0;      // every N-th record (by running index from firstIndex) has a damaged checksum
};

// Empty when the options are usable, otherwise what is wrong with them.
std::string CheckEventArchiveOptions(const EventArchiveOptions& options);

// One archive: the records under their running indexes, oldest first.
class EventArchive {
public:
    EventArchive(uint8_t kind, uint32_t firstIndex);

    uint8_t Kind() const { return kind_; }
    std::size_t RecordSize() const;
    std::size_t Size() const { return records_.size(); }
    // Index of the oldest record; for an empty archive the index its first record will get.
    uint64_t Oldest() const { return oldest_; }
    // Index of the newest record; meaningless for an empty archive.
    uint64_t Newest() const { return oldest_ + records_.size() - 1; }

    // Table 10 or 11: OldestIndex, NewestIndex, uint32 little-endian each.
    // The program takes two equal, non-zero indexes for an empty archive, so
    // an empty archive reports the index its first record will get twice
    // (never 0: the first index is 1 or more). A one-record archive reports
    // its record's index twice too and so looks empty to the program's index
    // query; its record is still found by a period query.
    std::array<uint8_t, 8> Bounds() const;

    // Takes one record (its checksum is filled in here). False, and nothing
    // kept, once the newest index is kLastEventIndex.
    bool Append(std::vector<uint8_t> record);
    // The record of a running index; nullptr when the archive does not hold it.
    const std::vector<uint8_t>* At(uint64_t index) const;

private:
    uint8_t kind_;
    uint64_t oldest_;
    std::deque<std::vector<uint8_t>> records_;
};

// Both archives and the answers to codes 7 and 8.
class EventArchives {
public:
    explicit EventArchives(const EventArchiveOptions& options = {});

    // Fills both archives afresh with their configured number of records,
    // spread evenly (with a little jitter) over the three weeks before `now`,
    // oldest first, the same for the same `now` and tables. The diagnostic
    // archive goes through every diagnostic code with plausible arguments
    // and values; the intervention archive through every configuration field
    // the program names, old value -> value the table holds now, operator
    // names from the registered users (table 4) in turn.
    void Fill(WallTime now, std::span<const std::vector<uint8_t>> tables);

    const EventArchive& Archive(uint8_t kind) const { return kind == kDiagnosticEvents ? diagnostics_ : interventions_; }

    // The intervention archive as the state file keeps it: oldest index
    // (uint32), number of records (uint32), the records back to back.
    Bytes SaveInterventions() const;
    // Replaces the intervention archive by a saved one (the whole rest of a
    // state image); a damaged one is refused with the reason and changes nothing.
    bool LoadInterventions(std::span<const uint8_t> saved, std::string& error);

    // The intervention record of a field changed by a write, from its bytes
    // before and after (`size` bytes each): the first 4 bytes of each as old
    // and new value (none for the flow computers' write passwords, table 13),
    // the unit of the field, the operator name (4 bytes).
    void NoteChange(WallTime when, uint8_t table, uint8_t field, const uint8_t* before, const uint8_t* after,
                    std::size_t size, const uint8_t* name);

    struct Reply {
        bool refused = false;
        uint8_t result = 0;  // result code of a refusal
        uint8_t status = 0;  // answer byte 4
        Bytes data;          // answer bytes from 5 on
    };
    // Code 7, body {0, kind, first index (uint32 LE), count}: answer bytes
    // 5 = kind, 6..9 = the asked index, 10 = n, then n records.
    Reply ServeIndex(std::span<const uint8_t> body) const;
    // Code 8, body {0, kind, page, start (6 date bytes), end (6 date bytes)}:
    // answer byte 4 bit 7 = archive error, 5 = page, 6 = n, 7 = more pages
    // follow, then n records.
    Reply ServePeriod(std::span<const uint8_t> body);

private:
    EventArchive& Mutable(uint8_t kind) { return kind == kDiagnosticEvents ? diagnostics_ : interventions_; }
    std::size_t PageSize(uint8_t kind) const;
    // The record of an index as it goes out (with its checksum damaged when the options say so).
    Bytes Delivered(const EventArchive& archive, uint64_t index) const;

    // The period reading in progress of one archive.
    struct PeriodReading {
        bool open = false;
        Bytes period;             // the 12 date bytes of its requests
        uint8_t page = 0;         // number of the last page answered
        uint64_t pageStart = 0;   // index the last page's search began at
        uint64_t next = 0;        // index the next page's search begins at
    };

    EventArchiveOptions options_;
    EventArchive diagnostics_;
    EventArchive interventions_;
    std::array<PeriodReading, 2> readings_{};
};

}  // namespace zmksim
