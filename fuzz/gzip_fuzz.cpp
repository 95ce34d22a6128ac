// Arbitrary bytes through the gzip decoder: it must not crash, hang or over-allocate, the memory
// and device paths must agree, and whatever decodes cleanly must survive a round trip.
#include "storage/gzip.h"

#include <QBuffer>

#include <cstddef>
#include <cstdint>
#include <cstdlib>

namespace {

// Deflate expands at most about 1:1032, so this only trims pathological inputs.
constexpr qint64 kOutputLimit = 16 * 1024 * 1024;
// Level-9 compression is slow; round trips are checked on small outputs only.
constexpr qsizetype kRoundTripLimit = 64 * 1024;

void require(bool condition)
{
    if (!condition)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const QByteArray input = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const talvena::TGzip gzip;

    QByteArray fromMemory;
    QBuffer memoryOut(&fromMemory);
    memoryOut.open(QIODevice::WriteOnly);
    const int memoryStatus = gzip.decompress(input.constData(), input.size(), memoryOut, kOutputLimit);

    QBuffer deviceIn;
    deviceIn.setData(input);
    deviceIn.open(QIODevice::ReadOnly);
    QByteArray fromDevice;
    QBuffer deviceOut(&fromDevice);
    deviceOut.open(QIODevice::WriteOnly);
    const int deviceStatus = gzip.decompress(deviceIn, deviceOut, kOutputLimit);

    require(memoryStatus == deviceStatus);
    require(fromMemory == fromDevice);
    require(fromMemory.size() <= kOutputLimit);
    if (memoryStatus == talvena::GzipBadHeader)
        require(fromMemory.isEmpty());
    if (size < 2 || data[0] != 0x1F || data[1] != 0x8B) {
        require(memoryStatus == talvena::GzipOk);
        require(fromMemory == input);
    }

    if (memoryStatus == talvena::GzipOk && fromMemory.size() <= kRoundTripLimit) {
        QByteArray again;
        require(talvena::DecompressGzip(talvena::CompressToGzip(fromMemory), again) == talvena::GzipOk);
        require(again == fromMemory);
    }
    return 0;
}
