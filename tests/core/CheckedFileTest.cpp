// Files are written so that a failure anywhere (a full disk, a read-only
// folder, a name taken by a folder) leaves the old file byte for byte.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <functional>
#include <sys/stat.h>
#include <unistd.h>

#include "FileSizeLimit.h"
#include "common/CheckedFile.h"
#include "common/PackedDate.h"
#include "common/ProfileFile.h"
#include "link/SubscriberList.h"
#include "measurements/MeasurementFile.h"
#include "measurements/MeasurementTable.h"
#include "measurements/Workbook.h"
#include "reports/ObjectList.h"
#include "settings/ArchiveQuery.h"
#include "settings/MainSettings.h"
#include "settings/ReportFormat.h"

using namespace zmk;

namespace {

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

void Put(const QString& path, const QByteArray& bytes) {
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    ASSERT_EQ(f.write(bytes), bytes.size());
}

QStringList TemporaryFiles(const QString& folder) {
    return QDir(folder).entryList({QStringLiteral("*.tmp*")}, QDir::Files | QDir::Hidden);
}

MeasurementFileHeader Header(ArchiveKind kind) {
    const PackedDate day{24, 6, 3, 9, 15, 0};
    return BuildMeasurementFileHeader(kind, HeaderTableValues{}, 7, day, day, day, 0);
}

// One of the program's writers, run against `path`: true when it reports success.
struct Writer {
    const char* name;
    QByteArray oldBytes;  // what the file held before (readable by the writer where it reads first)
    std::function<bool(const QString&)> write;
};

std::vector<Writer> Writers() {
    const QByteArray smallProfile = "[A]\r\nB=1\r\n";
    std::vector<Writer> w;
    w.push_back({"zmk.ini", smallProfile, [](const QString& path) {
                     MainSettings current, snapshot;
                     current.FormWidth = snapshot.FormWidth + 10;
                     current.ChannelKind = 2;
                     return WriteMainSettings(path, current, snapshot);
                 }});
    w.push_back({"objects.ini", smallProfile, [](const QString& path) {
                     ObjectList list = EmptyObjectList();
                     list.Count = 1;
                     list.Entries[0].Address = 9;
                     SetObjectName(list.Entries[0], QStringLiteral("ГРС Северная"));
                     return WriteObjectList(path, list);
                 }});
    w.push_back({"rep_format.ini", QByteArray(8, 'x'),
                 [](const QString& path) { return WriteReportFormat(path, DefaultReportFormat()); }});
    w.push_back({"rd_arh.ini", QByteArray(8, 'x'), [](const QString& path) {
                     ArchiveQueryRecord record;
                     record.PeriodStart = record.PeriodEnd = 45000.5;
                     return WriteArchiveQueryTo(path, record);
                 }});
    w.push_back({"phone list", smallProfile, [](const QString& path) {
                     static PhoneList list{}, stored{};
                     list = PhoneList{};
                     stored = PhoneList{};
                     list.Count = 1;
                     SetAbonentName(list.Entries[0], QStringLiteral("ГРС"));
                     list.Entries[0].Address = 3;
                     return WritePhoneList(path, list, stored) == ListWriteResult::Written;
                 }});
    w.push_back({"ethernet list", smallProfile, [](const QString& path) {
                     static EthernetList list{}, stored{};
                     list = EthernetList{};
                     stored = EthernetList{};
                     list.Count = 1;
                     list.Entries[0].Address = 4;
                     list.Entries[0].SetIp(0x0A000001);
                     list.Entries[0].SetPort(4001);
                     return WriteEthernetList(path, list, stored) == ListWriteResult::Written;
                 }});
    w.push_back({"measurement file", QByteArray(8, 'x'), [](const QString& path) {
                     return WriteMeasurementFile(path, Header(ArchiveKind::ChromHour),
                                                 RecordStore(ArchiveKind::ChromHour));
                 }});
    w.push_back({"workbook", QByteArray(8, 'x'), [](const QString& path) {
                     const MeasurementTable table(Header(ArchiveKind::ChromDay), RecordStore(ArchiveKind::ChromDay),
                                                  ValueDecimals{});
                     return WriteMeasurementWorkbook(path, table) == WorkbookStatus::Ok;
                 }});
    w.push_back({"settings dialect", smallProfile, [](const QString& path) {
                     ProfileFile file;
                     file.Load(path);
                     file.WriteString(QStringLiteral("Раздел"), QStringLiteral("Ключ"), QStringLiteral("значение"));
                     return file.Save(path);
                 }});
    return w;
}

class CheckedWrite : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(dir_.isValid()); }
    QString Path(const QString& name) const { return dir_.filePath(name); }
    QTemporaryDir dir_;
};

}  // namespace

