"""Points per second of kelvoran.evaluate against the C++ batch API, side by side.

Both evaluate the same points on one thread in this process: kelvoran.evaluate as a Python user
calls it (input checks, broadcasting, the copy of the inputs, allocation of every column, the
result object), and kelvoran::evaluateBatch as a C++ program calls it (allocation of the same
columns in std::vector, the batch), timed in C++. The two are run in alternation, and the best of
the repetitions of each is kept.

    .venv/bin/python python/bench/evaluate_speed.py [--points 100000] [--repeat 5] [--threads 1]
"""

import argparse
import time

import numpy as np

import kelvoran
from kelvoran import _core


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--points", type=int, default=100_000)
    parser.add_argument("--repeat", type=int, default=5)
    parser.add_argument("--threads", type=int, default=1)
    args = parser.parse_args()

    # Points over the fitted range: 0-1000 °C, 1-5000 bar (log-uniform), x 0-0.6.
    rng = np.random.default_rng(20240610)
    n = args.points
    t = rng.uniform(0.0, 1000.0, n)
    p = 10.0 ** rng.uniform(0.0, np.log10(5000.0), n)
    x = rng.uniform(0.0, 0.6, n)

    python_s, cpp_s = [], []
    for _ in range(args.repeat):
        start = time.perf_counter()
        kelvoran.evaluate(t, p, x, threads=args.threads)
        python_s.append(time.perf_counter() - start)
        cpp_s.append(_core._time_batch(t, p, x, args.threads))

    py_rate, cpp_rate = n / min(python_s), n / min(cpp_s)
    print(f"{n} points, {args.threads} thread(s), best of {args.repeat}")
    print(f"C++ batch API      : {cpp_rate:12.0f} points/s")
    print(f"kelvoran.evaluate  : {py_rate:12.0f} points/s  ({100.0 * py_rate / cpp_rate:.1f} % of C++)")


if __name__ == "__main__":
    main()
