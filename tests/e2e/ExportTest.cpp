// "zmkctl export-xlsx": a saved measurement file becomes the viewer's
// workbook; read back with openpyxl and opened by LibreOffice in headless mode.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimProcess.h"
#include "measurements/MeasurementFile.h"
#include "measurements/MeasurementTable.h"

using namespace zmk;

namespace {

constexpr char SystemPython[] = "/usr/bin/python3";
constexpr int ExportRecords = 30;

// Prints the cells of one row of the first sheet, tab-separated: a text as
// it is, a number as "n:" and what its number format shows ("0.00", with \"
// after it for a quote mark).
constexpr char RowScript[] = R"PY(
import re, sys
from openpyxl import load_workbook
ws = load_workbook(sys.argv[1]).active
row = int(sys.argv[2])
def shown(c):
    if c.value is None:
        return ''
    if c.data_type != 'n':
        return str(c.value)
    m = re.match(r'^0(?:\.(0+))?(\\")?$', c.number_format)
    if not m:
        return 'n:format ' + c.number_format
    return 'n:' + ('%.*f' % (len(m.group(1) or ''), c.value)) + ('"' if m.group(2) else '')
sys.stdout.write('\t'.join(shown(c) for c in ws[row]))
)PY";

// What RowScript prints for a grid cell: a measured value as a number
// showing the grid's text without its alignment blanks, anything else as text.
QString Shown(const QString& grid, const std::optional<CellNumber>& number) {
    return number ? QStringLiteral("n:") + grid.trimmed() : grid;
}

PackedDate Date(int y, int mo, int d, int h, int mi) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), 0};
}

// Hourly chromatograph records for 01.03.24 from 00:00, every fourth with
// a substitute value, every seventh from a time the controller was off.
RecordStore HourlyRecords(int count) {
    RecordStore store(ArchiveKind::ChromHour);
    for (int i = 0; i < count; ++i) {
        uint8_t r[ChromHourDayRecordSize] = {};
        Date(24, 3, 1 + i / 24, i % 24, 0).ToBytes(r);
        r[6] = uint8_t((i + 1) % 24);
        r[9] = i % 7 == 6 ? 0x02 : (i % 4 == 3 ? 0x10 : 0x00);
        for (int p = 0; p < 20; ++p) PutFloat(r + 10 + 4 * p, 0.123456f * float(p + 1) + float(i));
        PutFloat(r + 10 + 4 * GasCH4, 90.5f + 0.01f * float(i));
        SealRecord(r, ChromHourDayRecordSize);
        store.Append(r);
    }
    return store;
}

MeasurementFileHeader HourlyHeader(int count, uint8_t chromType = ServedChromatographType) {
    HeaderTableValues values;
    values.chromatographType = chromType;
    return BuildMeasurementFileHeader(ArchiveKind::ChromHour, values, 12, Date(24, 4, 1, 9, 30),
                                      Date(24, 3, 1, 0, 0), Date(24, 3, 2, 23, 0), uint32_t(count));
}

struct CtlRun {
    int code = -1;
    QString out;
    QString err;
};

class Export : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(home_.isValid());
        QDir(home_.path()).mkpath(QStringLiteral("INI"));
    }

    CtlRun Zmkctl(const QStringList& args) {
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZMK_HOME"), home_.path());
        ctl.setProcessEnvironment(env);
        ctl.start(CtlPath(), args);
        CtlRun run;
        if (!ctl.waitForFinished(120000)) return run;
        run.code = ctl.exitCode();
        run.out = QString::fromUtf8(ctl.readAllStandardOutput());
        run.err = QString::fromUtf8(ctl.readAllStandardError());
        return run;
    }

    QStringList SheetRow(const QString& book, int row) {
        QProcess python;
        python.start(QLatin1String(SystemPython),
                     {QStringLiteral("-c"), QLatin1String(RowScript), book, QString::number(row)});
        if (!python.waitForFinished(60000) || python.exitCode() != 0) {
            ADD_FAILURE() << python.readAllStandardError().toStdString();
            return {};
        }
        return QString::fromUtf8(python.readAllStandardOutput()).split(u'\t');
    }

    QString Path(const QString& name) const { return QDir(home_.path()).filePath(name); }

    QTemporaryDir home_;
};

