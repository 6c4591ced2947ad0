#include <gtest/gtest.h>

#include <random>

#include "FakeLink.h"
#include "LinkPrinters.h"
#include "common/StatusBarPanel.h"
#include "link/SerialChannel.h"

using namespace zmk;

namespace {

constexpr int64_t Ms = 1'000'000;

std::vector<uint8_t> Bytes(std::initializer_list<int> list) {
    std::vector<uint8_t> v;
    for (int b : list) v.push_back(uint8_t(b));
    return v;
}

// A link object on a scripted direct-line channel with simulated time.
struct LinkFixture : ::testing::Test {
    LinkFixture() : link(1) {
        channel = UseScriptChannel(link, clock);
        link.BaudRate = 38400;
    }
    // The peer answers every request with this frame.
    void AnswerWith(std::vector<uint8_t> answer) {
        channel->peer = [answer](const std::vector<uint8_t>&) { return answer; };
    }
    bool ReadTable0() {
        const uint8_t body[3] = {0, 0, 18};
        return link.SendRequest(1, body, 3);
    }

    FakeClock clock;
    ControllerLink link;
    ScriptChannel* channel = nullptr;
};

}  // namespace

TEST(Crc16, CheckValueAndRequestFrame) {
    const char* text = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(text), 9), 0x4B37);
    const auto frame = Bytes({0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9});
    EXPECT_EQ(Crc16(frame.data(), 8), 0xA9E1);
    EXPECT_EQ(Crc16(frame.data(), 10), 0);
}

TEST_F(LinkFixture, ReadRequestFrameWithAndWithoutPreambles) {
    AnswerWith(AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18})));
    ASSERT_TRUE(ReadTable0());
    EXPECT_EQ(channel->writes.back(), Bytes({0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9}));

    link.Preambles = 5;
    ASSERT_TRUE(ReadTable0());
    auto expected = Bytes({0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9});
    EXPECT_EQ(channel->writes.back(), expected);
}

TEST_F(LinkFixture, RequestBodiesAndLengthsOfEveryCode) {
    struct Case {
        uint8_t code;
        int callerLength;
        int frameLength;
        bool credentials;
        int callerOffset;  // where the caller's bytes start in the frame
    };
    const Case cases[] = {
        {1, 3, 10, false, 5},  {2, 5, 28, true, 21}, {2, 232, 255, true, 21}, {7, 7, 13, false, 4},
        {8, 15, 21, false, 4}, {12, 2, 24, true, 20}, {14, 13, 19, false, 4}, {15, 11, 17, false, 4},
        {16, 9, 15, false, 4}, {25, 0, 22, true, -1}, {32, 0, 22, true, -1},  {33, 0, 22, true, -1},
    };
    const char* password = "PASSWORD1234";
    std::copy(password, password + 12, link.WritePassword.begin());
    std::copy(password, password + 4, link.UserCode.begin());
    std::vector<uint8_t> data(232);
    for (size_t i = 0; i < data.size(); ++i) data[i] = uint8_t(0x40 + i);
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "code " << int(c.code) << " length " << c.callerLength);
        channel->writes.clear();
        link.SendRequest(c.code, data.data(), c.callerLength);
        ASSERT_EQ(channel->writes.size(), 1u);
        const auto& f = channel->writes[0];
        ASSERT_EQ(int(f.size()), c.frameLength);
        EXPECT_EQ(f[0], 0xCC);
        EXPECT_EQ(f[1], 1);
        EXPECT_EQ(f[2], c.frameLength);
        EXPECT_EQ(f[3], c.code);
        EXPECT_EQ(Crc16(f.data(), uint16_t(f.size())), 0);
        if (c.credentials) {
            EXPECT_EQ(std::string(f.begin() + 4, f.begin() + 16), "PASSWORD1234");
            EXPECT_EQ(std::string(f.begin() + 16, f.begin() + 20), "PASS");
        }
        if (c.code == 1 || c.code == 2) {
            EXPECT_EQ(f[c.credentials ? 20 : 4], 0) << "leading byte";
        }
        if (c.callerOffset >= 0) {
            const int used = c.code == 1 ? 3 : c.code == 12 ? 2 : c.callerLength;
            EXPECT_TRUE(std::equal(data.begin(), data.begin() + used, f.begin() + c.callerOffset));
            EXPECT_EQ(c.callerOffset + used, c.frameLength - 2) << "body ends before the checksum";
        }
    }
}

