#include "app/ui/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>
#include <functional>
#include <memory>

#include "common/Cp1251.h"
#include "common/Folders.h"
#include "settings/MainSettings.h"
#include "app/ui/AboutDialog.h"
#include "app/ui/ConnectionSummaryView.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "link/SubscriberList.h"
#include "link/SerialChannel.h"
#include "link/ModemDialogue.h"
#include "link/ui/ConnectDialog.h"
#include "link/ui/LinkSummary.h"
#include "events/ui/EventFileCommand.h"
#include "events/ui/EventQueryCommands.h"
#include "live/MomentaryData.h"
#include "live/ui/AnalyserLinkChecks.h"
#include "live/ui/ControllerStateWindow.h"
#include "live/ui/MomentaryWindows.h"
#include "measurements/ui/ArchiveReadCommand.h"
#include "measurements/ui/ViewerCommands.h"
#include "reports/ObjectList.h"
#include "settings/ReportFormat.h"
#include "reports/ui/ReportFormatDialog.h"
#include "reports/ui/PassportCommands.h"
#include "tables/LabelList.h"
#include "tables/ui/ParamsCommands.h"
#include "tables/ui/ConfigFileCommands.h"
#include "tables/ui/ConfigWriteCommands.h"
#include "tables/ui/TableStateDialog.h"
#include "tables/UsersTable.h"
#include "tables/ui/BasicTableCommands.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/UsersCommand.h"
#include "settings/ArchiveQuery.h"
#include "common/MessageKind.h"
#include "common/DosCodePage.h"
#include "app/ConnectionState.h"
#include "app/WindowPlacement.h"
#include "common/ui/ProgramClosing.h"
#include "common/ArchiveReading.h"

