// The modem dialogue against a scripted Hayes modem on simulated time.
#include <gtest/gtest.h>

#include <QByteArray>
#include <deque>
#include <map>
#include <set>
#include <utility>

#include "FakeLink.h"
#include "LinkPrinters.h"
#include "QtPrinters.h"
#include "common/StatusBarPanel.h"
#include "link/ModemDialogue.h"

using namespace zmk;

namespace {

constexpr int64_t Ms = 1'000'000;

// A serial port whose far end is a function of what is written. Bytes the
// far end sends arrive at their own simulated time; waiting moves the clock
// to the next arrival or to the end of the wait.
class FakeModemPort : public LinkChannel {
public:
    explicit FakeModemPort(FakeClock& clock) : clock_(clock) {}

    struct Written {
        QByteArray bytes;
        int64_t at;
    };

    bool isOpen() const override { return open; }
    void close() override { open = false; }
    bool write(const uint8_t* data, int count) override {
        writes.push_back({QByteArray(reinterpret_cast<const char*>(data), count), clock_.now});
        if (peer) peer(writes.back().bytes);
        return true;
    }
    int readByte(uint8_t* byte) override {
        if (incoming.empty() || incoming.front().first > clock_.now) return 0;
        *byte = incoming.front().second;
        incoming.pop_front();
        return 1;
    }
    void waitForData(int64_t timeoutNs) override {
        maxWaitNs = std::max(maxWaitNs, timeoutNs);
        const int64_t end = clock_.now + timeoutNs;
        if (!incoming.empty() && incoming.front().first <= clock_.now) return;
        clock_.now = incoming.empty() ? end : std::min(end, incoming.front().first);
    }
    // Through a waiter: the port becomes readable when the next byte arrives.
    void waitForDataThrough(LinkWaiter& waiter, int64_t timeoutNs) override {
        if (!incoming.empty() && incoming.front().first <= clock_.now) return;
        waiter.sleep(incoming.empty() ? timeoutNs : std::min(timeoutNs, incoming.front().first - clock_.now));
    }
    // Discards what has arrived; what is still on its way comes later.
    void purge() override {
        while (!incoming.empty() && incoming.front().first <= clock_.now) incoming.pop_front();
    }
    void setDtr(bool on) override { dtr.push_back({on, clock_.now}); }

    void Send(const QByteArray& text, int delayMs = 0) {
        const int64_t at = std::max(clock_.now + delayMs * Ms, incoming.empty() ? 0 : incoming.back().first);
        for (char c : text) incoming.push_back({at, uint8_t(c)});
    }
    std::vector<QByteArray> Commands() const {
        std::vector<QByteArray> out;
        for (const auto& w : writes) out.push_back(w.bytes);
        return out;
    }
    // Whether the write just made came after ms of silence from this side.
    bool QuietFor(int ms) const {
        const size_t n = writes.size();
        return n < 2 || writes[n - 1].at - writes[n - 2].at >= int64_t(ms) * 1'000'000;
    }
    int Count(const QByteArray& prefix) const {
        int n = 0;
        for (const auto& w : writes) n += w.bytes.startsWith(prefix);
        return n;
    }

    bool open = true;
    std::function<void(const QByteArray&)> peer;
    std::vector<Written> writes;
    std::deque<std::pair<int64_t, uint8_t>> incoming;
    int64_t maxWaitNs = 0;
    struct DtrChange {
        bool on;
        int64_t at;
    };
    std::vector<DtrChange> dtr;

private:
    FakeClock& clock_;
};

// A Hayes modem behind the fake port: echo until ATE0, verbose replies,
// +++ after a guard time, AT+CPAS, ATD results from a script.
struct Hayes {
    explicit Hayes(FakeModemPort& port) : port(port) {
        port.peer = [this](const QByteArray& bytes) { Take(bytes); };
    }

