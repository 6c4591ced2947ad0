#include <QApplication>
#include <QComboBox>
#include <QHeaderView>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QToolButton>
#include <QtTest>
#include <cstring>
#include <memory>

#include "ListDialogParts.h"
#include "MessageLog.h"
#include "ModalScript.h"
#include "NamedChild.h"
#include "link/SubscriberList.h"
#include "link/ui/SubscriberDialog.h"
#include "link/ui/SubscriberListDialog.h"
#include "app/ConnectionState.h"

using namespace zmk;

namespace {

std::unique_ptr<PhoneList> PhoneListOf(const QStringList& names) {
    auto list = std::make_unique<PhoneList>();
    ClearList(*list);
    for (const QString& name : names) {
        PhoneAbonent& e = list->Entries[list->Count];
        e = EmptyPhoneAbonent();
        SetAbonentName(e, name);
        SetAbonentPhone(e, QStringLiteral("tel-%1").arg(name));
        e.Address = uint8_t(list->Count + 1);
        ++list->Count;
    }
    return list;
}

std::unique_ptr<EthernetList> EthernetListOf(const QStringList& names) {
    auto list = std::make_unique<EthernetList>();
    ClearList(*list);
    for (const QString& name : names) {
        EthernetAbonent& e = list->Entries[list->Count];
        e = EmptyEthernetAbonent();
        SetAbonentName(e, name);
        e.Address = uint8_t(list->Count + 1);
        e.SetIp(0x0A000000u + list->Count);
        e.SetPort(1000 + list->Count);
        ++list->Count;
    }
    return list;
}

QStringList GridColumn(const SubscriberListDialog& form, int column) {
    QStringList out;
    const QAbstractItemModel* model = ListGrid(form)->model();
    for (int row = 0; row < model->rowCount(); ++row)
        out << model->index(row, column).data().toString();
    return out;
}

int SelectedRow(const SubscriberListDialog& form) {
    const QModelIndexList rows = ListGrid(form)->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.first().row() : -1;
}

QPoint RowCentre(const SubscriberListDialog& form, int row, int column = 1) {
    return ListGrid(form)->visualRect(ListGrid(form)->model()->index(row, column)).center();
}

void ShowAndWait(QWidget& w) {
    w.show();
    QVERIFY(QTest::qWaitForWindowExposed(&w));
}

}  // namespace

class SubscriberListDialogTest : public QObject {
    Q_OBJECT

private slots:
    void init() {
    }

    void captionsSizeAndHeaders() {
        auto phone = PhoneListOf({});
        auto eth = EthernetListOf({});
        SubscriberListDialog phoneForm(*phone);
        SubscriberListDialog ethForm(*eth);
        QCOMPARE(phoneForm.windowTitle(), QStringLiteral("Список абонентов (связь по телефону)"));
        QCOMPARE(ethForm.windowTitle(), QStringLiteral("Список абонентов (Ethernet-интерфейс)"));
        QCOMPARE(phoneForm.size(), QSize(682, 560));
        QCOMPARE(ethForm.size(), QSize(682, 560));
        const QStringList phoneHeaders = {"№", "Наименование", "Адрес", "№ телефона"};
        const QStringList ethHeaders = {"№", "Наименование", "Адрес", "IP-адрес:порт"};
        for (int c = 0; c < 4; ++c) {
            QCOMPARE(ListGrid(phoneForm)->model()->headerData(c, Qt::Horizontal).toString(),
                     phoneHeaders[c]);
            QCOMPARE(ListGrid(ethForm)->model()->headerData(c, Qt::Horizontal).toString(),
                     ethHeaders[c]);
        }
        QCOMPARE(ListGrid(phoneForm)->model()->columnCount(), 4);
        QCOMPARE(ListButton(phoneForm, "editButton")->text(), QStringLiteral("Изменить"));
        QCOMPARE(ListButton(phoneForm, "addButton")->text(), QStringLiteral("Добавить"));
        QCOMPARE(ListButton(phoneForm, "deleteButton")->text(), QStringLiteral("Удалить"));
        QCOMPARE(ListButton(phoneForm, "acceptButton")->text(), QStringLiteral("Принять"));
        QCOMPARE(ListButton(phoneForm, "cancelButton")->text(), QStringLiteral("Отменить"));
    }