TEST_F(LinkFixture, UnknownCodeAndOverlongWriteAreRefusedBeforeSending) {
    const double before = link.LastExchangeTime;
    const uint8_t body[3] = {0, 0, 1};
    EXPECT_FALSE(link.SendRequest(3, body, 3));
    EXPECT_EQ(link.Status, LinkStatus::BadFunction);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 3.  Неверно задан код функции"));
    std::vector<uint8_t> big(233);
    EXPECT_FALSE(link.SendRequest(2, big.data(), int(big.size())));
    EXPECT_TRUE(channel->writes.empty());
    EXPECT_EQ(link.LastExchangeTime, before);
}

TEST_F(LinkFixture, GarbageBeforeStartAndShortLengthAreSkipped) {
    auto answer = Bytes({0x00, 0x55, 0x33, 0x01, 0x05, 0x12});  // a "frame" with length 5: hunt again
    const auto good = AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18, 0, 73}));
    answer.insert(answer.end(), good.begin(), good.end());
    AnswerWith(answer);
    ASSERT_TRUE(ReadTable0()) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[9], 73);
}

TEST_F(LinkFixture, AnswerFromOtherAddressIsIgnored) {
    AnswerWith(AnswerFrame(2, 0x81, 0, Bytes({0, 0, 18})));
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::NoAnswer);
}

TEST_F(LinkFixture, AddressAnyAdoptsTheAnsweringController) {
    link.Address = 255;
    AnswerWith(AnswerFrame(7, 0x81, 0, Bytes({0, 0, 18})));
    ASSERT_TRUE(ReadTable0());
    EXPECT_EQ(link.Address, 7);
    ASSERT_TRUE(ReadTable0());
    EXPECT_EQ(channel->writes.back()[1], 7);
}

TEST_F(LinkFixture, AnAnswerToAnotherFunctionIsNoSuccessAndNoRefusal) {
    AnswerWith(AnswerFrame(1, 0x8F, 1, Bytes({0, 0, 18})));  // an archive answer to a table read
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::OtherAnswer);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Ответ контроллера не соответствует запросу"));
    // The request's own function without the answer bit is its refusal.
    AnswerWith(AnswerFrame(1, 0x01, 5));
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::Refused);
}

TEST_F(LinkFixture, AddressIsAdoptedOnlyFromAnAnswerThatPassesItsChecksum) {
    link.Address = 255;
    auto damaged = AnswerFrame(7, 0x81, 0, Bytes({0, 0, 18}));
    damaged.back() ^= 0x5A;
    AnswerWith(damaged);
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::BadChecksum);
    EXPECT_EQ(link.Address, 255) << "a damaged answer must not set the address";
    // A refusal is a valid answer of that controller: its address is taken.
    AnswerWith(AnswerFrame(9, 0x01, 5));
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::Refused);
    EXPECT_EQ(link.Address, 9);
}

TEST_F(LinkFixture, AddressWriteIsAnsweredFromNewOrOldAddress) {
    const uint8_t body[4] = {3, 0, 1, 5};  // table 3, field 0 := 5
    for (uint8_t from : {uint8_t(5), uint8_t(1)}) {
        AnswerWith(AnswerFrame(from, 0x82, 0, Bytes({3, 0, 1})));
        EXPECT_TRUE(link.SendRequest(2, body, 4)) << "answer from " << int(from);
    }
    AnswerWith(AnswerFrame(9, 0x82, 0, Bytes({3, 0, 1})));
    // 9 is not an address; the receiver then takes the length byte 10 as one
    // and finds nothing it can use.
    EXPECT_FALSE(link.SendRequest(2, body, 4));
    // The same answer from 5 to a write of another field is not accepted.
    const uint8_t other[4] = {3, 1, 1, 5};
    AnswerWith(AnswerFrame(5, 0x82, 0, Bytes({3, 1, 1})));
    EXPECT_FALSE(link.SendRequest(2, other, 4));
    EXPECT_EQ(link.Status, LinkStatus::NoAnswer);
}

