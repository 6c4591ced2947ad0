// The reading of a passport against a scripted controller: the gas-day and
// month spans, both analysers read and paired record by record, the
// messages, the progress and Esc.
#include <gtest/gtest.h>

#include <QDateTime>
#include <functional>

#include "FakeLink.h"
#include "PassportRecords.h"
#include "common/ArchiveReading.h"
#include "reports/PassportReader.h"

using namespace zmk;
using namespace passport_test;

namespace {

PackedDate Date(int yy, int mo, int d, int h = 0) {
    return PackedDate{uint8_t(yy), uint8_t(mo), uint8_t(d), uint8_t(h), 0, 0};
}

ArchiveBounds Bounds(PackedDate oldest, PackedDate newest) { return ArchiveBounds{oldest, newest}; }

struct Message {
    QString line1, line2;
};

struct PassportDialogue : ArchiveReadDialogue {
    void ShowMessage(MessageKind kind, const QString& l1, const QString& l2) override {
        EXPECT_EQ(kind, MessageKind::Info);
        messages.push_back({l1, l2});
    }
    bool AskQuestion(MessageKind, const QString&, const QString&) override {
        ADD_FAILURE() << "a passport reading asks nothing";
        return false;
    }
    void ShowStatus(const QString& text) override { statuses.push_back(text); }
    void ReadingStarted(int maximum) override { progressMaximum = maximum; }
    void ProgressStep() override { ++steps; }
    void ProcessEvents() override {
        ++pumps;
        if (pumps == escAtPump) ArchiveReading().AbortRequested = true;
    }
    void ReadingEnded() override { readingAtEnd = ArchiveReading().InProgress; }

    std::vector<Message> messages;
    std::vector<QString> statuses;
    int progressMaximum = -1, steps = 0, pumps = 0, escAtPump = 0;
    bool readingAtEnd = true;
};

// The controller side: dates computed with QDateTime, so that a slip of the
// program's date toolkit is not repeated here.
struct PassportController {
    PassportController() : link(1) {
        channel = UseScriptChannel(link, clock);
        link.AnswerWaitMs = 10;
        channel->peer = [this](const std::vector<uint8_t>& req) { return Serve(req); };
        ArchiveReading() = {};
    }

    std::vector<uint8_t> Serve(const std::vector<uint8_t>& req) {
        const uint8_t code = req[3];
        const int analyser = req[6];
        const int prefix = code == 15 ? 4 : 3;
        requests.push_back({code, std::vector<uint8_t>(req.begin() + 4, req.begin() + 7 + 2 * prefix)});
        if (int(requests.size()) == failAtRequest) return AnswerFrame(1, code, 22);
        auto at = [&](int offset) {
            return QDateTime(QDate(2000 + req[offset], req[offset + 1], req[offset + 2]),
                             QTime(prefix == 4 ? req[offset + 3] : 0, 0), Qt::UTC);
        };
        QDateTime t = at(7);
        const QDateTime end = at(7 + prefix);
        const int perAnswer = analyser ? 8 : 2;
        std::vector<uint8_t> data;
        int n = 0;
        int& served = analyser ? servedMoisture : servedChrom;
        const int limit = analyser ? moistureLimit : chromLimit;
        for (; n < perAnswer && t <= end && served < limit; t = prefix == 4 ? t.addSecs(3600) : t.addDays(1)) {
            if (skip && skip(analyser, t)) continue;
            QDateTime stamp = t;
            if (shift) stamp = stamp.addSecs(shift(analyser, served));
            const int yy = stamp.date().year() - 2000, mm = stamp.date().month(), dd = stamp.date().day();
            const int hh = prefix == 4 ? stamp.time().hour() : 0;
            const QByteArray rec = analyser ? MoistureRecord(yy, mm, dd, hh) : ChromRecord(yy, mm, dd, hh);
            data.insert(data.end(), rec.begin(), rec.end());
            ++served;
            ++n;
        }
        return AnswerFrame(1, uint8_t(code | 0x80), uint8_t(n), data);
    }

    std::optional<PassportData> Read(PassportKind kind, PackedDate chosen, ArchiveBounds bounds) {
        return ReadPassport(link, kind, chosen, bounds, dialogue);
    }

    struct Request {
        uint8_t code;
        std::vector<uint8_t> body;  // 3, 0, analyser, start, end
    };

    FakeClock clock;
    ControllerLink link;
    ScriptChannel* channel = nullptr;
    PassportDialogue dialogue;
    std::vector<Request> requests;
    int servedChrom = 0, servedMoisture = 0;
    int chromLimit = 1000, moistureLimit = 1000;
    int failAtRequest = 0;
    std::function<bool(int analyser, const QDateTime&)> skip;     // records the archive lacks
    std::function<int(int analyser, int index)> shift;            // seconds added to a record's date
};

struct PassportFixture : ::testing::Test, PassportController {};

const ArchiveBounds WideHourly = Bounds(Date(26, 1, 1, 0), Date(26, 12, 20, 23));

}  // namespace

