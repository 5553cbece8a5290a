"""Reference model of the waveform files, the CSV writer, `info` and the realtime conversion.

Written independently of the C++ readers: it reads a .hdr/.wvf, .rtm or .fld file the
way the file formats are defined and produces the exact bytes that `kivelo-cli csv`,
`info` and `convert` must write. Standard library only.
"""

import datetime
import fractions
import math
import os
import re
import struct

TEXT_MAX = 19          # text fields hold 19 characters and a terminator
MAX_LINES = 10000      # lines read per key search / copied by the header rewrite
CSV_CHUNK = 100        # samples fetched per trace per CSV chunk
CONVERT_CHUNK = 65536  # samples per realtime read of the conversion
KIND_SIGNED, KIND_FLOAT, KIND_BIT, KIND_UNSIGNED, KIND_UNKNOWN = range(5)
KIND_NAMES = ('signed', 'float', 'bit', 'unsigned', 'unrecognised')
DIVISORS = (1, 100, 1000)


class OpenError(Exception):
    """The file cannot be opened (no header, bad header, no data file)."""


class ShortRead(Exception):
    """Fewer samples than asked: the program refuses to write such a CSV."""

# ---------------------------------------------------------------- number texts


def crt(fmt, v):
    """printf of one number with the exponent widened to three digits ("1E-005")."""
    m = re.match(r'^(.*[eE][+-])(\d+)$', fmt % v)
    return m.group(1) + m.group(2).rjust(3, '0') if m else fmt % v


def value_text(v):
    """A physical value with 7 significant digits (the sample text of CSV rows)."""
    if math.isnan(v):
        return 'nan'
    if math.isinf(v):
        return '-inf' if v < 0 else 'inf'
    sign = '-' if math.copysign(1.0, v) < 0 else ''
    mant, exp = ('%.6e' % abs(v)).split('e')
    e = int(exp)
    if e < -1 or e > 6:
        return sign + mant.rstrip('0') + 'e' + exp[0] + exp[1:].rjust(3, '0')  # the point stays
    fixed = '%.*f' % (6 - e, abs(v))
    return sign + (fixed.rstrip('0') if '.' in fixed else fixed)

# ---------------------------------------------------------------- header reader


def parse_int(token):
    """Optional sign and leading digits, 0 if none."""
    m = re.match(r'[+-]?\d+', token)
    return int(m.group(0)) if m else 0


def parse_real(token):
    """The token's leading decimal number, 0 if none."""
    m = re.match(r'[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?', token)
    return float(m.group(0)) if m else 0.0


def data_type(token):
    """(width, kind) of a VDataType token."""
    if token.startswith('B'):
        return (parse_int(token[1:]) + 7) // 8, KIND_BIT
    if token.startswith('I'):
        return parse_int(token[2:]), KIND_UNSIGNED if token[1:2] == 'U' else KIND_SIGNED
    if token.startswith('F'):
        return parse_int(token[2:]), KIND_FLOAT
    return 0, KIND_UNKNOWN


class Lines:
    """Forward-only reader of text lines (CR LF or LF) with the key search."""

    def __init__(self, data):
        parts = data.decode('latin-1').split('\n')
        if parts[-1] == '':
            parts.pop()
        self.lines = [p[:-1] if p.endswith('\r') else p for p in parts]
        self.pos, self.line = 0, ''

    def next(self):
        self.line = self.lines[self.pos] if self.pos < len(self.lines) else ''
        self.pos += 1
        return self.pos <= len(self.lines)

    def find(self, key):
        for _ in range(MAX_LINES):
            if not self.next():
                return False
            if self.line.startswith(key):
                return True
        return False

    def values(self):
        return [t for t in self.line.split(' ') if t][1:]

    def row(self, key, n, conv, search=True):
        """n converted values of the line found by key (of the current line)."""
        need((not search or self.find(key)) and self.line.startswith(key))
        vals = self.values()
        need(len(vals) >= n)
        return [conv(v) for v in vals[:n]]


