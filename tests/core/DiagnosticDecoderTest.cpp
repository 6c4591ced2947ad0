#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "events/DiagnosticDecoder.h"
#include "measurements/Records.h"

using namespace zmk;

namespace {

// A sealed record of 5 March 2024 07:08:09 with the code, the two arguments
// and the two 4-byte values as given.
DiagnosticRecord Record(int code, int a, int b, uint32_t x = 0, uint32_t y = 0) {
    DiagnosticRecord r;
    const uint8_t date[] = {24, 3, 5, 7, 8, 9};
    std::memcpy(r.bytes.data(), date, sizeof date);
    r.bytes[6] = uint8_t(code);
    r.bytes[7] = 0xA5;  // not interpreted
    r.bytes[8] = uint8_t(a);
    r.bytes[9] = uint8_t(b);
    PutUint32(r.bytes.data() + 10, x);
    PutUint32(r.bytes.data() + 14, y);
    r.bytes[18] = 0x5A;
    r.bytes[19] = 0xC3;
    r.Seal();
    return r;
}

uint32_t Bits(float value) {
    uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    return u;
}

struct Case {
    int code, a, b;
    uint32_t x, y;
    int moistureMeterType;
    const char* event;
    const char* object;
    const char* value;
    const char* setpoint;
    const char* unit;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << "code " << c.code << " A " << c.a << " B " << c.b << " type " << c.moistureMeterType;
}

class DiagnosticObjects : public ::testing::TestWithParam<Case> {};

}  // namespace

// Every event text of the archive, code by code, and the text of codes beyond.
TEST(DiagnosticEventText, EveryKnownCodeAndBeyond) {
    const std::vector<std::pair<int, const char*>> texts = {
        {0, ""},
        {1, ""},
        {2, "Снято напряжение питания"},
        {3, "Подано напряжение питания"},
        {4, "Реинициализация"},
        {5, ""},
        {6, ""},
        {7, ""},
        {8, ""},
        {9, ""},
        {10, "Пропала связь"},
        {11, "Появилась связь"},
        {12, "Значение стало ниже нижней АУ"},
        {13, "Значение стало выше нижней АУ"},
        {14, "Значение стало ниже нижней ПУ"},
        {15, "Значение стало выше нижней ПУ"},
        {16, "Значение стало ниже верхней ПУ"},
        {17, "Значение стало выше верхней ПУ"},
        {18, "Значение стало ниже верхней АУ"},
        {19, "Значение стало выше верхней АУ"},
        {20, "Значение стало ненормальным"},
        {21, "Значение стало нормальным"},
        {22, "Значение стало \"ИСТИНА\""},
        {23, "Значение стало \"ЛОЖЬ\""},
        {24, "Положение крана стало промежут."},
        {25, "Положение крана стало \"Закрыт\""},
        {26, "Положение крана стало \"Открыт\""},
        {27, "Полож. крана стало неопредел. (аварийным)"},
        {28, "Команда \"Закрыть\" с пульта"},
        {29, "Команда \"Открыть\" с пульта"},
        {30, "Команда \"Открыть\" от ЭВМ пар.1"},
        {31, "Команда \"Закрыть\" от ЭВМ пар.1"},
        {32, "Команда \"Открыть\" от ЭВМ пар.2"},
        {33, "Команда \"Закрыть\" от ЭВМ пар.2"},
        {34, "Ком. \"Останов ГРС\" от ЭВМ пар.1"},
        {35, "Ком. \"Останов ГРС\" от ЭВМ пар.2"},
        {36, "Изменился код состояния крана"},
        {37, "Ком. \"Останов ГРС\" от кнопки"},
        {38, "Ком. \"Останов ГРС\" с пульта"},
        {39, "Ком. \"Останов ГРС\" выполнена"},
        {40, "Не прошла запись в EEPROM"},
        {41, "Не прошла запись в FRAM"},
        {42, "Таблица разрушена"},
        {43, "Таблица восстановлена"},
        {44, "Значение стало ниже НДП"},
        {45, "Значение стало выше НДП"},
        {46, "Значение стало ниже ВДП"},
        {47, "Значение стало выше ВДП"},
        {48, "Парам. газа не записаны в ВРГ"},
        {49, "Параметры газа записаны в ВРГ"},
        {50, "Команда не передана"},
        {51, "Команда не выполнена"},
        {52, "Выдан упр. импульс на агрегат"},
        {53, "Значение стало меньше уставки"},
        {54, "Значение стало больше уставки"},
        {55, "Знач. стало меньше или равно уставке"},
        {56, "Знач. стало больше или равно уставке"},
        {57, "Знач. признака (бит поля) стало \"ИСТИНА\""},
        {58, "Знач. признака (бит поля) стало \"ЛОЖЬ\""},
        {59, "Изменилась контрольная сумма прошивки"},
        {60, "Значение стало ниже нижней АУ 2"},
        {61, "Значение стало выше нижней АУ 2"},
        {62, "Значение стало ниже верхней АУ 2"},
        {63, "Значение стало выше верхней АУ 2"},
        {64, "Команда не подана"},
        {65, "Значение стало ниже нижнего предела измер."},
        {66, "Значение стало выше нижнего предела измер."},
        {67, "Значение стало ниже верхнего предела измер."},
        {68, "Значение стало выше верхнего предела измер."},
        {69, "Поле таблицы разрушено"},
        {70, "Поле таблицы восстановлено"},
        {71, "Пропало"},
        {72, "Появилось"},
        {73, "С ВУ начали поступать необновляемые значения"},
        {74, "С ВУ начали поступать обновляемые значения (норма)"},
        {75, "Изменилась зона значения"},
        {76, "Программа перевела контроллер в режим «Ручное управление»"},
        {77, "Рестарт подключенного контроллера"},
        {78, "Изменение программного обеспечения"},
        {79, "Значение перестало обновляться"},
        {80, "Значение начало обновляться (норма)"},
        {81, "Нет данных для рассылки"},
    };
    ASSERT_EQ(texts.size(), 82u);
    for (const auto& [code, text] : texts)
        EXPECT_EQ(DiagnosticEventText(code), QString::fromUtf8(text)) << "code " << code;
    EXPECT_EQ(DiagnosticEventText(82), QStringLiteral("Код диагностики = 82"));
    EXPECT_EQ(DiagnosticEventText(255), QStringLiteral("Код диагностики = 255"));
}

