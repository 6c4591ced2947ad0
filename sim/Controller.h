#pragma once

#include "Archive.h"
#include "EventArchive.h"
#include "LiveTables.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <utility>
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
inline constexpr uint8_t kCorrectClock = 12;
inline constexpr uint8_t kResetMemory = 25;

// The controller's result codes (answer byte 4 of a refusal) that this version produces.
enum ResultCode : uint8_t {
    kUnknownFunction = 1,   // "Неизвестный код команды"
    kWrongLength = 2,       // "Неправильная длина запроса"
    kBadParameters = 4,     // "Неправильные параметры в запросе"
    kUnsuitableMoment = 10, // "Неподходящий момент для коррекции времени"
    kNoSuchTable = 9,       // "Нет такой таблицы"
    kTableNotReadable = 11, // "Чтение таблицы невозможно"
    kTableNotWritable = 12, // "Запись в таблицу не допускается"
    kNoSuchField = 13,      // "Нет такого поля в таблице"
    kWriteBeyondTable = 14, // "Попытка записи в несуществующее поле"
    kCorrectionTooLarge = 17, // "Слишком большое время для коррекции"
    kAccessLevelTooLow = 26,      // "Недостаточный уровень доступа"
    kEmptyUserName = 27,          // "Пустое имя пользователя"
    kEmptyUserCode = 28,          // "Пустой код идентификации пользователя"
    kManufacturerRegistered = 29, // "Производитель/наладчик уже зарегистрирован"
    kManufacturerRemoval = 30,    // "Удаление производителя/наладчика не допускается"
    kLastAdministratorRemoval = 31, // "Удаление последнего администратора не допускается"
    kUserNotRegistrable = 32,     // "Пользователь не может быть зарегистрирован"
    kUserNameTaken = 33,          // "Пользователь с таким именем уже есть "
    kUnknownUser = 34,      // "Пользователь не зарегистрирован или неправильный пароль"
    kStorageFailed = 58,    // "Не прошла запись в EEPROM"
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

// Users table (table 4): 16 records of 22 bytes.
inline constexpr uint8_t kUsersTable = 4;
inline constexpr std::size_t kUserCount = 16;
inline constexpr std::size_t kUserRecordSize = 22;
inline constexpr std::size_t kUserNameSize = 4;
inline constexpr std::size_t kPasswordSize = 12;
inline constexpr std::size_t kUserCodeSize = 4;
// Offsets inside a user record.
inline constexpr std::size_t kUserLevelAt = 4;
inline constexpr std::size_t kUserPasswordAt = 6;
inline constexpr std::size_t kUserCodeAt = 18;

// Table 7: one state byte per table, 0 = intact.
inline constexpr uint8_t kStatesTable = 7;

// The software version of a controller delivered without a configuration:
// every configuration table counts as destroyed until it has been written
// whole, at start and again after a reset of the non-volatile data.
inline constexpr uint8_t kVersionWithoutConfiguration = 14;

// A user registered in addition to the manufacturer's commissioning engineer.
// Texts are UTF-8: the name is kept in the controller's code page (CP866), the
// password and code in the program's code page (Windows-1251), as the program
// sends them.
struct UserOption {
    std::string name;      // 1..4 characters
    uint8_t level = 2;     // 1 manufacturer/commissioning, 2 administrator, 3 engineer, 4 operator
    std::string password;  // 0..12 characters
    std::string code;      // 1..4 characters
};

// Access levels of the users table and the tables each may write, one bit a
// table (bit t = table t). Level 0 and levels above 4 write nothing.
inline constexpr uint8_t kManufacturerLevel = 1;
inline constexpr uint8_t kAdministratorLevel = 2;
inline constexpr uint8_t kEngineerLevel = 3;
inline constexpr uint8_t kOperatorLevel = 4;
inline constexpr std::size_t kLevels = 5;
using LevelTables = std::array<uint64_t, kLevels>;
// By default levels 1 and 2 write every configuration table, levels 3 and 4
// every one but the users table.
LevelTables DefaultLevelTables();

struct ControllerOptions {
    uint8_t address = 1;
    uint8_t typeCode = 73;
    uint8_t softwareVersion = 10;
    std::string name = "ЗМК-10 ГРС Тестовая";  // UTF-8; kept in CP866, or in Windows-1251 with windowsTexts
    bool windowsTexts = false;                // texts in Windows-1251 (identification field 12 = 1), not CP866
    std::optional<uint8_t> refuseWith;        // refuse every request with this result code
    std::vector<UserOption> users;            // further users, in the next free records
    bool openWrites = false;                  // accept every write whatever its credentials
    LevelTables levelTables = DefaultLevelTables();  // what each access level may write
    // Access level bytes set after the users are filled, record (0-based) ->
    // value, whatever the value means (a controller answer to test against).
    std::vector<std::pair<uint8_t, uint8_t>> rawLevels;
    ArchiveOptions archive;                   // the measurement archives and their misbehaviour
    EventArchiveOptions events;               // the diagnostic and intervention archives and their misbehaviour
    std::optional<WallTime> clock;            // the controller's clock at start (default: the host's local time)
    LiveOptions live;                         // the analyser links and the self-diagnostics flag
};

// Translates UTF-8 text into the DOS Cyrillic code page (CP866). Characters
// CP866 does not have become '?'; ok, when given, tells whether there were any.
Bytes EncodeCp866(const std::string& utf8, bool* ok = nullptr);
// The same into Windows-1251.
Bytes EncodeCp1251(const std::string& utf8, bool* ok = nullptr);

// Checks the options that shape the tables (name length, users). Returns an
// empty text when they are usable, otherwise what is wrong.
std::string CheckControllerOptions(const ControllerOptions& options);

// State file: the whole table set, the clock and the intervention archive,
// so that a simulated controller keeps its configuration and its record of
// changes over a restart. Layout, little-endian:
//   0  8 bytes  magic "ZMKSIMST"
//   8  2 bytes  format version (2)
//  10  2 bytes  number of tables (38)
//  12  8 bytes  controller clock minus host clock, seconds (signed)
//  20  the tables 0..37 back to back, each field count x field size bytes
//      (empty slots take no bytes), 1478 bytes in all
//  1498  4 bytes  running index of the oldest intervention record
//  1502  4 bytes  number n of intervention records (0..100000)
//  1506  n x 24 bytes  the intervention records, oldest first
//  .. 2 bytes  CRC-16/MODBUS of everything before it, low byte first
// A version 1 file ends after the tables; it is still read (the
// intervention archive is then filled afresh).
inline constexpr char kStateMagic[8] = {'Z', 'M', 'K', 'S', 'I', 'M', 'S', 'T'};
inline constexpr uint16_t kStateVersion = 2;
inline constexpr uint16_t kTablesOnlyStateVersion = 1;

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
    // bit/s of the controller's own line (table 3 field 1, a position in the
    // rate list); 0 for a code that names no rate.
    unsigned LineRate() const;
    // Marks a table destroyed in table 7 (and in identification field 0). It
    // becomes intact again once each of its fields has been written (a table
    // of one field per flow computer: those of the connected ones).
    void MarkDestroyed(uint8_t table);

