"""From the runs' results to the document's figures: checks, medians,
goals, tables and the charts' data.

results (as scripts/bench keeps them in results.json):
  env       date, machine, renderer, load averages, duration
  main      the viewer against the present loop in turns at the main size
            ("pairs"), its memory, idle and event-reading figures
  refs      rounds of the viewer's start-up and the reference programs
  latency   one entry per key press
  contexts  rounds of the present loop with 1, 2, 3 contexts
  sizes     visits to each client size
  web       the web page's first visits in headless Chromium and the files
            they download
"""

import os

from . import report
from .logs import BenchError, median, monotonic, sane

MIB = 1024.0  # KiB per MiB
GOAL_RATIO = 0.97  # viewer / bare present loop
GOAL_MEMORY_MIB = 4.0  # above glxgears
GOAL_STARTUP_MS = 100.0
GOAL_IDLE_MS = 10.0
# The web page's targets, reported, not goals the run must meet.
TARGET_WEB_NOTICE_MS = 300.0  # from the navigation, on 127.0.0.1
TARGET_WEB_FIRST_FRAME_MS = 50.0  # from OK
MODES = ("plain", "fog", "wireframe")

n = report.number


def mib(kib):
    return n(kib / MIB)


def signed_mib(value):
    """A difference in MiB as text that needs no minus sign."""
    return f"{n(abs(value))} MiB {'above' if value >= 0 else 'below'}"


def verdict(ok):
    return "met" if ok else "missed"


def cost(counted):
    """Processor ms per frame, program and X server together."""
    return counted["cpu_ms"] + counted["x_ms"]


# ---- checks ----

def check_counted(c, what):
    sane(c["fps"], 1, 1e5, f"{what}: frame rate")
    sane(c["cpu_ms"], 1e-6, 1000, f"{what}: processor ms per frame")
    sane(c["x_ms"], 0, 1000, f"{what}: X server's processor ms per frame")


def check_memory(kib, what):
    sane(kib / MIB, 1, 24 * 1024, f"{what}: peak memory (MiB)")


def check(results):
    """Every figure against what can be true; raises on the first that
    cannot."""
    main = results["main"]
    for p in main["pairs"]:
        check_counted(p["viewer"], "viewer")
        check_counted(p["present"], "present loop")
        sane(p["ratio"], 0.05, 20, "viewer / present loop")
    check_memory(main["viewer_hwm"], "viewer")
    check_memory(main["present_hwm"], "present loop")
    # Resident memory by mapping, read just after the peak: near the peak.
    for rss, hwm, what in [(main["viewer_rss"], main["viewer_hwm"], "viewer"),
                           (main["present_rss"], main["present_hwm"], "present loop"),
                           (results["refs"][-1]["gears_rss"], results["refs"][-1]["gears_hwm"], "glxgears")]:
        sane(sum(rss.values()) / hwm, 0.5, 1.1, f"{what}: resident memory by mapping against its peak")
    sane(main["idle_cpu_ms"], 0, main["idle_seconds"] * 1000 * os.cpu_count(), "processor time while still")
    sane(main["idle_frames"], 0, 1e6, "frames while still")
    sane(main["event_calls"], 1, 1000, "event reads per frame")  # the loop reads events every pass
    sane(main["event_share"], 0, 1, "share of a frame spent reading events")
    for r in results["refs"]:
        check_counted(r["gears"], "glxgears")
        for key in ("offscreen_fps", "list_fps"):
            sane(r[key], 1, 1e5, key)
        for key in ("offscreen_hwm", "gears_hwm"):
            check_memory(r[key], key)
        check_memory(r["f3d"]["hwm"], "f3d")
        sane(r["f3d"]["first"], 0, 60000, "f3d first frame")
        sane(r["f3d"]["model"], r["f3d"]["first"], 60000, "f3d first frame with the model")
        marks = r["startup"]["marks"]
        monotonic(list(marks.values()), "start-up milestones")
        for label, ms in marks.items():
            sane(ms, 0, 60000, f"start-up, {label}")
        sane(r["startup"]["dismissed_to_first_frame"], 0, marks["first frame"], "dismissed to first frame")
        sane(r["startup"]["without_notice"], 0, marks["first frame"], "start-up less the notice's wait")
    for k in results["latency"]:
        sane(k["frames"], 1, 1000, "key to frame, frames")
        sane(k["ms"], 0, 10000, "key to frame, ms")
        sane(k["ms_from_send"], k["ms"], 10000, "send to frame, ms")
    for s in results["sizes"]:
        for mode in MODES:
            for p in s["pairs"][mode]:
                check_counted(p["viewer"], f"viewer, {mode}, {s['size']}")
                check_counted(p["present"], f"present loop, {mode}, {s['size']}")
        check_counted(s["gears"], f"glxgears, {s['size']}")
        sane(s["startup"], 0, 60000, f"start-up at {s['size']}")
        for key in ("viewer_hwm", "present_hwm", "gears_hwm"):
            check_memory(s[key], f"{key} at {s['size']}")
    check_web(results["web"])
    for runs in results["contexts"]:
        for key, c in runs.items():
            check_memory(c["hwm"], f"{key} contexts")
            for step, ms in c["ms"].items():
                sane(ms, 0, 60000, f"present loop, {key} contexts: {step} ms")
            for kib in c["heap"]:
                check_memory(kib, f"present loop, {key} contexts: heap")


