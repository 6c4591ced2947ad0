#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <cmath>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <limits>
#include <linux/fs.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/Cp1251.h"
#include "common/Folders.h"
#include "common/ProfileFile.h"
#include "settings/MainSettings.h"
#include "link/ControllerLink.h"
#include "settings/ArchiveQuery.h"
#include "common/PackedDate.h"

using namespace zmk;

namespace {

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void WriteAll(const QString& path, const QByteArray& data) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(f.write(data), data.size());
}

// Gives the file an old modification time, so that any rewrite shows.
void Age(const QString& path) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2001, 2, 3), QTime(4, 5, 6)), QFileDevice::FileModificationTime));
}

QDateTime ModificationTime(const QString& path) {
    return QFileInfo(path).fileTime(QFileDevice::FileModificationTime);
}

// Makes a folder impossible to write for the test's lifetime: by its mode,
// and where the user's rights ignore modes (root), by the immutable flag.
class ReadOnlyFolder {
public:
    explicit ReadOnlyFolder(const QString& path) : path_(QFile::encodeName(path)) {
        ::chmod(path_.constData(), 0555);
        if (!Writable()) {
            locked_ = true;
            return;
        }
        const int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
        if (fd >= 0) {
            int flags = 0;
            if (::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags |= FS_IMMUTABLE_FL;
                immutable_ = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
            }
            ::close(fd);
        }
        locked_ = !Writable();
    }
    ~ReadOnlyFolder() { Unlock(); }
    bool locked() const { return locked_; }

    void Unlock() {
        if (immutable_) {
            const int fd = ::open(path_.constData(), O_RDONLY | O_DIRECTORY);
            int flags = 0;
            if (fd >= 0 && ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0) {
                flags &= ~FS_IMMUTABLE_FL;
                ::ioctl(fd, FS_IOC_SETFLAGS, &flags);
            }
            if (fd >= 0)
                ::close(fd);
            immutable_ = false;
        }
        ::chmod(path_.constData(), 0755);
        locked_ = false;
    }

private:
    bool Writable() const {
        const QString probe = QFile::decodeName(path_) + QStringLiteral("/.probe");
        QFile f(probe);
        if (!f.open(QIODevice::WriteOnly))
            return false;
        f.close();
        QFile::remove(probe);
        return true;
    }

    QByteArray path_;
    bool locked_ = false;
    bool immutable_ = false;
};

// Every test runs in a base folder of its own, chosen through ZMK_HOME.
class SettingsFiles : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(temp_.isValid());
        home_ = temp_.filePath(QStringLiteral("zmk home"));  // not there yet, with a blank
        qputenv("ZMK_HOME", QFile::encodeName(home_));
        base_ = SetUpFolders();
        path_ = MainSettingsPath();
        zmk::Settings() = MainSettings{};
        TakeSettingsSnapshot();
    }
    void TearDown() override { qunsetenv("ZMK_HOME"); }

    // A file with the given text; the settings of the run read from it.
    void StartWith(const QByteArray& contents) {
        WriteAll(path_, contents);
        Age(path_);
        ReadMainSettings(path_, 1920, 1080);
    }

    MainSettings ReadBack() const { return ReadMainSettingsFrom(path_, 1920, 1080); }

    QTemporaryDir temp_;
    QString home_;
    QString base_;
    QString path_;
};

constexpr double kNowTolerance = 10.0 / 86400.0;  // ten seconds, in days

}  // namespace

