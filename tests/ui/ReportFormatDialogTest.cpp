#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>

#include "WindowPart.h"
#include "app/ui/MainWindow.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "settings/ReportFormat.h"
#include "reports/ui/ReportFormatDialog.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

// Runs action on the first modal widget of type T that shows up (within 5 s;
// anything else still open then is closed so that a fault cannot hang the test).
template <typename T>
class WhenModal {
public:
    explicit WhenModal(std::function<void(T*)> action) : action_(std::move(action)) {
        clock_.start();
        QTimer::singleShot(0, &context_, [this] { Poll(); });
    }
    bool Done() const { return done_; }

private:
    void Poll() {
        if (auto* w = qobject_cast<T*>(QApplication::activeModalWidget()); w && w->isVisible()) {
            done_ = true;
            action_(w);
            return;
        }
        if (clock_.elapsed() > 5000) {
            if (QWidget* open = QApplication::activeModalWidget())
                open->close();
            return;
        }
        QTimer::singleShot(10, &context_, [this] { Poll(); });
    }
    std::function<void(T*)> action_;
    QObject context_;
    QElapsedTimer clock_;
    bool done_ = false;
};

ReportFormat Numbered() {
    ReportFormat f;
    std::memset(&f, 0, sizeof f);
    const uint8_t bytes[ReportFormatDialogBytes] = {1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4};
    std::memcpy(f.Format, bytes, sizeof bytes);
    std::memset(f.ParameterDigits, 6, sizeof f.ParameterDigits);
    return f;
}

}  // namespace

class RepconfTest : public QObject {
    Q_OBJECT

private slots:

    void looksAndShowsEveryByte() {
        ReportFormat format = Numbered();
        ReportFormatDialog form(format);
        QCOMPARE(form.windowTitle(), QStringLiteral("Формат представления данных"));
        QCOMPARE(form.LabelHeading->text(), QStringLiteral("Точность представления данных"));
        QCOMPARE(form.LabelHeading2->text(), QStringLiteral("(количество знаков после запятой)"));
        QCOMPARE(form.GroupDensity->title(), QStringLiteral(" Плотность "));
        QCOMPARE(form.GroupHeat->title(), QStringLiteral(" Теплота сгорания "));
        QCOMPARE(form.GroupWobbe->title(), QStringLiteral(" Число Воббе "));
        QCOMPARE(form.BitBtnOk->text(), QStringLiteral("Принять"));
        QCOMPARE(form.BitBtnCancel->text(), QStringLiteral("Отменить"));

        const char* labels[ReportFormatDialogBytes] = {
            "МД составляющих газа", "Фактор сжимаемости", "Температура", "Давление", "Абсолютная",
            "Относительная", "ккал/м3", "МДж/м3", "кВт-год/м3", "ккал/м3", "МДж/м3", "кВт-год/м3"};
        QWidget* parents[ReportFormatDialogBytes] = {&form, &form, &form, &form,
                                                     form.GroupDensity, form.GroupDensity,
                                                     form.GroupHeat, form.GroupHeat, form.GroupHeat,
                                                     form.GroupWobbe, form.GroupWobbe, form.GroupWobbe};
        const QStringList items = {" 0 ", " 1", " 2", " 3", " 4", " 5", " 6", " 7"};
        for (int i = 0; i < ReportFormatDialogBytes; ++i) {
            QComboBox* combo = form.ComboBoxes[size_t(i)];
            QLabel* label = form.Labels[size_t(i)];
            QCOMPARE(label->text(), QString::fromUtf8(labels[i]));
            QCOMPARE(combo->parentWidget(), parents[i]);
            QStringList shown;
            for (int k = 0; k < combo->count(); ++k)
                shown << combo->itemText(k);
            QCOMPARE(shown, items);
            QCOMPARE(combo->currentIndex(), int(format.Format[i]));
            const bool editable = i != FmtCompressibility && i != FmtDensityRelative;
            QCOMPARE(combo->isEnabled(), editable);
            QCOMPARE(label->isEnabled(), editable);
        }
    }

