#include "app/page_builder.h"

#include "gui/field_binders.h"
#include "gui/number_spinner.h"
#include "gui/picker_box.h"
#include "gui/wheel_policy.h"
#include "model/data_module.h"
#include "model/resources.h"
#include "model/table_schemas.h"

#include <QComboBox>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QScrollArea>
#include <QVBoxLayout>
#include <QSet>
#include <map>
#include <memory>

namespace talvena {

namespace {

QString text(const char* utf8) { return QString::fromUtf8(utf8); }

// The row of the control's field, which owns its caption, hint, dictionary and number limit.
const FieldDecl* fieldRow(const ControlDecl& c)
{
    return c.field[0] ? FindFieldDecl(PasportsSchema(), c.field) : nullptr;
}
const char* captionOf(const ControlDecl& c)
{
    if (c.caption) return c.caption;
    if (c.kind == ControlKind::ValueLabel) return GeologyLabelCaption(c.objectName);
    const FieldDecl* row = fieldRow(c);
    return row ? row->caption : "";
}
// What an undo step of the control is called: its field's caption, else what the control shows.
QString actionNameOf(const ControlDecl& c)
{
    const FieldDecl* row = fieldRow(c);
    if (row && row->caption && row->caption[0]) return text(row->caption);
    if (c.caption && c.caption[0]) return text(c.caption);
    return text(c.objectName);
}
QString hintOf(const ControlDecl& c)
{
    if (c.hint) return text(c.hint);
    const FieldDecl* row = fieldRow(c);
    return row && row->hint ? text(row->hint) : text(captionOf(c));
}

// Widths that keep the columns tidy: numbers are short, names long.
constexpr int kSpinnerWidth = 95;
constexpr int kComboMinWidth = 320;      // on a page of its own
constexpr int kGroupComboMinWidth = 170; // in a group box, which shares the page with another column
constexpr int kPickerWidth = 170;
constexpr int kValueLabelMinWidth = 240;
constexpr int kGroupCaptionWidth = 205;  // captions in group boxes wrap beyond this

// One container (the page or a group box) laid out as rows: a caption column and a row of controls.
class RowLayout {
public:
    explicit RowLayout(QWidget* container) : grid_(new QGridLayout(container))
    {
        grid_->setHorizontalSpacing(10);
        grid_->setVerticalSpacing(6);
        grid_->setColumnStretch(1, 1);
    }

