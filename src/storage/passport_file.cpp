#include "storage/passport_file.h"

#include "base/cp1251.h"
#include "base/error.h"
#include "base/file_errors.h"
#include "base/random_id.h"
#include "table/record_table.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QtEndian>
#include <climits>
#include <vector>

namespace talvena {

namespace {

constexpr char kSignature[8] = {0x07, 'l', 'o', 'm', 'i', 'r', 'a', '2'};
constexpr uint8_t kFileVersion = 1;

// The IDs taken so far in one copy: open addressing over a flat array, because a contour table
// brings a hundred thousand of them and node-based sets spend most of a load in cache misses.
class IdSet {
public:
    explicit IdSet(size_t expected)
    {
        size_t capacity = 16;
        while (capacity < expected * 2) capacity *= 2;
        slots_.assign(capacity, kEmpty);
    }
    bool contains(int64_t v) const { return slots_[find(v)] == v && v != kEmpty; }
    void insert(int64_t v)
    {
        if (v == kEmpty) {
            hasEmptyValue_ = true;
            return;
        }
        if ((count_ + 1) * 2 > slots_.size()) grow();
        size_t i = find(v);
        if (slots_[i] == kEmpty) {
            slots_[i] = v;
            ++count_;
        }
    }
    bool taken(int64_t v) const { return v == kEmpty ? hasEmptyValue_ : contains(v); }

private:
    static constexpr int64_t kEmpty = INT64_MIN;
    size_t find(int64_t v) const
    {
        const size_t mask = slots_.size() - 1;
        size_t i = static_cast<size_t>(static_cast<uint64_t>(v) * 0x9E3779B97F4A7C15ull >> 20) & mask;
        while (slots_[i] != kEmpty && slots_[i] != v) i = (i + 1) & mask;
        return i;
    }
    void grow()
    {
        std::vector<int64_t> old = std::move(slots_);
        slots_.assign(old.size() * 2, kEmpty);
        count_ = 0;
        for (int64_t v : old)
            if (v != kEmpty) insert(v);
    }
    std::vector<int64_t> slots_;
    size_t count_ = 0;
    bool hasEmptyValue_ = false;
};

bool isFilesTable(const RecordTable& t) { return t.name().compare("FILES", Qt::CaseInsensitive) == 0; }

} // namespace

PassportHeader HasPassportHeader(const QString& fileName)
{
    PassportHeader h;
    QFile f(fileName);
    if (!f.open(QIODevice::ReadOnly) || f.size() <= 9) return h;
    const QByteArray head = f.read(9);
    if (head.size() == 9 && std::equal(head.begin(), head.begin() + 8, kSignature)) {
        h.headered = true;
        h.version = static_cast<uint8_t>(head[8]);
    }
    return h;
}

void WriteTableBlock(RecordTable& table, QIODevice& out, const TableStreamFormat& format)
{
    const QByteArray stream = TableStreamBytes(table, format);
    char length[4];
    qToLittleEndian<int32_t>(static_cast<int32_t>(stream.size()), length);
    if (out.write(length, 4) != 4 || out.write(stream) != stream.size()) throw Error("Stream write error");
}

bool ReadTableBlock(QIODevice& in, RecordTable& table, const TableStreamFormat& format)
{
    char length[4];
    if (in.bytesAvailable() < 4 || in.read(length, 4) != 4) return false;
    const int32_t size = qFromLittleEndian<int32_t>(length);
    if (size < 1 || size > in.bytesAvailable()) throw Error("Stream read error");
    QByteArray stream(size, Qt::Uninitialized);
    if (in.read(stream.data(), size) != size) throw Error("Stream read error");
    ReadTableStream(table, stream, format);
    return true;
}

void CopyTableRecords(RecordTable& source, RecordTable& target, bool makeIdsUnique)
{
    target.settle();
    target.empty();
    if (!source.active()) return;

    // Pair each target data field with the source field of the same name once.
    struct Pair {
        Field* to;
        const Field* from;
    };
    std::vector<Pair> pairs;
    for (int i = 0; i < target.fieldCount(); ++i) {
        Field& to = target.field(i);
        if (!to.isData()) continue;
        if (const Field* from = source.findField(to.name())) pairs.push_back({&to, from});
    }
    Field* id = target.findField("ID");
    IdSet taken(makeIdsUnique ? static_cast<size_t>(source.storedCount()) : 0);

    target.suspendRefresh();
    try {
        for (int i = 0; i < source.storedCount(); ++i) {
            const uint32_t row = source.storedRow(i);
            target.append();
            for (const Pair& p : pairs) {
                try {
                    p.to->setValue(source.rowValue(row, *p.from));
                } catch (const Error&) {
                    // A value the target refuses keeps what the field held.
                }
            }
            if (makeIdsUnique && id) {
                int64_t value = id->asInteger();
                if (taken.taken(value)) {
                    do value = RandomInt(999999);
                    while (taken.taken(value));
                    try {
                        id->setInteger(value);
                    } catch (const Error&) {
                    }
                }
                taken.insert(value);
            }
            target.post();
        }
    } catch (...) {
        target.resumeRefresh();
        throw;
    }
    target.resumeRefresh();
}

void WritePassportFile(const QString& fileName, const PassportTableList& tables, const TableStreamFormats& formats,
                       const std::function<void()>& afterBlock)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly))
        throw Error(formatMessage("Cannot open file \"%s\". %s", {fileName.toStdString(), file.errorString().toStdString()}));
    char header[9];
    std::copy(std::begin(kSignature), std::end(kSignature), header);
    header[8] = static_cast<char>(kFileVersion);
    if (file.write(header, 9) != 9) throw Error("Stream write error");
    for (RecordTable* t : tables) {
        WriteTableBlock(*t, file, isFilesTable(*t) ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1);
        if (afterBlock) afterBlock();
    }
    // The previous file is replaced only here, after everything was written and synced.
    if (!file.commit()) throw Error("Stream write error");
}

void ReadPassportBlocks(const QString& fileName, const PassportTableList& scratch, const TableStreamFormats& formats,
                        const std::function<void()>& afterBlock)
{
    for (RecordTable* t : scratch) t->close();
    const PassportHeader header = HasPassportHeader(fileName);
    QFile file(fileName);
    if (!QFileInfo(fileName).isFile() || !file.open(QIODevice::ReadOnly)) throwCannotOpenFile(file);
    if (header.headered) {
        const QByteArray head = file.read(9);
        if (head.size() != 9 || !std::equal(head.begin(), head.begin() + 8, kSignature))
            throw Error("Invalid PSP signature");
        if (static_cast<uint8_t>(head[8]) > kFileVersion) throw Error("Unknown PSP version");
    }
    for (size_t i = 0; i < scratch.size(); ++i) {
        const bool filesRaw = i + 1 == scratch.size() && header.headered;
        const TableStreamFormat& format = filesRaw ? formats.kbmBinaryStreamFormat2 : formats.kbmBinaryStreamFormat1;
        if (!ReadTableBlock(file, *scratch[i], format)) break;
        if (afterBlock) afterBlock();
    }
}

} // namespace talvena
