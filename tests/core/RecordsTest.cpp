#include <gtest/gtest.h>

#include <QByteArray>
#include <cmath>
#include <cstring>
#include <vector>

#include "common/NumberFormat.h"
#include "measurements/Records.h"
#include "common/PackedDate.h"

using namespace zmk;

namespace {

std::vector<uint8_t> Hex(const char* text) {
    const QByteArray bytes = QByteArray::fromHex(QByteArray(text));
    return std::vector<uint8_t>(bytes.begin(), bytes.end());
}

std::vector<uint8_t> Bytes(const QByteArray& data) {
    return std::vector<uint8_t>(data.begin(), data.end());
}

// Raw little-endian bytes of a few floats, written by hand so that a reader
// with the wrong byte order or offset is caught.
void PutRaw(std::vector<uint8_t>& record, int offset, const char* hex) {
    const auto raw = Hex(hex);
    std::memcpy(record.data() + offset, raw.data(), raw.size());
}

PackedDate Date(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    PackedDate d;
    d.Year = uint8_t(year - 2000);
    d.Month = uint8_t(month);
    d.Day = uint8_t(day);
    d.Hour = uint8_t(hour);
    d.Minute = uint8_t(minute);
    d.Second = uint8_t(second);
    return d;
}

}  // namespace

// ---------------------------------------------------------------------------
// The six archives

TEST(ArchiveKinds, TableOfTheSixArchives) {
    struct Row {
        ArchiveKind kind;
        int code, body, record, perAnswer;
        const char* ext;
        const char* sig;
        int analyser;
        WorkFolder folder;
        bool chrom, fiveMin, daily;
    };
    const Row rows[] = {
        {ArchiveKind::ChromFiveMinute, 14, 13, 93, 2, ".mch", "MOM", 0, WorkFolder::MomData, true, true, false},
        {ArchiveKind::ChromHour, 15, 11, 92, 2, ".hch", "HOU", 0, WorkFolder::HourData, true, false, false},
        {ArchiveKind::ChromDay, 16, 9, 92, 2, ".dch", "DAY", 0, WorkFolder::DayData, true, false, true},
        {ArchiveKind::MoistureFiveMinute, 14, 13, 29, 8, ".mwm", "MOM", 1, WorkFolder::MomData, false, true, false},
        {ArchiveKind::MoistureHour, 15, 11, 28, 8, ".hwm", "HOU", 1, WorkFolder::HourData, false, false, false},
        {ArchiveKind::MoistureDay, 16, 9, 28, 8, ".dwm", "DAY", 1, WorkFolder::DayData, false, false, true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.ext);
        const ArchiveKindInfo& info = KindInfo(r.kind);
        EXPECT_EQ(info.kind, r.kind);
        EXPECT_EQ(info.functionCode, r.code);
        EXPECT_EQ(info.requestSize, r.body);
        EXPECT_EQ(info.recordSize, r.record);
        EXPECT_EQ(RecordSize(r.kind), r.record);
        EXPECT_EQ(info.recordsPerFullAnswer, r.perAnswer);
        EXPECT_STREQ(info.extension, r.ext);
        EXPECT_STREQ(info.signature, r.sig);
        EXPECT_EQ(info.analyser, r.analyser);
        EXPECT_EQ(info.folder, r.folder);
        EXPECT_EQ(IsChromatograph(r.kind), r.chrom);
        EXPECT_EQ(IsFiveMinute(r.kind), r.fiveMin);
        EXPECT_EQ(IsDaily(r.kind), r.daily);
        // Signature and analyser byte lead back to the kind, the unit too.
        EXPECT_EQ(KindFromSignature(reinterpret_cast<const uint8_t*>(r.sig), uint8_t(r.analyser)), r.kind);
        EXPECT_EQ(KindFor(uint8_t(r.analyser), info.archiveUnit), r.kind);
    }
}

TEST(ArchiveKinds, ForeignSignaturesAreNoKind) {
    const uint8_t mom[] = {'M', 'O', 'M'};
    const uint8_t lower[] = {'m', 'o', 'm'};
    const uint8_t ala[] = {'A', 'L', 'A'};
    EXPECT_FALSE(KindFromSignature(mom, 2));
    EXPECT_FALSE(KindFromSignature(lower, 0));
    EXPECT_FALSE(KindFromSignature(ala, 0));
    EXPECT_FALSE(KindFromSignature(nullptr, 0));
    EXPECT_FALSE(KindFor(0, 2));  // there is no monthly archive
    EXPECT_FALSE(KindFor(2, 0));
}

