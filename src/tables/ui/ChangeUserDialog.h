#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "tables/UsersTable.h"

class QComboBox;
class QLineEdit;
class QListWidget;
class QPushButton;

namespace zmk {

// "Доступ пользователей к записи в контроллер" on the connected controller:
// one user at a time is chosen from the 16, given a name, a level, a write
// password and a code (each typed twice), or removed with the level
// "Нет доступа". The dialog edits the users table of the configuration image
// (352 bytes) only when a user passes every check; it then closes accepted
// and ChangedUser() tells which record changed, for the caller to write.
// Widgets for tests: "userList", "nameEdit", "levelBox", "passwordEdit",
// "passwordRepeatEdit", "codeEdit", "codeRepeatEdit", "writeButton",
// "exitButton".
class ChangeUserDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 676;
    static constexpr int FormHeight = 330;

    // users: the users table in the image, changed only on acceptance.
    explicit ChangeUserDialog(uint8_t* users, QWidget* parent = nullptr);

    // The 0-based record written into the image; -1 when none.
    int ChangedUser() const { return changedUser_; }

private:
    void userChosen(int user);
    void writeUser();
    void clearPasswords();
    void clearCodes();
    int ChosenLevel() const;

    uint8_t* users_;
    std::array<uint8_t, UsersListSize> working_{};
    int manufacturer_ = -1;     // the user of level 1 at opening; -1 when none
    int administrators_ = 0;    // users of level 2 at opening
    int lastAdministrator_ = -1;
    int changedUser_ = -1;

    QListWidget* userList_;
    QLineEdit* nameEdit_;
    QComboBox* levelBox_;
    QLineEdit* passwordEdit_;
    QLineEdit* passwordRepeatEdit_;
    QLineEdit* codeEdit_;
    QLineEdit* codeRepeatEdit_;
    QPushButton* writeButton_;  // "Записать в устройство"
    QPushButton* exitButton_;   // "Выход"
};

}  // namespace zmk
