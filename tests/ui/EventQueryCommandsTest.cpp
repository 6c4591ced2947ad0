// The event archive commands of the main window end to end: the real window
// against zmk-sim on a pseudo-terminal, the index and period dialogs, the
// reading with its wait window, Esc and failures, the viewers, saving to a
// file and viewing that file again.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
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
#include "common/ArchiveReading.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "events/ui/EventIndexDialog.h"
#include "events/ui/EventPeriodDialog.h"
#include "events/ui/EventViewer.h"
#include "link/ui/ConnectDialog.h"
#include "settings/ArchiveQuery.h"
#include "tables/ui/ProgramUserDialog.h"

using namespace zmk;

namespace {

struct Message {
    int kind = 0;
    QString line1, line2;
};

// What a viewer showed: its title, kind, every cell by row.
struct Shown {
    QString title;
    int kind = -1;
    QList<QStringList> cells;
    int Rows() const { return int(cells.size()); }
};

Shown Capture(const EventViewer& viewer) {
    Shown s;
    s.title = viewer.windowTitle();
    s.kind = int(viewer.Kind());
    const EventRowsModel* model = viewer.Model();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 1; c < model->columnCount(); ++c) row << model->index(r, c).data().toString();
        s.cells << row;
    }
    return s;
}

// Answers the window's own modal dialogs while it lives (the connection and
// the program user: 1234 / 12345678); the command's dialogs go to the test's
// latest script while it has steps left. Messages are kept (questions
// answered "Нет"); a dialog nobody expected is recorded and closed.
class Responder {
public:
    std::function<void(WaitWindow*)> onWaiting;  // at every look while a wait window is shown
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
        if (onWaiting)
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* wait = qobject_cast<WaitWindow*>(top); wait && wait->isVisible()) onWaiting(wait);
        QWidget* w = QApplication::activeModalWidget();
        if (w == nullptr || !w->isVisible()) return;
        for (const QPointer<QWidget>& seen : handled_)
            if (seen.data() == w) return;
        handled_.append(w);
        if (auto* form = qobject_cast<ConnectDialog*>(w)) {
            form->findChild<QPushButton*>(QStringLiteral("connectButton"))->click();
        } else if (auto* form = qobject_cast<ProgramUserDialog*>(w)) {
            form->findChild<QLineEdit*>(QStringLiteral("codeEdit"))->setText(QStringLiteral("1234"));
            form->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))->setText(QStringLiteral("12345678"));
            form->findChild<QPushButton*>(QStringLiteral("acceptButton"))->click();
        } else if (!scripts_.empty() && !scripts_.back()->Finished()) {
            // The script's to take.
        } else {
            unexpected << QString::fromLatin1(w->metaObject()->className());
            w->close();
        }
    }

    MessageTrap trap_{[this](MessageKind kind, const MessageLook& look) {
        messages.append({int(kind), look.Line1, look.Line2});
        return false;
    }};
    std::vector<std::unique_ptr<ModalScript>> scripts_;
    QObject context_;
    QList<QPointer<QWidget>> handled_;
};

bool WriteDirectLink(const ::BaseFolder& home, const QString& device) {
    return home.Write(QStringLiteral("INI/zmk.ini"),
                      QStringLiteral("[CURR_PAR]\r\nConn_Prz=0\r\n[DIR_CONN_PAR]\r\nCOMPort=3\r\nAdr=1\r\n"
                                     "Rate=38400\r\nWaitTime=2\r\nTimeOut=100\r\n[COM_PORTS]\r\nCOM3=%1\r\n")
                          .arg(device)
                          .toLatin1());
}

void ResetShared() {
    ConnectionState& s = Shared();
    s.Connected = false;
    s.MoistureMeterPresent = false;
    s.HexaneInList = false;
    ArchiveReading() = ArchiveReadingState{};
    ArchiveQuery() = ArchiveQueryRecord{};
}

std::unique_ptr<MainWindow> StartMain(bool* finished) {
    auto window = std::make_unique<MainWindow>();
    QSignalSpy spy(window.get(), &MainWindow::ConnectionStartFinished);
    window->show();
    *finished = spy.wait(30000);
    return window;
}

// The controller's clock; the archives (300 diagnostic messages, 260
// interventions by default, indexes from 1) cover the three weeks before it.
const QStringList SimArgs = {QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--clock"),
                             QStringLiteral("2026-03-15 12:30:00")};

template <typename T>
T* Child(const QWidget* window, const char* name) {
    return Named<T>(window, QLatin1String(name));
}

