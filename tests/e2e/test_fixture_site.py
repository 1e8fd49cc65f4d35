"""Checks the loopback fixture site itself, so that a failing end-to-end test
points at the program and not at the site it talks to."""

import http.client
import os
import re
import select
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

from fixture import FixtureSite, FixtureSiteError, SITE_SCRIPT, SiteModule

FLASH_MARKER = b'"application/x-shockwave-flash"'
PAGE_COUNT = 152
PER_PAGE = 21
SITE = None


def setUpModule():
    global SITE
    # The host is fixed here, whatever the build names, since these checks
    # spell out addresses.
    SITE = FixtureSite(host="tv.example")
    SITE.start()


def tearDownModule():
    SITE.stop()


# -- what the program does with a page, redone on bytes ----------------------

def Lines(body):
    """Lines as the program reads them: LF, CR, CR LF and NUL all end a line."""
    lines = re.split(rb"\r\n|\r|\n|\x00", body)
    if lines and lines[-1] == b"":
        lines.pop()
    return lines


def ExtractBetween(line, start, end):
    b = line.find(start)
    if b < 0:
        return b""
    rest = line[b + len(start):]
    c = rest.find(end)
    return rest[:c] if c >= 0 else b""


def Scrape(body):
    titles, links, thumbs = [], [], []
    for line in Lines(body):
        if b"grid_title" in line:
            line = line.replace(b'<div class="grid_title">', b"")
            links.append(ExtractBetween(line, b'<a href="', b'">').decode("utf-8"))
            titles.append(ExtractBetween(line, b">", b"<").decode("utf-8"))
        if b'"thumb" style=' in line:
            thumbs.append(ExtractBetween(line, b"(", b")").decode("utf-8"))
    return titles, links, thumbs


def JpegSize(data):
    """(width, height) from the first start-of-frame segment, or None."""
    position = 2
    while position + 9 < len(data):
        if data[position] != 0xFF:
            return None
        marker = data[position + 1]
        length = int.from_bytes(data[position + 2:position + 4], "big")
        if marker in (0xC0, 0xC1, 0xC2):
            height = int.from_bytes(data[position + 5:position + 7], "big")
            width = int.from_bytes(data[position + 7:position + 9], "big")
            return width, height
        position += 2 + length
    return None


def ReadIfPresent(path):
    try:
        with open(path) as f:
            return f.read()
    except FileNotFoundError:
        return None


def Connection(timeout=60):
    return http.client.HTTPConnection("127.0.0.1", SITE.port, timeout=timeout)


def WaitFor(condition, what, timeout=15.0):
    deadline = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > deadline:
            raise AssertionError("timed out waiting for " + what)
        time.sleep(0.05)


class SiteTestCase(unittest.TestCase):
    def setUp(self):
        SITE.reset()


