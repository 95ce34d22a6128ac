#include "model/contour_area.h"
#include "model_fixture.h"

#include <GeographicLib/Geodesic.hpp>
#include <GeographicLib/PolygonArea.hpp>

#include <cmath>
#include <numbers>

namespace talvena::test {
namespace {

// GeographicLib's own figure: every edge a geodesic, in km².
double geographicLibKm2(const std::vector<QPointF>& lonLat)
{
    GeographicLib::PolygonArea polygon(GeographicLib::Geodesic::WGS84());
    for (const QPointF& p : lonLat) polygon.AddPoint(p.y(), p.x());
    double perimeter, area;
    polygon.Compute(false, true, perimeter, area);
    return std::abs(area) / 1e6;
}

std::vector<QPointF> square(double lon, double lat, double side)
{
    return {{lon, lat}, {lon + side, lat}, {lon + side, lat + side}, {lon, lat + side}};
}

// An ellipse of n points; dense enough that every edge is short.
std::vector<QPointF> ellipse(double lon, double lat, double rLon, double rLat, int n)
{
    std::vector<QPointF> out;
    for (int i = 0; i < n; ++i) {
        const double a = 2 * std::numbers::pi * i / n;
        out.emplace_back(lon + rLon * std::cos(a), lat + rLat * std::sin(a));
    }
    return out;
}

TEST(ContourArea, GeographicContoursMatchGeographicLib)
{
    for (int type : {1, 2}) {
        // The 1° squares: about 12,309 km² at the equator, about half of it from 60° N.
        const auto equator = square(0, 0, 1);
        const auto north = square(30, 60, 1);
        EXPECT_NEAR(*ContourAreaKm2(type, equator), geographicLibKm2(equator), 1e-9);
        EXPECT_NEAR(*ContourAreaKm2(type, equator), 12308.778, 1e-3);
        EXPECT_NEAR(*ContourAreaKm2(type, north), geographicLibKm2(north), 1e-9);
        EXPECT_NEAR(*ContourAreaKm2(type, north), 6122.943, 1e-3);
    }
    // Either direction round, and a last point repeating the first, give the same area.
    auto ring = square(76, 58, 0.5);
    const double expected = geographicLibKm2(ring);
    std::vector<QPointF> reversed(ring.rbegin(), ring.rend());
    EXPECT_NEAR(*ContourAreaKm2(2, reversed), expected, 1e-9);
    ring.push_back(ring.front());
    EXPECT_NEAR(*ContourAreaKm2(2, ring), expected, 1e-9);

    // Dense contours (short edges), one across the antimeridian, and one with a long edge too.
    for (const auto& dense : {ellipse(76.5, 58.5, 0.2, 0.1, 20000), ellipse(180, -40, 0.05, 0.03, 5000),
                              ellipse(10, 80, 0.01, 0.004, 3000)}) {
        const double reference = geographicLibKm2(dense);
        EXPECT_NEAR(*ContourAreaKm2(1, dense), reference, reference * 1e-9);
    }
    auto halfMoon = ellipse(40, 45, 0.3, 0.3, 8000);
    halfMoon.resize(4000); // closed by one long straight edge
    EXPECT_NEAR(*ContourAreaKm2(2, halfMoon), geographicLibKm2(halfMoon), geographicLibKm2(halfMoon) * 1e-9);

    // Round a pole.
    std::vector<QPointF> cap;
    for (int lon = 0; lon < 360; lon += 10) cap.emplace_back(lon, 85);
    EXPECT_NEAR(*ContourAreaKm2(2, cap), geographicLibKm2(cap), 1e-6);
}

TEST(ContourArea, ProjectedContoursArePlaneAreasOfMetres)
{
    // 10 km × 10 km far from the origin, as Gauss-Krüger coordinates are.
    const auto block = square(7'456'000, 6'432'000, 10'000);
    EXPECT_DOUBLE_EQ(*ContourAreaKm2(4, block), 100);
    EXPECT_DOUBLE_EQ(*ContourAreaKm2(3, block), 100);
    const std::vector<QPointF> triangle{{0, 0}, {4000, 0}, {0, 3000}};
    EXPECT_DOUBLE_EQ(*ContourAreaKm2(4, triangle), 6);
}

TEST(ContourArea, NoAreaWithoutATypeOrAnOutline)
{
    const auto block = square(0, 0, 1);
    EXPECT_FALSE(ContourAreaKm2(0, block));
    EXPECT_FALSE(ContourAreaKm2(5, block));
    EXPECT_FALSE(ContourAreaKm2(-1, block));
    EXPECT_FALSE(ContourAreaKm2(2, std::vector<QPointF>{{0, 0}, {1, 1}}));
    EXPECT_FALSE(ContourAreaKm2(4, std::vector<QPointF>{}));
    EXPECT_FALSE(ContourAreaKm2(2, std::vector<QPointF>{{0, 0}, {1, 91}, {2, 0}}));
    EXPECT_FALSE(ContourAreaKm2(4, std::vector<QPointF>{{0, 0}, {NAN, 1}, {2, 0}}));
    EXPECT_FALSE(ContourAreaKm2(1, std::vector<QPointF>{{0, 0}, {INFINITY, 1}, {2, 0}}));

    EXPECT_EQ(ContourAreaText(100.0), "100");
    EXPECT_EQ(ContourAreaText(12.34567), "12.346");
    EXPECT_EQ(ContourAreaText(std::nullopt), "");
}

class ContourAreaCacheTest : public ModuleTest {
protected:
    RecordTable& horizons() { return module.POSIB_PRODUCT_HOR; }
    void setType(int type)
    {
        horizons().edit();
        horizons().fieldByName("KONTURKOORDTYPE").setInteger(type);
        horizons().post();
    }
    void addPoints(const std::vector<QPointF>& pts)
    {
        for (const QPointF& p : pts) {
            module.KONTUR.append();
            module.KONTUR.fieldByName("X").setFloat(p.x());
            module.KONTUR.fieldByName("Y").setFloat(p.y());
            module.KONTUR.post();
        }
    }
    uint32_t rowOf(int32_t id)
    {
        for (int i = 0; i < horizons().storedCount(); ++i)
            if (horizons().rowInteger(horizons().storedRow(i), horizons().fieldByName("ID")) == id)
                return horizons().storedRow(i);
        ADD_FAILURE();
        return 0;
    }
};

TEST_F(ContourAreaCacheTest, AreasAreComputedOnceUntilTheirPointsOrTypeChange)
{
    ContourAreas areas(module.POSIB_PRODUCT_HOR, module.KONTUR);
    const int32_t a = addProductHorizon("A");
    setType(4);
    addPoints(square(0, 0, 1000));
    const int32_t b = addProductHorizon("B");
    setType(2);
    addPoints(square(0, 0, 1));

    EXPECT_DOUBLE_EQ(*areas.areaOfRow(rowOf(a)), 1);
    EXPECT_NEAR(*areas.areaOfRow(rowOf(b)), 12308.778, 1e-3);
    EXPECT_EQ(areas.textOfRow(rowOf(a)), "1");
    EXPECT_EQ(areas.computations(), 2);

    // Moving between horizons changes no points: nothing is recomputed.
    horizons().first();
    horizons().last();
    areas.areaOfRow(rowOf(a));
    areas.areaOfRow(rowOf(b));
    EXPECT_EQ(areas.computations(), 2);

    // Another point on B: only B is computed again.
    addPoints({{-0.5, 0.5}});
    EXPECT_GT(*areas.areaOfRow(rowOf(b)), 12308.778);
    EXPECT_DOUBLE_EQ(*areas.areaOfRow(rowOf(a)), 1);
    EXPECT_EQ(areas.computations(), 3);

    // The type of A changes how its numbers read.
    horizons().first();
    setType(0);
    EXPECT_FALSE(areas.areaOfRow(rowOf(a)));
    EXPECT_EQ(areas.textOfRow(rowOf(a)), "");
    EXPECT_EQ(areas.computations(), 4);

    // A horizon without points has no area.
    const int32_t c = addProductHorizon("C");
    setType(4);
    EXPECT_FALSE(areas.areaOfRow(rowOf(c)));
}

} // namespace
} // namespace talvena::test
