// The measurement archive reading against a scripted controller: request
// sequence, continuation, date checks, abort, failures and the file; and the
// check of a 5-minute start against the moving oldest record on a clock of
// the test's own.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <map>

#include "FakeLink.h"
#include "measurements/ArchiveReader.h"
#include "measurements/ArchiveBounds.h"
#include "link/Frame.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"

using namespace zmk;

namespace {

// Dates on the controller side are computed with QDateTime, not with the
// program's date toolkit, so that a slip in one is not repeated in the other.
QDateTime ToQt(const uint8_t* b, int count) {
    return QDateTime(QDate(2000 + b[0], b[1], b[2]), QTime(count > 3 ? b[3] : 0, count > 4 ? b[4] : 0), Qt::UTC);
}

PackedDate FromQt(const QDateTime& t) {
    PackedDate d;
    d.Year = uint8_t(t.date().year() - 2000);
    d.Month = uint8_t(t.date().month());
    d.Day = uint8_t(t.date().day());
    d.Hour = uint8_t(t.time().hour());
    d.Minute = uint8_t(t.time().minute());
    return d;
}

PackedDate Date(int y, int mo, int d, int h = 0, int mi = 0, int s = 0) {
    return PackedDate{uint8_t(y - 2000), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

// Remembers everything the reading tells and answers questions from a script.
struct RecordingDialogue : ArchiveReadDialogue {
    struct Line {
        int32_t kind;
        QString line1, line2;
        bool reading;  // ArchiveReading().InProgress at that moment
    };
    void ShowMessage(MessageKind kind, const QString& l1, const QString& l2) override {
        messages.push_back({int32_t(kind), l1, l2, ArchiveReading().InProgress});
    }
    bool AskQuestion(MessageKind kind, const QString& l1, const QString& l2) override {
        questions.push_back({int32_t(kind), l1, l2, ArchiveReading().InProgress});
        stepsAtQuestion.push_back(steps);
        if (answers.empty()) return true;
        const bool a = answers.front();
        answers.erase(answers.begin());
        return a;
    }
    void ShowStatus(const QString& text) override { statuses.push_back(text); }
    void ReadingStarted(int maximum) override {
        started = true;
        progressMaximum = maximum;
    }
    void ProgressStep() override { ++steps; }
    void ProcessEvents() override { ++pumps; }
    void ReadingEnded() override {
        ended = true;
        readingAtEnd = ArchiveReading().InProgress;
    }

    std::vector<Line> messages, questions;
    std::vector<bool> answers;
    std::vector<int> stepsAtQuestion;
    std::vector<QString> statuses;
    bool started = false, ended = false, readingAtEnd = true;
    int progressMaximum = -1, steps = 0, pumps = 0;
};

// A controller that serves the archives from a continuous series of records
// on the archive's grid, with scripted deviations.
struct ReaderFixture : ::testing::Test {
    ReaderFixture() : link(1) {
        channel = UseScriptChannel(link, clock);
        link.AnswerWaitMs = 10;
        channel->peer = [this](const std::vector<uint8_t>& req) { return Serve(req); };
        ArchiveReading().InProgress = false;
        ArchiveReading().AbortRequested = false;
    }

    std::vector<uint8_t> Serve(const std::vector<uint8_t>& req) {
        const uint8_t code = req[3];
        const uint8_t analyser = req[6];
        const int prefix = code == 14 ? 5 : code == 15 ? 4 : 3;
        requests.push_back(std::vector<uint8_t>(req.begin() + 4, req.begin() + 7 + 2 * prefix));
        readingDuringRequest.push_back(ArchiveReading().InProgress);
        const int index = int(requests.size());  // 1-based
        if (index == escAtRequest) ArchiveReading().AbortRequested = true;
        if (index == failAtRequest) return AnswerFrame(1, code, 22);  // refused: "wrong time range"

        const int size = code == 14 ? (analyser ? 29 : 93) : (analyser ? 28 : 92);
        const int full = analyser ? 8 : 2;
        int count = full;
        if (auto it = shortAnswers.find(index); it != shortAnswers.end()) count = it->second;
        QDateTime t = ToQt(&req[7], prefix);
        const QDateTime end = ToQt(&req[7 + prefix], prefix);
        if (index == 1 && lateMinutes) t = t.addSecs(60 * lateMinutes);
        std::vector<uint8_t> data;
        int n = 0;
        for (; n < count && t <= end; ++n) {
            std::vector<uint8_t> rec(size_t(size), 0);
            const QDateTime stamp = t.addDays(dateSkewDays);
            rec[0] = uint8_t(stamp.date().year() - 2000);
            rec[1] = uint8_t(stamp.date().month());
            rec[2] = uint8_t(stamp.date().day());
            rec[3] = uint8_t(stamp.time().hour());
            rec[4] = uint8_t(stamp.time().minute());
            rec[size - 3] = uint8_t(sent.size());  // tells the records apart
            const uint16_t crc = Crc16(rec.data(), uint16_t(size - 2));
            rec[size - 2] = uint8_t(crc & 0xFF);
            rec[size - 1] = uint8_t(crc >> 8);
            sent.push_back(rec);
            data.insert(data.end(), rec.begin(), rec.end());
            t = code == 14 ? t.addSecs(300) : code == 15 ? t.addSecs(3600) : t.addDays(1);
        }
        return AnswerFrame(1, uint8_t(code | 0x80), uint8_t(n + countByteExcess), data);
    }

    ArchiveReadResult Read(ArchiveKind kind, PackedDate start, PackedDate end) {
        request.kind = kind;
        request.start = start;
        request.end = end;
        request.hdmPath = dir.filePath(QStringLiteral("datafile.hdm"));
        return ReadArchivePeriod(link, request, dialogue);
    }
    QByteArray FileBytes() const {
        QFile f(request.hdmPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    QByteArray SentBytes(size_t count) const {
        QByteArray all;
        for (size_t i = 0; i < count && i < sent.size(); ++i)
            all += QByteArray(reinterpret_cast<const char*>(sent[i].data()), qsizetype(sent[i].size()));
        return all;
    }
    // The start of request i as a date.
    PackedDate RequestStart(size_t i) const {
        const int prefix = (requests[i].size() - 3) / 2;
        return PackedDate::FromBytes(&requests[i][3], prefix);
    }

    FakeClock clock;
    ControllerLink link;
    ScriptChannel* channel = nullptr;
    QTemporaryDir dir;
    ArchiveReadRequest request;
    RecordingDialogue dialogue;

    std::vector<std::vector<uint8_t>> requests;  // caller bytes of every archive request
    std::vector<bool> readingDuringRequest;
    std::vector<std::vector<uint8_t>> sent;      // every record served, in order
    std::map<int, int> shortAnswers;             // request (1-based) -> records in its answer
    int failAtRequest = 0;
    int escAtRequest = 0;
    int lateMinutes = 0;
    int dateSkewDays = 0;
    int countByteExcess = 0;
};

// ---------------------------------------------------------------------------
// Whole periods

TEST_F(ReaderFixture, WholePeriodsOfEveryArchive) {
    struct Case {
        ArchiveKind kind;
        PackedDate start, end;
        uint32_t records;
        int requests;
        int progressMaximum;
        std::vector<PackedDate> starts;  // of the requests after the first
    };
    const Case cases[] = {
        {ArchiveKind::ChromHour, Date(2024, 3, 14, 10), Date(2024, 3, 14, 20), 11, 6, 10,
         {Date(2024, 3, 14, 12), Date(2024, 3, 14, 14), Date(2024, 3, 14, 16), Date(2024, 3, 14, 18),
          Date(2024, 3, 14, 20)}},
        // Across the end of February of a leap year.
        {ArchiveKind::MoistureHour, Date(2024, 2, 29, 20), Date(2024, 3, 1, 6), 11, 2, 10,
         {Date(2024, 3, 1, 4)}},
        {ArchiveKind::ChromFiveMinute, Date(2024, 3, 14, 23, 45), Date(2024, 3, 15, 0, 5), 5, 3, 12,
         {Date(2024, 3, 14, 23, 55), Date(2024, 3, 15, 0, 5)}},
        {ArchiveKind::MoistureFiveMinute, Date(2024, 3, 14, 10, 0), Date(2024, 3, 14, 11, 0), 13, 2, 12,
         {Date(2024, 3, 14, 10, 40)}},
        {ArchiveKind::ChromDay, Date(2024, 3, 1), Date(2024, 3, 5), 5, 3, 4,
         {Date(2024, 3, 3), Date(2024, 3, 5)}},
        {ArchiveKind::MoistureDay, Date(2023, 12, 30), Date(2024, 1, 2), 4, 1, 3, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        requests.clear();
        sent.clear();
        dialogue = RecordingDialogue();
        const ArchiveReadResult r = Read(c.kind, c.start, c.end);
        EXPECT_EQ(r.written, c.records);
        EXPECT_EQ(int(requests.size()), c.requests);
        EXPECT_EQ(dialogue.progressMaximum, c.progressMaximum);
        EXPECT_EQ(dialogue.steps, int(c.records));
        EXPECT_TRUE(r.showData);
        EXPECT_FALSE(r.aborted || r.linkFailed || r.questionAsked);
        EXPECT_TRUE(dialogue.messages.empty());
        EXPECT_EQ(FileBytes(), SentBytes(sent.size()));
        ASSERT_EQ(requests.size(), c.starts.size() + 1);
        const ArchiveKindInfo& info = KindInfo(c.kind);
        // Every request: lead byte, 0, analyser, start, the same end.
        for (size_t i = 0; i < requests.size(); ++i) {
            EXPECT_EQ(requests[i][0], IsFiveMinute(c.kind) ? 1 : 3);
            EXPECT_EQ(requests[i][1], 0);
            EXPECT_EQ(requests[i][2], info.analyser);
            EXPECT_EQ(PackedDate::FromBytes(&requests[i][3 + info.datePrefix], info.datePrefix),
                      c.end.Prefix(info.datePrefix));
            const PackedDate expected = i == 0 ? c.start.Prefix(info.datePrefix) : c.starts[i - 1].Prefix(info.datePrefix);
            EXPECT_EQ(RequestStart(i), expected) << "request " << i;
        }
        std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
        ASSERT_TRUE(store.has_value());
        EXPECT_EQ(store->Count(), qsizetype(c.records));
    }
}

TEST_F(ReaderFixture, FlagsAndStepsAroundTheLoop) {
    ArchiveReading().AbortRequested = true;  // left over from an earlier Esc: cleared, not obeyed
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 14, 10), Date(2024, 3, 14, 15));
    EXPECT_EQ(r.written, 6u);
    EXPECT_FALSE(r.aborted);
    ASSERT_EQ(readingDuringRequest.size(), 3u);
    for (bool reading : readingDuringRequest) EXPECT_TRUE(reading);
    EXPECT_FALSE(ArchiveReading().InProgress);
    EXPECT_TRUE(dialogue.ended);
    EXPECT_FALSE(dialogue.readingAtEnd) << "the message timer starts after the flag is cleared";
    EXPECT_EQ(dialogue.pumps, 3) << "events run once after each answer";
    ASSERT_FALSE(dialogue.statuses.empty());
    EXPECT_EQ(dialogue.statuses.front(), QString()) << "panel 2 is cleared before the first request";
}

TEST_F(ReaderFixture, HourlyPeriodOfOneHour) {
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 14, 7), Date(2024, 3, 14, 7));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(RequestStart(0), PackedDate::FromBytes(&requests[0][7], 4)) << "start = end in the request";
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(dialogue.progressMaximum, 0);
}

// ---------------------------------------------------------------------------
// Continuation

TEST_F(ReaderFixture, AShortAnswerIsTheLast) {
    struct Case {
        ArchiveKind kind;
        int atRequest, records;
        uint32_t written;
    };
    const Case cases[] = {
        {ArchiveKind::ChromHour, 2, 1, 3},        // 2 + 1
        {ArchiveKind::ChromFiveMinute, 1, 1, 1},
        {ArchiveKind::MoistureHour, 1, 7, 7},
        {ArchiveKind::MoistureFiveMinute, 2, 7, 15},  // 8 + 7
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(int(c.kind));
        requests.clear();
        shortAnswers = {{c.atRequest, c.records}};
        const bool five = IsFiveMinute(c.kind);
        const ArchiveReadResult r =
            Read(c.kind, five ? Date(2024, 3, 14, 0, 0) : Date(2024, 3, 10, 0), five ? Date(2024, 3, 14, 23, 55) : Date(2024, 3, 14, 0));
        EXPECT_EQ(int(requests.size()), c.atRequest) << "no request after the short answer";
        EXPECT_EQ(r.written, c.written);
        EXPECT_TRUE(r.showData);
    }
}

TEST_F(ReaderFixture, AnAnswerNeverYieldsMoreRecordsThanItsFrameHolds) {
    countByteExcess = 100;  // the count byte claims more than the frame carries
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 14, 10), Date(2024, 3, 14, 13));
    EXPECT_EQ(r.written, 4u);
    EXPECT_EQ(FileBytes(), SentBytes(4));
}

