#pragma once

// What the tests of the main window against the simulator share: a
// responder to the dialogs of the connection start, a base folder with the
// settings of one link, and the start of the window.

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "BaseFolder.h"
#include "MessageTrap.h"
#include "SimProcess.h"
#include "app/ConnectionState.h"
#include "app/ui/MainWindow.h"
#include "common/ui/MessageDialog.h"
#include "link/SubscriberList.h"
#include "link/ui/ConnectDialog.h"
#include "tables/ui/ProgramUserDialog.h"

namespace zmk_test {

using namespace zmk;

// One message of the shared dialog as the user saw it.
struct Message {
    QString caption, line1, line2;
};

// Answers every modal dialog the main window opens, while it lives: the
// connection dialog ("Связаться" or "Выход"), the program-user dialog (the
// given code and password, or "Выход"), the shared message (acknowledged,
// questions answered "Нет" unless told otherwise), anything else handed to
// other or closed. Keeps what it saw.
class Responder {
public:
    bool connect = true;
    bool identify = true;
    QString code = QStringLiteral("1234");
    QString password = QStringLiteral("12345678");
    // Runs when the program-user dialog is up, before it is answered.
    std::function<void()> beforeUser;
    // Any other modal dialog goes here first; true when it was dealt with
    // (otherwise it is closed).
    std::function<bool(QWidget*)> other;
    // The answer to a question; "Нет" when not set.
    std::function<bool(const Message&)> answer;

    QList<Message> messages;
    int connectDialogs = 0;
    int userDialogs = 0;

    Responder() { Schedule(); }

private:
    void Schedule() {
        QTimer::singleShot(10, &context_, [this] {
            Poll();
            Schedule();
        });
    }

    void Poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || !w->isVisible() || w == handled_.data()) return;
        handled_ = w;
        if (auto* form = qobject_cast<ConnectDialog*>(w)) {
            ++connectDialogs;
            form->findChild<QPushButton*>(QLatin1String(connect ? "connectButton" : "exitButton"))->click();
        } else if (auto* form = qobject_cast<ProgramUserDialog*>(w)) {
            ++userDialogs;
            if (beforeUser) beforeUser();
            if (!identify) {
                form->findChild<QPushButton*>(QStringLiteral("exitButton"))->click();
                return;
            }
            form->findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(code);
            form->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
            form->findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
        } else if (!other || !other(w)) {
            w->close();
        }
    }

    // Messages are acknowledged, questions answered by answer or "Нет".
    MessageTrap trap_{[this](MessageKind, const MessageLook& look) {
        messages.append({look.Caption, look.Line1, look.Line2});
        return answer ? answer(messages.back()) : false;
    }};
    QObject context_;
    QPointer<QWidget> handled_;
};

// A fresh base folder for one program run, with the settings the test writes.
class Home : public BaseFolder {
public:
    void WriteMainSettings(const QString& text) const {
        QFile file(Ini() + QStringLiteral("/zmk.ini"));
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(text.toLatin1());
    }

    // Ethernet link to one subscriber on 127.0.0.1.
    void UseEthernet(quint16 port, int address = 1) const {
        WriteMainSettings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=2\r\n[ETHERNET_CONN_PAR]\r\nAdr=%1\r\n"
                                         "WaitTime=2\r\nTimeOut=300\r\nConnectWaitTime=5\r\n")
                              .arg(address));
        auto list = std::make_unique<EthernetList>();
        auto stored = std::make_unique<EthernetList>();
        ClearList(*list);
        ClearList(*stored);
        EthernetAbonent& entry = list->Entries[0];
        entry = EmptyEthernetAbonent();
        SetAbonentName(entry, QStringLiteral("Симулятор"));
        entry.Address = uint8_t(address);
        entry.SetIp(0x7F000001u);
        entry.SetPort(port);
        list->Count = 1;
        QCOMPARE(WriteEthernetList(Ini() + QStringLiteral("/ethr_abonents.ini"), *list, *stored),
                 ListWriteResult::Written);
    }

    // Direct link on serial port 3, which is the given device.
    void UseDirect(const QString& device, int address) const {
        WriteMainSettings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=0\r\n[DIR_CONN_PAR]\r\nCOMPort=3\r\nAdr=%1\r\n"
                                         "Rate=38400\r\nWaitTime=2\r\nTimeOut=100\r\n[COM_PORTS]\r\nCOM3=%2\r\n")
                              .arg(address)
                              .arg(device));
    }

    // Telephone link: a modem on serial port 3, which is the given device,
    // and one subscriber.
    // extraPhoneKeys: further lines of the telephone section, each ending in CR LF.
    void UsePhone(const QString& device, const QString& extraPhoneKeys = QString()) const {
        WriteMainSettings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=1\r\n[FON_CONN_PAR]\r\nCOMPort=3\r\n"
                                         "Rate=38400\r\nWaitTime=2\r\nTimeOut=100\r\nConnectWaitTime=5\r\n"
                                         "Command=ATZ^AT&F\r\n%2[COM_PORTS]\r\nCOM3=%1\r\n")
                              .arg(device, extraPhoneKeys));
        auto list = std::make_unique<PhoneList>();
        auto stored = std::make_unique<PhoneList>();
        ClearList(*list);
        ClearList(*stored);
        PhoneAbonent& entry = list->Entries[0];
        entry = EmptyPhoneAbonent();
        SetAbonentName(entry, QStringLiteral("ГРС"));
        SetAbonentPhone(entry, QStringLiteral("(012) 345-67-89"));
        entry.Address = 1;
        list->Count = 1;
        QCOMPARE(WritePhoneList(Ini() + QStringLiteral("/fon_abonents.ini"), *list, *stored),
                 ListWriteResult::Written);
    }
};

// The main window with its connection start run to the end.
inline std::unique_ptr<MainWindow> StartMain(bool* finished) {
    auto window = std::make_unique<MainWindow>();
    QSignalSpy spy(window.get(), &MainWindow::ConnectionStartFinished);
    window->show();
    *finished = spy.wait(30000);
    return window;
}

inline void ResetShared() {
    ConnectionState& s = Shared();
    s.Connected = false;
    s.MoistureMeterPresent = false;
    s.HexaneInList = false;
        }

// Writes fields of a table of the running simulator (which must accept writes).
inline bool SimWrite(const SimProcess& sim, const QStringList& args) {
    QProcess ctl;
    ctl.start(CtlPath(), QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                                     QStringLiteral("write-table")} + args);
    return ctl.waitForFinished(10000) && ctl.exitCode() == 0;
}


}  // namespace zmk_test
