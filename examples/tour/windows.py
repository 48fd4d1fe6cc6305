"""Window wrappers: a tkinter window and a wxPython frame, each open for a moment."""
import os
import struct
import sys


def has_display():
    return sys.platform in ("win32", "darwin") or bool(os.environ.get("DISPLAY"))


def tk_window():
    from tallowkit.ui.tkinter.slatepane import SlatePane

    pane = SlatePane(title="tallowkit tour", width=480, height=320)
    root = pane.root
    shown = {}

    def look_and_close():
        shown["title"], shown["geometry"] = root.title(), root.geometry()
        shown["screen"] = root.winfo_screenwidth(), root.winfo_screenheight()
        root.destroy()

    root.after(700, look_and_close)
    pane.mainloop()
    print("SlatePane: %r at %s, centred on a %dx%d screen, closed by a timer" % (
        (shown["title"], shown["geometry"]) + shown["screen"]))


def write_icon(path):
    """A 16x16 blue .ico file."""
    image = struct.pack("<IiiHHIIiiII", 40, 16, 32, 1, 32, 0, 1088, 0, 0, 0, 0)
    image += bytes((200, 90, 40, 255)) * 256 + bytes(64)
    with open(path, "wb") as f:
        f.write(struct.pack("<HHHBBBBHHII", 0, 1, 1, 16, 16, 0, 0, 1, 32, len(image), 22) + image)


def wx_frame(workdir):
    try:
        import wx
        from tallowkit.ui.wxpy.glasspane import WxFrame
    except ImportError as e:
        print("WxFrame: wxPython is not available (%s)" % e)
        return
    icon = os.path.join(workdir, "tour.ico")
    write_icon(icon)
    try:
        frame = WxFrame(size=(480, 320), title="tallowkit tour")
    except SystemError as e:  # wxPython could not start its toolkit on this display
        print("WxFrame: wxPython did not start (%s)" % e)
        return
    frame.seticon(icon).center().show()
    shown = {}

    def look_and_close():
        shown["title"] = frame.wxfrm.GetTitle()
        shown["rect"] = tuple(frame.wxfrm.GetScreenRect())
        frame.wxfrm.Close()

    wx.CallLater(700, look_and_close)
    frame.mainloop()
    print("WxFrame: %r at %s (x, y, width, height), icon loaded: %s, closed by a timer" % (
        shown["title"], shown["rect"], frame.icon.IsOk()))


def show(workdir):
    if not has_display():
        print("no display here (DISPLAY is unset): the windows are not shown")
        return
    tk_window()
    wx_frame(workdir)
