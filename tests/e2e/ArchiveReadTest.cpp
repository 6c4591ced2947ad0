// Measurement archive readings against the simulated controller, through the
// engine and through zmkctl read-archive.
#include <gtest/gtest.h>

#include <QDateTime>
#include <QFile>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>
#include <QTemporaryDir>
#include <csignal>
#include <sys/types.h>

#include "QtPrinters.h"
#include "SimLink.h"
#include "link/ControllerLink.h"
#include "measurements/ArchiveReader.h"
#include "tables/TableEngine.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"

using namespace zmk;

namespace {

// The simulator's clock: the 5-minute archive then ends at 11:55 of that day.
const QString SimClock = QStringLiteral("2024-04-02 12:02:30");

PackedDate Date(int y, int mo, int d, int h = 0, int mi = 0) {
    return PackedDate{uint8_t(y - 2000), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), 0};
}

QDateTime ToQt(const PackedDate& d) {
    return QDateTime(QDate(d.FullYear(), d.Month, d.Day), QTime(d.Hour, d.Minute, d.Second), Qt::UTC);
}

struct Recorder : ArchiveReadDialogue {
    void ShowMessage(MessageKind kind, const QString& l1, const QString& l2) override {
        messages.push_back({int32_t(kind), l1, l2});
    }
    bool AskQuestion(MessageKind kind, const QString& l1, const QString& l2) override {
        questions.push_back({int32_t(kind), l1, l2});
        return true;
    }
    struct Line {
        int32_t kind;
        QString line1, line2;
    };
    std::vector<Line> messages, questions;
};

class ArchiveOnSim : public ::testing::Test {
protected:
    void Start(const QStringList& extra = {}, SimTransport transport = SimTransport::Pty, int attempts = 1) {
        sim = std::make_unique<SimLink>(transport, QStringList{QStringLiteral("--clock"), SimClock} + extra);
        ASSERT_TRUE(sim->ready()) << sim->output().toStdString();
        sim->answerWaitMs = 300;
        sim->params.Attempts = uint8_t(attempts);
        ASSERT_TRUE(sim->Open(link)) << sim->message().toStdString();
        ArchiveReading().AbortRequested = false;
        ArchiveReading().InProgress = false;
    }
    ArchiveReadResult Read(ArchiveKind kind, PackedDate start, PackedDate end) {
        request.kind = kind;
        request.start = start;
        request.end = end;
        request.hdmPath = dir.filePath(QStringLiteral("datafile.hdm"));
        return ReadArchivePeriod(link, request, dialogue);
    }
    // Dates of the records read back from the file.
    std::vector<QDateTime> Dates(const RecordStore& store) const {
        std::vector<QDateTime> dates;
        for (qsizetype i = 0; i < store.Count(); ++i) dates.push_back(ToQt(store.At(i).Date()));
        return dates;
    }

    QTemporaryDir dir;
    std::unique_ptr<SimLink> sim;
    ControllerLink link{0};
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine{link, image, noRetry};
    ArchiveReadRequest request;
    Recorder dialogue;
};

TEST_F(ArchiveOnSim, AWholeHourlyMonth) {
    Start();
    ArchiveBoundsReading bounds;
    ASSERT_TRUE(ReadArchiveBounds(engine, nullptr, UnitHour, dialogue, bounds));
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 1, 0), Date(2024, 3, 31, 23));
    EXPECT_FALSE(r.linkFailed || r.aborted || r.questionAsked);
    EXPECT_EQ(r.answers, 372);
    EXPECT_EQ(r.progressMaximum, 743);
    std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
    ASSERT_TRUE(store.has_value());
    ASSERT_EQ(store->Count(), 744);
    const std::vector<QDateTime> dates = Dates(*store);
    for (qsizetype i = 0; i < store->Count(); ++i) {
        ASSERT_TRUE(store->At(i).Intact()) << "record " << i;
        ASSERT_EQ(dates[size_t(i)], QDateTime(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC).addSecs(3600 * i)) << i;
    }
    EXPECT_TRUE(dialogue.messages.empty());
}

