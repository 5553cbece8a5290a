#!/usr/bin/env python3
"""Byte-exact check of `kivelo-cli csv|convert|info` on hand-made files.

Usage: conformance.py KIVELO_CLI [GROUP ...]    groups: wvf header values rtm convert fld random
Every input is written here by Python into a fresh temporary folder; the expected
output comes from the reference model in kvref.py.
"""

import os
import random
import re
import shutil
import subprocess
import sys
import tempfile

import kvinputs as ki
import kvref

CASES = {}


def case(group):
    def register(fn):
        CASES.setdefault(group, []).append(fn)
        return fn
    return register


def clean_temp_dir():
    # Header names depend on "rtm", "wvf" and the letter w anywhere in the path.
    while True:
        d = tempfile.mkdtemp(prefix='kvconf-', dir='/tmp')
        if 'w' not in d and 'rtm' not in d:
            return d
        os.rmdir(d)


class Check:
    def __init__(self, cli):
        self.cli = cli
        self.failures = []
        self.checks = 0
        self.refusals = 0
        self.dir = None
        self.case = ''

    # -- files
    def path(self, name):
        return os.path.join(self.dir, name)

    def write(self, name, data):
        p = self.path(name)
        os.makedirs(os.path.dirname(p), exist_ok=True)
        with open(p, 'wb') as f:
            f.write(data)
        return p

    def write_header(self, name, lines):
        return self.write(name, ki.header_bytes(lines))

    # -- running
    def run(self, *args):
        res = subprocess.run([self.cli] + [str(a) for a in args], capture_output=True,
                             timeout=120)
        # A sanitizer build reports memory errors on stderr, often with exit code 1.
        self.expect(b'Sanitizer' not in res.stderr and b'runtime error:' not in res.stderr
                    and res.returncode >= 0, 'kivelo-cli %s crashed: %r' %
                    (' '.join(str(a) for a in args), res.stderr[-2000:]))
        return res

    def fail(self, what):
        self.failures.append('%s: %s' % (self.case, what))

    def expect(self, cond, what):
        self.checks += 1
        if not cond:
            self.fail(what)
        return cond

    def compare(self, label, got, want):
        self.checks += 1
        if got == want:
            return True
        gl, wl = got.split(b'\n'), want.split(b'\n')
        for i, (a, b) in enumerate(zip(gl, wl)):
            if a != b:
                self.fail('%s differs at line %d:\n      got  %r\n      want %r' %
                          (label, i + 1, a, b))
                return False
        self.fail('%s: %d lines, want %d (last got %r, want %r)' %
                  (label, len(gl), len(wl), gl[-2:], wl[-2:]))
        return False

    def csv(self, data_path, block=0, first=None, count=None, out='out.csv'):
        """Runs csv and compares with the reference (or expects a refusal)."""
        out_path = self.path(out)
        if os.path.exists(out_path):
            os.remove(out_path)
        args = ['csv', data_path, '-o', out_path]
        if block:
            args += ['--block', block]
        if first is not None:
            args += ['--first', first]
        if count is not None:
            args += ['--count', count]
        f = kvref.open_file(data_path)
        first_ = first or 0
        count_ = f.block_size(0, block) - first_ if count is None else count
        tag = 'csv %s block %d first %s count %s' % (os.path.basename(data_path), block,
                                                     first, count)
        try:
            want = kvref.csv_bytes(f, first_, count_, block)
        except kvref.ShortRead as e:
            self.refusals += 1
            res = self.run(*args)
            self.expect(res.returncode == 1 and not os.path.exists(out_path),
                        '%s: expected a refusal (%s), got exit %d' % (tag, e, res.returncode))
            return None
        res = self.run(*args)
        if not self.expect(res.returncode == 0, '%s: exit %d: %s' %
                           (tag, res.returncode, res.stderr.decode(errors='replace').strip())):
            return None
        with open(out_path, 'rb') as fh:
            got = fh.read()
        self.compare(tag, got, want)
        return got

    def info(self, data_path):
        """Runs info and checks model, traces, block sizes, dates and times."""
        f = kvref.open_file(data_path)
        res = self.run('info', data_path)
        out = res.stdout.decode('latin-1')
        if isinstance(f, kvref.FldFile):
            traces = [('FLOAT', '')]
        else:
            traces = [(t.name, t.unit) for t in f.traces]
        want = ['Model        ' + f.model(), 'Traces       %d' % len(traces)]
        want += ['W%-3d name "%s"  unit "%s"' % (i + 1, n, u) for i, (n, u) in enumerate(traces)]
        want.append('Blocks       %d' % f.blocks)
        for b in range(f.blocks):
            date, time = f.date_time(b)
            want.append('block %-4d date "%s"  time "%s"  sizes %s' %
                        (b, date, time, ' '.join(str(f.block_size(t, b))
                                                 for t in range(len(traces)))))
        want.append('HResolution  ' + kvref._widen_exponent('%.10G' % f.hres))
        missing = [w for w in want if w not in out]
        self.expect(res.returncode == 0 and not missing, 'info %s: missing %r in\n%s' %
                    (os.path.basename(data_path), missing, out))

    def open_fails(self, data_path, label):
        out_path = self.path('refused.csv')
        res = self.run('csv', data_path, '-o', out_path)
        self.expect(res.returncode == 1 and b'Cannot oepn this file' in res.stderr and
                    not os.path.exists(out_path),
                    '%s: expected "Cannot oepn this file", got exit %d %r' %
                    (label, res.returncode, res.stderr))
        try:
            kvref.open_file(data_path)
            self.fail('%s: the reference opens it' % label)
        except kvref.OpenError:
            pass


