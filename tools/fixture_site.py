#!/usr/bin/env python3
"""A sample TV catalogue on loopback, for the end-to-end tests and the demo.

The program fetches its catalogue through libcurl, which honours http_proxy,
so this site answers as an HTTP/1.1 forward proxy: start it, then run the
program with http_proxy=http://127.0.0.1:PORT and it reaches
http://tv.example/... here. Nothing is ever fetched from anywhere else: every
address is answered from memory, and an address the site does not know gets
404. Origin-form requests ("GET /ru/tv,channels?page=3" with any Host) are
served the same content, so the program can also be pointed at the site
directly.

    python3 tools/fixture_site.py [--port 0] [--port-file FILE]
                                  [--host tv.example] [--quiet]

What it serves (UTF-8 text with CR LF line ends):
  /ru/tv,channels?page=N   N = 0..151, 21 channels each
  /ru/tv/channel-ID        the channel's page with one flash player line
  /thumbs/ID.jpg           a 320 x 180 JPEG (img.HOST in the catalogue)
  /video/demo.webm         tools/fixture_site/demo.webm when that file exists
where ID = page * 21 + slot.

Tests steer it through origin-form requests to the same port (JSON in, JSON
out):
  POST /__control/override   {"url": ... | "prefix": ..., "status", "body_b64",
                              "body_file", "body_size", "content_type",
                              "delay", "stall_after", "reset_after",
                              "redirect", "times"}
  POST /__control/delay_all  {"delay": seconds}
  GET  /__control/log        every request, in arrival order
  POST /__control/reset      forget overrides, delay and log
"""

import argparse
import base64
import functools
import ipaddress
import json
import os
import select
import signal
import socket
import socketserver
import struct
import sys
import threading
import time
import urllib.parse
from http import HTTPStatus
from http.server import BaseHTTPRequestHandler, ThreadingHTTPServer

PAGE_COUNT = 152
CHANNELS_PER_PAGE = 21
CHANNEL_COUNT = PAGE_COUNT * CHANNELS_PER_PAGE
DEFAULT_HOST = "tv.example"
CRLF = "\r\n"
CONTROL_PREFIX = "/__control/"

DATA_DIR = os.path.join(os.path.dirname(os.path.abspath(__file__)), "fixture_site")
THUMB_DIR = os.path.join(DATA_DIR, "thumbs")
DEMO_VIDEO = os.path.join(DATA_DIR, "demo.webm")

# A stalled response gives up after this long even if the client stays.
STALL_LIMIT = 300.0
# Delays are for tests and benchmarks; anything longer is a mistake.
MAX_DELAY = 3600.0
CHUNK = 64 * 1024
# Only control requests carry bodies worth reading, and those are small.
MAX_REQUEST_BODY = 16 * 1024 * 1024

# Made-up channel names. Several are longer than the strip's title links are
# wide, and the count (37) is prime to 21, so every page mixes them anew.
CHANNEL_NAMES = [
    "Первый городской",
    "Россия Спорт Арена",
    "Культура и жизнь",
    "Детский познавательный телеканал Радуга",
    "Новости круглосуточно",
    "Музыка Хиты",
    "Кино Премьера",
    "Домашний уют",
    "Охота и рыбалка",
    "Телеканал Путешествия вокруг света",
    "Звезда Севера",
    "Мир науки",
    "Вечерний Петербург",
    "Классика отечественного кинематографа",
    "Юмор ТВ",
    "Драйв Авто",
    "Здоровье и долголетие",
    "Сибирь Регион",
    "Московский деловой канал Капитал",
    "Ретро ТВ",
    "Мультики",
    "Доктор рядом",
    "Кухня без границ",
    "История Отечества",
    "Шансон",
    "Приключения и открытия",
    "Региональное телевидение Поволжья",
    "Спорт Экстрим",
    "Дача и огород",
    "Телемагазин",
    "Ёлки-Палки",
    "Живая природа",
    "Первый образовательный канал России",
    "Кавказ Сегодня",
    "Время джаза",
    "Уральский меридиан",
    "Театр у микрофона",
]

STATUS_BODY_FORMAT = "<html><body><h1>%d %s</h1></body></html>\r\n"


# ---------------------------------------------------------------------------
# Content


