#include "link/ui/SubscriberDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/NumericKeyFilter.h"
#include "common/ui/ListDialogFrame.h"

namespace zmk {

namespace {

constexpr int kMinAddress = 1;
constexpr int kMaxAddress = 255;
constexpr int kMaxOctet = 255;

// Layout, in pixels.
constexpr int kLabelLeft = 16;
constexpr int kLabelWidth = 150;
constexpr int kFieldLeft = 176;
constexpr int kRowHeight = 24;
constexpr int kRow1Top = 20;
constexpr int kRowStep = 40;
constexpr int kNameWidth = 372;
constexpr int kAddressWidth = 70;
constexpr int kPhoneWidth = 250;
constexpr int kOctetWidth = 40;
constexpr int kSeparatorWidth = 10;
constexpr int kPortWidth = 80;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomMargin = 24;

const QString kNotAllGiven = QStringLiteral("Введены не все параметры");

QLabel* MakeLabel(QWidget* parent, const QString& text, int top) {
    auto* label = new QLabel(text, parent);
    label->setGeometry(kLabelLeft, top, kLabelWidth, kRowHeight);
    return label;
}

QLineEdit* MakeDigitsEdit(QWidget* parent, int maxLength) {
    auto* edit = new QLineEdit(parent);
    edit->setMaxLength(maxLength);
    NumericKeyFilter::Install(edit, NumericKeyFilter::Integer);
    return edit;
}

// A decimal number of digits only; false for anything else (the key filter
// lets '%' and '\'' through, and pasted text is not filtered at all).
bool ParseDigits(const QString& text, qint64& value) {
    if (text.isEmpty() || text.size() > 10)
        return false;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return false;
    }
    value = text.toLongLong();
    return true;
}

}  // namespace

SubscriberDialog::SubscriberDialog(PhoneAbonent& entry, Mode mode, QWidget* parent)
    : QDialog(parent), phone_(&entry) {
    CreateWidgets(false);
    if (mode == EditEntry) {
        nameEdit_->setText(AbonentName(entry));
        phoneEdit_->setText(AbonentPhone(entry));
        addressBox_->setEditText(QString::number(entry.Address));
    }
}

SubscriberDialog::SubscriberDialog(EthernetAbonent& entry, Mode mode, QWidget* parent)
    : QDialog(parent), ethernet_(&entry) {
    CreateWidgets(true);
    if (mode == EditEntry) {
        nameEdit_->setText(AbonentName(entry));
        addressBox_->setEditText(QString::number(entry.Address));
        for (int i = 0; i < 4; ++i)
            octetEdits_[i]->setText(QString::number(entry.IpOctet(i)));
        tcpPortEdit_->setText(QString::number(entry.Port()));
    }
}

