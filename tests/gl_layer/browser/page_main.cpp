// The program's views (frame_views.h) drawn through the layer on WebGL 1 in
// a browser. page.html receives each frame through Module.frameDrawn(name,
// rgba) as soon as it is drawn, then Module.allDrawn(ms) with the mean time
// of the frames rendered after them, or Module.failed(why).
#include <emscripten.h>
#include <emscripten/html5.h>

#include <vector>

#include "frame_views.h"
#include "platform/gl_layer/gl_layer.h"

static void SendFrame(const FrameView &view)
{
    std::vector<unsigned char> rgba((size_t)kFrameSide * kFrameSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kFrameSide, kFrameSide, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    EM_ASM({ Module.frameDrawn(UTF8ToString($0), HEAPU8.slice($1, $1 + $2)); }, view.name, rgba.data(),
           (int)rgba.size());
}

int main()
{
    emscripten_set_canvas_element_size("#canvas", kFrameSide, kFrameSide);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = 0;
    attributes.antialias = 0;
    attributes.depth = 1;
    attributes.majorVersion = 1;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE context = emscripten_webgl_create_context("#canvas", &attributes);
    if (context <= 0 || emscripten_webgl_make_context_current(context) != EMSCRIPTEN_RESULT_SUCCESS) {
        EM_ASM(Module.failed("no WebGL 1 context"));
        return 1;
    }
    if (!InitGlLayer()) {
        EM_ASM(Module.failed("the layer's shaders do not build"));
        return 1;
    }
    RenderViews(SendFrame);

    // Frames of the spinning model; reading a pixel waits for the last one.
    const int count = 200;
    unsigned char pixel[4];
    double start = emscripten_get_now();
    RenderMoreFrames(count, 0);
    glReadPixels(0, 0, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EM_ASM({ Module.allDrawn($0); }, (emscripten_get_now() - start) / count);
    return 0;
}
