#include "link/ControllerLink.h"

#include <algorithm>
#include <cstring>
#include <ctime>

#include "common/PackedDate.h"
#include "common/StatusBarPanel.h"
#include "link/SerialChannel.h"
#include "link/Frame.h"

namespace zmk {

namespace {

constexpr uint8_t PreambleByte = 0xFF;
constexpr int64_t NsPerMs = 1000000;
constexpr int64_t NsPerSecond = 1000000000;
constexpr int EthernetSendPauseMs = 500;
constexpr int RtsLeadUs = 2000;
constexpr int PortClosePauseMs = 150;
// Longest slice the engine blocks in while a pump is installed without a
// waiter, so that the window keeps running; otherwise it waits right up to
// the deadline.
constexpr int64_t PumpSliceNs = NsPerMs;

// Request bodies: the code 1 read takes 3 caller bytes, code 12 takes 2;
// codes 7, 8, 14, 15, 16 have fixed frame lengths.
struct FixedFrame {
    uint8_t code;
    uint8_t length;
};
constexpr FixedFrame FixedFrames[] = {{7, 13}, {8, 21}, {14, 19}, {15, 17}, {16, 15}};
constexpr int CredentialsSize = 16;
constexpr int MaxWriteBlock = 232;

const char* const StatusTexts[] = {
    "Команда выполнена",                                          // 0
    "Неверно задан стартовый символ",                             // 1
    "Неверно задан код функции",                                  // 2
    "Сбой при выполнении операции записи",                        // 3
    "",                                                           // 4
    "Ответ получен не полностью (превышено время между байтами)",  // 5
    "Коммуникационный порт COM%1 недоступен",                     // 6
    "Несовпадение КС ответа контроллера",                         // 7
    "",                                                           // 8: the refusal text
    "",                                                           // 9
    "Устройство не отвечает",                                     // 10
};

const char* const ResultTexts[64] = {
    "Неизвестный код команды",
    "Неправильная длина запроса",
    "Неправильный пароль на запись",
    "Неправильные параметры в запросе",
    "Попытка записи в неиспользуемое поле",
    "Ввод даты и времени не допускается",
    "Нарушена очередность записи параметров при конфигурации",
    "Функция останова ГРС не активна",
    "Нет такой таблицы",
    "Неподходящий момент для коррекции времени",
    "Чтение таблицы невозможно",
    "Запись в таблицу не допускается",
    "Нет такого поля в таблице",
    "Попытка записи в несуществующее поле",
    "Нет доступа к крану",
    "Неправильный пароль доступа к крану",
    "Слишком большое время для коррекции",
    "Нет записей с такими индексами",
    "Недостоверны индексы ведения архива",
    "Нарушена последовательность запросов в серии",
    "Другой диапазон времени в серии запросов",
    "Неправильный диапазон времени",
    "Таблица требует полной перезаписи",
    "Управление агрегатом невозможно",
    "Попытка записи более одного поля",
    "Недостаточный уровень доступа",
    "Пустое имя пользователя",
    "Пустой код идентификации пользователя",
    "Производитель/наладчик уже зарегистрирован",
    "Удаление производителя/наладчика не допускается",
    "Удаление последнего администратора не допускается",
    "Пользователь не может быть зарегистрирован",
    "Пользователь с таким именем уже есть ",
    "Пользователь не зарегистрирован или неправильный пароль",
    "Запись допускается только через специальный канал связи",
    "Индекс начального поля не соответствует ограничениям",
    "Кол. записываемых полей не соответствует ограничениям",
    "Переход в режим работы \"Автомат\" невозможен",
    "Указанного канала связи не существует",
    "К указанному каналу связи не подключены контроллеры",
    "Не получен ответ на ретранслированный запрос",
    "Идет таймаут временной записи",
    "Закончился таймаут для подачи команды постоянной записи",
    "Не совпадают данные в командах временной и постоянной записи",
    "Недопустимый код команды",
    "Неизвестный код сообщения",
    "Неизвестный код устройства",
    "Неправильная длина данных в сообщении",
    "Несовпадение КС поля данных",
    "Переполнение памяти контроллера",
    "Превышение лимита одновременно выполняемых команд",
    "Контроллер рестартовал",
    "Изменение параметров с удаленной ПЭВМ запрещено",
    "Невозможный режим работы",
    "Дата и время в норме",
    "Изменение параметров возможно только в режиме \"Настройка\"",
    "Программа опроса подключенных устройств в норме",
    "Не прошла запись в EEPROM",
    "Не прошла запись в FRAM",
    "Разрушена таблица",
    "Нарушены правила записи полей большой разрушенной таблицы",
    "Неподходящий момент для выполнения команды",
    "Не прошла запись в FLASH PROM",
    "Программа разрушена или установлена перемычка",
};

constexpr int DestroyedTableResult = 60;

class SteadyClock : public LinkClock {
public:
    int64_t nowNs() override {
        timespec ts{};
        clock_gettime(CLOCK_MONOTONIC, &ts);
        return int64_t(ts.tv_sec) * NsPerSecond + ts.tv_nsec;
    }
    void sleepUntilNs(int64_t deadlineNs) override {
        timespec ts{};
        ts.tv_sec = deadlineNs / NsPerSecond;
        ts.tv_nsec = deadlineNs % NsPerSecond;
        while (clock_nanosleep(CLOCK_MONOTONIC, TIMER_ABSTIME, &ts, nullptr) == EINTR) {
        }
    }
};

}  // namespace

LinkClock& MonotonicClock() {
    static SteadyClock clock;
    return clock;
}

ControllerLink::ControllerLink(uint8_t address) : Address(address), clock_(&MonotonicClock()) {
    WritePassword.fill(0x20);
    UserCode.fill(0x20);
}

ControllerLink::~ControllerLink() = default;

QString ControllerLink::ResultCodeText(int code) {
    if (code >= 1 && code <= 64) return QString::fromUtf8(ResultTexts[code - 1]);
    return QStringLiteral("Код ошибки = %1").arg(code);
}

QString ControllerLink::LinkStatusText(LinkStatus status) const {
    switch (status) {
    case LinkStatus::PortUnavailable:
        return QString::fromUtf8(StatusTexts[6]).arg(ComPortNo);
    case LinkStatus::Refused:
        return refusalText_;
    case LinkStatus::Aborted:
        return QStringLiteral("Обмен прерван по признаку завершения работы программы");
    case LinkStatus::SendFailed:
        return QStringLiteral("Ithernet. Не выполнена команда send (посылка запроса)");
    case LinkStatus::RecvFailed:
        return QStringLiteral("Ithernet. Не выполнена команда recv (чтение ответа на запрос)");
    case LinkStatus::Busy:
        return QStringLiteral("Предыдущий обмен с контроллером ещё не завершён");
    case LinkStatus::OtherAnswer:
        return QStringLiteral("Ответ контроллера не соответствует запросу");
    case LinkStatus::CarrierLost:
        return QStringLiteral("Потеря несущей");
    default: {
        const int number = int(status);
        if (number >= 0 && number <= 10) return QString::fromUtf8(StatusTexts[number]);
        return QStringLiteral("Код ошибки = %1").arg(number);
    }
    }
}

QString ControllerLink::StatusText() {
    if (Status == LinkStatus::Refused && AnswerBuf[4] == DestroyedTableResult) {
        MessageBuf = QStringLiteral("Команда %1.  %2 %3")
                         .arg(LastFunction)
                         .arg(LinkStatusText(Status))
                         .arg(AnswerBuf[6]);
    } else {
        MessageBuf = QStringLiteral("Команда %1.  %2").arg(LastFunction).arg(LinkStatusText(Status));
    }
    return MessageBuf;
}

LinkChannel* ControllerLink::CurrentChannel() const {
    return ChannelKind == ChannelEthernet ? Socket.get() : PortHandle.get();
}

namespace {

// The outcome of the running exchange, kept across window events: a request
// made from an event is refused (LinkStatus::Busy) and that caller sees the
// refusal; the exchange that is running keeps its own outcome and goes on.
class KeptOutcome {
public:
    KeptOutcome(LinkStatus& status, QString& message)
        : status_(status), message_(message), savedStatus_(status), savedMessage_(message) {}
    ~KeptOutcome() {
        status_ = savedStatus_;
        message_ = savedMessage_;
    }
    KeptOutcome(const KeptOutcome&) = delete;
    KeptOutcome& operator=(const KeptOutcome&) = delete;

private:
    LinkStatus& status_;
    QString& message_;
    const LinkStatus savedStatus_;
    const QString savedMessage_;
};

}  // namespace

void ControllerLink::Pump() {
    if (!pump_) return;
    KeptOutcome kept(Status, MessageBuf);
    pump_();
}

void ControllerLink::WaitThroughWaiter(LinkChannel* channel, int64_t timeoutNs) {
    KeptOutcome kept(Status, MessageBuf);
    if (channel) {
        channel->waitForDataThrough(*waiter_, timeoutNs);
    } else {
        waiter_->sleep(timeoutNs);
    }
}

void ControllerLink::SleepMs(int ms) {
    const int64_t end = clock_->nowNs() + int64_t(ms) * NsPerMs;
    if (waiter_) {
        // A wake does not shorten the pause: the rest is waited out.
        for (int64_t now = clock_->nowNs(); now < end; now = clock_->nowNs()) WaitThroughWaiter(nullptr, end - now);
        return;
    }
    if (!pump_) {
        clock_->sleepUntilNs(end);
        return;
    }
    for (int64_t now = clock_->nowNs(); now < end; now = clock_->nowNs()) {
        clock_->sleepUntilNs(std::min(end, now + PumpSliceNs));
        Pump();
    }
}

bool ControllerLink::OpenPort() {
    ClosePort();
    const int64_t t0 = clock_->nowNs();
    const int64_t window = int64_t(std::max<int32_t>(PortOpenWait, 1)) * NsPerSecond;
    // At least one try, even when a hand-edited setting asks for no wait.
    do {
        PortHandle = OpenComPort(ComPortNo, BaudRate, 8, 0, 0, 1000, 1000, true, false);
        if (PortHandle) break;
        SleepMs(50);
    } while (clock_->nowNs() < t0 + window);
    if (!PortHandle) {
        Status = LinkStatus::PortUnavailable;
        MessageBuf = LinkStatusText(Status);
        return false;
    }
        PortHandle->setDtr(true);
    SleepMs(100);
    return true;
}

void ControllerLink::ClosePort() {
    if (PortHandle) {
        PortHandle->close();
        PortHandle.reset();
    }
}

namespace {
const char NoCarrierText[] = "NO CARRIER";
constexpr int NoCarrierLength = int(sizeof NoCarrierText) - 1;
}  // namespace

void ControllerLink::SetCarrierWatch(bool on) {
    carrierWatch_ = on;
    carrierLost_ = false;
    noCarrierMatched_ = 0;
    carrierDetectSeen_ = on && PortHandle && PortHandle->carrierDetect() == 1;
}

bool ControllerLink::SeesNoCarrier(uint8_t byte) {
    if (!carrierWatch_) return false;
    if (byte == uint8_t(NoCarrierText[noCarrierMatched_])) {
        if (++noCarrierMatched_ == NoCarrierLength) {
            noCarrierMatched_ = 0;
            return true;
        }
    } else {
        // No prefix of the text repeats inside it, so a mismatch restarts
        // the match at this byte.
        noCarrierMatched_ = byte == uint8_t(NoCarrierText[0]) ? 1 : 0;
    }
    return false;
}

void ControllerLink::MarkCarrierLost() {
    if (carrierLost_) return;
    carrierLost_ = true;
    if (carrierLostHandler_) carrierLostHandler_();
}

void ControllerLink::ScanWaitingInput(LinkChannel* channel) {
    if (!carrierWatch_ || carrierLost_ || !channel || !channel->isOpen()) return;
    uint8_t byte = 0;
    int got;
    while ((got = channel->readByte(&byte)) == 1) {
        if (SeesNoCarrier(byte)) {
            MarkCarrierLost();
            return;
        }
    }
    if (got < 0) channel->clearErrors();
    if (carrierDetectSeen_ && channel->carrierDetect() == 0) MarkCarrierLost();
}

bool ControllerLink::CheckCarrier() {
    if (!inExchange_ && ChannelKind == ChannelPhone) ScanWaitingInput(PortHandle.get());
    return !carrierLost_;
}

bool ControllerLink::SendRequest(uint8_t code, const uint8_t* data, int32_t length, uint8_t leading) {
    if (inExchange_) {
        Status = LinkStatus::Busy;
        return false;
    }
    if (carrierLost_) {
        LastFunction = code;
        Status = LinkStatus::CarrierLost;
        return false;
    }
    if (AbortFlag) {
        AbortFlag = 0;
        Status = LinkStatus::Aborted;
        return false;
    }
    Status = LinkStatus::Ok;
    LastFunction = code;
    RequestBuf.fill(0);
    RequestBuf[0] = RequestStart;
    RequestBuf[1] = Address;
    RequestBuf[3] = code;

    auto callerBytes = [&](uint8_t* dest, int32_t want) {
        // Only what the caller actually handed over is copied; the rest stays zero.
        const int32_t have = (data && length > 0) ? std::min(want, length) : 0;
        if (have > 0) std::memcpy(dest, data, size_t(have));
    };
    auto credentials = [&](uint8_t* dest) {
        std::memcpy(dest, WritePassword.data(), WritePassword.size());
        std::memcpy(dest + WritePassword.size(), UserCode.data(), UserCode.size());
    };

    int n = 0;
    switch (code) {
    case 1:
        RequestBuf[4] = leading;
        callerBytes(&RequestBuf[5], 3);
        n = 10;
        break;
    case 2: {
        if (length < 0 || length > MaxWriteBlock) {
            // A block this long cannot be framed in one byte of length.
            Status = LinkStatus::BadFunction;
            return false;
        }
        credentials(&RequestBuf[4]);
        RequestBuf[4 + CredentialsSize] = leading;
        callerBytes(&RequestBuf[5 + CredentialsSize], length);
        n = length + 23;
        break;
    }
    case 12:
        credentials(&RequestBuf[4]);
        callerBytes(&RequestBuf[4 + CredentialsSize], 2);
        n = 24;
        break;
    case 25:
    case 32:
    case 33:
        credentials(&RequestBuf[4]);
        n = 22;
        break;
    default: {
        const auto* fixed = std::find_if(std::begin(FixedFrames), std::end(FixedFrames),
                                         [code](const FixedFrame& f) { return f.code == code; });
        if (fixed == std::end(FixedFrames)) {
            Status = LinkStatus::BadFunction;
            return false;
        }
        n = fixed->length;
        callerBytes(&RequestBuf[4], n - 6);
        break;
    }
    }
    RequestBuf[2] = uint8_t(n);
    const uint16_t crc = Crc16(RequestBuf.data(), uint16_t(n - 2));
    RequestBuf[n - 2] = uint8_t(crc & 0xFF);
    RequestBuf[n - 1] = uint8_t(crc >> 8);

    inExchange_ = true;
    if (ClosePortEachExchange && ChannelKind != ChannelEthernet) {
        if (!OpenPort()) {
            inExchange_ = false;
            return false;
        }
    }
    if (StatusPanel) StatusPanel->setText(QStringLiteral("Обмен..."));

    // Hand-edited settings may hold 0 attempts: one attempt is still made.
    const int attempts = std::max<int>(Attempts, 1);
    for (int attempt = 0; attempt < attempts; ++attempt) {
        if (AbortFlag) {
            Status = LinkStatus::Aborted;
            break;
        }
        if (ExchangeFrame(n)) break;
        if (carrierLost_) break;  // no attempt can reach the controller now
    }

    LastExchangeTime = CurrentDateTimeValue();
    if (StatusPanel) StatusPanel->setText(QString());
    if (ClosePortEachExchange && ChannelKind != ChannelEthernet) {
        ClosePort();
        SleepMs(PortClosePauseMs);
    }
    AbortFlag = 0;
    inExchange_ = false;
    return Status == LinkStatus::Ok;
}

bool ControllerLink::ExchangeFrame(int frameLength) {
    Pump();
    if (AbortFlag) {
        AbortFlag = 0;
        Status = LinkStatus::Aborted;
        return false;
    }
    if (RequestBuf[0] != RequestStart) {
        Status = LinkStatus::BadStartByte;
        return false;
    }
    LinkChannel* channel = CurrentChannel();

    const int total = Preambles + frameLength;
    uint8_t block[BufSize * 2];
    std::memset(block, PreambleByte, Preambles);
    std::memcpy(block + Preambles, RequestBuf.data(), size_t(frameLength));
    if (observer_) observer_(true, RequestBuf.data(), frameLength);

    if (ChannelKind == ChannelEthernet) {
        SleepMs(EthernetSendPauseMs);
        // An answer that came after its wait is still in the socket: taken
        // now, it would pass for the answer to this request and every later
        // answer would shift by one. The serial port purges its queues likewise.
        if (channel) channel->purge();
        if (!channel || !channel->write(block, total)) {
            Status = LinkStatus::SendFailed;
            return false;
        }
    } else {
        if (!channel) {
            Status = LinkStatus::WriteFailed;
            return false;
        }
        channel->setBaud(BaudRate);
        // What the modem said since the last exchange may be its NO CARRIER.
        if (ChannelKind == ChannelPhone) {
            ScanWaitingInput(channel);
            if (carrierLost_) {
                Status = LinkStatus::CarrierLost;
                return false;
            }
        }
        channel->purge();
        int64_t endOfTransmission = 0;
        const int64_t baud = std::max<int32_t>(BaudRate, 1);
        if (ChannelKind == ChannelDirect) {
            channel->setRts(true);
            clock_->sleepUntilNs(clock_->nowNs() + int64_t(RtsLeadUs) * 1000);
            // Ten bit times a character, one character more than is sent.
            endOfTransmission = clock_->nowNs() + (int64_t(total) + 1) * 10 * NsPerSecond / baud;
        }
        if (!channel->write(block, total)) {
            channel->clearErrors();
            if (ChannelKind == ChannelDirect) channel->setRts(false);
            Status = LinkStatus::WriteFailed;
            return false;
        }
        if (ChannelKind == ChannelDirect) {
            // RTS stays up until the last character is on the line: a USB
            // adapter may still hold bytes when the write call returns, so
            // the port is asked to drain, and one character time follows as
            // the tail. Never earlier than the line itself could have sent it.
            if (channel->drain())
                endOfTransmission = std::max(endOfTransmission, clock_->nowNs() + 10 * NsPerSecond / baud);
            clock_->sleepUntilNs(endOfTransmission);
            channel->setRts(false);
        }
    }

    Receive();
    if (observer_ && received_ > 0) observer_(false, AnswerBuf.data(), received_);
    if (Status == LinkStatus::Ok) Status = CheckAnswer(AnswerBuf.data(), RequestBuf[3]);
    // A request to address 255 takes the address the controller answered
    // from, but only from an answer whose checksum holds: a damaged address
    // byte must not become the link's address.
    if (adoptPending_ && (Status == LinkStatus::Ok || Status == LinkStatus::Refused)) Address = adoptedAddress_;
    adoptPending_ = false;
    if (Status == LinkStatus::Refused) {
        refusalText_ = ResultCodeText(AnswerBuf[4]);
        MessageBuf = refusalText_;
    }
    if (ChannelKind != ChannelEthernet && PortHandle) PortHandle->purge();
    return Status == LinkStatus::Ok;
}

// The receive loop of one attempt: byte by byte into AnswerBuf until the
// length byte says the answer is complete, or a time-out ends it.
bool ControllerLink::Receive() {
    std::fill(AnswerBuf.begin(), AnswerBuf.begin() + 255, uint8_t(0));
    LinkChannel* channel = CurrentChannel();
    const int64_t start = clock_->nowNs();
    const int64_t answerDeadline = start + int64_t(AnswerWaitMs) * NsPerMs;
    const int64_t gapNs = int64_t(ByteGapMs) * NsPerMs;
    int64_t lastByte = start;
    AnswerReceiver receiver(RequestBuf[1], RequestBuf.data());
    Status = LinkStatus::Ok;
    received_ = 0;
    adoptPending_ = false;

    while (Status == LinkStatus::Ok) {
        Pump();
        if (AbortFlag) {
            AbortFlag = 0;
            Status = LinkStatus::Aborted;
            return false;
        }
        int got = 0;
        const int p = receiver.Position();
        if (channel) {
            got = channel->readByte(&AnswerBuf[size_t(p)]);
            if (got < 0) {
                if (ChannelKind == ChannelEthernet) {
                    Status = LinkStatus::RecvFailed;
                    return false;
                }
                channel->clearErrors();
                got = 0;
            }
        }
        if (got == 1 && ChannelKind == ChannelPhone && SeesNoCarrier(AnswerBuf[size_t(p)])) {
            MarkCarrierLost();
            Status = LinkStatus::CarrierLost;
            break;
        }
        if (got == 1) {
            receiver.Feed(AnswerBuf[size_t(p)]);
            received_ = receiver.Position();
            if (receiver.Complete(AnswerBuf.data())) break;
            lastByte = clock_->nowNs();
        }
        // The clock is looked at after every byte too, so that a stream of
        // garbage that never holds a start byte still ends at the deadline.
        const int64_t now = clock_->nowNs();
        const int64_t deadline = receiver.Position() < 2 ? answerDeadline : lastByte + gapNs;
        if (now > deadline) {
            Status = receiver.Position() < 2 ? LinkStatus::NoAnswer : LinkStatus::ByteGap;
            // A silent line may be a call that has gone.
            if (ChannelKind == ChannelPhone && carrierWatch_ && carrierDetectSeen_ && channel &&
                channel->carrierDetect() == 0) {
                MarkCarrierLost();
                Status = LinkStatus::CarrierLost;
            }
            break;
        }
        if (got == 1) continue;  // take what is already waiting before sleeping
        // Nothing waiting: sleep on the channel until a byte comes or the
        // deadline passes; through the waiter when the window must keep
        // running (it may end the wait early), else in short slices when
        // there is a pump.
        int64_t wait = deadline - now + 1000;
        if (waiter_) {
            WaitThroughWaiter(channel, wait);
            continue;
        }
        if (pump_) wait = std::min(wait, PumpSliceNs);
        if (channel) {
            channel->waitForData(wait);
        } else {
            clock_->sleepUntilNs(now + wait);
        }
    }
    adoptPending_ = receiver.AdoptedAddress(&adoptedAddress_);
    return Status == LinkStatus::Ok;
}

}  // namespace zmk
