"""The benchmark's reading of logs and filling of its document."""

import unittest

from benchkit import figures, logs, report
from benchkit.logs import BenchError

MS = logs.NS_PER_MS
# A title with the blanks around it that the viewer's own has.
TITLE = " a window title "


def watch_log(*lines):
    return logs.parse_watch_log("\n".join(lines) + "\n")


def swaps(first_ms, count, step_ms, probes=""):
    return [f"swap {(first_ms + i * step_ms) * MS} {i + 1}{probes}" for i in range(count)]


class ParseWatchLog(unittest.TestCase):
    def test_events_titles_and_torn_last_line(self):
        log = logs.parse_watch_log(
            f"start 5\nwindow_created 7 1 \nwindow_created 9 2 {TITLE}\ncontext_created 8 1\n"
            "window_shown 9 2\n"
            "context_deleted 8\nkey 12 3 102\nswap 10 1 1 2 3\nswap 11 2 4 5 6\nswap 12 3 7")
        self.assertEqual(log.start, 5)
        self.assertEqual(log.windows, [(7, 1, ""), (9, 2, TITLE)])
        self.assertEqual((log.contexts, log.contexts_deleted, log.keys), ([(8, 1)], [8], [(12, 3, 102)]))
        self.assertEqual(log.shown, [(9, 2)])
        self.assertEqual([(s.n, s.probes) for s in log.swaps], [(1, (1, 2, 3)), (2, (4, 5, 6))])

    def test_refuses_unknown_or_disordered_lines(self):
        for text in ["frame 1 2\n", "swap x 1\n", "swap 10 1\nswap 11 3\n", "swap 10 1\nswap 9 2\n"]:
            with self.subTest(text=text), self.assertRaises(BenchError):
                logs.parse_watch_log(text)

    def test_figures(self):
        figures = logs.parse_figures("renderer: llvmpipe (LLVM 15)\nfps: 1234.5\nmodel_drawn: yes (9 pixels)\n")
        self.assertEqual(logs.figure(figures, "fps"), 1234.5)
        self.assertEqual(figures["renderer"], "llvmpipe (LLVM 15)")
        with self.assertRaises(BenchError):
            logs.figure(figures, "hwm_kib")
        with self.assertRaises(BenchError):
            logs.parse_figures("nothing here\n")


class FrameRate(unittest.TestCase):
    def test_counts_frames_and_processor_time_inside_the_window(self):
        log = watch_log(*swaps(0, 101, 10))  # 100 fps for a second
        # 51 frames from 200 to 700 ms; 102 ms of the program's processor
        # time and 51 ms of the X server's in that time
        counted = logs.counted(log, (200 * MS, 1000 * MS, 7 * MS), (700 * MS, 1102 * MS, 58 * MS))
        self.assertAlmostEqual(counted["fps"], 100.0)
        self.assertAlmostEqual(counted["cpu_ms"], 2.0)
        self.assertAlmostEqual(counted["x_ms"], 1.0)

    def test_refuses_a_log_that_ends_early_or_time_that_runs_back(self):
        log = watch_log(*swaps(0, 50, 10))
        with self.assertRaises(BenchError):
            logs.counted(log, (200 * MS, 0, 0), (700 * MS, 1, 1))
        with self.assertRaises(BenchError):
            logs.counted(log, (100 * MS, 5, 0), (400 * MS, 1, 1))


class StartUp(unittest.TestCase):
    def test_milestones_take_the_titled_window_and_the_frame_after_the_notice(self):
        # A hidden helper window is made before the notice: the window that
        # counts is the one with the viewer's title.
        log = watch_log(f"start {110 * MS}", f"window_created {120 * MS} 1 ", f"context_created {125 * MS} 1",
                        f"notice_shown {150 * MS}", f"notice_closed {1150 * MS}",
                        f"window_created {1160 * MS} 2 {TITLE}", f"context_created {1165 * MS} 2",
                        f"window_shown {140 * MS} 1", f"window_shown {1170 * MS} 2",
                        *swaps(1180, 3, 5))
        s = logs.startup(log, 100 * MS, TITLE)
        self.assertEqual(list(s["marks"]), ["process start", "libraries loaded", "notice shown",
                                            "notice dismissed", "window created", "its GL context created",
                                            "window shown", "first frame"])
        self.assertEqual(s["marks"]["its GL context created"], 1065)
        self.assertEqual(s["marks"]["window created"], 1060)
        self.assertEqual(s["dismissed_to_first_frame"], 30)
        self.assertEqual(s["without_notice"], 80)
        self.assertEqual((s["contexts_before_notice"], s["contexts_after_notice"]), (1, 1))

    def test_contexts_at_once(self):
        made = [f"context_created {t} 1" for t in (10, 30, 40)]
        self.assertEqual(logs.contexts_at_once(watch_log(*made, "context_deleted 20")), 2)
        self.assertEqual(logs.contexts_at_once(watch_log(*made, "context_deleted 50")), 3)
        with self.assertRaises(BenchError):
            logs.contexts_at_once(watch_log("context_deleted 5", *made))

    def test_refuses_what_cannot_be_a_start_up(self):
        base = [f"notice_shown {150 * MS}", f"notice_closed {200 * MS}", f"window_created {210 * MS} 2 {TITLE}"]
        for lines in [base[:2] + swaps(220, 2, 5),  # no viewer window
                      base,  # no frame
                      [f"notice_shown {250 * MS}"] + base[1:] + swaps(220, 2, 5)]:  # dismissed before shown
            with self.subTest(lines=lines), self.assertRaises(BenchError):
                logs.startup(watch_log(*lines), 100 * MS, TITLE)
        with self.assertRaises(BenchError):  # started after the watcher loaded
            logs.startup(watch_log(f"start {90 * MS}", *base, *swaps(220, 2, 5)), 100 * MS, TITLE)


