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
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "link/SubscriberList.h"
#include "link/SerialChannel.h"
#include "link/ModemDialogue.h"
#include "link/ui/ConnectDialog.h"
#include "link/ui/LinkSummary.h"
#include "measurements/ui/ArchiveReadCommand.h"
#include "measurements/ui/ViewerCommands.h"
#include "reports/ObjectList.h"
#include "settings/ReportFormat.h"
#include "reports/ui/ReportFormatDialog.h"
#include "tables/LabelList.h"
#include "tables/ui/ProgramUserDialog.h"
#include "settings/ArchiveQuery.h"
#include "common/MessageKind.h"
#include "common/DosCodePage.h"
#include "app/ConnectionState.h"
#include "common/ArchiveReading.h"

namespace zmk {

namespace {

// Identification table (table 0): the fields the start-up looks at.
constexpr int IdentTable = 0;
constexpr int IdentFieldCount = 18;
constexpr int IdentDestroyedTable = 0;  // number of a destroyed table, 0 = none
constexpr int IdentTypeCode = 1;
constexpr int IdentVersion = 3;
constexpr int IdentCodePage = 12;       // 0 = texts in the DOS code page
constexpr uint8_t AcceptedTypeCode = 73;  // "I"
constexpr uint8_t VersionPlain = 10;
constexpr uint8_t VersionFullCheck = 14;
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

// StatusBar1 panels.
constexpr int PanelLink = 0;
constexpr int PanelAddress = 1;
constexpr int PanelMessage = 2;
constexpr int PanelExchange = 3;
constexpr int StatusBar1Widths[] = {175, 95, 360, 50};
constexpr int InfoBarWidth = 400;
constexpr int MessagePanelSlack = 60;  // FormShow: bar width - panels 0 and 1 - this

// Telephone-call panel placement inside the client panel.
constexpr int ModemPanelRightGap = 4;
constexpr int ModemPanelBottomGap = 8;

// ZMK_AUTOCONNECT: how often and how long to look for the connection dialog.
constexpr int AutoConnectPollMs = 50;
constexpr int ChannelRetryMs = 50;  // how soon a deferred close or connection start tries again
constexpr int AutoConnectPolls = 100;


// What an item of the menu tree does when chosen.
enum class Command {
    None,          // opens a submenu
    Later,         // carried out by a part of the program that is not here yet
    AlwaysHidden,  // the moving averages: never shown
    Exit,
    Connect,
    User,
    About,
    Format,
    // The measurement archive reads and the moisture meter's momentary data.
    ChromRead5min,
    ChromReadHour,
    ChromReadDay,
    WmtRead5min,
    WmtReadHour,
    WmtReadDay,
    WmtMomData,
    // "Просмотр/Печать из файла" of the measurement archives.
    ChromView5min,
    ChromViewHour,
    ChromViewDay,
    WmtView5min,
    WmtViewHour,
    WmtViewDay,
};

struct MenuDef {
    int level;          // 0 = menu bar
    const char* name;   // object name
    const char16_t* caption;
    Command command;
    int tag = 0;
};

// The whole tree, in order; a deeper level after an item makes it a submenu.
// Several captions end in blanks and some have two blanks inside; they are
// the program's own texts and stay exactly as they are.
const MenuDef MenuTree[] = {
    {0, "N1", u"Файл", Command::None},
    {1, "N5", u"Файлы  конфигурации          ", Command::None},
    {2, "NNewcnf", u"Создание нового файла конфигурации", Command::Later, 0},
    {2, "NEditcnf", u"Просмотр/Корректировка файла конфигурации", Command::Later, 1},
    {1, "Nrdcnf", u"Сохранение параметров конфигурации в файле", Command::Later},
    {1, "NExit", u"Выход", Command::Exit},
    {0, "NWorkPar", u"Параметры", Command::None},
    {1, "Nident", u"Параметры идентификации", Command::Later},
    {1, "NContrName", u"Наименование контроллера", Command::Later},
    {1, "N3", u"Параметры связи", Command::None},
    {2, "NConVU", u"С верхним уровнем", Command::Later},
    {2, "NConHGC", u"C хроматографом", Command::Later},  // Latin "C"
    {2, "NConnWMT", u"С влагомером", Command::Later},
    {2, "N4", u"С вычислителем расхода газа", Command::Later},
    {2, "N_Ethernet", u"Параметры связи по Ethernet", Command::Later},
    {1, "Nsys", u"Системные параметры", Command::Later},
    {1, "NCurrVich", u"Параметры вычислителей", Command::Later},
    {1, "N2", u"Уставки для контроля ЗМК", Command::Later},
    {1, "NDistr", u"Необходимость записи значений параметров газа в ВРГ", Command::Later},
    {1, "Ndistrpar", u"Период записи средних за час значений параметров газа в ВРГ", Command::Later},
    {1, "NPass", u"Доступ пользователей к таблицам параметров", Command::Later},
    {0, "NData", u"Данные", Command::None},
    {1, "NContrDt", u"Дата и время", Command::Later},
    {1, "NAud", u"Сообщения о вмешательствах оператора    ", Command::None},
    {2, "NAudInd", u"Запрос по индексу", Command::Later, 1},
    {2, "NAudPer", u"Запрос за период", Command::Later, 1},
    {2, "NAudPrn", u"Просмотр/Печать из файла", Command::Later},
    {1, "NAla", u"Диагностические сообщения   ", Command::None},
    {2, "NAlaInd", u"Запрос по индексу", Command::Later, 0},
    {2, "NAlaPer", u"Запрос за период", Command::Later, 0},
    {2, "NAlaPrn", u"Просмотр/Печать из файла", Command::Later},
    {1, "NSit", u"Текущее состояние контроллера", Command::Later},
    {1, "NFun", u"Возможность исполнения контроллером его функций", Command::Later},
    {1, "N_ChromData", u"Данные хроматографа", Command::None},
    {2, "NChrom_MomData", u"Мгновенные данные хроматографа, зоны параметров газа    ", Command::Later},
    {2, "NChrom_MeanData", u"Скользящие средние значения данных хроматографа", Command::AlwaysHidden},
    {2, "NChrom_Arh5min", u"Мгновенные данные хроматографа из архива 5-мин. данных    ", Command::None},
    {3, "NChrom_Read5min", u"Чтение архива контроллера", Command::ChromRead5min},
    {3, "NChrom_View5min", u"Просмотр/Печать из файла", Command::ChromView5min},
    {2, "NChrom_ArhHour", u"Часовые  данные", Command::None},
    {3, "NChrom_ReadHour", u"Чтение архива контроллера", Command::ChromReadHour},
    {3, "NChrom_ViewHour", u"Просмотр/Печать из файла", Command::ChromViewHour},
    {2, "NChrom_ArhDay", u"Суточные  данные", Command::None},
    {3, "NChrom_ReadDay", u"Чтение архива контроллера", Command::ChromReadDay},
    {3, "NChrom_ViewDay", u"Просмотр/Печать из файла", Command::ChromViewDay},
    {1, "NWmt_Data", u"Данные влагомера", Command::None},
    {2, "NWmt_MomData", u"Мгновенные данные влагомера", Command::WmtMomData},
    {2, "NWmt_MeanData", u"Скользящие средние значения данных влагомера", Command::AlwaysHidden},
    {2, "NWmt_Arh5min", u"Мгновенные данные влагомера из архива 5-мин. данных    ", Command::None},
    {3, "NWmt_Read5min", u"Чтение архива контроллера", Command::WmtRead5min},
    {3, "NWmt_View5min", u"Просмотр/Печать из файла", Command::WmtView5min},
    {2, "NWmt_ArhHour", u"Часовые  данные", Command::None},
    {3, "NWmt_ReadHour", u"Чтение архива контроллера", Command::WmtReadHour},
    {3, "NWmt_ViewHour", u"Просмотр/Печать из файла", Command::WmtViewHour},
    {2, "NWmt_ArhDay", u"Суточные  данные", Command::None},
    {3, "NWmt_ReadDay", u"Чтение архива контроллера", Command::WmtReadDay},
    {3, "NWmt_ViewDay", u"Просмотр/Печать из файла", Command::WmtViewDay},
    {0, "Nexcreport", u"Отчеты", Command::None},
    {1, "N6", u"Паспорт ЗМК показателей за сутки", Command::Later},
    {1, "N8", u"Паспорт ЗМК показателей за месяц", Command::Later, 1},
    {0, "Nconnect", u"Связь с другим устройством", Command::Connect},
    {0, "Nvers", u"Версия", Command::None},
    {1, "NUser", u"Идентификация пользователя программы", Command::User},
    {1, "NFormate", u"Формат представления данных", Command::Format},
    {1, "Nabout", u"О программе", Command::About},
};

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
// to stop; the modem dialogue takes the press between its reads. Nothing is
// swallowed.
bool escapePending = false;

class EscapeFilter : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress && static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape) {
            if (ArchiveReading().InProgress)
                ArchiveReading().AbortRequested = true;
            escapePending = true;
        }
        return QObject::eventFilter(watched, event);
    }
};

}  // namespace

