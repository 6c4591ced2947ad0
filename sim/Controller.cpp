#include "Controller.h"

#include "Crc.h"

#include <algorithm>
#include <cstring>

namespace zmksim {

const std::array<TableShape, kTableCount> kTableShapes = {{
    {18, 1, false},  // 0 identification
    {0, 0, false},   // 1 empty slot
    {8, 1, true},    // 2 date and time
    {4, 1, true},    // 3 link with the upper level
    {16, 22, true},  // 4 users and access
    {1, 20, true},   // 5 controller name
    {12, 1, true},   // 6 system parameters
    {38, 1, false},  // 7 table states
    {2, 1, false},   // 8 functions possible
    {8, 1, true},    // 9 link with the flow computers
    {2, 4, false},   // 10 diagnostic archive bounds
    {2, 4, false},   // 11 intervention archive bounds
    {2, 4, false},   // 12 calibration archive bounds
    {16, 16, true},  // 13 flow computer write passwords
    {8, 1, true},    // 14 chromatograph link
    {8, 1, true},    // 15 moisture meter link
    {18, 1, false},  // 16 abnormal situation flags
    {16, 1, true},   // 17 flow computer types
    {16, 1, true},   // 18 flow computer addresses
    {16, 1, true},   // 19 gas parameters per pipeline
    {16, 1, true},   // 20 flow computer byte order
    {20, 1, true},   // 21 gas parameters to write
    {20, 4, true},   // 22 dead band
    {20, 4, true},   // 23 lower warning limit
    {20, 4, true},   // 24 upper warning limit
    {20, 4, true},   // 25 lower write limit
    {20, 4, true},   // 26 upper write limit
    {3, 6, false},   // 27 oldest records of the 5-minute, hourly and daily archives
    {2, 1, true},    // 28 hourly write period
    {7, 4, true},    // 29 Ethernet
    {22, 4, false},  // 30 chromatograph momentary data
    {0, 0, false},   // 31 empty slot
    {20, 1, false},  // 32 gas parameter zones
    {2, 1, false},   // 33 analyser links present
    {16, 1, false},  // 34 flow computer links present
    {16, 1, false},  // 35 flow computer write state
    {0, 0, false},   // 36 empty slot
    {7, 4, false},   // 37 moisture meter momentary data
}};

namespace {

// Offsets inside a request frame.
constexpr std::size_t kAddressAt = 1;
constexpr std::size_t kLengthAt = 2;
constexpr std::size_t kCodeAt = 3;
// Code 1: [CC][addr][N][1][leading][table][first][count][crc][crc]
constexpr std::size_t kReadRequestLength = 10;
constexpr std::size_t kReadHeadAt = 5;
// Code 2: [CC][addr][N][2][password 12][user code 4][leading][table][first][count][data...][crc][crc]
constexpr std::size_t kCredentialsSize = 16;
constexpr std::size_t kWriteHeadAt = 4 + kCredentialsSize + 1;
constexpr std::size_t kWriteDataAt = kWriteHeadAt + 3;
constexpr std::size_t kWriteRequestOverhead = kWriteDataAt + 2;
// Answer: [33][addr][N'][code|80][status][table][first][count][data...][crc][crc]
constexpr std::size_t kAnswerOverhead = 5 + 2;
constexpr std::size_t kRefusalLength = 7;

constexpr uint8_t kAddressTable = 3;
constexpr uint8_t kClockTable = 2;
constexpr uint8_t kNameTable = 5;
constexpr uint8_t kSystemTable = 6;
constexpr uint8_t kArchiveStartTable = 27;
// The flow computers' write passwords: written, never read back.
constexpr uint8_t kFlowComputerPasswordTable = 13;
// Table 9 field 0: the number of connected flow computers.
constexpr uint8_t kFlowComputerLinkTable = 9;

// Tables of one field per flow computer (13, 17..20).
constexpr bool PerFlowComputer(uint8_t table) {
    return table == kFlowComputerPasswordTable || (table >= 17 && table <= 20);
}
constexpr std::size_t kContractHourField = 6;
constexpr std::size_t kNameSize = 20;

void PutFloat(Bytes& table, std::size_t field, float value) {
    std::memcpy(table.data() + field * 4, &value, 4);
}

void PutU32(Bytes& table, std::size_t field, uint32_t value) {
    for (int i = 0; i < 4; ++i) table[field * 4 + i] = static_cast<uint8_t>(value >> (8 * i));
}

// Wall-clock seconds of the host's local time, counted as if it were UTC,
// so that the controller's clock can be kept as a plain offset from it.
std::time_t LocalWallSeconds(std::time_t now) {
    std::tm local{};
    localtime_r(&now, &local);
    return timegm(&local);
}

}  // namespace

// --- FrameAssembler ---------------------------------------------------------

bool FrameAssembler::Push(uint8_t byte) {
    if (pending_.empty() && byte != kRequestStart) return false;
    pending_.push_back(byte);
    if (pending_.size() == kLengthAt + 1 && pending_[kLengthAt] < kMinFrame) {
        Resync();
        return false;
    }
    if (pending_.size() > kLengthAt && pending_.size() == pending_[kLengthAt]) {
        frame_.swap(pending_);
        pending_.clear();
        return true;
    }
    return false;
}

void FrameAssembler::Resync() {
    // Drop the false start and look for another start byte among the bytes
    // already taken (the address or length byte may itself be 0xCC).
    while (!pending_.empty()) {
        pending_.erase(pending_.begin());
        const auto next = std::find(pending_.begin(), pending_.end(), kRequestStart);
        pending_.erase(pending_.begin(), next);
        if (pending_.size() <= kLengthAt || pending_[kLengthAt] >= kMinFrame) return;
    }
}

// --- Text -------------------------------------------------------------------

namespace {

// Decodes UTF-8 and maps every code point to one byte; bytes 0..0x7F stay
// themselves, anything the map cannot place (and any broken sequence) becomes '?'.
template <typename Map>
Bytes EncodeSingleByte(const std::string& utf8, bool* ok, Map map) {
    Bytes out;
    bool clean = true;
    auto unknown = [&] {
        out.push_back('?');
        clean = false;
    };
    for (std::size_t i = 0; i < utf8.size();) {
        const auto lead = static_cast<uint8_t>(utf8[i]);
        uint32_t cp = 0;
        std::size_t extra = 0;
        if (lead < 0x80) {
            cp = lead;
        } else if ((lead & 0xE0) == 0xC0) {
            cp = lead & 0x1F;
            extra = 1;
        } else if ((lead & 0xF0) == 0xE0) {
            cp = lead & 0x0F;
            extra = 2;
        } else if ((lead & 0xF8) == 0xF0) {
            cp = lead & 0x07;
            extra = 3;
        } else {
            unknown();
            ++i;
            continue;
        }
        if (i + extra >= utf8.size()) {  // sequence cut short
            unknown();
            break;
        }
        bool whole = true;
        for (std::size_t k = 1; k <= extra; ++k) {
            const auto cont = static_cast<uint8_t>(utf8[i + k]);
            if ((cont & 0xC0) != 0x80) {
                whole = false;
                break;
            }
            cp = (cp << 6) | (cont & 0x3F);
        }
        if (!whole) {
            unknown();
            ++i;
            continue;
        }
        i += extra + 1;
        if (cp < 0x80) {
            out.push_back(static_cast<uint8_t>(cp));
        } else if (const int b = map(cp); b >= 0) {
            out.push_back(static_cast<uint8_t>(b));
        } else {
            unknown();
        }
    }
    if (ok) *ok = clean;
    return out;
}

}  // namespace

Bytes EncodeCp866(const std::string& utf8, bool* ok) {
    return EncodeSingleByte(utf8, ok, [](uint32_t cp) -> int {
        if (cp >= 0x0410 && cp <= 0x043F) return static_cast<int>(0x80 + (cp - 0x0410));  // А..Я, а..п
        if (cp >= 0x0440 && cp <= 0x044F) return static_cast<int>(0xE0 + (cp - 0x0440));  // р..я
        switch (cp) {
            case 0x0401: return 0xF0;  // Ё
            case 0x0451: return 0xF1;  // ё
            case 0x00B0: return 0xF8;  // °
            case 0x2116: return 0xFC;  // №
            default: return -1;
        }
    });
}

Bytes EncodeCp1251(const std::string& utf8, bool* ok) {
    return EncodeSingleByte(utf8, ok, [](uint32_t cp) -> int {
        if (cp >= 0x0410 && cp <= 0x044F) return static_cast<int>(0xC0 + (cp - 0x0410));  // А..я
        switch (cp) {
            case 0x0401: return 0xA8;  // Ё
            case 0x0451: return 0xB8;  // ё
            case 0x00B0: return 0xB0;  // °
            case 0x2116: return 0xB9;  // №
            default: return -1;
        }
    });
}

// --- Users ------------------------------------------------------------------

namespace {

// The manufacturer's commissioning engineer every controller leaves the works with.
const UserOption kFactoryUser = {"НАЛ", 1, "12345678", "1234"};

Bytes Padded(Bytes text, std::size_t size) {
    text.resize(size, ' ');
    return text;
}

// One 22-byte user record; the texts must already fit. Names are kept the
// way the service program writes them, in Windows-1251.
Bytes UserRecord(const UserOption& user) {
    Bytes record(kUserRecordSize, ' ');
    const Bytes name = Padded(EncodeCp1251(user.name), kUserNameSize);
    const Bytes password = Padded(EncodeCp1251(user.password), kPasswordSize);
    const Bytes code = Padded(EncodeCp1251(user.code), kUserCodeSize);
    std::copy(name.begin(), name.end(), record.begin());
    record[kUserLevelAt] = user.level;
    record[kUserLevelAt + 1] = 0;
    std::copy(password.begin(), password.end(), record.begin() + kUserPasswordAt);
    std::copy(code.begin(), code.end(), record.begin() + kUserCodeAt);
    return record;
}

}  // namespace

std::string CheckControllerOptions(const ControllerOptions& options) {
    bool ok = true;
    const Bytes name = options.windowsTexts ? EncodeCp1251(options.name, &ok) : EncodeCp866(options.name, &ok);
    if (name.size() > 20) return "the controller name has more than 20 characters";
    if (!ok) {
        return options.windowsTexts ? "the controller name has characters that Windows-1251 does not have"
                                    : "the controller name has characters that CP866 does not have";
    }
    if (options.users.size() > kUserCount - 1) return "at most 15 further users fit into the users table";
    if (std::string events = CheckEventArchiveOptions(options.events); !events.empty()) return events;

    std::vector<UserOption> all = {kFactoryUser};
    all.insert(all.end(), options.users.begin(), options.users.end());
    for (std::size_t i = 1; i < all.size(); ++i) {
        const UserOption& u = all[i];
        const std::string who = "user '" + u.name + "': ";
        const Bytes name = EncodeCp1251(u.name, &ok);
        if (!ok) return who + "the name has characters that Windows-1251 does not have";
        if (name.size() > kUserNameSize) return who + "the name has more than 4 characters";
        if (Padded(name, kUserNameSize) == Bytes(kUserNameSize, ' ')) return who + "the name is empty";
        if (u.level < 1 || u.level > 4) return who + "the level must be 1 to 4";
        if (u.level == 1) return who + "there is only one manufacturer/commissioning engineer (level 1), НАЛ";
        const Bytes password = EncodeCp1251(u.password, &ok);
        if (!ok) return who + "the password has characters that Windows-1251 does not have";
        if (password.size() > kPasswordSize) return who + "the password has more than 12 characters";
        const Bytes code = EncodeCp1251(u.code, &ok);
        if (!ok) return who + "the code has characters that Windows-1251 does not have";
        if (code.size() > kUserCodeSize) return who + "the code has more than 4 characters";
        if (Padded(code, kUserCodeSize) == Bytes(kUserCodeSize, ' ')) return who + "the code is empty";
        for (std::size_t j = 0; j < i; ++j) {
            if (Padded(EncodeCp1251(all[j].name), kUserNameSize) == Padded(name, kUserNameSize)) {
                return who + "the name is taken by user '" + all[j].name + "'";
            }
            if (Padded(EncodeCp1251(all[j].code), kUserCodeSize) == Padded(code, kUserCodeSize)) {
                return who + "the code is taken by user '" + all[j].name + "'";
            }
        }
    }
    return {};
}

LevelTables DefaultLevelTables() {
    uint64_t configuration = 0;
    for (std::size_t t = 0; t < kTableCount; ++t)
        if (kTableShapes[t].configuration) configuration |= uint64_t{1} << t;
    LevelTables tables{};
    tables[kManufacturerLevel] = configuration;
    tables[kAdministratorLevel] = configuration;
    tables[kEngineerLevel] = configuration & ~(uint64_t{1} << kUsersTable);
    tables[kOperatorLevel] = tables[kEngineerLevel];
    return tables;
}

// --- Controller -------------------------------------------------------------

// Function codes served by this version besides the measurement archives
// (14, 15, 16, see ReadArchive) and the event archives (7, 8, see
// ReadEvents). Any other code is refused with kUnknownFunction.
const Controller::Function Controller::kFunctions[] = {
    {kReadFields, &Controller::ReadFields, false},
    {kWriteFields, &Controller::WriteFields, true},
    {kCorrectClock, &Controller::CorrectClock, true},
    {kResetMemory, &Controller::ResetMemory, true},
};

Controller::Controller(const ControllerOptions& options, Clock clock)
    : factory_(options),
      clock_(clock ? std::move(clock) : Clock([] { return std::time(nullptr); })),
      refuseWith_(options.refuseWith),
      openWrites_(options.openWrites),
      levelTables_(options.levelTables),
      archives_(options.archive),
      events_(options.events),
      live_(options.live) {
    for (std::size_t t = 0; t < kTableCount; ++t) {
        tables_[t].assign(std::size_t{kTableShapes[t].fields} * kTableShapes[t].size, 0);
    }
    FillTables(options);
    MarkConfigurationMissing();
    if (options.clock) {
        SetClockTo(*options.clock);
    } else {
        archives_.Anchor(Now());
        SetTimeKindFromRules();
    }
    events_.Fill(Now(), tables_);
}

std::span<uint8_t> Controller::Table(std::size_t number) {
    if (number >= kTableCount) return {};
    if (number == kClockTable) RefreshClock();
    if (IsLiveTable(static_cast<uint8_t>(number))) live_.Refresh(tables_, Now());
    if (number == kArchiveStartTable) RefreshArchiveStarts();
    if (number == kDiagnosticBoundsTable || number == kInterventionBoundsTable) RefreshEventBounds();
    return tables_[number];
}

WallTime Controller::Now() const {
    return static_cast<WallTime>(LocalWallSeconds(clock_())) + clockOffset_;
}

void Controller::SetClockTo(WallTime time) {
    clockOffset_ = static_cast<std::time_t>(time - static_cast<WallTime>(LocalWallSeconds(clock_())));
    archives_.Anchor(Now());
    RefreshClock();
    SetTimeKindFromRules();
}

int Controller::ContractHour() const {
    const uint8_t hour = tables_[kSystemTable][kContractHourField];
    return hour <= 23 ? hour : 0;
}

void Controller::RefreshArchiveStarts() {
    const auto raw = archives_.RawOldest(ContractHour());
    std::copy(raw.begin(), raw.end(), tables_[kArchiveStartTable].begin());
}

void Controller::FillTables(const ControllerOptions& options) {
    // Identification.
    Bytes& ident = tables_[0];
    ident[0] = 0;                        // no destroyed table
    ident[1] = options.typeCode;
    ident[2] = 2;                        // hardware version
    ident[3] = options.softwareVersion;
    const uint8_t softwareDate[] = {21, 3, 15, 12, 0, 0};  // 15.03.21 12:00:00
    std::copy(std::begin(softwareDate), std::end(softwareDate), ident.begin() + 4);
    ident[10] = 1;                       // low address holds the low byte
    ident[11] = 1;                       // several baud rates possible
    ident[12] = options.windowsTexts ? 1 : 0;  // texts in CP866 (0) or Windows-1251
    ident[13] = 0;                       // address may be changed
    ident[14] = 3;                       // exchange protocol version 3.0.1
    ident[15] = 0;
    ident[16] = 1;

    // Upper-level link: address, baud-rate code (11 = 9600), answer preambles, reserved.
    tables_[kAddressTable] = {options.address, 11, 0, 0};

    Bytes name = options.windowsTexts ? EncodeCp1251(options.name) : EncodeCp866(options.name);
    name.resize(kNameSize, ' ');
    tables_[kNameTable] = name;

    FillUsers(options);

    // System parameters: summer time from the last Sunday of March at 2:00,
    // winter time from the last Sunday of October at 3:00 (day byte 0xC9:
    // weekday in the month, counted from the end, Sunday, the last one),
    // contract hour 10, chromatograph and moisture meter connected, fields
    // 9..11 as the program writes them.
    constexpr uint8_t kLastSunday = 0x80 | 0x40 | (1 << 3) | 1;
    tables_[6] = {3, kLastSunday, 2, 10, kLastSunday, 3, 10, 1, 1, 1, 0, 0};

    tables_[8] = {1, 1};                 // clock change and flow computer exchange possible
    // Flow computers: one, 9600 baud, 3 failures, 1 s time-out, no preambles,
    // write on deviation, gas temperature from computer 0, pipeline 1.
    tables_[9] = {1, 11, 3, 10, 0, 1, 0, 1};
    // Chromatograph: NGC8200 (type 4) at MODBUS address 1, 9600 baud, RTU, no
    // parity, 0.5 s time-out, a message after 3 failed polls, hexane in the list.
    tables_[14] = {1, 11, 1, 0, 50, 3, 4, 0};
    // Moisture meter: ZEGAZ 5000 (type 0) at address 2, 9600 baud, RTU.
    tables_[15] = {2, 11, 1, 0, 50, 3, 0, 0};
    tables_[17][0] = 1;
    tables_[18][0] = 10;
    tables_[19][0] = 1;
    tables_[28] = {1, 0};

    // Ethernet: 192.168.0.10 / 255.255.255.0 / 192.168.0.1, the last dotted
    // number in the lowest byte; ports for flow computers 1 and 2, ЗМК 1 and 2.
    Bytes& eth = tables_[29];
    PutU32(eth, 0, 0xC0A8000A);
    PutU32(eth, 1, 0xFFFFFF00);
    PutU32(eth, 2, 0xC0A80001);
    PutU32(eth, 3, 4001);
    PutU32(eth, 4, 4002);
    PutU32(eth, 5, 4003);
    PutU32(eth, 6, 4004);

    // Gas parameter limits: a plausible band for every parameter.
    for (std::size_t p = 0; p < 20; ++p) {
        PutFloat(tables_[22], p, 0.01f);
        PutFloat(tables_[23], p, 0.0f);
        PutFloat(tables_[24], p, 100.0f);
        PutFloat(tables_[25], p, 0.0f);
        PutFloat(tables_[26], p, 100.0f);
    }

    tables_[33] = {1, 1};                // links with both analysers present
    tables_[34][0] = 1;                  // link with flow computer 1 present
    // Table 7 stays all 0: every table intact.
}

void Controller::FillUsers(const ControllerOptions& options) {
    Bytes& users = tables_[kUsersTable];
    for (std::size_t u = 0; u < kUserCount; ++u) {
        Bytes blank(kUserRecordSize, ' ');
        blank[kUserLevelAt] = 0;
        blank[kUserLevelAt + 1] = 0;
        std::copy(blank.begin(), blank.end(), users.begin() + u * kUserRecordSize);
    }
    std::vector<UserOption> all = {kFactoryUser};
    all.insert(all.end(), options.users.begin(), options.users.end());
    for (std::size_t u = 0; u < all.size() && u < kUserCount; ++u) {
        const Bytes record = UserRecord(all[u]);
        std::copy(record.begin(), record.end(), users.begin() + u * kUserRecordSize);
    }
    for (const auto& [record, level] : options.rawLevels)
        if (record < kUserCount) users[record * kUserRecordSize + kUserLevelAt] = level;
}

bool Controller::CredentialsAccepted(uint8_t code, std::span<const uint8_t> frame) {
    writerLevel_ = -1;
    if (openWrites_) return true;
    const bool usersDestroyed = TableDestroyed(kUsersTable);
    // A destroyed users table can only be restored by a write from nobody in
    // particular; the reset, which brings the users back, is nobody's either.
    if (usersDestroyed)
        return code == kResetMemory ||
               (code == kWriteFields && frame.size() > kWriteHeadAt && frame[kWriteHeadAt] == kUsersTable);
    const uint8_t* password = frame.data() + 4;
    const uint8_t* userCode = password + kPasswordSize;
    const Bytes& users = tables_[kUsersTable];
    for (std::size_t u = 0; u < kUserCount; ++u) {
        const uint8_t* record = users.data() + u * kUserRecordSize;
        if (record[kUserLevelAt] != 0 && std::equal(password, password + kPasswordSize, record + kUserPasswordAt) &&
            std::equal(userCode, userCode + kUserCodeSize, record + kUserCodeAt)) {
            writerLevel_ = record[kUserLevelAt];
            return true;
        }
    }
    return false;
}

unsigned Controller::LineRate() const {
    static constexpr unsigned kRates[] = {300,   600,   1200,  2400,  3200,  3600,  4800,  5760,
                                          6400,  7200,  7680,  9600,  11520, 12800, 14400, 19200,
                                          23040, 28800, 38400, 57600, 115200, 230400};
    const uint8_t code = tables_[kAddressTable][1];
    return code < std::size(kRates) ? kRates[code] : 0;
}

namespace {

bool Blank(const uint8_t* bytes, std::size_t size) {
    return std::all_of(bytes, bytes + size, [](uint8_t b) { return b == ' '; });
}

}  // namespace

std::optional<uint8_t> Controller::CheckUsersWrite(uint8_t first, uint8_t count, const uint8_t* data) const {
    // Each record on its own.
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* record = data + i * kUserRecordSize;
        const uint8_t level = record[kUserLevelAt];
        if (level == 0) continue;
        if (level > kOperatorLevel) return kUserNotRegistrable;
        if (Blank(record, kUserNameSize)) return kEmptyUserName;
        if (Blank(record + kUserCodeAt, kUserCodeSize) || record[kUserCodeAt] == 0) return kEmptyUserCode;
    }
    // A destroyed table is restored in pieces; the list is judged once whole.
    if (TableDestroyed(kUsersTable)) return std::nullopt;

