// The live-data commands end to end: the real main window against zmk-sim on
// a pseudo-terminal, the state, functions and momentary-data windows driven
// as a user would, and what reached the simulator seen in its frame log.

#include <QAction>
#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "BaseFolder.h"
#include "MessageTrap.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "app/ConnectionState.h"
#include "app/ui/MainWindow.h"
#include "link/ui/ConnectDialog.h"
#include "live/ui/ControllerStateWindow.h"
#include "live/ui/MomentaryWindows.h"
#include "tables/ui/FlowComputerDialogs.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/TableStateDialog.h"

using namespace zmk;

namespace {

struct Message {
    int kind = 0;
    QString line1, line2;
};

// A request the simulator received: function code and, for a read, its head.
struct Request {
    int code = 0;
    int table = -1, first = -1, count = -1;
};

// Drives the modal windows of one command: each step waits for the active
// modal widget to be of its type and runs its body on it. Unlike a short
// script, a body may wait (the windows poll meanwhile) and its window may
// open others; two steps in a row take windows of different types. A window a step left open when its body ended in a failure is
// closed, and anything still waiting after 60 s too, so that a fault cannot
// hang the test.
class Driver {
public:
    template <typename T>
    Driver& Then(std::function<void(T*)> body) {
        steps_.append({[](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                       [body](QWidget* w) { body(qobject_cast<T*>(w)); }});
        return *this;
    }
    void Start() {
        clock_.start();
        Schedule();
    }
    bool Finished() const { return next_ == steps_.size(); }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };
    void Schedule() { QTimer::singleShot(10, &context_, [this] { Poll(); }); }
    void Poll() {
        if (Finished()) return;
        QWidget* w = QApplication::activeModalWidget();
        if (w != nullptr && w->isVisible() && steps_[next_].matches(w)) {
            const Step step = steps_[next_++];
            QPointer<QWidget> window(w);
            // The next step looks out while this body runs: the body may
            // open the next window itself and wait in it.
            Schedule();
            step.act(w);
            if (QTest::currentTestFailed() && window && window->isVisible()) window->close();
            return;
        }
        if (clock_.elapsed() > 60000) {
            if (QWidget* open = QApplication::activeModalWidget()) open->close();
            return;
        }
        Schedule();
    }

    QObject context_;
    QList<Step> steps_;
    qsizetype next_ = 0;
    QElapsedTimer clock_;
};

// One controller behind a pseudo-terminal with its frame log, the program's
// settings of a direct line to it and the window connected to it.
class Session {
public:
    explicit Session(const QStringList& simArgs = {})
        : sim_(QStringList{QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--log"), LogPath()} +
               simArgs) {}

    bool Ready() const { return sim_.ready(); }
    QString Output() const { return sim_.output(); }

    // zmkctl against the controller before the window connects; its exit code.
    int Ctl(const QStringList& command) const {
        QProcess ctl;
        ctl.start(CtlPath(), QStringList{QStringLiteral("--serial"), sim_.ptyPath(), QStringLiteral("--password"),
                                         QStringLiteral("12345678"), QStringLiteral("--user-code"),
                                         QStringLiteral("1234")} +
                                 command);
        if (!ctl.waitForFinished(30000)) return -1;
        return ctl.exitCode();
    }

    // Connects the main window, answering the connection and user dialogs.
    bool Connect() {
        if (!home_.Write(QStringLiteral("INI/zmk.ini"),
                         QStringLiteral("[CURR_PAR]\r\nConn_Prz=0\r\n[DIR_CONN_PAR]\r\nCOMPort=3\r\nAdr=1\r\n"
                                        "Rate=38400\r\nWaitTime=2\r\nTimeOut=100\r\n[COM_PORTS]\r\nCOM3=%1\r\n")
                             .arg(sim_.ptyPath())
                             .toLatin1()))
            return false;
        Driver start;
        start.Then<ConnectDialog>([](ConnectDialog* form) { Named<QPushButton>(form, "connectButton")->click(); })
            .Then<ProgramUserDialog>([](ProgramUserDialog* form) {
                form->findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(QStringLiteral("1234"));
                form->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("12345678"));
                form->findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
            })
            .Start();
        window_ = std::make_unique<MainWindow>();
        QSignalSpy spy(window_.get(), &MainWindow::ConnectionStartFinished);
        window_->show();
        if (!spy.wait(30000) || !Shared().Connected) return false;
        messages.clear();
        Mark();
        return true;
    }

