#include <gtest/gtest.h>

#include <QString>
#include <cstring>
#include <limits>
#include <vector>

#include "events/DiagnosticDecoder.h"
#include "events/InterventionDecoder.h"
#include "measurements/Records.h"

using namespace zmk;

namespace {

// A sealed record of 5 March 2024 07:08:09 by operator "Ива".
InterventionRecord Record(int table, int field, int unit, uint32_t oldValue, uint32_t newValue,
                          const char* name = "\xC8\xE2\xE0") {
    InterventionRecord r;
    const uint8_t date[] = {24, 3, 5, 7, 8, 9};
    std::memcpy(r.bytes.data(), date, sizeof date);
    r.bytes[6] = 0x77;  // not interpreted
    r.bytes[7] = uint8_t(table);
    r.bytes[8] = uint8_t(field);
    r.bytes[9] = uint8_t(unit);
    PutUint32(r.bytes.data() + 10, oldValue);
    PutUint32(r.bytes.data() + 14, newValue);
    std::memcpy(r.bytes.data() + 18, name, strnlen(name, 4));
    r.Seal();
    return r;
}

uint32_t Bits(float value) {
    uint32_t u;
    std::memcpy(&u, &value, sizeof u);
    return u;
}

constexpr uint32_t NaNBits = 0x7FC00000u;

struct Case {
    int table, field, unit;
    uint32_t oldValue, newValue;
    const char* name;
    const char* oldText;
    const char* newText;
    const char* unitText;
};

void PrintTo(const Case& c, std::ostream* os) {
    *os << "table " << c.table << " field " << c.field << " old " << c.oldValue << " new " << c.newValue;
}

class InterventionFields : public ::testing::TestWithParam<Case> {};

}  // namespace

TEST_P(InterventionFields, RowTexts) {
    const Case& c = GetParam();
    const InterventionRow row =
        DecodeIntervention(Record(c.table, c.field, c.unit, c.oldValue, c.newValue), ControllerTextCodePage::Windows1251);
    EXPECT_EQ(row.date, QStringLiteral("    05.03.24"));
    EXPECT_EQ(row.time, QStringLiteral("    07:08:09"));
    EXPECT_EQ(row.name, QString::fromUtf8(c.name));
    EXPECT_EQ(row.oldValue, QString::fromUtf8(c.oldText));
    EXPECT_EQ(row.newValue, QString::fromUtf8(c.newText));
    EXPECT_EQ(row.unit, QString::fromUtf8(c.unitText));
    EXPECT_EQ(row.operatorName, QStringLiteral("Ива"));
}

