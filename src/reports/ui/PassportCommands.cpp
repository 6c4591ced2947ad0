#include "reports/ui/PassportCommands.h"

#include <QApplication>
#include <QFileInfo>
#include <memory>

#include "common/Folders.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "link/ControllerLink.h"
#include "measurements/ui/ArchiveReadCommand.h"
#include "reports/PassportWorkbook.h"
#include "reports/ui/PassportDateDialog.h"
#include "settings/ReportFormat.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"

namespace zmk {

namespace {

constexpr int GasDayTable = 6;       // table 6 field 6: the contract hour
constexpr int ContractHourField = 6;

// A passport reading as the main window shows it: the status panel, the wait
// window with its progress (the main window disabled meanwhile), the busy cursor.
class PassportReadDialogue : public MessageBoxReadDialogue {
public:
    explicit PassportReadDialogue(CommandHost& host) : host_(host) {}
    ~PassportReadDialogue() override { CloseWait(); }

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
    void ReadingEnded() override {
        host_.StartMessageTimer();
        CloseWait();
    }

private:
    void CloseWait() {
        wait_.reset();
        if (busy_) {
            QApplication::restoreOverrideCursor();
            busy_ = false;
        }
        if (QWidget* window = host_.Window()) {
            window->activateWindow();
            window->raise();
        }
    }

    CommandHost& host_;
    std::unique_ptr<WaitSession> wait_;
    bool busy_ = false;
};

}  // namespace

void MakePassport(CommandHost& host, PassportKind kind) {
    const QString templatePath = FindPassportTemplate(kind);
    if (templatePath.isEmpty()) {
        const FileMessage m = MissingTemplateMessage(kind);
        ShowMessage(m.kind, m.first, m.second);
        return;
    }
    TableEngine& tables = host.Tables();
    PassportReadDialogue dialogue(host);
    ArchiveBoundsReading bounds;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const bool read = ReadArchiveBounds(tables, host.MessagePanel(), UnitDay, dialogue, bounds);
        QApplication::restoreOverrideCursor();
        if (!read) return;
    }
    const int contractHour = *tables.Image().Field(GasDayTable, ContractHourField);
    ObjectList& objects = Objects();
    PassportDateDialog parameters(kind, bounds.Bounds, contractHour, objects, ObjectListPath(), host.Window());
    if (parameters.exec() != QDialog::Accepted) return;
    const QString objectName = ObjectName(objects.Entries[objects.Selected]);

    const std::optional<PassportData> data =
        ReadPassport(tables.Link(), kind, parameters.Chosen(), bounds.Bounds, dialogue);
    if (!data) return;

    const QString output = PassportOutputPath(kind, data->Chosen, objectName);
    // An existing passport is replaced only when the new one is complete.
    if (QFileInfo::exists(output) && !Ask(MessageKind::Question, ReportExistsLine1(output), ReportExistsLine2())) return;

    WorkbookStatus status;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        WaitSession wait(host.Window(), WaitWindow::ModePassport, 1);
        status = WritePassportWorkbook(templatePath, output, BuildPassportSheet(*data, CurrentReportFormat(), objectName));
        QApplication::restoreOverrideCursor();
    }
    const FileMessage m = WorkbookMessage(status, output);
    ShowMessage(m.kind, m.first, m.second);
}

}  // namespace zmk
