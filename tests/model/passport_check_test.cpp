// The passport check over a passport built field by field, and the self-crossing search of large
// outlines against the plain all-pairs search.
#include "model/passport_check.h"
#include "model_fixture.h"

#include <gmock/gmock.h>

#include <random>

namespace talvena::test {
namespace {

using ::testing::ElementsAre;

class PassportCheckTest : public ModuleTest {
protected:
    RecordTable& horizons() { return module.POSIB_PRODUCT_HOR; }
    int32_t horizon(const char* name, std::optional<int> kind, int coordType,
                    std::initializer_list<std::pair<const char*, double>> values, std::initializer_list<QPointF> outline)
    {
        const int32_t id = addProductHorizon(name);
        horizons().edit();
        if (kind) horizons().fieldByName("UV_ID").setInteger(*kind);
        horizons().fieldByName("KONTURKOORDTYPE").setInteger(coordType);
        for (const auto& [field, value] : values) horizons().fieldByName(field).setFloat(value);
        horizons().post();
        for (const QPointF& p : outline) {
            module.KONTUR.append();
            module.KONTUR.fieldByName("X").setFloat(p.x());
            module.KONTUR.fieldByName("Y").setFloat(p.y());
            module.KONTUR.post();
            lastPointId = static_cast<int32_t>(module.KONTUR.fieldByName("ID").asInteger());
            pointIds.push_back(lastPointId);
        }
        return id;
    }
    static std::vector<std::string> summary(const std::vector<PassportFinding>& findings)
    {
        std::vector<std::string> out;
        for (const PassportFinding& f : findings)
            out.push_back((f.kind + ' ' + f.table + '.' + f.field).toStdString());
        return out;
    }
    int32_t lastPointId = 0;
    std::vector<int32_t> pointIds;
};

// Rectangles in metres (Gauss-Krüger): w × h km.
std::initializer_list<QPointF> kSquareKm = {{0, 0}, {1000, 0}, {1000, 1000}, {0, 1000}};
std::initializer_list<QPointF> kTwoByOneKm = {{0, 0}, {2000, 0}, {2000, 1000}, {0, 1000}, {0, 0}};
std::initializer_list<QPointF> kBowtie = {{0, 0}, {1000, 1000}, {1000, 0}, {0, 1000}};

TEST_F(PassportCheckTest, EachRuleFindsWhatItShouldAndNothingElse)
{
    // A new passport: every field a reviewer asks for is empty; no horizon, nothing else.
    EXPECT_THAT(summary(CheckPassport(module)),
                ElementsAre("emptyField PASPORTS.OBJECTNAME", "emptyField PASPORTS.FEDERALOKRUG_ID",
                            "emptyField PASPORTS.SHOWINGUPYEAR", "emptyField PASPORTS.STARTPREPARATIONYEAR",
                            "emptyField PASPORTS.ENDPREPARATIONYEAR", "emptyField PASPORTS.REPORTYEAR",
                            "emptyField PASPORTS.PREPAREDFUNDYEAR", "emptyField PASPORTS.REPUBLIC_ID"));

    setFields(module.PASPORTS, {{"OBJECTNAME", "Восточное"},
                                {"FEDERALOKRUG_ID", 1},
                                {"OBLAST_ID", 2},
                                {"SHOWINGUPYEAR", 1990},
                                {"STARTPREPARATIONYEAR", 1991},
                                {"ENDPREPARATIONYEAR", 1992},
                                {"PREPAREDFUNDYEAR", 1994}});

    // Within 10 % everywhere, and within its ranges.
    horizon("Чистый", 397, 4,
            {{"POSIBLESQUARE", 1.05}, {"SQUARENEFTENOSN", 0.95}, {"OILSQUAREMIN", 0.5}, {"OILSQUAREMAX", 1}}, kSquareKm);
    const int32_t areas = horizon("Площади", 399, 4,
                                  {{"POSIBLESQUARE", 1.5},
                                   {"SQUAREGAZONOSN", 2.1},
                                   {"EFECTOILWIDTH", 12},
                                   {"OILWIDTHMAX", 10},
                                   {"GAZKOEFSZIM", 0.5},
                                   {"GAZKOEFSZIMMIN", 0.7},
                                   {"SQUARENEFTENOSN", 3}},
                                  kTwoByOneKm);
    // Without a kind no resource page shows its values: they are not looked at.
    horizon("", std::nullopt, 4, {{"KOEFOILNASUSH", 0.9}, {"OILNASUSHMAX", 0.5}}, {});
    // Gas only: the oil area is not its concern; the outline crosses itself, so it has no area.
    horizon("Восьмёрка", 398, 4, {{"SQUARENEFTENOSN", 50}, {"POSIBLESQUARE", 50}}, kBowtie);
    const int32_t bowtiePoint = pointIds[pointIds.size() - 2]; // the third of its four points
    // Geographic coordinates of type 0 have no area; two points are too few.
    horizon("Две точки", 401, 0, {{"POSIBLESQUARE", 5}}, {{1, 1}, {2, 2}});

    const std::vector<PassportFinding> findings = CheckPassport(module);
    EXPECT_THAT(summary(findings),
                ElementsAre("emptyField PASPORTS.REPORTYEAR",                     //
                            "outsideRange POSIB_PRODUCT_HOR.EFECTOILWIDTH",       //
                            "outsideRange POSIB_PRODUCT_HOR.GAZKOEFSZIM",         //
                            "contourArea POSIB_PRODUCT_HOR.POSIBLESQUARE",        //
                            "contourArea POSIB_PRODUCT_HOR.SQUARENEFTENOSN",      //
                            "noHydrocarbonKind POSIB_PRODUCT_HOR.UV_ID",          //
                            "noContour POSIB_PRODUCT_HOR.KONTURNUMPOINTS",        //
                            "contourCrossing KONTUR.X",                           //
                            "contourPoints POSIB_PRODUCT_HOR.KONTURNUMPOINTS"));
    ASSERT_EQ(findings.size(), 9u);
    EXPECT_EQ(findings[0].message, QString::fromUtf8("Не заполнено поле «Год составления отчета»."));
    EXPECT_EQ(findings[1].recordId, areas);
    EXPECT_EQ(findings[1].message,
              QString::fromUtf8("Горизонт «Площади»: «Эффективная нефтенасыщенная толщина (м)» = 12 вне диапазона "
                                "минимума и максимума (не больше 10)."));
    EXPECT_EQ(findings[2].message,
              QString::fromUtf8("Горизонт «Площади»: «Коэффициент сжимаемости» = 0.5 вне диапазона минимума и "
                                "максимума (не меньше 0.7)."));
    EXPECT_EQ(findings[3].message, QString::fromUtf8("Горизонт «Площади»: площадь контура 2 кв.км отличается от "
                                                     "«Площадь возможной залежи. (кв.км.)» = 1.5 на 33 %."));
    EXPECT_EQ(findings[5].message, QString::fromUtf8("Горизонт № 3: не указан вид углеводородов (УВ)."));
    EXPECT_EQ(findings[7].recordId, bowtiePoint);
    EXPECT_EQ(findings[7].message, QString::fromUtf8("Горизонт «Восьмёрка»: контур пересекает сам себя: отрезок от "
                                                     "точки 1 и отрезок от точки 3."));
    EXPECT_EQ(findings[8].message, QString::fromUtf8("Горизонт «Две точки»: в контуре две точки, нужно не меньше трёх."));

    // Read-only: the passport is as it was.
    EXPECT_EQ(horizons().state(), TableState::Browse);
    EXPECT_EQ(horizons().fieldByName("STRATIGRSVIT").asString(), cp("Две точки"));
}

// The plain search: every pair of edges that are not neighbours, in order.
std::optional<std::pair<int, int>> allPairs(const std::vector<QPointF>& p)
{
    const int m = static_cast<int>(p.size());
    auto orient = [](QPointF o, QPointF a, QPointF b) {
        const double c = (a.x() - o.x()) * (b.y() - o.y()) - (a.y() - o.y()) * (b.x() - o.x());
        return (c > 0) - (c < 0);
    };
    auto box = [](QPointF a, QPointF b, QPointF r) {
        return std::min(a.x(), b.x()) <= r.x() && r.x() <= std::max(a.x(), b.x()) && std::min(a.y(), b.y()) <= r.y() &&
               r.y() <= std::max(a.y(), b.y());
    };
    for (int i = 0; i < m; ++i)
        for (int j = i + 2; j < m; ++j) {
            if (i == 0 && j == m - 1) continue;
            const QPointF a = p[size_t(i)], b = p[size_t((i + 1) % m)], c = p[size_t(j)], d = p[size_t((j + 1) % m)];
            const int o1 = orient(a, b, c), o2 = orient(a, b, d), o3 = orient(c, d, a), o4 = orient(c, d, b);
            if ((o1 * o2 < 0 && o3 * o4 < 0) || (o1 == 0 && box(a, b, c)) || (o2 == 0 && box(a, b, d)) ||
                (o3 == 0 && box(c, d, a)) || (o4 == 0 && box(c, d, b)))
                return std::pair(i, j);
        }
    return std::nullopt;
}

TEST(SelfCrossing, TheCellSearchAgreesWithAllPairsOnRandomOutlines)
{
    std::mt19937 random(29);
    int crossing = 0, simple = 0;
    for (int round = 0; round < 300; ++round) {
        // Star-shaped outlines (simple) with some points pushed out of order (crossing), on a
        // coarse integer lattice so that touching and collinear edges happen too.
        const int m = 4 + static_cast<int>(random() % 400);
        std::vector<QPointF> p;
        for (int i = 0; i < m; ++i) {
            const double angle = 2 * M_PI * i / m;
            const double r = 200 + random() % 100;
            p.emplace_back(std::round(r * std::cos(angle)), std::round(r * std::sin(angle)));
        }
        const int swaps = static_cast<int>(random() % 3);
        for (int s = 0; s < swaps; ++s) std::swap(p[random() % m], p[random() % m]);
        // Rounding can repeat a point; the search counts it once, and so must the oracle.
        std::vector<QPointF> distinct;
        std::vector<int> original;
        for (int i = 0; i < m; ++i)
            if (distinct.empty() || distinct.back() != p[size_t(i)]) {
                distinct.push_back(p[size_t(i)]);
                original.push_back(i);
            }
        while (distinct.size() > 1 && distinct.back() == distinct.front()) {
            distinct.pop_back();
            original.pop_back();
        }
        std::optional<std::pair<int, int>> expected;
        if (distinct.size() >= 4)
            if (auto e = allPairs(distinct)) expected = std::pair(original[size_t(e->first)], original[size_t(e->second)]);
        EXPECT_EQ(FindSelfCrossing(p), expected) << "round " << round << ", " << m << " points";
        (expected ? crossing : simple)++;
    }
    // Both kinds were tried.
    EXPECT_GT(crossing, 50);
    EXPECT_GT(simple, 50);

    // A closing point equal to the first is no edge of its own; a figure eight is found.
    EXPECT_EQ(FindSelfCrossing(std::vector<QPointF>{{0, 0}, {1, 0}, {1, 1}, {0, 1}, {0, 0}}), std::nullopt);
    EXPECT_EQ(FindSelfCrossing(std::vector<QPointF>{{0, 0}, {2, 2}, {2, 0}, {0, 2}}), std::pair(0, 2));
}

} // namespace
} // namespace talvena::test