class KeyLatency(unittest.TestCase):
    BLUE, RED = " 38 38 140", " 128 64 64"

    def test_frames_and_ms_from_the_read_and_from_the_send(self):
        lines = swaps(0, 3, 10, self.BLUE)  # frames 1-3 at 0, 10, 20 ms
        lines.append(f"key {25 * MS} 3 102")  # read after frame 3
        lines += [f"swap {30 * MS} 4{self.BLUE}", f"swap {40 * MS} 5{self.RED}"]  # shown two frames on
        lines.append(f"key {45 * MS} 5 102")
        lines.append(f"swap {50 * MS} 6{self.BLUE}")
        result = logs.key_latency(watch_log(*lines), [15 * MS, 44 * MS])
        self.assertEqual([k["frames"] for k in result], [2, 1])
        self.assertEqual([k["ms"] for k in result], [15, 5])
        self.assertEqual([k["frames_from_send"] for k in result], [3, 1])
        self.assertEqual([k["ms_from_send"] for k in result], [25, 6])

    def test_refuses_unread_unshown_or_already_shown_keys(self):
        before = swaps(0, 2, 10, self.BLUE)
        cases = [(before + [f"key {25 * MS} 2 102"], [1, 2]),  # two sent, one read
                 (before + [f"key {25 * MS} 2 102", f"swap {30 * MS} 3{self.BLUE}"], [1]),  # never shown
                 (swaps(0, 2, 10, self.RED) + [f"key {25 * MS} 2 102", f"swap {30 * MS} 3{self.RED}"], [1])]
        for lines, sent in cases:
            with self.subTest(lines=lines), self.assertRaises(BenchError):
                logs.key_latency(watch_log(*lines), sent)

    def test_first_model_frame(self):
        log = watch_log(f"swap {5 * MS} 1 9 9 9 9 9 9", f"swap {7 * MS} 2 200 0 0 9 9 9")
        self.assertEqual(logs.first_model_frame(log), 7 * MS)
        with self.assertRaises(BenchError):
            logs.first_model_frame(watch_log(f"swap {5 * MS} 1 9 9 9 9 9 9"))


class Document(unittest.TestCase):
    def test_fill_needs_every_place_and_every_value(self):
        self.assertEqual(report.fill("a @X@ b @Y_2@", {"X": "1", "Y_2": "2.5"}), "a 1 b 2.5")
        for values in [{"X": "1"}, {"X": "1", "Y_2": "2", "Z": "3"}, {"X": "-1", "Y_2": "2"}, {"X": 1, "Y_2": "2"}]:
            with self.subTest(values=values), self.assertRaises(BenchError):
                report.fill("a @X@ b @Y_2@", values)

    def test_numbers_and_tables_refuse_negative_figures(self):
        self.assertEqual(report.number(2.345, 2), "2.35")
        for bad in (-0.5, float("nan"), None):
            with self.assertRaises(BenchError):
                report.number(bad)
        self.assertIn("| a | 1 to 2 |", report.table(["x", "y"], [["a", "1 to 2"]]))
        for row in (["a", "-60.5"], ["a", "window (-3 ms)"], ["only one cell"]):
            with self.subTest(row=row), self.assertRaises(BenchError):
                report.table(["x", "y"], [row])

    def test_sanity_checks(self):
        self.assertEqual(logs.sane(5, 0, 10, "x"), 5)
        for bad in (-1, 11, float("nan"), None):
            with self.assertRaises(BenchError):
                logs.sane(bad, 0, 10, "x")
        logs.monotonic([1, 1, 2], "x")
        with self.assertRaises(BenchError):
            logs.monotonic([1, 3, 2], "x")


class WebPage(unittest.TestCase):
    @staticmethod
    def web(**changes):
        rounds = [{"notice_ms": ms, "first_frame_ms": ms / 4, "frame_ms": 0.35, "frame_median_ms": 0.3,
                   "frames": 100} for ms in (400.0, 200.0, 250.0)]
        files = [{"name": name, "bytes": 1000 * size, "gzip": 500 * size, "brotli": 400 * size}
                 for name, size in (("duckview.html", 1), ("duckview.js", 2), ("duckview.wasm", 5))]
        return {"chromium": "Chrome/1", "date": "2026-01-01", "load_start": "0.1", "rounds": rounds,
                "files": files, **changes}

    def test_medians_totals_and_targets(self):
        figures.check_web(self.web())
        values, _ = figures.web_page(self.web())
        self.assertEqual((values["WEB_NOTICE_MS"], values["TARGET_WEB_NOTICE"]), ("250.0", "met"))
        self.assertEqual((values["WEB_FIRST_FRAME_MS"], values["TARGET_WEB_FIRST_FRAME"]), ("62.5", "missed"))
        self.assertIn("| navigation to the notice shown | 250.0 (200.0 to 400.0) |", values["WEB_TABLE"])
        self.assertIn("| all | 8.0 | 4.0 | 3.2 |", values["WEB_FILES_TABLE"])

    def test_refuses_a_download_without_the_program_and_impossible_figures(self):
        web = self.web()
        for bad in (self.web(files=web["files"][:2]),
                    self.web(files=[dict(f, gzip=f["bytes"] * 3) for f in web["files"]]),
                    self.web(rounds=[dict(r, frame_ms=0) for r in web["rounds"]])):
            with self.assertRaises(BenchError):
                figures.check_web(bad)


if __name__ == "__main__":
    unittest.main()