// ---------------------------------------------------------------------------
// Date checks

TEST_F(ReaderFixture, LateFirstFiveMinuteRecordAsksOnceAndFollowsTheRecords) {
    lateMinutes = 10;
    const ArchiveReadResult r =
        Read(ArchiveKind::ChromFiveMinute, Date(2024, 3, 14, 10, 0), Date(2024, 3, 14, 10, 30));
    ASSERT_EQ(dialogue.questions.size(), 1u);
    EXPECT_EQ(dialogue.questions[0].kind, int(MessageKind::Question));
    EXPECT_EQ(dialogue.questions[0].line1, QStringLiteral("Передаваемые контроллером данные не соответствуют"));
    EXPECT_EQ(dialogue.questions[0].line2, QStringLiteral("запрошенному периоду.    Продолжить чтение?"));
    EXPECT_EQ(dialogue.stepsAtQuestion, std::vector<int>{1}) << "asked at the first record";
    EXPECT_TRUE(dialogue.questions[0].reading);
    // 10:10, 10:15 | 10:20, 10:25 | 10:30: the second request starts after the
    // records received, not after the requested start.
    ASSERT_EQ(requests.size(), 3u);
    EXPECT_EQ(RequestStart(1), Date(2024, 3, 14, 10, 20).Prefix(5));
    EXPECT_EQ(r.written, 5u);
    EXPECT_TRUE(r.showData);
    EXPECT_FALSE(r.aborted);
}