TEST(PassportSpans, GasDayFromTheContractHour) {
    struct Case {
        PackedDate day;
        int contractHour;
        ArchiveBounds bounds;
        PackedDate start, end;
    } cases[] = {
        {Date(26, 12, 8), 10, WideHourly, Date(26, 12, 8, 10), Date(26, 12, 9, 9)},
        {Date(26, 12, 8), 0, WideHourly, Date(26, 12, 8, 0), Date(26, 12, 8, 23)},
        {Date(26, 12, 31), 7, WideHourly, Date(26, 12, 31, 7), Date(27, 1, 1, 6)},
        {Date(28, 2, 28), 23, WideHourly, Date(28, 2, 28, 23), Date(28, 2, 29, 22)},
        // The oldest record is later than the contract hour: the day starts there.
        {Date(26, 12, 8), 10, Bounds(Date(26, 12, 8, 14), Date(26, 12, 20, 0)), Date(26, 12, 8, 14), Date(26, 12, 9, 13)},
    };
    for (const Case& c : cases) {
        const PassportSpan span = GasDaySpan(c.day, c.contractHour, c.bounds);
        EXPECT_EQ(span.Start, c.start) << c.contractHour;
        EXPECT_EQ(span.End, c.end) << c.contractHour;
    }
}

TEST(PassportSpans, MonthLimitedByTheArchive) {
    struct Case {
        PackedDate month;
        ArchiveBounds bounds;
        PackedDate start, end;
    } cases[] = {
        {Date(28, 2, 1), Bounds(Date(27, 1, 1), Date(28, 12, 1)), Date(28, 2, 1), Date(28, 2, 29)},
        {Date(27, 2, 1), Bounds(Date(26, 1, 1), Date(28, 12, 1)), Date(27, 2, 1), Date(27, 2, 28)},
        // The current month ends at the newest record; the oldest month starts at the oldest.
        {Date(26, 12, 1), Bounds(Date(26, 10, 5), Date(26, 12, 10)), Date(26, 12, 1), Date(26, 12, 10)},
        {Date(26, 10, 1), Bounds(Date(26, 10, 5), Date(26, 12, 10)), Date(26, 10, 5), Date(26, 10, 31)},
    };
    for (const Case& c : cases) {
        const PassportSpan span = MonthSpan(c.month, c.bounds);
        EXPECT_EQ(span.Start, c.start);
        EXPECT_EQ(span.End, c.end);
    }
}

TEST_F(PassportFixture, AGasDayOfBothAnalysers) {
    const std::optional<PassportData> data = Read(PassportKind::Daily, Date(26, 12, 8, 10), WideHourly);
    ASSERT_TRUE(data);
    EXPECT_TRUE(dialogue.messages.empty());
    ASSERT_EQ(data->Chrom.Count(), 24);
    ASSERT_EQ(data->Moisture.Count(), 24);
    EXPECT_EQ(data->Chrom.At(0).Date().Prefix(4), Date(26, 12, 8, 10));
    EXPECT_EQ(data->Chrom.At(23).Date().Prefix(4), Date(26, 12, 9, 9));
    EXPECT_EQ(data->Moisture.At(23).Date().Prefix(4), Date(26, 12, 9, 9));
    EXPECT_EQ(data->Chosen, Date(26, 12, 8, 10));
    // Function code 15; the first request of each analyser asks for the whole day.
    ASSERT_FALSE(requests.empty());
    const std::vector<uint8_t> first{3, 0, 0, 26, 12, 8, 10, 26, 12, 9, 9};
    EXPECT_EQ(requests.front().code, 15);
    EXPECT_EQ(requests.front().body, first);
    const auto moistureFirst = std::find_if(requests.begin(), requests.end(), [](const Request& r) { return r.body[2] == 1; });
    ASSERT_NE(moistureFirst, requests.end());
    const std::vector<uint8_t> moistureBody{3, 0, 1, 26, 12, 8, 10, 26, 12, 9, 9};
    EXPECT_EQ(moistureFirst->body, moistureBody);
    // Later requests start at the next expected hour.
    EXPECT_EQ(requests[1].body, (std::vector<uint8_t>{3, 0, 0, 26, 12, 8, 12, 26, 12, 9, 9}));
    EXPECT_EQ(dialogue.progressMaximum, PassportProgressMaximum);
    EXPECT_EQ(dialogue.steps, 48);
    EXPECT_FALSE(dialogue.readingAtEnd);
    EXPECT_FALSE(ArchiveReading().InProgress);
}

TEST_F(PassportFixture, TwentyRecordsThenAnEmptyAnswer) {
    chromLimit = moistureLimit = 20;
    const std::optional<PassportData> data = Read(PassportKind::Daily, Date(26, 12, 8, 0), WideHourly);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->Chrom.Count(), 20);
    EXPECT_EQ(data->Moisture.Count(), 20);
    EXPECT_TRUE(dialogue.messages.empty());
}

