#include "storage/gzip.h"
#include "storage/table_stream.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

#include <bit>
#include <cstdint>
#include <limits>
#include <random>

using namespace talvena;
using namespace talvena::test;

namespace {


void addRecord(RecordTable& t, std::initializer_list<std::pair<const char*, Value>> values)
{
    t.append();
    for (const auto& [name, v] : values) t.fieldByName(name).setValue(v);
    t.post();
}

// The two-record example table.
void makeExample(RecordTable& t)
{
    t.addField("ID", FieldType::Integer, 0, true);
    t.addField("NAME", FieldType::String, 128);
    t.open();
    addRecord(t, {{"ID", Value::integer(5)}, {"NAME", Value::bytes("abc")}});
    addRecord(t, {{"ID", Value::integer(300)}});
}

// The bytes of one single-field table holding one value, from the record's null flag on.
QByteArray recordValueBytes(FieldType type, const Value& v, const TableStreamFormat& format, int size = 0)
{
    RecordTable t("T");
    t.addField("F", type, size);
    t.open();
    addRecord(t, {{"F", v}});
    const QByteArray stream = TableStreamBytes(t, format);
    // The records list ends "... 00 00"; the record starts with 01 02 00 (list, status 0).
    const qsizetype start = stream.lastIndexOf(hex("01 01 02 00")) + 4;
    return stream.mid(start, stream.size() - start - 2);
}

} // namespace

TEST(TableStreamWrite, TwoRecordExampleByteForByte)
{
    RecordTable t("T");
    makeExample(t);
    EXPECT_EQ(TableStreamBytes(t, plain()).toHex(' '), twoRecordStream().toHex(' '));

    // Compressed: one gzip member of the same bytes.
    const QByteArray member = TableStreamBytes(t, compressed());
    EXPECT_TRUE(member.startsWith(hex("1f 8b 08 00 00 00 00 00 00 00")));
    QByteArray decoded;
    EXPECT_EQ(DecompressGzip(member, decoded), GzipOk);
    EXPECT_EQ(decoded, twoRecordStream());
}

TEST(TableStreamWrite, ValueEncodings)
{
    // Shortest integer tags.
    EXPECT_EQ(recordValueBytes(FieldType::Integer, Value::integer(127), plain()).toHex(' '), "08 02 7f");
    EXPECT_EQ(recordValueBytes(FieldType::Integer, Value::integer(128), plain()).toHex(' '), "08 03 80 00");
    EXPECT_EQ(recordValueBytes(FieldType::Integer, Value::integer(-129), plain()).toHex(' '), "08 03 7f ff");
    EXPECT_EQ(recordValueBytes(FieldType::Integer, Value::integer(40000), plain()).toHex(' '), "08 04 40 9c 00 00");
    EXPECT_EQ(recordValueBytes(FieldType::Integer, Value::integer(-2147483647 - 1), plain()).toHex(' '),
              "08 04 00 00 00 80");
    // DateTime 15.03.2008 12:00.
    EXPECT_EQ(recordValueBytes(FieldType::DateTime, Value::real(39522.5), plain()).toHex(' '),
              "08 05 00 00 00 00 00 80 62 9a 0e 40");
    // Cyrillic text goes out as UTF-8 (the five letters of "Нефть").
    EXPECT_EQ(recordValueBytes(FieldType::String, Value::bytes(cp("Нефть")), plain(), 128).toHex(' '),
              "08 14 0a 00 00 00 d0 9d d0 b5 d1 84 d1 82 d1 8c");
    EXPECT_EQ(recordValueBytes(FieldType::String, Value::bytes(cp("Газ")), plain(), 10).left(6).toHex(' '),
              "08 14 06 00 00 00");
    // Up to 255 ASCII bytes take a one-byte length, more a four-byte one.
    EXPECT_EQ(recordValueBytes(FieldType::String, Value::bytes(QByteArray(255, 'a')), plain(), 300).left(3).toHex(' '),
              "08 06 ff");
    const QByteArray longText = recordValueBytes(FieldType::String, Value::bytes(QByteArray(256, 'a')), plain(), 300);
    EXPECT_EQ(longText.left(6).toHex(' '), "08 0c 00 01 00 00");
    EXPECT_EQ(longText.size(), 6 + 256);
    EXPECT_EQ(recordValueBytes(FieldType::String, Value::bytes(""), plain(), 10).toHex(' '), "08 06 00");
    // Blob: raw bytes in raw mode; otherwise a CP1251 string, so 0x8B sends it through UTF-8.
    EXPECT_EQ(recordValueBytes(FieldType::Blob, Value::bytes(hex("1f 8b 08")), rawBlobs()).toHex(' '),
              "08 02 03 1f 8b 08");
    EXPECT_EQ(recordValueBytes(FieldType::Blob, Value::bytes(hex("1f 8b 08")), plain()).toHex(' '),
              "08 14 05 00 00 00 1f e2 80 b9 08");
    EXPECT_EQ(recordValueBytes(FieldType::Blob, Value::bytes(QByteArray(200, 'x')), rawBlobs()).left(4).toHex(' '),
              "08 03 c8 00");
}

