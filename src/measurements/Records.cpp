#include "measurements/Records.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "link/ControllerLink.h"
#include "link/Frame.h"
#include "common/PackedDate.h"

namespace zmk {

// ---------------------------------------------------------------------------
// Raw numbers

float FloatAt(const uint8_t* bytes) {
    const uint32_t bits = Uint32At(bytes);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

void PutFloat(uint8_t* bytes, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, sizeof bits);
    PutUint32(bytes, bits);
}

uint16_t Uint16At(const uint8_t* bytes) {
    return uint16_t(bytes[0] | (bytes[1] << 8));
}

uint32_t Uint32At(const uint8_t* bytes) {
    return uint32_t(bytes[0]) | (uint32_t(bytes[1]) << 8) | (uint32_t(bytes[2]) << 16) |
           (uint32_t(bytes[3]) << 24);
}

void PutUint16(uint8_t* bytes, uint16_t value) {
    bytes[0] = uint8_t(value);
    bytes[1] = uint8_t(value >> 8);
}

void PutUint32(uint8_t* bytes, uint32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[i] = uint8_t(value >> (8 * i));
}

bool RecordIntact(const uint8_t* bytes, int size) {
    if (!bytes || size < RecordCrcSize || size > 0xFFFF)
        return false;
    return Crc16(bytes, uint16_t(size)) == 0;
}

void SealRecord(uint8_t* bytes, int size) {
    if (!bytes || size < RecordCrcSize || size > 0xFFFF)
        return;
    PutUint16(bytes + size - RecordCrcSize, Crc16(bytes, uint16_t(size - RecordCrcSize)));
}

// ---------------------------------------------------------------------------
// Archive kinds

namespace {

constexpr uint8_t CodeFiveMinute = 14;
constexpr uint8_t CodeHour = 15;
constexpr uint8_t CodeDay = 16;
// Constant first byte of the request bodies.
constexpr uint8_t FiveMinuteRequestLead = 1;
constexpr uint8_t HourDayRequestLead = 3;
constexpr int ChromAnswerRecords = 2;
constexpr int MoistureAnswerRecords = 8;

const ArchiveKindInfo Kinds[ArchiveKindCount] = {
    {ArchiveKind::ChromFiveMinute, AnalyserChromatograph, CodeFiveMinute, 13, FiveMinuteDatePrefix,
     UnitFiveMinutes, ChromFiveMinuteRecordSize, ChromAnswerRecords, ".mch", "MOM", WorkFolder::MomData},
    {ArchiveKind::ChromHour, AnalyserChromatograph, CodeHour, 11, HourDatePrefix, UnitHour,
     ChromHourDayRecordSize, ChromAnswerRecords, ".hch", "HOU", WorkFolder::HourData},
    {ArchiveKind::ChromDay, AnalyserChromatograph, CodeDay, 9, DayDatePrefix, UnitDay,
     ChromHourDayRecordSize, ChromAnswerRecords, ".dch", "DAY", WorkFolder::DayData},
    {ArchiveKind::MoistureFiveMinute, AnalyserMoistureMeter, CodeFiveMinute, 13, FiveMinuteDatePrefix,
     UnitFiveMinutes, MoistureFiveMinuteRecordSize, MoistureAnswerRecords, ".mwm", "MOM",
     WorkFolder::MomData},
    {ArchiveKind::MoistureHour, AnalyserMoistureMeter, CodeHour, 11, HourDatePrefix, UnitHour,
     MoistureHourDayRecordSize, MoistureAnswerRecords, ".hwm", "HOU", WorkFolder::HourData},
    {ArchiveKind::MoistureDay, AnalyserMoistureMeter, CodeDay, 9, DayDatePrefix, UnitDay,
     MoistureHourDayRecordSize, MoistureAnswerRecords, ".dwm", "DAY", WorkFolder::DayData},
};

}  // namespace

const ArchiveKindInfo& KindInfo(ArchiveKind kind) {
    const int i = int(kind);
    return Kinds[(i >= 0 && i < ArchiveKindCount) ? i : 0];
}

bool IsChromatograph(ArchiveKind kind) {
    return KindInfo(kind).analyser == AnalyserChromatograph;
}

bool IsFiveMinute(ArchiveKind kind) {
    return KindInfo(kind).functionCode == CodeFiveMinute;
}

bool IsDaily(ArchiveKind kind) {
    return KindInfo(kind).functionCode == CodeDay;
}

std::optional<ArchiveKind> KindFromSignature(const uint8_t* signature, uint8_t analyser) {
    if (!signature)
        return std::nullopt;
    for (const auto& info : Kinds)
        if (info.analyser == analyser && std::memcmp(signature, info.signature, 3) == 0)
            return info.kind;
    return std::nullopt;
}

std::optional<ArchiveKind> KindFor(uint8_t analyser, uint8_t archiveUnit) {
    for (const auto& info : Kinds)
        if (info.analyser == analyser && info.archiveUnit == archiveUnit)
            return info.kind;
    return std::nullopt;
}

QByteArray BuildArchiveRequest(ArchiveKind kind, const PackedDate& start, const PackedDate& end) {
    const ArchiveKindInfo& info = KindInfo(kind);
    QByteArray body(info.requestSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(body.data());
    p[0] = info.functionCode == CodeFiveMinute ? FiveMinuteRequestLead : HourDayRequestLead;
    p[1] = 0;
    p[2] = info.analyser;
    start.ToBytes(p + 3, info.datePrefix);
    end.ToBytes(p + 3 + info.datePrefix, info.datePrefix);
    return body;
}

// ---------------------------------------------------------------------------
// Record views

PackedDate RecordView::Date() const {
    return PackedDate::FromBytes(bytes_ + RecordOffset::Date);
}

uint8_t RecordView::Status() const {
    switch (kind_) {
    case ArchiveKind::ChromFiveMinute:
        return bytes_[RecordOffset::ChromFiveMinStatus];
    case ArchiveKind::MoistureFiveMinute:
        return bytes_[RecordOffset::MoistFiveMinStatus];
    case ArchiveKind::ChromHour:
    case ArchiveKind::ChromDay:
        return bytes_[RecordOffset::ChromHourDayStatus];
    case ArchiveKind::MoistureHour:
    case ArchiveKind::MoistureDay:
        return bytes_[RecordOffset::MoistHourDayStatus];
    }
    return 0;
}

uint16_t RecordView::StatusWord() const {
    switch (kind_) {
    case ArchiveKind::ChromFiveMinute:
        return Uint16At(bytes_ + RecordOffset::ChromFiveMinStatusWord);
    case ArchiveKind::MoistureFiveMinute:
        return Uint16At(bytes_ + RecordOffset::MoistFiveMinStatusWord);
    default:
        return 0;
    }
}

IntervalEnd RecordView::End() const {
    IntervalEnd end;
    if (IsFiveMinute(kind_))
        return end;
    const uint8_t* p = bytes_ + RecordOffset::HourDayEnd;
    end.rawHour = p[0];
    end.minute = p[1];
    end.second = p[2];
    if (IsDaily(kind_)) {
        end.endOfDay = (p[0] & EndDayFlag) != 0;
        end.hour = uint8_t(p[0] & ~EndDayFlag);
    } else {
        end.hour = p[0];
    }
    return end;
}

int RecordView::ValueCount() const {
    return IsChromatograph(kind_) ? GasParameterCount : MoistureRecordValues;
}

int RecordView::ValuesOffset() const {
    switch (kind_) {
    case ArchiveKind::ChromFiveMinute:
        return RecordOffset::ChromFiveMinValues;
    case ArchiveKind::MoistureFiveMinute:
        return RecordOffset::MoistFiveMinValues;
    case ArchiveKind::ChromHour:
    case ArchiveKind::ChromDay:
        return RecordOffset::ChromHourDayValues;
    case ArchiveKind::MoistureHour:
    case ArchiveKind::MoistureDay:
        return RecordOffset::MoistHourDayValues;
    }
    return 0;
}

float RecordView::Value(int index) const {
    if (index < 0 || index >= ValueCount())
        return std::numeric_limits<float>::quiet_NaN();
    return FloatAt(bytes_ + ValuesOffset() + 4 * index);
}

// ---------------------------------------------------------------------------
// Record store

RecordStore::RecordStore(ArchiveKind kind, QByteArray bytes) : kind_(kind), bytes_(std::move(bytes)) {
    const qsizetype whole = bytes_.size() / RecordSize() * RecordSize();
    if (whole != bytes_.size())
        bytes_.truncate(whole);
}

void RecordStore::Reserve(qsizetype records) {
    if (records > 0)
        bytes_.reserve(records * RecordSize());
}

void RecordStore::Append(const uint8_t* records, qsizetype count) {
    if (!records || count <= 0)
        return;
    bytes_.append(reinterpret_cast<const char*>(records), count * RecordSize());
}

const uint8_t* RecordStore::RecordBytes(qsizetype i) const {
    return reinterpret_cast<const uint8_t*>(bytes_.constData()) + i * RecordSize();
}

RecordView RecordStore::At(qsizetype i) const {
    return RecordView(kind_, RecordBytes(i));
}

}  // namespace zmk
