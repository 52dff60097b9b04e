#!/usr/bin/env python3
# SPDX-FileCopyrightText: 2026 gammacrypt developers
# SPDX-License-Identifier: GPL-3.0-or-later
"""Writes the Russian texts from Debian 12 packages that the language model's counts grew
from, so that "lmgen count --add" can rebuild analysis/data/russian.lmcounts.

    tools/model-texts.py OUTDIR [BENCH_LINES]

downloads the packages with apt-get (nothing is installed), unpacks them in a scratch folder
and writes five UTF-8 texts to OUTDIR:

  wesnoth.ru.txt           the Russian messages of Wesnoth 1.16 and its campaigns
  games.ru.txt             the Russian messages of Widelands, Freeciv and Warzone 2100
  libreoffice-help.ru.txt  the running text of LibreOffice's Russian help pages
  gimp-help.ru.txt         the running text of GIMP's Russian help pages
  cataclysm.ru.txt         the Russian messages of Cataclysm: Dark Days Ahead

Messages are written one a line (line breaks as spaces) with mark-up, substitution variables
and printf conversions left out; help pages one paragraph a line, keeping only paragraphs
mostly in Cyrillic. Given BENCH_LINES (what "attack_bench --show-lines" prints), the last
text leaves out every message that shares a run of 24 letters with one of those lines, so
that the benchmark attacks no line the model has seen. The first four were written without
it (a few of their messages share a common phrase of that length with a benchmark line, none
a line). Then, from the project root:

    build/analysis/lmgen count --add OLD.lmcounts --note '...' \\
        analysis/data/russian.lmcounts OUTDIR/*.ru.txt
"""

import gettext
import html.parser
import pathlib
import re
import subprocess
import sys
import tempfile

WESNOTH = ["wesnoth-1.16-data"] + [
    "wesnoth-1.16-" + campaign
    for campaign in "did dm dw ei httt l low nr sof sota sotbe thot trow tsg ttb utbs".split()
]
GAMES = ["widelands-data", "freeciv-data", "warzone2100-data"]
HELP = ["libreoffice-help-ru", "gimp-help-ru"]
CATACLYSM = ["cataclysm-dda-data"]


def cyrillic(text):
    return sum(1 for ch in text if "\u0400" <= ch <= "\u04ff")


def message_lines(mo_paths):
    for path in mo_paths:
        with open(path, "rb") as file:
            catalog = gettext.GNUTranslations(file)._catalog
        for msgid, text in catalog.items():
            if not msgid or not isinstance(text, str):
                continue  # the catalog's own header
            text = re.sub(r"<[^>]*>", " ", text)
            text = re.sub(r"\$[A-Za-z_][A-Za-z0-9_.|]*", " ", text)
            text = re.sub(r"%[a-zA-Z0-9$.*-]+", " ", text)
            text = re.sub(r"\{[^}]*\}", " ", text)
            text = re.sub(r"\s+", " ", text).strip()
            if cyrillic(text) >= 3:
                yield text


class Paragraphs(html.parser.HTMLParser):
    BLOCKS = set("p div li td th h1 h2 h3 h4 h5 h6 dt dd br tr title pre table ul ol".split())
    HIDDEN = {"script", "style", "head", "nav"}

    def __init__(self):
        super().__init__()
        self.hidden = 0
        self.pieces = []
        self.found = []

    def handle_starttag(self, tag, attrs):
        self.hidden += tag in self.HIDDEN
        if tag in self.BLOCKS:
            self.flush()

    def handle_endtag(self, tag):
        if tag in self.HIDDEN:
            self.hidden = max(0, self.hidden - 1)
        if tag in self.BLOCKS:
            self.flush()

    def handle_data(self, data):
        if not self.hidden:
            self.pieces.append(data)

    def flush(self):
        text = re.sub(r"\s+", " ", "".join(self.pieces)).strip()
        self.pieces = []
        latin = sum(1 for ch in text if ch.isascii() and ch.isalpha())
        if cyrillic(text) >= 20 and cyrillic(text) >= 3 * latin:
            self.found.append(text)


def letter_runs(text, length=24):
    """The runs of length letters of the cipher's alphabet in text, spaces and the rest left
    out (Ё read as Е, as the alphabet has no Ё)."""
    letters = "".join(ch for ch in text.upper().replace("Ё", "Е")
                      if "А" <= ch <= "Я" and ch != "Й")
    return {letters[i:i + length] for i in range(len(letters) - length + 1)}


def without_runs_of(lines, bench_path):
    seen = set()
    with open(bench_path, encoding="utf-8") as bench:
        for line in bench:
            seen |= letter_runs(line.split("\t", 2)[-1])
    return (line for line in lines if not letter_runs(line) & seen)


def paragraph_lines(html_paths):
    for path in html_paths:
        parser = Paragraphs()
        parser.feed(path.read_text(encoding="utf-8", errors="replace"))
        parser.flush()
        yield from parser.found


def unpack(packages, scratch):
    debs = scratch / "debs"
    debs.mkdir(exist_ok=True)
    subprocess.run(["apt-get", "download", *packages], cwd=debs, check=True)
    root = scratch / "root"
    for deb in sorted(debs.glob("*.deb")):
        subprocess.run(["dpkg-deb", "-x", str(deb), str(root)], check=True)
    return root


def write_lines(path, lines):
    with open(path, "w", encoding="utf-8") as out:
        for line in lines:
            out.write(line + "\n")


def main():
    if len(sys.argv) not in (2, 3):
        sys.exit(__doc__)
    out = pathlib.Path(sys.argv[1])
    out.mkdir(parents=True, exist_ok=True)
    with tempfile.TemporaryDirectory() as scratch_name:
        root = unpack(WESNOTH + GAMES + HELP + CATACLYSM, pathlib.Path(scratch_name))
        ru_catalogs = sorted(root.glob("usr/share/**/ru/LC_MESSAGES/*.mo"))
        wesnoth = [p for p in ru_catalogs if p.name.startswith("wesnoth")]
        cataclysm = [p for p in ru_catalogs if p.name.startswith("cataclysm")]
        games = [p for p in ru_catalogs if p not in wesnoth + cataclysm]
        write_lines(out / "wesnoth.ru.txt", message_lines(wesnoth))
        write_lines(out / "games.ru.txt", message_lines(games))
        cataclysm_lines = message_lines(cataclysm)
        if len(sys.argv) == 3:
            cataclysm_lines = without_runs_of(cataclysm_lines, sys.argv[2])
        write_lines(out / "cataclysm.ru.txt", cataclysm_lines)
        for name, folder in [("libreoffice-help", "usr/share/libreoffice/help/ru"),
                             ("gimp-help", "usr/share/gimp/2.0/help/ru")]:
            pages = sorted((root / folder).rglob("*.html"))
            write_lines(out / (name + ".ru.txt"), paragraph_lines(pages))


if __name__ == "__main__":
    main()
