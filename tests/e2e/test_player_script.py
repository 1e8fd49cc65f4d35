"""The player page's script (assets/js000000.js) in the real browser engine:
a flash player whose stream can be found becomes a video element playing it,
any other flash player becomes a notice with a link to the channel's site,
and nothing but a plain http or https address from the page is ever used.

Each player line is written into a player page exactly as the program writes
"TV.htm" (script line, style line, the line, CR LF after each), with the
script beside it, and loaded into a WebKitGTK view of the browser area's
size, in a window on a virtual desktop, with the program's charset. The view
reaches the web only through the loopback fixture site, which serves the
sample channel's video and answers 404 for every other address.

The engine runs in a child process (this file with --render), since GTK must
meet its X server when it is first imported.
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest
import urllib.parse

from desktop import DesktopAndSiteTest
from fixture import SOURCE_DIR, SiteModule

SCRIPT = os.path.join(SOURCE_DIR, "assets", "js000000.js")
HEAD = (b"<script type='text/javascript' src='js000000.js'></script>\r\n"
        b"<style> body{ margin: 0px; padding: 0px;}</style>\r\n")
FLASH = "application/x-shockwave-flash"
NOTICE_TEXT = "Этот канал показывает видео через Flash, который больше не поддерживается."
RENDER_TIMEOUT = 30.0
PLAY_TIMEOUT = 30.0
# How far a video must have played before it counts as playing.
PLAYED_SECONDS = 1.0


def obj(attributes, inner=""):
    return '<object type="%s" %s>%s</object>' % (FLASH, attributes, inner)


def embed(attributes):
    return '<embed type="%s" %s>' % (FLASH, attributes)


def flashvars(value):
    return '<param name="flashvars" value="%s">' % value


def sample_site_line():
    """The player line the fixture site serves for its first channel."""
    page = SiteModule().ChannelPage("tv.example", 0).decode("utf-8")
    return next(line for line in page.split("\r\n") if '"%s"' % FLASH in line)


SWF = 'data="http://tv.example/player/player.swf" width="590" height="330"'

# name, player line, what the page then shows in document order:
#   ("video", stream address, (width, height)) or ("notice", link or None, (width, height)),
# and "div" for an element of the page's own that stays.
CASES = [
    # The stream named by the player's own address.
    ("m3u8 in object data", obj('data="http://cdn.example/live/ch1.m3u8" width="640" height="360"'),
     [("video", "http://cdn.example/live/ch1.m3u8", (640, 360))]),
    ("mp4 with a query in embed src",
     embed('src="https://cdn.example/a/b.mp4?token=x&amp;t=1" width="480" height="270"'),
     [("video", "https://cdn.example/a/b.mp4?token=x&t=1", (480, 270))]),
    ("webm in param movie, upper-case name and extension",
     obj('width="320px" height="180px"', '<param name="MOVIE" value="http://cdn.example/ch/LIVE.WEBM">'),
     [("video", "http://cdn.example/ch/LIVE.WEBM", (320, 180))]),
    # The stream named in the flashvars.
    ("the sample site's player line", sample_site_line(),
     [("video", "http://tv.example/video/demo.webm", (590, 330))]),
    ("flashvars src=, percent-encoded", obj(SWF, flashvars("src=http%3A%2F%2Fcdn.example%2Fhls%2Findex.m3u8&amp;autoplay=1")),
     [("video", "http://cdn.example/hls/index.m3u8", (590, 330))]),
    ("flashvars stream= without a stream extension", obj(SWF, flashvars("skin=dark&amp;stream=http://live.example/channel/7")),
     [("video", "http://live.example/channel/7", (590, 330))]),
    ("embed flashvars attribute, webm with a query",
     embed('src="http://tv.example/p.swf" flashvars="file=http://tv.example/v/ch.webm?start=0"'),
     [("video", "http://tv.example/v/ch.webm?start=0", (590, 330))]),
    ("another flashvar holding a stream address", obj(SWF, flashvars("hls=http://cdn.example/hd.m3u8&amp;title=x")),
     [("video", "http://cdn.example/hd.m3u8", (590, 330))]),
    ("file= in the swf address's query", obj('data="http://tv.example/player.swf?file=http://cdn.example/x.mp4"'),
     [("video", "http://cdn.example/x.mp4", (590, 330))]),
    # Relative streams are taken relative to the player's address.
    ("relative stream in flashvars", obj(SWF, flashvars("file=../video/demo.webm")),
     [("video", "http://tv.example/video/demo.webm", (590, 330))]),
    ("root-relative stream in the movie's query, embed nested in an IE object",
     '<object classid="clsid:D27CDB6E-AE6D-11cf-96B8-444553540000" width="600" height="340">'
     '<param name="movie" value="http://tv.example/uppod.swf?st=1&amp;file=/streams/ch2.m3u8">'
     + embed('src="http://tv.example/uppod.swf" width="600" height="340"') + "</object>",
     [("video", "http://tv.example/streams/ch2.m3u8", (600, 340))]),
    ("protocol-relative stream", obj('data="https://tv.example/p.swf"', flashvars("file=//cdn.example/s.mp4")),
     [("video", "https://cdn.example/s.mp4", (590, 330))]),
    ("player wrapped in the page's own markup", '<div class="player">' + obj(SWF, flashvars("file=http://cdn.example/w.mp4")) + "</div>",
     ["div", ("video", "http://cdn.example/w.mp4", (590, 330))]),
    # Addresses that are not plain web addresses are never used.
    ("javascript: stream", obj(SWF, flashvars("file=javascript:alert(1)//x.mp4")),
     [("notice", "http://tv.example/", (590, 330))]),
    ("file: stream", obj(SWF, flashvars("file=file:///etc/passwd.mp4")),
     [("notice", "http://tv.example/", (590, 330))]),
    ("file: address as the object itself", obj('data="file:///tmp/video.webm" width="400" height="300"'),
     [("notice", None, (400, 300))]),
    ("data: stream", obj(SWF, flashvars("src=data:video/mp4;base64,AAAA")),
     [("notice", "http://tv.example/", (590, 330))]),
    ("rtmp stream", obj(SWF, flashvars("file=rtmp://live.example/app/stream&amp;streamer=x")),
     [("notice", "http://tv.example/", (590, 330))]),
    ("relative stream with no web address to resolve it by", obj('data="player.swf"', flashvars("file=video.mp4")),
     [("notice", None, (590, 330))]),
    # No stream at all.
    ("no stream: notice with the swf's site", obj(SWF, flashvars("title=Channel&amp;autostart=true")),
     [("notice", "http://tv.example/", (590, 330))]),
    ("no stream on another port", obj('data="https://player.example:8443/a/b/p.swf?v=2" width="100%" height="100%"'),
     [("notice", "https://player.example:8443/", (590, 330))]),
    ("no address at all", obj('width="300" height="200"'),
     [("notice", None, (300, 200))]),
    # Each player on its own.
    ("two players, one with a stream",
     obj(SWF, flashvars("title=a")) + embed('src="http://cdn.example/two.mp4" width="200" height="100"'),
     [("notice", "http://tv.example/", (590, 330)), ("video", "http://cdn.example/two.mp4", (200, 100))]),
    # Markup in the page's strings stays text: only the stream's address is
    # used, escaped as an address.
    ("markup in a stream value", obj(SWF, flashvars("file=http://cdn.example/&lt;b&gt;x&lt;/b&gt;.mp4")),
     [("video", "http://cdn.example/%3Cb%3Ex%3C/b%3E.mp4", (590, 330))]),
    ("markup in a value that names no stream",
     obj(SWF, flashvars("title=&lt;img src=x onerror=alert(1)&gt;&amp;file=rtmp://x/y")),
     [("notice", "http://tv.example/", (590, 330))]),
    # What is no flash player is left alone, like the program's own notice.
    ("no flash element", '<div style="color:red">Плеер этого канала не найден</div><!-- "%s" -->' % FLASH,
     ["div"]),
]

# What the page shows, read back by the engine: the videos and notices the
# script made and every other element of the body, in document order.
PROBE = r"""
(() => {
  const noticeText = %s;
  const boxes = new Set();
  const walker = document.createTreeWalker(document.body, NodeFilter.SHOW_TEXT);
  while (walker.nextNode()) {
    if (walker.currentNode.data.includes(noticeText)) {
      boxes.add(walker.currentNode.parentElement.closest('div'));
    }
  }
  const size = (e) => {
    const r = e.getBoundingClientRect();
    return [Math.round(r.width), Math.round(r.height)];
  };
  const shown = [];
  const walk = (parent) => {
    for (const e of parent.children) {
      const style = getComputedStyle(e);
      if (e.localName === 'video') {
        shown.push({kind: 'video', src: e.getAttribute('src'), size: size(e),
                    controls: e.controls, autoplay: e.autoplay, muted: e.muted,
                    playsinline: e.hasAttribute('playsinline'), background: style.backgroundColor,
                    children: e.children.length});
      } else if (boxes.has(e)) {
        const links = [...e.querySelectorAll('a')];
        const text = e.querySelector('p') || e;
        shown.push({kind: 'notice', size: size(e), background: style.backgroundColor,
                    colour: getComputedStyle(text).color, text: e.innerText,
                    links: links.map((a) => a.href), elements: e.querySelectorAll('*').length});
      } else {
        shown.push({kind: 'other', tag: e.localName});
        walk(e);
      }
    }
  };
  walk(document.body);
  return JSON.stringify({shown: shown, flash: document.querySelectorAll('object, embed').length});
})()
"""

# How far the first video has played, without waiting.
PLAY_PROBE = r"""
(() => {
  const v = document.querySelector('video');
  return JSON.stringify(v ? {time: v.currentTime, paused: v.paused, error: v.error ? v.error.code : 0,
                             width: v.videoWidth, height: v.videoHeight,
                             readyState: v.readyState, networkState: v.networkState} : null);
})()
"""


# ---------------------------------------------------------------------------
# The engine's side: run as a child process on the virtual desktop.


def Render(job_path):
    """Loads each page of the job in one web view and writes what the probe
    read back, as JSON, to the job's output file."""
    import gi
    gi.require_version("Gtk", "3.0")
    gi.require_version("WebKit2", "4.1")
    from gi.repository import GLib, Gtk, WebKit2

    with open(job_path) as f:
        job = json.load(f)
    settings = WebKit2.Settings()
    # As the program's view: pages without a charset are in code page 1251,
    # and local pages reach no other local file.
    settings.set_default_charset("windows-1251")
    settings.set_allow_file_access_from_file_urls(False)
    settings.set_allow_universal_access_from_file_urls(False)
    view = WebKit2.WebView(settings=settings, is_ephemeral=True)
    # A real window: WebKit holds back media in a page that is not shown.
    window = Gtk.Window()
    window.set_default_size(590, 330)
    window.add(view)
    window.show_all()

    results = []
    state = {}

    def evaluate(script, then):
        def done(source, result):
            try:
                then(json.loads(view.evaluate_javascript_finish(result).to_string()))
            except GLib.Error as error:
                finish({"error": error.message})
        view.evaluate_javascript(script, -1, None, None, None, done)

    def finish(result):
        for source in state.pop("timers", []):
            GLib.source_remove(source)
        results.append(result)
        GLib.idle_add(next_page)

    def next_page():
        if len(results) == len(job["pages"]):
            Gtk.main_quit()
            return False
        page = job["pages"][len(results)]
        state["page"] = page
        state["timers"] = [GLib.timeout_add(int(RENDER_TIMEOUT * 1000), timed_out)]
        view.load_uri(page["uri"])
        return False

    def timed_out():
        state["timers"] = []
        state.pop("page", None)
        finish({"error": "the page did not finish within %g s" % RENDER_TIMEOUT})
        return False

    def loaded(_view, event):
        if event != WebKit2.LoadEvent.FINISHED or "page" not in state:
            return
        page = state.pop("page")
        # Loaded: what follows has deadlines of its own.
        for source in state.pop("timers", []):
            GLib.source_remove(source)
        evaluate(job["probe"], lambda shown: watch(page, shown))

    def failed(_view, _event, uri, error):
        if "page" in state and uri == state["page"]["uri"]:
            state.pop("page")
            finish({"error": "%s: %s" % (uri, error.message)})
        return False

    def watch(page, shown):
        if not page.get("play"):
            finish({"shown": shown})
            return
        # Poll how far the video got until it has played a while, it fails,
        # or the deadline passes (the last reading is reported then).
        deadline = GLib.get_monotonic_time() + int(PLAY_TIMEOUT * 1e6)

        def poll():
            def check(played):
                if (played and (played["error"] or played["time"] >= PLAYED_SECONDS)) \
                        or GLib.get_monotonic_time() > deadline:
                    finish({"shown": shown, "played": played})
                else:
                    GLib.timeout_add(100, poll)
            evaluate(PLAY_PROBE, check)
            return False
        poll()

    view.connect("load-changed", loaded)
    view.connect("load-failed", failed)
    GLib.idle_add(next_page)
    Gtk.main()
    with open(job["output"], "w") as f:
        json.dump(results, f)


