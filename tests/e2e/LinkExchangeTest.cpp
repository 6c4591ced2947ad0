// The link engine against the simulated controller, over TCP and over a
// pseudo-terminal, with the simulator's misbehaviour options.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "QtPrinters.h"
#include "SimProcess.h"
#include "link/SerialChannel.h"
#include "link/ControllerLink.h"
#include "link/TcpChannel.h"
#include "link/Frame.h"

using namespace zmk;

namespace {

enum class Transport { Tcp, Pty };

std::string TransportName(const testing::TestParamInfo<Transport>& info) {
    return info.param == Transport::Tcp ? "Tcp" : "Pty";
}

class SimExchange : public testing::TestWithParam<Transport> {
protected:
    // Starts the simulator with the given options and connects a link to it.
    void Start(QStringList simArgs) {
        simArgs << (GetParam() == Transport::Tcp ? QStringLiteral("--tcp-port") : QStringLiteral("--pty"));
        if (GetParam() == Transport::Tcp) simArgs << QStringLiteral("0");
        else simArgs << QStringLiteral("--no-tcp");
        simArgs << QStringLiteral("--log") << logPath();
        sim = std::make_unique<SimProcess>(simArgs);
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        link.Attempts = 1;
        link.AnswerWaitMs = 1000;
        link.ByteGapMs = 50;
        link.Preambles = 5;
        link.ClosePortEachExchange = 0;
        link.Address = 1;
        if (GetParam() == Transport::Tcp) {
            link.ChannelKind = ChannelEthernet;
            link.Socket = TcpChannel::Connect(QStringLiteral("127.0.0.1"), sim->tcpPort(), 3000);
            ASSERT_TRUE(link.Socket);
        } else {
            link.ChannelKind = ChannelDirect;
            link.BaudRate = 38400;
            link.ComPortNo = 7;
            SetComPortDevice(7, sim->ptyPath());
            ASSERT_TRUE(link.OpenPort()) << link.MessageBuf.toStdString();
        }
    }
    bool Read(uint8_t table, uint8_t first, uint8_t count) {
        const uint8_t body[3] = {table, first, count};
        return link.SendRequest(1, body, 3);
    }
    QString logPath() const { return dir.filePath(QStringLiteral("sim.log")); }
    // Frames the simulator logged as received.
    int FramesReceived() const {
        QFile f(logPath());
        if (!f.open(QIODevice::ReadOnly)) return -1;
        return int(f.readAll().count(" RX "));
    }

    QTemporaryDir dir;
    std::unique_ptr<SimProcess> sim;
    ControllerLink link{0};
};

}  // namespace

TEST_P(SimExchange, ReadsIdentificationAndLongestAnswer) {
    Start({});
    ASSERT_TRUE(Read(0, 0, 18)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[2], 8 + 18 + 2);
    EXPECT_EQ(link.AnswerBuf[8 + 1], 73);
    EXPECT_EQ(link.AnswerBuf[8 + 3], 10);
    // Table 4, fields 0..10: 242 data bytes, the largest read of the catalogue.
    ASSERT_TRUE(Read(4, 0, 11)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[2], 8 + 242 + 2);
    EXPECT_EQ(Crc16(link.AnswerBuf.data(), link.AnswerBuf[2]), 0);
}

TEST_P(SimExchange, ControllerRefusals) {
    Start({});
    EXPECT_FALSE(Read(31, 0, 1));
    EXPECT_EQ(link.Status, LinkRefused);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Нет такой таблицы"));
    EXPECT_FALSE(Read(0, 18, 1));
    EXPECT_EQ(link.AnswerBuf[4], 13);
}

TEST_P(SimExchange, SilentControllerIsAskedAttemptsTimes) {
    Start({QStringLiteral("--silent")});
    link.Attempts = 3;
    link.AnswerWaitMs = 300;
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkNoAnswer);
    EXPECT_EQ(FramesReceived(), 3);
}

TEST_P(SimExchange, CutAnswerIsIncomplete) {
    Start({QStringLiteral("--cut-answers"), QStringLiteral("3")});
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkByteGap);
}

TEST_P(SimExchange, WrongChecksumAndRecoveryOnTheNextAttempt) {
    Start({QStringLiteral("--bad-crc-every"), QStringLiteral("2")});
    EXPECT_TRUE(Read(0, 0, 18));  // first answer is good
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkBadChecksum);
    link.Attempts = 2;  // the third answer is good again
    EXPECT_TRUE(Read(0, 0, 18)) << link.StatusText().toStdString();
}

TEST_P(SimExchange, GarbageBeforeTheAnswerIsSkipped) {
    Start({QStringLiteral("--garbage"), QStringLiteral("7")});
    EXPECT_TRUE(Read(0, 0, 18)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[9], 73);
}

TEST_P(SimExchange, RefusalOfEverything) {
    Start({QStringLiteral("--refuse"), QStringLiteral("34")});
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Пользователь не зарегистрирован или неправильный пароль"));
}

TEST_P(SimExchange, AddressAnyAdoptsAndAddressWriteAnswersFromTheNewAddress) {
    Start({QStringLiteral("--address"), QStringLiteral("7"), QStringLiteral("--open-writes")});
    link.Address = 255;
    ASSERT_TRUE(Read(0, 0, 18)) << link.StatusText().toStdString();
    EXPECT_EQ(link.Address, 7);
    const uint8_t write[4] = {3, 0, 1, 9};
    ASSERT_TRUE(link.SendRequest(2, write, 4)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[1], 9);
    link.Address = 9;
    ASSERT_TRUE(Read(3, 0, 1)) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[8], 9);
}

INSTANTIATE_TEST_SUITE_P(Transports, SimExchange, testing::Values(Transport::Tcp, Transport::Pty), TransportName);
