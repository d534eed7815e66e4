"""A person's flows through the real program on a real X server.

Each flow starts Xvfb and a window manager (openbox) on a free display, starts the real
zelvo-mp3 there under the xcb platform with a fresh home, and drives it with real input
events (xdotool: the X server's XTEST extension). Where a control is comes from the
program itself: with ZELVO_CONTROL_MAP set it writes every visible control's rectangle,
state and text into a file several times a second. Every wait is for a condition, never
for a fixed time.
"""

import html
import os
import re
import shutil
import signal
import subprocess
import sys
import tempfile
import time

WAIT = float(os.environ.get("FLOW_WAIT_SECONDS", "90"))  # generous: the suite runs under load


class FlowFailure(Exception):
    pass


def run(command, **kwargs):
    return subprocess.run(command, check=True, capture_output=True, text=True, **kwargs)


def make_tone(path, seconds, frequency=440, rate=44100, channels=2, codec="pcm_s16le"):
    run(["ffmpeg", "-v", "error", "-y", "-f", "lavfi", "-i",
         f"sine=f={frequency}:d={seconds}:r={rate}", "-ac", str(channels), "-c:a", codec, path])


def probe_duration(path):
    out = run(["ffprobe", "-v", "error", "-show_entries", "format=duration", "-of", "csv=p=0", path]).stdout
    return float(out.strip())


def converted_file(app):
    """The file the main window's status line says a conversion wrote."""
    line = app.wait(lambda m: (c := m.control("statusLine")) and "Converted" in c.text and c.text, "the status line")
    found = re.search(r'Converted: "(.*)" written in (.*?) <a href', html.unescape(line))
    if not found:
        raise FlowFailure(f"the status line says {line!r}")
    return os.path.join(found.group(2), found.group(1))


def probe_codec(path):
    out = run(["ffprobe", "-v", "error", "-select_streams", "a:0", "-show_entries", "stream=codec_name",
               "-of", "csv=p=0", path]).stdout
    return out.strip()


class Desktop:
    """Xvfb with openbox on a display of its own."""

    def __init__(self, size="1366x768"):
        read, write = os.pipe()
        self.xvfb = subprocess.Popen(["Xvfb", "-displayfd", str(write), "-screen", "0", size + "x24",
                                      "-nolisten", "tcp"], pass_fds=(write,), stderr=subprocess.DEVNULL)
        os.close(write)
        number = b""
        while not number.endswith(b"\n"):
            chunk = os.read(read, 16)
            if not chunk:
                raise FlowFailure("Xvfb did not start")
            number += chunk
        os.close(read)
        self.display = ":" + number.decode().strip()
        self.env = dict(os.environ, DISPLAY=self.display)
        self.env.pop("WAYLAND_DISPLAY", None)
        self.wm = subprocess.Popen(["openbox"], env=self.env, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)

    def close(self):
        for process in (self.wm, self.xvfb):
            process.terminate()
            try:
                process.wait(10)
            except subprocess.TimeoutExpired:
                process.kill()


class Control:
    def __init__(self, fields):
        (self.window, self.name, self.kind, x, y, w, h, enabled, checked, focused,
         self.accessible, self.text) = (fields + [""] * 12)[:12]
        self.x, self.y, self.w, self.h = int(x), int(y), int(w), int(h)
        self.enabled, self.checked, self.focused = enabled == "1", checked == "1", focused == "1"

    def centre(self):
        return self.x + self.w // 2, self.y + self.h // 2


class Row:
    def __init__(self, fields):
        self.view, row, x, y, w, h, selected, check, self.text = (fields + [""] * 9)[:9]
        self.row, self.x, self.y, self.w, self.h = int(row), int(x), int(y), int(w), int(h)
        self.selected, self.check = selected == "1", int(check)
        self.cells = self.text.split(" | ")


class Window:
    def __init__(self, fields):
        self.name, self.kind, x, y, w, h, active, self.title, self.text = (fields + [""] * 9)[:9]
        self.x, self.y, self.w, self.h = int(x), int(y), int(w), int(h)
        self.active = active == "1"


class Action:
    def __init__(self, fields):
        self.menu, self.name, x, y, w, h, enabled, self.text = (fields + [""] * 8)[:8]
        self.x, self.y, self.w, self.h = int(x), int(y), int(w), int(h)
        self.enabled = enabled == "1"