TEST_F(SettingsFiles, StartsFromNothing) {
    // the folders
    EXPECT_EQ(base_, QDir(home_).absolutePath() + u'/');
    const char* const names[] = {"CONFIG", "ALAFILES", "AUDFILES", "MOMDATA", "HOURDATA", "DAYDATA", "REPORT", "INI"};
    for (const char* name : names)
        EXPECT_TRUE(QFileInfo(base_ + QLatin1String(name)).isDir()) << name;
    EXPECT_EQ(path_, base_ + QStringLiteral("INI/zmk.ini"));
    EXPECT_EQ(ArchiveQueryPath(), base_ + QStringLiteral("INI/rd_arh.ini"));

    // the settings: direct link on COM1, address 1, 38400 bit/s, 5 preambles,
    // 1 attempt, 100 ms byte gap, 2 s answer wait
    ReadMainSettings(path_, 1920, 1080);
    const MainSettings& s = zmk::Settings();
    EXPECT_EQ(s.ChannelKind, 0);
    EXPECT_EQ(s.Direct, (ChannelParams{1, 1, 38400, 5, 1, 100, 2}));
    EXPECT_EQ(s.Phone, (ChannelParams{1, 1, 38400, 5, 1, 100, 6}));
    EXPECT_EQ(s.Ethernet.Address, 1);
    EXPECT_EQ(s.Ethernet.Preambles, 5);
    EXPECT_EQ(s.Ethernet.Attempts, 1);
    EXPECT_EQ(s.Ethernet.ByteGapMs, 300);
    EXPECT_EQ(s.Ethernet.AnswerWaitS, 5);
    EXPECT_EQ(s.EthernetConnectWait, 10);
    EXPECT_EQ(s.EthernetConnRepeat, 1);
    EXPECT_EQ(s.FreePortWait, 1);
    EXPECT_FALSE(s.DoClosePort);
    EXPECT_EQ(s.FormWidth, 1000);
    EXPECT_EQ(s.FormHeight, 680);
    EXPECT_EQ(s.FormLeft, 460);
    EXPECT_EQ(s.FormTop, 200);
    EXPECT_FALSE(s.DefaultCommand);
    EXPECT_EQ(s.Command, QString());
    EXPECT_EQ(s.PhoneConnectWait, 50);
    EXPECT_FALSE(s.AutoRepeat);
    EXPECT_EQ(s.PhoneConnRepeat, 1);

    // nothing changed: no file is made
    EXPECT_TRUE(WriteMainSettings(path_));
    EXPECT_FALSE(QFileInfo::exists(path_));

    // the archive query record: 0, 1, now, now
    ReadArchiveQuery(ArchiveQueryPath());
    const ArchiveQueryRecord& r = ArchiveQuery();
    EXPECT_EQ(r.PeriodKind, 0);
    EXPECT_EQ(r.IndexChoice, 1);
    EXPECT_NEAR(r.PeriodStart, CurrentDateTimeValue(), kNowTolerance);
    EXPECT_NEAR(r.PeriodEnd, CurrentDateTimeValue(), kNowTolerance);
    EXPECT_EQ(r.Reserved, (std::array<uint8_t, 50>{}));
}

TEST_F(SettingsFiles, FoldersAndTemporaryFiles) {
    // a name taken by a file does not stop the other folders
    QDir(base_ + QStringLiteral("REPORT")).removeRecursively();
    QDir(base_ + QStringLiteral("INI")).removeRecursively();
    WriteAll(base_ + QStringLiteral("REPORT"), "a file");
    SetUpFolders();
    EXPECT_TRUE(QFileInfo(base_ + QStringLiteral("REPORT")).isFile());
    EXPECT_TRUE(QFileInfo(base_ + QStringLiteral("INI")).isDir());

    const char* const temps[] = {"datafile.aud", "datafile.ala", "datafile.clb", "datafile.hdm"};
    for (const char* name : temps)
        WriteAll(base_ + QLatin1String(name), "x");
    WriteAll(base_ + QStringLiteral("datafile.cnf"), "stays");
    WriteAll(base_ + QStringLiteral("CONFIG/datafile.aud"), "stays");
    EXPECT_EQ(TempFilePath(TempFile::Hdm), base_ + QStringLiteral("datafile.hdm"));
    DeleteTempFiles();
    for (const char* name : temps)
        EXPECT_FALSE(QFileInfo::exists(base_ + QLatin1String(name))) << name;
    EXPECT_TRUE(QFileInfo::exists(base_ + QStringLiteral("datafile.cnf")));
    EXPECT_TRUE(QFileInfo::exists(base_ + QStringLiteral("CONFIG/datafile.aud")));
    EXPECT_TRUE(QFileInfo(base_ + QStringLiteral("CONFIG")).isDir());
    DeleteTempFiles();  // again, with nothing to delete

    // without ZMK_HOME: the program's folder, which is writable here
    qunsetenv("ZMK_HOME");
    EXPECT_EQ(ChooseBaseFolder(), QCoreApplication::applicationDirPath() + u'/');
    // a relative ZMK_HOME is taken from the current folder
    qputenv("ZMK_HOME", "rel/dir");
    EXPECT_EQ(ChooseBaseFolder(), QDir::currentPath() + QStringLiteral("/rel/dir/"));
}

