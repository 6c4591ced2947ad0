#include "link/LinkSetup.h"

#include <algorithm>

#include "link/ControllerLink.h"
#include "link/TcpChannel.h"

namespace zmk {

namespace {

constexpr int64_t MsPerSecond = 1000;

// The fields every kind takes from its record.
void TakeRecord(ControllerLink& link, uint8_t kind, const ChannelParams& record, const LinkOpenOptions& options) {
    link.ChannelKind = kind;
    link.AnswerWaitMs = options.answerWaitMs ? *options.answerWaitMs : AnswerWaitToMs(record.AnswerWaitS);
    link.ByteGapMs = record.ByteGapMs;
    link.Preambles = record.Preambles;
    link.Attempts = record.Attempts;
}

void DropSocket(ControllerLink& link) {
    if (link.Socket) {
        link.Socket->close();
        link.Socket.reset();
    }
}

bool OpenSerial(ControllerLink& link, uint8_t kind, const MainSettings& settings, const LinkOpenOptions& options,
                QString* message) {
    const ChannelParams& record = kind == ChannelPhone ? settings.Phone : settings.Direct;
    DropSocket(link);
    TakeRecord(link, kind, record, options);
    link.Address = record.Address;
    link.BaudRate = record.Rate;
    link.ComPortNo = record.Port;
    link.PortOpenWait = settings.FreePortWait;
    // On the telephone link the port stays open for the call.
    const bool perRequest = kind == ChannelDirect && settings.DoClosePort;
    link.ClosePortEachExchange = perRequest ? 1 : 0;
    if (perRequest) {
        link.ClosePort();
        return true;
    }
    if (!link.OpenPort()) {
        if (message) *message = link.MessageBuf;
        return false;
    }
    return true;
}

bool OpenEthernet(ControllerLink& link, const MainSettings& settings, const LinkOpenOptions& options,
                  QString* message) {
    DropSocket(link);
    if (options.subscriber == nullptr) {
        if (message) *message = UnknownHostText(QString());
        return false;
    }
    const EthernetAbonent& subscriber = *options.subscriber;
    const int64_t waitMs = options.connectWaitMs ? int64_t(*options.connectWaitMs)
                                                 : int64_t(std::max(settings.EthernetConnectWait, 0)) * MsPerSecond;
    std::unique_ptr<TcpChannel> socket = ConnectTcp(IpAddressText(subscriber), QString::number(subscriber.Port()),
                                                    waitMs, options.settleMs, options.pump, options.waiter,
                                                    message);
    if (!socket) return false;

    link.ClosePort();
    link.Socket = std::move(socket);
    TakeRecord(link, ChannelEthernet, settings.Ethernet, options);
    link.Address = subscriber.Address;
    link.ClosePortEachExchange = 0;
    return true;
}

}  // namespace

bool OpenLink(ControllerLink& link, uint8_t kind, const MainSettings& settings, const LinkOpenOptions& options,
              QString* message) {
    switch (kind) {
    case ChannelDirect:
    case ChannelPhone:
        return OpenSerial(link, kind, settings, options, message);
    case ChannelEthernet:
        return OpenEthernet(link, settings, options, message);
    default:
        if (message) *message = QStringLiteral("Код ошибки = %1").arg(kind);
        return false;
    }
}

}  // namespace zmk
