#include "common/PagedReport.h"

#include <QBuffer>
#include <QFont>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <algorithm>

#include "common/CheckedFile.h"

namespace zmk {

namespace {

constexpr double PaperWidth = 210;      // A4 portrait, millimetres
constexpr double PaperHeight = 297;
constexpr double HeaderBand = 5;        // the page header's line above the body
constexpr double FooterBand = 5;        // the footer's line below the body
constexpr double BandPointSize = 8;     // page header and footer
constexpr double CellPadding = 0.6;     // between a cell's text and its column's edges
constexpr double LineWidth = 0.2;       // frame and separating lines
// A text wider than its cell is squeezed horizontally down to this factor
// (a single line never wraps); what is still too wide is cut at the cell.
constexpr double MinTextSqueeze = 0.6;
constexpr int PdfResolution = 600;

// Paints the pages of one report on one painter, in millimetres of the paper.
class PagePainter {
public:
    PagePainter(QPainter& painter, const PagedReport& report) : painter_(painter), report_(report) {
        const QPaintDevice* device = painter.device();
        dpiX_ = device->logicalDpiX();
        dpiY_ = device->logicalDpiY();
        const ReportLayout& l = report.layout;
        left_ = l.margins.left();
        width_ = PaperWidth - l.margins.left() - l.margins.right();
        bodyTop_ = l.margins.top() + HeaderBand;
        const double bodyHeight = PaperHeight - l.margins.bottom() - FooterBand - bodyTop_;
        rowHeight_ = bodyHeight / (l.headingRows + std::max(1, l.laterPageRows));
        headingHeight_ = l.headingRows * rowHeight_;
        titleHeight_ = std::max(0.0, bodyHeight - headingHeight_ - std::max(1, l.firstPageRows) * rowHeight_);

        int units = 0;
        for (const ReportColumn& c : report.columns) units += std::max(1, c.width);
        units += l.columnGap * std::max(0, int(report.columns.size()) - 1);
        const double unit = units > 0 ? width_ / units : 0;
        double x = left_;
        for (const ReportColumn& c : report.columns) {
            columnX_.push_back(x);
            columnWidth_.push_back(std::max(1, c.width) * unit);
            x += (std::max(1, c.width) + l.columnGap) * unit;
        }
        gap_ = l.columnGap * unit;
        for (const ReportColumn& c : report.columns) maxHeadingLines_ = std::max(maxHeadingLines_, int(c.heading.size()));
        headingFont_ = Font(l.headingPointSize, false);
        bodyFont_ = Font(l.bodyPointSize, false);
        bandFont_ = Font(BandPointSize, false);
    }

    void Paint(int page, int pageCount) {
        painter_.setPen(QPen(Qt::black, X(LineWidth)));
        painter_.setFont(bandFont_);
        DrawText(QRectF(left_, report_.layout.margins.top(), width_, HeaderBand), report_.pageHeader,
                 Qt::AlignRight);
        DrawText(QRectF(left_, PaperHeight - report_.layout.margins.bottom() - FooterBand, width_, FooterBand),
                 ReportFooterText(page + 1, pageCount), Qt::AlignHCenter);

        double top = bodyTop_;
        if (page == 0) {
            PaintTitle();
            top += titleHeight_;
        }
        const qsizetype first = report_.FirstRowOfPage(page);
        const qsizetype rows = report_.RowsOnPage(page);
        PaintHeading(top, rows);
        painter_.setFont(bodyFont_);
        const QFontMetricsF metrics(bodyFont_, painter_.device());
        double y = top + headingHeight_;
        for (qsizetype r = first; r < first + rows; ++r, y += rowHeight_) {
            for (size_t c = 0; c < report_.columns.size(); ++c) {
                const QRectF cell(columnX_[c] + CellPadding, y, columnWidth_[c] - 2 * CellPadding, rowHeight_);
                DrawText(cell, report_.cell(r, int(c)),
                         report_.columns[c].leftAligned ? Qt::AlignLeft : Qt::AlignHCenter, &metrics);
            }
        }
    }

private:
    double X(double mm) const { return mm * dpiX_ / 25.4; }
    double Y(double mm) const { return mm * dpiY_ / 25.4; }
    QRectF Px(const QRectF& mm) const { return QRectF(X(mm.left()), Y(mm.top()), X(mm.width()), Y(mm.height())); }
    void Line(double x1, double y1, double x2, double y2) { painter_.drawLine(QPointF(X(x1), Y(y1)), QPointF(X(x2), Y(y2))); }
    // Line spacing of the painter's font, in millimetres.
    double LineSpacing(const QFont& font) const {
        return QFontMetricsF(font, painter_.device()).lineSpacing() * 25.4 / dpiY_;
    }

