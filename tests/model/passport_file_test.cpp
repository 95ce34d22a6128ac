#include "model/attachment_store.h"
#include "model_fixture.h"
#include "storage/passport_file.h"
#include "support/file_bytes.h"

#include <QBuffer>
#include <QtEndian>
#include "storage/gzip.h"

using namespace talvena;
using namespace talvena::test;

namespace {

using Rows = std::vector<std::vector<Value>>;

Rows contents(RecordTable& t)
{
    Rows rows;
    for (int i = 0; i < t.storedCount(); ++i) {
        std::vector<Value> row;
        for (int f = 0; f < t.fieldCount(); ++f)
            if (t.field(f).isData()) row.push_back(t.rowValue(t.storedRow(i), t.field(f)));
        rows.push_back(std::move(row));
    }
    return rows;
}

using testsupport::fileBytes;
using testsupport::writeFileBytes;

class PassportFileTest : public ModuleTest {
protected:
    QTemporaryDir files;

    // A passport with every kind of value: Cyrillic texts, region choices, NULLs, horizons,
    // contour points on two horizons and an attachment.
    void fillPassport()
    {
        setFields(module.PASPORTS, {{"OBJECTNAME", "Северо-Васюганская структура"},
                                    {"FEDERALOKRUG_ID", 7},
                                    {"REPUBLIC_ID", 21},
                                    {"GEO_PROVINCE_ID", 111},
                                    {"GEO_OBLAST_ID", 121},
                                    {"GEO_RAION_ID", 131},
                                    {"SHOWINGUPYEAR", 1987},
                                    {"GRIDDENCITY", 1.25},
                                    {"SHOOTSCALE", 50000}});
        RecordTable& r = module.REFLECT_HORIZONTS;
        for (const char* index : {"Б", "Ф2"}) {
            r.append();
            r.fieldByName("INDEXOG").setString(cp(index));
            r.fieldByName("IZOGIPSMARK").setFloat(2350);
            r.post();
        }
        const int32_t h1 = addProductHorizon("Ю1");
        module.POSIB_PRODUCT_HOR.edit();
        module.POSIB_PRODUCT_HOR.fieldByName("SQUARENEFTENOSN").setFloat(12.5);
        module.POSIB_PRODUCT_HOR.fieldByName("UV_ID").setInteger(397);
        module.POSIB_PRODUCT_HOR.post();
        addPoints(3);
        addProductHorizon("Ю2");
        addPoints(2);
        ASSERT_NE(h1, 0);
        const QString src = files.filePath("plan.pdf");
        writeFileBytes(src, QByteArray(3 << 20, 'p') + "end");
        AddAttachment(module.FILES, cp("Титульный лист.pdf"), src);
    }
    void addPoints(int n)
    {
        for (int i = 0; i < n; ++i) {
            module.KONTUR.append();
            module.KONTUR.fieldByName("X").setFloat(60 + i);
            module.KONTUR.fieldByName("Y").setFloat(55.5 + i);
            module.KONTUR.post();
        }
    }
    std::vector<Rows> all()
    {
        std::vector<Rows> out;
        for (RecordTable* t : module.passportTables()) out.push_back(contents(*t));
        return out;
    }
};

} // namespace

TEST_F(PassportFileTest, SaveAndOpenGiveBackEveryValue)
{
    fillPassport();
    const QString path = files.filePath("a.psp");
    module.SavePassport(path);
    EXPECT_EQ(module.state().fileName(), path);
    EXPECT_TRUE(fileBytes(path).startsWith(QByteArray::fromHex("076c6f6d6972613201")));
    const auto saved = all();

    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    other.LoadPassport(path);
    for (int i = 0; i < kPassportTableCount; ++i) EXPECT_TRUE(contents(*other.passportTables()[i]) == saved[i]) << i;
    EXPECT_EQ(other.state().fileName(), path);
    // The cascades ran while PASPORTS was copied, and the loaded values survived them.
    EXPECT_EQ(other.PASPORTS.fieldByName("GEO_RAION_ID").asInteger(), 131);
    EXPECT_EQ(other.dict(13)->filterText(), "PARENT_ID=121 OR ID=0");
    // Point counts were carried over as stored, not counted again while loading.
    other.POSIB_PRODUCT_HOR.first();
    EXPECT_EQ(other.POSIB_PRODUCT_HOR.fieldByName("KONTURNUMPOINTS").asInteger(), 3);
    EXPECT_EQ(other.KONTUR.recordCount(), 3);
    EXPECT_TRUE(other.KONTUR.fieldByName("X").isValidChar(','));
    ASSERT_TRUE(FindAttachment(other.FILES, cp("титульный лист.PDF")));
    const QString out = files.filePath("back.pdf");
    WriteAttachmentOut(other.FILES, out);
    EXPECT_EQ(fileBytes(out), QByteArray(3 << 20, 'p') + "end");
}

