#pragma once

namespace zmk {

// Set while the main window is being closed in the middle of a command: the
// shared message dialog shows nothing and answers every question "Нет"
// (no retries), and a command opens no further window (a viewer of what it
// read) but returns, so that the window can go once it has.
bool ProgramClosing();
void SetProgramClosing(bool closing);

}  // namespace zmk
