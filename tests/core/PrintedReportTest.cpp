// The printed reports without painting them: page capacities and the rows
// of every page, the title lines and headings of the event lists and of the
// moisture-meter reports (blanks as designed), the print-data dialog's
// lines, and the remembered organisation name in "title.ini".
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "common/Cp1251.h"
#include "common/OrganisationName.h"
#include "common/PagedReport.h"
#include "common/ReportKind.h"
#include "events/EventReport.h"
#include "measurements/MoistureReport.h"

using namespace zmk;

namespace {

PackedDate Date(int y, int mo, int d, int h, int mi, int s = 0) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

// Table values with the controller's name (Windows-1251, as table 5 keeps it).
HeaderTableValues NamedController(const char* name) {
    HeaderTableValues values;
    const QByteArray bytes = ToCp1251(QString::fromUtf8(name));
    std::copy(bytes.begin(), bytes.end(), values.controllerName.begin());
    return values;
}

EventFileHeader EventHeader(EventKind kind, const char* name) {
    const HeaderTableValues values = NamedController(name);
    return BuildEventFileHeader(kind, values, 12, Date(24, 6, 3, 8, 9, 10), Date(24, 6, 1, 0, 35, 12),
                                Date(24, 6, 2, 23, 55, 30), 0);
}

PagedReport ReportOf(int firstRows, int laterRows, qsizetype rows) {
    PagedReport report;
    report.layout.firstPageRows = firstRows;
    report.layout.laterPageRows = laterRows;
    report.rowCount = rows;
    return report;
}

// A moisture-meter record of `kind` (valid or with its checksum broken).
QByteArray MoistureRecord(ArchiveKind kind, const PackedDate& date, bool intact = true) {
    QByteArray r(RecordSize(kind), '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    const bool five = kind == ArchiveKind::MoistureFiveMinute;
    if (!five) p[6] = uint8_t(date.Hour + 1);
    for (int i = 0; i < 4; ++i) PutFloat(p + (five ? 11 : 10) + 4 * i, -10.5f + float(i));
    SealRecord(p, int(r.size()));
    if (!intact) p[0] ^= 0x40;
    return r;
}

MeasurementTable MoistureTable(ArchiveKind kind, const QList<QByteArray>& records, const char* name) {
    const HeaderTableValues values = NamedController(name);
    QByteArray all;
    for (const QByteArray& r : records) all += r;
    ValueDecimals decimals;
    decimals.temperature = 1;
    decimals.pressure = 2;
    return MeasurementTable(BuildMeasurementFileHeader(kind, values, 7, Date(24, 5, 6, 7, 8, 9), Date(24, 3, 1, 5, 20),
                                                       Date(24, 3, 2, 23, 55), uint32_t(records.size())),
                            RecordStore(kind, all), decimals);
}

QStringList TitleTexts(const PagedReport& report) {
    QStringList texts;
    for (const ReportTitleLine& line : report.title) texts << line.text;
    return texts;
}

}  // namespace

// Rows per page and the rows of the last page, for the designed capacities:
// a page is started only for a row that does not fit, so a list that fills
// its pages exactly has no page of headings alone.
TEST(PagedReport, PagesHoldTheirCapacities) {
    struct Case {
        int first, later;
        qsizetype rows;
        int pages;
        qsizetype lastFirstRow, lastRows;
    };
    const Case cases[] = {
        {DiagnosticFirstPageRows, DiagnosticPageRows, 0, 1, 0, 0},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 1, 1, 0, 1},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 58, 1, 0, 58},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 59, 2, 58, 1},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 123, 2, 58, 65},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 124, 3, 123, 1},
        {InterventionFirstPageRows, InterventionPageRows, 57, 1, 0, 57},
        {InterventionFirstPageRows, InterventionPageRows, 126, 2, 57, 69},
        {InterventionFirstPageRows, InterventionPageRows, 127, 3, 126, 1},
        {MoistureFirstPageRows, MoisturePageRows, 52, 1, 0, 52},
        {MoistureFirstPageRows, MoisturePageRows, 53, 2, 52, 1},
        {MoistureFirstPageRows, MoisturePageRows, 111, 2, 52, 59},
        {MoistureFirstPageRows, MoisturePageRows, 112, 3, 111, 1},
        {DiagnosticFirstPageRows, DiagnosticPageRows, 58 + 65 * 200, 201, 58 + 65 * 199, 65},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.first << "/" << c.later << " rows " << c.rows);
        const PagedReport report = ReportOf(c.first, c.later, c.rows);
        ASSERT_EQ(report.PageCount(), c.pages);
        EXPECT_EQ(report.FirstRowOfPage(c.pages - 1), c.lastFirstRow);
        EXPECT_EQ(report.RowsOnPage(c.pages - 1), c.lastRows);
        EXPECT_EQ(report.RowsOnPage(c.pages), 0);
        qsizetype total = 0;
        for (int p = 0; p < c.pages; ++p) {
            EXPECT_EQ(report.FirstRowOfPage(p), total);
            total += report.RowsOnPage(p);
        }
        EXPECT_EQ(total, c.rows);
    }
    EXPECT_EQ(MoistureFirstPageRows, 52);
    EXPECT_EQ(MoisturePageRows, 59);
    EXPECT_EQ(ReportFooterText(2, 3), QStringLiteral("Лист 2 из 3"));
}

