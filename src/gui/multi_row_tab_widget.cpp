#include "gui/multi_row_tab_widget.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QShortcut>
#include <QStyleOptionTab>
#include <QStyleOptionTabWidgetFrame>
#include <QTabBar>
#include <QToolTip>

namespace talvena {

// The rows of tabs, drawn with the style's own tab shapes.
class TabRowsStrip : public QWidget {
public:
    explicit TabRowsStrip(MultiRowTabWidget* tabs) : QWidget(tabs), tabs_(tabs)
    {
        setObjectName(QStringLiteral("tabRows"));
        setMouseTracking(true);
        setAttribute(Qt::WA_Hover);
        setFocusPolicy(Qt::TabFocus);
    }

    const QVector<QRect>& rects() const { return rects_; }
    void relayout()
    {
        rects_ = tabs_->layoutTabs(width());
        update();
    }
    int indexAt(const QPoint& p) const
    {
        for (int i = 0; i < rects_.size(); ++i)
            if (rects_[i].contains(p)) return i;
        return -1;
    }

protected:
    void resizeEvent(QResizeEvent*) override { relayout(); }

    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        const int current = tabs_->currentIndex();
        for (int i = 0; i < rects_.size(); ++i)
            if (i != current) paintTab(painter, i);
        if (current >= 0 && current < rects_.size()) paintTab(painter, current); // drawn over its neighbours
    }

    void mousePressEvent(QMouseEvent* e) override
    {
        const int index = indexAt(e->position().toPoint());
        if (e->button() != Qt::LeftButton || index < 0 || !tabs_->isTabEnabled(index)) {
            e->ignore();
            return;
        }
        tabs_->setCurrentIndex(index);
    }

    void mouseMoveEvent(QMouseEvent* e) override { setHovered(indexAt(e->position().toPoint())); }
    void leaveEvent(QEvent*) override { setHovered(-1); }

    void keyPressEvent(QKeyEvent* e) override
    {
        const int count = tabs_->count();
        int target = -1;
        switch (e->key()) {
        case Qt::Key_Left: target = tabs_->currentIndex() - 1; break;
        case Qt::Key_Right: target = tabs_->currentIndex() + 1; break;
        case Qt::Key_Home: target = 0; break;
        case Qt::Key_End: target = count - 1; break;
        default: QWidget::keyPressEvent(e); return;
        }
        if (target >= 0 && target < count) tabs_->setCurrentIndex(target);
    }

    bool event(QEvent* e) override
    {
        if (e->type() == QEvent::ToolTip) {
            auto* help = static_cast<QHelpEvent*>(e);
            const int index = indexAt(help->pos());
            const QString tip = index >= 0 ? tabs_->tabToolTip(index) : QString();
            if (tip.isEmpty()) QToolTip::hideText();
            else QToolTip::showText(help->globalPos(), tip, this, rects_[index]);
            return true;
        }
        return QWidget::event(e);
    }

private:
    void setHovered(int index)
    {
        if (index == hovered_) return;
        hovered_ = index;
        update();
    }

    void paintTab(QPainter& painter, int i)
    {
        QStyleOptionTab opt;
        opt.initFrom(this);
        opt.shape = QTabBar::RoundedNorth;
        opt.rect = rects_[i];
        opt.text = tabs_->tabText(i);
        opt.row = 0;
        const bool rowStart = i == 0 || rects_[i - 1].top() != rects_[i].top();
        const bool rowEnd = i + 1 == rects_.size() || rects_[i + 1].top() != rects_[i].top();
        opt.position = rowStart && rowEnd ? QStyleOptionTab::OnlyOneTab
                       : rowStart         ? QStyleOptionTab::Beginning
                       : rowEnd           ? QStyleOptionTab::End
                                          : QStyleOptionTab::Middle;
        const int current = tabs_->currentIndex();
        opt.selectedPosition = current == i - 1 ? QStyleOptionTab::PreviousIsSelected
                               : current == i + 1 ? QStyleOptionTab::NextIsSelected
                                                  : QStyleOptionTab::NotAdjacent;
        opt.state &= ~(QStyle::State_HasFocus | QStyle::State_MouseOver | QStyle::State_Selected);
        if (!tabs_->isTabEnabled(i)) opt.state &= ~QStyle::State_Enabled;
        if (i == current) {
            opt.state |= QStyle::State_Selected;
            if (hasFocus()) opt.state |= QStyle::State_HasFocus;
        }
        if (i == hovered_) opt.state |= QStyle::State_MouseOver;
        // Styles draw a current tab reaching down over the pane's edge; only the row next to the
        // pane may, or the current tab of an upper row would hide the tabs below it.
        const bool lastRow = rects_[i].top() == rects_.last().top();
        painter.save();
        painter.setClipRect(opt.rect.adjusted(-2, -2, 2, lastRow ? 2 : 0));
        style()->drawControl(QStyle::CE_TabBarTab, &opt, &painter, this);
        painter.restore();
        if (i == current && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = style()->subElementRect(QStyle::SE_TabBarTabText, &opt, this);
            style()->drawPrimitive(QStyle::PE_FrameFocusRect, &focus, &painter, this);
        }
    }