    const Bytes& before = tables_[kUsersTable];
    Bytes after = before;
    std::copy(data, data + std::size_t{count} * kUserRecordSize, after.begin() + std::size_t{first} * kUserRecordSize);
    auto level = [](const Bytes& users, std::size_t u) { return users[u * kUserRecordSize + kUserLevelAt]; };
    std::optional<std::size_t> manufacturer;
    int administratorsBefore = 0, administratorsAfter = 0, manufacturersAfter = 0;
    for (std::size_t u = 0; u < kUserCount; ++u) {
        if (level(before, u) == kManufacturerLevel && !manufacturer) manufacturer = u;
        if (level(before, u) == kAdministratorLevel) ++administratorsBefore;
        if (level(after, u) == kAdministratorLevel) ++administratorsAfter;
        if (level(after, u) == kManufacturerLevel) ++manufacturersAfter;
    }
    if (manufacturer) {
        const auto at = before.begin() + *manufacturer * kUserRecordSize;
        const bool changed = !std::equal(at, at + kUserRecordSize, after.begin() + *manufacturer * kUserRecordSize);
        // Only the manufacturer's engineer changes his own record.
        if (changed && writerLevel_ > kManufacturerLevel) return kAccessLevelTooLow;
        if (level(after, *manufacturer) != kManufacturerLevel) return kManufacturerRemoval;
    }
    if (manufacturersAfter > 1) return kManufacturerRegistered;
    if (administratorsBefore > 0 && administratorsAfter == 0) return kLastAdministratorRemoval;
    for (std::size_t m = 0; m < kUserCount; ++m) {
        if (level(after, m) == 0) continue;
        const uint8_t* a = after.data() + m * kUserRecordSize;
        for (std::size_t n = m + 1; n < kUserCount; ++n) {
            if (level(after, n) == 0) continue;
            const uint8_t* b = after.data() + n * kUserRecordSize;
            if (std::equal(a, a + kUserNameSize, b)) return kUserNameTaken;
            if (std::equal(a + kUserCodeAt, a + kUserCodeAt + kUserCodeSize, b + kUserCodeAt)) return kUserNotRegistrable;
        }
    }
    return std::nullopt;
}

