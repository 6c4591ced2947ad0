#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>

#include "common/NumberFormat.h"
#include "link/ModemDialogue.h"
#include "common/PackedDate.h"
#include "common/NumericKeyRules.h"
#include "common/ArchiveReading.h"
#include "common/MessageKind.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

struct KeyCase {
    const char* text;
    int caret;  // -1: at the end
    char16_t key;
    char16_t expected;  // 0: swallowed
};

std::ostream& operator<<(std::ostream& os, const KeyCase& c) {
    return os << '"' << c.text << "\" caret " << c.caret << " key '"
              << QString(QChar(c.key)).toStdString() << "'";
}

QChar ApplyFilter(QChar (*filter)(const QString&, int, QChar), const KeyCase& c) {
    const QString text = QString::fromUtf8(c.text);
    return filter(text, c.caret == -1 ? int(text.size()) : c.caret, QChar(c.key));
}

}  // namespace

TEST(IntKeyFilter, LetsThroughDigitsBackspacePercentAndQuoteOnly) {
    for (char16_t c = 0; c < 0x500; ++c) {
        const bool allowed = (c >= u'0' && c <= u'9') || c == u'\b' || c == u'%' || c == u'\'';
        const QChar out = IntKeyFilter(QStringLiteral("12"), 1, QChar(c));
        if (allowed)
            EXPECT_EQ(out, QChar(c)) << int(c);
        else
            EXPECT_TRUE(out.isNull()) << int(c);
    }
}

TEST(FloatKeyFilter, Rules) {
    const KeyCase cases[] = {
        // 1: backspace, '%' and '\'' always pass
        {"1e-05", -1, u'\b', u'\b'},
        {"", 0, u'%', u'%'},
        {"1.5e+03", 2, u'\'', u'\''},
        // 2: ',' becomes '.'
        {"12", -1, u',', u'.'},
        {"12", -1, u'.', u'.'},
        // 3: anything else is swallowed
        {"12", -1, u'a', 0},
        {"12", -1, u'E', 0},
        {"12", -1, u' ', 0},
        {"12", -1, u'ж', 0},
        {"12", -1, u'*', 0},
        // 4: digits in the exponent: 2 places, 3 with a sign
        {"1e5", -1, u'7', u'7'},
        {"1e55", -1, u'7', 0},
        {"1e55", 1, u'7', u'7'},   // before the 'e' there is no limit
        {"1e55", 0, u'7', u'7'},
        {"1e+5", -1, u'7', u'7'},
        {"1e+55", -1, u'7', 0},
        {"-1e5", -1, u'7', u'7'},  // a leading minus is not an exponent sign
        {"-1e55", -1, u'7', 0},
        {"-1e-55", -1, u'7', 0},
        {"-1e-5", -1, u'7', u'7'},
        {"123456789", -1, u'0', u'0'},
        // 5: 'e' once, only at the end of a non-empty text
        {"", 0, u'e', 0},
        {"1.5", -1, u'e', u'e'},
        {"1.5", 1, u'e', 0},
        {"1e5", -1, u'e', 0},
        // 6: one decimal separator, never in the exponent
        {"1.5", -1, u'.', 0},
        {"1.5", 0, u',', 0},
        {"15", 1, u',', u'.'},
        {"1e5", -1, u'.', 0},
        {"1e5", 2, u'.', 0},  // caret right after the 'e'
        {"1e5", 1, u'.', u'.'},  // caret right before it
        {"1e5", 0, u'.', u'.'},
        // 7: '-' at the start once, or right after the 'e' once
        {"", 0, u'-', u'-'},
        {"15", 0, u'-', u'-'},
        {"-15", 0, u'-', 0},
        {"15", 1, u'-', 0},
        {"15", -1, u'-', 0},
        {"1e", -1, u'-', u'-'},
        {"1e5", 2, u'-', u'-'},
        {"1e+", -1, u'-', 0},
        {"1e-", -1, u'-', 0},
        {"-1e", -1, u'-', u'-'},  // the leading minus does not count
        {"1e5", -1, u'-', 0},
        // 8: '+' only right after the 'e' and only once
        {"", 0, u'+', 0},
        {"15", 0, u'+', 0},
        {"1e", -1, u'+', u'+'},
        {"-1e", -1, u'+', u'+'},
        {"1e-", -1, u'+', 0},
        {"1e-5", 2, u'+', 0},
        {"1e5", -1, u'+', 0},
        // a caret outside the text is taken as its end or start
        {"1.5", 99, u'e', u'e'},
        {"15", -7, u'-', u'-'},
    };
    for (const KeyCase& c : cases) {
        const QChar out = ApplyFilter(FloatKeyFilter, c);
        EXPECT_EQ(out.unicode(), c.expected) << c;
    }
}