    void Take(const QByteArray& bytes) {
        if (online) {
            if (bytes == "+++" && answersEscape && port.QuietFor(guardMs)) {
                online = false;  // command mode, the call still up until ATH
                port.Send("\r\nOK\r\n", guardMs);
            }
            return;  // data for the far end
        }
        if (!present) return;
        if (echo) port.Send(bytes);
        QByteArray command = bytes;
        command.replace('\0', QByteArray()).replace('\r', QByteArray());
        const QByteArray upper = command.toUpper();
        if (!upper.startsWith("AT")) return;
        if (errorFor.count(upper)) return Result("ERROR");
        if (upper == "ATE0") echo = false;
        if (upper == "ATH" || upper == "ATH0") callUp = false;
        if (upper == "ATV0") numeric = true;
        if (upper == "ATV1") numeric = false;
        if (const auto it = replyFor.find(upper); it != replyFor.end()) {
            port.Send("\r" + it->second + "\r");
            return;
        }
        if (upper == "AT+CPAS") {
            port.Send("\r\n+CPAS: " + QByteArray::number(cpas) + "\r\n");
            return Result("OK");
        }
        if (upper.startsWith("ATD")) {
            const QByteArray result = dialScript.empty() ? QByteArray("CONNECT 9600") : dialScript.front();
            if (!dialScript.empty()) dialScript.pop_front();
            if (result == "SILENT") return;
            if (result.contains("CONNECT")) online = callUp = true;
            port.Send("\r\n" + result + "\r\n", dialDelayMs);
            return;
        }
        Result("OK");
    }
    void Result(const char* text) {
        if (numeric)
            port.Send(QByteArray(text == QByteArrayView("OK") ? "0" : "4") + "\r");
        else
            port.Send(QByteArray("\r\n") + text + "\r\n");
    }

    FakeModemPort& port;
    bool present = true;
    bool echo = true;
    bool online = false;
    bool numeric = false;  // ATV0: result codes as digits
    bool callUp = false;   // a call is up (online, or escaped to command mode)
    bool answersEscape = true;
    int guardMs = 1000;  // S12: silence needed before and after "+++"
    int cpas = 0;
    int dialDelayMs = 3000;
    std::deque<QByteArray> dialScript;
    std::set<QByteArray> errorFor;
    std::map<QByteArray, QByteArray> replyFor;  // a reply line of its own for a command
};

struct ModemFixture : ::testing::Test {
    FakeClock clock;
    FakeModemPort port{clock};
    Hayes modem{port};
    TextPanel panel;
    int pumps = 0;
    std::function<bool()> escape;
    ModemDialogue dialogue{{&port, [this] { ++pumps; }, [this] { return escape && escape(); }, &clock}};

    DialResult Dial(const char* number = "123", const char* init = "", int attempts = 1, int waitSeconds = 50) {
        return dialogue.Dial(number, init, &panel, attempts, waitSeconds);
    }
};

}  // namespace

TEST(ModemTexts, DialResultsCarryTheirTexts) {
    const std::map<int, const char*> texts = {
        {0, "Соединение установлено"},
        {1, "Отсутствует сигнал АТС"},
        {2, "Номер абонента занят"},
        {3, "Потеря несущей"},
        {4, "Нет гудка в линии"},
        {5, "Абонент не отвечает"},
        {6, "Лимит времени, отведенного на соединение, исчерпан"},
        {7, "Модем отсутствует или не подключен"},
        {8, "Соединение не установлено"},
        {9, "Истекло время ожидания ответа от модема"},
        {10, "Попытка соединения прервана по требованию пользователя"},
        {11, "Нет готовности GSM"},
        {12, "Код ошибки = 12"},
        {-1, "Код ошибки = -1"},
    };
    for (const auto& [code, text] : texts) EXPECT_EQ(DialResultText(DialResult(code)), QString::fromUtf8(text)) << code;
}

// The texts are indexed by these numbers and "Код ошибки = %d" shows them.
TEST(ModemTexts, DialResultNumbersStayAsTheyAre) {
    const std::pair<DialResult, int> numbers[] = {
        {DialResult::Connected, 0}, {DialResult::NoDialTone, 1},    {DialResult::Busy, 2},
        {DialResult::NoCarrier, 3}, {DialResult::Error, 4},         {DialResult::NoAnswer, 5},
        {DialResult::TimeLimit, 6}, {DialResult::NoModem, 7},       {DialResult::NotConnected, 8},
        {DialResult::ReplyTimeout, 9}, {DialResult::Escape, 10},    {DialResult::GsmNotReady, 11},
    };
    for (const auto& [result, number] : numbers) EXPECT_EQ(int(result), number);
}

TEST(ModemTexts, CallDurationCountsUpFromZero) {
    const std::vector<std::pair<qint64, const char*>> cases = {
        {0, "00:00:00"}, {59, "00:00:59"}, {61, "00:01:01"}, {3600, "01:00:00"},
        {86399, "23:59:59"}, {360000, "100:00:00"}, {-5, "00:00:00"},
    };
    for (const auto& [seconds, text] : cases) EXPECT_EQ(CallDurationText(seconds), QString::fromUtf8(text)) << seconds;
    EXPECT_EQ(QString::fromUtf8(DialRetryQuestion), QStringLiteral("Повторить попытку соединения?"));
}

