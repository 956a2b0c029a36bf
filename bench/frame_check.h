// What the benchmark's loops share: a check that a frame really shows the
// model, and the process's peak resident memory.
#ifndef DUCKVIEW_BENCH_FRAME_CHECK_H
#define DUCKVIEW_BENCH_FRAME_CHECK_H

// Reads the whole colour buffer of the current read buffer and counts the
// pixels that differ from the one at (1, 1), the background in a corner.
long PixelsUnlikeCorner(int width, int height);

// True when the count above shows the model: a frame that drew nothing
// would make any frame rate meaningless. The counter alone covers well
// under a hundredth of the frame; the filled duck at any orientation more
// than a twentieth, its one-pixel lines in wireframe more than a hundredth
// even at 920 pixels.
bool ShowsModel(long pixelsUnlikeCorner, int width, int height, bool wireframe);

// VmHWM of this process in KiB (from /proc/self/status), or -1.
long PeakResidentKib();

#endif // DUCKVIEW_BENCH_FRAME_CHECK_H
