// "Сохранение параметров конфигурации в файле" from the main window against
// the simulator: the whole configuration read under the wait window and
// saved under the proposed name, the same bytes a file load gives back.
#include <QFileDialog>
#include <QFileInfo>
#include <QtTest>

#include "MainWindowFixture.h"
#include "NamedChild.h"
#include "common/Folders.h"
#include "common/ui/WaitWindow.h"
#include "tables/ConfigRecord.h"
#include "tables/Identification.h"

using namespace zmk;
using namespace zmk_test;

class ConfigFromControllerTest : public QObject {
    Q_OBJECT

private slots:
    void init() { ResetShared(); }

    void savesTheControllersConfiguration() {
        SimProcess sim({QStringLiteral("--open-writes")});
        QVERIFY2(sim.ready(), qPrintable(sim.output()));
        // Something of the controller's own to find in the file.
        QVERIFY(SimWrite(sim, {QStringLiteral("22"), QStringLiteral("3"), QStringLiteral("0000C03F")}));
        Home home;
        home.UseEthernet(sim.tcpPort());
        Responder responder;
        bool finished = false;
        auto w = StartMain(&finished);
        QVERIFY(finished);
        QVERIFY(Shared().Connected);

        QString proposed;
        int waitMode = 0;
        responder.other = [&](QWidget* d) {
            auto* dialog = qobject_cast<QFileDialog*>(d);
            if (!dialog) return false;
            proposed = dialog->selectedFiles().value(0);
            if (auto* wait = w->findChild<WaitWindow*>()) waitMode = wait->CurrentMode();
            static_cast<QDialog*>(dialog)->accept();
            return true;
        };
        w->MenuItem(QStringLiteral("Nrdcnf"))->trigger();
        QVERIFY2(!proposed.isEmpty(), "no save dialog");
        QCOMPARE(waitMode, 0);  // the wait window is gone before the dialog
        QVERIFY2(QFileInfo(proposed).fileName().startsWith(QStringLiteral("zmk_10-")), qPrintable(proposed));
        QCOMPARE(QFileInfo(proposed).absolutePath(), QFileInfo(WorkFolderPath(WorkFolder::Config)).absoluteFilePath());
        QCOMPARE(responder.messages.size(), 1);
        QCOMPARE(responder.messages[0].line1, QStringLiteral("Параметры конфигурации"));

        const std::optional<ConfigRecord> saved = ReadConfigFile(proposed);
        QVERIFY(saved.has_value());
        QVERIFY(*saved == ImageToRecord(w->Image()));
        // The dead band of gas parameter 3 (table 22 field 3) as written above.
        const uint8_t* limits = saved->At(config_offset::Limits);
        const QByteArray deadBand3(reinterpret_cast<const char*>(limits) + 3 * 4, 4);
        QCOMPARE(deadBand3.toHex(), QByteArray("0000c03f"));
    }
};

QTEST_MAIN(ConfigFromControllerTest)
#include "ConfigFromControllerTest.moc"
