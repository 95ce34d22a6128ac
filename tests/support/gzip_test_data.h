#pragma once
// What the gzip tests share: a repeatable pseudo-random source for their data, and a member made
// through the device interface.
#include "storage/gzip.h"

#include <QBuffer>
#include <QByteArray>

#include <cstdint>
#include <gtest/gtest.h>

namespace talvena::testsupport {

// xorshift64: the same numbers on every run and every machine.
class RepeatableNumbers {
public:
    explicit RepeatableNumbers(uint64_t state) : state_(state) {}
    uint64_t operator()()
    {
        state_ ^= state_ << 13;
        state_ ^= state_ >> 7;
        state_ ^= state_ << 17;
        return state_;
    }

private:
    uint64_t state_;
};

inline QByteArray compressViaDevices(const QByteArray& data)
{
    QByteArray input = data;
    QBuffer in(&input);
    in.open(QIODevice::ReadOnly);
    QByteArray member;
    QBuffer out(&member);
    out.open(QIODevice::WriteOnly);
    EXPECT_EQ(CompressToGzip(in, out), GzipOk);
    return member;
}

} // namespace talvena::testsupport
