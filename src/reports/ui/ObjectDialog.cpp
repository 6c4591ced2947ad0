#include "reports/ui/ObjectDialog.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

#include "common/ui/ListDialogFrame.h"

namespace zmk {

namespace {

// Layout, in pixels.
constexpr int kLabelLeft = 16;
constexpr int kLabelWidth = 170;
constexpr int kFieldLeft = 196;
constexpr int kRowHeight = 24;
constexpr int kRow1Top = 20;
constexpr int kRowStep = 40;
constexpr int kHintTop = kRow1Top + kRowHeight;
constexpr int kHintHeight = 16;
constexpr int kNameWidth = 288;
constexpr int kAddressWidth = 70;
constexpr int kButtonWidth = 110;
constexpr int kButtonHeight = 30;
constexpr int kButtonBottomMargin = 20;

// Digits only, at most AddressMaxLength of them; false for anything else
// (the key filter lets '%' and '\'' through, pasted text is not filtered).
bool ParseAddress(const QString& text, int& value) {
    if (text.isEmpty() || text.size() > ObjectDialog::AddressMaxLength)
        return false;
    for (QChar c : text)
        if (c < u'0' || c > u'9')
            return false;
    value = text.toInt();
    return true;
}

}  // namespace

ObjectDialog::ObjectDialog(ObjectEntry& entry, Mode mode, QWidget* parent)
    : QDialog(parent), entry_(&entry) {
    BuildWindow();
    if (mode == EditEntry) {
        nameEdit_->setText(ObjectName(entry));
        addressBox_->setEditText(QString::number(entry.Address));
    }
    nameEdit_->setFocus();
}

void ObjectDialog::BuildWindow() {
    setWindowTitle(QStringLiteral(" Параметры объекта"));
    setFixedSize(FormWidth, FormHeight);

    nameLabel_ = new QLabel(QStringLiteral("Наименование объекта"), this);
    nameLabel_->setObjectName(QStringLiteral("nameLabel"));
    nameLabel_->setGeometry(kLabelLeft, kRow1Top, kLabelWidth, kRowHeight);
    nameHintLabel_ = new QLabel(QStringLiteral("(до 49 символов)"), this);
    nameHintLabel_->setObjectName(QStringLiteral("nameHintLabel"));
    nameHintLabel_->setGeometry(kLabelLeft, kHintTop, kLabelWidth, kHintHeight);
    nameEdit_ = new QLineEdit(this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(ObjectNameMaxChars);
    nameEdit_->setGeometry(kFieldLeft, kRow1Top, kNameWidth, kRowHeight);

    const int row2 = kRow1Top + kRowStep + kHintHeight;
    addressLabel_ = new QLabel(QStringLiteral("Адрес контроллера ЗМК"), this);
    addressLabel_->setObjectName(QStringLiteral("addressLabel"));
    addressLabel_->setGeometry(kLabelLeft, row2, kLabelWidth, kRowHeight);
    addressBox_ = MakeAddressComboBox(this, MinObjectAddress, MaxObjectAddress, AddressMaxLength,
                                      QRect(kFieldLeft, row2, kAddressWidth, kRowHeight));
    addressBox_->setObjectName(QStringLiteral("addressBox"));

    MakeAcceptCancelButtons(this, QSize(FormWidth, FormHeight), kButtonWidth, kButtonHeight,
                            kButtonBottomMargin, acceptButton_, cancelButton_);
    connect(acceptButton_, &QPushButton::clicked, this, &ObjectDialog::acceptEntry);
}

void ObjectDialog::acceptEntry() {
    const QString name = nameEdit_->text();
    const QString addressText = addressBox_->currentText();
    if (addressText.isEmpty() || name.isEmpty()) {
        ShowInputError(addressText.isEmpty() ? static_cast<QWidget*>(addressBox_) : nameEdit_,
                       QStringLiteral("Введены не все параметры"));
        return;
    }
    int address = 0;
    if (!ParseAddress(addressText, address) || address < MinObjectAddress ||
        address > MaxObjectAddress) {
        ShowInputError(addressBox_, QStringLiteral("Адрес вне допустимого диапазона"),
                       QStringLiteral("(1...255)"));
        return;
    }
    entry_->Address = uint8_t(address);
    SetObjectName(*entry_, name);
    accept();
}

}  // namespace zmk