def need(cond):
    if not cond:
        raise OpenError('header')


def text(v):
    return v[:TEXT_MAX]


class Record:
    pass


def parse_header(data):
    """Parses header bytes; raises OpenError where the reader fails."""
    r = Lines(data)
    h = Record()
    for key in ('FormatVersion', 'Model', 'Endian', 'DataFormat'):
        setattr(h, key, r.row(key, 1, text)[0])
    h.group_number, h.trace_total, h.data_offset = (
        r.row(k, 1, parse_int)[0] for k in ('GroupNumber', 'TraceTotalNumber', 'DataOffset'))
    need(h.group_number >= 1 and h.trace_total >= 1 and h.data_offset >= 0)
    shared_stamps = h.Model.startswith(('QV31', 'QV6'))
    h.groups = []
    for _ in range(h.group_number):
        g = Record()
        need(r.find('$Group'))
        g.n, g.b = r.row('TraceNumber', 1, parse_int)[0], r.row('BlockNumber', 1, parse_int)[0]
        need(g.n >= 1 and g.b >= 1)
        g.names = r.row('TraceName', g.n, text)
        g.sizes = []                         # sizes[block][trace]
        r.next()
        while len(g.sizes) < g.b and r.line.startswith('BlockSize'):
            g.sizes.append(r.row('BlockSize', g.n, parse_int, search=False))
            r.next()
        need(g.sizes)
        if len(g.sizes) < g.b:
            g.sizes = [g.sizes[0]] * g.b
        g.vres = r.row('VResolution', g.n, parse_real, search=False)
        g.voff = r.row('VOffset', g.n, parse_real)
        g.width, g.kind = zip(*(data_type(t) for t in r.row('VDataType', g.n, str)))
        g.vunit = r.row('VUnit', g.n, text)
        for key in ('VPlusOverData', 'VMinusOverData', 'VIllegalData', 'VMaxData', 'VMinData'):
            r.row(key, g.n, parse_real)
        g.hres, g.hoff = r.row('HResolution', g.n, parse_real), r.row('HOffset', g.n, parse_real)
        g.hunit = r.row('HUnit', g.n, text)
        if shared_stamps:
            # The first value not beginning with "?", for every block.
            for key in ('date', 'time'):
                need(r.find(key.capitalize()))
                setattr(g, key, [next((text(v) for v in r.values() if v[0] != '?'), '')] * g.b)
        else:
            for key in ('date', 'time'):
                stamps = [''] * g.b
                for b in range(g.b):
                    if not r.find(key.capitalize()):
                        break
                    stamps[b] = text((r.values() or [''])[0])
                setattr(g, key, stamps)
        h.groups.append(g)
    need(sum(g.n for g in h.groups) == h.trace_total)
    if r.find('ModelVersion'):
        r.find('InputModule')
    h.private = {}
    for key in ('AcqDataOffset', 'PPDataOffset', 'DspDataOffset', 'AcqDataSize',
                'PPDataSize', 'DspDataSize', 'DspChAttr'):
        if not r.find(key):
            break
        h.private[key] = parse_int((r.values() or ['0'])[0])
    h.private_valid = len(h.private) == 7
    if h.Model.startswith('QV6'):
        for g in h.groups:
            keep = [k != KIND_UNKNOWN for k in g.kind]
            pick = lambda seq: [x for x, k in zip(seq, keep) if k]
            for attr in ('names', 'vres', 'voff', 'width', 'kind', 'vunit', 'hres', 'hoff', 'hunit'):
                setattr(g, attr, pick(getattr(g, attr)))
            g.sizes = [pick(row) for row in g.sizes]
            h.trace_total -= g.n - len(g.names)
            g.n = len(g.names)
    return h


