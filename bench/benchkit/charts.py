"""The performance document's charts, drawn with matplotlib (Debian's
python3-matplotlib) into PNG files."""

import matplotlib

matplotlib.use("Agg")
import matplotlib.pyplot as plt  # noqa: E402
from matplotlib.ticker import FuncFormatter  # noqa: E402

VIEWER = "#c0392b"
BARE = "#2c3e80"
OTHER = "#7f8c8d"
WAIT = "#d5d8dc"


def _save(fig, path):
    fig.tight_layout()
    fig.savefig(path, dpi=100)
    plt.close(fig)


def frame_rates(path, bars, subtitle):
    """bars: (label, median, lowest, highest, colour) per program."""
    fig, ax = plt.subplots(figsize=(8, 3.6))
    labels = [b[0] for b in bars]
    y = range(len(bars))
    ax.barh(y, [b[1] for b in bars], color=[b[4] for b in bars],
            xerr=[[b[1] - b[2] for b in bars], [b[3] - b[1] for b in bars]], capsize=3)
    for i, b in enumerate(bars):
        ax.text(b[3], i, f"  {b[1]:.0f}", va="center", fontsize=9)
    ax.set_yticks(list(y), labels)
    ax.invert_yaxis()
    ax.set_xlabel("frames per second (median; whiskers: lowest and highest counted window)")
    ax.set_xlim(0, max(b[3] for b in bars) * 1.15)
    ax.set_title("Frame rate, " + subtitle, fontsize=10)
    _save(fig, path)


def startup_timeline(path, rows, subtitle):
    """rows: (label, [(start ms, end ms, kind, milestone)]) from top to
    bottom; kind is "work" (the program's time), "wait" (waiting for the
    user) or "peer". Each milestone is named under the bar at its end,
    on as many lines as keep the names apart."""
    colours = {"work": VIEWER, "wait": WAIT, "peer": OTHER}
    end = max(s[1] for _, spans in rows for s in spans)
    width_in = 9.0
    ms_per_char = end * 1.05 / (width_in * 0.8 * 100) * 5.2  # 7.5 pt text at 100 dpi
    layouts, depth = [], 1
    for _, spans in rows:
        ends, layout = [], []
        for start, stop, kind, text in spans:
            label = f"{text} {stop:.0f}"
            line = next((i for i, e in enumerate(ends) if e < stop - 2 * ms_per_char), len(ends))
            if line == len(ends):
                ends.append(0.0)
            ends[line] = stop + len(label) * ms_per_char
            layout.append((stop, line, label))
        layouts.append(layout)
        depth = max(depth, len(ends))
    row_height = 0.5 + 0.22 * depth
    fig, ax = plt.subplots(figsize=(width_in, 1.0 + row_height * len(rows)))
    for i, ((_, spans), layout) in enumerate(zip(rows, layouts)):
        y = i * row_height
        for start, stop, kind, _ in spans:
            ax.barh(y, stop - start, left=start, color=colours[kind], edgecolor="white", height=0.3)
        for stop, line, label in layout:
            ax.plot([stop, stop], [y + 0.15, y + 0.22 + 0.22 * line], color="black", linewidth=0.5)
            ax.text(stop, y + 0.22 + 0.22 * line, " " + label, va="center", fontsize=7.5)
    ax.set_yticks([i * row_height for i in range(len(rows))], [r[0] for r in rows])
    ax.set_ylim(row_height * len(rows) - 0.1, -0.3)
    ax.set_xlim(0, end * 1.05)
    ax.set_xlabel("ms from process start (medians); grey: the notice waiting for the user")
    ax.set_title("Start-up, " + subtitle, fontsize=10)
    _save(fig, path)


