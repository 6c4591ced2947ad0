#pragma once

// The Ethernet link: the controller (or a serial-to-Ethernet server in front
// of it) is reached as a TCP client by IPv4 address and port. These functions
// turn an address and port into a socket address and open the connection
// within the connection wait (OpenLink of LinkSetup.h then hands it to the
// link object). They never show anything: a failure comes back as the text
// the caller shows (with a message kind that has no caption).
//
// The sockets layer needs no start-up here (the network module starts it
// itself), so there is no counterpart of a "StartSockets" step.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "link/LinkWaiter.h"
#include "link/TcpChannel.h"

namespace zmk {

// IPv4 socket address. Kept in host order here; the network order of the
// wire is the socket layer's business.
struct SockAddr {
    uint32_t Address = 0;  // 0 = any address; 10.0.0.5 is 0x0A000005
    uint16_t Port = 0;

    bool operator==(const SockAddr&) const = default;
};

// Messages of the Ethernet link.
QString UnknownHostText(const QString& host);        // "неизвестный хост: %s"
QString UnknownServiceText(const QString& service);  // "неизвестный сервис: %s"
inline const QString SocketCallFailedText = QStringLiteral("Ошибка вызова socket");
inline const QString ConnectTimeoutText =
    QStringLiteral("Превышено время ожидания соединения сервер/клиент");

// A dotted address as the classic inet_addr takes it: one to four parts
// separated by '.', each decimal, hexadecimal with "0x" or octal with a
// leading 0; the last part fills the remaining bytes ("10.5" is 10.0.0.5).
// "255.255.255.255" is the all-ones address. Anything else fails.
std::optional<uint32_t> ParseDottedAddress(const QString& text);

// A port given as a number (decimal, "0x" hexadecimal or octal with a leading
// 0, the whole text); nullopt when the text is not such a number or the
// number is not a TCP port (0..65535).
std::optional<uint16_t> ParseServiceNumber(const QString& text);

// Socket address of a host and a service for a protocol ("TCP", "UDP").
// No host: any address. A host that is not a dotted address is looked up by
// name (first IPv4 address found); a service that is not a number is looked
// up by name for the protocol. On failure *message (when given) gets
// "неизвестный хост: %s" or "неизвестный сервис: %s".
std::optional<SockAddr> MakeSockAddr(const std::optional<QString>& host, const QString& service,
                                     const QString& protocol, QString* message = nullptr);

// An answer wait of the settings in milliseconds, kept within 0..INT32_MAX
// (a hand-edited file may hold any number).
int32_t AnswerWaitToMs(int32_t seconds);

// The pause after a TCP connection is made, before the first request, with
// which the program gives the line time to settle.
inline constexpr int TcpSettleMs = 1000;

// Opens the TCP connection to host:service (a dotted address or a name, a
// port number or a service name, as MakeSockAddr takes them); null with
// *message set when it failed.
//
// Attempts repeat until one succeeds or waitMs have passed since the call
// (at least one attempt is made); a refused attempt is repeated after a
// short pause. After connecting the line is given settleMs to settle.
// So that a window stays alive meanwhile, the waits (for the connection,
// the pauses) go through the waiter when there is one, the window's events
// running inside them; else they are short slices with the pump between.
// Both may be empty: the waits then simply block.
// Messages: those of MakeSockAddr, SocketCallFailedText, ConnectTimeoutText.
std::unique_ptr<TcpChannel> ConnectTcp(const QString& host, const QString& service, int64_t waitMs,
                                       int settleMs, const std::function<void()>& pump, LinkWaiter* waiter,
                                       QString* message);

}  // namespace zmk
