#include "common/ui/MessageDialog.h"

#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QPushButton>
#include <QScreen>
#include <algorithm>

#include "common/MessageKind.h"
#include "app/ConnectionState.h"

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
    Label1 = MakeLine(this);
    Label2 = MakeLine(this);
    Label3 = MakeLine(this);
    BitBtnYes = MakeButton(this, QStringLiteral("Да"));
    BitBtnNo = MakeButton(this, QStringLiteral("Нет"));
    BitBtnOk = MakeButton(this, QString());
    BitBtnOk->setIcon(AcknowledgeIcon());
    BitBtnOk->setIconSize(QSize(kIconSize, kIconSize));

    QPalette pal = palette();
    pal.setColor(QPalette::Window, kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    connect(BitBtnYes, &QPushButton::clicked, this, &MessageDialog::BitBtnYesClick);
    connect(BitBtnNo, &QPushButton::clicked, this, &QDialog::reject);
    connect(BitBtnOk, &QPushButton::clicked, this, &QDialog::accept);
    FormCreate();
}

void MessageDialog::FormCreate() {
    Shared().QuestionAnswer = false;
}

void MessageDialog::BitBtnYesClick() {
    Shared().QuestionAnswer = true;
    accept();
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

void MessageDialog::Compose(int kind, const QString& first, const QString& second) {
    const MessageLook look = MessageLookFor(kind, first, second);
    setWindowTitle(look.Caption);
    Label1->setText(look.Line1);
    Label2->setText(look.Line2);
    Label3->setText(look.Line3);

    const int width = DialogWidth(look.Caption, look.Line1, look.Line2, look.Line3);
    const int height = DialogHeight(look.Line2, look.Line3);
    setFixedSize(width, height);

    const int lineLeft = LineMargin / 2;
    const int lineWidth = width - LineMargin;
    QLabel* lines[] = {Label1, Label2, Label3};
    for (int i = 0; i < 3; ++i)
        lines[i]->setGeometry(lineLeft, kLine1Top + i * kLineStep, lineWidth, kLineHeight);

    const int buttonTop = height - ButtonHeight - kButtonBottomMargin;
    BitBtnYes->setVisible(look.Question);
    BitBtnNo->setVisible(look.Question);
    BitBtnOk->setVisible(!look.Question);
    if (look.Question) {
        // "Нет" first, at a third of the free width (less 3), "Да" after the same gap.
        const int gap = (width - 2 * ButtonWidth) / 3 - 3;
        BitBtnNo->move(gap, buttonTop);
        BitBtnYes->move(gap + ButtonWidth + gap, buttonTop);
        BitBtnYes->setDefault(true);
        BitBtnYes->setFocus();
    } else {
        BitBtnOk->move((width - ButtonWidth) / 2, buttonTop);
        BitBtnOk->setDefault(true);
        BitBtnOk->setFocus();
    }

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - width) / 2, area.y() + (area.height() - height) / 2);
    }
}

MessageDialog* CreateMessageBox(const QString& first, const QString& second, QWidget* parent) {
    auto* form = new MessageDialog(parent);
    form->Compose(Shared().MessageKind, first, second);
    return form;
}

void ShowMessageBox(const QString& first, const QString& second) {
    // No parent: the caller's window may be disabled for a long operation,
    // and the message must still take input.
    MessageDialog* form = CreateMessageBox(first, second);
    form->exec();
    delete form;
}


}  // namespace zmk
