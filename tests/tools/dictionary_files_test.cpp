// The dictionary files the build puts beside the executables, read the way the application reads them.
#include "base/cp1251.h"
#include "storage/table_stream.h"
#include "table/record_table.h"

#include <gtest/gtest.h>

#include <QFile>
#include <algorithm>
#include <filesystem>
#include <map>
#include <optional>
#include <set>
#include <vector>

namespace talvena {
namespace {

QString besideExecutable(const char* fileName)
{
    const auto dir = std::filesystem::read_symlink("/proc/self/exe").parent_path();
    return QString::fromStdString((dir / fileName).string());
}

QByteArray cp(const char* utf8) { return utf8ToCp1251(QByteArray(utf8)); }

struct Entry {
    int32_t id;
    QByteArray name;
    int32_t parent;
    std::optional<int32_t> altOrder;
};

class ShippedDictionaries : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        RecordTable table("DICTIONARYS");
        ReadTableFile(table, besideExecutable("DICTIONARYS.BIN"), tableStreamFormats().kbmBinaryStreamFormat1);
        const Field& id = table.fieldByName("ID");
        const Field& group = table.fieldByName("GROUP_ID");
        const Field& name = table.fieldByName("NAME");
        const Field& parent = table.fieldByName("PARENT_ID");
        const Field& alt = table.fieldByName("ALTORDER");
        for (int i = 0; i < table.storedCount(); ++i) {
            const uint32_t r = table.storedRow(i);
            ASSERT_FALSE(table.rowIsNull(r, id));
            ASSERT_FALSE(table.rowIsNull(r, group));
            ASSERT_FALSE(table.rowIsNull(r, parent)) << "PARENT_ID is 0 for none, never NULL";
            dicts_[table.rowInteger(r, group)].push_back(
                {table.rowInteger(r, id), table.rowBytes(r, name), table.rowInteger(r, parent),
                 table.rowIsNull(r, alt) ? std::nullopt : std::optional<int32_t>(table.rowInteger(r, alt))});
        }
    }

    static const std::vector<Entry>& dict(int n) { return dicts_[n]; }
    static const Entry* find(int n, int32_t id)
    {
        for (const Entry& e : dicts_[n])
            if (e.id == id) return &e;
        return nullptr;
    }
    static const Entry* findName(int n, const char* utf8)
    {
        for (const Entry& e : dicts_[n])
            if (e.name == cp(utf8)) return &e;
        return nullptr;
    }
    static std::vector<Entry> byAltOrder(int n)
    {
        std::vector<Entry> v = dicts_[n];
        std::stable_sort(v.begin(), v.end(), [](const Entry& a, const Entry& b) { return a.altOrder < b.altOrder; });
        return v;
    }
    // Every entry of `child` has a parent in `parent`, and every parent in `parent` at least one child.
    static void expectTwoLevels(int child, int parent, bool everyParentHasChildren)
    {
        std::set<int32_t> used;
        for (const Entry& e : dict(child)) {
            EXPECT_NE(find(parent, e.parent), nullptr) << "Dict" << child << " entry " << e.id;
            used.insert(e.parent);
        }
        if (!everyParentHasChildren) return;
        for (const Entry& p : dict(parent)) {
            EXPECT_TRUE(used.count(p.id)) << "Dict" << parent << " entry " << p.id;
        }
    }

    static inline std::map<int, std::vector<Entry>> dicts_;
};

TEST_F(ShippedDictionaries, GroupsListTwentyDictionariesAndOrderTheStratigraphicOnesByAltOrder)
{
    RecordTable groups("Groups");
    ReadTableFile(groups, besideExecutable("GROUPS.BIN"), tableStreamFormats().kbmBinaryStreamFormat1);
    const Field& use = groups.fieldByName("USE_ALTORDER");
    EXPECT_EQ(use.type(), FieldType::FixedChar);
    EXPECT_EQ(use.size(), 1);
    const Field& id = groups.fieldByName("ID");
    const Field& parent = groups.fieldByName("PARENT_ID");
    const Field& name = groups.fieldByName("GROUPNAME");
    ASSERT_EQ(groups.storedCount(), 20);
    std::map<int32_t, int32_t> parents;
    for (int i = 0; i < 20; ++i) {
        const uint32_t r = groups.storedRow(i);
        const int32_t n = groups.rowInteger(r, id);
        EXPECT_EQ(n, i + 1);
        EXPECT_FALSE(groups.rowBytes(r, name).isEmpty());
        // The application orders by ALTORDER only on exactly "Y".
        EXPECT_EQ(groups.rowBytes(r, use), QByteArray(n == 16 || n == 19 ? "Y" : "N")) << "group " << n;
        parents[n] = groups.rowInteger(r, parent);
    }
    EXPECT_EQ(parents[2], 1);
    EXPECT_EQ(parents[4], 1);
    EXPECT_EQ(parents[12], 11);
    EXPECT_EQ(parents[13], 12);
    EXPECT_EQ(parents[16], 19);
    EXPECT_EQ(parents[5], 0);
    EXPECT_TRUE(dict(20).empty());
}

