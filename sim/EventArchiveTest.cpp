// The event archives of the simulated controller: bounds, reading by index
// and by period, the records' content, intervention records from writes,
// misbehaviour options.
#include "Controller.h"
#include "Crc.h"
#include "EventArchive.h"
#include "SimProgram.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <termios.h>

namespace zmksim {
namespace {

Bytes WithCrc(Bytes frame) {
    const uint16_t crc = Crc16(frame.data(), frame.size());
    frame.push_back(static_cast<uint8_t>(crc & 0xFF));
    frame.push_back(static_cast<uint8_t>(crc >> 8));
    return frame;
}

Bytes Refusal(uint8_t code, uint8_t result) { return WithCrc({0x33, 1, 0x07, code, result}); }

Bytes IndexRequest(uint8_t kind, uint32_t first, uint8_t count) {
    return WithCrc({0xCC, 1, 13, 7, 0, kind, static_cast<uint8_t>(first), static_cast<uint8_t>(first >> 8),
                    static_cast<uint8_t>(first >> 16), static_cast<uint8_t>(first >> 24), count});
}

// year − 2000, month, day, hour, minute, second.
Bytes Date(WallTime t) {
    const auto f = SplitWallTime(t);
    return {static_cast<uint8_t>(f[0] - 2000), static_cast<uint8_t>(f[1]), static_cast<uint8_t>(f[2]),
            static_cast<uint8_t>(f[3]),        static_cast<uint8_t>(f[4]), static_cast<uint8_t>(f[5])};
}

Bytes PeriodRequest(uint8_t kind, uint8_t page, const Bytes& start, const Bytes& end) {
    Bytes f = {0xCC, 1, 21, 8, 0, kind, page};
    f.insert(f.end(), start.begin(), start.end());
    f.insert(f.end(), end.begin(), end.end());
    return WithCrc(f);
}

Bytes PeriodRequest(uint8_t kind, uint8_t page, WallTime start, WallTime end) {
    return PeriodRequest(kind, page, Date(start), Date(end));
}

Bytes WriteRequest(uint8_t table, uint8_t first, uint8_t count, const Bytes& data, const std::string& password,
                   const std::string& code) {
    Bytes frame = {0xCC, 1, static_cast<uint8_t>(26 + data.size()), 0x02};
    Bytes credentials(16, ' ');
    std::copy(password.begin(), password.end(), credentials.begin());
    std::copy(code.begin(), code.end(), credentials.begin() + 12);
    frame.insert(frame.end(), credentials.begin(), credentials.end());
    frame.insert(frame.end(), {0x00, table, first, count});
    frame.insert(frame.end(), data.begin(), data.end());
    return WithCrc(frame);
}

Bytes FactoryWrite(uint8_t table, uint8_t first, uint8_t count, const Bytes& data) {
    return WriteRequest(table, first, count, data, "12345678", "1234");
}

std::size_t SizeOf(uint8_t kind) { return kind == kDiagnosticEvents ? 22 : 24; }

uint32_t U32(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) | (uint32_t{at[3]} << 24);
}

float Float(const uint8_t* at) {
    const uint32_t bits = U32(at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

WallTime TimeOf(const Bytes& record) {
    return MakeWallTime(2000 + record[0], record[1], record[2], record[3], record[4], record[5]);
}

bool Intact(const Bytes& record) { return Crc16(record.data(), record.size()) == 0; }

// An answer to code 7 or 8 taken apart; ok when the frame is intact, carries
// the code with bit 7 and its records fill it exactly.
struct EventAnswer {
    bool ok = false;
    uint8_t status = 0;    // byte 4
    uint8_t more = 0;      // code 8: byte 7
    std::vector<Bytes> records;
};

EventAnswer Parse(const std::optional<Bytes>& answer, uint8_t code, uint8_t kind) {
    EventAnswer a;
    if (!answer) return a;
    const Bytes& f = *answer;
    const std::size_t head = code == 7 ? 11 : 8;
    if (f.size() < head + 2 || f[0] != 0x33 || f[2] != f.size() || f[3] != (code | 0x80) ||
        Crc16(f.data(), f.size()) != 0) {
        return a;
    }
    const std::size_t n = f[code == 7 ? 10 : 6];
    if (code == 8) a.more = f[7];
    if (f.size() != head + n * SizeOf(kind) + 2) return a;
    for (std::size_t i = 0; i < n; ++i) {
        a.records.emplace_back(f.begin() + static_cast<std::ptrdiff_t>(head + i * SizeOf(kind)),
                               f.begin() + static_cast<std::ptrdiff_t>(head + (i + 1) * SizeOf(kind)));
    }
    a.status = f[4];
    a.ok = true;
    return a;
}

class EventTest : public ::testing::Test {
protected:
    // The host clock stands still; the controller's clock is 09.12.2026 12:34:56.
    std::time_t host = 1749896430;
    WallTime clock = MakeWallTime(2026, 12, 9, 12, 34, 56);
    ControllerOptions options;

    Controller Make() {
        options.clock = clock;
        return Controller(options, [this] { return host; });
    }

    static EventAnswer ByIndex(Controller& c, uint8_t kind, uint32_t first, uint8_t count) {
        return Parse(c.HandleFrame(IndexRequest(kind, first, count)), 7, kind);
    }
    static EventAnswer Page(Controller& c, uint8_t kind, uint8_t page, WallTime start, WallTime end) {
        return Parse(c.HandleFrame(PeriodRequest(kind, page, start, end)), 8, kind);
    }

    // OldestIndex and NewestIndex of table 10 or 11, through a table read.
    static std::pair<uint32_t, uint32_t> Bounds(Controller& c, uint8_t kind) {
        const uint8_t table = kind == kDiagnosticEvents ? 10 : 11;
        const auto a = c.HandleFrame(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, table, 0, 2}));
        if (!a || a->size() != 18) return {0, 0};
        return {U32(a->data() + 8), U32(a->data() + 12)};
    }

    // Every record the archive holds, read by index the way the program does:
    // pages from the oldest on, the next from the index after the last one.
    static std::vector<Bytes> ReadAll(Controller& c, uint8_t kind) {
        const auto [oldest, newest] = Bounds(c, kind);
        std::vector<Bytes> all;
        uint64_t index = oldest;
        const uint8_t most = kind == kDiagnosticEvents ? 11 : 10;
        while (index <= newest) {
            const EventAnswer a = ByIndex(c, kind, static_cast<uint32_t>(index), most);
            if (!a.ok || a.records.empty()) break;
            all.insert(all.end(), a.records.begin(), a.records.end());
            index += a.records.size();
        }
        return all;
    }

    // A whole period reading: pages 0, 1 .. 255, 1 .. until no more follow.
    struct Reading {
        std::vector<Bytes> records;
        std::vector<uint8_t> pages;
        bool failed = false;
    };
    static Reading ReadPeriod(Controller& c, uint8_t kind, WallTime start, WallTime end) {
        Reading r;
        uint8_t page = 0;
        for (int guard = 0; guard < 20000; ++guard) {
            const EventAnswer a = Page(c, kind, page, start, end);
            if (!a.ok) {
                r.failed = true;
                return r;
            }
            r.pages.push_back(page);
            r.records.insert(r.records.end(), a.records.begin(), a.records.end());
            if (a.more == 0 || a.records.empty()) return r;
            page = page == 255 ? 1 : static_cast<uint8_t>(page + 1);
        }
        r.failed = true;
        return r;
    }
};

// --- Bounds -------------------------------------------------------------------

TEST_F(EventTest, BoundsOfEmptyOneAndManyRecordsUpToTheLastIndex) {
    struct Case {
        uint32_t records;
        uint32_t first;
        uint32_t oldest, newest;
    };
    const Case cases[] = {
        {0, 1, 1, 1},                                // empty: equal and non-zero
        {0, 500, 500, 500},
        {1, 7, 7, 7},                                // one record: looks empty by the same rule
        {2, 7, 7, 8},
        {300, 1, 1, 300},
        {5, 0xFFFFFFFB, 0xFFFFFFFB, 0xFFFFFFFF},     // up to the last index, no wrap
    };
    for (const Case& k : cases) {
        options.events.diagnostics = k.records;
        options.events.interventions = k.records;
        options.events.firstIndex = k.first;
        Controller c = Make();
        for (const uint8_t kind : {kDiagnosticEvents, kInterventionEvents}) {
            EXPECT_EQ(Bounds(c, kind), std::make_pair(k.oldest, k.newest)) << k.records << " from " << k.first;
            const EventAnswer a = ByIndex(c, kind, k.first, 10);
            ASSERT_TRUE(a.ok);
            EXPECT_EQ(a.records.size(), std::min<uint32_t>(k.records, 10)) << k.records << " from " << k.first;
            // The one record of a one-record archive is found by a period query.
            const Reading all = ReadPeriod(c, kind, clock - 30 * 86400, clock);
            EXPECT_EQ(all.records.size(), k.records) << k.records << " from " << k.first;
        }
    }
}

TEST(EventOptionsTest, ArchivesMustNotRunPastTheLastIndex) {
    EventArchiveOptions o;
    o.diagnostics = 10;
    o.interventions = 0;
    o.firstIndex = 0xFFFFFFF6;  // 10 records end at 0xFFFFFFFF
    EXPECT_EQ(CheckEventArchiveOptions(o), "");
    o.firstIndex = 0xFFFFFFF7;
    EXPECT_NE(CheckEventArchiveOptions(o), "");
    o.diagnostics = 0;
    o.interventions = 9;
    EXPECT_EQ(CheckEventArchiveOptions(o), "");
    o.interventions = 10;
    EXPECT_NE(CheckEventArchiveOptions(o), "");
    o = {};
    o.firstIndex = 0;  // an empty archive would report 0 and 0: one record to the program
    EXPECT_NE(CheckEventArchiveOptions(o), "");
    o = {};
    o.diagnostics = kEventArchiveCapacity + 1;
    EXPECT_NE(CheckEventArchiveOptions(o), "");
}

// --- Reading by index -----------------------------------------------------------

TEST_F(EventTest, IndexAnswersBeginAtTheAskedIndexAndStopAtTheArchiveEnd) {
    options.events.diagnostics = 300;
    options.events.interventions = 100;
    Controller c = Make();
    const std::vector<Bytes> diagnostics = ReadAll(c, kDiagnosticEvents);
    ASSERT_EQ(diagnostics.size(), 300u);
    struct Case {
        uint8_t kind;
        uint32_t first;
        uint8_t count;
        std::size_t delivered;
    };
    const Case cases[] = {
        {0, 1, 11, 11},   {0, 1, 1, 1},      {0, 290, 11, 11}, {0, 295, 11, 6},  // past the newest: short
        {0, 300, 11, 1},  {0, 301, 11, 0},   {0, 0, 5, 0},     {0, 0xFFFFFFFF, 11, 0},
        {1, 1, 10, 10},   {1, 95, 10, 6},    {1, 101, 1, 0},
    };
    for (const Case& k : cases) {
        const auto frame = c.HandleFrame(IndexRequest(k.kind, k.first, k.count));
        const EventAnswer a = Parse(frame, 7, k.kind);
        ASSERT_TRUE(a.ok) << k.first;
        EXPECT_EQ(a.status, 0);
        // Bytes 5..9: the kind and the asked index.
        EXPECT_EQ((*frame)[5], k.kind);
        EXPECT_EQ(U32(frame->data() + 6), k.first);
        ASSERT_EQ(a.records.size(), k.delivered) << int(k.kind) << " from " << k.first;
        for (std::size_t i = 0; i < a.records.size() && k.kind == kDiagnosticEvents; ++i) {
            EXPECT_EQ(a.records[i], diagnostics[k.first - 1 + i]) << k.first << " + " << i;
        }
    }
    // The longest answers: 11 x 22 and 10 x 24 bytes of records.
    EXPECT_EQ(c.HandleFrame(IndexRequest(0, 1, 11))->size(), 255u);
    EXPECT_EQ(c.HandleFrame(IndexRequest(1, 1, 10))->size(), 253u);
}

TEST_F(EventTest, BadIndexRequestsAreRefused) {
    Controller c = Make();
    const struct {
        const char* what;
        Bytes request;
        Bytes answer;
    } cases[] = {
        {"count 0", IndexRequest(0, 1, 0), Refusal(7, 4)},
        {"12 diagnostics", IndexRequest(0, 1, 12), Refusal(7, 4)},
        {"11 interventions", IndexRequest(1, 1, 11), Refusal(7, 4)},
        {"kind 2", IndexRequest(2, 1, 1), Refusal(7, 4)},
        {"leading byte 1", WithCrc({0xCC, 1, 13, 7, 1, 0, 1, 0, 0, 0, 1}), Refusal(7, 4)},
        {"one byte short", WithCrc({0xCC, 1, 12, 7, 0, 0, 1, 0, 0, 0}), Refusal(7, 2)},
        {"period body one byte long", WithCrc({0xCC, 1, 22, 8, 0, 0, 0, 26, 12, 1, 0, 0, 0, 26, 12, 2, 0, 0, 0, 0}),
         Refusal(8, 2)},
    };
    for (const auto& k : cases) EXPECT_EQ(c.HandleFrame(k.request), k.answer) << k.what;
}

// --- Content ----------------------------------------------------------------------

TEST_F(EventTest, DiagnosticRecordsGoThroughEveryCodeOldestFirst) {
    Controller c = Make();
    const std::vector<Bytes> all = ReadAll(c, kDiagnosticEvents);
    ASSERT_EQ(all.size(), 300u);
    std::set<int> codes;
    WallTime previous = 0;
    for (const Bytes& r : all) {
        ASSERT_TRUE(Intact(r));
        const WallTime t = TimeOf(r);
        EXPECT_GE(t, previous);
        EXPECT_GE(t, clock - 21 * 86400);
        EXPECT_LT(t, clock);
        previous = t;
        codes.insert(r[6]);
        const int code = r[6];
        const bool below = code == 12 || code == 14 || code == 16 || code == 44 || code == 46 || code == 60 ||
                           code == 62 || code == 65 || code == 67;
        const bool above = code == 13 || code == 15 || code == 17 || code == 45 || code == 47 || code == 61 ||
                           code == 63 || code == 66 || code == 68;
        if (below || above) {
            // A gas parameter, its value at that time and the setpoint it crossed.
            ASSERT_LE(r[9], 19) << code;
            const float value = Float(r.data() + 10);
            const float setpoint = Float(r.data() + 14);
            ASSERT_TRUE(std::isfinite(value) && std::isfinite(setpoint)) << code;
            EXPECT_FLOAT_EQ(value, static_cast<float>(GasParameters(t)[r[9]])) << code;
            EXPECT_EQ(value < setpoint, below) << code << ": " << value << " / " << setpoint;
        }
        if (code == 10 || code == 11) {
            EXPECT_TRUE(r[8] == 33 || r[8] == 34) << code;
        }
        if (code == 22 || code == 23) {
            EXPECT_TRUE((r[8] == 200 && r[9] <= 2) || (r[8] == 201 && r[9] <= 15));
        }
        if (code == 59) {
            EXPECT_NE(U32(r.data() + 10), U32(r.data() + 14));
        }
    }
    std::set<int> expected = {2, 3, 4};
    for (int code = 10; code <= 81; ++code) expected.insert(code);
    EXPECT_EQ(codes, expected);

    // The same clock gives the same records.
    Controller again = Make();
    EXPECT_EQ(ReadAll(again, kDiagnosticEvents), all);
}

TEST_F(EventTest, InterventionRecordsGoThroughEveryNamedFieldToTheTablesValues) {
    options.users.push_back({"Иван", 3, "пароль", "77"});
    Controller c = Make();
    const std::vector<Bytes> all = ReadAll(c, kInterventionEvents);
    ASSERT_EQ(all.size(), 260u);
    std::map<std::pair<int, int>, Bytes> last;  // newest record of each field
    std::set<Bytes> operators;
    WallTime previous = 0;
    for (const Bytes& r : all) {
        ASSERT_TRUE(Intact(r));
        EXPECT_GE(TimeOf(r), previous);
        EXPECT_LT(TimeOf(r), clock);
        previous = TimeOf(r);
        last[{r[7], r[8]}] = r;
        operators.insert(Bytes(r.begin() + 18, r.begin() + 22));
        if (r[7] != 13) {
            EXPECT_NE(Bytes(r.begin() + 10, r.begin() + 14), Bytes(r.begin() + 14, r.begin() + 18));
        }
    }
    // Every field the program names, reserved fields left out.
    std::set<std::pair<int, int>> expected;
    auto add = [&](int table, int from, int to) {
        for (int f = from; f <= to; ++f) expected.insert({table, f});
    };
    add(2, 0, 7), add(3, 0, 2), add(4, 1, 1), add(5, 0, 0), add(6, 0, 8), add(9, 0, 5), add(13, 0, 15);
    add(14, 0, 6), add(15, 0, 6);
    for (int t = 17; t <= 20; ++t) add(t, 0, 15);
    for (int t = 21; t <= 26; ++t) add(t, 0, 19);
    add(28, 0, 0), add(29, 0, 6);
    std::set<std::pair<int, int>> seen;
    for (const auto& [field, record] : last) seen.insert(field);
    EXPECT_EQ(seen, expected);
    auto at = [&](int table, int field) -> const Bytes& { return last[{table, field}]; };

    // New values are what the tables hold; units and texts as the program reads them.
    EXPECT_EQ(at(6, 6)[14], 10);                       // contract hour
    EXPECT_EQ(at(14, 6)[14], 4);                       // chromatograph type NGC8200
    EXPECT_EQ(at(3, 1)[9], 8);                         // bit/s
    EXPECT_EQ(at(3, 1)[14], 11);                       // 9600
    EXPECT_EQ(Float(at(24, 8).data() + 14), 100.0f);   // upper warning limit of methane
    EXPECT_EQ(at(24, 8)[9], 5);                        // %
    EXPECT_EQ(at(22, 12)[9], 10);                      // density: kg/m3
    EXPECT_EQ(at(23, 11)[9], 9);                       // heating value: MJ/m3
    EXPECT_EQ(at(25, 17)[9], 2);                       // temperature: °С
    EXPECT_EQ(U32(at(29, 0).data() + 14), 0xC0A8000Au);
    EXPECT_EQ(Bytes(at(13, 4).begin() + 10, at(13, 4).begin() + 18), Bytes(8, 0)) << "no passwords";
    // The controller name's values in its code page (CP866): "Узел" -> "ЗМК-".
    EXPECT_EQ(Bytes(at(5, 0).begin() + 10, at(5, 0).begin() + 18),
              Bytes({0x93, 0xA7, 0xA5, 0xAB, 0x87, 0x8C, 0x8A, '-'}));
    // The registered users in turn, their names as table 4 holds them (Windows-1251).
    EXPECT_EQ(operators, (std::set<Bytes>{{0xCD, 0xC0, 0xCB, ' '}, {0xC8, 0xE2, 0xE0, 0xED}}));
}

// --- Reading by period ------------------------------------------------------------

TEST_F(EventTest, PeriodPagesHoldTheRecordsOfThePeriodInIndexOrder) {
    Controller c = Make();
    for (const uint8_t kind : {kDiagnosticEvents, kInterventionEvents}) {
        const std::vector<Bytes> all = ReadAll(c, kind);
        // A period in the middle, its ends on record times: both included.
        const WallTime start = TimeOf(all[40]);
        const WallTime end = TimeOf(all[200]);
        std::vector<Bytes> expected;
        for (const Bytes& r : all)
            if (TimeOf(r) >= start && TimeOf(r) <= end) expected.push_back(r);
        ASSERT_GE(expected.size(), 161u);

        const std::size_t most = kind == kDiagnosticEvents ? 11 : 10;
        const Reading reading = ReadPeriod(c, kind, start, end);
        ASSERT_FALSE(reading.failed);
        EXPECT_EQ(reading.records, expected) << int(kind);
        EXPECT_EQ(reading.pages.size(), (expected.size() + most - 1) / most) << "full pages, the more flag until the last";

        // A page of a reading: byte 5 its number, byte 7 set while more follow.
        const auto first = c.HandleFrame(PeriodRequest(kind, 0, start, end));
        ASSERT_TRUE(first);
        EXPECT_EQ((*first)[5], 0);
        EXPECT_EQ((*first)[6], most);
        EXPECT_NE((*first)[7], 0);

        // Nothing in the period: one empty page, no more.
        const EventAnswer none = Page(c, kind, 0, clock - 60 * 86400, clock - 50 * 86400);
        ASSERT_TRUE(none.ok);
        EXPECT_TRUE(none.records.empty());
        EXPECT_EQ(none.more, 0);
        // End equal to start: the records of that second.
        const EventAnswer second = Page(c, kind, 0, start, start);
        ASSERT_TRUE(second.ok);
        ASSERT_FALSE(second.records.empty());
        EXPECT_EQ(TimeOf(second.records[0]), start);
    }
}

TEST_F(EventTest, PageNumbersRunTo255ThenFrom1AndALastPageRepeats) {
    options.events.perAnswer = 1;  // 300 pages for 300 records
    Controller c = Make();
    const std::vector<Bytes> all = ReadAll(c, kDiagnosticEvents);
    ASSERT_EQ(all.size(), 300u);
    const WallTime start = clock - 30 * 86400;
    const Reading reading = ReadPeriod(c, kDiagnosticEvents, start, clock);
    ASSERT_FALSE(reading.failed);
    EXPECT_EQ(reading.records, all);
    ASSERT_EQ(reading.pages.size(), 300u);
    EXPECT_EQ(reading.pages[255], 255);
    EXPECT_EQ(reading.pages[256], 1) << "after 255 comes 1, and it goes on";

    // A retry of the last page (its answer lost) repeats it, then the reading goes on.
    auto recordOf = [&](uint8_t page) {
        const EventAnswer a = Page(c, kDiagnosticEvents, page, start, clock);
        EXPECT_TRUE(a.ok) << int(page);
        return a.records.empty() ? Bytes() : a.records[0];
    };
    EXPECT_EQ(recordOf(0), all[0]);
    EXPECT_EQ(recordOf(1), all[1]);
    EXPECT_EQ(recordOf(1), all[1]);
    EXPECT_EQ(recordOf(1), all[1]);
    EXPECT_EQ(recordOf(2), all[2]);
    for (int page = 3; page <= 255; ++page) ASSERT_EQ(recordOf(static_cast<uint8_t>(page)), all[page]);
    EXPECT_EQ(recordOf(255), all[255]);
    EXPECT_EQ(recordOf(1), all[256]);
    EXPECT_EQ(recordOf(1), all[256]);
    EXPECT_EQ(recordOf(2), all[257]);
    // Page 0 starts again from the beginning.
    EXPECT_EQ(recordOf(0), all[0]);
    // The two archives keep readings of their own.
    ASSERT_TRUE(Page(c, kInterventionEvents, 0, start, clock).ok);
    EXPECT_EQ(recordOf(1), all[1]);
}

TEST_F(EventTest, PagesOutOfTheSeriesAndBadPeriodsAreRefused) {
    Controller c = Make();
    const WallTime start = clock - 10 * 86400;
    const Bytes end = Date(clock);
    // No reading in progress.
    EXPECT_EQ(c.HandleFrame(PeriodRequest(0, 1, start, clock)), Refusal(8, 20));
    ASSERT_TRUE(Page(c, kDiagnosticEvents, 0, start, clock).ok);
    ASSERT_TRUE(Page(c, kDiagnosticEvents, 1, start, clock).ok);
    const struct {
        const char* what;
        Bytes request;
        uint8_t result;
    } cases[] = {
        {"page skipped", PeriodRequest(0, 3, start, clock), 20},
        {"page back", PeriodRequest(0, 255, start, clock), 20},
        {"another period", PeriodRequest(0, 2, start + 1, clock), 21},
        {"end before start", PeriodRequest(0, 0, clock, clock - 1), 22},
        {"month 13", PeriodRequest(0, 0, Bytes{26, 13, 1, 0, 0, 0}, end), 22},
        {"31 November", PeriodRequest(0, 0, Bytes{26, 11, 31, 0, 0, 0}, end), 22},
        {"second 60", PeriodRequest(0, 0, Bytes{26, 12, 1, 0, 0, 60}, end), 22},
        {"kind 2", PeriodRequest(2, 0, start, clock), 4},
        {"leading byte 1", [&] {
             Bytes r = PeriodRequest(0, 0, start, clock);
             r[4] = 1;
             r.resize(r.size() - 2);
             return WithCrc(r);
         }(), 4},
    };
    for (const auto& k : cases) EXPECT_EQ(c.HandleFrame(k.request), Refusal(8, k.result)) << k.what;
    // The reading in progress survives the refusals.
    const EventAnswer two = Page(c, kDiagnosticEvents, 2, start, clock);
    ASSERT_TRUE(two.ok);
    EXPECT_EQ(two.records.size(), 11u);
}

// --- Interventions from writes ------------------------------------------------------

TEST_F(EventTest, EveryChangedFieldOfAnAcceptedWriteIsRecorded) {
    options.users.push_back({"Иван", 3, "пароль", "77"});
    Controller c = Make();
    const auto [oldest, newest] = Bounds(c, kInterventionEvents);
    ASSERT_EQ(newest - oldest + 1, 260u);
    auto newRecords = [&] {
        const uint32_t now = Bounds(c, kInterventionEvents).second;
        const EventAnswer a = ByIndex(c, kInterventionEvents, newest + 1, 10);
        EXPECT_TRUE(a.ok);
        EXPECT_EQ(a.records.size(), now - newest);
        return a.records;
    };
    const Bytes nal = {0xCD, 0xC0, 0xCB, ' '};

    // System parameters 6..8: the contract hour and the moisture meter change, field 7 stays.
    ASSERT_EQ(c.HandleFrame(FactoryWrite(6, 6, 3, {23, 1, 0}))->size(), 10u);
    std::vector<Bytes> added = newRecords();
    ASSERT_EQ(added.size(), 2u);
    const Bytes hour = added[0];
    EXPECT_TRUE(Intact(hour));
    EXPECT_EQ(TimeOf(hour), clock);
    EXPECT_EQ(Bytes(hour.begin() + 6, hour.begin() + 22),
              Bytes({0, 6, 6, 0, 10, 0, 0, 0, 23, 0, 0, 0, 0xCD, 0xC0, 0xCB, ' '}));
    EXPECT_EQ(added[1][8], 8);
    EXPECT_EQ(added[1][10], 1);
    EXPECT_EQ(added[1][14], 0);

    // The same values again change nothing; a refused write records nothing.
    ASSERT_EQ(c.HandleFrame(FactoryWrite(6, 6, 3, {23, 1, 0}))->size(), 10u);
    ASSERT_EQ(*c.HandleFrame(WriteRequest(6, 6, 1, {5}, "wrong", "1234")), Refusal(2, 34));
    EXPECT_EQ(newRecords().size(), 2u);

    // A float limit by another user: his name, the 4 bytes, the parameter's unit.
    const float limit = 97.5f;
    Bytes bytes(4);
    std::memcpy(bytes.data(), &limit, 4);
    const Bytes ivan = {0xC8, 0xE2, 0xE0, 0xED};
    const Bytes password = EncodeCp1251("пароль");
    ASSERT_EQ(c.HandleFrame(WriteRequest(24, 8, 1, bytes, std::string(password.begin(), password.end()), "77"))
                  ->size(),
              10u);
    added = newRecords();
    ASSERT_EQ(added.size(), 3u);
    EXPECT_EQ(added[2][7], 24);
    EXPECT_EQ(added[2][9], 5);  // %
    EXPECT_EQ(Float(added[2].data() + 10), 100.0f);
    EXPECT_EQ(Float(added[2].data() + 14), limit);
    EXPECT_EQ(Bytes(added[2].begin() + 18, added[2].begin() + 22), ivan);

    // Passwords of the flow computers leave no values; the name of the controller its first 4 bytes.
    ASSERT_EQ(c.HandleFrame(FactoryWrite(13, 0, 1, Bytes(16, 'P')))->size(), 10u);
    ASSERT_EQ(c.HandleFrame(FactoryWrite(5, 0, 1, Bytes(20, 'Q')))->size(), 10u);
    added = newRecords();
    ASSERT_EQ(added.size(), 5u);
    EXPECT_EQ(Bytes(added[3].begin() + 10, added[3].begin() + 18), Bytes(8, 0));
    EXPECT_EQ(Bytes(added[4].begin() + 10, added[4].begin() + 18), Bytes({0x87, 0x8C, 0x8A, '-', 'Q', 'Q', 'Q', 'Q'}));
    for (const Bytes& r : added) EXPECT_TRUE(Intact(r));

    // The new records are found by a period query for the moment of the writes.
    const Reading now = ReadPeriod(c, kInterventionEvents, clock, clock);
    EXPECT_EQ(now.records, added);
}

TEST_F(EventTest, WritesWithoutAKnownCodeRecordBlanksAndTheLastIndexTakesNoMore) {
    options.openWrites = true;
    options.events.interventions = 1;
    options.events.firstIndex = 0xFFFFFFFE;  // room for one more record
    Controller c = Make();
    ASSERT_EQ(Bounds(c, kInterventionEvents), std::make_pair(0xFFFFFFFEu, 0xFFFFFFFEu));
    ASSERT_EQ(c.HandleFrame(WriteRequest(3, 2, 1, {4}, "", "9999"))->size(), 10u);
    ASSERT_EQ(Bounds(c, kInterventionEvents), std::make_pair(0xFFFFFFFEu, 0xFFFFFFFFu));
    const EventAnswer a = ByIndex(c, kInterventionEvents, 0xFFFFFFFF, 10);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 1u);
    EXPECT_EQ(Bytes(a.records[0].begin() + 7, a.records[0].begin() + 22),
              Bytes({3, 2, 0, 0, 0, 0, 0, 4, 0, 0, 0, ' ', ' ', ' ', ' '}));
    // At the last index the archive takes no record; the write itself goes through.
    ASSERT_EQ(c.HandleFrame(WriteRequest(3, 2, 1, {5}, "", "9999"))->size(), 10u);
    EXPECT_EQ(c.Table(3)[2], 5);
    EXPECT_EQ(Bounds(c, kInterventionEvents), std::make_pair(0xFFFFFFFEu, 0xFFFFFFFFu));
    EXPECT_EQ(ByIndex(c, kInterventionEvents, 0xFFFFFFFF, 10).records, a.records);
}