bool TakeEscapePress() {
    const bool pending = escapePending;
    escapePending = false;
    return pending;
}

// ---------------------------------------------------------------------------
// MainWindow: the window and its parts

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("Программа обслуживания контроллера  ЗМК_NGC8200"));

    auto* central = new QWidget(this);
    auto* column = new QVBoxLayout(central);
    column->setContentsMargins(0, 0, 0, 0);
    column->setSpacing(0);
    ClientPanel = new QWidget(central);
    ClientPanel->setObjectName(QStringLiteral("ClientPanel"));
    ClientPanel->installEventFilter(this);
    column->addWidget(ClientPanel, 1);
    setCentralWidget(central);

    BuildMenus();
    BuildStatusBars();
    column->addWidget(StatusBar3);
    column->addWidget(StatusBar2);
    column->addWidget(StatusBar1);
    BuildModemPanel();

    TimerStart = new QTimer(this);
    TimerStart->setObjectName(QStringLiteral("TimerStart"));
    TimerStart->setInterval(TimerStartInterval);
    connect(TimerStart, &QTimer::timeout, this, &MainWindow::TimerStartTimer);
    TimerMessage = new QTimer(this);
    TimerMessage->setObjectName(QStringLiteral("TimerMessage"));
    TimerMessage->setInterval(TimerMessageInterval);
    connect(TimerMessage, &QTimer::timeout, this, &MainWindow::TimerMessageTimer);
    TimerMoney = new QTimer(this);
    TimerMoney->setObjectName(QStringLiteral("TimerMoney"));
    TimerMoney->setInterval(TimerMoneyInterval);
    connect(TimerMoney, &QTimer::timeout, this, &MainWindow::TimerMoneyTimer);

    FormCreate();
}

