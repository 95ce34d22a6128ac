// The page rules, driven through the controls: the exclusive method rule, the other-method
// edits, the source-kind rule, the region cascade and the supplementary geology edits.
#include "window_fixture.h"

using namespace talvena;
using namespace talvena::testing;

namespace {

class PageRulesTest : public WindowTest {};

TEST_F(PageRulesTest, EditingAMethodGroupSelectsItsMethodAndEmptiesTheOthers)
{
    // 2D group: a typed value and a picked scale.
    type("JvDBSpinEdit7", "12");
    leave("JvDBSpinEdit7");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_EQ(shown("JvDBLookupCombo6"), u("Сейсморазведка"));
    pickers.scales.push_back(25000);
    QTest::mouseClick(find<PickerBox>("JvDBComboEdit3")->button(), Qt::LeftButton);
    settle();
    EXPECT_EQ(field("SHOOTSCALE").asInteger(), 25000);
    EXPECT_EQ(shown("JvDBComboEdit3"), u("1: 25 000"));
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 12);

    // Typing into the 3D group empties the 2D group, scale included.
    type("JvDBSpinEdit12", "24");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_TRUE(isNull("MOGTREPETISHIONS"));
    EXPECT_TRUE(isNull("SHOOTSCALE"));
    EXPECT_EQ(shown("JvDBComboEdit3"), QString());
    EXPECT_EQ(shown("JvDBSpinEdit7"), QString());
    leave("JvDBSpinEdit12");
    EXPECT_EQ(field("MOGTREPETISHIONS3D").asInteger(), 24);

    // The electrical group takes over; the 3D value goes.
    type("DBEdit10", u("ВЭЗ"));
    leave("DBEdit10");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 90);
    EXPECT_TRUE(isNull("MOGTREPETISHIONS3D"));
    EXPECT_EQ(text("ELECTROMETHOD"), u("ВЭЗ"));

    // Structural drilling, through a dictionary-free spinner of group 5.
    type("JvDBSpinEdit23", "4");
    leave("JvDBSpinEdit23");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 91);
    EXPECT_TRUE(isNull("ELECTROMETHOD"));
    EXPECT_DOUBLE_EQ(field("GRIDDENCITYST").asFloat(), 4.0);

    // Picking a drop-down entry of a group counts as editing it: group 1 via charge placement.
    pick("JvDBLookupCombo11", "В скважине");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_TRUE(isNull("GRIDDENCITYST"));
    EXPECT_FALSE(window->methodRuleGuard());
    EXPECT_TRUE(ui.boxes.isEmpty()) << ui.boxTexts().join('\n').toStdString();
}

TEST_F(PageRulesTest, TheMethodRuleWaitsWhileAPassportIsLoadingAndForAnEditedRecord)
{
    dm->state().setLoading(true);
    type("JvDBSpinEdit7", "6");
    leave("JvDBSpinEdit7");
    type("DBEdit10", u("ВЭЗ"));
    leave("DBEdit10");
    dm->state().setLoading(false);
    EXPECT_TRUE(isNull("PREPARATIONMETHOD_ID"));
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 6);
    EXPECT_EQ(text("ELECTROMETHOD"), u("ВЭЗ"));

    // A value that reaches a group's control from the table while the record is not being
    // edited is not the user editing the group.
    dm->CommitPendingEdits();
    ASSERT_EQ(dm->PASPORTS.state(), TableState::Browse);
    window->runPageHandler(PageHandler::DBEdit10Change);
    EXPECT_TRUE(isNull("PREPARATIONMETHOD_ID"));

    // The first user edit in any group empties the others.
    type("JvDBSpinEdit7", "2");
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_TRUE(isNull("ELECTROMETHOD"));
}

TEST_F(PageRulesTest, OtherMethodEditsFollowTheirDropDownsAndTheirClearingLeavesTheGroupsAlone)
{
    EXPECT_FALSE(enabled("DBEdit19"));
    EXPECT_FALSE(enabled("DBEdit20"));

    pick("JvDBLookupCombo5", "Другой геофизический метод");
    EXPECT_TRUE(enabled("DBEdit19"));
    type("DBEdit19", u("Гравиразведка"));
    leave("DBEdit19");
    EXPECT_EQ(text("OTHERMETHOD2"), u("Гравиразведка"));
    pick("JvDBLookupCombo5", "Сейсморазведка");
    EXPECT_FALSE(enabled("DBEdit19"));
    EXPECT_TRUE(isNull("OTHERMETHOD2"));

    // Text typed beside "Метод подготовки" is the field of method group 4, and shows there.
    pick("JvDBLookupCombo6", "Другой геофизический метод");
    EXPECT_TRUE(enabled("DBEdit20"));
    type("DBEdit20", u("Магниторазведка"));
    leave("DBEdit20");
    EXPECT_EQ(shown("DBEdit11"), u("Магниторазведка"));

    // As a passport file may hold: a seismic group value beside the other method's name.
    dm->state().setLoading(true);
    dm->PASPORTS.edit();
    field("MOGTREPETISHIONS").setInteger(48);
    dm->state().setLoading(false);
    ASSERT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 92);
    ASSERT_EQ(text("OTHERMETHOD"), u("Магниторазведка"));

    // Picking a method other than 92 empties OTHERMETHOD; that clearing is no user edit of group 4,
    // so the method stays the one picked and group 1 keeps its value.
    pick("JvDBLookupCombo6", "Сейсморазведка");
    EXPECT_FALSE(enabled("DBEdit20"));
    EXPECT_TRUE(isNull("OTHERMETHOD"));
    EXPECT_EQ(shown("DBEdit11"), QString());
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);
    EXPECT_EQ(field("MOGTREPETISHIONS").asInteger(), 48);
    EXPECT_FALSE(window->methodRuleGuard());
}