namespace zmk {

namespace {

// Identification table (table 0): the fields the start-up looks at.
constexpr int IdentTable = 0;
constexpr int IdentFieldCount = 18;
constexpr int IdentDestroyedTable = 0;  // number of a destroyed table, 0 = none
constexpr int IdentTypeCode = 1;
constexpr int IdentVersion = 3;
constexpr int IdentByteOrder = 10;      // 0 = words high byte first
constexpr int IdentCodePage = 12;       // 0 = texts in the DOS code page
constexpr uint8_t AcceptedTypeCode = 73;  // "I"
constexpr uint8_t VersionPlain = 10;
constexpr uint8_t VersionFullCheck = 14;
constexpr uint8_t ResetFunction = 25;     // all non-volatile data back to the factory state
constexpr uint8_t SearchAddress = 255;    // requests to it adopt the answering address

// The basic tables.
constexpr int NameTable = 5;        // controller name, one 20-byte field
constexpr int NameLength = 20;
constexpr int SystemTable = 6;      // system parameters, 12 one-byte fields
constexpr int SystemMoistureField = 8;
constexpr int ChromLinkTable = 14;  // chromatograph link, 8 one-byte fields
constexpr int ChromHexaneField = 7; // bit 0 set: the hexane value is not in the list
constexpr int MoistLinkTable = 15;  // moisture meter link
constexpr int MoistLinkField = 6;

// linkBar_ panels.
constexpr int PanelLink = 0;
constexpr int PanelAddress = 1;
constexpr int PanelMessage = 2;
constexpr int PanelExchange = 3;
constexpr int LinkBarWidths[] = {175, 95, 360, 50};
constexpr int InfoBarWidth = 400;
constexpr int MessagePanelSlack = 60;  // fitMessagePanel: bar width - panels 0 and 1 - this

// Telephone-call panel placement inside the client panel.
constexpr int ModemPanelRightGap = 4;
constexpr int ModemPanelBottomGap = 8;

// ZMK_AUTOCONNECT: how often and how long to look for the connection dialog.
constexpr int AutoConnectPollMs = 50;
constexpr int ChannelRetryMs = 50;  // how soon a deferred close or connection start tries again
constexpr int AutoConnectPolls = 100;


}  // namespace

// One item of the menu tree: a submenu (no action), a command of this
// program, or a command of a part that is not here yet.
struct MainWindow::MenuEntry {
    int level;          // 0 = menu bar
    const char* name;   // object name
    const char16_t* caption;
    void (*run)(MainWindow&, QAction* item);  // null for a submenu
    int tag = 0;
};

// The whole tree, in order; a deeper level after an item makes it a submenu.
// Several captions end in blanks and some have two blanks inside; they are
// the program's own texts and stay exactly as they are.
const MainWindow::MenuEntry* MainWindow::MenuTable(int* count) {
    // Carried out by a part of the program that is not here yet (the moving
    // averages among them, which are never shown).
    constexpr auto Later = [](MainWindow& w, QAction* item) { w.commandNotAvailable(item); };
    // The event queries: the item's tag is the archive (0 diagnostics, 1 interventions).
    constexpr auto QueryByIndex = [](MainWindow& w, QAction* item) { QueryEventsByIndex(w, EventKind(item->data().toInt())); };
    constexpr auto QueryByPeriod = [](MainWindow& w, QAction* item) { QueryEventsByPeriod(w, EventKind(item->data().toInt())); };
    static const MenuEntry table[] = {
        {0, "N1", u"Файл", nullptr, 0},
        {1, "N5", u"Файлы  конфигурации          ", nullptr, 0},
        {2, "NNewcnf", u"Создание нового файла конфигурации", [](MainWindow& w, QAction*) { CreateConfigFile(&w); }, 0},
        {2, "NEditcnf", u"Просмотр/Корректировка файла конфигурации", [](MainWindow& w, QAction*) { EditConfigFile(&w); }, 1},
        {1, "Nrdcnf", u"Сохранение параметров конфигурации в файле", [](MainWindow& w, QAction*) {
             SaveControllerConfig(w, [&w](bool present) {
                 Shared().MoistureMeterPresent = present;
                 w.UpdateMenus();
             });
         }, 0},
        {1, "NExit", u"Выход", [](MainWindow& w, QAction*) { w.close(); }, 0},
        {0, "NWorkPar", u"Параметры", nullptr, 0},
        {1, "Nident", u"Параметры идентификации", [](MainWindow& w, QAction*) { ShowIdentification(w); }, 0},
        {1, "NContrName", u"Наименование контроллера", [](MainWindow& w, QAction*) { EditControllerName(w); }, 0},
        {1, "N3", u"Параметры связи", nullptr, 0},
        {2, "NConVU", u"С верхним уровнем", [](MainWindow& w, QAction*) { EditUpperLevelLink(w, [&w] { w.showLinkParameters(); }); }, 0},
        {2, "NConHGC", u"C хроматографом", [](MainWindow& w, QAction*) { EditChromatographLink(w, Shared().HexaneInList); }, 0},  // Latin "C"
        {2, "NConnWMT", u"С влагомером", [](MainWindow& w, QAction*) { EditMoistureMeterLink(w); }, 0},
        {2, "N4", u"С вычислителем расхода газа", [](MainWindow& w, QAction*) { EditFlowComputerLink(w); }, 0},
        {2, "N_Ethernet", u"Параметры связи по Ethernet", [](MainWindow& w, QAction*) { EditEthernetLink(w); }, 0},
        {1, "Nsys", u"Системные параметры", [](MainWindow& w, QAction*) { w.editSystemParams(); }, 0},
        {1, "NCurrVich", u"Параметры вычислителей", [](MainWindow& w, QAction*) { EditFlowComputers(w); }, 0},
        {1, "N2", u"Уставки для контроля ЗМК", [](MainWindow& w, QAction*) { EditGasLimits(w, Shared().HexaneInList); }, 0},
        {1, "NDistr", u"Необходимость записи значений параметров газа в ВРГ", [](MainWindow& w, QAction*) { EditGasParameterWrite(w); }, 0},
        {1, "Ndistrpar", u"Период записи средних за час значений параметров газа в ВРГ", [](MainWindow& w, QAction*) { EditHourlyWritePeriod(w); }, 0},
        {1, "NPass", u"Доступ пользователей к таблицам параметров", [](MainWindow& w, QAction*) { EditControllerUsers(w); }, 0},
        {0, "NData", u"Данные", nullptr, 0},
        {1, "NContrDt", u"Дата и время", [](MainWindow& w, QAction*) { ShowControllerClock(w); }, 0},
        {1, "NAud", u"Сообщения о вмешательствах оператора    ", nullptr, 0},
        {2, "NAudInd", u"Запрос по индексу", QueryByIndex, 1},
        {2, "NAudPer", u"Запрос за период", QueryByPeriod, 1},
        {2, "NAudPrn", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewEventFile(EventKind::Interventions, &w); }, 0},
        {1, "NAla", u"Диагностические сообщения   ", nullptr, 0},
        {2, "NAlaInd", u"Запрос по индексу", QueryByIndex, 0},
        {2, "NAlaPer", u"Запрос за период", QueryByPeriod, 0},
        {2, "NAlaPrn", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewEventFile(EventKind::Diagnostics, &w); }, 0},
        {1, "NSit", u"Текущее состояние контроллера", [](MainWindow& w, QAction*) { w.showControllerState(); }, 0},
        {1, "NFun", u"Возможность исполнения контроллером его функций", [](MainWindow& w, QAction*) { w.showControllerFunctions(); }, 0},
        {1, "N_ChromData", u"Данные хроматографа", nullptr, 0},
        {2, "NChrom_MomData", u"Мгновенные данные хроматографа, зоны параметров газа    ", [](MainWindow& w, QAction*) { w.showChromatographMomentary(); }, 0},
        {2, "NChrom_MeanData", u"Скользящие средние значения данных хроматографа", Later, 0},
        {2, "NChrom_Arh5min", u"Мгновенные данные хроматографа из архива 5-мин. данных    ", nullptr, 0},
        {3, "NChrom_Read5min", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::ChromFiveMinute); }, 0},
        {3, "NChrom_View5min", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::ChromFiveMinute, &w); }, 0},
        {2, "NChrom_ArhHour", u"Часовые  данные", nullptr, 0},
        {3, "NChrom_ReadHour", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::ChromHour); }, 0},
        {3, "NChrom_ViewHour", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::ChromHour, &w); }, 0},
        {2, "NChrom_ArhDay", u"Суточные  данные", nullptr, 0},
        {3, "NChrom_ReadDay", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::ChromDay); }, 0},
        {3, "NChrom_ViewDay", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::ChromDay, &w); }, 0},
        {1, "NWmt_Data", u"Данные влагомера", nullptr, 0},
        {2, "NWmt_MomData", u"Мгновенные данные влагомера", [](MainWindow& w, QAction*) { w.showMoistureMomentary(); }, 0},
        {2, "NWmt_MeanData", u"Скользящие средние значения данных влагомера", Later, 0},
        {2, "NWmt_Arh5min", u"Мгновенные данные влагомера из архива 5-мин. данных    ", nullptr, 0},
        {3, "NWmt_Read5min", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::MoistureFiveMinute); }, 0},
        {3, "NWmt_View5min", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::MoistureFiveMinute, &w); }, 0},
        {2, "NWmt_ArhHour", u"Часовые  данные", nullptr, 0},
        {3, "NWmt_ReadHour", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::MoistureHour); }, 0},
        {3, "NWmt_ViewHour", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::MoistureHour, &w); }, 0},
        {2, "NWmt_ArhDay", u"Суточные  данные", nullptr, 0},
        {3, "NWmt_ReadDay", u"Чтение архива контроллера", [](MainWindow& w, QAction*) { ReadMeasurementArchive(w, ArchiveKind::MoistureDay); }, 0},
        {3, "NWmt_ViewDay", u"Просмотр/Печать из файла", [](MainWindow& w, QAction*) { ViewMeasurementFile(ArchiveKind::MoistureDay, &w); }, 0},
        {0, "Nexcreport", u"Отчеты", nullptr, 0},
        {1, "N6", u"Паспорт ЗМК показателей за сутки", [](MainWindow& w, QAction*) { MakePassport(w, PassportKind::Daily); }, 0},
        {1, "N8", u"Паспорт ЗМК показателей за месяц", [](MainWindow& w, QAction*) { MakePassport(w, PassportKind::Monthly); }, 1},
        {0, "Nconnect", u"Связь с другим устройством", [](MainWindow& w, QAction*) { w.connectToAnotherDevice(); }, 0},
        {0, "Nvers", u"Версия", nullptr, 0},
        {1, "NUser", u"Идентификация пользователя программы", [](MainWindow& w, QAction*) { w.IdentifyUser(); }, 0},
        {1, "NFormate", u"Формат представления данных", [](MainWindow& w, QAction*) { w.editReportFormat(); }, 0},
        {1, "Nabout", u"О программе", [](MainWindow& w, QAction*) { w.showAbout(); }, 0},
    };
    *count = int(std::size(table));
    return table;
}

