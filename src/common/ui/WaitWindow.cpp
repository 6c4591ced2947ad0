#include "common/ui/WaitWindow.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QScreen>
#include <QVBoxLayout>
#include <algorithm>

namespace zmk {

namespace {

struct ModeLines {
    const char16_t* line1;
    const char16_t* line2;
    const char16_t* line3;
};

// Lines of modes 1..4.
constexpr ModeLines kModeLines[] = {
    {u"Ожидайте...", u"Выполняется чтение данных", u"Esc - прервать чтение"},
    {u"Ожидайте...", u"Выполняется запись параметров", u"конфигурации в контроллер"},
    {u"Ожидайте...", u"Выполняется чтение", u"таблиц параметров конфигурации"},
    {u"Ожидайте...", u"Выполняется создание", u"таблицы в формате Excel"},
    {u"Ожидайте...", u"Выполняется формирование", u"отчета в формате Excel"},
};

constexpr int kDefaultMaximum = 100;
constexpr int kProgressHeight = 16;

QLabel* MakeLine(QWidget* parent, int number) {
    auto* label = new QLabel(parent);
    label->setObjectName(QStringLiteral("line%1").arg(number));
    label->setAlignment(Qt::AlignCenter);
    label->setTextFormat(Qt::PlainText);
    return label;
}

}  // namespace

WaitWindow::WaitWindow(QWidget* parent) : QWidget(parent, Qt::Dialog) {
    // A title bar with the caption only: no system menu, minimise or close.
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setWindowTitle(QStringLiteral("..."));
    setFixedSize(FormWidth, FormHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 10);
    layout->setSpacing(2);
    for (int i = 0; i < 3; ++i) {
        lines_[i] = MakeLine(this, i + 1);
        layout->addWidget(lines_[i]);
    }
    progressBar_ = new QProgressBar(this);
    progressBar_->setObjectName(QStringLiteral("progressBar"));
    progressBar_->setRange(0, kDefaultMaximum);
    progressBar_->setValue(0);
    progressBar_->setTextVisible(false);
    progressBar_->setFixedHeight(kProgressHeight);
    layout->addSpacing(4);
    layout->addWidget(progressBar_);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - FormWidth) / 2, area.y() + (area.height() - FormHeight) / 2);
    }
}

void WaitWindow::SetMode(int mode) {
    if (mode < ModeReadData || mode > ModePassport)
        return;
    const ModeLines& lines = kModeLines[mode - ModeReadData];
    lines_[0]->setText(QString::fromUtf16(lines.line1));
    lines_[1]->setText(QString::fromUtf16(lines.line2));
    lines_[2]->setText(QString::fromUtf16(lines.line3));
    mode_ = mode;
}

void WaitWindow::SetProgressMaximum(int maximum) {
    progressBar_->setRange(0, std::max(maximum, 1));
}

int WaitWindow::ProgressMaximum() const {
    return progressBar_->maximum();
}

int WaitWindow::Progress() const {
    return progressBar_->value();
}

void WaitWindow::SetProgress(int position) {
    progressBar_->setValue(std::clamp(position, progressBar_->minimum(), progressBar_->maximum()));
}

void WaitWindow::closeEvent(QCloseEvent* event) {
    // Only the owner ends the wait window (by destroying it); a close request
    // from the window system would leave the operation running unseen.
    event->ignore();
}

WaitSession::WaitSession(QWidget* mainWindow, int mode, int maximum)
    : mainWindow_(mainWindow), form_(new WaitWindow) {
    form_->SetMode(mode);
    form_->SetProgressMaximum(maximum);
    if (mainWindow_)
        mainWindow_->setEnabled(false);
    form_->show();
    // Let the window system map the window before painting it by hand.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    form_->repaint();
}

WaitSession::~WaitSession() {
    delete form_;
    if (mainWindow_) {
        mainWindow_->setEnabled(true);
        mainWindow_->raise();
        mainWindow_->activateWindow();
    }
}

void WaitSession::Step() {
    SetPosition(form_->Progress() + 1);
}

void WaitSession::SetPosition(int position) {
    form_->SetProgress(position);
    form_->repaint();
}

void WaitSession::Complete() {
    SetPosition(form_->ProgressMaximum());
}

}  // namespace zmk