def check_web(web):
    for r in web["rounds"]:
        sane(r["notice_ms"], 1, 60000, "web page: navigation to notice")
        sane(r["first_frame_ms"], 0, 60000, "web page: OK to first frame")
        sane(r["frame_ms"], 0.001, 1000, "web page: ms a frame")
        sane(r["frame_median_ms"], 0, 1000, "web page: median ms a frame")
        sane(r["frames"], 1, 1e6, "web page: frames timed")
    if not {"duckview.html", "duckview.js", "duckview.wasm"} <= {f["name"] for f in web["files"]}:
        raise BenchError(f"the web page's download lacks the program: {[f['name'] for f in web['files']]}")
    for f in web["files"]:
        sane(f["bytes"], 1, 1e8, f"web page: {f['name']} bytes")
        sane(f["gzip"], 1, f["bytes"] + 1024, f"web page: {f['name']} gzip bytes")
        sane(f["brotli"], 1, f["bytes"] + 1024, f"web page: {f['name']} brotli bytes")


# ---- the document's parts: (values, charts' data) each ----

def frame_rates(main, refs):
    pairs = main["pairs"]
    ratios = [p["ratio"] for p in pairs]
    ratio = median(ratios)
    cost_ratios = [cost(p["present"]) / cost(p["viewer"]) for p in pairs]
    programs = [  # label, counted windows or plain frame rates, colour, what it is
        ("duckview in its window", [p["viewer"] for p in pairs], "#c0392b", "the program as a user runs it"),
        ("bare present loop", [p["present"] for p in pairs], "#2c3e80",
         "its frame swapped back to back in a plain SDL window: the limit"),
        ("offscreen loop", [r["offscreen_fps"] for r in refs], "#7f8c8d",
         "its frame in an EGL pbuffer, presented nowhere"),
        ("offscreen, display list", [r["list_fps"] for r in refs], "#95a5a6",
         "the same with the model replayed from a display list"),
        ("glxgears", [r["gears"] for r in refs], "#bdc3c7", "reference GL program, same window size")]
    rows, bars = [], []
    for label, counts, colour, what in programs:
        fps = [c["fps"] if isinstance(c, dict) else c for c in counts]
        cpu = "not measured"
        if isinstance(counts[0], dict):
            cpu = f"{n(median(c['cpu_ms'] for c in counts), 3)} + {n(median(c['x_ms'] for c in counts), 3)}"
        rows.append([label, f"{n(median(fps))} ({n(min(fps))} to {n(max(fps))})", cpu, what])
        bars.append((label, median(fps), min(fps), max(fps), colour))
    values = {
        "VIEWER_FPS": n(median(p["viewer"]["fps"] for p in pairs)),
        "PRESENT_FPS": n(median(p["present"]["fps"] for p in pairs)),
        "RATIO": n(ratio, 3), "RATIO_LOW": n(min(ratios), 3), "RATIO_HIGH": n(max(ratios), 3),
        "COST_RATIO": n(median(cost_ratios), 3), "COST_RATIO_LOW": n(min(cost_ratios), 3),
        "COST_RATIO_HIGH": n(max(cost_ratios), 3),
        # Other work only ever adds to a window's cost per frame, so the
        # cheapest windows come closest to the programs' own.
        "BEST_COST_RATIO": n(min(cost(p["present"]) for p in pairs) / min(cost(p["viewer"]) for p in pairs), 3),
        "EVENT_US": n(main["event_us"]), "EVENT_CALLS": n(main["event_calls"]),
        "EVENT_SHARE_PCT": n(main["event_share"] * 100),
        "GOAL_RATIO": verdict(ratio >= GOAL_RATIO), "GOAL_RATIO_PCT": n(GOAL_RATIO * 100, 0),
        "FPS_TABLE": report.table(["Program", "fps: median (lowest to highest)",
                                   "processor ms per frame: program + X server", "What it is"], rows),
    }
    return values, {"fps": bars}


