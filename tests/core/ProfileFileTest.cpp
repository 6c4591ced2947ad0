#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <new>
#include <sys/resource.h>
#include <unistd.h>

#include "common/Cp1251.h"
#include "common/ProfileFile.h"

using namespace zmk;

namespace {

ProfileFile Parsed(const QByteArray& contents) {
    ProfileFile f;
    f.Parse(contents);
    return f;
}

QByteArray Cp(const char* utf8) {
    return ToCp1251(QString::fromUtf8(utf8));
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(data), data.size());
}

}  // namespace

TEST(ProfileFile, ReadsTheWindowsDialect) {
    const QByteArray text =
        "; leading comment=not a key\r\n"
        "orphan=before any section\r\n"
        "[Main]\r\n"
        "  Key One  =  spaced value  \r\n"
        "key one=second occurrence\n"
        "Empty=\n"
        "; Commented=1\r\n"
        "=no name\r\n"
        "just some words\r\n"
        "Eq=a=b\r\n"
        "Quoted=\"  in quotes  \"\r\n"
        "[ Spaced Section ]\n"
        "x=1\n"
        "[main]\r\n"
        "Late=from the second [main]\r\n"
        "[" + Cp("Связь") + "]\r\n" +
        Cp("Порт") + "=" + Cp("Первый") + "\r\n"
        "[Unterminated\r\n"
        "u=2";
    const ProfileFile f = Parsed(text);

    // names without regard to case, ASCII and Cyrillic; blanks trimmed
    EXPECT_TRUE(f.HasSection(QStringLiteral("MAIN")));
    EXPECT_EQ(f.Value(QStringLiteral("main"), QStringLiteral("KEY ONE")), QByteArray("spaced value"));
    EXPECT_EQ(f.ReadString(QStringLiteral("СВЯЗЬ"), QStringLiteral("пОРТ")), QStringLiteral("Первый"));
    EXPECT_EQ(f.Value(QStringLiteral("Spaced Section"), QStringLiteral("X")), QByteArray("1"));
    EXPECT_EQ(f.Value(QStringLiteral("  Spaced Section "), QStringLiteral(" x ")), QByteArray("1"));
    // the first of duplicate keys and of duplicate sections counts
    EXPECT_FALSE(f.HasKey(QStringLiteral("Main"), QStringLiteral("Late")));
    // an empty value is a value
    EXPECT_TRUE(f.HasKey(QStringLiteral("Main"), QStringLiteral("Empty")));
    EXPECT_EQ(f.ReadString(QStringLiteral("Main"), QStringLiteral("Empty"), QStringLiteral("def")), QString());
    // comments, nameless and unreadable lines, keys before the first section are no keys
    EXPECT_FALSE(f.HasKey(QStringLiteral("Main"), QStringLiteral("; Commented")));
    EXPECT_FALSE(f.HasKey(QStringLiteral("Main"), QStringLiteral("Commented")));
    EXPECT_FALSE(f.HasKey(QStringLiteral("Main"), QString()));
    EXPECT_FALSE(f.HasKey(QStringLiteral("Main"), QStringLiteral("just some words")));
    EXPECT_FALSE(f.HasSection(QString()));
    // the value runs to the end of the line, '=' included
    EXPECT_EQ(f.Value(QStringLiteral("Main"), QStringLiteral("Eq")), QByteArray("a=b"));
    // quotes: kept in the raw value, removed from the text
    EXPECT_EQ(f.Value(QStringLiteral("Main"), QStringLiteral("Quoted")), QByteArray("\"  in quotes  \""));
    EXPECT_EQ(f.ReadString(QStringLiteral("Main"), QStringLiteral("Quoted")), QStringLiteral("  in quotes  "));
    // a header without ']' still opens its section; an unterminated last line is read
    EXPECT_EQ(f.ReadInteger(QStringLiteral("Unterminated"), QStringLiteral("u"), 0), 2);
    // absent things
    EXPECT_EQ(f.ReadString(QStringLiteral("Main"), QStringLiteral("none"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(f.ReadString(QStringLiteral("none"), QStringLiteral("Key One"), QStringLiteral("def")), QStringLiteral("def"));
    EXPECT_EQ(f.Value(QStringLiteral("none"), QStringLiteral("x")), QByteArray());
}

TEST(ProfileFile, ReadInteger) {
    struct Case {
        QByteArray value;
        int expected;  // with default -99
    };
    const Case cases[] = {
        {"42", 42},
        {"  42\t", 42},
        {"-7", -7},
        {"+5", 5},
        {"007", 7},
        {"2147483647", 2147483647},
        {"-2147483648", int(-2147483648LL)},
        {"\"9600\"", 9600},
        {"2147483648", -99},
        {"-2147483649", -99},
        {"99999999999999999999999999", -99},
        {"12abc", -99},
        {"1 2", -99},
        {"", -99},
        {"-", -99},
        {"+", -99},
        {"0x10", -99},
        {"1.5", -99},
        {"- 1", -99},
        {"\xC0\xC1", -99},
        {QByteArray("1\0", 2), -99},
    };
    for (const Case& c : cases) {
        const ProfileFile f = Parsed("[S]\nk=" + c.value + "\n");
        EXPECT_EQ(f.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), -99), c.expected) << c.value.toStdString();
    }
    const ProfileFile f = Parsed("[S]\n");
    EXPECT_EQ(f.ReadInteger(QStringLiteral("S"), QStringLiteral("k"), 17), 17);
}

// Whatever the file holds, an untouched profile writes it back byte for byte.
TEST(ProfileFile, SerializeGivesBackAnyInputUnchanged) {
    const QByteArray inputs[] = {
        "",
        "\n",
        "\r\n\r\n",
        "[A]\r\nk=v\r\n",
        "[A]\nk=v",
        "\xEF\xBB\xBF[A]\r\nk = v \r\n; c\r\n\r\n[B]\n\nx\r\r\n",
        QByteArray("[A\0]\r\nk\0=v\0\r\n\0\0\0", 17),
        "]]]][[[[====\n=\n[\n[]\n;\n",
    };
    for (const QByteArray& in : inputs)
        EXPECT_EQ(Parsed(in).Serialize(), in) << in.toStdString();

    // binary junk with many line ends and brackets, some long lines
    auto* rng = QRandomGenerator::global();
    for (int round = 0; round < 20; ++round) {
        QByteArray junk(int(rng->bounded(1, 200000)), Qt::Uninitialized);
        const char alphabet[] = "[]=;\r\n \tA\x98\xC0";
        for (char& c : junk)
            c = rng->bounded(4) == 0 ? alphabet[rng->bounded(int(sizeof alphabet - 1))] : char(rng->bounded(256));
        const ProfileFile f = Parsed(junk);
        ASSERT_EQ(f.Serialize(), junk) << "round " << round;
        f.ReadInteger(QStringLiteral("A"), QStringLiteral("A"), 0);
    }
}

TEST(ProfileFile, WritingChangesOnlyWhatItMust) {
    const QByteArray original =
        "; settings\n"
        "[First]\n"
        "Adr = 1   \n"
        "Name=Old\n"
        "Other=keep\n"
        "\n"
        "[Second]\r\n"
        "x=1";
    ProfileFile f = Parsed(original);

    // an equal value leaves the line as it was, blanks included
    f.WriteInteger(QStringLiteral("first"), QStringLiteral("ADR"), 1);
    f.WriteString(QStringLiteral("First"), QStringLiteral("Name"), QStringLiteral("Old"));
    EXPECT_EQ(f.Serialize(), original);

    // a changed value keeps the key's spelling, place and the blanks before the value
    f.WriteInteger(QStringLiteral("FIRST"), QStringLiteral("adr"), 44);
    // a new key goes after the last non-blank line of its section, with CRLF
    f.WriteString(QStringLiteral("First"), QStringLiteral("Новый"), QStringLiteral("Значение"));
    // a new section goes at the end; the unterminated last line gets its line end
    f.WriteInteger(QStringLiteral("Third"), QStringLiteral("n"), -5);
    // line ends inside a value would split the line
    f.WriteValue(QStringLiteral("Second"), QStringLiteral("x"), "a\r\nb");

    const QByteArray expected =
        "; settings\n"
        "[First]\n"
        "Adr = 44\n"
        "Name=Old\n"
        "Other=keep\n" +
        Cp("Новый=Значение") + "\r\n"
        "\n"
        "[Second]\r\n"
        "x=a  b\r\n"
        "[Third]\r\n"
        "n=-5\r\n";
    EXPECT_EQ(f.Serialize(), expected);

    const ProfileFile back = Parsed(f.Serialize());
    EXPECT_EQ(back.ReadInteger(QStringLiteral("First"), QStringLiteral("Adr"), 0), 44);
    EXPECT_EQ(back.ReadString(QStringLiteral("First"), QStringLiteral("НОВЫЙ")), QStringLiteral("Значение"));
    EXPECT_EQ(back.ReadInteger(QStringLiteral("Third"), QStringLiteral("n"), 0), -5);
    EXPECT_EQ(back.Value(QStringLiteral("Second"), QStringLiteral("x")), QByteArray("a  b"));

    // a value set twice reads as the last one; duplicates change only the first
    ProfileFile dup = Parsed("[S]\r\nk=1\r\nk=2\r\n");
    dup.WriteInteger(QStringLiteral("S"), QStringLiteral("K"), 3);
    EXPECT_EQ(dup.Serialize(), QByteArray("[S]\r\nk=3\r\nk=2\r\n"));
}

TEST(ProfileFile, BuildsAFileFromNothing) {
    ProfileFile f;
    f.WriteInteger(QStringLiteral("A"), QStringLiteral("one"), 1);
    f.WriteString(QStringLiteral("B"), QStringLiteral("text"), QStringLiteral("Модем ™ 日"));
    f.WriteInteger(QStringLiteral("A"), QStringLiteral("two"), 2);
    EXPECT_EQ(f.Serialize(), QByteArray("[A]\r\none=1\r\ntwo=2\r\n[B]\r\ntext=") + Cp("Модем ™ ?") + "\r\n");
}

TEST(ProfileFile, LoadAndSave) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("a.ini"));

    ProfileFile f;
    f.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 5);  // left over from before
    EXPECT_FALSE(f.Load(path));  // missing: empty profile
    EXPECT_FALSE(f.HasSection(QStringLiteral("S")));
    EXPECT_EQ(f.Serialize(), QByteArray());

    f.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 7);
    ASSERT_TRUE(f.Save(path));
    EXPECT_EQ(ReadAll(path), QByteArray("[S]\r\nk=7\r\n"));

    ProfileFile g;
    ASSERT_TRUE(g.Load(path));
    EXPECT_EQ(g.ReadInteger(QStringLiteral("s"), QStringLiteral("K"), 0), 7);
    g.WriteInteger(QStringLiteral("S"), QStringLiteral("k"), 8);
    ASSERT_TRUE(g.Save(path));
    EXPECT_EQ(ReadAll(path), QByteArray("[S]\r\nk=8\r\n"));
    // no temporary files left behind
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("a.ini")});

    // a folder is no file
    EXPECT_FALSE(g.Load(dir.path()));
    EXPECT_FALSE(g.Save(dir.path()));
    // nor a file in a folder that does not exist
    EXPECT_FALSE(g.Save(dir.filePath(QStringLiteral("missing/a.ini"))));
}

