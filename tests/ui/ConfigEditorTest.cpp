// The configuration editor on a record, the configuration file dialogs and
// the two file commands, offscreen.

#include <QApplication>
#include <QCheckBox>
#include <QKeyEvent>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>
#include <memory>

#include "BaseFolder.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "common/Folders.h"
#include "tables/ConfigRecord.h"
#include "tables/ui/ConfigEditorDialog.h"
#include "tables/ui/ConfigFileCommands.h"
#include "tables/ui/IdentificationDialog.h"
#include "tables/ui/SystemParamsDialog.h"

using namespace zmk;

namespace {

void Click(QWidget* form, const char* name) { Named<QPushButton>(form, QLatin1String(name))->click(); }

// The name field as a user types it (selectFile waits for the folder to be listed).
void ChooseFile(QFileDialog* d, const QString& path) {
    if (auto* edit = d->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) edit->setText(path);
    else d->selectFile(path);
    static_cast<QDialog*>(d)->accept();
}

// Types text as a user does, one key at a time (any script).
void Type(QLineEdit* edit, const QString& text) {
    for (QChar c : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(c));
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
    }
}

QString ConfigFolder() { return WorkFolderPath(WorkFolder::Config); }

QStringList ConfigFiles() { return QDir(ConfigFolder()).entryList(QDir::Files); }

QByteArray Bytes(const ConfigRecord& record, int offset, int size) {
    return QByteArray(reinterpret_cast<const char*>(record.At(offset)), size);
}

// Everything of the record except [offset, offset + size).
QByteArray Outside(const ConfigRecord& record, int offset, int size) {
    QByteArray all(reinterpret_cast<const char*>(record.bytes.data()), ConfigRecordSize);
    return all.remove(offset, size);
}

}  // namespace

class ConfigEditorTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
        home_ = std::make_unique<::BaseFolder>();
        SetUpFolders();
    }
    void cleanup() { home_.reset(); }

    void titleAndNameFollowTheNameField() {
        ConfigRecord record = NewConfigRecord();
        ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit);
        QCOMPARE(editor.windowTitle(), QStringLiteral("Параметры конфигурации контроллера \"\" "));
        auto* name = Named<QLineEdit>(&editor, "nameEdit");
        QCOMPARE(name->maxLength(), 20);
        Type(name, QStringLiteral(" ГРС-1"));
        QCOMPARE(editor.windowTitle(), QStringLiteral("Параметры конфигурации контроллера \"ГРС-1\" "));
        const QByteArray expected = QByteArray(" \xC3\xD0\xD1-1").leftJustified(20, ' ');
        QCOMPARE(Bytes(record, config_offset::Name, 20), expected);

        // A character Windows-1251 has no byte for is refused; name and record stay.
        MessageLog log;
        Type(name, QStringLiteral("Ā"));
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::InputError));
        QCOMPARE(name->text(), QStringLiteral(" ГРС-1"));
        QCOMPARE(Bytes(record, config_offset::Name, 20), expected);
    }

    void resultTellsAcceptedAndChanged_data() {
        QTest::addColumn<bool>("writeMode");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<bool>("changed");
        QTest::newRow("edit, untouched") << false << QString() << false;
        QTest::newRow("edit, renamed") << false << QStringLiteral("A") << true;
        QTest::newRow("write, renamed") << true << QStringLiteral("A") << true;
    }
    void resultTellsAcceptedAndChanged() {
        QFETCH(bool, writeMode);
        QFETCH(QString, typed);
        QFETCH(bool, changed);
        ConfigRecord record = NewConfigRecord();
        ConfigEditorDialog editor(record, writeMode ? ConfigEditorDialog::Mode::Write : ConfigEditorDialog::Mode::Edit);
        auto* confirm = Named<QPushButton>(&editor, "confirmButton");
        QCOMPARE(confirm->text(), writeMode ? QStringLiteral("Записать в устройство") : QStringLiteral("Принять"));
        if (!typed.isEmpty()) Type(Named<QLineEdit>(&editor, "nameEdit"), typed);
        confirm->click();
        QCOMPARE(editor.result(), int(QDialog::Accepted));
        QCOMPARE(editor.Changed(), changed);
    }

    void moistureMeterFollowsTheSystemParameters() {
        ConfigRecord record = NewConfigRecord();
        record.bytes[config_offset::System + 8] = 0;
        const ConfigRecord before = record;
        ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit);
        QVERIFY(!Named<QPushButton>(&editor, "moistureMeterButton")->isEnabled());
        QVERIFY(!Named<QLabel>(&editor, "moistureMeterLabel")->isEnabled());

        ModalScript script;
        script.Then<SystemParamsDialog>([](SystemParamsDialog* f) {
            Named<QCheckBox>(f, "moisturePresent")->setChecked(true);
            Click(f, "confirmButton");
        });
        script.Start();
        Click(&editor, "systemButton");
        QVERIFY(script.Finished());
        QVERIFY(Named<QPushButton>(&editor, "moistureMeterButton")->isEnabled());
        QVERIFY(Named<QLabel>(&editor, "moistureMeterLabel")->isEnabled());
        QVERIFY(record.bytes[config_offset::System + 8] != 0);
        // Only the system parameters changed.
        QCOMPARE(Outside(record, config_offset::System, 12), Outside(before, config_offset::System, 12));
    }

    void identificationShowsAllFieldsOnlyForARecordFromAController_data() {
        QTest::addColumn<int>("origin");
        QTest::newRow("new configuration") << 0;
        QTest::newRow("read from a controller") << 1;
    }
    void identificationShowsAllFieldsOnlyForARecordFromAController() {
        QFETCH(int, origin);
        ConfigRecord record = NewConfigRecord();
        record.bytes[config_offset::Origin] = uint8_t(origin);
        record.bytes[config_offset::Identification + 5] = 5;
        ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit);
        bool laterRowShown = false;
        ModalScript script;
        script.Then<IdentificationDialog>([&](IdentificationDialog* f) {
            laterRowShown = Named<QLabel>(f, "identLabel2")->isEnabled();
            Click(f, "exitButton");
        });
        script.Start();
        Click(&editor, "identificationButton");
        QVERIFY(script.Finished());
        QCOMPARE(laterRowShown, origin == 1);
    }

    void savingProposesTheNameAndAsksBeforeReplacingAnother() {
        ConfigRecord record = NewConfigRecord();
        PutName(record, "ГРС-1");
        MessageLog log;  // "Нет" to the replace question
        QString title, proposed;
        {
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) {
                title = d->windowTitle();
                proposed = d->selectedFiles().value(0);
                static_cast<QDialog*>(d)->accept();
            });
            script.Start();
            QVERIFY(SaveConfigFile(record, nullptr));
            QVERIFY(script.Finished());
        }
        QCOMPARE(title, QStringLiteral("Выбор файла для записи параметров конфигурации"));
        QCOMPARE(QFileInfo(proposed).absolutePath(), QFileInfo(ConfigFolder()).absoluteFilePath());
        QVERIFY2(QFileInfo(proposed).fileName().startsWith(QStringLiteral("zmk_10-ГРС-1-")), qPrintable(proposed));
        QVERIFY(QFileInfo::exists(proposed));
        QCOMPARE(log.seen.size(), 1);  // no question under the proposed name
        QCOMPARE(log.seen[0].line1, QStringLiteral("Параметры конфигурации"));
        QCOMPARE(log.seen[0].line2, QStringLiteral("сохранены в файле %1").arg(QFileInfo(proposed).fileName()));

        const std::optional<ConfigRecord> back = ReadConfigFile(proposed);
        QVERIFY(back && *back == record);
    }

    // Another existing file: "Нет" to the replace question brings the dialog
    // back on that name and the file stays as it was; "Да" replaces it.
    void replacingAnotherFileAsksEachTime() {
        ConfigRecord record = NewConfigRecord();
        PutName(record, "ГРС-1");
        const QString other = ConfigFolder() + QStringLiteral("/other.cnf");
        {
            QFile f(other);
            QVERIFY(f.open(QIODevice::WriteOnly));
            f.write("kept");
        }
        {
            MessageLog log;  // "Нет"
            QString reopenedOn;
            ModalScript script;
            script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, other); })
                .Then<QFileDialog>([&](QFileDialog* d) {
                    reopenedOn = d->selectedFiles().value(0);
                    d->reject();
                });
            script.Start();
            QVERIFY(!SaveConfigFile(record, nullptr));
            QVERIFY(script.Finished());
            QCOMPARE(QFileInfo(reopenedOn).fileName(), QStringLiteral("other.cnf"));
            QCOMPARE(log.seen.size(), 1);
            QVERIFY(log.seen[0].question);
            QCOMPARE(log.seen[0].line1, QStringLiteral("Файл other.cnf уже есть."));
            QCOMPARE(log.seen[0].line2, QStringLiteral("Вы хотите заменить существующий файл?"));
            QFile f(other);
            QVERIFY(f.open(QIODevice::ReadOnly));
            QCOMPARE(f.readAll(), QByteArray("kept"));
        }
        MessageLog log(true);  // "Да"
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, other); });
        script.Start();
        QVERIFY(SaveConfigFile(record, nullptr));
        QVERIFY(script.Finished());
        QCOMPARE(log.seen.size(), 2);
        QCOMPARE(log.seen[1].line2, QStringLiteral("сохранены в файле other.cnf"));
        const std::optional<ConfigRecord> back = ReadConfigFile(other);
        QVERIFY(back && *back == record);
    }

    // Each button opens its part's dialog on the record; leaving that dialog
    // with "Отменить" leaves the record as it was.
    void buttonsOpenTheirDialogs_data() {
        QTest::addColumn<QString>("button");
        QTest::addColumn<QString>("dialog");
        const char* rows[][2] = {{"identificationButton", "zmk::IdentificationDialog"},
                                 {"flowLinkButton", "zmk::FlowComputerLinkDialog"},
                                 {"upperLevelButton", "zmk::UpperLevelLinkDialog"},
                                 {"chromatographButton", "zmk::ChromatographLinkDialog"},
                                 {"moistureMeterButton", "zmk::MoistureMeterLinkDialog"},
                                 {"ethernetButton", "zmk::EthernetLinkDialog"},
                                 {"systemButton", "zmk::SystemParamsDialog"},
                                 {"flowComputersButton", "zmk::FlowComputerListDialog"},
                                 {"gasWriteButton", "zmk::GasParameterWriteDialog"},
                                 {"hourlyPeriodButton", "zmk::HourlyWritePeriodDialog"},
                                 {"usersButton", "zmk::UsersListDialog"},
                                 {"limitsButton", "zmk::GasLimitsListDialog"}};
        for (const auto& row : rows) QTest::newRow(row[0]) << QString::fromLatin1(row[0]) << QString::fromLatin1(row[1]);
    }
    void buttonsOpenTheirDialogs() {
        QFETCH(QString, button);
        QFETCH(QString, dialog);
        ConfigRecord record = NewConfigRecord();
        PutName(record, "ГРС-1");
        const ConfigRecord before = record;
        ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit);
        QString opened;
        ModalScript script;
        script.Then<QDialog>([&](QDialog* d) {
            opened = QString::fromLatin1(d->metaObject()->className());
            d->reject();
        });
        script.Start();
        Named<QPushButton>(&editor, button)->click();
        QVERIFY(script.Finished());
        QCOMPARE(opened, dialog);
        QVERIFY(record == before);
    }

    void loadingRefusesForeignFiles_data() {
        QTest::addColumn<int>("offset");
        QTest::addColumn<int>("value");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        QTest::newRow("other controller") << 2 << 0 << QStringLiteral("Файл x.cnf не является файлом конфигурации")
                                          << QStringLiteral("контроллера ЗМК_10");
        QTest::newRow("other version") << 4 << 14 << QStringLiteral("Файл параметров конфигурации x.cnf подготовлен")
                                       << QStringLiteral("для контроллера ЗМК_10 с версией ПО 14");
    }
    void loadingRefusesForeignFiles() {
        QFETCH(int, offset);
        QFETCH(int, value);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ConfigRecord written = NewConfigRecord();
        written.bytes[offset] = uint8_t(value);
        const QString path = QDir(ConfigFolder()).filePath(QStringLiteral("x.cnf"));
        QVERIFY(WriteConfigFile(path, written));
        MessageLog log;
        ConfigRecord record = NewConfigRecord();
        const ConfigRecord before = record;
        QString title;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) {
            title = d->windowTitle();
            ChooseFile(d, path);
        });
        script.Start();
        QVERIFY(!LoadConfigFile(record, nullptr));
        QVERIFY(script.Finished());
        QCOMPARE(title, QStringLiteral("Выбор файла с параметрами конфигурации"));
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].kind, int(MessageKind::Info));
        QCOMPARE(log.seen[0].line1, line1);
        QCOMPARE(log.seen[0].line2, line2);
        QVERIFY(record == before);
    }

    void newFileIsOfferedForSavingEvenUnchanged() {
        MessageLog log;
        ModalScript script;
        script.Then<ConfigEditorDialog>([](ConfigEditorDialog* f) { Click(f, "confirmButton"); })
            .Then<QFileDialog>([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        script.Start();
        CreateConfigFile(nullptr);
        QVERIFY(script.Finished());
        const QStringList files = ConfigFiles();
        QCOMPARE(files.size(), 1);
        const std::optional<ConfigRecord> saved = ReadConfigFile(QDir(ConfigFolder()).filePath(files[0]));
        QVERIFY(saved && *saved == NewConfigRecord());
    }

    void editedFileIsSavedOnlyWhenChanged_data() {
        QTest::addColumn<QString>("typed");
        QTest::newRow("unchanged") << QString();
        QTest::newRow("renamed") << QStringLiteral("N");
    }
    void editedFileIsSavedOnlyWhenChanged() {
        QFETCH(QString, typed);
        const QString path = QDir(ConfigFolder()).filePath(QStringLiteral("mine.cnf"));
        QVERIFY(WriteConfigFile(path, NewConfigRecord()));
        MessageLog log;
        ModalScript script;
        script.Then<QFileDialog>([&](QFileDialog* d) { ChooseFile(d, path); })
            .Then<ConfigEditorDialog>([&](ConfigEditorDialog* f) {
                if (!typed.isEmpty()) Type(Named<QLineEdit>(f, "nameEdit"), typed);
                Click(f, "confirmButton");
            });
        if (!typed.isEmpty())
            script.Then<QFileDialog>([](QFileDialog* d) { static_cast<QDialog*>(d)->accept(); });
        script.Start();
        EditConfigFile(nullptr);
        QVERIFY(script.Finished());
        QCOMPARE(ConfigFiles().size(), typed.isEmpty() ? 1 : 2);
        QCOMPARE(log.seen.size(), typed.isEmpty() ? 0 : 1);
    }

private:
    static void PutName(ConfigRecord& record, const char* utf8) {
        ConfigEditorDialog editor(record, ConfigEditorDialog::Mode::Edit);
        Type(Named<QLineEdit>(&editor, "nameEdit"), QString::fromUtf8(utf8));
    }

    std::unique_ptr<::BaseFolder> home_;
};

QTEST_MAIN(ConfigEditorTest)
#include "ConfigEditorTest.moc"
