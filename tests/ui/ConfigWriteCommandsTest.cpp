// The way from a chosen table selection to the controller: the editor loop
// of the configuration check, the restore of the users list, the clock's
// refusal, and the messages that stop a write before anything is sent.
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <cstring>

#include "MessageTrap.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "SimLink.h"
#include "SimLog.h"
#include "common/StatusBarPanel.h"
#include "link/ControllerLink.h"
#include "tables/ConfigRecord.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/ConfigEditorDialog.h"
#include "tables/ui/ConfigWriteCommands.h"
#include "tables/ui/UsersListDialog.h"

using namespace zmk;

namespace {

struct Seen {
    int kind;
    QString line1, line2;
};

// A command host over the simulator on a pseudo-terminal, with the
// simulator's setter as the program user.
class Session : public CommandHost {
public:
    explicit Session(const QStringList& simArgs = {})
        : sim(SimTransport::Pty, QStringList{QStringLiteral("--log"), LogPath()} + simArgs) {
        const char* password = "12345678    ";
        std::copy(password, password + 12, link.WritePassword.begin());
        std::copy(password, password + 4, link.UserCode.begin());
        opened = sim.ready() && sim.Open(link);
    }

    QWidget* Window() override { return &window; }
    TableEngine& Tables() override { return engine; }
    StatusBarPanel* MessagePanel() override { return &panel; }
    void StartMessageTimer() override {}

    QString LogPath() const { return dir.filePath(QStringLiteral("frames.log")); }
    std::vector<std::array<int, 4>> Writes() const { return LoggedTableRequests(LogPath(), true); }

    QTemporaryDir dir;
    SimLink sim;
    ControllerLink link{0};
    ConfigImage image;
    NoRetry noRetry;
    TableEngine engine{link, image, noRetry};
    TextPanel panel;
    QWidget window;
    bool opened = false;
};

// A configuration whose users list has two manufacturers-setters.
ConfigRecord TwoSetters() {
    ConfigRecord record = NewConfigRecord();
    record.bytes[config_offset::FlowComputerLink] = 0;
    for (int u = 0; u < 2; ++u) {
        uint8_t* user = UserRecordAt(record.At(config_offset::Users), u);
        std::memcpy(user, u == 0 ? "ADM " : "ENG ", 4);
        user[UserLevelAt] = Manufacturer;
        std::memcpy(user + UserPasswordAt, "12345678    ", 12);
        std::memcpy(user + UserCodeAt, u == 0 ? "1234" : "5678", 4);
    }
    return record;
}

}  // namespace