def start_up(refs):
    marks = list(refs[0]["startup"]["marks"])
    at = {label: median(r["startup"]["marks"][label] for r in refs) for label in marks}
    f3d_model = median(r["f3d"]["model"] for r in refs)
    f3d_first = median(r["f3d"]["first"] for r in refs)
    startup_ms = median(r["startup"]["dismissed_to_first_frame"] for r in refs)
    first = refs[0]
    values = {
        "STARTUP_MS": n(startup_ms), "WITHOUT_NOTICE_MS": n(median(r["startup"]["without_notice"] for r in refs)),
        "F3D_MODEL_MS": n(f3d_model), "F3D_FIRST_MS": n(f3d_first),
        "GOAL_STARTUP": verdict(startup_ms < GOAL_STARTUP_MS), "GOAL_STARTUP_MS": n(GOAL_STARTUP_MS, 0),
        "VIEWER_CONTEXTS": str(first["viewer_contexts"]),
        "VIEWER_CONTEXTS_AT_ONCE": str(first["viewer_contexts_at_once"]),
        "VIEWER_WINDOWS": str(first["viewer_windows"]),
        "CONTEXTS_BEFORE_NOTICE": str(first["startup"]["contexts_before_notice"]),
        "CONTEXTS_AFTER_NOTICE": str(first["startup"]["contexts_after_notice"]),
        "STARTUP_TABLE": report.table(["Milestone", "ms from process start (median)"],
                                      [[label, n(ms)] for label, ms in at.items()]
                                      + [["f3d: first frame", n(f3d_first)],
                                         ["f3d: first frame with the duck", n(f3d_model)]]),
    }
    return values, {"startup": at, "f3d": (f3d_first, f3d_model)}


KINDS = ["LLVM (the driver's code generator)", "Mesa's driver", "heap", "other anonymous memory",
         "libraries glxgears loads too", "libraries glxgears does not load"]


def resident_by_kind(rss, reference):
    """Resident KiB grouped into KINDS; reference is glxgears's mappings."""
    kinds = dict.fromkeys(KINDS, 0)
    for name, kib in rss.items():
        if name.startswith("libLLVM"):
            kind = KINDS[0]
        elif name.startswith(("swrast_dri", "libgallium")):
            kind = KINDS[1]
        elif name == "[heap]":
            kind = KINDS[2]
        elif name.startswith("[") or name.startswith("SYSV"):
            kind = KINDS[3]
        else:
            kind = KINDS[4] if name in reference else KINDS[5]
        kinds[kind] += kib
    return kinds


