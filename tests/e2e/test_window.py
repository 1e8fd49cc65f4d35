"""The main window as the user meets it: its title, size, place and
keep-above state, its colours, the hover colour of the links, the titles of
catalogue page 0 on the title links, controls that do nothing when clicked,
and closing it."""
import os
import unittest

from desktop import (BACKGROUND, BROWSER_POINT, CATEGORY_PAGES, LOGO_POINT, NEXT_LINK, PAGE_LABEL,
                     PREV_LINK, SCREEN_HEIGHT, SCREEN_WIDTH, STRIP_MARGIN_X, STRIP_TOP, TITLE,
                     WINDOW_BACKGROUND_POINTS, BUTTON_PLACES, ProgramTest, catalogue_body, greyish,
                     reddish, thumbnail_point, title_link_box, wait_for)

HOME_COLOUR = CATEGORY_PAGES[0][3]


def centre(box):
    x, y, w, h = box
    return x + w // 2, y + h // 2


class WindowTest(ProgramTest):
    def refuse_channel_pages(self):
        # The player page then holds only a local notice, so the browser
        # asks nothing of the network.
        self.site.override(prefix=self.site.channel_url(0)[:-1], status=404)

    def test_window_title_size_place_and_keep_above(self):
        app, window = self.start()
        self.assertEqual(window.title(), TITLE)
        x, y, width, height = window.client_geometry()
        self.assertEqual((width, height), (803, 425))
        # The whole frame is centred on the screen.
        left, right, top, bottom = window.frame_extents()
        outer_centre = (x - left + (width + left + right) / 2, y - top + (height + top + bottom) / 2)
        self.assertAlmostEqual(outer_centre[0], SCREEN_WIDTH / 2, delta=1)
        self.assertAlmostEqual(outer_centre[1], SCREEN_HEIGHT / 2, delta=1)
        self.assertIn("_NET_WM_STATE_ABOVE", window.states())
        # Resizable: the window manager offers maximising.
        self.assertIn("_NET_WM_ACTION_MAXIMIZE_HORZ", window.prop("_NET_WM_ALLOWED_ACTIONS"))
        self.wait_page(window, HOME_COLOUR)
        self.close_and_expect_zero(app, window)

    def test_background_colour_fills_the_empty_parts(self):
        app, window = self.start()
        self.wait_page(window, HOME_COLOUR)
        screen = self.desktop.screenshot()
        for point in WINDOW_BACKGROUND_POINTS:
            with self.subTest(point=point):
                self.assertEqual(self.pixel(window, *point, screen), BACKGROUND)
        self.close_and_expect_zero(app, window)

    def test_links_turn_red_under_the_mouse_and_the_page_label_does_not(self):
        app, window = self.start()
        self.wait_page(window, HOME_COLOUR)
        parking = window.at(300, 415)
        cases = [
            # what, box, red under the mouse
            ("<<<", PREV_LINK, True),
            (">>>", NEXT_LINK, True),
            ("title link 30", title_link_box(0), True),
            ("title link 31", title_link_box(1), True),
            ("page label", PAGE_LABEL, False),
        ]
        for name, box, turns_red in cases:
            with self.subTest(name):
                self.desktop.move(*parking)
                pixels = self.region(window, box)
                self.assertTrue(any(greyish(p) for p in pixels), "no grey text on %s" % name)
                self.assertFalse(any(reddish(p) for p in pixels), "%s is red without the mouse" % name)
                self.desktop.move(*window.at(box[0] + 2, box[1] + box[3] - 2))
                if turns_red:
                    wait_for(lambda: any(reddish(p) for p in self.region(window, box)),
                             what="%s to turn red" % name)
                else:
                    pixels = self.region(window, box)
                    self.assertFalse(any(reddish(p) for p in pixels), "%s turned red" % name)
                self.desktop.move(*parking)
                wait_for(lambda: not any(reddish(p) for p in self.region(window, box)),
                         what="%s to turn grey again" % name)
        self.close_and_expect_zero(app, window)

    def test_title_links_carry_the_titles_of_catalogue_page_0(self):
        # A click on a title link names the window after the link's text.
        self.refuse_channel_pages()
        app, window = self.start()
        titles = [title for title, _, _ in self.site.channels(0)]
        for row in range(3):
            with self.subTest(row=row):
                self.click_client(window, *centre(title_link_box(row)))
                window.wait_title(titles[row])
        self.close_and_expect_zero(app, window)

    def test_short_catalogue_leaves_empty_links_that_still_take_clicks(self):
        titles = ["Первый канал тест", "Второй «канал» & Co"]
        self.site.override(url=self.site.catalogue_url(0), body=catalogue_body(titles, self.site.host),
                           content_type="text/html; charset=utf-8")
        self.refuse_channel_pages()
        app, window = self.start()
        self.click_client(window, *centre(title_link_box(1)))
        window.wait_title(titles[1])
        # Row 2 has no channel: its link is empty, and a click on it names
        # the window after its empty text.
        self.click_client(window, *centre(title_link_box(2)))
        window.wait_title("")
        self.assertFalse(any(greyish(p) for p in self.region(window, title_link_box(2))))
        self.close_and_expect_zero(app, window)

    def test_thumbnail_logo_page_label_and_strip_clicks_change_nothing(self):
        app, window = self.start()
        self.wait_page(window, HOME_COLOUR)
        requests_before = len(self.site.log())
        label_before = self.region(window, PAGE_LABEL)
        offset_before = self.strip_offset(window)
        cases = [
            ("thumbnail 0", thumbnail_point(0)),
            ("thumbnail 1", thumbnail_point(1)),
            ("logo", LOGO_POINT),
            ("page label", centre(PAGE_LABEL)),
            ("strip background", (STRIP_MARGIN_X, STRIP_TOP + 200)),
            ("window background", WINDOW_BACKGROUND_POINTS[1]),
        ]
        for _, point in cases:
            self.click_client(window, *point)
        # Events are taken in order: once a category click has shown its
        # page, every click before it has been handled.
        button, _, title, colour = CATEGORY_PAGES[1]
        bx, by = BUTTON_PLACES[button]
        self.click_client(window, bx + 35, by + 12)
        window.wait_title(title)
        self.wait_page(window, colour)
        self.assertEqual([e["url"] for e in self.site.log()[requests_before:]
                          if "/thumbs/" not in e["url"]], [])
        self.assertEqual(self.region(window, PAGE_LABEL), label_before)
        self.assertEqual(self.strip_offset(window), offset_before)
        self.close_and_expect_zero(app, window)

    def test_enlarging_keeps_controls_in_place(self):
        app, window = self.start()
        self.wait_page(window, HOME_COLOUR)
        points = [BROWSER_POINT, LOGO_POINT, (STRIP_MARGIN_X, STRIP_TOP + 5)] + WINDOW_BACKGROUND_POINTS
        before = [self.pixel(window, *p) for p in points]
        self.desktop.resize(window.id, 1000, 600)
        wait_for(lambda: window.client_geometry()[2:] == (1000, 600), what="the larger window")
        screen = self.desktop.screenshot()
        self.assertEqual([self.pixel(window, *p, screen) for p in points], before)
        # The browser stays cut to its 590 x 330 frame; the strip ends at
        # x = 845 with its scroll bar.
        self.assertEqual(self.pixel(window, 598, 200, screen)[2], 90)  # strip background
        self.assertEqual(self.pixel(window, 900, 200, screen), BACKGROUND)
        self.assertNotEqual(self.pixel(window, 836, 200, screen), BACKGROUND)  # the bar
        self.close_and_expect_zero(app, window)

    def test_closing_exits_with_code_zero(self):
        app, window = self.start()
        self.desktop.close(window.id)
        self.assertEqual(app.wait_exit(), 0, app.log())
        self.assertFalse(window.exists())

    def test_closing_while_a_thumbnail_download_stalls_exits_promptly_with_zero(self):
        self.site.override(prefix=self.site.thumb_url(0).rsplit("/", 1)[0] + "/", stall_after=10)
        app, window = self.start(thumbnails=True)
        wait_for(lambda: any("/thumbs/" in e["url"] for e in self.site.log()),
                 what="the first thumbnail request")
        self.desktop.close(window.id)
        # Well before the download's own 30-second stall limit.
        self.assertEqual(app.wait_exit(timeout=15), 0, app.log())


if __name__ == "__main__":
    unittest.main()