class Tab:
    def __init__(self, fields):
        self.owner, index, x, y, w, h, current, self.text = (fields + [""] * 8)[:8]
        self.index, self.x, self.y, self.w, self.h = int(index), int(x), int(y), int(w), int(h)
        self.current = current == "1"


class ControlMap:
    def __init__(self, text):
        self.windows, self.controls, self.rows, self.actions, self.tabs = [], [], [], [], []
        lists = {"window": (self.windows, Window), "control": (self.controls, Control), "row": (self.rows, Row),
                 "action": (self.actions, Action), "tab": (self.tabs, Tab)}
        for line in text.splitlines():
            kind, *fields = line.split("\t")
            found, make = lists[kind]
            found.append(make(fields))

    def window(self, name):
        return next((w for w in self.windows if w.name == name), None)

    def control(self, name, window=None):
        return next((c for c in self.controls if c.name == name and (window is None or c.window == window)), None)

    def rows_of(self, view):
        return sorted((r for r in self.rows if r.view == view), key=lambda r: r.row)

    def row(self, view, first_cell):
        return next((r for r in self.rows_of(view) if r.cells[0] == first_cell), None)

    def message(self):
        """The text of the message box shown, if one is."""
        box = next((w for w in self.windows if w.name == "confirmDialog"), None)
        return box.text if box else None


def private_mounts():
    """Where the flows run as root: the program in a mount namespace of its own with empty
    /mnt and /media, so that its folder tree (and so every screenshot) shows the fresh
    home's folders and no drive of the machine that ran it. Elsewhere: nothing."""
    if os.geteuid() != 0 or not shutil.which("unshare"):
        return []
    return ["unshare", "--mount", "--propagation", "private", "sh", "-c",
            'mount -t tmpfs none /mnt; mount -t tmpfs none /media 2>/dev/null; exec "$@"', "flow"]


