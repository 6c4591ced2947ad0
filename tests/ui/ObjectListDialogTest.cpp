#include <QApplication>
#include <QComboBox>
#include <QDateTime>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QtTest>
#include <cstring>
#include <functional>

#include "WindowPart.h"
#include "common/Cp1251.h"
#include "app/ui/MainWindow.h"
#include "MessageTrap.h"
#include "common/ui/MessageDialog.h"
#include "reports/ObjectList.h"
#include "reports/ui/ObjectDialog.h"
#include "reports/ui/ObjectListDialog.h"

#include "ModalScript.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

// A script step that reads the shared message and acknowledges or answers it.
struct Seen {
    QString caption, line1, line2;
    bool question = false;
};
std::function<void(MessageDialog*)> Answer(Seen& seen, bool yes = false) {
    return [&seen, yes](MessageDialog* box) {
        seen.caption = box->windowTitle();
        seen.line1 = box->LineText(1);
        seen.line2 = box->LineText(2);
        seen.question = MessageButton(box, "yesButton")->isVisible();
        if (seen.question)
            (yes ? MessageButton(box, "yesButton") : MessageButton(box, "noButton"))->click();
        else
            MessageButton(box, "okButton")->click();
    };
}

ObjectList ListOf(const QStringList& names, const QList<int>& addresses, uint8_t sortMode = ObjectsByName,
                  uint8_t selected = 0) {
    ObjectList list = EmptyObjectList();
    for (int i = 0; i < names.size(); ++i) {
        SetObjectName(list.Entries[i], names[i]);
        list.Entries[i].Address = uint8_t(addresses[i]);
    }
    list.Count = uint8_t(names.size());
    list.SortMode = sortMode;
    list.Selected = selected;
    return list;
}

QStringList GridColumn(const ObjectListDialog& form, int column) {
    QStringList out;
    const QAbstractItemModel* model = form.StringGrid1->model();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, column).data().toString();
    return out;
}

