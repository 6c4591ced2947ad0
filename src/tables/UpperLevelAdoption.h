#pragma once

// After the controller's own link parameters (table 3) were written, the
// program must follow them: the controller answers the next request only at
// its new address (and, on the direct line, at its new rate).

#include <cstdint>

namespace zmk {

class ControllerLink;
struct MainSettings;
struct SubscriberLists;

// Where the adopted address was kept for the next connection.
enum class AdoptedInto {
    Nothing,        // telephone or Ethernet link without a current subscriber
    MainSettings,   // the direct-line record of the settings
    PhoneList,      // the current telephone subscriber
    EthernetList,   // the current Ethernet subscriber
};

// The link takes the address of table 3 (fields: address, rate code, ...).
// Only on the direct line does it also take the rate: over a modem the
// program's line runs at the modem's rate, whatever the controller's line
// behind it uses, and the Ethernet link has no rate at all. A code that
// stands for no rate leaves the rate as it is. The address (and on the
// direct line the rate) is kept where the next connection takes it from.
// The channel is the link's own (the one the request went over).
AdoptedInto AdoptUpperLevelLink(ControllerLink& link, MainSettings& settings, SubscriberLists& lists,
                                const uint8_t* table3);

}  // namespace zmk
