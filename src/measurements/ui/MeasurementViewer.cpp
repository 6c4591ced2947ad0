#include "measurements/ui/MeasurementViewer.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Folders.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/PrintTitleDialog.h"
#include "common/ui/ReportPreviewDialog.h"
#include "common/ui/WaitWindow.h"
#include "live/ui/ChromatographStatusWindow.h"
#include "measurements/MoistureReport.h"
#include "measurements/Workbook.h"
#include "common/PackedDate.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

constexpr int GridRowHeight = 20;
constexpr int ButtonHeight = 28;
// Steps of the wait window's bar that are actually painted.
constexpr int PaintedProgressSteps = 200;

PackedDate Today() {
    const QDate today = QDate::currentDate();
    PackedDate date;
    date.Year = uint8_t(std::clamp(today.year() - 2000, 0, 99));
    date.Month = uint8_t(today.month());
    date.Day = uint8_t(today.day());
    return date;
}

void ShowFileMessage(const FileMessage& message) {
    ShowMessage(message.kind, message.first, message.second);
}

QString KindFilter(ArchiveKind kind) {
    const QString ext = QString::fromLatin1(KindInfo(kind).extension);
    return QStringLiteral("*%1 (*%1)").arg(ext);
}

}  // namespace

// ---------------------------------------------------------------------------
// MeasurementViewer

MeasurementViewer::MeasurementViewer(const MeasurementFileHeader& header, RecordStore records,
                                           QWidget* parent)
    : QDialog(parent) {
    table_ = std::make_unique<MeasurementTable>(header, std::move(records), CurrentArchiveDecimals());
    setModal(true);
}

MeasurementViewer::~MeasurementViewer() = default;

void MeasurementViewer::BuildWindow(Buttons buttons) {
    setWindowTitle(table_->Caption());
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);

    model_ = new MeasurementTableModel(table_.get(), this);
    recordView_ = new QTableView(this);
    recordView_->setObjectName(QStringLiteral("recordView"));
    recordView_->setModel(model_);
    recordView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    recordView_->setSelectionMode(QAbstractItemView::SingleSelection);
    recordView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    recordView_->setWordWrap(false);
    recordView_->verticalHeader()->hide();
    // Uniform rows: the view never measures a row, so a year of records
    // opens as fast as a day.
    recordView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    recordView_->verticalHeader()->setDefaultSectionSize(GridRowHeight);
    recordView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    recordView_->horizontalHeader()->setHighlightSections(false);
    column->addWidget(recordView_, 1);
    SizeColumns(recordView_);

    auto* row = new QHBoxLayout;
    saveButton_ = AddButton(row, "saveButton", QStringLiteral("Сохранить в файле"));
    connect(saveButton_, &QPushButton::clicked, this, &MeasurementViewer::saveToFile);
    if (buttons.workbook) {
        workbookButton_ = AddButton(row, "workbookButton", QStringLiteral("Сохранить в формате Excel"));
        connect(workbookButton_, &QPushButton::clicked, this, &MeasurementViewer::exportWorkbook);
    }
    if (buttons.status) {
        statusButton_ = AddButton(row, "statusButton", QStringLiteral("Признаки состояния"));
        connect(statusButton_, &QPushButton::clicked, this, &MeasurementViewer::showRecordStatus);
        connect(recordView_, &QTableView::doubleClicked, this, &MeasurementViewer::showRecordStatus);
    }
    if (buttons.print) {
        printButton_ = AddButton(row, "printButton", QStringLiteral("Печать"));
        printButton_->setEnabled(table_->RecordCount() > 0);
        connect(printButton_, &QPushButton::clicked, this, &MeasurementViewer::printRecords);
    }
    row->addStretch();
    exitButton_ = AddButton(row, "exitButton", QStringLiteral("Выход"));
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);
    column->addLayout(row);

    // The current row is the first record row.
    if (model_->rowCount() > 0) recordView_->setCurrentIndex(model_->index(0, 0));
}

QPushButton* MeasurementViewer::AddButton(QHBoxLayout* row, const char* name, const QString& text) {
    auto* button = new QPushButton(text, this);
    button->setObjectName(QString::fromLatin1(name));
    button->setMinimumHeight(ButtonHeight);
    button->setAutoDefault(false);
    row->addWidget(button);
    return button;
}

void MeasurementViewer::FitToScreen(int widthMargin, int heightMargin, int fixedWidth) {
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect avail = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    const int maxWidth = avail.width() - widthMargin;
    const int maxHeight = avail.height() - heightMargin;
    const QHeaderView* header = recordView_->horizontalHeader();
    const int frame = 2 * recordView_->frameWidth() + 12;

    int width = fixedWidth;
    if (width <= 0) {
        // Shrink by whole columns to stay within the screen.
        width = frame;
        for (int c = 0; c < model_->columnCount(); ++c) {
            if (width + header->sectionSize(c) > maxWidth) break;
            width += header->sectionSize(c);
        }
    }
    const int chrome = ButtonHeight + 24 + header->sizeHint().height() + frame;
    const qsizetype rows = std::min<qsizetype>(model_->rowCount(), std::max(1, (maxHeight - chrome) / GridRowHeight));
    const int height = chrome + int(rows) * GridRowHeight;
    resize(std::min(width, maxWidth), std::min(height, maxHeight));
    setMaximumSize(std::max(maxWidth, 100), std::max(maxHeight, 100));
}