// An index dialog step: the item (or, for "customRange", the typed start
// and count), then "Принять"; the dialog's bounds are kept.
std::function<void(EventIndexDialog*)> ChooseIndexes(const QString& item, QStringList* bounds, QString start = {},
                                                     QString count = {}) {
    return [=](EventIndexDialog* form) {
        if (bounds != nullptr)
            *bounds = {Child<QLineEdit>(form, "oldestIndex")->text(), Child<QLineEdit>(form, "newestIndex")->text()};
        Named<QRadioButton>(form, item)->click();
        if (!start.isNull()) {
            Child<QLineEdit>(form, "startIndex")->setText(start);
            Child<QLineEdit>(form, "recordCount")->setText(count);
        }
        Child<QPushButton>(form, "acceptButton")->click();
    };
}

// A custom period of whole seconds.
std::function<void(EventPeriodDialog*)> ChoosePeriod(QDateTime start, QDateTime end) {
    return [=](EventPeriodDialog* form) {
        Child<QRadioButton>(form, "customPeriod")->click();
        const auto set = [form](const char* side, const QDateTime& at) {
            const QByteArray s(side);
            Child<QDateEdit>(form, (s + "Date").constData())->setDate(at.date());
            Child<QComboBox>(form, (s + "Hour").constData())->setEditText(QString::number(at.time().hour()));
            Child<QComboBox>(form, (s + "Minute").constData())->setEditText(QString::number(at.time().minute()));
            Child<QComboBox>(form, (s + "Second").constData())->setEditText(QString::number(at.time().second()));
        };
        set("start", start);
        set("end", end);
        Child<QPushButton>(form, "acceptButton")->click();
    };
}

std::function<void(EventViewer*)> ShowAndExit(QList<Shown>& viewers) {
    return [&viewers](EventViewer* viewer) {
        viewers << Capture(*viewer);
        Child<QPushButton>(viewer, "exitButton")->click();
    };
}

void ChooseFile(QFileDialog* dialog, const QString& path) {
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
}

QString Joined(const QList<Message>& messages) {
    QStringList out;
    for (const Message& m : messages) out << m.line1 + " / " + m.line2;
    return out.join(u'|');
}

// Every row decoded (a date cell of a real date), no damaged mark.
bool AllDecoded(const Shown& s, QString* bad) {
    for (const QStringList& row : s.cells) {
        if (!QRegularExpression(QStringLiteral("^ +\\d\\d\\.\\d\\d\\.\\d\\d$")).match(row.value(0)).hasMatch() ||
            row.value(2).isEmpty()) {
            *bad = row.join(u'|');
            return false;
        }
    }
    return true;
}

}  // namespace

class EventQueryCommandsTest : public QObject {
    Q_OBJECT

private:
    // The window connected to the simulator started with `extra`.
    struct Session {
        std::unique_ptr<SimProcess> sim;
        std::unique_ptr<::BaseFolder> home;
        std::unique_ptr<Responder> responder;
        std::unique_ptr<MainWindow> window;
    };

    static bool Connect(Session& s, const QStringList& extra) {
        s.sim = std::make_unique<SimProcess>(SimArgs + extra);
        if (!s.sim->ready()) {
            qWarning("%s", qPrintable(s.sim->output()));
            return false;
        }
        s.home = std::make_unique<::BaseFolder>();
        if (!WriteDirectLink(*s.home, s.sim->ptyPath())) return false;
        s.responder = std::make_unique<Responder>();
        bool finished = false;
        s.window = StartMain(&finished);
        if (!finished || !Shared().Connected) return false;
        s.responder->messages.clear();
        return true;
    }

private slots:
    void init() { ResetShared(); }

