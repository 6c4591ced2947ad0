#pragma once

// The controller's communication parameter tables: the link with the upper
// level (table 3), with the flow computers (table 9), the chromatograph
// (table 14), the moisture meter (table 15) and its own Ethernet settings
// (table 29). Field places, ranges, baud-rate codes and the checks of the
// values a user typed, without any window.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

namespace zmk {

inline constexpr int UpperLevelLinkTable = 3;      // 4 x 1
inline constexpr int FlowComputerLinkTable = 9;    // 8 x 1
inline constexpr int ChromatographLinkTable = 14;  // 8 x 1
inline constexpr int MoistureMeterLinkTable = 15;  // 8 x 1
inline constexpr int EthernetLinkTable = 29;       // 7 x 4

// Table 3.
struct UpperLevelField {
    enum : int { Address = 0, RateCode = 1, Preambles = 2, Reserved = 3, Count = 4 };
};
// Table 14.
struct ChromatographField {
    enum : int { Address = 0, RateCode = 1, Mode = 2, Parity = 3, Timeout = 4, FailedPolls = 5, Type = 6, Flags = 7, Count = 8 };
};
// Table 15.
struct MoistureMeterField {
    enum : int { Address = 0, RateCode = 1, Mode = 2, Reserved = 3, Timeout = 4, FailedPolls = 5, Type = 6, Reserved2 = 7, Count = 8 };
};
// Table 9.
struct FlowLinkField {
    enum : int {
        ComputerCount = 0,
        RateCode = 1,
        FailedExchanges = 2,
        Timeout = 3,     // tenths of a second
        Preambles = 4,
        WriteMode = 5,   // 0 do not write, 1 on deviation, 2 periodically
        TemperatureComputer = 6,  // index 0 .. count - 1
        TemperaturePipeline = 7,  // 1..3
        Count = 8,
    };
};
// Table 29: three IPv4 addresses, then four ports, each a 4-byte field.
struct EthernetField {
    enum : int { Ip = 0, Mask = 1, Gateway = 2, FirstPort = 3, Count = 7 };
};

// Identification (table 0) field 11: 0 = the controller works at one rate only.
inline constexpr int IdentSeveralRatesField = 11;

// Chromatograph link flags: bit 0 set = the hexane value is not used in the parameter list.
inline constexpr uint8_t NoHexaneBit = 0x01;
// The one chromatograph type the program offers ("NGC8200").
inline constexpr uint8_t Ngc8200Type = 4;

// Ranges of the typed or chosen values.
inline constexpr int UpperAddressMin = 1, UpperAddressMax = 254;
inline constexpr int ModbusAddressMin = 1, ModbusAddressMax = 247;
inline constexpr int AnalyserTimeoutMin = 5, AnalyserTimeoutMax = 255;  // hundredths of a second
inline constexpr int FailedPollsMin = 1, FailedPollsMax = 10;
inline constexpr int PreamblesMax = 255;
inline constexpr int FlowTimeoutMin = 1, FlowTimeoutMax = 255;  // tenths of a second
inline constexpr int FlowPipelineMax = 3;
inline constexpr int MaxFlowComputerCount = 16;
inline constexpr int EthernetPortMax = 65535;

// Baud-rate codes (tables 3, 9, 14, 15): code c = 0..21 is the position of a
// rate in the program's rate list; every other code stands for no rate.
inline constexpr uint8_t NoRateCode = 255;
// bit/s of a code; 0 for a code that stands for no rate.
int32_t RateOfCode(int code);
// Code of a rate of the list; NoRateCode for any other rate.
uint8_t CodeOfRate(int32_t rate);

// A whole number typed or pasted into a digits-only field. Nothing for an
// empty text, for one with anything but decimal digits in it (the key filter
// lets "%" and "'" through, and pasted text is not filtered at all), and for
// one too long to be the value of any field.
std::optional<int> TypedNumber(const QString& text);

// A refused input: the two lines of the input-error message.
struct InputProblem {
    QString Line1;
    QString Line2;
    bool operator==(const InputProblem&) const = default;
};
using InputCheck = std::optional<InputProblem>;

// "Введены не все параметры".
InputProblem MissingInput();

// What the user entered in a dialog: texts of typed fields, positions of
// list choices (-1 = no choice).
struct UpperLevelInput {
    QString Address;
    bool RateEnabled = true;
    int RatePosition = -1;
    QString Preambles;
};
InputCheck CheckUpperLevelInput(const UpperLevelInput& in);

struct ChromatographInput {
    QString Address;
    int RatePosition = -1, ModePosition = -1, ParityPosition = -1, TimeoutPosition = -1, FailedPollsPosition = -1,
        TypePosition = -1;
};
InputCheck CheckChromatographInput(const ChromatographInput& in);

struct MoistureMeterInput {
    QString Address;
    QString Timeout;
    int ModePosition = -1, FailedPollsPosition = -1, TypePosition = -1;
};
InputCheck CheckMoistureMeterInput(const MoistureMeterInput& in);

struct FlowLinkInput {
    int CountPosition = -1, RatePosition = -1, FailedPosition = -1, TimeoutPosition = -1, ComputerPosition = -1,
        PipelinePosition = -1;
    QString Preambles;
    int WriteMode = -1;
};
InputCheck CheckFlowLinkInput(const FlowLinkInput& in);

// The twelve dotted numbers (IP address, mask, gateway) and four ports.
struct EthernetInput {
    std::array<QString, 12> Dotted;
    std::array<QString, 4> Ports;
};
InputCheck CheckEthernetInput(const EthernetInput& in);
// Names of the three addresses and four ports, as labelled in the dialog.
QString EthernetAddressName(int address);  // 0..2
QString EthernetPortName(int port);        // 0..3

// An IPv4 address in table 29: the first dotted number in byte 3, the last in byte 0.
void PutDottedAddress(uint8_t* field, const std::array<uint8_t, 4>& dotted);
std::array<uint8_t, 4> DottedAddress(const uint8_t* field);
// 32-bit numbers of table 29, least significant byte first.
void PutU32(uint8_t* field, uint32_t value);
uint32_t GetU32(const uint8_t* field);

}  // namespace zmk
