"""A channel click ends with the channel's video playing in the browser area.

The sample site's channel pages embed a flash player whose flashvars name
the site's demo video (tools/fixture_site/demo.webm). The player script
beside "TV.htm" turns that player into a video element; the engine fetches
the video through the program's proxy, the loopback site, and plays it. The
demo's whole frame changes colour every half second in a known order, so
screenshots of the browser area taken one after another show whether it
plays, and plays forward.
"""
import os
import shutil
import time

from desktop import BUILD_DIR, ProgramTest, close_colour, make_program_dir, page_html
from fixture import SOURCE_DIR

DEMO_VIDEO = os.path.join(SOURCE_DIR, "tools", "fixture_site", "demo.webm")
PLAYER_SCRIPT = os.path.join(BUILD_DIR, "js000000.js")

# The demo's frame colours in the order it shows them, each for half a
# second (tools/fixture_site/make_demo_video.sh paints them).
DEMO_COLOURS = [
    (220, 40, 40), (40, 200, 40), (40, 60, 220), (230, 210, 40),
    (200, 40, 200), (40, 200, 200), (240, 140, 0), (128, 128, 128),
]
# Room for the video's lossy coding and the colour conversions on the way.
TOLERANCE = 24

TITLE_ROW_0 = (610, 4 + 110 + 7)
# The browser area in client coordinates: x 5 to 595, y 8 to 338. Points are
# read from its middle, clear of the video's controls along the bottom.
BROWSER_LEFT, BROWSER_TOP, BROWSER_WIDTH, BROWSER_HEIGHT = 5, 8, 590, 330
SAMPLE_POINTS = [(BROWSER_LEFT + BROWSER_WIDTH * i // 10, BROWSER_TOP + BROWSER_HEIGHT * j // 10)
                 for i in range(2, 9) for j in range(2, 7)]
# Colours seen, one after another, before the video counts as playing.
COLOURS_TO_SEE = 3
WATCH_TIMEOUT = 30.0


def demo_colour_index(colour):
    """Which of the demo's colours this is, or None."""
    for index, demo in enumerate(DEMO_COLOURS):
        if close_colour(colour, demo, TOLERANCE):
            return index
    return None


class PlaybackTest(ProgramTest):
    def browser_colour(self, window):
        """The demo colour index that most sample points of the browser area
        show (the moving bar covers only a few), or None; and the colours."""
        screen = self.desktop.screenshot()
        colours = [self.pixel(window, x, y, screen) for x, y in SAMPLE_POINTS]
        indexes = [demo_colour_index(c) for c in colours]
        best = max(set(indexes), key=indexes.count)
        return (best if indexes.count(best) * 2 > len(indexes) else None), colours

    def watch_colours(self, window):
        """Demo colours the browser area shows, as they change, until enough
        are seen; fails with what it saw when the deadline passes first."""
        seen = []
        last = None
        deadline = time.monotonic() + WATCH_TIMEOUT
        while len(seen) < COLOURS_TO_SEE:
            index, last = self.browser_colour(window)
            if index is not None and (not seen or seen[-1] != index):
                seen.append(index)
            if time.monotonic() > deadline:
                self.fail("the video did not play: demo colours seen %r, the browser area last "
                          "showed %r" % ([DEMO_COLOURS[i] for i in seen], last))
            time.sleep(0.05)
        return seen

    def test_channel_click_plays_the_channel_video(self):
        if not os.path.isfile(DEMO_VIDEO):
            self.fail("the demo video is missing: %s" % DEMO_VIDEO)
        program_dir = make_program_dir(self.scratch)
        shutil.copy(PLAYER_SCRIPT, os.path.join(program_dir, "js000000.js"))
        # The home page in black, a colour the demo never shows, so no frame
        # of the video can be mistaken for the page before it.
        with open(os.path.join(program_dir, "zirta.htm"), "w", encoding="utf-8") as f:
            f.write(page_html((0, 0, 0)))
        app, window = self.start(program_dir=program_dir)
        title, link, _ = self.site.channels(0)[0]

        self.click_client(window, *TITLE_ROW_0)
        window.wait_title(title)
        seen = self.watch_colours(window)

        # Each change moves forward through the demo's colours (screenshots
        # may miss a colour or two, never go back).
        for before, after in zip(seen, seen[1:]):
            self.assertIn((after - before) % len(DEMO_COLOURS), (1, 2, 3),
                          "the video's colours came out of order: %r" % seen)
        urls = [entry["url"] for entry in self.site.log()]
        self.assertIn(link, urls)
        self.assertTrue(any(url.endswith("/video/demo.webm") for url in urls), urls)
        # Closing while the video plays still ends the program cleanly.
        self.close_and_expect_zero(app, window)


if __name__ == "__main__":
    import unittest
    unittest.main()
