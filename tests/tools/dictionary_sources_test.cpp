// The dictionary compiler: what it accepts, what it refuses, and the files it writes.
#include "tools/dictionary_sources.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "storage/table_stream.h"
#include "table/record_table.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>

namespace talvena {
namespace {

using ::testing::HasSubstr;

// The message of the error the call throws, or "no error".
std::string failure(const std::function<void()>& call)
{
    try {
        call();
    } catch (const Error& e) {
        return e.what();
    }
    return "no error";
}

QByteArray groupsText(int count = 20)
{
    QByteArray t = "# groups\nID\tGROUPNAME\tPARENT_ID\tUSE_ALTORDER\n";
    for (int n = 1; n <= count; ++n) {
        const int parent = n == 2 ? 1 : n == 16 ? 19 : 0;
        t += QByteArray::number(n) + "\tГруппа " + QByteArray::number(n) + '\t' + QByteArray::number(parent) +
             '\t' + (n == 16 || n == 19 ? "Y" : "N") + '\n';
    }
    return t;
}

const QByteArray kHeader = "ID\tNAME\tPARENT_ID\tALTORDER\n";

// A small but complete set: every fixed ID, one two-level pair, one ordered pair.
DictionarySources validSources()
{
    DictionarySources s;
    s.groups = parseGroups(groupsText(), "groups.tsv");
    const std::pair<int, QByteArray> files[] = {
        {1, kHeader + "1001\tЦентральный\n"},
        {2, kHeader + "2001\tРеспублика\t1001\n"},
        {5, kHeader + "89\tСейсморазведка\n90\tЭлектроразведка\n91\tБурение\n92\tДругой\n"},
        {8, kHeader + "108\tВзрывной\n8001\tНевзрывной\n"},
        {16, kHeader + "16001\tK2\t19001\t10\n16002\tK1\t19001\t20\n16003\tJ3\t19002\t30\n"},
        {18, kHeader + "397\tНефть\n398\tГаз\n399\tНефть и газ\n401\tГазоконденсат\n886\tВсе\n"},
        {19, kHeader + "19001\tМеловая\t0\t10\n19002\tЮрская\t0\t20\n"},
    };
    for (const auto& [n, text] : files)
        for (DictionaryEntry& e : parseDictionary(text, n, QString("dict%1.tsv").arg(n)))
            s.entries.push_back(std::move(e));
    return s;
}

DictionaryEntry* entry(DictionarySources& s, int32_t id)
{
    for (DictionaryEntry& e : s.entries)
        if (e.id == id) return &e;
    return nullptr;
}

// What validation says of the valid set once `spoil` has changed it.
std::string refused(const std::function<void(DictionarySources&)>& spoil)
{
    DictionarySources s = validSources();
    spoil(s);
    return failure([&] { validateDictionarySources(s); });
}

TEST(DictionarySourceParsing, ReadsOptionalCellsCommentsAndLineEndings)
{
    const QByteArray text = "\xEF\xBB\xBF# comment\r\n\r\n" + kHeader +
                            "5\tПоровый\r\n"
                            "6\tK1al\t19001\t40\t# альбский ярус\n"
                            "7\tТрещинный\t\t\n";
    const auto entries = parseDictionary(text, 17, "x.tsv");
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].name, utf8ToCp1251("Поровый"));
    EXPECT_EQ(entries[0].parentId, 0);
    EXPECT_FALSE(entries[0].altOrder.has_value());
    EXPECT_EQ(entries[1].parentId, 19001);
    EXPECT_EQ(entries[1].altOrder, 40);
    EXPECT_EQ(entries[2].groupId, 17);
    EXPECT_EQ(entries[2].origin.toStdString(), "x.tsv:6");
}

