#include "Controller.h"
#include "Crc.h"
#include "SimProgram.h"
#include "StateFile.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <csignal>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <netinet/in.h>
#include <poll.h>
#include <random>
#include <spawn.h>
#include <string>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace zmksim {
namespace {

// Appends the checksum, low byte first.
Bytes WithCrc(Bytes frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes ReadRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count) {
    return WithCrc({0xCC, address, 0x0A, 0x01, 0x00, table, first, count});
}

// 12 bytes of password, then 4 bytes of user code, as a write carries them.
Bytes Credentials(const std::string& password, const std::string& code) {
    Bytes out(16, ' ');
    std::copy(password.begin(), password.end(), out.begin());
    std::copy(code.begin(), code.end(), out.begin() + 12);
    return out;
}

// The commissioning engineer every controller is delivered with.
const Bytes kFactoryCredentials = Credentials("12345678", "1234");
const Bytes kBlankCredentials(16, ' ');

// A code 2 request, by default from the commissioning engineer.
Bytes WriteRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count, const Bytes& data,
                   const Bytes& credentials = kFactoryCredentials) {
    Bytes frame = {0xCC, address, static_cast<uint8_t>(26 + data.size()), 0x02};
    frame.insert(frame.end(), credentials.begin(), credentials.end());
    frame.insert(frame.end(), {0x00, table, first, count});
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

Bytes Refusal(uint8_t address, uint8_t code, uint8_t result) {
    return WithCrc({0x33, address, 0x07, code, result});
}

class ControllerTest : public ::testing::Test {
protected:
    // 2025-06-14 10:20:30 UTC; tables show the host's local time.
    std::time_t now = 1749896430;
    ControllerOptions options;
    Controller MakeController() { return Controller(options, [this] { return now; }); }

    // Feeds raw bytes through a frame assembler and returns the answer to
    // the single complete frame in them (empty when it goes unanswered).
    static Bytes Exchange(Controller& controller, const Bytes& bytes) {
        FrameAssembler assembler;
        Bytes answer;
        int frames = 0;
        for (uint8_t b : bytes) {
            if (!assembler.Push(b)) continue;
            ++frames;
            if (auto a = controller.HandleFrame(assembler.Frame())) answer = *a;
        }
        EXPECT_EQ(frames, 1) << "the bytes should hold exactly one frame";
        return answer;
    }
};

TEST(CrcTest, MatchesPublishedCheckValueAndKnownFrame) {
    const std::string check = "123456789";
    EXPECT_EQ(Crc16(reinterpret_cast<const uint8_t*>(check.data()), check.size()), 0x4B37);
    const Bytes request = {0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9};
    EXPECT_EQ(Crc16(request.data(), 8), 0xA9E1);
    EXPECT_EQ(Crc16(request.data(), request.size()), 0);
}

TEST_F(ControllerTest, IdentificationReadAnswersWithTypeCodeAndVersion) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, {0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9});
    ASSERT_EQ(answer.size(), 8u + 18u + 2u);
    EXPECT_EQ(answer[0], 0x33);
    EXPECT_EQ(answer[1], 0x01);
    EXPECT_EQ(answer[2], 28);
    EXPECT_EQ(answer[3], 0x81);
    EXPECT_EQ(answer[4], 0x00);
    EXPECT_EQ(answer[5], 0);    // table
    EXPECT_EQ(answer[6], 0);    // first field
    EXPECT_EQ(answer[7], 18);   // count
    EXPECT_EQ(answer[8 + 0], 0);   // no destroyed table
    EXPECT_EQ(answer[8 + 1], 73);  // type code
    EXPECT_EQ(answer[8 + 3], 10);  // software version
    EXPECT_EQ(answer[8 + 12], 0);  // texts in CP866
    EXPECT_EQ(Crc16(answer.data(), answer.size()), 0);
}

TEST_F(ControllerTest, IdentificationFollowsOptions) {
    options.typeCode = 72;
    options.softwareVersion = 14;
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 0, 1, 3));
    ASSERT_EQ(answer.size(), 8u + 3u + 2u);
    EXPECT_EQ(answer[8], 72);
    EXPECT_EQ(answer[10], 14);
}

TEST_F(ControllerTest, NameIsBlankPaddedCp866) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 5, 0, 1));
    ASSERT_EQ(answer.size(), 8u + 20u + 2u);
    // "ЗМК-10 ГРС Тестовая" and one blank
    const Bytes expected = {0x87, 0x8C, 0x8A, 0x2D, 0x31, 0x30, 0x20, 0x83, 0x90, 0x91,
                            0x20, 0x92, 0xA5, 0xE1, 0xE2, 0xAE, 0xA2, 0xA0, 0xEF, 0x20};
    EXPECT_EQ(Bytes(answer.begin() + 8, answer.end() - 2), expected);
}

TEST_F(ControllerTest, SystemParametersReportMoistureMeter) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 6, 8, 1));
    ASSERT_EQ(answer.size(), 11u);
    EXPECT_EQ(answer[8], 1);
}

struct RefusalCase {
    const char* what;
    Bytes request;
    uint8_t code;
    uint8_t result;
};

class RefusalTest : public ControllerTest, public ::testing::WithParamInterface<RefusalCase> {};

