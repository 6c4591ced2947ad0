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
constexpr int kLeftLabelX = 8, kLeftLabelW = 130, kLeftFieldX = 142;
constexpr int kRightLabelX = 300, kRightLabelW = 176, kRightFieldX = 480;
constexpr int kComboW = 100, kEditW = 56, kUnitW = 44;
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
    FormCreate();
    FillFields();
}

LinkSettingsDialog::~LinkSettingsDialog() = default;

void LinkSettingsDialog::FormCreate() {
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
    PanelSerial = new QWidget(this);
    PanelSerial->setGeometry(0, 0, FormWidth, kSerialPanelHeight);
    const int row1 = 12, row2 = 56, row3 = 100, row4 = 144;
    LabelPort = MakeLabel(PanelSerial, QStringLiteral("Порт подключения"), kLeftLabelX, row1, kLeftLabelW);
    ComboBoxPort = new QComboBox(PanelSerial);
    ComboBoxPort->setGeometry(kLeftFieldX, row1, kComboW, kRowHeight);
    LabelRate = MakeLabel(PanelSerial, QStringLiteral("Скорость обмена"), kLeftLabelX, row2, kLeftLabelW);
    ComboBoxRate = new QComboBox(PanelSerial);
    ComboBoxRate->setGeometry(kLeftFieldX, row2, kComboW, kRowHeight);
    MakeLabel(PanelSerial, QStringLiteral("бит/с"), kLeftFieldX + kComboW + 6, row2, kUnitW);
    LabelAttempts = MakeLabel(PanelSerial, QStringLiteral("Кол. попыток обмена"), kLeftLabelX, row3, kLeftLabelW);
    ComboBoxAttempts = MakeAttempts(PanelSerial, kLeftFieldX, row3);
    CheckBoxClosePort =
        new QCheckBox(QStringLiteral("Освобождать порт после\nкаждого сеанса связи"), PanelSerial);
    CheckBoxClosePort->setGeometry(kLeftLabelX, row4, 260, kLabelHeight + 4);

    LabelAnswerWait = MakeLabel(PanelSerial, QStringLiteral("Время ожидания первого\nбайта ответа (1...120)"),
                                kRightLabelX, row1 - 6, kRightLabelW, kLabelHeight);
    EditAnswerWait = MakeEdit(PanelSerial, kDigits, kRightFieldX, row1);
    MakeLabel(PanelSerial, QStringLiteral("c"), kRightFieldX + kEditW + 6, row1, kUnitW);
    LabelByteGap = MakeLabel(PanelSerial, QStringLiteral("Время ожидания след.\nбайтов ответа (55...5000)"),
                             kRightLabelX, row2 - 6, kRightLabelW, kLabelHeight);
    EditByteGap = MakeEdit(PanelSerial, kByteGapDigits, kRightFieldX, row2);
    MakeLabel(PanelSerial, QStringLiteral("мс"), kRightFieldX + kEditW + 6, row2, kUnitW);
    LabelPreambles = MakeLabel(PanelSerial, QStringLiteral("Количество преамбул\nв запросе (0...255)"),
                               kRightLabelX, row3 - 6, kRightLabelW, kLabelHeight);
    EditPreambles = MakeEdit(PanelSerial, kDigits, kRightFieldX, row3);
    LabelFreeWait = MakeLabel(PanelSerial, QStringLiteral("Время ожидания\nосвобождения СОМ порта\n (1...20)"),
                              kRightLabelX, row4 - 8, kRightLabelW, 52);
    EditFreeWait = MakeEdit(PanelSerial, kDigits, kRightFieldX, row4);
    LabelFreeWaitUnit = MakeLabel(PanelSerial, QStringLiteral("c"), kRightFieldX + kEditW + 6, row4, kUnitW);

    // Telephone panel, under the serial panel.
    PanelPhone = new QWidget(this);
    PanelPhone->setGeometry(0, kSerialPanelHeight, FormWidth, kPhonePanelHeight);
    MakeLabel(PanelPhone, QStringLiteral("Команда модему"), kLeftLabelX, 4, kLeftLabelW);
    EditCommand = new QLineEdit(PanelPhone);
    EditCommand->setMaxLength(MaxCommandLength);
    EditCommand->setGeometry(kLeftFieldX, 4, FormWidth - kLeftFieldX - kMargin, kRowHeight);
    MakeLabel(PanelPhone, QStringLiteral("Ожидание соединения\n(1...360)"), kLeftLabelX, 36, kLeftLabelW,
              kLabelHeight);
    EditPhoneConnectWait = MakeEdit(PanelPhone, kDigits, kLeftFieldX, 42);
    MakeLabel(PanelPhone, QStringLiteral("c"), kLeftFieldX + kEditW + 6, 42, kUnitW);
    MakeLabel(PanelPhone, QStringLiteral("Кол. попыток соединения\n(1...10)"), kRightLabelX, 36, kRightLabelW,
              kLabelHeight);
    EditPhoneConnRepeat = MakeEdit(PanelPhone, kDigits, kRightFieldX, 42);

    // Ethernet panel, in place of the serial panel.
    PanelEthernet = new QWidget(this);
    PanelEthernet->setGeometry(0, 0, FormWidth, OtherHeight - kButtonH - 2 * kButtonBottom);
    GroupConnection = new QGroupBox(QStringLiteral("Соединение \"Клиент-сервер\""), PanelEthernet);
    GroupConnection->setGeometry(kMargin, 8, FormWidth - 2 * kMargin, 76);
    MakeLabel(GroupConnection, QStringLiteral("Время ожидания\nсоединения(1...360)"), kLeftLabelX, 26,
              kLeftLabelW, kLabelHeight);
    EditEthConnectWait = MakeEdit(GroupConnection, kDigits, kLeftFieldX, 32);
    MakeLabel(GroupConnection, QStringLiteral("c"), kLeftFieldX + kEditW + 6, 32, kUnitW);
    MakeLabel(GroupConnection, QStringLiteral("Кол. попыток соединения\n(1...10)"), kRightLabelX - kMargin, 26,
              kRightLabelW, kLabelHeight);
    EditEthConnRepeat = MakeEdit(GroupConnection, kDigits, kRightFieldX - kMargin, 32);

    GroupExchange = new QGroupBox(QStringLiteral("Обмен с контроллером"), PanelEthernet);
    GroupExchange->setGeometry(kMargin, 92, FormWidth - 2 * kMargin, 170);
    MakeLabel(GroupExchange, QStringLiteral("Время ожидания первого\nбайта ответа (1...120)"), kLeftLabelX, 26,
              kLeftLabelW + 20, kLabelHeight);
    EditEthAnswerWait = MakeEdit(GroupExchange, kDigits, kLeftFieldX + 20, 32);
    MakeLabel(GroupExchange, QStringLiteral("c"), kLeftFieldX + 20 + kEditW + 6, 32, kUnitW);
    MakeLabel(GroupExchange, QStringLiteral("Количество преамбул\nв запросе (0...255)"), kLeftLabelX, 76,
              kLeftLabelW + 20, kLabelHeight);
    EditEthPreambles = MakeEdit(GroupExchange, kDigits, kLeftFieldX + 20, 82);
    MakeLabel(GroupExchange, QStringLiteral("Кол. попыток обмена"), kLeftLabelX, 126, kLeftLabelW + 20);
    ComboBoxEthAttempts = MakeAttempts(GroupExchange, kLeftFieldX + 20, 126);
    MakeLabel(GroupExchange, QStringLiteral("Время ожидания следующих\nбайтов ответа (55...5000)"),
              kRightLabelX - kMargin, 26, kRightLabelW, kLabelHeight);
    EditEthByteGap = MakeEdit(GroupExchange, kByteGapDigits, kRightFieldX - kMargin, 32);
    MakeLabel(GroupExchange, QStringLiteral("мс"), kRightFieldX - kMargin + kEditW + 6, 32, kUnitW);

    // Buttons.
    const int buttonTop = height - kButtonH - kButtonBottom;
    BitBtnOk = new QPushButton(QStringLiteral("Принять"), this);
    BitBtnOk->setGeometry(kMargin + 8, buttonTop, kButtonW, kButtonH);
    BitBtnOk->setDefault(true);
    BitBtnSearch = new QPushButton(QStringLiteral("Поиск адреса устройства"), this);
    BitBtnSearch->setGeometry((FormWidth - kSearchButtonW) / 2, buttonTop, kSearchButtonW, kButtonH);
    BitBtnExit = new QPushButton(QStringLiteral("Выход"), this);
    BitBtnExit->setGeometry(FormWidth - kMargin - 8 - kButtonW, buttonTop, kButtonW, kButtonH);

    PanelSerial->setVisible(!ethernet);
    PanelPhone->setVisible(phone);
    PanelEthernet->setVisible(ethernet);
    BitBtnSearch->setVisible(kind_ == ChannelDirect);

    connect(BitBtnOk, &QPushButton::clicked, this, &LinkSettingsDialog::BitBtnOkClick);
    connect(BitBtnSearch, &QPushButton::clicked, this, &LinkSettingsDialog::BitBtnSearchClick);
    connect(BitBtnExit, &QPushButton::clicked, this, &QDialog::reject);
    connect(CheckBoxClosePort, &QCheckBox::clicked, this, &LinkSettingsDialog::CheckBoxClosePortClick);
}

