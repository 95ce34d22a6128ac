#include "storage/gzip.h"

#include "base/large_memory.h"
#include "storage/gzip_pieces.h"

#include <QBuffer>
#include <QIODevice>
#include <QtEndian>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <memory>

namespace talvena {
namespace {

// Both directions move data through one input and one output buffer of this size.
constexpr qint64 kPieceSize = 16384;

// The bits of the header's flag byte.
enum HeaderFlag : int {
    kFlagHeaderCrc = 0x02,
    kFlagExtra = 0x04,
    kFlagName = 0x08,
    kFlagComment = 0x10,
    kFlagsReserved = 0xE0,
};

constexpr int kRawDeflateWindowBits = -15;

// The input, handed out in pieces of at most kPieceSize bytes.
class PieceSource {
public:
    virtual ~PieceSource() = default;
    // Size of the next piece (valid until the next call), 0 at the end, -1 when reading failed.
    virtual qint64 next(const char*& data) = 0;
};

class DeviceSource final : public PieceSource {
public:
    explicit DeviceSource(QIODevice& device) : device_(device) {}
    qint64 next(const char*& data) override
    {
        data = buffer_.data();
        return device_.read(buffer_.data(), kPieceSize);
    }

private:
    QIODevice& device_;
    std::array<char, kPieceSize> buffer_;
};

// Serves caller-owned memory directly, without copying it into a buffer first.
class MemorySource final : public PieceSource {
public:
    MemorySource(const char* data, qint64 size) : data_(data), left_(std::max<qint64>(size, 0)) {}
    qint64 next(const char*& data) override
    {
        const qint64 n = std::min(left_, kPieceSize);
        data = data_;
        data_ += n;
        left_ -= n;
        return n;
    }

private:
    const char* data_;
    qint64 left_;
};

// Byte-wise reading across piece borders, for the header and the trailer; the inflater takes
// whatever is left of the current piece.
class Cursor {
public:
    explicit Cursor(PieceSource& source) : source_(source) {}

    // False at the end of the input or when reading failed (readFailed() tells which).
    bool ensure()
    {
        while (avail_ == 0) {
            const qint64 n = source_.next(data_);
            if (n <= 0) {
                readFailed_ = n < 0;
                return false;
            }
            avail_ = n;
        }
        return true;
    }
    // The next byte, or -1 when there is none.
    int byte()
    {
        if (!ensure())
            return -1;
        --avail_;
        return static_cast<unsigned char>(*data_++);
    }
    bool skip(qint64 count)
    {
        while (count > 0) {
            if (!ensure())
                return false;
            const qint64 n = std::min(count, avail_);
            consume(n);
            count -= n;
        }
        return true;
    }
    bool skipZeroTerminated()
    {
        for (;;) {
            const int b = byte();
            if (b < 0)
                return false;
            if (b == 0)
                return true;
        }
    }
    // Little-endian 32-bit value; false when the input ends first.
    bool uint32(std::uint32_t& value)
    {
        value = 0;
        for (int shift = 0; shift < 32; shift += 8) {
            const int b = byte();
            if (b < 0)
                return false;
            value |= std::uint32_t(b) << shift;
        }
        return true;
    }

    const char* data() const { return data_; }
    qint64 avail() const { return avail_; }
    void consume(qint64 n)
    {
        data_ += n;
        avail_ -= n;
    }
    bool readFailed() const { return readFailed_; }
    int endStatus() const { return readFailed_ ? GzipReadFailure : GzipTruncated; }

private:
    PieceSource& source_;
    const char* data_ = nullptr;
    qint64 avail_ = 0;
    bool readFailed_ = false;
};

// Where decoded or compressed bytes go: zlib writes into the free space a sink offers.
class Sink {
public:
    explicit Sink(qint64 limit) : limit_(limit) {}
    virtual ~Sink() = default;

    // Free space to write into (at least one byte, unless memory ran out: then none).
    virtual char* space() = 0;
    virtual uInt room() = 0;
    virtual int flush() = 0;

