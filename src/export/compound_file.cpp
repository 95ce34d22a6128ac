#include "export/compound_file.h"

#include "base/error.h"

#include <algorithm>
#include <cstdint>
#include <numeric>

namespace talvena {

namespace {

// The sector numbers that stand for no sector: what a FAT entry holds beside a next sector.
enum SpecialSector : uint32_t {
    kFreeSect = 0xFFFFFFFF,
    kEndOfChain = 0xFFFFFFFE,
    kFatSect = 0xFFFFFFFD,
    kDifSect = 0xFFFFFFFC,
};
// A directory entry's sibling or child that is not there.
constexpr uint32_t kNoStream = 0xFFFFFFFF;

constexpr int kSectorSize = 512;
constexpr int kIdsPerSector = kSectorSize / 4;
constexpr int kHeaderFatSlots = 109;
constexpr int kDifatSlotsPerSector = kIdsPerSector - 1; // the last slot chains to the next one
constexpr int kEntrySize = 128;
constexpr int kEntriesPerSector = kSectorSize / kEntrySize;

void put16(char* at, uint16_t v)
{
    at[0] = static_cast<char>(v);
    at[1] = static_cast<char>(v >> 8);
}

void put32(char* at, uint32_t v)
{
    put16(at, static_cast<uint16_t>(v));
    put16(at + 2, static_cast<uint16_t>(v >> 16));
}

uint32_t sectorsFor(qsizetype bytes) { return static_cast<uint32_t>((bytes + kSectorSize - 1) / kSectorSize); }

// The order of names within one storage: by length, then by upper-case code units.
bool nameLess(const QString& a, const QString& b)
{
    if (a.size() != b.size()) return a.size() < b.size();
    return a.toUpper() < b.toUpper();
}

struct Entry {
    QString name;
    uint8_t type = 0; // 0 unused, 2 stream, 5 root
    uint32_t left = kNoStream, right = kNoStream, child = kNoStream;
    uint32_t start = 0;
    uint32_t size = 0;
};

void writeEntry(char* at, const Entry& e)
{
    std::fill(at, at + kEntrySize, '\0');
    if (e.type != 0) {
        for (qsizetype i = 0; i < e.name.size(); ++i) put16(at + 2 * i, e.name[i].unicode());
        put16(at + 64, static_cast<uint16_t>(2 * (e.name.size() + 1)));
        at[66] = static_cast<char>(e.type);
        at[67] = 1; // black
    }
    put32(at + 68, e.left);
    put32(at + 72, e.right);
    put32(at + 76, e.child);
    put32(at + 116, e.start);
    put32(at + 120, e.size);
}

// Links entries[first..last] of the sorted order into a balanced tree; returns its root.
uint32_t linkTree(std::vector<Entry>& entries, const std::vector<uint32_t>& sorted, int first, int last)
{
    if (first > last) return kNoStream;
    const int middle = (first + last) / 2;
    Entry& node = entries[sorted[middle]];
    node.left = linkTree(entries, sorted, first, middle - 1);
    node.right = linkTree(entries, sorted, middle + 1, last);
    return sorted[middle];
}

} // namespace

QByteArray BuildCompoundFile(const std::vector<CompoundStream>& streams)
{
    std::vector<Entry> entries(1);
    entries[0].name = QStringLiteral("Root Entry");
    entries[0].type = 5;
    entries[0].start = kEndOfChain;

    uint32_t streamSectors = 0;
    for (const CompoundStream& s : streams) {
        if (s.name.isEmpty() || s.name.size() > 31) throw Error("Compound file stream name must have 1 to 31 characters");
        if (s.data.size() < kCompoundMiniStreamCutoff) throw Error("Compound file stream is shorter than 4096 bytes");
        if (s.data.size() > 0x7FFFFFFF) throw Error("Compound file stream is too large");
        Entry e;
        e.name = s.name;
        e.type = 2;
        e.start = streamSectors;
        e.size = static_cast<uint32_t>(s.data.size());
        entries.push_back(e);
        streamSectors += sectorsFor(s.data.size());
    }
    std::vector<uint32_t> sorted(streams.size());
    std::iota(sorted.begin(), sorted.end(), 1u);
    std::sort(sorted.begin(), sorted.end(),
              [&](uint32_t a, uint32_t b) { return nameLess(entries[a].name, entries[b].name); });
    for (size_t i = 1; i < sorted.size(); ++i)
        if (!nameLess(entries[sorted[i - 1]].name, entries[sorted[i]].name))
            throw Error("Compound file streams must have different names");
    entries[0].child = linkTree(entries, sorted, 0, static_cast<int>(sorted.size()) - 1);

    // The FAT must also number its own sectors and the DIFAT sectors that list it.
    const uint32_t dirSectors = (static_cast<uint32_t>(entries.size()) + kEntriesPerSector - 1) / kEntriesPerSector;
    uint32_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        difatSectors = fatSectors > kHeaderFatSlots
                           ? (fatSectors - kHeaderFatSlots + kDifatSlotsPerSector - 1) / kDifatSlotsPerSector
                           : 0;
        if (uint64_t(fatSectors) * kIdsPerSector >= uint64_t(streamSectors) + dirSectors + fatSectors + difatSectors)
            break;
        ++fatSectors;
    }
    const uint32_t firstDir = streamSectors;
    const uint32_t firstFat = firstDir + dirSectors;
    const uint32_t firstDifat = firstFat + fatSectors;
    const uint32_t totalSectors = firstDifat + difatSectors;