TEST_F(ReaderFixture, NoToTheMismatchKeepsThatRecordAndStops) {
    lateMinutes = 10;
    dialogue.answers = {false};
    const ArchiveReadResult r =
        Read(ArchiveKind::MoistureFiveMinute, Date(2024, 3, 14, 10, 0), Date(2024, 3, 14, 12, 0));
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(r.written, 1u);
    EXPECT_EQ(FileBytes(), SentBytes(1));
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(r.showData);
    EXPECT_FALSE(ArchiveReading().AbortRequested);
}

TEST_F(ReaderFixture, FiveMinuteRecordWithinItsSlotIsNotQuestioned) {
    lateMinutes = 5;  // expected <= date <= expected + 5 minutes
    Read(ArchiveKind::ChromFiveMinute, Date(2024, 3, 14, 10, 0), Date(2024, 3, 14, 10, 20));
    EXPECT_TRUE(dialogue.questions.empty());
}

TEST_F(ReaderFixture, HourlyAndDailyDateChecks) {
    struct Case {
        ArchiveKind kind;
        int skewDays;
        bool asked;
    };
    // Daily records may be one day off either way; hourly ones may not be early
    // nor beyond the end.
    const Case cases[] = {
        {ArchiveKind::ChromDay, -1, false}, {ArchiveKind::ChromDay, 1, false},
        {ArchiveKind::ChromDay, -2, true},  {ArchiveKind::MoistureDay, 2, true},
        {ArchiveKind::ChromHour, -1, true}, {ArchiveKind::MoistureHour, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.kind) << " skew " << c.skewDays);
        requests.clear();
        dialogue = RecordingDialogue();
        dateSkewDays = c.skewDays;
        const bool daily = IsDaily(c.kind);
        const ArchiveReadResult r =
            Read(c.kind, daily ? Date(2024, 3, 1) : Date(2024, 3, 1, 10), daily ? Date(2024, 3, 3) : Date(2024, 3, 1, 12));
        EXPECT_EQ(dialogue.questions.size(), c.asked ? 1u : 0u) << "asked at most once";
        EXPECT_EQ(r.written, 3u);
    }
}