TEST_P(DiagnosticObjects, RowTexts) {
    const Case& c = GetParam();
    const DiagnosticRow row = DecodeDiagnostic(Record(c.code, c.a, c.b, c.x, c.y), c.moistureMeterType);
    EXPECT_EQ(row.date, QStringLiteral("  05.03.24"));
    EXPECT_EQ(row.time, QStringLiteral("  07:08:09"));
    EXPECT_EQ(row.event, QString::fromUtf8(c.event));
    EXPECT_EQ(row.object, QString::fromUtf8(c.object));
    EXPECT_EQ(row.value, QString::fromUtf8(c.value));
    EXPECT_EQ(row.setpoint, QString::fromUtf8(c.setpoint));
    EXPECT_EQ(row.unit, QString::fromUtf8(c.unit));
}

constexpr uint32_t NaNBits = 0x7FC00000u;
constexpr uint32_t InfBits = 0x7F800000u;

// clang-format off
INSTANTIATE_TEST_SUITE_P(ByCodeFamily, DiagnosticObjects, ::testing::Values(
    // Power and restart: no object.
    Case{2, 9, 9, 1, 1, 0, "Снято напряжение питания", "", "", "", ""},
    Case{3, 9, 9, 1, 1, 0, "Подано напряжение питания", "", "", "", ""},
    Case{81, 9, 9, 1, 1, 0, "Нет данных для рассылки", "", "", "", ""},
    // Reinitialisation of an archive: archive names 0..9, " ?" beyond.
    Case{4, 0, 0, 0, 0, 0, "Реинициализация", "Архив диагностики", "", "", ""},
    Case{4, 5, 0, 0, 0, 0, "Реинициализация", "Диапазон времени на стр. архива вмешательств", "", "", ""},
    Case{4, 9, 0, 0, 0, 0, "Реинициализация", "Диап. вр. на стр. арх. качества калибр. хромат.", "", "", ""},
    Case{4, 10, 0, 0, 0, 0, "Реинициализация", " ?", "", "", ""},
    Case{4, 255, 0, 0, 0, 0, "Реинициализация", " ?", "", "", ""},
    // Links: analysers (table 33) and flow computers (table 34); "Тaбл." with a Latin a.
    Case{10, 33, 0, 0, 0, 0, "Пропала связь", "Хроматограф", "", "", ""},
    Case{10, 33, 1, 0, 0, 0, "Пропала связь", "Влагомер", "", "", ""},
    Case{11, 33, 2, 0, 0, 0, "Появилась связь", "Т\x61бл. = 33", "", "", ""},
    Case{10, 34, 7, 0, 0, 0, "Пропала связь", "Вычислитель расхода газа (Адр. = 7)", "", "", ""},
    Case{11, 12, 7, 0, 0, 0, "Появилась связь", "Т\x61бл. = 12", "", "", ""},
    // Limit events: gas-parameter name, values, unit of the parameter.
    Case{13, 0, 8, Bits(97.1234f), Bits(90.0f), 0, "Значение стало выше нижней АУ",
         " Молярная доля метана", "97.123", "90.000", "%"},
    Case{12, 0, 11, Bits(36.5f), Bits(35.0f), 0, "Значение стало ниже нижней АУ",
         " Удельная теплота сгорания высшая", "36.500", "35.000", "МДж/м3"},
    Case{45, 0, 12, Bits(1.1f), Bits(1.05f), 0, "Значение стало выше НДП",
         " Плотность <реального газа>", "1.1000", "1.0500", "кг/м3"},
    Case{60, 0, 17, Bits(-12.5f), Bits(-50.0f), 0, "Значение стало ниже нижней АУ 2",
         " Температура газа", "-12.500", "-50.000", "°С"},
    Case{68, 0, 16, Bits(12345.6f), Bits(0.0f), 0, "Значение стало выше верхнего предела измер.",
         " Уд. теплота сгорания низшая", "12346", "0", "МДж/м3"},
    Case{17, 0, 14, Bits(5e-8f), Bits(0.00005f), 0, "Значение стало выше верхней ПУ",
         " Суммарная МД гексана", "5.0000e-08", "0.00005", "%"},
    Case{44, 0, 18, Bits(1.0f), Bits(2.0f), 0, "Значение стало ниже НДП",
         " Параметр не используется", "1.0000", "2.0000", ""},
    Case{47, 0, 20, Bits(1.0f), Bits(2.0f), 0, "Значение стало выше ВДП", "  ?", "1.0000", "2.0000", ""},
    Case{14, 0, 255, NaNBits, InfBits, 0, "Значение стало ниже нижней ПУ", "  ?", "NAN", "NAN", ""},
    Case{15, 0, 1, 0xFFFFFFFFu, Bits(0.5f), 0, "Значение стало выше нижней ПУ",
         " Молярная доля пропана", "NAN", "0.5000", "%"},
    // The upper alarm limit is not decoded like the others.
    Case{18, 14, 3, Bits(1.0f), Bits(2.0f), 0, "Значение стало ниже верхней АУ", "Табл. = 14  Инд. = 3", "", "", ""},
    Case{19, 23, 8, Bits(1.0f), Bits(2.0f), 0, "Значение стало выше верхней АУ", "Табл. = 23  Инд. = 8", "", "", ""},
    // Status flags of the chromatograph and bits of the moisture meter by its type.
    Case{22, 200, 0, 0, 0, 0, "Значение стало \"ИСТИНА\"", "Неисправность хроматографа", "", "", ""},
    Case{23, 200, 2, 0, 0, 0, "Значение стало \"ЛОЖЬ\"", "Низкое давление ПГС", "", "", ""},
    Case{22, 200, 3, 0, 0, 0, "Значение стало \"ИСТИНА\"", "Табл. = 200  Инд. = 3", "", "", ""},
    Case{22, 201, 3, 0, 0, 2, "Значение стало \"ИСТИНА\"", "Бит 3. Ошибка датчика давления", "", "", ""},
    Case{22, 201, 3, 0, 0, 1, "Значение стало \"ИСТИНА\"", "Бит 3. ? (ФОГ-3Г)", "", "", ""},
    Case{23, 201, 0, 0, 0, 0, "Значение стало \"ЛОЖЬ\"", "Бит 0. General fault condition", "", "", ""},
    Case{23, 201, 11, 0, 0, 0, "Значение стало \"ЛОЖЬ\"", "Бит 11. COMM failure", "", "", ""},
    Case{22, 201, 6, 0, 0, 2, "Значение стало \"ИСТИНА\"", "Бит 6. Изменены  настройки", "", "", ""},
    Case{22, 201, 9, 0, 0, 3, "Значение стало \"ИСТИНА\"", "Бит 9. Давление в изм. камере > допустимого", "", "", ""},
    Case{22, 201, 15, 0, 0, 3, "Значение стало \"ИСТИНА\"", "Бит 15. ? (ZEGAZ Duo)", "", "", ""},
    Case{22, 201, 15, 0, 0, 1, "Значение стало \"ИСТИНА\"", "Бит 15. ? (ФОГ-3Г)", "", "", ""},
    Case{22, 201, 3, 0, 0, 4, "Значение стало \"ИСТИНА\"", "Табл. = 201  Инд. = 3", "", "", ""},
    Case{22, 201, 16, 0, 0, 0, "Значение стало \"ИСТИНА\"", "Табл. = 201  Инд. = 16", "", "", ""},
    Case{23, 17, 1, 0, 0, 0, "Значение стало \"ЛОЖЬ\"", "Табл. = 17  Инд. = 1", "", "", ""},
    // Memory and tables.
    Case{40, 242, 0, 0, 0, 0, "Не прошла запись в EEPROM", "Предыдущий год", "", "", ""},
    Case{41, 243, 0, 0, 0, 0, "Не прошла запись в FRAM", "Базовый год", "", "", ""},
    Case{40, 244, 0, 0, 0, 0, "Не прошла запись в EEPROM", "Тип времени", "", "", ""},
    Case{41, 245, 0, 0, 0, 0, "Не прошла запись в FRAM", "Таблица 245", "", "", ""},
    Case{40, 241, 0, 0, 0, 0, "Не прошла запись в EEPROM", "Таблица 241", "", "", ""},
    Case{42, 7, 3, 0, 0, 0, "Таблица разрушена", "Таблица 7", "", "", ""},
    Case{43, 242, 3, 0, 0, 0, "Таблица восстановлена", "Таблица 242", "", "", ""},
    // Flow computers.
    Case{48, 1, 5, 0, 0, 0, "Парам. газа не записаны в ВРГ", "Вычислитель РГ. (Адр. = 5)", "", "", ""},
    Case{49, 1, 255, 0, 0, 0, "Параметры газа записаны в ВРГ", "Вычислитель РГ. (Адр. = 255)", "", "", ""},
    // Firmware checksum: old in the object, new in the value cell.
    Case{59, 0, 0, 255, 16, 0, "Изменилась контрольная сумма прошивки", "Старое значение КС = 000000FF", "00000010", "", ""},
    Case{59, 0, 0, 0xDEADBEEFu, 0xFFFFFFFFu, 0, "Изменилась контрольная сумма прошивки",
         "Старое значение КС = DEADBEEF", "FFFFFFFF", "", ""},
    // Everything else, codes without a text and unknown codes included.
    Case{0, 5, 6, 1, 1, 0, "", "Табл. = 5  Инд. = 6", "", "", ""},
    Case{7, 5, 6, 1, 1, 0, "", "Табл. = 5  Инд. = 6", "", "", ""},
    Case{53, 32, 11, Bits(1.0f), 0, 0, "Значение стало меньше уставки", "Табл. = 32  Инд. = 11", "", "", ""},
    Case{76, 0, 0, 0, 0, 0, "Программа перевела контроллер в режим «Ручное управление»", "Табл. = 0  Инд. = 0", "", "", ""},
    Case{82, 1, 2, 0, 0, 0, "Код диагностики = 82", "Табл. = 1  Инд. = 2", "", "", ""},
    Case{255, 255, 255, NaNBits, NaNBits, 0, "Код диагностики = 255", "Табл. = 255  Инд. = 255", "", "", ""}));
