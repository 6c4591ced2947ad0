#include "link/ui/EventLoopWaiter.h"

#include <QDeadlineTimer>
#include <QSocketNotifier>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <chrono>
#include <climits>
#include <fcntl.h>
#include <memory>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace zmk {

namespace {

constexpr int64_t NsPerMs = 1000000;
constexpr int64_t NsPerSecond = 1000000000;

// The kernel lets a poll time-out run late by up to a thousandth of its
// length (its timer slack: 2 ms on a 2 s wait, 100 ms at most). A longer
// wait therefore has its timer fire early by twice that, and then set again
// for the few milliseconds left, whose slack is a few microseconds.
constexpr int64_t SlackFreeNs = 20 * NsPerMs;
constexpr int64_t SlackShare = 500;

int64_t TimerLeadNs(int64_t remainingNs) {
    return remainingNs < SlackFreeNs ? 0 : remainingNs / SlackShare + NsPerMs;
}

// The timer's interval: whole milliseconds, rounded up so that the caller's
// deadline has passed when it fires.
int TimerMs(int64_t timeoutNs) {
    return int(std::clamp<int64_t>((timeoutNs + NsPerMs - 1) / NsPerMs, 1, INT_MAX));
}

// A wait without the window: ppoll on the descriptor (or on the time alone).
LinkWaiter::Result BlockingWait(int fd, LinkWaiter::Event event, const QDeadlineTimer& deadline) {
    for (;;) {
        const int64_t left = deadline.remainingTimeNSecs();
        if (left <= 0) return LinkWaiter::Result::TimeUp;
        pollfd p{fd, short(event == LinkWaiter::Event::Writable ? POLLOUT : POLLIN), 0};
        const timespec ts{time_t(left / NsPerSecond), long(left % NsPerSecond)};
        const int n = ::ppoll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, &ts, nullptr);
        if (n > 0) return LinkWaiter::Result::Ready;
        if (n < 0 && errno != EINTR) return LinkWaiter::Result::TimeUp;
    }
}

}  // namespace

struct EventLoopWaiter::Wait {
    QEventLoop loop;
    std::optional<Result> result;

    void end(Result why) {
        if (result) return;
        result = why;
        loop.quit();
    }
};

EventLoopWaiter::EventLoopWaiter(QEventLoop::ProcessEventsFlags flags) : flags_(flags) {}

EventLoopWaiter::~EventLoopWaiter() = default;

LinkWaiter::Result EventLoopWaiter::wait(int fd, Event event, int64_t timeoutNs) {
    if (timeoutNs <= 0) return Result::TimeUp;
    Wait wait;

    const QDeadlineTimer deadline(std::chrono::nanoseconds(timeoutNs), Qt::PreciseTimer);
    QTimer timer;
    timer.setSingleShot(true);
    timer.setTimerType(Qt::PreciseTimer);
    auto startTimer = [&timer](int64_t remainingNs) { timer.start(TimerMs(remainingNs - TimerLeadNs(remainingNs))); };
    QObject::connect(&timer, &QTimer::timeout, &wait.loop, [&] {
        const int64_t remaining = deadline.remainingTimeNSecs();
        if (remaining > 0) {
            startTimer(remaining);
        } else {
            wait.end(Result::TimeUp);
        }
    });

    // The notifier watches a duplicate of the descriptor: the channel's own
    // object (QSerialPort, QTcpSocket) keeps a notifier on the original, and
    // the plain Unix event dispatcher holds one notifier per descriptor and
    // kind, a second one taking the first one's place for good. The
    // duplicate also stays valid should the channel close the original
    // while the wait runs.
    const int watched = fd >= 0 ? ::fcntl(fd, F_DUPFD_CLOEXEC, 0) : -1;
    std::unique_ptr<QSocketNotifier> notifier;
    if (watched >= 0) {
        notifier = std::make_unique<QSocketNotifier>(
            qintptr(watched), event == Event::Writable ? QSocketNotifier::Write : QSocketNotifier::Read);
        QObject::connect(notifier.get(), &QSocketNotifier::activated, &wait.loop, [&wait, &notifier] {
            // Level-triggered: it would fire again until the loop returns.
            notifier->setEnabled(false);
            wait.end(Result::Ready);
        });
    }

    startTimer(timeoutNs);
    waits_.push_back(&wait);
    const int exitCode = wait.loop.exec(flags_);
    waits_.pop_back();

    // Off the dispatcher before the descriptor goes.
    notifier.reset();
    // Once the application quits, every event loop ends as soon as it is
    // entered; the wait blocks on the descriptor instead of coming back at
    // once again and again.
    if (!wait.result && exitCode < 0) wait.result = BlockingWait(watched, event, deadline);
    if (watched >= 0) ::close(watched);
    return wait.result.value_or(Result::Woken);
}

void EventLoopWaiter::wake() {
    for (Wait* wait : waits_) wait->end(Result::Woken);
}

}  // namespace zmk
