#include <gtest/gtest.h>

#include <QChar>
#include <QString>
#include <array>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <optional>
#include <string>

#include "common/Cp1251.h"

using namespace zmk;

namespace {

// One conversion through the C library's iconv; nullopt when iconv refuses
// the input (a byte or character without a counterpart).
class Iconv {
public:
    Iconv(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Iconv() {
        if (ok())
            iconv_close(cd_);
    }
    bool ok() const { return cd_ != iconv_t(-1); }

    std::optional<std::string> operator()(const std::string& in) {
        iconv(cd_, nullptr, nullptr, nullptr, nullptr);
        std::string src = in;
        char out[16];
        char* inPtr = src.data();
        size_t inLeft = src.size();
        char* outPtr = out;
        size_t outLeft = sizeof out;
        if (iconv(cd_, &inPtr, &inLeft, &outPtr, &outLeft) == size_t(-1) || inLeft != 0)
            return std::nullopt;
        return std::string(out, outPtr - out);
    }

private:
    iconv_t cd_;
};

QString Utf16(char16_t c) {
    return QString(QChar(c));
}

}  // namespace

TEST(Cp1251, EveryByteDecodesAsIconvDecodesIt) {
    Iconv toUtf8("UTF-8", "CP1251");
    ASSERT_TRUE(toUtf8.ok());
    int unassigned = 0;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString ours = FromCp1251(QByteArrayView(&byte, 1));
        ASSERT_EQ(ours.size(), 1) << b;
        const auto theirs = toUtf8(std::string(1, byte));
        if (!theirs) {
            ++unassigned;
            EXPECT_EQ(b, 0x98);
            EXPECT_EQ(ours, Utf16(0xFFFD));
        } else {
            EXPECT_EQ(ours, QString::fromUtf8(theirs->data(), qsizetype(theirs->size())))
                << "byte 0x" << std::hex << b;
        }
    }
    EXPECT_EQ(unassigned, 1);
}

TEST(Cp1251, EveryBasicPlaneCharacterEncodesAsIconvEncodesIt) {
    Iconv toCp1251("CP1251", "UTF-8");
    ASSERT_TRUE(toCp1251.ok());
    int mapped = 0;
    for (char32_t c = 0; c <= 0xFFFF; ++c) {
        if (QChar::isSurrogate(c))
            continue;
        const QString text = Utf16(char16_t(c));
        const QByteArray utf8 = text.toUtf8();
        const auto theirs = toCp1251(std::string(utf8.constData(), size_t(utf8.size())));
        bool ok = true;
        const QByteArray ours = ToCp1251(text, &ok);
        ASSERT_EQ(ours.size(), 1) << std::hex << uint32_t(c);
        if (theirs) {
            ++mapped;
            EXPECT_TRUE(ok) << std::hex << uint32_t(c);
            EXPECT_EQ(ours, QByteArray(theirs->data(), qsizetype(theirs->size()))) << std::hex << uint32_t(c);
        } else {
            EXPECT_FALSE(ok) << std::hex << uint32_t(c);
            EXPECT_EQ(ours, QByteArray("?")) << std::hex << uint32_t(c);
        }
    }
    EXPECT_EQ(mapped, 255);  // every byte but 0x98
}

TEST(Cp1251, TextRoundTripAndCharactersOutsideTheCodePage) {
    const QString russian = QStringLiteral("Установка связи с устройством № 5 — «ЗМК_10» ёЁ");
    bool ok = false;
    const QByteArray bytes = ToCp1251(russian, &ok);
    EXPECT_TRUE(ok);
    EXPECT_EQ(bytes.size(), russian.size());
    EXPECT_EQ(FromCp1251(bytes), russian);

    struct Case {
        QString text;
        QByteArray expected;
    };
    const Case cases[] = {
        // a character beyond the basic plane is one '?', not two
        {QStringLiteral("a\U0001F600b"), "a?b"},
        // lone surrogates
        {QString(QChar(0xD800)) + u'x', "?x"},
        {QString(QChar(0xDC00)), "?"},
        // the replacement character itself has no byte
        {QString(QChar(0xFFFD)), "?"},
        {QStringLiteral("日本"), "??"},
    };
    for (const Case& c : cases) {
        ok = true;
        EXPECT_EQ(ToCp1251(c.text, &ok), c.expected) << c.text.toStdString();
        EXPECT_FALSE(ok) << c.text.toStdString();
    }
    EXPECT_EQ(ToCp1251(QString()), QByteArray());
    EXPECT_EQ(FromCp1251(QByteArrayView()), QString());
    // NUL bytes are characters like any other
    EXPECT_EQ(FromCp1251(QByteArrayView("a\0b", 3)).size(), 3);
}

