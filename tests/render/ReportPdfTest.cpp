// The printed reports painted into PDF files and read back as a reader of
// the pages would: titles, the period line, headings, the first and last
// row of every page, page counts and footers, the page limit, and a failed
// write that leaves the old file alone.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "FileSizeLimit.h"
#include "PdfText.h"
#include "QtPrinters.h"
#include "common/Cp1251.h"
#include "common/PagedReport.h"
#include "events/EventReport.h"
#include "measurements/MoistureReport.h"

using namespace zmk;

namespace {

#define REQUIRE_PDF_TOOLS() \
    if (!pdftext::Available()) GTEST_SKIP() << "pdftotext / pdfinfo (poppler-utils) are not installed"

PackedDate Date(int y, int mo, int d, int h, int mi, int s = 0) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

HeaderTableValues NamedController(const QString& name) {
    HeaderTableValues values;
    const QByteArray bytes = ToCp1251(name);
    std::copy(bytes.begin(), bytes.end(), values.controllerName.begin());
    return values;
}

EventFileHeader EventHeader(EventKind kind) {
    return BuildEventFileHeader(kind, NamedController(QStringLiteral("  ГРС Северная ")), 12, Date(24, 6, 3, 8, 9, 10),
                                Date(24, 6, 1, 0, 35, 12), Date(24, 6, 2, 23, 55, 30), 0);
}

// Row n (1-based) names itself in its text column.
QString RowMark(int n) { return QStringLiteral("Запись %1").arg(n, 5, 10, QLatin1Char('0')); }

std::vector<DiagnosticRow> DiagnosticRows(int count) {
    std::vector<DiagnosticRow> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back({QStringLiteral("  01.06.24"), QString::asprintf("  %02d:%02d:%02d", n / 3600 % 24, n / 60 % 60, n % 60),
                        RowMark(n), QStringLiteral("Влагомер"), QStringLiteral("1.5"), QStringLiteral("2.5"),
                        QStringLiteral("%")});
    return rows;
}

std::vector<InterventionRow> InterventionRows(int count) {
    std::vector<InterventionRow> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back({QStringLiteral("  02.06.24"), QStringLiteral("  10:00:00"), RowMark(n), QStringLiteral("97.5"),
                        QStringLiteral("100.0"), QStringLiteral("%"), QStringLiteral("НАЛ")});
    return rows;
}

// Index of the first line holding `text`; -1 when none does.
int LineOf(const QStringList& lines, const QString& text) {
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains(text)) return i;
    return -1;
}

class ReportPdf : public testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }

    QString Pdf(const PagedReport& report, const char* name) {
        const QString path = dir_.filePath(QString::fromLatin1(name));
        QString error;
        EXPECT_TRUE(WriteReportPdf(report, path, &error)) << error.toStdString();
        return path;
    }

    // Page `page` holds rows first..last (1-based marks), in order, and none
    // of the neighbours; its footer counts `pages`.
    static void ExpectRows(const QString& pdf, int page, int pages, int first, int last) {
        SCOPED_TRACE(testing::Message() << "page " << page);
        const QStringList lines = pdftext::PageLines(pdf, page);
        const int firstLine = LineOf(lines, RowMark(first));
        const int lastLine = LineOf(lines, RowMark(last));
        EXPECT_GE(firstLine, 0);
        EXPECT_GE(lastLine, firstLine);
        EXPECT_EQ(LineOf(lines, RowMark(first - 1)), -1);
        EXPECT_EQ(LineOf(lines, RowMark(last + 1)), -1);
        EXPECT_EQ(lines.count(), lastLine + 2) << "the footer follows the last row";
        EXPECT_EQ(lines.last(), ReportFooterText(page, pages));
        EXPECT_EQ(lines.first(), QStringLiteral("ГРС Северная")) << "the page header";
    }

    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ReportPdf, DiagnosticListOnThreePages) {
    REQUIRE_PDF_TOOLS();
    const std::vector<DiagnosticRow> rows = DiagnosticRows(124);  // 58 + 65 + 1
    const QString pdf = Pdf(BuildDiagnosticReport(EventHeader(EventKind::Diagnostics), rows,
                                                  QStringLiteral("ООО Газпром трансгаз Север")),
                            "diag.pdf");
    ASSERT_EQ(pdftext::PageCount(pdf), 3);
    const QStringList first = pdftext::PageLines(pdf, 1);
    const QStringList title = {
        QStringLiteral("ООО Газпром трансгаз Север"),
        QStringLiteral("Хроматограф \"ГРС Северная\" (адрес 12)"),
        QStringLiteral("Перечень диагностических сообщений"),
        QStringLiteral("контроллерa ЗМК_10"),
        QStringLiteral("За период с 01.06.24 00:35:12 по 02.06.24 23:55:30"),
        QStringLiteral("Составлен программой zmk_10 03.06.24 08:09:10"),
    };
    ASSERT_GE(first.size(), title.size() + 1);
    EXPECT_EQ(first.mid(1, title.size()), title);
    const QString page1 = first.join(u'\n');
    for (const char* heading : {"Дата", "Время", "Сообщение", "Событие", "Объект / Причина", "Текущее", "параметра",
                                "Значение", "уставки", "Единица", "измер."})
        EXPECT_TRUE(page1.contains(QString::fromUtf8(heading))) << heading;
    EXPECT_TRUE(first[LineOf(first, RowMark(1))].contains(QStringLiteral("01.06.24 00:00:01 Запись 00001 Влагомер 1.5 2.5 %")));
    ExpectRows(pdf, 1, 3, 1, 58);
    ExpectRows(pdf, 2, 3, 59, 123);
    ExpectRows(pdf, 3, 3, 124, 124);
    // Later pages repeat the headings, not the title band.
    const QString page2 = pdftext::PageText(pdf, 2);
    EXPECT_TRUE(page2.contains(QStringLiteral("Объект / Причина")));
    EXPECT_FALSE(page2.contains(QStringLiteral("Перечень")));
}