// clang-format off
INSTANTIATE_TEST_SUITE_P(ByTableAndField, InterventionFields, ::testing::Values(
    // Clock (table 2).
    Case{2, 0, 0, 24, 5, "Время, год", "  24", "  05", ""},
    Case{2, 5, 0, 59, 0, "Время, секунда", "  59", "  00", ""},
    Case{2, 6, 0, 1, 7, "Время, день недели", "Воскресенье", "Суббота", ""},
    Case{2, 6, 0, 0, 8, "Время, день недели", "?", "?", ""},
    Case{2, 7, 0, 0, 0x80, "Тип времени", "Летнее", "Зимнее", ""},
    Case{2, 7, 0, 1, 0xFF, "Тип времени", "Зимнее", "Зимнее", ""},
    Case{2, 8, 0, 1, 2, "Табл. 2;  Поле 8", "", "", ""},
    // Link to the upper level (table 3): the rate unit replaces the stored one.
    Case{3, 0, 0, 1, 255, "Адрес контроллера", "1", "255", ""},
    Case{3, 1, 5, 11, 15, "Скорость обмена с ВУ", "9600", "19200", "бит/с"},
    Case{3, 1, 0, 21, 22, "Скорость обмена с ВУ", "230400", "0", "бит/с"},
    Case{3, 1, 99, 0, 255, "Скорость обмена с ВУ", "300", "0", "бит/с"},
    Case{3, 2, 0, 3, 10, "Кол. преамбул при ответе ВУ", "3", "10", ""},
    Case{3, 3, 0, 1, 2, "Табл.3.  Резервное поле № 3", "", "", ""},
    Case{4, 7, 0, 1, 2, "Параметры доступа пользователя", "", "", ""},
    Case{4, 250, 0, 1, 2, "Параметры доступа пользователя", "", "", ""},
    // Clock changes (table 6).
    Case{6, 0, 0, 3, 0, "Месяц перехода на летнее время", "Март", "Переход запрещен", ""},
    Case{6, 3, 0, 12, 13, "Месяц перехода на зимнее время", "Декабрь", "?", ""},
    Case{6, 4, 0, 25, 0xC9, "День перехода на зимнее время", "25", "пВс", ""},
    Case{6, 1, 0, 0x89, 0xF9, "День перехода на летнее время", "1Вс", "пСб", ""},
    Case{6, 1, 0, 0xFA, 0xFB, "День перехода на летнее время", "ппСб", "Сб", ""},
    Case{6, 1, 0, 0x93, 0x7F, "День перехода на летнее время", "3Пн", "31", ""},
    Case{6, 4, 0, 0x80, 0x8C, "День перехода на зимнее время", "?", "?", ""},
    Case{6, 4, 0, 0xC1, 0xB8, "День перехода на зимнее время", "?", "?", ""},
    Case{6, 2, 0, 2, 3, "Час перехода на летнее время", "2", "3", ""},
    Case{6, 6, 0, 10, 9, "Контрактный час", "10", "9", ""},
    Case{6, 7, 0, 0, 5, "Наличие подключенного хроматографа", "Нет", "Есть", ""},
    Case{6, 8, 0, 1, 0, "Наличие подключенного влагомера", "Есть", "Нет", ""},
    Case{6, 9, 0, 1, 0, "Табл.6.  Резервное поле № 9", "", "", ""},
    // Flow-computer link (table 9); "c" before the device is a Latin letter.
    Case{9, 0, 0, 2, 16, "Количество подключенных ВРГ", "2", "16", ""},
    Case{9, 1, 0, 11, 18, "Скорость обмена \x63 ВРГ", "9600", "38400", "бит/с"},
    Case{9, 4, 0, 3, 5, "Кол. преамбул  в запросе к вычислителю РГ", "3", "5", ""},
    Case{9, 5, 0, 3, 4, "Режим записи параметров газа в ВРГ", "За сутки (безусл.)", "?", ""},
    Case{9, 6, 0, 3, 4, "Табл. 9;  Поле 6", "", "", ""},
    // Passwords are never shown.
    Case{13, 2, 0, 0x31323334u, 0x35363738u, "Пароль на запись в ВРГ 3", "", "", ""},
    Case{13, 16, 0, 1, 2, "Пароль на запись в ВРГ № ?", "", "", ""},
    // Analysers (tables 14, 15).
    Case{14, 1, 0, 11, 15, "Скорость обмена \x63 хроматографом", "9600", "19200", "бит/с"},
    Case{14, 2, 0, 0, 1, "Режим обмена MODBUS с хроматографом", " ASCII", " RTU", ""},
    Case{14, 3, 0, 2, 4, "Тип четности хроматографа", "Четный", "Всегда 1", ""},
    Case{14, 3, 0, 0, 5, "Тип четности хроматографа", "Отсутств.", "?", ""},
    Case{14, 6, 0, 4, 7, "Тип хроматографа", "NGC8200", "?", ""},
    Case{14, 7, 0, 1, 0, "Табл.14.  Резервное поле № 7", "", "", ""},
    Case{15, 1, 0, 0, 1, "Скорость обмена \x63 влагомером", "300", "600", "бит/с"},
    Case{15, 5, 0, 3, 4, "Кол. неудачных опросов влагомера", "3", "4", ""},
    Case{15, 6, 0, 1, 3, "Тип влагомера", "ФОГ-3Г", "ZEGAZ Duo", ""},
    Case{15, 6, 0, 4, 255, "Тип влагомера", "?", "?", ""},
    Case{15, 7, 0, 1, 0, "Табл.15.  Резервное поле № 7", "", "", ""},
    // Per flow computer (tables 17..20).
    Case{17, 0, 0, 1, 3, "Тип ВРГ 1", "ФЛОУКОР, ПМ-3В", "ДФ-1", ""},
    Case{17, 16, 0, 0, 4, "Тип ВРГ  № ?", "ФЛОУТЭК", "?", ""},
    Case{18, 15, 0, 1, 200, "Адрес подключенного ВРГ 16", "1", "200", ""},
    Case{18, 20, 0, 1, 2, "Адрес подключенного ВРГ № ?", "1", "2", ""},
    Case{19, 0, 0, 0x0A, 0xFF, "Необходимость записи парам. газа для т/п ВРГ 1", " 0x0A", " 0xFF", ""},
    Case{19, 16, 0, 0, 1, "Необходимость записи парам. газа для т/п ВРГ ?", " 0x00", " 0x01", ""},
    Case{20, 1, 0, 0, 1, "Порядок байтов многоб. перем. ВРГ 2", "Мл. адрес -- ст. байт", "Мл. адрес -- мл. байт", ""},
    Case{20, 16, 0, 2, 1, "Порядок байтов многоб. перем. ВРГ № ?", "?", "Мл. адрес -- мл. байт", ""},
    // Gas parameters: distribution and the five limits with their decimals
    // (halves round away from zero).
    Case{21, 1, 0, 0, 2, "НР   Молярная доля пропана", "Не рассылать", "Ср. за посл. сутки", ""},
    Case{21, 20, 0, 1, 3, "НР    ?", "Ср. за посл. час", "?", ""},
    Case{22, 0, 5, Bits(0.01f), Bits(0.1f), "ЗН   Суммарная МД гексана и б.т.с.", "0.0100", "0.1000", "%"},
    Case{23, 11, 9, Bits(36.6f), Bits(35.0f), "НПУ  Удельная теплота сгорания высшая", "37", "35", "МДж/м3"},
    Case{23, 4, 5, Bits(0.0002f), Bits(1.2f), "НПУ  Молярная доля нео-пентана", "0.0002", "1.2000", "%"},
    Case{24, 8, 5, Bits(100.0f), Bits(99.5f), "ВПУ  Молярная доля метана", "100.000", "99.500", "%"},
    Case{25, 15, 5, Bits(97.0f), Bits(0.25f), "НДП  Молярная доля кислорода", "97.0000", "0.2500", "%"},
    Case{26, 17, 2, Bits(60.0f), Bits(-50.0f), "ВДП  Температура газа", "60.00", "-50.00", "°С"},
    Case{26, 18, 0, Bits(1.5f), Bits(2.5f), "ВДП  Параметр не используется", "2", "3", ""},
    Case{24, 20, 0, Bits(1.5f), NaNBits, "ВПУ   ?", "1.5000", "?", ""},
    Case{22, 3, 0, 0x7F800000u, 0xFF800000u, "ЗН   Молярная доля n-бутана", "?", "?", ""},
    // Distribution period and Ethernet.
    Case{28, 0, 0, 1, 24, "Период рассылки параметров газа в ВРГ", "1ч", "24ч", ""},
    Case{28, 1, 0, 1, 24, "Табл.28.  Резервное поле № 1", "", "", ""},
    Case{29, 0, 0, 0xC0A80001u, 0xFFFFFFFFu, "Параметры Ethernet. Ip адрес", "3232235521", "4294967295", ""},
    Case{29, 6, 0, 502, 0, "Параметры Ethernet. Порт ЗМК 2", "502", "0", ""},
    Case{29, 7, 0, 502, 0, "Табл. 29;  Поле 7", "", "", ""},
    // Tables the decoder does not render: generic name, unit from the record.
    Case{16, 4, 7, 1, 2, "Табл. 16;  Поле 4", "", "", "кПа"},
    Case{0, 0, 25, 1, 2, "Табл. 0;  Поле 0", "", "", "кгс/см2 * сс)"},
    Case{255, 255, 36, 1, 2, "Табл. 255;  Поле 255", "", "", "°C/(кгс/см2)"},
    Case{30, 1, 37, 1, 2, "Табл. 30;  Поле 1", "", "", "?"},
    Case{30, 1, 255, 1, 2, "Табл. 30;  Поле 1", "", "", "?"}));
