#include <gtest/gtest.h>

#include <QString>
#include <string>

#include "common/NumericKeyRules.h"

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
