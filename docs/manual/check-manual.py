#!/usr/bin/env python3
"""Checks the manual's pages without taking any picture: every image a page shows is one the
screenshot tour writes, every picture of the tour is shown in each language, every link inside the
manual reaches an existing file and anchor, and nothing is fetched from outside.

usage: check-manual.py MANUAL_DIR (--shots-from TOUR_BINARY | --shots NAME...)
MANUAL_DIR is the source folder, or the built manual, where the images must exist as well.
Exit 0 when all pages pass, 1 with one line per fault otherwise."""

import argparse
import subprocess
import sys
from html.parser import HTMLParser
from pathlib import Path
from urllib.parse import urlsplit, unquote

LANGUAGES = ("en", "zh")


class Page(HTMLParser):
    def __init__(self):
        super().__init__(convert_charrefs=True)
        self.ids = set()
        self.links = []    # (tag, attribute, value)
        self.scripts = 0

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        for key in ("id", "name") if tag == "a" else ("id",):
            if attrs.get(key):
                self.ids.add(attrs[key])
        if tag == "script":
            self.scripts += 1
        for attribute in ("href", "src"):
            if attrs.get(attribute) is not None:
                self.links.append((tag, attribute, attrs[attribute]))


def parse(path):
    page = Page()
    page.feed(path.read_text(encoding="utf-8"))
    page.close()
    return page


def check(root, shots, built=False):
    faults = []
    pages = {}
    for lang in LANGUAGES:
        for path in sorted((root / lang).glob("*.html")):
            pages[path.resolve()] = parse(path)
    if not pages:
        return [f"{root}: no pages"]
    shown = {lang: set() for lang in LANGUAGES}
    for path, page in pages.items():
        where = path.relative_to(root.resolve())
        lang = where.parts[0]
        if page.scripts:
            faults.append(f"{where}: has a script")
        for tag, attribute, value in page.links:
            parts = urlsplit(value)
            if parts.scheme or parts.netloc:
                faults.append(f"{where}: <{tag} {attribute}> leaves the manual: {value}")
                continue
            target = (path.parent / unquote(parts.path)).resolve() if parts.path else path
            if parts.path.startswith("images/"):
                name = parts.path[len("images/"):]
                if name not in shots:
                    faults.append(f"{where}: the tour writes no image {name}")
                elif built and not target.is_file():
                    faults.append(f"{where}: {value} is missing")
                shown[lang].add(name)
                continue
            if not target.is_file():
                faults.append(f"{where}: {value} is not a file of the manual")
                continue
            if parts.fragment:
                other = pages.get(target)
                if other is None or parts.fragment not in other.ids:
                    faults.append(f"{where}: no anchor for {value}")
    for lang in LANGUAGES:
        for name in sorted(set(shots) - shown[lang]):
            faults.append(f"{lang}: the picture {name} is not shown")
    return faults


def main():
    parser = argparse.ArgumentParser()
    parser.add_argument("root", type=Path)
    parser.add_argument("--built", action="store_true", help="ROOT is the built manual: the images must exist")
    source = parser.add_mutually_exclusive_group(required=True)
    source.add_argument("--shots-from", help="the screenshot tour, asked for its list of images")
    source.add_argument("--shots", nargs="+")
    args = parser.parse_args()
    if args.shots_from:
        listed = subprocess.run([args.shots_from, "--list"], capture_output=True, text=True, check=True)
        shots = set(listed.stdout.split())
    else:
        shots = set(args.shots)
    if not shots:
        print("the tour lists no images", file=sys.stderr)
        return 1
    faults = check(args.root, shots, args.built)
    for fault in faults:
        print(fault, file=sys.stderr)
    return 1 if faults else 0


if __name__ == "__main__":
    sys.exit(main())
