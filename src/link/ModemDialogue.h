#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <functional>
#include <vector>

#include "link/ControllerLink.h"
#include "link/LinkChannel.h"
#include "link/LinkWaiter.h"

namespace zmk {

class StatusBarPanel;

// Outcome of the modem dialogue (the dial result), 0 = connected. The
// numbers index the result texts and "Код ошибки = %d" shows them.
enum class DialResult : int {
    Connected = 0,
    NoDialTone = 1,     // "DIAL" in the reply (NO DIALTONE)
    Busy = 2,           // "BUSY"
    NoCarrier = 3,      // "NO CARRI"
    Error = 4,          // "ERRO"
    NoAnswer = 5,       // "ANSW"
    TimeLimit = 6,      // "Time"
    NoModem = 7,        // the escape sequence went unanswered
    NotConnected = 8,   // an initialisation command without "OK", or a dial reply without "CONNECT"
    ReplyTimeout = 9,   // no complete reply line within the command's time limit
    Escape = 10,        // the user pressed Esc while a reply was awaited
    GsmNotReady = 11,   // AT+CPAS did not report a ready GSM modem
};

// Whether pattern occurs in text; false for an empty text or one shorter
// than the pattern.
bool FindSubstring(QByteArrayView text, QByteArrayView pattern);

// The text shown to the user for a dial result; "Код ошибки = %d" for an unknown code.
QString DialResultText(DialResult result);

// Second line of the question after a failed call (the first is DialResultText).
inline constexpr char DialRetryQuestion[] = "Повторить попытку соединения?";

// Call duration as the call panel shows it: "%02d:%02d:%02d" (hours, minutes,
// seconds); negative durations (a clock set back) show as "00:00:00".
QString CallDurationText(qint64 seconds);

// The "Command" setting split into modem commands: each starts where "AT"
// (in any case) begins and runs to the next "^" or the end, text before such
// a start is skipped, and each gets a CR. Every command found is kept: the
// 200-character setting cannot hold more than 67, and a longer hand-edited
// text only means more commands sent.
std::vector<QByteArray> SplitInitCommands(QByteArrayView text);

// "ATD" + the number without blanks, "-", "(" and ")" + CR.
QByteArray DialCommand(QByteArrayView number);

// The dial result a reply line stands for, first match winning: "ERRO" 4,
// "Time" 6, "DIAL" 1, "NO CARRI" 3, "BUSY" 2, "ANSW" 5, "Escape..." 10, else 0.
DialResult ClassifyModemReply(QByteArrayView reply);

// Whether a reply counts as answered: it holds "AT", "at", "OK", "ok", CR LF or "0".
bool ModemAnswered(QByteArrayView reply);

// The Hayes AT dialogue with a telephone or GSM modem on a serial port.
// The window layer passes a waiter: every wait (a reply line, the pauses)
// then waits on the port and the window's events together, the window stays
// responsive and no processor core is held busy; its key filter feeds
// escapePressed and wakes the waiter, so that Esc ends a reply wait at once.
// The pump runs pending events once before each look at the port. With a
// pump and no waiter the waits are slices of about a millisecond with the
// pump between; zmkctl leaves all three empty and the waits block.
class ModemDialogue {
public:
    static constexpr int ReplySize = 256;  // reply buffer: at most 255 bytes of reply text

    struct Context {
        LinkChannel* port = nullptr;
        std::function<void()> pump;           // lets user-interface events run; may be empty
        std::function<bool()> escapePressed;  // true once when Esc was pressed; may be empty
        LinkClock* clock = nullptr;           // null: the monotonic clock
        LinkWaiter* waiter = nullptr;         // the window's waits; may be null
        // Silence around the escape "+++", ms; less than MinEscapeGuardMs
        // (0 included) means MinEscapeGuardMs. Modems with a longer guard
        // time (S12) need it longer.
        int escapeGuardMs = 0;
    };
    static constexpr int MinEscapeGuardMs = 1200;

    explicit ModemDialogue(Context context);

    // One command and its reply line. The command goes out unchanged (the
    // caller ends it with CR where the modem needs one); *reply receives the
    // line from the first CR or LF after the echo up to the closing one.
    DialResult SendModemCommand(QByteArrayView command, QByteArray* reply, int limitMs, StatusBarPanel* panel);
    // Is a modem there, and in command mode (escaping a line left up)?
    DialResult CheckModem(StatusBarPanel* panel);
    // AT+CPAS reports a GSM modem ready ("+CPAS: 0", then "OK"), or a plain
    // "ERROR" shows a landline modem, which has nothing to be ready for.
    bool CheckGsmReady(StatusBarPanel* panel);
    // The whole call: modem check, initialisation commands, GSM check and
    // dialling, up to the given number of attempts. Connected once connected.
    DialResult Dial(QByteArrayView number, QByteArrayView initCommands, StatusBarPanel* panel, int attempts,
                    int waitSeconds);
    // Ends whatever call the modem has up: the guard time of silence, "+++",
    // the modem's OK awaited through the silence after it, "ath", and DTR
    // dropped for a moment where the port has the line. "ath" goes out even
    // when the escape was not confirmed: a modem already in command mode
    // (the carrier lost, the dial given up) takes it as well.
    // The panel, when given, shows the escape and "ath" as the dialogue's commands.
    void HangUp(StatusBarPanel* panel = nullptr);

    const Context& context() const { return ctx_; }

private:
    enum class LineRead { Complete, TimedOut, Escaped };
    // The modem check's end: "ath" when the escape found a call left up.
    DialResult HangUpLeftCall(bool escaped);
    // After a dial attempt without a usable call: a final failure reply left
    // the modem in command mode, "ath" is enough; anything else may still
    // have a call coming up and gets the whole hang-up.
    void EndFailedAttempt(DialResult code, StatusBarPanel* panel);
    // "ath" and its reply, then DTR down and up again.
    void HangUpInCommandMode(StatusBarPanel* panel = nullptr);
    void ShowCommand(StatusBarPanel* panel, const QString& command);
    int EscapeGuardMs() const;
    LineRead ReadReplyLine(int64_t deadlineNs, bool watchEscape, QByteArray* line);
    void WaitMs(int ms);
    void Pump();
    int64_t Now() { return clock_->nowNs(); }

    Context ctx_;
    LinkClock* clock_;
};

}  // namespace zmk
