// The print-data dialog and its "title.ini", the report preview with its
// printer and PDF file, the page-limit question, and "Печать" in the event
// and moisture-meter viewers.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "PdfText.h"
#include "common/Folders.h"
#include "common/MessageKind.h"
#include "common/OrganisationName.h"
#include "common/ui/PrintTitleDialog.h"
#include "common/ui/ReportPreviewDialog.h"
#include "events/EventReport.h"
#include "events/ui/EventViewer.h"
#include "measurements/ui/MoistureHourDayViewer.h"

using namespace zmk;

namespace {

const PackedDate Start{24, 6, 1, 0, 35, 12};
const PackedDate End{24, 6, 2, 23, 55, 30};

EventFileHeader Header(EventKind kind, uint32_t count) {
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    return BuildEventFileHeader(kind, values, 7, PackedDate{24, 6, 3, 9, 15, 42}, Start, End, count);
}

std::vector<DiagnosticRow> Rows(int count) {
    std::vector<DiagnosticRow> rows;
    for (int n = 1; n <= count; ++n)
        rows.push_back({QStringLiteral("  01.06.24"), QStringLiteral("  00:00:01"), QStringLiteral("Запись %1").arg(n),
                        QStringLiteral("Влагомер"), {}, {}, {}});
    return rows;
}

QPushButton* Button(const QObject* parent, const char* name) { return Named<QPushButton>(parent, QString::fromLatin1(name)); }

void ChooseFile(QFileDialog* d, const QString& path) {
    if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    else
        d->selectFile(path);
    static_cast<QDialog*>(d)->accept();
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A printer that prints into a PDF file, in place of the system's.
ReportPreviewDialog::PrinterSource PdfPrinter(const QString& path) {
    return [path] {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(path);
        return printer;
    };
}

}  // namespace

class PrintReportTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QVERIFY(home_.IsValid());
        SetUpFolders();
    }

    void cleanup() {
        ReportPreviewDialog::SetPrinterSource({});
        QFile::remove(TitlePath());
    }

    void titleDialogShowsTheReport_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("first");
        QTest::newRow("diagnostics") << 3 << QStringLiteral("Перечень диагностических сообщений");
        QTest::newRow("interventions") << 4 << QStringLiteral("Перечень сообщений о вмешательствах оператора");
        QTest::newRow("hourly") << 6 << QStringLiteral("Часовые измерительные данные влагомера");
        QTest::newRow("daily") << 7 << QStringLiteral("Суточные измерительные данные влагомера");
        QTest::newRow("5-minute") << 8 << QStringLiteral("Мгновенные данные влагомера");
    }

    void titleDialogShowsTheReport() {
        QFETCH(int, kind);
        QFETCH(QString, first);
        PrintTitleDialog dialog(ReportKind(kind), Start, End);
        QCOMPARE(dialog.windowTitle(), QStringLiteral(" Данные для печати"));
        QCOMPARE(dialog.size(), QSize(532, 212));
        QCOMPARE(Named<QLabel>(&dialog, QStringLiteral("line1"))->text(), first);
        const QStringList lines = PrintDialogLines(ReportKind(kind), Start, End);
        QCOMPARE(Named<QLabel>(&dialog, QStringLiteral("line2"))->text(), lines[1]);
        QCOMPARE(Named<QLabel>(&dialog, QStringLiteral("line3"))->text(), lines[2]);
        QCOMPARE(Named<QLabel>(&dialog, QStringLiteral("hintLabel"))->text(), QStringLiteral("( до 40 символов )"));
        QCOMPARE(Button(&dialog, "printButton")->text(), QStringLiteral("Печатать"));
        QCOMPARE(Button(&dialog, "cancelButton")->text(), QStringLiteral("Отменить"));
        // A 41st character cannot be typed.
        auto* edit = Named<QLineEdit>(&dialog, QStringLiteral("organisationEdit"));
        edit->clear();
        QTest::keyClicks(edit, QString(41, u'W'));
        QCOMPARE(edit->text(), QString(40, u'W'));
    }

    void titleDialogRemembersTheName() {
        QVERIFY(WriteOrganisationName(QStringLiteral("ООО Газ")));
        {
            PrintTitleDialog dialog(ReportKind::Diagnostics, Start, End);
            auto* edit = Named<QLineEdit>(&dialog, QStringLiteral("organisationEdit"));
            QCOMPARE(edit->text(), QStringLiteral("ООО Газ"));
            edit->setText(QStringLiteral("АО Другое"));
            Button(&dialog, "cancelButton")->click();
            QCOMPARE(dialog.result(), int(QDialog::Rejected));
        }
        QCOMPARE(ReadOrganisationName(), QStringLiteral("ООО Газ"));
        {
            PrintTitleDialog dialog(ReportKind::MoistureDaily, Start, End);
            auto* edit = Named<QLineEdit>(&dialog, QStringLiteral("organisationEdit"));
            edit->setText(QString(40, u'Я'));
            Button(&dialog, "printButton")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
            QCOMPARE(dialog.Organisation(), QString(40, u'Я'));
        }
        QCOMPARE(Bytes(TitlePath()), QByteArray(40, '\xDF'));
        // An unchanged name is not written again: no file appears for it.
        QFile::remove(TitlePath());
        {
            PrintTitleDialog dialog(ReportKind::Interventions, Start, End);
            QCOMPARE(Named<QLineEdit>(&dialog, QStringLiteral("organisationEdit"))->text(), QString());
            Button(&dialog, "printButton")->click();
            QCOMPARE(dialog.result(), int(QDialog::Accepted));
        }
        QVERIFY(!QFileInfo::exists(TitlePath()));
    }

    void previewPrintsAndSavesPdf() {
        const std::vector<DiagnosticRow> rows = Rows(124);
        const PagedReport report = BuildDiagnosticReport(Header(EventKind::Diagnostics, 124), rows, QStringLiteral("ООО Газ"));
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        ReportPreviewDialog dialog(report, dir.filePath(QStringLiteral("report.pdf")));
        dialog.show();
        QPrintPreviewWidget* preview = dialog.Preview();
        preview->updatePreview();
        QCOMPARE(preview->pageCount(), 3);
        QCOMPARE(dialog.windowTitle(), QStringLiteral("Перечень диагностических сообщений"));
        QCOMPARE(Button(&dialog, "printButton")->text(), QStringLiteral("Печать"));
        QCOMPARE(Button(&dialog, "pdfButton")->text(), QStringLiteral("PDF"));

        // No printer: the error, and the preview stays.
        {
            ReportPreviewDialog::SetPrinterSource([] { return std::unique_ptr<QPrinter>(); });
            MessageLog log;
            Button(&dialog, "printButton")->click();
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, int(MessageKind::Error));
            QCOMPARE(log.seen[0].line1, QStringLiteral("Ошибка печати данных"));
            QCOMPARE(log.seen[0].line2, QString());
            QVERIFY(dialog.isVisible());
        }
        // A printer that cannot print (its output cannot be opened): the same.
        {
            ReportPreviewDialog::SetPrinterSource(PdfPrinter(dir.filePath(QStringLiteral("no/such/folder/p.pdf"))));
            MessageLog log;
            Button(&dialog, "printButton")->click();
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].line1, QStringLiteral("Ошибка печати данных"));
        }
        // A printer: the same pages, no message.
        const QString printed = dir.filePath(QStringLiteral("printed.pdf"));
        {
            ReportPreviewDialog::SetPrinterSource(PdfPrinter(printed));
            MessageLog log;
            Button(&dialog, "printButton")->click();
            QCOMPARE(log.seen.size(), 0);
        }
        // "PDF": the file chosen, then the saved message.
        const QString saved = dir.filePath(QStringLiteral("chosen"));
        {
            MessageLog log;
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                QCOMPARE(d->objectName(), QStringLiteral("pdfDialog"));
                ChooseFile(d, saved);
            });
            script.Start();
            Button(&dialog, "pdfButton")->click();
            QVERIFY(script.Finished());
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, int(MessageKind::Info));
            QCOMPARE(log.seen[0].line1, QStringLiteral("Данные сохранены в файле chosen.pdf."));
        }
        if (!pdftext::Available()) QSKIP("pdftotext / pdfinfo (poppler-utils) are not installed");
        for (const QString& pdf : {printed, saved + QStringLiteral(".pdf")}) {
            QCOMPARE(pdftext::PageCount(pdf), 3);
            QVERIFY(pdftext::PageText(pdf, 1).contains(QStringLiteral("Перечень диагностических сообщений")));
            QVERIFY(pdftext::PageText(pdf, 3).contains(QStringLiteral("Запись 124")));
            QCOMPARE(pdftext::PageLines(pdf, 3).last(), QStringLiteral("Лист 3 из 3"));
        }
    }

    void beyondThePageLimitItAsks() {
        PagedReport report;
        report.layout.firstPageRows = 10;
        report.layout.laterPageRows = 10;
        report.rowCount = 10 * (ReportPageLimit + 1);
        report.columns = {{{QStringLiteral("N")}, 1, false}};
        report.cell = [](qsizetype row, int) { return QString::number(row); };
        QCOMPARE(report.PageCount(), 201);
        MessageLog log(false);
        PreviewReport(report, QString());
        QCOMPARE(log.seen.size(), 1);
        QVERIFY(log.seen[0].question);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Число листов отчёта: 201 (больше 200)."));
        QCOMPARE(log.seen[0].line2, QStringLiteral("Продолжить?"));
        QCOMPARE(QApplication::activeModalWidget(), nullptr);  // "Нет": no preview
    }

    void eventViewerPrints() {
        EventFileContents contents;
        contents.header = Header(EventKind::Diagnostics, 59);
        contents.diagnostics = Rows(59);
        auto viewer = EventViewer::ForFile(EventKind::Diagnostics, contents);
        viewer->show();
        QVERIFY(Button(viewer.get(), "printButton")->isEnabled());
        int pages = 0;
        QString line3;
        ModalScript script;
        script
            .Then<PrintTitleDialog>([&](PrintTitleDialog* d) {
                line3 = Named<QLabel>(d, QStringLiteral("line3"))->text();
                Named<QLineEdit>(d, QStringLiteral("organisationEdit"))->setText(QStringLiteral("ООО Газ"));
                Button(d, "printButton")->click();
            })
            .Then<ReportPreviewDialog>([&](ReportPreviewDialog* d) {
                d->Preview()->updatePreview();
                pages = d->Preview()->pageCount();
                Button(d, "exitButton")->click();
            });
        script.Start();
        Button(viewer.get(), "printButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(line3, QStringLiteral("за период  с  01.06.24  00:35:12  по  02.06.24  23:55:30"));
        QCOMPARE(pages, 2);  // 58 + 1
        QCOMPARE(ReadOrganisationName(), QStringLiteral("ООО Газ"));

        auto empty = EventViewer::ForFile(EventKind::Interventions, EventFileContents{Header(EventKind::Interventions, 0), {}, {}});
        QVERIFY(!Button(empty.get(), "printButton")->isEnabled());
    }

    void moistureViewerPrints() {
        QByteArray bytes;
        for (int n = 0; n < 53; ++n) {
            QByteArray r(RecordSize(ArchiveKind::MoistureHour), '\0');
            auto* p = reinterpret_cast<uint8_t*>(r.data());
            PackedDate{24, 3, uint8_t(1 + n / 24), uint8_t(n % 24), 0, 0}.ToBytes(p);
            p[6] = uint8_t(n % 24 + 1);
            SealRecord(p, int(r.size()));
            bytes += r;
        }
        HeaderTableValues values;
        const MeasurementFileHeader header = BuildMeasurementFileHeader(
            ArchiveKind::MoistureHour, values, 5, PackedDate{24, 4, 1, 9, 0, 0}, PackedDate{24, 3, 1, 0, 0, 0},
            PackedDate{24, 3, 3, 5, 0, 0}, 53);
        MoistureHourDayViewer viewer(header, RecordStore(ArchiveKind::MoistureHour, bytes));
        viewer.show();
        QVERIFY(Button(&viewer, "printButton")->isEnabled());
        QString line3;
        int pages = 0;
        {
            // "Отменить": no preview follows.
            bool previewed = false;
            ModalScript script;
            script.Then<PrintTitleDialog>([&](PrintTitleDialog* d) { Button(d, "cancelButton")->click(); })
                .Then<ReportPreviewDialog>([&](ReportPreviewDialog* d) {
                    previewed = true;
                    d->reject();
                });
            script.Start();
            Button(&viewer, "printButton")->click();
            QVERIFY(!previewed);
            QVERIFY(!script.Finished());
        }
        ModalScript script;
        script
            .Then<PrintTitleDialog>([&](PrintTitleDialog* d) {
                line3 = Named<QLabel>(d, QStringLiteral("line3"))->text();
                Button(d, "printButton")->click();
            })
            .Then<ReportPreviewDialog>([&](ReportPreviewDialog* d) {
                d->Preview()->updatePreview();
                pages = d->Preview()->pageCount();
                Button(d, "exitButton")->click();
            });
        script.Start();
        Button(&viewer, "printButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(line3, QStringLiteral("за период  с  01.03.24  00ч  по  03.03.24  05ч"));
        QCOMPARE(pages, 2);  // 52 + 1

        MoistureHourDayViewer empty(header, RecordStore(ArchiveKind::MoistureHour));
        QVERIFY(!Button(&empty, "printButton")->isEnabled());
    }

private:
    ::BaseFolder home_;
};

QTEST_MAIN(PrintReportTest)
#include "PrintReportTest.moc"
