#include "tables/ui/ControllerNameDialog.h"

#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/ControllerName.h"

namespace zmk {

ControllerNameDialog::ControllerNameDialog(uint8_t* name, bool dosCodePage, QWidget* parent)
    : QDialog(parent), name_(name), dosCodePage_(dosCodePage) {
    setWindowTitle(QStringLiteral("Наименование контроллера"));
    setFixedSize(FormWidth, FormHeight);

    nameEdit_ = new QLineEdit(NameText(name), this);
    nameEdit_->setObjectName(QStringLiteral("nameEdit"));
    nameEdit_->setMaxLength(NameLength);

    writeButton_ = new QPushButton(QStringLiteral("Записать в устройство"), this);
    writeButton_->setObjectName(QStringLiteral("writeButton"));
    cancelButton_ = new QPushButton(QStringLiteral("Отменить"), this);
    cancelButton_->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {writeButton_, cancelButton_}) {
        button->setAutoDefault(false);
        button->setMinimumWidth(140);
    }
    connect(writeButton_, &QPushButton::clicked, this, &ControllerNameDialog::writeName);
    connect(cancelButton_, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(writeButton_);
    buttons->addSpacing(16);
    buttons->addWidget(cancelButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addStretch();
    layout->addWidget(nameEdit_);
    layout->addStretch();
    layout->addLayout(buttons);
    nameEdit_->setFocus();
}

void ControllerNameDialog::writeName() {
    const QString text = nameEdit_->text();
    const QString bad = UnstorableNameCharacters(text, dosCodePage_);
    if (!bad.isEmpty()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Недопустимые символы в наименовании контроллера:"),
                    QStringLiteral("\"%1\"").arg(bad));
        nameEdit_->setFocus();
        return;
    }
    PutNameText(text, name_);
    accept();
}

}  // namespace zmk