TEST_F(PassportFileTest, DamagedOrUnreadableFilesLeaveTheOpenPassportAsItWas)
{
    fillPassport();
    const QString path = files.filePath("a.psp");
    module.SavePassport(path);
    const QByteArray good = fileBytes(path);
    module.REFLECT_HORIZONTS.first();
    module.REFLECT_HORIZONTS.edit(); // a pending edit is part of what must survive
    module.REFLECT_HORIZONTS.fieldByName("INDEXOG").setString("pending");
    module.state().setModified(true);
    const auto before = all();
    const QByteArray filter12 = module.dict(12)->filterText();

    const QString damaged = files.filePath("damaged.psp");
    auto expectUnchanged = [&](const char* what) {
        for (int i = 0; i < kPassportTableCount; ++i)
            EXPECT_TRUE(contents(*module.passportTables()[i]) == before[i]) << what << " table " << i;
        EXPECT_EQ(module.REFLECT_HORIZONTS.state(), TableState::Edit) << what;
        EXPECT_EQ(module.REFLECT_HORIZONTS.fieldByName("INDEXOG").asString(), "pending") << what;
        EXPECT_EQ(module.dict(12)->filterText(), filter12) << what;
        EXPECT_EQ(module.state().fileName(), path) << what;
        EXPECT_TRUE(module.state().modified()) << what;
    };
    // Cut inside the fourth block, a flipped byte in a compressed stream, a block length beyond
    // the end, a missing file.
    writeFileBytes(damaged, good.left(good.size() - 3 * (1 << 10) - 400));
    EXPECT_EQ(errorOf([&] { module.LoadPassport(damaged); }), "Stream read error");
    expectUnchanged("truncated");
    QByteArray flipped = good;
    flipped[40] = static_cast<char>(flipped[40] ^ 0x55);
    writeFileBytes(damaged, flipped);
    EXPECT_NE(errorOf([&] { module.LoadPassport(damaged); }), "no error");
    expectUnchanged("flipped");
    // A file that parses but whose passport record the table refuses (no ID): the copy has begun
    // when the error comes, and everything is put back.
    {
        RecordTable p("PASPORTS");
        p.addField("OBJECTNAME", FieldType::String, 128);
        p.addField("FEDERALOKRUG_ID", FieldType::Integer);
        p.open();
        p.append();
        p.fieldByName("FEDERALOKRUG_ID").setInteger(8);
        p.post();
        QBuffer buf;
        buf.open(QIODevice::WriteOnly);
        WriteTableBlock(p, buf, TableStreamFormats{}.kbmBinaryStreamFormat1);
        writeFileBytes(damaged, buf.data());
        EXPECT_EQ(errorOf([&] { module.LoadPassport(damaged); }), "Field 'ID' must have a value");
        expectUnchanged("refused record");
        EXPECT_EQ(module.dict(2)->filterText(), "PARENT_ID=7 OR ID=0");
    }
    const std::string missing = errorOf([&] { module.LoadPassport(files.filePath("none.psp")); });
    EXPECT_EQ(missing.rfind("Cannot open file \"", 0), 0u) << missing;
    expectUnchanged("missing");
}