    QByteArray file(qsizetype(kSectorSize) * (1 + totalSectors), '\0');
    char* const base = file.data();
    auto sector = [&](uint32_t n) { return base + qsizetype(kSectorSize) * (n + 1); };

    // Header.
    static constexpr unsigned char kSignature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
    std::copy(std::begin(kSignature), std::end(kSignature), base);
    put16(base + 0x18, 0x003E);
    put16(base + 0x1A, 3);
    put16(base + 0x1C, 0xFFFE);
    put16(base + 0x1E, 9);
    put16(base + 0x20, 6);
    put32(base + 0x2C, fatSectors);
    put32(base + 0x30, firstDir);
    put32(base + 0x38, kCompoundMiniStreamCutoff);
    put32(base + 0x3C, kEndOfChain);
    put32(base + 0x44, difatSectors ? firstDifat : kEndOfChain);
    put32(base + 0x48, difatSectors);
    for (uint32_t i = 0; i < kHeaderFatSlots; ++i) put32(base + 0x4C + 4 * i, i < fatSectors ? firstFat + i : kFreeSect);

    // Streams.
    for (size_t i = 0; i < streams.size(); ++i)
        std::copy(streams[i].data.begin(), streams[i].data.end(), sector(entries[i + 1].start));

    // Directory, the unused entries of its last sector included.
    entries.resize(qsizetype(dirSectors) * kEntriesPerSector);
    for (size_t i = 0; i < entries.size(); ++i) writeEntry(sector(firstDir) + kEntrySize * i, entries[i]);

    // FAT.
    char* const fat = sector(firstFat);
    auto setNext = [&](uint32_t n, uint32_t next) { put32(fat + 4 * qsizetype(n), next); };
    for (uint32_t n = 0; n < fatSectors * uint32_t(kIdsPerSector); ++n) setNext(n, kFreeSect);
    auto chain = [&](uint32_t first, uint32_t count) {
        for (uint32_t k = 0; k < count; ++k) setNext(first + k, k + 1 < count ? first + k + 1 : kEndOfChain);
    };
    for (size_t i = 0; i < streams.size(); ++i) chain(entries[i + 1].start, sectorsFor(streams[i].data.size()));
    chain(firstDir, dirSectors);
    for (uint32_t k = 0; k < fatSectors; ++k) setNext(firstFat + k, kFatSect);
    for (uint32_t k = 0; k < difatSectors; ++k) setNext(firstDifat + k, kDifSect);

    // DIFAT sectors for the FAT sectors past the header's 109.
    for (uint32_t k = 0; k < difatSectors; ++k) {
        char* const d = sector(firstDifat + k);
        for (uint32_t slot = 0; slot < uint32_t(kDifatSlotsPerSector); ++slot) {
            const uint32_t fatIndex = kHeaderFatSlots + k * kDifatSlotsPerSector + slot;
            put32(d + 4 * slot, fatIndex < fatSectors ? firstFat + fatIndex : kFreeSect);
        }
        put32(d + 4 * kDifatSlotsPerSector, k + 1 < difatSectors ? firstDifat + k + 1 : kEndOfChain);
    }
    return file;
}

} // namespace talvena