TEST(FloatKeyFilter, ExponentTakesSignAndTwoDigitsThenRefusesAThird) {
    QString text = QStringLiteral("1.5e");
    for (const char16_t key : {u'-', u'0', u'7'}) {
        const QChar out = FloatKeyFilter(text, int(text.size()), QChar(key));
        ASSERT_EQ(out, QChar(key)) << text.toStdString();
        text += out;
    }
    EXPECT_EQ(text, QStringLiteral("1.5e-07"));
    EXPECT_TRUE(FloatKeyFilter(text, int(text.size()), QChar(u'1')).isNull());
    // The mantissa can still grow.
    EXPECT_EQ(FloatKeyFilter(text, 1, QChar(u'2')), QChar(u'2'));
}

TEST(FloatKeyFilter, TypingAWholeNumberKeystrokeByKeystroke) {
    // Every keystroke at the end, as a user types; the filter's output is
    // appended. Rejected keys leave the text unchanged.
    struct Typing {
        const char* keys;
        const char* result;
    } cases[] = {
        {"-12,5e+03", "-12.5e+03"},
        {"1..2", "1.2"},
        {"e1e", "1e"},
        {"1e-0099", "1e-00"},
        {"1e99+", "1e99"},
        {"--1", "-1"},
        {"3.14x", "3.14"},
    };
    for (const Typing& t : cases) {
        QString text;
        for (const char* k = t.keys; *k != 0; ++k) {
            const QChar out = FloatKeyFilter(text, int(text.size()), QChar(char16_t(*k)));
            if (!out.isNull())
                text += out;
        }
        EXPECT_EQ(text.toStdString(), t.result) << t.keys;
    }
}

