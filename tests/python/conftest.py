"""Records for the module's tests: written here from NumPy arrays (so the test
knows every sample), or made by kivelo-gen. The build passes KIVELO_GEN and
KIVELO_CLI; PYTHONPATH names the build's python folder."""
import os
import subprocess
from dataclasses import dataclass, field

import numpy as np
import pytest

# VDataType token -> (kind, NumPy type of the stored samples)
TYPES = {
    "IS1": ("signed", np.int8), "IS2": ("signed", np.int16), "IS4": ("signed", np.int32),
    "IU1": ("unsigned", np.uint8), "IU2": ("unsigned", np.uint16), "IU4": ("unsigned", np.uint32),
    "FS4": ("float", np.float32),
    "B8": ("logic", np.uint8), "B16": ("logic", np.uint16), "B32": ("logic", np.uint32),
    "XX2": ("unrecognised", np.int16),
}


@dataclass
class TraceDesc:
    name: str
    vtype: str
    vres: float = 1.0
    voff: float = 0.0
    unit: str = "V"


@dataclass
class RecordDesc:
    traces: list
    sizes: list                    # sizes[b][t]: samples of trace t in block b
    endian: str = "Ltl"            # "Ltl" or "Big"
    layout: str = "Trace"          # "Trace" or "Block"
    model: str = "QV708"
    hres: float = 1e-3
    hoff: float = 0.0
    hunit: str = "s"
    data_offset: int = 0
    seed: int = 1
    dates: list = field(default_factory=list)
    times: list = field(default_factory=list)


def _real(v):
    return "%.15E" % v


def write_record(path, desc):
    """Writes PATH (.wvf) and its .hdr; returns samples[b][t] as the arrays written."""
    rng = np.random.default_rng(desc.seed)
    blocks, ntr = len(desc.sizes), len(desc.traces)
    samples = []
    for b in range(blocks):
        row = []
        for t, tr in enumerate(desc.traces):
            dtype = np.dtype(TYPES[tr.vtype][1])
            n = desc.sizes[b][t]
            if dtype.kind == "f":
                a = rng.normal(0, 1e3, n).astype(dtype)
            else:
                info = np.iinfo(dtype)
                a = rng.integers(info.min, info.max, n, dtype=dtype, endpoint=True)
            row.append(a)
        samples.append(row)
    order = "<" if desc.endian == "Ltl" else ">"

    def stored(a):
        return a.astype(a.dtype.newbyteorder(order)).tobytes()

    chunks = [b"\0" * desc.data_offset]
    if desc.layout == "Trace":
        chunks += [stored(samples[b][t]) for t in range(ntr) for b in range(blocks)]
    else:
        chunks += [stored(samples[b][t]) for b in range(blocks) for t in range(ntr)]
    with open(path, "wb") as f:
        f.write(b"".join(chunks))

    dates = desc.dates or ["26/12/%02d" % (b + 1) for b in range(blocks)]
    times = desc.times or ["10:00:%02d" % b for b in range(blocks)]

    def row(key, values):
        return key.ljust(20) + " ".join(str(v) for v in values)

    lines = ["//ORVANTIS ASCII FILE FORMAT", "$PublicInfo", row("FormatVersion", ["1.10"]),
             row("Model", [desc.model]), row("Endian", [desc.endian]), row("DataFormat", [desc.layout]),
             row("GroupNumber", [1]), row("TraceTotalNumber", [ntr]), row("DataOffset", [desc.data_offset]),
             "$Group1", row("TraceNumber", [ntr]), row("BlockNumber", [blocks]),
             row("TraceName", [t.name for t in desc.traces])]
    lines += [row("BlockSize", desc.sizes[b]) for b in range(blocks)]
    lines += [row("VResolution", [_real(t.vres) for t in desc.traces]),
              row("VOffset", [_real(t.voff) for t in desc.traces]),
              row("VDataType", [t.vtype for t in desc.traces]),
              row("VUnit", [t.unit for t in desc.traces])]
    for key in ("VPlusOverData", "VMinusOverData", "VIllegalData", "VMaxData", "VMinData"):
        lines.append(row(key, ["0"] * ntr))
    lines += [row("HResolution", [_real(desc.hres)] * ntr), row("HOffset", [_real(desc.hoff)] * ntr),
              row("HUnit", [desc.hunit] * ntr)]
    lines += [row("Date", [d] * ntr) for d in dates]
    lines += [row("Time", [t] * ntr) for t in times]
    lines += ["$PrivateInfo", ""]
    with open(str(path)[:-3] + "hdr", "w", newline="") as f:
        f.write("\r\n".join(lines))
    return samples


@pytest.fixture
def record_writer(tmp_path):
    counter = iter(range(10**6))

    def make(desc):
        path = tmp_path / ("rec%d.wvf" % next(counter))
        return str(path), write_record(path, desc)

    return make


def _tool(var):
    path = os.environ.get(var)
    if not path or not os.access(path, os.X_OK):
        pytest.skip("%s is not set to the built program" % var)
    return path


@pytest.fixture
def kivelo_gen(tmp_path):
    gen = _tool("KIVELO_GEN")

    def run(kind, name, *args):
        out = str(tmp_path / name)
        subprocess.run([gen, kind, out, *map(str, args)], check=True, capture_output=True, timeout=60)
        return out

    return run


@pytest.fixture
def kivelo_cli():
    return _tool("KIVELO_CLI")
