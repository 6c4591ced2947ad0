#include "EventArchive.h"

#include "Controller.h"
#include "Crc.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace zmksim {

namespace {

constexpr WallTime kDay = 86400;
// The generated records lie in the three weeks before the clock.
constexpr WallTime kFilledSpan = 21 * kDay;

void PutDate(uint8_t* out, WallTime t) {
    const auto f = SplitWallTime(t);
    out[0] = static_cast<uint8_t>(f[0] - 2000);
    for (int i = 1; i < 6; ++i) out[i] = static_cast<uint8_t>(f[i]);
}

void PutU32(uint8_t* out, uint32_t value) {
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(value >> (8 * i));
}

uint32_t U32At(const uint8_t* at) {
    return uint32_t{at[0]} | (uint32_t{at[1]} << 8) | (uint32_t{at[2]} << 16) | (uint32_t{at[3]} << 24);
}

void PutFloat(uint8_t* out, double value) {
    const auto f = static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    PutU32(out, bits);
}

float FloatAt(const uint8_t* at) {
    const uint32_t bits = U32At(at);
    float f;
    std::memcpy(&f, &bits, 4);
    return f;
}

// A well-mixed number from a counter: the jitter of the record times and the
// firmware checksums, the same on every run.
uint64_t Mix(uint64_t x) {
    x += 0x9E3779B97F4A7C15ull;
    x = (x ^ (x >> 30)) * 0xBF58476D1CE4E5B9ull;
    x = (x ^ (x >> 27)) * 0x94D049BB133111EBull;
    return x ^ (x >> 31);
}

// Time of the i-th of n records spread over the span before `now`: evenly,
// each a little later than its slot start, strictly before `now`, never
// before an earlier one.
WallTime SpreadTime(WallTime now, uint64_t i, uint64_t n, uint64_t seed) {
    const WallTime start = now - kFilledSpan;
    const WallTime slot = start + static_cast<WallTime>(i * static_cast<uint64_t>(kFilledSpan) / n);
    const WallTime width = kFilledSpan / static_cast<WallTime>(n);
    const WallTime jitter = width > 1 ? static_cast<WallTime>(Mix(i ^ seed) % static_cast<uint64_t>(width / 2)) : 0;
    return std::max(slot + jitter, MakeWallTime(2000, 1, 1));
}

// Whether 6 bytes (year − 2000 .. second) form a date and time.
bool ValidDate(const uint8_t* d) {
    return d[0] <= 99 && d[1] >= 1 && d[1] <= 12 && d[2] >= 1 && d[2] <= DaysInMonth(2000 + d[0], d[1]) &&
           d[3] <= 23 && d[4] <= 59 && d[5] <= 59;
}

// --- Diagnostic messages -----------------------------------------------------

// What the two values of a diagnostic record carry.
enum class Values : uint8_t {
    kNone,      // nothing (zeros)
    kBelow,     // the gas parameter's value, and above it the setpoint it fell below
    kAbove,     // the value, and below it the setpoint it rose above
    kValue,     // the value alone
    kChecksum,  // old and new firmware checksum
};

struct DiagnosticEvent {
    uint8_t code;
    uint8_t first;   // table number or object code
    uint8_t second;  // field, bit, address or gas parameter
    Values values;
};

// A controller's life in diagnostic messages, each event followed by the one
// that ends it where there is one; it goes through every diagnostic code the
// program has a text for (2..4, 10..81). Tables: 3 upper-level link, 16
// abnormal-situation flags, 22..26 gas limits, 30 momentary data, 32 gas
// parameter zones, 33 analyser links (field 0 chromatograph, 1 moisture meter),
// 34 flow computer links (by address), 35 flow computer write state; objects
// 200 chromatograph status, 201 moisture meter status bits; 242..244 the
// previous year, base year and time kind.
constexpr DiagnosticEvent kDiagnosticCycle[] = {
    {2, 0, 0, Values::kNone},        {3, 0, 0, Values::kNone},        {77, 0, 0, Values::kNone},
    {4, 0, 0, Values::kNone},        {4, 1, 0, Values::kNone},        {10, 33, 0, Values::kNone},
    {11, 33, 0, Values::kNone},      {10, 33, 1, Values::kNone},      {11, 33, 1, Values::kNone},
    {10, 34, 10, Values::kNone},     {11, 34, 10, Values::kNone},     {48, 34, 10, Values::kNone},
    {49, 34, 10, Values::kNone},     {14, 32, 8, Values::kBelow},     {15, 32, 8, Values::kAbove},
    {12, 32, 10, Values::kBelow},    {13, 32, 10, Values::kAbove},    {17, 32, 11, Values::kAbove},
    {16, 32, 11, Values::kBelow},    {19, 26, 12, Values::kAbove},    {18, 26, 12, Values::kBelow},
    {20, 30, 9, Values::kValue},     {21, 30, 9, Values::kValue},     {22, 200, 0, Values::kNone},
    {23, 200, 0, Values::kNone},     {22, 200, 1, Values::kNone},     {23, 200, 1, Values::kNone},
    {22, 200, 2, Values::kNone},     {23, 200, 2, Values::kNone},     {22, 201, 0, Values::kNone},
    {23, 201, 0, Values::kNone},     {22, 201, 3, Values::kNone},     {23, 201, 3, Values::kNone},
    {22, 201, 10, Values::kNone},    {23, 201, 10, Values::kNone},    {24, 16, 1, Values::kNone},
    {25, 16, 1, Values::kNone},      {24, 16, 1, Values::kNone},      {26, 16, 1, Values::kNone},
    {27, 16, 1, Values::kNone},      {28, 16, 2, Values::kNone},      {29, 16, 2, Values::kNone},
    {30, 16, 3, Values::kNone},      {31, 16, 3, Values::kNone},      {32, 16, 4, Values::kNone},
    {33, 16, 4, Values::kNone},      {34, 16, 5, Values::kNone},      {35, 16, 5, Values::kNone},
    {36, 16, 6, Values::kNone},      {37, 16, 7, Values::kNone},      {38, 16, 7, Values::kNone},
    {39, 16, 7, Values::kNone},      {40, 22, 0, Values::kNone},      {40, 242, 0, Values::kNone},
    {41, 243, 0, Values::kNone},     {41, 244, 0, Values::kNone},     {41, 23, 4, Values::kNone},
    {42, 22, 0, Values::kNone},      {43, 22, 0, Values::kNone},      {45, 32, 1, Values::kAbove},
    {44, 32, 1, Values::kBelow},     {47, 32, 2, Values::kAbove},     {46, 32, 2, Values::kBelow},
    {50, 35, 1, Values::kNone},      {51, 35, 1, Values::kNone},      {52, 16, 8, Values::kNone},
    {53, 32, 3, Values::kBelow},     {54, 32, 3, Values::kAbove},     {55, 32, 4, Values::kBelow},
    {56, 32, 4, Values::kAbove},     {57, 16, 9, Values::kNone},      {58, 16, 9, Values::kNone},
    {59, 0, 0, Values::kChecksum},   {60, 32, 5, Values::kBelow},     {61, 32, 5, Values::kAbove},
    {63, 32, 6, Values::kAbove},     {62, 32, 6, Values::kBelow},     {64, 16, 10, Values::kNone},
    {65, 32, 17, Values::kBelow},    {66, 32, 17, Values::kAbove},    {68, 32, 0, Values::kAbove},
    {67, 32, 0, Values::kBelow},     {69, 24, 5, Values::kNone},      {70, 24, 5, Values::kNone},
    {71, 33, 0, Values::kNone},      {72, 33, 0, Values::kNone},      {73, 3, 0, Values::kNone},
    {74, 3, 0, Values::kNone},       {75, 32, 13, Values::kValue},    {76, 0, 0, Values::kNone},
    {78, 0, 0, Values::kNone},       {79, 30, 14, Values::kValue},    {80, 30, 14, Values::kValue},
    {81, 0, 0, Values::kNone},
};

Bytes DiagnosticRecord(const DiagnosticEvent& e, WallTime t, uint64_t serial) {
    Bytes r(kDiagnosticRecordSize, 0);
    PutDate(r.data(), t);
    r[6] = e.code;
    r[8] = e.first;
    r[9] = e.second;
    const double value = e.second < 20 ? GasParameters(t)[e.second] : 0.0;
    // The setpoint crossed lies 2 % (at least 0.01) beyond the value.
    const double margin = std::max(std::fabs(value) * 0.02, 0.01);
    switch (e.values) {
        case Values::kNone:
            break;
        case Values::kBelow:
            PutFloat(r.data() + 10, value);
            PutFloat(r.data() + 14, value + margin);
            break;
        case Values::kAbove:
            PutFloat(r.data() + 10, value);
            PutFloat(r.data() + 14, value - margin);
            break;
        case Values::kValue:
            PutFloat(r.data() + 10, value);
            break;
        case Values::kChecksum:
            PutU32(r.data() + 10, static_cast<uint32_t>(Mix(serial)));
            PutU32(r.data() + 14, static_cast<uint32_t>(Mix(serial + 1)));
            break;
    }
    return r;
}

// --- Operator interventions --------------------------------------------------

struct FieldRef {
    uint8_t table;
    uint8_t field;
};

// Every configuration field the program names in its intervention list,
// table by table as a user would edit them (reserved fields left out; of the
// users table the registration of user 2).
std::vector<FieldRef> InterventionCycle() {
    std::vector<FieldRef> cycle;
    auto fields = [&](uint8_t table, uint8_t first, uint8_t last) {
        for (unsigned f = first; f <= last; ++f) cycle.push_back({table, static_cast<uint8_t>(f)});
    };
    fields(2, 0, 7);
    fields(3, 0, 2);
    fields(4, 1, 1);
    fields(5, 0, 0);
    fields(6, 0, 8);
    fields(9, 0, 5);
    fields(13, 0, 15);
    fields(14, 0, 6);
    fields(15, 0, 6);
    for (uint8_t t = 17; t <= 20; ++t) fields(t, 0, 15);
    for (uint8_t t = 21; t <= 26; ++t) fields(t, 0, 19);
    fields(28, 0, 0);
    fields(29, 0, 6);
    return cycle;
}

// Unit code of a field's intervention records: bit/s for the baud rates, the
// gas parameter's unit for its limits, none otherwise.
uint8_t UnitOf(uint8_t table, uint8_t field) {
    constexpr uint8_t kBitsPerSecond = 8, kPercent = 5, kMegajoulesPerCubicMetre = 9, kKilogramsPerCubicMetre = 10,
                      kDegrees = 2;
    if ((table == 3 || table == 9 || table == 14 || table == 15) && field == 1) return kBitsPerSecond;
    if (table >= 22 && table <= 26) {
        if (field <= 10 || field == 14 || field == 15) return kPercent;
        if (field == 11 || field == 13 || field == 16) return kMegajoulesPerCubicMetre;
        if (field == 12) return kKilogramsPerCubicMetre;
        if (field == 17) return kDegrees;
    }
    return 0;
}

// The 4 value bytes of a field as an intervention record carries them: the
// field's first 4 bytes (zero-padded); nothing of the flow computers' write
// passwords (table 13).
std::array<uint8_t, 4> ValueOf(uint8_t table, const uint8_t* field, std::size_t size) {
    std::array<uint8_t, 4> v{};
    if (table == 13) return v;
    std::copy(field, field + std::min<std::size_t>(size, 4), v.begin());
    return v;
}

// A plausible earlier value of a one-byte field that now holds `now`.
uint8_t EarlierByte(uint8_t table, uint8_t field, uint8_t now) {
    switch (table) {
        case 3: return field == 0 ? 5 : field == 1 ? 15 : 3;  // address, 19200 bit/s, preambles
        case 6: {
            static constexpr uint8_t kEarlier[] = {0, 25, 3, 0, 28, 2, 12, 0, 0};
            return field < std::size(kEarlier) && kEarlier[field] != now ? kEarlier[field] : uint8_t(now ^ 1);
        }
        case 9: {
            static constexpr uint8_t kEarlier[] = {2, 15, 5, 20, 2, 0};
            return field < std::size(kEarlier) && kEarlier[field] != now ? kEarlier[field] : uint8_t(now ^ 1);
        }
        case 14:
        case 15: {
            static constexpr uint8_t kEarlier[] = {3, 15, 0, 2, 100, 5, 2};
            return field < std::size(kEarlier) && kEarlier[field] != now ? kEarlier[field] : uint8_t(now ^ 1);
        }
        case 17: return static_cast<uint8_t>((now + 1) % 4);
        case 18: return now == 0 ? static_cast<uint8_t>(11 + field) : 0;
        case 19: return static_cast<uint8_t>(now ^ 0x03);
        case 20: return now == 0 ? 1 : 0;
        case 21: return static_cast<uint8_t>((now + 1) % 3);
        case 28: return now == 2 ? 1 : 2;
        default: return static_cast<uint8_t>(now ^ 1);
    }
}

// Table 2: the clock set at `t` (new values) from a clock that was off.
std::array<uint8_t, 2> ClockChange(uint8_t field, WallTime t) {
    const auto f = SplitWallTime(t);
    switch (field) {
        case 0: return {static_cast<uint8_t>(f[0] - 2001), static_cast<uint8_t>(f[0] - 2000)};
        case 1: return {static_cast<uint8_t>(f[1] % 12 + 1), static_cast<uint8_t>(f[1])};
        case 2: return {static_cast<uint8_t>(f[2] == 1 ? 2 : f[2] - 1), static_cast<uint8_t>(f[2])};
        case 3: return {static_cast<uint8_t>((f[3] + 23) % 24), static_cast<uint8_t>(f[3])};
        case 4: return {static_cast<uint8_t>((f[4] + 57) % 60), static_cast<uint8_t>(f[4])};
        case 5: return {static_cast<uint8_t>((f[5] + 31) % 60), static_cast<uint8_t>(f[5])};
        case 6: {
            const auto weekday = static_cast<uint8_t>(((t / kDay + 4) % 7 + 7) % 7 + 1);  // 1 = Sunday
            return {static_cast<uint8_t>(weekday % 7 + 1), weekday};
        }
        default: return {1, 0};  // winter time to summer time
    }
}

Bytes InterventionRecord(WallTime t, uint8_t table, uint8_t field, const std::array<uint8_t, 4>& oldValue,
                         const std::array<uint8_t, 4>& newValue, const uint8_t* name) {
    Bytes r(kInterventionRecordSize, 0);
    PutDate(r.data(), t);
    r[7] = table;
    r[8] = field;
    r[9] = UnitOf(table, field);
    std::copy(oldValue.begin(), oldValue.end(), r.begin() + 10);
    std::copy(newValue.begin(), newValue.end(), r.begin() + 14);
    std::copy(name, name + 4, r.begin() + 18);
    return r;
}

}  // namespace