class CatalogueTest(SiteTestCase):
    def test_every_page_scrapes_to_its_21_channels(self):
        connection = Connection()
        all_titles, all_links = set(), set()
        for page in range(PAGE_COUNT):
            with self.subTest(page=page):
                connection.request("GET", SITE.catalogue_url(page))
                reply = connection.getresponse()
                body = reply.read()
                self.assertEqual(reply.status, 200)
                self.assertEqual(reply.getheader("Content-Length"), str(len(body)))
                # Every line ends in CR LF, the last one included.
                self.assertTrue(body.endswith(b"\r\n"))
                self.assertNotRegex(body, rb"[^\r]\n|\r[^\n]")

                titles, links, thumbs = Scrape(body)
                ids = range(page * PER_PAGE, (page + 1) * PER_PAGE)
                self.assertEqual(links, [SITE.channel_url(i) for i in ids])
                self.assertEqual(thumbs, [SITE.thumb_url(i) for i in ids])
                self.assertEqual(list(zip(titles, links, thumbs)), SITE.channels(page))
                for title in titles:
                    # The program shows titles in code page 1251; anything
                    # outside it, or markup, would make the title unreadable.
                    title.encode("cp1251")
                    self.assertRegex(title, r"^[А-ЯЁа-яё][^<>&\"?]*[0-9]$")
                self.assertTrue(any(len(t) > 25 for t in titles),
                                "no title longer than a title link is wide")
                all_titles.update(titles)
                all_links.update(links)
        connection.close()
        self.assertEqual(len(all_titles), PAGE_COUNT * PER_PAGE, "titles repeat")
        self.assertEqual(len(all_links), PAGE_COUNT * PER_PAGE, "links repeat")

    def test_origin_form_serves_the_same_page(self):
        expected = SITE.page_bytes(7)
        for host in ("127.0.0.1:%d" % SITE.port, "tv.example", "anything.test"):
            with self.subTest(host=host):
                connection = Connection()
                connection.request("GET", "/ru/tv,channels?page=7", headers={"Host": host})
                reply = connection.getresponse()
                self.assertEqual((reply.status, reply.read()), (200, expected))
                connection.close()
        self.assertIn("http://127.0.0.1:%d/ru/tv,channels?page=7" % SITE.port,
                      [e["url"] for e in SITE.log()])

    def test_unknown_addresses_get_404(self):
        cases = [
            "http://tv.example/ru/tv,channels?page=152",
            "http://tv.example/ru/tv,channels?page=-1",
            "http://tv.example/ru/tv,channels?page=01",
            "http://tv.example/ru/tv,channels?page=",
            "http://tv.example/ru/tv,channels?page=1&sort=name",
            "http://tv.example/ru/tv,channels",
            "http://tv.example/ru/tv/channel-3192",
            "http://tv.example/ru/tv/channel-07",
            "http://img.tv.example/thumbs/3192.jpg",
            "http://img.tv.example/thumbs/x.jpg",
            "http://tv.example/",
            "http://tv.example/player/player.swf",
            "http://tv.example/__control/log",
            "http://elsewhere.example/ru/tv,channels?page=0",
            "http://tv.example.evil/ru/tv,channels?page=0",
        ]
        for url in cases:
            with self.subTest(url=url):
                status, _, _ = SITE.fetch(url)
                self.assertEqual(status, 404)

    def test_head_gives_length_without_body(self):
        connection = Connection()
        connection.request("HEAD", SITE.catalogue_url(0))
        reply = connection.getresponse()
        reply.read()
        self.assertEqual(reply.status, 200)
        self.assertEqual(int(reply.getheader("Content-Length")), len(SITE.page_bytes(0)))
        connection.close()


class ThumbnailTest(SiteTestCase):
    def test_thumbnails_are_320_by_180_jpegs(self):
        for channel in (0, 1, 23, 24, 1000, PAGE_COUNT * PER_PAGE - 1):
            with self.subTest(channel=channel):
                status, headers, body = SITE.fetch(SITE.thumb_url(channel))
                self.assertEqual(status, 200)
                self.assertEqual(headers["content-type"], "image/jpeg")
                self.assertEqual(body[:2], b"\xff\xd8")
                self.assertEqual(body[-2:], b"\xff\xd9")
                self.assertEqual(JpegSize(body), (320, 180))

    def test_one_page_shows_distinct_pictures(self):
        # A thumbnail landing in the wrong row is only visible if rows differ.
        for page in (0, 151):
            with self.subTest(page=page):
                pictures = [SITE.fetch(thumb)[2] for _, _, thumb in SITE.channels(page)]
                self.assertEqual(len(set(pictures)), PER_PAGE)


