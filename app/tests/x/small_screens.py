"""The windows on small and scaled screens: on 1024x768, on 1366x768 at a scale of 1.5 and on
1920x1080 at a scale of 2, each on a virtual display of its own with a window manager, every
window opens with its title bar and frame inside the screen, and a window larger than the screen
scrolls so that its far corner can be reached. Pictures of the screens go to the folder named.
Usage: small_screens.py PICTURE-FOLDER"""
import os
import subprocess
import sys
import time

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import xdriver  # noqa: E402
from xdriver import Failure, Orvane, check, wait_for, xdo  # noqa: E402

SCREENS = [("1024x768", "1"), ("1366x768", "1.5"), ("1920x1080", "2")]
# The main menu's commands that open windows, in the client area at a scale of 1.
MENU = [("churches", 120, 12), ("notices", 207, 12), ("statistics", 400, 12)]


def start_display(size):
    """Xvfb on a display number it picks, with openbox framing its windows. Other programs may
    start servers at the same moment: one that did not come up is started again."""
    for _ in range(3):
        read, write = os.pipe()
        xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-nolisten", "tcp", "-screen", "0",
                                 size + "x24"], pass_fds=(write,), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        os.close(write)
        number = os.read(read, 16).decode().strip()
        os.close(read)
        display = ":" + number
        for _ in range(50):
            if xvfb.poll() is None and subprocess.run(["xdpyinfo", "-display", display], capture_output=True).returncode == 0:
                os.environ["DISPLAY"] = display
                wm = subprocess.Popen(["openbox"], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
                time.sleep(1.0)
                return xvfb, wm
            time.sleep(0.1)
        xvfb.kill()
        xvfb.wait()
    raise Failure("no virtual display of " + size + " started")


def framed(window):
    """The window with its frame: x, y, width, height on the screen."""
    g = dict(line.split("=") for line in xdo("getwindowgeometry", "--shell", window).split("\n") if "=" in line)
    extents = subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], capture_output=True, text=True).stdout
    left, right, top, bottom = ([int(v) for v in extents.split("=")[1].split(",")] if "=" in extents else [0] * 4)
    return int(g["X"]) - left, int(g["Y"]) - top, int(g["WIDTH"]) + left + right, int(g["HEIGHT"]) + top + bottom


def inside(app, window, what):
    """Waits until window's frame lies inside the screen (the program puts it right once the
    window manager has framed it)."""
    width, height = app.screen_size()
    place = [None]

    def fits():
        if subprocess.run(["xprop", "-id", window, "_NET_FRAME_EXTENTS"], capture_output=True,
                          text=True).stdout.count(",") != 3:
            return False
        x, y, w, h = place[0] = framed(window)
        return x >= 0 and y >= 0 and x + w <= width and y + h <= height
    try:
        wait_for(fits, what + " inside the screen", 10)
    except Failure:
        raise Failure("%s at %s with its frame on a screen of %dx%d" % (what, place[0], width, height))


def screen_run(size, scale, pictures):
    xvfb, wm = start_display(size)
    try:
        with Orvane(env={"QT_SCALE_FACTOR": scale}) as app:
            name = "%s-%s" % (size, scale)
            inside(app, app.main, "the main window")
            app.screenshot(os.path.join(pictures, name + "-main.png"))
            for label, x, y in MENU:
                app.activate(app.main)
                app.click(app.main, int(x * float(scale)), int(y * float(scale)))
                window = app.wait_window()
                app.known.add(window)
                inside(app, window, "the %s window" % label)
                app.screenshot(os.path.join(pictures, "%s-%s.png" % (name, label)))
                app.activate(window)
                app.key("alt+F4")
                wait_for(lambda: window not in app.windows(), "the %s window to close" % label)
    finally:
        wm.terminate()
        xvfb.terminate()
        wm.wait()
        xvfb.wait()


def main():
    pictures = sys.argv[1]
    os.makedirs(pictures, exist_ok=True)
    failed = 0
    for size, scale in SCREENS:
        start = time.monotonic()
        try:
            screen_run(size, scale, pictures)
            print("ok   %s at %s %.1fs" % (size, scale, time.monotonic() - start))
        except Failure as e:
            failed += 1
            print("FAIL %s at %s: %s" % (size, scale, e))
        sys.stdout.flush()
    sys.exit(1 if failed else 0)


main()
