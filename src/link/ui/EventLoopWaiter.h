#pragma once

#include <QEventLoop>
#include <vector>

#include "link/LinkWaiter.h"

namespace zmk {

// The window's waiter: each wait is a local event loop that ends when a
// notifier on the descriptor fires, when a precise single-shot timer runs
// out, or on wake(). The loop sleeps in the event dispatcher meanwhile, so a
// wait costs no processor time, and the window's events (paint, timers,
// clicks and keys unless the flags exclude them) are handled inside it.
//
// Waits nest: an event handled inside a wait may start another (its own
// exchange is refused, but a modem pause or a clock wait may run); wake()
// ends them all. For the main thread only.
class EventLoopWaiter : public LinkWaiter {
public:
    explicit EventLoopWaiter(QEventLoop::ProcessEventsFlags flags = QEventLoop::AllEvents);
    ~EventLoopWaiter() override;
    EventLoopWaiter(const EventLoopWaiter&) = delete;
    EventLoopWaiter& operator=(const EventLoopWaiter&) = delete;

    Result wait(int fd, Event event, int64_t timeoutNs) override;
    void wake() override;

private:
    struct Wait;
    QEventLoop::ProcessEventsFlags flags_;
    std::vector<Wait*> waits_;  // the waits in progress, the innermost last
};

}  // namespace zmk
