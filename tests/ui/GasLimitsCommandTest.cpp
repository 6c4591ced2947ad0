// "Уставки для контроля ЗМК" against zmk-sim with the real dialogs offscreen:
// the frames the simulator saw and what the controller holds afterwards.

#include <QApplication>
#include <QFile>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTimer>
#include <QtTest>
#include <bit>
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
#include "tables/GasLimits.h"
#include "tables/ui/GasLimitsDialogs.h"
#include "tables/ui/ProgramUserDialog.h"

using namespace zmk;

namespace {

// Presses "Связаться" and identifies the commissioning engineer whenever
// those dialogs come up; leaves every other dialog to the test.
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
    void UseEthernet(quint16 port) const {
        QVERIFY(Write(QStringLiteral("INI/zmk.ini"),
                      "[CURR_PAR]\r\nConn_Prz=2\r\n[ETHERNET_CONN_PAR]\r\nAdr=1\r\nWaitTime=2\r\n"
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
        QCOMPARE(WriteEthernetList(Ini() + QStringLiteral("/ethr_abonents.ini"), *list, *stored),
                 ListWriteResult::Written);
    }
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

// The table requests the simulator received, one text a frame: "R table
// first count" for a read, "W table first count data..." for a write.
class FrameWatch {
public:
    explicit FrameWatch(QString path) : path_(std::move(path)) {}

    QStringList Next() {
        QStringList all = All();
        QStringList fresh = all.mid(seen_);
        seen_ = all.size();
        return fresh;
    }

private:
    QStringList All() const {
        QFile file(path_);
        QStringList out;
        if (!file.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : file.readAll().split('\n')) {
            const QList<QByteArray> parts = line.split(' ');
            if (parts.size() < 3 || parts[1] != "RX") continue;
            QByteArray frame;
            for (int i = 2; i < parts.size(); ++i) frame.append(char(parts[i].toInt(nullptr, 16)));
            if (frame.size() == 10 && frame[3] == 1) {
                out << QStringLiteral("R %1 %2 %3").arg(uint8_t(frame[5])).arg(uint8_t(frame[6])).arg(uint8_t(frame[7]));
            } else if (frame.size() > 26 && frame[3] == 2) {
                QString text = QStringLiteral("W %1 %2 %3").arg(uint8_t(frame[21])).arg(uint8_t(frame[22])).arg(uint8_t(frame[23]));
                for (int i = 24; i < frame.size() - 2; ++i) text += QString::asprintf(" %02X", uint8_t(frame.at(i)));
                out << text;
            }
        }
        return out;
    }

    QString path_;
    qsizetype seen_ = 0;
};

const QStringList Reads = {"R 22 0 18", "R 23 0 18", "R 24 0 18", "R 25 0 18", "R 26 0 18"};

QString Hex(float value) {
    const uint32_t bits = std::bit_cast<uint32_t>(value);
    return QString::asprintf("%02X %02X %02X %02X", bits & 0xFF, bits >> 8 & 0xFF, bits >> 16 & 0xFF, bits >> 24);
}

// Puts the program's defaults of parameters 1..17 into the controller with
// zmkctl, as the registered setter; parameter 0 keeps the simulator's own.
bool SetDefaults(const SimProcess& sim) {
    for (int k = 0; k < GasLimitKindCount; ++k) {
        QStringList args = {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                            QStringLiteral("write-table"), QString::number(FirstGasLimitTable + k), QStringLiteral("1")};
        for (int p = 1; p < LimitedGasParameters; ++p)
            args << Hex(GasLimitRule(GasLimitKind(k), p).Default).remove(QLatin1Char(' '));
        QProcess ctl;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("ZMK_PASSWORD"), QStringLiteral("12345678"));
        env.insert(QStringLiteral("ZMK_USER_CODE"), QStringLiteral("1234"));
        ctl.setProcessEnvironment(env);
        ctl.start(CtlPath(), args);
        if (!ctl.waitForFinished(10000) || ctl.exitCode() != 0) {
            qWarning("%s", ctl.readAllStandardError().constData());
            return false;
        }
    }
    return true;
}

void Click(QWidget* form, const char* name) { Named<QPushButton>(form, QLatin1String(name))->click(); }

// Opens row `row` of the list and sets field `kind` to `value` there.
void EditRow(ModalScript& script, int row, int kind, const QString& value) {
    script.Then<GasLimitsListDialog>([row](GasLimitsListDialog* f) {
        Named<QTableWidget>(f, "limitTable")->selectRow(row);
        Click(f, "editButton");
    });
    script.Then<GasLimitsDialog>([kind, value](GasLimitsDialog* f) {
        Named<QLineEdit>(f, QStringLiteral("valueEdit%1").arg(kind))->setText(value);
        Click(f, "confirmButton");
    });
}

bool Run(MainWindow& w, ModalScript& script) {
    script.Start();
    w.MenuItem(QStringLiteral("N2"))->trigger();
    return script.Finished();
}

}  // namespace

class GasLimitsCommandTest : public QObject {
    Q_OBJECT

private slots:
    void writesOnlyWhatChanged() {
        Home home;
        SimProcess sim({QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        QVERIFY(SetDefaults(sim));
        home.UseEthernet(sim.tcpPort());
        Connector connector;
        MessageLog log;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        QVERIFY(Shared().HexaneInList);
        QCOMPARE(w->MenuItem(QStringLiteral("N2"))->text(), QStringLiteral("Уставки для контроля ЗМК"));
        FrameWatch frames(home.LogPath());
        frames.Next();

        // What the controller holds is shown, the simulator's 100 % for the
        // hexane and heavier fraction included.
        ModalScript look;
        look.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) {
            auto* table = Named<QTableWidget>(f, "limitTable");
            QCOMPARE(table->item(0, GasLimitsListDialog::FirstLimitColumn + 4)->text(), QStringLiteral(" 100.000"));
            QCOMPARE(table->item(12, GasLimitsListDialog::FirstLimitColumn + 1)->text(), QStringLiteral(" 0.670"));
            Click(f, "cancelButton");
        });
        QVERIFY(Run(*w, look));
        QCOMPARE(frames.Next(), Reads);

        // An edited row, then "Отменить": nothing is sent.
        ModalScript cancel;
        EditRow(cancel, 3, 4, QStringLiteral("1.1"));
        cancel.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) { Click(f, "cancelButton"); });
        QVERIFY(Run(*w, cancel));
        QCOMPARE(frames.Next(), Reads);

