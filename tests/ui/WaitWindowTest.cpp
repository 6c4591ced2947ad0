#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>

#include "common/ui/WaitWindow.h"

using namespace zmk;

namespace {

// Line 1..3 of the wait window.
QLabel* Line(const WaitWindow* form, int line) {
    return form->findChild<QLabel*>(QStringLiteral("line%1").arg(line));
}

QProgressBar* Bar(const WaitWindow* form) {
    return form->findChild<QProgressBar*>(QStringLiteral("progressBar"));
}

}  // namespace

class WaitWindowTest : public QObject {
    Q_OBJECT

private slots:
    void modeTexts_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("line2");
        QTest::addColumn<QString>("line3");
        QTest::newRow("1 archive read") << 1 << QStringLiteral("Выполняется чтение данных")
                                        << QStringLiteral("Esc - прервать чтение");
        QTest::newRow("2 configuration write") << 2 << QStringLiteral("Выполняется запись параметров")
                                               << QStringLiteral("конфигурации в контроллер");
        QTest::newRow("3 configuration read") << 3 << QStringLiteral("Выполняется чтение")
                                              << QStringLiteral("таблиц параметров конфигурации");
        QTest::newRow("4 workbook") << 4 << QStringLiteral("Выполняется создание")
                                    << QStringLiteral("таблицы в формате Excel");
        QTest::newRow("5 passport") << 5 << QStringLiteral("Выполняется формирование")
                                    << QStringLiteral("отчета в формате Excel");
    }

    void modeTexts() {
        QFETCH(int, mode);
        QFETCH(QString, line2);
        QFETCH(QString, line3);
        WaitWindow form;
        form.SetMode(mode);
        QCOMPARE(form.CurrentMode(), mode);
        QCOMPARE(Line(&form, 1)->text(), QStringLiteral("Ожидайте..."));
        QCOMPARE(Line(&form, 2)->text(), line2);
        QCOMPARE(Line(&form, 3)->text(), line3);
        for (QLabel* line : {Line(&form, 1), Line(&form, 2), Line(&form, 3)})
            QVERIFY(line->alignment() & Qt::AlignHCenter);
    }

    void unknownModeKeepsTheLines() {
        WaitWindow form;
        form.SetMode(2);
        for (int mode : {0, 6, -1, 1000}) {
            form.SetMode(mode);
            QCOMPARE(form.CurrentMode(), 2);
            QCOMPARE(Line(&form, 2)->text(), QStringLiteral("Выполняется запись параметров"));
        }
    }

    void windowShape() {
        WaitWindow form;
        QCOMPARE(form.windowTitle(), QStringLiteral("..."));
        QCOMPARE(form.size(), QSize(332, 126));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const Qt::WindowFlags flags = form.windowFlags();
        QVERIFY(!(flags & Qt::WindowCloseButtonHint));
        QVERIFY(!(flags & Qt::WindowSystemMenuHint));
        QVERIFY(!(flags & Qt::WindowMinMaxButtonsHint));
        QVERIFY(flags & Qt::WindowTitleHint);
        QCOMPARE(Bar(&form)->minimum(), 0);
        QCOMPARE(Bar(&form)->maximum(), 100);
        QCOMPARE(Bar(&form)->value(), 0);
    }

    void userCannotCloseIt() {
        WaitWindow form;
        form.SetMode(1);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QVERIFY(!form.close());
        QVERIFY(form.isVisible());
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(form.isVisible());
    }

    void sessionDisablesShowsAndRestores() {
        QMainWindow main;
        main.show();
        QVERIFY(QTest::qWaitForWindowExposed(&main));
        QPointer<WaitWindow> form;
        {
            WaitSession wait(&main, WaitWindow::ModeReadData, 7);
            form = wait.Form();
            QVERIFY(!main.isEnabled());
            QVERIFY(form->isVisible());
            QCOMPARE(Line(form, 3)->text(), QStringLiteral("Esc - прервать чтение"));
            QCOMPARE(Bar(form)->maximum(), 7);
            for (int i = 1; i <= 9; ++i) {
                wait.Step();
                QCOMPARE(Bar(form)->value(), std::min(i, 7));
            }
            wait.SetPosition(-3);
            QCOMPARE(Bar(form)->value(), 0);
            wait.SetPosition(5);
            QCOMPARE(Bar(form)->value(), 5);
            QCOMPARE(form->Progress(), 5);
            QCOMPARE(form->ProgressMaximum(), 7);
            wait.Complete();
            QCOMPARE(Bar(form)->value(), 7);
        }
        QVERIFY(form.isNull());
        QVERIFY(main.isEnabled());
    }

    void sessionDefaultsAndWithoutMainWindow() {
        QPointer<WaitWindow> form;
        {
            WaitSession wait(nullptr, WaitWindow::ModeExportWorkbook);
            form = wait.Form();
            QCOMPARE(Bar(form)->maximum(), 100);
            QCOMPARE(Line(form, 2)->text(), QStringLiteral("Выполняется создание"));
        }
        QVERIFY(form.isNull());
    }

    void sessionMaximumIsAtLeastOne_data() {
        QTest::addColumn<int>("maximum");
        QTest::addColumn<int>("shown");
        QTest::newRow("zero") << 0 << 1;
        QTest::newRow("negative") << -5 << 1;
        QTest::newRow("one") << 1 << 1;
        QTest::newRow("a year of pages") << 366 << 366;
    }

    void sessionMaximumIsAtLeastOne() {
        QFETCH(int, maximum);
        QFETCH(int, shown);
        WaitSession wait(nullptr, WaitWindow::ModeReadConfig, maximum);
        QCOMPARE(Bar(wait.Form())->maximum(), shown);
        wait.Complete();
        QCOMPARE(Bar(wait.Form())->value(), shown);
    }

    void sessionSurvivesTheMainWindowGoingAway() {
        auto* main = new QWidget;
        main->show();
        QPointer<WaitWindow> form;
        {
            WaitSession wait(main, WaitWindow::ModeWriteConfig, 3);
            form = wait.Form();
            delete main;
        }
        QVERIFY(form.isNull());
    }
};

QTEST_MAIN(WaitWindowTest)
#include "WaitWindowTest.moc"
