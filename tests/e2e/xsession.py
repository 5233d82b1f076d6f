"""A private X server for one test run, screenshots of it, and input to it.

Xvfb picks a free display itself (-displayfd), so runs in parallel never
share one. Screenshots come straight from the server through libX11
(XGetImage), which is fast enough to catch the game's animations. Input goes
through xdotool, that is through the XTEST extension, as a real mouse and
keyboard would.
"""

import ctypes
import os
import select
import signal
import subprocess
import time

from PIL import Image

_libc = ctypes.CDLL("libc.so.6", use_errno=True)
PR_SET_PDEATHSIG = 1


def die_with_parent():
    """preexec_fn: the child gets SIGKILL when this script dies, however it
    dies (even by SIGKILL, which no cleanup code can catch)."""
    _libc.prctl(PR_SET_PDEATHSIG, signal.SIGKILL)


class XImage(ctypes.Structure):
    # The leading fields of Xlib's XImage, as far as they are read here.
    _fields_ = [("width", ctypes.c_int), ("height", ctypes.c_int),
                ("xoffset", ctypes.c_int), ("format", ctypes.c_int),
                ("data", ctypes.c_void_p), ("byte_order", ctypes.c_int),
                ("bitmap_unit", ctypes.c_int), ("bitmap_bit_order", ctypes.c_int),
                ("bitmap_pad", ctypes.c_int), ("depth", ctypes.c_int),
                ("bytes_per_line", ctypes.c_int), ("bits_per_pixel", ctypes.c_int)]


ZPIXMAP = 2
ALL_PLANES = ctypes.c_ulong(~0 & 0xFFFFFFFFFFFFFFFF)


class XServer:
    """Xvfb on a display number of its own choosing, at 24-bit depth."""

    def __init__(self, width, height, timeout=30):
        read_end, write_end = os.pipe()
        try:
            self.process = subprocess.Popen(
                ["Xvfb", "-displayfd", str(write_end), "-screen", "0",
                 "%dx%dx24" % (width, height), "-nolisten", "tcp", "-noreset"],
                pass_fds=(write_end,), stdout=subprocess.DEVNULL,
                stderr=subprocess.DEVNULL, preexec_fn=die_with_parent)
            os.close(write_end)
            write_end = -1
            number = b""
            deadline = time.monotonic() + timeout
            while not number.endswith(b"\n"):
                left = deadline - time.monotonic()
                if left <= 0 or not select.select([read_end], [], [], left)[0]:
                    raise RuntimeError("Xvfb did not report its display within %ds" % timeout)
                chunk = os.read(read_end, 16)
                if not chunk:
                    raise RuntimeError("Xvfb exited before reporting its display (code %s)"
                                       % self.process.poll())
                number += chunk
        finally:
            os.close(read_end)
            if write_end >= 0:
                os.close(write_end)
        self.display = ":" + number.decode().strip()
        self._xlib = None
        self._connection = None

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        env.pop("XAUTHORITY", None)
        return env

    def _connect(self):
        if self._connection is None:
            xlib = ctypes.CDLL("libX11.so.6")
            xlib.XOpenDisplay.restype = ctypes.c_void_p
            xlib.XOpenDisplay.argtypes = [ctypes.c_char_p]
            xlib.XDefaultRootWindow.restype = ctypes.c_ulong
            xlib.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
            xlib.XGetImage.restype = ctypes.POINTER(XImage)
            xlib.XGetImage.argtypes = [ctypes.c_void_p, ctypes.c_ulong, ctypes.c_int,
                                       ctypes.c_int, ctypes.c_uint, ctypes.c_uint,
                                       ctypes.c_ulong, ctypes.c_int]
            xlib.XDestroyImage.argtypes = [ctypes.POINTER(XImage)]
            xlib.XCloseDisplay.argtypes = [ctypes.c_void_p]
            connection = xlib.XOpenDisplay(self.display.encode())
            if not connection:
                raise RuntimeError("cannot connect to the X server at %s" % self.display)
            self._xlib, self._connection = xlib, connection
        return self._xlib, self._connection

    def grab(self, x, y, width, height):
        """The screen rectangle as an RGB image. The rectangle must lie on the
        screen: the root window always can be read, whatever the game does."""
        xlib, connection = self._connect()
        root = xlib.XDefaultRootWindow(connection)
        ximage = xlib.XGetImage(connection, root, x, y, width, height, ALL_PLANES, ZPIXMAP)
        if not ximage:
            raise RuntimeError("XGetImage failed")
        try:
            info = ximage.contents
            if info.bits_per_pixel != 32:
                raise RuntimeError("screen has %d bits per pixel, expected 32" % info.bits_per_pixel)
            data = ctypes.string_at(info.data, info.bytes_per_line * height)
            return Image.frombuffer("RGB", (width, height), data, "raw", "BGRX",
                                    info.bytes_per_line, 1).copy()
        finally:
            xlib.XDestroyImage(ximage)

    def xdotool(self, *args, check=True, timeout=20):
        """Runs xdotool on this display and returns its standard output; with
        `check`, a failure is an error."""
        command = " ".join(map(str, args))
        try:
            done = subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(),
                                  capture_output=True, text=True, timeout=timeout)
        except subprocess.TimeoutExpired:
            raise RuntimeError("xdotool %s did not finish within %ds" % (command, timeout))
        if check and done.returncode != 0:
            raise RuntimeError("xdotool %s failed (%d): %s" % (command, done.returncode, done.stderr.strip()))
        return done.stdout

    def stop(self):
        if self._connection is not None:
            self._xlib.XCloseDisplay(self._connection)
            self._connection = None
        if self.process.poll() is None:
            self.process.kill()
        self.process.wait()
