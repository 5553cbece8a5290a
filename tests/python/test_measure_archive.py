"""examples/measure_archive.py on a two-worker local Dask cluster over a small
archive of generated records (one of them unreadable)."""
import csv
import os
import subprocess
import sys

import pytest

import kivelo

SCRIPT = os.path.join(os.environ.get("KIVELO_SOURCE_DIR", ""), "examples", "measure_archive.py")


def run(*args):
    # The script's own --timeout ends a stuck cluster; this one ends a stuck script.
    return subprocess.run([sys.executable, SCRIPT, *args], capture_output=True, text=True, timeout=150)


@pytest.fixture
def archive(tmp_path, kivelo_gen):
    (tmp_path / "arch" / "day2").mkdir(parents=True)
    kivelo_gen("wvf", "arch/sine.wvf", "--traces", 2, "--blocks", 2, "--samples", 20000, "--signal", "sine",
               "--period", 1000, "--hres", 1e-3)
    kivelo_gen("rtm", "arch/day2/rt.rtm", "--mask", "0x03", "--samples", 8000)
    kivelo_gen("fld", "arch/day2/f.fld", "--samples", 5000)
    (tmp_path / "arch" / "day2" / "broken.wvf").write_bytes(b"no header beside it")
    (tmp_path / "arch" / "notes.txt").write_text("not a record")
    return tmp_path / "arch"


def test_archive_on_two_local_workers(archive, tmp_path):
    if not os.path.isfile(SCRIPT):
        pytest.skip("KIVELO_SOURCE_DIR does not lead to examples/measure_archive.py")
    with kivelo.open(str(archive / "sine.wvf")) as rec:
        try:
            rec.measure(0)
        except RuntimeError as e:  # a module built without the analysis library
            pytest.skip(str(e))
    out = tmp_path / "table.csv"
    r = run(str(archive), "-o", str(out), "--workers", "2", "--in-process", "--timeout", "90")
    assert r.returncode == 0, r.stderr
    with open(out, newline="") as f:
        rows = list(csv.DictReader(f))

    expected = []
    for name in ("day2/f.fld", "day2/rt.rtm", "sine.wvf"):
        with kivelo.open(str(archive / name)) as rec:
            expected += [(name, str(b), t.label) for b in range(rec.blocks) for t in rec.traces]
    measured = [(r["file"], r["block"], r["trace"]) for r in rows if not r["error"]]
    assert sorted(measured) == sorted(expected)
    broken = [r for r in rows if r["error"]]
    assert [r["file"] for r in broken] == ["day2/broken.wvf"] and "Cannot oepn this file." in broken[0]["error"]

    with kivelo.open(str(archive / "sine.wvf")) as rec:
        direct = rec.measure("W2", 1)
    row = next(r for r in rows if (r["file"], r["block"], r["trace"]) == ("sine.wvf", "1", "W2"))
    for key in ("min", "max", "mean", "rms", "frequency", "nan"):
        assert row[key] == ("" if direct[key] is None else repr(direct[key]) if key != "nan" else str(direct[key]))
    # A sine of 1,000 samples at 1 ms each.
    assert float(row["frequency"]) == pytest.approx(1.0, rel=1e-6)

    before = out.read_bytes()
    again = run(str(archive), "-o", str(out), "--workers", "2", "--in-process")
    assert again.returncode == 3 and out.read_bytes() == before
