#include "storage/gzip.h"
#include "storage/table_stream.h"

#include "stream_bytes.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QFile>
#include <QTemporaryDir>

using namespace talvena;
using namespace talvena::test;

namespace {


const QByteArray kTypeHeader = hex("01 02 02 02 03 02 01 00");

// ID and NAME as streams before kind names (version < 250) define them.
QByteArray definitionsWithoutKind()
{
    return hex("01") + str("ID") + str("Integer") + hex("02 00") + str("ID") + str("") + hex("02 0A 09 08") + str("NAME") +
           str("String") + hex("03 80 00") + str("NAME") + str("") + hex("03 80 00 08 08") + hex("00");
}

// The definitions of ID Integer and NAME String(128) followed by records with the given bytes.
QByteArray streamWithRecords(const QByteArray& records, const QByteArray& nameType = "String")
{
    return hex("54 50 46 30 03 FB 00 01") + fieldDef("ID", "Integer", hex("02 00"), hex("02 0A"), true) +
           fieldDef("NAME", nameType, hex("03 80 00"), hex("03 80 00"), false) + hex("00 01 00") + kTypeHeader + records;
}

void expectExampleContent(const RecordTable& t)
{
    ASSERT_EQ(t.fieldCount(), 2);
    EXPECT_EQ(t.field(0).name(), "ID");
    EXPECT_EQ(t.field(0).type(), FieldType::Integer);
    EXPECT_EQ(t.field(1).name(), "NAME");
    EXPECT_EQ(t.field(1).size(), 128);
    ASSERT_EQ(t.storedCount(), 2);
    EXPECT_EQ(valueAt(t, 0, "ID"), Value::integer(5));
    EXPECT_EQ(valueAt(t, 0, "NAME"), Value::bytes("abc"));
    EXPECT_EQ(valueAt(t, 1, "ID"), Value::integer(300));
}

std::string loadError(const QByteArray& stream, const TableStreamFormat& format = plain())
{
    RecordTable t("T");
    return errorOf([&] { ReadTableStream(t, stream, format); });
}

} // namespace

TEST(TableStreamRead, ExampleLoadsThroughBothFormatsAndReplacesFields)
{
    RecordTable t("T");
    t.addField("A", FieldType::Float);
    t.addField("B", FieldType::String, 5);
    t.addField("C", FieldType::Blob);
    t.open();
    t.append();
    t.fieldByName("A").setFloat(1.5);
    t.post();

    ReadTableStream(t, twoRecordStream(), plain());
    expectExampleContent(t);
    EXPECT_TRUE(valueAt(t, 1, "NAME").isNull());
    EXPECT_TRUE(t.active());
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 5);

    // Uncompressed bytes load through the compressed format too, as does the member.
    RecordTable u("U");
    ReadTableStream(u, twoRecordStream(), compressed());
    expectExampleContent(u);
    RecordTable v("V");
    ReadTableStream(v, CompressToGzip(twoRecordStream()), compressed());
    expectExampleContent(v);

    // A device is read from its first byte, wherever it stands.
    QByteArray bytes = twoRecordStream();
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    in.seek(bytes.size());
    RecordTable w("W");
    ReadTableStream(w, in, plain());
    expectExampleContent(w);
}

