#include "link/ui/LinkSettingsDialog.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSerialPortInfo>
#include <QSet>
#include <memory>

#include "settings/MainSettings.h"
#include "common/ui/NumericKeyFilter.h"
#include "common/ui/MessageDialog.h"
#include "link/SerialChannel.h"
#include "link/ControllerLink.h"
#include "link/BaudRates.h"
#include "link/LinkSetup.h"
#include "common/MessageKind.h"

namespace zmk {

namespace {

constexpr int kMaxPortNo = 255;
constexpr int kMaxAttempts = 5;
constexpr int kMaxPreambles = 255;
constexpr int kMinAnswerWait = 1, kMaxAnswerWait = 120;
constexpr int kMinByteGap = 55, kMaxByteGap = 5000;
constexpr int kMinFreeWait = 1, kMaxFreeWait = 20;
constexpr int kMinConnectWait = 1, kMaxConnectWait = 360;
constexpr int kMinConnRepeat = 1, kMaxConnRepeat = 10;
constexpr int kDigits = 3;
constexpr int kByteGapDigits = 4;
// Function code and body of the read of table 0, field 0 (one field).
constexpr uint8_t kReadCode = 1;
constexpr uint8_t kSearchBody[3] = {0, 0, 1};
constexpr uint8_t kSearchAddress = 255;

// Layout, in pixels.
constexpr int kMargin = 8;
constexpr int kRowHeight = 24;
constexpr int kLabelHeight = 36;  // two-line labels
// The label columns are wide enough for their texts in a desktop's usual
// font (DejaVu Sans); the units sit close to their fields.
constexpr int kLeftLabelX = 8, kLeftLabelW = 168, kLeftFieldX = 180;
constexpr int kRightLabelX = 330, kRightLabelW = 190, kRightFieldX = 524;
constexpr int kComboW = 100, kEditW = 56, kUnitW = 20, kRateUnitW = 40, kUnitGap = 4;
// Inside the Ethernet groups (8 pixels in) the right column starts a little
// further left.
constexpr int kGroupRightLabelX = 306, kGroupRightLabelW = 190;
constexpr int kGroupRightFieldX = kGroupRightLabelX + kGroupRightLabelW + 4;
constexpr int kSerialPanelHeight = 200;
constexpr int kPhonePanelHeight = 80;
constexpr int kButtonW = 110, kSearchButtonW = 190, kButtonH = 30, kButtonBottom = 12;

const QString kNotAll = QStringLiteral("Введены не все параметры");
const QString kOutOfRange = QStringLiteral("Параметр вне допустимого диапазона");
const QString kPreamblesName = QStringLiteral("Количество преамбул в запросе");
const QString kAnswerWaitName = QStringLiteral("Время ожидания первого байта ответа");
const QString kByteGapName = QStringLiteral("Время ожидания следующих байтов ответа");
const QString kFreeWaitName = QStringLiteral("Время ожидания освобождения СОМ порта");
const QString kConnectWaitName = QStringLiteral("Ожидание соединения");
const QString kConnRepeatName = QStringLiteral("Количество попыток соединения");

QLabel* MakeLabel(QWidget* parent, const QString& text, int x, int y, int w, int h = kRowHeight) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(x, y, w, h);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, int maxLength, int x, int y) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(maxLength);
    NumericKeyFilter::Install(edit, NumericKeyFilter::Integer);
    edit->setGeometry(x, y, kEditW, kRowHeight);
    return edit;
}

QComboBox* MakeAttempts(QWidget* parent, int x, int y) {
    auto* combo = new QComboBox(parent);
    for (int i = 1; i <= kMaxAttempts; ++i)
        combo->addItem(QStringLiteral(" %1").arg(i));
    combo->setGeometry(x, y, kEditW + 10, kRowHeight);
    return combo;
}

// A whole number of digits only; false for an empty text or anything else
// (the key filter lets '%' and '\'' through, and pasted text is not filtered).
bool ParseDigits(const QString& text, int& value) {
    if (text.isEmpty() || text.size() > 9) return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9') return false;
    }
    value = text.toInt();
    return true;
}

