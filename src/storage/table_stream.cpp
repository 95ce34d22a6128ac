#include "storage/table_stream.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/file_errors.h"
#include "base/large_memory.h"
#include "storage/gzip.h"
#include "storage/load_budget.h"
#include "storage/tagged_value_io.h"
#include "table/record_table.h"

#include <QBuffer>
#include <QFile>
#include <QFileDevice>

#include <vector>

namespace talvena {

namespace {

constexpr char kSignature[] = "TPF0";
constexpr int kSignatureSize = int(sizeof kSignature) - 1;

// The stream versions at which parts of the layout appeared; a stream without a version is 100.
constexpr int kVersionless = 100;
constexpr int kIndexesFrom = 200;
constexpr int kRecordListsFrom = 230;
constexpr int kNullFlagsFrom = 249;
constexpr int kKindFrom = 250;
constexpr int kDefaultExpressionFrom = 251;
// Streams are written with every part of the layout.
constexpr int kWrittenVersion = kDefaultExpressionFrom;

// A compressed stream read without a budget (the dictionary files) is decoded in memory up to
// this size; beyond it cannot be a table of ours, and the cut-off stream fails as truncated.
constexpr qint64 kMaxDecodedSize = qint64(1) << 30;

// What loading costs beyond the fixed size of a row, as charged to a budget: a field definition,
// and a text or blob value on top of its own bytes (pool entry and allocation).
constexpr qint64 kFieldDefinitionCost = 1024;
constexpr qint64 kValueCost = 64;
// Column vectors grow by doubling, so a row may hold twice its size while loading.
constexpr qint64 kRowGrowth = 2;
// Blobs this long share the stream's storage instead of being copied (see TaggedValueReader::raw).
constexpr qint64 kSharedBlobFrom = 64 * 1024;

constexpr int kDateDisplayWidth = 18;
constexpr int kOtherDisplayWidth = 10;

bool isSizedText(FieldType t) { return t == FieldType::String || t == FieldType::FixedChar; }

// A WideString value is the UTF-8 form of its text, written by the string rule like any text;
// the table holds the text itself, in CP1251.
bool isUtf8Text(FieldType t) { return t == FieldType::WideString; }

int displayWidth(const Field& f)
{
    if (isSizedText(f.type())) return f.size();
    return isDateType(f.type()) ? kDateDisplayWidth : kOtherDisplayWidth;
}

// --- writing ---------------------------------------------------------------------------------

struct SavedField {
    const Field* field;
    StreamEncoding encoding;
};

void writeFieldDefinitions(TaggedValueWriter& w, const std::vector<SavedField>& fields)
{
    w.listStart();
    for (const SavedField& s : fields) {
        const Field& f = *s.field;
        w.string(f.name());
        w.string(QByteArray(fieldTypeInfo(f.type()).name));
        w.integer(isSizedText(f.type()) ? f.size() : 0);
        w.string(f.name()); // display name: no field of ours has a label of its own
        w.string(QByteArray());
        w.integer(displayWidth(f));
        w.boolean(f.required());
        w.boolean(false);
        w.string(QByteArray(fieldKindName(FieldKind::Data)));
        w.string(QByteArray());
    }
    w.listEnd();
}

void writeRecords(TaggedValueWriter& w, const RecordTable& table, const std::vector<SavedField>& fields,
                  bool rawBlobs)
{
    w.listStart();
    for (int i = 0, n = table.storedCount(); i < n; ++i) {
        const uint32_t row = table.storedRow(i);
        w.listStart();
        w.integer(table.rowStatus(row) == 1 ? 1 : 0);
        for (const SavedField& s : fields) {
            const Field& f = *s.field;
            const bool null = table.rowIsNull(row, f);
            w.boolean(null);
            if (null) continue;
            switch (s.encoding) {
            case StreamEncoding::Integer: w.integer(table.rowInteger(row, f)); break;
            case StreamEncoding::Boolean: w.boolean(table.rowInteger(row, f) != 0); break;
            case StreamEncoding::Real: w.real(table.rowReal(row, f)); break;
            case StreamEncoding::Blob:
                if (rawBlobs) {
                    const QByteArray& b = table.rowBytes(row, f);
                    w.integer(b.size());
                    w.rawShared(b);
                    break;
                }
                [[fallthrough]];
            case StreamEncoding::String:
            case StreamEncoding::NotLoadable:
                w.string(isUtf8Text(f.type()) ? cp1251ToUtf8(table.rowBytes(row, f)) : table.rowBytes(row, f));
                break;
            }
        }
        w.listEnd();
    }
    w.listEnd();
}

// The most a record takes without its texts and blobs: the list tags, the status, and per field
// the NULL flag and the widest encoding of its value.
qsizetype fixedRecordBytes(const std::vector<SavedField>& fields)
{
    qsizetype bytes = 1 + 2 + 1;
    for (const SavedField& s : fields) {
        bytes += 1;
        switch (s.encoding) {
        case StreamEncoding::Integer: bytes += 9; break;
        case StreamEncoding::Boolean: break;
        case StreamEncoding::Real: bytes += 1 + kExtendedSize; break;
        case StreamEncoding::Blob:
        case StreamEncoding::String:
        case StreamEncoding::NotLoadable: bytes += 5; break;
        }
    }
    return bytes;
}

TableStreamParts serialize(RecordTable& table, const TableStreamFormat& format)
{
    std::vector<SavedField> fields;
    for (int i = 0; i < table.fieldCount(); ++i) {
        const Field& f = table.field(i);
        if (f.isData()) fields.push_back({&f, fieldTypeInfo(f.type()).encoding});
    }

    TaggedValueWriter w(format.bufferSize);
    w.raw(kSignature, kSignatureSize);
    w.integer(kWrittenVersion);
    writeFieldDefinitions(w, fields);
    w.listStart(); // no index definitions
    w.listEnd();
    w.listStart();
    w.integer(qsizetype(fields.size()));
    for (const SavedField& s : fields) w.integer(int(s.field->type()));
    w.listEnd();
    w.reserve(fixedRecordBytes(fields) * table.storedCount());
    writeRecords(w, table, fields, format.rawBlobMode);
    TableStreamParts stream;
    stream.size = w.size();
    stream.parts = w.takeParts();
    return stream;
}

[[noreturn]] void failWrite() { throw Error("Stream write error"); }

// An uncompressed stream is the whole output, so whatever the output held goes first.
void emptyOutput(QIODevice& out)
{
    if (auto* buffer = qobject_cast<QBuffer*>(&out)) {
        buffer->buffer().clear();
        buffer->seek(0);
    } else if (auto* file = qobject_cast<QFileDevice*>(&out)) {
        if (!file->resize(0) || !file->seek(0)) failWrite();
    } else if (!out.isSequential() && !out.seek(0)) {
        failWrite();
    }
}

// --- reading ---------------------------------------------------------------------------------

// How the values of one table field are read.
struct LoadedField {
    StreamEncoding encoding;
    bool dateValue;
    bool utf8Text;
    int dataIndex; // position among the values handed to the table; -1 for fields that store none
};

class TableStreamLoader {
public:
    TableStreamLoader(RecordTable& table, const QByteArray& stream, bool rawBlobs, LoadBudget* budget)
        : table_(table), in_(stream), rawBlobs_(rawBlobs), budget_(budget)
    {
    }