class ChannelPageTest(SiteTestCase):
    def test_channel_page_holds_exactly_one_player_line(self):
        for channel in (0, 20, 21, PAGE_COUNT * PER_PAGE - 1):
            with self.subTest(channel=channel):
                status, headers, body = SITE.fetch(SITE.channel_url(channel))
                self.assertEqual(status, 200)
                self.assertIn("charset=utf-8", headers["content-type"])
                self.assertNotRegex(body, rb"[^\r]\n|\r[^\n]")
                players = [line for line in Lines(body) if FLASH_MARKER in line]
                self.assertEqual(len(players), 1)
                self.assertIn(b"file=http://tv.example/video/demo.webm", players[0])
                title = SiteModule().ChannelTitle(channel).encode("utf-8")
                self.assertIn(b"&title=" + title + b'"', players[0])

    def test_demo_video_served_only_when_present(self):
        path = os.path.join(os.path.dirname(SITE_SCRIPT), "fixture_site", "demo.webm")
        status, _, body = SITE.fetch("http://tv.example/video/demo.webm")
        if os.path.isfile(path):
            with open(path, "rb") as f:
                self.assertEqual((status, body), (200, f.read()))
        else:
            self.assertEqual(status, 404)


class OverrideTest(SiteTestCase):
    PAGE5 = "http://tv.example/ru/tv,channels?page=5"

    def test_override_changes_the_answer(self):
        with tempfile.NamedTemporaryFile(suffix=".html") as file:
            file.write(b"<p>from a file</p>\r\n")
            file.flush()
            cases = [
                # (name, override, asked url, status, body or None, extra headers)
                ("status", dict(url=self.PAGE5, status=503), self.PAGE5, 503, None, {}),
                ("body", dict(url=self.PAGE5, body=b"\x00\xffraw", content_type="text/plain"),
                 self.PAGE5, 200, b"\x00\xffraw", {"content-type": "text/plain"}),
                ("body and status", dict(url=self.PAGE5, body=b"gone", status=410),
                 self.PAGE5, 410, b"gone", {}),
                ("file", dict(url=self.PAGE5, body_file=file.name), self.PAGE5, 200,
                 b"<p>from a file</p>\r\n", {}),
                ("redirect", dict(url=self.PAGE5, redirect="http://tv.example/moved"),
                 self.PAGE5, 302, None, {"location": "http://tv.example/moved"}),
                ("prefix", dict(prefix="http://tv.example/ru/tv,channels?page=5", status=500),
                 "http://tv.example/ru/tv,channels?page=57", 500, None, {}),
                ("exact url only", dict(url=self.PAGE5, status=500),
                 "http://tv.example/ru/tv,channels?page=57", 200, SITE.page_bytes(57), {}),
                ("unknown url made good", dict(url="http://tv.example/new", body=b"new"),
                 "http://tv.example/new", 200, b"new", {}),
                ("status keeps normal body", dict(url=self.PAGE5, status=203),
                 self.PAGE5, 203, SITE.page_bytes(5), {}),
            ]
            for name, fields, url, status, body, headers in cases:
                with self.subTest(name):
                    SITE.reset()
                    SITE.override(**fields)
                    got_status, got_headers, got_body = SITE.fetch(url)
                    self.assertEqual(got_status, status)
                    if body is not None:
                        self.assertEqual(got_body, body)
                    self.assertEqual(got_headers["content-length"], str(len(got_body)))
                    for key, value in headers.items():
                        self.assertEqual(got_headers.get(key), value)

    def test_times_limits_and_later_overrides_win(self):
        SITE.override(url=self.PAGE5, status=500)
        SITE.override(url=self.PAGE5, status=503, times=2)
        statuses = [SITE.fetch(self.PAGE5)[0] for _ in range(4)]
        # The newer override applies twice, then the older one shows again.
        self.assertEqual(statuses, [503, 503, 500, 500])
        self.assertEqual([e["status"] for e in SITE.log()], statuses)

    def test_body_size_streams_exactly_that_many_bytes(self):
        size = 5 * 1024 * 1024 + 7
        SITE.override(url=self.PAGE5, body_size=size)
        status, headers, body = SITE.fetch(self.PAGE5)
        self.assertEqual((status, int(headers["content-length"]), len(body)), (200, size, size))
        self.assertEqual(SITE.log()[-1]["bytes"], size)

    def test_reset_after_cuts_the_connection(self):
        whole = SITE.page_bytes(5)
        SITE.reset()
        SITE.override(url=self.PAGE5, reset_after=1000)
        connection = Connection()
        connection.request("GET", self.PAGE5)
        reply = connection.getresponse()
        self.assertEqual(int(reply.getheader("Content-Length")), len(whole))
        # A reset, not an orderly close that would end in IncompleteRead.
        with self.assertRaises(ConnectionResetError):
            reply.read()
        connection.close()
        entry = SITE.log()[0]
        self.assertEqual((entry["status"], entry["bytes"]), (200, 1000))
        self.assertIsNotNone(entry["end"])

    def test_delays_hold_back_the_answer(self):
        # Lower bounds only: the site must wait at least this long.
        SITE.override(url=self.PAGE5, delay=0.3)
        SITE.delay_all(0.2)
        SITE.fetch(self.PAGE5)
        SITE.fetch(SITE.catalogue_url(6))
        first, second = SITE.log()
        self.assertGreaterEqual(first["end"] - first["start"], 0.5)
        self.assertGreaterEqual(second["end"] - second["start"], 0.2)

    def test_bad_overrides_are_refused(self):
        cases = [
            dict(status=500),                                   # no url
            dict(url=self.PAGE5, prefix="http://", status=500),  # both
            dict(url=self.PAGE5, stauts=500),                   # typo
            dict(url=self.PAGE5, status="500"),
            dict(url=self.PAGE5, status=99),
            dict(url=self.PAGE5, times=0),
            dict(url=self.PAGE5, delay=-1),
            dict(url=self.PAGE5, delay=float("inf")),
            dict(url=self.PAGE5, body_b64="not base64!"),
            dict(url=self.PAGE5, body_file="/nonexistent/file"),
            dict(url=self.PAGE5, body=b"x", body_size=10),
            dict(url=self.PAGE5, stall_after=1, reset_after=1),
        ]
        for fields in cases:
            with self.subTest(fields=fields):
                with self.assertRaises(FixtureSiteError):
                    SITE.override(**fields)
        for delay in (-1, "1", None, float("nan")):
            with self.subTest(delay_all=delay):
                with self.assertRaises(FixtureSiteError):
                    SITE.delay_all(delay)
        self.assertEqual(SITE.fetch(self.PAGE5)[0], 200)
        self.assertEqual([e["status"] for e in SITE.log()], [200])

    def test_reset_forgets_overrides_delay_and_log(self):
        SITE.override(prefix="http://", status=500)
        SITE.delay_all(30)
        SITE.reset()
        self.assertEqual(SITE.log(), [])
        self.assertEqual(SITE.fetch(self.PAGE5)[0], 200)
        self.assertEqual([e["url"] for e in SITE.log()], [self.PAGE5])


