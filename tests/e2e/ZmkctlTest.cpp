// zmkctl as a user runs it: a separate process against the simulator.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTcpServer>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimProcess.h"
#include "link/Frame.h"

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

// zmkctl with the credential variables of the environment set as given
// (and unset otherwise, whatever the test runner's environment holds).
CtlRun Ctl(const QStringList& args, const QList<std::pair<QString, QString>>& environment = {}) {
    QProcess p;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("ZMK_PASSWORD"));
    env.remove(QStringLiteral("ZMK_USER_CODE"));
    for (const auto& [name, value] : environment) env.insert(name, value);
    p.setProcessEnvironment(env);
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

namespace {

// The simulator's commissioning engineer and a further user, whose
// passwords and codes must never show unasked.
const QString EngineerPassword = QStringLiteral("12345678");
const QString EngineerCode = QStringLiteral("1234");
const QString UserSpec = QStringLiteral("ADM:2:secret:77");
const char* const UserSecretsHex = "73 65 63 72 65 74 20 20 20 20 20 20 37 37 20 20";  // "secret" + blanks, "77  "
const char* const EngineerSecretsHex = "31 32 33 34 35 36 37 38 20 20 20 20 31 32 33 34";

QString Hex(const QByteArray& bytes) { return QString::fromLatin1(bytes.toHex(' ').toUpper()); }

}  // namespace

// Every frame of a session that reads the users, writes one and writes a
// flow computer's password: no password or code in the log, and a frame
// with masked bytes keeps no checksum that would give them away.
TEST(Zmkctl, LogMasksEveryCredential) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--user"), UserSpec});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("frames.log"));
    const QStringList conn{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--log"), log,
                           QStringLiteral("--password"), EngineerPassword, QStringLiteral("--user-code"), EngineerCode};
    // User 5 becomes "OPR", level 4, password "opword", code "4321".
    const QByteArray user = QByteArray("OPR ") + char(4) + char(0) + QByteArray("opword      4321");
    CtlRun r = Ctl(conn + QStringList{QStringLiteral("set"), QStringLiteral("4"),
                                      QStringLiteral("5=") + QString::fromLatin1(user.toHex())});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QByteArray flowPassword("flow-password-16");
    r = Ctl(conn + QStringList{QStringLiteral("write-table"), QStringLiteral("13"), QStringLiteral("0"),
                               QString::fromLatin1(flowPassword.toHex())});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    QFile f(log);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(f.readAll());
    for (const QByteArray& secret : {QByteArray("12345678"), QByteArray("secret"), QByteArray("opword"),
                                     QByteArray("4321"), QByteArray("1234"), QByteArray(" 77 "), flowPassword.left(8),
                                     flowPassword.right(8)})
        EXPECT_FALSE(text.contains(Hex(secret))) << secret.constData() << " is in the log:\n" << text.toStdString();

    int masked = 0, users = 0;
    for (const QString& line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(QLatin1Char(' '));
        ASSERT_GE(parts.size(), 6) << line.toStdString();
        const QStringList bytes = parts.mid(2);
        if (line.contains(QStringLiteral("**"))) {
            ++masked;
            EXPECT_EQ(bytes.mid(bytes.size() - 2), QStringList({QStringLiteral("**"), QStringLiteral("**")}))
                << "the checksum of a masked frame is masked: " << line.toStdString();
        } else {
            const QByteArray frame = QByteArray::fromHex(bytes.join(QString()).toLatin1());
            EXPECT_EQ(zmk::Crc16(reinterpret_cast<const uint8_t*>(frame.constData()), uint16_t(frame.size())), 0)
                << "an unmasked frame is logged whole: " << line.toStdString();
        }
        // Answers of the users' reading: table 4 echoed at bytes 5..7.
        if (parts[1] == QLatin1String("RX") && bytes.size() > 8 && bytes[3] == QLatin1String("81") &&
            bytes[5] == QLatin1String("04"))
            ++users;
    }
    EXPECT_EQ(users, 2) << "users 0..10 and 11..15 were read";
    // Two reads of users, the write of a user and that of a flow computer's
    // password; the writes' answers carry no secret.
    EXPECT_EQ(masked, 4) << text.toStdString();
}

