// The dialogs of the gas-parameter limits offscreen: texts, formats, the
// input checks and their messages, the hexane row, and what comes back.

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QtTest>
#include <cstring>
#include <limits>
#include <vector>

#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "tables/GasLimits.h"
#include "tables/ui/GasLimitsDialogs.h"

using namespace zmk;

namespace {

// The defaults of every parameter, as a new configuration holds them.
LimitSets Defaults() {
    std::vector<uint8_t> blocks(5 * RecordGasLimitBlockSize, 0);
    FillDefaultLimits(blocks.data(), RecordGasLimitBlockSize);
    return LimitSetsFromBlocks(blocks.data(), RecordGasLimitBlockSize);
}

void Click(QWidget* form, const char* button) { Named<QPushButton>(form, QLatin1String(button))->click(); }

QLineEdit* Value(QWidget* form, int kind) { return Named<QLineEdit>(form, QStringLiteral("valueEdit%1").arg(kind)); }

QString CellText(QTableWidget* table, int row, int column) {
    QTableWidgetItem* item = table->item(row, column);
    return item ? item->text() : QString();
}

bool Same(const LimitSets& a, const LimitSets& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

}  // namespace

class GasLimitsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    void oneParameterShowsItsValuesUnitsAndRanges() {
        LimitSet set = Defaults()[12];
        GasLimitsDialog form(12, set);
        QCOMPARE(form.windowTitle(), QStringLiteral(" Параметр \"Плотность <реального газа>\" "));
        QCOMPARE(form.size(), QSize(418, 286));
        const char* values[] = {"0.0001", "0.670", "1.000", "0.660", "1.050"};
        const char* ranges[] = {"( 0.0001 - 0.0010 )", "( 0.660 - 1.050 )", "( 0.660 - 1.050 )", "( 0.660 - 1.050 )",
                                "( 0.660 - 1.050 )"};
        for (int k = 0; k < GasLimitKindCount; ++k) {
            QCOMPARE(Value(&form, k)->text(), QString::fromLatin1(values[k]));
            QCOMPARE(Named<QLabel>(&form, QStringLiteral("unitLabel%1").arg(k))->text(), QStringLiteral("кг/м3"));
            QCOMPARE(Named<QLabel>(&form, QStringLiteral("rangeLabel%1").arg(k))->text(), QString::fromLatin1(ranges[k]));
        }
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(Named<QPushButton>(&form, "cancelButton")->text(), QStringLiteral("Отменить"));

        LimitSet temperature = Defaults()[17];
        GasLimitsDialog hot(17, temperature);
        QCOMPARE(Named<QLabel>(&hot, "rangeLabel2")->text(), QStringLiteral("( 0.000 - 70.000 )"));
        QCOMPARE(Named<QLabel>(&hot, "rangeLabel3")->text(), QStringLiteral("( -50.00 - 0.00 )"));
        QCOMPARE(Named<QLabel>(&hot, "unitLabel0")->text(), QStringLiteral("°С"));
    }

