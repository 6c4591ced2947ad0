#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

namespace zmk {

// Windows-1251, the program's own code page for every text in records,
// files and settings. Conversion by a table of our own at those boundaries.

// Text -> Windows-1251 bytes. A character that has no byte in the code page
// becomes '?'; *ok (when given) is then false.
QByteArray ToCp1251(const QString& text, bool* ok = nullptr);
// Windows-1251 bytes -> text. The one unassigned byte 0x98 becomes U+FFFD.
QString FromCp1251(QByteArrayView bytes);
// Upper case within the code page, byte for byte (Cyrillic and Latin letters).
uint8_t UpperCp1251(uint8_t byte);
// Text of a zero-terminated, fixed-size Windows-1251 slot.
QString FromCp1251Slot(const uint8_t* slot, int size);
// Fills a fixed-size slot with the text, zero-terminated and zero-padded;
// cut so that the terminator fits, and at a NUL inside the text. False when
// the text did not fit, held a NUL or had characters outside the code page.
bool ToCp1251Slot(const QString& text, uint8_t* slot, int size);

}  // namespace zmk
