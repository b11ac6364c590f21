"""Support for the desktop tests: an X server with a window manager, the built
program on a fresh application folder, real input through xdotool and the
program's state read back through its test hook.

Settings come from the environment (CTest passes them):
  VELMORA_EXE        the built program
  VELMORA_DATABUILD  the database builder
  VELMORA_SOURCES    the fixture text sources (their pictures below them)
  VELMORA_ELEMENTS   the element table
  VELMORA_WORK       a folder for application folders and screenshots
  VELMORA_TEST_DISPLAYS  optional "first-last" display numbers to try;
                     without it the X server picks a free one itself
  VELMORA_DESKTOP_SHOTS  "all" also keeps a screenshot at every marked step
"""

import json
import os
import shutil
import signal
import socket
import subprocess
import sys
import tempfile
import time
import unittest

SCREEN_W, SCREEN_H = 1280, 800
# Every wait polls; the budget is generous for a loaded two-core machine.
TIMEOUT = float(os.environ.get("VELMORA_DESKTOP_TIMEOUT", "30"))

# The painted caption: 48 pixels high, the title in the upper half and the
# menu bar in the lower half from x 90; the window icon at (12..42, 11..43);
# the caption buttons 20 pixels wide from 6 pixels inside the right edge,
# close, then maximise, then minimise.
CAPTION_H = 48
ICON_POINT = (27, 27)
MENU_BAR_X = 90


def caption_button_point(geometry, button):
    """Screen point of a caption button ('close', 'maximise', 'minimise')."""
    x, y, w, _ = geometry
    offset = {"close": 16, "maximise": 36, "minimise": 56}[button]
    return x + w - offset, y + 15


def center(rect):
    x, y, w, h = rect
    return x + w // 2, y + h // 2


def _env(name):
    value = os.environ.get(name)
    if not value:
        raise unittest.SkipTest(name + " is not set (run through CTest)")
    return value