# ============================================================ wvf layouts and kinds

def typed_samples(vtype, n, seed):
    rnd = random.Random(seed)
    edges = {'IS1': [-128, 127, 0, -1], 'IU1': [0, 255, 128, 1], 'B8': [0, 255, 0x5A, 0x81],
             'IS2': [-32768, 32767, 0, -1], 'IU2': [0, 65535, 32768, 1],
             'B16': [0, 65535, 0x8001, 0x00FF],
             'IS4': [-2 ** 31, 2 ** 31 - 1, 0, -1], 'IU4': [0, 2 ** 32 - 1, 2 ** 31, 1],
             'FS4': [0.0, -1.5, 3.25e-6, 12345.678]}[vtype]
    lo, hi = {'IS1': (-128, 127), 'IU1': (0, 255), 'B8': (0, 255), 'IS2': (-32768, 32767),
              'IU2': (0, 65535), 'B16': (0, 65535), 'IS4': (-2 ** 31, 2 ** 31 - 1),
              'IU4': (0, 2 ** 32 - 1), 'FS4': (-1000, 1000)}[vtype]
    out = list(edges)
    while len(out) < n:
        out.append(rnd.uniform(lo, hi) if vtype == 'FS4' else rnd.randint(lo, hi))
    return out[:n]


@case('wvf')
def kinds_layouts_endians(c):
    widths = {1: ['IS1', 'IU1', 'B8'], 2: ['IS2', 'IU2', 'B16'], 4: ['IS4', 'IU4', 'FS4']}
    for w, types in widths.items():
        for fmt in ('Trace', 'Block'):
            for endian in ('Ltl', 'Big'):
                name = 'k%d%s%s' % (w, fmt, endian)
                sizes = [[130, 130, 130], [130, 130, 130]]
                g = ki.GroupDesc(['A%d' % w, 'B%d' % w, 'C%d' % w], types, sizes,
                                 vres=[0.01, 1.5e-3, 1.0], voff=[-2.5, 0.0, 100.0],
                                 units=['V', 'mA', '-'], hres=1e-5, hoff=-0.0005)
                samples = [[typed_samples(t, 130, seed=b * 10 + i) for b in range(2)]
                           for i, t in enumerate(types)]
                c.write_header(name + '.hdr', ki.header_lines('QV1000', [g], endian=endian,
                                                               data_format=fmt,
                                                               data_offset=6))
                p = c.write(name + '.wvf', ki.wvf_bytes([g], samples, endian == 'Ltl', fmt, 6))
                c.csv(p)
                c.csv(p, block=1, first=7, count=111)
                c.info(p)


@case('wvf')
def groups_and_blocks(c):
    g1 = ki.GroupDesc(['CH1', 'CH2', 'CH3', 'CH4'], ['IS2'] * 4, [[40] * 4, [40] * 4,
                                                                   [40] * 4],
                      vres=[1e-3, 2e-3, 5e-3, 1e-2], voff=[0, 0.5, -0.5, 1], hres=2e-6,
                      hoff=-4e-5, dates=['98/07/01', '98/07/02', '98/07/03'],
                      times=['11:00:01', '11:00:02', '11:00:03'])
    g2 = ki.GroupDesc(['CH5', 'CH6'], ['IS2'] * 2, [[40] * 2] * 3, vres=[1.0, 0.25],
                      hres=9.0, hoff=7.0, dates=['x1', 'x2', 'x3'], times=['y1', 'y2', 'y3'])
    samples = [[typed_samples('IS2', 40, seed=t * 5 + b) for b in range(3)] for t in range(6)]
    for fmt in ('Trace', 'Block'):
        c.write_header('grp%s.hdr' % fmt, ki.header_lines('QV4300', [g1, g2], data_format=fmt))
        p = c.write('grp%s.wvf' % fmt, ki.wvf_bytes([g1, g2], samples, True, fmt))
        for b in range(3):
            c.csv(p, block=b)
        c.info(p)
        res = c.run('csv', p, '-o', c.path('x.csv'), '--block', 3)
        c.expect(res.returncode == 2, 'block 3 of 3 blocks must be a usage error')


@case('wvf')
def mixed_widths_by_offset_rule(c):
    # Offsets count every earlier trace with the current trace's width and size, so
    # mixed widths read bytes of other traces; random bytes show any other rule.
    rnd = random.Random(7)
    for fmt in ('Trace', 'Block'):
        g = ki.GroupDesc(['W1', 'W2', 'W4'], ['IS1', 'IU2', 'IS4'], [[50, 60, 70], [54, 64, 74]],
                         vres=[0.5, 0.125, 3.0])
        c.write_header('mix%s.hdr' % fmt, ki.header_lines('QV1000', [g], data_format=fmt,
                                                          data_offset=3))
        p = c.write('mix%s.wvf' % fmt, bytes(rnd.randrange(256) for _ in range(3000)))
        c.csv(p, block=1, count=50)
        c.csv(p, block=0, count=50)
        c.csv(p)   # W1's 50 samples: every trace has them


