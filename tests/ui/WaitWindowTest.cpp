#include <QApplication>
#include <QLabel>
#include <QMainWindow>
#include <QPointer>
#include <QProgressBar>
#include <QtTest>

#include "common/ui/WaitWindow.h"

using namespace zmk;

class WaitTest : public QObject {
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
    }

    void modeTexts() {
        QFETCH(int, mode);
        QFETCH(QString, line2);
        QFETCH(QString, line3);
        WaitWindow form;
        form.SetMode(mode);
        QCOMPARE(form.CurrentMode(), mode);
        QCOMPARE(form.Label1->text(), QStringLiteral("Ожидайте..."));
        QCOMPARE(form.Label2->text(), line2);
        QCOMPARE(form.Label3->text(), line3);
        for (QLabel* line : {form.Label1, form.Label2, form.Label3})
            QVERIFY(line->alignment() & Qt::AlignHCenter);
    }

    void unknownModeKeepsTheLines() {
        WaitWindow form;
        form.SetMode(2);
        for (int mode : {0, 5, -1, 1000}) {
            form.SetMode(mode);
            QCOMPARE(form.CurrentMode(), 2);
            QCOMPARE(form.Label2->text(), QStringLiteral("Выполняется запись параметров"));
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
        QCOMPARE(form.ProgressBar1->minimum(), 0);
        QCOMPARE(form.ProgressBar1->maximum(), 100);
        QCOMPARE(form.ProgressBar1->value(), 0);
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
            QCOMPARE(form->Label3->text(), QStringLiteral("Esc - прервать чтение"));
            QCOMPARE(form->ProgressBar1->maximum(), 7);
            for (int i = 1; i <= 9; ++i) {
                wait.Step();
                QCOMPARE(form->ProgressBar1->value(), std::min(i, 7));
            }
            wait.SetPosition(-3);
            QCOMPARE(form->ProgressBar1->value(), 0);
            wait.SetPosition(5);
            QCOMPARE(form->ProgressBar1->value(), 5);
        }
        QVERIFY(form.isNull());
        QVERIFY(main.isEnabled());
    }

    void sessionDefaultsAndWithoutMainWindow() {
        QPointer<WaitWindow> form;
        {
            WaitSession wait(nullptr, WaitWindow::ModeExportWorkbook);
            form = wait.Form();
            QCOMPARE(form->ProgressBar1->maximum(), 100);
            QCOMPARE(form->Label2->text(), QStringLiteral("Выполняется создание"));
        }
        QVERIFY(form.isNull());
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

QTEST_MAIN(WaitTest)
#include "WaitWindowTest.moc"
