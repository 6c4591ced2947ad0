#include "tables/ui/ProgramUserDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

#include "common/Cp1251.h"
#include "tables/ui/UserFields.h"
#include "common/ui/MessageDialog.h"
#include "common/MessageKind.h"

namespace zmk {

template <size_t N>
std::array<uint8_t, N> BlankPaddedCredential(const QString& text) {
    std::array<uint8_t, N> out;
    out.fill(' ');
    const QByteArray bytes = ToCp1251(text);
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), N), out.begin());
    return out;
}

template std::array<uint8_t, 4> BlankPaddedCredential<4>(const QString&);
template std::array<uint8_t, 12> BlankPaddedCredential<12>(const QString&);

ProgramUserDialog::ProgramUserDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Идентификация пользователя программы"));
    setFixedSize(FormWidth, FormHeight);

    codeLabel_ = new QLabel(QStringLiteral(" Код идентификации  пользователя"), this);
    codeLabel_->setObjectName(QStringLiteral("codeLabel"));
    // Pasted text is checked like typed text.
    codeEdit_ = MakeCodeEdit(this, "codeEdit");
    codeEdit_->setFixedWidth(60);

    passwordLabel_ = new QLabel(QStringLiteral(" Пароль на запись в контроллер"), this);
    passwordLabel_->setObjectName(QStringLiteral("passwordLabel"));
    passwordEdit_ = MakePasswordEdit(this, "passwordEdit");
    passwordEdit_->setFixedWidth(110);

    acceptButton_ = new QPushButton(QStringLiteral("Принять"), this);
    acceptButton_->setObjectName(QStringLiteral("acceptButton"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    // Enter is handled by the dialog itself (field to field), never by a
    // default button.
    for (QPushButton* button : {acceptButton_, exitButton_}) {
        button->setAutoDefault(false);
        button->setDefault(false);
        button->setFixedWidth(100);
    }

    auto* fields = new QGridLayout;
    fields->addWidget(codeLabel_, 0, 0);
    fields->addWidget(codeEdit_, 0, 1);
    fields->addWidget(passwordLabel_, 1, 0);
    fields->addWidget(passwordEdit_, 1, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(acceptButton_);
    buttons->addSpacing(20);
    buttons->addWidget(exitButton_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(fields);
    layout->addStretch();
    layout->addLayout(buttons);

    setTabOrder(codeEdit_, passwordEdit_);
    setTabOrder(passwordEdit_, acceptButton_);
    setTabOrder(acceptButton_, exitButton_);
    codeEdit_->setFocus();

    connect(acceptButton_, &QPushButton::clicked, this, &ProgramUserDialog::acceptCredentials);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
}

void ProgramUserDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        QWidget* focus = focusWidget();
        if (focus == codeEdit_)
            passwordEdit_->setFocus();
        else if (focus == passwordEdit_)
            acceptButton_->setFocus();
        else if (auto* button = qobject_cast<QPushButton*>(focus))
            button->click();
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void ProgramUserDialog::acceptCredentials() {
    if (codeEdit_->text().isEmpty()) {
        ShowMessage(MessageKind::InputError, QStringLiteral("Не задан код идентификации пользователя"), QString());
        codeEdit_->setFocus();
        return;
    }
    password_ = BlankPaddedCredential<PasswordLength>(passwordEdit_->text());
    code_ = BlankPaddedCredential<CodeLength>(codeEdit_->text());
    accept();
}

}  // namespace zmk