    // The state file image of the current tables and clock.
    Bytes SaveState();
    // Takes the tables and clock from a state file image. A damaged image is
    // refused with the reason and changes nothing.
    bool LoadState(std::span<const uint8_t> image, std::string& error);
    // Called after every successful write with the new state image. When it
    // returns false the write is undone and refused with kStorageFailed.
    using StateSink = std::function<bool(const Bytes& image)>;
    void SetStateSink(StateSink sink) { stateSink_ = std::move(sink); }

    // Number of 0xFF bytes the controller puts before each answer (table 3 field 2).
    uint8_t AnswerPreambles() const { return tables_[3][2]; }
    // The bytes of one table (empty for an empty slot or a number above 37).
    std::span<uint8_t> Table(std::size_t number);

    // The controller's clock now, and setting it (the archives then begin
    // their configured number of days before the new time; the time kind,
    // table 2 field 7, follows the clock-change rules of table 6).
    WallTime Now() const;
    void SetClockTo(WallTime time);
    const MeasurementArchives& Archives() const { return archives_; }
    const EventArchives& Events() const { return events_; }
    int ContractHour() const;

private:
    using Handler = Bytes (Controller::*)(std::span<const uint8_t> frame);
    struct Function {
        uint8_t code;
        Handler handler;
        bool credentials;  // carries a password and user code after the code byte
    };
    static const Function kFunctions[];

