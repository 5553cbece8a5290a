"""Reference model of the waveform files, the CSV writer and the realtime conversion.

Written independently of the C++ readers: it reads a .hdr/.wvf, .rtm or .fld file the
way the file formats are defined and produces the exact bytes that `kivelo-cli csv`
and `kivelo-cli convert` must write. Standard library only.
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

KIND_SIGNED, KIND_FLOAT, KIND_BIT, KIND_UNSIGNED, KIND_UNKNOWN = 0, 1, 2, 3, 4
DIVISORS = (1, 100, 1000)


class OpenError(Exception):
    """The file cannot be opened (no header, bad header, no data file)."""


class ShortRead(Exception):
    """Fewer samples than asked: the program refuses to write such a CSV."""


# ---------------------------------------------------------------- number texts

def _widen_exponent(text):
    """printf's 2-digit exponent -> the 3-digit form ("1e-05" -> "1e-005")."""
    m = re.match(r'^(.*[eE][+-])(\d+)$', text)
    if not m:
        return text
    return m.group(1) + m.group(2).rjust(3, '0')


def value_text(v):
    """A physical value with 7 significant digits (the sample text of CSV rows)."""
    if math.isnan(v):
        return 'nan'                       # no rule covers these: the program's choice
    if math.isinf(v):
        return '-inf' if v < 0 else 'inf'
    sign = '-' if math.copysign(1.0, v) < 0 else ''
    a = abs(v)
    sci = '%.6e' % a
    e = int(sci.split('e')[1])
    if e < -1 or e > 6:
        mant, exp = sci.split('e')
        mant = mant.rstrip('0')            # the point stays
        return sign + mant + 'e' + exp[0] + exp[1:].rjust(3, '0')
    fixed = '%.*f' % (6 - e, a)
    if '.' in fixed:
        fixed = fixed.rstrip('0')          # the point stays
    return sign + fixed


def g_text(v):
    """printf "%G" with a three-digit exponent."""
    return _widen_exponent('%G' % v)


def e7_text(v):
    """printf "%1.7E" with a three-digit exponent."""
    return _widen_exponent('%1.7E' % v)


# ---------------------------------------------------------------- header values

_REAL = re.compile(r'[+-]?(?:\d+\.?\d*|\.\d+)(?:[eE][+-]?\d+)?')
_INT = re.compile(r'[+-]?\d+')


def parse_int(token):
    """Decimal integer conversion: optional sign and leading digits, 0 if none."""
    m = _INT.match(token)
    return int(m.group(0)) if m else 0


def parse_real(token):
    """Decimal floating-point conversion of the token's leading number, 0 if none."""
    m = _REAL.match(token)
    return float(m.group(0)) if m else 0.0


def data_type(token):
    """(width, kind) of a VDataType token."""
    if token.startswith('B'):
        bits = parse_int(token[1:])
        return (bits + 7) // 8, KIND_BIT
    if token.startswith('I'):
        kind = KIND_UNSIGNED if token[1:2] == 'U' else KIND_SIGNED
        return parse_int(token[2:]), kind
    if token.startswith('F'):
        return parse_int(token[2:]), KIND_FLOAT
    return 0, KIND_UNKNOWN


# ---------------------------------------------------------------- header reader

class _Lines:
    """Forward-only reader of text lines (CR LF or LF), with the key search."""

    def __init__(self, data):
        text = data.decode('latin-1')
        parts = text.split('\n')
        if parts and parts[-1] == '':
            parts.pop()
        self.lines = [p[:-1] if p.endswith('\r') else p for p in parts]
        self.pos = 0
        self.line = ''

    def next(self):
        if self.pos >= len(self.lines):
            self.line = ''
            return False
        self.line = self.lines[self.pos]
        self.pos += 1
        return True

    def find(self, key):
        for _ in range(MAX_LINES):
            if not self.next():
                return False
            if self.line.startswith(key):
                return True
        return False

    def values(self):
        return [t for t in self.line.split(' ') if t][1:]


class Group:
    pass


class Header:
    pass