TEST_P(RefusalTest, AnswersWithResultCode) {
    Controller c = MakeController();
    EXPECT_EQ(Exchange(c, GetParam().request), Refusal(1, GetParam().code, GetParam().result)) << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Requests, RefusalTest,
    ::testing::Values(
        RefusalCase{"empty slot 1", ReadRequest(1, 1, 0, 1), 1, 9},
        RefusalCase{"empty slot 31", ReadRequest(1, 31, 0, 1), 1, 9},
        RefusalCase{"empty slot 36", ReadRequest(1, 36, 0, 1), 1, 9},
        RefusalCase{"table 38", ReadRequest(1, 38, 0, 1), 1, 9},
        RefusalCase{"flow-computer passwords are write-only", ReadRequest(1, 13, 0, 1), 1, 11},
        RefusalCase{"table 255", ReadRequest(1, 255, 0, 1), 1, 9},
        RefusalCase{"first field past the end", ReadRequest(1, 0, 18, 1), 1, 13},
        RefusalCase{"count 0", ReadRequest(1, 0, 0, 0), 1, 13},
        RefusalCase{"count 0 of a flow-computer table past field 0", ReadRequest(1, 17, 3, 0), 1, 13},
        RefusalCase{"range past the end", ReadRequest(1, 0, 17, 2), 1, 13},
        RefusalCase{"first + count wraps a byte", ReadRequest(1, 7, 2, 255), 1, 13},
        RefusalCase{"read answer over 255 bytes", ReadRequest(1, 4, 0, 12), 1, 2},
        RefusalCase{"read one byte too long", WithCrc({0xCC, 1, 11, 1, 0, 0, 0, 1, 0}), 1, 2},
        RefusalCase{"read one byte too short", WithCrc({0xCC, 1, 9, 1, 0, 0, 0}), 1, 2},
        RefusalCase{"unknown code 3", WithCrc({0xCC, 1, 6, 3}), 3, 1},
        RefusalCase{"code 26 not served", WithCrc({0xCC, 1, 6, 26}), 26, 1},
        RefusalCase{"code 7 asking for no record", WithCrc({0xCC, 1, 13, 7, 0, 0, 0, 0, 0, 0, 0}), 7, 4},
        RefusalCase{"code with bit 7 set", WithCrc({0xCC, 1, 6, 0x81}), 0x01, 1},
        RefusalCase{"write shorter than its head", WithCrc(Bytes{0xCC, 1, 10, 2, 0, 5, 0, 1}), 2, 2},
        RefusalCase{"write cut inside the user code",
                    WithCrc([] {
                        Bytes f = {0xCC, 1, 21, 2};
                        f.insert(f.end(), kFactoryCredentials.begin(), kFactoryCredentials.begin() + 15);
                        return f;
                    }()),
                    2, 2},
        RefusalCase{"write data shorter than count", WriteRequest(1, 6, 0, 2, {1}), 2, 2},
        RefusalCase{"write data longer than count", WriteRequest(1, 6, 0, 1, {1, 2}), 2, 2},
        RefusalCase{"write beyond the table", WriteRequest(1, 6, 11, 2, {0, 0}), 2, 14},
        RefusalCase{"write first field past the end", WriteRequest(1, 6, 12, 1, {0}), 2, 14},
        RefusalCase{"write count 0", WriteRequest(1, 6, 0, 0, {}), 2, 14},
        RefusalCase{"write to empty slot", WriteRequest(1, 31, 0, 1, {0}), 2, 9},
        RefusalCase{"write to identification", WriteRequest(1, 0, 1, 1, {72}), 2, 12},
        RefusalCase{"write address 0", WriteRequest(1, 3, 0, 1, {0}), 2, 4},
        RefusalCase{"write address 255", WriteRequest(1, 3, 0, 1, {255}), 2, 4},
        RefusalCase{"write clock with month 13", WriteRequest(1, 2, 1, 1, {13}), 2, 4},
        RefusalCase{"write clock with 30 February", WriteRequest(1, 2, 0, 3, {23, 2, 30}), 2, 4}),
    [](const ::testing::TestParamInfo<RefusalCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(ControllerTest, FlowComputerTablesTakeAnEmptyRangeFromFieldZero) {
    Controller c = MakeController();
    for (uint8_t table : {17, 18, 19, 20}) {
        EXPECT_EQ(Exchange(c, ReadRequest(1, table, 0, 0)), WithCrc({0x33, 0x01, 0x0A, 0x81, 0x00, table, 0x00, 0x00}))
            << int(table);
        EXPECT_EQ(Exchange(c, WriteRequest(1, table, 0, 0, {})), WithCrc({0x33, 0x01, 0x0A, 0x82, 0x00, table, 0x00, 0x00}))
            << int(table);
    }
    EXPECT_EQ(Exchange(c, WriteRequest(1, 13, 0, 0, {})), WithCrc({0x33, 0x01, 0x0A, 0x82, 0x00, 13, 0x00, 0x00}));
}

// Code 25 carries the credentials only.
Bytes ResetRequest(uint8_t address, const Bytes& credentials = kFactoryCredentials) {
    Bytes frame = {0xCC, address, 22, 25};
    frame.insert(frame.end(), credentials.begin(), credentials.end());
    return WithCrc(frame);
}

TEST_F(ControllerTest, ResetBringsBackTheFactoryTablesAtAddressOne) {
    Controller c = MakeController();
    c.MarkDestroyed(22);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 21, 0, 2, {1, 1}))[3], 0x82);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 3, 0, 2, {7, 15}))[3], 0x82);  // address 7, 19200 bit/s
    ASSERT_EQ(c.Address(), 7);

    EXPECT_EQ(Exchange(c, ResetRequest(7, Credentials("wrong", "0000"))), Refusal(7, 25, 34));
    EXPECT_EQ(Exchange(c, ResetRequest(7)), WithCrc({0x33, 7, 0x07, 0x99, 0x00}));
    EXPECT_EQ(c.Address(), 1);
    EXPECT_EQ(c.LineRate(), 9600u);
    Controller fresh = MakeController();
    for (std::size_t t : {3u, 4u, 5u, 6u, 9u, 14u, 21u, 22u, 29u})
        EXPECT_TRUE(std::ranges::equal(c.Table(t), fresh.Table(t))) << t;
    EXPECT_EQ(c.Table(7)[22], 0);
    EXPECT_EQ(c.Table(0)[0], 0);
}

// A controller of software version 14 comes without a configuration: every
// configuration table destroyed until written whole, and so again after a
// reset. The other tables stay intact.
TEST_F(ControllerTest, VersionFourteenHasNoConfigurationUntilWrittenAndAfterReset) {
    options.softwareVersion = kVersionWithoutConfiguration;
    Controller c = MakeController();
    const auto expectAllDestroyed = [&](const char* when) {
        for (uint8_t t = 0; t < kTableCount; ++t)
            EXPECT_EQ(c.Table(kStatesTable)[t], kTableShapes[t].configuration ? 1 : 0) << when << ", table " << int(t);
        EXPECT_EQ(c.Table(0)[0], 2) << when << ": identification names the lowest destroyed table";
        EXPECT_EQ(c.Table(0)[3], kVersionWithoutConfiguration) << when;
    };
    expectAllDestroyed("at start");
    // Without users nobody is registered, and anybody may reset.
    ASSERT_EQ(Exchange(c, ResetRequest(1, kBlankCredentials)), WithCrc({0x33, 1, 0x07, 0x99, 0x00}));
    expectAllDestroyed("after a reset from nobody in particular");

    // Only the users table takes a write, from nobody in particular.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 21, 0, 1, {1})), Refusal(1, 2, 34));
    const Bytes users(c.Table(kUsersTable).begin(), c.Table(kUsersTable).end());
    ASSERT_EQ(Exchange(c, WriteRequest(1, 4, 0, 10, Bytes(users.begin(), users.begin() + 220), kBlankCredentials))[3],
              0x82);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 4, 10, 6, Bytes(users.begin() + 220, users.end()), kBlankCredentials))[3],
              0x82);
    EXPECT_EQ(c.Table(kStatesTable)[4], 0);

    // Every other configuration table written whole, in pieces where it is
    // long; with 16 flow computers connected (table 9 comes before their
    // tables) each of their fields counts.
    for (uint8_t t = 0; t < kTableCount; ++t) {
        const TableShape shape = kTableShapes[t];
        if (!shape.configuration || t == kUsersTable) continue;
        Bytes fields(c.Table(t).begin(), c.Table(t).end());
        if (t == 9) fields[0] = 16;
        const uint8_t perRequest = static_cast<uint8_t>(229 / shape.size);
        for (uint8_t first = 0; first < shape.fields; first = static_cast<uint8_t>(first + perRequest)) {
            const uint8_t count = std::min<uint8_t>(perRequest, static_cast<uint8_t>(shape.fields - first));
            EXPECT_EQ(c.Table(kStatesTable)[t], 1) << "table " << int(t) << " before field " << int(first);
            const Bytes part(fields.begin() + first * shape.size, fields.begin() + (first + count) * shape.size);
            ASSERT_EQ(Exchange(c, WriteRequest(1, t, first, count, part))[3], 0x82) << "table " << int(t);
        }
        EXPECT_EQ(c.Table(kStatesTable)[t], 0) << "table " << int(t);
    }
    EXPECT_EQ(c.Table(0)[0], 0);

    ASSERT_EQ(Exchange(c, ResetRequest(1)), WithCrc({0x33, 1, 0x07, 0x99, 0x00}));
    expectAllDestroyed("after the reset");
}

