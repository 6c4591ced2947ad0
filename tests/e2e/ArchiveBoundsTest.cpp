// Archive bounds read from the simulated controller over a pseudo-terminal.
#include <gtest/gtest.h>

#include <ostream>

#include "QtPrinters.h"
#include "SimLink.h"
#include "common/StatusBarPanel.h"
#include "link/ControllerLink.h"
#include "common/PackedDate.h"
#include "tables/TableEngine.h"
#include "measurements/ArchiveBounds.h"
#include "common/MessageKind.h"

using namespace zmk;

namespace {

PackedDate D(int day, int month, int year, int hour = 0, int minute = 0, int second = 0) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

std::string Text(const PackedDate& d) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute, d.Second)
        .toStdString();
}

struct RecordedMessages : ArchiveMessages {
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        kinds.push_back(int(kind));
        lines.push_back(line1.toStdString() + "|" + line2.toStdString());
    }
    std::vector<int32_t> kinds;
    std::vector<std::string> lines;
};

class ArchiveBoundsOnSim : public ::testing::Test {
protected:
    // Starts the simulator with its clock and archive start and connects to it.
    void Start(const char* clock, int archiveDays) {
        sim = std::make_unique<SimLink>(SimTransport::Pty,
                                        QStringList{QStringLiteral("--clock"), QString::fromLatin1(clock),
                                                    QStringLiteral("--archive-days"), QString::number(archiveDays)});
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        ASSERT_TRUE(sim->Open(link)) << sim->message().toStdString();
    }
    bool Read(int archive) { return ReadArchiveBounds(engine, &panel, archive, messages, reading); }

    std::unique_ptr<SimLink> sim;
    ControllerLink link{0};
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine{link, image, noRetry};
    TextPanel panel;
    RecordedMessages messages;
    ArchiveBoundsReading reading;
};

}  // namespace

TEST_F(ArchiveBoundsOnSim, FiveMinuteArchiveTwoMonthsDeep) {
    Start("2008-03-10 00:02:00", 400);
    ASSERT_TRUE(Read(UnitFiveMinutes)) << link.StatusText().toStdString();
    EXPECT_TRUE(messages.lines.empty());
    EXPECT_EQ(reading.Clock.Prefix(5), D(10, 3, 8, 0, 2)) << Text(reading.Clock);
    EXPECT_EQ(Text(reading.Bounds.Oldest), Text(D(10, 1, 8, 0, 0)));
    EXPECT_EQ(Text(reading.Bounds.Newest), Text(D(9, 3, 8, 23, 55)));
    // The raw date is older than the ring buffer's reach.
    EXPECT_LT(CompareMinutes(reading.RawOldest, reading.Bounds.Oldest), 0) << Text(reading.RawOldest);
    // The clock and the system table are in the image for the period dialog.
    EXPECT_EQ(PackedDate::FromBytes(image.Table(2)).Prefix(5), D(10, 3, 8, 0, 2));
    EXPECT_EQ(image.Table(6)[6], 10);
}

TEST_F(ArchiveBoundsOnSim, YoungFiveMinuteArchiveStartsAtItsRawDate) {
    Start("2008-03-10 00:02:00", 10);
    ASSERT_TRUE(Read(UnitFiveMinutes)) << link.StatusText().toStdString();
    ASSERT_TRUE(IsValidPackedDate(reading.RawOldest));
    PackedDate expected = reading.RawOldest.Prefix(5);
    expected.Minute = uint8_t(expected.Minute / 5 * 5);
    EXPECT_EQ(Text(reading.Bounds.Oldest), Text(expected));
    EXPECT_EQ(DaysBetween(reading.Bounds.Oldest, D(10, 3, 8)), 10);
}

TEST_F(ArchiveBoundsOnSim, HourlyAndDailyBoundsFollowTheContractHour) {
    // The simulator's contract hour is 10; at 05:00 the gas day of the 15th
    // has not begun.
    Start("2009-05-15 05:00:00", 400);
    ASSERT_TRUE(Read(UnitHour)) << link.StatusText().toStdString();
    EXPECT_EQ(Text(reading.Bounds.Oldest), Text(D(15, 5, 8, 5)));
    EXPECT_EQ(Text(reading.Bounds.Newest), Text(D(15, 5, 9, 4)));

    ASSERT_TRUE(Read(UnitDay)) << link.StatusText().toStdString();
    EXPECT_FALSE(reading.DayFlag);
    EXPECT_EQ(reading.Bounds.Newest.Prefix(3), D(13, 5, 9)) << Text(reading.Bounds.Newest);
    // Four years of depth reach beyond the archive's start: the raw date rules.
    EXPECT_EQ(reading.Bounds.Oldest.Prefix(3), reading.RawOldest.Prefix(3)) << Text(reading.RawOldest);
    EXPECT_EQ(reading.RawOldest.Hour, 10);
    EXPECT_TRUE(messages.lines.empty());
}

TEST_F(ArchiveBoundsOnSim, ArchiveStartedNowHasNoRecordYet) {
    Start("2008-03-10 00:02:00", 0);
    EXPECT_FALSE(Read(UnitFiveMinutes));
    ASSERT_EQ(messages.lines.size(), 1u) << Text(reading.RawOldest);
    EXPECT_EQ(messages.kinds[0], 6);
    EXPECT_EQ(messages.lines[0], "В архиве еще нет ни одной записи|");
}