TEST_F(ShippedDictionaries, FixedIdsCarryTheMeaningThePageRulesGiveThem)
{
    const struct { int group; int32_t id; const char* name; } fixed[] = {
        {5, 89, "Сейсморазведка"}, {5, 90, "Электроразведка"}, {5, 91, "Структурное бурение"},
        {5, 92, "Другой геофизический метод"}, {8, 108, "Взрывной"},
        {18, 397, "Нефть"}, {18, 398, "Газ"}, {18, 399, "Нефть и газ"}, {18, 401, "Газоконденсат"},
        {18, 886, "Нефть, газ и конденсат"},
    };
    for (const auto& f : fixed) {
        const Entry* e = find(f.group, f.id);
        ASSERT_NE(e, nullptr) << f.id;
        EXPECT_EQ(e->name, cp(f.name)) << f.id;
    }
    // A second source kind exists, so the non-explosive branch of the rule can be chosen.
    EXPECT_NE(findName(8, "Невзрывной"), nullptr);
    EXPECT_FALSE(dict(9).empty());
    EXPECT_FALSE(dict(10).empty());
}

TEST_F(ShippedDictionaries, EveryFederalSubjectBelongsToAFederalDistrict)
{
    EXPECT_EQ(dict(1).size(), 8u);
    EXPECT_EQ(dict(2).size(), 24u);
    EXPECT_EQ(dict(3).size(), 9u);
    EXPECT_EQ(dict(4).size(), 56u); // 48 oblasts, 3 federal cities, 1 autonomous oblast, 4 autonomous okrugs
    std::set<int32_t> districtsWithSubjects;
    for (int n : {2, 3, 4})
        for (const Entry& e : dict(n)) {
            EXPECT_NE(find(1, e.parent), nullptr) << "Dict" << n << " entry " << e.id;
            districtsWithSubjects.insert(e.parent);
        }
    EXPECT_EQ(districtsWithSubjects.size(), 8u);
    const struct { const char* district; int subjects; } perDistrict[] = {
        {"Центральный федеральный округ", 18}, {"Северо-Западный федеральный округ", 11},
        {"Южный федеральный округ", 12}, {"Северо-Кавказский федеральный округ", 7},
        {"Приволжский федеральный округ", 14}, {"Уральский федеральный округ", 6},
        {"Сибирский федеральный округ", 10}, {"Дальневосточный федеральный округ", 11},
    };
    for (const auto& d : perDistrict) {
        const Entry* district = findName(1, d.district);
        ASSERT_NE(district, nullptr) << d.district;
        int count = 0;
        for (int n : {2, 3, 4})
            count += int(std::count_if(dict(n).begin(), dict(n).end(),
                                       [&](const Entry& e) { return e.parent == district->id; }));
        EXPECT_EQ(count, d.subjects) << d.district;
    }

    const auto districtOf = [&](int n, const char* subject) -> QByteArray {
        const Entry* e = findName(n, subject);
        if (!e) return "missing";
        const Entry* d = find(1, e->parent);
        return d ? d->name : QByteArray("no district");
    };
    EXPECT_EQ(districtOf(4, "Тюменская область"), cp("Уральский федеральный округ"));
    EXPECT_EQ(districtOf(4, "Ханты-Мансийский автономный округ — Югра"), cp("Уральский федеральный округ"));
    EXPECT_EQ(districtOf(2, "Республика Бурятия"), cp("Дальневосточный федеральный округ"));
    EXPECT_EQ(districtOf(3, "Забайкальский край"), cp("Дальневосточный федеральный округ"));
    EXPECT_EQ(districtOf(2, "Республика Коми"), cp("Северо-Западный федеральный округ"));
    EXPECT_EQ(districtOf(3, "Ставропольский край"), cp("Северо-Кавказский федеральный округ"));
    EXPECT_EQ(districtOf(4, "г. Москва"), cp("Центральный федеральный округ"));
}