TEST_F(LinkFixture, SilentControllerGetsEveryAttempt) {
    link.Attempts = 3;
    link.AnswerWaitMs = 2000;
    const int64_t start = clock.now;
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(channel->writes.size(), 3u);
    EXPECT_EQ(link.Status, LinkStatus::NoAnswer);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Устройство не отвечает"));
    EXPECT_GE(clock.now - start, 3 * 2000'000'000LL);
    EXPECT_LT(clock.now - start, 3 * 2100'000'000LL);
}

TEST_F(LinkFixture, CutAnswerEndsOnTheByteGap) {
    link.ByteGapMs = 10;
    AnswerWith(Bytes({0x33, 0x01, 0x0D}));
    const int64_t start = clock.now;
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::ByteGap);
    EXPECT_EQ(link.StatusText(),
              QStringLiteral("Команда 1.  Ответ получен не полностью (превышено время между байтами)"));
    EXPECT_LT(clock.now - start, 100'000'000LL) << "must not wait for the answer time-out";
}

TEST_F(LinkFixture, ChecksumAndRefusals) {
    auto bad = AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18}));
    bad.back() ^= 0x01;
    AnswerWith(bad);
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::BadChecksum);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Несовпадение КС ответа контроллера"));

    const struct {
        uint8_t result;
        const char* text;
    } refusals[] = {
        {9, "Команда 1.  Нет такой таблицы"},
        {33, "Команда 1.  Пользователь с таким именем уже есть "},
        {38, "Команда 1.  Переход в режим работы \"Автомат\" невозможен"},
        {64, "Команда 1.  Программа разрушена или установлена перемычка"},
        {0, "Команда 1.  Код ошибки = 0"},
        {70, "Команда 1.  Код ошибки = 70"},
    };
    for (const auto& r : refusals) {
        AnswerWith(AnswerFrame(1, 0x01, r.result));
        EXPECT_FALSE(ReadTable0());
        EXPECT_EQ(link.Status, LinkStatus::Refused);
        EXPECT_EQ(link.StatusText(), QString::fromUtf8(r.text));
        EXPECT_EQ(link.MessageBuf, QString::fromUtf8(r.text));
    }
    // A destroyed table names its number from answer byte 6.
    AnswerWith(AnswerFrame(1, 0x01, 60, Bytes({0, 7})));
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Разрушена таблица 7"));
}

TEST_F(LinkFixture, LongestAnswerFitsTheBuffer) {
    std::vector<uint8_t> data(248, 0xA5);
    const auto answer = AnswerFrame(1, 0x81, 0, data);
    ASSERT_EQ(answer.size(), 255u);
    AnswerWith(answer);
    ASSERT_TRUE(ReadTable0());
    EXPECT_TRUE(std::equal(answer.begin(), answer.end(), link.AnswerBuf.begin()));
}

TEST_F(LinkFixture, LastExchangeTimeMovesForEverySentRequest) {
    link.AnswerWaitMs = 5;
    EXPECT_FALSE(ReadTable0());
    const double first = link.LastExchangeTime;
    EXPECT_GT(first, 40000.0) << "days since 30 December 1899";
    const uint8_t body[3] = {0, 0, 1};
    link.LastExchangeTime = 1.0;
    EXPECT_FALSE(link.SendRequest(3, body, 3));
    EXPECT_EQ(link.LastExchangeTime, 1.0);
    EXPECT_FALSE(ReadTable0());
    EXPECT_GE(link.LastExchangeTime, first);
}

