"""Reading what the benchmark's programs leave behind.

The frame watcher (bench/frame_shim.cpp) writes one line per event, times in
nanoseconds of the real-time clock, which compare with time.time_ns() taken
by the benchmark itself:

    start T                  the watcher was loaded: the program is starting
    notice_shown T           a message box is about to be shown
    notice_closed T          the message box was dismissed
    key T N SYM              the program read key SYM after N frames
    window_created T ID TITLE
    window_shown T ID        SDL_ShowWindow returned for window ID
    context_created T ID     a GL context on window ID
    context_deleted T
    swap T N [R G B ...]     frame N presented at T, with probed pixels
    events T CALLS NS        at exit: time spent reading events (SDL_PollEvent)

The loops (bench/present_loop.cpp, bench/bare_loop.cpp) print one
"name: value" line per figure.

Every function here either returns a figure that makes sense or raises
BenchError saying what is wrong: the benchmark never prints a figure it
cannot stand behind.
"""

import math
import statistics
from dataclasses import dataclass, field

NS_PER_MS = 1_000_000
NS_PER_S = 1_000_000_000
KEY_F = 102  # SDL key code of "f"


class BenchError(Exception):
    """A measurement gave no figure, or one that cannot be true."""


@dataclass
class Swap:
    t: int
    n: int
    probes: tuple = ()


@dataclass
class WatchLog:
    start: int = None
    notice_shown: int = None
    notice_closed: int = None
    windows: list = field(default_factory=list)  # (t, id, title)
    shown: list = field(default_factory=list)  # (t, window id)
    contexts: list = field(default_factory=list)  # (t, window id)
    contexts_deleted: list = field(default_factory=list)  # t
    keys: list = field(default_factory=list)  # (t, frames so far, sym)
    swaps: list = field(default_factory=list)  # Swap
    event_calls: int = 0  # SDL_PollEvent calls, and the ns spent in them
    event_ns: int = 0


def parse_watch_log(text, name="log"):
    """Parses the frame watcher's log; raises BenchError on a line it does
    not know (a torn last line, from a program killed mid-write, is
    dropped)."""
    log = WatchLog()
    lines = text.split("\n")
    if lines and lines[-1] == "":
        lines.pop()
    elif lines:
        lines.pop()  # no newline: torn by an abrupt end
    for number, line in enumerate(lines, 1):
        kind, _, rest = line.partition(" ")
        try:
            if kind == "window_created":
                t, wid, title = rest.split(" ", 2)
                log.windows.append((int(t), int(wid), title))
                continue
            fields = [int(f) for f in rest.split()]
            if kind in ("start", "notice_shown", "notice_closed"):
                (t,) = fields
                if getattr(log, kind) is None:
                    setattr(log, kind, t)
            elif kind in ("context_created", "window_shown"):
                t, wid = fields
                (log.contexts if kind == "context_created" else log.shown).append((t, wid))
            elif kind == "context_deleted":
                (t,) = fields
                log.contexts_deleted.append(t)
            elif kind == "key":
                t, frames, sym = fields
                log.keys.append((t, frames, sym))
            elif kind == "events":
                _, log.event_calls, log.event_ns = fields
            elif kind == "swap":
                log.swaps.append(Swap(fields[0], fields[1], tuple(fields[2:])))
            else:
                raise ValueError("unknown event")
        except ValueError as e:
            raise BenchError(f"{name}, line {number}: cannot read {line!r} ({e})") from None
    for a, b in zip(log.swaps, log.swaps[1:]):
        if b.n != a.n + 1 or b.t < a.t:
            raise BenchError(f"{name}: frames out of order at frame {b.n}")
    return log


def parse_figures(text, name="output"):
    """The "name: value" lines a loop prints, as a dict of strings."""
    figures = {}
    for line in text.splitlines():
        key, sep, value = line.partition(": ")
        if sep and key and " " not in key:
            figures[key] = value.strip()
    if not figures:
        raise BenchError(f"{name}: printed no figures")
    return figures


def figure(figures, key, name="output"):
    """A numeric figure from parse_figures' dict."""
    try:
        return float(figures[key])
    except (KeyError, ValueError):
        raise BenchError(f"{name}: no number for {key!r}") from None


def fps_between(swaps, t_from, t_to, name="log"):
    """Frames per second over the frames presented from t_from to t_to,
    counted between the first and the last of them. The log must reach past
    t_to, or the program stopped early and the figure would be short."""
    inside = [s.t for s in swaps if t_from <= s.t <= t_to]
    if not swaps or swaps[-1].t < t_to:
        raise BenchError(f"{name}: no frames up to the end of the counting window")
    if len(inside) < 2:
        raise BenchError(f"{name}: fewer than two frames in the counting window")
    return (len(inside) - 1) / ((inside[-1] - inside[0]) / NS_PER_S)


def counted(log, a, b, name="log"):
    """The frames presented between two samples a and b, each a tuple
    (time, processor time of the program, processor time of the X server)
    in ns: frames per second, and the processor milliseconds per frame
    spent by the program (cpu_ms) and by the X server (x_ms)."""
    fps = fps_between(log.swaps, a[0], b[0], name)
    frames = sum(1 for s in log.swaps if a[0] <= s.t <= b[0])
    if b[1] < a[1] or b[2] < a[2]:
        raise BenchError(f"{name}: processor time ran backwards")
    return {"fps": fps, "cpu_ms": (b[1] - a[1]) / frames / NS_PER_MS, "x_ms": (b[2] - a[2]) / frames / NS_PER_MS}


def first_swap(log, name="log"):
    if not log.swaps:
        raise BenchError(f"{name}: no frame was presented")
    return log.swaps[0].t


