#!/usr/bin/python3
"""Makes copies of Debian's Persian faces that draw the Arabic yeh and kaf (U+064A, U+0643) as
the Persian letters (U+06CC, U+06A9), as the desk's fonts always did; the program's texts keep
the Arabic letters. usage: persian-fonts.py OUTDIR"""
import os
import sys

from fontTools.ttLib import TTFont

SOURCES = {
    "nazli.ttf": "Nazli Farsi",
    "nazlib.ttf": "Nazli Farsi",
    "titr.ttf": "Titr Farsi",
    "homa.ttf": "Homa Farsi",
}
SWAPS = {0x064A: 0x06CC, 0x0643: 0x06A9}


def main(out):
    os.makedirs(out, exist_ok=True)
    for name, family in SOURCES.items():
        font = TTFont(os.path.join("/usr/share/fonts/truetype/farsiweb", name))
        for table in font["cmap"].tables:
            if table.isUnicode():
                for src, dst in SWAPS.items():
                    if dst in table.cmap:
                        table.cmap[src] = table.cmap[dst]
        names = font["name"]
        style = names.getDebugName(2) or "Regular"
        for record in list(names.names):
            if record.nameID in (1, 16):
                record.string = family
            elif record.nameID == 4:
                record.string = family if style == "Regular" else family + " " + style
            elif record.nameID == 6:
                record.string = (family + "-" + style).replace(" ", "")
        font.save(os.path.join(out, name.replace(".ttf", "-farsi.ttf")))


if __name__ == "__main__":
    main(sys.argv[1])