// ---------------------------------------------------------------------------
// Request bodies of function codes 14, 15, 16

TEST(ArchiveRequest, ExactBodies) {
    const PackedDate start = Date(2024, 3, 5, 10, 35, 17);
    const PackedDate end = Date(2025, 12, 31, 23, 55, 59);
    struct Row {
        ArchiveKind kind;
        const char* hex;
    };
    const Row rows[] = {
        {ArchiveKind::ChromFiveMinute, "01 00 00 18 03 05 0a 23 19 0c 1f 17 37"},
        {ArchiveKind::MoistureFiveMinute, "01 00 01 18 03 05 0a 23 19 0c 1f 17 37"},
        {ArchiveKind::ChromHour, "03 00 00 18 03 05 0a 19 0c 1f 17"},
        {ArchiveKind::MoistureHour, "03 00 01 18 03 05 0a 19 0c 1f 17"},
        {ArchiveKind::ChromDay, "03 00 00 18 03 05 19 0c 1f"},
        {ArchiveKind::MoistureDay, "03 00 01 18 03 05 19 0c 1f"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.hex);
        const QByteArray body = BuildArchiveRequest(r.kind, start, end);
        EXPECT_EQ(Bytes(body), Hex(r.hex));
        EXPECT_EQ(body.size(), KindInfo(r.kind).requestSize);
    }
}

// ---------------------------------------------------------------------------
// Record accessors

TEST(RecordView, ChromatographFiveMinute) {
    std::vector<uint8_t> rec(ChromFiveMinuteRecordSize, 0);
    PutRaw(rec, 0, "18 02 1d 17 37 3b");  // 29.02.24 23:55:59
    rec[6] = 0x80;
    rec[7] = 0x34;  // status word low
    rec[8] = 0x12;  // status word high
    rec[9] = rec[10] = 0xEE;  // not interpreted
    PutRaw(rec, 11, "00 00 80 3f");       // 0 "C6+47" = 1.0
    PutRaw(rec, 11 + 4 * 8, "00 00 b5 42");  // 8 "CH4" = 90.5
    PutRaw(rec, 11 + 4 * 11, "00 00 20 c1"); // 11 "Hs" = -10.0
    PutRaw(rec, 11 + 4 * 19, "01 00 00 00"); // 19: smallest subnormal
    PutRaw(rec, 91, "aa bb");

    const RecordView v(ArchiveKind::ChromFiveMinute, rec.data());
    EXPECT_EQ(v.Size(), 93);
    const PackedDate d = v.Date();
    EXPECT_EQ(d, Date(2024, 2, 29, 23, 55, 59));
    EXPECT_EQ(v.Status(), 0x80);
    EXPECT_EQ(v.StatusWord(), 0x1234);
    ASSERT_EQ(v.ValueCount(), 20);
    EXPECT_EQ(v.Value(GasC6Plus47), 1.0f);
    EXPECT_EQ(v.Value(GasCH4), 90.5f);
    EXPECT_EQ(v.Value(GasHs), -10.0f);
    EXPECT_EQ(v.Value(19), std::numeric_limits<float>::denorm_min());
    EXPECT_EQ(v.Value(1), 0.0f);
    const IntervalEnd e = v.End();  // a 5-minute record has no interval end
    EXPECT_EQ(e.hour + e.minute + e.second + e.rawHour, 0);
    EXPECT_FALSE(e.endOfDay);
}

TEST(RecordView, ChromatographHourAndDay) {
    std::vector<uint8_t> rec(ChromHourDayRecordSize, 0);
    PutRaw(rec, 0, "18 03 05 0a 00 00");
    PutRaw(rec, 6, "8a 1e 05");  // end hour byte with bit 7
    rec[9] = 0x10;
    PutRaw(rec, 10 + 4 * 8, "00 00 b5 42");   // "CH4" at offset 42
    PutRaw(rec, 10 + 4 * 17, "cd cc 8c 3f");  // "T" = 1.1
    PutRaw(rec, 10 + 4 * 19, "00 00 80 bf");  // last float, -1.0, ends at 90

    const RecordView hour(ArchiveKind::ChromHour, rec.data());
    const RecordView day(ArchiveKind::ChromDay, rec.data());
    for (const RecordView& v : {hour, day}) {
        EXPECT_EQ(v.Date(), Date(2024, 3, 5, 10));
        EXPECT_EQ(v.Status(), 0x10);
        EXPECT_EQ(v.StatusWord(), 0);
        EXPECT_EQ(v.Value(GasCH4), 90.5f);
        EXPECT_EQ(v.Value(GasT), 1.1f);
        EXPECT_EQ(v.Value(19), -1.0f);
        EXPECT_EQ(v.End().minute, 0x1e);
        EXPECT_EQ(v.End().second, 5);
        EXPECT_EQ(v.End().rawHour, 0x8a);
    }
    // The end-day flag exists only in daily records.
    EXPECT_EQ(hour.End().hour, 0x8a);
    EXPECT_FALSE(hour.End().endOfDay);
    EXPECT_EQ(day.End().hour, 10);
    EXPECT_TRUE(day.End().endOfDay);

    rec[6] = 0x0a;
    EXPECT_EQ(day.End().hour, 10);
    EXPECT_FALSE(day.End().endOfDay);
}

