// The passport parameters dialog: its texts, the day list following the
// month and the year, the object list with "Новый объект" (written at once),
// and the input errors of "Принять".
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QtTest>

#include "ListDialogParts.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "reports/ObjectList.h"
#include "reports/ui/ObjectDialog.h"
#include "reports/ui/PassportDateDialog.h"

using namespace zmk;

namespace {

struct Messages {
    Messages()
        : trap([this](MessageKind kind, const MessageLook& look) {
              kinds.append(kind);
              seen.append(look);
              return false;
          }) {}
    QList<MessageKind> kinds;
    QList<MessageLook> seen;
    MessageTrap trap;
};

ObjectList ListOf(const QStringList& names) {
    ObjectList list = EmptyObjectList();
    for (int i = 0; i < names.size(); ++i) {
        SetObjectName(list.Entries[i], names[i]);
        list.Entries[i].Address = uint8_t(i + 1);
    }
    list.Count = uint8_t(names.size());
    return list;
}

// The daily archive from 05.10.26 to 14.12.26.
const ArchiveBounds Archive{PackedDate{26, 10, 5, 10, 0, 0}, PackedDate{26, 12, 14, 10, 0, 0}};

template <typename T>
T* Part(const QWidget& w, const char* name) {
    return ListPart<T>(w, name);
}

void SetDate(const PassportDateDialog& d, int year, int month, int day) {
    Part<QSpinBox>(d, "yearSpin")->setValue(year);
    Part<QComboBox>(d, "monthBox")->setCurrentIndex(month - 1);
    if (day) Part<QComboBox>(d, "dayBox")->setCurrentIndex(day - 1);
}

}  // namespace

class PassportDateDialogTest : public QObject {
    Q_OBJECT

private slots:
    void textsAndTheNewestDate() {
        ObjectList list = ListOf({QStringLiteral("Южная")});
        PassportDateDialog daily(PassportKind::Daily, Archive, 10, list, QString());
        QCOMPARE(daily.windowTitle(), QStringLiteral(" Параметры отчета за сутки"));
        QCOMPARE(Part<QLabel>(daily, "oldestLabel")->text(),
                 QStringLiteral("Дата самой старой записи в архиве суточных данных:  05.10.26"));
        QCOMPARE(Part<QLabel>(daily, "newestLabel")->text(), QStringLiteral("Дата последней записи в архиве:  14.12.26"));
        QCOMPARE(Part<QSpinBox>(daily, "yearSpin")->value(), 2026);
        QCOMPARE(Part<QComboBox>(daily, "monthBox")->currentText(), QStringLiteral("Декабрь"));
        QCOMPARE(Part<QComboBox>(daily, "dayBox")->currentText(), QStringLiteral("14"));
        QCOMPARE(Part<QComboBox>(daily, "dayBox")->count(), 31);
        const QComboBox* objects = Part<QComboBox>(daily, "objectBox");
        QCOMPARE(objects->count(), 2);
        QCOMPARE(objects->itemText(1), QStringLiteral("Новый объект"));
        QCOMPARE(objects->currentIndex(), 0);
        QCOMPARE(Part<QPushButton>(daily, "acceptButton")->text(), QStringLiteral("Принять"));

        PassportDateDialog monthly(PassportKind::Monthly, Archive, 10, list, QString());
        QCOMPARE(monthly.windowTitle(), QStringLiteral(" Параметры отчета за месяц"));
        QVERIFY(Part<QComboBox>(monthly, "dayBox")->isHidden());
        QVERIFY(Part<QLabel>(monthly, "dayLabel")->isHidden());
    }

    void daysFollowTheMonthAndTheYear() {
        ObjectList list = ListOf({QStringLiteral("Южная")});
        PassportDateDialog d(PassportKind::Daily, Archive, 10, list, QString());
        SetDate(d, 2028, 1, 31);
        Part<QComboBox>(d, "monthBox")->setCurrentIndex(1);
        QCOMPARE(Part<QComboBox>(d, "dayBox")->count(), 29);
        QCOMPARE(Part<QComboBox>(d, "dayBox")->currentText(), QStringLiteral("29"));
        Part<QSpinBox>(d, "yearSpin")->setValue(2027);
        QCOMPARE(Part<QComboBox>(d, "dayBox")->count(), 28);
        QCOMPARE(Part<QComboBox>(d, "dayBox")->currentText(), QStringLiteral("28"));
    }

