#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>

#include "common/Cp1251.h"
#include "reports/ObjectList.h"

using namespace zmk;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

// Profile text in the file's code page.
QByteArray Cp(const char* utf8) {
    return ToCp1251(QString::fromUtf8(utf8));
}

ObjectEntry Entry(const QString& name, uint8_t address) {
    ObjectEntry e;
    std::memset(&e, 0, sizeof e);
    SetObjectName(e, name);
    e.Address = address;
    return e;
}

ObjectList ListOf(std::initializer_list<ObjectEntry> entries, uint8_t sortMode = ObjectsByName,
                  uint8_t selected = 0) {
    ObjectList list = EmptyObjectList();
    for (const ObjectEntry& e : entries)
        list.Entries[list.Count++] = e;
    list.SortMode = sortMode;
    list.Selected = selected;
    return list;
}

QStringList Names(const ObjectList& list) {
    QStringList names;
    for (int i = 0; i < list.Count; ++i)
        names << ObjectName(list.Entries[i]);
    return names;
}

class ObjectFileTest : public ::testing::Test {
protected:
    QString Path() const { return dir_.filePath(QStringLiteral("objects.ini")); }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(ObjectFileTest, RoundTripKeepsEveryFieldAndWritesWindows1251) {
    const ObjectList list = ListOf({Entry(QStringLiteral("ГРС Северная"), 17),
                                    Entry(QStringLiteral("Котельная №2"), 255),
                                    Entry(QStringLiteral("Site-3 (test)"), 1)},
                                   ObjectsByAddress, 2);
    ASSERT_TRUE(WriteObjectList(Path(), list));

    const QByteArray text = ReadAll(Path());
    EXPECT_TRUE(text.contains("obj_num=3")) << text.constData();
    EXPECT_TRUE(text.contains("sort_prz=1"));
    EXPECT_TRUE(text.contains("obj_index=2"));
    EXPECT_TRUE(text.contains("[OBJECT_2]"));
    EXPECT_TRUE(text.contains("contr_adr=255"));
    EXPECT_TRUE(text.contains("obj_name=" + Cp("Котельная №2")));

    ObjectList back;
    ASSERT_TRUE(ReadObjectList(Path(), back));
    EXPECT_TRUE(back == list) << Names(back).join('|').toStdString();
}

TEST_F(ObjectFileTest, OtherContentAndStaleObjectSectionsStay) {
    WriteAll(Path(), "; objects of the district\r\n"
                     "[OBJECT_LIST]\r\nobj_num=3\r\nsort_prz=0\r\nobj_index=0\r\n"
                     "[OBJECT_1]\r\ncontr_adr=5\r\nobj_name=A\r\n"
                     "[OBJECT_2]\r\ncontr_adr=6\r\nobj_name=B\r\n"
                     "[OBJECT_3]\r\ncontr_adr=7\r\nobj_name=C\r\n"
                     "[NOTES]\r\nwho=me\r\n");
    const ObjectList shorter = ListOf({Entry(QStringLiteral("X"), 9)});
    ASSERT_TRUE(WriteObjectList(Path(), shorter));

    const QByteArray text = ReadAll(Path());
    EXPECT_TRUE(text.startsWith("; objects of the district\r\n"));
    EXPECT_TRUE(text.contains("[NOTES]\r\nwho=me"));
    // The sections beyond the count are left in the file ...
    EXPECT_TRUE(text.contains("[OBJECT_3]\r\ncontr_adr=7\r\nobj_name=C"));
    // ... and ignored because of the count.
    ObjectList back;
    ASSERT_TRUE(ReadObjectList(Path(), back));
    EXPECT_EQ(back.Count, 1);
    EXPECT_TRUE(back == shorter);
}

TEST_F(ObjectFileTest, UnchangedListIsNotRewritten) {
    const ObjectList list = ListOf({Entry(QStringLiteral("Альфа"), 3), Entry(QStringLiteral("Бета"), 4)});
    ASSERT_TRUE(WriteObjectList(Path(), list));
    const QDateTime old(QDate(2001, 2, 3), QTime(4, 5, 6));
    {
        QFile f(Path());
        ASSERT_TRUE(f.open(QIODevice::ReadWrite));
        ASSERT_TRUE(f.setFileTime(old, QFileDevice::FileModificationTime));
    }
    const QByteArray before = ReadAll(Path());

    ASSERT_TRUE(WriteObjectList(Path(), list));
    EXPECT_EQ(QFileInfo(Path()).fileTime(QFileDevice::FileModificationTime), old);
    EXPECT_EQ(ReadAll(Path()), before);

    ObjectList changed = list;
    changed.Entries[1].Address = 40;
    ASSERT_TRUE(WriteObjectList(Path(), changed));
    EXPECT_NE(QFileInfo(Path()).fileTime(QFileDevice::FileModificationTime), old);
    EXPECT_TRUE(ReadAll(Path()).contains("contr_adr=40"));
}

TEST_F(ObjectFileTest, MissingFileGivesEmptyList) {
    ObjectList list = ListOf({Entry(QStringLiteral("old"), 9)}, ObjectsByAddress, 0);
    EXPECT_FALSE(ReadObjectList(Path(), list));
    EXPECT_TRUE(list == EmptyObjectList());
}

TEST_F(ObjectFileTest, WriteIntoMissingFolderFails) {
    EXPECT_FALSE(WriteObjectList(dir_.filePath(QStringLiteral("no/such/objects.ini")),
                                 ListOf({Entry(QStringLiteral("A"), 1)})));
}

// Hand-edited files: every value that cannot be right is taken in a defined way.
TEST_F(ObjectFileTest, HandEditedGarbage) {
    struct Case {
        const char* what;
        QByteArray file;
        int count;
        int sort;
        int selected;
        std::vector<int> addresses;
        QStringList names;
    };
    const QByteArray two = "[OBJECT_1]\r\ncontr_adr=10\r\nobj_name=A\r\n[OBJECT_2]\r\ncontr_adr=20\r\nobj_name=B\r\n";
    const std::vector<Case> cases = {
        {"count not a number", "[OBJECT_LIST]\r\nobj_num=two\r\n" + two, 0, 0, 0, {}, {}},
        {"negative count", "[OBJECT_LIST]\r\nobj_num=-4\r\n" + two, 0, 0, 0, {}, {}},
        {"count past the sections", "[OBJECT_LIST]\r\nobj_num=3\r\n" + two, 3, 0, 0, {10, 20, 1},
         {"A", "B", ""}},
        {"sort mode out of range", "[OBJECT_LIST]\r\nobj_num=2\r\nsort_prz=7\r\n" + two, 2, 0, 0,
         {10, 20}, {"A", "B"}},
        {"selected past the list", "[OBJECT_LIST]\r\nobj_num=2\r\nobj_index=2\r\n" + two, 2, 0, 0,
         {10, 20}, {"A", "B"}},
        {"negative selected", "[OBJECT_LIST]\r\nobj_num=2\r\nobj_index=-1\r\n" + two, 2, 0, 0,
         {10, 20}, {"A", "B"}},
        {"addresses 0, 300, text and missing",
         "[OBJECT_LIST]\r\nobj_num=4\r\nsort_prz=1\r\nobj_index=3\r\n"
         "[OBJECT_1]\r\ncontr_adr=0\r\n[OBJECT_2]\r\ncontr_adr=300\r\n"
         "[OBJECT_3]\r\ncontr_adr=x1\r\n[OBJECT_4]\r\nobj_name=D\r\n",
         4, 1, 3, {1, 1, 1, 1}, {"", "", "", "D"}},
        {"section and key names in any case", "[object_list]\r\nOBJ_NUM=1\r\n[Object_1]\r\nCONTR_ADR=77\r\nObj_Name=Q\r\n",
         1, 0, 0, {77}, {"Q"}},
        {"binary junk", QByteArray("\x00\xff[OBJECT_LIST\r\n=\r\n[]\r\nobj_num\r\n", 30), 0, 0, 0, {}, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteAll(Path(), c.file);
        ObjectList list;
        EXPECT_TRUE(ReadObjectList(Path(), list));
        EXPECT_EQ(list.Count, c.count);
        EXPECT_EQ(list.SortMode, c.sort);
        EXPECT_EQ(list.Selected, c.selected);
        for (int i = 0; i < c.count; ++i) {
            EXPECT_EQ(list.Entries[i].Address, c.addresses[size_t(i)]) << i;
            EXPECT_EQ(ObjectName(list.Entries[i]), c.names[i]) << i;
        }
        // Entries past the count stay all zero.
        for (int i = c.count; i < MaxObjects; ++i) {
            ObjectEntry zero;
            std::memset(&zero, 0, sizeof zero);
            EXPECT_TRUE(list.Entries[i] == zero) << i;
        }
    }
}

TEST_F(ObjectFileTest, AtMostFiftyObjectsAndNamesCutTo49Characters) {
    QByteArray file = "[OBJECT_LIST]\r\nobj_num=60\r\nobj_index=55\r\n";
    const QString longName = QString(60, QChar(u'Ж'));
    for (int i = 1; i <= 60; ++i)
        file += "[OBJECT_" + QByteArray::number(i) + "]\r\ncontr_adr=" + QByteArray::number(i) +
                "\r\nobj_name=" + ToCp1251(longName) + "\r\n";
    WriteAll(Path(), file);

    ObjectList list;
    ASSERT_TRUE(ReadObjectList(Path(), list));
    EXPECT_EQ(list.Count, MaxObjects);
    EXPECT_EQ(list.Selected, 0);  // 55 is outside the 50 read
    EXPECT_EQ(list.Entries[49].Address, 50);
    EXPECT_EQ(ObjectName(list.Entries[0]), longName.left(49));
    EXPECT_EQ(list.Entries[0].Name[49], 0);
}

TEST(ObjectSort, ByNameIgnoresCaseInWindows1251Order) {
    // Windows-1251 puts Ё (0xA8) before А (0xC0) and Latin before Cyrillic.
    ObjectList list = ListOf({Entry(QStringLiteral("бета"), 1), Entry(QStringLiteral("Альфа"), 2),
                              Entry(QStringLiteral("гамма"), 3), Entry(QStringLiteral("ёлка"), 4),
                              Entry(QStringLiteral("zeta"), 5), Entry(QStringLiteral("Alpha"), 6),
                              Entry(QStringLiteral("БЕТА-2"), 7)},
                             ObjectsByName, 0);
    SortObjectList(list);
    EXPECT_EQ(Names(list), QStringList({"Alpha", "zeta", "ёлка", "Альфа", "бета", "БЕТА-2", "гамма"}));
    EXPECT_EQ(ObjectName(list.Entries[list.Selected]), QStringLiteral("бета"));
    EXPECT_EQ(list.Entries[list.Selected].Address, 1);
}

TEST(ObjectSort, ByAddressIsStableAndKeepsTheCurrentObject) {
    ObjectList list = ListOf({Entry(QStringLiteral("C"), 9), Entry(QStringLiteral("A"), 200),
                              Entry(QStringLiteral("B"), 9), Entry(QStringLiteral("D"), 3)},
                             ObjectsByAddress, 1);
    SortObjectList(list);
    EXPECT_EQ(Names(list), QStringList({"D", "C", "B", "A"}));
    EXPECT_EQ(list.Selected, 3);  // "A" (address 200, unsigned)
}

TEST(ObjectSort, SameNamesCurrentBecomesTheLastOfThem) {
    ObjectList list = ListOf({Entry(QStringLiteral("Пункт"), 1), Entry(QStringLiteral("Пункт"), 2),
                              Entry(QStringLiteral("Ангар"), 3)},
                             ObjectsByName, 0);
    SortObjectList(list);
    EXPECT_EQ(Names(list), QStringList({"Ангар", "Пункт", "Пункт"}));
    EXPECT_EQ(list.Selected, 2);
    EXPECT_EQ(list.Entries[2].Address, 2);
}

TEST(ObjectSort, FewerThanTwoObjectsStayAsTheyAre) {
    ObjectList one = ListOf({Entry(QStringLiteral("Z"), 4)}, ObjectsByName, 0);
    const ObjectList before = one;
    SortObjectList(one);
    EXPECT_TRUE(one == before);
}

TEST(ObjectDelete, EntriesMoveUpAndTheLastIsZeroed) {
    ObjectList list = ListOf({Entry(QStringLiteral("A"), 1), Entry(QStringLiteral("B"), 2),
                              Entry(QStringLiteral("C"), 3)},
                             ObjectsByName, 1);
    DeleteObject(list, 1);
    EXPECT_EQ(Names(list), QStringList({"A", "C"}));
    EXPECT_EQ(list.Selected, 0);
    ObjectEntry zero;
    std::memset(&zero, 0, sizeof zero);
    EXPECT_TRUE(list.Entries[2] == zero);

    DeleteObject(list, 0);
    EXPECT_EQ(Names(list), QStringList({"C"}));
    EXPECT_EQ(list.Selected, 0);
    DeleteObject(list, 0);
    EXPECT_TRUE(list == ListOf({}, ObjectsByName, 0));

    DeleteObject(list, 0);  // nothing left: no change
    EXPECT_EQ(list.Count, 0);
}