def scaling(path, sizes, rates, memory, subtitle):
    """rates: {label: [fps per size]}, memory: {label: [MiB per size]};
    a label "duckview[, mode]" is drawn in the viewer's colour, others in
    the present loop's; the mode (fog, wireframe) sets the line style."""
    fig, (left, right) = plt.subplots(1, 2, figsize=(10, 4))
    styles = {"": "-", "fog": "--", "wireframe": ":"}
    for label, values in rates.items():
        who, _, mode = label.partition(", ")
        left.plot(sizes, values, styles.get(mode, "-"), marker="o", label=label,
                  color=VIEWER if who == "duckview" else BARE)
    left.set_xscale("log", base=2)
    left.set_yscale("log")
    low, high = left.get_ylim()
    left.set_yticks([v for v in (50, 100, 200, 300, 500, 1000, 2000, 3000, 5000, 10000) if low <= v <= high])
    left.yaxis.set_major_formatter(FuncFormatter(lambda v, _: f"{v:.0f}"))
    left.yaxis.set_minor_formatter(FuncFormatter(lambda v, _: ""))
    left.set_xticks(sizes, [f"{s}" for s in sizes])
    left.set_xlabel("client size (pixels on a side)")
    left.set_ylabel("frames per second")
    left.legend(fontsize=8)
    left.grid(True, which="both", alpha=0.3)
    palette = [VIEWER, BARE, OTHER]
    for (label, values), colour in zip(memory.items(), palette):
        right.plot(sizes, values, marker="o", label=label, color=colour)
    right.set_xscale("log", base=2)
    right.set_xticks(sizes, [f"{s}" for s in sizes])
    right.set_xlabel("client size (pixels on a side)")
    right.set_ylabel("peak resident memory (MiB)")
    right.legend(fontsize=8)
    right.grid(True, alpha=0.3)
    fig.suptitle("Cost of growing work, " + subtitle, fontsize=10)
    _save(fig, path)


def memory(path, bars, limit, subtitle):
    """bars: (label, MiB, colour); limit: (MiB, label) drawn as a line."""
    fig, ax = plt.subplots(figsize=(8, 0.9 + 0.45 * len(bars)))
    y = range(len(bars))
    ax.barh(y, [b[1] for b in bars], color=[b[2] for b in bars])
    for i, b in enumerate(bars):
        ax.text(b[1], i, f" {b[1]:.1f}", va="center", fontsize=9)
    ax.axvline(limit[0], color="black", linestyle="--", linewidth=1)
    ax.text(limit[0], -0.7, " " + limit[1], fontsize=8, va="bottom")
    ax.set_yticks(list(y), [b[0] for b in bars])
    ax.invert_yaxis()
    low = min(min(b[1] for b in bars), limit[0])
    ax.set_xlim(low * 0.8, max(max(b[1] for b in bars), limit[0]) * 1.08)
    ax.set_ylim(len(bars) - 0.5, -1.2)
    ax.set_xlabel(f"peak resident memory, VmHWM (MiB, median; the axis starts at {low * 0.8:.0f})")
    ax.set_title("Memory, " + subtitle, fontsize=10)
    _save(fig, path)


def draw_all(images, charts, size, renderer, memory_goal_mib):
    """Every chart of the document, from figures.for_document's data."""
    subtitle = f"{size} px, {renderer}"
    images.mkdir(parents=True, exist_ok=True)
    frame_rates(images / "bench-fps.png", charts["fps"], subtitle)
    spans, last = [], 0.0
    for label, ms in charts["startup"].items():  # in time order
        if label != "process start":
            spans.append((last, ms, "wait" if label == "notice dismissed" else "work", label))
            last = ms
    f3d_first, f3d_model = charts["f3d"]
    startup_timeline(images / "bench-startup.png",
                     [("duckview", spans),
                      ("f3d", [(0.0, f3d_first, "peer", "first frame"), (f3d_first, f3d_model, "peer", "duck shown")])],
                     subtitle)
    scaling(images / "bench-scaling.png", charts["sizes"], charts["rates"], charts["memory"], renderer)
    memory(images / "bench-memory.png", charts["memory_bars"],
           (charts["gears_mib"] + memory_goal_mib, f"goal: glxgears + {memory_goal_mib:.0f} MiB"), subtitle)
