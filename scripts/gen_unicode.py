#!/usr/bin/env python3
"""Generates the Unicode tables of Qel::Core from UnicodeData.txt.

Writes
  Core/tables/UnicodeData.cpp  the compressed character data read by Core/text/Unicode.cpp on first use
  Core/tables/UnicodeLowTables.cpp  the per-character tables for U+0000..U+07FF (flags, cases, ASCII fallback)

Usage: scripts/gen_unicode.py [path/to/UnicodeData.txt]
(default /usr/share/unicode/UnicodeData.txt, Debian package unicode-data)

Stream format (after zlib): a sequence of integers, each stored as one byte b (delta b) or
255 followed by a 32-bit little-endian delta; every delta d moves a running 32-bit value by
d - 127 and the running value is the next integer. The integers are:
  A, B                      canonical and compatibility decomposition counts, E = A + B
  E code points, then three columns of E values: the first three decomposition characters (0 = none)
  extension records         code point, further decomposition characters, 0; a lone 0 ends them
  C, C lower-case characters, C upper-case characters (simple case pairs touching U+0800 and up)
  five sets, each a count and that many code points:
    right-to-left, letters from U+0800 up, lower-case letters from U+0800 up without an upper case,
    upper-case letters without a lower case, combining marks
"""
import os
import sys
import zlib

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))


def load(path):
    chars = {}
    first = None
    with open(path, encoding='utf-8') as f:
        for line in f:
            fields = line.rstrip('\n').split(';')
            cp = int(fields[0], 16)
            name = fields[1]
            if name.endswith(', First>'):
                first = cp
                continue
            if name.endswith(', Last>'):
                # Ranges are given by their ends only; every code point between them shares the entry.
                for c in range(first, cp + 1):
                    chars[c] = fields
                first = None
                continue
            chars[cp] = fields
    return chars


def decomposition(fields):
    d = fields[5].split()
    if not d:
        return None, []
    compat = d[0].startswith('<')
    if compat:
        d = d[1:]
    return compat, [int(x, 16) for x in d]


def full_decomposition(chars, cp, seen=0):
    f = chars.get(cp)
    if f is None or seen > 8:
        return [cp]
    _, d = decomposition(f)
    if not d:
        return [cp]
    out = full_decomposition(chars, d[0], seen + 1)
    return out + d[1:]


def build_stream(chars):
    canon, compat = [], []
    for cp in sorted(chars):
        c, d = decomposition(chars[cp])
        if d:
            (compat if c else canon).append((cp, d))
    entries = canon + compat
    n = [len(canon), len(compat)]
    n += [cp for cp, _ in entries]
    for col in range(3):
        n += [d[col] if col < len(d) else 0 for _, d in entries]
    for cp, d in entries:
        if len(d) > 3:
            n += [cp] + d[3:] + [0]
    n.append(0)

    def upper(cp):
        u = chars[cp][12]
        return int(u, 16) if u else None

    def lower(cp):
        l = chars[cp][13]
        return int(l, 16) if l else None

    pairs = []
    for cp in sorted(chars):
        u = upper(cp)
        if u is not None and (cp >= 0x800 or u >= 0x800):
            pairs.append((cp, u))
    # The lower-case query finds the first pair of an upper-case letter: put the pair that is the
    # upper-case letter's own lower-case mapping first.
    pairs.sort(key=lambda p: 0 if lower(p[1]) == p[0] else 1)
    n.append(len(pairs))
    n += [p[0] for p in pairs]
    n += [p[1] for p in pairs]

    sets = [[], [], [], [], []]
    for cp in sorted(chars):
        f = chars[cp]
        cat = f[2]
        if f[4] in ('R', 'AL'):
            sets[0].append(cp)
        if cat in ('Lu', 'Ll', 'Lt', 'Lm', 'Lo') and cp >= 0x800:
            sets[1].append(cp)
        if cat == 'Ll' and cp >= 0x800 and upper(cp) is None:
            sets[2].append(cp)
        if cat == 'Lu' and lower(cp) is None:
            sets[3].append(cp)
        if cat in ('Mn', 'Mc', 'Me'):
            sets[4].append(cp)
    for s in sets:
        n.append(len(s))
        n += s
    return n, pairs


def encode(ints):
    out = bytearray()
    run = 0
    for v in ints:
        d = (v - run + 127) & 0xFFFFFFFF
        if d < 255:
            out.append(d)
        else:
            out.append(255)
            out += d.to_bytes(4, 'little')
        run = v
    return bytes(out)


