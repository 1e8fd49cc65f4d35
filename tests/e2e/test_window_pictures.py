"""The window's pictures: read from the working directory (not the program
directory), a missing one leaves its view empty so what lies below shows,
and a thumbnail view takes the size of the picture it is given."""
import os
import unittest

from desktop import (BACKGROUND, CATEGORY_PAGES, LOGO_COLOUR, LOGO_POINT, PLACEHOLDER_COLOUR,
                     STRIP_MARGIN_X, STRIP_TOP, ProgramTest, make_program_dir, solid_bmp,
                     strip_colour, strip_row, write_pictures)

# A point of thumbnail 0 inside the 170 x 96 scaled size, and one inside its
# 207 x 116 created size only.
THUMB_INSIDE = (595 + 10 + 100, STRIP_TOP + 10 + 50)
THUMB_CREATED_ONLY = (595 + 10 + 190, STRIP_TOP + 10 + 50)
THUMB_BELOW_SCALED = (595 + 10 + 50, STRIP_TOP + 10 + 98)   # above the title link


class PictureTest(ProgramTest):
    def test_pictures_come_from_the_working_directory(self):
        program_dir = make_program_dir(self.scratch)
        # The program directory holds pictures of other colours, which must
        # not be the ones shown.
        os.makedirs(os.path.join(program_dir, "img"))
        for name in ("skrol.jpg", "лого.jpg", os.path.join("img", "фон.jpg")):
            with open(os.path.join(program_dir, name), "wb") as f:
                f.write(solid_bmp(320, 200, (255, 255, 255)))
        elsewhere = os.path.join(self.scratch, "рабочая папка")
        os.makedirs(elsewhere)
        app, window = self.start(program_dir, cwd=elsewhere)
        self.wait_page(window, CATEGORY_PAGES[0][3])
        self.wait_client_pixel(window, LOGO_POINT, LOGO_COLOUR)
        self.wait_client_pixel(window, THUMB_INSIDE, PLACEHOLDER_COLOUR)
        self.assertEqual(self.strip_offset(window), 0)
        self.close_and_expect_zero(app, window)

    def test_a_missing_picture_leaves_its_view_empty(self):
        cases = [
            # missing, point, what shows there instead
            ("logo", LOGO_POINT, BACKGROUND),
            ("strip", (STRIP_MARGIN_X, STRIP_TOP + 60), BACKGROUND),
            ("placeholder", THUMB_INSIDE, strip_colour(60)),
        ]
        for missing, point, colour in cases:
            with self.subTest(missing=missing):
                program_dir = make_program_dir(self.scratch, "missing " + missing)
                write_pictures(program_dir, **{missing: False})
                app, window = self.start(program_dir, pictures=False)
                self.wait_page(window, CATEGORY_PAGES[0][3])
                self.wait_thumbnail_pass()
                self.wait_client_pixel(window, point, colour)
                self.close_and_expect_zero(app, window)

    def test_a_thumbnail_view_takes_the_size_of_its_scaled_picture(self):
        # Every thumbnail fails, so the worker shows the placeholder scaled to
        # 170 x 96: the rest of the 207 x 116 view shows the strip again.
        app, window = self.start()
        self.wait_page(window, CATEGORY_PAGES[0][3])
        self.wait_thumbnail_pass()
        self.wait_client_pixel(window, THUMB_CREATED_ONLY, strip_colour(60))
        self.wait_client_pixel(window, THUMB_BELOW_SCALED, strip_colour(108))
        self.assertEqual(self.pixel(window, *THUMB_INSIDE), PLACEHOLDER_COLOUR)
        self.close_and_expect_zero(app, window)

    def test_thumbnails_from_the_site_replace_the_placeholders(self):
        app, window = self.start(thumbnails=True)
        self.wait_thumbnail_pass()
        pixel = self.wait_for_change(window, THUMB_INSIDE, PLACEHOLDER_COLOUR)
        self.assertIsNone(strip_row(pixel))
        self.close_and_expect_zero(app, window)

    def wait_for_change(self, window, point, colour):
        from desktop import wait_for
        return wait_for(lambda: (lambda p: p if p != colour else None)(self.pixel(window, *point)),
                        what="thumbnail 0 to change")


if __name__ == "__main__":
    unittest.main()