// ---------------------------------------------------------------------------
// Esc and failures

TEST_F(ReaderFixture, EscDuringTheThirdRequestKeepsItsAnswer) {
    escAtRequest = 3;
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 14, 0), Date(2024, 3, 14, 23));
    EXPECT_EQ(requests.size(), 3u);
    EXPECT_EQ(r.written, 6u);
    EXPECT_EQ(FileBytes(), SentBytes(6));
    EXPECT_TRUE(r.aborted);
    EXPECT_TRUE(r.showData);
    EXPECT_FALSE(ArchiveReading().AbortRequested) << "cleared when taken";
    EXPECT_FALSE(ArchiveReading().InProgress);
}

TEST_F(ReaderFixture, FailureOnTheFirstRequestOfEachArchive) {
    const struct {
        ArchiveKind kind;
        const char* line1;
    } cases[] = {
        {ArchiveKind::ChromFiveMinute, "Мгновенные данные хроматографа из архива"},
        {ArchiveKind::ChromHour, "Часовые данные хроматографа из архива"},
        {ArchiveKind::ChromDay, "Суточные данные хроматографа из архива"},
        {ArchiveKind::MoistureFiveMinute, "Мгновенные данные из архива"},
        {ArchiveKind::MoistureHour, "Часовые данные влагомера из архива"},
        {ArchiveKind::MoistureDay, "Суточные данные влагомера из архива"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line1);
        requests.clear();
        dialogue = RecordingDialogue();
        failAtRequest = int(requests.size()) + 1;
        const ArchiveReadResult r = Read(c.kind, Date(2024, 3, 1, 0, 0), Date(2024, 3, 5, 0, 0));
        EXPECT_TRUE(r.linkFailed);
        EXPECT_FALSE(r.showData);
        ASSERT_EQ(dialogue.messages.size(), 1u);
        EXPECT_EQ(dialogue.messages[0].kind, int(MessageKind::Info));
        EXPECT_EQ(dialogue.messages[0].line1, QString::fromUtf8(c.line1));
        EXPECT_EQ(dialogue.messages[0].line2, QStringLiteral("не прочитаны"));
        EXPECT_EQ(dialogue.statuses.back(), link.StatusText()) << "the link's text on panel 2";
        EXPECT_TRUE(dialogue.statuses.back().startsWith(QStringLiteral("Команда %1.").arg(KindInfo(c.kind).functionCode)));
        EXPECT_FALSE(TakeReadRecords(request, r, dialogue).has_value());
        EXPECT_EQ(dialogue.messages.size(), 1u) << "nothing more is told";
    }
}