void LinkSettingsDialog::FillFields() {
    const MainSettings& settings = Settings();
    if (kind_ == ChannelEthernet) {
        const ChannelParams& r = settings.Ethernet;
        EditEthConnectWait->setText(QString::number(settings.EthernetConnectWait));
        EditEthConnRepeat->setText(QString::number(settings.EthernetConnRepeat));
        EditEthAnswerWait->setText(QString::number(r.AnswerWaitS));
        EditEthByteGap->setText(QString::number(r.ByteGapMs));
        EditEthPreambles->setText(QString::number(r.Preambles));
        ComboBoxEthAttempts->setCurrentIndex(r.Attempts >= 1 && r.Attempts <= kMaxAttempts ? r.Attempts - 1 : -1);
        EditEthConnectWait->setFocus();
        return;
    }

    const ChannelParams& r = kind_ == ChannelPhone ? settings.Phone : settings.Direct;
    for (int n : PresentPorts()) {
        ComboBoxPort->addItem(QStringLiteral("COM%1").arg(n), n);
        ComboBoxPort->setItemData(ComboBoxPort->count() - 1, ComPortDevice(n), Qt::ToolTipRole);
    }
    ComboBoxPort->setCurrentIndex(ComboBoxPort->findData(int(r.Port)));
    for (int32_t rate : RateList)
        ComboBoxRate->addItem(QString::number(rate));
    ComboBoxRate->setCurrentIndex(RateIndex(r.Rate));
    EditAnswerWait->setText(QString::number(r.AnswerWaitS));
    EditByteGap->setText(QString::number(r.ByteGapMs));
    EditPreambles->setText(QString::number(r.Preambles));
    ComboBoxAttempts->setCurrentIndex(r.Attempts >= 1 && r.Attempts <= kMaxAttempts ? r.Attempts - 1 : -1);

    if (kind_ == ChannelPhone) {
        EditCommand->setText(settings.Command);
        EditPhoneConnectWait->setText(QString::number(settings.PhoneConnectWait));
        EditPhoneConnRepeat->setText(QString::number(settings.PhoneConnRepeat));
        CheckBoxClosePort->setChecked(false);
        CheckBoxClosePort->setEnabled(false);
        LabelFreeWait->setEnabled(false);
        EditFreeWait->setEnabled(false);
        LabelFreeWaitUnit->setEnabled(false);
        EditFreeWait->clear();
    } else {
        CheckBoxClosePort->setChecked(settings.DoClosePort);
        ApplyCheckBoxRule();
    }
    ComboBoxPort->setFocus();
}

