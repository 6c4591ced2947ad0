#include "measurements/ArchiveReader.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>
#include <algorithm>

#include "link/ControllerLink.h"
#include "tables/TableEngine.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "common/ArchiveReading.h"

namespace zmk {

namespace {

constexpr uint8_t ClockTable = 2;
constexpr uint8_t ClockFieldCount = 8;

// Answer data (after the answer head): the number of records, then the records.
constexpr int AnswerCountAt = 0;
constexpr int AnswerRecordsAt = 1;

// A 5-minute start this many intervals (24 hours) after the oldest record is
// safe from the ring buffer overwriting it.
constexpr int SafeIntervalsAfterOldest = 288;
// The 5-minute archive is full once it spans two calendar months.
constexpr int FullArchiveMonths = 2;
// The last seconds before a 5-minute boundary, when the oldest record is
// about to be overwritten: minute 4 of the interval from second 55 on.
constexpr int LastMinuteOfInterval = 4;
constexpr int BoundarySecond = 55;
constexpr int WaitPollMs = 20;

constexpr int FiveMinuteSlotsPerHour = 12;

// The whole records an answer holds: the count byte, but never more than the
// frame carries.
int RecordsInAnswer(const ControllerLink& link, int recordSize) {
    const int dataLength = link.AnswerDataLength();
    const int room = dataLength > AnswerRecordsAt ? (dataLength - AnswerRecordsAt) / recordSize : 0;
    return std::min<int>(link.AnswerData()[AnswerCountAt], room);
}

// The raw oldest date (minute rounded down to 5, second 0) plus two calendar
// months; a day past the end of the target month becomes its last day.
PackedDate FullArchiveMoment(const PackedDate& rawOldest) {
    PackedDate t = RoundDownToFiveMinutes(rawOldest);
    t.Second = 0;
    int month = t.Month + FullArchiveMonths;
    int year = t.Year;
    while (month > 12) {
        month -= 12;
        ++year;
    }
    t.Month = uint8_t(month);
    t.Year = uint8_t(year);
    const int days = DaysInMonth(t.FullYear(), t.Month);
    if (days > 0 && t.Day > days) t.Day = uint8_t(days);
    return t;
}

// Whether a record date is outside what the reading expects next.
bool OutsideExpected(ArchiveKind kind, const PackedDate& date, const PackedDate& expected, const PackedDate& end) {
    if (IsFiveMinute(kind)) return !InFiveMinuteSlot(date, expected);
    if (IsDaily(kind)) {
        PackedDate low = expected;
        StepBack(low, UnitDay);
        PackedDate high = end;
        StepForward(high, UnitDay);
        return CompareDates(date, low, UnitDay) < 0 || CompareDates(date, high, UnitDay) > 0;
    }
    return CompareDates(date, expected, UnitHour) < 0 || CompareDates(date, end, UnitHour) > 0;
}

int ComparePeriodDates(ArchiveKind kind, const PackedDate& a, const PackedDate& b) {
    if (IsFiveMinute(kind)) return CompareMinutes(a, b);
    return CompareDates(a, b, IsDaily(kind) ? UnitDay : UnitHour);
}

int ProgressMaximum(ArchiveKind kind, const PackedDate& start, const PackedDate& end) {
    uint8_t a[4], b[4];
    start.ToBytes(a, 4);
    end.ToBytes(b, 4);
    if (IsFiveMinute(kind)) return HoursBetween(a, b) * FiveMinuteSlotsPerHour;
    if (IsDaily(kind)) return PeriodLength(a, b, PeriodDays);
    return HoursBetween(a, b);
}

// Clears the reading flag however the loop is left.
class ReadingFlag {
public:
    ReadingFlag() { ArchiveReading().InProgress = true; }
    ~ReadingFlag() { ArchiveReading().InProgress = false; }
    ReadingFlag(const ReadingFlag&) = delete;
    ReadingFlag& operator=(const ReadingFlag&) = delete;
};

}  // namespace

QString ArchiveFailureLine(ArchiveKind kind) {
    switch (kind) {
    case ArchiveKind::ChromFiveMinute:
        return QStringLiteral("Мгновенные данные хроматографа из архива");
    case ArchiveKind::ChromHour:
        return QStringLiteral("Часовые данные хроматографа из архива");
    case ArchiveKind::ChromDay:
        return QStringLiteral("Суточные данные хроматографа из архива");
    case ArchiveKind::MoistureFiveMinute:
        return QStringLiteral("Мгновенные данные из архива");
    case ArchiveKind::MoistureHour:
        return QStringLiteral("Часовые данные влагомера из архива");
    case ArchiveKind::MoistureDay:
        return QStringLiteral("Суточные данные влагомера из архива");
    }
    return QString();
}

QString NotReadText() { return QStringLiteral("не прочитаны"); }
QString PartlyReadText() { return QStringLiteral("прочитаны не полностью"); }
QString MismatchLine1() { return QStringLiteral("Передаваемые контроллером данные не соответствуют"); }
QString MismatchLine2() { return QStringLiteral("запрошенному периоду.    Продолжить чтение?"); }
QString PeriodGoneText() { return QStringLiteral("В архиве уже нет данных за указанный период"); }
QString CorrectPeriodText() { return QStringLiteral("Корректировать заданный период чтения данных?"); }
QString ForeignChromatographLine1(uint8_t type) {
    return QStringLiteral("Тип хроматографа контроллера (%1) программой не обслуживается:").arg(type);
}
QString ForeignChromatographLine2() {
    return QStringLiteral("файл данных нельзя будет открыть. Продолжить чтение?");
}

bool ConfirmChromatographType(uint8_t type, ArchiveReadDialogue& dialogue) {
    if (type == ServedChromatographType) return true;
    return dialogue.AskQuestion(MessageKind::Question, ForeignChromatographLine1(type), ForeignChromatographLine2());
}

QString ClockStandsLine1() { return QStringLiteral("Часы контроллера не идут"); }
QString ClockStandsLine2(const PackedDate& c) {
    return QStringLiteral("(время контроллера %1)")
        .arg(QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", c.Day, c.Month, c.Year, c.Hour, c.Minute, c.Second));
}

PackedDate RoundDownToFiveMinutes(const PackedDate& date) {
    PackedDate d = date;
    d.Minute = uint8_t(d.Minute - d.Minute % 5);
    return d;
}

// ---------------------------------------------------------------------------
// The controller clock

TableClockSource::TableClockSource(TableEngine& engine, StatusBarPanel* status, LinkWaiter* waiter)
    : engine_(engine), status_(status), waiter_(waiter) {}

bool TableClockSource::ReadClock(PackedDate& clock) {
    if (!engine_.ReadTable({ClockTable, 0, ClockFieldCount}, status_)) return false;
    clock = PackedDate::FromBytes(engine_.Image().Table(ClockTable));
    return true;
}

bool TableClockSource::WaitSeconds(int seconds) {
    // The wait belongs to the reading: Esc asks it to stop.
    ArchiveReadingState& reading = ArchiveReading();
    reading.AbortRequested = false;
    reading.InProgress = true;
    QElapsedTimer timer;
    timer.start();
    const qint64 limitNs = qint64(std::max(seconds, 0)) * 1000000000;
    for (qint64 left = limitNs; left > 0 && !reading.AbortRequested; left = limitNs - timer.nsecsElapsed()) {
        if (waiter_) {
            waiter_->sleep(left);  // woken by Esc, the request is looked at again
        } else {
            QThread::msleep(std::min<qint64>(WaitPollMs, std::max<qint64>(left / 1000000, 1)));
        }
    }
    const bool stopped = reading.AbortRequested;
    reading.InProgress = false;
    reading.AbortRequested = false;
    return !stopped;
}

bool CheckStartAgainstOldest(const ArchiveBoundsReading& bounds, PackedDate& start, PackedDate& end,
                             ControllerClockSource& source, ArchiveReadDialogue& dialogue) {
    if (FiveMinuteIntervals(bounds.Bounds.Oldest, start) > SafeIntervalsAfterOldest) return true;

    ArchiveBounds now;
    for (int waits = 0;; ++waits) {
        PackedDate clock;
        if (!source.ReadClock(clock)) return false;
        if (!IsValidPackedDate(clock)) {
            dialogue.ShowMessage(MessageKind::Info, InvalidDateLine1(clock), InvalidDateLine2());
            return false;
        }
        ComputeFiveMinuteBounds(bounds.RawOldest, clock, now);
        if (CompareMinutes(start, now.Oldest) < 0 && CompareMinutes(end, now.Oldest) < 0) {
            dialogue.ShowMessage(MessageKind::ArchiveDatesChanged, PeriodGoneText(), QString());
            return false;
        }
        // Until the archive spans two months nothing is overwritten yet.
        if (CompareSeconds(clock, FullArchiveMoment(bounds.RawOldest)) < 0) return true;
        const int minuteInInterval = clock.Minute % 5;
        if (minuteInInterval < LastMinuteOfInterval ||
            (minuteInInterval == LastMinuteOfInterval && clock.Second < BoundarySecond))
            break;
        // The oldest record is about to go: wait for the next minute and look
        // again. A running clock has left the interval's end after one wait.
        if (waits == MaxClockWaits) {
            dialogue.ShowMessage(MessageKind::Info, ClockStandsLine1(), ClockStandsLine2(clock));
            return false;
        }
        if (!source.WaitSeconds(60 - clock.Second)) return false;
    }

    if (CompareMinutes(start, now.Oldest) < 0) {
        if (!dialogue.AskQuestion(MessageKind::ArchiveDatesQuestion, CorrectPeriodText(), QString())) return false;
        start = now.Oldest.Prefix(FiveMinuteDatePrefix);
        if (CompareMinutes(start, end) > 0) end = start;
    }
    return true;
}

// ---------------------------------------------------------------------------
// The request loop

ArchiveReadResult ReadArchivePeriod(ControllerLink& link, const ArchiveReadRequest& request, ArchiveReadDialogue& dialogue) {
    const ArchiveKind kind = request.kind;
    const ArchiveKindInfo& info = KindInfo(kind);
    const bool fiveMinute = IsFiveMinute(kind);
    ArchiveReadResult result;

    HdmFile file;
    if (!(request.hdmPath.isEmpty() ? file.Create() : file.Create(request.hdmPath))) {
        dialogue.ShowMessage(MessageKind::Info, OpenErrorText(), QString());
        result.fileError = true;
        return result;
    }

    PackedDate start = request.start.Prefix(info.datePrefix);
    const PackedDate end = request.end.Prefix(info.datePrefix);
    ArchiveReading().AbortRequested = false;
    dialogue.ShowStatus(QString());
    result.progressMaximum = ProgressMaximum(kind, start, end);
    {
        ReadingFlag reading;
        dialogue.ReadingStarted(result.progressMaximum);

        PackedDate expected = start;
        bool checking = true;
        bool first = true;
        int requests = 0;  // further requests after the first (5-minute readings)
        bool writeFailed = false;
        for (;;) {
            const QByteArray body = BuildArchiveRequest(kind, start, end);
            if (!link.SendRequest(info.functionCode, reinterpret_cast<const uint8_t*>(body.constData()),
                                  int32_t(body.size()))) {
                result.linkFailed = true;
                result.linkStatusText = link.StatusText();
                const bool nothingRead = fiveMinute ? requests == 0 : result.written == 0;
                if (nothingRead) dialogue.ShowStatus(result.linkStatusText);
                dialogue.ShowMessage(MessageKind::Info, ArchiveFailureLine(kind), nothingRead ? NotReadText() : PartlyReadText());
                break;
            }
            ++result.answers;
            const int n = RecordsInAnswer(link, info.recordSize);
            if (n == 0) break;

            for (int i = 0; i < n; ++i) {
                const uint8_t* record = link.AnswerData() + AnswerRecordsAt + i * info.recordSize;
                const PackedDate date = PackedDate::FromBytes(record);
                dialogue.ProgressStep();
                bool stop = false;
                if (checking && OutsideExpected(kind, date, expected, end)) {
                    result.questionAsked = true;
                    if (dialogue.AskQuestion(MessageKind::Question, MismatchLine1(), MismatchLine2())) {
                        checking = false;
                    } else {
                        // The record that raised the question is kept.
                        ArchiveReading().AbortRequested = true;
                        stop = true;
                    }
                }
                if (!file.Append(record, 1, info.recordSize)) {
                    writeFailed = true;
                    break;
                }
                ++result.written;
                if (stop) break;
                if (fiveMinute) {
                    if (first) {
                        expected = RoundDownToFiveMinutes(date.Prefix(FiveMinuteDatePrefix));
                        first = false;
                    }
                    StepFiveMinutes(expected);
                } else {
                    StepForward(expected, IsDaily(kind) ? UnitDay : UnitHour);
                }
            }
            if (writeFailed) break;

            dialogue.ProcessEvents();
            if (ArchiveReading().AbortRequested || n < info.recordsPerFullAnswer) {
                result.aborted = ArchiveReading().AbortRequested;
                ArchiveReading().AbortRequested = false;
                break;
            }
            if (ComparePeriodDates(kind, expected, end) > 0) break;
            start = expected;
            requests = requests >= 255 ? 1 : requests + 1;
        }

        if (!file.Close()) writeFailed = true;
        if (writeFailed) {
            result.fileError = true;
            dialogue.ShowMessage(MessageKind::Info, OpenErrorText(), QString());
        }
        if (result.fileError)
            result.showData = false;
        else if (fiveMinute)
            result.showData = !(result.linkFailed && requests == 0);
        else
            result.showData = result.written > 0;
    }
    dialogue.ReadingEnded();
    return result;
}

std::optional<RecordStore> TakeReadRecords(const ArchiveReadRequest& request, const ArchiveReadResult& result,
                                           ArchiveReadDialogue& dialogue) {
    if (!result.showData) return std::nullopt;
    FileMessage message;
    std::optional<RecordStore> store = request.hdmPath.isEmpty() ? ReadHdmFile(request.kind, &message)
                                                                  : ReadHdmFile(request.hdmPath, request.kind, &message);
    if (!store) {
        dialogue.ShowMessage(message.kind, message.first, message.second);
        return std::nullopt;
    }
    if (IsFiveMinute(request.kind)) {
        if (store->IsEmpty()) {
            dialogue.ShowMessage(MessageKind::Info, NoDataText(), QString());
            return std::nullopt;
        }
        return store;
    }
    const qsizetype count = std::min<qsizetype>(result.written, store->Count());
    if (count == 0) return std::nullopt;
    if (count < store->Count()) return RecordStore(request.kind, store->Bytes().left(count * store->RecordSize()));
    return store;
}

}  // namespace zmk
