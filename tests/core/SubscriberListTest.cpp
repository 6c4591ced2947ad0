#include <gtest/gtest.h>

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <memory>
#include <numeric>
#include <vector>

#include "common/Cp1251.h"
#include "common/ProfileFile.h"
#include "link/SubscriberList.h"

using namespace zmk;

namespace {

// The lists are large; keep them off the stack.
std::unique_ptr<PhoneList> NewPhoneList() {
    auto list = std::make_unique<PhoneList>();
    ClearList(*list);
    return list;
}

std::unique_ptr<EthernetList> NewEthernetList() {
    auto list = std::make_unique<EthernetList>();
    ClearList(*list);
    return list;
}

void AddPhone(PhoneList& list, const QString& name, const QString& phone, uint8_t address = 1) {
    PhoneAbonent& e = list.Entries[list.Count++];
    e = EmptyPhoneAbonent();
    SetAbonentName(e, name);
    SetAbonentPhone(e, phone);
    e.Address = address;
}

void AddEthernet(EthernetList& list, const QString& name, uint32_t ip, int32_t port,
                 uint8_t address = 1) {
    EthernetAbonent& e = list.Entries[list.Count++];
    e = EmptyEthernetAbonent();
    SetAbonentName(e, name);
    e.SetIp(ip);
    e.SetPort(port);
    e.Address = address;
}

QStringList Names(const PhoneList& list) {
    QStringList out;
    for (int i = 0; i < list.Count; ++i)
        out << AbonentName(list.Entries[i]);
    return out;
}

QStringList Names(const EthernetList& list) {
    QStringList out;
    for (int i = 0; i < list.Count; ++i)
        out << AbonentName(list.Entries[i]);
    return out;
}

QStringList Phones(const PhoneList& list) {
    QStringList out;
    for (int i = 0; i < list.Count; ++i)
        out << AbonentPhone(list.Entries[i]);
    return out;
}

bool IsZero(const void* data, size_t size) {
    const auto* p = static_cast<const uint8_t*>(data);
    return std::all_of(p, p + size, [](uint8_t b) { return b == 0; });
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

void WriteAll(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

constexpr uint32_t Ip(int a, int b, int c, int d) {
    return uint32_t(a) << 24 | uint32_t(b) << 16 | uint32_t(c) << 8 | uint32_t(d);
}

class AbonentFiles : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const char* name) const { return dir_.filePath(QString::fromLatin1(name)); }
    QTemporaryDir dir_;
};

}  // namespace

// ---------------------------------------------------------------------------
// Entry layout

TEST(EthernetAbonent, IpAndPortAreStoredLeastSignificantByteFirst) {
    EthernetAbonent e = EmptyEthernetAbonent();
    e.SetIp(Ip(192, 168, 1, 20));
    e.SetPort(502);
    const uint8_t expected[8] = {20, 1, 168, 192, 0xF6, 0x01, 0, 0};
    EXPECT_EQ(std::memcmp(e.IpBytes, expected, 4), 0);
    EXPECT_EQ(std::memcmp(e.PortBytes, expected + 4, 4), 0);
    const uint8_t* raw = reinterpret_cast<const uint8_t*>(&e);
    EXPECT_EQ(raw[51], 20);
    EXPECT_EQ(raw[54], 192);
    EXPECT_EQ(raw[55], 0xF6);
    EXPECT_EQ(e.Ip(), 0xC0A80114u);
    EXPECT_EQ(IpAddressText(e), QStringLiteral("192.168.1.20"));
    EXPECT_EQ(IpPortText(e), QStringLiteral("192.168.1.20:502"));
    e.SetPort(-1);
    EXPECT_EQ(e.Port(), -1);
    EXPECT_EQ(IpPortText(e), QStringLiteral("192.168.1.20:-1"));
}