def ThumbHost(host):
    """An address literal cannot take a subdomain, so thumbnails then share it."""
    name = urllib.parse.urlsplit("http://" + host).hostname or host
    try:
        ipaddress.ip_address(name)
        return host
    except ValueError:
        pass
    return host if name == "localhost" else "img." + host


def ChannelTitle(channel_id):
    return "%s %d" % (CHANNEL_NAMES[channel_id % len(CHANNEL_NAMES)], channel_id + 1)


def CatalogueUrl(host, page):
    return "http://%s/ru/tv,channels?page=%d" % (host, page)


def ChannelUrl(host, channel_id):
    return "http://%s/ru/tv/channel-%d" % (host, channel_id)


def ThumbUrl(host, channel_id):
    return "http://%s/thumbs/%d.jpg" % (ThumbHost(host), channel_id)


def PageChannels(host, page):
    """(title, link, thumbnail address) of each channel of a page, in order."""
    first = page * CHANNELS_PER_PAGE
    return [(ChannelTitle(i), ChannelUrl(host, i), ThumbUrl(host, i))
            for i in range(first, first + CHANNELS_PER_PAGE)]


def JoinLines(lines):
    return (CRLF.join(lines) + CRLF).encode("utf-8")


@functools.lru_cache(maxsize=PAGE_COUNT + 8)
def CataloguePage(host, page):
    lines = [
        "<!DOCTYPE html>",
        '<html lang="ru">',
        "<head>",
        '<meta charset="utf-8">',
        "<title>Телеканалы онлайн — страница %d из %d</title>" % (page + 1, PAGE_COUNT),
        '<link rel="stylesheet" href="http://%s/static/site.css">' % host,
        "</head>",
        "<body>",
        '<div class="header"><a href="http://%s/ru/">Главная</a> | '
        '<a href="%s">Все каналы</a></div>' % (host, CatalogueUrl(host, 0)),
        "<h1>Смотреть телевизор онлайн</h1>",
        '<div class="grid">',
    ]
    for title, link, thumb in PageChannels(host, page):
        lines += [
            '<div class="grid_item">',
            '<div class="thumb" style="background-image: url(%s);"></div>' % thumb,
            '<div class="grid_title"><a href="%s">%s</a></div>' % (link, title),
            "</div>",
        ]
    pager = []
    if page > 0:
        pager.append('<a href="%s">&laquo; назад</a>' % CatalogueUrl(host, page - 1))
    pager.append("<span>%d</span>" % (page + 1))
    if page + 1 < PAGE_COUNT:
        pager.append('<a href="%s">вперёд &raquo;</a>' % CatalogueUrl(host, page + 1))
    lines += [
        "</div>",
        '<div class="pager">%s</div>' % " ".join(pager),
        '<div class="footer">&copy; Пример ТВ, все права защищены</div>',
        "</body>",
        "</html>",
    ]
    return JoinLines(lines)


