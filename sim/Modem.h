#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

namespace zmksim {

using ModemNanos = int64_t;

// What the modem answers to one dial attempt.
enum class DialOutcome { Connect, Busy, NoCarrier, NoDialtone, Error, NoAnswer, Silent, Late };

struct ModemOptions {
    ModemNanos guard = 1'000'000'000;      // "+++" guard time: silence before and after
    ModemNanos dialDelay = 500'000'000;    // from ATD to its result
    int cpas = 0;                          // AT+CPAS reports "+CPAS: N" (0 = ready)
    std::vector<DialOutcome> dialScript;   // outcomes of the first dial attempts; later ones connect
    ModemNanos lateDelay = 3'000'000'000;  // from ATD to CONNECT for a late call
    bool storedNumeric = false;            // the stored profile has ATV0: numeric at start and after ATZ
    bool connectReport = false;            // CARRIER, PROTOCOL and COMPRESSION lines before CONNECT
    bool landline = false;                 // no GSM: AT+CPAS answers ERROR
    int dropAfterRequests = 0;             // the carrier goes with this request of the call (0: never)
    ModemNanos inactivity = 0;             // the carrier goes after this silence from the computer (0: never)
};

// Parses "BUSY,NO CARRIER,CONNECT" (case-insensitive; "NO CARRIER" may also
// be written NO_CARRIER). False with the offending word in *bad.
bool ParseDialScript(const std::string& text, std::vector<DialOutcome>& out, std::string* bad);

// A Hayes modem between the computer's serial line and the controller: AT
// commands in command mode (echo until ATE0, verbose results until ATV0),
// AT+CPAS, ATD connecting after a delay, "+++" with guard times back to
// command mode, ATO back on line, ATH hanging up. In data mode the computer's
// bytes go to the controller and the controller's answers come back.
// Timing comes from outside, so the modem can be driven on any clock.
class HayesModem {
public:
    using Bytes = std::vector<uint8_t>;
    // Receives one line of the modem dialogue for the log ("RX ATD123", "TX OK").
    using DialogueLog = std::function<void(const std::string& line)>;

    explicit HayesModem(const ModemOptions& options, DialogueLog log = {});

    // Bytes from the computer. Bytes for the controller are appended to
    // toController, the modem's own output (echo, results) to toComputer.
    void FromComputer(const uint8_t* data, std::size_t size, ModemNanos now, Bytes& toController,
                      Bytes& toComputer);
    // Timed events: the result of a dial, the end of the escape guard time.
    void Tick(ModemNanos now, Bytes& toComputer);
    // When Tick next has something to do (INT64_MAX: nothing pending).
    ModemNanos NextDeadline() const;
    // In data mode: the controller's answers reach the computer.
    bool Online() const { return online_; }
    bool CallUp() const { return callUp_; }
    // A complete request has passed to the controller. True when the
    // carrier goes with it: the request is lost and NO CARRIER reported.
    bool RequestPassed(Bytes& toComputer);
    int DialAttempts() const { return dialAttempts_; }

private:
    void CommandByte(uint8_t byte, ModemNanos now, Bytes& toComputer);
    void ExecuteLine(const std::string& line, ModemNanos now, Bytes& toComputer);
    void Result(const std::string& verbose, int numeric, Bytes& toComputer);
    void Reply(const std::string& text, Bytes& toComputer);
    void Log(const std::string& line) const;
    void DropCarrier(Bytes& toComputer);

    ModemOptions options_;
    DialogueLog log_;
    bool echo_ = true;
    bool verbose_ = true;
    bool callUp_ = false;   // a call is connected (in data or online command mode)
    bool online_ = false;   // data mode
    std::string line_;      // command line being typed
    int dialAttempts_ = 0;
    int requestsThisCall_ = 0;

    // A dial under way: its result is due at dialDue_.
    bool dialling_ = false;
    ModemNanos dialDue_ = 0;
    DialOutcome dialOutcome_ = DialOutcome::Connect;

    // Escape sequence detection in data mode.
    ModemNanos lastData_ = 0;  // last byte from the computer, in either mode
    ModemNanos onlineSince_ = 0;
    ModemNanos lastPlus_ = 0;
    int plusCount_ = 0;
    bool escapePending_ = false;
    ModemNanos escapeDue_ = 0;
};

}  // namespace zmksim
