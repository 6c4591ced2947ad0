#include "measurements/WorkbookTitles.h"

#include "settings/ReportFormat.h"

namespace zmk {

namespace {

const char16_t* const ChromTitles[TitledGasParameters][ChromTitleLines] = {
    {u"Сум. МД", u"гексана", u"и б.т.с.,"},
    {u"МД", u"пропана,", u" "},
    {u"МД", u"i-бутана,", u" "},
    {u"МД", u"n-бутана,", u" "},
    {u"МД", u"neo-", u"пентана,"},
    {u"МД", u"i-пентана,", u" "},
    {u"МД", u"n-пентана,", u" "},
    {u"МД", u"азота,", u" "},
    {u"МД", u"метана,", u" "},
    {u"МД", u"диоксида", u"углерода,"},
    {u"МД", u"этана,", u" "},
    {u"Удельная", u"Тсг", u"высшая,"},
    {u"Плотность", u"реального", u"газа,"},
    {u"Индекс", u"Воббе,", u" "},
    {u"Сум. МД", u"гексана", u""},
    {u"МД", u"кисло-", u"рода,"},
    {u"Удельная", u"Тсг", u"низшая,"},
    {u"Темпера-", u"тура газа,", u" "},
};

const char16_t* const ValueTitles[4][MoistureTitleLines] = {
    {u"Т т.росы", u"WDP", u"при Рраб.", u"°С"},
    {u"Т т.росы", u"HDP", u"при Рраб.", u"°С"},
    {u"Р изб.", u"WDP", u"", u"bar"},
    {u"Прив. Т т.росы", u"по воде", u"к Р абс.", u"°С"},
};

const char16_t* const FiveMinuteFixed[4][MoistureTitleLines] = {
    {u"  ", u"Дата", u"  ", u""},
    {u"  ", u"Время", u"  ", u""},
    {u"  ", u"Статус", u"контроллера", u""},
    {u" Признаки ", u"состояния", u"влагомера", u""},
};

const char16_t* const HourDayFixed[4][MoistureTitleLines] = {
    {u"  ", u"Дата", u"начала  ", u""},
    {u"  ", u"Время", u"начала  ", u""},
    {u"  ", u"Время", u"конца", u""},
    {u"  ", u"Статус", u"контроллера", u""},
};

template <size_t N>
QStringList Lines(const char16_t* const (&lines)[N]) {
    QStringList out;
    for (const char16_t* line : lines) out.append(QString::fromUtf16(line));
    return out;
}

}  // namespace

ValueDecimals ArchiveValueDecimals(const ReportFormat& format) {
    ValueDecimals decimals;
    for (int i = 0; i < 20; ++i) decimals.gas[i] = GasParameterDecimals(format, i);
    decimals.temperature = TemperatureDecimals(format);
    decimals.pressure = PressureDecimals(format);
    return decimals;
}

ValueDecimals CurrentArchiveDecimals() {
    return ArchiveValueDecimals(CurrentReportFormat());
}

ValueDecimals ArchiveDecimalsFromFile(const QString& path) {
    ReportFormat format = DefaultReportFormat();
    ReadReportFormat(path, format);
    return ArchiveValueDecimals(format);
}

QStringList ChromWorkbookTitle(int parameter) {
    if (parameter < 0 || parameter >= TitledGasParameters) return {QString(), QString(), QString()};
    return Lines(ChromTitles[parameter]);
}

QStringList MoistureValueTitle(int value) {
    if (value < 0 || value >= 4) return {};
    return Lines(ValueTitles[value]);
}

QStringList MoistureColumnTitle(bool fiveMinute, int column) {
    if (column < 0 || column >= 8) return {};
    if (column >= 4) return MoistureValueTitle(column - 4);
    return fiveMinute ? Lines(FiveMinuteFixed[column]) : Lines(HourDayFixed[column]);
}

}  // namespace zmk
