#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "tables/ui/ProgramUserDialog.h"

using namespace zmk;

namespace {

QByteArray Bytes(const uint8_t* data, int size) { return QByteArray(reinterpret_cast<const char*>(data), size); }

// Answers the first message dialog that opens and keeps what it showed.
struct MessageCatcher {
    QString caption, line1, line2;
    bool seen = false;
    QObject context;

    void Arm() {
        QTimer::singleShot(10, &context, [this] {
            auto* box = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                Arm();
                return;
            }
            seen = true;
            caption = box->windowTitle();
            line1 = box->LineText(1);
            line2 = box->LineText(2);
            MessageButton(box, "okButton")->click();
        });
    }
};

}  // namespace

class ShortUsPassTest : public QObject {
    Q_OBJECT

private slots:
    void opensEmptyWithFocusOnCode() {
        ProgramUserDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.size(), QSize(384, 176));
        QCOMPARE(form.windowTitle(), QStringLiteral("Идентификация пользователя программы"));
        QCOMPARE(form.LabelCode->text(), QStringLiteral(" Код идентификации  пользователя"));
        QCOMPARE(form.LabelPass->text(), QStringLiteral(" Пароль на запись в контроллер"));
        QCOMPARE(form.BitBtnAccept->text(), QStringLiteral("Принять"));
        QCOMPARE(form.BitBtnExit->text(), QStringLiteral("Выход"));
        QVERIFY(form.EditCode->text().isEmpty());
        QVERIFY(form.EditPass->text().isEmpty());
        QCOMPARE(form.EditCode->echoMode(), QLineEdit::Password);
        QCOMPARE(form.EditPass->echoMode(), QLineEdit::Password);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.EditCode));
    }

    void codeTakesAtMostFourDigits() {
        ProgramUserDialog form;
        form.show();
        QTest::keyClicks(form.EditCode, QStringLiteral("1a2-b34x5"));
        QCOMPARE(form.EditCode->text(), QStringLiteral("1234"));
        QTest::keyClicks(form.EditPass, QStringLiteral("abcdefghijklmnop"));
        QCOMPARE(form.EditPass->text(), QStringLiteral("abcdefghijkl"));
    }

    void enterWalksToAccept() {
        ProgramUserDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.activateWindow();
        form.EditCode->setFocus();
        QTest::keyClicks(form.EditCode, QStringLiteral("42"));
        QTest::keyClick(form.EditCode, Qt::Key_Return);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.EditPass));
        QVERIFY(form.isVisible());
        QTest::keyClicks(form.EditPass, QStringLiteral("pw"));
        QTest::keyClick(form.EditPass, Qt::Key_Enter);
        QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(form.BitBtnAccept));
        QVERIFY(form.isVisible());
        QTest::keyClick(form.BitBtnAccept, Qt::Key_Return);
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(form.Code.data(), 4), QByteArray("42  "));
        QCOMPARE(Bytes(form.Password.data(), 12), QByteArray("pw          "));
    }

    void emptyCodeIsRefused() {
        ProgramUserDialog form;
        form.show();
        QTest::keyClicks(form.EditPass, QStringLiteral("secret"));
        MessageCatcher catcher;
        catcher.Arm();
        form.BitBtnAccept->click();
        QVERIFY(catcher.seen);
        QCOMPARE(catcher.caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(catcher.line1, QStringLiteral("Не задан код идентификации пользователя"));
        QCOMPARE(catcher.line2, QString());
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
        form.EditCode->setText(code);
        form.EditPass->setText(password);
        form.BitBtnAccept->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(Bytes(form.Code.data(), 4), codeBytes);
        QCOMPARE(Bytes(form.Password.data(), 12), passwordBytes);
    }

    void exitLeavesWithoutAcceptance() {
        ProgramUserDialog form;
        form.show();
        form.EditCode->setText(QStringLiteral("1234"));
        form.BitBtnExit->click();
        QVERIFY(!form.isVisible());
        QCOMPARE(form.result(), int(QDialog::Rejected));
    }
};

QTEST_MAIN(ShortUsPassTest)
#include "ProgramUserDialogTest.moc"
