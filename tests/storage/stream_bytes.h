#pragma once
// Helpers for building and checking table stream bytes in tests.
#include "base/cp1251.h"
#include "base/error.h"
#include "support/error_of.h"
#include "storage/table_stream.h"
#include "table/record_table.h"

#include <QByteArray>

#include <functional>
#include <string>

namespace talvena::test {

// Bytes from hex digits; spaces are allowed for reading.
inline QByteArray hex(const char* digits) { return QByteArray::fromHex(digits); }

// A short string value: 0x06, its length, its bytes.
inline QByteArray str(const QByteArray& text) { return char(0x06) + QByteArray(1, char(text.size())) + text; }

// Engine texts are CP1251; the test sources are UTF-8.
inline QByteArray cp(const char* utf8) { return utf8ToCp1251(utf8); }

// A field definition as the current stream version writes it.
inline QByteArray fieldDef(const QByteArray& name, const QByteArray& type, const QByteArray& size,
                           const QByteArray& width, bool required)
{
    return str(name) + str(type) + size + str(name) + str("") + width + hex(required ? "09 08" : "08 08") + str("Data") +
           str("");
}

// The two-record table of ID (Integer, required) and NAME (String 128), written uncompressed.
inline QByteArray twoRecordStream()
{
    return hex("54 50 46 30 03 FB 00 01") + fieldDef("ID", "Integer", hex("02 00"), hex("02 0A"), true) +
           fieldDef("NAME", "String", hex("03 80 00"), hex("03 80 00"), false) + hex("00") + hex("01 00") +
           hex("01 02 02 02 03 02 01 00") + hex("01") + hex("01 02 00 08 02 05 08 06 03 61 62 63 00") +
           hex("01 02 00 08 03 2C 01 09 00") + hex("00");
}

using testsupport::errorOf;

// The three ways a table stream is written: compressed, plain, plain with raw blobs.
inline TableStreamFormat compressed() { return TableStreamFormats().kbmBinaryStreamFormat1; }
inline TableStreamFormat plain() { return TableStreamFormats().kbmBinaryStreamFormat2; }
inline TableStreamFormat rawBlobs()
{
    TableStreamFormat f = plain();
    f.rawBlobMode = true;
    return f;
}

// The value of a field in the n-th stored record.
inline Value valueAt(const RecordTable& t, int record, const char* field)
{
    return t.rowValue(t.storedRow(record), t.fieldByName(field));
}

} // namespace talvena::test
