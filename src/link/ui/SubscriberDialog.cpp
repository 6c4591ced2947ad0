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
    FormCreate(false);
    if (mode == EditEntry) {
        EditName->setText(AbonentName(entry));
        EditPhone->setText(AbonentPhone(entry));
        ComboBoxAddress->setEditText(QString::number(entry.Address));
    }
}

SubscriberDialog::SubscriberDialog(EthernetAbonent& entry, Mode mode, QWidget* parent)
    : QDialog(parent), ethernet_(&entry) {
    FormCreate(true);
    if (mode == EditEntry) {
        EditName->setText(AbonentName(entry));
        ComboBoxAddress->setEditText(QString::number(entry.Address));
        for (int i = 0; i < 4; ++i)
            EditIp[i]->setText(QString::number(entry.IpOctet(i)));
        EditPort->setText(QString::number(entry.Port()));
    }
}

void SubscriberDialog::FormCreate(bool ethernetForm) {
    const int height = ethernetForm ? EthernetFormHeight : PhoneFormHeight;
    setWindowTitle(ethernetForm ? QStringLiteral("Параметры абонента (Ethernet-интерфейс)")
                                : QStringLiteral("Параметры абонента (связь по телефону)"));
    setFixedSize(FormWidth, height);

    const int row2 = kRow1Top + kRowStep;
    const int row3 = row2 + kRowStep;

    LabelName = MakeLabel(this, QStringLiteral("Наименование"), kRow1Top);
    EditName = new QLineEdit(this);
    EditName->setMaxLength(NameMaxLength);
    EditName->setGeometry(kFieldLeft, kRow1Top, kNameWidth, kRowHeight);

    LabelAddress = MakeLabel(this, QStringLiteral("Адрес устройства"), row2);
    ComboBoxAddress = MakeAddressComboBox(this, kMinAddress, kMaxAddress, AddressMaxLength,
                                          QRect(kFieldLeft, row2, kAddressWidth, kRowHeight));

    LabelPhone = MakeLabel(this, QStringLiteral("№ телефона"), row3);
    EditPhone = new QLineEdit(this);
    EditPhone->setMaxLength(PhoneMaxLength);
    EditPhone->setGeometry(kFieldLeft, row3, kPhoneWidth, kRowHeight);

    LabelIp = MakeLabel(this, QStringLiteral("IP-адрес:порт"), row3);
    int x = kFieldLeft;
    for (int i = 0; i < 4; ++i) {
        EditIp[i] = MakeDigitsEdit(this, OctetMaxLength);
        EditIp[i]->setGeometry(x, row3, kOctetWidth, kRowHeight);
        x += kOctetWidth;
        auto* separator = new QLabel(i < 3 ? QStringLiteral(".") : QStringLiteral(":"), this);
        separator->setAlignment(Qt::AlignCenter);
        separator->setGeometry(x, row3, kSeparatorWidth, kRowHeight);
        separator->setVisible(ethernetForm);
        x += kSeparatorWidth;
    }
    EditPort = MakeDigitsEdit(this, PortMaxLength);
    EditPort->setGeometry(x, row3, kPortWidth, kRowHeight);

    LabelPhone->setVisible(!ethernetForm);
    EditPhone->setVisible(!ethernetForm);
    LabelIp->setVisible(ethernetForm);
    for (QLineEdit* edit : EditIp)
        edit->setVisible(ethernetForm);
    EditPort->setVisible(ethernetForm);

    MakeAcceptCancelButtons(this, QSize(FormWidth, height), kButtonWidth, kButtonHeight,
                            kButtonBottomMargin, BitBtnOk, BitBtnCancel);
    connect(BitBtnOk, &QPushButton::clicked, this, &SubscriberDialog::BitBtnOkClick);
    EditName->setFocus();
}

void SubscriberDialog::BitBtnOkClick() {
    const QString name = EditName->text();
    const QString addressText = ComboBoxAddress->currentText();
    if (addressText.isEmpty()) {
        ShowInputError(ComboBoxAddress, kNotAllGiven);
        return;
    }
    if (name.isEmpty()) {
        ShowInputError(EditName, kNotAllGiven);
        return;
    }
    qint64 address = 0;
    if (!ParseDigits(addressText, address) || address < kMinAddress || address > kMaxAddress) {
        ShowInputError(ComboBoxAddress, QStringLiteral("Адрес вне допустимого диапазона"),
                       QStringLiteral("(1...255)"));
        return;
    }

    if (phone_ != nullptr) {
        const QString number = EditPhone->text();
        if (number.isEmpty()) {
            ShowInputError(EditPhone, kNotAllGiven);
            return;
        }
        phone_->Address = uint8_t(address);
        SetAbonentName(*phone_, name);
        SetAbonentPhone(*phone_, number);
        accept();
        return;
    }

    if (EditPort->text().isEmpty()) {
        ShowInputError(EditPort, kNotAllGiven);
        return;
    }
    uint32_t ip = 0;
    for (int i = 3; i >= 0; --i) {
        const QString text = EditIp[i]->text();
        if (text.isEmpty()) {
            ShowInputError(EditIp[i], kNotAllGiven);
            return;
        }
        qint64 octet = 0;
        if (!ParseDigits(text, octet) || octet > kMaxOctet) {
            ShowInputError(EditIp[i], QStringLiteral("Поле IP-адреса вне допустимого диапазона"),
                           QStringLiteral("(0...255)"));
            return;
        }
        ip |= uint32_t(octet) << (8 * (3 - i));
    }
    // Any port number is taken; only text that is no 32-bit number at all
    // (a stray '%' or '\'', or more than 2147483647) is refused.
    qint64 port = 0;
    if (!ParseDigits(EditPort->text(), port) || port > INT32_MAX) {
        ShowInputError(EditPort, QStringLiteral("Номер порта вне допустимого диапазона"),
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
