#pragma once

#include <QDialog>
#include <cstdint>

#include "live/ChromatographStatus.h"

class QFrame;
class QLabel;
class QPushButton;

namespace zmk {

// The status-flags window of one chromatograph archive record: the
// controller status byte and, for five-minute records, the chromatograph
// status word, each decoded into a heading and a list of lines. It reads
// nothing from the controller. Widgets for tests: "controllerHeading",
// "controllerLines", "chromatographHeading", "chromatographLines" (the
// frames holding a section's line labels) and "exitButton".
class ChromatographStatusWindow : public QDialog {
    Q_OBJECT

public:
    static constexpr int FormWidth = 450;
    static constexpr int LineHeight = 15;       // one text line of a section
    static constexpr int SectionPadding = 8;    // added to the lines of a section
    static constexpr int HeadingHeight = 18;
    static constexpr int Margin = 8;
    // Left and right of the sections and of their lines: narrow, so that
    // the longest lines fit the window's width.
    static constexpr int SideMargin = 4;
    static constexpr int LineInset = 2;
    static constexpr int ButtonWidth = 100;
    static constexpr int ButtonHeight = 28;

    // mode: ChromStatusFiveMinute or ChromStatusHourDay; title: the window
    // title, the default one when empty; chromLow/chromHigh: the status word
    // (used in five-minute mode only).
    ChromatographStatusWindow(int mode, const QString& title, uint8_t controllerStatus, uint8_t chromLow,
                    uint8_t chromHigh, QWidget* parent = nullptr);

    // Height of the list part of a section with n lines.
    static int SectionHeight(int lines) { return LineHeight * lines + SectionPadding; }

    const ChromStatusView& View() const { return view_; }

private:
    // Creates the widgets, places both sections and sizes the window to them.
    void BuildWindow();
    // Places one section from top; returns the top of what follows.
    int PlaceSection(const ChromStatusSection& section, QLabel* heading, QFrame* panel, int top);

    QLabel* controllerHeading_;     // heading of the controller section
    QFrame* controllerLines_;       // its lines
    QLabel* chromatographHeading_;  // heading of the chromatograph section
    QFrame* chromatographLines_;    // its lines
    QPushButton* exitButton_;       // "Выход"
    ChromStatusView view_;
};

}  // namespace zmk