    void acceptStoresTheTenBytesAndDerivesTheTable() {
        ReportFormat format = Numbered();
        ReportFormatDialog form(format);
        auto set = [&](ReportFormatByte b, int digits) { form.ComboBoxes[size_t(b)]->setCurrentIndex(digits); };
        set(FmtComponents, 3);
        set(FmtDensityAbsolute, 4);
        set(FmtHeatMJ, 2);
        set(FmtWobbeMJ, 2);
        set(FmtTemperature, 1);
        set(FmtPressure, 0);
        set(FmtHeatKcal, 7);
        form.BitBtnOk->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));

        const uint8_t bytes[ReportFormatDialogBytes] = {3, 2, 1, 0, 4, 6, 7, 2, 1, 2, 2, 4};
        for (int i = 0; i < ReportFormatDialogBytes; ++i)
            QCOMPARE(int(format.Format[i]), int(bytes[i]));
        const int digits[ReportGasParameters] = {3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 3, 2, 4, 2, 3, 3, 2, 1, 0, 0};
        for (int i = 0; i < ReportGasParameters; ++i)
            QCOMPARE(int(format.ParameterDigits[i]), digits[i]);
    }

    void cancelChangesNothing() {
        ReportFormat format = Numbered();
        const ReportFormat before = format;
        ReportFormatDialog form(format);
        form.ComboBoxes[FmtComponents]->setCurrentIndex(7);
        form.BitBtnCancel->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(format == before);
    }

    void listWithoutSelectionIsAnInputError() {
        // A damaged file: the temperature byte 9 cannot be shown.
        ReportFormat format = Numbered();
        format.Format[FmtTemperature] = 9;
        format.Format[FmtCompressibility] = 200;  // not editable: no error for it
        const ReportFormat before = format;
        ReportFormatDialog form(format);
        QCOMPARE(form.ComboBoxes[FmtTemperature]->currentIndex(), -1);
        form.show();

        QString caption, line1, line2;
        WhenModal<MessageDialog> ack([&](MessageDialog* box) {
            caption = box->windowTitle();
            line1 = box->LineText(1);
            line2 = box->LineText(2);
            MessageButton(box, "okButton")->click();
        });
        form.BitBtnOk->click();
        QVERIFY(ack.Done());
        QCOMPARE(caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(line1, QStringLiteral("Введены не все данные"));
        QCOMPARE(line2, QString());
        QVERIFY(form.isVisible());
        QVERIFY(format == before);

        // Choosing a value makes it acceptable; the non-editable byte stays as read.
        form.ComboBoxes[FmtTemperature]->setCurrentIndex(5);
        form.BitBtnOk->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(int(format.Format[FmtTemperature]), 5);
        QCOMPARE(int(format.Format[FmtCompressibility]), 200);
        QCOMPARE(int(format.ParameterDigits[17]), 5);
    }

    // The menu command of the main window rewrites rep_format.ini on acceptance only.
    void menuCommandRewritesTheFileOnAcceptance() {
        QTemporaryDir dir;
        qputenv("ZMK_HOME", dir.path().toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("INI")));
        const QString path = dir.filePath(QStringLiteral("INI/rep_format.ini"));
        {
            MainWindow w;
            WindowPart<QTimer>(&w, "startTimer")->stop();
            QAction* item = w.MenuItem(QStringLiteral("NFormate"));
            QVERIFY(item != nullptr);
            QVERIFY(CurrentReportFormat() == DefaultReportFormat());  // no file: all 4

            WhenModal<ReportFormatDialog> cancel([](ReportFormatDialog* f) {
                f->ComboBoxes[FmtComponents]->setCurrentIndex(1);
                f->BitBtnCancel->click();
            });
            item->trigger();
            QVERIFY(cancel.Done());
            QVERIFY(!QFile::exists(path));
            QVERIFY(CurrentReportFormat() == DefaultReportFormat());

            WhenModal<ReportFormatDialog> accept([](ReportFormatDialog* f) {
                f->ComboBoxes[FmtComponents]->setCurrentIndex(1);
                f->ComboBoxes[FmtPressure]->setCurrentIndex(0);
                f->BitBtnOk->click();
            });
            item->trigger();
            QVERIFY(accept.Done());
            QFile file(path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            const QByteArray bytes = file.readAll();
            QCOMPARE(bytes.size(), ReportFormatSize);
            QCOMPARE(int(bytes[FmtComponents]), 1);
            QCOMPARE(int(bytes[FmtPressure]), 0);
            QCOMPARE(int(bytes[FmtTemperature]), 4);
            QCOMPARE(int(bytes[12]), 1);       // ParameterDigits[0]
            QCOMPARE(int(bytes[12 + 18]), 0);  // ParameterDigits[18]
            QCOMPARE(PressureDecimals(CurrentReportFormat()), 0);
        }
        {  // read back at the next start
            CurrentReportFormat() = DefaultReportFormat();
            MainWindow w;
            WindowPart<QTimer>(&w, "startTimer")->stop();
            QCOMPARE(GasParameterDecimals(CurrentReportFormat(), 3), 1);
            QCOMPARE(PressureDecimals(CurrentReportFormat()), 0);
        }
        qunsetenv("ZMK_HOME");
        CurrentReportFormat() = DefaultReportFormat();
    }
};

QTEST_MAIN(RepconfTest)
#include "ReportFormatDialogTest.moc"
