#!/usr/bin/env python3
"""Turns the RESULT lines the benchmarks printed into one table: each figure
beside the floor measured in the same run, their ratio, the target and
whether it is met.

    python3 bench/report.py RESULTS_FILE

A line reads "RESULT name key=value ...". Lines with the same name (one per
run) are reduced to the median of each value.
"""

import os
import statistics
import sys


def read(path):
    groups = {}
    with open(path) as f:
        for line in f:
            parts = line.split()
            if len(parts) < 2 or parts[0] != "RESULT":
                continue
            values = {}
            for item in parts[2:]:
                key, _, value = item.partition("=")
                try:
                    values[key] = float(value)
                except ValueError:
                    values[key] = value
            groups.setdefault(parts[1], []).append(values)
    return groups


def median_of(rows, key):
    values = [row[key] for row in rows if isinstance(row.get(key), float)]
    return statistics.median(values) if values else None


def ms(seconds):
    return "%.1f ms" % (seconds * 1000)


def us(seconds):
    return "%.0f µs" % (seconds * 1e6)


def kib(value):
    return "%.0f KiB" % value


def mib(kib):
    return "%.1f MiB" % (kib / 1024)


class Table:
    def __init__(self):
        self.rows = []
        self.misses = 0

    def add(self, figure, value, floor, ratio, target, met, runs=""):
        if met is False:
            self.misses += 1
        verdict = "" if met is None else ("met" if met else "MISSED")
        self.rows.append((figure, value, floor, "" if ratio is None else "%.2f" % ratio,
                          target, verdict, str(runs)))

    def print(self):
        header = ("Figure", "Median", "Floor (same run)", "Ratio", "Target", "Verdict", "Runs")
        widths = [max(len(str(r[i])) for r in self.rows + [header]) for i in range(len(header))]
        line = "  ".join("%-*s" % (w, h) for w, h in zip(widths, header))
        print(line)
        print("-" * len(line))
        for row in self.rows:
            print("  ".join("%-*s" % (w, c) for w, c in zip(widths, row)))