TEST(TableStreamRead, OlderLayouts)
{
    const QByteArray plainRecords = hex("01") + hex("02 05") + str("abc") + hex("03 2C 01") + str("") + hex("00");
    const QByteArray flaggedRecords = hex("01 01 02 00 08 02 05 08") + str("abc") + hex("00 01 02 00 08 03 2C 01 09 00 00");
    const QByteArray index = hex("01") + str("IDX") + str("ID") + str("") + hex("08 09 08 08 00");

    // No version: 100. No index list, records are bare values without null flags.
    RecordTable t100("T");
    ReadTableStream(t100, "TPF0" + definitionsWithoutKind() + kTypeHeader + plainRecords, plain());
    expectExampleContent(t100);
    EXPECT_EQ(valueAt(t100, 1, "NAME"), Value::bytes(""));

    // 200: an index list follows the definitions.
    RecordTable t200("T");
    ReadTableStream(t200, "TPF0" + hex("03 C8 00") + definitionsWithoutKind() + index + kTypeHeader + plainRecords, plain());
    expectExampleContent(t200);

    // 230: records are lists with a status; further versions of a record are dropped.
    const QByteArray records230 = hex("01") + hex("01 02 01 02 05") + str("abc") + hex("02 00 02 07") + str("xyz") +
                                  hex("00") + hex("01 02 00 03 2C 01") + str("") + hex("00") + hex("00");
    RecordTable t230("T");
    ReadTableStream(t230, "TPF0" + hex("03 E6 00") + definitionsWithoutKind() + index + kTypeHeader + records230, plain());
    expectExampleContent(t230);
    EXPECT_EQ(t230.rowStatus(t230.storedRow(0)), 1);
    EXPECT_EQ(t230.rowStatus(t230.storedRow(1)), 0);

    // 249: null flags.
    RecordTable t249("T");
    ReadTableStream(t249, "TPF0" + hex("03 F9 00") + definitionsWithoutKind() + hex("01 00") + kTypeHeader + flaggedRecords,
                    plain());
    expectExampleContent(t249);
    EXPECT_TRUE(valueAt(t249, 1, "NAME").isNull());

    // 250: kind names, an unknown one counting as a data field; no default expression yet.
    const QByteArray defs250 = hex("01") + str("ID") + str("Integer") + hex("02 00") + str("ID") + str("") +
                               hex("02 0A 09 08") + str("Data") + str("NAME") + str("String") + hex("03 80 00") +
                               str("NAME") + str("") + hex("03 80 00 08 08") + str("Stored") + hex("00");
    RecordTable t250("T");
    ReadTableStream(t250, "TPF0" + hex("03 FA 00") + defs250 + hex("01 00") + kTypeHeader + flaggedRecords, plain());
    expectExampleContent(t250);
    EXPECT_EQ(t250.field(1).kind(), FieldKind::Data);
    EXPECT_TRUE(valueAt(t250, 1, "NAME").isNull());
}

TEST(TableStreamRead, ValueDecoding)
{
    // A Float from integer tags and from a 64-bit integer; a String cut to its field's size.
    const QByteArray stream = hex("54 50 46 30 03 FB 00 01") + fieldDef("F", "Float", hex("02 00"), hex("02 0A"), false) +
                              fieldDef("S", "String", hex("02 02"), hex("02 02"), false) + hex("00 01 00 01 02 02 02 06 02 01 00") +
                              hex("01 01 02 00 08 02 FB 08") + str("abc") + hex("00") +
                              hex("01 02 00 08 13 00 00 00 00 01 00 00 00 09 00 00");
    RecordTable t("T");
    ReadTableStream(t, stream, plain());
    EXPECT_EQ(valueAt(t, 0, "F"), Value::real(-5.0));
    EXPECT_EQ(valueAt(t, 0, "S"), Value::bytes("ab"));
    EXPECT_EQ(valueAt(t, 1, "F"), Value::real(4294967296.0));

    // UTF-16 text; a character CP1251 cannot hold (U+4E2D) arrives as '?' - our files never hold one.
    RecordTable u("U");
    ReadTableStream(u, streamWithRecords(hex("01 01 02 00 08 02 01 08 12 03 00 00 00 1D 04 35 04 44 04 00") +
                                         hex("01 02 00 08 02 02 08 14 05 00 00 00 61 E4 B8 AD 62 00 00")),
                    plain());
    EXPECT_EQ(valueAt(u, 0, "NAME"), Value::bytes(cp("Неф")));
    EXPECT_EQ(valueAt(u, 1, "NAME"), Value::bytes("a?b"));

    // UTF-8 with nothing to convert: the value must not share the stream's bytes.
    RecordTable a("A");
    {
        QByteArray stream = streamWithRecords(hex("01 01 02 00 08 02 01 08 14 03 00 00 00 61 62 63 00 00"));
        ReadTableStream(a, stream, plain());
        stream.fill('Z');
    }
    EXPECT_EQ(valueAt(a, 0, "NAME"), Value::bytes("abc"));

    // Date 0 is NULL; a raw Blob length of 0 or below is NULL and no bytes follow.
    const QByteArray dates = hex("54 50 46 30 03 FB 00 01") + fieldDef("D", "Date", hex("02 00"), hex("02 0A"), false) +
                             fieldDef("B", "Blob", hex("02 00"), hex("02 0A"), false) + hex("00 01 00 01 02 02 02 09 02 0F 00") +
                             hex("01 01 02 00 08 02 00 08 02 00 00") + hex("01 02 00 08 05 00 00 00 00 00 00 00 00 00 80 08 02 FF 00") +
                             hex("01 02 00 08 02 01 08 02 02 41 42 00 00");
    RecordTable d("D");
    ReadTableStream(d, dates, rawBlobs());
    ASSERT_EQ(d.storedCount(), 3);
    EXPECT_TRUE(valueAt(d, 0, "D").isNull());
    EXPECT_TRUE(valueAt(d, 0, "B").isNull());
    EXPECT_TRUE(valueAt(d, 1, "D").isNull()); // -0 is exactly 0 as well
    EXPECT_TRUE(valueAt(d, 1, "B").isNull());
    EXPECT_EQ(valueAt(d, 2, "D"), Value::real(1.0));
    EXPECT_EQ(valueAt(d, 2, "B"), Value::bytes("AB"));
}

