// Saving with kept blocks: a table that has not changed is written from the bytes kept for it, a
// block read from a file only once it is known to be what the writer makes of the table, and every
// table is read before anything else may run.
#include "storage/gzip.h"
#include "storage/kept_blocks.h"
#include "storage/load_budget.h"
#include "storage/passport_file.h"
#include "table/record_table.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QtEndian>

#include <array>
#include <memory>
#include <zlib.h>

using namespace talvena;

namespace {

const TableStreamFormats kFormats = [] {
    TableStreamFormats f;
    f.kbmBinaryStreamFormat2.rawBlobMode = true;
    return f;
}();
const TableStreamFormat kPlain{false, false, 16384};

struct Passport {
    std::array<std::unique_ptr<RecordTable>, 5> t;

    Passport()
    {
        const char* names[5] = {"PASPORTS", "REFLECT_HORIZONTS", "POSIB_PRODUCT_HOR", "KONTUR", "FILES"};
        for (int i = 0; i < 5; ++i) {
            t[size_t(i)] = std::make_unique<RecordTable>(names[i]);
            RecordTable& r = *t[size_t(i)];
            r.addField("ID", FieldType::Integer, 0, true);
            r.addField(i == 4 ? "CONTENT" : "X", i == 4 ? FieldType::Blob : FieldType::Float);
            r.open();
        }
        // Contour points enough for several pieces, an attachment large enough to be written
        // from its own storage.
        for (int i = 0; i < 3; ++i) add(*t[size_t(i)], i + 1, Value::real(i / 3.0));
        for (int i = 0; i < 30000; ++i) add(*t[3], 100000 + i, Value::real(76.5 + i * 1e-5));
        QByteArray attachment(300000, '\0');
        for (int i = 0; i < attachment.size(); ++i) attachment[i] = char((i * 2654435761u) >> 13);
        add(*t[4], 1, Value::bytes(attachment));
    }
    static void add(RecordTable& r, int id, const Value& v)
    {
        r.append();
        r.fieldByName("ID").setInteger(id);
        r.field(1).setValue(v);
        r.post();
    }
    PassportTableList list() const { return {t[0].get(), t[1].get(), t[2].get(), t[3].get(), t[4].get()}; }
};

QByteArray save(const Passport& p, KeptPassportBlocks* kept, const std::function<void()>& afterBlock = {})
{
    QByteArray bytes;
    QBuffer out(&bytes);
    out.open(QIODevice::WriteOnly);
    WritePassport(out, p.list(), kFormats, afterBlock, kept);
    return bytes;
}

// The bytes of the five blocks of a headered file.
std::array<QByteArray, 5> blocksOf(const QByteArray& file)
{
    std::array<QByteArray, 5> blocks;
    qsizetype at = 9;
    for (QByteArray& b : blocks) {
        const qint32 size = qFromLittleEndian<qint32>(file.constData() + at);
        b = file.mid(at + 4, size);
        at += 4 + size;
    }
    EXPECT_EQ(at, file.size());
    return blocks;
}

// A valid member of the stream that our writer would never make: deflated at level 1.
QByteArray levelOneMember(const QByteArray& plain)
{
    z_stream s{};
    deflateInit2(&s, 1, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY);
    QByteArray raw(int(deflateBound(&s, uLong(plain.size()))), Qt::Uninitialized);
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(plain.constData()));
    s.avail_in = uInt(plain.size());
    s.next_out = reinterpret_cast<Bytef*>(raw.data());
    s.avail_out = uInt(raw.size());
    deflate(&s, Z_FINISH);
    raw.truncate(int(s.total_out));
    deflateEnd(&s);
    QByteArray trailer(8, '\0');
    qToLittleEndian<quint32>(quint32(crc32(0, reinterpret_cast<const Bytef*>(plain.constData()), uInt(plain.size()))),
                             trailer.data());
    qToLittleEndian<quint32>(quint32(plain.size()), trailer.data() + 4);
    return QByteArray::fromHex("1f8b0800000000000000") + raw + trailer;
}

QByteArray plainStream(RecordTable& t) { return TableStreamBytes(t, kPlain); }

} // namespace

