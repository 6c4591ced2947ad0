#include "SimLink.h"

#include "link/ControllerLink.h"
#include "link/SerialChannel.h"

namespace {

constexpr uint32_t Loopback = 0x7F000001;
constexpr int ConnectWaitS = 5;

QStringList TransportArgs(SimTransport transport) {
    if (transport == SimTransport::Tcp) return {QStringLiteral("--tcp-port"), QStringLiteral("0")};
    return {QStringLiteral("--pty"), QStringLiteral("--no-tcp")};
}

}  // namespace

SimLink::SimLink(SimTransport transport, const QStringList& simArgs)
    : transport_(transport), process_(simArgs + TransportArgs(transport)) {}

zmk::ChannelParams SimLink::DefaultParams() {
    zmk::ChannelParams p;
    p.Port = PortNo;
    p.Address = 1;
    p.Rate = 38400;
    p.Preambles = 0;
    p.Attempts = 1;
    p.ByteGapMs = 10;
    p.AnswerWaitS = 2;
    return p;
}

zmk::EthernetAbonent SimLink::Subscriber(uint8_t address) const {
    zmk::EthernetAbonent e = zmk::EmptyEthernetAbonent();
    zmk::SetAbonentName(e, QStringLiteral("zmk-sim"));
    e.SetIp(Loopback);
    e.SetPort(process_.tcpPort());
    e.Address = address;
    return e;
}

bool SimLink::Open(zmk::ControllerLink& link) {
    message_.clear();
    if (!ready()) {
        message_ = QStringLiteral("the simulator is not running: ") + output();
        return false;
    }
    zmk::MainSettings settings;
    settings.DoClosePort = false;
    settings.EthernetConnectWait = ConnectWaitS;
    zmk::LinkOpenOptions options;
    options.answerWaitMs = answerWaitMs;
    options.settleMs = 0;
    if (transport_ == SimTransport::Tcp) {
        settings.Ethernet = params;
        const zmk::EthernetAbonent subscriber = Subscriber(params.Address);
        options.subscriber = &subscriber;
        return zmk::OpenLink(link, zmk::ChannelEthernet, settings, options, &message_);
    }
    settings.Direct = params;
    zmk::SetComPortDevice(params.Port, process_.ptyPath());
    return zmk::OpenLink(link, zmk::ChannelDirect, settings, options, &message_);
}
