#include "Controller.h"
#include "Crc.h"

#include <gtest/gtest.h>

#include <ctime>
#include <random>
#include <string>

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

// A code 2 request with blank credentials.
Bytes WriteRequest(uint8_t address, uint8_t table, uint8_t first, uint8_t count, const Bytes& data) {
    Bytes frame = {0xCC, address, static_cast<uint8_t>(26 + data.size()), 0x02};
    frame.insert(frame.end(), 16, ' ');
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
        RefusalCase{"table 255", ReadRequest(1, 255, 0, 1), 1, 9},
        RefusalCase{"first field past the end", ReadRequest(1, 0, 18, 1), 1, 13},
        RefusalCase{"count 0", ReadRequest(1, 0, 0, 0), 1, 13},
        RefusalCase{"range past the end", ReadRequest(1, 0, 17, 2), 1, 13},
        RefusalCase{"first + count wraps a byte", ReadRequest(1, 7, 2, 255), 1, 13},
        RefusalCase{"read answer over 255 bytes", ReadRequest(1, 4, 0, 12), 1, 2},
        RefusalCase{"read one byte too long", WithCrc({0xCC, 1, 11, 1, 0, 0, 0, 1, 0}), 1, 2},
        RefusalCase{"read one byte too short", WithCrc({0xCC, 1, 9, 1, 0, 0, 0}), 1, 2},
        RefusalCase{"unknown code 3", WithCrc({0xCC, 1, 6, 3}), 3, 1},
        RefusalCase{"code 7 not served yet", WithCrc({0xCC, 1, 13, 7, 0, 0, 0, 0, 0, 0, 0}), 7, 1},
        RefusalCase{"code with bit 7 set", WithCrc({0xCC, 1, 6, 0x81}), 0x01, 1},
        RefusalCase{"write shorter than its head", WithCrc(Bytes{0xCC, 1, 10, 2, 0, 5, 0, 1}), 2, 2},
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

}  // namespace
}  // namespace zmksim
