// The cells of a passport: rounding, the methane balance, the unit
// conversions, the validity masks, the rows and the averages.
#include <gtest/gtest.h>

#include <cmath>
#include <map>

#include "PassportRecords.h"
#include "reports/PassportSheet.h"

using namespace zmk;
using namespace passport_test;

namespace {

ReportFormat Format(int components, int heatKcal, int heatMJ, int heatThird, int pressure, int temperature = 1) {
    ReportFormat f = DefaultReportFormat();
    f.Format[FmtComponents] = uint8_t(components);
    f.Format[FmtHeatKcal] = uint8_t(heatKcal);
    f.Format[FmtHeatMJ] = uint8_t(heatMJ);
    f.Format[FmtHeatKWh] = uint8_t(heatThird);
    f.Format[FmtPressure] = uint8_t(pressure);
    f.Format[FmtTemperature] = uint8_t(temperature);
    DeriveParameterDigits(f);
    return f;
}

// The cells by (row, column).
using Grid = std::map<std::pair<int, int>, std::variant<double, QString>>;
Grid Cells(const PassportSheet& sheet) {
    Grid grid;
    for (const PassportCell& c : sheet.Cells) {
        EXPECT_TRUE(grid.emplace(std::pair{c.Row, c.Column}, c.Value).second) << "cell written twice " << c.Row << "," << c.Column;
    }
    return grid;
}
double Number(const Grid& g, int row, int col) {
    const auto it = g.find({row, col});
    if (it == g.end() || !std::holds_alternative<double>(it->second)) {
        ADD_FAILURE() << "no number in " << row << "," << col;
        return NAN;
    }
    return std::get<double>(it->second);
}
QString Text(const Grid& g, int row, int col) {
    const auto it = g.find({row, col});
    return it != g.end() && std::holds_alternative<QString>(it->second) ? std::get<QString>(it->second) : QString();
}

PassportData Daily(int records, std::function<QByteArray(int)> chrom = {}, std::function<QByteArray(int)> moisture = {}) {
    PassportData d;
    d.Kind = PassportKind::Daily;
    d.Chosen = PackedDate{26, 12, 8, 10, 0, 0};
    d.Chrom = RecordStore(ArchiveKind::ChromHour);
    d.Moisture = RecordStore(ArchiveKind::MoistureHour);
    for (int j = 0; j < records; ++j) {
        const int day = 8 + (10 + j) / 24, hour = (10 + j) % 24;
        const QByteArray c = chrom ? chrom(j) : ChromRecord(26, 12, day, hour);
        const QByteArray m = moisture ? moisture(j) : MoistureRecord(26, 12, day, hour);
        d.Chrom.Append(reinterpret_cast<const uint8_t*>(c.constData()));
        d.Moisture.Append(reinterpret_cast<const uint8_t*>(m.constData()));
    }
    return d;
}

}  // namespace

TEST(PassportRounding, ThroughASingleAndItsFixedText) {
    struct Case {
        double value;
        int decimals;
        double expected;
    } cases[] = {
        {37.123, 3, 37.123}, {8866.5996, 1, 8866.6}, {5.0986, 2, 5.1}, {92.74999, 2, 92.75},
        {2.5, 0, 2.0},  // the single 2.5 is written as "2" (ties to even)
        {0.1234567, 7, 0.1234567}, {-12.345, 1, -12.3}, {1.0e-9, 3, 0.0},
    };
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(RoundForReport(c.value, c.decimals), c.expected) << c.value;
    EXPECT_TRUE(std::isnan(RoundForReport(NAN, 2)));
}

TEST(PassportSheet, MethaneIsTheBalanceOfTheOtherComponents) {
    // Eleven components summing to 7.25 with three decimals; the analyser's 90.0 is replaced.
    const ReportFormat f = Format(3, 1, 3, 3, 2);
    const PassportData d = Daily(1, [](int) {
        return ChromRecord(26, 12, 8, 10, 0,
                           {{GasCH4, 90.0f}, {GasC2H6, 3.0f}, {GasC3H8, 1.0f}, {GasIC4H10, 0.5f}, {GasNC4H10, 0.5f},
                            {GasNeoC5H12, 0.0f}, {GasIC5H12, 0.1f}, {GasNC5H12, 0.1f}, {GasC6Plus47, 0.05f}, {GasO2, NAN},
                            {GasN2, 1.5f}, {GasCO2, 0.5f}});
    });
    const Grid g = Cells(BuildPassportSheet(d, f, QStringLiteral("Объект")));
    EXPECT_DOUBLE_EQ(Number(g, 10, 2), 92.75);
    EXPECT_EQ(Text(g, 10, 11), QStringLiteral("--"));  // O2 not a number: "--", counted as 0 in the balance
    EXPECT_DOUBLE_EQ(Number(g, 10, 3), 3.0);            // C2H6
    EXPECT_DOUBLE_EQ(Number(g, 10, 10), 0.05);          // C6+47
}

