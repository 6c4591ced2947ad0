#include <gtest/gtest.h>

#include <QString>
#include <cstdint>
#include <optional>

#include "common/PackedDate.h"
#include "events/EventArchiveReader.h"

using namespace zmk;

namespace {

PackedDate D(int day, int month, int year, int hour, int minute, int second) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

std::string Text(const PackedDate& d) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute, d.Second)
        .toStdString();
}

struct ChoiceCase {
    const char* what;
    uint32_t oldest, newest;
    EventIndexChoice choice;
    uint32_t first, count;
};

const ChoiceCase ChoiceCases[] = {
    {"whole range", 1, 1000, EventIndexChoice::All, 1, 1000},
    {"bounds 0 and 0 are one record", 0, 0, EventIndexChoice::All, 0, 1},
    {"last 100 of a short archive", 1, 57, EventIndexChoice::Last100, 1, 57},
    {"last 100 of a long archive", 1, 1000, EventIndexChoice::Last100, 901, 100},
    {"last 100 of exactly 100", 11, 110, EventIndexChoice::Last100, 11, 100},
    {"last 50 of 49", 2, 50, EventIndexChoice::Last50, 2, 49},
    {"last 50", 2, 1000, EventIndexChoice::Last50, 951, 50},
    {"last 10", 5, 1000, EventIndexChoice::Last10, 991, 10},
    {"last 10 of 9", 5, 13, EventIndexChoice::Last10, 5, 9},
    // Running indexes past 32 bits: the span is counted modulo 2^32.
    {"index wrapped round", 0xFFFFFFF0u, 0x0000000Fu, EventIndexChoice::All, 0xFFFFFFF0u, 32},
    {"last 10 across the wrap", 0xFFFFFFF0u, 0x00000003u, EventIndexChoice::Last10, 0xFFFFFFFAu, 10},
    // Every index in use: the span of 2^32 does not fit 32 bits.
    {"last 10 of the whole index space", 0, 0xFFFFFFFFu, EventIndexChoice::Last10, 0xFFFFFFF6u, 10},
};

}  // namespace

TEST(EventIndexChoices, ItemsFillStartAndCount) {
    for (const ChoiceCase& c : ChoiceCases) {
        SCOPED_TRACE(c.what);
        const std::optional<EventIndexRange> range = RangeForChoice(c.choice, {c.oldest, c.newest});
        ASSERT_TRUE(range.has_value());
        EXPECT_EQ(range->first, c.first);
        EXPECT_EQ(range->count, c.count);
    }
    EXPECT_FALSE(RangeForChoice(EventIndexChoice::Custom, {1, 1000}).has_value());
    EXPECT_TRUE((EventArchiveBounds{5, 5}.Empty()));
    EXPECT_FALSE((EventArchiveBounds{0, 0}.Empty()));
}

TEST(EventIndexChoices, AcceptChecksInTheirOrder) {
    struct Case {
        const char* start;
        const char* count;
        const char16_t* line1;  // null: accepted
        const char16_t* line2;
        uint32_t first, accepted;
    };
    const EventArchiveBounds bounds{100, 1000};
    const Case cases[] = {
        {"", "", u"Не введен индекс записи начала чтения", u"", 0, 0},
        {"", "5", u"Не введен индекс записи начала чтения", u"", 0, 0},
        {"99", "", u"Нелогичное значение индекса записи начала чтения", u"(см. значения индексов начала и конца архива).", 0, 0},
        {"1001", "5", u"Нелогичное значение индекса записи начала чтения", u"(см. значения индексов начала и конца архива).", 0, 0},
        {"12%", "5", u"Нелогичное значение индекса записи начала чтения", u"(см. значения индексов начала и конца архива).", 0, 0},
        {"99999999999999999999", "5", u"Нелогичное значение индекса записи начала чтения", u"(см. значения индексов начала и конца архива).", 0, 0},
        {"100", "", u"Не введено количество записей для чтения", u"", 0, 0},
        {"100", "0", u"Нелогичное значение количества записей для чтения", u"", 0, 0},
        {"100", "000", u"Нелогичное значение количества записей для чтения", u"", 0, 0},
        {"100", "'", u"Нелогичное значение количества записей для чтения", u"", 0, 0},
        {"100", "5", nullptr, nullptr, 100, 5},
        {"1000", "1", nullptr, nullptr, 1000, 1},
        // More than is left up to the newest record: silently reduced.
        {"990", "500", nullptr, nullptr, 990, 11},
        {"1000", "99999999999999999999", nullptr, nullptr, 1000, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.start) + " / " + c.count);
        const EventIndexCheck check = CheckIndexInput(QString::fromLatin1(c.start), QString::fromLatin1(c.count), bounds);
        if (c.line1 == nullptr) {
            ASSERT_TRUE(check.range.has_value());
            EXPECT_EQ(check.range->first, c.first);
            EXPECT_EQ(check.range->count, c.accepted);
        } else {
            EXPECT_FALSE(check.range.has_value());
            EXPECT_EQ(check.line1, QString::fromUtf16(c.line1));
            EXPECT_EQ(check.line2, QString::fromUtf16(c.line2));
        }
    }
}

