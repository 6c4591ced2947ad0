#pragma once

// Frames of the controller protocol: requests start with 0xCC, answers with
// 0x33, both end with a CRC-16/MODBUS. The answer receiver and the answer
// checks are pure, so that they can be tested and fuzzed on their own.

#include <QString>
#include <cstdint>

namespace zmk {

inline constexpr uint8_t RequestStart = 0xCC;
inline constexpr uint8_t AnswerStart = 0x33;
inline constexpr int MinAnswerLength = 6;  // start, address, length, function, CRC

// Link statuses of the engine (ControllerLink::Status).
enum LinkStatus : int32_t {
    LinkOk = 0,
    LinkBadStartByte = 1,
    LinkBadFunction = 2,
    LinkWriteFailed = 3,
    LinkByteGap = 5,
    LinkPortUnavailable = 6,
    LinkBadChecksum = 7,
    LinkRefused = 8,
    LinkNoAnswer = 10,
    LinkAborted = 19,
    LinkSendFailed = 20,
    LinkRecvFailed = 21,
    LinkBusy = 22,  // an exchange is already running (the engine is not re-entrant)
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
// LinkOk, LinkBadChecksum or LinkRefused.
int32_t CheckAnswer(const uint8_t* answer, uint8_t code);

// One frame as a line of hexadecimal bytes, with the credentials of the
// requests that carry them masked as "**".
QString FormatFrameForLog(bool sent, const uint8_t* bytes, int count);

}  // namespace zmk
