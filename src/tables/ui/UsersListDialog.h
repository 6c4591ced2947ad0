#pragma once

#include <QDialog>
#include <array>
#include <cstdint>

#include "tables/UsersTable.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace zmk {

// "Доступ пользователей к записи в контроллер" over a whole users list in
// memory (the users list of a configuration): one row per user with the
// name, the access level and a button for the password and code. Nothing
// is sent from here. On confirmation the list is checked against the users
// rules; the first fault is shown and the dialog stays open; a sound list
// is kept in List() and the dialog is accepted.
// Widgets for tests, by 0-based row u: "nameEdit<u>", "levelBox<u>",
// "passwordButton<u>"; "confirmButton", "cancelButton".
class UsersListDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 432;
    static constexpr int FormHeight = 564;

    // The confirm button's caption: the configuration editor accepts the
    // list back into its record, the restore of a destroyed users table
    // goes on to write it.
    enum Mode { AcceptList, WriteToController };

    UsersListDialog(const uint8_t* list, Mode mode, QWidget* parent = nullptr);

    // The edited list; valid after acceptance.
    const std::array<uint8_t, UsersListSize>& List() const { return list_; }

private:
    struct Row {
        QLineEdit* name;
        QComboBox* level;
        QPushButton* password;
    };

    // The level chosen in a row; 0 when none is chosen.
    int ChosenLevel(int user) const;
    void levelChosen(int user);
    void editPassword(int user);
    void confirm();

    std::array<Row, UserCount> rows_{};
    std::array<uint8_t, UsersListSize> working_{};
    std::array<uint8_t, UsersListSize> list_{};
};

// Fills a level box with the five level texts (item data = level) and
// selects the level; a level without a text is added as its number, so the
// value the controller holds is shown and kept.
void FillLevelBox(QComboBox* box, int level);

}  // namespace zmk