    void sortButtonsSitInTheirColumnHeaders() {
        auto phone = PhoneListOf({"а", "б"});
        SubscriberListDialog form(*phone);
        ShowAndWait(form);
        QHeaderView* header = ListGrid(form)->horizontalHeader();
        QCOMPARE(SortButton(form, "nameSortButton")->parentWidget(), static_cast<QWidget*>(header));
        QCOMPARE(SortButton(form, "secondSortButton")->parentWidget(), static_cast<QWidget*>(header));
        auto inSection = [&](QToolButton* b, int section) {
            const int left = header->sectionViewportPosition(section);
            return b->isVisible() && b->x() >= left &&
                   b->geometry().right() < left + header->sectionSize(section);
        };
        QVERIFY(inSection(SortButton(form, "nameSortButton"), 1));
        QVERIFY(inSection(SortButton(form, "secondSortButton"), 3));
    }

    void gridTexts() {
        auto phone = PhoneListOf({});
        phone->Count = 1;
        phone->Entries[0] = EmptyPhoneAbonent();
        SetAbonentName(phone->Entries[0], QStringLiteral("Котельная"));
        SetAbonentPhone(phone->Entries[0], QStringLiteral("8-800"));
        phone->Entries[0].Address = 7;
        SubscriberListDialog phoneForm(*phone);
        QCOMPARE(ListGrid(phoneForm)->model(), static_cast<QAbstractItemModel*>(Named<SubscriberListModel>(&phoneForm, "model")));
        QCOMPARE(GridColumn(phoneForm, 0), QStringList({"  1"}));
        QCOMPARE(GridColumn(phoneForm, 1), QStringList({" Котельная"}));
        QCOMPARE(GridColumn(phoneForm, 2), QStringList({" 7"}));
        QCOMPARE(GridColumn(phoneForm, 3), QStringList({" 8-800"}));

        auto eth = EthernetListOf({"Узел", "Альфа"});
        eth->Entries[0].SetIp(0xC0A80114u);
        eth->Entries[0].SetPort(502);
        eth->Entries[0].Address = 255;
        SubscriberListDialog ethForm(*eth);
        QCOMPARE(GridColumn(ethForm, 0), QStringList({"  1", "  2"}));
        QCOMPARE(GridColumn(ethForm, 1), QStringList({" Альфа", " Узел"}));
        QCOMPARE(GridColumn(ethForm, 2), QStringList({" 2", " 255"}));
        QCOMPARE(GridColumn(ethForm, 3), QStringList({"10.0.0.1:1001", "192.168.1.20:502"}));
    }

    void opensSortedOnACopyWithTheCurrentRowSelected() {
        auto phone = PhoneListOf({"в", "б", "А"});
        phone->Current = 1;  // "б"
        const PhoneList before = *phone;
        SubscriberListDialog form(*phone);
        QCOMPARE(GridColumn(form, 1), QStringList({" А", " б", " в"}));
        QCOMPARE(form.CurrentIndex(), 1);
        QCOMPARE(SelectedRow(form), 1);
        QCOMPARE(std::memcmp(phone.get(), &before, sizeof before), 0);
        // Sorted by name: its button is the disabled one.
        QVERIFY(!SortButton(form, "nameSortButton")->isEnabled());
        QVERIFY(SortButton(form, "secondSortButton")->isEnabled());
    }

    void sortButtonsSwitchTheKindAndKeepTheCurrentEntry() {
        auto eth = EthernetListOf({"в", "б", "а"});
        eth->Entries[0].SetIp(0xC0000001u);  // "в": 192.0.0.1, largest as unsigned
        eth->Entries[1].SetIp(0x01000000u);  // "б"
        eth->Entries[2].SetIp(0x7F000001u);  // "а"
        eth->Current = 2;                    // "а"
        SubscriberListDialog form(*eth);
        ShowAndWait(form);
        QCOMPARE(GridColumn(form, 1), QStringList({" а", " б", " в"}));
        QCOMPARE(form.CurrentIndex(), 0);

        SortButton(form, "secondSortButton")->click();
        QCOMPARE(GridColumn(form, 1), QStringList({" б", " а", " в"}));
        QCOMPARE(form.CurrentIndex(), 1);
        QCOMPARE(SelectedRow(form), 1);
        QVERIFY(SortButton(form, "nameSortButton")->isEnabled());
        QVERIFY(!SortButton(form, "secondSortButton")->isEnabled());

        SortButton(form, "nameSortButton")->click();
        QCOMPARE(GridColumn(form, 1), QStringList({" а", " б", " в"}));
        QCOMPARE(form.CurrentIndex(), 0);
        SortButton(form, "secondSortButton")->click();
        ListButton(form, "acceptButton")->click();
        QCOMPARE(eth->SortKind, uint8_t(SortByKey));
        QCOMPARE(AbonentName(eth->Entries[0]), QStringLiteral("б"));
        QCOMPARE(eth->Current, uint8_t(1));
    }

