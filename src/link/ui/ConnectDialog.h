#pragma once

#include <QDialog>
#include <functional>

class QComboBox;
class QLabel;
class QPushButton;
class QWidget;

namespace zmk {

class ControllerLink;
class StatusBarPanel;

// What the connection dialog needs of the main window.
struct ConnectHost {
    StatusBarPanel* PortPanel = nullptr;     // link bar panel 0: port and rate
    StatusBarPanel* AddressPanel = nullptr;  // link bar panel 1: controller address
    StatusBarPanel* SubscriberPanel = nullptr;  // the subscriber bar
    // Shows (true) or hides (false) the subscriber bar and the modem bar;
    // may be empty.
    std::function<void(bool)> ShowSubscriberBars;
    // The link object whose channel "Связаться" sets up.
    ControllerLink* Link = nullptr;
};

// The connection dialog "Установка связи с устройством": the kind of link,
// the controller address and, for the telephone and Ethernet links, the
// subscriber; "Связаться" sets up the channel on the link object
// of the host (serial port opened unless the direct link releases the port
// after each request, TCP connection made) and closes the dialog accepted.
// The settings (Settings(), Subscribers()) are edited in place and their
// files rewritten when changed.
//
// Use from the main window's connection start:
//
//     ConnectHost host{portPanel, addressPanel, subscriberPanel, [this](bool on) { ... }, link};
//     const bool connected = ConnectDialog::Run(host, this);
//
// On the telephone link "Связаться" only opens the modem's port; dialling
// is the caller's next step.
class ConnectDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 440;
    static constexpr int DirectHeight = 194;
    static constexpr int SubscriberHeight = 266;
    static constexpr int MaxSubscriberCount = 200;
    // Pause after opening the serial port, before the first request.
    static constexpr int PortSettleMs = 300;

    explicit ConnectDialog(const ConnectHost& host, QWidget* parent = nullptr);
    ~ConnectDialog() override;

    // Shows the dialog modally; true when a channel was set up.
    static bool Run(const ConnectHost& host, QWidget* parent = nullptr);

    // True after a successful "Связаться" (also the dialog's result then).
    bool Connected() const { return connected_; }

    // Whether the "Новый абонент" item is offered now.
    bool OffersNewSubscriber() const;

private:
    void CreateWidgets();
    // Chooses the channel kind of the settings, when it is a known one.
    void LayOut(int height);
    void SelectSavedKind();
    // The kind list's item became the current channel kind.
    void chooseKind(int index);
    // A subscriber (or "Новый абонент") chosen in the subscriber list.
    void chooseSubscriber(int index);
    void editSubscriberList();
    void editLinkSettings();
    void connectToController();

    void ShowAddress(int address);
    void FillSubscribers();
    bool NewAbonentSelected() const;
    bool SerialConnect(int address);
    bool TcpConnect(int address);
    void WriteListFile();
    void ShowLinkParams();
    void ShowBars(bool on);

    QLabel* kindLabel_;
    QComboBox* kindBox_;                 // "Тип связи"
    QLabel* addressLabel_;
    QComboBox* addressBox_;              // "Адрес устройства", editable "1".."255"
    QWidget* subscriberPanel_;           // telephone and Ethernet only
    QLabel* subscriberLabel_;
    QComboBox* subscriberBox_;           // subscriber names, then "Новый абонент" below 200
    QPushButton* subscriberListButton_;  // "Список абонентов"
    QPushButton* connectButton_;         // "Связаться"
    QPushButton* linkSettingsButton_;    // "Изменить параметры связи"
    QPushButton* exitButton_;            // "Выход"

    ConnectHost host_;
    bool connected_ = false;
    bool busy_ = false;
};

}  // namespace zmk