TEST_F(ReaderFixture, FailureOnALaterRequestShowsWhatWasRead) {
    for (ArchiveKind kind : {ArchiveKind::ChromFiveMinute, ArchiveKind::ChromHour}) {
        SCOPED_TRACE(int(kind));
        requests.clear();
        sent.clear();
        dialogue = RecordingDialogue();
        failAtRequest = 3;
        const ArchiveReadResult r = Read(kind, Date(2024, 3, 14, 0, 0), Date(2024, 3, 14, 23, 0));
        EXPECT_TRUE(r.linkFailed);
        EXPECT_TRUE(r.showData);
        EXPECT_EQ(r.written, 4u);
        ASSERT_EQ(dialogue.messages.size(), 1u);
        EXPECT_EQ(dialogue.messages[0].line1, ArchiveFailureLine(kind));
        EXPECT_EQ(dialogue.messages[0].line2, QStringLiteral("прочитаны не полностью"));
        std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
        ASSERT_TRUE(store.has_value());
        EXPECT_EQ(store->Bytes(), SentBytes(4));
    }
}

TEST_F(ReaderFixture, EmptyAnswers) {
    // 5-minute: the file is shown and found empty; hourly: nothing is shown.
    shortAnswers = {{1, 0}};
    ArchiveReadResult r = Read(ArchiveKind::ChromFiveMinute, Date(2024, 3, 14, 10, 0), Date(2024, 3, 14, 11, 0));
    EXPECT_TRUE(r.showData);
    EXPECT_FALSE(TakeReadRecords(request, r, dialogue).has_value());
    ASSERT_EQ(dialogue.messages.size(), 1u);
    EXPECT_EQ(dialogue.messages[0].line1, QStringLiteral("Нет данных за указанный период"));

    dialogue = RecordingDialogue();
    requests.clear();
    r = Read(ArchiveKind::MoistureHour, Date(2024, 3, 14, 10), Date(2024, 3, 14, 11));
    EXPECT_FALSE(r.showData);
    EXPECT_FALSE(TakeReadRecords(request, r, dialogue).has_value());
    EXPECT_TRUE(dialogue.messages.empty());
}

