// zmkctl read-archive: one measurement archive for a period into a file.
#include "Output.h"
#include "ReadArchive.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <optional>

#include "Connection.h"
#include "Interrupt.h"
#include "link/ControllerLink.h"
#include "measurements/ArchiveReader.h"
#include "measurements/MeasurementFile.h"
#include "tables/TableEngine.h"
#include "measurements/ArchiveBounds.h"
#include "link/Frame.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "common/DosCodePage.h"

namespace zmkctl {

const char* const ReadArchiveUsage =
    "  read-archive chrom|moist 5min|hour|day --from \"YYYY-MM-DD HH:MM\" --to \"YYYY-MM-DD HH:MM\" -o FILE\n"
    "               [--accept-mismatch]\n"
    "                               reads the archive for the period (minutes rounded down\n"
    "                               to 5 for 5min, ignored for hour; the time ignored for\n"
    "                               day; \"YYYY-MM-DD\" is enough there) into FILE as the\n"
    "                               program saves it, and prints the number of records\n"
    "                               and of those whose checksum failed (kept in FILE,\n"
    "                               exit 3). A period partly outside the archive is cut\n"
    "                               to it; the question whether to correct the period is\n"
    "                               answered \"yes\". Records of another period than asked\n"
    "                               stop the reading, unless --accept-mismatch reads on.\n"
    "                               A reading that fails or stops (a failed request, a\n"
    "                               mismatch, Ctrl-C or SIGTERM after the current answer)\n"
    "                               leaves FILE as it was and keeps what was read in\n"
    "                               FILE.partial (exit 1)\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;
constexpr int ExitDamaged = 3;

// The chromatograph link (its type is asked about before a reading).
constexpr uint8_t ChromLinkTable = 14;
constexpr uint8_t ChromLinkFields = 8;

int Usage(const QString& message) {
    err() << "zmkctl: read-archive: " << message << Qt::endl << "usage:\n" << ReadArchiveUsage;
    return ExitUsage;
}

QString Lines(const QString& a, const QString& b) {
    return b.isEmpty() ? a : a + QLatin1Char(' ') + b;
}

// Messages go to stderr. The questions of the reading are answered "yes",
// but for the one about records of another period than asked, which is
// answered "no" unless the command line accepts them.
class ConsoleDialogue : public ArchiveReadDialogue {
public:
    explicit ConsoleDialogue(bool acceptMismatch) : acceptMismatch_(acceptMismatch) {}
    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        const MessageLook look = MessageLookFor(kind, line1, line2);
        QStringList lines;
        for (const QString& l : {look.Line1, look.Line2, look.Line3})
            if (!l.trimmed().isEmpty()) lines << l.trimmed();
        err() << lines.join(QLatin1Char(' ')) << Qt::endl;
    }
    bool AskQuestion(MessageKind kind, const QString& line1, const QString& line2) override {
        const MessageLook look = MessageLookFor(kind, line1, line2);
        QStringList lines;
        for (const QString& l : {look.Line1, look.Line2, look.Line3})
            if (!l.trimmed().isEmpty()) lines << l.trimmed();
        const bool yes = acceptMismatch_ || line1 != MismatchLine1();
        err() << lines.join(QLatin1Char(' ')) << (yes ? QStringLiteral(" -> Да") : QStringLiteral(" -> Нет"))
              << Qt::endl;
        if (!yes) mismatchRefused_ = true;
        return yes;
    }
    void ShowStatus(const QString& text) override {
        if (!text.isEmpty()) err() << text << Qt::endl;
    }
    void ProcessEvents() override {
        if (InterruptAsEsc::Interrupted()) ArchiveReading().AbortRequested = true;
    }
    bool MismatchRefused() const { return mismatchRefused_; }

private:
    bool acceptMismatch_;
    bool mismatchRefused_ = false;
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

std::optional<ArchiveKind> ParseKind(const QString& analyser, const QString& period) {
    uint8_t a = 0;
    if (analyser == QLatin1String("chrom")) a = AnalyserChromatograph;
    else if (analyser == QLatin1String("moist")) a = AnalyserMoistureMeter;
    else return std::nullopt;
    if (period == QLatin1String("5min")) return KindFor(a, UnitFiveMinutes);
    if (period == QLatin1String("hour")) return KindFor(a, UnitHour);
    if (period == QLatin1String("day")) return KindFor(a, UnitDay);
    return std::nullopt;
}

// "YYYY-MM-DD HH:MM" (or "YYYY-MM-DD" for the daily archive) within 2000..2099,
// cut to the kind's precision.
std::optional<PackedDate> ParseDate(const QString& text, ArchiveKind kind) {
    QDateTime t = QDateTime::fromString(text.trimmed(), QStringLiteral("yyyy-MM-dd HH:mm"));
    if (!t.isValid() && IsDaily(kind)) t = QDateTime(QDate::fromString(text.trimmed(), Qt::ISODate), QTime(0, 0));
    if (!t.isValid() || t.date().year() < 2000 || t.date().year() > 2099) return std::nullopt;
    PackedDate d;
    d.Year = uint8_t(t.date().year() - 2000);
    d.Month = uint8_t(t.date().month());
    d.Day = uint8_t(t.date().day());
    d.Hour = uint8_t(t.time().hour());
    d.Minute = uint8_t(t.time().minute());
    return d.Prefix(KindInfo(kind).datePrefix);
}

int ComparePeriod(ArchiveKind kind, const PackedDate& a, const PackedDate& b) {
    if (IsFiveMinute(kind)) return CompareMinutes(a, b);
    return CompareDates(a, b, IsDaily(kind) ? UnitDay : UnitHour);
}

QString DateText(const PackedDate& d, ArchiveKind kind) {
    QString text = QString::asprintf("%04d-%02d-%02d", d.FullYear(), d.Month, d.Day);
    if (!IsDaily(kind)) text += QString::asprintf(" %02d:%02d", d.Hour, d.Minute);
    return text;
}

// The PC's clock as a packed date.
PackedDate Now() {
    return FromDateTime(CurrentDateTimeValue());
}

QString RecordsText(qsizetype count) {
    return QStringLiteral("%1 %2").arg(count).arg(count == 1 ? QStringLiteral("record") : QStringLiteral("records"));
}

qsizetype DamagedRecords(const RecordStore& records) {
    qsizetype damaged = 0;
    for (qsizetype i = 0; i < records.Count(); ++i)
        if (!records.At(i).Intact()) ++damaged;
    return damaged;
}

// The period a partial file names: from the start asked to the last intact
// record read, when that lies within the period asked (a record of another
// period, or none intact, leaves the end asked).
PackedDate PartialEnd(const RecordStore& records, ArchiveKind kind, const PackedDate& start, const PackedDate& end) {
    for (qsizetype i = records.Count() - 1; i >= 0; --i) {
        if (!records.At(i).Intact()) continue;
        const PackedDate last = records.At(i).Date().Prefix(KindInfo(kind).datePrefix);
        if (ComparePeriod(kind, last, start) < 0 || ComparePeriod(kind, last, end) > 0) return end;
        return last;
    }
    return end;
}

}  // namespace

