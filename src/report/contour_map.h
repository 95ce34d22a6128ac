#pragma once
// The trap contours of the productive horizons drawn as a map on the report's pages: one map per
// coordinate type, with a labelled coordinate grid, a scale bar and a legend with each contour's
// area. Points are thinned as the window's chart thins them.
#include "model/contour_collection.h"
#include "report/report_layout.h"

#include <QString>

#include <vector>

namespace talvena {

// Each map on a page of its own headed by `title`; `typeName` names a coordinate type for the map's caption.
void AddContourMaps(ReportLayout& layout, const QString& title, const std::vector<HorizonContour>& contours,
                    const std::function<QString(int coordType)>& typeName);

// A round step (1, 2 or 5 times a power of ten) giving about `wanted` steps over `span`.
double NiceStep(double span, int wanted);

} // namespace talvena
