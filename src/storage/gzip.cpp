#include "storage/gzip.h"

#include <QBuffer>
#include <QIODevice>

#include <zlib.h>

#include <algorithm>
#include <array>
#include <cstdint>

namespace talvena {
namespace {

// Both directions move data through one input and one output buffer of this size.
constexpr qint64 kPieceSize = 16384;

// Our header never varies: no name, time, extra flags or OS, so equal data gives equal members.
constexpr std::array<unsigned char, 10> kHeader = {0x1F, 0x8B, 0x08, 0, 0, 0, 0, 0, 0, 0};

// Header flag bits.
constexpr int kFlagHeaderCrc = 0x02;
constexpr int kFlagExtra = 0x04;
constexpr int kFlagName = 0x08;
constexpr int kFlagComment = 0x10;
constexpr int kFlagsReserved = 0xE0;

constexpr int kRawDeflateWindowBits = -15;
constexpr int kMemLevel = 8;

static_assert(Z_DEFAULT_STRATEGY == 0);

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

// The output buffer: zlib writes into free space, full pieces go to the device.
class Sink {
public:
    Sink(QIODevice& device, qint64 limit) : device_(device), limit_(limit) {}

    char* space() { return buffer_.data() + used_; }
    uInt room() const { return uInt(kPieceSize - used_); }

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
        return used_ == kPieceSize ? flush() : GzipOk;
    }
    int put(const char* data, qint64 n)
    {
        while (n > 0) {
            const qint64 part = std::min<qint64>(n, room());
            std::copy_n(data, part, space());
            if (const int status = commit(part); status != GzipOk)
                return status;
            data += part;
            n -= part;
        }
        return GzipOk;
    }
    int flush()
    {
        if (used_ > 0 && device_.write(buffer_.data(), used_) != used_)
            return GzipWriteFailure;
        used_ = 0;
        return GzipOk;
    }
    qint64 total() const { return total_; }

private:
    QIODevice& device_;
    const qint64 limit_;
    qint64 used_ = 0;
    qint64 total_ = 0;
    std::array<char, kPieceSize> buffer_;
};

int firstFailure(int status, int next) { return status != GzipOk ? status : next; }

void putUint32(unsigned char* to, std::uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        to[i] = static_cast<unsigned char>(value >> (8 * i));
}

class DeflateGuard {
public:
    explicit DeflateGuard(z_stream& stream) : stream_(stream) {}
    ~DeflateGuard() { deflateEnd(&stream_); }
    DeflateGuard(const DeflateGuard&) = delete;
    DeflateGuard& operator=(const DeflateGuard&) = delete;

private:
    z_stream& stream_;
};

class InflateGuard {
public:
    explicit InflateGuard(z_stream& stream) : stream_(stream) {}
    ~InflateGuard() { inflateEnd(&stream_); }
    InflateGuard(const InflateGuard&) = delete;
    InflateGuard& operator=(const InflateGuard&) = delete;

private:
    z_stream& stream_;
};

int compressPieces(PieceSource& source, QIODevice& out, int level, int strategy)
{
    z_stream stream{};
    if (deflateInit2(&stream, level, Z_DEFLATED, kRawDeflateWindowBits, kMemLevel, strategy) != Z_OK)
        return GzipEngineFailure;
    DeflateGuard guard(stream);

    Sink sink(out, kGzipNoOutputLimit);
    if (const int status = sink.put(reinterpret_cast<const char*>(kHeader.data()), kHeader.size());
        status != GzipOk)
        return status;

    uLong crc = crc32(0, nullptr, 0);
    std::uint32_t length = 0; // modulo 2^32, as the trailer stores it
    int flushMode = Z_NO_FLUSH;
    int result = Z_OK;
    while (flushMode != Z_FINISH) {
        const char* data = nullptr;
        const qint64 n = source.next(data);
        if (n < 0)
            return firstFailure(sink.flush(), GzipReadFailure);
        if (n == 0)
            flushMode = Z_FINISH;
        else
            crc = crc32(crc, reinterpret_cast<const Bytef*>(data), uInt(n));
        length += std::uint32_t(n);
        stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
        stream.avail_in = uInt(n);
        // Until deflate leaves output room free it may hold more for us (standard zlib loop).
        do {
            const uInt room = sink.room();
            stream.next_out = reinterpret_cast<Bytef*>(sink.space());
            stream.avail_out = room;
            result = deflate(&stream, flushMode);
            if (const int status = sink.commit(room - stream.avail_out); status != GzipOk)
                return status;
        } while (stream.avail_out == 0);
    }
    if (result != Z_STREAM_END)
        return firstFailure(sink.flush(), GzipEngineFailure);

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

int decompressPieces(PieceSource& source, QIODevice& out, qint64 maxOutput)
{
    Cursor cursor(source);
    Sink sink(out, maxOutput);
    std::array<unsigned char, 2> magic{};
    int count = 0;
    for (; count < 2; ++count) {
        const int b = cursor.byte();
        if (b < 0)
            break;
        magic[count] = static_cast<unsigned char>(b);
    }
    if (count < 2 || magic[0] != kHeader[0] || magic[1] != kHeader[1])
        return copyUnchanged(cursor, sink, magic.data(), count);
    if (const int status = skipHeader(cursor); status != GzipOk)
        return status;
    return inflateMember(cursor, sink);
}

} // namespace

int TGzip::compress(QIODevice& in, QIODevice& out) const
{
    DeviceSource source(in);
    return compressPieces(source, out, level_, strategy_);
}

int TGzip::compress(const char* data, qint64 size, QIODevice& out) const
{
    MemorySource source(data, size);
    return compressPieces(source, out, level_, strategy_);
}

int TGzip::decompress(QIODevice& in, QIODevice& out, qint64 maxOutput) const
{
    DeviceSource source(in);
    return decompressPieces(source, out, maxOutput);
}

int TGzip::decompress(const char* data, qint64 size, QIODevice& out, qint64 maxOutput) const
{
    MemorySource source(data, size);
    return decompressPieces(source, out, maxOutput);
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
    out.clear();
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    const TGzip gzip;
    return gzip.decompress(source.constData(), source.size(), buffer, maxOutput);
}

} // namespace talvena
