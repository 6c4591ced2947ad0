#pragma once

#include <cstdint>

namespace zmk {

// In-place translations of texts the controller keeps in the DOS Cyrillic
// code page: Windows-1251 -> CP866 and back. Return the length.
int EncodeDosText(uint8_t* bytes, int length);
int DecodeDosText(uint8_t* bytes, int length);

}  // namespace zmk