def load_header(path):
    """(header path, Header) for a data path, or None when no header is loaded."""
    i = path.find('rtm')
    i = path.find('wvf') if i < 0 else i   # the first "rtm", else "wvf", of the whole path
    name = path[:i] + 'hdr' if i >= 0 else None
    if name is None or not os.path.isfile(name):
        # Beside the data file under its own name: upper-case media names keep their
        # case, and a folder named like "wvf" must not hide the header.
        if path[-4:] not in ('.wvf', '.rtm', '.WVF', '.RTM'):
            return None
        name = path[:-3] + ('HDR' if path[-3:].isupper() else 'hdr')
        if not os.path.isfile(name):
            return None
    with open(name, 'rb') as f:
        try:
            return name, parse_header(f.read())
        except OpenError:
            return None

# ---------------------------------------------------------------- waveform model


class WaveFile:
    """An open .wvf file: traces x blocks of raw samples with their scaling."""

    def __init__(self, path):
        found = load_header(path)
        if found is None and len(path) >= 8:
            found = load_header(path[:-8] + path[-4:])   # wave0001.wvf -> wave.wvf
        if found is None or not os.path.isfile(path):
            raise OpenError(path)
        self.header_path, h = found
        self.header = h
        with open(path, 'rb') as f:
            self.data = f.read()
        self.traces = []
        for g in h.groups:
            for t in range(g.n):
                tr = Record()
                tr.name, tr.unit, tr.vres, tr.voff = g.names[t], g.vunit[t], g.vres[t], g.voff[t]
                tr.width, tr.kind = g.width[t], g.kind[t]
                tr.sizes = [g.sizes[b][t] for b in range(g.b)]
                self.traces.append(tr)
        g0 = h.groups[0]
        self.model = h.Model
        self.hres, self.hoff, self.hunit = g0.hres[0], g0.hoff[0], g0.hunit[0]
        self.blocks = g0.b
        self.stamps = list(zip(g0.date, g0.time))
        self.little = h.Endian == 'Ltl'

    def block_size(self, t, b):
        return self.traces[t].sizes[b]

    def _byte_offset(self, t, b, p):
        w, n = self.traces[t].width, self.traces[t].sizes[b]
        if self.header.DataFormat == 'Trace':
            # Every earlier trace is taken to have this trace's width and size.
            p += t * (w * self.blocks * n) + b * (n * w)
        elif self.header.DataFormat == 'Block':
            before = sum(x.sizes[k] for k in range(b) for x in self.traces)
            p += w * (before + sum(x.sizes[b] for x in self.traces[:t]))
        return self.header.data_offset + p

    def raw_samples(self, t, b, p, count, swap=True):
        """Up to count stored samples (bytes of the trace's width) from sample p."""
        w = self.traces[t].width
        off = self._byte_offset(t, b, p * w)
        return split(self.data[off:off + count * w], w, swap and not self.little)

    def texts(self, t, b, p, count):
        tr = self.traces[t]
        out = []
        for s in self.raw_samples(t, b, p, count):
            if tr.kind == KIND_FLOAT and tr.width == 4:
                raw = struct.unpack('<f', s)[0]
            else:
                raw = int.from_bytes(s, 'little', signed=tr.kind not in (KIND_BIT, KIND_UNSIGNED))
            out.append(value_text(raw * tr.vres + tr.voff))
        return out


def split(chunk, w, reverse):
    """Samples of w bytes, little-endian afterwards."""
    out = [chunk[i:i + w] for i in range(0, len(chunk) - w + 1, w)]
    return [s[::-1] for s in out] if reverse else out

# ---------------------------------------------------------------- realtime file


def popcount(x):
    return bin(x & 0xFFFFFFFF).count('1')


def frame_set(dspchattr, mask):
    """The channels of a frame: DspChAttr widened to a power-of-two count, else the
    channel word's channels 0..7 (five or more: all eight; three: a fourth added)."""
    if dspchattr is not None:
        f = dspchattr & 0xFFFFFFFF
        for bit in range(32):
            if popcount(f) in (1, 2, 4, 8, 16, 32):
                break
            f |= 1 << bit
        return f
    f = mask & 0xFF
    if popcount(f) > 4:
        return 0xFF
    if popcount(f) == 3:
        return f | next(1 << b for b in (0, 4, 2, 6) if not f & (1 << b))
    return f


