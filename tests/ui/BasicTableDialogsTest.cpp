// The dialogs of the basic tables on their own: identification, name,
// system parameters, date and time - what they show, what they refuse and
// what they leave in the bytes they were given.
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <array>

#include "MessageLog.h"
#include "NamedChild.h"
#include "common/Cp1251.h"
#include "tables/ui/ClockDialog.h"
#include "tables/ui/ControllerNameDialog.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/SystemParamsDialog.h"

using namespace zmk;

namespace {

using Table6 = std::array<uint8_t, 12>;
using Name = std::array<uint8_t, 20>;

// Summer time from the last Sunday of March at 3 h, winter time from the
// last Sunday of October at 4 h, contract hour 10, moisture meter present,
// and fields 9..11 as a controller might hold them.
const Table6 SystemFields = {3, 201, 3, 10, 201, 4, 10, 1, 1, 7, 7, 7};

QByteArray Bytes(const uint8_t* data, int size) { return QByteArray(reinterpret_cast<const char*>(data), size); }

Name NameBytes(const char* latinOrCp1251) {
    Name n;
    n.fill(' ');
    const QByteArray text(latinOrCp1251);
    std::copy(text.begin(), text.end(), n.begin());
    return n;
}

QComboBox* List(const QWidget& form, const char* name) { return Named<QComboBox>(&form, QLatin1String(name)); }
QString Shown(const QWidget& form, const char* name) { return List(form, name)->currentText(); }
bool InView(const QWidget& form, const char* name) { return !Named<QWidget>(&form, QLatin1String(name))->isHidden(); }
QLabel* Value(const QWidget& form, const QString& name) { return Named<QLabel>(&form, name); }

// Types text key by key, as the keyboard would (QTest::keyClicks takes Latin-1 only).
void Type(QWidget* widget, const QString& text) {
    for (const QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

PackedDate D(int day, int month, int year, int hour, int minute, int second) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

}  // namespace

class BasicTableDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // --- identification ----------------------------------------------------

    void identificationInFull() {
        // table 5 destroyed, software date with month 13, fixed address 7
        const uint8_t t[18] = {5, 73, 2, 10, 21, 13, 15, 12, 0, 0, 1, 1, 0, 7, 3, 0, 1, 0};
        IdentificationDialog form(t, true);
        QCOMPARE(form.windowTitle(), QStringLiteral("Параметры идентификации контроллера"));
        QCOMPARE(form.size(), QSize(490, 416));
        const QStringList values = {QStringLiteral("73"),
                                    QStringLiteral("10"),
                                    QStringLiteral("2"),
                                    QStringLiteral("15.**.21  12:00:00"),
                                    QStringLiteral("Мл. адрес - мл. байт"),
                                    QStringLiteral("Разрушена таблица 5"),
                                    QStringLiteral("Есть"),
                                    QStringLiteral("Нет. Адрес = 7"),
                                    QStringLiteral("3.0.1")};
        for (int i = 0; i < values.size(); ++i) {
            QCOMPARE(Value(form, QStringLiteral("identValue%1").arg(i))->text(), values[i]);
            QVERIFY(Value(form, QStringLiteral("identLabel%1").arg(i))->isEnabled());
            QCOMPARE(Value(form, QStringLiteral("identValue%1").arg(i))->property("alarm").toBool(), i == 5);
        }
        QCOMPARE(Value(form, QStringLiteral("identLabel6"))->text(),
                 QStringLiteral("Возможность работы на разных\nскоростях обмена"));
        Named<QPushButton>(&form, QStringLiteral("exitButton"))->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void identificationOfNewConfiguration() {
        const uint8_t t[18] = {0, 73, 0, 10};
        IdentificationDialog form(t, false);
        QCOMPARE(Value(form, QStringLiteral("identValue0"))->text(), QStringLiteral("73"));
        QCOMPARE(Value(form, QStringLiteral("identValue1"))->text(), QStringLiteral("10"));
        for (int i = 2; i < 9; ++i) {
            QVERIFY(!Value(form, QStringLiteral("identLabel%1").arg(i))->isEnabled());
            QVERIFY(Value(form, QStringLiteral("identValue%1").arg(i))->text().isEmpty());
        }
    }

    // --- name ---------------------------------------------------------------

    void nameShownTrimmed() {
        Name name = NameBytes("  \xC3\xD0\xD1-1");  // "  ГРС-1"
        ControllerNameDialog form(name.data(), true);
        QCOMPARE(form.windowTitle(), QStringLiteral("Наименование контроллера"));
        QCOMPARE(form.size(), QSize(364, 144));
        QCOMPARE(Named<QLineEdit>(&form, QStringLiteral("nameEdit"))->text(), QStringLiteral("ГРС-1"));
        QCOMPARE(Named<QPushButton>(&form, QStringLiteral("writeButton"))->text(),
                 QStringLiteral("Записать в устройство"));
    }

    void nameInput_data() {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("dos");
        QTest::addColumn<QString>("refused");   // line 2 of the message; empty: accepted
        QTest::addColumn<QByteArray>("stored");  // Windows-1251, on acceptance
        QTest::newRow("five characters") << QStringLiteral("ГРС-5") << true << QString()
                                         << QByteArray("\xC3\xD0\xD1-5               ");
        QTest::newRow("empty") << QString() << true << QString() << QByteArray(20, ' ');
        QTest::newRow("twenty") << QStringLiteral("12345678901234567890") << true << QString()
                                << QByteArray("12345678901234567890");
        QTest::newRow("guillemets, Windows controller") << QStringLiteral("«ГРС»") << false << QString()
                                                       << QByteArray("\xAB\xC3\xD0\xD1\xBB               ");
        QTest::newRow("guillemets, DOS controller") << QStringLiteral("«ГРС»") << true << QStringLiteral("\"«»\"")
                                                   << QByteArray();
        QTest::newRow("not in Windows-1251") << QStringLiteral("ГРС 日本") << false << QStringLiteral("\"日本\"")
                                             << QByteArray();
        QTest::newRow("control character") << QStringLiteral("a\tb") << false << QStringLiteral("\"\t\"")
                                           << QByteArray();
    }

    void nameInput() {
        QFETCH(QString, text);
        QFETCH(bool, dos);
        QFETCH(QString, refused);
        QFETCH(QByteArray, stored);
        Name name = NameBytes("old");
        ControllerNameDialog form(name.data(), dos);
        form.show();
        Named<QLineEdit>(&form, QStringLiteral("nameEdit"))->setText(text);
        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("writeButton"))->click();
        if (refused.isEmpty()) {
            QCOMPARE(log.seen.size(), 0);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(Bytes(name.data(), 20), stored);
            return;
        }
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, QStringLiteral("Недопустимые символы в наименовании контроллера:"));
        QCOMPARE(log.seen[0].line2, refused);
        QVERIFY(form.isVisible());
        QCOMPARE(Bytes(name.data(), 20), QByteArray("old                 "));
    }

