"""Hand-made input files: headers in the instruments' layout, .wvf, .rtm and .fld data."""

import struct

# VDataType -> struct letter of one sample
PACK = {'IS1': 'b', 'IU1': 'B', 'B8': 'B', 'IS2': 'h', 'IU2': 'H', 'B16': 'H',
        'IS4': 'i', 'IU4': 'I', 'FS4': 'f'}


def key(name):
    """A key left-justified in 20 characters."""
    return name.ljust(20)


def columns(values):
    return ''.join((str(v) + ' ').ljust(16) for v in values).rstrip()


def line(name, values):
    return key(name) + columns(values)


def keyed(name, b, blocks):
    """The key of block b of a per-block line ("BlockSize2"), bare for one block."""
    return name if blocks == 1 else '%s%d' % (name, b + 1)


class GroupDesc:
    """One $Group: per-trace lists and per-block sizes/dates/times."""

    def __init__(self, names, types, sizes, vres=None, voff=None, units=None,
                 hres=0.001, hoff=0.0, hunit='s', dates=None, times=None):
        self.names, self.types = names, types
        n = len(names)
        self.sizes = sizes                      # [block][trace]
        self.vres = vres or [1.0] * n
        self.voff = voff or [0.0] * n
        self.units = units or ['V'] * n
        self.hres, self.hoff, self.hunit = hres, hoff, hunit
        blocks = len(sizes)
        self.dates = dates or ['26/12/%02d' % (b + 1) for b in range(blocks)]
        self.times = times or ['10:%02d:00' % b for b in range(blocks)]


def e7(v):
    return '%.7E' % v


def header_lines(model, groups, endian='Ltl', data_format='Trace', data_offset=0,
                 private=None, per_block_stamps=True, application_info=False):
    """Header lines as an instrument writes them (without line ends)."""
    n_total = sum(len(g.names) for g in groups)
    out = ['//ORVANTIS ASCII FILE FORMAT', '', '$PublicInfo', '',
           key('FormatVersion') + '1.10', key('Model') + model, key('Endian') + endian,
           key('DataFormat') + data_format, key('GroupNumber') + str(len(groups)),
           key('TraceTotalNumber') + str(n_total), key('DataOffset') + str(data_offset)]
    for gi, g in enumerate(groups):
        n, blocks = len(g.names), len(g.sizes)
        out += ['', '$Group%d' % (gi + 1), key('TraceNumber') + str(n),
                key('BlockNumber') + str(blocks), line('TraceName', g.names)]
        out += [line(keyed('BlockSize', b, blocks), g.sizes[b]) for b in range(blocks)]
        out += [line('VResolution', [e7(v) for v in g.vres]),
                line('VOffset', [e7(v) for v in g.voff]),
                line('VDataType', g.types), line('VUnit', g.units)]
        for k in ('VPlusOverData', 'VMinusOverData', 'VIllegalData', 'VMaxData', 'VMinData'):
            out.append(line(k, ['0'] * n))
        out += [line('HResolution', [e7(g.hres)] * n), line('HOffset', [e7(g.hoff)] * n),
                line('HUnit', [g.hunit] * n)]
        if per_block_stamps:
            out += [line(keyed('Date', b, blocks), [g.dates[b]] * n) for b in range(blocks)]
            out += [line(keyed('Time', b, blocks), [g.times[b]] * n) for b in range(blocks)]
        else:
            out += [line('Date', ['????'] + [g.dates[0]] * n),
                    line('Time', ['????'] + [g.times[0]] * n)]
    out += ['', '$PrivateInfo', '']
    if private:
        out += [line('DisplayBlockSize', private.get('display', [1000] * n_total))]
    out += [key('ModelVersion') + '1.02', line('InputModule', ['M1'] * n_total)]
    if private:
        for k in ('AcqDataOffset', 'PPDataOffset', 'DspDataOffset', 'AcqDataSize',
                  'PPDataSize', 'DspDataSize', 'DspChAttr'):
            if k in private:
                out.append(key(k) + str(private[k]))
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
    blocks = len(groups[0].sizes)
    out = b'\xAA' * data_offset
    if data_format == 'Trace':
        for t, vt in enumerate(types):
            for b in range(blocks):
                out += pack(vt, samples[t][b], little)
    else:
        for b in range(blocks):
            for t, vt in enumerate(types):
                out += pack(vt, samples[t][b], little)
    return out


def rtm_bytes(frame_channels, width, streams, region_sizes, little=True, ring_flag=(0, 0, 0),
              ring_start=(0, 0, 0), channel_word=None):
    """A realtime data file.

    frame_channels: channel numbers of the frame, in slot order; streams[r][ch] is the
    whole sample sequence (oldest first) of channel ch in region r, filling the region
    (region_sizes[r] // (C x S) samples); channels without a stream get filler samples.
    """
    e = '<' if little else '>'
    letter = {1: 'b', 2: 'h', 4: 'i'}[width]
    c = len(frame_channels)
    regions = b''
    for r, size in enumerate(region_sizes):
        total = size // (c * width)
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
    tail[-28:] = struct.pack(e + 'HHHH3H2x3I', c, 0x5A5A, width, 0x5A5A, *ring_flag,
                             *ring_start)
    return regions + bytes(tail)


def fld_bytes(values):
    return struct.pack('<%df' % len(values), *values)