    // Takes n bytes just written into space().
    int commit(qint64 n)
    {
        used_ += n;
        total_ += n;
        if (limit_ >= 0 && total_ > limit_) {
            used_ -= total_ - limit_;
            total_ = limit_;
            const int status = flush();
            return status != GzipOk ? status : GzipOutputTooLarge;
        }
        return full() ? flush() : GzipOk;
    }
    int put(const char* data, qint64 n)
    {
        while (n > 0) {
            const qint64 part = std::min<qint64>(n, room());
            if (part == 0)
                return GzipEngineFailure;
            std::copy_n(data, part, space());
            if (const int status = commit(part); status != GzipOk)
                return status;
            data += part;
            n -= part;
        }
        return GzipOk;
    }
    qint64 total() const { return total_; }

protected:
    virtual bool full() const = 0;

    const qint64 limit_;
    qint64 used_ = 0;
    qint64 total_ = 0;
};

// Full pieces of 16 KiB go to the device.
class DeviceSink final : public Sink {
public:
    DeviceSink(QIODevice& device, qint64 limit) : Sink(limit), device_(device) {}

    char* space() override { return buffer_.data() + used_; }
    uInt room() override { return uInt(kPieceSize - used_); }
    int flush() override
    {
        if (used_ > 0 && device_.write(buffer_.data(), used_) != used_)
            return GzipWriteFailure;
        used_ = 0;
        return GzipOk;
    }

private:
    bool full() const override { return used_ == kPieceSize; }

    QIODevice& device_;
    std::array<char, kPieceSize> buffer_;
};

// Straight into a byte array, sized up front from what the caller expects and grown as needed.
class ArraySink final : public Sink {
public:
    ArraySink(QByteArray& out, qint64 limit, qint64 expected) : Sink(limit), out_(out)
    {
        // One byte beyond the expected size: inflate reports the end only with room left.
        out_ = LargeByteArray(std::max<qint64>(expected + 1, kPieceSize));
    }

    char* space() override { return out_.data() + used_; }
    uInt room() override
    {
        if (used_ == out_.size() && !grow())
            return 0;
        return uInt(std::min<qint64>(out_.size() - used_, kMaxRoom));
    }
    int flush() override
    {
        out_.resize(used_);
        return GzipOk;
    }

private:
    static constexpr qint64 kMaxRoom = qint64(1) << 30;

    bool full() const override { return false; }
    bool grow()
    {
        const qsizetype before = out_.size();
        try {
            out_.resize(before + std::max<qsizetype>(before, kPieceSize));
        } catch (const std::bad_alloc&) {
            return false;
        }
        AdviseHugePages(out_.data() + before, size_t(out_.size() - before));
        return true;
    }

