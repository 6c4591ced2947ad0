// Setting up the link from the settings: the fields every channel kind takes
// and the serial port opened or left for the requests. (The Ethernet kind is
// in TcpConnectTest.)
#include <gtest/gtest.h>

#include <QTcpSocket>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimLink.h"
#include "link/ControllerLink.h"
#include "link/LinkSetup.h"
#include "link/SerialChannel.h"
#include "link/TcpChannel.h"
#include "settings/MainSettings.h"

using namespace zmk;

namespace {

constexpr int kPortNo = 14;

ChannelParams Record(uint8_t address) {
    ChannelParams r;
    r.Port = kPortNo;
    r.Address = address;
    r.Rate = 19200;
    r.Preambles = 3;
    r.Attempts = 2;
    r.ByteGapMs = 150;
    r.AnswerWaitS = 4;
    return r;
}

bool ReadIdentification(ControllerLink& link) {
    const uint8_t body[3] = {0, 0, 4};
    return link.SendRequest(1, body, 3);
}

class LinkSetupOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
        SetComPortDevice(kPortNo, sim.process().ptyPath());
        settings.FreePortWait = 3;
    }

    SimLink sim{SimTransport::Pty, {QStringLiteral("--address"), QStringLiteral("17")}};
    MainSettings settings;
    ControllerLink link{1};
};

}  // namespace

TEST_F(LinkSetupOnSim, DirectLinkTakesItsRecordAndOpensThePort) {
    settings.Direct = Record(17);
    settings.Phone = Record(99);
    // A former TCP connection is dropped.
    link.Socket = std::make_unique<TcpChannel>(std::make_unique<QTcpSocket>());
    QString message;
    ASSERT_TRUE(OpenLink(link, ChannelDirect, settings, {}, &message)) << message.toStdString();
    EXPECT_FALSE(link.Socket);
    ASSERT_TRUE(link.PortHandle);
    EXPECT_TRUE(link.PortHandle->isOpen());
    EXPECT_EQ(link.Address, 17);
    EXPECT_EQ(link.ComPortNo, kPortNo);
    EXPECT_EQ(link.BaudRate, 19200);
    EXPECT_EQ(link.ChannelKind, ChannelDirect);
    EXPECT_EQ(link.PortOpenWait, 3);
    EXPECT_EQ(link.ClosePortEachExchange, 0);
    EXPECT_EQ(link.AnswerWaitMs, 4000);
    EXPECT_EQ(link.ByteGapMs, 150);
    EXPECT_EQ(link.Preambles, 3);
    EXPECT_EQ(link.Attempts, 2);
    ASSERT_TRUE(ReadIdentification(link)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerAddress(), 17);
    EXPECT_EQ(link.AnswerData()[4 + 1], 73);  // type code: field data start at data byte 4
}

TEST_F(LinkSetupOnSim, DirectLinkThatReleasesThePortOpensItPerRequest) {
    settings.Direct = Record(17);
    settings.DoClosePort = true;
    ASSERT_TRUE(OpenLink(link, ChannelDirect, settings));
    EXPECT_FALSE(link.PortHandle);
    EXPECT_EQ(link.ClosePortEachExchange, 1);
    EXPECT_EQ(link.PortOpenWait, 3);
    ASSERT_TRUE(ReadIdentification(link)) << link.StatusText().toStdString();
    EXPECT_FALSE(link.PortHandle) << "released after the request";
}

TEST_F(LinkSetupOnSim, TelephoneLinkKeepsThePortOpenForTheCall) {
    settings.Direct = Record(99);
    settings.Phone = Record(17);
    settings.Phone.AnswerWaitS = 6;
    settings.DoClosePort = true;  // belongs to the direct link only
    ASSERT_TRUE(OpenLink(link, ChannelPhone, settings));
    ASSERT_TRUE(link.PortHandle);
    EXPECT_EQ(link.ChannelKind, ChannelPhone);
    EXPECT_EQ(link.ClosePortEachExchange, 0);
    EXPECT_EQ(link.Address, 17);
    EXPECT_EQ(link.AnswerWaitMs, 6000);
}

TEST_F(LinkSetupOnSim, AnswerWaitFinerThanTheSettings) {
    settings.Direct = Record(17);
    LinkOpenOptions options;
    options.answerWaitMs = 250;
    ASSERT_TRUE(OpenLink(link, ChannelDirect, settings, options));
    EXPECT_EQ(link.AnswerWaitMs, 250);
}

TEST(LinkSetup, UnavailablePortAndUnknownKind) {
    QTemporaryDir dir;
    SetComPortDevice(15, dir.filePath(QStringLiteral("no-such-tty")));
    MainSettings settings;
    settings.Direct.Port = 15;
    ControllerLink link(1);
    QString message;
    EXPECT_FALSE(OpenLink(link, ChannelDirect, settings, {}, &message));
    EXPECT_EQ(message, QStringLiteral("Коммуникационный порт COM15 недоступен"));
    EXPECT_EQ(link.MessageBuf, message);
    EXPECT_FALSE(link.PortHandle);

    EXPECT_FALSE(OpenLink(link, 3, settings, {}, &message));
    EXPECT_EQ(message, QStringLiteral("Код ошибки = 3"));
}