bool InRange(const QString& text, int low, int high, int& value) {
    return ParseDigits(text, value) && value >= low && value <= high;
}

// The device a port number opens by default, without a mapping.
bool IsMapped(int portNo) {
#ifdef Q_OS_WIN
    return ComPortDevice(portNo) != QStringLiteral("COM%1").arg(portNo);
#else
    return ComPortDevice(portNo) != QStringLiteral("/dev/ttyS%1").arg(portNo - 1);
#endif
}

}  // namespace

QList<int> LinkSettingsDialog::PresentPorts() {
    QSet<QString> listed;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        listed.insert(info.systemLocation());
        listed.insert(info.portName());
    }
    const QMap<int, QString>& fromSettings = Settings().PortDevices;
    QList<int> ports;
    for (int n = 1; n <= kMaxPortNo; ++n) {
        const QString device = ComPortDevice(n);
        // A mapped device (a pseudo-terminal, an adapter's own name) need not be
        // known to the system's port list: that it exists is enough.
        bool present = listed.contains(device) || (IsMapped(n) && QFileInfo::exists(device));
        const QString configured = fromSettings.value(n);
        if (!present && !configured.isEmpty())
            present = listed.contains(configured) || QFileInfo::exists(configured);
        if (present) ports.append(n);
    }
    return ports;
}

LinkSettingsDialog::LinkSettingsDialog(QWidget* parent, ControllerLink* link)
    : QDialog(parent), kind_(Settings().ChannelKind), link_(link) {
    CreateWidgets();
    FillFields();
}

LinkSettingsDialog::~LinkSettingsDialog() = default;

