// The four measurement viewers: grids over the records, the status window on
// double-click, saving files, workbooks, and the "Просмотр/Печать из файла"
// commands with their checks.
#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>
#include <functional>
#include <vector>

#include "common/Folders.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "common/ui/WaitWindow.h"
#include "live/ui/ChromatographStatusWindow.h"
#include "measurements/MeasurementFile.h"
#include "measurements/ui/MoistureHourDayViewer.h"
#include "measurements/ui/ChromHourDayViewer.h"
#include "measurements/ui/ViewerCommands.h"
#include "common/PackedDate.h"
#include "measurements/ui/ChromFiveMinuteViewer.h"

using namespace zmk;

namespace {

// Drives the modal windows that open one after the other while `run` runs:
// each step takes the next modal window that it accepts (returns true for).
// Windows still open after the time limit are closed, so a fault cannot hang
// the test; the count of steps carried out tells what happened.
int DriveModals(const std::function<void()>& run, std::vector<std::function<bool(QWidget*)>> steps,
                int limitMs = 10000) {
    size_t done = 0;
    QList<QPointer<QWidget>> handled;
    QElapsedTimer clock;
    clock.start();
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (clock.elapsed() > limitMs) {
            if (w != nullptr) w->close();
            return;
        }
        if (w == nullptr || !w->isVisible() || done >= steps.size()) return;
        for (const QPointer<QWidget>& h : handled)
            if (h == w) return;
        if (steps[done](w)) {
            handled.append(w);
            ++done;
        }
    });
    poll.start();
    run();
    poll.stop();
    return int(done);
}

template <class W>
std::function<bool(QWidget*)> On(std::function<void(W*)> action) {
    return [action](QWidget* w) {
        auto* typed = qobject_cast<W*>(w);
        if (typed == nullptr) return false;
        action(typed);
        return true;
    };
}

// Chooses `path` in a file dialog.
std::function<bool(QWidget*)> ChooseFile(const QString& path, QString* title = nullptr) {
    return On<QFileDialog>([path, title](QFileDialog* d) {
        if (title != nullptr) *title = d->windowTitle();
        // The name field as a user types it (selectFile waits for the
        // folder to be listed).
        if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(path);
        else d->selectFile(path);
        static_cast<QDialog*>(d)->accept();
    });
}

// Records the two lines of the shared message and answers it.
std::function<bool(QWidget*)> Answer(QStringList* lines, bool yes) {
    return On<MessageDialog>([lines, yes](MessageDialog* q) {
        if (lines != nullptr) *lines << q->LineText(1) << q->LineText(2);
        if (yes && MessageButton(q, "yesButton")->isVisible()) MessageButton(q, "yesButton")->click();
        else if (!yes && MessageButton(q, "noButton")->isVisible()) MessageButton(q, "noButton")->click();
        else MessageButton(q, "okButton")->click();
    });
}

PackedDate Date(int y, int mo, int d, int h, int mi, int s = 0) {
    return PackedDate{uint8_t(y), uint8_t(mo), uint8_t(d), uint8_t(h), uint8_t(mi), uint8_t(s)};
}

void PutGas(uint8_t* values, float base) {
    for (int p = 0; p < 20; ++p) PutFloat(values + 4 * p, base + float(p));
    PutFloat(values + 4 * GasCH4, 90.0f + base);
}

