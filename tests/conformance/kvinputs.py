"""Hand-made input files: headers in the instruments' layout, .wvf, .rtm and .fld data."""

import struct

# VDataType -> struct letter of one sample
PACK = {'IS1': 'b', 'IU1': 'B', 'B8': 'B', 'IS2': 'h', 'IU2': 'H', 'B16': 'H', 'B12': 'H',
        'IS4': 'i', 'IU4': 'I', 'FS4': 'f'}
WIDTH = {t: struct.calcsize(c) for t, c in PACK.items()}


def key(name):
    """A key left-justified in 20 characters."""
    return name.ljust(20)


def line(name, values):
    """A key and its values in 16-character columns."""
    return key(name) + ''.join((str(v) + ' ').ljust(16) for v in values).rstrip()


class GroupDesc:
    """One $Group: per-trace lists and per-block sizes ([block][trace]), dates and times."""

    def __init__(self, names, types, sizes, vres=None, voff=None, units=None,
                 hres=0.001, hoff=0.0, hunit='s', dates=None, times=None):
        n, blocks = len(names), len(sizes)
        self.names, self.types, self.sizes = names, types, sizes
        self.vres, self.voff = vres or [1.0] * n, voff or [0.0] * n
        self.units = units or ['V'] * n
        self.hres, self.hoff, self.hunit = hres, hoff, hunit
        self.dates = dates or ['26/12/%02d' % (b + 1) for b in range(blocks)]
        self.times = times or ['10:%02d:00' % b for b in range(blocks)]


def header_lines(model, groups, endian='Ltl', data_format='Trace', data_offset=0,
                 private=None, per_block_stamps=True, application_info=False, extra=()):
    """Header lines as an instrument writes them (without line ends)."""
    n_total = sum(len(g.names) for g in groups)
    e7 = lambda values: ['%.7E' % v for v in values]
    out = ['//ORVANTIS ASCII FILE FORMAT', '', '$PublicInfo', '',
           key('FormatVersion') + '1.10', key('Model') + model, key('Endian') + endian,
           key('DataFormat') + data_format, key('GroupNumber') + str(len(groups)),
           key('TraceTotalNumber') + str(n_total), key('DataOffset') + str(data_offset)]
    for gi, g in enumerate(groups):
        n, blocks = len(g.names), len(g.sizes)
        numbered = lambda name, b: name if blocks == 1 else '%s%d' % (name, b + 1)
        out += ['', '$Group%d' % (gi + 1), key('TraceNumber') + str(n),
                key('BlockNumber') + str(blocks), line('TraceName', g.names)]
        out += [line(numbered('BlockSize', b), g.sizes[b]) for b in range(blocks)]
        out += [line('VResolution', e7(g.vres)), line('VOffset', e7(g.voff)),
                line('VDataType', g.types), line('VUnit', g.units)]
        out += [line(k, ['0'] * n) for k in
                ('VPlusOverData', 'VMinusOverData', 'VIllegalData', 'VMaxData', 'VMinData')]
        out += [line('HResolution', e7([g.hres] * n)), line('HOffset', e7([g.hoff] * n)),
                line('HUnit', [g.hunit] * n)]
        if per_block_stamps:
            out += [line(numbered('Date', b), [g.dates[b]] * n) for b in range(blocks)]
            out += [line(numbered('Time', b), [g.times[b]] * n) for b in range(blocks)]
        else:
            out += [line('Date', ['????'] + [g.dates[0]] * n),
                    line('Time', ['????'] + [g.times[0]] * n)]
    out += ['', '$PrivateInfo', '']
    if private:
        out.append(line('DisplayBlockSize', private.get('display', [1000] * n_total)))
    out += [key('ModelVersion') + '1.02', line('InputModule', ['M1'] * n_total)]
    for k in ('AcqDataOffset', 'PPDataOffset', 'DspDataOffset', 'AcqDataSize', 'PPDataSize',
              'DspDataSize', 'DspChAttr'):
        if private and k in private:
            out.append(key(k) + str(private[k]))
    out += list(extra)
    if application_info:
        out += ['', '$ApplicationInfo', 'Comment   made by hand', 'BlockSize  7']
    return out


def header_bytes(lines):
    return ''.join(l + '\r\n' for l in lines).encode('latin-1')


def pack(vtype, values, little):
    return struct.pack(('<' if little else '>') + PACK[vtype] * len(values), *values)


def wvf_bytes(groups, samples, little=True, data_format='Trace', data_offset=0):
    """Data file of the natural layout; samples[t][b] is trace t's list for block b."""
    types = [t for g in groups for t in g.types]
    blocks = range(len(groups[0].sizes))
    order = ([(t, b) for t in range(len(types)) for b in blocks] if data_format == 'Trace' else
             [(t, b) for b in blocks for t in range(len(types))])
    return b'\xAA' * data_offset + b''.join(pack(types[t], samples[t][b], little) for t, b in order)


def rtm_bytes(frame_channels, width, streams, region_sizes, little=True, ring_flag=(0, 0, 0),
              ring_start=(0, 0, 0), channel_word=None):
    """A realtime data file.

    frame_channels: channel numbers of the frame, in slot order; streams[r][ch] is the
    whole sample sequence (oldest first) of channel ch in region r, filling the region
    (region_sizes[r] // (C x S) samples); channels without a stream get filler samples.
    """
    e = '<' if little else '>'
    letter = {1: 'b', 2: 'h', 4: 'i'}[width]
    regions = b''
    for r, size in enumerate(region_sizes):
        total = size // (len(frame_channels) * width)
        logical = bytearray()
        for i in range(0, total, 2):
            for slot, ch in enumerate(frame_channels):
                seq = streams[r].get(ch)
                for j in (i, i + 1):
                    v = seq[j] if seq is not None and j < len(seq) else (slot * 7 + j) % 50
                    logical += struct.pack(e + letter, v)
        logical = bytes(logical[:size]).ljust(size, b'\0')
        shift = ring_start[r] % size if ring_flag[r] == 1 and size else 0
        # Logical byte L lies at physical (L + ring start) modulo the region size.
        regions += logical[size - shift:] + logical[:size - shift]
    tail = bytearray(1974)
    if channel_word is not None:
        tail[0:2] = struct.pack(e + 'H', channel_word)
    tail[-28:] = struct.pack(e + 'HHHH3H2x3I', len(frame_channels), 0x5A5A, width, 0x5A5A,
                             *ring_flag, *ring_start)
    return regions + bytes(tail)


def fld_bytes(values):
    return struct.pack('<%df' % len(values), *values)
