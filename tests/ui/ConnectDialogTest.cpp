// The connection dialog and the link display on the status bars: kinds,
// address and subscriber checks, the subscriber list, the parameter dialog
// from it, and "Связаться" over a pseudo-terminal and over TCP against the
// simulated controller.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTcpServer>
#include <QtTest>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "common/Folders.h"
#include "settings/MainSettings.h"
#include "common/StatusBarPanel.h"
#include "link/SubscriberList.h"
#include "link/SerialChannel.h"
#include "link/ControllerLink.h"
#include "link/ui/SubscriberDialog.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/ConnectDialog.h"
#include "link/ui/LinkSummary.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kAddressRange = QStringLiteral("Адрес вне допустимого диапазона");
const QString kNewAbonent = QStringLiteral("Новый абонент");

// The widgets of the connection dialog.
struct ConnectWidgets {
    explicit ConnectWidgets(const ConnectDialog& form)
        : kindLabel(Named<QLabel>(&form, "kindLabel")),
          kindBox(Named<QComboBox>(&form, "kindBox")),
          addressLabel(Named<QLabel>(&form, "addressLabel")),
          addressBox(Named<QComboBox>(&form, "addressBox")),
          subscriberPanel(Named<QWidget>(&form, "subscriberPanel")),
          subscriberLabel(Named<QLabel>(&form, "subscriberLabel")),
          subscriberBox(Named<QComboBox>(&form, "subscriberBox")),
          subscriberListButton(Named<QPushButton>(&form, "subscriberListButton")),
          connectButton(Named<QPushButton>(&form, "connectButton")),
          linkSettingsButton(Named<QPushButton>(&form, "linkSettingsButton")),
          exitButton(Named<QPushButton>(&form, "exitButton")) {}
    QLabel* kindLabel;
    QComboBox* kindBox;
    QLabel* addressLabel;
    QComboBox* addressBox;
    QWidget* subscriberPanel;
    QLabel* subscriberLabel;
    QComboBox* subscriberBox;
    QPushButton* subscriberListButton;
    QPushButton* connectButton;
    QPushButton* linkSettingsButton;
    QPushButton* exitButton;
};

// Picks an item of a list as the user does: made current, then activated.
void Choose(QComboBox* box, int index) {
    box->setCurrentIndex(index);
    emit box->activated(index);
}

PhoneAbonent PhoneEntry(const QString& name, const QString& number, uint8_t address) {
    PhoneAbonent e = EmptyPhoneAbonent();
    SetAbonentName(e, name);
    SetAbonentPhone(e, number);
    e.Address = address;
    return e;
}

EthernetAbonent EthernetEntry(const QString& name, uint32_t ip, int32_t port, uint8_t address) {
    EthernetAbonent e = EmptyEthernetAbonent();
    SetAbonentName(e, name);
    e.SetIp(ip);
    e.SetPort(port);
    e.Address = address;
    return e;
}

// A loopback port that nobody listens on.
quint16 FreePort() {
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0)) return 0;
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

QString ReadFile(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(f.readAll());
}

}  // namespace

class ConnectDialogTest : public QObject {
    Q_OBJECT

private:
    ::BaseFolder home_;  // not zmk::BaseFolder(), the folder of the program
    TextPanel port_, address_, subscriber_;
    QList<bool> barsShown_;
    std::unique_ptr<ControllerLink> link_;

