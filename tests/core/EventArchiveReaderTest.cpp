// The event archive readings (by index and by period) against a scripted
// controller: request bodies, continuation after short answers, page
// numbering, empty and failed answers, Esc, the archive-error bit, answers
// that do not fit their count, the working file and the header.
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <map>
#include <set>

#include "FakeLink.h"
#include "FileSizeLimit.h"
#include "common/ArchiveReading.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "events/EventArchiveReader.h"
#include "link/Frame.h"
#include "tables/TableEngine.h"

using namespace zmk;

namespace {

const QString DiagTitle = QStringLiteral("Диагностические сообщения");
const QString IntervTitle = QStringLiteral("Сообщения о вмешательствах оператора");
const QString NotRead = QStringLiteral("не прочитаны");
const QString Partly = QStringLiteral("прочитаны не полностью");

struct Message {
    int kind;
    QString line1, line2;
    bool operator==(const Message&) const = default;
};

void PrintTo(const Message& m, std::ostream* os) {
    *os << "{" << m.kind << ", \"" << m.line1.toStdString() << "\", \"" << m.line2.toStdString() << "\"}";
}

struct RecordingDialogue : EventReadDialogue {
    void ShowMessage(MessageKind kind, const QString& l1, const QString& l2) override {
        messages.push_back({int(kind), l1, l2});
    }
    void ShowStatus(const QString& text) override { statuses.push_back(text); }
    void ReadingStarted(int maximum) override { progressMaximum = maximum; }
    void Progress(int position) override { progress.push_back(position); }
    void ProcessEvents() override {
        ++pumps;
        if (pumps == escAtPump) ArchiveReading().AbortRequested = true;
    }
    void ReadingEnded() override {
        ended = true;
        readingAtEnd = ArchiveReading().InProgress;
    }

    std::vector<Message> messages;
    std::vector<QString> statuses;
    std::vector<int> progress;
    int progressMaximum = -1, pumps = 0, escAtPump = 0;
    bool ended = false, readingAtEnd = true;
};

// The record of running index i: its time is a minute per index from
// 2026-03-01 00:00 on, and bytes 6..9 carry the index.
std::vector<uint8_t> RecordOf(EventKind kind, uint32_t i) {
    std::vector<uint8_t> r(size_t(EventRecordSize(kind)), 0);
    const uint32_t minutes = i % (24 * 60 * 20);
    r[0] = 26;
    r[1] = 3;
    r[2] = uint8_t(1 + minutes / (24 * 60));
    r[3] = uint8_t(minutes / 60 % 24);
    r[4] = uint8_t(minutes % 60);
    r[5] = uint8_t(i % 60);
    r[6] = uint8_t(i);
    r[7] = uint8_t(i >> 8);
    r[8] = uint8_t(i >> 16);
    r[9] = uint8_t(i >> 24);
    const uint16_t crc = Crc16(r.data(), uint16_t(r.size() - 2));
    r[r.size() - 2] = uint8_t(crc & 0xFF);
    r[r.size() - 1] = uint8_t(crc >> 8);
    return r;
}

uint32_t IndexOf(const uint8_t* record) {
    return uint32_t(record[6]) | uint32_t(record[7]) << 8 | uint32_t(record[8]) << 16 | uint32_t(record[9]) << 24;
}

std::vector<uint8_t> IndexBody(EventKind kind, uint32_t index, uint8_t asked) {
    return {0, uint8_t(kind), uint8_t(index), uint8_t(index >> 8), uint8_t(index >> 16), uint8_t(index >> 24), asked};
}

const PackedDate PeriodStart{26, 3, 1, 0, 0, 0};
const PackedDate PeriodEnd{26, 3, 2, 5, 30, 15};

std::vector<uint8_t> PeriodBody(EventKind kind, uint8_t page) {
    std::vector<uint8_t> b{0, uint8_t(kind), page};
    uint8_t d[6];
    PeriodStart.ToBytes(d);
    b.insert(b.end(), d, d + 6);
    PeriodEnd.ToBytes(d);
    b.insert(b.end(), d, d + 6);
    return b;
}

// A controller with an event archive of running indexes; by period it
// serves `periodRecords` records (indexes 0 ..) in pages of `pageSize`.
struct EventReaderFixture : ::testing::Test {
    static constexpr int MaxRequests = 2000;

