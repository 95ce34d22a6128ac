#include "dialogs/contour_commands.h"

#include "dialogs/contour_import_form.h"
#include "gui/user_interaction.h"

namespace talvena {

const char* const kNoPointsInText = "В выбранных строках текста нет ни одной точки. Контур не изменён.";

std::optional<ContourChartData> RunContourImport(QWidget* parent, TDataModule2& module, const PointGridHooks& grid)
{
    if (!HasCurrentProductHorizon(module)) {
        userInteraction().showWarning(QString::fromUtf8(kNoCurrentHorizonMessage));
        return std::nullopt;
    }
    TImportForm form(parent);
    if (form.exec() != QDialog::Accepted) return std::nullopt;
    // The form lives until the import has ended, failed or not.
    std::optional<ContourChartData> chart = ImportContour(module, form.importText(), form.settings(), grid);
    if (!chart) userInteraction().showInformation(QString::fromUtf8(kNoPointsInText));
    return chart;
}

} // namespace talvena
