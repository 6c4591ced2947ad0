#include <gtest/gtest.h>

#include <cstring>
#include <limits>
#include <vector>

#include "live/MomentaryData.h"
#include "QtPrinters.h"

using namespace zmk;

namespace {

QString U(const char* text) { return QString::fromUtf8(text); }

void PutFloat(std::vector<uint8_t>& table, int field, float value) {
    std::memcpy(table.data() + field * 4, &value, 4);
}

// Table 30 with the given poll time and parameter i = 10 + i / 8 (exact in binary).
std::vector<uint8_t> Chromatograph() {
    std::vector<uint8_t> t(22 * 4, 0);
    const uint8_t time[8] = {26, 12, 11, 99, 9, 5, 7, 99};
    std::memcpy(t.data(), time, 8);
    for (int p = 0; p < 20; ++p) PutFloat(t, 2 + p, 10.0f + float(p) / 8);
    return t;
}

ReportFormat Digits(int each) {
    ReportFormat f = DefaultReportFormat();
    std::memset(f.ParameterDigits, each, sizeof f.ParameterDigits);
    return f;
}

}  // namespace

TEST(AbnormalFlags, WordsFollowTheControllerByteOrder) {
    uint8_t t[18];
    for (int i = 0; i < 18; ++i) t[i] = uint8_t(i);
    uint8_t kept[18];
    std::memcpy(kept, t, 18);
    OrderAbnormalFlagWords(t, 1);  // low byte first, as the PC keeps it: nothing moves
    EXPECT_EQ(0, std::memcmp(t, kept, 18));

    OrderAbnormalFlagWords(t, 0);
    for (int i = 0; i < 18; ++i) {
        const int expected = i == 12 ? 13 : i == 13 ? 12 : i == 16 ? 17 : i == 17 ? 16 : i;
        EXPECT_EQ(t[i], expected) << "byte " << i;
    }
}

TEST(AbnormalFlags, TimeFlagsAndLinks) {
    const uint8_t t[18] = {26, 3, 9, 14, 5, 0, 0, 2, 0, 1, 0};
    EXPECT_EQ(AbnormalFlagsTimeText(t), U("09.03.26  14:05:00"));

    EXPECT_EQ(AbnormalFlagText(t[SelfDiagnosticFlagField]), (ColouredText{U("Есть"), RedText}));
    EXPECT_EQ(AbnormalFlagText(t[FlowComputerFlagField]), (ColouredText{U("Норма"), BlackText}));
    EXPECT_EQ(AbnormalFlagText(t[ChromatographFlagField]), (ColouredText{U("Есть"), RedText}));
    EXPECT_EQ(AbnormalFlagText(255), (ColouredText{U("Есть"), RedText}));

    EXPECT_EQ(AnalyserLinkText(0), (ColouredText{U("Связи нет"), RedText}));
    EXPECT_EQ(AnalyserLinkText(1), (ColouredText{U("Норма"), BlackText}));
    EXPECT_EQ(AnalyserLinkText(0x80), (ColouredText{U("Норма"), BlackText}));

    EXPECT_EQ(FunctionText(0), U("Невозможно"));
    EXPECT_EQ(FunctionText(7), U("Возможно"));
}

TEST(MomentaryValues, FixedPointWithDecimalsAndTheUnshowable) {
    struct Case {
        float value;
        int decimals;
        const char* text;
    };
    const Case cases[] = {
        {0.5f, 4, "0.5000"},
        {92.123456f, 3, "92.123"},
        {-12.75f, 1, "-12.8"},
        {0.0f, 2, "0.00"},
        {7.0f, 0, "7"},
        // The float's binary tail does not show beyond 10 significant digits
        // (12345.678f is 12345.677734375).
        {0.1f, 7, "0.1000000"},
        {12345.678f, 7, "12345.6777300"},
    };
    for (const Case& c : cases) EXPECT_EQ(FixedValueText(c.value, c.decimals, "?"), U(c.text)) << c.text;

    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    EXPECT_EQ(FixedValueText(nan, 2, "?"), U("?"));
    EXPECT_EQ(FixedValueText(inf, 2, "?"), U("?"));
    EXPECT_EQ(FixedValueText(-inf, 2, "  ?"), U("  ?"));
    EXPECT_EQ(FixedValueText(3e12f, 2, "?"), U("3.000000053E+12"));  // 3000000053248
}