// Over Ethernet an answer that comes after its wait is still in the socket
// when the next request goes out. Taken for that request's answer, it would
// shift every later answer by one: an hour twice in the file, the last one
// missing. The third answer here comes 450 ms after its request (the wait is
// 300 ms); the repeated request is answered behind it.
TEST_F(ArchiveOnSim, ALateAnswerOverEthernetShiftsNothing) {
    Start({QStringLiteral("--answer-delay-at"), QStringLiteral("3:450")}, SimTransport::Tcp, 2);
    const ArchiveReadResult r = Read(ArchiveKind::ChromHour, Date(2024, 3, 1, 0), Date(2024, 3, 1, 12));
    EXPECT_FALSE(r.linkFailed) << r.linkStatusText.toStdString();
    std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
    ASSERT_TRUE(store.has_value());
    const std::vector<QDateTime> dates = Dates(*store);
    ASSERT_EQ(dates.size(), 13u);
    for (size_t i = 0; i < dates.size(); ++i)
        EXPECT_EQ(dates[i], QDateTime(QDate(2024, 3, 1), QTime(0, 0), Qt::UTC).addSecs(3600 * qint64(i))) << i;
    EXPECT_TRUE(dialogue.messages.empty());
}

TEST_F(ArchiveOnSim, FirstRecordTenMinutesLate) {
    Start({QStringLiteral("--archive-late-minutes"), QStringLiteral("10")});
    const ArchiveReadResult r = Read(ArchiveKind::ChromFiveMinute, Date(2024, 4, 2, 10, 0), Date(2024, 4, 2, 11, 0));
    ASSERT_EQ(dialogue.questions.size(), 1u) << "asked once, answered yes";
    EXPECT_EQ(dialogue.questions[0].kind, int(MessageKind::Question));
    std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
    ASSERT_TRUE(store.has_value());
    const std::vector<QDateTime> dates = Dates(*store);
    ASSERT_EQ(dates.size(), 11u);  // 10:10 .. 11:00
    for (size_t i = 0; i < dates.size(); ++i)
        EXPECT_EQ(dates[i], QDateTime(QDate(2024, 4, 2), QTime(10, 10), Qt::UTC).addSecs(300 * qint64(i)));
}

TEST_F(ArchiveOnSim, EscDuringTheThirdRequest) {
    Start();
    int archiveRequests = 0;
    link.SetFrameObserver([&](bool sentFrame, const uint8_t* bytes, int count) {
        if (sentFrame && count > 3 && bytes[3] == 15 && ++archiveRequests == 3) ArchiveReading().AbortRequested = true;
    });
    const ArchiveReadResult r = Read(ArchiveKind::MoistureHour, Date(2024, 3, 1, 0), Date(2024, 3, 10, 0));
    EXPECT_EQ(archiveRequests, 3);
    EXPECT_TRUE(r.aborted);
    std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
    ASSERT_TRUE(store.has_value());
    EXPECT_EQ(store->Count(), 24) << "three full moisture-meter answers";
    EXPECT_EQ(Dates(*store).back(), QDateTime(QDate(2024, 3, 1), QTime(23, 0), Qt::UTC));
}

TEST_F(ArchiveOnSim, FailedRequests) {
    struct Case {
        const char* failure;
        const char* line2;
        bool shown;
        qsizetype records;
    };
    const Case cases[] = {
        {"1", "не прочитаны", false, 0},
        {"3:silent", "прочитаны не полностью", true, 4},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.failure);
        link.ClosePort();
        dialogue = Recorder();
        Start({QStringLiteral("--archive-fail-request"), QString::fromLatin1(c.failure)});
        const ArchiveReadResult r = Read(ArchiveKind::ChromDay, Date(2024, 3, 1), Date(2024, 3, 20));
        EXPECT_TRUE(r.linkFailed);
        ASSERT_EQ(dialogue.messages.size(), 1u);
        EXPECT_EQ(dialogue.messages[0].line1, QStringLiteral("Суточные данные хроматографа из архива"));
        EXPECT_EQ(dialogue.messages[0].line2, QString::fromUtf8(c.line2));
        std::optional<RecordStore> store = TakeReadRecords(request, r, dialogue);
        EXPECT_EQ(store.has_value(), c.shown);
        if (store) {
            EXPECT_EQ(store->Count(), c.records);
        }
    }
}

// ---------------------------------------------------------------------------
// zmkctl read-archive

struct CtlRun {
    int exitCode = -1;
    QString out, err;
};