void LinkSettingsDialog::CreateWidgets() {
    const bool ethernet = kind_ == ChannelEthernet;
    const bool phone = kind_ == ChannelPhone;
    const int height = (kind_ == ChannelDirect) ? DirectHeight : OtherHeight;
    if (phone)
        setWindowTitle(QStringLiteral("Параметры связи с устройством (связь по телефону)"));
    else if (ethernet)
        setWindowTitle(QStringLiteral("Параметры связи с устройством (Ethernet-интерфейс)"));
    else
        setWindowTitle(QStringLiteral("Параметры связи с устройством (непосредственная связь)"));
    setFixedSize(FormWidth, height);

    // Serial panel: port, rate, attempts and the port mode on the left, the
    // timing on the right.
    serialPanel_ = new QWidget(this);
    serialPanel_->setObjectName(QStringLiteral("serialPanel"));
    serialPanel_->setGeometry(0, 0, FormWidth, kSerialPanelHeight);
    const int row1 = 12, row2 = 56, row3 = 100, row4 = 144;
    MakeLabel(serialPanel_, QStringLiteral("Порт подключения"), kLeftLabelX, row1, kLeftLabelW);
    portBox_ = new QComboBox(serialPanel_);
    portBox_->setObjectName(QStringLiteral("portBox"));
    portBox_->setGeometry(kLeftFieldX, row1, kComboW, kRowHeight);
    MakeLabel(serialPanel_, QStringLiteral("Скорость обмена"), kLeftLabelX, row2, kLeftLabelW);
    rateBox_ = new QComboBox(serialPanel_);
    rateBox_->setObjectName(QStringLiteral("rateBox"));
    rateBox_->setGeometry(kLeftFieldX, row2, kComboW, kRowHeight);
    MakeLabel(serialPanel_, QStringLiteral("бит/с"), kLeftFieldX + kComboW + kUnitGap, row2, kRateUnitW);
    MakeLabel(serialPanel_, QStringLiteral("Кол. попыток обмена"), kLeftLabelX, row3, kLeftLabelW);
    attemptsBox_ = MakeAttempts(serialPanel_, kLeftFieldX, row3);
    attemptsBox_->setObjectName(QStringLiteral("attemptsBox"));
    releasePortCheckBox_ =
        new QCheckBox(QStringLiteral("Освобождать порт после\nкаждого сеанса связи"), serialPanel_);
    releasePortCheckBox_->setObjectName(QStringLiteral("releasePortCheckBox"));
    releasePortCheckBox_->setGeometry(kLeftLabelX, row4, 260, kLabelHeight + 4);

    MakeLabel(serialPanel_, QStringLiteral("Время ожидания первого\nбайта ответа (1...120)"),
              kRightLabelX, row1 - 6, kRightLabelW, kLabelHeight);
    answerWaitEdit_ = MakeEdit(serialPanel_, kDigits, kRightFieldX, row1);
    answerWaitEdit_->setObjectName(QStringLiteral("answerWaitEdit"));
    MakeLabel(serialPanel_, QStringLiteral("c"), kRightFieldX + kEditW + kUnitGap, row1, kUnitW);
    MakeLabel(serialPanel_, QStringLiteral("Время ожидания след.\nбайтов ответа (55...5000)"),
              kRightLabelX, row2 - 6, kRightLabelW, kLabelHeight);
    byteGapEdit_ = MakeEdit(serialPanel_, kByteGapDigits, kRightFieldX, row2);
    byteGapEdit_->setObjectName(QStringLiteral("byteGapEdit"));
    MakeLabel(serialPanel_, QStringLiteral("мс"), kRightFieldX + kEditW + kUnitGap, row2, kUnitW);
    MakeLabel(serialPanel_, QStringLiteral("Количество преамбул\nв запросе (0...255)"),
              kRightLabelX, row3 - 6, kRightLabelW, kLabelHeight);
    preamblesEdit_ = MakeEdit(serialPanel_, kDigits, kRightFieldX, row3);
    preamblesEdit_->setObjectName(QStringLiteral("preamblesEdit"));
    releaseWaitLabel_ = MakeLabel(serialPanel_, QStringLiteral("Время ожидания\nосвобождения СОМ порта\n (1...20)"),
                                  kRightLabelX, row4 - 8, kRightLabelW, 52);
    releaseWaitLabel_->setObjectName(QStringLiteral("releaseWaitLabel"));
    releaseWaitEdit_ = MakeEdit(serialPanel_, kDigits, kRightFieldX, row4);
    releaseWaitEdit_->setObjectName(QStringLiteral("releaseWaitEdit"));
    releaseWaitUnit_ = MakeLabel(serialPanel_, QStringLiteral("c"), kRightFieldX + kEditW + kUnitGap, row4, kUnitW);
    releaseWaitUnit_->setObjectName(QStringLiteral("releaseWaitUnit"));

    // Telephone panel, under the serial panel.
    phonePanel_ = new QWidget(this);
    phonePanel_->setObjectName(QStringLiteral("phonePanel"));
    phonePanel_->setGeometry(0, kSerialPanelHeight, FormWidth, kPhonePanelHeight);
    MakeLabel(phonePanel_, QStringLiteral("Команда модему"), kLeftLabelX, 4, kLeftLabelW);
    modemCommandEdit_ = new QLineEdit(phonePanel_);
    modemCommandEdit_->setObjectName(QStringLiteral("modemCommandEdit"));
    modemCommandEdit_->setMaxLength(MaxCommandLength);
    modemCommandEdit_->setGeometry(kLeftFieldX, 4, FormWidth - kLeftFieldX - kMargin, kRowHeight);
    MakeLabel(phonePanel_, QStringLiteral("Ожидание соединения\n(1...360)"), kLeftLabelX, 36, kLeftLabelW,
              kLabelHeight);
    phoneConnectWaitEdit_ = MakeEdit(phonePanel_, kDigits, kLeftFieldX, 42);
    phoneConnectWaitEdit_->setObjectName(QStringLiteral("phoneConnectWaitEdit"));
    MakeLabel(phonePanel_, QStringLiteral("c"), kLeftFieldX + kEditW + kUnitGap, 42, kUnitW);
    MakeLabel(phonePanel_, QStringLiteral("Кол. попыток соединения\n(1...10)"), kRightLabelX, 36, kRightLabelW,
              kLabelHeight);
    phoneConnectAttemptsEdit_ = MakeEdit(phonePanel_, kDigits, kRightFieldX, 42);
    phoneConnectAttemptsEdit_->setObjectName(QStringLiteral("phoneConnectAttemptsEdit"));

    // Ethernet panel, in place of the serial panel.
    ethernetPanel_ = new QWidget(this);
    ethernetPanel_->setObjectName(QStringLiteral("ethernetPanel"));
    ethernetPanel_->setGeometry(0, 0, FormWidth, OtherHeight - kButtonH - 2 * kButtonBottom);
    connectionGroup_ = new QGroupBox(QStringLiteral("Соединение \"Клиент-сервер\""), ethernetPanel_);
    connectionGroup_->setObjectName(QStringLiteral("connectionGroup"));
    connectionGroup_->setGeometry(kMargin, 8, FormWidth - 2 * kMargin, 76);
    MakeLabel(connectionGroup_, QStringLiteral("Время ожидания\nсоединения(1...360)"), kLeftLabelX, 26,
              kLeftLabelW, kLabelHeight);
    ethernetConnectWaitEdit_ = MakeEdit(connectionGroup_, kDigits, kLeftFieldX, 32);
    ethernetConnectWaitEdit_->setObjectName(QStringLiteral("ethernetConnectWaitEdit"));
    MakeLabel(connectionGroup_, QStringLiteral("c"), kLeftFieldX + kEditW + kUnitGap, 32, kUnitW);
    MakeLabel(connectionGroup_, QStringLiteral("Кол. попыток соединения\n(1...10)"), kGroupRightLabelX, 26,
              kGroupRightLabelW, kLabelHeight);
    ethernetConnectAttemptsEdit_ = MakeEdit(connectionGroup_, kDigits, kGroupRightFieldX, 32);
    ethernetConnectAttemptsEdit_->setObjectName(QStringLiteral("ethernetConnectAttemptsEdit"));

    exchangeGroup_ = new QGroupBox(QStringLiteral("Обмен с контроллером"), ethernetPanel_);
    exchangeGroup_->setObjectName(QStringLiteral("exchangeGroup"));
    exchangeGroup_->setGeometry(kMargin, 92, FormWidth - 2 * kMargin, 170);
    MakeLabel(exchangeGroup_, QStringLiteral("Время ожидания первого\nбайта ответа (1...120)"), kLeftLabelX, 26,
              kLeftLabelW, kLabelHeight);
    ethernetAnswerWaitEdit_ = MakeEdit(exchangeGroup_, kDigits, kLeftFieldX, 32);
    ethernetAnswerWaitEdit_->setObjectName(QStringLiteral("ethernetAnswerWaitEdit"));
    MakeLabel(exchangeGroup_, QStringLiteral("c"), kLeftFieldX + kEditW + kUnitGap, 32, kUnitW);
    MakeLabel(exchangeGroup_, QStringLiteral("Количество преамбул\nв запросе (0...255)"), kLeftLabelX, 76,
              kLeftLabelW, kLabelHeight);
    ethernetPreamblesEdit_ = MakeEdit(exchangeGroup_, kDigits, kLeftFieldX, 82);
    ethernetPreamblesEdit_->setObjectName(QStringLiteral("ethernetPreamblesEdit"));
    MakeLabel(exchangeGroup_, QStringLiteral("Кол. попыток обмена"), kLeftLabelX, 126, kLeftLabelW);
    ethernetAttemptsBox_ = MakeAttempts(exchangeGroup_, kLeftFieldX, 126);
    ethernetAttemptsBox_->setObjectName(QStringLiteral("ethernetAttemptsBox"));
    MakeLabel(exchangeGroup_, QStringLiteral("Время ожидания следующих\nбайтов ответа (55...5000)"),
              kGroupRightLabelX, 26, kGroupRightLabelW, kLabelHeight);
    ethernetByteGapEdit_ = MakeEdit(exchangeGroup_, kByteGapDigits, kGroupRightFieldX, 32);
    ethernetByteGapEdit_->setObjectName(QStringLiteral("ethernetByteGapEdit"));
    MakeLabel(exchangeGroup_, QStringLiteral("мс"), kGroupRightFieldX + kEditW + kUnitGap, 32, kUnitW);

    // Buttons.
    const int buttonTop = height - kButtonH - kButtonBottom;
    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    acceptButton_->setGeometry(kMargin + 8, buttonTop, kButtonW, kButtonH);
    acceptButton_->setDefault(true);
    searchButton_ = new QPushButton(QStringLiteral("Поиск адреса устройства"), this);
    searchButton_->setObjectName(QStringLiteral("searchButton"));
    searchButton_->setGeometry((FormWidth - kSearchButtonW) / 2, buttonTop, kSearchButtonW, kButtonH);
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    exitButton_->setGeometry(FormWidth - kMargin - 8 - kButtonW, buttonTop, kButtonW, kButtonH);

    serialPanel_->setVisible(!ethernet);
    phonePanel_->setVisible(phone);
    ethernetPanel_->setVisible(ethernet);
    searchButton_->setVisible(kind_ == ChannelDirect);

    connect(acceptButton_, &QPushButton::clicked, this, &LinkSettingsDialog::acceptSettings);
    connect(searchButton_, &QPushButton::clicked, this, &LinkSettingsDialog::acceptAndSearch);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(releasePortCheckBox_, &QCheckBox::clicked, this, &LinkSettingsDialog::setPortRelease);
}

