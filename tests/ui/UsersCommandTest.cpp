// "Доступ пользователей к таблицам параметров" end to end: the command with
// the real users dialog offscreen against zmk-sim on a pseudo-terminal, and
// what the simulator received.

#include <QAction>
#include <QComboBox>
#include <QTimer>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>
#include <array>
#include <memory>
#include <vector>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "SimLink.h"
#include "app/ui/MainWindow.h"
#include "common/StatusBarPanel.h"
#include "link/ControllerLink.h"
#include "tables/TableEngine.h"
#include "tables/UsersTable.h"
#include "tables/ui/ChangeUserDialog.h"
#include "tables/ui/CommandHost.h"
#include "tables/ui/MessageBoxRetry.h"
#include "tables/ui/UsersCommand.h"

using namespace zmk;

namespace {

using Request = std::array<int, 4>;  // function, table, first, count

struct Seen {
    int kind;
    QString line1, line2;
    QString panel;  // the status panel while the message was up
};

// The simulator with users ADM (2, "a"/"11"), ENG (3, "e"/"33") and OPR
// (4, "o"/"44") beside the commissioning engineer, a frame log, and the
// command's host: a window, the table engine over a link to the simulator
// and the status panel.
class Session : public CommandHost {
public:
    explicit Session(const QStringList& extraArgs = {}) {
        sim = std::make_unique<SimLink>(SimTransport::Pty,
                                        QStringList{QStringLiteral("--log"), LogPath(), QStringLiteral("--user"),
                                                    QStringLiteral("ADM:2:a:11"), QStringLiteral("--user"),
                                                    QStringLiteral("ENG:3:e:33"), QStringLiteral("--user"),
                                                    QStringLiteral("OPR:4:o:44")} +
                                            extraArgs);
    }

    bool Open(const char* password, const char* code) {
        link.WritePassword.fill(' ');
        link.UserCode.fill(' ');
        std::copy(password, password + std::strlen(password), link.WritePassword.begin());
        std::copy(code, code + std::strlen(code), link.UserCode.begin());
        return sim->ready() && sim->Open(link);
    }

    QWidget* Window() override { return &window; }
    TableEngine& Tables() override { return engine; }
    StatusBarPanel* MessagePanel() override { return &panel; }
    void StartMessageTimer() override {}

    QString LogPath() const { return dir.filePath(QStringLiteral("frames.log")); }

    // Every request the simulator received, in order.
    std::vector<Request> Requests() const {
        std::vector<Request> result;
        QFile f(LogPath());
        if (!f.open(QIODevice::ReadOnly)) return result;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int rx = int(line.indexOf(" RX "));
            if (rx < 0) continue;
            const QByteArray bytes = QByteArray::fromHex(QByteArray(line.mid(rx + 4)).replace(' ', ""));
            if (bytes.size() < 10) continue;
            const int head = bytes[3] == 2 ? 21 : 5;
            result.push_back({bytes[3], uint8_t(bytes[head]), uint8_t(bytes[head + 1]), uint8_t(bytes[head + 2])});
        }
        return result;
    }

    // The data of every write request the simulator received.
    QList<QByteArray> WrittenData() const {
        QList<QByteArray> result;
        QFile f(LogPath());
        if (!f.open(QIODevice::ReadOnly)) return result;
        for (const QByteArray& line : f.readAll().split('\n')) {
            const int rx = int(line.indexOf(" RX "));
            if (rx < 0) continue;
            const QByteArray bytes = QByteArray::fromHex(QByteArray(line.mid(rx + 4)).replace(' ', ""));
            if (bytes.size() > 26 && bytes[3] == 2) result << bytes.mid(24, bytes.size() - 26);
        }
        return result;
    }

    // Runs the command with the dialog's part done by `act`; every message
    // is kept with the panel text of its moment, questions answered "Нет".
    QList<Seen> Run(std::function<void(ChangeUserDialog*)> act) {
        QList<Seen> seen;
        MessageTrap trap([&](MessageKind kind, const MessageLook& look) {
            seen.append({int(kind), look.Line1, look.Line2, panel.text()});
            return false;
        });
        ModalScript script;
        if (act) script.Then<ChangeUserDialog>(act);
        script.Start();
        EditControllerUsers(*this);
        dialogFinished = script.Finished();
        return seen;
    }

    QTemporaryDir dir;
    std::unique_ptr<SimLink> sim;
    QWidget window;
    ControllerLink link{0};
    ConfigImage image;
    MessageBoxRetry retry;
    TableEngine engine{link, image, retry};
    TextPanel panel;
    bool dialogFinished = false;
};

