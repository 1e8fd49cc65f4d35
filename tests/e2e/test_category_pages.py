"""The ten category buttons: each shows its own page file from the program
directory and names the window; a page sent again is read again from disk;
pages may not reach local files outside the program and working
directories."""
import os
import unittest

from desktop import (BUTTON_PLACES, CATEGORY_PAGES, ProgramTest, make_program_dir, page_html)


def button_centre(button):
    x, y = BUTTON_PLACES[button]
    return x + 35, y + 12


class CategoryPageTest(ProgramTest):
    def click_button(self, window, button):
        self.click_client(window, *button_centre(button))

    def test_every_button_shows_its_page_and_sets_its_title(self):
        app, window = self.start()
        self.wait_page(window, CATEGORY_PAGES[0][3])
        # Home last, so every click changes what shows.
        for button, page, title, colour in CATEGORY_PAGES[1:] + CATEGORY_PAGES[:1]:
            with self.subTest(button=button, page=page):
                self.click_button(window, button)
                window.wait_title(title)
                self.wait_page(window, colour)
        self.close_and_expect_zero(app, window)

    def test_two_quick_clicks_end_on_the_second_page_and_title(self):
        app, window = self.start()
        self.wait_page(window, CATEGORY_PAGES[0][3])
        first, second = CATEGORY_PAGES[3], CATEGORY_PAGES[6]
        self.click_button(window, first[0])
        self.click_button(window, second[0])
        window.wait_title(second[2])
        self.wait_page(window, second[3])
        self.close_and_expect_zero(app, window)

    def test_the_same_page_sent_again_is_read_again_from_disk(self):
        program_dir = make_program_dir(self.scratch)
        app, window = self.start(program_dir)
        home_button, home_page, _, home_colour = CATEGORY_PAGES[0]
        self.wait_page(window, home_colour)
        for colour in [(10, 220, 120), (220, 120, 10)]:
            with self.subTest(colour=colour):
                with open(os.path.join(program_dir, home_page), "w", encoding="utf-8") as f:
                    f.write(page_html(colour))
                self.click_button(window, home_button)
                self.wait_page(window, colour)
        self.close_and_expect_zero(app, window)

    def test_pages_cannot_reach_local_files_outside_the_program_and_working_directories(self):
        outside = os.path.join(self.scratch, "снаружи")
        os.makedirs(outside)
        program_dir = make_program_dir(self.scratch)
        secret_colour, inside_colour, page_colour = (250, 0, 250), (0, 250, 250), (90, 90, 90)
        for directory, colour in [(outside, secret_colour), (program_dir, inside_colour)]:
            with open(os.path.join(directory, "target.htm"), "w", encoding="utf-8") as f:
                f.write(page_html(colour))
            with open(os.path.join(directory, "picture.svg"), "w", encoding="utf-8") as f:
                f.write('<svg xmlns="http://www.w3.org/2000/svg" width="10" height="10">'
                        '<rect width="10" height="10" fill="rgb(%d,%d,%d)"/></svg>' % colour)

        def uri(directory, name):
            from urllib.parse import quote
            return "file://" + quote(os.path.join(directory, name))

        def picture_page(src):
            return ('<!DOCTYPE html><html><body style="margin:0;background:rgb(%d,%d,%d)">'
                    '<img src="%s" style="position:fixed;left:0;top:0;width:100%%;height:100%%">'
                    '</body></html>' % (page_colour + (src,)))

        def leaving_page(target):
            return ('<!DOCTYPE html><html><body style="margin:0;height:100%%;background:rgb(%d,%d,%d)">'
                    '<script>location.href = "%s";</script></body></html>' % (page_colour + (target,)))

        cases = [
            # button, page text, colour that must show
            (108, picture_page(uri(program_dir, "picture.svg")), inside_colour),
            (109, picture_page(uri(outside, "picture.svg")), page_colour),
            (110, picture_page(uri(outside, "../снаружи/picture.svg")), page_colour),
            (111, leaving_page(uri(program_dir, "target.htm")), inside_colour),
            (112, leaving_page(uri(outside, "target.htm")), page_colour),
        ]
        pages = {button: page for button, page, _, _ in CATEGORY_PAGES}
        for button, text, _ in cases:
            with open(os.path.join(program_dir, pages[button]), "w", encoding="utf-8") as f:
                f.write(text)
        app, window = self.start(program_dir)
        for button, _, colour in cases:
            with self.subTest(button=button):
                # A page of a colour of its own first, so a refused load
                # cannot pass for the previous page.
                self.click_button(window, 113)
                self.wait_page(window, CATEGORY_PAGES[6][3])
                self.click_button(window, button)
                self.wait_page(window, colour)
        self.close_and_expect_zero(app, window)

    def test_pages_are_found_from_another_working_directory(self):
        program_dir = make_program_dir(self.scratch)
        elsewhere = os.path.join(self.scratch, "рабочая папка")
        os.makedirs(elsewhere)
        app, window = self.start(program_dir, cwd=elsewhere)
        self.wait_page(window, CATEGORY_PAGES[0][3])
        button, _, title, colour = CATEGORY_PAGES[9]
        self.click_button(window, button)
        window.wait_title(title)
        self.wait_page(window, colour)
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
