// zmkctl's limits and set-limit against the simulator: what is printed, what
// is refused before anything is opened, and what reaches the wire.
#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
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
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("ZMK_PASSWORD"), QStringLiteral("12345678"));
    env.insert(QStringLiteral("ZMK_USER_CODE"), QStringLiteral("1234"));
    p.setProcessEnvironment(env);
    p.start(CtlPath(), args);
    CtlRun r;
    if (!p.waitForFinished(30000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

class ZmkctlLimits : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimProcess>(QStringList{QStringLiteral("--log"), LogPath()});
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
    }
    QString LogPath() const { return dir.filePath(QStringLiteral("frames.log")); }
    CtlRun Over(const QStringList& args) {
        return Ctl(QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim->tcpPort())} + args);
    }
    // The writes the simulator received since the last call: "table first count".
    QStringList Writes() {
        QStringList all;
        QFile f(LogPath());
        if (f.open(QIODevice::ReadOnly))
            for (const QByteArray& line : f.readAll().split('\n')) {
                const int rx = int(line.indexOf(" RX "));
                if (rx < 0) continue;
                const QByteArray bytes = QByteArray::fromHex(line.mid(rx + 4).replace(' ', ""));
                if (bytes.size() > 26 && bytes[3] == 2)
                    all << QStringLiteral("%1 %2 %3").arg(uint8_t(bytes[21])).arg(uint8_t(bytes[22])).arg(uint8_t(bytes[23]));
            }
        const QStringList fresh = all.mid(seen);
        seen = all.size();
        return fresh;
    }

    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
    qsizetype seen = 0;
};

}  // namespace

TEST_F(ZmkctlLimits, ListsEveryParameterAndNamesValuesOutsideTheirRange) {
    const CtlRun r = Over({QStringLiteral("limits")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QStringList lines = r.out.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    ASSERT_EQ(lines.size(), 18) << r.out.toStdString();
    // The simulator holds 0.01, 0, 100, 0, 100 for every parameter.
    EXPECT_EQ(lines[0], QStringLiteral("0\tC6+47\t0.0100\t0.000\t100.000\t0.000\t100.000\t%"));
    EXPECT_EQ(lines[11], QStringLiteral("11\tHs\t0.0100\t0\t100\t0\t100\tМДж/м3"));
    EXPECT_EQ(lines[17], QStringLiteral("17\tT\t0.0100\t0.00\t100.000\t0.00\t100.00\t°С"));
    EXPECT_TRUE(r.err.contains(QStringLiteral("0 ВПУ: 100.000 outside 0.000..0.600\n"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("11 НПУ: 0 outside 35..45\n"))) << r.err.toStdString();
    EXPECT_FALSE(r.err.contains(QStringLiteral("0 ЗН:"))) << "0.01 is a dead band inside its range";
    EXPECT_TRUE(Writes().isEmpty());
}

TEST_F(ZmkctlLimits, SetLimitChecksAsTheDialogAndWritesOneField) {
    const struct {
        QStringList args;
        int exitCode;
        const char* written;  // the one write, or none
        const char* line;     // the parameter's printed line, or the message on stderr
    } cases[] = {
        {{"3", "ВДП", "1.1"}, 0, "26 3 1", "3\tn-C4H10\t0.0100\t0.000\t100.000\t0.000\t1.100\t%"},
        {{"3", "vdp", "1.1"}, 0, nullptr, "3\tn-C4H10\t0.0100\t0.000\t100.000\t0.000\t1.100\t%"},  // no change
        {{"12", "НПУ", "0.6599995"}, 0, "23 12 1", "12\tDe\t0.0100\t0.660\t100.000\t0.000\t100.000\tкг/м3"},
        {{"17", "NDP", "-40"}, 0, "25 17 1", "17\tT\t0.0100\t0.00\t100.000\t-40.00\t100.00\t°С"},
        {{"17", "ВПУ", "70"}, 0, "24 17 1", "17\tT\t0.0100\t0.00\t70.000\t-40.00\t100.00\t°С"},
        {{"12", "НПУ", "0.6599"}, 2, nullptr, "Вводите значения согласно допустимому диапазону: 0.660..1.050"},
        {{"17", "ВДП", "70"}, 2, nullptr, "Вводите значения согласно допустимому диапазону: 0.00..60.00"},
        {{"1", "ЗН", "nan"}, 2, nullptr, "Вводите значения согласно допустимому диапазону"},
        {{"18", "ЗН", "0.01"}, 2, nullptr, "PARAM must be a gas parameter 0..17"},
        {{"1", "XX", "0.01"}, 2, nullptr, "KIND must be one of"},
        {{"1", "ЗН"}, 2, nullptr, "set-limit PARAM KIND VALUE"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.args.join(QLatin1Char(' ')).toStdString());
        const CtlRun r = Over(QStringList{QStringLiteral("set-limit")} + c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        if (c.exitCode == 0)
            EXPECT_EQ(r.out, QString::fromUtf8(c.line) + QLatin1Char('\n'));
        else
            EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.line))) << r.err.toStdString();
        EXPECT_EQ(Writes(), c.written ? QStringList{QString::fromLatin1(c.written)} : QStringList());
    }
}

TEST_F(ZmkctlLimits, HexaneLimitsAreNotSetWithoutTheHexaneValue) {
    ASSERT_EQ(Over({QStringLiteral("set"), QStringLiteral("14"), QStringLiteral("7=01")}).exitCode, 0);
    Writes();
    const CtlRun r = Over({QStringLiteral("set-limit"), QStringLiteral("14"), QStringLiteral("ЗН"), QStringLiteral("0.02")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Параметр (гексан) не используется"))) << r.err.toStdString();
    EXPECT_TRUE(Writes().isEmpty());
    // Any other parameter still can.
    EXPECT_EQ(Over({QStringLiteral("set-limit"), QStringLiteral("13"), QStringLiteral("ЗН"), QStringLiteral("0.02")})
                  .exitCode,
              0);
    EXPECT_EQ(Writes(), QStringList{QStringLiteral("22 13 1")});
}

// Malformed arguments end with 2 before any line is opened: the device named
// here does not exist, opening it would end with 1.
TEST(ZmkctlLimitsArguments, RefusedBeforeAnythingIsOpened) {
    QTemporaryDir dir;
    const QStringList missing{QStringLiteral("--serial"), dir.filePath(QStringLiteral("no-such-tty"))};
    const QStringList cases[] = {
        {QStringLiteral("limits"), QStringLiteral("all")},
        {QStringLiteral("set-limit"), QStringLiteral("17"), QStringLiteral("ВДП"), QStringLiteral("60.0001")},
        {QStringLiteral("set-limit"), QStringLiteral("-1"), QStringLiteral("ЗН"), QStringLiteral("0.01")},
        {QStringLiteral("set-limit"), QStringLiteral("0"), QStringLiteral("ЗН"), QStringLiteral("0,01"), QStringLiteral("5")},
    };
    for (const QStringList& args : cases) {
        const CtlRun r = Ctl(missing + args);
        EXPECT_EQ(r.exitCode, 2) << args.join(QLatin1Char(' ')).toStdString() << ": " << r.err.toStdString();
    }
    // A good command on the missing device fails on opening it.
    EXPECT_EQ(Ctl(missing + QStringList{QStringLiteral("set-limit"), QStringLiteral("0"), QStringLiteral("ЗН"),
                                        QStringLiteral("0,01")})
                  .exitCode,
              1);
}
