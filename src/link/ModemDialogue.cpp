#include "link/ModemDialogue.h"

#include <algorithm>

#include "common/Cp1251.h"
#include "common/StatusBarPanel.h"

namespace zmk {

namespace {

constexpr int64_t NsPerMs = 1000000;
// Longest slice a wait blocks in while a pump or an Esc check is installed
// without a waiter.
constexpr int64_t SliceNs = NsPerMs;

constexpr char CR = '\r';
constexpr char LF = '\n';
// The reply line is complete once more than this many bytes are stored and
// the last is CR or LF (the leading CR/LF of a verbose reply is kept).
constexpr int MinReplyLine = 3;
constexpr int MaxReplyLine = ModemDialogue::ReplySize - 1;

constexpr int CommandPauseMs = 2;        // before a command is written
constexpr int CheckLimitMs = 5000;       // each command of the modem check
constexpr int CheckTries = 2;
constexpr int GsmLimitMs = 5000;         // each reply line of AT+CPAS
constexpr int BeforeDialMs = 2000;
constexpr int AfterInitCommandMs = 200;
constexpr int AfterConnectMs = 200;
constexpr int HangUpLimitMs = 2000;
constexpr int DtrDropMs = 300;          // DTR held down when hanging up

const char EscapeReply[] = "Escape...";

const char* const DialTexts[] = {
    "Соединение установлено",
    "Отсутствует сигнал АТС",
    "Номер абонента занят",
    "Потеря несущей",
    "Нет гудка в линии",
    "Абонент не отвечает",
    "Лимит времени, отведенного на соединение, исчерпан",
    "Модем отсутствует или не подключен",
    "Соединение не установлено",
    "Истекло время ожидания ответа от модема",
    "Попытка соединения прервана по требованию пользователя",
    "Нет готовности GSM",
};

bool IsLineEnd(char c) { return c == CR || c == LF; }

// A result code of a modem in numeric mode (ATV0) as the reader sees it:
// the end of the echo, one digit and CR ("\r0\r"). Verbose lines always start
// with CR LF, so they never look like this.
bool IsNumericResult(QByteArrayView line) {
    return line.size() == 3 && IsLineEnd(line[0]) && line[1] >= '0' && line[1] <= '9' && line[2] == CR;
}

// The digit of a numeric result code, or -1.
int NumericResult(QByteArrayView reply) {
    const QByteArrayView digits = reply.trimmed();
    return digits.size() == 1 && digits[0] >= '0' && digits[0] <= '9' ? digits[0] - '0' : -1;
}

// A reply to the dial command that ends it: CONNECT, or OK (a voice call);
// the failures are final through ClassifyModemReply. Anything else
// ("CARRIER 33600", "PROTOCOL: LAPM", "COMPRESSION: V42BIS") comes before one.
bool IsFinalDialReply(QByteArrayView reply) {
    const int numeric = NumericResult(reply);
    if (numeric >= 0) return numeric != 2;  // 2 is RING
    return FindSubstring(reply, "ONNE") || FindSubstring(reply, "onne") || FindSubstring(reply, "OK") ||
           FindSubstring(reply, "ok");
}

bool StartsCommand(QByteArrayView text, qsizetype i) {
    return i + 1 < text.size() && (text[i] == 'A' || text[i] == 'a') && (text[i + 1] == 'T' || text[i + 1] == 't');
}

// The command as written: its bytes up to a terminating zero.
QByteArrayView UpToZero(QByteArrayView text) {
    const qsizetype zero = text.indexOf('\0');
    return zero < 0 ? text : text.first(zero);
}

}  // namespace

QString DialResultText(DialResult result) {
    const int code = int(result);
    if (code >= 0 && code < int(std::size(DialTexts))) return QString::fromUtf8(DialTexts[code]);
    return QStringLiteral("Код ошибки = %1").arg(code);
}

QString CallDurationText(qint64 seconds) {
    seconds = std::max<qint64>(seconds, 0);
    return QString::asprintf("%02lld:%02lld:%02lld", seconds / 3600, seconds / 60 % 60, seconds % 60);
}

std::vector<QByteArray> SplitInitCommands(QByteArrayView text) {
    std::vector<QByteArray> commands;
    qsizetype i = 0;
    while (i < text.size()) {
        if (!StartsCommand(text, i)) {
            ++i;
            continue;
        }
        qsizetype end = text.indexOf('^', i);
        if (end < 0) end = text.size();
        commands.push_back(text.sliced(i, end - i).toByteArray() + CR);
        i = end;
    }
    return commands;
}

QByteArray DialCommand(QByteArrayView number) {
    QByteArray command("ATD");
    for (char c : number) {
        if (c != ' ' && c != '-' && c != '(' && c != ')') command += c;
    }
    return command + CR;
}

DialResult ClassifyModemReply(QByteArrayView reply) {
    struct Rule {
        const char* a;
        const char* b;
        DialResult code;
    };
    // Numeric mode (ATV0): 3 NO CARRIER, 4 ERROR, 6 NO DIALTONE, 7 BUSY,
    // 8 NO ANSWER; 0 OK, 1 CONNECT and the others are no failure.
    switch (NumericResult(reply)) {
    case 3: return DialResult::NoCarrier;
    case 4: return DialResult::Error;
    case 6: return DialResult::NoDialTone;
    case 7: return DialResult::Busy;
    case 8: return DialResult::NoAnswer;
    default: break;
    }
    static const Rule rules[] = {
        {"ERRO", "erro", DialResult::Error},       {"Time", nullptr, DialResult::TimeLimit},
        {"DIAL", "dial", DialResult::NoDialTone},  {"NO CARRI", "no carri", DialResult::NoCarrier},
        {"BUSY", "busy", DialResult::Busy},        {"ANSW", "answ", DialResult::NoAnswer},
        {EscapeReply, nullptr, DialResult::Escape},
    };
    for (const Rule& r : rules) {
        if (FindSubstring(reply, r.a) || (r.b && FindSubstring(reply, r.b))) return r.code;
    }
    return DialResult::Connected;
}

bool ModemAnswered(QByteArrayView reply) {
    for (const char* p : {"AT", "at", "OK", "ok", "\r\n", "0"}) {
        if (FindSubstring(reply, p)) return true;
    }
    return false;
}

ModemDialogue::ModemDialogue(Context context)
    : ctx_(std::move(context)), clock_(ctx_.clock ? ctx_.clock : &MonotonicClock()) {}

void ModemDialogue::Pump() {
    if (ctx_.pump) ctx_.pump();
}

void ModemDialogue::WaitMs(int ms) {
    const int64_t end = Now() + int64_t(ms) * NsPerMs;
    if (ctx_.waiter) {
        // A wake does not shorten the pause: the rest is waited out.
        for (int64_t now = Now(); now < end; now = Now()) ctx_.waiter->sleep(end - now);
        return;
    }
    if (!ctx_.pump) {
        clock_->sleepUntilNs(end);
        return;
    }
    for (int64_t now = Now(); now < end; now = Now()) {
        clock_->sleepUntilNs(std::min(end, now + SliceNs));
        Pump();
    }
}

ModemDialogue::LineRead ModemDialogue::ReadReplyLine(int64_t deadlineNs, bool watchEscape, QByteArray* line) {
    line->clear();
    LinkChannel* port = ctx_.port;
    const bool sliced = ctx_.pump || (watchEscape && ctx_.escapePressed);
    bool started = false;  // the first CR or LF after the echo has arrived
    int received = 0;      // bytes taken so far
    char firstByte = 0;
    for (;;) {
        Pump();
        if (watchEscape && ctx_.escapePressed && ctx_.escapePressed()) return LineRead::Escaped;
        uint8_t byte = 0;
        const int got = port && port->isOpen() ? port->readByte(&byte) : -1;
        if (got == 1) {
            const char c = char(byte);
            if (++received == 1) firstByte = c;
            // Numeric mode without echo: the reply is one digit and CR, with
            // no line end before it.
            if (!started && received == 2 && c == CR && firstByte >= '0' && firstByte <= '9') {
                *line = QByteArray(1, CR) + firstByte + CR;
                return LineRead::Complete;
            }
            if (started || IsLineEnd(c)) {
                started = true;
                line->append(c);
                if ((line->size() > MinReplyLine && IsLineEnd(c)) || IsNumericResult(*line) ||
                    line->size() >= MaxReplyLine)
                    return LineRead::Complete;
            }
        } else if (got < 0 && port) {
            port->clearErrors();
        }
        const int64_t now = Now();
        if (now >= deadlineNs) return LineRead::TimedOut;
        if (got == 1) continue;
        if (ctx_.waiter) {
            // Woken early (Esc), the loop looks at the key and waits again.
            if (port && port->isOpen()) {
                port->waitForDataThrough(*ctx_.waiter, deadlineNs - now);
            } else {
                ctx_.waiter->sleep(deadlineNs - now);
            }
            continue;
        }
        const int64_t wait = sliced ? std::min(deadlineNs - now, SliceNs) : deadlineNs - now;
        if (port && port->isOpen()) {
            port->waitForData(wait);
        } else {
            clock_->sleepUntilNs(now + wait);
        }
    }
}

DialResult ModemDialogue::SendModemCommand(QByteArrayView command, QByteArray* reply, int limitMs, StatusBarPanel* panel) {
    const QByteArrayView text = UpToZero(command);
    const QString shown = FromCp1251(text);
    ShowCommand(panel, shown);
    LinkChannel* port = ctx_.port;
    if (port) port->purge();
    reply->clear();

    WaitMs(CommandPauseMs);
    if (port && port->isOpen() && !text.isEmpty()) {
        // A refused write leaves the modem silent; the time limit reports it.
        if (!port->write(reinterpret_cast<const uint8_t*>(text.data()), int(text.size()))) port->clearErrors();
    }

    QByteArray line;
    switch (ReadReplyLine(Now() + int64_t(std::max(limitMs, 0)) * NsPerMs, true, &line)) {
    case LineRead::Escaped:
        *reply = EscapeReply;
        return DialResult::Escape;
    case LineRead::TimedOut:
        return DialResult::ReplyTimeout;
    case LineRead::Complete:
        break;
    }
    *reply = line;
    if (panel) {
        panel->setText(QStringLiteral(" Установление связи по телефону. Команда %1.  Ответ %2")
                           .arg(shown, FromCp1251(line)));
        panel->repaint();
    }
    return ClassifyModemReply(line);
}

DialResult ModemDialogue::CheckModem(StatusBarPanel* panel) {
    static const QByteArray echoOff("ATE0\r");
    static const QByteArray verbose("ATV1\r");
    static const QByteArray escape("+++");
    QByteArray reply;
    int tries = CheckTries;
    bool escaped = false;

    enum Step { Escape, EchoOff, Verbose } step;
    DialResult code = SendModemCommand(echoOff, &reply, CheckLimitMs, panel);
    if (code != DialResult::Connected && code != DialResult::ReplyTimeout) return code;
    step = (code == DialResult::Connected && ModemAnswered(reply)) ? Verbose : Escape;

    for (;;) {
        switch (step) {
        case Escape:
            WaitMs(EscapeGuardMs());
            escaped = false;
            code = SendModemCommand(escape, &reply, CheckLimitMs, nullptr);
            if (code == DialResult::ReplyTimeout) return DialResult::NoModem;
            if (code != DialResult::Connected) return code;
            if (ModemAnswered(reply)) escaped = true;
            step = EchoOff;
            break;
        case EchoOff:
            WaitMs(EscapeGuardMs());
            code = SendModemCommand(echoOff, &reply, CheckLimitMs, nullptr);
            if (code != DialResult::Connected) return code;
            if (ModemAnswered(reply)) return HangUpLeftCall(escaped);
            step = Verbose;
            break;
        case Verbose:
            code = SendModemCommand(verbose, &reply, CheckLimitMs, panel);
            if (code != DialResult::Connected) return code;
            if (ModemAnswered(reply)) return DialResult::Connected;
            // No reply the modem check understands after all its tries: no
            // usable modem on the line.
            if (--tries == 0) return DialResult::NoModem;
            step = escaped ? EchoOff : Escape;
            break;
        }
    }
}

bool ModemDialogue::CheckGsmReady(StatusBarPanel* panel) {
    // The command goes out with its terminating zero, as the modem has always been sent it.
    static const uint8_t command[] = {'A', 'T', '+', 'C', 'P', 'A', 'S', '\r', 0};
    LinkChannel* port = ctx_.port;
    if (port) port->purge();
    if (panel) {
        panel->setText(QStringLiteral(" Проверка готовности GSM. Команда AT+CPAS"));
        panel->repaint();
        Pump();
    }
    if (port && port->isOpen() && !port->write(command, int(sizeof command))) port->clearErrors();

    QByteArray line;
    if (ReadReplyLine(Now() + GsmLimitMs * NsPerMs, false, &line) != LineRead::Complete) return false;
    if (panel) {
        panel->setText(QStringLiteral(" Проверка готовности GSM. Команда AT+CPAS. Ответ %1").arg(FromCp1251(line)));
        panel->repaint();
    }
    // A landline modem does not know the command and answers a plain ERROR:
    // it has no readiness to check. A GSM modem's own error ("+CME ERROR",
    // no SIM ready) stays "not ready".
    if (line.trimmed() == "ERROR") return true;
    if (!FindSubstring(line, "+CPAS: 0")) return false;
    if (ReadReplyLine(Now() + GsmLimitMs * NsPerMs, false, &line) != LineRead::Complete) return false;
    return FindSubstring(line, "OK");
}

DialResult ModemDialogue::Dial(QByteArrayView number, QByteArrayView initCommands, StatusBarPanel* panel,
                               int attempts, int waitSeconds) {
    DialResult code = CheckModem(panel);
    if (code != DialResult::Connected) return code;

    const std::vector<QByteArray> commands = SplitInitCommands(initCommands);
    const QByteArray dial = DialCommand(number);
    // Settings outside their ranges can only come from a hand-edited file:
    // at least one attempt and one second are always allowed.
    const int limitMs = std::max(waitSeconds, 1) * 1000;
    WaitMs(BeforeDialMs);

    // The user's commands may change the modes the dialogue reads replies
    // in (ATV0, ATE1, or a profile with them after ATZ): verbose replies
    // and no echo are set again after them.
    std::vector<QByteArray> sequence = commands;
    if (!commands.empty()) {
        sequence.emplace_back("ATV1\r");
        sequence.emplace_back("ATE0\r");
    }

    QByteArray reply;
    for (int attempt = 0; attempt < std::max(attempts, 1); ++attempt) {
        code = DialResult::Connected;
        for (const QByteArray& command : sequence) {
            code = SendModemCommand(command, &reply, limitMs, panel);
            if (code == DialResult::Connected && !FindSubstring(reply, "OK") && !FindSubstring(reply, "ok") &&
                NumericResult(reply) != 0)
                code = DialResult::NotConnected;
            if (code != DialResult::Connected) break;
            WaitMs(AfterInitCommandMs);
        }
        // Esc ends the dialling, not just this attempt.
        if (code == DialResult::Escape) return code;
        if (code != DialResult::Connected) continue;

        if (!CheckGsmReady(panel)) return DialResult::GsmNotReady;

        const int64_t dialDeadline = Now() + int64_t(CommandPauseMs + limitMs) * NsPerMs;
        code = SendModemCommand(dial, &reply, limitMs, panel);
        // Many modems report the carrier, protocol and compression on lines
        // of their own before CONNECT: read on until the final result.
        while (code == DialResult::Connected && !IsFinalDialReply(reply)) {
            QByteArray line;
            const LineRead read = ReadReplyLine(dialDeadline, true, &line);
            if (read == LineRead::Escaped) return DialResult::Escape;
            if (read == LineRead::TimedOut) {
                // The modem did answer, but never with a final result.
                code = DialResult::NotConnected;
                break;
            }
            reply = line;
            code = ClassifyModemReply(line);
            if (panel) {
                panel->setText(QStringLiteral(" Установление связи по телефону. Команда %1.  Ответ %2")
                                   .arg(FromCp1251(UpToZero(dial)), FromCp1251(line)));
                panel->repaint();
            }
        }
        if (code == DialResult::Connected) {
            if (FindSubstring(reply, "ONNE") || FindSubstring(reply, "onne") || NumericResult(reply) == 1) {
                WaitMs(AfterConnectMs);
                return DialResult::Connected;
            }
            code = DialResult::NotConnected;
        }
        // The attempt ended without a usable call: whatever the modem still
        // has going on the line is hung up before the next attempt or before
        // giving up (Esc included).
        EndFailedAttempt(code, panel);
        if (code == DialResult::Escape) return code;
    }
    return code;
}

DialResult ModemDialogue::HangUpLeftCall(bool escaped) {
    // The escape answered: a call was left up on the line. It is ended
    // before anything is dialled.
    if (escaped) HangUpInCommandMode();
    return DialResult::Connected;
}

int ModemDialogue::EscapeGuardMs() const { return std::max(ctx_.escapeGuardMs, MinEscapeGuardMs); }

void ModemDialogue::EndFailedAttempt(DialResult code, StatusBarPanel* panel) {
    switch (code) {
    case DialResult::NoDialTone:
    case DialResult::Busy:
    case DialResult::NoCarrier:
    case DialResult::Error:
    case DialResult::NoAnswer:
        HangUpInCommandMode(panel);
        break;
    default:
        HangUp(panel);
        break;
    }
}

void ModemDialogue::ShowCommand(StatusBarPanel* panel, const QString& command) {
    if (!panel) return;
    panel->setText(QStringLiteral(" Установление связи по телефону. Команда %1.").arg(command));
    panel->repaint();
    Pump();
}

void ModemDialogue::HangUpInCommandMode(StatusBarPanel* panel) {
    QByteArray reply;
    SendModemCommand("ath\r", &reply, HangUpLimitMs, panel);
    if (ctx_.port && ctx_.port->isOpen()) {
        ctx_.port->setDtr(false);
        WaitMs(DtrDropMs);
        ctx_.port->setDtr(true);
        ctx_.port->clearErrors();
    }
}

void ModemDialogue::HangUp(StatusBarPanel* panel) {
    const int guard = EscapeGuardMs();
    LinkChannel* port = ctx_.port;
    ShowCommand(panel, QStringLiteral("+++"));
    // Silence before the escape: nothing has been written for the guard time.
    WaitMs(guard);
    if (port) port->purge();
    static const uint8_t escape[] = {'+', '+', '+'};
    if (port && port->isOpen() && !port->write(escape, int(sizeof escape))) port->clearErrors();
    // Silence after it: nothing is written until the modem confirms, which
    // it does only once the guard time has passed, or until the wait ends.
    // Data still arriving from the far end is passed over.
    const int64_t escapedAt = Now();
    const int64_t deadline = escapedAt + int64_t(guard + HangUpLimitMs) * NsPerMs;
    QByteArray line;
    while (ReadReplyLine(deadline, false, &line) == LineRead::Complete) {
        if (FindSubstring(line, "OK") || NumericResult(line) == 0) break;
    }
    // A modem with a shorter guard time confirms sooner; the silence is kept anyway.
    const int64_t quietUntil = escapedAt + int64_t(guard) * NsPerMs;
    if (Now() < quietUntil) WaitMs(int((quietUntil - Now() + NsPerMs - 1) / NsPerMs));
    HangUpInCommandMode(panel);
}

bool FindSubstring(QByteArrayView text, QByteArrayView pattern) {
    if (text.isEmpty() || text.size() < pattern.size())
        return false;
    return text.indexOf(pattern) >= 0;
}


}  // namespace zmk
