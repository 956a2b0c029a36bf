// Browser back end: OpenGL on WebGL 1, pixel formats and presenting.
//
// Platform: a web browser with WebGL 1 (Emscripten's WebGL bindings). The
// program's OpenGL 1.1 calls go to our fixed-function GL layer
// (src/platform/gl_layer), which draws with WebGL; it is set up when a context
// is first made current and shut down before the context goes.
//
// Limits and differences from Windows:
// - A canvas has exactly one pixel format, number 1: RGB with 8 bits a
//   component, no alpha (the page does not show through), a depth buffer
//   (16 bits or more) and no multisampling; the program's request cannot
//   change it, only be refused with it. True colour: no palette.
// - Without WebGL there is no format at all: ChoosePixelFormat gives 0.
// - A canvas can have one WebGL context, and a context draws only on the
//   canvas it was made for; one made after another was deleted gets the
//   same drawing buffer.
// - SwapBuffers only notes the frame: the browser shows it once the program
//   hands control back (PeekMessageA and GetMessageA do, events.cpp). A
//   context's viewport is the canvas's size when it is first made current.
// - The browser may take a WebGL context away (a GPU reset, a driver
//   update, a tab in the background on a phone) and give it back later.
//   Meanwhile the program's calls draw nothing; when it is back the layer
//   makes its WebGL objects again from the state it keeps (the program's
//   lights, materials, fog and texture among it) and the window gets a
//   paint, with no call from the program. If the layer cannot be made
//   again, the page says so (web_library.js).
#include <GLES2/gl2.h>
#include <emscripten/emscripten.h>
#include <emscripten/html5.h>

#include <cstdint>
#include <cstdio>
#include <cstring>

#include "platform/web/web_backend.h"
#include "platform/core/one_format.h"
#include "platform/gl_layer/gl_layer.h"
#include "platform/program_name.h"

namespace backend {

namespace {

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE NewContext(NativeWindow *w)
{
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = EM_FALSE;
    attributes.depth = EM_TRUE;
    attributes.stencil = EM_FALSE;
    attributes.antialias = EM_FALSE;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    return emscripten_webgl_create_context(w->canvasSelector, &attributes);
}

BYTE BitsOf(GLenum name)
{
    GLint value = 0;
    glGetIntegerv(name, &value);
    return static_cast<BYTE>(value < 0 ? 0 : (value > 255 ? 255 : value));
}

// The format of the context current now, as a descriptor.
void ReadFormat(NativeWindow *w)
{
    PIXELFORMATDESCRIPTOR &pfd = w->format;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cRedBits = BitsOf(GL_RED_BITS);
    pfd.cGreenBits = BitsOf(GL_GREEN_BITS);
    pfd.cBlueBits = BitsOf(GL_BLUE_BITS);
    pfd.cColorBits = static_cast<BYTE>(pfd.cRedBits + pfd.cGreenBits + pfd.cBlueBits);
    pfd.cBlueShift = 0;
    pfd.cGreenShift = pfd.cBlueBits;
    pfd.cRedShift = static_cast<BYTE>(pfd.cBlueBits + pfd.cGreenBits);
    pfd.cDepthBits = BitsOf(GL_DEPTH_BITS);
    pfd.cStencilBits = BitsOf(GL_STENCIL_BITS);
    pfd.iLayerType = PFD_MAIN_PLANE;
}

// Learns the canvas's format once, from the context it keeps as its spare.
// False, with the reason on the console, when it can have no WebGL.
bool ProbeFormat(NativeWindow *w)
{
    if (w->formatProbed)
        return w->formatUsable;
    w->formatProbed = true;
    w->spareContext = NewContext(w);
    if (w->spareContext <= 0) {
        w->spareContext = 0;
        std::fprintf(stderr, "%s: this browser gives the page no WebGL 1\n", kProgramName);
        return false;
    }
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE previous = emscripten_webgl_get_current_context();
    emscripten_webgl_make_context_current(w->spareContext);
    ReadFormat(w);
    emscripten_webgl_make_context_current(previous);
    w->formatUsable = true;
    return true;
}

// Makes the layer's objects again on a context that is back; says so when
// it cannot.
bool RestoreLayer()
{
    if (RestoreGlLayer())
        return true;
    std::fprintf(stderr, "%s: the fixed-function layer cannot be made again on the restored WebGL\n", kProgramName);
    return false;
}

} // namespace

// Windows of a class with its own device context are drawn with OpenGL.
// Making a WebGL context and building the layer's shaders take a while, so
// they are made while a message box before the first window (the
// program's start-up notice) waits for the user, once the page shows it
// (dv_warm_up, below): on a canvas that the first window then takes with
// its context (OpenWindow). Failure is left for window creation to report.
void ClassRegistered(const WNDCLASSA &windowClass)
{
    if ((windowClass.style & CS_OWNDC) != 0 && web.windows.empty())
        web.warmWanted = true;
}

const PIXELFORMATDESCRIPTOR *UsableFormat(NativeWindow *w)
{
    return ProbeFormat(w) ? &w->format : nullptr;
}

NativeContext *CreateContext(NativeWindow *w)
{
    if (!ProbeFormat(w))
        return nullptr;
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl = w->spareContext;
    bool layerReady = webgl != 0 && w->spareLayerReady;
    w->spareContext = 0;
    w->spareLayerReady = false;
    if (webgl == 0)
        webgl = NewContext(w);
    if (webgl <= 0)
        return nullptr;
    return new NativeContext{webgl, w->id, layerReady};
}

bool MakeCurrent(NativeWindow *w, NativeContext *context)
{
    if (context == nullptr) {
        web.current = nullptr;
        return emscripten_webgl_make_context_current(0) == EMSCRIPTEN_RESULT_SUCCESS;
    }
    if (w == nullptr || w->id != context->windowId ||
        emscripten_webgl_make_context_current(context->webgl) != EMSCRIPTEN_RESULT_SUCCESS)
        return false;
    web.current = context;
    if (!context->viewportSet) {
        // Made on a canvas that may have had another size then.
        int width = 0, height = 0;
        emscripten_get_canvas_element_size(w->canvasSelector, &width, &height);
        SetGlLayerViewport(0, 0, width, height);
        context->viewportSet = true;
    }
    if (!context->layerReady) {
        if (!InitGlLayer()) {
            std::fprintf(stderr, "%s: the fixed-function layer's shaders do not build on this WebGL\n", kProgramName);
            return false;
        }
        context->layerReady = true;
        w->layerStale = false;
    } else if (w->layerStale) {
        w->layerStale = false;
        if (!RestoreLayer())
            return false;
    }
    return true;
}

void DeleteContext(NativeContext *context)
{
    if (context->layerReady && emscripten_webgl_make_context_current(context->webgl) == EMSCRIPTEN_RESULT_SUCCESS)
        ShutdownGlLayer();
    emscripten_webgl_destroy_context(context->webgl);
    if (web.current == context)
        web.current = nullptr;
    else if (web.current != nullptr)
        emscripten_webgl_make_context_current(web.current->webgl);
    delete context;
}

bool Present(NativeWindow *w)
{
    if (web.current == nullptr || web.current->windowId != w->id)
        return false;
    web.frameSwapped = true;
    return true;
}

} // namespace backend

