// The texts of the measurement viewers: validity, substitute marks,
// averages, the "C6+" column rule, titles, captions and the grid model.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "QtPrinters.h"
#include "measurements/MeasurementTable.h"

using namespace zmk;

namespace {

constexpr float NaN = std::numeric_limits<float>::quiet_NaN();
constexpr float Inf = std::numeric_limits<float>::infinity();

// Decimals: components 3, calorific 2, density 4, Wobbe 1, temperature 1,
// pressure 2; 18 and 19 take 0.
ValueDecimals TestDecimals() {
    ValueDecimals d;
    for (int p = 0; p < 20; ++p) d.gas[p] = 3;
    d.gas[GasHs] = d.gas[GasHi] = 2;
    d.gas[GasDe] = 4;
    d.gas[GasWobbe] = 1;
    d.gas[GasT] = 1;
    d.gas[18] = d.gas[19] = 0;
    d.temperature = 1;
    d.pressure = 2;
    return d;
}

std::array<float, 20> Gas(float base) {
    std::array<float, 20> v{};
    for (int i = 0; i < 20; ++i) v[size_t(i)] = base + float(i);
    v[GasCH4] = 90.0f + base;
    return v;
}

PackedDate Date(int y, int mo, int d, int h, int mi, int s = 0) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

QByteArray Chrom5(const PackedDate& date, uint8_t status, uint16_t word, const std::array<float, 20>& values) {
    QByteArray r(ChromFiveMinuteRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = status;
    PutUint16(p + 7, word);
    for (int i = 0; i < 20; ++i) PutFloat(p + 11 + 4 * i, values[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray ChromHD(const PackedDate& date, uint8_t endHour, uint8_t endMin, uint8_t status,
                   const std::array<float, 20>& values) {
    QByteArray r(ChromHourDayRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = endHour;
    p[7] = endMin;
    p[8] = 0;
    p[9] = status;
    for (int i = 0; i < 20; ++i) PutFloat(p + 10 + 4 * i, values[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray Moist5(const PackedDate& date, uint8_t status, uint16_t word, std::array<float, 4> values) {
    QByteArray r(MoistureFiveMinuteRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = status;
    PutUint16(p + 9, word);
    for (int i = 0; i < 4; ++i) PutFloat(p + 11 + 4 * i, values[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray MoistHD(const PackedDate& date, uint8_t endHour, uint8_t status, std::array<float, 4> values) {
    QByteArray r(MoistureHourDayRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = endHour;
    p[9] = status;
    for (int i = 0; i < 4; ++i) PutFloat(p + 10 + 4 * i, values[size_t(i)]);
    SealRecord(p, int(r.size()));
    return r;
}

MeasurementFileHeader Header(ArchiveKind kind, uint32_t count, bool hexane = true) {
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    values.chromatographOptions = hexane ? 0 : 1;
    return BuildMeasurementFileHeader(kind, values, 7, Date(24, 5, 6, 7, 8, 9), Date(24, 3, 1, 0, 5),
                                      Date(24, 3, 2, 23, 55), count);
}

MeasurementTable Table(ArchiveKind kind, const QList<QByteArray>& records, bool hexane = true) {
    QByteArray bytes;
    for (const QByteArray& r : records) bytes += r;
    return MeasurementTable(Header(kind, uint32_t(records.size()), hexane), RecordStore(kind, bytes),
                            TestDecimals());
}

// Grid column of a gas parameter in the chromatograph viewers.
int ColumnOf(const MeasurementTable& t, int parameter) {
    for (int c = 0; c < t.ColumnCount(); ++c)
        if (t.ParameterOfColumn(c) == parameter) return c;
    return -1;
}

}  // namespace

TEST(MeasurementTable, FiveMinuteStatusFlagsDecideTheValueCells) {
    const auto v1 = Gas(1.0f), v2 = Gas(3.0f);
    const MeasurementTable t = Table(ArchiveKind::ChromFiveMinute,
                                     {Chrom5(Date(24, 3, 1, 0, 5), 0x00, 0, v1),
                                      Chrom5(Date(24, 3, 1, 0, 10), 0x80, 0, Gas(500.0f)),  // auto calibration
                                      Chrom5(Date(24, 3, 1, 0, 15), 0x02, 0, Gas(700.0f)),  // controller was off
                                      Chrom5(Date(24, 3, 1, 0, 20), 0x20, 0, Gas(700.0f)),  // no link
                                      Chrom5(Date(24, 3, 1, 0, 25), 0x10, 0x8001, v2)});    // out of limits: valid
    ASSERT_EQ(t.ColumnCount(), 20);
    EXPECT_EQ(t.State(0), RecordState::Valid);
    EXPECT_EQ(t.State(1), RecordState::AutoCalibration);
    EXPECT_EQ(t.State(2), RecordState::NotValid);
    EXPECT_EQ(t.State(3), RecordState::NotValid);
    EXPECT_EQ(t.State(4), RecordState::Valid);
    EXPECT_EQ(t.RecordCell(1, 0), QStringLiteral(" 01.03.24"));
    EXPECT_EQ(t.RecordCell(1, 1), QStringLiteral(" 00:10:00"));
    for (int c = 2; c < 20; ++c) {
        EXPECT_EQ(t.RecordCell(1, c), QStringLiteral(" 0")) << c;
        EXPECT_EQ(t.RecordCell(2, c), QStringLiteral(" ---")) << c;
        EXPECT_EQ(t.RecordCell(3, c), QStringLiteral(" ---")) << c;
    }
    // Only the two valid records are averaged.
    EXPECT_EQ(t.ValidRecords(), 2);
    const int ch4 = ColumnOf(t, GasCH4);
    EXPECT_EQ(t.RecordCell(0, ch4), QStringLiteral("  91.000"));
    EXPECT_DOUBLE_EQ(t.Average(GasCH4), 92.0);
    EXPECT_EQ(t.AverageCell(ch4), QStringLiteral("  92.000"));
    EXPECT_EQ(t.AverageCell(0), QStringLiteral(" Среднее"));
    EXPECT_EQ(t.AverageCell(1), QStringLiteral(" значение"));
    EXPECT_EQ(t.AverageCell(ColumnOf(t, GasDe)), QStringLiteral(" 14.0000"));  // (13 + 15) / 2, 4 decimals
}

TEST(MeasurementTable, MethaneDecidesValidityAndBadFloatsStayOutOfAverages) {
    auto nanMethane = Gas(1.0f), infMethane = Gas(1.0f), lowMethane = Gas(1.0f), nanOther = Gas(2.0f);
    nanMethane[GasCH4] = NaN;
    infMethane[GasCH4] = -Inf;
    lowMethane[GasCH4] = 0.0009f;
    nanOther[GasN2] = Inf;
    const MeasurementTable t = Table(ArchiveKind::ChromFiveMinute,
                                     {Chrom5(Date(24, 3, 1, 0, 5), 0, 0, nanMethane),
                                      Chrom5(Date(24, 3, 1, 0, 10), 0, 0, infMethane),
                                      Chrom5(Date(24, 3, 1, 0, 15), 0, 0, lowMethane),
                                      Chrom5(Date(24, 3, 1, 0, 20), 0, 0, nanOther),
                                      Chrom5(Date(24, 3, 1, 0, 25), 0, 0, Gas(4.0f))});
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(t.State(r), RecordState::NotValid) << r;
        EXPECT_EQ(t.RecordCell(r, 2), QStringLiteral(" ---"));
    }
    EXPECT_EQ(t.ValidRecords(), 2);
    const int n2 = ColumnOf(t, GasN2);
    EXPECT_EQ(t.RecordCell(3, n2), QStringLiteral("     NAN"));
    // N2 averages over the one record that has a number; the others over both.
    EXPECT_DOUBLE_EQ(t.Average(GasN2), 11.0);
    EXPECT_DOUBLE_EQ(t.Average(GasC3H8), (3.0 + 5.0) / 2);
    EXPECT_FALSE(t.AverageCell(n2).contains(QStringLiteral("nan"), Qt::CaseInsensitive));
}

TEST(MeasurementTable, DamagedRecordsShowTheMarkAndAreNeverAveraged) {
    QByteArray damaged = Chrom5(Date(24, 3, 1, 0, 5), 0, 0, Gas(100.0f));
    damaged[20] = char(damaged[20] ^ 0x40);
    QByteArray hourDamaged = ChromHD(Date(24, 3, 1, 1, 0), 2, 0, 0, Gas(100.0f));
    hourDamaged[0] = char(hourDamaged[0] ^ 1);
    const MeasurementTable five =
        Table(ArchiveKind::ChromFiveMinute, {damaged, Chrom5(Date(24, 3, 1, 0, 10), 0, 0, Gas(1.0f))});
    const MeasurementTable hour =
        Table(ArchiveKind::ChromHour, {hourDamaged, ChromHD(Date(24, 3, 1, 2, 0), 3, 0, 0, Gas(1.0f))});
    for (const MeasurementTable* t : {&five, &hour}) {
        EXPECT_EQ(t->State(0), RecordState::Damaged);
        EXPECT_EQ(t->RecordCell(0, 0), QString());
        EXPECT_EQ(t->RecordCell(0, 1), QStringLiteral("     Данные"));
        EXPECT_EQ(t->RecordCell(0, 2), QStringLiteral("недостов."));
        for (int c = 3; c < t->ColumnCount(); ++c) EXPECT_EQ(t->RecordCell(0, c), QString());
        EXPECT_EQ(t->ValidRecords(), 1);
        EXPECT_DOUBLE_EQ(t->Average(GasCH4), 91.0);
    }
}

TEST(MeasurementTable, NoValidRecordAveragesZeroInTheConfiguredFormat) {
    const MeasurementTable five = Table(ArchiveKind::ChromFiveMinute,
                                        {Chrom5(Date(24, 3, 1, 0, 5), 0x22, 0, Gas(1.0f)),
                                         Chrom5(Date(24, 3, 1, 0, 10), 0x80, 0, Gas(1.0f))});
    EXPECT_EQ(five.ValidRecords(), 0);
    EXPECT_EQ(five.AverageCell(ColumnOf(five, GasCH4)), QStringLiteral("   0.000"));
    EXPECT_EQ(five.AverageCell(ColumnOf(five, GasDe)), QStringLiteral("  0.0000"));
    EXPECT_EQ(five.AverageCell(ColumnOf(five, GasWobbe)), QStringLiteral("     0.0"));
    const MeasurementTable empty = Table(ArchiveKind::ChromDay, {});
    EXPECT_EQ(empty.GridRowCount(), 4);
    EXPECT_EQ(empty.AverageCell(ColumnOf(empty, GasHs)), QStringLiteral("    0.00 "));
}

TEST(MeasurementTable, HourlyValuesCarryTheSubstituteMark) {
    const MeasurementTable t =
        Table(ArchiveKind::ChromHour, {ChromHD(Date(24, 3, 1, 10, 0), 11, 0, 0x00, Gas(1.0f)),
                                       ChromHD(Date(24, 3, 1, 11, 0), 12, 0, 0x10, Gas(3.0f)),
                                       ChromHD(Date(24, 3, 1, 12, 0), 13, 0, 0x02, Gas(50.0f)),
                                       ChromHD(Date(24, 3, 1, 13, 0), 14, 0, 0x80, Gas(5.0f))});
    ASSERT_EQ(t.ColumnCount(), 21);
    const int ch4 = ColumnOf(t, GasCH4);
    EXPECT_EQ(ch4, 11);
    EXPECT_EQ(t.RecordCell(0, ch4), QStringLiteral("  91.000 "));
    EXPECT_EQ(t.RecordCell(1, ch4), QStringLiteral("  93.000\""));
    EXPECT_EQ(t.RecordCell(2, ch4), QStringLiteral(" ---"));
    // No automatic-calibration case in hourly records: bit 7 is a substitute mark.
    EXPECT_EQ(t.RecordCell(3, ch4), QStringLiteral("  95.000\""));
    EXPECT_EQ(t.ValidRecords(), 3);
    EXPECT_DOUBLE_EQ(t.Average(GasCH4), 93.0);
    EXPECT_EQ(t.AverageCell(ch4), QStringLiteral("  93.000 "));
    EXPECT_EQ(t.AverageCell(0), QString());
    EXPECT_EQ(t.AverageCell(1), QStringLiteral(" Среднее"));
    EXPECT_EQ(t.AverageCell(2), QStringLiteral(" значение"));
    EXPECT_EQ(t.RecordCell(1, 0), QStringLiteral(" 01.03.24"));
    EXPECT_EQ(t.RecordCell(1, 1), QStringLiteral(" 11:00:00"));
    EXPECT_EQ(t.RecordCell(1, 2), QStringLiteral(" 12:00:00"));
    EXPECT_EQ(t.StatusMode(), 1);
    EXPECT_EQ(t.StatusCaption(1), QStringLiteral(" Часовые данные с 01.03.24 11:00:00 по 12:00:00"));
}

TEST(MeasurementTable, DailyEndHourFlag) {
    struct Case {
        uint8_t endHour;
        const char16_t* chromEnd;
        const char16_t* moistEnd;
        const char16_t* caption;
    };
    const Case cases[] = {
        {0x8A, u" 10:00:00", u"   10:00:00", u" Суточные данные с 01.03.24 10:00:00 по 10:00:00"},
        {0x0A, u" 10:00:00*", u"   10:00:00*", u" Суточные данные с 01.03.24 10:00:00 по 10:00:00*"},
    };
    for (const Case& c : cases) {
        const MeasurementTable chrom =
            Table(ArchiveKind::ChromDay, {ChromHD(Date(24, 3, 1, 10, 0), c.endHour, 0, 0, Gas(1.0f))});
        EXPECT_EQ(chrom.RecordCell(0, 2), QString::fromUtf16(c.chromEnd));
        EXPECT_EQ(chrom.StatusCaption(0), QString::fromUtf16(c.caption));
        const MeasurementTable moist =
            Table(ArchiveKind::MoistureDay, {MoistHD(Date(24, 3, 1, 10, 0), c.endHour, 0, {1, 2, 3, 4})});
        EXPECT_EQ(moist.RecordCell(0, 2), QString::fromUtf16(c.moistEnd));
    }
    // Hourly records know no end-day flag: the byte is the hour.
    const MeasurementTable hour =
        Table(ArchiveKind::ChromHour, {ChromHD(Date(24, 3, 1, 9, 0), 0x0A, 0, 0, Gas(1.0f))});
    EXPECT_EQ(hour.RecordCell(0, 2), QStringLiteral(" 10:00:00"));
}

TEST(MeasurementTable, HexaneColumnFollowsTheHeaderFlag) {
    for (ArchiveKind kind : {ArchiveKind::ChromFiveMinute, ArchiveKind::ChromHour}) {
        const bool five = kind == ArchiveKind::ChromFiveMinute;
        const QByteArray r1 = five ? Chrom5(Date(24, 3, 1, 0, 5), 0, 0, Gas(1.0f))
                                   : ChromHD(Date(24, 3, 1, 0, 0), 1, 0, 0, Gas(1.0f));
        const QByteArray bad = five ? Chrom5(Date(24, 3, 1, 0, 10), 0x02, 0, Gas(1.0f))
                                    : ChromHD(Date(24, 3, 1, 1, 0), 2, 0, 0x02, Gas(1.0f));
        const MeasurementTable hidden = Table(kind, {r1, bad}, false);
        const MeasurementTable shown = Table(kind, {r1, bad}, true);
        const int c6 = ColumnOf(hidden, GasC6Plus);
        ASSERT_EQ(c6, hidden.FirstValueColumn() + 11);
        EXPECT_FALSE(hidden.HexaneShown());
        EXPECT_EQ(hidden.RecordCell(0, c6), QStringLiteral("   --"));
        EXPECT_EQ(hidden.AverageCell(c6), QStringLiteral("   --"));
        EXPECT_EQ(hidden.RecordCell(1, c6), QStringLiteral(" ---"));  // a record that is not valid stays so
        EXPECT_TRUE(shown.HexaneShown());
        EXPECT_TRUE(shown.RecordCell(0, c6).startsWith(QStringLiteral("  15.000")));
        EXPECT_TRUE(shown.AverageCell(c6).startsWith(QStringLiteral("  15.000")));
        // Only that column changes.
        const int c647 = ColumnOf(hidden, GasC6Plus47);
        EXPECT_EQ(hidden.RecordCell(0, c647), shown.RecordCell(0, c647));
    }
}

TEST(MeasurementTable, TitlesAndColumnOrder) {
    const MeasurementTable five = Table(ArchiveKind::ChromFiveMinute, {});
    const int order[] = {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 14, 15, 12, 13, 11, 16, 17};
    for (int i = 0; i < 18; ++i) EXPECT_EQ(five.ParameterOfColumn(2 + i), order[i]);
    EXPECT_EQ(five.ParameterOfColumn(1), -1);
    EXPECT_EQ(five.ParameterOfColumn(20), -1);
    EXPECT_EQ(five.ColumnTitle(0), QStringList({QStringLiteral("   Дата"), QString()}));
    EXPECT_EQ(five.ColumnTitle(1), QStringList({QStringLiteral("   Время"), QString()}));
    EXPECT_EQ(five.ColumnTitle(ColumnOf(five, GasCH4)), QStringList({QStringLiteral("   CH4"), QStringLiteral("    %")}));
    EXPECT_EQ(five.ColumnTitle(ColumnOf(five, GasNeoC5H12)),
              QStringList({QStringLiteral(" neoC5H12"), QStringLiteral("    %")}));
    EXPECT_EQ(five.ColumnTitle(ColumnOf(five, GasHs)), QStringList({QStringLiteral("    Hs"), QStringLiteral("  МДж/м3")}));
    EXPECT_EQ(five.ColumnTitle(ColumnOf(five, GasT)), QStringList({QStringLiteral("    T"), QStringLiteral("    °С")}));
    EXPECT_EQ(CentredTitle(QStringLiteral("1234567890")), QStringLiteral(" 1234567890"));
    EXPECT_EQ(five.GridCell(0, 5), five.ColumnTitle(5)[0]);
    EXPECT_EQ(five.GridCell(1, 5), five.ColumnTitle(5)[1]);

    const MeasurementTable hour = Table(ArchiveKind::ChromHour, {});
    EXPECT_EQ(hour.ColumnTitle(0), QStringList({QStringLiteral("   Дата"), QStringLiteral("  начала")}));
    EXPECT_EQ(hour.ColumnTitle(2), QStringList({QStringLiteral("  Время"), QStringLiteral("  конца")}));
    EXPECT_EQ(hour.ParameterOfColumn(3), 0);

    const MeasurementTable moist5 = Table(ArchiveKind::MoistureFiveMinute, {});
    EXPECT_EQ(moist5.ColumnCount(), 8);
    EXPECT_EQ(moist5.ColumnTitle(3), QStringList({QStringLiteral(" Признаки "), QStringLiteral("состояния"),
                                                   QStringLiteral("влагомера"), QString()}));
    EXPECT_EQ(moist5.ColumnTitle(6),
              QStringList({QStringLiteral("Р изб."), QStringLiteral("WDP"), QString(), QStringLiteral("bar")}));
    const MeasurementTable moistH = Table(ArchiveKind::MoistureHour, {});
    EXPECT_EQ(moistH.ColumnTitle(2), QStringList({QStringLiteral("  "), QStringLiteral("Время"),
                                                   QStringLiteral("конца"), QString()}));
}

TEST(MeasurementTable, Captions) {
    struct Case {
        ArchiveKind kind;
        const char16_t* caption;
    };
    const Case cases[] = {
        {ArchiveKind::ChromFiveMinute, u"Мгновенные данные хроматографа за период  с  01.03.24 00:05:00  по  02.03.24 23:55:00"},
        {ArchiveKind::ChromHour, u"Часовые данные хроматографа за период с 01.03.24  00ч  по  02.03.24  23ч"},
        {ArchiveKind::ChromDay, u"Суточные данные хроматографа за период с 01.03.24  по  02.03.24"},
        {ArchiveKind::MoistureFiveMinute, u"Мгновенные данные влагомера за период  с  01.03.24 00:05:00  по  02.03.24 23:55:00"},
        {ArchiveKind::MoistureHour, u"Часовые данные влагомера за период с 01.03.24  00ч  по  02.03.24  23ч"},
        {ArchiveKind::MoistureDay, u"Суточные данные влагомера за период с 01.03.24  по  02.03.24"},
    };
    for (const Case& c : cases) EXPECT_EQ(Table(c.kind, {}).Caption(), QString::fromUtf16(c.caption));
    const MeasurementTable five = Table(ArchiveKind::ChromFiveMinute, {Chrom5(Date(24, 3, 1, 0, 5, 7), 0, 0, Gas(1))});
    EXPECT_EQ(five.StatusMode(), 0);
    EXPECT_EQ(five.StatusCaption(0), QStringLiteral(" Мгновенные 5-минутные данные (01.03.24  00:05:07)"));
    EXPECT_EQ(five.StatusCaption(1), QString());
}

TEST(MeasurementTable, MoistureFiveMinuteCells) {
    QByteArray damaged = Moist5(Date(24, 3, 1, 0, 0), 0, 0, {1, 2, 3, 4});
    damaged[12] = char(damaged[12] ^ 0x10);
    const MeasurementTable t = Table(ArchiveKind::MoistureFiveMinute,
                                     {Moist5(Date(24, 3, 1, 0, 5), 0x00, 0x0000, {-12.345f, -5.0f, 45.678f, -20.04f}),
                                      Moist5(Date(24, 3, 1, 0, 10), 0x04, 0x1234, {1, 2, 3, 4}),
                                      Moist5(Date(24, 3, 1, 0, 15), 0x02, 0x1234, {1, 2, 3, 4}),
                                      Moist5(Date(24, 3, 1, 0, 20), 0x01, 0x12AB, {NaN, Inf, 3, 4}),
                                      damaged});
    EXPECT_FALSE(t.HasAverageRow());
    EXPECT_EQ(t.GridRowCount(), 5);
    const QStringList row0 = {QStringLiteral("  01.03.24"), QStringLiteral("  00:05:00"),
                              QStringLiteral("  Норма"),    QStringLiteral("  Норма"),
                              QStringLiteral("  -12.3"),    QStringLiteral("  -5.0"),
                              QStringLiteral("  45.68"),    QStringLiteral("  -20.0")};
    for (int c = 0; c < 8; ++c) EXPECT_EQ(t.RecordCell(0, c), row0[c]) << c;
    EXPECT_EQ(t.RecordCell(1, 2), QStringLiteral("  0x04"));
    EXPECT_EQ(t.RecordCell(1, 3), QStringLiteral(" Нет связи"));
    for (int c = 4; c < 8; ++c) EXPECT_EQ(t.RecordCell(1, c), QStringLiteral("      --"));
    EXPECT_EQ(t.RecordCell(2, 3), QString());
    for (int c = 4; c < 8; ++c) EXPECT_EQ(t.RecordCell(2, c), QStringLiteral("  Выкл."));
    EXPECT_EQ(t.RecordCell(3, 2), QStringLiteral("  0x01"));
    EXPECT_EQ(t.RecordCell(3, 3), QStringLiteral("  0x12AB"));
    EXPECT_EQ(t.RecordCell(3, 4), QStringLiteral("  ?"));
    EXPECT_EQ(t.RecordCell(3, 5), QStringLiteral("  ?"));
    EXPECT_EQ(t.RecordCell(3, 6), QStringLiteral("  3.00"));
    EXPECT_EQ(t.RecordCell(4, 0), QStringLiteral("     Данные"));
    EXPECT_EQ(t.RecordCell(4, 1), QStringLiteral(" недостов."));
    EXPECT_EQ(t.RecordCell(4, 2), QString());
    EXPECT_EQ(t.WorkbookColumns(), QList<int>({0, 1, 3, 4, 5, 6, 7}));
}

TEST(MeasurementTable, MoistureHourlyCells) {
    const MeasurementTable t = Table(ArchiveKind::MoistureHour,
                                     {MoistHD(Date(24, 3, 1, 5, 0), 6, 0x00, {-1.26f, 2, 3.5f, 4}),
                                      MoistHD(Date(24, 3, 1, 6, 0), 7, 0x06, {1, 2, 3, 4})});
    EXPECT_EQ(t.RecordCell(0, 1), QStringLiteral("  05:00:00"));
    EXPECT_EQ(t.RecordCell(0, 2), QStringLiteral("   06:00:00"));
    EXPECT_EQ(t.RecordCell(0, 3), QStringLiteral("  Норма"));
    EXPECT_EQ(t.RecordCell(0, 4), QStringLiteral("  -1.3"));
    EXPECT_EQ(t.RecordCell(0, 6), QStringLiteral("  3.50"));
    EXPECT_EQ(t.RecordCell(1, 3), QStringLiteral("  0x06"));
    EXPECT_EQ(t.RecordCell(1, 4), QStringLiteral("  Выкл."));  // "off" wins over "no link"
    EXPECT_EQ(t.WorkbookColumns(), QList<int>({0, 1, 2, 4, 5, 6, 7}));
}

TEST(MeasurementTable, ModelIsAViewOverTheGrid) {
    const MeasurementTable t = Table(ArchiveKind::ChromFiveMinute,
                                     {Chrom5(Date(24, 3, 1, 0, 5), 0, 0, Gas(1.0f)),
                                      Chrom5(Date(24, 3, 1, 0, 10), 0, 0, Gas(2.0f))});
    MeasurementTableModel model(&t);
    ASSERT_EQ(model.rowCount(), 4);  // two records, the empty row, the average row
    ASSERT_EQ(model.columnCount(), 20);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 20; ++c)
            EXPECT_EQ(model.data(model.index(r, c)).toString(), t.GridCell(r + 2, c)) << r << "," << c;
    EXPECT_EQ(model.data(model.index(3, 0)).toString(), QStringLiteral(" Среднее"));
    EXPECT_EQ(model.data(model.index(2, 5)).toString(), QString());
    EXPECT_EQ(model.headerData(10, Qt::Horizontal).toString(), QStringLiteral("   CH4\n    %"));
    EXPECT_EQ(model.data(model.index(1, 0), MeasurementTableModel::RecordRole).toLongLong(), 1);
    EXPECT_EQ(model.data(model.index(2, 0), MeasurementTableModel::RecordRole).toLongLong(), -1);
    EXPECT_EQ(model.RecordOfRow(3), -1);
    // Outside the grid nothing is made up.
    EXPECT_EQ(t.GridCell(-1, 0), QString());
    EXPECT_EQ(t.GridCell(4, 20), QString());
    EXPECT_EQ(t.RecordCell(2, 0), QString());
}

TEST(MeasurementTable, FixedValueTextPadsShortTexts) {
    EXPECT_EQ(FixedValueText(1.5, 3), QStringLiteral("   1.500"));
    EXPECT_EQ(FixedValueText(1234.5678, 3), QStringLiteral("1234.568"));
    EXPECT_EQ(FixedValueText(123456.5, 3), QStringLiteral("123456.500"));
    EXPECT_EQ(FixedValueText(-7.26, 1), QStringLiteral("    -7.3"));
}