int SelectedRow(const ObjectListDialog& form) {
    const QModelIndexList rows = form.StringGrid1->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class ObjectsTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
    }

    // --- the single-object dialog -------------------------------------

    void objectDialogLooksAndModes() {
        ObjectEntry entry;
        std::memset(&entry, 0, sizeof entry);
        SetObjectName(entry, QStringLiteral("ГРС Южная"));
        entry.Address = 33;

        ObjectDialog edit(entry, ObjectDialog::EditEntry);
        QCOMPARE(edit.windowTitle(), QStringLiteral(" Параметры объекта"));
        QCOMPARE(edit.LabelName->text(), QStringLiteral("Наименование объекта"));
        QCOMPARE(edit.LabelNameHint->text(), QStringLiteral("(до 49 символов)"));
        QCOMPARE(edit.LabelAddress->text(), QStringLiteral("Адрес контроллера ЗМК"));
        QCOMPARE(edit.BitBtnOk->text(), QStringLiteral("Принять"));
        QCOMPARE(edit.BitBtnCancel->text(), QStringLiteral("Отменить"));
        QCOMPARE(edit.EditName->text(), QStringLiteral("ГРС Южная"));
        QCOMPARE(edit.ComboBoxAddress->currentText(), QStringLiteral("33"));
        QCOMPARE(edit.EditName->maxLength(), 49);
        QCOMPARE(edit.ComboBoxAddress->count(), 255);
        QCOMPARE(edit.ComboBoxAddress->itemText(0), QStringLiteral("1"));
        QCOMPARE(edit.ComboBoxAddress->itemText(254), QStringLiteral("255"));

        ObjectDialog add(entry, ObjectDialog::NewEntry);
        add.show();
        QVERIFY(QTest::qWaitForWindowActive(&add));
        QVERIFY(add.EditName->text().isEmpty());
        QVERIFY(add.ComboBoxAddress->currentText().isEmpty());
        QVERIFY(add.EditName->hasFocus());

        // Letters are not typed into the address.
        QTest::keyClicks(add.ComboBoxAddress->lineEdit(), QStringLiteral("1a2"));
        QCOMPARE(add.ComboBoxAddress->currentText(), QStringLiteral("12"));
    }

    void objectDialogInputErrors_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("address");
        QTest::addColumn<QString>("line1");
        QTest::addColumn<QString>("line2");
        const QString notAll = QStringLiteral("Введены не все параметры");
        const QString range = QStringLiteral("Адрес вне допустимого диапазона");
        const QString limits = QStringLiteral("(1...255)");
        QTest::newRow("no name") << "" << "5" << notAll << "";
        QTest::newRow("no address") << "Объект" << "" << notAll << "";
        QTest::newRow("nothing") << "" << "" << notAll << "";
        QTest::newRow("address 0") << "Объект" << "0" << range << limits;
        QTest::newRow("address 256") << "Объект" << "256" << range << limits;
        QTest::newRow("address with %") << "Объект" << "1%" << range << limits;
        QTest::newRow("address with quote") << "Объект" << "'" << range << limits;
    }

    void objectDialogInputErrors() {
        QFETCH(QString, name);
        QFETCH(QString, address);
        QFETCH(QString, line1);
        QFETCH(QString, line2);
        ObjectEntry entry;
        std::memset(&entry, 0, sizeof entry);
        SetObjectName(entry, QStringLiteral("было"));
        entry.Address = 7;
        const ObjectEntry before = entry;

        ObjectDialog form(entry, ObjectDialog::EditEntry);
        form.show();
        form.EditName->setText(name);
        form.ComboBoxAddress->setEditText(address);
        Seen seen;
        ModalScript script;
        script.Then<MessageDialog>(Answer(seen));
        script.Start();
        form.BitBtnOk->click();
        QVERIFY(script.Finished());
        QCOMPARE(seen.caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(seen.line1, line1);
        QCOMPARE(seen.line2, line2);
        QVERIFY(form.isVisible());  // stays open
        QCOMPARE(form.result(), 0);
        QVERIFY(entry == before);
    }

    void objectDialogStoresOnAcceptOnly() {
        ObjectEntry entry;
        std::memset(&entry, 0, sizeof entry);
        {
            ObjectDialog form(entry, ObjectDialog::NewEntry);
            form.EditName->setText(QStringLiteral("Отменённый"));
            form.ComboBoxAddress->setEditText(QStringLiteral("9"));
            form.BitBtnCancel->click();
            QCOMPARE(form.result(), int(QDialog::Rejected));
            QCOMPARE(entry.Address, uint8_t(0));
            QCOMPARE(ObjectName(entry), QString());
        }
        ObjectDialog form(entry, ObjectDialog::NewEntry);
        form.EditName->setText(QStringLiteral("Ё-пункт №1"));
        form.ComboBoxAddress->setEditText(QStringLiteral("255"));
        form.BitBtnOk->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(entry.Address, uint8_t(255));
        QCOMPARE(ObjectName(entry), QStringLiteral("Ё-пункт №1"));
    }

    // --- the object list dialog ---------------------------------------

    void listLooksAndCells() {
        ObjectList list = ListOf({"Бета", "альфа"}, {12, 3});
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        QCOMPARE(form.windowTitle(), QStringLiteral(" Список объектов"));
        const QAbstractItemModel* model = form.StringGrid1->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Наименование"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral(" Адрес"));
        QCOMPARE(form.BitBtnEdit->text(), QStringLiteral("Изменить"));
        QCOMPARE(form.BitBtnAdd->text(), QStringLiteral("Добавить"));
        QCOMPARE(form.BitBtnDelete->text(), QStringLiteral("Удалить"));
        QCOMPARE(form.BitBtnOk->text(), QStringLiteral("Принять"));
        QCOMPARE(form.BitBtnCancel->text(), QStringLiteral("Отменить"));
        // Sorted by name on opening; the current object ("Бета") stays current.
        QCOMPARE(GridColumn(form, 0), QStringList({"  1", "  2"}));
        QCOMPARE(GridColumn(form, 1), QStringList({" альфа", " Бета"}));
        QCOMPARE(GridColumn(form, 2), QStringList({"  3", "  12"}));
        QCOMPARE(SelectedRow(form), 1);
        QCOMPARE(int(form.List().Selected), 1);
    }

    void buttonStatesByCount_data() {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("sortMode");
        QTest::addColumn<bool>("edit");
        QTest::addColumn<bool>("add");
        QTest::addColumn<bool>("sortName");
        QTest::addColumn<bool>("sortAddress");
        QTest::newRow("empty") << 0 << 0 << false << true << false << false;
        QTest::newRow("one") << 1 << 1 << true << true << false << false;
        QTest::newRow("two by name") << 2 << 0 << true << true << false << true;
        QTest::newRow("two by address") << 2 << 1 << true << true << true << false;
        QTest::newRow("49") << 49 << 0 << true << true << false << true;
        QTest::newRow("full") << 50 << 1 << true << false << true << false;
    }

    void buttonStatesByCount() {
        QFETCH(int, count);
        QFETCH(int, sortMode);
        QStringList names;
        QList<int> addresses;
        for (int i = 0; i < count; ++i) {
            names << QStringLiteral("Объект %1").arg(i, 2, 10, QChar(u'0'));
            addresses << 100 - i;
        }
        ObjectList list = ListOf(names, addresses, uint8_t(sortMode));
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        QCOMPARE(form.StringGrid1->model()->rowCount(), count);
        QTEST(form.BitBtnEdit->isEnabled(), "edit");
        QTEST(form.BitBtnDelete->isEnabled(), "edit");
        QTEST(form.BitBtnAdd->isEnabled(), "add");
        QTEST(form.SpeedButtonSortName->isEnabled(), "sortName");
        QTEST(form.SpeedButtonSortAddress->isEnabled(), "sortAddress");
        QCOMPARE(SelectedRow(form), count > 0 ? int(form.List().Selected) : -1);
    }

    void sortButtonsSwitchTheModeAndKeepTheCurrentObject() {
        ObjectList list = ListOf({"В", "А", "Б"}, {1, 3, 2}, ObjectsByName, 0);  // current "В"
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        QCOMPARE(GridColumn(form, 1), QStringList({" А", " Б", " В"}));
        QCOMPARE(SelectedRow(form), 2);

        form.SpeedButtonSortAddress->click();
        QCOMPARE(int(form.List().SortMode), 1);
        QCOMPARE(GridColumn(form, 2), QStringList({"  1", "  2", "  3"}));
        QCOMPARE(GridColumn(form, 1), QStringList({" В", " Б", " А"}));
        QCOMPARE(SelectedRow(form), 0);
        QVERIFY(!form.SpeedButtonSortAddress->isEnabled());
        QVERIFY(form.SpeedButtonSortName->isEnabled());

        form.SpeedButtonSortName->click();
        QCOMPARE(int(form.List().SortMode), 0);
        QCOMPARE(SelectedRow(form), 2);
    }

    void deleteAsksFirst_data() {
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("current");
        QTest::addColumn<QStringList>("after");
        QTest::addColumn<int>("currentAfter");
        QTest::newRow("no") << false << 1 << QStringList({"А", "Б", "В"}) << 1;
        QTest::newRow("middle") << true << 1 << QStringList({"А", "В"}) << 0;
        QTest::newRow("first") << true << 0 << QStringList({"Б", "В"}) << 0;
        QTest::newRow("last") << true << 2 << QStringList({"А", "Б"}) << 1;
    }

    void deleteAsksFirst() {
        QFETCH(bool, yes);
        QFETCH(int, current);
        ObjectList list = ListOf({"А", "Б", "В"}, {1, 2, 3}, ObjectsByName, uint8_t(current));
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        Seen seen;
        ModalScript script;
        script.Then<MessageDialog>(Answer(seen, yes));
        script.Start();
        form.BitBtnDelete->click();
        QVERIFY(script.Finished());
        QVERIFY(seen.question);
        QCOMPARE(seen.line1, QStringLiteral("Вы действительно хотите"));
        QCOMPARE(seen.line2, QStringLiteral("удалить этот объект?"));
        QStringList names;
        for (int i = 0; i < form.Count(); ++i)
            names << ObjectName(form.List().Entries[i]);
        QTEST(names, "after");
        QTEST(int(form.List().Selected), "currentAfter");
        QCOMPARE(SelectedRow(form), int(form.List().Selected));
    }

    void deletingTheOnlyObjectLeavesAnEmptyList() {
        ObjectList list = ListOf({"Один"}, {5});
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        Seen seen;
        ModalScript script;
        script.Then<MessageDialog>(Answer(seen, true));
        script.Start();
        form.BitBtnDelete->click();
        QVERIFY(script.Finished());
        QCOMPARE(form.Count(), 0);
        QCOMPARE(form.StringGrid1->model()->rowCount(), 0);
        QVERIFY(!form.BitBtnEdit->isEnabled());
        QVERIFY(!form.BitBtnDelete->isEnabled());
        QVERIFY(form.BitBtnAdd->isEnabled());
        ObjectEntry zero;
        std::memset(&zero, 0, sizeof zero);
        QVERIFY(form.List().Entries[0] == zero);
    }

    void addedObjectIsSortedInAndCurrent() {
        ObjectList list = ListOf({"Б", "Г"}, {2, 4});
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        bool startedEmpty = false;
        ModalScript script;
        script.Then<ObjectDialog>([&](ObjectDialog* f) {
            startedEmpty = f->EditName->text().isEmpty() && f->ComboBoxAddress->currentText().isEmpty();
            f->EditName->setText(QStringLiteral("В"));
            f->ComboBoxAddress->setEditText(QStringLiteral("3"));
            f->BitBtnOk->click();
        });
        script.Start();
        form.BitBtnAdd->click();
        QVERIFY(script.Finished());
        QVERIFY(startedEmpty);
        QCOMPARE(GridColumn(form, 1), QStringList({" Б", " В", " Г"}));
        QCOMPARE(int(form.List().Selected), 1);
        QCOMPARE(SelectedRow(form), 1);
    }

    void cancelledAddAndEditChangeNothing() {
        ObjectList list = ListOf({"Б", "Г"}, {2, 4}, ObjectsByName, 1);
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        const ObjectList before = form.List();
        ModalScript script;
        script.Then<ObjectDialog>([](ObjectDialog* f) {
                  f->EditName->setText(QStringLiteral("Новый"));
                  f->BitBtnCancel->click();
              })
            .Then<ObjectDialog>([](ObjectDialog* f) {
                f->EditName->setText(QStringLiteral("Другое"));
                f->BitBtnCancel->click();
            });
        script.Start();
        form.BitBtnAdd->click();
        form.BitBtnEdit->click();
        QVERIFY(script.Finished());
        QVERIFY(form.List() == before);
    }

    void doubleClickEditsThatRow() {
        ObjectList list = ListOf({"А", "Б", "В"}, {1, 2, 3});
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QString shown;
        ModalScript script;
        script.Then<ObjectDialog>([&](ObjectDialog* f) {
            shown = f->EditName->text();
            f->ComboBoxAddress->setEditText(QStringLiteral("200"));
            f->BitBtnOk->click();
        });
        script.Start();
        const QRect cell = form.StringGrid1->visualRect(form.StringGrid1->model()->index(2, 1));
        // A double click is a press, a release and then the double-click press.
        QTest::mouseClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(form.StringGrid1->viewport(), Qt::LeftButton, {}, cell.center());
        QVERIFY(script.Finished());
        QCOMPARE(shown, QStringLiteral("В"));
        QCOMPARE(int(form.List().Selected), 2);
        QCOMPARE(form.List().Entries[2].Address, uint8_t(200));
    }

    void acceptWritesOnlyAChangedList() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("objects.ini"));
        ObjectList list = ListOf({"А", "Б"}, {1, 2});

        {  // no change: the file is not even created
            ObjectListDialog form(list, path);
            form.BitBtnOk->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(!QFileInfo::exists(path));
        }
        {  // a change: written
            ObjectListDialog form(list, path);
            form.SpeedButtonSortAddress->click();
            form.BitBtnOk->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QCOMPARE(int(list.SortMode), 1);
            ObjectList back;
            QVERIFY(ReadObjectList(path, back));
            QVERIFY(back == list);
        }
    }

    void cancelOrCloseRestoresTheList() {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("objects.ini"));
        ObjectList list = ListOf({"А", "Б", "В"}, {1, 2, 3}, ObjectsByName, 2);
        QVERIFY(WriteObjectList(path, list));
        const QByteArray file = ReadAll(path);
        const ObjectList before = list;

        for (int way = 0; way < 2; ++way) {
            ObjectListDialog form(list, path);
            form.show();
            ModalScript script;
            Seen seen;
            script.Then<MessageDialog>(Answer(seen, true));
            script.Start();
            form.BitBtnDelete->click();
            QVERIFY(script.Finished());
            form.SpeedButtonSortAddress->click();
            QCOMPARE(list.Count, uint8_t(2));  // edited in place ...
            if (way == 0)
                form.BitBtnCancel->click();
            else
                form.close();
            QCOMPARE(form.result(), int(QDialog::Rejected));
            QVERIFY(list == before);  // ... and put back
            QCOMPARE(ReadAll(path), file);
        }
    }

    // --- start-up ------------------------------------------------------

    void mainWindowReadsAndSortsTheListAtStartUp() {
        QTemporaryDir dir;
        qputenv("ZMK_HOME", dir.path().toUtf8());
        QDir().mkpath(dir.filePath(QStringLiteral("INI")));
        QFile f(dir.filePath(QStringLiteral("INI/objects.ini")));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("[OBJECT_LIST]\r\nobj_num=3\r\nsort_prz=0\r\nobj_index=0\r\n"
                "[OBJECT_1]\r\ncontr_adr=1\r\nobj_name=" + ToCp1251(QStringLiteral("бета")) + "\r\n"
                "[OBJECT_2]\r\ncontr_adr=2\r\nobj_name=" + ToCp1251(QStringLiteral("Альфа")) + "\r\n"
                "[OBJECT_3]\r\ncontr_adr=3\r\nobj_name=" + ToCp1251(QStringLiteral("гамма")) + "\r\n");
        f.close();
        Objects() = EmptyObjectList();
        {
            MainWindow w;
            WindowPart<QTimer>(&w, "startTimer")->stop();
            const ObjectList& list = Objects();
            QCOMPARE(int(list.Count), 3);
            QCOMPARE(ObjectName(list.Entries[0]), QStringLiteral("Альфа"));
            QCOMPARE(ObjectName(list.Entries[1]), QStringLiteral("бета"));
            QCOMPARE(ObjectName(list.Entries[2]), QStringLiteral("гамма"));
            QCOMPARE(int(list.Selected), 1);  // "бета" stays current
        }
        qunsetenv("ZMK_HOME");
        Objects() = EmptyObjectList();
    }
};

QTEST_MAIN(ObjectsTest)
#include "ObjectListDialogTest.moc"
