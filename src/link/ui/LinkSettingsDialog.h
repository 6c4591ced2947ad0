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

    // Serial panel (direct and telephone link).
    QWidget* PanelSerial;
    QLabel* LabelPort;
    QComboBox* ComboBoxPort;        // "COM%d", the port number as item data
    QLabel* LabelRate;
    QComboBox* ComboBoxRate;        // the rate list
    QLabel* LabelAnswerWait;
    QLineEdit* EditAnswerWait;      // s, 1..120
    QLabel* LabelByteGap;
    QLineEdit* EditByteGap;         // ms, 55..5000
    QLabel* LabelPreambles;
    QLineEdit* EditPreambles;       // 0..255
    QLabel* LabelAttempts;
    QComboBox* ComboBoxAttempts;    // " 1" .. " 5"
    QCheckBox* CheckBoxClosePort;   // per-request port mode (direct link)
    QLabel* LabelFreeWait;
    QLineEdit* EditFreeWait;        // s, 1..20
    QLabel* LabelFreeWaitUnit;

    // Telephone panel.
    QWidget* PanelPhone;
    QLineEdit* EditCommand;           // at most 200 characters
    QLineEdit* EditPhoneConnectWait;  // s, 1..360
    QLineEdit* EditPhoneConnRepeat;   // 1..10

    // Ethernet panel, in place of the serial panel.
    QWidget* PanelEthernet;
    QGroupBox* GroupConnection;       // "Соединение "Клиент-сервер""
    QLineEdit* EditEthConnectWait;    // s, 1..360
    QLineEdit* EditEthConnRepeat;     // 1..10
    QGroupBox* GroupExchange;         // "Обмен с контроллером"
    QLineEdit* EditEthAnswerWait;     // s, 1..120
    QLineEdit* EditEthPreambles;      // 0..255
    QComboBox* ComboBoxEthAttempts;   // " 1" .. " 5"
    QLineEdit* EditEthByteGap;        // ms, 55..5000

    QPushButton* BitBtnOk;      // "Принять"
    QPushButton* BitBtnExit;    // "Выход"
    QPushButton* BitBtnSearch;  // "Поиск адреса устройства", direct link only

    int Kind() const { return kind_; }

public slots:
    void BitBtnOkClick();
    // Accepts like "Принять", then searches the controller's address with a
    // request to address 255; accepted only when a controller answered.
    void BitBtnSearchClick();
    void CheckBoxClosePortClick(bool checked);

private:
    void FormCreate();
    void FillFields();
    void ApplyCheckBoxRule();
    bool Accept(bool search);
    bool SearchAddress();
    void InputError(QWidget* field, const QString& first, const QString& second = {});
    void RangeError(QWidget* field, const QString& parameter);

    int kind_;
    ControllerLink* link_;
};

}  // namespace zmk