TEST(AbonentTexts, SlotsAreCutToFitTheirTerminator) {
    PhoneAbonent p = EmptyPhoneAbonent();
    std::memset(p.Name, 'x', sizeof p.Name);
    SetAbonentName(p, QString(80, u'Ж'));
    SetAbonentPhone(p, QString(40, u'7'));
    EXPECT_EQ(AbonentName(p), QString(49, u'Ж'));
    EXPECT_EQ(p.Name[49], 0);
    EXPECT_EQ(p.Name[0], 0xC6);  // Windows-1251 'Ж'
    EXPECT_EQ(AbonentPhone(p), QString(29, u'7'));
    EXPECT_EQ(p.Phone[29], 0);
    // A shorter text leaves no rest of the longer one behind.
    SetAbonentName(p, QStringLiteral("Аб"));
    EXPECT_TRUE(IsZero(p.Name + 2, sizeof p.Name - 2));
}

// ---------------------------------------------------------------------------
// Sorting

TEST(SortPhoneList, ByNameIgnoresCaseInWindows1251) {
    auto list = NewPhoneList();
    AddPhone(*list, QStringLiteral("б"), QStringLiteral("1"));
    AddPhone(*list, QStringLiteral("А"), QStringLiteral("2"));
    AddPhone(*list, QStringLiteral("в"), QStringLiteral("3"));
    SortPhoneList(*list);
    EXPECT_EQ(Names(*list), QStringList({"А", "б", "в"}));
    // Whole entries move, not only the names.
    EXPECT_EQ(Phones(*list), QStringList({"2", "1", "3"}));
}

TEST(SortPhoneList, ComparesUpperCaseBytes) {
    struct Case {
        const char* name;
        QStringList input;
        QStringList expected;
    };
    const Case cases[] = {
        // Latin bytes are below Cyrillic ones; 'ё' is 0xB8, upper 0xA8, below 'А' (0xC0).
        {"latin before cyrillic", {"яблоко", "Zebra", "apple"}, {"apple", "Zebra", "яблоко"}},
        {"yo before a", {"Арбуз", "ёлка", "Ель"}, {"ёлка", "Арбуз", "Ель"}},
        {"prefix first", {"Аб", "А", "аба"}, {"А", "Аб", "аба"}},
        {"digits and blanks", {"Пункт 2", "Пункт 10", "Пункт1"}, {"Пункт 10", "Пункт 2", "Пункт1"}},
        {"empty name first", {"б", "", "а"}, {"", "а", "б"}},
    };
    for (const Case& c : cases) {
        auto list = NewPhoneList();
        for (const QString& n : c.input)
            AddPhone(*list, n, QStringLiteral("0"));
        SortPhoneList(*list);
        EXPECT_EQ(Names(*list), c.expected) << c.name;
    }
}

TEST(SortPhoneList, EqualKeysKeepTheirOrderAndAreAllKept) {
    auto list = NewPhoneList();
    AddPhone(*list, QStringLiteral("Узел"), QStringLiteral("first"));
    AddPhone(*list, QStringLiteral("Альфа"), QStringLiteral("a"));
    AddPhone(*list, QStringLiteral("УЗЕЛ"), QStringLiteral("second"));
    AddPhone(*list, QStringLiteral("Узел"), QStringLiteral("third"));
    SortPhoneList(*list);
    EXPECT_EQ(list->Count, 4);
    EXPECT_EQ(Names(*list), QStringList({"Альфа", "Узел", "УЗЕЛ", "Узел"}));
    EXPECT_EQ(Phones(*list), QStringList({"a", "first", "second", "third"}));
}

TEST(SortPhoneList, CurrentEntryStaysCurrentByNameTheLastOfEqualNames) {
    auto list = NewPhoneList();
    AddPhone(*list, QStringLiteral("в"), QStringLiteral("1"));
    AddPhone(*list, QStringLiteral("а"), QStringLiteral("2"));
    AddPhone(*list, QStringLiteral("б"), QStringLiteral("3"));
    list->Current = 0;  // "в"
    SortPhoneList(*list);
    EXPECT_EQ(list->Current, 2);
    EXPECT_EQ(AbonentName(list->Entries[list->Current]), QStringLiteral("в"));

    // Two entries named alike: the current one becomes the last of them,
    // even when it was the first. A name equal only in upper case is another name.
    auto twins = NewPhoneList();
    AddPhone(*twins, QStringLiteral("Пост"), QStringLiteral("first"));
    AddPhone(*twins, QStringLiteral("ПОСТ"), QStringLiteral("upper"));
    AddPhone(*twins, QStringLiteral("Пост"), QStringLiteral("second"));
    AddPhone(*twins, QStringLiteral("Аэро"), QStringLiteral("x"));
    twins->Current = 0;
    SortPhoneList(*twins);
    EXPECT_EQ(Phones(*twins), QStringList({"x", "first", "upper", "second"}));
    EXPECT_EQ(twins->Current, 3);
}

