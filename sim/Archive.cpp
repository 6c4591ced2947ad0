#include "Archive.h"

#include "Crc.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>

namespace zmksim {

namespace {

constexpr WallTime kMinute = 60;
constexpr WallTime kFiveMinutes = 300;
constexpr WallTime kHour = 3600;
constexpr WallTime kDay = 86400;

// Result codes of refused archive requests besides kBadTimeRange.
constexpr uint8_t kWrongLength = 2;    // "Неправильная длина запроса"
constexpr uint8_t kBadParameters = 4;  // "Неправильные параметры в запросе"

WallTime FloorTo(WallTime t, WallTime step) {
    WallTime q = t / step;
    if (t % step != 0 && t < 0) --q;
    return q * step;
}

WallTime CeilTo(WallTime t, WallTime step) {
    const WallTime f = FloorTo(t, step);
    return f == t ? t : f + step;
}

// Days since 01.01.1970 of a calendar date, and back.
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<int64_t>(yoe) + era * 400 + (month <= 2));
}

// A day past the end of its month becomes the 1st of the next month.
void CarryDay(int& year, int& month, int& day) {
    if (day <= DaysInMonth(year, month)) return;
    day = 1;
    if (++month > 12) {
        month = 1;
        ++year;
    }
}

// year − 2000, month, day, hour, minute, second.
void PutDate(uint8_t* out, WallTime t) {
    const auto f = SplitWallTime(t);
    out[0] = static_cast<uint8_t>(f[0] - 2000);
    for (int i = 1; i < 6; ++i) out[i] = static_cast<uint8_t>(f[i]);
}

void PutFloat(uint8_t* out, double value) {
    const auto f = static_cast<float>(value);
    uint32_t bits;
    std::memcpy(&bits, &f, 4);
    for (int i = 0; i < 4; ++i) out[i] = static_cast<uint8_t>(bits >> (8 * i));
}

void PutCrc(std::vector<uint8_t>& record) {
    const uint16_t crc = Crc16(record.data(), record.size() - 2);
    record[record.size() - 2] = static_cast<uint8_t>(crc & 0xFF);
    record[record.size() - 1] = static_cast<uint8_t>(crc >> 8);
}

// A slow wave: the sum of a daily, a weekly, a monthly and a yearly swing with
// phases of their own, each amplitude given; t in days.
double Wave(double days, double a1, double a7, double a29, double a365, double phase) {
    constexpr double kTwoPi = 2 * std::numbers::pi;
    return a1 * std::sin(kTwoPi * days + phase) + a7 * std::sin(kTwoPi * days / 7.3 + 1.7 * phase) +
           a29 * std::sin(kTwoPi * days / 29.5 + 2.3 * phase) + a365 * std::sin(kTwoPi * days / 365.25 + 0.6 * phase);
}

// The dates of a request: 5, 4 or 3 bytes from year − 2000; false when they
// do not form a date.
bool ReadDate(const uint8_t* at, std::size_t size, WallTime& t) {
    const int year = 2000 + at[0];
    const int month = at[1];
    const int day = at[2];
    const int hour = size > 3 ? at[3] : 0;
    const int minute = size > 4 ? at[4] : 0;
    if (at[0] > 99 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month) || hour > 23 ||
        minute > 59) {
        return false;
    }
    t = MakeWallTime(year, month, day, hour, minute);
    return true;
}

// Molar mass (g/mol), superior and inferior heating value (MJ/m3 at 20 °C,
// 101.325 kPa) of the components, by gas parameter index.
struct Component {
    int index;
    double mean;
    double a1, a7, a29, a365;  // swings of the molar fraction, %
    double molarMass;
    double hs;
    double hi;
};

constexpr Component kComponents[] = {
    {10, 3.40, 0.25, 0.35, 0.30, 0.35, 30.069, 64.91, 59.35},   // ethane
    {1, 0.85, 0.08, 0.12, 0.10, 0.15, 44.096, 92.29, 84.94},    // propane
    {2, 0.120, 0.010, 0.015, 0.010, 0.010, 58.122, 119.6, 110.4},   // i-butane
    {3, 0.150, 0.012, 0.018, 0.012, 0.012, 58.122, 120.0, 110.8},   // n-butane
    {4, 0.004, 0.0005, 0.0007, 0.0005, 0.0005, 72.149, 146.8, 135.8},  // neo-pentane
    {5, 0.035, 0.003, 0.004, 0.003, 0.003, 72.149, 147.5, 136.4},   // i-pentane
    {6, 0.028, 0.002, 0.003, 0.002, 0.003, 72.149, 147.8, 136.8},   // n-pentane
    {0, 0.050, 0.004, 0.005, 0.004, 0.004, 86.175, 175.4, 162.5},   // hexanes and heavier
    {7, 1.10, 0.10, 0.15, 0.15, 0.15, 28.013, 0, 0},              // nitrogen
    {9, 0.70, 0.08, 0.12, 0.12, 0.12, 44.010, 0, 0},              // carbon dioxide
    {15, 0.010, 0.001, 0.0015, 0.001, 0.001, 31.999, 0, 0},       // oxygen
};
constexpr double kMethaneMolarMass = 16.043;
constexpr double kMethaneHs = 37.03;
constexpr double kMethaneHi = 33.36;
constexpr double kMolarVolume = 24.055;   // dm3/mol at 20 °C, 101.325 kPa
constexpr double kCompressibility = 0.9976;
constexpr double kAirDensity = 1.2046;    // kg/m3 at 20 °C, 101.325 kPa

}  // namespace