TEST(ModemTexts, RepliesAreClassifiedFirstMatchFirst) {
    const std::vector<std::pair<const char*, int>> cases = {
        {"\r\nOK\r", 0},
        {"\r\nCONNECT 9600\r", 0},
        {"\r\nNO DIALTONE\r", 1},
        {"\r\nno dialtone\r", 1},
        {"\r\nBUSY\r", 2},
        {"\r\nbusy\r", 2},
        {"\r\nNO CARRIER\r", 3},
        {"\r\nERROR\r", 4},
        {"\r\nerror\r", 4},
        {"\r\nNO ANSWER\r", 5},
        {"\r\nTime out\r", 6},
        {"\r\nTIME OUT\r", 0},  // only "Time" as written counts
        {"Escape...", 10},
        // The order decides when several words are there.
        {"\r\nERROR BUSY\r", 4},
        {"\r\nTime DIAL\r", 6},
        {"\r\nNO DIAL NO CARRIER\r", 1},
        {"\r\nNO CARRIER BUSY\r", 3},
        {"\r\nBUSY NO ANSWER\r", 2},
        {"", 0},
        // Numeric mode (ATV0).
        {"\r0\r", 0}, {"\r1\r", 0}, {"\r3\r", 3}, {"\r4\r", 4}, {"\r6\r", 1}, {"\r7\r", 2}, {"\r8\r", 5},
    };
    for (const auto& [reply, code] : cases) EXPECT_EQ(int(ClassifyModemReply(reply)), code) << reply;
}

TEST(ModemTexts, InitialisationTextSplitsIntoCommands) {
    using List = std::vector<QByteArray>;
    const std::vector<std::pair<const char*, List>> cases = {
        {"ATZ^AT&F^ATS0=0", {"ATZ\r", "AT&F\r", "ATS0=0\r"}},
        {"", {}},
        {"^^^", {}},
        {"no command here", {}},
        {"  ATZ", {"ATZ\r"}},
        {"junk ATZ ^ junk ^at&f", {"ATZ \r", "at&f\r"}},
        {"aTx^At+CMEE=1", {"aTx\r", "At+CMEE=1\r"}},
        {"ATZ^^ATE1^", {"ATZ\r", "ATE1\r"}},
        {"A^T^AT", {"AT\r"}},
    };
    for (const auto& [text, expected] : cases) EXPECT_EQ(SplitInitCommands(text), expected) << text;

    // More than a table of 30 would hold: every command is kept, in order.
    QByteArray many;
    for (int i = 0; i < 40; ++i) many += "AT" + QByteArray::number(i) + "^";
    const List split = SplitInitCommands(many);
    ASSERT_EQ(split.size(), 40u);
    EXPECT_EQ(split.back(), "AT39\r");
}

TEST(ModemTexts, NumberLosesBlanksDashesAndBrackets) {
    EXPECT_EQ(DialCommand("(012) 345-67-89"), "ATD0123456789\r");
    EXPECT_EQ(DialCommand("T8,495 123"), "ATDT8,495123\r");
    EXPECT_EQ(DialCommand(""), "ATD\r");
}

TEST(ModemTexts, AnsweredReplies) {
    for (const char* yes : {"\r\nOK\r", "\nok\r", "\r\n", "\r0\r", "ATE0\r", "\rat\n"}) EXPECT_TRUE(ModemAnswered(yes)) << yes;
    for (const char* no : {"", "\r\r\r\r", "\n\rXY\n", "\rERROR\r"}) EXPECT_FALSE(ModemAnswered(no)) << no;
}

TEST_F(ModemFixture, ReplyLineFollowsTheEcho) {
    // The echo mentions "BUSY" and "ERROR"; only the reply after it counts.
    QByteArray reply;
    EXPECT_EQ(dialogue.SendModemCommand("ATI4 BUSY ERROR\r", &reply, 5000, &panel), DialResult::Connected);
    EXPECT_EQ(reply, QByteArray("\r\r\nOK\r"));
    EXPECT_EQ(panel.text(), QStringLiteral(" Установление связи по телефону. Команда ATI4 BUSY ERROR\r.  Ответ \r\r\nOK\r"));

    modem.echo = false;
    EXPECT_EQ(dialogue.SendModemCommand("AT\r", &reply, 5000, nullptr), DialResult::Connected);
    EXPECT_EQ(reply, QByteArray("\r\nOK\r"));
    // The command goes out after a short pause, unchanged.
    EXPECT_EQ(port.writes.back().bytes, QByteArray("AT\r"));
}