void Controller::MarkDestroyed(uint8_t table) {
    if (table >= kTableCount || kTableShapes[table].fields == 0) return;
    tables_[kStatesTable][table] = 1;
    rewritten_[table] = 0;
    UpdateDestroyedNumber();
}

void Controller::NoteWritten(uint8_t table, uint8_t first, uint8_t count) {
    if (!TableDestroyed(table)) return;
    for (unsigned f = first; f < unsigned{first} + count; ++f) rewritten_[table] |= uint64_t{1} << f;
    // A table of one field per flow computer is whole once the fields of the
    // connected ones are written: that is all a configuration write sends
    // (a request of no field when none is connected).
    unsigned fields = kTableShapes[table].fields;
    if (PerFlowComputer(table)) fields = std::min<unsigned>(fields, tables_[kFlowComputerLinkTable][0]);
    const uint64_t whole = fields >= 64 ? ~uint64_t{0} : (uint64_t{1} << fields) - 1;
    if ((rewritten_[table] & whole) == whole) {
        tables_[kStatesTable][table] = 0;
        rewritten_[table] = 0;
        UpdateDestroyedNumber();
    }
}

void Controller::MarkConfigurationMissing() {
    if (factory_.softwareVersion != kVersionWithoutConfiguration) return;
    for (uint8_t t = 0; t < kTableCount; ++t)
        if (kTableShapes[t].configuration) MarkDestroyed(t);
}

