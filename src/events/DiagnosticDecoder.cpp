#include "events/DiagnosticDecoder.h"

#include "common/NumberFormat.h"
#include "measurements/Records.h"
#include "tables/GasLimits.h"
#include "tables/LabelList.h"

namespace zmk {

namespace {

// Object codes of the first argument.
constexpr int AnalyserLinkTable = 33;      // connection table of the analysers
constexpr int FlowComputerLinkTable = 34;  // connection table of the flow computers
constexpr int ChromatographStatusObject = 200;
constexpr int MoistureStatusObject = 201;
constexpr int FirstSpecialTable = 242;     // 242..244: "Предыдущий год" .. "Тип времени"
constexpr int LastSpecialTable = 244;

constexpr int AnalyserChromatograph = 0;  // second argument with AnalyserLinkTable
constexpr int AnalyserMoistureMeter = 1;

constexpr int LastKnownCode = DiagnosticEventCount - 1;  // 81

QString TableAndIndex(int table, int index) {
    return QStringLiteral("Табл. = %1  Инд. = %2").arg(table).arg(index);
}

// Written with a Latin "a", as the controller's texts have always had it.
QString TableOnly(int table) {
    return QStringLiteral("Тaбл. = %1").arg(table);
}

bool IsLimitEvent(int code) {
    return (code >= 12 && code <= 17) || (code >= 44 && code <= 47) || (code >= 60 && code <= 68);
}

QString LinkObject(int a, int b) {
    if (a == AnalyserLinkTable) {
        if (b == AnalyserChromatograph)
            return QStringLiteral("Хроматограф");
        if (b == AnalyserMoistureMeter)
            return QStringLiteral("Влагомер");
        return TableOnly(a);
    }
    if (a == FlowComputerLinkTable)
        return QStringLiteral("Вычислитель расхода газа (Адр. = %1)").arg(b);
    return TableOnly(a);
}

QString StatusObject(int a, int b, int moistureMeterType) {
    if (a == ChromatographStatusObject && b < ChromatographAlarmCount)
        return Label(ChromatographAlarmLabels + b);
    if (a == MoistureStatusObject && b < StatusBitCount) {
        if (moistureMeterType == MoistureMeterFog3G)
            return QStringLiteral("Бит %1. ? (ФОГ-3Г)").arg(b);
        const int block = StatusBitBlock(moistureMeterType);
        if (block >= 0)
            return Label(block + b);
    }
    return TableAndIndex(a, b);
}

QString Hex32(uint32_t value) {
    return QStringLiteral("%1").arg(value, 8, 16, QLatin1Char('0')).toUpper();
}

}  // namespace

QString DamagedRecordMark() {
    return QStringLiteral("   ***");
}

QString DamagedRecordsNotice() {
    return QStringLiteral("  ***  Данные в записи недостоверны (не совпадает КС)");
}

QString DiagnosticEventText(int code) {
    if (code < 0 || code > LastKnownCode)
        return QStringLiteral("Код диагностики = %1").arg(code);
    return Label(DiagnosticEventLabels + code);
}

DiagnosticRow DecodeDiagnostic(const DiagnosticRecord& record, int moistureMeterType) {
    DiagnosticRow row;
    if (!record.Intact()) {
        row.date = DamagedRecordMark();
        return row;
    }
    const PackedDate t = record.Time();
    row.date = QString::asprintf("  %02d.%02d.%02d", t.Day, t.Month, t.Year);
    row.time = QString::asprintf("  %02d:%02d:%02d", t.Hour, t.Minute, t.Second);

    const int code = record.Code();
    const int a = record.First();
    const int b = record.Second();
    row.event = DiagnosticEventText(code);

    if (IsLimitEvent(code)) {
        row.object = b < GasParameterCount ? Label(GasNameLabels + b) : QStringLiteral("  ?");
        row.value = FormatFloatValue(FloatAt(record.Value()));
        row.setpoint = FormatFloatValue(FloatAt(record.SecondValue()));
        row.unit = GasLimitUnit(b);
        return row;
    }
    switch (code) {
    case 2: case 3: case 81:
        break;
    case 4:
        row.object = GroupLabel(ArchiveNameLabels, ArchiveNameCount, a, QStringLiteral(" ?"));
        break;
    case 10: case 11:
        row.object = LinkObject(a, b);
        break;
    case 22: case 23:
        row.object = StatusObject(a, b, moistureMeterType);
        break;
    case 40: case 41:
        row.object = a >= FirstSpecialTable && a <= LastSpecialTable
                         ? Label(SpecialTableLabels + a - FirstSpecialTable)
                         : QStringLiteral("Таблица %1").arg(a);
        break;
    case 42: case 43:
        row.object = QStringLiteral("Таблица %1").arg(a);
        break;
    case 48: case 49:
        row.object = QStringLiteral("Вычислитель РГ. (Адр. = %1)").arg(b);
        break;
    case 59:
        row.object = QStringLiteral("Старое значение КС = %1").arg(Hex32(Uint32At(record.Value())));
        row.value = Hex32(Uint32At(record.SecondValue()));
        break;
    default:
        row.object = TableAndIndex(a, b);
        break;
    }
    return row;
}

DecodedDiagnostics DecodeDiagnostics(const std::vector<DiagnosticRecord>& records,
                                     const EventFileHeader& header) {
    DecodedDiagnostics out;
    out.rows.reserve(records.size());
    for (const DiagnosticRecord& r : records) {
        out.rows.push_back(DecodeDiagnostic(r, header.moistureMeterType));
        if (!r.Intact())
            ++out.damaged;
    }
    return out;
}

QString PeriodDateText(const PackedDate& d) {
    return QString::asprintf("%02d.%02d.%02d %02d:%02d:%02d", d.Day, d.Month, d.Year, d.Hour, d.Minute,
                             d.Second);
}

QString DiagnosticTitleByIndex(uint32_t firstIndex, uint32_t count) {
    return QStringLiteral("Диагностические сообщения с индексами от %1 до %2")
        .arg(firstIndex)
        .arg(uint32_t(firstIndex + count - 1));
}

QString DiagnosticTitleByPeriod(const EventFileHeader& header) {
    return QStringLiteral("Диагностические сообщения за период с %1 по %2")
        .arg(PeriodDateText(header.first), PeriodDateText(header.last));
}

}  // namespace zmk
