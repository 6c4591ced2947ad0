#pragma once

namespace zmk {

class StatusBarPanel;

// Shows the current link on the main window's bars: panel 0 of the first bar
// the port and rate (" COM%d,   %d бит/с"), panel 1 the controller address
// (" Адр. %d"), and the subscriber bar the chosen
// subscriber (" %s (тел. %s)" or " %s (IP-адр. %d.%d.%d.%d)"). All three are
// cleared first; an Ethernet link shows no port, and a telephone or Ethernet
// link with an empty subscriber list shows nothing. Values come from
// Settings() and Subscribers(). Any of the panels may be null.
void ShowLinkParams(StatusBarPanel* portPanel, StatusBarPanel* addressPanel, StatusBarPanel* subscriberBar);

}  // namespace zmk