void Controller::UpdateDestroyedNumber() {
    // Identification field 0 names one destroyed table, the lowest; 0 when none.
    tables_[0][0] = 0;
    for (uint8_t t = 1; t < kTableCount; ++t) {
        if (TableDestroyed(t)) {
            tables_[0][0] = t;
            break;
        }
    }
}

// --- State file image -------------------------------------------------------

namespace {

constexpr std::size_t kStateHeaderSize = 20;

std::size_t TablesSize() {
    std::size_t size = 0;
    for (const TableShape& shape : kTableShapes) size += std::size_t{shape.fields} * shape.size;
    return size;
}

}  // namespace

Bytes Controller::SaveState() {
    RefreshClock();
    RefreshArchiveStarts();
    Bytes image(std::begin(kStateMagic), std::end(kStateMagic));
    image.push_back(static_cast<uint8_t>(kStateVersion & 0xFF));
    image.push_back(static_cast<uint8_t>(kStateVersion >> 8));
    image.push_back(static_cast<uint8_t>(kTableCount & 0xFF));
    image.push_back(static_cast<uint8_t>(kTableCount >> 8));
    const auto offset = static_cast<uint64_t>(static_cast<int64_t>(clockOffset_));
    for (int i = 0; i < 8; ++i) image.push_back(static_cast<uint8_t>(offset >> (8 * i)));
    for (const Bytes& table : tables_) image.insert(image.end(), table.begin(), table.end());
    const Bytes interventions = events_.SaveInterventions();
    image.insert(image.end(), interventions.begin(), interventions.end());
    const uint16_t crc = Crc16(image.data(), image.size());
    image.push_back(static_cast<uint8_t>(crc & 0xFF));
    image.push_back(static_cast<uint8_t>(crc >> 8));
    return image;
}

