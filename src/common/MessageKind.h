#pragma once

// The looks of the shared two-line message: caption, lines and buttons for
// each kind of message.

#include <QString>
#include <cstdint>

namespace zmk {

// Kinds of the shared message: each gives the caption, the fixed third
// line and the buttons of its look.
enum class MessageKind : int32_t {
    None = 0,                   // the two lines only, acknowledgement
    Error = 1,                  // "Ошибка", acknowledgement
    InputError = 2,             // "Ошибка ввода параметров", acknowledgement; the dialog stays open
    Question = 3,               // no caption, "Да" / "Нет"
    SeeControllerState = 4,     // third line "(см. текущее состояние контроллера)"
    ExchangeResult = 5,         // "Результат обмена с устройством", acknowledgement
    Info = 6,                   // no caption, acknowledgement
    RetryQuestion = 7,          // third line "Повторить попытку?", "Да" / "Нет"
    ArchiveDatesChanged = 9,    // fixed lines about the archive bounds, first argument as line 3
    ArchiveDatesQuestion = 10,  // the same as a question, "Да" / "Нет"
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
// (None, 8, anything else) show the two lines with no caption and the
// acknowledgement button, like kind 6.
MessageLook MessageLookFor(MessageKind kind, const QString& first, const QString& second);

}  // namespace zmk