class X:
    """Xvfb and openbox, started once per test module."""

    def __init__(self):
        self.xvfb = None
        self.wm = None
        self.display = None

    def start(self):
        for tool in ("Xvfb", "openbox", "xdotool", "xprop", "xwininfo", "import"):
            if not shutil.which(tool):
                raise RuntimeError(tool + " is missing: run scripts/setup.sh")
        wanted = os.environ.get("VELMORA_TEST_DISPLAYS")
        candidates = [None]
        if wanted:
            first, _, last = wanted.partition("-")
            candidates = list(range(int(first), int(last or first) + 1))
        for number in candidates:
            if self._start_xvfb(number):
                break
        else:
            raise RuntimeError("no X server could be started")
        env = self.env()
        self.wm_log = tempfile.TemporaryFile()
        self.wm = subprocess.Popen(["openbox", "--sm-disable"], env=env,
                                   stdout=self.wm_log, stderr=subprocess.STDOUT)
        wait_for(lambda: self._wm_running(), "openbox to manage the screen")

    def _start_xvfb(self, number):
        read_fd, write_fd = os.pipe()
        args = ["Xvfb"]
        if number is not None:
            args.append(":%d" % number)
        args += ["-displayfd", str(write_fd), "-screen", "0", "%dx%dx24" % (SCREEN_W, SCREEN_H),
                 "-nolisten", "tcp", "-noreset"]
        proc = subprocess.Popen(args, pass_fds=(write_fd,), stdout=subprocess.DEVNULL,
                                stderr=subprocess.DEVNULL)
        os.close(write_fd)
        data = b""
        deadline = time.monotonic() + TIMEOUT
        with os.fdopen(read_fd, "rb") as pipe:
            while not data.endswith(b"\n") and time.monotonic() < deadline:
                chunk = pipe.read(1)
                if not chunk:
                    break
                data += chunk
        if not data.strip():
            proc.kill()
            proc.wait()
            return False
        self.xvfb = proc
        self.display = ":" + data.decode().strip()
        return True

    def _wm_running(self):
        out = subprocess.run(["xprop", "-root", "_NET_SUPPORTING_WM_CHECK"], env=self.env(),
                             capture_output=True, text=True)
        return "window id" in out.stdout

    def viewable(self, win_id):
        out = subprocess.run(["xwininfo", "-id", str(win_id)], env=self.env(), capture_output=True, text=True)
        return "IsViewable" in out.stdout

    def window_geometry(self, win_id):
        """The window's place and size as the X server has them."""
        out = subprocess.run(["xwininfo", "-id", str(win_id)], env=self.env(), capture_output=True, text=True).stdout
        values = {}
        for line in out.splitlines():
            key, _, value = line.strip().partition(":")
            values[key] = value.strip()
        return [int(values["Absolute upper-left X"]), int(values["Absolute upper-left Y"]),
                int(values["Width"]), int(values["Height"])]

    def describe(self, win_id):
        """The window manager's view of a window, for failure messages."""
        if not win_id:
            return "no window"
        out = subprocess.run(["xprop", "-id", str(win_id), "WM_STATE", "_NET_WM_STATE", "WM_HINTS"],
                             env=self.env(), capture_output=True, text=True)
        return " ".join(out.stdout.split())

    def env(self):
        env = dict(os.environ)
        env["DISPLAY"] = self.display
        return env

    def stop(self):
        for proc in (self.wm, self.xvfb):
            if proc and proc.poll() is None:
                proc.terminate()
                try:
                    proc.wait(10)
                except subprocess.TimeoutExpired:
                    proc.kill()
                    proc.wait()

    # ---- input: the way a person's reaches the program ----

    def xdo(self, *args):
        subprocess.run(["xdotool"] + [str(a) for a in args], env=self.env(), check=True,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def move(self, x, y):
        self.xdo("mousemove", "--sync", x, y)

    # Two single clicks on one spot closer together than this would be one
    # double-click to the program.
    DOUBLE_CLICK_GAP = 0.7

    def click(self, x, y, button=1, repeat=1):
        last = getattr(self, "_last_click", None)
        if last and abs(last[1] - x) < 5 and abs(last[2] - y) < 5:
            time.sleep(max(0.0, last[0] + self.DOUBLE_CLICK_GAP - time.monotonic()))
        self.move(x, y)
        # A short rest on the spot, as a hand makes, so that the program sees
        # the pointer arrive before the press.
        time.sleep(0.05)
        self.xdo("click", "--repeat", repeat, "--delay", 120, button)
        self._last_click = (time.monotonic(), x, y)

    def double_click(self, x, y):
        self.click(x, y, repeat=2)

    def drag(self, start, end, steps=12):
        """Presses at start, moves in steps to end and releases there."""
        self.move(*start)
        time.sleep(0.05)
        self.xdo("mousedown", 1)
        time.sleep(0.15)
        (x0, y0), (x1, y1) = start, end
        for i in range(1, steps + 1):
            self.move(x0 + (x1 - x0) * i // steps, y0 + (y1 - y0) * i // steps)
            time.sleep(0.04)
        time.sleep(0.2)
        self.xdo("mouseup", 1)

    def key(self, *keys):
        for k in keys:
            self.xdo("key", "--clearmodifiers", "--delay", 60, k)

    def type(self, text):
        # xdotool maps characters outside the keyboard map (Chinese) to a
        # spare key code for the moment it types them.
        self.xdo("type", "--delay", 90, text)

    def screenshot(self, path):
        os.makedirs(os.path.dirname(path), exist_ok=True)
        subprocess.run(["import", "-window", "root", path], env=self.env(),
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def wait_for(predicate, what, timeout=None):
    """Polls until predicate() gives a true value and returns it."""
    deadline = time.monotonic() + (timeout or TIMEOUT)
    last = None
    while True:
        try:
            last = predicate()
        except (OSError, KeyError, ValueError, HookError) as e:
            last = e
        if last and not isinstance(last, Exception):
            return last
        if time.monotonic() > deadline:
            raise WaitFailed("timed out waiting for %s (last: %r)" % (what, last))
        time.sleep(0.05)


class WaitFailed(AssertionError):
    pass


class HookError(Exception):
    pass


class Hook:
    """The program's test hook: one JSON line out, one back."""

    def __init__(self, path):
        self.path = path
        self.sock = None
        self.buffer = b""

    def connect(self):
        sock = socket.socket(socket.AF_UNIX, socket.SOCK_STREAM)
        sock.settimeout(TIMEOUT)
        sock.connect(self.path)
        self.sock = sock

    def close(self):
        if self.sock:
            self.sock.close()
            self.sock = None

    def ask(self, **request):
        if not self.sock:
            self.connect()
        self.sock.sendall(json.dumps(request).encode() + b"\n")
        while b"\n" not in self.buffer:
            chunk = self.sock.recv(1 << 16)
            if not chunk:
                self.close()
                raise HookError("the program closed the hook")
            self.buffer += chunk
        line, _, self.buffer = self.buffer.partition(b"\n")
        reply = json.loads(line)
        if not reply.get("ok"):
            raise HookError(reply.get("error"))
        return reply

    def get(self, path):
        return self.ask(cmd="get", path=path)["object"]

    def state(self):
        return self.ask(cmd="state")

    def windows(self):
        return {w["objectName"]: w for w in self.ask(cmd="windows")["windows"]}

    def item(self, path, text):
        return self.ask(cmd="item", path=path, text=text)["item"]

    def tree(self, path):
        return self.ask(cmd="tree", path=path)["widgets"]


class Fixture:
    """The fixture database files, built once per test module."""

    def __init__(self, work):
        self.data = os.path.join(work, "fixture-data")
        sources = _env("VELMORA_SOURCES")
        elements = _env("VELMORA_ELEMENTS")
        if os.path.isdir(self.data):
            shutil.rmtree(self.data)
        subprocess.run([_env("VELMORA_DATABUILD"), sources, os.path.join(sources, "pictures"), elements,
                        self.data], check=True, stdout=subprocess.DEVNULL)
        shutil.copy(elements, os.path.join(self.data, "elements.tsv"))


class Program:
    """The program started from its own application folder: the executable
    beside a fresh copy of the fixture data folder."""

    def __init__(self, x, fixture, work, result=None):
        self.x = x
        self.folder = tempfile.mkdtemp(prefix="app-", dir=work)
        exe = _env("VELMORA_EXE")
        target = os.path.join(self.folder, "velmora")
        try:
            os.link(exe, target)
        except OSError:
            shutil.copy2(exe, target)
        shutil.copytree(fixture.data, os.path.join(self.folder, "data"))
        if result is not None:
            with open(os.path.join(self.folder, "result"), "wb") as f:
                f.write(('"%s"\r\n' % result).encode("utf-8"))
        # Socket paths are short on Linux: keep the hook's in /tmp.
        self.sockdir = tempfile.mkdtemp(prefix="vh-")
        self.hook = Hook(os.path.join(self.sockdir, "hook"))
        env = x.env()
        env["VELMORA_TEST_HOOK"] = self.hook.path
        env["QT_QPA_PLATFORM"] = "xcb"
        env["LANG"] = env["LC_ALL"] = "C.UTF-8"
        env.pop("QT_IM_MODULE", None)
        env.pop("XMODIFIERS", None)
        self.log = open(os.path.join(self.folder, "program.log"), "wb")
        self.proc = subprocess.Popen([target], cwd=self.folder, env=env, stdout=self.log,
                                     stderr=subprocess.STDOUT)

    def file(self, name):
        return os.path.join(self.folder, name)

    def wait_ready(self):
        """Until the splash has gone and the main window is on the screen."""
        def up():
            if self.proc.poll() is not None:
                raise AssertionError("the program ended at start-up:\n" + self.log_text())
            if not os.path.exists(self.hook.path):
                return False
            windows = self.hook.windows()
            sq = windows.get("sq")
            return sq and sq["visible"] and "startcover" not in windows and sq
        wait_for(up, "the main window after the splash")
        # Mapped by the X server and settled: the same place in three looks in a row.
        looks = []

        def settled():
            sq = self.hook.windows().get("sq")
            looks.append((sq and sq["visible"] and self.x.viewable(sq["winId"]), sq and sq["geometry"]))
            return len(looks) >= 3 and looks[-1][0] and looks[-1] == looks[-2] == looks[-3] and sq
        try:
            return wait_for(settled, "the main window mapped and settled")
        except WaitFailed as e:
            sq = self.hook.windows().get("sq") or {}
            raise WaitFailed("%s; last looks %r; %s" % (e, looks[-3:], self.x.describe(sq.get("winId")))) from None

    def stacks(self):
        """The call stacks of the program's threads (gdb), to see where a
        start-up that shows nothing waits."""
        if self.proc.poll() is not None or not shutil.which("gdb"):
            return "(not available)"
        try:
            out = subprocess.run(["gdb", "-p", str(self.proc.pid), "-batch", "-ex", "thread apply all bt 30"],
                                 capture_output=True, text=True, timeout=120)
            return "\n".join(l for l in out.stdout.splitlines() if l.startswith(("#", "Thread")))
        except (OSError, subprocess.TimeoutExpired) as e:
            return "(gdb: %s)" % e

    def log_text(self):
        self.log.flush()
        with open(self.log.name, "rb") as f:
            return f.read().decode("utf-8", "replace")[-4000:]

    def stop(self):
        self.hook.close()
        if self.proc.poll() is None:
            self.proc.terminate()
            try:
                self.proc.wait(10)
            except subprocess.TimeoutExpired:
                self.proc.kill()
                self.proc.wait()
        self.log.close()
        shutil.rmtree(self.sockdir, ignore_errors=True)


_x = None
_fixture = None


def setUpModule():
    global _x, _fixture
    work = _env("VELMORA_WORK")
    os.makedirs(work, exist_ok=True)
    _fixture = Fixture(work)
    _x = X()
    _x.start()


def tearDownModule():
    if _x:
        _x.stop()


class DesktopTest(unittest.TestCase):
    """One program per test, fresh application folder, on the module's X server."""

    result_name = None  # the remembered name in the file "result", None for none

    def problems(self):
        """Failures and errors recorded so far (a failed test part is recorded
        at once, before tearDown runs)."""
        result = getattr(getattr(self, "_outcome", None), "result", None)
        return len(getattr(result, "failures", [])) + len(getattr(result, "errors", []))

    def setUp(self):
        self.problems_before = self.problems()
        self.x = _x
        self.work = os.environ["VELMORA_WORK"]
        self.shots = os.path.join(self.work, "screenshots")
        self.step_no = 0
        self.program = Program(self.x, _fixture, self.work, self.result_name)
        self.hook = self.program.hook
        # Runs even when setUp fails, after tearDown otherwise.
        self.addCleanup(self.finish)
        try:
            self.program.wait_ready()
        except WaitFailed:
            # Where the program waits tells more than the empty screen.
            sys.stderr.write("\nno main window after start-up; where its threads are:\n%s\n"
                             % self.program.stacks())
            raise

    def finish(self):
        failed = self.problems() > self.problems_before
        if failed:
            path = os.path.join(self.shots, self.id().split(".", 1)[-1] + "-failed.png")
            self.x.screenshot(path)
            sys.stderr.write("\nscreenshot: %s\nprogram output:\n%s\n" % (path, self.program.log_text()))
        self.program.stop()
        if not failed:
            shutil.rmtree(self.program.folder, ignore_errors=True)

    # ---- steps ----

    def step(self, name):
        """Marks a step; with VELMORA_DESKTOP_SHOTS=all keeps a screenshot of it."""
        self.step_no += 1
        if os.environ.get("VELMORA_DESKTOP_SHOTS") == "all":
            self.x.screenshot(os.path.join(
                self.shots, "%s-%02d-%s.png" % (self.id().split(".", 1)[-1], self.step_no, name)))

    def wait(self, predicate, what, timeout=None):
        return wait_for(predicate, what, timeout)

    def wait_prop(self, path, key, expected, timeout=None):
        """Until the object's property equals expected; returns the object."""
        def check():
            o = self.hook.get(path)
            return o if o.get(key) == expected else None
        try:
            return wait_for(check, "%s.%s == %r" % (path, key, expected), timeout)
        except WaitFailed:
            actual = self.hook.get(path).get(key)
            raise WaitFailed("%s.%s is %r, expected %r" % (path, key, actual, expected)) from None

    def geometry(self, path):
        return self.hook.get(path)["geometry"]

    def window(self, name):
        return self.hook.windows().get(name)

    def settled_geometry(self, name):
        """The window's geometry once it has stopped changing (three equal looks)."""
        looks = []

        def settled():
            looks.append(self.window(name)["geometry"])
            return len(looks) >= 3 and looks[-1] == looks[-2] == looks[-3] and looks[-1]
        return wait_for(settled, name + " to settle")

    def wait_window(self, name, shown=True, timeout=None):
        """Until the window is on the screen whole (its size known), or gone."""
        def whole(w):
            # Its size known to the program: the skin paints the caption and
            # frame from it (at 1 x 1 the window shows without them).
            return w["geometry"][2] > 1 and w["geometry"][3] > 1

        def check():
            w = self.window(name)
            visible = bool(w and w["visible"] and not w["minimized"])
            return (w if visible and whole(w) else None) if shown else (not visible)
        try:
            return wait_for(check, "window %s %s" % (name, "shown whole" if shown else "gone"), timeout)
        except WaitFailed:
            w = self.window(name)
            raise WaitFailed("window %s %s: %r" % (name, "not shown whole" if shown else "still shown", w and {
                k: w.get(k) for k in ("visible", "minimized", "geometry", "contentsGeometry")})) from None

    def wait_active(self, name, timeout=None):
        def check():
            state = self.hook.state()
            return state["activeWindow"].get("objectName") == name and state
        return wait_for(check, "%s to be the active window" % name, timeout)

    def focus_in(self, name):
        """Whether the keyboard focus is on the named control or on a part of it
        (a combo box's line edit)."""
        state = self.hook.state()
        return name in (state["focus"].get("objectName"), state.get("focusParent", {}).get("objectName"))

    def commands(self):
        return self.hook.state()["commands"]

    def click_widget(self, path):
        self.click_in_window(path)

    SKINNED = ("sq", "print1", "periodicfrm", "datafrm", "addfrm", "about")

    def on_screen(self, path, rect):
        """A rectangle the program reports for a control of a skinned window,
        moved to where the X server shows that window: a person clicks what
        is on the screen, whatever the program believes its window's place
        to be (wait_window checks that the two agree)."""
        window = path.split("/", 1)[0]
        if window not in self.SKINNED:
            return rect
        w = self.window(window)
        inner = w["contentsGeometry"]
        frame = self.x.window_geometry(w["winId"])
        # The skin's frame: 10 pixels at the sides, the caption on top.
        dx = frame[0] + 10 - inner[0]
        dy = frame[1] + CAPTION_H - inner[1]
        return [rect[0] + dx, rect[1] + dy, rect[2], rect[3]]

    def click_in_window(self, path):
        self.x.click(*center(self.on_screen(path, self.geometry(path))))

    def close_print_window(self):
        """Clicks 取消 of the print window, and waits until it has gone."""
        w = self.window("print1")
        if w:
            self.click_in_window("print1/print")
            self.wait_window("print1", shown=False)

    def click_item(self, path, text):
        item = self.wait(lambda: (lambda i: i if i["found"] and i["visible"] else None)(self.hook.item(path, text)),
                         "entry %r of %s on screen" % (text, path))
        self.x.click(*center(self.on_screen(path, item["geometry"])))

    def popup(self):
        return self.hook.state()["popup"]

    def wait_popup(self, texts=None, what="a popup menu"):
        """Until a popup menu is open (holding the entries texts, if given)."""
        def check():
            p = self.popup()
            if not p or not p.get("visible"):
                return None
            if texts is not None:
                shown = [a["text"].split("\t")[0] for a in p.get("actions", [])
                         if a["visible"] and not a["separator"]]
                if shown[:len(texts)] != list(texts):
                    return None
            return p
        return wait_for(check, what)

    def click_popup(self, text):
        """Clicks an entry of the open popup menu."""
        def entry():
            for a in self.wait_popup().get("actions", []):
                if a["text"].split("\t")[0].replace("&", "") == text and a["visible"]:
                    return a
            return None
        a = wait_for(entry, "entry %r in the open popup" % text)
        x, y, w, h = a["geometry"]
        self.x.click(x + min(w // 2, 30), y + h // 2)

    def wait_no_popup(self):
        return wait_for(lambda: not self.popup(), "the popup menu to close")

    # ---- the search bar ----

    def search_box_point(self):
        return center(self.on_screen("sq/Combo2", self.geometry("sq/Combo2")))

    def choose_route(self, route):
        """Picks a route from the route box with the mouse."""
        if self.hook.get("sq/Combo1")["currentText"] == route:
            return
        self.click_widget("sq/Combo1")
        self.wait_prop("sq/Combo1", "popupVisible", True)
        self.click_item("sq/Combo1", route)
        self.wait_prop("sq/Combo1", "currentText", route)
        self.wait_prop("sq/Combo1", "popupVisible", False)

    def type_into_search_box(self, text):
        """Clicks into the search box, selects what it holds and types."""
        self.x.click(*self.search_box_point())
        self.wait(lambda: self.hook.get("sq/Combo2").get("editHasFocus"), "the caret in the search box")
        self.x.key("ctrl+a")
        self.x.type(text)
        self.wait_prop("sq/Combo2", "editText", text)

    def count_caption(self, n):
        return "找到 %d 个相关的化学品" % n

    def record_text(self):
        return self.hook.get("sq/RichTextBox1")["plainText"]
