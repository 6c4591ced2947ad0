// zmkctl dialling the simulator's Hayes modem on a pseudo-terminal.
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
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished(3000);
        return r;
    }
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

QString ReadLog(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
}

// A simulated controller behind a modem on a pseudo-terminal, logging the dialogue.
struct ModemSim {
    explicit ModemSim(const QStringList& extra)
        : log(dir.filePath(QStringLiteral("sim.log"))),
          sim(QStringList{QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--modem"),
                          QStringLiteral("--dial-delay-ms"), QStringLiteral("200"), QStringLiteral("--log"), log} +
              extra) {}
    QStringList Dial(const QStringList& more) const {
        return QStringList{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--modem"),
                           QStringLiteral("--phone"), QStringLiteral("(012) 345-67-89")} +
               more;
    }
    QTemporaryDir dir;
    QString log;
    SimProcess sim;
};

}  // namespace

TEST(ModemDial, IdentifyOverADialledLine) {
    ModemSim m({});
    ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
    const CtlRun r = Ctl(m.Dial({QStringLiteral("--init"), QStringLiteral("ATZ^AT&F^ATS0=0"), QStringLiteral("identify")}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("type-code: 73\nsoftware-version: 10\ndestroyed-table: 0\ncode-page: 0\naddress: 1\n"));

    // The dialogue in order: modem check, the three commands, GSM check,
    // the cleaned number, the request over the line, then the hang-up.
    const QString log = ReadLog(m.log);
    qsizetype at = 0;
    for (const char* step : {"MODEM RX ATE0", "MODEM RX ATV1", "MODEM RX ATZ", "MODEM RX AT&F", "MODEM RX ATS0=0",
                             "MODEM RX AT+CPAS", "MODEM RX ATD0123456789", "MODEM TX \\r\\nCONNECT 9600",
                             " RX CC 01 0A 01 00 00 00 12", " TX 33 01 ", "MODEM escape", "MODEM RX ath",
                             "MODEM hung up"}) {
        const qsizetype next = log.indexOf(QString::fromUtf8(step), at);
        ASSERT_GE(next, 0) << "missing after offset " << at << ": " << step << "\n" << log.toStdString();
        at = next;
    }
}

TEST(ModemDial, FailedCallsReportTheDialResult) {
    struct Case {
        QStringList simArgs;
        int attempts;
        const char* text;
        int dials;  // ATD commands the modem saw
    };
    const std::vector<Case> cases = {
        {{QStringLiteral("--dial-script"), QStringLiteral("BUSY,BUSY,CONNECT")}, 2, "Номер абонента занят", 2},
        {{QStringLiteral("--dial-script"), QStringLiteral("NO DIALTONE")}, 1, "Отсутствует сигнал АТС", 1},
        {{QStringLiteral("--cpas"), QStringLiteral("3")}, 3, "Нет готовности GSM", 0},
    };
    for (const Case& c : cases) {
        ModemSim m(c.simArgs);
        ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
        const CtlRun r = Ctl(m.Dial({QStringLiteral("--dial-attempts"), QString::number(c.attempts),
                                     QStringLiteral("identify")}));
        EXPECT_EQ(r.exitCode, 1) << c.text;
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.text))) << r.err.toStdString();
        EXPECT_TRUE(r.out.isEmpty()) << r.out.toStdString();
        const QString log = ReadLog(m.log);
        EXPECT_EQ(log.count(QStringLiteral("MODEM RX ATD0123456789")), c.dials) << log.toStdString();
        EXPECT_FALSE(log.contains(QStringLiteral(" RX CC "))) << "no request may reach the controller";
    }
}

TEST(ModemDial, ThirdAttemptConnects) {
    ModemSim m({QStringLiteral("--dial-script"), QStringLiteral("BUSY,NO_ANSWER")});
    ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
    const CtlRun r = Ctl(m.Dial({QStringLiteral("--dial-attempts"), QStringLiteral("3"), QStringLiteral("read-table"),
                                 QStringLiteral("0"), QStringLiteral("1"), QStringLiteral("1")}));
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, QStringLiteral("0.1: 49\n"));
    EXPECT_EQ(ReadLog(m.log).count(QStringLiteral("MODEM RX ATD")), 3);
}

TEST(ModemDial, NoModemOnTheLine) {
    // The controller itself on the line: nothing answers the AT commands.
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const CtlRun r = Ctl({QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--modem"), QStringLiteral("--phone"),
                          QStringLiteral("1"), QStringLiteral("identify")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Модем отсутствует или не подключен"))) << r.err.toStdString();
}

TEST(ModemDial, ModemOptionsAreChecked) {
    for (const QStringList& bad : {QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:1"),
                                               QStringLiteral("--modem"), QStringLiteral("--phone"), QStringLiteral("1")},
                                   QStringList{QStringLiteral("--serial"), QStringLiteral("/dev/null"),
                                               QStringLiteral("--modem")},
                                   QStringList{QStringLiteral("--serial"), QStringLiteral("/dev/null"),
                                               QStringLiteral("--phone"), QStringLiteral("1")},
                                   QStringList{QStringLiteral("--serial"), QStringLiteral("/dev/null"),
                                               QStringLiteral("--modem"), QStringLiteral("--phone"),
                                               QStringLiteral("1"), QStringLiteral("--connect-wait"),
                                               QStringLiteral("0")}}) {
        const CtlRun r = Ctl(bad + QStringList{QStringLiteral("identify")});
        EXPECT_EQ(r.exitCode, 2) << bad.join(' ').toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
}

// What real modems do that the dialogue must live with: no GSM, a stored
// numeric profile, report lines before CONNECT. Each call still works.
TEST(ModemDial, ModemsOfManyKindsConnect) {
    struct Case {
        const char* what;
        QStringList simArgs;
        QString init;
    } const cases[] = {
        {"a landline modem answers ERROR to AT+CPAS", {QStringLiteral("--landline")}, QString()},
        {"ATZ brings back a stored numeric profile", {QStringLiteral("--numeric")}, QStringLiteral("ATZ")},
        {"report lines before CONNECT", {QStringLiteral("--connect-report")}, QString()},
    };
    for (const Case& c : cases) {
        ModemSim m(c.simArgs);
        ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
        QStringList args;
        if (!c.init.isEmpty()) args << QStringLiteral("--init") << c.init;
        const CtlRun r = Ctl(m.Dial(args + QStringList{QStringLiteral("identify")}));
        EXPECT_EQ(r.exitCode, 0) << c.what << ": " << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("type-code: 73\n"))) << c.what;
        EXPECT_TRUE(ReadLog(m.log).contains(QStringLiteral("MODEM hung up"))) << c.what;
    }
}