TEST_F(ModemFixture, ReplyLineRules) {
    QByteArray reply;
    port.peer = nullptr;
    // What arrived before the command is purged; noise without CR/LF is the echo.
    port.Send("\r\nBUSY\r\n");
    port.peer = [this](const QByteArray&) { port.Send("xyz\r\nNO CARRIER\r\nOK\r\n"); };
    EXPECT_EQ(dialogue.SendModemCommand("ATO\r", &reply, 1000, nullptr), DialResult::NoCarrier);
    EXPECT_EQ(reply, QByteArray("\r\nNO CARRIER\r"));
    // Four bytes ending in CR/LF make a line, even an empty one.
    port.peer = [this](const QByteArray&) { port.Send("\r\n\r\nBUSY\r\n"); };
    EXPECT_EQ(dialogue.SendModemCommand("ATO\r", &reply, 1000, nullptr), DialResult::Connected);
    EXPECT_EQ(reply, QByteArray("\r\n\r\n"));

    // A line that never ends is cut at 255 bytes.
    port.peer = [this](const QByteArray&) { port.Send("\r" + QByteArray(400, 'x')); };
    EXPECT_EQ(dialogue.SendModemCommand("AT\r", &reply, 1000, nullptr), DialResult::Connected);
    EXPECT_EQ(reply.size(), 255);

    // An incomplete line is a time-out, and nothing of it is kept.
    port.peer = [this](const QByteArray&) { port.Send("\r\nBUS"); };
    const int64_t start = clock.now;
    EXPECT_EQ(dialogue.SendModemCommand("AT\r", &reply, 1500, nullptr), DialResult::ReplyTimeout);
    EXPECT_GE(clock.now - start, 1500 * Ms);
    EXPECT_LT(clock.now - start, 1510 * Ms);
    EXPECT_TRUE(reply.isEmpty());
}

TEST_F(ModemFixture, WaitsInShortSlicesAndPumps) {
    port.peer = nullptr;
    QByteArray reply;
    EXPECT_EQ(dialogue.SendModemCommand("AT\r", &reply, 3000, nullptr), DialResult::ReplyTimeout);
    EXPECT_LE(port.maxWaitNs, Ms);
    EXPECT_GE(pumps, 3000);
}

TEST_F(ModemFixture, WithoutPumpTheWaitIsOneBlock) {
    port.peer = nullptr;
    ModemDialogue quiet({&port, {}, {}, &clock});
    QByteArray reply;
    EXPECT_EQ(quiet.SendModemCommand("AT\r", &reply, 3000, nullptr), DialResult::ReplyTimeout);
    EXPECT_GT(port.maxWaitNs, 2000 * Ms);
}

// A waiter changes nothing of the dialogue's timing: the same call, made once
// with the pump alone (waits in 1 ms slices) and once with a waiter, sends
// the same commands at the same times, and the waiter's version waits a
// handful of times instead of once a millisecond.
TEST(ModemWaits, AWaiterKeepsTheDialoguesTimes) {
    FakeClock slicedClock, waitedClock;
    FakeModemPort slicedPort{slicedClock}, waitedPort{waitedClock};
    Hayes slicedModem{slicedPort}, waitedModem{waitedPort};
    FakeWaiter waiter{waitedClock};
    int slicedPumps = 0, waitedPumps = 0;
    ModemDialogue sliced({&slicedPort, [&] { ++slicedPumps; }, {}, &slicedClock});
    ModemDialogue waited({&waitedPort, [&] { ++waitedPumps; }, {}, &waitedClock, &waiter});
    ASSERT_EQ(sliced.Dial("1", "ATZ^AT&F", nullptr, 1, 50), DialResult::Connected);
    ASSERT_EQ(waited.Dial("1", "ATZ^AT&F", nullptr, 1, 50), DialResult::Connected);
    ASSERT_EQ(waitedPort.writes.size(), slicedPort.writes.size());
    for (size_t i = 0; i < slicedPort.writes.size(); ++i) {
        SCOPED_TRACE(slicedPort.writes[i].bytes.toStdString());
        EXPECT_EQ(waitedPort.writes[i].bytes, slicedPort.writes[i].bytes);
        EXPECT_EQ(waitedPort.writes[i].at, slicedPort.writes[i].at);
    }
    EXPECT_EQ(waitedClock.now, slicedClock.now);
    EXPECT_GT(slicedPumps, 3000);
    EXPECT_LT(waiter.waits.size(), 50u);
    EXPECT_LT(waitedPumps, 100);
}