    // Every refused input: the message, the dialog still open, the set as it was.
    void inputChecks_data() {
        QTest::addColumn<int>("parameter");
        QTest::addColumn<int>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<bool>("typed");  // through the key filter, else pasted
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString missing = QStringLiteral("Введены не все параметры");
        const QString range1 = QStringLiteral("Вводите значения");
        const QString range2 = QStringLiteral("согласно допустимому диапазону");
        auto row = [](const char* name, int parameter, int field, const char* value, bool typed, const QString& l1,
                      const QString& l2) {
            QTest::newRow(name) << parameter << field << QString::fromUtf8(value) << typed << l1 << l2;
        };
        row("density НПУ 0.6599", 12, 1, "0.6599", true, range1, range2);
        row("density НПУ typed with a comma 0,6599", 12, 1, "0,6599", true, range1, range2);
        row("density ЗН 0.0011", 12, 0, "0.0011", true, range1, range2);
        row("temperature ВДП 70", 17, 4, "70", true, range1, range2);
        row("temperature НДП 0.5", 17, 3, "0.5", true, range1, range2);
        row("temperature НПУ -51", 17, 1, "-51", true, range1, range2);
        row("methane НПУ 39", 8, 1, "39", true, range1, range2);
        row("methane ВДП 1e3", 8, 4, "1e3", true, range1, range2);
        row("propane ЗН 0", 1, 0, "0", true, range1, range2);
        row("empty ЗН", 1, 0, "", false, missing, "");
        row("blank ВДП", 1, 4, "   ", false, missing, "");
        row("pasted letters", 1, 2, "шесть", false, range1, range2);
        row("pasted nan", 1, 2, "nan", false, range1, range2);
        row("pasted inf", 1, 2, "inf", false, range1, range2);
        row("pasted 6%", 1, 2, "6%", false, range1, range2);
        row("typed 6% (the filter lets % through)", 1, 2, "6%", true, range1, range2);
        row("pasted 1e40", 1, 2, "1e40", false, range1, range2);
        row("pasted 1.2.3", 1, 2, "1.2.3", false, range1, range2);
    }