def scraping(groups, table):
    for row in groups.get("scrape_time", []):
        ratio = row["ratio"]
        label = row.get("file", "?")
        table.add("1. scrape %s file" % label, ms(row["scrape_s"]), "grep -c " + ms(row["grep_s"]),
                  ratio, "<= 2.00 x grep", ratio <= 2.0 if label == "50MB" else None,
                  int(row["rounds"]))
    memory = {}
    for row in groups.get("scrape_memory", []):
        memory.setdefault(row.get("file", "?"), []).append(row)
    if "50MB" in memory and "5MB" in memory:
        big, small = memory["50MB"], memory["5MB"]
        growth_big, growth_small = median_of(big, "growth_kib"), median_of(small, "growth_kib")
        longest = median_of(big, "longest_line")
        # The kernel keeps resident sizes in per-CPU batches of up to 32
        # pages each and reports them without folding the batches in, so a
        # peak is exact only to 32 pages per CPU: that much is allowed on top
        # of the longest line.
        slack_kib = 32 * 4 * (os.cpu_count() or 1)
        allowance_kib = -(-longest // 4096) * 4 + slack_kib
        table.add("1. scrape peak RSS growth, 50 MB file", kib(growth_big),
                  "5 MB file " + kib(growth_small), growth_big / growth_small,
                  "50 MB - 5 MB <= longest line + %d KiB" % slack_kib,
                  growth_big - growth_small <= allowance_kib, len(big))
        table.add("   peak RSS (whole process), 50 MB file", mib(median_of(big, "after_kib")),
                  "5 MB file " + mib(median_of(small, "after_kib")),
                  median_of(big, "after_kib") / median_of(small, "after_kib"), "", None, len(big))
    if "5MB+4MBline" in memory:
        rows = memory["5MB+4MBline"]
        table.add("   (check) growth, 5 MB file with a 4 MB line", mib(median_of(rows, "growth_kib")),
                  "5 MB file " + mib(median_of(memory.get("5MB", rows), "growth_kib")), None,
                  "grows with the longest line", None, len(rows))


def pictures(groups, table):
    kinds = {}
    for row in groups.get("picture", []):
        kinds.setdefault((row.get("file", ""), int(row["width"]), int(row["height"])), []).append(row)
    for (name, width, height), rows in kinds.items():
        m = lambda key: median_of(rows, key)  # noqa: E731
        ratios = [row["ratio"] for row in rows]
        ratio = statistics.median(ratios)
        table.add("2. load + resize %s %dx%d (ratio %.2f to %.2f)" % (name, width, height, min(ratios), max(ratios)),
                  us(m("program_s")), "bare decode " + us(m("bare_s")), ratio, "<= 1.30 x decode",
                  ratio <= 1.3, "%d x %dx%d" % (len(rows), rows[0]["rounds"], rows[0]["batch"]))
        table.add("   of which the resize", us(m("resize_in_program_s")),
                  "same resize, source hot " + us(m("resize_hot_s")),
                  m("resize_in_program_s") / m("resize_hot_s"), "", None, "")
        table.add("   program's decode alone, from memory", us(m("decode_s")), "bare decode " + us(m("bare_s")),
                  m("decode_s") / m("bare_s"), "", None, "")


def desktop(groups, table):
    runs = groups.get("desktop_run", [])
    if not runs:
        return
    n = len(runs)
    m = lambda key: median_of(runs, key)  # noqa: E731

    budget = 21 * 0.030
    run_s = m("program_run_s")
    table.add("3. thumbnail run: 1st request to 21st shown", ms(run_s), "21 x 30 ms " + ms(budget),
              run_s / budget, "<= 1.10", run_s / budget <= 1.10, n)
    table.add("   site log: 1st request start to 21st end", ms(m("program_run_log_s")),
              "bare client " + ms(m("program_run_fetch_floor_s")),
              m("program_run_log_s") / m("program_run_fetch_floor_s"), "", None, n)
    table.add("   start-up run without delay, site log", ms(m("program_startup_run_log_s")), "", None, "",
              None, n)
    overlaps = max(row["program_run_overlaps"] for row in runs)
    table.add("   transfers overlapping (most in a run)", "%d" % overlaps, "", None, "0", overlaps == 0, n)
    table.add("   connections reused of 21 requests", "%d" % m("program_run_reused"),
              "%d connection(s)" % m("program_run_connections"), None, "", None, n)

    shown, bare = m("program_shown"), m("bare_shown")
    table.add("4. start-up: spawn to window with titles and page", ms(shown), "bare window " + ms(bare),
              shown / bare, "<= 1.20", shown / bare <= 1.2, n)
    table.add("   spawn to window mapped", ms(m("program_mapped")), "bare window " + ms(m("bare_mapped")),
              m("program_mapped") / m("bare_mapped"), "", None, n)
    table.add("   spawn to page 0's titles painted", ms(m("program_titles")), "", None, "", None, n)

    hwm, bare_hwm = m("program_hwm_kib"), m("bare_hwm_kib")
    table.add("5. peak RSS after the run, window process", mib(hwm), "bare window " + mib(bare_hwm),
              hwm / bare_hwm, "<= 1.20", hwm / bare_hwm <= 1.2, n)
    table.add("   the same with WebKit's processes added", mib(m("program_tree_hwm_kib")),
              "bare window " + mib(m("bare_tree_hwm_kib")),
              m("program_tree_hwm_kib") / m("bare_tree_hwm_kib"), "", None, n)

    busy, idle = m("program_notch_busy_s"), m("program_notch_idle_s")
    inside = all(row["program_notches_inside_wait"] == 1 for row in runs)
    table.add("6. wheel notch to repaint, page held back 3 s", ms(busy), "idle " + ms(idle), busy / idle,
              "every notch painted in the wait", inside, n)
    table.add("   slowest notch in the wait", ms(max(row["program_notch_busy_max_s"] for row in runs)),
              "", None, "", None, n)


def main(argv):
    if len(argv) != 2:
        sys.stderr.write(__doc__)
        return 2
    groups = read(argv[1])
    table = Table()
    scraping(groups, table)
    pictures(groups, table)
    desktop(groups, table)
    table.print()
    print("\n%d target(s) missed." % table.misses if table.misses else "\nEvery target met.")
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