TEST_F(ReportPdf, FullPagesGetNoPageOfHeadingsAlone) {
    REQUIRE_PDF_TOOLS();
    const std::vector<DiagnosticRow> rows = DiagnosticRows(58);
    const QString pdf = Pdf(BuildDiagnosticReport(EventHeader(EventKind::Diagnostics), rows, QString()), "full.pdf");
    EXPECT_EQ(pdftext::PageCount(pdf), 1);
    ExpectRows(pdf, 1, 1, 1, 58);
}

TEST_F(ReportPdf, InterventionListPages) {
    REQUIRE_PDF_TOOLS();
    const std::vector<InterventionRow> rows = InterventionRows(127);  // 57 + 69 + 1
    const QString pdf = Pdf(BuildInterventionReport(EventHeader(EventKind::Interventions), rows, QStringLiteral("ООО Газ")),
                            "aud.pdf");
    ASSERT_EQ(pdftext::PageCount(pdf), 3);
    const QString page1 = pdftext::PageText(pdf, 1);
    EXPECT_TRUE(page1.contains(QStringLiteral("Перечень сообщений о вмешательствах оператора\nв работу контроллерa ЗМК_10\n")));
    EXPECT_TRUE(page1.contains(QStringLiteral("Наименование параметра")));
    EXPECT_TRUE(page1.contains(QStringLiteral("оператора")));
    ExpectRows(pdf, 1, 3, 1, 57);
    ExpectRows(pdf, 2, 3, 58, 126);
    ExpectRows(pdf, 3, 3, 127, 127);
}

