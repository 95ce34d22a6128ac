#pragma once
// A chart written out as a picture: SVG when the name ends in ".svg", PNG otherwise, on a white
// ground, written atomically so a failed write keeps an older picture.
#include <QString>

class QChartView;

namespace talvena {

// Throws Error with a Russian message when the picture cannot be made or written.
void SaveChartImage(QChartView& view, const QString& fileName);

} // namespace talvena
