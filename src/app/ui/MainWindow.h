#pragma once

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <array>
#include <memory>

#include "app/ConnectionSummary.h"
#include "app/ui/PanelStatusBar.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "link/ControllerLink.h"
#include "link/ui/EventLoopWaiter.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/MessageBoxRetry.h"
#include "tables/ui/TableStateDialog.h"

class QAction;
class QMenu;
class QPushButton;
class QTimer;

namespace zmk {

// The program's only permanent window: the menu tree through which every
// command is reached, three status bars, the telephone-call panel and the
// timers of the connection start, the status message and the call duration.
// It owns the link object and the configuration image, and runs the start of
// a connection: connection dialog, identification of the controller, the
// reads every connection needs, and the end of it.
class ConnectionSummaryView;

class MainWindow : public QMainWindow, public CommandHost {
    Q_OBJECT

public:
    static constexpr int StartDelayMs = 100;
    static constexpr int CommandMessageMs = 3000;
    static constexpr int CallDurationStepMs = 1000;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- the menu tree --------------------------------------------------
    // Every item by its name ("N1", "NNewcnf", ...): the action of a leaf,
    // the menu action of a submenu. Null for an unknown name.
    QAction* MenuItem(const QString& name) const;
    // Names of every item, in tree order.
    QStringList MenuItemNames() const;

    // --- state held by the window ---------------------------------------
    // A telephone or GSM line to the controller is up.
    bool ModemLineUp() const { return modemLineUp_; }

    ControllerLink& Link() { return *link_; }
    ConfigImage& Image() { return image_; }
    TableEngine& Tables() override { return *tables_; }

    // --- CommandHost ----------------------------------------------------
    QWidget* Window() override { return this; }
    StatusBarPanel* MessagePanel() override;
    void StartMessageTimer() override;

    // --- operations -----------------------------------------------------
    // Menu visibility for the current state (not connected, connected with
    // or without a moisture meter).
    void UpdateMenus();
    // Ends the connection's channel and shows the not-connected bars.
    void Disconnect();
    // The reads every connection needs before the menus open; true when the
    // system parameters, the chromatograph link (and the moisture meter's
    // field) were read.
    bool ReadBasicTables();
    // Writes the changed settings sections and the archive query record.
    void SaveSettings();
    // The program-user identification dialog; on acceptance its password and
    // code become the link's credentials.
    void IdentifyUser();
    // Puts a command's text on the message panel of the link bar and starts
    // the timer that clears it.
    void ShowCommandMessage(const QString& text);

signals:
    // The connection start has run to its end (connected or not).
    void ConnectionStartFinished();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    struct MenuEntry;
    // The whole menu tree, in order, each leaf with what it does.
    static const MenuEntry* MenuTable(int* count);

    // --- what the timers, buttons and menu items do ----------------------
    // The connection start: connection dialog, dialling, identification,
    // table state check and the basic reads.
    void startConnection();
    void clearCommandMessage();
    void updateCallDuration();
    // "Отключить связь" on the call panel.
    void hangUp();
    // "Связь с другим устройством": the connection start again.
    void connectToAnotherDevice();
    void showAbout();
    // "Текущее состояние контроллера": the state window and the table state
    // dialog in turn; a reset of the non-volatile data ends the connection.
    void showControllerState();
    // "Возможность исполнения контроллером его функций": table 8, then its window.
    void showControllerFunctions();
    // The momentary-data windows, each after its link check.
    void showChromatographMomentary();
    void showMoistureMomentary();
    // "Системные параметры": after a write the moisture meter's menus follow table 6.
    void editSystemParams();
    // The data format dialog; on acceptance "rep_format.ini" is rewritten.
    void editReportFormat();
    // An item whose command is not in this program yet.
    void commandNotAvailable(QAction* item);

    void setUp();
    void fitMessagePanel();
    void shutDown();
    void buildMenus();
    void buildStatusBars();
    void buildCallPanel();
    void hideTopMenus();
    void placeCallPanel();
    void showCallDuration();

    // The steps of the connection start that other units carry out, each
    // called from one place only.
    bool runConnectionDialog();
    void showLinkParameters();
    bool dialController();
    void hangUpModem();
    // The link saw the call go (NO CARRIER, carrier detect off): the call
    // time stops at once, the connection ends once no exchange runs.
    void carrierLost();
    void endLostCall();
    // The table state check of the start-up; false when it ended the connection.
    bool checkTableStates();
    // The table state dialog on a selection; the selection comes back with
    // the tables to write marked.
    TableStateAnswer runTableStateDialog(TableSelection& selection, int softwareVersion);
    // The writes offered by the table state dialog.
    bool writeChosenTables(const TableSelection& selection);
    // "Сбросить энергонезависимые данные": function 25; afterwards the link
    // (and the settings of a direct or telephone connection) at address 1
    // and 9600 bit/s. False with the link's status text.
    bool resetMemory(QString& statusText);
    class WriteFollower;
    // True while a request or the modem dialogue is waiting on the channel.
    // Those waits let window events through, so whatever would close the
    // channel (closing the window, "Отключить связь", a new connection start)
    // first asks the running exchange to stop and then comes back later.
    bool channelInUse() const;
    void stopChannelUse();
    // Counts a command (a menu item's, the connection start) while it runs.
    class CommandScope;
    // Closing while a command runs: the command is stopped and the window
    // closes once it has returned.
    void stopCommandForClose();
    // The connection summary of the client area, from the state as it is now.
    void refreshSummary();

    // Window contents; object names for tests in brackets.
    QWidget* clientArea_;          // ("clientArea") above the status bars
    PanelStatusBar* linkBar_;      // ("linkBar") link, address, command messages, "Обмен..."
    PanelStatusBar* subscriberBar_;  // ("subscriberBar") the selected subscriber
    PanelStatusBar* modemBar_;     // ("modemBar") the modem dialogue
    QFrame* callPanel_;            // ("callPanel") telephone call
    QLabel* callDuration_;         // ("callDuration") "%02d:%02d:%02d"
    QPushButton* hangUpButton_;    // ("hangUpButton") "Отключить связь"
    ConnectionSummaryView* summary_;  // ("connectionSummary") the controller and the link, or "Нет связи"
    QTimer* startTimer_;           // ("startTimer") runs the connection start
    QTimer* messageTimer_;         // ("messageTimer") clears the command message
    QTimer* callTimer_;            // ("callTimer") steps the call duration

    bool modemLineUp_ = false;
    int commandsRunning_ = 0;
    QDateTime connectedSince_;
    ExchangeHistory exchanges_;  // of the current connection
    // Between the link and the panel of "Обмен...": notes the outcome of
    // every exchange the link clears the panel after.
    class ExchangePanel;
    std::unique_ptr<ExchangePanel> exchangePanel_;
    // When the telephone line came up; the call duration counts from it.
    QDateTime callStart_;

    // The waits of the link and the modem dialogue run the window's events;
    // Esc and stopChannelUse() wake them.
    EventLoopWaiter waiter_;
    std::unique_ptr<ControllerLink> link_;
    int modemDialogues_ = 0;  // modem dialogues running on the port
    ConfigImage image_;
    MessageBoxRetry retry_;
    std::unique_ptr<TableEngine> tables_;
    QMap<QString, QAction*> items_;
    QStringList itemOrder_;
    QList<QAction*> topItems_;
};

// Set while a key-down of Esc was seen by the main window's application-wide
// filter and not yet taken; the modem dialogue takes it between its reads.
// The filter also wakes the window's waits, so that it is taken at once.
bool TakeEscapePress();

}  // namespace zmk