// Called by the page once it shows a message box: makes the first window's
// canvas, context and layer ready if a class wants them (ClassRegistered).
extern "C" EMSCRIPTEN_KEEPALIVE void dv_warm_up(void)
{
    using namespace backend;
    if (!web.warmWanted || web.warm || !web.windows.empty())
        return;
    web.warmWanted = false;
    std::unique_ptr<NativeWindow> w = NewWindowRecord();
    dv_prepare_canvas(w->id);
    if (ProbeFormat(w.get())) {
        EMSCRIPTEN_WEBGL_CONTEXT_HANDLE previous = emscripten_webgl_get_current_context();
        emscripten_webgl_make_context_current(w->spareContext);
        w->spareLayerReady = InitGlLayer() != 0;
        emscripten_webgl_make_context_current(previous);
    }
    web.warm = std::move(w);
}

// Called by the page's listeners when the WebGL context of the window hwnd
// is lost and when it is back. The second returns 0 when the layer could
// not be made again on it.
extern "C" {

EMSCRIPTEN_KEEPALIVE void dv_context_lost(int hwnd)
{
    backend::NativeWindow *w = core::NativeWindowOf(reinterpret_cast<HWND>(static_cast<std::intptr_t>(hwnd)));
    if (w != nullptr)
        w->contextLost = true;
}

EMSCRIPTEN_KEEPALIVE int dv_context_restored(int hwnd)
{
    using backend::web;
    HWND window = reinterpret_cast<HWND>(static_cast<std::intptr_t>(hwnd));
    backend::NativeWindow *w = core::NativeWindowOf(window);
    if (w == nullptr)
        return 1;
    w->contextLost = false;
    bool rebuilt = true;
    if (web.current != nullptr && web.current->windowId == w->id && web.current->layerReady)
        rebuilt = backend::RestoreLayer();
    else
        w->layerStale = true;
    core::Exposed(window);
    return rebuilt;
}

} // extern "C"