TEST(IsBadFloat, OnlyAllOnesExponent) {
    EXPECT_TRUE(IsBadFloat(std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(IsBadFloat(-std::numeric_limits<float>::infinity()));
    EXPECT_TRUE(IsBadFloat(std::numeric_limits<float>::quiet_NaN()));
    uint32_t bits = 0xFF800001u;  // a signalling NaN pattern, negative
    float raw;
    std::memcpy(&raw, &bits, sizeof raw);
    EXPECT_TRUE(IsBadFloat(raw));

    EXPECT_FALSE(IsBadFloat(0.0f));
    EXPECT_FALSE(IsBadFloat(-0.0f));
    EXPECT_FALSE(IsBadFloat(std::numeric_limits<float>::max()));
    EXPECT_FALSE(IsBadFloat(std::numeric_limits<float>::denorm_min()));
    bits = 0x7F7FFFFFu;  // exponent 0xFE: the largest finite value
    std::memcpy(&raw, &bits, sizeof raw);
    EXPECT_FALSE(IsBadFloat(raw));
}

TEST(FormatFloatValue, DecimalsFollowTheMagnitude) {
    struct Case {
        float value;
        const char* text;
    } cases[] = {
        {12.3456f, "12.346"},
        {0.00005f, "0.00005"},
        {1e-7f, "1.0000e-07"},
        {-1e-7f, "-1.0000e-07"},
        {9.5e-7f, "9.5000e-07"},
        {1e-6f, "1.0000e-06"},  // 1e-6f lies just under 1e-6
        {2e-6f, "0.00000"},
        {0.000099f, "0.00010"},
        {0.0001f, "0.00010"},    // 1e-4f lies just under 1e-4
        {0.00011f, "0.0001"},
        {9.5f, "9.5000"},
        {-9.5f, "-9.5000"},
        {10.0f, "10.000"},
        {99.5f, "99.500"},
        {100.0f, "100.00"},
        {999.5f, "999.50"},
        {1000.0f, "1000.0"},
        {9999.5f, "9999.5"},
        {10000.0f, "10000"},
        {-123456.0f, "-123456"},
        {16777216.0f, "16777216"},
        {12.3455f, "12.345"},  // the float is 12.34549999..., rounded once
        {0.5f, "0.5000"},
        {1e10f, "1.000000000e+10"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(FormatFloatValue(c.value).toStdString(), c.text) << c.value;
}

TEST(FormatFloatValue, ZeroAndBadValues) {
    EXPECT_EQ(FormatFloatValue(0.0f), QStringLiteral("0"));
    EXPECT_EQ(FormatFloatValue(-0.0f), QStringLiteral("0"));
    EXPECT_EQ(FormatFloatValue(std::numeric_limits<float>::quiet_NaN()), QStringLiteral("NAN"));
    EXPECT_EQ(FormatFloatValue(std::numeric_limits<float>::infinity()), QStringLiteral("NAN"));
    EXPECT_EQ(FormatFloatValue(-std::numeric_limits<float>::infinity()), QStringLiteral("NAN"));
}

TEST(FormatFloatValue, SeparatorIsAPointInAnyLocale) {
    // Russian and German write a decimal comma.
    const QLocale previousDefault;
    for (const QLocale::Language language : {QLocale::Russian, QLocale::German}) {
        QLocale::setDefault(QLocale(language));
        EXPECT_EQ(FormatFloatValue(-12.3456f), QStringLiteral("-12.346")) << int(language);
        EXPECT_EQ(FormatFloatValue(1e-7f), QStringLiteral("1.0000e-07")) << int(language);
        EXPECT_EQ(FormatFloatValue(12345.6f), QStringLiteral("12346")) << int(language);
    }
    QLocale::setDefault(previousDefault);
    // The C library's locale must not matter either, where such locales exist.
    const char* previous = std::setlocale(LC_NUMERIC, nullptr);
    const std::string saved = previous ? previous : "C";
    for (const char* name : {"ru_RU.UTF-8", "de_DE.UTF-8", "C.UTF-8"}) {
        if (std::setlocale(LC_NUMERIC, name) == nullptr)
            continue;
        EXPECT_EQ(FormatFloatValue(12.3456f), QStringLiteral("12.346")) << name;
        EXPECT_EQ(FormatFloatValue(1e-7f), QStringLiteral("1.0000e-07")) << name;
    }
    std::setlocale(LC_NUMERIC, saved.c_str());
}

TEST(HoursBetween, CalendarBoundaries) {
    struct Case {
        uint8_t a[4];
        uint8_t b[4];
        int32_t hours;
    } cases[] = {
        {{24, 5, 10, 3}, {24, 5, 10, 3}, 0},
        {{24, 5, 10, 3}, {24, 5, 10, 23}, 20},
        {{24, 5, 10, 23}, {24, 5, 11, 0}, 1},
        {{24, 5, 11, 0}, {24, 5, 10, 23}, -1},       // backwards
        {{23, 1, 31, 10}, {23, 2, 1, 10}, 24},       // month end
        {{23, 2, 28, 0}, {23, 3, 1, 0}, 24},         // no 29 February in 2023
        {{24, 2, 28, 0}, {24, 3, 1, 0}, 48},         // leap year
        {{0, 2, 28, 0}, {0, 3, 1, 0}, 48},           // 2000 is a leap year
        {{23, 12, 31, 23}, {24, 1, 1, 0}, 1},        // year end
        {{23, 1, 1, 0}, {24, 1, 1, 0}, 365 * 24},
        {{24, 1, 1, 0}, {25, 1, 1, 0}, 366 * 24},
        {{24, 4, 30, 6}, {24, 5, 31, 6}, 31 * 24},
        {{99, 12, 31, 23}, {100, 1, 1, 0}, 1},       // 2099 -> 2100, not a leap year
        {{100, 2, 28, 12}, {100, 3, 1, 12}, 24},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(HoursBetween(c.a, c.b), c.hours)
            << int(c.a[0]) << '-' << int(c.a[1]) << '-' << int(c.a[2]) << ' ' << int(c.a[3]) << " -> "
            << int(c.b[0]) << '-' << int(c.b[1]) << '-' << int(c.b[2]) << ' ' << int(c.b[3]);
    }
}

TEST(HoursBetween, StampsThatAreNoTimeGiveZero) {
    const uint8_t good[4] = {24, 5, 10, 3};
    const uint8_t bad[][4] = {
        {24, 0, 10, 3}, {24, 13, 10, 3}, {24, 5, 0, 3}, {24, 4, 31, 3},
        {23, 2, 29, 3}, {24, 5, 10, 24}, {255, 255, 255, 255},
    };
    for (const auto& b : bad) {
        EXPECT_EQ(HoursBetween(good, b), 0);
        EXPECT_EQ(HoursBetween(b, good), 0);
    }
    EXPECT_EQ(HoursBetween(nullptr, good), 0);
}

TEST(PeriodLength, HoursAsTheyAreDaysAndMonthsAtLeastOne) {
    const uint8_t from[4] = {24, 1, 1, 0};
    struct Case {
        uint8_t to[4];
        int32_t kind;
        int32_t length;
    } cases[] = {
        {{24, 1, 2, 5}, PeriodHours, 29},
        {{24, 1, 1, 0}, PeriodHours, 0},
        {{23, 12, 31, 22}, PeriodHours, -2},
        {{24, 1, 1, 0}, PeriodDays, 1},
        {{24, 1, 1, 23}, PeriodDays, 1},
        {{24, 1, 11, 0}, PeriodDays, 10},
        {{24, 3, 1, 0}, PeriodDays, 60},  // January 31 + February 29
        {{23, 12, 20, 0}, PeriodDays, 1},
        {{24, 1, 20, 0}, PeriodMonths, 1},
        {{24, 3, 1, 0}, PeriodMonths, 2},
        {{25, 1, 1, 0}, PeriodMonths, 12},  // 366 days / 30
        {{24, 3, 1, 0}, 3, 1},
        {{24, 3, 1, 0}, -1, 1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(PeriodLength(from, c.to, c.kind), c.length)
            << "kind " << c.kind << " to " << int(c.to[0]) << '-' << int(c.to[1]) << '-' << int(c.to[2]);
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

TEST(MessageLookFor, EveryKind) {
    const QString a = QStringLiteral("первая");
    const QString b = QStringLiteral("вторая");
    const QString datesLine1 = QStringLiteral("За время работы оператора изменились даты");
    const QString datesLine2 = QStringLiteral("самой старой  и последней записей в архиве.");
    struct Case {
        int kind;
        QString caption, line1, line2, line3;
        bool question;
    } cases[] = {
        {1, QStringLiteral("Ошибка"), a, b, {}, false},
        {2, QStringLiteral("Ошибка ввода параметров"), a, b, {}, false},
        {3, {}, a, b, {}, true},
        {4, {}, a, b, QStringLiteral("(см. текущее состояние контроллера)"), false},
        {5, QStringLiteral("Результат обмена с устройством"), a, b, {}, false},
        {6, {}, a, b, {}, false},
        {7, {}, a, b, QStringLiteral("Повторить попытку?"), true},
        {9, {}, datesLine1, datesLine2, a, false},
        {10, {}, datesLine1, datesLine2, a, true},
        {0, {}, a, b, {}, false},
        {8, {}, a, b, {}, false},
        {-5, {}, a, b, {}, false},
    };
    for (const Case& c : cases) {
        const MessageLook look = MessageLookFor(MessageKind(c.kind), a, b);
        EXPECT_EQ(look.Caption, c.caption) << c.kind;
        EXPECT_EQ(look.Line1, c.line1) << c.kind;
        EXPECT_EQ(look.Line2, c.line2) << c.kind;
        EXPECT_EQ(look.Line3, c.line3) << c.kind;
        EXPECT_EQ(look.Question, c.question) << c.kind;
    }
}

TEST(ConnectionState, StartsClearedAndIsShared) {
    const ConnectionState fresh;
    EXPECT_FALSE(fresh.Connected || fresh.DisconnectAfterWrite || fresh.MoistureMeterPresent ||
                 fresh.HexaneInList);
    const ArchiveReadingState reading;
    EXPECT_FALSE(reading.InProgress || reading.AbortRequested);
    EXPECT_EQ(fresh.Link, nullptr);
    EXPECT_EQ(fresh.LinkInfoBar, nullptr);
    EXPECT_EQ(fresh.ModemBar, nullptr);
    EXPECT_EQ(&Shared(), &Shared());
}