// Users' passwords and codes are printed as "**" unless asked for.
TEST(Zmkctl, PrintsCredentialsOnlyWhenAsked) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--user"), UserSpec});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QString hidden = QStringLiteral("4.1: 41 44 4D 20 02 00") + QStringLiteral(" **").repeated(16) + '\n';
    const QString shown = QStringLiteral("4.1: 41 44 4D 20 02 00 ") + QString::fromLatin1(UserSecretsHex) + '\n';
    struct Case {
        QStringList args;
        bool secretsShown;
    };
    const Case cases[] = {
        {{QStringLiteral("read-table"), QStringLiteral("4")}, false},
        {{QStringLiteral("dump")}, false},
        {{QStringLiteral("--show-secrets"), QStringLiteral("read-table"), QStringLiteral("4")}, true},
        {{QStringLiteral("dump"), QStringLiteral("--show-secrets")}, true},
    };
    for (const Case& c : cases) {
        const QString what = c.args.join(' ');
        const CtlRun r = Ctl(QStringList{QStringLiteral("--serial"), sim.ptyPath()} + c.args);
        ASSERT_EQ(r.exitCode, 0) << what.toStdString() << ": " << r.err.toStdString();
        EXPECT_EQ(r.out.contains(hidden), !c.secretsShown) << what.toStdString() << "\n" << r.out.toStdString();
        EXPECT_EQ(r.out.contains(shown), c.secretsShown) << what.toStdString();
        EXPECT_EQ(r.out.contains(QString::fromLatin1(EngineerSecretsHex)), c.secretsShown) << what.toStdString();
        EXPECT_EQ(r.out.count(QStringLiteral(" **")), c.secretsShown ? 0 : 16 * 16) << what.toStdString();
    }
}

// The credentials of a write come from an option, a password file or the
// environment; an option wins over the environment. What does not fit is
// refused before anything is opened, naming where it came from.
TEST(Zmkctl, CredentialsFromOptionsFileOrEnvironment) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--user"), UserSpec});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    auto file = [&](const char* name, const QByteArray& contents) {
        const QString path = dir.filePath(QString::fromLatin1(name));
        QFile f(path);
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(contents);
        return path;
    };
    const QString good = file("good", "secret\nsecond line is not read\n");
    const QString crlf = file("crlf", "secret\r\n");
    const QString longLine = file("long", "thirteen-char\n");
    const QString notText = file("binary", QByteArray("\xff\xfe\n", 3));
    const QString missing = dir.filePath(QStringLiteral("missing"));
    using Env = QList<std::pair<QString, QString>>;
    const QString password = QStringLiteral("ZMK_PASSWORD"), code = QStringLiteral("ZMK_USER_CODE");
    struct Case {
        const char* what;
        QStringList options;
        Env env;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {"both from the environment", {}, {{password, "secret"}, {code, "77"}}, 0, ""},
        {"password file, code from the environment", {"--password-file", good}, {{code, "77"}}, 0, ""},
        {"password file with a CR LF line end", {"--password-file", crlf, "--user-code", "77"}, {}, 0, ""},
        {"options win over the environment",
         {"--password", "secret", "--user-code", "77"}, {{password, "wrong"}, {code, "99"}}, 0, ""},
        {"the password file wins over the environment",
         {"--password-file", good}, {{password, "wrong"}, {code, "77"}}, 0, ""},
        {"a wrong password from the environment reaches the controller", {}, {{password, "wrong"}, {code, "77"}}, 1,
         "Пользователь не зарегистрирован или неправильный пароль"},
        {"too long in the environment", {}, {{password, "thirteen-char"}, {code, "77"}}, 2,
         "ZMK_PASSWORD: at most 12 characters"},
        {"too long a code in the environment", {"--password", "secret"}, {{code, "12345"}}, 2,
         "ZMK_USER_CODE: at most 4 characters"},
        {"too long in the file", {"--password-file", longLine, "--user-code", "77"}, {}, 2,
         "--password-file: at most 12 characters"},
        {"a file that is not text", {"--password-file", notText, "--user-code", "77"}, {}, 2, "not UTF-8 text"},
        {"a missing file", {"--password-file", missing, "--user-code", "77"}, {}, 2, "--password-file: cannot read"},
        {"a password twice", {"--password", "secret", "--password-file", good, "--user-code", "77"}, {}, 2,
         "give one of --password and --password-file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const CtlRun r = Ctl(QStringList{QStringLiteral("--serial"), sim.ptyPath()} + c.options +
                                 QStringList{QStringLiteral("write-table"), QStringLiteral("22"), QStringLiteral("0"),
                                             QStringLiteral("0000803F")},
                             c.env);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        if (c.exitCode == 0) {
            EXPECT_EQ(r.out, QStringLiteral("written: 22.0..0\n"));
        }
    }
}

// The registered users, one line each; passwords and codes only when asked,
// and a level the program has no text for as its number.
TEST(Zmkctl, UsersListsTheRegisteredUsers) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--user"), UserSpec,
                    QStringLiteral("--user"), QStringLiteral("OPR:4:opword:44"), QStringLiteral("--raw-level"),
                    QStringLiteral("3:9")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QStringList conn{QStringLiteral("--serial"), sim.ptyPath()};
    CtlRun r = Ctl(conn + QStringList{QStringLiteral("users")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].startsWith(QStringLiteral("1\t"))) << lines[0].toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\tПроизводитель-наладчик\t****\t****"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("2\tADM\tАдминистратор\t****\t****"));
    EXPECT_EQ(lines[2], QStringLiteral("3\tOPR\t9\t****\t****"));
    for (const char* secret : {"12345678", "1234", "secret", "77", "opword", "44"})
        EXPECT_FALSE(r.out.contains(QString::fromLatin1(secret))) << secret;

    r = Ctl(conn + QStringList{QStringLiteral("--show-secrets"), QStringLiteral("users")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 3) << r.out.toStdString();
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral("\tПроизводитель-наладчик\t12345678\t1234"))) << lines[0].toStdString();
    EXPECT_EQ(lines[1], QStringLiteral("2\tADM\tАдминистратор\tsecret\t77"));
    EXPECT_EQ(lines[2], QStringLiteral("3\tOPR\t9\topword\t44"));
}