TEST(SortPhoneList, ByTelephoneNumber) {
    auto list = NewPhoneList();
    list->SortKind = SortByKey;
    AddPhone(*list, QStringLiteral("А"), QStringLiteral("8-900-1"));
    AddPhone(*list, QStringLiteral("Б"), QStringLiteral("123"));
    AddPhone(*list, QStringLiteral("В"), QStringLiteral("8-800"));
    AddPhone(*list, QStringLiteral("Г"), QStringLiteral("p2"));
    AddPhone(*list, QStringLiteral("Д"), QStringLiteral("P1"));
    list->Current = 0;
    SortPhoneList(*list);
    EXPECT_EQ(Phones(*list), QStringList({"123", "8-800", "8-900-1", "P1", "p2"}));
    EXPECT_EQ(AbonentName(list->Entries[list->Current]), QStringLiteral("А"));
}

TEST(SortEthernetList, ByIpAsUnsignedNumbers) {
    auto list = NewEthernetList();
    list->SortKind = SortByKey;
    AddEthernet(*list, QStringLiteral("a"), Ip(192, 168, 1, 20), 502);
    AddEthernet(*list, QStringLiteral("b"), Ip(10, 0, 0, 5), 4001);
    AddEthernet(*list, QStringLiteral("c"), Ip(255, 255, 255, 255), 1);
    AddEthernet(*list, QStringLiteral("d"), Ip(0, 0, 0, 0), 2);
    AddEthernet(*list, QStringLiteral("e"), Ip(127, 255, 255, 255), 3);
    AddEthernet(*list, QStringLiteral("f"), Ip(128, 0, 0, 0), 4);
    list->Current = 0;
    SortEthernetList(*list);
    EXPECT_EQ(Names(*list), QStringList({"d", "b", "e", "f", "a", "c"}));
    EXPECT_EQ(list->Current, 4);
    EXPECT_EQ(list->Entries[4].Port(), 502);
}

TEST(SortEthernetList, ByNameAndNothingPastTheCountMoves) {
    auto list = NewEthernetList();
    AddEthernet(*list, QStringLiteral("Северная"), Ip(1, 1, 1, 1), 1);
    AddEthernet(*list, QStringLiteral("восточная"), Ip(2, 2, 2, 2), 2);
    AddEthernet(*list, QStringLiteral("Западная"), Ip(3, 3, 3, 3), 3);
    // A leftover past the count must stay where it is.
    SetAbonentName(list->Entries[3], QStringLiteral("Аааа"));
    list->Current = 1;
    SortEthernetList(*list);
    EXPECT_EQ(Names(*list), QStringList({"восточная", "Западная", "Северная"}));
    EXPECT_EQ(list->Current, 0);
    EXPECT_EQ(AbonentName(list->Entries[3]), QStringLiteral("Аааа"));
}