def memory(main, refs, contexts):
    viewer, present = main["viewer_hwm"], main["present_hwm"]
    gears = median(r["gears_hwm"] for r in refs)
    above = (viewer - gears) / MIB
    # Peak memory only grows within a process, so differences between the
    # readings of one run cannot be negative; they are taken per run, then
    # the median.
    hwm = {key: median(run[key]["hwm"] for run in contexts) for key in contexts[0]}
    steps = {key: [median(run[key]["steps"][i] for run in contexts) for i in range(c["count"] + 1)]
             for key, c in contexts[0].items()}

    def step_cost(key, i):
        return median(run[key]["steps"][i] - run[key]["steps"][i - 1] for run in contexts)

    names = {"1": "1", "2": "2, the first deleted at once", "3": "3, the first two deleted",
             "2 kept": "2, both kept", "3 kept": "3, all kept"}
    rows = [[names[key], mib(steps[key][0]), " / ".join(mib(x) for x in steps[key][1:]),
             mib(median(run[key]["first_frame"] for run in contexts)), mib(end)] for key, end in hwm.items()]
    gears_rss = refs[-1]["gears_rss"]
    resident = {who: resident_by_kind(rss, gears_rss) for who, rss in
                [("glxgears", gears_rss), ("bare present loop", main["present_rss"]), ("duckview", main["viewer_rss"])]}
    kind_rows = [[kind] + [mib(r[kind]) for r in resident.values()] for kind in KINDS]
    kind_rows.append(["all (VmRSS)"] + [mib(sum(r.values())) for r in resident.values()])
    viewer_kinds, gears_kinds = resident["duckview"], resident["glxgears"]
    values = {
        "VIEWER_MIB": mib(viewer), "GEARS_MIB": mib(gears), "PRESENT_MIB": mib(present),
        "RESIDENT_TABLE": report.table(["Resident memory (MiB)"] + list(resident), kind_rows),
        "LLVM_MIB": mib(viewer_kinds[KINDS[0]]), "DRIVER_MIB": mib(viewer_kinds[KINDS[1]]),
        "VIEWER_HEAP_ABOVE_GEARS": signed_mib((viewer_kinds["heap"] - gears_kinds["heap"]) / MIB),
        "PRESENT_HEAP_ABOVE_GEARS": signed_mib((resident["bare present loop"]["heap"] - gears_kinds["heap"]) / MIB),
        "PRESENT_OWN_LIBRARIES_MIB": mib(resident["bare present loop"][KINDS[5]]),
        "OFFSCREEN_MIB": mib(median(r["offscreen_hwm"] for r in refs)),
        "F3D_MIB": mib(median(r["f3d"]["hwm"] for r in refs)),
        "VIEWER_ABOVE_GEARS": signed_mib(above), "PRESENT_ABOVE_GEARS": signed_mib((present - gears) / MIB),
        "VIEWER_ABOVE_PRESENT": signed_mib((viewer - present) / MIB),
        "VIEWER_PRESENT_DIFF_MIB": mib(abs(viewer - present)),
        "GOAL_MEMORY": verdict(above <= GOAL_MEMORY_MIB), "GOAL_MEMORY_MIB": n(GOAL_MEMORY_MIB, 0),
        "GL_LOADED_MIB": mib(steps["1"][0]),
        "CONTEXT_FIRST_MIB": mib(step_cost("1", 1)),
        "CONTEXT_SECOND_DELETED_MIB": mib(step_cost("2", 2)),
        "CONTEXT_SECOND_KEPT_MIB": mib(step_cost("2 kept", 2)),
        "CONTEXT_THIRD_KEPT_MIB": mib(step_cost("3 kept", 3)),
        "FIRST_FRAME_MIB": mib(median(run["1"]["first_frame"] - run["1"]["steps"][-1] for run in contexts)),
        "DRAWING_MIB": mib(median(run["1"]["hwm"] - run["1"]["first_frame"] for run in contexts)),
        "PRESENT_HEAP_BEFORE_MIB": mib(median(run["1"]["heap"][0] for run in contexts)),
        "PRESENT_HEAP_FIRST_FRAME_MIB": mib(median(run["1"]["heap"][1] for run in contexts)),
        "PRESENT_WINDOW_MS": n(median(run["1"]["ms"]["window"] for run in contexts)),
        "PRESENT_CONTEXT_MS": n(median(run["1"]["ms"]["context_1"] for run in contexts)),
        "PRESENT_FIRST_FRAME_MS": n(median(run["1"]["ms"]["first_frame"] for run in contexts)),
        "CONTEXTS_TABLE": report.table(["GL contexts made", "GL window made", "after each context",
                                        "after the first frame", "at the end"], rows),
    }
    bars = [("glxgears", gears / MIB, "#bdc3c7"), ("bare present loop, 1 context", hwm["1"] / MIB, "#2c3e80"),
            ("2 contexts, 1 deleted", hwm["2"] / MIB, "#2c3e80"), ("3 contexts, 2 deleted", hwm["3"] / MIB, "#2c3e80"),
            ("3 contexts, all kept", hwm["3 kept"] / MIB, "#2c3e80"), ("duckview", viewer / MIB, "#c0392b")]
    return values, {"memory_bars": bars, "gears_mib": gears / MIB}