    QHBoxLayout* newRow(QLabel* caption)
    {
        auto* row = new QHBoxLayout;
        row->setSpacing(6);
        if (caption) grid_->addWidget(caption, rows_, 0, Qt::AlignLeft | Qt::AlignVCenter);
        grid_->addLayout(row, rows_, 1);
        ++rows_;
        current_ = row;
        return row;
    }
    QHBoxLayout* currentRow() { return current_ ? current_ : newRow(nullptr); }
    // A row without a control that takes the spare width gets a stretch at its end.
    void addControl(QWidget* control, bool expanding)
    {
        current_->addWidget(control, expanding ? 1 : 0);
        if (expanding) expanding_.insert(current_);
    }
    void finish()
    {
        for (int r = 0; r < grid_->rowCount(); ++r)
            if (auto* item = grid_->itemAtPosition(r, 1); item && item->layout()) {
                auto* row = static_cast<QHBoxLayout*>(item->layout());
                if (!expanding_.contains(row)) row->addStretch(1);
            }
        grid_->setRowStretch(rows_, 1);
    }
    QGridLayout* grid() const { return grid_; }

private:
    QGridLayout* grid_;
    int rows_ = 0;
    QHBoxLayout* current_ = nullptr;
    QSet<QHBoxLayout*> expanding_;
};

bool expands(ControlKind kind) { return kind == ControlKind::TextEdit || kind == ControlKind::ValueLabel; }

} // namespace

PageBuilder::PageBuilder(TDataModule2& dataModule, std::function<void(PageHandler)> run)
    : dataModule_(dataModule), run_(std::move(run))
{
}

QWidget* PageBuilder::makeControl(const ControlDecl& c, QWidget* parent, PageWidgets& out)
{
    RecordTable& table = dataModule_.PASPORTS;
    const PageHandler change = c.change;
    auto runChange = [run = run_, change] {
        if (change != PageHandler::None) run(change);
    };
    QWidget* w = nullptr;
    FieldBinder* binder = nullptr;
    switch (c.kind) {
    case ControlKind::TextEdit: {
        auto* edit = new QLineEdit(parent);
        binder = new TextEditBinder(table, c.field, edit);
        w = edit;
        break;
    }
    case ControlKind::Spinner: {
        auto* spinner = new NumberSpinner(parent);
        spinner->setDecimals(c.decimals);
        if (const FieldDecl* row = fieldRow(c)) spinner->setUpperLimit(row->upperLimit);
        spinner->setFixedWidth(kSpinnerWidth);
        binder = new SpinnerBinder(table, c.field, spinner);
        w = spinner;
        break;
    }
    case ControlKind::DictionaryCombo: {
        auto* combo = new QComboBox(parent);
        combo->setMinimumWidth(c.group ? kGroupComboMinWidth : kComboMinWidth);
        combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        combo->setMaxVisibleItems(20);
        const FieldDecl* row = fieldRow(c);
        RecordTable* dictionary = dataModule_.dict(row ? row->dictionary : 0);
        binder = new DictionaryComboBinder(table, c.field, combo, *dictionary);
        w = combo;
        break;
    }
    case ControlKind::PickerBox: {
        auto* box = new PickerBox(parent);
        box->setFixedWidth(kPickerWidth);
        auto* picker = new PickerBoxBinder(table, c.field, box, box->textBox(), box->button());
        const PageHandler button = c.button;
        picker->onButton = [run = run_, button] { run(button); };
        binder = picker;
        w = box;
        break;
    }
    case ControlKind::ValueLabel: {
        auto* label = new QLabel(parent);
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
        label->setMinimumWidth(kValueLabelMinWidth);
        label->setWordWrap(true);
        label->setFrameShape(QFrame::StyledPanel);
        label->setFrameShadow(QFrame::Sunken);
        label->setMinimumHeight(22);
        w = label;
        break;
    }
    case ControlKind::Notice: {
        auto* label = new QLabel(text(captionOf(c)), parent);
        QFont bold = label->font();
        bold.setBold(true);
        label->setFont(bold);
        label->setAlignment(Qt::AlignCenter);
        label->setAutoFillBackground(true);
        QPalette p = label->palette();
        p.setColor(QPalette::Window, Qt::white);
        label->setPalette(p);
        label->setFrameShape(QFrame::StyledPanel);
        label->setMinimumHeight(41);
        w = label;
        break;
    }
    }
    w->setObjectName(text(c.objectName));
    if (c.kind == ControlKind::Spinner || c.kind == ControlKind::DictionaryCombo || c.kind == ControlKind::PickerBox)
        takeWheelOnlyWithFocus(w);
    const QString hint = hintOf(c);
    if (c.kind != ControlKind::Notice && !hint.isEmpty()) w->setToolTip(hint);
    if (c.startsDisabled) w->setEnabled(false);
    if (binder) {
        binder->onChange = runChange;
        binder->actionName = actionNameOf(c);
        out.binders.insert(w->objectName(), binder);
    }
    out.widgets.insert(w->objectName(), w);
    return w;
}

void PageBuilder::build(QWidget* page, const FormPageDecl& decl, PageWidgets& out)
{
    // The page scrolls when the window is made smaller than its controls need.
    auto* pageLayout = new QVBoxLayout(page);
    pageLayout->setContentsMargins(0, 0, 0, 0);
    auto* scroll = new QScrollArea(page);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    pageLayout->addWidget(scroll);
    auto* body = new QWidget;
    body->setObjectName(page->objectName() + QStringLiteral("Body"));
    scroll->setWidget(body);
    auto* bodyLayout = new QVBoxLayout(body);
    bodyLayout->setContentsMargins(12, 12, 12, 12);
    bodyLayout->setSpacing(10);

    // Notices run across the top of the page.
    for (const ControlDecl& c : decl.controls)
        if (c.kind == ControlKind::Notice) bodyLayout->addWidget(makeControl(c, body, out));

    // Rows placed on the page itself.
    auto* pageRows = new QWidget(body);
    RowLayout rows(pageRows);
    rows.grid()->setContentsMargins(0, 0, 0, 0);
    bool anyPageRow = false;

    // Group boxes, in two columns when the page has a right column.
    std::map<int, RowLayout*> groupRows;
    std::vector<std::unique_ptr<RowLayout>> ownedGroupRows;
    auto* columns = new QHBoxLayout;
    columns->setSpacing(12);
    QVBoxLayout* column[2] = {new QVBoxLayout, new QVBoxLayout};
    bool hasRightColumn = false;
    for (const GroupDecl& g : decl.groups) {
        auto* box = new QGroupBox(text(g.caption), body);
        box->setObjectName(text(g.objectName));
        column[g.column]->addWidget(box);
        hasRightColumn = hasRightColumn || g.column == 1;
        ownedGroupRows.push_back(std::make_unique<RowLayout>(box));
        groupRows[g.number] = ownedGroupRows.back().get();
        out.widgets.insert(box->objectName(), box);
    }

    for (const ControlDecl& c : decl.controls) {
        if (c.kind == ControlKind::Notice) continue;
        RowLayout* target = c.group ? groupRows.at(c.group) : &rows;
        anyPageRow = anyPageRow || !c.group;
        QWidget* parent = c.group ? static_cast<QWidget*>(target->grid()->parentWidget()) : pageRows;
        QLabel* caption = nullptr;
        if (const char* shown = captionOf(c); shown[0]) {
            caption = new QLabel(text(shown), parent);
            if (c.group && !c.beside && c.kind != ControlKind::ValueLabel) {
                caption->setWordWrap(true);
                caption->setFixedWidth(kGroupCaptionWidth);
            }
            if (c.captionName[0]) {
                caption->setObjectName(text(c.captionName));
                out.widgets.insert(caption->objectName(), caption);
            }
        }
        QHBoxLayout* row = nullptr;
        if (c.beside) {
            row = target->currentRow();
            if (caption) row->addWidget(caption);
        } else if (c.rowCaption[0]) {
            row = target->newRow(new QLabel(text(c.rowCaption), parent));
            if (caption) row->addWidget(caption);
        } else {
            row = target->newRow(caption);
        }
        QWidget* control = makeControl(c, parent, out);
        if (caption) caption->setBuddy(control);
        target->addControl(control, expands(c.kind));
    }

    rows.finish();
    for (auto& g : ownedGroupRows) g->finish();
    if (anyPageRow) bodyLayout->addWidget(pageRows);
    else delete pageRows;
    if (!decl.groups.empty()) {
        column[0]->addStretch(1);
        column[1]->addStretch(1);
        columns->addLayout(column[0], 1);
        if (hasRightColumn) columns->addLayout(column[1], 1);
        else delete column[1];
        bodyLayout->addLayout(columns);
    } else {
        delete column[0];
        delete column[1];
        delete columns;
    }
    bodyLayout->addStretch(1);
}

} // namespace talvena