// Esc wakes the waiter (the window's key filter notes the press, then wakes
// it): the reply wait ends at once. A wake without Esc leaves the wait
// running to its time limit.
TEST(ModemWaits, AWokenReplyWaitEndsOnEscOnly) {
    struct Case {
        const char* what;
        bool esc;
        DialResult result;
        int64_t dialWaitMs;  // from the dial command to the end of its wait
    } const cases[] = {
        {"Esc 250 ms into the wait for the dial reply", true, DialResult::Escape, 250},
        {"woken 250 ms into it without Esc", false, DialResult::ReplyTimeout, 7000},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeClock clock;
        FakeModemPort port{clock};
        Hayes modem{port};
        modem.dialScript = {"SILENT"};
        FakeWaiter waiter{clock};
        bool pressed = false, woken = false;
        waiter.events = [&](int64_t) -> std::optional<int64_t> {
            if (woken || port.Count("ATD") == 0) return std::nullopt;
            woken = true;
            pressed = c.esc;
            return 250 * Ms;
        };
        ModemDialogue dialogue({&port, {}, [&] { return std::exchange(pressed, false); }, &clock, &waiter});
        EXPECT_EQ(dialogue.Dial("1", "", nullptr, 1, 7), c.result);
        // The line is then hung up: "+++" after the 1.2 s guard time of silence.
        size_t dial = 0;
        while (dial < port.writes.size() && !port.writes[dial].bytes.startsWith("ATD")) ++dial;
        ASSERT_LT(dial + 1, port.writes.size());
        EXPECT_EQ(port.writes[dial + 1].bytes, QByteArray("+++"));
        const int64_t gap = port.writes[dial + 1].at - port.writes[dial].at;
        EXPECT_GE(gap, (c.dialWaitMs + 1200) * Ms);
        EXPECT_LT(gap, (c.dialWaitMs + 1210) * Ms);
    }
}

TEST_F(ModemFixture, CheckModemInCommandMode) {
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::Connected);
    // ATE0 answered: then ATV1, no escape sequence.
    EXPECT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "ATV1\r"}));
}

TEST_F(ModemFixture, CheckModemUnderstandsAModemLeftInNumericMode) {
    modem.numeric = true;
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::Connected);
    EXPECT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "ATV1\r"}));
    EXPECT_FALSE(modem.numeric) << "ATV1 has taken effect";
    EXPECT_EQ(Dial(), DialResult::Connected);
}

TEST_F(ModemFixture, CheckModemEscapesALineLeftUp) {
    modem.online = modem.callUp = true;  // a call left up: ATE0 goes to the far end
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::Connected);
    // Back in command mode, the call is hung up before anything is dialled.
    ASSERT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "+++", "ATE0\r", "ath\r"}));
    EXPECT_FALSE(modem.callUp);
    // 5 s for the unanswered ATE0, then 1.2 s of silence before "+++" and
    // again before the next command.
    EXPECT_GE(port.writes[1].at - port.writes[0].at, 6200 * Ms);
    EXPECT_GE(port.writes[2].at - port.writes[1].at, 1000 * Ms + 1200 * Ms);
    EXPECT_FALSE(modem.online);
}

TEST_F(ModemFixture, CheckModemWithoutModem) {
    modem.present = false;
    const int64_t start = clock.now;
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::NoModem);
    EXPECT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "+++"}));
    EXPECT_GE(clock.now - start, (5000 + 1200 + 5000) * Ms);
    EXPECT_EQ(Dial(), DialResult::NoModem);
}

TEST_F(ModemFixture, CheckModemFailsWhenItsTriesRunOut) {
    // A line left up whose modem takes the escape but then answers nothing
    // the check understands.
    modem.online = true;
    modem.replyFor = {{"ATE0", "ZZZ"}, {"ATV1", "ZZZ"}};
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::NoModem);
    EXPECT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "+++", "ATE0\r", "ATV1\r", "ATE0\r", "ATV1\r"}));
    EXPECT_EQ(DialResultText(DialResult::NoModem), QStringLiteral("Модем отсутствует или не подключен"));
}

TEST_F(ModemFixture, CheckModemErrorIsReturned) {
    modem.errorFor = {"ATE0"};
    EXPECT_EQ(dialogue.CheckModem(&panel), DialResult::Error);
    EXPECT_EQ(port.Commands().size(), 1u);
}

TEST_F(ModemFixture, DialConnects) {
    EXPECT_EQ(Dial("(012) 345-67-89", "ATZ^AT&F^ATS0=0", 1, 50), DialResult::Connected);
    // After the user's commands the dialogue's own modes are set again.
    EXPECT_EQ(port.Commands(), (std::vector<QByteArray>{"ATE0\r", "ATV1\r", "ATZ\r", "AT&F\r", "ATS0=0\r", "ATV1\r",
                                                        "ATE0\r", QByteArray("AT+CPAS\r\0", 9), "ATD0123456789\r"}));
    EXPECT_TRUE(modem.online);
    EXPECT_TRUE(panel.text().contains(QStringLiteral("CONNECT 9600"))) << panel.text().toStdString();
    // Two seconds between the modem check and the first initialisation command.
    EXPECT_GE(port.writes[2].at - port.writes[1].at, 2000 * Ms);
}

