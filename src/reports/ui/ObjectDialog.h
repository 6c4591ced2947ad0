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
// Widgets for tests: "nameLabel", "nameHintLabel", "nameEdit",
// "addressLabel", "addressBox", "acceptButton", "cancelButton".
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

private:
    void BuildWindow();
    // "Принять": checks both fields, stores them in the entry and accepts.
    void acceptEntry();

    QLabel* nameLabel_;          // "Наименование объекта"
    QLabel* nameHintLabel_;      // "(до 49 символов)"
    QLineEdit* nameEdit_;
    QLabel* addressLabel_;       // "Адрес контроллера ЗМК"
    QComboBox* addressBox_;      // editable list "1".."255"
    QPushButton* acceptButton_;  // "Принять"
    QPushButton* cancelButton_;  // "Отменить"
    ObjectEntry* entry_;
};

}  // namespace zmk