    QByteArray& out_;
};

int firstFailure(int status, int next) { return status != GzipOk ? status : next; }

uLong crc32Of(const QByteArray& bytes)
{
    // crc32 takes at most 4 GiB a call.
    uLong crc = crc32(0, nullptr, 0);
    for (qsizetype at = 0; at < bytes.size();) {
        const qsizetype n = std::min<qsizetype>(bytes.size() - at, qsizetype(1) << 30);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(bytes.constData() + at), uInt(n));
        at += n;
    }
    return crc;
}

void putUint32(unsigned char* to, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<unsigned char>(value >> (8 * i));
}

class InflateGuard {
public:
    explicit InflateGuard(z_stream& stream) : stream_(stream) {}
    ~InflateGuard() { inflateEnd(&stream_); }
    InflateGuard(const InflateGuard&) = delete;
    InflateGuard& operator=(const InflateGuard&) = delete;

private:
    z_stream& stream_;
};

// The input in pieces of kGzipPieceSize bytes (see gzip_pieces.h), read 16 KiB at a time: a piece
// is deflated once the input is known to go on after it, or at its end, which makes it the last.
int compressPieces(PieceSource& source, QIODevice& out, int level, int strategy)
{
    std::unique_ptr<PieceDeflater> deflater;
    try {
        deflater = std::make_unique<PieceDeflater>(level, strategy);
    } catch (const std::bad_alloc&) {
        return GzipEngineFailure;
    }
    DeviceSink sink(out, kGzipNoOutputLimit);
    if (const int status = sink.put(kGzipHeader, sizeof kGzipHeader); status != GzipOk)
        return status;

    // The 32 KiB before the piece, the piece, and up to one read beyond it.
    QByteArray window(kGzipDictionarySize + kGzipPieceSize + kPieceSize, Qt::Uninitialized);
    qsizetype dictionary = 0;
    qsizetype filled = 0; // bytes of the piece and beyond, after the dictionary
    uLong crc = crc32(0, nullptr, 0);
    std::uint32_t length = 0; // modulo 2^32, as the trailer stores it
    QByteArray compressed;
    bool ended = false;
    for (;;) {
        while (!ended && filled <= kGzipPieceSize) {
            const char* data = nullptr;
            const qint64 n = source.next(data);
            if (n < 0)
                return firstFailure(sink.flush(), GzipReadFailure);
            if (n == 0) {
                ended = true;
                break;
            }
            std::memcpy(window.data() + dictionary + filled, data, size_t(n));
            filled += n;
        }
        const qsizetype piece = std::min(filled, kGzipPieceSize);
        const char* data = window.constData() + dictionary;
        const bool last = ended && filled <= kGzipPieceSize;
        compressed.clear();
        if (!deflater->deflate(window.constData(), dictionary, data, piece, last, compressed))
            return firstFailure(sink.flush(), GzipEngineFailure);
        crc = crc32(crc, reinterpret_cast<const Bytef*>(data), uInt(piece));
        length += std::uint32_t(piece);
        if (const int status = sink.put(compressed.constData(), compressed.size()); status != GzipOk)
            return status;
        if (last)
            break;
        // The piece's last 32 KiB become the next dictionary, the rest moves up behind them.
        const qsizetype keep = std::min(kGzipDictionarySize, dictionary + piece);
        std::memmove(window.data(), window.constData() + dictionary + piece - keep, size_t(keep + filled - piece));
        dictionary = keep;
        filled -= piece;
    }

    std::array<unsigned char, 8> trailer{};
    putUint32(trailer.data(), std::uint32_t(crc));
    putUint32(trailer.data() + 4, length);
    if (const int status = sink.put(reinterpret_cast<const char*>(trailer.data()), trailer.size());
        status != GzipOk)
        return status;
    return sink.flush();
}

// Reads the header after the two magic bytes, up to the first byte of deflate data.
int skipHeader(Cursor& cursor)
{
    const int method = cursor.byte();
    const int flags = cursor.byte();
    if (flags < 0)
        return cursor.endStatus();
    if (method != Z_DEFLATED || (flags & kFlagsReserved) != 0)
        return GzipBadHeader;
    if (!cursor.skip(6)) // modification time, extra flags, operating system
        return cursor.endStatus();
    if (flags & kFlagExtra) {
        const int low = cursor.byte();
        const int high = cursor.byte();
        if (high < 0 || !cursor.skip(low | (high << 8)))
            return cursor.endStatus();
    }
    if ((flags & kFlagName) && !cursor.skipZeroTerminated())
        return cursor.endStatus();
    if ((flags & kFlagComment) && !cursor.skipZeroTerminated())
        return cursor.endStatus();
    if ((flags & kFlagHeaderCrc) && !cursor.skip(2))
        return cursor.endStatus();
    return GzipOk;
}

int copyUnchanged(Cursor& cursor, Sink& sink, const unsigned char* firstBytes, int firstCount)
{
    if (const int status = sink.put(reinterpret_cast<const char*>(firstBytes), firstCount); status != GzipOk)
        return status;
    while (cursor.ensure()) {
        if (const int status = sink.put(cursor.data(), cursor.avail()); status != GzipOk)
            return status;
        cursor.consume(cursor.avail());
    }
    return firstFailure(sink.flush(), cursor.readFailed() ? GzipReadFailure : GzipOk);
}

// Inflates the deflate data and checks the trailer.
int inflateMember(Cursor& cursor, Sink& sink)
{
    z_stream stream{};
    if (inflateInit2(&stream, kRawDeflateWindowBits) != Z_OK)
        return GzipEngineFailure;
    InflateGuard guard(stream);

    uLong crc = crc32(0, nullptr, 0);
    for (;;) {
        // At the end of the input inflate may still hold output for us; it says Z_BUF_ERROR once not.
        const bool inputEnded = !cursor.ensure();
        if (inputEnded && cursor.readFailed())
            return firstFailure(sink.flush(), GzipReadFailure);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(cursor.data()));
        stream.avail_in = uInt(cursor.avail());
        const uInt room = sink.room();
        if (room == 0)
            return firstFailure(sink.flush(), GzipEngineFailure);
        char* space = sink.space();
        stream.next_out = reinterpret_cast<Bytef*>(space);
        stream.avail_out = room;
        const int result = inflate(&stream, Z_NO_FLUSH);
        cursor.consume(cursor.avail() - stream.avail_in);
        const uInt produced = room - stream.avail_out;
        crc = crc32(crc, reinterpret_cast<const Bytef*>(space), produced);
        if (const int status = sink.commit(produced); status != GzipOk)
            return status;
        if (result == Z_STREAM_END)
            break;
        if (result == Z_MEM_ERROR)
            return firstFailure(sink.flush(), GzipEngineFailure);
        // Z_BUF_ERROR only means "give me more input": the output always has room here.
        if (result == Z_BUF_ERROR && inputEnded)
            return firstFailure(sink.flush(), GzipTruncated);
        if (result != Z_OK && result != Z_BUF_ERROR)
            return firstFailure(sink.flush(), GzipCorruptData);
    }
    if (const int status = sink.flush(); status != GzipOk)
        return status;

