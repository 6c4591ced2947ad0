// The configuration record: defaults, the record from the image and back
// with its checks, and the configuration files.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "FileSizeLimit.h"
#include "QtPrinters.h"
#include "tables/ConfigRecord.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"

using namespace zmk;
namespace off = zmk::config_offset;

namespace {

float FloatAt(const uint8_t* at) {
    float value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

QByteArray FileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void PutFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
}

// One valid user of level 1 in an otherwise empty list.
void PutManufacturer(uint8_t* users) {
    uint8_t* user = UserRecordAt(users, 0);
    std::memcpy(user + UserNameAt, "ADM ", 4);
    user[UserLevelAt] = Manufacturer;
    std::memcpy(user + UserPasswordAt, "secret      ", 12);
    std::memcpy(user + UserCodeAt, "1234", 4);
}

}  // namespace

TEST(ConfigRecord, NewRecordHoldsTheDefaults) {
    const ConfigRecord r = NewConfigRecord();
    EXPECT_EQ(r.bytes[off::Origin], 0);
    EXPECT_EQ(r.bytes[2], 73);
    EXPECT_EQ(r.bytes[4], 10);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(r.At(29)), 20), QByteArray(20, ' '));
    const struct {
        int offset;
        std::vector<uint8_t> bytes;
    } tables[] = {
        {69, {1, 11, 3, 0}},                                // table 3
        {173, {3, 201, 3, 10, 201, 4, 9, 1, 1, 1, 0, 0}},   // table 6
        {285, {1, 11, 0, 0, 150, 5, 4, 0}},                 // table 14
        {343, {1, 11, 0, 0, 150, 5, 0, 0}},                 // table 15
        {2395, {1, 11, 5, 20, 3, 1, 0, 1}},                 // table 9
        {1841, {1, 0}},                                     // table 28
    };
    for (const auto& t : tables)
        EXPECT_EQ(std::vector<uint8_t>(r.At(t.offset), r.At(t.offset) + t.bytes.size()), t.bytes) << t.offset;
    for (int p = 0; p < 20; ++p)
        EXPECT_EQ(r.bytes[size_t(821 + p)], (p == 7 || p == 9 || p == 12) ? 1 : 0) << p;
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(r.At(405 + 20 * i)), 16), QByteArray(16, ' ')) << i;
    for (int u = 0; u < 16; ++u) {
        const uint8_t* user = r.At(1943 + 22 * u);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(user), 4), "    ");
        EXPECT_EQ(user[4], 0);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(user + 6), 16), QByteArray(16, ' '));
    }
    // Limits: table 22 + kind, value of gas parameter p at 941 + 180 * kind + 4 * p.
    const struct {
        int kind, parameter;
        float value;
    } limits[] = {{0, 0, 0.01f}, {1, 0, 0.002f}, {2, 1, 6.0f}, {3, 8, 90.0f}, {4, 11, 45.0f}, {1, 8, 95.0f}};
    for (const auto& l : limits)
        EXPECT_FLOAT_EQ(FloatAt(r.At(941 + 180 * l.kind + 4 * l.parameter)), l.value) << l.kind << " " << l.parameter;
    // Reserved ranges stay 0.
    for (const auto& [from, size] : std::vector<std::pair<int, int>>{{19, 10}, {49, 20}, {73, 100}, {2403, 200}})
        for (int i = from; i < from + size; ++i) ASSERT_EQ(r.bytes[size_t(i)], 0) << i;
    for (int kind = 0; kind < 5; ++kind)
        for (int i = 80; i < 180; ++i) ASSERT_EQ(r.bytes[size_t(941 + 180 * kind + i)], 0);
}

