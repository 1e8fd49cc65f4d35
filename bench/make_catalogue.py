#!/usr/bin/env python3
"""Writes a catalogue file of a given size for the scraper benchmark: the
fixture site's own catalogue pages, one after another (pages 0 to 151, then
again), exactly as the program would download them.

    python3 bench/make_catalogue.py MEGABYTES FILE [LONG_LINE_BYTES]

With LONG_LINE_BYTES, one line of that length (no title or thumbnail on it)
follows the first page: the scraper's memory must grow by it, and only by
it. Prints the file's size and its longest line (in bytes, without its end).
"""

import os
import sys

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tools"))

import fixture_site  # noqa: E402


def main(argv):
    if len(argv) not in (3, 4):
        sys.stderr.write(__doc__)
        return 2
    size = int(float(argv[1]) * 1000 * 1000)
    target = argv[2]
    long_line = int(argv[3]) if len(argv) == 4 else 0
    pages = [fixture_site.CataloguePage(fixture_site.DEFAULT_HOST, page)
             for page in range(fixture_site.PAGE_COUNT)]
    longest = max([len(line) for page in pages for line in page.split(b"\r\n")] + [long_line])
    written = 0
    temporary = target + ".tmp"
    with open(temporary, "wb") as out:
        page = 0
        while written < size:
            data = pages[page % len(pages)]
            out.write(data)
            written += len(data)
            page += 1
            if page == 1 and long_line:
                filler = b"<p>" + b"x" * max(0, long_line - 7) + b"</p>"
                out.write(filler + b"\r\n")
                written += len(filler) + 2
    os.replace(temporary, target)
    print("bytes=%d longest_line=%d" % (written, longest))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