int DaysInMonth(int year, int month) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) return 0;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

WallTime MakeWallTime(int year, int month, int day, int hour, int minute, int second) {
    return DaysFromCivil(year, static_cast<unsigned>(month), static_cast<unsigned>(day)) * kDay + hour * kHour +
           minute * kMinute + second;
}

std::array<int, 6> SplitWallTime(WallTime t) {
    const WallTime day = FloorTo(t, kDay);
    const auto seconds = static_cast<int>(t - day);
    std::array<int, 6> f{};
    CivilFromDays(day / kDay, f[0], f[1], f[2]);
    f[3] = seconds / 3600;
    f[4] = seconds / 60 % 60;
    f[5] = seconds % 60;
    return f;
}

std::size_t RecordSize(uint8_t code, uint8_t analyser) {
    if (analyser == kChromatograph) return code == kFiveMinuteArchive ? kChromFiveMinuteSize : kChromIntervalSize;
    return code == kFiveMinuteArchive ? kMoistureFiveMinuteSize : kMoistureIntervalSize;
}

std::size_t RecordsPerAnswer(uint8_t analyser) {
    return analyser == kChromatograph ? kChromRecordsPerAnswer : kMoistureRecordsPerAnswer;
}

std::array<double, 20> GasParameters(WallTime t) {
    const double days = static_cast<double>(t) / kDay;
    std::array<double, 20> p{};
    double others = 0;
    double molarMass = 0;
    double hs = 0;
    double hi = 0;
    for (std::size_t i = 0; i < std::size(kComponents); ++i) {
        const Component& c = kComponents[i];
        const double x = std::max(c.mean * 0.1, c.mean + Wave(days, c.a1, c.a7, c.a29, c.a365, 0.9 * double(i) + 0.3));
        p[c.index] = x;
        others += x;
        molarMass += x / 100 * c.molarMass;
        hs += x / 100 * c.hs;
        hi += x / 100 * c.hi;
    }
    const double methane = 100 - others;
    p[8] = methane;
    molarMass += methane / 100 * kMethaneMolarMass;
    hs += methane / 100 * kMethaneHs;
    hi += methane / 100 * kMethaneHi;
    const double density = molarMass / kMolarVolume / kCompressibility;
    p[11] = hs;
    p[12] = density;
    p[13] = hs / std::sqrt(density / kAirDensity);
    p[14] = 0.72 * p[0];  // hexanes alone
    p[16] = hi;
    p[17] = 12.5 + Wave(days, 2.0, 0.8, 0.6, 3.8, 4.1);
    return p;
}

std::array<double, 4> MoistureValues(WallTime t) {
    const double days = static_cast<double>(t) / kDay;
    std::array<double, 4> v{};
    v[0] = -20 + Wave(days, 0.8, 1.2, 0.8, 1.5, 2.2);      // water dew point at working pressure, °С
    v[1] = -14 + Wave(days, 0.6, 1.0, 0.9, 1.5, 5.1);      // hydrocarbon dew point at working pressure, °С
    v[2] = 45 + Wave(days, 1.5, 1.2, 0.8, 0.8, 3.3);       // gauge pressure, bar
    // Water dew point reduced to 3.92 MPa absolute: lower when the line runs above it.
    const double absolute = v[2] / 10 + 0.101325;
    v[3] = v[0] - 14 * std::log(absolute / 3.92);
    return v;
}

void MeasurementArchives::Anchor(WallTime now) {
    anchor_ = now;
    start_ = std::max(now - WallTime{options_.days} * kDay, MakeWallTime(2000, 1, 1));
    stream_ = {};
}

std::optional<WallTime> MeasurementArchives::GapHour() const {
    if (!options_.gap) return std::nullopt;
    return FloorTo(anchor_, kHour) - 6 * kHour;
}

bool MeasurementArchives::InGap(uint8_t code, WallTime start) const {
    const auto gap = GapHour();
    if (!gap) return false;
    if (code == kDailyArchive) return false;
    return start >= *gap && start < *gap + kHour;
}

