// The three users dialogs offscreen: texts, button states, every refusal
// message and the bytes each leaves behind.

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>
#include <array>
#include <cstring>

#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "tables/UsersTable.h"
#include "tables/ui/ChangeUserDialog.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/UserPasswordDialog.h"
#include "tables/ui/UsersListDialog.h"

using namespace zmk;

namespace {

using List = std::array<uint8_t, UsersListSize>;

void SetUser(List& list, int at, const char* name, uint8_t level, const char* password, const char* code) {
    uint8_t* r = UserRecordAt(list.data(), at);
    std::memset(r, ' ', UserRecordSize);
    std::memcpy(r + UserNameAt, name, std::strlen(name));
    r[UserLevelAt] = level;
    r[UserReservedAt] = 0;
    std::memcpy(r + UserPasswordAt, password, std::strlen(password));
    std::memcpy(r + UserCodeAt, code, std::strlen(code));
}

// 1 NAL (level 1), 2 ADM (2), 3 OPR (4), 4 a level the program does not
// know (9), the rest free.
List SampleList() {
    List list;
    for (int u = 0; u < UserCount; ++u) BlankUser(UserRecordAt(list.data(), u));
    SetUser(list, 0, "NAL", Manufacturer, "12345678", "1234");
    SetUser(list, 1, "ADM", Administrator, " lead", "77");
    SetUser(list, 2, "OPR", Operator, "op", "44");
    SetUser(list, 3, "ODD", 9, "odd", "99");
    return list;
}

QByteArray Record(const List& list, int user) {
    return QByteArray(reinterpret_cast<const char*>(UserRecordAt(list.data(), user)), UserRecordSize);
}

QByteArray RecordBytes(const char* name, uint8_t level, const char* password, const char* code) {
    List list;
    SetUser(list, 0, name, level, password, code);
    return Record(list, 0);
}

QStringList LevelTexts(const QComboBox* box) {
    QStringList texts;
    for (int i = 0; i < box->count(); ++i) texts << box->itemText(i);
    return texts;
}

void ChooseLevel(QComboBox* box, int level) { box->setCurrentIndex(box->findData(level)); }

void Paste(QLineEdit* edit, const QString& text) {
    QApplication::clipboard()->setText(text);
    edit->setFocus();
    edit->paste();
}

const QStringList FiveLevels{QStringLiteral("Нет доступа"), QStringLiteral("Производитель-наладчик"),
                             QStringLiteral("Администратор"), QStringLiteral("Инженер"), QStringLiteral("Оператор")};

}  // namespace

class UsersDialogsTest : public QObject {
    Q_OBJECT

private slots:
    // --- password and code of one user -----------------------------------------

