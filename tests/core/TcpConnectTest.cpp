// The Ethernet channel: address and service conversion, and opening the link
// over TCP to the simulated controller (or to a port that refuses).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <optional>

#include "QtPrinters.h"
#include "SimLink.h"
#include "settings/MainSettings.h"
#include "link/SubscriberList.h"
#include "link/ControllerLink.h"
#include "link/LinkSetup.h"
#include "link/TcpConnect.h"
#include "link/TcpChannel.h"

using namespace zmk;

namespace {

EthernetAbonent Subscriber(uint32_t ip, int32_t port, uint8_t address) {
    EthernetAbonent e = EmptyEthernetAbonent();
    SetAbonentName(e, QStringLiteral("Стенд"));
    e.SetIp(ip);
    e.SetPort(port);
    e.Address = address;
    return e;
}

constexpr uint32_t kLoopback = 0x7F000001;

// The subscriber is only pointed to: it must outlive the call.
LinkOpenOptions Options(const EthernetAbonent& subscriber, std::function<void()> pump = {}) {
    LinkOpenOptions options;
    options.subscriber = &subscriber;
    options.pump = std::move(pump);
    return options;
}

// A loopback port that nobody listens on (taken from the system, then freed).
quint16 FreePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

}  // namespace

TEST(ParseDottedAddress, FormsOfTheClassicConversion) {
    struct Case {
        const char* text;
        std::optional<uint32_t> expected;
    };
    const Case cases[] = {
        {"10.0.0.5", 0x0A000005u},
        {"192.168.1.20", 0xC0A80114u},
        {"0.0.0.0", 0u},
        {"255.255.255.255", 0xFFFFFFFFu},
        {"255.255.255.254", 0xFFFFFFFEu},
        {"10.5", 0x0A000005u},           // the last part fills the remaining bytes
        {"10.1.300", 0x0A01012Cu},
        {"0x7f.0.0.1", 0x7F000001u},     // hexadecimal part
        {"010.0.0.1", 0x08000001u},      // octal part
        {"3232235796", 0xC0A80114u},     // one number
        {"1.2.3.256", std::nullopt},
        {"256.1.1.1", std::nullopt},
        {"1.2.3.4.5", std::nullopt},
        {"1..2.3", std::nullopt},
        {"1.2.3.", std::nullopt},
        {"", std::nullopt},
        {"a.b.c.d", std::nullopt},
        {" 1.2.3.4", std::nullopt},
        {"08.1.1.1", std::nullopt},       // 8 is no octal digit
        {"0x", std::nullopt},
        {"4294967296", std::nullopt},     // above 32 bits
        {"0xffffffff", std::nullopt},     // all ones only when written out in full
        {"localhost", std::nullopt},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(ParseDottedAddress(QString::fromLatin1(c.text)), c.expected) << c.text;
    }
}

TEST(MakeSockAddr, HostsAndServices) {
    QString message;
    auto a = MakeSockAddr(QStringLiteral("10.0.0.5"), QStringLiteral("4001"), QStringLiteral("TCP"), &message);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Address, 0x0A000005u);
    EXPECT_EQ(a->Port, 4001);

    // No host: any address. Services in hexadecimal and octal.
    a = MakeSockAddr(std::nullopt, QStringLiteral("0x1F"), QStringLiteral("TCP"), &message);
    ASSERT_TRUE(a);
    EXPECT_EQ(*a, (SockAddr{0, 31}));
    a = MakeSockAddr(std::nullopt, QStringLiteral("017"), QStringLiteral("TCP"), &message);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Port, 15);

    // A name from the local hosts file.
    a = MakeSockAddr(QStringLiteral("localhost"), QStringLiteral("502"), QStringLiteral("TCP"), &message);
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Address, kLoopback);

    // Services that are no TCP port.
    for (const char* service : {"65536", "-1", "", "50%", "no-such-service-zmk"}) {
        message.clear();
        EXPECT_FALSE(MakeSockAddr(QStringLiteral("10.0.0.5"), QString::fromLatin1(service),
                                  QStringLiteral("TCP"), &message))
            << service;
        EXPECT_EQ(message, QStringLiteral("неизвестный сервис: ") + QString::fromLatin1(service));
    }
    // An empty host text is no host at all.
    message.clear();
    EXPECT_FALSE(MakeSockAddr(QString(), QStringLiteral("1"), QStringLiteral("TCP"), &message));
    EXPECT_EQ(message, QStringLiteral("неизвестный хост: "));
}

TEST(MakeSockAddr, ServiceNameLookedUpForTheProtocol) {
    if (!QFile::exists(QStringLiteral("/etc/services"))) GTEST_SKIP() << "no services database";
    const auto a = MakeSockAddr(std::nullopt, QStringLiteral("telnet"), QStringLiteral("TCP"));
    ASSERT_TRUE(a);
    EXPECT_EQ(a->Port, 23);
}

TEST(AnswerWaitToMs, KeepsHandEditedValuesInRange) {
    EXPECT_EQ(AnswerWaitToMs(5), 5000);
    EXPECT_EQ(AnswerWaitToMs(120), 120000);
    EXPECT_EQ(AnswerWaitToMs(-3), 0);
    EXPECT_EQ(AnswerWaitToMs(INT32_MAX), INT32_MAX);
}