// Many random lists with few distinct names against a stable sort by the
// upper-case key: the placement rule must give the same order.
TEST(SortPhoneList, MatchesAStableSortOnRandomLists) {
    const QStringList pool = {"а", "А", "б", "Б", "аб", "АБ", "z", "Z", "", "ё", "Ё", "1"};
    QRandomGenerator rng(20240501);
    for (int round = 0; round < 200; ++round) {
        auto list = NewPhoneList();
        const int count = int(rng.bounded(1, MaxAbonents + 1));
        for (int i = 0; i < count; ++i)
            AddPhone(*list, pool[rng.bounded(int(pool.size()))], QString::number(i));
        list->SortKind = uint8_t(rng.bounded(2));
        list->Current = uint8_t(rng.bounded(count));
        const PhoneList before = *list;

        std::vector<int> order(count);
        std::iota(order.begin(), order.end(), 0);
        auto key = [&](int i) {
            const PhoneAbonent& e = before.Entries[i];
            const QString text = before.SortKind == SortByKey ? AbonentPhone(e) : AbonentName(e);
            QByteArray bytes = ToCp1251(text);
            for (char& ch : bytes)
                ch = char(UpperCp1251(uint8_t(ch)));
            return bytes;
        };
        std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return key(a) < key(b); });

        SortPhoneList(*list);
        ASSERT_EQ(list->Count, count);
        for (int j = 0; j < count; ++j)
            ASSERT_EQ(std::memcmp(&list->Entries[j], &before.Entries[order[j]], sizeof(PhoneAbonent)), 0)
                << "round " << round << " position " << j;
        const QString currentName = AbonentName(before.Entries[before.Current]);
        int last = -1;
        for (int j = 0; j < count; ++j)
            if (AbonentName(list->Entries[j]) == currentName)
                last = j;
        ASSERT_EQ(list->Current, last) << "round " << round;
    }
}

TEST(SortLists, EmptyOrOddHeadersDoNoHarm) {
    auto phone = NewPhoneList();
    SortPhoneList(*phone);
    EXPECT_TRUE(IsZero(phone.get(), sizeof(PhoneList)));

    // A block that was never read from a file: count past 200, current past the count.
    auto eth = NewEthernetList();
    for (int i = 0; i < MaxAbonents; ++i)
        AddEthernet(*eth, QString::number(MaxAbonents - i), 0, i);
    eth->Count = 255;
    eth->Current = 250;
    SortEthernetList(*eth);
    // The current entry is taken as the last one, "1", which sorts first.
    EXPECT_EQ(AbonentName(eth->Entries[0]), QStringLiteral("1"));
    EXPECT_EQ(AbonentName(eth->Entries[199]), QStringLiteral("99"));
    EXPECT_EQ(eth->Current, 0);
}

// ---------------------------------------------------------------------------
// Deleting

TEST(DeleteCurrentAbonent, MovesTheRestUpAndClearsTheFreedEntry) {
    struct Case {
        int current;
        int expectedCurrent;
        QStringList expectedNames;
    };
    const Case cases[] = {
        {0, 0, {"1", "2", "3", "4", "5", "6", "7"}},
        {5, 4, {"0", "1", "2", "3", "4", "6", "7"}},
        {7, 6, {"0", "1", "2", "3", "4", "5", "6"}},
    };
    for (const Case& c : cases) {
        auto list = NewPhoneList();
        for (int i = 0; i < 8; ++i)
            AddPhone(*list, QString::number(i), QStringLiteral("tel%1").arg(i), uint8_t(10 + i));
        list->Current = uint8_t(c.current);
        DeleteCurrentAbonent(*list);
        EXPECT_EQ(list->Count, 7) << c.current;
        EXPECT_EQ(list->Current, c.expectedCurrent) << c.current;
        EXPECT_EQ(Names(*list), c.expectedNames) << c.current;
        EXPECT_TRUE(IsZero(&list->Entries[7], sizeof(PhoneAbonent))) << c.current;
    }

    auto eth = NewEthernetList();
    AddEthernet(*eth, QStringLiteral("only"), Ip(1, 2, 3, 4), 5);
    DeleteCurrentAbonent(*eth);
    EXPECT_EQ(eth->Count, 0);
    EXPECT_EQ(eth->Current, 0);
    EXPECT_TRUE(IsZero(eth.get(), sizeof(EthernetList)));
    DeleteCurrentAbonent(*eth);  // nothing to delete
    EXPECT_EQ(eth->Count, 0);
}

// ---------------------------------------------------------------------------
// Files

