#!/usr/bin/env python3
"""Generates Core/tables/CharsetTables.cpp: the upper halves (bytes 128-255) of the 8-bit character sets.

Sources, in order of preference, all from Debian packages:
  glibc charmaps          /usr/share/i18n/charmaps/*.gz (package locales)
  glibc iconv             the iconv program, for sets that have a converter but no charmap
  Perl Encode             Apple's Mac code pages (package perl)
  recode                  Kamenicky and MuleLao-1 (package recode)
  Python codecs           the Windows Thai page
Two sets have no machine-readable source on Debian (IBM code page 853, RISC OS Latin-1); their
published tables are written out below.

A byte the set leaves undefined is stored as 31. A byte above 127 that a source maps to an ASCII
character is stored as undefined too, so that every byte survives a round trip through Unicode.

Usage: scripts/gen_charsets.py
"""
import codecs
import gzip
import os
import re
import subprocess

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CHARMAPS = '/usr/share/i18n/charmaps'

# IBM code page 853 (Latin-3 for DOS), bytes 0x80-0xFF; None = undefined.
CP853 = [
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x0109, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x0108,
    0x00C9, 0x010B, 0x010A, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x0130, 0x00D6, 0x00DC, 0x011D, 0x00A3, 0x011C, 0x00D7, 0x0135,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x011E, 0x011F,
    0x0124, 0x0125, None, 0x00BD, 0x0134, 0x015F, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x015E, 0x2563, 0x2551, 0x2557, 0x255D, 0x017B, 0x017C, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x015C, 0x015D,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    None, None, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, None, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x0120, 0x0121, 0x00B5, 0x0126,
    0x0127, 0x00DA, 0x00DB, 0x00D9, 0x016C, 0x016D, None, 0x00B4,
    0x00AD, None, 0x2113, 0x0149, 0x02D8, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x02D9, None, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
]

# RISC OS Latin-1: bytes 0x80-0x9F; 0xA0-0xFF are those of ISO 8859-1.
RISCOS_LOW = [
    0x221A, 0x0174, 0x0175, None, 0x2715, 0x0176, 0x0177, None,
    0x21E6, 0x21E8, 0x21E9, 0x21E7, 0x2026, 0x2122, 0x2030, 0x2022,
    0x2018, 0x2019, 0x2039, 0x203A, 0x201C, 0x201D, 0x201E, 0x2013,
    0x2014, 0x2212, 0x0152, 0x0153, 0x2020, 0x2021, 0xFB01, 0xFB02,
]

