#include <QApplication>
#include <QFrame>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QtTest>

#include "app/ui/AboutDialog.h"

using namespace zmk;

class AboutDialogTest : public QObject {
    Q_OBJECT

private slots:
    void sizeAndPlace() {
        AboutDialog form;
        QCOMPARE(form.size(), QSize(540, 546));
        QCOMPARE(form.minimumSize(), form.maximumSize());
        const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(form.x(), area.x() + (area.width() - 540) / 2);
        QCOMPARE(form.y(), area.y() + (area.height() - 546) / 2);
    }

    void showsExactlyItsContents() {
        AboutDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));

        QStringList texts;
        int pictures = 0;
        for (QLabel* label : form.findChildren<QLabel*>()) {
            if (!label->isVisible())
                continue;
            if (!label->pixmap().isNull())
                ++pictures;
            else
                texts << label->text();
            QVERIFY2(form.rect().contains(label->mapTo(&form, label->rect().bottomRight())),
                     qPrintable(label->text()));
        }
        texts.sort();
        QCOMPARE(texts, QStringList({QStringLiteral("2004"), QStringLiteral("2024"),
                                     QStringLiteral("zmk_NGC8200"),
                                     QStringLiteral("Версия     10.06")}));
        QCOMPARE(pictures, 1);
        QCOMPARE(form.findChildren<QPushButton*>().size(), 1);
        // The version text sits on its panel.
        auto* panel = form.findChild<QFrame*>(QStringLiteral("versionPanel"));
        QVERIFY(panel != nullptr);
        QCOMPARE(form.findChild<QLabel*>(QStringLiteral("versionLabel"))->parentWidget(),
                 static_cast<QWidget*>(panel));
        QVERIFY(panel->frameShape() != QFrame::NoFrame);
    }

    void pictureIsDrawn() {
        const QImage image = AboutDialog::DrawPicture(480, 300).toImage();
        QCOMPARE(image.size(), QSize(480, 300));
        QSet<QRgb> colours;
        for (int y = 0; y < image.height(); y += 5)
            for (int x = 0; x < image.width(); x += 5)
                colours.insert(image.pixel(x, y));
        QVERIFY2(colours.size() > 20, "the picture is more than a plain fill");
    }

    void closeButtonCloses() {
        AboutDialog form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.findChild<QPushButton*>(QStringLiteral("closeButton"))->click();
        QVERIFY(!form.isVisible());
    }
};

QTEST_MAIN(AboutDialogTest)
#include "AboutDialogTest.moc"
