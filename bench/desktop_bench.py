#!/usr/bin/env python3
"""The benchmarks that need the window: start-up, the thumbnail run, memory
and responsiveness, each against a floor measured in the same session.

    python3 bench/desktop_bench.py --program-dir DIR --bare-window FILE [--runs N]

Runs on its own virtual desktop (Xvfb and openbox, as the end-to-end tests
do) against the loopback fixture site, and prints RESULT lines for
bench/report.py. Every figure is read from the screen, the site's request
log or /proc; nothing is taken from the program's own word.

One run, repeated --runs times after a warm-up run that is not counted:
  1. the bare window starts and paints its page; its peak memory is read;
  2. the program starts, with its own pictures in its working directory,
     and paints its window with page 0's titles and its first page;
  3. the program starts again, now with the tests' strip background, whose
     rows tell the strip's offset; after its start-up thumbnail run the strip
     is scrolled to the bottom, where row 20 shows, the site delays every
     answer by 30 ms, and ">>>" starts a run for page 1: the time from the
     first thumbnail request's arrival at the site to the moment row 20's
     new picture is on the screen;
  4. its peak memory is read;
  5. wheel notches, first while it is idle, then while the next catalogue
     page is held back 3 s: from each notch to the strip showing its new
     offset.
Which of the two programs starts first alternates from run to run.
"""

import argparse
import http.client
import os
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "tests", "e2e"))

from desktop import (STRIP_MARGIN_X, STRIP_TOP, Desktop, Program,  # noqa: E402
                     strip_row, write_pictures)
from fixture import FixtureSite  # noqa: E402
from xprobe import XProbe  # noqa: E402

POLL = 0.002            # between two looks at the screen
START_TIMEOUT = 30.0
WAIT_TIMEOUT = 30.0
SETTLE = 1.0            # a picture unchanged this long is taken as final

THUMBNAIL_DELAY = 0.030
CATALOGUE_DELAY = 3.0
ROWS = 21
ROW_PITCH = 126
STRIP_STEP = 80
STRIP_INNER_HEIGHT = 2800
STRIP_VISIBLE = 380
STRIP_BOTTOM = STRIP_INNER_HEIGHT - STRIP_VISIBLE
NOTCHES = 5

# Client rectangles (x, y, width, height), from the window's fixed layout.
WEB_AREA = (5, 8, 590, 80)            # the top of the browser: the page's heading
FIRST_TITLE = (605, 114, 170, 15)     # row 0's title link at strip offset 0
NEXT_LINK_POINT = (745, 394)
STRIP_POINT = (STRIP_MARGIN_X + 20, STRIP_TOP + 200)


def thumbnail_box(row, offset):
    return (605, STRIP_TOP + 10 + ROW_PITCH * row - offset, 170, 96)


class BenchError(RuntimeError):
    pass


def result(name, **values):
    print("RESULT %s %s" % (name, " ".join("%s=%.9g" % kv for kv in sorted(values.items()))),
          flush=True)


def poll(predicate, timeout, what):
    deadline = time.monotonic() + timeout
    while True:
        value = predicate()
        if value is not None and value is not False:
            return value
        if time.monotonic() > deadline:
            raise BenchError("timed out waiting for " + what)
        time.sleep(POLL)


# --------------------------------------------------------------------------
# Memory


def status_kib(pid, field):
    try:
        with open("/proc/%d/status" % pid) as f:
            for line in f:
                if line.startswith(field + ":"):
                    return int(line.split()[1])
    except OSError:
        pass
    return 0


def descendants(pid):
    """Every process started under pid (WebKit's web and network processes)."""
    children = {}
    for name in os.listdir("/proc"):
        if not name.isdigit():
            continue
        try:
            with open("/proc/%s/stat" % name) as f:
                stat = f.read()
        except OSError:
            continue
        # The command name is in parentheses and may hold spaces.
        parent = int(stat.rsplit(")", 1)[1].split()[1])
        children.setdefault(parent, []).append(int(name))
    found, queue = [], [pid]
    while queue:
        for child in children.get(queue.pop(), []):
            found.append(child)
            queue.append(child)
    return found


def distinct_pixels(raw):
    return len({raw[i:i + 4] for i in range(0, len(raw), 4)})


def peak_memory(pid):
    """(the process's own peak, the peak of it and all its descendants summed)."""
    own = status_kib(pid, "VmHWM")
    return own, own + sum(status_kib(child, "VmHWM") for child in descendants(pid))


# --------------------------------------------------------------------------
# The screen


