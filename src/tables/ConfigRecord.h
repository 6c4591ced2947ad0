#pragma once

// A whole configuration of the controller in one fixed-layout record of 2603
// bytes, as kept in configuration files (".cnf", the record byte for byte
// with the flow computers' write passwords transformed): the defaults of a
// new configuration, the record filled from the configuration image after a
// reading, the record checked and copied into the image before a write, and
// the files.
//
//  offset size
//     0     1   origin: 1 = filled from a controller, 0 = a new configuration
//     1    18   table 0 (identification): byte 2 type code 73 ("I"), byte 4
//               software version 10
//    29    20   table 5, controller name (Windows-1251, blank-padded)
//    69     4   table 3, upper-level link
//   173    12   table 6, system parameters (byte 181 = moisture meter present)
//   285     8   table 14, chromatograph link (byte 292 = field 7)
//   343     8   table 15, moisture-meter link
//   401  16x20  flow computers: address (table 18), type (17), pipelines flag
//               (19), byte order (20), write password (13, 16 bytes)
//   821    20   table 21, write flags of the gas parameters
//   941  5x180  tables 22..26: 20 floats each, then 100 reserved bytes
//  1841     2   table 28
//  1851    28   table 29, Ethernet
//  1943  16x22  table 4, users
//  2395     8   table 9, flow-computer link; byte 2395 = number of flow computers
// Everything else is reserved: 0 in records the program makes, never read.

#include <QDateTime>
#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "common/FileMessage.h"
#include "tables/FlowComputers.h"
#include "tables/GasLimits.h"

namespace zmk {

class ConfigImage;
class StatusBarPanel;
class TableEngine;

constexpr int ConfigRecordSize = 2603;

namespace config_offset {
constexpr int Origin = 0;
constexpr int Identification = 1;
constexpr int TypeCode = 2;         // identification field 1
constexpr int SoftwareVersion = 4;  // identification field 3
constexpr int Name = 29;
constexpr int UpperLevel = 69;
constexpr int System = 173;
constexpr int Chromatograph = 285;
constexpr int MoistureMeter = 343;
constexpr int FlowComputers = 401;
constexpr int FlowComputerSize = 20;
constexpr int FlowComputerPassword = 4;  // within a flow computer's entry
constexpr int GasWriteFlags = 821;
constexpr int Limits = RecordGasLimitOffset;
constexpr int LimitBlockSize = RecordGasLimitBlockSize;
constexpr int HourlyWritePeriod = 1841;
constexpr int Ethernet = 1851;
constexpr int Users = 1943;
constexpr int FlowComputerLink = 2395;
}  // namespace config_offset

constexpr uint8_t ConfigTypeCode = 73;  // "I"
constexpr uint8_t ConfigSoftwareVersion = 10;
constexpr int FlowComputerPasswordSize = 16;

struct ConfigRecord {
    std::array<uint8_t, ConfigRecordSize> bytes{};

    uint8_t* At(int offset) { return bytes.data() + offset; }
    const uint8_t* At(int offset) const { return bytes.data() + offset; }
    // Entry i (0..15) of the flow computers.
    uint8_t* FlowComputer(int i) { return At(config_offset::FlowComputers + i * config_offset::FlowComputerSize); }
    const uint8_t* FlowComputer(int i) const {
        return At(config_offset::FlowComputers + i * config_offset::FlowComputerSize);
    }
    // The 80 value bytes of limit table 22 + kind (kind 0..4).
    uint8_t* LimitBlock(int kind) { return At(config_offset::Limits + kind * config_offset::LimitBlockSize); }
    const uint8_t* LimitBlock(int kind) const {
        return At(config_offset::Limits + kind * config_offset::LimitBlockSize);
    }
    // Number of connected flow computers (table 9 field 0) as stored.
    int FlowComputerCount() const { return bytes[config_offset::FlowComputerLink]; }
    // The controller name with leading and trailing blanks removed.
    QString NameText() const;