TEST_F(SettingsFiles, WindowPositionCentresTheWindowOnTheScreen) {
    struct Case {
        QByteArray file;
        int screenWidth, screenHeight;
        int left, top;
    };
    const Case cases[] = {
        {"", 1920, 1080, 460, 200},
        {"", 1001, 681, 0, 0},
        {"", 999, 679, 0, 0},      // -1 / 2 truncates toward zero
        {"", 997, 677, -1, -1},    // -3 / 2
        {"", 0, 0, -500, -340},
        {"[CURR_PAR]\nForm_Width=800\nForm_Height=600\n", 1024, 768, 112, 84},
        {"[CURR_PAR]\nForm_Width=-2147483648\n", 2147483647, 0, 2147483647, -340},
        {"[CURR_PAR]\nForm_Left=-5\nForm_Top=abc\n", 1920, 1080, -5, 200},
    };
    for (const Case& c : cases) {
        WriteAll(path_, c.file);
        const MainSettings s = ReadMainSettingsFrom(path_, c.screenWidth, c.screenHeight);
        EXPECT_EQ(s.FormLeft, c.left) << c.file.toStdString() << c.screenWidth;
        EXPECT_EQ(s.FormTop, c.top) << c.file.toStdString() << c.screenHeight;
    }
}

TEST_F(SettingsFiles, ValuesOfAHandEditedFile) {
    using Get = std::function<int64_t(const MainSettings&)>;
    struct Case {
        QByteArray section, line;
        Get get;
        int64_t expected;
    };
    const Get directAdr = [](const MainSettings& s) { return s.Direct.Address; };
    const Get directRate = [](const MainSettings& s) { return s.Direct.Rate; };
    const Case cases[] = {
        {"DIR_CONN_PAR", "Adr=300", directAdr, 44},  // low 8 bits
        {"DIR_CONN_PAR", "Adr=-1", directAdr, 255},
        {"DIR_CONN_PAR", "Adr=255", directAdr, 255},
        {"dir_conn_par", "  ADR  =  9 ", directAdr, 9},
        {"DIR_CONN_PAR", "Rate=abc", directRate, 38400},
        {"DIR_CONN_PAR", "Rate=9600 bit/s", directRate, 38400},
        {"DIR_CONN_PAR", "Rate=99999999999", directRate, 38400},
        {"DIR_CONN_PAR", "Rate=", directRate, 38400},
        {"DIR_CONN_PAR", "Rate= 9600 ", directRate, 9600},
        {"DIR_CONN_PAR", "COMPort=257", [](const MainSettings& s) { return s.Direct.Port; }, 1},
        {"DIR_CONN_PAR", "Repeat=3", [](const MainSettings& s) { return s.Direct.Attempts; }, 3},
        {"DIR_CONN_PAR", "TimeOut=55", [](const MainSettings& s) { return s.Direct.ByteGapMs; }, 55},
        {"CURR_PAR", "Conn_Prz=258", [](const MainSettings& s) { return s.ChannelKind; }, 2},
        {"CURR_PAR", "Do_Close_Port=5", [](const MainSettings& s) { return s.DoClosePort; }, 1},
        {"CURR_PAR", "Do_Close_Port=yes", [](const MainSettings& s) { return s.DoClosePort; }, 0},
        {"CURR_PAR", "Free_Port_Wait=7", [](const MainSettings& s) { return s.FreePortWait; }, 7},
        {"FON_CONN_PAR", "WaitTime=abc", [](const MainSettings& s) { return s.Phone.AnswerWaitS; }, 6},
        {"FON_CONN_PAR", "Preambles=1.5", [](const MainSettings& s) { return s.Phone.Preambles; }, 5},
        {"FON_CONN_PAR", "Preambles=511", [](const MainSettings& s) { return s.Phone.Preambles; }, 255},
        {"FON_CONN_PAR", "ConnectWaitTime=360", [](const MainSettings& s) { return s.PhoneConnectWait; }, 360},
        {"FON_CONN_PAR", "AutoRepeat=-1", [](const MainSettings& s) { return s.AutoRepeat; }, 1},
        {"FON_CONN_PAR", "Default_Command=1", [](const MainSettings& s) { return s.DefaultCommand; }, 1},
        {"FON_CONN_PAR", "Conn_Repeat=4", [](const MainSettings& s) { return s.PhoneConnRepeat; }, 4},
        {"FON_CONN_PAR", "Escape_Guard=2500", [](const MainSettings& s) { return s.EscapeGuardMs; }, 2500},
        {"FON_CONN_PAR", "Escape_Guard=x", [](const MainSettings& s) { return s.EscapeGuardMs; }, 0},
        {"ETHERNET_CONN_PAR", "TimeOut=abc", [](const MainSettings& s) { return s.Ethernet.ByteGapMs; }, 300},
        {"ETHERNET_CONN_PAR", "WaitTime=9", [](const MainSettings& s) { return s.Ethernet.AnswerWaitS; }, 9},
        {"ETHERNET_CONN_PAR", "ConnectWaitTime=abc", [](const MainSettings& s) { return s.EthernetConnectWait; }, 10},
        {"ETHERNET_CONN_PAR", "Conn_Repeat=3", [](const MainSettings& s) { return s.EthernetConnRepeat; }, 3},
        // port and rate are no Ethernet keys
        {"ETHERNET_CONN_PAR", "COMPort=7", [](const MainSettings& s) { return s.Ethernet.Port; }, 1},
        {"ETHERNET_CONN_PAR", "Rate=9600", [](const MainSettings& s) { return s.Ethernet.Rate; }, 38400},
        // a key of one section does not leak into another
        {"FON_CONN_PAR", "Adr=7", directAdr, 1},
    };
    for (const Case& c : cases) {
        WriteAll(path_, "[" + c.section + "]\r\n" + c.line + "\r\n");
        EXPECT_EQ(c.get(ReadBack()), c.expected) << c.section.toStdString() << " " << c.line.toStdString();
    }
}