TEST(ChromatographWindow, RowsValuesAndTheHexaneRule) {
    std::vector<uint8_t> t = Chromatograph();
    PutFloat(t, 2 + 5, std::numeric_limits<float>::quiet_NaN());
    const ReportFormat f = Digits(2);
    EXPECT_EQ(PollTimeText(t.data()), U("11.12.26 09:05:07"));

    for (int p = 0; p < ShownGasParameters; ++p) {
        const QString expected = p == 5 ? U("?") : QString::number(10.0 + p / 8.0, 'f', 2);
        EXPECT_EQ(GasParameterValueText(t.data(), p, true, f), expected) << p;
    }
    // Hexane out of the list: "--" and a grey name; its value is not looked at.
    EXPECT_EQ(GasParameterValueText(t.data(), HexaneParameter, false, f), U("--"));
    EXPECT_EQ(GasParameterValueText(t.data(), 12, false, f), U("11.50"));
    EXPECT_EQ(GasParameterNameColour(HexaneParameter, false), GreyText);
    EXPECT_EQ(GasParameterNameColour(HexaneParameter, true), BlackText);
    EXPECT_EQ(GasParameterNameColour(13, false), BlackText);

    // Each parameter its own decimals.
    ReportFormat mixed = Digits(1);
    mixed.ParameterDigits[12] = 4;
    EXPECT_EQ(GasParameterValueText(t.data(), 12, true, mixed), U("11.5000"));
    EXPECT_EQ(GasParameterValueText(t.data(), 11, true, mixed), U("11.4"));
}

TEST(ChromatographWindow, RowNamesAndUnits) {
    EXPECT_EQ(GasParameterRowName(8), U(" Молярная доля метана (CH4), %"));
    EXPECT_EQ(GasParameterRowName(0), U(" Суммарная молярная доля гексана и б.т.с., %"));
    EXPECT_EQ(GasParameterUnit(12), U("кг/м3"));
    EXPECT_EQ(GasParameterUnit(16), U("МДж/м3"));
    EXPECT_EQ(GasParameterUnit(17), U("°С"));
    EXPECT_EQ(GasParameterUnit(18), U(" "));
    EXPECT_TRUE(GasParameterRowName(17).endsWith(U(", °С")));
}

TEST(ChromatographWindow, Zones) {
    struct Case {
        int parameter;
        uint8_t zone;
        bool hexane;
        const char* text;
        uint32_t colour;
    };
    const Case cases[] = {
        {0, 0, true, " Норма", BlackText},
        {3, 1, true, " Нижняя предупредительная зона", DarkRedText},
        {3, 2, true, " Верхняя предупредительная зона", DarkRedText},
        {3, 3, true, " Нижняя аварийная зона", RedText},
        {3, 4, true, " Верхняя аварийная зона", RedText},
        {3, 5, true, "?", GreenText},
        {3, 7, true, "?", GreenText},
        {3, 255, true, "?", GreenText},
        {14, 3, true, " Нижняя аварийная зона", RedText},
        {14, 3, false, "", BlackText},  // hexane out of the list: not judged
        {17, 4, true, "", BlackText},   // the gas temperature has no zone
    };
    for (const Case& c : cases) {
        const ColouredText z = GasZoneText(c.parameter, c.zone, c.hexane);
        EXPECT_EQ(z.Text, U(c.text)) << c.parameter << " zone " << int(c.zone);
        EXPECT_EQ(z.Colour, c.colour) << c.parameter << " zone " << int(c.zone);
    }
    EXPECT_EQ(DarkRedText, (114u << 16) | (56u << 8) | 56u);
}

TEST(MoistureWindow, ValuesWithTheirDecimals) {
    std::vector<uint8_t> t(7 * 4, 0);
    const uint8_t time[8] = {26, 1, 2, 0, 23, 59, 58, 0};
    std::memcpy(t.data(), time, 8);
    PutFloat(t, 2, -20.3f);
    PutFloat(t, 3, std::numeric_limits<float>::infinity());
    PutFloat(t, 4, 41.5f);
    PutFloat(t, 5, -12.125f);
    PutFloat(t, 6, 99.0f);  // not shown
    ReportFormat f = DefaultReportFormat();
    f.Format[FmtTemperature] = 1;
    f.Format[FmtPressure] = 3;
    EXPECT_EQ(PollTimeText(t.data()), U("02.01.26 23:59:58"));
    const auto texts = MoistureValueTexts(t.data(), f);
    EXPECT_EQ(texts[0], U("-20.3"));
    EXPECT_EQ(texts[1], U("  ?"));
    EXPECT_EQ(texts[2], U("41.500"));
    EXPECT_EQ(texts[3], U("-12.1"));
    EXPECT_TRUE(MoistureRowNames()[2].startsWith(U(" PV23 – Избыточное давление газа WDP")));
}
