#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QtTest>
#include <memory>
#include <vector>

#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "tables/ui/FlowComputerDialogs.h"
#include "tables/ui/LinkParamsDialogs.h"

using namespace zmk;

namespace {

using Fields = std::vector<uint8_t>;

// The fields a controller fresh from the works holds, valid for every dialog.
Fields DefaultFields(const QString& dialog) {
    if (dialog == QLatin1String("upper")) return {1, 11, 0, 0};
    if (dialog == QLatin1String("chromatograph")) return {1, 11, 1, 0, 50, 3, 4, 0};
    if (dialog == QLatin1String("moisture")) return {2, 11, 1, 0, 50, 3, 0, 0};
    if (dialog == QLatin1String("flowLink")) return {4, 11, 3, 10, 0, 1, 2, 1};
    if (dialog == QLatin1String("ethernet"))
        return {10, 0, 168, 192, 0, 255, 255, 255, 1, 0, 168, 192, 0xA1, 0x0F, 0, 0, 0xA2, 0x0F, 0, 0,
                0xA3, 0x0F, 0, 0, 0xA4, 0x0F, 0, 0};
    if (dialog == QLatin1String("gasWrite")) {
        Fields all(20, 1);
        all[15] = all[16] = 0;  // never written into flow computers
        return all;
    }
    if (dialog == QLatin1String("period")) return {1, 0};
    return {};
}

std::unique_ptr<QDialog> MakeDialog(const QString& dialog, uint8_t* fields, ParamsMode mode) {
    if (dialog == QLatin1String("upper")) return std::make_unique<UpperLevelLinkDialog>(fields, mode, true);
    if (dialog == QLatin1String("chromatograph")) return std::make_unique<ChromatographLinkDialog>(fields, mode);
    if (dialog == QLatin1String("moisture")) return std::make_unique<MoistureMeterLinkDialog>(fields, mode);
    if (dialog == QLatin1String("flowLink")) return std::make_unique<FlowComputerLinkDialog>(fields, mode);
    if (dialog == QLatin1String("ethernet")) return std::make_unique<EthernetLinkDialog>(fields, mode);
    if (dialog == QLatin1String("gasWrite")) return std::make_unique<GasParameterWriteDialog>(fields, mode);
    if (dialog == QLatin1String("period")) return std::make_unique<HourlyWritePeriodDialog>(fields, mode);
    return nullptr;
}

// Puts a value into a field as a user would: typed (or pasted) text into an
// edit or an editable list, "-1" for a list without a choice, "none" for a
// group of choices without one.
void Enter(QDialog& form, const QString& field, const QString& value) {
    if (field == QLatin1String("writeMode")) {
        for (QRadioButton* r : form.findChildren<QRadioButton*>()) {
            r->setAutoExclusive(false);
            r->setChecked(false);
        }
        return;
    }
    if (auto* edit = form.findChild<QLineEdit*>(field)) {
        edit->setText(value);
        return;
    }
    auto* list = Named<QComboBox>(&form, field);
    if (list->isEditable())
        list->setEditText(value);
    else
        list->setCurrentIndex(value.toInt());
}

void Click(QDialog& form, const char* button) { Named<QPushButton>(&form, QLatin1String(button))->click(); }

QByteArray Bytes(const Fields& f) { return QByteArray(reinterpret_cast<const char*>(f.data()), qsizetype(f.size())); }

FlowComputerList ListOf(std::initializer_list<uint8_t> addresses) {
    FlowComputerList list;
    for (uint8_t a : addresses) {
        FlowComputerEntry e = BlankFlowComputer();
        e.Address = a;
        list.Entries[list.Count++] = e;
    }
    return list;
}

}  // namespace

class ParamsDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // Every refused input: the message, the dialog still open, nothing stored.
    void inputChecks_data() {
        QTest::addColumn<QString>("dialog");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString missing = QStringLiteral("Введены не все параметры");
        const QString address = QStringLiteral("Адрес должен быть");
        const QString upper = QStringLiteral("в диапазоне 1...254");
        const QString modbus = QStringLiteral("в диапазоне 1...247");
        const QString outside = QStringLiteral("Параметр вне допустимого диапазона");
        const QString preambles = QStringLiteral("Количество преамбул не должно превышать 255");
        auto row = [](const char* name, const char* dialog, const char* field, const QString& value, int kind,
                      const QString& l1, const QString& l2) {
            QTest::newRow(name) << QString::fromLatin1(dialog) << QString::fromLatin1(field) << value << kind << l1 << l2;
        };
        row("upper address 255", "upper", "addressBox", "255", 2, address, upper);
        row("upper address 0", "upper", "addressBox", "0", 2, address, upper);
        row("upper address empty", "upper", "addressBox", "", 2, missing, "");
        row("upper address pasted 12'", "upper", "addressBox", "12'", 2, address, upper);
        row("upper address pasted text", "upper", "addressBox", "адрес", 2, address, upper);
        row("upper no rate", "upper", "rateBox", "-1", 2, missing, "");
        row("upper preambles 256", "upper", "preamblesEdit", "256", 2, preambles, "");
        row("upper preambles empty", "upper", "preamblesEdit", "", 2, missing, "");
        row("upper preambles 5%", "upper", "preamblesEdit", "5%", 2, preambles, "");
        row("chromatograph address 248", "chromatograph", "addressBox", "248", 2, address, modbus);
        row("chromatograph address empty", "chromatograph", "addressBox", " ", 2, missing, "");
        row("chromatograph no rate", "chromatograph", "rateBox", "-1", 2, missing, "");
        row("chromatograph no mode", "chromatograph", "modeBox", "-1", 2, missing, "");
        row("chromatograph no parity", "chromatograph", "parityBox", "-1", 2, missing, "");
        row("chromatograph no time-out", "chromatograph", "timeoutBox", "-1", 2, missing, "");
        row("chromatograph no failed polls", "chromatograph", "failedBox", "-1", 2, missing, "");
        row("chromatograph no type", "chromatograph", "typeBox", "-1", 2, missing, "");
        row("moisture address 248", "moisture", "addressBox", "248", 2, address, modbus);
        row("moisture address 0", "moisture", "addressBox", "0", 2, address, modbus);
        row("moisture time-out 4", "moisture", "timeoutBox", "4", 2, QStringLiteral("Таймаут должен быть"),
            QStringLiteral("в диапазоне 5...255"));
        row("moisture time-out 256", "moisture", "timeoutBox", "256", 2, QStringLiteral("Таймаут должен быть"),
            QStringLiteral("в диапазоне 5...255"));
        row("moisture time-out empty", "moisture", "timeoutBox", "", 2, missing, "");
        row("moisture no type", "moisture", "typeBox", "-1", 2, missing, "");
        row("flow link preambles 999", "flowLink", "preamblesEdit", "999", 2, preambles, "");
        row("flow link preambles empty", "flowLink", "preamblesEdit", "", 2, missing, "");
        row("flow link no write mode", "flowLink", "writeMode", "", 2, missing, "");
        row("flow link no pipeline", "flowLink", "pipelineBox", "-1", 2, missing, "");
        row("flow link no time-out", "flowLink", "timeoutBox", "-1", 2, missing, "");
        row("ethernet empty ip", "ethernet", "ipEdit0", "", 2, missing, "");
        row("ethernet empty port", "ethernet", "portEdit3", "", 2, missing, "");
        row("ethernet mask 256", "ethernet", "maskEdit3", "256", 2, QStringLiteral("Маска подсети"), outside);
        row("ethernet gateway pasted 1%", "ethernet", "gatewayEdit1", "1%", 2, QStringLiteral("Шлюз по умолчанию"),
            outside);
        row("ethernet port 70000", "ethernet", "portEdit1", "70000", 2, QStringLiteral("Порт соединения  ВРГ 2"),
            outside);
        row("gas write no choice", "gasWrite", "writeBox3", "-1", 1, missing, "");
        row("period no choice", "period", "periodBox", "-1", 2, QStringLiteral("Не введен период"), "");
    }

    void inputChecks() {
        QFETCH(QString, dialog);
        QFETCH(QString, field);
        QFETCH(QString, value);
        QFETCH(int, kind);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        Fields fields = DefaultFields(dialog);
        const Fields before = fields;
        auto form = MakeDialog(dialog, fields.data(), ParamsMode::Record);
        form->show();
        MessageLog log;
        Click(*form, "confirmButton");
        QVERIFY2(log.seen.isEmpty(), "the unchanged fields must be accepted");
        QCOMPARE(form->result(), int(QDialog::Accepted));

        form = MakeDialog(dialog, fields.data(), ParamsMode::Record);
        form->show();
        Enter(*form, field, value);
        Click(*form, "confirmButton");
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, kind);
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form->isVisible());
        QCOMPARE(Bytes(fields), Bytes(before));
    }

    // What the confirmed dialogs store, and "Отменить" storing nothing.
    void upperLevelStoresAndTheRateFollowsTheMode() {
        Fields fields = {1, 11, 0, 7};
        {
            UpperLevelLinkDialog form(fields.data(), ParamsMode::Record, false);
            QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Принять"));
            QVERIFY(Named<QComboBox>(&form, "rateBox")->isEnabled());  // always in a record
            Enter(form, "addressBox", "12");
            Named<QComboBox>(&form, "rateBox")->setCurrentIndex(19);
            Enter(form, "preamblesEdit", "5");
            Click(form, "confirmButton");
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QCOMPARE(Bytes(fields), Bytes({12, 19, 5, 0}));
        {
            // On the controller without a changeable rate, the stored code stays.
            UpperLevelLinkDialog form(fields.data(), ParamsMode::Device, false);
            QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Записать в устройство"));
            QVERIFY(!Named<QComboBox>(&form, "rateBox")->isEnabled());
            Named<QComboBox>(&form, "rateBox")->setCurrentIndex(-1);
            Enter(form, "addressBox", "13");
            Click(form, "confirmButton");
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        QCOMPARE(Bytes(fields), Bytes({13, 19, 5, 0}));
        {
            UpperLevelLinkDialog form(fields.data(), ParamsMode::Device, true);
            Enter(form, "addressBox", "99");
            Click(form, "cancelButton");
            QCOMPARE(form.result(), int(QDialog::Rejected));
        }
        QCOMPARE(Bytes(fields), Bytes({13, 19, 5, 0}));
    }

    void chromatographAndMoistureMeterStore() {
        Fields chrom = {1, 11, 1, 0, 50, 3, 4, 0x81};
        {
            ChromatographLinkDialog form(chrom.data(), ParamsMode::Record);
            QVERIFY(Named<QCheckBox>(&form, "hexaneBox")->isChecked());
            QCOMPARE(Named<QComboBox>(&form, "timeoutBox")->currentText(), QStringLiteral("50"));
            Named<QComboBox>(&form, "parityBox")->setCurrentIndex(2);
            Named<QComboBox>(&form, "timeoutBox")->setCurrentIndex(0);
            Named<QComboBox>(&form, "failedBox")->setCurrentIndex(9);
            Named<QCheckBox>(&form, "hexaneBox")->setChecked(false);
            Click(form, "confirmButton");
        }
        // Only the hexane bit of field 7 belongs to the dialog.
        QCOMPARE(Bytes(chrom), Bytes({1, 11, 1, 2, 5, 10, 4, 0x80}));

        Fields moist = {2, 33, 1, 9, 50, 3, 0, 9};
        {
            MoistureMeterLinkDialog form(moist.data(), ParamsMode::Record);
            Enter(form, "timeoutBox", "255");
            Named<QComboBox>(&form, "typeBox")->setCurrentIndex(3);
            Click(form, "confirmButton");
        }
        // The rate (field 1) is not the dialog's; fields 3 and 7 are always 0.
        QCOMPARE(Bytes(moist), Bytes({2, 33, 1, 0, 255, 3, 3, 0}));
    }

    void flowLinkKeepsTheTemperatureComputerWhileTheCountChanges() {
        Fields fields = DefaultFields(QStringLiteral("flowLink"));  // 4 computers, temperature from index 2
        FlowComputerLinkDialog form(fields.data(), ParamsMode::Record);
        auto* count = Named<QComboBox>(&form, "countBox");
        auto* computer = Named<QComboBox>(&form, "computerBox");
        QCOMPARE(computer->count(), 4);
        QCOMPARE(computer->currentIndex(), 2);
        QVERIFY(Named<QRadioButton>(&form, "writeMode1")->isChecked());
        count->setCurrentIndex(1);  // 2 computers: index 2 is gone
        QCOMPARE(computer->count(), 2);
        QCOMPARE(computer->currentIndex(), -1);
        MessageLog log;
        Click(form, "confirmButton");
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Введены не все параметры"));
        count->setCurrentIndex(2);  // 3 computers: the stored index comes back
        QCOMPARE(computer->currentIndex(), 2);
        Named<QRadioButton>(&form, "writeMode2")->setChecked(true);
        Named<QComboBox>(&form, "timeoutBox")->setCurrentIndex(254);
        Click(form, "confirmButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(fields), Bytes({3, 11, 3, 255, 0, 2, 2, 1}));
    }

    void ethernetStoresDottedNumbersLastFirst() {
        Fields fields = DefaultFields(QStringLiteral("ethernet"));
        EthernetLinkDialog form(fields.data(), ParamsMode::Record);
        QCOMPARE(Named<QLineEdit>(&form, "ipEdit0")->text(), QStringLiteral("192"));
        QCOMPARE(Named<QLineEdit>(&form, "ipEdit3")->text(), QStringLiteral("10"));
        QCOMPARE(Named<QLineEdit>(&form, "portEdit2")->text(), QStringLiteral("4003"));
        const char* ip[4] = {"10", "1", "2", "3"};
        for (int i = 0; i < 4; ++i) Enter(form, QStringLiteral("ipEdit%1").arg(i), QLatin1String(ip[i]));
        Enter(form, "portEdit0", "502");
        Click(form, "confirmButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(Fields(fields.begin(), fields.begin() + 4)), Bytes({3, 2, 1, 10}));
        QCOMPARE(Bytes(Fields(fields.begin() + 12, fields.begin() + 16)), Bytes({0xF6, 0x01, 0, 0}));
        QCOMPARE(fields[8], uint8_t(1));  // the gateway as it was
    }

    // A value the controller holds that no list item stands for is shown,
    // and must be replaced before the dialog confirms.
    void outOfRangeValuesAreShown() {
        Fields chrom = {1, 40, 1, 0, 50, 3, 9, 0};
        ChromatographLinkDialog form(chrom.data(), ParamsMode::Device);
        auto* rate = Named<QComboBox>(&form, "rateBox");
        QCOMPARE(rate->currentIndex(), -1);
        QCOMPARE(rate->placeholderText(), QStringLiteral(" ? (40)"));
        QCOMPARE(Named<QComboBox>(&form, "typeBox")->placeholderText(), QStringLiteral(" ? (9)"));
        MessageLog log;
        Click(form, "confirmButton");
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Введены не все параметры"));
        QCOMPARE(chrom[1], uint8_t(40));

        FlowComputerList list = ListOf({10, 11});
        list.Entries[0].Type = 9;
        list.Entries[1].ByteOrder = 200;
        list.Entries[1].Pipelines = 0xFF;
        FlowComputerListDialog listForm(list, ParamsMode::Device);
        auto* table = Named<QTableWidget>(&listForm, "computerTable");
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral(" ? (9)"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral(" ? (200)"));
        QCOMPARE(table->item(1, 3)->text(), QStringLiteral("      0xFF"));
        Click(listForm, "confirmButton");
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(log.seen[1].line1, QStringLiteral("Вычислитель № 1"));
        QCOMPARE(log.seen[1].line2, QStringLiteral("Неверно заданы параметры"));
    }

    void gasParameterRowsAndPeriod() {
        Fields gas(20, 1);
        gas[4] = 7;
        {
            GasParameterWriteDialog form(gas.data(), ParamsMode::Record);
            for (int never : {15, 16}) {
                auto* row = Named<QComboBox>(&form, QStringLiteral("writeBox%1").arg(never));
                QVERIFY(!row->isEnabled());
                QCOMPARE(row->currentText(), QStringLiteral(" Не записывать "));
            }
            QCOMPARE(Named<QComboBox>(&form, "writeBox4")->placeholderText(), QStringLiteral(" ? (7)"));
            Named<QComboBox>(&form, "writeBox4")->setCurrentIndex(0);
            Click(form, "confirmButton");
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        Fields expected(20, 1);
        expected[4] = expected[15] = expected[16] = 0;
        QCOMPARE(Bytes(gas), Bytes(expected));

        Fields period = {5, 3};
        HourlyWritePeriodDialog form(period.data(), ParamsMode::Record);
        auto* box = Named<QComboBox>(&form, "periodBox");
        QCOMPARE(box->currentIndex(), -1);
        QCOMPARE(box->itemText(6), QStringLiteral(" 24"));
        box->setCurrentIndex(4);
        Click(form, "confirmButton");
        QCOMPARE(Bytes(period), Bytes({6, 0}));
    }

    void flowComputerPipelinesFollowTheType() {
        FlowComputerEntry entry = BlankFlowComputer();
        entry.Address = 5;
        entry.Type = 2;
        entry.Pipelines = 0x06;
        FlowComputerDialog form(entry, 2, false);
        QCOMPARE(form.windowTitle(), QStringLiteral("Параметры вычислителя расхода газа № 3"));
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Принять"));
        auto pipe = [&](int k) { return Named<QCheckBox>(&form, QStringLiteral("pipeline%1").arg(k)); };
        QVERIFY(pipe(1)->isEnabled() && pipe(2)->isEnabled() && pipe(3)->isEnabled());
        QVERIFY(!pipe(1)->isChecked() && pipe(2)->isChecked() && pipe(3)->isChecked());
        auto* type = Named<QComboBox>(&form, "typeBox");
        type->setCurrentIndex(1);  // one pipeline only
        QVERIFY(pipe(1)->isEnabled() && !pipe(2)->isEnabled() && !pipe(3)->isEnabled());
        QVERIFY(!pipe(2)->isChecked());
        type->setCurrentIndex(-1);
        QVERIFY(!pipe(1)->isEnabled() && !pipe(1)->isChecked());
        type->setCurrentIndex(0);  // the stored bits again
        QVERIFY(pipe(2)->isChecked() && pipe(3)->isChecked());
        type->setCurrentIndex(1);
        pipe(1)->setChecked(true);
        Click(form, "confirmButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(int(entry.Type), 1);
        QCOMPARE(int(entry.Pipelines), 0x01);
        QVERIFY(!form.PasswordChanged());
        QCOMPARE(entry.Password, BlankFlowComputer().Password);
    }

    void flowComputerPasswordLayouts() {
        FlowComputerEntry entry = BlankFlowComputer();
        entry.Address = 5;
        {
            FlowComputerDialog form(entry, 0, false);
            QCOMPARE(form.width(), 412);
            QVERIFY(Named<QLineEdit>(&form, "codeEdit")->isHidden());
            auto* password = Named<QLineEdit>(&form, "passwordEdit");
            QTest::keyClicks(password, QStringLiteral("abcdefghijklmnopq"));
            QCOMPARE(password->text(), QStringLiteral("abcdefghijklmnop"));
            Click(form, "confirmButton");
            QVERIFY(form.PasswordChanged());
        }
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(entry.Password.data()), 16), QByteArray("abcdefghijklmnop"));
        {
            FlowComputerDialog form(entry, 0, false);
            Named<QCheckBox>(&form, "splitBox")->setChecked(true);
            QCOMPARE(form.width(), 506);
            QVERIFY(!Named<QLineEdit>(&form, "codeEdit")->isHidden());
            QTest::keyClicks(Named<QLineEdit>(&form, "passwordEdit"), QStringLiteral("qlm"));
            QTest::keyClicks(Named<QLineEdit>(&form, "codeEdit"), QStringLiteral("4x2"));
            Click(form, "confirmButton");
            QVERIFY(form.Split());
        }
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(entry.Password.data()), 16), QByteArray("qlm         42  "));

        MessageLog log;
        FlowComputerDialog form(entry, 0, true);
        form.show();
        Enter(form, "addressBox", "255");
        Click(form, "confirmButton");
        Named<QComboBox>(&form, "byteOrderBox")->setCurrentIndex(-1);
        Click(form, "confirmButton");
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Адрес вне допускаемого диапазона"));
        QCOMPARE(log.seen[1].line1, QStringLiteral("Введены не все параметры"));
        QVERIFY(form.isVisible());
    }

    void flowComputerListGrowsShrinksAndChecks() {
        FlowComputerList empty;
        {
            FlowComputerListDialog form(empty, ParamsMode::Record);
            QCOMPARE(Named<QTableWidget>(&form, "computerTable")->rowCount(), 1);
            QVERIFY(!Named<QPushButton>(&form, "removeButton")->isEnabled());
        }
        FlowComputerList full = ListOf({1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16});
        {
            FlowComputerListDialog form(full, ParamsMode::Record);
            QVERIFY(!Named<QPushButton>(&form, "addButton")->isEnabled());
            QVERIFY(Named<QPushButton>(&form, "removeButton")->isEnabled());
        }

        FlowComputerList list = ListOf({10, 20, 30, 40});
        FlowComputerListDialog form(list, ParamsMode::Device);
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Записать в устройство"));
        auto* table = Named<QTableWidget>(&form, "computerTable");
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("   20"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral(" ФЛОУТЭК"));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral(" Мл. адрес -- ст. байт"));
        table->selectRow(1);
        {
            MessageLog no(false);
            Click(form, "removeButton");
            QCOMPARE(no.seen.size(), 1);
            QCOMPARE(no.seen[0].line1, QStringLiteral("Вы действительно хотите удалить"));
            QCOMPARE(no.seen[0].line2, QStringLiteral("вычислитель адр. 20?"));
            QVERIFY(no.seen[0].question);
            QCOMPARE(table->rowCount(), 4);
        }
        {
            MessageLog yes(true);
            Click(form, "removeButton");
        }
        QCOMPARE(table->rowCount(), 3);
        QCOMPARE(table->item(1, 0)->text(), QStringLiteral("   30"));
        QCOMPARE(table->currentRow(), 1);

        // "Добавить": a new computer edited in its own dialog, then a repeated address.
        ModalScript script;
        script.Then<FlowComputerDialog>([](FlowComputerDialog* f) {
            QCOMPARE(f->windowTitle(), QStringLiteral("Параметры вычислителя расхода газа № 4"));
            Enter(*f, "addressBox", "30");
            Named<QComboBox>(f, "typeBox")->setCurrentIndex(3);
            Named<QComboBox>(f, "byteOrderBox")->setCurrentIndex(1);
            Click(*f, "confirmButton");
        });
        script.Start();
        Click(form, "addButton");
        QVERIFY(script.Finished());
        QCOMPARE(table->rowCount(), 4);
        QCOMPARE(table->item(3, 1)->text(), QStringLiteral(" ДФ-1"));
        MessageLog log;
        Click(form, "confirmButton");
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Повтор адреса 30"));
        QCOMPARE(log.seen[0].line2, QString());
        QCOMPARE(list.Count, 4);  // nothing handed back yet
        QCOMPARE(int(list.Entries[1].Address), 20);

        ModalScript again;
        again.Then<FlowComputerDialog>([](FlowComputerDialog* f) {
            Enter(*f, "addressBox", "31");
            Click(*f, "confirmButton");
        });
        again.Start();
        table->selectRow(3);
        Click(form, "editButton");
        QVERIFY(again.Finished());
        Click(form, "confirmButton");
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(list.Count, 4);
        QCOMPARE(int(list.Entries[1].Address), 30);
        QCOMPARE(int(list.Entries[3].Address), 31);
        // The moved computers and the added one get their passwords written.
        QVERIFY(!list.PasswordEntered[0]);
        QVERIFY(list.PasswordEntered[1] && list.PasswordEntered[2] && list.PasswordEntered[3]);
    }

    void flowComputerStateWindow() {
        FlowComputerStateWindow form({{10, true, true}, {11, false, false}});
        QCOMPARE(form.windowTitle(), QStringLiteral("Состояние обмена с вычислителями РГ"));
        auto* table = Named<QTableWidget>(&form, "stateTable");
        QCOMPARE(table->rowCount(), 2);
        QCOMPARE(table->item(0, 1)->text(), QStringLiteral("Есть"));
        QCOMPARE(table->item(0, 2)->text(), QStringLiteral("Записываются"));
        QCOMPARE(table->item(1, 1)->text(), QStringLiteral("Нет"));
        QCOMPARE(table->item(1, 1)->foreground().color(), QColor(Qt::red));
        QCOMPARE(table->item(1, 2)->text(), QStringLiteral("Не записываются"));
        QCOMPARE(table->item(1, 2)->foreground().color(), QColor(Qt::red));
        QCOMPARE(form.width(), 380);
        Named<QPushButton>(&form, "exitButton")->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(ParamsDialogsTest)
#include "ParamsDialogsTest.moc"