    void run()
    {
        try {
            readSignature();
            readVersion();
            readFieldDefinitions();
            if (version_ >= kIndexesFrom) skipIndexDefinitions();
            skipTypeHeader();
            readRecords();
        } catch (...) {
            if (loading_) table_.endLoad(); // keeps what was loaded, and the table not suspended
            throw;
        }
        loading_ = false;
        table_.endLoad();
    }

private:
    void readSignature()
    {
        const QByteArray signature = in_.raw(kSignatureSize);
        if (signature != QByteArray::fromRawData(kSignature, kSignatureSize))
            throw Error("Invalid stream format");
    }

    void readVersion() { version_ = in_.peekTag() == TagList ? kVersionless : in_.integer(); }

    void readFieldDefinitions()
    {
        in_.listStart();
        bool replaced = false;
        while (!in_.atListEnd()) {
            FieldDef def;
            def.name = in_.string();
            const QByteArray typeName = in_.string();
            const std::optional<FieldType> type = fieldTypeByName(typeName);
            if (!type || fieldTypeInfo(*type).encoding == StreamEncoding::NotLoadable)
                throw Error(formatMessage("Unknown field type (%s)", {cp1251ToUtf8(typeName).toStdString()}));
            def.type = *type;
            def.size = in_.integer();
            // Display name, edit mask, display width and read-only flag: our fields show their
            // names and none is read-only, so these are read past.
            in_.string();
            in_.string();
            in_.integer();
            def.required = in_.boolean();
            in_.boolean();
            if (version_ >= kKindFrom) def.kind = fieldKindByName(in_.string());
            if (version_ >= kDefaultExpressionFrom) in_.string();
            charge(kFieldDefinitionCost);

            if (!replaced) {
                table_.clearFields();
                beginLoading();
                replaced = true;
            }
            table_.addField(def);
        }
        in_.listEnd();

        if (!replaced) {
            if (table_.fieldCount() == 0) throw Error("Couldnt determine field count for load.");
            table_.close(); // the stream's records replace the table's
            beginLoading();
        }
        planFields();
    }

