"""Runs the real program on a parish of its own and drives it the way a user does: real X key
presses and releases, clicks and wheel turns on the shared virtual display, every box answered
either with Enter or with the mouse. The database is read with the sqlite3 program.

Positions are in the window's client area, as the windows lay out their controls."""
import os
import shutil
import subprocess
import sys
import tempfile
import time

PROGRAM = os.environ.get("ORVANE_PROGRAM", "")
DEMO_PROGRAM = os.environ.get("ORVANE_DEMO_PROGRAM", "")
MAIN_TITLE = "OrvaneIDv4.5"


class Failure(Exception):
    pass


def check(condition, message):
    if not condition:
        raise Failure(message)


def xdo(*args):
    out = subprocess.run(["xdotool", *map(str, args)], capture_output=True, text=True)
    return out.stdout.strip()


def sql(db, query):
    """Rows of query as lists of texts, read by the sqlite3 program (which waits while the
    program holds the file)."""
    out = subprocess.run(["sqlite3", "-readonly", "-cmd", ".timeout 5000", "-separator", "\x1f",
                          "-newline", "\x1e", db, query], capture_output=True, text=True)
    if out.returncode != 0:
        raise Failure("sqlite3 could not read the parish: %s" % out.stderr.strip())
    return [row.split("\x1f") for row in out.stdout.split("\x1e") if row != ""]


# Every wait is for a condition, with a deadline that still holds when the machine runs twice
# as many jobs as it has cores: a window that takes a second alone may take ten then.
PATIENCE = 30.0


def sql_write(db, statement):
    """Changes the parish with the sqlite3 program, as another program beside the register."""
    out = subprocess.run(["sqlite3", "-cmd", ".timeout 5000", db, statement], capture_output=True, text=True)
    if out.returncode != 0:
        raise Failure("sqlite3 could not write the parish: %s" % out.stderr.strip())


def wait_for(condition, what, timeout=PATIENCE):
    end = time.monotonic() + timeout
    while True:
        value = condition()
        if value:
            return value
        if time.monotonic() > end:
            raise Failure("timed out waiting for " + what)
        time.sleep(0.1)


