// Passport workbooks filled into the templates the build makes, read back
// with openpyxl (Debian's python3-openpyxl through /usr/bin/python3): the
// values as written, the template's styles and merged cells kept, a damaged
// template refused with the output left as it was, and LibreOffice opening
// the result.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "PassportRecords.h"
#include "common/CheckedFile.h"
#include "reports/PassportWorkbook.h"

using namespace zmk;
using namespace passport_test;

namespace {

constexpr char SystemPython[] = "/usr/bin/python3";

// The cells with values, the merged ranges, the styles part and the styles of
// every cell of a workbook's active sheet.
constexpr char DumpScript[] = R"PY(
import json, sys, zipfile
import openpyxl
path = sys.argv[1]
wb = openpyxl.load_workbook(path)
ws = wb.active
cells = {}
styles = {}
for row in ws.iter_rows():
    for c in row:
        if c.value is not None:
            cells[c.coordinate] = c.value
        styles[c.coordinate] = [c.number_format, c.font.name, c.font.b, c.border.left.style, c.alignment.horizontal]
with zipfile.ZipFile(path) as z:
    styles_part = z.read('xl/styles.xml').decode('utf-8')
print(json.dumps({'cells': cells, 'merged': sorted(str(r) for r in ws.merged_cells.ranges),
                  'styles': styles, 'styles_part': styles_part, 'title': ws.title}))
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

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

PassportData DailyData(int records) {
    PassportData d;
    d.Kind = PassportKind::Daily;
    d.Chosen = PackedDate{26, 12, 8, 10, 0, 0};
    d.Chrom = RecordStore(ArchiveKind::ChromHour);
    d.Moisture = RecordStore(ArchiveKind::MoistureHour);
    for (int j = 0; j < records; ++j) {
        const int day = 8 + (10 + j) / 24, hour = (10 + j) % 24;
        const QByteArray c = ChromRecord(26, 12, day, hour, j == 2 ? 0x02 : 0, {{GasHs, 37.123f}});
        const QByteArray m = MoistureRecord(26, 12, day, hour, 0, {{MoistureGaugePressure, 5.0f}});
        d.Chrom.Append(reinterpret_cast<const uint8_t*>(c.constData()));
        d.Moisture.Append(reinterpret_cast<const uint8_t*>(m.constData()));
    }
    return d;
}

ReportFormat Format() {
    ReportFormat f = DefaultReportFormat();
    f.Format[FmtComponents] = 3;
    f.Format[FmtHeatKcal] = 1;
    f.Format[FmtHeatMJ] = 3;
    f.Format[FmtHeatKWh] = 3;
    f.Format[FmtPressure] = 2;
    DeriveParameterDigits(f);
    return f;
}

struct PassportWorkbookFixture : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        dayTemplate = FindPassportTemplate(PassportKind::Daily);
        ASSERT_FALSE(dayTemplate.isEmpty()) << "the build makes the templates into share/zmk";
    }
    QString Path(const QString& name) const { return dir.filePath(name); }

    QTemporaryDir dir;
    QString dayTemplate;
};

}  // namespace

TEST(PassportTemplates, BothAreFoundAndNamedAsDesigned) {
    EXPECT_EQ(PassportTemplateName(PassportKind::Daily), QStringLiteral("day_report_title_v10.xlsx"));
    EXPECT_EQ(PassportTemplateName(PassportKind::Monthly), QStringLiteral("mon_report_title_v10.xlsx"));
    EXPECT_FALSE(FindPassportTemplate(PassportKind::Monthly).isEmpty());
    const FileMessage missing = MissingTemplateMessage(PassportKind::Monthly);
    EXPECT_EQ(missing.first, QStringLiteral("В рабочем каталоге отсутствует файл mon_report_title_v10.xlsx"));
    EXPECT_EQ(missing.second, QStringLiteral("Обратитесь к разработчику программного обеспечения"));
}

TEST(PassportTemplates, OutputNames) {
    const PackedDate chosen{26, 3, 7, 10, 0, 0};
    EXPECT_EQ(PassportFileName(PassportKind::Daily, chosen, QStringLiteral("ГРС Южная")),
              QStringLiteral("ГРС Южная_day_260307.xlsx"));
    EXPECT_EQ(PassportFileName(PassportKind::Monthly, chosen, QStringLiteral("ГРС-1")), QStringLiteral("ГРС-1_mon_2603.xlsx"));
    EXPECT_EQ(PassportFileName(PassportKind::Monthly, chosen, QStringLiteral("a/b\\c:d*e?\"<>|")),
              QStringLiteral("a_b_c_d_e______mon_2603.xlsx"));
    EXPECT_EQ(PassportFileName(PassportKind::Monthly, chosen, QStringLiteral("..")), QStringLiteral("___mon_2603.xlsx"));
}

