"""Hostile and broken input from sites the program does not control: it
neither crashes nor hangs its window, loses no earlier file, reads nothing
from outside its own two directories, and keeps its memory bounded."""
import os
import socket
import subprocess
import unittest

from desktop import (PLACEHOLDER_COLOUR, STRIP_TOP, ProgramTest, catalogue_body, close_colour,
                     cursor_image, make_program_dir, strip_row, title_link_box, wait_for)

HERE = os.path.dirname(os.path.abspath(__file__))
JPEG_DATA = os.path.join(HERE, "..", "data", "jpeg")
NEXT = (730 + 10, 387 + 7)
THUMB_X = 605


def thumb_top(row):
    return STRIP_TOP + 10 + 126 * row


def peak_memory_kib(pid):
    with open("/proc/%d/status" % pid) as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    return 0


def noisy_jpeg(size="320x180"):
    return subprocess.run(["convert", "-size", size, "xc:rgb(0,150,230)", "-attenuate", "0.4",
                           "+noise", "Uniform", "-quality", "92", "jpg:-"],
                          capture_output=True, check=True).stdout


def bmp(colour, width=40, height=40):
    from desktop import solid_bmp
    return solid_bmp(width, height, colour)


class HostileInputTest(ProgramTest):
    def click_title(self, window, row):
        x, y, w, h = title_link_box(row)
        self.click_client(window, x + 5, y + h // 2)

    def catalogue_requests(self):
        return [e for e in self.site.log() if "/ru/tv,channels" in e["url"]]

    def test_unreachable_network_still_gives_a_working_window(self):
        with socket.socket() as s:
            s.bind(("127.0.0.1", 0))
            closed = s.getsockname()[1]
        program_dir = make_program_dir(self.scratch)
        from desktop import write_pictures
        write_pictures(program_dir)
        env = dict(self.site.env())
        env["http_proxy"] = env["HTTP_PROXY"] = "http://127.0.0.1:%d" % closed
        app = self.desktop.start_program(os.path.join(program_dir, "zirta-tv"), program_dir, env=env)
        self.apps.append(app)
        window = app.window()
        # Every row falls back to the placeholder, scaled to 170 x 96.
        x, y = window.at(THUMB_X, thumb_top(2))
        self.desktop.wait_pixel(x + 169, y + 95, PLACEHOLDER_COLOUR, tolerance=6)
        self.click_title(window, 0)
        window.wait_title("")
        self.assertFalse(os.path.exists(os.path.join(program_dir, "vexo.txt")))
        self.close_and_expect_zero(app, window)

    def test_oversized_and_one_line_catalogue_pages(self):
        program_dir = make_program_dir(self.scratch)
        titles = self.site.channels(0)
        # Page 1: 100 MB, over the limit: the earlier list stays.
        self.site.override(url=self.site.catalogue_url(1), body_size=100 * 1024 * 1024)
        # Page 2: one 20 MB line holding both markers once, then filler.
        line = ('<div class="grid_title"><a href="http://tv.example/ru/tv/channel-0">Одна строка</a>'
                '</div><div class="thumb" style="background-image: url(http://img.tv.example/x.jpg)">'
                ).encode()
        one_line = os.path.join(self.scratch, "one-line.htm")
        with open(one_line, "wb") as f:
            f.write(line + b"x" * (20 * 1024 * 1024 - len(line)))
        self.site.override(url=self.site.catalogue_url(2), body_file=one_line)
        app, window = self.start(program_dir=program_dir)
        with open(os.path.join(program_dir, "vexo.txt"), "rb") as f:
            page0 = f.read()
        self.click_client(window, *NEXT)
        wait_for(lambda: len([e for e in self.catalogue_requests() if e["end"]]) >= 2,
                 timeout=60, what="the 100 MB page to end")
        self.click_title(window, 0)
        window.wait_title(titles[0][0])
        with open(os.path.join(program_dir, "vexo.txt"), "rb") as f:
            self.assertEqual(f.read(), page0)
        self.assertEqual([n for n in os.listdir(program_dir) if ".part" in n], [])

        self.click_client(window, *NEXT)
        wait_for(lambda: len([e for e in self.catalogue_requests() if e["end"]]) >= 3,
                 timeout=60, what="the one-line page")
        self.click_title(window, 0)
        window.wait_title("Одна строка")
        self.assertLess(peak_memory_kib(app.process.pid), 600 * 1024)
        self.close_and_expect_zero(app, window)

    def test_stalled_catalogue_page_keeps_the_window_alive(self):
        self.site.override(url=self.site.catalogue_url(1), body_size=100000, stall_after=300)
        app, window = self.start()
        self.click_client(window, *NEXT)
        wait_for(lambda: len(self.catalogue_requests()) == 2, what="the stalled request")
        # The window still paints hover colours while the download waits...
        x, y, w, h = title_link_box(0)
        self.desktop.move(*window.at(x + 60, y + 7))
        wait_for(lambda: any(c[0] > 150 and c[1] < 60 for c in self.region(window, (x, y, 80, h))),
                 what="the link under the mouse to turn red during the download")
        # ...and a close request waits for the command, then ends the program.
        self.desktop.close(window.id)
        self.assertEqual(app.wait_exit(timeout=60), 0, app.log())
        self.assertIsNotNone(self.catalogue_requests()[1]["end"])

    def test_busy_pointer_goes_once_the_download_ends(self):
        self.site.override(url=self.site.catalogue_url(1), delay=2)
        app, window = self.start()
        # Over the window background, where no control sets a pointer.
        self.desktop.move(*window.at(300, 415))
        before = cursor_image(self.desktop.display)
        self.click_client(window, *NEXT)
        self.desktop.move(*window.at(300, 415))
        wait_for(lambda: cursor_image(self.desktop.display) != before, what="the busy pointer")
        wait_for(lambda: len(self.catalogue_requests()) == 2 and self.catalogue_requests()[1]["end"],
                 what="the delayed page")
        wait_for(lambda: cursor_image(self.desktop.display) == before,
                 what="the usual pointer to come back")
        self.close_and_expect_zero(app, window)

    def test_broken_and_hostile_thumbnails(self):
        channels = self.site.channels(0)
        with open(os.path.join(JPEG_DATA, "huge_header.jpg"), "rb") as f:
            huge = f.read()
        with open(os.path.join(JPEG_DATA, "many_scans.jpg"), "rb") as f:
            many_scans = f.read()
        noisy = noisy_jpeg()
        self.site.override(url=channels[0][2], body=huge)         # claims 60000 x 60000
        self.site.override(url=channels[1][2], body=many_scans)   # progressive, 150 scans
        self.site.override(url=channels[2][2], body=noisy[:len(noisy) * 6 // 10])  # cut off
        self.site.override(url=channels[3][2], body=b"<html>500</html>", status=200)
        app, window = self.start(thumbnails=True)
        self.wait_thumbnail_pass()
        # Refused pictures leave their rows blank; the strip shows through.
        for row in (0, 1):
            x, y = window.at(THUMB_X, thumb_top(row))
            wait_for(lambda: strip_row(self.desktop.screenshot().pixel(x + 85, y + 48)) is not None,
                     what="row %d to be blank" % row)
        # The cut-off picture: its top shows, its bottom stays undrawn (black).
        x, y = window.at(THUMB_X, thumb_top(2))
        screen = self.desktop.wait_pixel(x + 85, y + 95, (0, 0, 0), tolerance=3)
        top = screen.pixel(x + 85, y + 5)
        self.assertGreater(top[2], 100, top)
        self.assertIsNone(strip_row(screen.pixel(x + 85, y + 5)))
        self.assertLess(peak_memory_kib(app.process.pid), 600 * 1024)
        self.close_and_expect_zero(app, window)

    def test_addresses_naming_local_files_are_not_fetched(self):
        secret_dir = os.path.join(self.scratch, "secret")
        os.makedirs(secret_dir)
        secret = os.path.join(secret_dir, "secret.txt")
        with open(secret, "w") as f:
            f.write("SECRET-CONTENT\n")
        body = catalogue_body(["Локальный"]).replace(
            b"http://tv.example/ru/tv/channel-0", ("file://" + secret).encode()).replace(
            b"http://img.tv.example/thumbs/0.jpg", ("file://" + secret).encode())
        self.site.override(url=self.site.catalogue_url(0), body=body)
        program_dir = make_program_dir(self.scratch)
        app, window = self.start(program_dir=program_dir, thumbnails=True)
        x, y = window.at(THUMB_X, thumb_top(0))
        self.desktop.wait_pixel(x + 169, y + 95, PLACEHOLDER_COLOUR, tolerance=6)
        self.click_title(window, 0)
        window.wait_title("Локальный")
        for name in ("vexoTV.txt", "TV.htm", os.path.join("img", "0.jpg")):
            path = os.path.join(program_dir, name)
            if os.path.exists(path):
                with open(path, "rb") as f:
                    self.assertNotIn(b"SECRET-CONTENT", f.read(), name)
        self.close_and_expect_zero(app, window)

    def test_player_markup_cannot_show_files_from_elsewhere(self):
        secret_dir = os.path.join(self.scratch, "elsewhere")
        os.makedirs(secret_dir)
        red = (230, 0, 0)
        with open(os.path.join(secret_dir, "red.bmp"), "wb") as f:
            f.write(bmp(red))
        with open(os.path.join(secret_dir, "red.htm"), "w") as f:
            f.write("<body style='margin:0;background:rgb(230,0,0)'></body>")
        with open(os.path.join(secret_dir, "red.js"), "w") as f:
            f.write("document.documentElement.style.background='rgb(230,0,0)';")
        program_dir = make_program_dir(self.scratch)
        green = (0, 200, 0)
        with open(os.path.join(program_dir, "green.bmp"), "wb") as f:
            f.write(bmp(green))
        full = "position:fixed;left:0;top:0;width:100%;height:100%"
        half = "position:fixed;left:0;top:0;width:50%;height:100%"
        channels = self.site.channels(0)
        lines = [
            '<img src="file://%s/red.bmp" style="%s">' % (secret_dir, full),
            '<iframe src="file://%s/red.htm" style="%s;border:0"></iframe>' % (secret_dir, full),
            '<script src="file://%s/red.js"></script>' % secret_dir,
        ]
        for row, line in enumerate(lines):
            # The marker in a comment makes it a player line; a picture from
            # the program's own directory proves the page did render.
            self.site.override(url=channels[row][1], body=(
                '<img src="green.bmp" style="%s">%s<!-- "application/x-shockwave-flash" -->'
                % (half.replace("left:0", "right:0"), line)).encode())
        app, window = self.start(program_dir=program_dir)
        for row, line in enumerate(lines):
            with self.subTest(line=line):
                self.click_title(window, row)
                window.wait_title(channels[row][0])
                # Green proves the page is shown; red must never appear.
                x, y = window.at(500, 150)
                screen = self.desktop.wait_pixel(x, y, green, tolerance=4)
                for px, py in ((50, 50), (150, 200), (250, 300)):
                    sx, sy = window.at(px, py)
                    self.assertFalse(close_colour(screen.pixel(sx, sy), red, 40), line)
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
