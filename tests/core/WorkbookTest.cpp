// Measurement workbooks, read back with openpyxl (Debian's python3-openpyxl
// through /usr/bin/python3): titles, widths, fills, borders, fonts and the
// cells as the viewers show them (measured values as numbers in a format of
// the grid's decimals, everything else as text); a column summed by
// LibreOffice; and the failure outcomes.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <cmath>

#include "QtPrinters.h"
#include "measurements/MeasurementTable.h"
#include "measurements/Workbook.h"

using namespace zmk;

namespace {

constexpr char SystemPython[] = "/usr/bin/python3";

// Dumps every cell of the first sheet with its look, the column widths and
// the row heights as JSON.
constexpr char DumpScript[] = R"PY(
import json, sys
from openpyxl import load_workbook
wb = load_workbook(sys.argv[1])
ws = wb.active
cells = {}
for row in ws.iter_rows():
    for c in row:
        b = c.border
        fill = c.fill.fgColor.rgb if c.fill is not None and c.fill.fill_type == 'solid' else None
        cells[c.coordinate] = {
            'v': c.value,
            'num': c.data_type == 'n' and c.value is not None,
            'fmt': c.number_format,
            'font': [c.font.name, c.font.sz],
            'fill': fill if isinstance(fill, str) else None,
            'b': ''.join(k for k, s in (('l', b.left), ('r', b.right), ('t', b.top), ('b', b.bottom)) if s is not None and s.style == 'thin'),
            'h': c.alignment.horizontal,
        }
widths = {k: v.width for k, v in ws.column_dimensions.items() if v.width}
heights = {str(k): v.height for k, v in ws.row_dimensions.items() if v.height}
print(json.dumps({'cells': cells, 'widths': widths, 'heights': heights, 'max_row': ws.max_row, 'max_col': ws.max_column}))
)PY";

bool HaveOpenpyxl() {
    if (!QFileInfo::exists(QLatin1String(SystemPython))) return false;
    return QProcess::execute(QLatin1String(SystemPython), {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
}

QJsonObject Dump(const QString& path) {
    QProcess python;
    python.start(QLatin1String(SystemPython), {QStringLiteral("-c"), QLatin1String(DumpScript), path});
    if (!python.waitForFinished(60000) || python.exitCode() != 0) {
        ADD_FAILURE() << "openpyxl could not read " << path.toStdString() << ": "
                      << python.readAllStandardError().toStdString();
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}

struct Cell {
    QString value;  // text, or a number as its number format shows it
    bool number = false;
    double numberValue = 0;
    QString font;
    double size = 0;
    QString fill;
    QString borders;
    QString align;
};

// A number as a format "0", "0.00", ... with an optional \" after it shows it.
QString Shown(double value, const QString& format) {
    static const QRegularExpression fixed(QStringLiteral(R"(^0(?:\.(0+))?(\\")?$)"));
    const QRegularExpressionMatch m = fixed.match(format);
    if (!m.hasMatch()) return QStringLiteral("unexpected number format ") + format;
    return QString::number(value, 'f', int(m.capturedLength(1))) + (m.capturedLength(2) > 0 ? QStringLiteral("\"") : QString());
}

Cell At(const QJsonObject& dump, const QString& ref) {
    const QJsonObject c = dump[QStringLiteral("cells")].toObject()[ref].toObject();
    Cell cell;
    cell.number = c[QStringLiteral("num")].toBool();
    cell.numberValue = c[QStringLiteral("v")].toDouble();
    cell.value = cell.number ? Shown(cell.numberValue, c[QStringLiteral("fmt")].toString()) : c[QStringLiteral("v")].toString();
    cell.font = c[QStringLiteral("font")].toArray().at(0).toString();
    cell.size = c[QStringLiteral("font")].toArray().at(1).toDouble();
    cell.fill = c[QStringLiteral("fill")].toString();
    cell.borders = c[QStringLiteral("b")].toString();
    cell.align = c[QStringLiteral("h")].toString();
    return cell;
}

QString Ref(int row, int column) { return QString(QChar(u'A' + column - 1)) + QString::number(row); }

double Width(const QJsonObject& dump, int column) {
    return dump[QStringLiteral("widths")].toObject()[QString(QChar(u'A' + column - 1))].toDouble();
}

// A data cell against the grid's text: a measured value is a number whose
// format shows the grid's text (its alignment blanks aside); anything else
// is the grid's text itself.
void ExpectShows(const Cell& cell, const QString& grid, bool number, int row, int column) {
    EXPECT_EQ(cell.number, number) << row << "," << column << " " << grid.toStdString();
    EXPECT_EQ(cell.value, number ? grid.trimmed() : grid) << row << "," << column;
}

// Test records ------------------------------------------------------------

PackedDate Date(int y, int mo, int d, int h, int mi) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), 0};
}