TEST(TableStreamRead, AWideStringHoldsUtf8AndSurvivesARoundTrip)
{
    // The value is the UTF-8 form of "Нефть", itself written by the string rule (tag 0x14).
    const QByteArray utf8 = "Нефть";
    const QByteArray stored = cp1251ToUtf8(utf8);
    QByteArray length(4, '\0');
    length[0] = char(stored.size());
    const QByteArray record = hex("01 01 02 00 08 02 01 08 14") + length + stored + hex("00");
    RecordTable t("T");
    ReadTableStream(t, streamWithRecords(record + hex("00"), "WideString"), plain());
    ASSERT_EQ(t.field(1).type(), FieldType::WideString);
    EXPECT_EQ(valueAt(t, 0, "NAME"), Value::bytes(cp("Нефть")));

    // Written back, the value is the same bytes again; read again, the same text.
    const QByteArray written = TableStreamBytes(t, plain());
    EXPECT_TRUE(written.contains(stored));
    RecordTable again("T");
    ReadTableStream(again, written, plain());
    EXPECT_EQ(valueAt(again, 0, "NAME"), Value::bytes(cp("Нефть")));
}

TEST(TableStreamRead, EmptyDefinitionListKeepsTheTablesFields)
{
    const QByteArray stream = hex("54 50 46 30 03 FB 00 01 00 01 00 01 02 01 02 03 00 01 01 02 00 08 02 07 00 00");
    RecordTable t("T");
    t.addField("ID", FieldType::Integer);
    t.open();
    t.append();
    t.fieldByName("ID").setInteger(1);
    t.post();
    ReadTableStream(t, stream, plain());
    ASSERT_EQ(t.fieldCount(), 1);
    ASSERT_EQ(t.storedCount(), 1);
    EXPECT_EQ(valueAt(t, 0, "ID"), Value::integer(7));
    EXPECT_EQ(loadError(stream), "Couldnt determine field count for load.");
}

