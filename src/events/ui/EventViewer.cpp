#include "events/ui/EventViewer.h"

#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Folders.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/PrintTitleDialog.h"
#include "common/ui/ReportPreviewDialog.h"
#include "common/ui/WaitWindow.h"
#include "events/DiagnosticDecoder.h"
#include "events/EventReport.h"
#include "measurements/MeasurementFile.h"

namespace zmk {

namespace {

constexpr int GridRowHeight = 20;
constexpr int ButtonHeight = 28;
constexpr int ScreenHeightMargin = 60;  // the window is at most the screen height less this
constexpr int NarrowColumnWidth = 12;

const char16_t* const DiagnosticHeadings[EventRowsModel::ColumnCount] = {
    u"",
    u"Дата",
    u"Время",
    u"Сообщение\nСобытие",
    u"Сообщение\nОбъект / Причина",
    u"Текущее\nзначение\nпарам.",
    u"Знач.\nуставки",
    u"Единица\nизмер.",
};
const int DiagnosticWidths[EventRowsModel::ColumnCount] = {NarrowColumnWidth, 80, 80, 280, 280, 80, 70, 70};

const char16_t* const InterventionHeadings[EventRowsModel::ColumnCount] = {
    u"",
    u"Дата",
    u"Время",
    u"Наименование\nизмененного параметра",
    u"Старое\nзначение",
    u"Новое\nзначение",
    u"Единица\nизмер.",
    u"Имя\nоператора",
};
const int InterventionWidths[EventRowsModel::ColumnCount] = {NarrowColumnWidth, 80, 80, 370, 120, 120, 90, 80};

PackedDate Today() {
    const QDate today = QDate::currentDate();
    PackedDate date;
    date.Year = uint8_t(std::clamp(today.year() - 2000, 0, 99));
    date.Month = uint8_t(today.month());
    date.Day = uint8_t(today.day());
    return date;
}

void ShowFileMessage(const FileMessage& message) { ShowMessage(message.kind, message.first, message.second); }

}  // namespace

// ---------------------------------------------------------------------------
// EventRowsModel

EventRowsModel::EventRowsModel(EventKind kind, const std::vector<DiagnosticRow>* diagnostics,
                               const std::vector<InterventionRow>* interventions, QObject* parent)
    : QAbstractTableModel(parent), kind_(kind), diagnostics_(diagnostics), interventions_(interventions) {}

int EventRowsModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid()) return 0;
    const size_t rows = kind_ == EventKind::Diagnostics ? diagnostics_->size() : interventions_->size();
    return int(std::min<size_t>(rows, size_t(INT32_MAX)));
}

int EventRowsModel::columnCount(const QModelIndex& parent) const { return parent.isValid() ? 0 : ColumnCount; }

QVariant EventRowsModel::data(const QModelIndex& index, int role) const {
    if (role != Qt::DisplayRole || !index.isValid() || index.column() == 0) return {};
    const size_t row = size_t(index.row());
    const int cell = index.column() - 1;
    if (kind_ == EventKind::Diagnostics)
        return row < diagnostics_->size() ? QVariant((*diagnostics_)[row].Cell(cell)) : QVariant();
    return row < interventions_->size() ? QVariant((*interventions_)[row].Cell(cell)) : QVariant();
}

QVariant EventRowsModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= ColumnCount) return {};
    if (role == Qt::DisplayRole)
        return QString::fromUtf16(kind_ == EventKind::Diagnostics ? DiagnosticHeadings[section]
                                                                  : InterventionHeadings[section]);
    if (role == Qt::TextAlignmentRole) return int(Qt::AlignCenter);
    return {};
}

// ---------------------------------------------------------------------------
// EventViewer

EventViewer::EventViewer(EventKind kind, EventViewMode mode, const EventFileHeader& header, QWidget* parent)
    : QDialog(parent), kind_(kind), mode_(mode), header_(header) {
    setModal(true);
}

