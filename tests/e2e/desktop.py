"""A virtual desktop for end-to-end tests: Xvfb on a free display with the
openbox window manager, and the program run in it.

    with Desktop() as desk:
        app = desk.start_program(program_dir, cwd, env=site.env())
        window = app.window()
        desk.click(*window.at(10, 345))
        ...
        desk.close(window.id)
        app.wait_exit()

Screens are read back with ImageMagick's `import` as PPM; windows are found
with xdotool, closed with wmctrl, read with xwininfo and xprop. Everything
waits by polling with a deadline.
"""

import os
import shutil
import subprocess
import tempfile
import time

BUILD_DIR = os.environ.get("ZIRTA_BUILD_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", "..", "build"))
PROGRAM = os.path.join(BUILD_DIR, "zirta-tv")
TITLE = "Зирта TV"

SCREEN_WIDTH = 1280
SCREEN_HEIGHT = 800
START_TIMEOUT = 30.0
WAIT_TIMEOUT = 30.0
POLL = 0.05


class DesktopError(RuntimeError):
    pass


def wait_for(predicate, timeout=WAIT_TIMEOUT, what="a condition"):
    """Polls predicate until it returns something true; returns that."""
    deadline = time.monotonic() + timeout
    last = None
    while True:
        last = predicate()
        if last:
            return last
        if time.monotonic() > deadline:
            raise DesktopError("timed out waiting for %s" % what)
        time.sleep(POLL)


class Screen:
    """One screenshot: RGB pixels of the whole screen."""

    def __init__(self, width, height, data):
        self.width = width
        self.height = height
        self.data = data

    def pixel(self, x, y):
        if not (0 <= x < self.width and 0 <= y < self.height):
            raise IndexError("pixel %d,%d is off the screen" % (x, y))
        i = (y * self.width + x) * 3
        return tuple(self.data[i:i + 3])

    def region(self, x, y, width, height):
        """Every pixel of a rectangle, row by row."""
        return [self.pixel(x + dx, y + dy) for dy in range(height) for dx in range(width)]


def parse_ppm(data):
    # P6 <width> <height> <maxval> then binary RGB; comments are not written
    # by ImageMagick.
    fields = []
    pos = 0
    while len(fields) < 4:
        while data[pos:pos + 1].isspace():
            pos += 1
        end = pos
        while not data[end:end + 1].isspace():
            end += 1
        fields.append(data[pos:end])
        pos = end
    pos += 1
    if fields[0] != b"P6" or int(fields[3]) != 255:
        raise DesktopError("unexpected screenshot format %r" % fields[:4])
    width, height = int(fields[1]), int(fields[2])
    return Screen(width, height, data[pos:pos + width * height * 3])


class Window:
    """A top-level window as the X server sees it."""

    def __init__(self, desktop, window_id):
        self.desktop = desktop
        self.id = window_id

    def client_geometry(self):
        """(x, y, width, height) of the client area on the screen."""
        out = self.desktop.run(["xwininfo", "-id", str(self.id)])
        values = {}
        for line in out.splitlines():
            line = line.strip()
            for key in ("Absolute upper-left X", "Absolute upper-left Y", "Width", "Height"):
                if line.startswith(key + ":"):
                    values[key] = int(line.split(":", 1)[1])
        return (values["Absolute upper-left X"], values["Absolute upper-left Y"],
                values["Width"], values["Height"])

    def at(self, x, y):
        """Screen coordinates of a point of the client area."""
        left, top, _, _ = self.client_geometry()
        return left + x, top + y

    def prop(self, name):
        out = self.desktop.run(["xprop", "-id", str(self.id), name])
        return out.split("=", 1)[1].strip() if "=" in out else ""

    def title(self):
        value = self.prop("_NET_WM_NAME")
        if not value.startswith('"'):
            return ""
        # xprop quotes the UTF-8 text and escapes '"' and '\'.
        return value[1:-1].replace('\\"', '"').replace("\\\\", "\\")

    def wait_title(self, title, timeout=WAIT_TIMEOUT):
        wait_for(lambda: self.title() == title, timeout,
                 "the window title %r (it is %r)" % (title, self.title()))

    def states(self):
        return [s.strip() for s in self.prop("_NET_WM_STATE").split(",") if s.strip()]

    def frame_extents(self):
        """(left, right, top, bottom) of the window manager's frame."""
        value = self.prop("_NET_FRAME_EXTENTS")
        return tuple(int(v) for v in value.split(",")) if value else (0, 0, 0, 0)

    def exists(self):
        return subprocess.run(["xwininfo", "-id", str(self.id)], env=self.desktop.env(),
                              stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL).returncode == 0


