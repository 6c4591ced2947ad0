// zmkctl read-events and show-events: the controller's event archives into a
// saved event file, and a saved event file as text.
#include "EventCommands.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <cstring>
#include <optional>

#include "Connection.h"
#include "Interrupt.h"
#include "Output.h"
#include "common/ArchiveReading.h"
#include "common/DosCodePage.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "events/DiagnosticDecoder.h"
#include "events/EventArchiveReader.h"
#include "events/EventFile.h"
#include "events/InterventionDecoder.h"
#include "link/ControllerLink.h"
#include "link/Frame.h"
#include "tables/TableEngine.h"

namespace zmkctl {

const char* const ReadEventsUsage =
    "  read-events diag|interv (--index FIRST --count N | --last N |\n"
    "              --from \"YYYY-MM-DD HH:MM[:SS]\" --to \"YYYY-MM-DD HH:MM[:SS]\") -o FILE\n"
    "                               reads the diagnostic messages (diag) or the operator\n"
    "                               interventions (interv) by running index (a start\n"
    "                               outside the archive is refused, a count past the\n"
    "                               newest record is cut to it), the newest N records\n"
    "                               (all when the archive holds fewer) or by period\n"
    "                               (the end not before the start) into FILE as the viewer saves\n"
    "                               it (.ala / .aud rows), and prints the number of\n"
    "                               records and of those whose checksum failed (saved\n"
    "                               as \"***\" rows, exit 3). An empty archive or period\n"
    "                               writes nothing (exit 1). A reading that fails or\n"
    "                               stops (a failed request, Ctrl-C or SIGTERM after the\n"
    "                               current answer) leaves FILE as it was and keeps what\n"
    "                               was read in FILE.partial (exit 1)\n";

const char* const ShowEventsUsage =
    "  show-events FILE             a saved event file (.ala, .aud) as text: a line of\n"
    "                               column headings, then one tab-separated line a record\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitDamaged = 3;

// Tables the header of the file and the decoding are built from.
constexpr uint8_t IdentTable = 0;
constexpr uint8_t IdentCodePage = 12;  // 0 = texts in the DOS code page
constexpr uint8_t ClockTable = 2;
constexpr uint8_t ClockFields = 8;

int Usage(const QString& message) {
    err() << "zmkctl: read-events: " << message << Qt::endl << "usage:\n" << ReadEventsUsage;
    return ExitUsage;
}

QString Lines(const QString& a, const QString& b) { return b.isEmpty() ? a : a + QLatin1Char(' ') + b; }

void PrintMessage(MessageKind kind, const QString& line1, const QString& line2) {
    const MessageLook look = MessageLookFor(kind, line1, line2);
    QStringList lines;
    for (const QString& l : {look.Line1, look.Line2, look.Line3})
        if (!l.trimmed().isEmpty()) lines << l.trimmed();
    err() << lines.join(QLatin1Char(' ')) << Qt::endl;
}

// Messages and the status text to stderr; Ctrl-C as Esc.
class ConsoleDialogue : public EventReadDialogue {
public:
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        PrintMessage(kind, line1, line2);
    }
    void ShowStatus(const QString& text) override {
        if (!text.isEmpty()) err() << text << Qt::endl;
    }
    void ProcessEvents() override {
        if (InterruptAsEsc::Interrupted()) ArchiveReading().AbortRequested = true;
    }
};

// The table engine's retry question: tell what failed, never repeat.
class ReportFailure : public RetryQuestion {
public:
    explicit ReportFailure(ControllerLink& link) : link_(link) {}
    bool AskRetry(const QString& line1, const QString& line2) override {
        if (link_.Status != LinkStatus::Ok) err() << link_.StatusText() << Qt::endl;
        err() << Lines(line1, line2) << Qt::endl;
        return false;
    }

private:
    ControllerLink& link_;
};

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" within 2000..2099.
std::optional<PackedDate> ParseDate(const QString& text) {
    const QString t = text.trimmed();
    QDateTime d = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm:ss"));
    if (!d.isValid()) d = QDateTime::fromString(t, QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!d.isValid() || d.date().year() < 2000 || d.date().year() > 2099) return std::nullopt;
    return PackedDate{uint8_t(d.date().year() - 2000), uint8_t(d.date().month()), uint8_t(d.date().day()),
                      uint8_t(d.time().hour()), uint8_t(d.time().minute()), uint8_t(d.time().second())};
}