    static QFont Font(double pointSize, bool bold) {
        QFont font(QString::fromLatin1(ReportFontFamily));
        font.setPointSizeF(pointSize);
        font.setBold(bold);
        font.setHintingPreference(QFont::PreferNoHinting);
        return font;
    }

    // One line of text in a box (millimetres), vertically centred; squeezed
    // or cut when wider than the box.
    void DrawText(const QRectF& box, const QString& text, Qt::Alignment alignment,
                  const QFontMetricsF* metrics = nullptr) {
        if (text.isEmpty()) return;
        const QRectF px = Px(box);
        const int flags = int(alignment) | Qt::AlignVCenter | Qt::TextSingleLine;
        const double advance = metrics != nullptr ? metrics->horizontalAdvance(text)
                                                  : QFontMetricsF(painter_.font(), painter_.device()).horizontalAdvance(text);
        if (advance <= px.width()) {
            painter_.drawText(px, flags | Qt::TextDontClip, text);
            return;
        }
        const double squeeze = std::max(px.width() / advance, MinTextSqueeze);
        painter_.save();
        painter_.translate(px.left(), 0);
        painter_.scale(squeeze, 1);
        const QRectF squeezed(0, px.top(), px.width() / squeeze, px.height());
        // Cut text keeps its beginning.
        const int cutFlags = advance * squeeze > px.width() ? (flags & ~Qt::AlignHorizontal_Mask) | Qt::AlignLeft : flags;
        painter_.drawText(squeezed, cutFlags, text);
        painter_.restore();
    }

    void PaintTitle() {
        std::vector<QFont> fonts;
        std::vector<double> heights;
        double total = 0;
        for (const ReportTitleLine& line : report_.title) {
            fonts.push_back(Font(line.pointSize, line.bold));
            heights.push_back(LineSpacing(fonts.back()));
            total += heights.back();
        }
        const double spare = report_.title.empty() ? 0 : std::max(0.0, (titleHeight_ - total) / report_.title.size());
        double y = bodyTop_;
        for (size_t i = 0; i < report_.title.size(); ++i) {
            painter_.setFont(fonts[i]);
            const double h = heights[i] + spare;
            DrawText(QRectF(left_, y, width_, h), report_.title[i].text,
                     report_.title[i].centred ? Qt::AlignHCenter : Qt::AlignLeft);
            y += h;
        }
    }

    void PaintHeading(double top, qsizetype rows) {
        const ReportLayout& l = report_.layout;
        const double right = left_ + width_;
        painter_.setBrush(Qt::NoBrush);
        const double frameHeight = headingHeight_ + (l.frameRows ? rows * rowHeight_ : 0);
        painter_.drawRect(Px(QRectF(left_, top, width_, frameHeight)));
        if (l.frameRows) Line(left_, top + headingHeight_, right, top + headingHeight_);

        painter_.setFont(headingFont_);
        const double spacing = LineSpacing(headingFont_);
        const size_t n = report_.columns.size();
        // Where a column's own heading starts: below its group's heading.
        std::vector<double> columnTop(n, top);
        for (const ReportColumnGroup& g : report_.groups) {
            if (g.first < 0 || g.count <= 0 || size_t(g.first + g.count) > n) continue;
            int lines = 0;
            for (int c = g.first; c < g.first + g.count; ++c)
                lines = std::max(lines, int(report_.columns[size_t(c)].heading.size()));
            const double groupHeight = headingHeight_ / (lines + 1);
            const double x = columnX_[size_t(g.first)];
            const size_t last = size_t(g.first + g.count - 1);
            const double w = columnX_[last] + columnWidth_[last] - x;
            DrawText(QRectF(x, top, w, groupHeight), g.heading, Qt::AlignHCenter);
            Line(x - gap_ / 2, top + groupHeight, x + w + gap_ / 2, top + groupHeight);
            for (int c = g.first; c < g.first + g.count; ++c) columnTop[size_t(c)] = top + groupHeight;
        }
        for (size_t c = 0; c < n; ++c) {
            if (c + 1 < n) {
                // A separator runs down from the lower of the two columns' heading tops.
                const double x = columnX_[c] + columnWidth_[c] + gap_ / 2;
                Line(x, std::max(columnTop[c], columnTop[c + 1]), x, top + headingHeight_);
            }
            const QStringList& heading = report_.columns[c].heading;
            const double height = top + headingHeight_ - columnTop[c];
            const int blockLines = l.headingFromTop ? maxHeadingLines_ : int(heading.size());
            double y = columnTop[c] + (height - blockLines * spacing) / 2;
            for (const QString& text : heading) {
                DrawText(QRectF(columnX_[c], y, columnWidth_[c], spacing), text, Qt::AlignHCenter);
                y += spacing;
            }
        }
    }

