#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <csignal>
#include <cstring>
#include <sys/resource.h>
#include <vector>

#include "common/Folders.h"
#include "measurements/MeasurementFile.h"
#include "tables/TableEngine.h"
#include "common/PackedDate.h"

using namespace zmk;

namespace {

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

HeaderTableValues Values() {
    HeaderTableValues v;
    const QByteArray cp = QByteArray::fromHex(  // "ГРС Северная" in Windows-1251
        "c3d0d120d1e5e2e5f0ede0ff");
    std::memcpy(v.controllerName.data(), cp.constData(), size_t(cp.size()));
    v.chromatographType = ServedChromatographType;
    v.chromatographOptions = 0;
    v.moistureMeterPresent = 1;
    v.moistureMeterType = 2;
    return v;
}

// `count` sealed records of the kind; record i is dated i hours after
// 01.06.24 and its first value is i + 0.5.
RecordStore MakeRecords(ArchiveKind kind, int count) {
    RecordStore store(kind);
    const int size = RecordSize(kind);
    std::vector<uint8_t> rec(size);
    for (int i = 0; i < count; ++i) {
        std::fill(rec.begin(), rec.end(), uint8_t(i));
        Date(2024, 6, 1 + i / 24, i % 24).ToBytes(rec.data());
        const int values = IsFiveMinute(kind) ? 11 : 10;  // first float, both analysers
        PutFloat(rec.data() + values, float(i) + 0.5f);
        SealRecord(rec.data(), size);
        store.Append(rec.data());
    }
    return store;
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

QByteArray Encoded(const MeasurementFileHeader& h) {
    const auto b = h.Encode();
    return QByteArray(reinterpret_cast<const char*>(b.data()), qsizetype(b.size()));
}

class MeasurementFileTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString& name) const { return dir_.filePath(name); }

    MeasurementFileHeader Header(ArchiveKind kind, uint32_t count) const {
        return BuildMeasurementFileHeader(kind, Values(), 7, Date(2024, 6, 3, 9, 15, 42),
                                          Date(2024, 6, 1, 0, 35, 12), Date(2024, 6, 2, 23, 55, 30),
                                          count);
    }
    // A file of `kind` with `count` records whose bytes are then adjusted.
    QString SavedFile(const QString& name, ArchiveKind kind, int count) {
        const QString path = Path(name);
        EXPECT_TRUE(WriteMeasurementFile(path, Header(kind, uint32_t(count)), MakeRecords(kind, count)));
        return path;
    }

