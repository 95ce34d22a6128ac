#include "dialogs/contour_commands.h"

#include "dialogs/contour_import_form.h"
#include "gui/user_interaction.h"

namespace talvena {

std::optional<ContourChartData> RunContourImport(QWidget* parent, TDataModule2& module, const PointGridHooks& grid)
{
    if (!HasCurrentProductHorizon(module)) {
        userInteraction().showWarning(QString::fromUtf8(kNoCurrentHorizonMessage));
        return std::nullopt;
    }
    TImportForm form(parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    // The form lives until the import has ended, failed or not.
    return ImportContour(module, form.importText(), form.settings(), grid);
}

} // namespace talvena
