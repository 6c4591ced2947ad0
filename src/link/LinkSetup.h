#pragma once

// Setting up the link: the one place where the settings of a channel kind
// become the fields of the link object and its channel is opened. The
// connection dialog, the device search and zmkctl all come through here;
// they only gather and check the settings, and say what failed in their
// own words.

#include <QString>
#include <cstdint>
#include <functional>
#include <optional>

#include "link/SubscriberList.h"
#include "link/TcpConnect.h"
#include "settings/MainSettings.h"

namespace zmk {

class ControllerLink;

// What a caller adds to the settings when it opens the channel.
struct LinkOpenOptions {
    // The Ethernet subscriber called (channel kind 2): its IPv4 address,
    // port and controller address.
    const EthernetAbonent* subscriber = nullptr;
    // How a window stays alive while the TCP connection is made (ConnectTcp):
    // its waits go through the waiter, the window's events running inside
    // them; without a waiter they are short slices with the pump between.
    // Both may be empty. (The serial port's waits use the link's own pump
    // and waiter.)
    std::function<void()> pump;
    LinkWaiter* waiter = nullptr;
    // Waits finer than the settings' seconds (zmkctl's --wait-ms and
    // --connect-ms); unset, the settings' values are taken.
    std::optional<int32_t> answerWaitMs;
    std::optional<int32_t> connectWaitMs;
    // The pause after the TCP connection is made.
    int settleMs = TcpSettleMs;
};

// Configures the link for the channel kind from the settings and opens its
// channel; false with *message set (when given) if the channel could not be
// opened.
//
// Direct (0) and telephone (1) links: a former TCP connection is dropped;
// the link takes the record of the kind (settings.Direct or settings.Phone):
// Address, BaudRate = Rate, ComPortNo = Port, AnswerWaitMs = AnswerWaitS x
// 1000, ByteGapMs, Preambles, Attempts; ChannelKind = kind, PortOpenWait =
// FreePortWait, and ClosePortEachExchange = DoClosePort on the direct link
// (never on the telephone link). The serial port is then opened (retrying a
// busy port for PortOpenWait seconds), unless the direct link releases the
// port after each request: then the port stays closed until the first
// request. A port that cannot be opened leaves the engine's text
// "Коммуникационный порт COM%1 недоступен" in *message and link.MessageBuf.
//
// Ethernet (2): a former TCP connection is dropped first, so that in every
// failure the link keeps no socket; then the connection to the subscriber is
// made within EthernetConnectWait seconds (ConnectTcp: the messages are its
// own). Only once it is made does the link take: no serial port, Socket =
// the connection, Address = the subscriber's controller address,
// ChannelKind 2, ClosePortEachExchange off, AnswerWaitMs = AnswerWaitS x
// 1000, ByteGapMs, Preambles and Attempts of settings.Ethernet.
// "Conn_Repeat" takes no part.
//
// Another kind is refused with the message "Код ошибки = %d".
bool OpenLink(ControllerLink& link, uint8_t kind, const MainSettings& settings, const LinkOpenOptions& options = {},
              QString* message = nullptr);

}  // namespace zmk
