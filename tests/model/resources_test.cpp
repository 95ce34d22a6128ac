#include "base/cp1251.h"
#include "base/error.h"
#include "model/field_schema.h"
#include "model/resources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <memory>
#include <utility>

using namespace talvena;

namespace {

QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

const char* const kInputs[] = {
    "SQUARENEFTENOSN", "EFECTOILWIDTH", "OILKOEFOTKRPORIST", "KOEFOILNASUSH", "OILPLOTN",
    "OILPERERASCHKOEF", "KOEFOILIZVL", "OILGAZFACTOR", "SQUAREGAZONOSN", "EFECTGAZWIDTH",
    "GAZKOEFOTKRPORIST", "KOEFGAZNASUSH", "GAZSTARTPLASTPREASURE", "GAZENDPLASTPREASURE",
    "GAZKOEFSZIM", "GAZTEMPERPOPR", "GAZSODSUH", "GAZCONDAVGSTARTCONSIST", "GAZCONDKOEFIZVLECH",
    "OILPERSPECTRESOURCEP", "OILPERSPECTRESOURCES", "PERSPRESGAZRASTVP", "PERSPRESGAZRASTVS",
    "GAZBALANCERESOURCEPNEW", "GAZBALANCERESOURCESNEW", "IZVLEKRESGAZCONDPNEW", "IZVLEKRESGAZCONDSNEW",
};
const char* const kCalculated[] = {
    "CALC_BAL_RES", "CALC_PERSP_RES", "CALC_PERSP_RES_RGAZ", "CALC_STDDAVL",
    "CALC_BALGAZ_RES", "CALC_BALGAZCOND_RES", "CALC_PERSPGAZCOND_RES", "CALC_NEWGAZBAL",
};

using Values = std::vector<std::pair<const char*, double>>;

const Values kOilExample = {{"SQUARENEFTENOSN", 10}, {"EFECTOILWIDTH", 5}, {"OILKOEFOTKRPORIST", 0.2},
                            {"KOEFOILNASUSH", 0.7},  {"OILPLOTN", 0.85},   {"OILPERERASCHKOEF", 0.8}};
const Values kGasExample = {{"SQUAREGAZONOSN", 20},       {"EFECTGAZWIDTH", 10},      {"GAZKOEFOTKRPORIST", 0.15},
                            {"KOEFGAZNASUSH", 0.8},       {"GAZSTARTPLASTPREASURE", 250},
                            {"GAZENDPLASTPREASURE", 10}, {"GAZKOEFSZIM", 0.9},       {"GAZTEMPERPOPR", 0.95}};

// A productive-horizon table with the resource inputs and calculated fields, reversed when asked
// so that field indexes differ between two tables.
std::unique_ptr<RecordTable> makeHorizons(bool reversed = false)
{
    auto t = std::make_unique<RecordTable>("POSIB_PRODUCT_HOR");
    std::vector<FieldDef> defs;
    auto def = [&](const char* name, FieldType type, int size = 0, FieldKind kind = FieldKind::Data) {
        defs.push_back({.name = name, .type = type, .size = size, .kind = kind});
    };
    def("UV_ID", FieldType::Integer);
    def("STRATIGRSVIT", FieldType::String, 128);
    for (const char* n : kInputs) def(n, FieldType::Float);
    for (const char* n : kCalculated) def(n, FieldType::Float, 0, FieldKind::Calculated);
    if (reversed) std::reverse(defs.begin(), defs.end());
    for (const FieldDef& d : defs) {
        Field& f = t->addField(d);
        if (d.kind == FieldKind::Calculated) f.setDisplayFormat(kNumberPattern);
    }
    t->onCalcFields = [](const RecordTable& tb) { CalcProductHorizonResources(tb); };
    t->open();
    return t;
}

void setAll(RecordTable& t, const Values& values)
{
    for (const auto& [name, v] : values) t.fieldByName(name).setFloat(v);
}

struct Horizon {
    const char* name;
    int uvId; // 0: NULL
    Values values;
};

void addHorizon(RecordTable& t, const Horizon& h)
{
    t.append();
    if (h.name) t.fieldByName("STRATIGRSVIT").setString(cp(h.name));
    if (h.uvId) t.fieldByName("UV_ID").setInteger(h.uvId);
    setAll(t, h.values);
    t.post();
}

QByteArray shown(RecordTable& t, const char* field) { return t.fieldByName(field).displayText(); }

struct ResourceCalc : ::testing::Test {
    std::unique_ptr<RecordTable> t = makeHorizons();
    void SetUp() override { t->append(); }
};

TEST_F(ResourceCalc, OilChainFollowsTheExamplesAndStopsAtTheFirstMissingInput)
{
    setAll(*t, kOilExample);
    EXPECT_EQ(shown(*t, "CALC_BAL_RES"), "4.76");
    EXPECT_TRUE(t->fieldByName("CALC_PERSP_RES").isNull());
    setAll(*t, {{"OILGAZFACTOR", 50}});
    // without the recovery factor the gas factor has nothing to multiply
    EXPECT_TRUE(t->fieldByName("CALC_PERSP_RES").isNull());
    EXPECT_TRUE(t->fieldByName("CALC_PERSP_RES_RGAZ").isNull());
    setAll(*t, {{"KOEFOILIZVL", 0.3}});
    EXPECT_EQ(shown(*t, "CALC_PERSP_RES"), "1.428");
    EXPECT_EQ(shown(*t, "CALC_PERSP_RES_RGAZ"), "71.4");
    EXPECT_DOUBLE_EQ(t->fieldByName("CALC_STDDAVL").asFloat(), 1.0);

    t->fieldByName("OILPLOTN").clear();
    for (const char* f : {"CALC_BAL_RES", "CALC_PERSP_RES", "CALC_PERSP_RES_RGAZ"})
        EXPECT_TRUE(t->fieldByName(f).isNull()) << f;
    EXPECT_DOUBLE_EQ(t->fieldByName("CALC_STDDAVL").asFloat(), 1.0);
    for (const char* f : {"CALC_BALGAZ_RES", "CALC_NEWGAZBAL", "CALC_BALGAZCOND_RES", "CALC_PERSPGAZCOND_RES"})
        EXPECT_TRUE(t->fieldByName(f).isNull()) << f;
}

TEST_F(ResourceCalc, GasChainFollowsTheExamplesWithIndependentDryGasAndCondensate)
{
    setAll(*t, kGasExample);
    EXPECT_EQ(shown(*t, "CALC_BALGAZ_RES"), "6105.333");
    setAll(*t, {{"GAZCONDAVGSTARTCONSIST", 150}});
    EXPECT_TRUE(t->fieldByName("CALC_NEWGAZBAL").isNull());
    EXPECT_EQ(shown(*t, "CALC_BALGAZCOND_RES"), "0.916");
    EXPECT_TRUE(t->fieldByName("CALC_PERSPGAZCOND_RES").isNull());
    setAll(*t, {{"GAZSODSUH", 0.9}, {"GAZCONDKOEFIZVLECH", 0.6}});
    EXPECT_EQ(shown(*t, "CALC_NEWGAZBAL"), "5494.8");
    EXPECT_EQ(shown(*t, "CALC_PERSPGAZCOND_RES"), "0.549");

    // the recovery factor alone gives nothing without the condensate content
    t->fieldByName("GAZCONDAVGSTARTCONSIST").clear();
    EXPECT_TRUE(t->fieldByName("CALC_BALGAZCOND_RES").isNull());
    EXPECT_TRUE(t->fieldByName("CALC_PERSPGAZCOND_RES").isNull());
    EXPECT_EQ(shown(*t, "CALC_NEWGAZBAL"), "5494.8");

    t->fieldByName("GAZTEMPERPOPR").clear();
    for (const char* f : {"CALC_BALGAZ_RES", "CALC_NEWGAZBAL"}) EXPECT_TRUE(t->fieldByName(f).isNull()) << f;
}

TEST_F(ResourceCalc, GasFailuresLeaveTheRestNullWithoutAnError)
{
    setAll(*t, kOilExample);
    setAll(*t, kGasExample);
    setAll(*t, {{"GAZSODSUH", 0.9}, {"GAZCONDAVGSTARTCONSIST", 150}, {"GAZCONDKOEFIZVLECH", 0.6}});
    const char* const gas[] = {"CALC_BALGAZ_RES", "CALC_NEWGAZBAL", "CALC_BALGAZCOND_RES", "CALC_PERSPGAZCOND_RES"};

    EXPECT_NO_THROW(t->fieldByName("GAZKOEFSZIM").setFloat(0));
    for (const char* f : gas) EXPECT_TRUE(t->fieldByName(f).isNull()) << f;
    EXPECT_EQ(shown(*t, "CALC_BAL_RES"), "4.76"); // the oil part is untouched
    EXPECT_DOUBLE_EQ(t->fieldByName("CALC_STDDAVL").asFloat(), 1.0);
    setAll(*t, {{"GAZSTARTPLASTPREASURE", 0}}); // 0 / 0
    for (const char* f : gas) EXPECT_TRUE(t->fieldByName(f).isNull()) << f;

    // an overflow of the dry-gas product also ends the condensate part, which comes after it
    setAll(*t, {{"GAZSTARTPLASTPREASURE", 250}, {"GAZKOEFSZIM", 0.9}, {"GAZSODSUH", 1e306}});
    EXPECT_EQ(shown(*t, "CALC_BALGAZ_RES"), "6105.333");
    for (const char* f : {"CALC_NEWGAZBAL", "CALC_BALGAZCOND_RES", "CALC_PERSPGAZCOND_RES"})
        EXPECT_TRUE(t->fieldByName(f).isNull()) << f;

    // an overflow in the last step keeps what was stored before it
    setAll(*t, {{"GAZSODSUH", 0.9}, {"GAZCONDAVGSTARTCONSIST", 1500}, {"GAZCONDKOEFIZVLECH", 1e308}});
    EXPECT_EQ(shown(*t, "CALC_NEWGAZBAL"), "5494.8");
    EXPECT_EQ(shown(*t, "CALC_BALGAZCOND_RES"), "9.158");
    EXPECT_TRUE(t->fieldByName("CALC_PERSPGAZCOND_RES").isNull());

    // the division by a million happens in extended precision: the product alone overflows a double
    setAll(*t, {{"GAZCONDKOEFIZVLECH", 0.6}, {"GAZCONDAVGSTARTCONSIST", 1e305}});
    EXPECT_FALSE(t->fieldByName("CALC_BALGAZCOND_RES").isNull());
}

TEST_F(ResourceCalc, OilOverflowIsReported)
{
    setAll(*t, kOilExample);
    setAll(*t, {{"SQUARENEFTENOSN", 1e300}});
    try {
        t->fieldByName("EFECTOILWIDTH").setFloat(1e300);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Floating point overflow");
    }
}

TEST(ResourceFieldResolution, TablesWithOtherLayoutsAndMissingFields)
{
    // the per-table resolution must not reuse one table's fields for another
    auto a = makeHorizons();
    auto b = makeHorizons(true);
    for (RecordTable* t : {a.get(), b.get(), a.get()}) {
        t->append();
        setAll(*t, kOilExample);
        EXPECT_EQ(shown(*t, "CALC_BAL_RES"), "4.76");
        t->post();
    }
    b.reset();
    b = makeHorizons(true);
    b->append();
    setAll(*b, kGasExample);
    EXPECT_EQ(shown(*b, "CALC_BALGAZ_RES"), "6105.333");

    RecordTable bare("POSIB_PRODUCT_HOR");
    bare.addField("SQUARENEFTENOSN", FieldType::Float);
    try {
        ResolveResourceFields(bare);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Field 'EFECTOILWIDTH' not found");
    }
}

// --- Geology totals ---------------------------------------------------------------------------

// Inputs that make every deterministic result equal to v, and P = v with S = 0.
Values allResourcesEqualTo(double v)
{
    return {{"SQUARENEFTENOSN", 1}, {"EFECTOILWIDTH", 1}, {"OILKOEFOTKRPORIST", 1}, {"KOEFOILNASUSH", 1},
            {"OILPLOTN", 1}, {"OILPERERASCHKOEF", 1}, {"KOEFOILIZVL", v}, {"OILGAZFACTOR", 1},
            {"SQUAREGAZONOSN", 1}, {"EFECTGAZWIDTH", 1}, {"GAZKOEFOTKRPORIST", 1}, {"KOEFGAZNASUSH", 1},
            {"GAZSTARTPLASTPREASURE", v}, {"GAZENDPLASTPREASURE", 0}, {"GAZKOEFSZIM", 1},
            {"GAZTEMPERPOPR", 1}, {"GAZSODSUH", 1}, {"GAZCONDAVGSTARTCONSIST", 1000000},
            {"GAZCONDKOEFIZVLECH", 1}, {"OILPERSPECTRESOURCEP", v}, {"PERSPRESGAZRASTVP", v},
            {"GAZBALANCERESOURCEPNEW", v}, {"IZVLEKRESGAZCONDPNEW", v}};
}

struct GeologyTotalsTest : ::testing::Test {
    std::unique_ptr<RecordTable> product = makeHorizons();
    RecordTable reflect{"REFLECT_HORIZONTS"};
    void SetUp() override
    {
        reflect.addField("INDEXOG", FieldType::String, 128);
        reflect.open();
    }
    void addReflecting(const char* index)
    {
        reflect.append();
        reflect.fieldByName("INDEXOG").setString(cp(index));
        reflect.post();
    }
};

TEST_F(GeologyTotalsTest, EachKindAddsToItsGroupsWhateverTheFilter)
{
    // horizon i carries 2^i everywhere, so each sum tells which horizons it took
    const int kinds[] = {397, 398, 399, 401, 886, 0, 500};
    for (int i = 0; i < 7; ++i)
        addHorizon(*product, {"H", kinds[i], allResourcesEqualTo(std::ldexp(1.0, i))});
    product->setFilterText("UV_ID=401 OR UV_ID=886");
    product->setFiltered(true);
    product->next();
    int scrolls = 0;
    product->afterScroll = [&](RecordTable&) { ++scrolls; };

    const GeologyTotals g = ComputeGeologyTotals(*product, reflect);
    EXPECT_EQ(g.productiveCount, 7);
    EXPECT_DOUBLE_EQ(g.deterministic[OilSum], 1 + 4 + 16);
    EXPECT_DOUBLE_EQ(g.deterministic[DissolvedGasSum], 1 + 4 + 16);
    EXPECT_DOUBLE_EQ(g.deterministic[GasSum], 2 + 4 + 8 + 16);
    EXPECT_DOUBLE_EQ(g.deterministic[CondensateSum], 8 + 16);
    EXPECT_DOUBLE_EQ(g.probable[GasSum].probable, 30);
    EXPECT_DOUBLE_EQ(g.probable[CondensateSum].upper, 24);
    const std::pair<const char*, const char*> expected[] = {
        {"Label29", "горизонтов: 7 (H, H, H, H, H, H, H)"}, {"Label71", "горизонтов: 0"},
        {"Label72", "21"}, {"Label73", "21"}, {"Label74", "30"}, {"Label75", "24"},
        {"Label93", "21"}, {"Label95", "от 21   до 21"}, {"Label97", "21"}, {"Label99", "от 21   до 21"},
        {"Label102", "30"}, {"Label101", "от 30   до 30"}, {"Label106", "24"}, {"Label105", "от 24   до 24"},
    };
    for (size_t i = 0; i < std::size(expected); ++i) {
        EXPECT_STREQ(g.labels[i].name, expected[i].first);
        EXPECT_EQ(g.labels[i].text, cp(expected[i].second)) << expected[i].first;
    }
    EXPECT_EQ(g.labelText("Label105"), cp("от 24   до 24"));
    EXPECT_EQ(g.labelText("Label1"), "");

    // the filter stays off and the first horizon is current again
    EXPECT_FALSE(product->filtered());
    EXPECT_EQ(product->currentPosition(), 0);
    EXPECT_EQ(product->fieldByName("UV_ID").asInteger(), 397);
    EXPECT_GE(scrolls, 1);
}

TEST_F(GeologyTotalsTest, RangesNeedLowerUpperAndMostProbableAllNonZero)
{
    addHorizon(*product, {"A", 397, {{"OILPERSPECTRESOURCEP", 100}, {"OILPERSPECTRESOURCES", 10}}});
    addHorizon(*product, {"B", 886, {{"OILPERSPECTRESOURCEP", 50}, {"OILPERSPECTRESOURCES", 5},
                                     {"GAZBALANCERESOURCEPNEW", 30}, {"GAZBALANCERESOURCESNEW", 10},
                                     {"IZVLEKRESGAZCONDPNEW", 0.1234}, {"IZVLEKRESGAZCONDSNEW", 0.01}}});
    addHorizon(*product, {"C", 398, {{"GAZBALANCERESOURCESNEW", 4}}}); // NULL P counts as 0: lower -12
    const GeologyTotals g = ComputeGeologyTotals(*product, reflect);
    EXPECT_EQ(g.labelText("Label93"), "150");
    EXPECT_EQ(g.labelText("Label95"), cp("от 105   до 195"));
    EXPECT_EQ(g.labelText("Label102"), "30");
    EXPECT_EQ(g.labelText("Label101"), cp("от -12   до 72"));
    EXPECT_EQ(g.labelText("Label106"), "0.123");
    EXPECT_EQ(g.labelText("Label105"), cp("от 0.093   до 0.153"));
    // nothing for dissolved gas, and no deterministic inputs at all
    for (const char* l : {"Label72", "Label73", "Label74", "Label75", "Label97", "Label99"})
        EXPECT_EQ(g.labelText(l), "") << l;

    // a lower sum of exactly 0 hides the range but not the most probable value
    product->first();
    product->edit();
    setAll(*product, {{"OILPERSPECTRESOURCEP", 30}, {"OILPERSPECTRESOURCES", 10}});
    product->post();
    product->next();
    product->deleteRecord();
    const GeologyTotals z = ComputeGeologyTotals(*product, reflect);
    EXPECT_EQ(z.labelText("Label93"), "30");
    EXPECT_EQ(z.labelText("Label95"), "");
}

TEST_F(GeologyTotalsTest, NoHorizonsGiveZeroCountsAndEmptyLabels)
{
    const GeologyTotals g = ComputeGeologyTotals(*product, reflect);
    EXPECT_EQ(g.labelText("Label29"), cp("горизонтов: 0"));
    EXPECT_EQ(g.labelText("Label71"), cp("горизонтов: 0"));
    for (size_t i = 2; i < g.labels.size(); ++i) EXPECT_EQ(g.labels[i].text, "") << g.labels[i].name;
}

TEST_F(GeologyTotalsTest, NameListsFollowTheCurrentOrderAndKeepEmptyNames)
{
    addHorizon(*product, {"Ю2", 0, {}});
    addHorizon(*product, {"", 0, {}});
    addHorizon(*product, {"Ю1", 0, {}});
    EXPECT_EQ(ComputeGeologyTotals(*product, reflect).labelText("Label29"), cp("горизонтов: 3 (Ю2, , Ю1)"));
    product->sort("STRATIGRSVIT:desc");
    EXPECT_EQ(ComputeGeologyTotals(*product, reflect).labelText("Label29"), cp("горизонтов: 3 (Ю2, Ю1, )"));

    auto leadingEmpty = makeHorizons();
    addHorizon(*leadingEmpty, {nullptr, 0, {}}); // NULL reads as the empty text
    addHorizon(*leadingEmpty, {"A", 0, {}});
    addHorizon(*leadingEmpty, {"B", 0, {}});
    EXPECT_EQ(ComputeGeologyTotals(*leadingEmpty, reflect).labelText("Label29"), cp("горизонтов: 3 (A, B)"));

    addReflecting("Б");
    addReflecting("А");
    reflect.last();
    const GeologyTotals g = ComputeGeologyTotals(*product, reflect);
    EXPECT_EQ(g.reflectingCount, 2);
    EXPECT_EQ(g.labelText("Label71"), cp("горизонтов: 2 (Б, А)"));
    EXPECT_EQ(reflect.currentPosition(), 0);
}

} // namespace
