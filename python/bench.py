"""Speed of the Python package: its overhead per small APDU over the C call,
and pdu_to_xml_many on every core against one thread.

    /usr/bin/python3 python/bench.py [--count 100000] [--repeat 5]

The C call's own time comes from vantrel-bench (GetRequestOctetsToXml) beside
the library. Times per call are CPU times of this process, so other load on
the machine inflates them little; the many-APDU rates are wall-clock rates,
so the load average is printed with them.
"""
from __future__ import annotations

import argparse
import json
import os
import subprocess
import sys
import time
import timeit
from pathlib import Path

sys.path.insert(0, str(Path(__file__).resolve().parent))
import vantrel  # noqa: E402

GET_REQUEST = bytes.fromhex("C001C100080000010000FF0200")
# Typical traffic: GET requests and responses, a data notification, an event.
TYPICAL = [
    GET_REQUEST,
    bytes.fromhex("C401C100060000 3039"),
    bytes.fromhex("C401C100 0203 090C07E80C0802101E00008000 00 0600012345 12FFFF"),
    bytes.fromhex("0F00000001 0C07E80C0802101E00008000 00 0202 1134 09024142"),
    bytes.fromhex("C2010C07E80C0802101E000080000000010000600A01FF021105"),
]


def c_call_ns() -> float | None:
    bench = Path(vantrel.library_path()).resolve().parent / "vantrel-bench"
    if not bench.exists():
        return None
    out = subprocess.run(
        [str(bench), "--benchmark_filter=^GetRequestOctetsToXml$", "--benchmark_repetitions=5",
         "--benchmark_format=json"],
        capture_output=True, text=True, check=True,
    ).stdout
    runs = [b for b in json.loads(out)["benchmarks"] if b.get("run_type") == "iteration"]
    return min(b["cpu_time"] for b in runs)  # ns


def per_call_us(function, argument, number: int, repeat: int) -> float:
    times = timeit.repeat(lambda: function(argument), number=number, repeat=repeat, timer=time.process_time)
    return min(times) / number * 1e6


def many_rates(apdus, workers: int, repeat: int) -> tuple[float, float]:
    """The best rates of one thread and of workers threads, measured in turns
    so that both see the same load."""
    best = {1: float("inf"), workers: float("inf")}
    for _ in range(repeat):
        for n in best:
            start = time.perf_counter()
            for _ in vantrel.pdu_to_xml_many(apdus, n):
                pass
            best[n] = min(best[n], time.perf_counter() - start)
    return len(apdus) / best[1], len(apdus) / best[workers]


def gil_share(apdus, repeat: int) -> tuple[float, float]:
    """CPU time per APDU of one thread, and the part of it spent in the
    library (outside the GIL). Other load inflates the wall clock far more
    than CPU time, so on a busy machine these tell more about what threads can
    gain than the measured rates."""
    from vantrel import _native, _many

    lib = _native.library()
    sizes, joined, _ = _many._joined(apdus, 0)
    batch = lib.BatchNew(0)  # every part translated in this thread's calls
    parts = (len(apdus) + 255) // 256
    best_c = best_all = float("inf")
    try:
        for _ in range(repeat):
            start = time.process_time()
            lib.BatchStart(batch, joined, sizes.buffer_info()[0], len(apdus), None, 0, 256)
            for part in range(parts):
                lib.BatchPart(batch, part, None, None, None)
            best_c = min(best_c, time.process_time() - start)
            start = time.process_time()
            for _ in vantrel.pdu_to_xml_many(apdus, 1):
                pass
            best_all = min(best_all, time.process_time() - start)
    finally:
        lib.BatchFree(batch)
    return best_all / len(apdus) * 1e6, best_c / len(apdus) * 1e6


def main() -> None:
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--count", type=int, default=100_000)
    parser.add_argument("--repeat", type=int, default=5)
    args = parser.parse_args()
    for data in TYPICAL:
        vantrel.pdu_to_xml(data)  # every one translates

    print(f"library {vantrel.library_path()}; {os.cpu_count()} cores; load average {os.getloadavg()}")
    python_us = per_call_us(vantrel.pdu_to_xml, GET_REQUEST, 100_000, args.repeat)
    c_ns = c_call_ns()
    print(f"pdu_to_xml, 13-octet GET request: {python_us:.2f} us per call (CPU)")
    if c_ns is not None:
        print(f"  the C call (vantrel-bench): {c_ns / 1000:.2f} us; the package adds {python_us - c_ns / 1000:.2f} us")
    print(f"xml_to_pdu of its XML: {per_call_us(vantrel.xml_to_pdu, vantrel.pdu_to_xml(GET_REQUEST), 100_000, args.repeat):.2f} us per call (CPU)")

    apdus = [TYPICAL[i % len(TYPICAL)] for i in range(args.count)]
    cores = len(os.sched_getaffinity(0)) if hasattr(os, "sched_getaffinity") else os.cpu_count() or 1
    one, every = many_rates(apdus, cores, 3 * args.repeat)
    print(f"pdu_to_xml_many over {args.count:,} APDUs: 1 thread {one:,.0f}/s; {cores} threads {every:,.0f}/s "
          f"= {every / one:.2f}x (wall clock)")
    total, in_c = gil_share(apdus, args.repeat)
    held = total - in_c
    print(f"  one thread: {total:.3f} us CPU per APDU, {in_c:.3f} us of it in the library (GIL released); "
          f"{cores} threads can reach at most {total / max(held, total / cores):.2f}x")
    print("  (the calling thread turns the XML into str, the library's own threads translate)")
    print(f"load average after: {os.getloadavg()}")


if __name__ == "__main__":
    main()
