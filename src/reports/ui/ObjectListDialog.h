#pragma once

#include "common/ui/ListDialogFrame.h"
#include "reports/ObjectList.h"

namespace zmk {

// The rows of the object list: "№", "Наименование", " Адрес". Shows the
// first Count entries of the list; Refresh() after the list changed.
class ObjectsListModel : public ListTableModel {
    Q_OBJECT

public:
    enum Column { ColumnNumber = 0, ColumnName = 1, ColumnAddress = 2, ColumnCount = 3 };

    explicit ObjectsListModel(const ObjectList* list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    QString CellText(int row, int column) const override;

private:
    const ObjectList* list_;
};

// The object list dialog. It edits the list in place and keeps a copy taken
// on opening: "Принять" writes the settings file when the list differs from
// the copy and closes as accepted; "Отменить" or closing the window in any
// other way puts the copy back.
class ObjectListDialog : public ListDialogFrame {
    Q_OBJECT

public:
    static constexpr int FormWidth = 560;
    static constexpr int FormHeight = 520;

    // path: where the list is written on acceptance ("objects.ini").
    ObjectListDialog(ObjectList& list, const QString& path, QWidget* parent = nullptr);

    const ObjectList& List() const { return *list_; }
    int Count() const override;
    // The selected object.
    int CurrentIndex() const override;

    // Every way of closing but "Принять" puts the copy back.
    void reject() override;

protected:
    void PrepareRows() override;
    void SetCurrent(int row) override;
    // Sort mode 0 by name, 1 by address (the sort button of " Адрес").
    uint8_t SortKind() const override;
    void StoreSortKind(uint8_t mode) override;

private:
    void BuildWindow();
    // Opens the object dialog on the current object.
    void editCurrentRow() override;
    // Opens the object dialog on a new object at the end; it becomes current.
    void addRow() override;
    // Deletes the current object after the question.
    void deleteCurrentRow() override;
    // Writes the file when the list changed and closes as accepted.
    void acceptList() override;

    ObjectsListModel* model_;
    ObjectList* list_;
    ObjectList copy_;
    QString path_;
};

}  // namespace zmk
