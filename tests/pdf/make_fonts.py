#!/usr/bin/env python3
"""Font files for the PDF font tests, made from installed fonts at configure time:
  make_fonts.py collection OUT A.ttf B.ttf   a TrueType collection of two fonts
  make_fonts.py woff OUT A.ttf               the font wrapped as WOFF, tables stored as they are
"""
import struct
import sys


def tables(data):
    n = struct.unpack('>H', data[4:6])[0]
    out = []
    for i in range(n):
        tag, check, off, length = struct.unpack('>4sIII', data[12 + 16 * i:28 + 16 * i])
        out.append((tag, check, data[off:off + length]))
    return data[:4], out


def pad(b):
    return b + b'\0' * (-len(b) % 4)


def collection(out, fonts):
    fonts = [tables(open(f, 'rb').read()) for f in fonts]
    head = b'ttcf' + struct.pack('>II', 0x00010000, len(fonts))
    dirs_at = 12 + 4 * len(fonts)
    dir_sizes = [12 + 16 * len(t) for _, t in fonts]
    data_at = dirs_at + sum(dir_sizes)
    offsets, dirs, blobs = [], b'', b''
    for (version, ts), size in zip(fonts, dir_sizes):
        offsets.append(dirs_at + len(dirs))
        d = version + struct.pack('>HHHH', len(ts), 0, 0, 0)
        for tag, check, blob in ts:
            d += struct.pack('>4sIII', tag, check, data_at + len(blobs), len(blob))
            blobs += pad(blob)
        dirs += d
    head += b''.join(struct.pack('>I', o) for o in offsets)
    open(out, 'wb').write(head + dirs + blobs)


def woff(out, font):
    version, ts = tables(open(font, 'rb').read())
    at = 44 + 20 * len(ts)
    entries, blobs = b'', b''
    for tag, check, blob in ts:
        entries += struct.pack('>4sIIII', tag, at + len(blobs), len(blob), len(blob), check)
        blobs += pad(blob)
    sfnt = 12 + 16 * len(ts) + sum(len(pad(b)) for _, _, b in ts)
    total = 44 + len(entries) + len(blobs)
    head = b'wOFF' + version + struct.pack('>IHHIHHIIIII', total, len(ts), 0, sfnt, 1, 0, 0, 0, 0, 0, 0)
    open(out, 'wb').write(head + entries + blobs)


if __name__ == '__main__':
    if sys.argv[1] == 'collection':
        collection(sys.argv[2], sys.argv[3:])
    else:
        woff(sys.argv[2], sys.argv[3])
