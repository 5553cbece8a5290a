#!/usr/bin/python3
"""Measures every waveform record under a folder in parallel on a Dask
distributed cluster and writes one CSV table: a row per record (block) and
trace, with the columns of `kivelo-cli measure --json`.

    measure_archive.py ARCHIVE -o table.csv                      # a local cluster
    measure_archive.py ARCHIVE -o table.csv --scheduler tcp://host:8786

With --scheduler the workers of that cluster do the work: each needs the
module kivelo and must see the records under the same paths (shared storage).
A record that cannot be read gets one row with its message in "error".
The table is written complete or not at all; an existing one is refused
(exit 3) unless --force.
"""
import argparse
import csv
import os
import sys
import tempfile

MEASURES = ["min", "max", "pp", "mean", "rms", "acrms", "frequency", "period", "duty", "rise", "fall", "nan"]
COLUMNS = ["file", "block", "date", "time", "trace", "name", "unit", "kind"] + MEASURES + ["error"]
ENDINGS = (".wvf", ".rtm", ".fld")


def find_records(folder):
    """Every record under folder, in a stable order."""
    found = []
    for root, dirs, files in os.walk(folder):
        dirs.sort()
        found += [os.path.join(root, f) for f in sorted(files) if f.lower().endswith(ENDINGS)]
    return found


def measure_record(path, block=None):
    """The table's rows of one record file (runs on a worker)."""
    import kivelo

    rows = []
    try:
        with kivelo.open(path) as rec:
            blocks = range(rec.blocks) if block is None else [block]
            for b in blocks:
                for t in rec.traces:
                    row = {"file": path, "block": b, "date": rec.date(b), "time": rec.time(b)}
                    row.update(rec.measure(t.index, b))
                    row["trace"] = t.label
                    rows.append(row)
    except (OSError, ValueError, RuntimeError) as e:
        rows.append({"file": path, "error": " ".join(str(e).split())})
    return rows


def cell(value):
    if value is None:
        return ""
    return repr(value) if isinstance(value, float) else str(value)


def write_table(out, rows):
    """Through a hidden file beside OUT (named like the program's staged files),
    renamed at the end: complete or absent."""
    folder = os.path.dirname(os.path.abspath(out))
    fd, tmp = tempfile.mkstemp(prefix="." + os.path.basename(out) + ".kivelo-partial-", dir=folder)
    try:
        mask = os.umask(0)
        os.umask(mask)
        os.fchmod(fd, 0o666 & ~mask)  # mkstemp's 0600 is for the hidden file only
        with os.fdopen(fd, "w", newline="") as f:
            w = csv.writer(f)
            w.writerow(COLUMNS)
            for row in rows:
                w.writerow([cell(row.get(c)) for c in COLUMNS])
            f.flush()
            os.fsync(f.fileno())
        os.replace(tmp, out)
        dir_fd = os.open(folder, os.O_RDONLY)
        try:
            os.fsync(dir_fd)
        finally:
            os.close(dir_fd)
    except BaseException:
        if os.path.exists(tmp):
            os.unlink(tmp)
        raise


def main(argv=None):
    p = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    p.add_argument("folder", help="folder searched (with its subfolders) for .wvf, .rtm and .fld records")
    p.add_argument("-o", "--output", required=True, help="the CSV table to write")
    p.add_argument("--scheduler", metavar="ADDRESS", help="a running Dask scheduler (default: a local cluster)")
    p.add_argument("--workers", type=int, default=None, help="local cluster: worker count (default: processors)")
    p.add_argument("--threads-per-worker", type=int, default=1, help="local cluster: threads of each worker")
    p.add_argument("--in-process", action="store_true", help="local cluster: workers as threads of this process")
    p.add_argument("--block", type=int, default=None, help="measure this block only (default: every block)")
    p.add_argument("--timeout", type=float, default=3600.0, help="seconds the whole run may take")
    p.add_argument("--force", action="store_true", help="replace an existing table")
    args = p.parse_args(argv)

    if not os.path.isdir(args.folder):
        print("measure_archive: %s is not a folder" % args.folder, file=sys.stderr)
        return 1
    if os.path.lexists(args.output) and not args.force:
        print("measure_archive: %s exists (use --force)" % args.output, file=sys.stderr)
        return 3
    paths = find_records(args.folder)

    from dask.distributed import Client, LocalCluster, wait

    if args.scheduler:
        cluster = None
        client = Client(args.scheduler, timeout=min(args.timeout, 60))
    else:
        cluster = LocalCluster(n_workers=args.workers, threads_per_worker=args.threads_per_worker,
                               processes=not args.in_process, dashboard_address=None)
        client = Client(cluster)
    try:
        # Absolute paths: the workers need not share this process's folder.
        futures = client.map(measure_record, [os.path.abspath(p) for p in paths], block=args.block, pure=False)
        try:
            wait(futures, timeout=args.timeout)
        except TimeoutError:
            left = sum(1 for f in futures if not f.done())
            print("measure_archive: %d of %d records not measured within %g s" % (left, len(futures), args.timeout),
                  file=sys.stderr)
            return 1
        rows = [row for rows in client.gather(futures) for row in rows]
        for row in rows:
            row["file"] = os.path.relpath(row["file"], os.path.abspath(args.folder))
    finally:
        client.close()
        if cluster is not None:
            cluster.close()
    write_table(args.output, rows)
    failed = sum(1 for r in rows if r.get("error"))
    print("%d records, %d rows, %d unreadable -> %s" % (len(paths), len(rows), failed, args.output))
    return 0


if __name__ == "__main__":
    sys.exit(main())
