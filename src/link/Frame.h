#pragma once

// Frames of the controller protocol: requests start with 0xCC, answers with
// 0x33, both end with a CRC-16/MODBUS. The answer receiver and the answer
// checks are pure, so that they can be tested and fuzzed on their own.

#include <cstdint>

namespace zmk {

inline constexpr uint8_t RequestStart = 0xCC;
inline constexpr uint8_t AnswerStart = 0x33;
inline constexpr int AnswerHeadSize = 4;   // start, address, length, function
inline constexpr int MinAnswerLength = 6;  // the head and the CRC

// Link statuses of the engine (ControllerLink::Status). The numbers are
// those the status texts are indexed by and "Код ошибки = %d" shows.
enum class LinkStatus : int32_t {
    Ok = 0,
    BadStartByte = 1,
    BadFunction = 2,
    WriteFailed = 3,
    ByteGap = 5,
    PortUnavailable = 6,
    BadChecksum = 7,
    Refused = 8,
    NoAnswer = 10,
    Aborted = 19,
    SendFailed = 20,
    RecvFailed = 21,
    Busy = 22,  // an exchange is already running (the engine is not re-entrant)
    OtherAnswer = 23,  // a valid answer, but to another function (a late answer to an earlier request)
    CarrierLost = 24,  // the modem reported NO CARRIER (or dropped DCD): the call is gone
};

// CRC-16/MODBUS; a frame that ends with its own CRC gives 0.
uint16_t Crc16(const uint8_t* data, uint16_t count);

// Requests that carry the write password and user code at bytes 4..19.
bool CarriesCredentials(uint8_t code);

// Receiver state machine of an answer frame; pure so that it can be tested
// and fuzzed on its own. Feed each byte stored at AnswerBuf[Position()].
class AnswerReceiver {
public:
    // requestAddress: the address the request went to; request: the request
    // frame (for the rule of the controller-address write).
    AnswerReceiver(uint8_t requestAddress, const uint8_t* request);
    // Advances by the byte just stored at the current position.
    void Feed(uint8_t byte);
    int Position() const { return p_; }
    // The address adopted from an answer to address 255 (0 when none).
    bool AdoptedAddress(uint8_t* address) const;
    // True when the answer is complete: past the length byte and all of it is in.
    bool Complete(const uint8_t* answer) const { return p_ > 2 && answer[2] <= p_; }

private:
    uint8_t requestAddress_;
    bool broadcast_;
    bool addressWrite_;
    uint8_t newAddress_;
    int p_ = 0;
    bool adopted_ = false;
    uint8_t adoptedAddress_ = 0;
};

// Checks a complete answer against the function code of its request:
// Ok, BadChecksum or Refused.
LinkStatus CheckAnswer(const uint8_t* answer, uint8_t code);

}  // namespace zmk