const Request ReadStates{1, 7, 0, 38};
const Request ReadUsersFirst{1, 4, 0, 11};
const Request ReadUsersRest{1, 4, 11, 5};

// Chooses user u (0-based) and fills the dialog.
void Fill(ChangeUserDialog* d, int user, int level, const QString& name, const QString& password, const QString& code) {
    Named<QListWidget>(d, QStringLiteral("userList"))->setCurrentRow(user);
    auto* box = Named<QComboBox>(d, QStringLiteral("levelBox"));
    box->setCurrentIndex(box->findData(level));
    Named<QLineEdit>(d, QStringLiteral("nameEdit"))->setText(name);
    for (const char* edit : {"passwordEdit", "passwordRepeatEdit"}) Named<QLineEdit>(d, QString::fromLatin1(edit))->setText(password);
    for (const char* edit : {"codeEdit", "codeRepeatEdit"}) Named<QLineEdit>(d, QString::fromLatin1(edit))->setText(code);
}

void Write(ChangeUserDialog* d) { Named<QPushButton>(d, QStringLiteral("writeButton"))->click(); }

QByteArray UserBytes(const char* name, uint8_t level, const char* password, const char* code) {
    QByteArray r(UserRecordSize, ' ');
    r.replace(0, int(std::strlen(name)), name);
    r[UserLevelAt] = char(level);
    r[UserReservedAt] = 0;
    r.replace(UserPasswordAt, int(std::strlen(password)), password);
    r.replace(UserCodeAt, int(std::strlen(code)), code);
    return r;
}

}  // namespace

class UsersCommandTest : public QObject {
    Q_OBJECT

private slots:
    // The operator's new password goes out as his one record; the simulator
    // keeps it and takes it as his credentials from then on.
    void writesOnlyTheChangedUser() {
        Session s;
        QVERIFY2(s.Open("12345678", "1234"), qPrintable(s.sim->output()));
        const QList<Seen> seen = s.Run([](ChangeUserDialog* d) {
            Fill(d, 3, Operator, QStringLiteral("OPR"), QStringLiteral("new"), QStringLiteral("44"));
            Write(d);
        });
        QVERIFY(s.dialogFinished);
        QCOMPARE(seen.size(), 0);
        const std::vector<Request> expected{ReadStates, ReadUsersFirst, ReadUsersRest, {2, 4, 3, 1}};
        QCOMPARE(s.Requests(), expected);
        QCOMPARE(s.WrittenData(), QList<QByteArray>{UserBytes("OPR", Operator, "new", "44")});

        // The same user written again unchanged: nothing goes out.
        const QList<Seen> again = s.Run([](ChangeUserDialog* d) {
            Fill(d, 3, Operator, QStringLiteral("OPR"), QStringLiteral("new"), QStringLiteral("44"));
            Write(d);
        });
        QCOMPARE(again.size(), 0);
        QCOMPARE(s.WrittenData().size(), 1);

        // The operator's new credentials write parameters.
        ControllerLink& link = s.link;
        link.WritePassword.fill(' ');
        link.UserCode.fill(' ');
        std::copy_n("new", 3, link.WritePassword.begin());
        std::copy_n("44", 2, link.UserCode.begin());
        QVERIFY(s.engine.ReadTable({6, 6, 1}, nullptr));
        std::vector<uint8_t> old(s.image.Field(6, 6), s.image.Field(6, 6) + 1);
        s.image.Field(6, 6)[0] ^= 1;
        QVERIFY2(s.engine.WriteTableChanges({6, 6, 1}, old.data(), nullptr), qPrintable(link.StatusText()));
    }

    void exitSendsNothing() {
        Session s;
        QVERIFY2(s.Open("12345678", "1234"), qPrintable(s.sim->output()));
        const QList<Seen> seen = s.Run([](ChangeUserDialog* d) {
            Fill(d, 5, Engineer, QStringLiteral("NEW"), QStringLiteral("x"), QStringLiteral("5"));
            Named<QPushButton>(d, QStringLiteral("exitButton"))->click();
        });
        QVERIFY(s.dialogFinished);
        QCOMPARE(seen.size(), 0);
        const std::vector<Request> expected{ReadStates, ReadUsersFirst, ReadUsersRest};
        QCOMPARE(s.Requests(), expected);
    }