    Bytes ReadFields(std::span<const uint8_t> frame);
    Bytes WriteFields(std::span<const uint8_t> frame);
    // Code 12: moves the clock by a signed number of seconds, within its current hour.
    Bytes CorrectClock(std::span<const uint8_t> frame);
    // Code 25: every table of the non-volatile memory back to its factory
    // contents (address 1, 9600 bit/s, nothing destroyed; with software
    // version 14 no configuration again); clock and archives stay.
    Bytes ResetMemory(std::span<const uint8_t> frame);
    // Table 2 field 7 from the clock and the rules of table 6: 0 summer time, 0x80 winter time.
    void SetTimeKindFromRules();
    // Codes 14, 15, 16; nothing when the request must stay unanswered.
    std::optional<Bytes> ReadArchive(std::span<const uint8_t> frame);
    // Codes 7 and 8; nothing when the request must stay unanswered.
    std::optional<Bytes> ReadEvents(std::span<const uint8_t> frame);
    void RefreshArchiveStarts();
    // Tables 10 and 11 from the event archives.
    void RefreshEventBounds();
    // Name (4 bytes) of the registered user whose identification code a
    // credential-bearing request carries; blanks when no user has it.
    std::array<uint8_t, kUserNameSize> WriterName(std::span<const uint8_t> frame) const;

    Bytes Answer(uint8_t code, uint8_t status, const Bytes& data) const;
    Bytes Refusal(uint8_t code, uint8_t result) const;

    void FillTables(const ControllerOptions& options);
    void FillUsers(const ControllerOptions& options);
    // Whether the password and user code of a credential-bearing request let
    // it through; sets writerLevel_ for the request.
    bool CredentialsAccepted(uint8_t code, std::span<const uint8_t> frame);
    // The result code refusing a write of `count` user records from `first`
    // (data: the new records), or nothing when the users table may take it.
    std::optional<uint8_t> CheckUsersWrite(uint8_t first, uint8_t count, const uint8_t* data) const;
    bool TableDestroyed(uint8_t table) const { return tables_[kStatesTable][table] != 0; }
    void NoteWritten(uint8_t table, uint8_t first, uint8_t count);
    // A controller of software version 14 has no configuration: every
    // configuration table destroyed. Nothing for another version.
    void MarkConfigurationMissing();
    void UpdateDestroyedNumber();
    void RefreshClock();
    // Sets the clock from table 2 fields 0..5; false when they do not form a valid date.
    bool SetClock(const uint8_t* fields);

    std::array<Bytes, kTableCount> tables_;
    ControllerOptions factory_;  // what the tables are filled from, and reset to
    Clock clock_;
    std::time_t clockOffset_ = 0;  // controller time minus host time, seconds
    std::optional<uint8_t> refuseWith_;
    bool openWrites_ = false;
    LevelTables levelTables_{};
    // Access level of the user whose credentials the current request carries;
    // -1 for nobody in particular (open writes, the restore of a destroyed
    // users table).
    int writerLevel_ = -1;
    // Fields of each destroyed table written since it was marked, one bit a field.
    std::array<uint64_t, kTableCount> rewritten_{};
    StateSink stateSink_;
    MeasurementArchives archives_;
    EventArchives events_;
    LiveTables live_;
};

}  // namespace zmksim
