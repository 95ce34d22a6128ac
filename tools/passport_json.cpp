#include "tools/passport_json.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "model/attachment_store.h"
#include "model/data_module.h"
#include "storage/gzip.h"
#include "table/date_text.h"
#include "tools/json_writer.h"

#include <QBuffer>
#include <charconv>
#include <zlib.h>

namespace talvena {

namespace {

// Takes the decompressed bytes as they come, keeping only their count and CRC-32, so an
// attachment of any size is summed without holding it in memory.
class Crc32Sink : public QIODevice {
public:
    Crc32Sink() { open(QIODevice::WriteOnly); }
    qint64 size() const override { return size_; }
    uint32_t crc() const { return static_cast<uint32_t>(crc_); }

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 length) override
    {
        for (qint64 done = 0; done < length;) {
            const auto piece = static_cast<uInt>(std::min<qint64>(length - done, 1 << 30));
            crc_ = crc32(crc_, reinterpret_cast<const Bytef*>(data + done), piece);
            done += piece;
        }
        size_ += length;
        return length;
    }

private:
    uLong crc_ = crc32(0, nullptr, 0);
    qint64 size_ = 0;
};

QByteArray padded(int64_t value, int width)
{
    char buffer[24];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, value);
    QByteArray digits(buffer, static_cast<qsizetype>(result.ptr - buffer));
    return QByteArray(std::max<qsizetype>(0, width - digits.size()), '0') + digits;
}

QByteArray hex8(uint32_t v)
{
    static const char digits[] = "0123456789abcdef";
    QByteArray text(8, '0');
    for (int i = 7; i >= 0; --i, v >>= 4) text[i] = digits[v & 15];
    return text;
}

// "yyyy-MM-ddTHH:mm:ss", with ".zzz" only when there are milliseconds; empty outside the calendar.
QByteArray isoDateTimeText(double dateValue)
{
    int year, month, day, hour, minute, second, msec;
    if (!DecodeDateValue(dateValue, year, month, day, hour, minute, second, msec)) return {};
    QByteArray text = padded(year, 4) + '-' + padded(month, 2) + '-' + padded(day, 2) + 'T' + padded(hour, 2) + ':' +
                      padded(minute, 2) + ':' + padded(second, 2);
    if (msec != 0) text += '.' + padded(msec, 3);
    return text;
}

// Without verifying, the size and CRC-32 the member's trailer states: instant however much the
// member decodes to (a few megabytes of zeros can claim gigabytes). Verifying decodes it and
// compares with the trailer.
void writeContent(JsonWriter& w, const QByteArray& member, bool verify)
{
    const MemberTrailer trailer = ReadMemberTrailer(member);
    qint64 size = trailer.size;
    uint32_t crc = trailer.crc;
    bool damaged = !trailer.member;
    if (verify && trailer.member) {
        QByteArray compressed = member;
        QBuffer in(&compressed);
        in.open(QIODevice::ReadOnly);
        Crc32Sink sink;
        damaged = DecompressGzip(in, sink) != GzipOk;
        size = sink.size();
        crc = sink.crc();
    }
    w.beginObject();
    w.key("size");
    w.integer(size);
    w.key("crc32");
    w.string(hex8(crc));
    if (damaged) {
        w.key("damaged");
        w.boolean(true);
    }
    w.endObject();
}

void writeValue(JsonWriter& w, const RecordTable& table, uint32_t row, const Field& f, bool verify = false)
{
    const Value v = table.rowValue(row, f);
    if (v.isNull()) return w.null();
    if (f.type() == FieldType::Blob) return writeContent(w, v.bytesValue(), verify);
    if (v.isBytes()) return w.string(cp1251ToUtf8(v.bytesValue()));
    if (v.isInteger()) return w.integer(v.integerValue());
    if (isDateType(f.type())) {
        const QByteArray text = isoDateTimeText(v.realValue());
        return text.isEmpty() ? w.null() : w.string(text);
    }
    w.number(v.realValue());
}

void writeTable(JsonWriter& w, const RecordTable& table, bool verify)
{
    w.beginArray();
    for (int i = 0; i < table.storedCount(); ++i) {
        const uint32_t row = table.storedRow(i);
        w.beginObject();
        for (int n = 0; n < table.fieldCount(); ++n) {
            const Field& f = table.field(n);
            if (!f.isData()) continue;
            w.key(f.name());
            writeValue(w, table, row, f, verify);
        }
        w.endObject();
    }
    w.endArray();
}

// The calculated resources of every productive horizon. A horizon whose calculation fails (an
// overflow of the oil chain) shows its fields as null and the error's message.
void writeResources(JsonWriter& w, const RecordTable& horizons)
{
    std::vector<const Field*> calculated;
    for (int n = 0; n < horizons.fieldCount(); ++n)
        if (horizons.field(n).name().startsWith("CALC_")) calculated.push_back(&horizons.field(n));
    const Field& id = horizons.fieldByName("ID");

    w.beginArray();
    for (int i = 0; i < horizons.storedCount(); ++i) {
        const uint32_t row = horizons.storedRow(i);
        std::vector<Value> values(calculated.size());
        QByteArray error;
        try {
            for (size_t k = 0; k < calculated.size(); ++k) values[k] = horizons.rowValue(row, *calculated[k]);
        } catch (const Error& e) {
            values.assign(calculated.size(), Value());
            error = e.what();
        }
        w.beginObject();
        w.key("ID");
        writeValue(w, horizons, row, id);
        for (size_t k = 0; k < calculated.size(); ++k) {
            w.key(calculated[k]->name());
            if (values[k].isReal())
                w.number(values[k].realValue());
            else
                w.null();
        }
        if (!error.isEmpty()) {
            w.key("error");
            w.string(error);
        }
        w.endObject();
    }
    w.endArray();
}

} // namespace

QByteArray PassportJson(TDataModule2& module, const QByteArray& fileLabel, bool verify)
{
    JsonWriter w;
    w.beginObject();
    w.key("file");
    w.string(fileLabel);
    w.key("tables");
    w.beginObject();
    for (RecordTable* table : module.passportTables()) {
        w.key(table->name());
        writeTable(w, *table, verify);
    }
    w.endObject();
    w.key("resources");
    writeResources(w, module.POSIB_PRODUCT_HOR);
    w.endObject();
    return w.result();
}

} // namespace talvena