    void beginLoading()
    {
        table_.beginLoad();
        loading_ = true;
    }

    void planFields()
    {
        int dataCount = 0;
        for (int i = 0; i < table_.fieldCount(); ++i) {
            const Field& f = table_.field(i);
            fields_.push_back({fieldTypeInfo(f.type()).encoding, isDateType(f.type()), isUtf8Text(f.type()),
                               f.isData() ? dataCount++ : -1});
        }
        values_.resize(size_t(dataCount));
        rowCost_ = kRowGrowth * table_.estimatedRowBytes();
    }

    void charge(qint64 bytes)
    {
        if (budget_) budget_->charge(bytes);
    }

    void skipIndexDefinitions()
    {
        in_.listStart();
        while (!in_.atListEnd()) {
            for (int i = 0; i < 3; ++i) in_.string();  // name, field list, display name
            for (int i = 0; i < 4; ++i) in_.boolean(); // descending, case-insensitive, non-maintained, unique
        }
        in_.listEnd();
    }

    void skipTypeHeader()
    {
        in_.listStart();
        const int32_t count = in_.integer();
        for (int32_t i = 0; i < count; ++i) in_.integer();
        in_.listEnd();
    }

    void readRecords()
    {
        in_.listStart();
        while (!in_.atListEnd()) {
            charge(rowCost_);
            if (version_ < kRecordListsFrom) {
                readValues(true);
                table_.loadRecord(values_, 0);
                continue;
            }
            in_.listStart();
            const int32_t status = in_.integer();
            readValues(true);
            table_.loadRecord(values_, status == 1 ? 1 : 0);
            // Further versions of the same record: only the first counts.
            while (!in_.atListEnd()) {
                in_.integer();
                readValues(false);
            }
            in_.listEnd();
        }
        in_.listEnd();
    }

    void readValues(bool keep)
    {
        const bool nullFlags = version_ >= kNullFlagsFrom;
        for (const LoadedField& f : fields_) {
            Value v;
            if (!nullFlags || !in_.boolean()) v = readValue(f);
            if (keep && f.dataIndex >= 0) values_[size_t(f.dataIndex)] = std::move(v);
        }
    }

