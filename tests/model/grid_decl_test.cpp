// The grid declarations name fields the passport tables really have, with the kinds they claim,
// so no grid column can come out dead.
#include "model/grid_decl.h"
#include "model_fixture.h"

#include <set>

using namespace talvena;
using namespace talvena::test;

TEST_F(ModuleTest, EveryDeclaredGridColumnIsAFieldOfItsTableOfTheDeclaredKind)
{
    std::set<std::string> names;
    for (const GridDecl& g : Grids()) {
        SCOPED_TRACE(g.objectName);
        EXPECT_TRUE(names.insert(g.objectName).second);
        RecordTable* table = module.findTable(g.table);
        ASSERT_NE(table, nullptr);
        EXPECT_FALSE(g.columns.empty());
        for (const GridColumnDecl& c : g.columns) {
            SCOPED_TRACE(c.field);
            Field* f = table->findField(c.field);
            ASSERT_NE(f, nullptr);
            EXPECT_EQ(f->name(), QByteArray(c.field)); // written as the schema writes it
            EXPECT_FALSE(QByteArray(c.title).isEmpty());
            switch (c.kind) {
            case ColumnKind::Lookup: EXPECT_EQ(f->kind(), FieldKind::Lookup); break;
            case ColumnKind::Calculated: EXPECT_EQ(f->kind(), FieldKind::Calculated); break;
            case ColumnKind::Picker:
                ASSERT_NE(c.pickerField, nullptr);
                EXPECT_TRUE(table->findField(c.pickerField) && table->findField(c.pickerField)->isData());
                break;
            case ColumnKind::Editable: EXPECT_TRUE(f->isData()); break;
            case ColumnKind::ReadOnly: break;
            }
            EXPECT_NE(table->findField(SortFieldOf(c)), nullptr);
        }
    }
    EXPECT_EQ(FindGrid("JvDBGrid3")->columns[10].field, QByteArray("_REFLECTHOR_ID"));
    EXPECT_EQ(FindGrid("JvDBGrid3")->columns[11].field, QByteArray("STRUCTOGNEW"));
    EXPECT_EQ(SortFieldOf(FindGrid("JvDBGrid1")->columns[1]), "_stratigr_id_");
    // A column without a title of its own shows its field's caption.
    EXPECT_STREQ(FindGrid("JvDBGrid1")->columns[9].title, "Площадь (кв.км.)");
    EXPECT_STREQ(FindGrid("JvDBGrid1")->columns[1].title, "Стратиграфическая приуроченность ОГ");
}

TEST(GridLayouts, KeepTheUsersOrderAndHiddenColumnsAndStartFromTheDeclaration)
{
    GridLayouts layouts;
    const auto declared = layouts.columns("JvDBGrid10");
    ASSERT_EQ(declared.size(), 3u);
    EXPECT_EQ(declared[2].declared, 2);
    layouts.setHidden("JvDBGrid3", 11, true);
    layouts.setOrder("JvDBGrid3", {13, 0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12});
    const auto moved = layouts.columns("JvDBGrid3");
    EXPECT_EQ(moved.front().declared, 13);
    EXPECT_TRUE(moved[12].hidden); // column 11 kept its flag through the move
    layouts.setOrder("JvDBGrid3", {0, 1}); // not a whole order: ignored
    EXPECT_EQ(layouts.columns("JvDBGrid3").size(), 14u);
    EXPECT_TRUE(layouts.columns("NoSuchGrid").empty());
}