TEST_F(SettingsFiles, NoRewriteAfterAnUnchangedRun) {
    static const char kJunk[] = "\0\x01\xFF[\n=\r\r\n[CURR_PAR\n\0=\0";
    const QByteArray files[] = {
        // a plain file as the program writes it
        "[CURR_PAR]\r\nConn_Prz=2\r\nForm_Width=1200\r\n[DIR_CONN_PAR]\r\nAdr=5\r\n",
        // values that read as something else: the file still stays as it is
        "[DIR_CONN_PAR]\nAdr=300\nRate=abc\n[FON_CONN_PAR]\nCommand=" + QByteArray(300, 'A') +
            "\n; comment\n[CURR_PAR]\nDo_Close_Port=5\n",
        // binary junk
        QByteArray(kJunk, sizeof kJunk - 1),
    };
    for (const QByteArray& file : files) {
        StartWith(file);
        const QDateTime before = ModificationTime(path_);
        EXPECT_TRUE(WriteMainSettings(path_));
        EXPECT_EQ(ReadAll(path_), file);
        EXPECT_EQ(ModificationTime(path_), before);
    }
}

TEST_F(SettingsFiles, ChangedModemCommandRewritesOnlyTheTelephoneSection) {
    const QByteArray head =
        "; written by hand\n"
        "[Extra]\n"
        "Whatever = 1\n"
        "\n"
        "[CURR_PAR]\n"
        "Conn_Prz = 1\n"
        "Form_Width=abc\n"
        "Unknown=kept\n"
        "\n"
        "[FON_CONN_PAR]\n"
        "COMPort=3\n"
        "Adr = 12\n"
        "Rate=9600\n"
        "Preambles=5\n"
        "Repeat=1\n"
        "TimeOut=100\n"
        "WaitTime=6\n"
        "Default_Command=0\n"
        "; the modem's own command\n";
    const QByteArray tail =
        "ConnectWaitTime=50\n"
        "Conn_Repeat=2\n"
        "MyKey=mine\n"
        "\n"
        "[DIR_CONN_PAR]\r\n"
        "Adr=300\r\n"
        "Rate=oops\r\n";
    StartWith(head + "Command=ATZ\n" + tail);
    ASSERT_EQ(zmk::Settings().Phone.Address, 12);

    zmk::Settings().Command = QStringLiteral("AT&F E0 ДП");
    EXPECT_TRUE(WriteMainSettings(path_));
    // the command replaced in place; the missing "AutoRepeat" added at the end
    // of its section; everything else byte for byte as it was
    const QByteArray expected = head + "Command=AT&F E0 " + ToCp1251(QStringLiteral("ДП")) + "\n" +
                                "ConnectWaitTime=50\n"
                                "Conn_Repeat=2\n"
                                "MyKey=mine\n"
                                "AutoRepeat=0\r\n"
                                "\n"
                                "[DIR_CONN_PAR]\r\n"
                                "Adr=300\r\n"
                                "Rate=oops\r\n";
    EXPECT_EQ(ReadAll(path_), expected);
    EXPECT_EQ(ReadBack().Command, QStringLiteral("AT&F E0 ДП"));

    // the snapshot followed: the next save writes nothing
    Age(path_);
    const QDateTime before = ModificationTime(path_);
    EXPECT_TRUE(WriteMainSettings(path_));
    EXPECT_EQ(ModificationTime(path_), before);
}

