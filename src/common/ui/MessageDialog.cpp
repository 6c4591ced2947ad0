#include "common/ui/MessageDialog.h"
#include "common/ui/ProgramClosing.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <algorithm>
#include <memory>


namespace zmk {

namespace {

// Light grey-beige background of the dialog.
const QColor kBackground(0xEC, 0xE9, 0xDF);

constexpr int kLineHeight = 20;
constexpr int kLine1Top = 12;
constexpr int kLineStep = 26;
constexpr int kButtonBottomMargin = 14;
constexpr int kIconSize = 18;

// The acknowledgement button's icon: a green tick.
QIcon AcknowledgeIcon() {
    QPixmap pixmap(kIconSize, kIconSize);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(QColor(0x1E, 0x8C, 0x2E), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    painter.setPen(pen);
    QPainterPath tick;
    tick.moveTo(3, 9.5);
    tick.lineTo(7.5, 14);
    tick.lineTo(15, 4);
    painter.drawPath(tick);
    painter.end();
    return QIcon(pixmap);
}

QLabel* MakeLine(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setAlignment(Qt::AlignCenter);
    label->setWordWrap(false);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QPushButton* MakeButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setFixedSize(MessageDialog::ButtonWidth, MessageDialog::ButtonHeight);
    return button;
}

}  // namespace

MessageDialog::MessageDialog(QWidget* parent) : QDialog(parent) {
    for (int i = 0; i < 3; ++i) {
        lines_[i] = MakeLine(this);
        lines_[i]->setObjectName(QStringLiteral("line%1").arg(i + 1));
    }
    yesButton_ = MakeButton(this, QStringLiteral("Да"));
    yesButton_->setObjectName(QStringLiteral("yesButton"));
    noButton_ = MakeButton(this, QStringLiteral("Нет"));
    noButton_->setObjectName(QStringLiteral("noButton"));
    okButton_ = MakeButton(this, QString());
    okButton_->setObjectName(QStringLiteral("okButton"));
    okButton_->setIcon(AcknowledgeIcon());
    okButton_->setIconSize(QSize(kIconSize, kIconSize));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    connect(yesButton_, &QPushButton::clicked, this, &MessageDialog::answerYes);
    connect(noButton_, &QPushButton::clicked, this, &QDialog::reject);
    connect(okButton_, &QPushButton::clicked, this, &QDialog::accept);
}

void MessageDialog::answerYes() {
    answer_ = true;
    accept();
}

QString MessageDialog::LineText(int line) const {
    return line >= 1 && line <= 3 ? lines_[line - 1]->text() : QString();
}

int MessageDialog::DialogHeight(const QString& line2, const QString& line3) {
    if (line2.isEmpty() && line3.isEmpty())
        return HeightOneLine;
    if (line3.isEmpty())
        return HeightTwoLines;
    return HeightThreeLines;
}

int MessageDialog::DialogWidth(const QString& caption, const QString& line1, const QString& line2,
                           const QString& line3) {
    const qsizetype longest =
        std::max({caption.size(), line1.size(), line2.size(), line3.size()});
    const int byText = int(std::min<qsizetype>(longest, 10000)) * PixelsPerChar + WidthMargin;
    return std::max(byText, 2 * ButtonWidth + MinWidthExtra);
}

void MessageDialog::Compose(MessageKind kind, const QString& first, const QString& second) {
    kind_ = kind;
    const MessageLook look = MessageLookFor(kind, first, second);
    setWindowTitle(look.Caption);
    lines_[0]->setText(look.Line1);
    lines_[1]->setText(look.Line2);
    lines_[2]->setText(look.Line3);

    const int width = DialogWidth(look.Caption, look.Line1, look.Line2, look.Line3);
    const int height = DialogHeight(look.Line2, look.Line3);
    setFixedSize(width, height);

    const int lineLeft = LineMargin / 2;
    const int lineWidth = width - LineMargin;
    for (int i = 0; i < 3; ++i)
        lines_[i]->setGeometry(lineLeft, kLine1Top + i * kLineStep, lineWidth, kLineHeight);

    const int buttonTop = height - ButtonHeight - kButtonBottomMargin;
    yesButton_->setVisible(look.Question);
    noButton_->setVisible(look.Question);
    okButton_->setVisible(!look.Question);
    if (look.Question) {
        // "Нет" first, at a third of the free width (less 3), "Да" after the same gap.
        const int gap = (width - 2 * ButtonWidth) / 3 - 3;
        noButton_->move(gap, buttonTop);
        yesButton_->move(gap + ButtonWidth + gap, buttonTop);
        yesButton_->setDefault(true);
        yesButton_->setFocus();
    } else {
        okButton_->move((width - ButtonWidth) / 2, buttonTop);
        okButton_->setDefault(true);
        okButton_->setFocus();
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    }
}

MessageDialog* CreateMessageBox(MessageKind kind, const QString& first, const QString& second, QWidget* parent) {
    auto* form = new MessageDialog(parent);
    form->Compose(kind, first, second);
    return form;
}

namespace {

MessageHandler& Handler() {
    static MessageHandler handler;
    return handler;
}

bool closing = false;

bool Run(MessageKind kind, const QString& first, const QString& second) {
    if (closing) return false;
    if (Handler()) return Handler()(kind, first, second);
    // No parent: the caller's window may be disabled for a long operation,
    // and the message must still take input.
    std::unique_ptr<MessageDialog> form(CreateMessageBox(kind, first, second));
    form->exec();
    return form->Answer();
}

}  // namespace

void ShowMessage(MessageKind kind, const QString& first, const QString& second) { Run(kind, first, second); }

bool Ask(MessageKind kind, const QString& first, const QString& second) { return Run(kind, first, second); }

bool ProgramClosing() { return closing; }

void SetProgramClosing(bool on) { closing = on; }

MessageHandler SetMessageHandler(MessageHandler handler) {
    MessageHandler previous = std::move(Handler());
    Handler() = std::move(handler);
    return previous;
}

}  // namespace zmk
