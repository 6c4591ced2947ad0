// The measurement archive commands of the main window end to end: the real
// window against zmk-sim on a pseudo-terminal, the period dialog, the
// reading, the viewer, saving to a file and viewing that file again.

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDate>
#include <QDateEdit>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTimer>
#include <QProcess>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "BaseFolder.h"
#include "NamedChild.h"
#include "SimProcess.h"
#include "app/ui/MainWindow.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/ProgramClosing.h"
#include "common/ui/WaitWindow.h"
#include "link/ui/ConnectDialog.h"
#include "measurements/ui/ChromHourDayViewer.h"
#include "measurements/ui/MoistureFiveMinuteViewer.h"
#include "measurements/ui/ArchivePeriodDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"

using namespace zmk;

namespace {

struct Message {
    QString caption, line1, line2;
};

// What a viewer showed: its class, caption, record count and every grid cell.
struct Shown {
    QString className;
    QString caption;
    qsizetype records = -1;
    int rows = -1;
    QList<QStringList> cells;  // by grid row
    QStringList titles;        // by column, the lines joined

    int Column(const QString& title) const {
        for (int c = 0; c < titles.size(); ++c)
            if (titles[c].trimmed().startsWith(title)) return c;
        return -1;
    }

    QString Cell(int row, int column) const { return cells.value(row).value(column); }
};

Shown Capture(const MeasurementViewer& viewer) {
    Shown s;
    s.className = QString::fromLatin1(viewer.metaObject()->className());
    s.caption = viewer.windowTitle();
    s.records = viewer.Table().RecordCount();
    const MeasurementTableModel* model = viewer.Model();
    s.rows = model->rowCount();
    for (int c = 0; c < model->columnCount(); ++c) s.titles << model->headerData(c, Qt::Horizontal).toString();
    for (int r = 0; r < model->rowCount(); ++r) {
        QStringList row;
        for (int c = 0; c < model->columnCount(); ++c) row << model->index(r, c).data().toString();
        s.cells << row;
    }
    return s;
}

// Answers the modal dialogs of the main window while it lives: the
// connection dialog and the program user (connect, 1234 / 12345678); the
// dialogs of a command (the period dialog, the viewers, the file dialogs)
// go to the test's latest script while it has steps left. The shared
// message is kept (questions answered "Нет"). A dialog nobody expected is
// recorded and closed.
class Responder {
public:
    // Runs at every look while a wait window is shown.
    std::function<void(WaitWindow*)> onWaiting;

    QList<Message> messages;
    QStringList unexpected;

    Responder() { Schedule(); }

