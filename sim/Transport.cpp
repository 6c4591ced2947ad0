#include "Transport.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <arpa/inet.h>
#include <poll.h>
#include <sys/socket.h>
#include <termios.h>
#include <unistd.h>
#include <utility>

namespace zmksim {

namespace {

constexpr Nanos kNanosPerSecond = 1'000'000'000;
constexpr Nanos kNanosPerMs = 1'000'000;
constexpr unsigned kBitsPerByte = 10;  // start bit, 8 data bits, stop bit
// A request whose bytes stop for this long is abandoned; the next byte starts afresh.
constexpr Nanos kRequestGap = 500 * kNanosPerMs;
// Deadlines closer than this are met with clock_nanosleep instead of poll's
// millisecond time-out, so that paced bytes leave on time.
constexpr Nanos kSleepThreshold = 2 * kNanosPerMs;
// Answers not taken by the client are dropped beyond this.
constexpr std::size_t kMaxPendingOutput = 64 * 1024;
constexpr Nanos kNever = INT64_MAX;

bool SetNonBlocking(int fd) {
    const int flags = fcntl(fd, F_GETFL);
    return flags >= 0 && fcntl(fd, F_SETFL, flags | O_NONBLOCK) == 0;
}

void SleepUntil(Nanos deadline) {
    timespec ts{static_cast<time_t>(deadline / kNanosPerSecond), static_cast<long>(deadline % kNanosPerSecond)};
    while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
    }
}

}  // namespace

Nanos MonotonicNow() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return Nanos{ts.tv_sec} * kNanosPerSecond + ts.tv_nsec;
}

// --- FrameLog ----------------------------------------------------------------

FrameLog::~FrameLog() {
    if (file_) std::fclose(file_);
}

bool FrameLog::Open(const std::string& path) {
    file_ = std::fopen(path.c_str(), "a");
    return file_ != nullptr;
}

void FrameLog::Write(const char* direction, const uint8_t* data, std::size_t size) {
    if (!file_) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
    std::fprintf(file_, "%s.%03ld %s", stamp, ts.tv_nsec / 1'000'000, direction);
    for (std::size_t i = 0; i < size; ++i) std::fprintf(file_, " %02X", data[i]);
    std::fputc('\n', file_);
    std::fflush(file_);
}

void FrameLog::WriteText(const std::string& text) {
    if (!file_) return;
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    std::tm tm{};
    localtime_r(&ts.tv_sec, &tm);
    char stamp[32];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%S", &tm);
    std::fprintf(file_, "%s.%03ld %s\n", stamp, ts.tv_nsec / 1'000'000, text.c_str());
    std::fflush(file_);
}

// --- Transport ---------------------------------------------------------------

Transport::Transport(Controller& controller, const LineOptions& options, FrameLog* log)
    : controller_(controller), options_(options), log_(log) {
    if (options_.baud > 0) byteTime_ = kBitsPerByte * kNanosPerSecond / options_.baud;
}

Transport::~Transport() {
    CloseClient();
    if (listenFd_ >= 0) close(listenFd_);
    if (pty_) close(pty_->fd);
    if (ptySlaveFd_ >= 0) close(ptySlaveFd_);
}

bool Transport::ListenTcp(uint16_t port, std::string& error) {
    listenFd_ = socket(AF_INET, SOCK_STREAM, 0);
    if (listenFd_ < 0) {
        error = std::string("socket: ") + std::strerror(errno);
        return false;
    }
    const int yes = 1;
    setsockopt(listenFd_, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(port);
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0) {
        error = "cannot listen on 127.0.0.1:" + std::to_string(port) + ": " + std::strerror(errno);
        return false;
    }
    if (!SetNonBlocking(listenFd_)) {
        error = std::string("fcntl: ") + std::strerror(errno);
        return false;
    }
    // Bound but not yet listening, a port refuses connections (the peer gets a reset).
    if (!refuseTcp_ && listenDelay_ == 0) {
        if (listen(listenFd_, 4) != 0) {
            error = std::string("listen: ") + std::strerror(errno);
            return false;
        }
        listening_ = true;
    }
    socklen_t len = sizeof addr;
    getsockname(listenFd_, reinterpret_cast<sockaddr*>(&addr), &len);
    tcpPort_ = ntohs(addr.sin_port);
    return true;
}