def scaling(sizes):
    groups = {}
    for s in sizes:
        groups.setdefault(tuple(s["size"]), []).append(s)
    rows, rates = [], {}
    memory_mib = {"duckview": [], "bare present loop": [], "glxgears": []}
    for size, visits in sorted(groups.items()):
        row = [f"{size[0]}x{size[1]}"]
        for mode in MODES:
            pairs = [p for v in visits for p in v["pairs"][mode]]
            viewer, bare = median(p["viewer"]["fps"] for p in pairs), median(p["present"]["fps"] for p in pairs)
            ratio = median(p["viewer"]["fps"] / p["present"]["fps"] for p in pairs)
            row.append(f"{n(viewer, 0)} / {n(bare, 0)} ({n(ratio, 2)})")
            suffix = "" if mode == "plain" else ", " + mode
            rates.setdefault("duckview" + suffix, []).append(viewer)
            rates.setdefault("bare present loop" + suffix, []).append(bare)
        for label, key in [("duckview", "viewer_hwm"), ("bare present loop", "present_hwm"),
                           ("glxgears", "gears_hwm")]:
            memory_mib[label].append(median(v[key] for v in visits) / MIB)
        row += [n(median(v["startup"] for v in visits)), n(memory_mib["duckview"][-1]),
                n(memory_mib["bare present loop"][-1]), n(memory_mib["glxgears"][-1])]
        rows.append(row)
    values = {"SCALING_PAIRS": str(min(len([p for v in visits for p in v["pairs"][mode]])
                                       for visits in groups.values() for mode in MODES)),
              "SCALING_TABLE": report.table(
        ["Client size", "fps plain: duckview / bare (ratio)", "fps fog", "fps wireframe", "start-up (ms)",
         "VmHWM duckview (MiB)", "bare present loop", "glxgears"], rows)}
    return values, {"sizes": [size[0] for size in sorted(groups)], "rates": rates, "memory": memory_mib}


def latency_and_idle(main, latency):
    frames = [k["frames"] for k in latency]
    ms = [k["ms"] for k in latency]
    return {
        "LATENCY_FRAMES": n(median(frames), 0), "LATENCY_WORST": str(max(frames)),
        "LATENCY_MS": n(median(ms), 2), "LATENCY_MS_WORST": n(max(ms), 2), "LATENCY_N": str(len(latency)),
        "LATENCY_SEND_FRAMES": n(median(k["frames_from_send"] for k in latency), 1),
        "LATENCY_SEND_MS": n(median(k["ms_from_send"] for k in latency), 2),
        "GOAL_LATENCY": verdict(max(frames) == 1),
        "IDLE_CPU_MS": n(main["idle_cpu_ms"]), "IDLE_FRAMES": str(main["idle_frames"]),
        "GOAL_IDLE_MS": n(GOAL_IDLE_MS, 0),
        "GOAL_IDLE": verdict(main["idle_frames"] == 0 and main["idle_cpu_ms"] < GOAL_IDLE_MS),
    }, {}


