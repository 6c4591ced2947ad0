#pragma once

#include <ostream>

#include "link/Frame.h"
#include "link/ModemDialogue.h"

// Lets GoogleTest print the link statuses and dial results as their numbers.
namespace zmk {
inline void PrintTo(LinkStatus status, std::ostream* os) { *os << "LinkStatus " << int(status); }
inline void PrintTo(DialResult result, std::ostream* os) { *os << "DialResult " << int(result); }
}  // namespace zmk
