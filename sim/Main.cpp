// zmk-sim: a simulated ЗМК_10 controller on a TCP port and/or a pseudo-terminal.

#include "Controller.h"
#include "StateFile.h"
#include "Transport.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <string_view>
#include <vector>
#include <unistd.h>

namespace {

const char kUsage[] =
    "Usage: zmk-sim [options]\n"
    "A simulated ZMK_10 gas-quality controller. It answers requests on a TCP port\n"
    "of 127.0.0.1 and, on request, on a pseudo-terminal that it opens itself.\n"
    "At start it prints, one line each: 'tcp 127.0.0.1:PORT' (when TCP is on),\n"
    "'pty /dev/pts/N' (when the pseudo-terminal is on), then 'ready'. It runs\n"
    "until SIGTERM or SIGINT and then exits with 0.\n"
    "\n"
    "Channels:\n"
    "  --tcp-port N          listen on 127.0.0.1:N (default 0 = any free port);\n"
    "                        one client at a time, a new connection replaces the old\n"
    "  --no-tcp              do not listen on TCP\n"
    "  --pty                 also open a pseudo-terminal (raw mode, no echo)\n"
    "  --tcp-refuse          keep the TCP port bound but never listen: every\n"
    "                        connection is refused (the port is still printed)\n"
    "  --tcp-accept-delay-ms N\n"
    "                        refuse TCP connections for the first N ms after\n"
    "                        'ready', then listen (a peer that comes up late)\n"
    "\n"
    "Modem (on the pseudo-terminal; needs --pty):\n"
    "  --modem               put a Hayes modem in front of the controller. Command\n"
    "                        mode at start: echo on until ATE0, verbose results\n"
    "                        (\\r\\nOK\\r\\n) until ATV0 (then numeric: 0 OK, 1 CONNECT,\n"
    "                        3 NO CARRIER, 4 ERROR, 6 NO DIALTONE, 7 BUSY, 8 NO\n"
    "                        ANSWER). Commands start with AT in any case and end\n"
    "                        with CR; zero bytes and LF are ignored. ATE, ATV, ATZ,\n"
    "                        AT&F, ATS.. and any other command answer OK;\n"
    "                        AT+CPAS answers +CPAS: N then OK; ATD<number> answers\n"
    "                        after the dial delay, with CONNECT 9600 the line is\n"
    "                        up and frames pass to the controller and back. In\n"
    "                        data mode \"+++\" framed by the guard time of silence\n"
    "                        returns to command mode with OK, the call kept (ATO\n"
    "                        goes back on line); ATH hangs up with OK. While the\n"
    "                        modem is not on line the controller's answers are\n"
    "                        dropped\n"
    "  --guard-ms N          escape guard time in ms (default 1000)\n"
    "  --dial-delay-ms N     time from ATD to its result (default 500)\n"
    "  --dial-script LIST    results of the first dial attempts, comma-separated:\n"
    "                        CONNECT, BUSY, NO CARRIER, NO DIALTONE, ERROR,\n"
    "                        NO ANSWER, SILENT (no reply at all), LATE (CONNECT\n"
    "                        after --late-ms); '_' may stand\n"
    "                        for the blank. Later attempts connect\n"
    "  --cpas N              AT+CPAS reports +CPAS: N (default 0 = ready; 3 or\n"
    "                        any other value: a GSM modem that is not ready)\n"
    "  --landline            no GSM modem: AT+CPAS answers ERROR\n"
    "  --numeric             the stored profile has ATV0: numeric results at start\n"
    "                        and again after ATZ (AT&F restores verbose results)\n"
    "  --connect-report      CARRIER 33600, PROTOCOL: LAPM and COMPRESSION: V42BIS\n"
    "                        lines before CONNECT\n"
    "  --late-ms N           time from ATD to CONNECT for a LATE dial result\n"
    "                        (default 3000): a call that comes up after the dialler\n"
    "                        gave up\n"
    "  --drop-carrier-after N\n"
    "                        the carrier goes with the N-th request of a call: the\n"
    "                        request is lost and the modem says NO CARRIER\n"
    "  --inactivity-ms N     the carrier goes after N ms without a byte from the\n"
    "                        computer (NO CARRIER)\n"
    "                        The escape guard counts silence from the computer's\n"
    "                        last byte; DTR is ignored (as with AT&D0)\n"
    "\n"
    "Controller:\n"
    "  --address N           own address, 1..254 (default 1); requests to 255 are\n"
    "                        answered from it\n"
    "  --type-code N         type code in identification field 1 (default 73)\n"
    "  --version N           software version in identification field 3 (default 10);\n"
    "                        14 is a controller without configuration: every\n"
    "                        configuration table counts as destroyed (table 7)\n"
    "                        until each of its fields has been written, and again\n"
    "                        after a reset of the non-volatile data\n"
    "  --name TEXT           controller name, UTF-8, kept in the controller's code\n"
    "                        page, at most 20 characters (default \"ЗМК-10 ГРС\n"
    "                        Тестовая\")\n"
    "  --code-page 866|1251  the code page of the controller's texts (the name):\n"
    "                        866 the DOS code page, identification field 12 = 0\n"
    "                        (default); 1251 Windows-1251, field 12 = 1\n"
    "  --destroyed T         mark configuration table T destroyed (table 7 field T\n"
    "                        = 1, identification field 0 = the lowest such T);\n"
    "                        repeatable; applied also to a state loaded by --state.\n"
    "                        A destroyed table is intact again once each of its\n"
    "                        fields has been written; a table of one field per\n"
    "                        flow computer (13, 17..20) once those of the\n"
    "                        connected ones (table 9 field 0) have, with none\n"
    "                        connected by a write of no field\n"
    "  --clock \"YYYY-MM-DD HH:MM:SS\"\n"
    "                        set the controller's clock (table 2) at start, 2000..2099;\n"
    "                        it runs on from there (default: the host's local time).\n"
    "                        Also applied to a state loaded by --state\n"
    "  Table 2 (the clock): fields 0..5 run with the clock, field 6 is the weekday\n"
    "  of the date (1 = Sunday); field 7, the time kind, is 0 (summer time) or\n"
    "  0x80 (winter time) by the clock-change rules of table 6 when the clock is\n"
    "  set at start, and afterwards holds what was last written into it (there\n"
    "  is no automatic switch). A write of fields 0..5 sets the clock and is\n"
    "  refused with result code 4 when they are no real date.\n"
    "  Clock correction (function code 12, with credentials; body: the\n"
    "  correction in seconds, signed 16 bits, low byte first): the clock may\n"
    "  be moved only within the hour it shows when the request comes, to any\n"
    "  moment from the start of that hour to the start of the next (both\n"
    "  included, and up to 3 s past the next hour's start, for the time the\n"
    "  request takes). More than 3600 s either way is refused with result code 17\n"
    "  (\"Слишком большое время для коррекции\"), a correction that would leave\n"
    "  the hour with 10 (\"Неподходящий момент для коррекции времени\"); the\n"
    "  answer carries no data\n"
    "  Reset of the non-volatile data (function code 25, credentials only): every\n"
    "  configuration table back to its contents at start, at address 1 and\n"
    "  9600 bit/s, no table destroyed (with --version 14 no configuration again);\n"
    "  clock and archives stay. Answered from the old address.\n"
    "  The flow-computer tables (13, 17..20, 34, 35) take a request of no\n"
    "  field from field 0, as the program sends when no flow computer is connected\n"
    "\n"
    "Measurement archives (function codes 14 5-minute, 15 hourly, 16 daily;\n"
    "request body: lead byte (1 for code 14, 3 for 15 and 16), 0, analyser (0\n"
    "chromatograph, 1 moisture meter), start and end as 5/4/3 date bytes from\n"
    "year - 2000):\n"
    "  The six archives hold records from an oldest date up to the last interval\n"
    "  the clock has completed: a 5-minute record stamped T covers T..T+5 min, an\n"
    "  hourly one H..H+1 h, a daily one the gas day from the contract hour\n"
    "  (table 6 field 6) of its date to the contract hour of the next day. The\n"
    "  ring buffers reach back 2 months (5-minute), 1 year (hourly) and 4 years\n"
    "  (daily) from the newest interval, and never before the archive start, which\n"
    "  is --archive-days before the clock at start (or at a write of table 2).\n"
    "  Table 27 holds the raw dates of the oldest 5-minute, hourly and daily\n"
    "  record of that start (6 bytes each; the daily one at the contract hour,\n"
    "  day flag clear). Values are smooth functions of time, the same request\n"
    "  giving the same bytes: natural gas (CH4 about 94 %, C2H6, C3H8, butanes,\n"
    "  pentanes, C6+, N2, CO2, O2; Hs, Hi, density and Wobbe from the\n"
    "  composition; gas temperature 6..19 C) and the moisture meter (water dew\n"
    "  point about -20 C, hydrocarbon dew point about -14 C, gauge pressure about\n"
    "  45 bar, water dew point reduced to 3.92 MPa). Hourly and daily records are\n"
    "  the averages of the interval's 5-minute values; daily records carry the\n"
    "  end-day flag (bit 7 of the end hour byte) with the contract hour.\n"
    "  An answer holds the records from the requested start on: at most 2\n"
    "  (chromatograph) or 8 (moisture meter); fewer when the period (or the\n"
    "  archive) ends there, 0 when nothing is left. The reading goes on with a\n"
    "  request for the same end from the next expected start. A period that is\n"
    "  not a date, or ends before it starts, is refused with result code 22; a\n"
    "  wrong lead byte or analyser with 4, a wrong length with 2.\n"
    "  --archive-days N       the archives begin N days before the clock (0..3650,\n"
    "                        default 400; not before 01.01.2000)\n"
    "  --archive-status-every N\n"
    "                        every N-th interval (counted from 01.01.1970) carries\n"
    "                        status flags, in turn: chromatograph 5-minute 0x80,\n"
    "                        0x02, 0x08 with status word 0x0021, 0x10; chromatograph\n"
    "                        hourly/daily 0x10, 0x02, 0x08, 0x20; moisture meter\n"
    "                        5-minute 0x04, 0x02, status word 0x0102 alone;\n"
    "                        moisture meter hourly/daily 0x04, 0x02\n"
    "  --archive-bad-crc-at N\n"
    "                        the N-th record of every answer stream (a first\n"
    "                        request and the requests that continue it) has a\n"
    "                        damaged record checksum\n"
    "  --archive-late-minutes M\n"
    "                        the first record of a new 5-minute stream is stamped\n"
    "                        M minutes after its slot (1..1440); the records after\n"
    "                        it follow on the 5-minute grid\n"
    "  --archive-gap         the hour that began 6 hours before the clock at start\n"
    "                        has no 5-minute and no hourly records (its daily\n"
    "                        record averages the other hours)\n"
    "  --archive-fail-request N[:CODE|:silent|:bad-crc]\n"
    "                        the N-th archive request since start (codes 14, 15,\n"
    "                        16 and the event archive requests 7 and 8 counted\n"
    "                        together) is refused with\n"
    "                        result code CODE (default 22), left unanswered with\n"
    "                        :silent, or answered with its records in a frame\n"
    "                        whose checksum is wrong with :bad-crc; the requests\n"
    "                        after it are served\n"
    "\n"
    "Event archives (diagnostic messages, 22-byte records; operator interventions,\n"
    "24-byte records; each record closed by its CRC-16/MODBUS):\n"
    "  Both are filled at start (and when --state loads a state) with records\n"
    "  spread over the three weeks before the clock, oldest first, under running\n"
    "  indexes from --event-first-index on. The diagnostic records go through\n"
    "  every diagnostic code (2..4, 10..81) in turn, limit events with the gas\n"
    "  parameter's value and the setpoint crossed; the intervention records\n"
    "  through every configuration field the program names (reserved fields\n"
    "  left out), old value -> the value the table holds, the registered users as\n"
    "  operators in turn. Every accepted write adds one intervention record per\n"
    "  field it changed: old and new value (first 4 bytes; none for table 13),\n"
    "  the name of the user whose code the write carries (blanks for an unknown\n"
    "  code). An archive holds at most 100000 records (then the oldest goes);\n"
    "  the index does not wrap: at index 4294967295 no record is added.\n"
    "  Tables 10 and 11: oldest and newest index (uint32 each). An empty archive\n"
    "  reports the index its first record will get as both (equal and non-zero\n"
    "  means no record to the program), so a one-record archive, oldest = newest,\n"
    "  looks empty to an index query too; a period query finds its record.\n"
    "  Code 7 (body: 0, kind 0 diagnostics / 1 interventions, first index\n"
    "  uint32, count 1..11 / 1..10; else result code 4): byte 5 kind, 6..9 the\n"
    "  index, byte 10 n, then the records from that index on, as far as the\n"
    "  archive holds them (n = 0 when it does not hold the index).\n"
    "  Code 8 (body: 0, kind, page, start and end as 6 date bytes from year -\n"
    "  2000): the records whose time lies in [start, end], in index order, at\n"
    "  most 11 / 10 a page; byte 4 bit 7 archive error, byte 5 page, byte 6 n,\n"
    "  byte 7 1 when more pages follow, then the records. Page 0 starts a\n"
    "  reading; the next number (1..255, then 1 again) gives the next page; the\n"
    "  number of the last page answered repeats it; any other number is refused\n"
    "  with result code 20, another period within a reading with 21, a date\n"
    "  that is none or an end before the start with 22.\n"
    "  --event-diagnostics N  records of the diagnostic archive at start\n"
    "                        (0..100000, default 300; 0: empty)\n"
    "  --event-interventions N\n"
    "                        records of the intervention archive at start\n"
    "                        (0..100000, default 260; 0: empty)\n"
    "  --event-first-index N  running index of the first record of each archive\n"
    "                        (1..4294967295, default 1); the archives must end\n"
    "                        by index 4294967295\n"
    "  --event-archive-error  every period answer reports an archive error\n"
    "  --event-records-per-answer N\n"
    "                        at most N records (1..11) per answer: the controller\n"
    "                        delivers fewer than asked\n"
    "  --event-bad-crc-every N\n"
    "                        every N-th record, counted by running index from the\n"
    "                        first (first + N - 1, first + 2N - 1, ...), goes out\n"
    "                        with a damaged checksum, in both kinds of answer\n"
    "\n"
    "Users and writes:\n"
    "  The users table (table 4) holds the commissioning engineer \"НАЛ\" (level 1,\n"
    "  password \"12345678\", code \"1234\") and the users given by --user. Every\n"
    "  request carrying credentials (function codes 2, 12, 25: password in bytes\n"
    "  4..15, code in bytes 16..19, blank-padded) is carried out only when a user\n"
    "  of level 1..4 has exactly that password and code; otherwise it is refused\n"
    "  with result code 34. While the users table is destroyed (table 7 field 4\n"
    "  not 0) nobody is registered, and writes to table 4 are accepted whatever\n"
    "  their credentials: that is how the table is restored; so is a reset of\n"
    "  the non-volatile data (function code 25). Reads need no credentials.\n"
    "  --user NAME:LEVEL:PASSWORD:CODE\n"
    "                        register a further user in the next free record;\n"
    "                        repeatable. UTF-8; NAME (1..4 characters) is kept in\n"
    "                        CP866, PASSWORD (0..12) and CODE (1..4) in Windows-1251\n"
    "                        as the program sends them, all blank-padded. LEVEL:\n"
    "                        2 administrator, 3 engineer, 4 operator (1 is НАЛ).\n"
    "                        PASSWORD may contain ':'. Names and codes must differ\n"
    "  --open-writes         accept every write whatever its credentials\n"
    "                        (for demonstrations)\n"
    "  Access levels: the level of the user whose credentials a write carries\n"
    "  decides which tables it may write, otherwise result code 26. By default\n"
    "  levels 1 (commissioning engineer) and 2 (administrator) write every\n"
    "  configuration table, levels 3 (engineer) and 4 (operator) every one but\n"
    "  the users table. A write of users records is checked as a controller\n"
    "  does: a record of level 1..4 needs a name (27) and a code whose first byte\n"
    "  is not 0 (28); a level above 4 is refused (32); the commissioning\n"
    "  engineer's record is changed only by himself (26) and keeps level 1 (30);\n"
    "  no second level 1 (29); the last administrator stays (31); registered users\n"
    "  differ in name (33) and code (32). While the users table is destroyed only\n"
    "  the records are checked, not the list.\n"
    "  --level-tables LEVEL:LIST\n"
    "                        the tables LEVEL (1..4) may write: table numbers\n"
    "                        separated by commas, or 'none'; repeatable\n"
    "  --raw-level RECORD:VALUE\n"
    "                        set the access level byte of user record RECORD\n"
    "                        (1..16) to VALUE (0..255) after the users are\n"
    "                        filled, whatever it means (a value no controller\n"
    "                        gives, to try a program against)\n"
    "\n"
    "State:\n"
    "  --state FILE          keep the tables and the intervention archive in FILE\n"
    "                        over restarts. At start an existing FILE replaces all\n"
    "                        tables (own address, name, users included, so\n"
    "                        --address, --name, --type-code, --version and --user\n"
    "                        only shape a new state) and the intervention archive\n"
    "                        (--event-interventions and --event-first-index then\n"
    "                        shape only the diagnostic archive); a missing\n"
    "                        FILE is created from the defaults; a damaged one stops\n"
    "                        the start with exit code 2 and is left as it is. Every\n"
    "                        successful write saves FILE (temporary file, then\n"
    "                        rename); when that fails the write is undone and\n"
    "                        refused with result code 58.\n"
    "                        Format, little-endian: \"ZMKSIMST\", version (2 bytes,\n"
    "                        2), number of tables (2 bytes, 38), controller clock\n"
    "                        minus host clock in seconds (8 bytes, signed), tables\n"
    "                        0..37 back to back (fields x field size bytes each,\n"
    "                        1478 bytes), the intervention archive: oldest index (4\n"
    "                        bytes), number of records n (4 bytes), n records of\n"
    "                        24 bytes; CRC-16/MODBUS of all that (low byte first).\n"
    "                        A version 1 file (no archive after the tables) is\n"
    "                        still read\n"
    "\n"
    "Live data (tables 16, 30, 32, 33, 37):\n"
    "  The chromatograph is polled every second: table 30 carries the time of the\n"
    "  poll (the controller's clock) and gas parameters 0..17 drifting as the\n"
    "  archives' do, with a small scatter from second to second; table 32 the zone\n"
    "  of each against the limits of tables 23..26 (below 25: 3, above 26: 4,\n"
    "  below 23: 1, above 24: 2, else 0). Table 37 the moisture meter's dew points\n"
    "  and pressures of the moment. Table 33 the links with both analysers. Table\n"
    "  16 the abnormal-situation flags (6 flow computers 0, 7 chromatograph link\n"
    "  lost, 8 moisture meter link lost, 9 self-diagnostics, 10 a parameter\n"
    "  outside its normal zone) with the time of their last change; words 12-13\n"
    "  (parameters outside the normal zone, a bit each) and 16-17 (polls since\n"
    "  start) in the byte order of identification field 10.\n"
    "  --chrom-link-lost     no link with the chromatograph: table 33 field 0 is 0,\n"
    "                        table 30 keeps the values of the start\n"
    "  --moisture-link-lost  no link with the moisture meter: table 33 field 1 is\n"
    "                        0, table 37 keeps the values of the start\n"
    "  --self-diagnostic-fault\n"
    "                        table 16 field 9 (self-diagnostics) is 1\n"
    "\n"
    "Line and misbehaviour:\n"
    "  --baud N              slow line: take requests and send answers at N bit/s,\n"
    "                        10 bits a byte (default: no pacing, answers in one write)\n"
    "  --answer-delay-ms N   wait N ms before each answer (default 0)\n"
    "  --answer-delay-at N:MS\n"
    "                        answer the N-th request (counted from 1) MS ms late;\n"
    "                        the answers after it follow it in order\n"
    "  --silent              never answer\n"
    "  --bad-crc-every N     corrupt the checksum of every N-th answer\n"
    "  --cut-answers N       send only the first N bytes of each answer frame\n"
    "  --garbage N           send N noise bytes (never 0x33) before each answer\n"
    "  With --baud, a request counts as received only when the line would have\n"
    "  delivered its last byte; without it, answers leave as soon as the request\n"
    "  is complete by its length byte.\n"
    "  --refuse CODE         refuse every request with this result code (0..255)\n"
    "  --check-line-rate     on the pseudo-terminal without --modem: leave a request\n"
    "                        unanswered when the line rate the program set is not\n"
    "                        the controller's own (table 3 field 1); a rate written\n"
    "                        there counts from the next request on\n"
    "\n"
    "Other:\n"
    "  --log FILE            append one line per frame received (RX) and sent (TX):\n"
    "                        local date and time with milliseconds, RX or TX, the\n"
    "                        bytes in hexadecimal. With --modem also the modem\n"
    "                        dialogue: 'MODEM RX <command>', 'MODEM TX <reply>'\n"
    "                        (CR and LF as \\r and \\n) and its events\n"
    "  --help                show this text\n";

int stopPipe[2] = {-1, -1};

void OnSignal(int) {
    const char byte = 1;
    [[maybe_unused]] const ssize_t n = write(stopPipe[1], &byte, 1);
}

bool ParseNumber(std::string_view text, long min, long max, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc() && ptr == end && value >= min && value <= max;
}

// "YYYY-MM-DD HH:MM:SS", a real date of 2000..2099.
bool ParseClock(std::string_view text, zmksim::WallTime& time) {
    if (text.size() != 19 || text[4] != '-' || text[7] != '-' || text[10] != ' ' || text[13] != ':' ||
        text[16] != ':') {
        return false;
    }
    long year = 0, month = 0, day = 0, hour = 0, minute = 0, second = 0;
    if (!ParseNumber(text.substr(0, 4), 2000, 2099, year) || !ParseNumber(text.substr(5, 2), 1, 12, month) ||
        !ParseNumber(text.substr(8, 2), 1, 31, day) || !ParseNumber(text.substr(11, 2), 0, 23, hour) ||
        !ParseNumber(text.substr(14, 2), 0, 59, minute) || !ParseNumber(text.substr(17, 2), 0, 59, second)) {
        return false;
    }
    if (day > zmksim::DaysInMonth(static_cast<int>(year), static_cast<int>(month))) return false;
    time = zmksim::MakeWallTime(static_cast<int>(year), static_cast<int>(month), static_cast<int>(day),
                                static_cast<int>(hour), static_cast<int>(minute), static_cast<int>(second));
    return true;
}

struct Options {
    bool tcp = true;
    long tcpPort = 0;
    bool pty = false;
    zmksim::ControllerOptions controller;
    zmksim::LineOptions line;
    std::string logPath;
    std::string statePath;
    std::vector<uint8_t> destroyed;
    bool modem = false;
    zmksim::ModemOptions modemOptions;
    bool tcpRefuse = false;
    long tcpAcceptDelayMs = 0;
};

// NAME:LEVEL:PASSWORD:CODE; the password is everything between the second and the last colon.
bool ParseUser(std::string_view text, zmksim::UserOption& user) {
    const auto first = text.find(':');
    if (first == std::string_view::npos) return false;
    const auto second = text.find(':', first + 1);
    const auto last = text.rfind(':');
    if (second == std::string_view::npos || last == second) return false;
    long level = 0;
    if (!ParseNumber(text.substr(first + 1, second - first - 1), 0, 255, level)) return false;
    user.name = std::string(text.substr(0, first));
    user.level = static_cast<uint8_t>(level);
    user.password = std::string(text.substr(second + 1, last - second - 1));
    user.code = std::string(text.substr(last + 1));
    return true;
}

// LEVEL:T,T,... or LEVEL:none: the configuration tables a level may write.
bool ParseLevelTables(std::string_view text, zmksim::LevelTables& tables) {
    const auto colon = text.find(':');
    long level = 0;
    if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), 1, 4, level)) return false;
    std::string_view list = text.substr(colon + 1);
    uint64_t bits = 0;
    if (list != "none") {
        while (true) {
            const auto comma = list.find(',');
            long table = 0;
            if (!ParseNumber(list.substr(0, comma), 0, zmksim::kTableCount - 1, table) ||
                !zmksim::kTableShapes[table].configuration) {
                return false;
            }
            bits |= uint64_t{1} << table;
            if (comma == std::string_view::npos) break;
            list = list.substr(comma + 1);
        }
    }
    tables[level] = bits;
    return true;
}

