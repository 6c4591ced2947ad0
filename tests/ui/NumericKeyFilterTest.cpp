#include <QApplication>
#include <QLineEdit>
#include <QSignalSpy>
#include <QtTest>

#include "common/ui/NumericKeyFilter.h"

using namespace zmk;

// The filters themselves are covered by the core tests; here the event
// filter must apply them to real key presses and leave other keys alone.
class NumericKeyFilterTest : public QObject {
    Q_OBJECT

private slots:
    void typing_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("keys");
        QTest::addColumn<QString>("text");
        QTest::newRow("integer") << int(NumericKeyFilter::Integer) << QStringLiteral("1a2.3-4 5%")
                                 << QStringLiteral("12345%");
        QTest::newRow("float with comma") << int(NumericKeyFilter::Float)
                                          << QStringLiteral("-12,5e+034x") << QStringLiteral("-12.5e+03");
        QTest::newRow("float exponent") << int(NumericKeyFilter::Float) << QStringLiteral("1.5e-077")
                                        << QStringLiteral("1.5e-07");
        QTest::newRow("float letters") << int(NumericKeyFilter::Float) << QStringLiteral("abc3E*")
                                       << QStringLiteral("3");
    }

    void typing() {
        QFETCH(int, kind);
        QFETCH(QString, keys);
        QFETCH(QString, text);
        QLineEdit edit;
        NumericKeyFilter::Install(&edit, NumericKeyFilter::Kind(kind));
        QTest::keyClicks(&edit, keys);
        QCOMPARE(edit.text(), text);
    }

    void filterUsesTheCaret() {
        QLineEdit edit;
        NumericKeyFilter::Install(&edit, NumericKeyFilter::Float);
        edit.setText(QStringLiteral("15"));
        edit.setCursorPosition(0);
        QTest::keyClick(&edit, '-');
        QCOMPARE(edit.text(), QStringLiteral("-15"));
        edit.setCursorPosition(2);
        QTest::keyClick(&edit, ',');
        QCOMPARE(edit.text(), QStringLiteral("-1.5"));
        edit.setCursorPosition(1);
        QTest::keyClick(&edit, 'e');  // not at the end
        QCOMPARE(edit.text(), QStringLiteral("-1.5"));
    }

    void otherKeysKeepWorking() {
        QLineEdit edit;
        NumericKeyFilter::Install(&edit, NumericKeyFilter::Integer);
        QSignalSpy entered(&edit, &QLineEdit::returnPressed);
        QTest::keyClicks(&edit, QStringLiteral("123"));
        QTest::keyClick(&edit, Qt::Key_Backspace);
        QCOMPARE(edit.text(), QStringLiteral("12"));
        QTest::keyClick(&edit, Qt::Key_Left);
        QTest::keyClick(&edit, Qt::Key_Delete);
        QCOMPARE(edit.text(), QStringLiteral("1"));
        QTest::keyClick(&edit, Qt::Key_Home);
        QTest::keyClick(&edit, '9');
        QCOMPARE(edit.text(), QStringLiteral("91"));
        QTest::keyClick(&edit, Qt::Key_Return);
        QCOMPARE(entered.count(), 1);
        QTest::keyClick(&edit, Qt::Key_A, Qt::ControlModifier);
        QCOMPARE(edit.selectedText(), QStringLiteral("91"));
    }
};

QTEST_MAIN(NumericKeyFilterTest)
#include "NumericKeyFilterTest.moc"
