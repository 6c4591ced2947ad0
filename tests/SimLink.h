#pragma once

#include <QString>
#include <QStringList>

#include "SimProcess.h"
#include "link/LinkSetup.h"
#include "link/SubscriberList.h"
#include "settings/MainSettings.h"

namespace zmk {
class ControllerLink;
}

// How a test reaches the simulator: its TCP port (the Ethernet link) or its
// pseudo-terminal (a direct serial line).
enum class SimTransport { Tcp, Pty };

// zmk-sim started for one test or benchmark, and ControllerLinks opened to it
// through the core's OpenLink, the way the program and zmkctl open theirs.
//
//     SimLink sim(SimTransport::Pty, {QStringLiteral("--silent")});
//     ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
//     ASSERT_TRUE(sim.Open(link)) << sim.message().toStdString();
class SimLink {
public:
    // Starts the simulator with simArgs and the options of the transport
    // ("--tcp-port 0", or "--pty --no-tcp").
    explicit SimLink(SimTransport transport, const QStringList& simArgs = {});

    bool ready() const { return process_.ready(); }
    QString output() const { return process_.output(); }
    const SimProcess& process() const { return process_; }
    SimProcess& process() { return process_; }
    SimTransport transport() const { return transport_; }

    // The record the link is opened with (the direct record on the
    // pseudo-terminal, the Ethernet record over TCP): address 1, 38400 bit/s,
    // no preambles, one attempt, 10 ms between answer bytes; and the answer
    // wait in milliseconds (2000).
    zmk::ChannelParams params = DefaultParams();
    int32_t answerWaitMs = 2000;

    // The simulator as an Ethernet subscriber at 127.0.0.1 with the given
    // controller address.
    zmk::EthernetAbonent Subscriber(uint8_t address) const;

    // Opens link to the simulator: no pause after the TCP connection, no
    // per-request port. False with message() saying why.
    bool Open(zmk::ControllerLink& link);
    QString message() const { return message_; }

    // The serial port number the pseudo-terminal is mapped to.
    static constexpr int PortNo = 9;
    static zmk::ChannelParams DefaultParams();

private:
    SimTransport transport_;
    SimProcess process_;
    QString message_;
};
