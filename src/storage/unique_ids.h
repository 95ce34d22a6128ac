#pragma once
// The identifiers taken by the records of one table copy, and fresh ones drawn for duplicates.
//
// A draw first tries a few random values; once the range is crowded it picks from the list of
// values still free, so every draw takes expected constant time and the last free value is found
// as surely as the first. When the range has none left the draw fails instead of looping.
#include <cstddef>
#include <cstdint>
#include <vector>

namespace talvena {

class UniqueIds {
public:
    // Drawn values lie in 0 .. range - 1.
    explicit UniqueIds(int32_t range, size_t expectedCount);

    bool taken(int64_t value) const;
    void take(int64_t value);
    // A value of the range that no record took, uniformly among those; -1 when none is left.
    int32_t drawFree();

private:
    size_t slotOf(int64_t value) const;
    void grow();
    void buildFreeList();

    int32_t range_;
    // Open addressing over a flat array: a contour table brings a million IDs, and node-based
    // sets spend most of a load in cache misses.
    std::vector<int64_t> slots_;
    size_t count_ = 0;
    bool hasEmptyMarker_ = false;
    // Built on the first crowded draw, then kept: the free values and where each one stands.
    std::vector<int32_t> free_;
    std::vector<int32_t> freeIndex_; // per value of the range, its place in free_ or -1
    bool freeListBuilt_ = false;
};

// Whether any value occurs more than once (sorts a copy by radix: linear in the count, where
// a million lookups in a set of a million spend most of their time in cache misses).
bool HasRepeatedValues(std::vector<uint32_t> values);

} // namespace talvena