void SubscriberDialog::CreateWidgets(bool ethernetForm) {
    const int height = ethernetForm ? EthernetFormHeight : PhoneFormHeight;
    setWindowTitle(ethernetForm ? QStringLiteral("Параметры абонента (Ethernet-интерфейс)")
                                : QStringLiteral("Параметры абонента (связь по телефону)"));
    setFixedSize(FormWidth, height);

    const int row2 = kRow1Top + kRowStep;
    const int row3 = row2 + kRowStep;

    nameLabel_ = MakeLabel(this, QStringLiteral("Наименование"), kRow1Top);
    nameLabel_->setObjectName(QStringLiteral("nameLabel"));
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(NameMaxLength);
    nameEdit_->setGeometry(kFieldLeft, kRow1Top, kNameWidth, kRowHeight);

    addressLabel_ = MakeLabel(this, QStringLiteral("Адрес устройства"), row2);
    addressLabel_->setObjectName(QStringLiteral("addressLabel"));
    addressBox_ = MakeAddressComboBox(this, kMinAddress, kMaxAddress, AddressMaxLength,
                                      QRect(kFieldLeft, row2, kAddressWidth, kRowHeight));
    addressBox_->setObjectName(QStringLiteral("addressBox"));

    phoneLabel_ = MakeLabel(this, QStringLiteral("№ телефона"), row3);
    phoneLabel_->setObjectName(QStringLiteral("phoneLabel"));
    phoneEdit_ = new QLineEdit(this);
    phoneEdit_->setObjectName(QStringLiteral("phoneEdit"));
    phoneEdit_->setMaxLength(PhoneMaxLength);
    phoneEdit_->setGeometry(kFieldLeft, row3, kPhoneWidth, kRowHeight);

    ipLabel_ = MakeLabel(this, QStringLiteral("IP-адрес:порт"), row3);
    ipLabel_->setObjectName(QStringLiteral("ipLabel"));
    int x = kFieldLeft;
    for (int i = 0; i < 4; ++i) {
        octetEdits_[i] = MakeDigitsEdit(this, OctetMaxLength);
        octetEdits_[i]->setObjectName(QStringLiteral("octetEdit%1").arg(i + 1));
        octetEdits_[i]->setGeometry(x, row3, kOctetWidth, kRowHeight);
        x += kOctetWidth;
        auto* separator = new QLabel(i < 3 ? QStringLiteral(".") : QStringLiteral(":"), this);
        separator->setAlignment(Qt::AlignCenter);
        separator->setGeometry(x, row3, kSeparatorWidth, kRowHeight);
        separator->setVisible(ethernetForm);
        x += kSeparatorWidth;
    }
    tcpPortEdit_ = MakeDigitsEdit(this, PortMaxLength);
    tcpPortEdit_->setObjectName(QStringLiteral("tcpPortEdit"));
    tcpPortEdit_->setGeometry(x, row3, kPortWidth, kRowHeight);

    phoneLabel_->setVisible(!ethernetForm);
    phoneEdit_->setVisible(!ethernetForm);
    ipLabel_->setVisible(ethernetForm);
    for (QLineEdit* edit : octetEdits_)
        edit->setVisible(ethernetForm);
    tcpPortEdit_->setVisible(ethernetForm);

    MakeAcceptCancelButtons(this, QSize(FormWidth, height), kButtonWidth, kButtonHeight,
                            kButtonBottomMargin, acceptButton_, cancelButton_);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    connect(acceptButton_, &QPushButton::clicked, this, &SubscriberDialog::acceptEntry);
    nameEdit_->setFocus();
}

void SubscriberDialog::acceptEntry() {
    const QString name = nameEdit_->text();
    const QString addressText = addressBox_->currentText();
    if (addressText.isEmpty()) {
        ShowInputError(addressBox_, kNotAllGiven);
        return;
    }
    if (name.isEmpty()) {
        ShowInputError(nameEdit_, kNotAllGiven);
        return;
    }
    qint64 address = 0;
    if (!ParseDigits(addressText, address) || address < kMinAddress || address > kMaxAddress) {
        ShowInputError(addressBox_, QStringLiteral("Адрес вне допустимого диапазона"),
                       QStringLiteral("(1...255)"));
        return;
    }

    if (phone_ != nullptr) {
        const QString number = phoneEdit_->text();
        if (number.isEmpty()) {
            ShowInputError(phoneEdit_, kNotAllGiven);
            return;
        }
        phone_->Address = uint8_t(address);
        SetAbonentName(*phone_, name);
        SetAbonentPhone(*phone_, number);
        accept();
        return;
    }

    if (tcpPortEdit_->text().isEmpty()) {
        ShowInputError(tcpPortEdit_, kNotAllGiven);
        return;
    }
    uint32_t ip = 0;
    for (int i = 3; i >= 0; --i) {
        const QString text = octetEdits_[i]->text();
        if (text.isEmpty()) {
            ShowInputError(octetEdits_[i], kNotAllGiven);
            return;
        }
        qint64 octet = 0;
        if (!ParseDigits(text, octet) || octet > kMaxOctet) {
            ShowInputError(octetEdits_[i], QStringLiteral("Поле IP-адреса вне допустимого диапазона"),
                           QStringLiteral("(0...255)"));
            return;
        }
        ip |= uint32_t(octet) << (8 * (3 - i));
    }
    // Any port number is taken; only text that is no 32-bit number at all
    // (a stray '%' or '\'', or more than 2147483647) is refused.
    qint64 port = 0;
    if (!ParseDigits(tcpPortEdit_->text(), port) || port > INT32_MAX) {
        ShowInputError(tcpPortEdit_, QStringLiteral("Номер порта вне допустимого диапазона"),
                       QStringLiteral("(0...2147483647)"));
        return;
    }
    ethernet_->Address = uint8_t(address);
    ethernet_->SetIp(ip);
    ethernet_->SetPort(int32_t(port));
    SetAbonentName(*ethernet_, name);
    accept();
}

}  // namespace zmk
