#include "app/ConnectionState.h"

namespace zmk {

ConnectionState& Shared() {
    static ConnectionState state;
    return state;
}

}  // namespace zmk
