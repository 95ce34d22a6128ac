// The dictionary files the build places beside the test program, as the application reads them.
#include "model_fixture.h"

namespace talvena::test {
namespace {

class ShippedDictionariesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        const QString folder = executableFolder();
        ASSERT_TRUE(QFile::exists(folder + "/DICTIONARYS.BIN")) << "build the dictionaries target first";
        module.DataModuleCreate(folder);
    }
    TDataModule2 module;
};

TEST_F(ShippedDictionariesTest, EveryDictionaryIsOrderedReadOnlyAndStartsWithTheEmptyEntry)
{
    for (int n = 1; n <= TDataModule2::kDictionaryCount; ++n) {
        RecordTable& d = *module.dict(n);
        EXPECT_TRUE(d.readOnly()) << n;
        if (d.tag == 0) continue;
        const Field& id = d.fieldByName("ID");
        const Field& alt = d.fieldByName("ALTORDER");
        bool leading = false;
        for (int i = 0; i < d.storedCount(); ++i) {
            const uint32_t row = d.storedRow(i);
            if (d.rowValue(row, id) == Value::integer(0) && d.rowBytes(row, d.fieldByName("NAME")).isEmpty())
                leading = true;
        }
        EXPECT_TRUE(leading) << n;
        const QByteArray spec = d.sortSpec();
        EXPECT_TRUE(spec == "NAME" || spec == "ALTORDER") << n;
        if (spec == "ALTORDER") {
            for (int i = 1; i < d.storedCount(); ++i)
                EXPECT_LE(d.rowValue(d.storedRow(i - 1), alt).isNull() ? INT64_MIN : d.rowInteger(d.storedRow(i - 1), alt),
                          d.rowValue(d.storedRow(i), alt).isNull() ? INT64_MIN : d.rowInteger(d.storedRow(i), alt))
                    << n;
        } else {
            // The empty entry sorts before every named one.
            EXPECT_TRUE(d.rowBytes(d.storedRow(0), d.fieldByName("NAME")).isEmpty()) << n;
        }
    }
}

TEST_F(ShippedDictionariesTest, FixedIdentifiersAndCascadesWorkOnTheRealData)
{
    for (int id : {89, 90, 91, 92}) EXPECT_TRUE(module.dict(5)->locate("ID", Value::integer(id))) << id;
    for (int id : {397, 398, 399, 401, 886}) EXPECT_TRUE(module.dict(18)->locate("ID", Value::integer(id))) << id;

    // Choosing the first federal district offers its subjects and the empty entry.
    RecordTable& districts = *module.dict(1);
    districts.first();
    districts.next();
    const int64_t district = districts.fieldByName("ID").asInteger();
    module.PASPORTS.fieldByName("FEDERALOKRUG_ID").setInteger(district);
    RecordTable& oblasts = *module.dict(4);
    ASSERT_GT(oblasts.recordCount(), 1);
    for (int i = 0; i < oblasts.visibleCount(); ++i) {
        const uint32_t row = oblasts.visibleRow(i);
        const int64_t parent = oblasts.rowInteger(row, oblasts.fieldByName("PARENT_ID"));
        EXPECT_TRUE(parent == district || oblasts.rowInteger(row, oblasts.fieldByName("ID")) == 0);
    }
}

} // namespace
} // namespace talvena::test
