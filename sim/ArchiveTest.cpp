// The measurement archives of the simulated controller: requests and answers,
// paging, record checksums, bounds that follow the clock, misbehaviour.
#include "Archive.h"
#include "Controller.h"
#include "Crc.h"
#include "SimProgram.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>

namespace zmksim {
namespace {

Bytes WithCrc(Bytes frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

// Date bytes of a request: year − 2000, month, day[, hour[, minute]].
Bytes DateBytes(WallTime t, std::size_t size) {
    const auto f = SplitWallTime(t);
    Bytes out = {static_cast<uint8_t>(f[0] - 2000), static_cast<uint8_t>(f[1]), static_cast<uint8_t>(f[2]),
                 static_cast<uint8_t>(f[3]), static_cast<uint8_t>(f[4])};
    out.resize(size);
    return out;
}

std::size_t DateSize(uint8_t code) { return code == 14 ? 5 : code == 15 ? 4 : 3; }

Bytes ArchiveRequest(uint8_t code, uint8_t analyser, const Bytes& start, const Bytes& end, uint8_t address = 1) {
    Bytes f = {0xCC, address, static_cast<uint8_t>(6 + 3 + start.size() + end.size()), code,
               static_cast<uint8_t>(code == 14 ? 1 : 3), 0, analyser};
    f.insert(f.end(), start.begin(), start.end());
    f.insert(f.end(), end.begin(), end.end());
    return WithCrc(f);
}

Bytes ArchiveRequest(uint8_t code, uint8_t analyser, WallTime start, WallTime end) {
    return ArchiveRequest(code, analyser, DateBytes(start, DateSize(code)), DateBytes(end, DateSize(code)));
}

Bytes Refusal(uint8_t code, uint8_t result) { return WithCrc({0x33, 1, 0x07, code, result}); }

float FloatAt(const Bytes& record, std::size_t at) {
    float f;
    std::memcpy(&f, record.data() + at, 4);
    return f;
}

WallTime RecordTime(const Bytes& record) {
    return MakeWallTime(2000 + record[0], record[1], record[2], record[3], record[4], record[5]);
}

std::string Hex(const Bytes& bytes, std::size_t from, std::size_t count) {
    std::string out;
    char b[4];
    for (std::size_t i = from; i < from + count && i < bytes.size(); ++i) {
        std::snprintf(b, sizeof b, i == from ? "%02X" : " %02X", bytes[i]);
        out += b;
    }
    return out;
}

// One answer taken apart; ok when the frame is intact and its records fill it exactly.
struct Answer {
    bool ok = false;
    Bytes frame;
    std::vector<Bytes> records;
};

Answer Parse(const Bytes& frame, uint8_t code, uint8_t analyser) {
    Answer a;
    a.frame = frame;
    if (frame.size() < 7 || frame[0] != 0x33 || frame[2] != frame.size() || frame[3] != (code | 0x80) ||
        Crc16(frame.data(), frame.size()) != 0) {
        return a;
    }
    const std::size_t size = RecordSize(code, analyser);
    const std::size_t n = frame[4];
    if (frame.size() != 7 + n * size) return a;
    for (std::size_t i = 0; i < n; ++i) a.records.emplace_back(frame.begin() + 5 + i * size, frame.begin() + 5 + (i + 1) * size);
    a.ok = true;
    return a;
}

class ArchiveTest : public ::testing::Test {
protected:
    // The host clock stands still unless a test moves it; the controller's
    // clock is set to 09.12.2026 12:34:56.
    std::time_t host = 1749896430;
    WallTime clock = MakeWallTime(2026, 12, 9, 12, 34, 56);
    ControllerOptions options;

    Controller Make() {
        options.clock = clock;
        return Controller(options, [this] { return host; });
    }

    static Answer Ask(Controller& c, uint8_t code, uint8_t analyser, WallTime start, WallTime end) {
        const auto frame = c.HandleFrame(ArchiveRequest(code, analyser, start, end));
        if (!frame) return {};
        return Parse(*frame, code, analyser);
    }

    // The program's reading of one period: after an answer of at least the
    // full size it asks again from the next expected start (the start plus
    // one interval per record; for the 5-minute archive from the first
    // record's slot on) while that is not after the end.
    struct Reading {
        std::vector<Bytes> records;
        std::vector<std::size_t> answers;  // records per answer
        bool failed = false;
    };
    static Reading ReadPeriod(Controller& c, uint8_t code, uint8_t analyser, WallTime start, WallTime end) {
        Reading r;
        const WallTime step = code == 14 ? 300 : code == 15 ? 3600 : 86400;
        const std::size_t full = RecordsPerAnswer(analyser);
        WallTime expected = start;
        bool first = true;
        for (int guard = 0; guard < 1000; ++guard) {
            const Answer a = Ask(c, code, analyser, start, end);
            if (!a.ok) {
                r.failed = true;
                return r;
            }
            r.answers.push_back(a.records.size());
            for (const Bytes& rec : a.records) {
                r.records.push_back(rec);
                if (code == 14 && first) expected = RecordTime(rec) / 300 * 300;
                first = false;
                expected += step;
            }
            if (a.records.size() < full || expected > end) return r;
            start = expected;
        }
        r.failed = true;
        return r;
    }

    Bytes ReadTable27(Controller& c) {
        const auto a = c.HandleFrame(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 27, 0, 3}));
        if (!a || a->size() != 8 + 18 + 2) return {};
        return Bytes(a->begin() + 8, a->begin() + 26);
    }
};

// --- Request bodies and answers ----------------------------------------------

TEST_F(ArchiveTest, HourlyChromatographAnswerLayout) {
    Controller c = Make();
    // 09.12.26 08h .. 09.12.26 10h: a full answer of two records from 08h.
    const Bytes request = ArchiveRequest(15, 0, {26, 12, 9, 8}, {26, 12, 9, 10});
    EXPECT_EQ(Hex(request, 0, 15), "CC 01 11 0F 03 00 00 1A 0C 09 08 1A 0C 09 0A");
    const auto frame = c.HandleFrame(request);
    ASSERT_TRUE(frame);
    EXPECT_EQ(Hex(*frame, 0, 5), "33 01 BF 8F 02");  // 7 + 2 × 92 bytes, code 15 | 0x80, 2 records
    const Answer a = Parse(*frame, 15, 0);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(Hex(a.records[0], 0, 10), "1A 0C 09 08 00 00 09 00 00 00");  // 08:00 .. 09:00:00, status 0
    EXPECT_EQ(Hex(a.records[1], 0, 10), "1A 0C 09 09 00 00 0A 00 00 00");
    for (const Bytes& r : a.records) {
        EXPECT_EQ(Crc16(r.data(), r.size()), 0);
        EXPECT_EQ(FloatAt(r, 10 + 4 * 18), 0.0f);  // parameters 18, 19 unused
        EXPECT_EQ(FloatAt(r, 10 + 4 * 19), 0.0f);
    }
}

TEST_F(ArchiveTest, FiveMinuteAndDailyLayouts) {
    options.archive.days = 30;
    Controller c = Make();
    // Chromatograph 5-minute: 12:20 and 12:25 of 09.12.26, status word and spare bytes 0.
    const Bytes request = ArchiveRequest(14, 0, {26, 12, 9, 12, 20}, {26, 12, 9, 12, 25});
    EXPECT_EQ(Hex(request, 0, 19).substr(0, 14), "CC 01 13 0E 01");
    Answer a = Parse(*c.HandleFrame(request), 14, 0);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 2u);
    EXPECT_EQ(Hex(a.records[0], 0, 11), "1A 0C 09 0C 14 00 00 00 00 00 00");
    EXPECT_EQ(Hex(a.records[1], 0, 6), "1A 0C 09 0C 19 00");