void Transport::SetTcpRefusal(bool refuseTcp, Nanos delay) {
    refuseTcp_ = refuseTcp;
    listenDelay_ = delay;
}

void Transport::SetModem(const ModemOptions& options) {
    modem_ = std::make_unique<HayesModem>(options, [this](const std::string& line) {
        if (log_) log_->WriteText("MODEM " + line);
    });
}

void Transport::StartListening() {
    if (listenFd_ < 0 || listening_) return;
    if (listen(listenFd_, 4) != 0) {
        std::fprintf(stderr, "zmk-sim: listen: %s\n", std::strerror(errno));
        return;
    }
    listening_ = true;
}

bool Transport::OpenPty(std::string& error) {
    const int master = posix_openpt(O_RDWR | O_NOCTTY);
    if (master < 0 || grantpt(master) != 0 || unlockpt(master) != 0) {
        error = std::string("cannot open a pseudo-terminal: ") + std::strerror(errno);
        if (master >= 0) close(master);
        return false;
    }
    const char* name = ptsname(master);
    if (!name) {
        error = "cannot name the pseudo-terminal";
        close(master);
        return false;
    }
    ptyPath_ = name;
    // Our own open slave keeps the master from seeing EIO whenever the client
    // closes its end; it also lets us put the line into raw mode once.
    ptySlaveFd_ = open(ptyPath_.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (ptySlaveFd_ < 0) {
        error = "cannot open " + ptyPath_ + ": " + std::strerror(errno);
        close(master);
        return false;
    }
    termios tio{};
    if (tcgetattr(ptySlaveFd_, &tio) == 0) {
        cfmakeraw(&tio);
        tio.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
        tio.c_cc[VMIN] = 1;
        tio.c_cc[VTIME] = 0;
        tcsetattr(ptySlaveFd_, TCSANOW, &tio);
    }
    SetNonBlocking(master);
    pty_ = std::make_unique<Channel>();
    pty_->fd = master;
    return true;
}

void Transport::CloseClient() {
    if (tcp_) {
        close(tcp_->fd);
        tcp_.reset();
    }
}

void Transport::AcceptClient() {
    const int fd = accept(listenFd_, nullptr, nullptr);
    if (fd < 0) return;
    // One client at a time: a new connection replaces the old one.
    CloseClient();
    SetNonBlocking(fd);
    const int yes = 1;
    setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &yes, sizeof yes);
    tcp_ = std::make_unique<Channel>();
    tcp_->fd = fd;
}

void Transport::ReadFrom(Channel& channel, bool& closed) {
    uint8_t buf[4096];
    for (;;) {
        const ssize_t n = read(channel.fd, buf, sizeof buf);
        if (n == 0) {
            closed = true;
            return;
        }
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) closed = true;
            return;
        }
        const Nanos arrival = MonotonicNow();
        if (modem_ && &channel == pty_.get()) {
            // The modem takes the computer's bytes; only data-mode bytes reach the controller.
            Bytes toController, toComputer;
            modem_->FromComputer(buf, static_cast<std::size_t>(n), arrival, toController, toComputer);
            Queue(channel, toComputer, arrival);
            Feed(channel, toController.data(), toController.size(), arrival);
        } else {
            Feed(channel, buf, static_cast<std::size_t>(n), arrival);
        }
        if (static_cast<std::size_t>(n) < sizeof buf) return;
    }
}

void Transport::Feed(Channel& channel, const uint8_t* data, std::size_t size, Nanos arrival) {
    if (size == 0) return;
    if (!channel.assembler.Idle() && arrival - channel.lastArrival > kRequestGap) channel.assembler.Reset();
    channel.lastArrival = arrival;
    for (std::size_t i = 0; i < size; ++i) {
        // On a paced line a byte is there only one byte time after the
        // line has delivered the one before it.
        channel.rxLineFree = std::max(channel.rxLineFree, arrival) + byteTime_;
        if (channel.assembler.Push(data[i])) {
            if (modem_ && &channel == pty_.get()) {
                Bytes toComputer;
                const bool lost = modem_->RequestPassed(toComputer);
                Queue(channel, toComputer, arrival);
                if (lost) continue;
            }
            ++requestsTaken_;
            const Nanos late = requestsTaken_ == options_.lateRequest ? options_.lateBy : 0;
            channel.requests.push_back({channel.rxLineFree + options_.answerDelay + late, channel.assembler.Frame()});
        }
    }
}

