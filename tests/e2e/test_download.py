"""The program's download against the loopback fixture site: what counts as
success, and that a failure never leaves a partial file or harms an earlier
one."""
import os
import socket
import subprocess
import tempfile
import unittest

from fixture import FixtureSite

BUILD = os.environ.get("ZIRTA_BUILD_DIR", os.path.join(os.path.dirname(__file__), "../../build"))
PROBE = os.path.join(BUILD, "probes", "download_probe")
HOST = os.environ.get("ZIRTA_CATALOGUE_HOST", "tv.example")


def closed_port():
    with socket.socket() as s:
        s.bind(("127.0.0.1", 0))
        return s.getsockname()[1]


class DownloadTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.site = FixtureSite(host=HOST)
        cls.site.__enter__()

    @classmethod
    def tearDownClass(cls):
        cls.site.__exit__(None, None, None)

    def setUp(self):
        self.site.reset()
        self.dir = tempfile.TemporaryDirectory()
        self.target = os.path.join(self.dir.name, "out.txt")

    def tearDown(self):
        self.dir.cleanup()

    def download(self, url, abort_after_ms=None, timeout=60):
        args = [PROBE, url, self.target]
        if abort_after_ms is not None:
            args.append(str(abort_after_ms))
        out = subprocess.run(args, env=self.site.env(), capture_output=True, text=True,
                             timeout=timeout, check=True)
        return int(out.stdout.strip())

    def leftovers(self):
        return [n for n in os.listdir(self.dir.name) if n != "out.txt"]

    def test_success_writes_the_body_exactly(self):
        url = self.site.catalogue_url(0)
        self.assertEqual(self.download(url), 0)
        with open(self.target, "rb") as f:
            self.assertEqual(f.read(), self.site.page_bytes(0))
        self.assertEqual(self.leftovers(), [])

    def test_failures_leave_the_earlier_file_byte_identical(self):
        earlier = b"earlier page\r\n\x00\xff"
        url = "http://%s/ru/tv,channels?page=7" % HOST
        cases = [
            ("404", dict(status=404, body=b"not here")),
            ("500", dict(status=500, body=b"oops")),
            ("body over 32 MiB", dict(body_size=40 * 1024 * 1024)),
            ("connection reset mid-body", dict(body_size=200000, reset_after=1000)),
            ("redirect to a file: address", dict(redirect="file:///etc/passwd")),
            ("redirect loop", dict(redirect=url)),
        ]
        for name, override in cases:
            with self.subTest(name):
                self.site.reset()
                with open(self.target, "wb") as f:
                    f.write(earlier)
                self.site.override(url=url, **override)
                self.assertLess(self.download(url), 0)
                with open(self.target, "rb") as f:
                    self.assertEqual(f.read(), earlier)
                self.assertEqual(self.leftovers(), [])

    def test_at_most_five_redirects_are_followed(self):
        base = "http://%s/hop/" % HOST
        for hop in range(6):
            self.site.override(url=base + str(hop), redirect=base + str(hop + 1))
        self.site.override(url=base + "6", body=b"arrived")
        self.assertEqual(self.download(base + "1"), 0)  # five redirects
        self.assertLess(self.download(base + "0"), 0)   # six

    def test_refused_connection_and_bad_addresses_fail_without_a_file(self):
        for url in ["http://127.0.0.1:%d/x" % closed_port(), "", "file:///etc/hostname",
                    "ftp://127.0.0.1/x"]:
            with self.subTest(url):
                env = dict(self.site.env())
                result = subprocess.run([PROBE, url, self.target], capture_output=True, text=True,
                                        env={k: v for k, v in env.items()
                                             if k.lower() != "http_proxy"}, timeout=60)
                self.assertLess(int(result.stdout), 0)
                self.assertFalse(os.path.exists(self.target))
                self.assertEqual(self.leftovers(), [])

    def test_abort_from_another_thread_ends_a_stalled_transfer(self):
        url = "http://%s/ru/tv,channels?page=3" % HOST
        self.site.override(url=url, body_size=100000, stall_after=500)
        # Without the abort this would wait for the 30 s stall limit; the
        # deadline below fails the test long before that.
        self.assertEqual(self.download(url, abort_after_ms=300, timeout=10), -2)
        self.assertFalse(os.path.exists(self.target))
        self.assertEqual(self.leftovers(), [])

    def test_a_stalled_body_fails_after_the_stall_limit(self):
        url = "http://%s/ru/tv,channels?page=4" % HOST
        self.site.override(url=url, body_size=100000, stall_after=500)
        self.assertLess(self.download(url, timeout=90), 0)
        self.assertFalse(os.path.exists(self.target))


if __name__ == "__main__":
    unittest.main()