bool HaveOpenpyxl() {
    return QFileInfo::exists(QLatin1String(SystemPython)) &&
           QProcess::execute(QLatin1String(SystemPython), {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
}

}  // namespace

TEST_F(Export, WorkbookHoldsTheViewerTextsWithTheConfiguredDecimals) {
    if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed for /usr/bin/python3";
    // Components with 2 decimals, calorific value 1; everything else 4.
    QByteArray format(32, char(4));
    format[0] = 2;
    format[7] = 1;
    {
        QFile ini(Path(QStringLiteral("INI/rep_format.ini")));
        ASSERT_TRUE(ini.open(QIODevice::WriteOnly));
        ini.write(format);
    }
    const RecordStore records = HourlyRecords(ExportRecords);
    const MeasurementFileHeader header = HourlyHeader(ExportRecords);
    const QString file = Path(QStringLiteral("data.hch"));
    ASSERT_TRUE(WriteMeasurementFile(file, header, records));

    const QString book = Path(QStringLiteral("book.xlsx"));
    const CtlRun run = Zmkctl({QStringLiteral("export-xlsx"), file, QStringLiteral("-o"), book});
    ASSERT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("30 records")));

    ValueDecimals decimals;
    for (int& d : decimals.gas) d = 2;
    decimals.gas[GasHs] = decimals.gas[GasHi] = 1;
    decimals.gas[GasDe] = decimals.gas[GasWobbe] = decimals.gas[GasT] = 4;
    decimals.temperature = decimals.pressure = 4;
    const MeasurementTable expected(header, records, decimals);
    EXPECT_EQ(SheetRow(book, 1).value(0), QStringLiteral("    ") + expected.Caption());
    for (int r : {0, 3, 6, ExportRecords - 1}) {
        const QStringList row = SheetRow(book, 6 + r);
        ASSERT_EQ(row.size(), 21);
        for (int c = 0; c < 21; ++c) EXPECT_EQ(row[c], Shown(expected.RecordCell(r, c), expected.RecordNumber(r, c))) << r << "," << c;
    }
    // A substitute value: a number that keeps its mark; a record of a time
    // the controller was off: text.
    EXPECT_EQ(SheetRow(book, 6 + 3).value(11), QStringLiteral("n:") + expected.RecordCell(3, 11).trimmed());
    EXPECT_TRUE(expected.RecordCell(3, 11).endsWith(u'"'));
    EXPECT_EQ(SheetRow(book, 6 + 6).value(11), QStringLiteral(" ---"));
    const QStringList average = SheetRow(book, 6 + ExportRecords + 1);
    for (int c = 0; c < 21; ++c) EXPECT_EQ(average.value(c), Shown(expected.AverageCell(c), expected.AverageNumber(c))) << c;
}

TEST_F(Export, RefusesForeignAndDamagedFilesAndBadArguments) {
    const QString book = Path(QStringLiteral("never.xlsx"));
    // A chromatograph type other than 4 is refused like the viewer refuses it.
    const QString foreign = Path(QStringLiteral("foreign.hch"));
    ASSERT_TRUE(WriteMeasurementFile(foreign, HourlyHeader(3, 2), HourlyRecords(3)));
    CtlRun run = Zmkctl({QStringLiteral("export-xlsx"), foreign, QStringLiteral("-o"), book});
    EXPECT_EQ(run.code, 1);
    EXPECT_TRUE(run.err.contains(QStringLiteral("не является файлом"))) << run.err.toStdString();
    // Not a measurement file at all.
    const QString junk = Path(QStringLiteral("junk.hch"));
    {
        QFile f(junk);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("0123456789");
    }
    run = Zmkctl({QStringLiteral("export-xlsx"), junk, QStringLiteral("-o"), book});
    EXPECT_EQ(run.code, 1);
    run = Zmkctl({QStringLiteral("export-xlsx"), Path(QStringLiteral("missing.hch")), QStringLiteral("-o"), book});
    EXPECT_EQ(run.code, 1);
    run = Zmkctl({QStringLiteral("export-xlsx"), foreign});
    EXPECT_EQ(run.code, 2);
    EXPECT_FALSE(QFileInfo::exists(book));

    // A cut file: the records present are exported, the shortfall reported.
    const QString cut = Path(QStringLiteral("cut.hch"));
    ASSERT_TRUE(WriteMeasurementFile(cut, HourlyHeader(5), HourlyRecords(5)));
    {
        QFile f(cut);
        ASSERT_TRUE(f.resize(MeasurementFileHeader::Size + 3 * ChromHourDayRecordSize + 10));
    }
    run = Zmkctl({QStringLiteral("export-xlsx"), cut, QStringLiteral("-o"), book});
    EXPECT_EQ(run.code, 0) << run.err.toStdString();
    EXPECT_TRUE(run.out.contains(QStringLiteral("3 records")));
    EXPECT_TRUE(run.err.contains(QStringLiteral("2 records")));
}

TEST_F(Export, LibreOfficeOpensTheWorkbook) {
    QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) soffice = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed: cannot check the workbook with it";
    const QString file = Path(QStringLiteral("lo.hch"));
    const RecordStore records = HourlyRecords(4);
    ASSERT_TRUE(WriteMeasurementFile(file, HourlyHeader(4), records));
    const QString book = Path(QStringLiteral("lo.xlsx"));
    ASSERT_EQ(Zmkctl({QStringLiteral("export-xlsx"), file, QStringLiteral("-o"), book}).code, 0);

    const QString out = Path(QStringLiteral("csv"));
    QProcess lo;
    lo.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + Path(QStringLiteral("lo-profile")),
                       QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                       QStringLiteral("csv:Text - txt - csv (StarCalc):9,34,76"), QStringLiteral("--outdir"), out,
                       book});
    ASSERT_TRUE(lo.waitForFinished(180000)) << "LibreOffice did not finish";
    QFile csv(QDir(out).filePath(QStringLiteral("lo.csv")));
    ASSERT_TRUE(csv.open(QIODevice::ReadOnly)) << lo.readAllStandardError().toStdString();
    const QStringList lines = QString::fromUtf8(csv.readAll()).split(u'\n');
    ASSERT_GE(lines.size(), 6 + 4);
    EXPECT_TRUE(lines[0].contains(QStringLiteral("Часовые данные хроматографа за период с 01.03.24  00ч")))
        << lines[0].toStdString();
    const QStringList row = lines[6].split(u'\t');  // row 7 of the sheet: the second record
    ASSERT_GE(row.size(), 3);
    EXPECT_EQ(row[1], QStringLiteral(" 01:00:00"));
    EXPECT_EQ(row[2], QStringLiteral(" 02:00:00"));
}