void LinkSettingsDialog::ApplyCheckBoxRule() {
    const bool on = CheckBoxClosePort->isChecked();
    LabelFreeWait->setEnabled(on);
    EditFreeWait->setEnabled(on);
    LabelFreeWaitUnit->setEnabled(on);
    if (on)
        EditFreeWait->setText(QString::number(Settings().FreePortWait));
    else
        EditFreeWait->clear();
}

void LinkSettingsDialog::CheckBoxClosePortClick(bool checked) {
    // The port mode takes effect at once, whatever becomes of the dialog.
    Settings().DoClosePort = checked;
    ApplyCheckBoxRule();
}

void LinkSettingsDialog::InputError(QWidget* field, const QString& first, const QString& second) {
    ShowMessage(MessageKind::InputError, first, second);
    if (field != nullptr && field->isEnabled()) field->setFocus();
}

void LinkSettingsDialog::RangeError(QWidget* field, const QString& parameter) {
    InputError(field, parameter, kOutOfRange);
}

void LinkSettingsDialog::BitBtnOkClick() {
    if (Accept(false)) accept();
}

void LinkSettingsDialog::BitBtnSearchClick() {
    if (Accept(true)) accept();
}

bool LinkSettingsDialog::Accept(bool search) {
    MainSettings copy = Settings();
    int value = 0;

    if (kind_ == ChannelDirect || kind_ == ChannelPhone) {
        if (ComboBoxPort->currentIndex() < 0 || ComboBoxRate->currentIndex() < 0 ||
            ComboBoxAttempts->currentIndex() < 0 || EditAnswerWait->text().isEmpty() ||
            EditByteGap->text().isEmpty() || EditPreambles->text().isEmpty()) {
            InputError(nullptr, kNotAll);
            return false;
        }
        ChannelParams record = kind_ == ChannelPhone ? copy.Phone : copy.Direct;
        record.Port = uint8_t(ComboBoxPort->currentData().toInt());
        record.Attempts = uint8_t(ComboBoxAttempts->currentIndex() + 1);
        if (!InRange(EditPreambles->text(), 0, kMaxPreambles, value)) {
            RangeError(EditPreambles, kPreamblesName);
            return false;
        }
        record.Preambles = uint8_t(value);
        record.Rate = RateAt(ComboBoxRate->currentIndex());
        if (!InRange(EditAnswerWait->text(), kMinAnswerWait, kMaxAnswerWait, value)) {
            RangeError(EditAnswerWait, kAnswerWaitName);
            return false;
        }
        record.AnswerWaitS = value;
        if (!InRange(EditByteGap->text(), kMinByteGap, kMaxByteGap, value)) {
            RangeError(EditByteGap, kByteGapName);
            return false;
        }
        record.ByteGapMs = value;

        if (kind_ == ChannelDirect) {
            if (CheckBoxClosePort->isChecked()) {
                if (EditFreeWait->text().isEmpty()) {
                    InputError(EditFreeWait, kNotAll);
                    return false;
                }
                if (!InRange(EditFreeWait->text(), kMinFreeWait, kMaxFreeWait, value)) {
                    RangeError(EditFreeWait, kFreeWaitName);
                    return false;
                }
                copy.FreePortWait = value;
            }
            copy.Direct = record;
        } else {
            copy.Phone = record;
            copy.Command = EditCommand->text().left(MaxCommandLength);
            // An empty or non-numeric entry counts as out of range.
            if (!InRange(EditPhoneConnectWait->text(), kMinConnectWait, kMaxConnectWait, value)) {
                RangeError(EditPhoneConnectWait, kConnectWaitName);
                return false;
            }
            copy.PhoneConnectWait = value;
            if (!InRange(EditPhoneConnRepeat->text(), kMinConnRepeat, kMaxConnRepeat, value)) {
                RangeError(EditPhoneConnRepeat, kConnRepeatName);
                return false;
            }
            copy.PhoneConnRepeat = value;
        }
    } else if (kind_ == ChannelEthernet) {
        if (ComboBoxEthAttempts->currentIndex() < 0 || EditEthConnectWait->text().isEmpty() ||
            EditEthConnRepeat->text().isEmpty() || EditEthAnswerWait->text().isEmpty() ||
            EditEthByteGap->text().isEmpty() || EditEthPreambles->text().isEmpty()) {
            InputError(nullptr, kNotAll);
            return false;
        }
        ChannelParams record = copy.Ethernet;
        record.Attempts = uint8_t(ComboBoxEthAttempts->currentIndex() + 1);
        if (!InRange(EditEthPreambles->text(), 0, kMaxPreambles, value)) {
            RangeError(EditEthPreambles, kPreamblesName);
            return false;
        }
        record.Preambles = uint8_t(value);
        if (!InRange(EditEthAnswerWait->text(), kMinAnswerWait, kMaxAnswerWait, value)) {
            RangeError(EditEthAnswerWait, kAnswerWaitName);
            return false;
        }
        record.AnswerWaitS = value;
        if (!InRange(EditEthByteGap->text(), kMinByteGap, kMaxByteGap, value)) {
            RangeError(EditEthByteGap, kByteGapName);
            return false;
        }
        record.ByteGapMs = value;
        copy.Ethernet = record;
        if (!InRange(EditEthConnectWait->text(), kMinConnectWait, kMaxConnectWait, value)) {
            RangeError(EditEthConnectWait, kConnectWaitName);
            return false;
        }
        copy.EthernetConnectWait = value;
        if (!InRange(EditEthConnRepeat->text(), kMinConnRepeat, kMaxConnRepeat, value)) {
            RangeError(EditEthConnRepeat, kConnRepeatName);
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
    BitBtnSearch->setEnabled(false);
    BitBtnExit->setEnabled(false);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    auto restore = [this] {
        QApplication::restoreOverrideCursor();
        BitBtnSearch->setEnabled(true);
        BitBtnExit->setEnabled(true);
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
