#pragma once

// The state of the current connection, shared by the main window and the
// commands it runs.

#include <cstdint>

namespace zmk {

class ControllerLink;
class StatusBarPanel;

// The state of the current connection, one record for the whole run.
// Every flag starts cleared and every reference empty.
struct ConnectionState {
    // A connection with an accepted controller is established.
    bool Connected = false;
    // A version-14 controller took a whole configuration: close the link after the write.
    bool DisconnectAfterWrite = false;
    // The one link object, created at start-up; not owned here.
    ControllerLink* Link = nullptr;
    // One-panel bar of the main window showing the selected subscriber; not owned.
    StatusBarPanel* LinkInfoBar = nullptr;
    // One-panel bar of the main window used by the modem dialogue; not owned.
    StatusBarPanel* ModemBar = nullptr;
    // Field 8 of table 6: a moisture meter is connected.
    bool MoistureMeterPresent = false;
    // Bit 0 of field 7 of table 14 is clear: the hexane value is in the parameter list.
    bool HexaneInList = false;

};

// The shared record (a function-local static, alive for the whole run).
ConnectionState& Shared();

}  // namespace zmk
