"""The Debian package and its launcher.

The package is built once from the build directory (cmake --install into a
staging root and cpack -G DEB, each into a scratch directory of this run),
read back with dpkg-deb and unpacked with dpkg -x. The unpacked launcher then
runs with ZIRTA_TV_HOME pointing into the unpacked tree: with a stand-in
program for its own rules, and with the real program on a virtual desktop
against the loopback fixture site.
"""
import configparser
import os
import re
import shutil
import subprocess
import tempfile
import unittest

from desktop import (BROWSER_POINT, BUILD_DIR, STRIP_MARGIN_X, STRIP_TOP, TITLE, DesktopAndSiteTest,
                     DesktopError, solid_bmp, wait_for)
from fixture import SOURCE_DIR

PROGRAM_DIR = "opt/zirta-tv"
LAUNCHER = "usr/bin/zirta-tv"
DESKTOP_ENTRY = "usr/share/applications/zirta-tv.desktop"
ICONS = {"48x48": "usr/share/icons/hicolor/48x48/apps/zirta-tv.png",
         "256x256": "usr/share/icons/hicolor/256x256/apps/zirta-tv.png"}
# What the launcher copies into the user's directory.
OWN_FILES = ["skrol.jpg", "лого.jpg", "img/фон.jpg", "Dark Soft.rss"]
# What the program writes there; an update must never touch them.
USER_FILES = {
    "vexo.txt": b"catalogue page the user last saw\r\n",
    "vexoTV.txt": b"channel page the user last opened\r\n",
    "TV.htm": b"<p>player page</p>\r\n",
    "img/3.jpg": b"\xff\xd8thumbnail of slot 3\xff\xd9",
    "заметки.txt": "мои заметки\n".encode(),
}

TOOLS = ("cmake", "cpack", "dpkg-deb", "dpkg", "desktop-file-validate", "file")

_package = None


def run(args, **kwargs):
    result = subprocess.run(args, capture_output=True, **kwargs)
    if result.returncode != 0:
        raise AssertionError("%s failed (%d):\n%s%s" % (
            " ".join(args), result.returncode, result.stdout.decode(errors="replace"),
            result.stderr.decode(errors="replace")))
    return result.stdout.decode()


class Package:
    """The package of this run: the .deb, the staging root cmake --install
    filled, and a scratch directory for unpacked copies."""

    def __init__(self):
        for tool in TOOLS:
            if shutil.which(tool) is None:
                raise AssertionError("%s is not installed (tools/install_deps.sh installs it)" % tool)
        config = os.path.join(BUILD_DIR, "CPackConfig.cmake")
        if not os.path.exists(config):
            raise unittest.SkipTest("no package configuration in %s" % BUILD_DIR)
        self.scratch = tempfile.mkdtemp(prefix="zirta-package-")
        self.stage = os.path.join(self.scratch, "stage")
        run(["cmake", "--install", BUILD_DIR], env=dict(os.environ, DESTDIR=self.stage))
        # An output directory of our own: runs never share CPack's work area.
        out = os.path.join(self.scratch, "out")
        run(["cpack", "-G", "DEB", "--config", config, "-B", out])
        debs = [name for name in os.listdir(out) if name.endswith(".deb")]
        if len(debs) != 1:
            raise AssertionError("cpack made %r" % debs)
        self.deb = os.path.join(out, debs[0])
        self._unpacked = 0

    def unpack(self):
        """A fresh root with the package unpacked into it."""
        self._unpacked += 1
        root = os.path.join(self.scratch, "root-%d" % self._unpacked)
        run(["dpkg", "-x", self.deb, root])
        return root

    def remove(self):
        shutil.rmtree(self.scratch, ignore_errors=True)


def setUpModule():
    global _package
    if not os.path.exists(os.path.join(BUILD_DIR, "zirta-tv")):
        raise unittest.SkipTest("the program is not built: %s" % BUILD_DIR)
    _package = Package()


def tearDownModule():
    if _package is not None:
        _package.remove()


def asset_files():
    """Every file under assets/, relative: the build copies them beside the
    program, so the installed program directory must hold them too."""
    assets = os.path.join(SOURCE_DIR, "assets")
    found = []
    for directory, _, names in os.walk(assets):
        for name in names:
            found.append(os.path.relpath(os.path.join(directory, name), assets))
    return sorted(found)