        // Only the ВДП of one parameter: one request for table 26, one field.
        ModalScript one;
        EditRow(one, 3, 4, QStringLiteral("1.1"));
        one.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) { Click(f, "confirmButton"); });
        QVERIFY(Run(*w, one));
        QCOMPARE(frames.Next(), Reads + QStringList{"W 26 3 1 " + Hex(1.1f)});

        // Confirmed without a change: nothing to write.
        ModalScript same;
        same.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) { Click(f, "confirmButton"); });
        QVERIFY(Run(*w, same));
        QCOMPARE(frames.Next(), Reads);

        // Two tables, in table order.
        ModalScript two;
        EditRow(two, 17, 3, QStringLiteral("-40"));
        EditRow(two, 8, 0, QStringLiteral("4.5"));
        two.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) { Click(f, "confirmButton"); });
        QVERIFY(Run(*w, two));
        QCOMPARE(frames.Next(), Reads + QStringList({"W 22 8 1 " + Hex(4.5f), "W 25 17 1 " + Hex(-40.0f)}));
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));

        // The controller holds it: a fresh reading shows the new values.
        ModalScript check;
        check.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) {
            auto* table = Named<QTableWidget>(f, "limitTable");
            QCOMPARE(table->item(3, GasLimitsListDialog::FirstLimitColumn + 4)->text(), QStringLiteral(" 1.100"));
            QCOMPARE(table->item(17, GasLimitsListDialog::FirstLimitColumn + 3)->text(), QStringLiteral(" -40.00"));
            QCOMPARE(table->item(8, GasLimitsListDialog::FirstLimitColumn + 0)->text(), QStringLiteral(" 4.5000"));
            Click(f, "cancelButton");
        });
        QVERIFY(Run(*w, check));
        QCOMPARE(frames.Next(), Reads);

        // Without the hexane value its row is not offered; confirming writes
        // nothing, so its stored values stay as they are.
        Shared().HexaneInList = false;
        ModalScript hexane;
        hexane.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) {
            auto* table = Named<QTableWidget>(f, "limitTable");
            QCOMPARE(table->item(14, 1)->text(), QStringLiteral(" Параметр (гексан) не используется"));
            table->selectRow(14);
            QVERIFY(!Named<QPushButton>(f, "editButton")->isEnabled());
            Click(f, "confirmButton");
        });
        QVERIFY(Run(*w, hexane));
        QCOMPARE(frames.Next(), Reads);
    }

    void aRefusedWriteShowsTheControllersReasonAndEndsTheCommand() {
        Home home;
        SimProcess sim({QStringLiteral("--log"), home.LogPath()});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        QVERIFY(SetDefaults(sim));
        home.UseEthernet(sim.tcpPort());
        Connector connector;
        auto w = Connect();
        QVERIFY(w && Shared().Connected);
        FrameWatch frames(home.LogPath());
        frames.Next();

        w->Link().WritePassword.fill('x');
        QString panelAtQuestion;
        QList<SeenMessage> questions;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            questions.append({int(kind), look.Caption, look.Line1, look.Line2, look.Line3, look.Question});
            panelAtQuestion = Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(2);
            return false;
        });
        ModalScript script;
        EditRow(script, 1, 0, QStringLiteral("0.2"));
        EditRow(script, 1, 4, QStringLiteral("5"));
        script.Then<GasLimitsListDialog>([](GasLimitsListDialog* f) { Click(f, "confirmButton"); });
        QVERIFY(Run(*w, script));
        QCOMPARE(questions.size(), 1);
        QCOMPARE(questions[0].line1, QStringLiteral("Не выполнена запись в таблицу 22."));
        QCOMPARE(questions[0].line3, QStringLiteral("Повторить попытку?"));
        QVERIFY2(panelAtQuestion.contains(QStringLiteral("Пользователь не зарегистрирован или неправильный пароль")),
                 qPrintable(panelAtQuestion));
        // Table 26 was never tried.
        QCOMPARE(frames.Next(), Reads + QStringList{"W 22 1 1 " + Hex(0.2f)});
    }
};

QTEST_MAIN(GasLimitsCommandTest)
#include "GasLimitsCommandTest.moc"