    QTemporaryDir dir_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Header

TEST(MeasurementFileHeader, EncodesAtTheDesignedOffsets) {
    const MeasurementFileHeader h = BuildMeasurementFileHeader(
        ArchiveKind::MoistureHour, Values(), 0xA5, Date(2024, 6, 3, 9, 15, 42),
        Date(2024, 6, 1, 7, 35, 12), Date(2024, 6, 2, 23, 55, 30), 0x01020304);
    const QByteArray expected = QByteArray::fromHex(
        "484f55"                                    //  0 "HOU"
        "01"                                        //  3 moisture meter
        "c3d0d120d1e5e2e5f0ede0ff0000000000000000"  //  4 name, NUL-padded
        "a5"                                        // 24 address
        "18060309 0f2a"                             // 25 opened 03.06.24 09:15:42
        "1806010700" "00"                           // 31 start to the hour, 36: 0
        "1806021700" "00"                           // 37 end to the hour, 42: 0
        "04030201"                                  // 43 count
        "04"                                        // 47 chromatograph type
        "02"                                        // 48 moisture-meter type
        "01"                                        // 49 "C6+" column
        "0000000000000000");                        // 50 reserved
    ASSERT_EQ(expected.size(), 58);
    EXPECT_EQ(Encoded(h).toHex(' '), expected.toHex(' '));

    const auto bytes = h.Encode();
    const MeasurementFileHeader back = MeasurementFileHeader::Decode(bytes.data());
    EXPECT_EQ(Encoded(back), Encoded(h));
    EXPECT_EQ(back.Kind(), ArchiveKind::MoistureHour);
    EXPECT_EQ(back.address, 0xA5);
    EXPECT_EQ(back.opened, Date(2024, 6, 3, 9, 15, 42));
    EXPECT_EQ(back.periodStart, Date(2024, 6, 1, 7));
    EXPECT_EQ(back.periodEnd, Date(2024, 6, 2, 23));
    EXPECT_EQ(back.recordCount, 0x01020304u);
    EXPECT_EQ(back.ControllerNameText(), QStringLiteral("ГРС Северная"));
}

TEST(MeasurementFileHeader, PeriodIsCutToTheArchivePrecision) {
    const PackedDate start = Date(2024, 6, 1, 7, 35, 12);
    struct Row {
        ArchiveKind kind;
        const char* startHex;  // bytes 31..36
    };
    const Row rows[] = {
        {ArchiveKind::ChromFiveMinute, "180601072300"},
        {ArchiveKind::ChromHour, "180601070000"},
        {ArchiveKind::ChromDay, "180601000000"},
        {ArchiveKind::MoistureDay, "180601000000"},
    };
    for (const Row& r : rows) {
        const QByteArray enc =
            Encoded(BuildMeasurementFileHeader(r.kind, Values(), 1, start, start, start, 0));
        EXPECT_EQ(enc.mid(31, 6).toHex(), QByteArray(r.startHex)) << r.startHex;
        EXPECT_EQ(enc.mid(37, 6).toHex(), QByteArray(r.startHex)) << r.startHex;
        EXPECT_EQ(enc.mid(0, 3), QByteArray(KindInfo(r.kind).signature));
        EXPECT_EQ(uint8_t(enc[3]), KindInfo(r.kind).analyser);
    }
}

TEST(MeasurementFileHeader, TableValuesGiveTypesAndHexaneFlag) {
    struct Row {
        uint8_t options, present, moistType;
        uint8_t byte48, byte49;
    };
    const Row rows[] = {
        {0x00, 1, 3, 3, 1},
        {0x01, 1, 3, 3, 0},  // bit 0 set: hexane not used
        {0xFE, 1, 3, 3, 1},  // other bits do not matter
        {0x00, 0, 3, 0, 1},  // no moisture meter: its type is not stored
        {0xFF, 0, 9, 0, 0},
    };
    for (const Row& r : rows) {
        HeaderTableValues v = Values();
        v.chromatographOptions = r.options;
        v.moistureMeterPresent = r.present;
        v.moistureMeterType = r.moistType;
        const QByteArray enc = Encoded(BuildMeasurementFileHeader(
            ArchiveKind::ChromHour, v, 1, PackedDate{}, PackedDate{}, PackedDate{}, 0));
        EXPECT_EQ(uint8_t(enc[48]), r.byte48) << int(r.options) << " " << int(r.present);
        EXPECT_EQ(uint8_t(enc[49]), r.byte49) << int(r.options) << " " << int(r.present);
        EXPECT_EQ(uint8_t(enc[47]), ServedChromatographType);
    }
}

TEST(MeasurementFileHeader, ValuesFromTheConfigurationImage) {
    ConfigImage image;
    const char name[] = "ZMK-10 test site";
    std::memcpy(image.Field(5, 0), name, sizeof name - 1);
    *image.Field(6, 8) = 1;
    *image.Field(14, 6) = 4;
    *image.Field(14, 7) = 0x03;
    *image.Field(15, 6) = 5;
    const HeaderTableValues v = HeaderValuesFromImage(image);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(v.controllerName.data()), 20),
              QByteArray(name, sizeof name - 1) + QByteArray(20 - (sizeof name - 1), '\0'));
    EXPECT_EQ(v.moistureMeterPresent, 1);
    EXPECT_EQ(v.chromatographType, 4);
    EXPECT_EQ(v.chromatographOptions, 0x03);
    EXPECT_EQ(v.moistureMeterType, 5);
}

// ---------------------------------------------------------------------------
// Saved files