    void inputChecks() {
        QFETCH(int, parameter);
        QFETCH(int, field);
        QFETCH(QString, value);
        QFETCH(bool, typed);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        const LimitSet before = Defaults()[size_t(parameter)];
        LimitSet set = before;
        MessageLog log;
        {
            GasLimitsDialog form(parameter, set);
            form.show();
            Click(&form, "confirmButton");
            QVERIFY2(log.seen.isEmpty(), "the defaults must be accepted");
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        GasLimitsDialog form(parameter, set);
        form.show();
        QLineEdit* edit = Value(&form, field);
        edit->clear();
        if (typed) {
            edit->setFocus();
            QTest::keyClicks(edit, value);
        } else {
            edit->setText(value);
        }
        Click(&form, "confirmButton");
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, 2);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form.isVisible());
        QCOMPARE(std::memcmp(&set, &before, sizeof set), 0);
    }

    void acceptedValuesReplaceTheSet() {
        LimitSet set = Defaults()[12];
        MessageLog log;
        {
            GasLimitsDialog form(12, set);
            form.show();
            // Within the tolerance of the lowest density; typed with a comma.
            Value(&form, 1)->clear();
            Value(&form, 1)->setFocus();
            QTest::keyClicks(Value(&form, 1), QStringLiteral("0,6599995"));
            QCOMPARE(Value(&form, 1)->text(), QStringLiteral("0.6599995"));
            // The five values are not compared with one another.
            Value(&form, 4)->setText(QStringLiteral("0.7"));
            Click(&form, "confirmButton");
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));
        QCOMPARE(set[GasLimitKind::LowerWarning], 0.6599995f);
        QCOMPARE(set[GasLimitKind::UpperBound], 0.7f);
        QCOMPARE(set[GasLimitKind::UpperWarning], 1.0f);

        // "Отменить" keeps the set whatever was typed.
        const LimitSet kept = set;
        GasLimitsDialog form(12, set);
        form.show();
        Value(&form, 2)->setText(QStringLiteral("0.9"));
        Click(&form, "cancelButton");
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(std::memcmp(&set, &kept, sizeof set), 0);
    }

    void listShowsEveryParameterWithItsDecimals() {
        LimitSets sets = Defaults();
        GasLimitsListDialog form(sets, true, ParamsMode::Device);
        QCOMPARE(form.windowTitle(), QStringLiteral(" Уставки для контроля параметров газа"));
        QCOMPARE(form.size(), QSize(880, 512));
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Записать в устройство"));
        QCOMPARE(Named<QPushButton>(&form, "editButton")->text(), QStringLiteral("Изменить"));
        auto* table = Named<QTableWidget>(&form, "limitTable");
        QCOMPARE(table->rowCount(), 18);
        QStringList heads;
        for (int c = 0; c < table->columnCount(); ++c) heads << table->horizontalHeaderItem(c)->text();
        QCOMPARE(heads, QStringList({"№", "Наименование параметра", "Условное\nобознач.", "Единица\nизмерений", "ЗН",
                                     "НПУ", "ВПУ", "НДП", "ВДП"}));
        const struct {
            int row;
            std::array<const char*, 9> cells;
        } rows[] = {
            {0, {"   1", " Суммарная МД гексана и б.т.с.", " C6+47", " %", " 0.0100", " 0.002", " 0.600", " 0.001", " 0.600"}},
            {8, {"   9", " Молярная доля метана", " CH4", " %", " 5.0000", " 95.000", " 100.000", " 90.000", " 100.000"}},
            {9, {"  10", " Молярная доля диоксида углерода", " CO2", " %", " 0.0500", " 0.010", " 8.000", " 0.000", " 12.000"}},
            {11, {"  12", " Удельная теплота сгорания высшая", " Hs", " МДж/м3", " 5.0000", " 36", " 45", " 35", " 45"}},
            {12, {"  13", " Плотность <реального газа>", " De", " кг/м3", " 0.0001", " 0.670", " 1.000", " 0.660", " 1.050"}},
            {14, {"  15", " Суммарная МД гексана", " C6+", " %", " 0.0100", " 0.002", " 0.600", " 0.001", " 0.600"}},
            {15, {"  16", " Молярная доля кислорода", " O2", " %", " 0.0100", " 0.0002", " 1.200", " 0.0001", " 1.200"}},
            {17, {"  18", " Температура газа", " T", " °С", " 0.0100", " -50.00", " 60.000", " -50.00", " 60.00"}},
        };
        for (const auto& r : rows)
            for (int c = 0; c < 9; ++c) QCOMPARE(CellText(table, r.row, c), QString::fromUtf8(r.cells[size_t(c)]));
    }

    void storedValuesOutsideTheRulesAreShown() {
        LimitSets sets = Defaults();
        sets[0][GasLimitKind::UpperBound] = 100.0f;  // beyond 0.6
        sets[3][GasLimitKind::DeadBand] = std::numeric_limits<float>::quiet_NaN();
        sets[3][GasLimitKind::UpperWarning] = -std::numeric_limits<float>::infinity();
        GasLimitsListDialog form(sets, true, ParamsMode::Device);
        auto* table = Named<QTableWidget>(&form, "limitTable");
        const int first = GasLimitsListDialog::FirstLimitColumn;
        QCOMPARE(CellText(table, 0, first + 4), QStringLiteral(" 100.000"));
        QCOMPARE(CellText(table, 3, first + 0), QStringLiteral(" NAN"));
        QCOMPARE(CellText(table, 3, first + 2), QStringLiteral(" NAN"));
        QCOMPARE(table->item(0, first + 4)->foreground().color(), QColor(Qt::red));
        QCOMPARE(table->item(3, first + 0)->foreground().color(), QColor(Qt::red));
        QVERIFY(table->item(0, first + 3)->foreground().color() != QColor(Qt::red));

        // Opened, the row shows them too, and refuses them until corrected.
        MessageLog log;
        ModalScript script;
        script.Then<GasLimitsDialog>([](GasLimitsDialog* f) {
            QCOMPARE(Value(f, 0)->text(), QStringLiteral("NAN"));
            QCOMPARE(Value(f, 2)->text(), QStringLiteral("NAN"));
            Click(f, "confirmButton");
            QVERIFY(f->isVisible());
            Value(f, 0)->setText(QStringLiteral("0.01"));
            Value(f, 2)->setText(QStringLiteral("1.1"));
            Click(f, "confirmButton");
        });
        form.show();
        script.Start();
        table->selectRow(3);
        Click(&form, "editButton");
        QVERIFY(script.Finished());
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line2, QStringLiteral("согласно допустимому диапазону"));
        QCOMPARE(CellText(table, 3, first + 0), QStringLiteral(" 0.0100"));
        QCOMPARE(CellText(table, 3, first + 2), QStringLiteral(" 1.100"));
        QVERIFY(table->item(3, first + 0)->foreground().color() != QColor(Qt::red));
    }

    void withoutHexaneItsRowIsNotOpenedAndComesBackUnchanged() {
        LimitSets sets = Defaults();
        sets[14][GasLimitKind::UpperBound] = 7.5f;  // whatever the controller holds
        const LimitSets before = sets;
        GasLimitsListDialog form(sets, false, ParamsMode::Record);
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Принять"));
        auto* table = Named<QTableWidget>(&form, "limitTable");
        QCOMPARE(CellText(table, 14, 1), QStringLiteral(" Параметр (гексан) не используется"));
        for (int c : {0, 2, 3, 4, 5, 6, 7, 8}) QCOMPARE(CellText(table, 14, c), QString());
        QCOMPARE(CellText(table, 15, 0), QStringLiteral("  16"));
        form.show();

        table->selectRow(14);
        QVERIFY(!Named<QPushButton>(&form, "editButton")->isEnabled());
        ModalScript none;
        none.Then<GasLimitsDialog>([](GasLimitsDialog* f) { f->reject(); });
        none.Start();
        emit table->cellDoubleClicked(14, 1);
        QTest::qWait(50);
        QVERIFY(!none.Finished());

        table->selectRow(13);
        QVERIFY(Named<QPushButton>(&form, "editButton")->isEnabled());
        Click(&form, "confirmButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QVERIFY(Same(sets, before));
    }

    // On a configuration record: the edit comes back as the changed bytes
    // only; "Отменить" changes nothing even after a row was edited.
    void recordModeChangesOnlyTheEditedBytes() {
        std::vector<uint8_t> record(2603, 0);
        uint8_t* blocks = record.data() + RecordGasLimitOffset;
        FillDefaultLimits(blocks, RecordGasLimitBlockSize);
        const std::vector<uint8_t> before = record;

        auto editTemperature = [&](const char* finalButton) {
            LimitSets sets = LimitSetsFromBlocks(blocks, RecordGasLimitBlockSize);
            GasLimitsListDialog form(sets, true, ParamsMode::Record);
            ModalScript script;
            script.Then<GasLimitsDialog>([](GasLimitsDialog* f) {
                Value(f, 2)->setText(QStringLiteral("70"));
                Click(f, "confirmButton");
            });
            form.show();
            script.Start();
            auto* table = Named<QTableWidget>(&form, "limitTable");
            table->selectRow(17);
            emit table->cellDoubleClicked(17, 1);
            QVERIFY(script.Finished());
            QCOMPARE(CellText(table, 17, GasLimitsListDialog::FirstLimitColumn + 2), QStringLiteral(" 70.000"));
            Click(&form, finalButton);
            if (form.result() == QDialog::Accepted) StoreLimitSets(sets, blocks, RecordGasLimitBlockSize);
        };
        MessageLog log;
        editTemperature("cancelButton");
        QVERIFY(record == before);
        editTemperature("confirmButton");
        QVERIFY2(log.seen.isEmpty(), qPrintable(log.seen.value(0).line1));
        std::vector<size_t> changed;
        for (size_t i = 0; i < record.size(); ++i)
            if (record[i] != before[i]) changed.push_back(i);
        // ВПУ (the third block) of parameter 17: 60.0 -> 70.0 (0x428C0000).
        const size_t at = size_t(RecordGasLimitOffset + 2 * RecordGasLimitBlockSize + 17 * 4);
        QCOMPARE(changed, (std::vector<size_t>{at + 2}));
        QCOMPARE(int(record[at + 2]), 0x8C);
    }
};

QTEST_MAIN(GasLimitsDialogsTest)
#include "GasLimitsDialogsTest.moc"
