#include "measurements/Workbook.h"

#include <xlsxwriter.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <vector>

#include "common/CheckedFile.h"
#include "measurements/WorkbookTitles.h"
#include "measurements/MeasurementTable.h"

namespace zmk {

namespace {

QByteArray LocalPath(const QString& path) { return QFile::encodeName(QDir::toNativeSeparators(path)); }

// A finished workbook ends with the zip's end-of-directory record (the
// library writes no archive comment): a cut-off file does not.
bool EndsLikeZip(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly) || file.size() < 22 || !file.seek(file.size() - 22)) return false;
    return file.read(4) == QByteArrayLiteral("PK\x05\x06");
}

}  // namespace

// ---------------------------------------------------------------------------
// XlsxSheetWriter

XlsxSheetWriter::XlsxSheetWriter() = default;

XlsxSheetWriter::~XlsxSheetWriter() { Abandon(); }

WorkbookStatus XlsxSheetWriter::Open(const QString& path) {
    Abandon();
    path_ = path;
    // The library opens its output only when the workbook is closed: make
    // sure now that the folder takes a file at all.
    tempPath_ = ReserveTemporaryFile(path);
    if (tempPath_.isEmpty()) return WorkbookStatus::CannotCreate;
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;  // rows are streamed; memory stays flat
    options.use_zip64 = LXW_TRUE;        // a year of 5-minute rows may pass 4 GB uncompressed
    const QByteArray local = LocalPath(tempPath_);
    book_ = workbook_new_opt(local.constData(), &options);
    if (book_ != nullptr) sheet_ = workbook_add_worksheet(book_, nullptr);
    if (book_ == nullptr || sheet_ == nullptr) {
        Abandon();
        return WorkbookStatus::CannotCreate;
    }
    failed_ = false;
    return WorkbookStatus::Ok;
}

lxw_format* XlsxSheetWriter::Format(const CellLook& look) {
    if (lastFormat_ != nullptr && lastLook_.Key() == look.Key()) return lastFormat_;
    lastLook_ = look;
    auto it = formats_.find(look);
    if (it != formats_.end()) return lastFormat_ = it->second;
    lxw_format* format = workbook_add_format(book_);
    format_set_font_name(format, WorkbookFontName);
    format_set_font_size(format, look.fontSize);
    if (look.centre) format_set_align(format, LXW_ALIGN_CENTER);
    if (look.fill) {
        format_set_pattern(format, LXW_PATTERN_SOLID);
        format_set_bg_color(format, WorkbookTitleFill);
    }
    if (look.left) format_set_left(format, LXW_BORDER_THIN);
    if (look.right) format_set_right(format, LXW_BORDER_THIN);
    if (look.top) format_set_top(format, LXW_BORDER_THIN);
    if (look.bottom) format_set_bottom(format, LXW_BORDER_THIN);
    if (look.decimals >= 0) format_set_num_format(format, NumberFormat(look.decimals, look.quoteMark).c_str());
    formats_.emplace(look, format);
    return lastFormat_ = format;
}

void XlsxSheetWriter::SetColumnWidth(int column, double width) {
    if (sheet_ == nullptr || column < 1) return;
    if (worksheet_set_column(sheet_, lxw_col_t(column - 1), lxw_col_t(column - 1), width, nullptr) != LXW_NO_ERROR)
        failed_ = true;
}

void XlsxSheetWriter::SetRowHeight(int row, double points) {
    if (sheet_ == nullptr || row < 1) return;
    if (worksheet_set_row(sheet_, lxw_row_t(row - 1), points, nullptr) != LXW_NO_ERROR) failed_ = true;
}

void XlsxSheetWriter::WriteText(int row, int column, const QString& text, const CellLook& look) {
    if (sheet_ == nullptr || row < 1 || column < 1) return;
    if (text.isEmpty()) {
        WriteBlank(row, column, look);
        return;
    }
    // Most cells are plain ASCII (numbers, dates): no conversion object then.
    utf8_.clear();
    bool ascii = true;
    for (QChar ch : text) {
        if (ch.unicode() >= 0x80) {
            ascii = false;
            break;
        }
        utf8_.push_back(char(ch.unicode()));
    }
    if (!ascii) utf8_ = text.toStdString();
    if (worksheet_write_string(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1), utf8_.c_str(), Format(look)) !=
        LXW_NO_ERROR)
        failed_ = true;
}

void XlsxSheetWriter::WriteBlank(int row, int column, const CellLook& look) {
    if (sheet_ == nullptr || row < 1 || column < 1) return;
    if (worksheet_write_blank(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1), Format(look)) != LXW_NO_ERROR)
        failed_ = true;
}