    // Moisture meter 5-minute: 29-byte records, values from byte 11.
    a = Parse(*c.HandleFrame(ArchiveRequest(14, 1, {26, 12, 9, 12, 0}, {26, 12, 9, 12, 10})), 14, 1);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 3u);
    EXPECT_EQ(Hex(a.records[2], 0, 11), "1A 0C 09 0C 0A 00 00 00 00 00 00");

    // Daily with contract hour 10: the gas day 07.12 runs 10:00 .. 10:00 of 08.12,
    // the end hour byte carries the end-day flag.
    a = Parse(*c.HandleFrame(ArchiveRequest(16, 1, {26, 12, 7}, {26, 12, 8})), 16, 1);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 2u);
    EXPECT_EQ(Hex(a.records[0], 0, 10), "1A 0C 07 0A 00 00 8A 00 00 00");
    EXPECT_EQ(Hex(a.records[1], 0, 10), "1A 0C 08 0A 00 00 8A 00 00 00");
    // Hourly at midnight: the interval 23h ends at 00:00:00.
    a = Parse(*c.HandleFrame(ArchiveRequest(15, 1, {26, 12, 8, 23}, {26, 12, 8, 23})), 15, 1);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 1u);
    EXPECT_EQ(Hex(a.records[0], 0, 10), "1A 0C 08 17 00 00 00 00 00 00");
}

