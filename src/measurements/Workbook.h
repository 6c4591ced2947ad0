#pragma once

// Spreadsheet workbooks (.xlsx) written with libxlsxwriter: a small sheet
// writer with the few cell looks the program uses (fonts, fills, borders,
// alignments, widths, heights), and the measurement workbook of the viewers'
// "Сохранить в формате Excel" and of "zmkctl export-xlsx".
//
// A workbook is written into a temporary file beside the target and renamed
// over it only when it was written completely: a failed export never leaves
// a half-written file under the chosen name, nor spoils an older one.

#include <QString>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "measurements/MeasurementFile.h"

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace zmk {

class MeasurementTable;

inline constexpr char WorkbookFontName[] = "Times New Roman";
inline constexpr uint32_t WorkbookTitleFill = 0xC0C0C0;  // RGB 192, 192, 192

// The look of one cell.
struct CellLook {
    bool left = false, right = false, top = false, bottom = false;  // thin borders
    bool fill = false;    // WorkbookTitleFill
    bool centre = false;  // centred, else general alignment
    int fontSize = 10;    // WorkbookFontName
    // Number cells: fixed notation with this many decimals (-1: the general
    // format), followed by the substitute-value mark '"' when `quoteMark`.
    int decimals = -1;
    bool quoteMark = false;

    auto Key() const { return std::tie(left, right, top, bottom, fill, centre, fontSize, decimals, quoteMark); }
    bool operator<(const CellLook& other) const { return Key() < other.Key(); }
};

// Outcome of writing a workbook; each failure has its message.
enum class WorkbookStatus {
    Ok,
    CannotCreate,  // the workbook could not be started at all (no temporary file)
    FileError,     // writing or saving failed
};

// One new workbook with one sheet. Rows and columns are 1-based, as the
// sheets are described. Rows must be written in increasing order (the
// writer streams them to keep memory flat on large sheets).
class XlsxSheetWriter {
public:
    XlsxSheetWriter();
    ~XlsxSheetWriter();
    XlsxSheetWriter(const XlsxSheetWriter&) = delete;
    XlsxSheetWriter& operator=(const XlsxSheetWriter&) = delete;

    // Starts the workbook that will become `path`.
    WorkbookStatus Open(const QString& path);
    bool IsOpen() const { return book_ != nullptr; }

    void SetColumnWidth(int column, double width);
    void SetRowHeight(int row, double points);
    void WriteText(int row, int column, const QString& text, const CellLook& look);
    void WriteBlank(int row, int column, const CellLook& look);
    void WriteNumber(int row, int column, double value, const CellLook& look);

    // Writes the workbook and renames it over `path`. Any earlier failure
    // is reported here too. The temporary file is removed on failure.
    WorkbookStatus Close();
    // Drops an open workbook without saving.
    void Abandon();

private:
    lxw_format* Format(const CellLook& look);

    lxw_workbook* book_ = nullptr;
    lxw_worksheet* sheet_ = nullptr;
    QString path_;
    QString tempPath_;
    bool failed_ = false;
    std::map<CellLook, lxw_format*> formats_;
    // The look of the last cell: rows of one look need no look-up.
    CellLook lastLook_;
    lxw_format* lastFormat_ = nullptr;
    std::string utf8_;
};

// Texts of the export messages. Success: kind 6, "Данные сохранены в файле %s"
// (file name without folder). The workbook could not be created: kind 1
// (caption "Ошибка"), "Невозможно создать книгу Excel!" / "Возможно нет
// доступа к папке или диску.". Any other failure: kind 1,
// "Ошибка работы с файлом!".
FileMessage WorkbookMessage(WorkbookStatus status, const QString& path);

// The measurement sheet of a viewer's table, as described for
// "Сохранить в формате Excel": widths, the caption row, the grey title
// block with its borders, the data rows (the grid's texts) and, for the
// chromatograph, the average row. Cells that show a measured value are
// numbers whose format shows the grid's decimals (and the substitute mark);
// everything else, what replaces a value included, is text. `step` (when given) is called after each
// of the 5 preparation steps and once per record: records + 5 calls in all.
WorkbookStatus WriteMeasurementWorkbook(const QString& path, const MeasurementTable& table,
                                        const std::function<void()>& step = {});

// The number format of a number cell: "0", "0.0", "0.00", ... with \" after
// it for the substitute-value mark.
std::string NumberFormat(int decimals, bool quoteMark);

// Sheet geometry of a table: W (sheet width) and T (caption range width).
int WorkbookSheetWidth(const MeasurementTable& table);
int WorkbookTitleWidth(const MeasurementTable& table);

}  // namespace zmk
