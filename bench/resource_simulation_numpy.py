#!/usr/bin/env python3
"""The resource simulation's sampling written in NumPy, the reference the benchmark runs beside
its own: the same horizons, the same PERT ranges drawn by Latin hypercube (a random permutation of
the strata and a uniform offset inside each), the same chains, statistics and totals summed trial by
trial. Prints the seconds the simulation took (start-up and imports excluded) and, for a check of
accuracy, the mean of the oil total.

    resource_simulation_numpy.py HORIZONS TRIALS
"""
import sys
import time

import numpy as np

# (min, max, most likely, fraction) per parameter of one horizon of every kind, as in the benchmark.
OIL = [(8, 14, 11), (4, 9, 6), (0.12, 0.22, 0.17), (0.55, 0.8, 0.7), (0.82, 0.9, 0.86), (0.7, 0.9, 0.8)]
OIL_RECOVERY = (0.2, 0.4, 0.3)
GAS_FACTOR = 60.0
GAS = [(10, 16, 12), (3, 8, 5), (0.1, 0.2, 0.15), (0.6, 0.8, 0.7)]
GAS_P0, GAS_PK, GAS_Z, GAS_T, GAS_D = (200, 260, 240), 10.0, (0.85, 0.95, 0.9), (0.9, 1.0, 0.95), (0.85, 0.95, 0.9)
COND_C, COND_ETA = (100, 200, 150), (0.5, 0.7, 0.6)

ROWS, NODES, CELLS = 129, 2049, 16384
_rows = {}


def pert_row(row):
    """Quantiles of Beta(1 + 4r, 1 + 4(1 - r)) at NODES equal steps of probability."""
    if row not in _rows:
        r = row / (ROWS - 1)
        x = np.linspace(0, 1, CELLS + 1)
        density = x ** (4 * r) * (1 - x) ** (4 * (1 - r))
        cdf = np.concatenate(([0], np.cumsum((density[1:] + density[:-1]) / 2)))
        cdf /= cdf[-1]
        _rows[row] = np.interp(np.linspace(0, 1, NODES), cdf, x)
    return _rows[row]


def pert_table(a, b, m):
    r = (m - a) / (b - a)
    pos = r * (ROWS - 1)
    lo = min(int(pos), ROWS - 2)
    t = pos - lo
    return pert_row(lo) + t * (pert_row(lo + 1) - pert_row(lo))


def draw(rng, spec, n):
    a, b, m = spec
    u = (rng.permutation(n) + rng.random(n)) / n
    return a + (b - a) * np.interp(u, np.linspace(0, 1, NODES), pert_table(a, b, m))


def statistics(x):
    mean = x.mean()
    p90, p50, p10 = np.percentile(x, [10, 50, 90])
    return (mean, x.std(ddof=1), p90, p50, p10, x.min(), x.max(), np.mean(x >= mean))


def simulate(horizons, n, seed=1):
    rng = np.random.default_rng(seed)
    totals = {k: np.zeros(n) for k in ("oil", "dissolvedGas", "gas", "condensate")}
    stats = []
    for _ in range(horizons):
        bal = np.ones(n)
        for spec in OIL:
            bal *= draw(rng, spec, n)
        rec = bal * draw(rng, OIL_RECOVERY, n)
        dis = rec * GAS_FACTOR
        p = np.ones(n)
        for spec in GAS:
            p *= draw(rng, spec, n)
        p *= draw(rng, GAS_T, n)
        init = (draw(rng, GAS_P0, n) / draw(rng, GAS_Z, n) - GAS_PK) * p
        gbal = init * draw(rng, GAS_D, n)
        cbal = init * draw(rng, COND_C, n) / 1e6
        crec = cbal * draw(rng, COND_ETA, n)
        for x in (bal, rec, dis, init, gbal, cbal, crec):
            stats.append(statistics(x))
        totals["oil"] += rec
        totals["dissolvedGas"] += dis
        totals["gas"] += gbal
        totals["condensate"] += crec
    return stats, {k: statistics(v) for k, v in totals.items()}


def main():
    horizons, trials = int(sys.argv[1]), int(sys.argv[2])
    pert_row(0)  # import-time work of NumPy itself is not what is measured
    start = time.perf_counter()
    _, totals = simulate(horizons, trials)
    seconds = time.perf_counter() - start
    print(f"{seconds:.6f} {totals['oil'][0]:.9g}")


if __name__ == "__main__":
    main()
