#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "BaseFolder.h"
#include "NamedChild.h"
#include "app/ui/MainWindow.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "reports/ui/ReportFormatDialog.h"
#include "settings/ReportFormat.h"

using namespace zmk;

namespace {

template <typename T>
T* Part(const ReportFormatDialog* form, const QString& name) {
    T* part = form->findChild<T*>(name);
    if (part == nullptr)
        qFatal("ReportFormatDialog has no %s", qPrintable(name));
    return part;
}

// The drop-down list of one format byte and its label.
QComboBox* Box(const ReportFormatDialog* form, int byte) {
    return Part<QComboBox>(form, QStringLiteral("decimalsBox%1").arg(byte));
}
QLabel* Label(const ReportFormatDialog* form, int byte) {
    return Part<QLabel>(form, QStringLiteral("decimalsLabel%1").arg(byte));
}
QGroupBox* Group(const ReportFormatDialog* form, const char* name) {
    return Part<QGroupBox>(form, QString::fromLatin1(name));
}
QPushButton* Button(const ReportFormatDialog* form, const char* name) {
    return Part<QPushButton>(form, QString::fromLatin1(name));
}

ReportFormat Numbered() {
    ReportFormat f;
    std::memset(&f, 0, sizeof f);
    const uint8_t bytes[ReportFormatDialogBytes] = {1, 2, 3, 4, 5, 6, 7, 0, 1, 2, 3, 4};
    std::memcpy(f.Format, bytes, sizeof bytes);
    std::memset(f.ParameterDigits, 6, sizeof f.ParameterDigits);
    return f;
}

}  // namespace

class ReportFormatDialogTest : public QObject {
    Q_OBJECT

private slots:

    void looksAndShowsEveryByte() {
        ReportFormat format = Numbered();
        ReportFormatDialog form(format);
        QCOMPARE(form.windowTitle(), QStringLiteral("Формат представления данных"));
        QCOMPARE(Part<QLabel>(&form, QStringLiteral("headingLabel"))->text(),
                 QStringLiteral("Точность представления данных"));
        QCOMPARE(Part<QLabel>(&form, QStringLiteral("headingNoteLabel"))->text(),
                 QStringLiteral("(количество знаков после запятой)"));
        QCOMPARE(Group(&form, "densityGroup")->title(), QStringLiteral(" Плотность "));
        QCOMPARE(Group(&form, "heatGroup")->title(), QStringLiteral(" Теплота сгорания "));
        QCOMPARE(Group(&form, "wobbeGroup")->title(), QStringLiteral(" Число Воббе "));
        QCOMPARE(Button(&form, "acceptButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(Button(&form, "cancelButton")->text(), QStringLiteral("Отменить"));

        const char* labels[ReportFormatDialogBytes] = {
            "МД составляющих газа", "Фактор сжимаемости", "Температура", "Давление", "Абсолютная",
            "Относительная", "ккал/м3", "МДж/м3", "кВт-год/м3", "ккал/м3", "МДж/м3", "кВт-год/м3"};
        QGroupBox* density = Group(&form, "densityGroup");
        QGroupBox* heat = Group(&form, "heatGroup");
        QGroupBox* wobbe = Group(&form, "wobbeGroup");
        QWidget* parents[ReportFormatDialogBytes] = {&form,   &form,   &form, &form, density, density,
                                                     heat,    heat,    heat,  wobbe, wobbe,   wobbe};
        const QStringList items = {" 0 ", " 1", " 2", " 3", " 4", " 5", " 6", " 7"};
        for (int i = 0; i < ReportFormatDialogBytes; ++i) {
            QComboBox* combo = Box(&form, i);
            QLabel* label = Label(&form, i);
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
        auto set = [&](ReportFormatByte b, int digits) { Box(&form, b)->setCurrentIndex(digits); };
        set(FmtComponents, 3);
        set(FmtDensityAbsolute, 4);
        set(FmtHeatMJ, 2);
        set(FmtWobbeMJ, 2);
        set(FmtTemperature, 1);
        set(FmtPressure, 0);
        set(FmtHeatKcal, 7);
        Button(&form, "acceptButton")->click();
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
        Box(&form, FmtComponents)->setCurrentIndex(7);
        Button(&form, "cancelButton")->click();
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
        QCOMPARE(Box(&form, FmtTemperature)->currentIndex(), -1);
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));

        QList<MessageLook> shown;
        {
            MessageTrap trap([&](MessageKind, const MessageLook& look) {
                shown.append(look);
                return false;
            });
            Button(&form, "acceptButton")->click();
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].Caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(shown[0].Line1, QStringLiteral("Введены не все данные"));
        QCOMPARE(shown[0].Line2, QString());
        QVERIFY(form.isVisible());
        QVERIFY(format == before);
        // The focus goes to the list without a choice.
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Box(&form, FmtTemperature)));

        // Choosing a value makes it acceptable; the non-editable byte stays as read.
        Box(&form, FmtTemperature)->setCurrentIndex(5);
        Button(&form, "acceptButton")->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(int(format.Format[FmtTemperature]), 5);
        QCOMPARE(int(format.Format[FmtCompressibility]), 200);
        QCOMPARE(int(format.ParameterDigits[17]), 5);
    }

    // The menu command of the main window rewrites rep_format.ini on acceptance only.
    void menuCommandRewritesTheFileOnAcceptance() {
        BaseFolder base;
        QVERIFY(base.IsValid());
        const QString path = base.File(QStringLiteral("INI/rep_format.ini"));
        {
            MainWindow w;
            Named<QTimer>(&w, "startTimer")->stop();
            QAction* item = w.MenuItem(QStringLiteral("NFormate"));
            QVERIFY(item != nullptr);
            QVERIFY(CurrentReportFormat() == DefaultReportFormat());  // no file: all 4

            ModalScript cancel;
            cancel.Then<ReportFormatDialog>([](ReportFormatDialog* f) {
                Box(f, FmtComponents)->setCurrentIndex(1);
                Button(f, "cancelButton")->click();
            });
            cancel.Start();
            item->trigger();
            QVERIFY(cancel.Finished());
            QVERIFY(!QFile::exists(path));
            QVERIFY(CurrentReportFormat() == DefaultReportFormat());

            ModalScript accept;
            accept.Then<ReportFormatDialog>([](ReportFormatDialog* f) {
                Box(f, FmtComponents)->setCurrentIndex(1);
                Box(f, FmtPressure)->setCurrentIndex(0);
                Button(f, "acceptButton")->click();
            });
            accept.Start();
            item->trigger();
            QVERIFY(accept.Finished());
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
            Named<QTimer>(&w, "startTimer")->stop();
            QCOMPARE(GasParameterDecimals(CurrentReportFormat(), 3), 1);
            QCOMPARE(PressureDecimals(CurrentReportFormat()), 0);
        }
        CurrentReportFormat() = DefaultReportFormat();
    }
};

QTEST_MAIN(ReportFormatDialogTest)
#include "ReportFormatDialogTest.moc"
