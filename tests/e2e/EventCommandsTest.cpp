// zmkctl read-events and show-events as a user runs them: separate processes
// against the simulator's event archives.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <csignal>
#include <sys/types.h>

#include "QtPrinters.h"
#include "SimProcess.h"
#include "events/EventFile.h"

using namespace zmk;

namespace {

struct CtlRun {
    int exitCode = -1;
    QString out;
    QString err;
};

CtlRun Ctl(const QStringList& args) {
    QProcess p;
    p.start(CtlPath(), args);
    CtlRun r;
    if (!p.waitForFinished(60000)) return r;
    r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    r.out = QString::fromUtf8(p.readAllStandardOutput());
    r.err = QString::fromUtf8(p.readAllStandardError());
    return r;
}

// The simulator on a pseudo-terminal (quicker than its TCP port for many
// short exchanges), with its clock: its event archives lie in the three
// weeks before.
const QStringList SimClock{QStringLiteral("--pty"), QStringLiteral("--no-tcp"), QStringLiteral("--clock"),
                           QStringLiteral("2026-03-22 12:00:00")};

QStringList Over(const SimProcess& sim, const QStringList& args) {
    return QStringList{QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--baud"), QStringLiteral("115200")} +
           args;
}

QStringList ByIndex(const char* archive, int first, int count, const QString& file) {
    return {QStringLiteral("read-events"), QString::fromLatin1(archive), QStringLiteral("--index"),
            QString::number(first), QStringLiteral("--count"), QString::number(count), QStringLiteral("-o"), file};
}

QStringList ByPeriod(const char* archive, const char* from, const char* to, const QString& file) {
    return {QStringLiteral("read-events"), QString::fromLatin1(archive), QStringLiteral("--from"),
            QString::fromLatin1(from), QStringLiteral("--to"), QString::fromLatin1(to), QStringLiteral("-o"), file};
}

QByteArray Bytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The rows of a saved file as show-events should print them.
template <typename Row>
QStringList RowLines(const std::vector<Row>& rows) {
    QStringList lines;
    for (const Row& row : rows) {
        QStringList cells;
        for (int c = 0; c < Row::ColumnCount; ++c) cells << row.Cell(c);
        lines << cells.join(QLatin1Char('\t'));
    }
    return lines;
}

const QString DiagHeadings = QStringLiteral(
    "Дата\tВремя\tСобытие\tОбъект / Причина\tТекущее значение парам.\tЗнач. уставки\tЕдиница измер.");
const QString IntervHeadings = QStringLiteral(
    "Дата\tВремя\tНаименование измененного параметра\tСтарое значение\tНовое значение\tЕдиница измер.\tИмя оператора");

}  // namespace

// By index into a file, and the file shown: the same rows, the headings
// first; the header names the first and last record's times.
TEST(EventCommands, ReadByIndexAndShowTheFile) {
    SimProcess sim(SimClock);
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    struct Case {
        const char* archive;
        EventKind kind;
        int first, count;
        const QString& headings;
        const char* fileName;
    };
    const Case cases[] = {
        {"diag", EventKind::Diagnostics, 3, 25, DiagHeadings, "d.ala"},
        {"interv", EventKind::Interventions, 10, 21, IntervHeadings, "i.aud"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.archive);
        const QString file = dir.filePath(QString::fromLatin1(c.fileName));
        const CtlRun r = Ctl(Over(sim, ByIndex(c.archive, c.first, c.count, file)));
        ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
        EXPECT_TRUE(r.out.startsWith(QStringLiteral("records: %1\nbad-checksum: 0\n").arg(c.count)))
            << r.out.toStdString();

        const std::optional<EventFileContents> saved = ReadEventFile(file, c.kind);
        ASSERT_TRUE(saved);
        EXPECT_EQ(saved->header.recordCount, uint32_t(c.count));
        EXPECT_EQ(saved->header.Kind(), c.kind);
        EXPECT_EQ(saved->header.chromatographType, 4);
        const QStringList rows = c.kind == EventKind::Diagnostics ? RowLines(saved->diagnostics)
                                                                  : RowLines(saved->interventions);
        ASSERT_EQ(rows.size(), c.count);
        EXPECT_FALSE(rows.first().startsWith(QStringLiteral("   ***")));
        // The header's range is the first and the last record's time.
        const QString firstDate = rows.first().section(QLatin1Char('\t'), 0, 0).trimmed();
        EXPECT_EQ(QString::asprintf("%02d.%02d.%02d", saved->header.first.Day, saved->header.first.Month,
                                    saved->header.first.Year),
                  firstDate);

        const CtlRun shown = Ctl({QStringLiteral("show-events"), file});
        ASSERT_EQ(shown.exitCode, 0) << shown.err.toStdString();
        EXPECT_EQ(shown.out, c.headings + QLatin1Char('\n') + rows.join(QLatin1Char('\n')) + QLatin1Char('\n'));
    }
}

// The whole diagnostic archive read by period gives the same rows as read by
// index (many pages), and the header keeps the period asked.
TEST(EventCommands, ReadByPeriodMatchesReadByIndex) {
    SimProcess sim(SimClock + QStringList{QStringLiteral("--event-diagnostics"), QStringLiteral("120")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString byIndex = dir.filePath(QStringLiteral("index.ala"));
    const QString byPeriod = dir.filePath(QStringLiteral("period.ala"));
    CtlRun r = Ctl(Over(sim, ByIndex("diag", 1, 120, byIndex)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = Ctl(Over(sim, ByPeriod("diag", "2026-02-01 00:00", "2026-03-22 12:00:00", byPeriod)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_TRUE(r.out.contains(QStringLiteral("period: 2026-02-01 00:00:00 .. 2026-03-22 12:00:00\n")))
        << r.out.toStdString();

    const std::optional<EventFileContents> a = ReadEventFile(byIndex, EventKind::Diagnostics);
    const std::optional<EventFileContents> b = ReadEventFile(byPeriod, EventKind::Diagnostics);
    ASSERT_TRUE(a && b);
    EXPECT_EQ(b->diagnostics.size(), 120u);
    EXPECT_EQ(RowLines(a->diagnostics), RowLines(b->diagnostics));
    EXPECT_EQ(b->header.first, (PackedDate{26, 2, 1, 0, 0, 0}));
    EXPECT_EQ(b->header.last, (PackedDate{26, 3, 22, 12, 0, 0}));

    // A part of the period: fewer records, all within it.
    const QString part = dir.filePath(QStringLiteral("part.ala"));
    r = Ctl(Over(sim, ByPeriod("diag", "2026-03-10 00:00", "2026-03-12 23:59:59", part)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::optional<EventFileContents> c = ReadEventFile(part, EventKind::Diagnostics);
    ASSERT_TRUE(c);
    EXPECT_GT(c->diagnostics.size(), 0u);
    EXPECT_LT(c->diagnostics.size(), 120u);
    for (const DiagnosticRow& row : c->diagnostics)
        EXPECT_TRUE(row.date.trimmed() == QStringLiteral("10.03.26") || row.date.trimmed() == QStringLiteral("11.03.26") ||
                    row.date.trimmed() == QStringLiteral("12.03.26"))
            << row.date.toStdString();
}

// The newest N records: the same as the index range that ends at the newest
// record; an archive holding fewer gives all it holds.
TEST(EventCommands, LastRecords) {
    SimProcess sim(SimClock);  // 260 interventions, indexes 1 .. 260
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString last = dir.filePath(QStringLiteral("last.aud"));
    const QString range = dir.filePath(QStringLiteral("range.aud"));
    const QString all = dir.filePath(QStringLiteral("all.aud"));
    auto Last = [](int n, const QString& file) {
        return QStringList{QStringLiteral("read-events"), QStringLiteral("interv"), QStringLiteral("--last"),
                           QString::number(n), QStringLiteral("-o"), file};
    };
    CtlRun r = Ctl(Over(sim, Last(15, last)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = Ctl(Over(sim, ByIndex("interv", 246, 15, range)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    r = Ctl(Over(sim, Last(1000, all)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();

    const std::optional<EventFileContents> a = ReadEventFile(last, EventKind::Interventions);
    const std::optional<EventFileContents> b = ReadEventFile(range, EventKind::Interventions);
    const std::optional<EventFileContents> c = ReadEventFile(all, EventKind::Interventions);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(a->interventions.size(), 15u);
    EXPECT_EQ(RowLines(a->interventions), RowLines(b->interventions));
    ASSERT_EQ(c->interventions.size(), 260u);
    EXPECT_EQ(RowLines(std::vector<InterventionRow>(c->interventions.end() - 15, c->interventions.end())),
              RowLines(a->interventions));
}

// A controller that delivers fewer records than asked: the reading asks for
// the rest and the file holds them all.
TEST(EventCommands, ShortAnswersAreContinued) {
    SimProcess sim(SimClock + QStringList{QStringLiteral("--event-records-per-answer"), QStringLiteral("7")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("i.aud"));
    const CtlRun r = Ctl(Over(sim, ByIndex("interv", 5, 30, file)));
    ASSERT_EQ(r.exitCode, 0) << r.err.toStdString();
    const std::optional<EventFileContents> saved = ReadEventFile(file, EventKind::Interventions);
    ASSERT_TRUE(saved);
    EXPECT_EQ(saved->interventions.size(), 30u);
}

// A reading that fails after two pages leaves the file as it was and keeps
// the two pages in FILE.partial.
TEST(EventCommands, FailedReadingKeepsTheFileAndSavesThePart) {
    SimProcess sim(SimClock + QStringList{QStringLiteral("--archive-fail-request"), QStringLiteral("3")});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("d.ala"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write("the file of an earlier reading");
    }
    const CtlRun r = Ctl(Over(sim, ByIndex("diag", 1, 50, file)));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.contains(QStringLiteral("Диагностические сообщения прочитаны не полностью"))) << r.err.toStdString();
    EXPECT_TRUE(r.err.contains(QStringLiteral("the reading stopped after 22 records"))) << r.err.toStdString();
    EXPECT_EQ(Bytes(file), QByteArray("the file of an earlier reading"));
    const std::optional<EventFileContents> partial = ReadEventFile(file + QStringLiteral(".partial"), EventKind::Diagnostics);
    ASSERT_TRUE(partial);
    EXPECT_EQ(partial->diagnostics.size(), 22u);

    // Failing on the first page: nothing read, nothing written.
    SimProcess first(SimClock + QStringList{QStringLiteral("--archive-fail-request"), QStringLiteral("1")});
    ASSERT_TRUE(first.ready());
    const QString other = dir.filePath(QStringLiteral("other.aud"));
    const CtlRun none = Ctl(Over(first, ByPeriod("interv", "2026-03-01 00:00", "2026-03-22 00:00", other)));
    EXPECT_EQ(none.exitCode, 1);
    EXPECT_TRUE(none.err.contains(QStringLiteral("Сообщения о вмешательствах оператора не прочитаны")))
        << none.err.toStdString();
    EXPECT_FALSE(QFile::exists(other));
    EXPECT_FALSE(QFile::exists(other + QStringLiteral(".partial")));
}

// Ctrl-C during the reading acts as Esc does in the program: the reading
// stops after the current answer, and what was read is kept beside FILE.
TEST(EventCommands, InterruptStopsAfterTheCurrentAnswer) {
    QTemporaryDir dir;
    const QString simLog = dir.filePath(QStringLiteral("sim.log"));
    SimProcess sim(SimClock + QStringList{QStringLiteral("--event-diagnostics"), QStringLiteral("2000"),
                                          QStringLiteral("--answer-delay-ms"), QStringLiteral("40"),
                                          QStringLiteral("--log"), simLog});
    ASSERT_TRUE(sim.ready()) << sim.output().toStdString();
    const QString output = dir.filePath(QStringLiteral("all.ala"));
    QProcess p;
    p.start(CtlPath(), Over(sim, ByIndex("diag", 1, 2000, output)));
    ASSERT_TRUE(p.waitForStarted());
    // The first index request has reached the controller: the reading runs.
    QElapsedTimer waited;
    waited.start();
    while (!QString::fromUtf8(Bytes(simLog)).contains(QStringLiteral(" RX CC 01 0D 07 ")) && waited.elapsed() < 10000)
        QThread::msleep(20);
    ASSERT_LT(waited.elapsed(), 10000) << "no event request";
    ASSERT_EQ(::kill(pid_t(p.processId()), SIGINT), 0);
    ASSERT_TRUE(p.waitForFinished(10000));
    EXPECT_EQ(p.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(p.exitCode(), 1);
    const QString err = QString::fromUtf8(p.readAllStandardError());
    EXPECT_TRUE(err.contains(QStringLiteral("interrupted"))) << err.toStdString();
    EXPECT_FALSE(QFile::exists(output));
    const std::optional<EventFileContents> kept = ReadEventFile(output + QStringLiteral(".partial"), EventKind::Diagnostics);
    ASSERT_TRUE(kept.has_value()) << err.toStdString();
    EXPECT_GE(kept->diagnostics.size(), 11u);
    EXPECT_LT(kept->diagnostics.size(), 2000u);
    EXPECT_EQ(kept->diagnostics.size() % 11, 0u) << "whole answers of eleven records";
}

TEST(EventCommands, ExitCodesAndMessages) {
    SimProcess sim(SimClock + QStringList{QStringLiteral("--event-bad-crc-every"), QStringLiteral("5")});
    SimProcess empty(SimClock + QStringList{QStringLiteral("--event-diagnostics"), QStringLiteral("0")});
    SimProcess flagged(SimClock + QStringList{QStringLiteral("--event-archive-error")});
    ASSERT_TRUE(sim.ready() && empty.ready() && flagged.ready());
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("d.ala"));

    struct Case {
        const char* name;
        const SimProcess* sim;
        QStringList args;
        int exitCode;
        QString message;  // on stderr
        bool written;
    };
    const Case cases[] = {
        {"damaged records saved", &sim, ByIndex("diag", 1, 25, file), 3,
         QStringLiteral("5 of 25 records failed their checksum"), true},
        {"empty archive", &empty, ByIndex("diag", 1, 25, file), 1, QStringLiteral("В архиве нет ни одной записи"),
         false},
        {"nothing in the period", &sim, ByPeriod("diag", "2025-01-01 00:00", "2025-01-02 00:00", file), 1,
         QStringLiteral("Нет данных за указанный период"), false},
        {"start outside the archive", &sim, ByIndex("diag", 1000, 5, file), 1,
         QStringLiteral("Нелогичное значение индекса записи начала чтения"), false},
        {"archive error told, data kept", &flagged, ByPeriod("interv", "2026-03-01 00:00", "2026-03-22 00:00", file),
         0, QStringLiteral("Обнаружена ошибка в архиве сообщений о вмешательствах"), true},
        {"no archive named", &sim, ByIndex("all", 1, 5, file), 2, QStringLiteral("diag or interv"), false},
        {"both modes", &sim,
         ByIndex("diag", 1, 5, file) + QStringList{QStringLiteral("--from"), QStringLiteral("2026-03-01 00:00")}, 2,
         QStringLiteral("one of --index and --count, --last, or --from and --to"), false},
        {"--last 0", &sim, {QStringLiteral("read-events"), QStringLiteral("diag"), QStringLiteral("--last"),
                            QStringLiteral("0"), QStringLiteral("-o"), file}, 2, QStringLiteral("--last"), false},
        {"count 0", &sim, ByIndex("diag", 1, 0, file), 2, QStringLiteral("--count"), false},
        {"end before start", &sim, ByPeriod("diag", "2026-03-02 00:00", "2026-03-01 23:59:59", file), 2,
         QStringLiteral("the period ends before it starts"), false},
        {"no date", &sim, ByPeriod("diag", "2026-03-02", "2026-03-03 00:00", file), 2, QStringLiteral("--from"),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(file);
        const CtlRun r = Ctl(Over(*c.sim, c.args));
        EXPECT_EQ(r.exitCode, c.exitCode) << r.err.toStdString();
        EXPECT_TRUE(r.err.contains(c.message)) << r.err.toStdString();
        EXPECT_EQ(QFile::exists(file), c.written);
    }
    // An end equal to the start is a period.
    EXPECT_NE(Ctl(Over(sim, ByPeriod("diag", "2026-03-02 00:00", "2026-03-02 00:00", file))).exitCode, 2);
}

// show-events refuses what is not a saved event file of its archive in the
// window's words.
TEST(EventCommands, ShowEventsRefusesForeignFiles) {
    QTemporaryDir dir;
    const QString ala = dir.filePath(QStringLiteral("a.ala"));
    const QString aud = dir.filePath(QStringLiteral("b.aud"));
    EventFileHeader header = BuildEventFileHeader(EventKind::Interventions, HeaderTableValues{}, 1, PackedDate{26, 3, 1},
                                                  PackedDate{26, 3, 1}, PackedDate{26, 3, 2}, 1);
    header.chromatographType = 4;
    InterventionRow row;
    row.date = QStringLiteral("01.03.26");
    row.name = QStringLiteral("tab\there");
    ASSERT_TRUE(WriteEventFile(aud, header, std::vector<InterventionRow>{row}));
    ASSERT_TRUE(QFile::copy(aud, ala));  // interventions under a diagnostics name
    const QString wrongType = dir.filePath(QStringLiteral("c.aud"));
    header.chromatographType = 3;
    ASSERT_TRUE(WriteEventFile(wrongType, header, std::vector<InterventionRow>{row}));

    struct Case {
        QString path;
        int exitCode;
        QString err;
    };
    const Case cases[] = {
        {ala, 1,
         QStringLiteral("Файл a.ala не является файлом, содержащим диагностические сообщения контроллера ЗМК_10\n")},
        {wrongType, 1,
         QStringLiteral("Файл c.aud не является файлом, содержащим сообщения о вмешательствах оператора контроллера "
                        "ЗМК_10\n")},
        {dir.filePath(QStringLiteral("none.aud")), 1, QStringLiteral("Ошибка открытия файла\n")},
    };
    for (const Case& c : cases) {
        const CtlRun r = Ctl({QStringLiteral("show-events"), c.path});
        EXPECT_EQ(r.exitCode, c.exitCode);
        EXPECT_EQ(r.err, c.err);
        EXPECT_TRUE(r.out.isEmpty());
    }
    // A tab inside a cell does not split it.
    const CtlRun r = Ctl({QStringLiteral("show-events"), aud});
    EXPECT_EQ(r.exitCode, 0);
    EXPECT_EQ(r.out, IntervHeadings + QStringLiteral("\n01.03.26\t\ttab here\t\t\t\t\n"));
    EXPECT_EQ(Ctl({QStringLiteral("show-events")}).exitCode, 2);
}
