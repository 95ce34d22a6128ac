#pragma once
// What the catalogue keeps of one loaded passport: the passport row (names and codes of its
// regions, years, preparation method, the Geology totals), its horizons with their resources, one
// contour per horizon in EPSG:4326 with its geodesic area, and its attachments.
#include "catalogue/catalogue_row.h"

#include <QHash>
#include <QStringList>

#include <map>
#include <memory>

namespace talvena {
class TDataModule2;
namespace gis {
class CoordinateOperation;
}
} // namespace talvena

namespace talvena::catalogue {

struct PassportSummary {
    CatalogueRow passport; // without the file's own columns (path, size, time, hash)
    std::vector<CatalogueRow> horizons;
    std::vector<CatalogueRow> contours;
    std::vector<CatalogueRow> attachments;
    QStringList contourProblems; // "<horizon>: <why>" for contours that could not be placed
};

// Keeps the dictionaries' names and the coordinate operations from one passport to the next.
class PassportSummarizer {
public:
    explicit PassportSummarizer(TDataModule2& module);
    ~PassportSummarizer();
    // The passport the module holds now. Contours of coordinate types 1, 2 and 4 are taken as
    // Pulkovo 1942 (as the contour export does by default); types 0 and 3 have no system.
    PassportSummary summarize();

private:
    QString dictionaryName(int dictionary, qint64 id);
    const gis::CoordinateOperation& toWgs84(const QByteArray& crs);

    TDataModule2& module_;
    std::map<int, QHash<qint64, QString>> names_;
    std::map<QByteArray, std::unique_ptr<gis::CoordinateOperation>> operations_;
};

} // namespace talvena::catalogue
