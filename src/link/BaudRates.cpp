#include "link/BaudRates.h"

namespace zmk {

int RateIndex(int32_t rate) {
    for (int i = 0; i < RateCount; ++i) {
        if (RateList[i] == rate) return i;
    }
    return -1;
}

int32_t RateAt(int index) {
    if (index < 0 || index >= RateCount) return 0;
    return RateList[index];
}

}  // namespace zmk
