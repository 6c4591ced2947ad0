#include <QApplication>
#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>
#include <cstring>

#include "BaseFolder.h"
#include "ListDialogParts.h"
#include "NamedChild.h"
#include "common/Cp1251.h"
#include "app/ui/MainWindow.h"
#include "MessageTrap.h"
#include "ModalScript.h"
#include "reports/ObjectList.h"
#include "reports/ui/ObjectDialog.h"
#include "reports/ui/ObjectListDialog.h"

using namespace zmk;

namespace {

// Takes the shared messages while it lives: keeps the look of each and
// answers every question with `yes`.
struct Messages {
    explicit Messages(bool yes = false)
        : trap([this, yes](MessageKind, const MessageLook& look) {
              seen.append(look);
              return yes;
          }) {}
    QList<MessageLook> seen;
    MessageTrap trap;
};

// The fields of the single-object dialog.
QLineEdit* NameEdit(const ObjectDialog* form) { return ListPart<QLineEdit>(*form, "nameEdit"); }
QComboBox* AddressBox(const ObjectDialog* form) { return ListPart<QComboBox>(*form, "addressBox"); }

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
    const QAbstractItemModel* model = ListGrid(form)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, column).data().toString();
    return out;
}

int SelectedRow(const ObjectListDialog& form) {
    const QModelIndexList rows = ListGrid(form)->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

QByteArray ReadAll(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<missing>");
}

}  // namespace

class ObjectListDialogTest : public QObject {
    Q_OBJECT

private slots:
    // --- the single-object dialog -------------------------------------

