#include "link/TcpConnect.h"

#include <QElapsedTimer>
#include <QHostAddress>
#include <QHostInfo>
#include <QTcpSocket>
#include <QThread>
#include <algorithm>
#include <cstdint>
#include <memory>

#include "link/TcpChannel.h"

#ifndef Q_OS_WIN
#include <arpa/inet.h>
#include <cerrno>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#endif

namespace zmk {

namespace {

constexpr int64_t MsPerSecond = 1000;
// Pause after a refused attempt, so that a refusing peer does not keep a
// processor core busy.
constexpr int RetryPauseMs = 50;
// Longest single wait inside the connection loop when the pump runs between
// waits (no waiter).
constexpr int WaitSliceMs = 20;
constexpr int64_t NsPerMs = 1000000;

// Parses one part of a dotted address: decimal, "0x" hexadecimal or octal
// with a leading 0. False when the text is empty, has a stray character or
// the value exceeds 32 bits.
bool ParseNumberPart(QStringView text, uint64_t& value) {
    int base = 10;
    qsizetype i = 0;
    if (text.size() >= 2 && text[0] == u'0' && (text[1] == u'x' || text[1] == u'X')) {
        base = 16;
        i = 2;
        if (text.size() == 2) return false;
    } else if (text.size() >= 2 && text[0] == u'0') {
        base = 8;
        i = 1;
    }
    if (i >= text.size() && base == 10) return false;
    value = 0;
    for (; i < text.size(); ++i) {
        const char16_t c = text[i].unicode();
        int digit = -1;
        if (c >= u'0' && c <= u'9') digit = c - u'0';
        else if (c >= u'a' && c <= u'f') digit = c - u'a' + 10;
        else if (c >= u'A' && c <= u'F') digit = c - u'A' + 10;
        if (digit < 0 || digit >= base) return false;
        value = value * uint64_t(base) + uint64_t(digit);
        if (value > 0xFFFFFFFFull) return false;
    }
    return true;
}

// Waits about `ms` milliseconds, through the waiter or with the pump running,
// without holding the processor.
void PauseWithEvents(int ms, const std::function<void()>& pump, LinkWaiter* waiter) {
    QElapsedTimer timer;
    timer.start();
    if (waiter) {
        // A wake does not shorten the pause: the rest is waited out.
        for (int64_t left = int64_t(ms) * NsPerMs; left > 0; left = int64_t(ms) * NsPerMs - timer.nsecsElapsed())
            waiter->sleep(left);
        return;
    }
    for (;;) {
        if (pump) pump();
        const int64_t left = ms - timer.elapsed();
        if (left <= 0) break;
        QThread::msleep(unsigned(std::min<int64_t>(left, 10)));
    }
}

#ifndef Q_OS_WIN

enum class AttemptResult { Connected, Failed, SocketFailed, TimedOut };

// One connection attempt on a new non-blocking socket, waited for until
// `deadline` (the elapsed time of `clock` in ms): through the waiter, else in
// short slices with the pump between. On success *fd holds the connected
// socket.
AttemptResult ConnectAttempt(const SockAddr& to, const QElapsedTimer& clock, int64_t deadline,
                             const std::function<void()>& pump, LinkWaiter* waiter, int* fd) {
    const int s = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (s < 0) return AttemptResult::SocketFailed;
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_port = htons(to.Port);
    addr.sin_addr.s_addr = htonl(to.Address);
    if (::connect(s, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) == 0) {
        *fd = s;
        return AttemptResult::Connected;
    }
    if (errno != EINPROGRESS && errno != EINTR) {
        ::close(s);
        return AttemptResult::Failed;
    }
    for (;;) {
        const int64_t left = deadline - clock.elapsed();
        if (left <= 0) {
            ::close(s);
            return AttemptResult::TimedOut;
        }
        int n = 0;
        if (waiter) {
            // Woken early, the loop looks at the socket and waits again.
            waiter->wait(s, LinkWaiter::Event::Writable, left * NsPerMs);
            pollfd p{s, POLLOUT, 0};
            n = ::poll(&p, 1, 0);
        } else {
            pollfd p{s, POLLOUT, 0};
            n = ::poll(&p, 1, int(std::min<int64_t>(left, WaitSliceMs)));
        }
        if (n > 0) {
            int error = 0;
            socklen_t length = sizeof error;
            if (::getsockopt(s, SOL_SOCKET, SO_ERROR, &error, &length) != 0 || error != 0) {
                ::close(s);
                return AttemptResult::Failed;
            }
            *fd = s;
            return AttemptResult::Connected;
        }
        if (n < 0 && errno != EINTR) {
            ::close(s);
            return AttemptResult::Failed;
        }
        if (pump && !waiter) pump();
    }
}

#endif

}  // namespace

int32_t AnswerWaitToMs(int32_t seconds) {
    return int32_t(std::clamp<int64_t>(int64_t(seconds) * MsPerSecond, 0, INT32_MAX));
}

QString UnknownHostText(const QString& host) { return QStringLiteral("неизвестный хост: %1").arg(host); }

QString UnknownServiceText(const QString& service) {
    return QStringLiteral("неизвестный сервис: %1").arg(service);
}

std::optional<uint32_t> ParseDottedAddress(const QString& text) {
    if (text == QLatin1String("255.255.255.255")) return 0xFFFFFFFFu;
    const QList<QStringView> parts = QStringView(text).split(u'.');
    if (parts.isEmpty() || parts.size() > 4) return std::nullopt;
    uint64_t values[4] = {};
    for (qsizetype i = 0; i < parts.size(); ++i) {
        if (!ParseNumberPart(parts[i], values[i])) return std::nullopt;
    }
    // Every part but the last is one byte; the last fills the bytes left.
    const int n = int(parts.size());
    uint32_t result = 0;
    for (int i = 0; i < n - 1; ++i) {
        if (values[i] > 0xFF) return std::nullopt;
        result |= uint32_t(values[i]) << (24 - 8 * i);
    }
    const int lastBits = 32 - 8 * (n - 1);
    const uint64_t lastMax = lastBits == 32 ? 0xFFFFFFFFull : (1ull << lastBits) - 1;
    if (values[n - 1] > lastMax) return std::nullopt;
    result |= uint32_t(values[n - 1]);
    // The all-ones address stands for a failed conversion unless written out in full.
    if (result == 0xFFFFFFFFu) return std::nullopt;
    return result;
}

std::optional<uint16_t> ParseServiceNumber(const QString& text) {
    uint64_t value = 0;
    if (!ParseNumberPart(QStringView(text), value) || value > 0xFFFF) return std::nullopt;
    return uint16_t(value);
}

std::optional<SockAddr> MakeSockAddr(const std::optional<QString>& host, const QString& service,
                                     const QString& protocol, QString* message) {
    SockAddr result;
    if (host) {
        if (const auto dotted = ParseDottedAddress(*host)) {
            result.Address = *dotted;
        } else {
            bool found = false;
            if (!host->isEmpty()) {
                const QHostInfo info = QHostInfo::fromName(*host);
                for (const QHostAddress& a : info.addresses()) {
                    if (a.protocol() == QAbstractSocket::IPv4Protocol) {
                        result.Address = a.toIPv4Address();
                        found = true;
                        break;
                    }
                }
            }
            if (!found) {
                if (message) *message = UnknownHostText(*host);
                return std::nullopt;
            }
        }
    }

    if (const auto number = ParseServiceNumber(service)) {
        result.Port = *number;
        return result;
    }
    bool found = false;
#ifndef Q_OS_WIN
    if (!service.isEmpty()) {
        const QByteArray name = service.toLocal8Bit();
        const QByteArray proto = protocol.toLower().toLatin1();
        if (const servent* entry = ::getservbyname(name.constData(), proto.constData())) {
            result.Port = ntohs(uint16_t(entry->s_port));
            found = true;
        }
    }
#else
    Q_UNUSED(protocol);
#endif
    if (!found) {
        if (message) *message = UnknownServiceText(service);
        return std::nullopt;
    }
    return result;
}

std::unique_ptr<TcpChannel> ConnectTcp(const QString& host, const QString& service, int64_t waitMs,
                                       int settleMs, const std::function<void()>& pump, LinkWaiter* waiter,
                                       QString* message) {
    auto fail = [&](const QString& text) {
        if (message) *message = text;
        return std::unique_ptr<TcpChannel>();
    };
    QElapsedTimer clock;
    clock.start();
    const int64_t deadline = std::max<int64_t>(waitMs, 0);

    QString lookupMessage;
    const auto to = MakeSockAddr(host, service, QStringLiteral("TCP"), &lookupMessage);
    if (!to) return fail(lookupMessage);

    auto socket = std::make_unique<QTcpSocket>();
#ifndef Q_OS_WIN
    int fd = -1;
    for (;;) {
        const AttemptResult r = ConnectAttempt(*to, clock, deadline, pump, waiter, &fd);
        if (r == AttemptResult::Connected) break;
        if (r == AttemptResult::SocketFailed) return fail(SocketCallFailedText);
        if (r == AttemptResult::TimedOut || clock.elapsed() >= deadline) return fail(ConnectTimeoutText);
        PauseWithEvents(int(std::min<int64_t>(RetryPauseMs, deadline - clock.elapsed())), pump, waiter);
        if (clock.elapsed() >= deadline) return fail(ConnectTimeoutText);
    }
    if (!socket->setSocketDescriptor(fd, QAbstractSocket::ConnectedState, QIODevice::ReadWrite)) {
        ::close(fd);
        return fail(SocketCallFailedText);
    }
#else
    for (;;) {
        socket->connectToHost(QHostAddress(to->Address), to->Port);
        const int64_t left = deadline - clock.elapsed();
        if (socket->waitForConnected(int(std::max<int64_t>(left, 1)))) break;
        if (socket->error() == QAbstractSocket::SocketResourceError ||
            socket->error() == QAbstractSocket::UnsupportedSocketOperationError)
            return fail(SocketCallFailedText);
        socket->abort();
        if (clock.elapsed() >= deadline) return fail(ConnectTimeoutText);
        PauseWithEvents(int(std::min<int64_t>(RetryPauseMs, deadline - clock.elapsed())), pump, waiter);
    }
#endif
    socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);

    PauseWithEvents(settleMs, pump, waiter);
    return std::make_unique<TcpChannel>(std::move(socket));
}

}  // namespace zmk