// Reading a settings file takes memory in proportion to the file, not to
// the size limit: with little address space to spare a small file still loads.
TEST(ProfileFile, SmallFileLoadsWithLittleMemoryToSpare) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves the address space itself";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
    GTEST_SKIP() << "AddressSanitizer reserves the address space itself";
#endif
#endif
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const QString path = dir.filePath(QStringLiteral("zmk.ini"));
    const QByteArray data = "[CURR_PAR]\r\nConn_Prz=2\r\n";
    WriteAll(path, data);

    QFile statm(QStringLiteral("/proc/self/statm"));
    ASSERT_TRUE(statm.open(QIODevice::ReadOnly));
    const qint64 pages = statm.readAll().split(' ').value(0).toLongLong();
    ASSERT_GT(pages, 0);
    constexpr rlim_t Spare = 16 * 1024 * 1024;  // a quarter of the size limit
    rlimit old{};
    ASSERT_EQ(getrlimit(RLIMIT_AS, &old), 0);
    rlimit tight = old;
    tight.rlim_cur = rlim_t(pages) * rlim_t(sysconf(_SC_PAGESIZE)) + Spare;
    ASSERT_EQ(setrlimit(RLIMIT_AS, &tight), 0);
    ProfileFile f;
    bool loaded = false;
    bool outOfMemory = false;
    try {
        loaded = f.Load(path);
    } catch (const std::bad_alloc&) {
        outOfMemory = true;
    }
    ASSERT_EQ(setrlimit(RLIMIT_AS, &old), 0);

    EXPECT_FALSE(outOfMemory);
    EXPECT_TRUE(loaded);
    EXPECT_EQ(f.Serialize(), data);
}

TEST(ProfileFile, LargeAndOversizedFiles) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());

    // 10 MB: one overlong line, then a section behind it
    const QString big = dir.filePath(QStringLiteral("big.ini"));
    QByteArray data = "[S]\nlong=" + QByteArray(10 * 1024 * 1024, 'x') + "\n[T]\nk=3\n";
    WriteAll(big, data);
    ProfileFile f;
    ASSERT_TRUE(f.Load(big));
    EXPECT_EQ(f.Value(QStringLiteral("S"), QStringLiteral("long")).size(), 10 * 1024 * 1024);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("T"), QStringLiteral("k"), 0), 3);
    EXPECT_EQ(f.Serialize(), data);

    // beyond the limit: refused as unreadable, not read in part
    const QString huge = dir.filePath(QStringLiteral("huge.ini"));
    WriteAll(huge, "[S]\nk=1\n");
    {
        QFile h(huge);
        ASSERT_TRUE(h.resize(ProfileFile::MaxFileSize + 1));  // sparse: no real disk use
    }
    EXPECT_FALSE(f.Load(huge));
    EXPECT_FALSE(f.HasSection(QStringLiteral("S")));
}
