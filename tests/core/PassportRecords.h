#pragma once

// Hourly and daily records of both analysers built byte by byte for the
// passport tests: date, status byte 9, values from byte 10, the record's CRC.

#include <QByteArray>
#include <cstring>
#include <initializer_list>
#include <utility>

#include "link/Frame.h"
#include "measurements/Records.h"

namespace passport_test {

inline void PutFloatLE(uint8_t* at, float value) {
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    for (int i = 0; i < 4; ++i) at[i] = uint8_t(bits >> (8 * i));
}

inline void CloseRecord(QByteArray& rec) {
    uint8_t* b = reinterpret_cast<uint8_t*>(rec.data());
    const uint16_t crc = zmk::Crc16(b, uint16_t(rec.size() - 2));
    b[rec.size() - 2] = uint8_t(crc & 0xFF);
    b[rec.size() - 1] = uint8_t(crc >> 8);
}

// A chromatograph record (92 bytes) of natural gas unless values are given
// ({parameter, value} pairs replace the defaults).
inline QByteArray ChromRecord(int yy, int mm, int dd, int hh, uint8_t status = 0,
                              std::initializer_list<std::pair<int, float>> values = {}) {
    QByteArray rec(92, '\0');
    uint8_t* b = reinterpret_cast<uint8_t*>(rec.data());
    b[0] = uint8_t(yy), b[1] = uint8_t(mm), b[2] = uint8_t(dd), b[3] = uint8_t(hh);
    b[9] = status;
    const float defaults[20] = {0.05f, 1.0f, 0.2f, 0.25f, 0.01f, 0.05f, 0.04f, 1.0f, 92.0f, 0.5f,
                                4.5f,  37.5f, 0.72f, 49.5f, 0.05f, 0.01f, 33.9f, 12.5f, 0.0f, 0.0f};
    for (int p = 0; p < 20; ++p) PutFloatLE(b + 10 + 4 * p, defaults[p]);
    for (const auto& [p, v] : values) PutFloatLE(b + 10 + 4 * p, v);
    CloseRecord(rec);
    return rec;
}

// A moisture-meter record (28 bytes).
inline QByteArray MoistureRecord(int yy, int mm, int dd, int hh, uint8_t status = 0,
                                 std::initializer_list<std::pair<int, float>> values = {}) {
    QByteArray rec(28, '\0');
    uint8_t* b = reinterpret_cast<uint8_t*>(rec.data());
    b[0] = uint8_t(yy), b[1] = uint8_t(mm), b[2] = uint8_t(dd), b[3] = uint8_t(hh);
    b[9] = status;
    const float defaults[4] = {-12.5f, -8.26f, 40.0f, -20.0f};
    for (int v = 0; v < 4; ++v) PutFloatLE(b + 10 + 4 * v, defaults[v]);
    for (const auto& [v, value] : values) PutFloatLE(b + 10 + 4 * v, value);
    CloseRecord(rec);
    return rec;
}

}  // namespace passport_test
