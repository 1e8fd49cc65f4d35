"""A click on a channel title: the player page "TV.htm" is written in the
working directory from the channel page's player line and shown from there,
and the window takes the link's text as its title."""
import os
import unittest

from desktop import ProgramTest, catalogue_body, make_program_dir, title_link_box, wait_for

HEAD = (b"<script type='text/javascript' src='js000000.js'></script>\r\n"
        b"<style> body{ margin: 0px; padding: 0px;}</style>\r\n")
NOTICE = "Плеер этого канала не найден".encode("cp1251")


def player_line(colour):
    """A player line that paints the whole browser in one colour."""
    r, g, b = colour
    return ('<div style="position:fixed;left:0;top:0;right:0;bottom:0;background:rgb(%d,%d,%d)">'
            '</div><!-- type="application/x-shockwave-flash" -->' % (r, g, b)).encode()


class ChannelTest(ProgramTest):
    def click_title(self, window, row):
        x, y, w, h = title_link_box(row)
        self.click_client(window, x + 5, y + h // 2)

    def read_player_page(self, directory):
        path = os.path.join(directory, "TV.htm")
        wait_for(lambda: os.path.exists(path), what="TV.htm")
        with open(path, "rb") as f:
            return f.read()

    def test_player_page_is_written_and_shown_from_the_working_directory(self):
        program_dir = make_program_dir(self.scratch)
        cwd = os.path.join(self.scratch, "кэш пользователя")
        os.makedirs(cwd)
        channel = self.site.channels(0)[1]
        line = player_line((10, 200, 30))
        self.site.override(url=channel[1], body=b"<html>\r\n" + line + b"\r\n</html>\r\n")
        app, window = self.start(program_dir=program_dir, cwd=cwd)
        self.click_title(window, 1)
        window.wait_title(channel[0])
        self.assertEqual(self.read_player_page(cwd), HEAD + line + b"\r\n")
        with open(os.path.join(cwd, "vexoTV.txt"), "rb") as f:
            self.assertIn(line, f.read())
        self.assertFalse(os.path.exists(os.path.join(program_dir, "TV.htm")))
        self.wait_page(window, (10, 200, 30))
        self.close_and_expect_zero(app, window)

    def test_second_click_reloads_the_same_address_with_the_new_page(self):
        app, window = self.start()
        first, second = self.site.channels(0)[0], self.site.channels(0)[2]
        self.site.override(url=first[1], body=player_line((200, 10, 10)))
        self.site.override(url=second[1], body=player_line((10, 10, 200)))
        self.click_title(window, 0)
        self.wait_page(window, (200, 10, 10))
        self.click_title(window, 2)
        window.wait_title(second[0])
        self.wait_page(window, (10, 10, 200))
        self.close_and_expect_zero(app, window)

    def test_failed_download_or_no_player_shows_the_notice_under_the_new_title(self):
        program_dir = make_program_dir(self.scratch)
        app, window = self.start(program_dir=program_dir)
        good, failing, no_player = self.site.channels(0)[0:3]
        self.site.override(url=good[1], body=player_line((200, 10, 10)))
        self.site.override(url=failing[1], status=500)
        self.site.override(url=no_player[1], body=b"<html><p>no player here</p></html>\r\n")
        self.click_title(window, 0)
        window.wait_title(good[0])
        for row, channel in ((1, failing), (2, no_player)):
            with self.subTest(channel=channel[0]):
                self.click_title(window, row)
                window.wait_title(channel[0])
                page = self.read_player_page(program_dir)
                self.assertTrue(page.startswith(HEAD), page[:200])
                self.assertIn(NOTICE, page)
                self.assertNotIn(b"shockwave", page)
                self.assertTrue(page.endswith(b"\r\n"))
        self.close_and_expect_zero(app, window)

    def test_empty_slot_gives_an_empty_title(self):
        titles = ["Один", "Два"]
        self.site.override(url=self.site.catalogue_url(0), body=catalogue_body(titles))
        app, window = self.start()
        self.click_title(window, 0)
        window.wait_title("Один")
        self.click_title(window, 2)  # the first slot the page left empty
        window.wait_title("")
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