TEST_F(LinkFixture, AbortFlagStopsBeforeSending) {
    link.AbortFlag = 1;
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::Aborted);
    EXPECT_EQ(link.AbortFlag, 0);
    EXPECT_TRUE(channel->writes.empty());
    // Refused before the request is built: the command number stays that of the last request.
    EXPECT_EQ(link.StatusText(),
              QStringLiteral("Команда 0.  Обмен прерван по признаку завершения работы программы"));
}

TEST_F(LinkFixture, PumpRunsWhileWaitingAndCanAbort) {
    int pumped = 0;
    link.SetPump([&] {
        if (++pumped == 5) link.AbortFlag = 1;
    });
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::Aborted);
    EXPECT_EQ(pumped, 5);
}

// A request started from an event while an exchange runs is refused, and
// the refusal must not end or spoil the exchange that is running.
TEST_F(LinkFixture, RequestFromInsideTheWaitIsRefusedWithoutHarm) {
    channel->peer = [](const std::vector<uint8_t>& request) {
        return request[3] == 1 ? AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18})) : std::vector<uint8_t>{};
    };
    struct Inner {
        bool result;
        LinkStatus status;
        QString text;
    };
    std::vector<Inner> inner;
    // Every pump call tries once: at the start of the attempt and in the
    // receive loop.
    link.SetPump([&] {
        const uint8_t body[15] = {};
        const bool result = link.SendRequest(8, body, 15);
        inner.push_back({result, link.Status, link.StatusText()});
    });
    ASSERT_TRUE(ReadTable0()) << link.StatusText().toStdString();
    EXPECT_EQ(link.Status, LinkStatus::Ok);
    EXPECT_EQ(link.AnswerBuf[3], 0x81);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Команда выполнена"));
    ASSERT_GE(inner.size(), 2u) << "tried before sending and while receiving";
    for (const Inner& i : inner) {
        EXPECT_FALSE(i.result);
        EXPECT_EQ(i.status, LinkStatus::Busy);
        EXPECT_EQ(i.text, QStringLiteral("Команда 1.  Предыдущий обмен с контроллером ещё не завершён"));
    }
    ASSERT_EQ(channel->writes.size(), 1u) << "the refused requests send nothing";
    EXPECT_EQ(channel->writes[0][3], 1);
}

// With the window's waiter installed the engine waits for the answer in one
// wait right up to its deadline, instead of 1 ms slices with the pump between.
TEST_F(LinkFixture, TheWaiterTakesTheWholeAnswerWait) {
    FakeWaiter waiter(clock);
    int pumps = 0;
    link.SetPump([&] { ++pumps; });
    link.SetWaiter(&waiter);
    link.ChannelKind = ChannelPhone;  // no RTS timing around the send
    link.AnswerWaitMs = 2000;
    int64_t sentAt = 0;
    channel->peer = [&](const std::vector<uint8_t>&) {
        sentAt = clock.now;
        return std::vector<uint8_t>{};
    };
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::NoAnswer);
    EXPECT_GE(clock.now - sentAt, 2000 * Ms);
    EXPECT_LT(clock.now - sentAt, 2001 * Ms);
    ASSERT_EQ(waiter.waits.size(), 1u);
    EXPECT_GE(waiter.waits[0].timeoutNs, 2000 * Ms);
    EXPECT_LE(pumps, 3) << "pending events once per step, not once per millisecond";
}