TEST(EventReport, TitleBandHeadingsAndCells) {
    const EventFileHeader header = EventHeader(EventKind::Diagnostics, "  ГРС Северная  ");
    std::vector<DiagnosticRow> rows = {
        {QStringLiteral("  01.06.24"), QStringLiteral("  00:35:12"), QStringLiteral("Пропала связь"),
         QStringLiteral("Влагомер"), QStringLiteral("1.5"), QStringLiteral("2.5"), QStringLiteral("%")},
        {QStringLiteral("   ***"), {}, {}, {}, {}, {}, {}},
    };
    const PagedReport report = BuildDiagnosticReport(header, rows, QStringLiteral("ООО Газ"));
    EXPECT_EQ(report.pageHeader, QStringLiteral("ГРС Северная"));
    EXPECT_EQ(TitleTexts(report),
              QStringList({QStringLiteral("ООО Газ"), QStringLiteral("Хроматограф \"ГРС Северная\"  (адрес 12)"),
                           QStringLiteral("Перечень диагностических сообщений"), QStringLiteral("контроллерa ЗМК_10"),
                           QStringLiteral("За период  с  01.06.24 00:35:12  по 02.06.24 23:55:30"),
                           QStringLiteral("Составлен программой zmk_10  03.06.24 08:09:10")}));
    // The word ends with a Latin a, as everywhere in these reports.
    EXPECT_TRUE(report.title[3].text.endsWith(QStringLiteral("a ЗМК_10")));
    EXPECT_EQ(report.title[3].text.at(10).unicode(), u'a');
    EXPECT_EQ(report.layout.margins, QMarginsF(10, 10, 9, 10));
    ASSERT_EQ(report.columns.size(), 7u);
    const int widths[] = {52, 52, 200, 205, 60, 60, 58};
    for (int c = 0; c < 7; ++c) {
        EXPECT_EQ(report.columns[size_t(c)].width, widths[c]);
        EXPECT_EQ(report.columns[size_t(c)].leftAligned, c == 2 || c == 3) << c;
    }
    EXPECT_EQ(report.columns[4].heading,
              QStringList({QStringLiteral("Текущее"), QStringLiteral("значение"), QStringLiteral("параметра")}));
    ASSERT_EQ(report.groups.size(), 1u);
    EXPECT_EQ(report.groups[0].heading, QStringLiteral("Сообщение"));
    EXPECT_EQ(report.groups[0].first, 2);
    EXPECT_EQ(report.groups[0].count, 2);
    // The cells are the viewer's texts as they are.
    ASSERT_EQ(report.rowCount, 2);
    EXPECT_EQ(report.cell(0, 0), QStringLiteral("  01.06.24"));
    EXPECT_EQ(report.cell(0, 3), QStringLiteral("Влагомер"));
    EXPECT_EQ(report.cell(1, 0), QStringLiteral("   ***"));
    EXPECT_EQ(report.cell(1, 1), QString());

    const EventFileHeader audHeader = EventHeader(EventKind::Interventions, "Узел 3");
    const std::vector<InterventionRow> changes(3);
    const PagedReport interventions = BuildInterventionReport(audHeader, changes, QString(41, u'Ж'));
    EXPECT_EQ(interventions.title[0].text, QString(40, u'Ж'));
    EXPECT_EQ(interventions.title[2].text, QStringLiteral("Перечень сообщений о вмешательствах оператора"));
    EXPECT_EQ(interventions.title[3].text, QStringLiteral("в работу контроллерa ЗМК_10"));
    EXPECT_EQ(interventions.layout.margins, QMarginsF(10, 10, 10, 10));
    EXPECT_EQ(interventions.layout.firstPageRows, 57);
    EXPECT_EQ(interventions.layout.laterPageRows, 69);
    EXPECT_EQ(interventions.columns[2].heading, QStringList({QStringLiteral("Наименование  параметра")}));
    EXPECT_EQ(interventions.columns[2].width, 272);
    EXPECT_TRUE(interventions.groups.empty());
    EXPECT_EQ(interventions.rowCount, 3);
}

