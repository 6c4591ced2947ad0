#include "tables/ui/UserPasswordDialog.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "common/Cp1251.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/UserFields.h"

namespace zmk {

namespace {

// Blank-padded bytes as text without the padding at the end (blanks at the
// start belong to the password).
QString Unpadded(const uint8_t* bytes, int size) {
    int length = size;
    while (length > 0 && bytes[length - 1] == ' ') --length;
    return FromCp1251(QByteArrayView(bytes, length));
}

QGroupBox* PairGroup(QWidget* parent, const QString& title, const QString& first, QLineEdit* firstEdit,
                     const QString& second, QLineEdit* secondEdit) {
    auto* group = new QGroupBox(title, parent);
    auto* grid = new QGridLayout(group);
    grid->addWidget(new QLabel(first, group), 0, 0);
    grid->addWidget(firstEdit, 0, 1);
    grid->addWidget(new QLabel(second, group), 1, 0);
    grid->addWidget(secondEdit, 1, 1);
    return group;
}

}  // namespace

UserPasswordDialog::UserPasswordDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Идентификация пользователя программы"));
    setFixedSize(FormWidth, FormHeight);

    passwordEdit_ = MakePasswordEdit(this, "passwordEdit");
    passwordRepeatEdit_ = MakePasswordEdit(this, "passwordRepeatEdit");
    codeEdit_ = MakeCodeEdit(this, "codeEdit");
    codeRepeatEdit_ = MakeCodeEdit(this, "codeRepeatEdit");
    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    // Enter belongs to the dialog (field to field), never to a default button.
    for (QPushButton* button : {acceptButton_, exitButton_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(acceptButton_);
    buttons->addSpacing(20);
    buttons->addWidget(exitButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PairGroup(this, QStringLiteral(" Пароль на запись "), QStringLiteral("Введите пароль"),
                                passwordEdit_, QStringLiteral("Подтвердите пароль"), passwordRepeatEdit_));
    layout->addWidget(PairGroup(this, QStringLiteral(" Код идентификации  пользователя "),
                                QStringLiteral("Введите код"), codeEdit_, QStringLiteral("Подтвердите код"),
                                codeRepeatEdit_));
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(codeEdit_, codeRepeatEdit_);
    setTabOrder(codeRepeatEdit_, passwordEdit_);
    setTabOrder(passwordEdit_, passwordRepeatEdit_);
    setTabOrder(passwordRepeatEdit_, acceptButton_);
    setTabOrder(acceptButton_, exitButton_);
    codeEdit_->setFocus();

    connect(acceptButton_, &QPushButton::clicked, this, &UserPasswordDialog::acceptCredentials);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
}

UserPasswordDialog::UserPasswordDialog(const uint8_t* password, const uint8_t* code, QWidget* parent)
    : UserPasswordDialog(parent) {
    // Shown as stored, even where the controller holds what could not be typed.
    const QString passwordText = Unpadded(password, PasswordLength);
    const QString codeText = Unpadded(code, CodeLength);
    for (QLineEdit* edit : {passwordEdit_, passwordRepeatEdit_}) edit->setText(passwordText);
    for (QLineEdit* edit : {codeEdit_, codeRepeatEdit_}) edit->setText(codeText);
}

void UserPasswordDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (focus == codeEdit_)
            codeRepeatEdit_->setFocus();
        else if (focus == codeRepeatEdit_)
            passwordEdit_->setFocus();
        else if (focus == passwordEdit_)
            passwordRepeatEdit_->setFocus();
        else if (focus == passwordRepeatEdit_)
            acceptButton_->setFocus();
        else if (auto* button = qobject_cast<QPushButton*>(focus))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void UserPasswordDialog::acceptCredentials() {
    const QString repeat = QStringLiteral("Повторите процесс сначала");
    if (passwordEdit_->text() != passwordRepeatEdit_->text()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Несовпадение введенных паролей"), repeat);
        passwordEdit_->clear();
        passwordRepeatEdit_->clear();
        passwordEdit_->setFocus();
        return;
    }
    if (codeEdit_->text() != codeRepeatEdit_->text()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Несовпадение введенных кодов"), repeat);
        codeEdit_->clear();
        codeRepeatEdit_->clear();
        codeEdit_->setFocus();
        return;
    }
    if (codeEdit_->text().isEmpty()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Не задан код идентификации пользователя"));
        codeEdit_->setFocus();
        return;
    }
    password_ = BlankPaddedCredential<PasswordLength>(passwordEdit_->text());
    code_ = BlankPaddedCredential<CodeLength>(codeEdit_->text());
    accept();
}

}  // namespace zmk
