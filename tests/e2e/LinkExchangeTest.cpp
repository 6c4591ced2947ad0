// The link engine against the simulated controller, over TCP and over a
// pseudo-terminal, with the simulator's misbehaviour options.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "LinkPrinters.h"
#include "QtPrinters.h"
#include "SimLink.h"
#include "link/ControllerLink.h"
#include "link/Frame.h"

using namespace zmk;

namespace {

std::string TransportName(const testing::TestParamInfo<SimTransport>& info) {
    return info.param == SimTransport::Tcp ? "Tcp" : "Pty";
}

class SimExchange : public testing::TestWithParam<SimTransport> {
protected:
    // Starts the simulator with the given options and connects a link to it.
    void Start(QStringList simArgs) {
        simArgs << QStringLiteral("--log") << logPath();
        sim = std::make_unique<SimLink>(GetParam(), simArgs);
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        sim->answerWaitMs = 1000;
        sim->params.ByteGapMs = 50;
        sim->params.Preambles = 5;
        ASSERT_TRUE(sim->Open(link)) << sim->message().toStdString();
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
    std::unique_ptr<SimLink> sim;
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
    EXPECT_EQ(link.Status, LinkStatus::Refused);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Нет такой таблицы"));
    EXPECT_FALSE(Read(0, 18, 1));
    EXPECT_EQ(link.AnswerBuf[4], 13);
}

TEST_P(SimExchange, SilentControllerIsAskedAttemptsTimes) {
    Start({QStringLiteral("--silent")});
    link.Attempts = 3;
    link.AnswerWaitMs = 300;
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkStatus::NoAnswer);
    EXPECT_EQ(FramesReceived(), 3);
}

TEST_P(SimExchange, CutAnswerIsIncomplete) {
    Start({QStringLiteral("--cut-answers"), QStringLiteral("3")});
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkStatus::ByteGap);
}

TEST_P(SimExchange, WrongChecksumAndRecoveryOnTheNextAttempt) {
    Start({QStringLiteral("--bad-crc-every"), QStringLiteral("2")});
    EXPECT_TRUE(Read(0, 0, 18));  // first answer is good
    EXPECT_FALSE(Read(0, 0, 18));
    EXPECT_EQ(link.Status, LinkStatus::BadChecksum);
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

INSTANTIATE_TEST_SUITE_P(Transports, SimExchange, testing::Values(SimTransport::Tcp, SimTransport::Pty),
                         TransportName);