TEST(OpenLinkOverTcp, ConnectsToTheControllerAndConfiguresTheLink) {
    SimLink sim(SimTransport::Tcp, {"--address", "23"});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();

    MainSettings settings;
    settings.EthernetConnectWait = 5;
    settings.Ethernet.AnswerWaitS = 3;
    settings.Ethernet.ByteGapMs = 250;
    settings.Ethernet.Preambles = 4;
    settings.Ethernet.Attempts = 2;
    settings.Ethernet.Address = 99;  // the address comes from the subscriber, not from here

    ControllerLink link(1);
    link.ChannelKind = ChannelDirect;
    link.ClosePortEachExchange = 1;
    int pumps = 0;
    QString message;
    QElapsedTimer clock;
    clock.start();
    const EthernetAbonent subscriber = sim.Subscriber(23);
    ASSERT_TRUE(OpenLink(link, ChannelEthernet, settings, Options(subscriber, [&] { ++pumps; }), &message))
        << message.toStdString();
    // The line is given a second to settle, with the pump running meanwhile.
    EXPECT_GE(clock.elapsed(), 1000);
    EXPECT_GT(pumps, 0);

    ASSERT_TRUE(link.Socket);
    EXPECT_TRUE(link.Socket->isOpen());
    EXPECT_FALSE(link.PortHandle);
    EXPECT_EQ(link.CurrentChannel(), link.Socket.get());
    EXPECT_EQ(link.Address, 23);
    EXPECT_EQ(link.ChannelKind, ChannelEthernet);
    EXPECT_EQ(link.ClosePortEachExchange, 0);
    EXPECT_EQ(link.AnswerWaitMs, 3000);
    EXPECT_EQ(link.ByteGapMs, 250);
    EXPECT_EQ(link.Preambles, 4);
    EXPECT_EQ(link.Attempts, 2);

    // The controller answers over the connection.
    const uint8_t body[3] = {0, 0, 4};
    ASSERT_TRUE(link.SendRequest(1, body, 3)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerAddress(), 23);
    EXPECT_EQ(link.AnswerData()[4 + 1], 73);  // type code: field data start at data byte 4
}

TEST(OpenLinkOverTcp, RefusedAttemptsRepeatUntilTheWaitEnds) {
    const quint16 port = FreePort();
    ASSERT_NE(port, 0);
    MainSettings settings;
    settings.EthernetConnectWait = 1;
    settings.EthernetConnRepeat = 1;  // takes no part: only the wait bounds the attempts

    ControllerLink link(1);
    // A former connection is not kept after a failure.
    link.Socket = std::make_unique<TcpChannel>(std::make_unique<QTcpSocket>());
    int pumps = 0;
    QString message;
    QElapsedTimer clock;
    clock.start();
    EXPECT_FALSE(OpenLink(link, ChannelEthernet, settings, Options(Subscriber(kLoopback, port, 1), [&] { ++pumps; }),
                          &message));
    const qint64 elapsed = clock.elapsed();
    EXPECT_EQ(message, QStringLiteral("Превышено время ожидания соединения сервер/клиент"));
    EXPECT_FALSE(link.Socket);
    EXPECT_GE(elapsed, 950);
    EXPECT_LT(elapsed, 5000);
    // Waiting pauses between attempts instead of spinning: a busy loop would
    // run the pump hundreds of thousands of times in that second.
    EXPECT_GT(pumps, 5);
    EXPECT_LT(pumps, 2000);
}

TEST(OpenLinkOverTcp, PeerThatStartsListeningLateIsReached) {
    const quint16 port = FreePort();
    ASSERT_NE(port, 0);
    MainSettings settings;
    settings.EthernetConnectWait = 10;

    // The peer refuses for the first 300 ms, then starts listening: only a
    // repeated attempt can reach it.
    QTcpServer server;
    QElapsedTimer clock;
    clock.start();
    qint64 listenedAt = -1;
    auto pump = [&] {
        if (listenedAt < 0 && clock.elapsed() >= 300) {
            if (server.listen(QHostAddress::LocalHost, port)) listenedAt = clock.elapsed();
        }
    };
    ControllerLink link(1);
    QString message;
    ASSERT_TRUE(OpenLink(link, ChannelEthernet, settings, Options(Subscriber(kLoopback, port, 7), pump), &message))
        << message.toStdString();
    EXPECT_GE(listenedAt, 300);
    ASSERT_TRUE(link.Socket);
    EXPECT_EQ(link.Address, 7);
    EXPECT_LT(clock.elapsed(), 9000);
}

TEST(OpenLinkOverTcp, PortOutsideTheTcpRangeIsAnUnknownService) {
    MainSettings settings;
    ControllerLink link(1);
    QString message;
    EXPECT_FALSE(OpenLink(link, ChannelEthernet, settings, Options(Subscriber(kLoopback, 70000, 1)), &message));
    EXPECT_EQ(message, QStringLiteral("неизвестный сервис: 70000"));
    EXPECT_FALSE(link.Socket);
}
