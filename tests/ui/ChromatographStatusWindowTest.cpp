#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "live/ui/ChromatographStatusWindow.h"

using namespace zmk;

namespace {

// The texts of the line labels of a section, top to bottom.
QStringList LinesOf(const QFrame* panel) {
    QList<QLabel*> labels = panel->findChildren<QLabel*>(Qt::FindDirectChildrenOnly);
    std::sort(labels.begin(), labels.end(), [](QLabel* a, QLabel* b) { return a->y() < b->y(); });
    QStringList texts;
    for (const QLabel* label : labels)
        texts << label->text();
    return texts;
}

}  // namespace

class ChromErrorTest : public QObject {
    Q_OBJECT

private slots:
    void titleAndWidth() {
        ChromatographStatusWindow byDefault(ChromStatusFiveMinute, QString(), 0, 0, 0);
        QCOMPARE(byDefault.windowTitle(),
                 QStringLiteral("Признаки наличия нештатных ситуаций, связанных с работой хроматографа"));
        QCOMPARE(byDefault.width(), 450);
        QCOMPARE(byDefault.BitBtnExit->text(), QStringLiteral("Выход"));

        ChromatographStatusWindow given(ChromStatusHourDay, QStringLiteral("Запись 01.02.24 10:00"), 0, 0, 0);
        QCOMPARE(given.windowTitle(), QStringLiteral("Запись 01.02.24 10:00"));
    }

    void sections_data() {
        QTest::addColumn<int>("mode");
        QTest::addColumn<int>("status");
        QTest::addColumn<int>("low");
        QTest::addColumn<int>("high");
        QTest::addColumn<QString>("controllerHeading");
        QTest::addColumn<QStringList>("controllerLines");
        QTest::addColumn<bool>("chromShown");
        QTest::addColumn<QString>("chromHeading");
        QTest::addColumn<QStringList>("chromLines");

        QTest::newRow("all normal") << 0 << 0x00 << 0x00 << 0x00 << "  Статус контроллера: 0x00"
                                    << QStringList({"Норма"}) << true << "  Статус хроматографа: 0x0000"
                                    << QStringList({"Норма"});
        QTest::newRow("calibration, word 0x8001")
            << 0 << 0x80 << 0x01 << 0x80 << "  Статус контроллера: 0x80"
            << QStringList({"Выполнялась калибровка автоматическая хроматографа"}) << true
            << "  Статус хроматографа: 0x8001"
            << QStringList({" Неудачная автокалибровка", " Не поступают данные от хроматографа"});
        QTest::newRow("off and no link hide the word")
            << 0 << 0x22 << 0x01 << 0x80 << "  Статус контроллера: 0x22"
            << QStringList({"Контроллер был выключен", "Не было связи с хроматографом"}) << false << ""
            << QStringList();
        QTest::newRow("out of limits") << 0 << 0x10 << 0x00 << 0x04 << "  Статус контроллера: 0x10"
                                       << QStringList({"Значение вышло за допускаемые пределы"}) << true
                                       << "  Статус хроматографа: 0x0400"
                                       << QStringList({" Давление газа-носителя неуправляемо"});
        QTest::newRow("hourly normal") << 1 << 0x00 << 0xFF << 0xFF << "  Статус контроллера: 0x00"
                                       << QStringList({"Норма"}) << false << "" << QStringList();
        QTest::newRow("hourly off") << 1 << 0x02 << 0x00 << 0x00 << "  Статус контроллера: 0x02"
                                    << QStringList({"Нет данных - контроллер был выключен"}) << false << ""
                                    << QStringList();
    }

    void sections() {
        QFETCH(int, mode);
        QFETCH(int, status);
        QFETCH(int, low);
        QFETCH(int, high);
        QFETCH(QStringList, controllerLines);
        QFETCH(bool, chromShown);
        QFETCH(QStringList, chromLines);

        ChromatographStatusWindow form(mode, QString(), uint8_t(status), uint8_t(low), uint8_t(high));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTEST(form.LabelController->text(), "controllerHeading");
        QVERIFY(form.PanelController->isVisible());
        QCOMPARE(LinesOf(form.PanelController), controllerLines);
        QCOMPARE(form.PanelController->height(), 15 * int(controllerLines.size()) + 8);

        QCOMPARE(form.LabelChromatograph->isVisible(), chromShown);
        QCOMPARE(form.PanelChromatograph->isVisible(), chromShown);
        if (chromShown) {
            QTEST(form.LabelChromatograph->text(), "chromHeading");
            QCOMPARE(LinesOf(form.PanelChromatograph), chromLines);
            QCOMPARE(form.PanelChromatograph->height(), 15 * int(chromLines.size()) + 8);
            QVERIFY(form.PanelChromatograph->y() > form.PanelController->geometry().bottom());
        }
        // Everything fits in the window, the exit button last.
        const QWidget* last = chromShown ? form.PanelChromatograph : form.PanelController;
        QVERIFY(form.BitBtnExit->y() > last->geometry().bottom());
        QVERIFY(form.BitBtnExit->geometry().bottom() < form.height());
    }

    void windowGrowsWithTheLines() {
        ChromatographStatusWindow few(ChromStatusFiveMinute, QString(), 0x00, 0x00, 0x00);
        ChromatographStatusWindow many(ChromStatusFiveMinute, QString(), 0x00, 0xFF, 0xFF);
        QCOMPARE(many.height() - few.height(), 15 * 15);  // 16 lines instead of 1
        ChromatographStatusWindow hidden(ChromStatusFiveMinute, QString(), 0x02, 0xFF, 0xFF);
        QVERIFY(hidden.height() < few.height());
    }

    void exitCloses() {
        ChromatographStatusWindow form(ChromStatusFiveMinute, QString(), 0, 0, 0);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.BitBtnExit->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(ChromErrorTest)
#include "ChromatographStatusWindowTest.moc"
