#pragma once

#include <QApplication>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>
#include <QWidget>
#include <functional>

// Drives the modal dialogs a step opens: each step waits until the active
// modal widget is of its type, then acts on it. The next poll is scheduled
// before the action, so that an action that opens another modal dialog is
// followed into it. After TimeoutMs without the next step's dialog the script
// gives up and closes every modal dialog from then on, so that a fault cannot
// hang the test; Finished() tells whether every step ran.
class ModalScript {
public:
    // Long enough for a file dialog to come up on a busy machine.
    static constexpr qint64 TimeoutMs = 20000;

    template <typename T>
    ModalScript& Then(std::function<void(T*)> action) {
        steps_.append({[](QWidget* w) { return qobject_cast<T*>(w) != nullptr; },
                       [action](QWidget* w) { action(qobject_cast<T*>(w)); }});
        return *this;
    }

    void Start() {
        clock_.start();
        Schedule(0);
    }

    bool Finished() const { return next_ == steps_.size(); }

private:
    struct Step {
        std::function<bool(QWidget*)> matches;
        std::function<void(QWidget*)> act;
    };

    // The timers belong to context_, so none outlives the script.
    void Schedule(int ms) {
        QTimer::singleShot(ms, &context_, [this] { Poll(); });
    }

    void Poll() {
        if (Finished())
            return;
        QWidget* w = QApplication::activeModalWidget();
        if (w != nullptr && w->isVisible() && steps_[next_].matches(w)) {
            const Step step = steps_[next_++];
            clock_.restart();  // each step has its own time
            Schedule(10);
            step.act(w);
            return;
        }
        if (clock_.elapsed() > TimeoutMs) {
            // Given up: whatever is open now or opens later is closed, so
            // that the step waiting for it cannot hang the test.
            if (QWidget* open = QApplication::activeModalWidget())
                open->close();
            Schedule(50);
            return;
        }
        Schedule(10);
    }

    QObject context_;
    QList<Step> steps_;
    qsizetype next_ = 0;
    QElapsedTimer clock_;
};