    EventReaderFixture() : link(1) {
        channel = UseScriptChannel(link, clock);
        link.AnswerWaitMs = 10;
        channel->peer = [this](const std::vector<uint8_t>& req) { return Serve(req); };
        ArchiveReading().InProgress = false;
        ArchiveReading().AbortRequested = false;
        request.workingPath = dir.filePath(QStringLiteral("datafile.ala"));
        request.address = 7;
        request.headerValues.chromatographType = 4;
        request.headerValues.controllerName[0] = 'Z';
    }

    std::vector<uint8_t> Serve(const std::vector<uint8_t>& req) {
        const uint8_t code = req[3];
        bodies.emplace_back(req.begin() + 4, req.end() - 2);
        readingDuringRequest.push_back(ArchiveReading().InProgress);
        const int number = int(bodies.size());  // 1-based
        if (number == failAt) return AnswerFrame(1, code, 18);  // refused: "Нет записей с такими индексами"
        // A reading that never ends fails here instead of running on.
        if (number > MaxRequests) return AnswerFrame(1, code, 18);
        const EventKind kind = EventKind(req[5]);
        std::vector<uint8_t> data;
        int n = 0;
        bool more = false;
        if (code == 7) {
            const uint32_t index = IndexOf(req.data());  // frame bytes 6..9: body bytes 2..5
            const int asked = req[10];
            n = asked;
            if (auto it = shortAnswers.find(number); it != shortAnswers.end()) n = it->second;
            for (int i = 0; i < n; ++i) {
                const std::vector<uint8_t> r = RecordOf(kind, index + uint32_t(i));
                data.insert(data.end(), r.begin(), r.end());
            }
        } else {
            if (req[6] == 0) periodCursor = 0;
            n = std::min(pageSize, periodRecords - periodCursor);
            if (auto it = shortAnswers.find(number); it != shortAnswers.end()) n = it->second;
            for (int i = 0; i < n; ++i) {
                const std::vector<uint8_t> r = RecordOf(kind, uint32_t(periodCursor + i));
                data.insert(data.end(), r.begin(), r.end());
            }
            periodCursor += n;
            more = periodCursor < periodRecords;
        }
        const int announced = n + countExcess[number];
        if (number == dropLastByteAt && !data.empty()) data.pop_back();
        std::vector<uint8_t> head;
        uint8_t byte4 = 0;
        if (code == 7) {
            head = {0, 0, 0, 0, 0, uint8_t(announced)};  // bytes 5..9, byte 10
        } else {
            if (archiveErrorAt.count(number)) byte4 = 0x80;
            head = {0x11, uint8_t(announced), uint8_t(more ? 1 : 0)};  // bytes 5, 6, 7
        }
        head.insert(head.end(), data.begin(), data.end());
        return AnswerFrame(1, uint8_t(code | 0x80), byte4, head);
    }

