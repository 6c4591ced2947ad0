#include <gtest/gtest.h>

#include <QStringList>

#include "live/ChromatographStatus.h"
#include "QtPrinters.h"

using namespace zmk;

namespace {

QStringList L(std::initializer_list<const char*> lines) {
    QStringList list;
    for (const char* line : lines)
        list << QString::fromUtf8(line);
    return list;
}

}  // namespace

TEST(ChromStatus, ControllerByteOfFiveMinuteRecords) {
    struct Case {
        uint8_t status;
        const char* heading;
        QStringList lines;
        bool chromatographShown;
    };
    const std::vector<Case> cases = {
        {0x00, "  Статус контроллера: 0x00", L({"Норма"}), true},
        {0x80, "  Статус контроллера: 0x80", L({"Выполнялась калибровка автоматическая хроматографа"}), true},
        {0x02, "  Статус контроллера: 0x02", L({"Контроллер был выключен"}), false},
        {0x10, "  Статус контроллера: 0x10", L({"Значение вышло за допускаемые пределы"}), true},
        {0x22, "  Статус контроллера: 0x22", L({"Контроллер был выключен", "Не было связи с хроматографом"}), false},
        {0x04, "  Статус контроллера: 0x04", {}, true},  // bit 2 has no text
        {0xFF, "  Статус контроллера: 0xFF",
         L({"Выполнялась ручная калибровка хроматографа", "Контроллер был выключен",
            "Нештатное состояние хроматографа", "Значение вышло за допускаемые пределы",
            "Не было связи с хроматографом", "Хроматограф не обновил данные",
            "Выполнялась калибровка автоматическая хроматографа"}),
         false},
        {0x4A, "  Статус контроллера: 0x4A",
         L({"Контроллер был выключен", "Нештатное состояние хроматографа", "Хроматограф не обновил данные"}),
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        const ChromStatusView view = DecodeChromStatus(ChromStatusFiveMinute, c.status, 0x01, 0x80);
        EXPECT_TRUE(view.Controller.Visible);
        EXPECT_EQ(view.Controller.Heading, QString::fromUtf8(c.heading));
        EXPECT_EQ(view.Controller.Lines, c.lines);
        EXPECT_EQ(view.Chromatograph.Visible, c.chromatographShown);
        if (!c.chromatographShown) {
            EXPECT_TRUE(view.Chromatograph.Lines.isEmpty());
        }
    }
}

TEST(ChromStatus, ControllerByteOfHourlyAndDailyRecords) {
    struct Case {
        uint8_t status;
        const char* heading;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {0x00, "  Статус контроллера: 0x00", L({"Норма"})},
        {0x02, "  Статус контроллера: 0x02", L({"Нет данных - контроллер был выключен"})},
        {0x10, "  Статус контроллера: 0x10", L({"Использовалась ЗПЗ - значение выходило за допускаемые пределы"})},
        {0x80, "  Статус контроллера: 0x80", {}},  // no text in this mode
        {0x81, "  Статус контроллера: 0x81", {}},
        {0x78, "  Статус контроллера: 0x78", L({"Использовалась ЗПЗ - был нештатный режим работы хроматографа",
                  "Использовалась ЗПЗ - значение выходило за допускаемые пределы",
                  "Использовалась ЗПЗ - не было связи с хроматографом",
                  "Использовалась ЗПЗ - хроматограф не обновил данные"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.status);
        // The chromatograph word is never shown for these records, whatever it holds.
        const ChromStatusView view = DecodeChromStatus(ChromStatusHourDay, c.status, 0xFF, 0xFF);
        EXPECT_EQ(view.Controller.Heading, QString::fromUtf8(c.heading));
        EXPECT_EQ(view.Controller.Lines, c.lines);
        EXPECT_FALSE(view.Chromatograph.Visible);
    }
    // Any mode other than 0 reads as hourly/daily.
    EXPECT_EQ(DecodeChromStatus(7, 0x02, 0, 0).Controller.Lines, L({"Нет данных - контроллер был выключен"}));
}

TEST(ChromStatus, ChromatographWord) {
    struct Case {
        uint8_t low;
        uint8_t high;
        const char* heading;
        QStringList lines;
    };
    const std::vector<Case> cases = {
        {0x00, 0x00, "  Статус хроматографа: 0x0000", L({"Норма"})},
        {0x01, 0x80, "  Статус хроматографа: 0x8001",
         L({" Неудачная автокалибровка", " Не поступают данные от хроматографа"})},
        {0x00, 0x01, "  Статус хроматографа: 0x0100", L({" Превышено рекомендуемое кол. анализов без ремонта"})},
        {0x82, 0x20, "  Статус хроматографа: 0x2082",
         L({" Сумма ненормализованных параметров вне доп. пределов", " Хроматограф не отвечает",
            " Давление газа-носителя не в норме"})},
        {0xAB, 0xCD, "  Статус хроматографа: 0xCDAB",
         L({" Неудачная автокалибровка", " Сумма ненормализованных параметров вне доп. пределов",
            " Время удержания этана не в норме", " Сбой часов реального времени", " Хроматограф не отвечает",
            " Превышено рекомендуемое кол. анализов без ремонта", " Давление газа-носителя неуправляемо",
            " Температура термостата нестабильна", " Слишком высокая температура термостата",
            " Не поступают данные от хроматографа"})},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.heading);
        const ChromStatusView view = DecodeChromStatus(ChromStatusFiveMinute, 0x00, c.low, c.high);
        ASSERT_TRUE(view.Chromatograph.Visible);
        EXPECT_EQ(view.Chromatograph.Heading, QString::fromUtf8(c.heading));
        EXPECT_EQ(view.Chromatograph.Lines, c.lines);
    }
}

TEST(ChromStatus, EveryWordBitHasItsTextInBitOrder) {
    const QStringList all = ChromatographStatusLines(0xFF, 0xFF);
    ASSERT_EQ(all.size(), 16);
    for (int bit = 0; bit < 16; ++bit) {
        const uint16_t word = uint16_t(1u << bit);
        const QStringList one = ChromatographStatusLines(uint8_t(word & 0xFF), uint8_t(word >> 8));
        ASSERT_EQ(one.size(), 1) << bit;
        EXPECT_EQ(one[0], all[bit]) << bit;
        EXPECT_TRUE(one[0].startsWith(u' ')) << bit;
        EXPECT_EQ(ChromatographStatusBitText(bit), one[0]);
    }
    EXPECT_EQ(ChromatographStatusBitText(16), QString());
    EXPECT_EQ(ChromatographStatusBitText(-1), QString());
    EXPECT_EQ(ControllerStatusBitText(ChromStatusFiveMinute, 2), QString());
    EXPECT_EQ(ControllerStatusBitText(ChromStatusFiveMinute, 8), QString());
}