TEST_F(AbonentFiles, EthernetEntryIsWrittenWithSignedIpAndReadBack) {
    const QString path = Path("ethr_abonents.ini");
    auto list = NewEthernetList();
    auto stored = NewEthernetList();
    AddEthernet(*list, QStringLiteral("Котельная №1"), Ip(192, 168, 1, 20), 502, 7);
    AddEthernet(*list, QStringLiteral("Local"), Ip(10, 0, 0, 5), 4001, 255);
    list->Current = 1;
    list->SortKind = SortByKey;
    ASSERT_EQ(WriteEthernetList(path, *list, *stored), ListWriteResult::Written);
    EXPECT_EQ(std::memcmp(list.get(), stored.get(), sizeof(EthernetList)), 0);

    ProfileFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Value("ETHERNET_CONN_PAR", "users_num"), "2");
    EXPECT_EQ(file.Value("ETHERNET_CONN_PAR", "user_index"), "1");
    EXPECT_EQ(file.Value("ETHERNET_CONN_PAR", "sort_prz"), "1");
    EXPECT_EQ(file.Value("ETHERNET_ABONENT_1", "ip_adr"), "-1062731500");
    EXPECT_EQ(file.Value("ETHERNET_ABONENT_1", "port"), "502");
    EXPECT_EQ(file.Value("ETHERNET_ABONENT_1", "contr_adr"), "7");
    EXPECT_EQ(file.Value("ETHERNET_ABONENT_2", "ip_adr"), "167772165");
    EXPECT_FALSE(file.HasSection("ETHERNET_ABONENT_3"));
    // Names are Windows-1251 in the file.
    EXPECT_TRUE(ReadAll(path).contains(ToCp1251(QStringLiteral("user_name=Котельная №1"))));

    auto read = NewEthernetList();
    auto readStored = NewEthernetList();
    ReadEthernetList(path, *read, *readStored);
    EXPECT_EQ(std::memcmp(read.get(), list.get(), sizeof(EthernetList)), 0);
    EXPECT_EQ(std::memcmp(readStored.get(), list.get(), sizeof(EthernetList)), 0);
    EXPECT_EQ(IpPortText(read->Entries[0]), QStringLiteral("192.168.1.20:502"));
}

TEST_F(AbonentFiles, ShrunkEthernetListLeavesAStaleSectionThatIsNotRead) {
    const QString path = Path("ethr_abonents.ini");
    auto list = NewEthernetList();
    auto stored = NewEthernetList();
    AddEthernet(*list, QStringLiteral("Один"), Ip(10, 0, 0, 1), 1);
    AddEthernet(*list, QStringLiteral("Два"), Ip(10, 0, 0, 2), 2);
    AddEthernet(*list, QStringLiteral("Три"), Ip(10, 0, 0, 3), 3);
    list->Current = 2;
    ASSERT_EQ(WriteEthernetList(path, *list, *stored), ListWriteResult::Written);
    DeleteCurrentAbonent(*list);
    ASSERT_EQ(WriteEthernetList(path, *list, *stored), ListWriteResult::Written);

    ProfileFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Value("ETHERNET_CONN_PAR", "users_num"), "2");
    EXPECT_EQ(file.ReadString("ETHERNET_ABONENT_3", "user_name"), QStringLiteral("Три"));

    auto read = NewEthernetList();
    auto readStored = NewEthernetList();
    ReadEthernetList(path, *read, *readStored);
    EXPECT_EQ(read->Count, 2);
    EXPECT_EQ(Names(*read), QStringList({"Один", "Два"}));
    EXPECT_TRUE(IsZero(&read->Entries[2], sizeof(EthernetAbonent)));
}

