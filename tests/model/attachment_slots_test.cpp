// The attachment slot lists over a real data module: which slots a passport has, where each stored
// attachment is shown, and what loading, clearing and commenting a slot do to FILES.
#include "model/attachment_slots.h"
#include "model_fixture.h"
#include "storage/gzip.h"
#include "support/file_bytes.h"

#include <QTemporaryDir>

using namespace talvena;
using namespace talvena::test;

namespace {

class SlotListsTest : public ModuleTest {
protected:
    AttachmentSlots lists{module};
    QTemporaryDir dir;

    void SetUp() override
    {
        ModuleTest::SetUp();
        module.PASPORTS.post();
        module.state().setModified(false);
        lists.BuildFileLists();
    }

    QString file(const QString& name, const QByteArray& bytes = "content")
    {
        const QString path = dir.filePath(name);
        testsupport::writeFileBytes(path, bytes);
        return path;
    }
    void addReflecting(const char* index)
    {
        RecordTable& r = module.REFLECT_HORIZONTS;
        r.append();
        r.fieldByName("INDEXOG").setString(cp(index));
        r.post();
    }
    void addProductive(const char* suite, int stratigraphicId)
    {
        RecordTable& h = module.POSIB_PRODUCT_HOR;
        h.append();
        h.fieldByName("STRATIGRSVIT").setString(cp(suite));
        h.fieldByName("STRATIGR_ID").setInteger(stratigraphicId);
        h.fieldByName("UV_ID").setInteger(398);
        h.post();
    }
    // An attachment as a passport file brings it: stored name and source name only.
    void stored(const char* name, const char* source = "")
    {
        RecordTable& f = module.FILES;
        f.append();
        f.fieldByName("NAME").setString(cp(name));
        f.fieldByName("SRCNAME").setString(cp(source));
        f.fieldByName("CONTENT").setBytes(CompressToGzip(QByteArray("x")));
        f.post();
    }

    // Each slot as "title|key|stored name|shown name|comment", in list order.
    static QStringList rows(RecordTable& t)
    {
        QStringList out;
        const bool keyed = t.findField("DOCTYPE2");
        for (int p = 0; p < t.positionCount(); ++p) {
            QStringList parts;
            for (const char* f : {"DOCTYPE", "DOCTYPE2", "FileName", "FileName_", "Description"}) {
                if (!keyed && QByteArray(f) == "DOCTYPE2") continue;
                parts << cp1251ToUnicode(t.textAt(p, t.fieldByName(f), true));
            }
            out << parts.join('|');
        }
        return out;
    }
    // The slot with this title (or key) becomes the selected one.
    void select(RecordTable& t, const char* titleOrKey)
    {
        const QByteArray wanted = cp(titleOrKey);
        if (t.locate("DOCTYPE", Value::bytes(wanted))) return;
        ASSERT_TRUE(t.findField("DOCTYPE2") && t.locate("DOCTYPE2", Value::bytes(wanted))) << titleOrKey;
    }
    QStringList storedNames()
    {
        QStringList out;
        for (const AttachmentInfo& a : EnumerateAttachments(module.FILES)) out << cp1251ToUnicode(a.name);
        return out;
    }
    static QString u(const char* utf8) { return QString::fromUtf8(utf8); }
    static QStringList us(std::initializer_list<const char*> utf8)
    {
        QStringList out;
        for (const char* s : utf8) out << QString::fromUtf8(s);
        return out;
    }
};

} // namespace

TEST_F(SlotListsTest, ANewPassportHasItsFixedSlotsAndTheFirstOfEachProfileRun)
{
    EXPECT_EQ(rows(lists.Files1), us({"Титульный лист|||", "Пояснительная записка|||", "Рекомендации|||"}));
    EXPECT_EQ(rows(lists.Files2),
              us({"Список графики||||", "Обзорная карта||||", "Фрагмент тектонической схемы||||",
                  "Карта изученности||||", "Сводный геолого-геофизический разрез||||",
                  "Геолого-геофизический разрез по профилю №1|Geo1|||",
                  "Временной сейсмический разрез по профилю №1|Vrem1|||"}));
    EXPECT_EQ(rows(lists.Files3), us({"Дополнительный файл графики|||"}));
    EXPECT_EQ(lists.Files1.currentPosition(), 0);
    EXPECT_EQ(lists.Files2.currentPosition(), 0);
    EXPECT_EQ(lists.Files3.currentPosition(), 0);
}