std::optional<uint32_t> ParseUnsigned(const QString& text) {
    bool ok = false;
    const qulonglong v = text.toULongLong(&ok, 10);
    if (!ok || text.startsWith(QLatin1Char('+')) || text.startsWith(QLatin1Char('-')) || v > 0xFFFFFFFFull)
        return std::nullopt;
    return uint32_t(v);
}

QString DateText(const PackedDate& d) {
    return QString::asprintf("%04d-%02d-%02d %02d:%02d:%02d", d.FullYear(), d.Month, d.Day, d.Hour, d.Minute,
                             d.Second);
}

int CompareBytes(const PackedDate& a, const PackedDate& b) {
    uint8_t x[6], y[6];
    a.ToBytes(x);
    b.ToBytes(y);
    return std::memcmp(x, y, 6);
}

QString RecordsText(qsizetype count) {
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("record") : QStringLiteral("records"));
}

// The decoded rows of a reading, written as the viewer saves them.
struct DecodedReading {
    std::vector<DiagnosticRow> diagnostics;
    std::vector<InterventionRow> interventions;
    int damaged = 0;
    qsizetype Count() const { return qsizetype(diagnostics.size() + interventions.size()); }
};

DecodedReading Decode(const EventReadResult& result, EventKind kind, ControllerTextCodePage names) {
    DecodedReading d;
    if (kind == EventKind::Diagnostics) {
        DecodedDiagnostics rows = DecodeDiagnostics(result.diagnostics, result.header);
        d.diagnostics = std::move(rows.rows);
        d.damaged = rows.damaged;
    } else {
        DecodedInterventions rows = DecodeInterventions(result.interventions, names);
        d.interventions = std::move(rows.rows);
        d.damaged = rows.damaged;
    }
    return d;
}

bool Write(const QString& path, const EventFileHeader& header, const DecodedReading& rows, FileMessage* message) {
    return header.Kind() == EventKind::Diagnostics ? WriteEventFile(path, header, rows.diagnostics, message)
                                                   : WriteEventFile(path, header, rows.interventions, message);
}

enum class Mode { None, Index, Period };

}  // namespace