void XlsxSheetWriter::WriteNumber(int row, int column, double value, const CellLook& look) {
    if (sheet_ == nullptr || row < 1 || column < 1) return;
    if (worksheet_write_number(sheet_, lxw_row_t(row - 1), lxw_col_t(column - 1), value, Format(look)) !=
        LXW_NO_ERROR)
        failed_ = true;
}

std::string NumberFormat(int decimals, bool quoteMark) {
    std::string format = "0";
    if (decimals > 0) format += '.' + std::string(size_t(decimals), '0');
    if (quoteMark) format += "\\\"";
    return format;
}

WorkbookStatus XlsxSheetWriter::Close() {
    if (book_ == nullptr) return WorkbookStatus::FileError;
    const lxw_error closed = workbook_close(book_);  // frees the workbook in every case
    book_ = nullptr;
    sheet_ = nullptr;
    formats_.clear();
    lastFormat_ = nullptr;
    const bool ok = closed == LXW_NO_ERROR && !failed_ && EndsLikeZip(tempPath_) &&
                    CommitWrittenFile(tempPath_, path_);
    if (!ok) QFile::remove(tempPath_);
    tempPath_.clear();
    return ok ? WorkbookStatus::Ok : WorkbookStatus::FileError;
}

void XlsxSheetWriter::Abandon() {
    if (book_ != nullptr) {
        // The library has no way to drop a workbook unsaved: let it write
        // the temporary file and remove that.
        workbook_close(book_);
        book_ = nullptr;
        sheet_ = nullptr;
    }
    formats_.clear();
    lastFormat_ = nullptr;
    if (!tempPath_.isEmpty()) QFile::remove(tempPath_);
    tempPath_.clear();
}

// ---------------------------------------------------------------------------
// Messages

FileMessage WorkbookMessage(WorkbookStatus status, const QString& path) {
    switch (status) {
    case WorkbookStatus::Ok:
        return {MessageKind::Info, QStringLiteral("Данные сохранены в файле %1").arg(QFileInfo(path).fileName()), QString()};
    case WorkbookStatus::CannotCreate:
        return {MessageKind::Error, QStringLiteral("Невозможно создать книгу Excel!"),
                QStringLiteral("Возможно нет доступа к папке или диску.")};
    case WorkbookStatus::FileError:
        break;
    }
    return {MessageKind::Error, QStringLiteral("Ошибка работы с файлом!"), QString()};
}

// ---------------------------------------------------------------------------
// The measurement sheet

namespace {

constexpr int CaptionRow = 1;
constexpr int TitleFirstRow = 2;
constexpr int TitleLastRow = 5;
constexpr int FirstDataRow = 6;
constexpr double CaptionRowHeight = 18;
constexpr int CaptionFontSize = 12;
constexpr int SheetFontSize = 10;
constexpr double ChromColumnWidth = 9;
constexpr double MoistureColumnWidth = 10;
constexpr double MoistureWideColumnWidth = 13;
constexpr int MoistureWideColumn = 7;
constexpr char CaptionIndent[] = "    ";

// The title block (rows 2..5) while it is being composed.
struct TitleBlock {
    int width;
    std::vector<CellLook> looks;    // rows 2..5 x columns 1..width
    std::vector<QString> texts;

    explicit TitleBlock(int w) : width(w), looks(size_t(4 * w)), texts(size_t(4 * w)) {
        for (CellLook& look : looks) {
            look.fill = true;
            look.centre = true;
            look.fontSize = SheetFontSize;
        }
        for (int c = 1; c <= width; ++c) At(TitleLastRow, c).bottom = true;
    }
    CellLook& At(int row, int column) { return looks[size_t((row - TitleFirstRow) * width + column - 1)]; }
    QString& Text(int row, int column) { return texts[size_t((row - TitleFirstRow) * width + column - 1)]; }
    void Borders(int row1, int row2, int column, bool left, bool right) {
        for (int r = row1; r <= row2; ++r) {
            if (left) At(r, column).left = true;
            if (right) At(r, column).right = true;
        }
    }
};

void FiveMinuteFixedTitles(TitleBlock& block) {
    block.Text(3, 1) = QStringLiteral("Дата");
    block.Borders(2, 5, 1, true, true);
    block.Text(3, 2) = QStringLiteral("Время");
    block.Borders(2, 5, 2, false, true);
}

void HourDayFixedTitles(TitleBlock& block) {
    for (int c = 1; c <= 3; ++c) block.At(4, c).top = true;
    block.Text(2, 1) = QStringLiteral("                            Начало");
    block.Text(2, 3) = QStringLiteral("Конец");
    block.Borders(2, 5, 3, true, true);
    block.Text(4, 1) = QStringLiteral("Дата");
    block.Borders(4, 5, 1, false, true);
    block.Text(4, 2) = QStringLiteral("Время");
    block.Text(4, 3) = QStringLiteral("Время");
    block.Borders(2, 4, 3, false, true);
}

}  // namespace

