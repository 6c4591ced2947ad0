#pragma once

// The six measurement archives of the simulated controller: 5-minute, hourly
// and daily records of the chromatograph and of the moisture meter, computed
// on demand as smooth functions of time, and the answers to the archive
// requests (function codes 14, 15, 16).

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace zmksim {

// Wall-clock time of the controller: seconds since 01.01.1970 00:00:00,
// counted without time zones (the controller's clock shows it as it is).
using WallTime = int64_t;

inline constexpr uint8_t kFiveMinuteArchive = 14;
inline constexpr uint8_t kHourlyArchive = 15;
inline constexpr uint8_t kDailyArchive = 16;

inline constexpr uint8_t kChromatograph = 0;
inline constexpr uint8_t kMoistureMeter = 1;

// Record sizes, each with its 2-byte checksum at the end.
inline constexpr std::size_t kChromFiveMinuteSize = 93;
inline constexpr std::size_t kChromIntervalSize = 92;
inline constexpr std::size_t kMoistureFiveMinuteSize = 29;
inline constexpr std::size_t kMoistureIntervalSize = 28;
// Records in an answer that lets the reading go on.
inline constexpr std::size_t kChromRecordsPerAnswer = 2;
inline constexpr std::size_t kMoistureRecordsPerAnswer = 8;

// Result code of a refused archive request whose period is wrong.
inline constexpr uint8_t kBadTimeRange = 22;  // "Неправильный диапазон времени"

struct ArchiveOptions {
    unsigned days = 400;          // the archives begin this many days before the clock at start
    unsigned statusEvery = 0;     // every N-th record carries status flags (0: none)
    unsigned badCrcAt = 0;        // the N-th record of every answer stream has a damaged checksum (0: none)
    unsigned lateMinutes = 0;     // the first record of a new 5-minute stream comes this much late
    bool gap = false;             // one hour without records
    unsigned failRequest = 0;     // the N-th archive request (codes 7, 8, 14, 15, 16) fails (0: none)
    std::optional<uint8_t> failWith = kBadTimeRange;  // ... refused with this code; nothing: unanswered
    bool failBadChecksum = false;  // ... answered, but the answer frame's checksum is damaged (failWith unused)
};

std::size_t RecordSize(uint8_t code, uint8_t analyser);
std::size_t RecordsPerAnswer(uint8_t analyser);

// Calendar helpers on WallTime.
WallTime MakeWallTime(int year, int month, int day, int hour = 0, int minute = 0, int second = 0);
// year (full), month, day, hour, minute, second.
std::array<int, 6> SplitWallTime(WallTime t);
int DaysInMonth(int year, int month);

// Gas parameters 0..19 of the chromatograph at one moment; moisture-meter values 0..3.
std::array<double, 20> GasParameters(WallTime t);
std::array<double, 4> MoistureValues(WallTime t);

class MeasurementArchives {
public:
    explicit MeasurementArchives(const ArchiveOptions& options = {}) : options_(options) {}

    // The archives begin options.days before this moment (not before 2000);
    // the missing hour of options.gap is the hour that began 6 hours before it.
    void Anchor(WallTime now);
    WallTime Start() const { return start_; }
    std::optional<WallTime> GapHour() const;

    // Table 27: the raw dates of the oldest 5-minute, hourly and daily
    // records, 6 bytes each (year − 2000, month, day, hour, minute, second).
    std::array<uint8_t, 18> RawOldest(int contractHour) const;

    // Start of the oldest and of the newest interval the archive holds now
    // (oldest > newest: no record yet). code: 14, 15 or 16.
    struct Window {
        WallTime oldest;
        WallTime newest;
    };
    Window Bounds(uint8_t code, WallTime now, int contractHour) const;

    // One record of an interval (its checksum intact), as the archive holds it;
    // empty when the archive has no record for that interval start.
    std::vector<uint8_t> Record(uint8_t code, uint8_t analyser, WallTime start, int contractHour) const;

    // The answer to one archive request: body = the caller bytes of the request.
    struct Reply {
        enum Kind { kRecords, kRefused, kUnanswered } kind = kRecords;
        uint8_t result = 0;             // result code when refused
        uint8_t count = 0;              // records in data
        std::vector<uint8_t> data;      // records back to back
        bool damageChecksum = false;    // the answer frame goes out with a wrong checksum
    };
    Reply Serve(uint8_t code, std::span<const uint8_t> body, WallTime now, int contractHour);

    // Counts one archive request: of these archives or of the event archives
    // (codes 7, 8, 14, 15, 16 share the count). For the N-th of
    // options.failRequest the way it fails: refused or unanswered (the reply
    // stands for the answer), or kRecords with damageChecksum (served, its
    // frame damaged). Nothing for every other request.
    std::optional<Reply> CountRequest();

private:
    // The request stream being answered: a request continues it when it asks
    // for the same archive, analyser and end, the previous answer was full,
    // and it starts later than the previous request.
    struct Stream {
        bool open = false;
        uint8_t code = 0;
        uint8_t analyser = 0;
        std::vector<uint8_t> end;
        WallTime lastStart = 0;
        bool lastFull = false;
        unsigned served = 0;
    };

    bool InGap(uint8_t code, WallTime start) const;
    uint8_t StatusOf(uint8_t code, uint8_t analyser, WallTime start, uint16_t& word) const;

    ArchiveOptions options_;
    WallTime start_ = 0;
    WallTime anchor_ = 0;
    Stream stream_;
    unsigned requests_ = 0;
};

}  // namespace zmksim