def web_page(web):
    rounds = web["rounds"]
    notice = median(r["notice_ms"] for r in rounds)
    first = median(r["first_frame_ms"] for r in rounds)

    def spread(key, digits=1):
        values = [r[key] for r in rounds]
        return f"{n(median(values), digits)} ({n(min(values), digits)} to {n(max(values), digits)})"

    def kb(key, files=web["files"]):
        return n(sum(f[key] for f in files) / 1000)

    rows = [[f"`{f['name']}`", n(f["bytes"] / 1000), n(f["gzip"] / 1000), n(f["brotli"] / 1000)]
            for f in web["files"]]
    rows.append(["all", kb("bytes"), kb("gzip"), kb("brotli")])
    return {
        "WEB_CHROMIUM": web["chromium"], "WEB_ROUNDS": str(len(rounds)),
        "WEB_NOTICE_MS": n(notice), "WEB_FIRST_FRAME_MS": n(first),
        "WEB_FRAME_MS": n(median(r["frame_median_ms"] for r in rounds), 2),
        "WEB_FRAME_MEAN_MS": n(median(r["frame_ms"] for r in rounds), 2),
        "WEB_FRAMES": str(sum(r["frames"] for r in rounds)),
        "WEB_KB": kb("bytes"), "WEB_GZIP_KB": kb("gzip"), "WEB_BROTLI_KB": kb("brotli"),
        "TARGET_WEB_NOTICE_MS": n(TARGET_WEB_NOTICE_MS, 0), "TARGET_WEB_FIRST_FRAME_MS": n(TARGET_WEB_FIRST_FRAME_MS, 0),
        "TARGET_WEB_NOTICE": verdict(notice < TARGET_WEB_NOTICE_MS),
        "TARGET_WEB_FIRST_FRAME": verdict(first < TARGET_WEB_FIRST_FRAME_MS),
        "WEB_TABLE": report.table(["Web page, first visit", "ms: median (lowest to highest)"],
                                  [["navigation to the notice shown", spread("notice_ms")],
                                   ["OK to the first frame shown", spread("first_frame_ms")],
                                   ["a frame's WebGL calls (the visit's median frame)",
                                    spread("frame_median_ms", 2)]]),
        "WEB_FILES_TABLE": report.table(["File", "kB", "gzip -9 (kB)", "brotli -q 11 (kB)"], rows),
    }, {}


