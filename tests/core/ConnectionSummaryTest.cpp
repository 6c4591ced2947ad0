#include <gtest/gtest.h>

#include "app/ConnectionSummary.h"

using namespace zmk;

namespace {

const QDateTime Since(QDate(2026, 12, 11), QTime(10, 15, 3));

ConnectionFacts Connected() {
    ConnectionFacts facts;
    facts.connected = true;
    facts.controllerName = QStringLiteral("ЗМК-10 ГРС Тестовая");
    facts.address = 17;
    facts.typeCode = 73;
    facts.softwareVersion = 10;
    facts.channel = QStringLiteral("Ethernet, Симулятор (IP-адр. 127.0.0.1)");
    facts.connectedSince = Since;
    return facts;
}

QString Value(const QList<SummaryLine>& lines, const QString& label) {
    for (const SummaryLine& line : lines)
        if (line.label == label) return line.value;
    return QStringLiteral("<none>");
}

}  // namespace

TEST(ConnectionSummary, NotConnectedSaysSoAlone) {
    ConnectionFacts facts = Connected();
    facts.connected = false;
    facts.exchanges.Note(LinkStatus::NoAnswer, QStringLiteral("Команда 1.  Нет ответа"), Since);
    const QList<SummaryLine> lines = SummaryLines(facts);
    ASSERT_EQ(lines.size(), 1);
    EXPECT_EQ(lines[0].value, QStringLiteral("Нет связи"));
    EXPECT_TRUE(DeadLinkWarning(facts).isEmpty());
}

TEST(ConnectionSummary, ConnectedShowsTheControllerAndTheLastExchange) {
    ConnectionFacts facts = Connected();
    EXPECT_EQ(Value(SummaryLines(facts), QStringLiteral("Последний обмен")), QStringLiteral("—"));
    facts.exchanges.Note(LinkStatus::Ok, QString(), Since.addSecs(5));
    const QList<SummaryLine> lines = SummaryLines(facts);
    EXPECT_EQ(Value(lines, QStringLiteral("Контроллер")), QStringLiteral("ЗМК-10 ГРС Тестовая"));
    EXPECT_EQ(Value(lines, QStringLiteral("Адрес")), QStringLiteral("17"));
    EXPECT_EQ(Value(lines, QStringLiteral("Код типа")), QStringLiteral("73"));
    EXPECT_EQ(Value(lines, QStringLiteral("Версия ПО")), QStringLiteral("10"));
    EXPECT_EQ(Value(lines, QStringLiteral("Канал связи")), QStringLiteral("Ethernet, Симулятор (IP-адр. 127.0.0.1)"));
    EXPECT_EQ(Value(lines, QStringLiteral("Связь установлена")), QStringLiteral("11.12.2026 10:15:03"));
    EXPECT_EQ(Value(lines, QStringLiteral("Последний обмен")), QStringLiteral("11.12.2026 10:15:08, успешно"));
    EXPECT_TRUE(DeadLinkWarning(facts).isEmpty());
}

// Which outcomes count towards a dead link, and what ends the count.
TEST(ConnectionSummary, FailuresInARowMakeTheDeadLinkWarning) {
    struct Step {
        LinkStatus status;
        int failedAfter;
    };
    const Step steps[] = {
        {LinkStatus::NoAnswer, 1},    {LinkStatus::BadChecksum, 2}, {LinkStatus::Aborted, 2},
        {LinkStatus::Busy, 2},        {LinkStatus::RecvFailed, 3},  {LinkStatus::Refused, 0},
        {LinkStatus::ByteGap, 1},     {LinkStatus::Ok, 0},          {LinkStatus::CarrierLost, 1},
    };
    ConnectionFacts facts = Connected();
    int n = 0;
    for (const Step& step : steps) {
        facts.exchanges.Note(step.status, QStringLiteral("Команда 1.  текст"), Since.addSecs(++n));
        EXPECT_EQ(facts.exchanges.FailedInARow(), step.failedAfter) << n;
        EXPECT_EQ(DeadLinkWarning(facts).isEmpty(), step.failedAfter == 0) << n;
    }
}

TEST(ConnectionSummary, TheWarningPointsAtWhatTheUserCanDo) {
    ConnectionFacts facts = Connected();
    facts.exchanges.Note(LinkStatus::NoAnswer, QStringLiteral("Команда 1.  Нет ответа"), Since);
    facts.exchanges.Note(LinkStatus::NoAnswer, QStringLiteral("Команда 1.  Нет ответа"), Since.addSecs(3));
    EXPECT_EQ(Value(SummaryLines(facts), QStringLiteral("Последний обмен")),
              QStringLiteral("11.12.2026 10:15:06, Команда 1.  Нет ответа"));
    const QString lan = DeadLinkWarning(facts);
    EXPECT_TRUE(lan.contains(QStringLiteral("(2 подряд)"))) << lan.toStdString();
    EXPECT_TRUE(lan.contains(QStringLiteral("«Связь с другим устройством»")));
    EXPECT_FALSE(lan.contains(QStringLiteral("Отключить связь")));
    facts.modemLine = true;
    const QString phone = DeadLinkWarning(facts);
    EXPECT_TRUE(phone.contains(QStringLiteral("«Отключить связь»")));
    EXPECT_TRUE(phone.contains(QStringLiteral("«Связь с другим устройством»")));
}
