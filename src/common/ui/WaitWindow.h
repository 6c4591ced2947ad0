#pragma once

#include <QApplication>
#include <QPointer>
#include <QWidget>

class QLabel;
class QProgressBar;

namespace zmk {

// The wait window of long operations: three centred lines chosen by the
// mode and a progress bar. It has no caption-bar buttons and cannot be
// closed by the user; its owner destroys it when the operation ends.
// Widgets for tests: labels "line1".."line3", the bar "progressBar".
class WaitWindow : public QWidget {
    Q_OBJECT

public:
    static constexpr int FormWidth = 332;
    static constexpr int FormHeight = 126;

    enum Mode {
        ModeReadData = 1,       // archive reads (Esc interrupts)
        ModeWriteConfig = 2,    // whole configuration write
        ModeReadConfig = 3,     // whole configuration read
        ModeExportWorkbook = 4, // workbook export
        ModePassport = 5,       // passport workbook
    };

    explicit WaitWindow(QWidget* parent = nullptr);

    // Sets the three lines of the mode; an unknown mode leaves them as they are.
    void SetMode(int mode);
    int CurrentMode() const { return mode_; }

    // The progress bar runs from 0 to its maximum, 100 unless set here
    // (at least 1).
    void SetProgressMaximum(int maximum);
    int ProgressMaximum() const;
    int Progress() const;
    // Sets the progress bar, clamped to its range.
    void SetProgress(int position);

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    QLabel* lines_[3];
    QProgressBar* progressBar_;
    int mode_ = 0;
};

// The caller pattern of a long operation: disables the main window, shows
// the wait window (not modally) and paints it at once; on destruction
// destroys the wait window, enables the main window and brings it to front.
//
//     WaitSession wait(mainWindow, WaitWindow::ModeReadData, pages);
//     for (...) { ...; wait.Step(); }
class WaitSession {
public:
    WaitSession(QWidget* mainWindow, int mode, int maximum = 100);
    ~WaitSession();
    WaitSession(const WaitSession&) = delete;
    WaitSession& operator=(const WaitSession&) = delete;

    WaitWindow* Form() const { return form_; }
    // Advances the progress bar by one, not past its maximum.
    void Step();
    // Sets the progress bar (clamped to its range) and repaints the window.
    void SetPosition(int position);
    // Shows the progress bar full.
    void Complete();

private:
    QPointer<QWidget> mainWindow_;
    WaitWindow* form_;
};

// Busy cursor for the lifetime of the object.
class BusyCursor {
public:
    BusyCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

}  // namespace zmk