CtlRun Ctl(const SimProcess& sim, const QStringList& args) {
    QProcess p;
    p.start(CtlPath(), QStringList{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"),
                                   QStringLiteral("38400")} +
                           args);
    CtlRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

TEST(ReadArchiveCommand, WritesTheMeasurementFile) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;

    // 00:37 .. 00:58 are read as 00:35 .. 00:55.
    const QString five = dir.filePath(QStringLiteral("a.mch"));
    CtlRun r = Ctl(sim, {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("5min"),
                         QStringLiteral("--from"), QStringLiteral("2024-04-02 00:37"), QStringLiteral("--to"),
                         QStringLiteral("2024-04-02 00:58"), QStringLiteral("-o"), five});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("records: 5\nbad-checksum: 0\n"))) << r.out.toStdString();
    FileMessage message;
    std::optional<MeasurementFileContents> file = ReadMeasurementFile(five, ArchiveKind::ChromFiveMinute, &message);
    ASSERT_TRUE(file.has_value()) << message.first.toStdString() << message.second.toStdString();
    EXPECT_EQ(file->header.recordCount, 5u);
    EXPECT_EQ(file->header.periodStart, Date(2024, 4, 2, 0, 35));
    EXPECT_EQ(file->header.periodEnd, Date(2024, 4, 2, 0, 55));
    EXPECT_EQ(file->header.address, 1);
    ASSERT_EQ(file->records.Count(), 5);
    EXPECT_EQ(file->records.At(0).Date().Prefix(5), Date(2024, 4, 2, 0, 35));
    EXPECT_EQ(file->records.At(4).Date().Prefix(5), Date(2024, 4, 2, 0, 55));
    EXPECT_EQ(file->header.ControllerNameText().trimmed(), QStringLiteral("ЗМК-10 ГРС Тестовая"));

    const QString hourly = dir.filePath(QStringLiteral("b.hwm"));
    r = Ctl(sim, {QStringLiteral("read-archive"), QStringLiteral("moist"), QStringLiteral("hour"), QStringLiteral("--from"),
                  QStringLiteral("2024-04-01 10:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 20:00"),
                  QStringLiteral("-o"), hourly});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    file = ReadMeasurementFile(hourly, ArchiveKind::MoistureHour, &message);
    ASSERT_TRUE(file.has_value()) << message.first.toStdString();
    EXPECT_EQ(file->header.recordCount, 11u);
    EXPECT_EQ(file->header.analyser, 1);
    for (qsizetype i = 0; i < file->records.Count(); ++i) {
        EXPECT_TRUE(file->records.At(i).Intact());
        EXPECT_EQ(file->records.At(i).Date().Prefix(4), Date(2024, 4, 1, int(10 + i)).Prefix(4));
    }
}

TEST(ReadArchiveCommand, AForeignChromatographIsSaidBeforeReading) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    CtlRun r = Ctl(sim, {QStringLiteral("--password"), QStringLiteral("12345678"), QStringLiteral("--user-code"),
                         QStringLiteral("1234"), QStringLiteral("set"), QStringLiteral("14"), QStringLiteral("6=02")});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const QString hourly = dir.filePath(QStringLiteral("c.hch"));
    r = Ctl(sim, {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
                  QStringLiteral("2024-04-01 10:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 12:00"),
                  QStringLiteral("-o"), hourly});
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Тип хроматографа контроллера (2) программой не обслуживается:")))
        << r.err.toStdString();
    // What the warning is about: the program does not open such a file.
    FileMessage message;
    EXPECT_FALSE(ReadMeasurementFile(hourly, ArchiveKind::ChromHour, &message).has_value());
}

TEST(ReadArchiveCommand, RefusesWhatCannotBeRead) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString out = dir.filePath(QStringLiteral("x.hch"));
    struct Case {
        QStringList args;
        int exitCode;
        const char* message;
    };
    const Case cases[] = {
        {{QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("week"), QStringLiteral("--from"),
          QStringLiteral("2024-04-01 10:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 11:00"),
          QStringLiteral("-o"), out},
         2, "no archive"},
        {{QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
          QStringLiteral("2024-04-01 12:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 11:00"),
          QStringLiteral("-o"), out},
         2, "ends before it starts"},
        {{QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
          QStringLiteral("2024-13-01 12:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 11:00"),
          QStringLiteral("-o"), out},
         2, "--from"},
        // After the newest hourly record (11:00 of the clock's day).
        {{QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
          QStringLiteral("2024-04-03 10:00"), QStringLiteral("--to"), QStringLiteral("2024-04-03 11:00"),
          QStringLiteral("-o"), out},
         1, "the archive holds no data"},
    };
    for (const Case& c : cases) {
        const CtlRun r = Ctl(sim, c.args);
        EXPECT_EQ(r.exitCode, c.exitCode) << c.args.join(' ').toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_FALSE(QFile::exists(out));
    }
}


