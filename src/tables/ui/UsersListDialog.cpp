#include "tables/ui/UsersListDialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>
#include <cstring>

#include "common/Cp1251.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/ui/UserFields.h"
#include "tables/ui/UserPasswordDialog.h"

namespace zmk {

void FillLevelBox(QComboBox* box, int level) {
    box->clear();
    for (int value = 0; value < AccessLevelValues; ++value) box->addItem(AccessLevelText(value), value);
    if (level >= AccessLevelValues) box->addItem(AccessLevelText(level), level);
    box->setCurrentIndex(box->findData(level));
}

UsersListDialog::UsersListDialog(const uint8_t* list, Mode mode, QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Доступ пользователей к записи в контроллер"));
    setFixedSize(FormWidth, FormHeight);
    std::copy_n(list, UsersListSize, working_.begin());
    list_ = working_;

    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(2);
    grid->addWidget(new QLabel(QStringLiteral("Имя \nпользователя\n(до 4 символов)"), this), 0, 1, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Уровень\nдоступа"), this), 0, 2, Qt::AlignCenter);
    grid->addWidget(new QLabel(QStringLiteral("Идентификатор\nпароль\nпользователя,"), this), 0, 3, Qt::AlignCenter);
    for (int u = 0; u < UserCount; ++u) {
        const uint8_t* record = UserRecordAt(working_.data(), u);
        const int level = record[UserLevelAt];
        Row& row = rows_[u];
        row.name = MakeUserNameEdit(this, QStringLiteral("nameEdit%1").arg(u).toLatin1().constData());
        row.level = new QComboBox(this);
        row.level->setObjectName(QStringLiteral("levelBox%1").arg(u));
        FillLevelBox(row.level, level);
        row.password = new QPushButton(QStringLiteral("..."), this);
        row.password->setObjectName(QStringLiteral("passwordButton%1").arg(u));
        row.password->setAutoDefault(false);
        if (level != NoAccess) row.name->setText(UserNameText(record));
        row.password->setEnabled(level != NoAccess);
        grid->addWidget(new QLabel(QString::number(u + 1), this), u + 1, 0);
        grid->addWidget(row.name, u + 1, 1);
        grid->addWidget(row.level, u + 1, 2);
        grid->addWidget(row.password, u + 1, 3);
        connect(row.level, &QComboBox::currentIndexChanged, this, [this, u] { levelChosen(u); });
        connect(row.password, &QPushButton::clicked, this, [this, u] { editPassword(u); });
    }

    auto* confirmButton = new QPushButton(
        mode == AcceptList ? QStringLiteral("Принять") : QStringLiteral("Записать в устройство"), this);
    confirmButton->setObjectName(QStringLiteral("confirmButton"));
    auto* cancelButton = new QPushButton(QStringLiteral("Отменить"), this);
    cancelButton->setObjectName(QStringLiteral("cancelButton"));
    for (QPushButton* button : {confirmButton, cancelButton}) button->setAutoDefault(false);
    connect(confirmButton, &QPushButton::clicked, this, &UsersListDialog::confirm);
    connect(cancelButton, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(confirmButton);
    buttons->addSpacing(20);
    buttons->addWidget(cancelButton);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 4, 8, 4);
    layout->addLayout(grid);
    layout->addStretch();
    layout->addLayout(buttons);
}

int UsersListDialog::ChosenLevel(int user) const {
    const QComboBox* box = rows_[user].level;
    return box->currentIndex() < 0 ? NoAccess : box->currentData().toInt();
}

void UsersListDialog::levelChosen(int user) { rows_[user].password->setEnabled(ChosenLevel(user) != NoAccess); }

void UsersListDialog::editPassword(int user) {
    uint8_t* record = UserRecordAt(working_.data(), user);
    UserPasswordDialog form(record + UserPasswordAt, record + UserCodeAt, this);
    if (form.exec() != QDialog::Accepted) return;
    std::copy(form.Password().begin(), form.Password().end(), record + UserPasswordAt);
    std::copy(form.Code().begin(), form.Code().end(), record + UserCodeAt);
}

void UsersListDialog::confirm() {
    for (int u = 0; u < UserCount; ++u) {
        uint8_t* record = UserRecordAt(working_.data(), u);
        const int level = ChosenLevel(u);
        record[UserLevelAt] = uint8_t(level);
        std::memset(record + UserNameAt, ' ', UserNameSize);
        if (level != NoAccess) {
            const QByteArray name = ToCp1251(rows_[u].name->text());
            std::copy_n(name.constData(), std::min<qsizetype>(name.size(), UserNameSize), record + UserNameAt);
        } else {
            std::memset(record + UserPasswordAt, ' ', UserPasswordSize);
            std::memset(record + UserCodeAt, ' ', UserCodeSize);
            rows_[u].name->clear();
        }
        record[UserReservedAt] = 0;
    }
    if (const auto fault = CheckUsersList(working_.data())) {
        ShowMessage(MessageKind::InputError, fault->line1, fault->line2);
        return;
    }
    list_ = working_;
    accept();
}

}  // namespace zmk