TEST_F(PageRulesTest, SourceKindDecidesBetweenChargePlacementAndNonExplosiveType)
{
    for (const char* name : {"Label31", "JvDBLookupCombo11", "Label32", "JvDBLookupCombo12", "Label41",
                             "JvDBLookupCombo14", "Label42", "JvDBLookupCombo15"})
        EXPECT_TRUE(enabled(name)) << name;

    pick("JvDBLookupCombo12", "Вибрационный");
    pick("JvDBLookupCombo11", "В шурфе");
    pick("JvDBLookupCombo10", "Взрывной");
    EXPECT_TRUE(enabled("Label31"));
    EXPECT_TRUE(enabled("JvDBLookupCombo11"));
    EXPECT_FALSE(enabled("Label32"));
    EXPECT_FALSE(enabled("JvDBLookupCombo12"));
    EXPECT_TRUE(isNull("NONEXPLOSIVETYPE_ID"));
    EXPECT_EQ(shown("JvDBLookupCombo11"), u("В шурфе"));

    pick("JvDBLookupCombo10", "Невзрывной");
    EXPECT_FALSE(enabled("Label31"));
    EXPECT_FALSE(enabled("JvDBLookupCombo11"));
    EXPECT_TRUE(isNull("CHARGELOCATION_ID"));
    EXPECT_TRUE(enabled("JvDBLookupCombo12"));
    EXPECT_EQ(field("PREPARATIONMETHOD_ID").asInteger(), 89);

    // The 3D source kind applies the method rule for group 2 first: group 1 empties.
    pick("JvDBLookupCombo13", "Взрывной");
    EXPECT_TRUE(isNull("DRIVINGTYPE_ID"));
    EXPECT_EQ(field("DRIVINGTYPE3D_ID").asInteger(), 108);
    EXPECT_FALSE(enabled("Label42"));
    EXPECT_FALSE(enabled("JvDBLookupCombo15"));
    // Clearing group 1's source kind by the rule is no pick: its controls keep their states.
    EXPECT_FALSE(enabled("JvDBLookupCombo11"));
}

TEST_F(PageRulesTest, OneSubjectOfTheFederationAtATime)
{
    auto* republics = find<QComboBox>("JvDBLookupCombo2");
    pick("JvDBLookupCombo1", "Южный федеральный округ");
    // The empty entry and the five republics of the district.
    EXPECT_EQ(republics->count(), 6);
    EXPECT_GE(republics->findText(u("Республика Калмыкия")), 0);
    EXPECT_LT(republics->findText(u("Республика Татарстан (Татарстан)")), 0);

    pick("JvDBLookupCombo2", "Республика Калмыкия");
    EXPECT_EQ(field("REPUBLIC_ID").asInteger(), 2009);
    pick("JvDBLookupCombo4", "Ростовская область");
    EXPECT_TRUE(isNull("REPUBLIC_ID"));
    EXPECT_EQ(shown("JvDBLookupCombo2"), QString());
    EXPECT_EQ(field("OBLAST_ID").asInteger(), 4033);
    pick("JvDBLookupCombo3", "Краснодарский край");
    EXPECT_TRUE(isNull("OBLAST_ID"));
    EXPECT_EQ(field("KRAI_ID").asInteger(), 3004);

    // Picking the entry already shown runs nothing.
    pick("JvDBLookupCombo1", "Южный федеральный округ");
    EXPECT_EQ(field("KRAI_ID").asInteger(), 3004);
    // Another district empties all three.
    pick("JvDBLookupCombo1", "Уральский федеральный округ");
    EXPECT_TRUE(isNull("KRAI_ID"));
    EXPECT_LT(find<QComboBox>("JvDBLookupCombo3")->findText(u("Краснодарский край")), 0);
}

TEST_F(PageRulesTest, SupplementaryGeologyEditsOpenOnlyWithoutADictionaryChoice)
{
    for (const char* name : {"DBEdit16", "DBEdit17", "DBEdit18"}) EXPECT_TRUE(enabled(name)) << name;
    type("DBEdit16", u("Своя провинция"));
    leave("DBEdit16");
    EXPECT_EQ(text("GEO_PROVINCE_DOP"), u("Своя провинция"));

    pick("JvDBLookupCombo19", "Западно-Сибирская");
    EXPECT_FALSE(enabled("DBEdit16"));
    EXPECT_TRUE(isNull("GEO_PROVINCE_DOP"));
    EXPECT_EQ(shown("DBEdit16"), QString());
    EXPECT_TRUE(enabled("DBEdit17"));
    // The regions follow the province.
    EXPECT_GE(find<QComboBox>("JvDBLookupCombo20")->findText(u("Ямальская")), 0);
    pick("JvDBLookupCombo20", "Ямальская");
    EXPECT_FALSE(enabled("DBEdit17"));

    // Emptying the province empties the region too and opens both edits again.
    focus("JvDBLookupCombo19");
    QTest::keyClick(find("JvDBLookupCombo19"), Qt::Key_Delete);
    settle();
    EXPECT_TRUE(isNull("GEO_PROVINCE_ID"));
    EXPECT_TRUE(isNull("GEO_OBLAST_ID"));
    EXPECT_TRUE(enabled("DBEdit16"));
    EXPECT_TRUE(enabled("DBEdit17"));
}

} // namespace