class ConnectionTest(SiteTestCase):
    def test_stalled_answer_does_not_block_others(self):
        url = SITE.catalogue_url(1)
        whole = SITE.page_bytes(1)
        SITE.reset()
        SITE.override(url=url, stall_after=100)
        stalled = socket.create_connection(("127.0.0.1", SITE.port), timeout=60)
        try:
            stalled.sendall(("GET %s HTTP/1.1\r\nHost: tv.example\r\n\r\n" % url).encode())
            received = b""
            while b"\r\n\r\n" not in received or len(received.split(b"\r\n\r\n", 1)[1]) < 100:
                piece = stalled.recv(4096)
                self.assertTrue(piece, "the stalled answer was closed")
                received += piece
            head, body = received.split(b"\r\n\r\n", 1)
            self.assertEqual(body, whole[:100])
            self.assertIn(b"Content-Length: %d" % len(whole), head.split(b"\r\n"))

            # While the first answer hangs, another request is served whole
            # (a site that waits for the stall would time out here).
            other = Connection(timeout=10)
            other.request("GET", SITE.catalogue_url(3))
            reply = other.getresponse()
            titles = Scrape(reply.read())[0]
            other.close()
            self.assertEqual((reply.status, titles), (200, [t for t, _, _ in SITE.channels(3)]))
            entry = SITE.log()[0]
            self.assertEqual((entry["url"], entry["bytes"], entry["end"]), (url, 100, None))
        finally:
            stalled.close()
        # Once the client has gone, the stalled request is over.
        WaitFor(lambda: SITE.log()[0]["end"] is not None, "the stalled request to end")

    def test_keep_alive_reuses_one_connection(self):
        first = Connection()
        bodies = []
        for page in (0, 1):
            first.request("GET", SITE.catalogue_url(page))
            bodies.append(first.getresponse().read())
        second = Connection()
        second.request("GET", SITE.catalogue_url(2))
        bodies.append(second.getresponse().read())
        first.close()
        second.close()

        log = SITE.log()
        self.assertEqual([e["url"] for e in log], [SITE.catalogue_url(p) for p in (0, 1, 2)])
        self.assertEqual([e["bytes"] for e in log], [len(b) for b in bodies])
        self.assertEqual(log[0]["connection_id"], log[1]["connection_id"])
        self.assertEqual(log[0]["peer_port"], log[1]["peer_port"])
        self.assertNotEqual(log[0]["connection_id"], log[2]["connection_id"])
        for entry in log:
            self.assertEqual((entry["method"], entry["status"]), ("GET", 200))
            self.assertLessEqual(entry["start"], entry["end"])


