#include <gtest/gtest.h>

#include <QStringList>
#include <bit>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "QtPrinters.h"
#include "tables/GasLimits.h"

namespace zmk {
inline void PrintTo(const InputProblem& p, std::ostream* os) {
    *os << '"' << p.Line1.toStdString() << "\" / \"" << p.Line2.toStdString() << '"';
}
}  // namespace zmk

using namespace zmk;

namespace {

// The published table of limits, row by row as it stands in the controller's
// documentation: default [lowest … highest] /decimals per kind; "*" marks a
// default the documentation leaves open.
const char* const PublishedRows[] = {
#include "GasLimitsPublished.inc"
};

struct PublishedCell {
    bool defaultGiven = false;
    double defaultValue = 0, lowest = 0, highest = 0;
    int decimals = -1;  // -1: not given
};

PublishedCell ParseCell(const QString& text) {
    PublishedCell cell;
    const QString t = text.trimmed();
    const qsizetype open = t.indexOf(QLatin1Char('[')), close = t.indexOf(QLatin1Char(']'));
    const QString head = t.left(open).trimmed();
    cell.defaultGiven = head != QLatin1String("*");
    if (cell.defaultGiven) cell.defaultValue = head.toDouble();
    const QStringList range = t.mid(open + 1, close - open - 1).split(QStringLiteral("…"));
    cell.lowest = range[0].trimmed().toDouble();
    cell.highest = range[1].trimmed().toDouble();
    const qsizetype slash = t.indexOf(QLatin1Char('/'), close);
    if (slash >= 0) cell.decimals = t.mid(slash + 1).trimmed().toInt();
    return cell;
}

float FloatAt(const uint8_t* p) {
    uint32_t bits;
    std::memcpy(&bits, p, 4);  // the test machine is little-endian, like the controller
    return std::bit_cast<float>(bits);
}

TEST(GasLimitRules, MatchThePublishedTable) {
    ASSERT_EQ(std::size(PublishedRows), size_t(LimitedGasParameters));
    for (const char* row : PublishedRows) {
        const QStringList cells = QString::fromUtf8(row).split(QLatin1Char('|'));
        ASSERT_EQ(cells.size(), 9) << row;
        const int p = cells[1].trimmed().toInt();
        const QString unit = cells[2].trimmed().remove(QLatin1Char('"'));
        EXPECT_EQ(GasLimitUnit(p), unit) << row;
        for (int k = 0; k < GasLimitKindCount; ++k) {
            const PublishedCell want = ParseCell(cells[3 + k]);
            const LimitRule& rule = GasLimitRule(GasLimitKind(k), p);
            const std::string where = std::string(row) + " kind " + std::to_string(k);
            EXPECT_EQ(rule.Lowest, float(want.lowest)) << where;
            EXPECT_EQ(rule.Highest, float(want.highest)) << where;
            EXPECT_EQ(QString::fromUtf8(rule.Unit), unit) << where;
            if (want.defaultGiven) {
                EXPECT_EQ(rule.Default, float(want.defaultValue)) << where;
            }
            if (want.decimals >= 0) {
                EXPECT_EQ(int(rule.Decimals), want.decimals) << where;
                EXPECT_EQ(GasLimitDecimals(GasLimitKind(k), p), want.decimals) << where;
            }
        }
    }
}

TEST(GasLimitRules, EveryDefaultLiesInItsRange) {
    // The open defaults included: a new configuration must pass its own dialogs.
    for (int p = 0; p < LimitedGasParameters; ++p)
        for (int k = 0; k < GasLimitKindCount; ++k) {
            const LimitRule& rule = GasLimitRule(GasLimitKind(k), p);
            EXPECT_TRUE(LimitInRange(GasLimitKind(k), p, rule.Default)) << p << " " << k;
            EXPECT_LE(rule.Lowest, rule.Highest) << p << " " << k;
        }
    // Oxygen's lower bound is shown like the other small fractions of its range.
    EXPECT_EQ(GasLimitDecimals(GasLimitKind::LowerBound, 15), 4);
    EXPECT_EQ(GasLimitRule(GasLimitKind::LowerBound, 15).Default, 0.0001f);
    EXPECT_EQ(GasLimitRule(GasLimitKind::LowerWarning, 17).Default, -50.0f);
}

TEST(GasLimitRules, UnusedAndForeignParameters) {
    for (int p : {18, 19})
        for (int k = 0; k < GasLimitKindCount; ++k) {
            const LimitRule& rule = GasLimitRule(GasLimitKind(k), p);
            EXPECT_EQ(rule.Lowest, 0.0f);
            EXPECT_EQ(rule.Highest, 0.0f);
            EXPECT_EQ(rule.Default, 0.0f);
            EXPECT_EQ(int(rule.Decimals), 0);
            EXPECT_STREQ(rule.Unit, "");
            EXPECT_EQ(GasLimitDecimals(GasLimitKind(k), p), 0);
        }
    for (int p : {-1, 20, 255}) {
        EXPECT_EQ(GasLimitDecimals(GasLimitKind::UpperBound, p), -1) << p;
        EXPECT_TRUE(GasLimitUnit(p).isEmpty()) << p;
    }
    EXPECT_EQ(GasLimitDecimals(GasLimitKind(5), 0), -1);
    EXPECT_EQ(GasLimitDecimals(GasLimitKind(-1), 0), -1);
}

// --- the sets in the image and in a configuration record ---------------------

TEST(GasLimitSets, ImageFieldsAreLittleEndianSinglesOfFieldsZeroToSeventeen) {
    ConfigImage image;
    image.bytes.fill(0xEE);
    // Table 24 (upper warning point) field 2 holds 1.0.
    uint8_t* field = image.Field(24, 2);
    const uint8_t one[] = {0x00, 0x00, 0x80, 0x3F};
    std::memcpy(field, one, 4);
    const LimitSets sets = LimitSetsFromImage(image);
    EXPECT_EQ(sets[2][GasLimitKind::UpperWarning], 1.0f);
    // Fields 18 and 19 are never taken.
    EXPECT_EQ(sets[18][GasLimitKind::DeadBand], 0.0f);
    EXPECT_EQ(sets[19][GasLimitKind::UpperBound], 0.0f);

    LimitSets changed = sets;
    changed[17][GasLimitKind::LowerBound] = -50.0f;
    changed[18][GasLimitKind::LowerBound] = 7.0f;  // not stored
    const ConfigImage before = image;
    StoreLimitSets(image, changed);
    const uint8_t minus50[] = {0x00, 0x00, 0x48, 0xC2};
    EXPECT_EQ(std::memcmp(image.Field(25, 17), minus50, 4), 0);
    // Nothing else moved: not field 18, not the neighbouring tables.
    for (size_t i = 0; i < image.bytes.size(); ++i) {
        const size_t field17 = size_t(image.Field(25, 17) - image.bytes.data());
        if (i >= field17 && i < field17 + 4) continue;
        EXPECT_EQ(image.bytes[i], before.bytes[i]) << "byte " << i;
    }
}

TEST(GasLimitSets, StoredBitsComeBackUnchanged) {
    // Values the controller may hold that the program cannot show as numbers
    // are written back bit for bit (a row the user did not edit stays as it was).
    ConfigImage image;
    const uint32_t odd[] = {0x7FC01234u, 0xFF800000u, 0x80000000u, 0x7F7FFFFFu, 0x00000001u};
    for (int k = 0; k < GasLimitKindCount; ++k) std::memcpy(image.Field(22 + k, 3), &odd[k], 4);
    const ConfigImage before = image;
    const LimitSets sets = LimitSetsFromImage(image);
    image.bytes.fill(0);
    StoreLimitSets(image, sets);
    for (int k = 0; k < GasLimitKindCount; ++k)
        EXPECT_EQ(std::memcmp(image.Table(22 + k), before.Table(22 + k), 72), 0) << k;
}

TEST(GasLimitSets, RecordBlocksKeepTheirReservedBytes) {
    std::vector<uint8_t> record(2603, 0x5A);
    uint8_t* blocks = record.data() + RecordGasLimitOffset;
    FillDefaultLimits(blocks, RecordGasLimitBlockSize);
    // The defaults of all 20 parameters, block by block.
    EXPECT_EQ(FloatAt(blocks + 0 * 180 + 0 * 4), 0.01f);           // ЗН of parameter 0
    EXPECT_EQ(FloatAt(blocks + 1 * 180 + 12 * 4), 0.67f);          // НПУ of density
    EXPECT_EQ(FloatAt(blocks + 4 * 180 + 17 * 4), 60.0f);          // ВДП of temperature
    EXPECT_EQ(FloatAt(blocks + 3 * 180 + 19 * 4), 0.0f);           // unused parameter
    for (int k = 0; k < GasLimitKindCount; ++k)
        for (int i = 80; i < 180; ++i) ASSERT_EQ(record[size_t(941 + k * 180 + i)], 0x5A) << k << " " << i;
    EXPECT_EQ(record[940], 0x5A);
    EXPECT_EQ(record[941 + 900], 0x5A);

    LimitSets sets = LimitSetsFromBlocks(blocks, RecordGasLimitBlockSize);
    EXPECT_EQ(sets[8][GasLimitKind::LowerWarning], 95.0f);
    sets[8][GasLimitKind::LowerWarning] = 96.5f;
    StoreLimitSets(sets, blocks, RecordGasLimitBlockSize);
    EXPECT_EQ(FloatAt(blocks + 180 + 8 * 4), 96.5f);
    EXPECT_EQ(LimitSetsFromBlocks(blocks, RecordGasLimitBlockSize)[8][GasLimitKind::LowerWarning], 96.5f);
}

// --- display and input -------------------------------------------------------

TEST(GasLimitValues, ShownWithTheirDecimals) {
    const float inf = std::numeric_limits<float>::infinity();
    const struct {
        GasLimitKind kind;
        int parameter;
        float value;
        const char* text;
    } cases[] = {
        {GasLimitKind::DeadBand, 0, 0.01f, "0.0100"},
        {GasLimitKind::LowerWarning, 11, 36.6f, "37"},
        {GasLimitKind::UpperWarning, 17, 60.0f, "60.000"},
        {GasLimitKind::UpperBound, 17, -50.0f, "-50.00"},
        {GasLimitKind::LowerWarning, 4, 0.0002f, "0.0002"},
        {GasLimitKind::UpperBound, 12, 1.05f, "1.050"},
        {GasLimitKind::UpperBound, 0, 100.0f, "100.000"},  // out of range, still shown
        {GasLimitKind::UpperBound, 0, 1.0e12f, "999999995904.000"},
        {GasLimitKind::UpperBound, 0, std::numeric_limits<float>::quiet_NaN(), "NAN"},
        {GasLimitKind::UpperBound, 0, -inf, "NAN"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLimit(c.kind, c.parameter, c.value), QString::fromLatin1(c.text)) << c.text;
}

TEST(GasLimitValues, TypedText) {
    const struct {
        const char* text;
        double value;
    } good[] = {{"0.5", 0.5}, {" 0.5 ", 0.5}, {"0,5", 0.5}, {"-50", -50}, {"1e-3", 0.001}, {"1.5e+1", 15}, {".5", 0.5}};
    for (const auto& c : good) EXPECT_EQ(TypedLimit(QString::fromLatin1(c.text)), c.value) << c.text;
    // The key filter lets "%" and "'" through; pasted text is not filtered.
    for (const char* bad : {"", "  ", "nan", "inf", "-inf", "1e39", "abc", "1.2.3", "5%", "1'", "0x10", "1e", "-", "e5",
                            "1 2", "１"})
        EXPECT_FALSE(TypedLimit(QString::fromUtf8(bad)).has_value()) << bad;
}

TEST(GasLimitValues, ChecksOfThePerParameterDialog) {
    const InputProblem missing{QStringLiteral("Введены не все параметры"), QString()};
    const InputProblem range{QStringLiteral("Вводите значения"), QStringLiteral("согласно допустимому диапазону")};
    const struct {
        const char* name;
        int parameter;
        std::array<const char*, 5> texts;
        std::optional<InputProblem> problem;
    } cases[] = {
        {"density НПУ within the tolerance", 12, {"0.0001", "0.6599995", "1", "0.66", "1.05"}, std::nullopt},
        {"density НПУ below", 12, {"0.0001", "0.6599", "1", "0.66", "1.05"}, range},
        {"temperature ВПУ 70", 17, {"0.01", "-50", "70", "-50", "60"}, std::nullopt},
        {"temperature ВДП 70", 17, {"0.01", "-50", "70", "-50", "70"}, range},
        {"temperature ВДП just above 60", 17, {"0.01", "-50", "60", "-50", "60.00001"}, std::nullopt},
        {"temperature ВДП beyond the tolerance", 17, {"0.01", "-50", "60", "-50", "60.0001"}, range},
        {"dead band 0 is below its range", 1, {"0", "0.05", "6", "0.01", "6"}, range},
        {"limits are not compared with one another", 1, {"0.05", "6", "0", "6", "0"}, std::nullopt},
        {"an empty field first, whatever else is wrong", 1, {"99", "0.05", "6", "0.01", ""}, missing},
        {"blanks are empty", 1, {"0.05", "  ", "6", "0.01", "6"}, missing},
        {"not a number", 1, {"0.05", "0.05", "6%", "0.01", "6"}, range},
        {"pasted nan", 1, {"0.05", "nan", "6", "0.01", "6"}, range},
        {"NAN shown for a bad stored value", 1, {"0.05", "0.05", "6", "NAN", "6"}, range},
        {"comma", 0, {"0,01", "0,002", "0,6", "0,001", "0,6"}, std::nullopt},
    };
    for (const auto& c : cases) {
        std::array<QString, 5> texts;
        for (int k = 0; k < 5; ++k) texts[size_t(k)] = QString::fromUtf8(c.texts[size_t(k)]);
        LimitSet set;
        set.Values.fill(-1.0f);
        EXPECT_EQ(CheckLimitInput(c.parameter, texts, set), c.problem) << c.name;
        if (c.problem) {
            for (float v : set.Values) EXPECT_EQ(v, -1.0f) << c.name << ": a refused input changes nothing";
        } else {
            for (int k = 0; k < 5; ++k)
                EXPECT_EQ(set.Values[size_t(k)], float(*TypedLimit(texts[size_t(k)]))) << c.name;
        }
    }
}

}  // namespace
