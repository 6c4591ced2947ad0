#include "tables/ControllerName.h"

#include <algorithm>

#include "common/Cp1251.h"
#include "common/DosCodePage.h"

namespace zmk {

namespace {

constexpr uint8_t FirstPrintable = 0x20;
constexpr uint8_t Delete = 0x7F;

bool Storable(const QString& character, bool dosCodePage) {
    bool ok = true;
    QByteArray bytes = ToCp1251(character, &ok);
    if (!ok || bytes.size() != 1) return false;
    const auto b = uint8_t(bytes[0]);
    if (b < FirstPrintable || b == Delete) return false;
    if (!dosCodePage) return true;
    uint8_t there = b;
    EncodeDosText(&there, 1);
    DecodeDosText(&there, 1);
    return there == b;
}

}  // namespace

QString NameText(const uint8_t* name) {
    // A name padded with zero bytes instead of spaces reads the same.
    QByteArray bytes(reinterpret_cast<const char*>(name), NameLength);
    bytes.replace('\0', ' ');
    return FromCp1251(bytes).trimmed();
}

QString UnstorableNameCharacters(const QString& text, bool dosCodePage) {
    QString bad;
    for (qsizetype i = 0; i < text.size(); ++i) {
        // A character outside the basic plane is one pair of surrogates.
        const qsizetype n = text[i].isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        const QString character = text.mid(i, n);
        i += n - 1;
        if (!Storable(character, dosCodePage) && !bad.contains(character)) bad += character;
    }
    return bad;
}

void PutNameText(const QString& text, uint8_t* name) {
    std::fill_n(name, NameLength, uint8_t(' '));
    const QByteArray bytes = ToCp1251(text);
    std::copy_n(bytes.constData(), std::min<qsizetype>(bytes.size(), NameLength), name);
}

}  // namespace zmk