TEST_F(AbonentFiles, PhoneListWritesAll200SectionsAndKeepsTheModbusAddress) {
    const QString path = Path("fon_abonents.ini");
    auto list = NewPhoneList();
    auto stored = NewPhoneList();
    // Start from what a missing file gives: every entry with its defaults.
    ReadPhoneList(path, *list, *stored);
    EXPECT_EQ(list->Count, 0);
    EXPECT_EQ(list->Entries[199].Address, 1);
    EXPECT_EQ(list->Entries[199].ModbusAddress, 1);
    EXPECT_EQ(WritePhoneList(path, *list, *stored), ListWriteResult::Unchanged);
    EXPECT_FALSE(QFile::exists(path));

    AddPhone(*list, QStringLiteral("Газпром"), QStringLiteral("+7 (495) 123-45-67"), 12);
    list->Entries[0].ModbusAddress = 44;
    AddPhone(*list, QStringLiteral("ГРС"), QStringLiteral("8,,123"), 255);
    ASSERT_EQ(WritePhoneList(path, *list, *stored), ListWriteResult::Written);

    ProfileFile file;
    ASSERT_TRUE(file.Load(path));
    EXPECT_EQ(file.Value("FON_CONN_PAR", "users_num"), "2");
    for (int i = 1; i <= 200; ++i)
        ASSERT_TRUE(file.HasKey(QStringLiteral("FON_ABONENT_%1").arg(i), "phone_code")) << i;
    EXPECT_FALSE(file.HasSection("FON_ABONENT_201"));
    EXPECT_EQ(file.Value("FON_ABONENT_1", "adr_modbus"), "44");
    EXPECT_EQ(file.Value("FON_ABONENT_2", "contr_adr"), "255");
    EXPECT_EQ(file.ReadString("FON_ABONENT_1", "phone_code"), QStringLiteral("+7 (495) 123-45-67"));

    auto read = NewPhoneList();
    auto readStored = NewPhoneList();
    ReadPhoneList(path, *read, *readStored);
    EXPECT_EQ(std::memcmp(read.get(), list.get(), sizeof(PhoneList)), 0);
}

TEST_F(AbonentFiles, UnchangedListIsNotRewrittenAndOtherContentSurvives) {
    const QString path = Path("fon_abonents.ini");
    const QByteArray original =
        "; written by hand\r\n"
        "[OTHER]\r\n"
        "keep=me\r\n"
        "[FON_CONN_PAR]\r\n"
        "users_num=1\r\n"
        "extra=1\r\n"
        "[FON_ABONENT_1]\r\n"
        "user_name=Пост\r\n"
        "contr_adr=3\r\n"
        "phone_code=101\r\n";
    WriteAll(path, ToCp1251(QString::fromUtf8(original)));
    auto list = NewPhoneList();
    auto stored = NewPhoneList();
    ReadPhoneList(path, *list, *stored);
    ASSERT_EQ(list->Count, 1);
    EXPECT_EQ(list->Entries[0].Address, 3);
    EXPECT_EQ(list->Entries[0].ModbusAddress, 1);  // default of a missing key

    // The file changes behind the list's back; an unchanged list leaves it alone.
    const QByteArray handEdited = ReadAll(path) + "; touched\r\n";
    WriteAll(path, handEdited);
    EXPECT_EQ(WritePhoneList(path, *list, *stored), ListWriteResult::Unchanged);
    EXPECT_EQ(ReadAll(path), handEdited);

    list->Entries[0].Address = 4;
    ASSERT_EQ(WritePhoneList(path, *list, *stored), ListWriteResult::Written);
    const QByteArray rewritten = ReadAll(path);
    EXPECT_TRUE(rewritten.startsWith("; written by hand\r\n[OTHER]\r\nkeep=me\r\n"));
    EXPECT_TRUE(rewritten.contains("extra=1"));
    EXPECT_TRUE(rewritten.contains("; touched"));
    EXPECT_TRUE(rewritten.contains("contr_adr=4"));
    // The stored state follows the write: a second call writes nothing.
    EXPECT_EQ(WritePhoneList(path, *list, *stored), ListWriteResult::Unchanged);
}

TEST_F(AbonentFiles, UnwritableFileKeepsTheStoredStateForTheNextTry) {
    const QString path = Path("missing-folder/ethr_abonents.ini");
    auto list = NewEthernetList();
    auto stored = NewEthernetList();
    AddEthernet(*list, QStringLiteral("x"), 1, 1);
    EXPECT_EQ(WriteEthernetList(path, *list, *stored), ListWriteResult::Failed);
    EXPECT_EQ(stored->Count, 0);
    ASSERT_TRUE(QDir(dir_.path()).mkdir("missing-folder"));
    EXPECT_EQ(WriteEthernetList(path, *list, *stored), ListWriteResult::Written);
}