// A wait ended early by the window (a wake) stops the exchange only when the
// abort flag asks it to; otherwise the engine waits on to its deadline.
TEST_F(LinkFixture, AWokenWaitStopsOnTheAbortFlagOnly) {
    struct Case {
        const char* what;
        bool abort;
        LinkStatus status;
        int64_t endsAfterMs;  // counted from the request sent
    } const cases[] = {
        {"woken by a stop request", true, LinkStatus::Aborted, 300},
        {"woken for nothing", false, LinkStatus::NoAnswer, 2000},
    };
    link.ChannelKind = ChannelPhone;
    link.AnswerWaitMs = 2000;
    int64_t sentAt = 0;
    channel->peer = [&](const std::vector<uint8_t>&) {
        sentAt = clock.now;
        return std::vector<uint8_t>{};
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeWaiter waiter(clock);
        link.SetWaiter(&waiter);
        // The window's event 300 ms into the wait, as closing the window does.
        waiter.events = [&](int64_t) -> std::optional<int64_t> {
            if (waiter.waits.size() > 1) return std::nullopt;
            if (c.abort) link.AbortFlag = 1;
            return 300 * Ms;
        };
        EXPECT_FALSE(ReadTable0());
        EXPECT_EQ(link.Status, c.status);
        EXPECT_GE(clock.now - sentAt, c.endsAfterMs * Ms);
        EXPECT_LT(clock.now - sentAt, (c.endsAfterMs + 1) * Ms);
        EXPECT_EQ(link.AbortFlag, 0);
    }
}

// The window's events run inside the waiter's wait too: a request made from
// one is refused there, and the running exchange keeps its own outcome.
TEST_F(LinkFixture, RequestFromAnEventInsideTheWaiterIsRefusedWithoutHarm) {
    FakeWaiter waiter(clock);
    link.SetWaiter(&waiter);
    struct Inner {
        bool result;
        QString text;
    };
    std::vector<Inner> inner;
    waiter.events = [&](int64_t) -> std::optional<int64_t> {
        const uint8_t body[15] = {};
        const bool result = link.SendRequest(8, body, 15);
        inner.push_back({result, link.StatusText()});
        // The answer arrives 40 ms into the wait.
        const std::vector<uint8_t> answer = AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18}));
        channel->pending.insert(channel->pending.end(), answer.begin(), answer.end());
        return 40 * Ms;
    };
    ASSERT_TRUE(ReadTable0()) << link.StatusText().toStdString();
    EXPECT_EQ(link.AnswerBuf[3], 0x81);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Команда выполнена"));
    ASSERT_EQ(inner.size(), 1u);
    EXPECT_FALSE(inner[0].result);
    EXPECT_EQ(inner[0].text, QStringLiteral("Команда 1.  Предыдущий обмен с контроллером ещё не завершён"));
    ASSERT_EQ(channel->writes.size(), 1u) << "the refused request sends nothing";
}

// The engine's pauses go through the waiter too, and a wake does not
// shorten them: the request after the Ethernet pause goes out on time.
TEST_F(LinkFixture, PausesGoThroughTheWaiterInFull) {
    FakeWaiter waiter(clock);
    link.SetWaiter(&waiter);
    link.ChannelKind = ChannelEthernet;
    link.Socket = std::move(link.PortHandle);
    int64_t sentAt = 0;
    const std::vector<uint8_t> answer = AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18}));
    channel->peer = [&](const std::vector<uint8_t>&) {
        sentAt = clock.now;
        return answer;
    };
    waiter.events = [&](int64_t) -> std::optional<int64_t> {
        if (waiter.waits.size() == 1) return 100 * Ms;
        return std::nullopt;
    };
    const int64_t start = clock.now;
    ASSERT_TRUE(ReadTable0()) << link.StatusText().toStdString();
    EXPECT_EQ(sentAt - start, 500 * Ms);
    ASSERT_EQ(waiter.waits.size(), 2u);
    EXPECT_LT(waiter.waits[0].fd, 0);
    EXPECT_EQ(waiter.waits[0].timeoutNs, 500 * Ms);
    EXPECT_EQ(waiter.waits[1].timeoutNs, 400 * Ms);
}

