"""Fast looks at an X server for the desktop benchmarks, through Xlib and the
XTest extension by ctypes (Python standard library only).

Screenshots through ImageMagick take tens of milliseconds each, too coarse
to time a repaint; one XGetImage of a small rectangle takes well under one.

    probe = XProbe(display)
    window = probe.find_client(pid)          # top-level window of a process
    x, y = probe.origin(window)              # its client area on the screen
    pixels = probe.grab(x, y, 170, 96)       # bytes, R G B per pixel
    probe.wheel(x, y, +1)                    # one notch down
"""

import ctypes
import ctypes.util

_x11 = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
_xtst = ctypes.CDLL(ctypes.util.find_library("Xtst") or "libXtst.so.6")

Window = ctypes.c_ulong
Atom = ctypes.c_ulong
ALL_PLANES = ctypes.c_ulong(0xFFFFFFFF)
Z_PIXMAP = 2
IS_VIEWABLE = 2
ANY_PROPERTY_TYPE = 0


class XImage(ctypes.Structure):
    # Only the leading fields are read; the structure is never built here.
    _fields_ = [
        ("width", ctypes.c_int), ("height", ctypes.c_int), ("xoffset", ctypes.c_int),
        ("format", ctypes.c_int), ("data", ctypes.POINTER(ctypes.c_ubyte)),
        ("byte_order", ctypes.c_int), ("bitmap_unit", ctypes.c_int),
        ("bitmap_bit_order", ctypes.c_int), ("bitmap_pad", ctypes.c_int),
        ("depth", ctypes.c_int), ("bytes_per_line", ctypes.c_int),
        ("bits_per_pixel", ctypes.c_int),
    ]


class XWindowAttributes(ctypes.Structure):
    _fields_ = [
        ("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int),
        ("height", ctypes.c_int), ("border_width", ctypes.c_int), ("depth", ctypes.c_int),
        ("visual", ctypes.c_void_p), ("root", Window), ("class_", ctypes.c_int),
        ("bit_gravity", ctypes.c_int), ("win_gravity", ctypes.c_int),
        ("backing_store", ctypes.c_int), ("backing_planes", ctypes.c_ulong),
        ("backing_pixel", ctypes.c_ulong), ("save_under", ctypes.c_int),
        ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
        ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
        ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
        ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p),
    ]


_x11.XOpenDisplay.restype = ctypes.c_void_p
_x11.XOpenDisplay.argtypes = [ctypes.c_char_p]
_x11.XCloseDisplay.argtypes = [ctypes.c_void_p]
_x11.XDefaultRootWindow.restype = Window
_x11.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
_x11.XInternAtom.restype = Atom
_x11.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
_x11.XGetWindowProperty.argtypes = [
    ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int, Atom,
    ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int), ctypes.POINTER(ctypes.c_ulong),
    ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_void_p)]
_x11.XFree.argtypes = [ctypes.c_void_p]
_x11.XGetImage.restype = ctypes.POINTER(XImage)
_x11.XGetImage.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_int, ctypes.c_uint,
                           ctypes.c_uint, ctypes.c_ulong, ctypes.c_int]
_x11.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
_x11.XTranslateCoordinates.argtypes = [
    ctypes.c_void_p, Window, Window, ctypes.c_int, ctypes.c_int, ctypes.POINTER(ctypes.c_int),
    ctypes.POINTER(ctypes.c_int), ctypes.POINTER(Window)]
_x11.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
_x11.XSync.argtypes = [ctypes.c_void_p, ctypes.c_int]
_x11.XFlush.argtypes = [ctypes.c_void_p]
_x11.XSetErrorHandler.restype = ctypes.c_void_p
_xtst.XTestFakeButtonEvent.argtypes = [ctypes.c_void_p, ctypes.c_uint, ctypes.c_int, ctypes.c_ulong]
_xtst.XTestFakeMotionEvent.argtypes = [ctypes.c_void_p, ctypes.c_int, ctypes.c_int, ctypes.c_int,
                                       ctypes.c_ulong]

# A window can vanish between two requests; Xlib's default handler would end
# the process for that.
_ERROR_HANDLER = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)(lambda d, e: 0)
_x11.XSetErrorHandler(_ERROR_HANDLER)


class XProbeError(RuntimeError):
    pass


