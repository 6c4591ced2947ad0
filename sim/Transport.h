#pragma once

#include "Controller.h"
#include "Modem.h"

#include <cstdint>
#include <cstdio>
#include <deque>
#include <memory>
#include <optional>
#include <string>

namespace zmksim {

// Nanoseconds on CLOCK_MONOTONIC.
using Nanos = int64_t;
Nanos MonotonicNow();

// How the line behaves and how the controller misbehaves on it.
struct LineOptions {
    unsigned baud = 0;               // 0: no pacing; otherwise both directions at this bit rate, 10 bits a byte
    Nanos answerDelay = 0;           // extra wait before each answer
    std::size_t lateRequest = 0;     // the answer to this request (1-based, 0: none) waits lateBy more
    Nanos lateBy = 0;
    bool silent = false;             // never answer
    unsigned badCrcEvery = 0;        // corrupt the checksum of every N-th answer (0: never)
    std::optional<std::size_t> cutAnswersTo;  // send only this many bytes of each answer frame
    std::size_t garbage = 0;         // bytes of noise (never the answer start byte) before each answer
    // On the pseudo-terminal without a modem: a request arriving at a line
    // rate other than the controller's own (table 3 field 1) is noise to it
    // and stays unanswered. A rate change written into table 3 thus counts
    // from the request after the one that wrote it.
    bool checkLineRate = false;
};

// One line per frame received or sent: local date and time with milliseconds,
// RX or TX, the bytes in hexadecimal.
class FrameLog {
public:
    FrameLog() = default;
    ~FrameLog();
    FrameLog(const FrameLog&) = delete;
    FrameLog& operator=(const FrameLog&) = delete;

    bool Open(const std::string& path);
    void Write(const char* direction, const uint8_t* data, std::size_t size);
    // One line of text after the time stamp (the modem dialogue).
    void WriteText(const std::string& text);

private:
    std::FILE* file_ = nullptr;
};

// One client's byte stream: the current TCP connection or the pseudo-terminal.
struct Channel {
    struct PendingRequest {
        Nanos due;   // when the request counts as received (plus the answer delay)
        Bytes frame;
    };

    int fd = -1;
    FrameAssembler assembler;
    Nanos lastArrival = 0;     // when the last bytes were read
    Nanos rxLineFree = 0;      // when the paced inbound line has delivered every byte read so far
    std::deque<PendingRequest> requests;
    Bytes out;                 // answer bytes not yet written
    std::size_t outPos = 0;
    Nanos nextByteDue = 0;     // paced output: deadline of out[outPos]
    bool writeBlocked = false; // the last write would have blocked: wait for POLLOUT
};

// The channels (a TCP listener on 127.0.0.1 and a pseudo-terminal) and the
// single-threaded event loop that moves bytes between them and the controller.
class Transport {
public:
    Transport(Controller& controller, const LineOptions& options, FrameLog* log);
    ~Transport();
    Transport(const Transport&) = delete;
    Transport& operator=(const Transport&) = delete;

    // Listens on 127.0.0.1:port (0 = any free port). On failure returns false with a message.
    bool ListenTcp(uint16_t port, std::string& error);
    // Misbehaving listeners, set before Run: the port stays bound but refuses
    // every connection (refuseTcp), or refuses them for the first delay
    // nanoseconds of Run and then listens.
    void SetTcpRefusal(bool refuseTcp, Nanos delay);
    // Puts a Hayes modem in front of the controller on the pseudo-terminal.
    void SetModem(const ModemOptions& options);
    uint16_t TcpPort() const { return tcpPort_; }
    // Opens a pseudo-terminal pair in raw mode and keeps both ends.
    bool OpenPty(std::string& error);
    const std::string& PtyPath() const { return ptyPath_; }

    // Serves the channels until stopFd becomes readable.
    void Run(int stopFd);

private:
    void AcceptClient();
    void ReadFrom(Channel& channel, bool& closed);
    void Service(Channel& channel, Nanos now);
    void Answer(Channel& channel, const Bytes& frame, Nanos due);
    void Feed(Channel& channel, const uint8_t* data, std::size_t size, Nanos arrival);
    void Queue(Channel& channel, const Bytes& wire, Nanos due);
    void StartListening();
    void Flush(Channel& channel, Nanos now, bool& closed);
    Nanos NextDeadline(const Channel& channel) const;
    void CloseClient();
    // The rate the program set on its end of the pseudo-terminal, bit/s (0 when not a standard rate).
    unsigned PtyLineRate() const;

    Controller& controller_;
    LineOptions options_;
    FrameLog* log_;
    Nanos byteTime_ = 0;
    std::size_t requestsTaken_ = 0;  // requests received on every channel
    unsigned answerCount_ = 0;
    uint32_t noise_ = 0x2545F491;

    int listenFd_ = -1;
    bool listening_ = false;
    bool refuseTcp_ = false;
    Nanos listenDelay_ = 0;
    Nanos listenAt_ = 0;  // when a delayed listener starts listening
    std::unique_ptr<HayesModem> modem_;
    uint16_t tcpPort_ = 0;
    std::unique_ptr<Channel> tcp_;
    std::unique_ptr<Channel> pty_;
    int ptySlaveFd_ = -1;
    std::string ptyPath_;
};

}  // namespace zmksim
