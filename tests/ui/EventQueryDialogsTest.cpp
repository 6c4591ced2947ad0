#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest>

#include "MessageLog.h"
#include "NamedChild.h"
#include "common/MessageKind.h"
#include "common/PackedDate.h"
#include "events/ui/EventIndexDialog.h"
#include "events/ui/EventPeriodDialog.h"
#include "settings/ArchiveQuery.h"

using namespace zmk;

namespace {

PackedDate D(int day, int month, int year, int hour, int minute, int second) {
    return PackedDate{uint8_t(year), uint8_t(month), uint8_t(day), uint8_t(hour), uint8_t(minute), uint8_t(second)};
}

const char* const IndexItems[] = {"allRecords", "last100", "last50", "last10", "customRange"};

QLineEdit* Edit(const QWidget& f, const char* name) { return Named<QLineEdit>(&f, QLatin1String(name)); }
QPushButton* Button(const QWidget& f, const char* name) { return Named<QPushButton>(&f, QLatin1String(name)); }
QRadioButton* Item(const QWidget& f, const char* name) { return Named<QRadioButton>(&f, QLatin1String(name)); }
QComboBox* List(const QWidget& f, const char* name) { return Named<QComboBox>(&f, QLatin1String(name)); }
QDateEdit* Picker(const QWidget& f, const char* name) { return Named<QDateEdit>(&f, QLatin1String(name)); }

// The period the eight inputs show, "dd.MM.yy h:m:s - dd.MM.yy h:m:s".
QString ShownPeriod(const QWidget& f) {
    const auto end = [&f](const char* side) {
        const QString s = QLatin1String(side);
        return Picker(f, qPrintable(s + "Date"))->date().toString(QStringLiteral("dd.MM.yy")) +
               QStringLiteral(" %1:%2:%3")
                   .arg(List(f, qPrintable(s + "Hour"))->currentText(), List(f, qPrintable(s + "Minute"))->currentText(),
                        List(f, qPrintable(s + "Second"))->currentText());
    };
    return end("start") + QStringLiteral(" - ") + end("end");
}

void SetEnd(QWidget& f, const char* side, QDate date, const QString& h, const QString& m, const QString& s) {
    const QString name = QLatin1String(side);
    Picker(f, qPrintable(name + "Date"))->setDate(date);
    List(f, qPrintable(name + "Hour"))->setEditText(h);
    List(f, qPrintable(name + "Minute"))->setEditText(m);
    List(f, qPrintable(name + "Second"))->setEditText(s);
}

}  // namespace

class EventQueryDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        ArchiveQuery() = ArchiveQueryRecord{};
        ArchiveQuery().PeriodStart = ToDateTime(D(1, 3, 8, 12, 37, 1));
        ArchiveQuery().PeriodEnd = ToDateTime(D(2, 3, 8, 8, 5, 59));
    }

    void indexItemsFillAndLockTheFields_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("remembered");
        QTest::addColumn<uint>("oldest");
        QTest::addColumn<uint>("newest");
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("count");
        QTest::newRow("diagnostics, whole range") << 0 << 0 << 1u << 1000u << "1" << "1000";
        QTest::newRow("interventions, last 100 of 57") << 1 << 1 << 1u << 57u << "1" << "57";
        QTest::newRow("last 100") << 0 << 1 << 1u << 1000u << "901" << "100";
        QTest::newRow("last 50") << 0 << 2 << 1u << 1000u << "951" << "50";
        QTest::newRow("last 10") << 1 << 3 << 1u << 1000u << "991" << "10";
        QTest::newRow("custom") << 0 << 4 << 1u << 1000u << "" << "";
        QTest::newRow("largest indexes") << 0 << 0 << 4294967200u << 4294967295u << "4294967200" << "96";
    }

    void indexItemsFillAndLockTheFields() {
        QFETCH(int, kind);
        QFETCH(int, remembered);
        QFETCH(uint, oldest);
        QFETCH(uint, newest);
        QFETCH(QString, start);
        QFETCH(QString, count);
        ArchiveQuery().IndexChoice = remembered;
        EventIndexDialog f(EventKind(kind), {oldest, newest});
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(f.windowTitle(), kind == 0 ? QStringLiteral("Индексы архивных записей диагностики")
                                            : QStringLiteral("Индексы архивных записей о вмешательствах"));
        QCOMPARE(Named<QGroupBox>(&f, QStringLiteral("indexChoice"))->title(), QStringLiteral(" Задание для чтения данных "));
        QCOMPARE(Edit(f, "oldestIndex")->text(), QString::number(oldest));
        QCOMPARE(Edit(f, "newestIndex")->text(), QString::number(newest));
        QVERIFY(Edit(f, "oldestIndex")->isReadOnly());
        QVERIFY(Item(f, IndexItems[remembered])->isChecked());
        QCOMPARE(Edit(f, "startIndex")->text(), start);
        QCOMPARE(Edit(f, "recordCount")->text(), count);
        const bool custom = remembered == 4;
        QCOMPARE(Edit(f, "startIndex")->isEnabled(), custom);
        QCOMPARE(Edit(f, "recordCount")->isEnabled(), custom);
        QCOMPARE(f.focusWidget(), custom ? static_cast<QWidget*>(Edit(f, "startIndex")) : Button(f, "acceptButton"));
        QCOMPARE(ArchiveQuery().IndexChoice, remembered);
    }

    void indexItemClickedIsRememberedAtOnce() {
        ArchiveQuery().IndexChoice = 0;
        EventIndexDialog f(EventKind::Diagnostics, {1, 1000});
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QCOMPARE(Item(f, "allRecords")->text(), QStringLiteral("Весь диапазон данных"));
        QCOMPARE(Item(f, "last100")->text(), QStringLiteral("Последние 100 записей"));
        QCOMPARE(Item(f, "last50")->text(), QStringLiteral("Последние 50 записей"));
        QCOMPARE(Item(f, "last10")->text(), QStringLiteral("Последние 10 записей"));
        QCOMPARE(Item(f, "customRange")->text(), QStringLiteral("Заданный диапазон данных"));
        Item(f, "customRange")->click();
        QCOMPARE(ArchiveQuery().IndexChoice, 4);
        QVERIFY(Edit(f, "startIndex")->isEnabled());
        QVERIFY(Edit(f, "startIndex")->text().isEmpty());
        QCOMPARE(f.focusWidget(), Edit(f, "startIndex"));
        Item(f, "last10")->click();
        QCOMPARE(ArchiveQuery().IndexChoice, 3);
        QCOMPARE(Edit(f, "startIndex")->text(), QStringLiteral("991"));
        QVERIFY(!Edit(f, "recordCount")->isEnabled());
        // Leaving with "Выход" keeps the item chosen last.
        Button(f, "exitButton")->click();
        QCOMPARE(f.result(), int(QDialog::Rejected));
        QCOMPARE(ArchiveQuery().IndexChoice, 3);
    }

    void indexKeysAndEnter() {
        ArchiveQuery().IndexChoice = 4;
        EventIndexDialog f(EventKind::Interventions, {100, 1000});
        f.show();
        QVERIFY(QTest::qWaitForWindowActive(&f));
        QTest::keyClicks(Edit(f, "startIndex"), QStringLiteral("9a9-0 "));
        QCOMPARE(Edit(f, "startIndex")->text(), QStringLiteral("990"));
        QTest::keyClick(Edit(f, "startIndex"), Qt::Key_Return);
        QCOMPARE(f.focusWidget(), Edit(f, "recordCount"));
        QTest::keyClicks(Edit(f, "recordCount"), QStringLiteral("500"));
        QTest::keyClick(Edit(f, "recordCount"), Qt::Key_Enter);
        QCOMPARE(f.focusWidget(), Button(f, "acceptButton"));
        QVERIFY(f.isVisible());
        MessageLog log;
        QTest::keyClick(Button(f, "acceptButton"), Qt::Key_Return);
        QCOMPARE(log.seen.size(), 0);
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.Range().first, 990u);
        QCOMPARE(f.Range().count, 11u);  // reduced to what is left
    }

    void indexAcceptMessages_data() {
        QTest::addColumn<QString>("start");
        QTest::addColumn<QString>("count");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString badStart = QStringLiteral("Нелогичное значение индекса записи начала чтения");
        const QString see = QStringLiteral("(см. значения индексов начала и конца архива).");
        QTest::newRow("nothing typed") << "" << "" << QStringLiteral("Не введен индекс записи начала чтения") << "";
        QTest::newRow("before the oldest") << "99" << "1" << badStart << see;
        QTest::newRow("past the newest") << "1001" << "1" << badStart << see;
        QTest::newRow("pasted sign") << "1%0" << "1" << badStart << see;
        QTest::newRow("no count") << "100" << "" << QStringLiteral("Не введено количество записей для чтения") << "";
        QTest::newRow("count 0") << "100" << "0" << QStringLiteral("Нелогичное значение количества записей для чтения") << "";
    }

    void indexAcceptMessages() {
        QFETCH(QString, start);
        QFETCH(QString, count);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ArchiveQuery().IndexChoice = 4;
        EventIndexDialog f(EventKind::Diagnostics, {100, 1000});
        f.show();
        Edit(f, "startIndex")->setText(start);
        Edit(f, "recordCount")->setText(count);
        MessageLog log;
        Button(f, "acceptButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(f.isVisible());
        QCOMPARE(f.result(), int(QDialog::Rejected));
    }

    void periodItemsFillAndLockTheInputs_data() {
        QTest::addColumn<int>("remembered");
        QTest::addColumn<QString>("period");
        QTest::newRow("last hour after midnight") << 0 << "29.02.08 23:20:5 - 01.03.08 0:20:5";
        QTest::newRow("last day") << 1 << "29.02.08 0:20:5 - 01.03.08 0:20:5";
        QTest::newRow("custom") << 2 << "01.03.08 12:37:1 - 02.03.08 8:5:59";
    }

    void periodItemsFillAndLockTheInputs() {
        QFETCH(int, remembered);
        QFETCH(QString, period);
        ArchiveQuery().PeriodKind = remembered;
        EventPeriodDialog f(D(1, 3, 8, 0, 20, 5));
        QCOMPARE(f.windowTitle(), QStringLiteral("Ввод периода времени запрашиваемых данных"));
        QCOMPARE(Named<QGroupBox>(&f, QStringLiteral("periodChoice"))->title(), QStringLiteral(" Задание периода"));
        QVERIFY(Item(f, remembered == 0 ? "lastHour" : remembered == 1 ? "lastDay" : "customPeriod")->isChecked());
        QCOMPARE(ShownPeriod(f), period);
        for (const char* name : {"startDate", "startHour", "startMinute", "startSecond", "endDate", "endHour", "endMinute", "endSecond"})
            QCOMPARE(Named<QWidget>(&f, QLatin1String(name))->isEnabled(), remembered == 2);
        QCOMPARE(List(f, "startHour")->count(), 24);
        QCOMPARE(List(f, "endSecond")->count(), 60);
        QCOMPARE(Picker(f, "startDate")->minimumDate(), QDate(2000, 1, 1));
        QCOMPARE(ArchiveQuery().PeriodKind, remembered);
    }

    void periodAcceptMessages_data() {
        QTest::addColumn<QStringList>("start");  // hour, minute, second
        QTest::addColumn<QStringList>("end");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString range = QStringLiteral("вне допустимого диапазона");
        QTest::newRow("start hour") << QStringList{"24", "0", "0"} << QStringList{"0", "0", "0"} << QStringLiteral("Значение часа начала диапазона") << range;
        QTest::newRow("start minutes") << QStringList{"1", "60", "0"} << QStringList{"99", "0", "0"} << QStringLiteral("Значение минут начала диапазона") << range;
        QTest::newRow("start seconds") << QStringList{"1", "1", "75"} << QStringList{"0", "0", "0"} << QStringLiteral("Значение секунд начала диапазона") << range;
        QTest::newRow("end hour") << QStringList{"1", "1", "1"} << QStringList{"30", "0", "0"} << QStringLiteral("Значение часа конца диапазона") << range;
        QTest::newRow("end minutes") << QStringList{"1", "1", "1"} << QStringList{"3", "61", "0"} << QStringLiteral("Значение минут конца диапазона") << range;
        QTest::newRow("end seconds") << QStringList{"1", "1", "1"} << QStringList{"3", "1", "60"} << QStringLiteral("Значение секунд конца диапазона") << range;
        QTest::newRow("empty end seconds") << QStringList{"1", "1", "1"} << QStringList{"3", "1", ""} << QStringLiteral("Значение секунд конца диапазона") << range;
        QTest::newRow("end a second early") << QStringList{"10", "20", "30"} << QStringList{"10", "20", "29"}
                                            << QStringLiteral("Дата и время конца опроса должны быть")
                                            << QStringLiteral("больше даты и времени начала опроса");
    }

    void periodAcceptMessages() {
        QFETCH(QStringList, start);
        QFETCH(QStringList, end);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ArchiveQuery().PeriodKind = 2;
        EventPeriodDialog f(D(1, 3, 8, 0, 20, 5));
        f.show();
        SetEnd(f, "start", QDate(2008, 3, 5), start[0], start[1], start[2]);
        SetEnd(f, "end", QDate(2008, 3, 5), end[0], end[1], end[2]);
        MessageLog log;
        Button(f, "acceptButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(f.isVisible());
        // The refused period is not remembered.
        QCOMPARE(FromDateTime(ArchiveQuery().PeriodStart), D(1, 3, 8, 12, 37, 1));
    }

    void periodCustomAcceptedIsRemembered() {
        ArchiveQuery().PeriodKind = 0;
        EventPeriodDialog f(D(1, 3, 8, 0, 20, 5));
        f.show();
        Item(f, "customPeriod")->click();
        QCOMPARE(ArchiveQuery().PeriodKind, 2);
        QCOMPARE(ShownPeriod(f), QStringLiteral("01.03.08 12:37:1 - 02.03.08 8:5:59"));
        // The typed numbers go through the integer key filter.
        QLineEdit* second = List(f, "endSecond")->lineEdit();
        second->clear();
        QTest::keyClicks(second, QStringLiteral("4x2"));
        QCOMPARE(second->text(), QStringLiteral("42"));
        SetEnd(f, "start", QDate(2008, 3, 5), QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"));
        SetEnd(f, "end", QDate(2008, 3, 5), QStringLiteral("10"), QStringLiteral("20"), QStringLiteral("30"));
        MessageLog log;
        Button(f, "acceptButton")->click();
        QCOMPARE(log.seen.size(), 0);  // end equal to start is accepted
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.Period().start, D(5, 3, 8, 10, 20, 30));
        QCOMPARE(f.Period().end, D(5, 3, 8, 10, 20, 30));
        QCOMPARE(FromDateTime(ArchiveQuery().PeriodStart), D(5, 3, 8, 10, 20, 30));
        QCOMPARE(FromDateTime(ArchiveQuery().PeriodEnd), D(5, 3, 8, 10, 20, 30));
    }

    void periodLastHourAcceptedLeavesTheCustomPeriod() {
        ArchiveQuery().PeriodKind = 0;
        EventPeriodDialog f(D(15, 6, 24, 14, 20, 5));
        f.show();
        MessageLog log;
        Button(f, "acceptButton")->click();
        QCOMPARE(f.result(), int(QDialog::Accepted));
        QCOMPARE(f.Period().start, D(15, 6, 24, 13, 20, 5));
        QCOMPARE(f.Period().end, D(15, 6, 24, 14, 20, 5));
        QCOMPARE(FromDateTime(ArchiveQuery().PeriodStart), D(1, 3, 8, 12, 37, 1));
    }
};

QTEST_MAIN(EventQueryDialogsTest)
#include "EventQueryDialogsTest.moc"