    std::uint32_t storedCrc = 0;
    std::uint32_t storedLength = 0;
    if (!cursor.uint32(storedCrc) || !cursor.uint32(storedLength))
        return cursor.endStatus();
    if (storedCrc != std::uint32_t(crc) || storedLength != std::uint32_t(sink.total()))
        return GzipChecksumMismatch;
    return GzipOk;
}

int decompressPieces(PieceSource& source, Sink& sink)
{
    Cursor cursor(source);
    std::array<unsigned char, 2> magic{};
    int count = 0;
    for (; count < 2; ++count) {
        const int b = cursor.byte();
        if (b < 0)
            break;
        magic[count] = static_cast<unsigned char>(b);
    }
    if (count < 2 || magic[0] != 0x1F || magic[1] != 0x8B)
        return copyUnchanged(cursor, sink, magic.data(), count);
    if (const int status = skipHeader(cursor); status != GzipOk)
        return status;
    return inflateMember(cursor, sink);
}

// What decoding the bytes will give, from the length a member stores in its last four bytes, but
// never more than the limit or than deflate can expand the bytes to (a damaged or hostile length
// must not reserve memory the data cannot fill).
qint64 expectedDecodedSize(const QByteArray& in, qint64 maxOutput)
{
    constexpr qint64 kDeflateMaxRatio = 1032;
    const bool member = in.size() >= 18 && uchar(in[0]) == 0x1F && uchar(in[1]) == 0x8B;
    qint64 expected = member ? qFromLittleEndian<quint32>(in.constData() + in.size() - 4) : in.size();
    if (member)
        expected = std::min(expected, in.size() * kDeflateMaxRatio);
    if (maxOutput >= 0)
        expected = std::min(expected, maxOutput);
    return expected;
}

} // namespace

int TGzip::compress(QIODevice& in, QIODevice& out) const
{
    DeviceSource source(in);
    return compressPieces(source, out, level_, strategy_);
}

