// Hostile passport files: small on disk, but built to make a loader allocate without end. Each is
// opened by talvena-psp with its heap limited to 1.5 GB (the loader may take 1 GB for the largest
// real passport, which can be a small file); the file must be refused with "Stream read error",
// never crash or run out of memory.
#include "storage/tagged_value_io.h"
#include "tool_run.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <QTemporaryDir>
#include <functional>

namespace talvena {
namespace {

struct FieldSpec {
    const char* name;
    const char* typeName;
    int typeNumber;
    int size = 0;
};

// "TPF0", version 251, the field definitions, no indexes, the type header and the start of the
// records list.
QByteArray streamHead(const std::vector<FieldSpec>& fields)
{
    TaggedValueWriter w;
    w.raw("TPF0", 4);
    w.integer(251);
    w.listStart();
    for (const FieldSpec& f : fields) {
        w.string(QByteArray(f.name));
        w.string(QByteArray(f.typeName));
        w.integer(f.size);
        w.string(QByteArray(f.name));
        w.string(QByteArray());
        w.integer(10);
        w.boolean(false);
        w.boolean(false);
        w.string(QByteArray("Data"));
        w.string(QByteArray());
    }
    w.listEnd();
    w.listStart();
    w.listEnd();
    w.listStart();
    w.integer(qsizetype(fields.size()));
    for (const FieldSpec& f : fields) w.integer(f.typeNumber);
    w.listEnd();
    w.listStart();
    return w.take();
}

// One gzip member of head + `repeat` times body + tail, compressed as it goes (fast level: what
// matters is the size it decodes to, not the size it takes).
QByteArray member(const QByteArray& head, const QByteArray& body, qint64 repeat, const QByteArray& tail)
{
    z_stream z{};
    deflateInit2(&z, 1, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY);
    QByteArray out;
    char buffer[1 << 16];
    auto feed = [&](const QByteArray& bytes, int flush) {
        z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(bytes.constData()));
        z.avail_in = uInt(bytes.size());
        do {
            z.next_out = reinterpret_cast<Bytef*>(buffer);
            z.avail_out = sizeof buffer;
            deflate(&z, flush);
            out.append(buffer, qsizetype(sizeof buffer - z.avail_out));
        } while (z.avail_out == 0);
    };
    feed(head, Z_NO_FLUSH);
    // Many copies per call keep the calls few.
    QByteArray many;
    const qint64 perChunk = std::max<qint64>(1, (1 << 20) / std::max<qsizetype>(body.size(), 1));
    for (qint64 i = 0; i < perChunk; ++i) many += body;
    for (qint64 done = 0; done < repeat; done += perChunk) feed(done + perChunk <= repeat ? many : body.repeated(repeat - done), Z_NO_FLUSH);
    feed(tail, Z_FINISH);
    deflateEnd(&z);
    return out;
}

QByteArray block(const QByteArray& stream)
{
    QByteArray b(4, 0);
    const auto n = uint32_t(stream.size());
    for (int i = 0; i < 4; ++i) b[i] = char(n >> (8 * i));
    return b + stream;
}

QByteArray record(const std::function<void(TaggedValueWriter&)>& values)
{
    TaggedValueWriter w;
    w.listStart();
    w.integer(0);
    values(w);
    w.listEnd();
    return w.take();
}

const QByteArray kEnd = QByteArray("\0\0", 2); // end of the records list, end of the stream

// A sound PASPORTS block: one record with an ID.
QByteArray passportBlock()
{
    return block(member(streamHead({{"ID", "Integer", 3}}), record([](TaggedValueWriter& w) {
                            w.boolean(false);
                            w.integer(1);
                        }),
                        1, kEnd));
}

QByteArray headered(const QByteArray& blocks) { return QByteArray::fromHex("076c6f6d6972613201") + blocks; }

void expectRefusedWithinMemory(const QByteArray& file, const char* what)
{
    ASSERT_LT(file.size(), 10 << 20) << what;
    QTemporaryDir dir;
    const QString path = dir.filePath("hostile.psp");
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(file);
    f.close();
    const ProgramRun r = runProgram("prlimit", {"--data=1610612736", besideTests("talvena-psp"), "dump", path});
    EXPECT_EQ(r.exitCode, 1) << what << ": " << r.err.toStdString();
    EXPECT_EQ(r.err, "Stream read error\n") << what;
}

TEST(PspBounds, SmallFilesThatClaimGigabytesAreRefusedWithinTheMemoryLimit)
{
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer reserves far more address space than the 1.5 GB limit; the plain build checks it";
#endif
    // A table stream that decodes to 400 MB of identical records.
    const QByteArray oneInteger = record([](TaggedValueWriter& w) {
        w.boolean(false);
        w.integer(7);
    });
    expectRefusedWithinMemory(headered(passportBlock() + block(member(streamHead({{"ID", "Integer", 3}}), oneInteger,
                                                                      (400 << 20) / oneInteger.size(), kEnd))),
                              "deflate bomb");

    // 200 text fields, every one NULL: a byte in the file, a stored cell in memory.
    std::vector<FieldSpec> texts;
    static std::vector<QByteArray> names;
    for (int i = 0; i < 200; ++i) names.push_back("T" + QByteArray::number(i));
    for (const QByteArray& n : names) texts.push_back({n.constData(), "String", 1, 128});
    const QByteArray allNull = record([](TaggedValueWriter& w) {
        for (int i = 0; i < 200; ++i) w.boolean(true);
    });
    expectRefusedWithinMemory(headered(passportBlock() + block(member(streamHead(texts), allNull, 500000, kEnd))),
                              "NULL texts");

    // Three million productive horizons of one field each: small in the scratch table, 111 fields
    // each once copied into the passport's table.
    const QByteArray nullId = record([](TaggedValueWriter& w) { w.boolean(true); });
    const QByteArray empty = member(streamHead({{"ID", "Integer", 3}}), QByteArray(), 0, kEnd);
    expectRefusedWithinMemory(headered(passportBlock() + block(empty) +
                                       block(member(streamHead({{"ID", "Integer", 3}}), nullId, 3000000, kEnd))),
                              "copy into a wide table");

    // Half a million field definitions.
    TaggedValueWriter defs;
    defs.raw("TPF0", 4);
    defs.integer(251);
    defs.listStart();
    for (int i = 0; i < 500000; ++i) {
        const QByteArray name = "F" + QByteArray::number(i);
        defs.string(name);
        defs.string(QByteArray("Integer"));
        defs.integer(0);
        defs.string(name);
        defs.string(QByteArray());
        defs.integer(10);
        defs.boolean(false);
        defs.boolean(false);
        defs.string(QByteArray("Data"));
        defs.string(QByteArray());
    }
    const QByteArray head = defs.take();
    const QByteArray many;
    expectRefusedWithinMemory(headered(passportBlock() + block(member(head, many, 1, QByteArray("\0", 1)))),
                              "field definitions");
}

} // namespace
} // namespace talvena