@case('wvf')
def first_count_chunks(c):
    g = ki.GroupDesc(['S'], ['IS2'], [[1000]], vres=[0.001], hres=0.001, hoff=-0.5)
    c.write_header('long.hdr', ki.header_lines('QV1000', [g]))
    p = c.write('long.wvf', ki.wvf_bytes([g], [[list(range(-500, 500))]]))
    for first, count in ((None, None), (0, 0), (0, 250), (1000, 0), (3, 100), (999, 1),
                         (1, 201), (900, None)):
        c.csv(p, first=first, count=count)
    res = c.run('csv', p, '-o', c.path('x.csv'), '--first', 990, '--count', 11)
    c.expect(res.returncode == 2, '--first/--count past the block must be a usage error')
    # An existing output is kept unless --force.
    c.write('exists.csv', b'old')
    res = c.run('csv', p, '-o', c.path('exists.csv'))
    c.expect(res.returncode == 3 and b'File already exists.' in res.stderr and
             open(c.path('exists.csv'), 'rb').read() == b'old', 'existing csv must be kept')
    res = c.run('csv', p, '-o', c.path('exists.csv'), '--force', '--count', 2)
    c.compare('csv --force', open(c.path('exists.csv'), 'rb').read(),
              kvref.csv_bytes(kvref.open_file(p), 0, 2, 0))


@case('wvf')
def unequal_trace_lengths(c):
    # The second trace has fewer samples than the first; the whole-block default
    # would read past its block.
    g = ki.GroupDesc(['L', 'S'], ['IS2', 'IS2'], [[10, 8]])
    c.write_header('uneq.hdr', ki.header_lines('QV1000', [g], data_format='Block'))
    p = c.write('uneq.wvf', ki.wvf_bytes([g], [[list(range(10))], [list(range(8))]],
                                         data_format='Block'))
    c.csv(p)
    c.csv(p, count=8)


@case('wvf')
def truncated_data_file(c):
    g = ki.GroupDesc(['T'], ['IS2'], [[300]])
    c.write_header('trunc.hdr', ki.header_lines('QV1000', [g]))
    p = c.write('trunc.wvf', ki.wvf_bytes([g], [[list(range(250))]]))
    c.csv(p)
    c.csv(p, count=250)


# ============================================================ header quirks

def simple_group(n=2, samples=12, blocks=1, **kw):
    return ki.GroupDesc(['T%d' % (t + 1) for t in range(n)], ['IS2'] * n,
                        [[samples] * n for _ in range(blocks)], **kw)


def simple_samples(n, samples, blocks=1):
    return [[[(t + 1) * 100 + b * 10 + i for i in range(samples)] for b in range(blocks)]
            for t in range(n)]


@case('header')
def shared_dates_qv31_qv6(c):
    for model in ('QV3100', 'QV6000'):
        g = simple_group(2, 12, blocks=3, dates=['98/07/01'] * 3, times=['12:34:56'] * 3)
        lines = ki.header_lines(model, [g], per_block_stamps=False)
        c.write_header(model + '.hdr', lines)
        p = c.write(model + '.wvf', ki.wvf_bytes([g], simple_samples(2, 12, 3)))
        for b in range(3):
            c.csv(p, block=b)
    # A model merely starting with QV3 (not QV31) keeps one Date line per block.
    g = simple_group(1, 4, blocks=2)
    lines = ki.header_lines('QV3200', [g], per_block_stamps=False)
    c.write_header('qv32.hdr', lines)
    p = c.write('qv32.wvf', ki.wvf_bytes([g], simple_samples(1, 4, 2)))
    c.csv(p, block=1)


@case('header')
def qv6_removes_unrecognised(c):
    g = ki.GroupDesc(['A', 'X', 'B'], ['IS2', 'XX', 'IS2'], [[10, 99, 11], [12, 98, 13]],
                     vres=[1.0, 7.0, 0.5], units=['V', 'Z', 'A'])
    kept = ki.GroupDesc(['A', 'B'], ['IS2', 'IS2'], [[10, 11], [12, 13]])
    samples = [[list(range(10)), list(range(12))], [list(range(11)), list(range(13))]]
    c.write_header('qv6.hdr', ki.header_lines('QV6500', [g], per_block_stamps=False,
                                              data_format='Block'))
    p = c.write('qv6.wvf', ki.wvf_bytes([kept], samples, data_format='Block'))
    c.csv(p, count=10)
    c.csv(p, block=1, count=12)
    c.info(p)
    info = c.run('info', p).stdout.decode()
    c.expect('Traces       2' in info and '"X"' not in info, 'QV6 info must list 2 traces')
    # Any other model keeps the trace; it cannot be read, so no CSV is written.
    lines = ki.header_lines('QV5000', [g], data_format='Block')
    c.write_header('qv5.hdr', lines)
    p = c.write('qv5.wvf', ki.wvf_bytes([kept], samples, data_format='Block'))
    info = c.run('info', p).stdout.decode()
    c.expect('Traces       3' in info, 'QV5000 keeps the unrecognised trace')


@case('header')
def block_size_runs(c):
    g = simple_group(2, 8, blocks=3)
    lines = ki.header_lines('QV1000', [g])
    # One BlockSize line serves all three blocks.
    one = [l for l in lines if not l.startswith(('BlockSize2', 'BlockSize3'))]
    c.write_header('run1.hdr', one)
    p = c.write('run1.wvf', ki.wvf_bytes([g], simple_samples(2, 8, 3)))
    c.csv(p, block=2)
    # More BlockSize lines than blocks: the line after the run is not VResolution.
    extra = list(lines)
    i = extra.index(next(l for l in extra if l.startswith('BlockSize3')))
    extra.insert(i + 1, ki.line('BlockSize4', [8, 8]))
    c.write_header('run2.hdr', extra)
    c.open_fails(c.write('run2.wvf', b'\0' * 200), 'four BlockSize lines for three blocks')
    # A blank line between the run and VResolution.
    blank = list(lines)
    blank.insert(i + 1, '')
    c.write_header('run3.hdr', blank)
    c.open_fails(c.write('run3.wvf', b'\0' * 200), 'blank line before VResolution')