// One table of exit codes for every command: 0 done, 1 the job failed, 2
// malformed arguments with nothing opened (the device named here does not
// exist: opening it would fail with 1). 3 belongs to the archive records
// (ArchiveReadTest).
TEST(Zmkctl, EveryCommandFollowsTheExitCodes) {
    const CtlRun help = Ctl({QStringLiteral("--help")});
    EXPECT_EQ(help.exitCode, 0);
    for (const char* line : {"  0  done\n", "  1  the job failed", "  2  malformed arguments",
                             "  3  done, but some records failed their checksum"})
        EXPECT_TRUE(help.out.contains(QString::fromUtf8(line))) << line;

    SimProcess served({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"),
                       QStringLiteral("2024-04-02 12:02:30")});
    SimProcess silent({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--silent")});
    ASSERT_TRUE(served.ready() && silent.ready());
    QTemporaryDir dir;
    const QString archive = dir.filePath(QStringLiteral("a.hch"));
    const QStringList credentials{QStringLiteral("--password"), EngineerPassword, QStringLiteral("--user-code"),
                                  EngineerCode};
    struct Case {
        const char* command;
        QStringList good;       // done against the simulator
        QStringList malformed;  // refused before anything is opened
    };
    const Case cases[] = {
        {"identify", {QStringLiteral("identify")}, {QStringLiteral("identify"), QStringLiteral("now")}},
        {"read-table", {QStringLiteral("read-table"), QStringLiteral("5")},
         {QStringLiteral("read-table"), QStringLiteral("31")}},
        {"write-table", credentials + QStringList{QStringLiteral("write-table"), QStringLiteral("22"), QStringLiteral("0"), QStringLiteral("0000803F")},
         {QStringLiteral("write-table"), QStringLiteral("22"), QStringLiteral("0"), QStringLiteral("00")}},
        {"set", credentials + QStringList{QStringLiteral("set"), QStringLiteral("22"), QStringLiteral("1=00002041")},
         {QStringLiteral("set"), QStringLiteral("22"), QStringLiteral("20=00002041")}},
        {"dump", {QStringLiteral("dump")}, {QStringLiteral("dump"), QStringLiteral("4")}},
        {"users", {QStringLiteral("users")}, {QStringLiteral("users"), QStringLiteral("all")}},
        {"read-archive",
         {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
          QStringLiteral("2024-04-01 00:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 01:00"),
          QStringLiteral("-o"), archive},
         {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
          QStringLiteral("2024-04-01 00:00"), QStringLiteral("-o"), archive}},
    };
    const QStringList missingDevice{QStringLiteral("--serial"), dir.filePath(QStringLiteral("no-such-tty"))};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.command);
        CtlRun r = Ctl(QStringList{QStringLiteral("--serial"), served.ptyPath()} + c.good);
        EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
        r = Ctl(QStringList{QStringLiteral("--serial"), silent.ptyPath(), QStringLiteral("--wait-ms"),
                            QStringLiteral("100")} +
                c.good);
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_TRUE(r.err.contains(QStringLiteral("Устройство не отвечает"))) << r.err.toStdString();
        r = Ctl(missingDevice + c.malformed);
        EXPECT_EQ(r.exitCode, 2) << r.err.toStdString();
        EXPECT_FALSE(r.err.contains(QStringLiteral("COM1"))) << "nothing is opened: " << r.err.toStdString();
    }

    // Commands without a controller.
    EXPECT_EQ(Ctl({QStringLiteral("export-xlsx"), archive, QStringLiteral("-o"), dir.filePath(QStringLiteral("a.xlsx"))})
                  .exitCode,
              0);
    EXPECT_EQ(Ctl({QStringLiteral("export-xlsx"), dir.filePath(QStringLiteral("none.hch")), QStringLiteral("-o"),
                   dir.filePath(QStringLiteral("b.xlsx"))})
                  .exitCode,
              1);
    EXPECT_EQ(Ctl({QStringLiteral("export-xlsx"), archive}).exitCode, 2);
    EXPECT_EQ(Ctl({QStringLiteral("decode-text"), QStringLiteral("8G")}).exitCode, 2);
    EXPECT_EQ(Ctl({}).exitCode, 2);
}
