#pragma once

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>

#include "common/FileMessage.h"
#include "common/MessageKind.h"
#include "measurements/Records.h"

class QFile;

namespace zmk {

class ConfigImage;
class StatusBarPanel;
class TableEngine;

// Header of a measurement reading: handed to the viewer after a reading and
// stored at the head of every saved measurement file.
//
//  offset size
//   0      3   signature "MOM" (5-minute), "HOU" (hourly), "DAY" (daily)
//   3      1   analyser: 0 chromatograph, 1 moisture meter
//   4     20   controller name (table 5, Windows-1251 bytes)
//  24      1   controller address
//  25      6   date and time the viewer was opened (the PC's clock)
//  31      5   requested period start (5, 4 or 3 significant bytes, rest 0)
//  36      1   0
//  37      5   requested period end (as the start)
//  42      1   0
//  43      4   number of records, unsigned little-endian
//  47      1   chromatograph type (table 14 field 6)
//  48      1   moisture-meter type (table 15 field 6 when a moisture meter is
//              connected, else 0)
//  49      1   1 when the "C6+" column is shown (hexane in the parameter list)
//  50      8   0
struct MeasurementFileHeader {
    static constexpr int Size = 58;
    static constexpr int NameSize = 20;

    std::array<uint8_t, 3> signature{};
    uint8_t analyser = 0;
    std::array<uint8_t, NameSize> controllerName{};
    uint8_t address = 0;
    PackedDate opened;
    PackedDate periodStart;  // only the first 5 bytes are stored; second is 0 after decoding
    PackedDate periodEnd;
    uint32_t recordCount = 0;
    uint8_t chromatographType = 0;
    uint8_t moistureMeterType = 0;
    uint8_t hexaneColumn = 0;

    std::array<uint8_t, Size> Encode() const;
    // Decodes 58 bytes as they are; nothing is checked here.
    static MeasurementFileHeader Decode(const uint8_t* bytes);