int ReadEventsCommand(Connection& conn, const QStringList& args) {
    QStringList words;
    QString indexText, countText, lastText, from, to, output;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = nullptr;
        if (a == QLatin1String("--index")) target = &indexText;
        else if (a == QLatin1String("--count")) target = &countText;
        else if (a == QLatin1String("--last")) target = &lastText;
        else if (a == QLatin1String("--from")) target = &from;
        else if (a == QLatin1String("--to")) target = &to;
        else if (a == QLatin1String("-o") || a == QLatin1String("--output")) target = &output;
        else if (a.startsWith(QLatin1Char('-'))) return Usage(QStringLiteral("unknown option %1").arg(a));
        if (target == nullptr) {
            words << a;
            continue;
        }
        if (i + 1 >= args.size()) return Usage(QStringLiteral("%1 needs a value").arg(a));
        *target = args[++i];
    }
    if (words.size() != 1) return Usage(QStringLiteral("expected the archive, diag or interv"));
    EventKind kind;
    if (words[0] == QLatin1String("diag")) kind = EventKind::Diagnostics;
    else if (words[0] == QLatin1String("interv")) kind = EventKind::Interventions;
    else return Usage(QStringLiteral("no archive \"%1\" (diag or interv)").arg(words[0]));
    if (output.isEmpty()) return Usage(QStringLiteral("-o FILE is needed"));

    const bool byRange = !indexText.isEmpty() || !countText.isEmpty();
    const bool byLast = !lastText.isEmpty();
    const bool byPeriod = !from.isEmpty() || !to.isEmpty();
    if (int(byRange) + int(byLast) + int(byPeriod) != 1)
        return Usage(QStringLiteral("one of --index and --count, --last, or --from and --to"));
    const bool byIndex = byRange || byLast;
    uint32_t first = 0, count = 0;
    PackedDate start, end;
    if (byLast) {
        const std::optional<uint32_t> n = ParseUnsigned(lastText);
        if (!n || *n == 0) return Usage(QStringLiteral("--last: expected 1..4294967295, got \"%1\"").arg(lastText));
        count = *n;
    } else if (byRange) {
        if (indexText.isEmpty() || countText.isEmpty()) return Usage(QStringLiteral("--index and --count go together"));
        const std::optional<uint32_t> f = ParseUnsigned(indexText);
        const std::optional<uint32_t> n = ParseUnsigned(countText);
        if (!f) return Usage(QStringLiteral("--index: expected 0..4294967295, got \"%1\"").arg(indexText));
        if (!n || *n == 0) return Usage(QStringLiteral("--count: expected 1..4294967295, got \"%1\"").arg(countText));
        first = *f;
        count = *n;
    } else {
        if (from.isEmpty() || to.isEmpty()) return Usage(QStringLiteral("--from and --to go together"));
        const std::optional<PackedDate> s = ParseDate(from);
        const std::optional<PackedDate> e = ParseDate(to);
        if (!s) return Usage(QStringLiteral("--from: expected \"YYYY-MM-DD HH:MM[:SS]\" of 2000..2099, got \"%1\"").arg(from));
        if (!e) return Usage(QStringLiteral("--to: expected \"YYYY-MM-DD HH:MM[:SS]\" of 2000..2099, got \"%1\"").arg(to));
        if (CompareBytes(*e, *s) < 0) return Usage(QStringLiteral("the period ends before it starts"));
        start = *s;
        end = *e;
    }
    if (conn.CheckOnly()) return ExitOk;

    ControllerLink& link = conn.link();
    ConfigImage image;
    ReportFailure failure(link);
    TableEngine engine(link, image, failure);
    ConsoleDialogue dialogue;

    if (byIndex) {
        const std::optional<EventArchiveBounds> bounds = ReadEventArchiveBounds(engine, nullptr, kind);
        if (!bounds) return ExitFailed;
        if (bounds->Empty()) {
            PrintMessage(MessageKind::Info, QStringLiteral("В архиве нет ни одной записи"), QString());
            return ExitFailed;
        }
        if (byLast) {
            const EventIndexRange last = LastRecords(*bounds, count);
            first = last.first;
            count = last.count;
        } else {
            // The checks of the index dialog's "Принять".
            const EventIndexCheck check = CheckIndexInput(QString::number(first), QString::number(count), *bounds);
            if (!check.range) {
                PrintMessage(MessageKind::InputError, check.line1, check.line2);
                err() << "zmkctl: read-events: the archive holds the indexes " << bounds->oldest << " .. "
                      << bounds->newest << Qt::endl;
                return ExitFailed;
            }
            if (check.range->count < count) err() << "count cut to the newest record, " << check.range->count << Qt::endl;
            first = check.range->first;
            count = check.range->count;
        }
    } else if (!engine.ReadTable({ClockTable, 0, ClockFields}, nullptr)) {
        return ExitFailed;
    }

    // The header's table values and the code page of the controller's texts.
    if (!ReadHeaderTables(engine, nullptr)) return ExitFailed;
    const bool dosTexts = image.Table(IdentTable)[IdentCodePage] == 0;

    QTemporaryDir work;
    if (!work.isValid()) {
        err() << "zmkctl: read-events: no temporary folder: " << work.errorString() << Qt::endl;
        return ExitFailed;
    }
    EventReadRequest request;
    request.kind = kind;
    request.workingPath = work.filePath(kind == EventKind::Diagnostics ? QStringLiteral("datafile.ala")
                                                                      : QStringLiteral("datafile.aud"));
    request.headerValues = HeaderValuesFromImage(image);
    request.address = link.Address;
    EventReadResult result;
    {
        InterruptAsEsc interrupt;
        result = byIndex ? ReadEventsByIndex(link, request, first, count, dialogue)
                         : ReadEventsByPeriod(link, request, {start, end}, dialogue);
    }
    if (InterruptAsEsc::Interrupted()) err() << "zmkctl: read-events: interrupted" << Qt::endl;
    if (!result.HasRecords()) return ExitFailed;  // told: nothing read, nothing written

    const DecodedReading rows =
        Decode(result, kind, dosTexts ? ControllerTextCodePage::Dos : ControllerTextCodePage::Windows1251);
    const QString shownOutput = QDir::toNativeSeparators(output);
    FileMessage message;
    if (result.linkFailed || result.aborted) {
        const QString partial = output + QStringLiteral(".partial");
        err() << "zmkctl: read-events: the reading stopped after " << RecordsText(rows.Count());
        if (!Write(partial, result.header, rows, &message)) {
            err() << "; " << shownOutput << " is left as it was" << Qt::endl;
            err() << Lines(message.first, message.second) << ": " << QDir::toNativeSeparators(partial) << Qt::endl;
            return ExitFailed;
        }
        if (rows.damaged > 0) err() << " (" << rows.damaged << " failed their checksum)";
        err() << "; they are kept in " << QDir::toNativeSeparators(partial) << ", " << shownOutput
              << " is left as it was" << Qt::endl;
        return ExitFailed;
    }
    if (!Write(output, result.header, rows, &message)) {
        err() << Lines(message.first, message.second) << ": " << shownOutput << Qt::endl;
        return ExitFailed;
    }
    out() << "records: " << rows.Count() << '\n'
          << "bad-checksum: " << rows.damaged << '\n'
          << "period: " << DateText(result.header.first) << " .. " << DateText(result.header.last) << '\n'
          << "file: " << shownOutput << Qt::endl;
    if (rows.damaged > 0) {
        err() << "zmkctl: read-events: " << rows.damaged << " of " << rows.Count()
              << " records failed their checksum" << Qt::endl;
        return ExitDamaged;
    }
    return ExitOk;
}