std::unique_ptr<EventViewer> EventViewer::ForDiagnostics(const EventFileHeader& header,
                                                         const std::vector<DiagnosticRecord>& records,
                                                         EventViewMode mode, uint32_t firstIndex, QWidget* parent) {
    std::unique_ptr<EventViewer> viewer(new EventViewer(EventKind::Diagnostics, mode, header, parent));
    DecodedDiagnostics decoded = DecodeDiagnostics(records, header);
    viewer->diagnostics_ = std::move(decoded.rows);
    const QString title = mode == EventViewMode::ByIndex
                              ? DiagnosticTitleByIndex(firstIndex, uint32_t(viewer->diagnostics_.size()))
                              : DiagnosticTitleByPeriod(header);
    viewer->BuildWindow(title, decoded.damaged > 0);
    return viewer;
}

std::unique_ptr<EventViewer> EventViewer::ForInterventions(const EventFileHeader& header,
                                                           const std::vector<InterventionRecord>& records,
                                                           EventViewMode mode, uint32_t firstIndex,
                                                           ControllerTextCodePage names, QWidget* parent) {
    std::unique_ptr<EventViewer> viewer(new EventViewer(EventKind::Interventions, mode, header, parent));
    DecodedInterventions decoded = DecodeInterventions(records, names);
    viewer->interventions_ = std::move(decoded.rows);
    const QString title = mode == EventViewMode::ByIndex
                              ? InterventionTitleByIndex(firstIndex, uint32_t(viewer->interventions_.size()))
                              : InterventionTitleByPeriod(header);
    viewer->BuildWindow(title, decoded.damaged > 0);
    return viewer;
}

std::unique_ptr<EventViewer> EventViewer::ForFile(EventKind kind, EventFileContents contents, QWidget* parent) {
    std::unique_ptr<EventViewer> viewer(new EventViewer(kind, EventViewMode::FromFile, contents.header, parent));
    viewer->diagnostics_ = std::move(contents.diagnostics);
    viewer->interventions_ = std::move(contents.interventions);
    // A saved file keeps no index: the title is the period of its header.
    const QString title = kind == EventKind::Diagnostics ? DiagnosticTitleByPeriod(contents.header)
                                                         : InterventionTitleByPeriod(contents.header);
    // The rows are shown as saved: a damaged record's mark is in its date cell.
    viewer->BuildWindow(title, false);
    return viewer;
}

int EventViewer::RowCount() const { return model_ != nullptr ? model_->rowCount() : 0; }

