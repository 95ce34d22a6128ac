#include "storage/gzip_pieces.h"

#include "base/large_memory.h"
#include "storage/gzip.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>

namespace talvena {

const char kGzipHeader[10] = {char(0x1F), char(0x8B), 0x08, 0, 0, 0, 0, 0, 0, 0};

namespace {

static_assert(Z_DEFAULT_STRATEGY == 0);
constexpr int kRawDeflateWindowBits = -15;
constexpr int kMemLevel = 8;
// Room beyond deflateBound for the empty stored block of a sync flush.
constexpr qsizetype kFlushRoom = 64;

void putUint32(char* to, uint32_t value)
{
    for (int i = 0; i < 4; ++i) to[i] = char(value >> (8 * i));
}

} // namespace

// --- one piece -------------------------------------------------------------------------------

struct PieceDeflater::State {
    z_stream stream{};
    bool used = false;
};

PieceDeflater::PieceDeflater(int level, int strategy) : state_(std::make_unique<State>())
{
    if (deflateInit2(&state_->stream, level, Z_DEFLATED, kRawDeflateWindowBits, kMemLevel, strategy) != Z_OK)
        throw std::bad_alloc();
}

PieceDeflater::~PieceDeflater() { deflateEnd(&state_->stream); }

bool PieceDeflater::deflate(const char* dictionary, qsizetype dictionarySize, const char* data, qsizetype size,
                            bool last, QByteArray& out)
{
    z_stream& s = state_->stream;
    if (state_->used && deflateReset(&s) != Z_OK) return false;
    state_->used = true;
    if (dictionarySize > 0 &&
        deflateSetDictionary(&s, reinterpret_cast<const Bytef*>(dictionary), uInt(dictionarySize)) != Z_OK)
        return false;
    s.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    s.avail_in = uInt(size);
    const qsizetype start = out.size();
    qsizetype done = 0;
    out.resize(start + qsizetype(deflateBound(&s, uLong(size))) + kFlushRoom);
    for (;;) {
        const qsizetype room = out.size() - start - done;
        s.next_out = reinterpret_cast<Bytef*>(out.data() + start + done);
        s.avail_out = uInt(room);
        const int result = ::deflate(&s, last ? Z_FINISH : Z_SYNC_FLUSH);
        done += room - qsizetype(s.avail_out);
        if (result == Z_STREAM_ERROR) return false;
        if (last ? result == Z_STREAM_END : s.avail_out > 0 && s.avail_in == 0) break;
        if (s.avail_out == 0) out.resize(out.size() + out.size() / 2 + kFlushRoom);
    }
    out.resize(start + done);
    return true;
}

QByteArray JoinGzipMember(const std::vector<QByteArray>& pieces, uint32_t crc, uint64_t length)
{
    qsizetype total = sizeof kGzipHeader + 8;
    for (const QByteArray& p : pieces) total += p.size();
    QByteArray member = LargeByteArray(total);
    char* at = member.data();
    at = std::copy(std::begin(kGzipHeader), std::end(kGzipHeader), at);
    for (const QByteArray& p : pieces) at = std::copy(p.cbegin(), p.cend(), at);
    putUint32(at, crc);
    putUint32(at + 4, uint32_t(length));
    return member;
}

// --- many pieces on many threads --------------------------------------------------------------

GzipPieceCompressor::GzipPieceCompressor(int threads)
    : threadLimit_(threads >= 0 ? threads : int(std::max(1u, std::thread::hardware_concurrency())))
{
}

GzipPieceCompressor::~GzipPieceCompressor()
{
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        queue_.clear();
    }
    workQueued_.notify_all();
    for (std::thread& t : workers_) t.join();
}

