#include "events/EventArchiveReader.h"

#include <algorithm>

#include "common/ArchiveReading.h"
#include "common/CheckedFile.h"
#include "common/FileMessage.h"
#include "common/Folders.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "link/ControllerLink.h"
#include "measurements/ArchiveReader.h"
#include "measurements/MeasurementFile.h"
#include "tables/TableEngine.h"

namespace zmk {

namespace {

constexpr uint8_t IndexFunction = 7;
constexpr uint8_t PeriodFunction = 8;

// Bounds tables: two unsigned 32-bit fields, the oldest and the newest index.
constexpr uint8_t DiagnosticBoundsTable = 10;
constexpr uint8_t InterventionBoundsTable = 11;

// Answer data (AnswerData(), from answer byte 4 on).
// Function 7: bytes 5..9 not examined, byte 10 the count, records from byte 11.
constexpr int IndexCountAt = 6;
constexpr int IndexRecordsAt = 7;
// Function 8: byte 4 the flags, byte 6 the count, byte 7 "more pages
// follow", records from byte 8.
constexpr int PeriodFlagsAt = 0;
constexpr int PeriodCountAt = 2;
constexpr int PeriodMoreAt = 3;
constexpr int PeriodRecordsAt = 4;
constexpr uint8_t ArchiveErrorBit = 0x80;

constexpr int LastPageNumber = 255;

// Records of one answer at most: what a 255-byte frame carries.
int RecordsPerPage(EventKind kind) { return kind == EventKind::Diagnostics ? 11 : 10; }

TempFile WorkingFile(EventKind kind) { return kind == EventKind::Diagnostics ? TempFile::Ala : TempFile::Aud; }

uint32_t LittleEndian32(const uint8_t* b) {
    return uint32_t(b[0]) | uint32_t(b[1]) << 8 | uint32_t(b[2]) << 16 | uint32_t(b[3]) << 24;
}

// The count byte of an answer, checked against what the page can hold and
// what the frame carries; -1 when the answer does not fit its count.
int RecordsInAnswer(const ControllerLink& link, EventKind kind, int countAt, int recordsAt) {
    const int length = link.AnswerDataLength();
    if (length <= countAt) return -1;
    const int n = link.AnswerData()[countAt];
    if (n > RecordsPerPage(kind)) return -1;
    if (n > 0 && length < recordsAt + n * EventRecordSize(kind)) return -1;
    return n;
}

// The status text of an answer whose records do not fit its count.
QString MalformedAnswerText(uint8_t function) {
    return QStringLiteral("Команда %1.  Число записей в ответе не соответствует его длине").arg(function);
}

// Clears the reading flag however the loop is left.
class ReadingFlag {
public:
    ReadingFlag() { ArchiveReading().InProgress = true; }
    ~ReadingFlag() { ArchiveReading().InProgress = false; }
    ReadingFlag(const ReadingFlag&) = delete;
    ReadingFlag& operator=(const ReadingFlag&) = delete;
};

QString WorkingPath(const EventReadRequest& request) {
    return request.workingPath.isEmpty() ? TempFilePath(WorkingFile(request.kind)) : request.workingPath;
}

PackedDate Now() { return FromDateTime(CurrentDateTimeValue()); }

// Whole hours from the start of a period to a record's time, within 0..maximum.
int HoursInto(const PackedDate& start, const PackedDate& date, int maximum) {
    uint8_t a[4], b[4];
    start.ToBytes(a, 4);
    date.ToBytes(b, 4);
    return std::clamp(HoursBetween(a, b), 0, std::max(maximum, 0));
}

// What the two loops share: the working file, the flags and the end of the
// reading with the records read back.
class Reading {
public:
    Reading(const EventReadRequest& request, EventReadDialogue& dialogue)
        : request_(request), dialogue_(dialogue), file_(WorkingPath(request)) {}

    // Creates the working file; false after telling the user.
    bool Open() {
        if (file_.Open()) return true;
        dialogue_.ShowMessage(MessageKind::Info, OpenErrorText(), QString());
        result_.fileError = true;
        return false;
    }

    // A failed request (or an answer that does not fit its count).
    void Failed(const QString& statusText, MessageKind notReadKind) {
        result_.linkFailed = true;
        result_.linkStatusText = statusText;
        dialogue_.ShowStatus(statusText);
        if (anyRead_)
            dialogue_.ShowMessage(MessageKind::Info, EventArchiveTitle(request_.kind), PartlyReadText());
        else
            dialogue_.ShowMessage(notReadKind, EventArchiveTitle(request_.kind), NotReadText());
    }

