// The basic tables as the program reads and fills them: the controller's
// clock against the computer's and its correction, the day byte of the
// clock-change rules, the identification texts and the controller's name.
#include <gtest/gtest.h>

#include <QString>
#include <array>
#include <vector>

#include "QtPrinters.h"
#include "common/PackedDate.h"
#include "tables/ClockChangeRule.h"
#include "tables/ControllerClock.h"
#include "tables/ControllerName.h"
#include "tables/Identification.h"

using namespace zmk;

namespace {

PackedDate D(int day, int month, int year, int hour = 0, int minute = 0, int second = 0) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

// Table 6 with summer time from the last Sunday of March at 2 h and winter
// time from the last Sunday of October at 3 h.
const std::array<uint8_t, 12> LastSundays = {3, 0xC9, 2, 10, 0xC9, 3, 10, 1, 1, 1, 0, 0};

// --- clock correction ------------------------------------------------------

TEST(ClockCorrection, NeverLeavesTheControllersHour) {
    struct Case {
        const char* name;
        PackedDate controller;
        PackedDate computer;
        int seconds;
    };
    const Case cases[] = {
        {"behind, across the hour: to the next hour's start", D(15, 3, 26, 12, 58, 30), D(15, 3, 26, 13, 0, 10), 90},
        {"behind within the hour", D(15, 3, 26, 12, 10, 0), D(15, 3, 26, 12, 12, 30), 150},
        {"ahead, across the hour: back to its hour's start", D(15, 3, 26, 13, 5, 0), D(15, 3, 26, 12, 59, 0), -300},
        {"ahead within the hour", D(15, 3, 26, 12, 30, 0), D(15, 3, 26, 12, 29, 0), -60},
        {"equal", D(15, 3, 26, 12, 30, 7), D(15, 3, 26, 12, 30, 7), 0},
        {"behind across the year", D(31, 12, 25, 23, 59, 50), D(1, 1, 26, 0, 0, 5), 10},
        {"a day ahead, same hour of day", D(2, 1, 26, 10, 20, 30), D(1, 1, 26, 10, 20, 30), -1230},
        {"a month behind, same day and hour", D(15, 2, 26, 10, 0, 0), D(15, 3, 26, 10, 30, 0), 3600},
    };
    for (const Case& c : cases) EXPECT_EQ(ClockCorrection(c.controller, c.computer), c.seconds) << c.name;
}

TEST(ClockCorrection, ClocksLaterBy) {
    EXPECT_EQ(LaterBy(D(31, 12, 25, 23, 59, 58), 3), D(1, 1, 26, 0, 0, 1));
    EXPECT_EQ(LaterBy(D(28, 2, 24, 23, 59, 59), 1), D(29, 2, 24, 0, 0, 0));
    EXPECT_EQ(LaterBy(D(15, 3, 26, 12, 0, 0), 0), D(15, 3, 26, 12, 0, 0));
    // A correction worked out a few seconds after the reading: the same
    // difference within the hour, the next hour's start once one clock has
    // passed into it.
    const PackedDate controller = D(15, 3, 26, 12, 59, 50);
    const PackedDate computer = D(15, 3, 26, 12, 59, 58);
    EXPECT_EQ(ClockCorrection(LaterBy(controller, 1), LaterBy(computer, 1)), 8);
    EXPECT_EQ(ClockCorrection(LaterBy(controller, 5), LaterBy(computer, 5)), 5);
}

// The computer's clock counts whole seconds like the controller's: 12:30:09.9
// is 12:30:09, not 12:30:10.
TEST(ClockCorrection, ComputerClockDropsTheFraction) {
    const DateTimeValue at = ToDateTime(D(15, 3, 26, 12, 30, 9));
    EXPECT_EQ(ComputerClockTime(at), D(15, 3, 26, 12, 30, 9));
    EXPECT_EQ(ComputerClockTime(at + 0.9 / 86400), D(15, 3, 26, 12, 30, 9));
    EXPECT_EQ(ComputerClockTime(at + 0.5 / 86400), D(15, 3, 26, 12, 30, 9));
    EXPECT_EQ(ComputerClockTime(at - 0.1 / 86400), D(15, 3, 26, 12, 30, 8));
    EXPECT_EQ(ComputerClockTime(ToDateTime(D(31, 12, 25, 23, 59, 59)) + 0.99 / 86400), D(31, 12, 25, 23, 59, 59));
}

TEST(ClockCorrection, BodyIsSignedLowByteFirst) {
    uint8_t body[2];
    CorrectionBody(-300, body);
    EXPECT_EQ(body[0], 0xD4);
    EXPECT_EQ(body[1], 0xFE);
    CorrectionBody(3600, body);
    EXPECT_EQ(body[0], 0x10);
    EXPECT_EQ(body[1], 0x0E);
}

TEST(ClockCorrection, OnlyARealDateIsCorrected) {
    EXPECT_TRUE(ClockCorrectable(D(29, 2, 24, 23, 59, 59)));
    EXPECT_FALSE(ClockCorrectable(D(29, 2, 25, 12)));
    EXPECT_FALSE(ClockCorrectable(D(15, 13, 26, 12)));
    EXPECT_FALSE(ClockCorrectable(D(15, 3, 26, 30)));
    EXPECT_FALSE(ClockCorrectable(D(15, 3, 26, 12, 60)));
    EXPECT_FALSE(ClockCorrectable(D(0, 3, 26, 12)));
    EXPECT_FALSE(ClockCorrectable(D(15, 3, 150, 12)));
}

// --- what the date and time window shows in red -----------------------------

TEST(ClockComparison, EachDifferingValueAndTimeKindsNotBytes) {
    // 15.03.26 is a Sunday in winter time under the last-Sunday rules.
    const PackedDate now = D(15, 3, 26, 12, 30, 0);
    const ClockReading pc = ComputerClock(now, LastSundays.data());
    ASSERT_EQ(pc.weekday, 1);
    ASSERT_TRUE(pc.winter);

    struct Case {
        const char* name;
        std::array<uint8_t, 8> table2;
        bool date, time, weekday, kind, same;
    };
    const Case cases[] = {
        {"all agree, winter written as 0x80", {26, 3, 15, 12, 30, 0, 1, 0x80}, false, false, false, false, true},
        {"winter written as 1 is winter too", {26, 3, 15, 12, 30, 0, 1, 1}, false, false, false, false, true},
        {"summer time differs", {26, 3, 15, 12, 30, 0, 1, 0}, false, false, false, true, true},
        {"a second behind", {26, 3, 15, 12, 29, 59, 1, 0x80}, false, true, false, false, false},
        {"another day", {26, 3, 14, 12, 30, 0, 7, 0x80}, true, false, true, false, false},
        {"another year only", {25, 3, 15, 12, 30, 0, 1, 0x80}, true, false, false, false, false},
        {"weekday 9", {26, 3, 15, 12, 30, 0, 9, 0x80}, false, false, true, false, true},
        {"month 13, hour 30", {26, 13, 15, 30, 30, 0, 1, 0x80}, true, true, false, false, false},
    };
    for (const Case& c : cases) {
        const ClockDifferences d = CompareClocks(ControllerClock(c.table2.data()), pc);
        EXPECT_EQ(d.date, c.date) << c.name;
        EXPECT_EQ(d.time, c.time) << c.name;
        EXPECT_EQ(d.weekday, c.weekday) << c.name;
        EXPECT_EQ(d.kind, c.kind) << c.name;
        EXPECT_EQ(d.sameToTheSecond, c.same) << c.name;
    }
}

TEST(ClockComparison, TextsShowOutOfRangeValuesAsTheyAre) {
    EXPECT_EQ(ClockDateText(D(5, 3, 8)), QStringLiteral("05.03.08"));
    EXPECT_EQ(ClockTimeText(D(5, 3, 8, 7, 4, 9)), QStringLiteral("07:04:09"));
    EXPECT_EQ(ClockDateText(D(40, 13, 26)), QStringLiteral("40.13.26"));
    EXPECT_EQ(ClockTimeText(D(1, 1, 26, 30, 70, 80)), QStringLiteral("30:70:80"));
    EXPECT_EQ(ClockWeekdayText(1), QStringLiteral("Воскресенье"));
    EXPECT_EQ(ClockWeekdayText(7), QStringLiteral("Суббота"));
    EXPECT_EQ(ClockWeekdayText(0), QStringLiteral("?"));
    EXPECT_EQ(ClockWeekdayText(9), QStringLiteral("?"));
    EXPECT_EQ(TimeKindText(false), QStringLiteral("Летнее"));
    EXPECT_EQ(TimeKindText(true), QStringLiteral("Зимнее"));
}

// Whatever rules table 6 holds (a month of 255, a weekday of 0, an hour of
// 255), the computer's time kind is worked out without fault.
TEST(ClockComparison, ComputerClockTakesAnyRules) {
    const PackedDate now = D(15, 3, 26, 12, 30, 0);
    for (int month = 0; month < 256; month += 3) {
        for (int day : {0, 0x1F, 0x7F, 0x80, 0x87, 0xC0, 0xC9, 0xFF}) {
            for (int hour : {0, 23, 255}) {
                std::array<uint8_t, 12> t = LastSundays;
                t[0] = t[3] = uint8_t(month);
                t[1] = t[4] = uint8_t(day);
                t[2] = t[5] = uint8_t(hour);
                const ClockReading pc = ComputerClock(now, t.data());
                EXPECT_EQ(pc.weekday, 1);
            }
        }
    }
}

TEST(ClockComparison, WrittenClockCarriesTheComputersKind) {
    struct Case {
        PackedDate now;
        uint8_t weekday;
        uint8_t kind;
    };
    // 2008: the switches fall on 30 March 2 h and 26 October 3 h.
    const Case cases[] = {
        {D(30, 3, 8, 1, 59, 59), 1, 0x80},
        {D(30, 3, 8, 2, 0, 0), 1, 0x00},
        {D(15, 7, 8, 12), 3, 0x00},
        {D(26, 10, 8, 3, 0, 0), 1, 0x80},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 8> table2{};
        FillClockFromComputer(table2.data(), c.now, LastSundays.data());
        EXPECT_EQ(PackedDate::FromBytes(table2.data()), c.now);
        EXPECT_EQ(table2[ClockWeekdayField], c.weekday);
        EXPECT_EQ(table2[ClockKindField], c.kind);
        // Read back, the written clock agrees with the computer in every value.
        const ClockDifferences d =
            CompareClocks(ControllerClock(table2.data()), ComputerClock(c.now, LastSundays.data()));
        EXPECT_FALSE(d.date || d.time || d.weekday || d.kind);
    }
}

// --- the day byte of a clock-change rule ------------------------------------

TEST(ClockChangeDay, ReadsLastSundayAndLastButOneSaturday) {
    EXPECT_TRUE(IsWeekdayRule(201));
    EXPECT_EQ(OrdinalPositionOf(201), LastOrdinal);
    EXPECT_EQ(WeekdayOf(201), 1);
    EXPECT_EQ(OrdinalPositionOf(0xFA), LastButOneOrdinal);
    EXPECT_EQ(WeekdayOf(0xFA), 7);
    EXPECT_FALSE(IsWeekdayRule(25));
    EXPECT_EQ(DayOfMonthOf(25), 25);
}

TEST(ClockChangeDay, OrdinalFromBitsZeroToTwo) {
    struct Case {
        uint8_t day;
        int position;
    };
    const Case cases[] = {
        {0x81, FirstOrdinal}, {0x82, SecondOrdinal}, {0x83, ThirdOrdinal}, {0xC2, LastButOneOrdinal},
        {0xC1, LastOrdinal},  {0x80, -1},            {0x84, -1},           {0x85, -1},
        {0xC3, -1},           {0xC5, -1},            {0xC6, -1},           {0xC0, -1},
    };
    for (const Case& c : cases) EXPECT_EQ(OrdinalPositionOf(c.day), c.position) << int(c.day);
}

TEST(ClockChangeDay, ChoicesKeepTheOtherBits) {
    // "Предпоследний" and "Суббота" chosen on the last Sunday: 0x80 | 0x40 | (7 << 3) | 2.
    EXPECT_EQ(WithWeekday(WithOrdinalPosition(201, LastButOneOrdinal), 7), 250);
    // The way the day is given flips bit 7 alone.
    EXPECT_EQ(WithWeekdayRule(0xC9, false), 0x49);
    EXPECT_EQ(DayOfMonthOf(0x49), 73);
    EXPECT_EQ(WithWeekdayRule(0x49, true), 0xC9);
    // A day of the month goes into bits 0..6 with bit 7 kept.
    EXPECT_EQ(WithDayOfMonth(0x49, 15), 15);
    EXPECT_EQ(WithDayOfMonth(0xC9, 15), 0x8F);
    // A controller byte with bit 2 set loses it when an ordinal is chosen.
    EXPECT_EQ(WithOrdinalPosition(0x8D, ThirdOrdinal), 0x8B);
    EXPECT_EQ(WithOrdinalPosition(0xCD, LastOrdinal), 0xC9);
    EXPECT_EQ(WithOrdinalPosition(0xC9, SecondOrdinal), 0x8A);
}

// Every ordinal and weekday the dialog writes reads back the same, has bit 2
// clear, and falls on the day the date toolkit's summer-time evaluation
// (which reads bits 0..1) finds.
TEST(ClockChangeDay, WrittenRulesMeanTheSameToTheSummerTimeEvaluation) {
    for (int position = 0; position < OrdinalChoices; ++position) {
        for (int weekday = 1; weekday <= 7; ++weekday) {
            const uint8_t day = WithWeekday(WithOrdinalPosition(WithWeekdayRule(0, true), position), weekday);
            EXPECT_EQ(OrdinalPositionOf(day), position);
            EXPECT_EQ(WeekdayOf(day), weekday);
            EXPECT_EQ(day & 0x04, 0) << int(day);
        }
    }
    // March 2008 begins on a Saturday: the second Monday is the 10th, the
    // last but one Saturday the 22nd, the last Sunday the 30th.
    const SummerTimeRule winter{11, 1, 0};
    struct Case {
        int position, weekday, date;
    };
    for (const Case& c : {Case{SecondOrdinal, 2, 10}, Case{LastButOneOrdinal, 7, 22}, Case{LastOrdinal, 1, 30},
                          Case{FirstOrdinal, 7, 1}, Case{ThirdOrdinal, 1, 16}}) {
        const uint8_t day = WithWeekday(WithOrdinalPosition(0x80, c.position), c.weekday);
        const SummerTimeRule summer{3, day, 5};
        EXPECT_EQ(SummerTimeFlag(D(c.date, 3, 8, 5), summer, winter), SummerTime) << c.date;
        EXPECT_EQ(SummerTimeFlag(D(c.date, 3, 8, 4), summer, winter), WinterTime) << c.date;
    }
}

TEST(ClockChangeDay, MonthAndHourLists) {
    struct Case {
        const ClockChangeKind* kind;
        int month;
        int position;
    };
    const Case months[] = {{&SummerChange, 0, 0},  {&SummerChange, 2, 1},  {&SummerChange, 5, 4},
                           {&SummerChange, 1, -1}, {&SummerChange, 7, -1}, {&WinterChange, 9, 1},
                           {&WinterChange, 12, 4}, {&WinterChange, 8, -1}, {&WinterChange, 13, -1}};
    for (const Case& c : months) {
        EXPECT_EQ(ChangeMonthPosition(*c.kind, c.month), c.position) << c.month;
        if (c.position >= 0) {
            EXPECT_EQ(ChangeMonthAt(*c.kind, c.position), c.month);
        }
    }
    EXPECT_EQ(ChangeHourChoices(SummerChange), 23);
    EXPECT_EQ(ChangeHourChoices(WinterChange), 23);
    EXPECT_EQ(ChangeHourPosition(SummerChange, 0), 0);
    EXPECT_EQ(ChangeHourPosition(SummerChange, 22), 22);
    EXPECT_EQ(ChangeHourPosition(SummerChange, 23), -1);
    EXPECT_EQ(ChangeHourPosition(WinterChange, 0), -1);
    EXPECT_EQ(ChangeHourPosition(WinterChange, 1), 0);
    EXPECT_EQ(ChangeHourAt(WinterChange, 22), 23);
    EXPECT_EQ(ChangeHourPosition(WinterChange, 30), -1);
    const int days[] = {0, 0, 28, 31, 30, 31, 0, 0, 0, 30, 31, 30, 31};
    for (int m : {2, 3, 4, 5, 9, 10, 11, 12}) EXPECT_EQ(ChangeMonthDays(m), days[m]) << m;
}

// --- identification ----------------------------------------------------------

std::array<uint8_t, 18> Ident() {
    // no destroyed table, type 73, hardware 2, software 10, 15.03.21 12:00:00,
    // low address low byte, several rates, CP866, address changeable, protocol 3.0.1
    return {0, 73, 2, 10, 21, 3, 15, 12, 0, 0, 1, 1, 0, 0, 3, 0, 1, 0};
}

TEST(Identification, RowsInFullMode) {
    const QList<IdentificationRow> rows = IdentificationRows(Ident().data(), true);
    const QStringList values = {QStringLiteral("73"), QStringLiteral("10"), QStringLiteral("2"),
                                QStringLiteral("15.03.21  12:00:00"), QStringLiteral("Мл. адрес - мл. байт"),
                                QStringLiteral("Разрушенных таблиц нет"), QStringLiteral("Есть"),
                                QStringLiteral("Есть"), QStringLiteral("3.0.1")};
    ASSERT_EQ(rows.size(), values.size());
    for (int i = 0; i < rows.size(); ++i) {
        EXPECT_EQ(rows[i].value, values[i]) << i;
        EXPECT_TRUE(rows[i].shown);
        EXPECT_FALSE(rows[i].alarm);
    }
    EXPECT_EQ(rows[6].label, QStringList({QStringLiteral("Возможность работы на разных"), QStringLiteral("скоростях обмена")}));
    EXPECT_EQ(rows[8].label.size(), 3);
}

TEST(Identification, ValueTexts) {
    struct Case {
        const char* name;
        int field;
        uint8_t value;
        int row;
        const char* text;
        bool alarm;
    };
    const Case cases[] = {
        {"month 13", 5, 13, 3, "15.**.21  12:00:00", false},
        {"year 100", 4, 100, 3, "15.03.**  12:00:00", false},
        {"day 0", 6, 0, 3, "**.03.21  12:00:00", false},
        {"day 32", 6, 32, 3, "**.03.21  12:00:00", false},
        {"hour 24", 7, 24, 3, "15.03.21  **:00:00", false},
        {"minute 60", 8, 60, 3, "15.03.21  12:**:00", false},
        {"second 59", 9, 59, 3, "15.03.21  12:00:59", false},
        {"byte order 0", 10, 0, 4, "Мл. адрес - ст. байт", false},
        {"byte order 2", 10, 2, 4, " ? ", false},
        {"destroyed table 5", 0, 5, 5, "Разрушена таблица 5", true},
        {"one rate", 11, 0, 6, "Нет", false},
        {"fixed address 7", 13, 7, 7, "Нет. Адрес = 7", false},
        {"protocol 12.x", 14, 12, 8, "12.0.1", false},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 18> t = Ident();
        t[size_t(c.field)] = c.value;
        const IdentificationRow row = IdentificationRows(t.data(), true).at(c.row);
        EXPECT_EQ(row.value, QString::fromUtf8(c.text)) << c.name;
        EXPECT_EQ(row.alarm, c.alarm) << c.name;
    }
}

TEST(Identification, NewConfigurationShowsTypeAndVersionOnly) {
    std::array<uint8_t, 18> t = Ident();
    t[0] = 4;  // would be red in full mode
    const QList<IdentificationRow> rows = IdentificationRows(t.data(), false);
    ASSERT_EQ(rows.size(), 9);
    EXPECT_EQ(rows[0].value, QStringLiteral("73"));
    EXPECT_EQ(rows[1].value, QStringLiteral("10"));
    for (int i = 2; i < rows.size(); ++i) {
        EXPECT_FALSE(rows[i].shown) << i;
        EXPECT_TRUE(rows[i].value.isEmpty()) << i;
        EXPECT_FALSE(rows[i].alarm) << i;
    }
}

// --- controller name ---------------------------------------------------------

TEST(ControllerName, WhatTheNameCanHold) {
    struct Case {
        const char* text;
        bool dos;
        const char* refused;
    };
    const Case cases[] = {
        {"ЗМК-10 ГРС №5 ёЁ", true, ""},
        {"«ГРС»", false, ""},
        {"«ГРС» «1»", true, "«»"},  // no such characters in the DOS code page
        {"a€b", false, ""},
        {"a€b", true, "€"},
        {"日本", false, "日本"},
        {"tab\there", false, "\t"},
        {"😀 smile", false, "😀"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(UnstorableNameCharacters(QString::fromUtf8(c.text), c.dos), QString::fromUtf8(c.refused))
            << c.text << (c.dos ? " (DOS)" : "");
}

TEST(ControllerName, PaddedWithSpacesAndShownTrimmed) {
    std::array<uint8_t, NameLength> name{};
    PutNameText(QStringLiteral("ГРС-1"), name.data());
    const uint8_t expected[NameLength] = {0xC3, 0xD0, 0xD1, '-', '1', ' ', ' ', ' ', ' ', ' ',
                                          ' ',  ' ',  ' ',  ' ', ' ', ' ', ' ', ' ', ' ', ' '};
    EXPECT_TRUE(std::equal(name.begin(), name.end(), expected));
    EXPECT_EQ(NameText(name.data()), QStringLiteral("ГРС-1"));

    PutNameText(QStringLiteral("  два  "), name.data());
    EXPECT_EQ(name[0], ' ');
    EXPECT_EQ(NameText(name.data()), QStringLiteral("два"));

    // A text longer than the field is cut; zero bytes read as spaces.
    PutNameText(QStringLiteral("123456789012345678901234"), name.data());
    EXPECT_EQ(NameText(name.data()), QStringLiteral("12345678901234567890"));
    std::array<uint8_t, NameLength> zeros{};
    zeros[0] = 'A';
    EXPECT_EQ(NameText(zeros.data()), QStringLiteral("A"));
}

}  // namespace