TEST_F(ControllerTest, LongestReadFitsOneFrame) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 4, 0, 11));  // 242 data bytes
    ASSERT_EQ(answer.size(), 252u);
    EXPECT_EQ(answer[2], 252);
    EXPECT_EQ(answer[3], 0x81);
    EXPECT_EQ(Crc16(answer.data(), answer.size()), 0);
}

TEST_F(ControllerTest, DamagedOrForeignFramesGoUnanswered) {
    Controller c = MakeController();
    Bytes badCrc = ReadRequest(1, 0, 0, 18);
    badCrc.back() ^= 0x01;
    EXPECT_TRUE(Exchange(c, badCrc).empty());
    EXPECT_TRUE(Exchange(c, ReadRequest(2, 0, 0, 18)).empty());
    EXPECT_TRUE(Exchange(c, ReadRequest(0, 0, 0, 18)).empty());
    // Nothing above changed the controller: its own address still answers.
    EXPECT_FALSE(Exchange(c, ReadRequest(1, 0, 0, 18)).empty());
}

TEST_F(ControllerTest, AnyAddressIsAnsweredFromOwnAddress) {
    options.address = 7;
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(255, 3, 0, 1));
    ASSERT_EQ(answer.size(), 11u);
    EXPECT_EQ(answer[1], 7);
    EXPECT_EQ(answer[8], 7);  // table 3 field 0 is the address
    EXPECT_EQ(Exchange(c, WithCrc({0xCC, 255, 6, 3})), Refusal(7, 3, 1));
}

TEST_F(ControllerTest, AddressWriteIsAnsweredFromNewAddress) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, WriteRequest(1, 3, 0, 1, {12}));
    EXPECT_EQ(answer, WithCrc({0x33, 12, 0x0A, 0x82, 0x00, 3, 0, 1}));
    EXPECT_TRUE(Exchange(c, ReadRequest(1, 0, 0, 18)).empty());
    const Bytes read = Exchange(c, ReadRequest(12, 3, 0, 4));
    ASSERT_EQ(read.size(), 14u);
    EXPECT_EQ(read[1], 12);
    EXPECT_EQ(read[8], 12);
}

TEST_F(ControllerTest, LineRateFollowsTable3FromTheNextRequestOn) {
    Controller c = MakeController();
    EXPECT_EQ(c.LineRate(), 9600u);
    // Address 12 and rate code 19 (57600 bit/s) in one write: answered from
    // the new address, the new rate in force afterwards.
    const Bytes answer = Exchange(c, WriteRequest(1, 3, 0, 2, {12, 19}));
    ASSERT_GE(answer.size(), 6u);
    EXPECT_EQ(answer[1], 12);
    EXPECT_EQ(answer[3], 0x82);
    EXPECT_EQ(c.LineRate(), 57600u);
    EXPECT_EQ(Exchange(c, WriteRequest(12, 3, 1, 1, {40}))[3], 0x82);
    EXPECT_EQ(c.LineRate(), 0u) << "a code that names no rate";
}

TEST_F(ControllerTest, WriteIsEchoedAndReadBack) {
    Controller c = MakeController();
    const Bytes data = {0x00, 0x00, 0x80, 0x3F, 0x00, 0x00, 0x00, 0x40};  // 1.0f, 2.0f
    EXPECT_EQ(Exchange(c, WriteRequest(1, 22, 18, 2, data)), WithCrc({0x33, 1, 0x0A, 0x82, 0x00, 22, 18, 2}));
    const Bytes read = Exchange(c, ReadRequest(1, 22, 17, 3));
    ASSERT_EQ(read.size(), 8u + 12u + 2u);
    EXPECT_EQ(Bytes(read.begin() + 12, read.begin() + 20), data);
    // The field before the written range keeps its value.
    Controller fresh = MakeController();
    const Bytes before = Exchange(fresh, ReadRequest(1, 22, 17, 1));
    ASSERT_EQ(before.size(), 8u + 4u + 2u);
    EXPECT_EQ(Bytes(read.begin() + 8, read.begin() + 12), Bytes(before.begin() + 8, before.begin() + 12));
}

TEST_F(ControllerTest, RefuseOptionRefusesEveryRequest) {
    options.refuseWith = 26;
    Controller c = MakeController();
    EXPECT_EQ(Exchange(c, ReadRequest(1, 0, 0, 18)), Refusal(1, 1, 26));
    EXPECT_EQ(Exchange(c, WriteRequest(1, 3, 0, 1, {9})), Refusal(1, 2, 26));
    EXPECT_EQ(c.Address(), 1);  // the refused write changed nothing
}

TEST_F(ControllerTest, ClockRunsFromHostClock) {
    Controller c = MakeController();
    std::tm local{};
    localtime_r(&now, &local);
    const Bytes answer = Exchange(c, ReadRequest(1, 2, 0, 8));
    ASSERT_EQ(answer.size(), 8u + 8u + 2u);
    EXPECT_EQ(answer[8], local.tm_year - 100);
    EXPECT_EQ(answer[9], local.tm_mon + 1);
    EXPECT_EQ(answer[10], local.tm_mday);
    EXPECT_EQ(answer[11], local.tm_hour);
    EXPECT_EQ(answer[12], local.tm_min);
    EXPECT_EQ(answer[13], local.tm_sec);
    EXPECT_EQ(answer[14], local.tm_wday + 1);
}

TEST_F(ControllerTest, WrittenClockKeepsRunning) {
    Controller c = MakeController();
    // 29.02.24 23:59:30, winter time
    ASSERT_EQ(Exchange(c, WriteRequest(1, 2, 0, 8, {24, 2, 29, 23, 59, 30, 1, 1})).size(), 10u);
    now += 45;
    const Bytes answer = Exchange(c, ReadRequest(1, 2, 0, 8));
    ASSERT_EQ(answer.size(), 18u);
    // 01.03.24 00:00:15, a Friday
    EXPECT_EQ(Bytes(answer.begin() + 8, answer.begin() + 16), Bytes({24, 3, 1, 0, 0, 15, 6, 1}));
    // A write of the minute alone moves the clock by that much.
    ASSERT_EQ(Exchange(c, WriteRequest(1, 2, 4, 1, {30})).size(), 10u);
    const Bytes moved = Exchange(c, ReadRequest(1, 2, 3, 3));
    ASSERT_EQ(moved.size(), 13u);
    EXPECT_EQ(Bytes(moved.begin() + 8, moved.begin() + 11), Bytes({0, 30, 15}));
}

// A code 12 request: credentials, then the correction in seconds, low byte first.
Bytes CorrectionRequest(int16_t seconds, const Bytes& credentials = kFactoryCredentials) {
    Bytes frame = {0xCC, 0x01, 24, 12};
    frame.insert(frame.end(), credentials.begin(), credentials.end());
    const auto value = static_cast<uint16_t>(seconds);
    frame.push_back(static_cast<uint8_t>(value & 0xFF));
    frame.push_back(static_cast<uint8_t>(value >> 8));
    return WithCrc(frame);
}