// Returns 0 to go on, 1 after --help, 2 on a bad command line (message on stderr).
int ParseOptions(int argc, char** argv, Options& options) {
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        std::string_view inlineValue;
        bool hasInline = false;
        if (const auto eq = arg.find('='); arg.starts_with("--") && eq != std::string_view::npos) {
            inlineValue = arg.substr(eq + 1);
            arg = arg.substr(0, eq);
            hasInline = true;
        }
        auto value = [&](std::string_view& out) {
            if (hasInline) {
                out = inlineValue;
                return true;
            }
            if (i + 1 >= argc) {
                std::fprintf(stderr, "zmk-sim: option %.*s needs a value\n", static_cast<int>(arg.size()), arg.data());
                return false;
            }
            out = argv[++i];
            return true;
        };
        auto number = [&](long min, long max, long& out) {
            std::string_view text;
            if (!value(text)) return false;
            if (!ParseNumber(text, min, max, out)) {
                std::fprintf(stderr, "zmk-sim: option %.*s wants a number from %ld to %ld, not '%.*s'\n",
                             static_cast<int>(arg.size()), arg.data(), min, max, static_cast<int>(text.size()),
                             text.data());
                return false;
            }
            return true;
        };
        auto flag = [&]() {
            if (hasInline) {
                std::fprintf(stderr, "zmk-sim: option %.*s takes no value\n", static_cast<int>(arg.size()), arg.data());
                return false;
            }
            return true;
        };

        long n = 0;
        std::string_view text;
        if (arg == "--help" || arg == "-h") {
            std::fputs(kUsage, stdout);
            return 1;
        } else if (arg == "--tcp-port") {
            if (!number(0, 65535, options.tcpPort)) return 2;
        } else if (arg == "--no-tcp") {
            if (!flag()) return 2;
            options.tcp = false;
        } else if (arg == "--pty") {
            if (!flag()) return 2;
            options.pty = true;
        } else if (arg == "--tcp-refuse") {
            if (!flag()) return 2;
            options.tcpRefuse = true;
        } else if (arg == "--tcp-accept-delay-ms") {
            if (!number(0, 3'600'000, options.tcpAcceptDelayMs)) return 2;
        } else if (arg == "--modem") {
            if (!flag()) return 2;
            options.modem = true;
        } else if (arg == "--guard-ms") {
            if (!number(1, 60'000, n)) return 2;
            options.modemOptions.guard = zmksim::Nanos{n} * 1'000'000;
        } else if (arg == "--dial-delay-ms") {
            if (!number(0, 3'600'000, n)) return 2;
            options.modemOptions.dialDelay = zmksim::Nanos{n} * 1'000'000;
        } else if (arg == "--late-ms") {
            if (!number(0, 3'600'000, n)) return 2;
            options.modemOptions.lateDelay = zmksim::Nanos{n} * 1'000'000;
        } else if (arg == "--numeric") {
            if (!flag()) return 2;
            options.modemOptions.storedNumeric = true;
        } else if (arg == "--connect-report") {
            if (!flag()) return 2;
            options.modemOptions.connectReport = true;
        } else if (arg == "--landline") {
            if (!flag()) return 2;
            options.modemOptions.landline = true;
        } else if (arg == "--drop-carrier-after") {
            if (!number(1, 1'000'000, n)) return 2;
            options.modemOptions.dropAfterRequests = static_cast<int>(n);
        } else if (arg == "--inactivity-ms") {
            if (!number(1, 3'600'000, n)) return 2;
            options.modemOptions.inactivity = zmksim::Nanos{n} * 1'000'000;
        } else if (arg == "--cpas") {
            if (!number(0, 9, n)) return 2;
            options.modemOptions.cpas = static_cast<int>(n);
        } else if (arg == "--dial-script") {
            if (!value(text)) return 2;
            std::string bad;
            if (!zmksim::ParseDialScript(std::string(text), options.modemOptions.dialScript, &bad)) {
                std::fprintf(stderr,
                             "zmk-sim: --dial-script: unknown result '%s' (CONNECT, BUSY, NO CARRIER, NO DIALTONE, "
                             "ERROR, NO ANSWER, SILENT, LATE)\n",
                             bad.c_str());
                return 2;
            }
        } else if (arg == "--address") {
            if (!number(1, 254, n)) return 2;
            options.controller.address = static_cast<uint8_t>(n);
        } else if (arg == "--type-code") {
            if (!number(0, 255, n)) return 2;
            options.controller.typeCode = static_cast<uint8_t>(n);
        } else if (arg == "--version") {
            if (!number(0, 255, n)) return 2;
            options.controller.softwareVersion = static_cast<uint8_t>(n);
        } else if (arg == "--name") {
            if (!value(text)) return 2;
            options.controller.name = std::string(text);
        } else if (arg == "--code-page") {
            if (!value(text)) return 2;
            if (text != "866" && text != "1251") {
                std::fprintf(stderr, "zmk-sim: --code-page wants 866 or 1251, not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
            options.controller.windowsTexts = text == "1251";
        } else if (arg == "--destroyed") {
            if (!number(0, zmksim::kTableCount - 1, n)) return 2;
            if (!zmksim::kTableShapes[n].configuration) {
                std::fprintf(stderr, "zmk-sim: table %ld is not a configuration table\n", n);
                return 2;
            }
            options.destroyed.push_back(static_cast<uint8_t>(n));
        } else if (arg == "--user") {
            if (!value(text)) return 2;
            zmksim::UserOption user;
            if (!ParseUser(text, user)) {
                std::fprintf(stderr, "zmk-sim: --user wants NAME:LEVEL:PASSWORD:CODE, not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
            options.controller.users.push_back(user);
        } else if (arg == "--level-tables") {
            if (!value(text)) return 2;
            if (!ParseLevelTables(text, options.controller.levelTables)) {
                std::fprintf(stderr, "zmk-sim: --level-tables wants LEVEL:T,T,... or LEVEL:none, not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
        } else if (arg == "--raw-level") {
            if (!value(text)) return 2;
            const auto colon = text.find(':');
            long record = 0, level = 0;
            if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), 1, 16, record) ||
                !ParseNumber(text.substr(colon + 1), 0, 255, level)) {
                std::fprintf(stderr, "zmk-sim: --raw-level wants RECORD:VALUE (1..16:0..255), not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
            options.controller.rawLevels.emplace_back(static_cast<uint8_t>(record - 1), static_cast<uint8_t>(level));
        } else if (arg == "--open-writes") {
            if (!flag()) return 2;
            options.controller.openWrites = true;
        } else if (arg == "--state") {
            if (!value(text)) return 2;
            if (text.empty()) {
                std::fprintf(stderr, "zmk-sim: --state needs a file name\n");
                return 2;
            }
            options.statePath = std::string(text);
        } else if (arg == "--clock") {
            if (!value(text)) return 2;
            zmksim::WallTime time = 0;
            if (!ParseClock(text, time)) {
                std::fprintf(stderr, "zmk-sim: --clock wants \"YYYY-MM-DD HH:MM:SS\" of 2000..2099, not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
            options.controller.clock = time;
        } else if (arg == "--archive-days") {
            if (!number(0, 3650, n)) return 2;
            options.controller.archive.days = static_cast<unsigned>(n);
        } else if (arg == "--archive-status-every") {
            if (!number(1, 1'000'000, n)) return 2;
            options.controller.archive.statusEvery = static_cast<unsigned>(n);
        } else if (arg == "--archive-bad-crc-at") {
            if (!number(1, 1'000'000, n)) return 2;
            options.controller.archive.badCrcAt = static_cast<unsigned>(n);
        } else if (arg == "--archive-late-minutes") {
            if (!number(1, 1440, n)) return 2;
            options.controller.archive.lateMinutes = static_cast<unsigned>(n);
        } else if (arg == "--archive-gap") {
            if (!flag()) return 2;
            options.controller.archive.gap = true;
        } else if (arg == "--archive-fail-request") {
            if (!value(text)) return 2;
            const auto colon = text.find(':');
            const std::string_view count = text.substr(0, colon);
            const std::string_view how = colon == std::string_view::npos ? std::string_view{} : text.substr(colon + 1);
            long code = zmksim::kBadTimeRange;
            if (!ParseNumber(count, 1, 1'000'000, n) ||
                (colon != std::string_view::npos && how != "silent" && how != "bad-crc" &&
                 !ParseNumber(how, 0, 255, code))) {
                std::fprintf(stderr,
                             "zmk-sim: --archive-fail-request wants N, N:CODE, N:silent or N:bad-crc, not '%.*s'\n",
                             static_cast<int>(text.size()), text.data());
                return 2;
            }
            options.controller.archive.failRequest = static_cast<unsigned>(n);
            options.controller.archive.failBadChecksum = how == "bad-crc";
            if (how == "silent") {
                options.controller.archive.failWith.reset();
            } else {
                options.controller.archive.failWith = static_cast<uint8_t>(code);
            }
        } else if (arg == "--event-diagnostics") {
            if (!number(0, zmksim::kEventArchiveCapacity, n)) return 2;
            options.controller.events.diagnostics = static_cast<uint32_t>(n);
        } else if (arg == "--event-interventions") {
            if (!number(0, zmksim::kEventArchiveCapacity, n)) return 2;
            options.controller.events.interventions = static_cast<uint32_t>(n);
        } else if (arg == "--event-first-index") {
            if (!number(1, zmksim::kLastEventIndex, n)) return 2;
            options.controller.events.firstIndex = static_cast<uint32_t>(n);
        } else if (arg == "--event-archive-error") {
            if (!flag()) return 2;
            options.controller.events.errorFlag = true;
        } else if (arg == "--event-records-per-answer") {
            if (!number(1, zmksim::kDiagnosticsPerAnswer, n)) return 2;
            options.controller.events.perAnswer = static_cast<unsigned>(n);
        } else if (arg == "--event-bad-crc-every") {
            if (!number(1, 1'000'000, n)) return 2;
            options.controller.events.badCrcEvery = static_cast<unsigned>(n);
        } else if (arg == "--chrom-link-lost") {
            if (!flag()) return 2;
            options.controller.live.chromLinkLost = true;
        } else if (arg == "--moisture-link-lost") {
            if (!flag()) return 2;
            options.controller.live.moistureLinkLost = true;
        } else if (arg == "--self-diagnostic-fault") {
            if (!flag()) return 2;
            options.controller.live.selfDiagnosticFault = true;
        } else if (arg == "--silent") {
            if (!flag()) return 2;
            options.line.silent = true;
        } else if (arg == "--bad-crc-every") {
            if (!number(1, 1'000'000, n)) return 2;
            options.line.badCrcEvery = static_cast<unsigned>(n);
        } else if (arg == "--cut-answers") {
            if (!number(0, 255, n)) return 2;
            options.line.cutAnswersTo = static_cast<std::size_t>(n);
        } else if (arg == "--garbage") {
            if (!number(0, 4096, n)) return 2;
            options.line.garbage = static_cast<std::size_t>(n);
        } else if (arg == "--refuse") {
            if (!number(0, 255, n)) return 2;
            options.controller.refuseWith = static_cast<uint8_t>(n);
        } else if (arg == "--check-line-rate") {
            options.line.checkLineRate = true;
        } else if (arg == "--baud") {
            if (!number(50, 4'000'000, n)) return 2;
            options.line.baud = static_cast<unsigned>(n);
        } else if (arg == "--answer-delay-ms") {
            if (!number(0, 3'600'000, n)) return 2;
            options.line.answerDelay = zmksim::Nanos{n} * 1'000'000;
        } else if (arg == "--answer-delay-at") {
            // N:MS, the answer to the N-th request MS later (the requests
            // after it are answered behind it, in order).
            if (!value(text)) return 2;
            const std::size_t colon = text.find(':');
            long at = 0, ms = 0;
            if (colon == std::string_view::npos || !ParseNumber(text.substr(0, colon), 1, 1'000'000, at) ||
                !ParseNumber(text.substr(colon + 1), 0, 3'600'000, ms)) {
                std::fprintf(stderr, "zmk-sim: --answer-delay-at wants N:MS, not '%.*s'\n", int(text.size()),
                             text.data());
                return 2;
            }
            options.line.lateRequest = static_cast<std::size_t>(at);
            options.line.lateBy = zmksim::Nanos{ms} * 1'000'000;
        } else if (arg == "--log") {
            if (!value(text)) return 2;
            options.logPath = std::string(text);
        } else {
            std::fprintf(stderr, "zmk-sim: unknown option '%s' (see --help)\n", argv[i]);
            return 2;
        }
    }
    if (const std::string problem = zmksim::CheckControllerOptions(options.controller); !problem.empty()) {
        std::fprintf(stderr, "zmk-sim: %s\n", problem.c_str());
        return 2;
    }
    if (options.modem && !options.pty) {
        std::fprintf(stderr, "zmk-sim: --modem sits on the pseudo-terminal: --pty is needed\n");
        return 2;
    }
    if (options.tcpRefuse && options.tcpAcceptDelayMs > 0) {
        std::fprintf(stderr, "zmk-sim: --tcp-refuse and --tcp-accept-delay-ms exclude each other\n");
        return 2;
    }
    if (!options.tcp && !options.pty) {
        std::fprintf(stderr, "zmk-sim: with --no-tcp, --pty is needed: there is no channel to serve\n");
        return 2;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options options;
    if (const int rc = ParseOptions(argc, argv, options); rc != 0) return rc == 1 ? 0 : 2;

    if (pipe(stopPipe) != 0) {
        std::fprintf(stderr, "zmk-sim: pipe: %s\n", std::strerror(errno));
        return 1;
    }
    fcntl(stopPipe[0], F_SETFD, FD_CLOEXEC);
    fcntl(stopPipe[1], F_SETFD, FD_CLOEXEC);
    fcntl(stopPipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGTERM, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    std::signal(SIGPIPE, SIG_IGN);

    zmksim::FrameLog log;
    if (!options.logPath.empty() && !log.Open(options.logPath)) {
        std::fprintf(stderr, "zmk-sim: cannot open the log file %s: %s\n", options.logPath.c_str(),
                     std::strerror(errno));
        return 1;
    }

    zmksim::Controller controller(options.controller);
    if (!options.statePath.empty()) {
        const std::string& path = options.statePath;
        zmksim::Bytes image;
        std::string error;
        switch (zmksim::ReadStateFile(path, image, error)) {
            case zmksim::StateFileRead::Loaded:
                if (!controller.LoadState(image, error)) {
                    std::fprintf(stderr,
                                 "zmk-sim: the state file %s is damaged: %s; not started, the file is left as it "
                                 "is (move it away to start from the defaults)\n",
                                 path.c_str(), error.c_str());
                    return 2;
                }
                break;
            case zmksim::StateFileRead::Missing:
                break;
            case zmksim::StateFileRead::Failed:
                std::fprintf(stderr, "zmk-sim: %s; not started\n", error.c_str());
                return 2;
        }
        if (options.controller.clock) controller.SetClockTo(*options.controller.clock);
        for (uint8_t t : options.destroyed) controller.MarkDestroyed(t);
        // Written at once: a new file gets the defaults, and a folder that
        // cannot take the file is found now rather than at the first write.
        if (!zmksim::WriteStateFile(path, controller.SaveState(), error)) {
            std::fprintf(stderr, "zmk-sim: %s; not started\n", error.c_str());
            return 2;
        }
        controller.SetStateSink([path](const zmksim::Bytes& state) {
            std::string error;
            if (zmksim::WriteStateFile(path, state, error)) return true;
            std::fprintf(stderr, "zmk-sim: %s; the write is refused\n", error.c_str());
            return false;
        });
    } else {
        for (uint8_t t : options.destroyed) controller.MarkDestroyed(t);
    }
    zmksim::Transport transport(controller, options.line, options.logPath.empty() ? nullptr : &log);
    std::string error;
    transport.SetTcpRefusal(options.tcpRefuse, zmksim::Nanos{options.tcpAcceptDelayMs} * 1'000'000);
    if (options.modem) transport.SetModem(options.modemOptions);
    if (options.tcp) {
        if (!transport.ListenTcp(static_cast<uint16_t>(options.tcpPort), error)) {
            std::fprintf(stderr, "zmk-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("tcp 127.0.0.1:%u\n", static_cast<unsigned>(transport.TcpPort()));
        std::fflush(stdout);
    }
    if (options.pty) {
        if (!transport.OpenPty(error)) {
            std::fprintf(stderr, "zmk-sim: %s\n", error.c_str());
            return 1;
        }
        std::printf("pty %s\n", transport.PtyPath().c_str());
        std::fflush(stdout);
    }
    std::printf("ready\n");
    std::fflush(stdout);

    transport.Run(stopPipe[0]);
    return 0;
}