// --- Misbehaviour ------------------------------------------------------------------

TEST_F(EventTest, FewerRecordsPerAnswerDamagedRecordsAndTheArchiveErrorBit) {
    options.events.perAnswer = 7;
    options.events.badCrcEvery = 4;
    options.events.firstIndex = 1000;
    options.events.errorFlag = true;
    Controller c = Make();
    // By index: 7 of 10 (and of 11); the next request from index + 7 goes on.
    const EventAnswer a = ByIndex(c, kInterventionEvents, 1000, 10);
    ASSERT_TRUE(a.ok);
    EXPECT_EQ(a.status, 0) << "no error bit on index answers";
    ASSERT_EQ(a.records.size(), 7u);
    EXPECT_EQ(ByIndex(c, kDiagnosticEvents, 1000, 11).records.size(), 7u);
    // Records 1003, 1007, ... (the 4th, 8th, ... from the first index) fail their checksum.
    for (std::size_t i = 0; i < a.records.size(); ++i) EXPECT_EQ(Intact(a.records[i]), i % 4 != 3) << i;
    const std::vector<Bytes> all = ReadAll(c, kDiagnosticEvents);
    ASSERT_EQ(all.size(), 300u);
    std::size_t damaged = 0;
    for (std::size_t i = 0; i < all.size(); ++i) {
        EXPECT_EQ(Intact(all[i]), i % 4 != 3) << i;
        damaged += Intact(all[i]) ? 0 : 1;
    }
    EXPECT_EQ(damaged, 75u);
    // By period: pages of 7, each with the error bit, the same damaged records.
    const EventAnswer page = Page(c, kDiagnosticEvents, 0, clock - 30 * 86400, clock);
    ASSERT_TRUE(page.ok);
    EXPECT_EQ(page.status, 0x80);
    EXPECT_EQ(page.records, std::vector<Bytes>(all.begin(), all.begin() + 7));
    const Reading reading = ReadPeriod(c, kDiagnosticEvents, clock - 30 * 86400, clock);
    EXPECT_EQ(reading.records, all);
    EXPECT_EQ(reading.pages.size(), (300u + 6) / 7);
}

