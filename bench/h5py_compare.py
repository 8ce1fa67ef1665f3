#!/usr/bin/python3
"""HDF5 export and read of a full data set against h5py, in one run.

Usage: bench/h5py_compare.py [--bench build/bin/bench_bench_document]
                             [--records 1,4,16] [--level 1] [--rounds 3]

For each chunk shape [10][R][511] (R records per chunk) it runs bench_document's
export and read of the full data set (10 devices x 10000 records x 511 points,
shuffle + deflate at --level) and keeps the exported file; then h5py reads that
file's /spectra and writes the same array into a new file with the same chunks
and filters (create_dataset with shuffle=True, compression="gzip"), the file
closed but not synced. The two take turns for --rounds rounds, so that a
machine shared with other work slows both alike: each round is one
bench_document run (the median of its 5 x 3 iterations) and one h5py read and
write. Given are the medians over the rounds, wall clock; the export synced
(what the program does: fdatasync before the rename) and unsynced. Needs
Debian's python3-h5py and python3-numpy.
"""
import argparse
import json
import os
import statistics
import subprocess
import sys
import tempfile
import time

try:
    import h5py
except ImportError as error:
    print(f"h5py_compare: {error} (apt-get install python3-h5py)")
    sys.exit(1)


def ours(bench, path, records, level):
    """Medians (ms) of the program's export synced / unsynced and read, from bench_document."""
    layout = f"records:{records}/all_devices:1/shuffle:1/level:{level}/"
    run = subprocess.run(
        [bench, f"--benchmark_filter=^BM_(Export|Read)Hdf5/{layout}", "--benchmark_format=json"],
        env=dict(os.environ, VL_BENCH_HDF5=path), capture_output=True, text=True, check=True)
    medians = {}
    for b in json.loads(run.stdout)["benchmarks"]:
        if b.get("aggregate_name") == "median":
            kind = "read" if b["name"].startswith("BM_Read") else (
                "export synced" if "synced:1" in b["name"] else "export unsynced")
            medians[kind] = b["real_time"]
    missing = {"export unsynced", "read"} - medians.keys()
    if missing:
        sys.exit(f"h5py_compare: bench_document ran no {', '.join(sorted(missing))} for "
                 f"{records} records a chunk (is it among its layouts?)")
    return medians


def seconds_ms(fn):
    start = time.perf_counter()
    fn()
    return (time.perf_counter() - start) * 1000.0


def theirs(path, out, records, level):
    """h5py reading /spectra of path, and writing it to out as the program does (ms)."""
    array = None

    def read():
        nonlocal array
        with h5py.File(path, "r") as f:
            array = f["spectra"][()]

    def write():
        d, _, p = array.shape
        with h5py.File(out, "w") as f:
            f.create_dataset("spectra", data=array, chunks=(d, records, p), shuffle=True,
                             compression="gzip", compression_opts=level)

    return {"read": seconds_ms(read), "write": seconds_ms(write), "shape": array.shape}


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    root = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
    parser.add_argument("--bench", default=os.path.join(root, "build/bin/bench_bench_document"))
    parser.add_argument("--records", default="1", help="records per chunk, comma-separated")
    parser.add_argument("--level", type=int, default=1)
    parser.add_argument("--rounds", type=int, default=3)
    args = parser.parse_args()
    print(f"h5py {h5py.version.version}, HDF5 {h5py.version.hdf5_version}; medians, wall clock")
    with tempfile.TemporaryDirectory(prefix="vl_h5py_") as tmp:
        for records in [int(r) for r in args.records.split(",")]:
            path, out = os.path.join(tmp, "ours.h5"), os.path.join(tmp, "h5py.h5")
            rounds = []
            for _ in range(args.rounds):
                rounds.append((ours(args.bench, path, records, args.level),
                               theirs(path, out, records, args.level)))
            ms = {k: statistics.median(r[0][k] for r in rounds) for k in rounds[0][0]}
            h5 = {k: statistics.median(r[1][k] for r in rounds) for k in ("read", "write")}
            d, _, p = rounds[0][1]["shape"]
            print(f"chunks [{d}][{records}][{p}], shuffle + deflate {args.level}: ours "
                  f"{os.path.getsize(path) / 1e6:.1f} MB, h5py's {os.path.getsize(out) / 1e6:.1f} MB")
            synced = ms.get("export synced")  # bench_document syncs the program's layout only
            if synced is not None:
                print(f"  export: ours {synced:.0f} ms synced ({ms['export unsynced']:.0f} ms "
                      f"unsynced), h5py {h5['write']:.0f} ms: {synced / h5['write']:.2f}x "
                      f"({ms['export unsynced'] / h5['write']:.2f}x unsynced)")
            else:
                print(f"  export: ours {ms['export unsynced']:.0f} ms unsynced, h5py "
                      f"{h5['write']:.0f} ms: {ms['export unsynced'] / h5['write']:.2f}x")
            print(f"  read:   ours {ms['read']:.0f} ms, h5py {h5['read']:.0f} ms: "
                  f"{ms['read'] / h5['read']:.2f}x")
            ratios = {kind: " ".join(f"{o[key] / t[kind]:.2f}" for o, t in rounds)
                      for kind, key in (("write", "export unsynced"), ("read", "read"))}
            print(f"  each round: export unsynced {ratios['write']}x; read {ratios['read']}x")
            sys.stdout.flush()


if __name__ == "__main__":
    main()
