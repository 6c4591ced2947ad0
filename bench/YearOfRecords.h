#pragma once

// A year of synthetic 5-minute chromatograph records for the benchmarks.
#include <algorithm>
#include <cstdint>
#include <iterator>

#include "measurements/Records.h"

namespace zmk {

// Records every 5 minutes from 01.01.24 with slowly moving values; every
// 97th from a time the controller was off, every 211th calibrating.
inline RecordStore YearOfRecords(int count) {
    RecordStore store(ArchiveKind::ChromFiveMinute);
    store.Reserve(count);
    uint8_t r[ChromFiveMinuteRecordSize];
    for (int i = 0; i < count; ++i) {
        std::fill(std::begin(r), std::end(r), 0);
        const int minutes = i * 5;
        const int day = minutes / 1440;
        PackedDate d{24, uint8_t(1 + day / 28 % 12), uint8_t(1 + day % 28), uint8_t(minutes / 60 % 24),
                     uint8_t(minutes % 60), 0};
        d.ToBytes(r);
        r[6] = i % 97 == 0 ? 0x02 : (i % 211 == 0 ? 0x80 : 0x00);
        for (int p = 0; p < 20; ++p) PutFloat(r + 11 + 4 * p, 0.01f * float(p + 1) + 0.0001f * float(i % 1000));
        PutFloat(r + 11 + 4 * GasCH4, 92.0f + 0.001f * float(i % 500));
        SealRecord(r, ChromFiveMinuteRecordSize);
        store.Append(r);
    }
    return store;
}

}  // namespace zmk