TEST_F(SettingsFiles, EachChangedSectionIsWrittenAlone) {
    struct Case {
        const char* name;
        std::function<void(MainSettings&)> change;
        QByteArray section;  // empty: nothing to write
    };
    const Case cases[] = {
        {"window width", [](MainSettings& s) { s.FormWidth = 1100; }, "CURR_PAR"},
        {"channel kind", [](MainSettings& s) { s.ChannelKind = 2; }, "CURR_PAR"},
        {"direct rate", [](MainSettings& s) { s.Direct.Rate = 9600; }, "DIR_CONN_PAR"},
        {"telephone attempts", [](MainSettings& s) { s.PhoneConnRepeat = 3; }, "FON_CONN_PAR"},
        {"telephone port", [](MainSettings& s) { s.Phone.Port = 4; }, "FON_CONN_PAR"},
        {"auto repeat", [](MainSettings& s) { s.AutoRepeat = true; }, "FON_CONN_PAR"},
        {"ethernet wait", [](MainSettings& s) { s.EthernetConnectWait = 30; }, "ETHERNET_CONN_PAR"},
        {"ethernet address", [](MainSettings& s) { s.Ethernet.Address = 255; }, "ETHERNET_CONN_PAR"},
        // the Ethernet section holds no port and no rate
        {"ethernet port", [](MainSettings& s) { s.Ethernet.Port = 9; }, ""},
        {"command", [](MainSettings& s) { s.Command = QString(200, u'x'); }, "FON_CONN_PAR"},
    };
    const QStringList sections = {QStringLiteral("CURR_PAR"), QStringLiteral("DIR_CONN_PAR"),
                                  QStringLiteral("FON_CONN_PAR"), QStringLiteral("ETHERNET_CONN_PAR")};
    for (const Case& c : cases) {
        QFile::remove(path_);
        MainSettings snapshot = ReadMainSettingsFrom(path_, 1920, 1080);
        MainSettings current = snapshot;
        c.change(current);
        EXPECT_TRUE(WriteMainSettings(path_, current, snapshot)) << c.name;
        if (c.section.isEmpty()) {
            EXPECT_FALSE(QFileInfo::exists(path_)) << c.name;
            continue;
        }
        ProfileFile f;
        ASSERT_TRUE(f.Load(path_)) << c.name;
        for (const QString& s : sections)
            EXPECT_EQ(f.HasSection(s), s == QLatin1String(c.section)) << c.name << " " << s.toStdString();
        EXPECT_EQ(ReadMainSettingsFrom(path_, 1920, 1080), current) << c.name;
        EXPECT_EQ(snapshot, current) << c.name;
    }

    // one changed section of several: all seven keys of the record are written
    QFile::remove(path_);
    MainSettings snapshot = ReadMainSettingsFrom(path_, 1920, 1080);
    MainSettings current = snapshot;
    current.Direct.Address = 7;
    ASSERT_TRUE(WriteMainSettings(path_, current, snapshot));
    EXPECT_EQ(ReadAll(path_),
              QByteArray("[DIR_CONN_PAR]\r\nCOMPort=1\r\nAdr=7\r\nRate=38400\r\nPreambles=5\r\n"
                         "Repeat=1\r\nTimeOut=100\r\nWaitTime=2\r\n"));
}