TEST(EventIndexChoices, CountOverTheWholeIndexSpaceDoesNotWrapToZero) {
    const EventIndexCheck check =
        CheckIndexInput(QStringLiteral("0"), QStringLiteral("4294967295"), {0, 0xFFFFFFFFu});
    ASSERT_TRUE(check.range.has_value());
    EXPECT_EQ(check.range->count, 0xFFFFFFFFu);
}

TEST(EventPeriodChoices, ItemsFillStartAndEnd) {
    struct Case {
        const char* what;
        EventPeriodChoice choice;
        PackedDate now;
        const char* start;
        const char* end;
    };
    const EventPeriod custom{D(1, 3, 8, 12, 37, 1), D(2, 3, 8, 8, 5, 59)};
    const Case cases[] = {
        {"last hour", EventPeriodChoice::LastHour, D(15, 6, 24, 14, 20, 5), "15.06.24 13:20:05", "15.06.24 14:20:05"},
        {"last hour after midnight, leap year", EventPeriodChoice::LastHour, D(1, 3, 24, 0, 20, 5), "29.02.24 23:20:05", "01.03.24 00:20:05"},
        {"last hour after midnight", EventPeriodChoice::LastHour, D(1, 3, 25, 0, 20, 5), "28.02.25 23:20:05", "01.03.25 00:20:05"},
        {"last hour on new year", EventPeriodChoice::LastHour, D(1, 1, 25, 0, 0, 0), "31.12.24 23:00:00", "01.01.25 00:00:00"},
        {"last day", EventPeriodChoice::LastDay, D(1, 5, 25, 9, 8, 7), "30.04.25 09:08:07", "01.05.25 09:08:07"},
        {"custom", EventPeriodChoice::Custom, D(1, 5, 25, 9, 8, 7), "01.03.08 12:37:01", "02.03.08 08:05:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const EventPeriod period = PeriodForChoice(c.choice, c.now, custom);
        EXPECT_EQ(Text(period.start), c.start);
        EXPECT_EQ(Text(period.end), c.end);
    }
}

TEST(EventPeriodChoices, AcceptChecksInTheirOrder) {
    struct Case {
        const char* what;
        int sh, sm, ss, eh, em, es;
        PackedDate endDate;
        const char16_t* line1;  // null: accepted
    };
    const PackedDate day = D(10, 3, 8, 0, 0, 0);
    const Case cases[] = {
        {"start hour", 24, 60, 60, 24, 60, 60, day, u"Значение часа начала диапазона"},
        {"start minutes", 23, 60, 60, 24, 60, 60, day, u"Значение минут начала диапазона"},
        {"start seconds", 23, 59, 60, 24, 60, 60, day, u"Значение секунд начала диапазона"},
        {"end hour", 23, 59, 59, 24, 60, 60, day, u"Значение часа конца диапазона"},
        {"end minutes", 23, 59, 59, 23, 60, 60, day, u"Значение минут конца диапазона"},
        {"end seconds", 23, 59, 59, 23, 59, 60, day, u"Значение секунд конца диапазона"},
        {"empty box", 10, -1, 0, 10, 0, 0, day, u"Значение минут начала диапазона"},
        {"end one second earlier", 10, 20, 30, 10, 20, 29, day, u"Дата и время конца опроса должны быть"},
        {"end a day earlier", 10, 0, 0, 23, 0, 0, D(9, 3, 8, 0, 0, 0), u"Дата и время конца опроса должны быть"},
        {"end equal to start", 10, 20, 30, 10, 20, 30, day, nullptr},
        {"end a second later", 10, 20, 30, 10, 20, 31, day, nullptr},
        {"end next day earlier hour", 23, 0, 0, 1, 0, 0, D(11, 3, 8, 0, 0, 0), nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EventPeriodInput input;
        input.startDate = day;
        input.startHour = c.sh, input.startMinute = c.sm, input.startSecond = c.ss;
        input.endDate = c.endDate;
        input.endHour = c.eh, input.endMinute = c.em, input.endSecond = c.es;
        const EventPeriodCheck check = CheckPeriodInput(input);
        if (c.line1 == nullptr) {
            ASSERT_TRUE(check.period.has_value());
            EXPECT_EQ(Text(check.period->start), Text(D(10, 3, 8, c.sh, c.sm, c.ss)));
            EXPECT_EQ(Text(check.period->end),
                      Text(D(c.endDate.Day, c.endDate.Month, c.endDate.Year, c.eh, c.em, c.es)));
        } else {
            EXPECT_FALSE(check.period.has_value());
            EXPECT_EQ(check.line1, QString::fromUtf16(c.line1));
            EXPECT_EQ(check.line2, QString::fromUtf16(c.line1[0] == u'Д' ? u"больше даты и времени начала опроса"
                                                                           : u"вне допустимого диапазона"));
        }
    }
}