void Transport::Queue(Channel& channel, const Bytes& wire, Nanos due) {
    if (wire.empty()) return;
    if (channel.out.size() - channel.outPos + wire.size() > kMaxPendingOutput) return;
    if (channel.outPos == channel.out.size()) {
        channel.out.clear();
        channel.outPos = 0;
        // The first byte is complete on the line one byte time after the
        // request was; later output queues behind what is still going out.
        channel.nextByteDue = std::max(channel.nextByteDue, due) + byteTime_;
    }
    channel.out.insert(channel.out.end(), wire.begin(), wire.end());
}

unsigned Transport::PtyLineRate() const {
    termios tio{};
    if (ptySlaveFd_ < 0 || tcgetattr(ptySlaveFd_, &tio) != 0) return 0;
    static const std::pair<speed_t, unsigned> kRates[] = {
        {B300, 300},     {B600, 600},     {B1200, 1200},     {B2400, 2400},     {B4800, 4800},
        {B9600, 9600},   {B19200, 19200}, {B38400, 38400},   {B57600, 57600},   {B115200, 115200},
        {B230400, 230400},
    };
    const speed_t speed = cfgetospeed(&tio);
    for (const auto& [code, rate] : kRates)
        if (code == speed) return rate;
    return 0;
}

void Transport::Answer(Channel& channel, const Bytes& frame, Nanos due) {
    if (log_) log_->Write("RX", frame.data(), frame.size());
    if (options_.silent) return;
    // Without a call in data mode the modem carries nothing back.
    if (modem_ && &channel == pty_.get() && !modem_->Online()) return;
    if (options_.checkLineRate && !modem_ && &channel == pty_.get()) {
        const unsigned rate = PtyLineRate();
        if (rate != controller_.LineRate()) {
            if (log_) log_->WriteText("line rate " + std::to_string(rate) + " bit/s, the controller's is " +
                                      std::to_string(controller_.LineRate()) + ": not understood");
            return;
        }
    }
    const std::optional<Bytes> answer = controller_.HandleFrame(frame);
    if (!answer) return;

    Bytes frameOut = *answer;
    ++answerCount_;
    if (options_.badCrcEvery > 0 && answerCount_ % options_.badCrcEvery == 0) frameOut[frameOut.size() - 2] ^= 0xFF;
    if (options_.cutAnswersTo && *options_.cutAnswersTo < frameOut.size()) frameOut.resize(*options_.cutAnswersTo);

    Bytes wire;
    for (std::size_t i = 0; i < options_.garbage; ++i) {
        // xorshift32: deterministic noise that is never the answer start byte
        noise_ ^= noise_ << 13;
        noise_ ^= noise_ >> 17;
        noise_ ^= noise_ << 5;
        uint8_t b = static_cast<uint8_t>(noise_);
        if (b == kAnswerStart) b = static_cast<uint8_t>(~b);
        wire.push_back(b);
    }
    wire.insert(wire.end(), controller_.AnswerPreambles(), kPreamble);
    wire.insert(wire.end(), frameOut.begin(), frameOut.end());
    if (log_) log_->Write("TX", wire.data(), wire.size());
    Queue(channel, wire, due);
}

void Transport::Flush(Channel& channel, Nanos now, bool& closed) {
    while (channel.outPos < channel.out.size()) {
        std::size_t chunk;
        if (byteTime_ == 0) {
            chunk = channel.out.size() - channel.outPos;
        } else {
            if (channel.nextByteDue > now) return;
            chunk = 1;
        }
        const ssize_t n = write(channel.fd, channel.out.data() + channel.outPos, chunk);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (errno == EAGAIN || errno == EWOULDBLOCK) {
                channel.writeBlocked = true;
            } else {
                closed = true;
            }
            return;
        }
        channel.writeBlocked = false;
        channel.outPos += static_cast<std::size_t>(n);
        if (byteTime_ > 0 && channel.outPos < channel.out.size()) channel.nextByteDue += byteTime_;
    }
}

