#pragma once

// The flow computers (up to 16) the controller sends gas parameters to: their
// tables, the working list the dialogs edit, and the writes that store it.

#include <QString>
#include <array>
#include <cstdint>

#include "tables/LabelList.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"

namespace zmk {

class StatusBarPanel;

inline constexpr int FlowPasswordTable = 13;     // 16 x 16, written only
inline constexpr int FlowTypeTable = 17;         // 16 x 1
inline constexpr int FlowAddressTable = 18;      // 16 x 1
inline constexpr int FlowPipelineTable = 19;     // 16 x 1, bit k = pipeline k + 1
inline constexpr int FlowByteOrderTable = 20;    // 16 x 1
inline constexpr int GasParameterWriteTable = 21;  // 20 x 1: 1 = write the parameter
inline constexpr int HourlyWritePeriodTable = 28;  // 2 x 1: hours, 0
inline constexpr int FlowLinkStateTable = 34;    // 16 x 1, read only
inline constexpr int FlowWriteStateTable = 35;   // 16 x 1, read only

inline constexpr int MaxFlowComputers = MaxFlowComputerCount;
inline constexpr int FlowPasswordSize = 16;
inline constexpr int FlowTypeCount = FlowComputerTypeCount;  // 0 "ФЛОУТЭК" .. 3 "ДФ-1"
inline constexpr int FlowByteOrderCount = ByteOrderCount;
// Type with a single pipeline ("ФЛОУКОР, ПМ-3В"); the others have three.
inline constexpr uint8_t SinglePipelineType = 1;
// Gas parameters never written into flow computers (oxygen, lower heating value).
inline constexpr int NeverWrittenParameters[] = {15, 16};
// Periods of writing hourly means, hours.
inline constexpr std::array<int, 7> HourlyWritePeriods = {1, 2, 3, 4, 6, 12, 24};

#pragma pack(push, 1)
// One flow computer, as also laid out inside a configuration record.
struct FlowComputerEntry {
    uint8_t Address = 0;
    uint8_t Type = 0;
    uint8_t Pipelines = 0;  // bit k = pipeline k + 1
    uint8_t ByteOrder = 0;
    std::array<uint8_t, FlowPasswordSize> Password{};  // blank-padded

    bool operator==(const FlowComputerEntry&) const = default;
};
#pragma pack(pop)
static_assert(sizeof(FlowComputerEntry) == 20);

// An entry with every field zero and the password of blanks.
FlowComputerEntry BlankFlowComputer();

// The working list of the list dialog: the entries, and per entry whether its
// password was typed (and must be written) and whether it is entered as a
// 12-character password and a 4-digit code.
struct FlowComputerList {
    int Count = 0;
    std::array<FlowComputerEntry, MaxFlowComputers> Entries{};
    std::array<bool, MaxFlowComputers> PasswordEntered{};
    std::array<bool, MaxFlowComputers> SplitPassword{};
};

// The list of the first count computers of the image's tables 17..20 (count
// is brought into 0..16); passwords are blank, none entered.
FlowComputerList FlowComputersFromImage(const ConfigImage& image, int count);
// Puts the list into the image: its count into table 9 field 0, its entries
// into fields 0 .. count - 1 of tables 17..20 and 13.
void StoreFlowComputers(ConfigImage& image, const FlowComputerList& list);
// Removes entry index: the following ones move up by one, taking their
// layout with them and marked for a password write at their new place.
void RemoveFlowComputer(FlowComputerList& list, int index);
// The list dialog's check before it hands the list back: the first entry with
// an impossible address, type or byte order, then the first address that a
// later entry repeats.
InputCheck CheckFlowComputers(const FlowComputerList& list);

// Texts of a type and a byte order as the list shows them; a value out of
// range shows as " ?" with the value.
QString FlowTypeText(uint8_t type);
QString FlowByteOrderText(uint8_t order);

// Copies of tables 17..20 as the controller holds them, to write by difference against.
struct FlowComputerCopies {
    std::array<std::array<uint8_t, MaxFlowComputers>, 4> Tables{};  // 17, 18, 19, 20
};

// Reads tables 17..20 whole into the image and keeps the copies. All 16
// fields are read, so that a computer added behind the old count is compared
// with what the controller really holds there, not with zeros.
bool ReadFlowComputerTables(TableEngine& tables, FlowComputerCopies& copies, StatusBarPanel* status);
// Writes tables 17..20 (fields 0 .. count - 1) by difference against the
// copies, then the password of every computer whose password was entered;
// each step only after the previous one succeeded.
bool WriteFlowComputerTables(TableEngine& tables, const FlowComputerList& list, const FlowComputerCopies& copies,
                             StatusBarPanel* status);

}  // namespace zmk