def ChannelPage(host, channel_id):
    title = ChannelTitle(channel_id)
    player = ('<object type="application/x-shockwave-flash" '
              'data="http://%s/player/player.swf" width="590" height="330">'
              '<param name="flashvars" value="file=http://%s/video/demo.webm&title=%s">'
              "</object>" % (host, host, title))
    lines = [
        "<!DOCTYPE html>",
        '<html lang="ru">',
        "<head>",
        '<meta charset="utf-8">',
        "<title>%s — смотреть онлайн</title>" % title,
        "</head>",
        "<body>",
        "<h1>%s</h1>" % title,
        '<div class="player">',
        player,
        "</div>",
        "<p>Прямой эфир телеканала «%s» бесплатно и без регистрации.</p>" % title,
        '<p><a href="%s">Вернуться к списку каналов</a></p>'
        % CatalogueUrl(host, channel_id // CHANNELS_PER_PAGE),
        "</body>",
        "</html>",
    ]
    return JoinLines(lines)


@functools.lru_cache(maxsize=None)
def ThumbPictures():
    names = sorted(n for n in os.listdir(THUMB_DIR) if n.endswith(".jpg"))
    pictures = []
    for name in names:
        with open(os.path.join(THUMB_DIR, name), "rb") as f:
            pictures.append(f.read())
    if not pictures:
        raise RuntimeError("no thumbnails in " + THUMB_DIR)
    return tuple(pictures)


def ParseIndex(text, limit):
    """A canonical decimal below limit ("0", "17"; not "017", "+1", " 1"), else None."""
    if not text.isascii() or not text.isdigit() or (len(text) > 1 and text[0] == "0"):
        return None
    value = int(text)
    return value if value < limit else None


# ---------------------------------------------------------------------------
# Responses


class Response:
    """What to send for one request: status, headers and where the body comes from."""

    def __init__(self, status, content_type="text/html; charset=utf-8", body=b""):
        self.status = status
        self.content_type = content_type
        self.body = body            # bytes, unless body_file or body_size is set
        self.body_file = None
        self.body_size = None
        self.location = None
        self.delay = 0.0
        self.stall_after = None
        self.reset_after = None

    def Length(self):
        if self.body_size is not None:
            return self.body_size
        if self.body_file is not None:
            return os.path.getsize(self.body_file)
        return len(self.body)

    def Chunks(self):
        if self.body_size is not None:
            line = b"filler bytes for a large download, nothing to see here.....\r\n"
            block = line * (CHUNK // len(line) + 1)
            left = self.body_size
            while left > 0:
                piece = block[:min(left, len(block))]
                left -= len(piece)
                yield piece
        elif self.body_file is not None:
            with open(self.body_file, "rb") as f:
                while True:
                    piece = f.read(CHUNK)
                    if not piece:
                        return
                    yield piece
        else:
            view = memoryview(self.body)
            for start in range(0, len(view), CHUNK):
                yield view[start:start + CHUNK]


def StatusResponse(status):
    try:
        phrase = HTTPStatus(status).phrase
    except ValueError:
        phrase = ""
    return Response(status, body=(STATUS_BODY_FORMAT % (status, phrase)).encode("utf-8"))


def BodylessStatus(status):
    return status < 200 or status in (204, 304)


# ---------------------------------------------------------------------------
# Overrides


OVERRIDE_FIELDS = {
    "url": str, "prefix": str, "status": int, "body_b64": str, "body_file": str,
    "body_size": int, "content_type": str, "delay": (int, float),
    "stall_after": int, "reset_after": int, "redirect": str, "times": int,
}


def IsSeconds(value):
    return (isinstance(value, (int, float)) and not isinstance(value, bool)
            and 0 <= value <= MAX_DELAY)


def CheckOverride(fields):
    """Returns an error text, or None when the override can be applied."""
    if not isinstance(fields, dict):
        return "an override is a JSON object"
    for key, value in fields.items():
        kind = OVERRIDE_FIELDS.get(key)
        if kind is None:
            return "unknown field %r" % key
        if isinstance(value, bool) or not isinstance(value, kind):
            return "field %r has the wrong type" % key
    if ("url" in fields) == ("prefix" in fields):
        return "give exactly one of 'url' and 'prefix'"
    if sum(k in fields for k in ("body_b64", "body_file", "body_size", "redirect")) > 1:
        return "give at most one of 'body_b64', 'body_file', 'body_size', 'redirect'"
    if "stall_after" in fields and "reset_after" in fields:
        return "give at most one of 'stall_after' and 'reset_after'"
    if "status" in fields and not 200 <= fields["status"] <= 599:
        return "status must lie in 200..599"
    for key in ("body_size", "stall_after", "reset_after"):
        if fields.get(key, 0) < 0:
            return "%r must not be negative" % key
    if not IsSeconds(fields.get("delay", 0)):
        return "'delay' must be a number of seconds, at most %g" % MAX_DELAY
    if fields.get("times", 1) < 1:
        return "'times' must be at least 1"
    if "body_b64" in fields:
        try:
            base64.b64decode(fields["body_b64"], validate=True)
        except ValueError:
            return "'body_b64' is not base64"
    if "body_file" in fields and not os.path.isfile(fields["body_file"]):
        return "no file %r" % fields["body_file"]
    return None


def ApplyOverride(fields, normal):
    """The response an override makes of the site's normal one."""
    if "redirect" in fields:
        response = StatusResponse(fields.get("status", 302))
        response.location = fields["redirect"]
    elif "body_b64" in fields or "body_file" in fields or "body_size" in fields:
        response = Response(fields.get("status", 200), "application/octet-stream")
        if "body_b64" in fields:
            response.body = base64.b64decode(fields["body_b64"])
        elif "body_file" in fields:
            response.body_file = fields["body_file"]
        else:
            response.body_size = fields["body_size"]
    elif "status" in fields and not 200 <= fields["status"] < 300:
        # A failure status without a body of its own would look odd with a
        # catalogue page in it; real servers send a short error page.
        response = StatusResponse(fields["status"])
    else:
        response = normal
        if "status" in fields:
            response.status = fields["status"]
    if "content_type" in fields:
        response.content_type = fields["content_type"]
    response.delay = float(fields.get("delay", 0))
    response.stall_after = fields.get("stall_after")
    response.reset_after = fields.get("reset_after")
    return response


# ---------------------------------------------------------------------------
# Server


class FixtureServer(ThreadingHTTPServer):
    daemon_threads = True
    request_queue_size = 128

    def __init__(self, port, host, quiet):
        self.site_host = host.lower()
        self.quiet = quiet
        self.stopping = threading.Event()
        self.lock = threading.Lock()
        self.overrides = []         # newest last; each a dict of fields
        self.delay_all = 0.0
        self.log = []
        self.connections = 0
        super().__init__(("127.0.0.1", port), Handler)
        self.port = self.server_address[1]
        ThumbPictures()

    def server_bind(self):
        # The stock bind looks the address up in DNS for a name nobody reads.
        socketserver.TCPServer.server_bind(self)
        self.server_name, self.server_port = self.server_address[:2]

    def NextConnectionId(self):
        with self.lock:
            self.connections += 1
            return self.connections

    def KnownHosts(self):
        hosts = {self.site_host, ThumbHost(self.site_host)}
        for name in ("127.0.0.1", "localhost"):
            hosts.add("%s:%d" % (name, self.port))
        return hosts

    def TakeOverride(self, url):
        """The newest override matching url, used up once when it has 'times'."""
        with self.lock:
            for index in range(len(self.overrides) - 1, -1, -1):
                fields = self.overrides[index]
                if fields.get("url") == url or (
                        "prefix" in fields and url.startswith(fields["prefix"])):
                    if "times" in fields:
                        fields["times"] -= 1
                        if fields["times"] == 0:
                            del self.overrides[index]
                    return dict(fields)
            return None

    def Record(self, entry, **changes):
        with self.lock:
            entry.update(changes)

    def NormalResponse(self, path, query):
        host = self.site_host
        if path == "/ru/tv,channels" and query.startswith("page="):
            page = ParseIndex(query[len("page="):], PAGE_COUNT)
            if page is not None:
                return Response(200, body=CataloguePage(host, page))
        elif path.startswith("/ru/tv/channel-") and not query:
            channel = ParseIndex(path[len("/ru/tv/channel-"):], CHANNEL_COUNT)
            if channel is not None:
                return Response(200, body=ChannelPage(host, channel))
        elif path.startswith("/thumbs/") and path.endswith(".jpg") and not query:
            channel = ParseIndex(path[len("/thumbs/"):-len(".jpg")], CHANNEL_COUNT)
            if channel is not None:
                pictures = ThumbPictures()
                return Response(200, "image/jpeg", pictures[channel % len(pictures)])
        elif path == "/video/demo.webm" and os.path.isfile(DEMO_VIDEO):
            response = Response(200, "video/webm")
            response.body_file = DEMO_VIDEO
            return response
        return StatusResponse(404)


class Handler(BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    server_version = "FixtureSite/1.0"
    # Idle keep-alive connections are dropped after this long.
    timeout = 120
    # Headers and body go out in separate writes; with Nagle's algorithm the
    # body would wait for the client's delayed ACK on every reused connection.
    disable_nagle_algorithm = True

    def setup(self):
        super().setup()
        self.connection_id = self.server.NextConnectionId()

    def log_message(self, format, *args):
        if not self.server.quiet:
            sys.stderr.write("fixture site: %s\n" % (format % args))

    def do_GET(self):
        self.Serve()

    def do_HEAD(self):
        self.Serve()

    def do_POST(self):
        self.Serve()

    def do_CONNECT(self):
        self.Serve()

    # -- dispatch ----------------------------------------------------------

    def Serve(self):
        request_body = self.ReadRequestBody()
        if request_body is None:
            return
        if self.path.startswith(CONTROL_PREFIX):
            self.ServeControl(request_body)
        else:
            self.ServeSite()

    def ReadRequestBody(self):
        if self.headers.get("Transfer-Encoding", "").lower() not in ("", "identity"):
            self.close_connection = True
            self.SendSimple(StatusResponse(411))
            return None
        try:
            length = int(self.headers.get("Content-Length", "0"))
        except ValueError:
            length = -1
        if length < 0 or length > MAX_REQUEST_BODY:
            self.close_connection = True
            self.SendSimple(StatusResponse(400 if length < 0 else 413))
            return None
        return self.rfile.read(length) if length else b""

    def RequestUrl(self):
        """The absolute address asked for; origin form is completed from Host."""
        if self.path.startswith("/"):
            return "http://%s%s" % (self.headers.get("Host", self.server.site_host), self.path)
        return self.path

    def ServeSite(self):
        url = self.RequestUrl()
        entry = {"url": url, "method": self.command, "start": time.monotonic(),
                 "end": None, "status": None, "bytes": 0,
                 "peer_port": self.client_address[1], "connection_id": self.connection_id}
        with self.server.lock:
            self.server.log.append(entry)
            delay_all = self.server.delay_all

        if self.command == "CONNECT":
            # No tunnels: the site only ever answers plain HTTP itself.
            response = StatusResponse(405)
            self.close_connection = True
        else:
            normal = self.Route(url)
            fields = self.server.TakeOverride(url)
            response = ApplyOverride(fields, normal) if fields else normal
            if response.body_file is not None and not os.path.isfile(response.body_file):
                response = StatusResponse(500)

        if self.server.stopping.wait(delay_all + response.delay):
            self.close_connection = True
            self.server.Record(entry, end=time.monotonic())
            return
        try:
            self.SendResponse(response, entry)
        except OSError:
            # The client went away; the log keeps what was sent until then.
            self.close_connection = True
        self.server.Record(entry, end=time.monotonic())

    def Route(self, url):
        try:
            parts = urllib.parse.urlsplit(url)
        except ValueError:
            return StatusResponse(404)
        netloc = parts.netloc.lower()
        if netloc.endswith(":80"):
            netloc = netloc[:-3]
        origin_form = self.path.startswith("/")
        if parts.scheme != "http" or not (origin_form or netloc in self.server.KnownHosts()):
            return StatusResponse(404)
        return self.server.NormalResponse(parts.path, parts.query)

    # -- sending -------------------------------------------------------------

    def SendHeaders(self, response, length):
        self.send_response(response.status)
        if not BodylessStatus(response.status):
            self.send_header("Content-Type", response.content_type)
        self.send_header("Content-Length", str(length))
        if response.location is not None:
            self.send_header("Location", response.location)
        if self.close_connection:
            self.send_header("Connection", "close")
        self.end_headers()

    def SendSimple(self, response):
        self.SendHeaders(response, len(response.body))
        if self.command != "HEAD":
            self.wfile.write(response.body)

    def SendResponse(self, response, entry):
        length = 0 if BodylessStatus(response.status) else response.Length()
        self.SendHeaders(response, length)
        self.server.Record(entry, status=response.status)
        limit = response.stall_after if response.stall_after is not None else response.reset_after
        sent = 0
        for piece in response.Chunks() if self.command != "HEAD" and length else ():
            if limit is not None:
                piece = piece[:limit - sent]
            if piece:
                self.wfile.write(piece)
                sent += len(piece)
                self.server.Record(entry, bytes=sent)
            if limit is not None and sent >= limit:
                break
        if response.stall_after is not None:
            self.Stall()
        elif response.reset_after is not None:
            self.Reset()

    def Stall(self):
        """Hangs, sending nothing, until the client goes away or the limit passes."""
        self.close_connection = True
        deadline = time.monotonic() + STALL_LIMIT
        while not self.server.stopping.is_set():
            left = deadline - time.monotonic()
            if left <= 0:
                return
            readable, _, _ = select.select([self.connection], [], [], min(left, 0.2))
            if readable:
                try:
                    if not self.connection.recv(CHUNK):
                        return
                except OSError:
                    return

    def Reset(self):
        """Drops the connection with a TCP reset instead of an orderly close."""
        self.close_connection = True
        self.connection.setsockopt(socket.SOL_SOCKET, socket.SO_LINGER, struct.pack("ii", 1, 0))
        self.connection.close()

    # -- control ---------------------------------------------------------------

    def ServeControl(self, request_body):
        action = self.path[len(CONTROL_PREFIX):]
        try:
            fields = json.loads(request_body.decode("utf-8")) if request_body else {}
        except (UnicodeDecodeError, ValueError):
            return self.SendJson(400, {"error": "the request body is not JSON"})
        server = self.server
        if action == "log" and self.command == "GET":
            with server.lock:
                log = [dict(e) for e in server.log]
            return self.SendJson(200, log)
        if self.command != "POST":
            return self.SendJson(404, {"error": "unknown control request"})
        if action == "override":
            error = CheckOverride(fields)
            if error:
                return self.SendJson(400, {"error": error})
            with server.lock:
                server.overrides.append(dict(fields))
            return self.SendJson(200, {"ok": True})
        if action == "delay_all":
            delay = fields.get("delay") if isinstance(fields, dict) else None
            if not IsSeconds(delay):
                return self.SendJson(400, {"error": "'delay' must be a number of seconds"})
            with server.lock:
                server.delay_all = float(delay)
            return self.SendJson(200, {"ok": True})
        if action == "reset":
            with server.lock:
                server.overrides.clear()
                server.delay_all = 0.0
                server.log.clear()
            return self.SendJson(200, {"ok": True})
        return self.SendJson(404, {"error": "unknown control request"})

    def SendJson(self, status, value):
        response = Response(status, "application/json; charset=utf-8",
                            json.dumps(value, ensure_ascii=False).encode("utf-8"))
        self.SendSimple(response)


# ---------------------------------------------------------------------------
# Command line


def WritePortFile(path, port):
    """Written whole or not at all, so a reader polling for it never sees half."""
    directory = os.path.dirname(os.path.abspath(path))
    temporary = os.path.join(directory, ".%s.%d.tmp" % (os.path.basename(path), os.getpid()))
    try:
        with open(temporary, "w") as f:
            f.write("%d\n" % port)
        os.replace(temporary, path)
    except OSError:
        if os.path.exists(temporary):
            os.remove(temporary)
        raise


class StopSignal(Exception):
    pass


def RaiseStopSignal(number, frame):
    raise StopSignal()


def HostArgument(text):
    """A host name with an optional port, as it stands in an address."""
    try:
        parts = urllib.parse.urlsplit("http://" + text)
        parts.port
    except ValueError:
        parts = None
    if not parts or not parts.hostname or parts.netloc != text or any(c.isspace() for c in text):
        raise argparse.ArgumentTypeError("not a host name: %r" % text)
    return text


def ParseArguments(argv):
    parser = argparse.ArgumentParser(description="Sample TV catalogue on loopback.")
    parser.add_argument("--port", type=int, default=0, help="0 picks a free port")
    parser.add_argument("--port-file", help="write the port number to this file")
    parser.add_argument("--host", type=HostArgument, default=DEFAULT_HOST,
                        help="catalogue host named in the pages (default %(default)s)")
    parser.add_argument("--quiet", action="store_true", help="do not log each request")
    return parser.parse_args(argv)


def main(argv=None):
    args = ParseArguments(argv)
    stop_signals = {signal.SIGTERM, signal.SIGINT}
    # Held back until the port is announced: a stop request that comes early
    # must neither leave a half-written port file nor hit a thread that does
    # not handle it. Threads started meanwhile keep them blocked for good, so
    # they always reach the main thread, which only sleeps.
    signal.pthread_sigmask(signal.SIG_BLOCK, stop_signals)
    for number in stop_signals:
        signal.signal(number, RaiseStopSignal)
    try:
        server = FixtureServer(args.port, args.host, args.quiet)
    except OSError as error:
        print("fixture site: cannot listen on 127.0.0.1:%d: %s" % (args.port, error),
              file=sys.stderr)
        return 1
    # serve_forever runs on its own thread because shutdown() waits for it.
    serving = threading.Thread(target=server.serve_forever, args=(0.1,), name="serve",
                               daemon=True)
    serving.start()
    print("fixture site listening on 127.0.0.1:%d" % server.port, flush=True)
    status = 0
    try:
        if args.port_file:
            WritePortFile(args.port_file, server.port)
        signal.pthread_sigmask(signal.SIG_UNBLOCK, stop_signals)
        while True:
            time.sleep(3600)
    except StopSignal:
        pass
    except OSError as error:
        print("fixture site: cannot write the port file: %s" % error, file=sys.stderr)
        status = 1
    for number in stop_signals:
        signal.signal(number, signal.SIG_IGN)
    server.stopping.set()
    server.shutdown()
    server.server_close()
    return status


if __name__ == "__main__":
    sys.exit(main())
