#include "link/Frame.h"

namespace zmk {

uint16_t Crc16(const uint8_t* data, uint16_t count) {
    uint16_t crc = 0xFFFF;
    for (uint16_t i = 0; i < count; ++i) {
        crc ^= data[i];
        for (int bit = 0; bit < 8; ++bit) crc = (crc & 1) ? uint16_t((crc >> 1) ^ 0xA001) : uint16_t(crc >> 1);
    }
    return crc;
}

bool CarriesCredentials(uint8_t code) {
    return code == 2 || code == 12 || code == 25 || code == 32 || code == 33;
}

AnswerReceiver::AnswerReceiver(uint8_t requestAddress, const uint8_t* request)
    : requestAddress_(requestAddress),
      broadcast_(requestAddress == 255),
      addressWrite_(request[3] == 2 && request[21] == 3 && request[22] == 0),
      newAddress_(request[24]) {}

void AnswerReceiver::Feed(uint8_t byte) {
    switch (p_) {
    case 0:
        p_ = byte == AnswerStart ? 1 : 0;
        break;
    case 1:
        if (byte == requestAddress_) {
            p_ = 2;
        } else if (broadcast_) {
            p_ = 2;
            adopted_ = true;
            adoptedAddress_ = byte;
        } else if (addressWrite_) {
            // A write of the controller's own address is answered from the new one.
            p_ = byte == newAddress_ ? 2 : 1;
        } else {
            p_ = 0;
        }
        break;
    case 2:
        p_ = byte >= MinAnswerLength ? 3 : 0;
        break;
    default:
        // The buffer holds 256 bytes and the length byte at most 255, so the
        // answer is complete before the position can run past the end.
        ++p_;
        break;
    }
}

bool AnswerReceiver::AdoptedAddress(uint8_t* address) const {
    if (!adopted_) return false;
    *address = adoptedAddress_;
    return true;
}

LinkStatus CheckAnswer(const uint8_t* answer, uint8_t code) {
    const int length = answer[2];
    if (length < MinAnswerLength || Crc16(answer, uint16_t(length)) != 0) return LinkStatus::BadChecksum;
    if (answer[3] == uint8_t(code | 0x80)) return LinkStatus::Ok;
    // A refusal carries the request's function code without the answer bit;
    // any other function code answers another request.
    if (answer[3] == uint8_t(code & 0x7F)) return LinkStatus::Refused;
    return LinkStatus::OtherAnswer;
}

}  // namespace zmk
