#include "app/Suplfunc.h"

#include <QDate>
#include <algorithm>
#include <bit>
#include <cmath>

namespace zmk {

ConnectionState& Shared() {
    static ConnectionState state;
    return state;
}

namespace {

// Fixed lines of the archive period checks (kinds 9 and 10). The second one
// has two blanks before "и".
const char16_t* const kArchiveDatesLine1 = u"За время работы оператора изменились даты";
const char16_t* const kArchiveDatesLine2 = u"самой старой  и последней записей в архиве.";

}  // namespace

MessageLook MessageLookFor(int32_t kind, const QString& first, const QString& second) {
    MessageLook look;
    look.Line1 = first;
    look.Line2 = second;
    switch (kind) {
    case MsgError:
        look.Caption = QStringLiteral("Ошибка");
        break;
    case MsgInputError:
        look.Caption = QStringLiteral("Ошибка ввода параметров");
        break;
    case MsgQuestion:
        look.Question = true;
        break;
    case MsgSeeControllerState:
        look.Line3 = QStringLiteral("(см. текущее состояние контроллера)");
        break;
    case MsgExchangeResult:
        look.Caption = QStringLiteral("Результат обмена с устройством");
        break;
    case MsgRetryQuestion:
        look.Line3 = QStringLiteral("Повторить попытку?");
        look.Question = true;
        break;
    case MsgArchiveDatesChanged:
    case MsgArchiveDatesQuestion:
        look.Line1 = QString::fromUtf16(kArchiveDatesLine1);
        look.Line2 = QString::fromUtf16(kArchiveDatesLine2);
        look.Line3 = first;
        look.Question = kind == MsgArchiveDatesQuestion;
        break;
    default:  // MsgInfo and kinds without a look of their own
        break;
    }
    return look;
}

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

bool IsBadFloat(float value) {
    constexpr uint32_t kExponentMask = 0x7F800000u;
    return (std::bit_cast<uint32_t>(value) & kExponentMask) == kExponentMask;
}

QString FormatFloatValue(float value) {
    if (IsBadFloat(value))
        return QStringLiteral("NAN");
    if (value == 0.0f)
        return QStringLiteral("0");
    // The thresholds are compared in double, so that a float just under a
    // decimal bound (1e-6f is 9.99999997e-7) falls below it.
    const double v = value;
    const double magnitude = std::fabs(v);
    if (magnitude < 1e-6)
        return QString::number(v, 'e', 4);
    // At most 10 significant digits: from 1e10 up the integer part alone is
    // longer, so such values are shown in exponent form with 10 digits.
    constexpr double kTenDigitLimit = 1e10;
    if (magnitude >= kTenDigitLimit)
        return QString::number(v, 'e', 9);
    int decimals = 0;
    if (magnitude < 1e-4)
        decimals = 5;
    else if (magnitude < 10)
        decimals = 4;
    else if (magnitude < 100)
        decimals = 3;
    else if (magnitude < 1000)
        decimals = 2;
    else if (magnitude < 10000)
        decimals = 1;
    return QString::number(v, 'f', decimals);
}

namespace {

// Hours since 1 January 2000, 0:00, or -1 when the stamp is not a real time.
int64_t StampHours(const uint8_t s[4]) {
    const QDate date(2000 + s[0], s[1], s[2]);
    if (!date.isValid() || s[3] > 23)
        return -1;
    constexpr int64_t kHoursPerDay = 24;
    return (date.toJulianDay() - QDate(2000, 1, 1).toJulianDay()) * kHoursPerDay + s[3];
}

}  // namespace

int32_t HoursBetween(const uint8_t a[4], const uint8_t b[4]) {
    if (a == nullptr || b == nullptr)
        return 0;
    const int64_t from = StampHours(a);
    const int64_t to = StampHours(b);
    if (from < 0 || to < 0)
        return 0;
    return int32_t(to - from);
}

int32_t PeriodLength(const uint8_t a[4], const uint8_t b[4], int32_t kind) {
    const int32_t hours = HoursBetween(a, b);
    constexpr int32_t kHoursPerDay = 24;
    constexpr int32_t kDaysPerMonth = 30;
    switch (kind) {
    case PeriodHours:
        return hours;
    case PeriodDays:
        return std::max(hours / kHoursPerDay, 1);
    case PeriodMonths:
        return std::max(hours / kHoursPerDay / kDaysPerMonth, 1);
    default:
        return 1;
    }
}

bool FindSubstring(QByteArrayView text, QByteArrayView pattern) {
    if (text.isEmpty() || text.size() < pattern.size())
        return false;
    return text.indexOf(pattern) >= 0;
}

}  // namespace zmk
