// zmkctl read-archive: one measurement archive for a period into a file.
#include "Output.h"
#include "ReadArchive.h"

#include <QDateTime>
#include <QDir>
#include <QTemporaryDir>
#include <QTextStream>
#include <optional>

#include "Connection.h"
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
    "                               reads the archive for the period (minutes rounded down\n"
    "                               to 5 for 5min, ignored for hour; the time ignored for\n"
    "                               day; \"YYYY-MM-DD\" is enough there) into FILE as the\n"
    "                               program saves it, and prints the number of records.\n"
    "                               A period partly outside the archive is cut to it;\n"
    "                               questions about the period are answered \"yes\"\n";

namespace {

using namespace zmk;

constexpr int ExitOk = 0;
constexpr int ExitFailed = 1;
constexpr int ExitUsage = 2;

// Tables the header of the file is built from.
constexpr uint8_t IdentTable = 0;
constexpr uint8_t IdentCodePage = 12;  // 0 = texts in the DOS code page
constexpr uint8_t NameTable = 5;
constexpr int NameLength = 20;
constexpr uint8_t SystemTable = 6;
constexpr int SystemMoistureField = 8;
constexpr uint8_t ChromLinkTable = 14;
constexpr uint8_t ChromLinkFields = 8;
constexpr uint8_t MoistLinkTable = 15;
constexpr uint8_t MoistTypeField = 6;


int Usage(const QString& message) {
    err() << "zmkctl: read-archive: " << message << Qt::endl << "usage:\n" << ReadArchiveUsage;
    return ExitUsage;
}

QString Lines(const QString& a, const QString& b) {
    return b.isEmpty() ? a : a + QLatin1Char(' ') + b;
}

// Messages go to stderr; the questions of the reading are answered "yes".
class ConsoleDialogue : public ArchiveReadDialogue {
public:
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
        err() << lines.join(QLatin1Char(' ')) << QStringLiteral(" -> Да") << Qt::endl;
        return true;
    }
    void ShowStatus(const QString& text) override {
        if (!text.isEmpty()) err() << text << Qt::endl;
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

}  // namespace

int ReadArchiveCommand(Connection& conn, const QStringList& args) {
    QStringList words;
    QString from, to, output;
    for (int i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        QString* target = nullptr;
        if (a == QLatin1String("--from")) target = &from;
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
    ConsoleDialogue dialogue;
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
    if (!engine.ReadTable({IdentTable, IdentCodePage, 1}, nullptr)) return ExitFailed;
    if (!engine.ReadTable({NameTable, 0, 1}, nullptr)) return ExitFailed;
    if (image.Table(IdentTable)[IdentCodePage] == 0) DecodeDosText(image.Table(NameTable), NameLength);
    if (!engine.ReadTable({ChromLinkTable, 0, ChromLinkFields}, nullptr)) return ExitFailed;
    if (image.Table(SystemTable)[SystemMoistureField] != 0 &&
        !engine.ReadTable({MoistLinkTable, MoistTypeField, 1}, nullptr))
        return ExitFailed;

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
    const ArchiveReadResult result = ReadArchivePeriod(link, request, dialogue);
    std::optional<RecordStore> records = TakeReadRecords(request, result, dialogue);
    if (!records) {
        if (!result.linkFailed && !result.fileError)
            err() << "zmkctl: read-archive: no records for " << DateText(*start, *kind) << " .. "
                  << DateText(*end, *kind) << Qt::endl;
        return ExitFailed;
    }
    const MeasurementFileHeader header = BuildMeasurementFileHeader(
        *kind, HeaderValuesFromImage(image), link.Address, Now(), *start, *end, uint32_t(records->Count()));
    FileMessage message;
    if (!WriteMeasurementFile(output, header, *records, &message)) {
        err() << Lines(message.first, message.second) << ": " << QDir::toNativeSeparators(output) << Qt::endl;
        return ExitFailed;
    }
    out() << "records: " << records->Count() << '\n'
          << "period: " << DateText(*start, *kind) << " .. " << DateText(*end, *kind) << '\n'
          << "file: " << QDir::toNativeSeparators(output) << Qt::endl;
    // A reading cut short by a failed request keeps what was read, but the
    // command did not do all it was asked.
    return result.linkFailed ? ExitFailed : ExitOk;
}

}  // namespace zmkctl