    void clickAndKeyboardMakeARowCurrent() {
        auto phone = PhoneListOf({"а", "б", "в", "г"});
        SubscriberListDialog form(*phone);
        ShowAndWait(form);
        QTest::mouseClick(ListGrid(form)->viewport(), Qt::LeftButton, {}, RowCentre(form, 2));
        QCOMPARE(form.CurrentIndex(), 2);
        QTest::keyClick(ListGrid(form), Qt::Key_Down);
        QCOMPARE(form.CurrentIndex(), 3);
        QTest::mouseClick(ListGrid(form)->viewport(), Qt::LeftButton, {}, RowCentre(form, 0, 3));
        QCOMPARE(form.CurrentIndex(), 0);
    }

    void deleteAsksAndFollowsTheIndexRule_data() {
        QTest::addColumn<int>("current");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<int>("expectedCurrent");
        QTest::addColumn<QString>("expectedFirst");
        QTest::newRow("index 0") << 0 << true << 0 << " 1";
        QTest::newRow("index 5") << 5 << true << 4 << " 0";
        QTest::newRow("last") << 7 << true << 6 << " 0";
        QTest::newRow("answered Нет") << 5 << false << 5 << " 0";
    }

    void deleteAsksAndFollowsTheIndexRule() {
        QFETCH(int, current);
        QFETCH(bool, yes);
        QFETCH(int, expectedCurrent);
        QFETCH(QString, expectedFirst);
        auto phone = PhoneListOf({"0", "1", "2", "3", "4", "5", "6", "7"});
        const PhoneList before = *phone;
        SubscriberListDialog form(*phone);
        ShowAndWait(form);
        QTest::mouseClick(ListGrid(form)->viewport(), Qt::LeftButton, {}, RowCentre(form, current));
        QCOMPARE(form.CurrentIndex(), current);

        QString caption = QStringLiteral("?");
        QStringList lines;
        bool questionButtons = false;
        int kind = 0;
        ModalScript script;
        script.Then<MessageDialog>([&](MessageDialog* box) {
            kind = int(box->Kind());
            caption = box->windowTitle();
            lines = {box->LineText(1), box->LineText(2), box->LineText(3)};
            questionButtons = MessageButton(box, "yesButton")->isVisible() && MessageButton(box, "noButton")->isVisible();
            (yes ? MessageButton(box, "yesButton") : MessageButton(box, "noButton"))->click();
        });
        script.Start();
        ListButton(form, "deleteButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(kind, 3);
        QVERIFY(caption.isEmpty());
        QCOMPARE(lines, QStringList({"Вы действительно хотите", "удалить этот абонент?", ""}));
        QVERIFY(questionButtons);

        const int count = yes ? 7 : 8;
        QCOMPARE(form.Count(), count);
        QCOMPARE(ListGrid(form)->model()->rowCount(), count);
        QCOMPARE(form.CurrentIndex(), expectedCurrent);
        QCOMPARE(SelectedRow(form), expectedCurrent);
        QCOMPARE(GridColumn(form, 1).first(), expectedFirst);
        if (yes) {
            QVERIFY(!GridColumn(form, 1).contains(QStringLiteral(" %1").arg(current)));
            QCOMPARE(form.PhoneCopy().Entries[7].Name[0], 0);
        }
        QVERIFY(QApplication::overrideCursor() == nullptr);
        // "Отменить": the caller's list is not touched.
        ListButton(form, "cancelButton")->click();
        QCOMPARE(form.result(), int(QDialog::Rejected));
        QCOMPARE(std::memcmp(phone.get(), &before, sizeof before), 0);
    }

    void buttonRulesFromEmptyToFull() {
        auto empty = PhoneListOf({});
        SubscriberListDialog emptyForm(*empty);
        QCOMPARE(ListGrid(emptyForm)->model()->rowCount(), 0);
        QVERIFY(!ListButton(emptyForm, "editButton")->isEnabled());
        QVERIFY(!ListButton(emptyForm, "deleteButton")->isEnabled());
        QVERIFY(ListButton(emptyForm, "addButton")->isEnabled());

        QStringList names;
        for (int i = 0; i < MaxAbonents; ++i)
            names << QStringLiteral("Абонент %1").arg(i, 3, 10, QLatin1Char('0'));
        auto full = PhoneListOf(names);
        full->Current = 199;
        SubscriberListDialog fullForm(*full);
        ShowAndWait(fullForm);
        QCOMPARE(ListGrid(fullForm)->model()->rowCount(), 200);
        QVERIFY(!ListButton(fullForm, "addButton")->isEnabled());
        QVERIFY(ListButton(fullForm, "editButton")->isEnabled());
        QVERIFY(ListButton(fullForm, "deleteButton")->isEnabled());
        // The selected last row is scrolled into view.
        QVERIFY(ListGrid(fullForm)->viewport()->rect().intersects(
            ListGrid(fullForm)->visualRect(Named<SubscriberListModel>(&fullForm, "model")->index(199, 0))));

        ModalScript yes;
        yes.Then<MessageDialog>([](MessageDialog* box) { MessageButton(box, "yesButton")->click(); });
        yes.Start();
        ListButton(fullForm, "deleteButton")->click();
        QVERIFY(yes.Finished());
        QCOMPARE(fullForm.Count(), 199);
        QVERIFY(ListButton(fullForm, "addButton")->isEnabled());

        // Deleting the only entry leaves the empty state.
        auto one = EthernetListOf({"один"});
        SubscriberListDialog oneForm(*one);
        ModalScript yesAgain;
        yesAgain.Then<MessageDialog>([](MessageDialog* box) { MessageButton(box, "yesButton")->click(); });
        yesAgain.Start();
        ListButton(oneForm, "deleteButton")->click();
        QVERIFY(yesAgain.Finished());
        QCOMPARE(ListGrid(oneForm)->model()->rowCount(), 0);
        QVERIFY(!ListButton(oneForm, "editButton")->isEnabled());
        QVERIFY(!ListButton(oneForm, "deleteButton")->isEnabled());
        QVERIFY(ListButton(oneForm, "addButton")->isEnabled());
    }

    void addNewEntryBecomesCurrentAndFillsTheLastFreePlace() {
        QStringList names;
        for (int i = 0; i < MaxAbonents - 1; ++i)
            names << QStringLiteral("Б%1").arg(i, 3, 10, QLatin1Char('0'));
        auto phone = PhoneListOf(names);
        SubscriberListDialog form(*phone);
        ShowAndWait(form);
        QVERIFY(ListButton(form, "addButton")->isEnabled());

        bool startedEmpty = false;
        QString title;
        ModalScript script;
        script.Then<SubscriberDialog>([&](SubscriberDialog* entry) {
            title = entry->windowTitle();
            startedEmpty = Named<QLineEdit>(entry, "nameEdit")->text().isEmpty() &&
                           Named<QComboBox>(entry, "addressBox")->currentText().isEmpty() &&
                           Named<QLineEdit>(entry, "phoneEdit")->text().isEmpty();
            Named<QLineEdit>(entry, "nameEdit")->setText(QStringLiteral("А-новый"));
            Named<QComboBox>(entry, "addressBox")->setEditText(QStringLiteral("42"));
            Named<QLineEdit>(entry, "phoneEdit")->setText(QStringLiteral("555"));
            Named<QPushButton>(entry, "acceptButton")->click();
        });
        script.Start();
        ListButton(form, "addButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(title, QStringLiteral("Параметры абонента (связь по телефону)"));
        QVERIFY(startedEmpty);
        QCOMPARE(form.Count(), 200);
        // Sorted in at the top and current.
        QCOMPARE(form.CurrentIndex(), 0);
        QCOMPARE(SelectedRow(form), 0);
        QCOMPARE(ListGrid(form)->model()->index(0, 1).data().toString(), QStringLiteral(" А-новый"));
        QCOMPARE(ListGrid(form)->model()->index(0, 2).data().toString(), QStringLiteral(" 42"));
        QCOMPARE(ListGrid(form)->model()->index(0, 3).data().toString(), QStringLiteral(" 555"));
        QCOMPARE(form.PhoneCopy().Entries[0].ModbusAddress, uint8_t(1));
        QVERIFY(!ListButton(form, "addButton")->isEnabled());
        QCOMPARE(phone->Count, uint8_t(199));  // not yet accepted

        ListButton(form, "acceptButton")->click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(phone->Count, uint8_t(200));
        QCOMPARE(AbonentName(phone->Entries[0]), QStringLiteral("А-новый"));
    }

    void refusedThenCancelledAddChangesNothing() {
        auto eth = EthernetListOf({"а"});
        SubscriberListDialog form(*eth);
        const EthernetList before = form.EthernetCopy();
        MessageLog log;
        ModalScript script;
        script
            .Then<SubscriberDialog>([](SubscriberDialog* entry) {
                Named<QLineEdit>(entry, "nameEdit")->setText(QStringLiteral("б"));
                Named<QComboBox>(entry, "addressBox")->setEditText(QStringLiteral("9"));
                Named<QLineEdit>(entry, "tcpPortEdit")->setText(QStringLiteral("1"));
                Named<QPushButton>(entry, "acceptButton")->click();  // IP fields empty: refused
            })
            .Then<SubscriberDialog>([](SubscriberDialog* entry) {
                Named<QPushButton>(entry, "cancelButton")->click();
            });
        script.Start();
        ListButton(form, "addButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(log.seen.size(), 1);
        QCOMPARE(log.seen[0].line1, QStringLiteral("Введены не все параметры"));
        QCOMPARE(std::memcmp(&form.EthernetCopy(), &before, sizeof before), 0);
    }

    void doubleClickEditsThatRow() {
        auto eth = EthernetListOf({"а", "б", "в"});
        SubscriberListDialog form(*eth);
        ShowAndWait(form);
        QString shownName;
        QString shownIp;
        ModalScript script;
        script.Then<SubscriberDialog>([&](SubscriberDialog* entry) {
            shownName = Named<QLineEdit>(entry, "nameEdit")->text();
            shownIp = Named<QLineEdit>(entry, "octetEdit4")->text();
            Named<QLineEdit>(entry, "nameEdit")->setText(QStringLiteral("я-последний"));
            Named<QLineEdit>(entry, "tcpPortEdit")->setText(QStringLiteral("65535"));
            Named<QPushButton>(entry, "acceptButton")->click();
        });
        script.Start();
        // A double click is a press, a release and then the double-click press.
        QTest::mouseClick(ListGrid(form)->viewport(), Qt::LeftButton, {}, RowCentre(form, 1));
        QTest::mouseDClick(ListGrid(form)->viewport(), Qt::LeftButton, {}, RowCentre(form, 1));
        QVERIFY(script.Finished());
        QCOMPARE(shownName, QStringLiteral("б"));
        QCOMPARE(shownIp, QStringLiteral("1"));
        // Redisplayed in order: the edited entry moves and stays current.
        QCOMPARE(GridColumn(form, 1), QStringList({" а", " в", " я-последний"}));
        QCOMPARE(GridColumn(form, 3).last(), QStringLiteral("10.0.0.1:65535"));
        QCOMPARE(form.CurrentIndex(), 2);
        QCOMPARE(SelectedRow(form), 2);
    }

    void cancelledEditChangesNothing() {
        auto phone = PhoneListOf({"а", "б"});
        SubscriberListDialog form(*phone);
        const PhoneList before = form.PhoneCopy();
        ModalScript script;
        script.Then<SubscriberDialog>([](SubscriberDialog* entry) {
            Named<QLineEdit>(entry, "nameEdit")->setText(QStringLiteral("яяя"));
            Named<QPushButton>(entry, "cancelButton")->click();
        });
        script.Start();
        ListButton(form, "editButton")->click();
        QVERIFY(script.Finished());
        QCOMPARE(std::memcmp(&form.PhoneCopy(), &before, sizeof before), 0);
    }

    void execReportsAcceptance() {
        auto phone = PhoneListOf({"б", "а"});
        {
            SubscriberListDialog form(*phone);
            ModalScript script;
            script.Then<SubscriberListDialog>([](SubscriberListDialog* list) { ListButton(list, "acceptButton")->click(); });
            script.Start();
            QCOMPARE(form.exec(), int(QDialog::Accepted));
            QVERIFY(script.Finished());
        }
        // Accepted: the sorted copy took the place of the list.
        QCOMPARE(AbonentName(phone->Entries[0]), QStringLiteral("а"));

        auto other = PhoneListOf({"б", "а"});
        SubscriberListDialog form(*other);
        ModalScript script;
        script.Then<SubscriberListDialog>([](SubscriberListDialog* list) { ListButton(list, "cancelButton")->click(); });
        script.Start();
        QCOMPARE(form.exec(), int(QDialog::Rejected));
        QCOMPARE(AbonentName(other->Entries[0]), QStringLiteral("б"));
    }
};

QTEST_MAIN(SubscriberListDialogTest)
#include "SubscriberListDialogTest.moc"