    bool operator==(const ConfigRecord&) const = default;
};

// The record of a new configuration: every default of the controller's
// tables (the limits from the gas-parameter limit rules).
ConfigRecord NewConfigRecord();

// After a reading of the configuration: the default record with the tables
// of the image (table 0 and origin 1, tables 5, 3, 4, 6, 14, 15, 9, the
// entries of tables 17..20 of the connected flow computers, tables 21,
// 22..26, 28 and 29). The write passwords stay blank: the controller never
// gives them out. A count of flow computers above 16 takes the 16 entries.
ConfigRecord ImageToRecord(const ConfigImage& image);

// The file form of the write passwords: each byte b of the 16 passwords of
// all 16 entries becomes (4 - b) mod 256. Its own inverse.
void TransformPasswords(ConfigRecord& record);

// ---------------------------------------------------------------------------
// Files

// Reads a configuration file: at most 2603 bytes (a shorter file leaves the
// rest of the record 0), refusing one that is not a configuration of this
// controller (kind 6: "Файл %s не является файлом конфигурации" /
// "контроллера ЗМК_10") or of another software version (kind 6:
// "Файл параметров конфигурации %s подготовлен" / "для контроллера ЗМК_10 с
// версией ПО %d"); a file that cannot be read: kind 1, "Ошибка открытия
// файла". The passwords come back untransformed.
std::optional<ConfigRecord> ReadConfigFile(const QString& path, FileMessage* message = nullptr);

// Writes the record (passwords transformed) through a temporary file that
// replaces the target only when all of it was written. On failure: kind 1,
// "Ошибка открытия файла", and an existing file is left as it was.
bool WriteConfigFile(const QString& path, const ConfigRecord& record, FileMessage* message = nullptr);

// "Параметры конфигурации" / "сохранены в файле %s" (name without folder).
FileMessage ConfigSavedMessage(const QString& path);

// The name proposed when saving: folder + "/zmk_%02d-%s-%02d%02d%02d%02d%02d.cnf"
// with the software version, the trimmed controller name and the PC's time
// (year - 2000, month, day, hour, minute). Characters a file name cannot
// hold ('/' and NUL) become '_'.
QString ProposedConfigFileName(const QString& folder, const ConfigRecord& record, const QDateTime& now);

// ---------------------------------------------------------------------------
// Check and copy into the image before a write

struct ConfigFault {
    QString line1;
    QString line2;
};

// Checks the record in the designed order and copies its tables into the
// image (table 5, 3, the users when checkUsers, 6, 14, 15, 9, the flow
// computers into tables 18, 17, 19, 20 and 13, then 21, 22..26, 28, 29).
// Stops at the first fault (an input error, kind 2); what was copied before
// it stays copied. The users list is checked and copied with its level-0
// records blanked and reserved bytes cleared.
std::optional<ConfigFault> CopyRecordToImage(const ConfigRecord& record, ConfigImage& image, bool checkUsers);

// ---------------------------------------------------------------------------
// Reading the configuration from the controller

// Progress of ReadConfiguration: a maximum, then one step per table.
class ConfigProgress {
public:
    virtual ~ConfigProgress() = default;
    virtual void SetMaximum(int maximum) { (void)maximum; }
    virtual void SetPosition(int position) { (void)position; }
    // The full bar stays in view for a moment at the end.
    virtual void Linger() {}
};

// Reads every table of the configuration except table 13 into the image, in
// ascending order, tables 17..20 only for the connected flow computers (one
// request of count 0 when there is none). The controller name is taken from
// the DOS code page when the controller keeps its texts there; table 6
// fields 9..11 are set to 1, 0, 0. False at the first failed request (the
// engine has asked its retry question). Progress: 22 steps.
bool ReadConfiguration(TableEngine& engine, StatusBarPanel* status, ConfigProgress& progress);

}  // namespace zmk
