#include "model/table_schemas.h"
#include "model_fixture.h"
#include "rule_messages.h"

namespace talvena::test {
namespace {

TEST_F(ModuleTest, TablesHaveTheirFieldsInRecordOrder)
{
    struct Expected {
        RecordTable* table;
        int count;
        std::vector<std::pair<int, const char*>> at; // 1-based positions
    };
    const Expected expected[] = {
        {&module.PASPORTS, 77, {{1, "ID"}, {25, "SHOOTSCALE"}, {56, "GEO_PROVINCE_ID"}, {57, "GEO_OBLAST_ID"},
                                {58, "GEO_RAION_ID"}, {73, "_SHOOTSCALE"}, {77, "OTHERMETHOD2"}}},
        {&module.REFLECT_HORIZONTS, 29, {{9, "IZOGIPSMARK"}, {24, "_stratigr_id"}, {29, "_stratigr_id_"}}},
        {&module.POSIB_PRODUCT_HOR, 111, {{13, "UV_ID"}, {84, "KONTURNUMPOINTS"}, {97, "_KONTURKOORDTYPE"},
                                          {99, "CALC_NEWGAZBAL"}, {110, "_stratigr_id_"}, {111, "STRUCTOGNEW"}}},
        {&module.KONTUR, 4, {{1, "ID"}, {2, "HEAD_ID"}, {3, "X"}, {4, "Y"}}},
        {&module.FILES, 4, {{1, "NAME"}, {2, "CONTENT"}, {3, "DESCRIPTION"}, {4, "SRCNAME"}}},
    };
    for (const Expected& e : expected) {
        ASSERT_EQ(e.table->fieldCount(), e.count) << e.table->name().constData();
        for (const auto& [pos, name] : e.at) EXPECT_EQ(e.table->field(pos - 1).name(), name);
        for (int i = 0; i < e.table->fieldCount(); ++i) {
            const Field& f = e.table->field(i);
            EXPECT_EQ(f.objectName(), e.table->name() + f.name());
            EXPECT_EQ(f.required(), f.name() == "ID" && e.table != &module.FILES) << f.name().constData();
        }
    }
}

// A misspelt partner would silently switch a pairing off.
TEST_F(ModuleTest, EveryMinimumAndMaximumHasAFloatPartner)
{
    int pairs = 0;
    for (auto schema : {PasportsSchema(), ReflectHorizontsSchema(), ProductHorizonsSchema()}) {
        for (const FieldDecl& d : schema) {
            const QByteArray name = d.name;
            if (d.rule != FieldRule::Positive && d.rule != FieldRule::Fraction) continue;
            const bool isMax = name.contains("MAX");
            if (!isMax && !name.contains("MIN")) continue;
            QByteArray partner = name;
            partner.replace(isMax ? "MAX" : "MIN", isMax ? "MIN" : "MAX");
            const FieldDecl* p = FindFieldDecl(schema, partner);
            ASSERT_NE(p, nullptr) << d.name;
            EXPECT_EQ(p->rule, d.rule) << d.name;
            ++pairs;
        }
    }
    EXPECT_EQ(pairs, 2 * (2 + 20));
}

TEST_F(ModuleTest, ShortAxisMayNotExceedTheLongAxis)
{
    for (RecordTable* t : {&module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR}) {
        t->append();
        Field& shortAxis = t->fieldByName("SHORTAXIS");
        Field& longAxis = t->fieldByName("LONGAXIS");
        shortAxis.setFloat(5); // long axis empty
        longAxis.setFloat(5);  // equal axes
        EXPECT_EQ(errorOf([&] { longAxis.setFloat(3); }), kAxes);
        EXPECT_EQ(longAxis.asFloat(), 5);
        shortAxis.clear();
        longAxis.setFloat(4);
        EXPECT_EQ(errorOf([&] { shortAxis.setFloat(5); }), kAxes);
        EXPECT_EQ(errorOf([&] { shortAxis.setFloat(0); }), kPositive); // the sign comes first
        shortAxis.setFloat(3.5);
        t->cancel();
    }
}

TEST_F(ModuleTest, FractionsLieAboveZeroAndAtMostOne)
{
    RecordTable& r = module.REFLECT_HORIZONTS;
    r.append();
    Field& p = r.fieldByName("KOEFPROSL");
    p.setFloat(1);
    EXPECT_EQ(errorOf([&] { p.setFloat(1.01); }), kAboveOne);
    EXPECT_EQ(errorOf([&] { p.setFloat(0); }), kPositive);
    EXPECT_EQ(p.asFloat(), 1);

    RecordTable& h = module.POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("OILKOEFOTKRPORMAX").setFloat(0.5);
    // The bound is checked before the pairing looks at the partner.
    EXPECT_EQ(errorOf([&] { h.fieldByName("OILKOEFOTKRPORMIN").setFloat(1.2); }), kAboveOne);
    EXPECT_EQ(errorOf([&] { h.fieldByName("OILKOEFOTKRPORMIN").setFloat(0.6); }),
              "Минимальное значение должно быть меньше максимального.");
    h.fieldByName("OILKOEFOTKRPORMIN").setFloat(0.5);
}

TEST_F(ModuleTest, ProductiveHorizonPairsCheckBothWays)
{
    RecordTable& h = module.POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("OILSQUAREMAX").setFloat(8); // partner empty
    h.fieldByName("OILSQUAREMAX").clear();
    h.fieldByName("OILSQUAREMIN").setFloat(10);
    EXPECT_EQ(errorOf([&] { h.fieldByName("OILSQUAREMAX").setFloat(8); }),
              "Максимальное значение должно быть больше минимального.");
    h.fieldByName("OILSQUAREMIN").clear();
    h.fieldByName("OILSQUAREMAX").setFloat(8);
    EXPECT_EQ(errorOf([&] { h.fieldByName("OILSQUAREMIN").setFloat(10); }),
              "Минимальное значение должно быть меньше максимального.");
    // A pair without a control is still paired.
    h.fieldByName("IZVLEKRESGAZCONDMIN").setFloat(3);
    EXPECT_NE(errorOf([&] { h.fieldByName("IZVLEKRESGAZCONDMAX").setFloat(2); }), "no error");
    // GAZKOEFSZIM 0 cannot be entered.
    EXPECT_EQ(errorOf([&] { h.fieldByName("GAZKOEFSZIM").setFloat(0); }), kPositive);
    EXPECT_EQ(h.state(), TableState::Insert);
}

TEST_F(ModuleTest, IsohypseMarkIsNeverZeroAndStoredNegative)
{
    for (RecordTable* t : {&module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR}) {
        t->append();
        Field& mark = t->fieldByName("IZOGIPSMARK");
        mark.setFloat(2350);
        EXPECT_EQ(mark.asFloat(), -2350);
        mark.setText("-2350");
        EXPECT_EQ(mark.asFloat(), -2350);
        EXPECT_EQ(errorOf([&] { mark.setFloat(0); }), "Значение не должно быть равно нулю.");
        EXPECT_EQ(mark.asFloat(), -2350);
        mark.clear();
        EXPECT_TRUE(mark.isNull());
        t->cancel();
    }
}

TEST_F(ModuleTest, HorizonsGetAnIdentifierOnTheirFirstPostAndKeepIt)
{
    for (RecordTable* t : {&module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR}) {
        module.state().setModified(false);
        t->append();
        EXPECT_TRUE(t->fieldByName("ID").isNull());
        t->fieldByName("SECHENIE").setFloat(10);
        t->post();
        EXPECT_TRUE(module.state().modified());
        ASSERT_FALSE(t->fieldByName("ID").isNull());
        const int64_t id = t->fieldByName("ID").asInteger();
        t->edit();
        t->fieldByName("SECHENIE").setFloat(20);
        t->post();
        EXPECT_EQ(t->fieldByName("ID").asInteger(), id);

        // An identifier that comes with the record (as from a file) is never replaced.
        t->append();
        t->fieldByName("ID").setInteger(12345);
        t->post();
        EXPECT_EQ(t->fieldByName("ID").asInteger(), 12345);
    }
}

TEST_F(ModuleTest, HorizonLookupsAndCalculatedFields)
{
    RecordTable& r = module.REFLECT_HORIZONTS;
    r.append();
    r.fieldByName("INDEXOG").setString("III");
    r.fieldByName("STRATIGR_ID").setInteger(161);
    r.fieldByName("TRAPTYPE_ID").setInteger(141);
    r.fieldByName("SCALE").setInteger(50000);
    r.post();
    EXPECT_EQ(r.fieldByName("_stratigr_id").asString(), "J1");
    EXPECT_EQ(r.fieldByName("_stratigr_id_").value(), Value::integer(20));
    EXPECT_EQ(r.fieldByName("_traptype_id").asString(), cp("Антиклинальная"));
    EXPECT_EQ(r.fieldByName("_scale").asString(), "1: 50 000");
    const int64_t reflectId = r.fieldByName("ID").asInteger();

    RecordTable& h = module.POSIB_PRODUCT_HOR;
    h.append();
    h.fieldByName("REFLECTHOR_ID").setInteger(reflectId);
    h.fieldByName("STRATIGR_ID").setInteger(162);
    h.fieldByName("UV_ID").setInteger(397);
    h.fieldByName("KONTURKOORDTYPE").setInteger(3);
    for (auto [name, v] : std::initializer_list<std::pair<const char*, double>>{
             {"SQUARENEFTENOSN", 10}, {"EFECTOILWIDTH", 5}, {"OILKOEFOTKRPORIST", 0.2},
             {"KOEFOILNASUSH", 0.7}, {"OILPLOTN", 0.85}, {"OILPERERASCHKOEF", 0.8}})
        h.fieldByName(name).setFloat(v);
    h.post();
    EXPECT_EQ(h.fieldByName("_REFLECTHOR_ID").asString(), "III");
    EXPECT_EQ(h.fieldByName("_stratigr_id_").value(), Value::integer(10));
    EXPECT_EQ(h.fieldByName("_UV_ID").asString(), cp("нефть"));
    EXPECT_EQ(h.fieldByName("_KONTURKOORDTYPE").asString(), cp("Проекция Меркатора"));
    EXPECT_EQ(h.fieldByName("CALC_STDDAVL").asFloat(), 1.0);
    EXPECT_EQ(h.fieldByName("CALC_BAL_RES").displayText(), "4.76");
    EXPECT_TRUE(h.fieldByName("_scale").isNull());

    // Deleting the reflecting horizon leaves the reference empty.
    r.deleteRecord();
    EXPECT_TRUE(h.fieldByName("_REFLECTHOR_ID").isNull());
    EXPECT_EQ(h.fieldByName("REFLECTHOR_ID").asInteger(), reflectId);
}

} // namespace
} // namespace talvena::test