// The clock moves only within the hour it shows: to the start of that hour
// or of the next one at the most (3 s past it allowed for the way of the
// request); a correction of more than an hour is too large, and the
// credentials are checked first.
TEST_F(ControllerTest, ClockCorrectionStaysWithinTheHour) {
    struct Case {
        const char* name;
        Bytes request;
        std::optional<uint8_t> refusal;
        Bytes clock;  // hour, minute, second afterwards
    };
    const Case cases[] = {
        {"forward to the next hour's start", CorrectionRequest(3000), std::nullopt, {13, 0, 0}},
        {"back to the hour's start", CorrectionRequest(-600), std::nullopt, {12, 0, 0}},
        {"a little forward", CorrectionRequest(90), std::nullopt, {12, 11, 30}},
        {"just past the next hour's start", CorrectionRequest(3003), std::nullopt, {13, 0, 3}},
        {"past the next hour's start", CorrectionRequest(3004), kUnsuitableMoment, {12, 10, 0}},
        {"before the hour's start", CorrectionRequest(-601), kUnsuitableMoment, {12, 10, 0}},
        {"more than an hour", CorrectionRequest(3601), kCorrectionTooLarge, {12, 10, 0}},
        {"more than an hour back", CorrectionRequest(-4000), kCorrectionTooLarge, {12, 10, 0}},
        {"unknown user", CorrectionRequest(60, Credentials("wrong", "1234")), kUnknownUser, {12, 10, 0}},
    };
    for (const Case& c : cases) {
        options.clock = MakeWallTime(2026, 3, 15, 12, 10, 0);
        Controller controller = MakeController();
        const Bytes answer = Exchange(controller, c.request);
        if (c.refusal) {
            EXPECT_EQ(answer, Refusal(1, 12, *c.refusal)) << c.name;
        } else {
            EXPECT_EQ(answer, WithCrc({0x33, 0x01, 0x07, 0x8C, 0x00})) << c.name;
        }
        const Bytes clock = Exchange(controller, ReadRequest(1, 2, 0, 8));
        ASSERT_EQ(clock.size(), 18u) << c.name;
        EXPECT_EQ(Bytes(clock.begin() + 11, clock.begin() + 14), c.clock) << c.name;
        EXPECT_EQ(Bytes(clock.begin() + 8, clock.begin() + 11), Bytes({26, 3, 15})) << c.name;
    }

    // Registered credentials with a request of the wrong length.
    options.clock = MakeWallTime(2026, 3, 15, 12, 10, 0);
    Controller controller = MakeController();
    Bytes longer = CorrectionRequest(60);
    longer.resize(longer.size() - 2);
    longer.push_back(0);
    longer[2] = static_cast<uint8_t>(longer.size() + 2);
    EXPECT_EQ(Exchange(controller, WithCrc(longer)), Refusal(1, 12, kWrongLength));
}

// The corrected clock runs on, and the correction is kept in the state.
TEST_F(ControllerTest, CorrectedClockKeepsRunningAndIsStored) {
    options.clock = MakeWallTime(2026, 3, 15, 12, 58, 30);
    Controller controller = MakeController();
    int stored = 0;
    controller.SetStateSink([&stored](const Bytes&) { return ++stored > 1; });
    // The first store fails: the correction is undone and refused.
    EXPECT_EQ(Exchange(controller, CorrectionRequest(90)), Refusal(1, 12, kStorageFailed));
    EXPECT_EQ(SplitWallTime(controller.Now())[4], 58);
    EXPECT_EQ(Exchange(controller, CorrectionRequest(90)).size(), 7u);
    now += 5;
    EXPECT_EQ(controller.Now(), MakeWallTime(2026, 3, 15, 13, 0, 5));
}

// Table 2 field 7 follows the clock-change rules of table 6 (the last
// Sundays of March at 2 h and of October at 3 h) when the clock is set.
TEST_F(ControllerTest, TimeKindFollowsTheRulesAtStart) {
    struct Case {
        WallTime clock;
        uint8_t kind;
    };
    const Case cases[] = {
        {MakeWallTime(2026, 3, 29, 1, 59, 59), 0x80}, {MakeWallTime(2026, 3, 29, 2, 0, 0), 0x00},
        {MakeWallTime(2026, 7, 1, 12), 0x00},        {MakeWallTime(2026, 10, 25, 2, 59, 59), 0x00},
        {MakeWallTime(2026, 10, 25, 3, 0, 0), 0x80}, {MakeWallTime(2027, 1, 10), 0x80},
    };
    for (const Case& c : cases) {
        options.clock = c.clock;
        Controller controller = MakeController();
        const Bytes answer = Exchange(controller, ReadRequest(1, 2, 7, 1));
        ASSERT_EQ(answer.size(), 11u);
        EXPECT_EQ(answer[8], c.kind) << SplitWallTime(c.clock)[1] << '.' << SplitWallTime(c.clock)[2];
    }
    // A written kind is kept, whatever the rules say.
    options.clock = MakeWallTime(2026, 7, 1, 12);
    Controller controller = MakeController();
    ASSERT_EQ(Exchange(controller, WriteRequest(1, 2, 7, 1, {1})).size(), 10u);
    EXPECT_EQ(Exchange(controller, ReadRequest(1, 2, 7, 1))[8], 1);
}