std::string CheckEventArchiveOptions(const EventArchiveOptions& o) {
    if (o.firstIndex == 0) return "the first running index of the event archives must be 1 or more";
    for (const uint32_t count : {o.diagnostics, o.interventions}) {
        if (count > kEventArchiveCapacity) {
            return "an event archive holds at most " + std::to_string(kEventArchiveCapacity) + " records";
        }
        if (count > 0 && uint64_t{o.firstIndex} + count - 1 > kLastEventIndex) {
            return "an event archive of " + std::to_string(count) + " records from index " +
                   std::to_string(o.firstIndex) +
                   " would run past index 4294967295 (see --event-first-index, --event-diagnostics, "
                   "--event-interventions)";
        }
    }
    if (o.perAnswer > kDiagnosticsPerAnswer) return "an event answer carries at most 11 records";
    return {};
}

// --- EventArchive ------------------------------------------------------------

EventArchive::EventArchive(uint8_t kind, uint32_t firstIndex) : kind_(kind), oldest_(firstIndex) {}

std::size_t EventArchive::RecordSize() const {
    return kind_ == kDiagnosticEvents ? kDiagnosticRecordSize : kInterventionRecordSize;
}

std::array<uint8_t, 8> EventArchive::Bounds() const {
    const auto newest = static_cast<uint32_t>(records_.empty() ? oldest_ : Newest());
    std::array<uint8_t, 8> b{};
    PutU32(b.data(), static_cast<uint32_t>(oldest_));
    PutU32(b.data() + 4, newest);
    return b;
}

