#include "link/ui/LinkSummary.h"

#include <QString>

#include "settings/MainSettings.h"
#include "common/StatusBarPanel.h"
#include "link/SubscriberList.h"
#include "link/ControllerLink.h"

namespace zmk {

namespace {

void SetText(StatusBarPanel* panel, const QString& text) {
    if (panel != nullptr) panel->setText(text);
}

QString PortText(const ChannelParams& record) {
    return QStringLiteral(" COM%1,   %2 бит/с").arg(record.Port).arg(record.Rate);
}

QString AddressText(int address) { return QStringLiteral(" Адр. %1").arg(address); }

}  // namespace

void ShowLinkParams(StatusBarPanel* portPanel, StatusBarPanel* addressPanel, StatusBarPanel* subscriberBar) {
    SetText(portPanel, QString());
    SetText(addressPanel, QString());
    SetText(subscriberBar, QString());

    const MainSettings& settings = Settings();
    switch (settings.ChannelKind) {
    case ChannelDirect:
        SetText(portPanel, PortText(settings.Direct));
        SetText(addressPanel, AddressText(settings.Direct.Address));
        break;
    case ChannelPhone:
        if (const PhoneAbonent* entry = CurrentAbonent(Subscribers().phone)) {
            SetText(portPanel, PortText(settings.Phone));
            SetText(addressPanel, AddressText(entry->Address));
            SetText(subscriberBar,
                    QStringLiteral(" %1 (тел. %2)").arg(AbonentName(*entry), AbonentPhone(*entry)));
        }
        break;
    case ChannelEthernet:
        if (const EthernetAbonent* entry = CurrentAbonent(Subscribers().ethernet)) {
            SetText(addressPanel, AddressText(entry->Address));
            SetText(subscriberBar,
                    QStringLiteral(" %1 (IP-адр. %2)").arg(AbonentName(*entry), IpAddressText(*entry)));
        }
        break;
    default:
        break;
    }

    for (StatusBarPanel* panel : {portPanel, addressPanel})
        if (panel != nullptr) panel->repaint();
}

}  // namespace zmk
