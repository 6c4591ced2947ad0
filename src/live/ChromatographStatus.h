#pragma once

// Decoding of the status flags stored with each chromatograph archive record:
// the controller status byte and the chromatograph status word. The status
// window (ui/ChromatographStatusWindow) only shows what is built here.

#include <QString>
#include <QStringList>
#include <cstdint>

namespace zmk {

// Kind of record the flags come from.
enum ChromStatusMode : int {
    ChromStatusFiveMinute = 0,  // controller byte and chromatograph word
    ChromStatusHourDay = 1,     // controller byte only (any mode but 0 is taken as this)
};

inline constexpr char ChromStatusDefaultTitle[] =
    "Признаки наличия нештатных ситуаций, связанных с работой хроматографа";
inline constexpr char ChromStatusNormal[] = "Норма";

// Controller bits that mean no chromatograph data at all in a five-minute
// record: the chromatograph word is then not shown.
inline constexpr uint8_t ChromCtrlWasOff = 0x02;       // bit 1
inline constexpr uint8_t ChromCtrlNoLink = 0x20;  // bit 5

// Text of one controller status bit (0..7) for the mode; empty for a bit
// without text or outside 0..7.
QString ControllerStatusBitText(int mode, int bit);
// Text of one chromatograph status word bit (0..15, low byte first); empty
// outside 0..15. Each text starts with a blank.
QString ChromatographStatusBitText(int bit);

// Lines of the controller section: "Норма" for 0, else the texts of the set
// bits that have one, in bit order.
QStringList ControllerStatusLines(int mode, uint8_t status);
// Lines of the chromatograph section: "Норма" when both bytes are 0, else
// the texts of the set bits, low byte bits 0..7 first, then the high byte.
QStringList ChromatographStatusLines(uint8_t low, uint8_t high);

struct ChromStatusSection {
    bool Visible = false;
    QString Heading;    // "  Статус контроллера: 0x%02X" / "  Статус хроматографа: 0x%02X%02X"
    QStringList Lines;
};

struct ChromStatusView {
    ChromStatusSection Controller;
    ChromStatusSection Chromatograph;
};

// Both sections for one record. Five-minute mode: the controller section,
// and the chromatograph section unless the controller byte has bit 1 or 5
// set. Hourly/daily mode: the controller section only.
ChromStatusView DecodeChromStatus(int mode, uint8_t controllerStatus, uint8_t chromLow,
                                  uint8_t chromHigh);

}  // namespace zmk
