#pragma once

// The looks of the shared two-line message: caption, lines and buttons for
// each kind of message.

#include <QString>
#include <cstdint>

namespace zmk {

// Looks of the shared message; the caller stores one in
// ConnectionState::MessageKind right before ShowMessageBox.
enum MessageKindValue : int32_t {
    MsgError = 1,                // "Ошибка", acknowledgement
    MsgInputError = 2,           // "Ошибка ввода параметров", acknowledgement; the dialog stays open
    MsgQuestion = 3,             // no caption, "Да" / "Нет"
    MsgSeeControllerState = 4,   // third line "(см. текущее состояние контроллера)"
    MsgExchangeResult = 5,       // "Результат обмена с устройством", acknowledgement
    MsgInfo = 6,                 // no caption, acknowledgement
    MsgRetryQuestion = 7,        // third line "Повторить попытку?", "Да" / "Нет"
    MsgArchiveDatesChanged = 9,  // fixed lines about the archive bounds, first argument as line 3
    MsgArchiveDatesQuestion = 10,  // the same as a question, "Да" / "Нет"
};

// Caption, lines and buttons of the shared message for one MessageKind.
struct MessageLook {
    QString Caption;
    QString Line1;
    QString Line2;
    QString Line3;
    bool Question = false;  // "Да" and "Нет" instead of the acknowledgement button
};

// The look of a message with the two caller lines. Kinds outside the table
// (0, 8, anything else) show the two lines with no caption and the
// acknowledgement button, like kind 6.
MessageLook MessageLookFor(int32_t kind, const QString& first, const QString& second);

}  // namespace zmk