TEST_F(AbonentFiles, HandEditedFilesWithGarbageLoadSafely) {
    struct Case {
        const char* name;
        const char* header;  // the keys of the list section
        int count;
        int current;
        int sortKind;
    };
    const Case cases[] = {
        {"count above 200", "users_num=250\nuser_index=3\nsort_prz=1\n", 200, 3, 1},
        {"low 8 bits of the count", "users_num=300\nuser_index=43\n", 44, 43, 0},
        {"negative count", "users_num=-1\nuser_index=-1\n", 200, 199, 0},
        {"index past the count", "users_num=5\nuser_index=77\n", 5, 4, 0},
        {"index equal to the count", "users_num=5\nuser_index=5\n", 5, 4, 0},
        {"index in an empty list", "users_num=0\nuser_index=9\n", 0, 0, 0},
        {"unknown sort kind", "users_num=2\nsort_prz=7\n", 2, 0, 0},
        {"not numbers", "users_num=много\nuser_index=x1\nsort_prz=1.5\n", 0, 0, 0},
        {"huge numbers", "users_num=99999999999\nuser_index=2\n", 0, 0, 0},
    };
    const QByteArray entry =
        "user_name=" + QByteArray(120, 'N') + "\n"
        "contr_adr=abc\n"
        "adr_modbus=513\n"
        "phone_code=" + QByteArray(64, '9') + "\n"
        "ip_adr=3232235796\n"  // too large for a 32-bit signed number: the default
        "port=-5\n";
    for (const Case& c : cases) {
        for (bool ethernet : {false, true}) {
            const QString path = Path(ethernet ? "ethr.ini" : "fon.ini");
            const QByteArray section = ethernet ? "ETHERNET" : "FON";
            QByteArray text = "[" + section + "_CONN_PAR]\n" + c.header;
            for (int i = 1; i <= 3; ++i)
                text += "[" + section + "_ABONENT_" + QByteArray::number(i) + "]\n" + entry;
            text += QByteArray("\x00\xFF\x01garbage line without equals\n[unclosed\n=\n", 43);
            WriteAll(path, text);
            if (ethernet) {
                auto list = NewEthernetList();
                auto stored = NewEthernetList();
                ReadEthernetList(path, *list, *stored);
                EXPECT_EQ(list->Count, c.count) << c.name;
                EXPECT_EQ(list->Current, c.current) << c.name;
                EXPECT_EQ(list->SortKind, c.sortKind) << c.name;
                if (list->Count > 0) {
                    const EthernetAbonent& e = list->Entries[0];
                    EXPECT_EQ(AbonentName(e), QString(49, u'N')) << c.name;
                    EXPECT_EQ(e.Name[49], 0);
                    EXPECT_EQ(e.Address, 1) << c.name;
                    EXPECT_EQ(e.Ip(), 0u) << c.name;
                    EXPECT_EQ(e.Port(), -5) << c.name;
                    // Entries the file has no section for read as defaults.
                    const EthernetAbonent& missing = list->Entries[list->Count - 1];
                    if (list->Count > 3) {
                        EXPECT_EQ(AbonentName(missing), QString()) << c.name;
                        EXPECT_EQ(missing.Address, 1) << c.name;
                    }
                }
                for (int i = list->Count; i < MaxAbonents; ++i)
                    ASSERT_TRUE(IsZero(&list->Entries[i], sizeof(EthernetAbonent))) << c.name;
                SortEthernetList(*list);
                EXPECT_LT(list->Current, std::max<int>(list->Count, 1));
            } else {
                auto list = NewPhoneList();
                auto stored = NewPhoneList();
                ReadPhoneList(path, *list, *stored);
                EXPECT_EQ(list->Count, c.count) << c.name;
                EXPECT_EQ(list->Current, c.current) << c.name;
                EXPECT_EQ(list->SortKind, c.sortKind) << c.name;
                const PhoneAbonent& e = list->Entries[0];
                EXPECT_EQ(AbonentName(e), QString(49, u'N')) << c.name;
                EXPECT_EQ(AbonentPhone(e), QString(29, u'9')) << c.name;
                EXPECT_EQ(e.Phone[29], 0);
                EXPECT_EQ(e.Address, 1) << c.name;
                EXPECT_EQ(e.ModbusAddress, 1) << c.name;  // 513: low 8 bits
                EXPECT_EQ(list->Entries[150].Address, 1) << c.name;
                SortPhoneList(*list);
                EXPECT_LT(list->Current, std::max<int>(list->Count, 1));
            }
        }
    }
}

