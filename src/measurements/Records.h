#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "common/Folders.h"
#include "common/PackedDate.h"
#include "tables/LabelList.h"

namespace zmk {

// Records of the six measurement archives of the controller (chromatograph
// and moisture meter, each 5-minute, hourly and daily) as they come in the
// archive answers and as they are stored in "datafile.hdm" and in the saved
// measurement files: little-endian, packed, values as raw IEEE-754 singles,
// every record closed by its own CRC-16/MODBUS.

// Dates are the controller's packed dates (PackedDate, common/PackedDate.h).

// Significant bytes of the dates of each archive period.
inline constexpr int FiveMinuteDatePrefix = 5;
inline constexpr int HourDatePrefix = 4;
inline constexpr int DayDatePrefix = 3;

// ---------------------------------------------------------------------------
// Record sizes and layouts

inline constexpr int ChromFiveMinuteRecordSize = 93;
inline constexpr int ChromHourDayRecordSize = 92;
inline constexpr int MoistureFiveMinuteRecordSize = 29;
inline constexpr int MoistureHourDayRecordSize = 28;
inline constexpr int LargestRecordSize = ChromFiveMinuteRecordSize;

// GasParameterCount (20 floats of a chromatograph record) comes from the label list.
inline constexpr int MoistureRecordValues = 4;  // floats of a moisture-meter record
inline constexpr int RecordCrcSize = 2;

// Gas parameter indices (the 20 floats of a chromatograph record).
enum GasParameter : int {
    GasC6Plus47 = 0,  // sum of hexanes and heavier, "C6+47"
    GasC3H8 = 1,
    GasIC4H10 = 2,
    GasNC4H10 = 3,
    GasNeoC5H12 = 4,
    GasIC5H12 = 5,
    GasNC5H12 = 6,
    GasN2 = 7,
    GasCH4 = 8,
    GasCO2 = 9,
    GasC2H6 = 10,
    GasHs = 11,     // superior heating value
    GasDe = 12,     // density
    GasWobbe = 13,  // Wobbe index
    GasC6Plus = 14, // sum of hexanes, "C6+"
    GasO2 = 15,
    GasHi = 16,     // inferior heating value
    GasT = 17,      // gas temperature
    // 18 and 19 are not used
};

// Moisture-meter value indices (the 4 floats of a moisture-meter record).
enum MoistureValue : int {
    MoistureWaterDewPoint = 0,      // at working pressure, °С
    MoistureHydrocarbonDewPoint = 1,// at working pressure, °С
    MoistureGaugePressure = 2,      // at which the water dew point is measured, bar
    MoistureReducedDewPoint = 3,    // water dew point reduced to absolute pressure, °С
};

// Byte offsets inside the records.
namespace RecordOffset {
inline constexpr int Date = 0;
// Chromatograph 5-minute (93 bytes)
inline constexpr int ChromFiveMinStatus = 6;
inline constexpr int ChromFiveMinStatusWord = 7;  // low byte at 7, high byte at 8
inline constexpr int ChromFiveMinValues = 11;
// Chromatograph hourly and daily (92 bytes)
inline constexpr int HourDayEnd = 6;  // hour, minute, second (both analysers)
inline constexpr int ChromHourDayStatus = 9;
inline constexpr int ChromHourDayValues = 10;
// Moisture meter 5-minute (29 bytes)
inline constexpr int MoistFiveMinStatus = 6;
inline constexpr int MoistFiveMinStatusWord = 9;  // low byte at 9, high byte at 10
inline constexpr int MoistFiveMinValues = 11;
// Moisture meter hourly and daily (28 bytes)
inline constexpr int MoistHourDayStatus = 9;
inline constexpr int MoistHourDayValues = 10;
}  // namespace RecordOffset

// Status flags of a chromatograph 5-minute record (byte 6).
enum ChromFiveMinuteFlag : uint8_t {
    ChromManualCalibration = 0x01,
    ChromControllerOff = 0x02,
    ChromAbnormalState = 0x08,
    ChromOutOfLimits = 0x10,
    ChromNoLink = 0x20,
    ChromNotUpdated = 0x40,
    ChromAutoCalibration = 0x80,
};
// Status flags of a chromatograph hourly or daily record (byte 9); bits 3..6
// mean that a substitute value was used.
enum ChromHourDayFlag : uint8_t {
    ChromHdControllerOff = 0x02,
    ChromHdSubstAbnormal = 0x08,
    ChromHdSubstOutOfLimits = 0x10,
    ChromHdSubstNoLink = 0x20,
    ChromHdSubstNotUpdated = 0x40,
};
// A chromatograph record with any of these flags holds no valid values.
inline constexpr uint8_t ChromInvalidMask = 0x22;
// Controller status flags of every moisture-meter record.
enum MoistureFlag : uint8_t {
    MoistControllerOff = 0x02,
    MoistNoLink = 0x04,
};
// Bit 7 of the end hour of a daily record: the interval ends with the day.
inline constexpr uint8_t EndDayFlag = 0x80;

// A little-endian float from 4 raw bytes.
float FloatAt(const uint8_t* bytes);
// Stores a float as 4 little-endian bytes (tests, the simulator side).
void PutFloat(uint8_t* bytes, float value);
uint16_t Uint16At(const uint8_t* bytes);
uint32_t Uint32At(const uint8_t* bytes);
void PutUint16(uint8_t* bytes, uint16_t value);
void PutUint32(uint8_t* bytes, uint32_t value);

// True when the CRC-16/MODBUS over all `size` bytes, checksum included, is 0.
// False for a null pointer or a size below 2.
bool RecordIntact(const uint8_t* bytes, int size);
// Fills the last 2 bytes of a record with the checksum of the bytes before
// (little-endian), so that RecordIntact holds. For building test records.
void SealRecord(uint8_t* bytes, int size);

// ---------------------------------------------------------------------------
// Archive kinds

enum class ArchiveKind : uint8_t {
    ChromFiveMinute = 0,
    ChromHour = 1,
    ChromDay = 2,
    MoistureFiveMinute = 3,
    MoistureHour = 4,
    MoistureDay = 5,
};
inline constexpr int ArchiveKindCount = 6;

enum Analyser : uint8_t {
    AnalyserChromatograph = 0,
    AnalyserMoistureMeter = 1,
};

// Everything that tells the six archives apart.
struct ArchiveKindInfo {
    ArchiveKind kind;
    uint8_t analyser;           // request byte 2 and header byte 3
    uint8_t functionCode;       // 14 5-minute, 15 hourly, 16 daily
    uint8_t requestSize;        // 13, 11, 9 bytes of request body
    uint8_t datePrefix;         // 5, 4, 3 significant date bytes of the period
    uint8_t archiveUnit;        // 3 five minutes, 0 hour, 1 day (the date toolkit's unit)
    int recordSize;             // 93 / 92 / 92, 29 / 28 / 28
    int recordsPerFullAnswer;   // 2 chromatograph, 8 moisture meter
    const char* extension;      // ".mch", ".hch", ".dch", ".mwm", ".hwm", ".dwm"
    const char* signature;      // "MOM", "HOU", "DAY" (3 characters)
    WorkFolder folder;          // MomData, HourData, DayData
};

const ArchiveKindInfo& KindInfo(ArchiveKind kind);
inline int RecordSize(ArchiveKind kind) { return KindInfo(kind).recordSize; }
bool IsChromatograph(ArchiveKind kind);
bool IsFiveMinute(ArchiveKind kind);
bool IsDaily(ArchiveKind kind);
// The kind of a saved file's header: signature (3 bytes) and analyser byte;
// nullopt for anything else.
std::optional<ArchiveKind> KindFromSignature(const uint8_t* signature, uint8_t analyser);
// The kind of an analyser's archive of one unit (3 five minutes, 0 hour, 1 day).
std::optional<ArchiveKind> KindFor(uint8_t analyser, uint8_t archiveUnit);

// The request body of function code 14, 15 or 16 for the period start..end:
// 1 (5-minute) or 3 (hourly, daily), 0, the analyser byte, then the first
// 5, 4 or 3 bytes of start and of end. The size is KindInfo(kind).requestSize.
QByteArray BuildArchiveRequest(ArchiveKind kind, const PackedDate& start, const PackedDate& end);

// ---------------------------------------------------------------------------
// Record views

// End of the averaging interval of an hourly or daily record (bytes 6..8).
struct IntervalEnd {
    uint8_t hour = 0;    // daily records: the low 7 bits of the hour byte
    uint8_t minute = 0;
    uint8_t second = 0;
    // Daily records: bit 7 of the hour byte. Always false for hourly records.
    bool endOfDay = false;
    uint8_t rawHour = 0;  // the hour byte as stored
};

// A read-only view over the bytes of one record of a given kind. It owns
// nothing: the bytes must stay alive and hold RecordSize(kind) bytes. No
// accessor validates the contents: absurd dates and NaN values come through
// as they are stored.
class RecordView {
public:
    RecordView(ArchiveKind kind, const uint8_t* bytes) : kind_(kind), bytes_(bytes) {}

