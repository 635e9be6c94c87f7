"""A private X desktop for the GUI suite: an Xvfb server, a window manager on it, and the ways a
user touches it. Every input is a real X event (xdotool); windows are found by their titles."""

import array
import hashlib
import os
import subprocess
import tempfile
import time

from Xlib import X, display, error

# Long enough for a loaded CI machine; a wait that runs out fails the test with what it waited for.
WAIT_SECONDS = 30


def wait_until(condition, what, timeout=WAIT_SECONDS):
    deadline = time.monotonic() + timeout
    while not condition():
        if time.monotonic() > deadline:
            raise TimeoutError(f"waited {timeout} s for {what}")
        time.sleep(0.05)


class Desktop:
    def __init__(self, width=1024, height=768):
        self._xvfb = None
        self._wm = None
        self._display = None
        self.name = None
        self._start(width, height)

    def _start(self, width, height):
        # -displayfd: the server picks a free display and writes its number once it accepts clients.
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", f"{width}x{height}x24",
             "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as announced:
            number = announced.readline().strip()
        if not number:
            raise RuntimeError("Xvfb did not start")
        self.name = f":{number}"
        self._display = display.Display(self.name)
        self._display.xfixes_query_version()
        self._wm = subprocess.Popen(["openbox", "--sm-disable"], env=self.environment(),
                                    stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        wait_until(self._window_manager_running, "the window manager")

    def close(self):
        if self._display is not None:
            self._display.close()
        for process in (self._wm, self._xvfb):
            if process is not None and process.poll() is None:
                process.terminate()
                process.wait(timeout=10)

    def environment(self, **extra):
        env = dict(os.environ, DISPLAY=self.name, **extra)
        env.pop("QT_QPA_PLATFORM", None)  # the suite runs on the X server, whatever the caller uses
        return env

    # --- windows ---------------------------------------------------------------------------------

    def window(self, title, other_than=(), timeout=WAIT_SECONDS):
        """The id of a shown top-level window titled title, waiting for one to appear."""
        found = []

        def shown():
            found[:] = [w for w in self._titled(title) if w not in other_than]
            return bool(found)

        wait_until(shown, f'a window titled "{title}"', timeout)
        return found[0]

    def window_gone(self, window_id, timeout=WAIT_SECONDS):
        wait_until(lambda: not self._viewable(window_id), f"window {window_id:#x} to close", timeout)

    def geometry(self, window_id):
        """The window's client area on the screen: left, top, width, height."""
        window = self._display.create_resource_object("window", window_id)
        size = window.get_geometry()
        origin = window.translate_coords(self._display.screen().root, 0, 0)
        return -origin.x, -origin.y, size.width, size.height

    def _titled(self, title):
        matches = []
        net_name = self._display.intern_atom("_NET_WM_NAME")
        utf8 = self._display.intern_atom("UTF8_STRING")
        pending = [self._display.screen().root]
        while pending:
            window = pending.pop()
            # Windows come and go while the tree is walked; one gone by now is simply not there.
            try:
                pending.extend(window.query_tree().children)
                name = window.get_full_property(net_name, utf8)
                if name is not None and name.value.decode("utf-8") == title \
                        and window.get_attributes().map_state == X.IsViewable:
                    matches.append(window.id)
            except (error.BadWindow, error.BadDrawable, error.BadMatch):
                continue
        return matches

    def _viewable(self, window_id):
        try:
            window = self._display.create_resource_object("window", window_id)
            return window.get_attributes().map_state == X.IsViewable
        except (error.BadWindow, error.BadDrawable):
            return False

    def _window_manager_running(self):
        check = self._display.intern_atom("_NET_SUPPORTING_WM_CHECK")
        return self._display.screen().root.get_full_property(check, X.AnyPropertyType) is not None

    # --- input: real X events ----------------------------------------------------------------------

    def click(self, window_id, x, y, times=1):
        """Moves the pointer to (x, y) of the window's client area and clicks the left button (three
        times selects a whole text, as a user does to copy it)."""
        self.point_at(window_id, x, y)
        self._xdotool("click", "--repeat", str(times), "--delay", "80", "1")

    def point_at(self, window_id, x, y):
        # xdotool's own --sync waits for a motion that never comes when the pointer is there already.
        self._xdotool("mousemove", "--window", str(window_id), str(x), str(y))
        left, top, _, _ = self.geometry(window_id)
        root = self._display.screen().root
        wait_until(lambda: (root.query_pointer().root_x, root.query_pointer().root_y) == (left + x, top + y),
                   "the pointer to arrive")

    def minimize(self, window_id):
        self._xdotool("windowminimize", "--sync", str(window_id))

    def restore(self, window_id):
        """Brings a minimised window back, as its task-bar entry does."""
        self._xdotool("windowactivate", "--sync", str(window_id))
        wait_until(lambda: self._viewable(window_id), f"window {window_id:#x} to come back")

    def selected_text(self):
        """The text selected last on the desktop (the X primary selection), as a paste would get it."""
        return subprocess.run(["xclip", "-out", "-selection", "primary"], env=self.environment(),
                              check=True, capture_output=True, text=True, timeout=WAIT_SECONDS).stdout

    def keys(self, *names):
        self._xdotool("key", "--delay", "30", *names)

    def type(self, text):
        self._xdotool("type", "--delay", "20", text)

    def _xdotool(self, *arguments):
        subprocess.run(["xdotool", *arguments], env=self.environment(), check=True, timeout=WAIT_SECONDS)

    # --- what the user sees ------------------------------------------------------------------------

    def cursor(self):
        """The pointer's shape as it shows now: its size, hot spot and a digest of its pixels, equal
        for equal shapes."""
        image = self._display.xfixes_get_cursor_image(self._display.screen().root)
        pixels = hashlib.sha1(array.array("I", image.cursor_image).tobytes()).hexdigest()[:12]
        return f"{image.width}x{image.height} hot spot {image.xhot},{image.yhot} pixels {pixels}"

    def screenshot(self, path, window_id=None):
        """Saves the screen, or what it shows of one window's client area (with whatever stands
        over it), as a PNG."""
        crop = []
        if window_id is not None:
            left, top, width, height = self.geometry(window_id)
            crop = ["-crop", f"{width}x{height}+{left}+{top}", "+repage"]
        subprocess.run(["import", "-window", "root", *crop, path], env=self.environment(), check=True,
                       timeout=WAIT_SECONDS)

    def colours_in(self, window_id, x, y, width, height):
        """How many different colours the given area of the window shows: 1 for an empty list."""
        with tempfile.NamedTemporaryFile(suffix=".png") as shot:
            self.screenshot(shot.name, window_id)
            counted = subprocess.run(
                ["convert", shot.name, "-crop", f"{width}x{height}+{x}+{y}", "-format", "%k", "info:"],
                check=True, capture_output=True, text=True, timeout=WAIT_SECONDS)
        return int(counted.stdout)