def _need(cond):
    if not cond:
        raise OpenError('header')


def _first(r, key):
    _need(r.find(key))
    vals = r.values()
    _need(vals)
    return vals[0]


def _row(r, key, n, conv):
    _need(r.find(key))
    vals = r.values()
    _need(len(vals) >= n)
    return [conv(v) for v in vals[:n]]


def _text(v):
    return v[:TEXT_MAX]


def parse_header(data):
    """Parses header bytes; raises OpenError where the reader fails."""
    r = _Lines(data)
    h = Header()
    h.format_version = _text(_first(r, 'FormatVersion'))
    h.model = _text(_first(r, 'Model'))
    h.endian = _text(_first(r, 'Endian'))
    h.data_format = _text(_first(r, 'DataFormat'))
    h.group_number = parse_int(_first(r, 'GroupNumber'))
    h.trace_total = parse_int(_first(r, 'TraceTotalNumber'))
    h.data_offset = parse_int(_first(r, 'DataOffset'))
    _need(h.group_number >= 1 and h.trace_total >= 1 and h.data_offset >= 0)
    shared_stamps = h.model.startswith('QV31') or h.model.startswith('QV6')
    h.groups = []
    for _ in range(h.group_number):
        g = Group()
        _need(r.find('$Group'))
        g.n = parse_int(_first(r, 'TraceNumber'))
        g.b = parse_int(_first(r, 'BlockNumber'))
        _need(g.n >= 1 and g.b >= 1)
        g.names = _row(r, 'TraceName', g.n, _text)
        rows = []
        r.next()
        while len(rows) < g.b and r.line.startswith('BlockSize'):
            vals = r.values()
            _need(len(vals) >= g.n)
            rows.append([parse_int(v) for v in vals[:g.n]])
            r.next()
        _need(rows)
        if len(rows) < g.b:
            rows = [rows[0]] * g.b
        g.sizes = rows                       # sizes[block][trace]
        _need(r.line.startswith('VResolution'))
        vals = r.values()
        _need(len(vals) >= g.n)
        g.vres = [parse_real(v) for v in vals[:g.n]]
        g.voff = _row(r, 'VOffset', g.n, parse_real)
        types = _row(r, 'VDataType', g.n, str)
        g.width = [data_type(t)[0] for t in types]
        g.kind = [data_type(t)[1] for t in types]
        g.vunit = _row(r, 'VUnit', g.n, _text)
        for key in ('VPlusOverData', 'VMinusOverData', 'VIllegalData', 'VMaxData',
                    'VMinData'):
            _row(r, key, g.n, parse_real)
        g.hres = _row(r, 'HResolution', g.n, parse_real)
        g.hoff = _row(r, 'HOffset', g.n, parse_real)
        g.hunit = _row(r, 'HUnit', g.n, _text)
        if shared_stamps:
            g.date = [_shared_stamp(r, 'Date')] * g.b
            g.time = [_shared_stamp(r, 'Time')] * g.b
        else:
            g.date = _stamp_per_block(r, 'Date', g.b)
            g.time = _stamp_per_block(r, 'Time', g.b)
        h.groups.append(g)
    _need(sum(g.n for g in h.groups) == h.trace_total)

    h.model_version = '???'
    if r.find('ModelVersion'):
        vals = r.values()
        if vals:
            h.model_version = _text(vals[0])
        r.find('InputModule')
    h.private = {}
    h.private_valid = False
    for key in ('AcqDataOffset', 'PPDataOffset', 'DspDataOffset', 'AcqDataSize',
                'PPDataSize', 'DspDataSize', 'DspChAttr'):
        if not r.find(key):
            break
        vals = r.values()
        h.private[key] = parse_int(vals[0]) if vals else 0
    else:
        h.private_valid = True

    if h.model.startswith('QV6'):
        for g in h.groups:
            keep = [k != KIND_UNKNOWN for k in g.kind]
            pick = lambda seq: [x for x, k in zip(seq, keep) if k]
            removed = keep.count(False)
            for attr in ('names', 'vres', 'voff', 'width', 'kind', 'vunit', 'hres', 'hoff',
                         'hunit'):
                setattr(g, attr, pick(getattr(g, attr)))
            g.sizes = [pick(row) for row in g.sizes]
            g.n -= removed
            h.trace_total -= removed
    return h


