#include <gtest/gtest.h>

#include <QString>

#include "common/MessageKind.h"

using namespace zmk;

TEST(MessageLookFor, EveryKind) {
    const QString a = QStringLiteral("первая");
    const QString b = QStringLiteral("вторая");
    const QString datesLine1 = QStringLiteral("За время работы оператора изменились даты");
    const QString datesLine2 = QStringLiteral("самой старой  и последней записей в архиве.");
    struct Case {
        int kind;
        QString caption, line1, line2, line3;
        bool question;
    } cases[] = {
        {1, QStringLiteral("Ошибка"), a, b, {}, false},
        {2, QStringLiteral("Ошибка ввода параметров"), a, b, {}, false},
        {3, {}, a, b, {}, true},
        {4, {}, a, b, QStringLiteral("(см. текущее состояние контроллера)"), false},
        {5, QStringLiteral("Результат обмена с устройством"), a, b, {}, false},
        {6, {}, a, b, {}, false},
        {7, {}, a, b, QStringLiteral("Повторить попытку?"), true},
        {9, {}, datesLine1, datesLine2, a, false},
        {10, {}, datesLine1, datesLine2, a, true},
        {0, {}, a, b, {}, false},
        {8, {}, a, b, {}, false},
        {-5, {}, a, b, {}, false},
    };
    for (const Case& c : cases) {
        const MessageLook look = MessageLookFor(MessageKind(c.kind), a, b);
        EXPECT_EQ(look.Caption, c.caption) << c.kind;
        EXPECT_EQ(look.Line1, c.line1) << c.kind;
        EXPECT_EQ(look.Line2, c.line2) << c.kind;
        EXPECT_EQ(look.Line3, c.line3) << c.kind;
        EXPECT_EQ(look.Question, c.question) << c.kind;
    }
}