@case('header')
def key_order_and_prefixes(c):
    g = simple_group(2, 6)
    base = ki.header_lines('QV1000', [g])
    data = ki.wvf_bytes([g], simple_samples(2, 6))
    # Other first line, comments and unknown keys between the known ones.
    lines = ['garbage first line'] + base[1:]
    lines.insert(lines.index(next(l for l in lines if l.startswith('VOffset'))),
                 'Comment  something else')
    lines.insert(lines.index(next(l for l in lines if l.startswith('Endian'))),
                 'ModelX  not the key')
    c.write_header('keys1.hdr', lines)
    c.csv(c.write('keys1.wvf', data))
    # "ModelVersion" standing before "Model" answers the Model search.
    lines = list(base)
    lines.insert(lines.index(next(l for l in lines if l.startswith('Model '))),
                 ki.key('ModelVersion') + 'V9.99')
    c.write_header('keys2.hdr', lines)
    c.csv(c.write('keys2.wvf', data))
    c.info(c.path('keys2.wvf'))
    # A key standing too early is lost.
    lines = list(base)
    i = lines.index(next(l for l in lines if l.startswith('Endian')))
    lines[i], lines[i + 1] = lines[i + 1], lines[i]
    c.write_header('keys3.hdr', lines)
    c.open_fails(c.write('keys3.wvf', data), 'DataFormat before Endian')
    # Key lines matched by their prefix: "HOffsetX", "VUnits", "Datex".
    lines = [l.replace('HOffset  ', 'HOffsetX ', 1) if l.startswith('HOffset') else l
             for l in base]
    lines = [('VUnits' + l[6:]) if l.startswith('VUnit') else l for l in lines]
    c.write_header('keys4.hdr', lines)
    c.csv(c.write('keys4.wvf', data))
    # Fewer Date lines than blocks: the other blocks get empty dates.
    g3 = simple_group(1, 4, blocks=3)
    lines = [l for l in ki.header_lines('QV1000', [g3]) if not l.startswith('Date3')]
    c.write_header('dates.hdr', lines)
    p = c.write('dates.wvf', ki.wvf_bytes([g3], simple_samples(1, 4, 3)))
    for b in range(3):
        c.csv(p, block=b)
    c.info(p)


@case('header')
def long_texts_and_numbers(c):
    g = ki.GroupDesc(['ABCDEFGHIJKLMNOPQRSTUVWXYZ', 'tab\tname', 'q"uote'],
                     ['IS2', 'IS2', 'IS2'], [[5, 5, 5]],
                     units=['UNIT_LONGER_THAN_NINETEEN', 'mV', 'V'],
                     hunit='SECONDS_LONGER_THAN_19', dates=['2026/12/06-LONG-DATE-TEXT'],
                     times=['10:20:30.123456789012'])
    lines = ki.header_lines('QV1000-WITH-A-LONG-MODEL-NAME', [g], data_offset=2)
    # Numbers in the several spellings a header may hold.
    lines = [ki.line('VResolution', ['1.0000000E-03', '+2', '5.']) if l.startswith('VResolution')
             else ki.line('VOffset', ['-5.0', '.25', '1e1']) if l.startswith('VOffset')
             else ki.line('HResolution', ['2.5E-07'] * 3) if l.startswith('HResolution')
             else ki.line('HOffset', ['-1.0E+00'] * 3) if l.startswith('HOffset')
             else ki.key('DataOffset') + '+2' if l.startswith('DataOffset')
             else l for l in lines]
    c.write_header('long.hdr', lines)
    p = c.write('long.wvf', ki.wvf_bytes([g], [[[1, -1, 0, 300, -300]]] * 3, data_offset=2))
    c.csv(p)
    c.csv(p, first=2, count=3)
    c.info(p)


@case('header')
def header_names(c):
    g = simple_group(1, 6)
    data = ki.wvf_bytes([g], simple_samples(1, 6))
    lines = ki.header_lines('QV1000', [g])
    # Upper-case names of instrument media.
    c.write_header('media/WAVE0001.HDR', lines)
    c.csv(c.write('media/WAVE0001.WVF', data))
    # Numbered files sharing one header (wave0002.wvf -> wave.hdr).
    c.write_header('num/wave.hdr', ki.header_lines('QV2000', [g]))
    c.csv(c.write('num/wave0002.wvf', data))
    c.write_header('NUM/WAVE.HDR', ki.header_lines('QV3000', [g]))
    c.csv(c.write('NUM/WAVE0003.WVF', data))
    # The first "wvf" of the whole path names the header: <dir>/wvf/a.wvf -> <dir>/hdr.
    c.write_header('hdr', ki.header_lines('QV-DIR', [g]))
    c.write_header('wvf/a.hdr', ki.header_lines('QV-FILE', [g]))
    c.csv(c.write('wvf/a.wvf', data))
    # "rtm" before "wvf": <dir>/rtmx/b.wvf -> <dir>/hdr as well.
    c.csv(c.write('rtmx/b.wvf', data))
    # Without <dir>/deep/hdr the header beside the file is used.
    c.write_header('deep/wvf/c.hdr', ki.header_lines('QV-BESIDE', [g]))
    c.csv(c.write('deep/wvf/c.wvf', data))
    c.write_header('deep/rtm2/d.hdr', ki.header_lines('QV-BESIDE2', [g]))
    c.csv(c.write('deep/rtm2/d.wvf', data))
    # A folder under the lower-case name is no header: the upper-case one is used.
    os.makedirs(c.path('sub/hdr'))
    c.write_header('sub/wvf/A.HDR', ki.header_lines('QV-UPPER', [g]))
    c.csv(c.write('sub/wvf/A.WVF', data))
    # Reader chosen without regard to letter case of the ending.
    c.write_header('mixed.hdr', lines)
    p = c.write('mixed.wvf', data)
    os.rename(p, c.path('mixed.Wvf'))
    c.open_fails(c.path('mixed.Wvf'), 'mixed.Wvf has no lower-case header name')


