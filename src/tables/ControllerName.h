#pragma once

// The controller's name (table 5): one field of 20 bytes, padded with
// spaces, kept by the controller in its text code page (identification
// field 12: 0 = the DOS code page, else Windows-1251). The configuration
// image holds it in Windows-1251 except during a write.

#include <QString>
#include <cstdint>

namespace zmk {

constexpr int NameTable = 5;
constexpr int NameLength = 20;

// The name of the 20 Windows-1251 bytes with leading and trailing spaces
// removed (zero bytes count as spaces).
QString NameText(const uint8_t* name);

// The characters of `text` that the name cannot hold, each once, in order:
// those without a byte in Windows-1251, control characters, and - when the
// controller keeps its texts in the DOS code page - those that do not come
// back from it as they went. Empty when the whole text can be stored.
QString UnstorableNameCharacters(const QString& text, bool dosCodePage);

// The 20 bytes: spaces, then the text's Windows-1251 bytes from the start
// (at most 20). The caller has checked the text with UnstorableNameCharacters.
void PutNameText(const QString& text, uint8_t* name);

}  // namespace zmk