TEST_F(ControllerTest, NameInWindowsCodePageOnRequest) {
    options.windowsTexts = true;
    options.name = "ГРС-1";
    Controller c = MakeController();
    const Bytes ident = Exchange(c, ReadRequest(1, 0, 12, 1));
    ASSERT_EQ(ident.size(), 11u);
    EXPECT_EQ(ident[8], 1);
    const Bytes name = Exchange(c, ReadRequest(1, 5, 0, 1));
    ASSERT_EQ(name.size(), 30u);
    const Bytes expected = {0xC3, 0xD0, 0xD1, '-', '1', ' ', ' ', ' ', ' ', ' ',
                            ' ',  ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    EXPECT_EQ(Bytes(name.begin() + 8, name.end() - 2), expected);
    options.name = "日";
    EXPECT_EQ(CheckControllerOptions(options), "the controller name has characters that Windows-1251 does not have");
}

TEST(FrameAssemblerTest, SkipsPreamblesNoiseAndFalseStarts) {
    const Bytes request = {0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9};
    const Bytes prefixes[] = {
        {},
        {0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
        {0x00, 0x33, 0x12, 0x7E},
        {0xCC, 0x01, 0x05},        // length below 6: hunt for the next start byte
        {0xCC, 0xCC, 0x02, 0x05},  // the false start's address byte starts another false start
        {0xCC, 0x01, 0x00, 0xFF},
    };
    for (const Bytes& prefix : prefixes) {
        FrameAssembler assembler;
        Bytes stream = prefix;
        stream.insert(stream.end(), request.begin(), request.end());
        int frames = 0;
        for (std::size_t i = 0; i < stream.size(); ++i) {
            if (assembler.Push(stream[i])) {
                ++frames;
                EXPECT_EQ(assembler.Frame(), request);
                EXPECT_EQ(i, stream.size() - 1);
            }
        }
        EXPECT_EQ(frames, 1) << "prefix of " << prefix.size() << " bytes";
        EXPECT_TRUE(assembler.Idle());
    }
}

TEST(FrameAssemblerTest, SeparatesBackToBackFrames) {
    const Bytes one = WithCrc({0xCC, 1, 0x0A, 1, 0, 0, 0, 18});
    const Bytes two = WithCrc({0xCC, 1, 0x0A, 1, 0, 5, 0, 1});
    Bytes stream = one;
    stream.insert(stream.end(), two.begin(), two.end());
    FrameAssembler assembler;
    std::vector<Bytes> frames;
    for (uint8_t b : stream) {
        if (assembler.Push(b)) frames.push_back(assembler.Frame());
    }
    ASSERT_EQ(frames.size(), 2u);
    EXPECT_EQ(frames[0], one);
    EXPECT_EQ(frames[1], two);
}

// Random bytes, with start bytes and valid requests mixed in, must never
// crash the controller or give a frame that disagrees with its length byte.
TEST_F(ControllerTest, ArbitraryBytesAreSafe) {
    Controller c = MakeController();
    FrameAssembler assembler;
    std::mt19937 rng(12345);
    int answered = 0;
    for (int i = 0; i < 200000; ++i) {
        uint8_t b = static_cast<uint8_t>(rng());
        if (rng() % 16 == 0) b = 0xCC;
        if (rng() % 2000 == 0) {
            for (uint8_t r : ReadRequest(1, static_cast<uint8_t>(rng() % 40), static_cast<uint8_t>(rng() % 20),
                                         static_cast<uint8_t>(rng() % 20))) {
                if (assembler.Push(r)) answered += c.HandleFrame(assembler.Frame()).has_value();
            }
        }
        if (!assembler.Push(b)) continue;
        const Bytes& frame = assembler.Frame();
        ASSERT_GE(frame.size(), 6u);
        ASSERT_EQ(frame[0], 0xCC);
        ASSERT_EQ(frame.size(), frame[2]);
        if (auto answer = c.HandleFrame(frame)) {
            ++answered;
            ASSERT_GE(answer->size(), 7u);
            ASSERT_LE(answer->size(), 255u);
            ASSERT_EQ(Crc16(answer->data(), answer->size()), 0);
        }
    }
    // Some of the mixed-in requests survive the noise around them.
    EXPECT_GT(answered, 0);
}

// --- Users and write checks --------------------------------------------------

Bytes Field(const Bytes& answer, std::size_t first, std::size_t size) {
    return Bytes(answer.begin() + 8 + first, answer.begin() + 8 + first + size);
}

TEST_F(ControllerTest, UsersTableHoldsCommissioningEngineerAndBlankRecords) {
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 4, 0, 2));
    ASSERT_EQ(answer.size(), 8u + 44u + 2u);
    const Bytes engineer = {0xCD, 0xC0, 0xCB, ' ',  // "НАЛ" in Windows-1251
                            1, 0,                   // level 1, reserved
                            '1', '2', '3', '4', '5', '6', '7', '8', ' ', ' ', ' ', ' ',
                            '1', '2', '3', '4'};
    EXPECT_EQ(Field(answer, 0, 22), engineer);
    Bytes blank(22, ' ');
    blank[4] = 0;
    blank[5] = 0;
    EXPECT_EQ(Field(answer, 22, 22), blank);
    const Bytes last = Exchange(c, ReadRequest(1, 4, 15, 1));
    ASSERT_EQ(last.size(), 8u + 22u + 2u);
    EXPECT_EQ(Field(last, 0, 22), blank);
}

TEST_F(ControllerTest, FurtherUsersTakeTheNextRecordsInWindows1251) {
    options.users = {{"Иван", 2, "пароль", "77"}, {"OP", 4, "", "5"}};
    Controller c = MakeController();
    const Bytes answer = Exchange(c, ReadRequest(1, 4, 1, 2));
    ASSERT_EQ(answer.size(), 8u + 44u + 2u);
    const Bytes ivan = {0xC8, 0xE2, 0xE0, 0xED,  // "Иван" in Windows-1251
                        2, 0,
                        0xEF, 0xE0, 0xF0, 0xEE, 0xEB, 0xFC, ' ', ' ', ' ', ' ', ' ', ' ',  // "пароль" in Windows-1251
                        '7', '7', ' ', ' '};
    EXPECT_EQ(Field(answer, 0, 22), ivan);
    const Bytes op = {'O', 'P', ' ', ' ', 4, 0, ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                      '5', ' ', ' ', ' '};
    EXPECT_EQ(Field(answer, 22, 22), op);

    // Both write with their own credentials, the password as the program sends it.
    Bytes ivanCredentials = Credentials("", "77");
    std::copy(ivan.begin() + 6, ivan.begin() + 18, ivanCredentials.begin());
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {8}, ivanCredentials)).size(), 10u);
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {9}, Credentials("", "5"))).size(), 10u);
    // Ivan's password with the operator's code belongs to nobody.
    ivanCredentials[12] = '5';
    ivanCredentials[13] = ' ';
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {7}, ivanCredentials)), Refusal(1, 2, 34));
    EXPECT_EQ(c.Table(6)[6], 9);
}

struct CredentialCase {
    const char* what;
    Bytes credentials;
};

void PrintTo(const CredentialCase& c, std::ostream* os) { *os << c.what; }

class CredentialTest : public ControllerTest, public ::testing::WithParamInterface<CredentialCase> {};

TEST_P(CredentialTest, UnregisteredCredentialsAreRefusedAndChangeNothing) {
    Controller c = MakeController();
    EXPECT_EQ(Exchange(c, WriteRequest(1, 3, 0, 1, {9}, GetParam().credentials)), Refusal(1, 2, 34)) << GetParam().what;
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {5}, GetParam().credentials)), Refusal(1, 2, 34)) << GetParam().what;
    EXPECT_EQ(c.Address(), 1);
    EXPECT_EQ(c.Table(6)[6], 10);
    // The same writes from the commissioning engineer go through.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {5})), WithCrc({0x33, 1, 0x0A, 0x82, 0x00, 6, 6, 1}));
    EXPECT_EQ(c.Table(6)[6], 5);
}

INSTANTIATE_TEST_SUITE_P(
    Writes, CredentialTest,
    ::testing::Values(
        // Blank credentials equal those of the 15 empty records: level 0 must not count.
        CredentialCase{"blank credentials", kBlankCredentials},
        CredentialCase{"wrong password", Credentials("12345679", "1234")},
        CredentialCase{"wrong code", Credentials("12345678", "1235")},
        CredentialCase{"password only", Credentials("12345678", "")},
        CredentialCase{"code only", Credentials("", "1234")},
        CredentialCase{"password padded with zeros", [] {
                           Bytes b = Credentials("12345678", "1234");
                           std::fill(b.begin() + 8, b.begin() + 12, 0);
                           return b;
                       }()},
        CredentialCase{"password and code swapped places", Credentials("1234", "1234")},
        CredentialCase{"name as password", Credentials("\xCD\xC0\xCB", "1234")}),
    [](const ::testing::TestParamInfo<CredentialCase>& info) { return "Case" + std::to_string(info.index); });

TEST_F(ControllerTest, OpenWritesAcceptAnyCredentials) {
    options.openWrites = true;
    Controller c = MakeController();
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {3}, kBlankCredentials)).size(), 10u);
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 7, 1, {1}, Credentials("x", "y"))).size(), 10u);
    EXPECT_EQ(c.Table(6)[6], 3);
    // Open writes still check the request itself.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 0, 1, 1, {1}, kBlankCredentials)), Refusal(1, 2, 12));
}

