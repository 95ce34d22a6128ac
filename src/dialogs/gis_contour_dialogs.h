#pragma once
// The contour page's "Импорт из ГИС…" and the file menu's "Экспорт контуров в ГИС…": the
// dialogs over the GIS layer.
#include "model/contour_editing.h"

#include <optional>

class QWidget;

namespace talvena {

class TDataModule2;

// Asks for a GIS file, lists its layers, features and parts with their attributes, asks for the
// coordinate systems the file or the horizon lack (and the horizon's coordinate type when it has
// none), then puts the chosen contour in place of the current horizon's points. Nothing when
// cancelled; a file that does not read is said in a message and changes nothing.
std::optional<ContourChartData> RunGisContourImport(QWidget* parent, TDataModule2& module, const PointGridHooks& grid = {});

// Asks for the format, the systems and the file, and writes every contour.
void RunGisContourExport(QWidget* parent, TDataModule2& module);

} // namespace talvena