bool Controller::LoadState(std::span<const uint8_t> image, std::string& error) {
    const std::size_t tablesEnd = kStateHeaderSize + TablesSize();
    if (image.size() < sizeof kStateMagic || !std::equal(std::begin(kStateMagic), std::end(kStateMagic), image.begin())) {
        error = "not a zmk-sim state file (no ZMKSIMST at its start)";
        return false;
    }
    if (image.size() < kStateHeaderSize) {
        error = "the file is cut short (" + std::to_string(image.size()) + " bytes)";
        return false;
    }
    const unsigned version = image[8] | (image[9] << 8);
    if (version != kTablesOnlyStateVersion && version != kStateVersion) {
        error = "format version " + std::to_string(version) + ", this simulator reads versions 1 and " +
                std::to_string(kStateVersion);
        return false;
    }
    const unsigned tables = image[10] | (image[11] << 8);
    if (tables != kTableCount) {
        error = "it holds " + std::to_string(tables) + " tables instead of " + std::to_string(kTableCount);
        return false;
    }
    // Version 1 ends with the tables; version 2 has at least the head of the
    // intervention archive after them (its own size is checked with it).
    const std::size_t expected = tablesEnd + (version == kTablesOnlyStateVersion ? 0 : 8) + 2;
    if (version == kTablesOnlyStateVersion ? image.size() != expected : image.size() < expected) {
        error = "it has " + std::to_string(image.size()) + " bytes instead of " +
                (version == kTablesOnlyStateVersion ? "" : "at least ") + std::to_string(expected) +
                (image.size() < expected ? " (cut short)" : " (bytes after the end)");
        return false;
    }
    if (Crc16(image.data(), image.size()) != 0) {
        error = "its checksum is wrong";
        return false;
    }
    uint64_t rawOffset = 0;
    for (int i = 0; i < 8; ++i) rawOffset |= uint64_t{image[12 + i]} << (8 * i);
    const auto offset = static_cast<int64_t>(rawOffset);
    constexpr int64_t kCentury = int64_t{100} * 366 * 86400;
    if (offset > kCentury || offset < -kCentury) {
        error = "its clock offset is more than a century";
        return false;
    }
    std::array<Bytes, kTableCount> loaded;
    std::size_t at = kStateHeaderSize;
    for (std::size_t t = 0; t < kTableCount; ++t) {
        const std::size_t size = std::size_t{kTableShapes[t].fields} * kTableShapes[t].size;
        loaded[t].assign(image.begin() + at, image.begin() + at + size);
        at += size;
    }
    const uint8_t address = loaded[kAddressTable][0];
    if (address == 0 || address == kAnyAddress) {
        error = "its controller address (table 3 field 0) is " + std::to_string(address) + ", not 1..254";
        return false;
    }
    // The diagnostic archive is filled afresh to suit the loaded tables and
    // clock; so is the intervention archive of a version 1 state, which does
    // not keep it.
    EventArchives events = events_;
    events.Fill(static_cast<WallTime>(LocalWallSeconds(clock_())) + offset, loaded);
    if (version == kStateVersion &&
        !events.LoadInterventions(image.subspan(tablesEnd, image.size() - 2 - tablesEnd), error)) {
        return false;
    }
    tables_ = std::move(loaded);
    clockOffset_ = static_cast<std::time_t>(offset);
    rewritten_.fill(0);
    archives_.Anchor(Now());
    RefreshArchiveStarts();
    events_ = std::move(events);
    return true;
}

