#!/usr/bin/env python3
"""Byte-exact check of `kivelo-cli csv|convert|info` on hand-made files.

Usage: conformance.py KIVELO_CLI [GROUP ...]    groups: wvf header rtm convert fld random
Every input is written here by Python into a fresh temporary folder; the expected
output comes from the reference model in kvref.py.
"""

import os
import random
import shutil
import subprocess
import sys
import tempfile

import kvinputs as ki
import kvref

CASES = {}


def case(group):
    return lambda fn: CASES.setdefault(group, []).append(fn) or fn


class Check:
    def __init__(self, cli):
        self.cli, self.failures, self.checks, self.refusals = cli, [], 0, 0
        self.dir = self.case = None

    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        p = self.path(name)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, 'wb') as f:
            f.write(data)
        return p

    def pair(self, name, lines, data):
        """Writes name.hdr and name.wvf; returns the data path."""
        self.write(name + '.hdr', ki.header_bytes(lines))
        return self.write(name + '.wvf', data)

    def run(self, *args):
        res = subprocess.run([self.cli] + [str(a) for a in args], capture_output=True, timeout=120)
        # A sanitizer build reports memory errors on stderr, often with exit code 1.
        self.expect(b'Sanitizer' not in res.stderr and b'runtime error:' not in res.stderr
                    and res.returncode >= 0, 'kivelo-cli %s crashed: %r' % (args, res.stderr[-2000:]))
        return res

    def expect(self, cond, what):
        self.checks += 1
        if not cond:
            self.failures.append('%s: %s' % (self.case, what))
        return cond

    def same(self, label, got, want):
        """Compares whole outputs; reports the first line that differs."""
        gl, wl = got.split(b'\n'), want.split(b'\n')
        i = next((i for i, (a, b) in enumerate(zip(gl, wl)) if a != b), min(len(gl), len(wl)))
        return self.expect(got == want, '%s differs at line %d (of %d, want %d):\n      got  %r\n'
                           '      want %r' % (label, i + 1, len(gl), len(wl), gl[i:i + 1], wl[i:i + 1]))

    def csv(self, data_path, block=0, first=None, count=None):
        """Runs csv and compares with the reference (or expects a refusal and no file)."""
        out = self.path('out.csv')
        if os.path.exists(out):
            os.remove(out)
        args = ['csv', data_path, '-o', out] + (['--block', block] if block else [])
        args += (['--first', first] if first is not None else []) + \
                (['--count', count] if count is not None else [])
        f = kvref.open_file(data_path)
        first = first or 0
        tag = 'csv %s block %d first %d count %s' % (os.path.basename(data_path), block, first, count)
        try:
            want = kvref.csv_bytes(f, first, f.block_size(0, block) - first if count is None
                                   else count, block)
        except kvref.ShortRead as e:
            self.refusals += 1
            res = self.run(*args)
            return self.expect(res.returncode == 1 and not os.path.exists(out),
                               '%s: expected a refusal (%s), got exit %d' % (tag, e, res.returncode))
        res = self.run(*args)
        if self.expect(res.returncode == 0, '%s: exit %d %r' % (tag, res.returncode, res.stderr)):
            self.same(tag, read(out), want)

    def info(self, data_path):
        res = self.run('info', data_path)
        self.same('info ' + os.path.basename(data_path), res.stdout,
                  kvref.info_text(kvref.open_file(data_path), data_path))

    def convert(self, rtm_path, out, ratio=1):
        """Runs convert and compares data and header with the reference (or a refusal)."""
        res = self.run('convert', rtm_path, '-o', out, '--ratio', ratio)
        tag = 'convert %s 1/%d' % (os.path.basename(rtm_path), ratio)
        try:
            data, header = kvref.convert_outputs(rtm_path, kvref.DIVISORS.index(ratio))
        except kvref.ShortRead:
            return self.expect(res.returncode == 1 and not os.path.exists(out), tag + ': no refusal')
        if self.expect(res.returncode == 0, '%s: exit %d %r' % (tag, res.returncode, res.stderr)):
            self.same(tag + ' data', read(out), data)
            self.same(tag + ' header', read(kvref.converted_header_path(out)), header)

    def open_fails(self, data_path, label):
        out = self.path('refused.csv')
        res = self.run('csv', data_path, '-o', out)
        self.expect(res.returncode == 1 and b'Cannot oepn this file' in res.stderr and
                    not os.path.exists(out), '%s: expected "Cannot oepn this file", got exit %d %r'
                    % (label, res.returncode, res.stderr))
        try:
            kvref.open_file(data_path)
            self.expect(False, '%s: the reference opens it' % label)
        except kvref.OpenError:
            pass


