#pragma once

// "Доступ пользователей к таблицам параметров": the users of the connected
// controller, one user changed at a time.

namespace zmk {

class CommandHost;

// Reads the table states (table 7) and refuses a destroyed users table,
// reads the users (table 4), lets the user change one in the users dialog
// and writes that user's record when it differs from what was read.
// "Выход" writes nothing; a failed exchange ends after the retry question,
// with the link's status text (the controller's refusal) on the status panel.
void EditControllerUsers(CommandHost& host);

}  // namespace zmk