void Controller::RefreshClock() {
    const std::time_t wall = LocalWallSeconds(clock_()) + clockOffset_;
    std::tm tm{};
    gmtime_r(&wall, &tm);
    Bytes& t = tables_[kClockTable];
    t[0] = static_cast<uint8_t>((tm.tm_year + 1900 - 2000) & 0xFF);
    t[1] = static_cast<uint8_t>(tm.tm_mon + 1);
    t[2] = static_cast<uint8_t>(tm.tm_mday);
    t[3] = static_cast<uint8_t>(tm.tm_hour);
    t[4] = static_cast<uint8_t>(tm.tm_min);
    t[5] = static_cast<uint8_t>(tm.tm_sec);
    t[6] = static_cast<uint8_t>(tm.tm_wday + 1);  // 1 = Sunday
}

bool Controller::SetClock(const uint8_t* f) {
    const int year = 2000 + f[0];
    if (f[0] > 99 || f[1] < 1 || f[1] > 12 || f[2] < 1 || f[2] > DaysInMonth(year, f[1]) || f[3] > 23 ||
        f[4] > 59 || f[5] > 59) {
        return false;
    }
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = f[1] - 1;
    tm.tm_mday = f[2];
    tm.tm_hour = f[3];
    tm.tm_min = f[4];
    tm.tm_sec = f[5];
    clockOffset_ = timegm(&tm) - LocalWallSeconds(clock_());
    archives_.Anchor(Now());
    return true;
}

std::optional<Bytes> Controller::HandleFrame(std::span<const uint8_t> frame) {
    if (frame.size() < kMinFrame || frame.size() > kMaxFrame || frame[0] != kRequestStart ||
        frame[kLengthAt] != frame.size()) {
        return std::nullopt;
    }
    if (Crc16(frame.data(), frame.size()) != 0) return std::nullopt;
    const uint8_t to = frame[kAddressAt];
    if (to != Address() && to != kAnyAddress) return std::nullopt;

    const uint8_t code = frame[kCodeAt];
    if (refuseWith_) return Refusal(code, *refuseWith_);
    if (code == kFiveMinuteArchive || code == kHourlyArchive || code == kDailyArchive) return ReadArchive(frame);
    if (code == kEventIndexRequest || code == kEventPeriodRequest) return ReadEvents(frame);
    for (const Function& f : kFunctions) {
        if (f.code != code) continue;
        if (f.credentials) {
            if (frame.size() < 4 + kCredentialsSize + 2) return Refusal(code, kWrongLength);
            if (!CredentialsAccepted(code, frame)) return Refusal(code, kUnknownUser);
        }
        return (this->*f.handler)(frame);
    }
    return Refusal(code, kUnknownFunction);
}

Bytes Controller::Answer(uint8_t code, uint8_t status, const Bytes& data) const {
    Bytes out;
    out.reserve(kAnswerOverhead + data.size());
    out.push_back(kAnswerStart);
    out.push_back(Address());
    out.push_back(static_cast<uint8_t>(kAnswerOverhead + data.size()));
    out.push_back(static_cast<uint8_t>(code | kAnswerFlag));
    out.push_back(status);
    out.insert(out.end(), data.begin(), data.end());
    const uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>(crc >> 8));
    return out;
}

Bytes Controller::Refusal(uint8_t code, uint8_t result) const {
    Bytes out = {kAnswerStart, Address(), static_cast<uint8_t>(kRefusalLength),
                 static_cast<uint8_t>(code & ~kAnswerFlag), result};
    const uint16_t crc = Crc16(out.data(), out.size());
    out.push_back(static_cast<uint8_t>(crc & 0xFF));
    out.push_back(static_cast<uint8_t>(crc >> 8));
    return out;
}

// The tables kept per flow computer (write passwords, types, addresses,
// pipeline flags, byte orders, link and write states) take a request of no
// field from field 0: the program sends one when no flow computer is
// connected. Every other empty range is refused.
static bool AcceptsEmptyRange(uint8_t table, uint8_t first) {
    return first == 0 && (PerFlowComputer(table) || table == 34 || table == 35);
}

Bytes Controller::ReadFields(std::span<const uint8_t> frame) {
    if (frame.size() != kReadRequestLength) return Refusal(kReadFields, kWrongLength);
    const uint8_t table = frame[kReadHeadAt];
    const uint8_t first = frame[kReadHeadAt + 1];
    const uint8_t count = frame[kReadHeadAt + 2];
    if (table >= kTableCount || kTableShapes[table].fields == 0) return Refusal(kReadFields, kNoSuchTable);
    if (table == kFlowComputerPasswordTable) return Refusal(kReadFields, kTableNotReadable);
    const TableShape shape = kTableShapes[table];
    if ((count == 0 && !AcceptsEmptyRange(table, first)) || first >= shape.fields || first + count > shape.fields) {
        return Refusal(kReadFields, kNoSuchField);
    }
    const std::size_t size = std::size_t{count} * shape.size;
    if (kAnswerOverhead + 3 + size > kMaxFrame) return Refusal(kReadFields, kWrongLength);

    if (table == kClockTable) RefreshClock();
    if (IsLiveTable(table)) live_.Refresh(tables_, Now());
    if (table == kArchiveStartTable) RefreshArchiveStarts();
    if (table == kDiagnosticBoundsTable || table == kInterventionBoundsTable) RefreshEventBounds();
    const Bytes& t = tables_[table];
    Bytes data = {table, first, count};
    data.insert(data.end(), t.begin() + std::size_t{first} * shape.size, t.begin() + std::size_t{first} * shape.size + size);
    return Answer(kReadFields, 0, data);
}