int TGzip::compress(const char* data, qint64 size, QIODevice& out) const
{
    if (size <= kGzipPieceSize) {
        MemorySource source(data, size);
        return compressPieces(source, out, level_, strategy_);
    }
    // Several pieces: on every core at once (the compressor's settings are ours).
    QByteArray member;
    {
        GzipPieceCompressor compressor;
        const int status = compressor.finish(compressor.start(QByteArray::fromRawData(data, size)), member);
        if (status != GzipOk)
            return status;
    }
    DeviceSink sink(out, kGzipNoOutputLimit);
    if (const int status = sink.put(member.constData(), member.size()); status != GzipOk)
        return status;
    return sink.flush();
}

int TGzip::decompress(QIODevice& in, QIODevice& out, qint64 maxOutput) const
{
    DeviceSource source(in);
    DeviceSink sink(out, maxOutput);
    return decompressPieces(source, sink);
}

int TGzip::decompress(const char* data, qint64 size, QIODevice& out, qint64 maxOutput) const
{
    MemorySource source(data, size);
    DeviceSink sink(out, maxOutput);
    return decompressPieces(source, sink);
}

int CompressToGzip(QIODevice& in, QIODevice& out)
{
    const TGzip gzip;
    return gzip.compress(in, out);
}

int DecompressGzip(QIODevice& in, QIODevice& out)
{
    const TGzip gzip;
    return gzip.decompress(in, out);
}

QByteArray CompressToGzip(const QByteArray& data)
{
    QByteArray member;
    if (data.size() > kGzipPieceSize) {
        GzipPieceCompressor compressor;
        compressor.finish(compressor.start(data), member);
        return member;
    }
    QBuffer buffer(&member);
    buffer.open(QIODevice::WriteOnly);
    const TGzip gzip;
    gzip.compress(data.constData(), data.size(), buffer);
    return member;
}

int DecompressGzip(const QByteArray& in, QByteArray& out)
{
    return DecompressGzip(in, out, kGzipNoOutputLimit);
}

int DecompressGzip(const QByteArray& in, QByteArray& out, qint64 maxOutput)
{
    const QByteArray source = in; // shares the bytes, so out may be in itself
    ArraySink sink(out, maxOutput, expectedDecodedSize(source, maxOutput));
    MemorySource pieces(source.constData(), source.size());
    const int status = decompressPieces(pieces, sink);
    sink.flush();
    // A length that promised more than came leaves unused room behind.
    if (out.capacity() - out.size() > kPieceSize)
        out.squeeze();
    return status;
}

bool IsGzipMemberOf(const QByteArray& member, const QByteArray& expected)
{
    constexpr qsizetype kHeaderSize = sizeof kGzipHeader;
    constexpr qsizetype kTrailerSize = 8;
    if (member.size() < kHeaderSize + kTrailerSize || !std::equal(kGzipHeader, kGzipHeader + kHeaderSize, member.constData()))
        return false;
    z_stream stream{};
    if (inflateInit2(&stream, kRawDeflateWindowBits) != Z_OK)
        return false;
    InflateGuard guard(stream);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(member.constData() + kHeaderSize));
    stream.avail_in = uInt(member.size() - kHeaderSize);
    std::array<char, kPieceSize> buffer;
    qsizetype matched = 0;
    for (;;) {
        stream.next_out = reinterpret_cast<Bytef*>(buffer.data());
        stream.avail_out = uInt(buffer.size());
        const int result = inflate(&stream, Z_NO_FLUSH);
        const qsizetype produced = qsizetype(buffer.size()) - stream.avail_out;
        if (produced > expected.size() - matched ||
            std::memcmp(buffer.data(), expected.constData() + matched, size_t(produced)) != 0)
            return false;
        matched += produced;
        if (result == Z_STREAM_END)
            break;
        if (result != Z_OK || (produced == 0 && stream.avail_in == 0))
            return false;
    }
    if (matched != expected.size() || stream.avail_in != kTrailerSize)
        return false;
    const char* trailer = reinterpret_cast<const char*>(stream.next_in);
    return qFromLittleEndian<quint32>(trailer) == quint32(crc32Of(expected)) &&
           qFromLittleEndian<quint32>(trailer + 4) == quint32(expected.size());
}

} // namespace talvena