TEST(DictionarySourceParsing, RefusesCellsTheFilesCannotCarry)
{
    const auto parse = [](const QByteArray& rows) { return failure([&] { parseDictionary(kHeader + rows, 16, "s.tsv"); }); };
    EXPECT_THAT(parse("1\t\xE2\x82\xBD" "1\n"), HasSubstr("s.tsv:2: NAME")); // the Paleogene sign, not in CP1251
    EXPECT_THAT(parse("1\t\xE2\x82\xBD" "1\n"), HasSubstr("Windows-1251"));
    EXPECT_THAT(parse("1\t" + QByteArray(129, 'x') + '\n'), HasSubstr("longer than 128"));
    // The limit counts code-page bytes: 128 Cyrillic letters are 256 bytes of UTF-8 and fit.
    EXPECT_EQ(parse("1\t" + QByteArray("\xD0\xAF").repeated(128) + '\n'), "no error");
    EXPECT_THAT(parse("1\t K1\n"), HasSubstr("spaces"));
    EXPECT_THAT(parse("1\t\n"), HasSubstr("NAME is empty"));
    EXPECT_THAT(parse("12a\tX\n"), HasSubstr("ID is not an integer"));
    EXPECT_THAT(parse("99999999999\tX\n"), HasSubstr("ID is not an integer"));
    EXPECT_THAT(parse("1\tX\t+5\n"), HasSubstr("PARENT_ID is not an integer"));
    EXPECT_THAT(parse("0\tX\n"), HasSubstr("positive"));
    EXPECT_THAT(parse("1\tX\t0\t10\textra\n"), HasSubstr("more than 4 cells"));
    EXPECT_THAT(failure([] { parseDictionary("1\tX\n", 1, "h.tsv"); }), HasSubstr("h.tsv:1: expected the header"));
    EXPECT_THAT(failure([] { parseDictionary("# only a comment\n", 1, "h.tsv"); }), HasSubstr("no header"));
    EXPECT_THAT(failure([] { parseGroups("ID\tGROUPNAME\tPARENT_ID\tUSE_ALTORDER\n1\tA\t0\ty\n", "g.tsv"); }),
                HasSubstr("g.tsv:2: USE_ALTORDER must be Y or N"));
}

TEST(DictionarySourceParsing, TakesTheDictionaryNumberFromTheFileName)
{
    EXPECT_EQ(dictionaryNumberOfFile("/data/dictionaries/dict05_methods.tsv"), 5);
    EXPECT_EQ(dictionaryNumberOfFile("dict20_reserve.tsv"), 20);
    for (const char* bad : {"dict21_x.tsv", "dict00_x.tsv", "dict5_x.tsv", "methods.tsv", "dict05_x.txt"})
        EXPECT_THAT(failure([&] { dictionaryNumberOfFile(bad); }), HasSubstr("dictNN_")) << bad;
}

TEST(DictionarySourceValidation, AcceptsACompleteSet)
{
    EXPECT_EQ(failure([] { validateDictionarySources(validSources()); }), "no error");
}

TEST(DictionarySourceValidation, RefusesKeysThatWouldMisleadLookupsOrRules)
{
    // Unique across the file, not only within a dictionary.
    EXPECT_THAT(refused([](auto& s) { entry(s, 8001)->id = 1001; }), HasSubstr("already used at dict1.tsv:2"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 108)->id = 109; }), HasSubstr("ID 108"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 401)->groupId = 5; }), HasSubstr("ID 401"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 2001)->parentId = 1002; }), HasSubstr("no entry of dictionary 1"));
    // A parent ID that exists, but in another dictionary than the parent group.
    EXPECT_THAT(refused([](auto& s) { entry(s, 2001)->parentId = 89; }), HasSubstr("no entry of dictionary 1"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 89)->parentId = 1001; }), HasSubstr("without parents"));
}

TEST(DictionarySourceValidation, RefusesAnAlternativeOrderThatBreaksTheColumn)
{
    EXPECT_THAT(refused([](auto& s) { entry(s, 16002)->altOrder = 10; }), HasSubstr("does not follow 10"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 16002)->altOrder.reset(); }), HasSubstr("ALTORDER must be"));
    EXPECT_THAT(refused([](auto& s) { entry(s, 19001)->altOrder = 0; }), HasSubstr("ALTORDER must be"));
    // K2 moved into the Jurassic block: sorted, the Cretaceous would be split around it.
    EXPECT_THAT(refused([](auto& s) {
                    entry(s, 16001)->parentId = 19002;
                }),
                HasSubstr("its parent comes before"));
    // Flat dictionaries may leave ALTORDER empty or unordered.
    EXPECT_EQ(refused([](auto& s) { entry(s, 90)->altOrder = 7; }), "no error");
}

