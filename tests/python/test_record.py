"""The module kivelo against records whose every sample the test wrote, and
against the samples kivelo-cli's CSV gives for generated .wvf, .rtm and .fld."""
import json
import os
import pathlib
import subprocess
import sys
import threading
import time

import numpy as np
import pytest

import kivelo
from conftest import TYPES, RecordDesc, TraceDesc, write_record


def test_every_attribute(record_writer):
    traces = [TraceDesc("Volt", "IS2", 0.25, -1.5, "V"), TraceDesc("Amps", "IU2", 1e-3, 0.0, "A"),
              TraceDesc("Bits", "B16", 1.0, 0.0, "bit")]
    desc = RecordDesc(traces, sizes=[[100, 100, 100]] * 3, model="QV708", hres=2e-6, hoff=-1e-4, hunit="s",
                      dates=["26/12/01", "26/12/02", "26/12/03"], times=["10:00:00", "10:00:01", "10:00:02"])
    path, _ = record_writer(desc)
    with kivelo.open(path) as rec:
        assert (rec.path, rec.model, rec.hresolution, rec.hoffset, rec.hunit, rec.blocks) == \
            (path, "QV708", 2e-6, -1e-4, "s", 3)
        got = [(t.label, t.index, t.name, t.unit, t.kind, t.width, t.vresolution, t.voffset) for t in rec.traces]
        assert got == [("W1", 0, "Volt", "V", "signed", 2, 0.25, -1.5), ("W2", 1, "Amps", "A", "unsigned", 2, 1e-3, 0.0),
                       ("W3", 2, "Bits", "bit", "logic", 2, 1.0, 0.0)]
        assert [(rec.date(b), rec.time(b)) for b in range(3)] == list(zip(desc.dates, desc.times))
        assert rec.block_size("W2", 2) == 100 and rec.block_size(0) == 100
        assert not rec.closed
        assert "W1" in repr(rec.traces[0]) and "QV708" in repr(rec)


# One file per sample width (the readers place every trace by its own width),
# each kind of that width a trace; blocks of different sizes in the Block layout.
WIDTHS = {1: ["IS1", "IU1", "B8"], 2: ["IS2", "IU2", "B16"], 4: ["IS4", "IU4", "FS4", "B32"]}
LAYOUTS = [("Trace", "Ltl"), ("Trace", "Big"), ("Block", "Ltl"), ("Block", "Big")]


@pytest.mark.parametrize("width", sorted(WIDTHS))
@pytest.mark.parametrize("layout,endian", LAYOUTS)
def test_raw_and_values_of_every_kind(record_writer, width, layout, endian):
    types = WIDTHS[width]
    traces = [TraceDesc("T%d" % i, v, vres=0.5 * (i + 1), voff=i - 1.0) for i, v in enumerate(types)]
    if layout == "Trace":
        sizes = [[300] * len(types)] * 3
    else:
        sizes = [[300 + 7 * b + t for t in range(len(types))] for b in range(3)]
    desc = RecordDesc(traces, sizes, endian=endian, layout=layout, data_offset=16, seed=width)
    path, samples = record_writer(desc)
    with kivelo.open(path) as rec:
        for t, vtype in enumerate(types):
            stored = np.dtype(TYPES[vtype][1])
            assert rec.traces[t].kind == TYPES[vtype][0] and rec.traces[t].width == width
            for b in range(3):
                raw = rec.raw(t, block=b)
                assert raw.dtype == stored and raw.dtype.isnative
                np.testing.assert_array_equal(raw, samples[b][t])
                np.testing.assert_array_equal(rec.raw(t, b, first=17, count=100), samples[b][t][17:117])
                values = rec.values(t, block=b)
                assert values.dtype == np.float64
                expect = samples[b][t].astype(np.float64) * traces[t].vres + traces[t].voff
                np.testing.assert_array_equal(values, expect)
                np.testing.assert_array_equal(rec.values(t, b, 250), expect[250:])


def test_trace_by_index_label_and_name(record_writer):
    traces = [TraceDesc("alpha", "IS2"), TraceDesc("W1", "IS2"), TraceDesc("gamma", "IS2")]
    path, samples = record_writer(RecordDesc(traces, [[50, 50, 50]]))
    with kivelo.open(path) as rec:
        for arg, t in [(2, 2), ("W3", 2), ("gamma", 2), ("alpha", 0), ("W1", 0), (np.int64(1), 1)]:
            np.testing.assert_array_equal(rec.raw(arg), samples[0][t], err_msg=repr(arg))


