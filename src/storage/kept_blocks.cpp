#include "storage/kept_blocks.h"

#include "table/record_table.h"

namespace talvena {

void KeptPassportBlocks::keepRead(int index, const RecordTable& table, const TableStreamFormat& format,
                                  const QByteArray& block)
{
    if (!valid(index)) return;
    blocks_[size_t(index)] = {table.contentStamp(), format.compressed, format.rawBlobMode, false,
                              QByteArray(block.constData(), block.size())};
}

void KeptPassportBlocks::keepWritten(int index, uint64_t stamp, const TableStreamFormat& format, const QByteArray& block)
{
    if (!valid(index)) return;
    blocks_[size_t(index)] = {stamp, format.compressed, format.rawBlobMode, true, block};
}

const QByteArray* KeptPassportBlocks::find(int index, const RecordTable& table, const TableStreamFormat& format,
                                           bool& checked) const
{
    if (!valid(index)) return nullptr;
    const Block& b = blocks_[size_t(index)];
    if (b.bytes.isEmpty() || b.stamp != table.contentStamp() || b.compressed != format.compressed ||
        b.rawBlobMode != format.rawBlobMode)
        return nullptr;
    checked = b.checked;
    return &b.bytes;
}

void KeptPassportBlocks::setChecked(int index, bool good)
{
    if (!valid(index)) return;
    if (good) blocks_[size_t(index)].checked = true;
    else blocks_[size_t(index)] = {};
}

} // namespace talvena
