#include "common/Cp1251.h"

#include <algorithm>
#include <array>

namespace zmk {

namespace {

constexpr char16_t kUnassigned = 0xFFFD;  // byte 0x98 has no character
constexpr char kMissingByte = '?';

// Characters of the bytes 0x80..0xFF; the bytes below are ASCII.
constexpr std::array<char16_t, 128> kHighHalf = {
    // 0x80
    0x0402, 0x0403, 0x201A, 0x0453, 0x201E, 0x2026, 0x2020, 0x2021,
    0x20AC, 0x2030, 0x0409, 0x2039, 0x040A, 0x040C, 0x040B, 0x040F,
    // 0x90
    0x0452, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    kUnassigned, 0x2122, 0x0459, 0x203A, 0x045A, 0x045C, 0x045B, 0x045F,
    // 0xA0
    0x00A0, 0x040E, 0x045E, 0x0408, 0x00A4, 0x0490, 0x00A6, 0x00A7,
    0x0401, 0x00A9, 0x0404, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x0407,
    // 0xB0
    0x00B0, 0x00B1, 0x0406, 0x0456, 0x0491, 0x00B5, 0x00B6, 0x00B7,
    0x0451, 0x2116, 0x0454, 0x00BB, 0x0458, 0x0405, 0x0455, 0x0457,
    // 0xC0..0xFF: А..я in alphabetical order
    0x0410, 0x0411, 0x0412, 0x0413, 0x0414, 0x0415, 0x0416, 0x0417,
    0x0418, 0x0419, 0x041A, 0x041B, 0x041C, 0x041D, 0x041E, 0x041F,
    0x0420, 0x0421, 0x0422, 0x0423, 0x0424, 0x0425, 0x0426, 0x0427,
    0x0428, 0x0429, 0x042A, 0x042B, 0x042C, 0x042D, 0x042E, 0x042F,
    0x0430, 0x0431, 0x0432, 0x0433, 0x0434, 0x0435, 0x0436, 0x0437,
    0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F,
    0x0440, 0x0441, 0x0442, 0x0443, 0x0444, 0x0445, 0x0446, 0x0447,
    0x0448, 0x0449, 0x044A, 0x044B, 0x044C, 0x044D, 0x044E, 0x044F,
};

// Upper-case byte of every byte: Latin a..z, Cyrillic а..я and the
// lower-case letters of the 0x80..0xBF block (ђ ѓ љ њ ќ ћ џ ў ј ґ ё є і ї ѕ).
// µ has no upper case in the code page and stays.
constexpr std::array<uint8_t, 256> MakeUpperTable() {
    std::array<uint8_t, 256> t{};
    for (int i = 0; i < 256; ++i)
        t[i] = uint8_t(i);
    for (int i = 'a'; i <= 'z'; ++i)
        t[i] = uint8_t(i - 'a' + 'A');
    for (int i = 0xE0; i <= 0xFF; ++i)
        t[i] = uint8_t(i - 0x20);
    constexpr uint8_t pairs[][2] = {
        {0x90, 0x80}, {0x83, 0x81}, {0x9A, 0x8A}, {0x9C, 0x8C}, {0x9D, 0x8D},
        {0x9E, 0x8E}, {0x9F, 0x8F}, {0xA2, 0xA1}, {0xBC, 0xA3}, {0xB4, 0xA5},
        {0xB8, 0xA8}, {0xBA, 0xAA}, {0xBF, 0xAF}, {0xB3, 0xB2}, {0xBE, 0xBD},
    };
    for (const auto& p : pairs)
        t[p[0]] = p[1];
    return t;
}
constexpr std::array<uint8_t, 256> kUpper = MakeUpperTable();

// Byte of one character, or -1 when the code page has none.
int ByteOf(char16_t c) {
    if (c < 0x80)
        return c;
    if (c >= 0x0410 && c <= 0x044F)
        return 0xC0 + (c - 0x0410);
    if (c == kUnassigned)
        return -1;
    const auto* it = std::find(kHighHalf.begin(), kHighHalf.begin() + 0x40, c);
    if (it == kHighHalf.begin() + 0x40)
        return -1;
    return 0x80 + int(it - kHighHalf.begin());
}

}  // namespace

QByteArray ToCp1251(const QString& text, bool* ok) {
    QByteArray out;
    out.reserve(text.size());
    bool all = true;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text.at(i).unicode();
        // A character outside the basic plane is one '?', not two.
        if (QChar::isHighSurrogate(c) && i + 1 < n && QChar::isLowSurrogate(text.at(i + 1).unicode()))
            ++i;
        const int b = (QChar::isSurrogate(c)) ? -1 : ByteOf(c);
        if (b < 0) {
            out.append(kMissingByte);
            all = false;
        } else {
            out.append(char(b));
        }
    }
    if (ok)
        *ok = all;
    return out;
}

QString FromCp1251(QByteArrayView bytes) {
    QString out(bytes.size(), Qt::Uninitialized);
    char16_t* d = reinterpret_cast<char16_t*>(out.data());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const uint8_t b = uint8_t(bytes[i]);
        d[i] = b < 0x80 ? char16_t(b) : kHighHalf[b - 0x80];
    }
    return out;
}

uint8_t UpperCp1251(uint8_t byte) {
    return kUpper[byte];
}

QString FromCp1251Slot(const uint8_t* slot, int size) {
    if (!slot || size <= 0)
        return {};
    const auto* end = std::find(slot, slot + size, uint8_t(0));
    return FromCp1251(QByteArrayView(slot, end - slot));
}

bool ToCp1251Slot(const QString& text, uint8_t* slot, int size) {
    if (!slot || size <= 0)
        return false;
    bool ok = true;
    const QByteArray bytes = ToCp1251(text, &ok);
    const qsizetype room = size - 1;  // the terminator always fits
    // A NUL inside the text ends it for every reader of the slot, so the
    // slot is zero from there on.
    const qsizetype nul = bytes.indexOf('\0');
    const qsizetype length = nul < 0 ? bytes.size() : nul;
    const qsizetype n = std::min(length, room);
    std::copy_n(reinterpret_cast<const uint8_t*>(bytes.constData()), n, slot);
    std::fill(slot + n, slot + size, uint8_t(0));
    return ok && nul < 0 && bytes.size() <= room;
}

}  // namespace zmk
