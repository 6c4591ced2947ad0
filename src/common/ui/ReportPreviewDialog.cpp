#include "common/ui/ReportPreviewDialog.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPrinterInfo>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>
#include <exception>

#include "common/MessageKind.h"
#include "common/ReportKind.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"

namespace zmk {

namespace {

constexpr int ButtonHeight = 28;
constexpr double ZoomStep = 1.25;

ReportPreviewDialog::PrinterSource& Source() {
    static ReportPreviewDialog::PrinterSource source;
    return source;
}

std::unique_ptr<QPrinter> DefaultPrinter() {
    const QPrinterInfo info = QPrinterInfo::defaultPrinter();
    if (info.isNull()) return nullptr;
    return std::make_unique<QPrinter>(info, QPrinter::HighResolution);
}

void ShowPrintError() { ShowMessage(MessageKind::Error, PrintErrorText()); }

QString WithPdfExtension(const QString& path) {
    return QFileInfo(path).suffix().isEmpty() ? path + QStringLiteral(".pdf") : path;
}

}  // namespace

ReportPreviewDialog::PrinterSource ReportPreviewDialog::SetPrinterSource(PrinterSource source) {
    PrinterSource previous = std::move(Source());
    Source() = std::move(source);
    return previous;
}

ReportPreviewDialog::ReportPreviewDialog(const PagedReport& report, const QString& proposedPdf, QWidget* parent)
    : QDialog(parent), report_(report), proposedPdf_(proposedPdf) {
    setObjectName(QStringLiteral("reportPreview"));
    setWindowTitle(report.title.size() > 2 ? report.title[2].text : QString());
    setModal(true);

    // The preview's own printer never prints: it only gives the preview its
    // pages (A4, high resolution, as the printer and the PDF file get them).
    previewPrinter_ = std::make_unique<QPrinter>(QPrinter::HighResolution);
    previewPrinter_->setOutputFormat(QPrinter::PdfFormat);
    previewPrinter_->setPageSize(QPageSize(QPageSize::A4));
    previewPrinter_->setPageOrientation(QPageLayout::Portrait);

    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(4, 4, 4, 4);
    auto* row = new QHBoxLayout;
    const auto addButton = [this, row](const char* name, const QString& text) {
        auto* button = new QPushButton(text, this);
        button->setObjectName(QString::fromLatin1(name));
        button->setMinimumHeight(ButtonHeight);
        button->setAutoDefault(false);
        row->addWidget(button);
        return button;
    };
    printButton_ = addButton("printButton", QStringLiteral("Печать"));
    pdfButton_ = addButton("pdfButton", QStringLiteral("PDF"));
    QPushButton* zoomIn = addButton("zoomInButton", QStringLiteral("+"));
    QPushButton* zoomOut = addButton("zoomOutButton", QStringLiteral("-"));
    row->addStretch();
    exitButton_ = addButton("exitButton", QStringLiteral("Выход"));
    column->addLayout(row);

    preview_ = new QPrintPreviewWidget(previewPrinter_.get(), this);
    preview_->setObjectName(QStringLiteral("preview"));
    connect(preview_, &QPrintPreviewWidget::paintRequested, this, [this](QPrinter* printer) {
        if (!PaintReport(report_, *printer)) ShowPrintError();
    });
    column->addWidget(preview_, 1);

    connect(printButton_, &QPushButton::clicked, this, &ReportPreviewDialog::printReport);
    connect(pdfButton_, &QPushButton::clicked, this, &ReportPreviewDialog::saveAsPdf);
    connect(zoomIn, &QPushButton::clicked, preview_, [this] { preview_->zoomIn(ZoomStep); });
    connect(zoomOut, &QPushButton::clicked, preview_, [this] { preview_->zoomOut(ZoomStep); });
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
    resize(std::min(area.width() - 40, 900), area.height() - 60);
    preview_->fitToWidth();
    exitButton_->setFocus();
}

ReportPreviewDialog::~ReportPreviewDialog() = default;

void ReportPreviewDialog::printReport() {
    bool printed = false;
    try {
        BusyCursor busy;
        std::unique_ptr<QPrinter> printer = Source() ? Source()() : DefaultPrinter();
        printed = printer != nullptr && printer->isValid() && PaintReport(report_, *printer);
    } catch (const std::exception&) {
        printed = false;
    }
    if (!printed) ShowPrintError();
}

void ReportPreviewDialog::saveAsPdf() {
    QString proposed = proposedPdf_;
    for (;;) {
        QFileDialog dialog(this, QStringLiteral("Введите имя файла для сохранения данных"),
                           QFileInfo(proposed).absolutePath(), QStringLiteral("PDF (*.pdf)"));
        dialog.setObjectName(QStringLiteral("pdfDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
        dialog.selectFile(proposed);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return;
        const QString path = WithPdfExtension(dialog.selectedFiles().constFirst());
        if (QFileInfo::exists(path) &&
            !Ask(MessageKind::Question, QStringLiteral("Файл %1 уже есть.").arg(QFileInfo(path).fileName()),
                 QStringLiteral("Вы хотите заменить существующий файл?"))) {
            proposed = path;
            continue;
        }
        bool written = false;
        try {
            BusyCursor busy;
            written = WriteReportPdf(report_, path);
        } catch (const std::exception&) {
            written = false;
        }
        if (written)
            ShowMessage(MessageKind::Info,
                        QStringLiteral("Данные сохранены в файле %1.").arg(QFileInfo(path).fileName()));
        else
            ShowPrintError();
        return;
    }
}

QString PageLimitQuestion(int pageCount) {
    return QStringLiteral("Число листов отчёта: %1 (больше %2).").arg(pageCount).arg(ReportPageLimit);
}

void PreviewReport(const PagedReport& report, const QString& proposedPdf, QWidget* parent) {
    const int pages = report.PageCount();
    if (pages > ReportPageLimit && !Ask(MessageKind::Question, PageLimitQuestion(pages), QStringLiteral("Продолжить?")))
        return;
    try {
        ReportPreviewDialog dialog(report, proposedPdf, parent);
        dialog.exec();
    } catch (const std::exception&) {
        ShowPrintError();
    }
}

}  // namespace zmk
