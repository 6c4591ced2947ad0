// Exporting a year of 5-minute chromatograph records (105,120) to .xlsx:
//   (a) the program's export (WriteMeasurementWorkbook, the viewer's and
//       zmkctl's path) over a bare libxlsxwriter program writing the same
//       cells with the same looks from texts made beforehand; target <= 1.3;
//   (b) openpyxl in write-only mode writing the same cells
//       (bench/xlsx_openpyxl.py through /usr/bin/python3) over the program's
//       export; target >= 10.
// Usage: xlsx_bench [RECORDS (105120)] [--no-python]
#include <xlsxwriter.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

#include "YearOfRecords.h"
#include "measurements/MeasurementTable.h"
#include "measurements/Workbook.h"

using namespace zmk;

namespace {

constexpr int YearOfFiveMinuteRecords = 105120;
constexpr int Runs = 3;
constexpr double TargetBareRatio = 1.3;
constexpr double TargetPythonRatio = 10.0;
constexpr char SystemPython[] = "/usr/bin/python3";


// Every cell text of the sheet, row by row (rows 1..5 the caption and titles
// as plain texts of the same count, then data, empty and average rows).
struct SheetTexts {
    int width = 0;
    std::vector<QByteArray> rows;  // cells joined by '\t', UTF-8
};

SheetTexts MakeTexts(const MeasurementTable& table) {
    SheetTexts s;
    const QList<int> columns = table.WorkbookColumns();
    s.width = int(columns.size());
    s.rows.reserve(size_t(table.RecordCount() + 7));
    s.rows.push_back(("    " + table.Caption()).toUtf8());
    for (int r = 0; r < 4; ++r) {
        QStringList cells;
        for (int c = 0; c < s.width; ++c) cells << QStringLiteral("title");
        s.rows.push_back(cells.join(u'\t').toUtf8());
    }
    for (qsizetype i = 0; i < table.RecordCount(); ++i) {
        QStringList cells;
        for (int c : columns) cells << table.RecordCell(i, c);
        s.rows.push_back(cells.join(u'\t').toUtf8());
    }
    s.rows.push_back(QByteArray(s.width - 1, '\t'));
    QStringList average;
    for (int c : columns) average << table.AverageCell(c);
    s.rows.push_back(average.join(u'\t').toUtf8());
    return s;
}

// The bare program: the library's calls alone, the same options and looks.
bool BareWrite(const QString& path, const SheetTexts& s) {
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.use_zip64 = LXW_TRUE;
    lxw_workbook* book = workbook_new_opt(QFile::encodeName(path).constData(), &options);
    if (book == nullptr) return false;
    lxw_worksheet* sheet = workbook_add_worksheet(book, nullptr);
    lxw_format* caption = workbook_add_format(book);
    format_set_font_name(caption, "Times New Roman");
    format_set_font_size(caption, 12);
    format_set_top(caption, LXW_BORDER_THIN);
    format_set_bottom(caption, LXW_BORDER_THIN);
    lxw_format* title = workbook_add_format(book);
    format_set_font_name(title, "Times New Roman");
    format_set_font_size(title, 10);
    format_set_align(title, LXW_ALIGN_CENTER);
    format_set_pattern(title, LXW_PATTERN_SOLID);
    format_set_bg_color(title, 0xC0C0C0);
    format_set_right(title, LXW_BORDER_THIN);
    lxw_format* data = workbook_add_format(book);
    format_set_font_name(data, "Times New Roman");
    format_set_font_size(data, 10);
    format_set_align(data, LXW_ALIGN_CENTER);
    worksheet_set_column(sheet, 0, lxw_col_t(s.width - 1), 9, nullptr);
    worksheet_set_row(sheet, 0, 18, nullptr);
    std::vector<char> cell;
    for (size_t r = 0; r < s.rows.size(); ++r) {
        lxw_format* format = r == 0 ? caption : (r < 5 ? title : data);
        const QByteArray& row = s.rows[r];
        qsizetype from = 0;
        for (int c = 0; c < s.width; ++c) {
            from = std::min(from, row.size());
            qsizetype to = row.indexOf('\t', from);
            if (to < 0) to = row.size();
            cell.assign(row.constData() + from, row.constData() + to);
            cell.push_back('\0');
            if (cell.size() > 1)
                worksheet_write_string(sheet, lxw_row_t(r), lxw_col_t(c), cell.data(), format);
            else
                worksheet_write_blank(sheet, lxw_row_t(r), lxw_col_t(c), format);
            from = to + 1;
        }
    }
    return workbook_close(book) == LXW_NO_ERROR;
}

template <class F>
double Best(F run) {
    double best = 1e30;
    for (int i = 0; i < Runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        if (!run()) return -1;
        best = std::min(best, clock.nsecsElapsed() / 1e9);
    }
    return best;
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    int count = YearOfFiveMinuteRecords;
    bool python = true;
    for (int i = 1; i < argc; ++i) {
        if (QByteArray(argv[i]) == "--no-python") python = false;
        else count = std::max(1, std::atoi(argv[i]));
    }
    QTemporaryDir dir;
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    const MeasurementFileHeader header = BuildMeasurementFileHeader(
        ArchiveKind::ChromFiveMinute, values, 1, PackedDate{25, 1, 1, 0, 0, 0}, PackedDate{24, 1, 1, 0, 0, 0},
        PackedDate{24, 12, 31, 23, 55, 0}, uint32_t(count));
    ValueDecimals decimals;
    for (int& d : decimals.gas) d = 4;
    decimals.temperature = decimals.pressure = 4;
    const MeasurementTable table(header, YearOfRecords(count), decimals);

    const QString ours = dir.filePath(QStringLiteral("ours.xlsx"));
    const double oursSeconds = Best([&] { return WriteMeasurementWorkbook(ours, table) == WorkbookStatus::Ok; });
    const SheetTexts texts = MakeTexts(table);
    const QString bare = dir.filePath(QStringLiteral("bare.xlsx"));
    const double bareSeconds = Best([&] { return BareWrite(bare, texts); });
    if (oursSeconds < 0 || bareSeconds < 0) {
        std::fprintf(stderr, "writing a workbook failed\n");
        return 1;
    }
    const double ratio = oursSeconds / bareSeconds;
    std::printf("records                        %d (%d cells)\n", count, int(texts.rows.size()) * texts.width);
    std::printf("program's export               %.3f s  (%.1f MB)\n", oursSeconds,
                QFileInfo(ours).size() / 1048576.0);
    std::printf("bare libxlsxwriter             %.3f s  (%.1f MB)\n", bareSeconds,
                QFileInfo(bare).size() / 1048576.0);
    std::printf("export / bare                  %.2f   (target <= %.1f)  %s\n", ratio, TargetBareRatio,
                ratio <= TargetBareRatio ? "ok" : "MISSED");

    if (!python) return 0;
    const QString script = QStringLiteral(ZMK_BENCH_DIR "/xlsx_openpyxl.py");
    const QString tsv = dir.filePath(QStringLiteral("cells.tsv"));
    {
        QFile f(tsv);
        if (!f.open(QIODevice::WriteOnly)) return 1;
        for (const QByteArray& row : texts.rows) {
            f.write(row);
            f.write("\n");
        }
    }
    QProcess py;
    py.start(QLatin1String(SystemPython), {script, tsv, dir.filePath(QStringLiteral("openpyxl.xlsx"))});
    if (!py.waitForFinished(-1) || py.exitCode() != 0) {
        std::printf("openpyxl                       not run: %s\n", py.readAllStandardError().constData());
        return 0;
    }
    const double pySeconds = py.readAllStandardOutput().trimmed().toDouble();
    const double speedup = pySeconds / oursSeconds;
    std::printf("openpyxl write-only            %.3f s\n", pySeconds);
    std::printf("openpyxl / export              %.1fx  (target >= %.0fx)  %s\n", speedup, TargetPythonRatio,
                speedup >= TargetPythonRatio ? "ok" : "MISSED");
    return 0;
}