TEST_F(CheckedWrite, AFullDiskLeavesEveryStoredFileAsItWas) {
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        const QString path = Path(QString::fromLatin1(w.name));
        Put(path, w.oldBytes);
        bool written;
        {
            // Every writer's new content is longer than this.
            FileSizeLimit full(12);
            written = w.write(path);
        }
        EXPECT_FALSE(written);
        EXPECT_EQ(Bytes(path), w.oldBytes);
        EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());

        // With room on the disk the same writer does replace the file, so the
        // failure above is the disk's and not the writer's.
        EXPECT_TRUE(w.write(path));
        EXPECT_NE(Bytes(path), w.oldBytes);
        EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());
    }
}

TEST_F(CheckedWrite, AReadOnlyFolderFailsEveryWriter) {
    if (geteuid() == 0) GTEST_SKIP() << "root writes into read-only folders";
    const QString folder = Path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkpath(folder));
    for (const Writer& w : Writers()) {
        SCOPED_TRACE(w.name);
        const QString path = folder + '/' + QString::fromLatin1(w.name);
        Put(path, w.oldBytes);
        ASSERT_EQ(chmod(QFile::encodeName(folder).constData(), 0555), 0);
        EXPECT_FALSE(w.write(path));
        chmod(QFile::encodeName(folder).constData(), 0755);
        EXPECT_EQ(Bytes(path), w.oldBytes);
        EXPECT_EQ(TemporaryFiles(folder), QStringList());
    }
}

TEST_F(CheckedWrite, TheReplacementKeepsPermissionsAndLinks) {
    const QString real = Path(QStringLiteral("real.ini"));
    const QString link = Path(QStringLiteral("link.ini"));
    Put(real, "old");
    ASSERT_EQ(chmod(QFile::encodeName(real).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(real, link));

    EXPECT_TRUE(WriteFileChecked(link, "new"));
    EXPECT_TRUE(QFileInfo(link).isSymLink());
    EXPECT_EQ(Bytes(real), QByteArray("new"));
    struct stat st {};
    ASSERT_EQ(stat(QFile::encodeName(real).constData(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
}

TEST_F(CheckedWrite, NothingButAFileIsReplaced) {
    const QString folder = Path(QStringLiteral("taken"));
    ASSERT_TRUE(QDir().mkpath(folder + QStringLiteral("/inside")));
    QString error;
    EXPECT_FALSE(WriteFileChecked(folder, "x", &error));
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(QFileInfo(folder + QStringLiteral("/inside")).isDir());
    EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());

    // A write given up half-way leaves the target alone.
    const QString path = Path(QStringLiteral("kept.bin"));
    Put(path, "old");
    {
        CheckedFile file(path);
        ASSERT_TRUE(file.Open());
        ASSERT_TRUE(file.Write(QByteArray("half of the new")));
    }
    EXPECT_EQ(Bytes(path), QByteArray("old"));
    EXPECT_EQ(TemporaryFiles(dir_.path()), QStringList());
}

TEST_F(CheckedWrite, SettingsReadersTakeOnlyRealFilesOfSaneSize) {
    // A device or a pipe under a settings name is not read (and not waited on).
    const QString device = Path(QStringLiteral("zmk.ini"));
    ASSERT_TRUE(QFile::link(QStringLiteral("/dev/zero"), device));
    ProfileFile profile;
    EXPECT_FALSE(profile.Load(device));
    const QString pipe = Path(QStringLiteral("objects.ini"));
    ASSERT_EQ(mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_FALSE(profile.Load(pipe));

    // A file too large to be a settings file is unreadable, and no writer
    // rewrites what it could not read.
    const QString large = Path(QStringLiteral("large.ini"));
    Put(large, "[Objects]\r\nCount=1\r\n");
    ASSERT_TRUE(QFile::resize(large, ProfileFile::MaxFileSize + 1));  // sparse: costs no disk
    EXPECT_FALSE(profile.Load(large));
    ObjectList list = EmptyObjectList();
    list.Count = 1;
    EXPECT_FALSE(WriteObjectList(large, list));
    EXPECT_EQ(QFileInfo(large).size(), ProfileFile::MaxFileSize + 1);
    MainSettings current, snapshot;
    current.FormWidth = snapshot.FormWidth + 1;
    EXPECT_FALSE(WriteMainSettings(large, current, snapshot));
    EXPECT_EQ(QFileInfo(large).size(), ProfileFile::MaxFileSize + 1);
}