    // Appends n records; false (the loop ends) when the file refused them.
    bool Store(const uint8_t* records, int n) {
        anyRead_ = true;
        total_ += uint32_t(n);
        if (!file_.Write(records, qint64(n) * EventRecordSize(request_.kind))) {
            writeFailed_ = true;
            return false;
        }
        return true;
    }

    // Lets the window run; true when Esc asked the reading to stop (the
    // request is cleared).
    bool StopRequested() {
        dialogue_.ProcessEvents();
        if (!ArchiveReading().AbortRequested) return false;
        ArchiveReading().AbortRequested = false;
        result_.aborted = true;
        return true;
    }

    bool AnyRead() const { return anyRead_; }
    uint32_t Total() const { return total_; }
    EventReadResult& Result() { return result_; }

    // After the loop (the reading flag already cleared): the file closed,
    // the panel cleared, the wait window gone; then the records read back.
    // False when there is nothing to show.
    bool Finish() {
        const bool committed = file_.Commit();
        dialogue_.ShowStatus(QString());
        dialogue_.ReadingEnded();
        if (!anyRead_ || total_ == 0) return false;
        if (writeFailed_ || !committed) {
            result_.fileError = true;
            dialogue_.ShowMessage(MessageKind::Info, OpenErrorText(), QString());
            return false;
        }
        const QString path = file_.Path();
        bool read = false;
        if (request_.kind == EventKind::Diagnostics) {
            if (auto records = ReadDiagnosticRecords(path)) {
                read = true;
                if (records->size() > total_) records->resize(total_);
                result_.diagnostics = std::move(*records);
            }
        } else if (auto records = ReadInterventionRecords(path)) {
            read = true;
            if (records->size() > total_) records->resize(total_);
            result_.interventions = std::move(*records);
        }
        if (!read) {
            result_.fileError = true;
            dialogue_.ShowMessage(MessageKind::Info, OpenErrorText(), QString());
            return false;
        }
        return result_.HasRecords();
    }

    uint32_t RecordsRead() const {
        return uint32_t(request_.kind == EventKind::Diagnostics ? result_.diagnostics.size()
                                                                : result_.interventions.size());
    }
    PackedDate FirstTime() const {
        return request_.kind == EventKind::Diagnostics ? result_.diagnostics.front().Time()
                                                       : result_.interventions.front().Time();
    }
    PackedDate LastTime() const {
        return request_.kind == EventKind::Diagnostics ? result_.diagnostics.back().Time()
                                                       : result_.interventions.back().Time();
    }

