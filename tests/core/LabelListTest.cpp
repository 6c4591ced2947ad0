#include <gtest/gtest.h>

#include <QByteArray>
#include <QString>
#include <climits>
#include <set>

#include "common/Cp1251.h"
#include "tables/Catalogue.h"
#include "tables/LabelList.h"

using namespace zmk;

namespace {

QString U(const char* utf8) { return QString::fromUtf8(utf8); }

struct GroupCase {
    int first;       // first entry of the group in the list
    int start;       // the exported group start
    int count;       // the exported group size
    const char* firstText;
    const char* lastText;
};

// First and last entry of every group after the table names, texts exactly as
// the controller's vocabulary has them (blanks included).
const GroupCase Groups[] = {
    {38, UnitLabels, UnitCount, "", "°C/(кгс/см2)"},
    {75, MonthLabels, MonthChoiceCount, "Переход запрещен", "Декабрь"},
    {88, MonthGenitiveLabels, MonthCount, "января", "декабря"},
    {100, WeekOrdinalLabels, WeekOrdinalCount, "Первый", "Последний"},
    {105, WeekdayLabels, WeekdayCount, "Воскресенье", "Суббота"},
    {112, ShortWeekdayLabels, WeekdayCount, "Вс", "Сб"},
    {119, TimeKindLabels, TimeKindCount, "Летнее", "Зимнее"},
    {121, ArchiveNameLabels, ArchiveNameCount, "Архив диагностики",
     "Диап. вр. на стр. арх. качества калибр. хромат."},
    {131, ModbusModeLabels, ModbusModeCount, " ASCII", " RTU"},
    {133, ParityLabels, ParityCount, "Отсутств.", "Всегда 1"},
    {138, RequirementLabels, RequirementCount, "Не треб.", "Треб."},
    {140, GasWriteModeLabels, GasWriteModeCount, "Не записывать", "За сутки (безусл.)"},
    {144, PresenceLabels, PresenceCount, "Нет", "Есть"},
    {146, ByteOrderLabels, ByteOrderCount, "Мл. адрес -- ст. байт", "Мл. адрес -- мл. байт"},
    {148, GasZoneLabels, GasZoneCount, " Норма", " Верхняя аварийная зона"},
    {153, CalibrationModeLabels, CalibrationModeCount, "Абс. калибровка", "Внутр. нормализ."},
    {155, SpecialTableLabels, SpecialTableCount, "Предыдущий год", "Тип времени"},
    {158, GasSymbolLabels, GasParameterCount, "C6+47", ""},
    {178, GasNameLabels, GasParameterCount, " Суммарная МД гексана и б.т.с.", " Параметр не используется"},
    {198, ChromatographAlarmLabels, ChromatographAlarmCount, "Неисправность хроматографа",
     "Низкое давление ПГС"},
    {201, MoistureValueLabels, MoistureValueCount,
     " Температура точки росы газа WDP при рабочем давлении", " Избыточное давление  газа HDP"},
    {206, ZegazStatusBitLabels, StatusBitCount, "Бит 0. General fault condition", "Бит 15. ? (ZEGAZ 5000)"},
    {222, TorosStatusBitLabels, StatusBitCount, "Бит 0. Грязное зеркало", "Бит 15. ? (ТОРОС)"},
    {238, ZegazDuoStatusBitLabels, StatusBitCount, "Бит 0. Общая неисправность", "Бит 15. ? (ZEGAZ Duo)"},
    {254, ChromatographTypeLabels, ChromatographTypeCount, "HGC 303 (HMU)", "Emerson-700"},
    {261, MoistureMeterTypeLabels, MoistureMeterTypeCount, "ZEGAZ 5000", "ZEGAZ Duo"},
    {265, FlowComputerTypeLabels, FlowComputerTypeCount, "ФЛОУТЭК", "ДФ-1"},
    {269, DistributionModeLabels, DistributionModeCount, "Не рассылать", "Ср. за посл. сутки"},
    {272, DiagnosticEventLabels, DiagnosticEventCount, "", "Нет данных для рассылки"},
    {354, GasMolarFormulaLabels, GasParameterCount, " Суммарная молярная доля гексана и б.т.с.",
     " Параметр не используется"},
    {374, GasVolumeFormulaLabels, GasParameterCount, " Суммарная объемная доля гексана и б.т.с.",
     " Параметр не используется"},
    {394, AccessLevelLabels, AccessLevelCount, "Нет доступа", "Оператор"},
};

}  // namespace

