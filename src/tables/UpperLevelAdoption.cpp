#include "tables/UpperLevelAdoption.h"

#include "link/ControllerLink.h"
#include "link/SubscriberList.h"
#include "settings/MainSettings.h"
#include "tables/LinkParams.h"

namespace zmk {

AdoptedInto AdoptUpperLevelLink(ControllerLink& link, MainSettings& settings, SubscriberLists& lists,
                                const uint8_t* table3) {
    const uint8_t address = table3[UpperLevelField::Address];
    link.Address = address;
    switch (link.ChannelKind) {
    case ChannelPhone:
        // The entry lies in the list handed in, which is ours to change.
        if (auto* entry = const_cast<PhoneAbonent*>(CurrentAbonent(lists.phone))) {
            entry->Address = address;
            return AdoptedInto::PhoneList;
        }
        return AdoptedInto::Nothing;
    case ChannelEthernet:
        if (auto* entry = const_cast<EthernetAbonent*>(CurrentAbonent(lists.ethernet))) {
            entry->Address = address;
            return AdoptedInto::EthernetList;
        }
        return AdoptedInto::Nothing;
    default:
        settings.Direct.Address = address;
        if (const int32_t rate = RateOfCode(table3[UpperLevelField::RateCode]); rate > 0) {
            link.BaudRate = rate;
            settings.Direct.Rate = rate;
        }
        return AdoptedInto::MainSettings;
    }
}

}  // namespace zmk
