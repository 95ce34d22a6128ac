#include "storage/unique_ids.h"

#include "base/random_id.h"

#include <algorithm>
#include <array>
#include <climits>

namespace talvena {

namespace {

constexpr int64_t kEmpty = INT64_MIN;
// Random tries before the free list is used: with the range at most half taken, one try in two
// succeeds, so the list is built only for crowded ranges.
constexpr int kRandomTries = 16;

} // namespace

UniqueIds::UniqueIds(int32_t range, size_t expectedCount) : range_(range)
{
    size_t capacity = 16;
    while (capacity < expectedCount * 2) capacity *= 2;
    slots_.assign(capacity, kEmpty);
}

size_t UniqueIds::slotOf(int64_t value) const
{
    const size_t mask = slots_.size() - 1;
    size_t i = static_cast<size_t>(static_cast<uint64_t>(value) * 0x9E3779B97F4A7C15ull >> 20) & mask;
    while (slots_[i] != kEmpty && slots_[i] != value) i = (i + 1) & mask;
    return i;
}

bool UniqueIds::taken(int64_t value) const
{
    if (value == kEmpty) return hasEmptyMarker_;
    return slots_[slotOf(value)] == value;
}

void UniqueIds::take(int64_t value)
{
    if (value == kEmpty) {
        hasEmptyMarker_ = true;
        return;
    }
    if ((count_ + 1) * 2 > slots_.size()) grow();
    const size_t i = slotOf(value);
    if (slots_[i] == value) return;
    slots_[i] = value;
    ++count_;
    if (freeListBuilt_ && value >= 0 && value < range_) {
        const int32_t at = freeIndex_[size_t(value)];
        const int32_t moved = free_.back();
        free_[size_t(at)] = moved;
        freeIndex_[size_t(moved)] = at;
        free_.pop_back();
        freeIndex_[size_t(value)] = -1;
    }
}

void UniqueIds::grow()
{
    std::vector<int64_t> old = std::move(slots_);
    slots_.assign(old.size() * 2, kEmpty);
    for (int64_t v : old)
        if (v != kEmpty) slots_[slotOf(v)] = v;
}

void UniqueIds::buildFreeList()
{
    freeIndex_.assign(size_t(range_), -1);
    free_.clear();
    for (int32_t v = 0; v < range_; ++v) {
        if (taken(v)) continue;
        freeIndex_[size_t(v)] = int32_t(free_.size());
        free_.push_back(v);
    }
    freeListBuilt_ = true;
}

int32_t UniqueIds::drawFree()
{
    if (range_ < 1) return -1;
    if (!freeListBuilt_) {
        for (int i = 0; i < kRandomTries; ++i) {
            const int32_t v = RandomInt(range_);
            if (!taken(v)) return v;
        }
        buildFreeList();
    }
    if (free_.empty()) return -1;
    return free_[size_t(RandomInt(int32_t(free_.size())))];
}

bool HasRepeatedValues(std::vector<uint32_t> values)
{
    constexpr size_t kRadixFrom = 4096;
    if (values.size() < kRadixFrom) {
        std::sort(values.begin(), values.end());
    } else {
        // Three passes of 11 bits each.
        constexpr int kBits = 11;
        constexpr uint32_t kMask = (1u << kBits) - 1;
        std::vector<uint32_t> sorted(values.size());
        for (int shift = 0; shift < 32; shift += kBits) {
            std::array<size_t, kMask + 2> start{};
            for (uint32_t v : values) ++start[((v >> shift) & kMask) + 1];
            for (size_t d = 1; d < start.size(); ++d) start[d] += start[d - 1];
            for (uint32_t v : values) sorted[start[(v >> shift) & kMask]++] = v;
            values.swap(sorted);
        }
    }
    return std::adjacent_find(values.begin(), values.end()) != values.end();
}

} // namespace talvena