    MultiRowTabWidget* tabs_;
    QVector<QRect> rects_;
    int hovered_ = -1;
};

MultiRowTabWidget::MultiRowTabWidget(QWidget* parent) : QTabWidget(parent)
{
    tabBar()->hide();
    strip_ = new TabRowsStrip(this);
    connect(this, &QTabWidget::currentChanged, strip_, [this] { strip_->update(); });
    const struct {
        QKeyCombination keys;
        int delta;
    } kSteps[] = {
        {QKeyCombination(Qt::ControlModifier, Qt::Key_Tab), +1},
        {QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_Backtab), -1},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_PageDown), +1},
        {QKeyCombination(Qt::ControlModifier, Qt::Key_PageUp), -1},
    };
    for (const auto& s : kSteps) {
        auto* shortcut = new QShortcut(QKeySequence(s.keys), this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        const int delta = s.delta;
        connect(shortcut, &QShortcut::activated, this, [this, delta] { step(delta); });
    }
}

QWidget* MultiRowTabWidget::strip() const { return strip_; }

QRect MultiRowTabWidget::tabRect(int index) const
{
    return index >= 0 && index < strip_->rects().size() ? strip_->rects()[index] : QRect();
}

int MultiRowTabWidget::rowCount() const
{
    int rows = 0, top = -1;
    for (const QRect& r : strip_->rects())
        if (r.top() != top) {
            ++rows;
            top = r.top();
        }
    return rows;
}

QSize MultiRowTabWidget::tabSize(int index) const
{
    QStyleOptionTab opt;
    opt.initFrom(strip_);
    opt.shape = QTabBar::RoundedNorth;
    opt.text = tabText(index);
    const QFontMetrics metrics(strip_->font());
    const QSize text = metrics.size(Qt::TextShowMnemonic, opt.text);
    const int hspace = style()->pixelMetric(QStyle::PM_TabBarTabHSpace, &opt, strip_);
    const int vspace = style()->pixelMetric(QStyle::PM_TabBarTabVSpace, &opt, strip_);
    return style()->sizeFromContents(QStyle::CT_TabBarTab, &opt,
                                     QSize(text.width() + hspace, std::max(text.height() + vspace, metrics.height())),
                                     strip_);
}

QVector<QRect> MultiRowTabWidget::layoutTabs(int width) const
{
    QVector<QRect> rects;
    int rowHeight = 0;
    for (int i = 0; i < count(); ++i) rowHeight = std::max(rowHeight, tabSize(i).height());
    int x = 0, y = 0;
    for (int i = 0; i < count(); ++i) {
        const int w = std::min(tabSize(i).width(), std::max(width, 1));
        if (x > 0 && x + w > width) {
            x = 0;
            y += rowHeight;
        }
        rects.append(QRect(x, y, w, rowHeight));
        x += w;
    }
    return rects;
}

void MultiRowTabWidget::initStyleOption(QStyleOptionTabWidgetFrame* option) const
{
    QTabWidget::initStyleOption(option);
    // The frame and the pages make room for the rows as they would for a tab bar of that size.
    const QVector<QRect> rects = layoutTabs(width());
    option->tabBarSize = rects.isEmpty() ? QSize() : QSize(width(), rects.last().bottom() + 1);
    // The pane opens under the current tab only when that tab stands on the row next to it.
    const int current = currentIndex();
    option->selectedTabRect = current >= 0 && current < rects.size() && rects[current].top() == rects.last().top()
                                  ? rects[current]
                                  : QRect();
}

void MultiRowTabWidget::placeStrip()
{
    QStyleOptionTabWidgetFrame option;
    initStyleOption(&option);
    strip_->setGeometry(style()->subElementRect(QStyle::SE_TabWidgetTabBar, &option, this));
    strip_->relayout();
    strip_->raise();
}

void MultiRowTabWidget::step(int delta)
{
    if (count() < 2) return;
    for (int i = 1; i < count(); ++i) {
        const int page = ((currentIndex() + delta * i) % count() + count()) % count();
        if (isTabEnabled(page)) {
            setCurrentIndex(page);
            return;
        }
    }
}

void MultiRowTabWidget::tabInserted(int index)
{
    QTabWidget::tabInserted(index);
    placeStrip();
}

void MultiRowTabWidget::tabRemoved(int index)
{
    QTabWidget::tabRemoved(index);
    placeStrip();
}

bool MultiRowTabWidget::event(QEvent* e)
{
    const bool done = QTabWidget::event(e);
    switch (e->type()) {
    case QEvent::LayoutRequest:
    case QEvent::StyleChange:
    case QEvent::FontChange: placeStrip(); break;
    default: break;
    }
    return done;
}

void MultiRowTabWidget::resizeEvent(QResizeEvent* e)
{
    QTabWidget::resizeEvent(e);
    placeStrip();
}

void MultiRowTabWidget::showEvent(QShowEvent* e)
{
    QTabWidget::showEvent(e);
    placeStrip();
}

} // namespace talvena
