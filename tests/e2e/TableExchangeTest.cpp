// The table engine against the simulated controller: what reaches the wire.
#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>
#include <cstring>

#include "QtPrinters.h"
#include "SimLink.h"
#include "SimLog.h"
#include "link/ControllerLink.h"
#include "common/DosCodePage.h"
#include "tables/ConfigRecord.h"
#include "tables/ConfigWrite.h"
#include "tables/UsersTable.h"
#include "tables/TableEngine.h"

using namespace zmk;

namespace {

class TableEngineOnSim : public ::testing::Test {
protected:
    void SetUp() override {
        sim = std::make_unique<SimLink>(SimTransport::Pty, QStringList{QStringLiteral("--log"), LogPath()});
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        // The simulator's registered setter.
        const char* password = "12345678    ";
        std::copy(password, password + 12, link.WritePassword.begin());
        std::copy(password, password + 4, link.UserCode.begin());
        ASSERT_TRUE(sim->Open(link)) << sim->message().toStdString();
    }
    QString LogPath() const { return dir.filePath(QStringLiteral("frames.log")); }
    // (function, table, first, count) of every request the simulator received.
    std::vector<std::array<int, 4>> Requests() const { return LoggedTableRequests(LogPath()); }

    QTemporaryDir dir;
    std::unique_ptr<SimLink> sim;
    ControllerLink link{0};
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine{link, image, noRetry};
};

}  // namespace

TEST_F(TableEngineOnSim, CostRuleOnTheWire) {
    ASSERT_TRUE(engine.ReadTable({22, 0, 20}, nullptr)) << link.StatusText().toStdString();
    std::vector<uint8_t> old(image.Table(22), image.Table(22) + 80);

    image.Field(22, 0)[0] ^= 1;
    image.Field(22, 2)[0] ^= 1;
    ASSERT_TRUE(engine.WriteTableChanges({22, 0, 20}, old.data(), nullptr)) << link.StatusText().toStdString();
    std::copy(image.Table(22), image.Table(22) + 80, old.begin());

    image.Field(22, 0)[1] ^= 1;
    image.Field(22, 19)[1] ^= 1;
    ASSERT_TRUE(engine.WriteTableChanges({22, 0, 20}, old.data(), nullptr));

    const std::vector<std::array<int, 4>> expected = {{1, 22, 0, 20}, {2, 22, 0, 3}, {2, 22, 0, 1}, {2, 22, 19, 1}};
    EXPECT_EQ(Requests(), expected);

    // The controller now holds what the image holds.
    ConfigImage fresh;
    TableEngine reader(link, fresh, noRetry);
    ASSERT_TRUE(reader.ReadTable({22, 0, 20}, nullptr));
    EXPECT_TRUE(std::equal(image.Table(22), image.Table(22) + 80, fresh.Table(22)));
}

TEST_F(TableEngineOnSim, LongRangesAreSplit) {
    ASSERT_TRUE(engine.ReadTable({4, 0, 16}, nullptr)) << link.StatusText().toStdString();
    // Table 13 (16-byte fields) is written 14 fields at a time; the
    // controller never lets it be read.
    ASSERT_TRUE(engine.WriteTable({13, 0, 16}, nullptr)) << link.StatusText().toStdString();
    const std::vector<std::array<int, 4>> expected = {{1, 4, 0, 11}, {1, 4, 11, 5}, {2, 13, 0, 14}, {2, 13, 14, 2}};
    EXPECT_EQ(Requests(), expected);
}

namespace {

class CountingProgress : public ConfigProgress {
public:
    void SetMaximum(int m) override { maximum = m; }
    void SetPosition(int p) override { positions.push_back(p); }
    void Linger() override { ++lingers; }
    int maximum = 0;
    std::vector<int> positions;
    int lingers = 0;
};

}  // namespace