TEST(LabelList, GroupsStartWhereTheControllerCountsAndEndWithTheirLastText) {
    EXPECT_EQ(LabelCount(), 399);
    EXPECT_EQ(LabelCount(), LabelListSize);
    int next = TableCount;
    for (const GroupCase& g : Groups) {
        SCOPED_TRACE(g.first);
        EXPECT_EQ(g.start, g.first);
        EXPECT_EQ(g.start, next) << "gap or overlap before this group";
        EXPECT_EQ(Label(g.start), U(g.firstText));
        EXPECT_EQ(Label(g.start + g.count - 1), U(g.lastText));
        // The same entries through the group accessor.
        EXPECT_EQ(GroupLabel(g.start, g.count, 0), U(g.firstText));
        EXPECT_EQ(GroupLabel(g.start, g.count, g.count - 1), U(g.lastText));
        next = g.start + g.count;
    }
    EXPECT_EQ(next, LabelCount());
}

TEST(LabelList, TableNamesAreTheCatalogueNames) {
    for (int table = 0; table < TableCount; ++table)
        EXPECT_EQ(Label(TableNameLabels + table), TableName(table)) << table;
    EXPECT_EQ(Label(0), U(" Общие параметры идентификации"));
    EXPECT_EQ(Label(15), U("Параметры связи с влагомером по MODBUS прот."));
    EXPECT_EQ(Label(32), U(" Зона параметра газа (ЗПГ)"));
    for (int empty : {31, 36, 37})
        EXPECT_TRUE(Label(empty).isEmpty()) << empty;
}

// Every empty entry of the list; all others hold a text. A shifted or missing
// entry anywhere moves an empty text to a wrong place.
TEST(LabelList, OnlyTheKnownEntriesAreEmpty) {
    std::set<int> empty = {31, 36, 37, UnitLabels + 0, GasSymbolLabels + 18, GasSymbolLabels + 19};
    for (int code : {0, 1, 5, 6, 7, 8, 9})
        empty.insert(DiagnosticEventLabels + code);
    for (int i = 0; i < LabelCount(); ++i)
        EXPECT_EQ(Label(i).isEmpty(), empty.count(i) == 1) << i << " \"" << Label(i).toStdString() << '"';
}

