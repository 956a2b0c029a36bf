// SDL2 back end: OpenGL, pixel formats and the start-up warm-up.
//
// Platform: Linux. Dependencies: SDL2's OpenGL support (GLX or EGL
// underneath) and the system's OpenGL library, loaded once and kept for the
// life of the process.
//
// Limits and differences from Windows:
// - A window has exactly one pixel format, number 1: the one its visual and
//   SDL's GL attributes give (RGB 8-8-8, 16-bit depth, double-buffered,
//   compatibility profile). The format is fixed before the window exists;
//   the program's request cannot change it, only be refused with it.
// - True colour only: no format needs a palette.
// - The viewport a context starts with is the client area when the program
//   first makes it current; the client area keeps that size (window.cpp),
//   so the viewport covers it for the window's life.
//
// Memory and start-up: loading and starting the GL driver takes long (a
// software renderer builds its pipeline), so it is done when a class with
// its own device context is registered, before the program's start-up
// notice: a context is made on a hidden window, which goes again at once.
// The next window created gets that context as its spare, and it is what
// the program's first wglCreateContext returns, so the program runs on one
// context. (A context can be made current on any window of its format; the
// window itself is not kept, since a software renderer would go on drawing
// at the size the window had when the context was first current on it.)
#include "platform/sdl/sdl_backend.h"
#include "platform/core/one_format.h"
#include "platform/program_name.h"

#include <SDL_opengl.h>

#include <cstdio>
#include <cstring>