namespace {

// Items hidden while no controller is connected.
const char* const NeedController[] = {
    "NWorkPar",        "NContrDt",       "Nexcreport",      "NSit",           "NFun",
    "NChrom_MomData",  "NChrom_MeanData", "NChrom_Read5min", "NChrom_ReadHour", "NChrom_ReadDay",
    "NWmt_MomData",    "NWmt_MeanData",  "NWmt_Read5min",   "NWmt_ReadHour",  "NWmt_ReadDay",
    "NAudInd",         "NAudPer",        "NAlaInd",         "NAlaPer",        "Nrdcnf",
};
// Items hidden without a moisture meter.
const char* const NeedMoistureMeter[] = {"NConnWMT", "NWmt_Data"};
// Items never shown.
const char* const NeverShown[] = {"NChrom_MeanData", "NWmt_MeanData"};

// The application-wide Esc watch: while an archive reading runs, Esc asks it
// to stop; the modem dialogue takes the press between its reads. A wait in
// progress is woken so that its owner looks at the press at once. Nothing is
// swallowed.
bool escapePending = false;

class EscapeFilter : public QObject {
public:
    EscapeFilter(LinkWaiter& waiter, QObject* parent) : QObject(parent), waiter_(waiter) {}

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (ArchiveReading().InProgress)
                ArchiveReading().AbortRequested = true;
            escapePending = true;
            waiter_.wake();
        }
        return QObject::eventFilter(watched, event);
    }

private:
    LinkWaiter& waiter_;
};

}  // namespace

bool TakeEscapePress() {
    const bool pending = escapePending;
    escapePending = false;
    return pending;
}

// ---------------------------------------------------------------------------
// MainWindow: the window and its parts

class MainWindow::CommandScope {
public:
    explicit CommandScope(MainWindow& window) : count_(window.commandsRunning_) { ++count_; }
    ~CommandScope() { --count_; }
    CommandScope(const CommandScope&) = delete;
    CommandScope& operator=(const CommandScope&) = delete;

private:
    int& count_;
};

// The link shows "Обмен..." on its panel while a request runs and clears it
// once the request's outcome is set: the clearing is where the summary
// learns how the exchange went.
class MainWindow::ExchangePanel : public StatusBarPanel {
public:
    explicit ExchangePanel(MainWindow& window) : window_(window) {}
    void setText(const QString& text) override {
        window_.linkBar_->SetPanelText(PanelExchange, text);
        if (!text.isEmpty()) return;
        ControllerLink& link = *window_.link_;
        window_.exchanges_.Note(
            link.Status, QStringLiteral("Команда %1.  %2").arg(link.LastFunction).arg(link.LinkStatusText(link.Status)),
            QDateTime::currentDateTime());
        window_.refreshSummary();
    }
    QString text() const override { return window_.linkBar_->PanelText(PanelExchange); }
    void repaint() override { window_.linkBar_->Panel(PanelExchange)->repaint(); }

private:
    MainWindow& window_;
};

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Программа обслуживания контроллера  ЗМК_NGC8200"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    clientArea_ = new QWidget(central);
    clientArea_->setObjectName(QStringLiteral("clientArea"));
    clientArea_->installEventFilter(this);
    column->addWidget(clientArea_, 1);
    setCentralWidget(central);

    buildMenus();
    buildStatusBars();
    column->addWidget(modemBar_);
    column->addWidget(subscriberBar_);
    column->addWidget(linkBar_);
    buildCallPanel();
    summary_ = new ConnectionSummaryView(clientArea_);
    auto* summaryPlace = new QVBoxLayout(clientArea_);
    summaryPlace->setContentsMargins(16, 16, 16, 16);
    summaryPlace->addWidget(summary_, 0, Qt::AlignLeft | Qt::AlignTop);

    startTimer_ = new QTimer(this);
    startTimer_->setObjectName(QStringLiteral("startTimer"));
    startTimer_->setInterval(StartDelayMs);
    connect(startTimer_, &QTimer::timeout, this, &MainWindow::startConnection);
    messageTimer_ = new QTimer(this);
    messageTimer_->setObjectName(QStringLiteral("messageTimer"));
    messageTimer_->setInterval(CommandMessageMs);
    connect(messageTimer_, &QTimer::timeout, this, &MainWindow::clearCommandMessage);
    callTimer_ = new QTimer(this);
    callTimer_->setObjectName(QStringLiteral("callTimer"));
    callTimer_->setInterval(CallDurationStepMs);
    connect(callTimer_, &QTimer::timeout, this, &MainWindow::updateCallDuration);

    setUp();
    refreshSummary();
}