bool EventArchive::Append(std::vector<uint8_t> record) {
    if (!records_.empty() && Newest() >= kLastEventIndex) return false;
    record.resize(RecordSize(), 0);
    const uint16_t crc = Crc16(record.data(), record.size() - 2);
    record[record.size() - 2] = static_cast<uint8_t>(crc & 0xFF);
    record[record.size() - 1] = static_cast<uint8_t>(crc >> 8);
    records_.push_back(std::move(record));
    if (records_.size() > kEventArchiveCapacity) {
        records_.pop_front();
        ++oldest_;
    }
    return true;
}

const std::vector<uint8_t>* EventArchive::At(uint64_t index) const {
    if (records_.empty() || index < oldest_ || index > Newest()) return nullptr;
    return &records_[static_cast<std::size_t>(index - oldest_)];
}

// --- EventArchives -----------------------------------------------------------

EventArchives::EventArchives(const EventArchiveOptions& options)
    : options_(options),
      diagnostics_(kDiagnosticEvents, options.firstIndex),
      interventions_(kInterventionEvents, options.firstIndex) {}

void EventArchives::Fill(WallTime now, std::span<const std::vector<uint8_t>> tables) {
    diagnostics_ = EventArchive(kDiagnosticEvents, options_.firstIndex);
    interventions_ = EventArchive(kInterventionEvents, options_.firstIndex);
    readings_ = {};

    const uint64_t diagnostics = options_.diagnostics;
    for (uint64_t i = 0; i < diagnostics; ++i) {
        const DiagnosticEvent& e = kDiagnosticCycle[i % std::size(kDiagnosticCycle)];
        diagnostics_.Append(DiagnosticRecord(e, SpreadTime(now, i, diagnostics, 0xD1A6), i));
    }

    // Operators: the registered users in turn, 25 changes each.
    std::vector<std::array<uint8_t, 4>> operators;
    const std::vector<uint8_t>& users = tables[kUsersTable];
    for (std::size_t u = 0; u < kUserCount; ++u) {
        const uint8_t* record = users.data() + u * kUserRecordSize;
        if (record[kUserLevelAt] == 0) continue;
        std::array<uint8_t, 4> name{};
        std::copy(record, record + kUserNameSize, name.begin());
        operators.push_back(name);
    }
    if (operators.empty()) operators.push_back({' ', ' ', ' ', ' '});

    // The controller name's earlier beginning, in the controller's code page.
    const bool windowsTexts = tables[0][12] != 0;
    const Bytes earlierName = windowsTexts ? EncodeCp1251("Узел") : EncodeCp866("Узел");

    const std::vector<FieldRef> cycle = InterventionCycle();
    const uint64_t interventions = options_.interventions;
    for (uint64_t i = 0; i < interventions; ++i) {
        const FieldRef f = cycle[i % cycle.size()];
        const WallTime t = SpreadTime(now, i, interventions, 0xA0D1);
        const TableShape shape = kTableShapes[f.table];
        const uint8_t* field = tables[f.table].data() + std::size_t{f.field} * shape.size;
        std::array<uint8_t, 4> newValue = ValueOf(f.table, field, shape.size);
        std::array<uint8_t, 4> oldValue{};
        if (f.table == 2) {
            const auto change = ClockChange(f.field, t);
            oldValue[0] = change[0];
            newValue = {change[1], 0, 0, 0};
        } else if (f.table == kUsersTable) {
            oldValue = {' ', ' ', ' ', ' '};  // the user was registered then
        } else if (f.table == 5) {
            std::copy(earlierName.begin(), earlierName.begin() + 4, oldValue.begin());
        } else if (f.table == 13) {
            // Passwords leave no values.
        } else if (f.table >= 22 && f.table <= 26) {
            static constexpr double kShift[] = {0, 1.5, -2.5, 0.5, -1.0};
            const double now = FloatAt(newValue.data());
            PutFloat(oldValue.data(), f.table == 22 ? now * 5 : now + kShift[f.table - 22]);
        } else if (f.table == 29) {
            static constexpr uint32_t kEarlier[] = {0xC0A80064, 0xFFFF0000, 0xC0A800FE};
            const uint32_t now = U32At(newValue.data());
            PutU32(oldValue.data(), f.field < 3 ? kEarlier[f.field] : now + 100);
        } else {
            oldValue[0] = EarlierByte(f.table, f.field, newValue[0]);
        }
        const auto& name = operators[(i / 25) % operators.size()];
        interventions_.Append(InterventionRecord(t, f.table, f.field, oldValue, newValue, name.data()));
    }
}