TEST_F(MeasurementFileTest, RoundTripOfEveryKind) {
    for (int k = 0; k < ArchiveKindCount; ++k) {
        const auto kind = ArchiveKind(k);
        SCOPED_TRACE(KindInfo(kind).extension);
        RecordStore records = MakeRecords(kind, 5);
        // A damaged record, an absurd date and a NaN travel unchanged.
        std::vector<uint8_t> odd(RecordSize(kind), 0xFF);
        records.Append(odd.data());
        const QString path = Path(QStringLiteral("round") + KindInfo(kind).extension);
        // The stored count follows the records, not the header given.
        ASSERT_TRUE(WriteMeasurementFile(path, Header(kind, 999), records));

        const QByteArray raw = ReadAll(path);
        ASSERT_EQ(raw.size(), 58 + 6 * RecordSize(kind));
        EXPECT_EQ(raw.mid(43, 4).toHex(), QByteArray("06000000"));
        EXPECT_EQ(raw.mid(58), records.Bytes());

        FileMessage msg;
        const auto read = ReadMeasurementFile(path, kind, &msg);
        ASSERT_TRUE(read) << msg.first.toStdString();
        EXPECT_EQ(read->header.recordCount, 6u);
        EXPECT_EQ(read->header.address, 7);
        EXPECT_EQ(read->missingRecords, 0u);
        EXPECT_EQ(read->records.Kind(), kind);
        EXPECT_EQ(read->records.Bytes(), records.Bytes());
        EXPECT_TRUE(read->records.At(0).Intact());
        EXPECT_FALSE(read->records.At(5).Intact());
        EXPECT_TRUE(std::isnan(read->records.At(5).Value(0)));
        EXPECT_EQ(read->records.At(5).Date().Month, 0xFF);
        EXPECT_EQ(read->records.At(3).Value(0), 3.5f);
    }
}

TEST_F(MeasurementFileTest, EmptyFileOfRecords) {
    const QString path = Path("empty.hch");
    ASSERT_TRUE(WriteMeasurementFile(path, Header(ArchiveKind::ChromHour, 0), RecordStore(ArchiveKind::ChromHour)));
    const auto read = ReadMeasurementFile(path, ArchiveKind::ChromHour);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->records.Count(), 0);
    EXPECT_EQ(read->missingRecords, 0u);
}

// Every refusal of the "Просмотр/Печать из файла" commands, with its message.
TEST_F(MeasurementFileTest, ForeignFilesAreRefused) {
    const QString hourly = SavedFile("hourly.hch", ArchiveKind::ChromHour, 2);
    const QString moisture = SavedFile("wet.hwm", ArchiveKind::MoistureHour, 2);

    QByteArray otherType = ReadAll(hourly);
    otherType[47] = 3;
    WriteAll(Path("type3.hch"), otherType);
    QByteArray eventFile = ReadAll(hourly);
    eventFile.replace(0, 3, "ALA");
    WriteAll(Path("event.hch"), eventFile);
    WriteAll(Path("short.hch"), ReadAll(hourly).left(57));
    WriteAll(Path("nothing.hch"), QByteArray());

    struct Row {
        QString path;
        ArchiveKind asKind;
        const char* name;
        const char* second;
    };
    const Row rows[] = {
        {hourly, ArchiveKind::ChromFiveMinute, "hourly.hch",
         "мгновенные данные хроматографа из архива 5-минутных данных"},
        {hourly, ArchiveKind::ChromDay, "hourly.hch",
         "суточные данные хроматографа из архива контроллера ЗМК_10"},
        {moisture, ArchiveKind::ChromHour, "wet.hwm",  // same signature, other analyser
         "часовые данные хроматографа из архива контроллера ЗМК_10"},
        {hourly, ArchiveKind::MoistureHour, "hourly.hch",
         "часовые данные влагомера из архива контроллера ЗМК_10"},
        {Path("type3.hch"), ArchiveKind::ChromHour, "type3.hch",
         "часовые данные хроматографа из архива контроллера ЗМК_10"},
        {Path("event.hch"), ArchiveKind::ChromHour, "event.hch",
         "часовые данные хроматографа из архива контроллера ЗМК_10"},
        {Path("short.hch"), ArchiveKind::ChromHour, "short.hch",
         "часовые данные хроматографа из архива контроллера ЗМК_10"},
        {Path("nothing.hch"), ArchiveKind::ChromHour, "nothing.hch",
         "часовые данные хроматографа из архива контроллера ЗМК_10"},
        {moisture, ArchiveKind::MoistureFiveMinute, "wet.hwm",
         "мгновенные данные влагомера из архива 5-минутных данных"},
        {moisture, ArchiveKind::MoistureDay, "wet.hwm",
         "суточные данные влагомера из архива контроллера ЗМК_10"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.second);
        FileMessage msg;
        EXPECT_FALSE(ReadMeasurementFile(r.path, r.asKind, &msg));
        EXPECT_EQ(int(msg.kind), 1);
        EXPECT_EQ(msg.first, QStringLiteral("Файл %1 не является файлом, содержащим").arg(QString::fromUtf8(r.name)));
        EXPECT_EQ(msg.second, QString::fromUtf8(r.second));
    }
    // The untouched files open as their own kinds.
    EXPECT_TRUE(ReadMeasurementFile(hourly, ArchiveKind::ChromHour));
    EXPECT_TRUE(ReadMeasurementFile(moisture, ArchiveKind::MoistureHour));
}