def test_times_follow_the_time_base(record_writer):
    desc = RecordDesc([TraceDesc("a", "IS2"), TraceDesc("b", "IS2")], [[40, 40], [40, 40]], hres=1e-3, hoff=-0.02)
    path, _ = record_writer(desc)
    with kivelo.open(path) as rec:
        np.testing.assert_array_equal(rec.times(), np.arange(40) * 1e-3 - 0.02)
        np.testing.assert_array_equal(rec.times(1, first=10, count=5), np.arange(10, 15) * 1e-3 - 0.02)
        assert rec.times(first=40).size == 0


def test_span_edges(record_writer):
    path, samples = record_writer(RecordDesc([TraceDesc("a", "IS2")], [[64]]))
    with kivelo.open(path) as rec:
        assert rec.raw(0, first=64).size == 0 and rec.raw(0, count=0).size == 0
        np.testing.assert_array_equal(rec.raw(0, first=63), samples[0][0][63:])


def _garbage(tmp_path):
    (tmp_path / "g.hdr").write_bytes(b"\x00\xff not a header\r\n" * 10)
    (tmp_path / "g.wvf").write_bytes(b"\0" * 100)
    return str(tmp_path / "g.wvf")


def _header_only(tmp_path, record_writer):
    path, _ = record_writer(RecordDesc([TraceDesc("a", "IS2")], [[10]]))
    os.rename(path[:-3] + "hdr", str(tmp_path / "lonely.hdr"))
    return str(tmp_path / "lonely.wvf")


@pytest.mark.parametrize("make,error,words", [
    (lambda p, w: str(p / "missing.wvf"), FileNotFoundError, "no such file"),
    (lambda p, w: str(p / "missing.fld"), FileNotFoundError, "no such file"),
    (lambda p, w: _garbage(p), OSError, 'g.hdr: no line beginning with "formatversion"'),
    (lambda p, w: _header_only(p, w), FileNotFoundError, "no such file"),
    (lambda p, w: str(p), ValueError, "must end in .wvf, .rtm or .fld"),
], ids=["missing wvf", "missing fld", "garbage header", "data file missing", "unknown ending"])
def test_files_that_cannot_be_opened(tmp_path, record_writer, make, error, words):
    path = make(tmp_path, record_writer)
    with pytest.raises(error) as e:
        kivelo.open(path)
    text = str(e.value)
    assert text.count("Cannot oepn this file.") == 1 and words in text.lower() and path[:-4] in text


@pytest.mark.parametrize("call,words", [
    (lambda r: r.raw("nope"), 'no trace labelled or named "nope"'),
    (lambda r: r.raw("W3"), 'no trace labelled or named "W3"'),
    (lambda r: r.raw(2), "no trace 2"),
    (lambda r: r.raw(-1), "no trace -1"),
    (lambda r: r.raw(0, block=2), "no block 2"),
    (lambda r: r.values(0, block=-1), "no block -1"),
    (lambda r: r.raw(0, first=101), "outside block 0"),
    (lambda r: r.raw(0, first=-1), "outside block 0"),
    (lambda r: r.values(1, first=90, count=11), "outside block 0"),
    (lambda r: r.raw(1, count=-5), "outside block 0"),
    (lambda r: r.raw(0, count=2**62), "outside block 0"),
    (lambda r: r.times(first=101), "outside block 0"),
    (lambda r: r.date(5), "no block 5"),
    (lambda r: r.block_size("x"), "no trace"),
], ids=lambda x: x if isinstance(x, str) else None)
def test_bad_arguments_raise_value_error(record_writer, call, words):
    path, _ = record_writer(RecordDesc([TraceDesc("a", "IS2"), TraceDesc("b", "IU1")], [[100, 100]]))
    with kivelo.open(path) as rec:
        with pytest.raises(ValueError) as e:
            call(rec)
        assert words in str(e.value)


def test_unreadable_type_and_short_file(record_writer):
    path, _ = record_writer(RecordDesc([TraceDesc("a", "IS2"), TraceDesc("b", "XX2")], [[100, 100]]))
    with kivelo.open(path) as rec:
        assert rec.traces[1].kind == "unrecognised"
        with pytest.raises(ValueError, match="cannot be read"):
            rec.raw("b")
    with open(path, "r+b") as f:
        f.truncate(150)
    with pytest.warns(UserWarning, match="holds 150 of the 200 bytes its header describes: W1 has 75 of 100 samples in block 0$"):
        rec = kivelo.open(path)
    with rec:
        assert rec.raw(0, count=75).size == 75
        with pytest.raises(OSError, match="ends before sample 75 of W1"):
            rec.raw(0)


