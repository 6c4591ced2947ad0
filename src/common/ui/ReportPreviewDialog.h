#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <memory>

#include "common/PagedReport.h"

class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace zmk {

// The preview of a printed report: the pages as they will be printed,
// with "Печать" (to the system's default printer), "PDF" (the pages into a
// PDF file) and "Выход". The preview, the printer and the PDF file are
// painted by the same routine (PaintReport). Any failure to print or to
// save shows "Ошибка печати данных"; a missing printer too, and the preview
// and the PDF file still work then.
// Widgets by object name: "preview", buttons "printButton", "pdfButton",
// "zoomInButton", "zoomOutButton", "exitButton"; the PDF file dialog
// "pdfDialog".
class ReportPreviewDialog : public QDialog {
    Q_OBJECT

public:
    // Where "Печать" gets its printer: the system's default printer (null
    // when there is none). Tests put a printer of their own in its place.
    using PrinterSource = std::function<std::unique_ptr<QPrinter>()>;
    static PrinterSource SetPrinterSource(PrinterSource source);

    // The report (which must outlive the dialog) and the file name offered
    // for the PDF.
    ReportPreviewDialog(const PagedReport& report, const QString& proposedPdf, QWidget* parent = nullptr);
    ~ReportPreviewDialog() override;

    QPrintPreviewWidget* Preview() const { return preview_; }

private slots:
    void printReport();
    void saveAsPdf();

private:
    const PagedReport& report_;
    QString proposedPdf_;
    std::unique_ptr<QPrinter> previewPrinter_;
    QPrintPreviewWidget* preview_;
    QPushButton* printButton_;
    QPushButton* pdfButton_;
    QPushButton* exitButton_;
};

// Shows the report's preview modally. A report of more than ReportPageLimit
// pages first asks whether to go on ("Нет" shows nothing). Any failure:
// "Ошибка печати данных".
void PreviewReport(const PagedReport& report, const QString& proposedPdf, QWidget* parent = nullptr);

// The question before a report of more than ReportPageLimit pages.
QString PageLimitQuestion(int pageCount);

}  // namespace zmk
