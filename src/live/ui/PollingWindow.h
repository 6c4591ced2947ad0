#pragma once

// What the live-data windows share: a one-second timer whose tick reads a
// few tables quietly and shows them, the "Не обновлять данные" /
// "Обновлять данные" toggle and "Выход". The timer is stopped while a tick
// runs; before each read the window's pending events run, so that the toggle,
// "Выход" and Esc take effect without waiting for a further exchange. The
// window may be closed (or even destroyed) while a read waits for its
// answer: the tick looks at that after every wait and ends.

#include <QDialog>
#include <functional>
#include <memory>
#include <vector>

#include "tables/TableEngine.h"

class QPushButton;
class QTimer;

namespace zmk {

class CommandHost;

class PollingWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int TickMs = 1000;

    ~PollingWindow() override;

    bool Updating() const { return updating_; }
    // "Не обновлять данные" / "Обновлять данные": pauses or resumes the polling.
    void ToggleUpdating();

    // Closes the window; a quiet read in progress is asked to stop. Refused
    // while polling is suspended.
    void done(int result) override;

protected:
    // One read of a tick and what shows its answer.
    struct Step {
        TableRequest request;
        std::function<void()> show;
    };

    PollingWindow(CommandHost& host, QWidget* parent);

    // The reads of one tick, in order (each after the pending events ran).
    void SetSteps(std::vector<Step> steps) { steps_ = std::move(steps); }
    // The toggle ("toggleButton") and "Выход" ("exitButton"), made here for
    // the subclass to place.
    QPushButton* ToggleButton() const { return toggle_; }
    QPushButton* ExitButton() const { return exit_; }
    // Polling held while a detail window or an interactive read runs (the
    // current-state window's own buttons); Resume() lets the timer run again
    // when updating is on.
    void Suspend();
    void Resume();
    // Runs a button's action now, or, while a read of a tick waits for its
    // answer, as soon as that tick has ended (polling held meanwhile). The
    // action suspends and resumes polling itself.
    void WhenIdle(std::function<void()> action);

    CommandHost& Host() const { return host_; }
    TableEngine& Tables() const;
    const uint8_t* Table(int table) const;

private:
    void tick();
    // Lets pending events run; false when the window should not go on
    // polling (paused, closing or suspended). `alive` tells whether the
    // window still exists afterwards.
    bool eventsRun(const std::weak_ptr<int>& alive);

    CommandHost& host_;
    QTimer* timer_;
    QPushButton* toggle_;
    QPushButton* exit_;
    std::vector<Step> steps_;
    bool updating_ = true;
    bool closing_ = false;
    bool suspended_ = false;
    bool ticking_ = false;  // a tick is running (its reads let events through)
    std::function<void()> pending_;  // a button's action waiting for the tick to end
    // Expires with the window: a tick whose read outlives it ends there.
    std::shared_ptr<int> life_ = std::make_shared<int>(0);
};

}  // namespace zmk