QByteArray Contents(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

QStringList HourlyChromReading(const QString& output) {
    return {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("hour"), QStringLiteral("--from"),
            QStringLiteral("2024-04-01 00:00"), QStringLiteral("--to"), QStringLiteral("2024-04-01 20:00"),
            QStringLiteral("-o"), output};
}

// A reading that does not get through the period fails, leaves the output
// file exactly as it was (an earlier file, or none) and keeps what it read
// in FILE.partial, whose header names the part read.
TEST(ReadArchiveCommand, AReadingCutShortLeavesTheFileAndKeepsThePart) {
    const QByteArray earlier = QByteArrayLiteral("an earlier file, not to be touched");
    struct Case {
        const char* what;
        QStringList simArgs;
        QStringList reading;  // read-archive arguments without -o
        bool fileBefore;
        ArchiveKind kind;
        qsizetype records;   // kept in the partial file
        PackedDate partialEnd;
        const char* message;
    };
    const QStringList hourly = HourlyChromReading(QString()).mid(0, 7);
    const Case cases[] = {
        {"the controller stops answering", {QStringLiteral("--archive-fail-request"), QStringLiteral("3:silent")},
         hourly, true, ArchiveKind::ChromHour, 4, Date(2024, 4, 1, 3), "Устройство не отвечает"},
        {"the controller refuses a request", {QStringLiteral("--archive-fail-request"), QStringLiteral("4:22")},
         hourly, false, ArchiveKind::ChromHour, 6, Date(2024, 4, 1, 5), "Неправильный диапазон времени"},
        {"an answer fails its checksum", {QStringLiteral("--archive-fail-request"), QStringLiteral("2:bad-crc")},
         hourly, true, ArchiveKind::ChromHour, 2, Date(2024, 4, 1, 1), "Несовпадение КС ответа контроллера"},
        {"records of another period", {QStringLiteral("--archive-late-minutes"), QStringLiteral("10")},
         {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("5min"), QStringLiteral("--from"),
          QStringLiteral("2024-04-02 10:00"), QStringLiteral("--to"), QStringLiteral("2024-04-02 11:00")},
         true, ArchiveKind::ChromFiveMinute, 1, Date(2024, 4, 2, 10, 10), "Продолжить чтение? -> Нет"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SimProcess sim(QStringList{QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"),
                                   SimClock} +
                       c.simArgs);
        ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
        QTemporaryDir dir;
        const QString output = dir.filePath(QStringLiteral("period.dat"));
        const QString partial = output + QStringLiteral(".partial");
        if (c.fileBefore) {
            QFile f(output);
            ASSERT_TRUE(f.open(QIODevice::WriteOnly));
            f.write(earlier);
        }
        const CtlRun r = Ctl(sim, QStringList{QStringLiteral("--wait-ms"), QStringLiteral("300")} + c.reading +
                                      QStringList{QStringLiteral("-o"), output});
        EXPECT_EQ(r.exitCode, 1) << r.out.toStdString() << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QString::fromUtf8(c.message))) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(QStringLiteral("kept in %1, %2 is left as it was").arg(partial, output)))
            << r.err.toStdString();
        if (c.fileBefore) {
            EXPECT_EQ(Contents(output), earlier);
        } else {
            EXPECT_FALSE(QFile::exists(output));
        }
        FileMessage message;
        const std::optional<MeasurementFileContents> kept = ReadMeasurementFile(partial, c.kind, &message);
        ASSERT_TRUE(kept.has_value()) << message.first.toStdString();
        EXPECT_EQ(kept->records.Count(), c.records);
        EXPECT_EQ(kept->header.recordCount, uint32_t(c.records));
        EXPECT_EQ(kept->header.periodEnd, c.partialEnd);
    }
}