std::array<uint8_t, 18> MeasurementArchives::RawOldest(int contractHour) const {
    std::array<uint8_t, 18> raw{};
    PutDate(raw.data(), CeilTo(start_, kFiveMinutes));
    PutDate(raw.data() + 6, CeilTo(start_, kHour));
    PutDate(raw.data() + 12, CeilTo(start_ - contractHour * kHour, kDay) + contractHour * kHour);
    return raw;
}

MeasurementArchives::Window MeasurementArchives::Bounds(uint8_t code, WallTime now, int contractHour) const {
    // The newest record is that of the last interval completed by now; the
    // ring buffer reaches back 2 months (5-minute), 1 year (hourly) or
    // 4 years (daily) from the interval after it, calendar-wise.
    Window w{};
    const WallTime shift = code == kDailyArchive ? contractHour * kHour : 0;
    const WallTime step = code == kFiveMinuteArchive ? kFiveMinutes : code == kHourlyArchive ? kHour : kDay;
    w.newest = FloorTo(now - shift, step) - step + shift;
    auto f = SplitWallTime(w.newest + step);
    if (code == kFiveMinuteArchive) {
        f[1] -= 2;
        if (f[1] < 1) {
            f[1] += 12;
            f[0] -= 1;
        }
    } else {
        f[0] -= code == kHourlyArchive ? 1 : 4;
    }
    CarryDay(f[0], f[1], f[2]);
    const WallTime ring = MakeWallTime(f[0], f[1], f[2], f[3], f[4]);
    const WallTime first = CeilTo(start_ - shift, step) + shift;
    w.oldest = std::max(ring, first);
    return w;
}

uint8_t MeasurementArchives::StatusOf(uint8_t code, uint8_t analyser, WallTime start, uint16_t& word) const {
    word = 0;
    if (options_.statusEvery == 0) return 0;
    const WallTime step = code == kFiveMinuteArchive ? kFiveMinutes : code == kHourlyArchive ? kHour : kDay;
    const WallTime k = FloorTo(start, step) / step;
    if (k % options_.statusEvery != options_.statusEvery - 1) return 0;
    const WallTime turn = k / options_.statusEvery;
    struct Flags {
        uint8_t status;
        uint16_t word;
    };
    static constexpr Flags kChromFive[] = {{0x80, 0}, {0x02, 0}, {0x08, 0x0021}, {0x10, 0}};
    static constexpr Flags kChromInterval[] = {{0x10, 0}, {0x02, 0}, {0x08, 0}, {0x20, 0}};
    static constexpr Flags kMoistureFive[] = {{0x04, 0}, {0x02, 0}, {0x00, 0x0102}};
    static constexpr Flags kMoistureInterval[] = {{0x04, 0}, {0x02, 0}};
    std::span<const Flags> cycle;
    if (analyser == kChromatograph) {
        cycle = code == kFiveMinuteArchive ? std::span<const Flags>(kChromFive) : std::span<const Flags>(kChromInterval);
    } else {
        cycle = code == kFiveMinuteArchive ? std::span<const Flags>(kMoistureFive)
                                           : std::span<const Flags>(kMoistureInterval);
    }
    const Flags& f = cycle[static_cast<std::size_t>(turn % static_cast<WallTime>(cycle.size()))];
    word = f.word;
    return f.status;
}

std::vector<uint8_t> MeasurementArchives::Record(uint8_t code, uint8_t analyser, WallTime start,
                                                 int contractHour) const {
    if (InGap(code, start)) return {};
    std::vector<uint8_t> r(RecordSize(code, analyser), 0);
    uint16_t word = 0;
    const uint8_t status = StatusOf(code, analyser, start, word);
    PutDate(r.data(), start);

    if (code == kFiveMinuteArchive) {
        if (analyser == kChromatograph) {
            r[6] = status;
            r[7] = static_cast<uint8_t>(word & 0xFF);
            r[8] = static_cast<uint8_t>(word >> 8);
            const auto p = GasParameters(start);
            for (std::size_t i = 0; i < p.size(); ++i) PutFloat(r.data() + 11 + 4 * i, p[i]);
        } else {
            r[6] = status;
            r[9] = static_cast<uint8_t>(word & 0xFF);
            r[10] = static_cast<uint8_t>(word >> 8);
            const auto v = MoistureValues(start);
            for (std::size_t i = 0; i < v.size(); ++i) PutFloat(r.data() + 11 + 4 * i, v[i]);
        }
        PutCrc(r);
        return r;
    }

    // Hourly and daily records: the averages of the 5-minute values of the
    // interval (a missing hour takes no part).
    const WallTime length = code == kHourlyArchive ? kHour : kDay;
    std::array<double, 20> sum{};
    int samples = 0;
    for (WallTime t = start; t < start + length; t += kFiveMinutes) {
        if (InGap(kFiveMinuteArchive, t)) continue;
        ++samples;
        if (analyser == kChromatograph) {
            const auto p = GasParameters(t);
            for (std::size_t i = 0; i < p.size(); ++i) sum[i] += p[i];
        } else {
            const auto v = MoistureValues(t);
            for (std::size_t i = 0; i < v.size(); ++i) sum[i] += v[i];
        }
    }
    for (double& s : sum) s /= std::max(samples, 1);

    const auto end = SplitWallTime(start + length);
    r[6] = static_cast<uint8_t>(end[3]);
    r[7] = static_cast<uint8_t>(end[4]);
    r[8] = static_cast<uint8_t>(end[5]);
    if (code == kDailyArchive) {
        // The gas day ended at the contract hour of the next day.
        r[6] = static_cast<uint8_t>(0x80 | (contractHour & 0x7F));
    }
    r[9] = status;
    const std::size_t values = analyser == kChromatograph ? 20 : 4;
    for (std::size_t i = 0; i < values; ++i) PutFloat(r.data() + 10 + 4 * i, sum[i]);
    PutCrc(r);
    return r;
}