namespace {

// A cell on one line of tab-separated text.
QString Cell(const QString& text) {
    QString t = text;
    t.replace(QLatin1Char('\t'), QLatin1Char(' ')).replace(QLatin1Char('\n'), QLatin1Char(' '))
        .replace(QLatin1Char('\r'), QLatin1Char(' '));
    return t;
}

template <typename Row>
void PrintRows(const QStringList& headings, const std::vector<Row>& rows) {
    out() << headings.join(QLatin1Char('\t')) << '\n';
    for (const Row& row : rows) {
        QStringList cells;
        for (int c = 0; c < Row::ColumnCount; ++c) cells << Cell(row.Cell(c));
        out() << cells.join(QLatin1Char('\t')) << '\n';
    }
    out().flush();
}

}  // namespace

EventKind EventFileKind(const QString& path) {
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QLatin1String("ala")) return EventKind::Diagnostics;
    if (suffix == QLatin1String("aud")) return EventKind::Interventions;
    QFile f(path);
    if (f.open(QIODevice::ReadOnly) && f.read(3) == "AUD") return EventKind::Interventions;
    return EventKind::Diagnostics;
}

int ShowEventsCommand(const QStringList& args) {
    if (args.size() != 1 || args[0].startsWith(QLatin1Char('-'))) {
        err() << "zmkctl: show-events: expected one FILE" << Qt::endl << "usage:\n" << ShowEventsUsage;
        return ExitUsage;
    }
    const QString path = args[0];
    const EventKind kind = EventFileKind(path);
    FileMessage message;
    const std::optional<EventFileContents> file = ReadEventFile(path, kind, &message);
    if (!file) {
        err() << Lines(message.first, message.second) << Qt::endl;
        return ExitFailed;
    }
    if (kind == EventKind::Diagnostics) {
        PrintRows({QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Событие"),
                   QStringLiteral("Объект / Причина"), QStringLiteral("Текущее значение парам."),
                   QStringLiteral("Знач. уставки"), QStringLiteral("Единица измер.")},
                  file->diagnostics);
    } else {
        PrintRows({QStringLiteral("Дата"), QStringLiteral("Время"), QStringLiteral("Наименование измененного параметра"),
                   QStringLiteral("Старое значение"), QStringLiteral("Новое значение"),
                   QStringLiteral("Единица измер."), QStringLiteral("Имя оператора")},
                  file->interventions);
    }
    return ExitOk;
}

}  // namespace zmkctl