TEST_F(ControllerTest, DestroyedUsersTableIsRestoredWithAnyCredentials) {
    Controller c = MakeController();
    c.MarkDestroyed(4);
    const Bytes states = Exchange(c, ReadRequest(1, 7, 0, 38));
    ASSERT_EQ(states.size(), 8u + 38u + 2u);
    for (std::size_t t = 0; t < 38; ++t) EXPECT_EQ(states[8 + t], t == 4 ? 1 : 0) << "table " << t;
    EXPECT_EQ(Exchange(c, ReadRequest(1, 0, 0, 1))[8], 4);  // identification names the destroyed table

    // Nobody is registered while the users table is destroyed.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {5})), Refusal(1, 2, 34));

    // The program restores it in two writes with blank credentials: a new
    // list with the engineer under a new password and an operator.
    Bytes users(16 * 22, ' ');
    for (std::size_t u = 0; u < 16; ++u) users[u * 22 + 4] = users[u * 22 + 5] = 0;
    const Bytes engineer = {0xCD, 0xC0, 0xCB, ' ', 1, 0, 'n', 'e', 'w', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                            '1', '2', '3', '4'};
    const Bytes operatorRecord = {'O', 'P', 'E', 'R', 4, 0, 'o', 'p', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ', ' ',
                                  '9', ' ', ' ', ' '};
    std::copy(engineer.begin(), engineer.end(), users.begin());
    std::copy(operatorRecord.begin(), operatorRecord.end(), users.begin() + 22);
    EXPECT_EQ(Exchange(c, WriteRequest(1, 4, 0, 10, Bytes(users.begin(), users.begin() + 220), kBlankCredentials)),
              WithCrc({0x33, 1, 0x0A, 0x82, 0x00, 4, 0, 10}));
    EXPECT_EQ(c.Table(7)[4], 1) << "half a table is still destroyed";
    EXPECT_EQ(Exchange(c, WriteRequest(1, 4, 10, 6, Bytes(users.begin() + 220, users.end()), Credentials("a", "b"))),
              WithCrc({0x33, 1, 0x0A, 0x82, 0x00, 4, 10, 6}));
    EXPECT_EQ(c.Table(7)[4], 0);
    EXPECT_EQ(c.Table(0)[0], 0);

    // Intact again: the new list decides.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 4, 1, 1, operatorRecord, kBlankCredentials)), Refusal(1, 2, 34));
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {5})), Refusal(1, 2, 34));  // the old password is gone
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {5}, Credentials("new", "1234"))).size(), 10u);
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {6}, Credentials("op", "9"))).size(), 10u);
    EXPECT_EQ(c.Table(6)[6], 6);
}

TEST_F(ControllerTest, DestroyedOtherTableKeepsUsersAndNamesTheLowest) {
    Controller c = MakeController();
    c.MarkDestroyed(22);
    c.MarkDestroyed(9);
    EXPECT_EQ(c.Table(0)[0], 9);
    // Only a destroyed users table lets anybody write; here table 9 is not table 4.
    EXPECT_EQ(Exchange(c, WriteRequest(1, 9, 0, 8, {1, 11, 3, 10, 0, 1, 0, 1}, kBlankCredentials)), Refusal(1, 2, 34));
    EXPECT_EQ(Exchange(c, WriteRequest(1, 9, 0, 8, {1, 11, 3, 10, 0, 1, 0, 1})).size(), 10u);
    EXPECT_EQ(c.Table(7)[9], 0);
    EXPECT_EQ(c.Table(0)[0], 22);
    // The same field twice does not make a table whole.
    const Bytes value = {0, 0, 0x80, 0x3F};
    for (int i = 0; i < 2; ++i) ASSERT_EQ(Exchange(c, WriteRequest(1, 22, 0, 1, value)).size(), 10u);
    EXPECT_EQ(c.Table(7)[22], 1);
}

// A table of one field per flow computer is whole once the connected ones'
// fields are written, as a configuration write sends them; with none
// connected, the write of no field restores it.
TEST_F(ControllerTest, FlowComputerTablesWholeWithTheConnectedOnes) {
    Controller c = MakeController();
    ASSERT_EQ(Exchange(c, WriteRequest(1, 9, 0, 1, {2}))[3], 0x82);
    c.MarkDestroyed(17);
    c.MarkDestroyed(13);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 17, 0, 1, {1}))[3], 0x82);
    EXPECT_EQ(c.Table(kStatesTable)[17], 1);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 17, 1, 1, {0}))[3], 0x82);
    EXPECT_EQ(c.Table(kStatesTable)[17], 0);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 13, 1, 1, Bytes(16, 'p')))[3], 0x82);
    EXPECT_EQ(c.Table(kStatesTable)[13], 1) << "flow computer 0 not written yet";

    ASSERT_EQ(Exchange(c, WriteRequest(1, 9, 0, 1, {0}))[3], 0x82);
    ASSERT_EQ(Exchange(c, WriteRequest(1, 13, 0, 0, {}))[3], 0x82);
    EXPECT_EQ(c.Table(kStatesTable)[13], 0);
    EXPECT_EQ(c.Table(0)[0], 0);
}

// A user record: name, level, password and code, blank-padded.
Bytes UserBytes(const std::string& name, uint8_t level, const std::string& password, const std::string& code) {
    Bytes r(22, ' ');
    std::copy(name.begin(), name.end(), r.begin());
    r[4] = level;
    r[5] = 0;
    std::copy(password.begin(), password.end(), r.begin() + 6);
    std::copy(code.begin(), code.end(), r.begin() + 18);
    return r;
}

// Writes of user records judged as a controller judges them: by the level of
// the writer and by the list they would leave. Users: 0 НАЛ (level 1), 1 ADM
// (2, "a"/"11"), 2 ENG (3, "e"/"33"), 3 OPR (4, "o"/"44").
TEST_F(ControllerTest, UsersWritesFollowLevelsAndListRules) {
    options.users = {{"ADM", 2, "a", "11"}, {"ENG", 3, "e", "33"}, {"OPR", 4, "o", "44"}};
    const Bytes engineer = kFactoryCredentials, admin = Credentials("a", "11"), eng = Credentials("e", "33"),
                operatorCredentials = Credentials("o", "44");
    const Bytes blank = UserBytes("", 0, "", "");
    struct Case {
        const char* what;
        Bytes credentials;
        uint8_t table, field;
        Bytes data;
        uint8_t result;  // 0: written
    };
    const Case cases[] = {
        {"the administrator registers a user", admin, 4, 5, UserBytes("NEW", 3, "n", "55"), 0},
        {"an engineer may not write users", eng, 4, 5, UserBytes("NEW", 3, "n", "55"), 26},
        {"an operator may not either", operatorCredentials, 4, 3, UserBytes("OPR", 4, "new", "44"), 26},
        {"an operator writes parameters", operatorCredentials, 6, 6, {7}, 0},
        {"only the manufacturer changes his record", admin, 4, 0, UserBytes("НАЛ", 1, "x", "1234"), 26},
        {"the manufacturer changes his password", engineer, 4, 0, UserBytes("\xCD\xC0\xCB", 1, "x", "1234"), 0},
        {"no name", admin, 4, 6, UserBytes("", 3, "", "66"), 27},
        {"no code", admin, 4, 6, UserBytes("X", 3, "", ""), 28},
        {"a code beginning with 0", admin, 4, 6, UserBytes("X", 3, "", std::string(1, '\0') + "6"), 28},
        {"a second level 1", engineer, 4, 6, UserBytes("X", 1, "", "66"), 29},
        {"the manufacturer removed", engineer, 4, 0, blank, 30},
        {"the last administrator removed", engineer, 4, 1, blank, 31},
        {"the last administrator lowered", admin, 4, 1, UserBytes("ADM", 3, "a", "11"), 31},
        {"a level above 4", admin, 4, 6, UserBytes("X", 9, "", "66"), 32},
        {"a taken code", admin, 4, 6, UserBytes("X", 3, "", "33"), 32},
        {"a taken name", admin, 4, 6, UserBytes("ENG", 3, "", "66"), 33},
        {"removing a user needs no password", admin, 4, 3, blank, 0},
    };
    for (const Case& k : cases) {
        Controller c = MakeController();
        const Bytes before(c.Table(k.table).begin(), c.Table(k.table).end());
        const Bytes answer = Exchange(c, WriteRequest(1, k.table, k.field, 1, k.data, k.credentials));
        if (k.result == 0) {
            EXPECT_EQ(answer.size(), 10u) << k.what;
            EXPECT_TRUE(std::equal(k.data.begin(), k.data.end(), c.Table(k.table).begin() + k.field * k.data.size()))
                << k.what;
        } else {
            EXPECT_EQ(answer, Refusal(1, 2, k.result)) << k.what;
            EXPECT_EQ(Bytes(c.Table(k.table).begin(), c.Table(k.table).end()), before) << k.what << ": nothing changed";
        }
    }
}