// The whole configuration in ascending table order, the flow-computer tables
// only for the connected flow computers (one empty request when there is
// none), table 13 never; the record made of it holds what the controller has.
TEST_F(TableEngineOnSim, ReadConfigurationReadsEveryConfigurationTableInOrder) {
    for (const uint8_t flowComputers : {uint8_t(2), uint8_t(0)}) {
        SCOPED_TRACE(int(flowComputers));
        ASSERT_TRUE(engine.ReadTable({9, 0, 8}, nullptr));
        image.Table(9)[0] = flowComputers;
        ASSERT_TRUE(engine.WriteTable({9, 0, 1}, nullptr)) << link.StatusText().toStdString();
        QFile(LogPath()).resize(0);

        ConfigImage fresh;
        TableEngine reader(link, fresh, noRetry);
        CountingProgress progress;
        ASSERT_TRUE(ReadConfiguration(reader, nullptr, progress)) << link.StatusText().toStdString();

        const int n = flowComputers;
        const std::vector<std::array<int, 4>> expected = {
            {1, 2, 0, 8},   {1, 3, 0, 4},   {1, 4, 0, 11},  {1, 4, 11, 5},  {1, 5, 0, 1},   {1, 6, 0, 12},
            {1, 9, 0, 8},   {1, 14, 0, 8},  {1, 15, 0, 8},  {1, 17, 0, n},  {1, 18, 0, n},  {1, 19, 0, n},
            {1, 20, 0, n},  {1, 21, 0, 20}, {1, 22, 0, 20}, {1, 23, 0, 20}, {1, 24, 0, 20}, {1, 25, 0, 20},
            {1, 26, 0, 20}, {1, 28, 0, 2},  {1, 29, 0, 7}};
        EXPECT_EQ(Requests(), expected);
        EXPECT_EQ(progress.maximum, 22);
        ASSERT_FALSE(progress.positions.empty());
        EXPECT_EQ(progress.positions.back(), 22);
        EXPECT_EQ(progress.lingers, 1);
        // The designed overrides of the system parameters.
        EXPECT_EQ(fresh.Table(6)[9], 1);
        EXPECT_EQ(fresh.Table(6)[10], 0);
        EXPECT_EQ(fresh.Table(6)[11], 0);

        const ConfigRecord record = ImageToRecord(fresh);
        EXPECT_EQ(record.FlowComputerCount(), n);
        EXPECT_EQ(record.bytes[0], 1);
        EXPECT_EQ(0, std::memcmp(record.At(config_offset::Limits), fresh.Table(22), 80));
        if (n > 0) {
            EXPECT_EQ(record.FlowComputer(1)[0], fresh.Table(18)[1]);
        }
    }
}

namespace {

class NotingObserver : public ConfigWriteObserver {
public:
    explicit NotingObserver(ControllerLink& link) : link_(link) {}
    void UpperLevelWritten(const uint8_t* table3) override {
        link_.Address = table3[0];
        calls.push_back(QStringLiteral("3:%1").arg(table3[0]));
    }
    void NameWritten(const QString& name) override { calls.push_back(QStringLiteral("5:") + name); }
    void SystemWritten(bool moisture) override { calls.push_back(QStringLiteral("6:%1").arg(int(moisture))); }
    QStringList calls;

private:
    ControllerLink& link_;
};

}  // namespace

// A new configuration written into every table: table 9 first, the
// flow-computer tables for the connected ones only, table 13 after them,
// then the rest in ascending order; the name on the wire in the DOS code page.
TEST_F(TableEngineOnSim, WriteConfigurationKeepsItsOrder) {
    for (const uint8_t flowComputers : {uint8_t(2), uint8_t(0)}) {
        SCOPED_TRACE(int(flowComputers));
        ConfigRecord record = NewConfigRecord();
        uint8_t* user = UserRecordAt(record.At(config_offset::Users), 0);
        std::memcpy(user, "ADM ", 4);
        user[UserLevelAt] = Manufacturer;
        std::memcpy(user + UserPasswordAt, "12345678    ", 12);
        std::memcpy(user + UserCodeAt, "1234", 4);
        const QByteArray name("\xC3\xD0\xD1-1");  // "ГРС-1" in Windows-1251
        std::memcpy(record.At(config_offset::Name), name.constData(), size_t(name.size()));
        record.bytes[config_offset::FlowComputerLink] = flowComputers;
        for (int i = 0; i < flowComputers; ++i) record.FlowComputer(i)[0] = uint8_t(i + 7);
        ASSERT_FALSE(CopyRecordToImage(record, image, true).has_value());

        TableSelection selection = TableSelection::AllDestroyed();
        MarkAllTables(selection);
        selection.write[2] = false;  // the clock goes its own way
        selection.write[4] = false;  // so do the users
        QFile(LogPath()).resize(0);
        NotingObserver observer(link);
        CountingProgress progress;
        ASSERT_TRUE(WriteConfiguration(engine, selection, nullptr, progress, observer))
            << link.StatusText().toStdString();

        const int n = flowComputers;
        const std::vector<std::array<int, 4>> expected = {
            {2, 9, 0, 8},   {2, 17, 0, n},  {2, 18, 0, n},  {2, 19, 0, n},  {2, 20, 0, n},  {2, 13, 0, n},
            {2, 3, 0, 4},   {2, 5, 0, 1},   {2, 6, 0, 12},  {2, 14, 0, 8},  {2, 15, 0, 8},  {2, 21, 0, 20},
            {2, 22, 0, 20}, {2, 23, 0, 20}, {2, 24, 0, 20}, {2, 25, 0, 20}, {2, 26, 0, 20}, {2, 28, 0, 2},
            {2, 29, 0, 7}};
        EXPECT_EQ(Requests(), expected);
        EXPECT_EQ(observer.calls, (QStringList{"3:1", QStringLiteral("5:ГРС-1"), "6:1"}));
        EXPECT_FALSE(selection.AnyMarkedBesides({}));
        EXPECT_EQ(progress.maximum, 21);
        EXPECT_EQ(progress.positions.back(), 21);

        // The image keeps the name in Windows-1251; the controller got CP866.
        EXPECT_EQ(0, std::memcmp(image.Table(5), record.At(config_offset::Name), 20));
        ConfigImage fresh;
        TableEngine reader(link, fresh, noRetry);
        ASSERT_TRUE(reader.ReadTable({5, 0, 1}, nullptr));
        uint8_t dos[20];
        std::memcpy(dos, record.At(config_offset::Name), 20);
        EncodeDosText(dos, 20);
        EXPECT_EQ(0, std::memcmp(fresh.Table(5), dos, 20));
        ASSERT_TRUE(reader.ReadTable({18, 0, 16}, nullptr));
        for (int i = 0; i < n; ++i) EXPECT_EQ(fresh.Table(18)[i], i + 7);
    }
}