// A NUL inside a text value ends the text, and the slot is zero after it:
// the entry is the same as one read from the value without what follows.
TEST_F(AbonentFiles, NulInsideATextEndsItAndTheSlotStaysZeroPadded) {
    const QByteArray nul("\0", 1);
    for (bool ethernet : {false, true}) {
        const QByteArray section = ethernet ? "ETHERNET" : "FON";
        const QByteArray head = "[" + section + "_CONN_PAR]\nusers_num=1\n[" + section + "_ABONENT_1]\n";
        WriteAll(Path("nul.ini"), head + "user_name=Abc" + nul + "junk\nphone_code=12" + nul + "34\n");
        WriteAll(Path("clean.ini"), head + "user_name=Abc\nphone_code=12\n");
        if (ethernet) {
            auto list = NewEthernetList(), stored = NewEthernetList();
            auto clean = NewEthernetList(), cleanStored = NewEthernetList();
            ReadEthernetList(Path("nul.ini"), *list, *stored);
            ReadEthernetList(Path("clean.ini"), *clean, *cleanStored);
            EXPECT_EQ(AbonentName(list->Entries[0]), QStringLiteral("Abc"));
            EXPECT_TRUE(IsZero(list->Entries[0].Name + 3, AbonentNameSize - 3));
            EXPECT_EQ(std::memcmp(list.get(), clean.get(), sizeof(EthernetList)), 0);
        } else {
            auto list = NewPhoneList(), stored = NewPhoneList();
            auto clean = NewPhoneList(), cleanStored = NewPhoneList();
            ReadPhoneList(Path("nul.ini"), *list, *stored);
            ReadPhoneList(Path("clean.ini"), *clean, *cleanStored);
            EXPECT_EQ(AbonentName(list->Entries[0]), QStringLiteral("Abc"));
            EXPECT_TRUE(IsZero(list->Entries[0].Name + 3, AbonentNameSize - 3));
            EXPECT_EQ(AbonentPhone(list->Entries[0]), QStringLiteral("12"));
            EXPECT_TRUE(IsZero(list->Entries[0].Phone + 2, AbonentPhoneSize - 2));
            EXPECT_EQ(std::memcmp(list.get(), clean.get(), sizeof(PhoneList)), 0);
        }
    }
}

TEST_F(AbonentFiles, BinaryJunkReadsAsAnEmptyOrClampedList) {
    QRandomGenerator rng(7);
    for (int round = 0; round < 50; ++round) {
        QByteArray junk(int(rng.bounded(1, 4000)), Qt::Uninitialized);
        for (char& c : junk)
            c = char(rng.bounded(256));
        junk.prepend(round % 2 ? "[ETHERNET_CONN_PAR]\nusers_num=200\n" : "");
        const QString path = Path("junk.ini");
        WriteAll(path, junk);
        auto list = NewEthernetList();
        auto stored = NewEthernetList();
        ReadEthernetList(path, *list, *stored);
        ASSERT_LE(list->Count, MaxAbonents);
        ASSERT_TRUE(list->Count == 0 || list->Current < list->Count);
        for (int i = 0; i < list->Count; ++i)
            ASSERT_EQ(list->Entries[i].Name[49], 0);
        SortEthernetList(*list);
        auto phone = NewPhoneList();
        auto phoneStored = NewPhoneList();
        ReadPhoneList(path, *phone, *phoneStored);
        ASSERT_LE(phone->Count, MaxAbonents);
    }
}
