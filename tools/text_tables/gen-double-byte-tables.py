#!/usr/bin/env python3
"""Writes tools/text_tables/double_byte_tables.cpp: GB 2312 and KS X 1001 (EUC byte
pairs 0xA1-0xFE) to Unicode for the builds without Windows' code pages.

The plug-in asks Windows: code page 936 for GB 2312, 949 for KS X 1001
(src/text/win/double_byte_win.cpp). These tables must give the same character
for every pair, so they are made from Python's codecs for those two code pages
with what Windows does otherwise written out below. The test
text_double_byte_same_on_windows compares both builds over every pair.

    python3 tools/text_tables/gen-double-byte-tables.py          # rewrites the file
    python3 tools/text_tables/gen-double-byte-tables.py --check  # exit 1 when it differs
"""
import os
import sys

ROWS = range(0xA1, 0xFF)
OUT = os.path.join(os.path.dirname(os.path.abspath(__file__)), "double_byte_tables.cpp")

# Code page 936 is GBK. Within the EUC pairs it reads GB 2312 as Python's codec
# 'gbk' does, not as 'gb2312': 0xA1A4 is U+00B7 (middle dot, not U+30FB) and
# 0xA1AA U+2014 (em dash, not U+2015); and it also has GBK's characters in
# pairs GB 2312 leaves free (0xA2A1-0xA2AA small roman numerals, 0xA6E0-0xA6F5
# vertical forms, 0xA8BB-0xA8C0 pinyin letters...). Every pair 'gbk' leaves
# free Windows gives a private-use code point, the one GB 18030 gives it
# (codec 'gb18030'): the user-defined rows 0xAA-0xAF and 0xF8-0xFE and the
# holes of rows 0xA2-0xA9. Two of those pairs GB 18030 itself fills where
# Windows keeps the private-use point: 0xA2E3 (GB 18030: U+20AC, the euro
# sign) and 0xA8BF (GB 18030: U+01F9).
GB_WINDOWS_PRIVATE = {0xA2E3: 0xE76C, 0xA8BF: 0xE7C8}

# Code page 949 is Unified Hangul Code: within the EUC pairs KS X 1001 as the
# codec 'cp949' reads it, which is 'euc_kr' plus 0xA4D4 (U+3164, the Hangul
# filler). Its user-defined rows 0xC9 and 0xFE Windows gives private-use code
# points from U+E000 on, row by row; the codec leaves them free.
KS_PRIVATE_ROWS = (0xC9, 0xFE)


def decode(codec, pair):
    try:
        text = bytes(((pair >> 8), pair & 0xFF)).decode(codec)
    except UnicodeDecodeError:
        return 0
    return ord(text) if len(text) == 1 else 0


def gb2312_table():
    table = []
    for lead in ROWS:
        for trail in ROWS:
            pair = lead << 8 | trail
            cp = decode("gbk", pair)
            if cp == 0:
                cp = GB_WINDOWS_PRIVATE.get(pair) or decode("gb18030", pair)
                assert 0xE000 <= cp <= 0xF8FF, "0x%04X: not a private-use point" % pair
            table.append(cp)
    return table


def ksx1001_table():
    table = []
    private = 0xE000
    for lead in ROWS:
        for trail in ROWS:
            cp = decode("cp949", lead << 8 | trail)
            if lead in KS_PRIVATE_ROWS:
                assert cp == 0, "0x%02X%02X: the codec fills a user-defined pair" % (lead, trail)
                cp = private
                private += 1
            table.append(cp)
    return table


def array(name, table):
    lines = ["constexpr uint16_t %s[94 * 94] = {" % name]
    for at in range(0, len(table), 12):
        lines.append("    " + " ".join("0x%04X," % cp for cp in table[at:at + 12]))
    lines.append("};")
    return "\n".join(lines) + "\n"


def source():
    return (
        "// GB 2312 and KS X 1001 (EUC byte pairs 0xA1-0xFE) to Unicode, for the builds\n"
        "// that have no Windows code pages to ask: the native core and the user tools.\n"
        "// Written by tools/text_tables/gen-double-byte-tables.py, which gives every pair the\n"
        "// character Windows' code pages 936 and 949 give it (the plug-in asks those);\n"
        "// 0 where a pair is unassigned. Do not edit: run the script.\n"
        "#include \"text/double_byte.h\"\n"
        "\n"
        "namespace dvbtext {\n"
        "namespace {\n"
        + array("kGb2312", gb2312_table())
        + array("kKsx1001", ksx1001_table())
        + "}  // namespace\n"
        "\n"
        "uint16_t DoubleByteToUnicode(DoubleByteTable table, uint8_t lead, uint8_t trail) {\n"
        "  if (lead < 0xA1 || lead > 0xFE || trail < 0xA1 || trail > 0xFE) return 0;\n"
        "  const int index = (lead - 0xA1) * 94 + (trail - 0xA1);\n"
        "  return table == DoubleByteTable::kGb2312 ? kGb2312[index] : kKsx1001[index];\n"
        "}\n"
        "\n"
        "}  // namespace dvbtext\n")


def main():
    text = source()
    if sys.argv[1:] == ["--check"]:
        with open(OUT, encoding="ascii") as f:
            same = f.read() == text
        print("%s %s" % (os.path.relpath(OUT), "is as generated" if same else
                         "differs from what tools/text_tables/gen-double-byte-tables.py writes"))
        return 0 if same else 1
    with open(OUT, "w", encoding="ascii", newline="\n") as f:
        f.write(text)
    return 0


if __name__ == "__main__":
    sys.exit(main())