// --archive-fail-request counts the event requests with the measurement
// archive requests; table reads do not count.
TEST_F(EventTest, NthArchiveRequestFailsAlsoForEventRequests) {
    const Bytes hourly = WithCrc({0xCC, 1, 17, 15, 3, 0, 0, 26, 12, 8, 0, 26, 12, 8, 1});
    const Bytes byIndex = IndexRequest(0, 1, 11);
    const Bytes byPeriod = PeriodRequest(1, 0, clock - 86400 * 30, clock);
    for (const char* how : {"refused", "silent", "bad-crc"}) {
        options.archive.failRequest = 3;
        options.archive.failWith = std::string(how) == "silent" ? std::nullopt : std::optional<uint8_t>(19);
        options.archive.failBadChecksum = std::string(how) == "bad-crc";
        Controller c = Make();
        ASSERT_TRUE(c.HandleFrame(hourly)) << how;
        ASSERT_TRUE(c.HandleFrame(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 10, 0, 2})));
        const auto first = c.HandleFrame(byIndex);
        ASSERT_TRUE(Parse(first, 7, 0).ok) << how;
        const auto third = c.HandleFrame(byPeriod);
        if (std::string(how) == "refused") {
            EXPECT_EQ(third, Refusal(8, 19));
        } else if (std::string(how) == "silent") {
            EXPECT_FALSE(third);
        } else {
            ASSERT_TRUE(third);
            EXPECT_NE(Crc16(third->data(), third->size()), 0);
            EXPECT_EQ((*third)[6], 10) << "the records as they are";
        }
        EXPECT_EQ(c.HandleFrame(byIndex), first) << how << ": the requests after it are served";
        EXPECT_TRUE(Parse(c.HandleFrame(byPeriod), 8, 1).ok) << how;
    }
}