struct RefusedCase {
    const char* what;
    Bytes request;
    uint8_t code;
    uint8_t result;
};

TEST_F(ArchiveTest, BadRequestsAreRefused) {
    const RefusedCase cases[] = {
        {"5-minute start after end", ArchiveRequest(14, 0, {26, 12, 9, 10, 5}, {26, 12, 9, 10, 0}), 14, 22},
        {"hourly month 13", ArchiveRequest(15, 0, {26, 13, 1, 0}, {26, 13, 2, 0}), 15, 22},
        {"daily 30 February", ArchiveRequest(16, 0, {26, 2, 30}, {26, 3, 2}), 16, 22},
        {"daily 31 April end", ArchiveRequest(16, 1, {26, 4, 1}, {26, 4, 31}), 16, 22},
        {"hourly hour 24", ArchiveRequest(15, 1, {26, 12, 1, 24}, {26, 12, 2, 0}), 15, 22},
        {"5-minute minute 60", ArchiveRequest(14, 1, {26, 12, 1, 0, 60}, {26, 12, 1, 1, 0}), 14, 22},
        {"year byte 100", ArchiveRequest(16, 0, {100, 1, 1}, {100, 1, 2}), 16, 22},
        {"day 0", ArchiveRequest(16, 0, {26, 1, 0}, {26, 1, 2}), 16, 22},
        {"analyser 2", ArchiveRequest(15, 2, {26, 12, 1, 0}, {26, 12, 1, 5}), 15, 4},
        {"hourly with lead byte 1",
         WithCrc({0xCC, 1, 17, 15, 1, 0, 0, 26, 12, 1, 0, 26, 12, 1, 5}), 15, 4},
        {"5-minute with lead byte 3",
         WithCrc({0xCC, 1, 19, 14, 3, 0, 0, 26, 12, 1, 0, 0, 26, 12, 1, 0, 5}), 14, 4},
        {"second byte not 0", WithCrc({0xCC, 1, 15, 16, 3, 1, 0, 26, 12, 1, 26, 12, 2}), 16, 4},
        {"daily one byte short", WithCrc({0xCC, 1, 14, 16, 3, 0, 0, 26, 12, 1, 26, 12}), 16, 2},
        {"hourly with 5-byte dates", ArchiveRequest(15, 0, {26, 12, 1, 0, 0}, {26, 12, 1, 5, 0}), 15, 2},
        {"code 14 with no body", WithCrc({0xCC, 1, 6, 14}), 14, 2},
    };
    for (const RefusedCase& rc : cases) {
        Controller c = Make();
        const auto answer = c.HandleFrame(rc.request);
        ASSERT_TRUE(answer) << rc.what;
        EXPECT_EQ(*answer, Refusal(rc.code, rc.result)) << rc.what;
    }
}

TEST_F(ArchiveTest, SameRequestGivesSameBytes) {
    Controller a = Make();
    Controller b = Make();
    for (uint8_t code : {14, 15, 16}) {
        for (uint8_t analyser : {0, 1}) {
            const Bytes request = ArchiveRequest(code, analyser, clock - 20 * 86400, clock - 2 * 86400);
            const auto first = a.HandleFrame(request);
            ASSERT_TRUE(first);
            EXPECT_EQ(a.HandleFrame(request), first) << int(code) << "/" << int(analyser);
            EXPECT_EQ(b.HandleFrame(request), first) << int(code) << "/" << int(analyser);
            EXPECT_EQ((*first)[4], RecordsPerAnswer(analyser));
        }
    }
    // Another moment gives other values.
    const WallTime t = MakeWallTime(2026, 12, 8, 12);
    const Answer x = Ask(a, 14, 0, t, t);
    const Answer y = Ask(a, 14, 0, t + 1800, t + 1800);
    ASSERT_TRUE(x.ok && y.ok);
    ASSERT_EQ(x.records.size(), 1u);
    ASSERT_EQ(y.records.size(), 1u);
    EXPECT_NE(Bytes(x.records[0].begin() + 11, x.records[0].end() - 2),
              Bytes(y.records[0].begin() + 11, y.records[0].end() - 2));
}

// --- Values ---------------------------------------------------------------------

