#include "common/ArchiveReading.h"

namespace zmk {

ArchiveReadingState& ArchiveReading() {
    static ArchiveReadingState state;
    return state;
}

}  // namespace zmk
