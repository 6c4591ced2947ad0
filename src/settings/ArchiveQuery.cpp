#include "settings/ArchiveQuery.h"

#include <QFile>
#include <QtEndian>
#include <cmath>
#include <cstring>

#include "common/CheckedFile.h"

namespace zmk {

namespace {

// The date toolkit's range of dates: 30.12.1899 up to the end of 31.12.9999.
constexpr double kLastDateValue = 2958466.0;

DateTimeValue SaneDate(double value) {
    // The record comes from a file anyone can edit: a date that is not a
    // number, infinite, negative or beyond year 9999 would break every later
    // date conversion of the period dialogs, so it reads as now.
    if (!std::isfinite(value) || value < 0.0 || value >= kLastDateValue)
        return CurrentDateTimeValue();
    return value;
}

}  // namespace

ArchiveQueryRecord& ArchiveQuery() {
    static ArchiveQueryRecord record;
    return record;
}

std::array<uint8_t, ArchiveQueryRecord::Size> EncodeArchiveQuery(const ArchiveQueryRecord& r) {
    std::array<uint8_t, ArchiveQueryRecord::Size> out{};
    qToLittleEndian<int32_t>(r.PeriodKind, out.data());
    qToLittleEndian<int32_t>(r.IndexChoice, out.data() + 4);
    uint64_t bits;
    std::memcpy(&bits, &r.PeriodStart, sizeof bits);
    qToLittleEndian<uint64_t>(bits, out.data() + 8);
    std::memcpy(&bits, &r.PeriodEnd, sizeof bits);
    qToLittleEndian<uint64_t>(bits, out.data() + 16);
    // Bytes 24..73 are not used and always written as zeros.
    return out;
}

ArchiveQueryRecord DecodeArchiveQuery(const uint8_t* bytes, int count) {
    std::array<uint8_t, ArchiveQueryRecord::Size> raw{};
    if (bytes && count > 0)
        std::memcpy(raw.data(), bytes, std::min<size_t>(size_t(count), raw.size()));
    ArchiveQueryRecord r;
    r.PeriodKind = qFromLittleEndian<int32_t>(raw.data());
    r.IndexChoice = qFromLittleEndian<int32_t>(raw.data() + 4);
    uint64_t bits = qFromLittleEndian<uint64_t>(raw.data() + 8);
    std::memcpy(&r.PeriodStart, &bits, sizeof bits);
    bits = qFromLittleEndian<uint64_t>(raw.data() + 16);
    std::memcpy(&r.PeriodEnd, &bits, sizeof bits);
    r.PeriodStart = SaneDate(r.PeriodStart);
    r.PeriodEnd = SaneDate(r.PeriodEnd);
    std::copy_n(raw.begin() + 24, ArchiveQueryRecord::ReservedSize, r.Reserved.begin());
    return r;
}

ArchiveQueryRecord ReadArchiveQueryFrom(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ArchiveQueryRecord r;  // 0, 1, zeros
        r.PeriodStart = r.PeriodEnd = CurrentDateTimeValue();
        return r;
    }
    const QByteArray data = file.read(ArchiveQueryRecord::Size);
    return DecodeArchiveQuery(reinterpret_cast<const uint8_t*>(data.constData()), int(data.size()));
}

bool WriteArchiveQueryTo(const QString& path, const ArchiveQueryRecord& record) {
    const auto bytes = EncodeArchiveQuery(record);
    return WriteFileChecked(path, QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size())));
}

void ReadArchiveQuery(const QString& path) {
    ArchiveQuery() = ReadArchiveQueryFrom(path);
}

bool WriteArchiveQuery(const QString& path) {
    return WriteArchiveQueryTo(path, ArchiveQuery());
}

}  // namespace zmk