MainWindow::~MainWindow() {
    ConnectionState& state = Shared();
    if (state.Link == link_.get()) state.Link = nullptr;
    if (state.LinkInfoBar == StatusBar2->Panel(0)) state.LinkInfoBar = nullptr;
    if (state.ModemBar == StatusBar3->Panel(0)) state.ModemBar = nullptr;
    if (link_ && link_->StatusPanel == StatusBar1->Panel(PanelExchange)) link_->StatusPanel = nullptr;
}

void MainWindow::BuildMenus() {
    // Parent menu (or the bar) of each level while walking the tree.
    QMenu* parents[4] = {};
    const int count = int(std::size(MenuTree));
    for (int i = 0; i < count; ++i) {
        const MenuDef& def = MenuTree[i];
        const QString name = QString::fromLatin1(def.name);
        const QString caption = QString::fromUtf16(def.caption);
        const bool submenu = i + 1 < count && MenuTree[i + 1].level > def.level;
        QAction* action = nullptr;
        if (submenu) {
            QMenu* menu = def.level == 0 ? menuBar()->addMenu(caption) : parents[def.level - 1]->addMenu(caption);
            menu->setObjectName(name);
            parents[def.level] = menu;
            action = menu->menuAction();
        } else {
            action = def.level == 0 ? menuBar()->addAction(caption) : parents[def.level - 1]->addAction(caption);
            switch (def.command) {
            case Command::Exit:
                connect(action, &QAction::triggered, this, &MainWindow::NexitClick);
                break;
            case Command::Connect:
                connect(action, &QAction::triggered, this, &MainWindow::NconnectClick);
                break;
            case Command::User:
                connect(action, &QAction::triggered, this, &MainWindow::NUserClick);
                break;
            case Command::About:
                connect(action, &QAction::triggered, this, &MainWindow::NaboutClick);
                break;
            case Command::Format:
                connect(action, &QAction::triggered, this, &MainWindow::NFormateClick);
                break;
            case Command::ChromRead5min:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_Read5minClick);
                break;
            case Command::ChromReadHour:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_ReadHourClick);
                break;
            case Command::ChromReadDay:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_ReadDayClick);
                break;
            case Command::WmtRead5min:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_Read5minClick);
                break;
            case Command::WmtReadHour:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_ReadHourClick);
                break;
            case Command::WmtReadDay:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_ReadDayClick);
                break;
            case Command::ChromView5min:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_View5minClick);
                break;
            case Command::ChromViewHour:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_ViewHourClick);
                break;
            case Command::ChromViewDay:
                connect(action, &QAction::triggered, this, &MainWindow::NChrom_ViewDayClick);
                break;
            case Command::WmtView5min:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_View5minClick);
                break;
            case Command::WmtViewHour:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_ViewHourClick);
                break;
            case Command::WmtViewDay:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_ViewDayClick);
                break;
            case Command::WmtMomData:
                connect(action, &QAction::triggered, this, &MainWindow::NWmt_MomDataClick);
                break;
            case Command::Later:
            case Command::AlwaysHidden:
                connect(action, &QAction::triggered, this, [this, action] { CommandNotAvailable(action); });
                break;
            case Command::None:
                break;
            }
        }
        action->setObjectName(name);
        action->setData(def.tag);
        items_.insert(name, action);
        itemOrder_.append(name);
        if (def.level == 0) topItems_.append(action);
    }
}

