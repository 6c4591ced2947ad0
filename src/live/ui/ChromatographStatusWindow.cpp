#include "live/ui/ChromatographStatusWindow.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>

namespace zmk {

ChromatographStatusWindow::ChromatographStatusWindow(int mode, const QString& title, uint8_t controllerStatus,
                                 uint8_t chromLow, uint8_t chromHigh, QWidget* parent)
    : QDialog(parent), view_(DecodeChromStatus(mode, controllerStatus, chromLow, chromHigh)) {
    setWindowTitle(title.isEmpty() ? QString::fromUtf8(ChromStatusDefaultTitle) : title);
    BuildWindow();
}

void ChromatographStatusWindow::BuildWindow() {
    controllerHeading_ = new QLabel(this);
    controllerHeading_->setObjectName(QStringLiteral("controllerHeading"));
    controllerLines_ = new QFrame(this);
    controllerLines_->setObjectName(QStringLiteral("controllerLines"));
    chromatographHeading_ = new QLabel(this);
    chromatographHeading_->setObjectName(QStringLiteral("chromatographHeading"));
    chromatographLines_ = new QFrame(this);
    chromatographLines_->setObjectName(QStringLiteral("chromatographLines"));
    exitButton_ = new QPushButton(QStringLiteral("Выход"), this);
    exitButton_->setObjectName(QStringLiteral("exitButton"));
    exitButton_->setDefault(true);
    connect(exitButton_, &QPushButton::clicked, this, &QDialog::accept);

    int top = Margin;
    top = PlaceSection(view_.Controller, controllerHeading_, controllerLines_, top);
    top = PlaceSection(view_.Chromatograph, chromatographHeading_, chromatographLines_, top);

    exitButton_->setGeometry((FormWidth - ButtonWidth) / 2, top + Margin, ButtonWidth, ButtonHeight);
    setFixedSize(FormWidth, top + 2 * Margin + ButtonHeight);
}

int ChromatographStatusWindow::PlaceSection(const ChromStatusSection& section, QLabel* heading,
                                  QFrame* panel, int top) {
    heading->setVisible(section.Visible);
    panel->setVisible(section.Visible);
    if (!section.Visible)
        return top;

    heading->setText(section.Heading);
    heading->setGeometry(SideMargin, top, FormWidth - 2 * SideMargin, HeadingHeight);
    top += HeadingHeight;

    panel->setFrameShape(QFrame::StyledPanel);
    panel->setFrameShadow(QFrame::Sunken);
    const int height = SectionHeight(int(section.Lines.size()));
    panel->setGeometry(SideMargin, top, FormWidth - 2 * SideMargin, height);
    int lineTop = SectionPadding / 2;
    for (const QString& text : section.Lines) {
        auto* line = new QLabel(text, panel);
        line->setGeometry(LineInset, lineTop, FormWidth - 2 * SideMargin - 2 * LineInset, LineHeight);
        lineTop += LineHeight;
    }
    return top + height + Margin;
}

}  // namespace zmk
