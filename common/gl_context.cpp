// The headless context on Linux: Mesa through EGL.
#include "gl_context.h"

#define EGL_EGLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <dlfcn.h>
#include <link.h>

namespace {

EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;
EGLSurface surface = EGL_NO_SURFACE;

bool Fail(std::string *why, const char *what)
{
    if (why) {
        char code[32];
        snprintf(code, sizeof code, " (EGL error 0x%04x)", eglGetError());
        *why = std::string(what) + code;
    }
    DestroyHeadlessContext();
    return false;
}

} // namespace

// Mesa unloads its driver when the display is terminated, and
// LeakSanitizer can then neither see the driver's globals (so its one-time
// allocations count as leaks) nor name the module they came from. Keeping
// every loaded library for the life of the process avoids both.
static int KeepLoaded(struct dl_phdr_info *info, size_t, void *)
{
    if (info->dlpi_name && info->dlpi_name[0])
        dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
    return 0;
}

void KeepLoadedLibraries()
{
    dl_iterate_phdr(KeepLoaded, nullptr);
}

bool CreateHeadlessContext(int width, int height, std::string *why)
{
    DestroyHeadlessContext();
    display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY)
        return Fail(why, "no surfaceless EGL display");
    if (!eglInitialize(display, nullptr, nullptr))
        return Fail(why, "eglInitialize failed");
    KeepLoadedLibraries();
    if (!eglBindAPI(EGL_OPENGL_API))
        return Fail(why, "desktop OpenGL is not available through EGL");

    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                    EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1)
        return Fail(why, "no pbuffer config with depth");

    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
    if (surface == EGL_NO_SURFACE)
        return Fail(why, "eglCreatePbufferSurface failed");

    const EGLint contextAttribs[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK, EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT,
                                     EGL_NONE};
    context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    if (context == EGL_NO_CONTEXT)
        return Fail(why, "eglCreateContext failed");
    if (!eglMakeCurrent(display, surface, surface, context))
        return Fail(why, "eglMakeCurrent failed");
    return true;
}

void DestroyHeadlessContext()
{
    if (display == EGL_NO_DISPLAY)
        return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context != EGL_NO_CONTEXT)
        eglDestroyContext(display, context);
    if (surface != EGL_NO_SURFACE)
        eglDestroySurface(display, surface);
    eglTerminate(display);
    context = EGL_NO_CONTEXT;
    surface = EGL_NO_SURFACE;
    display = EGL_NO_DISPLAY;
}
