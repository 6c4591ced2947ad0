#pragma once

// The serial rates offered everywhere in the program (connection parameters,
// communication parameter dialogs), in the order of the lists that show them.

#include <array>
#include <cstdint>

namespace zmk {

inline constexpr int RateCount = 22;

// bit/s, index 0..21.
inline constexpr std::array<int32_t, RateCount> RateList = {
    300,   600,   1200,  2400,  3200,  3600,  4800,  5760,  6400,  7200,   7680,
    9600,  11520, 12800, 14400, 19200, 23040, 28800, 38400, 57600, 115200, 230400,
};

// Index of a rate in the list; -1 when the rate is not in it.
int RateIndex(int32_t rate);

// Rate at an index of the list; 0 for an index outside 0..21.
int32_t RateAt(int index);

}  // namespace zmk
