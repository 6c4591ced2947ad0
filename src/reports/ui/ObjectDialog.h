#pragma once

#include <QDialog>

#include "reports/ObjectList.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;

namespace zmk {

// The single-object dialog: name and controller address of one entry of the
// object list. The entry changes only when "Принять" finds both fields
// valid; input errors are MessageKind 2 messages and keep the dialog open.
class ObjectDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 500;
    static constexpr int FormHeight = 200;
    static constexpr int AddressMaxLength = 3;

    enum Mode {
        EditEntry,  // the fields show the entry
        NewEntry,   // the fields start empty, the name has the focus
    };

    ObjectDialog(ObjectEntry& entry, Mode mode, QWidget* parent = nullptr);

    QLabel* LabelName;       // "Наименование объекта"
    QLabel* LabelNameHint;   // "(до 49 символов)"
    QLineEdit* EditName;
    QLabel* LabelAddress;    // "Адрес контроллера ЗМК"
    QComboBox* ComboBoxAddress;  // editable list "1".."255"
    QPushButton* BitBtnOk;      // "Принять"
    QPushButton* BitBtnCancel;  // "Отменить"

public slots:
    void BitBtnOkClick();

private:
    void FormCreate();

    ObjectEntry* entry_;
};

}  // namespace zmk
