#!/usr/bin/python3
"""kivelo Record.raw() of one 256 MB trace beside numpy.fromfile of the same
bytes and a streaming read through a 1 MB buffer, in one run, page cache warm.
Not a test: run by hand with the module's folder on PYTHONPATH:

    PYTHONPATH=build/python /usr/bin/python3 bench/python/raw_vs_fromfile.py [--mb 256] [--repeat 7]
"""
import argparse
import os
import statistics
import tempfile
import time

import numpy as np

import kivelo


def write_record(folder, samples):
    """One IS2 trace of `samples` samples, little-endian, as a .wvf with its .hdr."""
    path = os.path.join(folder, "bench.wvf")
    block = np.arange(1 << 20, dtype=np.int16)
    with open(path, "wb") as f:
        left = samples
        while left:
            n = min(left, block.size)
            f.write(block[:n].tobytes())
            left -= n
    rows = [("FormatVersion", "1.10"), ("Model", "QV708"), ("Endian", "Ltl"), ("DataFormat", "Trace"),
            ("GroupNumber", "1"), ("TraceTotalNumber", "1"), ("DataOffset", "0"), ("$Group1", ""),
            ("TraceNumber", "1"), ("BlockNumber", "1"), ("TraceName", "CH1"), ("BlockSize", str(samples)),
            ("VResolution", "1.0E-03"), ("VOffset", "0.0"), ("VDataType", "IS2"), ("VUnit", "V"),
            ("VPlusOverData", "0"), ("VMinusOverData", "0"), ("VIllegalData", "0"), ("VMaxData", "0"),
            ("VMinData", "0"), ("HResolution", "1.0E-06"), ("HOffset", "0.0"), ("HUnit", "s"),
            ("Date", "26/12/07"), ("Time", "10:00:00")]
    with open(path[:-3] + "hdr", "w", newline="") as f:
        f.write("//ORVANTIS ASCII FILE FORMAT\r\n$PublicInfo\r\n")
        f.write("".join("%s %s\r\n" % (k.ljust(19), v) for k, v in rows))
        f.write("$PrivateInfo\r\n")
    return path


def streamed(path, samples):
    out = np.empty(samples, dtype=np.int16)
    view = memoryview(out).cast("B")
    with open(path, "rb", buffering=0) as f:
        done = 0
        while done < len(view):
            got = f.readinto(view[done:done + (1 << 20)])
            if not got:
                break
            done += got
    return out


def main():
    p = argparse.ArgumentParser()
    p.add_argument("--mb", type=int, default=256)
    p.add_argument("--repeat", type=int, default=7)
    args = p.parse_args()
    samples = args.mb * (1 << 20) // 2
    with tempfile.TemporaryDirectory() as folder:
        path = write_record(folder, samples)
        cases = {
            "numpy.fromfile": lambda: np.fromfile(path, dtype=np.int16, count=samples),
            "1 MB streaming read": lambda: streamed(path, samples),
        }
        with kivelo.open(path) as rec:
            cases["Record.raw"] = lambda: rec.raw(0)
            first = cases["Record.raw"]()
            assert np.array_equal(first, cases["numpy.fromfile"]())  # and warms the page cache
            del first
            times = {name: [] for name in cases}
            for _ in range(args.repeat):
                for name, run in cases.items():  # interleaved: drifts hit every case alike
                    t0 = time.perf_counter()
                    a = run()
                    times[name].append(time.perf_counter() - t0)
                    del a
    base = statistics.median(times["numpy.fromfile"])
    print("trace of %d MB, %d runs, median; machine with %d cores" % (args.mb, args.repeat, os.cpu_count()))
    for name, t in times.items():
        m = statistics.median(t)
        print("  %-20s %8.1f ms  %6.0f MB/s  %.2fx numpy.fromfile" % (name, m * 1e3, args.mb / m, m / base))


if __name__ == "__main__":
    main()