    ArchiveKind Kind() const { return kind_; }
    const uint8_t* Bytes() const { return bytes_; }
    int Size() const { return RecordSize(kind_); }
    bool Intact() const { return RecordIntact(bytes_, Size()); }

    // The record's date (5-minute) or the start of its interval (hourly, daily).
    PackedDate Date() const;
    // The status flags: byte 6 of 5-minute records, byte 9 of hourly and daily ones.
    uint8_t Status() const;
    // Chromatograph 5-minute: bytes 7 (low) and 8 (high); moisture-meter
    // 5-minute: bytes 9 (low) and 10 (high); 0 for hourly and daily records.
    uint16_t StatusWord() const;
    // Hourly and daily records: bytes 6..8 with the end-day rule of daily
    // records; all zero for 5-minute records.
    IntervalEnd End() const;

    // Number of floats: 20 (chromatograph) or 4 (moisture meter).
    int ValueCount() const;
    // Float `index` (a GasParameter or a MoistureValue); NaN for an index
    // outside 0..ValueCount()-1.
    float Value(int index) const;

private:
    int ValuesOffset() const;

    ArchiveKind kind_;
    const uint8_t* bytes_;
};

// ---------------------------------------------------------------------------
// Record store

// The records of one archive kind, back to back in one contiguous byte array
// (the layout of "datafile.hdm" and of a saved file's body). Copies share the
// bytes until one of them changes (QByteArray).
class RecordStore {
public:
    explicit RecordStore(ArchiveKind kind = ArchiveKind::ChromFiveMinute) : kind_(kind) {}
    // The whole records of `bytes`; a trailing part record is dropped.
    RecordStore(ArchiveKind kind, QByteArray bytes);

    ArchiveKind Kind() const { return kind_; }
    int RecordSize() const { return zmk::RecordSize(kind_); }
    qsizetype Count() const { return bytes_.size() / RecordSize(); }
    bool IsEmpty() const { return bytes_.isEmpty(); }

    void Reserve(qsizetype records);
    void Clear() { bytes_.clear(); }
    // Appends `count` records of RecordSize() bytes each.
    void Append(const uint8_t* records, qsizetype count = 1);

    // Record i (0 <= i < Count()); the view is valid until the store changes.
    RecordView At(qsizetype i) const;
    const uint8_t* RecordBytes(qsizetype i) const;
    // All records back to back.
    const QByteArray& Bytes() const { return bytes_; }

private:
    ArchiveKind kind_;
    QByteArray bytes_;
};

}  // namespace zmk