def test_with_block_closes_the_record(record_writer):
    path, samples = record_writer(RecordDesc([TraceDesc("a", "IS2")], [[10]]))
    with kivelo.open(pathlib.Path(path)) as rec:
        np.testing.assert_array_equal(rec.raw(0), samples[0][0])
    assert rec.closed and "closed" in repr(rec)
    assert rec.traces[0].name == "a"  # the description stays
    for call in (lambda: rec.raw(0), lambda: rec.values(0), lambda: rec.block_size(0), lambda: rec.date(0),
                 lambda: rec.times()):
        with pytest.raises(ValueError, match="closed record"):
            call()
    rec.close()  # twice is harmless


def test_threads_share_one_record(record_writer):
    """Reads of different traces and spans from many threads at once each get
    their own samples: the reader's position is not shared between them."""
    traces = [TraceDesc("t%d" % i, "IS4") for i in range(4)]
    path, samples = record_writer(RecordDesc(traces, [[20000] * 4, [20000] * 4]))
    errors = []
    with kivelo.open(path) as rec:
        def work(k):
            rng = np.random.default_rng(k)
            for _ in range(200):
                t, b, first = int(rng.integers(4)), int(rng.integers(2)), int(rng.integers(19000))
                if not np.array_equal(rec.raw(t, b, first, 1000), samples[b][t][first:first + 1000]):
                    errors.append((t, b, first))
        threads = [threading.Thread(target=work, args=(k,)) for k in range(6)]
        for th in threads:
            th.start()
        for th in threads:
            th.join()
    assert not errors


def test_close_while_other_threads_read(record_writer):
    """A close from one thread while others read: each read gives its samples
    whole or raises ValueError; nothing reads a closed file."""
    path, samples = record_writer(RecordDesc([TraceDesc("a", "IS2")], [[200000]]))
    rec = kivelo.open(path)
    outcomes = []

    def work():
        for _ in range(500):
            try:
                ok = np.array_equal(rec.values(0), samples[0][0].astype(np.float64))
                outcomes.append("read" if ok else "wrong")
            except ValueError as e:
                outcomes.append("closed" if "closed record" in str(e) else str(e))
                return

    threads = [threading.Thread(target=work) for _ in range(3)]
    for th in threads:
        th.start()
    deadline = time.monotonic() + 30
    while not outcomes and time.monotonic() < deadline:
        time.sleep(0.001)
    rec.close()
    for th in threads:
        th.join()
    assert set(outcomes) == {"read", "closed"} and outcomes.count("closed") == 3


def _csv_columns(text, traces):
    """The numeric rows of kivelo-cli's CSV as one float64 column per trace."""
    rows = []
    for line in text.splitlines():
        cells = line.rstrip(",").split(",")
        try:
            row = [float(c) for c in cells]
        except ValueError:
            continue
        if len(row) == traces:
            rows.append(row)
    return np.array(rows).T


@pytest.mark.parametrize("kind,args", [
    ("wvf", ["--traces", 3, "--blocks", 2, "--samples", 2000, "--type", "IS2,IU2,B16", "--endian", "Big"]),
    ("wvf", ["--traces", 2, "--samples", 3000, "--type", "FS4", "--format", "Block"]),
    ("wvf", ["--traces", 2, "--samples", 1000, "--type", "B8,IU1", "--signal", "logic"]),
    ("rtm", ["--mask", "0x0B", "--samples", 5000]),
    ("rtm", ["--mask", "0x0F", "--bytes", 4, "--type", "IS4", "--samples", 3000, "--ring", "1,0,0",
             "--ring-start", "4000,0,0", "--endian", "Big"]),
    ("fld", ["--samples", 4001]),
], ids=["wvf big-endian", "wvf float block", "wvf logic", "rtm", "rtm ring big-endian", "fld"])
def test_values_match_the_programs_csv(kivelo_gen, kivelo_cli, tmp_path, kind, args):
    path = kivelo_gen(kind, "gen." + kind, *args)
    with kivelo.open(path) as rec:
        for b in range(rec.blocks):
            out = tmp_path / ("b%d.csv" % b)
            subprocess.run([kivelo_cli, "csv", path, "-o", str(out), "--block", str(b)], check=True,
                           capture_output=True, timeout=60)
            columns = _csv_columns(out.read_text(), len(rec.traces))
            for t in rec.traces:
                values = rec.values(t.index, b)
                assert values.size == rec.block_size(t.index, b) == columns.shape[1]
                np.testing.assert_allclose(values, columns[t.index], rtol=6e-7, atol=1e-30, err_msg=t.label)
                # Any span: the same samples as the whole block's (realtime pairs start at even positions).
                raw = rec.raw(t.index, b)
                for first, count in [(1, 1), (3, 4), (2, 7), (values.size - 3, 3)]:
                    np.testing.assert_array_equal(rec.raw(t.index, b, first, count), raw[first:first + count])