class Orvane:
    """The program on a fresh demo parish; a context manager that ends it by its process id."""

    def __init__(self, members=30, answer="enter", env=None, before_start=None, prefix=()):
        """before_start(app) runs on the parish made before the program starts; prefix is put
        before the program's command (to run it as another user, say)."""
        check(answer in ("enter", "mouse"), "answer is enter or mouse")
        self.answer = answer
        self.root = tempfile.mkdtemp(prefix="orvane-x-")
        self.parish = os.path.join(self.root, "parish")
        self.db = os.path.join(self.parish, "Orvane.db")
        subprocess.run([DEMO_PROGRAM, self.parish, str(members)], check=True)
        env_extra = env or {}
        env = {k: v for k, v in os.environ.items() if not k.startswith("ORVANE_SCREENSHOT")}
        home = os.path.join(self.root, "home")
        os.makedirs(os.path.join(home, "Documents"))
        env.update(HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local", "share"), QT_QPA_PLATFORM="xcb",
                   LC_ALL="C.UTF-8")
        env.update(env_extra)
        self.log = open(os.path.join(self.root, "orvane.log"), "w")
        if before_start:
            before_start(self)
        self.proc = subprocess.Popen([*prefix, PROGRAM, self.parish], env=env, stdout=self.log, stderr=self.log)
        # The titles of the windows that showed before the main window did.
        self.shown_before_main = set()
        self.main = wait_for(self._main_window, "the main window", 2 * PATIENCE)
        self.known = {self.main}
        # The window keys go to: the one last activated or clicked.
        self.target = self.main
        self.activate(self.main)
        time.sleep(0.5)

    def __enter__(self):
        return self

    def __exit__(self, kind, value, tb):
        if self.proc.poll() is None:
            self.proc.kill()
        self.proc.wait()
        self.log.close()
        if kind is None:
            shutil.rmtree(self.root, ignore_errors=True)
        else:
            sys.stderr.write("the parish and the program's output are kept in %s\n" % self.root)
            with open(os.path.join(self.root, "orvane.log")) as f:
                sys.stderr.write(f.read()[-4000:])
        return False

    # ---- windows ----
    def windows(self):
        found = xdo("search", "--all", "--onlyvisible", "--pid", self.proc.pid, "--name", ".")
        return [w for w in found.split("\n") if w]

    def _main_window(self):
        check(self.proc.poll() is None, "the program ended (status %s)" % self.proc.returncode)
        for w in self.windows():
            title = xdo("getwindowname", w)
            if title == MAIN_TITLE:
                return w
            self.shown_before_main.add(title)
        return None

    def find(self, title):
        check(self.proc.poll() is None, "the program ended (status %s)" % self.proc.returncode)
        for w in self.windows():
            if xdo("getwindowname", w) == title:
                return w
        return None

    def screen_size(self):
        width, height = xdo("getdisplaygeometry").split()
        return int(width), int(height)

    def title(self, window):
        return xdo("getwindowname", window)

    def new_windows(self):
        check(self.proc.poll() is None, "the program ended (status %s)" % self.proc.returncode)
        return [w for w in self.windows() if w not in self.known]

    def wait_window(self, title=None, timeout=PATIENCE):
        """A window that was not there before (with title, when given)."""
        def look():
            for w in self.new_windows():
                if title is None or self.title(w) == title:
                    return w
            return None
        return wait_for(look, "a window " + (title or ""), timeout)

    def no_new_window(self, settle=1.0):
        time.sleep(settle)
        extra = self.new_windows()
        check(not extra, "an unexpected window is open: %s" % [self.title(w) for w in extra])

    def active(self):
        return xdo("getactivewindow")

    def activate(self, window):
        """Makes window the active one and waits until the window manager says it is: a key
        sent before that goes to whichever window had the focus."""
        self.target = window

        asked = [0.0]

        def done():
            if self.active() == window:
                return True
            # Asked again now and then: a request the window manager got while the window was
            # still being mapped is lost.
            if time.monotonic() - asked[0] > 1.0:
                xdo("windowactivate", window)
                asked[0] = time.monotonic()
            return False
        wait_for(done, "window %s to be active" % window)

    def wait_active(self, window):
        wait_for(lambda: self.active() == window, "window %s (%s) to be active" % (window, self.title(window)))

    def settle(self, seconds=0.4):
        time.sleep(seconds)

    def screenshot(self, file):
        subprocess.run(["import", "-window", "root", file], check=False)

    # ---- input ----
    def key(self, *keys):
        """Each key pressed and released, one after the other (a chord is "ctrl+p"), once the
        window keys go to is active."""
        self.wait_active(self.target)
        for k in keys:
            parts = k.split("+")
            args = []
            for p in parts:
                args += ["keydown", p, "sleep", "0.03"]
            for p in reversed(parts):
                args += ["keyup", p, "sleep", "0.03"]
            xdo(*args)
        self.settle(0.3)

    def hold(self, key, seconds):
        """key held down for seconds, long enough for the keyboard to repeat it."""
        self.wait_active(self.target)
        xdo("keydown", key)
        time.sleep(seconds)
        xdo("keyup", key)
        self.settle(0.3)

    def type(self, text):
        self.wait_active(self.target)
        # Thai letters need time between them, or the keyboard map drops some.
        delay = 250 if any(ord(c) > 127 for c in text) else 40
        xdo("type", "--delay", delay, text)
        self.settle(0.2)

    def click(self, window, x, y, button=1):
        self.target = window
        xdo("mousemove", "--window", window, x, y, "sleep", "0.15", "click", button)
        self.settle(0.4)

    def wheel(self, window, x, y, notches=1, down=True):
        xdo("mousemove", "--window", window, x, y, "sleep", "0.15")
        for _ in range(notches):
            xdo("click", 5 if down else 4)
            time.sleep(0.1)
        self.settle(0.5)

    # ---- boxes ----
    def answer_box(self, box, button_from_right=0):
        """Closes box with its default button: Enter, or a click on the button, counted from
        the right-hand end of the box's button row."""
        owner = self.target
        self.activate(box)
        if self.answer == "enter":
            self.key("Return")
        else:
            geometry = dict(line.strip().split("=") for line in
                            xdo("getwindowgeometry", "--shell", box).split("\n") if "=" in line)
            w, h = int(geometry["WIDTH"]), int(geometry["HEIGHT"])
            self.click(box, w - 52 - 92 * button_from_right, h - 25)
        wait_for(lambda: box not in self.windows(), "the box to close")
        # Keys go to the window the box came from again.
        self.target = owner
        self.settle(0.5)

    def expect_box(self, title=None, button_from_right=0, timeout=PATIENCE):
        box = self.wait_window(title, timeout)
        self.answer_box(box, button_from_right)
        return box


def main(groups):
    """Runs the scenarios of the group named on the command line, answering boxes the way named
    there: main_window_input.py enter|mouse GROUP."""
    answer = sys.argv[1] if len(sys.argv) > 1 else "enter"
    names = sys.argv[2:] or list(groups)
    failed = 0
    for name in names:
        for scenario in groups[name]:
            start = time.monotonic()
            try:
                scenario(answer)
                print("ok   %s (%s) %.1fs" % (scenario.__name__, answer, time.monotonic() - start))
            except Failure as e:
                failed += 1
                print("FAIL %s (%s): %s" % (scenario.__name__, answer, e))
            sys.stdout.flush()
    sys.exit(1 if failed else 0)