    // By index: the archive's bounds in the dialog, an item's range read
    // (also when the controller delivers fewer records than asked), the
    // viewer titled with the indexes.
    void readsByIndex_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QStringList>("extra");
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QStringList>("bounds");
        QTest::addColumn<QString>("title");
        QTest::addColumn<int>("rows");
        QTest::newRow("diagnostics, last 50")
            << 0 << QStringList{} << "last50" << QString() << QString() << QStringList{"1", "300"}
            << "Диагностические сообщения с индексами от 251 до 300" << 50;
        QTest::newRow("interventions, a range past the newest, 7 records an answer")
            << 1 << QStringList{"--event-records-per-answer", "7"} << "customRange" << "255" << "100"
            << QStringList{"1", "260"} << "Сообщения о вмешательствах оператора с индексами от 255 до 260" << 6;
        QTest::newRow("diagnostics, the whole archive from a high index")
            << 0 << QStringList{"--event-first-index", "4294967000", "--event-diagnostics", "40"} << "allRecords"
            << QString() << QString() << QStringList{"4294967000", "4294967039"}
            << "Диагностические сообщения с индексами от 4294967000 до 4294967039" << 40;
    }

    void readsByIndex() {
        QFETCH(int, kind);
        QFETCH(QStringList, extra);
        QFETCH(QString, item);
        QFETCH(QString, start);
        QFETCH(QString, count);
        QFETCH(QStringList, bounds);
        QFETCH(QString, title);
        QFETCH(int, rows);
        Session s;
        QVERIFY(Connect(s, extra));
        QList<Shown> viewers;
        QStringList shownBounds;
        ModalScript& script = s.responder->NewScript();
        script.Then<EventIndexDialog>(ChooseIndexes(item, &shownBounds, start, count))
            .Then<EventViewer>(ShowAndExit(viewers));
        script.Start();
        s.window->MenuItem(kind == 0 ? QStringLiteral("NAlaInd") : QStringLiteral("NAudInd"))->trigger();

        QVERIFY(script.Finished());
        QVERIFY2(s.responder->messages.isEmpty(), qPrintable(Joined(s.responder->messages)));
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
        QCOMPARE(shownBounds, bounds);
        QCOMPARE(viewers.size(), 1);
        QCOMPARE(viewers[0].kind, kind);
        QCOMPARE(viewers[0].title, title);
        QCOMPARE(viewers[0].Rows(), rows);
        QString bad;
        QVERIFY2(AllDecoded(viewers[0], &bad), qPrintable(bad));
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(s.window->isEnabled());
    }

    // By period: the records of the last day and a half, titled with the
    // period, each dated within it.
    void readsByPeriod_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("diagnostics") << 0;
        QTest::newRow("interventions") << 1;
    }

    void readsByPeriod() {
        QFETCH(int, kind);
        Session s;
        QVERIFY(Connect(s, {}));
        QList<Shown> viewers;
        ModalScript& script = s.responder->NewScript();
        script
            .Then<EventPeriodDialog>(ChoosePeriod(QDateTime(QDate(2026, 3, 10), QTime(0, 0, 0)),
                                                  QDateTime(QDate(2026, 3, 15), QTime(12, 30, 0))))
            .Then<EventViewer>(ShowAndExit(viewers));
        script.Start();
        s.window->MenuItem(kind == 0 ? QStringLiteral("NAlaPer") : QStringLiteral("NAudPer"))->trigger();

        QVERIFY(script.Finished());
        QVERIFY2(s.responder->messages.isEmpty(), qPrintable(Joined(s.responder->messages)));
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
        QCOMPARE(viewers.size(), 1);
        QCOMPARE(viewers[0].title, (kind == 0 ? QStringLiteral("Диагностические сообщения")
                                              : QStringLiteral("Сообщения о вмешательствах оператора")) +
                                       QStringLiteral(" за период с 10.03.26 00:00:00 по 15.03.26 12:30:00"));
        // About a quarter of three weeks' records, over more than one page.
        QVERIFY2(viewers[0].Rows() > 22, qPrintable(QString::number(viewers[0].Rows())));
        QVERIFY2(viewers[0].Rows() < (kind == 0 ? 300 : 260), qPrintable(QString::number(viewers[0].Rows())));
        QString bad;
        QVERIFY2(AllDecoded(viewers[0], &bad), qPrintable(bad));
        for (const QStringList& row : viewers[0].cells) {
            const QDate day = QDate::fromString(row[0].trimmed(), QStringLiteral("dd.MM.yy")).addYears(100);
            QVERIFY2(day >= QDate(2026, 3, 10) && day <= QDate(2026, 3, 15), qPrintable(row[0]));
        }
        QVERIFY(s.window->isEnabled());
    }

    // Esc while reading: the reading stops after the answer at hand and what
    // was read is shown, without a message.
    void escapeStopsTheReading() {
        Session s;
        QVERIFY(Connect(s, {QStringLiteral("--answer-delay-ms"), QStringLiteral("100")}));
        QList<Shown> viewers;
        bool escaped = false;
        bool windowDisabled = false;
        QString waitLines;
        ModalScript& script = s.responder->NewScript();
        script.Then<EventIndexDialog>(ChooseIndexes(QStringLiteral("allRecords"), nullptr)).Then<EventViewer>(ShowAndExit(viewers));
        s.responder->onWaiting = [&](WaitWindow* wait) {
            if (escaped || wait->Progress() < 33) return;
            escaped = true;
            windowDisabled = !s.window->isEnabled();
            waitLines = Child<QLabel>(wait, "line1")->text() + " / " + Child<QLabel>(wait, "line2")->text() + " / " +
                        Child<QLabel>(wait, "line3")->text();
            QTest::keyClick(wait, Qt::Key_Escape);
        };
        script.Start();
        s.window->MenuItem(QStringLiteral("NAlaInd"))->trigger();

        QVERIFY(script.Finished());
        QVERIFY(escaped);
        QVERIFY(windowDisabled);
        QVERIFY2(waitLines.contains(QStringLiteral("Выполняется чтение данных")) &&
                     waitLines.contains(QStringLiteral("Esc - прервать чтение")),
                 qPrintable(waitLines));
        QVERIFY2(s.responder->messages.isEmpty(), qPrintable(Joined(s.responder->messages)));
        QCOMPARE(viewers.size(), 1);
        QVERIFY2(viewers[0].Rows() >= 33 && viewers[0].Rows() < 300, qPrintable(QString::number(viewers[0].Rows())));
        QCOMPARE(viewers[0].Rows() % 11, 0);  // whole answers
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(!ArchiveReading().AbortRequested);
        QVERIFY(s.window->isEnabled());
    }

    // The window closed (its cross) while reading: no message, no viewer,
    // the window goes once the command has returned, and with it
    // "datafile.ala".
    void closingTheWindowStopsTheReadingQuietly() {
        Session s;
        QVERIFY(Connect(s, {QStringLiteral("--answer-delay-ms"), QStringLiteral("100")}));
        QList<Shown> viewers;
        bool closed = false;
        ModalScript& script = s.responder->NewScript();
        script.Then<EventIndexDialog>(ChooseIndexes(QStringLiteral("allRecords"), nullptr)).Then<EventViewer>(ShowAndExit(viewers));
        s.responder->onWaiting = [&](WaitWindow* wait) {
            if (closed || wait->Progress() < 33) return;
            closed = true;
            s.window->close();
        };
        script.Start();
        s.window->MenuItem(QStringLiteral("NAlaInd"))->trigger();

        QVERIFY(closed);
        QVERIFY(s.window->isVisible());  // until the command has returned
        QTRY_VERIFY_WITH_TIMEOUT(!s.window->isVisible(), 3000);
        QVERIFY2(s.responder->messages.isEmpty(), qPrintable(Joined(s.responder->messages)));
        QVERIFY(viewers.isEmpty());
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(!QFile::exists(s.home->Path() + QStringLiteral("datafile.ala")));
    }

    // A refused request: the first one shows "не прочитаны" and no viewer; a
    // later one "прочитаны не полностью" and the records before it.
    void refusedRequest_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<bool>("byPeriod");
        QTest::addColumn<QString>("failing");
        QTest::addColumn<int>("messageKind");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<int>("rows");  // -1: no viewer
        QTest::newRow("diagnostics by index, first") << 0 << false << "1" << 6 << "не прочитаны" << -1;
        QTest::newRow("diagnostics by index, third") << 0 << false << "3" << 6 << "прочитаны не полностью" << 22;
        QTest::newRow("interventions by index, third") << 1 << false << "3" << 6 << "прочитаны не полностью" << 20;
        QTest::newRow("diagnostics by period, first") << 0 << true << "1" << 5 << "не прочитаны" << -1;
        QTest::newRow("interventions by period, first") << 1 << true << "1" << 6 << "не прочитаны" << -1;
        QTest::newRow("interventions by period, second") << 1 << true << "2" << 6 << "прочитаны не полностью" << 10;
    }

    void refusedRequest() {
        QFETCH(int, kind);
        QFETCH(bool, byPeriod);
        QFETCH(QString, failing);
        QFETCH(int, messageKind);
        QFETCH(QString, line2);
        QFETCH(int, rows);
        Session s;
        QVERIFY(Connect(s, {QStringLiteral("--archive-fail-request"), failing}));
        QList<Shown> viewers;
        ModalScript& script = s.responder->NewScript();
        if (byPeriod)
            script.Then<EventPeriodDialog>(ChoosePeriod(QDateTime(QDate(2026, 2, 1), QTime(0, 0, 0)),
                                                        QDateTime(QDate(2026, 3, 15), QTime(12, 30, 0))));
        else
            script.Then<EventIndexDialog>(ChooseIndexes(QStringLiteral("allRecords"), nullptr));
        if (rows >= 0) script.Then<EventViewer>(ShowAndExit(viewers));
        script.Start();
        const QString item = QStringLiteral("N%1%2").arg(kind == 0 ? "Ala" : "Aud", byPeriod ? "Per" : "Ind");
        s.window->MenuItem(item)->trigger();

        QVERIFY(script.Finished());
        QCOMPARE(s.responder->messages.size(), 1);
        QCOMPARE(s.responder->messages[0].kind, messageKind);
        QCOMPARE(s.responder->messages[0].line1, kind == 0 ? QStringLiteral("Диагностические сообщения")
                                                           : QStringLiteral("Сообщения о вмешательствах оператора"));
        QCOMPARE(s.responder->messages[0].line2, line2);
        QCOMPARE(viewers.size(), rows >= 0 ? 1 : 0);
        if (rows >= 0) QCOMPARE(viewers[0].Rows(), rows);
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
        QVERIFY(s.window->isEnabled());
    }

    void emptyArchiveIsReported() {
        Session s;
        QVERIFY(Connect(s, {QStringLiteral("--event-interventions"), QStringLiteral("0")}));
        s.window->MenuItem(QStringLiteral("NAudInd"))->trigger();
        QCOMPARE(s.responder->messages.size(), 1);
        QCOMPARE(s.responder->messages[0].kind, int(MessageKind::Info));
        QCOMPARE(s.responder->messages[0].line1, QStringLiteral("В архиве нет ни одной записи"));
        QVERIFY(s.responder->messages[0].line2.isEmpty());
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
    }

    // Damaged records read, saved, and the file viewed again without the
    // controller: the same rows, under the period of the first and last record.
    void savedReadingViewedFromFile() {
        Session s;
        QVERIFY(Connect(s, {QStringLiteral("--event-bad-crc-every"), QStringLiteral("4")}));
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString path = out.filePath(QStringLiteral("last10.ala"));
        QList<Shown> viewers;
        QString status;
        ModalScript& reading = s.responder->NewScript();
        reading.Then<EventIndexDialog>(ChooseIndexes(QStringLiteral("last10"), nullptr))
            .Then<EventViewer>([&](EventViewer* viewer) {
                viewers << Capture(*viewer);
                status = Child<QLabel>(viewer, "statusLine")->text();
                Child<QPushButton>(viewer, "saveButton")->click();  // runs its dialogs to the end
                Child<QPushButton>(viewer, "exitButton")->click();
            })
            .Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
        reading.Start();
        s.window->MenuItem(QStringLiteral("NAlaInd"))->trigger();
        QVERIFY(reading.Finished());
        QCOMPARE(viewers.size(), 1);
        QCOMPARE(viewers[0].Rows(), 10);
        QCOMPARE(status, QStringLiteral("  ***  Данные в записи недостоверны (не совпадает КС)"));
        int damaged = 0;
        for (const QStringList& row : viewers[0].cells) damaged += row[0] == QStringLiteral("   ***") ? 1 : 0;
        QVERIFY2(damaged >= 2 && damaged <= 3, qPrintable(QString::number(damaged)));
        QCOMPARE(s.responder->messages.size(), 1);
        QCOMPARE(s.responder->messages[0].line1, QStringLiteral("Данные сохранены в файле last10.ala."));

        Named<QPushButton>(s.window.get(), QStringLiteral("hangUpButton"))->click();
        QVERIFY(!Shared().Connected);
        s.sim->stop();
        ModalScript& viewing = s.responder->NewScript();
        viewing.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); }).Then<EventViewer>(ShowAndExit(viewers));
        viewing.Start();
        s.window->MenuItem(QStringLiteral("NAlaPrn"))->trigger();
        QVERIFY(viewing.Finished());
        QVERIFY2(s.responder->unexpected.isEmpty(), qPrintable(s.responder->unexpected.join(u' ')));
        QCOMPARE(s.responder->messages.size(), 1);  // no complaint about the file
        QCOMPARE(viewers.size(), 2);
        QVERIFY(viewers[1].title.startsWith(QStringLiteral("Диагностические сообщения за период с ")));
        QCOMPARE(viewers[1].cells, viewers[0].cells);
    }
};

QTEST_MAIN(EventQueryCommandsTest)
#include "EventQueryCommandsTest.moc"
