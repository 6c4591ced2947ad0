#include "tables/FrameLogFormatter.h"

#include <algorithm>

#include "link/Frame.h"
#include "tables/Catalogue.h"

namespace zmk {

namespace {

constexpr uint8_t ReadCode = 1;
constexpr uint8_t WriteCode = 2;
constexpr uint8_t AnswerBit = 0x80;
constexpr int FunctionAt = 3;
constexpr int LengthAt = 2;
constexpr int ChecksumSize = 2;
// The caller's write password (12 bytes) and user code (4 bytes).
constexpr int CredentialsAt = 4;
constexpr int CredentialsEnd = CredentialsAt + 16;
// Table requests: a read carries the leading byte, then table, first field
// and count; a write the credentials, the leading byte, the same head and
// the field data.
constexpr int ReadTableAt = 5;
constexpr int WriteTableAt = 21;
constexpr int WriteDataAt = 24;
// Read and write answers echo table, first field and count at 5..7; a read
// answer carries the field data from 8.
constexpr int AnswerTableAt = 5;
constexpr int AnswerDataAt = 8;

// Masks the credential bytes of the field data in bytes [from, to) of a
// frame; the data begins with the first byte of a field.
void MaskFieldData(int table, int from, int to, std::vector<bool>& mask) {
    if (!HoldsCredentials(table)) return;
    const int fieldSize = Descriptor(table).fieldSize;
    for (int i = from; i < to; ++i)
        if (IsCredentialByte(table, (i - from) % fieldSize)) mask[size_t(i)] = true;
}

}  // namespace

std::vector<bool> FrameLogFormatter::Mask(bool sent, const uint8_t* bytes, int count) {
    std::vector<bool> mask(size_t(std::max(count, 0)), false);
    if (count <= FunctionAt) return mask;
    // The checksum closes the frame where its length byte says; a frame cut
    // short has none, and all that came of it is body.
    const int declared = bytes[LengthAt];
    const bool whole = declared >= MinAnswerLength && declared <= count;
    const int bodyEnd = whole ? declared - ChecksumSize : count;
    const uint8_t code = bytes[FunctionAt];

    if (sent) {
        requestCode_ = code;
        requestTable_ = -1;
        if (code == ReadCode && count > ReadTableAt) requestTable_ = bytes[ReadTableAt];
        if (code == WriteCode && count > WriteTableAt) requestTable_ = bytes[WriteTableAt];
        if (CarriesCredentials(code))
            for (int i = CredentialsAt; i < std::min(CredentialsEnd, bodyEnd); ++i) mask[size_t(i)] = true;
        if (code == WriteCode) MaskFieldData(requestTable_, WriteDataAt, bodyEnd, mask);
    } else {
        const int function = code & ~AnswerBit;
        if (function == ReadCode || function == WriteCode) {
            if (function == requestCode_) MaskFieldData(requestTable_, AnswerDataAt, bodyEnd, mask);
            if (count > AnswerTableAt) MaskFieldData(bytes[AnswerTableAt], AnswerDataAt, bodyEnd, mask);
        }
    }

    bool masked = false;
    for (const bool m : mask) masked = masked || m;
    if (masked && whole)
        for (int i = bodyEnd; i < declared; ++i) mask[size_t(i)] = true;
    return mask;
}

QString FrameLogFormatter::Format(bool sent, const uint8_t* bytes, int count) {
    const std::vector<bool> mask = Mask(sent, bytes, count);
    QString line = sent ? QStringLiteral("TX") : QStringLiteral("RX");
    for (int i = 0; i < count; ++i) {
        line += QLatin1Char(' ');
        line += mask[size_t(i)] ? QStringLiteral("**")
                                : QStringLiteral("%1").arg(bytes[i], 2, 16, QLatin1Char('0')).toUpper();
    }
    return line;
}

}  // namespace zmk
