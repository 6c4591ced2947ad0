#include "tables/ui/ChangeUserDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "common/Cp1251.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/UserFields.h"
#include "tables/ui/UsersListDialog.h"

namespace zmk {

namespace {

// How a user without a name appears in the list.
const QString NoNameItem = QStringLiteral("   --   ");

QString ListItemText(const uint8_t* record) { return IsBlankName(record) ? NoNameItem : UserNameText(record); }

void InputError(const QString& line1, const QString& line2 = QString()) {
    ShowMessage(MessageKind::InputError, line1, line2);
}

}  // namespace

ChangeUserDialog::ChangeUserDialog(uint8_t* users, QWidget* parent) : QDialog(parent), users_(users) {
    setWindowTitle(QStringLiteral("Доступ пользователей к записи в контроллер"));
    setFixedSize(FormWidth, FormHeight);
    std::copy_n(users, UsersListSize, working_.begin());
    for (int u = 0; u < UserCount; ++u) {
        const uint8_t level = UserRecordAt(users, u)[UserLevelAt];
        if (level == Manufacturer && manufacturer_ < 0) manufacturer_ = u;
        if (level == Administrator) {
            ++administrators_;
            lastAdministrator_ = u;
        }
    }

    userList_ = new QListWidget(this);
    userList_->setObjectName(QStringLiteral("userList"));
    for (int u = 0; u < UserCount; ++u) userList_->addItem(ListItemText(UserRecordAt(users, u)));
    nameEdit_ = MakeUserNameEdit(this, "nameEdit");
    levelBox_ = new QComboBox(this);
    levelBox_->setObjectName(QStringLiteral("levelBox"));
    passwordEdit_ = MakePasswordEdit(this, "passwordEdit");
    passwordRepeatEdit_ = MakePasswordEdit(this, "passwordRepeatEdit");
    codeEdit_ = MakeCodeEdit(this, "codeEdit");
    codeRepeatEdit_ = MakeCodeEdit(this, "codeRepeatEdit");
    writeButton_ = new QPushButton(QStringLiteral("Записать в устройство"), this);
    writeButton_->setObjectName(QStringLiteral("writeButton"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    for (QPushButton* button : {writeButton_, exitButton_}) button->setAutoDefault(false);

    auto* choice = new QVBoxLayout;
    choice->addWidget(new QLabel(QStringLiteral("Выбор пользователя\nдля коррекции"), this));
    choice->addWidget(userList_);

    auto* user = new QGridLayout;
    user->addWidget(new QLabel(QStringLiteral("Имя пользователя\n(до 4 символов)"), this), 0, 0);
    user->addWidget(nameEdit_, 0, 1);
    user->addWidget(new QLabel(QStringLiteral("Уровень допуска"), this), 1, 0);
    user->addWidget(levelBox_, 1, 1);

    auto* passwords = new QGroupBox(QStringLiteral(" Пароль на запись "), this);
    auto* passwordGrid = new QGridLayout(passwords);
    passwordGrid->addWidget(new QLabel(QStringLiteral("Введите пароль"), passwords), 0, 0);
    passwordGrid->addWidget(passwordEdit_, 0, 1);
    passwordGrid->addWidget(new QLabel(QStringLiteral("Подтвердите пароль"), passwords), 1, 0);
    passwordGrid->addWidget(passwordRepeatEdit_, 1, 1);
    auto* codes = new QGroupBox(QStringLiteral(" Код идентификации  пользователя "), this);
    auto* codeGrid = new QGridLayout(codes);
    codeGrid->addWidget(new QLabel(QStringLiteral("Введите код"), codes), 0, 0);
    codeGrid->addWidget(codeEdit_, 0, 1);
    codeGrid->addWidget(new QLabel(QStringLiteral("Подтвердите код"), codes), 1, 0);
    codeGrid->addWidget(codeRepeatEdit_, 1, 1);
    auto* groups = new QHBoxLayout;
    groups->addWidget(passwords);
    groups->addWidget(codes);

    auto* note = new QLabel(
        QStringLiteral("Для удаления пользователя достаточно ввести уровень доступа \"Нет доступа\""), this);
    note->setObjectName(QStringLiteral("deleteNote"));

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(writeButton_);
    buttons->addSpacing(20);
    buttons->addWidget(exitButton_);
    buttons->addStretch();

    auto* right = new QVBoxLayout;
    right->addLayout(user);
    right->addLayout(groups);
    right->addWidget(note);
    right->addStretch();
    right->addLayout(buttons);
    auto* layout = new QHBoxLayout(this);
    layout->addLayout(choice);
    layout->addLayout(right, 1);

    connect(userList_, &QListWidget::currentRowChanged, this, &ChangeUserDialog::userChosen);
    connect(writeButton_, &QPushButton::clicked, this, &ChangeUserDialog::writeUser);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::reject);
    userList_->setCurrentRow(0);
}

int ChangeUserDialog::ChosenLevel() const {
    return levelBox_->currentIndex() < 0 ? NoAccess : levelBox_->currentData().toInt();
}

void ChangeUserDialog::userChosen(int user) {
    if (user < 0 || user >= UserCount) return;
    const uint8_t* record = UserRecordAt(working_.data(), user);
    nameEdit_->setText(UserNameText(record));
    FillLevelBox(levelBox_, record[UserLevelAt]);
    clearPasswords();
    clearCodes();
}

void ChangeUserDialog::clearPasswords() {
    passwordEdit_->clear();
    passwordRepeatEdit_->clear();
}

void ChangeUserDialog::clearCodes() {
    codeEdit_->clear();
    codeRepeatEdit_->clear();
}

void ChangeUserDialog::writeUser() {
    const int u = userList_->currentRow();
    if (u < 0 || u >= UserCount) return;
    const int level = ChosenLevel();
    if (u == manufacturer_ && level != Manufacturer) {
        InputError(QStringLiteral("Вы не можете удалить пользователя"),
                   QStringLiteral("с уровнем доступа \"Производитель-наладчик\""));
        return;
    }
    if (u != manufacturer_ && level == Manufacturer) {
        InputError(QStringLiteral("Может быть зарегистрирован"), QStringLiteral("только один производитель-наладчик"));
        return;
    }
    if (administrators_ == 1 && lastAdministrator_ == u && level != Administrator) {
        InputError(QStringLiteral("Вы не можете удалить единственного пользователя"),
                   QStringLiteral("с уровнем доступа \"Администратор\""));
        return;
    }
    if (level == NoAccess) {
        BlankUser(UserRecordAt(users_, u));
        changedUser_ = u;
        accept();
        return;
    }
    const QString repeat = QStringLiteral("Повторите процесс сначала");
    if (passwordEdit_->text() != passwordRepeatEdit_->text()) {
        InputError(QStringLiteral("Несовпадение введенных паролей"), repeat);
        clearPasswords();
        passwordEdit_->setFocus();
        return;
    }
    if (codeEdit_->text() != codeRepeatEdit_->text()) {
        InputError(QStringLiteral("Несовпадение введенных кодов"), repeat);
        clearCodes();
        codeEdit_->setFocus();
        return;
    }
    if (codeEdit_->text().isEmpty()) {
        InputError(QStringLiteral("Не задан код идентификации пользователя"));
        codeEdit_->setFocus();
        return;
    }
    if (nameEdit_->text().isEmpty()) {
        InputError(QStringLiteral("Номер пользователя в таблице - %1.").arg(u + 1),
                   QStringLiteral("Не задано имя пользователя"));
        nameEdit_->setFocus();
        return;
    }

    // The new record; the working copy takes it only when it passes, so that
    // a refused attempt cannot stand in the way of the next one.
    std::array<uint8_t, UserRecordSize> record;
    record.fill(' ');
    const QByteArray name = ToCp1251(nameEdit_->text());
    std::copy_n(name.constData(), std::min<qsizetype>(name.size(), UserNameSize), record.begin() + UserNameAt);
    record[UserLevelAt] = uint8_t(level);
    record[UserReservedAt] = 0;
    const auto password = BlankPaddedCredential<UserPasswordSize>(passwordEdit_->text());
    const auto code = BlankPaddedCredential<UserCodeSize>(codeEdit_->text());
    std::copy(password.begin(), password.end(), record.begin() + UserPasswordAt);
    std::copy(code.begin(), code.end(), record.begin() + UserCodeAt);
    for (int other = 0; other < UserCount; ++other) {
        const uint8_t* existing = UserRecordAt(working_.data(), other);
        if (other == u || existing[UserLevelAt] == NoAccess) continue;
        if (std::memcmp(existing + UserNameAt, record.data() + UserNameAt, UserNameSize) == 0) {
            // "% d": the second number comes with a leading blank, as the
            // message has always shown it.
            InputError(QString::asprintf("Пользователи   %d и % d.", u + 1, other + 1),
                       QStringLiteral("Совпадение имен пользователей"));
            nameEdit_->setFocus();
            return;
        }
    }
    std::copy(record.begin(), record.end(), UserRecordAt(working_.data(), u));
    std::copy(record.begin(), record.end(), UserRecordAt(users_, u));
    changedUser_ = u;
    accept();
}

}  // namespace zmk
