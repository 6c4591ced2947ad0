#pragma once

// Display precision and units of the five limits the controller keeps for
// each gas parameter in tables 22..26 (dead band, lower and upper warning
// set point, lower and upper bound of the values written into the flow
// computers), as far as the event decoders need them.

#include <QString>

namespace zmk {

enum class GasLimitKind : int {
    DeadBand = 0,      // "ЗН", table 22
    LowerWarning = 1,  // "НПУ", table 23
    UpperWarning = 2,  // "ВПУ", table 24
    LowerBound = 3,    // "НДП", table 25
    UpperBound = 4,    // "ВДП", table 26
};

inline constexpr int FirstGasLimitTable = 22;
inline constexpr int LastGasLimitTable = 26;

// Decimal places of a limit of gas parameter 0..19; -1 for a parameter
// outside that range (the caller picks its own precision then).
int GasLimitDecimals(GasLimitKind kind, int parameter);
// Unit of gas parameter 0..19 ("%", "МДж/м3", "кг/м3", "°С"); empty for the
// unused parameters 18 and 19 and for anything outside 0..19.
QString GasLimitUnit(int parameter);

}  // namespace zmk
