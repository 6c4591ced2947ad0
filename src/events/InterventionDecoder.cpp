#include "events/InterventionDecoder.h"

#include <QByteArray>
#include <cmath>
#include <cstring>

#include "common/Cp1251.h"
#include "common/DosCodePage.h"
#include "common/NumberFormat.h"
#include "events/DiagnosticDecoder.h"
#include "link/BaudRates.h"
#include "measurements/Records.h"
#include "tables/GasLimits.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

// How the old and new value of a field are shown.
enum class Render {
    None,          // no values (passwords, access rights, unknown fields)
    TwoDigits,     // "  %02d" of the first byte (clock fields)
    Integer,       // the first byte as an unsigned decimal
    Weekday,       // 1 "Воскресенье" .. 7 "Суббота"
    TimeKind,      // 0 "Летнее", any other value "Зимнее"
    BaudRate,      // the rate of a rate index; the unit becomes "бит/с"
    Month,         // 0 "Переход запрещен", 1..12 month names
    ClockDay,      // day of a clock change
    Presence,      // 0 "Нет", any other value "Есть"
    GasWriteMode,
    ModbusMode,
    Parity,
    ChromatographType,
    MoistureMeterType,
    FlowComputerType,
    ByteOrder,
    Distribution,
    Hex,           // " 0x%02X" of the first byte
    Limit,         // float with the limit's decimals
    Hours,         // "%dч" of the first byte
    Uint32,        // the 4 bytes as an unsigned decimal
    NameStart,     // the first 4 characters of the controller name and "..."
};

struct FieldRendering {
    QString name;
    Render render = Render::None;
    int decimals = 0;  // Render::Limit
};

constexpr int LastFlowComputerField = 15;  // tables 13, 17..20: one field per flow computer
constexpr int DefaultLimitDecimals = 4;    // a limit field beyond the gas parameters
constexpr int LastUnitCode = UnitCount - 1;

FieldRendering Generic(int t, int f) {
    return {QStringLiteral("Табл. %1;  Поле %2").arg(t).arg(f)};
}

FieldRendering Reserved(int t, int f) {
    return {QStringLiteral("Табл.%1.  Резервное поле № %2").arg(t).arg(f)};
}

// Names of the per-flow-computer tables: "<text> %d" with f + 1 for the 16
// flow computers, the table's own text for a field beyond them.
FieldRendering PerFlowComputer(int f, const char* numbered, const char* beyond, Render render) {
    if (f <= LastFlowComputerField)
        return {QString::fromUtf8(numbered).arg(f + 1), render};
    return {QString::fromUtf8(beyond), render};
}

FieldRendering GasParameterField(int t, int f) {
    static const char* const Prefixes[] = {"НР   ", "ЗН   ", "НПУ  ", "ВПУ  ", "НДП  ", "ВДП  "};
    const QString prefix = QString::fromUtf8(Prefixes[t - 21]);
    const QString name =
        f < GasParameterCount ? Label(GasNameLabels + f).trimmed() : QStringLiteral(" ?");
    if (t == 21)
        return {prefix + name, Render::Distribution};
    const int decimals = GasLimitDecimals(GasLimitKind(t - FirstGasLimitTable), f);
    return {prefix + name, Render::Limit, decimals >= 0 ? decimals : DefaultLimitDecimals};
}