TEST(PassportSheet, UnitsAndPressure) {
    const ReportFormat f = Format(4, 1, 3, 3, 2);
    const PassportData d = Daily(1, [](int) { return ChromRecord(26, 12, 8, 10, 0, {{GasHs, 37.123f}}); },
                                 [](int) { return MoistureRecord(26, 12, 8, 10, 0, {{MoistureGaugePressure, 5.0f}}); });
    const Grid g = Cells(BuildPassportSheet(d, f, QStringLiteral("Объект")));
    // 37.123 x 238.84589662749596 = 8866.676...: one decimal gives 8866.7
    // (the rule that gives the third unit 10.3119... as 10.312).
    EXPECT_DOUBLE_EQ(Number(g, 10, 18), 8866.7);
    EXPECT_DOUBLE_EQ(Number(g, 10, 19), 37.123);
    EXPECT_DOUBLE_EQ(Number(g, 10, 20), 10.312);
    EXPECT_DOUBLE_EQ(Number(g, 10, 27), 5.1);
    // Moisture values in columns 24..27: water dew point, reduced, hydrocarbon, pressure.
    EXPECT_DOUBLE_EQ(Number(g, 10, 24), -12.5);
    EXPECT_DOUBLE_EQ(Number(g, 10, 25), -20.0);
    EXPECT_DOUBLE_EQ(Number(g, 10, 26), -8.3);
    EXPECT_EQ(Text(g, 10, 1), QStringLiteral("08.12.26  10:00"));
}

TEST(PassportSheet, RecordsThatAreNotValidShowDashesAndStayOutOfTheAverages) {
    const ReportFormat f = Format(2, 1, 2, 3, 2);
    // Records 1 and 2 are not valid (status 0x02 and methane below 0.001);
    // they carry values that would move every average.
    const PassportData d = Daily(
        3,
        [](int j) {
            if (j == 1) return ChromRecord(26, 12, 8, 11, 0x02, {{GasHs, 99.0f}, {GasT, 99.0f}});
            if (j == 2) return ChromRecord(26, 12, 8, 12, 0, {{GasCH4, 0.0f}, {GasHs, 99.0f}});
            return ChromRecord(26, 12, 8, 10 + j, 0, {{GasHs, 37.0f}});
        },
        [](int j) {
            return MoistureRecord(26, 12, 8, 10 + j, j == 1 ? 0x04 : 0, {{MoistureWaterDewPoint, j == 1 ? 50.0f : -10.0f}});
        });
    const Grid g = Cells(BuildPassportSheet(d, f, QStringLiteral("Объект")));
    for (int col : {2, 13, 14, 18, 23, 28}) EXPECT_EQ(Text(g, 11, col), QStringLiteral("--")) << col;
    for (int col = 24; col <= 27; ++col) EXPECT_EQ(Text(g, 11, col), QStringLiteral("--")) << col;
    EXPECT_EQ(Text(g, 12, 19), QStringLiteral("--"));
    EXPECT_DOUBLE_EQ(Number(g, 12, 24), -10.0);  // its moisture part is valid
    EXPECT_EQ(Text(g, 11, 1), QStringLiteral("08.12.26  11:00"));  // the date is still written
    EXPECT_DOUBLE_EQ(Number(g, 34, 19), 37.0);
    EXPECT_DOUBLE_EQ(Number(g, 34, 28), 12.5);
    EXPECT_DOUBLE_EQ(Number(g, 34, 24), -10.0);
}