TEST_F(MeasurementFileTest, MissingFileIsAnOpenError) {
    FileMessage msg;
    EXPECT_FALSE(ReadMeasurementFile(Path("absent.mch"), ArchiveKind::ChromFiveMinute, &msg));
    EXPECT_EQ(int(msg.kind), 1);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_TRUE(msg.second.isEmpty());
    // A folder is no file either.
    EXPECT_FALSE(ReadMeasurementFile(dir_.path(), ArchiveKind::ChromFiveMinute, &msg));
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
}

// A file may hold fewer records than its header says (a cut copy) or claim
// an absurd number: only the whole records present are read, nothing is
// sized by the count, and the shortfall is reported.
TEST_F(MeasurementFileTest, CountAgainstTheFileLength) {
    const ArchiveKind kind = ArchiveKind::ChromFiveMinute;
    const QString full = SavedFile("full.mch", kind, 5);
    const QByteArray bytes = ReadAll(full);
    const RecordStore records = MakeRecords(kind, 5);

    struct Row {
        const char* name;
        int keepBytes;        // of the saved file
        uint32_t count;       // header count written over the file's
        qsizetype expected;   // records read
        uint32_t missing;
    };
    const Row rows[] = {
        {"cut.mch", 58 + 3 * 93 + 40, 5, 3, 2},    // ends inside record 4
        {"head.mch", 58, 5, 0, 5},                 // header only
        {"absurd.mch", 58 + 5 * 93, 0xFFFFFFFF, 5, 0xFFFFFFFF - 5},
        {"fewer.mch", 58 + 5 * 93, 2, 2, 0},       // bytes past the count are ignored
        {"zero.mch", 58 + 5 * 93, 0, 0, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        QByteArray b = bytes.left(r.keepBytes);
        PutUint32(reinterpret_cast<uint8_t*>(b.data()) + 43, r.count);
        WriteAll(Path(r.name), b);
        const auto read = ReadMeasurementFile(Path(r.name), kind);
        ASSERT_TRUE(read);
        EXPECT_EQ(read->header.recordCount, r.count);
        EXPECT_EQ(read->records.Count(), r.expected);
        EXPECT_EQ(read->missingRecords, r.missing);
        EXPECT_EQ(read->records.Bytes(), records.Bytes().left(r.expected * 93));
    }
}

TEST_F(MeasurementFileTest, WritingRefusesAStoreOfAnotherKind) {
    FileMessage msg;
    EXPECT_FALSE(WriteMeasurementFile(Path("mixed.mch"), Header(ArchiveKind::ChromFiveMinute, 1),
                                      MakeRecords(ArchiveKind::MoistureFiveMinute, 1), &msg));
    EXPECT_EQ(int(msg.kind), 1);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_FALSE(QFile::exists(Path("mixed.mch")));
    EXPECT_FALSE(WriteMeasurementFile(Path("no/such/folder/x.mch"),
                                      Header(ArchiveKind::ChromFiveMinute, 1),
                                      MakeRecords(ArchiveKind::ChromFiveMinute, 1), &msg));
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
}

// A write that fails half-way (here: the process may not grow a file beyond
// 200 bytes, which holds even for root) leaves the file it was to replace
// as it was, and no temporary file behind.
TEST_F(MeasurementFileTest, FailedWriteKeepsTheExistingFile) {
    const QString path = SavedFile("keep.dch", ArchiveKind::ChromDay, 1);
    const QByteArray before = ReadAll(path);
    ASSERT_EQ(before.size(), 58 + 92);

    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old), 0);
    auto* oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 200;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    FileMessage msg;
    const bool written = WriteMeasurementFile(path, Header(ArchiveKind::ChromDay, 10),
                                              MakeRecords(ArchiveKind::ChromDay, 10), &msg);
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_FALSE(written);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_EQ(ReadAll(path), before);
    EXPECT_EQ(QDir(dir_.path()).entryList(QDir::Files), QStringList{"keep.dch"});
}

