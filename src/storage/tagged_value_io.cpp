#include "storage/tagged_value_io.h"

#include "base/byte_slice.h"

#include "base/cp1251.h"
#include "base/large_memory.h"
#include "base/error.h"

#include <algorithm>
#include <cstring>

namespace talvena {

// --- writing ---------------------------------------------------------------------------------

TaggedValueWriter::TaggedValueWriter(qsizetype initialCapacity)
    : initialCapacity_(std::max<qsizetype>(initialCapacity, 64))
{
    buffer_.resize(initialCapacity_);
    data_ = buffer_.data();
    capacity_ = buffer_.size();
}

void TaggedValueWriter::reserveMore(qsizetype n)
{
    buffer_.resize(std::max(capacity_ * 2, size_ + n));
    data_ = buffer_.data();
    // The grown part is fresh memory: a contour table's stream runs to tens of megabytes.
    AdviseHugePages(data_ + capacity_, size_t(buffer_.size() - capacity_));
    capacity_ = buffer_.size();
}

void TaggedValueWriter::reserve(qsizetype n)
{
    if (capacity_ - size_ >= n) return;
    QByteArray bigger = LargeByteArray(size_ + n);
    if (size_ > 0) std::memcpy(bigger.data(), data_, size_t(size_));
    buffer_ = std::move(bigger);
    data_ = buffer_.data();
    capacity_ = buffer_.size();
}

void TaggedValueWriter::integer(int64_t v)
{
    if (v >= INT8_MIN && v <= INT8_MAX) {
        char* p = grow(2);
        p[0] = char(TagInt8);
        p[1] = char(v);
    } else if (v >= INT16_MIN && v <= INT16_MAX) {
        *grow(1) = char(TagInt16);
        little(int16_t(v));
    } else if (v >= INT32_MIN && v <= INT32_MAX) {
        *grow(1) = char(TagInt32);
        little(int32_t(v));
    } else {
        *grow(1) = char(TagInt64);
        little(v);
    }
}

void TaggedValueWriter::real(double v)
{
    char* p = grow(1 + kExtendedSize);
    p[0] = char(TagExtended);
    DoubleToExtended(v, reinterpret_cast<unsigned char*>(p + 1));
}

void TaggedValueWriter::string(const char* data, qsizetype size)
{
    const bool ascii = std::all_of(data, data + size, [](char c) { return uint8_t(c) < 0x80; });
    if (!ascii) {
        const QByteArray utf8 = cp1251ToUtf8(QByteArray::fromRawData(data, size));
        *grow(1) = char(TagUtf8String);
        little(uint32_t(utf8.size()));
        raw(utf8.constData(), utf8.size());
    } else if (size <= 0xFF) {
        char* p = grow(2);
        p[0] = char(TagString);
        p[1] = char(size);
        raw(data, size);
    } else {
        *grow(1) = char(TagLongString);
        little(uint32_t(size));
        raw(data, size);
    }
}

void TaggedValueWriter::rawShared(const QByteArray& bytes)
{
    // Below this a copy costs less than a part of its own.
    constexpr qsizetype kShareFrom = 64 * 1024;
    if (bytes.size() < kShareFrom) {
        raw(bytes.constData(), bytes.size());
        return;
    }
    endPart();
    parts_.push_back(bytes);
    partsSize_ += bytes.size();
    buffer_.resize(initialCapacity_);
    data_ = buffer_.data();
    capacity_ = buffer_.size();
}

void TaggedValueWriter::endPart()
{
    if (size_ == 0) return;
    buffer_.resize(size_);
    parts_.push_back(std::move(buffer_));
    partsSize_ += size_;
    buffer_ = QByteArray();
    data_ = nullptr;
    size_ = capacity_ = 0;
}

std::vector<QByteArray> TaggedValueWriter::takeParts()
{
    endPart();
    std::vector<QByteArray> parts = std::move(parts_);
    parts_.clear();
    partsSize_ = 0;
    return parts;
}

QByteArray TaggedValueWriter::take()
{
    std::vector<QByteArray> parts = takeParts();
    if (parts.size() == 1) return std::move(parts.front());
    qsizetype total = 0;
    for (const QByteArray& p : parts) total += p.size();
    QByteArray result = LargeByteArray(total);
    char* at = result.data();
    for (const QByteArray& p : parts) at = std::copy(p.cbegin(), p.cend(), at);
    return result;
}

// --- reading ---------------------------------------------------------------------------------

void TaggedValueReader::failRead() { throw Error("Stream read error"); }
void TaggedValueReader::failValue() { throw Error("Invalid property value"); }

void TaggedValueReader::expectTag(uint8_t tag)
{
    if (peekTag() != tag) failValue();
    ++p_;
}

int64_t TaggedValueReader::integerOf(uint8_t tag, bool allowLarge)
{
    switch (tag) {
    case TagInt8: return little<int8_t>();
    case TagInt16: return little<int16_t>();
    case TagInt32: return little<int32_t>();
    case TagInt64:
        if (allowLarge) return little<int64_t>();
        break;
    default: break;
    }
    failValue();
}

int32_t TaggedValueReader::integer()
{
    const uint8_t tag = peekTag();
    ++p_;
    return int32_t(integerOf(tag, false));
}

int64_t TaggedValueReader::largeInteger()
{
    const uint8_t tag = peekTag();
    ++p_;
    return integerOf(tag, true);
}

double TaggedValueReader::real()
{
    const uint8_t tag = peekTag();
    ++p_;
    if (tag != TagExtended) return double(integerOf(tag, true));
    need(kExtendedSize);
    const double v = ExtendedToDouble(reinterpret_cast<const unsigned char*>(p_));
    p_ += kExtendedSize;
    return v;
}

QByteArray TaggedValueReader::string()
{
    const uint8_t tag = peekTag();
    ++p_;
    switch (tag) {
    case TagString: return raw(little<uint8_t>());
    case TagLongString: return raw(little<uint32_t>());
    case TagUtf8String: {
        // An owning copy: the conversion may hand back its input, which must not point into
        // the stream buffer once the stream is gone.
        QByteArray utf8 = raw(little<uint32_t>());
        return utf8ToCp1251(utf8);
    }
    case TagWideString: {
        const uint32_t units = little<uint32_t>();
        need(qsizetype(units) * 2);
        const char* bytes = p_;
        p_ += qsizetype(units) * 2;
        return utf16leToCp1251(bytes, units);
    }
    default: failValue();
    }
}

QByteArray TaggedValueReader::raw(int64_t size)
{
    if (size < 0) failRead();
    need(qsizetype(size));
    // Attachments run to hundreds of megabytes: share them with the block rather than copy.
    constexpr qsizetype kShareFrom = 64 * 1024;
    QByteArray bytes = owner_ && size >= kShareFrom ? SharedSlice(*owner_, p_ - owner_->constData(), qsizetype(size))
                                                    : QByteArray(p_, qsizetype(size));
    p_ += size;
    return bytes;
}

} // namespace talvena