void MainWindow::BuildStatusBars() {
    StatusBar1 = new PanelStatusBar(QList<int>(std::begin(StatusBar1Widths), std::end(StatusBar1Widths)), this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    StatusBar2 = new PanelStatusBar({InfoBarWidth}, this);
    StatusBar2->setObjectName(QStringLiteral("StatusBar2"));
    StatusBar3 = new PanelStatusBar({InfoBarWidth}, this);
    StatusBar3->setObjectName(QStringLiteral("StatusBar3"));
}

void MainWindow::BuildModemPanel() {
    pnmodem = new QFrame(ClientPanel);
    pnmodem->setObjectName(QStringLiteral("pnmodem"));
    pnmodem->setFrameShape(QFrame::Panel);
    pnmodem->setFrameShadow(QFrame::Raised);
    pnmodem->setAutoFillBackground(true);
    auto* label = new QLabel(QStringLiteral("Продолжительность связи по телефону"), pnmodem);
    pntime = new QLabel(QStringLiteral("00:00:00"), pnmodem);
    pntime->setObjectName(QStringLiteral("pntime"));
    pntime->setAlignment(Qt::AlignCenter);
    pntime->setFrameShape(QFrame::Panel);
    pntime->setFrameShadow(QFrame::Sunken);
    QFont big = pntime->font();
    big.setPointSize(big.pointSize() + 4);
    big.setBold(true);
    pntime->setFont(big);
    BitBtn3 = new QPushButton(QStringLiteral("Отключить связь"), pnmodem);
    BitBtn3->setObjectName(QStringLiteral("BitBtn3"));
    connect(BitBtn3, &QPushButton::clicked, this, &MainWindow::BitBtn3Click);
    auto* layout = new QVBoxLayout(pnmodem);
    layout->addWidget(label);
    layout->addWidget(pntime);
    layout->addWidget(BitBtn3);
    pnmodem->adjustSize();
    pnmodem->hide();
}

QAction* MainWindow::MenuItem(const QString& name) const { return items_.value(name, nullptr); }

QStringList MainWindow::MenuItemNames() const { return itemOrder_; }

void MainWindow::HideTopMenus() {
    for (QAction* action : topItems_) action->setVisible(false);
}

void MainWindow::PlaceModemPanel() {
    pnmodem->adjustSize();
    pnmodem->move(ClientPanel->width() - pnmodem->width() - ModemPanelRightGap,
                  ClientPanel->height() - pnmodem->height() - ModemPanelBottomGap);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The call panel keeps its place when the client panel changes size
    // (window resized, status bars shown or hidden).
    if (watched == ClientPanel && event->type() == QEvent::Resize && !pnmodem->isHidden()) PlaceModemPanel();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::CommandNotAvailable(QAction* item) {
    ShowMessage(MessageKind::Info, QStringLiteral("Команда пока не реализована"), item->text().trimmed());
}

// ---------------------------------------------------------------------------
// Start-up and end

void MainWindow::FormCreate() {
    ConnectionState& state = Shared();

    // The full stop as decimal separator for every number shown, typed or written.
    QLocale::setDefault(QLocale::c());

    link_ = std::make_unique<ControllerLink>(0);
    link_->StatusPanel = StatusBar1->Panel(PanelExchange);
    link_->SetPump([] { QCoreApplication::processEvents(QEventLoop::AllEvents); });
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

    HideTopMenus();
    ModemLineUp = false;
    pnmodem->hide();
    state.ModemBar = StatusBar3->Panel(0);
    state.LinkInfoBar = StatusBar2->Panel(0);
    StatusBar3->hide();
    StatusBar2->hide();

    const MainSettings& settings = Settings();
    resize(settings.FormWidth, settings.FormHeight);
    move(settings.FormLeft, settings.FormTop);

    // The application-wide Esc watch, in place before the first exchange.
    qApp->installEventFilter(new EscapeFilter(this));

    TimerStart->start();
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    FormShow();
}

void MainWindow::FormShow() {
    // The bar spans the whole window.
    StatusBar1->SetPanelWidth(PanelMessage, width() - StatusBar1Widths[PanelLink] -
                                                StatusBar1Widths[PanelAddress] - MessagePanelSlack);
}

void MainWindow::TimerStartTimer() {
    TimerStart->stop();
    if (ChannelInUse()) {
        // Fired from inside a wait of the running exchange: start once it is over.
        QTimer::singleShot(ChannelRetryMs, this, [this] { TimerStart->start(); });
        return;
    }
    ConnectionState& state = Shared();
    ShowLinkParameters();
    {
        BusyCursor busy;
        state.Connected = false;
        HideTopMenus();
        Disconnect();
    }

    if (!RunConnectionDialog()) {
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
            ModemLineUp = DialController();
            if (!ModemLineUp) return;
        }

        bool read;
        {
            BusyCursor busy;
            read = tables_->ReadTable({IdentTable, 0, IdentFieldCount}, StatusBar1->Panel(PanelMessage), true);
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
        if (record->Address == SearchAddress) record->Address = link_->Address;
        state.Connected = true;

        if (!phone) IdentifyUser();

        if (!CheckTableStates()) {
            state.Connected = false;
            return;
        }
        state.Connected = ReadBasicTables();
    }();

    {
        BusyCursor busy;
        if (!state.Connected) Disconnect();
        UpdateMenus();
    }
    emit ConnectionStartFinished();
}

bool MainWindow::CheckTableStates() {
    // The table state check (table 7, the table state dialog and the writes
    // it offers) belongs here. Until it is part of the program every
    // controller goes on with the basic-table read, as a version-10
    // controller without a destroyed table does.
    return true;
}

bool MainWindow::ReadBasicTables() {
    ConnectionState& state = Shared();
    BusyCursor busy;
    StatusBarPanel* panel = StatusBar1->Panel(PanelMessage);

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
    if (link_->Socket) {
        link_->Socket->close();
        link_->Socket.reset();
    } else if (ModemLineUp) {
        HangUpModem();
        ModemLineUp = false;
    }
    link_->ClosePort();
    Shared().Connected = false;
    TimerMoney->stop();
    pnmodem->hide();
    StatusBar3->hide();
    StatusBar2->hide();
    StatusBar1->SetPanelText(PanelAddress, QString());
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
        StatusBar1->SetPanelText(PanelLink, QString());
        StatusBar1->SetPanelText(PanelAddress, QString());
    } else if (!state.MoistureMeterPresent) {
        hide(NeedMoistureMeter);
    }
    hide(NeverShown);
}

void MainWindow::SaveSettings() {
    WriteMainSettings(MainSettingsPath());
    WriteArchiveQuery(ArchiveQueryPath());
}

void MainWindow::IdentifyUser() {
    ProgramUserDialog form(this);
    if (form.exec() != QDialog::Accepted) return;
    link_->WritePassword = form.Password;
    link_->UserCode = form.Code;
}

bool MainWindow::ChannelInUse() const { return link_->InExchange() || modemDialogues_ > 0; }

void MainWindow::StopChannelUse() {
    link_->AbortFlag = 1;
    escapePending = true;
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (ChannelInUse()) {
        StopChannelUse();
        event->ignore();
        QTimer::singleShot(ChannelRetryMs, this, &QWidget::close);
        return;
    }
    FormClose();
    QMainWindow::closeEvent(event);
}

void MainWindow::FormClose() {
    BusyCursor busy;
    TimerStart->stop();
    Disconnect();
    SaveSettings();
    DeleteTempFiles();
}

// ---------------------------------------------------------------------------
// Commands of the window

void MainWindow::ShowCommandMessage(const QString& text) {
    StatusBar1->SetPanelText(PanelMessage, text);
    TimerMessage->start();
}

StatusBarPanel* MainWindow::MessagePanel() { return StatusBar1->Panel(PanelMessage); }

void MainWindow::StartMessageTimer() { TimerMessage->start(); }

void MainWindow::TimerMessageTimer() {
    TimerMessage->stop();
    StatusBar1->SetPanelText(PanelMessage, QString());
}

void MainWindow::ShowCallDuration() {
    const qint64 seconds = std::max<qint64>(0, CallStart.secsTo(QDateTime::currentDateTime()));
    pntime->setText(QString::asprintf("%02d:%02d:%02d", int(seconds / 3600), int(seconds / 60 % 60),
                                      int(seconds % 60)));
}

void MainWindow::TimerMoneyTimer() { ShowCallDuration(); }

void MainWindow::BitBtn3Click() {
    if (ChannelInUse()) {
        StopChannelUse();
        QTimer::singleShot(ChannelRetryMs, this, &MainWindow::BitBtn3Click);
        return;
    }
    {
        BusyCursor busy;
        HangUpModem();
        ShowCallDuration();
        TimerMoney->stop();
        Shared().Connected = false;
        ModemLineUp = false;
        pnmodem->hide();
        StatusBar3->hide();
        StatusBar2->hide();
        link_->ClosePort();
    }
    UpdateMenus();
}

void MainWindow::NexitClick() { close(); }

void MainWindow::NconnectClick() { TimerStart->start(); }

void MainWindow::NaboutClick() {
    AboutDialog about(this);
    about.exec();
}

void MainWindow::NUserClick() { IdentifyUser(); }

// ---------------------------------------------------------------------------
// Measurement archive reads

void MainWindow::NChrom_Read5minClick() { ReadMeasurementArchive(*this, ArchiveKind::ChromFiveMinute); }
void MainWindow::NChrom_ReadHourClick() { ReadMeasurementArchive(*this, ArchiveKind::ChromHour); }
void MainWindow::NChrom_ReadDayClick() { ReadMeasurementArchive(*this, ArchiveKind::ChromDay); }
void MainWindow::NWmt_Read5minClick() { ReadMeasurementArchive(*this, ArchiveKind::MoistureFiveMinute); }
void MainWindow::NWmt_ReadHourClick() { ReadMeasurementArchive(*this, ArchiveKind::MoistureHour); }
void MainWindow::NWmt_ReadDayClick() { ReadMeasurementArchive(*this, ArchiveKind::MoistureDay); }

// ---------------------------------------------------------------------------
// Measurement files ("Просмотр/Печать из файла")

void MainWindow::NChrom_View5minClick() { ViewMeasurementFile(ArchiveKind::ChromFiveMinute, this); }
void MainWindow::NChrom_ViewHourClick() { ViewMeasurementFile(ArchiveKind::ChromHour, this); }
void MainWindow::NChrom_ViewDayClick() { ViewMeasurementFile(ArchiveKind::ChromDay, this); }
void MainWindow::NWmt_View5minClick() { ViewMeasurementFile(ArchiveKind::MoistureFiveMinute, this); }
void MainWindow::NWmt_ViewHourClick() { ViewMeasurementFile(ArchiveKind::MoistureHour, this); }
void MainWindow::NWmt_ViewDayClick() { ViewMeasurementFile(ArchiveKind::MoistureDay, this); }

void MainWindow::NWmt_MomDataClick() {
    // The momentary window of the moisture meter is not in the program yet.
    if (CheckMoistureMeterLink(*this)) CommandNotAvailable(MenuItem(QStringLiteral("NWmt_MomData")));
}

void MainWindow::NFormateClick() {
    ReportFormatDialog form(CurrentReportFormat(), this);
    if (form.exec() != QDialog::Accepted)
        return;
    WriteReportFormat(ReportFormatPath(), CurrentReportFormat());  // a failure is silent
}

// ---------------------------------------------------------------------------
// Steps carried out by the link units

void MainWindow::ShowLinkParameters() {
    ShowLinkParams(StatusBar1->Panel(PanelLink), StatusBar1->Panel(PanelAddress), StatusBar2->Panel(0));
    StatusBar1->repaint();
}

bool MainWindow::RunConnectionDialog() {
    ConnectHost host;
    host.PortPanel = StatusBar1->Panel(PanelLink);
    host.AddressPanel = StatusBar1->Panel(PanelAddress);
    host.SubscriberPanel = StatusBar2->Panel(0);
    host.Link = link_.get();
    host.ShowSubscriberBars = [this](bool on) {
        StatusBar2->setVisible(on);
        StatusBar3->setVisible(on);
    };
    // ZMK_AUTOCONNECT=1 (demonstrations, screenshots): the dialog presses
    // "Связаться" itself once it is up.
    if (qEnvironmentVariable("ZMK_AUTOCONNECT") == QLatin1String("1")) {
        auto press = std::make_shared<std::function<void(int)>>();
        *press = [this, press](int triesLeft) {
            auto* form = qobject_cast<ConnectDialog*>(QApplication::activeModalWidget());
            if (form != nullptr && form->isVisible() && form->BitBtnConnect->isEnabled()) {
                form->BitBtnConnect->click();
                return;
            }
            if (triesLeft > 0) QTimer::singleShot(AutoConnectPollMs, this, [press, triesLeft] { (*press)(triesLeft - 1); });
        };
        QTimer::singleShot(AutoConnectPollMs, this, [press] { (*press)(AutoConnectPolls); });
    }
    return ConnectDialog::Run(host, this);
}

bool MainWindow::DialController() {
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
                                     &TakeEscapePress, nullptr});
                ++modemDialogues_;
                result = modem.Dial(number, ToCp1251(settings.Command), StatusBar3->Panel(0),
                                    settings.PhoneConnRepeat, settings.PhoneConnectWait);
                --modemDialogues_;
            }
        }
        if (result == DialResult::Connected) {
            CallStart = QDateTime::currentDateTime();
            pntime->setText(QStringLiteral("00:00:00"));
            TimerMoney->start();
            PlaceModemPanel();
            pnmodem->show();
            pnmodem->raise();
            break;
        }
        if (!Ask(MessageKind::Question, DialResultText(result), QStringLiteral("Повторить попытку соединения?"))) break;
    }
    StatusBar3->SetPanelText(0, QString());
    repaint();
    return result == DialResult::Connected;
}

void MainWindow::HangUpModem() {
    if (!link_->PortHandle) return;
    ModemDialogue modem({link_->PortHandle.get(), [] { QCoreApplication::processEvents(); }, {}, nullptr});
    ++modemDialogues_;
    modem.HangUp();
    --modemDialogues_;
}

}  // namespace zmk
