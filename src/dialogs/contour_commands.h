#pragma once
// The contour page's buttons up to the chart: what "Импорт" does before the chart is drawn.
// The page draws what these return with TContourChart::ShowContours.
#include "model/contour_editing.h"

#include <optional>

class QWidget;

namespace talvena {

class TDataModule2;

// Shows a fresh TImportForm modally; when it is confirmed, imports its text into the current
// horizon (ImportContour) and returns the chart refresh's data. Nothing when the dialog was
// closed without "Начать импорт", when the text gave no point (kNoPointsInText is shown and the
// contour stays), or when there is no productive horizon to import into (a warning says so and no
// dialog opens). A failing import throws the converter's message with the line's number.
extern const char* const kNoPointsInText;
std::optional<ContourChartData> RunContourImport(QWidget* parent, TDataModule2& module, const PointGridHooks& grid = {});

} // namespace talvena
