// zmkctl clock, set-clock and set-name against the simulator: the clock
// correction inside and outside the controller's window, the computer's
// time written into the clock, the name in the controller's code page.
#include <gtest/gtest.h>

#include <QDate>
#include <QProcess>

#include "QtPrinters.h"
#include "SimProcess.h"

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CtlRun Ctl(const SimProcess& sim, const QStringList& command) {
    QProcess p;
    p.start(CtlPath(), QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                                   QStringLiteral("--password"), QStringLiteral("12345678"),
                                   QStringLiteral("--user-code"), QStringLiteral("1234")} +
                           command);
    CtlRun r;
    if (!p.waitForFinished(30000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// "HH:MM:SS" of the controller's clock, table 2 fields 3..5.
QString ControllerTime(const SimProcess& sim) {
    const CtlRun r = Ctl(sim, {QStringLiteral("read-table"), QStringLiteral("2"), QStringLiteral("3"),
                               QStringLiteral("3")});
    QStringList parts;
    for (const QString& line : r.out.split(u'\n', Qt::SkipEmptyParts))
        parts << QString::number(line.section(QStringLiteral(": "), 1).toInt(nullptr, 16)).rightJustified(2, u'0');
    return parts.join(u':');
}

QString Line(const QString& out, const QString& key) {
    for (const QString& line : out.split(u'\n'))
        if (line.startsWith(key)) return line.mid(key.size());
    return QString();
}

}  // namespace

// The controller at 12:10 lets its clock be moved within 12:00..13:00 (and
// the few seconds the request takes past 13:00), never more than an hour.
TEST(ClockAndName, CorrectionInsideAndOutsideTheWindow) {
    struct Case {
        int seconds;
        const char* refusal;  // empty: carried out
        const char* hourMinute;  // the clock afterwards, hour and minute
    };
    const Case cases[] = {
        {2950, "", "12:59"},
        {-500, "", "12:01"},
        {3100, "Неподходящий момент для коррекции времени", "12:10"},
        {-700, "Неподходящий момент для коррекции времени", "12:10"},
        {4000, "Слишком большое время для коррекции", "12:10"},
        {-32768, "Слишком большое время для коррекции", "12:10"},
    };
    for (const Case& c : cases) {
        SimProcess sim({QStringLiteral("--clock"), QStringLiteral("2026-03-15 12:10:00")});
        ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
        const CtlRun r = Ctl(sim, {QStringLiteral("set-clock"), QStringLiteral("--correct"), QString::number(c.seconds)});
        const QString refusal = QString::fromUtf8(c.refusal);
        if (refusal.isEmpty()) {
            EXPECT_EQ(r.exitCode, 0) << c.seconds << r.err.toStdString();
            EXPECT_EQ(r.out, QStringLiteral("corrected: %1\n").arg(c.seconds));
        } else {
            EXPECT_EQ(r.exitCode, 1) << c.seconds;
            EXPECT_EQ(r.err, QStringLiteral("Команда 12.  %1\nКорректировка времени не выполнена\n").arg(refusal));
        }
        EXPECT_TRUE(ControllerTime(sim).startsWith(QString::fromUtf8(c.hourMinute))) << c.seconds;
    }
}

// The correction the program works out: the controller 12:58:30 behind a
// computer in another hour goes to the start of its next hour.
TEST(ClockAndName, CorrectionWorkedOutLikeTheWindow) {
    SimProcess sim({QStringLiteral("--clock"), QStringLiteral("2001-03-15 12:58:30")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    CtlRun r = Ctl(sim, {QStringLiteral("clock")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString controller = Line(r.out, QStringLiteral("controller: "));
    ASSERT_TRUE(controller.startsWith(QStringLiteral("15.03.01 12:58:"))) << r.out.toStdString();
    EXPECT_TRUE(controller.endsWith(QStringLiteral(" Четверг Зимнее"))) << controller.toStdString();
    EXPECT_TRUE(Line(r.out, QStringLiteral("computer:   ")).startsWith(QDate::currentDate().toString(QStringLiteral("dd.MM.yy "))));
    EXPECT_TRUE(Line(r.out, QStringLiteral("differs: ")).startsWith(QStringLiteral("date time"))) << r.out.toStdString();
    const int second = controller.mid(15, 2).toInt();
    EXPECT_EQ(Line(r.out, QStringLiteral("correction: ")).toInt(), 90 - (second - 30));

    r = Ctl(sim, {QStringLiteral("set-clock"), QStringLiteral("--correct")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("corrected: "))) << r.out.toStdString();
    EXPECT_TRUE(ControllerTime(sim).startsWith(QStringLiteral("13:00:"))) << ControllerTime(sim).toStdString();
}

// set-clock writes the computer's time: afterwards the two clocks agree, the
// time kind written as the computer's (0 or 0x80).
TEST(ClockAndName, ComputersTimeWritten) {
    SimProcess sim({QStringLiteral("--clock"), QStringLiteral("2001-01-01 00:00:00")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    CtlRun r = Ctl(sim, {QStringLiteral("set-clock")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.startsWith(QStringLiteral("written: ") + QDate::currentDate().toString(QStringLiteral("dd.MM.yy "))))
        << r.out.toStdString();

    r = Ctl(sim, {QStringLiteral("clock")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    // A second may tick between the controller's answer and the computer's look.
    const QString differs = Line(r.out, QStringLiteral("differs: "));
    EXPECT_TRUE(differs == QStringLiteral("nothing") || differs == QStringLiteral("time")) << r.out.toStdString();
    EXPECT_LE(qAbs(Line(r.out, QStringLiteral("correction: ")).toInt()), 1);

    r = Ctl(sim, {QStringLiteral("read-table"), QStringLiteral("2"), QStringLiteral("7")});
    ASSERT_EQ(r.exitCode, 0);
    EXPECT_TRUE(r.out == QStringLiteral("2.7: 00\n") || r.out == QStringLiteral("2.7: 80\n")) << r.out.toStdString();
}

// A destroyed clock or system parameters table: nothing to compare.
TEST(ClockAndName, DestroyedTablesSaySo) {
    SimProcess sim({QStringLiteral("--destroyed"), QStringLiteral("6")});
    ASSERT_TRUE(sim.ready());
    CtlRun r = Ctl(sim, {QStringLiteral("clock")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Разрушена таблица системных параметров."))) << r.err.toStdString();

    SimProcess clockDestroyed({QStringLiteral("--destroyed"), QStringLiteral("2")});
    ASSERT_TRUE(clockDestroyed.ready());
    r = Ctl(clockDestroyed, {QStringLiteral("set-clock"), QStringLiteral("--correct")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Таблица даты и времени разрушена."))) << r.err.toStdString();
    // Writing the computer's time restores it.
    EXPECT_EQ(Ctl(clockDestroyed, {QStringLiteral("set-clock")}).exitCode, 0);
    EXPECT_EQ(Ctl(clockDestroyed, {QStringLiteral("clock")}).exitCode, 0);
}

// The name goes out in the controller's code page and reads back as written;
// an unchanged name sends nothing.
TEST(ClockAndName, NameRoundTrip) {
    struct Case {
        const char* codePage;
        const char* bytes;
    };
    for (const Case& c : {Case{"866", "83 90 91 2D 35 20 FC 32"}, Case{"1251", "C3 D0 D1 2D 35 20 B9 32"}}) {
        SimProcess sim({QStringLiteral("--code-page"), QString::fromLatin1(c.codePage)});
        ASSERT_TRUE(sim.ready());
        CtlRun r = Ctl(sim, {QStringLiteral("set-name"), QStringLiteral("ГРС-5 №2")});
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_EQ(r.out, QStringLiteral("name: ГРС-5 №2\n"));
        r = Ctl(sim, {QStringLiteral("read-table"), QStringLiteral("5")});
        EXPECT_EQ(r.out, QStringLiteral("5.0: %1 20 20 20 20 20 20 20 20 20 20 20 20\n").arg(QString::fromLatin1(c.bytes)))
            << c.codePage;
    }

    // Guillemets exist in Windows-1251 but not in the DOS code page.
    SimProcess sim;
    ASSERT_TRUE(sim.ready());
    CtlRun r = Ctl(sim, {QStringLiteral("set-name"), QStringLiteral("«ГРС»")});
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith(QStringLiteral("Недопустимые символы в наименовании контроллера: \"«»\"")))
        << r.err.toStdString();
}

// Malformed arguments are refused before anything is opened (exit 2).
TEST(ClockAndName, ArgumentsCheckedFirst) {
    const QStringList nowhere = {QStringLiteral("--serial"), QStringLiteral("/nonexistent/zmk-tty")};
    const QList<QStringList> cases = {
        {QStringLiteral("clock"), QStringLiteral("now")},
        {QStringLiteral("set-clock"), QStringLiteral("--later")},
        {QStringLiteral("set-clock"), QStringLiteral("--correct"), QStringLiteral("40000")},
        {QStringLiteral("set-clock"), QStringLiteral("--correct"), QStringLiteral("1.5")},
        {QStringLiteral("set-clock"), QStringLiteral("--correct"), QStringLiteral("1"), QStringLiteral("2")},
        {QStringLiteral("set-name")},
        {QStringLiteral("set-name"), QStringLiteral("a"), QStringLiteral("b")},
        {QStringLiteral("set-name"), QStringLiteral("123456789012345678901")},
        {QStringLiteral("set-name"), QStringLiteral("日本")},
        {QStringLiteral("set-name"), QStringLiteral("tab\there")},
    };
    for (const QStringList& args : cases) {
        QProcess p;
        p.start(CtlPath(), nowhere + args);
        ASSERT_TRUE(p.waitForFinished(30000));
        EXPECT_EQ(p.exitCode(), 2) << args.join(u' ').toStdString();
        EXPECT_FALSE(QString::fromUtf8(p.readAllStandardError()).contains(QStringLiteral("COM1")))
            << "nothing may be opened";
    }
    // A name that begins with "--" is a name, not an option.
    QProcess p;
    p.start(CtlPath(), nowhere + QStringList{QStringLiteral("set-name"), QStringLiteral("--ГРС--")});
    ASSERT_TRUE(p.waitForFinished(30000));
    EXPECT_EQ(p.exitCode(), 1);  // the port is tried: the arguments were good
}