class CommandLineTest(unittest.TestCase):
    def test_signal_stops_the_site_cleanly(self):
        for number in (signal.SIGTERM, signal.SIGINT):
            with self.subTest(signal=number.name), tempfile.TemporaryDirectory() as scratch:
                port_file = os.path.join(scratch, "port")
                process = subprocess.Popen(
                    [sys.executable, SITE_SCRIPT, "--port", "0", "--port-file", port_file],
                    stdout=subprocess.PIPE, stderr=subprocess.DEVNULL)
                try:
                    ready, _, _ = select.select([process.stdout], [], [], 20)
                    self.assertTrue(ready, "the site printed nothing")
                    line = process.stdout.readline().decode()
                    port = WaitFor(lambda: ReadIfPresent(port_file), "the port file").strip()
                    self.assertEqual(line, "fixture site listening on 127.0.0.1:%s\n" % port)
                    self.assertEqual(os.listdir(scratch), ["port"])
                    process.send_signal(number)
                    self.assertEqual(process.wait(20), 0)
                finally:
                    if process.poll() is None:
                        process.kill()
                        process.wait()
                    process.stdout.close()

    def test_host_option_names_the_catalogue_host(self):
        with FixtureSite(host="tv.test") as site:
            titles, links, thumbs = Scrape(site.page_bytes(0))
            self.assertEqual(links[4], "http://tv.test/ru/tv/channel-4")
            self.assertEqual(thumbs[4], "http://img.tv.test/thumbs/4.jpg")
            self.assertEqual(site.fetch("http://tv.example/ru/tv,channels?page=0")[0], 404)
            self.assertEqual(site.stop(), 0)

    def test_address_literal_hosts_keep_thumbnails_on_the_same_host(self):
        cases = [("tv.example", "img.tv.example"), ("tv.example:8080", "img.tv.example:8080"),
                 ("127.0.0.1:8080", "127.0.0.1:8080"), ("localhost:81", "localhost:81"),
                 ("[::1]:8080", "[::1]:8080")]
        for host, thumb_host in cases:
            with self.subTest(host=host):
                self.assertEqual(SiteModule().ThumbHost(host), thumb_host)


if __name__ == "__main__":
    unittest.main()