    // Typed and pasted text go through the same field: at most 20 characters,
    // checked when written.
    void namePastedAndTyped() {
        Name name = NameBytes("old");
        ControllerNameDialog form(name.data(), true);
        form.show();
        QLineEdit* edit = Named<QLineEdit>(&form, QStringLiteral("nameEdit"));
        edit->clear();
        Type(edit, QStringLiteral("ЗМК-10 ГРС Северная-2 лишнее"));
        QCOMPARE(edit->text(), QStringLiteral("ЗМК-10 ГРС Северная-"));
        edit->clear();
        QApplication::clipboard()->setText(QStringLiteral("«Южная» ГРС"));
        edit->paste();
        if (edit->text().isEmpty()) QSKIP("no clipboard on this platform");
        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("writeButton"))->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line2, QStringLiteral("\"«»\""));
    }

    void nameCancelled() {
        Name name = NameBytes("old");
        ControllerNameDialog form(name.data(), true);
        form.show();
        Named<QLineEdit>(&form, QStringLiteral("nameEdit"))->setText(QStringLiteral("new"));
        Named<QPushButton>(&form, QStringLiteral("cancelButton"))->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(Bytes(name.data(), 20), QByteArray("old                 "));
    }

    // --- system parameters ----------------------------------------------------

    void systemParamsShown() {
        Table6 t = SystemFields;
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::WriteToController);
        QCOMPARE(form.windowTitle(), QStringLiteral("Системные параметры контроллера"));
        QCOMPARE(form.size(), QSize(772, 316));
        QCOMPARE(Named<QPushButton>(&form, QStringLiteral("confirmButton"))->text(),
                 QStringLiteral("Записать в устройство"));
        QCOMPARE(Named<QGroupBox>(&form, QStringLiteral("summerGroup"))->title(),
                 QStringLiteral(" Переход на летнее время "));
        QCOMPARE(Shown(form, "contractHour"), QStringLiteral("10:00"));
        QCOMPARE(List(form, "contractHour")->count(), 24);
        QVERIFY(Named<QCheckBox>(&form, QStringLiteral("chromatographPresent"))->isChecked());
        QVERIFY(!Named<QCheckBox>(&form, QStringLiteral("chromatographPresent"))->isEnabled());
        QVERIFY(Named<QCheckBox>(&form, QStringLiteral("moisturePresent"))->isChecked());
        // 3, 201, 3
        QCOMPARE(Shown(form, "summerMonth"), QStringLiteral("Март"));
        QCOMPARE(Shown(form, "summerDayKind"), QStringLiteral("День недели в месяце"));
        QCOMPARE(Shown(form, "summerOrdinal"), QStringLiteral("Последний"));
        QCOMPARE(Shown(form, "summerWeekday"), QStringLiteral("Воскресенье"));
        QCOMPARE(Shown(form, "summerHour"), QStringLiteral("3:00"));
        QVERIFY(!InView(form, "summerDayOfMonth"));
        QVERIFY(!InView(form, "summerDayOfMonthLabel"));
        QVERIFY(InView(form, "summerOrdinal"));
        QCOMPARE(Named<QLabel>(&form, QStringLiteral("summerOrdinalLabel"))->text(),
                 QStringLiteral("Номер \"дня недели\" в месяце"));
        QCOMPARE(Shown(form, "winterMonth"), QStringLiteral("Октябрь"));
        QCOMPARE(Shown(form, "winterHour"), QStringLiteral("4:00"));
        QStringList summerMonths, winterMonths;
        for (int i = 0; i < 5; ++i) {
            summerMonths << List(form, "summerMonth")->itemText(i);
            winterMonths << List(form, "winterMonth")->itemText(i);
        }
        QCOMPARE(summerMonths, QStringList({"Переход запрещен", "Февраль", "Март", "Апрель", "Май"}));
        QCOMPARE(winterMonths, QStringList({"Переход запрещен", "Сентябрь", "Октябрь", "Ноябрь", "Декабрь"}));
        QCOMPARE(List(form, "summerHour")->itemText(22), QStringLiteral("22:00"));
        QCOMPARE(List(form, "winterHour")->itemText(0), QStringLiteral("1:00"));
        QCOMPARE(List(form, "winterHour")->itemText(22), QStringLiteral("23:00"));
    }

    void systemParamsStoresChoices() {
        Table6 t = SystemFields;
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::WriteToController);
        form.show();
        List(form, "summerOrdinal")->setCurrentIndex(3);  // "Предпоследний"
        List(form, "summerWeekday")->setCurrentIndex(6);  // "Суббота"
        List(form, "winterMonth")->setCurrentIndex(4);    // "Декабрь"
        List(form, "winterHour")->setCurrentIndex(22);    // 23 h
        List(form, "contractHour")->setCurrentIndex(0);
        Named<QCheckBox>(&form, QStringLiteral("moisturePresent"))->setChecked(false);
        QVERIFY(t == SystemFields);  // nothing stored before confirming
        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("confirmButton"))->click();
        QCOMPARE(log.seen.size(), 0);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        const Table6 expected = {3, 250, 3, 12, 201, 23, 0, 1, 0, 1, 0, 0};
        QCOMPARE(Bytes(t.data(), 12), Bytes(expected.data(), 12));
    }

    // "Переход запрещен" hides every other control of its group and keeps
    // the day and hour bytes; another way of giving the day shows the day of
    // the month, whose list follows the month.
    void systemParamsHidingAndDayLists() {
        Table6 t = SystemFields;
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::WriteToController);
        List(form, "summerMonth")->setCurrentIndex(0);
        for (const char* name : {"summerDayKind", "summerDayOfMonth", "summerOrdinal", "summerWeekday", "summerHour",
                                 "summerDayKindLabel", "summerOrdinalLabel", "summerHourLabel"})
            QVERIFY2(!InView(form, name), name);
        QVERIFY(InView(form, "summerMonth"));
        QVERIFY(InView(form, "winterOrdinal"));

        List(form, "winterDayKind")->setCurrentIndex(0);  // "День месяца (число)"
        QVERIFY(InView(form, "winterDayOfMonth"));
        QVERIFY(!InView(form, "winterOrdinal"));
        QVERIFY(!InView(form, "winterWeekday"));
        QCOMPARE(List(form, "winterDayOfMonth")->count(), 31);        // October
        QCOMPARE(List(form, "winterDayOfMonth")->currentIndex(), -1);  // 201 without bit 7 is day 73
        List(form, "winterDayOfMonth")->setCurrentIndex(30);          // the 31st
        List(form, "winterMonth")->setCurrentIndex(3);                // November: 30 days
        QCOMPARE(List(form, "winterDayOfMonth")->count(), 30);
        QCOMPARE(List(form, "winterDayOfMonth")->currentIndex(), -1);
        List(form, "winterDayOfMonth")->setCurrentIndex(14);
        List(form, "summerMonth")->setCurrentIndex(1);  // February: 28 days, the rule shown again
        QCOMPARE(Shown(form, "summerOrdinal"), QStringLiteral("Последний"));
        List(form, "summerDayKind")->setCurrentIndex(0);
        QCOMPARE(List(form, "summerDayOfMonth")->count(), 28);
        List(form, "summerMonth")->setCurrentIndex(0);

        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("confirmButton"))->click();
        QCOMPARE(log.seen.size(), 0);
        // Summer: month 0 with the day byte as changed (bit 7 cleared) and the hour kept.
        const Table6 expected = {0, 0x49, 3, 11, 15, 4, 10, 1, 1, 1, 0, 0};
        QCOMPARE(Bytes(t.data(), 12), Bytes(expected.data(), 12));
    }

    // Every list in view must have a choice; a value read from the
    // controller that no list offers leaves its list without one.
    void systemParamsInputChecks_data() {
        QTest::addColumn<int>("field");
        QTest::addColumn<int>("value");
        QTest::addColumn<bool>("refused");
        QTest::newRow("contract hour 30") << 6 << 30 << true;
        QTest::newRow("contract hour 23") << 6 << 23 << false;
        QTest::newRow("summer month 7") << 0 << 7 << true;
        QTest::newRow("summer month 1") << 0 << 1 << true;
        QTest::newRow("winter month 13") << 3 << 13 << true;
        QTest::newRow("summer hour 23") << 2 << 23 << true;
        QTest::newRow("winter hour 0") << 5 << 0 << true;
        QTest::newRow("winter hour 23") << 5 << 23 << false;
        QTest::newRow("ordinal bits 5") << 1 << 0x85 + (1 << 3) << true;
        QTest::newRow("from the end, ordinal 3") << 1 << 0xC3 + (1 << 3) << true;
        QTest::newRow("weekday 0") << 4 << 0xC1 << true;
        QTest::newRow("day of month 0") << 4 << 0 << true;
        QTest::newRow("day of month 31 in October") << 4 << 31 << false;
        QTest::newRow("day of month 32") << 4 << 32 << true;
        QTest::newRow("moisture meter 2") << 8 << 2 << false;
    }

    void systemParamsInputChecks() {
        QFETCH(int, field);
        QFETCH(int, value);
        QFETCH(bool, refused);
        Table6 t = SystemFields;
        t[size_t(field)] = uint8_t(value);
        const Table6 before = t;
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::AcceptIntoRecord);
        form.show();
        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("confirmButton"))->click();
        if (!refused) {
            QCOMPARE(log.seen.size(), 0);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            return;
        }
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, QStringLiteral("Введены не все параметры"));
        QVERIFY(log.seen[0].line2.isEmpty());
        QVERIFY(form.isVisible());
        QVERIFY(t == before);
    }

    // With the rule switched off its hidden controls are not asked for: the
    // record keeps whatever day and hour it had.
    void systemParamsSwitchedOffRuleKeepsItsBytes() {
        Table6 t = {0, 0xFF, 99, 0, 0, 0, 10, 1, 0, 1, 0, 0};
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::AcceptIntoRecord);
        QCOMPARE(Named<QPushButton>(&form, QStringLiteral("confirmButton"))->text(), QStringLiteral("Принять"));
        MessageLog log;
        Named<QPushButton>(&form, QStringLiteral("confirmButton"))->click();
        QCOMPARE(log.seen.size(), 0);
        const Table6 expected = {0, 0xFF, 99, 0, 0, 0, 10, 1, 0, 1, 0, 0};
        QVERIFY(t == expected);
    }

    void systemParamsCancelled() {
        Table6 t = SystemFields;
        SystemParamsDialog form(t.data(), SystemParamsDialog::Mode::AcceptIntoRecord);
        form.show();
        List(form, "contractHour")->setCurrentIndex(3);
        Named<QPushButton>(&form, QStringLiteral("cancelButton"))->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QVERIFY(t == SystemFields);  // fields 9..11 as they were, too
    }

    // --- date and time ----------------------------------------------------------

    void clockShowsBothAndRedDifferences() {
        ClockReading controller{D(15, 3, 26, 12, 29, 55), 1, false};
        ClockReading computer{D(15, 3, 26, 12, 30, 10), 1, true};
        ClockDialog form(controller, computer);
        QCOMPARE(form.windowTitle(), QStringLiteral("Текущие дата и время"));
        QCOMPARE(form.size(), QSize(540, 196));
        const struct {
            const char* name;
            const char* text;
            bool red;
        } values[] = {
            {"controllerDate", "15.03.26", false},   {"computerDate", "15.03.26", false},
            {"controllerTime", "12:29:55", true},    {"computerTime", "12:30:10", false},
            {"controllerWeekday", "Воскресенье", false}, {"computerWeekday", "Воскресенье", false},
            {"controllerKind", "Летнее", true},      {"computerKind", "Зимнее", false},
        };
        for (const auto& v : values) {
            QLabel* label = Value(form, QLatin1String(v.name));
            QCOMPARE(label->text(), QString::fromUtf8(v.text));
            QCOMPARE(label->property("differs").toBool(), v.red);
        }
        QVERIFY(Named<QPushButton>(&form, QStringLiteral("correctButton"))->isEnabled());
    }

    // The correction is worked out when "Да" is pressed: 3 s after the
    // reading (12:59:50 against 12:59:58) the computer has passed into the
    // next hour, and the controller goes to its start (7 s), not past it (8 s).
    void clockCorrectionAsked_data() {
        QTest::addColumn<bool>("answer");
        QTest::addColumn<int>("waitMs");
        QTest::addColumn<int>("correction");  // -1000: none
        QTest::newRow("yes") << true << 0 << 8;
        QTest::newRow("no") << false << 0 << -1000;
        QTest::newRow("yes, 3 s later") << true << 3000 << 7;
    }

    void clockCorrectionAsked() {
        QFETCH(bool, answer);
        QFETCH(int, waitMs);
        QFETCH(int, correction);
        ClockDialog form({D(15, 3, 26, 12, 59, 50), 1, true}, {D(15, 3, 26, 12, 59, 58), 1, true});
        form.show();
        QTest::qWait(waitMs);
        MessageLog log(answer);
        Named<QPushButton>(&form, QStringLiteral("correctButton"))->click();
        QCOMPARE(log.seen.size(), 1);
        QVERIFY(log.seen[0].question);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Вы уверены, что часы ЭВМ показывают правильное время?"));
        QVERIFY(log.seen[0].line2.isEmpty());
        QVERIFY(!form.isVisible());
        QCOMPARE(form.Correction().value_or(-1000), correction);
    }

    void clockExitCorrectsNothing() {
        ClockDialog form({D(15, 3, 26, 12, 29, 55), 1, true}, {D(15, 3, 26, 12, 30, 10), 1, true});
        form.show();
        Named<QPushButton>(&form, QStringLiteral("exitButton"))->click();
        QVERIFY(!form.isVisible());
        QVERIFY(!form.Correction());
    }

    // Nothing to correct when the clocks agree to the second; nothing to
    // correct from when the controller's clock is no date at all (it is
    // shown as it came).
    void clockCorrectionOffered_data() {
        QTest::addColumn<QByteArray>("table2");
        QTest::addColumn<bool>("offered");
        QTest::addColumn<QString>("date");
        QTest::addColumn<QString>("time");
        QTest::addColumn<QString>("weekday");
        QTest::newRow("equal, kinds differ") << QByteArray("\x1A\x03\x0F\x0C\x1E\x0A\x01\x00", 8) << false
                                             << "15.03.26" << "12:30:10" << "Воскресенье";
        QTest::newRow("a second apart") << QByteArray("\x1A\x03\x0F\x0C\x1E\x0B\x01\x80", 8) << true << "15.03.26"
                                        << "12:30:11" << "Воскресенье";
        QTest::newRow("month 13, hour 30, weekday 9") << QByteArray("\x1A\x0D\x0F\x1E\x1E\x0A\x09\x80", 8) << false
                                                      << "15.13.26" << "30:30:10" << "?";
        QTest::newRow("all bytes 255") << QByteArray(8, '\xFF') << false << "255.255.255" << "255:255:255" << "?";
    }

    void clockCorrectionOffered() {
        QFETCH(QByteArray, table2);
        QFETCH(bool, offered);
        QFETCH(QString, date);
        QFETCH(QString, time);
        QFETCH(QString, weekday);
        const ClockReading controller = ControllerClock(reinterpret_cast<const uint8_t*>(table2.constData()));
        ClockDialog form(controller, {D(15, 3, 26, 12, 30, 10), 1, true});
        QCOMPARE(Named<QPushButton>(&form, QStringLiteral("correctButton"))->isEnabled(), offered);
        QCOMPARE(Value(form, QStringLiteral("controllerDate"))->text(), date);
        QCOMPARE(Value(form, QStringLiteral("controllerTime"))->text(), time);
        QCOMPARE(Value(form, QStringLiteral("controllerWeekday"))->text(), weekday);
    }
};

QTEST_MAIN(BasicTableDialogsTest)
#include "BasicTableDialogsTest.moc"
