#include "model_fixture.h"

#include <QStringList>

namespace talvena::test {
namespace {

QStringList visibleNames(RecordTable& t)
{
    QStringList names;
    for (int i = 0; i < t.visibleCount(); ++i)
        names << cp1251ToUnicode(t.rowValue(t.visibleRow(i), t.fieldByName("NAME")).bytesValue());
    return names;
}

QStringList storedNames(RecordTable& t)
{
    QStringList names;
    for (int i = 0; i < t.storedCount(); ++i)
        names << cp1251ToUnicode(t.rowValue(t.storedRow(i), t.fieldByName("NAME")).bytesValue());
    return names;
}

TEST_F(ModuleTest, CreationLeavesAnEmptyPendingPassportAndUnmodifiedState)
{
    EXPECT_EQ(module.PASPORTS.state(), TableState::Insert);
    EXPECT_EQ(pasport("ID").asInteger(), -1);
    EXPECT_FALSE(module.state().modified());
    EXPECT_TRUE(module.state().fileName().isEmpty());
    for (RecordTable* t : {&module.REFLECT_HORIZONTS, &module.POSIB_PRODUCT_HOR, &module.KONTUR, &module.FILES}) {
        EXPECT_TRUE(t->active()) << t->name().constData();
        EXPECT_TRUE(t->isEmpty()) << t->name().constData();
    }
    EXPECT_TRUE(module.formats().kbmBinaryStreamFormat2.rawBlobMode);
    EXPECT_FALSE(module.formats().kbmBinaryStreamFormat1.rawBlobMode);
    EXPECT_TRUE(field(module.KONTUR, "X").isValidChar(','));
    EXPECT_TRUE(field(module.KONTUR, "Y").isValidChar(','));
    EXPECT_FALSE(field(module.POSIB_PRODUCT_HOR, "SQUARENEFTENOSN").isValidChar(','));
}

TEST_F(ModuleTest, CoordinateTypesAreFixedAndReadOnly)
{
    RecordTable& c = module.TCoords;
    ASSERT_EQ(c.recordCount(), 5);
    EXPECT_EQ(visibleNames(c), (QStringList{"", "Географическая система координат (градусы/минуты/секунды)",
                                            "Географическая система координат (доли градуса)", "Проекция Меркатора",
                                            "Проекция Гаусса-Крюгера"}));
    EXPECT_EQ(errorOf([&] { c.edit(); }), "Cannot modify a read-only dataset");
}

TEST_F(ModuleTest, DictionariesGetALeadingEmptyEntryAndTheirGroupOrder)
{
    RecordTable& districts = *module.dict(1);
    EXPECT_EQ(districts.tag, 1);
    EXPECT_EQ(visibleNames(districts), (QStringList{"", "Сибирский", "Уральский"}));
    EXPECT_EQ(districts.rowValue(districts.visibleRow(0), districts.fieldByName("ID")), Value::integer(0));
    EXPECT_EQ(districts.rowValue(districts.visibleRow(0), districts.fieldByName("PARENT_ID")), Value::integer(0));
    EXPECT_TRUE(districts.readOnly());

    // Ordered by ALTORDER: the leading entry takes its place by its 0.
    RecordTable& strat = *module.dict(16);
    ASSERT_EQ(strat.recordCount(), 4);
    EXPECT_EQ(visibleNames(strat).mid(0, 3), (QStringList{"", "K1", "J1"}));

    // A dictionary named in the groups but without entries stays empty, with no leading entry.
    EXPECT_TRUE(module.dict(20)->isEmpty());
    EXPECT_EQ(module.dict(20)->tag, 0);
    EXPECT_EQ(module.dict(0), nullptr);
    EXPECT_EQ(module.dict(21), nullptr);
    EXPECT_EQ(module.findTable("dict16"), &strat);
}

TEST_F(ModuleTest, ParentDictionariesStartFilteredToEntriesWithoutParent)
{
    for (int n : {2, 3, 4, 12, 13}) {
        RecordTable& d = *module.dict(n);
        EXPECT_TRUE(d.filtered()) << n;
        EXPECT_EQ(d.filterText(), "PARENT_ID=0") << n;
    }
    EXPECT_EQ(visibleNames(*module.dict(2)), (QStringList{"", "Без округа"}));
    EXPECT_EQ(module.dict(2)->storedCount(), 4);
    EXPECT_FALSE(module.dict(1)->filtered());
}

class DictionaryFilesTest : public ::testing::Test {
protected:
    QTemporaryDir dir;
    TDataModule2 module;
};

TEST_F(DictionaryFilesTest, AltOrderOnlyForACapitalYAndUnlistedGroupsStayInFileOrder)
{
    std::vector<DictEntry> entries;
    for (int group = 5; group <= 9; ++group) {
        entries.push_back({group, 1, "В", 0, 1});
        entries.push_back({group, 2, "А", 0, 3});
        entries.push_back({group, 3, "Б", 0, 2});
    }
    entries.push_back({9, 2, "А снова"}); // the same ID twice in one dictionary
    writeDictionaries(dir.path(), entries);
    writeGroups(dir.path(), {{5, QByteArray("y")}, {6, QByteArray("")}, {7, std::nullopt}, {8, QByteArray("Y")}});
    module.DataModuleCreate(dir.path() + "/");

    const QStringList byName{"", "А", "Б", "В"};
    EXPECT_EQ(visibleNames(*module.dict(5)), byName);
    EXPECT_EQ(visibleNames(*module.dict(6)), byName);
    EXPECT_EQ(visibleNames(*module.dict(7)), byName);
    EXPECT_EQ(visibleNames(*module.dict(8)), (QStringList{"", "В", "Б", "А"}));

    RecordTable& unlisted = *module.dict(9);
    EXPECT_EQ(visibleNames(unlisted), (QStringList{"", "В", "А", "Б", "А снова"}));
    EXPECT_FALSE(unlisted.readOnly());
    EXPECT_TRUE(unlisted.locate("NAME", Value::bytes(cp("А снова"))));
    EXPECT_EQ(unlisted.fieldByName("ID").asInteger(), 2);
    unlisted.edit(); // writable
    unlisted.cancel();
}

TEST_F(DictionaryFilesTest, EntriesKeepNullsAndGroupsOutsideTheRangeAreLeftOut)
{
    writeDictionaries(dir.path(), {{5, 50, "без порядка", 0, std::nullopt}, {0, 1, "нет группы"}, {21, 2, "лишняя"}});
    writeGroups(dir.path(), {{5, QByteArray("N")}, {0, QByteArray("Y")}, {77, QByteArray("Y")}});
    module.DataModuleCreate(dir.path());
    RecordTable& d = *module.dict(5);
    EXPECT_EQ(storedNames(d), (QStringList{"", "без порядка"}));
    ASSERT_TRUE(d.locate("ID", Value::integer(50)));
    EXPECT_TRUE(d.fieldByName("ALTORDER").isNull());
    for (int n = 1; n <= 20; ++n)
        if (n != 5) {
            EXPECT_TRUE(module.dict(n)->isEmpty()) << n;
        }
}

TEST_F(DictionaryFilesTest, MissingDictionaryFileStopsCreationBeforeAnyTableIsFilled)
{
    writeGroups(dir.path(), standardGroups());
    module.state().setFileName("old.psp");
    const std::string expected = "Cannot open file \"" + (dir.path() + "/DICTIONARYS.BIN").toStdString() + "\". ";
    const std::string error = errorOf([&] { module.DataModuleCreate(dir.path()); });
    EXPECT_EQ(error.substr(0, expected.size()), expected);
    EXPECT_GT(error.size(), expected.size()); // the system's reason follows
    EXPECT_TRUE(module.TCoords.isEmpty());
    EXPECT_TRUE(module.dict(1)->isEmpty());
    EXPECT_FALSE(module.PASPORTS.active());
    EXPECT_FALSE(module.KONTUR.active());
    EXPECT_EQ(module.state().fileName(), "old.psp");
}

TEST_F(DictionaryFilesTest, MissingGroupsFileLeavesDictionariesUnorderedAndPassportClosed)
{
    writeDictionaries(dir.path(), {{1, 2, "Б"}, {1, 1, "А"}});
    const std::string error = errorOf([&] { module.DataModuleCreate(dir.path()); });
    EXPECT_NE(error.find("GROUPS.BIN"), std::string::npos) << error;
    EXPECT_EQ(module.TCoords.recordCount(), 5);
    EXPECT_EQ(visibleNames(*module.dict(1)), (QStringList{"", "Б", "А"}));
    EXPECT_FALSE(module.dict(1)->readOnly());
    EXPECT_FALSE(module.PASPORTS.active());
}

TEST_F(DictionaryFilesTest, DamagedDictionaryFileRaisesTheStreamError)
{
    QFile f(dir.path() + "/DICTIONARYS.BIN");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("\x1f\x8b\x08 this is not a table stream");
    f.close();
    writeGroups(dir.path(), standardGroups());
    EXPECT_NE(errorOf([&] { module.DataModuleCreate(dir.path()); }), "no error");
    EXPECT_TRUE(module.TCoords.isEmpty());
    EXPECT_FALSE(module.PASPORTS.active());
}

TEST_F(DictionaryFilesTest, DictionaryEntryWithoutIdFailsTheStart)
{
    writeDictionaries(dir.path(), {{1, std::nullopt, "без кода"}});
    writeGroups(dir.path(), standardGroups());
    EXPECT_EQ(errorOf([&] { module.DataModuleCreate(dir.path()); }), "Field 'ID' must have a value");
    EXPECT_FALSE(module.PASPORTS.active());
}

} // namespace
} // namespace talvena::test
