"""Sends a window manager's _NET_WM_PING to a window and times the answer, as GNOME's mutter and KDE's
KWin do to grey out a window that does not respond. Plain Xlib through ctypes: no module to install.
"""
import ctypes, select, time  # noqa: E401

X = ctypes.cdll.LoadLibrary("libX11.so.6")
DISPLAY, WINDOW = ctypes.c_void_p, ctypes.c_ulong  # Display *, and Window or Atom
for name, result, *arguments in (
        ("XOpenDisplay", DISPLAY, ctypes.c_char_p), ("XDefaultRootWindow", WINDOW, DISPLAY),
        ("XSelectInput", ctypes.c_int, DISPLAY, WINDOW, ctypes.c_long),
        ("XInternAtom", WINDOW, DISPLAY, ctypes.c_char_p, ctypes.c_int),
        ("XSendEvent", ctypes.c_int, DISPLAY, WINDOW, ctypes.c_int, ctypes.c_long, ctypes.c_void_p),
        ("XFlush", ctypes.c_int, DISPLAY), ("XPending", ctypes.c_int, DISPLAY),
        ("XNextEvent", ctypes.c_int, DISPLAY, ctypes.c_void_p), ("XConnectionNumber", ctypes.c_int, DISPLAY),
        ("XCloseDisplay", ctypes.c_int, DISPLAY)):
    getattr(X, name).restype, getattr(X, name).argtypes = result, arguments
CLIENT_MESSAGE, SUBSTRUCTURE_NOTIFY, SUBSTRUCTURE_REDIRECT = 33, 1 << 19, 1 << 20


class ClientMessage(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", ctypes.c_ulong), ("message_type", ctypes.c_ulong),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5), ("pad", ctypes.c_long * 12)]


def ping(window, timeout=10.0, display_name=None):
    """Seconds until the window's client answers a ping, or None within timeout."""
    display = X.XOpenDisplay(display_name and display_name.encode())
    assert display, "cannot open display %s" % display_name
    root = X.XDefaultRootWindow(display)
    X.XSelectInput(display, root, SUBSTRUCTURE_NOTIFY)  # the answer goes to the root window
    protocols, net_ping = X.XInternAtom(display, b"WM_PROTOCOLS", 0), X.XInternAtom(display, b"_NET_WM_PING", 0)
    stamp = int(time.monotonic() * 1000) & 0xFFFFFFFF
    event = ClientMessage(type=CLIENT_MESSAGE, window=window, message_type=protocols, format=32)
    event.data[:3] = [net_ping, stamp, window]
    begun = time.monotonic()
    X.XSendEvent(display, window, 0, 0, ctypes.byref(event))
    X.XFlush(display)
    answer = ClientMessage()
    try:
        while time.monotonic() - begun < timeout:
            while X.XPending(display):
                X.XNextEvent(display, ctypes.byref(answer))
                if answer.type == CLIENT_MESSAGE and answer.data[0] == net_ping and answer.data[1] == stamp:
                    return time.monotonic() - begun
            select.select([X.XConnectionNumber(display)], [], [], 0.01)
        return None
    finally:
        X.XCloseDisplay(display)
