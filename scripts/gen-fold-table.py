#!/usr/bin/env python3
"""Writes src/guide/fold_table.h: how the guide's search folds each character
from U+00C0 to U+04FF (Latin letters to their base letters, Greek without
tonos and in lower case, Cyrillic in lower case, combining marks dropped)."""
import re
import sys
import unicodedata

FIRST, END = 0xC0, 0x500
SPECIAL = {"SHARP S": "ss", "DOTLESS I": "i", "THORN": "th", "ETH": "d", "KRA": "k",
           "ENG": "n", "LONG S": "s", "N PRECEDED BY APOSTROPHE": "n"}
LATIN = re.compile(r"^LATIN (CAPITAL|SMALL) (LETTER|LIGATURE) ([A-Z]{1,2})( WITH .*)?$")


def fold(cp):
    ch = chr(cp)
    name = unicodedata.name(ch, "")
    if 0x300 <= cp < 0x370:
        return b""  # a combining mark: the letter before it stands alone
    if cp < 0x250:
        m = LATIN.match(name)
        if m:
            return m.group(3).lower().encode()
        for key, value in SPECIAL.items():
            if name.endswith("LETTER " + key):
                return value.encode()
    if 0x370 <= cp < 0x400:
        base = "".join(c for c in unicodedata.normalize("NFD", ch)
                       if not unicodedata.combining(c)) or ch
        ch = base if len(base) == 1 else ch
        ch = "\u03c3" if ch == "\u03c2" else ch
    low = ch.lower()
    if len(low) == 1 and 0x370 <= cp < 0x500 and FIRST <= ord(low) < END:
        ch = low
    elif cp < 0x250 and len(low) == 1 and FIRST <= ord(low) < END:
        ch = low
    return ch.encode()


def main():
    out = ["// How the search folds U+00C0 to U+04FF: each entry the folded bytes",
           "// (none for a combining mark). Made by scripts/gen-fold-table.py.",
           "#pragma once", "", "namespace guide {", "",
           "constexpr unsigned kFoldFirst = 0x%X, kFoldEnd = 0x%X;" % (FIRST, END),
           "constexpr char kFoldTable[kFoldEnd - kFoldFirst][3] = {"]
    row = []
    for cp in range(FIRST, END):
        b = fold(cp)
        assert len(b) <= 2, hex(cp)
        row.append('"' + "".join(chr(x) if 0x61 <= x <= 0x7A else "\\x%02X" % x for x in b) + '"')
        if len(row) == 8:
            out.append("    " + ", ".join(row) + ",")
            row = []
    out += ["};", "", "}  // namespace guide", ""]
    sys.stdout.write("\n".join(out))


main()