Bytes Controller::WriteFields(std::span<const uint8_t> frame) {
    if (frame.size() < kWriteRequestOverhead) return Refusal(kWriteFields, kWrongLength);
    const uint8_t table = frame[kWriteHeadAt];
    const uint8_t first = frame[kWriteHeadAt + 1];
    const uint8_t count = frame[kWriteHeadAt + 2];
    if (table >= kTableCount || kTableShapes[table].fields == 0) return Refusal(kWriteFields, kNoSuchTable);
    const TableShape shape = kTableShapes[table];
    if (!shape.configuration) return Refusal(kWriteFields, kTableNotWritable);
    if ((count == 0 && !AcceptsEmptyRange(table, first)) || first >= shape.fields || first + count > shape.fields) {
        return Refusal(kWriteFields, kWriteBeyondTable);
    }
    const std::size_t size = std::size_t{count} * shape.size;
    if (frame.size() != kWriteRequestOverhead + size) return Refusal(kWriteFields, kWrongLength);

    const uint8_t* data = frame.data() + kWriteDataAt;
    const std::size_t offset = std::size_t{first} * shape.size;
    if (writerLevel_ >= 0 &&
        (std::size_t(writerLevel_) >= kLevels || (levelTables_[writerLevel_] & (uint64_t{1} << table)) == 0)) {
        return Refusal(kWriteFields, kAccessLevelTooLow);
    }
    if (table == kUsersTable) {
        if (const auto refused = CheckUsersWrite(first, count, data)) return Refusal(kWriteFields, *refused);
    }

    // Kept for undoing the write when its state cannot be stored.
    std::optional<std::array<Bytes, kTableCount>> before;
    const auto rewrittenBefore = rewritten_;
    const std::time_t offsetBefore = clockOffset_;
    const MeasurementArchives archivesBefore = archives_;
    if (stateSink_) before = tables_;

    if (table == kAddressTable && first == 0 && (data[0] == 0 || data[0] == kAnyAddress)) {
        return Refusal(kWriteFields, kBadParameters);
    }
    // The fields as they were, and who writes them, for the intervention archive.
    if (table == kClockTable) RefreshClock();
    const Bytes fieldsBefore = tables_[table];
    const auto writer = WriterName(frame);
    if (table == kClockTable) {
        Bytes fields = tables_[kClockTable];
        std::copy(data, data + size, fields.begin() + offset);
        if (first <= 5 && !SetClock(fields.data())) return Refusal(kWriteFields, kBadParameters);
        tables_[kClockTable][7] = fields[7];  // the weekday always follows the date
        RefreshClock();
    } else {
        std::copy(data, data + size, tables_[table].begin() + offset);
    }
    NoteWritten(table, first, count);
    // One intervention record for each field the write changed, stored with it.
    std::optional<EventArchives> eventsBefore;
    if (stateSink_) eventsBefore = events_;
    const WallTime when = Now();
    for (std::size_t f = first; f < std::size_t{first} + count; ++f) {
        const uint8_t* was = fieldsBefore.data() + f * shape.size;
        const uint8_t* is = tables_[table].data() + f * shape.size;
        if (std::equal(was, was + shape.size, is)) continue;
        events_.NoteChange(when, table, static_cast<uint8_t>(f), was, is, shape.size, writer.data());
    }
    if (stateSink_ && !stateSink_(SaveState())) {
        tables_ = std::move(*before);
        rewritten_ = rewrittenBefore;
        clockOffset_ = offsetBefore;
        archives_ = archivesBefore;
        events_ = std::move(*eventsBefore);
        return Refusal(kWriteFields, kStorageFailed);
    }
    // Answered from the address in force after the write, so that a write of
    // the controller's own address is answered from the new one.
    return Answer(kWriteFields, 0, {table, first, count});
}

// Code 12: [CC][addr][24][12][password 12][user code 4][c lo][c hi][crc][crc],
// c the correction in seconds (signed). The clock may be moved only within
// the hour it shows when the request comes: to any moment from the start of
// that hour to the start of the next one, which is what a correction to the
// computer's clock by the rule of the program asks for. A few seconds past
// the start of the next hour still count as its start: the request takes
// time on its way, and the computer cannot know where in its second the
// controller's clock is. A correction of more than an hour either way is
// refused with kCorrectionTooLarge, one that would leave the hour with
// kUnsuitableMoment. The answer carries no data.
Bytes Controller::CorrectClock(std::span<const uint8_t> frame) {
    constexpr std::size_t kCorrectionLength = 4 + kCredentialsSize + 2 + 2;
    constexpr std::size_t kCorrectionAt = 4 + kCredentialsSize;
    constexpr WallTime kHour = 3600;
    constexpr WallTime kGraceSeconds = 3;
    if (frame.size() != kCorrectionLength) return Refusal(kCorrectClock, kWrongLength);
    const auto seconds = static_cast<int16_t>(frame[kCorrectionAt] | (frame[kCorrectionAt + 1] << 8));
    if (seconds > kHour || seconds < -kHour) return Refusal(kCorrectClock, kCorrectionTooLarge);
    const WallTime now = Now();
    const WallTime hourStart = now - ((now % kHour) + kHour) % kHour;
    const WallTime target = now + seconds;
    if (target < hourStart || target > hourStart + kHour + kGraceSeconds) {
        return Refusal(kCorrectClock, kUnsuitableMoment);
    }

    const std::time_t offsetBefore = clockOffset_;
    clockOffset_ += seconds;
    if (stateSink_ && !stateSink_(SaveState())) {
        clockOffset_ = offsetBefore;
        RefreshClock();
        return Refusal(kCorrectClock, kStorageFailed);
    }
    RefreshClock();
    return Answer(kCorrectClock, 0, {});
}

Bytes Controller::ResetMemory(std::span<const uint8_t> frame) {
    if (frame.size() != 4 + kCredentialsSize + 2) return Refusal(kResetMemory, kWrongLength);
    // Answered from the address the request went to; the next request must
    // go to address 1.
    const Bytes answer = Answer(kResetMemory, 0, {});
    const std::array<Bytes, kTableCount> before = tables_;
    const auto rewrittenBefore = rewritten_;
    ControllerOptions factory = factory_;
    factory.address = 1;
    for (std::size_t t = 0; t < kTableCount; ++t)
        if (kTableShapes[t].configuration && t != kClockTable) std::fill(tables_[t].begin(), tables_[t].end(), uint8_t{0});
    FillTables(factory);
    std::fill(tables_[kStatesTable].begin(), tables_[kStatesTable].end(), uint8_t{0});
    tables_[0][0] = 0;
    rewritten_ = {};
    MarkConfigurationMissing();
    if (stateSink_ && !stateSink_(SaveState())) {
        tables_ = before;
        rewritten_ = rewrittenBefore;
        return Refusal(kResetMemory, kStorageFailed);
    }
    RefreshClock();
    return answer;
}

