#pragma once
// A part of a byte array that shares the whole array's storage instead of copying it: how the
// attachments of a passport file are taken from the file's block without a second copy of
// hundreds of megabytes. The slice keeps the whole storage alive and detaches on its first change.
#include <QByteArray>

namespace talvena {

inline QByteArray SharedSlice(const QByteArray& whole, qsizetype offset, qsizetype size)
{
    if (offset < 0 || size < 0 || offset > whole.size() || size > whole.size() - offset) return {};
    QByteArray shared = whole; // takes a reference on the storage
    if (!shared.data_ptr().isMutable()) return whole.mid(offset, size); // raw data: not ours to share
    QByteArray::DataPointer slice = std::move(shared.data_ptr());
    slice.ptr += offset;
    slice.size = size;
    return QByteArray(std::move(slice));
}

} // namespace talvena
