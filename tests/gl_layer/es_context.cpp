#include "es_context.h"

#define EGL_EGLEXT_PROTOTYPES
#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdio>

bool CreateEsContext(int width, int height, std::string *why)
{
    auto fail = [why](const char *what) {
        if (why) {
            char code[32];
            snprintf(code, sizeof code, " (EGL error 0x%04x)", eglGetError());
            *why = std::string(what) + code;
        }
        return false;
    };
    EGLDisplay display = eglGetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr))
        return fail("no surfaceless EGL display");
    if (!eglBindAPI(EGL_OPENGL_ES_API))
        return fail("OpenGL ES is not available through EGL");
    const EGLint configAttribs[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_ES2_BIT,
                                    EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                    EGL_DEPTH_SIZE, 16, EGL_NONE};
    EGLConfig config;
    EGLint count = 0;
    if (!eglChooseConfig(display, configAttribs, &config, 1, &count) || count < 1)
        return fail("no OpenGL ES pbuffer config with depth");
    const EGLint surfaceAttribs[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttribs);
    const EGLint contextAttribs[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttribs);
    eglBindAPI(EGL_OPENGL_API);
    if (surface == EGL_NO_SURFACE || context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context))
        return fail("no OpenGL ES 2 context");
    return true;
}

EglBinding CurrentEglBinding()
{
    return EglBinding{eglGetCurrentDisplay(), eglGetCurrentSurface(EGL_DRAW), eglGetCurrentContext()};
}

void MakeCurrent(const EglBinding &binding)
{
    EGLint api = EGL_OPENGL_API;
    eglQueryContext(binding.display, binding.context, EGL_CONTEXT_CLIENT_TYPE, &api);
    eglBindAPI((EGLenum)api);
    eglMakeCurrent(binding.display, binding.surface, binding.surface, binding.context);
}