    Value readValue(const LoadedField& f)
    {
        switch (f.encoding) {
        case StreamEncoding::Integer: return Value::integer(in_.integer());
        case StreamEncoding::Boolean: return Value::integer(in_.boolean() ? 1 : 0);
        case StreamEncoding::Real: {
            const double d = in_.real();
            // A date value of exactly 0 is how an empty date was stored.
            if (f.dateValue && d == 0) return Value();
            return Value::real(d);
        }
        case StreamEncoding::Blob:
            if (rawBlobs_) {
                const int64_t size = in_.largeInteger();
                if (size < 1) return Value();
                charge(size >= kSharedBlobFrom ? kValueCost : size + kValueCost);
                return Value::bytes(in_.raw(size));
            }
            [[fallthrough]];
        case StreamEncoding::String:
        case StreamEncoding::NotLoadable: break;
        }
        QByteArray text = in_.string();
        if (!text.isEmpty()) charge(text.size() + kValueCost);
        if (f.utf8Text) return Value::bytes(utf8ToCp1251(text));
        return Value::bytes(std::move(text));
    }

    RecordTable& table_;
    TaggedValueReader in_;
    const bool rawBlobs_;
    LoadBudget* budget_;
    qint64 rowCost_ = 0;
    int version_ = kVersionless;
    bool loading_ = false;
    std::vector<LoadedField> fields_;
    std::vector<Value> values_;
};

} // namespace

TableStreamFormats& tableStreamFormats()
{
    static TableStreamFormats formats;
    return formats;
}

QByteArray TableStreamBytes(RecordTable& table, const TableStreamFormat& format)
{
    if (!format.compressed) return SerializeTableStream(table, format).joined();
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteTableStream(table, buffer, format);
    return bytes;
}

QByteArray TableStreamParts::joined() const
{
    if (parts.size() == 1) return parts.front();
    QByteArray bytes = LargeByteArray(size);
    char* at = bytes.data();
    for (const QByteArray& p : parts) at = std::copy(p.cbegin(), p.cend(), at);
    return bytes;
}

TableStreamParts SerializeTableStream(RecordTable& table, const TableStreamFormat& format)
{
    // Records are read straight from storage, so neither the filter nor the current record is
    // touched; the controls just must not repaint halfway.
    RecordTable::RefreshSuspension suspension(table);
    return serialize(table, format);
}

void WriteTableStream(RecordTable& table, QIODevice& out, const TableStreamFormat& format)
{
    const TableStreamParts stream = SerializeTableStream(table, format);
    if (format.compressed) {
        const QByteArray plain = stream.joined();
        if (TGzip().compress(plain.constData(), plain.size(), out) != GzipOk) failWrite();
        return;
    }
    emptyOutput(out);
    for (const QByteArray& part : stream.parts)
        if (out.write(part) != part.size()) failWrite();
}

int ReadTableStream(RecordTable& table, const QByteArray& stream, const TableStreamFormat& format, LoadBudget* budget)
{
    QByteArray decoded = stream;
    int status = GzipOk;
    if (format.compressed) { // plain input passes through
        // The decoded buffer grows by doubling, so it may take twice what it holds.
        const qint64 limit = budget ? budget->remaining() / 2 : kMaxDecodedSize;
        status = DecompressGzip(stream, decoded, limit);
        if (status == GzipOutputTooLarge) throw Error("Stream read error");
        if (budget && decoded.constData() != stream.constData()) budget->charge(2 * decoded.size());
    }
    TableStreamLoader(table, decoded, format.rawBlobMode, budget).run();
    return status;
}

int ReadTableStream(RecordTable& table, QIODevice& in, const TableStreamFormat& format)
{
    if (!in.isSequential()) in.seek(0);
    return ReadTableStream(table, in.readAll(), format);
}

void ReadTableFile(RecordTable& table, const QString& fileName, const TableStreamFormat& format)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
    ReadTableStream(table, file, format);
}

} // namespace talvena