// --- The state file -------------------------------------------------------------------

TEST_F(EventTest, InterventionArchiveIsKeptInTheStateWithTheWrites) {
    options.events.interventions = 5;
    options.events.firstIndex = 40;
    Controller first = Make();
    ASSERT_EQ(first.HandleFrame(FactoryWrite(6, 6, 1, {23}))->size(), 10u);
    const std::vector<Bytes> kept = ReadAll(first, kInterventionEvents);
    ASSERT_EQ(kept.size(), 6u);
    const Bytes image = first.SaveState();
    ASSERT_EQ(image.size(), 20u + 1478u + 8u + 6u * 24u + 2u);

    // Restarted with other options: the state decides the intervention
    // archive, the options the diagnostic one.
    options.events.interventions = 100;
    options.events.firstIndex = 1;
    Controller second = Make();
    std::string error;
    ASSERT_TRUE(second.LoadState(image, error)) << error;
    EXPECT_EQ(Bounds(second, kInterventionEvents), std::make_pair(40u, 45u));
    EXPECT_EQ(ReadAll(second, kInterventionEvents), kept);
    EXPECT_EQ(Bounds(second, kDiagnosticEvents), std::make_pair(1u, 300u));
    // New records go on from there.
    ASSERT_EQ(second.HandleFrame(FactoryWrite(6, 6, 1, {22}))->size(), 10u);
    EXPECT_EQ(Bounds(second, kInterventionEvents), std::make_pair(40u, 46u));

    // A state of version 1 (tables only) still loads: the archive is filled afresh.
    Bytes tablesOnly(image.begin(), image.begin() + 20 + 1478);
    tablesOnly[8] = 1;
    Controller third = Make();
    ASSERT_TRUE(third.LoadState(WithCrc(tablesOnly), error)) << error;
    EXPECT_EQ(Bounds(third, kInterventionEvents), std::make_pair(1u, 100u));
    EXPECT_EQ(third.Table(6)[6], 23);
}

