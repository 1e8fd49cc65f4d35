"""Runs the loopback fixture site (tools/fixture_site.py) for end-to-end tests.

    with FixtureSite() as site:
        subprocess.run([program], env=site.env())
        urls = [entry["url"] for entry in site.log()]

The program reaches http://tv.example/... through the site, which it is told
about through http_proxy in site.env(). Control requests go straight to the
site, never through a proxy from the test's own environment.
"""

import base64
import http.client
import importlib.util
import json
import os
import shutil
import signal
import subprocess
import sys
import tempfile
import time
import urllib.error
import urllib.request

SOURCE_DIR = os.environ.get("ZIRTA_SOURCE_DIR") or os.path.abspath(
    os.path.join(os.path.dirname(os.path.abspath(__file__)), "..", ".."))
SITE_SCRIPT = os.path.join(SOURCE_DIR, "tools", "fixture_site.py")
DEFAULT_HOST = os.environ.get("ZIRTA_CATALOGUE_HOST") or "tv.example"

START_TIMEOUT = 20.0
STOP_TIMEOUT = 10.0
REQUEST_TIMEOUT = 60.0
POLL_INTERVAL = 0.05

_site_module = None


def SiteModule():
    """tools/fixture_site.py as a module, for what the site will serve."""
    global _site_module
    if _site_module is None:
        spec = importlib.util.spec_from_file_location("fixture_site", SITE_SCRIPT)
        module = importlib.util.module_from_spec(spec)
        spec.loader.exec_module(module)
        _site_module = module
    return _site_module


class FixtureSiteError(RuntimeError):
    pass


class FixtureSite:
    def __init__(self, host=DEFAULT_HOST, start_timeout=START_TIMEOUT):
        self.host = host
        self.start_timeout = start_timeout
        self.port = None
        self.process = None
        self._scratch = None
        self._stderr = None
        # Control requests must not follow http_proxy from the environment.
        self._direct = urllib.request.build_opener(urllib.request.ProxyHandler({}))

    # -- life ----------------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.stop()
        return False

    def start(self):
        if self.process is not None:
            raise FixtureSiteError("the fixture site is already running")
        self._scratch = tempfile.mkdtemp(prefix="fixture-site-")
        port_file = os.path.join(self._scratch, "port")
        self._stderr = open(os.path.join(self._scratch, "stderr.txt"), "w+b")
        self.process = subprocess.Popen(
            [sys.executable, SITE_SCRIPT, "--port", "0", "--port-file", port_file,
             "--host", self.host, "--quiet"],
            stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=self._stderr)
        try:
            self._WaitUntilAnswering(port_file)
        except BaseException:
            self.stop()
            raise

    def _WaitUntilAnswering(self, port_file):
        deadline = time.monotonic() + self.start_timeout
        while True:
            if self.process.poll() is not None:
                raise FixtureSiteError("the fixture site exited with %s:\n%s"
                                       % (self.process.returncode, self._StderrText()))
            if self.port is None and os.path.exists(port_file):
                with open(port_file) as f:
                    self.port = int(f.read())
            if self.port is not None:
                try:
                    self.log()
                    return
                except (OSError, http.client.HTTPException):
                    pass
            if time.monotonic() > deadline:
                raise FixtureSiteError("the fixture site did not answer within %g s:\n%s"
                                       % (self.start_timeout, self._StderrText()))
            time.sleep(POLL_INTERVAL)

    def _StderrText(self):
        if self._stderr is None:
            return ""
        self._stderr.seek(0)
        return self._stderr.read().decode("utf-8", "replace")

    def stop(self):
        """Stops the site (SIGTERM, then SIGKILL if it hangs); returns its exit code."""
        code = None
        if self.process is not None:
            if self.process.poll() is None:
                self.process.send_signal(signal.SIGTERM)
                try:
                    self.process.wait(STOP_TIMEOUT)
                except subprocess.TimeoutExpired:
                    self.process.kill()
                    self.process.wait()
            code = self.process.returncode
            self.process = None
        if self._stderr is not None:
            self._stderr.close()
            self._stderr = None
        if self._scratch is not None:
            shutil.rmtree(self._scratch, ignore_errors=True)
            self._scratch = None
        return code

    # -- for the program -------------------------------------------------------

    @property
    def proxy_url(self):
        return "http://127.0.0.1:%d" % self.port

    def env(self, base=None):
        """An environment in which libcurl sends every http request to the site."""
        environment = dict(os.environ if base is None else base)
        for name in ("no_proxy", "NO_PROXY"):
            environment.pop(name, None)
        environment["http_proxy"] = self.proxy_url
        environment["HTTP_PROXY"] = self.proxy_url
        return environment

    def catalogue_url(self, page):
        return SiteModule().CatalogueUrl(self.host, page)

    def channel_url(self, channel_id):
        return SiteModule().ChannelUrl(self.host, channel_id)

    def thumb_url(self, channel_id):
        return SiteModule().ThumbUrl(self.host, channel_id)

    def channels(self, page):
        """[(title, link, thumbnail address)] that page lists, as the site builds it."""
        return SiteModule().PageChannels(self.host, page)

    # -- control ---------------------------------------------------------------

    def _Control(self, action, payload=None):
        url = "%s/__control/%s" % (self.proxy_url, action)
        data = None if payload is None else json.dumps(payload).encode("utf-8")
        request = urllib.request.Request(url, data=data, method="GET" if data is None else "POST")
        if data is not None:
            request.add_header("Content-Type", "application/json")
        try:
            with self._direct.open(request, timeout=REQUEST_TIMEOUT) as reply:
                return json.loads(reply.read().decode("utf-8"))
        except urllib.error.HTTPError as error:
            raise FixtureSiteError("%s refused: %s" % (action, error.read().decode("utf-8", "replace")))

    def override(self, **fields):
        """Changes what the site answers for url= (or every address under prefix=).

        body= takes bytes; the other fields are those of the site's override
        request (status, body_file, body_size, content_type, delay,
        stall_after, reset_after, redirect, times).
        """
        if "body" in fields:
            fields["body_b64"] = base64.b64encode(fields.pop("body")).decode("ascii")
        return self._Control("override", fields)

    def delay_all(self, seconds):
        return self._Control("delay_all", {"delay": seconds})

    def log(self):
        """Every site request so far: url, method, start, end, status, bytes,
        peer_port, connection_id (times from time.monotonic())."""
        return self._Control("log")

    def reset(self):
        return self._Control("reset", {})

    # -- fetching through the site --------------------------------------------

    def fetch(self, url, method="GET", headers=None):
        """(status, headers, body) for url asked through the site as a proxy.

        Redirects are not followed. The request shows in the site's log.
        """
        connection = http.client.HTTPConnection("127.0.0.1", self.port, timeout=REQUEST_TIMEOUT)
        try:
            connection.request(method, url, headers=headers or {})
            reply = connection.getresponse()
            return reply.status, {k.lower(): v for k, v in reply.getheaders()}, reply.read()
        finally:
            connection.close()

    def page_bytes(self, page):
        """The catalogue page exactly as the program would download it."""
        status, _, body = self.fetch(self.catalogue_url(page))
        if status != 200:
            raise FixtureSiteError("catalogue page %d answered %d" % (page, status))
        return body