TEST(ConfigRecord, ImageToRecordTakesTheReadTablesAndOnlyConnectedFlowComputers) {
    ConfigImage image;
    for (size_t i = 0; i < image.bytes.size(); ++i) image.bytes[i] = uint8_t(i * 7 + 3);
    image.Table(9)[0] = 2;
    const ConfigRecord r = ImageToRecord(image);
    EXPECT_EQ(r.bytes[off::Origin], 1);
    const struct {
        int table, offset;
    } whole[] = {{0, 1}, {5, 29}, {3, 69}, {4, 1943}, {6, 173}, {14, 285}, {15, 343}, {9, 2395},
                 {21, 821}, {22, 941}, {23, 1121}, {24, 1301}, {25, 1481}, {26, 1661}, {28, 1841}, {29, 1851}};
    for (const auto& w : whole) {
        const TableDescriptor& d = Descriptor(w.table);
        EXPECT_EQ(0, std::memcmp(r.At(w.offset), image.Table(w.table), size_t(d.fieldCount * d.fieldSize)))
            << "table " << w.table;
    }
    for (int i = 0; i < 16; ++i) {
        const uint8_t* entry = r.FlowComputer(i);
        const bool connected = i < 2;
        EXPECT_EQ(entry[0], connected ? image.Table(18)[i] : 0) << i;
        EXPECT_EQ(entry[1], connected ? image.Table(17)[i] : 0) << i;
        EXPECT_EQ(entry[2], connected ? image.Table(19)[i] : 0) << i;
        EXPECT_EQ(entry[3], connected ? image.Table(20)[i] : 0) << i;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(entry + 4), 16), QByteArray(16, ' ')) << i;
    }
}

TEST(ConfigRecord, ImageToRecordTakesAtMostSixteenFlowComputers) {
    ConfigImage image;
    image.Table(9)[0] = 200;
    for (int i = 0; i < 16; ++i) image.Table(18)[i] = uint8_t(i + 1);
    const ConfigRecord r = ImageToRecord(image);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(r.FlowComputer(i)[0], i + 1);
    EXPECT_EQ(r.bytes[721], 0);  // the reserved bytes after the 16 entries
}

TEST(ConfigRecord, FileKeepsTheRecordAndTransformsOnlyThePasswords) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("a.cnf"));
    ConfigRecord r = NewConfigRecord();
    std::memcpy(r.FlowComputer(3) + 4, "pass\x04\x05\xFF", 7);
    ASSERT_TRUE(WriteConfigFile(path, r));

    const QByteArray file = FileBytes(path);
    ASSERT_EQ(file.size(), ConfigRecordSize);
    for (int i = 0; i < ConfigRecordSize; ++i) {
        const bool password = i >= 401 && i < 721 && (i - 401) % 20 >= 4;
        const uint8_t expected = password ? uint8_t(4 - r.bytes[size_t(i)]) : r.bytes[size_t(i)];
        ASSERT_EQ(uint8_t(file[i]), expected) << i;
    }
    EXPECT_EQ(uint8_t(file[405]), 0xE4);  // a blank

    FileMessage message;
    const auto back = ReadConfigFile(path, &message);
    ASSERT_TRUE(back.has_value()) << message.first.toStdString();
    EXPECT_EQ(*back, r);
}

TEST(ConfigRecord, ForeignAndOtherVersionFilesAreRefused) {
    QTemporaryDir dir;
    ConfigRecord r = NewConfigRecord();
    QByteArray good(reinterpret_cast<const char*>(r.bytes.data()), ConfigRecordSize);
    const struct {
        const char* name;
        QByteArray bytes;
        MessageKind kind;
        QString first, second;
    } cases[] = {
        {"foreign.cnf", QByteArray(good).replace(2, 1, "A"), MessageKind::Info,
         "Файл foreign.cnf не является файлом конфигурации", "контроллера ЗМК_10"},
        {"v14.cnf", QByteArray(good).replace(4, 1, "\x0E"), MessageKind::Info,
         "Файл параметров конфигурации v14.cnf подготовлен", "для контроллера ЗМК_10 с версией ПО 14"},
        {"empty.cnf", QByteArray(), MessageKind::Info, "Файл empty.cnf не является файлом конфигурации",
         "контроллера ЗМК_10"},
        {"short.cnf", good.left(4), MessageKind::Info, "Файл параметров конфигурации short.cnf подготовлен",
         "для контроллера ЗМК_10 с версией ПО 0"},
    };
    for (const auto& c : cases) {
        const QString path = dir.filePath(QString::fromLatin1(c.name));
        PutFile(path, c.bytes);
        FileMessage message;
        EXPECT_FALSE(ReadConfigFile(path, &message).has_value()) << c.name;
        EXPECT_EQ(message.kind, c.kind) << c.name;
        EXPECT_EQ(message.first, c.first);
        EXPECT_EQ(message.second, c.second);
    }
    FileMessage message;
    EXPECT_FALSE(ReadConfigFile(dir.filePath(QStringLiteral("missing.cnf")), &message).has_value());
    EXPECT_EQ(message.kind, MessageKind::Error);
    EXPECT_EQ(message.first, QStringLiteral("Ошибка открытия файла"));
}

