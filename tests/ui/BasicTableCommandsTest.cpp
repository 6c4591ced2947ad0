// The commands of the basic tables end to end: the real main window
// against zmk-sim on a pseudo-terminal, the real dialogs driven as a user
// would, and what reached the simulator seen in its frame log.

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "BaseFolder.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "app/ConnectionState.h"
#include "app/ui/MainWindow.h"
#include "app/ui/PanelStatusBar.h"
#include "common/PackedDate.h"
#include "link/ui/ConnectDialog.h"
#include "tables/ControllerClock.h"
#include "tables/ui/ClockDialog.h"
#include "tables/ui/ControllerNameDialog.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/SystemParamsDialog.h"

using namespace zmk;

namespace {

// A shared message as shown, with the text of the command panel at that moment.
struct Message {
    int kind = 0;
    QString line1, line2, panel;
    bool question = false;
};

// Answers the modal dialogs of the main window while it lives: the
// connection dialog and the program user (the given code and password);
// the dialogs of a command go to the test's latest script while it has
// steps left. Messages are kept; questions take the answers queued in
// `answers`, then "Нет". A dialog nobody expected is recorded and closed.
class Responder {
public:
    QString password = QStringLiteral("12345678");
    QList<bool> answers;
    std::function<QString()> panelText;

    QList<Message> messages;
    QStringList unexpected;

    Responder() { Schedule(); }

    ModalScript& NewScript() {
        scripts_.push_back(std::make_unique<ModalScript>());
        return *scripts_.back();
    }

private:
    void Schedule() {
        QTimer::singleShot(10, &context_, [this] {
            Schedule();
            Poll();
        });
    }

    void Poll() {
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || !w->isVisible()) return;
        for (const QPointer<QWidget>& seen : handled_)
            if (seen.data() == w) return;
        handled_.append(w);
        if (auto* form = qobject_cast<ConnectDialog*>(w)) {
            form->findChild<QPushButton*>(QStringLiteral("connectButton"))->click();
        } else if (auto* form = qobject_cast<ProgramUserDialog*>(w)) {
            form->findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(QStringLiteral("1234"));
            form->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(password);
            form->findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
        } else if (!scripts_.empty() && !scripts_.back()->Finished()) {
            // The script's to take.
        } else {
            unexpected << QString::fromLatin1(w->metaObject()->className());
            w->close();
        }
    }

    MessageTrap trap_{[this](MessageKind kind, const MessageLook& look) {
        messages.append({int(kind), look.Line1, look.Line2, panelText ? panelText() : QString(), look.Question});
        return look.Question && !answers.isEmpty() ? answers.takeFirst() : false;
    }};
    std::vector<std::unique_ptr<ModalScript>> scripts_;
    QObject context_;
    QList<QPointer<QWidget>> handled_;
};

void ResetShared() {
    ConnectionState& s = Shared();
    s.Connected = false;
    s.MoistureMeterPresent = false;
    s.HexaneInList = false;
}

// A request the simulator received: function code, and for a table request
// its head (table, first field, count) and data.
struct Request {
    int code = 0;
    int table = -1, first = -1, count = -1;
    QByteArray data;  // field data of a write, the body of a clock correction
};