def check_lower(chars, pairs):
    """Lists the upper-case characters whose lower case the pair list cannot give."""
    fixed = {0x1E9E: 0xDF, 0x2126: 0x3C9, 0x212A: 0x6B, 0x212B: 0xE5, 0xA64A: 0xA64B}
    first = {}
    for lo, up in pairs:
        first.setdefault(up, lo)
    bad = []
    for cp in sorted(chars):
        l = chars[cp][13]
        if not l or cp < 0x800:
            continue
        want = int(l, 16)
        got = fixed.get(cp, first.get(cp, cp))
        if got != want:
            bad.append((cp, want, got))
    return bad


def c_array(data, per_line, fmt):
    lines = []
    for i in range(0, len(data), per_line):
        lines.append('\t' + ', '.join(fmt(x) for x in data[i:i + per_line]) + ',')
    return '\n'.join(lines)


HEADER = '// Generated by scripts/gen_unicode.py from UnicodeData.txt {ver}; do not edit.\n'


def write_blob(blob, raw_size, ver):
    path = os.path.join(ROOT, 'Core', 'tables', 'UnicodeData.cpp')
    with open(path, 'w') as f:
        f.write(HEADER.format(ver=ver))
        f.write('#include <Core/text/Unicode.h>\n\nnamespace Qel {\nnamespace detail {\n\n')
        f.write('extern const int UnicodeDataRawSize = %d;\n' % raw_size)
        f.write('extern const int UnicodeDataSize = %d;\n' % len(blob))
        f.write('extern const byte UnicodeData[] = {\n')
        f.write(c_array(blob, 20, lambda x: '%d' % x))
        f.write('\n};\n\n} // namespace detail\n} // namespace Qel\n')


def write_lang_tables(chars, ver):
    flags, upper, lower, ascii_ = [], [], [], []
    for cp in range(0x800):
        f = chars.get(cp)
        fl, up, lo, asc = 0, cp, cp, 32
        if f:
            cat = f[2]
            if cat in ('Lu', 'Ll', 'Lt', 'Lm', 'Lo'):
                fl = 4 + (1 if cat == 'Ll' else 2 if cat == 'Lu' else 0)
            if f[12]:
                up = int(f[12], 16)
            if f[13]:
                lo = int(f[13], 16)
            first = full_decomposition(chars, cp)[0]
            if 32 <= first < 128:
                asc = first
        if cp < 128:
            asc = cp
        flags.append(fl)
        upper.append(up)
        lower.append(lo)
        ascii_.append(asc)
    assert max(upper) < 0x10000 and max(lower) < 0x10000
    path = os.path.join(ROOT, 'Core', 'tables', 'UnicodeLowTables.cpp')
    with open(path, 'w') as f:
        f.write(HEADER.format(ver=ver))
        f.write('#include <Core/text/UnicodeTables.h>\n\nnamespace Qel::detail {\n\n')
        f.write('// 4 letter, +1 lower-case letter, +2 upper-case letter\n')
        f.write('const byte UnicodeFlags800[2048] = {\n%s\n};\n\n' % c_array(flags, 32, str))
        f.write('const word UnicodeUpper800[2048] = {\n%s\n};\n\n' % c_array(upper, 16, lambda x: '0x%04x' % x))
        f.write('const word UnicodeLower800[2048] = {\n%s\n};\n\n' % c_array(lower, 16, lambda x: '0x%04x' % x))
        f.write('// the ASCII character a code point decomposes to, 32 where there is none\n')
        f.write('const byte UnicodeAscii800[2048] = {\n%s\n};\n\n' % c_array(ascii_, 32, str))
        f.write('} // namespace Qel::detail\n')


def main():
    src = sys.argv[1] if len(sys.argv) > 1 else '/usr/share/unicode/UnicodeData.txt'
    ver = ''
    readme = os.path.join(os.path.dirname(src), 'ReadMe.txt')
    if os.path.exists(readme):
        for line in open(readme, encoding='utf-8', errors='replace'):
            if 'Version ' in line and 'Unicode Standard' in line:
                ver = line.split('Version ')[1].split()[0]
                break
    chars = load(src)
    ints, pairs = build_stream(chars)
    raw = encode(ints)
    blob = zlib.compress(raw, 9)
    bad = check_lower(chars, pairs)
    for cp, want, got in bad:
        print('lower case of U+%04X is U+%04X, the pair list gives U+%04X' % (cp, want, got))
    write_blob(blob, len(raw), ver)
    write_lang_tables(chars, ver)
    print('%d integers, %d bytes, %d compressed' % (len(ints), len(raw), len(blob)))


if __name__ == '__main__':
    main()
