"""The virtual X display the benchmark runs everything on, and the hands
that work it (xwininfo to find windows, xdotool to type and click).

The display, and the viewer brought up on it past its start-up notice,
come from scripts/virtual-display, which starts every virtual display.
"""

import os
import re
import subprocess
import time
from pathlib import Path

from .logs import BenchError

TOOL = Path(__file__).resolve().parents[2] / "scripts/virtual-display"


class VirtualDisplay:
    """A bare X server (Xvfb) of the given screen size, on a display number
    it chooses itself, so that it never collides with another server on the
    machine. Use as a context manager; children started with env() draw on
    it, and server_pid is the X server's process."""

    def __init__(self, width, height, depth=24):
        self.screen = f"{width}x{height}x{depth}"
        self.handle = None
        self.name = None
        self.server_pid = None

    def __enter__(self):
        done = subprocess.run([TOOL, "start", "--screen", self.screen, "--owner", str(os.getpid())],
                              stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        if done.returncode != 0:
            raise BenchError(f"no virtual display with screen {self.screen}: {done.stderr.strip()}")
        started = dict(line.split("=", 1) for line in done.stdout.splitlines())
        self.handle, self.name = started["DV_DISPLAY_HANDLE"], started["DISPLAY"]
        self.server_pid = int(started["DV_XVFB_PID"])
        return self

    def __exit__(self, *exc):
        if self.handle is not None:
            subprocess.run([TOOL, "stop", self.handle], stdin=subprocess.DEVNULL, timeout=60)
            self.handle = None

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

    def past_notice(self, pid, notice, title):
        """Brings the viewer just started as process pid up past its
        start-up notice, as a person does (Return); its window's id."""
        done = subprocess.run([TOOL, "viewer", "--pid", str(pid), "--notice", notice, "--title", title],
                              env=self.env(), stdin=subprocess.DEVNULL, capture_output=True, text=True, timeout=120)
        window = re.search(r"^VIEWER_WINDOW=(\S+)$", done.stdout, re.M)
        if done.returncode != 0 or not window:
            raise BenchError(f"the viewer did not come up: {done.stderr.strip()}")
        return window.group(1)

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
