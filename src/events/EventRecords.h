#pragma once

// Records of the controller's two event archives as they come in the archive
// answers and as they are kept in "datafile.ala" / "datafile.aud":
// little-endian, packed, floats as raw IEEE-754 singles, each record closed
// by its own CRC-16/MODBUS (low byte first).

#include <array>
#include <cstdint>

#include "common/PackedDate.h"

namespace zmk {

// The two event archives.
enum class EventKind : uint8_t {
    Diagnostics = 0,    // diagnostic messages, ".ala"
    Interventions = 1,  // operator interventions, ".aud"
};

// One diagnostic message (22 bytes).
//
//  offset size
//   0      6   time of the event (PackedDate)
//   6      1   diagnostic code
//   7      1   not interpreted
//   8      1   first argument: table number of the object, or an object code
//   9      1   second argument: field index, bit number, address or gas parameter
//  10      4   value: float (current value) or uint32 (old checksum), by code
//  14      4   second value: float (setpoint) or uint32 (new checksum), by code
//  18      2   not interpreted
//  20      2   CRC-16/MODBUS of bytes 0..19
struct DiagnosticRecord {
    static constexpr int Size = 22;
    std::array<uint8_t, Size> bytes{};

    static DiagnosticRecord FromBytes(const uint8_t* bytes);

    PackedDate Time() const;
    uint8_t Code() const { return bytes[6]; }
    uint8_t First() const { return bytes[8]; }
    uint8_t Second() const { return bytes[9]; }
    const uint8_t* Value() const { return bytes.data() + 10; }
    const uint8_t* SecondValue() const { return bytes.data() + 14; }
    // CRC over all 22 bytes is 0.
    bool Intact() const;
    // Fills the checksum so that Intact() holds.
    void Seal();
};

// One change of a configuration field by a user (24 bytes).
//
//  offset size
//   0      6   time of the change (PackedDate)
//   6      1   not interpreted
//   7      1   table number
//   8      1   field index
//   9      1   unit code
//  10      4   old value (meaning by table and field)
//  14      4   new value
//  18      4   operator name, 4 characters (a zero byte ends it)
//  22      2   CRC-16/MODBUS of bytes 0..21
struct InterventionRecord {
    static constexpr int Size = 24;
    static constexpr int OperatorSize = 4;
    std::array<uint8_t, Size> bytes{};

    static InterventionRecord FromBytes(const uint8_t* bytes);

    PackedDate Time() const;
    uint8_t Table() const { return bytes[7]; }
    uint8_t Field() const { return bytes[8]; }
    uint8_t Unit() const { return bytes[9]; }
    const uint8_t* OldValue() const { return bytes.data() + 10; }
    const uint8_t* NewValue() const { return bytes.data() + 14; }
    const uint8_t* Operator() const { return bytes.data() + 18; }
    bool Intact() const;
    void Seal();
};

inline constexpr int EventRecordSize(EventKind kind) {
    return kind == EventKind::Diagnostics ? DiagnosticRecord::Size : InterventionRecord::Size;
}

}  // namespace zmk