void LinkSettingsDialog::FillFields() {
    const MainSettings& settings = Settings();
    if (kind_ == ChannelEthernet) {
        const ChannelParams& r = settings.Ethernet;
        ethernetConnectWaitEdit_->setText(QString::number(settings.EthernetConnectWait));
        ethernetConnectAttemptsEdit_->setText(QString::number(settings.EthernetConnRepeat));
        ethernetAnswerWaitEdit_->setText(QString::number(r.AnswerWaitS));
        ethernetByteGapEdit_->setText(QString::number(r.ByteGapMs));
        ethernetPreamblesEdit_->setText(QString::number(r.Preambles));
        ethernetAttemptsBox_->setCurrentIndex(r.Attempts >= 1 && r.Attempts <= kMaxAttempts ? r.Attempts - 1 : -1);
        ethernetConnectWaitEdit_->setFocus();
        return;
    }

    const ChannelParams& r = kind_ == ChannelPhone ? settings.Phone : settings.Direct;
    for (int n : PresentPorts()) {
        portBox_->addItem(QStringLiteral("COM%1").arg(n), n);
        portBox_->setItemData(portBox_->count() - 1, ComPortDevice(n), Qt::ToolTipRole);
    }
    portBox_->setCurrentIndex(portBox_->findData(int(r.Port)));
    for (int32_t rate : RateList)
        rateBox_->addItem(QString::number(rate));
    rateBox_->setCurrentIndex(RateIndex(r.Rate));
    answerWaitEdit_->setText(QString::number(r.AnswerWaitS));
    byteGapEdit_->setText(QString::number(r.ByteGapMs));
    preamblesEdit_->setText(QString::number(r.Preambles));
    attemptsBox_->setCurrentIndex(r.Attempts >= 1 && r.Attempts <= kMaxAttempts ? r.Attempts - 1 : -1);

    if (kind_ == ChannelPhone) {
        modemCommandEdit_->setText(settings.Command);
        phoneConnectWaitEdit_->setText(QString::number(settings.PhoneConnectWait));
        phoneConnectAttemptsEdit_->setText(QString::number(settings.PhoneConnRepeat));
        releasePortCheckBox_->setChecked(false);
        releasePortCheckBox_->setEnabled(false);
        releaseWaitLabel_->setEnabled(false);
        releaseWaitEdit_->setEnabled(false);
        releaseWaitUnit_->setEnabled(false);
        releaseWaitEdit_->clear();
    } else {
        releasePortCheckBox_->setChecked(settings.DoClosePort);
        ShowReleaseWait();
    }
    portBox_->setFocus();
}