TEST(MoistureReport, TitlesByKindAndTrimmedCells) {
    struct Case {
        ArchiveKind kind;
        ReportKind report;
        const char16_t* title;
        const char16_t* period;
        const char16_t* firstHeading;
    };
    const Case cases[] = {
        {ArchiveKind::MoistureFiveMinute, ReportKind::MoistureFiveMinute, u"Мгновенные данные влагомера",
         u"за период  с  01.03.24 05:20:00  по  02.03.24 23:55:00", u" |Дата"},
        {ArchiveKind::MoistureHour, ReportKind::MoistureHourly, u"Часовые измерительные данные влагомера",
         u"за период  с  01.03.24  05ч  по  02.03.24  23ч", u" |Дата|начала"},
        {ArchiveKind::MoistureDay, ReportKind::MoistureDaily, u"Суточные измерительные данные влагомера",
         u"за период  с  01.03.24  по  02.03.24", u" |Дата|начала"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        const MeasurementTable table =
            MoistureTable(c.kind, {MoistureRecord(c.kind, Date(24, 3, 1, 5, 20)), MoistureRecord(c.kind, Date(24, 3, 1, 6, 0), false)},
                          " Узел учёта  ");
        EXPECT_EQ(MoistureReportKind(table), c.report);
        const PagedReport report = BuildMoistureReport(table, QStringLiteral("ООО Газ"));
        EXPECT_EQ(report.pageHeader, QStringLiteral("Узел учёта"));
        EXPECT_EQ(TitleTexts(report),
                  QStringList({QStringLiteral("ООО Газ"), QStringLiteral("Контроллер \"Узел учёта\"  (адрес 7)"),
                               QString::fromUtf16(c.title), QString::fromUtf16(c.period),
                               QStringLiteral("Составлен программой zmk_10  06.05.24  07:08:09")}));
        ASSERT_EQ(report.columns.size(), 8u);
        EXPECT_EQ(report.columns[0].heading.join(u'|'), QString::fromUtf16(c.firstHeading));
        EXPECT_EQ(report.columns[4].heading.first(), QStringLiteral("Т т.росы"));
        EXPECT_EQ(report.layout.firstPageRows, 52);
        EXPECT_EQ(report.layout.laterPageRows, 59);
        // Cells without their blanks; a damaged record: "Данные" / "недостов.", nothing else.
        EXPECT_EQ(report.cell(0, 0), QStringLiteral("01.03.24"));
        EXPECT_EQ(report.cell(0, 4), QStringLiteral("-10.5"));
        EXPECT_EQ(report.cell(1, 0), QStringLiteral("Данные"));
        EXPECT_EQ(report.cell(1, 1), QStringLiteral("недостов."));
        for (int col = 2; col < 8; ++col) EXPECT_EQ(report.cell(1, col), QString()) << col;
    }
    const MeasurementTable five = MoistureTable(ArchiveKind::MoistureFiveMinute, {}, "x");
    const PagedReport report = BuildMoistureReport(five, QString());
    EXPECT_EQ(report.columns[2].heading,
              QStringList({QStringLiteral(" "), QStringLiteral("Статус"), QStringLiteral("контроллера")}));
    EXPECT_EQ(report.columns[3].heading,
              QStringList({QStringLiteral("Признаки"), QStringLiteral("состояния"), QStringLiteral("влагомера")}));
}

TEST(ReportKind, PrintDialogLines) {
    const PackedDate s = Date(24, 6, 1, 0, 35, 12), e = Date(24, 6, 2, 23, 55, 30);
    const QString seconds = QStringLiteral("за период  с  01.06.24  00:35:12  по  02.06.24  23:55:30");
    struct Case {
        ReportKind kind;
        QStringList lines;
    };
    const Case cases[] = {
        {ReportKind::Diagnostics,
         {QStringLiteral("Перечень диагностических сообщений"), QStringLiteral("контроллерa ЗМК_10"), seconds}},
        {ReportKind::Interventions,
         {QStringLiteral("Перечень сообщений о вмешательствах оператора"),
          QStringLiteral("в работу к контроллерa ЗМК_10"), seconds}},
        {ReportKind::MoistureHourly,
         {QStringLiteral("Часовые измерительные данные влагомера"), QStringLiteral("контроллерa ЗМК_10"),
          QStringLiteral("за период  с  01.06.24  00ч  по  02.06.24  23ч")}},
        {ReportKind::MoistureDaily,
         {QStringLiteral("Суточные измерительные данные влагомера"), QStringLiteral("контроллерa ЗМК_10"),
          QStringLiteral("за период  с  01.06.24  по  02.06.24")}},
        {ReportKind::MoistureFiveMinute,
         {QStringLiteral("Мгновенные данные влагомера"), QStringLiteral("контроллерa  ЗМК_10"), seconds}},
    };
    for (const Case& c : cases) EXPECT_EQ(PrintDialogLines(c.kind, s, e), c.lines) << int(c.kind);
    EXPECT_EQ(PrintErrorText(), QStringLiteral("Ошибка печати данных"));
}

TEST(OrganisationName, RememberedInFortyBytes) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("title.ini"));
    EXPECT_EQ(ReadOrganisationName(path), QString());  // no file yet

    ASSERT_TRUE(WriteOrganisationName(QStringLiteral("ООО Газ"), path));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    file.close();
    ASSERT_EQ(bytes.size(), 40);
    EXPECT_EQ(bytes.left(7), QByteArray("\xCE\xCE\xCE \xC3\xE0\xE7"));  // Windows-1251
    EXPECT_EQ(bytes.mid(7), QByteArray(33, '\0'));
    EXPECT_EQ(ReadOrganisationName(path), QStringLiteral("ООО Газ"));

    // Forty characters fill the forty bytes; a longer name is cut there.
    ASSERT_TRUE(WriteOrganisationName(QString(40, u'Я') + QStringLiteral("лишнее"), path));
    EXPECT_EQ(QFileInfo(path).size(), 40);
    EXPECT_EQ(ReadOrganisationName(path), QString(40, u'Я'));

    // A file of someone else's: only its first 40 bytes, up to a NUL, control
    // characters as blanks.
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("AB\tC\nD") + QByteArray(50, 'x'));
    file.close();
    EXPECT_EQ(ReadOrganisationName(path), QStringLiteral("AB C D") + QString(34, u'x'));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(QByteArray("Ok\0rest", 7));
    file.close();
    EXPECT_EQ(ReadOrganisationName(path), QStringLiteral("Ok"));

    // A folder that cannot take the file: false, nothing there.
    const QString missing = dir.filePath(QStringLiteral("no/such/folder/title.ini"));
    EXPECT_FALSE(WriteOrganisationName(QStringLiteral("x"), missing));
    EXPECT_FALSE(QFileInfo::exists(missing));
}