TEST(RecordView, MoistureMeterRecords) {
    std::vector<uint8_t> five(MoistureFiveMinuteRecordSize, 0);
    PutRaw(five, 0, "19 01 01 00 05 00");
    five[6] = 0x04;
    five[7] = five[8] = 0xEE;  // not interpreted
    five[9] = 0x01;   // status word low
    five[10] = 0x80;  // status word high
    PutRaw(five, 11, "00 00 20 c1 00 00 a0 c1 00 00 40 40 00 00 f0 c1");  // -10, -20, 3, -30

    const RecordView v(ArchiveKind::MoistureFiveMinute, five.data());
    EXPECT_EQ(v.Date(), Date(2025, 1, 1, 0, 5));
    EXPECT_EQ(v.Status(), 0x04);
    EXPECT_EQ(v.StatusWord(), 0x8001);
    ASSERT_EQ(v.ValueCount(), 4);
    EXPECT_EQ(v.Value(MoistureWaterDewPoint), -10.0f);
    EXPECT_EQ(v.Value(MoistureHydrocarbonDewPoint), -20.0f);
    EXPECT_EQ(v.Value(MoistureGaugePressure), 3.0f);
    EXPECT_EQ(v.Value(MoistureReducedDewPoint), -30.0f);

    std::vector<uint8_t> daily(MoistureHourDayRecordSize, 0);
    PutRaw(daily, 0, "19 01 01 0a 00 00");
    PutRaw(daily, 6, "8a 00 00");
    daily[9] = 0x02;
    PutRaw(daily, 10, "00 00 20 c1 00 00 a0 c1 00 00 40 40 00 00 f0 c1");
    const RecordView d(ArchiveKind::MoistureDay, daily.data());
    EXPECT_EQ(d.Status(), 0x02);
    EXPECT_EQ(d.StatusWord(), 0);
    EXPECT_EQ(d.End().hour, 10);
    EXPECT_TRUE(d.End().endOfDay);
    EXPECT_EQ(d.Value(0), -10.0f);
    EXPECT_EQ(d.Value(3), -30.0f);
}

// An index outside the record's floats gives NaN and reads nothing (the
// records sit in vectors of exactly their size, so a sanitizer build sees
// any read past them).
TEST(RecordView, IndexOutsideTheValuesReadsNothing) {
    for (ArchiveKind kind : {ArchiveKind::ChromFiveMinute, ArchiveKind::ChromDay,
                             ArchiveKind::MoistureFiveMinute, ArchiveKind::MoistureHour}) {
        std::vector<uint8_t> rec(RecordSize(kind), 0x41);
        const RecordView v(kind, rec.data());
        EXPECT_TRUE(std::isnan(v.Value(-1)));
        EXPECT_TRUE(std::isnan(v.Value(v.ValueCount())));
        EXPECT_FALSE(std::isnan(v.Value(v.ValueCount() - 1)));
    }
}

