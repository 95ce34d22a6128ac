#pragma once
// The tagged values a table stream is made of: a tag byte and a payload fixed by the tag.
// The writer appends to one growing buffer and the reader walks a pointer over a byte range,
// so a million-record table costs no per-value allocation or device call.
#include "storage/extended_float.h"

#include <QByteArray>
#include <cstdint>
#include <cstring>
#include <vector>

namespace talvena {

enum ValueTag : uint8_t {
    TagEndOfList = 0x00,
    TagList = 0x01,
    TagInt8 = 0x02,
    TagInt16 = 0x03,
    TagInt32 = 0x04,
    TagExtended = 0x05,
    TagString = 0x06,
    TagFalse = 0x08,
    TagTrue = 0x09,
    TagLongString = 0x0C,
    TagWideString = 0x12,
    TagInt64 = 0x13,
    TagUtf8String = 0x14,
};

class TaggedValueWriter {
public:
    explicit TaggedValueWriter(qsizetype initialCapacity = 16384);

    void listStart() { *grow(1) = char(TagList); }
    void listEnd() { *grow(1) = char(TagEndOfList); }
    void boolean(bool v) { *grow(1) = char(v ? TagTrue : TagFalse); }
    // The shortest of the 1, 2 and 4 byte tags; the 8-byte tag only beyond 32 bits.
    void integer(int64_t v);
    void real(double v);
    // A CP1251 text: all-ASCII texts stay as they are, any other goes out as UTF-8.
    void string(const char* data, qsizetype size);
    void string(const QByteArray& text) { string(text.constData(), text.size()); }
    void raw(const char* data, qsizetype size) { std::memcpy(grow(size), data, size_t(size)); }
    // Makes room for at least `n` more bytes in one step, so that a stream of tens of megabytes
    // is not copied again and again while it grows (room never touched costs no memory).
    void reserve(qsizetype n);
    // Untagged bytes that are written by sharing them rather than copying when they are large
    // (attachments): they become a part of their own (see takeParts).
    void rawShared(const QByteArray& bytes);

    // All bytes written so far, parts included.
    qsizetype size() const { return partsSize_ + size_; }
    // The bytes written so far as one array; the writer is empty afterwards.
    QByteArray take();
    // The bytes written so far as parts to be joined in order, the shared ones among them; the
    // writer is empty afterwards.
    std::vector<QByteArray> takeParts();

private:
    char* grow(qsizetype n)
    {
        if (size_ + n > capacity_) reserveMore(n);
        char* p = data_ + size_;
        size_ += n;
        return p;
    }
    void reserveMore(qsizetype n);
    template <typename T> void little(T v)
    {
        char* p = grow(sizeof(T));
        for (size_t i = 0; i < sizeof(T); ++i) p[i] = char(uint64_t(v) >> (8 * i));
    }

    void endPart();

    QByteArray buffer_;
    char* data_ = nullptr;
    qsizetype size_ = 0;
    qsizetype capacity_ = 0;
    qsizetype initialCapacity_;
    std::vector<QByteArray> parts_;
    qsizetype partsSize_ = 0;
};

// Every read checks the bytes left first: input that ends early fails with "Stream read error",
// a tag the expected value cannot have with "Invalid property value".
class TaggedValueReader {
public:
    TaggedValueReader(const char* data, qsizetype size) : p_(data), end_(data + size) {}
    // Reading from a byte array: large untagged byte runs share its storage instead of copying.
    explicit TaggedValueReader(const QByteArray& owner)
        : p_(owner.constData()), end_(owner.constData() + owner.size()), owner_(&owner)
    {
    }

    qsizetype remaining() const { return end_ - p_; }
    uint8_t peekTag() const
    {
        need(1);
        return uint8_t(*p_);
    }
    bool atListEnd() const { return peekTag() == TagEndOfList; }
    void listStart() { expectTag(TagList); }
    void listEnd() { expectTag(TagEndOfList); }

    int32_t integer();       // 1, 2 or 4 byte tags
    int64_t largeInteger();  // those and the 8-byte tag
    double real();           // extended or any integer tag
    bool boolean()           // the true tag; any other byte is false
    {
        need(1);
        return uint8_t(*p_++) == TagTrue;
    }
    QByteArray string();     // CP1251, whatever the string tag
    // Untagged bytes; the length is checked against the input before anything is allocated.
    QByteArray raw(int64_t size);

private:
    void need(qsizetype n) const
    {
        if (n > end_ - p_) failRead();
    }
    void expectTag(uint8_t tag);
    template <typename T> T little()
    {
        need(sizeof(T));
        std::make_unsigned_t<T> v = 0;
        for (size_t i = sizeof(T); i-- > 0;) v = (v << 8) | uint8_t(p_[i]);
        p_ += sizeof(T);
        return static_cast<T>(v);
    }
    int64_t integerOf(uint8_t tag, bool allowLarge);
    [[noreturn]] static void failRead();
    [[noreturn]] static void failValue();

    const char* p_;
    const char* end_;
    const QByteArray* owner_ = nullptr;
};

} // namespace talvena