MainWindow::~MainWindow() {
    ConnectionState& state = Shared();
    if (state.Link == link_.get()) state.Link = nullptr;
    if (state.LinkInfoBar == subscriberBar_->Panel(0)) state.LinkInfoBar = nullptr;
    if (state.ModemBar == modemBar_->Panel(0)) state.ModemBar = nullptr;
    if (link_ && link_->StatusPanel == exchangePanel_.get()) link_->StatusPanel = nullptr;
}

void MainWindow::buildMenus() {
    // Parent menu (or the bar) of each level while walking the tree.
    QMenu* parents[4] = {};
    int count = 0;
    const MenuEntry* tree = MenuTable(&count);
    for (int i = 0; i < count; ++i) {
        const MenuEntry& entry = tree[i];
        const QString name = QString::fromLatin1(entry.name);
        const QString caption = QString::fromUtf16(entry.caption);
        const bool submenu = i + 1 < count && tree[i + 1].level > entry.level;
        QAction* action = nullptr;
        if (submenu) {
            QMenu* menu = entry.level == 0 ? menuBar()->addMenu(caption) : parents[entry.level - 1]->addMenu(caption);
            menu->setObjectName(name);
            parents[entry.level] = menu;
            action = menu->menuAction();
        } else {
            action = entry.level == 0 ? menuBar()->addAction(caption) : parents[entry.level - 1]->addAction(caption);
            if (entry.run != nullptr)
                connect(action, &QAction::triggered, this, [this, run = entry.run, action] {
                    const CommandScope running(*this);
                    run(*this, action);
                });
        }
        action->setObjectName(name);
        action->setData(entry.tag);
        items_.insert(name, action);
        itemOrder_.append(name);
        if (entry.level == 0) topItems_.append(action);
    }
}

void MainWindow::buildStatusBars() {
    linkBar_ = new PanelStatusBar(QList<int>(std::begin(LinkBarWidths), std::end(LinkBarWidths)), this);
    linkBar_->setObjectName(QStringLiteral("linkBar"));
    subscriberBar_ = new PanelStatusBar({InfoBarWidth}, this);
    subscriberBar_->setObjectName(QStringLiteral("subscriberBar"));
    modemBar_ = new PanelStatusBar({InfoBarWidth}, this);
    modemBar_->setObjectName(QStringLiteral("modemBar"));
}

void MainWindow::buildCallPanel() {
    callPanel_ = new QFrame(clientArea_);
    callPanel_->setObjectName(QStringLiteral("callPanel"));
    callPanel_->setFrameShape(QFrame::Panel);
    callPanel_->setFrameShadow(QFrame::Raised);
    callPanel_->setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("Продолжительность связи по телефону"), callPanel_);
    callDuration_ = new QLabel(QStringLiteral("00:00:00"), callPanel_);
    callDuration_->setObjectName(QStringLiteral("callDuration"));
    callDuration_->setAlignment(Qt::AlignCenter);
    callDuration_->setFrameShape(QFrame::Panel);
    callDuration_->setFrameShadow(QFrame::Sunken);
    QFont big = callDuration_->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    callDuration_->setFont(big);
    hangUpButton_ = new QPushButton(QStringLiteral("Отключить связь"), callPanel_);
    hangUpButton_->setObjectName(QStringLiteral("hangUpButton"));
    connect(hangUpButton_, &QPushButton::clicked, this, &MainWindow::hangUp);
    auto* layout = new QVBoxLayout(callPanel_);
    layout->addWidget(label);
    layout->addWidget(callDuration_);
    layout->addWidget(hangUpButton_);
    callPanel_->adjustSize();
    callPanel_->hide();
}

QAction* MainWindow::MenuItem(const QString& name) const { return items_.value(name, nullptr); }

QStringList MainWindow::MenuItemNames() const { return itemOrder_; }

void MainWindow::hideTopMenus() {
    for (QAction* action : topItems_) action->setVisible(false);
}

