#include "app/passport_check_command.h"

#include "app/grid_pages.h"
#include "app/main_window.h"
#include "dialogs/passport_check_form.h"
#include "gui/field_binders.h"
#include "gui/record_grid_view.h"
#include "gui/user_interaction.h"
#include "model/data_module.h"
#include "model/grid_decl.h"

#include <QCoreApplication>
#include <QTabWidget>

namespace talvena {

namespace {

bool sameName(const QByteArray& a, const char* b) { return a.compare(b, Qt::CaseInsensitive) == 0; }

// The declared column of a grid that shows the field, or its lookup ("_UV_ID" for UV_ID); -1 none.
int columnOf(const GridDecl& grid, const QByteArray& field)
{
    for (size_t i = 0; i < grid.columns.size(); ++i)
        if (sameName(field, grid.columns[i].field) || sameName('_' + field, grid.columns[i].field)) return int(i);
    return -1;
}

// The inner page that holds a control; -1 when none does.
int pageOf(const TMainForm& window, const QWidget* control)
{
    for (int i = 0; i < window.PageControl2()->count(); ++i)
        if (window.innerPage(i)->isAncestorOf(control)) return i;
    return -1;
}

} // namespace

PassportCheckCommand::PassportCheckCommand(TMainForm& window) : QObject(&window), window_(window) {}

std::vector<PassportFinding> PassportCheckCommand::check()
{
    window_.dataModule().CommitPendingEdits();
    return CheckPassport(window_.dataModule());
}

void PassportCheckCommand::show(std::vector<PassportFinding> findings)
{
    if (!form_) {
        form_ = new TCheckForm(&window_);
        form_->setAttribute(Qt::WA_DeleteOnClose);
        form_->onGoTo = [this](const PassportFinding& f) { goTo(f); };
        form_->onRecheck = [this] { form_->showFindings(check()); };
    }
    form_->showFindings(std::move(findings));
    form_->show();
    form_->raise();
    form_->activateWindow();
}

void PassportCheckCommand::run() { show(check()); }

bool PassportCheckCommand::offerBefore(const QString& what)
{
    std::vector<PassportFinding> findings = check();
    if (findings.empty()) return true;
    const QString question = QStringLiteral("Проверка паспорта нашла замечания (%1). Посмотреть их перед %2?")
                                 .arg(findings.size())
                                 .arg(what);
    switch (window_.interaction().askYesNoCancel(BoxCaption::Confirmation, question)) {
    case BoxAnswer::No: return true;
    case BoxAnswer::Yes: show(std::move(findings)); return false;
    default: return false;
    }
}

void PassportCheckCommand::goTo(const PassportFinding& f)
{
    TDataModule2& dm = window_.dataModule();
    dm.CommitPendingEdits();
    auto selectPage = [this](int page) {
        window_.PageControl1()->setCurrentIndex(0);
        window_.PageControl2()->setCurrentIndex(page);
        QCoreApplication::processEvents(); // the page's entry rules, which may send the user elsewhere
        return window_.PageControl2()->currentIndex() == page;
    };

    if (f.table == "PASPORTS") {
        for (const QWidget* w : window_.findChildren<QWidget*>()) {
            const FieldBinder* b = window_.binder(w->objectName());
            if (!b || &b->table() != &dm.PASPORTS || !sameName(b->fieldName(), f.field) || !b->control()) continue;
            if (!selectPage(pageOf(window_, b->control()))) return;
            window_.activateWindow();
            b->control()->setFocus(Qt::OtherFocusReason);
            return;
        }
        return;
    }

    // The horizon, and for a point the point too.
    int32_t horizonId = f.recordId;
    if (f.table == "KONTUR") {
        const RecordTable& points = dm.KONTUR;
        const Field& id = points.fieldByName("ID");
        for (int i = 0; i < points.storedCount(); ++i)
            if (points.rowInteger(points.storedRow(i), id) == f.recordId)
                horizonId = points.rowInteger(points.storedRow(i), points.fieldByName("HEAD_ID"));
    }
    for (const GridDecl& g : Grids()) {
        const bool pointGrid = f.table == "KONTUR";
        if (!sameName(f.table, g.table)) continue;
        const int column = columnOf(g, f.field);
        if (column < 0) continue;
        RecordGridView* grid = window_.gridPages().grid(QString::fromLatin1(g.objectName));
        if (!grid || !selectPage(g.page)) return;
        if (!dm.POSIB_PRODUCT_HOR.locate("ID", Value::integer(horizonId))) return;
        if (pointGrid && !dm.KONTUR.locate("ID", Value::integer(f.recordId))) return;
        QCoreApplication::processEvents();
        window_.activateWindow();
        grid->setFocus(Qt::OtherFocusReason);
        grid->setCurrentIndex(grid->model()->index(grid->table().currentViewPosition(), column));
        grid->scrollTo(grid->currentIndex());
        return;
    }
}

} // namespace talvena