class Screen:
    """Looks at one top-level window of a process through the X probe."""

    def __init__(self, probe, pid):
        self.probe = probe
        self.pid = pid
        self.window = None

    def find(self):
        if self.window is None:
            self.window = self.probe.find_client(self.pid)
        return self.window

    def grab(self, box):
        # The origin is asked every time: the program moves its window once
        # the frame is known, to centre the frame.
        x, y = self.probe.origin(self.window)
        bx, by, w, h = box
        return self.probe.grab_raw(x + bx, y + by, w, h)

    def point(self, x, y):
        ox, oy = self.probe.origin(self.window)
        return ox + x, oy + y

    def strip_offset(self):
        x, y = self.point(STRIP_MARGIN_X, STRIP_TOP)
        return strip_row(self.probe.pixel(x, y))

    def settle(self, box, what, detailed=False):
        """Waits until the rectangle stays unchanged for SETTLE; returns it.
        Detailed: a rectangle of one or two colours (a view still blank while
        its page loads) does not count as settled."""
        last, since = None, time.monotonic()
        deadline = since + WAIT_TIMEOUT
        while True:
            now = time.monotonic()
            current = self.grab(box)
            if current != last:
                last, since = current, now
            elif now - since >= SETTLE and (not detailed or distinct_pixels(current) > 2):
                return current
            if now > deadline:
                raise BenchError("%s never settled" % what)
            time.sleep(POLL * 5)


# --------------------------------------------------------------------------
# One session


