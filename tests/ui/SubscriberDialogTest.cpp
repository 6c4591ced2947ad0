#include <QApplication>
#include <QComboBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <cstring>

#include "MessageLog.h"
#include "NamedChild.h"
#include "link/SubscriberList.h"
#include "link/ui/SubscriberDialog.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kAddressRange = QStringLiteral("Адрес вне допустимого диапазона");
const QString kOctetRange = QStringLiteral("Поле IP-адреса вне допустимого диапазона");

// Presses `button` and returns the shared messages it showed.
QList<SeenMessage> Press(QPushButton* button) {
    MessageLog log;
    button->click();
    return log.seen;
}

// The widgets of the entry dialog, both forms' fields.
struct EntryWidgets {
    explicit EntryWidgets(const SubscriberDialog& form)
        : nameLabel(Named<QLabel>(&form, "nameLabel")),
          nameEdit(Named<QLineEdit>(&form, "nameEdit")),
          addressLabel(Named<QLabel>(&form, "addressLabel")),
          addressBox(Named<QComboBox>(&form, "addressBox")),
          phoneLabel(Named<QLabel>(&form, "phoneLabel")),
          phoneEdit(Named<QLineEdit>(&form, "phoneEdit")),
          ipLabel(Named<QLabel>(&form, "ipLabel")),
          tcpPortEdit(Named<QLineEdit>(&form, "tcpPortEdit")),
          acceptButton(Named<QPushButton>(&form, "acceptButton")),
          cancelButton(Named<QPushButton>(&form, "cancelButton")) {
        for (int i = 0; i < 4; ++i)
            octetEdits[i] = Named<QLineEdit>(&form, QStringLiteral("octetEdit%1").arg(i + 1));
    }
    QLabel* nameLabel;
    QLineEdit* nameEdit;
    QLabel* addressLabel;
    QComboBox* addressBox;
    QLabel* phoneLabel;
    QLineEdit* phoneEdit;
    QLabel* ipLabel;
    QLineEdit* octetEdits[4];  // first octet first
    QLineEdit* tcpPortEdit;
    QPushButton* acceptButton;
    QPushButton* cancelButton;
};

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

class SubscriberDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
    }

    void looksOfBothForms() {
        PhoneAbonent phone = SamplePhone();
        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog phoneForm(phone, SubscriberDialog::NewEntry);
        const EntryWidgets phoneUi(phoneForm);
        SubscriberDialog ethForm(eth, SubscriberDialog::NewEntry);
        const EntryWidgets ethUi(ethForm);

        QCOMPARE(phoneForm.windowTitle(), QStringLiteral("Параметры абонента (связь по телефону)"));
        QCOMPARE(phoneForm.size(), QSize(568, 220));
        QCOMPARE(ethForm.windowTitle(), QStringLiteral("Параметры абонента (Ethernet-интерфейс)"));
        QCOMPARE(ethForm.size(), QSize(568, 224));

        for (SubscriberDialog* form : {&phoneForm, &ethForm}) {
            const bool ethernet = form == &ethForm;
            const EntryWidgets& ui = ethernet ? ethUi : phoneUi;
            QCOMPARE(form->IsEthernetForm(), ethernet);
            QCOMPARE(ui.nameLabel->text(), QStringLiteral("Наименование"));
            QCOMPARE(ui.addressLabel->text(), QStringLiteral("Адрес устройства"));
            QCOMPARE(ui.acceptButton->text(), QStringLiteral("Принять"));
            QCOMPARE(ui.cancelButton->text(), QStringLiteral("Отменить"));
            QCOMPARE(ui.nameEdit->maxLength(), 49);
            QCOMPARE(ui.phoneEdit->isHidden(), ethernet);
            QCOMPARE(ui.ipLabel->isHidden(), !ethernet);
            QCOMPARE(ui.tcpPortEdit->isHidden(), !ethernet);
            for (QLineEdit* octet : ui.octetEdits) {
                QCOMPARE(octet->isHidden(), !ethernet);
                QCOMPARE(octet->maxLength(), 3);
            }
            QVERIFY(ui.addressBox->isEditable());
            QCOMPARE(ui.addressBox->count(), 255);
            QCOMPARE(ui.addressBox->itemText(0), QStringLiteral("1"));
            QCOMPARE(ui.addressBox->itemText(254), QStringLiteral("255"));
            // Every widget lies inside the dialog.
            for (QWidget* w : form->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
                if (!w->isHidden())
                    QVERIFY2(form->rect().contains(w->geometry()), qPrintable(w->metaObject()->className()));
            }
        }
        QCOMPARE(phoneUi.phoneLabel->text(), QStringLiteral("№ телефона"));
        QCOMPARE(phoneUi.phoneEdit->maxLength(), 29);
        QCOMPARE(ethUi.ipLabel->text(), QStringLiteral("IP-адрес:порт"));
    }

    void editModeShowsTheEntryNewModeStartsEmpty() {
        PhoneAbonent phone = SamplePhone();
        SubscriberDialog edit(phone, SubscriberDialog::EditEntry);
        const EntryWidgets editUi(edit);
        QCOMPARE(editUi.nameEdit->text(), QStringLiteral("Котельная №2"));
        QCOMPARE(editUi.addressBox->currentText(), QStringLiteral("17"));
        QCOMPARE(editUi.phoneEdit->text(), QStringLiteral("8-800-100-20-30"));

        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog ethEdit(eth, SubscriberDialog::EditEntry);
        const EntryWidgets ethEditUi(ethEdit);
        QCOMPARE(ethEditUi.nameEdit->text(), QStringLiteral("ГРС Восток"));
        QCOMPARE(ethEditUi.addressBox->currentText(), QStringLiteral("200"));
        QCOMPARE(ethEditUi.octetEdits[0]->text(), QStringLiteral("10"));
        QCOMPARE(ethEditUi.octetEdits[1]->text(), QStringLiteral("0"));
        QCOMPARE(ethEditUi.octetEdits[2]->text(), QStringLiteral("0"));
        QCOMPARE(ethEditUi.octetEdits[3]->text(), QStringLiteral("5"));
        QCOMPARE(ethEditUi.tcpPortEdit->text(), QStringLiteral("4001"));

        SubscriberDialog fresh(eth, SubscriberDialog::NewEntry);

        const EntryWidgets freshUi(fresh);
        QVERIFY(freshUi.nameEdit->text().isEmpty());
        QVERIFY(freshUi.addressBox->currentText().isEmpty());
        for (QLineEdit* octet : freshUi.octetEdits)
            QVERIFY(octet->text().isEmpty());
        QVERIFY(freshUi.tcpPortEdit->text().isEmpty());
    }

    void numericFieldsTakeDigitsOnlyAndTheirLengths() {
        EthernetAbonent eth = SampleEthernet();
        SubscriberDialog form(eth, SubscriberDialog::NewEntry);
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        TypeText(ui.octetEdits[0], QStringLiteral("1a9б2.7"));
        QCOMPARE(ui.octetEdits[0]->text(), QStringLiteral("192"));
        TypeText(ui.tcpPortEdit, QStringLiteral("5 0-2x"));
        QCOMPARE(ui.tcpPortEdit->text(), QStringLiteral("502"));
        TypeText(ui.addressBox->lineEdit(), QStringLiteral("2z5w59"));
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("255"));
        // Typed as the user types: the keys go to the focused box, which
        // hands them to its edit past the edit's own filters.
        ui.addressBox->setEditText(QString());
        ui.addressBox->setFocus();
        TypeText(ui.addressBox, QStringLiteral("1x7ф"));
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("17"));
        // The name takes any text, cut at 49 characters.
        TypeText(ui.nameEdit, QString(60, u'ы'));
        QCOMPARE(ui.nameEdit->text(), QString(49, u'ы'));

        PhoneAbonent phone = SamplePhone();
        SubscriberDialog phoneForm(phone, SubscriberDialog::NewEntry);
        const EntryWidgets phoneUi(phoneForm);
        phoneForm.show();
        QVERIFY(QTest::qWaitForWindowExposed(&phoneForm));
        TypeText(phoneUi.phoneEdit, QStringLiteral("+7 (495) 123-45-67, доб. 1234567"));
        QCOMPARE(phoneUi.phoneEdit->text(), QStringLiteral("+7 (495) 123-45-67, доб. 1234"));
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
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.nameEdit->setText(name);
        ui.addressBox->setEditText(address);
        ui.phoneEdit->setText(number);

        const QList<SeenMessage> seen = Press(ui.acceptButton);
        if (line1.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(!form.isVisible());
            QCOMPARE(AbonentName(entry), name);
            QCOMPARE(AbonentPhone(entry), number);
            QCOMPARE(int(entry.Address), address.toInt());
            QCOMPARE(entry.ModbusAddress, before.ModbusAddress);
        } else {
            QCOMPARE(seen.size(), 1);
            QCOMPARE(seen[0].kind, 2);
            QCOMPARE(seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(seen[0].line1, line1);
            QCOMPARE(seen[0].line2, line2);
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
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.nameEdit->setText(name);
        ui.addressBox->setEditText(address);
        for (int i = 0; i < 4; ++i)
            ui.octetEdits[i]->setText(octets[i]);
        ui.tcpPortEdit->setText(port);

        const QList<SeenMessage> seen = Press(ui.acceptButton);
        if (line1.isEmpty()) {
            QVERIFY(seen.isEmpty());
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(AbonentName(entry), name);
            QCOMPARE(int(entry.Address), address.toInt());
            QCOMPARE(IpPortText(entry), octets.join('.') + ':' + port);
        } else {
            QCOMPARE(seen.size(), 1);
            QCOMPARE(seen[0].kind, 2);
            QCOMPARE(seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
            QCOMPARE(seen[0].line1, line1);
            QCOMPARE(seen[0].line2, line2);
            QVERIFY2(form.isVisible(), "the dialog stays open on a message");
            QVERIFY(form.result() != QDialog::Accepted);
            QCOMPARE(std::memcmp(&entry, &before, sizeof entry), 0);
        }
    }

    void ethernetEntryStoresTheNumberMostSignificantOctetFirst() {
        EthernetAbonent entry = EmptyEthernetAbonent();
        SubscriberDialog form(entry, SubscriberDialog::NewEntry);
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.nameEdit->setText(QStringLiteral("Узел"));
        ui.addressBox->setCurrentIndex(9);  // "10" from the list
        const char* octets[] = {"192", "168", "1", "20"};
        for (int i = 0; i < 4; ++i)
            ui.octetEdits[i]->setText(QString::fromLatin1(octets[i]));
        ui.tcpPortEdit->setText(QStringLiteral("502"));
        QVERIFY(Press(ui.acceptButton).isEmpty());
        QCOMPARE(entry.Ip(), 0xC0A80114u);
        QCOMPARE(int32_t(entry.Ip()), -1062731500);
        QCOMPARE(entry.Port(), 502);
        QCOMPARE(entry.Address, uint8_t(10));
    }

    void refusedThenCorrectedThenAccepted() {
        PhoneAbonent entry = SamplePhone();
        SubscriberDialog form(entry, SubscriberDialog::EditEntry);
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.phoneEdit->clear();
        const QList<SeenMessage> refused = Press(ui.acceptButton);
        QCOMPARE(refused.size(), 1);
        QCOMPARE(refused[0].line1, kNotAll);
        QVERIFY(form.isVisible());
        // The focus goes to the field at fault.
        QCOMPARE(form.focusWidget(), static_cast<QWidget*>(ui.phoneEdit));
        ui.phoneEdit->setText(QStringLiteral("02"));
        QVERIFY(Press(ui.acceptButton).isEmpty());
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
        const EntryWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        ui.nameEdit->setText(QStringLiteral("Другое"));
        ui.octetEdits[0]->setText(QStringLiteral("1"));
        ui.cancelButton->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(std::memcmp(&entry, &before, sizeof entry), 0);
    }
};

QTEST_MAIN(SubscriberDialogTest)
#include "SubscriberDialogTest.moc"