TEST(DictionarySourceValidation, RefusesGroupListsTheApplicationCannotUse)
{
    const auto refused = [](const QByteArray& groups) {
        DictionarySources s = validSources();
        s.groups = parseGroups(groups, "g.tsv");
        return failure([&] { validateDictionarySources(s); });
    };
    EXPECT_THAT(refused(groupsText(19)), HasSubstr("every dictionary from 1 to 20"));
    EXPECT_THAT(refused(groupsText() + "21\tX\t0\tN\n"), HasSubstr("outside 1..20"));
    EXPECT_THAT(refused(groupsText() + "3\tX\t0\tN\n"), HasSubstr("listed twice"));
    QByteArray cycle = groupsText();
    cycle.replace("19\tГруппа 19\t0\tY", "19\tГруппа 19\t16\tY");
    EXPECT_THAT(refused(cycle), HasSubstr("cycle"));
}

TEST(DictionaryFileWriting, WritesTablesTheApplicationReadsBack)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    writeDictionaryFiles(validSources(), dir.path());

    QFile raw(dir.filePath("DICTIONARYS.BIN"));
    ASSERT_TRUE(raw.open(QIODevice::ReadOnly));
    EXPECT_TRUE(raw.read(2) == "\x1F\x8B"); // one gzip member, as the first stream format reads it

    RecordTable dicts("DICTIONARYS");
    ReadTableFile(dicts, dir.filePath("DICTIONARYS.BIN"), tableStreamFormats().kbmBinaryStreamFormat1);
    ASSERT_EQ(dicts.fieldCount(), 5);
    EXPECT_TRUE(dicts.fieldByName("ID").required());
    EXPECT_EQ(dicts.fieldByName("NAME").size(), 128);
    ASSERT_EQ(dicts.storedCount(), int(validSources().entries.size()));
    // Group order, then file order; a flat entry's ALTORDER stays NULL, its PARENT_ID is 0.
    const uint32_t first = dicts.storedRow(0);
    EXPECT_EQ(dicts.rowInteger(first, dicts.fieldByName("ID")), 1001);
    EXPECT_EQ(dicts.rowInteger(dicts.storedRow(1), dicts.fieldByName("GROUP_ID")), 2);
    EXPECT_EQ(dicts.rowBytes(first, dicts.fieldByName("NAME")), utf8ToCp1251("Центральный"));
    EXPECT_FALSE(dicts.rowIsNull(first, dicts.fieldByName("PARENT_ID")));
    EXPECT_EQ(dicts.rowInteger(first, dicts.fieldByName("PARENT_ID")), 0);
    EXPECT_TRUE(dicts.rowIsNull(first, dicts.fieldByName("ALTORDER")));

    RecordTable groups("Groups");
    ReadTableFile(groups, dir.filePath("GROUPS.BIN"), tableStreamFormats().kbmBinaryStreamFormat1);
    ASSERT_EQ(groups.storedCount(), 20);
    EXPECT_EQ(groups.rowBytes(groups.storedRow(15), groups.fieldByName("USE_ALTORDER")), "Y");
    EXPECT_EQ(groups.rowInteger(groups.storedRow(15), groups.fieldByName("PARENT_ID")), 19);

    // Invalid sources leave the files that are there untouched.
    DictionarySources bad = validSources();
    entry(bad, 92)->id = 93;
    EXPECT_THAT(failure([&] { writeDictionaryFiles(bad, dir.path()); }), HasSubstr("ID 92"));
    RecordTable again("DICTIONARYS");
    ReadTableFile(again, dir.filePath("DICTIONARYS.BIN"), tableStreamFormats().kbmBinaryStreamFormat1);
    EXPECT_EQ(again.storedCount(), dicts.storedCount());
}

TEST(DictionaryFileWriting, LoadsSourcesFolderByDictionaryNumber)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QDir(dir.path()).mkdir("dictionaries");
    const auto put = [&](const QString& name, const QByteArray& text) {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(text);
    };
    put("groups.tsv", groupsText());
    put("dictionaries/dict10_b.tsv", kHeader + "10001\tB\n");
    put("dictionaries/dict02_a.tsv", kHeader + "2001\tA\t1001\n");
    const DictionarySources s = loadDictionarySources(dir.path());
    ASSERT_EQ(s.entries.size(), 2u);
    EXPECT_EQ(s.entries[0].groupId, 2); // dictionary number order, whatever the directory order
    EXPECT_EQ(s.entries[1].groupId, 10);
    EXPECT_THAT(s.entries[1].origin.toStdString(), HasSubstr("dict10_b.tsv:2"));

    put("dictionaries/dict02_again.tsv", kHeader + "2002\tC\t1001\n");
    EXPECT_THAT(failure([&] { loadDictionarySources(dir.path()); }), HasSubstr("second source for dictionary 2"));
}

} // namespace
} // namespace talvena
