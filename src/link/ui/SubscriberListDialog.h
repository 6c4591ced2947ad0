#pragma once

#include <memory>

#include "common/ui/ListDialogFrame.h"
#include "link/SubscriberList.h"

namespace zmk {

// The rows of a subscriber list as a table: "№", "Наименование", "Адрес"
// and "№ телефона" or "IP-адрес:порт". It shows the first Count entries of
// the list it is given; Refresh() after the list changed.
class SubscriberListModel : public ListTableModel {
    Q_OBJECT

public:
    enum Column { ColumnNumber = 0, ColumnName = 1, ColumnAddress = 2, ColumnKey = 3, ColumnCount = 4 };

    explicit SubscriberListModel(const PhoneList* list, QObject* parent = nullptr);
    explicit SubscriberListModel(const EthernetList* list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QString CellText(int row, int column) const override;

private:
    const PhoneList* phone_ = nullptr;
    const EthernetList* ethernet_ = nullptr;
};

// The subscriber list dialog of the telephone or the Ethernet link. It edits
// a copy of the list and puts the copy in place of the list only on
// "Принять"; exec() returns QDialog::Accepted then.
class SubscriberListDialog : public ListDialogFrame {
    Q_OBJECT

public:
    static constexpr int FormWidth = 682;
    static constexpr int FormHeight = 560;

    explicit SubscriberListDialog(PhoneList& list, QWidget* parent = nullptr);
    explicit SubscriberListDialog(EthernetList& list, QWidget* parent = nullptr);
    ~SubscriberListDialog() override;

    bool IsEthernetList() const { return ethernetTarget_ != nullptr; }
    // The copy being edited.
    const PhoneList& PhoneCopy() const { return *phone_; }
    const EthernetList& EthernetCopy() const { return *ethernet_; }
    int Count() const override;
    int CurrentIndex() const override;

protected:
    void PrepareRows() override;
    void SetCurrent(int row) override;
    uint8_t SortKind() const override;
    void StoreSortKind(uint8_t kind) override;

private:
    void CreateWidgets();
    // The frame's buttons: "Изменить" (also a double click on a row),
    // "Добавить", "Удалить", "Принять".
    void editCurrentRow() override;
    void addRow() override;
    void deleteCurrentRow() override;
    void acceptList() override;

    SubscriberListModel* model_ = nullptr;

    std::unique_ptr<PhoneList> phone_;
    std::unique_ptr<EthernetList> ethernet_;
    PhoneList* phoneTarget_ = nullptr;
    EthernetList* ethernetTarget_ = nullptr;
};

}  // namespace zmk
