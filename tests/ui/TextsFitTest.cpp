// Every text of every dialog is readable in full with the fonts of a stock
// Linux desktop: the application font is DejaVu Sans (Debian's
// fonts-dejavu-core), and each label, box, button, group title and grid
// column title is measured against the room its widget has.
#include <QApplication>
#include <QFontDatabase>
#include <QScrollBar>
#include <QtTest>
#include <functional>
#include <memory>
#include <vector>

#include "BaseFolder.h"
#include "TextFit.h"
#include "app/ui/AboutDialog.h"
#include "common/MessageKind.h"
#include "common/ui/MessageDialog.h"
#include "events/ui/EventIndexDialog.h"
#include "events/ui/EventPeriodDialog.h"
#include "link/ControllerLink.h"
#include "link/ui/ConnectDialog.h"
#include "link/ui/LinkSettingsDialog.h"
#include "link/ui/SubscriberDialog.h"
#include "link/ui/SubscriberListDialog.h"
#include "live/ui/ChromatographStatusWindow.h"
#include "measurements/ArchiveBounds.h"
#include "common/PackedDate.h"
#include "measurements/MeasurementFile.h"
#include "measurements/ui/ArchivePeriodDialog.h"
#include "measurements/ui/ChromFiveMinuteViewer.h"
#include "measurements/ui/ChromHourDayViewer.h"
#include "measurements/ui/MoistureFiveMinuteViewer.h"
#include "measurements/ui/MoistureHourDayViewer.h"
#include "reports/ui/ObjectDialog.h"
#include "reports/ui/ObjectListDialog.h"
#include "reports/ui/ReportFormatDialog.h"
#include "settings/MainSettings.h"
#include "tables/ui/ChangeUserDialog.h"
#include "tables/ui/ClockDialog.h"
#include "tables/ui/ControllerNameDialog.h"
#include "tables/ui/FlowComputerDialogs.h"
#include "tables/ui/GasLimitsDialogs.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/LinkParamsDialogs.h"
#include "tables/ui/ProgramUserDialog.h"
#include "tables/ui/SystemParamsDialog.h"
#include "tables/ui/TableStateDialog.h"
#include "tables/ui/UserPasswordDialog.h"
#include "tables/ui/UsersListDialog.h"

using namespace zmk;

