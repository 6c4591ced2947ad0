#pragma once

#include <QAbstractTableModel>
#include <QDialog>
#include <memory>

#include "link/Abonent.h"

class QPushButton;
class QTableView;
class QToolButton;

namespace zmk {

// The rows of a subscriber list as a table: "№", "Наименование", "Адрес"
// and "№ телефона" or "IP-адрес:порт". It shows the first Count entries of
// the list it is given; Refresh() after the list changed.
class AbonentsListModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum Column { ColumnNumber = 0, ColumnName = 1, ColumnAddress = 2, ColumnKey = 3, ColumnCount = 4 };

    explicit AbonentsListModel(const PhoneList* list, QObject* parent = nullptr);
    explicit AbonentsListModel(const EthernetList* list, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // Texts of one cell exactly as shown.
    QString CellText(int row, int column) const;
    void Refresh();

private:
    const PhoneList* phone_ = nullptr;
    const EthernetList* ethernet_ = nullptr;
};

// The subscriber list dialog of the telephone or the Ethernet link. It edits
// a copy of the list and puts the copy in place of the list only on
// "Принять"; exec() returns QDialog::Accepted then.
class TFormAbonents_List : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 682;
    static constexpr int FormHeight = 560;

    explicit TFormAbonents_List(PhoneList& list, QWidget* parent = nullptr);
    explicit TFormAbonents_List(EthernetList& list, QWidget* parent = nullptr);
    ~TFormAbonents_List() override;

    bool IsEthernetList() const { return ethernetTarget_ != nullptr; }
    // The copy being edited.
    const PhoneList& PhoneCopy() const { return *phone_; }
    const EthernetList& EthernetCopy() const { return *ethernet_; }
    int Count() const;
    int CurrentIndex() const;

    QTableView* StringGrid1;
    AbonentsListModel* Model;
    QToolButton* SpeedButtonSortName;  // in the header of the name column: sort kind 0
    QToolButton* SpeedButtonSortKey;   // in the header of the fourth column: sort kind 1
    QPushButton* BitBtnEdit;    // "Изменить"
    QPushButton* BitBtnAdd;     // "Добавить"
    QPushButton* BitBtnDelete;  // "Удалить"
    QPushButton* BitBtnOk;      // "Принять"
    QPushButton* BitBtnCancel;  // "Отменить"

    // Orders the copy when it has more than one entry, fills the grid, selects
    // the current entry and sets which buttons may be used.
    void Redisplay();

public slots:
    void BitBtnEditClick();
    void BitBtnAddClick();
    void BitBtnDeleteClick();
    void BitBtnOkClick();
    void SpeedButtonSortNameClick();
    void SpeedButtonSortKeyClick();
    void StringGrid1Click(const QModelIndex& index);
    void StringGrid1DblClick(const QModelIndex& index);

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormCreate();
    void PlaceSortButtons();
    void SetSortKind(uint8_t kind);
    void SetCurrent(int row);

    std::unique_ptr<PhoneList> phone_;
    std::unique_ptr<EthernetList> ethernet_;
    PhoneList* phoneTarget_ = nullptr;
    EthernetList* ethernetTarget_ = nullptr;
    bool redisplaying_ = false;
};

}  // namespace zmk
