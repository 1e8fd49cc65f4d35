"""The channel strip scrolls by its step of 80 pixels: wheel notches, arrow
keys and the scroll bar's arrow buttons; Page Up/Down by the visible height,
Home and End to the ends."""
import unittest

from desktop import (STRIP_HEIGHT, STRIP_MARGIN_X, STRIP_TOP, STRIP_VISIBLE_HEIGHT, ProgramTest,
                     wait_for)

BOTTOM = STRIP_HEIGHT - STRIP_VISIBLE_HEIGHT


class StripScrollTest(ProgramTest):
    def test_wheel_notches_move_by_the_step(self):
        app, window = self.start()
        self.wait_strip_offset(window, 0)
        cases = [
            # notches, offset after them
            (1, 80),
            (2, 240),
            (-1, 160),
            (-5, 0),     # stops at the top
            (40, BOTTOM),  # and at the bottom
        ]
        for notches, offset in cases:
            with self.subTest(notches=notches):
                self.desktop.wheel(*window.at(STRIP_MARGIN_X + 20, STRIP_TOP + 200), notches)
                self.wait_strip_offset(window, offset)
        self.close_and_expect_zero(app, window)

    def test_keys_move_by_step_page_and_to_the_ends(self):
        app, window = self.start()
        self.wait_strip_offset(window, 0)
        # A click on the strip's background gives it the keyboard.
        self.click_client(window, STRIP_MARGIN_X, STRIP_TOP + 50)
        cases = [
            ("Down", 80),
            ("Down", 160),
            ("Up", 80),
            ("Next", 80 + STRIP_VISIBLE_HEIGHT),   # Page Down
            ("Prior", 80),                        # Page Up
            ("End", BOTTOM),
            ("Down", BOTTOM),
            ("Home", 0),
            ("Up", 0),
        ]
        for key, offset in cases:
            with self.subTest(key=key, offset=offset):
                self.desktop.key(key)
                self.wait_strip_offset(window, offset)
        self.close_and_expect_zero(app, window)

    def test_scroll_bar_arrows_step_once_the_window_is_wide_enough(self):
        app, window = self.start()
        self.wait_strip_offset(window, 0)
        # The strip's bar lies past the client area's right edge until the
        # window is enlarged; the controls stay where they are.
        self.desktop.resize(window.id, 900, 425)
        wait_for(lambda: window.client_geometry()[2] == 900, what="the wider window")
        self.wait_strip_offset(window, 0)
        x_bar = 595 + 250 - 8          # inside the 17-pixel vertical bar
        down_arrow = (x_bar, STRIP_TOP + STRIP_VISIBLE_HEIGHT - 8)
        up_arrow = (x_bar, STRIP_TOP + 8)
        track_below_thumb = (x_bar, STRIP_TOP + 300)
        cases = [
            # where, offset after the click
            (down_arrow, 80),
            (down_arrow, 160),
            (up_arrow, 80),
            (track_below_thumb, 80 + STRIP_VISIBLE_HEIGHT),       # a page
            (track_below_thumb, 80 + 2 * STRIP_VISIBLE_HEIGHT),
        ]
        for point, offset in cases:
            with self.subTest(point=point, offset=offset):
                self.click_client(window, *point)
                self.wait_strip_offset(window, offset)
        with self.subTest("wheel over the bar"):
            self.desktop.wheel(*window.at(x_bar, STRIP_TOP + 200), -1)
            self.wait_strip_offset(window, 2 * STRIP_VISIBLE_HEIGHT)
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