TEST(TableStreamWrite, FieldDefinitionsAndEmptyTable)
{
    RecordTable t("T");
    t.addField("D", FieldType::DateTime, 0, true);
    t.addField("F", FieldType::Float);
    t.addField("B", FieldType::Blob);
    t.addField("C", FieldType::FixedChar, 1);
    t.addField({.name = "CALC", .type = FieldType::Integer, .kind = FieldKind::Calculated}); // never saved
    t.open();
    const QByteArray expected = hex("54 50 46 30 03 FB 00 01") + fieldDef("D", "DateTime", hex("02 00"), hex("02 12"), true) +
                                fieldDef("F", "Float", hex("02 00"), hex("02 0A"), false) +
                                fieldDef("B", "Blob", hex("02 00"), hex("02 0A"), false) +
                                fieldDef("C", "FixedChar", hex("02 01"), hex("02 01"), false) + hex("00 01 00") +
                                hex("01 02 04 02 0b 02 06 02 0f 02 17 00") + hex("01 00");
    EXPECT_EQ(TableStreamBytes(t, plain()).toHex(' '), expected.toHex(' '));
}

TEST(TableStreamWrite, WritesEveryRecordInCurrentOrderKeepingFilterAndPosition)
{
    RecordTable t("KONTUR");
    t.addField("ID", FieldType::Integer);
    t.addField("HEAD_ID", FieldType::Integer);
    t.open();
    for (int i = 1; i <= 6; ++i) addRecord(t, {{"ID", Value::integer(i)}, {"HEAD_ID", Value::integer(i % 2)}});
    t.setFilterText("HEAD_ID=1");
    t.setFiltered(true);
    t.sort("ID:d");
    t.first();
    t.next();
    ASSERT_EQ(t.recordCount(), 3);
    ASSERT_EQ(t.fieldByName("ID").asInteger(), 3);

    RecordTable loaded("L");
    ReadTableStream(loaded, TableStreamBytes(t, compressed()), compressed());
    ASSERT_EQ(loaded.recordCount(), 6);
    for (int i = 0; i < 6; ++i) EXPECT_EQ(valueAt(loaded, i, "ID"), Value::integer(6 - i));

    EXPECT_TRUE(t.filtered());
    EXPECT_EQ(t.filterText(), "HEAD_ID=1");
    EXPECT_EQ(t.recordCount(), 3);
    EXPECT_EQ(t.currentPosition(), 1);
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 3);
    EXPECT_FALSE(t.refreshSuspended());
}

TEST(TableStreamWrite, OutputPlacement)
{
    RecordTable t("T");
    makeExample(t);

    // Compressed: written at the output's position after what it holds.
    QByteArray block = "HEADER";
    QBuffer out(&block);
    out.open(QIODevice::ReadWrite);
    out.seek(block.size());
    WriteTableStream(t, out, compressed());
    EXPECT_TRUE(block.startsWith("HEADER\x1f\x8b"));
    QByteArray decoded;
    DecompressGzip(block.mid(6), decoded);
    EXPECT_EQ(decoded, twoRecordStream());

    // Uncompressed: the output is emptied and holds just the stream, memory and file alike.
    QByteArray old(500, 'z');
    QBuffer memory(&old);
    memory.open(QIODevice::ReadWrite);
    memory.seek(100);
    WriteTableStream(t, memory, plain());
    EXPECT_EQ(old, twoRecordStream());

    QTemporaryDir dir;
    QFile file(dir.filePath("t.bin"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    file.write(QByteArray(1000, 'z'));
    WriteTableStream(t, file, plain());
    file.close();
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), twoRecordStream());
}