    void BuildHeader(const PackedDate& first, const PackedDate& last) {
        result_.header = BuildEventFileHeader(request_.kind, request_.headerValues, request_.address, Now(), first,
                                              last, RecordsRead());
    }

private:
    const EventReadRequest& request_;
    EventReadDialogue& dialogue_;
    CheckedFile file_;
    EventReadResult result_;
    bool anyRead_ = false;
    bool writeFailed_ = false;
    uint32_t total_ = 0;
};

}  // namespace

std::optional<EventArchiveBounds> ReadEventArchiveBounds(TableEngine& engine, StatusBarPanel* status,
                                                         EventKind kind) {
    const uint8_t table = kind == EventKind::Diagnostics ? DiagnosticBoundsTable : InterventionBoundsTable;
    if (!engine.ReadTable({table, 0, 2}, status)) return std::nullopt;
    ConfigImage& image = engine.Image();
    EventArchiveBounds bounds;
    bounds.oldest = LittleEndian32(image.Field(table, 0));
    bounds.newest = LittleEndian32(image.Field(table, 1));
    return bounds;
}

QString EventArchiveTitle(EventKind kind) {
    return kind == EventKind::Diagnostics ? QStringLiteral("Диагностические сообщения")
                                          : QStringLiteral("Сообщения о вмешательствах оператора");
}

EventReadResult ReadEventsByIndex(ControllerLink& link, const EventReadRequest& request, uint32_t first,
                                  uint32_t count, EventReadDialogue& dialogue) {
    Reading reading(request, dialogue);
    if (!reading.Open()) return reading.Result();
    EventReadResult& result = reading.Result();

    ArchiveReading().AbortRequested = false;
    {
        ReadingFlag flag;
        dialogue.ReadingStarted(int(std::min<uint32_t>(count, uint32_t(INT32_MAX))));
        uint32_t remaining = count;
        uint32_t index = first;
        while (remaining > 0) {
            const uint8_t asked = uint8_t(std::min<uint32_t>(remaining, uint32_t(RecordsPerPage(request.kind))));
            const uint8_t body[7] = {0,
                                     uint8_t(request.kind),
                                     uint8_t(index),
                                     uint8_t(index >> 8),
                                     uint8_t(index >> 16),
                                     uint8_t(index >> 24),
                                     asked};
            if (!link.SendRequest(IndexFunction, body, int32_t(sizeof body))) {
                reading.Failed(link.StatusText(), MessageKind::Info);
                break;
            }
            ++result.requests;
            const int n = RecordsInAnswer(link, request.kind, IndexCountAt, IndexRecordsAt);
            if (n < 0) {
                reading.Failed(MalformedAnswerText(IndexFunction), MessageKind::Info);
                break;
            }
            dialogue.Progress(int(std::min<uint32_t>(reading.Total() + uint32_t(n), uint32_t(INT32_MAX))));
            if (n == 0) {
                if (!reading.AnyRead())
                    dialogue.ShowMessage(MessageKind::Info, QStringLiteral("Нет сообщений с заданными индексами"),
                                         QString());
                break;
            }
            if (!reading.Store(link.AnswerData() + IndexRecordsAt, n)) break;
            if (reading.StopRequested()) break;
            if (uint32_t(n) >= remaining) break;
            remaining -= uint32_t(n);
            index += uint32_t(n);
        }
    }
    if (reading.Finish()) reading.BuildHeader(reading.FirstTime(), reading.LastTime());
    return result;
}

EventReadResult ReadEventsByPeriod(ControllerLink& link, const EventReadRequest& request,
                                   const EventPeriod& period, EventReadDialogue& dialogue) {
    Reading reading(request, dialogue);
    if (!reading.Open()) return reading.Result();
    EventReadResult& result = reading.Result();

    // "не прочитаны" is an exchange result for the diagnostics, a notice for
    // the interventions.
    const MessageKind notReadKind =
        request.kind == EventKind::Diagnostics ? MessageKind::ExchangeResult : MessageKind::Info;
    uint8_t startBytes[4], endBytes[4];
    period.start.ToBytes(startBytes, 4);
    period.end.ToBytes(endBytes, 4);
    const int hours = std::max(HoursBetween(startBytes, endBytes), 0);

    ArchiveReading().AbortRequested = false;
    {
        ReadingFlag flag;
        dialogue.ReadingStarted(hours);
        uint8_t page = 0;
        for (;;) {
            uint8_t body[15] = {0, uint8_t(request.kind), page};
            period.start.ToBytes(body + 3, PackedDate::Size);
            period.end.ToBytes(body + 9, PackedDate::Size);
            if (!link.SendRequest(PeriodFunction, body, int32_t(sizeof body))) {
                reading.Failed(link.StatusText(), notReadKind);
                break;
            }
            ++result.requests;
            const int n = RecordsInAnswer(link, request.kind, PeriodCountAt, PeriodRecordsAt);
            // A count without the "more pages" byte is as malformed as a short page.
            if (n < 0 || link.AnswerDataLength() <= PeriodMoreAt) {
                reading.Failed(MalformedAnswerText(PeriodFunction), notReadKind);
                break;
            }
            const uint8_t* data = link.AnswerData();
            if (n == 0) {
                if (!reading.AnyRead())
                    dialogue.ShowMessage(MessageKind::Info, NoDataText(), QString());
                break;
            }
            if (data[PeriodFlagsAt] & ArchiveErrorBit) result.archiveError = true;
            const uint8_t* records = data + PeriodRecordsAt;
            const PackedDate last = PackedDate::FromBytes(records + (n - 1) * EventRecordSize(request.kind));
            dialogue.Progress(HoursInto(period.start, last, hours));
            if (!reading.Store(records, n)) break;
            if (reading.StopRequested()) break;
            if (data[PeriodMoreAt] == 0) break;
            page = page == LastPageNumber ? 1 : uint8_t(page + 1);
        }
    }
    const bool show = reading.Finish();
    if (result.archiveError && reading.AnyRead() && !result.fileError) {
        dialogue.ShowMessage(MessageKind::Info, QStringLiteral("Обнаружена ошибка"),
                             request.kind == EventKind::Interventions
                                 ? QStringLiteral("в архиве сообщений о вмешательствах")
                                 : QStringLiteral("в архиве диагностических сообщений"));
    }
    if (show) reading.BuildHeader(period.start, period.end);
    return result;
}

}  // namespace zmk
