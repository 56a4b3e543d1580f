"""Costs of the user-supplied motion sources: building a full pattern library and a full-size
recording, each beside the plain-Python cost of turning the same lists into floats, and the
per-call cost of sampling patterns, libraries and recordings.

Every measurement is a function returning numbers (seconds), so a larger benchmark suite can
import and call them; run this file to print them all. Nothing here judges the numbers.
"""

import argparse
import math
import time
import timeit

import pivolet


def _point(i):
    # Deterministic values within [-1, 1] that move on all three axes.
    return (math.sin(i * 0.013), math.cos(i * 0.007), math.sin(i * 0.029) * 0.5)


def _pattern_rows(pattern_index, samples):
    offset = pattern_index * samples
    return [_point(offset + i) for i in range(samples)]


def _recording_rows(values, axes):
    rows = values // axes
    return [[math.sin((r * axes + a) * 0.001) for a in range(axes)] for r in range(rows)]


def _best_of(repeats, action):
    best = math.inf
    for _ in range(repeats):
        start = time.perf_counter()
        action()
        best = min(best, time.perf_counter() - start)
    return best


def library_construction(patterns=1024, samples=1024, repeats=3):
    """Seconds to build the SampledPatterns, then the PatternLibrary, and to convert the same rows
    to floats in plain Python."""
    rows = [_pattern_rows(p, samples) for p in range(patterns)]
    names = [f"user_pattern_{p:04d}" for p in range(patterns)]
    built = []

    def build_patterns():
        built[:] = [pivolet.SampledPattern(name, "benchmark pattern", r) for name, r in zip(names, rows)]

    def build_library():
        pivolet.PatternLibrary(built)

    def python_floats():
        [[(float(x), float(y), float(z)) for x, y, z in r] for r in rows]

    return {
        "sampled_patterns_seconds": _best_of(repeats, build_patterns),
        "pattern_library_seconds": _best_of(repeats, build_library),
        "python_float_conversion_seconds": _best_of(repeats, python_floats),
    }


def recording_construction(values=2**23, axes=8, repeats=3):
    """Seconds to build a SampledRecording of `values` values in `axes` columns, and to convert the
    same rows to floats in plain Python."""
    rows = _recording_rows(values, axes)
    dimensions = [f"axis_{a}" for a in range(axes)]

    def build_recording():
        pivolet.SampledRecording("benchmark_take", dimensions, rows, 120.0)

    def python_floats():
        [[float(v) for v in row] for row in rows]

    return {
        "sampled_recording_seconds": _best_of(repeats, build_recording),
        "python_float_conversion_seconds": _best_of(repeats, python_floats),
    }


def _per_call(callable_, calls, repeats):
    return min(timeit.repeat(callable_, number=calls, repeat=repeats)) / calls


def pattern_sample_call(samples=1024, calls=200_000, repeats=5):
    """Seconds per SampledPattern.sample call."""
    pattern = pivolet.SampledPattern("bench_pattern", "", _pattern_rows(0, samples))
    sample = pattern.sample
    return _per_call(lambda: sample(12345), calls, repeats)


def library_sample_calls(patterns=1024, samples=1024, calls=100_000, repeats=5):
    """Seconds per PatternLibrary.sample call for a built-in name and for the first and the last
    of `patterns` user patterns."""
    names = [f"user_pattern_{p:04d}" for p in range(patterns)]
    rows = _pattern_rows(0, samples)
    library = pivolet.PatternLibrary([pivolet.SampledPattern(name, "", rows) for name in names])
    sample = library.sample
    return {
        "builtin_bounce": _per_call(lambda: sample("bounce", 12345), calls, repeats),
        "first_user_pattern": _per_call(lambda: sample(names[0], 12345), calls, repeats),
        "last_user_pattern": _per_call(lambda: sample(names[-1], 12345), calls, repeats),
    }


def recording_sample_call(axes, rows=4096, calls=200_000, repeats=5):
    """Seconds per SampledRecording.sample call on a recording of `axes` axes."""
    recording = pivolet.SampledRecording(
        "bench_take", [f"axis_{a}" for a in range(axes)], _recording_rows(rows * axes, axes), 120.0
    )
    sample = recording.sample
    return _per_call(lambda: sample(1234), calls, repeats)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--repeats", type=int, default=3, help="repetitions of each construction (best is kept)")
    arguments = parser.parse_args()

    print("Construction (best of %d)" % arguments.repeats)
    library = library_construction(repeats=arguments.repeats)
    print(f"  1024 SampledPatterns of 1024 samples    {library['sampled_patterns_seconds']:9.4f} s")
    print(f"  PatternLibrary of those 1024 patterns    {library['pattern_library_seconds']:9.4f} s")
    print(f"  plain Python float() of the same rows    {library['python_float_conversion_seconds']:9.4f} s")
    for axes in (1, 8):
        recording = recording_construction(axes=axes, repeats=arguments.repeats)
        print(f"  SampledRecording, 2^23 values, {axes} axes   {recording['sampled_recording_seconds']:9.4f} s")
        print(f"  plain Python float() of the same rows    {recording['python_float_conversion_seconds']:9.4f} s")

    print("Per call")
    print(f"  SampledPattern.sample                    {pattern_sample_call() * 1e9:9.1f} ns")
    for label, seconds in library_sample_calls().items():
        print(f"  PatternLibrary.sample, {label:<18}{seconds * 1e9:9.1f} ns")
    for axes in (3, 64):
        print(f"  SampledRecording.sample, {axes:2d} axes         {recording_sample_call(axes) * 1e9:9.1f} ns")


if __name__ == "__main__":
    main()