TEST(Cp1251, UpperCaseFollowsUnicodeWithinTheCodePage) {
    int changed = 0;
    for (int b = 0; b < 256; ++b) {
        const char byte = char(b);
        const QString upper = FromCp1251(QByteArrayView(&byte, 1)).toUpper();
        bool ok = true;
        const QByteArray back = ToCp1251(upper, &ok);
        // Letters whose upper case is outside the code page (µ) stay as they are.
        const uint8_t expected = (ok && back.size() == 1) ? uint8_t(back[0]) : uint8_t(b);
        EXPECT_EQ(UpperCp1251(uint8_t(b)), expected) << "byte 0x" << std::hex << b;
        changed += UpperCp1251(uint8_t(b)) != b;
    }
    // 26 Latin, 32 Cyrillic а..я, 15 more Cyrillic lower-case letters of 0x80..0xBF
    EXPECT_EQ(changed, 26 + 32 + 15);
    EXPECT_EQ(UpperCp1251(0xB8), 0xA8);  // ё -> Ё
    EXPECT_EQ(UpperCp1251(0xFF), 0xDF);  // я -> Я
    EXPECT_EQ(UpperCp1251(0xB5), 0xB5);  // µ
}

TEST(Cp1251, Slots) {
    struct Case {
        const char* name;
        QString text;
        int size;
        bool fits;
        QByteArray slot;  // all `size` bytes expected in the slot
    };
    const Case cases[] = {
        {"fits with room", QStringLiteral("Аб"), 5, true, QByteArray("\xC0\xE1\0\0\0", 5)},
        {"exactly size-1", QStringLiteral("abcd"), 5, true, QByteArray("abcd\0", 5)},
        {"cut for the terminator", QStringLiteral("abcde"), 5, false, QByteArray("abcd\0", 5)},
        {"much too long", QStringLiteral("Контроллер ЗМК"), 4, false, QByteArray("\xCA\xEE\xED\0", 4)},
        {"outside the code page", QStringLiteral("a日"), 4, false, QByteArray("a?\0\0", 4)},
        {"empty", QString(), 3, true, QByteArray("\0\0\0", 3)},
        {"one-byte slot", QStringLiteral("x"), 1, false, QByteArray("\0", 1)},
        {"a NUL ends the text", QString::fromLatin1("ab\0cd", 5), 6, false, QByteArray("ab\0\0\0\0", 6)},
    };
    for (const Case& c : cases) {
        std::array<uint8_t, 16> buf;
        buf.fill(0xEE);  // old contents that must be overwritten, and a guard behind the slot
        EXPECT_EQ(ToCp1251Slot(c.text, buf.data(), c.size), c.fits) << c.name;
        EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(buf.data()), c.size), c.slot) << c.name;
        EXPECT_EQ(buf[c.size], 0xEE) << c.name << ": wrote past the slot";
        EXPECT_EQ(FromCp1251Slot(buf.data(), c.size), FromCp1251(c.slot.left(c.slot.indexOf('\0'))))
            << c.name;
    }

    // A slot without a terminator reads to its end and no further.
    const uint8_t full[6] = {'A', 'B', 'C', 0xC4, 'Z', 'Z'};
    EXPECT_EQ(FromCp1251Slot(full, 4), QStringLiteral("ABCД"));
    EXPECT_EQ(FromCp1251Slot(full, 0), QString());
    EXPECT_EQ(FromCp1251Slot(nullptr, 10), QString());
    EXPECT_FALSE(ToCp1251Slot(QStringLiteral("a"), nullptr, 10));
    uint8_t untouched = 0x55;
    EXPECT_FALSE(ToCp1251Slot(QStringLiteral("a"), &untouched, 0));
    EXPECT_EQ(untouched, 0x55);
}
