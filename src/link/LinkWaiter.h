#pragma once

#include <cstdint>

namespace zmk {

// How the waits of the link (the answer of the controller, the modem's reply
// line, a TCP connection being made, the pauses between them) let a window
// keep running. The window layer installs one that waits on the descriptor
// and on the window's events together, so that a wait costs no processor
// time and still repaints, takes clicks and sees Esc; zmkctl and the tests on
// simulated time install none, and the waits block on the channel or the
// clock.
//
// A wait may end early for a reason of its caller's (Esc, a stop request,
// window events that asked for something): the caller looks at its own
// clock and flags after every wait and waits again for what is left.
class LinkWaiter {
public:
    // What is awaited of a descriptor.
    enum class Event { Readable, Writable };
    // Why a wait ended.
    enum class Result { Ready, TimeUp, Woken };

    virtual ~LinkWaiter() = default;

    // Waits until descriptor fd is ready for `event`, timeoutNs has passed
    // or wake() is called, whichever comes first; the window's events run
    // meanwhile. A negative fd waits for the time alone; a timeout of zero
    // or less returns TimeUp at once. The descriptor stays the caller's: the
    // waiter neither reads it nor closes it.
    virtual Result wait(int fd, Event event, int64_t timeoutNs) = 0;

    // Ends every wait in progress with Woken; nothing when none is in
    // progress (a later wait is not affected).
    virtual void wake() = 0;

    Result sleep(int64_t timeoutNs) { return wait(-1, Event::Readable, timeoutNs); }
};

}  // namespace zmk