# (name, source kind, source name)
CHARSETS = [
    ('iso8859-1', 'charmap', 'ISO-8859-1'),
    ('iso8859-2', 'charmap', 'ISO-8859-2'),
    ('iso8859-3', 'charmap', 'ISO-8859-3'),
    ('iso8859-4', 'charmap', 'ISO-8859-4'),
    ('iso8859-5', 'charmap', 'ISO-8859-5'),
    ('iso8859-6', 'charmap', 'ISO-8859-6'),
    ('iso8859-7', 'charmap', 'ISO-8859-7'),
    ('iso8859-8', 'charmap', 'ISO-8859-8'),
    ('iso8859-9', 'charmap', 'ISO-8859-9'),
    ('iso8859-10', 'charmap', 'ISO-8859-10'),
    ('iso8859-13', 'charmap', 'ISO-8859-13'),
    ('iso8859-14', 'charmap', 'ISO-8859-14'),
    ('iso8859-15', 'charmap', 'ISO-8859-15'),
    ('iso8859-16', 'charmap', 'ISO-8859-16'),
    ('windows-1250', 'charmap', 'CP1250'),
    ('windows-1251', 'charmap', 'CP1251'),
    ('windows-1252', 'charmap', 'CP1252'),
    ('windows-1253', 'charmap', 'CP1253'),
    ('windows-1254', 'charmap', 'CP1254'),
    ('windows-1255', 'charmap', 'CP1255'),
    ('windows-1256', 'charmap', 'CP1256'),
    ('windows-1257', 'charmap', 'CP1257'),
    ('windows-1258', 'charmap', 'CP1258'),
    ('koi8-r', 'charmap', 'KOI8-R'),
    ('cp852', 'charmap', 'IBM852'),
    ('mjk', 'recode', 'KEYBCS2'),
    ('cp850', 'charmap', 'IBM850'),
    ('ARMSCII-8', 'charmap', 'ARMSCII-8'),
    ('cp1046', 'iconv', 'CP1046'),
    ('cp1124', 'charmap', 'IBM1124'),
    ('cp1125', 'charmap', 'CP1125'),
    ('cp1129', 'charmap', 'IBM1129'),
    ('cp1133', 'charmap', 'IBM1133'),
    ('cp1161', 'charmap', 'IBM1161'),
    ('cp1162', 'charmap', 'IBM1162'),
    ('cp1163', 'charmap', 'IBM1163'),
    ('cp1250', 'charmap', 'CP1250'),
    ('cp1251', 'charmap', 'CP1251'),
    ('cp1252', 'charmap', 'CP1252'),
    ('cp1253', 'charmap', 'CP1253'),
    ('cp1254', 'charmap', 'CP1254'),
    ('cp1255', 'charmap', 'CP1255'),
    ('cp1256', 'charmap', 'CP1256'),
    ('cp1257', 'charmap', 'CP1257'),
    ('cp1258', 'charmap', 'CP1258'),
    ('cp437', 'charmap', 'IBM437'),
    ('cp737', 'charmap', 'CP737'),
    ('cp775', 'charmap', 'CP775'),
    ('cp853', 'table', CP853),
    ('cp855', 'charmap', 'IBM855'),
    ('cp856', 'charmap', 'IBM856'),
    ('cp857', 'charmap', 'IBM857'),
    ('cp858', 'charmap', 'IBM858'),
    ('cp860', 'charmap', 'IBM860'),
    ('cp861', 'charmap', 'IBM861'),
    ('cp862', 'charmap', 'IBM862'),
    ('cp863', 'charmap', 'IBM863'),
    ('cp864', 'charmap', 'IBM864'),
    ('cp865', 'charmap', 'IBM865'),
    ('cp866', 'charmap', 'IBM866'),
    ('cp869', 'charmap', 'IBM869'),
    ('cp874', 'python', 'cp874'),
    ('cp922', 'charmap', 'IBM922'),
    ('Georgian-Academy', 'charmap', 'GEORGIAN-ACADEMY'),
    ('Georgian-PS', 'charmap', 'GEORGIAN-PS'),
    ('HP-ROMAN8', 'charmap', 'HP-ROMAN8'),
    ('koi8-ru', 'charmap', 'KOI8-RU'),
    ('koi8-t', 'charmap', 'KOI8-T'),
    ('koi8-u', 'charmap', 'KOI8-U'),
    ('MacArabic', 'perl', 'MacArabic'),
    ('MacCentralEurope', 'charmap', 'MAC-CENTRALEUROPE'),
    ('MacCroatian', 'perl', 'MacCroatian'),
    ('MacCyrillic', 'charmap', 'MAC-CYRILLIC'),
    ('MacGreek', 'perl', 'MacGreek'),
    ('MacHebrew', 'perl', 'MacHebrew'),
    ('MacIceland', 'charmap', 'MAC-IS'),
    ('MacRoman', 'charmap', 'MACINTOSH'),
    ('MacRomania', 'perl', 'MacRomanian'),
    ('MacThai', 'perl', 'MacThai'),
    ('MacTurkish', 'perl', 'MacTurkish'),
    ('MacUkraine', 'charmap', 'MAC-UK'),
    ('MuleLao-1', 'recode', 'MuleLao-1'),
    ('NEXTSTEP', 'charmap', 'NEXTSTEP'),
    ('RISCOS-LATIN1', 'riscos', None),
    ('TCVN', 'charmap', 'TCVN5712-1'),
    ('VISCII', 'charmap', 'VISCII'),
    ('TIS-620', 'charmap', 'TIS-620'),
    ('JIS-X0201', 'charmap', 'JIS_X0201'),
]