TEST_F(ReaderFixture, FileThatCannotBeCreated) {
    request.kind = ArchiveKind::ChromHour;
    request.start = Date(2024, 3, 14, 10);
    request.end = Date(2024, 3, 14, 11);
    request.hdmPath = dir.filePath(QStringLiteral("missing/datafile.hdm"));
    const ArchiveReadResult r = ReadArchivePeriod(link, request, dialogue);
    EXPECT_TRUE(r.fileError);
    EXPECT_FALSE(r.showData);
    EXPECT_TRUE(requests.empty());
    EXPECT_FALSE(dialogue.started);
    ASSERT_EQ(dialogue.messages.size(), 1u);
    EXPECT_EQ(dialogue.messages[0].line1, QStringLiteral("Ошибка открытия файла"));
}

TEST(ChromatographType, AnotherTypeIsAskedAboutBeforeReading) {
    {
        RecordingDialogue served;
        EXPECT_TRUE(ConfirmChromatographType(ServedChromatographType, served));
        EXPECT_TRUE(served.questions.empty());
    }
    for (const bool goOn : {true, false}) {
        RecordingDialogue d;
        d.answers = {goOn};
        EXPECT_EQ(ConfirmChromatographType(2, d), goOn);
        ASSERT_EQ(d.questions.size(), 1u);
        EXPECT_EQ(d.questions[0].kind, int(MessageKind::Question));
        EXPECT_EQ(d.questions[0].line1, QStringLiteral("Тип хроматографа контроллера (2) программой не обслуживается:"));
        EXPECT_EQ(d.questions[0].line2, QStringLiteral("файл данных нельзя будет открыть. Продолжить чтение?"));
    }
}

// ---------------------------------------------------------------------------
// CheckStartAgainstOldest

// A controller clock that runs only when the check waits.
struct FakeControllerClock : ControllerClockSource {
    bool ReadClock(PackedDate& clock) override {
        ++reads;
        if (failRead) return false;
        clock = FromQt(now);
        clock.Second = uint8_t(now.time().second());
        return true;
    }
    bool WaitSeconds(int seconds) override {
        waits.push_back(seconds);
        if (escAtWait == int(waits.size())) return false;
        if (running) now = now.addSecs(seconds);
        return true;
    }
    QDateTime now;
    bool running = true;  // false: the clock stands still
    int escAtWait = 0;    // Esc during this wait (1-based; 0 = never)
    int reads = 0;
    bool failRead = false;
    std::vector<int> waits;
};

