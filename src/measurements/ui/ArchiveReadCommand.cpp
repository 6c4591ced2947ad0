#include "measurements/ui/ArchiveReadCommand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <memory>

#include "common/StatusBarPanel.h"
#include "link/ControllerLink.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/ProgramClosing.h"
#include "common/ui/WaitWindow.h"
#include "measurements/ui/ArchivePeriodDialog.h"
#include "measurements/ui/ViewerCommands.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

constexpr int ClockTable = 2;           // the controller clock as last read
constexpr int ShowFullProgressMs = 500; // the full progress bar stays this long

// Lets the window system paint for a while without taking user input.
void PaintFor(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
        QThread::msleep(10);
    }
}

// A reading as the main window shows it: the status panel, the wait window
// with its progress (the main window disabled meanwhile) and the busy cursor.
class WindowReadDialogue : public MessageBoxReadDialogue {
public:
    explicit WindowReadDialogue(CommandHost& host) : host_(host) {}
    ~WindowReadDialogue() override { CloseWait(false); }

    void ShowStatus(const QString& text) override {
        StatusBarPanel* panel = host_.MessagePanel();
        panel->setText(text);
        panel->repaint();
    }
    void ReadingStarted(int maximum) override {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
        wait_ = std::make_unique<WaitSession>(host_.Window(), WaitWindow::ModeReadData, maximum);
    }
    void ProgressStep() override {
        if (wait_) wait_->Step();
    }
    void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
    void ReadingEnded() override { host_.StartMessageTimer(); }

    // Closes the wait window; with `full` the progress is shown complete for a moment first.
    void CloseWait(bool full) {
        if (wait_ && full) {
            wait_->Complete();
            PaintFor(ShowFullProgressMs);
        }
        wait_.reset();
        if (busy_) {
            QApplication::restoreOverrideCursor();
            busy_ = false;
        }
    }

private:
    CommandHost& host_;
    std::unique_ptr<WaitSession> wait_;
    bool busy_ = false;
};

}  // namespace

void MessageBoxReadDialogue::ShowMessage(MessageKind kind, const QString& line1, const QString& line2) {
    zmk::ShowMessage(kind, line1, line2);
}

bool MessageBoxReadDialogue::AskQuestion(MessageKind kind, const QString& line1, const QString& line2) {
    return Ask(kind, line1, line2);
}

void ReadMeasurementArchive(CommandHost& host, ArchiveKind kind) {
    const ArchiveKindInfo& info = KindInfo(kind);
    StatusBarPanel* panel = host.MessagePanel();
    TableEngine& tables = host.Tables();
    WindowReadDialogue dialogue(host);

    // Table 14 was read with the basic tables of the connection.
    if (!ConfirmChromatographType(HeaderValuesFromImage(tables.Image()).chromatographType, dialogue)) return;

    ArchiveBoundsReading bounds;
    if (!ReadArchiveBounds(tables, panel, info.archiveUnit, dialogue, bounds)) return;

    const PackedDate clock = PackedDate::FromBytes(tables.Image().Table(ClockTable));
    ArchivePeriodDialog period(info.archiveUnit, bounds.Bounds, clock, host.Window());
    if (period.exec() != QDialog::Accepted) return;

    ArchiveReadRequest request;
    request.kind = kind;
    request.start = period.Start();
    request.end = period.End();
    if (IsFiveMinute(kind)) {
        request.start = RoundDownToFiveMinutes(request.start);
        request.end = RoundDownToFiveMinutes(request.end);
        TableClockSource source(tables, panel, tables.Link().Waiter());
        if (!CheckStartAgainstOldest(bounds, request.start, request.end, source, dialogue)) return;
        if (ProgramClosing()) return;
    }

    const ArchiveReadResult result = ReadArchivePeriod(tables.Link(), request, dialogue);
    // A window closed during the reading ends the command here, quietly:
    // the file is not read back and no viewer opens.
    const bool show = result.showData && !ProgramClosing();
    dialogue.CloseWait(show);
    if (!show) return;

    std::optional<RecordStore> records = TakeReadRecords(request, result, dialogue);
    if (!records) return;
    const MeasurementFileHeader header =
        BuildMeasurementFileHeader(kind, HeaderValuesFromImage(tables.Image()), tables.Link().Address,
                                   FromDateTime(CurrentDateTimeValue()), request.start, request.end,
                                   uint32_t(records->Count()));
    OpenMeasurementViewer(header, std::move(*records), host.Window());
}

}  // namespace zmk