namespace {

using Factory = std::function<std::unique_ptr<QWidget>()>;

// Field bytes for the parameter dialogs: zeros and room enough for any of them.
uint8_t* Fields() {
    static std::vector<uint8_t> fields(8192, 0);
    return fields.data();
}

// A viewer's records: one of each look, a damaged one among them.
RecordStore Records(ArchiveKind kind) {
    QByteArray bytes;
    const uint8_t statuses[] = {0x00, 0x10, 0x80, 0x02, 0x04, 0x00};
    for (int i = 0; i < 6; ++i) {
        QByteArray r(RecordSize(kind), '\0');
        auto* p = reinterpret_cast<uint8_t*>(r.data());
        PackedDate{24, 3, 1, uint8_t(i), 0, 0}.ToBytes(p);
        const bool five = IsFiveMinute(kind);
        if (!five) p[6] = uint8_t(i + 1);
        p[five ? 6 : 9] = statuses[i];
        const int values = IsChromatograph(kind) ? 20 : 4;
        for (int v = 0; v < values; ++v) PutFloat(p + (five ? 11 : 10) + 4 * v, 1234.5678f - 100.0f * float(v));
        if (IsChromatograph(kind)) PutFloat(p + (five ? 11 : 10) + 4 * GasCH4, 91.25f);
        SealRecord(p, int(r.size()));
        if (i == 5) r[20] = char(r[20] ^ 1);  // a bad checksum
        bytes += r;
    }
    return RecordStore(kind, bytes);
}

template <typename Viewer>
std::unique_ptr<QWidget> MakeViewer(ArchiveKind kind) {
    HeaderTableValues values;
    values.chromatographType = ServedChromatographType;
    MeasurementFileHeader header = BuildMeasurementFileHeader(
        kind, values, 5, PackedDate{24, 4, 1, 9, 0, 0}, PackedDate{24, 3, 1, 0, 0, 0}, PackedDate{24, 3, 3, 0, 0, 0}, 6);
    header.hexaneColumn = 1;  // the "C6+" column with its values
    return std::make_unique<Viewer>(header, Records(kind));
}

// ZMK_SHOT=FILE.png saves the picture of the dialog (a viewer scrolled all
// the way right) for scripts/screenshot --dialog.
void SavePicture(QWidget& dialog) {
    const QString path = qEnvironmentVariable("ZMK_SHOT");
    if (path.isEmpty()) return;
    for (QTableView* grid : dialog.findChildren<QTableView*>(QStringLiteral("recordView")))
        grid->horizontalScrollBar()->setValue(grid->horizontalScrollBar()->maximum());
    QTest::qWait(50);
    if (!dialog.grab().save(path)) qWarning("cannot save %s", qPrintable(path));
}

std::unique_ptr<QWidget> LinkSettings(uint8_t kind) {
    Settings() = MainSettings{};
    Settings().ChannelKind = kind;
    return std::make_unique<LinkSettingsDialog>();
}

std::vector<std::pair<const char*, Factory>> Dialogs() {
    static PhoneAbonent phone{};
    static EthernetAbonent ethernet{};
    static PhoneList phones{};
    static EthernetList ethernets{};
    static ObjectEntry object{};
    static ObjectList objects{};
    static ReportFormat format{};
    static LimitSet limits{};
    static LimitSets allLimits{};
    static FlowComputerEntry flow{};
    static FlowComputerList flows{};
    static ControllerLink link(1);
    static ConnectHost host{nullptr, nullptr, nullptr, {}, &link};
    const PackedDate now{24, 3, 1, 10, 0, 0};
    const ArchiveBounds bounds{PackedDate{24, 1, 1, 0, 0, 0}, PackedDate{24, 3, 1, 9, 0, 0}};
    TableSelection selection;
    selection.inConfig.fill(true);
    selection.destroyed.fill(true);
    const auto params = ParamsMode::Device;
    return {
        {"serial link settings", [] { return LinkSettings(ChannelDirect); }},
        {"telephone link settings", [] { return LinkSettings(ChannelPhone); }},
        {"Ethernet link settings", [] { return LinkSettings(ChannelEthernet); }},
        {"connection, serial", [] { Settings() = MainSettings{}; Settings().ChannelKind = ChannelDirect; return std::make_unique<ConnectDialog>(host); }},
        {"connection, telephone", [] { Settings() = MainSettings{}; Settings().ChannelKind = ChannelPhone; return std::make_unique<ConnectDialog>(host); }},
        {"connection, Ethernet", [] { Settings() = MainSettings{}; Settings().ChannelKind = ChannelEthernet; return std::make_unique<ConnectDialog>(host); }},
        {"telephone subscriber", [] { return std::make_unique<SubscriberDialog>(phone, SubscriberDialog::EditEntry); }},
        {"Ethernet subscriber", [] { return std::make_unique<SubscriberDialog>(ethernet, SubscriberDialog::EditEntry); }},
        {"telephone subscribers", [] { return std::make_unique<SubscriberListDialog>(phones); }},
        {"Ethernet subscribers", [] { return std::make_unique<SubscriberListDialog>(ethernets); }},
        {"upper-level link", [=] { return std::make_unique<UpperLevelLinkDialog>(Fields(), params, true); }},
        {"chromatograph link", [=] { return std::make_unique<ChromatographLinkDialog>(Fields(), params); }},
        {"moisture-meter link", [=] { return std::make_unique<MoistureMeterLinkDialog>(Fields(), params); }},
        {"flow-computer link", [=] { return std::make_unique<FlowComputerLinkDialog>(Fields(), params); }},
        {"Ethernet parameters", [=] { return std::make_unique<EthernetLinkDialog>(Fields(), params); }},
        {"flow computer", [] { return std::make_unique<FlowComputerDialog>(flow, 0, true); }},
        {"flow computers", [=] { return std::make_unique<FlowComputerListDialog>(flows, params); }},
        {"gas parameters to write", [=] { return std::make_unique<GasParameterWriteDialog>(Fields(), params); }},
        {"hourly write period", [=] { return std::make_unique<HourlyWritePeriodDialog>(Fields(), params); }},
        {"program user", [] { return std::make_unique<ProgramUserDialog>(); }},
        {"change user", [] { return std::make_unique<ChangeUserDialog>(Fields()); }},
        {"controller name", [] { return std::make_unique<ControllerNameDialog>(Fields(), true); }},
        {"clock", [=] { return std::make_unique<ClockDialog>(ClockReading{now, 2, true}, ClockReading{now, 2, false}); }},
        {"system parameters", [] { return std::make_unique<SystemParamsDialog>(Fields(), SystemParamsDialog::Mode::WriteToController); }},
        {"table states", [=] { return std::make_unique<TableStateDialog>(selection, 14, ChannelPhone, nullptr); }},
        {"identification", [] { return std::make_unique<IdentificationDialog>(Fields(), true); }},
        {"users", [] { return std::make_unique<UsersListDialog>(Fields(), UsersListDialog::WriteToController); }},
        {"gas limits", [] { return std::make_unique<GasLimitsDialog>(0, limits); }},
        {"gas limits list", [=] { return std::make_unique<GasLimitsListDialog>(allLimits, true, params); }},
        {"user password", [] { return std::make_unique<UserPasswordDialog>(); }},
        {"about", [] { return std::make_unique<AboutDialog>(); }},
        {"event period", [=] { return std::make_unique<EventPeriodDialog>(now); }},
        {"event index", [] { return std::make_unique<EventIndexDialog>(EventKind::Diagnostics, EventArchiveBounds{1, 100}); }},
        {"archive period, hours", [=] { return std::make_unique<ArchivePeriodDialog>(UnitHour, bounds, now); }},
        {"archive period, 5 minutes", [=] { return std::make_unique<ArchivePeriodDialog>(UnitFiveMinutes, bounds, now); }},
        {"object", [] { return std::make_unique<ObjectDialog>(object, ObjectDialog::EditEntry); }},
        {"objects", [] { return std::make_unique<ObjectListDialog>(objects, QStringLiteral("objects.ini")); }},
        {"report format", [] { return std::make_unique<ReportFormatDialog>(format); }},
        {"chromatograph 5-minute viewer", [] { return MakeViewer<ChromFiveMinuteViewer>(ArchiveKind::ChromFiveMinute); }},
        {"chromatograph hourly viewer", [] { return MakeViewer<ChromHourDayViewer>(ArchiveKind::ChromHour); }},
        {"chromatograph daily viewer", [] { return MakeViewer<ChromHourDayViewer>(ArchiveKind::ChromDay); }},
        {"moisture-meter 5-minute viewer", [] { return MakeViewer<MoistureFiveMinuteViewer>(ArchiveKind::MoistureFiveMinute); }},
        {"moisture-meter hourly viewer", [] { return MakeViewer<MoistureHourDayViewer>(ArchiveKind::MoistureHour); }},
        {"chromatograph status, 5-minute", [] { return std::make_unique<ChromatographStatusWindow>(0, QStringLiteral(" Мгновенные 5-минутные данные (01.03.24  00:10:03)"), 0xFF, 0xFF, 0xFF); }},
        {"chromatograph status, hourly", [] { return std::make_unique<ChromatographStatusWindow>(1, QStringLiteral(" Часовые данные с 01.03.24 10:00:00 по 11:00:00"), 0xFF, 0, 0); }},
    };
}

}  // namespace