int ReadArchiveCommand(Connection& conn, const QStringList& args) {
    QStringList words;
    QString from, to, output;
    bool acceptMismatch = false;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = nullptr;
        if (a == QLatin1String("--from")) target = &from;
        else if (a == QLatin1String("--to")) target = &to;
        else if (a == QLatin1String("-o") || a == QLatin1String("--output")) target = &output;
        else if (a == QLatin1String("--accept-mismatch")) {
            acceptMismatch = true;
            continue;
        } else if (a.startsWith(QLatin1Char('-'))) return Usage(QStringLiteral("unknown option %1").arg(a));
        if (target == nullptr) {
            words << a;
            continue;
        }
        if (i + 1 >= args.size()) return Usage(QStringLiteral("%1 needs a value").arg(a));
        *target = args[++i];
    }
    if (words.size() != 2) return Usage(QStringLiteral("expected the analyser and the archive"));
    const std::optional<ArchiveKind> kind = ParseKind(words[0], words[1]);
    if (!kind) return Usage(QStringLiteral("no archive \"%1 %2\"").arg(words[0], words[1]));
    if (from.isEmpty() || to.isEmpty() || output.isEmpty()) return Usage(QStringLiteral("--from, --to and -o are needed"));
    std::optional<PackedDate> start = ParseDate(from, *kind);
    std::optional<PackedDate> end = ParseDate(to, *kind);
    if (!start) return Usage(QStringLiteral("--from: expected \"YYYY-MM-DD HH:MM\" of 2000..2099, got \"%1\"").arg(from));
    if (!end) return Usage(QStringLiteral("--to: expected \"YYYY-MM-DD HH:MM\" of 2000..2099, got \"%1\"").arg(to));
    if (IsFiveMinute(*kind)) {
        *start = RoundDownToFiveMinutes(*start);
        *end = RoundDownToFiveMinutes(*end);
    }
    if (ComparePeriod(*kind, *end, *start) < 0) return Usage(QStringLiteral("the period ends before it starts"));

    if (conn.CheckOnly()) return ExitOk;
    ControllerLink& link = conn.link();
    ConfigImage image;
    ReportFailure failure(link);
    TableEngine engine(link, image, failure);
    ConsoleDialogue dialogue(acceptMismatch);
    const ArchiveKindInfo& info = KindInfo(*kind);

    // A chromatograph of another type: the file could not be opened again
    // (said on stderr; the reading goes on, as the questions are answered yes).
    if (!engine.ReadTable({ChromLinkTable, 0, ChromLinkFields}, nullptr)) return ExitFailed;
    if (!ConfirmChromatographType(HeaderValuesFromImage(image).chromatographType, dialogue)) return ExitFailed;

    ArchiveBoundsReading bounds;
    if (!ReadArchiveBounds(engine, nullptr, info.archiveUnit, dialogue, bounds)) return ExitFailed;
    const PackedDate oldest = bounds.Bounds.Oldest.Prefix(info.datePrefix);
    const PackedDate newest = bounds.Bounds.Newest.Prefix(info.datePrefix);
    if ((ComparePeriod(*kind, *start, oldest) < 0 && ComparePeriod(*kind, *end, oldest) < 0) ||
        (ComparePeriod(*kind, *start, newest) > 0 && ComparePeriod(*kind, *end, newest) > 0)) {
        err() << "zmkctl: read-archive: the archive holds no data for " << DateText(*start, *kind) << " .. "
              << DateText(*end, *kind) << "; it holds " << DateText(oldest, *kind) << " .. "
              << DateText(newest, *kind) << Qt::endl;
        return ExitFailed;
    }
    if (ComparePeriod(*kind, *start, oldest) < 0) {
        err() << "period start moved to the oldest record, " << DateText(oldest, *kind) << Qt::endl;
        *start = oldest;
    }
    if (ComparePeriod(*kind, *end, newest) > 0) {
        err() << "period end moved to the newest record, " << DateText(newest, *kind) << Qt::endl;
        *end = newest;
    }
    if (IsFiveMinute(*kind)) {
        TableClockSource clock(engine, nullptr);
        if (!CheckStartAgainstOldest(bounds, *start, *end, clock, dialogue)) return ExitFailed;
    }

    // The header's table values: name, chromatograph link, moisture meter type.
    if (!ReadHeaderTables(engine, nullptr)) return ExitFailed;

    QTemporaryDir work;
    if (!work.isValid()) {
        err() << "zmkctl: read-archive: no temporary folder: " << work.errorString() << Qt::endl;
        return ExitFailed;
    }
    ArchiveReadRequest request;
    request.kind = *kind;
    request.start = *start;
    request.end = *end;
    request.hdmPath = work.filePath(QStringLiteral("datafile.hdm"));
    ArchiveReadResult result;
    {
        InterruptAsEsc interrupt;
        result = ReadArchivePeriod(link, request, dialogue);
    }
    const bool interrupted = InterruptAsEsc::Interrupted();
    std::optional<RecordStore> records = TakeReadRecords(request, result, dialogue);
    // Anything short of the whole period read leaves the output file as it
    // was: a reading cut short keeps its records beside it.
    const bool complete = !result.linkFailed && !result.aborted && !result.fileError;
    if (result.linkFailed && records) err() << result.linkStatusText << Qt::endl;
    if (interrupted) err() << "zmkctl: read-archive: interrupted" << Qt::endl;
    if (dialogue.MismatchRefused())
        err() << "zmkctl: read-archive: the controller answered records of another period than asked"
                 " (--accept-mismatch reads on)" << Qt::endl;
    if (!records) {
        if (complete)
            err() << "zmkctl: read-archive: no records for " << DateText(*start, *kind) << " .. "
                  << DateText(*end, *kind) << Qt::endl;
        return ExitFailed;
    }
    const qsizetype damaged = DamagedRecords(*records);
    const QString shownOutput = QDir::toNativeSeparators(output);
    if (!complete) {
        const QString partial = output + QStringLiteral(".partial");
        const MeasurementFileHeader header =
            BuildMeasurementFileHeader(*kind, HeaderValuesFromImage(image), link.Address, Now(), *start,
                                       PartialEnd(*records, *kind, *start, *end), uint32_t(records->Count()));
        FileMessage message;
        if (!WriteMeasurementFile(partial, header, *records, &message)) {
            err() << Lines(message.first, message.second) << ": " << QDir::toNativeSeparators(partial) << Qt::endl;
            err() << "zmkctl: read-archive: the reading stopped after " << RecordsText(records->Count()) << "; "
                  << shownOutput << " is left as it was" << Qt::endl;
            return ExitFailed;
        }
        err() << "zmkctl: read-archive: the reading stopped after " << RecordsText(records->Count());
        if (damaged > 0) err() << " (" << damaged << " failed their checksum)";
        err() << "; they are kept in " << QDir::toNativeSeparators(partial) << ", " << shownOutput
              << " is left as it was" << Qt::endl;
        return ExitFailed;
    }
    const MeasurementFileHeader header = BuildMeasurementFileHeader(
        *kind, HeaderValuesFromImage(image), link.Address, Now(), *start, *end, uint32_t(records->Count()));
    FileMessage message;
    if (!WriteMeasurementFile(output, header, *records, &message)) {
        err() << Lines(message.first, message.second) << ": " << shownOutput << Qt::endl;
        return ExitFailed;
    }
    out() << "records: " << records->Count() << '\n'
          << "bad-checksum: " << damaged << '\n'
          << "period: " << DateText(*start, *kind) << " .. " << DateText(*end, *kind) << '\n'
          << "file: " << shownOutput << Qt::endl;
    if (damaged > 0) {
        // Stored as read, as the program does; the viewer shows them as not valid.
        err() << "zmkctl: read-archive: " << damaged << " of " << records->Count()
              << " records failed their checksum" << Qt::endl;
        return ExitDamaged;
    }
    return ExitOk;
}

}  // namespace zmkctl
