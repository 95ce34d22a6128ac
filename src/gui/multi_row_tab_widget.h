#pragma once
// A page control whose tabs run in as many rows as the width needs, so that every page is one
// click away at any window width (QTabBar has one row and scroll arrows). It is a QTabWidget: pages
// are added, found and made current through the usual QTabWidget calls, and currentChanged reports
// every change. Only the tabs are drawn by a strip of its own in place of the hidden QTabBar.
//
// Keys: Ctrl+Tab / Ctrl+PgDown next page, Ctrl+Shift+Tab / Ctrl+PgUp previous page (anywhere in the
// control), and Left, Right, Home, End on the focused strip.
#include <QTabWidget>
#include <QVector>

namespace talvena {

class TabRowsStrip;

class MultiRowTabWidget : public QTabWidget {
public:
    explicit MultiRowTabWidget(QWidget* parent = nullptr);

    // Where the tab of a page is drawn, in the strip's coordinates.
    QRect tabRect(int index) const;
    int rowCount() const;
    QWidget* strip() const;

    // The tab rectangles for a strip of this width, row by row from the top.
    QVector<QRect> layoutTabs(int width) const;

protected:
    void initStyleOption(QStyleOptionTabWidgetFrame* option) const override;
    void tabInserted(int index) override;
    void tabRemoved(int index) override;
    bool event(QEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;
    void showEvent(QShowEvent* e) override;

private:
    void placeStrip();
    void step(int delta);
    QSize tabSize(int index) const;

    TabRowsStrip* strip_;
};

} // namespace talvena
