#pragma once

// Shared state and small helpers used by every subsystem: the connection
// state record, the looks of the shared message, the key filters of numeric
// fields and the number, date and text helpers. QtCore only: the window
// layer builds its dialogs on top of this (app/ui/Question, Wait, KeyFilters).

#include <QByteArrayView>
#include <QChar>
#include <QString>
#include <cstdint>

namespace zmk {

class hgcbox;
class StatusBarPanel;

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

// The state of the current connection, one record for the whole run.
// Every flag starts cleared and every reference empty.
struct ConnectionState {
    // Look of the next shared message (MessageKindValue).
    int32_t MessageKind = 0;
    // A connection with an accepted controller is established.
    bool Connected = false;
    // A version-14 controller took a whole configuration: close the link after the write.
    bool DisconnectAfterWrite = false;
    // A long archive read is running and Esc may interrupt it.
    bool ReadingInProgress = false;
    // Esc was pressed during such a read (or the read ends itself); polled and
    // cleared by the archive reads.
    bool ReadAbortRequested = false;
    // The one link object, created at start-up; not owned here.
    hgcbox* Link = nullptr;
    // One-panel bar of the main window showing the selected subscriber; not owned.
    StatusBarPanel* LinkInfoBar = nullptr;
    // One-panel bar of the main window used by the modem dialogue; not owned.
    StatusBarPanel* ModemBar = nullptr;
    // Field 8 of table 6: a moisture meter is connected.
    bool MoistureMeterPresent = false;
    // Bit 0 of field 7 of table 14 is clear: the hexane value is in the parameter list.
    bool HexaneInList = false;

    // Not part of the connection itself, but shared the same way: the answer
    // of the last question of the shared message dialog. Cleared whenever the
    // dialog is created, set only by its "Да" button.
    bool QuestionAnswer = false;
};

// The shared record (a function-local static, alive for the whole run).
ConnectionState& Shared();

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

// Key filters of edit fields. They get the field's text, the caret position
// (0..length, clamped when out of range) and the typed character, and return
// the character to insert, or a null QChar when the key is swallowed.
// Backspace arrives as '\b' and passes both filters.
inline constexpr char16_t KeyBackspace = u'\b';

// Digits, backspace, '%' and '\'' pass; everything else is swallowed.
QChar IntKeyFilter(const QString& text, int caret, QChar key);

// A floating-point number with an optional exponent ("-1.5e-03"):
// ',' is turned into '.', and only characters that keep the text well formed
// at the caret pass.
QChar FloatKeyFilter(const QString& text, int caret, QChar key);

// True when all 8 exponent bits are set (infinity or not-a-number).
bool IsBadFloat(float value);

// A controller float as shown everywhere: "NAN", "0", "%.4e" below 1e-6 in
// magnitude, otherwise fixed notation whose decimals shrink as the value
// grows (5 below 1e-4 down to none from 10000 up). The separator is always ".".
QString FormatFloatValue(float value);

// Whole hours from stamp a to stamp b (bytes year-2000, month, day, hour);
// negative when b is earlier. 0 when either stamp is not a real date and hour.
int32_t HoursBetween(const uint8_t a[4], const uint8_t b[4]);

enum PeriodKind : int32_t {
    PeriodHours = 0,
    PeriodDays = 1,
    PeriodMonths = 2,
};

// Length of an archive period for sizing a progress bar: the hours as they
// are for PeriodHours; whole days, or whole days / 30, but at least 1, for
// PeriodDays and PeriodMonths; 1 for any other kind.
int32_t PeriodLength(const uint8_t a[4], const uint8_t b[4], int32_t kind);

// Whether pattern occurs in text; false for an empty text or one shorter
// than the pattern.
bool FindSubstring(QByteArrayView text, QByteArrayView pattern);

}  // namespace zmk