FieldRendering Rendering(int t, int f) {
    switch (t) {
    case 2: {
        static const char* const Names[] = {"Время, год",    "Время, месяц",  "Время, день",
                                            "Время, час",    "Время, минута", "Время, секунда"};
        if (f <= 5)
            return {QString::fromUtf8(Names[f]), Render::TwoDigits};
        if (f == 6)
            return {QStringLiteral("Время, день недели"), Render::Weekday};
        if (f == 7)
            return {QStringLiteral("Тип времени"), Render::TimeKind};
        break;
    }
    case 3:
        switch (f) {
        case 0: return {QStringLiteral("Адрес контроллера"), Render::Integer};
        case 1: return {QStringLiteral("Скорость обмена с ВУ"), Render::BaudRate};
        case 2: return {QStringLiteral("Кол. преамбул при ответе ВУ"), Render::Integer};
        case 3: return Reserved(t, f);
        }
        break;
    case 4:
        return {QStringLiteral("Параметры доступа пользователя")};
    case 5:
        return {QStringLiteral("Наименование контроллера"), Render::NameStart};
    case 6:
        switch (f) {
        case 0: return {QStringLiteral("Месяц перехода на летнее время"), Render::Month};
        case 1: return {QStringLiteral("День перехода на летнее время"), Render::ClockDay};
        case 2: return {QStringLiteral("Час перехода на летнее время"), Render::Integer};
        case 3: return {QStringLiteral("Месяц перехода на зимнее время"), Render::Month};
        case 4: return {QStringLiteral("День перехода на зимнее время"), Render::ClockDay};
        case 5: return {QStringLiteral("Час перехода на зимнее время"), Render::Integer};
        case 6: return {QStringLiteral("Контрактный час"), Render::Integer};
        case 7: return {QStringLiteral("Наличие подключенного хроматографа"), Render::Presence};
        case 8: return {QStringLiteral("Наличие подключенного влагомера"), Render::Presence};
        case 9: return Reserved(t, f);
        }
        break;
    case 9:
        switch (f) {
        case 0: return {QStringLiteral("Количество подключенных ВРГ"), Render::Integer};
        case 1: return {QStringLiteral("Скорость обмена c ВРГ"), Render::BaudRate};  // Latin c
        case 2: return {QStringLiteral("Количество неудачных опросов ВРГ"), Render::Integer};
        case 3: return {QStringLiteral("Таймаут ожидания ответа от ВРГ"), Render::Integer};
        case 4: return {QStringLiteral("Кол. преамбул  в запросе к вычислителю РГ"), Render::Integer};
        case 5: return {QStringLiteral("Режим записи параметров газа в ВРГ"), Render::GasWriteMode};
        }
        break;
    case 13:
        return PerFlowComputer(f, "Пароль на запись в ВРГ %1", "Пароль на запись в ВРГ № ?", Render::None);
    case 14:
        switch (f) {
        case 0: return {QStringLiteral("Адрес хроматографа"), Render::Integer};
        case 1: return {QStringLiteral("Скорость обмена c хроматографом"), Render::BaudRate};  // Latin c
        case 2: return {QStringLiteral("Режим обмена MODBUS с хроматографом"), Render::ModbusMode};
        case 3: return {QStringLiteral("Тип четности хроматографа"), Render::Parity};
        case 4: return {QStringLiteral("Таймаут ожидания ответа от хроматографа"), Render::Integer};
        case 5: return {QStringLiteral("Кол. неудачных опросов хроматографа"), Render::Integer};
        case 6: return {QStringLiteral("Тип хроматографа"), Render::ChromatographType};
        case 7: return Reserved(t, f);
        }
        break;
    case 15:
        switch (f) {
        case 0: return {QStringLiteral("Адрес влагомера"), Render::Integer};
        case 1: return {QStringLiteral("Скорость обмена c влагомером"), Render::BaudRate};  // Latin c
        case 2: return {QStringLiteral("Режим обмена MODBUS с влагомером"), Render::ModbusMode};
        case 3: return {QStringLiteral("Тип четности влагомера"), Render::Parity};
        case 4: return {QStringLiteral("Таймаут ожидания ответа от влагомера"), Render::Integer};
        case 5: return {QStringLiteral("Кол. неудачных опросов влагомера"), Render::Integer};
        case 6: return {QStringLiteral("Тип влагомера"), Render::MoistureMeterType};
        case 7: return Reserved(t, f);
        }
        break;
    case 17:
        return PerFlowComputer(f, "Тип ВРГ %1", "Тип ВРГ  № ?", Render::FlowComputerType);
    case 18:
        return PerFlowComputer(f, "Адрес подключенного ВРГ %1", "Адрес подключенного ВРГ № ?",
                               Render::Integer);
    case 19:
        return PerFlowComputer(f, "Необходимость записи парам. газа для т/п ВРГ %1",
                               "Необходимость записи парам. газа для т/п ВРГ ?", Render::Hex);
    case 20:
        return PerFlowComputer(f, "Порядок байтов многоб. перем. ВРГ %1",
                               "Порядок байтов многоб. перем. ВРГ № ?", Render::ByteOrder);
    case 21: case 22: case 23: case 24: case 25: case 26:
        return GasParameterField(t, f);
    case 28:
        if (f == 0)
            return {QStringLiteral("Период рассылки параметров газа в ВРГ"), Render::Hours};
        if (f == 1)
            return Reserved(t, f);
        break;
    case 29: {
        static const char* const Names[] = {
            "Параметры Ethernet. Ip адрес",          "Параметры Ethernet. Маска подсети",
            "Параметры Ethernet. Шлюз по умолчанию", "Параметры Ethernet. Порт ВРГ 1",
            "Параметры Ethernet. Порт ВРГ 2",        "Параметры Ethernet. Порт ЗМК 1",
            "Параметры Ethernet. Порт ЗМК 2"};
        if (f <= 6)
            return {QString::fromUtf8(Names[f]), Render::Uint32};
        break;
    }
    }
    return Generic(t, f);
}

