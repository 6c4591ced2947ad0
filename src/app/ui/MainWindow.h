#pragma once

#include <QDateTime>
#include <QFrame>
#include <QLabel>
#include <QMainWindow>
#include <QMap>
#include <array>
#include <memory>

#include "app/ui/PanelStatusBar.h"
#include "common/StatusBarPanel.h"
#include "common/ui/MessageDialog.h"
#include "link/ControllerLink.h"
#include "tables/TableEngine.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/MessageBoxRetry.h"

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
class MainWindow : public QMainWindow, public CommandHost {
    Q_OBJECT

public:
    static constexpr int TimerStartInterval = 100;     // ms
    static constexpr int TimerMessageInterval = 3000;  // ms
    static constexpr int TimerMoneyInterval = 1000;    // ms

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // --- the menu tree --------------------------------------------------
    // Every item by its name ("N1", "NNewcnf", ...): the action of a leaf,
    // the menu action of a submenu. Null for an unknown name.
    QAction* MenuItem(const QString& name) const;
    // Names of every item, in tree order.
    QStringList MenuItemNames() const;

    // --- window contents ------------------------------------------------
    QWidget* ClientPanel;
    PanelStatusBar* StatusBar1;  // link, address, command messages, "Обмен..."
    PanelStatusBar* StatusBar2;  // the selected subscriber (LinkInfoBar)
    PanelStatusBar* StatusBar3;  // the modem dialogue (ModemBar)
    QFrame* pnmodem;         // telephone-call panel
    QLabel* pntime;          // call duration "%02d:%02d:%02d"
    QPushButton* BitBtn3;    // "Отключить связь"
    QTimer* TimerStart;
    QTimer* TimerMessage;
    QTimer* TimerMoney;

    // --- state held by the window ---------------------------------------
    // A telephone or GSM line to the controller is up.
    bool ModemLineUp = false;
    // When the telephone line came up; the call duration counts from it.
    QDateTime CallStart;

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
    // Puts a command's text on panel 2 of StatusBar1 and starts the timer
    // that clears it.
    void ShowCommandMessage(const QString& text);

signals:
    // The connection start has run to its end (connected or not).
    void ConnectionStartFinished();

public slots:
    void TimerStartTimer();
    void TimerMessageTimer();
    void TimerMoneyTimer();
    void BitBtn3Click();
    void NexitClick();
    void NconnectClick();
    void NaboutClick();
    void NUserClick();
    // The measurement archive reads ("Чтение архива контроллера").
    void NChrom_Read5minClick();
    void NChrom_ReadHourClick();
    void NChrom_ReadDayClick();
    void NWmt_Read5minClick();
    void NWmt_ReadHourClick();
    void NWmt_ReadDayClick();
    // "Мгновенные данные влагомера": the link check first.
    void NWmt_MomDataClick();
    // "Просмотр/Печать из файла" of the six measurement archives.
    void NChrom_View5minClick();
    void NChrom_ViewHourClick();
    void NChrom_ViewDayClick();
    void NWmt_View5minClick();
    void NWmt_ViewHourClick();
    void NWmt_ViewDayClick();
    // The data format dialog; on acceptance "rep_format.ini" is rewritten.
    void NFormateClick();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void FormShow();
    void FormClose();
    void BuildMenus();
    void BuildStatusBars();
    void BuildModemPanel();
    void HideTopMenus();
    void PlaceModemPanel();
    void ShowCallDuration();
    // An item whose command is not in this program yet.
    void CommandNotAvailable(QAction* item);

    // The steps of the connection start that other units carry out, each
    // called from one place only.
    bool RunConnectionDialog();
    void ShowLinkParameters();
    bool DialController();
    void HangUpModem();
    // The table state check of the start-up; false when it ended the connection.
    bool CheckTableStates();
    // True while a request or the modem dialogue is waiting on the channel.
    // Those waits let window events through, so whatever would close the
    // channel (closing the window, "Отключить связь", a new connection start)
    // first asks the running exchange to stop and then comes back later.
    bool ChannelInUse() const;
    void StopChannelUse();

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
bool TakeEscapePress();

}  // namespace zmk
