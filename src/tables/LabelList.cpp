#include "tables/LabelList.h"

#include <algorithm>
#include <array>
#include <iterator>

#include "tables/Catalogue.h"

namespace zmk {

namespace {

// Entries TableCount..LabelListSize-1, in list order. Blanks at either end
// belong to the texts.
// clang-format off
const char* const FixedLabels[] = {
    // UnitLabels (38)
    "",  // 0
    "МПа",  // 1
    "°С",  // 2
    "В",  // 3
    "A",  // 4
    "%",  // 5
    "МДж",  // 6
    "кПа",  // 7
    "бит/с",  // 8
    "МДж/м3",  // 9
    "кг/м3",  // 10
    "м3/ч",  // 11
    "м3",  // 12
    "сс/кПа",  // 13
    "кгс/м2",  // 14
    "c",  // 15
    "сс",  // 16
    "мин",  // 17
    "1/сс",  // 18
    "кПа/cc",  // 19
    "кгc/см2",  // 20
    "дс",  // 21
    "бар",  // 22
    "МПа/cc",  // 23
    "бар/cc",  // 24
    "кгс/см2 * сс)",  // 25
    "г/см3",  // 26
    "мг/м3",  // 27
    "мм",  // 28
    "см3",  // 29
    "г",  // 30
    "мс",  // 31
    "мА",  // 32
    "°C/кПа",  // 33
    "°C/МПа",  // 34
    "°C/бар",  // 35
    "°C/(кгс/см2)",  // 36
    // MonthLabels (75)
    "Переход запрещен",  // 0
    "Январь",  // 1
    "Февраль",  // 2
    "Март",  // 3
    "Апрель",  // 4
    "Май",  // 5
    "Июнь",  // 6
    "Июль",  // 7
    "Август",  // 8
    "Сентябрь",  // 9
    "Октябрь",  // 10
    "Ноябрь",  // 11
    "Декабрь",  // 12
    // MonthGenitiveLabels (88)
    "января",
    "февраля",
    "марта",
    "апреля",
    "мая",
    "июня",
    "июля",
    "августа",
    "сентября",
    "октября",
    "ноября",
    "декабря",
    // WeekOrdinalLabels (100)
    "Первый",
    "Второй",
    "Третий",
    "Предпоследний",
    "Последний",
    // WeekdayLabels (105)
    "Воскресенье",
    "Понедельник",
    "Вторник",
    "Среда",
    "Четверг",
    "Пятница",
    "Суббота",
    // ShortWeekdayLabels (112)
    "Вс",
    "Пн",
    "Вт",
    "Ср",
    "Чт",
    "Пт",
    "Сб",
    // TimeKindLabels (119)
    "Летнее",
    "Зимнее",
    // ArchiveNameLabels (121)
    "Архив диагностики",  // 0
    "Архив вмешательств",  // 1
    "Глобальные индексы архива диагностики",  // 2
    "Глобальные индексы архива вмешательств",  // 3
    "Диапазон времени на стр. архива диагностики",  // 4
    "Диапазон времени на стр. архива вмешательств",  // 5
    "Архив данных, связанных с авар. ситуациями",  // 6
    "Архив оценок качества калибровки хроматографа",  // 7
    "Глоб. инд. архива качества калибр. хроматографа",  // 8
    "Диап. вр. на стр. арх. качества калибр. хромат.",  // 9
    // ModbusModeLabels (131)
    " ASCII",
    " RTU",
    // ParityLabels (133)
    "Отсутств.",
    "Нечетный",
    "Четный",
    "Всегда 0",
    "Всегда 1",
    // RequirementLabels (138)
    "Не треб.",
    "Треб.",
    // GasWriteModeLabels (140)
    "Не записывать",
    "В нач. часа (усл.)",
    "В нач. часа (безусл.)",
    "За сутки (безусл.)",
    // PresenceLabels (144)
    "Нет",
    "Есть",
    // ByteOrderLabels (146)
    "Мл. адрес -- ст. байт",
    "Мл. адрес -- мл. байт",
    // GasZoneLabels (148)
    " Норма",
    " Нижняя предупредительная зона",
    " Верхняя предупредительная зона",
    " Нижняя аварийная зона",
    " Верхняя аварийная зона",
    // CalibrationModeLabels (153)
    "Абс. калибровка",
    "Внутр. нормализ.",
    // SpecialTableLabels (155)
    "Предыдущий год",
    "Базовый год",
    "Тип времени",
    // GasSymbolLabels (158)
    "C6+47",  // 0
    "C3H8",  // 1
    "i-C4H10",  // 2
    "n-C4H10",  // 3
    "neoC5H12",  // 4
    "i-C5H12",  // 5
    "n-C5H12",  // 6
    "N2",  // 7
    "CH4",  // 8
    "CO2",  // 9
    "C2H6",  // 10
    "Hs",  // 11
    "De",  // 12
    "Wobbe",  // 13
    "C6+",  // 14
    "O2",  // 15
    "Hi",  // 16
    "T",  // 17
    "",  // 18
    "",  // 19
    // GasNameLabels (178)
    " Суммарная МД гексана и б.т.с.",  // 0
    " Молярная доля пропана",  // 1
    " Молярная доля i-бутана",  // 2
    " Молярная доля n-бутана",  // 3
    " Молярная доля нео-пентана",  // 4
    " Молярная доля i-пентана",  // 5
    " Молярная доля n-пентана",  // 6
    " Молярная доля азота",  // 7
    " Молярная доля метана",  // 8
    " Молярная доля диоксида углерода",  // 9
    " Молярная доля этана",  // 10
    " Удельная теплота сгорания высшая",  // 11
    " Плотность <реального газа>",  // 12
    " Индекс Воббе <реального газа>",  // 13
    " Суммарная МД гексана",  // 14
    " Молярная доля кислорода",  // 15
    " Уд. теплота сгорания низшая",  // 16
    " Температура газа",  // 17
    " Параметр не используется",  // 18
    " Параметр не используется",  // 19
    // ChromatographAlarmLabels (198)
    "Неисправность хроматографа",
    "Низкое давление гелия",
    "Низкое давление ПГС",
    // MoistureValueLabels (201)
    " Температура точки росы газа WDP при рабочем давлении",  // 0
    " Температура точки росы газа HDP при рабочем давлении",  // 1
    " Избыточное давление газа WDP",  // 2
    " Приведенная температура точки росы газа WDP к P абс.",  // 3
    " Избыточное давление  газа HDP",  // 4
    // ZegazStatusBitLabels (206)
    "Бит 0. General fault condition",
    "Бит 1. Reserved",
    "Бит 2. HCDP too high",
    "Бит 3. WDP too high",
    "Бит 4. DP below minimum temperature",
    "Бит 5. Cool rate limit",
    "Бит 6. Reserved",
    "Бит 7. Ambient temp too high",
    "Бит 8. Ambient temp too low",
    "Бит 9. Pressure too high",
    "Бит 10. Liquid in cell",
    "Бит 11. COMM failure",
    "Бит 12. ? (ZEGAZ 5000)",
    "Бит 13. ? (ZEGAZ 5000)",
    "Бит 14. ? (ZEGAZ 5000)",
    "Бит 15. ? (ZEGAZ 5000)",
    // TorosStatusBitLabels (222)
    "Бит 0. Грязное зеркало",
    "Бит 1. Ошибка записи",
    "Бит 2. Ошибка чтения",
    "Бит 3. Ошибка датчика давления",
    "Бит 4. Первый замер",
    "Бит 5. Изменены константы",
    "Бит 6. Изменены  настройки",
    "Бит 7. Изменены часы",
    "Бит 8. ? (ТОРОС)",
    "Бит 9. ? (ТОРОС)",
    "Бит 10. ? (ТОРОС)",
    "Бит 11. ? (ТОРОС)",
    "Бит 12. ? (ТОРОС)",
    "Бит 13. ? (ТОРОС)",
    "Бит 14. ? (ТОРОС)",
    "Бит 15. ? (ТОРОС)",
    // ZegazDuoStatusBitLabels (238)
    "Бит 0. Общая неисправность",
    "Бит 1. Неиспр. детектора конденс. углевод.",
    "Бит 2. Неиспр. детектора конденсации влаги",
    "Бит 3. Неисправность датчика давления",
    "Бит 4. Неисправность датчика температуры",
    "Бит 5. Неисправность внутр. датчика темпер.",
    "Бит 6. Неисправность датчика темпер. радиатора",
    "Бит 7. Сбой внутренней связи",
    "Бит 8. Жидкость в измер. камере",
    "Бит 9. Давление в изм. камере > допустимого",
    "Бит 10. ? (ZEGAZ Duo)",
    "Бит 11. ? (ZEGAZ Duo)",
    "Бит 12. ? (ZEGAZ Duo)",
    "Бит 13. ? (ZEGAZ Duo)",
    "Бит 14. ? (ZEGAZ Duo)",
    "Бит 15. ? (ZEGAZ Duo)",
    // ChromatographTypeLabels (254)
    "HGC 303 (HMU)",
    "HGC 303 (HDM)",
    "Siemens",
    "Encal3000",
    "NGC8200",
    "NGC8200 Dual",
    "Emerson-700",
    // MoistureMeterTypeLabels (261)
    "ZEGAZ 5000",
    "ФОГ-3Г",
    "TOROS",
    "ZEGAZ Duo",
    // FlowComputerTypeLabels (265)
    "ФЛОУТЭК",
    "ФЛОУКОР, ПМ-3В",
    "ВР-2",
    "ДФ-1",
    // DistributionModeLabels (269)
    "Не рассылать",
    "Ср. за посл. час",
    "Ср. за посл. сутки",
    // DiagnosticEventLabels (272)
    "",  // 0
    "",  // 1
    "Снято напряжение питания",  // 2
    "Подано напряжение питания",  // 3
    "Реинициализация",  // 4
    "",  // 5
    "",  // 6
    "",  // 7
    "",  // 8
    "",  // 9
    "Пропала связь",  // 10
    "Появилась связь",  // 11
    "Значение стало ниже нижней АУ",  // 12
    "Значение стало выше нижней АУ",  // 13
    "Значение стало ниже нижней ПУ",  // 14
    "Значение стало выше нижней ПУ",  // 15
    "Значение стало ниже верхней ПУ",  // 16
    "Значение стало выше верхней ПУ",  // 17
    "Значение стало ниже верхней АУ",  // 18
    "Значение стало выше верхней АУ",  // 19
    "Значение стало ненормальным",  // 20
    "Значение стало нормальным",  // 21
    "Значение стало \"ИСТИНА\"",  // 22
    "Значение стало \"ЛОЖЬ\"",  // 23
    "Положение крана стало промежут.",  // 24
    "Положение крана стало \"Закрыт\"",  // 25
    "Положение крана стало \"Открыт\"",  // 26
    "Полож. крана стало неопредел. (аварийным)",  // 27
    "Команда \"Закрыть\" с пульта",  // 28
    "Команда \"Открыть\" с пульта",  // 29
    "Команда \"Открыть\" от ЭВМ пар.1",  // 30
    "Команда \"Закрыть\" от ЭВМ пар.1",  // 31
    "Команда \"Открыть\" от ЭВМ пар.2",  // 32
    "Команда \"Закрыть\" от ЭВМ пар.2",  // 33
    "Ком. \"Останов ГРС\" от ЭВМ пар.1",  // 34
    "Ком. \"Останов ГРС\" от ЭВМ пар.2",  // 35
    "Изменился код состояния крана",  // 36
    "Ком. \"Останов ГРС\" от кнопки",  // 37
    "Ком. \"Останов ГРС\" с пульта",  // 38
    "Ком. \"Останов ГРС\" выполнена",  // 39
    "Не прошла запись в EEPROM",  // 40
    "Не прошла запись в FRAM",  // 41
    "Таблица разрушена",  // 42
    "Таблица восстановлена",  // 43
    "Значение стало ниже НДП",  // 44
    "Значение стало выше НДП",  // 45
    "Значение стало ниже ВДП",  // 46
    "Значение стало выше ВДП",  // 47
    "Парам. газа не записаны в ВРГ",  // 48
    "Параметры газа записаны в ВРГ",  // 49
    "Команда не передана",  // 50
    "Команда не выполнена",  // 51
    "Выдан упр. импульс на агрегат",  // 52
    "Значение стало меньше уставки",  // 53
    "Значение стало больше уставки",  // 54
    "Знач. стало меньше или равно уставке",  // 55
    "Знач. стало больше или равно уставке",  // 56
    "Знач. признака (бит поля) стало \"ИСТИНА\"",  // 57
    "Знач. признака (бит поля) стало \"ЛОЖЬ\"",  // 58
    "Изменилась контрольная сумма прошивки",  // 59
    "Значение стало ниже нижней АУ 2",  // 60
    "Значение стало выше нижней АУ 2",  // 61
    "Значение стало ниже верхней АУ 2",  // 62
    "Значение стало выше верхней АУ 2",  // 63
    "Команда не подана",  // 64
    "Значение стало ниже нижнего предела измер.",  // 65
    "Значение стало выше нижнего предела измер.",  // 66
    "Значение стало ниже верхнего предела измер.",  // 67
    "Значение стало выше верхнего предела измер.",  // 68
    "Поле таблицы разрушено",  // 69
    "Поле таблицы восстановлено",  // 70
    "Пропало",  // 71
    "Появилось",  // 72
    "С ВУ начали поступать необновляемые значения",  // 73
    "С ВУ начали поступать обновляемые значения (норма)",  // 74
    "Изменилась зона значения",  // 75
    "Программа перевела контроллер в режим «Ручное управление»",  // 76
    "Рестарт подключенного контроллера",  // 77
    "Изменение программного обеспечения",  // 78
    "Значение перестало обновляться",  // 79
    "Значение начало обновляться (норма)",  // 80
    "Нет данных для рассылки",  // 81
    // GasMolarFormulaLabels (354)
    " Суммарная молярная доля гексана и б.т.с.",  // 0
    " Молярная доля пропана (C3H8)",  // 1
    " Молярная доля и-бутана (i-C4H10)",  // 2
    " Молярная доля н-бутана (n-C4H10)",  // 3
    " Молярная доля нео-пентана (C5H12)",  // 4
    " Молярная доля и-пентана (i-C5H12)",  // 5
    " Молярная доля  н-пентана (n-C5H12)",  // 6
    " Молярная доля азота (N2)",  // 7
    " Молярная доля метана (CH4)",  // 8
    " Молярная доля диоксида углерода (CO2)",  // 9
    " Молярная доля  этана (C2H6)",  // 10
    " Удельная Тсг высшая <реального газа>",  // 11
    " Абсолютная  плотность°",  // 12
    " Индекс Воббе <реального газа>",  // 13
    " Суммарная молярная доля гексана",  // 14
    " Молярная доля кислорода",  // 15
    " Удельная теплота сгорания низшая",  // 16
    " Температура газа",  // 17
    " Параметр не используется",  // 18
    " Параметр не используется",  // 19
    // GasVolumeFormulaLabels (374)
    " Суммарная объемная доля гексана и б.т.с.",  // 0
    " Объемная доля пропана (C3H8)",  // 1
    " Объемная доля и-бутана (i-C4H10)",  // 2
    " Объемная доля н-бутана (n-C4H10)",  // 3
    " Объемная доля нео-пентана (C5H12)",  // 4
    " Объемная доля и-пентана (i-C5H12)",  // 5
    " Объемная доля  н-пентана (n-C5H12)",  // 6
    " Объемная доля азота (N2)",  // 7
    " Объемная доля метана (CH4)",  // 8
    " Объемная доля диоксида углерода (CO2)",  // 9
    " Объемная доля  этана (C2H6)",  // 10
    " Удельная Тсг высшая <реального газа>",  // 11
    " Абсолютная  плотность",  // 12
    " Индекс Воббе <реального газа>",  // 13
    " Суммарная объемная доля гексана",  // 14
    " Объемная доля кислорода",  // 15
    " Удельная теплота сгорания низшая",  // 16
    " Температура газа",  // 17
    " Параметр не используется",  // 18
    " Параметр не используется",  // 19
    // AccessLevelLabels (394)
    "Нет доступа",
    "Производитель-наладчик",
    "Администратор",
    "Инженер",
    "Оператор",
};
// clang-format on

struct Group {
    int start;
    int count;
};

// Every group in list order; they must follow one another without gaps and
// end exactly at the end of the list.
constexpr Group Groups[] = {
    {TableNameLabels, TableNameCount},
    {UnitLabels, UnitCount},
    {MonthLabels, MonthChoiceCount},
    {MonthGenitiveLabels, MonthCount},
    {WeekOrdinalLabels, WeekOrdinalCount},
    {WeekdayLabels, WeekdayCount},
    {ShortWeekdayLabels, WeekdayCount},
    {TimeKindLabels, TimeKindCount},
    {ArchiveNameLabels, ArchiveNameCount},
    {ModbusModeLabels, ModbusModeCount},
    {ParityLabels, ParityCount},
    {RequirementLabels, RequirementCount},
    {GasWriteModeLabels, GasWriteModeCount},
    {PresenceLabels, PresenceCount},
    {ByteOrderLabels, ByteOrderCount},
    {GasZoneLabels, GasZoneCount},
    {CalibrationModeLabels, CalibrationModeCount},
    {SpecialTableLabels, SpecialTableCount},
    {GasSymbolLabels, GasParameterCount},
    {GasNameLabels, GasParameterCount},
    {ChromatographAlarmLabels, ChromatographAlarmCount},
    {MoistureValueLabels, MoistureValueCount},
    {ZegazStatusBitLabels, StatusBitCount},
    {TorosStatusBitLabels, StatusBitCount},
    {ZegazDuoStatusBitLabels, StatusBitCount},
    {ChromatographTypeLabels, ChromatographTypeCount},
    {MoistureMeterTypeLabels, MoistureMeterTypeCount},
    {FlowComputerTypeLabels, FlowComputerTypeCount},
    {DistributionModeLabels, DistributionModeCount},
    {DiagnosticEventLabels, DiagnosticEventCount},
    {GasMolarFormulaLabels, GasParameterCount},
    {GasVolumeFormulaLabels, GasParameterCount},
    {AccessLevelLabels, AccessLevelCount},
};

constexpr bool GroupsTileTheList() {
    int next = 0;
    for (const Group& g : Groups) {
        if (g.start != next || g.count <= 0)
            return false;
        next = g.start + g.count;
    }
    return next == LabelListSize;
}

static_assert(TableNameCount == TableCount);
static_assert(GroupsTileTheList(), "label groups must follow one another and fill the list");
static_assert(std::size(FixedLabels) == LabelListSize - TableCount,
              "the fixed part must hold exactly the entries after the table names");

using LabelTable = std::array<const char*, LabelListSize>;

// The whole list as UTF-8 texts: the catalogue's table names, then the fixed part.
const LabelTable& Entries() {
    static const LabelTable entries = [] {
        LabelTable list{};
        for (int table = 0; table < TableCount; ++table)
            list[table] = Descriptor(table).name;
        std::copy(std::begin(FixedLabels), std::end(FixedLabels), list.begin() + TableCount);
        return list;
    }();
    return entries;
}

}  // namespace

QString Label(int index) {
    if (index < 0 || index >= LabelListSize)
        return QString();
    return QString::fromUtf8(Entries()[index]);
}

int LabelCount() { return LabelListSize; }

QString GroupLabel(int groupStart, int groupSize, int value, const QString& outside) {
    if (value < 0 || value >= groupSize || groupStart < 0 || groupStart >= LabelListSize ||
        value >= LabelListSize - groupStart)
        return outside;
    return Label(groupStart + value);
}

int StatusBitBlock(int moistureMeterType) {
    switch (moistureMeterType) {
    case MoistureMeterZegaz5000:
        return ZegazStatusBitLabels;
    case MoistureMeterToros:
        return TorosStatusBitLabels;
    case MoistureMeterZegazDuo:
        return ZegazDuoStatusBitLabels;
    default:
        return -1;
    }
}

}  // namespace zmk
