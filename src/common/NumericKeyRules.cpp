#include "common/NumericKeyRules.h"

namespace zmk {

QChar IntKeyFilter(const QString& /*text*/, int /*caret*/, QChar key) {
    const char16_t c = key.unicode();
    if ((c >= u'0' && c <= u'9') || c == KeyBackspace || c == u'%' || c == u'\'')
        return key;
    return QChar();
}

QChar FloatKeyFilter(const QString& text, int caret, QChar key) {
    char16_t c = key.unicode();
    if (c == KeyBackspace || c == u'%' || c == u'\'')
        return key;
    if (c == u',')
        c = u'.';
    const bool digit = c >= u'0' && c <= u'9';
    if (!digit && c != u'e' && c != u'.' && c != u'+' && c != u'-')
        return QChar();

    caret = std::clamp(caret, 0, int(text.size()));
    const qsizetype ePos = text.indexOf(u'e');
    const bool hasE = ePos >= 0;
    // A sign anywhere after the first character can only be the exponent's.
    const bool exponentSigned = text.indexOf(u'-', 1) >= 0 || text.indexOf(u'+', 1) >= 0;
    const bool rightAfterE = hasE && caret == ePos + 1;

    if (digit) {
        if (hasE && caret > ePos) {
            const qsizetype exponentLength = text.size() - ePos - 1;
            if (exponentLength >= (exponentSigned ? 3 : 2))
                return QChar();
        }
        return QChar(c);
    }
    switch (c) {
    case u'e':
        if (hasE || caret != text.size() || text.isEmpty())
            return QChar();
        return QChar(c);
    case u'.':
        if (text.contains(u'.') || (hasE && ePos < caret))
            return QChar();
        return QChar(c);
    case u'-':
        if (caret == 0 && !text.startsWith(u'-'))
            return QChar(c);
        if (rightAfterE && !exponentSigned)
            return QChar(c);
        return QChar();
    case u'+':
        if (rightAfterE && !exponentSigned)
            return QChar(c);
        return QChar();
    }
    return QChar();
}

}  // namespace zmk