    void acceptChecksTheObjectAndTheArchive_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("year");
        QTest::addColumn<int>("month");
        QTest::addColumn<int>("day");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("newest day") << 0 << 2026 << 12 << 14 << true;
        QTest::newRow("oldest day") << 0 << 2026 << 10 << 5 << true;
        QTest::newRow("after the newest") << 0 << 2026 << 12 << 15 << false;
        QTest::newRow("before the oldest") << 0 << 2026 << 10 << 4 << false;
        QTest::newRow("month of the oldest") << 1 << 2026 << 10 << 0 << true;
        QTest::newRow("month before") << 1 << 2026 << 9 << 0 << false;
        QTest::newRow("month after") << 1 << 2027 << 1 << 0 << false;
    }
    void acceptChecksTheObjectAndTheArchive() {
        QFETCH(int, kind);
        QFETCH(int, year);
        QFETCH(int, month);
        QFETCH(int, day);
        QFETCH(bool, accepted);
        ObjectList list = ListOf({QStringLiteral("Южная"), QStringLiteral("Северная")});
        list.Selected = 1;
        PassportDateDialog d(PassportKind(kind), Archive, 7, list, QString());
        SetDate(d, year, month, day);
        Messages messages;
        Part<QPushButton>(d, "acceptButton")->click();
        QCOMPARE(d.result() == QDialog::Accepted, accepted);
        if (accepted) {
            QVERIFY(messages.seen.isEmpty());
            const PackedDate chosen = d.Chosen();
            QCOMPARE(int(chosen.Year), year - 2000);
            QCOMPARE(int(chosen.Month), month);
            QCOMPARE(int(chosen.Day), kind == 0 ? day : 1);
            QCOMPARE(int(chosen.Hour), 7);
            QCOMPARE(int(list.Selected), 1);
        } else {
            QCOMPARE(messages.seen.size(), 1);
            QCOMPARE(messages.kinds[0], MessageKind::InputError);
            QCOMPARE(messages.seen[0].Line1, QStringLiteral("В архиве нет данных за указанную дату"));
            QCOMPARE(messages.seen[0].Line2, QStringLiteral("(см. период имеющихся в архиве данных)"));
        }
    }

    void noObjectChosen() {
        ObjectList list = ListOf({});
        PassportDateDialog d(PassportKind::Daily, Archive, 10, list, QString());
        QCOMPARE(Part<QComboBox>(d, "objectBox")->currentIndex(), -1);
        Messages messages;
        Part<QPushButton>(d, "acceptButton")->click();
        QVERIFY(d.result() != QDialog::Accepted);
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen[0].Line1, QStringLiteral("Не введено наименование объекта"));
    }

    void aNewObjectIsWrittenAtOnce() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("objects.ini"));
        ObjectList list = ListOf({QStringLiteral("Южная")});
        PassportDateDialog d(PassportKind::Daily, Archive, 10, list, path);
        ModalScript script;
        script.Then<ObjectDialog>([](ObjectDialog* o) {
            Part<QLineEdit>(*o, "nameEdit")->setText(QStringLiteral("ГРС-2"));
            Part<QComboBox>(*o, "addressBox")->setEditText(QStringLiteral("7"));
            Part<QPushButton>(*o, "acceptButton")->click();
        });
        script.Start();
        QComboBox* objects = Part<QComboBox>(d, "objectBox");
        objects->setCurrentIndex(1);
        emit objects->activated(1);
        QVERIFY(script.Finished());
        QCOMPARE(int(list.Count), 2);
        QCOMPARE(int(list.Selected), 1);
        QCOMPARE(objects->currentText(), QStringLiteral("ГРС-2"));
        ObjectList read = EmptyObjectList();
        QVERIFY(ReadObjectList(path, read));
        QCOMPARE(int(read.Count), 2);
        QCOMPARE(ObjectName(read.Entries[1]), QStringLiteral("ГРС-2"));
    }
};

QTEST_MAIN(PassportDateDialogTest)
#include "PassportDateDialogTest.moc"