TEST_F(LinkFixture, RtsKeysTheDirectLineOnly) {
    AnswerWith(AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18})));
    link.Preambles = 5;
    ASSERT_TRUE(ReadTable0());
    ASSERT_EQ(channel->rts.size(), 2u);
    EXPECT_TRUE(channel->rts[0].on);
    EXPECT_FALSE(channel->rts[1].on);
    // 2 ms lead, then (15 + 1) characters of 10 bits at 38400 bit/s.
    const int64_t expected = 2'000'000 + 16LL * 10 * 1'000'000'000 / 38400;
    EXPECT_EQ(channel->rts[1].at - channel->rts[0].at, expected);
    EXPECT_EQ(channel->bauds.back(), 38400);

    channel->rts.clear();
    link.ChannelKind = ChannelPhone;
    ASSERT_TRUE(ReadTable0());
    EXPECT_TRUE(channel->rts.empty());
}

TEST_F(LinkFixture, RtsFallsOnlyAfterThePortHasDrained) {
    link.BaudRate = 38400;
    link.Preambles = 5;
    const int64_t character = 10LL * 1'000'000'000 / 38400;
    const int64_t computed = 2'000'000 + 16LL * 10 * 1'000'000'000 / 38400;
    struct Case {
        int64_t drainNs;
        int64_t rtsUpNs;  // from RTS on to RTS off
    };
    const Case cases[] = {
        {50'000'000, 2'000'000 + 50'000'000 + character},  // a slow USB adapter: drained, then one character
        {0, computed},                                     // drained at once: never earlier than the line allows
        {-1, computed},                                    // a port that cannot tell: the reckoning alone
    };
    for (const Case& c : cases) {
        channel->rts.clear();
        channel->drainNs = c.drainNs;
        channel->drainedAt = -1;
        AnswerWith(AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18})));
        ASSERT_TRUE(ReadTable0());
        ASSERT_EQ(channel->rts.size(), 2u);
        EXPECT_EQ(channel->rts[1].at - channel->rts[0].at, c.rtsUpNs) << "drain " << c.drainNs;
        if (c.drainNs >= 0) {
            EXPECT_GE(channel->rts[1].at, channel->drainedAt + character);
        }
    }
}

TEST_F(LinkFixture, ChannelFailuresHaveTheirStatuses) {
    channel->failWrites = true;
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::WriteFailed);
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Сбой при выполнении операции записи"));

    // Ethernet: the same channel as the socket; a refused send is status 20.
    link.ChannelKind = ChannelEthernet;
    link.Socket = std::move(link.PortHandle);
    const int64_t before = clock.now;
    EXPECT_FALSE(ReadTable0());
    EXPECT_EQ(link.Status, LinkStatus::SendFailed);
    EXPECT_GE(clock.now - before, 500'000'000LL) << "500 ms pause before each send";
}