    MainWindow& Window() { return *window_; }
    void Run(const char* item) { window_->MenuItem(QLatin1String(item))->trigger(); }

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
            if (r.code == 1 && b.size() == 10) r.table = uint8_t(b[5]), r.first = uint8_t(b[6]), r.count = uint8_t(b[7]);
            out.append(r);
        }
        return out;
    }
    void Mark() { mark_ = Received().size(); }
    QList<Request> Since() const { return Received().mid(mark_); }
    // The tables of the reads since the mark, in order.
    QList<int> TablesReadSince() const {
        QList<int> tables;
        for (const Request& r : Since())
            if (r.code == 1) tables << r.table;
        return tables;
    }

    QList<Message> messages;

private:
    QString LogPath() const { return dir_.filePath(QStringLiteral("frames.log")); }

    QTemporaryDir dir_;
    SimProcess sim_;
    qsizetype mark_ = 0;
    ::BaseFolder home_;
    MessageTrap trap_{[this](MessageKind kind, const MessageLook& look) {
        messages.append({int(kind), look.Line1, look.Line2});
        return look.Question && !answers.isEmpty() ? answers.takeFirst() : false;
    }};

public:
    QList<bool> answers;

private:
    std::unique_ptr<MainWindow> window_;
};

void ResetShared() {
    ConnectionState& s = Shared();
    s.Connected = false;
    s.MoistureMeterPresent = false;
    s.HexaneInList = false;
}

QStringList Column(QTableWidget* grid, int column) {
    QStringList texts;
    for (int row = 0; row < grid->rowCount(); ++row) texts << grid->item(row, column)->text();
    return texts;
}

QString Text(const QWidget* window, const char* name) { return Named<QLabel>(window, QLatin1String(name))->text(); }
QPushButton* Button(const QWidget* window, const char* name) {
    return Named<QPushButton>(window, QLatin1String(name));
}

}  // namespace

class LiveWindowsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetShared(); }

    // Values and zones appear and change every second; a paused window keeps
    // them and sends nothing; resumed, it polls again. The upper write limit
    // of methane (table 26 field 8) is set to 50 % beforehand: its zone is
    // the upper alarm zone in red.
    void chromatographWindowPollsPausesAndResumes() {
        Session s;
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QCOMPARE(s.Ctl({QStringLiteral("set"), QStringLiteral("26"), QStringLiteral("8=00004842")}), 0);
        QVERIFY(s.Connect());
        Driver driver;
        driver.Then<ChromatographMomentaryWindow>([&](ChromatographMomentaryWindow* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Мгновенные данные хроматографа, зоны параметров газа"));
            QCOMPARE(w->size(), QSize(760, 520));
            auto* grid = Named<QTableWidget>(w, "valueGrid");
            QCOMPARE(grid->rowCount(), 18);
            QCOMPARE(grid->item(8, 0)->text(), QStringLiteral(" Молярная доля метана (CH4), %"));
            QVERIFY(Column(grid, 1).join(QString()).isEmpty());  // empty until the first tick
            QTRY_VERIFY_WITH_TIMEOUT(!grid->item(8, 2)->text().isEmpty(), 5000);

            const QString time = Text(w, "timeValue");
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d \\d\\d:\\d\\d:\\d\\d$")).match(time).hasMatch(),
                     qPrintable(time));
            const QString methane = grid->item(8, 1)->text();
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d+\\.\\d{4}$")).match(methane).hasMatch(), qPrintable(methane));
            QVERIFY(methane.toDouble() > 50);
            QCOMPARE(grid->item(8, 2)->text(), QStringLiteral(" Верхняя аварийная зона"));
            QCOMPARE(grid->item(8, 2)->foreground().color(), QColor(255, 0, 0));
            QCOMPARE(grid->item(0, 2)->text(), QStringLiteral(" Норма"));
            QCOMPARE(grid->item(0, 2)->foreground().color(), QColor(0, 0, 0));
            QCOMPARE(grid->item(17, 2)->text(), QString());  // the gas temperature has no zone
            QCOMPARE(grid->item(14, 1)->text().isEmpty(), false);
            // The poll time follows the clock and the values drift with it.
            const QStringList values = Column(grid, 1);
            QTRY_VERIFY_WITH_TIMEOUT(Text(w, "timeValue") != time && Column(grid, 1) != values, 5000);

            // Paused: nothing goes out, the values stay.
            Button(w, "toggleButton")->click();
            QCOMPARE(Button(w, "toggleButton")->text(), QStringLiteral("Обновлять данные"));
            QTest::qWait(200);  // a read under way ends
            const QStringList kept = Column(grid, 1);
            const QString keptTime = Text(w, "timeValue");
            s.Mark();
            QTest::qWait(2500);
            QCOMPARE(s.Since().size(), 0);
            QCOMPARE(Column(grid, 1), kept);
            QCOMPARE(Text(w, "timeValue"), keptTime);

            // Resumed: both tables are read again in turn.
            Button(w, "toggleButton")->click();
            QCOMPARE(Button(w, "toggleButton")->text(), QStringLiteral("Не обновлять данные"));
            QTRY_VERIFY_WITH_TIMEOUT(s.TablesReadSince().size() >= 4, 5000);
            QCOMPARE(s.TablesReadSince().mid(0, 4), QList<int>({30, 32, 30, 32}));
            for (const Request& r : s.Since()) {
                if (r.table == 30) QCOMPARE(r.count, 20);
                if (r.table == 32) QCOMPARE(r.count, 18);
            }
            QTRY_VERIFY_WITH_TIMEOUT(Text(w, "timeValue") != keptTime, 5000);
            Button(w, "exitButton")->click();
        });
        driver.Start();
        s.Run("NChrom_MomData");
        QVERIFY(driver.Finished());
        QVERIFY(s.messages.isEmpty());
        // The link was checked first, with table 33 field 0 alone.
        QVERIFY(Named<QTimer>(&s.Window(), "messageTimer")->isActive());
    }

    void hexaneOutOfTheList() {
        Session s;
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        QVERIFY(Shared().HexaneInList);
        Shared().HexaneInList = false;
        Driver driver;
        driver.Then<ChromatographMomentaryWindow>([&](ChromatographMomentaryWindow* w) {
            auto* grid = Named<QTableWidget>(w, "valueGrid");
            QCOMPARE(grid->item(14, 0)->foreground().color(), QColor(128, 128, 128));
            QCOMPARE(grid->item(13, 0)->foreground().color(), QColor(0, 0, 0));
            QTRY_VERIFY_WITH_TIMEOUT(!grid->item(0, 2)->text().isEmpty(), 5000);
            QCOMPARE(grid->item(14, 1)->text(), QStringLiteral("--"));
            QCOMPARE(grid->item(14, 2)->text(), QString());
            QVERIFY(grid->item(13, 1)->text().toDouble() > 0);
            Button(w, "exitButton")->click();
        });
        driver.Start();
        s.Run("NChrom_MomData");
        QVERIFY(driver.Finished());
    }

    void moistureWindowShowsItsFourValues() {
        Session s;
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        Driver driver;
        driver.Then<MoistureMomentaryWindow>([&](MoistureMomentaryWindow* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral(" Мгновенные данные влагомера"));
            QCOMPARE(w->size(), QSize(676, 224));
            auto* grid = Named<QTableWidget>(w, "valueGrid");
            QCOMPARE(grid->rowCount(), 4);
            QVERIFY(grid->item(3, 0)->text().startsWith(QStringLiteral(" PV24 – ")));
            QTRY_VERIFY_WITH_TIMEOUT(!grid->item(3, 1)->text().isEmpty(), 5000);
            const QStringList values = Column(grid, 1);
            QVERIFY2(values[0].toDouble() < 0 && values[2].toDouble() > 10, qPrintable(values.join(u' ')));
            QVERIFY(!Text(w, "timeValue").isEmpty());
            QCOMPARE(s.TablesReadSince().mid(1, 1), QList<int>({37}));
            Button(w, "exitButton")->click();
        });
        driver.Start();
        s.Run("NWmt_MomData");
        QVERIFY(driver.Finished());
        QVERIFY(s.messages.isEmpty());
    }

    // Without the analyser's link the window never opens; the user is told.
    void noLinkNoWindow_data() {
        QTest::addColumn<QString>("simOption");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("line1");
        QTest::newRow("chromatograph") << QStringLiteral("--chrom-link-lost") << QStringLiteral("NChrom_MomData")
                                       << QStringLiteral("Нет связи с хроматографом");
        QTest::newRow("moisture meter") << QStringLiteral("--moisture-link-lost") << QStringLiteral("NWmt_MomData")
                                        << QStringLiteral("Нет связи с влагомером");
    }

    void noLinkNoWindow() {
        QFETCH(QString, simOption);
        QFETCH(QString, item);
        QFETCH(QString, line1);
        Session s({simOption});
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        bool opened = false;
        QTimer watch;
        connect(&watch, &QTimer::timeout, [&] {
            if (QWidget* w = QApplication::activeModalWidget(); qobject_cast<PollingWindow*>(w)) {
                opened = true;
                w->close();
            }
        });
        watch.start(10);
        s.Run(item.toLatin1().constData());
        QVERIFY(!opened);
        QCOMPARE(s.messages.size(), 1);
        QCOMPARE(s.messages[0].kind, int(MessageKind::Info));
        QCOMPARE(s.messages[0].line1, line1);
        QCOMPARE(s.messages[0].line2, QStringLiteral("(см. текущее состояние контроллера)"));
        QCOMPARE(s.Since().size(), 1);
        QCOMPARE(s.Since()[0].table, 33);
        QCOMPARE(s.Since()[0].count, 1);
    }

    // "Выход" or Esc while a quiet read waits for its slow answer: the read is
    // given up, the window closes at once and the program goes on.
    void closingWhileAReadWaits_data() {
        QTest::addColumn<bool>("escape");
        QTest::newRow("Выход") << false;
        QTest::newRow("Esc") << true;
    }

    void closingWhileAReadWaits() {
        QFETCH(bool, escape);
        Session s({QStringLiteral("--answer-delay-ms"), QStringLiteral("600")});
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        QElapsedTimer closing;
        // Acts from inside the wait of the read, as a click or key press
        // during a poll does.
        QTimer during;
        Driver driver;
        driver.Then<ChromatographMomentaryWindow>([&](ChromatographMomentaryWindow* w) {
            s.Mark();
            connect(&during, &QTimer::timeout, w, [&, w] {
                if (!s.Window().Link().InExchange() || s.Since().isEmpty()) return;
                during.stop();
                closing.start();
                if (escape) QTest::keyClick(w, Qt::Key_Escape);
                else Button(w, "exitButton")->click();
            });
            during.start(10);
        });
        driver.Start();
        s.Run("NChrom_MomData");
        QVERIFY(driver.Finished());
        QVERIFY(closing.isValid());
        QVERIFY2(closing.elapsed() < 400, qPrintable(QString::number(closing.elapsed())));
        QVERIFY(!s.Window().Link().InExchange());
        QVERIFY(s.messages.isEmpty());
        // The link serves the next command.
        QTest::qWait(700);  // the given-up answer arrives and is dropped
        Driver functions;
        QStringList shown;
        functions.Then<ControllerFunctionsWindow>([&](ControllerFunctionsWindow* w) {
            shown << Text(w, "clockChangeValue") << Text(w, "flowExchangeValue");
            Button(w, "exitButton")->click();
        });
        functions.Start();
        s.Run("NFun");
        QVERIFY(functions.Finished());
        QCOMPARE(shown, QStringList({"Возможно", "Возможно"}));
    }

    // The state window: the flags, the links and their time; a self-diagnostics
    // flag shows "Есть" in red, the others "Норма" in black.
    void stateWindowShowsFlagsAndLinks() {
        Session s({QStringLiteral("--self-diagnostic-fault"), QStringLiteral("--chrom-link-lost")});
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        QVERIFY(Shared().MoistureMeterPresent);
        Driver driver;
        driver.Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
            QCOMPARE(w->windowTitle(), QStringLiteral("Текущее состояние контроллера"));
            QCOMPARE(w->size(), QSize(532, 544));
            QCOMPARE(Button(w, "toggleButton")->text(), QStringLiteral("Не обновлять данные"));
            QTRY_VERIFY_WITH_TIMEOUT(!Text(w, "moistureLink").isEmpty(), 5000);
            QCOMPARE(Text(w, "selfDiagnosticFlag"), QStringLiteral("Есть"));
            QVERIFY(Named<QLabel>(w, "selfDiagnosticFlag")->styleSheet().contains(QStringLiteral("ff0000")));
            QCOMPARE(Text(w, "flowFlag"), QStringLiteral("Норма"));
            QVERIFY(Named<QLabel>(w, "flowFlag")->styleSheet().contains(QStringLiteral("000000")));
            QCOMPARE(Text(w, "chromFlag"), QStringLiteral("Есть"));
            QCOMPARE(Text(w, "chromLink"), QStringLiteral("Связи нет"));
            QVERIFY(Named<QLabel>(w, "chromLink")->styleSheet().contains(QStringLiteral("ff0000")));
            QCOMPARE(Text(w, "moistureLink"), QStringLiteral("Норма"));
            QCOMPARE(Text(w, "moistureFlag"), QString());
            QVERIFY2(QRegularExpression(QStringLiteral("^\\d\\d\\.\\d\\d\\.\\d\\d  \\d\\d:\\d\\d:\\d\\d$"))
                         .match(Text(w, "flagsTime"))
                         .hasMatch(),
                     qPrintable(Text(w, "flagsTime")));
            const QList<int> tables = s.TablesReadSince();
            QCOMPARE(tables.mid(0, 2), QList<int>({16, 33}));
            Button(w, "exitButton")->click();
        });
        driver.Start();
        s.Run("NSit");
        QVERIFY(driver.Finished());
        QVERIFY(Shared().Connected);
    }

    // The flow-computer button reads 9, then 18, 34 and 35 with the count of
    // table 9; with no flow computer the three go out with count 0 and the
    // window opens empty.
    void flowComputerState_data() {
        QTest::addColumn<int>("count");
        QTest::newRow("one") << 1;
        QTest::newRow("none") << 0;
    }

    void flowComputerState() {
        QFETCH(int, count);
        Session s;
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        if (count == 0) QCOMPARE(s.Ctl({QStringLiteral("set"), QStringLiteral("9"), QStringLiteral("0=00")}), 0);
        QVERIFY(s.Connect());
        int rows = -1;
        QString address;
        Driver driver;
        driver.Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
                  QTRY_VERIFY_WITH_TIMEOUT(!Text(w, "chromLink").isEmpty(), 5000);
                  Button(w, "toggleButton")->click();  // no polling in between
                  QTest::qWait(100);
                  s.Mark();
                  Button(w, "flowComputerButton")->click();
              })
            .Then<FlowComputerStateWindow>([&](FlowComputerStateWindow* w) {
                auto* table = Named<QTableWidget>(w, "stateTable");
                rows = table->rowCount();
                if (rows > 0) address = table->item(0, 0)->text();
                Named<QPushButton>(w, "exitButton")->click();
            })
            .Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
                QVERIFY(Button(w, "exitButton")->isEnabled());
                QVERIFY(Button(w, "tableStateButton")->isEnabled());
                Button(w, "exitButton")->click();
            });
        driver.Start();
        s.Run("NSit");
        QVERIFY(driver.Finished());
        QCOMPARE(rows, count);
        if (count == 1) QCOMPARE(address, QStringLiteral("10"));
        QList<Request> reads;
        for (const Request& r : s.Since())
            if (r.table != 16 && r.table != 33) reads << r;
        QCOMPARE(reads.size(), 4);
        const int tables[] = {9, 18, 34, 35};
        for (int i = 0; i < 4; ++i) {
            QCOMPARE(reads[i].table, tables[i]);
            QCOMPARE(reads[i].count, i == 0 ? 1 : count);
        }
    }

    // A button pressed while a poll waits for its slow answer: its reads
    // follow once the poll has ended, with no failure and no question.
    void buttonDuringAPoll() {
        Session s({QStringLiteral("--answer-delay-ms"), QStringLiteral("400")});
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        QTimer during;
        int rows = -1;
        Driver driver;
        driver.Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
                  s.Mark();
                  connect(&during, &QTimer::timeout, w, [&, w] {
                      if (!s.Window().Link().InExchange() || s.Since().isEmpty()) return;
                      during.stop();
                      Button(w, "flowComputerButton")->click();
                  });
                  during.start(10);
              })
            .Then<FlowComputerStateWindow>([&](FlowComputerStateWindow* w) {
                rows = Named<QTableWidget>(w, "stateTable")->rowCount();
                Named<QPushButton>(w, "exitButton")->click();
            })
            .Then<ControllerStateWindow>([&](ControllerStateWindow* w) { Button(w, "exitButton")->click(); });
        driver.Start();
        s.Run("NSit");
        QVERIFY(driver.Finished());
        QCOMPARE(rows, 1);
        QVERIFY(s.messages.isEmpty());
        QList<int> tables = s.TablesReadSince();
        const qsizetype at = tables.indexOf(9);
        QVERIFY(at > 0);
        QCOMPARE(tables.mid(at, 4), QList<int>({9, 18, 34, 35}));
    }

    // The table-state button closes the state window into the table state
    // dialog; its "Выход" leads back to the state window; the reset there
    // ends the connection.
    void tableStateLoop() {
        Session s;
        QVERIFY2(s.Ready(), qPrintable(s.Output()));
        QVERIFY(s.Connect());
        s.answers << true;  // "Вы уверены, что хотите выполнить сброс"
        int stateWindows = 0, dialogs = 0;
        Driver driver;
        driver.Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
                  ++stateWindows;
                  Button(w, "tableStateButton")->click();
              })
            .Then<TableStateDialog>([&](TableStateDialog* d) {
                ++dialogs;
                Named<QPushButton>(d, "exitButton")->click();
            })
            .Then<ControllerStateWindow>([&](ControllerStateWindow* w) {
                ++stateWindows;
                Button(w, "tableStateButton")->click();
            })
            .Then<TableStateDialog>([&](TableStateDialog* d) {
                ++dialogs;
                Named<QPushButton>(d, "resetButton")->click();
            });
        driver.Start();
        s.Run("NSit");
        QVERIFY(driver.Finished());
        QCOMPARE(stateWindows, 2);
        QCOMPARE(dialogs, 2);
        int tableStateReads = 0, resets = 0;
        for (const Request& r : s.Since()) {
            if (r.code == 1 && r.table == 7) {
                QCOMPARE(r.count, 38);
                ++tableStateReads;
            }
            if (r.code == 25) ++resets;
        }
        QCOMPARE(tableStateReads, 2);
        QCOMPARE(resets, 1);
        QVERIFY(!Shared().Connected);
        QVERIFY(!s.Window().MenuItem(QStringLiteral("NSit"))->isVisible());
        QCOMPARE(s.Window().Link().Address, uint8_t(1));
        QCOMPARE(s.Window().Link().BaudRate, 9600);
    }
};

QTEST_MAIN(LiveWindowsTest)
#include "LiveWindowsTest.moc"