TEST_F(ArchiveTest, GasValuesAreRealisticOverAYear) {
    const WallTime from = MakeWallTime(2026, 1, 1);
    for (WallTime t = from; t < from + 366 * 86400; t += 4 * 3600 + 17 * 60) {
        const auto p = GasParameters(t);
        SCOPED_TRACE(t);
        EXPECT_GE(p[8], 90);
        EXPECT_LE(p[8], 97);
        EXPECT_GE(p[10], 2);
        EXPECT_LE(p[10], 5);
        EXPECT_GE(p[1], 0.3);
        EXPECT_LE(p[1], 1.5);
        EXPECT_GT(p[2], 0);
        EXPECT_LT(p[2] + p[3], 0.5);
        EXPECT_LT(p[4] + p[5] + p[6], 0.15);
        EXPECT_GT(p[0], 0.03);
        EXPECT_LT(p[0], 0.07);
        EXPECT_LT(p[14], p[0]);
        EXPECT_GE(p[7], 0.5);
        EXPECT_LE(p[7], 2);
        EXPECT_GE(p[9], 0.1);
        EXPECT_LE(p[9], 1.5);
        EXPECT_GT(p[15], 0.004);
        EXPECT_LT(p[15], 0.02);
        EXPECT_GE(p[11], 37);
        EXPECT_LE(p[11], 40);
        EXPECT_GE(p[16], 33);
        EXPECT_LE(p[16], 36);
        EXPECT_LT(p[16], p[11]);
        EXPECT_GE(p[12], 0.68);
        EXPECT_LE(p[12], 0.75);
        EXPECT_GE(p[13], 48);
        EXPECT_LE(p[13], 52);
        EXPECT_GE(p[17], 5);
        EXPECT_LE(p[17], 20);
        EXPECT_EQ(p[18], 0);
        EXPECT_EQ(p[19], 0);
        // The molar fractions (hexanes counted once, in parameter 0) make up the gas.
        double sum = 0;
        for (int i : {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 15}) sum += p[i];
        EXPECT_NEAR(sum, 100, 1e-9);
        const auto m = MoistureValues(t);
        EXPECT_GE(m[0], -26);
        EXPECT_LE(m[0], -14);
        EXPECT_GE(m[1], -22);
        EXPECT_LE(m[1], -6);
        EXPECT_GE(m[2], 35);  // bar: a few MPa
        EXPECT_LE(m[2], 55);
        EXPECT_LT(m[3], m[0]);  // the line runs above 3.92 MPa
        if (::testing::Test::HasFailure()) return;
    }
}

TEST_F(ArchiveTest, HourlyAndDailyRecordsAverageTheFiveMinuteValues) {
    Controller c = Make();
    const WallTime h = MakeWallTime(2026, 12, 8, 8);
    for (uint8_t analyser : {0, 1}) {
        const std::size_t values = analyser == 0 ? 18 : 4;
        const Reading fiveMinute = ReadPeriod(c, 14, analyser, h, h + 3600 - 300);
        ASSERT_FALSE(fiveMinute.failed);
        ASSERT_EQ(fiveMinute.records.size(), 12u);
        const Answer hour = Ask(c, 15, analyser, h, h);
        ASSERT_TRUE(hour.ok);
        ASSERT_EQ(hour.records.size(), 1u);
        EXPECT_EQ(RecordTime(hour.records[0]), RecordTime(fiveMinute.records[0]));
        for (std::size_t v = 0; v < values; ++v) {
            double sum = 0;
            for (const Bytes& r : fiveMinute.records) sum += FloatAt(r, 11 + 4 * v);
            EXPECT_NEAR(FloatAt(hour.records[0], 10 + 4 * v), sum / 12, 1e-4 * std::fabs(sum / 12) + 1e-6) << v;
        }
    }
    // A gas day: the mean of its 24 hourly records (contract hour 10).
    const WallTime dayStart = MakeWallTime(2026, 12, 7, 10);
    const Reading hours = ReadPeriod(c, 15, 0, dayStart, dayStart + 23 * 3600);
    ASSERT_EQ(hours.records.size(), 24u);
    const Answer day = Ask(c, 16, 0, dayStart, dayStart);
    ASSERT_EQ(day.records.size(), 1u);
    for (std::size_t v : {8, 10, 11, 12, 17}) {
        double sum = 0;
        for (const Bytes& r : hours.records) sum += FloatAt(r, 10 + 4 * v);
        EXPECT_NEAR(FloatAt(day.records[0], 10 + 4 * v), sum / 24, 1e-4 * std::fabs(sum / 24)) << v;
    }
}

// --- Paging ---------------------------------------------------------------------

struct PagingCase {
    const char* what;
    uint8_t code;
    uint8_t analyser;
    WallTime start;
    WallTime end;
    std::size_t records;
    std::vector<std::size_t> answers;
};