void MainWindow::placeCallPanel() {
    callPanel_->adjustSize();
    callPanel_->move(clientArea_->width() - callPanel_->width() - ModemPanelRightGap,
                  clientArea_->height() - callPanel_->height() - ModemPanelBottomGap);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The call panel keeps its place when the client panel changes size
    // (window resized, status bars shown or hidden).
    if (watched == clientArea_ && event->type() == QEvent::Resize && !callPanel_->isHidden()) placeCallPanel();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::commandNotAvailable(QAction* item) {
    ShowMessage(MessageKind::Info, QStringLiteral("Команда пока не реализована"), item->text().trimmed());
}

// ---------------------------------------------------------------------------
// Start-up and end

void MainWindow::setUp() {
    ConnectionState& state = Shared();

    // The full stop as decimal separator for every number shown, typed or written.
    QLocale::setDefault(QLocale::c());

    link_ = std::make_unique<ControllerLink>(0);
    exchangePanel_ = std::make_unique<ExchangePanel>(*this);
    link_->StatusPanel = exchangePanel_.get();
    link_->SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
    link_->SetCarrierLostHandler([this] { carrierLost(); });
    link_->SetWaiter(&waiter_);
    state.Link = link_.get();
    tables_ = std::make_unique<TableEngine>(*link_, image_, retry_);

    SetUpFolders();
    ReadArchiveQuery(ArchiveQueryPath());

    ReadReportFormat(ReportFormatPath(), CurrentReportFormat());

    const QScreen* screen = QGuiApplication::primaryScreen();
    const QSize screenSize = screen != nullptr ? screen->size() : QSize(1024, 768);
    ReadMainSettings(MainSettingsPath(), screenSize.width(), screenSize.height());
    ApplyPortDevices(Settings());
    SubscriberLists& lists = Subscribers();
    ReadPhoneList(PhoneListPath(), lists.phone, lists.phoneStored);
    SortPhoneList(lists.phone);
    ReadEthernetList(EthernetListPath(), lists.ethernet, lists.ethernetStored);
    SortEthernetList(lists.ethernet);
    TakeSettingsSnapshot();
    ReadObjectList(ObjectListPath(), Objects());
    SortObjectList(Objects());

    LabelCount();  // builds the label list

    hideTopMenus();
    modemLineUp_ = false;
    callPanel_->hide();
    state.ModemBar = modemBar_->Panel(0);
    state.LinkInfoBar = subscriberBar_->Panel(0);
    modemBar_->hide();
    subscriberBar_->hide();

    // The saved geometry (left and top of the frame, size of the window) as
    // it is while it lies on the screen; one saved on a larger screen is
    // moved inside this one, the frame allowed for.
    const MainSettings& settings = Settings();
    const QMargins frame = DefaultFrameMargins;
    const QRect saved(settings.FormLeft, settings.FormTop, settings.FormWidth, settings.FormHeight);
    QRect client(saved.topLeft() + QPoint(frame.left(), frame.top()), saved.size());
    if (screen != nullptr && !screen->availableGeometry().contains(saved))
        client = PlaceInside(client, screen->availableGeometry(), frame);
    resize(client.size());
    move(client.left() - frame.left(), client.top() - frame.top());

    // The application-wide Esc watch, in place before the first exchange.
    qApp->installEventFilter(new EscapeFilter(waiter_, this));

    startTimer_->start();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    fitMessagePanel();
}

void MainWindow::fitMessagePanel() {
    // The bar spans the whole window.
    linkBar_->SetPanelWidth(PanelMessage, width() - LinkBarWidths[PanelLink] -
                                                LinkBarWidths[PanelAddress] - MessagePanelSlack);
}

void MainWindow::startConnection() {
    startTimer_->stop();
    if (channelInUse()) {
        // Fired from inside a wait of the running exchange ("Связь с другим
        // устройством" while a request waits): stop it and start once it is over.
        stopChannelUse();
        QTimer::singleShot(ChannelRetryMs, this, [this] { startTimer_->start(); });
        return;
    }
    const CommandScope running(*this);
    ConnectionState& state = Shared();
    exchanges_.Clear();
    showLinkParameters();
    {
        BusyCursor busy;
        state.Connected = false;
        hideTopMenus();
        Disconnect();
    }

    if (!runConnectionDialog()) {
        UpdateMenus();
        emit ConnectionStartFinished();
        return;
    }
    SaveSettings();

    [&] {
        MainSettings& settings = Settings();
        const bool phone = settings.ChannelKind == ChannelPhone;
        if (phone) {
            IdentifyUser();
            modemLineUp_ = dialController();
            if (!modemLineUp_) return;
        }

        bool read;
        {
            BusyCursor busy;
            read = tables_->ReadTable({IdentTable, 0, IdentFieldCount}, linkBar_->Panel(PanelMessage), true);
        }
        if (!read) return;

        const uint8_t* ident = image_.Table(IdentTable);
        if (ident[IdentTypeCode] != AcceptedTypeCode) {
            ShowMessage(MessageKind::Info, QStringLiteral("Код типа подключенного контроллера  %1").arg(ident[IdentTypeCode]),
                           QStringLiteral("Программа обслуживает контроллеры ЗМК_10"));
            return;
        }
        if (ident[IdentVersion] != VersionPlain && ident[IdentVersion] != VersionFullCheck) {
            ShowMessage(MessageKind::Info, QStringLiteral("Версия ПО подключенного контроллера %1").arg(ident[IdentVersion]),
                           QStringLiteral("Программа обслуживает контроллеры ЗМК только с версией ПО 10"));
            return;
        }

        // Accepted. A search address in the settings becomes the address the
        // controller answered from.
        ChannelParams* record = settings.ChannelKind == ChannelPhone      ? &settings.Phone
                                : settings.ChannelKind == ChannelEthernet ? &settings.Ethernet
                                                                           : &settings.Direct;
        if (record->Address == SearchAddress) {
            record->Address = link_->Address;
            showLinkParameters();  // the adopted address, not 255
        }
        state.Connected = true;

        if (!phone) IdentifyUser();

        if (!checkTableStates()) {
            state.Connected = false;
            return;
        }
        state.Connected = ReadBasicTables();
    }();

    connectedSince_ = QDateTime::currentDateTime();
    {
        BusyCursor busy;
        if (!state.Connected) Disconnect();
        UpdateMenus();
    }
    emit ConnectionStartFinished();
}

// What the configuration write tells the window as it goes.
class MainWindow::WriteFollower : public ConfigWriteObserver {
public:
    explicit WriteFollower(MainWindow& window) : window_(window) {}
    void UpperLevelWritten(const uint8_t*) override {
        // A link about to be closed keeps its address and rate.
        KeepUpperLevelLink(window_, !Shared().DisconnectAfterWrite);
        window_.showLinkParameters();
    }
    void NameWritten(const QString& name) override { window_.linkBar_->SetPanelText(PanelAddress, name); }
    void SystemWritten(bool moistureMeterPresent) override { Shared().MoistureMeterPresent = moistureMeterPresent; }

private:
    MainWindow& window_;
};

bool MainWindow::checkTableStates() {
    ConnectionState& state = Shared();
    const uint8_t* ident = image_.Table(IdentTable);
    if (!NeedsTableStateCheck(ident)) return true;
    const int version = ident[IdentVersion];
    TableSelection selection;
    if (version == VersionFullCheck) {
        // A controller without a configuration: every table counts as destroyed.
        std::fill_n(image_.Table(TableStatesTable), TableCount, uint8_t(1));
        selection = TableSelection::AllDestroyed();
    } else {
        if (!tables_->ReadTable({uint8_t(TableStatesTable), 0, uint8_t(TableCount)}, linkBar_->Panel(PanelMessage), true))
            return true;
        selection = TableSelection::FromStates(image_.Table(TableStatesTable));
    }

    const TableStateAnswer answer = runTableStateDialog(selection, version);
    switch (answer) {
    case TableStateAnswer::Exit:
        return version != VersionFullCheck;
    case TableStateAnswer::WriteSelected:
        writeChosenTables(selection);
        return true;
    case TableStateAnswer::WriteAll:
        state.DisconnectAfterWrite = true;
        writeChosenTables(selection);
        state.DisconnectAfterWrite = false;
        return false;
    case TableStateAnswer::ResetDone:
        return false;
    }
    return false;
}

TableStateAnswer MainWindow::runTableStateDialog(TableSelection& selection, int softwareVersion) {
    TableStateDialog dialog(selection, softwareVersion, link_->ChannelKind,
                            [this](QString& statusText) { return resetMemory(statusText); }, this);
    dialog.exec();
    selection = dialog.Selection();
    return dialog.Answer();
}

bool MainWindow::writeChosenTables(const TableSelection& selection) {
    WriteFollower follower(*this);
    return WriteChosenTables(selection, *this, follower);
}

bool MainWindow::resetMemory(QString& statusText) {
    // (The dialog shows the busy cursor meanwhile.)
    if (!link_->SendRequest(ResetFunction, nullptr, 0)) {
        statusText = link_->StatusText();
        return false;
    }
    // The controller is back at its factory address and rate.
    link_->Address = 1;
    link_->BaudRate = 9600;
    MainSettings& settings = Settings();
    ChannelParams* record = link_->ChannelKind == ChannelDirect  ? &settings.Direct
                            : link_->ChannelKind == ChannelPhone ? &settings.Phone
                                                                 : nullptr;
    if (record) {
        record->Address = 1;
        record->Rate = 9600;
        WriteMainSettings(MainSettingsPath());
    }
    showLinkParameters();
    return true;
}

bool MainWindow::ReadBasicTables() {
    ConnectionState& state = Shared();
    BusyCursor busy;
    StatusBarPanel* panel = linkBar_->Panel(PanelMessage);

    uint8_t* name = image_.Table(NameTable);
    std::fill_n(name, NameLength, uint8_t(' '));
    if (tables_->ReadTable({NameTable, 0, 1}, panel, true) && image_.Table(IdentTable)[IdentCodePage] == 0)
        DecodeDosText(name, NameLength);

    bool ok = tables_->ReadTable({SystemTable, 0, 12}, panel, true);
    if (ok) {
        uint8_t* system = image_.Table(SystemTable);
        state.MoistureMeterPresent = system[SystemMoistureField] != 0;
        system[9] = 1;
        system[10] = 0;
        system[11] = 0;
        ok = tables_->ReadTable({ChromLinkTable, 0, 8}, panel, true);
    }
    if (ok) {
        state.HexaneInList = (image_.Table(ChromLinkTable)[ChromHexaneField] & 1) == 0;
        if (state.MoistureMeterPresent) ok = tables_->ReadTable({MoistLinkTable, MoistLinkField, 1}, panel, true);
    }
    if (!ok) {
        ShowMessage(MessageKind::ExchangeResult, QStringLiteral("Не прочитаны данные, для организации"),
                       QStringLiteral("дальнейшего обмена с устройством"));
    }
    return ok;
}

void MainWindow::Disconnect() {
    link_->SetCarrierWatch(false);
    if (link_->Socket) {
        link_->Socket->close();
        link_->Socket.reset();
    } else if (modemLineUp_) {
        hangUpModem();
        modemLineUp_ = false;
    }
    link_->ClosePort();
    Shared().Connected = false;
    callTimer_->stop();
    callPanel_->hide();
    modemBar_->hide();
    subscriberBar_->hide();
    linkBar_->SetPanelText(PanelAddress, QString());
}

void MainWindow::UpdateMenus() {
    const ConnectionState& state = Shared();
    for (QAction* action : std::as_const(items_)) action->setVisible(true);
    auto hide = [this](const auto& names) {
        for (const char* name : names)
            if (QAction* action = MenuItem(QString::fromLatin1(name))) action->setVisible(false);
    };
    if (!state.Connected) {
        hide(NeedController);
        linkBar_->SetPanelText(PanelLink, QString());
        linkBar_->SetPanelText(PanelAddress, QString());
    } else if (!state.MoistureMeterPresent) {
        hide(NeedMoistureMeter);
    }
    hide(NeverShown);
    refreshSummary();
}

void MainWindow::refreshSummary() {
    ConnectionFacts facts;
    facts.connected = Shared().Connected;
    const uint8_t* ident = image_.Table(IdentTable);
    facts.controllerName =
        FromCp1251(QByteArrayView(reinterpret_cast<const char*>(image_.Table(NameTable)), NameLength)).trimmed();
    facts.address = link_->Address;
    facts.typeCode = ident[IdentTypeCode];
    facts.softwareVersion = ident[IdentVersion];
    static const char16_t* const kinds[] = {u"Прямое подключение", u"Модем", u"Ethernet"};
    QStringList channel{QString::fromUtf16(kinds[std::min<int>(link_->ChannelKind, 2)])};
    for (const QString& text : {linkBar_->PanelText(PanelLink), subscriberBar_->PanelText(0)})
        if (!text.trimmed().isEmpty()) channel << text.trimmed();
    facts.channel = channel.join(QStringLiteral(", "));
    facts.modemLine = modemLineUp_;
    facts.connectedSince = connectedSince_;
    facts.exchanges = exchanges_;
    summary_->Show(facts);
}

void MainWindow::SaveSettings() {
    WriteMainSettings(MainSettingsPath());
    WriteArchiveQuery(ArchiveQueryPath());
}

void MainWindow::IdentifyUser() {
    ProgramUserDialog form(this);
    if (form.exec() != QDialog::Accepted) return;
    link_->WritePassword = form.Password();
    link_->UserCode = form.Code();
}

bool MainWindow::channelInUse() const { return link_->InExchange() || modemDialogues_ > 0; }

void MainWindow::stopChannelUse() {
    link_->AbortFlag = 1;
    escapePending = true;
    waiter_.wake();
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (channelInUse() || commandsRunning_ > 0) {
        // The waits of a command let this close in: the window stays until
        // the command has returned, so that nothing it still does (a message,
        // the file it reads back) outlives the window.
        stopCommandForClose();
        event->ignore();
        QTimer::singleShot(ChannelRetryMs, this, &QWidget::close);
        return;
    }
    shutDown();
    QMainWindow::closeEvent(event);
    SetProgramClosing(false);
}

void MainWindow::stopCommandForClose() {
    SetProgramClosing(true);  // no messages; questions answered "Нет": no retries either
    if (ArchiveReading().InProgress) ArchiveReading().AbortRequested = true;
    stopChannelUse();           // the running request, or the next one, fails at once
    // A window the command opened before it saw the close is left as "Отменить" leaves it.
    if (QWidget* modal = QApplication::activeModalWidget()) modal->close();
}

void MainWindow::shutDown() {
    BusyCursor busy;
    startTimer_->stop();
    Disconnect();
    SaveSettings();
    DeleteTempFiles();
}

// ---------------------------------------------------------------------------
// Commands of the window

void MainWindow::ShowCommandMessage(const QString& text) {
    linkBar_->SetPanelText(PanelMessage, text);
    messageTimer_->start();
}

StatusBarPanel* MainWindow::MessagePanel() { return linkBar_->Panel(PanelMessage); }

void MainWindow::StartMessageTimer() { messageTimer_->start(); }

void MainWindow::clearCommandMessage() {
    messageTimer_->stop();
    linkBar_->SetPanelText(PanelMessage, QString());
}

void MainWindow::showCallDuration() {
    const qint64 seconds = std::max<qint64>(0, callStart_.secsTo(QDateTime::currentDateTime()));
    callDuration_->setText(QString::asprintf("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                                      int(seconds % 60)));
}

void MainWindow::updateCallDuration() {
    showCallDuration();
    // Between exchanges nobody else reads the line: the modem's NO CARRIER
    // is looked for here.
    if (modemLineUp_ && !channelInUse()) link_->CheckCarrier();
}

void MainWindow::carrierLost() {
    if (!modemLineUp_) return;
    if (callTimer_->isActive()) {
        showCallDuration();
        callTimer_->stop();
    }
    QTimer::singleShot(0, this, &MainWindow::endLostCall);
}

void MainWindow::endLostCall() {
    if (!modemLineUp_) return;
    if (channelInUse()) {
        // The running command fails at once on the lost line; its end is awaited.
        QTimer::singleShot(ChannelRetryMs, this, &MainWindow::endLostCall);
        return;
    }
    {
        BusyCursor busy;
        // The modem is back in command mode with nothing to hang up; the
        // port closes with DTR down.
        modemLineUp_ = false;
        link_->SetCarrierWatch(false);
        Disconnect();
    }
    UpdateMenus();
    ShowMessage(MessageKind::Error, DialResultText(DialResult::NoCarrier), QString());
}

void MainWindow::hangUp() {
    if (channelInUse()) {
        stopChannelUse();
        QTimer::singleShot(ChannelRetryMs, this, &MainWindow::hangUp);
        return;
    }
    {
        BusyCursor busy;
        link_->SetCarrierWatch(false);
        hangUpModem();
        showCallDuration();
        callTimer_->stop();
        Shared().Connected = false;
        modemLineUp_ = false;
        callPanel_->hide();
        modemBar_->hide();
        subscriberBar_->hide();
        link_->ClosePort();
    }
    UpdateMenus();
}


void MainWindow::connectToAnotherDevice() { startTimer_->start(); }

void MainWindow::showAbout() {
    AboutDialog about(this);
    about.exec();
}


// ---------------------------------------------------------------------------
// Measurement archive reads


// ---------------------------------------------------------------------------
// Measurement files ("Просмотр/Печать из файла")


// ---------------------------------------------------------------------------
// Live data

void MainWindow::showControllerState() {
    const ConnectionState& state = Shared();
    TableSelection selection;
    TableStateAnswer answer = TableStateAnswer::Exit;
    // The state window and the table state dialog in turn, until the dialog
    // is left otherwise than with "Выход" or the state window without its
    // table-state button.
    for (;;) {
        ControllerStateWindow window(*this, state.MoistureMeterPresent, state.HexaneInList,
                                     image_.Table(IdentTable)[IdentByteOrder], CurrentReportFormat(), this);
        window.exec();
        if (!window.TableStateRequested()) break;
        selection = window.Selection();
        answer = runTableStateDialog(selection, image_.Table(IdentTable)[IdentVersion]);
        if (answer != TableStateAnswer::Exit) break;
    }
    // The writes are carried out as at the connection start: a whole
    // configuration leaves the program disconnected, as does the reset.
    switch (answer) {
    case TableStateAnswer::WriteSelected:
        writeChosenTables(selection);
        break;
    case TableStateAnswer::WriteAll:
        Shared().DisconnectAfterWrite = true;
        writeChosenTables(selection);
        Shared().DisconnectAfterWrite = false;
        Disconnect();
        break;
    case TableStateAnswer::ResetDone:
        Disconnect();
        break;
    case TableStateAnswer::Exit:
        break;
    }
    UpdateMenus();
}

void MainWindow::showControllerFunctions() {
    {
        BusyCursor busy;
        if (!tables_->ReadTable({uint8_t(FunctionsTable), 0, 2}, MessagePanel())) return;
    }
    ControllerFunctionsWindow window(image_.Table(FunctionsTable), this);
    window.exec();
}

void MainWindow::showChromatographMomentary() {
    if (!CheckChromatographLink(*this)) return;
    {
        ChromatographMomentaryWindow window(*this, Shared().HexaneInList, CurrentReportFormat(), this);
        window.exec();
    }
    StartMessageTimer();
}

void MainWindow::showMoistureMomentary() {
    if (!CheckMoistureMeterLink(*this)) return;
    {
        MoistureMomentaryWindow window(*this, CurrentReportFormat(), this);
        window.exec();
    }
    StartMessageTimer();
}

void MainWindow::editSystemParams() {
    if (!EditSystemParams(*this)) return;
    Shared().MoistureMeterPresent = image_.Table(SystemTable)[SystemMoistureField] != 0;
    UpdateMenus();
}

void MainWindow::editReportFormat() {
    ReportFormatDialog form(CurrentReportFormat(), this);
    if (form.exec() != QDialog::Accepted)
        return;
    WriteReportFormat(ReportFormatPath(), CurrentReportFormat());  // a failure is silent
}

// ---------------------------------------------------------------------------
// Steps carried out by the link units

void MainWindow::showLinkParameters() {
    ShowLinkParams(linkBar_->Panel(PanelLink), linkBar_->Panel(PanelAddress), subscriberBar_->Panel(0));
    linkBar_->repaint();
}

bool MainWindow::runConnectionDialog() {
    ConnectHost host;
    host.PortPanel = linkBar_->Panel(PanelLink);
    host.AddressPanel = linkBar_->Panel(PanelAddress);
    host.SubscriberPanel = subscriberBar_->Panel(0);
    host.Link = link_.get();
    host.ShowSubscriberBars = [this](bool on) {
        subscriberBar_->setVisible(on);
        modemBar_->setVisible(on);
    };
    // ZMK_AUTOCONNECT=1 (demonstrations, screenshots): the dialog presses
    // "Связаться" itself once it is up.
    if (qEnvironmentVariable("ZMK_AUTOCONNECT") == QLatin1String("1")) {
        auto press = std::make_shared<std::function<void(int)>>();
        *press = [this, press](int triesLeft) {
            auto* form = qobject_cast<ConnectDialog*>(QApplication::activeModalWidget());
            auto* button = form != nullptr ? form->findChild<QPushButton*>(QStringLiteral("connectButton")) : nullptr;
            if (button != nullptr && form->isVisible() && button->isEnabled()) {
                button->click();
                return;
            }
            if (triesLeft > 0) QTimer::singleShot(AutoConnectPollMs, this, [press, triesLeft] { (*press)(triesLeft - 1); });
        };
        QTimer::singleShot(AutoConnectPollMs, this, [press] { (*press)(AutoConnectPolls); });
    }
    return ConnectDialog::Run(host, this);
}

bool MainWindow::dialController() {
    const MainSettings& settings = Settings();
    DialResult result = DialResult::NoModem;
    for (;;) {
        {
            BusyCursor busy;
            const PhoneAbonent* entry = CurrentAbonent(Subscribers().phone);
            const QByteArray number = entry != nullptr ? ToCp1251(AbonentPhone(*entry)) : QByteArray();
            if (link_->PortHandle) {
                TakeEscapePress();  // an earlier Esc does not end this call
                ModemDialogue modem({link_->PortHandle.get(), [] { QCoreApplication::processEvents(); },
                                     &TakeEscapePress, nullptr, &waiter_, settings.EscapeGuardMs});
                ++modemDialogues_;
                result = modem.Dial(number, ToCp1251(settings.Command), modemBar_->Panel(0),
                                    settings.PhoneConnRepeat, settings.PhoneConnectWait);
                --modemDialogues_;
            }
        }
        if (result == DialResult::Connected) {
            link_->SetCarrierWatch(true);
            callStart_ = QDateTime::currentDateTime();
            callDuration_->setText(QStringLiteral("00:00:00"));
            callTimer_->start();
            placeCallPanel();
            callPanel_->show();
            callPanel_->raise();
            break;
        }
        if (!Ask(MessageKind::Question, DialResultText(result), QStringLiteral("Повторить попытку соединения?"))) break;
    }
    modemBar_->SetPanelText(0, QString());
    repaint();
    return result == DialResult::Connected;
}

void MainWindow::hangUpModem() {
    if (!link_->PortHandle) return;
    ModemDialogue modem({link_->PortHandle.get(), [] { QCoreApplication::processEvents(); }, {}, nullptr, &waiter_,
                         Settings().EscapeGuardMs});
    ++modemDialogues_;
    modem.HangUp();
    --modemDialogues_;
}

}  // namespace zmk
