// zmkctl print-events and print-moisture on files read from the simulator:
// the PDF holds the rows show-events lists, headed by the remembered or the
// given organisation; foreign files and bad arguments are refused and an
// existing report is left as it was.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "PdfText.h"
#include "QtPrinters.h"
#include "SimProcess.h"
#include "common/OrganisationName.h"

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

class ZmkctlPrint : public testing::Test {
protected:
    void SetUp() override {
        if (!pdftext::Available()) GTEST_SKIP() << "pdftotext / pdfinfo (poppler-utils) are not installed";
        ASSERT_TRUE(home_.isValid());
        ASSERT_TRUE(QDir(home_.path()).mkpath(QStringLiteral("INI")));
        ASSERT_TRUE(sim_.ready()) << sim_.output().toStdString();
    }

    // zmkctl in a base folder of the test's own (ZMK_HOME), with no display.
    CtlRun Ctl(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZMK_HOME"), home_.path());
        env.remove(QStringLiteral("DISPLAY"));
        env.remove(QStringLiteral("QT_QPA_PLATFORM"));
        p.setProcessEnvironment(env);
        p.start(CtlPath(), args);
        CtlRun r;
        if (!p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    CtlRun OverSim(const QStringList& args) {
        return Ctl(QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim_.tcpPort())} + args);
    }

    QString File(const char* name) const { return home_.filePath(QString::fromLatin1(name)); }

    QTemporaryDir home_;
    SimProcess sim_;
};

// The rows of show-events, each as its cells with blanks folded.
QStringList ShownRows(const QString& text) {
    QStringList rows;
    const QStringList lines = text.split(u'\n', Qt::SkipEmptyParts);
    for (qsizetype i = 1; i < lines.size(); ++i) {  // the first line holds the headings
        QStringList cells;
        for (const QString& cell : lines[i].split(u'\t'))
            if (!cell.trimmed().isEmpty()) cells << pdftext::Folded(cell.trimmed());
        rows << cells.join(u' ');
    }
    return rows;
}

}  // namespace

TEST_F(ZmkctlPrint, EventListsAsTheProgramPrintsThem) {
    ASSERT_TRUE(zmk::WriteOrganisationName(QStringLiteral("ООО Газ"),
                                           QDir(home_.path()).filePath(QStringLiteral("INI/title.ini"))));
    struct Case {
        const char* archive;
        const char* file;
        QStringList extra;
        const char16_t* organisation;
        const char16_t* title;
    };
    const Case cases[] = {
        {"diag", "list.ala", {}, u"ООО Газ", u"Перечень диагностических сообщений"},
        {"interv", "list.aud", {QStringLiteral("--title"), QStringLiteral("АО Другое")}, u"АО Другое",
         u"Перечень сообщений о вмешательствах оператора"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        const QString events = File(c.file);
        CtlRun r = OverSim({QStringLiteral("read-events"), QString::fromLatin1(c.archive), QStringLiteral("--last"),
                            QStringLiteral("130"), QStringLiteral("-o"), events});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QStringList rows = ShownRows(Ctl({QStringLiteral("show-events"), events}).out);
        ASSERT_EQ(rows.size(), 130);

        const QString pdf = File("list.pdf");
        r = Ctl(QStringList{QStringLiteral("print-events"), events, QStringLiteral("-o"), pdf} + c.extra);
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.contains(QStringLiteral("130 rows on 3 pages"))) << r.out.toStdString();
        ASSERT_EQ(pdftext::PageCount(pdf), 3);
        const QStringList page1 = pdftext::PageLines(pdf, 1);
        ASSERT_GE(page1.size(), 4);
        EXPECT_EQ(page1[1], QString::fromUtf16(c.organisation));
        EXPECT_EQ(page1[3], QString::fromUtf16(c.title));
        // The first and the last row as show-events lists them; 58 or 57
        // rows on the first page.
        const int firstPageRows = QByteArray(c.archive) == "diag" ? 58 : 57;
        EXPECT_TRUE(page1.contains(rows.first())) << rows.first().toStdString();
        EXPECT_TRUE(page1.contains(rows[firstPageRows - 1])) << rows[firstPageRows - 1].toStdString();
        EXPECT_FALSE(page1.contains(rows[firstPageRows]));
        const QStringList page3 = pdftext::PageLines(pdf, 3);
        EXPECT_TRUE(page3.contains(rows.last())) << rows.last().toStdString();
        EXPECT_EQ(page3.last(), QStringLiteral("Лист 3 из 3"));
    }
}

TEST_F(ZmkctlPrint, MoistureReportAndRefusals) {
    const QString hourly = File("day.hwm");
    CtlRun r = OverSim({QStringLiteral("read-archive"), QStringLiteral("moist"), QStringLiteral("hour"),
                        QStringLiteral("--from"), QStringLiteral("2026-12-01 00:00"), QStringLiteral("--to"),
                        QStringLiteral("2026-12-05 00:00"), QStringLiteral("-o"), hourly});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString pdf = File("moist.pdf");
    r = Ctl({QStringLiteral("print-moisture"), hourly, QStringLiteral("-o"), pdf, QStringLiteral("--title"),
             QStringLiteral("ООО Газ")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    ASSERT_EQ(pdftext::PageCount(pdf), 2);  // 97 records: 52 + 45
    const QStringList page1 = pdftext::PageLines(pdf, 1);
    EXPECT_TRUE(page1.contains(QStringLiteral("Часовые измерительные данные влагомера")));
    EXPECT_TRUE(page1.contains(QStringLiteral("за период с 01.12.26 00ч по 05.12.26 00ч")));
    EXPECT_EQ(pdftext::PageLines(pdf, 2).last(), QStringLiteral("Лист 2 из 2"));

    // Refusals leave the report that is there as it was.
    const QString chrom = File("day.hch");
    r = OverSim({QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
                 QStringLiteral("2026-12-01 00:00"), QStringLiteral("--to"), QStringLiteral("2026-12-01 05:00"),
                 QStringLiteral("-o"), chrom});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QFile report(pdf);
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    const QByteArray before = report.readAll();
    report.close();
    const struct {
        QStringList args;
        int exitCode;
        const char* says;
    } refusals[] = {
        {{QStringLiteral("print-moisture"), chrom, QStringLiteral("-o"), pdf}, 1, "not a moisture-meter data file"},
        {{QStringLiteral("print-events"), hourly, QStringLiteral("-o"), pdf}, 1, "не является файлом"},
        {{QStringLiteral("print-moisture"), File("missing.hwm"), QStringLiteral("-o"), pdf}, 1, "Ошибка открытия файла"},
        {{QStringLiteral("print-moisture"), hourly}, 2, "FILE -o REPORT.pdf"},
        {{QStringLiteral("print-moisture"), hourly, QStringLiteral("-o"), pdf, QStringLiteral("--title"), QString(41, u'Ж')},
         2, "at most 40 characters"},
        {{QStringLiteral("print-events"), hourly, QStringLiteral("-o"), pdf, QStringLiteral("--colour")}, 2, "FILE -o REPORT.pdf"},
    };
    for (const auto& refusal : refusals) {
        SCOPED_TRACE(refusal.args.join(u' ').toStdString());
        r = Ctl(refusal.args);
        EXPECT_EQ(r.exitCode, refusal.exitCode);
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(refusal.says))) << r.err.toStdString();
        ASSERT_TRUE(report.open(QIODevice::ReadOnly));
        EXPECT_EQ(report.readAll(), before);
        report.close();
    }
    EXPECT_TRUE(Ctl({QStringLiteral("--help")}).out.contains(QStringLiteral("print-moisture FILE -o REPORT.pdf")));
}