def test_realtime_spans_across_read_pieces(kivelo_gen):
    """Realtime samples come in pairs, read a million at a time: spans that start
    or end inside a pair or a piece give the same samples as the whole record."""
    path = kivelo_gen("rtm", "big.rtm", "--mask", "0x03", "--samples", (1 << 21) + 5, "--signal", "noise")
    with kivelo.open(path) as rec:
        whole = rec.raw("W2")
        assert whole.size == rec.block_size(1) == (1 << 21) + 5
        for first, count in [(1, whole.size - 1), (1 << 20, 3), ((1 << 20) - 1, 2), (5, (1 << 20) + 1),
                             (whole.size - 1, 1), (whole.size - 2, 2)]:
            np.testing.assert_array_equal(rec.raw("W2", 0, first, count), whole[first:first + count])
        np.testing.assert_array_equal(rec.values(1), whole * rec.traces[1].vresolution + rec.traces[1].voffset)


def test_floating_file_gives_its_stored_floats(tmp_path):
    data = np.array([-1.0, 3.0, 0.5, np.nan, 1e-30], dtype=np.float32)
    path = tmp_path / "f.fld"
    path.write_bytes(data.tobytes() + b"\x01\x02")
    with kivelo.open(str(path)) as rec:
        t = rec.traces[0]
        assert (rec.model, rec.blocks, t.label, t.kind, t.width, t.vresolution, t.voffset) == \
            ("QV_FLOAT", 1, "W1", "float", 4, 1.0, 0.0)
        np.testing.assert_array_equal(rec.raw(0), data)
        np.testing.assert_array_equal(rec.values("FLOAT"), data.astype(np.float64))


def test_bad_paths_never_crash():
    """A bad call never takes the interpreter down: a child that provokes every
    kind of failure exits normally."""
    code = ("import kivelo\n"
            "for bad in (None, 3, b'\\xff.wvf', '', '/'):\n"
            "    try: kivelo.open(bad)\n"
            "    except (OSError, ValueError, TypeError): pass\n"
            "print('ok')\n")
    out = subprocess.run([sys.executable, "-c", code], capture_output=True, text=True, timeout=60)
    assert out.returncode == 0 and out.stdout.strip() == "ok", out.stderr


MEASURE_KEYS = ["trace", "name", "unit", "kind", "min", "max", "pp", "mean", "rms", "acrms", "frequency", "period",
                "duty", "rise", "fall", "nan"]


def _measure_or_skip(rec, *args, **kwargs):
    try:
        return rec.measure(*args, **kwargs)
    except RuntimeError as e:
        assert str(e) == "measure needs the analysis library"
        pytest.skip("the module was built without the analysis library")


@pytest.mark.parametrize("block,first,count", [(0, 0, None), (1, 1234, 5000)])
def test_measure_matches_the_cli(kivelo_gen, kivelo_cli, block, first, count):
    path = kivelo_gen("wvf", "m.wvf", "--traces", 2, "--blocks", 2, "--samples", 20000, "--type", "IS2,B16",
                      "--signal", "sine", "--period", 1000, "--hres", 1e-3)
    with kivelo.open(path) as rec:
        got = [_measure_or_skip(rec, t, block, first, count) for t in ("W1", 1)]
        with pytest.raises(ValueError, match="outside block"):
            rec.measure(0, block, 19999, 2)
    assert [list(m) for m in got] == [MEASURE_KEYS] * 2
    assert got[0]["frequency"] == pytest.approx(1.0, rel=1e-6) and got[0]["nan"] == 0
    assert got[1]["kind"] == "logic" and all(got[1][k] is None for k in MEASURE_KEYS[4:-1])
    args = [kivelo_cli, "measure", path, "--json", "--block", str(block), "--first", str(first)]
    if count is not None:
        args += ["--count", str(count)]
    out = subprocess.run(args, capture_output=True, text=True, timeout=60)
    if out.returncode == 2 and "measure" in out.stderr and "unknown" in out.stderr.lower():
        pytest.skip("kivelo-cli has no measure command")
    assert out.returncode == 0, out.stderr
    assert json.loads(out.stdout)["traces"] == got
