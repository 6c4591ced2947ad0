#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <vector>

class QComboBox;
class QModelIndex;
class QPushButton;
class QRect;
class QSize;
class QTableView;
class QToolButton;

namespace zmk {

// The rows of a list as text cells under fixed headings, one column a
// heading; CellText gives each cell's text. Refresh() after the list changed.
class ListTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Text of one cell exactly as shown.
    virtual QString CellText(int row, int column) const = 0;
    void Refresh();

protected:
    ListTableModel(const QStringList& headings, QObject* parent);

private:
    QStringList headings_;
};

// What tells one list dialog from another in the frame they share.
struct ListFrameShape {
    int width = 0;  // of the window, which is fixed
    int height = 0;
    int gridHeight = 0;
    int buttonWidth = 0;
    int buttonGap = 0;  // between the buttons of a group
    // From the first column on; the last column takes the rest.
    std::vector<int> columnWidths;
    int nameColumn = 1;        // heading that carries the name sort button
    int secondSortColumn = 2;  // heading that carries the second sort button
    QString secondSortTip;
    int maxRows = 0;                // "Добавить" is off at this count
    bool sortNeedsTwoRows = false;  // sort buttons off for fewer than two rows
};

// The frame of the subscriber list and the object list dialogs: a grid of
// rows over the window, a sort button at the right edge of two of its
// headings, "Изменить", "Добавить", "Удалить" at the bottom left and
// "Принять", "Отменить" at the bottom right. The dialog holds the list; the
// frame asks it for the rows, the current row and the sort kind through the
// hooks below and leaves the buttons' work to it. Sort kind 0 is always by
// name, kind 1 by the second sort column. Widgets for tests: the grid
// "rowsGrid", the sort buttons "nameSortButton" and "secondSortButton", the
// buttons "editButton", "addButton", "deleteButton", "acceptButton" and
// "cancelButton".
class ListDialogFrame : public QDialog {
    Q_OBJECT

public:
    static constexpr int NameSortKind = 0;
    static constexpr int SecondSortKind = 1;

    // Rows shown.
    virtual int Count() const = 0;
    // Index of the current row.
    virtual int CurrentIndex() const = 0;

    // Puts the list in order, fills the grid, selects the current row and
    // sets which buttons may be used.
    void Redisplay();

protected:
    explicit ListDialogFrame(QWidget* parent = nullptr);
    // The grid's header reports its geometry while the children are taken
    // down: it must not reach the frame's slots then.
    ~ListDialogFrame() override;

    // Builds the frame over model and shows the list; the dialog's own
    // members must be ready, as the hooks are called from here on.
    void BuildFrame(ListTableModel* model, const ListFrameShape& shape);

    // The buttons' work. "Изменить" and a double click on a row edit the
    // current row; "Отменить" rejects the dialog.
    virtual void editCurrentRow() = 0;
    virtual void addRow() = 0;            // "Добавить"
    virtual void deleteCurrentRow() = 0;  // "Удалить"
    virtual void acceptList() = 0;        // "Принять"

    // Sorts the list when it has two rows or more, brings a current index
    // past the end back into the list and refreshes the model.
    virtual void PrepareRows() = 0;
    virtual void SetCurrent(int row) = 0;
    virtual uint8_t SortKind() const = 0;
    // Stores the sort kind; the frame redisplays.
    virtual void StoreSortKind(uint8_t kind) = 0;

    void SetSortKind(uint8_t kind);
    // Asks "Вы действительно хотите" / secondLine; false for an empty list
    // or the answer no.
    bool ConfirmDelete(const QString& secondLine);

    void showEvent(QShowEvent* event) override;

private:
    void PlaceSortButtons();
    void sortByName();
    void sortBySecondColumn();
    // A click on a row makes it current; a double click edits it.
    void makeRowCurrent(const QModelIndex& index);
    void editClickedRow(const QModelIndex& index);

    QTableView* rowsGrid_ = nullptr;
    QToolButton* nameSortButton_ = nullptr;    // sort kind 0
    QToolButton* secondSortButton_ = nullptr;  // sort kind 1
    QPushButton* editButton_ = nullptr;        // "Изменить"
    QPushButton* addButton_ = nullptr;         // "Добавить"
    QPushButton* deleteButton_ = nullptr;      // "Удалить"
    QPushButton* acceptButton_ = nullptr;      // "Принять"
    QPushButton* cancelButton_ = nullptr;      // "Отменить"
    ListFrameShape shape_;
    bool redisplaying_ = false;
};

// Parts of the entry dialogs of the lists.

// The editable list of controller addresses first..last: it starts empty and
// takes at most maxLength digits typed.
QComboBox* MakeAddressComboBox(QWidget* parent, int first, int last, int maxLength,
                               const QRect& geometry);
// "Принять" (the default button) and "Отменить" side by side, the window's
// width split in three equal gaps, bottomMargin above the lower edge of a
// window of the given size, named "acceptButton" and "cancelButton".
// "Отменить" rejects the dialog.
void MakeAcceptCancelButtons(QDialog* dialog, const QSize& form, int buttonWidth, int buttonHeight,
                             int bottomMargin, QPushButton*& ok, QPushButton*& cancel);
// An input error message (MessageKind 2); the focus goes to field if given.
void ShowInputError(QWidget* field, const QString& first, const QString& second = {});

}  // namespace zmk