TEST_F(ArchiveTest, ReadingLoopGetsEveryRecordOnceInOrder) {
    const WallTime d = MakeWallTime(2026, 12, 8);
    const PagingCase cases[] = {
        {"chromatograph 24 hours: 12 full answers, no request after the end", 15, 0, d, d + 23 * 3600, 24,
         std::vector<std::size_t>(12, 2)},
        {"chromatograph 5 hours: the last answer is short", 15, 0, d, d + 4 * 3600, 5, {2, 2, 1}},
        {"moisture meter 1 hour of 5-minute records", 14, 1, d, d + 3600, 13, {8, 5}},
        {"moisture meter 16 records: two full answers", 14, 1, d, d + 15 * 300, 16, {8, 8}},
        {"chromatograph 5-minute over midnight", 14, 0, d - 600, d + 600, 5, {2, 2, 1}},
        {"moisture meter daily, 10 days", 16, 1, d - 10 * 86400, d - 86400, 10, {8, 2}},
        {"period past the newest record ends with an empty answer", 15, 0, MakeWallTime(2026, 12, 9, 10),
         clock + 5 * 3600, 2, {2, 0}},
        {"period after the newest record", 15, 1, clock + 3600, clock + 7200, 0, {0}},
    };
    for (const PagingCase& pc : cases) {
        SCOPED_TRACE(pc.what);
        Controller c = Make();
        const Reading r = ReadPeriod(c, pc.code, pc.analyser, pc.start, pc.end);
        ASSERT_FALSE(r.failed);
        EXPECT_EQ(r.answers, pc.answers);
        ASSERT_EQ(r.records.size(), pc.records);
        const WallTime step = pc.code == 14 ? 300 : pc.code == 15 ? 3600 : 86400;
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            const Bytes& rec = r.records[i];
            EXPECT_EQ(Crc16(rec.data(), rec.size()), 0) << i;
            const WallTime first = pc.code == 16 ? pc.start + 10 * 3600 : (pc.start + step - 1) / step * step;
            EXPECT_EQ(RecordTime(rec), first + WallTime(i) * step) << i;
        }
    }
}

TEST_F(ArchiveTest, PassportLoopEndsOnAnEmptyAnswer) {
    // The passport asks again after a short answer until an empty one comes.
    Controller c = Make();
    const WallTime start = MakeWallTime(2026, 12, 9, 10);  // today's gas day: only 10h and 11h are complete
    const WallTime end = start + 23 * 3600;
    Answer a = Ask(c, 15, 1, start, end);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 2u);
    a = Ask(c, 15, 1, RecordTime(a.records[1]) + 3600, end);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.frame, WithCrc({0x33, 1, 7, 0x8F, 0}));
}

// --- Bounds and the clock --------------------------------------------------------

TEST_F(ArchiveTest, Table27HoldsTheArchiveStartAndFollowsAClockWrite) {
    options.archive.days = 400;
    Controller c = Make();
    // 09.12.2026 12:34:56 − 400 days = 04.11.2025 12:34:56: 5-minute from 12:35,
    // hourly from 13h, daily from the gas day of 05.11 at the contract hour 10.
    EXPECT_EQ(Hex(ReadTable27(c), 0, 18), "19 0B 04 0C 23 00 19 0B 04 0D 00 00 19 0B 05 0A 00 00");
    // A clock write moves the start with it.
    Bytes write = {0xCC, 1, 34, 0x02};
    const std::string password = "12345678    1234";
    write.insert(write.end(), password.begin(), password.end());
    write.insert(write.end(), {0, 2, 0, 8, 27, 3, 1, 0, 0, 0, 2, 1});
    ASSERT_EQ(c.HandleFrame(WithCrc(write))->size(), 10u);
    // 01.03.2027 00:00 − 400 days = 25.01.2026 00:00.
    EXPECT_EQ(Hex(ReadTable27(c), 0, 18), "1A 01 19 00 00 00 1A 01 19 00 00 00 1A 01 19 0A 00 00");
    // And the archives with it: nothing before the start is served (the
    // daily ring buffer would reach back 4 years).
    const Answer a = Ask(c, 16, 0, MakeWallTime(2026, 1, 1), MakeWallTime(2026, 2, 1));
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 2u);
    EXPECT_EQ(RecordTime(a.records[0]), MakeWallTime(2026, 1, 25, 10));
}

