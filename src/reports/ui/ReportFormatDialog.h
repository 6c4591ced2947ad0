#pragma once

#include <QDialog>
#include <array>

#include "settings/ReportFormat.h"

class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace zmk {

// The data presentation format dialog: one drop-down list of 0..7 decimals
// per byte 0..11 of the format. The compressibility factor and the relative
// density are shown but cannot be changed. "Принять" stores the ten editable
// bytes, derives ParameterDigits and closes as accepted; the format is not
// touched otherwise. Writing the file is the caller's business.
class ReportFormatDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 470;
    static constexpr int FormHeight = 580;

    explicit ReportFormatDialog(ReportFormat& format, QWidget* parent = nullptr);

    // Whether byte i (0..11) is set in this dialog.
    static bool IsEditable(int byte);

    QLabel* LabelHeading;      // "Точность представления данных"
    QLabel* LabelHeading2;     // "(количество знаков после запятой)"
    QGroupBox* GroupDensity;   // " Плотность "
    QGroupBox* GroupHeat;      // " Теплота сгорания "
    QGroupBox* GroupWobbe;     // " Число Воббе "
    // Drop-down list and label of each byte, in ReportFormatByte order.
    std::array<QComboBox*, ReportFormatDialogBytes> ComboBoxes{};
    std::array<QLabel*, ReportFormatDialogBytes> Labels{};
    QPushButton* BitBtnOk;      // "Принять"
    QPushButton* BitBtnCancel;  // "Отменить"

public slots:
    void BitBtnOkClick();

private:
    void FormCreate();

    ReportFormat* format_;
};

}  // namespace zmk