Bytes EventArchives::SaveInterventions() const {
    Bytes out(8);
    PutU32(out.data(), static_cast<uint32_t>(interventions_.Oldest()));
    PutU32(out.data() + 4, static_cast<uint32_t>(interventions_.Size()));
    for (uint64_t i = 0; i < interventions_.Size(); ++i) {
        const Bytes& record = *interventions_.At(interventions_.Oldest() + i);
        out.insert(out.end(), record.begin(), record.end());
    }
    return out;
}

bool EventArchives::LoadInterventions(std::span<const uint8_t> saved, std::string& error) {
    if (saved.size() < 8) {
        error = "its intervention archive is cut short";
        return false;
    }
    const uint32_t oldest = U32At(saved.data());
    const uint32_t count = U32At(saved.data() + 4);
    if (oldest == 0 || count > kEventArchiveCapacity || (count > 0 && uint64_t{oldest} + count - 1 > kLastEventIndex)) {
        error = "its intervention archive has " + std::to_string(count) + " records from index " +
                std::to_string(oldest) + ", which no archive holds";
        return false;
    }
    if (saved.size() != 8 + std::size_t{count} * kInterventionRecordSize) {
        error = "its intervention archive should have " + std::to_string(count) + " records of 24 bytes, not " +
                std::to_string(saved.size() - 8) + " bytes";
        return false;
    }
    EventArchive archive(kInterventionEvents, oldest);
    for (std::size_t i = 0; i < count; ++i) {
        const uint8_t* at = saved.data() + 8 + i * kInterventionRecordSize;
        // Kept as they were (Append fills in the same checksum of an intact record).
        archive.Append(Bytes(at, at + kInterventionRecordSize - 2));
    }
    interventions_ = std::move(archive);
    readings_[kInterventionEvents] = {};
    return true;
}

