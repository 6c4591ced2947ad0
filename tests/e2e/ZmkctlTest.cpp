// zmkctl as a user runs it: a separate process against the simulator.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QTcpServer>
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

// Only type code 73 with software version 10 or 14 is accepted; any other
// controller is shown but the command fails with the rejection.
TEST(Zmkctl, IdentifyRejectsOtherControllers) {
    struct Case {
        QStringList simArgs;
        int exitCode;
        const char* shown;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("--version"), QStringLiteral("14")}, 0, "software-version: 14\n", ""},
        {{QStringLiteral("--type-code"), QStringLiteral("50")}, 1, "type-code: 50\n",
         "Код типа подключенного контроллера  50 Программа обслуживает контроллеры ЗМК_10\n"},
        {{QStringLiteral("--version"), QStringLiteral("12")}, 1, "software-version: 12\n",
         "Версия ПО подключенного контроллера 12 Программа обслуживает контроллеры ЗМК только с версией ПО 10\n"},
    };
    for (const Case& c : cases) {
        SimProcess sim(c.simArgs);
        ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
        const CtlRun r = Ctl(Over(sim, {QStringLiteral("identify")}));
        EXPECT_EQ(r.exitCode, c.exitCode) << c.shown;
        EXPECT_TRUE(r.out.contains(QString::fromUtf8(c.shown))) << r.out.toStdString();
        EXPECT_EQ(r.err, QString::fromUtf8(c.message));
    }
}

TEST(Zmkctl, WriteThenReadTableWithMaskedLog) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--user"),
                    QStringLiteral("ADM:2:secret:77")});
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
         2, "--password"},
    };
    for (const Case& c : cases) {
        const CtlRun r = Ctl(c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
    }
}

// zmkctl connects the way the program does: refused attempts repeat until
// the connection wait ends, with the program's message.
TEST(Zmkctl, TcpConnectionWaitEnds) {
    quint16 port = 0;
    {
        QTcpServer server;  // a loopback port that nobody listens on
        ASSERT_TRUE(server.listen(QHostAddress::LocalHost, 0));
        port = server.serverPort();
    }
    QElapsedTimer clock;
    clock.start();
    const CtlRun r = Ctl({QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(port), QStringLiteral("--connect-ms"),
                          QStringLiteral("400"), QStringLiteral("identify")});
    EXPECT_GE(clock.elapsed(), 400);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("no connection to 127.0.0.1:%1: Превышено время ожидания соединения сервер/клиент\n")
                         .arg(port));
}

TEST(Zmkctl, ControllerFailuresGoToStderr) {
    SimProcess sim({QStringLiteral("--silent")});
    ASSERT_TRUE(sim.ready());
    CtlRun r = Ctl(Over(sim, {QStringLiteral("--wait-ms"), QStringLiteral("200"), QStringLiteral("identify")}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, QStringLiteral("Команда 1.  Устройство не отвечает\n"
                                    "Не выполнено чтение из таблицы 0. \" Общие параметры идентификации\"\n"));

    SimProcess refusing({QStringLiteral("--refuse"), QStringLiteral("9")});
    ASSERT_TRUE(refusing.ready());
    r = Ctl(Over(refusing, {QStringLiteral("read-table"), QStringLiteral("5")}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Команда 1.  Нет такой таблицы\n"))) << r.err.toStdString();
}

TEST(Zmkctl, SetWritesOnlyWhatDiffers) {
    QTemporaryDir dir;
    const QString simLog = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--log"), simLog});
    ASSERT_TRUE(sim.ready());
    const QStringList conn{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--password"),
                           QStringLiteral("12345678"), QStringLiteral("--user-code"), QStringLiteral("1234")};
    CtlRun r = Ctl(conn + QStringList{QStringLiteral("set"), QStringLiteral("22"), QStringLiteral("0=0000803F"),
                                      QStringLiteral("2=00002041")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("22.0: 00 00 80 3F\n"))) << r.out.toStdString();
    QFile f(simLog);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QList<QByteArray> lines = f.readAll().split('\n');
    int writes = 0;
    for (const QByteArray& line : lines) {
        if (!line.contains(" RX CC 01 ")) continue;
        const QByteArray bytes = QByteArray::fromHex(line.mid(line.indexOf(" RX ") + 4).replace(' ', ""));
        if (bytes[3] != 2) continue;
        ++writes;
        EXPECT_EQ(bytes.mid(21, 3), QByteArray::fromHex("160003")) << "one covering write of fields 0..2";
    }
    EXPECT_EQ(writes, 1);

    r = Ctl(conn + QStringList{QStringLiteral("set"), QStringLiteral("22"), QStringLiteral("0=00")});
    EXPECT_EQ(r.exitCode, 2);
    EXPECT_TRUE(r.err.contains(QStringLiteral("expected 4 bytes"))) << r.err.toStdString();
}

TEST(Zmkctl, DumpReadsEveryReadableTable) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp")});
    ASSERT_TRUE(sim.ready());
    const CtlRun r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("dump")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // 35 tables with 442 fields in all, less the 16 write-only flow-computer
    // passwords of table 13, which the controller refuses to read.
    EXPECT_EQ(r.out.count('\n'), 442 - 16);
    EXPECT_TRUE(r.out.contains(QStringLiteral("\n37.6: ")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("\n31.")));
    EXPECT_FALSE(r.out.contains(QStringLiteral("\n13.")));
    EXPECT_EQ(r.err, QStringLiteral("table 13: write-only, not read\n"));

    const CtlRun one = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("read-table"), QStringLiteral("13")});
    EXPECT_EQ(one.exitCode, 1);
    EXPECT_TRUE(one.err.contains(QStringLiteral("Чтение таблицы невозможно"))) << one.err.toStdString();
}

TEST(Zmkctl, DosTextBothWays) {
    CtlRun r = Ctl({QStringLiteral("encode-text"), QStringLiteral("ЗМК-10 ёж")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("87 8C 8A 2D 31 30 20 F1 A6\n"));
    r = Ctl({QStringLiteral("decode-text"), QStringLiteral("878C8A2D3130")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, QStringLiteral("ЗМК-10\n"));
    EXPECT_EQ(Ctl({QStringLiteral("decode-text"), QStringLiteral("8G")}).exitCode, 2);
    EXPECT_EQ(Ctl({QStringLiteral("encode-text"), QStringLiteral("日本")}).exitCode, 2);
}