def tree_files(root):
    """{relative path: mode} of every file and link under root."""
    found = {}
    for directory, _, names in os.walk(root):
        for name in names:
            path = os.path.join(directory, name)
            found[os.path.relpath(path, root)] = os.lstat(path).st_mode
    return found


def read(path):
    with open(path, "rb") as f:
        return f.read()


def write(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)


def project_version():
    with open(os.path.join(BUILD_DIR, "CMakeCache.txt"), encoding="utf-8") as f:
        for line in f:
            if line.startswith("CMAKE_PROJECT_VERSION:"):
                return line.split("=", 1)[1].strip()
    raise AssertionError("no project version in the build's cache")


# ---------------------------------------------------------------------------


class PackageContentsTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.root = _package.unpack()

    def control(self):
        fields = {}
        for line in run(["dpkg-deb", "--info", _package.deb]).splitlines():
            match = re.match(r"^ ([A-Za-z-]+): (.*)$", line)
            if match:
                fields[match.group(1)] = match.group(2)
        return fields

    def test_control_names_the_package_and_its_dependencies(self):
        fields = self.control()
        self.assertEqual(fields.get("Package"), "zirta-tv")
        self.assertEqual(fields.get("Version"), project_version())
        architecture = run(["dpkg", "--print-architecture"]).strip()
        self.assertEqual(fields.get("Architecture"), architecture)
        depends = [d.split()[0] for d in fields.get("Depends", "").split(",") if d.strip()]
        recommends = [d.split()[0] for d in fields.get("Recommends", "").split(",") if d.strip()]
        # Without one of these the program does not start (or, for the
        # plugins, plays nothing).
        for name, where in (("libgtk-3-0", depends), ("libwebkit2gtk-4.1-0", depends),
                            ("libcurl4", depends), ("libjpeg62-turbo", depends),
                            ("gstreamer1.0-plugins-good", recommends),
                            ("gstreamer1.0-plugins-bad", recommends),
                            ("gstreamer1.0-libav", recommends)):
            with self.subTest(package=name):
                self.assertIn(name, where, fields)

    def test_package_holds_exactly_the_program_directory_and_desktop_files(self):
        listing = run(["dpkg-deb", "-c", _package.deb])
        files = {}
        for line in listing.splitlines():
            mode, _, _, _, _, path = line.split(None, 5)
            path = path.split(" -> ")[0]
            if not mode.startswith("d"):
                files[path[2:] if path.startswith("./") else path] = mode
        expected = ({PROGRAM_DIR + "/" + name for name in asset_files()}
                    | {PROGRAM_DIR + "/zirta-tv", PROGRAM_DIR + "/SkinFeature.so",
                       LAUNCHER, DESKTOP_ENTRY} | set(ICONS.values()))
        self.assertEqual(set(files), expected)
        for path, mode in files.items():
            with self.subTest(path=path):
                executable = path in (LAUNCHER, PROGRAM_DIR + "/zirta-tv")
                self.assertEqual(mode, "-rwxr-xr-x" if executable else "-rw-r--r--")

    def test_cmake_install_and_the_package_agree(self):
        self.assertEqual(sorted(tree_files(_package.stage)), sorted(tree_files(self.root)))

    def test_installed_assets_are_the_project_assets(self):
        for name in asset_files():
            with self.subTest(asset=name):
                self.assertEqual(read(os.path.join(self.root, PROGRAM_DIR, name)),
                                 read(os.path.join(SOURCE_DIR, "assets", name)))

    def test_file_kinds(self):
        cases = [
            (LAUNCHER, "POSIX shell script"),
            (PROGRAM_DIR + "/zirta-tv", "ELF 64-bit"),
            # Debug information stays in the build tree, not in the package.
            (PROGRAM_DIR + "/zirta-tv", ", stripped"),
            (PROGRAM_DIR + "/SkinFeature.so", "shared object"),
            (ICONS["48x48"], "PNG image data, 48 x 48"),
            (ICONS["256x256"], "PNG image data, 256 x 256"),
        ]
        for path, kind in cases:
            with self.subTest(path=path, kind=kind):
                out = run(["file", "-b", os.path.join(self.root, path)])
                self.assertIn(kind, out)

    def test_desktop_entry_is_valid_and_starts_the_launcher(self):
        path = os.path.join(self.root, DESKTOP_ENTRY)
        run(["desktop-file-validate", path])
        entry = configparser.ConfigParser(interpolation=None)
        entry.optionxform = str
        entry.read(path, encoding="utf-8")
        group = entry["Desktop Entry"]
        self.assertEqual(group["Name"], TITLE)
        self.assertEqual(group["Exec"], os.path.basename(LAUNCHER))
        self.assertEqual(group["Icon"], "zirta-tv")
        self.assertTrue(re.search("[а-яА-Я]", group["Comment"]), group["Comment"])
        self.assertEqual(set(filter(None, group["Categories"].split(";"))),
                         {"AudioVideo", "Video", "TV", "Player"})