void EventArchives::NoteChange(WallTime when, uint8_t table, uint8_t field, const uint8_t* before,
                               const uint8_t* after, std::size_t size, const uint8_t* name) {
    // An archive at the last running index keeps nothing more (see kLastEventIndex).
    interventions_.Append(
        InterventionRecord(when, table, field, ValueOf(table, before, size), ValueOf(table, after, size), name));
}

std::size_t EventArchives::PageSize(uint8_t kind) const {
    const std::size_t most = kind == kDiagnosticEvents ? kDiagnosticsPerAnswer : kInterventionsPerAnswer;
    return options_.perAnswer == 0 ? most : std::min<std::size_t>(most, options_.perAnswer);
}

Bytes EventArchives::Delivered(const EventArchive& archive, uint64_t index) const {
    Bytes record = *archive.At(index);
    if (options_.badCrcEvery != 0 && (index - options_.firstIndex + 1) % options_.badCrcEvery == 0) {
        record[record.size() - 1] ^= 0x5A;
    }
    return record;
}

// An answer always begins with the record of the asked index, so that a
// reader's next index is its index plus n; records the archive does not hold
// (past the newest, or before the oldest) are not delivered, and n is 0 when
// the asked index itself is not held.
EventArchives::Reply EventArchives::ServeIndex(std::span<const uint8_t> body) const {
    Reply reply;
    if (body.size() != 7) {
        reply.refused = true;
        reply.result = kWrongLength;
        return reply;
    }
    const uint8_t kind = body[1];
    const uint8_t count = body[6];
    const std::size_t most = kind == kDiagnosticEvents ? kDiagnosticsPerAnswer : kInterventionsPerAnswer;
    if (body[0] != 0 || kind > kInterventionEvents || count == 0 || count > most) {
        reply.refused = true;
        reply.result = kBadParameters;
        return reply;
    }
    const EventArchive& archive = Archive(kind);
    const uint64_t first = U32At(body.data() + 2);
    const uint64_t wanted = std::min<uint64_t>(count, PageSize(kind));
    reply.data.assign(body.begin() + 1, body.begin() + 6);  // kind and the asked index
    reply.data.push_back(0);
    uint8_t n = 0;
    for (uint64_t i = first; i < first + wanted && archive.At(i); ++i, ++n) {
        const Bytes record = Delivered(archive, i);
        reply.data.insert(reply.data.end(), record.begin(), record.end());
    }
    reply.data[5] = n;
    return reply;
}

