#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>
#include <vector>

#include "FileSizeLimit.h"
#include "events/DiagnosticDecoder.h"
#include "events/EventFile.h"
#include "events/InterventionDecoder.h"
#include "measurements/Records.h"

using namespace zmk;

namespace {

HeaderTableValues Values() {
    HeaderTableValues v;
    const QByteArray cp = QByteArray::fromHex("c3d0d120d1e5e2e5f0ede0ff");  // "ГРС Северная", Windows-1251
    std::memcpy(v.controllerName.data(), cp.constData(), size_t(cp.size()));
    v.chromatographType = ServedChromatographType;
    v.chromatographOptions = 0;
    v.moistureMeterPresent = 1;
    v.moistureMeterType = 2;
    return v;
}

EventFileHeader Header(EventKind kind, uint32_t count) {
    return BuildEventFileHeader(kind, Values(), 7, PackedDate{24, 6, 3, 9, 15, 42}, PackedDate{24, 6, 1, 0, 35, 12},
                                PackedDate{24, 6, 2, 23, 55, 30}, count);
}

// Rows as the decoders make them: a limit event, a damaged record and a
// firmware checksum change.
std::vector<DiagnosticRow> DiagnosticRows() {
    std::vector<DiagnosticRecord> records(3);
    for (auto& r : records) {
        const uint8_t date[] = {24, 6, 1, 10, 20, 30};
        std::memcpy(r.bytes.data(), date, sizeof date);
    }
    records[0].bytes[6] = 13;
    records[0].bytes[9] = 8;
    PutFloat(records[0].bytes.data() + 10, 97.1234f);
    PutFloat(records[0].bytes.data() + 14, 90.0f);
    records[2].bytes[6] = 59;
    PutUint32(records[2].bytes.data() + 10, 255);
    PutUint32(records[2].bytes.data() + 14, 16);
    for (auto& r : records)
        r.Seal();
    records[1].bytes[3] ^= 1;  // damaged
    return DecodeDiagnostics(records, Header(EventKind::Diagnostics, 3)).rows;
}

std::vector<InterventionRow> InterventionRows() {
    std::vector<InterventionRecord> records(2);
    for (auto& r : records) {
        const uint8_t date[] = {24, 6, 1, 10, 20, 30};
        std::memcpy(r.bytes.data(), date, sizeof date);
        std::memcpy(r.bytes.data() + 18, "\xC8\xE2\xE0\x00", 4);
    }
    records[0].bytes[7] = 3;
    records[0].bytes[8] = 1;
    records[0].bytes[10] = 11;
    records[0].bytes[14] = 15;
    records[1].bytes[7] = 23;
    records[1].bytes[8] = 11;
    PutFloat(records[1].bytes.data() + 10, 36.6f);
    for (auto& r : records)
        r.Seal();
    return DecodeInterventions(records, ControllerTextCodePage::Windows1251).rows;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

template <size_t N>
QByteArray Bytes(const std::array<uint8_t, N>& a) {
    return QByteArray(reinterpret_cast<const char*>(a.data()), qsizetype(N));
}

class EventFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Header and rows

TEST(EventFileHeader, EncodesAtTheDesignedOffsets) {
    const QByteArray b = Bytes(Header(EventKind::Interventions, 0x01020304u).Encode());
    ASSERT_EQ(b.size(), 58);
    EXPECT_EQ(b.left(4), QByteArray("AUD\0", 4));
    EXPECT_EQ(b.mid(4, 20), QByteArray::fromHex("c3d0d120d1e5e2e5f0ede0ff0000000000000000"));
    EXPECT_EQ(b[24], 7);
    EXPECT_EQ(b.mid(25, 6), QByteArray::fromHex("180603090f2a"));
    EXPECT_EQ(b.mid(31, 6), QByteArray::fromHex("18060100230c"));
    EXPECT_EQ(b.mid(37, 6), QByteArray::fromHex("18060217371e"));
    EXPECT_EQ(b.mid(43, 4), QByteArray::fromHex("04030201"));
    EXPECT_EQ(b[47], 4);
    EXPECT_EQ(b[48], 2);
    EXPECT_EQ(b[49], 1);
    EXPECT_EQ(b.mid(50), QByteArray(8, '\0'));
    EXPECT_EQ(Bytes(EventFileHeader::Decode(reinterpret_cast<const uint8_t*>(b.constData())).Encode()), b);
    EXPECT_EQ(Bytes(Header(EventKind::Diagnostics, 0).Encode()).left(4), QByteArray("ALA\0", 4));
}

TEST(EventFileHeader, TableValuesGiveTypesAndHexaneFlag) {
    HeaderTableValues v = Values();
    v.moistureMeterPresent = 0;  // no moisture meter: its type is not kept
    v.chromatographOptions = 0x03;
    EventFileHeader h = BuildEventFileHeader(EventKind::Diagnostics, v, 1, {}, {}, {}, 0);
    EXPECT_EQ(h.moistureMeterType, 0);
    EXPECT_EQ(h.hexaneColumn, 0);
    v.moistureMeterPresent = 5;
    v.chromatographOptions = 0xFE;
    h = BuildEventFileHeader(EventKind::Diagnostics, v, 1, {}, {}, {}, 0);
    EXPECT_EQ(h.moistureMeterType, 2);
    EXPECT_EQ(h.hexaneColumn, 1);
    EXPECT_EQ(h.ControllerNameText(), QStringLiteral("ГРС Северная"));
}

TEST(EventRows, SlotsAtTheDesignedOffsetsCutToTheirSize) {
    DiagnosticRow d{QStringLiteral("  01.06.24"), QStringLiteral("  10:20:30"), QString(120, QLatin1Char('e')),
                    QStringLiteral("Объект"),     QString(25, QLatin1Char('7')),  QStringLiteral("90.000"),
                    QStringLiteral("%")};
    const QByteArray b = Bytes(d.Encode());
    ASSERT_EQ(b.size(), 300);
    EXPECT_EQ(b.left(20), QByteArray("  01.06.24").leftJustified(20, '\0'));
    EXPECT_EQ(b.mid(40, 100), QByteArray(99, 'e') + '\0');
    EXPECT_EQ(b.mid(140, 100), QByteArray::fromHex("cee1fae5eaf2").leftJustified(100, '\0'));
    EXPECT_EQ(b.mid(240, 20), QByteArray(19, '7') + '\0');
    EXPECT_EQ(b.mid(260, 20), QByteArray("90.000").leftJustified(20, '\0'));
    EXPECT_EQ(b.mid(280, 20), QByteArray("%").leftJustified(20, '\0'));
    const DiagnosticRow back = DiagnosticRow::Decode(reinterpret_cast<const uint8_t*>(b.constData()));
    EXPECT_EQ(back.event, QString(99, QLatin1Char('e')));
    EXPECT_EQ(back.object, d.object);

    InterventionRow i{QStringLiteral("d"), QStringLiteral("t"), QStringLiteral("n"), QStringLiteral("o"),
                      QStringLiteral("nv"), QStringLiteral("u"), QStringLiteral("Иван")};
    const QByteArray ib = Bytes(i.Encode());
    ASSERT_EQ(ib.size(), 205);
    EXPECT_EQ(ib.mid(40, 2), QByteArray("n\0", 2));
    EXPECT_EQ(ib.mid(140, 2), QByteArray("o\0", 2));
    EXPECT_EQ(ib.mid(160, 3), QByteArray("nv\0", 3));
    EXPECT_EQ(ib.mid(180, 2), QByteArray("u\0", 2));
    EXPECT_EQ(ib.mid(200), QByteArray::fromHex("c8e2e0ed00"));
    EXPECT_EQ(InterventionRow::Decode(reinterpret_cast<const uint8_t*>(ib.constData())), i);
}

// ---------------------------------------------------------------------------
// Saved files

TEST_F(EventFileTest, RoundTripByteForByte) {
    const std::vector<DiagnosticRow> diag = DiagnosticRows();
    const QString ala = Path("diag.ala");
    ASSERT_TRUE(WriteEventFile(ala, Header(EventKind::Diagnostics, 99), diag));  // the count is the rows'
    const QByteArray saved = ReadAll(ala);
    ASSERT_EQ(saved.size(), 58 + 3 * 300);
    EXPECT_EQ(saved.mid(43, 4), QByteArray::fromHex("03000000"));

    FileMessage msg;
    const auto opened = ReadEventFile(ala, EventKind::Diagnostics, &msg);
    ASSERT_TRUE(opened) << msg.first.toStdString();
    EXPECT_EQ(opened->diagnostics, diag);
    EXPECT_TRUE(opened->interventions.empty());
    // The damaged record comes back with its mark only.
    EXPECT_EQ(opened->diagnostics[1], (DiagnosticRow{QStringLiteral("   ***"), {}, {}, {}, {}, {}, {}}));
    EXPECT_EQ(opened->diagnostics[2].object, QStringLiteral("Старое значение КС = 000000FF"));
    // A reopened file saved again is the same file.
    ASSERT_TRUE(WriteEventFile(Path("again.ala"), opened->header, opened->diagnostics));
    EXPECT_EQ(ReadAll(Path("again.ala")), saved);
    // The period caption of a file read by index comes from the first and last times.
    EXPECT_EQ(DiagnosticTitleByPeriod(opened->header),
              QStringLiteral("Диагностические сообщения за период с 01.06.24 00:35:12 по 02.06.24 23:55:30"));

    const std::vector<InterventionRow> interv = InterventionRows();
    const QString aud = Path("interv.aud");
    ASSERT_TRUE(WriteEventFile(aud, Header(EventKind::Diagnostics, 0), interv));  // signature follows the rows
    const QByteArray audBytes = ReadAll(aud);
    ASSERT_EQ(audBytes.size(), 58 + 2 * 205);
    EXPECT_EQ(audBytes.left(3), QByteArray("AUD"));
    const auto reopened = ReadEventFile(aud, EventKind::Interventions);
    ASSERT_TRUE(reopened);
    EXPECT_EQ(reopened->interventions, interv);
    EXPECT_EQ(reopened->interventions[1].oldValue, QStringLiteral("37"));
    EXPECT_EQ(reopened->interventions[0].operatorName, QStringLiteral("Ива"));

    // An empty reading is a header alone.
    ASSERT_TRUE(WriteEventFile(Path("empty.ala"), Header(EventKind::Diagnostics, 5), std::vector<DiagnosticRow>{}));
    const auto empty = ReadEventFile(Path("empty.ala"), EventKind::Diagnostics);
    ASSERT_TRUE(empty);
    EXPECT_EQ(empty->header.recordCount, 0u);
    EXPECT_TRUE(empty->diagnostics.empty());
}

TEST_F(EventFileTest, ForeignCutAndDamagedFilesAreRefused) {
    const QString ala = Path("diag.ala");
    const QString aud = Path("interv.aud");
    ASSERT_TRUE(WriteEventFile(ala, Header(EventKind::Diagnostics, 3), DiagnosticRows()));
    ASSERT_TRUE(WriteEventFile(aud, Header(EventKind::Interventions, 2), InterventionRows()));
    const QByteArray good = ReadAll(ala);

    QByteArray otherType = good;
    otherType[47] = 3;
    WriteAll(Path("type3.ala"), otherType);
    QByteArray measurement = good;
    measurement.replace(0, 3, "HOU");
    WriteAll(Path("hour.ala"), measurement);
    WriteAll(Path("short.ala"), good.left(57));
    WriteAll(Path("nothing.ala"), QByteArray());
    WriteAll(Path("cut.ala"), good.left(good.size() - 1));
    QByteArray absurd = good;
    absurd.replace(43, 4, QByteArray::fromHex("ffffffff"));  // more rows than any file holds
    WriteAll(Path("absurd.ala"), absurd);

    const char* diagnostics = "диагностические сообщения контроллера ЗМК_10";
    const char* interventions = "сообщения о вмешательствах оператора контроллера ЗМК_10";
    struct Row {
        const char* name;
        EventKind asKind;
        const char* second;
    };
    const Row rows[] = {
        {"interv.aud", EventKind::Diagnostics, diagnostics},
        {"diag.ala", EventKind::Interventions, interventions},
        {"type3.ala", EventKind::Diagnostics, diagnostics},
        {"hour.ala", EventKind::Diagnostics, diagnostics},
        {"short.ala", EventKind::Diagnostics, diagnostics},
        {"nothing.ala", EventKind::Interventions, interventions},
        {"cut.ala", EventKind::Diagnostics, diagnostics},
        {"absurd.ala", EventKind::Diagnostics, diagnostics},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const QByteArray before = ReadAll(Path(r.name));
        FileMessage msg;
        EXPECT_FALSE(ReadEventFile(Path(r.name), r.asKind, &msg));
        EXPECT_EQ(msg.kind, MessageKind::Error);
        EXPECT_EQ(msg.first, QStringLiteral("Файл %1 не является файлом, содержащим").arg(QString::fromUtf8(r.name)));
        EXPECT_EQ(msg.second, QString::fromUtf8(r.second));
        EXPECT_EQ(ReadAll(Path(r.name)), before);
    }
    // Bytes after the announced rows are not read.
    WriteAll(Path("tail.ala"), good + QByteArray(17, 'x'));
    const auto tail = ReadEventFile(Path("tail.ala"), EventKind::Diagnostics);
    ASSERT_TRUE(tail);
    EXPECT_EQ(tail->diagnostics.size(), 3u);

    FileMessage msg;
    EXPECT_FALSE(ReadEventFile(Path("missing.ala"), EventKind::Diagnostics, &msg));
    EXPECT_EQ(msg.kind, MessageKind::Error);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_TRUE(msg.second.isEmpty());
}

TEST_F(EventFileTest, FailedWriteKeepsTheExistingFile) {
    const QString path = Path("keep.ala");
    ASSERT_TRUE(WriteEventFile(path, Header(EventKind::Diagnostics, 1), std::vector<DiagnosticRow>(1)));
    const QByteArray before = ReadAll(path);
    ASSERT_EQ(before.size(), 58 + 300);

    FileMessage msg;
    bool written = true;
    {
        FileSizeLimit limit(500);
        written = WriteEventFile(path, Header(EventKind::Diagnostics, 0), DiagnosticRows(), &msg);
    }
    EXPECT_FALSE(written);
    EXPECT_EQ(msg.kind, MessageKind::Error);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.ala"});

    // A folder that does not exist: nothing is created.
    EXPECT_FALSE(WriteEventFile(Path("no/such/folder.aud"), Header(EventKind::Interventions, 0), InterventionRows(), &msg));
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_FALSE(QFile::exists(Path("no/such/folder.aud")));
}

TEST(EventFileNames, DefaultsExtensionsAndQuestion) {
    const PackedDate today{24, 3, 5, 17, 4, 9};
    EXPECT_EQ(DefaultEventFileName("/x/ALAFILES", 7, today, EventKind::Diagnostics),
              QStringLiteral("/x/ALAFILES/zmk_10-007-240305.ala"));
    EXPECT_EQ(DefaultEventFileName("/x/AUDFILES", 255, PackedDate{9, 12, 31}, EventKind::Interventions),
              QStringLiteral("/x/AUDFILES/zmk_10-255-091231.aud"));
    // Saving twice on one day from one controller proposes the same name.
    EXPECT_EQ(DefaultEventFileName("/x", 7, today, EventKind::Diagnostics),
              DefaultEventFileName("/x", 7, PackedDate{24, 3, 5, 23, 59, 59}, EventKind::Diagnostics));
    EXPECT_EQ(WithEventExtension("/x/mine", EventKind::Diagnostics), QStringLiteral("/x/mine.ala"));
    EXPECT_EQ(WithEventExtension("/x/mine", EventKind::Interventions), QStringLiteral("/x/mine.aud"));
    EXPECT_EQ(WithEventExtension("/x/mine.txt", EventKind::Interventions), QStringLiteral("/x/mine.txt"));
    const FileMessage q = ReplaceQuestion("/x/AUDFILES/zmk_10-007-240305.aud");
    EXPECT_EQ(q.kind, MessageKind::Question);
    EXPECT_EQ(q.first, QStringLiteral("Файл zmk_10-007-240305.aud уже есть."));
    EXPECT_EQ(q.second, QStringLiteral("Вы хотите заменить существующий файл?"));
}

// The working files of a reading hold raw records back to back.
TEST_F(EventFileTest, RawRecordsOfAReading) {
    DiagnosticRecord d;
    d.bytes[6] = 42;
    d.bytes[8] = 7;
    d.Seal();
    QByteArray raw;
    for (int i = 0; i < 3; ++i)
        raw += QByteArray(reinterpret_cast<const char*>(d.bytes.data()), DiagnosticRecord::Size);
    WriteAll(Path("datafile.ala"), raw + QByteArray(5, '\x01'));  // and a part record
    const auto records = ReadDiagnosticRecords(Path("datafile.ala"));
    ASSERT_TRUE(records);
    ASSERT_EQ(records->size(), 3u);
    EXPECT_TRUE((*records)[2].Intact());
    EXPECT_EQ(DecodeDiagnostic((*records)[2], 0).object, QStringLiteral("Таблица 7"));

    InterventionRecord i;
    i.bytes[7] = 16;
    i.Seal();
    WriteAll(Path("datafile.aud"), QByteArray(reinterpret_cast<const char*>(i.bytes.data()), 24).repeated(2));
    const auto interventions = ReadInterventionRecords(Path("datafile.aud"));
    ASSERT_TRUE(interventions);
    EXPECT_EQ(interventions->size(), 2u);
    EXPECT_FALSE(ReadInterventionRecords(Path("none.aud")));
}