TEST_F(ModemFixture, EveryInitialisationCommandMustBeAnsweredOk) {
    modem.errorFor = {"AT&F"};
    EXPECT_EQ(Dial("1", "ATZ^AT&F^ATS0=0", 2, 50), DialResult::Error);
    EXPECT_EQ(port.Count("ATZ"), 2);
    EXPECT_EQ(port.Count("AT&F"), 2);
    EXPECT_EQ(port.Count("ATS0"), 0);
    EXPECT_EQ(port.Count("ATD"), 0);

    // A reply without "OK" that is no error ends the attempt with 8.
    port.writes.clear();
    modem.errorFor.clear();
    port.peer = [this](const QByteArray& bytes) {
        if (bytes.startsWith("ATS0")) port.Send("\r\nREADY\r\n");
        else modem.Take(bytes);
    };
    EXPECT_EQ(Dial("1", "ATZ^AT&F^ATS0=0", 1, 50), DialResult::NotConnected);
    EXPECT_EQ(port.Count("ATD"), 0);
}

TEST_F(ModemFixture, BusyThreeTimesDialsThreeTimes) {
    modem.dialScript = {"BUSY", "BUSY", "BUSY", "CONNECT 9600"};
    const DialResult code = Dial("(012) 345-67-89", "ATZ", 3, 50);
    EXPECT_EQ(code, DialResult::Busy);
    EXPECT_EQ(DialResultText(code), QStringLiteral("Номер абонента занят"));
    EXPECT_EQ(port.Count("ATD0123456789\r"), 3);
    EXPECT_EQ(port.Count("ATZ"), 3);
    EXPECT_EQ(port.Count("AT+CPAS"), 3);
}

TEST_F(ModemFixture, LaterAttemptConnects) {
    modem.dialScript = {"BUSY", "NO ANSWER", "CONNECT 19200"};
    EXPECT_EQ(Dial("5", "", 5, 50), DialResult::Connected);
    EXPECT_EQ(port.Count("ATD5\r"), 3);
}

TEST_F(ModemFixture, NumericModeInTheUsersCommandsIsUndone) {
    // ATV0 among the initialisation commands: every later reply would come
    // as a digit; the dialogue sets verbose replies again before dialling.
    EXPECT_EQ(Dial("1", "ATV0", 1, 50), DialResult::Connected);
    EXPECT_FALSE(modem.numeric);
    EXPECT_TRUE(modem.online);
}

TEST_F(ModemFixture, DialRepliesGiveTheirResults) {
    const std::vector<std::pair<const char*, DialResult>> cases = {
        {"NO DIALTONE", DialResult::NoDialTone}, {"NO CARRIER", DialResult::NoCarrier}, {"ERROR", DialResult::Error},
        {"NO ANSWER", DialResult::NoAnswer},     {"RING", DialResult::NotConnected},
    };
    for (const auto& [reply, code] : cases) {
        modem.dialScript = {reply};
        modem.echo = true;
        EXPECT_EQ(Dial(), code) << reply;
    }
    modem.dialScript = {"NO DIALTONE"};
    EXPECT_EQ(DialResultText(Dial()), QStringLiteral("Отсутствует сигнал АТС"));
}

TEST_F(ModemFixture, SilentDialTimesOut) {
    modem.dialScript = {"SILENT"};
    const int64_t start = clock.now;
    EXPECT_EQ(Dial("1", "", 1, 7), DialResult::ReplyTimeout);
    // The dial command is given the whole connection wait before the line is hung up.
    size_t dial = 0;
    while (dial < port.writes.size() && !port.writes[dial].bytes.startsWith("ATD")) ++dial;
    ASSERT_LT(dial + 1, port.writes.size());
    EXPECT_GE(port.writes[dial + 1].at - port.writes[dial].at, 7000 * Ms);
    EXPECT_LT(clock.now - start, 20000 * Ms);
}

TEST_F(ModemFixture, ReportLinesBeforeConnectAreReadOn) {
    modem.dialScript = {"CARRIER 33600\r\n\r\nPROTOCOL: LAPM\r\n\r\nCOMPRESSION: V42BIS\r\n\r\nCONNECT 33600"};
    EXPECT_EQ(Dial(), DialResult::Connected);
    EXPECT_TRUE(modem.online);
    EXPECT_TRUE(panel.text().contains(QStringLiteral("CONNECT 33600"))) << panel.text().toStdString();
    // A failure after the report lines is that failure.
    modem.online = false;
    modem.dialScript = {"CARRIER 33600\r\n\r\nNO CARRIER"};
    EXPECT_EQ(Dial(), DialResult::NoCarrier);
}

