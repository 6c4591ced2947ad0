#include <QAction>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTimer>
#include <QtTest>
#include <cstring>
#include <functional>
#include <memory>

#include "BaseFolder.h"
#include "NamedChild.h"
#include "app/ui/PanelStatusBar.h"
#include "SimProcess.h"
#include "common/Folders.h"
#include "settings/MainSettings.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/MainWindow.h"
#include "settings/ReportFormat.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "link/ModemDialogue.h"
#include "link/SerialChannel.h"
#include "link/SubscriberList.h"
#include "link/ui/ConnectDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"
#include "measurements/ArchiveReader.h"
#include "MainWindowFixture.h"

using namespace zmk;
using namespace zmk_test;

namespace {

bool Visible(const MainWindow& w, const char* name) {
    QAction* action = w.MenuItem(QString::fromLatin1(name));
    return action != nullptr && action->isVisible();
}

// Names of the items that are visible and all of whose parents are visible.
QStringList ShownItems(const MainWindow& w) {
    QStringList out;
    for (const QString& name : w.MenuItemNames()) {
        QAction* action = w.MenuItem(name);
        bool shown = action->isVisible();
        for (QObject* p = action->parent(); shown && p != nullptr; p = p->parent())
            if (auto* menu = qobject_cast<QMenu*>(p)) shown = menu->menuAction()->isVisible();
        if (shown) out << name;
    }
    return out;
}

const QStringList AllItems = {
    "N1", "N5", "NNewcnf", "NEditcnf", "Nrdcnf", "NExit", "NWorkPar", "Nident", "NContrName", "N3", "NConVU",
    "NConHGC", "NConnWMT", "N4", "N_Ethernet", "Nsys", "NCurrVich", "N2", "NDistr", "Ndistrpar", "NPass", "NData",
    "NContrDt", "NAud", "NAudInd", "NAudPer", "NAudPrn", "NAla", "NAlaInd", "NAlaPer", "NAlaPrn", "NSit", "NFun",
    "N_ChromData", "NChrom_MomData", "NChrom_MeanData", "NChrom_Arh5min", "NChrom_Read5min", "NChrom_View5min",
    "NChrom_ArhHour", "NChrom_ReadHour", "NChrom_ViewHour", "NChrom_ArhDay", "NChrom_ReadDay", "NChrom_ViewDay",
    "NWmt_Data", "NWmt_MomData", "NWmt_MeanData", "NWmt_Arh5min", "NWmt_Read5min", "NWmt_View5min", "NWmt_ArhHour",
    "NWmt_ReadHour", "NWmt_ViewHour", "NWmt_ArhDay", "NWmt_ReadDay", "NWmt_ViewDay", "Nexcreport", "N6", "N8",
    "Nconnect", "Nvers", "NUser", "NFormate", "Nabout"};

// What the user sees without a controller: the file items, the file views of
// "Данные", "Связь с другим устройством" and "Версия".
const QStringList NotConnectedItems = {
    "N1", "N5", "NNewcnf", "NEditcnf", "NExit", "NData", "NAud", "NAudPrn", "NAla", "NAlaPrn", "N_ChromData",
    "NChrom_Arh5min", "NChrom_View5min", "NChrom_ArhHour", "NChrom_ViewHour", "NChrom_ArhDay", "NChrom_ViewDay",
    "NWmt_Data", "NWmt_Arh5min", "NWmt_View5min", "NWmt_ArhHour", "NWmt_ViewHour", "NWmt_ArhDay", "NWmt_ViewDay",
    "Nconnect", "Nvers", "NUser", "NFormate", "Nabout"};

QStringList Without(QStringList list, const QStringList& removed) {
    for (const QString& name : removed) list.removeAll(name);
    return list;
}

}  // namespace

class MainTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetShared(); }

    void menuTreeAsDesigned() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        QCOMPARE(w.windowTitle(), QStringLiteral("Программа обслуживания контроллера  ЗМК_NGC8200"));
        QCOMPARE(w.MenuItemNames(), AllItems);

        struct Row {
            const char* name;
            const char* parent;  // "" = the menu bar
            const char16_t* caption;
            int tag;
        };
        const Row rows[] = {
            {"N1", "", u"Файл", 0},
            {"N5", "N1", u"Файлы  конфигурации          ", 0},
            {"NNewcnf", "N5", u"Создание нового файла конфигурации", 0},
            {"NEditcnf", "N5", u"Просмотр/Корректировка файла конфигурации", 1},
            {"Nrdcnf", "N1", u"Сохранение параметров конфигурации в файле", 0},
            {"NExit", "N1", u"Выход", 0},
            {"NWorkPar", "", u"Параметры", 0},
            {"Nident", "NWorkPar", u"Параметры идентификации", 0},
            {"NContrName", "NWorkPar", u"Наименование контроллера", 0},
            {"N3", "NWorkPar", u"Параметры связи", 0},
            {"NConVU", "N3", u"С верхним уровнем", 0},
            {"NConHGC", "N3", u"C хроматографом", 0},
            {"NConnWMT", "N3", u"С влагомером", 0},
            {"N4", "N3", u"С вычислителем расхода газа", 0},
            {"N_Ethernet", "N3", u"Параметры связи по Ethernet", 0},
            {"Nsys", "NWorkPar", u"Системные параметры", 0},
            {"NCurrVich", "NWorkPar", u"Параметры вычислителей", 0},
            {"N2", "NWorkPar", u"Уставки для контроля ЗМК", 0},
            {"NDistr", "NWorkPar", u"Необходимость записи значений параметров газа в ВРГ", 0},
            {"Ndistrpar", "NWorkPar", u"Период записи средних за час значений параметров газа в ВРГ", 0},
            {"NPass", "NWorkPar", u"Доступ пользователей к таблицам параметров", 0},
            {"NData", "", u"Данные", 0},
            {"NContrDt", "NData", u"Дата и время", 0},
            {"NAud", "NData", u"Сообщения о вмешательствах оператора    ", 0},
            {"NAudInd", "NAud", u"Запрос по индексу", 1},
            {"NAudPer", "NAud", u"Запрос за период", 1},
            {"NAudPrn", "NAud", u"Просмотр/Печать из файла", 0},
            {"NAla", "NData", u"Диагностические сообщения   ", 0},
            {"NAlaInd", "NAla", u"Запрос по индексу", 0},
            {"NAlaPer", "NAla", u"Запрос за период", 0},
            {"NAlaPrn", "NAla", u"Просмотр/Печать из файла", 0},
            {"NSit", "NData", u"Текущее состояние контроллера", 0},
            {"NFun", "NData", u"Возможность исполнения контроллером его функций", 0},
            {"N_ChromData", "NData", u"Данные хроматографа", 0},
            {"NChrom_MomData", "N_ChromData", u"Мгновенные данные хроматографа, зоны параметров газа    ", 0},
            {"NChrom_MeanData", "N_ChromData", u"Скользящие средние значения данных хроматографа", 0},
            {"NChrom_Arh5min", "N_ChromData", u"Мгновенные данные хроматографа из архива 5-мин. данных    ", 0},
            {"NChrom_Read5min", "NChrom_Arh5min", u"Чтение архива контроллера", 0},
            {"NChrom_View5min", "NChrom_Arh5min", u"Просмотр/Печать из файла", 0},
            {"NChrom_ArhHour", "N_ChromData", u"Часовые  данные", 0},
            {"NChrom_ReadHour", "NChrom_ArhHour", u"Чтение архива контроллера", 0},
            {"NChrom_ViewHour", "NChrom_ArhHour", u"Просмотр/Печать из файла", 0},
            {"NChrom_ArhDay", "N_ChromData", u"Суточные  данные", 0},
            {"NChrom_ReadDay", "NChrom_ArhDay", u"Чтение архива контроллера", 0},
            {"NChrom_ViewDay", "NChrom_ArhDay", u"Просмотр/Печать из файла", 0},
            {"NWmt_Data", "NData", u"Данные влагомера", 0},
            {"NWmt_MomData", "NWmt_Data", u"Мгновенные данные влагомера", 0},
            {"NWmt_MeanData", "NWmt_Data", u"Скользящие средние значения данных влагомера", 0},
            {"NWmt_Arh5min", "NWmt_Data", u"Мгновенные данные влагомера из архива 5-мин. данных    ", 0},
            {"NWmt_Read5min", "NWmt_Arh5min", u"Чтение архива контроллера", 0},
            {"NWmt_View5min", "NWmt_Arh5min", u"Просмотр/Печать из файла", 0},
            {"NWmt_ArhHour", "NWmt_Data", u"Часовые  данные", 0},
            {"NWmt_ReadHour", "NWmt_ArhHour", u"Чтение архива контроллера", 0},
            {"NWmt_ViewHour", "NWmt_ArhHour", u"Просмотр/Печать из файла", 0},
            {"NWmt_ArhDay", "NWmt_Data", u"Суточные  данные", 0},
            {"NWmt_ReadDay", "NWmt_ArhDay", u"Чтение архива контроллера", 0},
            {"NWmt_ViewDay", "NWmt_ArhDay", u"Просмотр/Печать из файла", 0},
            {"Nexcreport", "", u"Отчеты", 0},
            {"N6", "Nexcreport", u"Паспорт ЗМК показателей за сутки", 0},
            {"N8", "Nexcreport", u"Паспорт ЗМК показателей за месяц", 1},
            {"Nconnect", "", u"Связь с другим устройством", 0},
            {"Nvers", "", u"Версия", 0},
            {"NUser", "Nvers", u"Идентификация пользователя программы", 0},
            {"NFormate", "Nvers", u"Формат представления данных", 0},
            {"Nabout", "Nvers", u"О программе", 0},
        };
        QCOMPARE(int(std::size(rows)), int(AllItems.size()));
        for (const Row& row : rows) {
            const QString name = QString::fromLatin1(row.name);
            QAction* action = w.MenuItem(name);
            QVERIFY2(action != nullptr, row.name);
            QCOMPARE(action->objectName(), name);
            QCOMPARE(action->text(), QString::fromUtf16(row.caption));
            QCOMPARE(action->data().toInt(), row.tag);
            // Nesting: the item sits in its parent's menu, or on the bar.
            QWidget* container = std::strlen(row.parent) == 0
                                     ? static_cast<QWidget*>(w.menuBar())
                                     : w.findChild<QMenu*>(QString::fromLatin1(row.parent));
            QVERIFY2(container != nullptr, row.parent);
            QVERIFY2(container->actions().contains(action), row.name);
        }
        // The "C" of "C хроматографом" is the Latin letter.
        QCOMPARE(w.MenuItem("NConHGC")->text().at(0), QChar(u'C'));

        // Starting: no menu at all; the status bars as designed.
        QVERIFY(ShownItems(w).isEmpty());
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelCount(), 4);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelWidth(0), 175);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelWidth(1), 95);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelWidth(3), 50);
        QCOMPARE(Named<PanelStatusBar>(&w, "subscriberBar")->PanelWidth(0), 400);
        QCOMPARE(Named<PanelStatusBar>(&w, "modemBar")->PanelWidth(0), 400);
        QCOMPARE(Shared().LinkInfoBar, Named<PanelStatusBar>(&w, "subscriberBar")->Panel(0));
        QCOMPARE(Shared().ModemBar, Named<PanelStatusBar>(&w, "modemBar")->Panel(0));
        QCOMPARE(Shared().Link, &w.Link());
        // The link's "Обмен..." shows on panel 3 (through the window, which
        // takes the end of each exchange for its connection summary).
        QVERIFY(w.Link().StatusPanel != nullptr);
        w.Link().StatusPanel->setText(QStringLiteral("Обмен..."));
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelText(3), QStringLiteral("Обмен..."));
        QCOMPARE(w.Link().StatusPanel->text(), QStringLiteral("Обмен..."));
        w.Link().StatusPanel->setText(QString());
        QVERIFY(Named<PanelStatusBar>(&w, "linkBar")->PanelText(3).isEmpty());
        QCOMPARE(Named<QTimer>(&w, "startTimer")->interval(), 100);
        QCOMPARE(Named<QTimer>(&w, "messageTimer")->interval(), 3000);
        QCOMPARE(Named<QTimer>(&w, "callTimer")->interval(), 1000);
        QVERIFY(Named<QFrame>(&w, "callPanel")->isHidden());
        QCOMPARE(Named<QPushButton>(&w, "hangUpButton")->text(), QStringLiteral("Отключить связь"));
        QCOMPARE(Named<QLabel>(&w, "callDuration")->text(), QStringLiteral("00:00:00"));
    }

    void windowFromSettings() {
        Home home;
        // A geometry that fits the test screen (800 x 600) is taken as saved.
        home.WriteMainSettings(QStringLiteral("[CURR_PAR]\r\nForm_Width=700\r\nForm_Height=480\r\n"
                                              "Form_Left=30\r\nForm_Top=40\r\n"));
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        QCOMPARE(w.size(), QSize(700, 480));
        QCOMPARE(w.pos(), QPoint(30, 40));
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        // Panel 2 takes the bar's width less panels 0 and 1 and a margin of 60.
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelWidth(2), w.width() - 175 - 95 - 60);
        // Missing working folders were made; rep_format.ini missing means 4 decimals everywhere.
        for (const char* folder : {"CONFIG", "ALAFILES", "AUDFILES", "MOMDATA", "HOURDATA", "DAYDATA", "REPORT", "INI"})
            QVERIFY2(QDir(home.Path() + folder).exists(), folder);
        const ReportFormat& format = CurrentReportFormat();
        for (int i = 0; i < int(sizeof format); ++i)
            QCOMPARE(int(reinterpret_cast<const uint8_t*>(&format)[i]), 4);
    }

    // A geometry saved on a larger screen: the window comes up inside the
    // available area of this one, caption and status bars in sight, and the
    // settings keep what was saved.
    void windowSavedOnALargerScreenComesUpInside() {
        Home home;
        home.WriteMainSettings(QStringLiteral("[CURR_PAR]\r\nForm_Width=1000\r\nForm_Height=680\r\n"
                                              "Form_Left=900\r\nForm_Top=400\r\n"));
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const QRect area = w.screen()->availableGeometry();
        QVERIFY2(area.contains(w.frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                                  .arg(w.frameGeometry().x())
                                                                  .arg(w.frameGeometry().y())
                                                                  .arg(w.frameGeometry().width())
                                                                  .arg(w.frameGeometry().height())));
        const auto* bar = Named<PanelStatusBar>(&w, "linkBar");
        QVERIFY(area.contains(bar->mapToGlobal(bar->rect().bottomRight())));
        w.close();
        const MainSettings saved = ReadMainSettingsFrom(home.Ini() + QStringLiteral("/zmk.ini"), 1024, 768);
        QCOMPARE(saved.FormLeft, 900);
        QCOMPARE(saved.FormWidth, 1000);
    }

    void updateMenus_data() {
        QTest::addColumn<bool>("connected");
        QTest::addColumn<bool>("moisture");
        QTest::addColumn<QStringList>("shown");
        const QStringList everything = Without(AllItems, {"NChrom_MeanData", "NWmt_MeanData"});
        QTest::newRow("not connected") << false << true << NotConnectedItems;
        QTest::newRow("moisture meter") << true << true << everything;
        QTest::newRow("no moisture meter") << true << false
                                           << Without(everything, {"NConnWMT", "NWmt_Data", "NWmt_MomData",
                                                                   "NWmt_Arh5min", "NWmt_Read5min", "NWmt_View5min",
                                                                   "NWmt_ArhHour", "NWmt_ReadHour", "NWmt_ViewHour",
                                                                   "NWmt_ArhDay", "NWmt_ReadDay", "NWmt_ViewDay"});
    }

    void updateMenus() {
        QFETCH(bool, connected);
        QFETCH(bool, moisture);
        QFETCH(QStringList, shown);
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        Named<PanelStatusBar>(&w, "linkBar")->SetPanelText(0, QStringLiteral(" COM1,   38400 бит/с"));
        Named<PanelStatusBar>(&w, "linkBar")->SetPanelText(1, QStringLiteral(" Адр. 1"));
        Shared().Connected = connected;
        Shared().MoistureMeterPresent = moisture;
        w.UpdateMenus();
        QCOMPARE(ShownItems(w), shown);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelText(0).isEmpty(), !connected);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelText(1).isEmpty(), !connected);
    }

    // Whatever would end the channel while a request or the modem dialogue
    // waits on it (those waits let window events through) first stops the
    // wait and acts once it has returned: the window neither hangs nor pulls
    // the port from under the running exchange. The action comes from a
    // timer that fires inside the wait, as a click would.
    void endingTheChannelStopsTheWaitFirst_data() {
        QTest::addColumn<bool>("phone");         // telephone link, else the direct line
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<bool>("duringDial");    // act while dialling, else while a request waits
        QTest::addColumn<QString>("action");     // "close", "hangUp" or "reconnect"
        const QStringList pty = {QStringLiteral("--pty"), QStringLiteral("--no-tcp")};
        QTest::newRow("closing while a request waits")
            << false << pty + QStringList{QStringLiteral("--silent")} << false << QStringLiteral("close");
        QTest::newRow("\"Отключить связь\" while a request waits")
            << true << pty + QStringList{QStringLiteral("--modem"), QStringLiteral("--silent")} << false
            << QStringLiteral("hangUp");
        QTest::newRow("\"Связь с другим устройством\" while a request waits")
            << false << pty + QStringList{QStringLiteral("--silent")} << false << QStringLiteral("reconnect");
        QTest::newRow("closing during the modem dialogue")
            << true << pty + QStringList{QStringLiteral("--modem"), QStringLiteral("--dial-script"), QStringLiteral("SILENT")}
            << true << QStringLiteral("close");
    }

    void endingTheChannelStopsTheWaitFirst() {
        QFETCH(bool, phone);
        QFETCH(QStringList, simArgs);
        QFETCH(bool, duringDial);
        QFETCH(QString, action);
        SimProcess sim(simArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        if (phone)
            home.UsePhone(sim.ptyPath());
        else
            home.UseDirect(sim.ptyPath(), 1);
        Responder responder;
        auto w = std::make_unique<MainWindow>();
        QSignalSpy finished(w.get(), &MainWindow::ConnectionStartFinished);
        auto waiting = [&] {
            if (!duringDial) return w->Link().InExchange();
            // The modem has been given the dial command and has not answered.
            return Named<PanelStatusBar>(w.get(), "modemBar")->PanelText(0).contains(QStringLiteral("ATD"));
        };
        bool acted = false;
        qint64 stoppedAfterMs = -1;  // when the wait was over, counted from the action
        bool waitingAfterAction = false;
        bool visibleAfterAction = false;
        QElapsedTimer clock;
        QTimer poll;
        poll.setInterval(20);
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (acted && stoppedAfterMs < 0 && !waiting()) stoppedAfterMs = clock.elapsed();
            if (acted || !waiting()) return;
            acted = true;
            clock.start();
            if (action == QLatin1String("close")) {
                w->close();
            } else if (action == QLatin1String("hangUp")) {
                Named<QPushButton>(w.get(), "hangUpButton")->click();
            } else {
                responder.connect = false;  // the second connection dialog is left
                w->MenuItem(QStringLiteral("Nconnect"))->trigger();
            }
            waitingAfterAction = w->Link().InExchange();
            visibleAfterAction = w->isVisible();
        });
        poll.start();
        w->show();
        QTRY_VERIFY_WITH_TIMEOUT(acted, 15000);
        // The wait was asked to stop, not waited out (2 s per request, 5 s for
        // the modem's answer to the dial command).
        QTRY_VERIFY_WITH_TIMEOUT(stoppedAfterMs >= 0, 10000);
        QVERIFY2(stoppedAfterMs < 1500, qPrintable(QString::number(stoppedAfterMs)));
        if (action == QLatin1String("close")) {
            // A dial given up is hung up first: the escape's guard times and
            // the wait for its confirmation come before the window goes.
            QTRY_VERIFY_WITH_TIMEOUT(!w->isVisible(), duringDial ? 8000 : 3000);
        } else {
            // The connection start ends without a connection; "reconnect"
            // runs a second start once the first has returned.
            const int starts = action == QLatin1String("reconnect") ? 2 : 1;
            QTRY_COMPARE_WITH_TIMEOUT(finished.size(), starts, 10000);
            QCOMPARE(responder.connectDialogs, starts);
            QVERIFY(w->isVisible());
            QVERIFY(!Shared().Connected);
            QVERIFY(!w->ModemLineUp());
            QVERIFY(Named<QFrame>(w.get(), "callPanel")->isHidden());
        }
        // Nothing was torn down under the wait: the request was still running
        // when the action returned, and a closing window was still open.
        if (!duringDial) QVERIFY(waitingAfterAction);
        if (action == QLatin1String("close")) QVERIFY(visibleAfterAction);
        QVERIFY(!w->Link().InExchange());
        QTRY_VERIFY_WITH_TIMEOUT(w->Link().PortHandle == nullptr, 3000);
    }

    void connectsOverTcp() {
        SimProcess sim;
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(responder.connectDialogs, 1);
        QCOMPARE(responder.userDialogs, 1);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1));
        QVERIFY(Shared().Connected);
        QVERIFY(Shared().MoistureMeterPresent);
        QVERIFY(Shared().HexaneInList);
        QCOMPARE(ShownItems(*w), Without(AllItems, {"NChrom_MeanData", "NWmt_MeanData"}));
        QVERIFY(w->Link().Socket != nullptr);
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(1), QStringLiteral(" Адр. 1"));
        QVERIFY(Named<PanelStatusBar>(w.get(), "subscriberBar")->isVisible());
        QCOMPARE(Named<PanelStatusBar>(w.get(), "subscriberBar")->PanelText(0), QStringLiteral(" Симулятор (IP-адр. 127.0.0.1)"));
        // The identification and the basic tables are in the image; the
        // controller keeps its name in the DOS code page.
        QCOMPARE(int(w->Image().Table(0)[1]), 73);
        QCOMPARE(int(w->Image().Table(6)[9]), 1);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w->Image().Table(5)), 20),
                 QByteArray("\xC7\xCC\xCA-10 \xC3\xD0\xD1 \xD2\xE5\xF1\xF2\xEE\xE2\xE0\xFF "));
        // The user's credentials went into the link.
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w->Link().WritePassword.data()), 12),
                 QByteArray("12345678    "));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w->Link().UserCode.data()), 4), QByteArray("1234"));

        // "Отключить связь" ends the connection; "Связь с другим устройством" starts a new one.
        Named<QPushButton>(w.get(), "hangUpButton")->click();
        QVERIFY(!Shared().Connected);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
        QSignalSpy again(w.get(), &MainWindow::ConnectionStartFinished);
        w->MenuItem("Nconnect")->trigger();
        QVERIFY(again.wait(30000));
        QCOMPARE(responder.connectDialogs, 2);
        QVERIFY(Shared().Connected);
        QCOMPARE(ShownItems(*w), Without(AllItems, {"NChrom_MeanData", "NWmt_MeanData"}));
    }

    void connectsOverPtyAndAdoptsAddress() {
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--address"),
                        QStringLiteral("17")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseDirect(sim.ptyPath(), 255);
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1));
        QVERIFY(Shared().Connected);
        QVERIFY(w->Link().PortHandle != nullptr);
        QCOMPARE(int(Settings().Direct.Address), 17);
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(0), QStringLiteral(" COM3,   38400 бит/с"));
        QCOMPARE(Named<PanelStatusBar>(w.get(), "linkBar")->PanelText(1), QStringLiteral(" Адр. 17"));
        QVERIFY(Named<PanelStatusBar>(w.get(), "subscriberBar")->isHidden());

        // The adopted address is saved with the settings at program end.
        w->close();
        QVERIFY(w->Link().PortHandle == nullptr);
        const MainSettings saved = ReadMainSettingsFrom(home.Ini() + QStringLiteral("/zmk.ini"), 1024, 768);
        QCOMPARE(int(saved.Direct.Address), 17);
    }

    void connectsByTelephone() {
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--guard-ms"), QStringLiteral("300")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UsePhone(sim.ptyPath());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1));
        QCOMPARE(responder.userDialogs, 1);  // before dialling, not again after the identification
        QVERIFY(Shared().Connected);
        QVERIFY(w->ModemLineUp());
        QVERIFY(Named<QFrame>(w.get(), "callPanel")->isVisible());
        QVERIFY(Named<QTimer>(w.get(), "callTimer")->isActive());
        QCOMPARE(Named<PanelStatusBar>(w.get(), "subscriberBar")->PanelText(0), QStringLiteral(" ГРС (тел. (012) 345-67-89)"));
        QVERIFY(Named<PanelStatusBar>(w.get(), "modemBar")->PanelText(0).isEmpty());
        // The call panel sits at the bottom right of the client panel.
        const QRect panel = Named<QFrame>(w.get(), "callPanel")->geometry();
        QCOMPARE(panel.right(), Named<QWidget>(w.get(), "clientArea")->width() - 1 - 4);
        QCOMPARE(panel.bottom(), Named<QWidget>(w.get(), "clientArea")->height() - 1 - 8);
        QTRY_COMPARE_WITH_TIMEOUT(Named<QLabel>(w.get(), "callDuration")->text(), QStringLiteral("00:00:01"), 5000);

        Named<QPushButton>(w.get(), "hangUpButton")->click();
        QVERIFY(!Shared().Connected);
        QVERIFY(!w->ModemLineUp());
        QVERIFY(Named<QFrame>(w.get(), "callPanel")->isHidden());
        QVERIFY(!Named<QTimer>(w.get(), "callTimer")->isActive());
        QVERIFY(w->Link().PortHandle == nullptr);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
    }

    void connectsThroughModemsOfOtherKinds_data() {
        QTest::addColumn<QStringList>("modemArgs");
        QTest::newRow("landline modem (ERROR to AT+CPAS)") << QStringList{QStringLiteral("--landline")};
        QTest::newRow("report lines before CONNECT") << QStringList{QStringLiteral("--connect-report")};
        QTest::newRow("stored numeric profile") << QStringList{QStringLiteral("--numeric")};
    }

    void connectsThroughModemsOfOtherKinds() {
        QFETCH(QStringList, modemArgs);
        SimProcess sim(QStringList{QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                                   QStringLiteral("--guard-ms"), QStringLiteral("300")} +
                       modemArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UsePhone(sim.ptyPath());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1));
        QVERIFY(Shared().Connected);
        QVERIFY(w->ModemLineUp());
    }

    void hangUpKeepsTheGuardTimeOfTheSettings() {
        // A modem whose escape needs 2 s of silence, and the setting for it.
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("sim.log"));
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--guard-ms"), QStringLiteral("2000"), QStringLiteral("--log"), log});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UsePhone(sim.ptyPath(), QStringLiteral("Escape_Guard=2300\r\n"));
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(w->ModemLineUp());
        Named<QPushButton>(w.get(), "hangUpButton")->click();
        QVERIFY(!w->ModemLineUp());
        QFile file(log);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(file.readAll());
        const qsizetype escape = text.lastIndexOf(QStringLiteral("MODEM escape"));
        QVERIFY2(escape >= 0, qPrintable(text));
        QVERIFY2(text.indexOf(QStringLiteral("MODEM hung up"), escape) > escape, qPrintable(text));
        // The setting is read, never written back.
        QFile ini(home.Ini() + QStringLiteral("/zmk.ini"));
        QVERIFY(ini.open(QIODevice::ReadOnly));
        QVERIFY(ini.readAll().contains("Escape_Guard=2300"));
    }

    void lostCarrierEndsTheConnection() {
        // The modem drops the call after 1.5 s without a byte from the
        // computer, and says NO CARRIER on the idle line.
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--guard-ms"), QStringLiteral("300"), QStringLiteral("--inactivity-ms"),
                        QStringLiteral("1500")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UsePhone(sim.ptyPath());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);
        QVERIFY(w->ModemLineUp());
        QVERIFY(responder.messages.isEmpty());

        QTRY_VERIFY_WITH_TIMEOUT(!responder.messages.isEmpty(), 10000);
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].caption, QStringLiteral("Ошибка"));
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Потеря несущей"));
        QVERIFY(!Shared().Connected);
        QVERIFY(!w->ModemLineUp());
        QVERIFY(!Named<QTimer>(w.get(), "callTimer")->isActive());
        QVERIFY(Named<QFrame>(w.get(), "callPanel")->isHidden());
        QVERIFY(w->Link().PortHandle == nullptr);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
        // The call time stood still at the loss: it is no longer counted.
        const QString shown = Named<QLabel>(w.get(), "callDuration")->text();
        QTest::qWait(1200);
        QCOMPARE(Named<QLabel>(w.get(), "callDuration")->text(), shown);
    }

    void telephoneBusy() {
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--dial-script"), QStringLiteral("BUSY")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UsePhone(sim.ptyPath());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Номер абонента занят"));
        QCOMPARE(responder.messages[0].line2, QStringLiteral("Повторить попытку соединения?"));
        QVERIFY(!Shared().Connected);
        QVERIFY(!w->ModemLineUp());
        QVERIFY(Named<QFrame>(w.get(), "callPanel")->isHidden());
        QCOMPARE(ShownItems(*w), NotConnectedItems);
    }

    void rejectsController_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("type code 72") << QStringList{"--type-code", "72"}
                                      << QStringLiteral("Код типа подключенного контроллера  72")
                                      << QStringLiteral("Программа обслуживает контроллеры ЗМК_10");
        QTest::newRow("version 12") << QStringList{"--version", "12"}
                                    << QStringLiteral("Версия ПО подключенного контроллера 12")
                                    << QStringLiteral("Программа обслуживает контроллеры ЗМК только с версией ПО 10");
    }

    void rejectsController() {
        QFETCH(QStringList, simArgs);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        SimProcess sim(simArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].caption, QString());
        QCOMPARE(responder.messages[0].line1, line1);
        QCOMPARE(responder.messages[0].line2, line2);
        QCOMPARE(responder.userDialogs, 0);  // a rejected controller asks for no identification
        QVERIFY(!Shared().Connected);
        QVERIFY(w->Link().Socket == nullptr);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
    }

    void noMoistureMeterHidesItsMenus() {
        SimProcess sim({QStringLiteral("--open-writes")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        // No moisture meter; the chromatograph's hexane value out of the list.
        QVERIFY(SimWrite(sim, {"6", "8", "00"}));
        QVERIFY(SimWrite(sim, {"14", "7", "01"}));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);
        QVERIFY(!Shared().MoistureMeterPresent);
        QVERIFY(!Shared().HexaneInList);
        QVERIFY(!Visible(*w, "NConnWMT"));
        QVERIFY(!Visible(*w, "NWmt_Data"));
        QVERIFY(Visible(*w, "NConHGC"));
        QVERIFY(Visible(*w, "N_ChromData"));
    }

    void leavingTheConnectionDialog() {
        Home home;
        home.UseEthernet(1);
        Responder responder;
        responder.connect = false;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(!Shared().Connected);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
        QCOMPARE(responder.userDialogs, 0);
    }

    void basicTablesNotRead() {
        // The controller answers the identification, then refuses everything.
        SimProcess sim;
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        responder.identify = false;
        auto w = std::make_unique<MainWindow>();
        QSignalSpy spy(w.get(), &MainWindow::ConnectionStartFinished);
        // Stop the simulator once the program-user dialog is up, that is
        // after the identification was read.
        responder.beforeUser = [&sim] { sim.stop(); };
        w->show();
        QVERIFY(spy.wait(60000));
        QVERIFY(!Shared().Connected);
        QCOMPARE(ShownItems(*w), NotConnectedItems);
        const Message expected{QStringLiteral("Результат обмена с устройством"),
                               QStringLiteral("Не прочитаны данные, для организации"),
                               QStringLiteral("дальнейшего обмена с устройством")};
        bool found = false;
        for (const Message& m : responder.messages)
            found = found || (m.caption == expected.caption && m.line1 == expected.line1 && m.line2 == expected.line2);
        QVERIFY(found);
    }

    // The client area says where the window is: "Нет связи" without a
    // controller; once connected the controller's name, address, type code
    // and version, the channel, since when and the last exchange. When the
    // controller stops answering (the retry declined) it says so and points
    // at "Связь с другим устройством"; the menus and bars stay as designed.
    void summaryOfTheConnection() {
        SimProcess sim;
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        auto w = std::make_unique<MainWindow>();
        const auto shown = [&w] {
            QTextDocument document;
            document.setHtml(Named<QLabel>(w.get(), "summaryText")->text());
            return document.toPlainText();
        };
        const auto* warning = Named<QLabel>(w.get(), "deadLinkWarning");
        QVERIFY2(shown().contains(QStringLiteral("Нет связи")), qPrintable(shown()));
        QSignalSpy started(w.get(), &MainWindow::ConnectionStartFinished);
        w->show();
        QVERIFY(started.wait(30000));
        QVERIFY(Shared().Connected);
        const QString connected = shown();
        for (const QString& part : {QStringLiteral("ЗМК-10 ГРС Тестовая"), QStringLiteral("Адрес:"),
                                    QStringLiteral("Код типа:"), QStringLiteral("73"), QStringLiteral("Версия ПО:"),
                                    QStringLiteral("Ethernet, Симулятор (IP-адр. 127.0.0.1)"),
                                    QStringLiteral("Связь установлена:"), QStringLiteral("успешно")})
            QVERIFY2(connected.contains(part), qPrintable(part + QStringLiteral(" in ") + connected));
        QVERIFY(!connected.contains(QStringLiteral("Нет связи")));
        QVERIFY(warning->isHidden());

        // The controller goes silent; a command's read fails and its retry is declined.
        sim.stop();
        responder.messages.clear();
        w->MenuItem(QStringLiteral("Nident"))->trigger();
        QVERIFY(!responder.messages.isEmpty());
        QVERIFY(Shared().Connected);  // the designed flow: still connected
        QVERIFY2(!shown().contains(QStringLiteral("успешно")), qPrintable(shown()));
        QVERIFY(!warning->isHidden());
        QVERIFY2(warning->text().contains(QStringLiteral("«Связь с другим устройством»")), qPrintable(warning->text()));
        QCOMPARE(ShownItems(*w), Without(AllItems, {"NChrom_MeanData", "NWmt_MeanData"}));

        // Ended: "Нет связи" again, nothing to warn of.
        Named<QPushButton>(w.get(), "hangUpButton")->click();
        QVERIFY(shown().contains(QStringLiteral("Нет связи")));
        QVERIFY(warning->isHidden());
    }

    void messageTimerClearsPanel2() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        w.ShowCommandMessage(QStringLiteral("Команда 1.  Нет ответа"));
        QVERIFY(Named<QTimer>(&w, "messageTimer")->isActive());
        QTest::qWait(1000);
        QCOMPARE(Named<PanelStatusBar>(&w, "linkBar")->PanelText(2), QStringLiteral("Команда 1.  Нет ответа"));
        QTRY_VERIFY_WITH_TIMEOUT(Named<PanelStatusBar>(&w, "linkBar")->PanelText(2).isEmpty(), 6000);
        QVERIFY(!Named<QTimer>(&w, "messageTimer")->isActive());
    }

    void laterCommandsSaySo() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        Responder responder;
        // The moving averages are the only such items left (and they are never shown).
        w.MenuItem("NChrom_MeanData")->trigger();
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].caption, QString());
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Команда пока не реализована"));
        QCOMPARE(responder.messages[0].line2, QStringLiteral("Скользящие средние значения данных хроматографа"));
    }

    void userIdentificationFromMenu() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        Responder responder;
        responder.code = QStringLiteral("77");
        responder.password = QStringLiteral("abc");
        w.MenuItem("NUser")->trigger();
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w.Link().UserCode.data()), 4), QByteArray("77  "));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w.Link().WritePassword.data()), 12),
                 QByteArray("abc         "));
        // Leaving the dialog keeps the credentials.
        responder.identify = false;
        w.MenuItem("NUser")->trigger();
        QCOMPARE(responder.userDialogs, 2);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(w.Link().UserCode.data()), 4), QByteArray("77  "));
    }

    void escapeDuringReading() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(!ArchiveReading().AbortRequested);
        QVERIFY(TakeEscapePress());
        QVERIFY(!TakeEscapePress());
        ArchiveReading().InProgress = true;
        QTest::keyClick(&w, Qt::Key_A);
        QVERIFY(!ArchiveReading().AbortRequested);
        QTest::keyClick(&w, Qt::Key_Escape);
        QVERIFY(ArchiveReading().AbortRequested);
    }

    // Esc ends the modem dialogue's wait for a reply at once: the window's
    // key filter notes the press and wakes the window's waiter.
    void escapeEndsTheModemReplyWait() {
        SimProcess sim({QStringLiteral("--no-tcp"), QStringLiteral("--pty"), QStringLiteral("--modem"),
                        QStringLiteral("--dial-script"), QStringLiteral("SILENT")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        SetComPortDevice(3, sim.ptyPath());
        std::unique_ptr<SerialChannel> port = OpenComPort(3, 38400, 8, 0, 0, 1000, 1000, true, false);
        QVERIFY(port);
        ModemDialogue modem({port.get(), [] { QCoreApplication::processEvents(); }, &TakeEscapePress, nullptr,
                             w.Link().Waiter()});
        TakeEscapePress();  // one left by an earlier test
        QByteArray reply;
        QCOMPARE(modem.SendModemCommand("ATE0\r", &reply, 5000, nullptr), DialResult::Connected);
        QElapsedTimer timer;
        timer.start();
        QTimer::singleShot(300, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
        QCOMPARE(modem.SendModemCommand("ATD123\r", &reply, 5000, nullptr), DialResult::Escape);
        QVERIFY2(timer.elapsed() >= 300 && timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
    }

    // The wait for the controller clock before a 5-minute archive reading
    // runs the window's events, and Esc ends it at once.
    void escapeEndsTheClockWait() {
        Home home;
        MainWindow w;
        Named<QTimer>(&w, "startTimer")->stop();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        TableClockSource source(w.Tables(), nullptr, w.Link().Waiter());
        int ticks = 0;
        QTimer ticking;
        QObject::connect(&ticking, &QTimer::timeout, [&] { ++ticks; });
        ticking.start(10);
        QElapsedTimer timer;
        timer.start();
        QTimer::singleShot(300, &w, [&w] { QTest::keyClick(&w, Qt::Key_Escape); });
        QVERIFY(!source.WaitSeconds(5));
        QVERIFY2(timer.elapsed() >= 300 && timer.elapsed() < 1000, qPrintable(QString::number(timer.elapsed())));
        QVERIFY2(ticks >= 15, qPrintable(QString::number(ticks)));  // 30 due in 300 ms
        QVERIFY(!ArchiveReading().InProgress);
        QVERIFY(!ArchiveReading().AbortRequested);
    }

    void closeRemovesTemporaryFiles() {
        Home home;
        auto w = std::make_unique<MainWindow>();
        Named<QTimer>(w.get(), "startTimer")->stop();
        const QStringList temporary = {"datafile.aud", "datafile.ala", "datafile.clb", "datafile.hdm"};
        for (const QString& name : temporary) {
            QFile file(home.Path() + name);
            QVERIFY(file.open(QIODevice::WriteOnly));
        }
        QFile keep(home.Path() + QStringLiteral("CONFIG/keep.cnf"));
        QVERIFY(keep.open(QIODevice::WriteOnly));
        keep.close();
        w->close();
        for (const QString& name : temporary) QVERIFY2(!QFile::exists(home.Path() + name), qPrintable(name));
        QVERIFY(QFile::exists(home.Path() + QStringLiteral("CONFIG/keep.cnf")));
        QVERIFY(QFile::exists(home.Ini() + QStringLiteral("/rd_arh.ini")));
    }
};

QTEST_MAIN(MainTest)
#include "MainWindowTest.moc"
