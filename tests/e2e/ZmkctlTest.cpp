// zmkctl as a user runs it: a separate process against the simulator.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimProcess.h"

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CtlRun Ctl(const QStringList& args) {
    QProcess p;
    p.start(CtlPath(), args);
    CtlRun r;
    if (!p.waitForFinished(30000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QStringList Over(const SimProcess& sim, QStringList args) {
    return QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort())} + args;
}

}  // namespace

TEST(Zmkctl, IdentifyOverTcpAndPty) {
    SimProcess sim({QStringLiteral("--address"), QStringLiteral("3"), QStringLiteral("--pty")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QString expected = QStringLiteral(
        "type-code: 73\nsoftware-version: 10\ndestroyed-table: 0\ncode-page: 0\naddress: 3\n");

    CtlRun r = Ctl(Over(sim, {QStringLiteral("--addr"), QStringLiteral("255"), QStringLiteral("identify")}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, expected);

    r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("19200"),
             QStringLiteral("--addr"), QStringLiteral("3"), QStringLiteral("identify")});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, expected);
}

TEST(Zmkctl, WriteThenReadTableWithMaskedLog) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("frames.log"));
    const QStringList conn{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--log"), log,
                           QStringLiteral("--password"), QStringLiteral("secret"),
                           QStringLiteral("--user-code"), QStringLiteral("77")};
    CtlRun r = Ctl(conn + QStringList{QStringLiteral("write-table"), QStringLiteral("22"), QStringLiteral("1"),
                                   QStringLiteral("0000803F"), QStringLiteral("00002041")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = Ctl(conn + QStringList{QStringLiteral("read-table"), QStringLiteral("22"), QStringLiteral("0"),
                               QStringLiteral("3")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("22.1: 00 00 80 3F\n22.2: 00 00 20 41\n"))) << r.out.toStdString();

    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("TX CC 01 22 02 ** ** ** ** ** ** ** ** ** ** ** ** ** ** ** ** 00 16 01 02")))
        << text.toStdString();
    EXPECT_FALSE(text.contains(QStringLiteral("73 65 63 72 65 74"))) << "the password must not be logged";
    EXPECT_TRUE(text.contains(QStringLiteral(" RX 33 01 ")));
}

TEST(Zmkctl, ReadsLongTablesInPieces) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp")});
    ASSERT_TRUE(sim.ready());
    const CtlRun r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("read-table"), QStringLiteral("4")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out.count('\n'), 16);
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n4.15: ")));
}

TEST(Zmkctl, FailuresSayWhatIsWrong) {
    struct Case {
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("identify")}, 2, "give exactly one of --tcp"},
        {{QStringLiteral("--tcp"), QStringLiteral("localhost"), QStringLiteral("identify")}, 2, "expected HOST:PORT"},
        {{QStringLiteral("--serial"), QStringLiteral("/dev/null"), QStringLiteral("--addr"), QStringLiteral("256"),
          QStringLiteral("identify")},
         2, "--addr: expected a whole number from 1 to 255"},
        {{QStringLiteral("--serial"), QStringLiteral("/dev/null"), QStringLiteral("frobnicate")}, 2, "unknown command"},
        {{QStringLiteral("--serial"), QStringLiteral("/nonexistent/zmk-tty"), QStringLiteral("identify")},
         1, "Коммуникационный порт COM1 недоступен"},
        {{QStringLiteral("--serial"), QStringLiteral("/dev/null"), QStringLiteral("--password"),
          QStringLiteral("much-too-long-password"), QStringLiteral("identify")},
         1, "--password"},
    };
    for (const Case& c : cases) {
        const CtlRun r = Ctl(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
}

TEST(Zmkctl, ControllerFailuresGoToStderr) {
    SimProcess sim({QStringLiteral("--silent")});
    ASSERT_TRUE(sim.ready());
    CtlRun r = Ctl(Over(sim, {QStringLiteral("--wait-ms"), QStringLiteral("200"), QStringLiteral("identify")}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Команда 1.  Устройство не отвечает"));

    SimProcess refusing({QStringLiteral("--refuse"), QStringLiteral("9")});
    ASSERT_TRUE(refusing.ready());
    r = Ctl(Over(refusing, {QStringLiteral("read-table"), QStringLiteral("5")}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.trimmed(), QStringLiteral("Команда 1.  Нет такой таблицы"));
}