TEST_F(MeasurementFileTest, SavingReplacesAnExistingFile) {
    const QString path = SavedFile("again.mwm", ArchiveKind::MoistureFiveMinute, 7);
    ASSERT_TRUE(WriteMeasurementFile(path, Header(ArchiveKind::MoistureFiveMinute, 2),
                                     MakeRecords(ArchiveKind::MoistureFiveMinute, 2)));
    EXPECT_EQ(ReadAll(path).size(), 58 + 2 * 29);
    const FileMessage saved = SavedMessage(path);
    EXPECT_EQ(int(saved.kind), 6);
    EXPECT_EQ(saved.first, QStringLiteral("Данные сохранены в файле again.mwm."));
}

// ---------------------------------------------------------------------------
// File names

TEST(MeasurementFileNames, DefaultsAndExtensions) {
    const PackedDate today = Date(2024, 3, 5, 17, 4, 9);
    struct Row {
        ArchiveKind kind;
        const char* file;
        const char* workbook;
    };
    const Row rows[] = {
        {ArchiveKind::ChromFiveMinute, "/h/MOMDATA/zmk_10-007-240305.mch", "/h/MOMDATA/zmk_10-007-240305_ch.xlsx"},
        {ArchiveKind::ChromHour, "/h/MOMDATA/zmk_10-007-240305.hch", "/h/MOMDATA/zmk_10-007-240305_ch.xlsx"},
        {ArchiveKind::ChromDay, "/h/MOMDATA/zmk_10-007-240305.dch", "/h/MOMDATA/zmk_10-007-240305_ch.xlsx"},
        {ArchiveKind::MoistureFiveMinute, "/h/MOMDATA/zmk_10-007-240305.mwm", "/h/MOMDATA/zmk_10-007-240305_wm.xlsx"},
        {ArchiveKind::MoistureHour, "/h/MOMDATA/zmk_10-007-240305.hwm", "/h/MOMDATA/zmk_10-007-240305_wm.xlsx"},
        {ArchiveKind::MoistureDay, "/h/MOMDATA/zmk_10-007-240305.dwm", "/h/MOMDATA/zmk_10-007-240305_wm.xlsx"},
    };
    for (const Row& r : rows) {
        EXPECT_EQ(DefaultMeasurementFileName("/h/MOMDATA", 7, today, r.kind), QString(r.file));
        EXPECT_EQ(DefaultWorkbookFileName("/h/MOMDATA", 7, today, r.kind), QString(r.workbook));
    }
    EXPECT_EQ(DefaultMeasurementFileName("/d", 255, Date(2099, 12, 31), ArchiveKind::ChromDay),
              QStringLiteral("/d/zmk_10-255-991231.dch"));
    EXPECT_EQ(DefaultMeasurementFileName("/d", 0, Date(2000, 1, 1), ArchiveKind::ChromDay),
              QStringLiteral("/d/zmk_10-000-000101.dch"));

    EXPECT_EQ(WithDefaultExtension("/d/site", ArchiveKind::MoistureHour), QStringLiteral("/d/site.hwm"));
    EXPECT_EQ(WithDefaultExtension("/d.v2/site", ArchiveKind::ChromHour), QStringLiteral("/d.v2/site.hch"));
    EXPECT_EQ(WithDefaultExtension("/d/site.dat", ArchiveKind::ChromHour), QStringLiteral("/d/site.dat"));
    EXPECT_EQ(WithDefaultExtension("/d/site.hch", ArchiveKind::ChromHour), QStringLiteral("/d/site.hch"));
    EXPECT_EQ(WithWorkbookExtension("/d/book"), QStringLiteral("/d/book.xlsx"));
    EXPECT_EQ(WithWorkbookExtension("/d/book.xls"), QStringLiteral("/d/book.xls"));
}

