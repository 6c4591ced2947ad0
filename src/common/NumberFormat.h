#pragma once

// Controller floats as the program shows them everywhere.

#include <QString>

namespace zmk {

// True when all 8 exponent bits are set (infinity or not-a-number).
bool IsBadFloat(float value);

// A controller float as shown everywhere: "NAN", "0", "%.4e" below 1e-6 in
// magnitude, otherwise fixed notation whose decimals shrink as the value
// grows (5 below 1e-4 down to none from 10000 up). The separator is always ".".
QString FormatFloatValue(float value);

}  // namespace zmk