TEST_F(PassportFileTest, HeaderlessFilesAndOtherSchemaVersionsLoad)
{
    // A headerless file: five compressed blocks, FILES with its content as a string; PASPORTS
    // with a field the schema lacks; REFLECT_HORIZONTS without most fields and a duplicate ID.
    RecordTable p("PASPORTS"), r("REFLECT_HORIZONTS"), h("POSIB_PRODUCT_HOR"), k("KONTUR"), f("FILES");
    p.addField("ID", FieldType::Integer);
    p.addField("OBJECTNAME", FieldType::String, 128);
    p.addField("OLD_FIELD", FieldType::Float);
    r.addField("ID", FieldType::Integer);
    r.addField("INDEXOG", FieldType::String, 128);
    h.addField("ID", FieldType::Integer);
    k.addField("ID", FieldType::Integer);
    f.addField("NAME", FieldType::String, 128);
    f.addField("CONTENT", FieldType::Blob);
    for (RecordTable* t : {&p, &r, &h, &k, &f}) t->open();
    p.append();
    p.fieldByName("ID").setInteger(12);
    p.fieldByName("OBJECTNAME").setString(cp("Старый паспорт"));
    p.fieldByName("OLD_FIELD").setFloat(1);
    p.post();
    for (const char* index : {"А", "Б"}) {
        r.append();
        r.fieldByName("ID").setInteger(500);
        r.fieldByName("INDEXOG").setString(cp(index));
        r.post();
    }
    f.append();
    f.fieldByName("NAME").setString("old.txt");
    f.fieldByName("CONTENT").setBytes(CompressToGzip(QByteArray("\xc0\xc1 old text")));
    f.post();
    QBuffer buf;
    buf.open(QIODevice::WriteOnly);
    for (RecordTable* t : {&p, &r, &h, &k, &f}) WriteTableBlock(*t, buf, TableStreamFormats{}.kbmBinaryStreamFormat1);
    const QString path = files.filePath("old.psp");
    writeFileBytes(path, buf.data());

    module.LoadPassport(path);
    EXPECT_EQ(pasport("OBJECTNAME").asString(), cp("Старый паспорт"));
    EXPECT_TRUE(pasport("SHOWINGUPYEAR").isNull());
    RecordTable& rh = module.REFLECT_HORIZONTS;
    ASSERT_EQ(rh.recordCount(), 2);
    rh.first();
    EXPECT_EQ(rh.fieldByName("ID").asInteger(), 500);
    rh.next();
    EXPECT_NE(rh.fieldByName("ID").asInteger(), 500);
    EXPECT_LT(rh.fieldByName("ID").asInteger(), 999999);
    ASSERT_TRUE(FindAttachment(module.FILES, "OLD.TXT"));
    const QString out = files.filePath("old.out");
    WriteAttachmentOut(module.FILES, out);
    EXPECT_EQ(fileBytes(out), QByteArray("\xc0\xc1 old text"));

    // Saved again it is headered, and loads the same.
    const QString upgraded = files.filePath("new.psp");
    module.SavePassport(upgraded);
    EXPECT_TRUE(HasPassportHeader(upgraded).headered);
    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    other.LoadPassport(upgraded);
    EXPECT_TRUE(contents(other.FILES) == contents(module.FILES));
}

TEST_F(PassportFileTest, FileEndingAfterThirdBlockLeavesTheRestEmpty)
{
    fillPassport();
    const QString path = files.filePath("a.psp");
    module.SavePassport(path);
    // Keep the header and the first three blocks.
    const QByteArray good = fileBytes(path);
    qsizetype at = 9;
    for (int i = 0; i < 3; ++i) at += 4 + qFromLittleEndian<int32_t>(good.constData() + at);
    const QString cut = files.filePath("cut.psp");
    writeFileBytes(cut, good.left(at));
    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    other.LoadPassport(cut);
    EXPECT_EQ(other.POSIB_PRODUCT_HOR.recordCount(), 2);
    EXPECT_EQ(other.KONTUR.storedCount(), 0);
    EXPECT_EQ(other.FILES.storedCount(), 0);
}

namespace {

// Offset and length of the stream of block `index` in a headered file.
std::pair<qsizetype, qsizetype> blockSpan(const QByteArray& file, int index)
{
    qsizetype at = 9;
    for (int i = 0; i < index; ++i) at += 4 + qFromLittleEndian<int32_t>(file.constData() + at);
    return {at + 4, qFromLittleEndian<int32_t>(file.constData() + at)};
}

} // namespace

TEST_F(PassportFileTest, AChecksumMismatchAsksBeforeAnythingChangesAndNoKeepsThePassport)
{
    fillPassport();
    const QString path = files.filePath("a.psp");
    module.SavePassport(path);
    QByteArray bytes = fileBytes(path);
    const auto [at, size] = blockSpan(bytes, 3); // KONTUR
    bytes[at + size - 8] = char(bytes[at + size - 8] ^ 0x10); // its stored CRC-32
    const QString damaged = files.filePath("crc.psp");
    writeFileBytes(damaged, bytes);
    const auto before = all();

    // Without a question (the command-line tool without --force) the file is refused.
    EXPECT_EQ(errorOf([&] { module.LoadPassport(damaged); }),
              "Файл повреждён: не совпадает контрольная сумма таблицы KONTUR.");
    std::vector<int> asked;
    EXPECT_FALSE(module.LoadPassport(damaged, {}, [&](const PassportReadReport& r) {
        asked = r.damagedBlocks;
        return false;
    }));
    EXPECT_EQ(asked, std::vector<int>{3});
    for (int i = 0; i < kPassportTableCount; ++i) EXPECT_TRUE(contents(*module.passportTables()[i]) == before[i]) << i;
    EXPECT_EQ(module.state().fileName(), path);

    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    EXPECT_TRUE(other.LoadPassport(damaged, {}, [](const PassportReadReport&) { return true; }));
    EXPECT_EQ(other.KONTUR.storedCount(), 5); // the points decoded whole; only the trailer was wrong
}

