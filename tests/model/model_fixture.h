#pragma once
// Dictionary files written by the tests themselves, and a data module created from them.
#include "base/cp1251.h"
#include "base/error.h"
#include "support/error_of.h"
#include "model/data_module.h"
#include "storage/table_stream.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace talvena::test {

inline QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

// One field's value in a list of values written together; a text is given in UTF-8.
struct FieldValue {
    FieldValue(const char* f, int v) : field(f), value(Value::integer(v)) {}
    FieldValue(const char* f, double v) : field(f), value(Value::real(v)) {}
    FieldValue(const char* f, const char* utf8) : field(f), value(Value::bytes(cp(utf8))) {}
    const char* field;
    Value value;
};

// Writes the values into the current record of `t` in the order given and posts it.
inline void setFields(RecordTable& t, std::initializer_list<FieldValue> values)
{
    for (const FieldValue& v : values) t.fieldByName(v.field).setValue(v.value);
    t.post();
}

using testsupport::errorOf;

// The folder of the running test program, where the build puts the shipped dictionary files.
inline QString executableFolder() { return QFileInfo(QFile::symLinkTarget("/proc/self/exe")).absolutePath(); }

struct DictEntry {
    int group;
    std::optional<int> id;
    const char* name; // UTF-8
    int parent = 0;
    std::optional<int> altOrder{};
};

struct GroupEntry {
    int id;
    std::optional<QByteArray> useAltOrder; // nullopt: NULL
};

inline void writeStream(RecordTable& t, const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) throw Error("cannot write " + path.toStdString());
    WriteTableStream(t, file, TableStreamFormats{}.kbmBinaryStreamFormat1);
}

inline void writeDictionaries(const QString& dir, const std::vector<DictEntry>& entries)
{
    RecordTable t("DICTIONARYS");
    t.addField("ID", FieldType::Integer);
    t.addField("GROUP_ID", FieldType::Integer);
    t.addField("NAME", FieldType::String, 128);
    t.addField("PARENT_ID", FieldType::Integer);
    t.addField("ALTORDER", FieldType::Integer);
    t.open();
    for (const DictEntry& e : entries) {
        t.append();
        if (e.id) t.fieldByName("ID").setInteger(*e.id);
        t.fieldByName("GROUP_ID").setInteger(e.group);
        t.fieldByName("NAME").setString(cp(e.name));
        t.fieldByName("PARENT_ID").setInteger(e.parent);
        if (e.altOrder) t.fieldByName("ALTORDER").setInteger(*e.altOrder);
        t.post();
    }
    writeStream(t, dir + "/DICTIONARYS.BIN");
}

inline void writeGroups(const QString& dir, const std::vector<GroupEntry>& groups)
{
    RecordTable t("Groups");
    t.addField("ID", FieldType::Integer);
    t.addField("GROUPNAME", FieldType::String, 128);
    t.addField("PARENT_ID", FieldType::Integer);
    t.addField("USE_ALTORDER", FieldType::FixedChar, 1);
    t.open();
    for (const GroupEntry& g : groups) {
        t.append();
        t.fieldByName("ID").setInteger(g.id);
        if (g.useAltOrder) t.fieldByName("USE_ALTORDER").setString(*g.useAltOrder);
        t.post();
    }
    writeStream(t, dir + "/GROUPS.BIN");
}

// A small set of every kind of dictionary the rules look into.
inline std::vector<DictEntry> standardEntries()
{
    return {
        {1, 7, "Сибирский"},       {1, 8, "Уральский"},
        {2, 21, "Алтай", 7},       {2, 22, "Башкортостан", 8},  {2, 23, "Без округа", 0},
        {3, 31, "Алтайский", 7},   {3, 32, "Пермский", 8},
        {4, 41, "Томская", 7},     {4, 42, "Тюменская", 8},
        {11, 111, "Западно-Сибирская"}, {11, 112, "Волго-Уральская"},
        {12, 121, "Васюганская", 111}, {12, 122, "Татарская", 112}, {12, 123, "Вне провинций", 0},
        {13, 131, "Нюрольский", 121},  {13, 132, "Южно-Татарский", 122}, {13, 133, "Без области", 0},
        {14, 141, "Антиклинальная"},
        {16, 161, "J1", 191, 20},  {16, 162, "K1", 191, 10},
        {16, 163, "Очень длинный стратиграфический индекс, который не помещается в шестьдесят четыре знака",
         0, 30},
        {17, 171, "Поровый"},
        {18, 397, "нефть"},        {18, 398, "газ"},
        {19, 191, "Юрская", 0, 1},
    };
}

inline std::vector<GroupEntry> standardGroups()
{
    std::vector<GroupEntry> g;
    for (int id = 1; id <= 20; ++id) g.push_back({id, QByteArray(id == 16 || id == 19 ? "Y" : "N")});
    return g;
}

// A data module created from the standard dictionaries, fresh for every test.
class ModuleTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        dir_ = new QTemporaryDir;
        writeDictionaries(dir_->path(), standardEntries());
        writeGroups(dir_->path(), standardGroups());
    }
    static void TearDownTestSuite()
    {
        delete dir_;
        dir_ = nullptr;
    }
    void SetUp() override
    {
        module.DataModuleCreate(dir_->path());
    }

    Field& field(RecordTable& t, const char* name) { return t.fieldByName(name); }
    Field& pasport(const char* name) { return module.PASPORTS.fieldByName(name); }

    // A posted productive horizon, current, with its identifier.
    int32_t addProductHorizon(const char* name = "Ю1")
    {
        RecordTable& h = module.POSIB_PRODUCT_HOR;
        h.append();
        h.fieldByName("STRATIGRSVIT").setString(cp(name));
        h.post();
        return static_cast<int32_t>(h.fieldByName("ID").asInteger());
    }

    int64_t pointCount() { return module.POSIB_PRODUCT_HOR.fieldByName("KONTURNUMPOINTS").asInteger(); }

    static inline QTemporaryDir* dir_ = nullptr;
    TDataModule2 module;
};

} // namespace talvena::test
