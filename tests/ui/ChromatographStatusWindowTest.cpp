#include <QApplication>
#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QtTest>

#include "live/ui/ChromatographStatusWindow.h"

using namespace zmk;

namespace {

template <typename T>
T* Part(const ChromatographStatusWindow& form, const char* name) {
    T* part = form.findChild<T*>(QString::fromLatin1(name));
    if (part == nullptr)
        qFatal("ChromatographStatusWindow has no %s", name);
    return part;
}

QLabel* Heading(const ChromatographStatusWindow& form, const char* name) { return Part<QLabel>(form, name); }
QFrame* Lines(const ChromatographStatusWindow& form, const char* name) { return Part<QFrame>(form, name); }
QPushButton* ExitButton(const ChromatographStatusWindow& form) { return Part<QPushButton>(form, "exitButton"); }

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

class ChromatographStatusWindowTest : public QObject {
    Q_OBJECT

private slots:
    void titleAndWidth() {
        ChromatographStatusWindow byDefault(ChromStatusFiveMinute, QString(), 0, 0, 0);
        QCOMPARE(byDefault.windowTitle(),
                 QStringLiteral("Признаки наличия нештатных ситуаций, связанных с работой хроматографа"));
        QCOMPARE(byDefault.width(), 450);
        QCOMPARE(ExitButton(byDefault)->text(), QStringLiteral("Выход"));

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
        QFrame* controller = Lines(form, "controllerLines");
        QFrame* chromatograph = Lines(form, "chromatographLines");
        QTEST(Heading(form, "controllerHeading")->text(), "controllerHeading");
        QVERIFY(controller->isVisible());
        QCOMPARE(LinesOf(controller), controllerLines);
        QCOMPARE(controller->height(), 15 * int(controllerLines.size()) + 8);

        QCOMPARE(Heading(form, "chromatographHeading")->isVisible(), chromShown);
        QCOMPARE(chromatograph->isVisible(), chromShown);
        if (chromShown) {
            QTEST(Heading(form, "chromatographHeading")->text(), "chromHeading");
            QCOMPARE(LinesOf(chromatograph), chromLines);
            QCOMPARE(chromatograph->height(), 15 * int(chromLines.size()) + 8);
            QVERIFY(chromatograph->y() > controller->geometry().bottom());
        }
        // Everything fits in the window, the exit button last.
        const QWidget* last = chromShown ? chromatograph : controller;
        QVERIFY(ExitButton(form)->y() > last->geometry().bottom());
        QVERIFY(ExitButton(form)->geometry().bottom() < form.height());
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
        ExitButton(form)->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(ChromatographStatusWindowTest)
#include "ChromatographStatusWindowTest.moc"
