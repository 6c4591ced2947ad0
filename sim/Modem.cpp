#include "Modem.h"

#include <algorithm>
#include <cctype>
#include <climits>

namespace zmksim {

namespace {

constexpr std::size_t kMaxCommandLine = 255;  // longer lines are cut, as a modem's buffer would
constexpr char kConnectText[] = "CONNECT 9600";

std::string Upper(std::string text) {
    for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t");
    if (first == std::string::npos) return {};
    const auto last = text.find_last_not_of(" \t");
    return text.substr(first, last - first + 1);
}

// Control characters shown readably in the dialogue log.
std::string Printable(const std::string& text) {
    std::string out;
    for (unsigned char c : text) {
        if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else if (c < 0x20 || c >= 0x7F) {
            static const char hex[] = "0123456789ABCDEF";
            out += "\\x";
            out += hex[c >> 4];
            out += hex[c & 15];
        } else {
            out += static_cast<char>(c);
        }
    }
    return out;
}

struct OutcomeText {
    DialOutcome outcome;
    const char* verbose;
    int numeric;
};
constexpr OutcomeText kOutcomes[] = {
    {DialOutcome::Connect, kConnectText, 1}, {DialOutcome::Busy, "BUSY", 7},
    {DialOutcome::NoCarrier, "NO CARRIER", 3}, {DialOutcome::NoDialtone, "NO DIALTONE", 6},
    {DialOutcome::Error, "ERROR", 4},         {DialOutcome::NoAnswer, "NO ANSWER", 8},
};

}  // namespace

bool ParseDialScript(const std::string& text, std::vector<DialOutcome>& out, std::string* bad) {
    out.clear();
    std::size_t start = 0;
    for (;;) {
        const std::size_t comma = text.find(',', start);
        std::string word = Upper(Trim(text.substr(start, comma == std::string::npos ? std::string::npos : comma - start)));
        std::replace(word.begin(), word.end(), '_', ' ');
        bool known = false;
        if (word == "SILENT") {
            out.push_back(DialOutcome::Silent);
            known = true;
        } else if (word == "LATE") {
            out.push_back(DialOutcome::Late);
            known = true;
        } else if (word == "CONNECT") {
            out.push_back(DialOutcome::Connect);
            known = true;
        } else {
            for (const OutcomeText& o : kOutcomes) {
                if (word == o.verbose) {
                    out.push_back(o.outcome);
                    known = true;
                }
            }
        }
        if (!known) {
            if (bad) *bad = word;
            return false;
        }
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

HayesModem::HayesModem(const ModemOptions& options, DialogueLog log)
    : options_(options), log_(std::move(log)), verbose_(!options.storedNumeric) {}

void HayesModem::DropCarrier(Bytes& toComputer) {
    Log("carrier lost");
    callUp_ = false;
    online_ = false;
    plusCount_ = 0;
    escapePending_ = false;
    Result("NO CARRIER", 3, toComputer);
}

bool HayesModem::RequestPassed(Bytes& toComputer) {
    if (!online_) return false;
    ++requestsThisCall_;
    if (options_.dropAfterRequests <= 0 || requestsThisCall_ != options_.dropAfterRequests) return false;
    DropCarrier(toComputer);
    return true;
}

void HayesModem::Log(const std::string& line) const {
    if (log_) log_(line);
}

void HayesModem::Reply(const std::string& text, Bytes& toComputer) {
    const std::string wire = verbose_ ? "\r\n" + text + "\r\n" : text + "\r";
    toComputer.insert(toComputer.end(), wire.begin(), wire.end());
    Log("TX " + Printable(wire));
}

void HayesModem::Result(const std::string& verbose, int numeric, Bytes& toComputer) {
    Reply(verbose_ ? verbose : std::to_string(numeric), toComputer);
}

void HayesModem::FromComputer(const uint8_t* data, std::size_t size, ModemNanos now, Bytes& toController,
                              Bytes& toComputer) {
    for (std::size_t i = 0; i < size; ++i) {
        const uint8_t byte = data[i];
        if (!online_) {
            CommandByte(byte, now, toComputer);
            lastData_ = now;
            continue;
        }
        // Data mode: every byte goes to the controller; three '+' framed by
        // the guard time of silence return the modem to command mode.
        const bool quietBefore = now - lastData_ >= options_.guard;
        if (byte == '+' && ((plusCount_ == 0 && quietBefore) || (plusCount_ > 0 && plusCount_ < 3 &&
                                                                  now - lastPlus_ < options_.guard))) {
            ++plusCount_;
            lastPlus_ = now;
            if (plusCount_ == 3) {
                escapePending_ = true;
                escapeDue_ = now + options_.guard;
            }
        } else {
            plusCount_ = 0;
            escapePending_ = false;
        }
        lastData_ = now;
        toController.push_back(byte);
    }
}

void HayesModem::CommandByte(uint8_t byte, ModemNanos now, Bytes& toComputer) {
    // A dial under way ignores the line until its result is out.
    if (dialling_) return;
    if (byte == 0 || byte == '\n') return;
    if (echo_) toComputer.push_back(byte);
    if (byte == '\b' || byte == 0x7F) {
        if (!line_.empty()) line_.pop_back();
        return;
    }
    if (byte != '\r') {
        if (line_.size() < kMaxCommandLine) line_.push_back(static_cast<char>(byte));
        return;
    }
    const std::string line = line_;
    line_.clear();
    ExecuteLine(line, now, toComputer);
}

void HayesModem::ExecuteLine(const std::string& rawLine, ModemNanos now, Bytes& toComputer) {
    // Anything before "AT" is line noise (or the remains of a data call).
    const std::string upper = Upper(rawLine);
    const auto at = upper.find("AT");
    if (at == std::string::npos) return;
    Log("RX " + Printable(rawLine.substr(at)));
    const std::string body = upper.substr(at + 2);

    bool cpas = false;
    for (std::size_t i = 0; i < body.size();) {
        const char c = body[i++];
        auto digit = [&](int fallback) {
            int value = fallback;
            if (i < body.size() && std::isdigit(static_cast<unsigned char>(body[i]))) value = body[i++] - '0';
            return value;
        };
        switch (c) {
        case 'D': {
            // The rest of the line is the number.
            ++dialAttempts_;
            std::string number = rawLine.substr(at + 2 + i);
            if (callUp_) return Result("ERROR", 4, toComputer);
            const std::size_t index = static_cast<std::size_t>(dialAttempts_ - 1);
            dialOutcome_ = index < options_.dialScript.size() ? options_.dialScript[index] : DialOutcome::Connect;
            Log("dialling " + Printable(number) + " (attempt " + std::to_string(dialAttempts_) + ")");
            if (dialOutcome_ == DialOutcome::Silent) return;  // nothing ever comes back
            dialling_ = true;
            dialDue_ = now + (dialOutcome_ == DialOutcome::Late ? options_.lateDelay : options_.dialDelay);
            return;
        }
        case 'E':
            echo_ = digit(0) != 0;
            break;
        case 'V':
            verbose_ = digit(0) != 0;
            break;
        case 'H':
            digit(0);
            if (callUp_) Log("hung up");
            callUp_ = false;
            online_ = false;
            break;
        case 'Z':
            // The stored profile again.
            digit(0);
            echo_ = true;
            verbose_ = !options_.storedNumeric;
            break;
        case '&': {
            const char what = i < body.size() ? body[i++] : '\0';
            digit(0);
            if (what == 'F') {  // factory settings
                echo_ = true;
                verbose_ = true;
            }
            break;
        }
        case 'S':
            while (i < body.size() && (std::isdigit(static_cast<unsigned char>(body[i])) || body[i] == '=' ||
                                       body[i] == '?'))
                ++i;
            break;
        case 'O':
            digit(0);
            if (!callUp_) return Result("NO CARRIER", 3, toComputer);
            online_ = true;
            plusCount_ = 0;
            return Result(kConnectText, 1, toComputer);
        case '+':
            // Extended commands run to the end of the line; only +CPAS is known.
            cpas = body.compare(i, 4, "CPAS") == 0;
            i = body.size();
            break;
        default:
            break;  // accepted and ignored
        }
    }
    if (cpas && options_.landline) return Result("ERROR", 4, toComputer);
    if (cpas) Reply("+CPAS: " + std::to_string(options_.cpas), toComputer);
    Result("OK", 0, toComputer);
}

void HayesModem::Tick(ModemNanos now, Bytes& toComputer) {
    if (dialling_ && now >= dialDue_) {
        dialling_ = false;
        const bool connects = dialOutcome_ == DialOutcome::Connect || dialOutcome_ == DialOutcome::Late;
        if (connects && options_.connectReport && verbose_) {
            Reply("CARRIER 33600", toComputer);
            Reply("PROTOCOL: LAPM", toComputer);
            Reply("COMPRESSION: V42BIS", toComputer);
        }
        for (const OutcomeText& o : kOutcomes) {
            if (o.outcome == (connects ? DialOutcome::Connect : dialOutcome_)) Result(o.verbose, o.numeric, toComputer);
        }
        if (connects) {
            callUp_ = true;
            online_ = true;
            requestsThisCall_ = 0;
            plusCount_ = 0;
            escapePending_ = false;
            onlineSince_ = now;  // the inactivity timer runs from the moment the line is up
        }
    }
    if (online_ && options_.inactivity > 0 && now - std::max(lastData_, onlineSince_) >= options_.inactivity) {
        Log("inactivity");
        DropCarrier(toComputer);
    }
    if (escapePending_ && now >= escapeDue_) {
        escapePending_ = false;
        plusCount_ = 0;
        online_ = false;
        Log("escape: command mode, call kept");
        Result("OK", 0, toComputer);
    }
}

ModemNanos HayesModem::NextDeadline() const {
    ModemNanos next = INT64_MAX;
    if (dialling_) next = std::min(next, dialDue_);
    if (escapePending_) next = std::min(next, escapeDue_);
    if (online_ && options_.inactivity > 0) next = std::min(next, std::max(lastData_, onlineSince_) + options_.inactivity);
    return next;
}

}  // namespace zmksim