    ConnectHost Host() {
        return {&port_, &address_, &subscriber_, [this](bool on) { barsShown_.append(on); }, link_.get()};
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.IsValid());
        SetUpFolders();
        QVERIFY(MainSettingsPath().startsWith(home_.Path()));
    }

    void init() {
        Settings() = MainSettings{};
        TakeSettingsSnapshot();
        ClearList(Subscribers().phone);
        ClearList(Subscribers().phoneStored);
        ClearList(Subscribers().ethernet);
        ClearList(Subscribers().ethernetStored);
        ClearComPortDevices();
        for (const QString& f : {MainSettingsPath(), PhoneListPath(), EthernetListPath()})
            QFile::remove(f);
        link_ = std::make_unique<ControllerLink>(1);
        barsShown_.clear();
        for (TextPanel* p : {&port_, &address_, &subscriber_})
            p->setText(QStringLiteral("stale"));
    }

    void cleanup() {
        link_.reset();
        ClearComPortDevices();
    }

    void showLinkParamsTexts() {
        Settings().Direct.Port = 3;
        Settings().Direct.Rate = 9600;
        Settings().Direct.Address = 17;
        Settings().Phone.Port = 4;
        Settings().Phone.Rate = 2400;
        Subscribers().phone.Entries[0] = PhoneEntry(QStringLiteral("Котельная"), QStringLiteral("8-800"), 5);
        Subscribers().phone.Entries[1] = PhoneEntry(QStringLiteral("ГРС"), QStringLiteral("112"), 6);
        Subscribers().phone.Count = 2;
        Subscribers().phone.Current = 1;
        Subscribers().ethernet.Entries[0] = EthernetEntry(QStringLiteral("Узел"), 0x0A000005, 4001, 200);
        Subscribers().ethernet.Count = 1;

        struct Case {
            uint8_t kind;
            QString port, address, subscriber;
        };
        const Case cases[] = {
            {ChannelDirect, " COM3,   9600 бит/с", " Адр. 17", ""},
            {ChannelPhone, " COM4,   2400 бит/с", " Адр. 6", " ГРС (тел. 112)"},
            {ChannelEthernet, "", " Адр. 200", " Узел (IP-адр. 10.0.0.5)"},
        };
        for (const Case& c : cases) {
            Settings().ChannelKind = c.kind;
            ShowLinkParams(&port_, &address_, &subscriber_);
            QCOMPARE(port_.text(), c.port);
            QCOMPARE(address_.text(), c.address);
            QCOMPARE(subscriber_.text(), c.subscriber);
        }
        // Empty lists show nothing at all; null panels are left alone.
        ClearList(Subscribers().phone);
        ClearList(Subscribers().ethernet);
        for (uint8_t kind : {uint8_t(ChannelPhone), uint8_t(ChannelEthernet), uint8_t(7)}) {
            Settings().ChannelKind = kind;
            for (TextPanel* p : {&port_, &address_, &subscriber_})
                p->setText(QStringLiteral("stale"));
            ShowLinkParams(&port_, &address_, &subscriber_);
            QVERIFY(port_.text().isEmpty());
            QVERIFY(address_.text().isEmpty());
            QVERIFY(subscriber_.text().isEmpty());
        }
        Settings().ChannelKind = ChannelDirect;
        ShowLinkParams(nullptr, &address_, nullptr);
        QCOMPARE(address_.text(), QStringLiteral(" Адр. 17"));
    }

    void looksAndKindChange() {
        Settings().Direct.Address = 42;
        Subscribers().ethernet.Entries[0] = EthernetEntry(QStringLiteral("Узел"), 0x0A000005, 4001, 200);
        Subscribers().ethernet.Count = 1;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.windowTitle(), QStringLiteral("Установка связи с устройством"));
        QCOMPARE(form.size(), QSize(440, 194));
        QCOMPARE(ui.kindBox->count(), 3);
        QCOMPARE(ui.kindBox->itemText(0), QStringLiteral("Непосредственная связь"));
        QCOMPARE(ui.kindBox->itemText(1), QStringLiteral("Связь по телефону"));
        QCOMPARE(ui.kindBox->itemText(2), QStringLiteral("Ethernet-интерфейс"));
        QCOMPARE(ui.kindLabel->text(), QStringLiteral("Тип связи"));
        QCOMPARE(ui.addressLabel->text(), QStringLiteral("Адрес устройства"));
        QCOMPARE(ui.subscriberLabel->text(), QStringLiteral("Абонент"));
        QCOMPARE(ui.subscriberListButton->text(), QStringLiteral("Список абонентов"));
        QCOMPARE(ui.connectButton->text(), QStringLiteral("Связаться"));
        QCOMPARE(ui.linkSettingsButton->text(), QStringLiteral("Изменить параметры связи"));
        QCOMPARE(ui.exitButton->text(), QStringLiteral("Выход"));
        QVERIFY(ui.addressBox->isEditable());
        QCOMPARE(ui.addressBox->count(), 255);
        QCOMPARE(ui.addressBox->itemText(0), QStringLiteral("1"));
        QCOMPARE(ui.addressBox->itemText(254), QStringLiteral("255"));
        QCOMPARE(ui.kindBox->currentIndex(), 0);
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("42"));
        QVERIFY(ui.addressBox->isEnabled());
        QVERIFY(!ui.subscriberPanel->isVisible());
        QCOMPARE(barsShown_, QList<bool>{false});
        QCOMPARE(address_.text(), QStringLiteral(" Адр. 42"));

        ui.kindBox->setCurrentIndex(ChannelEthernet);
        QCOMPARE(int(Settings().ChannelKind), 2);
        QCOMPARE(form.size(), QSize(440, 266));
        QVERIFY(ui.subscriberPanel->isVisible());
        QVERIFY(!ui.addressBox->isEnabled());
        QCOMPARE(barsShown_.last(), true);
        QCOMPARE(ui.subscriberBox->count(), 2);
        QCOMPARE(ui.subscriberBox->itemText(0), QStringLiteral("Узел"));
        QCOMPARE(ui.subscriberBox->itemText(1), kNewAbonent);
        QCOMPARE(ui.subscriberBox->currentIndex(), 0);
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("200"));
        QCOMPARE(subscriber_.text(), QStringLiteral(" Узел (IP-адр. 10.0.0.5)"));
        for (QWidget* w : {static_cast<QWidget*>(ui.connectButton), static_cast<QWidget*>(ui.linkSettingsButton),
                           static_cast<QWidget*>(ui.exitButton), ui.subscriberPanel})
            QVERIFY(form.rect().contains(w->geometry()));

        // An empty telephone list: no subscriber and no address.
        ui.kindBox->setCurrentIndex(ChannelPhone);
        QCOMPARE(ui.subscriberBox->count(), 1);
        QCOMPARE(ui.subscriberBox->currentIndex(), -1);
        QVERIFY(ui.addressBox->currentText().isEmpty());

        ui.kindBox->setCurrentIndex(ChannelDirect);
        QCOMPARE(form.size(), QSize(440, 194));
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("42"));
    }

    void choosingASubscriberMakesItCurrent() {
        Settings().ChannelKind = ChannelPhone;
        Subscribers().phone.Entries[0] = PhoneEntry(QStringLiteral("А"), QStringLiteral("1"), 5);
        Subscribers().phone.Entries[1] = PhoneEntry(QStringLiteral("Б"), QStringLiteral("2"), 9);
        Subscribers().phone.Count = 2;
        Subscribers().phone.Current = 0;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("5"));
        Choose(ui.subscriberBox, 1);
        QCOMPARE(int(Subscribers().phone.Current), 1);
        QCOMPARE(ui.addressBox->currentText(), QStringLiteral("9"));
        QCOMPARE(subscriber_.text(), QStringLiteral(" Б (тел. 2)"));
        QCOMPARE(address_.text(), QStringLiteral(" Адр. 9"));
        // No choice at all leaves nothing to connect to.
        Choose(ui.subscriberBox, -1);
        QVERIFY(!ui.connectButton->isEnabled());
        QVERIFY(!ui.linkSettingsButton->isEnabled());
    }

    void newAbonentOnlyBelow200() {
        Settings().ChannelKind = ChannelEthernet;
        for (int i = 0; i < 200; ++i)
            Subscribers().ethernet.Entries[i] =
                EthernetEntry(QStringLiteral("Узел %1").arg(i, 3, 10, QLatin1Char('0')), 0x0A000000 + i, 502, 1);
        Subscribers().ethernet.Count = 200;
        {
            ConnectDialog form(Host());
            const ConnectWidgets ui(form);
            QCOMPARE(ui.subscriberBox->count(), 200);
            QVERIFY(ui.subscriberBox->findText(kNewAbonent) < 0);
            QVERIFY(!form.OffersNewSubscriber());
        }
        Subscribers().ethernet.Count = 199;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        QCOMPARE(ui.subscriberBox->count(), 200);
        QCOMPARE(ui.subscriberBox->itemText(199), kNewAbonent);
        QVERIFY(form.OffersNewSubscriber());
    }

    void addressChecks_data() {
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("0") << "0" << kAddressRange << "(1...255)";
        QTest::newRow("256") << "256" << kAddressRange << "(1...255)";
        QTest::newRow("not a number") << "1x" << kAddressRange << "(1...255)";
        QTest::newRow("empty") << "" << kNotAll << "";
    }

    void addressChecks() {
        QFETCH(QString, address);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        ui.addressBox->setEditText(address);
        MessageLog log;
        ui.connectButton->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, 2);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form.isVisible());
        QVERIFY(!form.Connected());
        QVERIFY(!link_->PortHandle);
    }

    // A kind this program does not know (a hand-edited or foreign "Conn_Prz")
    // opens the dialog with no kind chosen: a whole layout, "Связаться" asks
    // for the choice, and choosing a kind goes on as usual.
    void unknownKindOpensWithNoKindChosen() {
        for (uint8_t kind : {uint8_t(3), uint8_t(7), uint8_t(255)}) {
            init();
            Settings().ChannelKind = kind;
            Settings().Direct.Address = 12;
            ConnectDialog form(Host());
            const ConnectWidgets ui(form);
            form.show();
            QVERIFY(QTest::qWaitForWindowExposed(&form));
            QCOMPARE(ui.kindBox->currentIndex(), -1);
            QCOMPARE(form.size(), QSize(440, 194));
            QVERIFY(!ui.subscriberPanel->isVisible());
            QWidget* buttons[] = {ui.connectButton, ui.linkSettingsButton, ui.exitButton};
            for (QWidget* b : buttons) {
                QVERIFY(b->isVisible());
                QVERIFY(form.rect().contains(b->geometry()));
                for (QWidget* other : buttons)
                    QVERIFY(b == other || !b->geometry().intersects(other->geometry()));
            }
            QVERIFY(ui.connectButton->isEnabled());
            QVERIFY(!ui.linkSettingsButton->isEnabled());

            ui.addressBox->setEditText(QStringLiteral("5"));
            MessageLog log;
            ui.connectButton->click();
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].line1, kNotAll);
            QVERIFY(form.isVisible());
            QVERIFY(!link_->PortHandle);
            QVERIFY(!link_->Socket);

            ui.kindBox->setCurrentIndex(ChannelDirect);
            QCOMPARE(int(Settings().ChannelKind), int(ChannelDirect));
            QVERIFY(ui.linkSettingsButton->isEnabled());
            QCOMPARE(ui.addressBox->currentText(), QStringLiteral("12"));
        }
    }

    void newAbonentSelectedIsNotAllParameters() {
        for (uint8_t kind : {uint8_t(ChannelPhone), uint8_t(ChannelEthernet)}) {
            init();
            Settings().ChannelKind = kind;
            Subscribers().phone.Entries[0] = PhoneEntry(QStringLiteral("А"), QStringLiteral("1"), 5);
            Subscribers().phone.Count = 1;
            Subscribers().ethernet.Entries[0] = EthernetEntry(QStringLiteral("А"), 0x7F000001, 1, 5);
            Subscribers().ethernet.Count = 1;
            ConnectDialog form(Host());
            const ConnectWidgets ui(form);
            form.show();
            ui.subscriberBox->setCurrentIndex(1);
            QCOMPARE(ui.subscriberBox->currentText(), kNewAbonent);
            MessageLog log;
            ui.connectButton->click();
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, 2);
            QCOMPARE(log.seen[0].line1, kNotAll);
            QVERIFY(log.seen[0].line2.isEmpty());
            QVERIFY(form.isVisible());
            QVERIFY(!link_->PortHandle);
            QVERIFY(!link_->Socket);
        }
    }

    void newAbonentEnteredFromTheList() {
        Settings().ChannelKind = ChannelEthernet;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        QCOMPARE(ui.subscriberBox->count(), 1);
        MessageLog log;
        {
            ModalScript script;
            script.Then<SubscriberDialog>([](SubscriberDialog* entry) {
                Named<QLineEdit>(entry, "nameEdit")->setText(QStringLiteral("Новый узел"));
                Named<QComboBox>(entry, "addressBox")->setEditText(QStringLiteral("33"));
                const char* octets[] = {"127", "0", "0", "1"};
                for (int i = 0; i < 4; ++i)
                    Named<QLineEdit>(entry, QStringLiteral("octetEdit%1").arg(i + 1))->setText(QString::fromLatin1(octets[i]));
                Named<QLineEdit>(entry, "tcpPortEdit")->setText(QStringLiteral("5020"));
                Named<QPushButton>(entry, "acceptButton")->click();
            });
            script.Start();
            Choose(ui.subscriberBox, 0);
            QVERIFY(script.Finished());
            QCOMPARE(int(Subscribers().ethernet.Count), 1);
            QCOMPARE(AbonentName(Subscribers().ethernet.Entries[0]), QStringLiteral("Новый узел"));
            QCOMPARE(ui.subscriberBox->count(), 2);
            QCOMPARE(ui.subscriberBox->currentIndex(), 0);
            QCOMPARE(ui.addressBox->currentText(), QStringLiteral("33"));
            // The list file is rewritten at once.
            const QString file = ReadFile(EthernetListPath());
            QVERIFY2(file.contains(QStringLiteral("users_num=1")), qPrintable(file));
            QVERIFY(file.contains(QStringLiteral("port=5020")));
        }

        // Left: the former choice comes back.
        ModalScript cancel;
        cancel.Then<SubscriberDialog>(
            [](SubscriberDialog* entry) { Named<QPushButton>(entry, "cancelButton")->click(); });
        cancel.Start();
        Choose(ui.subscriberBox, 1);
        QVERIFY(cancel.Finished());
        QCOMPARE(int(Subscribers().ethernet.Count), 1);
        QCOMPARE(ui.subscriberBox->currentIndex(), 0);
        QVERIFY(log.seen.isEmpty());
    }

    void directConnectOpensThePort() {
        SimProcess sim({"--pty", "--no-tcp", "--address", "17"});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        SetComPortDevice(14, sim.ptyPath());
        Settings().Direct.Port = 14;
        Settings().Direct.Rate = 19200;
        Settings().Direct.Preambles = 3;
        Settings().Direct.Attempts = 2;
        Settings().Direct.ByteGapMs = 150;
        Settings().Direct.AnswerWaitS = 4;
        Settings().FreePortWait = 3;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        ui.addressBox->setEditText(QStringLiteral("17"));
        MessageLog log;
        ui.connectButton->click();
        QVERIFY(log.seen.isEmpty());
        QVERIFY(form.Connected());
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(link_->PortHandle && link_->PortHandle->isOpen());
        QCOMPARE(int(link_->Address), 17);
        QCOMPARE(int(link_->ComPortNo), 14);
        QCOMPARE(link_->BaudRate, 19200);
        QCOMPARE(int(link_->ChannelKind), 0);
        QCOMPARE(link_->PortOpenWait, 3);
        QCOMPARE(int(link_->ClosePortEachExchange), 0);
        QCOMPARE(link_->AnswerWaitMs, 4000);
        QCOMPARE(link_->ByteGapMs, 150);
        QCOMPARE(int(link_->Preambles), 3);
        QCOMPARE(int(link_->Attempts), 2);
        QCOMPARE(int(Settings().Direct.Address), 17);
        QCOMPARE(port_.text(), QStringLiteral(" COM14,   19200 бит/с"));
        QCOMPARE(address_.text(), QStringLiteral(" Адр. 17"));
        // The changed address is in the settings file.
        const QString file = ReadFile(MainSettingsPath());
        QVERIFY2(file.contains(QStringLiteral("Adr=17")), qPrintable(file));
        // The open port carries requests.
        const uint8_t body[3] = {0, 0, 4};
        QVERIFY2(link_->SendRequest(1, body, 3), qPrintable(link_->StatusText()));
        QCOMPARE(int(link_->AnswerBuf[8 + 1]), 73);
    }

    void releaseWaitFromTheParameterDialogIsInForce() {
        SetComPortDevice(14, home_.Ini());  // present, never opened here
        Settings().Direct.Port = 14;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        MessageLog log;
        ModalScript script;
        script.Then<LinkSettingsDialog>([](LinkSettingsDialog* settings) {
            Named<QCheckBox>(settings, "releasePortCheckBox")->click();
            Named<QLineEdit>(settings, "releaseWaitEdit")->setText(QStringLiteral("7"));
            Named<QPushButton>(settings, "acceptButton")->click();
        });
        script.Start();
        ui.linkSettingsButton->click();
        QVERIFY(script.Finished());
        QVERIFY(log.seen.isEmpty());
        QCOMPARE(Settings().FreePortWait, 7);
        QVERIFY(Settings().DoClosePort);
        const QString file = ReadFile(MainSettingsPath());
        QVERIFY2(file.contains(QStringLiteral("Free_Port_Wait=7")), qPrintable(file));
        QVERIFY(file.contains(QStringLiteral("Do_Close_Port=1")));

        // Per-request mode: "Связаться" configures the link without opening the port.
        ui.addressBox->setEditText(QStringLiteral("5"));
        ui.connectButton->click();
        QVERIFY(log.seen.isEmpty());
        QVERIFY(form.Connected());
        QVERIFY(!link_->PortHandle);
        QCOMPARE(link_->PortOpenWait, 7);
        QCOMPARE(int(link_->ClosePortEachExchange), 1);
        QCOMPARE(int(link_->Address), 5);
    }

    void unavailablePortKeepsTheDialogOpen() {
        SetComPortDevice(15, home_.File(QStringLiteral("no-such-tty")));
        Settings().Direct.Port = 15;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        MessageLog log;
        ui.connectButton->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, 1);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(log.seen[0].line1, QStringLiteral("Коммуникационный порт СОМ15 недоступен"));
        QVERIFY(log.seen[0].line2.isEmpty());
        QVERIFY(form.isVisible());
        QVERIFY(!form.Connected());
    }

    void ethernetConnectMakesTheConnection() {
        SimProcess sim({"--tcp-port", "0", "--address", "23"});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Settings().ChannelKind = ChannelEthernet;
        Settings().Ethernet.AnswerWaitS = 3;
        Settings().Ethernet.ByteGapMs = 200;
        Settings().Ethernet.Preambles = 2;
        Settings().Ethernet.Attempts = 2;
        Subscribers().ethernet.Entries[0] = EthernetEntry(QStringLiteral("Стенд"), 0x7F000001, sim.tcpPort(), 23);
        Subscribers().ethernet.Count = 1;
        link_->ChannelKind = ChannelDirect;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        MessageLog log;
        ui.connectButton->click();
        QVERIFY(log.seen.isEmpty());
        QVERIFY(form.Connected());
        QVERIFY(link_->Socket && link_->Socket->isOpen());
        QCOMPARE(int(link_->ChannelKind), 2);
        QCOMPARE(int(link_->Address), 23);
        QCOMPARE(link_->AnswerWaitMs, 3000);
        QCOMPARE(link_->ByteGapMs, 200);
        QCOMPARE(int(link_->Preambles), 2);
        QCOMPARE(int(link_->Attempts), 2);
        QCOMPARE(int(link_->ClosePortEachExchange), 0);
        QCOMPARE(int(Settings().Ethernet.Address), 23);
        QCOMPARE(subscriber_.text(), QStringLiteral(" Стенд (IP-адр. 127.0.0.1)"));
        QVERIFY(port_.text().isEmpty());
        QVERIFY(ReadFile(MainSettingsPath()).contains(QStringLiteral("[ETHERNET_CONN_PAR]")));
        const uint8_t body[3] = {0, 0, 4};
        QVERIFY2(link_->SendRequest(1, body, 3), qPrintable(link_->StatusText()));
        QCOMPARE(int(link_->AnswerBuf[1]), 23);
    }

    void ethernetRefusedUntilTheWaitEnds() {
        const quint16 port = FreePort();
        QVERIFY(port != 0);
        Settings().ChannelKind = ChannelEthernet;
        Settings().EthernetConnectWait = 1;
        Subscribers().ethernet.Entries[0] = EthernetEntry(QStringLiteral("Нет"), 0x7F000001, port, 1);
        Subscribers().ethernet.Count = 1;
        ConnectDialog form(Host());
        const ConnectWidgets ui(form);
        form.show();
        MessageLog log;
        QElapsedTimer clock;
        clock.start();
        ui.connectButton->click();
        QVERIFY(clock.elapsed() >= 950);
        QCOMPARE(log.seen.size(), 1);
        QVERIFY(log.seen[0].caption.isEmpty());
        QCOMPARE(log.seen[0].line1, QStringLiteral("Превышено время ожидания соединения сервер/клиент"));
        QVERIFY(form.isVisible());
        QVERIFY(!form.Connected());
        QVERIFY(!link_->Socket);
    }
};

QTEST_MAIN(ConnectDialogTest)
#include "ConnectDialogTest.moc"
