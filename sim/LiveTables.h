#pragma once

// The controller's live tables: the abnormal-situation flags (16), the
// chromatograph's momentary values and zones (30, 32), the analyser links
// (33) and the moisture meter's momentary values (37). They follow the
// controller's clock: the chromatograph is polled every second, its values
// drift as the archives' do with a small analyser scatter on top, and the
// zones judge them against the limits in tables 23..26.

#include "Archive.h"

#include <array>
#include <cstdint>
#include <vector>

namespace zmksim {

struct LiveOptions {
    bool chromLinkLost = false;     // no link with the chromatograph (table 33 field 0 = 0)
    bool moistureLinkLost = false;  // no link with the moisture meter (table 33 field 1 = 0)
    bool selfDiagnosticFault = false;  // table 16 field 9 = 1
};

inline constexpr uint8_t kAbnormalFlagsTable = 16;
inline constexpr uint8_t kChromMomentaryTable = 30;
inline constexpr uint8_t kGasZoneTable = 32;
inline constexpr uint8_t kAnalyserLinkTable = 33;
inline constexpr uint8_t kMoistureMomentaryTable = 37;

bool IsLiveTable(uint8_t table);

// What the live tables remember between refreshes: the moment the analyser
// links went, and the flags last reported with the time they changed.
class LiveTables {
public:
    explicit LiveTables(const LiveOptions& options = {}) : options_(options) {}

    // Fills tables 16, 30, 32, 33 and 37 of `tables` for the controller time
    // `now`. The zones use tables 23..26; the words of table 16 follow the
    // byte order of identification field 10 (0: high byte first).
    template <std::size_t N>
    void Refresh(std::array<std::vector<uint8_t>, N>& tables, WallTime now) {
        RefreshTables(tables.data(), N, now);
    }

private:
    void RefreshTables(std::vector<uint8_t>* tables, std::size_t count, WallTime now);

    LiveOptions options_;
    bool started_ = false;
    WallTime start_ = 0;           // first refresh: the links lost from then on
    std::array<uint8_t, 5> flags_{};  // table 16 fields 6..10 last reported
    WallTime flagsChanged_ = 0;
};

// Zone of a value against its limits: 0 normal, 1/2 lower/upper warning,
// 3/4 below/above the write limits.
uint8_t GasZone(float value, float lowerWarning, float upperWarning, float lowerLimit, float upperLimit);

}  // namespace zmksim
