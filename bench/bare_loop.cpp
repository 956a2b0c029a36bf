// The viewer's frame without its window: InitScene once, then RenderFrame
// back to back on an offscreen (EGL pbuffer) context of the given size, for
// the given number of seconds. Prints one "name: value" line per figure:
// the frame rate, the GL renderer, peak memory.
//
// Usage: bare_loop WIDTH HEIGHT SECONDS
//
// SwapBuffers, which RenderFrame calls to present each frame, is supplied here
// and calls glFinish: a pbuffer has nothing to present, and waiting for the
// frame to be drawn completely keeps the count honest (without it the driver
// could queue frames without drawing them yet).
//
// Built twice: as bare_loop (the program's own immediate-mode DrawModel) and
// as bare_loop_list, where the linker sends RenderFrame's call of DrawModel
// to __wrap_ below, which replays a display list compiled once from the real
// DrawModel: the same frame with the model drawn the fastest way the fixed
// pipeline offers.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "loop_figures.h"
#include "gl_context.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"

BOOL SwapBuffers(HDC)
{
    glFinish();
    return TRUE;
}

#ifdef DV_BENCH_DISPLAY_LIST
static GLuint modelList = 0;
extern "C" void __real__Z9DrawModelv(void);
extern "C" void __wrap__Z9DrawModelv(void)
{
    if (modelList == 0) {
        modelList = glGenLists(1);
        glNewList(modelList, GL_COMPILE);
        __real__Z9DrawModelv();
        glEndList();
    }
    glCallList(modelList);
}
static const char variant[] = "display list";
#else
static const char variant[] = "immediate mode";
#endif

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s WIDTH HEIGHT SECONDS\n", argv[0]);
        return 2;
    }
    int width = std::atoi(argv[1]);
    int height = std::atoi(argv[2]);
    double seconds = std::atof(argv[3]);
    if (width < 1 || height < 1 || !(seconds > 0.0)) {
        std::fprintf(stderr, "bad size or duration\n");
        return 2;
    }

    std::string why;
    if (!CreateHeadlessContext(width, height, &why)) {
        std::fprintf(stderr, "no offscreen GL context: %s\n", why.c_str());
        return 1;
    }
    windowWidth = width;
    windowHeight = height;
    InitScene();

    // One frame first, so that compiling (list variant) and first-use costs
    // are not counted.
    RenderFrame();

    using Clock = std::chrono::steady_clock;
    long frames = 0;
    Clock::time_point start = Clock::now();
    Clock::time_point end = start + std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    Clock::time_point now = start;
    while (now < end) {
        RenderFrame();
        ++frames;
        now = Clock::now();
    }
    double elapsed = std::chrono::duration<double>(now - start).count();

    std::printf("variant: %s\n", variant);
    bool drew = PrintLoopFigures(width, height, frames, elapsed, PixelsUnlikeCorner(width, height), false);
    DestroyHeadlessContext();
    return drew ? 0 : 1;
}