TEST(LabelList, CharacteristicEntries) {
    struct Case {
        int index;
        const char* text;
    };
    const Case cases[] = {
        // Units: the codes the viewers meet most, and the odd bracket of code 25.
        {UnitLabels + 1, "МПа"},
        {UnitLabels + 8, "бит/с"},
        {UnitLabels + 9, "МДж/м3"},
        {UnitLabels + 25, "кгс/см2 * сс)"},
        // Clock-change rule and the date window.
        {MonthLabels + 1, "Январь"},
        {MonthGenitiveLabels + 5 - 1, "мая"},
        {WeekOrdinalLabels + 3, "Предпоследний"},
        {WeekdayLabels + 1 - 1, "Воскресенье"},  // table 2 weekday 1 = Sunday
        {WeekdayLabels + 2 - 1, "Понедельник"},
        {ShortWeekdayLabels + 4 - 1, "Ср"},
        // Enumerations.
        {ArchiveNameLabels + 6, "Архив данных, связанных с авар. ситуациями"},
        {ParityLabels + 2, "Четный"},
        {GasWriteModeLabels + 1, "В нач. часа (усл.)"},
        {GasZoneLabels + 3, " Нижняя аварийная зона"},
        {ChromatographTypeLabels + 4, "NGC8200"},
        {MoistureMeterTypeLabels + 1, "ФОГ-3Г"},
        {FlowComputerTypeLabels + 1, "ФЛОУКОР, ПМ-3В"},
        {DistributionModeLabels + 1, "Ср. за посл. час"},
        {AccessLevelLabels + 1, "Производитель-наладчик"},
        // Gas parameters: symbol, name and both formula names of the same parameter.
        {GasSymbolLabels + 12, "De"},
        {GasNameLabels + 12, " Плотность <реального газа>"},
        {GasMolarFormulaLabels + 12, " Абсолютная  плотность°"},
        {GasVolumeFormulaLabels + 12, " Абсолютная  плотность"},
        {GasSymbolLabels + 14, "C6+"},
        {GasNameLabels + 14, " Суммарная МД гексана"},
        {GasMolarFormulaLabels + 6, " Молярная доля  н-пентана (n-C5H12)"},
        {GasVolumeFormulaLabels + 10, " Объемная доля  этана (C2H6)"},
        {GasNameLabels + 17, " Температура газа"},
        {GasNameLabels + 18, " Параметр не используется"},
        {GasMolarFormulaLabels + 19, " Параметр не используется"},
        // Moisture meter.
        {MoistureValueLabels + 3, " Приведенная температура точки росы газа WDP к P абс."},
        {ZegazStatusBitLabels + 11, "Бит 11. COMM failure"},
        {TorosStatusBitLabels + 3, "Бит 3. Ошибка датчика давления"},
        {TorosStatusBitLabels + 6, "Бит 6. Изменены  настройки"},
        {ZegazDuoStatusBitLabels + 9, "Бит 9. Давление в изм. камере > допустимого"},
        // Diagnostic events: inner quotation marks, guillemets, the first non-empty texts.
        {DiagnosticEventLabels + 2, "Снято напряжение питания"},
        {DiagnosticEventLabels + 10, "Пропала связь"},
        {DiagnosticEventLabels + 22, "Значение стало \"ИСТИНА\""},
        {DiagnosticEventLabels + 35, "Ком. \"Останов ГРС\" от ЭВМ пар.2"},
        {DiagnosticEventLabels + 58, "Знач. признака (бит поля) стало \"ЛОЖЬ\""},
        {DiagnosticEventLabels + 76, "Программа перевела контроллер в режим «Ручное управление»"},
        {SpecialTableLabels + 243 - 242, "Базовый год"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(Label(c.index), U(c.text)) << c.index;
}

// Latin and Cyrillic letters that look alike are distinct texts: the units and
// names must carry the ones the controller's vocabulary has.
TEST(LabelList, LookAlikeLettersAreTheRightOnes) {
    struct Case {
        int index;
        int position;
        char16_t letter;
    };
    const Case cases[] = {
        {UnitLabels + 2, 1, u'\u0421'},   // "°С": Cyrillic Es
        {UnitLabels + 4, 0, u'A'},        // "A": Latin
        {UnitLabels + 15, 0, u'c'},       // "c": Latin
        {UnitLabels + 16, 0, u'\u0441'},  // "сс": Cyrillic
        {UnitLabels + 19, 4, u'c'},       // "кПа/cc"
        {UnitLabels + 20, 2, u'c'},       // "кгc/см2": Latin c, then Cyrillic с
        {UnitLabels + 20, 4, u'\u0441'},
        {UnitLabels + 33, 1, u'C'},       // "°C/кПа": Latin C
        {GasMolarFormulaLabels + 2, 15, u'\u0438'},  // "и-бутана (i-C4H10)"
        {GasMolarFormulaLabels + 2, 25, u'i'},
        {GasNameLabels + 6, 15, u'n'},               // " Молярная доля n-пентана"
        {TorosStatusBitLabels + 8, 10, u'\u0422'},   // "? (ТОРОС)": Cyrillic
    };
    for (const Case& c : cases) {
        const QString text = Label(c.index);
        ASSERT_GT(text.size(), c.position) << c.index;
        EXPECT_EQ(text.at(c.position).unicode(), c.letter) << c.index << " at " << c.position;
    }
}

TEST(LabelList, IndexOutsideTheListGivesEmptyText) {
    for (int index : {-1, -399, LabelListSize, LabelListSize + 1, 1000, INT_MIN, INT_MAX})
        EXPECT_TRUE(Label(index).isEmpty()) << index;
    EXPECT_FALSE(Label(LabelListSize - 1).isEmpty());
}

TEST(GroupLabel, ValueOutsideItsGroupGivesTheCallersText) {
    const QString q = QStringLiteral("?");
    struct Case {
        int start, size, value;
        const char* expected;  // nullptr: the caller's text for an unknown value
    };
    const Case cases[] = {
        {GasZoneLabels, GasZoneCount, 4, " Верхняя аварийная зона"},
        {GasZoneLabels, GasZoneCount, 5, nullptr},  // would be "Абс. калибровка"
        {GasZoneLabels, GasZoneCount, -1, nullptr},  // would be "Мл. адрес -- мл. байт"
        {GasZoneLabels, GasZoneCount, 255, nullptr},
        {ParityLabels, 3, 2, "Четный"},  // a viewer that knows parities 0..2 only
        {ParityLabels, 3, 3, nullptr},
        {MonthLabels, MonthChoiceCount, 13, nullptr},  // would be "января"
        {AccessLevelLabels, AccessLevelCount, 5, nullptr},  // past the end of the list
        {AccessLevelLabels, 10, 5, nullptr},  // a group reaching past the list
        {DiagnosticEventLabels, DiagnosticEventCount, 82, nullptr},
        {DiagnosticEventLabels, DiagnosticEventCount, INT_MAX, nullptr},
        {DiagnosticEventLabels, INT_MAX, INT_MAX - 1, nullptr},  // no overflow into the list
        {DiagnosticEventLabels, DiagnosticEventCount, INT_MIN, nullptr},
        {-5, 10, 7, nullptr},
        {INT_MAX, 10, 0, nullptr},
        {UnitLabels, 0, 0, nullptr},  // an empty group has no values
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.start << " size " << c.size << " value " << c.value);
        if (c.expected) {
            EXPECT_EQ(GroupLabel(c.start, c.size, c.value, q), U(c.expected));
            EXPECT_EQ(GroupLabel(c.start, c.size, c.value), U(c.expected));
        } else {
            EXPECT_EQ(GroupLabel(c.start, c.size, c.value, q), q);
            EXPECT_TRUE(GroupLabel(c.start, c.size, c.value).isEmpty());
        }
    }
}

TEST(GroupLabel, MoistureMeterStatusBitsByMeterType) {
    struct Case {
        int type;
        int block;
    };
    const Case cases[] = {
        {MoistureMeterZegaz5000, ZegazStatusBitLabels}, {MoistureMeterFog3G, -1},
        {MoistureMeterToros, TorosStatusBitLabels},     {MoistureMeterZegazDuo, ZegazDuoStatusBitLabels},
        {4, -1}, {-1, -1}, {255, -1},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StatusBitBlock(c.type), c.block) << c.type;

    // Bit 3 of a TOROS (type 2), bit 0 of a ZEGAZ Duo, bit 16 of anything.
    EXPECT_EQ(GroupLabel(StatusBitBlock(2), StatusBitCount, 3), U("Бит 3. Ошибка датчика давления"));
    EXPECT_EQ(GroupLabel(StatusBitBlock(3), StatusBitCount, 0), U("Бит 0. Общая неисправность"));
    EXPECT_EQ(GroupLabel(StatusBitBlock(0), StatusBitCount, 16, QStringLiteral("?")), QStringLiteral("?"));
    // No block for a ФОГ-3Г: the bit is outside any group.
    EXPECT_TRUE(GroupLabel(StatusBitBlock(MoistureMeterFog3G), StatusBitCount, 3).isEmpty());
}

// Texts end up in Windows-1251 records, files and printouts.
TEST(LabelList, EveryEntryHasWindows1251Bytes) {
    for (int i = 0; i < LabelCount(); ++i) {
        const QString text = Label(i);
        bool ok = false;
        const QByteArray bytes = ToCp1251(text, &ok);
        EXPECT_TRUE(ok) << i << " \"" << text.toStdString() << '"';
        EXPECT_EQ(bytes.size(), text.size()) << i;
        EXPECT_EQ(FromCp1251(bytes), text) << i;
    }
    // Spot checks of the bytes of the non-ASCII signs in the list.
    EXPECT_EQ(ToCp1251(Label(UnitLabels + 2)), QByteArray("\xB0\xD1"));  // "°С"
    EXPECT_EQ(ToCp1251(Label(DiagnosticEventLabels + 76)).right(1), QByteArray("\xBB"));  // "»"
}
