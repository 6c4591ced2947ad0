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
    FormCreate();
    if (mode == EditEntry) {
        EditName->setText(ObjectName(entry));
        ComboBoxAddress->setEditText(QString::number(entry.Address));
    }
    EditName->setFocus();
}

void ObjectDialog::FormCreate() {
    setWindowTitle(QStringLiteral(" Параметры объекта"));
    setFixedSize(FormWidth, FormHeight);

    LabelName = new QLabel(QStringLiteral("Наименование объекта"), this);
    LabelName->setGeometry(kLabelLeft, kRow1Top, kLabelWidth, kRowHeight);
    LabelNameHint = new QLabel(QStringLiteral("(до 49 символов)"), this);
    LabelNameHint->setGeometry(kLabelLeft, kHintTop, kLabelWidth, kHintHeight);
    EditName = new QLineEdit(this);
    EditName->setMaxLength(ObjectNameMaxChars);
    EditName->setGeometry(kFieldLeft, kRow1Top, kNameWidth, kRowHeight);

    const int row2 = kRow1Top + kRowStep + kHintHeight;
    LabelAddress = new QLabel(QStringLiteral("Адрес контроллера ЗМК"), this);
    LabelAddress->setGeometry(kLabelLeft, row2, kLabelWidth, kRowHeight);
    ComboBoxAddress = MakeAddressComboBox(this, MinObjectAddress, MaxObjectAddress,
                                          AddressMaxLength,
                                          QRect(kFieldLeft, row2, kAddressWidth, kRowHeight));

    MakeAcceptCancelButtons(this, QSize(FormWidth, FormHeight), kButtonWidth, kButtonHeight,
                            kButtonBottomMargin, BitBtnOk, BitBtnCancel);
    connect(BitBtnOk, &QPushButton::clicked, this, &ObjectDialog::BitBtnOkClick);
}

void ObjectDialog::BitBtnOkClick() {
    const QString name = EditName->text();
    const QString addressText = ComboBoxAddress->currentText();
    if (addressText.isEmpty() || name.isEmpty()) {
        ShowInputError(addressText.isEmpty() ? static_cast<QWidget*>(ComboBoxAddress) : EditName,
                       QStringLiteral("Введены не все параметры"));
        return;
    }
    int address = 0;
    if (!ParseAddress(addressText, address) || address < MinObjectAddress ||
        address > MaxObjectAddress) {
        ShowInputError(ComboBoxAddress, QStringLiteral("Адрес вне допустимого диапазона"),
                       QStringLiteral("(1...255)"));
        return;
    }
    entry_->Address = uint8_t(address);
    SetObjectName(*entry_, name);
    accept();
}

}  // namespace zmk