# ============================================================ value texts and %G

@case('values')
def value_texts(c):
    raws = [0, 5, 1234567, 12345678, -1, 9999999, 19999999, 99999995, 123, -98765432,
            2 ** 31 - 1, -2 ** 31, 1, 10, 100, 1000000, 10000000, 7, 99999994]
    scales = [(1.0, 0.0), (0.5, 0.0), (0.05, 0.0), (-0.25, 0.0), (1e-3, 0.0), (1e-9, 0.0),
              (0.1, -0.05), (1e7, 0.0), (3.3e-5, 1e-4), (1.0, 0.05), (1e-7, 0.0),
              (0.00999999, 0.0), (1.0, -1e12)]
    n = len(scales)
    g = ki.GroupDesc(['V%d' % i for i in range(n)], ['IS4'] * n, [[len(raws)] * n],
                     vres=[s[0] for s in scales], voff=[s[1] for s in scales])
    # %.7E in the header keeps these scales exact enough to matter in the 7th digit.
    c.write_header('vals.hdr', ki.header_lines('QV1000', [g]))
    p = c.write('vals.wvf', ki.wvf_bytes([g], [[raws]] * n))
    c.csv(p)
    # Hand-checked texts, independent of the reference's own rule.
    f = kvref.open_file(p)
    table = {0.0: '0.', 5.0: '5.', -0.25: '-0.25', 0.05: '5.e-002', 1234567.0: '1234567',
             123456.7: '123456.7', 100000.0: '100000.',
             12345678.0: '1.234568e+007', 9999999.5: '1.e+007', 0.099999999: '0.1',
             999999.96: '1000000', 999999.94: '999999.9', 0.0099999996: '1.e-002', -98765432.0: '-9.876543e+007',
             1e-7: '1.e-007', 123.456789: '123.4568', 0.1: '0.1'}
    for v, text in list(table.items()) + [(-0.0, '-0.')]:
        c.expect(kvref.value_text(v) == text, 'reference text of %r is %r' %
                 (v, kvref.value_text(v)))
    del f


@case('values')
def g_lines(c):
    table = {1e-05: '1E-005', 0.001: '0.001', 0.5: '0.5', 1e6: '1E+006', 123456789.0:
             '1.23457E+008', 2.5e-7: '2.5E-007', 0.0001: '0.0001', 100000.0: '100000',
             -3.0: '-3', 0.0: '0'}
    for v, text in table.items():
        c.expect(kvref.g_text(v) == text, 'reference %%G of %r is %r' % (v, kvref.g_text(v)))
    for k, (hres, hoff, first) in enumerate([(1e-05, 0.0, 0), (0.001, -0.5, 1000),
                                             (0.1, 0.0, 3), (1e6, -1e6, 1),
                                             (123456789.0, 0.0, 2), (2.5e-7, 1e-3, 7)]):
        g = ki.GroupDesc(['H'], ['IS2'], [[1100]], hres=hres, hoff=hoff)
        c.write_header('g%d.hdr' % k, ki.header_lines('QV1000', [g]))
        p = c.write('g%d.wvf' % k, ki.wvf_bytes([g], [[[0] * 1100]]))
        c.csv(p, first=first, count=2)


# ============================================================ realtime files