// What the controller stores is carried as it is: the viewers decide.
TEST(RecordView, AbsurdDatesAndBadFloatsAreCarried) {
    std::vector<uint8_t> rec(ChromHourDayRecordSize, 0xFF);
    PutRaw(rec, 10, "00 00 c0 7f");  // quiet NaN
    PutRaw(rec, 14, "00 00 80 ff");  // -infinity
    PutRaw(rec, 18, "01 00 80 7f");  // signalling NaN bits
    SealRecord(rec.data(), int(rec.size()));

    const RecordView v(ArchiveKind::ChromDay, rec.data());
    EXPECT_TRUE(v.Intact());
    const PackedDate d = v.Date();
    EXPECT_EQ(d.Year, 0xFF);
    EXPECT_EQ(d.Month, 0xFF);
    EXPECT_EQ(d.Second, 0xFF);
    EXPECT_EQ(v.End().hour, 0x7F);
    EXPECT_TRUE(v.End().endOfDay);
    EXPECT_TRUE(std::isnan(v.Value(0)));
    EXPECT_TRUE(std::isinf(v.Value(1)) && v.Value(1) < 0);
    EXPECT_TRUE(IsBadFloat(v.Value(2)));
    // The signalling NaN's payload survives the read (no conversion through double).
    const float sn = v.Value(2);
    uint32_t bits;
    std::memcpy(&bits, &sn, 4);
    EXPECT_EQ(bits, 0x7f800001u);
    EXPECT_TRUE(IsBadFloat(v.Value(19)));  // 0xFFFFFFFF
}

// ---------------------------------------------------------------------------
// Record checksum

TEST(RecordCrc, IntactAndDamaged) {
    // The published check value of CRC-16/MODBUS: "123456789" gives 0x4B37,
    // stored low byte first.
    const QByteArray check = QByteArray("123456789") + QByteArray::fromHex("374b");
    const auto* c = reinterpret_cast<const uint8_t*>(check.constData());
    EXPECT_TRUE(RecordIntact(c, int(check.size())));
    const QByteArray swapped = QByteArray("123456789") + QByteArray::fromHex("4b37");
    EXPECT_FALSE(RecordIntact(reinterpret_cast<const uint8_t*>(swapped.constData()), 11));

    for (ArchiveKind kind : {ArchiveKind::ChromFiveMinute, ArchiveKind::ChromHour,
                             ArchiveKind::MoistureFiveMinute, ArchiveKind::MoistureDay}) {
        const int size = RecordSize(kind);
        std::vector<uint8_t> rec(size);
        for (int i = 0; i < size; ++i)
            rec[i] = uint8_t(i * 7 + 3);
        EXPECT_FALSE(RecordIntact(rec.data(), size));
        SealRecord(rec.data(), size);
        EXPECT_TRUE(RecordIntact(rec.data(), size));
        EXPECT_TRUE(RecordView(kind, rec.data()).Intact());
        // Any single damaged byte, the checksum's own included, is seen.
        for (int i = 0; i < size; ++i) {
            rec[i] ^= 0x01;
            EXPECT_FALSE(RecordIntact(rec.data(), size)) << "byte " << i;
            rec[i] ^= 0x01;
        }
    }
    EXPECT_FALSE(RecordIntact(nullptr, 93));
    EXPECT_FALSE(RecordIntact(c, 1));
    EXPECT_FALSE(RecordIntact(c, 0));
}

// ---------------------------------------------------------------------------
// Record store

TEST(RecordStore, ContiguousRecordsOfOneKind) {
    const int size = MoistureHourDayRecordSize;
    std::vector<uint8_t> answer(3 * size);
    for (int r = 0; r < 3; ++r) {
        Date(2024, 5, 1 + r, r).ToBytes(answer.data() + r * size);
        answer[r * size + 9] = uint8_t(r);
    }
    RecordStore store(ArchiveKind::MoistureHour);
    EXPECT_TRUE(store.IsEmpty());
    store.Append(answer.data(), 2);
    store.Append(answer.data() + 2 * size);  // one record
    store.Append(nullptr, 5);
    store.Append(answer.data(), 0);
    ASSERT_EQ(store.Count(), 3);
    EXPECT_EQ(store.Bytes().size(), 3 * size);
    for (int r = 0; r < 3; ++r) {
        EXPECT_EQ(store.At(r).Date(), Date(2024, 5, 1 + r, r));
        EXPECT_EQ(store.At(r).Status(), r);
        EXPECT_EQ(store.RecordBytes(r), store.RecordBytes(0) + r * size);
    }

    // Bytes that end inside a record keep only the whole ones.
    const QByteArray raw(reinterpret_cast<const char*>(answer.data()), 2 * size + size - 1);
    const RecordStore cut(ArchiveKind::MoistureHour, raw);
    EXPECT_EQ(cut.Count(), 2);
    EXPECT_EQ(cut.Bytes().size(), 2 * size);
    EXPECT_EQ(RecordStore(ArchiveKind::ChromFiveMinute, QByteArray(92, 'x')).Count(), 0);

    // Copies are independent once one changes.
    RecordStore copy = store;
    copy.Clear();
    EXPECT_EQ(store.Count(), 3);
    EXPECT_EQ(copy.Count(), 0);
}