TEST(TableStreamRoundTrip, EveryTypeOfOursWithNullsThroughEveryFormat)
{
    QByteArray allBytes;
    for (int i = 0; i < 256; ++i) allBytes.append(char(i));
    const double subnormal = std::numeric_limits<double>::denorm_min();

    RecordTable source("T");
    source.addField("I", FieldType::Integer, 0, true);
    source.addField("S", FieldType::SmallInt);
    source.addField("F", FieldType::Float);
    source.addField("D", FieldType::DateTime);
    source.addField("T", FieldType::String, 20);
    source.addField("C", FieldType::FixedChar, 1);
    source.addField("B", FieldType::Blob);
    source.open();
    addRecord(source, {{"I", Value::integer(1)}, {"S", Value::integer(-32768)}, {"F", Value::real(-0.0)},
                       {"D", Value::real(39522.5)}, {"T", Value::bytes(cp("Пласт Ю-1 «верх»"))},
                       {"C", Value::bytes("Y")}, {"B", Value::bytes(allBytes)}});
    addRecord(source, {{"I", Value::integer(std::numeric_limits<int32_t>::max())}});
    addRecord(source, {{"I", Value::integer(std::numeric_limits<int32_t>::min())}, {"S", Value::integer(32767)},
                       {"F", Value::real(subnormal)}, {"D", Value::real(-1.25)}, {"T", Value::bytes(QByteArray(20, '~'))},
                       {"C", Value::bytes(cp("Н"))}, {"B", Value::bytes(QByteArray("\0", 1))}});
    source.first();
    source.edit();
    source.fieldByName("S").setInteger(-1);
    source.post(); // edited: status 1

    for (const TableStreamFormat& format : {compressed(), plain(), rawBlobs()}) {
        SCOPED_TRACE(format.rawBlobMode ? "raw" : format.compressed ? "compressed" : "plain");
        RecordTable loaded("L");
        ReadTableStream(loaded, TableStreamBytes(source, format), format);
        ASSERT_EQ(loaded.fieldCount(), 7);
        ASSERT_EQ(loaded.storedCount(), 3);
        for (int f = 0; f < 7; ++f) {
            const Field& a = source.field(f);
            const Field& b = loaded.field(f);
            EXPECT_EQ(b.name(), a.name());
            EXPECT_EQ(b.type(), a.type());
            EXPECT_EQ(b.size(), a.size());
            EXPECT_EQ(b.required(), a.required());
            for (int r = 0; r < 3; ++r) {
                const Value va = source.rowValue(source.storedRow(r), a);
                const Value vb = loaded.rowValue(loaded.storedRow(r), b);
                EXPECT_EQ(vb, va) << a.name().constData() << " record " << r;
                if (va.isReal() && vb.isReal()) {
                    EXPECT_EQ(std::bit_cast<uint64_t>(vb.realValue()), std::bit_cast<uint64_t>(va.realValue()));
                }
            }
        }
        EXPECT_EQ(loaded.rowStatus(loaded.storedRow(0)), 1);
        EXPECT_EQ(loaded.rowStatus(loaded.storedRow(1)), 0);
        EXPECT_TRUE(loaded.active());
        EXPECT_EQ(loaded.currentPosition(), 0);
        EXPECT_EQ(loaded.fieldByName("I").asInteger(), 1);
    }
}

TEST(TableStreamRoundTrip, MegabyteBlobsThroughBothFormats)
{
    std::mt19937 random(11);
    QByteArray big(6 * 1024 * 1024, '\0');
    for (char& c : big) c = char(random());
    RecordTable source("FILES");
    source.addField("ID", FieldType::Integer);
    source.addField("CONTENT", FieldType::Blob);
    source.open();
    addRecord(source, {{"ID", Value::integer(1)}, {"CONTENT", Value::bytes(big)}});
    addRecord(source, {{"ID", Value::integer(2)}, {"CONTENT", Value::bytes(big.left(3 * 1024 * 1024 + 7))}});

    for (const TableStreamFormat& format : {compressed(), rawBlobs()}) {
        RecordTable loaded("L");
        ReadTableStream(loaded, TableStreamBytes(source, format), format);
        ASSERT_EQ(loaded.storedCount(), 2);
        EXPECT_TRUE(valueAt(loaded, 0, "CONTENT").bytesValue() == big);
        EXPECT_TRUE(valueAt(loaded, 1, "CONTENT").bytesValue() == big.left(3 * 1024 * 1024 + 7));
    }
}

TEST(TableStreamRoundTrip, EmptyValuesThatComeBackNull)
{
    RecordTable source("T");
    source.addField("D", FieldType::DateTime);
    source.addField("B", FieldType::Blob);
    source.open();
    addRecord(source, {{"D", Value::real(0.0)}, {"B", Value::bytes("")}});
    ASSERT_FALSE(valueAt(source, 0, "B").isNull());

    RecordTable loaded("L");
    ReadTableStream(loaded, TableStreamBytes(source, rawBlobs()), rawBlobs());
    EXPECT_TRUE(valueAt(loaded, 0, "D").isNull()); // 30.12.1899 00:00 is how an empty date was kept
    EXPECT_TRUE(valueAt(loaded, 0, "B").isNull()); // a raw length below 1
    // As a string an empty Blob stays an empty value.
    ReadTableStream(loaded, TableStreamBytes(source, plain()), plain());
    EXPECT_EQ(valueAt(loaded, 0, "B"), Value::bytes(""));
}
