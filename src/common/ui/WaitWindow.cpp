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
};

constexpr int kDefaultMaximum = 100;
constexpr int kProgressHeight = 16;

QLabel* MakeLine(QWidget* parent) {
    auto* label = new QLabel(parent);
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

    Label1 = MakeLine(this);
    Label2 = MakeLine(this);
    Label3 = MakeLine(this);
    ProgressBar1 = new QProgressBar(this);
    ProgressBar1->setRange(0, kDefaultMaximum);
    ProgressBar1->setValue(0);
    ProgressBar1->setTextVisible(false);
    ProgressBar1->setFixedHeight(kProgressHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 10);
    layout->setSpacing(2);
    layout->addWidget(Label1);
    layout->addWidget(Label2);
    layout->addWidget(Label3);
    layout->addSpacing(4);
    layout->addWidget(ProgressBar1);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - FormWidth) / 2, area.y() + (area.height() - FormHeight) / 2);
    }
}

void WaitWindow::SetMode(int mode) {
    if (mode < ModeReadData || mode > ModeExportWorkbook)
        return;
    const ModeLines& lines = kModeLines[mode - ModeReadData];
    Label1->setText(QString::fromUtf16(lines.line1));
    Label2->setText(QString::fromUtf16(lines.line2));
    Label3->setText(QString::fromUtf16(lines.line3));
    mode_ = mode;
}

void WaitWindow::closeEvent(QCloseEvent* event) {
    // Only the owner ends the wait window (by destroying it); a close request
    // from the window system would leave the operation running unseen.
    event->ignore();
}

WaitSession::WaitSession(QWidget* mainWindow, int mode, int maximum)
    : mainWindow_(mainWindow), form_(new WaitWindow) {
    form_->SetMode(mode);
    form_->ProgressBar1->setRange(0, std::max(maximum, 1));
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
    SetPosition(form_->ProgressBar1->value() + 1);
}

void WaitSession::SetPosition(int position) {
    QProgressBar* bar = form_->ProgressBar1;
    bar->setValue(std::clamp(position, bar->minimum(), bar->maximum()));
    form_->repaint();
}

}  // namespace zmk
