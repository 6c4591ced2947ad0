#pragma once

#include <QAbstractTableModel>
#include <QDialog>

#include "reports/Object.h"

class QPushButton;
class QTableView;
class QToolButton;

namespace zmk {

// The rows of the object list: "№", "Наименование", " Адрес". Shows the
// first Count entries of the list; Refresh() after the list changed.
class ObjectsListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnNumber = 0, ColumnName = 1, ColumnAddress = 2, ColumnCount = 3 };

    explicit ObjectsListModel(const ObjectList* list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Text of one cell exactly as shown.
    QString CellText(int row, int column) const;
    void Refresh();

private:
    const ObjectList* list_;
};

// The object list dialog. It edits the list in place and keeps a copy taken
// on opening: "Принять" writes the settings file when the list differs from
// the copy and closes as accepted; "Отменить" or closing the window in any
// other way puts the copy back.
class TFormObjects_List : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 560;
    static constexpr int FormHeight = 520;

    // path: where the list is written on acceptance ("objects.ini").
    TFormObjects_List(ObjectList& list, const QString& path, QWidget* parent = nullptr);

    const ObjectList& List() const { return *list_; }
    int Count() const;

    QTableView* StringGrid1;
    ObjectsListModel* Model;
    QToolButton* SpeedButtonSortName;     // heading of "Наименование": sort mode 0
    QToolButton* SpeedButtonSortAddress;  // heading of " Адрес": sort mode 1
    QPushButton* BitBtnEdit;    // "Изменить"
    QPushButton* BitBtnAdd;     // "Добавить"
    QPushButton* BitBtnDelete;  // "Удалить"
    QPushButton* BitBtnOk;      // "Принять"
    QPushButton* BitBtnCancel;  // "Отменить"

    // Sorts the list when it has two or more objects, fills the table,
    // selects the current object and sets which buttons may be used.
    void Redisplay();

public slots:
    void BitBtnEditClick();
    void BitBtnAddClick();
    void BitBtnDeleteClick();
    void BitBtnOkClick();
    void SpeedButtonSortNameClick();
    void SpeedButtonSortAddressClick();
    void StringGrid1Click(const QModelIndex& index);
    void StringGrid1DblClick(const QModelIndex& index);
    // Every way of closing but "Принять" puts the copy back.
    void reject() override;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void PlaceSortButtons();
    void SetSortMode(uint8_t mode);
    void SetCurrent(int row);

    ObjectList* list_;
    ObjectList copy_;
    QString path_;
    bool redisplaying_ = false;
};

}  // namespace zmk
