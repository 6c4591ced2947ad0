// The toolkit's own windows speak Russian (file dialogs, calendars) while
// numbers keep the full stop.

#include <QAbstractItemModel>
#include <QApplication>
#include <QCalendarWidget>
#include <QDateEdit>
#include <QDialogButtonBox>
#include <QDoubleValidator>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>

#include "common/ui/RussianTexts.h"

using namespace zmk;

class RussianTextsTest : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() {
        QLocale::setDefault(QLocale::c());  // as the program sets it
        QVERIFY2(InstallRussianTexts(*qApp), "qtbase_ru.qm not found (Debian package qt6-translations-l10n)");
    }

    void fileDialogsSpeakRussian() {
        QFileDialog dialog(nullptr, QStringLiteral("Введите имя файла для сохранения данных"));
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const auto* lookIn = dialog.findChild<QLabel*>(QStringLiteral("lookInLabel"));
        QVERIFY(lookIn != nullptr);
        QCOMPARE(lookIn->text(), QStringLiteral("Перейти к:"));
        const auto* buttons = dialog.findChild<QDialogButtonBox*>(QStringLiteral("buttonBox"));
        QVERIFY(buttons != nullptr);
        QCOMPARE(buttons->button(QDialogButtonBox::Cancel)->text().remove(u'&'), QStringLiteral("Отмена"));
        QCOMPARE(buttons->button(QDialogButtonBox::Save)->text().remove(u'&'), QStringLiteral("Сохранить"));
    }

    // The pop-up calendar of a date picker: Russian month and day names; the
    // picker itself keeps its own format.
    void calendarsNameMonthsAndDaysInRussian() {
        QDateEdit edit(QDate(2026, 12, 11));
        edit.setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
        edit.setCalendarPopup(true);
        edit.show();
        QVERIFY(QTest::qWaitForWindowExposed(&edit));
        QCalendarWidget* calendar = edit.calendarWidget();
        QWidget* popup = calendar->window();  // the pop-up that holds it
        popup->show();
        QVERIFY(QTest::qWaitForWindowExposed(popup));
        const auto* month = calendar->findChild<QToolButton*>(QStringLiteral("qt_calendar_monthbutton"));
        QVERIFY(month != nullptr);
        QCOMPARE(month->text(), QStringLiteral("декабрь"));
        const auto* view = calendar->findChild<QTableView*>(QStringLiteral("qt_calendar_calendarview"));
        QVERIFY(view != nullptr);
        QStringList days;
        for (int column = 0; column < view->model()->columnCount(); ++column)
            days << view->model()->data(view->model()->index(0, column)).toString();
        QCOMPARE(days.value(days.size() - 7), QStringLiteral("пн"));
        QCOMPARE(edit.text(), QStringLiteral("11.12.2026"));
        popup->hide();
    }

    void numbersKeepTheFullStop() {
        QCOMPARE(QLocale().toString(1.5), QStringLiteral("1.5"));
        bool ok = false;
        QCOMPARE(QLocale().toDouble(QStringLiteral("2.25"), &ok), 2.25);
        QVERIFY(ok);
        QLineEdit edit;
        QDoubleValidator validator(0, 100, 3);
        int pos = 0;
        QString comma = QStringLiteral("1,5");
        QString point = QStringLiteral("1.5");
        QCOMPARE(validator.validate(point, pos), QValidator::Acceptable);
        QVERIFY(validator.validate(comma, pos) != QValidator::Acceptable);
    }
};

QTEST_MAIN(RussianTextsTest)
#include "RussianTextsTest.moc"