# ---------------------------------------------------------------------------
# The tests' side.


def GiPython():
    """A Python that has GObject introspection for WebKitGTK 4.1: this one,
    else Debian's, where python3-gi installs."""
    check = "import gi; gi.require_version('Gtk', '3.0'); gi.require_version('WebKit2', '4.1')"
    for python in (sys.executable, "/usr/bin/python3"):
        if os.path.exists(python) and subprocess.run(
                [python, "-c", check], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0:
            return python
    return None


def summary(item):
    """One shown element in the form of the table's expectations."""
    if item["kind"] == "video":
        return ("video", item["src"], tuple(item["size"]))
    if item["kind"] == "notice":
        return ("notice", item["links"][0] if item["links"] else None, tuple(item["size"]))
    return item["tag"]


class PlayerScriptTest(DesktopAndSiteTest):
    # The addresses below are spelt out, so the site's host is fixed.
    SITE_HOST = "tv.example"
    SCRATCH_PREFIX = "zirta-player-script-"

    @classmethod
    def setUpClass(cls):
        cls.python = GiPython()
        if cls.python is None:
            raise AssertionError("python3-gi and gir1.2-webkit2-4.1 are needed "
                                 "(tools/install_deps.sh installs them)")
        super().setUpClass()

    def render(self, lines, play=False):
        """Writes a player page per line (bytes) in a folder of its own with
        the script beside it, loads them all; returns what each shows."""
        pages = []
        for i, line in enumerate(lines):
            directory = os.path.join(self.scratch, "канал %d #" % i)
            os.makedirs(directory)
            shutil.copy(SCRIPT, os.path.join(directory, "js000000.js"))
            path = os.path.join(directory, "TV.htm")
            with open(path, "wb") as f:
                f.write(HEAD + line + b"\r\n")
            pages.append({"uri": "file://" + urllib.parse.quote(path), "play": play})
        job = os.path.join(self.scratch, "job.json")
        output = os.path.join(self.scratch, "results.json")
        with open(job, "w") as f:
            json.dump({"pages": pages, "probe": PROBE % json.dumps(NOTICE_TEXT), "output": output}, f)
        env = self.desktop.env(self.site.env())
        # https too goes to the loopback site (which refuses tunnels), so no
        # address of these pages is ever looked up or reached elsewhere.
        env["https_proxy"] = env["HTTPS_PROXY"] = self.site.proxy_url
        timeout = 60 + len(pages) * (RENDER_TIMEOUT + (PLAY_TIMEOUT if play else 0))
        run = subprocess.run([self.python, os.path.abspath(__file__), "--render", job], env=env,
                             capture_output=True, text=True, timeout=timeout)
        if run.returncode != 0 or not os.path.exists(output):
            self.fail("the engine exited with %s:\n%s" % (run.returncode, run.stderr[-4000:]))
        with open(output) as f:
            results = json.load(f)
        for result in results:
            if "error" in result:
                self.fail(result["error"])
        return results

    def check_shown(self, shown, expected):
        self.assertEqual(shown["flash"], 0, "a flash player is left in the page")
        self.assertEqual([summary(item) for item in shown["shown"]], expected)
        for item in shown["shown"]:
            if item["kind"] == "video":
                self.assertEqual((item["controls"], item["autoplay"], item["muted"], item["playsinline"]),
                                 (True, True, True, True), item)
                self.assertEqual(item["background"], "rgb(0, 0, 0)")
                self.assertEqual(item["children"], 0)
            elif item["kind"] == "notice":
                self.assertIn(NOTICE_TEXT, item["text"])
                self.assertEqual(item["background"], "rgb(20, 20, 20)")
                self.assertEqual(item["colour"], "rgb(144, 144, 144)")
                self.assertLessEqual(len(item["links"]), 1)
                # The sentence and at most the link: nothing of the page's.
                self.assertEqual(item["elements"], 1 + len(item["links"]))

    def test_flash_players_become_videos_or_notices(self):
        results = self.render([line.encode("utf-8") for _, line, _ in CASES])
        for (name, line, expected), result in zip(CASES, results):
            with self.subTest(name, line=line):
                self.check_shown(result["shown"], expected)

    def test_line_in_code_page_1251_with_stream(self):
        # A site in the Cyrillic code page: the line's own bytes stay 8-bit.
        line = obj(SWF, flashvars("title=Первый канал&amp;file=http://cdn.example/ч.mp4")).encode("cp1251")
        shown = self.render([line])[0]["shown"]
        self.check_shown(shown, [("video", "http://cdn.example/%D1%87.mp4", (590, 330))])

    def test_sample_channel_video_plays_and_relative_stream_reaches_the_site(self):
        line = obj(SWF, flashvars("file=../video/demo.webm&amp;title=demo")).encode()
        result = self.render([line], play=True)[0]
        self.check_shown(result["shown"], [("video", "http://tv.example/video/demo.webm", (590, 330))])
        played = result["played"]
        self.assertIsNotNone(played)
        self.assertEqual(played["error"], 0, "the engine could not play the sample video")
        self.assertEqual((played["width"], played["height"]), (320, 180), played)
        self.assertGreaterEqual(played["time"], PLAYED_SECONDS, played)
        self.assertFalse(played["paused"])
        self.assertIn("http://tv.example/video/demo.webm", [e["url"] for e in self.site.log()])


if __name__ == "__main__" and sys.argv[1:2] == ["--render"]:
    Render(sys.argv[2])
elif __name__ == "__main__":
    unittest.main()
