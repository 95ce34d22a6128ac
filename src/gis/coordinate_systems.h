#pragma once
// The coordinate systems behind a horizon's coordinate type, and the operations between any two
// coordinate systems. PROJ performs every conversion.
//
// - types 1 and 2: geographic (X longitude, Y latitude, degrees) on the chosen datum;
// - type 4: Gauss-Krüger on that datum, X the easting with the zone number in its millions
//   (zone 13: 13 500 000 on the central meridian), Y the northing;
// - types 0 and 3: no system of their own; the user names one (or none).
// Pulkovo 1942 ↔ WGS 84 always goes through EPSG:5044 (GOST R 51794-2008), whatever PROJ would
// choose on its own.
#include <QByteArray>
#include <QPointF>
#include <QString>

#include <memory>
#include <optional>
#include <span>
#include <vector>

namespace talvena::gis {

enum class Datum { Pulkovo1942, Gsk2011, Wgs84 };

// "pulkovo1942", "gsk2011", "wgs84"; nothing for another text.
std::optional<Datum> ParseDatum(const QByteArray& text);
QString DatumTitle(Datum datum); // "Пулково 1942" …
int GeographicEpsg(Datum datum); // 4284, 7683, 4326

// Gauss-Krüger zones 4 to 32 of Pulkovo 1942 (EPSG:28404–28432) and GSK-2011 (EPSG:20904–20932).
// Throws for WGS 84 (it has no Gauss-Krüger zones) and for a zone outside 4–32.
int GaussKrugerEpsg(Datum datum, int zone);
// The zone in the millions of an easting (7 for 7 456 000); 0 when the easting has none.
int ZoneOfEasting(double easting);
// The six-degree zone a longitude lies in (13 for 76.5°).
int ZoneOfLongitude(double longitude);

// A coordinate system as PROJ reads it ("EPSG:28413", WKT, PROJJSON); empty means "без системы
// координат": the numbers are taken as they are.
struct Crs {
    QByteArray definition;
    bool none() const { return definition.isEmpty(); }
    static Crs epsg(int code) { return {"EPSG:" + QByteArray::number(code)}; }
};

// Reads "EPSG:N" (or a bare N) as typed on the command line or in a dialog; throws a Russian
// message for anything else or a code PROJ does not know.
Crs ParseCrsText(const QByteArray& text);
// A short title of a coordinate system for lists and messages ("Pulkovo 1942 / Gauss-Kruger zone 13").
QString CrsTitle(const Crs& crs);
// Whether the system is geographic (degrees) rather than projected.
bool IsGeographic(const Crs& crs);

// Longitude/latitude (east, north) order on both sides, whatever the systems' axis order.
class CoordinateOperation {
public:
    // Throws a Russian message when either system is unknown or PROJ finds no operation.
    CoordinateOperation(const Crs& from, const Crs& to);
    ~CoordinateOperation();
    CoordinateOperation(const CoordinateOperation&) = delete;
    CoordinateOperation& operator=(const CoordinateOperation&) = delete;

    // In place; throws when a point does not convert (outside the system's domain).
    void apply(std::span<QPointF> points) const;
    std::vector<QPointF> applied(std::vector<QPointF> points) const
    {
        apply(points);
        return points;
    }
    // The PROJ description of the steps, for tests and messages.
    QByteArray description() const;

private:
    struct Steps;
    std::unique_ptr<Steps> steps_;
};

// The system of a horizon's coordinates: types 1 and 2 the datum's geographic system, type 4 its
// Gauss-Krüger zone read from `points` (the first point with a zone prefix; `zone` when none has
// one, 0 meaning not known: then nothing). Types 0 and 3: nothing (the caller asks).
std::optional<Crs> HorizonCrs(int coordType, Datum datum, std::span<const QPointF> points, int zone = 0);

// The geographic system (degrees, same datum) a system is built on.
Crs GeographicOf(const Crs& crs);

// Geodesic area in km² of a closed ring in `crs` (converted to the geographic system of the
// same datum first); nothing for fewer than three points or no system.
std::optional<double> GeodesicAreaKm2(const Crs& crs, std::span<const QPointF> points);

} // namespace talvena::gis