void LinkSettingsDialog::ShowReleaseWait() {
    const bool on = releasePortCheckBox_->isChecked();
    releaseWaitLabel_->setEnabled(on);
    releaseWaitEdit_->setEnabled(on);
    releaseWaitUnit_->setEnabled(on);
    if (on)
        releaseWaitEdit_->setText(QString::number(Settings().FreePortWait));
    else
        releaseWaitEdit_->clear();
}

void LinkSettingsDialog::setPortRelease(bool checked) {
    // The port mode takes effect at once, whatever becomes of the dialog.
    Settings().DoClosePort = checked;
    ShowReleaseWait();
}

void LinkSettingsDialog::InputError(QWidget* field, const QString& first, const QString& second) {
    ShowMessage(MessageKind::InputError, first, second);
    if (field != nullptr && field->isEnabled()) field->setFocus();
}

void LinkSettingsDialog::RangeError(QWidget* field, const QString& parameter) {
    InputError(field, parameter, kOutOfRange);
}

void LinkSettingsDialog::acceptSettings() {
    if (StoreFields(false)) accept();
}

void LinkSettingsDialog::acceptAndSearch() {
    if (StoreFields(true)) accept();
}

bool LinkSettingsDialog::StoreFields(bool search) {
    MainSettings copy = Settings();
    int value = 0;

    if (kind_ == ChannelDirect || kind_ == ChannelPhone) {
        if (portBox_->currentIndex() < 0 || rateBox_->currentIndex() < 0 ||
            attemptsBox_->currentIndex() < 0 || answerWaitEdit_->text().isEmpty() ||
            byteGapEdit_->text().isEmpty() || preamblesEdit_->text().isEmpty()) {
            InputError(nullptr, kNotAll);
            return false;
        }
        ChannelParams record = kind_ == ChannelPhone ? copy.Phone : copy.Direct;
        record.Port = uint8_t(portBox_->currentData().toInt());
        record.Attempts = uint8_t(attemptsBox_->currentIndex() + 1);
        if (!InRange(preamblesEdit_->text(), 0, kMaxPreambles, value)) {
            RangeError(preamblesEdit_, kPreamblesName);
            return false;
        }
        record.Preambles = uint8_t(value);
        record.Rate = RateAt(rateBox_->currentIndex());
        if (!InRange(answerWaitEdit_->text(), kMinAnswerWait, kMaxAnswerWait, value)) {
            RangeError(answerWaitEdit_, kAnswerWaitName);
            return false;
        }
        record.AnswerWaitS = value;
        if (!InRange(byteGapEdit_->text(), kMinByteGap, kMaxByteGap, value)) {
            RangeError(byteGapEdit_, kByteGapName);
            return false;
        }
        record.ByteGapMs = value;

        if (kind_ == ChannelDirect) {
            if (releasePortCheckBox_->isChecked()) {
                if (releaseWaitEdit_->text().isEmpty()) {
                    InputError(releaseWaitEdit_, kNotAll);
                    return false;
                }
                if (!InRange(releaseWaitEdit_->text(), kMinFreeWait, kMaxFreeWait, value)) {
                    RangeError(releaseWaitEdit_, kFreeWaitName);
                    return false;
                }
                copy.FreePortWait = value;
            }
            copy.Direct = record;
        } else {
            copy.Phone = record;
            copy.Command = modemCommandEdit_->text().left(MaxCommandLength);
            // An empty or non-numeric entry counts as out of range.
            if (!InRange(phoneConnectWaitEdit_->text(), kMinConnectWait, kMaxConnectWait, value)) {
                RangeError(phoneConnectWaitEdit_, kConnectWaitName);
                return false;
            }
            copy.PhoneConnectWait = value;
            if (!InRange(phoneConnectAttemptsEdit_->text(), kMinConnRepeat, kMaxConnRepeat, value)) {
                RangeError(phoneConnectAttemptsEdit_, kConnRepeatName);
                return false;
            }
            copy.PhoneConnRepeat = value;
        }
    } else if (kind_ == ChannelEthernet) {
        if (ethernetAttemptsBox_->currentIndex() < 0 || ethernetConnectWaitEdit_->text().isEmpty() ||
            ethernetConnectAttemptsEdit_->text().isEmpty() || ethernetAnswerWaitEdit_->text().isEmpty() ||
            ethernetByteGapEdit_->text().isEmpty() || ethernetPreamblesEdit_->text().isEmpty()) {
            InputError(nullptr, kNotAll);
            return false;
        }
        ChannelParams record = copy.Ethernet;
        record.Attempts = uint8_t(ethernetAttemptsBox_->currentIndex() + 1);
        if (!InRange(ethernetPreamblesEdit_->text(), 0, kMaxPreambles, value)) {
            RangeError(ethernetPreamblesEdit_, kPreamblesName);
            return false;
        }
        record.Preambles = uint8_t(value);
        if (!InRange(ethernetAnswerWaitEdit_->text(), kMinAnswerWait, kMaxAnswerWait, value)) {
            RangeError(ethernetAnswerWaitEdit_, kAnswerWaitName);
            return false;
        }
        record.AnswerWaitS = value;
        if (!InRange(ethernetByteGapEdit_->text(), kMinByteGap, kMaxByteGap, value)) {
            RangeError(ethernetByteGapEdit_, kByteGapName);
            return false;
        }
        record.ByteGapMs = value;
        copy.Ethernet = record;
        if (!InRange(ethernetConnectWaitEdit_->text(), kMinConnectWait, kMaxConnectWait, value)) {
            RangeError(ethernetConnectWaitEdit_, kConnectWaitName);
            return false;
        }
        copy.EthernetConnectWait = value;
        if (!InRange(ethernetConnectAttemptsEdit_->text(), kMinConnRepeat, kMaxConnRepeat, value)) {
            RangeError(ethernetConnectAttemptsEdit_, kConnRepeatName);
            return false;
        }
        copy.EthernetConnRepeat = value;
    } else {
        // An unknown channel kind (a hand-edited file) has nothing to edit.
        InputError(nullptr, kNotAll);
        return false;
    }

    // The port mode may have been clicked meanwhile: it is already in force.
    copy.DoClosePort = Settings().DoClosePort;
    Settings() = copy;

    if (search && kind_ == ChannelDirect) return SearchAddress();
    return true;
}

