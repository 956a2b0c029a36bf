"""Running the programs the benchmark measures, and what each run gives.

Every program that presents frames runs with the frame watcher preloaded;
frame rates come from its timestamps, over windows whose ends the benchmark
samples together with the processor time of the program and of the X
server. The viewer and the bare present loop take turns: both run at once,
and each is stopped (SIGSTOP) while the other is counted, so that every
pair of windows is a second or two apart and sees the same machine.
"""

import json
import os
import shutil
import signal
import subprocess
import time
from dataclasses import dataclass
from pathlib import Path

from . import logs
from .logs import BenchError


@dataclass
class Plan:
    pairs: int  # counted viewer / present loop pairs at the main size
    pair_window: float  # seconds counted in each turn
    settle: float  # seconds a resumed program runs before its turn is counted
    warm: float  # seconds of frames before anything is counted
    idle: float  # seconds the still viewer is watched
    ref_rounds: int  # rounds of start-up and the reference programs
    ref_window: float
    latency_runs: int
    keys: int
    size_rounds: int  # visits to each size
    size_pairs: int  # pairs per mode and visit
    size_window: float
    context_rounds: int
    context_seconds: float
    web_rounds: int  # first visits of the web page
    web_seconds: float  # of its spinning model, timed frame by frame


FULL = Plan(pairs=12, pair_window=1.5, settle=0.3, warm=1.5, idle=5.0, ref_rounds=5, ref_window=3.0,
            latency_runs=3, keys=6, size_rounds=2, size_pairs=3, size_window=1.0, context_rounds=2,
            context_seconds=1.5, web_rounds=7, web_seconds=3.0)
SMOKE = Plan(pairs=2, pair_window=0.5, settle=0.2, warm=0.5, idle=2.0, ref_rounds=1, ref_window=1.0,
             latency_runs=1, keys=2, size_rounds=1, size_pairs=1, size_window=0.5, context_rounds=1,
             context_seconds=0.8, web_rounds=1, web_seconds=1.0)
MODES = {"plain": [], "fog": ["--fog"], "wireframe": ["--wireframe"]}  # the present loop's flags


def vm_hwm_kib(pid):
    with open(f"/proc/{pid}/status") as f:
        for line in f:
            if line.startswith("VmHWM:"):
                return int(line.split()[1])
    raise BenchError(f"no VmHWM for process {pid}")


def rss_by_mapping(pid):
    """Resident KiB of a process by what is mapped: a file's name, or
    "[heap]", "[stack]", "[anon]" (anonymous) and the like."""
    rss, name = {}, None
    with open(f"/proc/{pid}/smaps") as f:
        for line in f:
            fields = line.split()
            if "-" in fields[0] and ":" not in fields[0]:  # a mapping's first line
                name = Path(fields[5]).name if len(fields) > 5 else "[anon]"
            elif fields[0] == "Rss:":
                rss[name] = rss.get(name, 0) + int(fields[1])
    return rss


def cpu_ns(pid):
    """Processor time of all of a process's threads, by the scheduler."""
    total = 0
    for task in os.listdir(f"/proc/{pid}/task"):
        try:
            with open(f"/proc/{pid}/task/{task}/schedstat") as f:
                total += int(f.read().split()[0])
        except FileNotFoundError:
            pass  # a thread that has just ended
    return total


def web_page(plan, web_build, tools, script, out):
    """The web page's figures (bench/web_page.mjs in headless Chromium):
    plan.web_rounds first visits, each with its notice, first frame and
    frame times, and the files the first one downloaded. The script runs
    from the browser tests' tools folder, beside chromium.mjs and
    puppeteer-core."""
    shutil.copy(script, tools / script.name)
    log = out / "web.log"
    with open(log, "w") as stderr:
        try:
            done = subprocess.run(["node", str(tools / script.name), str(web_build), str(plan.web_rounds),
                                   str(plan.web_seconds)], stdout=subprocess.PIPE, stderr=stderr, text=True,
                                  timeout=120 + plan.web_rounds * (plan.web_seconds + 60))
        except subprocess.TimeoutExpired:
            raise BenchError(f"the web page's run took too long; see {log}")
    if done.returncode != 0:
        raise BenchError(f"the web page's run failed (status {done.returncode}); see {log}")
    return json.loads(done.stdout)


