// What the benchmark's loops share: a check that a frame really shows the
// model, the process's peak resident memory, and the figures they print.
#ifndef DUCKVIEW_BENCH_LOOP_FIGURES_H
#define DUCKVIEW_BENCH_LOOP_FIGURES_H

// Reads the whole colour buffer of the current read buffer and counts the
// pixels that differ from the one at (1, 1), the background in a corner.
long PixelsUnlikeCorner(int width, int height);

// VmHWM of this process in KiB (from /proc/self/status), or -1.
long PeakResidentKib();

// Resident KiB of this process's heap (the [heap] mapping in
// /proc/self/smaps), or -1.
long ResidentHeapKib();

// Prints what a loop measured, one "name: value" line each (renderer, size,
// frames, seconds, fps, hwm_kib, model_drawn), and returns whether the
// checked frame showed the model: a frame that drew nothing would make any
// frame rate meaningless. pixelsUnlikeCorner is PixelsUnlikeCorner's count
// for that frame, or -1 if none was checked.
bool PrintLoopFigures(int width, int height, long frames, double seconds, long pixelsUnlikeCorner,
                      bool wireframe);

#endif // DUCKVIEW_BENCH_LOOP_FIGURES_H
