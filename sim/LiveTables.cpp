#include "LiveTables.h"

#include <cmath>
#include <cstring>

namespace zmksim {

namespace {

constexpr uint8_t kIdentTable = 0;
constexpr std::size_t kIdentByteOrderField = 10;  // 0: high byte first
constexpr uint8_t kLowerWarningTable = 23;
constexpr uint8_t kUpperWarningTable = 24;
constexpr uint8_t kLowerLimitTable = 25;
constexpr uint8_t kUpperLimitTable = 26;
constexpr std::size_t kGasParameters = 20;

// Table 16 fields.
constexpr std::size_t kFlowComputerFlag = 6;
constexpr std::size_t kChromatographFlag = 7;
constexpr std::size_t kMoistureFlag = 8;
constexpr std::size_t kSelfDiagnosticFlag = 9;
constexpr std::size_t kValueFlag = 10;
constexpr std::size_t kOutOfZoneWord = 12;  // parameters outside the normal zone, one bit each
constexpr std::size_t kPollCountWord = 16;  // chromatograph polls, modulo 65536

float GetFloat(const std::vector<uint8_t>& table, std::size_t field) {
    float value;
    std::memcpy(&value, table.data() + field * 4, 4);
    return value;
}

void SetFloat(std::vector<uint8_t>& table, std::size_t field, double value) {
    const float f = static_cast<float>(value);
    std::memcpy(table.data() + field * 4, &f, 4);
}

// The 8-byte time of tables 30 and 37: year - 2000, month, day, 0, hour, minute, second, 0.
void PutTime(std::vector<uint8_t>& table, WallTime t) {
    const auto p = SplitWallTime(t);
    const uint8_t bytes[8] = {uint8_t(p[0] - 2000), uint8_t(p[1]), uint8_t(p[2]), 0,
                              uint8_t(p[3]),        uint8_t(p[4]), uint8_t(p[5]), 0};
    std::memcpy(table.data(), bytes, 8);
}

// The analyser's scatter around the slow drift: a few parts in ten thousand,
// different for every parameter and second.
double Scatter(WallTime t, std::size_t parameter) {
    const double s = static_cast<double>(t % 100003);
    return 0.0004 * std::sin(s * 0.7 + 1.3 * double(parameter)) + 0.0002 * std::sin(s * 2.9 + double(parameter));
}

void PutWord(std::vector<uint8_t>& table, std::size_t at, uint16_t value, bool highFirst) {
    table[at] = static_cast<uint8_t>(highFirst ? value >> 8 : value & 0xFF);
    table[at + 1] = static_cast<uint8_t>(highFirst ? value & 0xFF : value >> 8);
}

}  // namespace

bool IsLiveTable(uint8_t table) {
    return table == kAbnormalFlagsTable || table == kChromMomentaryTable || table == kGasZoneTable ||
           table == kAnalyserLinkTable || table == kMoistureMomentaryTable;
}

uint8_t GasZone(float value, float lowerWarning, float upperWarning, float lowerLimit, float upperLimit) {
    if (value < lowerLimit) return 3;
    if (value > upperLimit) return 4;
    if (value < lowerWarning) return 1;
    if (value > upperWarning) return 2;
    return 0;
}

void LiveTables::RefreshTables(std::vector<uint8_t>* tables, std::size_t count, WallTime now) {
    if (count <= kMoistureMomentaryTable) return;
    if (!started_) {
        started_ = true;
        start_ = now;
        flagsChanged_ = now;
    }

    // The chromatograph: polled every second while the link is there; the
    // last values stay when it is gone.
    const WallTime chromTime = options_.chromLinkLost ? start_ : now;
    std::vector<uint8_t>& chrom = tables[kChromMomentaryTable];
    PutTime(chrom, chromTime);
    const auto p = GasParameters(chromTime);
    for (std::size_t i = 0; i < kGasParameters; ++i)
        SetFloat(chrom, 2 + i, i < 18 ? p[i] * (1 + Scatter(chromTime, i)) : 0.0);

    std::vector<uint8_t>& zones = tables[kGasZoneTable];
    uint16_t outOfZone = 0;
    for (std::size_t i = 0; i < kGasParameters; ++i) {
        zones[i] = i < 18 ? GasZone(GetFloat(chrom, 2 + i), GetFloat(tables[kLowerWarningTable], i),
                                    GetFloat(tables[kUpperWarningTable], i), GetFloat(tables[kLowerLimitTable], i),
                                    GetFloat(tables[kUpperLimitTable], i))
                          : 0;
        if (zones[i] != 0 && i < 16) outOfZone |= uint16_t(1u << i);
    }

    // The moisture meter: its values of the moment, frozen when the link is gone.
    const WallTime moistureTime = options_.moistureLinkLost ? start_ : now;
    std::vector<uint8_t>& moisture = tables[kMoistureMomentaryTable];
    PutTime(moisture, moistureTime);
    const auto v = MoistureValues(moistureTime);
    for (std::size_t i = 0; i < v.size(); ++i) SetFloat(moisture, 2 + i, v[i] * (1 + Scatter(moistureTime, 20 + i)));
    SetFloat(moisture, 6, v[2] * (1 + Scatter(moistureTime, 24)));  // overpressure at HDP

    tables[kAnalyserLinkTable] = {uint8_t(options_.chromLinkLost ? 0 : 1), uint8_t(options_.moistureLinkLost ? 0 : 1)};

    // The flags, with the time of their last change.
    std::vector<uint8_t>& flags = tables[kAbnormalFlagsTable];
    const std::array<uint8_t, 5> now5 = {0, uint8_t(options_.chromLinkLost ? 1 : 0),
                                         uint8_t(options_.moistureLinkLost ? 1 : 0),
                                         uint8_t(options_.selfDiagnosticFault ? 1 : 0), uint8_t(outOfZone ? 1 : 0)};
    if (now5 != flags_) {
        flags_ = now5;
        flagsChanged_ = now;
    }
    const auto c = SplitWallTime(flagsChanged_);
    for (std::size_t i = 0; i < 6; ++i) flags[i] = uint8_t(i == 0 ? c[0] - 2000 : c[i]);
    flags[kFlowComputerFlag] = flags_[0];
    flags[kChromatographFlag] = flags_[1];
    flags[kMoistureFlag] = flags_[2];
    flags[kSelfDiagnosticFlag] = flags_[3];
    flags[kValueFlag] = flags_[4];
    const bool highFirst = tables[kIdentTable][kIdentByteOrderField] == 0;
    PutWord(flags, kOutOfZoneWord, outOfZone, highFirst);
    PutWord(flags, kPollCountWord, uint16_t((chromTime - start_) & 0xFFFF), highFirst);
}

}  // namespace zmksim