namespace {

// The moment a clock-change rule (month, day byte, hour) falls on in a year;
// nothing when the rule names no day (month 0 or outside 1..12, a weekday of
// 0, a day past the month). A weekday rule counts its ordinal in bits 0..1.
std::optional<WallTime> RuleMoment(int year, const uint8_t* rule) {
    const int month = rule[0];
    const uint8_t day = rule[1];
    const int hour = rule[2];
    if (month < 1 || month > 12 || hour > 23) return std::nullopt;
    const int days = DaysInMonth(year, month);
    int date = 0;
    if ((day & 0x80) == 0) {
        date = day & 0x7F;
    } else {
        const int weekday = (day >> 3) & 0x07;  // 1 = Sunday
        const int n = day & 0x03;
        if (weekday == 0 || n == 0) return std::nullopt;
        auto weekdayOf = [&](int d) {
            // 1 = Sunday .. 7 = Saturday; 01.01.1970 was a Thursday (5).
            const WallTime t = MakeWallTime(year, month, d);
            const int64_t daysSince = t / 86400;
            return static_cast<int>(((daysSince + 4) % 7 + 7) % 7) + 1;
        };
        if ((day & 0x40) == 0) {
            const int first = 1 + (weekday - weekdayOf(1) + 7) % 7;
            date = first + 7 * (n - 1);
        } else {
            const int last = days - (weekdayOf(days) - weekday + 7) % 7;
            date = last - 7 * (n - 1);
        }
    }
    if (date < 1 || date > days) return std::nullopt;
    return MakeWallTime(year, month, date, hour);
}

}  // namespace

void Controller::SetTimeKindFromRules() {
    constexpr uint8_t kSummer = 0x00;
    constexpr uint8_t kWinter = 0x80;
    const WallTime now = Now();
    const int year = SplitWallTime(now)[0];
    const Bytes& system = tables_[kSystemTable];
    const auto toSummer = RuleMoment(year, system.data());
    const auto toWinter = RuleMoment(year, system.data() + 3);
    const bool summer = toSummer && now >= *toSummer && (!toWinter || now < *toWinter);
    tables_[kClockTable][7] = summer ? kSummer : kWinter;
}

// Archive request: [CC][addr][N][code][body: lead, 0, analyser, start, end][crc][crc];
// answer: byte 4 = number of records, then the records back to back.
std::optional<Bytes> Controller::ReadArchive(std::span<const uint8_t> frame) {
    const uint8_t code = frame[kCodeAt];
    const std::span<const uint8_t> body = frame.subspan(4, frame.size() - 6);
    const std::size_t expected = code == kFiveMinuteArchive ? 19 : code == kHourlyArchive ? 17 : 15;
    if (frame.size() != expected) return Refusal(code, kWrongLength);
    const std::optional<MeasurementArchives::Reply> failure = archives_.CountRequest();
    if (failure && failure->kind == MeasurementArchives::Reply::kUnanswered) return std::nullopt;
    if (failure && failure->kind == MeasurementArchives::Reply::kRefused) return Refusal(code, failure->result);
    MeasurementArchives::Reply reply = archives_.Serve(code, body, Now(), ContractHour());
    if (failure) reply.damageChecksum = true;
    Bytes answer;
    switch (reply.kind) {
        case MeasurementArchives::Reply::kUnanswered:
            return std::nullopt;
        case MeasurementArchives::Reply::kRefused:
            answer = Refusal(code, reply.result);
            break;
        case MeasurementArchives::Reply::kRecords:
            answer = Answer(code, reply.count, reply.data);
            break;
    }
    if (reply.damageChecksum) answer[answer.size() - 2] ^= 0xFF;
    return answer;
}

// Event archive requests: code 7 [CC][addr][13][7][0][kind][index x4][count][crc][crc],
// code 8 [CC][addr][21][8][0][kind][page][start x6][end x6][crc][crc]. They
// count among the archive requests of --archive-fail-request.
std::optional<Bytes> Controller::ReadEvents(std::span<const uint8_t> frame) {
    const uint8_t code = frame[kCodeAt];
    const std::size_t expected = code == kEventIndexRequest ? 13 : 21;
    if (frame.size() != expected) return Refusal(code, kWrongLength);
    const std::optional<MeasurementArchives::Reply> failure = archives_.CountRequest();
    if (failure && failure->kind == MeasurementArchives::Reply::kUnanswered) return std::nullopt;
    if (failure && failure->kind == MeasurementArchives::Reply::kRefused) return Refusal(code, failure->result);
    const std::span<const uint8_t> body = frame.subspan(4, frame.size() - 6);
    const EventArchives::Reply reply =
        code == kEventIndexRequest ? events_.ServeIndex(body) : events_.ServePeriod(body);
    Bytes answer = reply.refused ? Refusal(code, reply.result) : Answer(code, reply.status, reply.data);
    if (failure) answer[answer.size() - 2] ^= 0xFF;
    return answer;
}

void Controller::RefreshEventBounds() {
    for (const uint8_t kind : {kDiagnosticEvents, kInterventionEvents}) {
        const auto bounds = events_.Archive(kind).Bounds();
        Bytes& table = tables_[kind == kDiagnosticEvents ? kDiagnosticBoundsTable : kInterventionBoundsTable];
        std::copy(bounds.begin(), bounds.end(), table.begin());
    }
}

std::array<uint8_t, kUserNameSize> Controller::WriterName(std::span<const uint8_t> frame) const {
    std::array<uint8_t, kUserNameSize> name;
    name.fill(' ');
    const uint8_t* userCode = frame.data() + 4 + kPasswordSize;
    const Bytes& users = tables_[kUsersTable];
    for (std::size_t u = 0; u < kUserCount; ++u) {
        const uint8_t* record = users.data() + u * kUserRecordSize;
        if (record[kUserLevelAt] != 0 && std::equal(userCode, userCode + kUserCodeSize, record + kUserCodeAt)) {
            std::copy(record, record + kUserNameSize, name.begin());
            break;
        }
    }
    return name;
}

}  // namespace zmksim