TEST(PassportSheet, AveragesRowOfADay) {
    const ReportFormat f = Format(3, 1, 3, 3, 2);
    const PassportData d = Daily(2, [](int j) {
        return ChromRecord(26, 12, 8, 10 + j, 0, {{GasHs, j ? 37.2f : 37.0f}, {GasC2H6, j ? 5.0f : 4.0f}});
    });
    const Grid g = Cells(BuildPassportSheet(d, f, QStringLiteral("Объект")));
    EXPECT_DOUBLE_EQ(Number(g, 34, 19), 37.1);
    EXPECT_DOUBLE_EQ(Number(g, 34, 18), RoundForReport(37.1 * KcalPerMJ, 1));
    EXPECT_DOUBLE_EQ(Number(g, 34, 3), 4.5);
    // The balance applies to the averaged components as well.
    double others = 0;
    for (int col = 3; col <= 13; ++col) others += Number(g, 34, col);
    EXPECT_DOUBLE_EQ(Number(g, 34, 2), RoundForReport(100.0 - others, 3));
}

TEST(PassportSheet, TwentyRecordsOfADay) {
    const PassportSheet sheet = BuildPassportSheet(Daily(20), Format(3, 1, 3, 3, 2), QStringLiteral("Объект"));
    const Grid g = Cells(sheet);
    EXPECT_EQ(Text(g, 29, 1), QStringLiteral("09.12.26  05:00"));
    EXPECT_TRUE(Text(g, 30, 1).isEmpty());
    EXPECT_FALSE(g.count({30, 2}));
    EXPECT_TRUE(g.count({34, 2}));
    EXPECT_EQ(sheet.PeriodLine, QStringLiteral("За період з 08.12.26 10:00  по  09.12.26 05:00"));
}

TEST(PassportSheet, MonthRowsFollowTheDays) {
    PassportData d;
    d.Kind = PassportKind::Monthly;
    d.Chosen = PackedDate{26, 10, 1, 10, 0, 0};
    d.Chrom = RecordStore(ArchiveKind::ChromDay);
    d.Moisture = RecordStore(ArchiveKind::MoistureDay);
    // From the 5th (the archive starts then), with the 7th missing.
    for (int day : {5, 6, 8}) {
        const QByteArray c = ChromRecord(26, 10, day, 0, 0, {{GasHi, day == 8 ? 34.0f : 33.0f}});
        const QByteArray m = MoistureRecord(26, 10, day, 0);
        d.Chrom.Append(reinterpret_cast<const uint8_t*>(c.constData()));
        d.Moisture.Append(reinterpret_cast<const uint8_t*>(m.constData()));
    }
    const PassportSheet sheet = BuildPassportSheet(d, Format(3, 1, 2, 3, 2), QStringLiteral("Объект"));
    const Grid g = Cells(sheet);
    EXPECT_EQ(sheet.PeriodLine, QStringLiteral("За період з 05.10.26 по  08.10.26"));
    EXPECT_TRUE(g.count({14, 2}));
    EXPECT_TRUE(g.count({15, 2}));
    EXPECT_FALSE(g.count({16, 2}));  // the 7th stays empty
    EXPECT_DOUBLE_EQ(Number(g, 17, 16), 34.0);
    EXPECT_FALSE(g.count({14, 1}));  // column 1 holds the template's day labels
    // Averages of the heating values only.
    EXPECT_DOUBLE_EQ(Number(g, 41, 16), 33.33);
    EXPECT_DOUBLE_EQ(Number(g, 41, 15), RoundForReport(33.33 * KcalPerMJ, 1));
    EXPECT_TRUE(g.count({41, 18}));
    EXPECT_FALSE(g.count({41, 2}));
    EXPECT_FALSE(g.count({41, 24}));
}

TEST(PassportSheet, NoValidChromatographRowLeavesItsAveragesEmpty) {
    const PassportData d = Daily(3, [](int j) { return ChromRecord(26, 12, 8, 10 + j, 0x20); });
    const Grid g = Cells(BuildPassportSheet(d, Format(3, 1, 3, 3, 2), QStringLiteral("Объект")));
    for (int col = 2; col <= 23; ++col) EXPECT_FALSE(g.count({34, col})) << col;
    EXPECT_FALSE(g.count({34, 28}));
    EXPECT_TRUE(g.count({34, 24}));  // the moisture meter's averages are there
}
