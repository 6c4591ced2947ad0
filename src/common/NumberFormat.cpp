#include "common/NumberFormat.h"

#include <bit>
#include <cmath>
#include <cstdint>

namespace zmk {

bool IsBadFloat(float value) {
    constexpr uint32_t kExponentMask = 0x7F800000u;
    return (std::bit_cast<uint32_t>(value) & kExponentMask) == kExponentMask;
}

QString FormatFloatValue(float value) {
    if (IsBadFloat(value))
        return QStringLiteral("NAN");
    if (value == 0.0f)
        return QStringLiteral("0");
    // The thresholds are compared in double, so that a float just under a
    // decimal bound (1e-6f is 9.99999997e-7) falls below it.
    const double v = value;
    const double magnitude = std::fabs(v);
    if (magnitude < 1e-6)
        return QString::number(v, 'e', 4);
    // At most 10 significant digits: from 1e10 up the integer part alone is
    // longer, so such values are shown in exponent form with 10 digits.
    constexpr double kTenDigitLimit = 1e10;
    if (magnitude >= kTenDigitLimit)
        return QString::number(v, 'e', 9);
    int decimals = 0;
    if (magnitude < 1e-4)
        decimals = 5;
    else if (magnitude < 10)
        decimals = 4;
    else if (magnitude < 100)
        decimals = 3;
    else if (magnitude < 1000)
        decimals = 2;
    else if (magnitude < 10000)
        decimals = 1;
    return QString::number(v, 'f', decimals);
}


}  // namespace zmk