TEST_F(ArchiveTest, NewestRecordFollowsTheRunningClock) {
    clock = MakeWallTime(2026, 12, 9, 9, 54, 59);
    Controller c = Make();
    // The last record of a reading that asks up to the end of the month.
    auto newest = [&](uint8_t code) {
        const Reading r = ReadPeriod(c, code, 1, MakeWallTime(2026, 12, 9, 8) - (code == 16 ? 5 * 86400 : 0),
                                     MakeWallTime(2026, 12, 31, 23, 55));
        EXPECT_FALSE(r.failed);
        return r.records.empty() ? WallTime{0} : RecordTime(r.records.back());
    };
    EXPECT_EQ(newest(14), MakeWallTime(2026, 12, 9, 9, 45));
    EXPECT_EQ(newest(15), MakeWallTime(2026, 12, 9, 8));
    EXPECT_EQ(newest(16), MakeWallTime(2026, 12, 7, 10));  // before the contract hour: the day before yesterday
    host += 1;                                              // 09:55:00
    EXPECT_EQ(newest(14), MakeWallTime(2026, 12, 9, 9, 50));
    host += 5 * 60;                                         // 10:00:00
    EXPECT_EQ(newest(14), MakeWallTime(2026, 12, 9, 9, 55));
    EXPECT_EQ(newest(15), MakeWallTime(2026, 12, 9, 9));
    EXPECT_EQ(newest(16), MakeWallTime(2026, 12, 8, 10));   // the contract hour has come
}

TEST_F(ArchiveTest, RingBuffersReachBackFromTheNewestRecord) {
    struct Case {
        const char* what;
        WallTime clock;
        uint8_t code;
        WallTime oldest;
    };
    const Case cases[] = {
        {"5-minute: 2 months before the slot after the newest", MakeWallTime(2008, 3, 10, 0, 2), 14,
         MakeWallTime(2008, 1, 10)},
        {"5-minute: 30 February becomes 1 March", MakeWallTime(2008, 4, 30, 12, 7), 14,
         MakeWallTime(2008, 3, 1, 12, 5)},
        {"hourly: 1 year", MakeWallTime(2026, 12, 9, 12, 34), 15, MakeWallTime(2025, 12, 9, 12)},
        {"daily: 4 years", MakeWallTime(2026, 12, 9, 12, 34), 16, MakeWallTime(2022, 12, 9, 10)},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(k.what);
        options.archive.days = 3650;
        clock = k.clock;
        Controller c = Make();
        const Answer a = Ask(c, k.code, 0, MakeWallTime(2000, 1, 1), k.clock);
        ASSERT_TRUE(a.ok);
        ASSERT_FALSE(a.records.empty());
        EXPECT_EQ(RecordTime(a.records[0]), k.oldest);
    }
}

TEST_F(ArchiveTest, NoArchiveDaysMeansNoRecordYet) {
    options.archive.days = 0;
    Controller c = Make();
    EXPECT_EQ(Ask(c, 15, 0, clock - 86400, clock).records.size(), 0u);
    host += 3600;  // 13:34:56: the hour 13h is not complete, 12h began before the start
    EXPECT_EQ(Ask(c, 15, 0, clock - 86400, clock + 3600).records.size(), 0u);
    host += 3600;  // 14:34:56: 13h is there
    const Answer a = Ask(c, 15, 0, clock - 86400, clock + 7200);
    ASSERT_EQ(a.records.size(), 1u);
    EXPECT_EQ(RecordTime(a.records[0]), MakeWallTime(2026, 12, 9, 13));
}

// --- Misbehaviour ------------------------------------------------------------------

TEST_F(ArchiveTest, EveryNthIntervalCarriesStatusFlags) {
    options.archive.statusEvery = 3;
    Controller c = Make();
    const WallTime from = MakeWallTime(2026, 12, 8);
    struct Case {
        uint8_t code;
        uint8_t analyser;
        std::size_t statusAt;
        WallTime step;
        std::vector<uint8_t> cycle;
    };
    const Case cases[] = {
        {14, 0, 6, 300, {0x80, 0x02, 0x08, 0x10}},
        {15, 0, 9, 3600, {0x10, 0x02, 0x08, 0x20}},
        {14, 1, 6, 300, {0x04, 0x02, 0x00}},
        {16, 1, 9, 86400, {0x04, 0x02}},
    };
    for (const Case& k : cases) {
        SCOPED_TRACE(int(k.code) * 10 + k.analyser);
        const WallTime end = k.code == 16 ? from - 86400 : from + 30 * k.step;
        const Reading r = ReadPeriod(c, k.code, k.analyser, k.code == 16 ? from - 40 * 86400 : from, end);
        ASSERT_GE(r.records.size(), 24u);
        int flagged = 0;
        for (const Bytes& rec : r.records) {
            const WallTime t = RecordTime(rec) - (k.code == 16 ? 10 * 3600 : 0);
            const WallTime index = t / k.step;
            const uint8_t status = rec[k.statusAt];
            if (index % 3 != 2) {
                EXPECT_EQ(status, 0) << index;
                continue;
            }
            ++flagged;
            EXPECT_EQ(status, k.cycle[(index / 3) % k.cycle.size()]) << index;
            EXPECT_EQ(Crc16(rec.data(), rec.size()), 0);
        }
        EXPECT_GE(flagged, 8);
    }
    // The status word goes with 0x08 in chromatograph 5-minute records.
    const Reading r = ReadPeriod(c, 14, 0, from, from + 3 * 3600);
    bool seen = false;
    for (const Bytes& rec : r.records) {
        if (rec[6] == 0x08) {
            EXPECT_EQ(Hex(rec, 7, 2), "21 00");
            seen = true;
        } else {
            EXPECT_EQ(Hex(rec, 7, 2), "00 00");
        }
    }
    EXPECT_TRUE(seen);
}

