#pragma once

// Pieces every parameter dialog is built from: the two modes, the lists of
// numbers and rates, showing a stored value that no list item stands for,
// and the input-error message.

#include <QString>

class QComboBox;
class QDialog;
class QHBoxLayout;
class QLineEdit;
class QPushButton;
class QWidget;

namespace zmk {

struct InputProblem;

// Where a parameter dialog's result goes: written to the connected
// controller ("Записать в устройство"), or kept in the configuration record
// the editor works on ("Принять"); nothing is sent in that mode.
enum class ParamsMode { Device, Record };

QString ConfirmCaption(ParamsMode mode);

// A list of the numbers from..to; editable lists take typed digits only.
QComboBox* NumberList(QWidget* parent, const char* name, int from, int to, bool editable = false);
// The 22 rates of the rate list.
QComboBox* RateChoiceList(QWidget* parent, const char* name);
// A list of the given texts.
QComboBox* TextList(QWidget* parent, const char* name, const QStringList& items);
// A digits-only field of at most maxDigits digits.
QLineEdit* DigitsField(QWidget* parent, const char* name, int maxDigits);

// Selects item `position`; a position outside the list leaves no choice and
// shows the stored value (" ? (40)") in the empty list, so that nothing the
// controller holds is hidden and the user must choose before confirming.
void SelectStored(QComboBox* list, int position, int storedValue);
// Editable list: the stored number as its text.
void SetTypedNumber(QComboBox* list, int value);

// "Записать в устройство"/"Принять" and "Отменить", bound to accept through
// `confirm` and to reject.
QHBoxLayout* ConfirmButtons(QDialog* dialog, ParamsMode mode, QPushButton** confirm);

// The input-error message (caption "Ошибка ввода параметров"); the dialog stays open.
void ShowInputProblem(const InputProblem& problem);

}  // namespace zmk