// Ctrl-C during the reading acts as Esc does in the program: the reading
// stops after the current answer, which is kept with the others.
TEST(ReadArchiveCommand, InterruptStopsAfterTheCurrentAnswer) {
    QTemporaryDir dir;
    const QString simLog = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock,
                    QStringLiteral("--answer-delay-ms"), QStringLiteral("40"), QStringLiteral("--log"), simLog});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QString output = dir.filePath(QStringLiteral("month.hch"));
    QProcess p;
    p.start(CtlPath(), QStringList{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"),
                                   QStringLiteral("38400"), QStringLiteral("read-archive"), QStringLiteral("chrom"),
                                   QStringLiteral("hour"), QStringLiteral("--from"), QStringLiteral("2024-03-01 00:00"),
                                   QStringLiteral("--to"), QStringLiteral("2024-03-31 23:00"), QStringLiteral("-o"),
                                   output});
    ASSERT_TRUE(p.waitForStarted());
    // The first hourly archive request has reached the controller: the
    // reading runs.
    QElapsedTimer waited;
    waited.start();
    while (!Contents(simLog).contains(" RX CC 01 11 0F ") && waited.elapsed() < 10000) QThread::msleep(20);
    ASSERT_LT(waited.elapsed(), 10000) << "no archive request";
    ASSERT_EQ(::kill(pid_t(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("interrupted"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
    FileMessage message;
    const std::optional<MeasurementFileContents> kept =
        ReadMeasurementFile(output + QStringLiteral(".partial"), ArchiveKind::ChromHour, &message);
    ASSERT_TRUE(kept.has_value()) << err.toStdString();
    EXPECT_GE(kept->records.Count(), 2);
    EXPECT_LT(kept->records.Count(), 744);
    EXPECT_EQ(kept->records.Count() % 2, 0) << "whole answers of two records";
}

// Records whose checksum failed are stored as read, counted, and make the
// command end with 3; the workbook of that file likewise.
TEST(ReadArchiveCommand, RecordsWithABadChecksumAreCounted) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock,
                    QStringLiteral("--archive-bad-crc-at"), QStringLiteral("3")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("day.hch"));
    CtlRun r = Ctl(sim, HourlyChromReading(output));
    EXPECT_EQ(r.exitCode, 3) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("records: 21\nbad-checksum: 1\n"))) << r.out.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("1 of 21 records failed their checksum"))) << r.err.toStdString();
    FileMessage message;
    const std::optional<MeasurementFileContents> file = ReadMeasurementFile(output, ArchiveKind::ChromHour, &message);
    ASSERT_TRUE(file.has_value()) << message.first.toStdString();
    ASSERT_EQ(file->records.Count(), 21);
    for (qsizetype i = 0; i < file->records.Count(); ++i) EXPECT_EQ(file->records.At(i).Intact(), i != 2) << i;

    QProcess exporter;
    exporter.start(CtlPath(), {QStringLiteral("export-xlsx"), output, QStringLiteral("-o"),
                               dir.filePath(QStringLiteral("day.xlsx"))});
    ASSERT_TRUE(exporter.waitForFinished(30000));
    EXPECT_EQ(exporter.exitCode(), 3);
    EXPECT_TRUE(QString::fromUtf8(exporter.readAllStandardError()).contains(QStringLiteral("1 of 21 records")));
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("day.xlsx"))));
}

// Records of another period than asked are read on only when accepted.
TEST(ReadArchiveCommand, AcceptMismatchReadsOn) {
    SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"), SimClock,
                    QStringLiteral("--archive-late-minutes"), QStringLiteral("10")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString output = dir.filePath(QStringLiteral("late.mch"));
    const CtlRun r = Ctl(sim, {QStringLiteral("read-archive"), QStringLiteral("chrom"), QStringLiteral("5min"),
                               QStringLiteral("--from"), QStringLiteral("2024-04-02 10:00"), QStringLiteral("--to"),
                               QStringLiteral("2024-04-02 11:00"), QStringLiteral("--accept-mismatch"),
                               QStringLiteral("-o"), output});
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("Продолжить чтение? -> Да"))) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("records: 11\n"))) << r.out.toStdString();  // 10:10 .. 11:00
    EXPECT_FALSE(QFile::exists(output + QStringLiteral(".partial")));
}

}  // namespace
