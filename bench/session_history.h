#pragma once
// Benchmarks that post edit after edit keep the journal at a session's length: a long day of
// typing is some 10,000 steps, not the millions a benchmark makes. Cleared outside the timing.
#include "table/edit_journal.h"

#include <benchmark/benchmark.h>

namespace bench {

inline void KeepASessionsHistory(benchmark::State& state, talvena::EditJournal& journal, long stepsMade)
{
    if (stepsMade % 10000 != 0) return;
    state.PauseTiming();
    journal.clear();
    state.ResumeTiming();
}

} // namespace bench