TEST_F(SlotListsTest, HorizonSlotsFollowTheHorizonsByPositionWithAFilterSwitchedOff)
{
    addReflecting("Б");
    addReflecting("Ф2");
    addProductive("тюменская свита", 161);
    module.POSIB_PRODUCT_HOR.setFilterText("UV_ID=397");
    module.POSIB_PRODUCT_HOR.setFiltered(true); // hides the only productive horizon
    lists.BuildFileLists();
    EXPECT_FALSE(module.POSIB_PRODUCT_HOR.filtered());
    const QStringList graphics = rows(lists.Files2).mid(5);
    EXPECT_EQ(graphics, us({"Карта То по ОГ: Б|To1|||", "Карта То по ОГ: Ф2|To2|||",
                            "Структурная карта по ОГ: Б|Str1|||", "Структурная карта по ОГ: Ф2|Str2|||",
                            "Структурная карта по ПГ: J1 тюменская свита|Prod1|||",
                            "Геолого-геофизический разрез по профилю №1|Geo1|||",
                            "Временной сейсмический разрез по профилю №1|Vrem1|||"}));
    // The "То" of the title is Cyrillic, the key Latin.
    EXPECT_TRUE(graphics[0].startsWith(u("Карта \u0422\u043e ")));
    EXPECT_EQ(lists.Files2.fieldByName("DOCTYPE2").asString(), QByteArray()); // first slot selected
}

TEST_F(SlotListsTest, ADocumentSlotStoresItsTitleWithTheSourceExtension)
{
    select(lists.Files1, "Титульный лист");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Documents, file("plan.PDF")), cp("Титульный лист.PDF"));
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(rows(lists.Files1)[0], u("Титульный лист|Титульный лист.PDF|plan.PDF|"));
    EXPECT_EQ(module.FILES.fieldByName("SRCNAME").asString(), "plan.PDF");

    select(lists.Files1, "Рекомендации");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Documents, file("README")), cp("Рекомендации"));
    // Once loaded, a rebuild finds each attachment in its slot again.
    lists.BuildFileLists();
    EXPECT_EQ(rows(lists.Files1), us({"Титульный лист|Титульный лист.PDF|plan.PDF|", "Пояснительная записка|||",
                                      "Рекомендации|Рекомендации|README|"}));
}

TEST_F(SlotListsTest, AProfileSectionLoadAddsTheNextEmptySectionOfItsRun)
{
    select(lists.Files2, "Geo1");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Graphics, file("profile 7.png")), "Geo1.png");
    select(lists.Files2, "Vrem1");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Graphics, file("time.sgy")), "Vrem1.sgy");
    select(lists.Files2, "Обзорная карта");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Graphics, file("overview.jpg")), cp("Обзорная карта.jpg"));
    EXPECT_EQ(rows(lists.Files2).mid(5),
              us({"Геолого-геофизический разрез по профилю №1|Geo1|Geo1.png|profile 7.png|",
                  "Геолого-геофизический разрез по профилю №2|Geo2|||",
                  "Временной сейсмический разрез по профилю №1|Vrem1|Vrem1.sgy|time.sgy|",
                  "Временной сейсмический разрез по профилю №2|Vrem2|||"}));
    EXPECT_EQ(lists.geologicalSections(), 1);
    EXPECT_EQ(lists.timeSections(), 1);
    EXPECT_EQ(lists.Files2.currentPosition(), 0); // the rebuild selects the first slot
}

