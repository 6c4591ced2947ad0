#pragma once

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "QtPrinters.h"
#include "link/ControllerLink.h"
#include "link/Frame.h"

// Simulated time for the link engine: sleeping moves the clock, nothing blocks.
class FakeClock : public zmk::LinkClock {
public:
    int64_t nowNs() override { return now; }
    void sleepUntilNs(int64_t deadline) override {
        if (deadline > now) now = deadline;
    }
    int64_t now = 1'000'000'000;
};

// The window's waiter on simulated time: a wait moves the clock by its whole
// time, unless the window's events (`events`, run at the start of each wait
// with the wait's time) wake it: they then return how long after the start
// of the wait that happened. Notes every wait.
class FakeWaiter : public zmk::LinkWaiter {
public:
    explicit FakeWaiter(FakeClock& clock) : clock_(clock) {}

    struct Wait {
        int fd;
        Event event;
        int64_t timeoutNs;
    };

    Result wait(int fd, Event event, int64_t timeoutNs) override {
        waits.push_back({fd, event, timeoutNs});
        if (timeoutNs <= 0) return Result::TimeUp;
        if (events) {
            if (const std::optional<int64_t> wokenAfter = events(timeoutNs)) {
                clock_.now += std::min(*wokenAfter, timeoutNs);
                return Result::Woken;
            }
        }
        clock_.now += timeoutNs;
        return Result::TimeUp;
    }
    void wake() override {}

    std::function<std::optional<int64_t>(int64_t timeoutNs)> events;
    std::vector<Wait> waits;

private:
    FakeClock& clock_;
};

// A channel whose peer is a function: each written block may queue answer
// bytes, which then arrive at once (or one per ReadStep of simulated time).
class ScriptChannel : public zmk::LinkChannel {
public:
    explicit ScriptChannel(FakeClock& clock) : clock_(clock) {}

    bool isOpen() const override { return true; }
    void close() override {}
    bool write(const uint8_t* data, int count) override {
        writes.emplace_back(data, data + count);
        if (failWrites) return false;
        if (peer) {
            const std::vector<uint8_t> answer = peer(writes.back());
            pending.insert(pending.end(), answer.begin(), answer.end());
        }
        return true;
    }
    int readByte(uint8_t* byte) override {
        if (pending.empty()) return 0;
        *byte = pending.front();
        pending.pop_front();
        return 1;
    }
    void waitForData(int64_t timeoutNs) override {
        if (pending.empty()) clock_.now += timeoutNs;
    }
    bool setBaud(int32_t baud) override {
        bauds.push_back(baud);
        return true;
    }
    void setRts(bool on) override { rts.push_back({on, clock_.now}); }
    // An adapter that still holds the block for drainNs after the write
    // call returned; drainNs < 0: a port that cannot report its drain.
    bool drain() override {
        if (drainNs < 0) return false;
        clock_.now += drainNs;
        drainedAt = clock_.now;
        return true;
    }

    struct RtsChange {
        bool on;
        int64_t at;
    };
    std::function<std::vector<uint8_t>(const std::vector<uint8_t>&)> peer;
    std::vector<std::vector<uint8_t>> writes;
    std::deque<uint8_t> pending;
    std::vector<int32_t> bauds;
    std::vector<RtsChange> rts;
    int carrierDetect() override { return dcd; }
    void purge() override { pending.clear(); }
    bool failWrites = false;
    int dcd = -1;  // the modem's carrier-detect line as the port reports it
    int64_t drainNs = -1;
    int64_t drainedAt = -1;

private:
    FakeClock& clock_;
};

// Puts link on a scripted direct-line channel with simulated time: one
// attempt, the port kept open between requests. Returns the channel, which
// the link owns.
inline ScriptChannel* UseScriptChannel(zmk::ControllerLink& link, FakeClock& clock) {
    link.SetClock(&clock);
    link.ClosePortEachExchange = 0;
    link.Attempts = 1;
    auto channel = std::make_unique<ScriptChannel>(clock);
    ScriptChannel* raw = channel.get();
    link.PortHandle = std::move(channel);
    return raw;
}

// Builds an answer frame 33 addr N' func byte4 data... crc.
inline std::vector<uint8_t> AnswerFrame(uint8_t address, uint8_t function, uint8_t byte4,
                                        const std::vector<uint8_t>& data = {}) {
    std::vector<uint8_t> f{0x33, address, uint8_t(data.size() + 7), function, byte4};
    for (uint8_t b : data) f.push_back(b);
    const uint16_t crc = zmk::Crc16(f.data(), uint16_t(f.size()));
    f.push_back(uint8_t(crc & 0xFF));
    f.push_back(uint8_t(crc >> 8));
    return f;
}