def read(path):
    with open(path, 'rb') as f:
        return f.read()


# ============================================================ wvf layouts and kinds


def typed_samples(vtype, n, seed):
    """Edge values of the type, then random ones."""
    rnd = random.Random(seed)
    bits = 8 * ki.WIDTH[vtype]
    if vtype == 'FS4':
        return [0.0, -1.5, 3.25e-6, 12345.678] + [rnd.uniform(-1000, 1000) for _ in range(n - 4)]
    lo, hi = (-2 ** (bits - 1), 2 ** (bits - 1) - 1) if vtype[:2] == 'IS' else (0, 2 ** bits - 1)
    edges = [lo, hi, 0, -1] if lo else [0, hi, hi // 2 + 1, 1]
    return (edges + [rnd.randint(lo, hi) for _ in range(n)])[:n]


@case('wvf')
def kinds_layouts_endians(c):
    for types in (['IS1', 'IU1', 'B8'], ['IS2', 'IU2', 'B16'], ['IS4', 'IU4', 'FS4']):
        for fmt in ('Trace', 'Block'):
            for endian in ('Ltl', 'Big'):
                g = ki.GroupDesc([t + 'x' for t in types], types, [[130] * 3] * 2,
                                 vres=[0.01, 1.5e-3, 1.0], voff=[-2.5, 0.0, 100.0],
                                 units=['V', 'mA', '-'], hres=1e-5, hoff=-0.0005)
                samples = [[typed_samples(t, 130, seed=b * 10 + i) for b in range(2)]
                           for i, t in enumerate(types)]
                p = c.pair(types[0] + fmt + endian, ki.header_lines(
                    'QV1000', [g], endian=endian, data_format=fmt, data_offset=6),
                    ki.wvf_bytes([g], samples, endian == 'Ltl', fmt, 6))
                c.csv(p)
                c.csv(p, block=1, first=7, count=111)
                c.info(p)


@case('wvf')
def groups_and_blocks(c):
    g1 = ki.GroupDesc(['CH1', 'CH2', 'CH3', 'CH4'], ['IS2'] * 4, [[40] * 4] * 3,
                      vres=[1e-3, 2e-3, 5e-3, 1e-2], voff=[0, 0.5, -0.5, 1], hres=2e-6,
                      hoff=-4e-5, dates=['98/07/01', '98/07/02', '98/07/03'],
                      times=['11:00:01', '11:00:02', '11:00:03'])
    g2 = ki.GroupDesc(['CH5', 'CH6'], ['IS2'] * 2, [[40] * 2] * 3, vres=[1.0, 0.25],
                      hres=9.0, hoff=7.0, dates=['x1', 'x2', 'x3'], times=['y1', 'y2', 'y3'])
    samples = [[typed_samples('IS2', 40, seed=t * 5 + b) for b in range(3)] for t in range(6)]
    for fmt in ('Trace', 'Block'):
        p = c.pair('grp' + fmt, ki.header_lines('QV4300', [g1, g2], data_format=fmt),
                   ki.wvf_bytes([g1, g2], samples, True, fmt))
        for b in range(3):
            c.csv(p, block=b)
        c.info(p)


@case('wvf')
def first_and_count(c):
    # Ranges on and across the 100-sample chunks of the writer.
    g = ki.GroupDesc(['S'], ['IS2'], [[1000]], vres=[0.001], hres=0.001, hoff=-0.5)
    p = c.pair('long', ki.header_lines('QV1000', [g]), ki.wvf_bytes([g], [[list(range(-500, 500))]]))
    for first, count in ((None, None), (0, 0), (0, 250), (1000, 0), (3, 100), (999, 1),
                         (1, 201), (900, None)):
        c.csv(p, first=first, count=count)


@case('wvf')
def value_texts(c):
    # Raw values x scales that reach the 7th digit, the exponent limits and rounding.
    raws = [0, 5, 1234567, 12345678, -1, 9999999, 19999999, 99999995, 123, -98765432,
            2 ** 31 - 1, -2 ** 31, 1, 10, 100, 1000000, 10000000, 7, 99999994]
    scales = [(1.0, 0.0), (0.5, 0.0), (0.05, 0.0), (-0.25, 0.0), (1e-3, 0.0), (1e-9, 0.0),
              (0.1, -0.05), (1e7, 0.0), (3.3e-5, 1e-4), (1.0, 0.05), (1e-7, 0.0),
              (0.00999999, 0.0), (1.0, -1e12)]
    g = ki.GroupDesc(['V%d' % i for i in range(len(scales))], ['IS4'] * len(scales),
                     [[len(raws)] * len(scales)], vres=[s[0] for s in scales],
                     voff=[s[1] for s in scales])
    c.csv(c.pair('vals', ki.header_lines('QV1000', [g]), ki.wvf_bytes([g], [[raws]] * len(scales))))


# ============================================================ header quirks


def simple(n=2, samples=12, blocks=1, **kw):
    """(group, data) of n IS2 traces."""
    g = ki.GroupDesc(['T%d' % (t + 1) for t in range(n)], ['IS2'] * n,
                     [[samples] * n for _ in range(blocks)], **kw)
    data = [[[(t + 1) * 100 + b * 10 + i for i in range(samples)] for b in range(blocks)]
            for t in range(n)]
    return g, ki.wvf_bytes([g], data)


def replaced(lines, prefix, new):
    return [new if l.startswith(prefix) else l for l in lines]


@case('header')
def shared_dates_qv31_qv6(c):
    g, data = simple(2, 12, blocks=3, dates=['98/07/01'] * 3, times=['12:34:56'] * 3)
    for model in ('QV3100', 'QV6000'):
        p = c.pair(model, ki.header_lines(model, [g], per_block_stamps=False), data)
        for b in range(3):
            c.csv(p, block=b)
    # A model merely starting with QV3 (not QV31) keeps one Date line per block.
    g, data = simple(1, 4, blocks=2)
    c.csv(c.pair('qv32', ki.header_lines('QV3200', [g], per_block_stamps=False), data), block=1)


@case('header')
def qv6_removes_unrecognised(c):
    g = ki.GroupDesc(['A', 'X', 'B'], ['IS2', 'XX', 'IS2'], [[10, 99, 11], [12, 98, 13]],
                     vres=[1.0, 7.0, 0.5], units=['V', 'Z', 'A'])
    kept = ki.GroupDesc(['A', 'B'], ['IS2', 'IS2'], [[10, 11], [12, 13]])
    data = ki.wvf_bytes([kept], [[list(range(10)), list(range(12))],
                                 [list(range(11)), list(range(13))]], data_format='Block')
    p = c.pair('qv6', ki.header_lines('QV6500', [g], per_block_stamps=False, data_format='Block'),
               data)
    c.csv(p, count=10)
    c.csv(p, block=1, count=12)
    c.info(p)
    # Any other model keeps the trace (unreadable, so listed only).
    c.info(c.pair('qv5', ki.header_lines('QV5000', [g], data_format='Block'), data))


@case('header')
def block_size_runs(c):
    g, data = simple(2, 8, blocks=3)
    lines = ki.header_lines('QV1000', [g])
    # One BlockSize line serves all three blocks.
    c.csv(c.pair('run1', [l for l in lines if not l.startswith(('BlockSize2', 'BlockSize3'))],
                 data), block=2)
    # The line after the run must be VResolution: neither a fourth BlockSize nor a blank.
    i = next(i for i, l in enumerate(lines) if l.startswith('BlockSize3')) + 1
    for name, extra in (('run2', ki.line('BlockSize4', [8, 8])), ('run3', '')):
        c.open_fails(c.pair(name, lines[:i] + [extra] + lines[i:], data), name)


@case('header')
def key_order_and_prefixes(c):
    g, data = simple(2, 6)
    base = ki.header_lines('QV1000', [g])
    at = lambda lines, prefix: next(i for i, l in enumerate(lines) if l.startswith(prefix))
    # Other first line, comments and unknown keys between the known ones.
    lines = ['garbage first line'] + base[1:]
    lines.insert(at(lines, 'VOffset'), 'Comment  something else')
    lines.insert(at(lines, 'Endian'), 'ModelX  not the key')
    c.csv(c.pair('keys1', lines, data))
    # Bare line feeds.
    c.write('lf.hdr', '\n'.join(base).encode())
    c.csv(c.write('lf.wvf', data))
    # "ModelVersion" standing before "Model" answers the Model search.
    lines = list(base)
    lines.insert(at(lines, 'Model '), ki.key('ModelVersion') + 'V9.99')
    c.info(c.pair('keys2', lines, data))
    # A key standing too early is lost.
    lines = list(base)
    i = at(lines, 'Endian')
    lines[i], lines[i + 1] = lines[i + 1], lines[i]
    c.open_fails(c.pair('keys3', lines, data), 'DataFormat before Endian')
    # Key lines matched by their prefix: "HOffsetX", "VUnits".
    lines = [('HOffsetX' + l[8:]) if l.startswith('HOffset') else
             ('VUnits' + l[6:]) if l.startswith('VUnit') else l for l in base]
    c.csv(c.pair('keys4', lines, data))
    # Fewer Date lines than blocks: the other blocks get empty dates.
    g, data = simple(1, 4, blocks=3)
    p = c.pair('dates', [l for l in ki.header_lines('QV1000', [g]) if not l.startswith('Date3')],
               data)
    for b in range(3):
        c.csv(p, block=b)
    c.info(p)


@case('header')
def long_texts_and_numbers(c):
    g = ki.GroupDesc(['ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'tab\tname', 'q"uote'], ['IS2'] * 3,
                     [[5, 5, 5]], units=['UNIT_LONGER_THAN_NINETEEN', 'mV', 'V'],
                     hunit='SECONDS_LONGER_THAN_19', dates=['2026/12/06-LONG-DATE-TEXT'],
                     times=['10:20:30.123456789012'])
    lines = ki.header_lines('QV1000-WITH-A-LONG-MODEL-NAME', [g], data_offset=2)
    # Numbers in the several spellings a header may hold.
    for prefix, new in (('VResolution', ki.line('VResolution', ['1.0000000E-03', '+2', '5.'])),
                        ('VOffset', ki.line('VOffset', ['-5.0', '.25', '1e1'])),
                        ('HResolution', ki.line('HResolution', ['2.5E-07'] * 3)),
                        ('HOffset', ki.line('HOffset', ['-1.0E+00'] * 3)),
                        ('DataOffset', ki.key('DataOffset') + '+2')):
        lines = replaced(lines, prefix, new)
    p = c.pair('long', lines, ki.wvf_bytes([g], [[[1, -1, 0, 300, -300]]] * 3, data_offset=2))
    c.csv(p)
    c.csv(p, first=2, count=3)
    c.info(p)


@case('header')
def header_names(c):
    g, data = simple(1, 6)
    hdr = lambda name, model: c.write(name, ki.header_bytes(ki.header_lines(model, [g])))
    # Upper-case names of instrument media; numbered files sharing one header.
    hdr('media/WAVE0001.HDR', 'QV1000')
    hdr('num/wave.hdr', 'QV2000')
    hdr('NUM/WAVE.HDR', 'QV3000')
    for name in ('media/WAVE0001.WVF', 'num/wave0002.wvf', 'NUM/WAVE0003.WVF'):
        c.csv(c.write(name, data))
    # The first "wvf" or "rtm" of the whole path names the header: <dir>/wvf/a.wvf and
    # <dir>/rtmx/b.wvf -> <dir>/hdr; without <dir>/deep/hdr the header beside the file.
    hdr('hdr', 'QV-DIR')
    hdr('wvf/a.hdr', 'QV-FILE')
    hdr('deep/wvf/c.hdr', 'QV-BESIDE')
    hdr('deep/rtm2/d.hdr', 'QV-BESIDE2')
    for name in ('wvf/a.wvf', 'rtmx/b.wvf', 'deep/wvf/c.wvf', 'deep/rtm2/d.wvf'):
        c.csv(c.write(name, data))
    # A folder under the lower-case name is no header: the upper-case one is used.
    os.makedirs(c.path('sub/hdr'))
    hdr('sub/wvf/A.HDR', 'QV-UPPER')
    c.csv(c.write('sub/wvf/A.WVF', data))
    # Reader chosen without regard to letter case of the ending, header names with it.
    hdr('mixed.hdr', 'QV1000')
    c.open_fails(c.write('mixed.Wvf', data), 'mixed.Wvf has no lower-case header name')

# ============================================================ realtime files


def rtm_case(c, name, frame_channels, width, n, region_sizes, mask_bits, dspchattr=None,
             little=True, ring_flag=(0, 0, 0), ring_start=(0, 0, 0), types=None,
             app_info=False, blocksize=None, extra=()):
    """Writes name.rtm/.hdr; traces are the channels of mask_bits in order."""
    traces = [b for b in range(32) if mask_bits & (1 << b)]
    rnd = random.Random(name)
    lim = 2 ** (8 * width - 1) - 1
    streams = [{ch: [rnd.randint(-lim, lim) for _ in range(size // (len(frame_channels) * width))]
                for ch in traces} for size in region_sizes]
    private = {'AcqDataOffset': 0, 'PPDataOffset': region_sizes[0],
               'DspDataOffset': region_sizes[0] + region_sizes[1],
               'AcqDataSize': region_sizes[0], 'PPDataSize': region_sizes[1],
               'DspDataSize': region_sizes[2], 'display': [n // 1000] * len(traces)}
    if dspchattr is not None:
        private['DspChAttr'] = dspchattr
    word = None if dspchattr is not None else sum(1 << (15 - b) for b in traces if b < 16)
    size_row = blocksize or [n] * len(traces)
    g = ki.GroupDesc(['CH%d' % (ch + 1) for ch in traces],
                     types or [{1: 'IS1', 2: 'IS2', 4: 'IS4'}[width]] * len(traces), [size_row],
                     vres=[0.001 * (i + 1) for i in range(len(traces))], hres=1e-3, hoff=-0.25)
    c.write(name + '.hdr', ki.header_bytes(ki.header_lines(
        'QV818', [g], endian='Ltl' if little else 'Big', private=private,
        application_info=app_info, extra=extra)))
    p = c.write(name + '.rtm', ki.rtm_bytes(frame_channels, width, streams, region_sizes,
                                            little, ring_flag, ring_start, word))
    # The reference must find what was written: the newest samples of each region.
    f = kvref.RtmFile(p)
    for t, ch in enumerate(traces):
        for r, size in enumerate(region_sizes):
            total, k = size // (len(frame_channels) * width), size_row[t] // kvref.DIVISORS[r]
            if (total - k) % 2 or k % 2 or ch not in frame_channels:
                continue
            got = [int.from_bytes(s, 'little', signed=True)
                   for s in f.raw_samples(t, 0, 0, k, region=r)]
            c.expect(got == streams[r][ch][total - k:],
                     '%s: reference reads other samples of trace %d region %d' % (name, t, r))
    return p


@case('rtm')
def rtm_frames_and_masks(c):
    # Channel word 0b101010 (no DspChAttr): frame channels 0,1,3,5.
    p = rtm_case(c, 'word', [0, 1, 3, 5], 2, 400, (4 * 2 * 400, 4 * 2 * 8, 4 * 2 * 2), 0b101010)
    c.csv(p)
    c.csv(p, first=10, count=150)
    # DspChAttr 0b111: frames of channels 0..3, trace 2 in slot 2.
    c.csv(rtm_case(c, 'dsp', [0, 1, 2, 3], 2, 300, (4 * 2 * 300, 4 * 2 * 4, 4 * 2 * 2), 0b111,
                   dspchattr=0b111, little=False))
    # Five channels from the channel word: the frame holds all eight.
    p = rtm_case(c, 'eight', list(range(8)), 1, 200, (8 * 200, 8 * 4, 8 * 2), 0b10110101)
    c.csv(p)
    c.info(p)
    # Channels 0 and 9 from the channel word: the frame holds channel 0 only, and
    # channel 9 falls on its last slot.
    c.csv(rtm_case(c, 'ch9', [0], 2, 100, (1 * 2 * 100, 1 * 2 * 2, 1 * 2 * 2), 0b1000000001))
    # Big-endian trailer and samples, 4-byte samples, two channels.
    c.csv(rtm_case(c, 'big4', [2, 6], 4, 120, (2 * 4 * 120, 2 * 4 * 2, 2 * 4 * 2), 0b1000100,
                   little=False, types=['IS4', 'IU4']))


@case('rtm')
def rtm_regions_and_rings(c):
    # Acquisition region larger than the block: the newest samples end the region.
    c.csv(rtm_case(c, 'pad', [0, 1], 2, 220, (2 * 2 * 300, 2 * 2 * 4, 2 * 2 * 2), 0b11))
    # Ring buffers in every region, starts not on a frame.
    p = rtm_case(c, 'ring', [0, 1], 2, 300, (2 * 2 * 300, 2 * 2 * 6, 2 * 2 * 2), 0b11,
                 ring_flag=(1, 1, 1), ring_start=(1002, 6, 2))
    c.csv(p)
    c.csv(p, first=100, count=200)
    p = rtm_case(c, 'ringbig', [1, 3], 2, 300, (2 * 2 * 320, 2 * 2 * 6, 2 * 2 * 2), 0b1010,
                 dspchattr=0b1010, little=False, ring_flag=(1, 0, 0), ring_start=(2, 0, 0))
    c.csv(p)
    c.csv(p, first=3, count=4)   # an odd first sample: reads start on whole frames
    # An odd block size and odd counts: the last pair is read whole and its first sample written.
    p = rtm_case(c, 'odd', [0, 1], 2, 151, (2 * 2 * 152, 2 * 2 * 2, 2 * 2 * 2), 0b11)
    c.csv(p)
    c.csv(p, count=150)
    c.csv(p, first=1, count=7)


@case('convert')
def rtm_conversion(c):
    sizes = (2 * 2 * 3000, 2 * 2 * 30, 2 * 2 * 4)
    # Per-block keys, "?" values and negative sizes in the lines the conversion rewrites.
    extra = [ki.line('BlockSize2', [12345, '?']), ki.line('HResolution3', ['?', '1e-3']),
             ki.line('DisplayBlockSize', [-12345, 999])]
    for name, kw in (('cv', {'extra': extra}),
                     ('cvbig', {'little': False, 'dspchattr': 0b11}),
                     ('cvring', {'ring_flag': (1, 1, 1), 'ring_start': (4000, 40, 4)})):
        p = rtm_case(c, name, [0, 1], 2, 3000, sizes, 0b11, app_info=True, **kw)
        for ratio in kvref.DIVISORS:
            out = c.path('%s_%d.wvf' % (name, ratio))
            c.convert(p, out, ratio)
            c.csv(out)   # the converted pair reads back as a .wvf file


@case('convert')
def conversion_edges(c):
    # Odd lengths in every region keep later traces in their place.
    p = rtm_case(c, 'odd', [0, 1], 2, 301, (2 * 2 * 302, 2 * 2 * 4, 2 * 2 * 2), 0b11,
                 blocksize=[301, 301])
    for ratio in (1, 100):
        c.convert(p, c.path('odd_%d.wvf' % ratio), ratio)
    # Upper-case media names: REC.RTM beside REC.HDR.
    rtm_case(c, 'upper', [0, 1], 1, 2000, (2 * 2000, 2 * 20, 2 * 2), 0b11, dspchattr=3)
    os.rename(c.path('upper.rtm'), c.path('REC.RTM'))
    os.rename(c.path('upper.hdr'), c.path('REC.HDR'))
    c.convert(c.path('REC.RTM'), c.path('rec.wvf'), 100)
    c.csv(c.path('REC.RTM'), first=1000, count=301)
    # An existing non-empty output is never touched; an empty one is filled.
    c.write('full.wvf', b'keep')
    res = c.run('convert', p, '-o', c.path('full.wvf'))
    c.expect(res.returncode == 5 and b'File already exists.' in res.stderr and
             read(c.path('full.wvf')) == b'keep' and not os.path.exists(c.path('full.hdr')),
             'non-empty output must give exit 5')
    c.write('empty.wvf', b'')
    c.convert(p, c.path('empty.wvf'))


# ============================================================ floating files


@case('fld')
def floating_files(c):
    sets = {'three': [-1.0, 3.0, 0.5], 'flat3': [3.0] * 5, 'zero': [0.0] * 4,
            'mixed': [1e-7, 123456.7, -0.001, 2.5, -7.25e-12, 3.4e30, 1.17549435e-38],
            'neg': [-3.0, -2.0, -2.5], 'tiny': [1e-6, 1.1e-6, 1.05e-6],
            'wide': [float(i) * 0.37 - 40 for i in range(250)],
            'steps2': [0.0, 13.0], 'steps5': [0.0, 40.0], 'steps1': [0.0, 8.5],
            'far': [1000.0, 1000.5], 'big': [-5e5, 7e6], 'negzero': [-0.0, 0.0, -1.0],
            # log10 in single precision rounds up to 3 here (2.99999997 in double)
            'flat999': [999.99994] * 3, 'flatneg': [-0.0123] * 2}
    rnd = random.Random(99)
    for k in range(30):
        scale = 10 ** rnd.uniform(-20, 20)
        centre = rnd.choice([0.0, rnd.uniform(-50, 50) * scale])
        sets['rnd%d' % k] = [centre + rnd.uniform(-1, 1) * scale for _ in range(rnd.randint(1, 40))]
    for name, values in sets.items():
        p = c.write(name + '.fld', ki.fld_bytes([kvref.f32(v) for v in values]))
        c.csv(p)
        c.info(p)   # VResolution and VOffset follow the display range
    # Hand-worked display ranges keep the reference honest.
    f = kvref.FldFile(c.path('three.fld'))
    c.expect((f.top, f.bottom) == (3.5, -1.5), 'reference scale of -1, 3, 0.5')
    f = kvref.FldFile(c.path('flat3.fld'))
    c.expect((f.top, f.bottom) == (kvref.f32(3.0005), kvref.f32(2.9995)), 'reference scale of 3.0')
    p = c.write('ten.fld', ki.fld_bytes([1.5, -2.25]) + b'\x01\x02')
    c.csv(p)
    c.csv(p, first=1, count=1)
    c.csv(c.write('empty.fld', b''))
    c.csv(c.write('upper.FLD', ki.fld_bytes([kvref.f32(v / 7.0) for v in range(230)])),
          first=5, count=205)


# ============================================================ random files

TYPES = ['IS1', 'IU1', 'B8', 'IS2', 'IU2', 'B16', 'B12', 'IS4', 'IU4', 'FS4']


def random_scale(rnd):
    return rnd.choice([1.0, 0.1, 1e-3, 2.5e-5, 7.62939453125e-05, 3.3, -0.5, 1e6,
                       rnd.uniform(-10, 10), 10 ** rnd.uniform(-9, 9)])


@case('random')
def random_wvf(c):
    rnd = random.Random(20261206)
    for k in range(40):
        blocks = rnd.randint(1, 3)
        groups = []
        for gi in range(rnd.randint(1, 3)):
            n = rnd.randint(1, 4)
            types = [rnd.choice(TYPES)] * n if rnd.random() < 0.5 else \
                [rnd.choice(TYPES) for _ in range(n)]
            same = rnd.randint(1, 150)
            sizes = [[same if rnd.random() < 0.7 else rnd.randint(1, 150) for _ in range(n)]
                     for _ in range(blocks)]
            groups.append(ki.GroupDesc(
                ['G%dT%d' % (gi, t) for t in range(n)], types, sizes,
                vres=[random_scale(rnd) for _ in range(n)],
                voff=[rnd.choice([0.0, random_scale(rnd)]) for _ in range(n)],
                hres=abs(random_scale(rnd)) or 1.0, hoff=rnd.choice([0.0, random_scale(rnd)])))
        model = rnd.choice(['QV1000', 'QV3100', 'QV6100', 'QV818', 'QV4300'])
        offset = rnd.randint(0, 20)
        lines = ki.header_lines(model, groups, endian=rnd.choice(['Ltl', 'Big']),
                                data_format=rnd.choice(['Trace', 'Block']), data_offset=offset,
                                per_block_stamps=not model.startswith(('QV31', 'QV6')))
        need = offset + sum(ki.WIDTH[t] * s for g in groups for b in g.sizes
                            for t, s in zip(g.types, b))
        length = need + rnd.randint(0, 40) if rnd.random() < 0.85 else rnd.randint(0, need)
        p = c.pair('r%d' % k, lines, bytes(rnd.randrange(256) for _ in range(length)))
        block = rnd.randrange(blocks)
        c.csv(p, block=block)
        c.info(p)
        least = min(s for g in groups for s in g.sizes[block])
        first = rnd.randint(0, least)
        c.csv(p, block=block, first=first, count=rnd.randint(0, least - first))


@case('random')
def random_rtm(c):
    rnd = random.Random(6122026)
    for k in range(25):
        width = rnd.choice([1, 2, 4])
        mask = rnd.randint(1, 255)
        dsp = mask if rnd.random() < 0.5 else None
        frame = [b for b in range(32) if kvref.frame_set(dsp, mask) & (1 << b)]
        if rnd.random() < 0.3:
            frame += [-1] * rnd.randint(1, 3)   # frames with slots of no trace
        cs = len(frame) * width
        n = rnd.randint(2, 2500)
        sizes = (cs * (n + rnd.randint(0, 30)), cs * (n // 100 + rnd.randint(0, 6)),
                 cs * (n // 1000 + rnd.randint(0, 4)))
        p = rtm_case(c, 'rr%d' % k, frame, width, n, sizes, mask, dspchattr=dsp,
                     little=rnd.random() < 0.5, ring_flag=tuple(rnd.choice([0, 1]) for _ in range(3)),
                     ring_start=tuple(rnd.randrange(s) if s else 0 for s in sizes),
                     types=[rnd.choice([t for t in TYPES if ki.WIDTH[t] == width])
                            for _ in range(kvref.popcount(mask))])
        first = rnd.randint(0, n)
        c.csv(p, first=first, count=rnd.randint(0, min(n - first, 300)))
        c.convert(p, c.path('rr%d_out.wvf' % k), rnd.choice(kvref.DIVISORS))


# ============================================================ main


def clean_temp_dir():
    # Header names depend on "rtm", "wvf" and the letter w anywhere in the path.
    while True:
        d = tempfile.mkdtemp(prefix='kvconf-', dir='/tmp')
        if 'w' not in d and 'rtm' not in d:
            return d
        os.rmdir(d)


def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    groups = argv[2:] or sorted(CASES)
    check = Check(argv[1])
    for group in groups:
        for fn in CASES[group]:
            check.case = '%s/%s' % (group, fn.__name__)
            check.dir = clean_temp_dir()
            try:
                fn(check)
            except Exception as e:  # a broken case is a failure, not a crash
                check.expect(False, 'raised %s: %s' % (type(e).__name__, e))
            finally:
                shutil.rmtree(check.dir, ignore_errors=True)
    for f in check.failures:
        print('FAIL', f)
    print('%d checks (%d expected refusals), %d failures (%s)' %
          (check.checks, check.refusals, len(check.failures), ' '.join(groups)))
    return 1 if check.failures else 0

if __name__ == '__main__':
    sys.exit(main(sys.argv))