    void objectDialogLooksAndModes() {
        ObjectEntry entry;
        std::memset(&entry, 0, sizeof entry);
        SetObjectName(entry, QStringLiteral("ГРС Южная"));
        entry.Address = 33;

        ObjectDialog edit(entry, ObjectDialog::EditEntry);
        QCOMPARE(edit.windowTitle(), QStringLiteral(" Параметры объекта"));
        QCOMPARE(ListPart<QLabel>(edit, "nameLabel")->text(), QStringLiteral("Наименование объекта"));
        QCOMPARE(ListPart<QLabel>(edit, "nameHintLabel")->text(), QStringLiteral("(до 49 символов)"));
        QCOMPARE(ListPart<QLabel>(edit, "addressLabel")->text(), QStringLiteral("Адрес контроллера ЗМК"));
        QCOMPARE(ListButton(edit, "acceptButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(ListButton(edit, "cancelButton")->text(), QStringLiteral("Отменить"));
        QCOMPARE(NameEdit(&edit)->text(), QStringLiteral("ГРС Южная"));
        QCOMPARE(AddressBox(&edit)->currentText(), QStringLiteral("33"));
        QCOMPARE(NameEdit(&edit)->maxLength(), 49);
        QCOMPARE(AddressBox(&edit)->count(), 255);
        QCOMPARE(AddressBox(&edit)->itemText(0), QStringLiteral("1"));
        QCOMPARE(AddressBox(&edit)->itemText(254), QStringLiteral("255"));

        ObjectDialog add(entry, ObjectDialog::NewEntry);
        add.show();
        QVERIFY(QTest::qWaitForWindowActive(&add));
        QVERIFY(NameEdit(&add)->text().isEmpty());
        QVERIFY(AddressBox(&add)->currentText().isEmpty());
        QVERIFY(NameEdit(&add)->hasFocus());

        // Letters are not typed into the address.
        QTest::keyClicks(AddressBox(&add)->lineEdit(), QStringLiteral("1a2"));
        QCOMPARE(AddressBox(&add)->currentText(), QStringLiteral("12"));
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
        NameEdit(&form)->setText(name);
        AddressBox(&form)->setEditText(address);
        Messages messages;
        ListButton(form, "acceptButton")->click();
        QCOMPARE(messages.seen.size(), 1);
        QCOMPARE(messages.seen[0].Caption, QStringLiteral("Ошибка ввода параметров"));
        QCOMPARE(messages.seen[0].Line1, line1);
        QCOMPARE(messages.seen[0].Line2, line2);
        QVERIFY(!messages.seen[0].Question);
        QVERIFY(form.isVisible());  // stays open
        QCOMPARE(form.result(), 0);
        QVERIFY(entry == before);
    }

    void objectDialogStoresOnAcceptOnly() {
        ObjectEntry entry;
        std::memset(&entry, 0, sizeof entry);
        {
            ObjectDialog form(entry, ObjectDialog::NewEntry);
            NameEdit(&form)->setText(QStringLiteral("Отменённый"));
            AddressBox(&form)->setEditText(QStringLiteral("9"));
            ListButton(form, "cancelButton")->click();
            QCOMPARE(form.result(), int(QDialog::Rejected));
            QCOMPARE(entry.Address, uint8_t(0));
            QCOMPARE(ObjectName(entry), QString());
        }
        ObjectDialog form(entry, ObjectDialog::NewEntry);
        NameEdit(&form)->setText(QStringLiteral("Ё-пункт №1"));
        AddressBox(&form)->setEditText(QStringLiteral("255"));
        ListButton(form, "acceptButton")->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(entry.Address, uint8_t(255));
        QCOMPARE(ObjectName(entry), QStringLiteral("Ё-пункт №1"));
    }

    // --- the object list dialog ---------------------------------------

    void listLooksAndCells() {
        ObjectList list = ListOf({"Бета", "альфа"}, {12, 3});
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        QCOMPARE(form.windowTitle(), QStringLiteral(" Список объектов"));
        const QAbstractItemModel* model = ListGrid(form)->model();
        QCOMPARE(model->headerData(0, Qt::Horizontal).toString(), QStringLiteral("№"));
        QCOMPARE(model->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Наименование"));
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral(" Адрес"));
        QCOMPARE(ListButton(form, "editButton")->text(), QStringLiteral("Изменить"));
        QCOMPARE(ListButton(form, "addButton")->text(), QStringLiteral("Добавить"));
        QCOMPARE(ListButton(form, "deleteButton")->text(), QStringLiteral("Удалить"));
        QCOMPARE(ListButton(form, "acceptButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(ListButton(form, "cancelButton")->text(), QStringLiteral("Отменить"));
        QCOMPARE(SortButton(form, "nameSortButton")->toolTip(), QStringLiteral("Упорядочить по наименованию"));
        QCOMPARE(SortButton(form, "secondSortButton")->toolTip(), QStringLiteral("Упорядочить по адресу"));
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
        QCOMPARE(ListGrid(form)->model()->rowCount(), count);
        QTEST(ListButton(form, "editButton")->isEnabled(), "edit");
        QTEST(ListButton(form, "deleteButton")->isEnabled(), "edit");
        QTEST(ListButton(form, "addButton")->isEnabled(), "add");
        QTEST(SortButton(form, "nameSortButton")->isEnabled(), "sortName");
        QTEST(SortButton(form, "secondSortButton")->isEnabled(), "sortAddress");
        QCOMPARE(SelectedRow(form), count > 0 ? int(form.List().Selected) : -1);
    }

    void sortButtonsSwitchTheModeAndKeepTheCurrentObject() {
        ObjectList list = ListOf({"В", "А", "Б"}, {1, 3, 2}, ObjectsByName, 0);  // current "В"
        ObjectListDialog form(list, QStringLiteral("/nonexistent/objects.ini"));
        QCOMPARE(GridColumn(form, 1), QStringList({" А", " Б", " В"}));
        QCOMPARE(SelectedRow(form), 2);

        SortButton(form, "secondSortButton")->click();
        QCOMPARE(int(form.List().SortMode), 1);
        QCOMPARE(GridColumn(form, 2), QStringList({"  1", "  2", "  3"}));
        QCOMPARE(GridColumn(form, 1), QStringList({" В", " Б", " А"}));
        QCOMPARE(SelectedRow(form), 0);
        QVERIFY(!SortButton(form, "secondSortButton")->isEnabled());
        QVERIFY(SortButton(form, "nameSortButton")->isEnabled());

        SortButton(form, "nameSortButton")->click();
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
        {
            Messages messages(yes);
            ListButton(form, "deleteButton")->click();
            QCOMPARE(messages.seen.size(), 1);
            QVERIFY(messages.seen[0].Question);
            QCOMPARE(messages.seen[0].Line1, QStringLiteral("Вы действительно хотите"));
            QCOMPARE(messages.seen[0].Line2, QStringLiteral("удалить этот объект?"));
        }
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
        {
            Messages messages(true);
            ListButton(form, "deleteButton")->click();
            QCOMPARE(messages.seen.size(), 1);
        }
        QCOMPARE(form.Count(), 0);
        QCOMPARE(ListGrid(form)->model()->rowCount(), 0);
        QVERIFY(!ListButton(form, "editButton")->isEnabled());
        QVERIFY(!ListButton(form, "deleteButton")->isEnabled());
        QVERIFY(ListButton(form, "addButton")->isEnabled());
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
            startedEmpty = NameEdit(f)->text().isEmpty() && AddressBox(f)->currentText().isEmpty();
            NameEdit(f)->setText(QStringLiteral("В"));
            AddressBox(f)->setEditText(QStringLiteral("3"));
            ListButton(f, "acceptButton")->click();
        });
        script.Start();
        ListButton(form, "addButton")->click();
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
                  NameEdit(f)->setText(QStringLiteral("Новый"));
                  ListButton(f, "cancelButton")->click();
              })
            .Then<ObjectDialog>([](ObjectDialog* f) {
                NameEdit(f)->setText(QStringLiteral("Другое"));
                ListButton(f, "cancelButton")->click();
            });
        script.Start();
        ListButton(form, "addButton")->click();
        ListButton(form, "editButton")->click();
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
            shown = NameEdit(f)->text();
            AddressBox(f)->setEditText(QStringLiteral("200"));
            ListButton(f, "acceptButton")->click();
        });
        script.Start();
        QTableView* grid = ListGrid(form);
        const QRect cell = grid->visualRect(grid->model()->index(2, 1));
        // A double click is a press, a release and then the double-click press.
        QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, cell.center());
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
            ListButton(form, "acceptButton")->click();
            QCOMPARE(form.result(), int(QDialog::Accepted));
            QVERIFY(!QFileInfo::exists(path));
        }
        {  // a change: written
            ObjectListDialog form(list, path);
            SortButton(form, "secondSortButton")->click();
            ListButton(form, "acceptButton")->click();
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
            {
                Messages messages(true);
                ListButton(form, "deleteButton")->click();
                QCOMPARE(messages.seen.size(), 1);
            }
            SortButton(form, "secondSortButton")->click();
            QCOMPARE(list.Count, uint8_t(2));  // edited in place ...
            if (way == 0)
                ListButton(form, "cancelButton")->click();
            else
                form.close();
            QCOMPARE(form.result(), int(QDialog::Rejected));
            QVERIFY(list == before);  // ... and put back
            QCOMPARE(ReadAll(path), file);
        }
    }

    // --- start-up ------------------------------------------------------

    void mainWindowReadsAndSortsTheListAtStartUp() {
        BaseFolder base;
        QVERIFY(base.IsValid());
        QVERIFY(base.Write(QStringLiteral("INI/objects.ini"),
                           "[OBJECT_LIST]\r\nobj_num=3\r\nsort_prz=0\r\nobj_index=0\r\n"
                           "[OBJECT_1]\r\ncontr_adr=1\r\nobj_name=" + ToCp1251(QStringLiteral("бета")) + "\r\n"
                           "[OBJECT_2]\r\ncontr_adr=2\r\nobj_name=" + ToCp1251(QStringLiteral("Альфа")) + "\r\n"
                           "[OBJECT_3]\r\ncontr_adr=3\r\nobj_name=" + ToCp1251(QStringLiteral("гамма")) + "\r\n"));
        Objects() = EmptyObjectList();
        {
            MainWindow w;
            Named<QTimer>(&w, "startTimer")->stop();
            const ObjectList& list = Objects();
            QCOMPARE(int(list.Count), 3);
            QCOMPARE(ObjectName(list.Entries[0]), QStringLiteral("Альфа"));
            QCOMPARE(ObjectName(list.Entries[1]), QStringLiteral("бета"));
            QCOMPARE(ObjectName(list.Entries[2]), QStringLiteral("гамма"));
            QCOMPARE(int(list.Selected), 1);  // "бета" stays current
        }
        Objects() = EmptyObjectList();
    }
};

QTEST_MAIN(ObjectListDialogTest)
#include "ObjectListDialogTest.moc"