TEST_F(ShippedDictionaries, PetroleumRegionsAndDistrictsHangOnTheirParents)
{
    expectTwoLevels(12, 11, false);
    expectTwoLevels(13, 12, false);
    // The West Siberian province is covered down to its districts.
    const Entry* westSiberia = findName(11, "Западно-Сибирская");
    ASSERT_NE(westSiberia, nullptr);
    std::set<int32_t> regionsWithDistricts;
    for (const Entry& d : dict(13)) regionsWithDistricts.insert(d.parent);
    int regions = 0;
    for (const Entry& r : dict(12))
        if (r.parent == westSiberia->id) {
            ++regions;
            EXPECT_TRUE(regionsWithDistricts.count(r.id)) << r.id;
        }
    EXPECT_GE(regions, 10);
    const Entry* surgut = findName(13, "Сургутский");
    ASSERT_NE(surgut, nullptr);
    EXPECT_EQ(find(12, surgut->parent)->name, cp("Среднеобская"));
}

TEST_F(ShippedDictionaries, StratigraphicColumnRunsFromTheYoungestToTheOldestUnit)
{
    expectTwoLevels(16, 19, true);

    std::vector<QByteArray> systems;
    for (const Entry& e : byAltOrder(19)) {
        ASSERT_TRUE(e.altOrder && *e.altOrder > 0) << "0 belongs to the empty entry";
        systems.push_back(e.name);
    }
    const char* phanerozoicDown[] = {"Четвертичная", "Неогеновая", "Палеогеновая", "Меловая", "Юрская",
                                     "Триасовая", "Пермская", "Каменноугольная", "Девонская", "Силурийская",
                                     "Ордовикская", "Кембрийская", "Вендская", "Рифейская"};
    auto at = systems.begin();
    for (const char* s : phanerozoicDown) {
        at = std::find(at, systems.end(), cp(s));
        EXPECT_NE(at, systems.end()) << s << " missing or out of order";
    }
    EXPECT_EQ(systems.front(), cp("Четвертичная"));

    // Sorted by ALTORDER, the indexes pass through the systems in the systems' order, each once.
    std::optional<int32_t> lastOrder, lastSystemOrder;
    for (const Entry& e : byAltOrder(16)) {
        ASSERT_TRUE(e.altOrder && *e.altOrder > 0);
        EXPECT_NE(e.altOrder, lastOrder) << "ALTORDER repeated at " << e.name.constData();
        const std::optional<int32_t> systemOrder = find(19, e.parent)->altOrder;
        EXPECT_GE(systemOrder, lastSystemOrder) << e.name.constData();
        lastOrder = e.altOrder;
        lastSystemOrder = systemOrder;
    }

    const auto order = [&](const char* index) {
        const Entry* e = findName(16, index);
        return e ? e->altOrder.value_or(-1) : -1;
    };
    const char* downward[] = {"Q", "N2", "Pg1", "K", "K2", "K2s", "K1", "K1al", "K1a", "K1b", "J3", "J3v",
                              "J2bt", "J1", "T1", "Pz", "P1k", "C2b", "C1t", "D3fm", "D2ef", "S1",
                              "O1", "€", "€1", "V", "R", "AR"};
    for (size_t i = 0; i + 1 < std::size(downward); ++i) {
        EXPECT_GT(order(downward[i]), 0) << downward[i];
        EXPECT_LT(order(downward[i]), order(downward[i + 1])) << downward[i] << " / " << downward[i + 1];
    }
    ASSERT_NE(findName(16, "€1"), nullptr);
    EXPECT_EQ(findName(16, "€1")->name, QByteArray("\x88" "1")); // the Cambrian sign of the code page
}

TEST_F(ShippedDictionaries, NamesAreUniqueKeysWithTextsTheCodePageHolds)
{
    std::set<int32_t> ids;
    int total = 0;
    for (const auto& [group, entries] : dicts_) {
        EXPECT_GE(group, 1);
        EXPECT_LE(group, 20);
        std::set<QByteArray> names;
        for (const Entry& e : entries) {
            ++total;
            EXPECT_GT(e.id, 0);
            EXPECT_TRUE(ids.insert(e.id).second) << "ID " << e.id << " repeated";
            EXPECT_FALSE(e.name.isEmpty()) << e.id;
            EXPECT_LE(e.name.size(), 128) << e.id;
            // A character lost on the way in would have become '?'.
            EXPECT_FALSE(e.name.contains('?')) << e.id;
            EXPECT_TRUE(names.insert(e.name).second) << "name repeated in Dict" << group << ": " << e.id;
        }
    }
    EXPECT_GT(total, 300);
}

} // namespace
} // namespace talvena
