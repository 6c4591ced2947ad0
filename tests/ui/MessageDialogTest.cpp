#include <QApplication>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QScreen>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <memory>

#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "tables/ui/MessageBoxRetry.h"

using namespace zmk;

namespace {

const QString kDatesLine1 = QStringLiteral("За время работы оператора изменились даты");
const QString kDatesLine2 = QStringLiteral("самой старой  и последней записей в архиве.");

// The kind of the next message and the answer of the last one shown.
int nextKind = 0;
bool lastAnswer = false;

std::unique_ptr<MessageDialog> Compose(int kind, const QString& first, const QString& second) {
    return std::unique_ptr<MessageDialog>(CreateMessageBox(MessageKind(kind), first, second));
}

// Runs the show step and, once its modal loop runs and the dialog is the
// active window, applies action to it. A dialog still open after 5 s is closed so that a fault cannot
// hang the test; that is reported through the returned flag.
bool DriveModal(const std::function<void()>& show, const std::function<void(MessageDialog*)>& action) {
    bool acted = false;
    std::function<void()> poll;
    QElapsedTimer clock;
    clock.start();
    poll = [&] {
        auto* form = qobject_cast<MessageDialog*>(QApplication::activeModalWidget());
        if (form != nullptr && form->isVisible() && form->isActiveWindow()) {
            acted = true;
            action(form);
            return;
        }
        if (clock.elapsed() > 5000) {
            if (QWidget* w = QApplication::activeModalWidget())
                w->close();
            return;
        }
        QTimer::singleShot(10, poll);
    };
    QTimer::singleShot(0, poll);
    show();
    return acted;
}

bool ShowAndDrive(const QString& first, const QString& second,
                  const std::function<void(MessageDialog*)>& action) {
    return DriveModal([&] { lastAnswer = Ask(MessageKind(nextKind), first, second); }, action);
}

}  // namespace

class QuestionTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        nextKind = 0;
        lastAnswer = false;
    }

    void lookOfEveryKind_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("line3");
        QTest::addColumn<bool>("question");
        const QString a = QStringLiteral("Нет ответа от контроллера");
        const QString b = QStringLiteral("Команда 1.");
        QTest::newRow("1") << 1 << QStringLiteral("Ошибка") << a << b << QString() << false;
        QTest::newRow("2") << 2 << QStringLiteral("Ошибка ввода параметров") << a << b << QString()
                           << false;
        QTest::newRow("3") << 3 << QString() << a << b << QString() << true;
        QTest::newRow("4") << 4 << QString() << a << b
                           << QStringLiteral("(см. текущее состояние контроллера)") << false;
        QTest::newRow("5") << 5 << QStringLiteral("Результат обмена с устройством") << a << b
                           << QString() << false;
        QTest::newRow("6") << 6 << QString() << a << b << QString() << false;
        QTest::newRow("7") << 7 << QString() << a << b << QStringLiteral("Повторить попытку?")
                           << true;
        QTest::newRow("9") << 9 << QString() << kDatesLine1 << kDatesLine2 << a << false;
        QTest::newRow("10") << 10 << QString() << kDatesLine1 << kDatesLine2 << a << true;
    }

    void lookOfEveryKind() {
        QFETCH(int, kind);
        QFETCH(QString, caption);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        QFETCH(QString, line3);
        QFETCH(bool, question);
        // Kinds 9 and 10 take their text from the first argument only.
        const bool fixedLines = kind == 9 || kind == 10;
        auto form = Compose(kind, fixedLines ? line3 : line1, fixedLines ? QString() : line2);
        QCOMPARE(form->windowTitle(), caption);
        QCOMPARE(form->LineText(1), line1);
        QCOMPARE(form->LineText(2), line2);
        QCOMPARE(form->LineText(3), line3);
        QCOMPARE(MessageButton(form, "yesButton")->isHidden(), !question);
        QCOMPARE(MessageButton(form, "noButton")->isHidden(), !question);
        QCOMPARE(MessageButton(form, "okButton")->isHidden(), question);
        QCOMPARE(MessageButton(form, "yesButton")->text(), QStringLiteral("Да"));
        QCOMPARE(MessageButton(form, "noButton")->text(), QStringLiteral("Нет"));
        QVERIFY(MessageButton(form, "okButton")->text().isEmpty());
        QVERIFY(!MessageButton(form, "okButton")->icon().isNull());
    }

    void heightRule_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("height");
        const QString x = QStringLiteral("текст");
        QTest::newRow("one line") << 6 << x << QString() << 124;
        QTest::newRow("empty message") << 1 << QString() << QString() << 124;
        QTest::newRow("two lines") << 1 << x << x << 150;
        QTest::newRow("second line only") << 1 << QString() << x << 150;
        QTest::newRow("third line, second empty") << 4 << x << QString() << 175;
        QTest::newRow("three lines") << 7 << x << x << 175;
        QTest::newRow("archive dates") << 9 << x << QString() << 175;
        QTest::newRow("archive dates, empty question") << 10 << QString() << QString() << 150;
    }

    void heightRule() {
        QFETCH(int, kind);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, height);
        auto form = Compose(kind, first, second);
        QCOMPARE(form->height(), height);
    }

    void widthRule_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("second");
        QTest::addColumn<int>("width");
        // At least "Да" (75) + "Нет" (75) + 60.
        QTest::newRow("short lines") << 6 << QStringLiteral("Готово") << QString() << 210;
        // Letters of ordinary width: the rule of 10 pixels a character holds.
        QTest::newRow("19 characters") << 6 << QString(19, u'о') << QString() << 210;
        QTest::newRow("20 characters") << 6 << QString(20, u'о') << QString() << 220;
        QTest::newRow("second line longest") << 1 << QStringLiteral("а") << QString(40, u'б') << 420;
        // "Результат обмена с устройством" is 30 characters.
        QTest::newRow("caption longest") << 5 << QStringLiteral("ок") << QString() << 320;
        // "(см. текущее состояние контроллера)" is 35 characters.
        QTest::newRow("third line longest") << 4 << QStringLiteral("а") << QString() << 370;
        // "самой старой  и последней записей в архиве." is 43 characters.
        QTest::newRow("archive dates") << 10 << QStringLiteral("Корректировать?") << QString() << 450;
    }

    void widthRule() {
        QFETCH(int, kind);
        QFETCH(QString, first);
        QFETCH(QString, second);
        QFETCH(int, width);
        auto form = Compose(kind, first, second);
        QCOMPARE(form->width(), width);
        for (QLabel* line : {MessageLine(form, 1), MessageLine(form, 2), MessageLine(form, 3)}) {
            QCOMPARE(line->width(), width - 14);
            QCOMPARE(line->x(), 7);
            QVERIFY(line->alignment() & Qt::AlignHCenter);
        }
    }

    // Letters wider than the rule allows (and a caption beside the title
    // bar's buttons) widen the dialog: every text is read in full.
    void wideTextsWidenTheDialog_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("first");
        QTest::newRow("wide letters") << 6 << QString(40, u'Ш');
        QTest::newRow("input error caption") << 2 << QStringLiteral("Число");
    }

    void wideTextsWidenTheDialog() {
        QFETCH(int, kind);
        QFETCH(QString, first);
        auto form = Compose(kind, first, QString());
        const QFontMetrics metrics(MessageLine(form, 1)->font());
        QVERIFY(form->width() >= metrics.horizontalAdvance(first) + 14);
        QVERIFY(MessageLine(form, 1)->width() >= metrics.horizontalAdvance(first));
        QVERIFY(form->width() >= metrics.horizontalAdvance(form->windowTitle()) + MessageDialog::TitleBarAllowance);
    }

    void buttonPlacement_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("chars");
        QTest::addColumn<int>("width");
        QTest::addColumn<int>("noX");
        QTest::addColumn<int>("yesX");
        QTest::addColumn<int>("okX");
        // Free width = width - 150; "Нет" at free / 3 - 3, "Да" after the same gap.
        QTest::newRow("question, narrow") << 3 << 5 << 210 << 17 << 109 << -1;
        QTest::newRow("question, 38 characters") << 3 << 38 << 400 << 80 << 235 << -1;
        QTest::newRow("retry, 61 characters") << 7 << 61 << 630 << 157 << 389 << -1;
        QTest::newRow("acknowledgement, narrow") << 1 << 5 << 210 << -1 << -1 << 67;
        QTest::newRow("acknowledgement, wide") << 6 << 50 << 520 << -1 << -1 << 222;
    }

    void buttonPlacement() {
        QFETCH(int, kind);
        QFETCH(int, chars);
        QFETCH(int, width);
        QFETCH(int, noX);
        QFETCH(int, yesX);
        QFETCH(int, okX);
        auto form = Compose(kind, QString(chars, u'о'), QString());
        QCOMPARE(form->width(), width);
        QPushButton* visible = nullptr;
        if (okX < 0) {
            QCOMPARE(MessageButton(form, "noButton")->x(), noX);
            QCOMPARE(MessageButton(form, "yesButton")->x(), yesX);
            QCOMPARE(MessageButton(form, "yesButton")->y(), MessageButton(form, "noButton")->y());
            visible = MessageButton(form, "yesButton");
        } else {
            QCOMPARE(MessageButton(form, "okButton")->x(), okX);
            visible = MessageButton(form, "okButton");
        }
        // Inside the dialog, below the last line.
        QVERIFY(visible->geometry().bottom() < form->height());
        const QLabel* last = form->LineText(3).isEmpty()
                                 ? (form->LineText(2).isEmpty() ? MessageLine(form, 1) : MessageLine(form, 2))
                                 : MessageLine(form, 3);
        QVERIFY(visible->y() > last->geometry().bottom());
    }

    void buttonsBelowTheLinesAtEveryHeight() {
        for (int kind : {1, 4, 7}) {
            auto form = Compose(kind, QStringLiteral("а"), kind == 4 ? QString() : QStringLiteral("б"));
            const QPushButton* button = kind == 7 ? MessageButton(form, "yesButton") : MessageButton(form, "okButton");
            const QLabel* last = kind == 1 ? MessageLine(form, 2) : MessageLine(form, 3);
            QVERIFY2(button->y() > last->geometry().bottom(), qPrintable(QString::number(kind)));
            QVERIFY(button->geometry().bottom() < form->height());
        }
    }

    void focusAndCentring() {
        QScreen* screen = QGuiApplication::primaryScreen();
        QVERIFY(screen != nullptr);
        const QRect area = screen->availableGeometry();
        for (int kind : {3, 5}) {
            auto form = Compose(kind, QStringLiteral("Вопрос или сообщение"), QString());
            QCOMPARE(form->x(), area.x() + (area.width() - form->width()) / 2);
            QCOMPARE(form->y(), area.y() + (area.height() - form->height()) / 2);
            form->show();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            QPushButton* expected = kind == 3 ? MessageButton(form, "yesButton") : MessageButton(form, "okButton");
            QCOMPARE(QApplication::focusWidget(), static_cast<QWidget*>(expected));
            form->hide();
        }
    }

    void answerFollowsTheWayTheDialogCloses_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("how");
        QTest::addColumn<bool>("answer");
        for (int kind : {3, 7, 10}) {
            QTest::addRow("kind %d, Да", kind) << kind << QStringLiteral("yes") << true;
            QTest::addRow("kind %d, Нет", kind) << kind << QStringLiteral("no") << false;
            QTest::addRow("kind %d, window button", kind) << kind << QStringLiteral("close") << false;
            QTest::addRow("kind %d, Esc", kind) << kind << QStringLiteral("esc") << false;
            QTest::addRow("kind %d, Enter", kind) << kind << QStringLiteral("enter") << true;
        }
        QTest::newRow("acknowledgement, click") << 1 << QStringLiteral("ok") << false;
        QTest::newRow("acknowledgement, Enter") << 5 << QStringLiteral("enter") << false;
    }

    void answerFollowsTheWayTheDialogCloses() {
        QFETCH(int, kind);
        QFETCH(QString, how);
        QFETCH(bool, answer);
        nextKind = kind;
        // A previous "Да" must not survive into the next message.
        lastAnswer = true;
        QPointer<MessageDialog> seen;
        const bool acted = ShowAndDrive(QStringLiteral("Записать?"), QStringLiteral("строка"),
                                        [&](MessageDialog* form) {
            seen = form;
            if (how == "yes")
                MessageButton(form, "yesButton")->click();
            else if (how == "no")
                MessageButton(form, "noButton")->click();
            else if (how == "ok")
                MessageButton(form, "okButton")->click();
            else if (how == "close")
                form->close();
            else if (how == "esc")
                QTest::keyClick(form, Qt::Key_Escape);
            else if (how == "enter")
                QTest::keyClick(form->focusWidget(), Qt::Key_Return);
        });
        QVERIFY(acted);
        QCOMPARE(lastAnswer, answer);
        QVERIFY2(seen.isNull(), "the dialog is destroyed after it is shown");
        QVERIFY(QApplication::activeModalWidget() == nullptr);
    }

    void clockQuestionClosedByWindowButton() {
        nextKind = 3;
        QString title;
        bool yesShown = false;
        bool noShown = false;
        const bool acted = ShowAndDrive(
            QStringLiteral("В контроллер будет записано время ЭВМ."),
            QStringLiteral("Вы уверены, что часы ЭВМ показывают правильное время?"),
            [&](MessageDialog* form) {
                title = form->windowTitle();
                yesShown = MessageButton(form, "yesButton")->isVisible();
                noShown = MessageButton(form, "noButton")->isVisible() && !MessageButton(form, "okButton")->isVisible();
                form->close();
            });
        QVERIFY(acted);
        QVERIFY(yesShown);
        QVERIFY(noShown);
        QVERIFY(title.isEmpty());
        QVERIFY(!lastAnswer);
    }

    void archivePeriodQuestion() {
        nextKind = 10;
        QStringList lines;
        bool buttons = false;
        int height = 0;
        const bool acted = ShowAndDrive(QStringLiteral("Корректировать заданный период чтения данных?"),
                                        QString(), [&](MessageDialog* form) {
            lines = {form->LineText(1), form->LineText(2), form->LineText(3)};
            buttons = MessageButton(form, "yesButton")->isVisible() && MessageButton(form, "noButton")->isVisible() &&
                      !MessageButton(form, "okButton")->isVisible();
            height = form->height();
            MessageButton(form, "yesButton")->click();
        });
        QVERIFY(acted);
        QCOMPARE(lines, QStringList({kDatesLine1, kDatesLine2,
                                     QStringLiteral("Корректировать заданный период чтения данных?")}));
        QVERIFY(buttons);
        QCOMPARE(height, 175);
        QVERIFY(lastAnswer);
    }

    // The table engine's question: always the retry kind, whatever was set before.
    void engineRetryQuestion() {
        for (const bool yes : {true, false}) {
            nextKind = 1;
            QStringList lines;
            bool answer = !yes;
            MessageBoxRetry retry;
            const bool acted = DriveModal(
                [&] { answer = retry.AskRetry(QStringLiteral("Не выполнено чтение из таблицы 6."),
                                              QStringLiteral("\" Системные параметры\"")); },
                [&](MessageDialog* form) {
                    lines = {form->LineText(1), form->LineText(2), form->LineText(3)};
                    (yes ? MessageButton(form, "yesButton") : MessageButton(form, "noButton"))->click();
                });
            QVERIFY(acted);
            QCOMPARE(lines, QStringList({QStringLiteral("Не выполнено чтение из таблицы 6."),
                                         QStringLiteral("\" Системные параметры\""),
                                         QStringLiteral("Повторить попытку?")}));
            QCOMPARE(answer, yes);
        }
    }
};

QTEST_MAIN(QuestionTest)
#include "MessageDialogTest.moc"
