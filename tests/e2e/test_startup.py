"""Start-up against the fixture site: the program asks for catalogue page 0,
keeps what was served in "vexo.txt" in its working directory, and exits 0
when its window is closed."""
import os
import unittest

from desktop import ProgramTest, make_program_dir


class StartupTest(ProgramTest):
    def test_page_zero_is_fetched_into_the_working_directory(self):
        program_dir = make_program_dir(self.scratch)
        cwd = os.path.join(self.scratch, "рабочая папка")
        os.makedirs(cwd)
        app, window = self.start(program_dir=program_dir, cwd=cwd)
        catalogue = [e["url"] for e in self.site.log() if "/ru/tv,channels" in e["url"]]
        self.assertEqual(catalogue, [self.site.catalogue_url(0)])
        with open(os.path.join(cwd, "vexo.txt"), "rb") as f:
            self.assertEqual(f.read(), self.site.page_bytes(0))
        self.assertFalse(os.path.exists(os.path.join(program_dir, "vexo.txt")))
        self.close_and_expect_zero(app, window)

    def test_failed_first_download_keeps_the_earlier_list(self):
        program_dir = make_program_dir(self.scratch)
        earlier = b"<div class=\"grid_title\"><a href=\"x\">old</a></div>\r\n"
        with open(os.path.join(program_dir, "vexo.txt"), "wb") as f:
            f.write(earlier)
        self.site.override(url=self.site.catalogue_url(0), status=503)
        app, window = self.start(program_dir=program_dir)
        with open(os.path.join(program_dir, "vexo.txt"), "rb") as f:
            self.assertEqual(f.read(), earlier)
        self.assertEqual([n for n in os.listdir(program_dir) if ".part" in n], [])
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    unittest.main()
