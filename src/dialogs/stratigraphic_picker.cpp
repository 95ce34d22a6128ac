#include "dialogs/stratigraphic_picker.h"

#include "dialogs/dictionary_list.h"
#include "dialogs/picker_buttons.h"
#include "dialogs/window_placement.h"
#include "table/number_text.h"
#include "table/record_table.h"

#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace talvena {

namespace {

constexpr int kWidth = 293;
constexpr int kHeight = 420;

QLabel* heading(const char* text, const char* objectName, QWidget* parent)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(objectName);
    label->setAlignment(Qt::AlignCenter);
    QFont f = label->font();
    f.setBold(true);
    label->setFont(f);
    return label;
}

int currentId(RecordTable& table)
{
    return table.active() && !table.isEmpty() ? static_cast<int>(table.fieldByName("ID").asInteger()) : 0;
}

// Follows the highlight of a list with the table's current record (mouse or keyboard).
void followHighlight(DictionaryListView* view)
{
    QObject::connect(view->selectionModel(), &QItemSelectionModel::currentRowChanged, view,
                     [view](const QModelIndex& current) {
                         RecordTable& table = view->list().table();
                         if (current.isValid() && table.active()) table.moveTo(current.row());
                     });
}

} // namespace

TSelecStratigrForm::TSelecStratigrForm(RecordTable& dict16, RecordTable& dict19, QWidget* parent)
    : QDialog(parent), dict16_(dict16), dict19_(dict19)
{
    setObjectName("SelecStratigrForm");
    setWindowTitle("Выбор стратиграфического индекса");
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);

    systems_ = new DictionaryListView(dict19_, this);
    systems_->setObjectName("systemList");
    indexes_ = new DictionaryListView(dict16_, this);
    indexes_->setObjectName("indexList");
    followHighlight(systems_);
    followHighlight(indexes_);
    // The index list follows the current system however it became current (a click, the keys), so
    // "Выбрать" never stores an index of a system the user no longer sees.
    connect(systems_->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid() && !presetting_) showIndexesOfCurrentSystem();
            });
    // A double click on an index chooses it.
    connect(indexes_, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex& index) {
        if (index.isValid()) accept();
    });

    const PickerButtons buttons = MakePickerButtons(this, "Выбрать", "selectButton", true);
    selectButton_ = buttons.confirm;
    cancelButton_ = buttons.cancel;
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading("Выбор системы", "systemHeading", this));
    layout->addWidget(systems_, 1);
    layout->addWidget(heading("Выбор индекса", "indexHeading", this));
    layout->addWidget(indexes_, 2);
    layout->addLayout(buttons.row);

    resize(kWidth, kHeight);
    FixAndCentreOnScreen(this);
}

TSelecStratigrForm::~TSelecStratigrForm() { removeIndexFilter(); }

void TSelecStratigrForm::removeIndexFilter() noexcept
{
    try {
        if (!dict16_.active()) return;
        dict16_.setFiltered(false);
        dict16_.setFilterText({});
    } catch (...) {
        // Switching a filter off on a dictionary in browse state does not fail; nothing to undo.
    }
}

void TSelecStratigrForm::showIndexesOfCurrentSystem()
{
    dict16_.setFilterText("PARENT_ID=" + FormatInteger(currentId(dict19_)));
    dict16_.setFiltered(true);
    indexes_->reload();
}

void TSelecStratigrForm::PresetIndex(int id)
{
    dict16_.setFiltered(false);
    dict16_.locate("ID", Value::integer(id));
    const int64_t system = dict16_.isEmpty() ? 0 : dict16_.fieldByName("PARENT_ID").asInteger();
    dict19_.locate("ID", Value::integer(system));
    presetting_ = true; // the index list is narrowed once, below
    systems_->showTableCurrent();
    presetting_ = false;
    showIndexesOfCurrentSystem();
    dict16_.locate("ID", Value::integer(id));
    indexes_->showTableCurrent();
}

int TSelecStratigrForm::chosenIndex() const { return closed_ ? confirmed_ : currentId(dict16_); }

void TSelecStratigrForm::done(int result)
{
    if (!closed_) {
        confirmed_ = currentId(dict16_);
        closed_ = true;
        removeIndexFilter();
    }
    QDialog::done(result);
}

} // namespace talvena