struct OldestFixture : ::testing::Test {
    // A full archive: the raw oldest record lies more than two months back.
    OldestFixture() {
        bounds.RawOldest = Date(2023, 11, 1, 0, 0);
        clock.now = QDateTime(QDate(2024, 3, 15), QTime(12, 4, 57), Qt::UTC);
        // The bounds as the period dialog saw them a little earlier.
        ComputeFiveMinuteBounds(bounds.RawOldest, Date(2024, 3, 15, 12, 4, 0), bounds.Bounds);
    }
    ArchiveBoundsReading bounds;
    FakeControllerClock clock;
    RecordingDialogue dialogue;
};

TEST_F(OldestFixture, JustBeforeABoundaryItWaitsAndAsksAboutTheNewOldest) {
    ASSERT_EQ(bounds.Bounds.Oldest, Date(2024, 1, 15, 12, 0, 0));
    PackedDate start = bounds.Bounds.Oldest;
    PackedDate end = Date(2024, 1, 15, 14, 0);
    ASSERT_TRUE(CheckStartAgainstOldest(bounds, start, end, clock, dialogue));
    EXPECT_EQ(clock.waits, std::vector<int>{3});
    EXPECT_EQ(clock.reads, 2) << "the clock is read again after the wait";
    ASSERT_EQ(dialogue.questions.size(), 1u);
    EXPECT_EQ(dialogue.questions[0].kind, int(MessageKind::ArchiveDatesQuestion));
    EXPECT_EQ(dialogue.questions[0].line1, QStringLiteral("Корректировать заданный период чтения данных?"));
    EXPECT_EQ(start, Date(2024, 1, 15, 12, 5)) << "the oldest record after the boundary";
    EXPECT_EQ(end, Date(2024, 1, 15, 14, 0));
}

TEST_F(OldestFixture, Outcomes) {
    struct Case {
        const char* what;
        QTime clockTime;
        PackedDate start, end;
        std::vector<bool> answers;
        bool ok;
        int questions, messages, waits;
        PackedDate newStart, newEnd;
    };
    const Case cases[] = {
        {"a day after the oldest: nothing read", QTime(12, 4, 57), Date(2024, 1, 16, 12, 5), Date(2024, 1, 17, 0, 0),
         {}, true, 0, 0, 0, Date(2024, 1, 16, 12, 5), Date(2024, 1, 17, 0, 0)},
        {"start still inside the archive", QTime(12, 2, 0), Date(2024, 1, 15, 13, 0), Date(2024, 1, 15, 14, 0),
         {}, true, 0, 0, 0, Date(2024, 1, 15, 13, 0), Date(2024, 1, 15, 14, 0)},
        {"the whole period is gone", QTime(12, 31, 0), Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 12, 20),
         {}, false, 0, 1, 0, Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 12, 20)},
        {"correction refused", QTime(12, 12, 0), Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 13, 0),
         {false}, false, 1, 0, 0, Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 13, 0)},
        {"the start moves up to the end", QTime(12, 16, 0), Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 12, 15),
         {true}, true, 1, 0, 0, Date(2024, 1, 15, 12, 15), Date(2024, 1, 15, 12, 15)},
        {"minute 4 before second 55: no wait", QTime(12, 9, 54), Date(2024, 1, 15, 12, 0), Date(2024, 1, 15, 13, 0),
         {true}, true, 1, 0, 0, Date(2024, 1, 15, 12, 5), Date(2024, 1, 15, 13, 0)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakeControllerClock source;
        source.now = QDateTime(QDate(2024, 3, 15), c.clockTime, Qt::UTC);
        RecordingDialogue d;
        d.answers = c.answers;
        PackedDate start = c.start, end = c.end;
        EXPECT_EQ(CheckStartAgainstOldest(bounds, start, end, source, d), c.ok);
        EXPECT_EQ(int(d.questions.size()), c.questions);
        EXPECT_EQ(int(d.messages.size()), c.messages);
        EXPECT_EQ(int(source.waits.size()), c.waits);
        EXPECT_EQ(start, c.newStart);
        EXPECT_EQ(end, c.newEnd);
        if (c.messages == 1) {
            EXPECT_EQ(d.messages[0].kind, int(MessageKind::ArchiveDatesChanged));
            EXPECT_EQ(d.messages[0].line1, QStringLiteral("В архиве уже нет данных за указанный период"));
        }
    }
}