    // A write the controller refuses: the retry question, with the
    // controller's reason on the status panel meanwhile; the image keeps
    // what the controller has.
    void refusedWriteShowsTheControllersText_data() {
        QTest::addColumn<QByteArray>("password");
        QTest::addColumn<QByteArray>("code");
        QTest::addColumn<int>("user");
        QTest::addColumn<QString>("code2");
        QTest::addColumn<QString>("reason");
        QTest::newRow("an engineer may not change users") << QByteArray("e") << QByteArray("33") << 5 << "55"
                                                          << "Команда 2.  Недостаточный уровень доступа";
        QTest::newRow("wrong password") << QByteArray("wrong") << QByteArray("1234") << 5 << "55"
                                        << "Команда 2.  Пользователь не зарегистрирован или неправильный пароль";
        QTest::newRow("a code the administrator has") << QByteArray("12345678") << QByteArray("1234") << 5 << "11"
                                                      << "Команда 2.  Пользователь не может быть зарегистрирован";
    }

    void refusedWriteShowsTheControllersText() {
        QFETCH(QByteArray, password);
        QFETCH(QByteArray, code);
        QFETCH(int, user);
        QFETCH(QString, code2);
        QFETCH(QString, reason);
        Session s;
        QVERIFY2(s.Open(password.constData(), code.constData()), qPrintable(s.sim->output()));
        const QList<Seen> seen = s.Run([user, code2](ChangeUserDialog* d) {
            Fill(d, user, Engineer, QStringLiteral("NEW"), QStringLiteral("pw"), code2);
            Write(d);
        });
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].kind, int(MessageKind::RetryQuestion));
        QCOMPARE(seen[0].line1, QStringLiteral("Не выполнена запись в таблицу 4."));
        QCOMPARE(seen[0].line2, QStringLiteral("\" Доступ к таблицам параметров конфигурации\"."));
        QCOMPARE(seen[0].panel, reason);
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(UserRecordAt(s.image.Table(UsersTable), user)), UserRecordSize),
                 UserBytes("", NoAccess, "", ""));
    }

    void destroyedUsersTableIsNotEdited() {
        Session s({QStringLiteral("--destroyed"), QStringLiteral("4")});
        QVERIFY2(s.Open("12345678", "1234"), qPrintable(s.sim->output()));
        const QList<Seen> seen = s.Run(nullptr);
        QCOMPARE(seen.size(), 1);
        QCOMPARE(seen[0].kind, int(MessageKind::SeeControllerState));
        QCOMPARE(seen[0].line1, QStringLiteral("Таблица доступа пользователей"));
        QCOMPARE(seen[0].line2, QStringLiteral("требует полной перезаписи"));
        const std::vector<Request> expected{ReadStates};
        QCOMPARE(s.Requests(), expected);
    }

    // The menu item runs this command: without a controller its first read
    // fails and the table engine asks about the table-state read.
    void menuItemRunsTheCommand() {
        BaseFolder home;
        MainWindow w;
        Named<QTimer>(&w, QStringLiteral("startTimer"))->stop();
        MessageLog log;
        w.MenuItem(QStringLiteral("NPass"))->trigger();
        QVERIFY(!log.seen.isEmpty());
        QCOMPARE(log.seen[0].line1, QStringLiteral("Не выполнено чтение из таблицы 7."));
        QCOMPARE(log.seen[0].kind, int(MessageKind::RetryQuestion));
    }

    // A level no controller should hold is shown as its number; the list and
    // the dialog keep working.
    void unknownLevelIsShownAsItsValue() {
        Session s({QStringLiteral("--raw-level"), QStringLiteral("3:9")});
        QVERIFY2(s.Open("12345678", "1234"), qPrintable(s.sim->output()));
        QString shown;
        QString other;
        s.Run([&](ChangeUserDialog* d) {
            Named<QListWidget>(d, QStringLiteral("userList"))->setCurrentRow(2);
            shown = Named<QComboBox>(d, QStringLiteral("levelBox"))->currentText();
            Named<QListWidget>(d, QStringLiteral("userList"))->setCurrentRow(1);
            other = Named<QComboBox>(d, QStringLiteral("levelBox"))->currentText();
            Named<QPushButton>(d, QStringLiteral("exitButton"))->click();
        });
        QVERIFY(s.dialogFinished);
        QCOMPARE(shown, QStringLiteral("9"));
        QCOMPARE(other, QStringLiteral("Администратор"));
    }
};

QTEST_MAIN(UsersCommandTest)
#include "UsersCommandTest.moc"