// clang-format on

// The unit list of byte 9, including the Latin letters of some units.
TEST(InterventionDecoding, UnitCodes) {
    const std::vector<std::pair<int, const char*>> units = {
        {0, ""}, {1, "МПа"}, {2, "°С"}, {4, "A"}, {8, "бит/с"}, {15, "c"}, {19, "кПа/cc"},
        {20, "кгc/см2"}, {23, "МПа/cc"}, {24, "бар/cc"}, {33, "°C/кПа"}, {35, "°C/бар"}};
    for (const auto& [code, text] : units)
        EXPECT_EQ(DecodeIntervention(Record(16, 0, code, 0, 0), ControllerTextCodePage::Dos).unit,
                  QString::fromUtf8(text))
            << "unit " << code;
}

// The controller name keeps its first four characters, translated from the
// DOS code page when the controller keeps its texts there.
TEST(InterventionDecoding, ControllerNameInEitherCodePage) {
    const InterventionRecord dos = Record(5, 0, 0, 0x20919083u, 0x00008183u);  // "ГРС " / "ГБ" in CP866
    InterventionRow row = DecodeIntervention(dos, ControllerTextCodePage::Dos);
    EXPECT_EQ(row.name, QStringLiteral("Наименование контроллера"));
    EXPECT_EQ(row.oldValue, QStringLiteral("ГРС ..."));
    EXPECT_EQ(row.newValue, QStringLiteral("ГБ..."));

    const InterventionRecord win = Record(5, 3, 0, 0x20D1D0C3u, 0x4B4D5A31u);  // "ГРС " / "1ZMK" in Windows-1251
    row = DecodeIntervention(win, ControllerTextCodePage::Windows1251);
    EXPECT_EQ(row.oldValue, QStringLiteral("ГРС ..."));
    EXPECT_EQ(row.newValue, QStringLiteral("1ZMK..."));
    // Latin text is the same in both code pages.
    EXPECT_EQ(DecodeIntervention(win, ControllerTextCodePage::Dos).newValue, QStringLiteral("1ZMK..."));
}

