#pragma once

// The main settings file "zmk.ini".
//
// zmk.ini holds four sections: "CURR_PAR" (current channel kind, port use,
// main window geometry), "DIR_CONN_PAR" (direct link), "FON_CONN_PAR"
// (telephone/GSM link) and "ETHERNET_CONN_PAR". Integers are decimal;
// yes/no values are 1 or 0 and any non-zero number reads as yes; a missing
// value or one that is not a valid integer reads as the default; values
// held in one-byte fields keep the low 8 bits of the number read. Texts are
// Windows-1251 in the file.

#include <QMap>
#include <QString>
#include <array>
#include <cstdint>

namespace zmk {

// Channel parameter record, one per channel kind. The Ethernet record uses
// only the address, preambles, attempts, byte gap and answer wait.
struct ChannelParams {
    uint8_t Port = 1;          // "COMPort": serial port number (COM n)
    uint8_t Address = 1;       // "Adr": controller address (255 = adopt the answering address)
    int32_t Rate = 38400;      // "Rate": bit/s
    uint8_t Preambles = 5;     // "Preambles": 0xFF bytes ahead of each request
    uint8_t Attempts = 1;      // "Repeat": sends per request
    int32_t ByteGapMs = 100;   // "TimeOut": ms allowed between answer bytes
    int32_t AnswerWaitS = 2;   // "WaitTime": s allowed for the answer to start

    bool operator==(const ChannelParams&) const = default;
};

// Longest modem command; a longer "Command" in a hand-edited file is cut to
// this many characters when read (and never written longer).
inline constexpr int MaxModemCommandLength = 200;

// The settings block. Every default of zmk.ini is an initialiser here, except
// the window position, whose default depends on the screen (FormLeft/FormTop below).
struct MainSettings {
    // "CURR_PAR"
    uint8_t ChannelKind = 0;    // "Conn_Prz": 0 direct, 1 telephone/GSM modem, 2 Ethernet
    int32_t FreePortWait = 1;   // "Free_Port_Wait": port-release wait, s
    bool DoClosePort = false;   // "Do_Close_Port": direct link opens the port per request
    int32_t FormWidth = 1000;   // "Form_Width"
    int32_t FormHeight = 680;   // "Form_Height"
    int32_t FormLeft = 0;       // "Form_Left": default (screen width - width) / 2
    int32_t FormTop = 0;        // "Form_Top": default (screen height - height) / 2

    // "DIR_CONN_PAR"
    ChannelParams Direct{};

    // "FON_CONN_PAR": the record and its further keys
    ChannelParams Phone{.AnswerWaitS = 6};
    bool DefaultCommand = false;   // "Default_Command": kept and written back only
    QString Command;               // "Command": modem command, at most MaxModemCommandLength characters
    int32_t PhoneConnectWait = 50; // "ConnectWaitTime": s to wait for the modem connection
    bool AutoRepeat = false;       // "AutoRepeat": kept and written back only
    int32_t PhoneConnRepeat = 1;   // "Conn_Repeat": dialling attempts
    // "Escape_Guard" (read only, never written): silence around the modem's
    // escape "+++" in ms, for modems whose guard time (S12) is longer than
    // the 1200 ms the dialogue always keeps; 0 or less: that least.
    int32_t EscapeGuardMs = 0;

    // "ETHERNET_CONN_PAR": the record (without port and rate) and its further keys
    ChannelParams Ethernet{.ByteGapMs = 300, .AnswerWaitS = 5};
    int32_t EthernetConnectWait = 10;  // "ConnectWaitTime": s allowed for the TCP connection
    int32_t EthernetConnRepeat = 1;    // "Conn_Repeat": connection attempts

    // "COM_PORTS" (read only, never written): device of a serial port number
    // on systems without COM names, as "COM3=/dev/ttyUSB0". Port numbers
    // 1..255; an empty device is ignored.
    QMap<int, QString> PortDevices;

    bool operator==(const MainSettings&) const = default;
};

// The settings block of the run and the snapshot it is compared with.
MainSettings& Settings();
const MainSettings& SettingsSnapshot();
// Takes the snapshot of the whole settings block.
void TakeSettingsSnapshot();

// Reads every key of the four sections from a loaded or missing file; a
// missing or unreadable file gives the defaults. The window position defaults
// centre the window on a screen of the given size.
MainSettings ReadMainSettingsFrom(const QString& path, int screenWidth, int screenHeight);

// Reads the file into Settings() and takes the snapshot.
void ReadMainSettings(const QString& path, int screenWidth, int screenHeight);

// Rewrites, key by key, only the sections of `current` that differ from
// `snapshot`; other sections, unknown keys and comments of the file stay as
// they are. Does not touch the file at all when nothing changed, nor when the
// file exists but could not be read (it would be lost otherwise). On a
// successful write the written sections of the snapshot take the current
// values; on a failure the snapshot stays, so the next call tries again.
// True when nothing had to be written or the write succeeded.
bool WriteMainSettings(const QString& path, const MainSettings& current, MainSettings& snapshot);

// The same for Settings() and its snapshot. Write failures are not reported
// to the user; the result is for callers that care.
bool WriteMainSettings(const QString& path);

}  // namespace zmk