class XProbe:
    def __init__(self, display):
        self.display = _x11.XOpenDisplay(display.encode())
        if not self.display:
            raise XProbeError("cannot open display %s" % display)
        self.root = _x11.XDefaultRootWindow(self.display)
        self._client_list = _x11.XInternAtom(self.display, b"_NET_CLIENT_LIST", 0)
        self._wm_pid = _x11.XInternAtom(self.display, b"_NET_WM_PID", 0)

    def close(self):
        if self.display:
            _x11.XCloseDisplay(self.display)
            self.display = None

    def _cardinals(self, window, atom):
        kind, fmt = Atom(), ctypes.c_int()
        count, after = ctypes.c_ulong(), ctypes.c_ulong()
        data = ctypes.c_void_p()
        status = _x11.XGetWindowProperty(self.display, window, atom, 0, 4096, 0, ANY_PROPERTY_TYPE,
                                         ctypes.byref(kind), ctypes.byref(fmt), ctypes.byref(count),
                                         ctypes.byref(after), ctypes.byref(data))
        if status != 0 or not data.value:
            return []
        try:
            if fmt.value != 32:
                return []
            # Format 32 comes as C longs.
            return list(ctypes.cast(data, ctypes.POINTER(ctypes.c_ulong))[:count.value])
        finally:
            _x11.XFree(data)

    def find_client(self, pid):
        """The viewable top-level window the window manager lists for pid, or None."""
        for window in self._cardinals(self.root, self._client_list):
            if pid in self._cardinals(window, self._wm_pid) and self.viewable(window):
                return window
        return None

    def viewable(self, window):
        attributes = XWindowAttributes()
        if not _x11.XGetWindowAttributes(self.display, window, ctypes.byref(attributes)):
            return False
        return attributes.map_state == IS_VIEWABLE

    def origin(self, window):
        """Screen position of the window's client area."""
        x, y, child = ctypes.c_int(), ctypes.c_int(), Window()
        _x11.XTranslateCoordinates(self.display, window, self.root, 0, 0, ctypes.byref(x),
                                   ctypes.byref(y), ctypes.byref(child))
        return x.value, y.value

    def grab_raw(self, x, y, width, height):
        """The server's own bytes for a rectangle (B G R X per pixel): the
        cheapest thing to compare with an earlier grab of the same place."""
        image = _x11.XGetImage(self.display, self.root, x, y, width, height, ALL_PLANES, Z_PIXMAP)
        if not image:
            raise XProbeError("XGetImage failed for %d,%d %dx%d" % (x, y, width, height))
        try:
            info = image.contents
            if info.bits_per_pixel != 32 or info.bytes_per_line != width * 4:
                raise XProbeError("unexpected image layout: %d bits, %d bytes a row"
                                  % (info.bits_per_pixel, info.bytes_per_line))
            return ctypes.string_at(info.data, info.bytes_per_line * height)
        finally:
            _x11.XDestroyImage(image)

    def grab(self, x, y, width, height):
        """The screen's pixels of a rectangle as bytes, R G B, row by row."""
        raw = self.grab_raw(x, y, width, height)
        out = bytearray(width * height * 3)
        row_bytes = width * 4
        for row in range(height):
            line = raw[row * row_bytes:(row + 1) * row_bytes]
            # Little-endian B G R X.
            out[row * width * 3 + 0:(row + 1) * width * 3:3] = line[2::4]
            out[row * width * 3 + 1:(row + 1) * width * 3:3] = line[1::4]
            out[row * width * 3 + 2:(row + 1) * width * 3:3] = line[0::4]
        return bytes(out)

    def pixel(self, x, y):
        return tuple(self.grab(x, y, 1, 1))

    def move(self, x, y):
        _xtst.XTestFakeMotionEvent(self.display, -1, x, y, 0)
        _x11.XSync(self.display, 0)

    def wheel(self, notches):
        """Turns the wheel where the pointer is; positive notches scroll down."""
        button = 5 if notches > 0 else 4
        for _ in range(abs(notches)):
            _xtst.XTestFakeButtonEvent(self.display, button, 1, 0)
            _xtst.XTestFakeButtonEvent(self.display, button, 0, 0)
        _x11.XFlush(self.display)

    def click(self, button=1):
        _xtst.XTestFakeButtonEvent(self.display, button, 1, 0)
        _xtst.XTestFakeButtonEvent(self.display, button, 0, 0)
        _x11.XFlush(self.display)