TEST(InterventionDecoding, OperatorEndsAtAZeroByte) {
    EXPECT_EQ(DecodeIntervention(Record(3, 0, 0, 1, 2, "\xCF\xE5\xF2\xF0"), ControllerTextCodePage::Dos).operatorName,
              QStringLiteral("Петр"));
    EXPECT_EQ(DecodeIntervention(Record(3, 0, 0, 1, 2, "AB"), ControllerTextCodePage::Dos).operatorName,
              QStringLiteral("AB"));
    EXPECT_EQ(DecodeIntervention(Record(3, 0, 0, 1, 2, ""), ControllerTextCodePage::Dos).operatorName, QString());
}

TEST(InterventionDecoding, DamagedRecordInTheMiddle) {
    std::vector<InterventionRecord> records = {Record(3, 1, 0, 11, 15), Record(2, 7, 0, 0, 0x80),
                                               Record(6, 0, 0, 3, 0)};
    records[1].bytes[20] ^= 0x10;  // a bit of the operator name
    const DecodedInterventions decoded = DecodeInterventions(records, ControllerTextCodePage::Dos);
    ASSERT_EQ(decoded.rows.size(), 3u);
    EXPECT_EQ(decoded.damaged, 1);
    EXPECT_EQ(decoded.rows[1], (InterventionRow{QStringLiteral("   ***"), {}, {}, {}, {}, {}, {}}));
    EXPECT_EQ(decoded.rows[0].newValue, QStringLiteral("19200"));
    EXPECT_EQ(decoded.rows[2].newValue, QStringLiteral("Переход запрещен"));
}

TEST(InterventionDecoding, LimitValuesKeepTenSignificantDigits) {
    EXPECT_EQ(LimitValueText(0.0f, 3), QStringLiteral("0.000"));
    EXPECT_EQ(LimitValueText(-0.0001f, 3), QStringLiteral("0.000"));
    EXPECT_EQ(LimitValueText(-0.0006f, 3), QStringLiteral("-0.001"));
    EXPECT_EQ(LimitValueText(1234567.875f, 4), QStringLiteral("1234567.8750"));
    EXPECT_EQ(LimitValueText(123456789.0f, 4), QStringLiteral("123456792.0000"));
    EXPECT_EQ(LimitValueText(3.0e9f, 4), QStringLiteral("3000000000.0000"));
    EXPECT_EQ(LimitValueText(1.0e10f, 2), QStringLiteral("1.000000000e+10"));
    EXPECT_EQ(LimitValueText(std::numeric_limits<float>::max(), 4), QStringLiteral("3.402823466e+38"));
    EXPECT_EQ(LimitValueText(std::numeric_limits<float>::infinity(), 4), QStringLiteral("?"));
    EXPECT_EQ(LimitValueText(std::numeric_limits<float>::quiet_NaN(), 0), QStringLiteral("?"));
}

TEST(InterventionTitle, ByIndexAndByPeriod) {
    EXPECT_EQ(InterventionTitleByIndex(1, 10),
              QStringLiteral("Сообщения о вмешательствах оператора с индексами от 1 до 10"));
    EventFileHeader h;
    h.first = PackedDate{24, 1, 2, 3, 4, 5};
    h.last = PackedDate{24, 1, 3, 0, 0, 0};
    EXPECT_EQ(InterventionTitleByPeriod(h),
              QStringLiteral("Сообщения о вмешательствах оператора за период с 02.01.24 03:04:05 по 03.01.24 00:00:00"));
}

// Every table and field byte, with values of all ones and not-a-number,
// yields a named row: nothing the controller may send goes unshown.
TEST(InterventionDecoding, EveryTableAndFieldHasAName) {
    for (int t = 0; t < 256; ++t)
        for (int f = 0; f < 256; ++f)
            for (uint32_t value : {0xFFFFFFFFu, NaNBits}) {
                const InterventionRow row =
                    DecodeIntervention(Record(t, f, f, value, value), ControllerTextCodePage::Dos);
                ASSERT_FALSE(row.name.isEmpty()) << "table " << t << " field " << f;
                ASSERT_EQ(row.date, QStringLiteral("    05.03.24"));
            }
}
