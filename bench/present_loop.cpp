// The viewer's frame presented as fast as the display takes it, with nothing
// else around it: the program's own InitScene and RenderFrame in a plain SDL
// window, swapped back to back. No Win32 stand-in, no message queue (events
// are never read), swap interval 0. This is the limit the viewer's window
// loop is measured against: every frame pays the same drawing and the same
// hand-over to the X server, and only the loop around them differs.
//
// Usage: present_loop WIDTH HEIGHT SECONDS [--fog] [--wireframe]
//                     [--contexts N [--keep]]
//
// WIDTH x HEIGHT is the window's client size. --fog and --wireframe set
// fogEnabled and wireframeEnabled, as the keys "f" and "p" do in the viewer.
// --contexts N makes N - 1 GL contexts on the window before the one that
// draws, each made current and then deleted (or, with --keep, kept until the
// end): what extra contexts cost in memory, read as VmHWM after each one
// (and after the first frame, and at the end). It also prints how long
// making its window (which loads the GL driver), each context, and its
// first frame (InitScene and RenderFrame, presented) took.
//
// SECONDS count from the first frame; the end signal (SIGTERM) ends the loop
// early, as cleanly. As in the viewer, frame counting stops one second after
// the first frame, so the counter shows a fixed number from then on; the
// frame then (or halfway through a shorter run) is checked for the model.
//
// Prints one "name: value" line per figure.
#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "loop_figures.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

SDL_Window *window = nullptr;
int clientWidth = 0, clientHeight = 0;
bool checkNextFrame = false;
long lastCheck = -1;
volatile std::sig_atomic_t stopRequested = 0;

void RequestStop(int)
{
    stopRequested = 1;
}

int Usage(const char *name)
{
    std::fprintf(stderr, "usage: %s WIDTH HEIGHT SECONDS [--fog] [--wireframe] [--contexts N [--keep]]\n", name);
    return 2;
}

// The viewer's own pixel format: 8-bit red, green and blue, no alpha,
// 16-bit depth, double-buffered, compatibility profile.
void RequestViewerFormat()
{
    const struct {
        SDL_GLattr attribute;
        int value;
    } format[] = {{SDL_GL_RED_SIZE, 8},   {SDL_GL_GREEN_SIZE, 8},  {SDL_GL_BLUE_SIZE, 8},
                  {SDL_GL_ALPHA_SIZE, 0}, {SDL_GL_DEPTH_SIZE, 16}, {SDL_GL_DOUBLEBUFFER, 1},
                  {SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY}};
    SDL_GL_ResetAttributes();
    for (const auto &f : format)
        SDL_GL_SetAttribute(f.attribute, f.value);
}

} // namespace

// RenderFrame presents each frame through SwapBuffers: here a direct swap of
// the one window. The frame to be checked is read before it goes.
BOOL SwapBuffers(HDC)
{
    if (checkNextFrame) {
        checkNextFrame = false;
        glReadBuffer(GL_BACK);
        lastCheck = PixelsUnlikeCorner(clientWidth, clientHeight);
    }
    SDL_GL_SwapWindow(window);
    return TRUE;
}

int main(int argc, char **argv)
{
    if (argc < 4)
        return Usage(argv[0]);
    clientWidth = std::atoi(argv[1]);
    clientHeight = std::atoi(argv[2]);
    double seconds = std::atof(argv[3]);
    int contexts = 1;
    bool keep = false;
    for (int i = 4; i < argc; i++) {
        if (std::strcmp(argv[i], "--fog") == 0)
            fogEnabled = 1;
        else if (std::strcmp(argv[i], "--wireframe") == 0)
            wireframeEnabled = 1;
        else if (std::strcmp(argv[i], "--keep") == 0)
            keep = true;
        else if (std::strcmp(argv[i], "--contexts") == 0 && i + 1 < argc)
            contexts = std::atoi(argv[++i]);
        else
            return Usage(argv[0]);
    }
    if (clientWidth < 1 || clientHeight < 1 || !(seconds > 0.0) || contexts < 1 || contexts > 16)
        return Usage(argv[0]);

    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "cannot start SDL's video: %s\n", SDL_GetError());
        return 1;
    }
    RequestViewerFormat();
    using Clock = std::chrono::steady_clock;
    auto msSince = [](Clock::time_point t) {
        return std::chrono::duration<double, std::milli>(Clock::now() - t).count();
    };
    Clock::time_point step = Clock::now();
    // Beside the viewer's window (which stands at 50, 50), so that running
    // both at once never uncovers part of the viewer and makes it redraw.
    window = SDL_CreateWindow("duckview present loop", 100 + clientWidth, 50, clientWidth, clientHeight,
                              SDL_WINDOW_OPENGL | SDL_WINDOW_SHOWN);
    if (window == nullptr) {
        std::fprintf(stderr, "cannot create a GL window: %s\n", SDL_GetError());
        return 1;
    }
    std::printf("window_ms: %.1f\n", msSince(step));
    std::printf("hwm_kib_before_contexts: %ld\n", PeakResidentKib());
    std::printf("heap_kib_before_contexts: %ld\n", ResidentHeapKib());
    std::vector<SDL_GLContext> extra;
    SDL_GLContext context = nullptr;
    for (int i = 1; i <= contexts; i++) {
        step = Clock::now();
        context = SDL_GL_CreateContext(window); // also makes it current
        std::printf("context_%d_ms: %.1f\n", i, msSince(step));
        if (context == nullptr) {
            std::fprintf(stderr, "cannot create GL context %d: %s\n", i, SDL_GetError());
            return 1;
        }
        if (i < contexts) {
            if (keep)
                extra.push_back(context);
            else
                SDL_GL_DeleteContext(context);
        }
        std::printf("hwm_kib_after_context_%d: %ld\n", i, PeakResidentKib());
    }
    SDL_GL_MakeCurrent(window, context);
    SDL_GL_SetSwapInterval(0);
    std::signal(SIGTERM, RequestStop);

    windowWidth = clientWidth;
    windowHeight = clientHeight;
    step = Clock::now();
    InitScene();
    RenderFrame();
    std::printf("first_frame_ms: %.1f\n", msSince(step));
    std::printf("hwm_kib_after_first_frame: %ld\n", PeakResidentKib());
    std::printf("heap_kib_after_first_frame: %ld\n", ResidentHeapKib());
    long frames = 0;
    const Clock::time_point start = Clock::now();
    const Clock::duration total =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(seconds));
    const Clock::duration countingTime = std::chrono::seconds(1);
    const Clock::duration checkTime = std::min<Clock::duration>(countingTime, total / 2);
    Clock::time_point now = start;
    while (now - start < total && !stopRequested) {
        if (countingFrames && now - start >= countingTime)
            countingFrames = 0;
        if (lastCheck < 0 && now - start >= checkTime)
            checkNextFrame = true;
        RenderFrame();
        ++frames;
        now = Clock::now();
    }
    double elapsed = std::chrono::duration<double>(now - start).count();
    bool drew = PrintLoopFigures(clientWidth, clientHeight, frames, elapsed, lastCheck, wireframeEnabled != 0);

    SDL_GL_DeleteContext(context);
    for (SDL_GLContext c : extra)
        SDL_GL_DeleteContext(c);
    SDL_DestroyWindow(window);
    SDL_Quit();
    return drew ? 0 : 1;
}
