#include "events/ui/EventQueryCommands.h"

#include <QApplication>
#include <memory>

#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/ProgramClosing.h"
#include "common/ui/WaitWindow.h"
#include "events/EventArchiveReader.h"
#include "events/InterventionDecoder.h"
#include "events/ui/EventIndexDialog.h"
#include "events/ui/EventPeriodDialog.h"
#include "events/ui/EventViewer.h"
#include "link/ControllerLink.h"
#include "measurements/MeasurementFile.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"

namespace zmk {

namespace {

constexpr uint8_t ClockTable = 2;
constexpr uint8_t ClockFieldCount = 8;
constexpr int IdentTable = 0;
constexpr int IdentCodePage = 12;  // 0 = the controller keeps its texts in the DOS code page

// A reading as the main window shows it: the shared messages, the status
// panel, the wait window in its reading mode with the progress (the main
// window disabled meanwhile) and the busy cursor.
class WindowEventDialogue : public EventReadDialogue {
public:
    explicit WindowEventDialogue(CommandHost& host) : host_(host) {}
    ~WindowEventDialogue() override { ReadingEnded(); }

    void ShowMessage(MessageKind kind, const QString& line1, const QString& line2) override {
        zmk::ShowMessage(kind, line1, line2);
    }
    void ShowStatus(const QString& text) override {
        StatusBarPanel* panel = host_.MessagePanel();
        if (panel == nullptr) return;
        panel->setText(text);
        if (!text.isEmpty()) host_.StartMessageTimer();
    }
    void ReadingStarted(int maximum) override {
        if (!busy_) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            busy_ = true;
        }
        wait_ = std::make_unique<WaitSession>(host_.Window(), WaitWindow::ModeReadData, std::max(1, maximum));
    }
    void Progress(int position) override {
        if (wait_) wait_->SetPosition(position);
    }
    void ProcessEvents() override { QCoreApplication::processEvents(QEventLoop::AllEvents); }
    // The wait window closes, the main window is enabled and brought to the front.
    void ReadingEnded() override {
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

EventReadRequest RequestFor(CommandHost& host, EventKind kind) {
    TableEngine& tables = host.Tables();
    EventReadRequest request;
    request.kind = kind;
    request.headerValues = HeaderValuesFromImage(tables.Image());
    request.address = tables.Link().Address;
    return request;
}

ControllerTextCodePage NameCodePage(TableEngine& tables) {
    return *tables.Image().Field(IdentTable, IdentCodePage) == 0 ? ControllerTextCodePage::Dos
                                                                 : ControllerTextCodePage::Windows1251;
}

// The viewer of the kind on what was read, modally.
void ShowRead(CommandHost& host, EventKind kind, const EventReadResult& result, EventViewMode mode,
              uint32_t firstIndex) {
    // A window closed during the reading opens no viewer.
    if (!result.HasRecords() || ProgramClosing()) return;
    std::unique_ptr<EventViewer> viewer =
        kind == EventKind::Diagnostics
            ? EventViewer::ForDiagnostics(result.header, result.diagnostics, mode, firstIndex, host.Window())
            : EventViewer::ForInterventions(result.header, result.interventions, mode, firstIndex,
                                            NameCodePage(host.Tables()), host.Window());
    viewer->exec();
}

}  // namespace

void QueryEventsByIndex(CommandHost& host, EventKind kind) {
    std::optional<EventArchiveBounds> bounds;
    {
        BusyCursor busy;
        bounds = ReadEventArchiveBounds(host.Tables(), host.MessagePanel(), kind);
    }
    if (!bounds) return;  // the table engine has told the user
    if (bounds->Empty()) {
        ShowMessage(MessageKind::Info, QStringLiteral("В архиве нет ни одной записи"), QString());
        return;
    }
    EventIndexDialog dialog(kind, *bounds, host.Window());
    if (dialog.exec() != QDialog::Accepted) return;
    const EventIndexRange range = dialog.Range();

    EventReadResult result;
    {
        WindowEventDialogue dialogue(host);
        result = ReadEventsByIndex(host.Tables().Link(), RequestFor(host, kind), range.first, range.count, dialogue);
    }
    ShowRead(host, kind, result, EventViewMode::ByIndex, range.first);
}

void QueryEventsByPeriod(CommandHost& host, EventKind kind) {
    if (!host.Tables().ReadTable({ClockTable, 0, ClockFieldCount}, host.MessagePanel())) return;
    EventPeriodDialog dialog(FromDateTime(CurrentDateTimeValue()), host.Window());
    if (dialog.exec() != QDialog::Accepted) return;

    EventReadResult result;
    {
        WindowEventDialogue dialogue(host);
        result = ReadEventsByPeriod(host.Tables().Link(), RequestFor(host, kind), dialog.Period(), dialogue);
    }
    ShowRead(host, kind, result, EventViewMode::ByPeriod, 0);
}

}  // namespace zmk