void EventViewer::BuildWindow(const QString& title, bool damaged) {
    setWindowTitle(title);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);

    model_ = new EventRowsModel(kind_, &diagnostics_, &interventions_, this);
    rowView_ = new QTableView(this);
    rowView_->setObjectName(QStringLiteral("rowView"));
    rowView_->setModel(model_);
    rowView_->setSelectionBehavior(QAbstractItemView::SelectRows);
    rowView_->setSelectionMode(QAbstractItemView::SingleSelection);
    rowView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    rowView_->setWordWrap(false);
    rowView_->verticalHeader()->hide();
    // Uniform rows: the view never measures one, so a long list opens at once.
    rowView_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    rowView_->verticalHeader()->setDefaultSectionSize(GridRowHeight);
    rowView_->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    rowView_->horizontalHeader()->setHighlightSections(false);
    const int* widths = kind_ == EventKind::Diagnostics ? DiagnosticWidths : InterventionWidths;
    for (int c = 0; c < EventRowsModel::ColumnCount; ++c) rowView_->setColumnWidth(c, widths[c]);
    rowView_->horizontalHeader()->setStretchLastSection(true);
    column->addWidget(rowView_, 1);

    statusLine_ = new QLabel(this);
    statusLine_->setObjectName(QStringLiteral("statusLine"));
    if (damaged) statusLine_->setText(DamagedRecordsNotice());
    column->addWidget(statusLine_);

    auto* row = new QHBoxLayout;
    const auto addButton = [this, row](const char* name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumHeight(ButtonHeight);
        button->setAutoDefault(false);
        row->addWidget(button);
        return button;
    };
    exitButton_ = addButton("exitButton", QStringLiteral("Выход"));
    saveButton_ = addButton("saveButton", QStringLiteral("Сохранить в файле"));
    printButton_ = addButton("printButton", QStringLiteral("Печать"));
    printButton_->setEnabled(RowCount() > 0);
    row->addStretch();
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);
    connect(saveButton_, &QPushButton::clicked, this, &EventViewer::saveToFile);
    connect(printButton_, &QPushButton::clicked, this, &EventViewer::printList);
    column->addLayout(row);

    // 992 pixels wide; as high as the rows need, within the screen.
    const QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const int screenHeight = screen != nullptr ? screen->availableGeometry().height() : 768;
    const int maxHeight = std::max(200, screenHeight - ScreenHeightMargin);
    const int chrome = ButtonHeight + statusLine_->sizeHint().height() + rowView_->horizontalHeader()->sizeHint().height() +
                       2 * rowView_->frameWidth() + 40;
    const int wanted = chrome + std::min(RowCount(), (maxHeight - chrome) / GridRowHeight + 1) * GridRowHeight;
    resize(FormWidth, std::min(wanted, maxHeight));

    // The newest row is current; the focus is on "Выход".
    if (RowCount() > 0) {
        const QModelIndex last = model_->index(RowCount() - 1, 1);
        rowView_->setCurrentIndex(last);
        rowView_->scrollTo(last);
    }
    exitButton_->setDefault(true);
    exitButton_->setFocus();
}

void EventViewer::saveToFile() {
    const bool diagnostics = kind_ == EventKind::Diagnostics;
    const QString folder = WorkFolderPath(diagnostics ? WorkFolder::AlaFiles : WorkFolder::AudFiles);
    const QString filter = diagnostics ? QStringLiteral("Data Files (*.ala);;DataFiles(*.*)")
                                       : QStringLiteral("Data Files (*.aud);;DataFiles(*.*)");
    QString proposed = DefaultEventFileName(folder, header_.address, Today(), kind_);
    for (;;) {
        QFileDialog dialog(this, QStringLiteral("Введите имя файла для сохранения данных"), folder, filter);
        dialog.setObjectName(QStringLiteral("saveDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        // The replace question is our own; the platform's dialog is not used
        // so that it looks the same everywhere (and can be driven in tests).
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        dialog.selectFile(proposed);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        const QString path = WithEventExtension(dialog.selectedFiles().constFirst(), kind_);
        if (QFileInfo::exists(path)) {
            const FileMessage question = ReplaceQuestion(path);
            if (!Ask(question.kind, question.first, question.second)) {
                proposed = path;
                continue;
            }
        }
        FileMessage message;
        bool written = false;
        {
            BusyCursor busy;
            written = diagnostics ? WriteEventFile(path, header_, diagnostics_, &message)
                                  : WriteEventFile(path, header_, interventions_, &message);
        }
        ShowFileMessage(written ? SavedMessage(path) : message);
        return;
    }
}

void EventViewer::printList() {
    const std::optional<QString> organisation =
        AskOrganisation(EventReportKind(kind_), header_.first, header_.last, this);
    if (!organisation) return;
    const PagedReport report = kind_ == EventKind::Diagnostics
                                   ? BuildDiagnosticReport(header_, diagnostics_, *organisation)
                                   : BuildInterventionReport(header_, interventions_, *organisation);
    const QString folder = WorkFolderPath(kind_ == EventKind::Diagnostics ? WorkFolder::AlaFiles : WorkFolder::AudFiles);
    const QFileInfo proposed(DefaultEventFileName(folder, header_.address, Today(), kind_));
    PreviewReport(report, proposed.path() + u'/' + proposed.completeBaseName() + QStringLiteral(".pdf"), this);
}

}  // namespace zmk
