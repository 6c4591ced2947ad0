// The window's waiter (a local event loop ended by the channel's descriptor,
// the deadline or a wake) under the link engine, against the simulator over
// TCP and over a pseudo-terminal, with the link set up as the main window
// sets it up.
#include <QDir>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTimer>
#include <QtTest>
#include <functional>

#include "SimLink.h"
#include "link/ControllerLink.h"
#include "link/ui/EventLoopWaiter.h"

using namespace zmk;

Q_DECLARE_METATYPE(SimTransport)

namespace {

// Before the answer wait of a request starts: the pause before each
// Ethernet request; on the direct line the RTS lead and the request's own
// transmission, a few milliseconds.
qint64 BeforeAnswerWaitMs(SimTransport transport) { return transport == SimTransport::Tcp ? 500 : 0; }
// How late a time-out may end, counted past the deadline (the direct
// line's RTS and transmission time included).
constexpr qint64 LateMs = 15;

// A link to the simulator whose waits go through the window's waiter.
class WindowLink {
public:
    explicit WindowLink(SimTransport transport, const QStringList& simArgs = {}, int answerWaitMs = 2000)
        : sim(transport, simArgs) {
        sim.answerWaitMs = answerWaitMs;
        link.SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
        link.SetWaiter(&waiter);
    }
    bool Open() {
        if (!sim.ready()) {
            qWarning("simulator: %s", qPrintable(sim.output()));
            return false;
        }
        if (sim.Open(link)) return true;
        qWarning("link: %s", qPrintable(sim.message()));
        return false;
    }
    // Table 0 fields 0..17; the time it took goes to *ms.
    bool Read(qint64* ms = nullptr) {
        const uint8_t body[3] = {0, 0, 18};
        QElapsedTimer timer;
        timer.start();
        const bool ok = link.SendRequest(1, body, 3);
        if (ms) *ms = timer.elapsed();
        return ok;
    }

    SimLink sim;
    EventLoopWaiter waiter;
    ControllerLink link{0};
    QObject context;  // of the test's timers: gone first, timers included
};

qsizetype OpenDescriptors() { return QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::Files | QDir::System).size(); }

void AddTransports() {
    QTest::addColumn<SimTransport>("transport");
    QTest::newRow("tcp") << SimTransport::Tcp;
    QTest::newRow("pty") << SimTransport::Pty;
}

}  // namespace

class EventLoopWaiterTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        // A second notifier on a descriptor that has one, or a notifier left
        // on a closed descriptor, shows as a warning of the dispatcher.
        QTest::failOnWarning(QRegularExpression(QStringLiteral("[Nn]otifier|[Ss]ocket")));
    }

    // A silent controller: the request ends with NoAnswer at its deadline,
    // neither earlier nor more than a few milliseconds later, also when the
    // window wakes the wait again and again meanwhile.
    void silentControllerEndsAtItsDeadline_data() {
        QTest::addColumn<SimTransport>("transport");
        QTest::addColumn<bool>("wakes");
        QTest::newRow("tcp") << SimTransport::Tcp << false;
        QTest::newRow("pty") << SimTransport::Pty << false;
        QTest::newRow("tcp, woken every 40 ms") << SimTransport::Tcp << true;
        QTest::newRow("pty, woken every 40 ms") << SimTransport::Pty << true;
    }
    void silentControllerEndsAtItsDeadline() {
        QFETCH(SimTransport, transport);
        QFETCH(bool, wakes);
        constexpr int AnswerWaitMs = 1000;
        WindowLink w(transport, {QStringLiteral("--silent")}, AnswerWaitMs);
        QVERIFY(w.Open());
        QTimer waking;
        QObject::connect(&waking, &QTimer::timeout, [&] { w.waiter.wake(); });
        if (wakes) waking.start(40);
        qint64 ms = 0;
        QVERIFY(!w.Read(&ms));
        QCOMPARE(w.link.Status, LinkStatus::NoAnswer);
        const qint64 expected = BeforeAnswerWaitMs(transport) + AnswerWaitMs;
        QVERIFY2(ms >= expected && ms < expected + LateMs, qPrintable(QString::number(ms)));
    }

    // An answer ends the wait as soon as it is in, request after request,
    // each well inside its 3 s answer wait: an answer that comes late, and
    // one paced byte by byte. The descriptors the waits watch are given back.
    void answerEndsTheWaitAtOnce_data() {
        QTest::addColumn<SimTransport>("transport");
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<qint64>("answerAfterMs");  // counted from the start of the answer wait
        const QStringList late = {QStringLiteral("--answer-delay-ms"), QStringLiteral("150")};
        const QStringList paced = {QStringLiteral("--baud"), QStringLiteral("9600")};
        QTest::newRow("tcp, 150 ms late") << SimTransport::Tcp << late << qint64(150);
        QTest::newRow("pty, 150 ms late") << SimTransport::Pty << late << qint64(150);
        QTest::newRow("pty, 9600 bit/s") << SimTransport::Pty << paced << qint64(0);
    }
    void answerEndsTheWaitAtOnce() {
        QFETCH(SimTransport, transport);
        QFETCH(QStringList, simArgs);
        QFETCH(qint64, answerAfterMs);
        WindowLink w(transport, simArgs, 3000);
        QVERIFY(w.Open());
        const qint64 before = BeforeAnswerWaitMs(transport);
        qsizetype descriptors = 0;
        for (int i = 0; i < 4; ++i) {
            qint64 ms = 0;
            QVERIFY2(w.Read(&ms), qPrintable(w.link.StatusText()));
            QCOMPARE(int(w.link.AnswerData()[4 + 1]), 73);  // the type code
            QVERIFY2(ms >= before + answerAfterMs && ms < before + answerAfterMs + 100,
                     qPrintable(QString::number(ms)));
            if (i == 0) descriptors = OpenDescriptors();
        }
        QCOMPARE(OpenDescriptors(), descriptors);
    }

    // What the window does to stop an exchange (the abort flag, then a
    // wake) ends the wait at once.
    void stopRequestEndsTheWaitAtOnce_data() { AddTransports(); }
    void stopRequestEndsTheWaitAtOnce() {
        QFETCH(SimTransport, transport);
        WindowLink w(transport, {QStringLiteral("--silent")}, 3000);
        QVERIFY(w.Open());
        const qint64 stopAtMs = BeforeAnswerWaitMs(transport) + 200;
        QTimer::singleShot(int(stopAtMs), &w.context, [&] {
            w.link.AbortFlag = 1;
            w.waiter.wake();
        });
        qint64 ms = 0;
        QVERIFY(!w.Read(&ms));
        QCOMPARE(w.link.Status, LinkStatus::Aborted);
        // (The timer was started a moment before the request.)
        QVERIFY2(ms >= stopAtMs - 5 && ms < stopAtMs + 100, qPrintable(QString::number(ms)));
    }

    // The window runs during the wait: its timers fire, and a request one
    // of them makes is refused while the running exchange keeps its own
    // outcome.
    void windowEventsRunDuringTheWait() {
        WindowLink w(SimTransport::Pty, {QStringLiteral("--silent")}, 500);
        QVERIFY(w.Open());
        int ticks = 0;
        QTimer ticking;
        QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
        ticking.start(10);
        bool innerResult = true;
        QString innerText;
        QTimer::singleShot(100, &w.context, [&] {
            innerResult = w.Read();
            innerText = w.link.StatusText();
        });
        QVERIFY(!w.Read());
        QCOMPARE(w.link.StatusText(), QStringLiteral("Команда 1.  Устройство не отвечает"));
        QVERIFY(!innerResult);
        QCOMPARE(innerText, QStringLiteral("Команда 1.  Предыдущий обмен с контроллером ещё не завершён"));
        QVERIFY2(ticks >= 25, qPrintable(QString::number(ticks)));  // 50 due in 500 ms
    }

    // The controller's end goes away during the wait: over TCP the request
    // fails as soon as the connection is closed; the pseudo-terminal stays
    // readable without data after its far end is gone, and the wait runs to
    // its deadline without taking that for an answer.
    void peerGoneDuringTheWait_data() {
        QTest::addColumn<SimTransport>("transport");
        QTest::addColumn<LinkStatus>("status");
        QTest::addColumn<qint64>("endsAtMs");  // counted from the start of the answer wait
        QTest::newRow("tcp") << SimTransport::Tcp << LinkStatus::RecvFailed << qint64(200);
        QTest::newRow("pty") << SimTransport::Pty << LinkStatus::NoAnswer << qint64(1000);
    }
    void peerGoneDuringTheWait() {
        QFETCH(SimTransport, transport);
        QFETCH(LinkStatus, status);
        QFETCH(qint64, endsAtMs);
        WindowLink w(transport, {QStringLiteral("--silent")}, 1000);
        QVERIFY(w.Open());
        const qint64 before = BeforeAnswerWaitMs(transport);
        QTimer::singleShot(int(before + 200), &w.context, [&] { w.sim.process().stop(); });
        qint64 ms = 0;
        QVERIFY(!w.Read(&ms));
        QCOMPARE(w.link.Status, status);
        // The simulator takes some milliseconds to end.
        QVERIFY2(ms >= before + endsAtMs - 5 && ms < before + endsAtMs + 300, qPrintable(QString::number(ms)));
    }

    // wake() ends every wait in progress, nested ones included, and nothing
    // else: a wake while none runs leaves the next wait its whole time.
    void wakeEndsTheWaitsInProgressOnly() {
        EventLoopWaiter waiter;
        LinkWaiter::Result inner = LinkWaiter::Result::TimeUp;
        QObject context;
        QTimer::singleShot(20, &context, [&] {
            QTimer::singleShot(20, &context, [&] { waiter.wake(); });
            inner = waiter.sleep(5'000'000'000);
        });
        QElapsedTimer timer;
        timer.start();
        QCOMPARE(waiter.sleep(5'000'000'000), LinkWaiter::Result::Woken);
        QCOMPARE(inner, LinkWaiter::Result::Woken);
        QVERIFY2(timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));

        waiter.wake();
        timer.restart();
        QCOMPARE(waiter.sleep(100'000'000), LinkWaiter::Result::TimeUp);
        QVERIFY2(timer.elapsed() >= 100, qPrintable(QString::number(timer.elapsed())));
    }

    // While the application quits, event loops end as soon as they are
    // entered: a wait then still takes its time (blocking, as a wait without
    // a window does) rather than coming back at once, which would set its
    // caller spinning.
    void waitWhileTheApplicationQuitsTakesItsTime() {
        EventLoopWaiter waiter;
        LinkWaiter::Result result = LinkWaiter::Result::Woken;
        qint64 ms = 0;
        QObject context;
        QTimer::singleShot(0, &context, [&] {
            QCoreApplication::exit(0);
            QElapsedTimer timer;
            timer.start();
            result = waiter.sleep(200'000'000);
            ms = timer.elapsed();
        });
        QCoreApplication::exec();  // ends the quit when it returns
        QCOMPARE(result, LinkWaiter::Result::TimeUp);
        QVERIFY2(ms >= 200 && ms < 400, qPrintable(QString::number(ms)));
    }
};

QTEST_MAIN(EventLoopWaiterTest)
#include "EventLoopWaiterTest.moc"