// One controller behind a pseudo-terminal with its frame log, and the
// program's settings of a direct line to it.
class Controller {
public:
    explicit Controller(const QStringList& simArgs = {})
        : sim_(QStringList{QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--log"), LogPath()} +
               simArgs) {}

    bool Ready() const { return sim_.ready(); }
    QString Output() const { return sim_.output(); }

    // zmkctl against the controller, as the factory user; its exit code.
    // Only while the program is not connected: both would read the one line.
    int Ctl(const QStringList& command) const {
        QProcess ctl;
        ctl.start(CtlPath(), QStringList{QStringLiteral("--serial"), sim_.ptyPath(), QStringLiteral("--password"),
                                         QStringLiteral("12345678"), QStringLiteral("--user-code"),
                                         QStringLiteral("1234")} +
                                 command);
        if (!ctl.waitForFinished(30000)) return -1;
        return ctl.exitCode();
    }

    bool WriteSettings(const ::BaseFolder& home) const {
        return home.Write(QStringLiteral("INI/zmk.ini"),
                          QStringLiteral("[CURR_PAR]\r\nConn_Prz=0\r\n[DIR_CONN_PAR]\r\nCOMPort=3\r\nAdr=1\r\n"
                                         "Rate=38400\r\nWaitTime=2\r\nTimeOut=100\r\n[COM_PORTS]\r\nCOM3=%1\r\n")
                              .arg(sim_.ptyPath())
                              .toLatin1());
    }

    // Every request received so far; Mark() and Since() for those of one command.
    QList<Request> Received() const {
        QList<Request> out;
        QFile f(LogPath());
        if (!f.open(QIODevice::ReadOnly)) return out;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int rx = int(line.indexOf(" RX "));
            if (rx < 0) continue;
            const QByteArray b = QByteArray::fromHex(line.mid(rx + 4).replace(' ', ""));
            if (b.size() < 6) continue;
            Request r;
            r.code = uint8_t(b[3]);
            if (r.code == 1 && b.size() == 10) {
                r.table = uint8_t(b[5]), r.first = uint8_t(b[6]), r.count = uint8_t(b[7]);
            } else if (r.code == 2 && b.size() >= 26) {
                r.table = uint8_t(b[21]), r.first = uint8_t(b[22]), r.count = uint8_t(b[23]);
                r.data = b.mid(24, b.size() - 26);
            } else if (r.code == 12 && b.size() == 24) {
                r.data = b.mid(20, 2);
            }
            out.append(r);
        }
        return out;
    }
    void Mark() { mark_ = Received().size(); }
    QList<Request> Since() const { return Received().mid(mark_); }
    QList<Request> WritesSince() const {
        QList<Request> out;
        for (const Request& r : Since())
            if (r.code != 1) out.append(r);
        return out;
    }

private:
    QString LogPath() const { return dir_.filePath(QStringLiteral("frames.log")); }

    QTemporaryDir dir_;
    SimProcess sim_;
    qsizetype mark_ = 0;
};

// The main window with its connection start run to the end.
std::unique_ptr<MainWindow> StartMain(bool* finished) {
    auto window = std::make_unique<MainWindow>();
    QSignalSpy spy(window.get(), &MainWindow::ConnectionStartFinished);
    window->show();
    *finished = spy.wait(30000);
    return window;
}

QString PanelText(MainWindow& w) { return Named<PanelStatusBar>(&w, QStringLiteral("linkBar"))->PanelText(2); }

template <typename T>
T* Child(const QWidget* window, const char* name) {
    return Named<T>(window, QLatin1String(name));
}

QByteArray Hex(const char* hex) { return QByteArray::fromHex(hex); }

// The controller's clock `offset` seconds from the computer's, as zmk-sim's --clock.
QString ClockArgument(qint64 offset) {
    return QDateTime::currentDateTime().addSecs(offset).toString(QStringLiteral("yyyy-MM-dd HH:mm:ss"));
}

// Seconds of a "%02d:%02d:%02d" text since midnight.
int Seconds(const QString& hms) {
    const QStringList p = hms.split(u':');
    return p.value(0).toInt() * 3600 + p.value(1).toInt() * 60 + p.value(2).toInt();
}

}  // namespace

class BasicTableCommandsTest : public QObject {
    Q_OBJECT

private:
    // The window connected to the controller, with the responder watching.
    struct Session {
        ::BaseFolder home;
        Responder responder;
        std::unique_ptr<MainWindow> window;
    };

    static std::unique_ptr<Session> Connect(Controller& controller, const QString& password = QStringLiteral("12345678")) {
        auto s = std::make_unique<Session>();
        if (!controller.WriteSettings(s->home)) return nullptr;
        s->responder.password = password;
        bool finished = false;
        s->window = StartMain(&finished);
        if (!finished || !Shared().Connected) return nullptr;
        MainWindow* w = s->window.get();
        s->responder.panelText = [w] { return PanelText(*w); };
        s->responder.messages.clear();
        controller.Mark();
        return s;
    }

private slots:
    void init() { ResetShared(); }

    void identificationShown() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        QStringList values;
        s->responder.NewScript()
            .Then<IdentificationDialog>([&](IdentificationDialog* form) {
                for (int i = 0; i < 9; ++i) values << Named<QLabel>(form, QStringLiteral("identValue%1").arg(i))->text();
                Child<QPushButton>(form, "exitButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("Nident"))->trigger();
        QCOMPARE(values, QStringList({"73", "10", "2", "15.03.21  12:00:00", "Мл. адрес - мл. байт",
                                      "Разрушенных таблиц нет", "Есть", "Есть", "3.0.1"}));
        const QList<Request> sent = controller.Since();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].code, 1);
        QCOMPARE(sent[0].table, 0);
        QCOMPARE(sent[0].count, 18);
        QVERIFY2(s->responder.unexpected.isEmpty(), qPrintable(s->responder.unexpected.join(u' ')));
    }

