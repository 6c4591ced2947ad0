#include <gtest/gtest.h>

#include <QLocale>
#include <QString>
#include <clocale>
#include <cmath>
#include <cstring>
#include <limits>

#include "common/NumberFormat.h"

using namespace zmk;

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