TEST_F(ReportPdf, MoistureHourlyReportPages) {
    REQUIRE_PDF_TOOLS();
    // 112 hourly records from 01.03.24 00:00: 52 + 59 + 1.
    QByteArray bytes;
    for (int n = 0; n < 112; ++n) {
        QByteArray r(RecordSize(ArchiveKind::MoistureHour), '\0');
        auto* p = reinterpret_cast<uint8_t*>(r.data());
        Date(24, 3, 1 + n / 24, n % 24, 0).ToBytes(p);
        p[6] = uint8_t(n % 24 + 1);
        for (int i = 0; i < 4; ++i) PutFloat(p + 10 + 4 * i, -10.25f + float(i));
        SealRecord(p, int(r.size()));
        bytes += r;
    }
    ValueDecimals decimals;
    decimals.temperature = 2;
    decimals.pressure = 2;
    const MeasurementTable table(
        BuildMeasurementFileHeader(ArchiveKind::MoistureHour, NamedController(QStringLiteral("ГРС Северная  ")), 7,
                                   Date(24, 5, 6, 7, 8, 9), Date(24, 3, 1, 0, 0), Date(24, 3, 5, 16, 0), 112),
        RecordStore(ArchiveKind::MoistureHour, bytes), decimals);
    const QString pdf = Pdf(BuildMoistureReport(table, QStringLiteral("ООО Газ")), "hour.pdf");
    ASSERT_EQ(pdftext::PageCount(pdf), 3);
    const QStringList first = pdftext::PageLines(pdf, 1);
    EXPECT_EQ(first.mid(0, 6), QStringList({QStringLiteral("ГРС Северная"), QStringLiteral("ООО Газ"),
                                            QStringLiteral("Контроллер \"ГРС Северная\" (адрес 7)"),
                                            QStringLiteral("Часовые измерительные данные влагомера"),
                                            QStringLiteral("за период с 01.03.24 00ч по 05.03.24 16ч"),
                                            QStringLiteral("Составлен программой zmk_10 06.05.24 07:08:09")}));
    const QString page1 = first.join(u'\n');
    for (const char* heading : {"Дата", "начала", "конца", "Статус", "контроллера", "Т т.росы", "WDP", "HDP", "bar"})
        EXPECT_TRUE(page1.contains(QString::fromUtf8(heading))) << heading;
    // Row n (0-based) starts "dd.03.24 hh:00:00"; the pages hold 52, 59 and 1.
    const auto row = [](int n) { return QString::asprintf("%02d.03.24 %02d:00:00", 1 + n / 24, n % 24); };
    const struct {
        int page, first, last;
    } pages[] = {{1, 0, 51}, {2, 52, 110}, {3, 111, 111}};
    for (const auto& p : pages) {
        SCOPED_TRACE(p.page);
        const QStringList lines = pdftext::PageLines(pdf, p.page);
        const int firstLine = LineOf(lines, row(p.first));
        ASSERT_GE(firstLine, 0);
        EXPECT_TRUE(lines[firstLine].contains(row(p.first) + QString::asprintf(" %02d:00:00 Норма -10.25 -9.25 -8.25 -7.25", p.first % 24 + 1)))
            << lines[firstLine].toStdString();
        EXPECT_GT(LineOf(lines, row(p.last)), firstLine - 1);
        EXPECT_EQ(LineOf(lines, row(p.last + 1)), -1);
        if (p.first > 0) EXPECT_EQ(LineOf(lines, row(p.first - 1)), -1);
        EXPECT_EQ(lines.last(), ReportFooterText(p.page, 3));
    }
}

// More than 200 pages: every page is written (the window asks first).
TEST_F(ReportPdf, BeyondThePageLimitEveryPageIsWritten) {
    REQUIRE_PDF_TOOLS();
    const int count = DiagnosticFirstPageRows + DiagnosticPageRows * ReportPageLimit + 1;
    const std::vector<DiagnosticRow> rows = DiagnosticRows(count);
    const PagedReport report = BuildDiagnosticReport(EventHeader(EventKind::Diagnostics), rows, QString());
    ASSERT_EQ(report.PageCount(), ReportPageLimit + 2);
    const QString pdf = Pdf(report, "long.pdf");
    ASSERT_EQ(pdftext::PageCount(pdf), 202);
    ExpectRows(pdf, 202, 202, count, count);
}

TEST_F(ReportPdf, AFailedWriteLeavesTheOldFile) {
    const std::vector<DiagnosticRow> rows = DiagnosticRows(300);
    const PagedReport report = BuildDiagnosticReport(EventHeader(EventKind::Diagnostics), rows, QString());
    const QString path = dir_.filePath(QStringLiteral("old.pdf"));
    {
        QFile old(path);
        ASSERT_TRUE(old.open(QIODevice::WriteOnly));
        old.write("old report");
    }
    QString error;
    {
        FileSizeLimit limit(4096);
        EXPECT_FALSE(WriteReportPdf(report, path, &error));
    }
    EXPECT_FALSE(error.isEmpty());
    QFile old(path);
    ASSERT_TRUE(old.open(QIODevice::ReadOnly));
    EXPECT_EQ(old.readAll(), QByteArray("old report"));
    EXPECT_FALSE(WriteReportPdf(report, dir_.filePath(QStringLiteral("no/such/folder/r.pdf")), &error));
}
