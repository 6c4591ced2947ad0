// The four measurement viewers: grids over the records, the status window on
// double-click, saving files, workbooks, and the "Просмотр/Печать из файла"
// commands with their checks.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScrollBar>
#include <QTableView>
#include <QTimer>
#include <QtTest>

#include "BaseFolder.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "common/Folders.h"
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

// A widget of a window by its object name; a missing one stops the run.
template <typename T>
T* Child(const QWidget& window, const char* name) {
    T* child = window.findChild<T*>(QLatin1String(name));
    if (child == nullptr) qFatal("no %s \"%s\"", T::staticMetaObject.className(), name);
    return child;
}

QTableView* Grid(const QWidget& viewer) { return Child<QTableView>(viewer, "recordView"); }
QPushButton* Button(const QWidget& viewer, const char* name) { return Child<QPushButton>(viewer, name); }
bool HasButton(const QWidget& viewer, const char* name) {
    return viewer.findChild<QPushButton*>(QLatin1String(name)) != nullptr;
}

// Chooses `path` in a file dialog.
void ChooseFile(QFileDialog* d, const QString& path) {
    // The name field as a user types it (selectFile waits for the folder to
    // be listed).
    if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(path);
    else d->selectFile(path);
    static_cast<QDialog*>(d)->accept();
}

// Double-clicks a cell of the grid as a user does: a click, then the double click.
void DoubleClickCell(QTableView* view, int row, int column) {
    const QPoint at = view->visualRect(view->model()->index(row, column)).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, at);
}

// Takes the shared messages while it lives: keeps the kinds and the two
// lines of each, and answers questions with `yes`.
struct Messages {
    QList<MessageKind> kinds;
    QStringList lines;
    bool yes = true;
    MessageTrap trap{[this](MessageKind kind, const MessageLook& look) {
        kinds << kind;
        lines << look.Line1 << look.Line2;
        return yes;
    }};
    void Clear() {
        kinds.clear();
        lines.clear();
    }
};

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
    ::BaseFolder home_;  // the test's own, with its working folders

    QString MomFolder() const { return WorkFolderPath(WorkFolder::MomData); }
    QString DayFolder() const { return WorkFolderPath(WorkFolder::DayData); }