def rtm_case(c, name, frame_channels, width, n, region_sizes, mask_bits, dspchattr=None,
             little=True, ring_flag=(0, 0, 0), ring_start=(0, 0, 0), types=None,
             vres=None, app_info=False, blocksize=None):
    """Writes name.rtm/.hdr; traces are the channels of mask_bits in order."""
    traces = [b for b in range(32) if mask_bits & (1 << b)]
    types = types or {1: 'IS1', 2: 'IS2', 4: 'IS4'}[width]
    rnd = random.Random(name)
    lim = {1: 127, 2: 32767, 4: 2 ** 31 - 1}[width]
    streams = []
    for r, size in enumerate(region_sizes):
        total = size // (len(frame_channels) * width)
        streams.append({ch: [rnd.randint(-lim, lim) for _ in range(total)] for ch in traces})
    private = {'AcqDataOffset': 0, 'PPDataOffset': region_sizes[0],
               'DspDataOffset': region_sizes[0] + region_sizes[1],
               'AcqDataSize': region_sizes[0], 'PPDataSize': region_sizes[1],
               'DspDataSize': region_sizes[2],
               'display': [n // 1000] * len(traces)}
    if dspchattr is not None:
        private['DspChAttr'] = dspchattr
    word = None if dspchattr is not None else sum(1 << (15 - b) for b in traces if b < 16)
    size_row = blocksize or [n] * len(traces)
    g = ki.GroupDesc(['CH%d' % (ch + 1) for ch in traces],
                     [types] * len(traces) if isinstance(types, str) else types,
                     [size_row], vres=vres or [0.001 * (i + 1) for i in range(len(traces))],
                     hres=1e-3, hoff=-0.25)
    c.write_header(name + '.hdr', ki.header_lines('QV818', [g], endian='Ltl' if little
                                                  else 'Big', private=private,
                                                  application_info=app_info))
    p = c.write(name + '.rtm', ki.rtm_bytes(frame_channels, width, streams, region_sizes,
                                            little, ring_flag, ring_start, word))
    # The reference must find what was written: the newest samples of each region.
    f = kvref.RtmFile(p)
    e = '<' if little else '>'
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
    p = rtm_case(c, 'dsp', [0, 1, 2, 3], 2, 300, (4 * 2 * 300, 4 * 2 * 4, 4 * 2 * 2), 0b111,
                 dspchattr=0b111, little=False)
    c.csv(p)
    # Five channels from the channel word: the frame holds all eight.
    p = rtm_case(c, 'eight', list(range(8)), 1, 200, (8 * 200, 8 * 4, 8 * 2), 0b10110101)
    c.csv(p)
    c.info(p)
    # Channels 0 and 9 from the channel word: the frame holds channel 0 only, and
    # channel 9 falls on its last slot.
    p = rtm_case(c, 'ch9', [0], 2, 100, (1 * 2 * 100, 1 * 2 * 2, 1 * 2 * 2), 0b1000000001)
    c.csv(p)
    # Big-endian trailer and samples, 4-byte samples, two channels.
    p = rtm_case(c, 'big4', [2, 6], 4, 120, (2 * 4 * 120, 2 * 4 * 2, 2 * 4 * 2), 0b1000100,
                 little=False, types=['IS4', 'IU4'])
    c.csv(p)


@case('rtm')
def rtm_regions_and_rings(c):
    # Acquisition region larger than the block: the newest samples end the region.
    p = rtm_case(c, 'pad', [0, 1], 2, 220, (2 * 2 * 300, 2 * 2 * 4, 2 * 2 * 2), 0b11)
    c.csv(p)
    # Ring buffers in every region, starts not on a frame.
    p = rtm_case(c, 'ring', [0, 1], 2, 300, (2 * 2 * 300, 2 * 2 * 6, 2 * 2 * 2), 0b11,
                 ring_flag=(1, 1, 1), ring_start=(1002, 6, 2))
    c.csv(p)
    c.csv(p, first=100, count=200)
    p = rtm_case(c, 'ringbig', [1, 3], 2, 300, (2 * 2 * 320, 2 * 2 * 6, 2 * 2 * 2), 0b1010,
                 dspchattr=0b1010, little=False, ring_flag=(1, 0, 0), ring_start=(2, 0, 0))
    c.csv(p)
    # An odd first sample: reads start on whole frames.
    c.csv(p, first=3, count=4)
    # An odd block size: the last sample of a pair can't be read alone.
    p = rtm_case(c, 'odd', [0, 1], 2, 151, (2 * 2 * 152, 2 * 2 * 2, 2 * 2 * 2), 0b11)
    c.csv(p)
    c.csv(p, count=150)


@case('convert')
def rtm_conversion(c):
    sizes = (2 * 2 * 3000, 2 * 2 * 30, 2 * 2 * 4)
    for name, kw in (('cv', {}),
                     ('cvbig', {'little': False, 'dspchattr': 0b11}),
                     ('cvring', {'ring_flag': (1, 1, 1), 'ring_start': (4000, 40, 4)})):
        p = rtm_case(c, name, [0, 1], 2, 3000, sizes, 0b11, app_info=True, **kw)
        for mode, ratio in enumerate((1, 100, 1000)):
            out = c.path('%s_%d.wvf' % (name, ratio))
            res = c.run('convert', p, '-o', out, '--ratio', ratio)
            if not c.expect(res.returncode == 0, 'convert %s 1/%d: exit %d %r' %
                            (name, ratio, res.returncode, res.stderr)):
                continue
            data, header = kvref.convert_outputs(p, mode)
            c.compare('convert %s 1/%d data' % (name, ratio), open(out, 'rb').read(), data)
            c.compare('convert %s 1/%d header' % (name, ratio),
                      open(kvref.converted_header_path(out), 'rb').read(), header)
            # The converted pair reads back as a .wvf file.
            c.csv(out)
    # Per-block keys, "?" values and a BlockSize of 12,345 at 1/1000.
    lines = ki.header_lines('QV818', [simple_group(2, 12345)], private={'AcqDataSize': 8})
    lines += [ki.line('BlockSize2', [12345, '?']), ki.line('HResolution3', ['?', '1e-3']),
              ki.line('DisplayBlockSize', [-12345, 999])]
    src = ki.header_bytes(lines)
    for d in (1, 100, 1000):
        text = kvref.converted_header(src, d).decode()
        c.expect(('BlockSize         %d  %d' % (12345 // d, 12345 // d)) in text and
                 ('BlockSize         %d  0' % (12345 // d)) in text and
                 ('HResolution       0.0000000E+000 %s' % kvref.e7_text(1e-3 * d)) in text and
                 ('DisplayBlockSize  %d  %d' % (-(12345 // d), 999 // d)) in text,
                 'reference header rewrite 1/%d' % d)


@case('convert')
def conversion_edges(c):
    # Odd lengths in every region keep later traces in their place.
    p = rtm_case(c, 'odd', [0, 1], 2, 301, (2 * 2 * 302, 2 * 2 * 4, 2 * 2 * 2), 0b11,
                 blocksize=[301, 301])
    for ratio, mode in ((1, 0), (100, 1)):
        out = c.path('odd_%d.wvf' % ratio)
        res = c.run('convert', p, '-o', out, '--ratio', ratio)
        if c.expect(res.returncode == 0, 'convert odd: exit %d' % res.returncode):
            data, header = kvref.convert_outputs(p, mode)
            c.compare('convert odd 1/%d data' % ratio, open(out, 'rb').read(), data)
            c.compare('convert odd 1/%d header' % ratio, open(c.path('odd_%d.hdr' % ratio),
                                                                'rb').read(), header)
    # Upper-case media names: REC.RTM beside REC.HDR.
    p2 = rtm_case(c, 'upper', [0, 1], 1, 2000, (2 * 2000, 2 * 20, 2 * 2), 0b11, dspchattr=3)
    os.rename(p2, c.path('REC.RTM'))
    os.rename(c.path('upper.hdr'), c.path('REC.HDR'))
    res = c.run('convert', c.path('REC.RTM'), '-o', c.path('rec.wvf'), '--ratio', 100)
    if c.expect(res.returncode == 0, 'convert REC.RTM: exit %d' % res.returncode):
        data, header = kvref.convert_outputs(c.path('REC.RTM'), 1)
        c.compare('convert REC.RTM data', open(c.path('rec.wvf'), 'rb').read(), data)
        c.compare('convert REC.RTM header', open(c.path('rec.hdr'), 'rb').read(), header)
    c.csv(c.path('REC.RTM'), first=1000, count=301)
    # An existing non-empty output is never touched; an empty one is filled.
    c.write('full.wvf', b'keep')
    res = c.run('convert', p, '-o', c.path('full.wvf'))
    c.expect(res.returncode == 5 and b'File already exists.' in res.stderr and
             open(c.path('full.wvf'), 'rb').read() == b'keep' and
             not os.path.exists(c.path('full.hdr')), 'non-empty output must give exit 5')
    c.write('empty.wvf', b'')
    res = c.run('convert', p, '-o', c.path('empty.wvf'))
    c.expect(res.returncode == 0 and open(c.path('empty.wvf'), 'rb').read() ==
             kvref.convert_outputs(p, 0)[0], 'an empty output file is filled')
    # No lower-case w in the file name: no header name; nothing is left behind.
    res = c.run('convert', p, '-o', c.path('OUT.WVF'))
    c.expect(res.returncode == 1 and not os.path.exists(c.path('OUT.WVF')),
             'OUT.WVF has no header name: exit 1, no files')


# ============================================================ floating files

def info_numbers(c, path):
    out = c.run('info', path).stdout.decode()
    m = re.search(r'VResolution (\S+)\s+VOffset (\S+)', out)
    return (m.group(1), m.group(2)) if m else (None, None)


def g10(v):
    return kvref._widen_exponent('%.10G' % v)


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
    for name, values in sets.items():
        values = [kvref.f32(v) for v in values]
        p = c.write(name + '.fld', ki.fld_bytes(values))
        c.csv(p)
        c.info(p)
        f = kvref.FldFile(p)
        c.expect(info_numbers(c, p) == (g10(f.vres), g10(f.voff)),
                 '%s: info VResolution/VOffset %r, want %r' %
                 (name, info_numbers(c, p), (g10(f.vres), g10(f.voff))))
    f = kvref.FldFile(c.path('three.fld'))
    c.expect((f.top, f.bottom, f.vres, f.voff) == (3.5, -1.5, 7.8125e-5, 1.0),
             'reference scale of -1, 3, 0.5')
    f = kvref.FldFile(c.path('flat3.fld'))
    c.expect((f.top, f.bottom) == (kvref.f32(3.0005), kvref.f32(2.9995)),
             'reference scale of flat 3.0')
    p = c.write('ten.fld', ki.fld_bytes([1.5, -2.25]) + b'\x01\x02')
    c.csv(p)
    c.csv(p, first=1, count=1)
    c.csv(c.write('empty.fld', b''))
    rnd = random.Random(99)
    for k in range(30):
        scale = 10 ** rnd.uniform(-20, 20)
        centre = rnd.choice([0.0, rnd.uniform(-50, 50) * scale])
        values = [kvref.f32(centre + rnd.uniform(-1, 1) * scale)
                  for _ in range(rnd.randint(1, 40))]
        p = c.write('rnd%d.fld' % k, ki.fld_bytes(values))
        f = kvref.FldFile(p)
        c.expect(info_numbers(c, p) == (g10(f.vres), g10(f.voff)),
                 'rnd%d: info VResolution/VOffset %r, want %r' %
                 (k, info_numbers(c, p), (g10(f.vres), g10(f.voff))))
        c.csv(p)
    p = c.write('upper.FLD', ki.fld_bytes([kvref.f32(v / 7.0) for v in range(230)]))
    c.csv(p, first=5, count=205)


# ============================================================ random files

TYPES = ['IS1', 'IU1', 'B8', 'IS2', 'IU2', 'B16', 'B12', 'IS4', 'IU4', 'FS4']
WIDTH = {'IS1': 1, 'IU1': 1, 'B8': 1, 'IS2': 2, 'IU2': 2, 'B16': 2, 'B12': 2, 'IS4': 4,
         'IU4': 4, 'FS4': 4}


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
            if rnd.random() < 0.5:
                types = [rnd.choice(TYPES)] * n
            else:
                types = [rnd.choice(TYPES) for _ in range(n)]
            same = rnd.randint(1, 150)
            sizes = [[same if rnd.random() < 0.7 else rnd.randint(1, 150) for _ in range(n)]
                     for _ in range(blocks)]
            groups.append(ki.GroupDesc(['G%dT%d' % (gi, t) for t in range(n)], types, sizes,
                                       vres=[random_scale(rnd) for _ in range(n)],
                                       voff=[rnd.choice([0.0, random_scale(rnd)])
                                             for _ in range(n)],
                                       hres=abs(random_scale(rnd)) or 1.0,
                                       hoff=rnd.choice([0.0, random_scale(rnd)])))
        model = rnd.choice(['QV1000', 'QV3100', 'QV6100', 'QV818', 'QV4300'])
        shared = model.startswith(('QV31', 'QV6'))
        fmt = rnd.choice(['Trace', 'Block'])
        endian = rnd.choice(['Ltl', 'Big'])
        offset = rnd.randint(0, 20)
        c.write_header('r%d.hdr' % k, ki.header_lines(model, groups, endian=endian,
                                                      data_format=fmt, data_offset=offset,
                                                      per_block_stamps=not shared))
        need = offset + sum(WIDTH[t] * s for g in groups for b in g.sizes
                            for t, s in zip(g.types, b))
        length = need + rnd.randint(0, 40) if rnd.random() < 0.85 else rnd.randint(0, need)
        p = c.write('r%d.wvf' % k, bytes(rnd.randrange(256) for _ in range(length)))
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
        if rnd.random() < 0.5:
            dsp = rnd.randint(1, 255)
            mask, word_mask = dsp, None
        else:
            dsp = None
            mask = rnd.randint(1, 255)
        # The frame channel set as the reader completes it.
        if dsp is not None:
            f = dsp
            for bit in range(32):
                if kvref._popcount(f) in (1, 2, 4, 8, 16, 32):
                    break
                f |= 1 << bit
        else:
            f = mask
            if kvref._popcount(f) > 4:
                f = 0xFF
            elif kvref._popcount(f) == 3:
                f |= next(1 << b for b in (0, 4, 2, 6) if not f & (1 << b))
        frame = [b for b in range(32) if f & (1 << b)]
        if rnd.random() < 0.3:
            frame += [-1] * rnd.randint(1, 3)   # frames with slots of no trace
        cs = len(frame) * width
        n = rnd.randint(2, 2500)
        sizes = (cs * (n + rnd.randint(0, 30)), cs * (n // 100 + rnd.randint(0, 6)),
                 cs * (n // 1000 + rnd.randint(0, 4)))
        flags = tuple(rnd.choice([0, 1]) for _ in range(3))
        starts = tuple(rnd.randrange(s) if s else 0 for s in sizes)
        p = rtm_case(c, 'rr%d' % k, frame, width, n, sizes, mask, dspchattr=dsp,
                     little=rnd.random() < 0.5, ring_flag=flags, ring_start=starts,
                     types=[rnd.choice([t for t in TYPES if WIDTH[t] == width])
                            for _ in range(kvref._popcount(mask))])
        first = rnd.randint(0, n)
        c.csv(p, first=first, count=rnd.randint(0, min(n - first, 300)))
        mode = rnd.randrange(3)
        out = c.path('rr%d_out.wvf' % k)
        res = c.run('convert', p, '-o', out, '--ratio', kvref.DIVISORS[mode])
        try:
            data, header = kvref.convert_outputs(p, mode)
        except kvref.ShortRead:
            c.expect(res.returncode == 1 and not os.path.exists(out), 'rr%d: refusal' % k)
            continue
        if c.expect(res.returncode == 0, 'convert rr%d mode %d: exit %d %r' %
                    (k, mode, res.returncode, res.stderr)):
            c.compare('convert rr%d data' % k, open(out, 'rb').read(), data)
            c.compare('convert rr%d header' % k,
                      open(kvref.converted_header_path(out), 'rb').read(), header)


# ============================================================ main

def main(argv):
    if len(argv) < 2:
        print(__doc__)
        return 2
    cli = argv[1]
    groups = argv[2:] or sorted(CASES)
    check = Check(cli)
    for group in groups:
        for fn in CASES[group]:
            check.case = '%s/%s' % (group, fn.__name__)
            check.dir = clean_temp_dir()
            try:
                fn(check)
            except Exception as e:  # a broken case is a failure, not a crash
                check.fail('raised %s: %s' % (type(e).__name__, e))
            finally:
                shutil.rmtree(check.dir, ignore_errors=True)
    for f in check.failures:
        print('FAIL', f)
    print('%d checks (%d expected refusals), %d failures (%s)' %
          (check.checks, check.refusals, len(check.failures), ' '.join(groups)))
    return 1 if check.failures else 0


if __name__ == '__main__':
    sys.exit(main(sys.argv))
