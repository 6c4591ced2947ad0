// The parameter commands of the main window against zmk-sim, with the real
// dialogs offscreen: what goes over the line (the frames the simulator saw),
// what the program keeps afterwards.

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "app/ConnectionState.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PanelStatusBar.h"
#include "link/SubscriberList.h"
#include "link/ui/ConnectDialog.h"
#include "settings/MainSettings.h"
#include "tables/ui/FlowComputerDialogs.h"
#include "tables/ui/LinkParamsDialogs.h"
#include "tables/ui/ProgramUserDialog.h"

using namespace zmk;

namespace {

// Presses "Связаться" in the connection dialog and identifies the
// commissioning engineer whenever those dialogs come up; leaves every other
// dialog to the test.
class Connector {
public:
    Connector() { Schedule(); }

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
        if (qobject_cast<ConnectDialog*>(w) != nullptr) {
            handled_ = w;
            Named<QPushButton>(w, QStringLiteral("connectButton"))->click();
        } else if (qobject_cast<ProgramUserDialog*>(w) != nullptr) {
            handled_ = w;
            Named<QLineEdit>(w, QStringLiteral("codeEdit"))->setText(QStringLiteral("1234"));
            Named<QLineEdit>(w, QStringLiteral("passwordEdit"))->setText(QStringLiteral("12345678"));
            Named<QPushButton>(w, QStringLiteral("acceptButton"))->click();
        }
    }
    QObject context_;
    QPointer<QWidget> handled_;
};

class Home : public BaseFolder {
public:
    void Settings(const QString& text) const { QVERIFY(Write(QStringLiteral("INI/zmk.ini"), text.toLatin1())); }

    void UseEthernet(quint16 port) const {
        Settings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=2\r\n[ETHERNET_CONN_PAR]\r\nAdr=1\r\nWaitTime=2\r\n"
                                "TimeOut=300\r\nConnectWaitTime=5\r\nPreambles=0\r\n"));
        auto list = std::make_unique<EthernetList>();
        auto stored = std::make_unique<EthernetList>();
        ClearList(*list);
        ClearList(*stored);
        list->Entries[0] = EmptyEthernetAbonent();
        SetAbonentName(list->Entries[0], QStringLiteral("Симулятор"));
        list->Entries[0].SetIp(0x7F000001u);
        list->Entries[0].SetPort(port);
        list->Count = 1;
        QCOMPARE(WriteEthernetList(EthernetListPath(), *list, *stored), ListWriteResult::Written);
    }

    // Port 3 is the device; the controller's own line runs at 9600 bit/s.
    void UseDirect(const QString& device) const {
        Settings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=0\r\n[DIR_CONN_PAR]\r\nCOMPort=3\r\nAdr=1\r\nRate=9600\r\n"
                                "WaitTime=2\r\nTimeOut=100\r\nPreambles=0\r\n[COM_PORTS]\r\nCOM3=%1\r\n")
                     .arg(device));
    }

    void UsePhone(const QString& device) const {
        Settings(QStringLiteral("[CURR_PAR]\r\nConn_Prz=1\r\n[FON_CONN_PAR]\r\nCOMPort=3\r\nRate=38400\r\n"
                                "WaitTime=2\r\nTimeOut=100\r\nConnectWaitTime=5\r\nPreambles=0\r\n"
                                "Command=ATZ\r\n[COM_PORTS]\r\nCOM3=%1\r\n")
                     .arg(device));
        auto list = std::make_unique<PhoneList>();
        auto stored = std::make_unique<PhoneList>();
        ClearList(*list);
        ClearList(*stored);
        list->Entries[0] = EmptyPhoneAbonent();
        SetAbonentName(list->Entries[0], QStringLiteral("ГРС"));
        SetAbonentPhone(list->Entries[0], QStringLiteral("123"));
        list->Count = 1;
        QCOMPARE(WritePhoneList(PhoneListPath(), *list, *stored), ListWriteResult::Written);
    }

    QString PhoneListPath() const { return Ini() + QStringLiteral("/fon_abonents.ini"); }
    QString EthernetListPath() const { return Ini() + QStringLiteral("/ethr_abonents.ini"); }
    QString LogPath() const { return File(QStringLiteral("frames.log")); }
};