private slots:
    void initTestCase() {
        QVERIFY(home_.IsValid());
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
        QAbstractItemModel* model = Grid(viewer)->model();
        QCOMPARE(model->rowCount(), 3 + 2);
        QCOMPARE(model->columnCount(), 20);
        QCOMPARE(model->data(model->index(1, 4)).toString(), QStringLiteral(" 0"));
        QCOMPARE(model->data(model->index(2, 4)).toString(), QStringLiteral(" ---"));
        QCOMPARE(model->data(model->index(4, 0)).toString(), QStringLiteral(" Среднее"));
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("   Дата\n"));
        // The current row is the first record.
        QCOMPARE(viewer.CurrentRecord(), qsizetype(0));
        QVERIFY(HasButton(viewer, "workbookButton"));
        QVERIFY(HasButton(viewer, "statusButton"));
        QVERIFY(!HasButton(viewer, "printButton"));
        QCOMPARE(Button(viewer, "saveButton")->text(), QStringLiteral("Сохранить в файле"));
        QCOMPARE(Button(viewer, "workbookButton")->text(), QStringLiteral("Сохранить в формате Excel"));
        QCOMPARE(Button(viewer, "statusButton")->text(), QStringLiteral("Признаки состояния"));
        QCOMPARE(Button(viewer, "exitButton")->text(), QStringLiteral("Выход"));
        // The grid is a view over the model, not a widget per cell.
        QCOMPARE(Grid(viewer)->findChildren<QLabel*>().size(), 0);
    }

    void statusWindowOnDoubleClick() {
        const RecordStore store = Store(ArchiveKind::ChromFiveMinute,
                                        {Chrom5(Date(24, 3, 1, 0, 5), 0x00, 0, 0),
                                         Chrom5(Date(24, 3, 1, 0, 10, 3), 0x08, 0x01, 0x80)});
        ChromFiveMinuteViewer viewer(Header(ArchiveKind::ChromFiveMinute, 2), store);
        viewer.show();
        QVERIFY(QTest::qWaitForWindowExposed(&viewer));
        QTableView* view = Grid(viewer);
        QString title;
        QStringList chromLines;
        int mode = -1;
        ModalScript script;
        script.Then<ChromatographStatusWindow>([&](ChromatographStatusWindow* f) {
            title = f->windowTitle();
            chromLines = f->View().Chromatograph.Lines;
            mode = f->View().Chromatograph.Visible ? 0 : 1;
            f->close();
        });
        script.Start();
        DoubleClickCell(view, 1, 3);
        QVERIFY(script.Finished());
        QCOMPARE(viewer.CurrentRecord(), qsizetype(1));
        QCOMPARE(title, QStringLiteral(" Мгновенные 5-минутные данные (01.03.24  00:10:03)"));
        QCOMPARE(mode, 0);
        QCOMPARE(chromLines, QStringList({QStringLiteral(" Неудачная автокалибровка"),
                                          QStringLiteral(" Не поступают данные от хроматографа")}));
        // The empty row and the average row show no record: nothing opens.
        for (int row : {2, 3}) {
            ModalScript none;
            none.Then<ChromatographStatusWindow>([](ChromatographStatusWindow* f) { f->close(); });
            none.Start();
            DoubleClickCell(view, row, 0);
            QCOMPARE(view->currentIndex().row(), row);
            QCOMPARE(viewer.CurrentRecord(), qsizetype(-1));
            QVERIFY(!none.Finished());
        }
    }

    // Scrolled right, the chromatograph viewers keep their date and time
    // columns at the left edge; they go up and down, take the current row
    // and open the status on a double-click with the rest of the grid.
    void dateAndTimeStayInViewScrolledRight_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<int>("fixed");
        QTest::newRow("5-minute") << int(ArchiveKind::ChromFiveMinute) << 2;
        QTest::newRow("hourly") << int(ArchiveKind::ChromHour) << 3;
    }

    void dateAndTimeStayInViewScrolledRight() {
        QFETCH(int, kind);
        QFETCH(int, fixed);
        const auto archive = ArchiveKind(kind);
        QList<QByteArray> records;
        for (int i = 0; i < 30; ++i)
            records << (archive == ArchiveKind::ChromFiveMinute ? Chrom5(Date(24, 3, 1, 0, 5 + i % 50), 0, 0, 0)
                                                                : ChromDay(Date(24, 3, 1, i % 24, 0), uint8_t(i % 24 + 1), 0));
        std::unique_ptr<MeasurementViewer> viewer;
        if (archive == ArchiveKind::ChromFiveMinute)
            viewer = std::make_unique<ChromFiveMinuteViewer>(Header(archive, 30), Store(archive, records));
        else
            viewer = std::make_unique<ChromHourDayViewer>(Header(archive, 30), Store(archive, records));
        viewer->setMaximumSize(QWIDGETSIZE_MAX, QWIDGETSIZE_MAX);
        viewer->resize(520, 300);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowExposed(viewer.get()));
        QTableView* grid = Grid(*viewer);
        auto* frozen = grid->findChild<QTableView*>(QStringLiteral("frozenColumns"));
        QVERIFY(frozen != nullptr);
        QVERIFY(frozen->isVisible());
        QAbstractItemModel* model = grid->model();
        int fixedWidth = 0;
        for (int c = 0; c < fixed; ++c) fixedWidth += grid->columnWidth(c);
        QCOMPARE(frozen->width(), fixedWidth);
        for (int c = 0; c < model->columnCount(); ++c) QCOMPARE(frozen->isColumnHidden(c), c >= fixed);

        QScrollBar* across = grid->horizontalScrollBar();
        QVERIFY(across->maximum() > 0);
        across->setValue(across->maximum());
        QTest::qWait(0);
        // The grid itself has scrolled its first columns away...
        QVERIFY(grid->columnViewportPosition(fixed) < 0);
        // ...and what the user sees at its left edge are the date and time.
        QCOMPARE(frozen->viewport()->mapTo(grid, QPoint(0, 0)), grid->viewport()->mapTo(grid, QPoint(0, 0)));
        for (int c = 0; c < fixed; ++c) {
            const QPoint at = frozen->viewport()->mapTo(
                viewer.get(), QPoint(frozen->columnViewportPosition(c) + 5, frozen->rowViewportPosition(0) + 5));
            QCOMPARE(viewer->childAt(at), frozen->viewport());
            QCOMPARE(frozen->indexAt(frozen->viewport()->mapFrom(viewer.get(), at)), model->index(0, c));
        }
        // The last value column is in view beside them, not under them.
        QVERIFY(grid->columnViewportPosition(model->columnCount() - 1) >= fixedWidth);

        // Down the records together; one current row.
        QScrollBar* down = grid->verticalScrollBar();
        QVERIFY(down->maximum() > 0);
        down->setValue(down->maximum());
        QCOMPARE(frozen->verticalScrollBar()->value(), down->value());
        QCOMPARE(frozen->rowViewportPosition(20), grid->rowViewportPosition(20));
        grid->setCurrentIndex(model->index(20, model->columnCount() - 1));
        QCOMPARE(frozen->currentIndex().row(), 20);
        QVERIFY(frozen->selectionModel()->isRowSelected(20, {}));

        // A double-click on the date opens that record's status.
        QString title;
        ModalScript script;
        script.Then<ChromatographStatusWindow>([&](ChromatographStatusWindow* f) {
            title = f->windowTitle();
            f->close();
        });
        script.Start();
        DoubleClickCell(frozen, 21, 0);
        QVERIFY(script.Finished());
        QCOMPARE(viewer->CurrentRecord(), qsizetype(21));
        QCOMPARE(title, viewer->Table().StatusCaption(21));
    }

    void dailyViewerStatusAndEndFlag() {
        const RecordStore store = Store(ArchiveKind::ChromDay, {ChromDay(Date(24, 3, 1, 10, 0), 0x8A, 0x10),
                                                                ChromDay(Date(24, 3, 2, 10, 0), 0x0A, 0x00)});
        ChromHourDayViewer viewer(Header(ArchiveKind::ChromDay, 2), store);
        QCOMPARE(viewer.Mode(), int(ChromHourDayViewer::ModeDaily));
        QCOMPARE(viewer.windowTitle(), QStringLiteral("Суточные данные хроматографа за период с 01.03.24  по  03.03.24"));
        QAbstractItemModel* model = Grid(viewer)->model();
        QCOMPARE(model->columnCount(), 21);
        QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral(" 10:00:00"));
        QCOMPARE(model->data(model->index(1, 2)).toString(), QStringLiteral(" 10:00:00*"));
        QVERIFY(model->data(model->index(0, 11)).toString().endsWith(u'"'));
        viewer.show();
        Grid(viewer)->setCurrentIndex(model->index(1, 5));
        QString title;
        QStringList lines;
        bool chromVisible = true;
        ModalScript script;
        script.Then<ChromatographStatusWindow>([&](ChromatographStatusWindow* f) {
            title = f->windowTitle();
            lines = f->View().Controller.Lines;
            chromVisible = f->View().Chromatograph.Visible;
            f->close();
        });
        script.Start();
        Button(viewer, "statusButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(title, QStringLiteral(" Суточные данные с 02.03.24 10:00:00 по 10:00:00*"));
        QCOMPARE(lines, QStringList({QStringLiteral("Норма")}));
        QVERIFY(!chromVisible);
    }

    void moistureViewersLayout() {
        MoistureFiveMinuteViewer five(Header(ArchiveKind::MoistureFiveMinute, 1),
                             Store(ArchiveKind::MoistureFiveMinute, {Moist(ArchiveKind::MoistureFiveMinute, Date(24, 3, 1, 0, 5), 0x04)}));
        QVERIFY(!HasButton(five, "workbookButton"));
        QVERIFY(!HasButton(five, "statusButton"));
        QVERIFY(HasButton(five, "printButton"));
        QCOMPARE(Button(five, "printButton")->text(), QStringLiteral("Печать"));
        QCOMPARE(five.width(), MoistureViewerWidth);
        QTableView* fiveView = Grid(five);
        QCOMPARE(fiveView->model()->columnCount(), 8);
        // The designed widths, wider only where a title or a text needs more.
        const QFontMetrics titles(fiveView->horizontalHeader()->font());
        for (int c = 0; c < 8; ++c) {
            const int designed = c < 7 ? 83 : 102;
            const QString title = fiveView->model()->headerData(c, Qt::Horizontal).toString();
            const int needs = titles.boundingRect(QRect(0, 0, 10000, 10000), 0, title).width();
            QVERIFY(fiveView->columnWidth(c) >= std::max(designed, needs));
            if (c >= 4) QCOMPARE(fiveView->columnWidth(c), designed);  // the values and their titles fit
        }
        QCOMPARE(fiveView->model()->rowCount(), 1);  // no average row
        QCOMPARE(fiveView->model()->data(fiveView->model()->index(0, 3)).toString(), QStringLiteral(" Нет связи"));
        QCOMPARE(fiveView->model()->headerData(3, Qt::Horizontal).toString(),
                 QStringLiteral(" Признаки \nсостояния\nвлагомера\n"));

        MoistureHourDayViewer hour(Header(ArchiveKind::MoistureHour, 1),
                              Store(ArchiveKind::MoistureHour, {Moist(ArchiveKind::MoistureHour, Date(24, 3, 1, 5, 0), 0)}));
        QCOMPARE(hour.Mode(), int(MoistureHourDayViewer::ModeHourly));
        QVERIFY(HasButton(hour, "workbookButton"));
        QVERIFY(HasButton(hour, "printButton"));
        QCOMPARE(hour.windowTitle(), QStringLiteral("Часовые данные влагомера за период с 01.03.24  00ч  по  03.03.24  00ч"));
        QTableView* hourView = Grid(hour);
        QCOMPARE(hourView->model()->data(hourView->model()->index(0, 4)).toString(), QStringLiteral("  -10.0000"));
    }

    void savingAddsTheExtensionAndAsksBeforeReplacing() {
        const RecordStore store = Store(ArchiveKind::ChromDay, {ChromDay(Date(24, 3, 1, 10, 0), 0x8A, 0)});
        ChromHourDayViewer viewer(Header(ArchiveKind::ChromDay, 1), store);
        viewer.show();
        const QString bare = QDir(DayFolder()).filePath(QStringLiteral("saved"));
        const QString withExt = bare + QStringLiteral(".dch");
        QFile::remove(withExt);
        QString title;
        Messages messages;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                title = d->windowTitle();
                ChooseFile(d, bare);
            });
            script.Start();
            Button(viewer, "saveButton")->click();
            QVERIFY(script.Finished());
        }
        QCOMPARE(title, QStringLiteral("Введите имя файла для сохранения данных"));
        QCOMPARE(messages.kinds.size(), 1);
        QCOMPARE(messages.lines.value(0), QStringLiteral("Данные сохранены в файле saved.dch."));
        QVERIFY(QFileInfo::exists(withExt));
        QVERIFY(!QFileInfo::exists(bare));
        const qint64 size = QFileInfo(withExt).size();
        QCOMPARE(size, qint64(MeasurementFileHeader::Size + ChromHourDayRecordSize));

        // The same name again: "Нет" shows the dialog again, and cancelling it writes nothing.
        QFile::resize(withExt, 10);
        messages.Clear();
        messages.yes = false;
        bool reopened = false;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, bare); })
                .Then<QFileDialog>([&](QFileDialog* d) {
                    reopened = true;
                    d->reject();
                });
            script.Start();
            Button(viewer, "saveButton")->click();
            QVERIFY(script.Finished());
        }
        QCOMPARE(messages.kinds, QList<MessageKind>{MessageKind::Question});
        QCOMPARE(messages.lines, QStringList({QStringLiteral("Файл saved.dch уже есть."),
                                              QStringLiteral("Вы хотите заменить существующий файл?")}));
        QVERIFY(reopened);
        QCOMPARE(QFileInfo(withExt).size(), qint64(10));

        // "Да" replaces it.
        messages.Clear();
        messages.yes = true;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, withExt); });
            script.Start();
            Button(viewer, "saveButton")->click();
            QVERIFY(script.Finished());
        }
        QCOMPARE(messages.kinds.size(), 2);
        QCOMPARE(messages.kinds.value(0), MessageKind::Question);
        QCOMPARE(messages.lines.value(2), QStringLiteral("Данные сохранены в файле saved.dch."));
        QCOMPARE(QFileInfo(withExt).size(), size);
    }

    void workbookFromTheViewer() {
        const RecordStore store = Store(ArchiveKind::MoistureDay, {Moist(ArchiveKind::MoistureDay, Date(24, 3, 1, 10, 0), 0),
                                                                   Moist(ArchiveKind::MoistureDay, Date(24, 3, 2, 10, 0), 2)});
        MoistureHourDayViewer viewer(Header(ArchiveKind::MoistureDay, 2), store);
        viewer.show();
        const QString bare = QDir(DayFolder()).filePath(QStringLiteral("book"));
        QFile::remove(bare + QStringLiteral(".xlsx"));
        Messages messages;
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
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, bare); });
            script.Start();
            Button(viewer, "workbookButton")->click();
            QVERIFY(script.Finished());
        }
        watch.stop();
        QVERIFY(waitSeen);
        QCOMPARE(waitMaximum, 2 + 5);
        QCOMPARE(messages.kinds.size(), 1);
        QCOMPARE(messages.lines.value(0), QStringLiteral("Данные сохранены в файле book.xlsx"));
        QVERIFY(QFileInfo(bare + QStringLiteral(".xlsx")).size() > 0);
        QVERIFY(viewer.isEnabled());

        // A folder that cannot take the file: the failure message, the viewer stays usable.
        messages.Clear();
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                ChooseFile(d, QDir(DayFolder()).filePath(QStringLiteral("missing/book.xlsx")));
            });
            script.Start();
            Button(viewer, "workbookButton")->click();
            QVERIFY(script.Finished());
        }
        QCOMPARE(messages.kinds.size(), 1);
        QCOMPARE(messages.lines.value(0), QStringLiteral("Невозможно создать книгу Excel!"));
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
        Messages messages;
        qsizetype rows = -1;
        QString caption;
        // The viewer's step stays undone when the file is refused.
        ModalScript script;
        script
            .Then<QFileDialog>([&](QFileDialog* d) {
                title = d->windowTitle();
                ChooseFile(d, path);
            })
            .Then<ChromFiveMinuteViewer>([&](ChromFiveMinuteViewer* v) {
                rows = v->Table().RecordCount();
                caption = v->windowTitle();
                Button(*v, "exitButton")->click();
            });
        script.Start();
        ViewMeasurementFile(ArchiveKind::ChromFiveMinute, nullptr);
        QCOMPARE(script.Finished(), accepted);
        QCOMPARE(title, QStringLiteral("Выберите файл с данными"));
        if (accepted) {
            QCOMPARE(rows, qsizetype(2));
            QVERIFY(caption.startsWith(QStringLiteral("Мгновенные данные хроматографа")));
            QVERIFY(messages.lines.isEmpty());
        } else {
            QCOMPARE(rows, qsizetype(-1));
            QCOMPARE(messages.lines, QStringList({QStringLiteral("Файл open.mch не является файлом, содержащим"),
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
        Messages messages;
        int rows = -1;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); })
            .Then<MoistureHourDayViewer>([&](MoistureHourDayViewer* v) {
                rows = Grid(*v)->model()->rowCount();
                v->close();
            });
        script.Start();
        ViewMeasurementFile(ArchiveKind::MoistureDay, nullptr);
        QVERIFY(script.Finished());
        QVERIFY(messages.lines.isEmpty());
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
        QTableView* view = Grid(viewer);
        QCOMPARE(view->model()->rowCount(), Year + 2);
        QCOMPARE(viewer.Table().ValidRecords(), qsizetype(Year));
        view->scrollToBottom();
        QCOMPARE(view->model()->data(view->model()->index(Year + 1, 0)).toString(), QStringLiteral(" Среднее"));
    }
};

QTEST_MAIN(ViewersTest)
#include "MeasurementViewerTest.moc"
