// Draws the program's views (frame_views.h) and writes them as
// OUTDIR/<view>.ppm; with a count after the directory it then times that
// many more frames, filled and as a wireframe, and prints the mean frame
// times. Built twice: on desktop
// OpenGL, and with DUCKVIEW_GL_LAYER on the fixed-function layer over
// OpenGL ES 2.
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "frame_image.h"
#include "frame_views.h"

#ifdef DUCKVIEW_GL_LAYER
#include "es_context.h"
#include "platform/gl_layer/gl_layer.h"
#else
#include <GL/gl.h>

#include "gl_context.h"
#endif

static std::string outputDirectory;
static int failures;

static void SaveFrame(const FrameView &view)
{
    std::vector<unsigned char> rgba((size_t)kFrameSide * kFrameSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kFrameSide, kFrameSide, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    std::string path = outputDirectory + "/" + view.name + ".ppm";
    if (!WritePpm(path, ImageFromReadPixels(rgba.data(), kFrameSide, kFrameSide))) {
        fprintf(stderr, "cannot write %s\n", path.c_str());
        failures++;
    }
}

int main(int argc, char **argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: %s OUTDIR [FRAMES_TO_TIME]\n", argv[0]);
        return 2;
    }
    outputDirectory = argv[1];
    std::string why;
#ifdef DUCKVIEW_GL_LAYER
    const char *flavour = "the layer on OpenGL ES 2";
    bool ready = CreateEsContext(kFrameSide, kFrameSide, &why) && InitGlLayer();
#else
    const char *flavour = "desktop OpenGL";
    bool ready = CreateHeadlessContext(kFrameSide, kFrameSide, &why);
#endif
    if (!ready) {
        fprintf(stderr, "no context for %s: %s\n", flavour, why.c_str());
        return 1;
    }
    RenderViews(SaveFrame);

    int count = argc > 2 ? atoi(argv[2]) : 0;
    for (int wireframe = 0; wireframe < 2 && count > 0; wireframe++) {
        glFinish();
        auto start = std::chrono::steady_clock::now();
        RenderMoreFrames(count, wireframe);
        glFinish();
        std::chrono::duration<double, std::milli> elapsed = std::chrono::steady_clock::now() - start;
        printf("%s, %s: %.3f ms a frame over %d frames\n", flavour, wireframe ? "wireframe" : "filled",
               elapsed.count() / count, count);
    }
    return failures ? 1 : 0;
}
