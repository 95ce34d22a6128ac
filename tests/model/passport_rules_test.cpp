#include "model/scale_text.h"
#include "model_fixture.h"
#include "rule_messages.h"

namespace talvena::test {
namespace {

TEST(ScaleText, DenominatorInGroupsOfThreeAfterOneColon)
{
    EXPECT_EQ(ScaleText(Value::integer(25000)), "1: 25 000");
    EXPECT_EQ(ScaleText(Value::integer(1000000)), "1:1 000 000");
    EXPECT_EQ(ScaleText(Value::integer(500)), "1:  500");
    EXPECT_EQ(ScaleText(Value::integer(12345678)), "1:12 345 678");
    EXPECT_EQ(ScaleText(Value::integer(0)), "");
    EXPECT_EQ(ScaleText(Value::integer(-5)), "");
    EXPECT_EQ(ScaleText(Value()), "");
}

TEST_F(ModuleTest, ScaleTextsFollowTheirDenominators)
{
    pasport("SHOOTSCALE").setInteger(10000);
    pasport("SHOOTSCALEST").setInteger(0);
    EXPECT_EQ(pasport("_SHOOTSCALE").displayText(), "1: 10 000");
    EXPECT_TRUE(pasport("_SHOOTSCALEST").isNull());
    EXPECT_TRUE(pasport("_SHOOTSCALEEL").isNull());
    pasport("SHOOTSCALEEL").setInteger(200000);
    EXPECT_EQ(pasport("_SHOOTSCALEEL").asString(), "1: 200 000");
    pasport("SHOOTSCALE").clear();
    EXPECT_EQ(pasport("_SHOOTSCALE").displayText(), "");
}

TEST_F(ModuleTest, YearChainChecksOnlyTheLaterYearOfEachLink)
{
    // Without an earlier year anything goes, even 0 and negative years.
    pasport("STARTPREPARATIONYEAR").setInteger(0);
    pasport("STARTPREPARATIONYEAR").setInteger(-3);
    pasport("STARTPREPARATIONYEAR").clear();

    pasport("SHOWINGUPYEAR").setInteger(1990);
    pasport("STARTPREPARATIONYEAR").setInteger(1990);
    EXPECT_EQ(errorOf([&] { pasport("STARTPREPARATIONYEAR").setInteger(1989); }),
              "\"Год начала подготовки\" не может быть меньше \"года выявления объекта\".");
    EXPECT_EQ(pasport("STARTPREPARATIONYEAR").asInteger(), 1990);
    EXPECT_EQ(errorOf([&] { pasport("STARTPREPARATIONYEAR").setInteger(0); }), kPositive);
    pasport("STARTPREPARATIONYEAR").clear();
    EXPECT_TRUE(pasport("STARTPREPARATIONYEAR").isNull());

    // Changing an earlier year never re-checks the later ones.
    pasport("STARTPREPARATIONYEAR").setInteger(1995);
    pasport("SHOWINGUPYEAR").setInteger(2000);

    pasport("ENDPREPARATIONYEAR").setInteger(1996);
    EXPECT_EQ(errorOf([&] { pasport("ENDPREPARATIONYEAR").setInteger(1994); }),
              "\"Год окончания подготовки\" не может быть меньше \"Года начала подготовки\".");
    EXPECT_EQ(errorOf([&] { pasport("REPORTYEAR").setText("1995"); }),
              "\"Год составления отчета\" не может быть меньше \"Года окончания подготовки\".");
    pasport("REPORTYEAR").setInteger(1997);
    EXPECT_EQ(errorOf([&] { pasport("PREPAREDFUNDYEAR").setInteger(1996); }),
              "\"Год включения в фонд подготовленных объектов\" не может быть меньше \"Года составления отчета\".");
    pasport("PREPAREDFUNDYEAR").setInteger(1997);
    // A text that is not a year fails in the field before the rule.
    EXPECT_EQ(errorOf([&] { pasport("REPORTYEAR").setText("40000"); }),
              "40000 is not a valid value for field 'REPORTYEAR'. The allowed range is -32768 to 32767");
}

TEST_F(ModuleTest, PositiveRulesRefuseZeroAndNegativeButNotNull)
{
    EXPECT_EQ(errorOf([&] { pasport("MOGTREPETISHIONS").setInteger(0); }), kPositive);
    pasport("MOGTREPETISHIONS3D").setInteger(12);
    EXPECT_EQ(errorOf([&] { pasport("GRIDDENCITY").setFloat(0.0); }), kPositive);
    EXPECT_EQ(errorOf([&] { pasport("GRIDDENCITY").setFloat(-1); }), kPositive);
    EXPECT_EQ(errorOf([&] { pasport("BINW").setText("-0.5"); }), kPositive);
    pasport("GRIDDENCITY").setFloat(0.001);
    pasport("GRIDDENCITY").clear();
    EXPECT_TRUE(pasport("GRIDDENCITY").isNull());
    // Economics and plain fields carry no rule.
    pasport("WORKPICE").setFloat(-10);
    EXPECT_EQ(module.PASPORTS.state(), TableState::Insert);
}

TEST_F(ModuleTest, MinimumAndMaximumArePairedThroughObjectNames)
{
    pasport("MINDISTANCE").setFloat(50);
    EXPECT_EQ(errorOf([&] { pasport("MAXDISTANCE").setFloat(40); }), kMaxBelowMin);
    EXPECT_TRUE(pasport("MAXDISTANCE").isNull());
    pasport("MAXDISTANCE").setFloat(50); // equal is accepted
    EXPECT_EQ(errorOf([&] { pasport("MINDISTANCE").setFloat(60); }), kMinAboveMax);
    EXPECT_EQ(pasport("MINDISTANCE").asFloat(), 50);
    pasport("MAXDISTANCE").clear(); // clearing is always accepted
    pasport("MINDISTANCE").setFloat(60);

    // The 3D pair is its own: the 2D values do not constrain it.
    pasport("MAXDISTANCE3D").setFloat(10);
    pasport("MINDISTANCE3D").setFloat(5);
    EXPECT_EQ(errorOf([&] { pasport("MINDISTANCE3D").setFloat(11); }), kMinAboveMax);

    EXPECT_EQ(module.FindFieldByObjectName("PASPORTSMINDISTANCE"), &pasport("MINDISTANCE"));
    EXPECT_EQ(module.FindFieldByObjectName("pasportsmaxdistance3d"), &pasport("MAXDISTANCE3D"));
    EXPECT_EQ(module.FindFieldByObjectName("PASPORTSNOSUCHFIELD"), nullptr);
}

TEST_F(ModuleTest, APostOfThePassportSetsTheModifiedFlagWhenItChangesAValue)
{
    module.PASPORTS.post(); // the empty passport as created
    EXPECT_FALSE(module.state().modified());
    module.PASPORTS.edit();
    module.PASPORTS.post(); // nothing changed
    EXPECT_FALSE(module.state().modified());
    module.PASPORTS.edit();
    pasport("SHOWINGUPYEAR").setInteger(1990);
    module.PASPORTS.post();
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(module.PASPORTS.recordCount(), 1);
}

class CascadeTest : public ModuleTest {
protected:
    void SetUp() override
    {
        ModuleTest::SetUp();
        module.onUpdateGeoDopEdits = [this] { ++geoDopUpdates; };
    }
    int geoDopUpdates = 0;
};

TEST_F(CascadeTest, FederalDistrictNarrowsSubjectsWithoutClearingThem)
{
    pasport("KRAI_ID").setInteger(32);
    pasport("FEDERALOKRUG_ID").setInteger(7);
    for (int n : {2, 3, 4}) {
        EXPECT_EQ(module.dict(n)->filterText(), "PARENT_ID=7 OR ID=0") << n;
        EXPECT_EQ(module.dict(n)->currentPosition(), 0) << n;
    }
    RecordTable& krais = *module.dict(3);
    EXPECT_EQ(krais.recordCount(), 2); // the empty entry and Алтайский
    EXPECT_FALSE(krais.locate("ID", Value::integer(32)));
    EXPECT_EQ(pasport("KRAI_ID").asInteger(), 32);
    EXPECT_EQ(geoDopUpdates, 0);

    pasport("FEDERALOKRUG_ID").clear();
    EXPECT_EQ(module.dict(2)->filterText(), "PARENT_ID=0 OR ID=0");
}

TEST_F(CascadeTest, ProvinceClearsRegionAndDistrictAndNarrowsTheirDictionaries)
{
    pasport("GEO_PROVINCE_ID").setInteger(111);
    pasport("GEO_OBLAST_ID").setInteger(121);
    pasport("GEO_RAION_ID").setInteger(131);
    EXPECT_EQ(module.dict(12)->filterText(), "PARENT_ID=111 OR ID=0");
    EXPECT_EQ(module.dict(13)->filterText(), "PARENT_ID=121 OR ID=0");
    geoDopUpdates = 0;

    pasport("GEO_PROVINCE_ID").setInteger(112);
    EXPECT_TRUE(pasport("GEO_OBLAST_ID").isNull());
    EXPECT_TRUE(pasport("GEO_RAION_ID").isNull());
    EXPECT_EQ(module.dict(12)->filterText(), "PARENT_ID=112 OR ID=0");
    EXPECT_EQ(module.dict(13)->filterText(), "PARENT_ID=0 OR ID=0");
    EXPECT_EQ(module.dict(13)->recordCount(), 2); // the empty entry and the one without a parent
    EXPECT_EQ(geoDopUpdates, 3); // district, region, province
    EXPECT_TRUE(module.dict(12)->filtered());

    pasport("GEO_PROVINCE_ID").clear();
    EXPECT_EQ(module.dict(12)->filterText(), "PARENT_ID=0 OR ID=0");
}

TEST_F(CascadeTest, LoadedValuesSurviveWhenCopiedInFieldOrder)
{
    // As a passport is copied into the table: field by field, in record order.
    const std::pair<const char*, int> stored[] = {
        {"GEO_PROVINCE_ID", 111}, {"GEO_OBLAST_ID", 121}, {"GEO_RAION_ID", 131}};
    for (int i = 0; i < module.PASPORTS.fieldCount(); ++i)
        for (const auto& [name, value] : stored)
            if (module.PASPORTS.field(i).name() == name) module.PASPORTS.field(i).setInteger(value);
    EXPECT_EQ(pasport("GEO_PROVINCE_ID").asInteger(), 111);
    EXPECT_EQ(pasport("GEO_OBLAST_ID").asInteger(), 121);
    EXPECT_EQ(pasport("GEO_RAION_ID").asInteger(), 131);
}

TEST_F(ModuleTest, CascadesRunWithoutAMainWindow)
{
    pasport("GEO_PROVINCE_ID").setInteger(111); // no subscriber: nothing to call
    EXPECT_EQ(module.dict(12)->filterText(), "PARENT_ID=111 OR ID=0");
}

TEST_F(ModuleTest, StratigraphicLookupsShowDictionaryNames)
{
    pasport("STRATIGR_KROVL").setInteger(161);
    EXPECT_EQ(pasport("_STRATIGR_KROVL").asString(), "J1");
    pasport("STRATIGR_PODOSHV").setInteger(999);
    EXPECT_TRUE(pasport("_STRATIGR_PODOSHV").isNull());
}

} // namespace
} // namespace talvena::test
