#pragma once

// Reading a period of one measurement archive (chromatograph or moisture
// meter; 5-minute, hourly or daily) into "datafile.hdm": the request loop
// with its date checks, progress and abort, the check of a 5-minute start
// against the moving oldest record, and the reading back of the file. The
// engine never shows a window: it asks and tells through ArchiveReadDialogue,
// which the window layer implements with the shared message dialog and the
// wait window, and the command-line companion without asking.

#include <QString>
#include <cstdint>
#include <optional>

#include "common/PackedDate.h"
#include "measurements/MeasurementFile.h"
#include "measurements/Records.h"
#include "measurements/ArchiveBounds.h"
#include "common/ArchiveReading.h"
#include "link/LinkWaiter.h"

namespace zmk {

class ControllerLink;
class StatusBarPanel;
class TableEngine;

// Questions, messages, progress and the status text of a reading.
class ArchiveReadDialogue : public ArchiveMessages {
public:
    // A yes/no question of kind Question or ArchiveDatesQuestion; true for "Да".
    virtual bool AskQuestion(MessageKind kind, const QString& line1, const QString& line2) = 0;
    // Text of status-bar panel 2 of the main window; empty clears it.
    virtual void ShowStatus(const QString& text) { (void)text; }
    // The request loop begins; the progress runs from 0 to `maximum`.
    virtual void ReadingStarted(int maximum) { (void)maximum; }
    // One record stored.
    virtual void ProgressStep() {}
    // Runs once after each answer's records are stored: pending user-interface
    // events (so that Esc can ask the reading to stop).
    virtual void ProcessEvents() {}
    // The request loop is over (no longer in progress, file closed).
    virtual void ReadingEnded() {}
};

// The controller clock as CheckStartAgainstOldest needs it, and its waiting
// step; replaceable so that tests run on a clock of their own.
class ControllerClockSource {
public:
    virtual ~ControllerClockSource() = default;
    // Table 2 fields 0..7; false when the read failed (the table engine has
    // already told the user).
    virtual bool ReadClock(PackedDate& clock) = 0;
    // False when the user stopped the wait with Esc.
    virtual bool WaitSeconds(int seconds) = 0;
};

// The clock read through the table engine. The wait holds no processor busy
// and ends early when Esc asks the reading to stop (ArchiveReading()): with
// a waiter (the window's, which Esc wakes) the window's events run inside
// it; without one it sleeps in short steps between looks at the request.
class TableClockSource : public ControllerClockSource {
public:
    TableClockSource(TableEngine& engine, StatusBarPanel* status, LinkWaiter* waiter = nullptr);
    bool ReadClock(PackedDate& clock) override;
    bool WaitSeconds(int seconds) override;

private:
    TableEngine& engine_;
    StatusBarPanel* status_;
    LinkWaiter* waiter_;
};

// The minute rounded down to a multiple of 5.
PackedDate RoundDownToFiveMinutes(const PackedDate& date);

// The start of a 5-minute reading against the archive's oldest record, which
// moves forward while the user chooses and while the reading runs: may wait
// for the controller clock to pass a 5-minute boundary, may tell that the
// period is gone (kind 9) or ask whether to move the start to the new oldest
// record (kind 10; "Да" moves it, and the end with it when it would be before
// the start). `bounds` is the reading of ReadArchiveBounds(5-minute). The
// waits are bounded: a clock that has not left the end of its 5-minute
// interval after MaxClockWaits waits does not run (kind 6, ClockStandsLine1 /
// ClockStandsLine2), and Esc during a wait ends the check without a message.
// False ends the command.
inline constexpr int MaxClockWaits = 3;
bool CheckStartAgainstOldest(const ArchiveBoundsReading& bounds, PackedDate& start, PackedDate& end,
                             ControllerClockSource& clock, ArchiveReadDialogue& dialogue);

// One reading: the archive, the requested period (at the kind's precision:
// 5-minute periods already rounded to 5 minutes and checked) and the file.
struct ArchiveReadRequest {
    ArchiveKind kind = ArchiveKind::ChromHour;
    PackedDate start;
    PackedDate end;
    QString hdmPath;  // empty: "datafile.hdm" in the base folder
};

struct ArchiveReadResult {
    bool fileError = false;   // "datafile.hdm" could not be created or written (told)
    bool linkFailed = false;  // a request failed (told); linkStatusText holds why
    bool aborted = false;     // Esc, or "Нет" to the mismatch question
    bool showData = false;    // the records read are to be shown
    bool questionAsked = false;  // the mismatch question came up (at most once)
    uint32_t written = 0;     // records stored in the file
    int answers = 0;          // answered requests
    int progressMaximum = 0;
    QString linkStatusText;
};

// The first line of the failure messages of an archive
// ("Часовые данные хроматографа из архива", ...).
QString ArchiveFailureLine(ArchiveKind kind);
QString NotReadText();           // "не прочитаны"
QString PartlyReadText();        // "прочитаны не полностью"
// The mismatch question, kind 3.
QString MismatchLine1();         // "Передаваемые контроллером данные не соответствуют"
QString MismatchLine2();         // "запрошенному периоду.    Продолжить чтение?"
QString PeriodGoneText();        // "В архиве уже нет данных за указанный период"
QString CorrectPeriodText();     // "Корректировать заданный период чтения данных?"
// A controller whose chromatograph is not of the type the program serves
// (table 14 field 6): the files read from it cannot be opened again. Asked
// before a reading (kind 3); true to go on. A served type goes on at once.
bool ConfirmChromatographType(uint8_t type, ArchiveReadDialogue& dialogue);
QString ForeignChromatographLine1(uint8_t type);  // "Тип хроматографа контроллера (%1) программой не обслуживается:"
QString ForeignChromatographLine2();              // "файл данных нельзя будет открыть. Продолжить чтение?"

// The controller's clock did not move over the waits of the start check.
QString ClockStandsLine1();      // "Часы контроллера не идут"
QString ClockStandsLine2(const PackedDate& clock);  // "(время контроллера dd.mm.yy hh:mm:ss)"

// The request loop: creates the file, sends the archive requests from the
// start on, stores every record as received and stops at a short answer,
// the end of the period, Esc (ArchiveReading().AbortRequested, polled after each
// answer), a refused mismatch question or a failed request. Sets
// ArchiveReading().InProgress for the duration of the loop.
ArchiveReadResult ReadArchivePeriod(ControllerLink& link, const ArchiveReadRequest& request,
                                    ArchiveReadDialogue& dialogue);

// The records of a reading that is to be shown, read back from its file:
// 5-minute readings count the records the file holds (none: kind 6, "Нет
// данных за указанный период"), hourly and daily readings the records
// written. nullopt after telling the user (a file that cannot be opened: kind
// 6, "Ошибка открытия файла"), and for a reading with nothing to show.
std::optional<RecordStore> TakeReadRecords(const ArchiveReadRequest& request, const ArchiveReadResult& result,
                                           ArchiveReadDialogue& dialogue);

}  // namespace zmk