QByteArray Chrom5(const PackedDate& date, uint8_t status, uint8_t low, uint8_t high) {
    QByteArray r(ChromFiveMinuteRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = status;
    p[7] = low;
    p[8] = high;
    PutGas(p + 11, 1.0f);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray ChromDay(const PackedDate& date, uint8_t endHour, uint8_t status) {
    QByteArray r(ChromHourDayRecordSize, '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    p[6] = endHour;
    p[9] = status;
    PutGas(p + 10, 2.0f);
    SealRecord(p, int(r.size()));
    return r;
}

QByteArray Moist(ArchiveKind kind, const PackedDate& date, uint8_t status) {
    QByteArray r(RecordSize(kind), '\0');
    auto* p = reinterpret_cast<uint8_t*>(r.data());
    date.ToBytes(p);
    const bool five = kind == ArchiveKind::MoistureFiveMinute;
    if (!five) p[6] = uint8_t(date.Hour + 1);
    p[five ? 6 : 9] = status;
    for (int i = 0; i < 4; ++i) PutFloat(p + (five ? 11 : 10) + 4 * i, -10.0f + float(i));
    SealRecord(p, int(r.size()));
    return r;
}

MeasurementFileHeader Header(ArchiveKind kind, uint32_t count, uint8_t chromType = ServedChromatographType) {
    HeaderTableValues values;
    values.chromatographType = chromType;
    return BuildMeasurementFileHeader(kind, values, 5, Date(24, 4, 1, 9, 0), Date(24, 3, 1, 0, 0),
                                      Date(24, 3, 3, 0, 0), count);
}

RecordStore Store(ArchiveKind kind, const QList<QByteArray>& records) {
    QByteArray bytes;
    for (const QByteArray& r : records) bytes += r;
    return RecordStore(kind, bytes);
}

}  // namespace

class ViewersTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir home_;

    QString MomFolder() const { return WorkFolderPath(WorkFolder::MomData); }
    QString DayFolder() const { return WorkFolderPath(WorkFolder::DayData); }

private slots:
    void initTestCase() {
        QVERIFY(home_.isValid());
        qputenv("ZMK_HOME", home_.path().toLocal8Bit());
        SetUpFolders();
        QVERIFY(QFileInfo(MomFolder()).isDir());
    }

    void fiveMinuteViewerShowsTheRecords() {
        const RecordStore store = Store(ArchiveKind::ChromFiveMinute,
                                        {Chrom5(Date(24, 3, 1, 0, 5), 0x00, 0, 0), Chrom5(Date(24, 3, 1, 0, 10), 0x80, 0, 0),
                                         Chrom5(Date(24, 3, 1, 0, 15), 0x02, 0, 0)});
        ChromFiveMinuteViewer viewer(Header(ArchiveKind::ChromFiveMinute, 3), store);
        QCOMPARE(viewer.windowTitle(),
                 QStringLiteral("Мгновенные данные хроматографа за период  с  01.03.24 00:00:00  по  03.03.24 00:00:00"));
        QAbstractItemModel* model = viewer.StringGrid1->model();
        QCOMPARE(model->rowCount(), 3 + 2);
        QCOMPARE(model->columnCount(), 20);
        QCOMPARE(model->data(model->index(1, 4)).toString(), QStringLiteral(" 0"));
        QCOMPARE(model->data(model->index(2, 4)).toString(), QStringLiteral(" ---"));
        QCOMPARE(model->data(model->index(4, 0)).toString(), QStringLiteral(" Среднее"));
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("   Дата\n"));
        // The current row is the first record.
        QCOMPARE(viewer.CurrentRecord(), qsizetype(0));
        QVERIFY(viewer.BitBtnExcel != nullptr);
        QVERIFY(viewer.BitBtnStatus != nullptr);
        QVERIFY(viewer.BitBtnPrint == nullptr);
        QCOMPARE(viewer.BitBtnSave->text(), QStringLiteral("Сохранить в файле"));
        QCOMPARE(viewer.BitBtnExcel->text(), QStringLiteral("Сохранить в формате Excel"));
        QCOMPARE(viewer.BitBtnStatus->text(), QStringLiteral("Признаки состояния"));
        QCOMPARE(viewer.BitBtnExit->text(), QStringLiteral("Выход"));
        // The grid is a view over the model, not a widget per cell.
        QCOMPARE(viewer.StringGrid1->findChildren<QLabel*>().size(), 0);
    }

    void statusWindowOnDoubleClick() {
        const RecordStore store = Store(ArchiveKind::ChromFiveMinute,
                                        {Chrom5(Date(24, 3, 1, 0, 5), 0x00, 0, 0),
                                         Chrom5(Date(24, 3, 1, 0, 10, 3), 0x08, 0x01, 0x80)});
        ChromFiveMinuteViewer viewer(Header(ArchiveKind::ChromFiveMinute, 2), store);
        viewer.show();
        QAbstractItemModel* model = viewer.StringGrid1->model();
        viewer.StringGrid1->setCurrentIndex(model->index(1, 3));
        QString title;
        QStringList chromLines;
        int mode = -1;
        const int steps = DriveModals([&] { viewer.StringGrid1DblClick(); },
                                      {On<ChromatographStatusWindow>([&](ChromatographStatusWindow* f) {
                                          title = f->windowTitle();
                                          chromLines = f->View().Chromatograph.Lines;
                                          mode = f->View().Chromatograph.Visible ? 0 : 1;
                                          f->close();
                                      })});
        QCOMPARE(steps, 1);
        QCOMPARE(title, QStringLiteral(" Мгновенные 5-минутные данные (01.03.24  00:10:03)"));
        QCOMPARE(mode, 0);
        QCOMPARE(chromLines, QStringList({QStringLiteral(" Неудачная автокалибровка"),
                                          QStringLiteral(" Не поступают данные от хроматографа")}));
        // The empty row and the average row show no record: nothing opens.
        for (int row : {2, 3}) {
            viewer.StringGrid1->setCurrentIndex(model->index(row, 0));
            QCOMPARE(viewer.CurrentRecord(), qsizetype(-1));
            QCOMPARE(DriveModals([&] { viewer.StringGrid1DblClick(); },
                                 {On<ChromatographStatusWindow>([](ChromatographStatusWindow* f) { f->close(); })}, 300),
                     0);
        }
    }

    void dailyViewerStatusAndEndFlag() {
        const RecordStore store = Store(ArchiveKind::ChromDay, {ChromDay(Date(24, 3, 1, 10, 0), 0x8A, 0x10),
                                                                ChromDay(Date(24, 3, 2, 10, 0), 0x0A, 0x00)});
        ChromHourDayViewer viewer(Header(ArchiveKind::ChromDay, 2), store);
        QCOMPARE(viewer.Mode(), int(ChromHourDayViewer::ModeDaily));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Суточные данные хроматографа за период с 01.03.24  по  03.03.24"));
        QAbstractItemModel* model = viewer.StringGrid1->model();
        QCOMPARE(model->columnCount(), 21);
        QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral(" 10:00:00"));
        QCOMPARE(model->data(model->index(1, 2)).toString(), QStringLiteral(" 10:00:00*"));
        QVERIFY(model->data(model->index(0, 11)).toString().endsWith(u'"'));
        viewer.show();
        viewer.StringGrid1->setCurrentIndex(model->index(1, 5));
        QString title;
        QStringList lines;
        bool chromVisible = true;
        QCOMPARE(DriveModals([&] { viewer.BitBtnStatus->click(); },
                             {On<ChromatographStatusWindow>([&](ChromatographStatusWindow* f) {
                                 title = f->windowTitle();
                                 lines = f->View().Controller.Lines;
                                 chromVisible = f->View().Chromatograph.Visible;
                                 f->close();
                             })}),
                 1);
        QCOMPARE(title, QStringLiteral(" Суточные данные с 02.03.24 10:00:00 по 10:00:00*"));
        QCOMPARE(lines, QStringList({QStringLiteral("Норма")}));
        QVERIFY(!chromVisible);
    }

    void moistureViewersLayout() {
        MoistureFiveMinuteViewer five(Header(ArchiveKind::MoistureFiveMinute, 1),
                             Store(ArchiveKind::MoistureFiveMinute, {Moist(ArchiveKind::MoistureFiveMinute, Date(24, 3, 1, 0, 5), 0x04)}));
        QVERIFY(five.BitBtnExcel == nullptr);
        QVERIFY(five.BitBtnStatus == nullptr);
        QVERIFY(five.BitBtnPrint != nullptr);
        QCOMPARE(five.BitBtnPrint->text(), QStringLiteral("Печать"));
        QCOMPARE(five.width(), MoistureViewerWidth);
        QCOMPARE(five.StringGrid1->model()->columnCount(), 8);
        for (int c = 0; c < 7; ++c) QCOMPARE(five.StringGrid1->columnWidth(c), 83);
        QCOMPARE(five.StringGrid1->columnWidth(7), 102);
        QCOMPARE(five.StringGrid1->model()->rowCount(), 1);  // no average row
        QCOMPARE(five.StringGrid1->model()->data(five.StringGrid1->model()->index(0, 3)).toString(),
                 QStringLiteral(" Нет связи"));
        QCOMPARE(five.StringGrid1->model()->headerData(3, Qt::Horizontal).toString(),
                 QStringLiteral(" Признаки \nсостояния\nвлагомера\n"));

        MoistureHourDayViewer hour(Header(ArchiveKind::MoistureHour, 1),
                              Store(ArchiveKind::MoistureHour, {Moist(ArchiveKind::MoistureHour, Date(24, 3, 1, 5, 0), 0)}));
        QCOMPARE(hour.Mode(), int(MoistureHourDayViewer::ModeHourly));
        QVERIFY(hour.BitBtnExcel != nullptr);
        QVERIFY(hour.BitBtnPrint != nullptr);
        QCOMPARE(hour.windowTitle(), QStringLiteral("Часовые данные влагомера за период с 01.03.24  00ч  по  03.03.24  00ч"));
        QCOMPARE(hour.StringGrid1->model()->data(hour.StringGrid1->model()->index(0, 4)).toString(),
                 QStringLiteral("  -10.0000"));
    }

    void savingAddsTheExtensionAndAsksBeforeReplacing() {
        const RecordStore store = Store(ArchiveKind::ChromDay, {ChromDay(Date(24, 3, 1, 10, 0), 0x8A, 0)});
        ChromHourDayViewer viewer(Header(ArchiveKind::ChromDay, 1), store);
        viewer.show();
        const QString bare = QDir(DayFolder()).filePath(QStringLiteral("saved"));
        const QString withExt = bare + QStringLiteral(".dch");
        QFile::remove(withExt);
        QString title;
        QStringList message;
        QCOMPARE(DriveModals([&] { viewer.BitBtnSave->click(); }, {ChooseFile(bare, &title), Answer(&message, true)}), 2);
        QCOMPARE(title, QStringLiteral("Введите имя файла для сохранения данных"));
        QCOMPARE(message.value(0), QStringLiteral("Данные сохранены в файле saved.dch."));
        QVERIFY(QFileInfo::exists(withExt));
        QVERIFY(!QFileInfo::exists(bare));
        const qint64 size = QFileInfo(withExt).size();
        QCOMPARE(size, qint64(MeasurementFileHeader::Size + ChromHourDayRecordSize));

        // The same name again: "Нет" shows the dialog again, and cancelling it writes nothing.
        QFile::resize(withExt, 10);
        QStringList question;
        bool reopened = false;
        QCOMPARE(DriveModals([&] { viewer.BitBtnSave->click(); },
                             {ChooseFile(bare), Answer(&question, false), On<QFileDialog>([&](QFileDialog* d) {
                                  reopened = true;
                                  d->reject();
                              })}),
                 3);
        QCOMPARE(question, QStringList({QStringLiteral("Файл saved.dch уже есть."),
                                        QStringLiteral("Вы хотите заменить существующий файл?")}));
        QVERIFY(reopened);
        QCOMPARE(QFileInfo(withExt).size(), qint64(10));

        // "Да" replaces it.
        QCOMPARE(DriveModals([&] { viewer.BitBtnSave->click(); }, {ChooseFile(withExt), Answer(nullptr, true), Answer(nullptr, true)}),
                 3);
        QCOMPARE(QFileInfo(withExt).size(), size);
    }

    void workbookFromTheViewer() {
        const RecordStore store = Store(ArchiveKind::MoistureDay, {Moist(ArchiveKind::MoistureDay, Date(24, 3, 1, 10, 0), 0),
                                                                   Moist(ArchiveKind::MoistureDay, Date(24, 3, 2, 10, 0), 2)});
        MoistureHourDayViewer viewer(Header(ArchiveKind::MoistureDay, 2), store);
        viewer.show();
        const QString bare = QDir(DayFolder()).filePath(QStringLiteral("book"));
        QFile::remove(bare + QStringLiteral(".xlsx"));
        QStringList message;
        // The wait window in mode 4 while the viewer is disabled: seen when
        // the window is painted (it lets timers run once).
        bool waitSeen = false;
        int waitMaximum = -1;
        QTimer watch;
        watch.setInterval(0);
        connect(&watch, &QTimer::timeout, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* wait = qobject_cast<WaitWindow*>(w); wait && wait->isVisible() && !viewer.isEnabled() &&
                                                             wait->CurrentMode() == WaitWindow::ModeExportWorkbook) {
                    waitSeen = true;
                    waitMaximum = wait->ProgressMaximum();
                }
        });
        watch.start();
        QCOMPARE(DriveModals([&] { viewer.BitBtnExcel->click(); },
                             {ChooseFile(bare), Answer(&message, true)}),
                 2);
        watch.stop();
        QVERIFY(waitSeen);
        QCOMPARE(waitMaximum, 2 + 5);
        QCOMPARE(message.value(0), QStringLiteral("Данные сохранены в файле book.xlsx"));
        QVERIFY(QFileInfo(bare + QStringLiteral(".xlsx")).size() > 0);
        QVERIFY(viewer.isEnabled());

        // A folder that cannot take the file: the failure message, the viewer stays usable.
        message.clear();
        QCOMPARE(DriveModals([&] { viewer.BitBtnExcel->click(); },
                             {ChooseFile(QDir(DayFolder()).filePath(QStringLiteral("missing/book.xlsx"))),
                              Answer(&message, true)}),
                 2);
        QCOMPARE(message.value(0), QStringLiteral("Невозможно создать книгу Excel!"));
        QVERIFY(viewer.isEnabled());
    }

    void openingFilesChecksThem_data() {
        QTest::addColumn<int>("chromType");
        QTest::addColumn<bool>("accepted");
        QTest::newRow("NGC8200") << int(ServedChromatographType) << true;
        QTest::newRow("another chromatograph") << 2 << false;
    }

    void openingFilesChecksThem() {
        QFETCH(int, chromType);
        QFETCH(bool, accepted);
        const QString path = QDir(MomFolder()).filePath(QStringLiteral("open.mch"));
        QVERIFY(WriteMeasurementFile(path, Header(ArchiveKind::ChromFiveMinute, 2, uint8_t(chromType)),
                                     Store(ArchiveKind::ChromFiveMinute, {Chrom5(Date(24, 3, 1, 0, 5), 0, 0, 0),
                                                                          Chrom5(Date(24, 3, 1, 0, 10), 0, 0, 0)})));
        QString title;
        QStringList message;
        qsizetype rows = -1;
        QString caption;
        const int steps = DriveModals(
            [&] { ViewMeasurementFile(ArchiveKind::ChromFiveMinute, nullptr); },
            {ChooseFile(path, &title), [&](QWidget* w) {
                 if (auto* v = qobject_cast<ChromFiveMinuteViewer*>(w)) {
                     rows = v->Table().RecordCount();
                     caption = v->windowTitle();
                     v->BitBtnExit->click();
                     return true;
                 }
                 return Answer(&message, true)(w);
             }});
        QCOMPARE(steps, 2);
        QCOMPARE(title, QStringLiteral("Выберите файл с данными"));
        if (accepted) {
            QCOMPARE(rows, qsizetype(2));
            QVERIFY(caption.startsWith(QStringLiteral("Мгновенные данные хроматографа")));
            QVERIFY(message.isEmpty());
        } else {
            QCOMPARE(rows, qsizetype(-1));
            QCOMPARE(message, QStringList({QStringLiteral("Файл open.mch не является файлом, содержащим"),
                                           QStringLiteral("мгновенные данные хроматографа из архива 5-минутных данных")}));
        }
    }

    void aCutFileShowsWhatItHolds() {
        const QString path = QDir(DayFolder()).filePath(QStringLiteral("cut.dwm"));
        QVERIFY(WriteMeasurementFile(path, Header(ArchiveKind::MoistureDay, 3),
                                     Store(ArchiveKind::MoistureDay, {Moist(ArchiveKind::MoistureDay, Date(24, 3, 1, 0, 0), 0),
                                                                      Moist(ArchiveKind::MoistureDay, Date(24, 3, 2, 0, 0), 0),
                                                                      Moist(ArchiveKind::MoistureDay, Date(24, 3, 3, 0, 0), 0)})));
        QVERIFY(QFile::resize(path, MeasurementFileHeader::Size + MoistureHourDayRecordSize + 5));
        int rows = -1;
        QCOMPARE(DriveModals([&] { ViewMeasurementFile(ArchiveKind::MoistureDay, nullptr); },
                             {ChooseFile(path), On<MoistureHourDayViewer>([&](MoistureHourDayViewer* v) {
                                  rows = v->StringGrid1->model()->rowCount();
                                  v->close();
                              })}),
                 2);
        QCOMPARE(rows, 1);
    }

    void aYearOfRecordsOpens() {
        // 105,120 five-minute records: the grid must not touch every row.
        constexpr int Year = 105120;
        RecordStore store(ArchiveKind::ChromFiveMinute);
        store.Reserve(Year);
        const QByteArray one = Chrom5(Date(24, 1, 1, 0, 0), 0, 0, 0);
        for (int i = 0; i < Year; ++i) store.Append(reinterpret_cast<const uint8_t*>(one.constData()));
        ChromFiveMinuteViewer viewer(Header(ArchiveKind::ChromFiveMinute, Year), store);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QCOMPARE(viewer.StringGrid1->model()->rowCount(), Year + 2);
        QCOMPARE(viewer.Table().ValidRecords(), qsizetype(Year));
        viewer.StringGrid1->scrollToBottom();
        QCOMPARE(viewer.StringGrid1->model()->data(viewer.StringGrid1->model()->index(Year + 1, 0)).toString(),
                 QStringLiteral(" Среднее"));
    }
};

QTEST_MAIN(ViewersTest)
#include "MeasurementViewerTest.moc"
