#include "report/report_layout.h"

#include <QFontMetricsF>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>

#include "base/error.h"

#include <algorithm>
#include <cmath>

namespace talvena {

namespace {

// Paper and margins in millimetres.
constexpr double kPaperShort = 210, kPaperLong = 297;
constexpr double kLeft = 20, kRight = 12, kTop = 20, kBottom = 18;
constexpr double kCellPadX = 1.2, kCellPadY = 0.8;
constexpr int kTextFlags = Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap;

} // namespace

ReportLayout::ReportLayout(const QPagedPaintDevice& device) : dpi_(device.logicalDpiY()), device_(device) {}

QFont ReportLayout::font(ReportFont f) const
{
    QFont font(QStringLiteral("DejaVu Sans"));
    font.setStyleStrategy(QFont::PreferOutline);
    switch (f) {
    case ReportFont::Body: font.setPointSizeF(9); break;
    case ReportFont::Bold: font.setPointSizeF(9); font.setBold(true); break;
    case ReportFont::Small: font.setPointSizeF(7.5); break;
    case ReportFont::SmallBold: font.setPointSizeF(7.5); font.setBold(true); break;
    case ReportFont::Heading: font.setPointSizeF(12); font.setBold(true); break;
    case ReportFont::Title: font.setPointSizeF(22); font.setBold(true); break;
    case ReportFont::Subtitle: font.setPointSizeF(12); break;
    }
    return font;
}

double ReportLayout::lineHeight(ReportFont f) const { return QFontMetricsF(font(f), &device_).lineSpacing(); }

double ReportLayout::textHeight(ReportFont f, double width, const QString& text) const
{
    if (text.isEmpty()) return lineHeight(f);
    const QFontMetricsF metrics(font(f), &device_);
    return metrics.boundingRect(QRectF(0, 0, width, 1e9), kTextFlags, text).height();
}

double ReportLayout::textWidth(ReportFont f, const QString& text) const
{
    return QFontMetricsF(font(f), &device_).horizontalAdvance(text);
}

QRectF ReportLayout::area() const
{
    const bool wide = landscape();
    const double w = wide ? kPaperLong : kPaperShort, h = wide ? kPaperShort : kPaperLong;
    return QRectF(mm(kLeft), mm(kTop), mm(w - kLeft - kRight), mm(h - kTop - kBottom));
}

void ReportLayout::newPage(bool landscape)
{
    pages_.push_back(ReportPage{landscape, {}});
    y_ = area().top();
}

void ReportLayout::ensureSpace(double height)
{
    if (pages_.empty()) newPage(false);
    else if (y_ + height > area().bottom() && y_ > area().top()) newPage(landscape());
}

void ReportLayout::add(ReportItem item)
{
    if (pages_.empty()) newPage(false);
    pages_.back().items.push_back(std::move(item));
}

void ReportLayout::line(QPointF a, QPointF b, const QPen& pen)
{
    ReportItem item;
    item.kind = ReportItem::Kind::Line;
    item.rect = QRectF(a, b);
    item.pen = pen;
    add(std::move(item));
}

void ReportLayout::text(const QRectF& rect, const QString& text, ReportFont f, int flags)
{
    ReportItem item;
    item.kind = ReportItem::Kind::Text;
    item.rect = rect;
    item.text = text;
    item.font = f;
    item.flags = flags;
    add(std::move(item));
}

void ReportLayout::heading(const QString& title)
{
    const double h = textHeight(ReportFont::Heading, area().width(), title);
    ensureSpace(h + mm(3) + 4 * lineHeight(ReportFont::Body));
    if (y_ > area().top()) y_ += mm(4);
    text(QRectF(area().left(), y_, area().width(), h), title, ReportFont::Heading, kTextFlags);
    y_ += h + mm(2);
}

void ReportLayout::paragraph(const QString& body, ReportFont f)
{
    const double h = textHeight(f, area().width(), body);
    ensureSpace(h);
    text(QRectF(area().left(), y_, area().width(), h), body, f, kTextFlags);
    y_ += h + mm(1.5);
}

double ReportLayout::rowHeight(const QStringList& cells, const std::vector<int>& columns,
                               const std::vector<double>& widths, ReportFont f) const
{
    double h = lineHeight(f);
    for (size_t i = 0; i < columns.size(); ++i) {
        const int c = columns[i];
        if (c < cells.size() && !cells[c].isEmpty())
            h = std::max(h, textHeight(f, widths[i] - 2 * mm(kCellPadX), cells[c]));
    }
    // A row taller than a page is cut at the page's foot rather than never placed.
    return std::min(h + 2 * mm(kCellPadY), area().height() / 2);
}

void ReportLayout::drawRow(const QStringList& cells, const std::vector<int>& columns, const std::vector<double>& widths,
                           ReportFont f, double height, bool shaded)
{
    double x = area().left();
    const QPen border(QColor(90, 90, 90), mm(0.15));
    for (size_t i = 0; i < columns.size(); ++i) {
        const QRectF cell(x, y_, widths[i], height);
        ReportItem frame;
        frame.kind = ReportItem::Kind::Rect;
        frame.rect = cell;
        frame.pen = border;
        if (shaded) frame.brush = QColor(225, 228, 235);
        add(std::move(frame));
        const int c = columns[i];
        if (c < cells.size() && !cells[c].isEmpty())
            text(cell.adjusted(mm(kCellPadX), mm(kCellPadY), -mm(kCellPadX), -mm(kCellPadY)), cells[c], f, kTextFlags);
        x += widths[i];
    }
    y_ += height;
}

void ReportLayout::pairs(const std::vector<ReportPair>& rows, const QString& continued)
{
    if (pages_.empty()) newPage(false);
    const double width = area().width();
    const std::vector<int> columns{0, 1};
    const std::vector<double> widths{width * 0.48, width * 0.52};
    auto makeRoom = [&](double height) {
        const size_t before = pages_.size();
        ensureSpace(height);
        if (pages_.size() != before && !continued.isEmpty()) paragraph(continued, ReportFont::SmallBold);
    };
    for (const ReportPair& row : rows) {
        if (row.section) {
            const double h = lineHeight(ReportFont::Bold) + 2 * mm(kCellPadY);
            makeRoom(h + 2 * lineHeight(ReportFont::Body));
            drawRow({row.caption}, {0}, {width}, ReportFont::Bold, h, true);
            continue;
        }
        const QStringList cells{row.caption, row.value.trimmed().isEmpty() ? QStringLiteral("—") : row.value};
        const double h = rowHeight(cells, columns, widths, ReportFont::Body);
        makeRoom(h);
        drawRow(cells, columns, widths, ReportFont::Body, h, false);
    }
    y_ += mm(2);
}

std::vector<double> ReportLayout::naturalWidths(const QStringList& titles, const std::vector<QStringList>& rows) const
{
    // What each column would like: its title's longest word, its widest cell up to a limit.
    std::vector<double> natural(static_cast<size_t>(titles.size()));
    const double pad = 2 * mm(kCellPadX);
    for (qsizetype c = 0; c < titles.size(); ++c) {
        double w = 0;
        for (const QString& word : titles[c].split(QLatin1Char(' '), Qt::SkipEmptyParts))
            w = std::max(w, textWidth(ReportFont::SmallBold, word));
        double cells = 0;
        // The first few hundred rows tell the width as well as all of them.
        const size_t sample = std::min<size_t>(rows.size(), 300);
        for (size_t r = 0; r < sample; ++r)
            if (c < rows[r].size()) cells = std::max(cells, textWidth(ReportFont::Small, rows[r][c]));
        natural[size_t(c)] = std::clamp(std::max(w, std::min(cells, mm(45))), mm(7), mm(60)) + pad;
    }

    return natural;
}

bool ReportLayout::needsLandscape(const QStringList& titles, const std::vector<QStringList>& rows) const
{
    double total = 0;
    for (double w : naturalWidths(titles, rows)) total += w;
    return total > mm(kPaperShort - kLeft - kRight);
}

void ReportLayout::table(const QStringList& titles, const std::vector<QStringList>& rows, bool landscapeWhenWide)
{
    if (titles.isEmpty()) return;
    const std::vector<double> natural = naturalWidths(titles, rows);
    if (pages_.empty()) newPage(false);
    const bool wide = landscapeWhenWide && needsLandscape(titles, rows);
    if (wide != landscape()) newPage(wide);
    const double width = area().width();

    // Parts of the columns that fit the width, each beginning with the first column.
    std::vector<std::vector<int>> parts;
    std::vector<int> part{0};
    double used = natural[0];
    for (int c = 1; c < int(titles.size()); ++c) {
        if (used + natural[size_t(c)] > width && part.size() > 1) {
            parts.push_back(part);
            part = {0};
            used = natural[0];
        }
        part.push_back(c);
        used += natural[size_t(c)];
    }
    parts.push_back(part);

    for (size_t p = 0; p < parts.size(); ++p) {
        std::vector<double> widths;
        double sum = 0;
        for (int c : parts[p]) sum += natural[size_t(c)];
        // The last part of a split table is not stretched far beyond what its columns need.
        const bool lastOfMany = parts.size() > 1 && p + 1 == parts.size();
        const double scale = lastOfMany ? std::min(width / sum, 1.3) : width / sum;
        for (int c : parts[p]) widths.push_back(natural[size_t(c)] * scale);
        if (p > 0) {
            ensureSpace(4 * lineHeight(ReportFont::Small) + mm(6));
            y_ += mm(2);
            paragraph(QStringLiteral("Продолжение таблицы: столбцы %1–%2 из %3")
                          .arg(parts[p][1] + 1)
                          .arg(parts[p].back() + 1)
                          .arg(titles.size()),
                      ReportFont::Small);
        }
        tablePart(titles, rows, parts[p], widths);
    }
    y_ += mm(2);
}

void ReportLayout::tablePart(const QStringList& titles, const std::vector<QStringList>& rows,
                             const std::vector<int>& columns, const std::vector<double>& widths)
{
    const double titleHeight = rowHeight(titles, columns, widths, ReportFont::SmallBold);
    const double first = rows.empty() ? lineHeight(ReportFont::Small) : rowHeight(rows[0], columns, widths, ReportFont::Small);
    ensureSpace(titleHeight + first);
    drawRow(titles, columns, widths, ReportFont::SmallBold, titleHeight, true);
    for (const QStringList& row : rows) {
        const double h = rowHeight(row, columns, widths, ReportFont::Small);
        if (y_ + h > area().bottom()) {
            newPage(landscape());
            drawRow(titles, columns, widths, ReportFont::SmallBold, titleHeight, true);
        }
        drawRow(row, columns, widths, ReportFont::Small, h, false);
    }
}

void ReportLayout::figure(const QImage& image, const QString& caption, double maxHeightShare)
{
    if (pages_.empty()) newPage(false);
    if (image.isNull()) return;
    const double captionHeight = textHeight(ReportFont::Small, area().width(), caption);
    const double maxW = area().width(), maxH = area().height() * maxHeightShare;
    const double scale = std::min({maxW / image.width(), maxH / image.height(), mm(0.5)});
    const QSizeF size(image.width() * scale, image.height() * scale);
    ensureSpace(size.height() + captionHeight + mm(3));
    // Kept at no more than 200 dots an inch on paper: a photograph does not swell the document.
    const double dots = size.width() / dpi_ * 200;
    QImage drawn = image.width() > dots * 1.2
                       ? image.scaledToWidth(std::max(1, int(dots)), Qt::SmoothTransformation)
                       : image;
    if (drawn.hasAlphaChannel()) {
        // No transparency in an archival document: the picture goes onto white paper.
        QImage flat(drawn.size(), QImage::Format_RGB32);
        flat.fill(Qt::white);
        QPainter p(&flat);
        p.drawImage(0, 0, drawn);
        p.end();
        drawn = flat;
    }
    ReportItem item;
    item.kind = ReportItem::Kind::Image;
    item.rect = QRectF(area().left() + (maxW - size.width()) / 2, y_, size.width(), size.height());
    item.image = drawn;
    add(std::move(item));
    y_ += size.height() + mm(1);
    text(QRectF(area().left(), y_, area().width(), captionHeight), caption, ReportFont::Small,
         Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap);
    y_ += captionHeight + mm(3);
}

void PaintReport(const std::vector<ReportPage>& pages, QPagedPaintDevice& device, const QString& header,
                 const ReportLayout& layout, bool turnLandscapePages)
{
    auto pageLayout = [](bool wide) {
        return QPageLayout(QPageSize(QPageSize::A4), wide ? QPageLayout::Landscape : QPageLayout::Portrait,
                           QMarginsF(0, 0, 0, 0));
    };
    if (pages.empty()) return;
    device.setPageLayout(pageLayout(pages[0].landscape && !turnLandscapePages));
    QPainter painter;
    if (!painter.begin(&device)) throw Error("Не удалось начать печать документа.");
    painter.setRenderHint(QPainter::Antialiasing);
    const int count = int(pages.size());
    for (int n = 0; n < count; ++n) {
        const ReportPage& page = pages[size_t(n)];
        if (n > 0) {
            if (!turnLandscapePages) device.setPageLayout(pageLayout(page.landscape));
            device.newPage();
        }
        painter.save();
        if (turnLandscapePages && page.landscape) {
            painter.translate(0, layout.mm(kPaperLong));
            painter.rotate(-90);
        }
        // Running header first, so that text extraction reads it first.
        const double w = (page.landscape ? kPaperLong : kPaperShort), h = (page.landscape ? kPaperShort : kPaperLong);
        painter.setPen(Qt::black);
        painter.setFont(layout.font(ReportFont::Small));
        if (n > 0) {
            const QRectF top(layout.mm(kLeft), layout.mm(9), layout.mm(w - kLeft - kRight), layout.mm(6));
            painter.drawText(top, Qt::AlignLeft | Qt::AlignBottom,
                             painter.fontMetrics().elidedText(header, Qt::ElideRight, int(top.width())));
            painter.setPen(QPen(QColor(90, 90, 90), layout.mm(0.2)));
            painter.drawLine(QPointF(top.left(), top.bottom() + layout.mm(1)),
                             QPointF(top.right(), top.bottom() + layout.mm(1)));
            painter.setPen(Qt::black);
        }
        for (const ReportItem& item : page.items) {
            switch (item.kind) {
            case ReportItem::Kind::Text:
                painter.setFont(layout.font(item.font));
                painter.setPen(Qt::black);
                painter.drawText(item.rect, item.flags, item.text);
                break;
            case ReportItem::Kind::Line:
                painter.setPen(item.pen);
                painter.drawLine(item.rect.topLeft(), item.rect.bottomRight());
                break;
            case ReportItem::Kind::Polyline:
                painter.setPen(item.pen);
                painter.drawPolyline(item.points);
                break;
            case ReportItem::Kind::Polygon:
            case ReportItem::Kind::Rect:
                painter.setPen(item.pen);
                painter.setBrush(item.brush);
                if (item.kind == ReportItem::Kind::Polygon)
                    painter.drawPolygon(item.points);
                else
                    painter.drawRect(item.rect);
                painter.setBrush(Qt::NoBrush);
                break;
            case ReportItem::Kind::Image: painter.drawImage(item.rect, item.image); break;
            }
        }
        painter.setPen(Qt::black);
        painter.setFont(layout.font(ReportFont::Small));
        const QRectF foot(layout.mm(kLeft), layout.mm(h - 12), layout.mm(w - kLeft - kRight), layout.mm(6));
        painter.drawText(foot, Qt::AlignHCenter | Qt::AlignTop, QStringLiteral("стр. %1 из %2").arg(n + 1).arg(count));
        painter.restore();
    }
    if (!painter.end()) throw Error("Не удалось завершить документ.");
}

} // namespace talvena