def _shared_stamp(r, key):
    _need(r.find(key))
    for v in r.values():
        if not v.startswith('?'):
            return _text(v)
    return ''


def _stamp_per_block(r, key, blocks):
    out = [''] * blocks
    for b in range(blocks):
        if not r.find(key):
            break
        vals = r.values()
        if vals:
            out[b] = _text(vals[0])
    return out


def header_name(path):
    """First "rtm", else first "wvf" of the whole path, replaced by "hdr"."""
    i = path.find('rtm')
    if i < 0:
        i = path.find('wvf')
    if i < 0:
        return None
    return path[:i] + 'hdr'


def _load_header(path):
    """(header path, Header) for a data path, or None when no header is loaded."""
    name = header_name(path)
    if name is None or not os.path.isfile(name):
        # The header under the data file's own name: instrument media hold upper-case
        # names (WAVE.WVF beside WAVE.HDR), and a folder named like "wvf" must not
        # hide the header beside the file.
        upper = path.endswith('.WVF') or path.endswith('.RTM')
        if not upper and not (path.endswith('.wvf') or path.endswith('.rtm')):
            return None
        name = path[:-3] + ('HDR' if upper else 'hdr')
        if not os.path.isfile(name):
            return None
    with open(name, 'rb') as f:
        data = f.read()
    try:
        return name, parse_header(data)
    except OpenError:
        return None


# ---------------------------------------------------------------- waveform model

class Trace:
    pass


class WaveFile:
    """An open .wvf file: traces x blocks of raw samples with their scaling."""

    model_name = None

    def __init__(self, path):
        found = _load_header(path)
        if found is None and len(path) >= 8:
            # wave0001.wvf -> wave.wvf
            found = _load_header(path[:-8] + path[-4:])
        if found is None:
            raise OpenError('no header for ' + path)
        self.header_path, self.header = found
        if not os.path.isfile(path):
            raise OpenError('no data file ' + path)
        with open(path, 'rb') as f:
            self.data = f.read()
        h = self.header
        self.traces = []
        for g in h.groups:
            for t in range(g.n):
                tr = Trace()
                tr.name, tr.unit = g.names[t], g.vunit[t]
                tr.vres, tr.voff = g.vres[t], g.voff[t]
                tr.width, tr.kind = g.width[t], g.kind[t]
                tr.sizes = [g.sizes[b][t] for b in range(g.b)]
                self.traces.append(tr)
        g0 = h.groups[0]
        self.hres, self.hoff, self.hunit = g0.hres[0], g0.hoff[0], g0.hunit[0]
        self.blocks = g0.b
        self.little = h.endian == 'Ltl'

    # -- common interface used by the CSV writer
    def model(self):
        return self.header.model

    def date_time(self, block):
        g0 = self.header.groups[0]
        return g0.date[block], g0.time[block]

    def block_size(self, t, b):
        return self.traces[t].sizes[b]

    def _byte_offset(self, t, b, p):
        tr = self.traces[t]
        w, n = tr.width, tr.sizes[b]
        fmt = self.header.data_format
        if fmt == 'Trace':
            base = p + t * (w * self.blocks * n) + b * (n * w)
        elif fmt == 'Block':
            before = sum(sum(x.sizes[k] for x in self.traces) for k in range(b))
            before += sum(self.traces[k].sizes[b] for k in range(t))
            base = p + w * before
        else:
            base = p
        return self.header.data_offset + base

    def raw_samples(self, t, b, p, count, swap=True):
        """Up to count stored samples (bytes of the trace's width) from sample p."""
        w = self.traces[t].width
        off = self._byte_offset(t, b, p * w)
        chunk = self.data[off:off + count * w] if off >= 0 else b''
        return _split(chunk, w, swap and not self.little)

    def texts(self, t, b, p, count):
        return [value_text(_value(self.traces[t], s)) for s in self.raw_samples(t, b, p, count)]

    def trace_count(self):
        return len(self.traces)