class TextsFitTest : public QObject {
    Q_OBJECT

private:
    ::BaseFolder home_;

private slots:
    void initTestCase() {
        QVERIFY(home_.IsValid());
        const int id = QFontDatabase::addApplicationFont(QStringLiteral("/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf"));
        if (id < 0) QSKIP("DejaVu Sans (fonts-dejavu-core) is not installed");
        QFont font(QStringLiteral("DejaVu Sans"));
        font.setPointSize(9);
        QApplication::setFont(font);
    }

    void everyDialogShowsItsTextsInFull_data() {
        QTest::addColumn<int>("index");
        int i = 0;
        for (const auto& [name, factory] : Dialogs()) QTest::newRow(name) << i++;
    }

    void everyDialogShowsItsTextsInFull() {
        QFETCH(int, index);
        const std::unique_ptr<QWidget> dialog = Dialogs()[size_t(index)].second();
        dialog->show();
        QVERIFY(QTest::qWaitForWindowExposed(dialog.get()));
        SavePicture(*dialog);
        const QStringList clipped = textfit::ClippedTexts(*dialog);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    }

    // The caption of a message is the window's title: the window is wide
    // enough for it besides the title bar's icon and buttons.
    void messageCaptionsFit_data() {
        QTest::addColumn<int>("kind");
        for (int kind = 1; kind <= 12; ++kind) QTest::newRow(qPrintable(QString::number(kind))) << kind;
    }

    void messageCaptionsFit() {
        QFETCH(int, kind);
        std::unique_ptr<MessageDialog> box(
            CreateMessageBox(MessageKind(kind), QStringLiteral("Число"), QString()));
        const MessageLook look = MessageLookFor(MessageKind(kind), QStringLiteral("Число"), QString());
        if (look.Caption.isEmpty()) QSKIP("no caption");
        const int title = QFontMetrics(QApplication::font()).horizontalAdvance(look.Caption);
        QVERIFY2(box->width() >= title + MessageDialog::TitleBarAllowance,
                 qPrintable(QStringLiteral("%1: %2 < %3").arg(look.Caption).arg(box->width()).arg(title + MessageDialog::TitleBarAllowance)));
        box->show();
        QVERIFY(QTest::qWaitForWindowExposed(box.get()));
        const QStringList clipped = textfit::ClippedTexts(*box);
        QVERIFY2(clipped.isEmpty(), qPrintable(clipped.join(QStringLiteral("\n"))));
    }
};

QTEST_MAIN(TextsFitTest)
#include "TextsFitTest.moc"
