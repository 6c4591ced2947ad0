#include "reports/PassportReader.h"

#include <algorithm>

#include "common/ArchiveReading.h"
#include "common/MessageKind.h"
#include "link/ControllerLink.h"

namespace zmk {

namespace {

// Answer data (after the answer head): the number of records, then the records.
constexpr int AnswerCountAt = 0;
constexpr int AnswerRecordsAt = 1;

// The whole records an answer holds: the count byte, but never more than the
// frame carries.
int RecordsInAnswer(const ControllerLink& link, int recordSize) {
    const int dataLength = link.AnswerDataLength();
    const int room = dataLength > AnswerRecordsAt ? (dataLength - AnswerRecordsAt) / recordSize : 0;
    return std::min<int>(link.AnswerData()[AnswerCountAt], room);
}

int PassportUnit(PassportKind kind) { return kind == PassportKind::Daily ? UnitHour : UnitDay; }

// Clears the reading flag however the loop is left.
class ReadingFlag {
public:
    ReadingFlag() { ArchiveReading().InProgress = true; }
    ~ReadingFlag() { ArchiveReading().InProgress = false; }
    ReadingFlag(const ReadingFlag&) = delete;
    ReadingFlag& operator=(const ReadingFlag&) = delete;
};

enum class LoopEnd { Done, Failed, Aborted };

// One analyser's records of the span into `store`. With `partners` (the
// moisture meter's reading) each record must have the date of the partner
// record of the same position.
LoopEnd ReadAnalyser(ControllerLink& link, PassportKind kind, ArchiveKind archive, const PassportSpan& span,
                     const RecordStore* partners, RecordStore& store, ArchiveReadDialogue& dialogue) {
    const ArchiveKindInfo& info = KindInfo(archive);
    const int unit = PassportUnit(kind);
    const int capacity = MaxPassportRecords(kind);
    PackedDate start = span.Start;
    PackedDate expected = span.Start;
    bool complete = false;
    while (!complete) {
        const QByteArray body = BuildArchiveRequest(archive, start, span.End);
        if (!link.SendRequest(info.functionCode, reinterpret_cast<const uint8_t*>(body.constData()),
                              int32_t(body.size()))) {
            dialogue.ShowStatus(link.StatusText());
            dialogue.ShowMessage(MessageKind::Info, ArchiveFailureLine(archive), NotReadText());
            return LoopEnd::Failed;
        }
        const int n = RecordsInAnswer(link, info.recordSize);
        if (n == 0) break;
        for (int i = 0; i < n && !complete; ++i) {
            const uint8_t* record = link.AnswerData() + AnswerRecordsAt + i * info.recordSize;
            const PackedDate date = PackedDate::FromBytes(record, info.datePrefix);
            dialogue.ProgressStep();
            if (CompareDates(date, expected, unit) < 0 || CompareDates(date, span.End, unit) > 0) {
                dialogue.ShowMessage(MessageKind::Info, MismatchLine1(), PassportSpanLine2());
                return LoopEnd::Failed;
            }
            if (partners) {
                const qsizetype k = store.Count();
                if (k >= partners->Count() ||
                    CompareDates(date, partners->At(k).Date(), unit) != 0) {
                    dialogue.ShowMessage(MessageKind::Info, PassportDatesLine1(), PassportDatesLine2());
                    return LoopEnd::Failed;
                }
            }
            store.Append(record);
            expected = date;
            if (store.Count() == capacity) {
                complete = true;
            } else {
                StepForward(expected, unit);
                if (CompareDates(expected, span.End, unit) > 0) complete = true;
            }
        }
        dialogue.ProcessEvents();
        if (ArchiveReading().AbortRequested) {
            ArchiveReading().AbortRequested = false;
            return LoopEnd::Aborted;
        }
        start = expected;
    }
    if (store.IsEmpty()) {
        dialogue.ShowMessage(MessageKind::Info, ArchiveFailureLine(archive), NotReadText());
        return LoopEnd::Failed;
    }
    return LoopEnd::Done;
}

}  // namespace

int MaxPassportRecords(PassportKind kind) {
    return kind == PassportKind::Daily ? MaxDailyPassportRecords : MaxMonthlyPassportRecords;
}
ArchiveKind PassportChromKind(PassportKind kind) {
    return kind == PassportKind::Daily ? ArchiveKind::ChromHour : ArchiveKind::ChromDay;
}
ArchiveKind PassportMoistureKind(PassportKind kind) {
    return kind == PassportKind::Daily ? ArchiveKind::MoistureHour : ArchiveKind::MoistureDay;
}

PassportSpan GasDaySpan(const PackedDate& day, int contractHour, const ArchiveBounds& bounds) {
    PassportSpan span;
    span.Start = day.Prefix(HourDatePrefix);
    span.Start.Hour = uint8_t(contractHour);
    const PackedDate oldest = bounds.Oldest.Prefix(HourDatePrefix);
    if (CompareDates(span.Start, oldest, UnitHour) < 0) span.Start = oldest;
    span.End = span.Start;
    StepForward(span.End, UnitDay);
    StepBack(span.End, UnitHour);
    return span;
}

PassportSpan MonthSpan(const PackedDate& month, const ArchiveBounds& bounds) {
    PassportSpan span;
    span.Start = month.Prefix(DayDatePrefix);
    span.Start.Day = 1;
    span.End = span.Start;
    span.End.Day = uint8_t(std::max(DaysInMonth(month.FullYear(), month.Month), 1));
    const PackedDate oldest = bounds.Oldest.Prefix(DayDatePrefix);
    const PackedDate newest = bounds.Newest.Prefix(DayDatePrefix);
    if (CompareDates(span.Start, oldest, UnitDay) < 0) span.Start = oldest;
    if (CompareDates(span.End, newest, UnitDay) > 0) span.End = newest;
    return span;
}

std::optional<PassportData> ReadPassport(ControllerLink& link, PassportKind kind, const PackedDate& chosen,
                                         const ArchiveBounds& bounds, ArchiveReadDialogue& dialogue) {
    const PassportSpan span = kind == PassportKind::Daily ? GasDaySpan(chosen, chosen.Hour, bounds)
                                                          : MonthSpan(chosen, bounds);
    PassportData data;
    data.Kind = kind;
    data.Chosen = chosen.Prefix(HourDatePrefix);
    data.Chrom = RecordStore(PassportChromKind(kind));
    data.Moisture = RecordStore(PassportMoistureKind(kind));
    data.Chrom.Reserve(MaxPassportRecords(kind));
    data.Moisture.Reserve(MaxPassportRecords(kind));

    ArchiveReading().AbortRequested = false;
    dialogue.ShowStatus(QString());
    LoopEnd end;
    {
        ReadingFlag reading;
        dialogue.ReadingStarted(PassportProgressMaximum);
        end = ReadAnalyser(link, kind, PassportChromKind(kind), span, nullptr, data.Chrom, dialogue);
        if (end == LoopEnd::Done) {
            dialogue.ShowStatus(QString());
            end = ReadAnalyser(link, kind, PassportMoistureKind(kind), span, &data.Chrom, data.Moisture, dialogue);
        }
        if (end == LoopEnd::Done && data.Chrom.Count() != data.Moisture.Count()) {
            dialogue.ShowMessage(MessageKind::Info, PassportCountLine1(),
                                 PassportCountLine2(int(data.Chrom.Count()), int(data.Moisture.Count())));
            end = LoopEnd::Failed;
        }
    }
    dialogue.ReadingEnded();
    if (end != LoopEnd::Done) return std::nullopt;
    return data;
}

QString PassportSpanLine2() { return QStringLiteral("запрошенному периоду"); }
QString PassportDatesLine1() { return QStringLiteral("Несоответствие дат в записях"); }
QString PassportDatesLine2() { return QStringLiteral("архивов данных хроматографа и влагомера"); }
QString PassportCountLine1() { return QStringLiteral("Несоответствие количества прочитанных данных"); }
QString PassportCountLine2(int chrom, int moisture) {
    return QStringLiteral("хроматографа (%1) и влагомера (%2)").arg(chrom).arg(moisture);
}

}  // namespace zmk