    QByteArray FileBytes() const {
        QFile f(request.workingPath);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    std::vector<uint32_t> ReadIndexes(const EventReadResult& r) const {
        std::vector<uint32_t> out;
        for (const auto& d : r.diagnostics) out.push_back(IndexOf(d.bytes.data()));
        for (const auto& d : r.interventions) out.push_back(IndexOf(d.bytes.data()));
        return out;
    }

    static QByteArray RecordsBytes(EventKind kind, const std::vector<uint32_t>& indexes) {
        QByteArray all;
        for (uint32_t i : indexes) {
            const std::vector<uint8_t> r = RecordOf(kind, i);
            all.append(reinterpret_cast<const char*>(r.data()), qsizetype(r.size()));
        }
        return all;
    }

    FakeClock clock;
    ControllerLink link;
    ScriptChannel* channel = nullptr;
    QTemporaryDir dir;
    EventReadRequest request;
    RecordingDialogue dialogue;

    std::vector<std::vector<uint8_t>> bodies;
    std::vector<bool> readingDuringRequest;
    std::map<int, int> shortAnswers;  // request (1-based) -> records in its answer
    std::map<int, int> countExcess;   // request -> count byte above the records sent
    std::set<int> archiveErrorAt;
    int failAt = 0;
    int dropLastByteAt = 0;
    int pageSize = 11;
    int periodRecords = 0;
    int periodCursor = 0;
};

std::vector<uint32_t> Range(uint32_t first, uint32_t count) {
    std::vector<uint32_t> v;
    for (uint32_t i = 0; i < count; ++i) v.push_back(first + i);
    return v;
}

// ---------------------------------------------------------------------------
// By index

TEST_F(EventReaderFixture, IndexReadingScenarios) {
    using Bodies = std::vector<std::pair<uint32_t, uint8_t>>;  // first index, records asked
    struct Case {
        const char* name;
        EventKind kind;
        uint32_t first, count;
        std::map<int, int> shortAnswers;
        int failAt, escAtPump;
        std::map<int, int> countExcess;
        int dropLastByteAt;
        Bodies requests;
        std::vector<uint32_t> shown;  // indexes of the records shown
        std::vector<Message> messages;
        bool linkFailed, aborted;
    };
    const EventKind D = EventKind::Diagnostics, I = EventKind::Interventions;
    const int Info = int(MessageKind::Info);
    const Case cases[] = {
        {"full diagnostic pages", D, 100, 25, {}, 0, 0, {}, 0, {{100, 11}, {111, 11}, {122, 3}}, Range(100, 25), {},
         false, false},
        {"full intervention pages", I, 100, 25, {}, 0, 0, {}, 0, {{100, 10}, {110, 10}, {120, 5}}, Range(100, 25), {},
         false, false},
        {"7 of 10: the rest from index + 7", I, 100, 10, {{1, 7}}, 0, 0, {}, 0, {{100, 10}, {107, 3}}, Range(100, 10),
         {}, false, false},
        {"short answers in the middle", D, 100, 30, {{1, 7}, {3, 2}}, 0, 0, {}, 0,
         {{100, 11}, {107, 11}, {118, 11}, {120, 10}}, Range(100, 30), {}, false, false},
        {"990 + 11 in one diagnostic page", D, 990, 11, {}, 0, 0, {}, 0, {{990, 11}}, Range(990, 11), {}, false, false},
        {"990 + 11 in two intervention pages", I, 990, 11, {}, 0, 0, {}, 0, {{990, 10}, {1000, 1}}, Range(990, 11), {},
         false, false},
        {"indexes across 2^32", D, 0xFFFFFFFBu, 8, {}, 0, 0, {}, 0, {{0xFFFFFFFBu, 8}},
         {0xFFFFFFFBu, 0xFFFFFFFCu, 0xFFFFFFFDu, 0xFFFFFFFEu, 0xFFFFFFFFu, 0, 1, 2}, {}, false, false},
        {"empty first answer", D, 100, 25, {{1, 0}}, 0, 0, {}, 0, {{100, 11}}, {},
         {{Info, QStringLiteral("Нет сообщений с заданными индексами"), QString()}}, false, false},
        {"empty later answer ends silently", D, 100, 25, {{2, 0}}, 0, 0, {}, 0, {{100, 11}, {111, 11}}, Range(100, 11),
         {}, false, false},
        {"failure on the first page", I, 100, 25, {}, 1, 0, {}, 0, {{100, 10}}, {}, {{Info, IntervTitle, NotRead}},
         true, false},
        {"failure on a later page", D, 100, 25, {}, 2, 0, {}, 0, {{100, 11}, {111, 11}}, Range(100, 11),
         {{Info, DiagTitle, Partly}}, true, false},
        {"Esc after the second page", D, 100, 40, {}, 0, 2, {}, 0, {{100, 11}, {111, 11}}, Range(100, 22), {}, false,
         true},
        {"count byte above the page", D, 100, 25, {}, 0, 0, {{1, 1}}, 0, {{100, 11}}, {}, {{Info, DiagTitle, NotRead}},
         true, false},
        {"answer shorter than its count", I, 100, 25, {}, 0, 0, {}, 2, {{100, 10}, {110, 10}}, Range(100, 10),
         {{Info, IntervTitle, Partly}}, true, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bodies.clear();
        readingDuringRequest.clear();
        shortAnswers = c.shortAnswers;
        countExcess = c.countExcess;
        failAt = c.failAt;
        dropLastByteAt = c.dropLastByteAt;
        dialogue = RecordingDialogue();
        dialogue.escAtPump = c.escAtPump;
        request.kind = c.kind;
        QFile::remove(request.workingPath);

        const EventReadResult r = ReadEventsByIndex(link, request, c.first, c.count, dialogue);

        std::vector<std::vector<uint8_t>> expected;
        for (const auto& [index, asked] : c.requests) expected.push_back(IndexBody(c.kind, index, asked));
        EXPECT_EQ(bodies, expected);
        EXPECT_EQ(ReadIndexes(r), c.shown);
        EXPECT_EQ(dialogue.messages, c.messages);
        EXPECT_EQ(r.linkFailed, c.linkFailed);
        EXPECT_EQ(r.aborted, c.aborted);
        EXPECT_FALSE(r.fileError);
        EXPECT_EQ(r.HasRecords(), !c.shown.empty());
        // The other kind's vector stays empty.
        EXPECT_TRUE(c.kind == EventKind::Diagnostics ? r.interventions.empty() : r.diagnostics.empty());
        // The working file holds the raw records exactly as delivered.
        EXPECT_EQ(FileBytes(), RecordsBytes(c.kind, c.shown));
        // In progress during every request, not afterwards; Esc cleared.
        EXPECT_EQ(readingDuringRequest, std::vector<bool>(bodies.size(), true));
        EXPECT_FALSE(ArchiveReading().InProgress);
        EXPECT_FALSE(ArchiveReading().AbortRequested);
        EXPECT_TRUE(dialogue.ended);
        EXPECT_FALSE(dialogue.readingAtEnd);
        EXPECT_EQ(dialogue.progressMaximum, int(c.count));
        // A failure puts the status text on the panel; the panel ends cleared.
        ASSERT_FALSE(dialogue.statuses.empty());
        EXPECT_TRUE(dialogue.statuses.back().isEmpty());
        if (c.linkFailed) {
            EXPECT_FALSE(r.linkStatusText.isEmpty());
            EXPECT_EQ(dialogue.statuses.front(), r.linkStatusText);
        }
        if (!c.shown.empty()) {
            EXPECT_EQ(r.header.recordCount, uint32_t(c.shown.size()));
            EXPECT_EQ(r.header.Kind(), c.kind);
            EXPECT_EQ(r.header.first, PackedDate::FromBytes(RecordOf(c.kind, c.shown.front()).data()));
            EXPECT_EQ(r.header.last, PackedDate::FromBytes(RecordOf(c.kind, c.shown.back()).data()));
            EXPECT_EQ(r.header.address, 7);
            EXPECT_EQ(r.header.chromatographType, 4);
            EXPECT_EQ(r.header.controllerName[0], 'Z');
        }
    }
}

TEST_F(EventReaderFixture, IndexProgressFollowsTheRecordsRead) {
    request.kind = EventKind::Diagnostics;
    shortAnswers = {{2, 4}};
    ReadEventsByIndex(link, request, 1, 20, dialogue);
    EXPECT_EQ(dialogue.progressMaximum, 20);
    EXPECT_EQ(dialogue.progress, (std::vector<int>{11, 15, 20}));
}

// ---------------------------------------------------------------------------
// By period

TEST_F(EventReaderFixture, PeriodReadingScenarios) {
    struct Case {
        const char* name;
        EventKind kind;
        int records, pageSize;
        std::map<int, int> shortAnswers;
        int failAt, escAtPump;
        std::set<int> archiveErrorAt;
        std::map<int, int> countExcess;
        int dropLastByteAt;
        std::vector<uint8_t> pages;  // page numbers of the requests
        uint32_t shown;              // records shown (indexes 0 ..)
        std::vector<Message> messages;
        bool linkFailed, aborted, archiveError;
    };
    const EventKind D = EventKind::Diagnostics, I = EventKind::Interventions;
    const int Info = int(MessageKind::Info), Exchange = int(MessageKind::ExchangeResult);
    const Message diagError{Info, QStringLiteral("Обнаружена ошибка"), QStringLiteral("в архиве диагностических сообщений")};
    const Message intervError{Info, QStringLiteral("Обнаружена ошибка"),
                              QStringLiteral("в архиве сообщений о вмешательствах")};
    const Case cases[] = {
        {"three diagnostic pages", D, 25, 11, {}, 0, 0, {}, {}, 0, {0, 1, 2}, 25, {}, false, false, false},
        {"one intervention page", I, 10, 10, {}, 0, 0, {}, {}, 0, {0}, 10, {}, false, false, false},
        {"empty first page", D, 0, 11, {}, 0, 0, {}, {}, 0, {0}, 0,
         {{Info, QStringLiteral("Нет данных за указанный период"), QString()}}, false, false, false},
        {"empty later page ends silently", I, 30, 10, {{2, 0}}, 0, 0, {}, {}, 0, {0, 1}, 10, {}, false, false, false},
        {"diagnostics failing on the first page: exchange result", D, 25, 11, {}, 1, 0, {}, {}, 0, {0}, 0,
         {{Exchange, DiagTitle, NotRead}}, true, false, false},
        {"interventions failing on the first page: notice", I, 25, 10, {}, 1, 0, {}, {}, 0, {0}, 0,
         {{Info, IntervTitle, NotRead}}, true, false, false},
        {"failure on a later page", D, 40, 11, {}, 3, 0, {}, {}, 0, {0, 1, 2}, 22, {{Info, DiagTitle, Partly}}, true,
         false, false},
        {"Esc after the first page", I, 40, 10, {}, 0, 1, {}, {}, 0, {0}, 10, {}, false, true, false},
        {"archive error on a diagnostic page", D, 25, 11, {}, 0, 0, {2}, {}, 0, {0, 1, 2}, 25, {diagError}, false,
         false, true},
        {"archive error on an intervention page", I, 5, 10, {}, 0, 0, {1}, {}, 0, {0}, 5, {intervError}, false, false,
         true},
        {"archive error, then a failure", D, 40, 11, {}, 2, 0, {1}, {}, 0, {0, 1}, 11,
         {{Info, DiagTitle, Partly}, diagError}, true, false, true},
        {"count byte above the page", I, 25, 10, {}, 0, 0, {}, {{2, 1}}, 0, {0, 1}, 10, {{Info, IntervTitle, Partly}},
         true, false, false},
        {"first page shorter than its count", D, 25, 11, {}, 0, 0, {}, {}, 1, {0}, 0, {{Exchange, DiagTitle, NotRead}},
         true, false, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        bodies.clear();
        readingDuringRequest.clear();
        periodRecords = c.records;
        pageSize = c.pageSize;
        shortAnswers = c.shortAnswers;
        failAt = c.failAt;
        archiveErrorAt = c.archiveErrorAt;
        countExcess = c.countExcess;
        dropLastByteAt = c.dropLastByteAt;
        dialogue = RecordingDialogue();
        dialogue.escAtPump = c.escAtPump;
        request.kind = c.kind;
        QFile::remove(request.workingPath);

        const EventReadResult r = ReadEventsByPeriod(link, request, {PeriodStart, PeriodEnd}, dialogue);

        std::vector<std::vector<uint8_t>> expected;
        for (uint8_t page : c.pages) expected.push_back(PeriodBody(c.kind, page));
        EXPECT_EQ(bodies, expected);
        EXPECT_EQ(ReadIndexes(r), Range(0, c.shown));
        EXPECT_EQ(dialogue.messages, c.messages);
        EXPECT_EQ(r.linkFailed, c.linkFailed);
        EXPECT_EQ(r.aborted, c.aborted);
        EXPECT_EQ(r.archiveError, c.archiveError);
        EXPECT_FALSE(r.fileError);
        EXPECT_EQ(FileBytes(), RecordsBytes(c.kind, Range(0, c.shown)));
        EXPECT_EQ(readingDuringRequest, std::vector<bool>(bodies.size(), true));
        EXPECT_FALSE(ArchiveReading().InProgress);
        EXPECT_FALSE(ArchiveReading().AbortRequested);
        EXPECT_TRUE(dialogue.ended);
        // 01.03 00:00 .. 02.03 05:30: 29 hours (minutes ignored).
        EXPECT_EQ(dialogue.progressMaximum, 29);
        if (c.shown > 0) {
            // The header names the period asked, not the records' times.
            EXPECT_EQ(r.header.first, PeriodStart);
            EXPECT_EQ(r.header.last, PeriodEnd);
            EXPECT_EQ(r.header.recordCount, c.shown);
            EXPECT_EQ(r.header.Kind(), c.kind);
        }
    }
}

TEST_F(EventReaderFixture, PageNumbersRunPast255BackTo1) {
    request.kind = EventKind::Diagnostics;
    periodRecords = 260;
    pageSize = 1;
    const EventReadResult r = ReadEventsByPeriod(link, request, {PeriodStart, PeriodEnd}, dialogue);
    ASSERT_EQ(bodies.size(), 260u);
    std::vector<int> pages;
    for (const auto& b : bodies) pages.push_back(b[2]);
    std::vector<int> expected{0};
    for (int p = 1; p <= 255; ++p) expected.push_back(p);
    for (int p = 1; p <= 4; ++p) expected.push_back(p);
    EXPECT_EQ(pages, expected);
    EXPECT_EQ(r.diagnostics.size(), 260u);
    EXPECT_TRUE(dialogue.messages.empty());
}

TEST_F(EventReaderFixture, PeriodProgressIsTheHoursToEachPagesLastRecord) {
    // Records a minute apart from 01.03 00:00: pages of 11 end at minutes
    // 10, 21, ...; with pages of 300 records the hours grow.
    request.kind = EventKind::Diagnostics;
    periodRecords = 25;
    pageSize = 11;
    ReadEventsByPeriod(link, request, {PeriodStart, PeriodEnd}, dialogue);
    EXPECT_EQ(dialogue.progress, (std::vector<int>{0, 0, 0}));

    // A page whose last record is 02.03 01:xx is 25 hours in.
    dialogue = RecordingDialogue();
    bodies.clear();
    periodRecords = 25 * 60 + 3;
    pageSize = 11;
    ReadEventsByPeriod(link, request, {PeriodStart, PeriodEnd}, dialogue);
    ASSERT_FALSE(dialogue.progress.empty());
    EXPECT_EQ(dialogue.progress.back(), 25);
    EXPECT_TRUE(std::is_sorted(dialogue.progress.begin(), dialogue.progress.end()));
}

// ---------------------------------------------------------------------------
// The working file

TEST_F(EventReaderFixture, WorkingFileThatCannotBeCreatedSendsNothing) {
    request.workingPath = dir.filePath(QStringLiteral("missing/datafile.aud"));
    request.kind = EventKind::Interventions;
    const Message openError{int(MessageKind::Info), QStringLiteral("Ошибка открытия файла"), QString()};
    const EventReadResult byIndex = ReadEventsByIndex(link, request, 1, 5, dialogue);
    EXPECT_TRUE(byIndex.fileError);
    EXPECT_FALSE(byIndex.HasRecords());
    periodRecords = 5;
    const EventReadResult byPeriod = ReadEventsByPeriod(link, request, {PeriodStart, PeriodEnd}, dialogue);
    EXPECT_TRUE(byPeriod.fileError);
    EXPECT_TRUE(bodies.empty());
    EXPECT_EQ(dialogue.messages, (std::vector<Message>{openError, openError}));
    EXPECT_FALSE(ArchiveReading().InProgress);
}

TEST_F(EventReaderFixture, WriteFailureShowsNothingAndKeepsTheOldFile) {
    request.kind = EventKind::Diagnostics;
    // The previous reading's file stays as it was.
    const QByteArray before = RecordsBytes(EventKind::Diagnostics, Range(500, 3));
    {
        QFile f(request.workingPath);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(before);
    }
    EventReadResult r;
    {
        // Room for the first page only.
        FileSizeLimit limit(11 * DiagnosticRecord::Size + 10);
        r = ReadEventsByIndex(link, request, 100, 30, dialogue);
    }
    EXPECT_TRUE(r.fileError);
    EXPECT_FALSE(r.HasRecords());
    EXPECT_EQ(bodies.size(), 2u);  // the loop ends at the failed write
    EXPECT_EQ(dialogue.messages,
              (std::vector<Message>{{int(MessageKind::Info), QStringLiteral("Ошибка открытия файла"), QString()}}));
    EXPECT_EQ(FileBytes(), before);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("datafile.ala")});
}

TEST_F(EventReaderFixture, ANewReadingReplacesTheWorkingFile) {
    request.kind = EventKind::Interventions;
    ReadEventsByIndex(link, request, 100, 25, dialogue);
    ReadEventsByIndex(link, request, 7, 2, dialogue);
    EXPECT_EQ(FileBytes(), RecordsBytes(EventKind::Interventions, {7, 8}));
    // Nothing read: the file is emptied, not left with the last reading.
    shortAnswers = {{int(bodies.size()) + 1, 0}};
    const EventReadResult r = ReadEventsByIndex(link, request, 9, 2, dialogue);
    EXPECT_FALSE(r.HasRecords());
    EXPECT_TRUE(FileBytes().isEmpty());
}

// ---------------------------------------------------------------------------
// Bounds

TEST_F(EventReaderFixture, BoundsComeFromTable10Or11) {
    for (EventKind kind : {EventKind::Diagnostics, EventKind::Interventions}) {
        SCOPED_TRACE(int(kind));
        std::vector<uint8_t> seen;
        channel->peer = [&seen](const std::vector<uint8_t>& req) {
            seen.assign(req.begin() + 5, req.begin() + 8);  // after the leading byte
            // Table head echoed, then 0x12345678 and 0xFFFFFFF0.
            return AnswerFrame(1, uint8_t(req[3] | 0x80), 0,
                               {req[5], req[6], req[7], 0x78, 0x56, 0x34, 0x12, 0xF0, 0xFF, 0xFF, 0xFF});
        };
        ConfigImage image;
        NoRetry retry;
        TableEngine engine(link, image, retry);
        const std::optional<EventArchiveBounds> b = ReadEventArchiveBounds(engine, nullptr, kind);
        ASSERT_TRUE(b);
        EXPECT_EQ(seen, (std::vector<uint8_t>{uint8_t(kind == EventKind::Diagnostics ? 10 : 11), 0, 2}));
        EXPECT_EQ(b->oldest, 0x12345678u);
        EXPECT_EQ(b->newest, 0xFFFFFFF0u);
    }
    channel->peer = [](const std::vector<uint8_t>& req) { return AnswerFrame(1, req[3], 9); };
    ConfigImage image;
    NoRetry retry;
    TableEngine engine(link, image, retry);
    EXPECT_FALSE(ReadEventArchiveBounds(engine, nullptr, EventKind::Diagnostics));
}

TEST(EventArchiveBounds, EmptyAndSpan) {
    EXPECT_TRUE((EventArchiveBounds{5, 5}.Empty()));
    EXPECT_FALSE((EventArchiveBounds{0, 0}.Empty()));
    EXPECT_EQ((EventArchiveBounds{0, 0}.Span()), 1u);
    EXPECT_EQ((EventArchiveBounds{1, 1000}.Span()), 1000u);
    EXPECT_EQ((EventArchiveBounds{0xFFFFFFF0u, 5}.Span()), 22u);
}

}  // namespace