TEST(KeptBlocks, AnUnchangedTableIsWrittenFromItsKeptBytesAndAChangedOneAfresh)
{
    Passport p;
    KeptPassportBlocks kept;
    const QByteArray first = save(p, &kept);
    const std::array<QByteArray, 5> firstBlocks = blocksOf(first);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(firstBlocks[size_t(i)], CompressToGzip(plainStream(*p.t[size_t(i)]))) << i;
    EXPECT_EQ(firstBlocks[4], TableStreamBytes(*p.t[4], kFormats.kbmBinaryStreamFormat2))
        << "attachments written from their storage give the same block";
    EXPECT_EQ(save(p, &kept), first);

    // Bytes kept for the contour table are what is written while it stays as it is.
    const QByteArray foreign = levelOneMember(plainStream(*p.t[3]));
    ASSERT_NE(foreign, firstBlocks[3]);
    kept.keepWritten(3, p.t[3]->contentStamp(), kFormats.kbmBinaryStreamFormat1, foreign);
    EXPECT_EQ(blocksOf(save(p, &kept))[3], foreign);
    // Kept for another format, they do not count.
    kept.keepWritten(3, p.t[3]->contentStamp(), kFormats.kbmBinaryStreamFormat2, foreign);
    EXPECT_EQ(blocksOf(save(p, &kept))[3], firstBlocks[3]);

    // A change, even one undone, makes the block new; the others stay.
    kept.keepWritten(3, p.t[3]->contentStamp(), kFormats.kbmBinaryStreamFormat1, foreign);
    kept.keepWritten(0, p.t[0]->contentStamp(), kFormats.kbmBinaryStreamFormat1, levelOneMember(plainStream(*p.t[0])));
    RecordTable& points = *p.t[3];
    points.last();
    points.edit();
    points.fieldByName("X").setFloat(1);
    points.post();
    points.edit();
    points.fieldByName("X").setFloat(76.5 + 29999 * 1e-5);
    points.post();
    const std::array<QByteArray, 5> after = blocksOf(save(p, &kept));
    EXPECT_EQ(after[3], CompressToGzip(plainStream(points)));
    EXPECT_EQ(after[0], levelOneMember(plainStream(*p.t[0])));
}

TEST(KeptBlocks, ABlockReadFromAFileCountsOnlyWhenItDecodesToWhatTheWriterWrites)
{
    Passport p;
    RecordTable& points = *p.t[3];
    const QByteArray ours = CompressToGzip(plainStream(points));
    const QByteArray levelOne = levelOneMember(plainStream(points));
    QByteArray named = levelOne;
    named[3] = 0x08; // a file name in the header: not a member as we write them
    named.insert(10, QByteArray("kontur\0", 7));
    QByteArray trailing = levelOne + QByteArray(1, '\0');

    RecordTable fewer("KONTUR"); // the same records without the last one
    fewer.addField("ID", FieldType::Integer, 0, true);
    fewer.addField("X", FieldType::Float);
    fewer.open();
    for (int i = 0; i < points.storedCount() - 1; ++i)
        Passport::add(fewer, int(points.rowInteger(points.storedRow(i), points.field(0))),
                      Value::real(points.rowReal(points.storedRow(i), points.field(1))));
    const QByteArray otherStream = CompressToGzip(plainStream(fewer));

    struct Case {
        const char* what;
        QByteArray read;
        QByteArray written;
    };
    for (const Case& c : {Case{"a valid member of the same stream", levelOne, levelOne},
                          Case{"another writer's header", named, ours}, Case{"bytes after the member", trailing, ours},
                          Case{"another stream", otherStream, ours}}) {
        KeptPassportBlocks kept;
        kept.keepRead(3, points, kFormats.kbmBinaryStreamFormat1, c.read);
        EXPECT_EQ(blocksOf(save(p, &kept))[3], c.written) << c.what;
        // Checked once: afterwards either it stands or what was written now is kept.
        bool checked = false;
        const QByteArray* now = kept.find(3, points, kFormats.kbmBinaryStreamFormat1, checked);
        ASSERT_NE(now, nullptr) << c.what;
        EXPECT_TRUE(checked);
        EXPECT_EQ(*now, c.written) << c.what;
    }
}

TEST(KeptBlocks, EveryTableIsReadBeforeAnythingElseRuns)
{
    Passport p;
    KeptPassportBlocks kept;
    int calls = 0;
    // A change made while the save lets the window paint belongs to the next save.
    const QByteArray file = save(p, &kept, [&] {
        if (calls++ == 0) Passport::add(*p.t[3], 1, Value::real(0.5));
    });
    EXPECT_EQ(calls, 5);
    std::array<RecordTable, 5> scratch{RecordTable("1"), RecordTable("2"), RecordTable("3"), RecordTable("4"),
                                       RecordTable("5")};
    LoadBudget budget = LoadBudget::forFileSize(file.size());
    const PassportReadReport report =
        ReadPassportBytes(file, {&scratch[0], &scratch[1], &scratch[2], &scratch[3], &scratch[4]}, kFormats, budget);
    EXPECT_FALSE(report.damaged());
    EXPECT_EQ(scratch[3].storedCount(), 30000);
    EXPECT_EQ(scratch[4].storedCount(), 1);
    for (int i = 0; i < 4; ++i) EXPECT_EQ(report.intactBlocks[size_t(i)], blocksOf(file)[size_t(i)]) << i;
    EXPECT_TRUE(report.intactBlocks[4].isEmpty()) << "the attachments' block is never compressed";

    EXPECT_EQ(blocksOf(save(p, &kept))[3], CompressToGzip(plainStream(*p.t[3])));
    EXPECT_NE(blocksOf(save(p, &kept))[3], blocksOf(file)[3]);
}
