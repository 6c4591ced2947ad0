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
// Widgets for tests: "headingLabel", "headingNoteLabel", the groups
// "densityGroup", "heatGroup", "wobbeGroup", for each byte N the list
// "decimalsBoxN" and its label "decimalsLabelN", "acceptButton" and
// "cancelButton".
class ReportFormatDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 470;
    static constexpr int FormHeight = 580;

    explicit ReportFormatDialog(ReportFormat& format, QWidget* parent = nullptr);

    // Whether byte i (0..11) is set in this dialog.
    static bool IsEditable(int byte);

private:
    void BuildWindow();
    // "Принять": refuses a list without a choice, else stores the bytes and accepts.
    void acceptFormat();

    QLabel* headingLabel_;      // "Точность представления данных"
    QLabel* headingNoteLabel_;  // "(количество знаков после запятой)"
    QGroupBox* densityGroup_;   // " Плотность "
    QGroupBox* heatGroup_;      // " Теплота сгорания "
    QGroupBox* wobbeGroup_;     // " Число Воббе "
    // Drop-down list and label of each byte, in ReportFormatByte order.
    std::array<QComboBox*, ReportFormatDialogBytes> decimalsBoxes_{};
    std::array<QLabel*, ReportFormatDialogBytes> decimalsLabels_{};
    QPushButton* acceptButton_;  // "Принять"
    QPushButton* cancelButton_;  // "Отменить"
    ReportFormat* format_;
};

}  // namespace zmk