TEST_F(EventTest, DamagedInterventionArchiveInTheStateIsRefused) {
    options.events.interventions = 3;
    Controller source = Make();
    const Bytes good = source.SaveState();
    auto changed = [&](std::size_t at, uint32_t value, int cut = 0) {
        Bytes b(good.begin(), good.end() - 2 - cut);
        for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(value >> (8 * i));
        return WithCrc(b);
    };
    const struct {
        const char* what;
        Bytes image;
    } cases[] = {
        {"oldest index 0", changed(1498, 0)},
        {"more records than it holds", changed(1502, 4)},
        {"fewer records than it holds", changed(1502, 2)},
        {"a record cut short", changed(1502, 3, 1)},
        {"past the last index", changed(1498, 0xFFFFFFFE)},
        {"over the capacity", changed(1502, kEventArchiveCapacity + 1)},
        {"no archive head", WithCrc(Bytes(good.begin(), good.begin() + 1498 + 7))},
    };
    for (const auto& k : cases) {
        Controller c = Make();
        ASSERT_EQ(c.HandleFrame(FactoryWrite(6, 6, 1, {23}))->size(), 10u);
        std::string error;
        EXPECT_FALSE(c.LoadState(k.image, error)) << k.what;
        EXPECT_FALSE(error.empty()) << k.what;
        EXPECT_EQ(Bounds(c, kInterventionEvents), std::make_pair(1u, 4u)) << k.what;
        EXPECT_EQ(c.Table(6)[6], 23) << k.what;
    }
}