TEST_F(ArchiveTest, NthRecordOfEachStreamHasADamagedChecksum) {
    options.archive.badCrcAt = 3;
    Controller c = Make();
    const WallTime from = MakeWallTime(2026, 12, 8);
    for (int pass = 0; pass < 2; ++pass) {  // a new reading starts counting again
        const Reading r = ReadPeriod(c, 15, 0, from, from + 9 * 3600);
        ASSERT_EQ(r.records.size(), 10u);
        for (std::size_t i = 0; i < r.records.size(); ++i) {
            const Bytes& rec = r.records[i];
            EXPECT_EQ(Crc16(rec.data(), rec.size()) != 0, i == 2) << pass << "/" << i;
            EXPECT_EQ(RecordTime(rec), from + WallTime(i) * 3600);
        }
    }
    // The damage is in the record's checksum only: the answer frame is intact.
    Controller clean = [&] {
        options.archive.badCrcAt = 0;
        return Make();
    }();
    const Reading good = ReadPeriod(clean, 15, 0, from, from + 9 * 3600);
    const Reading bad = ReadPeriod(c, 15, 0, from, from + 9 * 3600);
    EXPECT_EQ(Bytes(good.records[2].begin(), good.records[2].end() - 2),
              Bytes(bad.records[2].begin(), bad.records[2].end() - 2));
}

TEST_F(ArchiveTest, FirstFiveMinuteRecordOfAReadingComesLate) {
    options.archive.lateMinutes = 10;
    Controller c = Make();
    const WallTime from = MakeWallTime(2026, 12, 8, 6);
    const Reading r = ReadPeriod(c, 14, 0, from, from + 3600);
    ASSERT_FALSE(r.failed);
    ASSERT_EQ(r.records.size(), 11u);  // 06:10 .. 07:00
    for (std::size_t i = 0; i < r.records.size(); ++i) {
        EXPECT_EQ(RecordTime(r.records[i]), from + 600 + WallTime(i) * 300) << i;
    }
    // Seven minutes late: the first record off the grid, then back on it.
    options.archive.lateMinutes = 7;
    Controller d = Make();
    const Answer a = Ask(d, 14, 1, from, from + 3600);
    ASSERT_EQ(a.records.size(), 8u);
    EXPECT_EQ(RecordTime(a.records[0]), from + 7 * 60);
    EXPECT_EQ(RecordTime(a.records[1]), from + 10 * 60);
    // The hourly archive is not affected.
    EXPECT_EQ(RecordTime(Ask(d, 15, 0, from, from + 3600).records.at(0)), from);
}

TEST_F(ArchiveTest, MissingHour) {
    options.archive.gap = true;
    Controller c = Make();
    const WallTime gap = MakeWallTime(2026, 12, 9, 6);  // 6 hours before 12:34:56, to the hour
    const Reading hours = ReadPeriod(c, 15, 1, gap - 2 * 3600, gap + 2 * 3600);
    std::vector<WallTime> times;
    for (const Bytes& r : hours.records) times.push_back(RecordTime(r));
    EXPECT_EQ(times, (std::vector<WallTime>{gap - 7200, gap - 3600, gap + 3600, gap + 7200}));
    const Answer five = Ask(c, 14, 1, gap - 600, gap + 3600);
    ASSERT_EQ(five.records.size(), 3u);  // 05:50, 05:55, 07:00
    EXPECT_EQ(RecordTime(five.records[2]), gap + 3600);
    // The gas day around it still has its record.
    EXPECT_EQ(Ask(c, 16, 0, gap - 86400, gap - 86400).records.size(), 1u);
}

