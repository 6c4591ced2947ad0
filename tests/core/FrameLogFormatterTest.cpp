// The exchange log's frame lines: which bytes are masked, in requests and in
// the answers that follow them.
#include <gtest/gtest.h>

#include <QByteArray>
#include <algorithm>
#include <string>
#include <utility>
#include <vector>

#include "QtPrinters.h"
#include "link/Frame.h"
#include "tables/FrameLogFormatter.h"

using namespace zmk;

namespace {

struct Frame {
    bool sent = true;
    std::vector<uint8_t> bytes;
};

// A whole frame: start byte, address 1, length, function, body, checksum.
std::vector<uint8_t> Whole(uint8_t start, uint8_t function, const QByteArray& body) {
    const size_t length = size_t(body.size()) + 6;
    std::vector<uint8_t> f(length);
    f[0] = start;
    f[1] = 0x01;
    f[2] = uint8_t(length);
    f[3] = function;
    std::copy(body.begin(), body.end(), f.begin() + 4);
    const uint16_t crc = Crc16(f.data(), uint16_t(length - 2));
    f[length - 2] = uint8_t(crc & 0xFF);
    f[length - 1] = uint8_t(crc >> 8);
    return f;
}

const QByteArray Credentials = QByteArrayLiteral("secret      77  ");  // 12-byte password, 4-byte code

Frame Request(uint8_t function, const QByteArray& body) { return {true, Whole(RequestStart, function, body)}; }

Frame ReadRequest(int table, int first, int count) {
    return Request(1, QByteArray(1, 0) + char(table) + char(first) + char(count));
}

Frame WriteRequest(int table, int first, int count, const QByteArray& data) {
    return Request(2, Credentials + QByteArray(1, 0) + char(table) + char(first) + char(count) + data);
}

// A carried-out table request's answer: flags byte 0, the echoed head, data.
Frame TableAnswer(uint8_t function, int table, int first, int count, const QByteArray& data = {}) {
    return {false, Whole(AnswerStart, function | 0x80, QByteArray(1, 0) + char(table) + char(first) + char(count) + data)};
}

// A user record of table 4: name, level, reserved, password, code.
QByteArray User(const char* name, int level, const char* password, const char* code) {
    return QByteArray(name).leftJustified(4, ' ') + char(level) + char(0) +
           QByteArray(password).leftJustified(12, ' ') + QByteArray(code).leftJustified(4, ' ');
}

QByteArray Users(int count) {
    QByteArray users;
    for (int i = 0; i < count; ++i) users += User("U", 3, "pass", QByteArray::number(1000 + i).constData());
    return users;
}

// Ranges [from, to) of bytes expected as "**".
using Ranges = std::vector<std::pair<int, int>>;

// Every user record's password and code in data that starts at `at`.
Ranges UserSecrets(int at, int records) {
    Ranges r;
    for (int i = 0; i < records; ++i) r.push_back({at + i * 22 + 6, at + i * 22 + 22});
    return r;
}

Ranges operator+(Ranges a, const Ranges& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

// The checksum of a whole frame of `length` bytes.
Ranges Checksum(int length) { return {{length - 2, length}}; }
const Ranges CallerCredentials = {{4, 20}};

QString Expected(const Frame& frame, const Ranges& masked) {
    QString line = frame.sent ? QStringLiteral("TX") : QStringLiteral("RX");
    for (int i = 0; i < int(frame.bytes.size()); ++i) {
        bool hidden = false;
        for (const auto& [from, to] : masked) hidden = hidden || (i >= from && i < to);
        line += hidden ? QStringLiteral(" **") : QStringLiteral(" %1").arg(frame.bytes[size_t(i)], 2, 16, QLatin1Char('0')).toUpper();
    }
    return line;
}

int Length(const Frame& f) { return int(f.bytes.size()); }

}  // namespace

// The documented table-0 read request goes to the log as it is.
TEST(FrameLogFormatter, PlainRequestAsItIs) {
    FrameLogFormatter formatter;
    const uint8_t read[10] = {0xCC, 0x01, 0x0A, 0x01, 0x00, 0x00, 0x00, 0x12, 0xE1, 0xA9};
    EXPECT_EQ(formatter.Format(true, read, 10), QStringLiteral("TX CC 01 0A 01 00 00 00 12 E1 A9"));
}

TEST(FrameLogFormatter, MasksEveryCredentialAndTheChecksumOfMaskedFrames) {
    const QByteArray twoFloats = QByteArray::fromHex("0000803F00002041");
    const Frame userWrite = WriteRequest(4, 3, 1, User("ADM", 2, "secret", "77"));
    const Frame passwordsWrite = WriteRequest(13, 0, 14, QByteArray(14 * 16, 'P'));
    const Frame firstUsers = TableAnswer(1, 4, 0, 11, Users(11));
    const Frame lastUsers = TableAnswer(1, 4, 11, 5, Users(5));
    const Frame cutUsers{false, std::vector<uint8_t>(lastUsers.bytes.begin(), lastUsers.bytes.begin() + 40)};
    const Frame nameAnswer = TableAnswer(1, 5, 0, 1, QByteArray("ZMK-10 test station  ", 20));
    const Frame write22 = WriteRequest(22, 1, 2, twoFloats);
    const Frame clock = Request(12, Credentials + QByteArray::fromHex("0102"));
    const Frame reset = Request(25, Credentials);
    const Frame archive = Request(15, QByteArray::fromHex("0300002403010A2403010C"));
    const Frame archiveAnswer{false, Whole(AnswerStart, 15 | 0x80, QByteArray(1, 2) + QByteArray(184, 's'))};
    const Frame refusal{false, Whole(AnswerStart, 1, QByteArray(1, 11))};

    struct Case {
        const char* what;
        std::vector<Frame> before;  // frames shown first, in order
        Frame frame;                // the frame whose line is checked
        Ranges masked;
    };
    const Case cases[] = {
        {"write of a plain table: the caller's credentials", {}, write22,
         CallerCredentials + Checksum(Length(write22))},
        {"clock correction carries the credentials", {}, clock, CallerCredentials + Checksum(Length(clock))},
        {"reset carries the credentials", {}, reset, CallerCredentials + Checksum(Length(reset))},
        {"write of a user: credentials, the user's password and code", {}, userWrite,
         CallerCredentials + UserSecrets(24, 1) + Checksum(Length(userWrite))},
        {"write of flow-computer passwords: all their data", {}, passwordsWrite,
         CallerCredentials + Ranges{{24, 24 + 14 * 16}} + Checksum(Length(passwordsWrite))},
        {"read request of the users carries no secret", {}, ReadRequest(4, 0, 11), {}},
        {"answer to the read of users 0..10", {ReadRequest(4, 0, 11)}, firstUsers,
         UserSecrets(8, 11) + Checksum(Length(firstUsers))},
        {"answer to the read of users 11..15", {ReadRequest(4, 11, 5)}, lastUsers,
         UserSecrets(8, 5) + Checksum(Length(lastUsers))},
        {"a cut answer of users: its data, no checksum to mask", {ReadRequest(4, 11, 5)}, cutUsers,
         Ranges{{14, 30}, {36, 40}}},
        {"a late answer of users to the read of another table", {ReadRequest(5, 0, 1)}, lastUsers,
         UserSecrets(8, 5) + Checksum(Length(lastUsers))},
        {"an answer whose echo is damaged is judged by its request",
         {ReadRequest(4, 11, 5)},
         {false, Whole(AnswerStart, 0x81, QByteArray(1, 0) + char(6) + char(11) + char(5) + Users(5))},
         UserSecrets(8, 5) + Checksum(8 + 5 * 22 + 2)},
        {"a refused read of users shows its checksum", {ReadRequest(4, 0, 11)}, refusal, {}},
        {"the answer to a write of users echoes no secret", {userWrite}, TableAnswer(2, 4, 3, 1), {}},
        {"answer to the read of a plain table", {ReadRequest(5, 0, 1)}, nameAnswer, {}},
        {"a users reading is forgotten at the next request",
         {ReadRequest(4, 0, 11), firstUsers, ReadRequest(5, 0, 1)}, nameAnswer, {}},
        {"archive request", {}, archive, {}},
        {"archive answer after a users reading", {ReadRequest(4, 0, 11), firstUsers, archive}, archiveAnswer, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FrameLogFormatter formatter;
        for (const Frame& f : c.before) formatter.Format(f.sent, f.bytes.data(), Length(f));
        EXPECT_EQ(formatter.Format(c.frame.sent, c.frame.bytes.data(), Length(c.frame)), Expected(c.frame, c.masked));
    }
}

// Whatever a damaged or foreign answer claims, the formatter stays inside
// the bytes it is given.
TEST(FrameLogFormatter, ShortAndOddFramesStayInBounds) {
    FrameLogFormatter formatter;
    formatter.Format(true, ReadRequest(4, 0, 11).bytes.data(), 10);
    const uint8_t tiny[] = {0x33, 0x01, 0xFF, 0x81, 0x00, 0x04};
    for (int count = 0; count <= int(sizeof tiny); ++count) {
        const QString line = formatter.Format(false, tiny, count);
        EXPECT_EQ(line.size(), 2 + 3 * count) << count;
    }
    const uint8_t bigLength[] = {0xCC, 0x01, 0xFF, 0x02, 'a', 'b'};
    EXPECT_EQ(formatter.Format(true, bigLength, 6), QStringLiteral("TX CC 01 FF 02 ** **"));
}