def startup(log, process_start, title, name="log"):
    """A start-up with a notice, in ms from process_start.

    The window is the first created with the given title (the program may
    make hidden windows of its own before it), its context the first made on
    it, "window shown" when showing it returned; the first frame is the first presented after the notice was
    dismissed. Returns a dict:
      marks                     milestone -> ms, in time order
      dismissed_to_first_frame  the wait a user sees after pressing OK
      without_notice            process start to first frame, less the time
                                the notice stood waiting for the user
      contexts_before_notice, contexts_after_notice  GL contexts made
    """
    if log.notice_shown is None or log.notice_closed is None:
        raise BenchError(f"{name}: no start-up notice was shown")
    window, window_id = next(((t, i) for t, i, tt in log.windows if tt == title), (None, None))
    if window is None:
        raise BenchError(f"{name}: no window titled {title!r} was created")
    context = next((t for t, i in log.contexts if i == window_id), None)
    shown = next((t for t, i in log.shown if i == window_id), None)
    first = next((s.t for s in log.swaps if s.t >= log.notice_closed), None)
    if first is None:
        raise BenchError(f"{name}: no frame after the notice")
    marks = [("process start", process_start)]
    if log.start is not None:
        marks.append(("libraries loaded", log.start))
    marks += [("notice shown", log.notice_shown), ("notice dismissed", log.notice_closed),
              ("window created", window), ("first frame", first)]
    if context is not None:
        marks.append(("its GL context created", context))
    if shown is not None:
        marks.append(("window shown", shown))
    marks.sort(key=lambda m: m[1])
    order = [m[0] for m in marks]
    required = ["process start", "notice shown", "notice dismissed", "first frame"]
    if [m for m in order if m in required] != required or order[0] != "process start" \
            or order[-1] != "first frame":
        raise BenchError(f"{name}: start-up events out of order: {order}")
    return {
        "marks": {label: (t - process_start) / NS_PER_MS for label, t in marks},
        "dismissed_to_first_frame": (first - log.notice_closed) / NS_PER_MS,
        "without_notice": (first - process_start - (log.notice_closed - log.notice_shown)) / NS_PER_MS,
        "first_frame_t": first,
        "contexts_before_notice": sum(1 for t, _ in log.contexts if t < log.notice_shown),
        "contexts_after_notice": sum(1 for t, _ in log.contexts if t >= log.notice_closed),
    }


def contexts_at_once(log, name="log"):
    """The most GL contexts the program held at one time."""
    events = sorted([(t, 1) for t, _ in log.contexts] + [(t, -1) for t in log.contexts_deleted])
    alive = most = 0
    for _, change in events:
        alive += change
        if alive < 0:
            raise BenchError(f"{name}: a context was deleted that was never made")
        most = max(most, alive)
    return most


def fogged(swap):
    """Whether a frame's first probed pixel is the fog background
    (0.5, 0.25, 0.25) rather than the normal one (0.15, 0.15, 0.55)."""
    if len(swap.probes) < 3:
        raise BenchError(f"frame {swap.n} carries no probed pixel")
    r, _, b = swap.probes[:3]
    return r > b


def key_latency(log, sent, sym=KEY_F, name="log"):
    """For each press of the fog key: the frames presented after the program
    read it up to and including the first showing the new fog state, the
    milliseconds from the read to that frame's presentation, and the same
    counted from the moment the key was sent (sent: times in ns). The frame
    before each key must show the old state."""
    reads = [(t, n) for t, n, s in log.keys if s == sym]
    if len(reads) != len(sent):
        raise BenchError(f"{name}: {len(sent)} keys sent, {len(reads)} read")
    by_number = {s.n: s for s in log.swaps}
    result = []
    for k, ((t_read, before), t_sent) in enumerate(zip(reads, sent), 1):
        want = k % 2 == 1  # fog is off at start, so odd presses turn it on
        if before < 1 or before not in by_number or fogged(by_number[before]) == want:
            raise BenchError(f"{name}: no frame before key {k} to compare with")
        shown = next((s for s in log.swaps if s.n > before and fogged(s) == want), None)
        if shown is None:
            raise BenchError(f"{name}: key {k} never showed")
        from_send = sum(1 for s in log.swaps if t_sent < s.t <= shown.t)
        result.append({"frames": shown.n - before, "ms": (shown.t - t_read) / NS_PER_MS,
                       "frames_from_send": from_send, "ms_from_send": (shown.t - t_sent) / NS_PER_MS})
    return result


def first_model_frame(log, name="log"):
    """Time of the first frame whose two probed pixels (centre and corner)
    differ: the first frame that shows the model."""
    for s in log.swaps:
        if len(s.probes) < 6:
            raise BenchError(f"{name}: frame {s.n} carries fewer than two probed pixels")
        if s.probes[:3] != s.probes[3:6]:
            return s.t
    raise BenchError(f"{name}: no frame showed the model")


def median(values, name="figure"):
    values = list(values)
    if not values:
        raise BenchError(f"no values for {name}")
    return statistics.median(values)


def sane(value, low, high, what):
    """Returns value if low <= value <= high (and a number), else raises."""
    if not isinstance(value, (int, float)) or math.isnan(value) or not low <= value <= high:
        raise BenchError(f"impossible figure for {what}: {value!r} (expected {low} to {high})")
    return value


def monotonic(values, what):
    """Raises unless values never decrease (peak memory over a process's
    life, milestones in time)."""
    for a, b in zip(values, values[1:]):
        if b < a:
            raise BenchError(f"{what} decreases: {values}")
    return values
