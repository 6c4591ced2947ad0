// The Ethernet channel: address and service conversion, and opening the link
// over TCP to the simulated controller (or to a port that refuses).
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>
#include <optional>
#include <poll.h>

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

// A waiter without a window: it waits on ppoll(2) and notes each wait.
class PollWaiter : public LinkWaiter {
public:
    struct Wait {
        int fd;
        Event event;
        int64_t timeoutNs;
    };
    Result wait(int fd, Event event, int64_t timeoutNs) override {
        waits.push_back({fd, event, timeoutNs});
        if (timeoutNs <= 0) return Result::TimeUp;
        pollfd p{fd, short(event == Event::Writable ? POLLOUT : POLLIN), 0};
        const timespec ts{time_t(timeoutNs / 1000000000), long(timeoutNs % 1000000000)};
        return ::ppoll(fd >= 0 ? &p : nullptr, fd >= 0 ? 1 : 0, &ts, nullptr) > 0 ? Result::Ready : Result::TimeUp;
    }
    void wake() override {}

    std::vector<Wait> waits;
};

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

// Through a waiter: the connection being made is waited for as writable
// (a connected socket with nothing to read would never wake a wait for
// reading), the pauses after refused attempts and the settle pause for the
// time alone, the settle pause in full.
TEST(OpenLinkOverTcp, WaitsGoThroughTheWaiter) {
    SimLink sim(SimTransport::Tcp, {QStringLiteral("--tcp-accept-delay-ms"), QStringLiteral("1000")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    MainSettings settings;
    settings.EthernetConnectWait = 5;
    const EthernetAbonent subscriber = sim.Subscriber(1);
    LinkOpenOptions options = Options(subscriber);
    PollWaiter waiter;
    options.waiter = &waiter;
    options.settleMs = 200;
    ControllerLink link(1);
    QString message;
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(OpenLink(link, ChannelEthernet, settings, options, &message)) << message.toStdString();
    EXPECT_LT(clock.elapsed(), 4000);
    ASSERT_GE(waiter.waits.size(), 2u);
    EXPECT_LT(waiter.waits.back().fd, 0);
    EXPECT_EQ(waiter.waits.back().timeoutNs, 200'000'000);
    int pauses = 0;
    for (size_t i = 0; i + 1 < waiter.waits.size(); ++i) {
        const PollWaiter::Wait& w = waiter.waits[i];
        if (w.fd < 0) {
            ++pauses;
        } else {
            EXPECT_EQ(w.event, LinkWaiter::Event::Writable);
        }
    }
    EXPECT_GT(pauses, 0) << "refused attempts are followed by a pause";
    ASSERT_TRUE(link.Socket);
    const uint8_t body[3] = {0, 0, 4};
    EXPECT_TRUE(link.SendRequest(1, body, 3)) << link.StatusText().toStdString();
}

TEST(OpenLinkOverTcp, PortOutsideTheTcpRangeIsAnUnknownService) {
    MainSettings settings;
    ControllerLink link(1);
    QString message;
    EXPECT_FALSE(OpenLink(link, ChannelEthernet, settings, Options(Subscriber(kLoopback, 70000, 1)), &message));
    EXPECT_EQ(message, QStringLiteral("неизвестный сервис: 70000"));
    EXPECT_FALSE(link.Socket);
}
