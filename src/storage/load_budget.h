#pragma once
// How much memory reading one file may still take. A damaged or hostile file can claim far more
// than it holds (a few kilobytes of deflate data expand to gigabytes, a one-byte NULL flag becomes
// a stored cell); each step charges what it is about to allocate, and the load fails with
// "Stream read error" as soon as the total would pass the budget, before the memory is taken.
#include <QtGlobal>

namespace talvena {

class LoadBudget {
public:
    explicit LoadBudget(qint64 bytes) : remaining_(bytes) {}

    // What a passport file of the given size may cost beyond its own bytes: generous for real
    // passports (which cost a small multiple of their size) and bounded for anything else.
    static LoadBudget forFileSize(qint64 fileSize)
    {
        constexpr qint64 kBase = qint64(192) << 20;
        constexpr qint64 kPerFileByte = 8;
        return LoadBudget(kBase + kPerFileByte * qMax<qint64>(fileSize, 0));
    }

    qint64 remaining() const { return remaining_; }
    // Throws "Stream read error" when the bytes are more than what is left.
    void charge(qint64 bytes);

private:
    qint64 remaining_;
};

} // namespace talvena