TEST_F(SettingsFiles, OverlongCommandIsCutTo200Characters) {
    const QString longCommand = QStringLiteral("ATDP") + QString(246, u'Ж');
    StartWith("[FON_CONN_PAR]\r\nCommand=" + ToCp1251(longCommand) + "\r\n");
    EXPECT_EQ(zmk::Settings().Command, longCommand.left(200));

    // written cut when the section is written for another reason
    zmk::Settings().Phone.Rate = 9600;
    ASSERT_TRUE(WriteMainSettings(path_));
    ProfileFile f;
    ASSERT_TRUE(f.Load(path_));
    EXPECT_EQ(f.Value(QStringLiteral("FON_CONN_PAR"), QStringLiteral("Command")), ToCp1251(longCommand.left(200)));

    // and never written longer
    zmk::Settings().Command = QString(500, u'Z');
    ASSERT_TRUE(WriteMainSettings(path_));
    EXPECT_EQ(ReadBack().Command, QString(200, u'Z'));
}

TEST_F(SettingsFiles, DamagedFilesLoadWithDefaultsAndAreNeverTruncated) {
    // UTF-8 text where Windows-1251 belongs ("ИП" holds the unassigned byte 0x98),
    // a byte-order mark, NUL bytes and junk
    static const char kNuls[] = "\0\0junk\0=\0\r\n";
    const QByteArray utf8Command = QStringLiteral("ATD ИП").toUtf8();
    const QByteArray file = "\xEF\xBB\xBF[FON_CONN_PAR]\r\nCommand=" + utf8Command +
                            "\r\nRate=\xD0\x9F\r\n" + QByteArray(kNuls, sizeof kNuls - 1) +
                            "[CURR_PAR]\r\nForm_Height=" + QByteArray(100000, '9') + "\r\n";
    StartWith(file);
    const MainSettings& s = zmk::Settings();
    EXPECT_EQ(s.Command, FromCp1251(utf8Command));  // read, if not readable
    EXPECT_EQ(s.Phone.Rate, 38400);
    EXPECT_EQ(s.FormHeight, 680);

    // another value of the telephone section changes: the command keeps its bytes
    zmk::Settings().Phone.Attempts = 3;
    ASSERT_TRUE(WriteMainSettings(path_));
    const QByteArray after = ReadAll(path_);
    ProfileFile f;
    f.Parse(after);
    EXPECT_EQ(f.Value(QStringLiteral("FON_CONN_PAR"), QStringLiteral("Command")), utf8Command);
    EXPECT_EQ(f.ReadInteger(QStringLiteral("FON_CONN_PAR"), QStringLiteral("Repeat"), 0), 3);
    EXPECT_TRUE(after.contains(QByteArray(100000, '9')));
    EXPECT_TRUE(after.startsWith("\xEF\xBB\xBF[FON_CONN_PAR]\r\nCommand="));

    // a large file of random bytes: read with defaults, then extended, not cut
    QByteArray junk(2 * 1024 * 1024, Qt::Uninitialized);
    for (char& c : junk)
        c = char(QRandomGenerator::global()->bounded(256));
    StartWith(junk);
    EXPECT_EQ(zmk::Settings(), ReadMainSettingsFrom(base_ + QStringLiteral("none.ini"), 1920, 1080));
    zmk::Settings().Direct.Rate = 115200;
    ASSERT_TRUE(WriteMainSettings(path_));
    EXPECT_TRUE(ReadAll(path_).startsWith(junk));
    EXPECT_EQ(ReadBack().Direct.Rate, 115200);

    // a settings file that exists but cannot be read is left alone
    QFile::remove(path_);
    ASSERT_TRUE(QDir().mkdir(path_));
    zmk::Settings().Direct.Rate = 57600;
    EXPECT_FALSE(WriteMainSettings(path_));
    EXPECT_TRUE(QFileInfo(path_).isDir());
    EXPECT_EQ(SettingsSnapshot().Direct.Rate, 115200);  // tried again next time
    ASSERT_TRUE(QDir().rmdir(path_));

    WriteAll(path_, "[DIR_CONN_PAR]\r\nAdr=3\r\n");
    {
        QFile big(path_);
        ASSERT_TRUE(big.resize(ProfileFile::MaxFileSize + 1));
    }
    EXPECT_EQ(ReadBack().Direct.Address, 1);  // too large to read: defaults
    EXPECT_FALSE(WriteMainSettings(path_));
    EXPECT_EQ(QFileInfo(path_).size(), ProfileFile::MaxFileSize + 1);
}