    QPainter& painter_;
    const PagedReport& report_;
    double dpiX_ = 72;
    double dpiY_ = 72;
    double left_ = 0;
    double width_ = 0;
    double bodyTop_ = 0;
    double rowHeight_ = 0;
    double headingHeight_ = 0;
    double titleHeight_ = 0;
    double gap_ = 0;
    int maxHeadingLines_ = 0;
    std::vector<double> columnX_;
    std::vector<double> columnWidth_;
    QFont headingFont_;
    QFont bodyFont_;
    QFont bandFont_;
};

}  // namespace

int PagedReport::PageCount() const {
    const qsizetype first = std::max(1, layout.firstPageRows);
    const qsizetype later = std::max(1, layout.laterPageRows);
    if (rowCount <= first) return 1;
    const qsizetype pages = 1 + (rowCount - first + later - 1) / later;
    return int(std::min<qsizetype>(pages, INT32_MAX));
}

qsizetype PagedReport::FirstRowOfPage(int page) const {
    if (page <= 0) return 0;
    const qsizetype row = std::max(1, layout.firstPageRows) + qsizetype(page - 1) * std::max(1, layout.laterPageRows);
    return std::min(row, rowCount);
}

qsizetype PagedReport::RowsOnPage(int page) const {
    if (page < 0 || page >= PageCount()) return 0;
    const qsizetype capacity = page == 0 ? std::max(1, layout.firstPageRows) : std::max(1, layout.laterPageRows);
    return std::min(capacity, rowCount - FirstRowOfPage(page));
}

QString ReportFooterText(int page, int pageCount) {
    return QStringLiteral("Лист %1 из %2").arg(page).arg(pageCount);
}

bool PaintReport(const PagedReport& report, QPagedPaintDevice& device, int firstPage, int lastPage) {
    const int pages = report.PageCount();
    if (lastPage < 0 || lastPage >= pages) lastPage = pages - 1;
    firstPage = std::max(0, firstPage);
    if (firstPage > lastPage || !report.cell) return false;

    // The paper is A4 portrait; a printer that insists on its own margins
    // keeps them (the pages are drawn in paper coordinates below).
    const QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(), QPageLayout::Millimeter);
    if (!device.setPageLayout(a4)) {
        device.setPageSize(QPageSize(QPageSize::A4));
        device.setPageOrientation(QPageLayout::Portrait);
    }
    QPainter painter;
    if (!painter.begin(&device)) return false;
    // The painter's origin is the top left of the printable area: move it to
    // the paper's corner.
    const QPageLayout layout = device.pageLayout();
    const QRect printable = layout.paintRectPixels(device.logicalDpiX());
    const QPoint corner = layout.fullRectPixels(device.logicalDpiX()).topLeft();
    PagePainter pagePainter(painter, report);
    for (int page = firstPage; page <= lastPage; ++page) {
        if (page > firstPage && !device.newPage()) {
            painter.end();
            return false;
        }
        painter.resetTransform();
        painter.translate(corner - printable.topLeft());
        pagePainter.Paint(page, pages);
    }
    return painter.end();
}

bool WriteReportPdf(const PagedReport& report, const QString& path, QString* error) {
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    bool painted = false;
    {
        QPdfWriter writer(&buffer);
        writer.setResolution(PdfResolution);
        writer.setCreator(QStringLiteral("zmk_10"));
        if (!report.title.empty()) writer.setTitle(report.title.front().text);
        painted = PaintReport(report, writer);
    }
    if (!painted) {
        if (error != nullptr) *error = QStringLiteral("the report could not be drawn");
        return false;
    }
    return WriteFileChecked(path, buffer.data(), error);
}

}  // namespace zmk