bool LinkSettingsDialog::SearchAddress() {
    searchButton_->setEnabled(false);
    exitButton_->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = [this] {
        QApplication::restoreOverrideCursor();
        searchButton_->setEnabled(true);
        exitButton_->setEnabled(true);
    };

    std::unique_ptr<ControllerLink> own;
    ControllerLink* link = link_;
    if (link == nullptr) {
        own = std::make_unique<ControllerLink>(kSearchAddress);
        link = own.get();
    }
    // The direct link of the settings, asking address 255, with the port
    // kept open for the one request.
    MainSettings search = Settings();
    search.Direct.Address = kSearchAddress;
    search.DoClosePort = false;
    if (!OpenLink(*link, ChannelDirect, search)) {
        restore();
        ShowMessage(MessageKind::Info, QStringLiteral("Коммуникационный порт СОМ%1 недоступен").arg(search.Direct.Port),
                    QString());
        return false;
    }
    const bool found = link->SendRequest(kReadCode, kSearchBody, int32_t(sizeof kSearchBody));
    link->ClosePort();
    restore();
    if (!found) {
        ShowMessage(MessageKind::ExchangeResult, QStringLiteral("Устройство не обнаружено"), QString());
        return false;
    }
    Settings().Direct.Address = link->Address;
    ShowMessage(MessageKind::ExchangeResult, QStringLiteral("Адрес устройства установлен"),
                QStringLiteral("(адрес = %1).").arg(link->Address));
    return true;
}

}  // namespace zmk
