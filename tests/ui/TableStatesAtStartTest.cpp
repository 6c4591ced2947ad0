// The table state check of the connection start against the simulator: when
// the dialog comes, what it offers, and the reset and the whole write it
// leads to.
#include <QFileDialog>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "MainWindowFixture.h"
#include "NamedChild.h"
#include "SimLog.h"
#include "settings/MainSettings.h"
#include "tables/ConfigRecord.h"
#include "tables/UsersTable.h"
#include "tables/ui/ConfigEditorDialog.h"
#include "tables/ui/TableStateDialog.h"

using namespace zmk;
using namespace zmk_test;

namespace {

// What the table state dialog offered when it came up.
struct Offer {
    int dialogs = 0;
    bool writeAll = false, writeSelected = false, reset = false;
};

// Notes the dialog's buttons and presses one of them.
std::function<bool(QWidget*)> PressInTableStates(Offer& offer, const char* button) {
    return [&offer, button](QWidget* w) {
        auto* form = qobject_cast<TableStateDialog*>(w);
        if (!form) return false;
        ++offer.dialogs;
        offer.writeAll = Named<QPushButton>(form, "writeAllButton")->isEnabled();
        offer.writeSelected = Named<QPushButton>(form, "writeSelectedButton")->isEnabled();
        offer.reset = Named<QPushButton>(form, "resetButton")->isEnabled();
        Named<QPushButton>(form, QLatin1String(button))->click();
        return true;
    };
}

// Fields of a table of the running simulator, read over its TCP port.
QByteArray SimRead(const SimProcess& sim, int table, int first, int count) {
    QProcess ctl;
    ctl.start(CtlPath(), {QStringLiteral("--tcp"), QStringLiteral("127.0.0.1:%1").arg(sim.tcpPort()),
                          QStringLiteral("read-table"), QString::number(table), QString::number(first),
                          QString::number(count)});
    if (!ctl.waitForFinished(10000) || ctl.exitCode() != 0) return {};
    return ctl.readAllStandardOutput();
}

// Whether every field of a read-table listing is 0 (no table destroyed).
bool NoneDestroyed(const QByteArray& listing) {
    const QList<QByteArray> lines = listing.trimmed().split('\n');
    if (listing.trimmed().isEmpty()) return false;
    for (const QByteArray& line : lines)
        if (!line.trimmed().endsWith(": 00")) return false;
    return true;
}

}  // namespace

class TableStatesAtStartTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetShared(); }

    // A destroyed table of a version-10 controller: the dialog with the
    // reset only; "Выход" goes on to the basic reads.
    // Version 14 over Ethernet: nothing but "Выход", which abandons the connection.
    void dialogAndItsOffer_data() {
        QTest::addColumn<QStringList>("simArgs");
        QTest::addColumn<bool>("reset");
        QTest::addColumn<bool>("connected");
        QTest::newRow("version 10, table 6 destroyed")
            << QStringList{QStringLiteral("--destroyed"), QStringLiteral("6")} << true << true;
        QTest::newRow("version 14") << QStringList{QStringLiteral("--version"), QStringLiteral("14")} << false << false;
    }
    void dialogAndItsOffer() {
        QFETCH(QStringList, simArgs);
        QFETCH(bool, reset);
        QFETCH(bool, connected);
        SimProcess sim(simArgs);
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        Offer offer;
        responder.other = PressInTableStates(offer, "exitButton");
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(offer.dialogs, 1);
        QVERIFY(!offer.writeAll);
        QVERIFY(!offer.writeSelected);
        QCOMPARE(offer.reset, reset);
        QCOMPARE(Shared().Connected, connected);
        QVERIFY2(responder.messages.isEmpty(), qPrintable(responder.messages.value(0).line1));
    }

    // An intact version-10 controller never shows the dialog.
    void intactControllerShowsNoDialog() {
        SimProcess sim;
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        Offer offer;
        responder.other = PressInTableStates(offer, "exitButton");
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(offer.dialogs, 0);
        QVERIFY(Shared().Connected);
    }

    // The reset over the direct line: the controller is back at address 1,
    // and so are the link and the direct-line settings, at 9600 bit/s; the
    // program stays disconnected.
    void resetFallsBackToAddressOne() {
        SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--address"), QStringLiteral("17"),
                        QStringLiteral("--destroyed"), QStringLiteral("6")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseDirect(sim.ptyPath(), 17);
        Responder responder;
        responder.answer = [](const Message& m) {
            return m.line1 == QStringLiteral("Вы уверены, что хотите выполнить сброс");
        };
        Offer offer;
        responder.other = PressInTableStates(offer, "resetButton");
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(offer.dialogs, 1);
        QVERIFY(offer.reset);
        QVERIFY(!Shared().Connected);
        QCOMPARE(int(w->Link().Address), 1);
        QCOMPARE(int(w->Link().BaudRate), 9600);
        QCOMPARE(int(Settings().Direct.Address), 1);
        QCOMPARE(int(Settings().Direct.Rate), 9600);
        QCOMPARE(responder.messages.size(), 1);  // the question only
        // The controller answers at address 1 again, with table 6 intact.
        const QByteArray states = SimRead(sim, 7, 0, 38);
        QVERIFY2(NoneDestroyed(states), states.constData());
    }

    // "Записать все таблицы" into a version-14 controller over the direct
    // line: a configuration file, the editor's "Записать в устройство", the
    // users restored with blank credentials, the clock after the question,
    // then the tables in their fixed order; the program ends disconnected.
    void writesTheWholeConfiguration() {
        QTemporaryDir dir;
        const QString log = dir.filePath(QStringLiteral("frames.log"));
        SimProcess sim({QStringLiteral("--pty"), QStringLiteral("--version"), QStringLiteral("14"),
                        QStringLiteral("--destroyed"), QStringLiteral("4"), QStringLiteral("--destroyed"),
                        QStringLiteral("2"), QStringLiteral("--log"), log});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        Home home;
        home.UseDirect(sim.ptyPath(), 1);

        ConfigRecord record = NewConfigRecord();
        uint8_t* user = UserRecordAt(record.At(config_offset::Users), 0);
        std::memcpy(user, "ADM ", 4);
        user[UserLevelAt] = Manufacturer;
        std::memcpy(user + UserPasswordAt, "12345678    ", 12);
        std::memcpy(user + UserCodeAt, "1234", 4);
        record.bytes[config_offset::FlowComputerLink] = 0;
        const QByteArray name("\xC3\xD0\xD1-7");  // "ГРС-7" in Windows-1251
        std::memcpy(record.At(config_offset::Name), name.constData(), size_t(name.size()));
        const QString file = dir.filePath(QStringLiteral("grs7.cnf"));
        QVERIFY(WriteConfigFile(file, record));

        Responder responder;
        responder.answer = [](const Message& m) {
            return m.line1 == QStringLiteral("В контроллер будет записано время ЭВМ.");
        };
        Offer offer;
        const auto pressWriteAll = PressInTableStates(offer, "writeAllButton");
        int editors = 0;
        responder.other = [&](QWidget* w) {
            if (pressWriteAll(w)) return true;
            if (auto* d = qobject_cast<QFileDialog*>(w)) {
                if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(file);
                else d->selectFile(file);
                static_cast<QDialog*>(d)->accept();
                return true;
            }
            if (auto* editor = qobject_cast<ConfigEditorDialog*>(w)) {
                ++editors;
                auto* confirm = Named<QPushButton>(editor, "confirmButton");
                if (confirm->text() != QStringLiteral("Записать в устройство")) return false;
                confirm->click();
                return true;
            }
            return false;
        };
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QCOMPARE(offer.dialogs, 1);
        QVERIFY(offer.writeAll);
        QVERIFY(offer.writeSelected);
        QVERIFY(offer.reset);
        QCOMPARE(editors, 1);
        QStringList lines;
        for (const Message& m : responder.messages) lines << m.line1;
        QCOMPARE(lines, QStringList{QStringLiteral("В контроллер будет записано время ЭВМ.")});
        QVERIFY(!Shared().Connected);
        QVERIFY(!Shared().DisconnectAfterWrite);

        const std::vector<std::array<int, 4>> expected = {
            {2, 4, 0, 10},  {2, 4, 10, 6},  {2, 2, 0, 8},   {2, 9, 0, 8},   {2, 17, 0, 0},  {2, 18, 0, 0},
            {2, 19, 0, 0},  {2, 20, 0, 0},  {2, 13, 0, 0},  {2, 3, 0, 4},   {2, 5, 0, 1},   {2, 6, 0, 12},
            {2, 14, 0, 8},  {2, 15, 0, 8},  {2, 21, 0, 20}, {2, 22, 0, 20}, {2, 23, 0, 20}, {2, 24, 0, 20},
            {2, 25, 0, 20}, {2, 26, 0, 20}, {2, 28, 0, 2},  {2, 29, 0, 7}};
        QCOMPARE(LoggedTableRequests(log, true), expected);
        const QByteArray states = SimRead(sim, 7, 0, 38);
        QVERIFY2(NoneDestroyed(states), states.constData());
    }
};

QTEST_MAIN(TableStatesAtStartTest)
#include "TableStatesAtStartTest.moc"
