#pragma once

// Edit fields of the users dialogs: the name, the write password and the
// identification code. Typed and pasted text are checked alike: a field
// takes only characters that the Windows-1251 code page has (the users
// table holds its texts in it), and the code only what its key filter lets
// through.

#include <QString>

class QLineEdit;
class QWidget;

namespace zmk {

// A name field: at most 4 characters.
QLineEdit* MakeUserNameEdit(QWidget* parent, const char* objectName);
// A masked password field: at most 12 characters.
QLineEdit* MakePasswordEdit(QWidget* parent, const char* objectName);
// A masked code field: at most 4 characters, digits as typed with the
// numeric key filter.
QLineEdit* MakeCodeEdit(QWidget* parent, const char* objectName);

}  // namespace zmk