int WorkbookSheetWidth(const MeasurementTable& table) { return int(table.WorkbookColumns().size()); }

int WorkbookTitleWidth(const MeasurementTable& table) { return table.Chromatograph() ? 20 : 6; }

WorkbookStatus WriteMeasurementWorkbook(const QString& path, const MeasurementTable& table,
                                        const std::function<void()>& step) {
    auto advance = [&step] {
        if (step) step();
    };
    XlsxSheetWriter writer;
    const WorkbookStatus opened = writer.Open(path);
    if (opened != WorkbookStatus::Ok) return opened;
    advance();

    const QList<int> columns = table.WorkbookColumns();
    const int width = int(columns.size());
    const int titleWidth = WorkbookTitleWidth(table);
    const bool chrom = table.Chromatograph();

    // 1. Column widths.
    for (int c = 1; c <= width; ++c) {
        double w = ChromColumnWidth;
        if (!chrom) w = c == MoistureWideColumn ? MoistureWideColumnWidth : MoistureColumnWidth;
        writer.SetColumnWidth(c, w);
    }
    advance();

    // 2. The caption row.
    writer.SetRowHeight(CaptionRow, CaptionRowHeight);
    CellLook caption;
    caption.top = caption.bottom = true;
    caption.fontSize = CaptionFontSize;
    writer.WriteText(CaptionRow, 1, QLatin1String(CaptionIndent) + table.Caption(), caption);
    for (int c = 2; c <= titleWidth; ++c) writer.WriteBlank(CaptionRow, c, caption);
    advance();

    // 3..5. The title block.
    TitleBlock block(width);
    int firstValue = 3;
    if (table.FiveMinute()) {
        FiveMinuteFixedTitles(block);
        if (!chrom) {
            // The moisture meter's status column stands before the values.
            const QStringList lines = MoistureColumnTitle(true, 3);
            for (int r = 0; r < lines.size(); ++r) block.Text(TitleFirstRow + r, 3) = lines[r];
            block.Borders(2, 5, 3, false, true);
            firstValue = 4;
        }
    } else {
        HourDayFixedTitles(block);
        firstValue = 4;
    }
    for (int c = firstValue; c <= width; ++c) {
        const int index = c - firstValue;
        QStringList lines;
        if (chrom) {
            const int parameter = ChromColumnOrder[size_t(index)];
            lines = ChromWorkbookTitle(parameter);
            lines.append(GasUnit(parameter));
        } else {
            lines = MoistureValueTitle(index);
        }
        for (int r = 0; r < lines.size() && r < 4; ++r) block.Text(TitleFirstRow + r, c) = lines[r];
        block.Borders(2, 5, c, false, true);
    }
    advance();
    for (int r = TitleFirstRow; r <= TitleLastRow; ++r)
        for (int c = 1; c <= width; ++c) writer.WriteText(r, c, block.Text(r, c), block.At(r, c));
    advance();

    // 6, 7. Data rows and the average row.
    CellLook data;
    data.centre = true;
    data.fontSize = SheetFontSize;
    // A measured value is a number a spreadsheet can sum; what replaces
    // one stays text and never enters a sum.
    auto write = [&writer, &data](int row, int column, const std::optional<CellNumber>& number, const QString& text) {
        if (!number) {
            writer.WriteText(row, column, text, data);
            return;
        }
        CellLook look = data;
        look.decimals = number->decimals;
        look.quoteMark = number->substitute;
        writer.WriteNumber(row, column, number->value, look);
    };
    const qsizetype records = table.RecordCount();
    for (qsizetype i = 0; i < records; ++i) {
        const int row = int(FirstDataRow + i);
        for (int c = 0; c < width; ++c)
            write(row, c + 1, table.RecordNumber(i, columns[c]), table.RecordCell(i, columns[c]));
        advance();
    }
    if (chrom) {
        const int empty = int(FirstDataRow + records);
        for (int c = 1; c <= width; ++c) writer.WriteBlank(empty, c, data);
        for (int c = 0; c < width; ++c)
            write(empty + 1, c + 1, table.AverageNumber(columns[c]), table.AverageCell(columns[c]));
    }
    return writer.Close();
}

}  // namespace zmk
