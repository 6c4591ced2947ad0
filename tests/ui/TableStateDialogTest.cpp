// The table state dialog: its rows, boxes and buttons by version and
// channel, what its write buttons hand back, and the reset.
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>

#include "MessageLog.h"
#include "NamedChild.h"
#include "link/ControllerLink.h"
#include "tables/ui/TableStateDialog.h"

using namespace zmk;

namespace {

TableSelection WithDestroyed(std::initializer_list<int> tables) {
    std::array<uint8_t, TableCount> states{};
    for (int t : tables) states[size_t(t)] = 1;
    return TableSelection::FromStates(states.data());
}

QPushButton* Button(const QWidget& d, const char* name) { return Named<QPushButton>(&d, QLatin1String(name)); }
QTableWidget* List(const QWidget& d) { return Named<QTableWidget>(&d, QStringLiteral("tableList")); }
QTableWidgetItem* Box(const TableStateDialog& d, int table) { return List(d)->item(d.RowOf(table), 2); }

std::vector<int> Marked(const TableSelection& s) {
    std::vector<int> out;
    for (int t = 0; t < TableCount; ++t)
        if (s.write[size_t(t)]) out.push_back(t);
    return out;
}

}  // namespace

class TableStateDialogTest : public QObject {
    Q_OBJECT
private slots:
    void rowsShowTheTablesAndTheirState() {
        TableStateDialog d(WithDestroyed({4, 22}), 10, ChannelDirect, {});
        QTableWidget* list = List(d);
        QCOMPARE(list->rowCount(), 21);
        QCOMPARE(list->item(0, 0)->text(), QStringLiteral(" Табл.  2.   Текущие дата и время контроллера"));
        QCOMPARE(list->item(d.RowOf(22), 0)->text(),
                 QStringLiteral(" Табл. 22.   Зона нечувствительности изменений параметров газа"));
        QCOMPARE(list->item(d.RowOf(22), 1)->text(), QStringLiteral("Да"));
        QCOMPARE(list->item(d.RowOf(22), 1)->foreground().color(), QColor(Qt::red));
        QCOMPARE(list->item(d.RowOf(3), 1)->text(), QStringLiteral("Нет"));
        QCOMPARE(d.RowOf(7), -1);
        // Fewer than 27 rows: no scroll bar, the list as tall as its rows.
        QCOMPARE(list->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        QCOMPARE(d.windowTitle(), QStringLiteral("Состояние таблиц параметров конфигурации"));
    }

    void buttonsAndBoxesByVersionAndChannel_data() {
        QTest::addColumn<int>("version");
        QTest::addColumn<int>("channel");
        QTest::addColumn<bool>("writeButtons");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("boxes");
        QTest::newRow("10 direct") << 10 << int(ChannelDirect) << false << true << true;
        QTest::newRow("10 telephone") << 10 << int(ChannelPhone) << false << true << false;
        QTest::newRow("14 direct") << 14 << int(ChannelDirect) << true << true << true;
        QTest::newRow("14 telephone") << 14 << int(ChannelPhone) << false << false << false;
        QTest::newRow("14 Ethernet") << 14 << int(ChannelEthernet) << false << false << true;
    }
    void buttonsAndBoxesByVersionAndChannel() {
        QFETCH(int, version);
        QFETCH(int, channel);
        QFETCH(bool, writeButtons);
        QFETCH(bool, reset);
        QFETCH(bool, boxes);
        const TableSelection s = version == 14 ? TableSelection::AllDestroyed() : WithDestroyed({22});
        TableStateDialog d(s, version, uint8_t(channel), {});
        QCOMPARE(Button(d, "writeAllButton")->isEnabled(), writeButtons);
        QCOMPARE(Button(d, "writeSelectedButton")->isEnabled(), writeButtons);
        QCOMPARE(Button(d, "resetButton")->isEnabled(), reset);
        QVERIFY(Button(d, "exitButton")->isEnabled());
        QCOMPARE(bool(Box(d, 22)->flags() & Qt::ItemIsEnabled), boxes);
        QCOMPARE(Box(d, 22)->checkState(), boxes ? Qt::Checked : Qt::Unchecked);
    }

    void intactClockAndUsersCannotBeChosen() {
        TableStateDialog d(WithDestroyed({22}), 10, ChannelDirect, {});
        QVERIFY(!(Box(d, 2)->flags() & Qt::ItemIsEnabled));
        QVERIFY(!(Box(d, 4)->flags() & Qt::ItemIsEnabled));
        QVERIFY(Box(d, 3)->flags() & Qt::ItemIsEnabled);
        QCOMPARE(Box(d, 3)->checkState(), Qt::Unchecked);
    }

    void writeSelectedHandsBackTheCheckedTables() {
        // A version-14 controller: every table destroyed, all boxes checked.
        TableStateDialog d(TableSelection::AllDestroyed(), 14, ChannelDirect, {});
        for (int t : {2, 3, 4, 5, 6, 9, 13, 14, 15, 17, 18, 19, 20, 21, 23, 24, 25, 26, 28, 29})
            Box(d, t)->setCheckState(Qt::Unchecked);
        Button(d, "writeSelectedButton")->click();
        QCOMPARE(d.Answer(), TableStateAnswer::WriteSelected);
        QCOMPARE(d.result(), int(QDialog::Accepted));
        // Table 2 is destroyed but unchecked; table 4 is destroyed, so written.
        QCOMPARE(Marked(d.Selection()), (std::vector<int>{4, 22}));
    }

    void writeSelectedWithNothingCheckedStays() {
        TableStateDialog d(TableSelection::AllDestroyed(), 14, ChannelDirect, {});
        for (int row = 0; row < List(d)->rowCount(); ++row) List(d)->item(row, 2)->setCheckState(Qt::Unchecked);
        MessageLog log;
        d.show();
        Button(d, "writeSelectedButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::Info));
        QCOMPARE(log.seen[0].line1, QStringLiteral("Не заданы таблицы для записи"));
        QVERIFY(d.isVisible());
        QCOMPARE(d.Answer(), TableStateAnswer::Exit);
    }

    void writeAllMarksEveryTable() {
        TableStateDialog d(TableSelection::AllDestroyed(), 14, ChannelDirect, {});
        Button(d, "writeAllButton")->click();
        QCOMPARE(d.Answer(), TableStateAnswer::WriteAll);
        QCOMPARE(int(Marked(d.Selection()).size()), 21);
    }

    void resetAsksSendsAndTellsAFailure() {
        int sent = 0;
        bool succeed = false;
        TableStateDialog d(WithDestroyed({22}), 10, ChannelDirect, [&](QString& status) {
            ++sent;
            status = QStringLiteral("Нет ответа от устройства");
            return succeed;
        });
        d.show();
        {
            MessageLog no(false);
            Button(d, "resetButton")->click();
            QCOMPARE(sent, 0);
            QCOMPARE(no.seen.size(), 1);
            QVERIFY(no.seen[0].question);
            QCOMPARE(no.seen[0].line1, QStringLiteral("Вы уверены, что хотите выполнить сброс"));
            QCOMPARE(no.seen[0].line2, QStringLiteral("всех энергонезависимых данных?"));
        }
        {
            MessageLog yes(true);
            Button(d, "resetButton")->click();
            QCOMPARE(sent, 1);
            QCOMPARE(yes.seen.size(), 2);
            QCOMPARE(yes.seen[1].line1, QStringLiteral("Команда не может быть выполнена."));
            QCOMPARE(yes.seen[1].line2, QStringLiteral("Нет ответа от устройства"));
            QVERIFY(d.isVisible());
        }
        succeed = true;
        MessageLog yes(true);
        Button(d, "resetButton")->click();
        QCOMPARE(sent, 2);
        QCOMPARE(d.Answer(), TableStateAnswer::ResetDone);
        QVERIFY(!Button(d, "resetButton")->isEnabled());
        QVERIFY(!d.isVisible());
    }
};

QTEST_MAIN(TableStateDialogTest)
#include "TableStateDialogTest.moc"