class Program:
    """The program running on the desktop."""

    def __init__(self, desktop, process, log_path):
        self.desktop = desktop
        self.process = process
        self.log_path = log_path
        self._window = None

    def window(self, timeout=START_TIMEOUT):
        if self._window is None:
            def find():
                if self.process.poll() is not None:
                    raise DesktopError("the program exited with %s before its window appeared:\n%s"
                                       % (self.process.returncode, self.log()))
                return self.desktop.find_window(TITLE, self.process.pid)
            window_id = wait_for(find, timeout, "the program's window")
            self._window = Window(self.desktop, window_id)
            # Mapped and placed by the window manager.
            wait_for(lambda: "_NET_WM_STATE_ABOVE" in self._window.states(), timeout,
                     "the window to be kept above")
        return self._window

    def log(self):
        try:
            with open(self.log_path, "r", errors="replace") as f:
                return f.read()
        except OSError:
            return ""

    def wait_exit(self, timeout=WAIT_TIMEOUT):
        try:
            return self.process.wait(timeout)
        except subprocess.TimeoutExpired:
            raise DesktopError("the program did not exit:\n" + self.log())

    def stop(self):
        if self.process.poll() is None:
            self.process.kill()
            self.process.wait()


class Desktop:
    def __init__(self, width=SCREEN_WIDTH, height=SCREEN_HEIGHT):
        self.width = width
        self.height = height
        self.display = None
        self._xvfb = None
        self._wm = None
        self._scratch = None
        self._programs = []

    # -- life ------------------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        for tool in ("Xvfb", "openbox", "xdotool", "wmctrl", "import", "xwininfo", "xprop"):
            if shutil.which(tool) is None:
                raise DesktopError("%s is not installed" % tool)
        self._scratch = tempfile.mkdtemp(prefix="zirta-desktop-")
        read_end, write_end = os.pipe()
        # -displayfd: the server picks a free display and tells us its number.
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
             "%dx%dx24" % (self.width, self.height), "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdin=subprocess.DEVNULL,
            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        try:
            number = b""
            deadline = time.monotonic() + START_TIMEOUT
            while not number.endswith(b"\n"):
                if time.monotonic() > deadline or self._xvfb.poll() is not None:
                    raise DesktopError("Xvfb did not start")
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise DesktopError("Xvfb did not report its display")
                number += chunk
        finally:
            os.close(read_end)
        self.display = ":" + number.decode().strip()
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.env(),
                                    stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                    stderr=subprocess.DEVNULL)
        wait_for(self._wm_ready, START_TIMEOUT, "the window manager")

    def _wm_ready(self):
        if self._wm.poll() is not None:
            raise DesktopError("openbox exited with %s" % self._wm.returncode)
        return subprocess.run(["wmctrl", "-m"], env=self.env(), stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL).returncode == 0

    def stop(self):
        for program in self._programs:
            program.stop()
        self._programs = []
        for process in (self._wm, self._xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                try:
                    process.wait(10)
                except subprocess.TimeoutExpired:
                    process.kill()
                    process.wait()
        self._wm = self._xvfb = None
        if self._scratch:
            shutil.rmtree(self._scratch, ignore_errors=True)
            self._scratch = None

    def env(self, base=None):
        """The environment for a program on this desktop."""
        environment = dict(os.environ if base is None else base)
        environment["DISPLAY"] = self.display
        environment.pop("WAYLAND_DISPLAY", None)
        # WebKit in a virtual X server: no GPU compositing, and no bubblewrap
        # sandbox when the tests run as root in a container.
        environment["WEBKIT_DISABLE_COMPOSITING_MODE"] = "1"
        environment["WEBKIT_DISABLE_SANDBOX_THIS_IS_DANGEROUS"] = "1"
        environment["LIBGL_ALWAYS_SOFTWARE"] = "1"
        environment["NO_AT_BRIDGE"] = "1"
        environment["GTK_THEME"] = "Adwaita"
        runtime = os.path.join(self._scratch, "runtime")
        os.makedirs(runtime, mode=0o700, exist_ok=True)
        environment["XDG_RUNTIME_DIR"] = runtime
        environment["HOME"] = environment.get("HOME") or self._scratch
        return environment

    # -- tools -------------------------------------------------------------------

    def run(self, args, check=True):
        result = subprocess.run(args, env=self.env(), capture_output=True, text=True)
        if check and result.returncode != 0:
            raise DesktopError("%s failed: %s" % (" ".join(args), result.stderr.strip()))
        return result.stdout

    def find_window(self, title, pid=None):
        """The id of a visible window with exactly this title, or None."""
        args = ["xdotool", "search", "--onlyvisible", "--name", "^%s$" % title]
        result = subprocess.run(args, env=self.env(), capture_output=True, text=True)
        for line in result.stdout.split():
            window_id = int(line)
            if pid is None:
                return window_id
            got = subprocess.run(["xdotool", "getwindowpid", str(window_id)], env=self.env(),
                                 capture_output=True, text=True).stdout.strip()
            if got == str(pid):
                return window_id
        return None

    def screenshot(self):
        data = subprocess.run(["import", "-silent", "-window", "root", "-depth", "8", "ppm:-"], env=self.env(),
                              capture_output=True, check=True).stdout
        return parse_ppm(data)

    def save_screenshot(self, path):
        subprocess.run(["import", "-silent", "-window", "root", path], env=self.env(), check=True)

    def wait_pixel(self, x, y, colour, timeout=WAIT_TIMEOUT, tolerance=0):
        """Waits until the screen pixel at x, y has the colour; returns the screen."""
        def check():
            screen = self.screenshot()
            got = screen.pixel(x, y)
            check.last = got
            return screen if close_colour(got, colour, tolerance) else None
        check.last = None
        try:
            return wait_for(check, timeout, "pixel %d,%d to be %r" % (x, y, colour))
        except DesktopError:
            raise DesktopError("pixel %d,%d stayed %r, not %r" % (x, y, check.last, colour))

    def move(self, x, y):
        self.run(["xdotool", "mousemove", "--sync", str(x), str(y)])

    def click(self, x, y, button=1):
        self.move(x, y)
        self.run(["xdotool", "click", str(button)])

    def wheel(self, x, y, notches):
        """Turns the wheel over x, y: positive notches scroll down."""
        self.move(x, y)
        button = "5" if notches > 0 else "4"
        for _ in range(abs(notches)):
            self.run(["xdotool", "click", button])

    def key(self, *names):
        for name in names:
            self.run(["xdotool", "key", name])

    def close(self, window_id):
        """Asks the window manager to close the window, as the close box does."""
        self.run(["wmctrl", "-i", "-c", hex(window_id)])

    def resize(self, window_id, width, height):
        self.run(["xdotool", "windowsize", "--sync", str(window_id), str(width), str(height)])

    # -- the program ---------------------------------------------------------------

    def start_program(self, program, cwd, env=None):
        """Starts the program file with this working directory."""
        log_path = os.path.join(self._scratch, "program-%d.log" % len(self._programs))
        with open(log_path, "wb") as log:
            process = subprocess.Popen([program], cwd=cwd, env=self.env(env), stdin=subprocess.DEVNULL,
                                       stdout=log, stderr=subprocess.STDOUT)
        program_run = Program(self, process, log_path)
        self._programs.append(program_run)
        return program_run


def close_colour(got, want, tolerance=0):
    return all(abs(a - b) <= tolerance for a, b in zip(got, want))


# ---------------------------------------------------------------------------
# A program directory of the test's own making


# The ten category pages, each filled with a colour of its own, so one pixel
# of the browser area tells which page shows.
CATEGORY_PAGES = [
    # button, page file, window title, page colour
    (106, "zirta.htm", "Зирта TV", (200, 40, 40)),
    (108, "ЗвездноеТВ.htm", "ЗвездноеТВ", (40, 200, 40)),
    (109, "ВертелинТВ.htm", "ВертелинТВ", (40, 40, 200)),
    (110, "ЛатексТМ.htm", "Латекс ТМ", (200, 200, 40)),
    (111, "HD_TV_MUSIC.htm", "HD TV MUSIC", (200, 40, 200)),
    (112, "1080p.htm", "Кинозал 1080p", (40, 200, 200)),
    (113, "Disco80x.htm", "Disco 80x", (240, 140, 0)),
    (114, "Выжить_любой_ценой.htm", "Выжить любой ценой", (120, 60, 0)),
    (115, "MaskiShow.htm", "Maski Show", (0, 120, 60)),
    (116, "ТелеканалСССР.htm", "Телеканал СССР", (60, 0, 120)),
]

# Where the buttons sit in the client area (top-left corners, 70 x 25).
BUTTON_PLACES = {
    106: (10, 345), 108: (90, 345), 109: (170, 345), 110: (250, 345), 111: (330, 345),
    112: (10, 375), 113: (90, 375), 114: (170, 375), 115: (250, 375), 116: (330, 375),
}

LOGO_COLOUR = (0, 160, 90)
PLACEHOLDER_COLOUR = (230, 230, 0)
STRIP_HEIGHT = 2800
STRIP_WIDTH = 315


def page_html(colour):
    r, g, b = colour
    return ("<!DOCTYPE html><html><head><meta charset=\"utf-8\"><style>"
            "html,body{margin:0;height:100%%;background:rgb(%d,%d,%d)}</style></head>"
            "<body></body></html>\n" % (r, g, b))


def bmp_bytes(width, height, colour_of):
    """A 24-bit Windows bitmap; colour_of(x, y) gives (r, g, b), y from the top."""
    stride = (width * 3 + 3) & ~3
    rows = []
    for y in range(height - 1, -1, -1):  # bottom row first
        row = bytearray()
        for x in range(width):
            r, g, b = colour_of(x, y)
            row += bytes((b, g, r))
        row += b"\0" * (stride - len(row))
        rows.append(bytes(row))
    pixels = b"".join(rows)
    header = b"BM" + (54 + len(pixels)).to_bytes(4, "little") + b"\0\0\0\0" + (54).to_bytes(4, "little")
    info = ((40).to_bytes(4, "little") + width.to_bytes(4, "little") + height.to_bytes(4, "little")
            + (1).to_bytes(2, "little") + (24).to_bytes(2, "little") + b"\0" * 4
            + len(pixels).to_bytes(4, "little") + (2835).to_bytes(4, "little") * 2 + b"\0" * 8)
    return header + info + pixels


def strip_colour(y):
    """The strip background's colour of inner row y: the row can be read back
    from one pixel, so a screenshot tells how far the strip is scrolled."""
    return (y & 255, 20 + 20 * (y >> 8), 90)


def strip_row(colour):
    """Inner row of a strip background pixel, or None when it is not one."""
    r, g, b = colour
    if b != 90 or (g - 20) % 20 != 0 or not 0 <= (g - 20) // 20 <= STRIP_HEIGHT >> 8:
        return None
    return ((g - 20) // 20) * 256 + r


def solid_bmp(width, height, colour):
    return bmp_bytes(width, height, lambda x, y: colour)


def write_pictures(directory, strip=True, logo=True, placeholder=True):
    """The program's pictures, as lossless bitmaps under the names it loads
    (it tells the kind of a picture by its content, not its name)."""
    os.makedirs(os.path.join(directory, "img"), exist_ok=True)
    if strip:
        stripe_rows = [bytes(strip_colour(y)) for y in range(STRIP_HEIGHT)]
        with open(os.path.join(directory, "skrol.jpg"), "wb") as f:
            f.write(bmp_bytes(STRIP_WIDTH, STRIP_HEIGHT, lambda x, y: stripe_rows[y]))
    if logo:
        with open(os.path.join(directory, "лого.jpg"), "wb") as f:
            f.write(solid_bmp(162, 43, LOGO_COLOUR))
    if placeholder:
        with open(os.path.join(directory, "img", "фон.jpg"), "wb") as f:
            f.write(solid_bmp(207, 116, PLACEHOLDER_COLOUR))


def make_program_dir(parent, name="программа с пробелами #1", pages=True):
    """A program directory: the built program and the ten category pages.
    Its path holds spaces, "#" and Cyrillic letters."""
    directory = os.path.join(parent, name)
    os.makedirs(directory, exist_ok=True)
    shutil.copy2(PROGRAM, os.path.join(directory, "zirta-tv"))
    if pages:
        for _, page, _, colour in CATEGORY_PAGES:
            with open(os.path.join(directory, page), "w", encoding="utf-8") as f:
                f.write(page_html(colour))
    return directory


# ---------------------------------------------------------------------------
# What the tests share


# Points of the client area, from the window's fixed layout.
BROWSER_POINT = (300, 200)                          # inside the browser's frame
WINDOW_BACKGROUND_POINTS = [(2, 200), (300, 415), (610, 400), (800, 420)]
STRIP_MARGIN_X = 597                                # strip background, left of the thumbnails
STRIP_TOP = 4
STRIP_VISIBLE_HEIGHT = 380
LOGO_POINT = (450, 370)
PREV_LINK = (630, 387, 30, 15)
NEXT_LINK = (730, 387, 30, 15)
PAGE_LABEL = (670, 387, 55, 15)
BACKGROUND = (20, 20, 20)


def title_link_box(row, scrolled=0):
    """Client rectangle of title link 30 + row at a strip offset."""
    return (605, STRIP_TOP + 110 + 126 * row - scrolled, 170, 15)


def thumbnail_point(row, scrolled=0):
    return (640, STRIP_TOP + 10 + 126 * row + 40 - scrolled)


def reddish(colour):
    r, g, b = colour
    return r > 120 and g < 70 and b < 70


def greyish(colour):
    r, g, b = colour
    return max(r, g, b) - min(r, g, b) <= 6 and r > 50


def catalogue_body(titles, host="tv.example"):
    """A catalogue page in the site's format listing these titles."""
    lines = ['<!DOCTYPE html>', '<html lang="ru">', '<head>', '<meta charset="utf-8">',
             '<title>test</title>', '</head>', '<body>', '<div class="grid">']
    for i, title in enumerate(titles):
        lines += [
            '<div class="grid_item">',
            '<div class="thumb" style="background-image: url(http://img.%s/thumbs/%d.jpg);"></div>'
            % (host, i),
            '<div class="grid_title"><a href="http://%s/ru/tv/channel-%d">%s</a></div>' % (host, i, title),
            '</div>',
        ]
    lines += ['</div>', '</body>', '</html>']
    return ("\r\n".join(lines) + "\r\n").encode("utf-8")


import unittest  # noqa: E402  (only the shared test base below needs it)


class DesktopAndSiteTest(unittest.TestCase):
    """One desktop and one fixture site per test class, a fresh site state
    and a scratch directory per test."""

    SITE_HOST = None        # None: the site's default host
    SCRATCH_PREFIX = "zirta-e2e-"

    @classmethod
    def setUpClass(cls):
        from fixture import FixtureSite
        cls.desktop = Desktop()
        cls.desktop.start()
        cls.site = FixtureSite() if cls.SITE_HOST is None else FixtureSite(host=cls.SITE_HOST)
        try:
            cls.site.start()
        except BaseException:
            cls.desktop.stop()
            raise

    @classmethod
    def tearDownClass(cls):
        cls.site.stop()
        cls.desktop.stop()

    def setUp(self):
        self.site.reset()
        self.scratch = tempfile.mkdtemp(prefix=self.SCRATCH_PREFIX)
        self.addCleanup(shutil.rmtree, self.scratch, True)


class ProgramTest(DesktopAndSiteTest):
    """A scratch program directory (with spaces, "#" and Cyrillic in its
    path) per test."""

    @classmethod
    def setUpClass(cls):
        if not os.path.exists(PROGRAM):
            raise unittest.SkipTest("the program is not built: %s" % PROGRAM)
        super().setUpClass()

    def setUp(self):
        super().setUp()
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            if app.process.poll() is None:
                app.stop()

    def start(self, program_dir=None, cwd=None, pictures=True, thumbnails=False):
        """Starts the program; returns (program, window). Without thumbnails
        the site answers every thumbnail with 404, so the strip keeps the
        placeholders."""
        if program_dir is None:
            program_dir = make_program_dir(self.scratch)
        if cwd is None:
            cwd = program_dir
        if pictures:
            write_pictures(cwd)
        if not thumbnails:
            self.site.override(prefix=self.site.thumb_url(0).rsplit("/", 1)[0] + "/", status=404)
        app = self.desktop.start_program(os.path.join(program_dir, "zirta-tv"), cwd, env=self.site.env())
        self.apps.append(app)
        window = app.window()
        return app, window

    def wait_thumbnail_pass(self):
        """Until the worker has asked for all 21 thumbnails (and shown the
        ones before the last)."""
        wait_for(lambda: len([e for e in self.site.log() if "/thumbs/" in e["url"]]) >= 21,
                 what="21 thumbnail requests")

    def pixel(self, window, x, y, screen=None):
        sx, sy = window.at(x, y)
        return (screen or self.desktop.screenshot()).pixel(sx, sy)

    def region(self, window, box, screen=None):
        x, y, w, h = box
        sx, sy = window.at(x, y)
        return (screen or self.desktop.screenshot()).region(sx, sy, w, h)

    def wait_page(self, window, colour):
        x, y = window.at(*BROWSER_POINT)
        try:
            return self.desktop.wait_pixel(x, y, colour)
        except DesktopError as error:
            self.fail("the browser does not show the page of colour %r: %s" % (colour, error))

    def wait_client_pixel(self, window, point, colour):
        x, y = window.at(*point)
        try:
            return self.desktop.wait_pixel(x, y, colour)
        except DesktopError as error:
            self.fail(str(error))

    def strip_offset(self, window, screen=None):
        """How far the strip is scrolled, read from its background picture."""
        row = strip_row(self.pixel(window, STRIP_MARGIN_X, STRIP_TOP, screen))
        if row is None:
            raise AssertionError("the strip's background is not at its place")
        return row

    def wait_strip_offset(self, window, offset):
        def check():
            screen = self.desktop.screenshot()
            check.last = strip_row(self.pixel(window, STRIP_MARGIN_X, STRIP_TOP, screen))
            return check.last == offset
        check.last = None
        try:
            wait_for(check, what="the strip at offset %d" % offset)
        except DesktopError:
            self.fail("the strip is at offset %r, not %d" % (check.last, offset))

    def click_client(self, window, x, y):
        self.desktop.click(*window.at(x, y))

    def close_and_expect_zero(self, app, window):
        self.desktop.close(window.id)
        self.assertEqual(app.wait_exit(), 0, app.log())


def cursor_image(display):
    """What the pointer looks like on that X display, as the XFixes
    extension reports it: (width, height, hot spot, pixels)."""
    import ctypes

    class CursorImage(ctypes.Structure):
        _fields_ = [("x", ctypes.c_short), ("y", ctypes.c_short),
                    ("width", ctypes.c_ushort), ("height", ctypes.c_ushort),
                    ("xhot", ctypes.c_ushort), ("yhot", ctypes.c_ushort),
                    ("cursor_serial", ctypes.c_ulong), ("pixels", ctypes.POINTER(ctypes.c_ulong)),
                    ("atom", ctypes.c_ulong), ("name", ctypes.c_char_p)]

    x11 = ctypes.CDLL("libX11.so.6")
    xfixes = ctypes.CDLL("libXfixes.so.3")
    x11.XOpenDisplay.restype = ctypes.c_void_p
    x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
    x11.XFree.argtypes = [ctypes.c_void_p]
    xfixes.XFixesGetCursorImage.restype = ctypes.POINTER(CursorImage)
    xfixes.XFixesGetCursorImage.argtypes = [ctypes.c_void_p]
    connection = x11.XOpenDisplay(display.encode())
    if not connection:
        raise DesktopError("cannot open display %s" % display)
    try:
        image = xfixes.XFixesGetCursorImage(connection)
        if not image:
            return None
        c = image.contents
        pixels = tuple(c.pixels[i] & 0xFFFFFFFF for i in range(c.width * c.height))
        result = (c.width, c.height, c.xhot, c.yhot, pixels)
        x11.XFree(image)
        return result
    finally:
        x11.XCloseDisplay(connection)
