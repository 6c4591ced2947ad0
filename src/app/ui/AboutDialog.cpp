#include "app/ui/AboutDialog.h"

#include <QFrame>
#include <QGuiApplication>
#include <QLabel>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPushButton>
#include <QScreen>
#include <QStyle>
#include <cmath>

namespace zmk {

namespace {

constexpr int kPictureLeft = 30;
constexpr int kPictureTop = 24;
constexpr int kPictureWidth = 480;
constexpr int kPictureHeight = 300;

// Retention times and heights of the peaks on the drawn chromatogram,
// as fractions of the plot.
struct Peak {
    double at;
    double height;
    double width;
};
constexpr Peak kPeaks[] = {
    {0.08, 0.92, 0.010}, {0.16, 0.45, 0.012}, {0.24, 0.30, 0.014}, {0.35, 0.62, 0.016},
    {0.43, 0.18, 0.018}, {0.52, 0.38, 0.020}, {0.63, 0.12, 0.022}, {0.74, 0.26, 0.026},
    {0.86, 0.08, 0.030},
};

double TraceAt(double x) {
    double y = 0.02;
    for (const Peak& peak : kPeaks) {
        const double d = (x - peak.at) / peak.width;
        y += peak.height * std::exp(-0.5 * d * d);
    }
    return y;
}

}  // namespace

QPixmap AboutDialog::DrawPicture(int width, int height) {
    QPixmap pixmap(width, height);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);

    QLinearGradient sky(0, 0, 0, height);
    sky.setColorAt(0.0, QColor(0x1B, 0x3A, 0x5C));
    sky.setColorAt(1.0, QColor(0x0B, 0x1A, 0x2B));
    painter.fillRect(pixmap.rect(), sky);

    const QRectF plot(36, 24, width - 60, height - 60);
    painter.setPen(QPen(QColor(0x3C, 0x5F, 0x84), 1, Qt::DotLine));
    for (int i = 0; i <= 10; ++i) {
        const double x = plot.left() + plot.width() * i / 10.0;
        painter.drawLine(QPointF(x, plot.top()), QPointF(x, plot.bottom()));
    }
    for (int i = 0; i <= 5; ++i) {
        const double y = plot.top() + plot.height() * i / 5.0;
        painter.drawLine(QPointF(plot.left(), y), QPointF(plot.right(), y));
    }
    painter.setPen(QPen(QColor(0x9F, 0xB8, 0xD0), 1.5));
    painter.drawLine(plot.bottomLeft(), plot.bottomRight());
    painter.drawLine(plot.bottomLeft(), plot.topLeft());

    QPainterPath trace;
    QPainterPath area;
    const int steps = int(plot.width());
    for (int i = 0; i <= steps; ++i) {
        const double fx = double(i) / steps;
        const QPointF p(plot.left() + fx * plot.width(),
                        plot.bottom() - std::min(TraceAt(fx), 1.0) * plot.height());
        if (i == 0) {
            trace.moveTo(p);
            area.moveTo(plot.bottomLeft());
        }
        trace.lineTo(p);
        area.lineTo(p);
    }
    area.lineTo(plot.bottomRight());
    area.closeSubpath();
    QLinearGradient fill(0, plot.top(), 0, plot.bottom());
    fill.setColorAt(0.0, QColor(0xF2, 0xA5, 0x3A, 160));
    fill.setColorAt(1.0, QColor(0xF2, 0xA5, 0x3A, 20));
    painter.fillPath(area, fill);
    painter.setPen(QPen(QColor(0xFF, 0xD0, 0x80), 2.0));
    painter.drawPath(trace);
    painter.end();
    return pixmap;
}

AboutDialog::AboutDialog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("О программе"));
    setFixedSize(FormWidth, FormHeight);

    pictureLabel_ = new QLabel(this);
    pictureLabel_->setObjectName(QStringLiteral("pictureLabel"));
    pictureLabel_->setGeometry(kPictureLeft, kPictureTop, kPictureWidth, kPictureHeight);
    pictureLabel_->setPixmap(DrawPicture(kPictureWidth, kPictureHeight));

    productNameLabel_ = new QLabel(QStringLiteral("zmk_NGC8200"), this);
    productNameLabel_->setObjectName(QStringLiteral("productNameLabel"));
    QFont nameFont = productNameLabel_->font();
    nameFont.setPointSize(20);
    nameFont.setBold(true);
    productNameLabel_->setFont(nameFont);
    productNameLabel_->setAlignment(Qt::AlignCenter);
    productNameLabel_->setGeometry(kPictureLeft, 340, kPictureWidth, 40);

    versionPanel_ = new QFrame(this);
    versionPanel_->setObjectName(QStringLiteral("versionPanel"));
    versionPanel_->setFrameShape(QFrame::Panel);
    versionPanel_->setFrameShadow(QFrame::Sunken);
    versionPanel_->setGeometry((FormWidth - 200) / 2, 392, 200, 32);
    versionLabel_ = new QLabel(QStringLiteral("Версия     10.06"), versionPanel_);
    versionLabel_->setObjectName(QStringLiteral("versionLabel"));
    versionLabel_->setAlignment(Qt::AlignCenter);
    versionLabel_->setGeometry(2, 2, 196, 28);

    firstYearLabel_ = new QLabel(QStringLiteral("2004"), this);
    firstYearLabel_->setObjectName(QStringLiteral("firstYearLabel"));
    firstYearLabel_->setGeometry(kPictureLeft, 440, 80, 24);
    firstYearLabel_->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    lastYearLabel_ = new QLabel(QStringLiteral("2024"), this);
    lastYearLabel_->setObjectName(QStringLiteral("lastYearLabel"));
    lastYearLabel_->setGeometry(kPictureLeft + kPictureWidth - 80, 440, 80, 24);
    lastYearLabel_->setAlignment(Qt::AlignRight | Qt::AlignVCenter);

    closeButton_ = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                                   QStringLiteral("Закрыть"), this);
    closeButton_->setObjectName(QStringLiteral("closeButton"));
    closeButton_->setGeometry((FormWidth - 100) / 2, 490, 100, 30);
    closeButton_->setDefault(true);
    connect(closeButton_, &QPushButton::clicked, this, &QDialog::accept);

    QScreen* screen = QGuiApplication::primaryScreen();
    if (screen != nullptr) {
        const QRect area = screen->availableGeometry();
        move(area.x() + (area.width() - FormWidth) / 2, area.y() + (area.height() - FormHeight) / 2);
    }
}

}  // namespace zmk