// A dialled line whose call goes: the modem's NO CARRIER in the answer
// wait, waiting since the last exchange, or found between exchanges; the
// carrier-detect line dropping.
TEST_F(LinkFixture, LostCarrierEndsEveryRequest) {
    const std::vector<uint8_t> noCarrier = Bytes({'\r', '\n', 'N', 'O', ' ', 'C', 'A', 'R', 'R', 'I', 'E', 'R', '\r', '\n'});
    std::vector<uint8_t> noisyNoCarrier = Bytes({0x33, 'N', 'O', ' ', 'N'});
    noisyNoCarrier.insert(noisyNoCarrier.end(), noCarrier.begin() + 3, noCarrier.end());  // "NO NO CARRIER"
    const std::vector<uint8_t> answer = AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18}));
    enum class Where { AsTheAnswer, WaitingBeforeTheRequest, BetweenExchanges, CarrierDetectDrops };
    struct Case {
        const char* what;
        Where where;
        std::vector<uint8_t> bytes;
    } const cases[] = {
        {"NO CARRIER instead of the answer", Where::AsTheAnswer, noCarrier},
        {"NO CARRIER after line noise", Where::AsTheAnswer, noisyNoCarrier},
        {"NO CARRIER waiting since the last exchange", Where::WaitingBeforeTheRequest, noCarrier},
        {"NO CARRIER seen between exchanges", Where::BetweenExchanges, noCarrier},
        {"carrier detect off", Where::CarrierDetectDrops, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeClock caseClock;
        ControllerLink phone(1);
        ScriptChannel* line = UseScriptChannel(phone, caseClock);
        phone.ChannelKind = ChannelPhone;
        phone.Attempts = 3;
        int handled = 0;
        phone.SetCarrierLostHandler([&] { ++handled; });
        line->dcd = c.where == Where::CarrierDetectDrops ? 1 : -1;
        phone.SetCarrierWatch(true);
        const uint8_t body[3] = {0, 0, 18};

        line->peer = [&](const std::vector<uint8_t>&) { return answer; };
        ASSERT_TRUE(phone.SendRequest(1, body, 3));
        switch (c.where) {
        case Where::AsTheAnswer:
            line->peer = [&](const std::vector<uint8_t>&) { return c.bytes; };
            break;
        case Where::WaitingBeforeTheRequest:
            line->pending.assign(c.bytes.begin(), c.bytes.end());
            break;
        case Where::BetweenExchanges:
            line->pending.assign(c.bytes.begin(), c.bytes.end());
            EXPECT_FALSE(phone.CheckCarrier());
            EXPECT_EQ(handled, 1);
            break;
        case Where::CarrierDetectDrops:
            line->dcd = 0;
            EXPECT_FALSE(phone.CheckCarrier());
            break;
        }
        const size_t writes = line->writes.size();
        EXPECT_FALSE(phone.SendRequest(1, body, 3));
        EXPECT_EQ(phone.Status, LinkStatus::CarrierLost);
        EXPECT_EQ(phone.StatusText(), QStringLiteral("Команда 1.  Потеря несущей"));
        EXPECT_LE(line->writes.size(), writes + 1) << "no further attempts";
        EXPECT_EQ(handled, 1);

        // Every later request fails at once, without touching the line.
        const size_t after = line->writes.size();
        EXPECT_FALSE(phone.SendRequest(1, body, 3));
        EXPECT_EQ(phone.Status, LinkStatus::CarrierLost);
        EXPECT_EQ(line->writes.size(), after);
        EXPECT_EQ(handled, 1);

        // A new call clears the loss.
        line->dcd = c.where == Where::CarrierDetectDrops ? 1 : -1;
        line->pending.clear();
        line->peer = [&](const std::vector<uint8_t>&) { return answer; };
        phone.SetCarrierWatch(true);
        EXPECT_TRUE(phone.SendRequest(1, body, 3));
    }
}

TEST_F(LinkFixture, WithoutTheWatchNoCarrierIsOnlyNoise) {
    // The direct line, and a dialled line before the call is up (the watch
    // off): the text is bytes without meaning, and a carrier-detect line
    // that was never on (not wired) is no loss.
    struct Case {
        uint8_t kind;
        bool watch;
    } const cases[] = {{ChannelDirect, true}, {ChannelPhone, false}};
    for (const Case& c : cases) {
        FakeClock caseClock;
        ControllerLink other(1);
        ScriptChannel* line = UseScriptChannel(other, caseClock);
        other.ChannelKind = c.kind;
        line->dcd = 0;
        other.SetCarrierWatch(c.watch);
        line->peer = [](const std::vector<uint8_t>&) { return Bytes({'N', 'O', ' ', 'C', 'A', 'R', 'R', 'I', 'E', 'R'}); };
        const uint8_t body[3] = {0, 0, 18};
        EXPECT_FALSE(other.SendRequest(1, body, 3));
        EXPECT_EQ(other.Status, LinkStatus::NoAnswer);
        EXPECT_TRUE(other.CheckCarrier());
        EXPECT_FALSE(other.CarrierLost());
    }
    FakeClock caseClock;
    ControllerLink phone(1);
    ScriptChannel* line = UseScriptChannel(phone, caseClock);
    phone.ChannelKind = ChannelPhone;
    line->dcd = 0;  // never on: the cable does not carry it
    phone.SetCarrierWatch(true);
    line->peer = [](const std::vector<uint8_t>&) { return std::vector<uint8_t>{}; };
    const uint8_t body[3] = {0, 0, 18};
    EXPECT_FALSE(phone.SendRequest(1, body, 3));
    EXPECT_EQ(phone.Status, LinkStatus::NoAnswer);
    EXPECT_TRUE(phone.CheckCarrier());
}