TEST_F(ControllerTest, LevelTablesAndRawLevelsAreOptions) {
    options.users = {{"ENG", 3, "e", "33"}};
    options.levelTables[3] = uint64_t{1} << 2;  // the engineer writes the clock only
    options.rawLevels = {{5, 9}};
    Controller c = MakeController();
    EXPECT_EQ(Exchange(c, WriteRequest(1, 6, 6, 1, {7}, Credentials("e", "33"))), Refusal(1, 2, 26));
    EXPECT_EQ(c.Table(4)[5 * 22 + 4], 9);
}

struct OptionCase {
    const char* what;
    std::vector<UserOption> users;
    const char* complaint;  // part of the message; nullptr: accepted
};

TEST(ControllerOptionsTest, UsersFollowTheListRules) {
    std::vector<UserOption> fifteen;
    for (int i = 0; i < 15; ++i) fifteen.push_back({"U" + std::to_string(i), 3, "", std::to_string(100 + i)});
    std::vector<UserOption> sixteen = fifteen;
    sixteen.push_back({"LAST", 3, "", "99"});
    const OptionCase cases[] = {
        {"two users", {{"ADM", 2, "secret", "77"}, {"ENG", 3, "", "78"}}, nullptr},
        {"the table full", fifteen, nullptr},
        {"one user too many", sixteen, "at most 15"},
        {"a second level 1", {{"ADM", 1, "x", "77"}}, "only one"},
        {"level 0", {{"ADM", 0, "x", "77"}}, "level"},
        {"level 5", {{"ADM", 5, "x", "77"}}, "level"},
        {"the engineer's name", {{"НАЛ", 2, "x", "77"}}, "name is taken"},
        {"the engineer's code", {{"ADM", 2, "x", "1234"}}, "code is taken"},
        {"names equal once padded", {{"AB", 2, "x", "1"}, {"AB ", 3, "y", "2"}}, "name is taken"},
        {"empty name", {{"", 2, "x", "1"}}, "name is empty"},
        {"blank name", {{"   ", 2, "x", "1"}}, "name is empty"},
        {"name of 5", {{"ABCDE", 2, "x", "1"}}, "more than 4"},
        {"empty code", {{"ADM", 2, "x", ""}}, "code is empty"},
        {"code of 5", {{"ADM", 2, "x", "12345"}}, "more than 4"},
        {"password of 13", {{"ADM", 2, "1234567890123", "1"}}, "more than 12"},
        {"password of 12 Cyrillic letters", {{"ADM", 2, "абвгдеёжзийк", "1"}}, nullptr},
        {"name outside Windows-1251", {{"A✓", 2, "x", "1"}}, "Windows-1251"},
    };
    for (const OptionCase& c : cases) {
        ControllerOptions options;
        options.users = c.users;
        const std::string problem = CheckControllerOptions(options);
        if (c.complaint == nullptr) {
            EXPECT_EQ(problem, "") << c.what;
        } else {
            EXPECT_NE(problem.find(c.complaint), std::string::npos) << c.what << ": " << problem;
        }
    }
}

// --- State file ----------------------------------------------------------------

class StateTest : public ControllerTest {
protected:
    void SetUp() override {
        char folder[] = "/tmp/zmksim-state-XXXXXX";
        ASSERT_NE(mkdtemp(folder), nullptr);
        dir = folder;
        path = (dir / "controller.state").string();
    }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // A controller that saves every write into the state file.
    Controller Persistent() {
        Controller c = MakeController();
        c.SetStateSink([this](const Bytes& image) {
            std::string error;
            return WriteStateFile(path, image, error);
        });
        return c;
    }

    std::filesystem::path dir;
    std::string path;
};

TEST_F(StateTest, WritesSurviveARestart) {
    {
        Controller c = Persistent();
        ASSERT_EQ(Exchange(c, WriteRequest(1, 5, 0, 1, Bytes(20, 'Q'))).size(), 10u);
        ASSERT_EQ(Exchange(c, WriteRequest(1, 2, 0, 6, {24, 2, 29, 23, 59, 30})).size(), 10u);
        ASSERT_EQ(Exchange(c, WriteRequest(1, 3, 0, 1, {42})).size(), 10u);
        // A refused write stores nothing.
        ASSERT_EQ(Exchange(c, WriteRequest(42, 6, 6, 1, {4}, kBlankCredentials)), Refusal(42, 2, 34));
    }
    now += 60;  // the simulator was down for a minute

    Bytes image;
    std::string error;
    ASSERT_EQ(ReadStateFile(path, image, error), StateFileRead::Loaded) << error;
    // The tables, then the intervention archive with the records of the writes.
    ASSERT_GE(image.size(), 20u + 1478u + 8u + 2u);
    const std::size_t records = image[1502] | (image[1503] << 8) | (image[1504] << 16) | (image[1505] << 24);
    EXPECT_GT(records, 260u);
    EXPECT_EQ(image.size(), 20u + 1478u + 8u + 24u * records + 2u);
    Controller c = MakeController();
    ASSERT_TRUE(c.LoadState(image, error)) << error;
    EXPECT_EQ(c.Address(), 42);
    EXPECT_TRUE(Exchange(c, ReadRequest(1, 5, 0, 1)).empty()) << "the old address no longer answers";
    const Bytes name = Exchange(c, ReadRequest(42, 5, 0, 1));
    ASSERT_EQ(name.size(), 30u);
    EXPECT_EQ(Field(name, 0, 20), Bytes(20, 'Q'));
    EXPECT_EQ(Exchange(c, ReadRequest(42, 6, 6, 1))[8], 10);
    // The clock went on from where it was set: 29.02.24 23:59:30 + 60 s.
    const Bytes clock = Exchange(c, ReadRequest(42, 2, 0, 6));
    ASSERT_EQ(clock.size(), 16u);
    EXPECT_EQ(Field(clock, 0, 6), Bytes({24, 3, 1, 0, 0, 30}));
}

