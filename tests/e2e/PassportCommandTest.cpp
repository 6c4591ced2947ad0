// zmkctl passport against the simulator: the daily and the monthly passport
// of an object of the base folder's list, read back with openpyxl.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimProcess.h"

namespace {

constexpr char SystemPython[] = "/usr/bin/python3";

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

struct PassportCommand : ::testing::Test {
    void SetUp() override {
        ASSERT_TRUE(home.isValid());
        QDir().mkpath(home.filePath(QStringLiteral("INI")));
        // Listed out of order: the list is shown sorted by name, and N counts in that order.
        // The file is Windows-1251 text.
        QFile cp(home.filePath(QStringLiteral("INI/objects.ini")));
        ASSERT_TRUE(cp.open(QIODevice::WriteOnly));
        QByteArray bytes("[OBJECT_LIST]\r\nobj_num=2\r\nsort_prz=0\r\nobj_index=0\r\n[OBJECT_1]\r\ncontr_adr=1\r\nobj_name=");
        bytes += QByteArray("\xDE\xE6\xED\xE0\xFF");  // "Южная"
        bytes += "\r\n[OBJECT_2]\r\ncontr_adr=2\r\nobj_name=";
        bytes += QByteArray("\xD1\xE5\xE2\xE5\xF0\xED\xE0\xFF");  // "Северная"
        bytes += "\r\n";
        cp.write(bytes);
    }

    CtlRun Ctl(const QStringList& args) {
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZMK_HOME"), home.path());
        p.setProcessEnvironment(env);
        p.start(CtlPath(), QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())} + args);
        CtlRun r;
        if (!p.waitForFinished(60000)) return r;
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }

    // Column A and the named cells of the active sheet.
    QJsonObject Cells(const QString& path) {
        QProcess python;
        python.start(QLatin1String(SystemPython),
                     {QStringLiteral("-c"),
                      QStringLiteral("import json,sys,openpyxl\nws=openpyxl.load_workbook(sys.argv[1]).active\n"
                                     "print(json.dumps({c.coordinate: c.value for r in ws.iter_rows() for c in r "
                                     "if c.value is not None}))"),
                      path});
        if (!python.waitForFinished(60000) || python.exitCode() != 0) {
            ADD_FAILURE() << python.readAllStandardError().toStdString();
            return {};
        }
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }

    QTemporaryDir home;
    SimProcess sim{{QStringLiteral("--clock"), QStringLiteral("2026-12-15 12:00:00")}};
};

bool HaveOpenpyxl() {
    return QProcess::execute(QLatin1String(SystemPython), {QStringLiteral("-c"), QStringLiteral("import openpyxl")}) == 0;
}

}  // namespace

TEST_F(PassportCommand, AGasDayOfTheSecondObject) {
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed for /usr/bin/python3";
    const QString book = home.filePath(QStringLiteral("day.xlsx"));
    const CtlRun r = Ctl({QStringLiteral("passport"), QStringLiteral("day"), QStringLiteral("--date"),
                          QStringLiteral("2026-12-08"), QStringLiteral("--object"), QStringLiteral("2"),
                          QStringLiteral("-o"), book});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("Данные сохранены в файле day.xlsx (24 records)\n"));
    const QJsonObject cells = Cells(book);
    EXPECT_EQ(cells[QStringLiteral("G2")].toString(), QStringLiteral("Южная"));  // Северная, Южная by name
    // The simulator's contract hour is 10.
    EXPECT_EQ(cells[QStringLiteral("V4")].toString(), QStringLiteral("За період з 08.12.26 10:00  по  09.12.26 09:00"));
    EXPECT_EQ(cells[QStringLiteral("A10")].toString(), QStringLiteral("08.12.26  10:00"));
    EXPECT_EQ(cells[QStringLiteral("A33")].toString(), QStringLiteral("09.12.26  09:00"));
    EXPECT_TRUE(cells[QStringLiteral("S33")].isDouble());
    EXPECT_TRUE(cells[QStringLiteral("S34")].isDouble());
    double others = 0;
    for (const char* col : {"C", "D", "E", "F", "G", "H", "I", "J", "K", "L", "M"})
        others += cells[QStringLiteral("%1%2").arg(QLatin1String(col)).arg(15)].toDouble();
    EXPECT_NEAR(cells[QStringLiteral("B15")].toDouble() + others, 100.0, 1e-3) << "methane is the balance";
}

TEST_F(PassportCommand, TheCurrentMonthEndsWithTheNewestDay) {
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    if (!HaveOpenpyxl()) GTEST_SKIP() << "python3-openpyxl is not installed for /usr/bin/python3";
    const QString book = home.filePath(QStringLiteral("month.xlsx"));
    const CtlRun r = Ctl({QStringLiteral("passport"), QStringLiteral("month"), QStringLiteral("--month"),
                          QStringLiteral("2026-12"), QStringLiteral("--object"), QStringLiteral("1"),
                          QStringLiteral("-o"), book});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QJsonObject cells = Cells(book);
    EXPECT_EQ(cells[QStringLiteral("G2")].toString(), QStringLiteral("Северная"));
    // 12:00 is past the contract hour: the newest daily record is yesterday's.
    EXPECT_EQ(cells[QStringLiteral("V4")].toString(), QStringLiteral("За період з 01.12.26 по  14.12.26"));
    EXPECT_TRUE(cells[QStringLiteral("B23")].isDouble());   // the 14th
    EXPECT_FALSE(cells.contains(QStringLiteral("B24")));    // the 15th
    EXPECT_EQ(cells[QStringLiteral("A24")].toInt(), 15);    // the template's day label
    EXPECT_TRUE(cells[QStringLiteral("P41")].isDouble());
    EXPECT_FALSE(cells.contains(QStringLiteral("B41")));
}

TEST_F(PassportCommand, FindingsLeaveNoWorkbook) {
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QString book = home.filePath(QStringLiteral("none.xlsx"));
    struct Case {
        QStringList args;
        int exitCode;
        QString said;
    } cases[] = {
        {{QStringLiteral("day"), QStringLiteral("--date"), QStringLiteral("2026-12-20"), QStringLiteral("--object"),
          QStringLiteral("1")},
         1, QStringLiteral("В архиве нет данных за указанную дату")},
        {{QStringLiteral("day"), QStringLiteral("--date"), QStringLiteral("2026-12-08"), QStringLiteral("--object"),
          QStringLiteral("3")},
         2, QStringLiteral("--object: 1..2")},
        {{QStringLiteral("month"), QStringLiteral("--month"), QStringLiteral("2026-13"), QStringLiteral("--object"),
          QStringLiteral("1")},
         2, QStringLiteral("--month: expected YYYY-MM")},
    };
    for (const Case& c : cases) {
        const CtlRun r = Ctl(QStringList{QStringLiteral("passport")} + c.args + QStringList{QStringLiteral("-o"), book});
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.said)) << r.err.toStdString();
        EXPECT_FALSE(QFileInfo::exists(book));
    }
}
