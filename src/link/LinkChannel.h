#pragma once

#include <cstdint>

#include "link/LinkWaiter.h"

namespace zmk {

// A byte channel under the link engine: a serial port (direct line or modem)
// or a TCP connection. It only moves bytes; framing, timing and the meaning
// of failures belong to the engine.
class LinkChannel {
public:
    virtual ~LinkChannel() = default;

    virtual bool isOpen() const = 0;
    virtual void close() = 0;

    // Writes the whole block; false when the channel refused it or wrote less.
    virtual bool write(const uint8_t* data, int count) = 0;

    // Takes one byte that has already arrived, without waiting:
    // 1 = a byte was stored, 0 = nothing waiting, -1 = the channel failed.
    virtual int readByte(uint8_t* byte) = 0;

    // Blocks until data is waiting or timeoutNs has passed, without using
    // the processor meanwhile. Returns at once when a byte is already waiting.
    virtual void waitForData(int64_t timeoutNs) = 0;

    // The same wait through a waiter: the window's events run meanwhile, and
    // the wait may end early when the waiter is woken. A channel without a
    // descriptor of its own waits for the time alone.
    virtual void waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) { waiter.sleep(timeoutNs); }

    // Serial line controls; a channel without them accepts and ignores them.
    virtual bool setBaud(int32_t /*baud*/) { return true; }
    virtual void purge() {}
    virtual void setRts(bool /*on*/) {}
    virtual void setDtr(bool /*on*/) {}
    // Blocks until everything written has left the port (the driver's and
    // the adapter's queues); false when the port cannot tell, and the caller
    // must keep its own reckoning.
    virtual bool drain() { return false; }
    virtual void clearErrors() {}
    // The modem's carrier-detect line: 1 on, 0 off, -1 the port cannot tell.
    virtual int carrierDetect() { return -1; }
};

}  // namespace zmk