TEST(TableStreamRead, MalformedStreams)
{
    const QByteArray good = twoRecordStream();
    EXPECT_EQ(loadError(QByteArray()), "Stream read error");
    EXPECT_EQ(loadError(QByteArray(), compressed()), "Stream read error");
    EXPECT_EQ(loadError("TP"), "Stream read error");
    EXPECT_EQ(loadError("TPF1" + good.mid(4)), "Invalid stream format");
    EXPECT_EQ(loadError(CompressToGzip("TPF1" + good.mid(4)), compressed()), "Invalid stream format");

    // Tags the expected value cannot have.
    EXPECT_EQ(loadError(hex("54 50 46 30 13 FB 00 00 00 00 00 00 00") + good.mid(7)), "Invalid property value");
    EXPECT_EQ(loadError(hex("54 50 46 30 03 FB 00 02") + good.mid(8)), "Invalid property value");
    EXPECT_EQ(loadError(hex("54 50 46 30 03 FB 00 01 02 05")), "Invalid property value"); // name must be a string
    QByteArray textForInteger = good;
    textForInteger.replace(hex("08 02 05 08"), hex("08 06 01 35 08"));
    EXPECT_EQ(loadError(textForInteger), "Invalid property value");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 01 13 00 00 00 00 00 00 00 00"))), "Invalid property value");
    QByteArray longTypeHeader = good;
    longTypeHeader.replace(kTypeHeader, hex("01 02 02 02 03 02 01 02 01 00"));
    EXPECT_EQ(loadError(longTypeHeader), "Invalid property value");

    // Type names: exact, case-sensitive, and loadable.
    EXPECT_EQ(loadError(streamWithRecords(hex("01 00"), "Foo")), "Unknown field type (Foo)");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 00"), "string")), "Unknown field type (string)");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 00"), "Cursor")), "Unknown field type (Cursor)");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 00"), cp("Тип"))), "Unknown field type (Тип)");

    // Every cut-off stream, plain or compressed.
    for (qsizetype n = 0; n < good.size(); ++n) {
        EXPECT_EQ(loadError(good.left(n)), "Stream read error") << n;
        EXPECT_EQ(loadError(CompressToGzip(good.left(n)), compressed()), "Stream read error") << n;
    }
    const QByteArray member = CompressToGzip(good);
    for (qsizetype n = 0; n < member.size(); ++n) {
        // Once the deflate data is whole the stream loads: the trailer is checked but not needed.
        QByteArray decoded;
        DecompressGzip(member.left(n), decoded);
        EXPECT_EQ(loadError(member.left(n), compressed()), decoded == good ? "no error" : "Stream read error") << n;
    }

    // Lengths beyond the input fail before anything is allocated.
    EXPECT_EQ(loadError(streamWithRecords(hex("01 01 02 00 08 02 01 08 0C FF FF FF 7F 41")), plain()), "Stream read error");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 01 02 00 08 02 01 08 12 00 00 00 80 41 00")), plain()), "Stream read error");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 01 02 00 08 02 01 08 13 00 00 00 00 00 01 00 00 1F 8B"), "Blob"),
                        rawBlobs()),
              "Stream read error");
    EXPECT_EQ(loadError(streamWithRecords(hex("01 01 02 00 08 02 01 08 04 00 00 00 40 1F 8B"), "Blob"), rawBlobs()),
              "Stream read error");
}

TEST(TableStreamRead, AnErrorKeepsWhatWasLoaded)
{
    // Cut inside the second record: the fields and the first record stay, and the table is usable.
    const QByteArray good = twoRecordStream();
    RecordTable t("T");
    t.addField("OLD", FieldType::Float);
    t.open();
    EXPECT_EQ(errorOf([&] { ReadTableStream(t, good.left(good.size() - 4), plain()); }), "Stream read error");
    ASSERT_EQ(t.fieldCount(), 2);
    ASSERT_EQ(t.storedCount(), 1);
    EXPECT_TRUE(t.active());
    EXPECT_FALSE(t.refreshSuspended());
    EXPECT_EQ(t.fieldByName("ID").asInteger(), 5);

    // An unknown type in the second definition: the first one is already in place.
    RecordTable u("U");
    u.addField("OLD", FieldType::Float);
    EXPECT_EQ(errorOf([&] { ReadTableStream(u, streamWithRecords(hex("01 00"), "Cursor"), plain()); }),
              "Unknown field type (Cursor)");
    ASSERT_EQ(u.fieldCount(), 1);
    EXPECT_EQ(u.field(0).name(), "ID");
    EXPECT_FALSE(u.refreshSuspended());

    // A bad signature changes nothing.
    RecordTable v("V");
    v.addField("OLD", FieldType::Float);
    EXPECT_EQ(errorOf([&] { ReadTableStream(v, "XXXX" + good.mid(4), plain()); }), "Invalid stream format");
    ASSERT_EQ(v.fieldCount(), 1);
    EXPECT_EQ(v.field(0).name(), "OLD");
}

TEST(TableStreamRead, Files)
{
    QTemporaryDir dir;
    const QString path = dir.filePath("Dict1.dic");
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(CompressToGzip(twoRecordStream()));
    file.close();

    RecordTable t("T");
    ReadTableFile(t, path, compressed());
    expectExampleContent(t);

    const QString missing = dir.filePath("missing.dic");
    EXPECT_EQ(errorOf([&] { ReadTableFile(t, missing, compressed()); }),
              "Cannot open file \"" + missing.toStdString() + "\". Не удается найти указанный файл.");
    expectExampleContent(t);
}