// ---------------------------------------------------------------------------
// "datafile.hdm"

TEST_F(MeasurementFileTest, RawFileOfOneReading) {
    const ArchiveKind kind = ArchiveKind::ChromHour;
    const RecordStore answers = MakeRecords(kind, 5);
    const QString path = Path("datafile.hdm");
    WriteAll(path, QByteArray(1000, 'x'));  // left over from an earlier reading

    HdmFile file;
    ASSERT_TRUE(file.Create(path));
    EXPECT_TRUE(file.IsOpen());
    // Answers of 2, 2 and 1 records, as the controller sends them.
    EXPECT_TRUE(file.Append(answers.RecordBytes(0), 2, 92));
    EXPECT_TRUE(file.Append(answers.RecordBytes(2), 2, 92));
    EXPECT_TRUE(file.Append(answers.RecordBytes(4), 1, 92));
    EXPECT_TRUE(file.Close());
    EXPECT_FALSE(file.IsOpen());
    EXPECT_FALSE(file.Append(answers.RecordBytes(0), 1, 92));

    FileMessage msg;
    auto read = ReadHdmFile(path, kind, &msg);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Count(), 5);
    EXPECT_EQ(read->Bytes(), answers.Bytes());

    // Count = length / record size: a cut last record is not read.
    WriteAll(path, answers.Bytes().left(3 * 92 + 50));
    read = ReadHdmFile(path, kind);
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Count(), 3);
    WriteAll(path, QByteArray());
    read = ReadHdmFile(path, kind);
    ASSERT_TRUE(read);
    EXPECT_TRUE(read->IsEmpty());

    EXPECT_FALSE(ReadHdmFile(Path("gone.hdm"), kind, &msg));
    EXPECT_EQ(int(msg.kind), 6);
    EXPECT_EQ(msg.first, QStringLiteral("Ошибка открытия файла"));

    HdmFile bad;
    EXPECT_FALSE(bad.Create(Path("no/such/datafile.hdm")));
    EXPECT_FALSE(bad.IsOpen());
}

TEST_F(MeasurementFileTest, RawFileDefaultsToTheBaseFolder) {
    qputenv("ZMK_HOME", QFile::encodeName(dir_.path()));
    SetUpFolders();
    {
        HdmFile file;
        ASSERT_TRUE(file.Create());
        EXPECT_EQ(file.Path(), TempFilePath(TempFile::Hdm));
        const RecordStore one = MakeRecords(ArchiveKind::MoistureDay, 1);
        EXPECT_TRUE(file.Append(one.RecordBytes(0), 1, 28));
    }  // closed by the destructor
    const auto read = ReadHdmFile(ArchiveKind::MoistureDay);
    qunsetenv("ZMK_HOME");
    ASSERT_TRUE(read);
    EXPECT_EQ(read->Count(), 1);
    EXPECT_EQ(ReadAll(Path("datafile.hdm")).size(), 28);
}
