#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "link/SubscriberList.h"
#include "link/ui/SubscriberDialog.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kAddressRange = QStringLiteral("Адрес вне допустимого диапазона");
const QString kOctetRange = QStringLiteral("Поле IP-адреса вне допустимого диапазона");

// What the shared message showed.
struct SeenMessage {
    int kind = 0;
    bool shown = false;
    QString caption;
    QString line1;
    QString line2;
};

// Presses `button` on a dialog shown without its own loop and acknowledges
// the shared message it may show. A message still open after 5 s is closed
// so that a fault cannot hang the test.
SeenMessage PressAndAcknowledge(QPushButton* button) {
    SeenMessage seen;
    QElapsedTimer clock;
    clock.start();
    std::function<void()> poll;
    QObject context;  // pending polls die with it
    poll = [&] {
        auto* box = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
        if (box != nullptr && box->isVisible()) {
            seen.shown = true;
            seen.kind = int(box->Kind());
            seen.caption = box->windowTitle();
            seen.line1 = box->LineText(1);
            seen.line2 = box->LineText(2);
            MessageButton(box, "okButton")->click();
            return;
        }
        if (clock.elapsed() > 5000) {
            if (QWidget* open = QApplication::activeModalWidget())
                open->close();
            return;
        }
        QTimer::singleShot(10, &context, poll);
    };
    QTimer::singleShot(0, &context, poll);
    button->click();
    return seen;
}

// Types text into a widget key by key, Cyrillic included.
void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        const int key = c.unicode() < 0x80 ? c.toUpper().unicode() : int(Qt::Key_unknown);
        QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, QString(c));
        QApplication::sendEvent(widget, &press);
        QApplication::sendEvent(widget, &release);
    }
}

PhoneAbonent SamplePhone() {
    PhoneAbonent e = EmptyPhoneAbonent();
    SetAbonentName(e, QStringLiteral("Котельная №2"));
    SetAbonentPhone(e, QStringLiteral("8-800-100-20-30"));
    e.Address = 17;
    e.ModbusAddress = 99;
    return e;
}

EthernetAbonent SampleEthernet() {
    EthernetAbonent e = EmptyEthernetAbonent();
    SetAbonentName(e, QStringLiteral("ГРС Восток"));
    e.Address = 200;
    e.SetIp(0x0A000005);  // 10.0.0.5
    e.SetPort(4001);
    return e;
}

}  // namespace

class AbonentTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
    }

    void looksOfBothForms() {
        PhoneAbonent phone = SamplePhone();
        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog phoneForm(phone, SubscriberDialog::NewEntry);
        SubscriberDialog ethForm(eth, SubscriberDialog::NewEntry);

        QCOMPARE(phoneForm.windowTitle(), QStringLiteral("Параметры абонента (связь по телефону)"));
        QCOMPARE(phoneForm.size(), QSize(568, 220));
        QCOMPARE(ethForm.windowTitle(), QStringLiteral("Параметры абонента (Ethernet-интерфейс)"));
        QCOMPARE(ethForm.size(), QSize(568, 224));

        for (SubscriberDialog* form : {&phoneForm, &ethForm}) {
            const bool ethernet = form == &ethForm;
            QCOMPARE(form->IsEthernetForm(), ethernet);
            QCOMPARE(form->LabelName->text(), QStringLiteral("Наименование"));
            QCOMPARE(form->LabelAddress->text(), QStringLiteral("Адрес устройства"));
            QCOMPARE(form->BitBtnOk->text(), QStringLiteral("Принять"));
            QCOMPARE(form->BitBtnCancel->text(), QStringLiteral("Отменить"));
            QCOMPARE(form->EditName->maxLength(), 49);
            QCOMPARE(form->EditPhone->isHidden(), ethernet);
            QCOMPARE(form->LabelIp->isHidden(), !ethernet);
            QCOMPARE(form->EditPort->isHidden(), !ethernet);
            for (QLineEdit* octet : form->EditIp) {
                QCOMPARE(octet->isHidden(), !ethernet);
                QCOMPARE(octet->maxLength(), 3);
            }
            QVERIFY(form->ComboBoxAddress->isEditable());
            QCOMPARE(form->ComboBoxAddress->count(), 255);
            QCOMPARE(form->ComboBoxAddress->itemText(0), QStringLiteral("1"));
            QCOMPARE(form->ComboBoxAddress->itemText(254), QStringLiteral("255"));
            // Every widget lies inside the dialog.
            for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!w->isHidden())
                    QVERIFY2(form->rect().contains(w->geometry()), qPrintable(w->metaObject()->className()));
            }
        }
        QCOMPARE(phoneForm.LabelPhone->text(), QStringLiteral("№ телефона"));
        QCOMPARE(phoneForm.EditPhone->maxLength(), 29);
        QCOMPARE(ethForm.LabelIp->text(), QStringLiteral("IP-адрес:порт"));
    }

    void editModeShowsTheEntryNewModeStartsEmpty() {
        PhoneAbonent phone = SamplePhone();
        SubscriberDialog edit(phone, SubscriberDialog::EditEntry);
        QCOMPARE(edit.EditName->text(), QStringLiteral("Котельная №2"));
        QCOMPARE(edit.ComboBoxAddress->currentText(), QStringLiteral("17"));
        QCOMPARE(edit.EditPhone->text(), QStringLiteral("8-800-100-20-30"));

        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog ethEdit(eth, SubscriberDialog::EditEntry);
        QCOMPARE(ethEdit.EditName->text(), QStringLiteral("ГРС Восток"));
        QCOMPARE(ethEdit.ComboBoxAddress->currentText(), QStringLiteral("200"));
        QCOMPARE(ethEdit.EditIp[0]->text(), QStringLiteral("10"));
        QCOMPARE(ethEdit.EditIp[1]->text(), QStringLiteral("0"));
        QCOMPARE(ethEdit.EditIp[2]->text(), QStringLiteral("0"));
        QCOMPARE(ethEdit.EditIp[3]->text(), QStringLiteral("5"));
        QCOMPARE(ethEdit.EditPort->text(), QStringLiteral("4001"));

        SubscriberDialog fresh(eth, SubscriberDialog::NewEntry);
        QVERIFY(fresh.EditName->text().isEmpty());
        QVERIFY(fresh.ComboBoxAddress->currentText().isEmpty());
        for (QLineEdit* octet : fresh.EditIp)
            QVERIFY(octet->text().isEmpty());
        QVERIFY(fresh.EditPort->text().isEmpty());
    }

    void numericFieldsTakeDigitsOnlyAndTheirLengths() {
        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog form(eth, SubscriberDialog::NewEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TypeText(form.EditIp[0], QStringLiteral("1a9б2.7"));
        QCOMPARE(form.EditIp[0]->text(), QStringLiteral("192"));
        TypeText(form.EditPort, QStringLiteral("5 0-2x"));
        QCOMPARE(form.EditPort->text(), QStringLiteral("502"));
        TypeText(form.ComboBoxAddress->lineEdit(), QStringLiteral("2z5w59"));
        QCOMPARE(form.ComboBoxAddress->currentText(), QStringLiteral("255"));
        // The name takes any text, cut at 49 characters.
        TypeText(form.EditName, QString(60, u'ы'));
        QCOMPARE(form.EditName->text(), QString(49, u'ы'));

        PhoneAbonent phone = SamplePhone();
        SubscriberDialog phoneForm(phone, SubscriberDialog::NewEntry);
        phoneForm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&phoneForm));
        TypeText(phoneForm.EditPhone, QStringLiteral("+7 (495) 123-45-67, доб. 1234567"));
        QCOMPARE(phoneForm.EditPhone->text(), QStringLiteral("+7 (495) 123-45-67, доб. 1234"));
    }

    void telephoneValidation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("number");
        QTest::addColumn<QString>("line1");  // empty: accepted
        QTest::addColumn<QString>("line2");
        QTest::newRow("all empty") << "" << "" << "" << kNotAll << "";
        QTest::newRow("no address") << "Пост" << "" << "101" << kNotAll << "";
        QTest::newRow("no name") << "" << "5" << "101" << kNotAll << "";
        QTest::newRow("address 0, no number") << "Пост" << "0" << "" << kAddressRange << "(1...255)";
        QTest::newRow("address 256") << "Пост" << "256" << "101" << kAddressRange << "(1...255)";
        QTest::newRow("address not a number") << "Пост" << "1%" << "101" << kAddressRange << "(1...255)";
        QTest::newRow("no number") << "Пост" << "255" << "" << kNotAll << "";
        QTest::newRow("valid, address 1") << "Пост" << "1" << "101" << "" << "";
        QTest::newRow("valid, address 255") << "Пост" << "255" << "+7 (495) 1" << "" << "";
    }

    void telephoneValidation() {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, number);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        PhoneAbonent entry = SamplePhone();
        const PhoneAbonent before = entry;
        SubscriberDialog form(entry, SubscriberDialog::NewEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditName->setText(name);
        form.ComboBoxAddress->setEditText(address);
        form.EditPhone->setText(number);

        const SeenMessage seen = PressAndAcknowledge(form.BitBtnOk);
        if (line1.isEmpty()) {
            QVERIFY(!seen.shown);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(!form.isVisible());
            QCOMPARE(AbonentName(entry), name);
            QCOMPARE(AbonentPhone(entry), number);
            QCOMPARE(int(entry.Address), address.toInt());
            QCOMPARE(entry.ModbusAddress, before.ModbusAddress);
        } else {
            QVERIFY(seen.shown);
            QCOMPARE(seen.kind, 2);
            QCOMPARE(seen.caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(seen.line1, line1);
            QCOMPARE(seen.line2, line2);
            QVERIFY2(form.isVisible(), "the dialog stays open on a message");
            QVERIFY(form.result() != QDialog::Accepted);
            QCOMPARE(std::memcmp(&entry, &before, sizeof entry), 0);
        }
    }

    void ethernetValidation_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QStringList>("octets");
        QTest::addColumn<QString>("port");
        QTest::addColumn<QString>("line1");  // empty: accepted
        QTest::addColumn<QString>("line2");
        const QStringList good = {"192", "168", "1", "20"};
        const QStringList none = {"", "", "", ""};
        QTest::newRow("no name, nothing else")
            << "" << "" << none << "" << kNotAll << "";
        QTest::newRow("bad address before the port")
            << "ГРС" << "300" << none << "" << kAddressRange << "(1...255)";
        QTest::newRow("no port before the octets")
            << "ГРС" << "1" << none << "" << kNotAll << "";
        QTest::newRow("last octet empty")
            << "ГРС" << "1" << QStringList({"192", "168", "1", ""}) << "502" << kNotAll << "";
        QTest::newRow("last octet checked first")
            << "ГРС" << "1" << QStringList({"", "168", "1", "256"}) << "502" << kOctetRange << "(0...255)";
        QTest::newRow("third octet before the second")
            << "ГРС" << "1" << QStringList({"1", "", "999", "1"}) << "502" << kOctetRange << "(0...255)";
        QTest::newRow("second octet empty")
            << "ГРС" << "1" << QStringList({"300", "", "1", "1"}) << "502" << kNotAll << "";
        QTest::newRow("first octet out of range")
            << "ГРС" << "1" << QStringList({"300", "0", "1", "1"}) << "502" << kOctetRange << "(0...255)";
        QTest::newRow("octet not a number")
            << "ГРС" << "1" << QStringList({"1", "1", "1", "2'"}) << "502" << kOctetRange << "(0...255)";
        QTest::newRow("port not a number")
            << "ГРС" << "1" << good << "50%" << QStringLiteral("Номер порта вне допустимого диапазона")
            << "(0...2147483647)";
        QTest::newRow("valid") << "ГРС" << "7" << good << "502" << "" << "";
        QTest::newRow("zeros") << "Ноль" << "255" << QStringList({"0", "0", "0", "0"}) << "0" << "" << "";
        QTest::newRow("any port") << "Порт" << "1" << QStringList({"255", "255", "255", "255"})
                                  << "2147483647" << "" << "";
    }

    void ethernetValidation() {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QStringList, octets);
        QFETCH(QString, port);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        EthernetAbonent entry = SampleEthernet();
        const EthernetAbonent before = entry;
        SubscriberDialog form(entry, SubscriberDialog::NewEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditName->setText(name);
        form.ComboBoxAddress->setEditText(address);
        for (int i = 0; i < 4; ++i)
            form.EditIp[i]->setText(octets[i]);
        form.EditPort->setText(port);

        const SeenMessage seen = PressAndAcknowledge(form.BitBtnOk);
        if (line1.isEmpty()) {
            QVERIFY(!seen.shown);
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(AbonentName(entry), name);
            QCOMPARE(int(entry.Address), address.toInt());
            QCOMPARE(IpPortText(entry), octets.join('.') + ':' + port);
        } else {
            QVERIFY(seen.shown);
            QCOMPARE(seen.kind, 2);
            QCOMPARE(seen.caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(seen.line1, line1);
            QCOMPARE(seen.line2, line2);
            QVERIFY2(form.isVisible(), "the dialog stays open on a message");
            QVERIFY(form.result() != QDialog::Accepted);
            QCOMPARE(std::memcmp(&entry, &before, sizeof entry), 0);
        }
    }

    void ethernetEntryStoresTheNumberMostSignificantOctetFirst() {
        EthernetAbonent entry = EmptyEthernetAbonent();
        SubscriberDialog form(entry, SubscriberDialog::NewEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditName->setText(QStringLiteral("Узел"));
        form.ComboBoxAddress->setCurrentIndex(9);  // "10" from the list
        const char* octets[] = {"192", "168", "1", "20"};
        for (int i = 0; i < 4; ++i)
            form.EditIp[i]->setText(QString::fromLatin1(octets[i]));
        form.EditPort->setText(QStringLiteral("502"));
        QVERIFY(!PressAndAcknowledge(form.BitBtnOk).shown);
        QCOMPARE(entry.Ip(), 0xC0A80114u);
        QCOMPARE(int32_t(entry.Ip()), -1062731500);
        QCOMPARE(entry.Port(), 502);
        QCOMPARE(entry.Address, uint8_t(10));
    }

    void refusedThenCorrectedThenAccepted() {
        PhoneAbonent entry = SamplePhone();
        SubscriberDialog form(entry, SubscriberDialog::EditEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditPhone->clear();
        QCOMPARE(PressAndAcknowledge(form.BitBtnOk).line1, kNotAll);
        QVERIFY(form.isVisible());
        // The focus goes to the field at fault.
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(form.EditPhone));
        form.EditPhone->setText(QStringLiteral("02"));
        QVERIFY(!PressAndAcknowledge(form.BitBtnOk).shown);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(AbonentPhone(entry), QStringLiteral("02"));
        QCOMPARE(AbonentName(entry), QStringLiteral("Котельная №2"));
        QCOMPARE(entry.Address, uint8_t(17));
        QCOMPARE(entry.ModbusAddress, uint8_t(99));
    }

    void cancelLeavesTheEntry() {
        EthernetAbonent entry = SampleEthernet();
        const EthernetAbonent before = entry;
        SubscriberDialog form(entry, SubscriberDialog::EditEntry);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.EditName->setText(QStringLiteral("Другое"));
        form.EditIp[0]->setText(QStringLiteral("1"));
        form.BitBtnCancel->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(std::memcmp(&entry, &before, sizeof entry), 0);
    }
};

QTEST_MAIN(AbonentTest)
#include "SubscriberDialogTest.moc"