std::unique_ptr<MainWindow> Connect() {
    Shared() = ConnectionState{};
    auto w = std::make_unique<MainWindow>();
    QSignalSpy spy(w.get(), &MainWindow::ConnectionStartFinished);
    w->show();
    if (!spy.wait(30000)) return nullptr;
    return w;
}

// The requests the simulator received, one text a frame: "R table first
// count" for a read, "W table first count data..." for a write (hex bytes).
class FrameWatch {
public:
    explicit FrameWatch(QString path) : path_(std::move(path)) {}

    // The requests since the last call.
    QStringList Next() {
        QStringList all = All();
        QStringList fresh = all.mid(seen_);
        seen_ = all.size();
        return fresh;
    }

    QStringList All() const {
        QFile file(path_);
        QStringList out;
        if (!file.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() < 3 || parts[1] != "RX") continue;
            QByteArray frame;
            for (int i = 2; i < parts.size(); ++i) frame.append(char(parts[i].toInt(nullptr, 16)));
            const auto b = [&](int i) { return QString::asprintf("%02X", uint8_t(frame.at(i))); };
            if (frame.size() == 10 && frame[3] == 1) {
                out << QStringLiteral("R %1 %2 %3").arg(uint8_t(frame[5])).arg(uint8_t(frame[6])).arg(uint8_t(frame[7]));
            } else if (frame.size() > 26 && frame[3] == 2) {
                QString text = QStringLiteral("W %1 %2 %3").arg(uint8_t(frame[21])).arg(uint8_t(frame[22])).arg(uint8_t(frame[23]));
                for (int i = 24; i < frame.size() - 2; ++i) text += QLatin1Char(' ') + b(i);
                out << text;
            }
        }
        return out;
    }

    QStringList Writes(const QStringList& frames) const {
        QStringList out;
        for (const QString& f : frames)
            if (f.startsWith(QLatin1Char('W'))) out << f;
        return out;
    }

private:
    QString path_;
    qsizetype seen_ = 0;
};

// Runs a menu item whose dialog the script answers; true when every step ran.
bool Run(MainWindow& w, const char* item, ModalScript& script) {
    script.Start();
    w.MenuItem(QString::fromLatin1(item))->trigger();
    return script.Finished();
}

template <typename Dialog>
bool RunDialog(MainWindow& w, const char* item, std::function<void(Dialog*)> action) {
    ModalScript script;
    script.Then<Dialog>(action);
    return Run(w, item, script);
}

void Click(QWidget* form, const char* name) { Named<QPushButton>(form, QLatin1String(name))->click(); }

QString Hex(const QByteArray& bytes) {
    QStringList out;
    for (char c : bytes) out << QString::asprintf("%02X", uint8_t(c));
    return out.join(QLatin1Char(' '));
}

bool SimWrite(const SimProcess& sim, const QStringList& args) {
    QProcess ctl;
    ctl.start(CtlPath(), QStringList{QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                                     QStringLiteral("write-table")} + args);
    return ctl.waitForFinished(10000) && ctl.exitCode() == 0;
}

}  // namespace

class ParamsCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void eachDialogWritesOnlyWhatChanged() {
        Home home;
        SimProcess sim({QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        home.UseEthernet(sim.tcpPort());
        Connector connector;
        MessageLog log;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        QVERIFY(Shared().HexaneInList);
        FrameWatch frames(home.LogPath());
        frames.Next();

        QVERIFY(RunDialog<ChromatographLinkDialog>(*w, "NConHGC", [](ChromatographLinkDialog* f) {
            Named<QComboBox>(f, "parityBox")->setCurrentIndex(2);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 14 0 8", "W 14 3 1 02"}));
        QVERIFY(Shared().HexaneInList);
        QVERIFY(RunDialog<ChromatographLinkDialog>(*w, "NConHGC", [](ChromatographLinkDialog* f) {
            Named<QCheckBox>(f, "hexaneBox")->setChecked(true);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 14 0 8", "W 14 7 1 01"}));
        QVERIFY(!Shared().HexaneInList);

        // "Отменить" sends nothing, whatever was changed in the dialog.
        QVERIFY(RunDialog<MoistureMeterLinkDialog>(*w, "NConnWMT", [](MoistureMeterLinkDialog* f) {
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(3);
            Click(f, "cancelButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 15 0 8"}));
        QVERIFY(RunDialog<MoistureMeterLinkDialog>(*w, "NConnWMT", [](MoistureMeterLinkDialog* f) {
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(3);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 15 0 8", "W 15 6 1 03"}));

        QVERIFY(RunDialog<EthernetLinkDialog>(*w, "N_Ethernet", [](EthernetLinkDialog* f) {
            Named<QLineEdit>(f, "portEdit3")->setText(QStringLiteral("5000"));
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 29 0 7", "W 29 6 1 88 13 00 00"}));

        QVERIFY(RunDialog<FlowComputerLinkDialog>(*w, "N4", [](FlowComputerLinkDialog* f) {
            Named<QComboBox>(f, "failedBox")->setCurrentIndex(3);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 9 0 8", "W 9 2 1 04"}));

        QVERIFY(RunDialog<GasParameterWriteDialog>(*w, "NDistr", [](GasParameterWriteDialog* f) {
            Named<QComboBox>(f, "writeBox2")->setCurrentIndex(1);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 21 0 20", "W 21 2 1 01"}));

        QVERIFY(RunDialog<HourlyWritePeriodDialog>(*w, "Ndistrpar", [](HourlyWritePeriodDialog* f) {
            Named<QComboBox>(f, "periodBox")->setCurrentIndex(3);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 28 0 2", "W 28 0 1 04"}));
        // Confirmed without a change: nothing to write.
        QVERIFY(RunDialog<HourlyWritePeriodDialog>(*w, "Ndistrpar", [](HourlyWritePeriodDialog* f) {
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 28 0 2"}));
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));

        // The controller's own address over Ethernet: the link follows it, and
        // so does the subscriber entry the next connection takes it from.
        QVERIFY(RunDialog<UpperLevelLinkDialog>(*w, "NConVU", [](UpperLevelLinkDialog* f) {
            QVERIFY(!Named<QComboBox>(f, "rateBox")->isEnabled());
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("7"));
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 3 0 4", "W 3 0 1 07"}));
        QCOMPARE(int(w->Link().Address), 7);
        auto list = std::make_unique<EthernetList>();
        auto stored = std::make_unique<EthernetList>();
        ReadEthernetList(home.EthernetListPath(), *list, *stored);
        QCOMPARE(int(list->Entries[0].Address), 7);
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(1), QStringLiteral(" Адр. 7"));
        QVERIFY(RunDialog<HourlyWritePeriodDialog>(*w, "Ndistrpar", [](HourlyWritePeriodDialog* f) {
            Click(f, "cancelButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 28 0 2"}));

        // A refused write: the controller's reason on the message panel while
        // the retry question is up; "Нет" ends the command.
        w->Link().WritePassword.fill('x');
        QString panelAtQuestion;
        QList<SeenMessage> questions;
        {
            MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
                questions.append({int(kind), look.Caption, look.Line1, look.Line2, look.Line3, look.Question});
                panelAtQuestion = Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(2);
                return false;
            });
            QVERIFY(RunDialog<ChromatographLinkDialog>(*w, "NConHGC", [](ChromatographLinkDialog* f) {
                Named<QCheckBox>(f, "hexaneBox")->setChecked(false);
                Click(f, "confirmButton");
            }));
        }
        QCOMPARE(questions.size(), 1);
        QCOMPARE(questions[0].line1, QStringLiteral("Не выполнена запись в таблицу 14."));
        QCOMPARE(questions[0].line3, QStringLiteral("Повторить попытку?"));
        QVERIFY2(panelAtQuestion.contains(QStringLiteral("Пользователь не зарегистрирован или неправильный пароль")),
                 qPrintable(panelAtQuestion));
        QVERIFY(!Shared().HexaneInList);  // not written: the flag stays
        QCOMPARE(frames.Writes(frames.Next()), QStringList({"W 14 7 1 00"}));
    }

    void upperLevelAddressAndRateOnTheDirectLine() {
        Home home;
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--check-line-rate"),
                        QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        home.UseDirect(sim.ptyPath());
        Connector connector;
        MessageLog log;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        FrameWatch frames(home.LogPath());
        frames.Next();

        QVERIFY(RunDialog<UpperLevelLinkDialog>(*w, "NConVU", [](UpperLevelLinkDialog* f) {
            auto* rate = Named<QComboBox>(f, "rateBox");
            QVERIFY(rate->isEnabled());
            QCOMPARE(rate->currentText(), QStringLiteral("9600"));
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("12"));
            rate->setCurrentIndex(19);
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 3 0 4", "W 3 0 2 0C 13"}));
        QCOMPARE(int(w->Link().Address), 12);
        QCOMPARE(w->Link().BaudRate, 57600);
        QCOMPARE(int(Settings().Direct.Address), 12);
        QCOMPARE(Settings().Direct.Rate, 57600);
        const MainSettings saved = ReadMainSettingsFrom(home.Ini() + QStringLiteral("/zmk.ini"), 1024, 768);
        QCOMPARE(int(saved.Direct.Address), 12);
        QCOMPARE(saved.Direct.Rate, 57600);
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(0), QStringLiteral(" COM3,   57600 бит/с"));
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(1), QStringLiteral(" Адр. 12"));

        // The next exchange reaches the controller at its new address and rate ...
        QVERIFY(RunDialog<HourlyWritePeriodDialog>(*w, "Ndistrpar", [](HourlyWritePeriodDialog* f) {
            Click(f, "cancelButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 28 0 2"}));
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));
        // ... which the controller insists on: at the old rate it hears nothing.
        w->Link().BaudRate = 9600;
        QVERIFY(!w->Tables().ReadTable({28, 0, 2}, nullptr, false));
        w->Link().BaudRate = 57600;
        QVERIFY(w->Tables().ReadTable({28, 0, 2}, nullptr, false));
    }

    void upperLevelAddressOverTheTelephone() {
        Home home;
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--guard-ms"), QStringLiteral("300"), QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        home.UsePhone(sim.ptyPath());
        Connector connector;
        MessageLog log;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        QVERIFY(w->ModemLineUp());
        FrameWatch frames(home.LogPath());
        frames.Next();

        QVERIFY(RunDialog<UpperLevelLinkDialog>(*w, "NConVU", [](UpperLevelLinkDialog* f) {
            // The rate between the computer and the modem is the modem's.
            QVERIFY(!Named<QComboBox>(f, "rateBox")->isEnabled());
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("12"));
            Click(f, "confirmButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 3 0 4", "W 3 0 1 0C"}));
        QCOMPARE(int(w->Link().Address), 12);
        QCOMPARE(w->Link().BaudRate, 38400);
        QCOMPARE(Settings().Phone.Rate, 38400);
        auto list = std::make_unique<PhoneList>();
        auto stored = std::make_unique<PhoneList>();
        ReadPhoneList(home.PhoneListPath(), *list, *stored);
        QCOMPARE(int(list->Entries[0].Address), 12);
        QVERIFY(RunDialog<HourlyWritePeriodDialog>(*w, "Ndistrpar", [](HourlyWritePeriodDialog* f) {
            Click(f, "cancelButton");
        }));
        QCOMPARE(frames.Next(), QStringList({"R 28 0 2"}));
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));
        w->close();
    }

    void flowComputersAddedAndGrown() {
        Home home;
        SimProcess sim({QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        home.UseEthernet(sim.tcpPort());
        Connector connector;
        // The question about more computers is answered "Да", a retry question "Нет".
        QList<SeenMessage> seen;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Caption, look.Line1, look.Line2, look.Line3, look.Question});
            return kind == MessageKind::Question;
        });
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        FrameWatch frames(home.LogPath());
        frames.Next();

        // One computer (address 10); a second one added with a password.
        ModalScript add;
        add.Then<FlowComputerListDialog>([](FlowComputerListDialog* f) {
            auto* table = Named<QTableWidget>(f, "computerTable");
            QCOMPARE(table->rowCount(), 1);
            QCOMPARE(table->item(0, 0)->text(), QStringLiteral("   10"));
            Click(f, "addButton");
            QCOMPARE(table->rowCount(), 2);
            Click(f, "confirmButton");
        });
        add.Then<FlowComputerDialog>([](FlowComputerDialog* f) {
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("20"));
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(0);
            Named<QComboBox>(f, "byteOrderBox")->setCurrentIndex(1);
            Named<QCheckBox>(f, "pipeline1")->setChecked(true);
            Named<QCheckBox>(f, "pipeline2")->setChecked(true);
            QTest::keyClicks(Named<QLineEdit>(f, "passwordEdit"), QStringLiteral("secret"));
            Click(f, "confirmButton");
        });
        QVERIFY(Run(*w, "NCurrVich", add));
        // Type 0 of the new computer is what the controller already holds there.
        QCOMPARE(frames.Next(), QStringList({"R 9 0 1", "R 17 0 16", "R 18 0 16", "R 19 0 16", "R 20 0 16",
                                             "W 9 0 1 02", "W 18 1 1 14", "W 19 1 1 03", "W 20 1 1 01",
                                             "W 13 1 1 " + Hex("secret          ")}));

        // From 2 to 4 computers in the link dialog: their parameters first.
        ModalScript grow;
        grow.Then<FlowComputerLinkDialog>([](FlowComputerLinkDialog* f) {
            Named<QComboBox>(f, "countBox")->setCurrentIndex(3);
            Click(f, "confirmButton");
        });
        grow.Then<FlowComputerListDialog>([](FlowComputerListDialog* f) {
            auto* table = Named<QTableWidget>(f, "computerTable");
            QCOMPARE(table->rowCount(), 4);
            QCOMPARE(table->item(1, 0)->text(), QStringLiteral("   20"));
            table->selectRow(2);
            Click(f, "editButton");
            table->selectRow(3);
            Click(f, "editButton");
            Click(f, "confirmButton");
        });
        grow.Then<FlowComputerDialog>([](FlowComputerDialog* f) {
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("30"));
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(0);
            Named<QComboBox>(f, "byteOrderBox")->setCurrentIndex(0);
            Click(f, "confirmButton");
        });
        grow.Then<FlowComputerDialog>([](FlowComputerDialog* f) {
            f->findChild<QComboBox*>(QStringLiteral("addressBox"))->setEditText(QStringLiteral("40"));
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(2);
            Named<QComboBox>(f, "byteOrderBox")->setCurrentIndex(0);
            Click(f, "confirmButton");
        });
        QVERIFY(Run(*w, "N4", grow));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].line1, QStringLiteral("Количество вычислителей не может быть увеличено"));
        QCOMPARE(seen[0].line2, QStringLiteral("без ввода их параметров. Выполнить ввод параметров сейчас?"));
        QCOMPARE(frames.Next(), QStringList({"R 9 0 8", "R 17 0 16", "R 18 0 16", "R 19 0 16", "R 20 0 16",
                                             "W 9 0 1 04", "W 17 3 1 02", "W 18 2 2 1E 28"}));
        // The passwords are written, never read.
        for (const QString& frame : frames.All()) QVERIFY2(!frame.startsWith(QLatin1String("R 13 ")), qPrintable(frame));

    }

    void controllerValuesOutOfRangeAreShown() {
        Home home;
        SimProcess sim({QStringLiteral("--open-writes"), QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        // A rate code of 40 and a flow-computer type of 9 in the controller.
        QVERIFY(SimWrite(sim, {QStringLiteral("14"), QStringLiteral("1"), QStringLiteral("28")}));
        QVERIFY(SimWrite(sim, {QStringLiteral("17"), QStringLiteral("0"), QStringLiteral("09")}));
        home.UseEthernet(sim.tcpPort());
        Connector connector;
        MessageLog log;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        FrameWatch frames(home.LogPath());
        frames.Next();

        QVERIFY(RunDialog<ChromatographLinkDialog>(*w, "NConHGC", [](ChromatographLinkDialog* f) {
            QCOMPARE(Named<QComboBox>(f, "rateBox")->placeholderText(), QStringLiteral(" ? (40)"));
            Click(f, "cancelButton");
        }));
        QVERIFY(RunDialog<FlowComputerListDialog>(*w, "NCurrVich", [](FlowComputerListDialog* f) {
            QCOMPARE(Named<QTableWidget>(f, "computerTable")->item(0, 1)->text(), QStringLiteral(" ? (9)"));
            Click(f, "cancelButton");
        }));
        QCOMPARE(frames.Writes(frames.Next()), QStringList());
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));
    }
};

QTEST_MAIN(ParamsCommandsTest)
#include "ParamsCommandsTest.moc"