// clang-format on

TEST(DiagnosticRecordDecoding, DateAndTimeAsStored) {
    DiagnosticRecord r = Record(2, 0, 0);
    const uint8_t date[] = {9, 12, 31, 23, 59, 58};
    std::memcpy(r.bytes.data(), date, sizeof date);
    r.Seal();
    DiagnosticRow row = DecodeDiagnostic(r, 0);
    EXPECT_EQ(row.date, QStringLiteral("  31.12.09"));
    EXPECT_EQ(row.time, QStringLiteral("  23:59:58"));

    // Absurd date bytes are shown as they are, never cut or refused.
    const uint8_t absurd[] = {255, 200, 0, 99, 255, 128};
    std::memcpy(r.bytes.data(), absurd, sizeof absurd);
    r.Seal();
    row = DecodeDiagnostic(r, 0);
    EXPECT_EQ(row.date, QStringLiteral("  00.200.255"));
    EXPECT_EQ(row.time, QStringLiteral("  99:255:128"));
}

// A record whose checksum fails shows the mark in the date cell and nothing
// else; its neighbours are decoded as usual and the damage is counted once
// per record.
TEST(DiagnosticRecordDecoding, DamagedRecordInTheMiddle) {
    std::vector<DiagnosticRecord> records = {Record(2, 0, 0), Record(13, 0, 8, Bits(97.1234f), Bits(90.0f)),
                                             Record(42, 7, 0)};
    records[1].bytes[12] ^= 0x01;  // one bit of the value
    EventFileHeader header;
    const DecodedDiagnostics decoded = DecodeDiagnostics(records, header);
    ASSERT_EQ(decoded.rows.size(), 3u);
    EXPECT_EQ(decoded.damaged, 1);
    EXPECT_EQ(decoded.rows[1], (DiagnosticRow{QStringLiteral("   ***"), {}, {}, {}, {}, {}, {}}));
    EXPECT_EQ(decoded.rows[0].event, QStringLiteral("Снято напряжение питания"));
    EXPECT_EQ(decoded.rows[2].object, QStringLiteral("Таблица 7"));
    EXPECT_EQ(DamagedRecordsNotice(), QStringLiteral("  ***  Данные в записи недостоверны (не совпадает КС)"));

    // The checksum is checked over all 22 bytes, the uninterpreted ones too.
    DiagnosticRecord spare = Record(2, 0, 0);
    spare.bytes[18] ^= 0x80;
    EXPECT_EQ(DecodeDiagnostic(spare, 0).date, QStringLiteral("   ***"));
    DiagnosticRecord checksum = Record(2, 0, 0);
    checksum.bytes[21] ^= 0x01;
    EXPECT_EQ(DecodeDiagnostic(checksum, 0).date, QStringLiteral("   ***"));
    EXPECT_EQ(DecodeDiagnostic(DiagnosticRecord{}, 0).date, QStringLiteral("   ***"));  // all zero
}