// Pages of a period reading: page 0 starts a new reading of the archive (any
// reading of it in progress is forgotten); the next number in the sequence
// 1, 2 .. 255, 1, 2 .. gives the records after the last page; the number of
// the last page answered gives that page again (a retry after a lost
// answer). Any other number, or a page other than 0 when no reading is in
// progress, is refused with kSeriesOutOfOrder; a page other than 0 for
// another period than its reading's with kOtherSeriesPeriod. Records are
// taken in index order whose time lies within [start, end], both included.
EventArchives::Reply EventArchives::ServePeriod(std::span<const uint8_t> body) {
    Reply reply;
    auto refuse = [&](uint8_t result) {
        reply.refused = true;
        reply.result = result;
        return reply;
    };
    if (body.size() != 15) return refuse(kWrongLength);
    const uint8_t kind = body[1];
    const uint8_t page = body[2];
    if (body[0] != 0 || kind > kInterventionEvents) return refuse(kBadParameters);
    const uint8_t* start = body.data() + 3;
    const uint8_t* end = body.data() + 9;
    if (!ValidDate(start) || !ValidDate(end) || std::lexicographical_compare(end, end + 6, start, start + 6)) {
        return refuse(kBadTimeRange);
    }
    const Bytes period(start, start + 12);

    const EventArchive& archive = Archive(kind);
    PeriodReading& reading = readings_[kind];
    uint64_t from = archive.Oldest();
    if (page == 0) {
        reading = {};
        reading.open = true;
        reading.period = period;
    } else {
        if (!reading.open) return refuse(kSeriesOutOfOrder);
        if (reading.period != period) return refuse(kOtherSeriesPeriod);
        const uint8_t following = reading.page == 255 ? 1 : static_cast<uint8_t>(reading.page + 1);
        if (page == reading.page) {
            from = reading.pageStart;
        } else if (page == following) {
            from = reading.next;
        } else {
            return refuse(kSeriesOutOfOrder);
        }
    }

    auto inPeriod = [&](const Bytes& record) {
        return !std::lexicographical_compare(record.begin(), record.begin() + 6, start, start + 6) &&
               !std::lexicographical_compare(end, end + 6, record.begin(), record.begin() + 6);
    };
    const std::size_t most = PageSize(kind);
    const uint64_t stop = archive.Size() == 0 ? archive.Oldest() : archive.Newest() + 1;
    uint64_t i = std::max(from, archive.Oldest());
    Bytes records;
    uint8_t n = 0;
    for (; i < stop && n < most; ++i) {
        if (!inPeriod(*archive.At(i))) continue;
        const Bytes record = Delivered(archive, i);
        records.insert(records.end(), record.begin(), record.end());
        ++n;
    }
    const uint64_t next = i;
    bool more = false;
    for (; i < stop && !more; ++i) more = inPeriod(*archive.At(i));

    reading.page = page;
    reading.pageStart = from;
    reading.next = next;
    reply.status = options_.errorFlag ? 0x80 : 0;
    reply.data = {page, n, static_cast<uint8_t>(more ? 1 : 0)};
    reply.data.insert(reply.data.end(), records.begin(), records.end());
    return reply;
}

}  // namespace zmksim