QString Listed(int start, int count, int value) {
    return GroupLabel(start, count, value, QStringLiteral("?"));
}

// Characters of a fixed byte field up to its first zero byte, Windows-1251.
QString CharactersUpToZero(const uint8_t* bytes, int size) {
    int n = 0;
    while (n < size && bytes[n] != 0)
        ++n;
    return FromCp1251(QByteArrayView(reinterpret_cast<const char*>(bytes), n));
}

QString NameStartText(const uint8_t* value, ControllerTextCodePage names) {
    uint8_t chars[4];
    std::memcpy(chars, value, sizeof chars);
    if (names == ControllerTextCodePage::Dos)
        DecodeDosText(chars, int(sizeof chars));
    return CharactersUpToZero(chars, int(sizeof chars)) + QStringLiteral("...");
}

QString ValueText(Render render, const uint8_t* value, int decimals, ControllerTextCodePage names) {
    const int v = value[0];
    switch (render) {
    case Render::None: return {};
    case Render::TwoDigits: return QString::asprintf("  %02d", v);
    case Render::Integer: return QString::number(v);
    case Render::Weekday:
        return v >= 1 && v <= WeekdayCount ? Label(WeekdayLabels + v - 1) : QStringLiteral("?");
    case Render::TimeKind: return Label(TimeKindLabels + (v != 0 ? 1 : 0));
    case Render::BaudRate: return QString::number(RateAt(v));
    case Render::Month: return Listed(MonthLabels, MonthChoiceCount, v);
    case Render::ClockDay: return ClockChangeDayText(uint8_t(v));
    case Render::Presence: return Label(PresenceLabels + (v != 0 ? 1 : 0));
    case Render::GasWriteMode: return Listed(GasWriteModeLabels, GasWriteModeCount, v);
    case Render::ModbusMode: return Listed(ModbusModeLabels, ModbusModeCount, v);
    case Render::Parity: return Listed(ParityLabels, ParityCount, v);
    case Render::ChromatographType: return Listed(ChromatographTypeLabels, ChromatographTypeCount, v);
    case Render::MoistureMeterType: return Listed(MoistureMeterTypeLabels, MoistureMeterTypeCount, v);
    case Render::FlowComputerType: return Listed(FlowComputerTypeLabels, FlowComputerTypeCount, v);
    case Render::ByteOrder: return Listed(ByteOrderLabels, ByteOrderCount, v);
    case Render::Distribution: return Listed(DistributionModeLabels, DistributionModeCount, v);
    case Render::Hex: return QString::asprintf(" 0x%02X", v);
    case Render::Limit: return LimitValueText(FloatAt(value), decimals);
    case Render::Hours: return QStringLiteral("%1ч").arg(v);
    case Render::Uint32: return QString::number(Uint32At(value));
    case Render::NameStart: return NameStartText(value, names);
    }
    return {};
}

}  // namespace