TEST_F(StateTest, UnstorableWriteIsUndoneAndRefused) {
    Controller c = MakeController();
    c.MarkDestroyed(3);
    c.SetStateSink([](const Bytes&) { return false; });
    EXPECT_EQ(Exchange(c, WriteRequest(1, 3, 0, 4, {9, 15, 2, 0})), Refusal(1, 2, 58));
    EXPECT_EQ(c.Address(), 1);
    EXPECT_EQ(c.Table(3)[1], 11);
    EXPECT_EQ(c.Table(7)[3], 1) << "the undone write must not restore the table";
    EXPECT_EQ(c.Table(0)[0], 3);
}

TEST_F(StateTest, DamagedImagesAreRefusedAndChangeNothing) {
    Controller source = MakeController();
    const Bytes good = source.SaveState();
    ASSERT_EQ(good.size(), 20u + 1478u + 8u + 24u * 260u + 2u);
    auto resealed = [](Bytes image) {
        image.resize(image.size() - 2);
        return WithCrc(image);
    };
    struct Damage {
        const char* what;
        Bytes image;
    };
    std::vector<Damage> damages = {
        {"empty", {}},
        {"header only", Bytes(good.begin(), good.begin() + 20)},
        {"one byte short", Bytes(good.begin(), good.end() - 1)},
        {"half", Bytes(good.begin(), good.begin() + good.size() / 2)},
        {"one byte more", [&] { Bytes b = good; b.push_back(0); return b; }()},
        {"other magic", [&] { Bytes b = good; b[0] = 'X'; return resealed(b); }()},
        {"version 3", [&] { Bytes b = good; b[8] = 3; return resealed(b); }()},
        {"version 1 with an intervention archive", [&] { Bytes b = good; b[8] = 1; return resealed(b); }()},
        {"37 tables", [&] { Bytes b = good; b[10] = 37; return resealed(b); }()},
        {"flipped bit in a table", [&] { Bytes b = good; b[20 + 500] ^= 0x10; return b; }()},
        {"flipped bit in the checksum", [&] { Bytes b = good; b.back() ^= 0x01; return b; }()},
        {"address 0", [&] { Bytes b = good; b[20 + 18 + 8] = 0; return resealed(b); }()},
        {"address 255", [&] { Bytes b = good; b[20 + 18 + 8] = 255; return resealed(b); }()},
        {"clock two centuries off", [&] { Bytes b = good; b[19] = 0x80; return resealed(b); }()},
    };
    for (const Damage& d : damages) {
        Controller c = MakeController();
        ASSERT_EQ(Exchange(c, WriteRequest(1, 5, 0, 1, Bytes(20, 'Z'))).size(), 10u);
        std::string error;
        EXPECT_FALSE(c.LoadState(d.image, error)) << d.what;
        EXPECT_FALSE(error.empty()) << d.what;
        EXPECT_EQ(c.Table(5)[0], 'Z') << d.what;
    }
    // The reseal above is right: an undamaged reseal loads.
    Controller c = MakeController();
    std::string error;
    EXPECT_TRUE(c.LoadState(resealed(good), error)) << error;
}

TEST_F(StateTest, FileReadingAndReplacing) {
    Bytes image;
    std::string error;
    EXPECT_EQ(ReadStateFile(path, image, error), StateFileRead::Missing);
    EXPECT_EQ(ReadStateFile(dir.string(), image, error), StateFileRead::Failed);  // a folder
    EXPECT_FALSE(error.empty());

    ASSERT_TRUE(WriteStateFile(path, {1, 2, 3}, error)) << error;
    ASSERT_TRUE(WriteStateFile(path, {4, 5}, error)) << error;
    ASSERT_EQ(ReadStateFile(path, image, error), StateFileRead::Loaded);
    EXPECT_EQ(image, Bytes({4, 5}));
    // No temporary files are left behind.
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir), std::filesystem::directory_iterator()), 1);

    error.clear();
    EXPECT_FALSE(WriteStateFile((dir / "no-such-folder" / "x.state").string(), {1}, error));
    EXPECT_NE(error.find("no-such-folder"), std::string::npos) << error;

    std::ofstream(path, std::ios::binary) << std::string(5 * 1024 * 1024, 'x');
    EXPECT_EQ(ReadStateFile(path, image, error), StateFileRead::Failed);
}

// --- The simulator program with a state file ----------------------------------

TEST_F(StateTest, ProgramKeepsWritesInItsStateFile) {
    const std::string user = "--user=Иван:2:па:ро:ль:77";  // the password holds colons
    {
        SimProgram sim({"--state", path, user});
        ASSERT_TRUE(sim.Ready()) << sim.Errors();
        EXPECT_TRUE(std::filesystem::exists(path)) << "a missing state file is created at start";
        Bytes credentials = Credentials("", "77");
        const Bytes password = EncodeCp1251("па:ро:ль");
        std::copy(password.begin(), password.end(), credentials.begin());
        EXPECT_EQ(sim.Exchange(WriteRequest(1, 6, 6, 1, {23}, credentials)),
                  WithCrc({0x33, 1, 0x0A, 0x82, 0x00, 6, 6, 1}));
        EXPECT_EQ(sim.Exchange(WriteRequest(1, 6, 6, 1, {22}, kBlankCredentials)), Refusal(1, 2, 34));
    }
    // Restarted with other options: the file decides, and --destroyed still applies.
    SimProgram sim({"--state", path, "--address", "9", "--destroyed", "4"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    const Bytes hour = sim.Exchange(ReadRequest(1, 6, 6, 1));
    ASSERT_EQ(hour.size(), 11u);
    EXPECT_EQ(hour[8], 23);
    const Bytes users = sim.Exchange(ReadRequest(1, 4, 1, 1));
    ASSERT_EQ(users.size(), 32u);
    EXPECT_EQ(Field(users, 0, 4), Bytes({0xC8, 0xE2, 0xE0, 0xED}));  // "Иван"
    EXPECT_EQ(sim.Exchange(ReadRequest(1, 7, 4, 1))[8], 1);
}

TEST_F(StateTest, ProgramRefusesDamagedStateFile) {
    Controller c = MakeController();
    Bytes image = c.SaveState();
    image.resize(image.size() - 100);  // cut short
    {
        std::ofstream f(path, std::ios::binary);
        f.write(reinterpret_cast<const char*>(image.data()), static_cast<std::streamsize>(image.size()));
    }
    SimProgram sim({"--state", path});
    EXPECT_EQ(sim.ExitCode(), 2);
    const std::string errors = sim.Errors();
    EXPECT_NE(errors.find("damaged"), std::string::npos) << errors;
    EXPECT_NE(errors.find(path), std::string::npos) << errors;
    Bytes after;
    std::string error;
    ASSERT_EQ(ReadStateFile(path, after, error), StateFileRead::Loaded);
    EXPECT_EQ(after, image) << "the damaged file must be left as it was";
}

TEST(SimProgramTest, BadUserOptionsStopTheStart) {
    for (const char* bad : {"--user=ADM:2:x", "--user=ADM:two:x:1", "--user=НАЛ:2:x:9", "--destroyed=7"}) {
        SimProgram sim({bad});
        EXPECT_EQ(sim.ExitCode(), 2) << bad;
        EXPECT_NE(sim.Errors(), "") << bad;
    }
}

}  // namespace
}  // namespace zmksim