// The moisture-meter type comes from the header of the reading.
TEST(DiagnosticRecordDecoding, StatusBitsFollowTheHeaderType) {
    EventFileHeader header;
    header.moistureMeterType = 2;
    const std::vector<DiagnosticRecord> records = {Record(22, 201, 0)};
    EXPECT_EQ(DecodeDiagnostics(records, header).rows[0].object, QStringLiteral("Бит 0. Грязное зеркало"));
    header.moistureMeterType = 3;
    EXPECT_EQ(DecodeDiagnostics(records, header).rows[0].object, QStringLiteral("Бит 0. Общая неисправность"));
}

TEST(DiagnosticTitle, ByIndexAndByPeriod) {
    EXPECT_EQ(DiagnosticTitleByIndex(100, 25), QStringLiteral("Диагностические сообщения с индексами от 100 до 124"));
    EXPECT_EQ(DiagnosticTitleByIndex(4294967290u, 6),
              QStringLiteral("Диагностические сообщения с индексами от 4294967290 до 4294967295"));
    EventFileHeader h;
    h.first = PackedDate{24, 3, 5, 7, 8, 9};
    h.last = PackedDate{24, 12, 31, 23, 0, 1};
    EXPECT_EQ(DiagnosticTitleByPeriod(h),
              QStringLiteral("Диагностические сообщения за период с 05.03.24 07:08:09 по 31.12.24 23:00:01"));
}

// Every code with extreme arguments and values yields a dated row with an
// object text; codes without an event text are only those the archive leaves empty.
TEST(DiagnosticRecordDecoding, EveryCodeAndArgument) {
    for (int code = 0; code < 256; ++code)
        for (int arg : {0, 19, 20, 33, 34, 200, 201, 244, 255})
            for (int type : {0, 1, 2, 3, 255}) {
                const DiagnosticRow row = DecodeDiagnostic(Record(code, arg, arg, 0xFFFFFFFFu, 0x7F800000u), type);
                ASSERT_EQ(row.date, QStringLiteral("  05.03.24")) << code;
                const bool silent = code == 2 || code == 3 || code == 81;
                ASSERT_EQ(row.object.isEmpty(), silent) << "code " << code << " arg " << arg;
                const bool noText = code <= 1 || (code >= 5 && code <= 9);
                ASSERT_EQ(row.event.isEmpty(), noText) << "code " << code;
            }
}