QString ClockChangeDayText(uint8_t day) {
    if ((day & 0x80) == 0)
        return QString::number(day & 0x1F);
    const bool fromEnd = (day & 0x40) != 0;
    const int weekday = (day >> 3) & 0x07;
    const int week = day & 0x07;
    if (weekday < 1 || weekday > 7 || week < 1 || week > 3)
        return QStringLiteral("?");
    static const char* const FromStart[] = {"1", "2", "3"};
    static const char* const FromEnd[] = {"п", "пп", ""};  // last, last but one, (third from the end)
    const char* ordinal = fromEnd ? FromEnd[week - 1] : FromStart[week - 1];
    return QString::fromUtf8(ordinal) + Label(ShortWeekdayLabels + weekday - 1);
}

QString LimitValueText(float value, int decimals) {
    if (IsBadFloat(value))
        return QStringLiteral("?");
    constexpr int Precision = 10;  // significant digits
    const double v = value;
    if (std::fabs(v) >= 1e10)
        return QString::number(v, 'e', Precision - 1);  // as FormatFloatValue does
    // Round to the significant digits first, then show the decimals asked for.
    const double rounded = QString::asprintf("%.*e", Precision - 1, v).toDouble();
    QString text = QString::asprintf("%.*f", qBound(0, decimals, 20), rounded);
    if (text.startsWith(QLatin1Char('-')) && text.toDouble() == 0.0)
        text.remove(0, 1);  // no "-0.000"
    return text;
}

InterventionRow DecodeIntervention(const InterventionRecord& record, ControllerTextCodePage names) {
    InterventionRow row;
    if (!record.Intact()) {
        row.date = DamagedRecordMark();
        return row;
    }
    const PackedDate t = record.Time();
    row.date = QString::asprintf("    %02d.%02d.%02d", t.Day, t.Month, t.Year);
    row.time = QString::asprintf("    %02d:%02d:%02d", t.Hour, t.Minute, t.Second);
    row.operatorName = CharactersUpToZero(record.Operator(), InterventionRecord::OperatorSize);
    const int unit = record.Unit();
    row.unit = unit <= LastUnitCode ? Label(UnitLabels + unit) : QStringLiteral("?");

    const FieldRendering r = Rendering(record.Table(), record.Field());
    row.name = r.name;
    row.oldValue = ValueText(r.render, record.OldValue(), r.decimals, names);
    row.newValue = ValueText(r.render, record.NewValue(), r.decimals, names);
    if (r.render == Render::BaudRate)
        row.unit = QStringLiteral("бит/с");
    return row;
}

DecodedInterventions DecodeInterventions(const std::vector<InterventionRecord>& records,
                                         ControllerTextCodePage names) {
    DecodedInterventions out;
    out.rows.reserve(records.size());
    for (const InterventionRecord& r : records) {
        out.rows.push_back(DecodeIntervention(r, names));
        if (!r.Intact())
            ++out.damaged;
    }
    return out;
}

QString InterventionTitleByIndex(uint32_t firstIndex, uint32_t count) {
    return QStringLiteral("Сообщения о вмешательствах оператора с индексами от %1 до %2")
        .arg(firstIndex)
        .arg(uint32_t(firstIndex + count - 1));
}

QString InterventionTitleByPeriod(const EventFileHeader& header) {
    return QStringLiteral("Сообщения о вмешательствах оператора за период с %1 по %2")
        .arg(PeriodDateText(header.first), PeriodDateText(header.last));
}

}  // namespace zmk