# ---------------------------------------------------------------------------

STAND_IN = """#!/bin/sh
# Stands in for the program: says where it was started and with what.
{ pwd; for a in "$@"; do printf '%s\\n' "$a"; done; } > "$ZIRTA_TEST_REPORT"
"""


class LauncherTest(unittest.TestCase):
    """The launcher's own rules, with a stand-in for the program."""

    @classmethod
    def setUpClass(cls):
        cls.root = _package.unpack()

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="zirta-launcher-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.home = self.make_home("установка")
        self.data = os.path.join(self.scratch, "данные с пробелами")
        self.work = os.path.join(self.data, "zirta-tv")
        self.report = os.path.join(self.scratch, "report")

    def make_home(self, name):
        home = os.path.join(self.scratch, name)
        shutil.copytree(os.path.join(self.root, PROGRAM_DIR), home, symlinks=True)
        write(os.path.join(home, "zirta-tv"), STAND_IN.encode())
        os.chmod(os.path.join(home, "zirta-tv"), 0o755)
        return home

    def launch(self, *args, home=None, expect=0, **env_changes):
        env = dict(os.environ, ZIRTA_TV_HOME=home or self.home, XDG_DATA_HOME=self.data,
                   ZIRTA_TEST_REPORT=self.report, HOME=os.path.join(self.scratch, "дом"))
        for name, value in env_changes.items():
            if value is None:
                env.pop(name, None)
            else:
                env[name] = value
        if os.path.exists(self.report):
            os.remove(self.report)
        result = subprocess.run([os.path.join(self.root, LAUNCHER)] + list(args), env=env,
                                cwd=self.scratch, capture_output=True, text=True)
        self.assertEqual(result.returncode, expect, result.stderr)
        return result

    def started_in(self):
        with open(self.report, encoding="utf-8") as f:
            return f.read().splitlines()

    def stats(self):
        return {name: os.lstat(os.path.join(self.work, name)) for name in OWN_FILES + ["js000000.js"]}

    def assert_own_files_from(self, home):
        for name in OWN_FILES:
            with self.subTest(name=name):
                path = os.path.join(self.work, name)
                self.assertFalse(os.path.islink(path))
                self.assertEqual(read(path), read(os.path.join(home, name)))
        link = os.path.join(self.work, "js000000.js")
        self.assertEqual(os.readlink(link), os.path.join(home, "js000000.js"))
        # Nothing half-written is left behind.
        leftovers = [p for p in tree_files(self.work) if ".new." in p]
        self.assertEqual(leftovers, [])

    def plant_user_files(self):
        for name, data in USER_FILES.items():
            write(os.path.join(self.work, name), data)

    def assert_user_files_untouched(self):
        for name, data in USER_FILES.items():
            with self.subTest(user_file=name):
                self.assertEqual(read(os.path.join(self.work, name)), data)

    def test_first_start_fills_the_user_directory_and_starts_the_program_there(self):
        self.launch("--first", "два слова")
        self.assert_own_files_from(self.home)
        self.assertEqual(self.started_in(), [self.work, "--first", "два слова"])
        # The caches never go to the program directory.
        self.assertEqual(sorted(tree_files(self.home)),
                         sorted(tree_files(os.path.join(self.root, PROGRAM_DIR))))

    def test_user_directory_follows_the_xdg_rules(self):
        home_dir = os.path.join(self.scratch, "дом")
        cases = [
            (self.data, os.path.join(self.data, "zirta-tv")),
            (self.data + "/", os.path.join(self.data, "zirta-tv")),
            (None, os.path.join(home_dir, ".local/share/zirta-tv")),
            ("", os.path.join(home_dir, ".local/share/zirta-tv")),
            # Relative values are invalid and ignored.
            ("relative/data", os.path.join(home_dir, ".local/share/zirta-tv")),
        ]
        for value, expected in cases:
            with self.subTest(XDG_DATA_HOME=value):
                self.launch(XDG_DATA_HOME=value)
                self.assertEqual(self.started_in(), [expected])
                self.assertTrue(os.path.isfile(os.path.join(expected, "skrol.jpg")))
        self.assertFalse(os.path.exists(os.path.join(self.scratch, "relative")))

    def test_update_refreshes_the_programs_files_and_keeps_the_users(self):
        self.launch()
        self.plant_user_files()
        write(os.path.join(self.home, "skrol.jpg"), solid_bmp(4, 4, (1, 2, 3)))
        write(os.path.join(self.home, "Dark Soft.rss"), b"; skin of the new version\r\n")
        self.launch()
        self.assert_own_files_from(self.home)
        self.assert_user_files_untouched()
        self.assertEqual(self.started_in(), [self.work])

    def test_update_of_the_player_script_alone_is_noticed(self):
        self.launch()
        before = self.stats()
        write(os.path.join(self.home, "js000000.js"), b"// the new version's player script\n")
        self.launch()
        after = self.stats()
        # The copies are made again (new files, renamed into place).
        self.assertNotEqual(before["skrol.jpg"].st_ino, after["skrol.jpg"].st_ino)
        self.assertEqual(read(os.path.join(self.work, "js000000.js")),
                         b"// the new version's player script\n")

    def test_unchanged_install_copies_nothing(self):
        self.launch()
        before = self.stats()
        self.launch()
        after = self.stats()
        for name in before:
            with self.subTest(name=name):
                self.assertEqual((before[name].st_ino, before[name].st_mtime_ns),
                                 (after[name].st_ino, after[name].st_mtime_ns))

    def test_missing_or_broken_copies_come_back_without_an_update(self):
        self.launch()
        self.plant_user_files()
        os.remove(os.path.join(self.work, "лого.jpg"))
        os.remove(os.path.join(self.work, "img/фон.jpg"))
        link = os.path.join(self.work, "js000000.js")
        os.remove(link)
        os.symlink(os.path.join(self.scratch, "nowhere.js"), link)
        self.launch()
        self.assert_own_files_from(self.home)
        self.assert_user_files_untouched()

    def test_moved_install_is_followed(self):
        self.launch()
        moved = self.make_home("новое место")
        self.launch(home=moved)
        self.assert_own_files_from(moved)

    def test_broken_install_or_user_directory_is_refused_before_anything_runs(self):
        blocker = os.path.join(self.scratch, "a file, not a directory")
        write(blocker, b"")
        cases = [
            ("program missing", "zirta-tv", None),
            ("picture missing", "img/фон.jpg", None),
            ("player script missing", "js000000.js", None),
            ("skin missing", "Dark Soft.rss", None),
            ("user directory cannot be made", None, blocker),
        ]
        for what, remove, data in cases:
            with self.subTest(what):
                home = self.make_home("сломанная установка")
                self.addCleanup(shutil.rmtree, home, True)
                if remove:
                    os.remove(os.path.join(home, remove))
                result = self.launch(home=home, expect=1, XDG_DATA_HOME=data or self.data)
                self.assertIn("zirta-tv:", result.stderr)
                self.assertFalse(os.path.exists(self.report), "the program was started")
                if remove:
                    self.assertFalse(os.path.exists(self.work))
                shutil.rmtree(home)

    def test_relative_program_directory_is_made_absolute(self):
        self.launch(home=os.path.relpath(self.home, self.scratch))
        self.assert_own_files_from(self.home)