TEST(PortOpen, UnavailablePortGivesStatus6) {
    FakeClock clock;
    ControllerLink link(1);
    link.SetClock(&clock);
    link.ComPortNo = 4;
    SetComPortDevice(4, QStringLiteral("/nonexistent/tty-zmk"));
    const uint8_t body[3] = {0, 0, 18};
    EXPECT_FALSE(link.SendRequest(1, body, 3));
    EXPECT_EQ(link.Status, LinkStatus::PortUnavailable);
    EXPECT_EQ(link.MessageBuf, QStringLiteral("Коммуникационный порт COM4 недоступен"));
    EXPECT_EQ(link.StatusText(), QStringLiteral("Команда 1.  Коммуникационный порт COM4 недоступен"));
    EXPECT_EQ(link.LastExchangeTime, 0.0);
    ClearComPortDevices();
}

TEST_F(LinkFixture, StatusPanelShowsExchangeOnlyDuringRequest) {
    TextPanel panel;
    link.StatusPanel = &panel;
    QString during;
    channel->peer = [&](const std::vector<uint8_t>&) {
        during = panel.text();
        return AnswerFrame(1, 0x81, 0, Bytes({0, 0, 18}));
    };
    ASSERT_TRUE(ReadTable0());
    EXPECT_EQ(during, QStringLiteral("Обмен..."));
    EXPECT_TRUE(panel.text().isEmpty());
}

// Arbitrary bytes on the line never give a success without a valid checksum.
TEST_F(LinkFixture, RandomStreamsNeverPassUnchecked) {
    std::mt19937 rng(12345);
    link.AnswerWaitMs = 1;
    link.ByteGapMs = 1;
    for (int round = 0; round < 3000; ++round) {
        std::vector<uint8_t> stream(rng() % 300);
        for (auto& b : stream) b = uint8_t(rng());
        if (round % 3 == 0 && stream.size() > 3) {
            stream[0] = 0x33;
            stream[1] = 0x01;
            stream[2] = uint8_t(6 + rng() % 250);
        }
        AnswerWith(stream);
        if (ReadTable0()) {
            ASSERT_EQ(Crc16(link.AnswerBuf.data(), link.AnswerBuf[2]), 0);
            ASSERT_EQ(link.AnswerBuf[3], 0x81);
        }
        channel->pending.clear();
    }
}

// The status texts are indexed by these numbers and "Код ошибки = %d" shows them.
TEST(LinkStatusNumbers, StayAsTheyAre) {
    const std::pair<LinkStatus, int> numbers[] = {
        {LinkStatus::Ok, 0},          {LinkStatus::BadStartByte, 1}, {LinkStatus::BadFunction, 2},
        {LinkStatus::WriteFailed, 3}, {LinkStatus::ByteGap, 5},      {LinkStatus::PortUnavailable, 6},
        {LinkStatus::BadChecksum, 7}, {LinkStatus::Refused, 8},      {LinkStatus::NoAnswer, 10},
        {LinkStatus::Aborted, 19},    {LinkStatus::SendFailed, 20},  {LinkStatus::RecvFailed, 21},
        {LinkStatus::Busy, 22},       {LinkStatus::OtherAnswer, 23}, {LinkStatus::CarrierLost, 24},
    };
    for (const auto& [status, number] : numbers) EXPECT_EQ(int(status), number);
    ControllerLink link(1);
    EXPECT_EQ(link.LinkStatusText(LinkStatus(4)), QString());
    EXPECT_EQ(link.LinkStatusText(LinkStatus(11)), QStringLiteral("Код ошибки = 11"));
}
