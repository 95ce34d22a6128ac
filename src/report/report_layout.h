#pragma once
// Lays a document out on A4 pages as a list of drawing items per page, then paints the pages on
// any paged device (a PDF writer, a printer, the print preview). Laying out first gives the page
// count that the foot of every page names ("стр. N из M"). Lengths are in device units; the
// layout is made for the device it is painted on.
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPen>
#include <QPolygonF>
#include <QRectF>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QPagedPaintDevice;
class QPainter;

namespace talvena {

enum class ReportFont { Body, Bold, Small, SmallBold, Heading, Title, Subtitle };

struct ReportItem {
    enum class Kind { Text, Line, Polyline, Polygon, Rect, Image };
    Kind kind = Kind::Text;
    QRectF rect;         // Text, Rect, Image; Line: from topLeft to bottomRight
    QString text;
    int flags = 0;       // Qt alignment and word-wrap flags of a text
    ReportFont font = ReportFont::Body;
    QPolygonF points;    // Polyline, Polygon
    QPen pen;
    QBrush brush = Qt::NoBrush;
    QImage image;
};

struct ReportPage {
    bool landscape = false;
    std::vector<ReportItem> items;
};

// A row of a caption-and-value table; a section row spans both columns.
struct ReportPair {
    QString caption;
    QString value;
    bool section = false;
};

class ReportLayout {
public:
    explicit ReportLayout(const QPagedPaintDevice& device);

    double mm(double millimetres) const { return millimetres * dpi_ / 25.4; }
    QFont font(ReportFont f) const;
    double lineHeight(ReportFont f) const;
    // Height of a text wrapped into the width.
    double textHeight(ReportFont f, double width, const QString& text) const;
    double textWidth(ReportFont f, const QString& text) const;

    // The content area of the current page.
    QRectF area() const;
    double y() const { return y_; }
    double spaceLeft() const { return area().bottom() - y_; }
    void newPage(bool landscape);
    bool landscape() const { return pages_.empty() ? false : pages_.back().landscape; }
    // A new page of the same orientation when less than `height` is left on this one.
    void ensureSpace(double height);
    void skip(double height) { y_ += height; }

    // Adds an item to the current page.
    void add(ReportItem item);
    // A straight line from a to b.
    void line(QPointF a, QPointF b, const QPen& pen);
    void text(const QRectF& rect, const QString& text, ReportFont f, int flags);

    // A heading kept with at least a few lines of what follows.
    void heading(const QString& text);
    // A paragraph across the content width.
    void paragraph(const QString& text, ReportFont f = ReportFont::Body);
    // Caption and value in two columns; rows break between pages, never inside, and each further
    // page begins with `continued` when it is given.
    void pairs(const std::vector<ReportPair>& rows, const QString& continued = {});
    // A table with a title row: as many columns as fit the width go onto a page (the first column
    // repeated on each part); the title row repeats on every page. `landscapeWhenWide` moves a
    // table that does not fit a portrait page onto landscape pages.
    void table(const QStringList& titles, const std::vector<QStringList>& rows, bool landscapeWhenWide);
    // Whether the table is wider than a portrait page.
    bool needsLandscape(const QStringList& titles, const std::vector<QStringList>& rows) const;
    // A picture scaled to fit the width and at most `maxHeightShare` of the page height, with a caption.
    void figure(const QImage& image, const QString& caption, double maxHeightShare = 0.6);

    const std::vector<ReportPage>& pages() const { return pages_; }

private:
    std::vector<double> naturalWidths(const QStringList& titles, const std::vector<QStringList>& rows) const;
    void tablePart(const QStringList& titles, const std::vector<QStringList>& rows, const std::vector<int>& columns,
                   const std::vector<double>& widths);
    double rowHeight(const QStringList& cells, const std::vector<int>& columns, const std::vector<double>& widths,
                     ReportFont f) const;
    void drawRow(const QStringList& cells, const std::vector<int>& columns, const std::vector<double>& widths,
                 ReportFont f, double height, bool shaded);

    double dpi_;
    const QPagedPaintDevice& device_;
    std::vector<ReportPage> pages_;
    double y_ = 0;
};

// Paints the laid-out pages with a running header (`header`, on every page but the first) and
// "стр. N из M" at the foot. The device's page size and orientation follow each page; the device
// has no margins of its own (the layout keeps them). With `turnLandscapePages` every sheet stays
// portrait and a landscape page is drawn turned on it, its top at the sheet's left edge: for
// printers and the print preview, which keep one orientation for a whole job.
void PaintReport(const std::vector<ReportPage>& pages, QPagedPaintDevice& device, const QString& header,
                 const ReportLayout& layout, bool turnLandscapePages = false);

} // namespace talvena