TEST_F(SettingsFiles, WriteIntoAFolderThatCannotBeWrittenLeavesTheOldFilesWhole) {
    StartWith("[DIR_CONN_PAR]\r\nRate=9600\r\n; mine\r\n");
    const QByteArray oldIni = ReadAll(path_);
    ArchiveQueryRecord oldRecord;
    oldRecord.PeriodKind = 2;
    oldRecord.PeriodStart = oldRecord.PeriodEnd = 45000.0;
    ASSERT_TRUE(WriteArchiveQueryTo(ArchiveQueryPath(), oldRecord));
    const QByteArray oldArh = ReadAll(ArchiveQueryPath());

    ReadOnlyFolder lock(base_ + QStringLiteral("INI"));
    if (!lock.locked())
        GTEST_SKIP() << "cannot make a folder read-only for this user";

    zmk::Settings().Direct.Rate = 19200;
    EXPECT_FALSE(WriteMainSettings(path_));
    EXPECT_EQ(ReadAll(path_), oldIni);
    EXPECT_EQ(SettingsSnapshot().Direct.Rate, 9600);

    ArchiveQueryRecord newRecord = oldRecord;
    newRecord.PeriodKind = 1;
    EXPECT_FALSE(WriteArchiveQueryTo(ArchiveQueryPath(), newRecord));
    EXPECT_EQ(ReadAll(ArchiveQueryPath()), oldArh);

    ProfileFile f;
    ASSERT_TRUE(f.Load(path_));
    f.WriteInteger(QStringLiteral("DIR_CONN_PAR"), QStringLiteral("Rate"), 1200);
    EXPECT_FALSE(f.Save(path_));
    EXPECT_EQ(ReadAll(path_), oldIni);

    // once the folder can be written again, the change that failed is written
    lock.Unlock();
    EXPECT_TRUE(WriteMainSettings(path_));
    EXPECT_EQ(ReadBack().Direct.Rate, 19200);
    EXPECT_EQ(QDir(base_ + QStringLiteral("INI")).entryList(QDir::Files | QDir::Hidden),
              (QStringList{QStringLiteral("rd_arh.ini"), QStringLiteral("zmk.ini")}));
}

