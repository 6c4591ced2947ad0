#pragma once

#include <QDialog>
#include <cstdint>

class QLineEdit;
class QPushButton;

namespace zmk {

// "Наименование контроллера": the name (table 5) in a text field of at most
// 20 characters, shown without its leading and trailing spaces.
// "Записать в устройство" puts the typed text into the 20 bytes, padded with
// spaces, and accepts; a text with characters the controller cannot keep is
// refused with a message and the dialog stays open. "Отменить" closes and
// leaves the bytes as they were.
// Widgets for tests: "nameEdit", "writeButton", "cancelButton".
class ControllerNameDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 364;
    static constexpr int FormHeight = 144;

    // name: the 20 bytes of table 5 in Windows-1251, edited in place on
    // acceptance. dosCodePage: the controller keeps its texts in the DOS
    // code page (identification field 12 is 0), so only characters that
    // survive the translation there and back are taken.
    ControllerNameDialog(uint8_t* name, bool dosCodePage, QWidget* parent = nullptr);

private:
    void writeName();

    uint8_t* name_;
    bool dosCodePage_;
    QLineEdit* nameEdit_;
    QPushButton* writeButton_;
    QPushButton* cancelButton_;
};

}  // namespace zmk
