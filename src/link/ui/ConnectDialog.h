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
//     ConnectHost host{portPanel, addressPanel, [this](bool on) { ... }};
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
    static constexpr int MaxAbonentCount = 200;
    // Pause after opening the serial port, before the first request.
    static constexpr int PortSettleMs = 300;

    explicit ConnectDialog(const ConnectHost& host, QWidget* parent = nullptr);
    ~ConnectDialog() override;

    // Shows the dialog modally; true when a channel was set up.
    static bool Run(const ConnectHost& host, QWidget* parent = nullptr);

    // True after a successful "Связаться" (also the dialog's result then).
    bool Connected() const { return connected_; }

    QLabel* LabelKind;
    QComboBox* ComboBoxKind;       // "Тип связи"
    QLabel* LabelAddress;
    QComboBox* ComboBoxAddress;    // "Адрес устройства", editable "1".."255"
    QWidget* PanelAbonent;         // telephone and Ethernet only
    QLabel* LabelAbonent;
    QComboBox* ComboBoxAbonent;    // subscriber names, then "Новый абонент" below 200
    QPushButton* BitBtnList;       // "Список абонентов"
    QPushButton* BitBtnConnect;    // "Связаться"
    QPushButton* BitBtnParams;     // "Изменить параметры связи"
    QPushButton* BitBtnExit;       // "Выход"

    // Whether the "Новый абонент" item is offered now.
    bool OffersNewAbonent() const;

public slots:
    void FormShow();
    // The kind list's item became the current channel kind.
    void ComboBoxKindChange(int index);
    // A subscriber (or "Новый абонент") chosen in the subscriber list.
    void ComboBoxAbonentChange(int index);
    void BitBtnListClick();
    void BitBtnParamsClick();
    void BitBtnConnectClick();

private:
    void FormCreate();
    void SetAddress(int address);
    void FillAbonents();
    bool NewAbonentSelected() const;
    bool SerialConnect(int address);
    bool TcpConnect(int address);
    void WriteListFile();
    void ShowLinkParams();
    void ShowBars(bool on);

    ConnectHost host_;
    bool connected_ = false;
    bool busy_ = false;
};

}  // namespace zmk