TEST_F(SettingsFiles, ArchiveQueryRecordLayoutAndRoundTrip) {
    ArchiveQueryRecord r;
    r.PeriodKind = 3;
    r.IndexChoice = -2;
    r.PeriodStart = 45000.25;
    r.PeriodEnd = 45031.75;
    r.Reserved.fill(0xAB);  // not used: written as zeros
    const QString path = ArchiveQueryPath();
    ASSERT_TRUE(WriteArchiveQueryTo(path, r));

    QByteArray expected = QByteArray::fromHex("03000000" "feffffff" "00000000 08f9e540" "00000000 f8fce540");
    expected.append(QByteArray(50, '\0'));
    EXPECT_EQ(ReadAll(path), expected);

    ReadArchiveQuery(path);
    ArchiveQueryRecord back = r;
    back.Reserved.fill(0);
    EXPECT_EQ(ArchiveQuery(), back);

    ArchiveQuery().PeriodKind = 1;
    ASSERT_TRUE(WriteArchiveQuery(path));
    EXPECT_EQ(ReadArchiveQueryFrom(path).PeriodKind, 1);

    // a longer file: only the first 74 bytes count
    WriteAll(path, expected + QByteArray(30, '\x7F'));
    EXPECT_EQ(ReadArchiveQueryFrom(path), back);
}

TEST_F(SettingsFiles, ShortAndMissingArchiveQueryFiles) {
    const QString path = ArchiveQueryPath();
    // 6 bytes: the period kind and half of the index choice; the rest is zero
    WriteAll(path, QByteArray::fromHex("020000000501"));
    ArchiveQueryRecord r = ReadArchiveQueryFrom(path);
    EXPECT_EQ(r.PeriodKind, 2);
    EXPECT_EQ(r.IndexChoice, 0x105);
    EXPECT_EQ(r.PeriodStart, 0.0);
    EXPECT_EQ(r.PeriodEnd, 0.0);

    WriteAll(path, QByteArray());
    EXPECT_EQ(ReadArchiveQueryFrom(path), ArchiveQueryRecord{.IndexChoice = 0});

    QFile::remove(path);
    r = ReadArchiveQueryFrom(path);
    EXPECT_EQ(r.PeriodKind, 0);
    EXPECT_EQ(r.IndexChoice, 1);
    EXPECT_NEAR(r.PeriodStart, CurrentDateTimeValue(), kNowTolerance);
    EXPECT_NEAR(r.PeriodEnd, CurrentDateTimeValue(), kNowTolerance);
}

TEST_F(SettingsFiles, ArchiveQueryDatesThatAreNoDatesReadAsNow) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        double stored;
        bool kept;
    };
    const Case cases[] = {
        {nan, false}, {-nan, false}, {inf, false}, {-inf, false}, {-1.0, false}, {-1e-300, false},
        {1e300, false}, {2958466.0, false}, {std::numeric_limits<double>::denorm_min(), true},
        {0.0, true}, {45000.5, true}, {2958465.999, true},
    };
    for (const Case& c : cases) {
        ArchiveQueryRecord r;
        r.PeriodStart = c.stored;
        r.PeriodEnd = 45000.0;
        const auto bytes = EncodeArchiveQuery(r);
        const ArchiveQueryRecord back = DecodeArchiveQuery(bytes.data(), int(bytes.size()));
        if (c.kept)
            EXPECT_EQ(back.PeriodStart, c.stored) << c.stored;
        else
            EXPECT_NEAR(back.PeriodStart, CurrentDateTimeValue(), kNowTolerance) << c.stored;
        EXPECT_EQ(back.PeriodEnd, 45000.0);
    }
    EXPECT_EQ(DecodeArchiveQuery(nullptr, 74), ArchiveQueryRecord{.IndexChoice = 0});
    const uint8_t one = 9;
    EXPECT_EQ(DecodeArchiveQuery(&one, -5), ArchiveQueryRecord{.IndexChoice = 0});
}

TEST_F(SettingsFiles, PortDevicesFromTheSettings) {
    WriteAll(path_, "[COM_PORTS]\r\nCOM1=/dev/ttyUSB0\r\ncom3 = /tmp/pty 3 \r\nCOM2=\r\nCOM256=/dev/x\r\nCOM0=/dev/y\r\n");
    const MainSettings s = ReadBack();
    const QMap<int, QString> expected{{1, QStringLiteral("/dev/ttyUSB0")}, {3, QStringLiteral("/tmp/pty 3")}};
    EXPECT_EQ(s.PortDevices, expected);
}
