#include "app/ui/ConnectionSummaryView.h"

#include <QLabel>
#include <QVBoxLayout>

namespace zmk {

namespace {

constexpr int WarningWidth = 520;  // the warning wraps at this width

}  // namespace

ConnectionSummaryView::ConnectionSummaryView(QWidget* parent) : QFrame(parent) {
    setObjectName(QStringLiteral("connectionSummary"));
    text_ = new QLabel(this);
    text_->setObjectName(QStringLiteral("summaryText"));
    text_->setTextFormat(Qt::RichText);
    text_->setTextInteractionFlags(Qt::TextSelectableByMouse);
    warning_ = new QLabel(this);
    warning_->setObjectName(QStringLiteral("deadLinkWarning"));
    warning_->setWordWrap(true);
    warning_->setFixedWidth(WarningWidth);
    warning_->setStyleSheet(QStringLiteral("color: #a00000; font-weight: bold;"));
    warning_->hide();
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(text_);
    layout->addWidget(warning_);
}

void ConnectionSummaryView::Show(const ConnectionFacts& facts) {
    QString html = QStringLiteral("<table cellspacing=\"2\">");
    for (const SummaryLine& line : SummaryLines(facts)) {
        html += QStringLiteral("<tr><td>%1</td><td>&nbsp;&nbsp;<b>%2</b></td></tr>")
                    .arg(line.label.isEmpty() ? QString() : line.label.toHtmlEscaped() + QLatin1Char(':'),
                         line.value.toHtmlEscaped());
    }
    html += QStringLiteral("</table>");
    text_->setText(html);
    const QString warning = DeadLinkWarning(facts);
    warning_->setText(warning);
    warning_->setVisible(!warning.isEmpty());
    adjustSize();
}

}  // namespace zmk
