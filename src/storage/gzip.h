#pragma once
// Single gzip members over byte streams: our own fixed ten-byte header and CRC-32/length trailer
// around zlib's raw deflate. Failures are reported through the returned status only.
#include <QByteArray>
#include <QtGlobal>

class QIODevice;

namespace talvena {

// Returned by every call; 0 is success.
enum GzipStatus : int {
    GzipOk = 0,
    GzipBadHeader,        // method other than deflate, or reserved flag bits set (nothing written)
    GzipCorruptData,      // the deflate data is invalid (output kept up to the damage)
    GzipTruncated,        // the input ends inside the member (output kept up to the end)
    GzipChecksumMismatch, // stored CRC-32 or length differs (full output kept)
    GzipReadFailure,      // the input device reported an error
    GzipWriteFailure,     // the output device took fewer bytes than given
    GzipOutputTooLarge,   // decoded output would exceed the caller's limit (output kept up to it)
    GzipEngineFailure,    // zlib could not set up its state (out of memory)
};

// Pass as maxOutput for no bound on the decoded size.
inline constexpr qint64 kGzipNoOutputLimit = -1;

// Holds the fixed settings of our members; no state survives a call.
//
// Reading and writing start at the devices' current positions. Input that follows the first member
// is ignored; the input device's position afterwards is wherever reading stopped.
// Input that does not start with 1F 8B is copied to the output unchanged (status 0).
class TGzip {
public:
    int compress(QIODevice& in, QIODevice& out) const;
    int compress(const char* data, qint64 size, QIODevice& out) const;

    int decompress(QIODevice& in, QIODevice& out, qint64 maxOutput = kGzipNoOutputLimit) const;
    int decompress(const char* data, qint64 size, QIODevice& out,
                   qint64 maxOutput = kGzipNoOutputLimit) const;

private:
    int level_ = 9;
    int strategy_ = 0; // zlib's default strategy
};

int CompressToGzip(QIODevice& in, QIODevice& out);
int DecompressGzip(QIODevice& in, QIODevice& out);

// The member of the given bytes (whatever was written should zlib fail to start).
QByteArray CompressToGzip(const QByteArray& data);
// Replaces out by the decoded bytes of in (in and out may be the same array).
int DecompressGzip(const QByteArray& in, QByteArray& out);
int DecompressGzip(const QByteArray& in, QByteArray& out, qint64 maxOutput);

// Whether the bytes are one member as we write them (our ten-byte header, nothing after the
// trailer) whose deflate data decodes, with matching CRC-32 and length, to exactly the expected
// bytes. Decodes piece by piece, without a copy of the whole.
bool IsGzipMemberOf(const QByteArray& member, const QByteArray& expected);

} // namespace talvena
