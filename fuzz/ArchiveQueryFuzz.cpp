// Arbitrary bytes as "rd_arh.ini", the record of the archive query dialogs'
// last choices. Decoded in memory and read from a file alike: the two
// choices are the stored numbers, a stored date that is a usable date-time
// is kept bit for bit and any other reads as a usable one (the period
// dialogs turn it into a controller date), the unused bytes are kept as
// read; written and read back, the record stays the same.
#include <QtEndian>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "FuzzSupport.h"
#include "common/PackedDate.h"
#include "settings/ArchiveQuery.h"

using namespace zmk;
using namespace zmk::fuzz;

namespace {

constexpr int Size = ArchiveQueryRecord::Size;
constexpr int StartOffset = 8;
constexpr int EndOffset = 16;
constexpr int ReservedOffset = 24;
// 30.12.1899 up to the end of 31.12.9999.
constexpr double LastDateValue = 2958466.0;

double StoredDate(const std::array<uint8_t, Size>& raw, int offset) {
    const uint64_t bits = qFromLittleEndian<uint64_t>(raw.data() + offset);
    double value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

bool Usable(double value) {
    return std::isfinite(value) && value >= 0.0 && value < LastDateValue;
}

bool SameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

void CheckDate(double read, double stored) {
    FUZZ_CHECK(Usable(read));
    if (Usable(stored))
        FUZZ_CHECK(SameBits(read, stored));
    FUZZ_CHECK(IsValidPackedDate(FromDateTime(read)));
}

void CheckRecord(const ArchiveQueryRecord& r, const std::array<uint8_t, Size>& raw) {
    FUZZ_CHECK(r.PeriodKind == qFromLittleEndian<int32_t>(raw.data()));
    FUZZ_CHECK(r.IndexChoice == qFromLittleEndian<int32_t>(raw.data() + 4));
    CheckDate(r.PeriodStart, StoredDate(raw, StartOffset));
    CheckDate(r.PeriodEnd, StoredDate(raw, EndOffset));
    FUZZ_CHECK(std::equal(r.Reserved.begin(), r.Reserved.end(), raw.begin() + ReservedOffset));
}

// Equal in every field that is written (the unused bytes are written as zeros).
bool SameWrittenFields(const ArchiveQueryRecord& a, const ArchiveQueryRecord& b) {
    return a.PeriodKind == b.PeriodKind && a.IndexChoice == b.IndexChoice &&
           SameBits(a.PeriodStart, b.PeriodStart) && SameBits(a.PeriodEnd, b.PeriodEnd);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first 74 bytes count; a shorter file leaves the rest zero.
    std::array<uint8_t, Size> raw{};
    std::memcpy(raw.data(), data, std::min<size_t>(size, Size));

    const ArchiveQueryRecord decoded = DecodeArchiveQuery(data, int(std::min<size_t>(size, 1 << 20)));
    CheckRecord(decoded, raw);

    const auto encoded = EncodeArchiveQuery(decoded);
    FUZZ_CHECK(std::equal(encoded.begin(), encoded.begin() + StartOffset, raw.begin()));
    FUZZ_CHECK(std::all_of(encoded.begin() + ReservedOffset, encoded.end(), [](uint8_t b) { return b == 0; }));
    const ArchiveQueryRecord again = DecodeArchiveQuery(encoded.data(), Size);
    FUZZ_CHECK(SameWrittenFields(again, decoded));

    const QString path = ScratchPath(QStringLiteral("rd_arh.ini"));
    WriteFile(path, Bytes(data, size));
    const ArchiveQueryRecord read = ReadArchiveQueryFrom(path);
    CheckRecord(read, raw);
    // Dates that were not usable read as the clock, which moves between reads.
    FUZZ_CHECK(read.PeriodKind == decoded.PeriodKind && read.IndexChoice == decoded.IndexChoice);

    const QString written = ScratchPath(QStringLiteral("rd_arh_written.ini"));
    FUZZ_CHECK(WriteArchiveQueryTo(written, read));
    const QByteArray file = ReadFile(written);
    const auto expected = EncodeArchiveQuery(read);
    FUZZ_CHECK(file == Bytes(expected.data(), expected.size()));
    FUZZ_CHECK(SameWrittenFields(ReadArchiveQueryFrom(written), read));
    return 0;
}
