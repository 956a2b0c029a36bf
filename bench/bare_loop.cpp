// The viewer's frame without its window: InitScene once, then RenderFrame
// back to back on an offscreen (EGL pbuffer) context of the given size, for
// the given number of seconds. Prints the frame rate and the GL renderer.
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
#include <vector>

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

    // A frame that drew nothing would make any rate meaningless: check the
    // last frame shows the model, i.e. a fair share of its pixels differ
    // from the background colour in the corner (the counter alone covers
    // far less, and at any orientation the duck covers far more).
    std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    long covered = 0;
    for (size_t i = 0; i < pixels.size(); i += 4)
        if (pixels[i] != pixels[4] || pixels[i + 1] != pixels[5] || pixels[i + 2] != pixels[6])
            ++covered;
    bool drew = covered * 20 > static_cast<long>(width) * height;

    std::printf("variant: %s\n", variant);
    std::printf("renderer: %s\n", reinterpret_cast<const char *>(glGetString(GL_RENDERER)));
    std::printf("size: %dx%d\n", width, height);
    std::printf("frames: %ld\n", frames);
    std::printf("seconds: %.3f\n", elapsed);
    std::printf("fps: %.1f\n", frames / elapsed);
    std::printf("model drawn: %s (%ld pixels differ from the background)\n", drew ? "yes" : "no", covered);
    DestroyHeadlessContext();
    return drew ? 0 : 1;
}
