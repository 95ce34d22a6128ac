#include "export/workbook_check.h"

#include <QStringList>
#include <QtEndian>

#include <optional>
#include <vector>

namespace talvena {
namespace {

constexpr quint32 kEndOfChain = 0xFFFFFFFE;

quint16 u16(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint16>(b.constData() + at); }
quint32 u32(const QByteArray& b, qsizetype at) { return qFromLittleEndian<quint32>(b.constData() + at); }

class CompoundReader {
public:
    explicit CompoundReader(const QByteArray& file) : file_(file) {}

    QString open()
    {
        if (file_.size() < 512 || !file_.startsWith(QByteArray::fromHex("d0cf11e0a1b11ae1"))) return "no compound file header";
        const int shift = u16(file_, 0x1E);
        if (shift != 9 && shift != 12) return "unknown sector size";
        sector_ = qsizetype(1) << shift;
        if (u16(file_, 0x20) != 6) return "unknown mini sector size";
        // The FAT sectors: 109 in the header, the rest in the DIFAT chain.
        const quint32 fatCount = u32(file_, 0x2C);
        std::vector<quint32> fatSectors;
        for (int i = 0; i < 109 && fatSectors.size() < fatCount; ++i) fatSectors.push_back(u32(file_, 0x4C + 4 * i));
        quint32 difat = u32(file_, 0x44);
        for (quint32 n = u32(file_, 0x48); fatSectors.size() < fatCount; --n) {
            if (n == 0 || !inFile(difat)) return "DIFAT outside the file";
            const qsizetype at = offset(difat);
            const int perSector = int(sector_ / 4) - 1;
            for (int i = 0; i < perSector && fatSectors.size() < fatCount; ++i) fatSectors.push_back(u32(file_, at + 4 * i));
            difat = u32(file_, at + 4 * perSector);
        }
        for (quint32 s : fatSectors) {
            if (!inFile(s)) return "FAT sector outside the file";
            const qsizetype at = offset(s);
            for (qsizetype i = 0; i < sector_; i += 4) fat_.push_back(u32(file_, at + i));
        }
        const std::optional<QByteArray> directory = chain(u32(file_, 0x30), -1);
        if (!directory) return "directory outside the file";
        directory_ = *directory;
        miniCutoff_ = u32(file_, 0x38);
        return {};
    }

    // A stream by name: its bytes, or nothing with the reason in `why`.
    std::optional<QByteArray> stream(const QStringList& names, QString& why)
    {
        for (qsizetype at = 0; at + 128 <= directory_.size(); at += 128) {
            const int nameBytes = u16(directory_, at + 0x40);
            if (directory_[at + 0x42] != 2 || nameBytes < 2 || nameBytes > 64) continue;
            const QString name = QString::fromUtf16(reinterpret_cast<const char16_t*>(directory_.constData() + at),
                                                    nameBytes / 2 - 1);
            if (!names.contains(name, Qt::CaseInsensitive)) continue;
            const quint32 start = u32(directory_, at + 0x74);
            const qint64 size = u32(directory_, at + 0x78);
            std::optional<QByteArray> data = size < miniCutoff_ ? miniStream(start, size) : chain(start, size);
            if (!data) why = "the workbook stream runs outside the file";
            return data;
        }
        why = "no workbook stream";
        return std::nullopt;
    }

private:
    qsizetype offset(quint32 sector) const { return (qsizetype(sector) + 1) * sector_; }
    bool inFile(quint32 sector) const { return sector < 0xFFFFFFFA && offset(sector) + sector_ <= file_.size(); }

    // The bytes of a sector chain; `size` below 0: the whole chain. Nothing when a sector lies
    // outside the file, the chain is shorter than the size, or it runs in a circle.
    std::optional<QByteArray> chain(quint32 start, qint64 size) const
    {
        QByteArray out;
        for (quint32 s = start; s != kEndOfChain; s = fat_[s]) {
            if (!inFile(s) || s >= fat_.size() || out.size() > file_.size()) return std::nullopt;
            out.append(file_.constData() + offset(s), sector_);
            if (size >= 0 && out.size() >= size) break;
        }
        if (size < 0) return out;
        if (out.size() < size) return std::nullopt;
        return out.left(size);
    }

    std::optional<QByteArray> miniStream(quint32 start, qint64 size) const
    {
        const std::optional<QByteArray> miniFat = chain(u32(file_, 0x3C), -1);
        const std::optional<QByteArray> store = chain(u32(directory_, 0x74), -1); // the root entry's stream
        if (!miniFat || !store) return std::nullopt;
        QByteArray out;
        for (quint32 s = start; s != kEndOfChain && out.size() < size;) {
            if ((qsizetype(s) + 1) * 64 > store->size() || qsizetype(s) * 4 + 4 > miniFat->size() || out.size() > file_.size())
                return std::nullopt;
            out.append(store->constData() + qsizetype(s) * 64, 64);
            s = u32(*miniFat, qsizetype(s) * 4);
        }
        if (out.size() < size) return std::nullopt;
        return out.left(size);
    }

    const QByteArray& file_;
    qsizetype sector_ = 512;
    std::vector<quint32> fat_;
    QByteArray directory_;
    qint64 miniCutoff_ = 4096;
};

QString biffDefect(const QByteArray& stream)
{
    constexpr quint16 kBof = 0x0809, kEof = 0x000A, kBoundSheet = 0x0085;
    int substreams = 0, sheets = 0, depth = 0;
    qsizetype at = 0;
    while (at + 4 <= stream.size()) {
        const quint16 type = u16(stream, at);
        const quint16 length = u16(stream, at + 2);
        if (depth == 0 && type == 0) break; // zero padding after the last sheet
        if (at + 4 + length > stream.size()) return "a record runs past the end of the workbook stream";
        if (depth == 0 && type != kBof) return "a record outside BOF … EOF";
        if (type == kBof) {
            if (depth == 0) ++substreams;
            ++depth;
        } else if (type == kEof) {
            --depth;
        } else if (type == kBoundSheet && substreams == 1 && depth == 1) {
            ++sheets;
        }
        at += 4 + length;
    }
    if (substreams == 0) return "an empty workbook stream";
    if (depth != 0) return "the workbook stream ends before its EOF";
    if (substreams != sheets + 1) return "sheets missing from the workbook stream";
    return {};
}

} // namespace

QString WorkbookDefect(const QByteArray& bytes)
{
    CompoundReader reader(bytes);
    if (QString why = reader.open(); !why.isEmpty()) return why;
    QString why;
    const std::optional<QByteArray> stream = reader.stream({QStringLiteral("Workbook"), QStringLiteral("Book")}, why);
    if (!stream) return why;
    return biffDefect(*stream);
}

} // namespace talvena
