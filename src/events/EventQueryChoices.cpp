// The choices and the input checks of the two event-archive selection
// dialogs (by index and by period), kept apart from the windows so that the
// command-line companion and the tests compute exactly the same values.

#include <QString>
#include <algorithm>
#include <cstdint>
#include <limits>

#include "common/PackedDate.h"
#include "events/EventArchiveReader.h"

namespace zmk {

namespace {

// The items "Последние N записей" and their N.
uint32_t LastCount(EventIndexChoice choice) {
    switch (choice) {
    case EventIndexChoice::Last100: return 100;
    case EventIndexChoice::Last50: return 50;
    case EventIndexChoice::Last10: return 10;
    default: return 0;
    }
}

// A typed number: nullopt when the text holds anything but decimal digits
// (the key filter lets "%" and "'" through, and pasted text is not filtered);
// a number past 32 bits reads as the largest one.
std::optional<uint32_t> TypedNumber(const QString& text) {
    uint64_t value = 0;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return std::nullopt;
        value = value * 10 + uint64_t(c.unicode() - '0');
        value = std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max() + uint64_t(1));
    }
    return uint32_t(std::min<uint64_t>(value, std::numeric_limits<uint32_t>::max()));
}

EventIndexCheck IndexRefusal(const QString& line1, const QString& line2 = {}) {
    return EventIndexCheck{std::nullopt, line1, line2};
}

PackedDate WithTime(const PackedDate& date, int hour, int minute, int second) {
    PackedDate d = date.Prefix(3);
    d.Hour = uint8_t(hour);
    d.Minute = uint8_t(minute);
    d.Second = uint8_t(second);
    return d;
}

}  // namespace

EventIndexRange LastRecords(const EventArchiveBounds& bounds, uint32_t n) {
    // A span of 0 is the whole index space (2^32 records), longer than any n.
    const uint32_t span = bounds.Span();
    if (span != 0 && span < n) return {bounds.oldest, span};
    return {bounds.newest - (n - 1), n};
}

std::optional<EventIndexRange> RangeForChoice(EventIndexChoice choice, const EventArchiveBounds& bounds) {
    switch (choice) {
    case EventIndexChoice::All:
        return EventIndexRange{bounds.oldest, bounds.Span()};
    case EventIndexChoice::Last100:
    case EventIndexChoice::Last50:
    case EventIndexChoice::Last10:
        return LastRecords(bounds, LastCount(choice));
    case EventIndexChoice::Custom:
        break;
    }
    return std::nullopt;
}

EventIndexCheck CheckIndexInput(const QString& startText, const QString& countText,
                                const EventArchiveBounds& bounds) {
    if (startText.isEmpty()) return IndexRefusal(QStringLiteral("Не введен индекс записи начала чтения"));
    const std::optional<uint32_t> start = TypedNumber(startText);
    if (!start || *start < bounds.oldest || *start > bounds.newest)
        return IndexRefusal(QStringLiteral("Нелогичное значение индекса записи начала чтения"),
                            QStringLiteral("(см. значения индексов начала и конца архива)."));
    if (countText.isEmpty()) return IndexRefusal(QStringLiteral("Не введено количество записей для чтения"));
    const std::optional<uint32_t> count = TypedNumber(countText);
    if (!count || *count == 0)
        return IndexRefusal(QStringLiteral("Нелогичное значение количества записей для чтения"));
    // What is left up to the newest record; counted wide so that a range
    // over the whole 32-bit index space cannot wrap round to 0.
    const uint64_t left = uint64_t(bounds.newest) - *start + 1;
    const uint32_t accepted = uint32_t(std::min<uint64_t>(*count, left));
    return EventIndexCheck{EventIndexRange{*start, accepted}, {}, {}};
}

EventPeriod PeriodForChoice(EventPeriodChoice choice, const PackedDate& now, const EventPeriod& custom) {
    switch (choice) {
    case EventPeriodChoice::LastHour: {
        EventPeriod period{now, now};
        StepBack(period.start, UnitHour);  // at hour 0: 23 o'clock of the day before
        return period;
    }
    case EventPeriodChoice::LastDay: {
        EventPeriod period{now, now};
        StepBack(period.start, UnitDay);
        return period;
    }
    case EventPeriodChoice::Custom:
        break;
    }
    return custom;
}

EventPeriodCheck CheckPeriodInput(const EventPeriodInput& input) {
    const QString outOfRange = QStringLiteral("вне допустимого диапазона");
    struct Part {
        int value;
        int limit;
        const char16_t* name;
    };
    const Part parts[] = {
        {input.startHour, 24, u"Значение часа начала диапазона"},
        {input.startMinute, 60, u"Значение минут начала диапазона"},
        {input.startSecond, 60, u"Значение секунд начала диапазона"},
        {input.endHour, 24, u"Значение часа конца диапазона"},
        {input.endMinute, 60, u"Значение минут конца диапазона"},
        {input.endSecond, 60, u"Значение секунд конца диапазона"},
    };
    // A negative value is what the dialogs pass for a box left empty or
    // holding no number.
    for (const Part& part : parts)
        if (part.value < 0 || part.value >= part.limit)
            return EventPeriodCheck{std::nullopt, QString::fromUtf16(part.name), outOfRange};

    const PackedDate start = WithTime(input.startDate, input.startHour, input.startMinute, input.startSecond);
    const PackedDate end = WithTime(input.endDate, input.endHour, input.endMinute, input.endSecond);
    if (CompareSeconds(end, start) < 0)
        return EventPeriodCheck{std::nullopt, QStringLiteral("Дата и время конца опроса должны быть"),
                                QStringLiteral("больше даты и времени начала опроса")};
    return EventPeriodCheck{EventPeriod{start, end}, {}, {}};
}

}  // namespace zmk
