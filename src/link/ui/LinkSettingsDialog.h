#pragma once

#include <QDialog>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zmk {

class ControllerLink;

// The connection parameter dialog of the current channel kind
// (Settings().ChannelKind): port, rate and timing of the direct or telephone
// link, the modem command and dialling of the telephone link, or the
// connection and exchange parameters of the Ethernet link; on the direct link
// also the search of the controller's address.
//
// It works on a copy: "Принять" checks every field and only then puts all
// values into Settings() at once; exec() returns QDialog::Accepted then. A
// refused field gives a MessageKind 2 message and keeps the dialog open. The
// one exception is the check box "Освобождать порт после каждого сеанса
// связи": it changes Settings().DoClosePort as soon as it is clicked, also
// when the dialog is then left with "Выход". Nothing is written to files here.
class LinkSettingsDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 606;
    static constexpr int DirectHeight = 264;
    static constexpr int OtherHeight = 344;  // telephone and Ethernet
    static constexpr int MaxCommandLength = 200;

    // The link used by the device search; when null, a link object of the
    // search's own.
    explicit LinkSettingsDialog(QWidget* parent = nullptr, ControllerLink* link = nullptr);
    ~LinkSettingsDialog() override;

    // Port numbers of the serial ports present, busy ones included: those
    // that the system lists and those whose number is mapped to a device
    // (SetComPortDevice or the "COM_PORTS" settings) that exists.
    static QList<int> PresentPorts();

    int Kind() const { return kind_; }

private:
    void CreateWidgets();
    void FillFields();
    // Enables the release wait with the port-release box and shows its value.
    void ShowReleaseWait();
    // "Принять": every field checked, then all of them put into Settings().
    void acceptSettings();
    // Accepts like "Принять", then searches the controller's address with a
    // request to address 255; accepted only when a controller answered.
    void acceptAndSearch();
    // The port-release box clicked: in force at once.
    void setPortRelease(bool checked);
    bool StoreFields(bool search);
    bool SearchAddress();
    void InputError(QWidget* field, const QString& first, const QString& second = {});
    void RangeError(QWidget* field, const QString& parameter);

    // Serial panel (direct and telephone link).
    QWidget* serialPanel_;
    QComboBox* portBox_;              // "COM%d", the port number as item data
    QComboBox* rateBox_;              // the rate list
    QLineEdit* answerWaitEdit_;       // s, 1..120
    QLineEdit* byteGapEdit_;          // ms, 55..5000
    QLineEdit* preamblesEdit_;        // 0..255
    QComboBox* attemptsBox_;          // " 1" .. " 5"
    QCheckBox* releasePortCheckBox_;  // per-request port mode (direct link)
    QLabel* releaseWaitLabel_;
    QLineEdit* releaseWaitEdit_;      // s, 1..20
    QLabel* releaseWaitUnit_;

    // Telephone panel.
    QWidget* phonePanel_;
    QLineEdit* modemCommandEdit_;          // at most 200 characters
    QLineEdit* phoneConnectWaitEdit_;      // s, 1..360
    QLineEdit* phoneConnectAttemptsEdit_;  // 1..10

    // Ethernet panel, in place of the serial panel.
    QWidget* ethernetPanel_;
    QGroupBox* connectionGroup_;              // "Соединение "Клиент-сервер""
    QLineEdit* ethernetConnectWaitEdit_;      // s, 1..360
    QLineEdit* ethernetConnectAttemptsEdit_;  // 1..10
    QGroupBox* exchangeGroup_;                // "Обмен с контроллером"
    QLineEdit* ethernetAnswerWaitEdit_;       // s, 1..120
    QLineEdit* ethernetPreamblesEdit_;        // 0..255
    QComboBox* ethernetAttemptsBox_;          // " 1" .. " 5"
    QLineEdit* ethernetByteGapEdit_;          // ms, 55..5000

    QPushButton* acceptButton_;  // "Принять"
    QPushButton* exitButton_;    // "Выход"
    QPushButton* searchButton_;  // "Поиск адреса устройства", direct link only

    int kind_;
    ControllerLink* link_;
};

}  // namespace zmk