def from_charmap(name):
    table = [None] * 128
    line_re = re.compile(r'^(?:%IRREVERSIBLE%)?<U([0-9A-Fa-f]{4,8})>\s+/x([0-9a-fA-F]{2})\s')
    with gzip.open(os.path.join(CHARMAPS, name + '.gz'), 'rt', encoding='latin-1') as f:
        for line in f:
            m = line_re.match(line)
            if not m:
                continue
            b = int(m.group(2), 16)
            if b >= 128 and table[b - 128] is None:
                table[b - 128] = int(m.group(1), 16)
    return table


def one_byte(cmd, b):
    r = subprocess.run(cmd, input=bytes([b]), capture_output=True)
    if r.returncode != 0:
        return None
    s = r.stdout.decode('utf-16-be') if r.stdout else ''
    if s.startswith('\ufeff'):
        s = s[1:]
    return ord(s) if len(s) == 1 else None


def from_iconv(name):
    return [one_byte(['iconv', '-f', name, '-t', 'UTF-16BE'], b) for b in range(128, 256)]


def from_recode(name):
    return [one_byte(['recode', name + '..UTF-16'], b) for b in range(128, 256)]


def from_perl(name):
    script = ('use Encode; for my $b (128..255) { my $s = chr($b); '
              'my $u = decode("%s", $s, Encode::FB_QUIET); '
              'print length($u) == 1 ? ord($u) : -1, "\\n"; }' % name)
    out = subprocess.run(['perl', '-e', script], capture_output=True, check=True, text=True).stdout
    return [int(x) if int(x) >= 0 else None for x in out.split()]


def from_python(name):
    table = []
    for b in range(128, 256):
        try:
            s = bytes([b]).decode(name)
            table.append(ord(s) if len(s) == 1 else None)
        except UnicodeDecodeError:
            table.append(None)
    return table


def load(kind, src):
    if kind == 'charmap':
        return from_charmap(src)
    if kind == 'iconv':
        return from_iconv(src)
    if kind == 'recode':
        return from_recode(src)
    if kind == 'perl':
        return from_perl(src)
    if kind == 'python':
        return from_python(src)
    if kind == 'table':
        return list(src)
    if kind == 'riscos':
        return RISCOS_LOW + list(range(0xA0, 0x100))
    raise ValueError(kind)


def clean(table):
    out = []
    for u in table:
        if u is None or u < 128 or u > 0xFFFF or u == 31:
            out.append(31)
        else:
            out.append(u)
    assert len(out) == 128
    return out


def main():
    tables = []
    for name, kind, src in CHARSETS:
        t = clean(load(kind, src))
        tables.append((name, t))
        undefined = t.count(31)
        print('%-18s %-8s %3d undefined' % (name, kind, undefined))
    path = os.path.join(ROOT, 'Core', 'tables', 'CharsetTables.cpp')
    with open(path, 'w') as f:
        f.write('// Generated by scripts/gen_charsets.py; do not edit.\n')
        f.write('// Code points of the bytes 128-255 of each 8-bit character set; 31 marks an undefined byte.\n')
        f.write('#include <Core/text/Charset.h>\n\nnamespace Qel {\nnamespace detail {\n\n')
        f.write('extern const char* const CharsetTableNames[%d] = {\n' % len(tables))
        for name, _ in tables:
            f.write('\t"%s",\n' % name)
        f.write('};\n\n')
        f.write('extern const word CharsetTableData[%d][128] = {\n' % len(tables))
        for name, t in tables:
            f.write('\t{ // %s\n' % name)
            for i in range(0, 128, 16):
                f.write('\t\t' + ', '.join('0x%04x' % u for u in t[i:i + 16]) + ',\n')
            f.write('\t},\n')
        f.write('};\n\n} // namespace detail\n} // namespace Qel\n')


if __name__ == '__main__':
    main()