TEST(ConfigRecord, ShortFileLeavesTheRestZeroAndLongFileIsReadToItsRecord) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("short.cnf"));
    QByteArray bytes(100, '\0');
    bytes[2] = 73;
    bytes[4] = 10;
    PutFile(path, bytes);
    const auto r = ReadConfigFile(path);
    ASSERT_TRUE(r.has_value());
    // Passwords of a short file read as 4 - 0 (the transform of absent bytes).
    EXPECT_EQ(r->bytes[100], 0);
    EXPECT_EQ(r->bytes[405], 4);

    const QString longPath = dir.filePath(QStringLiteral("long.cnf"));
    ConfigRecord whole = NewConfigRecord();
    ASSERT_TRUE(WriteConfigFile(longPath, whole));
    QFile file(longPath);
    ASSERT_TRUE(file.open(QIODevice::Append));
    file.write("trailing bytes");
    file.close();
    const auto back = ReadConfigFile(longPath);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, whole);
}

TEST(ConfigRecord, FailedWriteKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("kept.cnf"));
    PutFile(path, "old contents");
    FileMessage message;
    {
        FileSizeLimit limit(12);
        EXPECT_FALSE(WriteConfigFile(path, NewConfigRecord(), &message));
    }
    EXPECT_EQ(FileBytes(path), QByteArray("old contents"));
    EXPECT_EQ(message.first, QStringLiteral("Ошибка открытия файла"));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files).size(), 1);
}

TEST(ConfigRecord, ProposedNameAndSavedMessage) {
    ConfigRecord r = NewConfigRecord();
    const QByteArray cp = QByteArray("\xC3\xD0\xD1-1");  // "ГРС-1" in Windows-1251
    std::memcpy(r.At(29), cp.constData(), size_t(cp.size()));
    const QDateTime at(QDate(2024, 3, 5), QTime(9, 7, 41));
    EXPECT_EQ(ProposedConfigFileName(QStringLiteral("/base/CONFIG"), r, at),
              QStringLiteral("/base/CONFIG/zmk_10-ГРС-1-2403050907.cnf"));
    std::memcpy(r.At(29), " a/b  ", 6);
    EXPECT_EQ(ProposedConfigFileName(QStringLiteral("/c"), r, at), QStringLiteral("/c/zmk_10-a_b-2403050907.cnf"));
    // A name that looks like a placeholder stays as it is.
    std::memcpy(r.At(29), "%1 %2%9 ", 8);
    EXPECT_EQ(ProposedConfigFileName(QStringLiteral("/c"), r, at), QStringLiteral("/c/zmk_10-%1 %2%9-2403050907.cnf"));

    const FileMessage saved = ConfigSavedMessage(QStringLiteral("/base/CONFIG/x.cnf"));
    EXPECT_EQ(saved.kind, MessageKind::Info);
    EXPECT_EQ(saved.first, QStringLiteral("Параметры конфигурации"));
    EXPECT_EQ(saved.second, QStringLiteral("сохранены в файле x.cnf"));
}