TEST_F(PassportFileTest, AFileWithoutACompletePassportBlockIsDamagedNotAnEmptyPassport)
{
    fillPassport();
    const QByteArray header = QByteArray::fromHex("076c6f6d6972613201");
    for (const QByteArray& bytes : {QByteArray(), QByteArray("\x05"), QByteArray("\x05\0\0", 3), header,
                                    header + "\x05", header + QByteArray("\x05\0\0", 3)}) {
        const QString path = files.filePath("short.psp");
        writeFileBytes(path, bytes);
        EXPECT_EQ(errorOf([&] { module.LoadPassport(path); }),
                  "Файл повреждён: в нём нет целой таблицы паспорта (PASPORTS).")
            << bytes.size() << " bytes";
        EXPECT_EQ(module.REFLECT_HORIZONTS.storedCount(), 2);
    }
}

TEST_F(PassportFileTest, AMillionDuplicateIdsEndWithAnErrorInsteadOfDrawingForever)
{
    // 1,000,000 contour points all with ID 0: after the first there are only 999,998 free values.
    RecordTable p("PASPORTS"), r("REFLECT_HORIZONTS"), h("POSIB_PRODUCT_HOR"), k("KONTUR"), f("FILES");
    p.addField("ID", FieldType::Integer);
    for (RecordTable* t : {&r, &h, &k}) t->addField("ID", FieldType::Integer);
    k.addField("HEAD_ID", FieldType::Integer);
    f.addField("NAME", FieldType::String, 128);
    for (RecordTable* t : {&p, &r, &h, &k, &f}) t->open();
    p.append();
    p.fieldByName("ID").setInteger(1);
    p.post();
    std::vector<Value> values{Value::integer(0), Value::integer(5)};
    k.beginLoad();
    for (int i = 0; i < 1000000; ++i) k.loadRecord(values, 0);
    k.endLoad();
    const QString path = files.filePath("ids.psp");
    WritePassportFile(path, {&p, &r, &h, &k, &f}, TableStreamFormats{});
    EXPECT_LT(QFileInfo(path).size(), 100 * 1024);

    fillPassport();
    const auto before = all();
    EXPECT_EQ(errorOf([&] { module.LoadPassport(path); }),
              "Слишком много записей в таблице KONTUR: свободных идентификаторов от 0 до 999998 не осталось.");
    for (int i = 0; i < kPassportTableCount; ++i) EXPECT_TRUE(contents(*module.passportTables()[i]) == before[i]) << i;
}

TEST_F(PassportFileTest, TheMostCompressiblePassportsReadBack)
{
    // Whatever the program saves must open again, however well it compresses: the load budget
    // follows what a passport can hold, not the size of its file.
    const int32_t horizon = addProductHorizon("Ю1");
    RecordTable& k = module.KONTUR;
    std::vector<Value> values(size_t(k.fieldCount()));
    std::vector<int> data;
    for (int f = 0; f < k.fieldCount(); ++f)
        if (k.field(f).isData()) data.push_back(f);
    k.beginLoad();
    for (int i = 0; i < 1000000; ++i) {
        std::vector<Value> row(data.size());
        for (size_t d = 0; d < data.size(); ++d) {
            const QByteArray name = k.field(data[d]).name();
            row[d] = name == "ID" ? Value::integer(i + 1)
                   : name == "HEAD_ID" ? Value::integer(horizon)
                   : name == "X" ? Value::real(76.5) : name == "Y" ? Value::real(58.5) : Value();
        }
        k.loadRecord(row, 0);
    }
    k.endLoad();
    const QString path = files.filePath("million.psp");
    module.SavePassport(path);
    EXPECT_LT(QFileInfo(path).size(), 2500000);
    TDataModule2 other;
    other.DataModuleCreate(dir_->path());
    other.LoadPassport(path);
    EXPECT_EQ(other.KONTUR.storedCount(), 1000000);
}