class Session:
    def __init__(self, args):
        self.program = os.path.join(os.path.abspath(args.program_dir), "zirta-tv")
        self.page = os.path.join(os.path.abspath(args.program_dir), "zirta.htm")
        self.bare = os.path.abspath(args.bare_window)
        self.references = {}
        self.processes = []

    def __enter__(self):
        self.scratch = tempfile.mkdtemp(prefix="zirta-bench-")
        self.desk = Desktop()
        self.desk.start()
        self.site = FixtureSite()
        self.site.start()
        self.probe = XProbe(self.desk.display)
        return self

    def __exit__(self, *exc):
        for process in self.processes:
            process.stop()
        self.probe.close()
        self.site.stop()
        self.desk.stop()
        shutil.rmtree(self.scratch, ignore_errors=True)
        return False

    def spawn(self, argv, cwd, env=None):
        """Starts a program on the desktop, both kinds the same way."""
        log_path = os.path.join(self.scratch, "log-%d.txt" % time.monotonic_ns())
        with open(log_path, "wb") as log:
            process = subprocess.Popen(argv, cwd=cwd, env=self.desk.env(env),
                                       stdin=subprocess.DEVNULL, stdout=log,
                                       stderr=subprocess.STDOUT)
        program = Program(self.desk, process, log_path)
        self.processes.append(program)
        return program

    def time_start(self, argv, cwd, env, boxes, references):
        """Spawns argv and polls the screen. Returns the process, its screen
        and {"mapped": s, box name: s, ...}: seconds from the spawn until the
        window was viewable and until each box first equalled its reference."""
        spawn = time.monotonic()
        process = self.spawn(argv, cwd, env)
        screen = Screen(self.probe, process.process.pid)
        times = {}
        deadline = spawn + START_TIMEOUT
        try:
            while len(times) < len(boxes) + 1:
                now = time.monotonic()
                if now > deadline:
                    raise BenchError("%s did not show %s in time:\n%s"
                                     % (argv[0], sorted(set(boxes) - set(times)), process.log()))
                if process.process.poll() is not None:
                    raise BenchError("%s exited early:\n%s" % (argv[0], process.log()))
                if "mapped" not in times:
                    if screen.find():
                        times["mapped"] = now - spawn
                else:
                    for name, box in boxes.items():
                        if name not in times and screen.grab(box) == references[name]:
                            times[name] = now - spawn
                time.sleep(POLL)
        except BaseException:
            process.stop()
            raise
        return process, screen, times

    def working_directory(self, name, readable_strip):
        """The program takes its pictures from its working directory. Start-up
        is timed with the program's own pictures; the other figures need the
        tests' strip background, whose every row has its own colour, so one
        pixel tells how far the strip is scrolled."""
        directory = os.path.join(self.scratch, name)
        os.makedirs(os.path.join(directory, "img"), exist_ok=True)
        if readable_strip:
            write_pictures(directory)
        else:
            source = os.path.dirname(self.program)
            for picture in ("skrol.jpg", "лого.jpg", os.path.join("img", "фон.jpg")):
                shutil.copy2(os.path.join(source, picture), os.path.join(directory, picture))
        return directory

    def park_pointer(self):
        # Hover colours would change what the screen shows.
        self.probe.move(0, 0)

    # -- the bare window -----------------------------------------------------

    def run_bare(self, calibrate):
        self.park_pointer()
        boxes = {"web": WEB_AREA}
        if calibrate:
            process, screen, times = self._calibrate([self.bare, self.page], boxes, "bare")
        else:
            process, screen, times = self.time_start([self.bare, self.page], self.scratch, None,
                                                     boxes, self.references["bare"])
        time.sleep(SETTLE)
        own, tree = peak_memory(process.process.pid)
        process.stop()
        return {"shown": times["web"], "mapped": times["mapped"], "hwm_kib": own, "tree_hwm_kib": tree}

    def _calibrate(self, argv, boxes, key):
        """A first start that learns what each box shows once it is painted."""
        spawn = time.monotonic()
        if key == "program":
            process = self.spawn(argv, self.working_directory("calibrate", False), self.site.env())
        else:
            process = self.spawn(argv, self.scratch)
        screen = Screen(self.probe, process.process.pid)
        poll(screen.find, START_TIMEOUT, "the window of " + argv[0])
        mapped = time.monotonic() - spawn
        self.references[key] = {name: screen.settle(box, name, detailed=True)
                                for name, box in boxes.items()}
        return process, screen, {"mapped": mapped, **{name: 0.0 for name in boxes}}

    # -- the program -----------------------------------------------------------

    def run_program(self, calibrate, run):
        out = self.program_start(calibrate, run)
        out.update(self.program_session(run))
        return out

    def program_start(self, calibrate, run):
        """Spawn to the window painted with page 0's titles and its page."""
        self.park_pointer()
        self.site.reset()
        boxes = {"titles": FIRST_TITLE, "web": WEB_AREA}
        if calibrate:
            process, screen, times = self._calibrate([self.program], boxes, "program")
        else:
            cwd = self.working_directory("start-%d" % run, readable_strip=False)
            process, screen, times = self.time_start([self.program], cwd, self.site.env(),
                                                     boxes, self.references["program"])
        try:
            out = {"mapped": times["mapped"], "titles": times["titles"], "web": times["web"],
                   "shown": max(times["titles"], times["web"])}
            out.update(self.startup_thumbnails())
            self.desk.close(screen.window)
            process.wait_exit()
        finally:
            process.stop()
        return out

    def program_session(self, run):
        """The thumbnail run, memory and responsiveness, in one more start."""
        self.park_pointer()
        self.site.reset()
        cwd = self.working_directory("run-%d" % run, readable_strip=True)
        process = self.spawn([self.program], cwd, self.site.env())
        try:
            screen = Screen(self.probe, process.process.pid)
            poll(screen.find, START_TIMEOUT, "the program's window")
            self.startup_thumbnails()
            out = self.thumbnail_run(screen)
            own, tree = peak_memory(process.process.pid)
            out["hwm_kib"], out["tree_hwm_kib"] = own, tree
            out.update(self.responsiveness(screen))
            self.desk.close(screen.window)
            process.wait_exit()
        finally:
            process.stop()
        return out

    def thumbnail_log(self, since):
        return [e for e in self.site.log()[since:] if "/thumbs/" in e["url"]]

    def startup_thumbnails(self):
        """The run that starts with the window, without delays: only the
        site's log is read (the rows it fills are off the screen)."""
        rows = poll(lambda: (lambda t: t if len(t) >= ROWS and all(e["end"] for e in t) else None)(
            self.thumbnail_log(0)), WAIT_TIMEOUT, "the start-up thumbnail run")
        return {"startup_run_log_s": rows[ROWS - 1]["end"] - rows[0]["start"]}

    def scroll_to(self, screen, offset):
        self.probe.move(*screen.point(*STRIP_POINT))
        current = poll(screen.strip_offset, WAIT_TIMEOUT, "the strip's offset")
        if current != offset:
            notches = (offset - current + (STRIP_STEP - 1 if offset > current else -(STRIP_STEP - 1))) // STRIP_STEP
            self.probe.wheel(notches)
            poll(lambda: screen.strip_offset() == offset, WAIT_TIMEOUT, "the strip at %d" % offset)

    def thumbnail_run(self, screen):
        self.scroll_to(screen, STRIP_BOTTOM)
        box = thumbnail_box(ROWS - 1, STRIP_BOTTOM)
        before = screen.settle(box, "row 20's picture")
        since = len(self.site.log())
        self.site.delay_all(THUMBNAIL_DELAY)
        try:
            self.probe.move(*screen.point(*NEXT_LINK_POINT))
            self.probe.click()
            shown = poll(lambda: time.monotonic() if screen.grab(box) != before else None,
                         WAIT_TIMEOUT, "row 20's new picture")
            # The change seen must be the new picture, not a passing state.
            final = screen.settle(box, "row 20's new picture")
            rows = poll(lambda: (lambda t: t if len(t) >= ROWS and all(e["end"] for e in t) else None)(
                self.thumbnail_log(since)), WAIT_TIMEOUT, "the page-1 thumbnail run")[:ROWS]
        finally:
            self.site.delay_all(0)
        if final == before:
            raise BenchError("row 20 went back to its old picture")
        if [int(e["url"].rsplit("/", 1)[1].split(".")[0]) for e in rows] != list(range(ROWS, 2 * ROWS)):
            raise BenchError("the run did not fetch page 1's thumbnails in order")
        overlaps = sum(1 for a, b in zip(rows, rows[1:]) if b["start"] < a["end"])
        connections = len({e["connection_id"] for e in rows})
        first = rows[0]["start"]
        return {"run_s": shown - first, "run_log_s": rows[-1]["end"] - first,
                "run_overlaps": overlaps, "run_connections": connections,
                "run_reused": ROWS - connections, "run_fetch_floor_s": self.bare_fetch(rows)}

    def bare_fetch(self, rows):
        """The same 21 addresses fetched one after another over one
        connection by the least a client can be (Python's http.client), with
        the same delay: what the site itself needs for the run."""
        since = len(self.site.log())
        self.site.delay_all(THUMBNAIL_DELAY)
        connection = http.client.HTTPConnection("127.0.0.1", self.site.port, timeout=WAIT_TIMEOUT)
        try:
            for entry in rows:
                connection.request("GET", entry["url"])
                reply = connection.getresponse()
                if reply.status != 200:
                    raise BenchError("the site answered %d for %s" % (reply.status, entry["url"]))
                reply.read()
        finally:
            connection.close()
            self.site.delay_all(0)
        fetched = self.site.log()[since:]
        return fetched[-1]["end"] - fetched[0]["start"]

    def notch_latencies(self, screen, count, busy_until=None):
        """Wheel notches up, one at a time: seconds from each to the strip
        showing its new offset."""
        self.probe.move(*screen.point(*STRIP_POINT))
        latencies = []
        offset = poll(screen.strip_offset, WAIT_TIMEOUT, "the strip's offset")
        for _ in range(count):
            target = max(0, offset - STRIP_STEP)
            sent = time.monotonic()
            self.probe.wheel(-1)
            seen = poll(lambda: time.monotonic() if screen.strip_offset() == target else None,
                        WAIT_TIMEOUT, "the strip at %d" % target)
            latencies.append(seen - sent)
            offset = target
        return latencies, time.monotonic()

    def responsiveness(self, screen):
        self.scroll_to(screen, STRIP_BOTTOM)
        idle, _ = self.notch_latencies(screen, NOTCHES)
        self.scroll_to(screen, STRIP_BOTTOM)
        # ">>>" again: page 2, whose catalogue page the site holds back.
        url = self.site.catalogue_url(2)
        self.site.override(url=url, delay=CATALOGUE_DELAY)
        since = len(self.site.log())
        self.probe.move(*screen.point(*NEXT_LINK_POINT))
        self.probe.click()
        poll(lambda: any(e["url"] == url for e in self.site.log()[since:]), WAIT_TIMEOUT,
             "the request for page 2")
        busy, last_seen = self.notch_latencies(screen, NOTCHES)
        entry = poll(lambda: next((e for e in self.site.log()[since:] if e["url"] == url and e["end"]),
                                  None), WAIT_TIMEOUT + CATALOGUE_DELAY, "the page-2 answer")
        # Every notch must have been painted while the page was still held back.
        inside = last_seen < entry["end"]
        return {"notch_idle_s": statistics.median(idle), "notch_busy_s": statistics.median(busy),
                "notch_busy_max_s": max(busy), "notches_inside_wait": 1 if inside else 0}

    # -- the session ---------------------------------------------------------------

    def run(self, runs):
        # The warm-up run fills the system's caches and learns what the
        # painted boxes look like; it is not counted.
        self.run_bare(calibrate=True)
        self.run_program(calibrate=True, run=0)
        if self.references["bare"]["web"] != self.references["program"]["web"]:
            print("note: the bare window paints the page's heading differently", file=sys.stderr)
        for run in range(1, runs + 1):
            if run % 2:
                bare = self.run_bare(calibrate=False)
                program = self.run_program(calibrate=False, run=run)
            else:
                program = self.run_program(calibrate=False, run=run)
                bare = self.run_bare(calibrate=False)
            result("desktop_run", run=run, **{"bare_" + k: v for k, v in bare.items()},
                   **{"program_" + k: v for k, v in program.items()})


def main():
    parser = argparse.ArgumentParser(description=__doc__.split("\n\n")[0])
    parser.add_argument("--program-dir", required=True, help="the built program's directory")
    parser.add_argument("--bare-window", required=True, help="the bare window program")
    parser.add_argument("--runs", type=int, default=5)
    args = parser.parse_args()
    with Session(args) as session:
        session.run(max(1, args.runs))
    return 0


if __name__ == "__main__":
    sys.exit(main())
