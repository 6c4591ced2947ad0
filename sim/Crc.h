#pragma once

#include <cstddef>
#include <cstdint>

namespace zmksim {

// CRC-16/MODBUS: reflected polynomial 0xA001, initial value 0xFFFF, no final
// XOR. Frames carry it low byte first; a frame whose CRC over all its bytes,
// the checksum included, is 0 is intact.
inline uint16_t Crc16(const uint8_t* data, std::size_t size) {
    uint16_t crc = 0xFFFF;
    for (std::size_t i = 0; i < size; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) {
            crc = (crc & 1) ? static_cast<uint16_t>((crc >> 1) ^ 0xA001) : static_cast<uint16_t>(crc >> 1);
        }
    }
    return crc;
}

}  // namespace zmksim
