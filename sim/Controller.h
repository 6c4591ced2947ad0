#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace zmksim {

using Bytes = std::vector<uint8_t>;

// Frame layout shared by requests and answers:
// [start][address][length N][function code]...[crc lo][crc hi], N counting every byte.
inline constexpr uint8_t kRequestStart = 0xCC;
inline constexpr uint8_t kAnswerStart = 0x33;
inline constexpr uint8_t kPreamble = 0xFF;
inline constexpr uint8_t kAnyAddress = 255;
inline constexpr std::size_t kMinFrame = 6;
inline constexpr std::size_t kMaxFrame = 255;
inline constexpr uint8_t kAnswerFlag = 0x80;

inline constexpr uint8_t kReadFields = 1;
inline constexpr uint8_t kWriteFields = 2;

// The controller's result codes (answer byte 4 of a refusal) that this version produces.
enum ResultCode : uint8_t {
    kUnknownFunction = 1,   // "Неизвестный код команды"
    kWrongLength = 2,       // "Неправильная длина запроса"
    kBadParameters = 4,     // "Неправильные параметры в запросе"
    kNoSuchTable = 9,       // "Нет такой таблицы"
    kTableNotWritable = 12, // "Запись в таблицу не допускается"
    kNoSuchField = 13,      // "Нет такого поля в таблице"
    kWriteBeyondTable = 14, // "Попытка записи в несуществующее поле"
};

// One slot of the table catalogue. fields == 0 marks an empty slot.
struct TableShape {
    uint8_t fields;
    uint8_t size;
    bool configuration;  // part of a configuration; only these accept writes
};

inline constexpr std::size_t kTableCount = 38;
extern const std::array<TableShape, kTableCount> kTableShapes;

// Cuts a byte stream into request frames by their length byte. Anything
// before a start byte (preambles, line noise) is skipped; a length byte below
// the shortest frame drops that start byte and hunts for the next one.
class FrameAssembler {
public:
    // Takes one byte. Returns true when it completed a frame; Frame() then
    // holds it until the next call.
    bool Push(uint8_t byte);
    const Bytes& Frame() const { return frame_; }
    // True when no frame has begun.
    bool Idle() const { return pending_.empty(); }
    void Reset() { pending_.clear(); }

private:
    void Resync();

    Bytes pending_;
    Bytes frame_;
};

struct ControllerOptions {
    uint8_t address = 1;
    uint8_t typeCode = 73;
    uint8_t softwareVersion = 10;
    std::string name = "ЗМК-10 ГРС Тестовая";  // UTF-8; kept in CP866
    std::optional<uint8_t> refuseWith;        // refuse every request with this result code
};

// Translates UTF-8 text into the DOS Cyrillic code page (CP866). Characters
// CP866 does not have become '?'.
Bytes EncodeCp866(const std::string& utf8);

// The controller itself: its tables and the handling of one request frame.
// It knows nothing about channels or timing.
class Controller {
public:
    // Seconds since the epoch; the controller's clock runs from it.
    using Clock = std::function<std::time_t()>;

    explicit Controller(const ControllerOptions& options = {}, Clock clock = {});

    // Answers one complete request frame. Returns nothing for a frame that
    // must stay unanswered: damaged checksum, or addressed to another controller.
    std::optional<Bytes> HandleFrame(std::span<const uint8_t> frame);

    uint8_t Address() const { return tables_[3][0]; }
    // Number of 0xFF bytes the controller puts before each answer (table 3 field 2).
    uint8_t AnswerPreambles() const { return tables_[3][2]; }
    // The bytes of one table (empty for an empty slot or a number above 37).
    std::span<uint8_t> Table(std::size_t number);

private:
    using Handler = Bytes (Controller::*)(std::span<const uint8_t> frame);
    struct Function {
        uint8_t code;
        Handler handler;
    };
    static const Function kFunctions[];

    Bytes ReadFields(std::span<const uint8_t> frame);
    Bytes WriteFields(std::span<const uint8_t> frame);

    Bytes Answer(uint8_t code, uint8_t status, const Bytes& data) const;
    Bytes Refusal(uint8_t code, uint8_t result) const;

    void FillTables(const ControllerOptions& options);
    void RefreshClock();
    // Sets the clock from table 2 fields 0..5; false when they do not form a valid date.
    bool SetClock(const uint8_t* fields);

    std::array<Bytes, kTableCount> tables_;
    Clock clock_;
    std::time_t clockOffset_ = 0;  // controller time minus host time, seconds
    std::optional<uint8_t> refuseWith_;
};

}  // namespace zmksim
