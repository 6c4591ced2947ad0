#pragma once

// Key rules of numeric edit fields, free of any widget: the window layer's
// NumericKeyFilter applies them to line edits.

#include <QChar>
#include <QString>

namespace zmk {

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

}  // namespace zmk