GzipPieceCompressor::Ticket GzipPieceCompressor::start(const QByteArray& plain)
{
    auto member = std::make_unique<Member>();
    member->plain = plain;
    const size_t count = std::max<size_t>(1, size_t((plain.size() + kGzipPieceSize - 1) / kGzipPieceSize));
    member->pieces.resize(count);
    member->crcs.resize(count);
    member->remaining = count;
    std::unique_lock<std::mutex> lock(mutex_);
    const Ticket ticket = members_.size();
    for (size_t i = 0; i < count; ++i) queue_.push_back({member.get(), i});
    members_.push_back(std::move(member));
    // One piece is quicker done by the caller than handed to a thread.
    if (queue_.size() > 1) {
        lock.unlock();
        startWorkers(queue_.size());
        workQueued_.notify_all();
    }
    return ticket;
}

void GzipPieceCompressor::startWorkers(size_t wanted)
{
    const size_t target = std::min(size_t(threadLimit_), wanted);
    while (workers_.size() < target) {
        try {
            workers_.emplace_back(&GzipPieceCompressor::workerLoop, this);
        } catch (const std::exception&) {
            return; // fewer threads: the caller does the rest
        }
    }
}

void GzipPieceCompressor::workerLoop()
{
    std::unique_ptr<PieceDeflater> deflater;
    try {
        deflater = std::make_unique<PieceDeflater>();
    } catch (const std::exception&) {
        return;
    }
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
        workQueued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
        if (stopping_) return;
        runJob(lock, *deflater);
    }
}

void GzipPieceCompressor::compressPiece(Member& m, size_t piece, PieceDeflater& deflater)
{
    const qsizetype from = qsizetype(piece) * kGzipPieceSize;
    const qsizetype size = std::min(kGzipPieceSize, m.plain.size() - from);
    const qsizetype dictionary = std::min(kGzipDictionarySize, from);
    const char* data = m.plain.constData() + from;
    QByteArray out;
    if (!deflater.deflate(data - dictionary, dictionary, data, size, piece + 1 == m.pieces.size(), out))
        throw std::bad_alloc();
    m.crcs[piece] = uint32_t(crc32(0, reinterpret_cast<const Bytef*>(data), uInt(size)));
    m.pieces[piece] = std::move(out);
}

void GzipPieceCompressor::runJob(std::unique_lock<std::mutex>& lock, PieceDeflater& deflater)
{
    const Job job = queue_.front();
    queue_.pop_front();
    lock.unlock();
    bool ok = true;
    try {
        compressPiece(*job.member, job.piece, deflater);
    } catch (const std::exception&) {
        ok = false;
    }
    lock.lock();
    if (!ok) job.member->failed = true;
    --job.member->remaining;
    pieceDone_.notify_all();
}

int GzipPieceCompressor::finish(Ticket ticket, QByteArray& member)
{
    member.clear();
    std::unique_lock<std::mutex> lock(mutex_);
    if (ticket >= members_.size() || members_[ticket]->taken) return GzipEngineFailure;
    Member& m = *members_[ticket];
    if (!callerDeflater_) {
        try {
            callerDeflater_ = std::make_unique<PieceDeflater>();
        } catch (const std::exception&) {
            return GzipEngineFailure; // out of memory: the workers may not fare better
        }
    }
    while (m.remaining > 0) {
        if (!queue_.empty()) runJob(lock, *callerDeflater_);
        else pieceDone_.wait(lock);
    }
    m.taken = true;
    lock.unlock();

    const bool failed = m.failed;
    int status = failed ? GzipEngineFailure : GzipOk;
    if (!failed) {
        uint32_t crc = m.crcs[0];
        qsizetype done = std::min(kGzipPieceSize, m.plain.size());
        for (size_t i = 1; i < m.crcs.size(); ++i) {
            const qsizetype size = std::min(kGzipPieceSize, m.plain.size() - done);
            crc = uint32_t(crc32_combine(crc, m.crcs[i], z_off_t(size)));
            done += size;
        }
        try {
            member = JoinGzipMember(m.pieces, crc, uint64_t(m.plain.size()));
        } catch (const std::bad_alloc&) {
            status = GzipEngineFailure;
        }
    }
    // What the member was made of is not needed any more.
    m.pieces = {};
    m.crcs = {};
    m.plain = QByteArray();
    return status;
}

} // namespace talvena