TEST_F(PassportFixture, AGapIsAcceptedAndTheRecordsAfterItFollow) {
    skip = [](int, const QDateTime& t) { return t.time().hour() == 13; };
    const std::optional<PassportData> data = Read(PassportKind::Daily, Date(26, 12, 8, 10), WideHourly);
    ASSERT_TRUE(data);
    ASSERT_EQ(data->Chrom.Count(), 23);
    EXPECT_EQ(data->Chrom.At(3).Date().Hour, 14);
    EXPECT_EQ(data->Moisture.At(3).Date().Hour, 14);
    EXPECT_EQ(data->Chrom.At(22).Date().Prefix(4), Date(26, 12, 9, 9));
}

TEST_F(PassportFixture, FindingsStopThePassport) {
    struct Case {
        const char* name;
        std::function<void(PassportController&)> setUp;
        QString line1, line2;
    } cases[] = {
        {"moisture record one hour off",
         [](PassportController& f) { f.shift = [](int analyser, int index) { return analyser == 1 && index == 5 ? 3600 : 0; }; },
         PassportDatesLine1(), PassportDatesLine2()},
        {"chromatograph record before the expected hour",
         [](PassportController& f) { f.shift = [](int analyser, int index) { return analyser == 0 && index == 3 ? -7200 : 0; }; },
         MismatchLine1(), PassportSpanLine2()},
        {"fewer moisture-meter records",
         [](PassportController& f) { f.chromLimit = 20, f.moistureLimit = 19; },
         PassportCountLine1(), PassportCountLine2(20, 19)},
        {"no chromatograph records", [](PassportController& f) { f.chromLimit = 0; },
         QStringLiteral("Часовые данные хроматографа из архива"), QStringLiteral("не прочитаны")},
        {"no moisture-meter records", [](PassportController& f) { f.moistureLimit = 0; },
         QStringLiteral("Часовые данные влагомера из архива"), QStringLiteral("не прочитаны")},
        {"a failed exchange", [](PassportController& f) { f.failAtRequest = 3; },
         QStringLiteral("Часовые данные хроматографа из архива"), QStringLiteral("не прочитаны")},
    };
    for (const Case& c : cases) {
        PassportController f;
        c.setUp(f);
        EXPECT_FALSE(f.Read(PassportKind::Daily, Date(26, 12, 8, 10), WideHourly)) << c.name;
        ASSERT_EQ(f.dialogue.messages.size(), 1u) << c.name;
        EXPECT_EQ(f.dialogue.messages[0].line1, c.line1) << c.name;
        EXPECT_EQ(f.dialogue.messages[0].line2, c.line2) << c.name;
        EXPECT_FALSE(ArchiveReading().InProgress) << c.name;
    }
}

TEST_F(PassportFixture, AFailedExchangeShowsTheLinkStatus) {
    failAtRequest = 1;
    EXPECT_FALSE(Read(PassportKind::Daily, Date(26, 12, 8, 10), WideHourly));
    ASSERT_FALSE(dialogue.statuses.empty());
    EXPECT_FALSE(dialogue.statuses.back().isEmpty());
}

TEST_F(PassportFixture, EscStopsWithoutAMessage) {
    dialogue.escAtPump = 3;
    EXPECT_FALSE(Read(PassportKind::Daily, Date(26, 12, 8, 10), WideHourly));
    EXPECT_TRUE(dialogue.messages.empty());
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_FALSE(ArchiveReading().AbortRequested);
    EXPECT_FALSE(ArchiveReading().InProgress);
}

TEST_F(PassportFixture, FebruaryOf2028HasTwentyNineDays) {
    const std::optional<PassportData> data =
        Read(PassportKind::Monthly, Date(28, 2, 1), Bounds(Date(27, 1, 1), Date(28, 12, 1)));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->Chrom.Count(), 29);
    EXPECT_EQ(data->Moisture.Count(), 29);
    EXPECT_EQ(data->Chrom.At(28).Date().Day, 29);
    EXPECT_EQ(requests.front().code, 16);
    EXPECT_EQ(requests.front().body, (std::vector<uint8_t>{3, 0, 0, 28, 2, 1, 28, 2, 29}));
}

TEST_F(PassportFixture, TheCurrentMonthEndsAtTheNewestRecord) {
    const std::optional<PassportData> data =
        Read(PassportKind::Monthly, Date(26, 12, 1), Bounds(Date(26, 10, 5), Date(26, 12, 10)));
    ASSERT_TRUE(data);
    EXPECT_EQ(data->Chrom.Count(), 10);
    EXPECT_EQ(requests.front().body, (std::vector<uint8_t>{3, 0, 0, 26, 12, 1, 26, 12, 10}));
}
