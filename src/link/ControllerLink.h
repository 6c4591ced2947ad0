#pragma once

#include <QString>
#include <algorithm>
#include <array>
#include <cstdint>
#include <functional>
#include <memory>

#include "link/Frame.h"
#include "link/LinkChannel.h"

namespace zmk {

class StatusBarPanel;

enum ChannelKindValue : uint8_t {
    ChannelDirect = 0,    // serial line through a line adapter (RTS keys the transmitter)
    ChannelPhone = 1,     // telephone or GSM modem on a serial port
    ChannelEthernet = 2,  // TCP connection
};

// Monotonic clock of the engine; replaceable so that fuzzing and unit tests
// can run the receive loop on simulated time.
class LinkClock {
public:
    virtual ~LinkClock() = default;
    virtual int64_t nowNs() = 0;
    virtual void sleepUntilNs(int64_t deadlineNs) = 0;
};
LinkClock& MonotonicClock();

// The one controller link: frames requests, sends them over the current
// channel, receives and checks the answers, and keeps the numbered outcome.
class ControllerLink {
public:
    static constexpr int BufSize = 256;

    explicit ControllerLink(uint8_t address);
    ~ControllerLink();
    ControllerLink(const ControllerLink&) = delete;
    ControllerLink& operator=(const ControllerLink&) = delete;

    // Builds, sends and checks one request, up to Attempts times.
    // True when Status is Ok; the answer is then in AnswerBuf (AnswerData()).
    bool SendRequest(uint8_t code, const uint8_t* data, int32_t length, uint8_t leading = 0);
    // Opens serial port ComPortNo, retrying a busy port for PortOpenWait seconds.
    bool OpenPort();
    // Closes the serial port if one is open.
    void ClosePort();
    // "Команда %d.  %s" for the last outcome; kept in MessageBuf.
    QString StatusText();

    // Text of a link status (without the command prefix).
    QString LinkStatusText(LinkStatus status) const;
    // Text of a controller result code: its own text for 1..64, else "Код ошибки = %d".
    static QString ResultCodeText(int code);

    // The channel that carries frames now: the socket on channel 2, the port otherwise.
    LinkChannel* CurrentChannel() const;

    // How the window keeps running while the engine works; both may be
    // absent (zmkctl), and then every wait blocks on the channel or the clock.
    // The pump runs the window's pending events once, at the start of each
    // attempt and before each look at the channel. The waiter carries the
    // waits themselves (the answer, the pauses): the window's events run
    // inside them and a wake ends them early, after which the engine looks
    // at AbortFlag and its deadline and waits again for what is left. A pump
    // without a waiter makes the waits short slices with the pump between.
    // Whatever the window does meanwhile, a request it makes while an
    // exchange runs is refused (LinkStatus::Busy) and leaves the running
    // exchange's outcome alone.
    void SetPump(std::function<void()> pump) { pump_ = std::move(pump); }
    void SetWaiter(LinkWaiter* waiter) { waiter_ = waiter; }
    LinkWaiter* Waiter() const { return waiter_; }
    // Sees every frame that goes out (without preambles) and every answer
    // received, complete or not.
    using FrameObserver = std::function<void(bool sent, const uint8_t* bytes, int count)>;
    void SetFrameObserver(FrameObserver observer) { observer_ = std::move(observer); }
    void SetClock(LinkClock* clock) { clock_ = clock; }
    bool InExchange() const { return inExchange_; }

    // On a dialled line: watch what the modem puts on the line for
    // "NO CARRIER", and its carrier-detect line where the port reports it.
    // Once the carrier is lost every request fails at once with
    // LinkStatus::CarrierLost and the handler runs (once, possibly from
    // inside an exchange: it must not start another). Switching the watch on
    // again (a new call) clears the loss.
    void SetCarrierWatch(bool on);
    void SetCarrierLostHandler(std::function<void()> handler) { carrierLostHandler_ = std::move(handler); }
    bool CarrierLost() const { return carrierLost_; }
    // Between exchanges: looks at what has arrived on a watched line and at
    // its carrier-detect line. False once the carrier is lost.
    bool CheckCarrier();

    // The answer of the last successful request, for callers outside the
    // engine: its data are the bytes after the head (start, address, length,
    // function code) and before the CRC.
    const uint8_t* AnswerData() const { return AnswerBuf.data() + AnswerHeadSize; }
    int AnswerDataLength() const { return std::max(int(AnswerBuf[2]) - MinAnswerLength, 0); }
    // The address the answer came from.
    uint8_t AnswerAddress() const { return AnswerBuf[1]; }

    // Fields of the link object, in their order.
    uint8_t AbortFlag = 0;
    std::array<uint8_t, BufSize> RequestBuf{};
    std::array<uint8_t, BufSize> AnswerBuf{};
    uint8_t ChannelKind = ChannelDirect;
    uint8_t ComPortNo = 1;
    std::unique_ptr<LinkChannel> PortHandle;
    std::unique_ptr<LinkChannel> Socket;
    int32_t PortOpenWait = 1;
    uint8_t ClosePortEachExchange = 1;
    uint8_t Address;
    int32_t BaudRate = 1200;
    uint8_t Preambles = 0;
    std::array<uint8_t, 12> WritePassword;
    std::array<uint8_t, 4> UserCode;
    int32_t ByteGapMs = 10;
    int32_t AnswerWaitMs = 2000;
    uint8_t Attempts = 2;
    LinkStatus Status = LinkStatus::Ok;
    double LastExchangeTime = 0;
    StatusBarPanel* StatusPanel = nullptr;
    QString MessageBuf;
    uint8_t LastFunction = 0;

private:
    bool ExchangeFrame(int frameLength);
    bool Receive();
    void Pump();
    void SleepMs(int ms);
    // Whether the byte completes "NO CARRIER" on a watched line.
    bool SeesNoCarrier(uint8_t byte);
    // Takes everything waiting on a watched line, looking for "NO CARRIER",
    // and checks the carrier-detect line.
    void ScanWaitingInput(LinkChannel* channel);
    void MarkCarrierLost();
    // Waits for the channel (or for the time alone without one) through the waiter.
    void WaitThroughWaiter(LinkChannel* channel, int64_t timeoutNs);

    std::function<void()> pump_;
    LinkWaiter* waiter_ = nullptr;
    FrameObserver observer_;
    LinkClock* clock_;
    bool inExchange_ = false;
    QString refusalText_;
    int received_ = 0;  // bytes of the answer frame taken by the receiver
    // The address an answer to address 255 came from, adopted once the
    // answer has passed its checks.
    bool adoptPending_ = false;
    uint8_t adoptedAddress_ = 0;
    bool carrierWatch_ = false;
    bool carrierLost_ = false;
    bool carrierDetectSeen_ = false;  // the port reported carrier detect on when the watch began
    int noCarrierMatched_ = 0;        // characters of "NO CARRIER" matched so far
    std::function<void()> carrierLostHandler_;
};

}  // namespace zmk
