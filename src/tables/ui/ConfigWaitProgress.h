#pragma once

#include <QCoreApplication>
#include <QElapsedTimer>

#include "common/ui/WaitWindow.h"
#include "tables/ConfigRecord.h"

namespace zmk {

// The wait window's progress bar follows a whole-configuration read or write.
class ConfigWaitProgress : public ConfigProgress {
public:
    explicit ConfigWaitProgress(WaitSession& wait) : wait_(wait) {}
    void SetMaximum(int maximum) override {
        if (wait_.Form()) wait_.Form()->SetProgressMaximum(maximum);
    }
    void SetPosition(int position) override { wait_.SetPosition(position); }
    // The full bar stays in view for half a second, the window still painting.
    void Linger() override {
        wait_.Complete();
        QElapsedTimer clock;
        clock.start();
        while (clock.elapsed() < 500) QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
    }

private:
    WaitSession& wait_;
};

}  // namespace zmk
