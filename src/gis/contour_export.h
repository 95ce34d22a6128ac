#pragma once
// Every productive horizon's trap contour written into a GIS file by GDAL, in one coordinate
// system that the file records: one polygon feature per horizon with three points or more (a
// horizon with fewer is not written), with the attributes name, horizonId, coordinateType,
// areaKm2 (geodesic), points, objectName and the horizon's deterministic resources (oilRes,
// dissGasRes, gasRes, condRes).
#include "gis/coordinate_systems.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <span>

namespace talvena {
class TDataModule2;
}

namespace talvena::gis {

struct ExportFormat {
    const char* driver;    // GDAL's name, as given on the command line
    const char* extension; // of the file written
    const char* title;     // for the file dialog
    bool wgs84Only;        // the format's standard knows only WGS 84 longitude/latitude
};
// GPKG, ESRI Shapefile, MapInfo File, KML, GeoJSON, DXF.
std::span<const ExportFormat> ExportFormats();
const ExportFormat* FindExportFormat(const QByteArray& driver);

struct ExportSettings {
    QByteArray format = "GeoJSON";
    // The file's system; nothing: WGS 84 for GeoJSON and KML, otherwise the datum's geographic one.
    std::optional<Crs> crs;
    Datum datum = Datum::Pulkovo1942; // of coordinate types 1, 2 and 4
    std::optional<Crs> otherTypesCrs; // of coordinate types 0 and 3; nothing: those are not written
    int zone = 0;                     // Gauss-Krüger eastings without a zone prefix lie in this zone
};

struct ExportResult {
    int written = 0;
    QStringList notWritten; // "<horizon>: <why>", for horizons of three points or more left out
    Crs crs;                // the system of the file
    QString path;           // the file written: the path given, with the format's extension added when missing
    QByteArray standardOutput; // the GeoJSON document when the path was "/vsistdout/"
};

// `path` "/vsistdout/" gives the GeoJSON document in `standardOutput` for the caller to print. Any other path is written beside
// itself first and moved into place when complete, so a failed export leaves an older file as
// it was. Throws a Russian message when the format, the system or the file fails.
ExportResult ExportContours(TDataModule2& module, const QString& path, const ExportSettings& settings);

} // namespace talvena::gis
