#pragma once

#include <QString>
#include <array>
#include <cstdint>

#include "common/PackedDate.h"  // DateTimeValue

namespace zmk {

// "rd_arh.ini": the last choices of the archive query dialogs, a 74-byte
// little-endian record.

struct ArchiveQueryRecord {
    static constexpr int Size = 74;
    static constexpr int ReservedSize = 50;

    int32_t PeriodKind = 0;       // offset 0: last period kind of the period dialogs
    int32_t IndexChoice = 1;      // offset 4: last choice of the index query dialog
    DateTimeValue PeriodStart = 0;  // offset 8: start of the last period
    DateTimeValue PeriodEnd = 0;    // offset 16: end of the last period
    std::array<uint8_t, ReservedSize> Reserved{};  // offset 24: not used, written as zeros

    bool operator==(const ArchiveQueryRecord&) const = default;
};

// The record of the run, read at start-up.
ArchiveQueryRecord& ArchiveQuery();

// The record as stored (74 bytes, Reserved written as zeros) and back. Decoding
// takes up to 74 bytes; a shorter input leaves the rest zero. A date that is
// not a finite number within 30.12.1899 .. 31.12.9999 reads as now.
std::array<uint8_t, ArchiveQueryRecord::Size> EncodeArchiveQuery(const ArchiveQueryRecord& record);
ArchiveQueryRecord DecodeArchiveQuery(const uint8_t* bytes, int count);

// Reads the file; when it cannot be opened the defaults: 0, 1, now, now, zeros.
ArchiveQueryRecord ReadArchiveQueryFrom(const QString& path);
// Writes the record whole through a temporary file and a rename, so that a
// failure leaves the old file as it was. False when it could not be written.
bool WriteArchiveQueryTo(const QString& path, const ArchiveQueryRecord& record);

// Reads the file into ArchiveQuery() / writes ArchiveQuery() to the file.
void ReadArchiveQuery(const QString& path);
bool WriteArchiveQuery(const QString& path);

}  // namespace zmk
