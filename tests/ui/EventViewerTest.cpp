#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QtTest>
#include <cstring>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "common/Folders.h"
#include "common/MessageKind.h"
#include "events/EventFile.h"
#include "events/ui/EventFileCommand.h"
#include "events/ui/EventViewer.h"
#include "measurements/MeasurementFile.h"

using namespace zmk;

namespace {

HeaderTableValues Values(uint8_t chromatographType = ServedChromatographType) {
    HeaderTableValues v;
    v.chromatographType = chromatographType;
    v.moistureMeterPresent = 1;
    v.moistureMeterType = 2;  // TOROS
    return v;
}

EventFileHeader Header(EventKind kind, uint32_t count, uint8_t chromatographType = ServedChromatographType) {
    return BuildEventFileHeader(kind, Values(chromatographType), 7, PackedDate{24, 6, 3, 9, 15, 42},
                                PackedDate{24, 6, 1, 0, 35, 12}, PackedDate{24, 6, 2, 23, 55, 30}, count);
}

void PutFloat(uint8_t* at, float value) { std::memcpy(at, &value, 4); }

DiagnosticRecord Diagnostic(PackedDate time, uint8_t code, uint8_t a, uint8_t b, float x = 0, float y = 0) {
    DiagnosticRecord r;
    time.ToBytes(r.bytes.data());
    r.bytes[6] = code;
    r.bytes[8] = a;
    r.bytes[9] = b;
    PutFloat(r.bytes.data() + 10, x);
    PutFloat(r.bytes.data() + 14, y);
    r.Seal();
    return r;
}

InterventionRecord Intervention(PackedDate time, uint8_t table, uint8_t field, uint8_t unit, uint8_t oldByte,
                                uint8_t newByte, const char* name) {
    InterventionRecord r;
    time.ToBytes(r.bytes.data());
    r.bytes[7] = table;
    r.bytes[8] = field;
    r.bytes[9] = unit;
    r.bytes[10] = oldByte;
    r.bytes[14] = newByte;
    std::memcpy(r.bytes.data() + 18, name, std::min<size_t>(4, std::strlen(name)));
    r.Seal();
    return r;
}

// A moisture-meter status bit, a damaged record and a lost link.
std::vector<DiagnosticRecord> Diagnostics() {
    std::vector<DiagnosticRecord> records{Diagnostic({24, 6, 1, 0, 35, 12}, 22, 201, 3),
                                          Diagnostic({24, 6, 1, 1, 0, 0}, 3, 0, 0),
                                          Diagnostic({24, 6, 2, 23, 55, 30}, 10, 33, 1)};
    records[1].bytes[4] ^= 0x01;  // fails its checksum
    return records;
}

std::vector<InterventionRecord> Interventions() {
    return {Intervention({24, 6, 1, 8, 0, 1}, 3, 1, 0, 11, 15, "\xc8\xe2\xe0"),  // "Ива" in Windows-1251
            Intervention({24, 6, 2, 9, 30, 0}, 16, 4, 5, 0, 0, "ABCD")};
}

QTableView* Grid(const QWidget& f) { return Named<QTableView>(&f, QStringLiteral("rowView")); }
QPushButton* Button(const QWidget& f, const char* name) { return Named<QPushButton>(&f, QLatin1String(name)); }

QString Cell(const QWidget& f, int row, int column) {
    const QAbstractItemModel* model = Grid(f)->model();
    return model->data(model->index(row, column)).toString();
}

QStringList Headings(const QWidget& f) {
    QStringList out;
    const QAbstractItemModel* model = Grid(f)->model();
    for (int c = 0; c < model->columnCount(); ++c) out << model->headerData(c, Qt::Horizontal).toString();
    return out;
}

void ChooseFile(QFileDialog* d, const QString& path) {
    if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit")))
        edit->setText(path);
    else
        d->selectFile(path);
    static_cast<QDialog*>(d)->accept();
}

QByteArray Bytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

}  // namespace

class EventViewerTest : public QObject {
    Q_OBJECT

private:
    ::BaseFolder home_;

    QString AlaFolder() const { return WorkFolderPath(WorkFolder::AlaFiles); }
    QString AudFolder() const { return WorkFolderPath(WorkFolder::AudFiles); }