TEST_F(EventTest, UnstorableWriteLeavesNoInterventionRecord) {
    Controller c = Make();
    c.SetStateSink([](const Bytes&) { return false; });
    EXPECT_EQ(*c.HandleFrame(FactoryWrite(6, 6, 1, {23})), Refusal(2, 58));
    EXPECT_EQ(Bounds(c, kInterventionEvents), std::make_pair(1u, 260u));
    // The record goes into the state together with the write.
    Bytes stored;
    c.SetStateSink([&](const Bytes& image) {
        stored = image;
        return true;
    });
    ASSERT_EQ(c.HandleFrame(FactoryWrite(6, 6, 1, {23}))->size(), 10u);
    EXPECT_EQ(stored.size(), 20u + 1478u + 8u + 261u * 24u + 2u);
}

// --- The program ---------------------------------------------------------------------

TEST(EventProgramTest, ArchivesFromTheCommandLine) {
    SimProgram sim({"--clock", "2026-12-09 12:34:56", "--event-diagnostics", "0", "--event-interventions", "12",
                    "--event-first-index", "4294967284", "--event-records-per-answer", "7",
                    "--event-bad-crc-every", "2", "--event-archive-error"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    EXPECT_EQ(sim.Exchange(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 10, 0, 2})),
              WithCrc({0x33, 1, 18, 0x81, 0, 10, 0, 2, 0xF4, 0xFF, 0xFF, 0xFF, 0xF4, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(sim.Exchange(WithCrc({0xCC, 1, 0x0A, 0x01, 0x00, 11, 0, 2})),
              WithCrc({0x33, 1, 18, 0x81, 0, 11, 0, 2, 0xF4, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF}));
    const EventAnswer a = Parse(sim.Exchange(IndexRequest(1, 0xFFFFFFF4, 10)), 7, 1);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 7u);
    for (std::size_t i = 0; i < a.records.size(); ++i) EXPECT_EQ(Intact(a.records[i]), i % 2 == 0) << i;
    const Bytes start = {26, 11, 1, 0, 0, 0};
    const Bytes end = {26, 12, 9, 12, 34, 56};
    const EventAnswer page = Parse(sim.Exchange(PeriodRequest(1, 0, start, end)), 8, 1);
    ASSERT_TRUE(page.ok);
    EXPECT_EQ(page.status, 0x80);
    EXPECT_EQ(page.records, a.records);
    EXPECT_EQ(page.more, 1);
    const EventAnswer rest = Parse(sim.Exchange(PeriodRequest(1, 1, start, end)), 8, 1);
    ASSERT_TRUE(rest.ok);
    EXPECT_EQ(rest.records.size(), 5u);
    EXPECT_EQ(rest.more, 0);
    EXPECT_TRUE(Parse(sim.Exchange(PeriodRequest(0, 0, start, end)), 8, 0).records.empty());
}

TEST(EventProgramTest, InterventionRecordsOfWritesSurviveARestart) {
    const std::string path =
        (std::filesystem::temp_directory_path() / ("zmk-sim-events-" + std::to_string(getpid()) + ".state")).string();
    std::filesystem::remove(path);
    Bytes added;
    {
        SimProgram sim({"--state", path, "--event-interventions", "2"});
        ASSERT_TRUE(sim.Ready()) << sim.Errors();
        ASSERT_EQ(sim.Exchange(FactoryWrite(6, 6, 1, {23})).size(), 10u);
        const EventAnswer a = Parse(sim.Exchange(IndexRequest(1, 3, 1)), 7, 1);
        ASSERT_TRUE(a.ok);
        ASSERT_EQ(a.records.size(), 1u);
        added = a.records[0];
    }
    SimProgram sim({"--state", path});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
    const EventAnswer a = Parse(sim.Exchange(IndexRequest(1, 1, 10)), 7, 1);
    ASSERT_TRUE(a.ok);
    ASSERT_EQ(a.records.size(), 3u);
    EXPECT_EQ(a.records[2], added);
    EXPECT_EQ(Bytes(added.begin() + 7, added.begin() + 9), Bytes({6, 6}));
    std::filesystem::remove(path);
}

TEST(EventProgramTest, BadEventOptionsStopTheStart) {
    const std::vector<std::vector<std::string>> bad = {
        {"--event-diagnostics", "100001"},
        {"--event-interventions", "-1"},
        {"--event-first-index", "0"},
        {"--event-first-index", "4294967296"},
        {"--event-first-index", "4294967295", "--event-diagnostics", "2"},
        {"--event-first-index", "4294967290", "--event-interventions", "7"},
        {"--event-records-per-answer", "12"},
        {"--event-records-per-answer", "0"},
        {"--event-bad-crc-every", "0"},
        {"--event-archive-error=1"},
    };
    for (const auto& args : bad) {
        SimProgram sim(args);
        EXPECT_EQ(sim.ExitCode(), 2) << args[0] << " " << args[1];
        const std::string errors = sim.Errors();
        EXPECT_NE(errors.find(args[0].substr(0, args[0].find('='))), std::string::npos) << errors;
    }
    // Right at the last index is fine.
    SimProgram sim({"--event-first-index", "4294967294", "--event-diagnostics", "2", "--event-interventions", "0"});
    ASSERT_TRUE(sim.Ready()) << sim.Errors();
}

// The line's misbehaviour counts every request, event requests included.
TEST(EventProgramTest, LateAnswerAndLineRateApplyToEventRequests) {
    {
        SimProgram sim({"--answer-delay-at", "2:400"});
        ASSERT_TRUE(sim.Ready()) << sim.Errors();
        auto timed = [&](const Bytes& request) {
            const auto t0 = std::chrono::steady_clock::now();
            EXPECT_TRUE(Parse(sim.Exchange(request), request[3], 0).ok);
            return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - t0);
        };
        const Bytes byIndex = IndexRequest(0, 1, 11);
        EXPECT_LT(timed(byIndex).count(), 300);
        const Bytes byPeriod = PeriodRequest(0, 0, Bytes{20, 1, 1, 0, 0, 0}, Bytes{99, 12, 31, 23, 59, 59});
        EXPECT_GE(timed(byPeriod).count(), 400);
        EXPECT_LT(timed(byIndex).count(), 300);
    }
    SimProgram sim({"--no-tcp", "--pty", "--check-line-rate"});
    ASSERT_FALSE(sim.Ready()) << "no TCP port";
    ASSERT_FALSE(sim.PtyPath().empty()) << sim.Errors();
    const int fd = open(sim.PtyPath().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    auto exchange = [&](speed_t speed) {
        termios tio{};
        tcgetattr(fd, &tio);
        cfmakeraw(&tio);
        cfsetispeed(&tio, speed);
        cfsetospeed(&tio, speed);
        tcsetattr(fd, TCSANOW, &tio);
        const Bytes request = IndexRequest(1, 1, 10);
        EXPECT_EQ(write(fd, request.data(), request.size()), static_cast<ssize_t>(request.size()));
        Bytes answer;
        while (answer.size() < 3 || answer.size() < answer[2]) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, 500) <= 0) break;
            uint8_t buffer[256];
            const ssize_t n = read(fd, buffer, sizeof buffer);
            if (n <= 0) break;
            answer.insert(answer.end(), buffer, buffer + n);
        }
        return answer;
    };
    EXPECT_TRUE(exchange(B19200).empty()) << "another rate than the controller's 9600 bit/s";
    EXPECT_EQ(Parse(exchange(B9600), 7, 1).records.size(), 10u);
    close(fd);
}

}  // namespace
}  // namespace zmksim
