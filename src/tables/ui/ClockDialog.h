#pragma once

#include <QDialog>
#include <QElapsedTimer>
#include <optional>

#include "tables/ControllerClock.h"

class QLabel;
class QPushButton;

namespace zmk {

// "Текущие дата и время": the controller's clock beside the computer's
// (date, time, weekday, time kind); every controller value that differs
// from the computer's is shown in red. "Скорректировать в устройстве"
// (disabled when the two agree to the second, or when the controller's
// clock is no real date) hides the window, asks whether the computer's
// clock is right and, on "Да", leaves the correction in seconds in
// Correction(); the window closes either way. The correction is worked out
// when "Да" is pressed, from both clocks as they are then (the values shown
// plus the time the window was open), so that a slow answer near the end of
// an hour does not carry the controller's clock out of its hour. "Выход" closes without one.
// Widgets for tests: the values "controllerDate", "controllerTime",
// "controllerWeekday", "controllerKind" and "computerDate" .. "computerKind"
// (a value in red has the property "differs" true); "correctButton",
// "exitButton".
class ClockDialog : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 540;
    static constexpr int FormHeight = 196;

    ClockDialog(const ClockReading& controller, const ClockReading& computer, QWidget* parent = nullptr);

    // The correction the user asked for; none after "Выход" or "Нет".
    std::optional<int> Correction() const { return correction_; }

private:
    void correct();

    ClockReading controller_;
    ClockReading computer_;
    std::optional<int> correction_;
    QElapsedTimer open_;  // since the values shown were taken
    QPushButton* correctButton_;
    QPushButton* exitButton_;
};

}  // namespace zmk