    // A script for the dialogs of the next command; the test gives it its
    // steps and starts it.
    ModalScript& NewScript() {
        scripts_.push_back(std::make_unique<ModalScript>());
        return *scripts_.back();
    }

private:
    void Schedule() {
        QTimer::singleShot(10, &context_, [this] {
            // The next look is due first: a handler may open a nested dialog.
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
            // The script's to take; what it does not expect, it closes.
        } else {
            unexpected << QString::fromLatin1(w->metaObject()->className());
            w->close();
        }
    }

    // Messages are acknowledged, questions answered "Нет".
    MessageTrap trap_{[this](MessageKind, const MessageLook& look) {
        messages.append({look.Caption, look.Line1, look.Line2});
        return false;
    }};
    // Before context_: its timers go first.
    std::vector<std::unique_ptr<ModalScript>> scripts_;
    QObject context_;
    QList<QPointer<QWidget>> handled_;
};

// Settings of a direct link on serial port 3, which is the given device.
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
        }

// The main window with its connection start run to the end.
std::unique_ptr<MainWindow> StartMain(bool* finished) {
    auto window = std::make_unique<MainWindow>();
    QSignalSpy spy(window.get(), &MainWindow::ConnectionStartFinished);
    window->show();
    *finished = spy.wait(30000);
    return window;
}

// The controller's clock in every run: the archives end at 15.03.2026 12:00.
const QStringList SimArgs = {QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--clock"),
                             QStringLiteral("2026-03-15 12:30:00")};

// A widget of a window by its object name; a missing one stops the run.
template <typename T>
T* Child(const QWidget* window, const char* name) {
    T* child = window->findChild<T*>(QLatin1String(name));
    if (child == nullptr) qFatal("no %s \"%s\"", T::staticMetaObject.className(), name);
    return child;
}

// A custom period: the whole of 14.03.2026, hours 00 to 23.
void ChooseDay14(ArchivePeriodDialog* form) {
    Child<QRadioButton>(form, "hourlyCustomPeriod")->click();
    Child<QDateEdit>(form, "hourlyStartDate")->setDate(QDate(2026, 3, 14));
    Child<QComboBox>(form, "hourlyStartHour")->setCurrentIndex(0);
    Child<QDateEdit>(form, "hourlyEndDate")->setDate(QDate(2026, 3, 14));
    Child<QComboBox>(form, "hourlyEndHour")->setCurrentIndex(23);
    Child<QPushButton>(form, "acceptButton")->click();
}

// A custom 5-minute period of 14.03.2026 from one whole hour to another.
void ChooseFiveMinuteHours(ArchivePeriodDialog* form, int startHour, int endHour) {
    Child<QRadioButton>(form, "fiveMinuteCustomPeriod")->click();
    Child<QDateEdit>(form, "fiveMinuteStartDate")->setDate(QDate(2026, 3, 14));
    Child<QComboBox>(form, "fiveMinuteStartHour")->setCurrentIndex(startHour);
    Child<QComboBox>(form, "fiveMinuteStartMinute")->setCurrentIndex(0);
    Child<QDateEdit>(form, "fiveMinuteEndDate")->setDate(QDate(2026, 3, 14));
    Child<QComboBox>(form, "fiveMinuteEndHour")->setCurrentIndex(endHour);
    Child<QComboBox>(form, "fiveMinuteEndMinute")->setCurrentIndex(0);
    Child<QPushButton>(form, "acceptButton")->click();
}

// Types the path into a non-native file dialog and accepts it.
void ChooseFile(QFileDialog* dialog, const QString& path) {
    if (auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    else
        dialog->selectFile(path);
    static_cast<QDialog*>(dialog)->accept();
}

// A viewer step: keeps what the viewer shows and closes it with "Выход".
std::function<void(MeasurementViewer*)> ShowAndExit(QList<Shown>& viewers) {
    return [&viewers](MeasurementViewer* viewer) {
        viewers << Capture(*viewer);
        Child<QPushButton>(viewer, "exitButton")->click();
    };
}

const QString Day14Caption =
    QStringLiteral("Часовые данные хроматографа за период с 14.03.26  00ч  по  14.03.26  23ч");

}  // namespace

class ArchiveCommandsTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetShared(); }

    // A controller whose chromatograph is of another type: before anything
    // is read the command says that the file could not be opened again;
    // "Нет" ends it before the period dialog.
    void foreignChromatographIsAskedAboutFirst() {
        SimProcess sim(SimArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        QProcess ctl;
        ctl.start(CtlPath(), {QStringLiteral("--serial"), sim.ptyPath(), QStringLiteral("--password"),
                              QStringLiteral("12345678"), QStringLiteral("--user-code"), QStringLiteral("1234"),
                              QStringLiteral("set"), QStringLiteral("14"), QStringLiteral("6=02")});
        QVERIFY(ctl.waitForFinished(30000));
        QCOMPARE(ctl.exitCode(), 0);
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY2(Shared().Connected, qPrintable(responder.messages.value(0).line1));
        responder.messages.clear();

        w->MenuItem(QStringLiteral("NChrom_ReadHour"))->trigger();
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].line1,
                 QStringLiteral("Тип хроматографа контроллера (2) программой не обслуживается:"));
        QCOMPARE(responder.messages[0].line2, QStringLiteral("файл данных нельзя будет открыть. Продолжить чтение?"));
        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
    }

    // The hourly chromatograph archive of one day: 24 records, one per hour,
    // in the hourly viewer under the period's caption.
    void readsHourlyChromatographDay() {
        SimProcess sim(SimArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY2(Shared().Connected, qPrintable(responder.messages.value(0).line1));

        QList<Shown> viewers;
        QString oldestLabel;
        int periodMode = -1;
        ModalScript& script = responder.NewScript();
        script
            .Then<ArchivePeriodDialog>([&](ArchivePeriodDialog* form) {
                oldestLabel = Child<QLabel>(form, "hourlyOldest")->text();
                periodMode = form->Mode();
                ChooseDay14(form);
            })
            .Then<MeasurementViewer>(ShowAndExit(viewers));
        script.Start();
        w->MenuItem(QStringLiteral("NChrom_ReadHour"))->trigger();

        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1 + " / " +
                                                          responder.messages.value(0).line2));
        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
        QVERIFY(script.Finished());  // one period dialog, then the viewer
        QCOMPARE(periodMode, int(UnitHour));
        QVERIFY(!oldestLabel.isEmpty());
        QCOMPARE(viewers.size(), 1);
        const Shown& v = viewers[0];
        QCOMPARE(v.className, QStringLiteral("zmk::ChromHourDayViewer"));
        QCOMPARE(v.caption, Day14Caption);
        QCOMPARE(v.records, qsizetype(24));
        // The records, an empty row and the averages.
        QCOMPARE(v.rows, 24 + 2);
        for (int hour = 0; hour < 24; ++hour) {
            QCOMPARE(v.Cell(hour, 0), QStringLiteral(" 14.03.26"));
            QCOMPARE(v.Cell(hour, 1), QString::asprintf(" %02d:00:00", hour));
            QCOMPARE(v.Cell(hour, 2), QString::asprintf(" %02d:00:00", (hour + 1) % 24));
        }
        QVERIFY(v.Cell(24, 0).trimmed().isEmpty());
        QVERIFY(v.Cell(24, 3).trimmed().isEmpty());
        QVERIFY(v.Cell(25, 0).isEmpty());
        QCOMPARE(v.Cell(25, 1), QStringLiteral(" Среднее"));
        QCOMPARE(v.Cell(25, 2), QStringLiteral(" значение"));
        // The methane column carries a value in every record and in the average.
        const int ch4 = v.Column(QStringLiteral("CH4"));
        QVERIFY2(ch4 >= 3, qPrintable(v.titles.join(u'|')));
        for (int row : {0, 12, 23, 25}) {
            bool ok = false;
            const double methane = v.Cell(row, ch4).trimmed().toDouble(&ok);
            QVERIFY2(ok && methane > 80 && methane < 100, qPrintable(v.Cell(row, 3)));
        }
        QVERIFY(Shared().Connected);
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(w->isEnabled());
    }

    // "Сохранить в файле" of the read day, then "Просмотр/Печать из файла"
    // of that file without a controller: the same viewer, the same grid.
    void savedReadingViewedFromFile() {
        QTemporaryDir out;
        QVERIFY(out.isValid());
        const QString path = out.filePath(QStringLiteral("day14.hch"));

        SimProcess sim(SimArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);

        QList<Shown> viewers;
        QStringList fileDialogs;
        const auto choosePath = [&](QFileDialog* dialog) {
            fileDialogs << dialog->windowTitle();
            ChooseFile(dialog, path);
        };
        ModalScript& reading = responder.NewScript();
        reading.Then<ArchivePeriodDialog>(ChooseDay14)
            .Then<MeasurementViewer>([&](MeasurementViewer* viewer) {
                viewers << Capture(*viewer);
                Child<QPushButton>(viewer, "saveButton")->click();  // runs its dialogs to the end
                Child<QPushButton>(viewer, "exitButton")->click();
            })
            .Then<QFileDialog>(choosePath);
        reading.Start();
        w->MenuItem(QStringLiteral("NChrom_ReadHour"))->trigger();
        QVERIFY(reading.Finished());
        QCOMPARE(viewers.size(), 1);
        QCOMPARE(fileDialogs, QStringList{QStringLiteral("Введите имя файла для сохранения данных")});
        QVERIFY(QFileInfo(path).size() > 24 * 92);
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Данные сохранены в файле day14.hch."));
        QVERIFY(responder.messages[0].line2.isEmpty());

        // Without the controller: the file view is all there is.
        Named<QPushButton>(w.get(), "hangUpButton")->click();
        QVERIFY(!Shared().Connected);
        sim.stop();
        ModalScript& viewing = responder.NewScript();
        viewing.Then<QFileDialog>(choosePath).Then<MeasurementViewer>(ShowAndExit(viewers));
        viewing.Start();
        w->MenuItem(QStringLiteral("NChrom_ViewHour"))->trigger();
        QVERIFY(viewing.Finished());
        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
        QCOMPARE(fileDialogs.size(), 2);
        QCOMPARE(fileDialogs[1], QStringLiteral("Выберите файл с данными"));
        QCOMPARE(responder.messages.size(), 1);  // no complaint about the file
        QCOMPARE(viewers.size(), 2);
        QCOMPARE(viewers[1].className, viewers[0].className);
        QCOMPARE(viewers[1].caption, Day14Caption);
        QCOMPARE(viewers[1].records, qsizetype(24));
        QCOMPARE(viewers[1].rows, viewers[0].rows);
        for (int r = 0; r < viewers[0].rows; ++r) QCOMPARE(viewers[1].cells[r], viewers[0].cells[r]);
    }

    // The moisture meter's 5-minute reading with a refused request: the first
    // request refused shows "не прочитаны" and no viewer; a later one shows
    // "прочитаны не полностью" and the records of the answers before it.
    void moistureFiveMinuteRequestRefused_data() {
        QTest::addColumn<QString>("failing");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<int>("records");  // -1: no viewer
        QTest::newRow("first request") << QStringLiteral("1") << QStringLiteral("не прочитаны") << -1;
        QTest::newRow("third request") << QStringLiteral("3") << QStringLiteral("прочитаны не полностью") << 16;
    }

    void moistureFiveMinuteRequestRefused() {
        QFETCH(QString, failing);
        QFETCH(QString, line2);
        QFETCH(int, records);
        SimProcess sim(SimArgs + QStringList{QStringLiteral("--archive-fail-request"), failing});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);
        QVERIFY(Shared().MoistureMeterPresent);

        QList<Shown> viewers;
        int periodMode = -1;
        // Without a viewer its step stays undone.
        ModalScript& script = responder.NewScript();
        script
            .Then<ArchivePeriodDialog>([&](ArchivePeriodDialog* form) {
                periodMode = form->Mode();
                // Custom: 14.03.2026 10:00 to 12:00, 25 five-minute records.
                ChooseFiveMinuteHours(form, 10, 12);
            })
            .Then<MeasurementViewer>(ShowAndExit(viewers));
        script.Start();
        w->MenuItem(QStringLiteral("NWmt_Read5min"))->trigger();

        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
        QCOMPARE(periodMode, int(UnitFiveMinutes));
        QCOMPARE(script.Finished(), records >= 0);
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Мгновенные данные из архива"));
        QCOMPARE(responder.messages[0].line2, line2);
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(w->isEnabled());
        if (records < 0) {
            QVERIFY(viewers.isEmpty());
            return;
        }
        QCOMPARE(viewers.size(), 1);
        const Shown& v = viewers[0];
        QCOMPARE(v.className, QStringLiteral("zmk::MoistureFiveMinuteViewer"));
        QCOMPARE(v.caption, QStringLiteral("Мгновенные данные влагомера за период  с  14.03.26 10:00:00  по  "
                                           "14.03.26 12:00:00"));
        QCOMPARE(v.records, qsizetype(records));
        QCOMPARE(v.rows, records);  // one row a record, no averages
        for (int r = 0; r < records; ++r) {
            QCOMPARE(v.Cell(r, 0), QStringLiteral("  14.03.26"));
            QCOMPARE(v.Cell(r, 1), QString::asprintf("  %02d:%02d:00", 10 + r / 12, (r % 12) * 5));
        }
    }

    // Esc in the middle of a moisture-meter 5-minute reading: the reading
    // stops after the answer at hand and what was read is shown, without a
    // message.
    void moistureFiveMinuteEscape() {
        SimProcess sim(SimArgs + QStringList{QStringLiteral("--answer-delay-ms"), QStringLiteral("100")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);

        QList<Shown> viewers;
        bool escaped = false;
        ModalScript& script = responder.NewScript();
        script
            .Then<ArchivePeriodDialog>([](ArchivePeriodDialog* form) {
                // Custom: 14.03.2026 00:00 to 12:00, 145 records in 19 answers.
                ChooseFiveMinuteHours(form, 0, 12);
            })
            .Then<MeasurementViewer>(ShowAndExit(viewers));
        responder.onWaiting = [&](WaitWindow* wait) {
            if (escaped || wait->Progress() < 8) return;
            escaped = true;
            QTest::keyClick(wait, Qt::Key_Escape);
        };
        script.Start();
        w->MenuItem(QStringLiteral("NWmt_Read5min"))->trigger();

        QVERIFY(script.Finished());
        QVERIFY(escaped);
        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1 + " / " +
                                                          responder.messages.value(0).line2));
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(!ArchiveReading().AbortRequested);
        QCOMPARE(viewers.size(), 1);
        const Shown& v = viewers[0];
        QCOMPARE(v.className, QStringLiteral("zmk::MoistureFiveMinuteViewer"));
        // Whole answers of 8, and not all 19 of them.
        QVERIFY2(v.records >= 8 && v.records < 145 && v.records % 8 == 0, qPrintable(QString::number(v.records)));
        QCOMPARE(v.rows, int(v.records));
        for (int r = 0; r < v.rows; ++r)
            QCOMPARE(v.Cell(r, 1), QString::asprintf("  %02d:%02d:00", r / 12, (r % 12) * 5));
    }

    // The window closed (its cross) in the middle of a reading: the reading
    // stops at once and the command ends without a word and without a
    // viewer while the window is still there; then the window goes and
    // takes the temporary file with it.
    void closingTheWindowDuringAReadingEndsQuietly() {
        SimProcess sim(SimArgs + QStringList{QStringLiteral("--answer-delay-ms"), QStringLiteral("100")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        ::BaseFolder home;
        QVERIFY(WriteDirectLink(home, sim.ptyPath()));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);

        QList<Shown> viewers;
        bool closed = false;
        bool fileDuringReading = false;
        ModalScript& script = responder.NewScript();
        script
            .Then<ArchivePeriodDialog>([](ArchivePeriodDialog* form) {
                // Custom: 14.03.2026 00:00 to 12:00, 145 records in 19 answers.
                ChooseFiveMinuteHours(form, 0, 12);
            })
            .Then<MeasurementViewer>(ShowAndExit(viewers));
        responder.onWaiting = [&](WaitWindow* wait) {
            if (closed || wait->Progress() < 8) return;
            closed = true;
            fileDuringReading = QFile::exists(home.Path() + QStringLiteral("datafile.hdm"));
            w->close();
        };
        script.Start();
        w->MenuItem(QStringLiteral("NWmt_Read5min"))->trigger();
        QVERIFY(closed);
        QVERIFY(fileDuringReading);
        const bool visibleWhenTheCommandReturned = w->isVisible();
        QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), 3000);

        QVERIFY(visibleWhenTheCommandReturned);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1 + " / " +
                                                          responder.messages.value(0).line2));
        QVERIFY2(responder.unexpected.isEmpty(), qPrintable(responder.unexpected.join(u' ')));
        QVERIFY(viewers.isEmpty());
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(!QFile::exists(home.Path() + QStringLiteral("datafile.hdm")));
        QVERIFY(w->Link().PortHandle == nullptr);
        // Messages speak again once the window has gone.
        QVERIFY(!ProgramClosing());
    }
};

QTEST_MAIN(ArchiveCommandsTest)
#include "ArchiveCommandsTest.moc"