TEST(ConfigRecord, CopyToImageStopsAtTheFirstFaultInTheDesignedOrder) {
    const auto with = [](auto change) {
        ConfigRecord r = NewConfigRecord();
        PutManufacturer(r.At(off::Users));
        r.FlowComputer(0)[0] = 5;
        change(r);
        return r;
    };
    const struct {
        const char* what;
        ConfigRecord record;
        bool checkUsers;
        QString line1, line2;
    } cases[] = {
        {"no manufacturer", with([](ConfigRecord& r) { r.At(off::Users)[UserLevelAt] = Engineer; }), true,
         "В списке зарегистрированных пользователей", "не зарегистрирован производитель-наладчик"},
        {"two manufacturers", with([](ConfigRecord& r) {
             std::memcpy(UserRecordAt(r.At(off::Users), 1), UserRecordAt(r.At(off::Users), 0), 22);
         }),
         true, "Может быть зарегистрирован", "только один производитель-наладчик"},
        {"code starting with 0", with([](ConfigRecord& r) { r.At(off::Users)[UserCodeAt] = 0; }), true,
         "Номер пользователя в таблице: 1.", "Не задан код идентификации пользователя"},
        {"chromatograph address", with([](ConfigRecord& r) { r.bytes[off::Chromatograph] = 0; }), true,
         "Неверно задан адрес хроматографа", ""},
        {"users not checked", with([](ConfigRecord& r) {
             r.At(off::Users)[UserLevelAt] = Engineer;
             r.bytes[off::Chromatograph] = 0;
         }),
         false, "Неверно задан адрес хроматографа", ""},
        {"moisture-meter address", with([](ConfigRecord& r) { r.bytes[off::MoistureMeter] = 0; }), true,
         "Неверно задан адрес влагомера", ""},
        {"flow computer address", with([](ConfigRecord& r) {
             r.bytes[off::FlowComputerLink] = 2;
         }),
         true, "Неверно заданы адреса вычислителей РГ", ""},
        {"flow computer count", with([](ConfigRecord& r) { r.bytes[off::FlowComputerLink] = 17; }), true,
         "Неверно задано количество вычислителей РГ", ""},
    };
    for (const auto& c : cases) {
        ConfigImage image;
        const auto fault = CopyRecordToImage(c.record, image, c.checkUsers);
        ASSERT_TRUE(fault.has_value()) << c.what;
        EXPECT_EQ(fault->line1, c.line1) << c.what;
        EXPECT_EQ(fault->line2, c.line2) << c.what;
        // What comes before the fault is copied already.
        EXPECT_EQ(0, std::memcmp(image.Table(5), c.record.At(off::Name), 20)) << c.what;
    }
}

TEST(ConfigRecord, CopyToImageFillsEveryConfigurationTable) {
    ConfigRecord r = NewConfigRecord();
    PutManufacturer(r.At(off::Users));
    // A level-0 user with leftovers is blanked on the way.
    uint8_t* ghost = UserRecordAt(r.At(off::Users), 5);
    std::memcpy(ghost, "OLD ", 4);
    ghost[UserReservedAt] = 9;
    r.bytes[off::FlowComputerLink] = 2;
    for (int i = 0; i < 2; ++i) {
        uint8_t* e = r.FlowComputer(i);
        e[0] = uint8_t(10 + i), e[1] = uint8_t(2 + i), e[2] = 1, e[3] = uint8_t(i);
        std::memcpy(e + 4, i ? "second password " : "first password  ", 16);
    }
    r.bytes[1851] = 192;
    ConfigImage image;
    image.bytes.fill(0xAA);
    ASSERT_FALSE(CopyRecordToImage(r, image, true).has_value());

    const struct {
        int table, offset;
    } whole[] = {{5, 29}, {3, 69}, {6, 173}, {14, 285}, {15, 343}, {9, 2395}, {21, 821}, {22, 941},
                 {23, 1121}, {24, 1301}, {25, 1481}, {26, 1661}, {28, 1841}, {29, 1851}};
    for (const auto& w : whole) {
        const TableDescriptor& d = Descriptor(w.table);
        EXPECT_EQ(0, std::memcmp(image.Table(w.table), r.At(w.offset), size_t(d.fieldCount * d.fieldSize)))
            << "table " << w.table;
    }
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(image.Table(18)[i], 10 + i);
        EXPECT_EQ(image.Table(17)[i], 2 + i);
        EXPECT_EQ(image.Table(19)[i], 1);
        EXPECT_EQ(image.Table(20)[i], i);
        EXPECT_EQ(0, std::memcmp(image.Field(13, i), r.FlowComputer(i) + 4, 16));
    }
    EXPECT_EQ(image.Table(18)[2], 0xAA);  // not a connected flow computer: untouched
    const uint8_t* users = image.Table(4);
    EXPECT_EQ(0, std::memcmp(users, r.At(off::Users), 22));
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(UserRecordAt(users, 5)), 4), "    ");
    EXPECT_EQ(UserRecordAt(users, 5)[UserReservedAt], 0);
    EXPECT_EQ(image.Table(2)[0], 0xAA);  // the clock is never part of the copy
}

TEST(ConfigRecord, TransformIsItsOwnInverseOnEveryByte) {
    ConfigRecord r;
    for (size_t i = 0; i < r.bytes.size(); ++i) r.bytes[i] = uint8_t(i);
    const ConfigRecord before = r;
    TransformPasswords(r);
    EXPECT_NE(r, before);
    EXPECT_EQ(r.bytes[400], before.bytes[400]);
    EXPECT_EQ(r.bytes[401], before.bytes[401]);  // the address is not a password
    TransformPasswords(r);
    EXPECT_EQ(r, before);
}
