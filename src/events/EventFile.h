#pragma once

// The header that travels with every set of event records, the decoded rows
// of the two event viewers, and the saved event files (".ala", ".aud") that
// keep those rows on disk: the header followed by one fixed-width row per
// record. A saved file holds decoded texts, not raw records, so a reopened
// file is shown exactly as it was saved.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/PackedDate.h"
#include "events/EventRecords.h"
#include "measurements/MeasurementFile.h"

namespace zmk {

// Header of an event reading (58 bytes).
//
//  offset size
//   0      3   signature "ALA" (diagnostics) or "AUD" (interventions)
//   3      1   0
//   4     20   controller name (table 5, Windows-1251 bytes)
//  24      1   controller address
//  25      6   date and time of the PC when the reading finished
//  31      6   first record's time (read by index) or period start
//  37      6   last record's time (read by index) or period end
//  43      4   number of records (rows), unsigned little-endian
//  47      1   chromatograph type (table 14 field 6)
//  48      1   moisture-meter type (table 15 field 6 when a moisture meter
//              is connected, else 0); selects the status-bit texts
//  49      1   1 when bit 0 of table 14 field 7 is clear, else 0
//  50      8   0
struct EventFileHeader {
    static constexpr int Size = 58;
    static constexpr int NameSize = 20;

    std::array<uint8_t, 3> signature{};
    std::array<uint8_t, NameSize> controllerName{};
    uint8_t address = 0;
    PackedDate readAt;
    PackedDate first;
    PackedDate last;
    uint32_t recordCount = 0;
    uint8_t chromatographType = 0;
    uint8_t moistureMeterType = 0;
    uint8_t hexaneColumn = 0;

    std::array<uint8_t, Size> Encode() const;
    // Decodes 58 bytes as they are; nothing is checked here.
    static EventFileHeader Decode(const uint8_t* bytes);

    // The archive named by the signature; nullopt for any other signature.
    std::optional<EventKind> Kind() const;
    QString ControllerNameText() const;
};

// The header after a reading of `kind`, from the table values of the
// configuration image (as for measurement files), the link's address, the
// PC's time when the reading finished, the two range dates and the count.
EventFileHeader BuildEventFileHeader(EventKind kind, const HeaderTableValues& values, uint8_t address,
                                     const PackedDate& readAt, const PackedDate& first,
                                     const PackedDate& last, uint32_t recordCount);

// One row of the diagnostic viewer. In a saved file each text is a
// NUL-terminated, NUL-padded Windows-1251 slot (300 bytes in all); a text
// longer than its slot is cut to the slot size - 1.
//
//  offset size
//   0     20   date
//  20     20   time
//  40    100   event
// 140    100   object / cause
// 240     20   current value of the parameter
// 260     20   setpoint
// 280     20   unit
struct DiagnosticRow {
    static constexpr int Size = 300;
    static constexpr int ColumnCount = 7;

    QString date;
    QString time;
    QString event;
    QString object;
    QString value;
    QString setpoint;
    QString unit;

    std::array<uint8_t, Size> Encode() const;
    static DiagnosticRow Decode(const uint8_t* bytes);
    // Cell texts in column order (date .. unit).
    QString Cell(int column) const;
    bool operator==(const DiagnosticRow&) const = default;
};

// One row of the intervention viewer (205 bytes in a saved file), same rules.
//
//  offset size
//   0     20   date
//  20     20   time
//  40    100   name of the changed parameter
// 140     20   old value
// 160     20   new value
// 180     20   unit
// 200      5   operator
struct InterventionRow {
    static constexpr int Size = 205;
    static constexpr int ColumnCount = 7;

    QString date;
    QString time;
    QString name;
    QString oldValue;
    QString newValue;
    QString unit;
    QString operatorName;

    std::array<uint8_t, Size> Encode() const;
    static InterventionRow Decode(const uint8_t* bytes);
    QString Cell(int column) const;
    bool operator==(const InterventionRow&) const = default;
};

inline constexpr int EventRowSize(EventKind kind) {
    return kind == EventKind::Diagnostics ? DiagnosticRow::Size : InterventionRow::Size;
}

// ---------------------------------------------------------------------------
// Saved event files

struct EventFileContents {
    EventFileHeader header;
    std::vector<DiagnosticRow> diagnostics;      // an ".ala" file
    std::vector<InterventionRow> interventions;  // an ".aud" file
};

// Second line of the refusal of a file that is not of `kind`:
// "диагностические сообщения контроллера ЗМК_10" or
// "сообщения о вмешательствах оператора контроллера ЗМК_10".
QString EventRejectionSecondLine(EventKind kind);

// Opens a saved file as the "Просмотр/Печать из файла" commands do:
// - a file that cannot be opened or read: kind 1, "Ошибка открытия файла";
// - a signature of the other archive or a foreign one, a chromatograph type
//   other than 4, a file shorter than its header, or fewer rows than the
//   header announces (a cut file): kind 1,
//   "Файл %s не является файлом, содержащим" (name without folder) / the
//   kind's second line.
// Bytes after the announced rows are not read. Nothing is allocated beyond
// what the file holds.
std::optional<EventFileContents> ReadEventFile(const QString& path, EventKind kind,
                                               FileMessage* message = nullptr);

// Writes the header and the rows through a temporary file that replaces the
// target only when everything was written; the stored count is the number
// of rows and the signature is the one of the rows' kind. On failure:
// kind 1, "Ошибка открытия файла", and an existing file is left as it was.
bool WriteEventFile(const QString& path, const EventFileHeader& header,
                    const std::vector<DiagnosticRow>& rows, FileMessage* message = nullptr);
bool WriteEventFile(const QString& path, const EventFileHeader& header,
                    const std::vector<InterventionRow>& rows, FileMessage* message = nullptr);

// The name proposed when saving: folder + "/zmk_10-%03d-%02d%02d%02d.ala"
// (or ".aud") with the address of the header and year - 2000, month, day of
// `date` (the PC's date of saving).
QString DefaultEventFileName(const QString& folder, uint8_t address, const PackedDate& date,
                             EventKind kind);
// A chosen name without an extension gets ".ala" or ".aud".
QString WithEventExtension(const QString& path, EventKind kind);
// The question before replacing an existing file (kind 3):
// "Файл %s уже есть." / "Вы хотите заменить существующий файл?".
FileMessage ReplaceQuestion(const QString& path);

// The working file of a reading ("datafile.ala" / "datafile.aud") read back:
// the whole raw records it holds (a trailing part record is dropped).
// nullopt when it cannot be opened or read.
std::optional<std::vector<DiagnosticRecord>> ReadDiagnosticRecords(const QString& path);
std::optional<std::vector<InterventionRecord>> ReadInterventionRecords(const QString& path);

}  // namespace zmk