    // The name goes out in the controller's code page and comes back as typed.
    void nameRoundTrip_data() {
        QTest::addColumn<QString>("codePage");
        QTest::addColumn<QByteArray>("written");
        // "ГРС-5 №2" and 12 blanks
        QTest::newRow("DOS") << QStringLiteral("866") << Hex("8390912D3520FC32") + QByteArray(12, ' ');
        QTest::newRow("Windows") << QStringLiteral("1251") << Hex("C3D0D12D3520B932") + QByteArray(12, ' ');
    }

    void nameRoundTrip() {
        QFETCH(QString, codePage);
        QFETCH(QByteArray, written);
        Controller controller({QStringLiteral("--code-page"), codePage});
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        QString shown;
        s->responder.NewScript()
            .Then<ControllerNameDialog>([&](ControllerNameDialog* form) {
                shown = Child<QLineEdit>(form, "nameEdit")->text();
                Child<QLineEdit>(form, "nameEdit")->setText(QStringLiteral("ГРС-5 №2"));
                Child<QPushButton>(form, "writeButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrName"))->trigger();
        QCOMPARE(shown, QStringLiteral("ЗМК-10 ГРС Тестовая"));
        QList<Request> writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(writes[0].table, 5);
        QCOMPARE(writes[0].first, 0);
        QCOMPARE(writes[0].count, 1);
        QCOMPARE(writes[0].data, written);

        // Read back into the dialog as it was typed; written unchanged, nothing goes out.
        controller.Mark();
        s->responder.NewScript()
            .Then<ControllerNameDialog>([&](ControllerNameDialog* form) {
                shown = Child<QLineEdit>(form, "nameEdit")->text();
                Child<QPushButton>(form, "writeButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrName"))->trigger();
        QCOMPARE(shown, QStringLiteral("ГРС-5 №2"));
        QVERIFY(controller.WritesSince().isEmpty());
        QVERIFY(s->responder.messages.isEmpty());
    }

    // "Отменить" and "Выход" send nothing, whatever was changed in the dialog.
    void leavingSendsNothing() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        ModalScript& script = s->responder.NewScript();
        script
            .Then<ControllerNameDialog>([](ControllerNameDialog* form) {
                Child<QLineEdit>(form, "nameEdit")->setText(QStringLiteral("другое"));
                Child<QPushButton>(form, "cancelButton")->click();
            })
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) {
                Child<QComboBox>(form, "contractHour")->setCurrentIndex(3);
                Child<QCheckBox>(form, "moisturePresent")->setChecked(false);
                Child<QPushButton>(form, "cancelButton")->click();
            })
            .Then<ClockDialog>([](ClockDialog* form) { Child<QPushButton>(form, "exitButton")->click(); });
        script.Start();
        s->window->MenuItem(QStringLiteral("NContrName"))->trigger();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QVERIFY(script.Finished());
        QVERIFY(controller.WritesSince().isEmpty());
        QVERIFY(Shared().MoistureMeterPresent);
        QVERIFY(s->window->MenuItem(QStringLiteral("NWmt_Data"))->isVisible());
        QVERIFY(s->responder.messages.isEmpty());
        QVERIFY2(s->responder.unexpected.isEmpty(), qPrintable(s->responder.unexpected.join(u' ')));
    }

    // Only the changed fields go out; fields 9..11 go out as 1, 0, 0 when
    // the controller held something else; the moisture meter's menus follow.
    void systemParamsWriteOnlyChanges() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        QCOMPARE(controller.Ctl({QStringLiteral("write-table"), QStringLiteral("6"), QStringLiteral("9"),
                                 QStringLiteral("07"), QStringLiteral("07"), QStringLiteral("07")}),
                 0);
        auto s = Connect(controller);
        QVERIFY(s);
        QVERIFY(s->window->MenuItem(QStringLiteral("NWmt_Data"))->isVisible());

        // Nothing changed by the user: fields 9..11 alone.
        s->responder.NewScript()
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) { Child<QPushButton>(form, "confirmButton")->click(); })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        QList<Request> writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(QList<int>({writes[0].table, writes[0].first, writes[0].count}), QList<int>({6, 9, 3}));
        QCOMPARE(writes[0].data, Hex("010000"));

        // The contract hour and the moisture meter: one request over both,
        // cheaper on the line than two.
        controller.Mark();
        s->responder.NewScript()
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) {
                Child<QComboBox>(form, "contractHour")->setCurrentIndex(5);
                Child<QCheckBox>(form, "moisturePresent")->setChecked(false);
                Child<QPushButton>(form, "confirmButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(QList<int>({writes[0].table, writes[0].first, writes[0].count}), QList<int>({6, 6, 3}));
        QCOMPARE(writes[0].data, Hex("050100"));
        QVERIFY(!Shared().MoistureMeterPresent);
        QVERIFY(!s->window->MenuItem(QStringLiteral("NWmt_Data"))->isVisible());
        QVERIFY(!s->window->MenuItem(QStringLiteral("NConnWMT"))->isVisible());

        // "Предпоследний" "Суббота" of the summer switch is one field.
        controller.Mark();
        s->responder.NewScript()
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) {
                Child<QComboBox>(form, "summerOrdinal")->setCurrentIndex(3);
                Child<QComboBox>(form, "summerWeekday")->setCurrentIndex(6);
                Child<QPushButton>(form, "confirmButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(QList<int>({writes[0].table, writes[0].first, writes[0].count}), QList<int>({6, 1, 1}));
        QCOMPARE(writes[0].data, Hex("FA"));

        // The last Sunday again and the moisture meter back: fields 1 and 8
        // cost less in one request over 1..8 than in two.
        controller.Mark();
        s->responder.NewScript()
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) {
                Child<QComboBox>(form, "summerOrdinal")->setCurrentIndex(4);
                Child<QComboBox>(form, "summerWeekday")->setCurrentIndex(0);
                Child<QCheckBox>(form, "moisturePresent")->setChecked(true);
                Child<QPushButton>(form, "confirmButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(QList<int>({writes[0].table, writes[0].first, writes[0].count}), QList<int>({6, 1, 8}));
        QCOMPARE(writes[0].data, Hex("C9020AC903050101"));
        QVERIFY(Shared().MoistureMeterPresent);
        QVERIFY(s->window->MenuItem(QStringLiteral("NWmt_Data"))->isVisible());
        QVERIFY(s->responder.messages.isEmpty());
    }

    // A write the controller refuses: its text on the command panel while the
    // retry question is asked; given up, the menus stay as they were.
    void refusedWriteShowsControllersText() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller, QStringLiteral("wrong"));
        QVERIFY(s);
        s->responder.NewScript()
            .Then<SystemParamsDialog>([](SystemParamsDialog* form) {
                Child<QCheckBox>(form, "moisturePresent")->setChecked(false);
                Child<QPushButton>(form, "confirmButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        const QList<Message>& m = s->responder.messages;
        QCOMPARE(m.size(), 1);
        QCOMPARE(m[0].kind, int(MessageKind::RetryQuestion));
        QCOMPARE(m[0].line1, QStringLiteral("Не выполнена запись в таблицу 6."));
        QCOMPARE(m[0].line2, QStringLiteral("\" Системные параметры\"."));
        QCOMPARE(m[0].panel, QStringLiteral("Команда 2.  Пользователь не зарегистрирован или неправильный пароль"));
        QVERIFY(Shared().MoistureMeterPresent);
        QVERIFY(s->window->MenuItem(QStringLiteral("NWmt_Data"))->isVisible());
        QCOMPARE(controller.WritesSince().size(), 1);
    }

    // A rule month no list offers, an hour of 30: shown without a choice, and
    // not written until every list in view has one.
    void outOfRangeSystemParams() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        QCOMPARE(controller.Ctl({QStringLiteral("set"), QStringLiteral("6"), QStringLiteral("0=07"),
                                 QStringLiteral("6=1E")}),
                 0);
        auto s = Connect(controller);
        QVERIFY(s);
        QString month;
        int contract = 0;
        s->responder.NewScript()
            .Then<SystemParamsDialog>([&](SystemParamsDialog* form) {
                month = Child<QComboBox>(form, "summerMonth")->currentText();
                contract = Child<QComboBox>(form, "contractHour")->currentIndex();
                Child<QPushButton>(form, "confirmButton")->click();
                Child<QPushButton>(form, "cancelButton")->click();
            })
            .Then<ClockDialog>([](ClockDialog* form) { Child<QPushButton>(form, "exitButton")->click(); })
            .Start();
        s->window->MenuItem(QStringLiteral("Nsys"))->trigger();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QVERIFY(month.isEmpty());
        QCOMPARE(contract, -1);
        QCOMPARE(s->responder.messages.size(), 1);
        QCOMPARE(s->responder.messages[0].line1, QStringLiteral("Введены не все параметры"));
        QVERIFY(controller.WritesSince().isEmpty());
        QVERIFY2(s->responder.unexpected.isEmpty(), qPrintable(s->responder.unexpected.join(u' ')));
    }

    // A correction inside the controller's hour: the body the difference
    // shown, the controller's clock then on the computer's, the outcome on
    // the command panel.
    void clockCorrected() {
        // Behind by a minute, or ahead near the start of an hour, so that both
        // clocks stay in one hour; at the very end of an hour, wait for the next.
        QTime now = QTime::currentTime();
        if (now.minute() * 60 + now.second() > 3540) {
            QTest::qWait((3600 - now.minute() * 60 - now.second() + 3) * 1000);
            now = QTime::currentTime();
        }
        const int intoHour = now.minute() * 60 + now.second();
        const qint64 offset = intoHour >= 70 ? -60 : 30;
        Controller controller({QStringLiteral("--clock"), ClockArgument(offset)});
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        s->responder.answers = {true};
        QString controllerTime, computerTime;
        bool red = false;
        s->responder.NewScript()
            .Then<ClockDialog>([&](ClockDialog* form) {
                controllerTime = Child<QLabel>(form, "controllerTime")->text();
                computerTime = Child<QLabel>(form, "computerTime")->text();
                red = Child<QLabel>(form, "controllerTime")->property("differs").toBool();
                Child<QPushButton>(form, "correctButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QVERIFY(red);
        const int shownDifference = Seconds(computerTime) - Seconds(controllerTime);
        QVERIFY2(qAbs(shownDifference + offset) <= 2, qPrintable(controllerTime + " / " + computerTime));

        const QList<Request> sent = controller.Since();
        QCOMPARE(sent.size(), 4);  // table states, system parameters, clock, correction
        QCOMPARE(QList<int>({sent[0].table, sent[0].first, sent[0].count}), QList<int>({7, 0, 7}));
        QCOMPARE(QList<int>({sent[1].table, sent[1].first, sent[1].count}), QList<int>({6, 0, 12}));
        QCOMPARE(QList<int>({sent[2].table, sent[2].first, sent[2].count}), QList<int>({2, 0, 8}));
        QCOMPARE(sent[3].code, 12);
        const int correction = int16_t(uint8_t(sent[3].data[0]) | uint8_t(sent[3].data[1]) << 8);
        QCOMPARE(correction, shownDifference);
        QCOMPARE(PanelText(*s->window), QStringLiteral("Корректировка времени выполнена"));
        QCOMPARE(s->responder.messages.size(), 1);  // the question
        // The panel is cleared later.
        QTRY_VERIFY_WITH_TIMEOUT(PanelText(*s->window).isEmpty(), 5000);

        // The controller's clock now agrees with the computer's.
        controller.Mark();
        s->responder.NewScript()
            .Then<ClockDialog>([&](ClockDialog* form) {
                controllerTime = Child<QLabel>(form, "controllerTime")->text();
                computerTime = Child<QLabel>(form, "computerTime")->text();
                Child<QPushButton>(form, "exitButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QVERIFY2(qAbs(Seconds(computerTime) - Seconds(controllerTime)) <= 1,
                 qPrintable(controllerTime + " / " + computerTime));
        QVERIFY(controller.WritesSince().isEmpty());
    }

    // A correction the controller refuses: its text on the command panel and
    // "Корректировка времени не выполнена".
    void clockCorrectionRefused() {
        Controller controller({QStringLiteral("--clock"), ClockArgument(-3600 * 5)});
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller, QStringLiteral("wrong"));
        QVERIFY(s);
        s->responder.answers = {true};
        s->responder.NewScript()
            .Then<ClockDialog>([](ClockDialog* form) { Child<QPushButton>(form, "correctButton")->click(); })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        const QList<Message>& m = s->responder.messages;
        QCOMPARE(m.size(), 2);
        QCOMPARE(m[1].kind, int(MessageKind::Info));
        QCOMPARE(m[1].line1, QStringLiteral("Корректировка времени не выполнена"));
        QVERIFY(m[1].line2.isEmpty());
        QCOMPARE(m[1].panel, QStringLiteral("Команда 12.  Пользователь не зарегистрирован или неправильный пароль"));
        QCOMPARE(controller.WritesSince().size(), 1);
    }

    // Time kinds are compared, not their bytes: a controller holding 1 for
    // winter time agrees with a computer in winter time.
    void clockTimeKindsCompared() {
        Controller controller;
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        QCOMPARE(controller.Ctl({QStringLiteral("set"), QStringLiteral("2"), QStringLiteral("7=01")}), 0);
        auto s = Connect(controller);
        QVERIFY(s);
        QString kind, computerKind;
        bool red = true;
        s->responder.NewScript()
            .Then<ClockDialog>([&](ClockDialog* form) {
                kind = Child<QLabel>(form, "controllerKind")->text();
                computerKind = Child<QLabel>(form, "computerKind")->text();
                red = Child<QLabel>(form, "controllerKind")->property("differs").toBool();
                Child<QPushButton>(form, "exitButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QCOMPARE(kind, QStringLiteral("Зимнее"));
        QCOMPARE(red, computerKind != kind);
    }

    void clockWithDestroyedSystemParams() {
        Controller controller({QStringLiteral("--destroyed"), QStringLiteral("6")});
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        const QList<Message>& m = s->responder.messages;
        QCOMPARE(m.size(), 1);
        QCOMPARE(m[0].kind, int(MessageKind::SeeControllerState));
        QCOMPARE(m[0].line1, QStringLiteral("Разрушена таблица системных параметров."));
        QCOMPARE(m[0].line2, QStringLiteral("Информация о текущих дате и времени не может быть представлена"));
        const QList<Request> sent = controller.Since();
        QCOMPARE(sent.size(), 1);
        QCOMPARE(sent[0].table, 7);
    }

    // A destroyed clock is set from the computer's time after two questions:
    // all eight fields, the weekday and the time kind the computer has.
    void destroyedClockRestored() {
        Controller controller({QStringLiteral("--destroyed"), QStringLiteral("2"), QStringLiteral("--clock"),
                               QStringLiteral("2001-01-01 00:00:00")});
        QVERIFY2(controller.Ready(), qPrintable(controller.Output()));
        auto s = Connect(controller);
        QVERIFY(s);
        s->responder.answers = {true, true};
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        const QList<Message>& m = s->responder.messages;
        QCOMPARE(m.size(), 2);
        QCOMPARE(m[0].line1, QStringLiteral("Таблица даты и времени разрушена."));
        QCOMPARE(m[0].line2, QStringLiteral("Во") + QLatin1Char('c') + QStringLiteral("становить сейчас?"));
        QCOMPARE(m[1].line1, QStringLiteral("В контроллер будет записано время ЭВМ."));
        QCOMPARE(m[1].line2, QStringLiteral("Вы уверены, что часы ЭВМ показывают правильное время?"));
        const PackedDate now = FromDateTime(CurrentDateTimeValue());
        const QList<Request> writes = controller.WritesSince();
        QCOMPARE(writes.size(), 1);
        QCOMPARE(QList<int>({writes[0].table, writes[0].first, writes[0].count}), QList<int>({2, 0, 8}));
        const auto* w = reinterpret_cast<const uint8_t*>(writes[0].data.constData());
        const PackedDate written = PackedDate::FromBytes(w);
        QVERIFY(qAbs(ToDateTime(now) - ToDateTime(written)) * 86400 <= 2);
        const uint8_t rules[12] = {3, 0xC9, 2, 10, 0xC9, 3, 10, 1, 1, 1, 0, 0};  // the simulator's
        uint8_t expected[8];
        FillClockFromComputer(expected, written, rules);
        QCOMPARE(int(w[6]), int(expected[6]));
        QCOMPARE(int(w[7]), int(expected[7]));
        QVERIFY(w[7] == 0 || w[7] == 0x80);

        // The clock is intact again: the next time it is shown.
        bool shown = false;
        s->responder.NewScript()
            .Then<ClockDialog>([&](ClockDialog* form) {
                shown = true;
                Child<QPushButton>(form, "exitButton")->click();
            })
            .Start();
        s->window->MenuItem(QStringLiteral("NContrDt"))->trigger();
        QVERIFY(shown);
    }
};

QTEST_MAIN(BasicTableCommandsTest)
#include "BasicTableCommandsTest.moc"
