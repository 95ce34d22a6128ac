#include "base/random_id.h"

#include <chrono>
#include <mutex>
#include <random>

#include <unistd.h>

namespace talvena {
namespace {

struct Generator {
    std::mutex mutex;
    std::mt19937 engine;

    Generator()
    {
        const auto now = std::chrono::system_clock::now().time_since_epoch().count();
        std::seed_seq seed{uint32_t(now), uint32_t(uint64_t(now) >> 32), uint32_t(getpid())};
        engine.seed(seed);
    }
};

Generator& generator()
{
    static Generator instance;
    return instance;
}

} // namespace

void seedRandom(uint32_t seed)
{
    Generator& g = generator();
    std::lock_guard lock(g.mutex);
    g.engine.seed(seed);
}

int32_t RandomInt(int32_t range)
{
    if (range < 1)
        return 0;
    Generator& g = generator();
    std::lock_guard lock(g.mutex);
    // Our own reduction instead of std::uniform_int_distribution, whose output differs between
    // standard libraries: a seeded sequence is the same everywhere. Rejecting the top remainder
    // keeps every result equally likely.
    const uint64_t span = uint64_t(1) << 32;
    const uint64_t limit = span - span % uint64_t(range);
    uint64_t draw;
    do
        draw = g.engine();
    while (draw >= limit);
    return static_cast<int32_t>(draw % uint64_t(range));
}

} // namespace talvena