// A destroyed users table is restored in two requests carrying blank
// credentials; the link's own credentials are back afterwards.
TEST(RestoreUsersTableOnSim, WritesWithBlankCredentialsAndPutsThemBack) {
    QTemporaryDir dir;
    const QString log = dir.filePath(QStringLiteral("frames.log"));
    SimLink sim(SimTransport::Pty, {QStringLiteral("--destroyed"), QStringLiteral("4"), QStringLiteral("--log"), log});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    ControllerLink link(0);
    const char* password = "12345678    ";
    std::copy(password, password + 12, link.WritePassword.begin());
    std::copy(password, password + 4, link.UserCode.begin());
    ASSERT_TRUE(sim.Open(link)) << sim.message().toStdString();
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine(link, image, noRetry);

    ConfigRecord record = NewConfigRecord();
    uint8_t* user = UserRecordAt(record.At(config_offset::Users), 0);
    std::memcpy(user, "ADM ", 4);
    user[UserLevelAt] = Manufacturer;
    std::memcpy(user + UserPasswordAt, "87654321    ", 12);
    std::memcpy(user + UserCodeAt, "4321", 4);
    record.bytes[config_offset::FlowComputerLink] = 0;
    const auto refusal = CopyRecordToImage(record, image, true);
    ASSERT_FALSE(refusal.has_value()) << refusal->line1.toStdString() << refusal->line2.toStdString();

    ASSERT_TRUE(RestoreUsersTable(engine, nullptr)) << link.StatusText().toStdString();
    EXPECT_EQ(std::string(link.WritePassword.begin(), link.WritePassword.end()), password);
    EXPECT_EQ(std::string(link.UserCode.begin(), link.UserCode.end()), "1234");

    // (table, first, count, credentials) of the writes on the wire.
    std::vector<std::tuple<int, int, int, QByteArray>> writes;
    for (const QByteArray& bytes : LoggedRequestFrames(log))
        if (bytes.size() > 24 && bytes[3] == 2) writes.emplace_back(bytes[21], bytes[22], bytes[23], bytes.mid(4, 16));
    const QByteArray blank(16, ' ');
    const std::vector<std::tuple<int, int, int, QByteArray>> expected{{4, 0, 10, blank}, {4, 10, 6, blank}};
    EXPECT_EQ(writes, expected);

    ConfigImage fresh;
    TableEngine reader(link, fresh, noRetry);
    ASSERT_TRUE(reader.ReadTable({4, 0, 16}, nullptr));
    EXPECT_EQ(0, std::memcmp(fresh.Table(4), image.Table(4), 16 * 22));
    ASSERT_TRUE(reader.ReadTable({7, 0, 38}, nullptr));
    EXPECT_EQ(fresh.Table(7)[4], 0);
}