TEST_F(ModemFixture, GsmNotReadyEndsAtOnce) {
    modem.cpas = 3;
    EXPECT_EQ(Dial("1", "ATZ", 3, 50), DialResult::GsmNotReady);
    EXPECT_EQ(port.Count("AT+CPAS"), 1);
    EXPECT_EQ(port.Count("ATD"), 0);
    EXPECT_EQ(panel.text(), QStringLiteral(" Проверка готовности GSM. Команда AT+CPAS. Ответ \r\n+CPAS: 3\r"));
}

TEST_F(ModemFixture, PlainErrorToTheGsmCheckIsALandlineModem) {
    struct Case {
        const char* what;
        bool plainError;  // else "+CME ERROR: 10" (a GSM modem without a ready SIM)
        DialResult result;
        int dials;
    } const cases[] = {
        {"landline modem: ERROR, and the call is made", true, DialResult::Connected, 1},
        {"GSM modem without SIM: not ready", false, DialResult::GsmNotReady, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeClock caseClock;
        FakeModemPort casePort{caseClock};
        Hayes caseModem{casePort};
        if (c.plainError)
            caseModem.errorFor = {"AT+CPAS"};
        else
            caseModem.replyFor = {{"AT+CPAS", "+CME ERROR: 10"}};
        ModemDialogue caseDialogue({&casePort, {}, {}, &caseClock});
        TextPanel casePanel;
        EXPECT_EQ(caseDialogue.Dial("1", "ATZ", &casePanel, 1, 50), c.result);
        EXPECT_EQ(casePort.Count("ATD"), c.dials);
    }
}

TEST_F(ModemFixture, GsmReadinessNeedsBothLines) {
    modem.echo = false;  // as the modem check leaves it
    EXPECT_TRUE(dialogue.CheckGsmReady(nullptr));
    // "+CPAS: 0" without the closing OK.
    port.peer = [this](const QByteArray&) { port.Send("\r\n+CPAS: 0\r\n\r\nERROR\r\n"); };
    EXPECT_FALSE(dialogue.CheckGsmReady(nullptr));
    // A modem that does not know the command is a landline modem: nothing to wait for.
    port.peer = [this](const QByteArray&) { port.Send("\r\nERROR\r\n"); };
    EXPECT_TRUE(dialogue.CheckGsmReady(nullptr));
    port.peer = nullptr;
    EXPECT_FALSE(dialogue.CheckGsmReady(nullptr));
}

TEST_F(ModemFixture, EscapeWhileDialling) {
    modem.dialScript = {"SILENT", "SILENT"};
    // Esc is pressed a second after the dial command went out.
    escape = [this] {
        return port.Count("ATD") > 0 && clock.now - port.writes.back().at > 1000 * Ms;
    };
    const DialResult code = Dial("1", "", 2, 50);
    EXPECT_EQ(code, DialResult::Escape);
    EXPECT_EQ(DialResultText(code), QStringLiteral("Попытка соединения прервана по требованию пользователя"));
    EXPECT_EQ(port.Count("ATD"), 1) << "Esc ends the dialling, not only the attempt";

    QByteArray reply;
    escape = [] { return true; };
    EXPECT_EQ(dialogue.SendModemCommand("AT\r", &reply, 5000, nullptr), DialResult::Escape);
    EXPECT_EQ(reply, QByteArray("Escape..."));
}

TEST_F(ModemFixture, AnAttemptWithoutACallIsHungUp) {
    struct Case {
        const char* what;
        QByteArray script;
        DialResult result;
        bool escape;  // the whole hang-up; else the modem is in command mode and "ath" is enough
    } const cases[] = {
        {"no reply within the connection wait", "SILENT", DialResult::ReplyTimeout, true},
        {"no final result", "RING", DialResult::NotConnected, true},
        {"busy", "BUSY", DialResult::Busy, false},
        {"no carrier", "NO CARRIER", DialResult::NoCarrier, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeClock caseClock;
        FakeModemPort casePort{caseClock};
        Hayes caseModem{casePort};
        caseModem.dialScript = {c.script, c.script};
        ModemDialogue caseDialogue({&casePort, {}, {}, &caseClock});
        EXPECT_EQ(caseDialogue.Dial("1", "", nullptr, 2, 5), c.result);
        const std::vector<QByteArray> commands = casePort.Commands();
        // Each of the two attempts: the dial command, then ("+++" and) "ath".
        const std::vector<QByteArray> hangUp =
            c.escape ? std::vector<QByteArray>{"+++", "ath\r"} : std::vector<QByteArray>{"ath\r"};
        int hangUps = 0;
        for (size_t i = 0; i + hangUp.size() < commands.size(); ++i) {
            if (commands[i].startsWith("ATD") &&
                std::equal(hangUp.begin(), hangUp.end(), commands.begin() + std::ptrdiff_t(i) + 1))
                ++hangUps;
        }
        EXPECT_EQ(hangUps, 2);
        EXPECT_EQ(commands.back(), QByteArray("ath\r"));
        // DTR dropped and raised again after each "ath".
        ASSERT_EQ(casePort.dtr.size(), 4u);
        EXPECT_FALSE(casePort.dtr[0].on);
        EXPECT_TRUE(casePort.dtr[1].on);
        EXPECT_GE(casePort.dtr[1].at - casePort.dtr[0].at, 200 * Ms);
    }
}

TEST_F(ModemFixture, HangUpKeepsTheGuardTimesAndWaitsForTheEscapeToBeConfirmed) {
    struct Case {
        const char* what;
        int modemGuardMs;    // the modem's S12
        int settingMs;       // the dialogue's guard setting
        bool online;         // false: the call had ended, the modem was in command mode already
        int minGuardMs;      // silence the dialogue must keep
    } const cases[] = {
        {"a usual modem", 1000, 0, true, 1200},
        {"a setting below the least counts as the least", 1000, 500, true, 1200},
        {"a modem with a long guard time and the setting for it", 2500, 2600, true, 2600},
        {"a modem already in command mode", 1000, 0, false, 1200},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeClock caseClock;
        FakeModemPort casePort{caseClock};
        Hayes caseModem{casePort};
        caseModem.guardMs = c.modemGuardMs;
        ModemDialogue caseDialogue({&casePort, {}, {}, &caseClock, nullptr, c.settingMs});
        ASSERT_EQ(caseDialogue.Dial("1", "", nullptr, 1, 50), DialResult::Connected);
        const size_t before = casePort.writes.size();
        const int64_t connected = caseClock.now;
        if (!c.online) caseModem.online = caseModem.callUp = false;
        caseDialogue.HangUp();
        ASSERT_EQ(casePort.writes.size(), before + 2);
        const auto& escape = casePort.writes[before];
        const auto& hangUp = casePort.writes[before + 1];
        EXPECT_EQ(escape.bytes, QByteArray("+++"));
        EXPECT_EQ(hangUp.bytes, QByteArray("ath\r"));
        EXPECT_GE(escape.at - connected, c.minGuardMs * Ms) << "silence before";
        EXPECT_GE(hangUp.at - escape.at, c.minGuardMs * Ms) << "silence after";
        if (c.online) {
            // "ath" follows the modem's OK, not a fixed time.
            EXPECT_LT(hangUp.at - escape.at, int64_t(std::max(c.minGuardMs, c.modemGuardMs)) * Ms + 50 * Ms);
        } else {
            EXPECT_GE(hangUp.at - escape.at, (c.minGuardMs + 2000) * Ms) << "the whole wait for a confirmation";
        }
        EXPECT_FALSE(caseModem.callUp);
        ASSERT_EQ(casePort.dtr.size(), 2u);
        EXPECT_FALSE(casePort.dtr[0].on);
        EXPECT_GE(casePort.dtr[0].at, hangUp.at);
    }
}

TEST_F(ModemFixture, ClosedPortIsNoModem) {
    port.open = false;
    EXPECT_EQ(Dial(), DialResult::NoModem);
    EXPECT_TRUE(port.writes.empty());
}

TEST(FindSubstring, Occurrence) {
    struct Case {
        const char* text;
        const char* pattern;
        bool found;
    } cases[] = {
        {"\r\nCONNECT 9600\r\n", "CONNECT", true},
        {"\r\nNO CARRIER\r\n", "CONNECT", false},
        {"OK", "OK", true},
        {"xOK", "OK", true},
        {"O", "OK", false},   // shorter than the pattern
        {"", "OK", false},
        {"", "", false},      // empty text
        {"abc", "", true},
        {"BUSYBUS", "BUSY", true},
        {"BUSBUSY", "BUSY", true},
        {"BUSBUS", "BUSY", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FindSubstring(c.text, c.pattern), c.found) << '"' << c.text << "\" / \"" << c.pattern << '"';
    // Bytes after a NUL still count.
    const char withNul[] = {'A', 0, 'O', 'K'};
    EXPECT_TRUE(FindSubstring(QByteArrayView(withNul, 4), "OK"));
}