class ConfigWriteCommandsTest : public QObject {
    Q_OBJECT

private slots:
    // A record the check refuses: its message, then "Корректировать
    // параметры конфигурации?"; "Да" opens the editor again, "Нет" ends with
    // "Запись таблиц не выполнена". Nothing is sent.
    void checkFailureLoopsThroughTheEditor() {
        Session s;
        QVERIFY2(s.opened, qPrintable(s.sim.output()));
        ConfigRecord record = TwoSetters();
        TableSelection selection = TableSelection::AllDestroyed();
        MarkAllTables(selection);

        QList<Seen> seen;
        int questions = 0;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Line1, look.Line2});
            // The first correction question is answered "Да", the second "Нет".
            return kind == MessageKind::Question && ++questions == 1;
        });
        int editors = 0;
        ModalScript script;
        const auto confirm = [&](ConfigEditorDialog* editor) {
            ++editors;
            QCOMPARE(Named<QPushButton>(editor, "confirmButton")->text(), QStringLiteral("Записать в устройство"));
            Named<QPushButton>(editor, "confirmButton")->click();
        };
        script.Then<ConfigEditorDialog>(confirm).Then<ConfigEditorDialog>(confirm);
        script.Start();
        QVERIFY(!PrepareConfigWrite(record, selection, s));
        QVERIFY(script.Finished());
        QCOMPARE(editors, 2);

        const QString one = QStringLiteral("Может быть зарегистрирован");
        const QString two = QStringLiteral("только один производитель-наладчик");
        const QString again = QStringLiteral("Корректировать параметры конфигурации?");
        QCOMPARE(seen.size(), 5);
        QCOMPARE(seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(seen[0].line1, one);
        QCOMPARE(seen[0].line2, two);
        QCOMPARE(seen[1].line1, again);
        QCOMPARE(seen[1].line2, QString());
        QCOMPARE(seen[2].line1, one);
        QCOMPARE(seen[3].line1, again);
        QCOMPARE(seen[4].kind, int(MessageKind::Info));
        QCOMPARE(seen[4].line1, QStringLiteral("Запись таблиц не выполнена"));
        QVERIFY(s.Writes().empty());
    }

    // Only the users table (and the clock) chosen: the users dialog in its
    // restoring mode; left without acceptance it says why nothing is written.
    void usersNotRestoredStopsTheWrite() {
        Session s;
        QVERIFY2(s.opened, qPrintable(s.sim.output()));
        ConfigRecord record = TwoSetters();
        TableSelection selection = TableSelection::FromStates(std::array<uint8_t, TableCount>{}.data());
        selection.destroyed[UsersTable] = true;
        selection.write[UsersTable] = true;

        QList<Seen> seen;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Line1, look.Line2});
            return false;
        });
        ModalScript script;
        script.Then<UsersListDialog>([](UsersListDialog* d) { Named<QPushButton>(d, "cancelButton")->click(); });
        script.Start();
        QVERIFY(!PrepareConfigWrite(record, selection, s));
        QVERIFY(script.Finished());
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].kind, int(MessageKind::Info));
        QCOMPARE(seen[0].line1, QStringLiteral("Таблица доступа к записи в контроллер не восстановлена"));
        QCOMPARE(seen[0].line2, QStringLiteral("Запись в таблицы параметров конфигурации недопустима"));
        QVERIFY(s.Writes().empty());
    }

    // The clock alone over a destroyed system-parameter table: refused before
    // any exchange, since the clock-change rules cannot be trusted.
    void clockRefusedOverDestroyedSystemParams() {
        Session s;
        QVERIFY2(s.opened, qPrintable(s.sim.output()));
        TableSelection selection = TableSelection::AllDestroyed();
        selection.write[2] = true;
        QList<Seen> seen;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Line1, look.Line2});
            return true;
        });
        ConfigWriteObserver observer;
        QVERIFY(!WriteChosenTables(selection, s, observer));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].kind, int(MessageKind::SeeControllerState));
        QCOMPARE(seen[0].line1, QStringLiteral("Запись даты и времени невозможна"));
        QCOMPARE(seen[0].line2, QStringLiteral("при разрушенной таблице системных параметров"));
        QVERIFY(LoggedTableRequests(s.LogPath()).empty());
    }

    // A controller whose users table is intact refuses the blank-credential
    // restore: the write stops there with its message, no other table sent.
    void usersRestoreRefusedStopsTheWrite() {
        Session s;
        QVERIFY2(s.opened, qPrintable(s.sim.output()));
        ConfigRecord record = TwoSetters();
        std::memset(UserRecordAt(record.At(config_offset::Users), 1), ' ', UserRecordSize);
        UserRecordAt(record.At(config_offset::Users), 1)[UserLevelAt] = 0;
        QVERIFY(!CopyRecordToImage(record, s.image, true).has_value());
        TableSelection selection = TableSelection::AllDestroyed();
        MarkAllTables(selection);
        QList<Seen> seen;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Line1, look.Line2});
            return false;
        });
        ConfigWriteObserver observer;
        QVERIFY(!WriteSelectedTables(selection, s, observer));
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].line1, QStringLiteral("Таблица зарегистрированных пользователей не восстановлена"));
        QCOMPARE(seen[0].line2, QStringLiteral("Запись в таблицы параметров конфигурации недопустима"));
        const std::vector<std::array<int, 4>> expected{{2, 4, 0, 10}};
        QCOMPARE(s.Writes(), expected);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(s.link.UserCode.data()), 4), QByteArray("1234"));
    }
};

QTEST_MAIN(ConfigWriteCommandsTest)
#include "ConfigWriteCommandsTest.moc"