std::array<float, 20> Gas(float base) {
    std::array<float, 20> v{};
    for (int i = 0; i < 20; ++i) v[size_t(i)] = base + 0.5f * float(i);
    v[GasCH4] = 90.0f + base;
    return v;
}

QByteArray Chrom(ArchiveKind kind, const PackedDate& date, uint8_t status, const std::array<float, 20>& v) {
    const bool five = kind == ArchiveKind::ChromFiveMinute;
    QByteArray r(RecordSize(kind), '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    if (five) {
        p[6] = status;
    } else {
        p[6] = uint8_t(date.Hour + 1);
        p[9] = status;
    }
    const int values = five ? 11 : 10;
    for (int i = 0; i < 20; ++i) PutFloat(p + values + 4 * i, v[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray Moist(const PackedDate& date, uint8_t endHour, uint8_t status, std::array<float, 4> v) {
    QByteArray r(MoistureHourDayRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = endHour;
    p[9] = status;
    for (int i = 0; i < 4; ++i) PutFloat(p + 10 + 4 * i, v[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

ValueDecimals Decimals() {
    ValueDecimals d;
    for (int& g : d.gas) g = 3;
    d.temperature = 1;
    d.pressure = 2;
    return d;
}

MeasurementTable Table(ArchiveKind kind, const QList<QByteArray>& records) {
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    QByteArray bytes;
    for (const QByteArray& r : records) bytes += r;
    const MeasurementFileHeader header = BuildMeasurementFileHeader(
        kind, values, 3, Date(24, 5, 6, 7, 8), Date(24, 3, 1, 0, 0), Date(24, 3, 2, 0, 0), uint32_t(records.size()));
    return MeasurementTable(header, RecordStore(kind, bytes), Decimals());
}

// Temporary files left beside the targets (they are named "<target>.tmp…").
QStringList TemporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.tmp*")}, QDir::Files | QDir::Hidden);
}

class Workbook : public ::testing::Test {
protected:
    void SetUp() override {
        if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed for /usr/bin/python3";
        ASSERT_TRUE(dir_.isValid());
    }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    // Writes the table and checks the steps of the wait window.
    QJsonObject WriteAndRead(const MeasurementTable& table, const QString& name) {
        int steps = 0;
        EXPECT_EQ(WriteMeasurementWorkbook(Path(name), table, [&steps] { ++steps; }), WorkbookStatus::Ok);
        EXPECT_EQ(steps, table.RecordCount() + 5);
        EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());
        return Dump(Path(name));
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(Workbook, ChromatographFiveMinuteSheet) {
    const ArchiveKind kind = ArchiveKind::ChromFiveMinute;
    QByteArray damaged = Chrom(kind, Date(24, 3, 1, 0, 15), 0, Gas(9));
    damaged[30] = char(damaged[30] ^ 1);
    const MeasurementTable table = Table(kind, {Chrom(kind, Date(24, 3, 1, 0, 5), 0, Gas(1)),
                                                Chrom(kind, Date(24, 3, 1, 0, 10), 0x02, Gas(2)),
                                                damaged, Chrom(kind, Date(24, 3, 1, 0, 20), 0, Gas(3))});
    const QJsonObject dump = WriteAndRead(table, QStringLiteral("five.xlsx"));
    ASSERT_FALSE(dump.isEmpty());

    // Sheet width 20 columns of 9 characters.
    EXPECT_EQ(dump[QStringLiteral("max_col")].toInt(), 20);
    for (int c = 1; c <= 20; ++c) EXPECT_NEAR(Width(dump, c), 9.0, 0.8) << c;
    // Row 1: the caption with four leading blanks, 12 pt, top and bottom borders over A..T.
    const Cell a1 = At(dump, QStringLiteral("A1"));
    EXPECT_EQ(a1.value, QStringLiteral("    ") + table.Caption());
    EXPECT_EQ(a1.font, QStringLiteral("Times New Roman"));
    EXPECT_EQ(a1.size, 12);
    EXPECT_NE(a1.align, QStringLiteral("center"));
    for (int c = 1; c <= 20; ++c) EXPECT_EQ(At(dump, Ref(1, c)).borders, QStringLiteral("tb")) << c;
    EXPECT_DOUBLE_EQ(dump[QStringLiteral("heights")].toObject()[QStringLiteral("1")].toDouble(), 18.0);

    // Rows 2..5: grey, centred, 10 pt; a line under row 5; fixed titles.
    for (int r = 2; r <= 5; ++r)
        for (int c = 1; c <= 20; ++c) {
            const Cell cell = At(dump, Ref(r, c));
            EXPECT_EQ(cell.fill, QStringLiteral("FFC0C0C0")) << r << "," << c;
            EXPECT_EQ(cell.align, QStringLiteral("center"));
            EXPECT_EQ(cell.size, 10);
            EXPECT_EQ(cell.borders.contains(u'b'), r == 5) << r << "," << c;
            EXPECT_TRUE(cell.borders.contains(u'r')) << r << "," << c;  // every column closes on the right
        }
    EXPECT_EQ(At(dump, QStringLiteral("A3")).value, QStringLiteral("Дата"));
    EXPECT_EQ(At(dump, QStringLiteral("B3")).value, QStringLiteral("Время"));
    EXPECT_EQ(At(dump, QStringLiteral("A4")).borders, QStringLiteral("lr"));
    EXPECT_EQ(At(dump, QStringLiteral("B2")).borders, QStringLiteral("r"));
    // Parameter titles in the viewer's column order: column K is methane,
    // column M (the 12th value) is "C6+" with its empty third line.
    EXPECT_EQ(At(dump, QStringLiteral("K2")).value, QStringLiteral("МД"));
    EXPECT_EQ(At(dump, QStringLiteral("K3")).value, QStringLiteral("метана,"));
    EXPECT_EQ(At(dump, QStringLiteral("K5")).value, QStringLiteral("%"));
    EXPECT_EQ(At(dump, QStringLiteral("C2")).value, QStringLiteral("Сум. МД"));
    EXPECT_EQ(At(dump, QStringLiteral("C4")).value, QStringLiteral("и б.т.с.,"));
    EXPECT_EQ(At(dump, QStringLiteral("N3")).value, QStringLiteral("гексана"));
    EXPECT_EQ(At(dump, QStringLiteral("N4")).value, QString());
    EXPECT_EQ(At(dump, QStringLiteral("R2")).value, QStringLiteral("Удельная"));
    EXPECT_EQ(At(dump, QStringLiteral("R5")).value, QStringLiteral("МДж/м3"));
    EXPECT_EQ(At(dump, QStringLiteral("T5")).value, QStringLiteral("°С"));

    // Data rows: the grid's texts, blanks included; then an empty row and the averages.
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 20; ++c) {
            const Cell cell = At(dump, Ref(6 + r, c + 1));
            ExpectShows(cell, table.RecordCell(r, c), table.RecordNumber(r, c).has_value(), r, c);
            if (!cell.value.isEmpty()) {
                EXPECT_EQ(cell.align, QStringLiteral("center"));
                EXPECT_EQ(cell.size, 10);
                EXPECT_EQ(cell.font, QStringLiteral("Times New Roman"));
                EXPECT_TRUE(cell.fill.isEmpty());
            }
        }
    EXPECT_EQ(At(dump, QStringLiteral("C7")).value, QStringLiteral(" ---"));
    EXPECT_EQ(At(dump, QStringLiteral("B8")).value, QStringLiteral("     Данные"));
    EXPECT_EQ(At(dump, QStringLiteral("C8")).value, QStringLiteral("недостов."));
    EXPECT_EQ(At(dump, QStringLiteral("K6")).value, QStringLiteral("91.000"));
    EXPECT_FALSE(At(dump, QStringLiteral("C7")).number);
    for (int c = 1; c <= 20; ++c) EXPECT_EQ(At(dump, Ref(10, c)).value, QString());
    EXPECT_EQ(At(dump, QStringLiteral("A11")).value, QStringLiteral(" Среднее"));
    EXPECT_EQ(At(dump, QStringLiteral("B11")).value, QStringLiteral(" значение"));
    EXPECT_EQ(At(dump, QStringLiteral("K11")).value, QStringLiteral("92.000"));
    EXPECT_TRUE(At(dump, QStringLiteral("K11")).number);
    EXPECT_EQ(dump[QStringLiteral("max_row")].toInt(), 11);
}

TEST_F(Workbook, HourlyTitlesOfBothAnalysers) {
    const MeasurementTable chrom =
        Table(ArchiveKind::ChromHour, {Chrom(ArchiveKind::ChromHour, Date(24, 3, 1, 5, 0), 0x10, Gas(1))});
    const MeasurementTable moist = Table(ArchiveKind::MoistureHour,
                                         {Moist(Date(24, 3, 1, 5, 0), 6, 0, {-10.04f, -3.0f, 45.678f, -20.0f}),
                                          Moist(Date(24, 3, 1, 6, 0), 7, 0x02, {1, 2, 3, 4})});
    struct Expect {
        const MeasurementTable* table;
        int width;
    };
    for (const Expect& e : {Expect{&chrom, 21}, Expect{&moist, 7}}) {
        SCOPED_TRACE(e.width);
        const QJsonObject dump = WriteAndRead(*e.table, QStringLiteral("hour%1.xlsx").arg(e.width));
        ASSERT_FALSE(dump.isEmpty());
        EXPECT_EQ(dump[QStringLiteral("max_col")].toInt(), e.width);
        EXPECT_EQ(At(dump, QStringLiteral("A2")).value, QStringLiteral("                            Начало"));
        EXPECT_EQ(At(dump, QStringLiteral("C2")).value, QStringLiteral("Конец"));
        EXPECT_EQ(At(dump, QStringLiteral("A4")).value, QStringLiteral("Дата"));
        EXPECT_EQ(At(dump, QStringLiteral("B4")).value, QStringLiteral("Время"));
        EXPECT_EQ(At(dump, QStringLiteral("C4")).value, QStringLiteral("Время"));
        EXPECT_EQ(At(dump, QStringLiteral("A4")).borders, QStringLiteral("rt"));
        EXPECT_EQ(At(dump, QStringLiteral("B4")).borders, QStringLiteral("t"));
        EXPECT_EQ(At(dump, QStringLiteral("C3")).borders, QStringLiteral("lr"));
        EXPECT_EQ(At(dump, QStringLiteral("C4")).borders, QStringLiteral("lrt"));
        EXPECT_EQ(At(dump, QStringLiteral("C5")).borders, QStringLiteral("lrb"));
        EXPECT_EQ(At(dump, QStringLiteral("A5")).borders, QStringLiteral("rb"));
        EXPECT_EQ(At(dump, QStringLiteral("B2")).borders, QString());
        // The caption range: 20 columns (chromatograph) or 6 (moisture meter).
        const int title = e.table->Chromatograph() ? 20 : 6;
        EXPECT_EQ(At(dump, Ref(1, title)).borders, QStringLiteral("tb"));
        if (title < e.width) {
            EXPECT_EQ(At(dump, Ref(1, title + 1)).borders, QString());
        }
        const QList<int> columns = e.table->WorkbookColumns();
        for (int r = 0; r < e.table->RecordCount(); ++r)
            for (int c = 0; c < e.width; ++c)
                ExpectShows(At(dump, Ref(6 + r, c + 1)), e.table->RecordCell(r, columns[c]),
                            e.table->RecordNumber(r, columns[c]).has_value(), r, c);
    }
    const QJsonObject dump = Dump(Path(QStringLiteral("hour7.xlsx")));
    // Moisture meter: widths 10 and 13 for column G; values from column D,
    // four-line titles; the controller status column is left out.
    for (int c = 1; c <= 6; ++c) EXPECT_NEAR(Width(dump, c), 10.0, 0.8) << c;
    EXPECT_NEAR(Width(dump, 7), 13.0, 0.8);
    EXPECT_EQ(At(dump, QStringLiteral("D2")).value, QStringLiteral("Т т.росы"));
    EXPECT_EQ(At(dump, QStringLiteral("D3")).value, QStringLiteral("WDP"));
    EXPECT_EQ(At(dump, QStringLiteral("F5")).value, QStringLiteral("bar"));
    EXPECT_EQ(At(dump, QStringLiteral("G2")).value, QStringLiteral("Прив. Т т.росы"));
    EXPECT_EQ(At(dump, QStringLiteral("D6")).value, QStringLiteral("-10.0"));
    EXPECT_EQ(At(dump, QStringLiteral("F6")).value, QStringLiteral("45.68"));
    EXPECT_DOUBLE_EQ(At(dump, QStringLiteral("F6")).numberValue, 45.68);  // the value as shown, not the float's tail
    EXPECT_EQ(At(dump, QStringLiteral("D7")).value, QStringLiteral("  Выкл."));
    EXPECT_FALSE(At(dump, QStringLiteral("D7")).number);
    EXPECT_EQ(dump[QStringLiteral("max_row")].toInt(), 7);  // no average row
    // The chromatograph hourly sheet: values with the substitute mark.
    const QJsonObject chromDump = Dump(Path(QStringLiteral("hour21.xlsx")));
    EXPECT_EQ(At(chromDump, QStringLiteral("L6")).value, QStringLiteral("91.000\""));
    EXPECT_TRUE(At(chromDump, QStringLiteral("L6")).number);
    EXPECT_EQ(At(chromDump, QStringLiteral("B8")).value, QStringLiteral(" Среднее"));
    EXPECT_EQ(At(chromDump, QStringLiteral("L8")).value, QStringLiteral("91.000"));
}

TEST_F(Workbook, FailuresKeepTheTargetAndLeaveNoTemporaryFile) {
    const MeasurementTable table = Table(ArchiveKind::ChromDay, {});
    // A folder that does not exist: the workbook cannot even be started.
    const QString missing = Path(QStringLiteral("no/such/folder/book.xlsx"));
    EXPECT_EQ(WriteMeasurementWorkbook(missing, table), WorkbookStatus::CannotCreate);
    EXPECT_FALSE(QFileInfo::exists(missing));
    EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());
    const FileMessage cannot = WorkbookMessage(WorkbookStatus::CannotCreate, missing);
    EXPECT_EQ(int(cannot.kind), 1);
    EXPECT_EQ(cannot.first, QStringLiteral("Невозможно создать книгу Excel!"));

    // The target name is taken by a folder: writing ends in a file error and
    // the folder is untouched.
    const QString taken = Path(QStringLiteral("taken.xlsx"));
    ASSERT_TRUE(QDir().mkpath(taken + QStringLiteral("/inside")));
    EXPECT_EQ(WriteMeasurementWorkbook(taken, table), WorkbookStatus::FileError);
    EXPECT_TRUE(QFileInfo(taken + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());
    const FileMessage error = WorkbookMessage(WorkbookStatus::FileError, taken);
    EXPECT_EQ(int(error.kind), 1);
    EXPECT_EQ(error.first, QStringLiteral("Ошибка работы с файлом!"));

    // An existing workbook is replaced whole.
    const QString book = Path(QStringLiteral("old.xlsx"));
    {
        QFile old(book);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("not a workbook");
    }
    EXPECT_EQ(WriteMeasurementWorkbook(book, table), WorkbookStatus::Ok);
    EXPECT_EQ(At(Dump(book), QStringLiteral("A1")).value, QStringLiteral("    ") + table.Caption());
    const FileMessage ok = WorkbookMessage(WorkbookStatus::Ok, book);
    EXPECT_EQ(int(ok.kind), 6);
    EXPECT_EQ(ok.first, QStringLiteral("Данные сохранены в файле old.xlsx"));
}

namespace {

// Adds a row of SUM formulas over rows `first`..`last` of every column to a
// copy of the workbook (openpyxl), lets LibreOffice compute it and returns
// the sums as LibreOffice's CSV shows them (empty when LibreOffice is
// missing or fails).
constexpr char AddSumsScript[] = R"PY(
import sys
from openpyxl import load_workbook
from openpyxl.utils import get_column_letter
wb = load_workbook(sys.argv[1])
ws = wb.active
first, last, row = int(sys.argv[3]), int(sys.argv[4]), ws.max_row + 2
for c in range(1, ws.max_column + 1):
    col = get_column_letter(c)
    ws.cell(row=row, column=c).value = '=SUM(%s%d:%s%d)' % (col, first, col, last)
wb.save(sys.argv[2])
)PY";

QStringList LibreOfficeSums(const QString& book, const QString& folder, int first, int last) {
    const QString office = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (office.isEmpty()) return {};
    const QString sums = QDir(folder).filePath(QStringLiteral("sums.xlsx"));
    if (QProcess::execute(QLatin1String(SystemPython),
                          {QStringLiteral("-c"), QLatin1String(AddSumsScript), book, sums, QString::number(first),
                           QString::number(last)}) != 0)
        return {};
    QProcess lo;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("HOME"), folder);  // a profile of its own, away from any running office
    lo.setProcessEnvironment(env);
    lo.start(office, {QStringLiteral("--headless"), QStringLiteral("--convert-to"), QStringLiteral("csv"),
                      QStringLiteral("--outdir"), folder, sums});
    if (!lo.waitForFinished(180000) || lo.exitCode() != 0) return {};
    QFile csv(QDir(folder).filePath(QStringLiteral("sums.csv")));
    if (!csv.open(QIODevice::ReadOnly)) return {};
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n', Qt::SkipEmptyParts);
    return lines.isEmpty() ? QStringList() : lines.constLast().trimmed().split(u',');
}

}  // namespace

TEST_F(Workbook, MeasuredValuesAreNumbersThatASpreadsheetSums) {
    const ArchiveKind kind = ArchiveKind::ChromHour;
    QByteArray damaged = Chrom(kind, Date(24, 3, 1, 3, 0), 0, Gas(4));
    damaged[30] = char(damaged[30] ^ 1);
    std::array<float, 20> odd = Gas(2);
    odd[GasN2] = 1.23449f;  // shown with 3 decimals as 1.234
    const MeasurementTable table = Table(kind, {Chrom(kind, Date(24, 3, 1, 0, 0), 0, Gas(1)),
                                                Chrom(kind, Date(24, 3, 1, 1, 0), 0x10, odd),
                                                Chrom(kind, Date(24, 3, 1, 2, 0), 0x02, Gas(3)), damaged});
    const QString book = Path(QStringLiteral("sum.xlsx"));
    const QJsonObject dump = WriteAndRead(table, QStringLiteral("sum.xlsx"));
    ASSERT_FALSE(dump.isEmpty());

    // The expected sums: the values as the grid shows them, of the valid
    // records only (" ---", "недостов." and the hidden "C6+" are text).
    std::vector<double> expected(21, 0.0);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 21; ++c)
            if (const auto n = table.RecordNumber(r, c)) expected[size_t(c)] += n->value;
    const int methane = table.FirstValueColumn() + 8;
    EXPECT_DOUBLE_EQ(expected[size_t(methane)], 91.0 + 92.0);
    EXPECT_DOUBLE_EQ(expected[size_t(table.FirstValueColumn() + 7)], double(Gas(1)[GasN2]) + 1.234);  // the shown 1.234, not 1.23449

    // Substitute values keep their mark through the number format.
    EXPECT_EQ(At(dump, Ref(7, methane + 1)).value, QStringLiteral("92.000\""));
    EXPECT_EQ(At(dump, Ref(6, methane + 1)).value, QStringLiteral("91.000"));

    const QStringList sums = LibreOfficeSums(book, dir_.path(), 6, 9);
    if (QStandardPaths::findExecutable(QStringLiteral("soffice")).isEmpty())
        GTEST_SKIP() << "LibreOffice (libreoffice-calc-nogui) is not installed";
    ASSERT_EQ(sums.size(), 21) << sums.join(u',').toStdString();
    for (int c = 0; c < 21; ++c) {
        bool ok = false;
        const double sum = sums[c].toDouble(&ok);
        ASSERT_TRUE(ok) << c << " " << sums[c].toStdString();
        EXPECT_NEAR(sum, expected[size_t(c)], 1e-9) << c;
    }
}

TEST_F(Workbook, CalibrationAndMoistureReplacementsStayText) {
    const ArchiveKind five = ArchiveKind::ChromFiveMinute;
    const MeasurementTable chrom = Table(five, {Chrom(five, Date(24, 3, 1, 0, 5), 0x80, Gas(1))});
    const QJsonObject chromDump = WriteAndRead(chrom, QStringLiteral("calibration.xlsx"));
    ASSERT_FALSE(chromDump.isEmpty());
    for (int c = chrom.FirstValueColumn(); c < chrom.ColumnCount(); ++c) {
        const Cell cell = At(chromDump, Ref(6, c + 1));
        EXPECT_FALSE(cell.number) << c;
        EXPECT_EQ(cell.value, QStringLiteral(" 0")) << c;
    }

    // Moisture meter: switched off, no link, a value that cannot be shown.
    const MeasurementTable moist =
        Table(ArchiveKind::MoistureHour, {Moist(Date(24, 3, 1, 5, 0), 6, 0x02, {1, 2, 3, 4}),
                                          Moist(Date(24, 3, 1, 6, 0), 7, 0x04, {1, 2, 3, 4}),
                                          Moist(Date(24, 3, 1, 7, 0), 8, 0, {NAN, 2.26f, 3, 4})});
    const QJsonObject moistDump = WriteAndRead(moist, QStringLiteral("moist.xlsx"));
    ASSERT_FALSE(moistDump.isEmpty());
    const QString texts[3][2] = {{QStringLiteral("  Выкл."), QStringLiteral("  Выкл.")},
                                 {QStringLiteral("      --"), QStringLiteral("      --")},
                                 {QStringLiteral("  ?"), QStringLiteral("2.3")}};
    for (int r = 0; r < 3; ++r)
        for (int v = 0; v < 2; ++v) {
            const Cell cell = At(moistDump, Ref(6 + r, 4 + v));
            EXPECT_EQ(cell.value, texts[r][v]) << r << "," << v;
            EXPECT_EQ(cell.number, r == 2 && v == 1) << r << "," << v;
        }
}
