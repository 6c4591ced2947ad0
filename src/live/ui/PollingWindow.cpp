#include "live/ui/PollingWindow.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTimer>
#include <utility>

#include "link/ControllerLink.h"
#include "link/LinkWaiter.h"
#include "tables/ui/CommandHost.h"

namespace zmk {

namespace {

const QString PauseCaption = QStringLiteral("Не обновлять данные");
const QString ResumeCaption = QStringLiteral("Обновлять данные");

}  // namespace

PollingWindow::PollingWindow(CommandHost& host, QWidget* parent) : QDialog(parent), host_(host) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("pollTimer"));
    timer_->setInterval(TickMs);
    connect(timer_, &QTimer::timeout, this, &PollingWindow::tick);

    toggle_ = new QPushButton(PauseCaption, this);
    toggle_->setObjectName(QStringLiteral("toggleButton"));
    connect(toggle_, &QPushButton::clicked, this, &PollingWindow::ToggleUpdating);
    exit_ = new QPushButton(QStringLiteral("Выход"), this);
    exit_->setObjectName(QStringLiteral("exitButton"));
    connect(exit_, &QPushButton::clicked, this, &QDialog::reject);

    timer_->start();
}

PollingWindow::~PollingWindow() = default;

TableEngine& PollingWindow::Tables() const { return host_.Tables(); }

const uint8_t* PollingWindow::Table(int table) const { return host_.Tables().Image().Table(table); }

void PollingWindow::ToggleUpdating() {
    updating_ = !updating_;
    toggle_->setText(updating_ ? PauseCaption : ResumeCaption);
    // A tick in progress starts the timer itself when it ends.
    if (updating_ && !suspended_ && !closing_) {
        if (!ticking_) timer_->start();
    } else {
        timer_->stop();
    }
}

void PollingWindow::Suspend() {
    suspended_ = true;
    timer_->stop();
}

void PollingWindow::Resume() {
    suspended_ = false;
    if (updating_ && !closing_ && !ticking_) timer_->start();
}

void PollingWindow::done(int result) {
    // A detail window or an interactive read of this window is running: it
    // ends first (its buttons, "Выход" among them, are disabled meanwhile).
    if (suspended_) return;
    closing_ = true;
    timer_->stop();
    // A quiet read of this window waiting for its answer ends at once; the
    // tick then sees the window closing.
    ControllerLink& link = host_.Tables().Link();
    if (link.InExchange()) {
        link.AbortFlag = 1;
        if (LinkWaiter* waiter = link.Waiter()) waiter->wake();
    }
    QDialog::done(result);
}

bool PollingWindow::eventsRun(const std::weak_ptr<int>& alive) {
    QCoreApplication::processEvents();
    return !alive.expired() && updating_ && !closing_ && !suspended_;
}

void PollingWindow::WhenIdle(std::function<void()> action) {
    if (!ticking_) {
        action();
        return;
    }
    // A read of the tick waits for its answer: the link takes no other
    // request meanwhile. The tick ends after it and runs the action.
    pending_ = std::move(action);
    Suspend();
}

void PollingWindow::tick() {
    timer_->stop();
    if (ticking_) return;
    ticking_ = true;
    const std::weak_ptr<int> alive = life_;
    bool complete = true;
    for (const Step& step : steps_) {
        const bool goOn = eventsRun(alive);
        if (alive.expired()) return;
        if (!goOn) {
            complete = false;
            break;
        }
        const bool read = host_.Tables().ReadTable(step.request, host_.MessagePanel(), false);
        if (alive.expired()) return;
        if (read && !closing_) step.show();
    }
    ticking_ = false;
    if (pending_) {
        // The action lets polling run again itself when it ends.
        const std::function<void()> action = std::exchange(pending_, nullptr);
        action();
        return;
    }
    if (complete && updating_ && !closing_ && !suspended_) timer_->start();
}

}  // namespace zmk