class Children:
    """The processes this run started; each is ended by its own id."""

    def __init__(self):
        self.running = []

    def start(self, command, env, **kw):
        # Each in a session of its own: a stopped process in a process group
        # that has lost its link to the shell gets SIGHUP whenever another
        # member ends, which would end it (the benchmark may itself be run
        # from a shell that is gone by then).
        p = subprocess.Popen([str(c) for c in command], env=env, stdin=subprocess.DEVNULL, start_new_session=True,
                             **kw)
        self.running.append(p)
        return p

    def end(self, p, grace=5.0):
        if p.poll() is None:
            p.send_signal(signal.SIGCONT)  # a stopped process would not act on the end signal
            p.terminate()
            try:
                p.wait(grace)
            except subprocess.TimeoutExpired:
                p.kill()
                p.wait()
        if p in self.running:
            self.running.remove(p)

    def end_all(self):
        for p in list(self.running):
            self.end(p, 2.0)


@dataclass
class Session:
    """A running viewer."""
    process: subprocess.Popen
    t0: int
    log: Path
    window: str
    size: tuple


@dataclass
class Loop:
    """A running present loop."""
    process: subprocess.Popen
    tag: str
    log: Path


class Bench:
    def __init__(self, plan, programs, out, title, notice):
        self.plan = plan
        self.p = programs
        self.out = out
        self.title = title
        self.notice = notice
        self.children = Children()
        self.loads = []

    # ---- running things ----

    def log_path(self, tag):
        log = self.out / f"{tag}.log"
        log.unlink(missing_ok=True)
        return log

    def watched_env(self, d, log, probe=None):
        extra = {"LD_PRELOAD": self.p["frame watcher"], "DV_SHIM_LOG": log}
        if probe:
            extra["DV_SHIM_PROBE"] = probe
        return d.env(**extra)

    def read_log(self, path):
        return logs.parse_watch_log(Path(path).read_text(), Path(path).name)

    def wait_for(self, log, test, what="a frame", timeout=30.0):
        """Polls a watcher log until test(parsed log) is true."""
        deadline = time.monotonic() + timeout
        while time.monotonic() < deadline:
            if log.exists():
                try:
                    if test(self.read_log(log)):
                        return
                except BenchError:
                    pass  # a line being written; a complete read tells later
            time.sleep(0.05)
        raise BenchError(f"{log.name}: the program showed no {what} within {timeout:.0f} s")

    def wait_for_frames(self, log):
        self.wait_for(log, lambda g: len(g.swaps) > 0)

    def sample(self, d, p):
        """(time, processor time of p, processor time of the X server), ns."""
        if p.poll() is not None:
            how = f"signal {signal.Signals(-p.returncode).name}" if p.returncode < 0 else f"status {p.returncode}"
            raise BenchError(f"{Path(p.args[0]).name} ended by itself while measured ({how})")
        return time.time_ns(), cpu_ns(p.pid), cpu_ns(d.server_pid)

    def count(self, d, p, window):
        """Samples at the start and the end of window s."""
        a = self.sample(d, p)
        time.sleep(window)
        return a, self.sample(d, p)

    def turn(self, d, p, window):
        """Lets a stopped program run: settle s uncounted, then window s
        counted; stops it again."""
        p.send_signal(signal.SIGCONT)
        time.sleep(self.plan.settle)
        samples = self.count(d, p, window)
        p.send_signal(signal.SIGSTOP)
        return samples

    def warm_up(self, p):
        p.send_signal(signal.SIGCONT)
        time.sleep(self.plan.warm)
        p.send_signal(signal.SIGSTOP)

    def start_viewer(self, d, tag, probe=None):
        log = self.log_path(tag)
        t0 = time.time_ns()
        process = self.children.start([self.p["viewer"]], self.watched_env(d, log, probe),
                                      stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        window = d.past_notice(process.pid, self.notice, self.title)
        return Session(process, t0, log, window, d.window_size(window))

    def end_viewer(self, d, s):
        """Escape, as a user ends it (the watcher then writes out its log)."""
        s.process.send_signal(signal.SIGCONT)
        try:
            d.press(s.window, "Escape")
            s.process.wait(5)
        except (BenchError, subprocess.TimeoutExpired):
            pass
        self.children.end(s.process)
        return self.read_log(s.log)

    def start_present(self, d, tag, size, *flags):
        """The bare present loop, stopped after its first frame; it runs
        until end_present."""
        log = self.log_path(tag)
        p = self.children.start([self.p["present loop"], size[0], size[1], 3600, *flags],
                                self.watched_env(d, log), stdout=subprocess.PIPE, stderr=subprocess.STDOUT,
                                text=True)
        self.wait_for_frames(log)
        p.send_signal(signal.SIGSTOP)
        return Loop(p, tag, log)

    def end_present(self, loop):
        """Ends the present loop (it stops at the end signal and prints its
        figures); its figures and its log."""
        p = loop.process
        p.send_signal(signal.SIGCONT)
        p.terminate()
        try:
            output, _ = p.communicate(timeout=30)
        finally:
            self.children.end(p)
        return self.loop_figures(loop.tag, p.returncode, output), self.read_log(loop.log)

    def loop_figures(self, tag, returncode, output):
        (self.out / f"{tag}.out").write_text(output)
        if returncode != 0:
            raise BenchError(f"{tag} failed: {output}")
        figures = logs.parse_figures(output, tag)
        if not figures.get("model_drawn", "").startswith("yes"):
            raise BenchError(f"{tag}: the frame it checked does not show the model")
        return figures

    def run_loop(self, d, program, tag, *args):
        """Runs one of the loops to its end; its printed figures."""
        done = subprocess.run([str(self.p[program])] + [str(a) for a in args], env=d.env(), capture_output=True,
                              text=True, timeout=300)
        return self.loop_figures(tag, done.returncode, done.stdout + done.stderr)

    def gears(self, d, tag, size, window):
        log = self.log_path(tag)
        p = self.children.start(["glxgears", "-geometry", f"{size[0]}x{size[1]}"], self.watched_env(d, log),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_for_frames(log)
        time.sleep(self.plan.warm)
        a, b = self.count(d, p, window)
        hwm, rss = vm_hwm_kib(p.pid), rss_by_mapping(p.pid)
        # Escape ends it cleanly, so that the watcher writes out its frames.
        try:
            d.press(d.find_window("glxgears", 5), "Escape")
            p.wait(5)
        except (BenchError, subprocess.TimeoutExpired):
            pass
        self.children.end(p)
        return logs.counted(self.read_log(log), a, b, tag), hwm, rss

    def f3d(self, d, tag, size, obj):
        log = self.log_path(tag)
        w, h = size
        t0 = time.time_ns()
        p = self.children.start(["f3d", "--dry-run", "--up=+Z", f"--resolution={w},{h}", obj],
                                self.watched_env(d, log, f"{w // 2},{h // 2},2,2"),
                                stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        self.wait_for(log, lambda g: any(s.probes[:3] != s.probes[3:6] for s in g.swaps), "frame with the duck")
        time.sleep(1.0)
        hwm = vm_hwm_kib(p.pid)
        self.children.end(p)
        g = self.read_log(log)
        return {"model": (logs.first_model_frame(g, tag) - t0) / logs.NS_PER_MS,
                "first": (logs.first_swap(g, tag) - t0) / logs.NS_PER_MS, "hwm": hwm}

    def note_load(self):
        self.loads.append(os.getloadavg()[0])

    # ---- the measurements ----

    def take_turns(self, d, viewer, present, pairs, window):
        """Pairs of turns, viewer then present loop; their samples."""
        return [(self.turn(d, viewer, window), self.turn(d, present, window)) for _ in range(pairs)]

    def main_pairs(self, d):
        """The viewer against the bare present loop, in turns; then the
        viewer standing still (a click without movement stops the spin)."""
        plan = self.plan
        self.note_load()
        s = self.start_viewer(d, "viewer")
        self.wait_for_frames(s.log)
        s.process.send_signal(signal.SIGSTOP)
        present = self.start_present(d, "present", s.size)
        self.warm_up(s.process)
        self.warm_up(present.process)
        samples = self.take_turns(d, s.process, present.process, plan.pairs, plan.pair_window)
        self.note_load()
        present_rss = rss_by_mapping(present.process.pid)
        present_figures, present_log = self.end_present(present)
        s.process.send_signal(signal.SIGCONT)
        hwm, rss = vm_hwm_kib(s.process.pid), rss_by_mapping(s.process.pid)
        d.click(s.window, s.size[0] // 2, s.size[1] // 2)
        time.sleep(0.5)  # the one frame the click asks for
        still0 = time.time_ns(), cpu_ns(s.process.pid)
        time.sleep(plan.idle)
        still1 = time.time_ns(), cpu_ns(s.process.pid)
        log = self.end_viewer(d, s)
        pairs = []
        for (va, vb), (pa, pb) in samples:
            viewer, bare = logs.counted(log, va, vb, s.log.name), logs.counted(present_log, pa, pb, "present")
            pairs.append({"viewer": viewer, "present": bare, "ratio": viewer["fps"] / bare["fps"]})
        frames = len(log.swaps)
        fps = logs.median(p["viewer"]["fps"] for p in pairs)
        return {
            "size": s.size, "pairs": pairs, "viewer_hwm": hwm, "present_hwm": logs.figure(present_figures, "hwm_kib"),
            "viewer_rss": rss, "present_rss": present_rss,
            "idle_cpu_ms": (still1[1] - still0[1]) / logs.NS_PER_MS,
            "idle_frames": sum(1 for x in log.swaps if still0[0] <= x.t <= still1[0]),
            "idle_seconds": (still1[0] - still0[0]) / logs.NS_PER_S,
            # Reading events: what the viewer's loop does that the present
            # loop does not, per frame and as a share of a frame's time.
            "event_us": log.event_ns / frames / 1000, "event_calls": log.event_calls / frames,
            "event_share": log.event_ns / frames / (logs.NS_PER_S / fps),
        }

    def reference_round(self, d, r, size, obj):
        """The viewer's start-up, then the references one after the other."""
        plan = self.plan
        self.note_load()
        s = self.start_viewer(d, f"startup-{r}")
        self.wait_for_frames(s.log)
        time.sleep(0.3)
        log = self.end_viewer(d, s)
        off = self.run_loop(d, "offscreen loop", f"offscreen-{r}", size[0], size[1], plan.ref_window)
        ref = {
            "startup": logs.startup(log, s.t0, self.title, s.log.name),
            "viewer_contexts": len(log.contexts), "viewer_contexts_at_once": logs.contexts_at_once(log, s.log.name),
            "viewer_windows": len(log.windows),
            "offscreen_fps": logs.figure(off, "fps"), "offscreen_hwm": logs.figure(off, "hwm_kib"),
            "offscreen_renderer": off.get("renderer", "?"),
            "list_fps": logs.figure(self.run_loop(d, "display-list loop", f"list-{r}", size[0], size[1],
                                                  plan.ref_window), "fps"),
        }
        ref["gears"], ref["gears_hwm"], ref["gears_rss"] = self.gears(d, f"gears-{r}", size, plan.ref_window)
        ref["f3d"] = self.f3d(d, f"f3d-{r}", size, obj)
        return ref

    def latency_run(self, d, i):
        plan = self.plan
        s = self.start_viewer(d, f"latency-{i}", probe="2,2")
        time.sleep(plan.warm)
        d.focus(s.window)
        sent = []
        for k in range(1, plan.keys + 1):
            sent.append(time.time_ns())
            d.type_key("f")
            # The next key only once this one has been read and a frame
            # followed (with probes, the watcher writes every frame at
            # once): two keys read between the same two frames would cancel
            # out, and neither could be seen.
            self.wait_for(s.log, lambda g: len(reads := [n for _, n, sym in g.keys if sym == logs.KEY_F]) >= k
                          and g.swaps[-1].n > reads[k - 1], f"frame after key {k}")
            time.sleep(0.2)
        return logs.key_latency(self.end_viewer(d, s), sent, name=s.log.name)

    def contexts_run(self, d, r, size):
        """Peak memory of the present loop making 1, 2 and 3 contexts, the
        extra ones deleted at once (as a warm-up context is) or kept."""
        runs = {}
        for n, keep in [(1, False), (2, False), (3, False), (2, True), (3, True)]:
            tag = f"contexts-{n}{'-kept' if keep else ''}-{r}"
            figures = self.run_loop(d, "present loop", tag, size[0], size[1], self.plan.context_seconds,
                                    "--contexts", n, *(["--keep"] if keep else []))
            hwm = logs.figure(figures, "hwm_kib", tag)
            steps = [logs.figure(figures, "hwm_kib_before_contexts", tag)]
            steps += [logs.figure(figures, f"hwm_kib_after_context_{k}", tag) for k in range(1, n + 1)]
            first_frame = logs.figure(figures, "hwm_kib_after_first_frame", tag)
            logs.monotonic(steps + [first_frame, hwm], f"{tag}: peak memory")
            runs[f"{n} kept" if keep else str(n)] = {
                "count": n, "steps": steps, "first_frame": first_frame, "hwm": hwm,
                "ms": {key: logs.figure(figures, f"{key}_ms", tag) for key in ("window", "context_1", "first_frame")},
                "heap": [logs.figure(figures, f"heap_kib_{key}", tag) for key in ("before_contexts", "after_first_frame")]}
        return runs

    def size_visit(self, d, screen_h, r):
        """At one client size: the viewer against present loops plain, with
        fog and with wireframe, in turns (the viewer switched by "f" and
        "p"); its start-up and memory; then glxgears."""
        plan = self.plan
        self.note_load()
        tag = f"size{screen_h}-{r}"
        s = self.start_viewer(d, f"{tag}-viewer")
        self.wait_for_frames(s.log)
        s.process.send_signal(signal.SIGSTOP)
        present = {mode: self.start_present(d, f"{tag}-present-{mode}", s.size, *flags)
                   for mode, flags in MODES.items()}
        self.warm_up(s.process)
        samples, pressed = {}, 0
        for mode, keys in [("plain", []), ("fog", ["f"]), ("wireframe", ["f", "p"])]:
            s.process.send_signal(signal.SIGCONT)
            for key in keys:
                d.press(s.window, key)
            pressed += len(keys)
            self.wait_for(s.log, lambda g: len(g.keys) >= pressed, "key read")  # read before it stops
            s.process.send_signal(signal.SIGSTOP)
            self.warm_up(present[mode].process)
            samples[mode] = self.take_turns(d, s.process, present[mode].process, plan.size_pairs, plan.size_window)
        s.process.send_signal(signal.SIGCONT)
        hwm = vm_hwm_kib(s.process.pid)
        log = self.end_viewer(d, s)
        result = {"size": s.size, "viewer_hwm": hwm, "pairs": {},
                  "startup": logs.startup(log, s.t0, self.title, s.log.name)["dismissed_to_first_frame"]}
        for mode, loop in present.items():
            figures, present_log = self.end_present(loop)
            if mode == "plain":
                result["present_hwm"] = logs.figure(figures, "hwm_kib")
            result["pairs"][mode] = [{"viewer": logs.counted(log, va, vb, s.log.name),
                                      "present": logs.counted(present_log, pa, pb, loop.tag)}
                                     for (va, vb), (pa, pb) in samples[mode]]
        result["gears"], result["gears_hwm"], _ = self.gears(d, f"{tag}-gears", s.size, plan.size_window * 2)
        return result