TEST(ModemDial, LostCarrierEndsTheCommand) {
    // The carrier goes with the third request of the call.
    ModemSim m({QStringLiteral("--drop-carrier-after"), QStringLiteral("3")});
    ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
    const CtlRun r = Ctl(m.Dial({QStringLiteral("--attempts"), QStringLiteral("3"), QStringLiteral("dump")}));
    EXPECT_EQ(r.exitCode, 1) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Потеря несущей"))) << r.err.toStdString();
    const QString log = ReadLog(m.log);
    const qsizetype lost = log.indexOf(QStringLiteral("MODEM carrier lost"));
    ASSERT_GE(lost, 0) << log.toStdString();
    // Nothing more went to the line: no further attempt, no hang-up of a call that is gone.
    EXPECT_EQ(log.indexOf(QStringLiteral(" RX CC "), lost), -1) << log.toStdString();
    EXPECT_EQ(log.indexOf(QStringLiteral("MODEM RX "), lost), -1) << log.toStdString();
}

TEST(ModemDial, ACallThatComesUpAfterTheDiallerGaveUpIsHungUp) {
    ModemSim m({QStringLiteral("--dial-script"), QStringLiteral("LATE"), QStringLiteral("--late-ms"),
                QStringLiteral("1500")});
    ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
    const CtlRun r = Ctl(m.Dial({QStringLiteral("--connect-wait"), QStringLiteral("1"), QStringLiteral("identify")}));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Истекло время ожидания ответа от модема"))) << r.err.toStdString();
    const QString log = ReadLog(m.log);
    qsizetype at = 0;
    for (const char* step : {"MODEM RX ATD", "MODEM TX \\r\\nCONNECT", "MODEM escape", "MODEM RX ath", "MODEM hung up"}) {
        const qsizetype next = log.indexOf(QString::fromUtf8(step), at);
        ASSERT_GE(next, 0) << "missing after offset " << at << ": " << step << "\n" << log.toStdString();
        at = next;
    }
}

TEST(ModemDial, TheGuardTimeSettingReachesModemsThatNeedMore) {
    // A modem whose escape needs two seconds of silence: the least guard
    // leaves its call up, the longer setting hangs it up.
    struct Case {
        QStringList ctlArgs;
        bool hungUp;
    } const cases[] = {
        {{}, false},
        {{QStringLiteral("--guard-ms"), QStringLiteral("2300")}, true},
    };
    for (const Case& c : cases) {
        ModemSim m({QStringLiteral("--guard-ms"), QStringLiteral("2000")});
        ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
        const CtlRun r = Ctl(m.Dial(c.ctlArgs + QStringList{QStringLiteral("identify")}));
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        const QString log = ReadLog(m.log);
        EXPECT_EQ(log.contains(QStringLiteral("MODEM escape")), c.hungUp) << log.toStdString();
        EXPECT_EQ(log.contains(QStringLiteral("MODEM hung up")), c.hungUp) << log.toStdString();
    }
}

TEST(ModemDial, MalformedArgumentsDialNothing) {
    ModemSim m({});
    ASSERT_TRUE(m.sim.ready()) << m.sim.output().toStdString();
    const QStringList bad[] = {
        {QStringLiteral("read-table"), QStringLiteral("99")},
        {QStringLiteral("write-table"), QStringLiteral("22"), QStringLiteral("0"), QStringLiteral("00")},
        {QStringLiteral("set"), QStringLiteral("22"), QStringLiteral("x=1")},
        {QStringLiteral("dump"), QStringLiteral("extra")},
        {QStringLiteral("identify"), QStringLiteral("extra")},
        {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
         QStringLiteral("2026-13-01 00:00"), QStringLiteral("--to"), QStringLiteral("2026-12-02 00:00"),
         QStringLiteral("-o"), m.dir.filePath(QStringLiteral("x.hch"))},
        {QStringLiteral("--password"), QStringLiteral("1234567890123"), QStringLiteral("identify")},
        {QStringLiteral("--user-code"), QStringLiteral("12345"), QStringLiteral("identify")},
    };
    for (const QStringList& args : bad) {
        const CtlRun r = Ctl(m.Dial(args));
        EXPECT_EQ(r.exitCode, 2) << args.join(' ').toStdString() << ": " << r.err.toStdString();
        EXPECT_FALSE(r.err.isEmpty());
    }
    EXPECT_FALSE(ReadLog(m.log).contains(QStringLiteral("MODEM RX"))) << "nothing reached the modem";
}
