"""The skin: what our skin library does to GTK widgets and how it treats
skin files it cannot use, and which calls the program makes into whatever
SkinFeature.so it finds beside itself."""
import os
import re
import shutil
import statistics
import subprocess
import tempfile
import unittest

from desktop import PROGRAM, Desktop, make_program_dir, wait_for, write_pictures
from fixture import FixtureSite

SOURCE = os.environ.get("ZIRTA_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
BUILD = os.environ.get("ZIRTA_BUILD_DIR") or os.path.join(SOURCE, "build")
PROBE = os.path.join(BUILD, "probes", "skin_probe")
SKIN_LIBRARY = os.path.join(BUILD, "SkinFeature.so")
RECORDING_SKIN = os.path.join(BUILD, "probes", "recording-skin", "SkinFeature.so")
SKIN_WITHOUT_UNLOAD = os.path.join(BUILD, "probes", "skin-without-unload", "SkinFeature.so")
SKIN_NAME = "Dark Soft.rss"
DARK_SOFT = os.path.join(SOURCE, "assets", SKIN_NAME)
HOST = os.environ.get("ZIRTA_CATALOGUE_HOST", "tv.example")

PROBE_TIMEOUT = 60


def Rgb(text):
    return tuple(int(part) for part in text.split(","))


def Luminance(rgb):
    r, g, b = rgb
    return (299 * r + 587 * g + 114 * b) // 1000


def Near(rgb, expected, tolerance=12):
    return all(abs(a - b) <= tolerance for a, b in zip(rgb, expected))


def Skin(css, name="Test"):
    return ("ZirtaSkin 1\nname: %s\n\n%s" % (name, css)).encode("utf-8")


def FlatButtons(rgb):
    """A rule that paints buttons one flat colour, easy to recognise."""
    return "button { background-image: none; background-color: rgb(%d, %d, %d); }\n" % rgb


BLUE = (0, 0, 200)
GREEN = (0, 160, 0)
GREEN_RULE = FlatButtons(GREEN)
BLUE_SKIN = Skin(FlatButtons(BLUE))
GREEN_SKIN = Skin(GREEN_RULE)


class Look(dict):
    """One "look" line of skin_probe: what a button, a scrolled strip and a
    window looked like when drawn."""

    @classmethod
    def Parse(cls, line):
        fields = line.split()
        if fields[0] != "look":
            raise ValueError("not a look line: %r" % line)
        return cls(field.split("=", 1) for field in fields[1:])

    @property
    def button(self):
        return Rgb(self["button"])

    def sizes(self):
        """Everything a skin must leave alone."""
        return {key: self[key] for key in
                ("button-size", "button-natural", "font", "scrollbar-width")}


def RequireBuilt(*paths):
    missing = [path for path in paths if not os.path.exists(path)]
    if missing:
        raise AssertionError("not built: %s" % ", ".join(missing))


def RunProbe(steps, env, cwd, library=SKIN_LIBRARY):
    """skin_probe's output lines; the probe must exit 0, which it does only
    when no call crashed and GTK ran on after the library was unloaded."""
    result = subprocess.run([PROBE, library] + steps, env=env, cwd=cwd,
                            capture_output=True, text=True, timeout=PROBE_TIMEOUT)
    if result.returncode != 0:
        raise AssertionError("skin_probe %s exited %d:\n%s%s"
                             % (steps, result.returncode, result.stdout, result.stderr))
    return result.stdout.splitlines()


def IsLook(line):
    return line.startswith("look ") and line != "look none"


def Looks(lines):
    return [Look.Parse(line) for line in lines if IsLook(line)]


def Answers(lines):
    """The probe's lines other than the looks it measured."""
    return [line for line in lines if not IsLook(line)]


class SkinLibraryTest(unittest.TestCase):
    """Our SkinFeature.so loaded into a small GTK program."""

    @classmethod
    def setUpClass(cls):
        RequireBuilt(PROBE, SKIN_LIBRARY)
        cls.display = Desktop()
        cls.display.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.display.__exit__(None, None, None)

    def setUp(self):
        scratch = tempfile.TemporaryDirectory(prefix="skin-")
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name

    def Write(self, name, data):
        path = os.path.join(self.dir, name)
        with open(path, "wb") as f:
            f.write(data)
        return path

    def Probe(self, steps, cwd=None, env=None, library=SKIN_LIBRARY):
        return RunProbe(steps, env or self.display.env(), cwd or self.dir, library)

    def test_dark_soft_colours_the_controls_and_keeps_every_size(self):
        lines = self.Probe(["gtk", "program-css", "look", "init", "load:" + DARK_SOFT, "look"])
        self.assertEqual(Answers(lines), ["gtk=1", "program-css", "init=1", "load=1"])
        plain, dark = Looks(lines)
        # The plain look is light, so the dark readings below are the skin's.
        self.assertGreater(Luminance(plain.button), 170)

        self.assertLess(Luminance(dark.button), 80, "dark button faces")
        self.assertGreater(Luminance(Rgb(dark["text"])) - Luminance(dark.button), 120,
                           "captions stand out from the face")
        self.assertEqual(Rgb(dark["window"]), (20, 20, 20))
        self.assertLess(Luminance(Rgb(dark["trough"])), 60, "dark scroll bar")
        self.assertEqual(dark["steppers"], "1,1")
        self.assertGreater(int(dark["stepper-contrast"]), 80, "stepper arrows are visible")
        # A skin that set a padding, minimum size, border width or font
        # would override the program's forced 70 x 25 buttons.
        self.assertEqual(dark["button-size"], "70x25")
        self.assertEqual(dark.sizes(), plain.sizes())

    def test_unusable_skin_files_change_nothing(self):
        # Each faulty skin also carries the green rule, so a skin applied in
        # part would show.
        cases = [
            ("missing file", None),
            ("a directory", "directory"),
            ("a FIFO, which must not hang the load", "fifo"),
            ("empty file", b""),
            ("no header", GREEN_RULE.encode()),
            ("another format version", b"ZirtaSkin 2\nname: Future\n\n" + GREEN_RULE.encode()),
            ("header cut short", b"ZirtaSkin 1\nname: Cut\n"),
            ("no name", b"ZirtaSkin 1\ndescription: nameless\n\n" + GREEN_RULE.encode()),
            ("header line without a colon", b"ZirtaSkin 1\nname: X\nstray words\n\n" + GREEN_RULE.encode()),
            ("CSS value error", Skin(GREEN_RULE + "button { color: nonsense; }\n")),
            ("CSS block never closed", Skin(GREEN_RULE + "scrollbar { background-color: red;\n")),
            ("CSS that is not UTF-8", Skin(GREEN_RULE) + b"/* \xff\xfe */\n"),
            ("NUL byte in the CSS", Skin(GREEN_RULE) + b"\x00button { color: red; }\n"),
            ("one byte over 1 MiB", Padded(Skin(GREEN_RULE), 1024 * 1024 + 1)),
        ]
        if os.geteuid() != 0:
            cases.append(("unreadable file", "unreadable"))
        self.Write("blue.rss", BLUE_SKIN)
        for number, (name, content) in enumerate(cases):
            with self.subTest(name):
                faulty = "faulty %d.rss" % number
                path = os.path.join(self.dir, faulty)
                if content == "directory":
                    os.mkdir(path)
                elif content == "fifo":
                    os.mkfifo(path)
                elif content == "unreadable":
                    self.Write(faulty, Skin(GREEN_RULE))
                    os.chmod(path, 0)
                elif content is not None:
                    self.Write(faulty, content)
                lines = self.Probe(["gtk", "load:" + faulty, "look",
                                    "load:blue.rss", "load:" + faulty, "look"])
                self.assertEqual(Answers(lines), ["gtk=1", "load=0", "load=1", "load=0"])
                plain, blue = Looks(lines)
                self.assertGreater(Luminance(plain.button), 170, "plain look kept")
                self.assertTrue(Near(blue.button, BLUE), "earlier skin kept: %s" % (blue.button,))

    def test_unusual_but_valid_skin_files_are_applied(self):
        cases = [
            ("byte-order mark and CR LF line ends",
             b"\xef\xbb\xbf" + Skin(GREEN_RULE).replace(b"\n", b"\r\n"), GREEN),
            ("unknown header fields and spaced blank line",
             b"ZirtaSkin 1\nName:  Spaced \nauthor: someone\nx-future: 1\n   \n" + GREEN_RULE.encode(),
             GREEN),
            ("exactly 1 MiB", Padded(Skin(GREEN_RULE), 1024 * 1024), GREEN),
            ("empty style sheet, which gives the plain look", Skin(""), None),
        ]
        self.Write("blue.rss", BLUE_SKIN)
        for name, content, expected in cases:
            with self.subTest(name):
                self.Write("valid.rss", content)
                lines = self.Probe(["gtk", "load:blue.rss", "load:valid.rss", "look"])
                self.assertEqual(Answers(lines), ["gtk=1", "load=1", "load=1"])
                (look,) = Looks(lines)
                if expected is None:
                    self.assertGreater(Luminance(look.button), 170)
                else:
                    self.assertTrue(Near(look.button, expected), "%s" % (look.button,))

    def test_second_skin_replaces_the_first_and_unload_restores_the_plain_look(self):
        self.Write("blue.rss", BLUE_SKIN)
        self.Write("green.rss", GREEN_SKIN)
        lines = self.Probe(["gtk", "load:blue.rss", "load:green.rss", "look",
                            "unload", "look", "unload", "load:blue.rss", "look"])
        self.assertEqual(Answers(lines),
                         ["gtk=1", "load=1", "load=1", "unload=1", "unload=0", "load=1"])
        green, plain, blue = Looks(lines)
        self.assertTrue(Near(green.button, GREEN), "%s" % (green.button,))
        self.assertGreater(Luminance(plain.button), 170)
        self.assertTrue(Near(blue.button, BLUE), "%s" % (blue.button,))

    def test_relative_name_is_looked_for_in_working_directory_then_beside_library(self):
        library_dir = os.path.join(self.dir, "program")
        work_dir = os.path.join(self.dir, "work")
        os.makedirs(os.path.join(work_dir, "skins"))
        os.mkdir(library_dir)
        library = shutil.copy(SKIN_LIBRARY, library_dir)
        self.Write(os.path.join("program", "only beside.rss"), BLUE_SKIN)
        self.Write(os.path.join("program", "both.rss"), BLUE_SKIN)
        self.Write(os.path.join("work", "both.rss"), GREEN_SKIN)
        self.Write(os.path.join("work", "skins", "nested.rss"), GREEN_SKIN)
        elsewhere = self.Write("absolute.rss", GREEN_SKIN)
        cases = [
            ("only beside the library", "only beside.rss", BLUE),
            ("working directory comes first", "both.rss", GREEN),
            ("relative path with a folder", "skins/nested.rss", GREEN),
            ("absolute path", elsewhere, GREEN),
        ]
        for name, skin, expected in cases:
            with self.subTest(name):
                lines = self.Probe(["gtk", "load:" + skin, "look"], cwd=work_dir, library=library)
                self.assertEqual(Answers(lines), ["gtk=1", "load=1"])
                (look,) = Looks(lines)
                self.assertTrue(Near(look.button, expected), "%s" % (look.button,))

    def test_calls_before_gtk_or_without_display_are_harmless(self):
        before = self.Probe(["init", "load:" + DARK_SOFT, "look", "unload",
                             "gtk", "look", "load:" + DARK_SOFT, "look"])
        self.assertEqual(Answers(before),
                         ["init=1", "load=0", "look none", "unload=0", "gtk=1", "load=1"])
        plain, dark = Looks(before)
        self.assertGreater(Luminance(plain.button), 170)
        self.assertLess(Luminance(dark.button), 80)

        headless = dict(self.display.env())
        for name in ("DISPLAY", "WAYLAND_DISPLAY"):
            headless.pop(name, None)
        lines = self.Probe(["gtk", "init", "load:" + DARK_SOFT, "look", "unload", "unload"],
                           env=headless)
        self.assertEqual(lines, ["gtk=0", "init=1", "load=0", "look none", "unload=0", "unload=0"])


# The calls a skin library sees from one run of the program: both set-up
# calls before any window exists, the unload while the window still does.
SKIN_CALLS = [
    re.compile(r"InitializeSkin windows=0$"),
    re.compile(r"LoadSkinFile Dark Soft\.rss\| windows=0$"),
    re.compile(r"UnLoadSkin windows=[1-9][0-9]*$"),
]

# Category button 106 in the client area, and the window background around
# it: right of it before button 108, and below it before button 112.
BUTTON = (10, 345, 70, 25)
BESIDE_BUTTON = [(x, 357) for x in range(81, 89)] + [(45, y) for y in range(371, 374)]
WINDOW_BACKGROUND = (20, 20, 20)


class ProgramSkinTest(unittest.TestCase):
    """The program with or without a SkinFeature.so beside it."""

    @classmethod
    def setUpClass(cls):
        RequireBuilt(PROGRAM, SKIN_LIBRARY, RECORDING_SKIN, SKIN_WITHOUT_UNLOAD)
        cls.site = FixtureSite(host=HOST)
        cls.site.__enter__()
        cls.desk = Desktop()
        try:
            cls.desk.__enter__()
        except BaseException:
            cls.site.__exit__(None, None, None)
            raise

    @classmethod
    def tearDownClass(cls):
        cls.desk.__exit__(None, None, None)
        cls.site.__exit__(None, None, None)

    def setUp(self):
        scratch = tempfile.TemporaryDirectory(prefix="skin-program-")
        self.addCleanup(scratch.cleanup)
        self.dir = scratch.name

    def RunProgram(self, library, skin_file, on_window=None):
        """Runs the program from a directory of its own with `library` beside
        it as SkinFeature.so (no library when None) and, with skin_file,
        "Dark Soft.rss"; lets on_window look at the window, then closes the
        window like a user. Returns (exit code, skin log lines, what
        on_window returned)."""
        run = tempfile.mkdtemp(dir=self.dir)
        directory = make_program_dir(run)
        write_pictures(directory)
        if library:
            shutil.copy(library, os.path.join(directory, "SkinFeature.so"))
        if skin_file:
            shutil.copy(DARK_SOFT, os.path.join(directory, SKIN_NAME))
        log = os.path.join(run, "skin.log")
        env = self.site.env()
        env["ZIRTA_SKIN_LOG"] = log
        program = self.desk.start_program(os.path.join(directory, "zirta-tv"), directory, env=env)
        try:
            window = program.window()
            seen = on_window(window) if on_window else None
            self.desk.close(window.id)
            code = program.wait_exit()
        finally:
            program.stop()
        if not os.path.exists(log):
            return code, [], seen
        with open(log, encoding="utf-8") as f:
            return code, f.read().splitlines(), seen

    def test_skin_calls_come_in_order_once_and_only_from_a_whole_library(self):
        cases = [
            ("library and skin file", RECORDING_SKIN, True, SKIN_CALLS),
            ("library without the skin file", RECORDING_SKIN, False, SKIN_CALLS),
            ("library lacking UnLoadSkin counts as missing", SKIN_WITHOUT_UNLOAD, True, []),
            ("no library", None, True, []),
        ]
        for name, library, skin_file, expected in cases:
            with self.subTest(name):
                code, calls, _ = self.RunProgram(library, skin_file)
                self.assertEqual(code, 0)
                self.assertEqual(len(calls), len(expected), calls)
                for call, pattern in zip(calls, expected):
                    self.assertRegex(call, pattern)

    def ButtonLook(self, window):
        """The screen once button 106 is drawn: its pixels, and the window's
        pixels just outside it."""
        left, top = window.at(0, 0)
        x, y, width, height = BUTTON

        def drawn():
            # Until the caption shows, the area may still be bare screen.
            screen = self.desk.screenshot()
            face = screen.region(left + x, top + y, width, height)
            return screen if len(set(face)) > 2 else None
        screen = wait_for(drawn, what="the category buttons to be drawn")
        face = screen.region(left + x, top + y, width, height)
        beside = [screen.pixel(left + px, top + py) for px, py in BESIDE_BUTTON]
        return face, beside

    def test_dark_soft_darkens_the_category_buttons_without_moving_them(self):
        cases = [
            ("our library and Dark Soft", SKIN_LIBRARY, True, "dark"),
            ("our library without its skin file", SKIN_LIBRARY, False, "plain"),
            ("no library", None, True, "plain"),
        ]
        for name, library, skin_file, look in cases:
            with self.subTest(name):
                code, _, (face, beside) = self.RunProgram(library, skin_file, self.ButtonLook)
                self.assertEqual(code, 0)
                face_light = statistics.median(Luminance(p) for p in face)
                if look == "dark":
                    self.assertLess(face_light, 80, "a dark button face")
                    self.assertGreater(max(Luminance(p) for p in face), 170, "a light caption")
                else:
                    self.assertGreater(face_light, 170, "the plain light button face")
                # A skin that set a padding, border or minimum size would
                # spill the button over the background around it.
                self.assertEqual(set(beside), {WINDOW_BACKGROUND})


def Padded(skin, size):
    """`skin` grown to exactly `size` bytes with a CSS comment."""
    filler = size - len(skin) - len(b"/**/\n")
    return skin + b"/*" + b"x" * filler + b"*/\n"
