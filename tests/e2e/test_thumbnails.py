"""The thumbnail worker as the user sees it: pictures scaled to 170 x 96 in
their rows, the placeholder where a download fails, a blank row where the
body is no picture; one transfer at a time, one run at a time, and a prompt
exit while a transfer stalls."""
import subprocess
import unittest

from desktop import (PLACEHOLDER_COLOUR, STRIP_TOP, ProgramTest, close_colour, strip_row,
                     wait_for)

THUMB_X = 595 + 10   # client x of every thumbnail's left edge
NEXT = (730 + 10, 387 + 7)


def thumb_top(row):
    return STRIP_TOP + 10 + 126 * row


def solid_jpeg(colour, width=320, height=180):
    r, g, b = colour
    return subprocess.run(["convert", "-size", "%dx%d" % (width, height), "xc:rgb(%d,%d,%d)" % colour,
                           "-quality", "95", "jpg:-"], capture_output=True, check=True).stdout


def thumbnail_rows(log, host="tv.example"):
    """Per thumbnail request in order of arrival: (channel id, start, end)."""
    out = []
    for entry in log:
        if "/thumbs/" in entry["url"]:
            channel = int(entry["url"].rsplit("/", 1)[1].split(".")[0])
            out.append((channel, entry["start"], entry["end"]))
    return out


class ThumbnailTest(ProgramTest):
    def test_rows_show_scaled_picture_placeholder_or_nothing(self):
        channels = self.site.channels(0)
        green = (20, 180, 60)
        self.site.override(url=channels[0][2], body=solid_jpeg(green))
        self.site.override(url=channels[1][2], status=404)
        self.site.override(url=channels[2][2], body=b"<html><body>Error</body></html>",
                           content_type="text/html")
        app, window = self.start(thumbnails=True)
        self.wait_thumbnail_pass()
        # Row 0: the picture, exactly 170 x 96, the strip's own background
        # right of and below it.
        x, y = window.at(THUMB_X, thumb_top(0))
        screen = self.desktop.wait_pixel(x + 169, y + 95, green, tolerance=10)
        self.assertTrue(close_colour(screen.pixel(x + 85, y + 48), green, 10))
        self.assertIsNotNone(strip_row(screen.pixel(x + 170, y + 48)))
        self.assertIsNotNone(strip_row(screen.pixel(x + 85, y + 96)))
        # Row 1: the placeholder, scaled to the same size.
        x, y = window.at(THUMB_X, thumb_top(1))
        screen = self.desktop.wait_pixel(x + 169, y + 95, PLACEHOLDER_COLOUR, tolerance=6)
        self.assertIsNotNone(strip_row(screen.pixel(x + 170, y + 48)))
        # Row 2: no picture at all; the strip shows through.
        x, y = window.at(THUMB_X, thumb_top(2))
        wait_for(lambda: strip_row(self.desktop.screenshot().pixel(x + 85, y + 48)) is not None,
                 what="row 2 to be blank")
        self.close_and_expect_zero(app, window)

    def test_page_change_during_a_run_starts_no_second_run(self):
        self.site.override(prefix="http://img.tv.example/thumbs/", delay=0.3)
        app, window = self.start(thumbnails=True)
        wait_for(lambda: len(thumbnail_rows(self.site.log())) >= 3, what="three thumbnails")
        self.click_client(window, *NEXT)
        wait_for(lambda: len([r for r in thumbnail_rows(self.site.log()) if r[2]]) >= 21,
                 what="the run to end")
        rows = thumbnail_rows(self.site.log())[:21]
        # One run: rows 0..20 once each, in order; later rows from page 1.
        self.assertEqual([c % 21 for c, _, _ in rows], list(range(21)))
        self.assertTrue(all(c < 21 for c, _, _ in rows[:3]))
        self.assertTrue(all(c >= 21 for c, _, _ in rows[-5:]))
        # One transfer at a time.
        for (_, _, end), (_, start, _) in zip(rows, rows[1:]):
            self.assertLessEqual(end, start)

        # After the run has ended, a page change starts a new one for page 2.
        self.click_client(window, *NEXT)
        wait_for(lambda: len(thumbnail_rows(self.site.log())) >= 42, what="a second run")
        second = thumbnail_rows(self.site.log())[21:42]
        self.assertEqual([c for c, _, _ in second], [42 + i for i in range(21)])
        self.close_and_expect_zero(app, window)

    def test_closing_during_a_stalled_thumbnail_exits_at_once(self):
        self.site.override(prefix="http://img.tv.example/thumbs/", body_size=100000, stall_after=200)
        app, window = self.start(thumbnails=True)
        wait_for(lambda: thumbnail_rows(self.site.log()), what="the first thumbnail request")
        self.desktop.close(window.id)
        # The stall would last 30 s; the program must not wait for it.
        self.assertEqual(app.wait_exit(timeout=2), 0, app.log())


if __name__ == "__main__":
    unittest.main()
