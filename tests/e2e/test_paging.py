"""Paging with "<<<" and ">>>": each click fetches its page, the title links
follow it, the limits 0 and 151 reload the same page, and a short page
leaves the rows beyond it as they were."""
import unittest

from desktop import ProgramTest, catalogue_body, title_link_box, wait_for, STRIP_MARGIN_X, STRIP_TOP

PREV = (630 + 10, 387 + 7)
NEXT = (730 + 10, 387 + 7)


class PagingTest(ProgramTest):
    def catalogue_requests(self):
        return [e["url"].rsplit("=", 1)[1] for e in self.site.log() if "/ru/tv,channels" in e["url"]]

    def wait_requests(self, pages):
        wait_for(lambda: self.catalogue_requests() == pages,
                 what="catalogue requests %s (got %s)" % (pages, self.catalogue_requests()))

    def click_title(self, window, row, scrolled=0):
        x, y, w, h = title_link_box(row, scrolled)
        self.click_client(window, x + 5, y + h // 2)

    def test_next_and_previous_move_one_page_and_stop_at_zero(self):
        app, window = self.start()
        self.click_client(window, *PREV)      # page 0 is the first: reloads it
        self.wait_requests(["0", "0"])
        self.click_client(window, *NEXT)
        self.click_client(window, *NEXT)
        self.wait_requests(["0", "0", "1", "2"])
        self.click_title(window, 1)
        window.wait_title(self.site.channels(2)[1][0])
        self.click_client(window, *PREV)
        self.wait_requests(["0", "0", "1", "2", "1"])
        self.click_title(window, 0)
        window.wait_title(self.site.channels(1)[0][0])
        self.close_and_expect_zero(app, window)

    def test_next_stops_at_the_last_page(self):
        app, window = self.start()
        x, y = window.at(*NEXT)
        self.desktop.move(x, y)
        self.desktop.run(["xdotool", "click", "--repeat", "152", "--delay", "20", "1"])
        wait_for(lambda: self.catalogue_requests().count("151") == 2, timeout=120,
                 what="page 151 fetched twice")
        self.assertEqual(self.catalogue_requests(),
                         ["0"] + [str(p) for p in range(1, 152)] + ["151"])
        self.click_title(window, 2)
        window.wait_title(self.site.channels(151)[2][0])
        self.close_and_expect_zero(app, window)

    def test_short_page_leaves_the_later_rows_as_they_were(self):
        short = ["Короткий %d" % i for i in range(5)]
        self.site.override(url=self.site.catalogue_url(1), body=catalogue_body(short))
        app, window = self.start()
        self.click_client(window, *NEXT)
        self.wait_requests(["0", "1"])
        self.click_title(window, 2)
        window.wait_title("Короткий 2")
        # Row 5 is below the visible part: scroll it into view first.
        self.desktop.wheel(*window.at(STRIP_MARGIN_X + 20, STRIP_TOP + 200), 8)
        self.wait_strip_offset(window, 640)
        self.click_title(window, 5, scrolled=640)
        window.wait_title(self.site.channels(0)[5][0])
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