    // Saves the viewer's rows under `path` through its save dialog.
    void Save(EventViewer& viewer, const QString& path) {
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); });
        script.Start();
        Button(viewer, "saveButton")->click();
        QVERIFY(script.Finished());
    }

private slots:
    void initTestCase() {
        QVERIFY(home_.IsValid());
        SetUpFolders();
        QVERIFY(QFileInfo(AlaFolder()).isDir());
    }

    void diagnosticsReadByIndex() {
        const std::vector<DiagnosticRecord> records = Diagnostics();
        auto viewer = EventViewer::ForDiagnostics(Header(EventKind::Diagnostics, 3), records, EventViewMode::ByIndex, 901);
        viewer->show();
        QVERIFY(QTest::qWaitForWindowActive(viewer.get()));
        QCOMPARE(viewer->windowTitle(), QStringLiteral("Диагностические сообщения с индексами от 901 до 903"));
        QCOMPARE(viewer->width(), 992);
        QCOMPARE(Headings(*viewer), QStringList({"", "Дата", "Время", "Сообщение\nСобытие", "Сообщение\nОбъект / Причина",
                                                 "Текущее\nзначение\nпарам.", "Знач.\nуставки", "Единица\nизмер."}));
        QCOMPARE(Grid(*viewer)->model()->rowCount(), 3);
        QCOMPARE(Cell(*viewer, 0, 0), QString());
        QCOMPARE(Cell(*viewer, 0, 1), QStringLiteral("  01.06.24"));
        QCOMPARE(Cell(*viewer, 0, 2), QStringLiteral("  00:35:12"));
        QCOMPARE(Cell(*viewer, 0, 3), QStringLiteral("Значение стало \"ИСТИНА\""));
        QCOMPARE(Cell(*viewer, 0, 4), QStringLiteral("Бит 3. Ошибка датчика давления"));  // TOROS from the header
        // The damaged record: its date cell marked, nothing else; the neighbours decoded.
        QCOMPARE(Cell(*viewer, 1, 1), QStringLiteral("   ***"));
        for (int c = 2; c < 8; ++c) QCOMPARE(Cell(*viewer, 1, c), QString());
        QCOMPARE(Cell(*viewer, 2, 3), QStringLiteral("Пропала связь"));
        QCOMPARE(Cell(*viewer, 2, 4), QStringLiteral("Влагомер"));
        QCOMPARE(Named<QLabel>(viewer.get(), QStringLiteral("statusLine"))->text(),
                 QStringLiteral("  ***  Данные в записи недостоверны (не совпадает КС)"));
        // The newest row is current, the focus on "Выход", printing offered for the rows.
        QCOMPARE(Grid(*viewer)->currentIndex().row(), 2);
        QCOMPARE(viewer->focusWidget(), Button(*viewer, "exitButton"));
        QCOMPARE(Button(*viewer, "exitButton")->text(), QStringLiteral("Выход"));
        QCOMPARE(Button(*viewer, "saveButton")->text(), QStringLiteral("Сохранить в файле"));
        QCOMPARE(Button(*viewer, "printButton")->text(), QStringLiteral("Печать"));
        QVERIFY(Button(*viewer, "saveButton")->isEnabled());
        QVERIFY(Button(*viewer, "printButton")->isEnabled());
        Button(*viewer, "exitButton")->click();
        QVERIFY(!viewer->isVisible());
    }

    void interventionsReadByPeriod() {
        const std::vector<InterventionRecord> records = Interventions();
        auto viewer = EventViewer::ForInterventions(Header(EventKind::Interventions, 2), records, EventViewMode::ByPeriod,
                                                    0, ControllerTextCodePage::Windows1251);
        QCOMPARE(viewer->windowTitle(),
                 QStringLiteral("Сообщения о вмешательствах оператора за период с 01.06.24 00:35:12 по 02.06.24 23:55:30"));
        QCOMPARE(Headings(*viewer), QStringList({"", "Дата", "Время", "Наименование\nизмененного параметра", "Старое\nзначение",
                                                 "Новое\nзначение", "Единица\nизмер.", "Имя\nоператора"}));
        QCOMPARE(Cell(*viewer, 0, 1), QStringLiteral("    01.06.24"));
        QCOMPARE(Cell(*viewer, 0, 2), QStringLiteral("    08:00:01"));
        QCOMPARE(Cell(*viewer, 0, 3), QStringLiteral("Скорость обмена с ВУ"));
        QCOMPARE(Cell(*viewer, 0, 4), QStringLiteral("9600"));
        QCOMPARE(Cell(*viewer, 0, 5), QStringLiteral("19200"));
        QCOMPARE(Cell(*viewer, 0, 6), QStringLiteral("бит/с"));
        QCOMPARE(Cell(*viewer, 0, 7), QStringLiteral("Ива"));
        QCOMPARE(Cell(*viewer, 1, 3), QStringLiteral("Табл. 16;  Поле 4"));
        QCOMPARE(Cell(*viewer, 1, 6), QStringLiteral("%"));
        QVERIFY(Named<QLabel>(viewer.get(), QStringLiteral("statusLine"))->text().isEmpty());
        QCOMPARE(Grid(*viewer)->currentIndex().row(), 1);
    }

    // Saved, reopened through the menu command and saved again: the same
    // bytes, and the reopened viewer shows the saved texts under the period title.
    void saveAndReopenRoundTrip_data() {
        QTest::addColumn<int>("kind");
        QTest::newRow("diagnostics") << 0;
        QTest::newRow("interventions") << 1;
    }

    void saveAndReopenRoundTrip() {
        QFETCH(int, kind);
        const EventKind k = EventKind(kind);
        const bool ala = k == EventKind::Diagnostics;
        const std::vector<DiagnosticRecord> diagnostics = Diagnostics();
        const std::vector<InterventionRecord> interventions = Interventions();
        auto viewer = ala ? EventViewer::ForDiagnostics(Header(k, 3), diagnostics, EventViewMode::ByIndex, 5)
                          : EventViewer::ForInterventions(Header(k, 2), interventions, EventViewMode::ByIndex, 5,
                                                          ControllerTextCodePage::Windows1251);
        viewer->show();
        const QString folder = ala ? AlaFolder() : AudFolder();
        const QString first = QDir(folder).filePath(QStringLiteral("first"));
        const QString firstWithExt = first + (ala ? QStringLiteral(".ala") : QStringLiteral(".aud"));
        QFile::remove(firstWithExt);
        {
            MessageLog log;
            Save(*viewer, first);
            QCOMPARE(log.seen.size(), 1);
            QCOMPARE(log.seen[0].kind, int(MessageKind::Info));
            QCOMPARE(log.seen[0].line1, QStringLiteral("Данные сохранены в файле %1.").arg(QFileInfo(firstWithExt).fileName()));
        }
        const QByteArray saved = Bytes(firstWithExt);
        const int rows = ala ? 3 : 2;
        QCOMPARE(saved.size(), EventFileHeader::Size + rows * EventRowSize(k));

        const QString second = QDir(folder).filePath(ala ? QStringLiteral("second.ala") : QStringLiteral("second.aud"));
        QFile::remove(second);
        QString title;
        QStringList firstRow;
        QString openTitle;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                      openTitle = d->windowTitle();
                      ChooseFile(d, firstWithExt);
                  })
                .Then<EventViewer>([&](EventViewer* reopened) {
                    title = reopened->windowTitle();
                    for (int c = 1; c < 8; ++c) firstRow << Cell(*reopened, ala ? 1 : 0, c);
                    MessageLog log;
                    Save(*reopened, second);
                    reopened->accept();
                });
            script.Start();
            ViewEventFile(k, nullptr);
            QVERIFY(script.Finished());
        }
        QCOMPARE(openTitle, QStringLiteral("Выберите файл с данными"));
        QCOMPARE(title, ala ? QStringLiteral("Диагностические сообщения за период с 01.06.24 00:35:12 по 02.06.24 23:55:30")
                            : QStringLiteral("Сообщения о вмешательствах оператора за период с 01.06.24 00:35:12 по 02.06.24 23:55:30"));
        if (ala)
            QCOMPARE(firstRow, QStringList({"   ***", "", "", "", "", "", ""}));
        else
            QCOMPARE(firstRow, QStringList({"    01.06.24", "    08:00:01", "Скорость обмена с ВУ", "9600", "19200", "бит/с", "Ива"}));
        QCOMPARE(Bytes(second), saved);
    }

    void savingProposesTheNameAndAsksBeforeReplacing() {
        const std::vector<DiagnosticRecord> records = Diagnostics();
        auto viewer = EventViewer::ForDiagnostics(Header(EventKind::Diagnostics, 3), records, EventViewMode::ByPeriod, 0);
        viewer->show();
        const QDate today = QDate::currentDate();
        const QString proposed = QStringLiteral("zmk_10-007-%1.ala").arg(today.toString(QStringLiteral("yyMMdd")));
        const QString path = QDir(AlaFolder()).filePath(proposed);
        QVERIFY(home_.Write(QStringLiteral("ALAFILES/") + proposed, QByteArray("old")));
        MessageLog log(false);  // "Нет" to the question
        QString shownName;
        QString dialogTitle;
        bool shownAgain = false;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                      dialogTitle = d->windowTitle();
                      shownName = d->selectedFiles().value(0);
                      static_cast<QDialog*>(d)->accept();
                  })
                .Then<QFileDialog>([&](QFileDialog* d) {
                    shownAgain = true;
                    d->reject();
                });
            script.Start();
            Button(*viewer, "saveButton")->click();
            QVERIFY(script.Finished());
        }
        QCOMPARE(dialogTitle, QStringLiteral("Введите имя файла для сохранения данных"));
        QCOMPARE(QFileInfo(shownName).fileName(), proposed);
        QVERIFY(shownAgain);
        QCOMPARE(log.seen.size(), 1);
        QVERIFY(log.seen[0].question);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Файл %1 уже есть.").arg(proposed));
        QCOMPARE(log.seen[0].line2, QStringLiteral("Вы хотите заменить существующий файл?"));
        QCOMPARE(Bytes(path), QByteArray("old"));  // "Нет", then cancel: nothing written
    }

    void fileRefusals_data() {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("line2");
        const QString ala = QStringLiteral("диагностические сообщения контроллера ЗМК_10");
        const QString aud = QStringLiteral("сообщения о вмешательствах оператора контроллера ЗМК_10");
        const auto file = [](EventKind k, uint32_t rows, int rowBytes, uint8_t chrom) {
            EventFileHeader h = Header(k, rows, chrom);
            const auto head = h.Encode();
            return QByteArray(reinterpret_cast<const char*>(head.data()), EventFileHeader::Size) + QByteArray(rowBytes, '\0');
        };
        QTest::newRow("an .aud file as diagnostics") << 0 << file(EventKind::Interventions, 1, 205, 4) << ala;
        QTest::newRow("an .ala file as interventions") << 1 << file(EventKind::Diagnostics, 1, 300, 4) << aud;
        QTest::newRow("another chromatograph") << 0 << file(EventKind::Diagnostics, 1, 300, 2) << ala;
        QTest::newRow("cut file") << 0 << file(EventKind::Diagnostics, 3, 600, 4) << ala;
        QTest::newRow("shorter than its header") << 1 << QByteArray("AUD\0", 4) << aud;
        QTest::newRow("foreign") << 1 << QByteArray(400, 'x') << aud;
    }

    void fileRefusals() {
        QFETCH(int, kind);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, line2);
        QVERIFY(home_.Write(QStringLiteral("refused.dat"), bytes));
        MessageLog log;
        bool viewerShown = false;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, home_.File(QStringLiteral("refused.dat"))); })
                .Then<EventViewer>([&](EventViewer* v) {
                    viewerShown = true;
                    v->reject();
                });
            script.Start();
            ViewEventFile(EventKind(kind), nullptr);
        }
        QVERIFY(!viewerShown);
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::Error));
        QCOMPARE(log.seen[0].line1, QStringLiteral("Файл refused.dat не является файлом, содержащим"));
        QCOMPARE(log.seen[0].line2, line2);
    }
};

QTEST_MAIN(EventViewerTest)
#include "EventViewerTest.moc"
