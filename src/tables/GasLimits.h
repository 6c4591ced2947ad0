#pragma once

// The five limits the controller keeps for each gas parameter in tables
// 22..26 (dead band, lower and upper warning set point, lower and upper bound
// of the values written into the flow computers): the program's fixed rules
// for them (allowed range, default, unit, decimals), the working sets the
// dialogs edit, their place in the image and in a configuration record, the
// check of typed values and the exchange that reads and writes them.

#include <QString>
#include <array>
#include <cstdint>
#include <optional>

#include "tables/LabelList.h"
#include "tables/LinkParams.h"
#include "tables/TableEngine.h"

namespace zmk {

class StatusBarPanel;

enum class GasLimitKind : int {
    DeadBand = 0,      // "ЗН", table 22
    LowerWarning = 1,  // "НПУ", table 23
    UpperWarning = 2,  // "ВПУ", table 24
    LowerBound = 3,    // "НДП", table 25
    UpperBound = 4,    // "ВДП", table 26
};
inline constexpr int GasLimitKindCount = 5;

inline constexpr int FirstGasLimitTable = 22;
inline constexpr int LastGasLimitTable = 26;
inline constexpr int GasLimitFieldSize = 4;  // IEEE single, little-endian
// Only parameters 0..17 have limits; fields 18 and 19 are never exchanged.
inline constexpr int LimitedGasParameters = 18;
// The hexane parameter, shown as unused when the chromatograph's hexane
// value is not in the list.
inline constexpr int HexaneParameter = 14;

// Tables 22..26 in a configuration record: five blocks of 180 bytes, each the
// table's 20 values followed by reserved bytes.
inline constexpr int RecordGasLimitOffset = 941;
inline constexpr int RecordGasLimitBlockSize = 180;
// Tables 22..26 in the image lie back to back.
inline constexpr int ImageGasLimitBlockSize = GasParameterCount * GasLimitFieldSize;

// Allowed range, default, unit and display decimals of one limit of one
// parameter. Parameters 18 and 19 have zeros and no unit.
struct LimitRule {
    float Lowest = 0;
    float Highest = 0;
    float Default = 0;
    const char* Unit = "";  // UTF-8
    uint8_t Decimals = 0;
};

// The rule of a limit of gas parameter 0..19; an all-zero rule outside that range.
const LimitRule& GasLimitRule(GasLimitKind kind, int parameter);
// Decimal places of a limit of gas parameter 0..19; -1 for a parameter
// outside that range (the caller picks its own precision then).
int GasLimitDecimals(GasLimitKind kind, int parameter);
// Unit of gas parameter 0..19 ("%", "МДж/м3", "кг/м3", "°С"); empty for the
// unused parameters 18 and 19 and for anything outside 0..19.
QString GasLimitUnit(int parameter);

// The five limits of one parameter in the order ЗН, НПУ, ВПУ, НДП, ВДП.
struct LimitSet {
    std::array<float, GasLimitKindCount> Values{};
    float& operator[](GasLimitKind kind) { return Values[size_t(kind)]; }
    float operator[](GasLimitKind kind) const { return Values[size_t(kind)]; }
};
using LimitSets = std::array<LimitSet, GasParameterCount>;

// The sets of the five tables starting at first, one block of blockSize
// bytes per table. Parameters 18 and 19 are not taken (they stay 0).
LimitSets LimitSetsFromBlocks(const uint8_t* first, int blockSize);
// Puts fields 0..17 of the sets into the five blocks; nothing else is touched.
void StoreLimitSets(const LimitSets& sets, uint8_t* first, int blockSize);
LimitSets LimitSetsFromImage(const ConfigImage& image);
void StoreLimitSets(ConfigImage& image, const LimitSets& sets);
// The defaults of all 20 parameters in the five blocks (a new configuration).
void FillDefaultLimits(uint8_t* first, int blockSize);

// A limit as the dialogs show it: fixed-point with the given decimals and
// "." as separator; "NAN" for infinity and not-a-number.
QString FormatLimit(float value, int decimals);
// With the decimals of its rule.
QString FormatLimit(GasLimitKind kind, int parameter, float value);
// Whether the value lies in the rule's range, give or take LimitTolerance;
// never for infinity or not-a-number.
bool LimitInRange(GasLimitKind kind, int parameter, double value);
inline constexpr double LimitTolerance = 0.00001;

// A number typed or pasted into a limit field: blanks around it are ignored,
// "," counts as "."; nothing for an empty text, for anything that is not a
// finite number, and for a value beyond the range of a single float.
std::optional<double> TypedLimit(const QString& text);
// The per-parameter dialog's check of its five texts (order ЗН .. ВДП):
// "Введены не все параметры" when any is empty, then, in order, the first
// that is not a number inside its range. On success the values are put
// into set.
InputCheck CheckLimitInput(int parameter, const std::array<QString, GasLimitKindCount>& texts, LimitSet& set);

// Copies of fields 0..17 of tables 22..26 as the controller holds them, to
// write by difference against.
struct GasLimitCopies {
    std::array<std::array<uint8_t, LimitedGasParameters * GasLimitFieldSize>, GasLimitKindCount> Tables{};
};
// Reads fields 0..17 of tables 22, 23, 24, 25 and 26 in this order into the
// image, keeping a copy of each; stops at the first failure.
bool ReadGasLimitTables(TableEngine& tables, GasLimitCopies& copies, StatusBarPanel* status);
// Writes what differs from the copies in fields 0..17 of tables 22..26, in
// this order, each only after the previous one succeeded.
bool WriteGasLimitTables(TableEngine& tables, const GasLimitCopies& copies, StatusBarPanel* status);

}  // namespace zmk
