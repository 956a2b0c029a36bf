"""The virtual X display the benchmark runs everything on, and the hands
that work it (xwininfo to find windows, xdotool to type and click).

This is the benchmark's one place that starts Xvfb.
"""

import os
import re
import subprocess
import time

from .logs import BenchError


class VirtualDisplay:
    """Xvfb on a display number it chooses itself (-displayfd), so that it
    never collides with another server on the machine. Use as a context
    manager; children started with env() draw on it."""

    def __init__(self, width, height, depth=24):
        self.screen = f"{width}x{height}x{depth}"
        self.process = None
        self.name = None

    def __enter__(self):
        read_end, write_end = os.pipe()
        self.process = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", self.screen, "-nolisten", "tcp", "-noreset"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as f:
            number = f.readline().strip()  # written once the server listens
        if not number.isdigit():
            self.__exit__(None, None, None)
            raise BenchError(f"Xvfb did not start with screen {self.screen}")
        self.name = ":" + number
        return self

    def __exit__(self, *exc):
        if self.process is not None:
            self.process.terminate()
            try:
                self.process.wait(10)
            except subprocess.TimeoutExpired:
                self.process.kill()
                self.process.wait()
            self.process = None

    def env(self, **extra):
        """The environment for a program on this display. No session bus:
        without one, every SDL program would start its own (dbus-launch),
        which outlives it."""
        env = dict(os.environ, DISPLAY=self.name, LC_ALL="C", DBUS_SESSION_BUS_ADDRESS="disabled:")
        env.pop("WAYLAND_DISPLAY", None)
        env.update({k: str(v) for k, v in extra.items()})
        return env

    def run(self, *command):
        """Runs a short X client on this display and returns its output."""
        done = subprocess.run(command, env=self.env(), capture_output=True, text=True, timeout=30)
        if done.returncode != 0:
            raise BenchError(f"{' '.join(command)} failed: {done.stderr.strip()}")
        return done.stdout

    def find_window(self, title, timeout=30.0):
        """The id of the first viewable window titled exactly title, waiting
        for it to appear."""
        pattern = re.compile(r'^\s*(0x[0-9a-f]+) "' + re.escape(title) + r'": \(', re.M)
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            try:
                for wid in pattern.findall(self.run("xwininfo", "-root", "-tree")):
                    if "IsViewable" in self.run("xwininfo", "-id", wid):
                        return wid
            except BenchError:
                pass  # a window went away while the tree was read
            time.sleep(0.05)
        raise BenchError(f"no window {title!r} appeared within {timeout:.0f} s")

    def window_size(self, wid):
        info = self.run("xwininfo", "-id", wid)
        w = re.search(r"Width: (\d+)", info)
        h = re.search(r"Height: (\d+)", info)
        if not (w and h):
            raise BenchError(f"no size for window {wid}")
        return int(w.group(1)), int(h.group(1))

    def focus(self, wid):
        self.run("xdotool", "windowfocus", "--sync", wid)

    def type_key(self, key):
        """Types key into the window that has the focus."""
        self.run("xdotool", "key", "--clearmodifiers", key)

    def press(self, wid, key):
        self.focus(wid)
        self.type_key(key)

    def click(self, wid, x, y):
        """A left click without movement at (x, y) of window wid."""
        self.run("xdotool", "mousemove", "--window", wid, str(x), str(y), "click", "1")

    def renderer(self):
        """The GL renderer and version a window on this display gets."""
        info = self.run("glxinfo", "-B")
        r = re.search(r"OpenGL renderer string: (.*)", info)
        v = re.search(r"OpenGL version string: (.*)", info)
        if not (r and v):
            raise BenchError("glxinfo names no renderer")
        return r.group(1).strip(), v.group(1).strip()