TEST_F(SlotListsTest, StoredNamesFindTheirSlotsWhateverTheirLetterCase)
{
    addReflecting("Б");
    stored("титульный лист.doc", "t.doc");  // a document title in small letters
    stored("Обзорная карта.png");           // an additional file named like a fixed slot
    stored("GEO_west.png", "west.png");     // any name starting with Geo fills the next section
    stored("geo1.png");
    stored("VREM9.tif");
    stored("to1.bmp");                      // the reflecting map keys ignore letter case
    stored("str1.bmp");                     // the structure map keys do not
    stored("Титульный лист.pdf", "new.pdf"); // its slot shows one already: not hidden behind it
    lists.BuildFileLists();
    EXPECT_EQ(rows(lists.Files1)[0], u("Титульный лист|титульный лист.doc|t.doc|"));
    const QStringList graphics = rows(lists.Files2);
    EXPECT_EQ(graphics[1], u("Обзорная карта||Обзорная карта.png|Обзорная карта.png|"));
    EXPECT_EQ(graphics[5], u("Карта То по ОГ: Б|To1|to1.bmp|to1.bmp|"));
    EXPECT_EQ(graphics[6], u("Структурная карта по ОГ: Б|Str1|||"));
    EXPECT_EQ(graphics.mid(7), us({"Геолого-геофизический разрез по профилю №1|Geo1|GEO_west.png|west.png|",
                                   "Геолого-геофизический разрез по профилю №2|Geo2|geo1.png|geo1.png|",
                                   "Геолого-геофизический разрез по профилю №3|Geo3|||",
                                   "Временной сейсмический разрез по профилю №1|Vrem1|VREM9.tif|VREM9.tif|",
                                   "Временной сейсмический разрез по профилю №2|Vrem2|||"}));
    EXPECT_EQ(rows(lists.Files3), us({"Дополнительный файл графики|str1.bmp|str1.bmp|",
                                      "Дополнительный файл графики|Титульный лист.pdf|new.pdf|",
                                      "Дополнительный файл графики|||"}));
    EXPECT_EQ(lists.Files3.currentPosition(), 2); // the empty slot, ready for the next file
}

TEST_F(SlotListsTest, OfTwoSlotsWithOneTitleTheFirstIsFilledFirst)
{
    addReflecting("Б");
    addReflecting("Б");
    stored("Карта То по ОГ: Б.png");
    stored("Структурная карта по ОГ: Б.png");
    lists.BuildFileLists();
    EXPECT_EQ(rows(lists.Files2).mid(5, 4),
              us({"Карта То по ОГ: Б|To1|Карта То по ОГ: Б.png|Карта То по ОГ: Б.png|", "Карта То по ОГ: Б|To2|||",
                  "Структурная карта по ОГ: Б|Str1|Структурная карта по ОГ: Б.png|Структурная карта по ОГ: Б.png|",
                  "Структурная карта по ОГ: Б|Str2|||"}));
}

TEST_F(SlotListsTest, LoadingIntoAFilledSlotReplacesItsAttachment)
{
    select(lists.Files1, "Пояснительная записка");
    lists.loadIntoSelected(SlotList::Documents, file("note.doc", "old"));
    lists.setSelectedComment(SlotList::Documents, cp("черновик"));
    select(lists.Files1, "Рекомендации");
    lists.loadIntoSelected(SlotList::Documents, file("advice.rtf"));
    select(lists.Files1, "Пояснительная записка");
    lists.loadIntoSelected(SlotList::Documents, file("note2.doc", "new"));
    // The old record went before the new one came: the new one is last, under the same name.
    EXPECT_EQ(storedNames(), us({"Рекомендации.rtf", "Пояснительная записка.doc"}));
    EXPECT_EQ(EnumerateAttachments(module.FILES)[1].description, QByteArray());
    EXPECT_EQ(rows(lists.Files1)[1], u("Пояснительная записка|Пояснительная записка.doc|note2.doc|"));
}

TEST_F(SlotListsTest, AFailedLoadLeavesTheSlotAndItsAttachmentAsTheyWere)
{
    select(lists.Files1, "Титульный лист");
    lists.loadIntoSelected(SlotList::Documents, file("title.pdf", "old"));
    module.state().setModified(false);
    const QStringList before = rows(lists.Files1);
    EXPECT_THROW(lists.loadIntoSelected(SlotList::Documents, dir.filePath("missing.pdf")), Error);
    EXPECT_THROW(lists.loadIntoSelected(SlotList::Documents, dir.path()), Error); // a folder
    EXPECT_EQ(rows(lists.Files1), before);
    EXPECT_EQ(storedNames(), us({"Титульный лист.pdf"}));
    EXPECT_FALSE(module.state().modified());
}

