#!/usr/bin/env python3
"""Asks the shown top-level windows of one process to close, as a window
manager's close button would (a WM_DELETE_WINDOW message), so that the
program ends the normal way and writes what it writes at exit.

Usage: close_x_windows.py PID      (DISPLAY names the X server)
Exit status: 0 a window was asked, 1 none of the process was found.
"""
import ctypes
import ctypes.util
import sys

Window = Atom = ctypes.c_ulong


class XClientMessageEvent(ctypes.Structure):
    _fields_ = [("type", ctypes.c_int), ("serial", ctypes.c_ulong), ("send_event", ctypes.c_int),
                ("display", ctypes.c_void_p), ("window", Window), ("message_type", Atom),
                ("format", ctypes.c_int), ("data", ctypes.c_long * 5)]


class XEvent(ctypes.Union):
    _fields_ = [("xclient", XClientMessageEvent), ("pad", ctypes.c_long * 24)]


class XWindowAttributes(ctypes.Structure):
    # Only map_state is read; the fields before it fix its place.
    _fields_ = [("x", ctypes.c_int), ("y", ctypes.c_int), ("width", ctypes.c_int), ("height", ctypes.c_int),
                ("border_width", ctypes.c_int), ("depth", ctypes.c_int), ("visual", ctypes.c_void_p),
                ("root", Window), ("class_", ctypes.c_int), ("bit_gravity", ctypes.c_int),
                ("win_gravity", ctypes.c_int), ("backing_store", ctypes.c_int),
                ("backing_planes", ctypes.c_ulong), ("backing_pixel", ctypes.c_ulong),
                ("save_under", ctypes.c_int), ("colormap", ctypes.c_ulong), ("map_installed", ctypes.c_int),
                ("map_state", ctypes.c_int), ("all_event_masks", ctypes.c_long),
                ("your_event_mask", ctypes.c_long), ("do_not_propagate_mask", ctypes.c_long),
                ("override_redirect", ctypes.c_int), ("screen", ctypes.c_void_p)]


CLIENT_MESSAGE, IS_VIEWABLE, XA_CARDINAL = 33, 2, 6


def main() -> int:
    if len(sys.argv) != 2:
        print(__doc__, file=sys.stderr)
        return 2
    pid = int(sys.argv[1])
    x = ctypes.CDLL(ctypes.util.find_library("X11") or "libX11.so.6")
    x.XOpenDisplay.restype = ctypes.c_void_p
    x.XOpenDisplay.argtypes = [ctypes.c_char_p]
    x.XDefaultRootWindow.restype = Window
    x.XDefaultRootWindow.argtypes = [ctypes.c_void_p]
    x.XInternAtom.restype = Atom
    x.XInternAtom.argtypes = [ctypes.c_void_p, ctypes.c_char_p, ctypes.c_int]
    x.XQueryTree.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(Window), ctypes.POINTER(Window),
                             ctypes.POINTER(ctypes.POINTER(Window)), ctypes.POINTER(ctypes.c_uint)]
    x.XGetWindowProperty.argtypes = [ctypes.c_void_p, Window, Atom, ctypes.c_long, ctypes.c_long, ctypes.c_int,
                                     Atom, ctypes.POINTER(Atom), ctypes.POINTER(ctypes.c_int),
                                     ctypes.POINTER(ctypes.c_ulong), ctypes.POINTER(ctypes.c_ulong),
                                     ctypes.POINTER(ctypes.c_void_p)]
    x.XGetWindowAttributes.argtypes = [ctypes.c_void_p, Window, ctypes.POINTER(XWindowAttributes)]
    x.XSendEvent.argtypes = [ctypes.c_void_p, Window, ctypes.c_int, ctypes.c_long, ctypes.POINTER(XEvent)]
    x.XFree.argtypes = [ctypes.c_void_p]
    x.XFlush.argtypes = [ctypes.c_void_p]
    x.XCloseDisplay.argtypes = [ctypes.c_void_p]

    # A window may go away while it is looked at: its errors are ignored.
    handler_type = ctypes.CFUNCTYPE(ctypes.c_int, ctypes.c_void_p, ctypes.c_void_p)
    ignore_errors = handler_type(lambda display, error: 0)
    x.XSetErrorHandler.argtypes = [handler_type]
    x.XSetErrorHandler(ignore_errors)

    display = x.XOpenDisplay(None)
    if not display:
        print("close_x_windows: cannot open the display", file=sys.stderr)
        return 1
    root = x.XDefaultRootWindow(display)
    wm_pid = x.XInternAtom(display, b"_NET_WM_PID", 0)
    protocols = x.XInternAtom(display, b"WM_PROTOCOLS", 0)
    delete = x.XInternAtom(display, b"WM_DELETE_WINDOW", 0)

    root_ret, parent_ret = Window(), Window()
    children, count = ctypes.POINTER(Window)(), ctypes.c_uint()
    x.XQueryTree(display, root, ctypes.byref(root_ret), ctypes.byref(parent_ret), ctypes.byref(children),
                 ctypes.byref(count))
    asked = 0
    for i in range(count.value):
        w = children[i]
        kind, fmt, items, after, prop = Atom(), ctypes.c_int(), ctypes.c_ulong(), ctypes.c_ulong(), ctypes.c_void_p()
        if x.XGetWindowProperty(display, w, wm_pid, 0, 1, 0, XA_CARDINAL, ctypes.byref(kind), ctypes.byref(fmt),
                                ctypes.byref(items), ctypes.byref(after), ctypes.byref(prop)) != 0:
            continue
        owner = ctypes.cast(prop, ctypes.POINTER(ctypes.c_long))[0] if prop.value and items.value else None
        if prop.value:
            x.XFree(prop)
        attributes = XWindowAttributes()
        if owner != pid or not x.XGetWindowAttributes(display, w, ctypes.byref(attributes)) \
                or attributes.map_state != IS_VIEWABLE:
            continue
        event = XEvent()
        event.xclient.type = CLIENT_MESSAGE
        event.xclient.window = w
        event.xclient.message_type = protocols
        event.xclient.format = 32
        event.xclient.data[0] = delete
        event.xclient.data[1] = 0  # CurrentTime
        x.XSendEvent(display, w, 0, 0, ctypes.byref(event))
        asked += 1
    if children:
        x.XFree(children)
    x.XFlush(display)
    x.XCloseDisplay(display)
    return 0 if asked else 1


if __name__ == "__main__":
    sys.exit(main())