# ---------------------------------------------------------------------------

CHANNEL_PAGE_COLOUR = (10, 200, 30)
# The player script puts a notice of this colour in place of a flash player.
NOTICE_COLOUR = (20, 20, 20)
NOTICE_POINT = (5 + 10, 8 + 10)   # inside the notice's padding, clear of its text
NEW_STRIP_COLOUR = (30, 140, 200)


def flash_player_line():
    """A flash player on a green page: the player script turns the player
    into its dark notice, so a dark box on green shows the script ran."""
    r, g, b = CHANNEL_PAGE_COLOUR
    return ('<style>body{background:rgb(%d,%d,%d)}</style>'
            '<embed type="application/x-shockwave-flash" src="http://tv.example/player.swf"'
            ' width="300" height="150">' % (r, g, b)).encode()


class InstalledProgramTest(DesktopAndSiteTest):
    """The real program started through the unpacked launcher."""

    SCRATCH_PREFIX = "zirta-installed-"

    def setUp(self):
        super().setUp()
        self.root = _package.unpack()
        self.addCleanup(shutil.rmtree, self.root, True)
        self.home = os.path.join(self.root, PROGRAM_DIR)
        self.work = os.path.join(self.scratch, "данные", "zirta-tv")
        self.elsewhere = os.path.join(self.scratch, "где-то")
        os.makedirs(self.elsewhere)
        self.apps = []

    def tearDown(self):
        for app in self.apps:
            app.stop()

    def start(self):
        env = self.site.env()
        env["ZIRTA_TV_HOME"] = self.home
        env["XDG_DATA_HOME"] = os.path.dirname(self.work)
        app = self.desktop.start_program(os.path.join(self.root, LAUNCHER), self.elsewhere, env=env)
        self.apps.append(app)
        return app, app.window()

    def close(self, app, window):
        self.desktop.close(window.id)
        self.assertEqual(app.wait_exit(), 0, app.log())

    def wait_file(self, name):
        path = os.path.join(self.work, name)
        wait_for(lambda: os.path.exists(path), what=name + " in the user's directory")
        return path

    def wait_client_pixel(self, window, point, colour):
        x, y = window.at(*point)
        try:
            self.desktop.wait_pixel(x, y, colour, tolerance=2)
        except DesktopError as error:
            self.fail(str(error))

    def installed_files(self):
        return sorted(tree_files(self.home))

    def test_runs_from_the_users_directory_and_survives_an_update(self):
        shipped = self.installed_files()
        channel = self.site.channels(0)[0]
        line = flash_player_line()
        self.site.override(url=channel[1], body=b"<html>\r\n" + line + b"\r\n</html>\r\n")

        app, window = self.start()
        for name in OWN_FILES:
            with self.subTest(own_file=name):
                self.assertEqual(read(os.path.join(self.work, name)), read(os.path.join(self.home, name)))
        self.assertEqual(os.readlink(os.path.join(self.work, "js000000.js")),
                         os.path.join(self.home, "js000000.js"))
        self.wait_file("vexo.txt")
        thumbnails = os.path.join(self.work, "img")
        wait_for(lambda: any(re.fullmatch(r"\d+\.jpg", n) for n in os.listdir(thumbnails)),
                 what="a thumbnail in the user's directory")

        # A click on the first title: the player page is written beside the
        # caches and shown from there, with the script the link leads to.
        self.desktop.click(*window.at(610, 4 + 110 + 7))
        window.wait_title(channel[0])
        with open(self.wait_file("TV.htm"), "rb") as f:
            self.assertIn(line, f.read())
        self.wait_client_pixel(window, BROWSER_POINT, CHANNEL_PAGE_COLOUR)
        self.wait_client_pixel(window, NOTICE_POINT, NOTICE_COLOUR)
        self.close(app, window)
        self.assertEqual(self.installed_files(), shipped, "the program wrote into its install")

        # An update brings a new strip background; what the user has stays.
        kept = {name: read(os.path.join(self.work, name)) for name in ("vexoTV.txt", "TV.htm")}
        kept["img/3.jpg"] = USER_FILES["img/3.jpg"]
        write(os.path.join(self.work, "img/3.jpg"), kept["img/3.jpg"])
        new_strip = solid_bmp(315, 2800, NEW_STRIP_COLOUR)
        write(os.path.join(self.home, "skrol.jpg"), new_strip)
        # No thumbnails this time, so the worker leaves the planted one alone.
        self.site.override(prefix="http://img.%s/thumbs/" % self.site.host, status=404)

        app, window = self.start()
        self.assertEqual(read(os.path.join(self.work, "skrol.jpg")), new_strip)
        self.wait_client_pixel(window, (STRIP_MARGIN_X, STRIP_TOP), NEW_STRIP_COLOUR)
        self.close(app, window)
        for name, data in kept.items():
            with self.subTest(user_file=name):
                self.assertEqual(read(os.path.join(self.work, name)), data)


if __name__ == "__main__":
    unittest.main()