TEST_F(PassportWorkbookFixture, ValuesGoIntoTheTemplateAndItsStylesStay) {
    if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed for /usr/bin/python3";
    const QString out = Path(QStringLiteral("day.xlsx"));
    const PassportSheet sheet = BuildPassportSheet(DailyData(20), Format(), QStringLiteral("ГРС \"Южная\" <1>"));
    ASSERT_EQ(WritePassportWorkbook(dayTemplate, out, sheet), WorkbookStatus::Ok);

    const QJsonObject book = Dump(out);
    const QJsonObject tmpl = Dump(dayTemplate);
    const QJsonObject cells = book[QStringLiteral("cells")].toObject();
    EXPECT_EQ(cells[QStringLiteral("G2")].toString(), QStringLiteral("ГРС \"Южная\" <1>"));
    EXPECT_EQ(cells[QStringLiteral("V4")].toString(), QStringLiteral("За період з 08.12.26 10:00  по  09.12.26 05:00"));
    EXPECT_EQ(cells[QStringLiteral("A10")].toString(), QStringLiteral("08.12.26  10:00"));
    EXPECT_DOUBLE_EQ(cells[QStringLiteral("S10")].toDouble(), 37.123);
    EXPECT_DOUBLE_EQ(cells[QStringLiteral("T10")].toDouble(), 10.312);
    EXPECT_DOUBLE_EQ(cells[QStringLiteral("AA10")].toDouble(), 5.1);
    EXPECT_EQ(cells[QStringLiteral("B12")].toString(), QStringLiteral("--"));  // status 0x02
    EXPECT_EQ(cells[QStringLiteral("A12")].toString(), QStringLiteral("08.12.26  12:00"));
    EXPECT_TRUE(cells[QStringLiteral("A29")].isString());
    EXPECT_FALSE(cells.contains(QStringLiteral("A30")));
    EXPECT_FALSE(cells.contains(QStringLiteral("B30")));
    EXPECT_DOUBLE_EQ(cells[QStringLiteral("S34")].toDouble(), 37.123);
    // The template's labels are still there.
    EXPECT_EQ(cells[QStringLiteral("A34")].toString(), tmpl[QStringLiteral("cells")].toObject()[QStringLiteral("A34")].toString());
    EXPECT_EQ(cells[QStringLiteral("A6")].toString(), tmpl[QStringLiteral("cells")].toObject()[QStringLiteral("A6")].toString());

    // Styles: the styles part, the merged cells and the style of every cell as in the template.
    EXPECT_EQ(book[QStringLiteral("styles_part")].toString(), tmpl[QStringLiteral("styles_part")].toString());
    EXPECT_EQ(book[QStringLiteral("merged")].toArray(), tmpl[QStringLiteral("merged")].toArray());
    EXPECT_EQ(book[QStringLiteral("styles")].toObject(), tmpl[QStringLiteral("styles")].toObject());
    EXPECT_EQ(book[QStringLiteral("title")].toString(), tmpl[QStringLiteral("title")].toString());
}

TEST_F(PassportWorkbookFixture, ADamagedTemplateLeavesTheOutputAsItWas) {
    const QString out = Path(QStringLiteral("day.xlsx"));
    ASSERT_TRUE(WriteFileChecked(out, "old passport"));
    const PassportSheet sheet = BuildPassportSheet(DailyData(2), Format(), QStringLiteral("Объект"));

    const QByteArray whole = ReadAll(dayTemplate);
    const struct {
        const char* name;
        QByteArray bytes;
    } damaged[] = {
        {"cut", whole.left(whole.size() / 2)},
        {"not a workbook", QByteArray("PK\x03\x04 certainly not a zip")},
        {"empty", QByteArray()},
    };
    for (const auto& d : damaged) {
        const QString bad = Path(QStringLiteral("bad.xlsx"));
        ASSERT_TRUE(WriteFileChecked(bad, d.bytes));
        EXPECT_EQ(WritePassportWorkbook(bad, out, sheet), WorkbookStatus::FileError) << d.name;
        EXPECT_EQ(ReadAll(out), QByteArray("old passport")) << d.name;
    }
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 2) << "no temporary file is left behind";
    EXPECT_EQ(WritePassportWorkbook(Path(QStringLiteral("missing.xlsx")), out, sheet), WorkbookStatus::FileError);
    EXPECT_EQ(WorkbookMessage(WorkbookStatus::FileError, out).first, QStringLiteral("Ошибка работы с файлом!"));
}

TEST_F(PassportWorkbookFixture, LibreOfficeConvertsThePassportToPdf) {
    QString soffice = QStandardPaths::findExecutable(QStringLiteral("soffice"));
    if (soffice.isEmpty()) soffice = QStandardPaths::findExecutable(QStringLiteral("libreoffice"));
    if (soffice.isEmpty()) GTEST_SKIP() << "LibreOffice (soffice) is not installed: cannot check the workbook with it";
    const QString book = Path(QStringLiteral("passport.xlsx"));
    ASSERT_EQ(WritePassportWorkbook(dayTemplate, book, BuildPassportSheet(DailyData(24), Format(), QStringLiteral("Объект"))),
              WorkbookStatus::Ok);
    const QString out = Path(QStringLiteral("pdf"));
    QProcess lo;
    lo.start(soffice, {QStringLiteral("-env:UserInstallation=file://") + Path(QStringLiteral("lo-profile")),
                       QStringLiteral("--headless"), QStringLiteral("--norestore"), QStringLiteral("--convert-to"),
                       QStringLiteral("pdf"), QStringLiteral("--outdir"), out, book});
    ASSERT_TRUE(lo.waitForFinished(180000)) << "LibreOffice did not finish";
    const QByteArray pdf = ReadAll(QDir(out).filePath(QStringLiteral("passport.pdf")));
    ASSERT_FALSE(pdf.isEmpty()) << lo.readAllStandardError().toStdString();
    EXPECT_TRUE(pdf.startsWith("%PDF"));
}
