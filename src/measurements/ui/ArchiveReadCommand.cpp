#include "measurements/ui/ArchiveReadCommand.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/ui/MainWindow.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "measurements/ui/ArchivePeriodDialog.h"
#include "measurements/ui/ViewerCommands.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"
#include "app/ConnectionState.h"

namespace zmk {

namespace {

constexpr int MessagePanel = 2;         // StatusBar1 panel of the command texts
constexpr int ClockTable = 2;           // the controller clock as last read
constexpr uint8_t LinkStateTable = 33;  // links with the analysers
constexpr uint8_t MoistureLinkField = 1;
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
    explicit WindowReadDialogue(MainWindow& main) : main_(main) {}
    ~WindowReadDialogue() override { CloseWait(false); }

    void ShowStatus(const QString& text) override {
        main_.StatusBar1->SetPanelText(MessagePanel, text);
        if (QLabel* label = main_.StatusBar1->PanelLabel(MessagePanel)) label->repaint();
    }
    void ReadingStarted(int maximum) override {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        busy_ = true;
        wait_ = std::make_unique<WaitSession>(&main_, WaitWindow::ModeReadData, maximum);
    }
    void ProgressStep() override {
        if (wait_) wait_->Step();
    }
    void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
    void ReadingEnded() override { main_.TimerMessage->start(); }

    // Closes the wait window; with `full` the progress is shown complete for a moment first.
    void CloseWait(bool full) {
        if (wait_ && full) {
            wait_->SetPosition(wait_->Form()->ProgressBar1->maximum());
            PaintFor(ShowFullProgressMs);
        }
        wait_.reset();
        if (busy_) {
            QApplication::restoreOverrideCursor();
            busy_ = false;
        }
    }

private:
    MainWindow& main_;
    std::unique_ptr<WaitSession> wait_;
    bool busy_ = false;
};

}  // namespace

void MessageBoxReadDialogue::ShowMessage(int32_t kind, const QString& line1, const QString& line2) {
    Shared().MessageKind = kind;
    ShowMessageBox(line1, line2);
}

bool MessageBoxReadDialogue::AskQuestion(int32_t kind, const QString& line1, const QString& line2) {
    Shared().MessageKind = kind;
    ShowMessageBox(line1, line2);
    return Shared().QuestionAnswer;
}

void ReadMeasurementArchive(MainWindow& main, ArchiveKind kind) {
    const ArchiveKindInfo& info = KindInfo(kind);
    StatusBarPanel* panel = main.StatusBar1->Panel(MessagePanel);
    WindowReadDialogue dialogue(main);

    ArchiveBoundsReading bounds;
    if (!ReadArchiveBounds(main.Tables(), panel, info.archiveUnit, dialogue, bounds)) return;

    const PackedDate clock = PackedDate::FromBytes(main.Image().Table(ClockTable));
    ArchivePeriodDialog period(info.archiveUnit, bounds.Bounds, clock, &main);
    if (period.exec() != QDialog::Accepted) return;

    ArchiveReadRequest request;
    request.kind = kind;
    request.start = period.Start;
    request.end = period.End;
    if (IsFiveMinute(kind)) {
        request.start = RoundDownToFiveMinutes(request.start);
        request.end = RoundDownToFiveMinutes(request.end);
        TableClockSource source(main.Tables(), panel, [] { QCoreApplication::processEvents(); });
        if (!CheckStartAgainstOldest(bounds, request.start, request.end, source, dialogue)) return;
    }

    const ArchiveReadResult result = ReadArchivePeriod(main.Link(), request, dialogue);
    dialogue.CloseWait(result.showData);
    if (!result.showData) return;

    std::optional<RecordStore> records = TakeReadRecords(request, result, dialogue);
    if (!records) return;
    const MeasurementFileHeader header =
        BuildMeasurementFileHeader(kind, HeaderValuesFromImage(main.Image()), main.Link().Address,
                                   FromDateTime(CurrentDateTimeValue()), request.start, request.end,
                                   uint32_t(records->Count()));
    OpenMeasurementViewer(header, std::move(*records), &main);
}

bool CheckMoistureMeterLink(MainWindow& main) {
    if (!main.Tables().ReadTable({LinkStateTable, MoistureLinkField, 1}, main.StatusBar1->Panel(MessagePanel)))
        return false;
    if (*main.Image().Field(LinkStateTable, MoistureLinkField) != 0) return true;
    Shared().MessageKind = MsgInfo;
    ShowMessageBox(QStringLiteral("Нет связи с влагомером"), QStringLiteral("(см. текущее состояние контроллера)"));
    return false;
}

}  // namespace zmk