namespace backend {

namespace {

void SetGlAttributes()
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

BYTE AttributeOf(SDL_GLattr attribute)
{
    int value = 0;
    if (SDL_GL_GetAttribute(attribute, &value) != 0 || value < 0)
        value = 0;
    return static_cast<BYTE>(value > 255 ? 255 : value);
}

BYTE ShiftOf(Uint32 mask)
{
    BYTE shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// The format of the context current on w, as a descriptor.
void ReadFormat(NativeWindow *w)
{
    PIXELFORMATDESCRIPTOR &pfd = w->format;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (AttributeOf(SDL_GL_DOUBLEBUFFER) != 0)
        pfd.dwFlags |= PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cRedBits = AttributeOf(SDL_GL_RED_SIZE);
    pfd.cGreenBits = AttributeOf(SDL_GL_GREEN_SIZE);
    pfd.cBlueBits = AttributeOf(SDL_GL_BLUE_SIZE);
    pfd.cAlphaBits = AttributeOf(SDL_GL_ALPHA_SIZE);
    pfd.cColorBits = static_cast<BYTE>(pfd.cRedBits + pfd.cGreenBits + pfd.cBlueBits);
    pfd.cAccumRedBits = AttributeOf(SDL_GL_ACCUM_RED_SIZE);
    pfd.cAccumGreenBits = AttributeOf(SDL_GL_ACCUM_GREEN_SIZE);
    pfd.cAccumBlueBits = AttributeOf(SDL_GL_ACCUM_BLUE_SIZE);
    pfd.cAccumAlphaBits = AttributeOf(SDL_GL_ACCUM_ALPHA_SIZE);
    pfd.cAccumBits =
        static_cast<BYTE>(pfd.cAccumRedBits + pfd.cAccumGreenBits + pfd.cAccumBlueBits + pfd.cAccumAlphaBits);
    pfd.cDepthBits = AttributeOf(SDL_GL_DEPTH_SIZE);
    pfd.cStencilBits = AttributeOf(SDL_GL_STENCIL_SIZE);
    pfd.iLayerType = PFD_MAIN_PLANE;

    // Where each component sits in a pixel, from the window's visual.
    int bpp = 0;
    Uint32 masks[4] = {0, 0, 0, 0};
    if (SDL_PixelFormatEnumToMasks(SDL_GetWindowPixelFormat(w->sdl), &bpp, &masks[0], &masks[1], &masks[2],
                                   &masks[3]) == SDL_TRUE &&
        masks[0] != 0) {
        pfd.cRedShift = ShiftOf(masks[0]);
        pfd.cGreenShift = ShiftOf(masks[1]);
        pfd.cBlueShift = ShiftOf(masks[2]);
        pfd.cAlphaShift = ShiftOf(masks[3]);
    } else {
        pfd.cBlueShift = 0;
        pfd.cGreenShift = pfd.cBlueBits;
        pfd.cRedShift = static_cast<BYTE>(pfd.cBlueBits + pfd.cGreenBits);
        pfd.cAlphaShift = static_cast<BYTE>(pfd.cRedShift + pfd.cRedBits);
    }
}

// Learns the window's format once, from a context on it: the spare one if
// there is one, else a new one kept as the spare. False, with the reason on
// stderr, when the window cannot have an OpenGL context at all.
bool ProbeFormat(NativeWindow *w)
{
    if (w->formatProbed)
        return w->formatUsable;
    w->formatProbed = true;
    if (!w->hasGl) {
        std::fprintf(stderr, "%s: no OpenGL-capable window: %s\n", kProgramName, w->glError.c_str());
        return false;
    }
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    if (w->spareContext == nullptr) {
        SetGlAttributes();
        w->spareContext = SDL_GL_CreateContext(w->sdl); // made current
    } else if (SDL_GL_MakeCurrent(w->sdl, w->spareContext) != 0) {
        SDL_GL_DeleteContext(w->spareContext);
        w->spareContext = nullptr;
    }
    if (w->spareContext == nullptr) {
        std::fprintf(stderr, "%s: cannot create an OpenGL context: %s\n", kProgramName, SDL_GetError());
        return false;
    }
    ReadFormat(w);
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    w->formatUsable = true;
    return true;
}

} // namespace

// Loads the GL library once and keeps it for the life of the process, so
// that destroying the last window does not unload it under the program.
void LoadGlLibrary()
{
    if (sdl.glLibraryLoaded || !sdl.glLibraryError.empty())
        return;
    if (SDL_GL_LoadLibrary(nullptr) == 0)
        sdl.glLibraryLoaded = true;
    else
        sdl.glLibraryError = SDL_GetError();
}

// Windows of a class with its own device context are drawn with OpenGL:
// start the driver now. Failure is left for window creation to report.
void ClassRegistered(const WNDCLASSA &windowClass)
{
    if ((windowClass.style & CS_OWNDC) == 0 || sdl.warmContext != nullptr)
        return;
    LoadGlLibrary();
    if (!sdl.glLibraryLoaded)
        return;
    SetGlAttributes();
    SDL_Window *window = SDL_CreateWindow("", SDL_WINDOWPOS_UNDEFINED, SDL_WINDOWPOS_UNDEFINED, 1, 1,
                                          SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (window == nullptr)
        return;
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    sdl.warmContext = SDL_GL_CreateContext(window);
    SDL_GL_MakeCurrent(previousWindow, previousContext);
    SDL_DestroyWindow(window);
}

bool MakeSdlWindow(NativeWindow *w, const WindowRequest &request, Uint32 flags)
{
    LoadGlLibrary();
    int x = request.useDefaultPosition ? SDL_WINDOWPOS_UNDEFINED : request.x;
    int y = request.useDefaultPosition ? SDL_WINDOWPOS_UNDEFINED : request.y;
    if (sdl.glLibraryLoaded) {
        // The GL format has to be chosen before the window exists: it comes
        // with the window's visual.
        SetGlAttributes();
        w->sdl = SDL_CreateWindow(request.title, x, y, request.width, request.height, flags | SDL_WINDOW_OPENGL);
        if (w->sdl != nullptr) {
            w->hasGl = true;
            // Same attributes, same format: the warm-up context is this
            // window's. It was first current on a 1x1 window.
            w->spareContext = sdl.warmContext;
            w->spareViewportStale = w->spareContext != nullptr;
            sdl.warmContext = nullptr;
            return true;
        }
        w->glError = SDL_GetError();
    } else {
        w->glError = sdl.glLibraryError;
    }
    // A window without OpenGL still lets the program report the failure
    // through its pixel-format path.
    w->sdl = SDL_CreateWindow(request.title, x, y, request.width, request.height, flags);
    return w->sdl != nullptr;
}

const PIXELFORMATDESCRIPTOR *UsableFormat(NativeWindow *w)
{
    return ProbeFormat(w) ? &w->format : nullptr;
}

NativeContext *CreateContext(NativeWindow *w)
{
    if (!ProbeFormat(w))
        return nullptr;
    SDL_GLContext gl = w->spareContext;
    bool stale = w->spareViewportStale;
    w->spareContext = nullptr;
    w->spareViewportStale = false;
    if (gl == nullptr) {
        // SDL makes a new context current; wglCreateContext does not.
        SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
        SetGlAttributes();
        gl = SDL_GL_CreateContext(w->sdl);
        SDL_GL_MakeCurrent(previousWindow, previousContext);
        if (gl == nullptr)
            return nullptr;
    }
    return new NativeContext{gl, stale};
}

bool MakeCurrent(NativeWindow *w, NativeContext *context)
{
    if (context == nullptr)
        return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0;
    if (w == nullptr || !w->hasGl || SDL_GL_MakeCurrent(w->sdl, context->gl) != 0)
        return false;
    if (context->viewportStale) {
        // The warm-up context was first current on a 1x1 window.
        int width = 0, height = 0;
        SDL_GL_GetDrawableSize(w->sdl, &width, &height);
        glViewport(0, 0, width, height);
        context->viewportStale = false;
    }
    return true;
}

void DeleteContext(NativeContext *context)
{
    SDL_GL_DeleteContext(context->gl);
    delete context;
}

bool Present(NativeWindow *w)
{
    if (!w->hasGl || SDL_GL_GetCurrentWindow() != w->sdl)
        return false;
    SDL_GL_SwapWindow(w->sdl);
    return true;
}

} // namespace backend