    // Kind named by the signature and the analyser byte; nullopt when foreign.
    std::optional<ArchiveKind> Kind() const;
    // The controller name as text (up to the first NUL, Windows-1251).
    QString ControllerNameText() const;
};

// The one chromatograph type the program serves ("NGC8200"); a saved file
// naming another type is refused.
inline constexpr uint8_t ServedChromatographType = 4;

// The controller values a header is built from.
struct HeaderTableValues {
    std::array<uint8_t, MeasurementFileHeader::NameSize> controllerName{};  // table 5
    uint8_t chromatographType = 0;     // table 14 field 6
    uint8_t chromatographOptions = 0;  // table 14 field 7; bit 0 set = hexane not used
    uint8_t moistureMeterPresent = 0;  // table 6 field 8
    uint8_t moistureMeterType = 0;     // table 15 field 6
};
// The same values taken from the local configuration image.
HeaderTableValues HeaderValuesFromImage(const ConfigImage& image);
// Reads into the engine's image what HeaderValuesFromImage takes, for a
// reading without the tables of a connection (the command-line companion):
// the code page of the controller's texts, the name (kept in Windows-1251),
// the chromatograph link, the moisture meter's presence and, when present,
// its type. False at the first failed read (the engine has reported it).
bool ReadHeaderTables(TableEngine& engine, StatusBarPanel* status);

// The header after a successful reading of `kind`: the kind's signature and
// analyser, the table values, the link's address, the moment of opening, the
// requested period (cut to the kind's date prefix) and the record count.
MeasurementFileHeader BuildMeasurementFileHeader(ArchiveKind kind, const HeaderTableValues& values,
                                                 uint8_t address, const PackedDate& opened,
                                                 const PackedDate& start, const PackedDate& end,
                                                 uint32_t recordCount);

// ---------------------------------------------------------------------------
// Messages

// "Нет данных за указанный период"
QString NoDataText();
// Second line of the rejection of a foreign file, per kind
// ("мгновенные данные хроматографа из архива 5-минутных данных", ...).
QString RejectionSecondLine(ArchiveKind kind);

// ---------------------------------------------------------------------------
// Saved measurement files

struct MeasurementFileContents {
    MeasurementFileHeader header;  // as stored, record count included
    RecordStore records;           // the whole records present, at most header.recordCount
    // Records the header announces but the file does not hold (a cut file).
    // The viewer shows what is present; nothing else is refused for it.
    uint32_t missingRecords = 0;
};

// Opens a saved file of `kind` as the "Просмотр/Печать из файла" commands do:
// - a file that cannot be opened: kind 1, "Ошибка открытия файла";
// - a file shorter than a header, a signature or analyser byte of another
//   kind, or a chromatograph type other than 4: kind 1,
//   "Файл %s не является файлом, содержащим" (name without folder) /
//   the kind's second line;
// - otherwise at most the header's number of records is read; a file holding
//   fewer keeps the whole records present (a trailing part record is dropped)
//   and reports the shortfall in missingRecords. Bytes beyond the announced
//   records are ignored. Nothing is allocated beyond the file's own size.
// On failure `message` (when given) receives the message and nullopt is returned.
std::optional<MeasurementFileContents> ReadMeasurementFile(const QString& path, ArchiveKind kind,
                                                           FileMessage* message = nullptr);

// Writes header + records to `path` through a temporary file that replaces
// the target only when everything was written, so a failed write leaves an
// existing file untouched. The stored record count is the store's count
// (whatever header.recordCount says); the store's kind must match the
// header's signature (otherwise nothing is written). On failure: kind 1,
// "Ошибка открытия файла".
bool WriteMeasurementFile(const QString& path, const MeasurementFileHeader& header,
                          const RecordStore& records, FileMessage* message = nullptr);

// "Данные сохранены в файле %s." (file name without folder), kind 6.
FileMessage SavedMessage(const QString& path);

// Default names offered when saving: folder + "/zmk_10-%03d-%02d%02d%02d"
// + the kind's extension, with the controller address and year - 2000,
// month, day of `date` (the PC's current date).
QString DefaultMeasurementFileName(const QString& folder, uint8_t address, const PackedDate& date,
                                   ArchiveKind kind);
// The same name for a workbook: "_ch.xlsx" (chromatograph) or "_wm.xlsx".
QString DefaultWorkbookFileName(const QString& folder, uint8_t address, const PackedDate& date,
                                ArchiveKind kind);
// A chosen name without an extension gets the kind's extension (or ".xlsx"
// for a workbook); a name with any extension is kept.
QString WithDefaultExtension(const QString& path, ArchiveKind kind);
QString WithWorkbookExtension(const QString& path);

// ---------------------------------------------------------------------------
// "datafile.hdm": the raw records of one reading, no header

// Created anew at the start of a reading; records are appended as they
// arrive. The default path is the temporary file in the base folder.
class HdmFile {
public:
    HdmFile() = default;
    ~HdmFile();
    HdmFile(const HdmFile&) = delete;
    HdmFile& operator=(const HdmFile&) = delete;

    // Creates (truncates) the file; false when it cannot be created.
    bool Create(const QString& path);
    bool Create();
    // Appends `count` records of `recordSize` bytes; false on a write error.
    bool Append(const uint8_t* records, int count, int recordSize);
    // Flushes and closes; false when the last records could not be written.
    bool Close();
    bool IsOpen() const;
    const QString& Path() const { return path_; }

private:
    std::unique_ptr<QFile> file_;
    QString path_;
};

// Reads a raw record file back: count = file length / record size of
// `kind`. nullopt with kind 6, "Ошибка открытия файла" when it cannot be
// opened or read; an
// empty store (no message) when it holds no whole record.
std::optional<RecordStore> ReadHdmFile(const QString& path, ArchiveKind kind,
                                       FileMessage* message = nullptr);
std::optional<RecordStore> ReadHdmFile(ArchiveKind kind, FileMessage* message = nullptr);

}  // namespace zmk
