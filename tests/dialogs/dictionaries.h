#pragma once
// Small stratigraphic dictionaries shaped as the data module builds them: the empty entry first,
// ID / NAME / PARENT_ID / ALTORDER, read-only.
#include "base/cp1251.h"
#include "table/record_table.h"

#include <memory>

namespace talvena::testing {

struct Entry {
    int id;
    const char* name; // UTF-8
    int parent;
};

inline std::unique_ptr<RecordTable> makeDictionary(const char* name, std::initializer_list<Entry> entries)
{
    auto t = std::make_unique<RecordTable>(name);
    t->addField("ID", FieldType::Integer);
    t->addField("NAME", FieldType::String, 128);
    t->addField("PARENT_ID", FieldType::Integer);
    t->addField("ALTORDER", FieldType::Integer);
    t->open();
    int order = 0;
    for (const Entry& e : entries) {
        t->append();
        t->fieldByName("ID").setInteger(e.id);
        t->fieldByName("NAME").setString(utf8ToCp1251(e.name));
        t->fieldByName("PARENT_ID").setInteger(e.parent);
        t->fieldByName("ALTORDER").setInteger(order++);
        t->post();
    }
    t->setReadOnly(true);
    t->first();
    return t;
}

// Systems: the empty one, Jurassic (1), Cretaceous (2), Triassic (3).
inline std::unique_ptr<RecordTable> makeSystems()
{
    return makeDictionary("Dict19", {{0, "", 0}, {1, "Юрская", 1}, {2, "Меловая", 1}, {3, "Триасовая", 1}});
}

// Indexes: the empty entry and Q without a system, three Jurassic, two Cretaceous, one Triassic,
// and P1 whose system the system dictionary lacks.
inline std::unique_ptr<RecordTable> makeIndexes()
{
    return makeDictionary("Dict16", {{0, "", 0}, {7, "Q", 0}, {10, "J1", 1}, {11, "J2", 1}, {12, "J3", 1},
                                     {20, "K1", 2}, {21, "K2", 2}, {30, "T1", 3}, {40, "P1", 9}});
}

inline int currentId(const RecordTable& t) { return static_cast<int>(t.fieldByName("ID").asInteger()); }

} // namespace talvena::testing