class App:
    """The real zelvo-mp3 on the desktop, with a fresh home."""

    def __init__(self, desktop, program, home, arguments=(), environment=None):
        self.desktop, self.home = desktop, home
        self.map_file = os.path.join(home, "controls.tsv")
        env = dict(desktop.env, HOME=home, XDG_CONFIG_HOME=os.path.join(home, ".config"),
                   XDG_DATA_HOME=os.path.join(home, ".local/share"), XDG_RUNTIME_DIR=os.path.join(home, "run"),
                   XDG_CACHE_HOME=os.path.join(home, ".cache"), QT_QPA_PLATFORM="xcb", SDL_AUDIODRIVER="dummy",
                   ZELVO_CONTROL_MAP=self.map_file, LC_ALL="C.UTF-8", QT_ACCESSIBILITY="0")
        env.pop("DBUS_SESSION_BUS_ADDRESS", None)
        env.pop("QT_SCALE_FACTOR", None)
        env.update(environment or {})
        os.makedirs(env["XDG_RUNTIME_DIR"], mode=0o700, exist_ok=True)
        self.env = env
        self.scale = float(env.get("QT_SCALE_FACTOR", "1"))
        self.log = open(os.path.join(home, "program.log"), "w")
        self.process = subprocess.Popen([*private_mounts(), program, *arguments], env=env, stdout=self.log,
                                        stderr=subprocess.STDOUT)

    def controls(self):
        try:
            with open(self.map_file, encoding="utf-8") as file:
                return ControlMap(file.read())
        except FileNotFoundError:
            return ControlMap("")

    def wait(self, condition, what, timeout=WAIT):
        """Waits until condition(map) gives something true, and returns it."""
        print(f"waiting for {what}", file=sys.stderr)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if self.process.poll() is not None:
                raise FlowFailure(f"the program ended (status {self.process.returncode}) while waiting for {what}")
            found = condition(self.controls())
            if found:
                return found
            time.sleep(0.05)
        raise FlowFailure(f"waited {timeout:.0f} s for {what}")

    def wait_control(self, name, window=None, ready=lambda c: True):
        return self.wait(lambda m: (c := m.control(name, window)) and ready(c) and c, f"control {name}")

    def xdotool(self, *arguments):
        run(["xdotool", *map(str, arguments)], env=self.desktop.env)

    def click_at(self, x, y, button=1, double=False):
        """Clicks at a place the control map gives (in the program's scaled pixels)."""
        self.xdotool("mousemove", "--sync", round(x * self.scale), round(y * self.scale))
        self.xdotool("click", *(["--repeat", "2", "--delay", "80"] if double else []), button)

    def click(self, name, window=None, button=1):
        control = self.wait_control(name, window, lambda c: c.enabled)
        self.click_at(*control.centre(), button=button)
        return control

    def click_text(self, text, window=None):
        """Clicks the button (or other control) that shows text; in a named window, once that
        window is active (a click on a window still being mapped may go nowhere)."""
        if window is not None:
            self.wait(lambda m: (w := m.window(window)) and w.active, f"the window {window} to be active")
        control = self.wait(lambda m: next((c for c in m.controls if c.text.replace("&", "") == text and c.enabled and
                                            (window is None or c.window == window)), None), f"a control {text}")
        self.click_at(*control.centre())

    def click_tab(self, owner, text):
        """Clicks a tab of a tab widget, and waits until it is the current one."""
        tab = self.wait(lambda m: next((t for t in m.tabs if t.owner == owner and t.text.replace("&", "") == text),
                                       None), f"the tab {text}")
        self.click_at(tab.x + tab.w // 2, tab.y + tab.h // 2)
        self.wait(lambda m: any(t.owner == owner and t.index == tab.index and t.current for t in m.tabs),
                  f"the tab {text} to show")

    def click_action(self, text):
        """Clicks an item of the open menu."""
        action = self.wait(lambda m: next((a for a in m.actions if a.text == text and a.enabled), None),
                           f"the menu item {text}")
        self.click_at(action.x + action.w // 2, action.y + action.h // 2)

    def click_row(self, view, first_cell, double=False, button=1, x_offset=None):
        row = self.wait(lambda m: m.row(view, first_cell), f"row {first_cell} of {view}")
        x = row.x + (x_offset if x_offset is not None else row.w // 2)
        self.click_at(x, row.y + row.h // 2, button=button, double=double)
        return row

    def select_row(self, view, first_cell, window):
        """Clicks a row of a view in the window until it is selected: once the window is
        active and the row has stayed in place (a window that is still being placed moves
        its rows away from a click), clicking again where a click went nowhere."""
        self.wait(lambda m: (w := m.window(window)) and w.active, f"the window {window} to be active")
        for _ in range(3):
            before = self.wait(lambda m: m.row(view, first_cell), f"row {first_cell} of {view}")
            row = self.wait(lambda m: (r := m.row(view, first_cell)) and (r.x, r.y) == (before.x, before.y) and r,
                            f"row {first_cell} to stay in place")
            self.click_at(row.x + row.w // 2, row.y + row.h // 2)
            try:
                return self.wait(lambda m: (r := m.row(view, first_cell)) and r.selected and r,
                                 f"row {first_cell} selected", timeout=10)
            except FlowFailure:
                continue
        raise FlowFailure(f"row {first_cell} of {view} never became selected")

    def click_control_until(self, name, window, done, what, at=(0.5, 0.5)):
        """Clicks a control of the window (at the given fractions of its width and height)
        once the window is active and the control stays in place, clicking again where a
        click went nowhere (a window still being placed moves away from it), until done(map)."""
        self.wait(lambda m: (w := m.window(window)) and w.active, f"the window {window} to be active")
        for _ in range(3):
            before = self.wait_control(name, window)
            control = self.wait(lambda m: (c := m.control(name, window)) and (c.x, c.y) == (before.x, before.y) and c,
                                f"{name} to stay in place")
            self.click_at(control.x + round(control.w * at[0]), control.y + round(control.h * at[1]))
            try:
                return self.wait(done, what, timeout=10)
            except FlowFailure:
                continue
        raise FlowFailure(f"clicks on {name} never gave {what}")

    def focus(self, name, window=None):
        """Presses Tab until the control has the keyboard, as a person does."""
        for _ in range(80):
            found = self.wait(lambda m: m.controls and m, "the controls")
            control = found.control(name, window)
            if control and control.focused:
                return control
            before = next((c.name for c in found.controls if c.focused), None)
            self.key("Tab")
            self.wait(lambda m: next((c.name for c in m.controls if c.focused), None) != before or before is None,
                      "the focus to move")
        raise FlowFailure(f"Tab never reached {name}")

    def key(self, *keys):
        self.xdotool("key", "--clearmodifiers", *keys)

    def type(self, text):
        self.xdotool("type", "--delay", "30", text)

    def answer_message(self, button="noButton"):
        """Waits for a message box, presses one of its buttons, and returns its text."""
        text = self.wait(lambda m: (w := m.window("confirmDialog")) and w.active and w.text, "a message")
        # The box places itself over the window that asks: its button is clicked where it
        # stands once two readings agree.
        where = None
        while True:
            control = self.wait_control(button, "confirmDialog", lambda c: c.enabled)
            if where == control.centre():
                break
            where = control.centre()
            self.wait(lambda m: m.control(button, "confirmDialog") is not None, "the message's button")
            time.sleep(0.2)
        self.click_at(*where)
        self.wait(lambda m: m.message() is None, "the message to close")
        return text

    def screenshot(self, name, window=None):
        """The screen as a PNG in the build's flows folder, or only a window of it, frame and
        all (the pictures of the guide and the README)."""
        folder = os.environ.get("FLOW_SCREENSHOTS", os.getcwd())
        os.makedirs(folder, exist_ok=True)
        path = os.path.join(folder, name + ".png")
        run(["import", "-window", "root", path], env=self.desktop.env)
        if window:
            frame = self.wait(lambda m: m.window(window), f"the window {window}")
            title = 20  # the window manager's title bar above the frame Qt reports
            x, y = round(frame.x * self.scale), max(0, round(frame.y * self.scale) - title)
            w, h = round(frame.w * self.scale), round(frame.h * self.scale) + title
            run(["convert", path, "-crop", f"{w}x{h}+{x}+{y}", "+repage", path])
        return path

    def close(self):
        if self.process.poll() is None:
            self.process.send_signal(signal.SIGTERM)
            try:
                self.process.wait(30)
            except subprocess.TimeoutExpired:
                self.process.kill()
        self.log.close()


def mean_of(image, x, y, w, h):
    """The mean grey level (0 .. 1) of a rectangle of a screenshot."""
    out = run(["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "-colorspace", "Gray", "-format", "%[fx:mean]",
               "info:"]).stdout
    return float(out)


def contrast_of(image, x, y, w, h):
    """The spread (0 .. 1) between the darkest and the lightest grey of a rectangle."""
    out = run(["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "-colorspace", "Gray", "-format",
               "%[fx:maxima] %[fx:minima]", "info:"]).stdout
    lightest, darkest = (float(v) for v in out.split())
    return lightest - darkest


def mean_colour(image, x, y, w, h):
    """The mean red, green and blue (0 .. 1) of a rectangle of a screenshot."""
    out = run(["convert", image, "-crop", f"{w}x{h}+{x}+{y}", "-format", "%[fx:mean.r] %[fx:mean.g] %[fx:mean.b]",
               "info:"]).stdout
    return tuple(float(v) for v in out.split())


def milliseconds(text):
    """The milliseconds of a time as the cutter shows it: "000 : 02 : 500"."""
    minutes, seconds, ms = (int(part) for part in text.replace(" ", "").split(":"))
    return (minutes * 60 + seconds) * 1000 + ms


def flow(body, size="1366x768"):
    """Runs a flow with a desktop, a fresh home and the program; exits 0 when it passed."""
    program = os.environ["ZELVO_APP"]
    home = tempfile.mkdtemp(prefix="zelvo-flow-")
    desktop = Desktop(size)
    app = None
    status = 0
    try:
        def start(*arguments, environment=None):
            nonlocal app
            if app:
                app.close()
            app = App(desktop, program, home, arguments, environment)
            return app
        body(home, start)
        print("1 passed, 0 failed")
    except Exception as failure:  # every failure ends the flow with what it was and a picture
        status = 1
        if app:
            try:
                app.screenshot(os.path.basename(sys.argv[0]).replace(".py", "-failed"))
            except Exception:
                pass
            with open(os.path.join(home, "program.log"), encoding="utf-8", errors="replace") as log:
                print("program output:\n" + log.read()[-4000:], file=sys.stderr)
        print(f"FAILED: {type(failure).__name__}: {failure}", file=sys.stderr)
        print("0 passed, 1 failed")
    finally:
        if app:
            app.close()
        desktop.close()
        shutil.rmtree(home, ignore_errors=True)
    sys.exit(status)
