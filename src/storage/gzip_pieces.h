#pragma once
// Deflating a gzip member in pieces, on several cores at once.
//
// A member of more than one piece (kGzipPieceSize bytes) is deflated piece by piece: every piece
// on a raw deflate stream of its own (level 9, window 2^15, memory level 8, default strategy)
// primed with the 32 KiB of input before it as preset dictionary, and ended by a sync flush (an
// empty stored block that brings the output to a byte border); the last piece ends the stream.
// Joined in order the pieces are one valid deflate stream, and the member's CRC-32 is combined
// from the pieces' own. The bytes depend on the input alone, never on the number of threads or
// their timing, and a member of one piece is exactly what a single deflate stream makes of it.
#include <QByteArray>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace talvena {

inline constexpr qsizetype kGzipPieceSize = 128 * 1024;
inline constexpr qsizetype kGzipDictionarySize = 32 * 1024;

// Our fixed gzip header: no name, time, extra flags or operating system, so equal data gives
// equal members.
extern const char kGzipHeader[10];

// One thread's deflate stream, reused piece after piece.
class PieceDeflater {
public:
    // Level 9 and the default strategy unless told otherwise; std::bad_alloc when zlib cannot set
    // up its state.
    explicit PieceDeflater(int level = 9, int strategy = 0);
    ~PieceDeflater();
    PieceDeflater(const PieceDeflater&) = delete;
    PieceDeflater& operator=(const PieceDeflater&) = delete;

    // Appends the deflate data of one piece to `out`; false when zlib fails.
    bool deflate(const char* dictionary, qsizetype dictionarySize, const char* data, qsizetype size, bool last,
                 QByteArray& out);

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The ten-byte header, the deflate data of the pieces in order, and the trailer of CRC-32 and
// length, joined into one member.
QByteArray JoinGzipMember(const std::vector<QByteArray>& pieces, uint32_t crc, uint64_t length);

// Makes the members of whole byte arrays with their pieces spread over worker threads; the calling
// thread joins in while it waits for a member. Members can be started one after another and taken
// in any order, so that several streams compress side by side. Destroying the compressor drops
// the work not yet taken and joins its threads.
class GzipPieceCompressor {
public:
    // threads < 0: one worker per processor; 0: all work on the calling thread.
    explicit GzipPieceCompressor(int threads = -1);
    ~GzipPieceCompressor();
    GzipPieceCompressor(const GzipPieceCompressor&) = delete;
    GzipPieceCompressor& operator=(const GzipPieceCompressor&) = delete;

    using Ticket = size_t;
    // Starts the member of the bytes (shared, not copied; they must not change until it is taken).
    Ticket start(const QByteArray& plain);
    // Waits for the member, working on queued pieces meanwhile; returns GzipOk or
    // GzipEngineFailure (zlib or memory failed), and the member.
    int finish(Ticket ticket, QByteArray& member);

private:
    struct Member {
        QByteArray plain;
        std::vector<QByteArray> pieces;
        std::vector<uint32_t> crcs;
        size_t remaining = 0;
        bool failed = false;
        bool taken = false;
    };
    struct Job {
        Member* member;
        size_t piece;
    };

    void startWorkers(size_t wanted);
    void workerLoop();
    // Runs one queued job; the lock is held on entry and on return.
    void runJob(std::unique_lock<std::mutex>& lock, PieceDeflater& deflater);
    static void compressPiece(Member& m, size_t piece, PieceDeflater& deflater);

    int threadLimit_;
    std::mutex mutex_;
    std::condition_variable workQueued_;
    std::condition_variable pieceDone_;
    std::deque<Job> queue_;
    std::vector<std::unique_ptr<Member>> members_;
    std::vector<std::thread> workers_;
    std::unique_ptr<PieceDeflater> callerDeflater_;
    bool stopping_ = false;
};

} // namespace talvena