void Transport::Service(Channel& channel, Nanos now) {
    while (!channel.requests.empty() && channel.requests.front().due <= now) {
        Channel::PendingRequest request = std::move(channel.requests.front());
        channel.requests.pop_front();
        Answer(channel, request.frame, request.due);
    }
}

Nanos Transport::NextDeadline(const Channel& channel) const {
    Nanos next = kNever;
    if (!channel.requests.empty()) next = channel.requests.front().due;
    if (channel.outPos < channel.out.size() && !channel.writeBlocked) {
        next = std::min(next, byteTime_ == 0 ? Nanos{0} : channel.nextByteDue);
    }
    return next;
}

void Transport::Run(int stopFd) {
    if (listenFd_ >= 0 && !listening_ && !refuseTcp_) listenAt_ = MonotonicNow() + listenDelay_;
    for (;;) {
        const Nanos now = MonotonicNow();
        Nanos deadline = kNever;
        if (listenFd_ >= 0 && !listening_ && !refuseTcp_) {
            if (now >= listenAt_) StartListening();
            else deadline = listenAt_;
        }
        if (modem_ && pty_) {
            Bytes toComputer;
            modem_->Tick(now, toComputer);
            Queue(*pty_, toComputer, now);
            deadline = std::min(deadline, modem_->NextDeadline());
        }
        for (Channel* channel : {tcp_.get(), pty_.get()}) {
            if (!channel) continue;
            bool closed = false;
            Service(*channel, now);
            if (!channel->writeBlocked) Flush(*channel, now, closed);
            if (closed && channel == tcp_.get()) {
                CloseClient();
                continue;
            }
            deadline = std::min(deadline, NextDeadline(*channel));
        }

        int timeoutMs = -1;
        if (deadline != kNever) {
            const Nanos wait = deadline - MonotonicNow();
            if (wait <= 0) {
                timeoutMs = 0;
            } else if (wait <= kSleepThreshold) {
                SleepUntil(deadline);
                continue;
            } else {
                timeoutMs = static_cast<int>(std::min<Nanos>((wait - kSleepThreshold / 2) / kNanosPerMs, INT_MAX));
            }
        }

        pollfd fds[4];
        nfds_t count = 0;
        fds[count++] = {stopFd, POLLIN, 0};
        const int listenAt = listening_ ? static_cast<int>(count) : -1;
        if (listening_) fds[count++] = {listenFd_, POLLIN, 0};
        const int tcpAt = tcp_ ? static_cast<int>(count) : -1;
        if (tcp_) fds[count++] = {tcp_->fd, static_cast<short>(POLLIN | (tcp_->writeBlocked ? POLLOUT : 0)), 0};
        const int ptyAt = pty_ ? static_cast<int>(count) : -1;
        if (pty_) fds[count++] = {pty_->fd, static_cast<short>(POLLIN | (pty_->writeBlocked ? POLLOUT : 0)), 0};

        const int ready = poll(fds, count, timeoutMs);
        if (ready < 0) {
            if (errno == EINTR) continue;
            return;
        }
        if (fds[0].revents) return;

        if (ptyAt >= 0) {
            const short ev = fds[ptyAt].revents;
            if (ev & POLLOUT) pty_->writeBlocked = false;
            bool closed = false;
            if (ev & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*pty_, closed);
            // With our own slave end open the master should never fail; if it
            // does, give the pseudo-terminal up rather than spin on it.
            if (closed || (ev & POLLNVAL)) {
                std::fprintf(stderr, "zmk-sim: the pseudo-terminal %s failed, no longer served\n", ptyPath_.c_str());
                close(pty_->fd);
                pty_.reset();
            }
        }
        if (tcpAt >= 0 && tcp_) {
            const short ev = fds[tcpAt].revents;
            if (ev & POLLOUT) tcp_->writeBlocked = false;
            bool closed = false;
            if (ev & (POLLIN | POLLHUP | POLLERR)) ReadFrom(*tcp_, closed);
            if (closed || (ev & POLLNVAL)) CloseClient();
        }
        if (listenAt >= 0 && (fds[listenAt].revents & POLLIN)) AcceptClient();
    }
}

}  // namespace zmksim
