#pragma once

#include <QDialog>
#include <QList>
#include <cstdint>

class QLabel;
class QPushButton;

namespace zmk {

// "Параметры идентификации контроллера": table 0 shown read-only, one row
// per item. In full mode (the connected controller, or a configuration
// record read from one) every row; otherwise (a new configuration) only the
// type code and the software version, the other labels disabled and their
// values empty. "Выход" closes.
// Widgets for tests: row i (from 0) has the labels "identLabel<i>" and
// "identValue<i>" (a value shown in red has the property "alarm" true); the
// button "exitButton".
class IdentificationDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 490;
    static constexpr int FormHeight = 416;

    // table0: the 18 bytes of table 0 (read only).
    IdentificationDialog(const uint8_t* table0, bool full, QWidget* parent = nullptr);

private:
    QList<QLabel*> labels_;
    QList<QLabel*> values_;
    QPushButton* exitButton_;
};

}  // namespace zmk