qsizetype MeasurementViewer::CurrentRecord() const {
    const QModelIndex index = recordView_->currentIndex();
    return index.isValid() ? model_->RecordOfRow(index.row()) : -1;
}

QFileDialog* MeasurementViewer::NewSaveDialog(const QString& folder, const QString& filter, const QString& name) {
    auto* dialog = new QFileDialog(this, QStringLiteral("Введите имя файла для сохранения данных"), folder, filter);
    dialog->setObjectName(QStringLiteral("saveDialog"));
    dialog->setAcceptMode(QFileDialog::AcceptSave);
    dialog->setFileMode(QFileDialog::AnyFile);
    // The overwrite question is our own; the platform's dialog is not used
    // so that it looks the same everywhere (and can be driven in tests).
    dialog->setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
    dialog->selectFile(name);
    return dialog;
}

void MeasurementViewer::saveToFile() {
    const ArchiveKind kind = table_->Kind();
    const QString folder = WorkFolderPath(KindInfo(kind).folder);
    QString proposed = DefaultMeasurementFileName(folder, table_->Header().address, Today(), kind);
    for (;;) {
        std::unique_ptr<QFileDialog> dialog(NewSaveDialog(folder, KindFilter(kind), proposed));
        if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
        const QString path = WithDefaultExtension(dialog->selectedFiles().constFirst(), kind);
        if (QFileInfo::exists(path)) {
            if (!Ask(MessageKind::Question, QStringLiteral("Файл %1 уже есть.").arg(QFileInfo(path).fileName()),
                     QStringLiteral("Вы хотите заменить существующий файл?"))) {
                proposed = path;
                continue;
            }
        }
        FileMessage message;
        if (!WriteMeasurementFile(path, table_->Header(), table_->Records(), &message)) {
            ShowFileMessage(message);
            return;
        }
        ShowFileMessage(SavedMessage(path));
        return;
    }
}

void MeasurementViewer::exportWorkbook() {
    const ArchiveKind kind = table_->Kind();
    const QString folder = WorkFolderPath(KindInfo(kind).folder);
    std::unique_ptr<QFileDialog> dialog(
        NewSaveDialog(folder, QStringLiteral("*.xlsx (*.xlsx)"),
                   DefaultWorkbookFileName(folder, table_->Header().address, Today(), kind)));
    if (dialog->exec() != QDialog::Accepted || dialog->selectedFiles().isEmpty()) return;
    const QString path = WithWorkbookExtension(dialog->selectedFiles().constFirst());
    dialog.reset();

    WorkbookStatus status;
    {
        QApplication::setOverrideCursor(Qt::WaitCursor);
        const int maximum = int(std::min<qsizetype>(table_->RecordCount() + 5, INT32_MAX));
        WaitSession wait(this, WaitWindow::ModeExportWorkbook, maximum);
        // Every record advances the bar; only visible changes are painted.
        const int paintEvery = std::max(1, maximum / PaintedProgressSteps);
        int done = 0;
        status = WriteMeasurementWorkbook(path, *table_, [&] {
            ++done;
            if (done % paintEvery == 0 || done == maximum) wait.SetPosition(done);
        });
        QApplication::restoreOverrideCursor();
    }
    ShowFileMessage(WorkbookMessage(status, path));
}

void MeasurementViewer::printRecords() {
    if (table_->Chromatograph()) return;  // chromatograph archives go to workbooks, not to paper
    const MeasurementFileHeader& header = table_->Header();
    const std::optional<QString> organisation =
        AskOrganisation(MoistureReportKind(*table_), header.periodStart, header.periodEnd, this);
    if (!organisation) return;
    const PagedReport report = BuildMoistureReport(*table_, *organisation);
    const ArchiveKind kind = table_->Kind();
    const QFileInfo proposed(
        DefaultMeasurementFileName(WorkFolderPath(KindInfo(kind).folder), header.address, Today(), kind));
    PreviewReport(report, proposed.path() + u'/' + proposed.completeBaseName() + QStringLiteral(".pdf"), this);
}

void MeasurementViewer::showRecordStatus() { ShowChromRecordStatus(*table_, CurrentRecord(), this); }

// ---------------------------------------------------------------------------
// Chromatograph records' status window

void ShowChromRecordStatus(const MeasurementTable& table, qsizetype record, QWidget* parent) {
    if (!table.Chromatograph() || record < 0 || record >= table.RecordCount()) return;
    const RecordView view = table.Records().At(record);
    const uint16_t word = view.StatusWord();
    ChromatographStatusWindow form(table.StatusMode(), table.StatusCaption(record), view.Status(), uint8_t(word & 0xFF),
                         uint8_t(word >> 8), parent);
    form.exec();
}

}  // namespace zmk