    void passwordDialogOpensOnTheUser() {
        const List list = SampleList();
        const uint8_t* admin = UserRecordAt(list.data(), 1);
        UserPasswordDialog form(admin + UserPasswordAt, admin + UserCodeAt);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(354, 308));
        QCOMPARE(form.windowTitle(), QStringLiteral("Идентификация пользователя программы"));
        QStringList groups;
        for (const QGroupBox* g : form.findChildren<QGroupBox*>()) groups << g->title();
        QCOMPARE(groups, QStringList({QStringLiteral(" Пароль на запись "),
                                      QStringLiteral(" Код идентификации  пользователя ")}));
        // The padding is not shown; the blank the password begins with is.
        QCOMPARE(Named<QLineEdit>(&form, "passwordEdit")->text(), QStringLiteral(" lead"));
        QCOMPARE(Named<QLineEdit>(&form, "passwordRepeatEdit")->text(), QStringLiteral(" lead"));
        QCOMPARE(Named<QLineEdit>(&form, "codeEdit")->text(), QStringLiteral("77"));
        QCOMPARE(Named<QLineEdit>(&form, "codeRepeatEdit")->text(), QStringLiteral("77"));
        for (const char* name : {"passwordEdit", "passwordRepeatEdit", "codeEdit", "codeRepeatEdit"})
            QCOMPARE(Named<QLineEdit>(&form, name)->echoMode(), QLineEdit::Password);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(Named<QLineEdit>(&form, "codeEdit")));
        Named<QPushButton>(&form, "acceptButton")->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(form.Password().data()), 12), QByteArray(" lead       "));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(form.Code().data()), 4), QByteArray("77  "));
    }

    void passwordDialogEnterWalksToAccept() {
        UserPasswordDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        const char* order[] = {"codeEdit", "codeRepeatEdit", "passwordEdit", "passwordRepeatEdit"};
        const QString typed[] = {QStringLiteral("9"), QStringLiteral("9"), QStringLiteral("pw"), QStringLiteral("pw")};
        Named<QLineEdit>(&form, "codeEdit")->setFocus();
        for (int i = 0; i < 4; ++i) {
            QLineEdit* edit = Named<QLineEdit>(&form, order[i]);
            QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(edit));
            QTest::keyClicks(edit, typed[i]);
            QTest::keyClick(edit, Qt::Key_Return);
            QVERIFY(form.isVisible());
        }
        QPushButton* accept = Named<QPushButton>(&form, "acceptButton");
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(accept));
        QTest::keyClick(accept, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(form.Code().data()), 4), QByteArray("9   "));
    }

    void passwordDialogRefusals_data() {
        QTest::addColumn<QStringList>("typed");  // password, repeat, code, repeat
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QStringList>("left");   // the four fields afterwards
        const QString again = QStringLiteral("Повторите процесс сначала");
        QTest::newRow("passwords differ, checked first")
            << QStringList{"abc", "abd", "1", "2"} << QStringLiteral("Несовпадение введенных паролей") << again
            << QStringList{"", "", "1", "2"};
        QTest::newRow("codes differ") << QStringList{"abc", "abc", "12", "13"}
                                      << QStringLiteral("Несовпадение введенных кодов") << again
                                      << QStringList{"abc", "abc", "", ""};
        QTest::newRow("no code") << QStringList{"abc", "abc", "", ""}
                                 << QStringLiteral("Не задан код идентификации пользователя") << QString()
                                 << QStringList{"abc", "abc", "", ""};
    }

    void passwordDialogRefusals() {
        QFETCH(QStringList, typed);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QStringList, left);
        UserPasswordDialog form;
        form.show();
        const char* names[] = {"passwordEdit", "passwordRepeatEdit", "codeEdit", "codeRepeatEdit"};
        for (int i = 0; i < 4; ++i) QTest::keyClicks(Named<QLineEdit>(&form, names[i]), typed[i]);
        MessageLog log;
        Named<QPushButton>(&form, "acceptButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form.isVisible());
        for (int i = 0; i < 4; ++i) QCOMPARE(Named<QLineEdit>(&form, names[i])->text(), left[i]);
    }

    void passwordDialogStoresBlankPadded() {
        UserPasswordDialog form;
        form.show();
        QTest::keyClicks(Named<QLineEdit>(&form, "passwordEdit"), QStringLiteral("abcde"));
        QTest::keyClicks(Named<QLineEdit>(&form, "passwordRepeatEdit"), QStringLiteral("abcde"));
        QTest::keyClicks(Named<QLineEdit>(&form, "codeEdit"), QStringLiteral("4x2"));
        QTest::keyClicks(Named<QLineEdit>(&form, "codeRepeatEdit"), QStringLiteral("42"));
        Named<QPushButton>(&form, "acceptButton")->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(form.Password().data()), 12), QByteArray("abcde       "));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(form.Code().data()), 4), QByteArray("42  "));
    }

    // Pasted text goes through the same checks as typed text.
    void pastedTextIsCheckedLikeTypedText() {
        UserPasswordDialog form;
        form.show();
        QLineEdit* code = Named<QLineEdit>(&form, "codeEdit");
        Paste(code, QStringLiteral("12ab"));
        QCOMPARE(code->text(), QString());
        Paste(code, QStringLiteral("123456"));
        QCOMPARE(code->text(), QStringLiteral("1234"));
        QLineEdit* password = Named<QLineEdit>(&form, "passwordEdit");
        Paste(password, QStringLiteral("пароль日本"));
        QCOMPARE(password->text(), QString());
        Paste(password, QStringLiteral("пароль"));
        QCOMPARE(password->text(), QStringLiteral("пароль"));

        ChangeUserDialog change(SampleList().data());
        change.show();
        QLineEdit* name = Named<QLineEdit>(&change, "nameEdit");
        name->clear();
        Paste(name, QStringLiteral("A\u20ACB"));  // the euro sign is in Windows-1251
        QCOMPARE(name->text(), QStringLiteral("A\u20ACB"));
        name->clear();
        Paste(name, QStringLiteral("Ω"));
        QCOMPARE(name->text(), QString());
        QLineEdit* changeCode = Named<QLineEdit>(&change, "codeEdit");
        Paste(changeCode, QStringLiteral("7a"));
        QCOMPARE(changeCode->text(), QString());

        ProgramUserDialog identify;
        identify.show();
        QLineEdit* programCode = Named<QLineEdit>(&identify, "codeEdit");
        Paste(programCode, QStringLiteral("ab12"));
        QCOMPARE(programCode->text(), QString());
        Paste(programCode, QStringLiteral("12"));
        QCOMPARE(programCode->text(), QStringLiteral("12"));
    }

    // --- the whole list (configuration) ------------------------------------------

    void listDialogShowsEachRow() {
        const List list = SampleList();
        UsersListDialog form(list.data(), UsersListDialog::AcceptList);
        form.show();
        QCOMPARE(form.size(), QSize(432, 564));
        QCOMPARE(form.windowTitle(), QStringLiteral("Доступ пользователей к записи в контроллер"));
        QCOMPARE(Named<QPushButton>(&form, "confirmButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(Named<QPushButton>(&form, "cancelButton")->text(), QStringLiteral("Отменить"));
        struct Row {
            int user;
            const char* name;
            QString level;
            bool button;
        };
        const Row rows[] = {{0, "NAL", FiveLevels[1], true},
                            {1, "ADM", FiveLevels[2], true},
                            {2, "OPR", FiveLevels[4], true},
                            {3, "ODD", QStringLiteral("9"), true},  // the value as read
                            {4, "", FiveLevels[0], false}};
        for (const Row& r : rows) {
            QCOMPARE(Named<QLineEdit>(&form, QStringLiteral("nameEdit%1").arg(r.user))->text(), QString::fromLatin1(r.name));
            QCOMPARE(Named<QComboBox>(&form, QStringLiteral("levelBox%1").arg(r.user))->currentText(), r.level);
            QCOMPARE(Named<QPushButton>(&form, QStringLiteral("passwordButton%1").arg(r.user))->isEnabled(), r.button);
        }
        QCOMPARE(LevelTexts(Named<QComboBox>(&form, "levelBox0")), FiveLevels);
        QCOMPARE(LevelTexts(Named<QComboBox>(&form, "levelBox3")), FiveLevels + QStringList{QStringLiteral("9")});
        // The button follows the level at once.
        ChooseLevel(Named<QComboBox>(&form, "levelBox4"), Engineer);
        QVERIFY(Named<QPushButton>(&form, "passwordButton4")->isEnabled());
        ChooseLevel(Named<QComboBox>(&form, "levelBox2"), NoAccess);
        QVERIFY(!Named<QPushButton>(&form, "passwordButton2")->isEnabled());

        UsersListDialog writing(list.data(), UsersListDialog::WriteToController);
        QCOMPARE(Named<QPushButton>(&writing, "confirmButton")->text(), QStringLiteral("Записать в устройство"));
    }

    void listDialogRefusesEachRule_data() {
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("level");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("no level 1") << 0 << int(Administrator) << "NAL"
                                    << "В списке зарегистрированных пользователей"
                                    << "не зарегистрирован производитель-наладчик";
        QTest::newRow("second level 1") << 2 << int(Manufacturer) << "OPR" << "Может быть зарегистрирован"
                                        << "только один производитель-наладчик";
        QTest::newRow("no name") << 2 << int(Operator) << "" << "Номер пользователя в таблице: 3."
                                 << "Не задано имя пользователя";
        QTest::newRow("a free row registered without a code") << 6 << int(Engineer) << "NEW"
                                                              << "Номер пользователя в таблице: 7."
                                                              << "Не задан код идентификации пользователя";
        QTest::newRow("same names, padded") << 2 << int(Operator) << "ADM " << "Пользователи   2 и 3."
                                            << "Совпадение имен пользователей";
    }

    void listDialogRefusesEachRule() {
        QFETCH(int, user);
        QFETCH(int, level);
        QFETCH(QString, name);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        const List list = SampleList();
        UsersListDialog form(list.data(), UsersListDialog::AcceptList);
        form.show();
        ChooseLevel(Named<QComboBox>(&form, QStringLiteral("levelBox%1").arg(user)), level);
        Named<QLineEdit>(&form, QStringLiteral("nameEdit%1").arg(user))->setText(name);
        MessageLog log;
        Named<QPushButton>(&form, "confirmButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(log.seen[0].caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void listDialogAcceptsTheEditedList() {
        const List list = SampleList();
        UsersListDialog form(list.data(), UsersListDialog::AcceptList);
        form.show();
        // User 6 is registered with a password of 5 characters through the button.
        ChooseLevel(Named<QComboBox>(&form, "levelBox5"), Engineer);
        Named<QLineEdit>(&form, "nameEdit5")->setText(QStringLiteral("ENG"));
        ModalScript script;
        script.Then<UserPasswordDialog>([](UserPasswordDialog* d) {
            for (const char* name : {"passwordEdit", "passwordRepeatEdit"})
                Named<QLineEdit>(d, name)->setText(QStringLiteral("abcde"));
            for (const char* name : {"codeEdit", "codeRepeatEdit"}) Named<QLineEdit>(d, name)->setText(QStringLiteral("5"));
            Named<QPushButton>(d, "acceptButton")->click();
        });
        script.Start();
        Named<QPushButton>(&form, "passwordButton5")->click();
        QVERIFY(script.Finished());
        // The operator is removed: his password and code go with him.
        ChooseLevel(Named<QComboBox>(&form, "levelBox2"), NoAccess);
        MessageLog log;
        Named<QPushButton>(&form, "confirmButton")->click();
        QCOMPARE(log.seen.size(), 0);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Named<QLineEdit>(&form, "nameEdit2")->text(), QString());
        const List& out = form.List();
        QCOMPARE(Record(out, 5), RecordBytes("ENG", Engineer, "abcde", "5"));
        QCOMPARE(Record(out, 2), RecordBytes("", NoAccess, "", ""));
        QCOMPARE(Record(out, 3), Record(list, 3));  // level 9 kept as it was
        QCOMPARE(Record(out, 0), Record(list, 0));
    }

    void listDialogCancelKeepsTheList() {
        const List list = SampleList();
        UsersListDialog form(list.data(), UsersListDialog::AcceptList);
        form.show();
        ChooseLevel(Named<QComboBox>(&form, "levelBox2"), NoAccess);
        Named<QPushButton>(&form, "cancelButton")->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(form.List(), list);
    }

    // --- one user of the controller ---------------------------------------------

    void changeDialogShowsTheUsers() {
        List image = SampleList();
        ChangeUserDialog form(image.data());
        form.show();
        QCOMPARE(form.size(), QSize(676, 330));
        QCOMPARE(form.windowTitle(), QStringLiteral("Доступ пользователей к записи в контроллер"));
        QCOMPARE(Named<QPushButton>(&form, "writeButton")->text(), QStringLiteral("Записать в устройство"));
        QCOMPARE(Named<QPushButton>(&form, "exitButton")->text(), QStringLiteral("Выход"));
        QCOMPARE(Named<QLabel>(&form, "deleteNote")->text(),
                 QStringLiteral("Для удаления пользователя достаточно ввести уровень доступа \"Нет доступа\""));
        auto* list = Named<QListWidget>(&form, "userList");
        QCOMPARE(list->count(), 16);
        QCOMPARE(list->item(0)->text(), QStringLiteral("NAL"));
        QCOMPARE(list->item(3)->text(), QStringLiteral("ODD"));
        QCOMPARE(list->item(4)->text(), QStringLiteral("   --   "));
        QCOMPARE(list->currentRow(), 0);
        QCOMPARE(Named<QLineEdit>(&form, "nameEdit")->text(), QStringLiteral("NAL"));
        QCOMPARE(Named<QComboBox>(&form, "levelBox")->currentText(), FiveLevels[1]);
        // Choosing a user shows him and empties the passwords and codes.
        Named<QLineEdit>(&form, "passwordEdit")->setText(QStringLiteral("x"));
        Named<QLineEdit>(&form, "codeRepeatEdit")->setText(QStringLiteral("1"));
        list->setCurrentRow(3);
        QCOMPARE(Named<QLineEdit>(&form, "nameEdit")->text(), QStringLiteral("ODD"));
        QCOMPARE(Named<QComboBox>(&form, "levelBox")->currentText(), QStringLiteral("9"));
        for (const char* name : {"passwordEdit", "passwordRepeatEdit", "codeEdit", "codeRepeatEdit"})
            QCOMPARE(Named<QLineEdit>(&form, name)->text(), QString());
        list->setCurrentRow(1);
        QCOMPARE(LevelTexts(Named<QComboBox>(&form, "levelBox")), FiveLevels);
        Named<QPushButton>(&form, "exitButton")->click();
        QCOMPARE(form.ChangedUser(), -1);
        QCOMPARE(image, SampleList());
    }

    void changeDialogRefusals_data() {
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("level");
        QTest::addColumn<QStringList>("typed");  // name, password, repeat, code, repeat
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QStringList>("left");   // password, repeat, code, repeat afterwards
        const QStringList good{"X", "pw", "pw", "5", "5"};
        QTest::newRow("the manufacturer lowered")
            << 0 << int(Administrator) << QStringList{"NAL", "pw", "pw", "5", "5"}
            << "Вы не можете удалить пользователя" << "с уровнем доступа \"Производитель-наладчик\""
            << QStringList{"pw", "pw", "5", "5"};
        QTest::newRow("a second manufacturer") << 4 << int(Manufacturer) << good << "Может быть зарегистрирован"
                                               << "только один производитель-наладчик"
                                               << QStringList{"pw", "pw", "5", "5"};
        QTest::newRow("the only administrator lowered")
            << 1 << int(Engineer) << QStringList{"ADM", "pw", "pw", "5", "5"}
            << "Вы не можете удалить единственного пользователя" << "с уровнем доступа \"Администратор\""
            << QStringList{"pw", "pw", "5", "5"};
        QTest::newRow("the only administrator deleted") << 1 << int(NoAccess) << QStringList{"ADM", "", "", "", ""}
                                                        << "Вы не можете удалить единственного пользователя"
                                                        << "с уровнем доступа \"Администратор\""
                                                        << QStringList{"", "", "", ""};
        QTest::newRow("passwords differ") << 4 << int(Engineer) << QStringList{"X", "pw", "pv", "5", "5"}
                                          << "Несовпадение введенных паролей" << "Повторите процесс сначала"
                                          << QStringList{"", "", "5", "5"};
        QTest::newRow("codes differ") << 4 << int(Engineer) << QStringList{"X", "pw", "pw", "5", "6"}
                                      << "Несовпадение введенных кодов" << "Повторите процесс сначала"
                                      << QStringList{"pw", "pw", "", ""};
        QTest::newRow("no code") << 4 << int(Engineer) << QStringList{"X", "pw", "pw", "", ""}
                                 << "Не задан код идентификации пользователя" << ""
                                 << QStringList{"pw", "pw", "", ""};
        QTest::newRow("no name") << 4 << int(Engineer) << QStringList{"", "pw", "pw", "5", "5"}
                                 << "Номер пользователя в таблице - 5." << "Не задано имя пользователя"
                                 << QStringList{"pw", "pw", "5", "5"};
        QTest::newRow("a taken name") << 4 << int(Engineer) << QStringList{"OPR", "pw", "pw", "5", "5"}
                                      << "Пользователи   5 и  3." << "Совпадение имен пользователей"
                                      << QStringList{"pw", "pw", "5", "5"};
    }

    void changeDialogRefusals() {
        QFETCH(int, user);
        QFETCH(int, level);
        QFETCH(QStringList, typed);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QStringList, left);
        List image = SampleList();
        ChangeUserDialog form(image.data());
        form.show();
        Named<QListWidget>(&form, "userList")->setCurrentRow(user);
        ChooseLevel(Named<QComboBox>(&form, "levelBox"), level);
        const char* names[] = {"nameEdit", "passwordEdit", "passwordRepeatEdit", "codeEdit", "codeRepeatEdit"};
        for (int i = 0; i < 5; ++i) Named<QLineEdit>(&form, names[i])->setText(typed[i]);
        MessageLog log;
        Named<QPushButton>(&form, "writeButton")->click();
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(form.isVisible());
        QCOMPARE(form.ChangedUser(), -1);
        QCOMPARE(image, SampleList());
        for (int i = 0; i < 4; ++i) QCOMPARE(Named<QLineEdit>(&form, names[i + 1])->text(), left[i]);
    }

    void changeDialogWritesOneRecord_data() {
        QTest::addColumn<int>("user");
        QTest::addColumn<int>("level");
        QTest::addColumn<QStringList>("typed");
        QTest::addColumn<QByteArray>("record");
        QTest::newRow("deleting needs no password") << 2 << int(NoAccess) << QStringList{"OPR", "", "", "", ""}
                                                    << RecordBytes("", NoAccess, "", "");
        QTest::newRow("a five-character password") << 5 << int(Engineer) << QStringList{"ENG", "abcde", "abcde", "12", "12"}
                                                   << RecordBytes("ENG", Engineer, "abcde", "12");
        QTest::newRow("another administrator") << 2 << int(Administrator) << QStringList{"OPR", "", "", "44", "44"}
                                               << RecordBytes("OPR", Administrator, "", "44");
        QTest::newRow("a name sharing three letters") << 5 << int(Operator) << QStringList{"OPRA", "", "", "8", "8"}
                                                      << RecordBytes("OPRA", Operator, "", "8");
        QTest::newRow("the manufacturer's new password") << 0 << int(Manufacturer)
                                                         << QStringList{"NAL", "new", "new", "1234", "1234"}
                                                         << RecordBytes("NAL", Manufacturer, "new", "1234");
    }

    void changeDialogWritesOneRecord() {
        QFETCH(int, user);
        QFETCH(int, level);
        QFETCH(QStringList, typed);
        QFETCH(QByteArray, record);
        List image = SampleList();
        ChangeUserDialog form(image.data());
        form.show();
        Named<QListWidget>(&form, "userList")->setCurrentRow(user);
        ChooseLevel(Named<QComboBox>(&form, "levelBox"), level);
        const char* names[] = {"nameEdit", "passwordEdit", "passwordRepeatEdit", "codeEdit", "codeRepeatEdit"};
        for (int i = 0; i < 5; ++i) Named<QLineEdit>(&form, names[i])->setText(typed[i]);
        MessageLog log;
        Named<QPushButton>(&form, "writeButton")->click();
        QCOMPARE(log.seen.size(), 0);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(form.ChangedUser(), user);
        QCOMPARE(Record(image, user), record);
        const List before = SampleList();
        for (int u = 0; u < UserCount; ++u)
            if (u != user) QCOMPARE(Record(image, u), Record(before, u));
    }
};

QTEST_MAIN(UsersDialogsTest)
#include "UsersDialogsTest.moc"