def _split(chunk, w, reverse):
    out = [chunk[i:i + w] for i in range(0, len(chunk) - w + 1, w)]
    return [s[::-1] for s in out] if reverse else out


def _value(tr, sample_le):
    """Physical value of one little-endian sample of trace tr."""
    w = tr.width
    if tr.kind == KIND_FLOAT and w == 4:
        raw = struct.unpack('<f', sample_le)[0]
    else:
        signed = tr.kind not in (KIND_BIT, KIND_UNSIGNED)
        raw = int.from_bytes(sample_le, 'little', signed=signed)
    return raw * tr.vres + tr.voff


# ---------------------------------------------------------------- realtime file

def _popcount(x):
    return bin(x & 0xFFFFFFFF).count('1')


class RtmFile(WaveFile):
    """An open .rtm file: frames of interleaved channel pairs in three regions."""

    def __init__(self, path):
        super().__init__(path)
        h = self.header
        size = len(self.data)
        e = '<' if self.little else '>'
        if h.private_valid:
            self.mask = h.private['DspChAttr'] & 0xFFFFFFFF
        else:
            word = struct.unpack(e + 'H', self.data[size - 1974:size - 1972])[0]
            self.mask = sum(1 << k for k in range(16) if word & (1 << (15 - k)))
        tr = self.data[size - 28:]
        self.channels, _, self.sample_bytes, _ = struct.unpack(e + '4H', tr[0:8])
        self.ring_flag = struct.unpack(e + '3H', tr[8:14])
        self.ring_start = struct.unpack(e + '3I', tr[16:28])
        sizes = [h.private.get(k, 0) for k in ('AcqDataSize', 'PPDataSize', 'DspDataSize')]
        self.region_size = sizes
        self.region_base = [0, sizes[0], sizes[0] + sizes[1]]

    def _frame_set(self):
        h = self.header
        if h.private_valid:
            f = h.private['DspChAttr'] & 0xFFFFFFFF
            for bit in range(32):
                if _popcount(f) in (1, 2, 4, 8, 16, 32):
                    break
                f |= 1 << bit
            return f
        f = self.mask & 0xFF
        if _popcount(f) > 4:
            return 0xFF
        if _popcount(f) == 3:
            for bit in (0, 4, 2, 6):
                if not f & (1 << bit):
                    return f | (1 << bit)
        return f

    def frame_slot(self, t):
        bits = [i for i in range(32) if self.mask & (1 << i)]
        c = bits[t] if t < len(bits) else len(bits)
        f = self._frame_set()
        return _popcount(f & ((2 << c) - 1)) - 1

    def block_size(self, t, b, region=0):
        return self.traces[t].sizes[b] // DIVISORS[region]

    def _region_read(self, region, logical, count):
        size = self.region_size[region]
        base = self.region_base[region]
        if self.ring_flag[region] != 1:
            return self.data[base + logical:base + logical + count]
        p = logical + self.ring_start[region]
        if p >= size:
            p -= size
        if p + count <= size:
            return self.data[base + p:base + p + count]
        return self.data[base + p:base + size] + self.data[base:base + count - (size - p)]

    def raw_samples(self, t, b, p, count, swap=True, region=0):
        count -= count % 2
        c, s = self.channels, self.sample_bytes
        w = self.traces[t].width
        n = self.block_size(t, b, region)
        logical = c * s * p + max(self.region_size[region] - c * s * n, 0)
        logical -= logical % (2 * c * s)
        frames = self._region_read(region, logical, c * s * count)
        slot = self.frame_slot(t)
        frame = 2 * c * w
        out = b''.join(frames[i * frame + slot * 2 * w:i * frame + (slot + 1) * 2 * w]
                       for i in range(len(frames) // frame))
        return _split(out, w, swap and not self.little)

    def converted_trace(self, t, region):
        """The stored bytes a conversion writes for trace t (odd lengths padded)."""
        n = self.block_size(t, 0, region)
        w = self.traces[t].width
        out = b''
        last = b'\0' * w
        for pos in range(0, n, CONVERT_CHUNK):
            k = min(CONVERT_CHUNK, n - pos)
            got = self.raw_samples(t, 0, pos, k, swap=False, region=region)
            if len(got) < k - k % 2:
                raise ShortRead('realtime file ends inside trace %d' % (t + 1))
            out += b''.join(got)
            if got:
                last = got[-1]
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
            raise OpenError('cannot open ' + path)
        with open(path, 'rb') as f:
            data = f.read()
        n = len(data) // 4
        self.values = list(struct.unpack('<%df' % n, data[:4 * n]))
        self.mtime = os.stat(path).st_mtime
        mx = mn = 0.0
        for i, v in enumerate(self.values):
            if i == 0:
                mx = mn = v
            elif v > mx:
                mx = v
            elif v < mn:
                mn = v
        self.maximum, self.minimum = mx, mn
        self.top, self.bottom = choose_scale(mx, mn)
        self.vres = (self.top - self.bottom) * 1.5625e-5
        self.voff = (self.top + self.bottom) * 0.5
        self.hres, self.hoff, self.hunit = 1.0, 0.0, ''
        self.blocks = 1

    def model(self):
        return 'QV_FLOAT'

    def trace_count(self):
        return 1

    def date_time(self, block):
        t = datetime.datetime.fromtimestamp(int(self.mtime))
        return ('%02d/%02d/%02d' % (t.year % 100, t.month, t.day),
                '%02d:%02d:%02d' % (t.hour, t.minute, t.second))

    def block_size(self, t, b):
        return len(self.values)

    def names_units(self):
        return [('FLOAT', '')]

    def texts(self, t, b, p, count):
        return [value_text(v) for v in self.values[p:p + count]]


def _centre(c, step):
    if c == 0:
        return 0.0
    q = fractions.Fraction(c) / fractions.Fraction(step)
    if abs(q) >= 100000:
        return c
    whole = math.trunc(q + fractions.Fraction(1, 2)) if c > 0 else \
        math.trunc(q - fractions.Fraction(1, 2))
    return f32(f32(float(whole)) * step)


def _around(c, step):
    centre = _centre(c, step)
    half = f32(5.0 * step)
    return f32(centre + half), f32(centre - half)


def choose_scale(mx, mn):
    """(top, bottom) of the display range of 10 divisions, in single precision."""
    c = f32(f32(mx + mn) * 0.5)
    if f32(mx - mn) < f32(1e-30):
        if c == 0:
            return 5.0, -5.0
        k = math.trunc(f32(math.log10(abs(c)))) - 4
        u = 1e30 if k > 30 else 1e-30 if k < -30 else 10.0 ** k
        u = f32(u)
        return f32(c + f32(5.0 * u)), f32(c - f32(5.0 * u))
    a = f32(f32(mx - mn) / f32(9.0))
    e = 0
    while a <= f32(0.001):
        a, e = f32(a * 1000.0), e - 3
    while a >= 1000.0:
        a, e = f32(a * f32(0.001)), e + 3
    while a < 1.0:
        a, e = f32(a * 10.0), e - 1
    while a >= 10.0:
        a, e = f32(a * f32(0.1)), e + 1
    p = f32(10.0 ** e)
    if a <= 1.0:
        step, two = p, False
    elif a <= 2.0:
        step, two = f32(2.0 * p), True
    elif a <= 5.0:
        step, two = f32(5.0 * p), False
    else:
        step, two = f32(10.0 ** (e + 1)), False
    top, bottom = _around(c, step)
    if top > mx and bottom < mn:
        return top, bottom
    # The wider tries keep the centre on a multiple of the widened step.
    second = f32(step * (2.5 if two else 2.0))
    top, bottom = _around(c, second)
    if top >= mx and bottom <= mn:
        return top, bottom
    return _around(c, f32(second * (2.0 if two else 2.5)))


# ---------------------------------------------------------------- file choice

def open_file(path):
    """The reader named by the path's last three characters, letter case ignored."""
    tail = path[-3:].lower()
    if tail == 'wvf':
        return WaveFile(path)
    if tail == 'rtm':
        return RtmFile(path)
    if tail == 'fld':
        return FldFile(path)
    raise OpenError('no reader for ' + path)


# ---------------------------------------------------------------- CSV writer

def _quoted(text):
    return '"' + text.replace('"', '""') + '"'


def csv_bytes(f, first, count, block):
    """The CSV of samples first..first+count-1 of every trace of one block."""
    if isinstance(f, FldFile):
        names_units = f.names_units()
    else:
        names_units = [(t.name, t.unit) for t in f.traces]
    for t in range(f.trace_count()):
        if count and f.block_size(t, block) < first + count:
            # Reads are not cut at a block's end; the program refuses such a range
            # rather than write other data as samples of this block.
            raise ShortRead('trace %d has fewer samples' % (t + 1))
    date, time = f.date_time(block)
    out = ['"Model",' + _quoted(f.model()),
           '"BlockNumber",%d' % (block + 1),
           ''.join(['"TraceName"'] + [',' + _quoted(n) for n, _ in names_units]),
           '"BlockSize",%d' % count,
           ''.join(['"VUnit"'] + [',' + _quoted(u) for _, u in names_units]),
           '"HResolution",' + g_text(f.hres),
           '"HOffset",' + g_text(f.hoff + first * f.hres),
           '"HUnit",' + _quoted(f.hunit),
           '"Date",' + _quoted(date),
           '"Time",' + _quoted(time),
           '']
    text = '\n'.join(out) + '\n'
    traces = range(f.trace_count())
    start = first
    while start < first + count:
        k = min(CSV_CHUNK, first + count - start)
        columns = []
        for t in traces:
            got = f.texts(t, block, start, k)
            if len(got) < k:
                raise ShortRead('trace %d from sample %d' % (t + 1, start))
            columns.append(got)
        for r in range(k):
            text += ''.join(col[r] + ',' for col in columns) + '\n'
        start += k
    return text.encode('latin-1')


# ---------------------------------------------------------------- conversion

def _div(a, d):
    """Integer division truncated toward zero."""
    q = abs(a) // d
    return -q if a < 0 else q


def rewrite_header_line(line, d):
    words = [w for w in line.split(' ') if w][1:]
    if line.startswith('BlockSize'):
        return 'BlockSize' + ''.join(('         ' if i == 0 else '  ') +
                                     '%d' % _div(parse_int(w), d) for i, w in enumerate(words))
    if line.startswith('HResolution'):
        return 'HResolution' + ''.join(('       ' if i == 0 else ' ') +
                                       e7_text(parse_real(w) * d) for i, w in enumerate(words))
    if line.startswith('DisplayBlockSize'):
        return 'DisplayBlockSize' + ''.join('  %d' % _div(parse_int(w), d) for w in words)
    return line


def converted_header(source_bytes, d):
    """The rewritten header (CR LF lines), or None past the line limit."""
    lines = _Lines(source_bytes).lines
    out = []
    for i, line in enumerate(lines):
        if i == MAX_LINES:
            return None
        if line.startswith('$ApplicationInfo'):
            break
        out.append(rewrite_header_line(line, d) + '\r\n')
    return ''.join(out).encode('latin-1')


def converted_header_path(data_path):
    """The data path cut before the last lower-case w of its file name, plus "hdr"."""
    name_start = data_path.rfind('/') + 1
    w = data_path.rfind('w')
    if w < name_start:
        return None
    return data_path[:w] + 'hdr'


def convert_outputs(rtm_path, mode):
    """(data bytes, header bytes) of converting a realtime file in mode 0, 1 or 2."""
    f = RtmFile(rtm_path)
    data = b''.join(f.converted_trace(t, mode) for t in range(f.trace_count()))
    with open(f.header_path, 'rb') as src:
        header = converted_header(src.read(), DIVISORS[mode])
    return data, header