class RtmFile(WaveFile):
    """An open .rtm file: frames of interleaved channel pairs in three regions."""

    def __init__(self, path):
        super().__init__(path)
        h, size = self.header, len(self.data)
        e = '<' if self.little else '>'
        dsp = h.private['DspChAttr'] if h.private_valid else None
        if dsp is not None:
            self.mask = dsp & 0xFFFFFFFF
        else:
            word = struct.unpack(e + 'H', self.data[size - 1974:size - 1972])[0]
            self.mask = sum(1 << k for k in range(16) if word & (1 << (15 - k)))
        self.frame = frame_set(dsp, self.mask)
        tr = self.data[size - 28:]
        self.channels, _, self.sample_bytes, _ = struct.unpack(e + '4H', tr[0:8])
        self.ring_flag = struct.unpack(e + '3H', tr[8:14])
        self.ring_start = struct.unpack(e + '3I', tr[16:28])
        self.region_size = [h.private.get(k, 0) for k in ('AcqDataSize', 'PPDataSize', 'DspDataSize')]
        self.region_base = [0, self.region_size[0], sum(self.region_size[:2])]

    def frame_slot(self, t):
        bits = [i for i in range(32) if self.mask & (1 << i)]
        c = bits[t] if t < len(bits) else len(bits)
        return popcount(self.frame & ((2 << c) - 1)) - 1

    def block_size(self, t, b, region=0):
        return self.traces[t].sizes[b] // DIVISORS[region]

    def _region_read(self, region, logical, count):
        size, base = self.region_size[region], self.region_base[region]
        count = max(min(count, size - logical), 0)   # never the next region's bytes
        if self.ring_flag[region] != 1:
            return self.data[base + logical:base + logical + count]
        p = logical + self.ring_start[region]
        p -= size if p >= size else 0
        if p + count <= size:
            return self.data[base + p:base + p + count]
        return self.data[base + p:base + size] + self.data[base:base + count - (size - p)]

    def raw_samples(self, t, b, p, count, swap=True, region=0):
        count -= count % 2
        c, s, w = self.channels, self.sample_bytes, self.traces[t].width
        # The newest samples end the region; reads start on whole frame pairs.
        logical = c * s * p + max(self.region_size[region] - c * s * self.block_size(t, b, region), 0)
        logical -= logical % (2 * c * s)
        frames = self._region_read(region, logical, c * s * count)
        slot, frame = self.frame_slot(t), 2 * c * w
        out = b''.join(frames[i * frame + slot * 2 * w:i * frame + (slot + 1) * 2 * w]
                       for i in range(len(frames) // frame))
        return split(out, w, swap and not self.little)

    def texts(self, t, b, p, count):
        # The CSV writer reads an odd count one longer, as reads deliver whole pairs.
        return super().texts(t, b, p, count + count % 2)[:count]

    def converted_trace(self, t, region):
        """The stored bytes a conversion writes for trace t (odd lengths padded)."""
        n, w = self.block_size(t, 0, region), self.traces[t].width
        out, last = b'', b'\0' * w
        for pos in range(0, n, CONVERT_CHUNK):
            k = min(CONVERT_CHUNK, n - pos)
            got = self.raw_samples(t, 0, pos, k, swap=False, region=region)
            if len(got) < k - k % 2:
                raise ShortRead('realtime file ends inside trace %d' % (t + 1))
            out += b''.join(got)
            last = got[-1] if got else last
            if k % 2:
                # The pair-wise read leaves the last sample of an odd length out; its
                # neighbour stands in so every later trace stays where BlockSize says.
                out += last
        return out

# ---------------------------------------------------------------- floating file


def f32(x):
    """x rounded to single precision (infinite beyond its range)."""
    try:
        return struct.unpack('<f', struct.pack('<f', x))[0]
    except OverflowError:
        return math.copysign(math.inf, x)


class FldFile:
    """An open .fld file: bare little-endian 32-bit floats, one trace, one block."""

    def __init__(self, path):
        if not os.path.isfile(path):
            raise OpenError(path)
        with open(path, 'rb') as f:
            data = f.read()
        self.values = list(struct.unpack('<%df' % (len(data) // 4), data[:len(data) // 4 * 4]))
        mx = mn = self.values[0] if self.values else 0.0
        for v in self.values[1:]:
            if v > mx:
                mx = v
            elif v < mn:
                mn = v
        self.top, self.bottom = choose_scale(mx, mn)
        tr = Record()
        tr.name, tr.unit, tr.kind, tr.width = 'FLOAT', '', KIND_SIGNED, 2
        tr.vres, tr.voff = (self.top - self.bottom) * 1.5625e-5, (self.top + self.bottom) * 0.5
        self.traces = [tr]
        self.model, self.hres, self.hoff, self.hunit, self.blocks = 'QV_FLOAT', 1.0, 0.0, '', 1
        t = datetime.datetime.fromtimestamp(int(os.stat(path).st_mtime))
        self.stamps = [('%02d/%02d/%02d' % (t.year % 100, t.month, t.day),
                        '%02d:%02d:%02d' % (t.hour, t.minute, t.second))]

    def block_size(self, t, b):
        return len(self.values)

    def texts(self, t, b, p, count):
        return [value_text(v) for v in self.values[p:p + count]]


def _around(c, step):
    """(top, bottom) of 10 divisions of step around c rounded to a multiple of step."""
    centre = 0.0
    if c != 0:
        q = fractions.Fraction(c) / fractions.Fraction(step)
        if abs(q) >= 100000:
            centre = c
        else:
            half = fractions.Fraction(1, 2)
            centre = f32(f32(float(math.trunc(q + half if c > 0 else q - half))) * step)
    half = f32(5.0 * step)
    return f32(centre + half), f32(centre - half)


def choose_scale(mx, mn):
    """(top, bottom) of the display range of 10 divisions, in single precision."""
    c = f32(f32(mx + mn) * 0.5)
    if f32(mx - mn) < f32(1e-30):
        if c == 0:
            return 5.0, -5.0
        k = math.trunc(f32(math.log10(abs(c)))) - 4
        u = f32(1e30 if k > 30 else 1e-30 if k < -30 else 10.0 ** k)
        return f32(c + f32(5.0 * u)), f32(c - f32(5.0 * u))
    a, e = f32(f32(mx - mn) / f32(9.0)), 0
    while a <= f32(0.001):
        a, e = f32(a * 1000.0), e - 3
    while a >= 1000.0:
        a, e = f32(a * f32(0.001)), e + 3
    while a < 1.0:
        a, e = f32(a * 10.0), e - 1
    while a >= 10.0:
        a, e = f32(a * f32(0.1)), e + 1
    p = f32(10.0 ** e)
    step, two = ((p, False) if a <= 1.0 else (f32(2.0 * p), True) if a <= 2.0 else
                 (f32(5.0 * p), False) if a <= 5.0 else (f32(10.0 ** (e + 1)), False))
    top, bottom = _around(c, step)
    if top > mx and bottom < mn:
        return top, bottom
    # The wider tries keep the centre on a multiple of the widened step.
    second = f32(step * (2.5 if two else 2.0))
    top, bottom = _around(c, second)
    if top >= mx and bottom <= mn:
        return top, bottom
    return _around(c, f32(second * (2.0 if two else 2.5)))


def open_file(path):
    """The reader named by the path's last three characters, letter case ignored."""
    reader = {'wvf': WaveFile, 'rtm': RtmFile, 'fld': FldFile}.get(path[-3:].lower())
    if reader is None:
        raise OpenError(path)
    return reader(path)

# ---------------------------------------------------------------- outputs


def _quoted(s):
    return '"' + s.replace('"', '""') + '"'


def csv_bytes(f, first, count, block):
    """The CSV of samples first..first+count-1 of every trace of one block."""
    traces = range(len(f.traces))
    if count and any(f.block_size(t, block) < first + count for t in traces):
        # Reads are not cut at a block's end; the program refuses such a range
        # rather than write other data as samples of this block.
        raise ShortRead('a trace has fewer samples')
    date, time = f.stamps[block]
    text = ''.join(s + '\n' for s in [
        '"Model",' + _quoted(f.model), '"BlockNumber",%d' % (block + 1),
        '"TraceName"' + ''.join(',' + _quoted(t.name) for t in f.traces),
        '"BlockSize",%d' % count,
        '"VUnit"' + ''.join(',' + _quoted(t.unit) for t in f.traces),
        '"HResolution",' + crt('%G', f.hres), '"HOffset",' + crt('%G', f.hoff + first * f.hres),
        '"HUnit",' + _quoted(f.hunit), '"Date",' + _quoted(date), '"Time",' + _quoted(time), ''])
    for start in range(first, first + count, CSV_CHUNK):
        k = min(CSV_CHUNK, first + count - start)
        columns = [f.texts(t, block, start, k) for t in traces]
        if any(len(col) < k for col in columns):
            raise ShortRead('a trace ends before sample %d' % (start + k))
        text += ''.join(''.join(col[r] + ',' for col in columns) + '\n' for r in range(k))
    return text.encode('latin-1')


def info_text(f, path):
    """The whole output of `kivelo-cli info path`."""
    g = lambda v: crt('%.10G', v)
    out = ['File         ' + path, 'Model        ' + f.model, 'Traces       %d' % len(f.traces)]
    out += ['  W%-3d name "%s"  unit "%s"  kind %s  width %d  VResolution %s  VOffset %s' %
            (i + 1, t.name, t.unit, KIND_NAMES[t.kind], t.width, g(t.vres), g(t.voff))
            for i, t in enumerate(f.traces)]
    out.append('Blocks       %d' % f.blocks)
    out += ['  block %-4d date "%s"  time "%s"  sizes%s' %
            (b, f.stamps[b][0], f.stamps[b][1],
             ''.join(' %d' % f.block_size(t, b) for t in range(len(f.traces))))
            for b in range(f.blocks)]
    out += ['HResolution  ' + g(f.hres), 'HOffset      ' + g(f.hoff), 'HUnit        ' + f.hunit]
    return ''.join(s + '\n' for s in out).encode('latin-1')


def _div(a, d):
    """Integer division truncated toward zero."""
    return -(abs(a) // d) if a < 0 else a // d


def converted_header(source_bytes, d):
    """The rewritten header (CR LF lines, cut at $ApplicationInfo), None past the line limit."""
    out = []
    for k, line in enumerate(Lines(source_bytes).lines):
        if k == MAX_LINES:
            return None
        if line.startswith('$ApplicationInfo'):
            break
        words = [w for w in line.split(' ') if w][1:]
        if line.startswith('BlockSize'):
            line = 'BlockSize' + ''.join(('         ' if i == 0 else '  ') + '%d' % _div(parse_int(w), d)
                                         for i, w in enumerate(words))
        elif line.startswith('HResolution'):
            line = 'HResolution' + ''.join(('       ' if i == 0 else ' ') + crt('%1.7E', parse_real(w) * d)
                                           for i, w in enumerate(words))
        elif line.startswith('DisplayBlockSize'):
            line = 'DisplayBlockSize' + ''.join('  %d' % _div(parse_int(w), d) for w in words)
        out.append(line + '\r\n')
    return ''.join(out).encode('latin-1')


def converted_header_path(data_path):
    """The data path cut before the last lower-case w of its file name, plus "hdr"."""
    w = data_path.rfind('w')
    return data_path[:w] + 'hdr' if w > data_path.rfind('/') else None


def convert_outputs(rtm_path, mode):
    """(data bytes, header bytes) of converting a realtime file in mode 0, 1 or 2."""
    f = RtmFile(rtm_path)
    data = b''.join(f.converted_trace(t, mode) for t in range(len(f.traces)))
    with open(f.header_path, 'rb') as src:
        return data, converted_header(src.read(), DIVISORS[mode])
