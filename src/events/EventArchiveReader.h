#pragma once

// Reading one of the controller's event archives (diagnostic messages or
// operator interventions) into its working file ("datafile.ala" /
// "datafile.aud"): by a range of running indexes (function 7, pages of 11 or
// 10 records) or by a date-time period (function 8, numbered pages), with
// progress and Esc, then the records read back and the header built. The
// choices of the two selection dialogs are computed here too, so that the
// dialogs and the command-line companion agree. The engine never shows a
// window: it tells through EventReadDialogue.

#include <QString>
#include <cstdint>
#include <optional>
#include <vector>

#include "common/ArchiveReading.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "events/EventFile.h"
#include "events/EventRecords.h"

namespace zmk {

class ControllerLink;
class StatusBarPanel;
class TableEngine;

// ---------------------------------------------------------------------------
// Bounds and the index choice

// Table 10 (diagnostics) or 11 (interventions): two unsigned 32-bit indexes.
struct EventArchiveBounds {
    uint32_t oldest = 0;
    uint32_t newest = 0;
    // Equal and non-zero: the controller reports an empty archive.
    bool Empty() const { return oldest == newest && oldest != 0; }
    // newest - oldest + 1 in unsigned 32-bit arithmetic.
    uint32_t Span() const { return newest - oldest + 1; }
};

// Reads the bounds table of `kind` through the engine (failures reported by
// the engine). nullopt when the read failed.
std::optional<EventArchiveBounds> ReadEventArchiveBounds(TableEngine& engine, StatusBarPanel* status,
                                                         EventKind kind);

// Items of the index dialog's choice group, in their order; the value is
// the remembered index choice (second field of rd_arh.ini).
enum class EventIndexChoice : int {
    All = 0,       // "Весь диапазон данных"
    Last100 = 1,   // "Последние 100 записей"
    Last50 = 2,    // "Последние 50 записей"
    Last10 = 3,    // "Последние 10 записей"
    Custom = 4,    // "Заданный диапазон данных"
};

struct EventIndexRange {
    uint32_t first = 0;
    uint32_t count = 0;
};

// The start and count an item fills in; nullopt for Custom (fields emptied).
std::optional<EventIndexRange> RangeForChoice(EventIndexChoice choice, const EventArchiveBounds& bounds);
// The last `n` records (n >= 1), as the "Последние N" items compute them.
EventIndexRange LastRecords(const EventArchiveBounds& bounds, uint32_t n);

// The checks of "Принять" in their order on the typed texts (digits only, as
// the key filter lets through; empty = not typed). On success the accepted
// range, the count silently reduced to what is left up to the newest record.
struct EventIndexCheck {
    std::optional<EventIndexRange> range;
    QString line1;  // the input-error message when range is empty
    QString line2;
};
EventIndexCheck CheckIndexInput(const QString& startText, const QString& countText,
                                const EventArchiveBounds& bounds);

// ---------------------------------------------------------------------------
// The period choice

enum class EventPeriodChoice : int {
    LastHour = 0,  // "За последний час"
    LastDay = 1,   // "За последние сутки"
    Custom = 2,    // "Заданный период"
};

struct EventPeriod {
    PackedDate start;
    PackedDate end;
};

// The start and end an item fills in for the PC time `now`; Custom gives the
// remembered custom period as it is.
EventPeriod PeriodForChoice(EventPeriodChoice choice, const PackedDate& now, const EventPeriod& custom);

// The checks of "Принять": hour, minutes and seconds of the start, then of
// the end (as typed, any number), then end before start. On failure the
// input-error lines; on success the period (seconds included).
struct EventPeriodInput {
    PackedDate startDate;  // only year, month, day are used
    int startHour = 0, startMinute = 0, startSecond = 0;
    PackedDate endDate;
    int endHour = 0, endMinute = 0, endSecond = 0;
};
struct EventPeriodCheck {
    std::optional<EventPeriod> period;
    QString line1;
    QString line2;
};
EventPeriodCheck CheckPeriodInput(const EventPeriodInput& input);

// ---------------------------------------------------------------------------
// The reading loops

// "Диагностические сообщения" / "Сообщения о вмешательствах оператора".
QString EventArchiveTitle(EventKind kind);

// Messages, progress and status text of a reading (the window's wait window
// and message dialog; the command-line companion prints).
class EventReadDialogue {
public:
    virtual ~EventReadDialogue() = default;
    virtual void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) = 0;
    // Text of the status bar's message panel; empty clears it.
    virtual void ShowStatus(const QString& text) { (void)text; }
    // The loop begins; progress runs from 0 to `maximum`.
    virtual void ReadingStarted(int maximum) { (void)maximum; }
    virtual void Progress(int position) { (void)position; }
    // After each answer's records are stored: pending user-interface events
    // (so that Esc can set ArchiveReading().AbortRequested).
    virtual void ProcessEvents() {}
    // The loop is over (no longer in progress, file closed).
    virtual void ReadingEnded() {}
};

struct EventReadResult {
    bool fileError = false;    // the working file could not be created or read back (told)
    // A request failed, or its answer announced more records than a page
    // holds or than it carries (told as a failed request); linkStatusText
    // holds why.
    bool linkFailed = false;
    bool aborted = false;      // Esc
    bool archiveError = false; // a period page carried the archive-error bit (told after the loop)
    int requests = 0;          // answered requests
    QString linkStatusText;
    // The records read back from the working file, oldest first; empty when
    // nothing is to be shown. Only the vector of the reading's kind is used.
    std::vector<DiagnosticRecord> diagnostics;
    std::vector<InterventionRecord> interventions;
    // Header of the reading (signature, the two range fields, the count);
    // name, address and analyser types from `headerValues`.
    EventFileHeader header;
    bool HasRecords() const { return !diagnostics.empty() || !interventions.empty(); }
};

struct EventReadRequest {
    EventKind kind = EventKind::Diagnostics;
    QString workingPath;  // empty: "datafile.ala" / "datafile.aud" in the program folder
    HeaderTableValues headerValues;
    uint8_t address = 0;
};

// By index: pages of at most 11 (diagnostics) or 10 (interventions) records
// from `first` on until `count` records came, a short or empty answer, Esc or
// a failure; all the messages of the reading.
EventReadResult ReadEventsByIndex(ControllerLink& link, const EventReadRequest& request, uint32_t first,
                                  uint32_t count, EventReadDialogue& dialogue);
// By period: pages 0, 1 .. 255, 1 .. until the controller says no more
// follow, an empty page, Esc or a failure; the archive-error message after
// the loop.
EventReadResult ReadEventsByPeriod(ControllerLink& link, const EventReadRequest& request,
                                   const EventPeriod& period, EventReadDialogue& dialogue);

}  // namespace zmk