std::optional<MeasurementArchives::Reply> MeasurementArchives::CountRequest() {
    ++requests_;
    if (options_.failRequest == 0 || requests_ != options_.failRequest) return std::nullopt;
    Reply reply;
    if (options_.failBadChecksum) {
        // Served as any other request; the frame is damaged on its way out.
        reply.damageChecksum = true;
    } else if (!options_.failWith) {
        reply.kind = Reply::kUnanswered;
    } else {
        reply.kind = Reply::kRefused;
        reply.result = *options_.failWith;
    }
    return reply;
}

MeasurementArchives::Reply MeasurementArchives::Serve(uint8_t code, std::span<const uint8_t> body, WallTime now,
                                                      int contractHour) {
    Reply reply;
    auto refuse = [&](uint8_t result) {
        reply.kind = Reply::kRefused;
        reply.result = result;
        return reply;
    };

    const std::size_t dateSize = code == kFiveMinuteArchive ? 5 : code == kHourlyArchive ? 4 : 3;
    if (body.size() != 3 + 2 * dateSize) return refuse(kWrongLength);
    const uint8_t lead = code == kFiveMinuteArchive ? 1 : 3;
    const uint8_t analyser = body[2];
    if (body[0] != lead || body[1] != 0 || analyser > kMoistureMeter) return refuse(kBadParameters);
    WallTime from = 0;
    WallTime to = 0;
    if (!ReadDate(body.data() + 3, dateSize, from) || !ReadDate(body.data() + 3 + dateSize, dateSize, to) ||
        to < from) {
        return refuse(kBadTimeRange);
    }

    const std::vector<uint8_t> endBytes(body.begin() + 3 + static_cast<std::ptrdiff_t>(dateSize), body.end());
    const bool continues = stream_.open && stream_.code == code && stream_.analyser == analyser &&
                           stream_.end == endBytes && stream_.lastFull && from > stream_.lastStart;
    if (!continues) {
        stream_ = {};
        stream_.open = true;
        stream_.code = code;
        stream_.analyser = analyser;
        stream_.end = endBytes;
    }

    const Window w = Bounds(code, now, contractHour);
    const WallTime shift = code == kDailyArchive ? contractHour * kHour : 0;
    const WallTime step = code == kFiveMinuteArchive ? kFiveMinutes : code == kHourlyArchive ? kHour : kDay;
    WallTime t = code == kDailyArchive ? from + shift : CeilTo(from, step);
    const WallTime last = std::min(code == kDailyArchive ? to + shift : to, w.newest);
    t = std::max(t, w.oldest);

    const std::size_t limit = RecordsPerAnswer(analyser);
    bool late = !continues && code == kFiveMinuteArchive && options_.lateMinutes > 0;
    while (t <= last && reply.count < limit) {
        WallTime at = t;
        if (late) {
            // The first record of the period was written late.
            at = t + WallTime{options_.lateMinutes} * kMinute;
            late = false;
            if (at > last) break;
        }
        std::vector<uint8_t> record = Record(code, analyser, at, contractHour);
        t = FloorTo(at - shift, step) + step + shift;
        if (record.empty()) continue;
        if (++stream_.served == options_.badCrcAt) {
            record[record.size() - 2] ^= 0xFF;
            record[record.size() - 1] ^= 0x5A;
        }
        reply.data.insert(reply.data.end(), record.begin(), record.end());
        ++reply.count;
    }
    stream_.lastStart = from;
    stream_.lastFull = reply.count == limit;
    return reply;
}

}  // namespace zmksim
