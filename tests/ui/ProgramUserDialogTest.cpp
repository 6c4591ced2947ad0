#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include "MessageTrap.h"
#include "tables/ui/ProgramUserDialog.h"

using namespace zmk;

namespace {

QByteArray Bytes(const uint8_t* data, int size) { return QByteArray(reinterpret_cast<const char*>(data), size); }

template <typename T>
T* Part(const ProgramUserDialog& form, const char* name) {
    T* part = form.findChild<T*>(QString::fromLatin1(name));
    if (part == nullptr)
        qFatal("ProgramUserDialog has no %s", name);
    return part;
}

QLineEdit* CodeEdit(const ProgramUserDialog& form) { return Part<QLineEdit>(form, "codeEdit"); }
QLineEdit* PasswordEdit(const ProgramUserDialog& form) { return Part<QLineEdit>(form, "passwordEdit"); }
QPushButton* AcceptButton(const ProgramUserDialog& form) { return Part<QPushButton>(form, "acceptButton"); }
QPushButton* ExitButton(const ProgramUserDialog& form) { return Part<QPushButton>(form, "exitButton"); }

}  // namespace

class ProgramUserDialogTest : public QObject {
    Q_OBJECT

private slots:
    void opensEmptyWithFocusOnCode() {
        ProgramUserDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(384, 176));
        QCOMPARE(form.windowTitle(), QStringLiteral("Идентификация пользователя программы"));
        QCOMPARE(Part<QLabel>(form, "codeLabel")->text(), QStringLiteral(" Код идентификации  пользователя"));
        QCOMPARE(Part<QLabel>(form, "passwordLabel")->text(), QStringLiteral(" Пароль на запись в контроллер"));
        QCOMPARE(AcceptButton(form)->text(), QStringLiteral("Принять"));
        QCOMPARE(ExitButton(form)->text(), QStringLiteral("Выход"));
        QVERIFY(CodeEdit(form)->text().isEmpty());
        QVERIFY(PasswordEdit(form)->text().isEmpty());
        QCOMPARE(CodeEdit(form)->echoMode(), QLineEdit::Password);
        QCOMPARE(PasswordEdit(form)->echoMode(), QLineEdit::Password);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(CodeEdit(form)));
    }

    void codeTakesAtMostFourDigits() {
        ProgramUserDialog form;
        form.show();
        QTest::keyClicks(CodeEdit(form), QStringLiteral("1a2-b34x5"));
        QCOMPARE(CodeEdit(form)->text(), QStringLiteral("1234"));
        QTest::keyClicks(PasswordEdit(form), QStringLiteral("abcdefghijklmnop"));
        QCOMPARE(PasswordEdit(form)->text(), QStringLiteral("abcdefghijkl"));
    }

    void enterWalksToAccept() {
        ProgramUserDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        CodeEdit(form)->setFocus();
        QTest::keyClicks(CodeEdit(form), QStringLiteral("42"));
        QTest::keyClick(CodeEdit(form), Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(PasswordEdit(form)));
        QVERIFY(form.isVisible());
        QTest::keyClicks(PasswordEdit(form), QStringLiteral("pw"));
        QTest::keyClick(PasswordEdit(form), Qt::Key_Enter);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(AcceptButton(form)));
        QVERIFY(form.isVisible());
        QTest::keyClick(AcceptButton(form), Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(form.Code().data(), 4), QByteArray("42  "));
        QCOMPARE(Bytes(form.Password().data(), 12), QByteArray("pw          "));
    }

    void emptyCodeIsRefused() {
        ProgramUserDialog form;
        form.show();
        QTest::keyClicks(PasswordEdit(form), QStringLiteral("secret"));
        QList<MessageLook> shown;
        {
            MessageTrap trap([&](MessageKind, const MessageLook& look) {
                shown.append(look);
                return false;
            });
            AcceptButton(form)->click();
        }
        QCOMPARE(shown.size(), 1);
        QCOMPARE(shown[0].Caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(shown[0].Line1, QStringLiteral("Не задан код идентификации пользователя"));
        QCOMPARE(shown[0].Line2, QString());
        QVERIFY(!shown[0].Question);
        QVERIFY(form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }

    void credentials_data() {
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("password");
        QTest::addColumn<QByteArray>("codeBytes");
        QTest::addColumn<QByteArray>("passwordBytes");
        QTest::newRow("five characters") << "12" << "abcde" << QByteArray("12  ") << QByteArray("abcde       ");
        QTest::newRow("no password") << "1234" << "" << QByteArray("1234") << QByteArray(12, ' ');
        QTest::newRow("full length") << "7" << "123456789012" << QByteArray("7   ") << QByteArray("123456789012");
        // Cyrillic goes out in Windows-1251: "пароль" is EF E0 F0 EE EB FC.
        QTest::newRow("cyrillic") << "0001" << QString::fromUtf8("пароль") << QByteArray("0001")
                                  << QByteArray("\xEF\xE0\xF0\xEE\xEB\xFC      ", 12);
    }

    void credentials() {
        QFETCH(QString, code);
        QFETCH(QString, password);
        QFETCH(QByteArray, codeBytes);
        QFETCH(QByteArray, passwordBytes);
        ProgramUserDialog form;
        form.show();
        CodeEdit(form)->setText(code);
        PasswordEdit(form)->setText(password);
        AcceptButton(form)->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(form.Code().data(), 4), codeBytes);
        QCOMPARE(Bytes(form.Password().data(), 12), passwordBytes);
    }

    void exitLeavesWithoutAcceptance() {
        ProgramUserDialog form;
        form.show();
        CodeEdit(form)->setText(QStringLiteral("1234"));
        ExitButton(form)->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(Bytes(form.Code().data(), 4), QByteArray(4, '\0'));
        QCOMPARE(Bytes(form.Password().data(), 12), QByteArray(12, '\0'));
    }
};

QTEST_MAIN(ProgramUserDialogTest)
#include "ProgramUserDialogTest.moc"