TEST_F(ArchiveTest, NthArchiveRequestFails) {
    const WallTime from = MakeWallTime(2026, 12, 8);
    const Bytes request = ArchiveRequest(15, 0, from, from + 3600);
    for (const std::optional<uint8_t> failWith : {std::optional<uint8_t>(22), std::optional<uint8_t>(19),
                                                  std::optional<uint8_t>()}) {
        options.archive.failRequest = 2;
        options.archive.failWith = failWith;
        Controller c = Make();
        const auto first = c.HandleFrame(request);
        ASSERT_TRUE(first);
        // Table reads do not count.
        ASSERT_TRUE(c.HandleFrame(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 27, 0, 3})));
        const auto second = c.HandleFrame(request);
        if (failWith) {
            ASSERT_TRUE(second);
            EXPECT_EQ(*second, Refusal(15, *failWith));
        } else {
            EXPECT_FALSE(second);
        }
        EXPECT_EQ(c.HandleFrame(request), first);  // the repeated request is served
    }
}

// The records go out as they would, in a frame whose checksum is wrong; the
// same request again is answered whole.
TEST_F(ArchiveTest, NthArchiveRequestAnsweredWithABadChecksum) {
    const WallTime from = MakeWallTime(2026, 12, 8);
    const Bytes request = ArchiveRequest(15, 0, from, from + 3600);
    options.archive.failRequest = 2;
    options.archive.failBadChecksum = true;
    Controller c = Make();
    const auto first = c.HandleFrame(request);
    ASSERT_TRUE(first);
    ASSERT_TRUE(Parse(*first, 15, 0).ok);
    const auto second = c.HandleFrame(request);
    ASSERT_TRUE(second);
    ASSERT_EQ(second->size(), first->size());
    EXPECT_NE(Crc16(second->data(), second->size()), 0);
    EXPECT_TRUE(std::equal(first->begin(), first->end() - 2, second->begin())) << "the records as they are";
    EXPECT_EQ(c.HandleFrame(request), first);
}

// --- The program -------------------------------------------------------------------

TEST(ArchiveProgramTest, ClockAndArchivesFromTheCommandLine) {
    SimProgram sim({"--clock", "2026-12-09 12:34:56", "--archive-days", "10", "--archive-status-every", "2",
                    "--archive-fail-request", "2:silent"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    const Bytes clock = sim.Exchange(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 2, 0, 6}));
    ASSERT_EQ(clock.size(), 16u);
    EXPECT_EQ(Hex(clock, 8, 5), "1A 0C 09 0C 22");  // the second may have moved on
    const Bytes starts = sim.Exchange(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 27, 0, 3}));
    ASSERT_EQ(starts.size(), 28u);
    EXPECT_EQ(Hex(starts, 8, 5), "1A 0B 1D 0C 23");  // 29.11.26 12:35
    const Bytes request = ArchiveRequest(16, 0, {26, 11, 1}, {26, 12, 31});
    const Answer a = Parse(sim.Exchange(request), 16, 0);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 2u);
    // 30.11 (the gas day of 29.11 began before the archive), day 20787 since
    // 01.01.1970: every second day carries flags, this one the second of the
    // chromatograph's daily cycle (0x02); 01.12 (day 20788) none.
    EXPECT_EQ(Hex(a.records[0], 0, 10), "1A 0B 1E 0A 00 00 8A 00 00 02");
    EXPECT_EQ(Hex(a.records[1], 0, 10), "1A 0C 01 0A 00 00 8A 00 00 00");
    EXPECT_TRUE(sim.Exchange(request).empty());  // the second archive request goes unanswered
    EXPECT_EQ(sim.Exchange(request), a.frame);
}

TEST(ArchiveProgramTest, BadArchiveOptionsStopTheStart) {
    const std::vector<std::vector<std::string>> bad = {
        {"--clock", "2026-02-30 00:00:00"},   {"--clock", "1999-12-31 23:59:59"}, {"--clock", "2026-12-09"},
        {"--archive-days", "3651"},           {"--archive-status-every", "0"},    {"--archive-bad-crc-at", "x"},
        {"--archive-late-minutes", "0"},      {"--archive-gap=1"},                {"--archive-fail-request", "0"},
        {"--archive-fail-request", "3:loud"}, {"--archive-fail-request", "3:256"},
        {"--archive-fail-request", "3:bad-crc:1"},
    };
    for (const auto& args : bad) {
        SimProgram sim(args);
        EXPECT_EQ(sim.ExitCode(), 2) << args[0];
        EXPECT_NE(sim.Errors().find(args[0].substr(0, args[0].find('='))), std::string::npos) << args[0];
    }
}

}  // namespace
}  // namespace zmksim
