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

    // What reading a passport file of the given size may cost beyond its own bytes. The fixed
    // part is what the largest passport the program works with takes in memory (about four
    // million contour points at 244 bytes each once loaded), whatever its file size: the program
    // saves such a passport in a few megabytes when its values repeat, and it must open again.
    // The part that follows the file covers attachments, stored as they are. Bombs that claim
    // more are refused before the memory is taken.
    static LoadBudget forFileSize(qint64 fileSize)
    {
        constexpr qint64 kLargestPassport = qint64(1) << 30;
        constexpr qint64 kPerFileByte = 8;
        return LoadBudget(kLargestPassport + kPerFileByte * qMax<qint64>(fileSize, 0));
    }

    qint64 remaining() const { return remaining_; }
    // Throws "Stream read error" when the bytes are more than what is left.
    void charge(qint64 bytes);

private:
    qint64 remaining_;
};

} // namespace talvena