TEST_F(OldestFixture, AStandingClockEndsTheCheckAfterBoundedWaits) {
    PackedDate start = bounds.Bounds.Oldest, end = Date(2024, 1, 15, 14, 0);
    clock.running = false;  // 12:04:57 for ever
    EXPECT_FALSE(CheckStartAgainstOldest(bounds, start, end, clock, dialogue));
    EXPECT_EQ(int(clock.waits.size()), MaxClockWaits);
    EXPECT_TRUE(dialogue.questions.empty());
    ASSERT_EQ(dialogue.messages.size(), 1u);
    EXPECT_EQ(dialogue.messages[0].kind, int(MessageKind::Info));
    EXPECT_EQ(dialogue.messages[0].line1, QStringLiteral("Часы контроллера не идут"));
    EXPECT_EQ(dialogue.messages[0].line2, QStringLiteral("(время контроллера 15.03.24 12:04:57)"));
    EXPECT_EQ(start, bounds.Bounds.Oldest) << "the period is left as it was";
}

TEST_F(OldestFixture, EscDuringTheWaitEndsTheCheckQuietly) {
    PackedDate start = bounds.Bounds.Oldest, end = Date(2024, 1, 15, 14, 0);
    clock.escAtWait = 1;
    EXPECT_FALSE(CheckStartAgainstOldest(bounds, start, end, clock, dialogue));
    EXPECT_EQ(clock.waits.size(), 1u);
    EXPECT_EQ(clock.reads, 1) << "no read after Esc";
    EXPECT_TRUE(dialogue.messages.empty());
    EXPECT_TRUE(dialogue.questions.empty());
}

TEST_F(OldestFixture, AnArchiveNotYetFullIsNotWaitedFor) {
    // Two months after the raw oldest record (rounded to 5 minutes) are not over yet.
    bounds.RawOldest = Date(2024, 1, 15, 12, 7, 30);
    ComputeFiveMinuteBounds(bounds.RawOldest, Date(2024, 3, 15, 12, 4, 0), bounds.Bounds);
    PackedDate start = bounds.Bounds.Oldest, end = Date(2024, 1, 16, 0, 0);
    clock.now = QDateTime(QDate(2024, 3, 15), QTime(12, 4, 57), Qt::UTC);
    EXPECT_TRUE(CheckStartAgainstOldest(bounds, start, end, clock, dialogue));
    EXPECT_TRUE(clock.waits.empty());
    EXPECT_TRUE(dialogue.questions.empty());
}

TEST_F(OldestFixture, BadOrMissingClock) {
    PackedDate start = bounds.Bounds.Oldest, end = Date(2024, 1, 16, 0, 0);
    clock.failRead = true;
    EXPECT_FALSE(CheckStartAgainstOldest(bounds, start, end, clock, dialogue));
    EXPECT_TRUE(dialogue.messages.empty()) << "the table engine has told already";

    clock.failRead = false;
    clock.now = QDateTime(QDate(2024, 2, 29), QTime(12, 0, 0), Qt::UTC);
    struct BadClock : FakeControllerClock {
        bool ReadClock(PackedDate& c) override {
            c = Date(2023, 2, 29, 12, 0, 0);  // no 29 February in 2023
            return true;
        }
    } bad;
    EXPECT_FALSE(CheckStartAgainstOldest(bounds, start, end, bad, dialogue));
    ASSERT_EQ(dialogue.messages.size(), 1u);
    EXPECT_EQ(dialogue.messages[0].line1, QStringLiteral("Прочитанные параметры даты и времени (29.02.23 12:00:00)"));
    EXPECT_EQ(dialogue.messages[0].line2, InvalidDateLine2());
}

}  // namespace