def results_table(v):
    return report.table(
        ["Measurement", "duckview", "Goal", "Result", "Limit, peer or reference"],
        [["Frame rate in its window, against the bare present loop", f"{v['VIEWER_FPS']} fps",
          f">= {v['GOAL_RATIO_PCT']} % of the bare present loop",
          f"ratio {v['RATIO']} ({v['GOAL_RATIO']}; pairs {v['RATIO_LOW']} to {v['RATIO_HIGH']})",
          f"bare present loop {v['PRESENT_FPS']} fps"],
         ["Peak resident memory (VmHWM)", f"{v['VIEWER_MIB']} MiB", f"<= glxgears + {v['GOAL_MEMORY_MIB']} MiB",
          f"{v['VIEWER_ABOVE_GEARS']} ({v['GOAL_MEMORY']})",
          f"glxgears {v['GEARS_MIB']} MiB; bare present loop {v['PRESENT_MIB']} MiB; f3d {v['F3D_MIB']} MiB"],
         ["Start-up, notice dismissed to first frame", f"{v['STARTUP_MS']} ms", f"< {v['GOAL_STARTUP_MS']} ms",
          v["GOAL_STARTUP"], f"f3d, start to first frame with the duck: {v['F3D_MODEL_MS']} ms"],
         ["Start-up, process start to first frame less the notice's wait", f"{v['WITHOUT_NOTICE_MS']} ms",
          "(comparison)", "", f"f3d: {v['F3D_MODEL_MS']} ms"],
         ["Processor time while still", f"{v['IDLE_CPU_MS']} ms, {v['IDLE_FRAMES']} frames in {v['IDLE']} s",
          f"no frame, < {v['GOAL_IDLE_MS']} ms", v["GOAL_IDLE"], ""],
         ["Key press to the frame showing it", f"{v['LATENCY_FRAMES']} frame, {v['LATENCY_MS']} ms "
          f"(worst {v['LATENCY_WORST']}, {v['LATENCY_MS_WORST']} ms, of {v['LATENCY_N']})", "1 frame",
          v["GOAL_LATENCY"], f"from xdotool's send: {v['LATENCY_SEND_FRAMES']} frames, {v['LATENCY_SEND_MS']} ms"],
         ["Web page: navigation to the notice", f"{v['WEB_NOTICE_MS']} ms",
          f"target < {v['TARGET_WEB_NOTICE_MS']} ms", v["TARGET_WEB_NOTICE"],
          f"headless Chromium, 127.0.0.1; download {v['WEB_KB']} kB, {v['WEB_GZIP_KB']} kB with gzip"],
         ["Web page: OK to the first frame", f"{v['WEB_FIRST_FRAME_MS']} ms",
          f"target < {v['TARGET_WEB_FIRST_FRAME_MS']} ms", v["TARGET_WEB_FIRST_FRAME"],
          f"a frame's WebGL calls: {v['WEB_FRAME_MS']} ms (median)"]])


def for_document(results, plan):
    """The template's values (every figure as text, and the tables) and
    the charts' data."""
    check(results)
    env, main, refs = results["env"], results["main"], results["refs"]
    values = {
        "DATE": env["date"], "DURATION": n(env["duration"] / 60, 1),
        "MODE": "smoke run (one short run each: its figures mean nothing)" if results["smoke"] else "full run",
        "CPU": env["cpu"], "LOAD_START": env["load_start"],
        "LOAD_RANGE": f"{n(min(env['loads']), 2)} to {n(max(env['loads']), 2)}",
        "RENDERER": env["renderer"], "GL_VERSION": env["gl_version"],
        "OFFSCREEN_RENDERER": refs[0]["offscreen_renderer"], "SIZE": "x".join(map(str, main["size"])),
        "PAIRS": str(plan.pairs), "PAIR_WINDOW": n(plan.pair_window), "SETTLE": n(plan.settle),
        "WARM": n(plan.warm), "IDLE": n(plan.idle, 0), "REF_ROUNDS": str(plan.ref_rounds),
        "REF_WINDOW": n(plan.ref_window), "LATENCY_RUNS": str(plan.latency_runs), "KEYS": str(plan.keys),
        "SIZE_ROUNDS": str(plan.size_rounds), "SIZE_PAIRS": str(plan.size_pairs),
        "SIZE_WINDOW": n(plan.size_window), "CONTEXT_ROUNDS": str(plan.context_rounds),
        "WEB_SECONDS": n(plan.web_seconds), "WEB_DATE": results["web"]["date"],
        "WEB_LOAD": results["web"]["load_start"],
    }
    charts = {}
    for part_values, part_charts in [frame_rates(main, refs), start_up(refs), memory(main, refs, results["contexts"]),
                                     scaling(results["sizes"]), latency_and_idle(main, results["latency"]),
                                     web_page(results["web"])]:
        if part_values.keys() & values.keys():
            raise BenchError(f"figures named twice: {part_values.keys() & values.keys()}")
        values.update(part_values)
        charts.update(part_charts)
    values["RESULTS_TABLE"] = results_table(values)
    return values, charts