TEST_F(SlotListsTest, MovedHorizonsMoveTheirAttachmentsByPosition)
{
    for (const char* index : {"А", "Б", "В"}) addReflecting(index);
    lists.BuildFileLists();
    for (const char* key : {"To1", "To2", "To3"}) {
        select(lists.Files2, key);
        lists.loadIntoSelected(SlotList::Graphics, file(QString::fromLatin1(key) + ".png"));
    }
    module.REFLECT_HORIZONTS.first();
    module.REFLECT_HORIZONTS.next();
    module.REFLECT_HORIZONTS.deleteRecord(); // the second of three
    lists.BuildFileLists();
    const QStringList graphics = rows(lists.Files2).mid(5, 2);
    EXPECT_EQ(graphics, us({"Карта То по ОГ: А|To1|To1.png|To1.png|", "Карта То по ОГ: В|To2|To2.png|To2.png|"}));
    EXPECT_EQ(rows(lists.Files3)[0], u("Дополнительный файл графики|To3.png|To3.png|"));
}

TEST_F(SlotListsTest, AdditionalSlotsGrowByLoadsAndAClearedOneStaysUntilTheNextRebuild)
{
    lists.loadIntoSelected(SlotList::Additional, file("map.png"));
    EXPECT_EQ(rows(lists.Files3), us({"Дополнительный файл графики|map.png|map.png|", "Дополнительный файл графики|||"}));
    EXPECT_EQ(lists.Files3.currentPosition(), 1);
    // The same source name again (from another folder) is stored under a name of its own.
    QDir(dir.path()).mkdir("other");
    EXPECT_EQ(lists.loadIntoSelected(SlotList::Additional, file("other/map.png")), "map (2).png");
    lists.Files3.first();
    module.state().setModified(false);
    EXPECT_TRUE(lists.clearSelected(SlotList::Additional));
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(storedNames(), us({"map (2).png"})); // the other file stays
    EXPECT_EQ(rows(lists.Files3), us({"Дополнительный файл графики|||", "Дополнительный файл графики|map (2).png|map.png|",
                                      "Дополнительный файл графики|||"}));
    EXPECT_FALSE(lists.clearSelected(SlotList::Additional)); // an empty slot: nothing happens
    lists.BuildFileLists();
    EXPECT_EQ(rows(lists.Files3), us({"Дополнительный файл графики|map (2).png|map.png|", "Дополнительный файл графики|||"}));
}

TEST_F(SlotListsTest, ACommentGoesToTheSlotAndItsAttachmentOnlyWhenItChanged)
{
    EXPECT_FALSE(lists.setSelectedComment(SlotList::Documents, cp("пусто"))); // an empty slot
    lists.loadIntoSelected(SlotList::Documents, file("a.pdf"));
    module.state().setModified(false);
    EXPECT_FALSE(lists.setSelectedComment(SlotList::Documents, QByteArray()));
    EXPECT_FALSE(module.state().modified());
    EXPECT_TRUE(lists.setSelectedComment(SlotList::Documents, cp("согласовано")));
    EXPECT_TRUE(module.state().modified());
    EXPECT_EQ(EnumerateAttachments(module.FILES)[0].description, cp("согласовано"));
    lists.BuildFileLists();
    EXPECT_EQ(rows(lists.Files1)[0], u("Титульный лист|Титульный лист.pdf|a.pdf|согласовано"));
    EXPECT_TRUE(lists.setSelectedComment(SlotList::Documents, QByteArray())); // an empty text clears it
    EXPECT_EQ(EnumerateAttachments(module.FILES)[0].description, QByteArray());
}

TEST_F(SlotListsTest, ExportNeedsAStoredFileWithContent)
{
    EXPECT_FALSE(lists.selectForExport(SlotList::Documents));
    stored("Титульный лист.txt");
    lists.BuildFileLists();
    EXPECT_TRUE(lists.selectForExport(SlotList::Documents));
    EXPECT_EQ(lists.exportName(SlotList::Documents), cp("Титульный лист.txt")); // no source name: the stored one
    module.FILES.edit();
    module.FILES.fieldByName("CONTENT").clear();
    module.FILES.post();
    EXPECT_FALSE(lists.selectForExport(SlotList::Documents));
    module.FILES.deleteRecord();
    EXPECT_FALSE(lists.selectForExport(SlotList::Documents)); // the slot's file is gone
}

TEST(SlotNames, ExtensionsAreTakenAfterTheLastDot)
{
    EXPECT_EQ(FileExtension("plan.PDF"), ".PDF");
    EXPECT_EQ(FileExtension("archive.tar.gz"), ".gz");
    EXPECT_EQ(FileExtension("README"), "");
    EXPECT_EQ(WithoutExtension("Geo1.tar.gz"), "Geo1.tar");
    EXPECT_EQ(WithoutExtension("Geo1"), "Geo1");
}
