#include "tables/ui/UsersCommand.h"

#include <QDialog>
#include <algorithm>
#include <array>

#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"
#include "tables/ui/ChangeUserDialog.h"
#include "tables/ui/CommandHost.h"

namespace zmk {

namespace {

// Table 7 field 4: the state of the users table; not 0 = destroyed.
constexpr int UsersTableState = UsersTable;
// Table 4 is read as fields 0..10 and 11..15 (242 bytes at most per answer).
constexpr uint8_t UsersFirstPart = 11;

}  // namespace

void EditControllerUsers(CommandHost& host) {
    TableEngine& tables = host.Tables();
    StatusBarPanel* panel = host.MessagePanel();
    if (!tables.ReadTable({TableStatesTable, 0, TableStatesCount}, panel)) return;
    // Any value but 0 marks a destroyed table, as the table state check reads it.
    if (tables.Image().Table(TableStatesTable)[UsersTableState] != 0) {
        ShowMessage(MessageKind::SeeControllerState, QStringLiteral("Таблица доступа пользователей"),
                    QStringLiteral("требует полной перезаписи"));
        return;
    }
    if (!tables.ReadTable({UsersTable, 0, UsersFirstPart}, panel)) return;
    if (!tables.ReadTable({UsersTable, UsersFirstPart, UserCount - UsersFirstPart}, panel)) return;

    uint8_t* users = tables.Image().Table(UsersTable);
    std::array<uint8_t, UsersListSize> old;
    std::copy_n(users, UsersListSize, old.begin());
    ChangeUserDialog form(users, host.Window());
    if (form.exec() != QDialog::Accepted || form.ChangedUser() < 0) return;
    const int user = form.ChangedUser();
    if (!tables.WriteTableChanges({UsersTable, uint8_t(user), 1}, UserRecordAt(old.data(), user), panel)) {
        // The controller keeps the user it had; so does the image.
        std::copy_n(UserRecordAt(old.data(), user), UserRecordSize, UserRecordAt(users, user));
    }
}

}  // namespace zmk
