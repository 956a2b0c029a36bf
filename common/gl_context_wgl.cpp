// The headless context on Windows: the system's OpenGL (WGL) on a hidden
// window of its own, which is never shown.
//
// The window system's functions are looked up in the system's DLLs at run
// time, never linked: a test program on the recording back end has the
// Win32 core in place of user32, gdi32 and opengl32's WGL under the same
// names (tests/support/win32_imports.cpp), and this context must come from
// the system all the same.
#include "gl_context.h"

#include <cstdio>

#include "platform/gl.h"
#include "window_format.h"

namespace {

struct System {
    decltype(&RegisterClassA) registerClass;
    decltype(&CreateWindowExA) createWindow;
    decltype(&DestroyWindow) destroyWindow;
    decltype(&DefWindowProcA) defWindowProc;
    decltype(&GetDC) getDC;
    decltype(&ReleaseDC) releaseDC;
    decltype(&ChoosePixelFormat) choosePixelFormat;
    decltype(&SetPixelFormat) setPixelFormat;
    decltype(&wglCreateContext) createContext;
    decltype(&wglMakeCurrent) makeCurrent;
    decltype(&wglDeleteContext) deleteContext;
};

HWND window = nullptr;
HDC dc = nullptr;
HGLRC context = nullptr;

template <typename F> bool Look(HMODULE dll, const char *name, F *function)
{
    *function = dll ? reinterpret_cast<F>(reinterpret_cast<void *>(GetProcAddress(dll, name))) : nullptr;
    return *function != nullptr;
}

// The system's functions, looked up once; null when one is missing.
const System *TheSystem()
{
    static System s;
    static bool found = [] {
        HMODULE user32 = LoadLibraryA("user32.dll");
        HMODULE gdi32 = LoadLibraryA("gdi32.dll");
        HMODULE opengl32 = LoadLibraryA("opengl32.dll");
        return Look(user32, "RegisterClassA", &s.registerClass) && Look(user32, "CreateWindowExA", &s.createWindow) &&
               Look(user32, "DestroyWindow", &s.destroyWindow) && Look(user32, "DefWindowProcA", &s.defWindowProc) &&
               Look(user32, "GetDC", &s.getDC) && Look(user32, "ReleaseDC", &s.releaseDC) &&
               Look(gdi32, "ChoosePixelFormat", &s.choosePixelFormat) &&
               Look(gdi32, "SetPixelFormat", &s.setPixelFormat) &&
               Look(opengl32, "wglCreateContext", &s.createContext) &&
               Look(opengl32, "wglMakeCurrent", &s.makeCurrent) &&
               Look(opengl32, "wglDeleteContext", &s.deleteContext);
    }();
    return found ? &s : nullptr;
}

bool Fail(std::string *why, const char *what)
{
    if (why) {
        char code[32];
        std::snprintf(code, sizeof code, " (error %lu)", static_cast<unsigned long>(GetLastError()));
        *why = std::string(what) + code;
    }
    DestroyHeadlessContext();
    return false;
}

} // namespace

void KeepLoadedLibraries()
{
    // The system's DLLs stay loaded for the life of the process anyway.
}

bool CreateHeadlessContext(int width, int height, std::string *why)
{
    DestroyHeadlessContext();
    const System *s = TheSystem();
    if (!s)
        return Fail(why, "the system's window or OpenGL functions are missing");
    static const char *const kClass = "duckview test context";
    static bool registered = [s] {
        WNDCLASSA wc{};
        wc.style = CS_OWNDC;
        wc.lpfnWndProc = s->defWindowProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kClass;
        return s->registerClass(&wc) != 0;
    }();
    if (!registered)
        return Fail(why, "RegisterClassA failed");
    // A pop-up has no frame: the client area, and so the viewport, is
    // width x height.
    window = s->createWindow(0, kClass, "", WS_POPUP, 0, 0, width, height, nullptr, nullptr, GetModuleHandleA(nullptr),
                             nullptr);
    if (!window)
        return Fail(why, "CreateWindowExA failed");
    dc = s->getDC(window);
    PIXELFORMATDESCRIPTOR request = WindowFormatRequest(24, 16);
    request.cAlphaBits = 8;
    int format = dc ? s->choosePixelFormat(dc, &request) : 0;
    if (format == 0 || !s->setPixelFormat(dc, format, &request))
        return Fail(why, "no RGBA pixel format with depth");
    context = s->createContext(dc);
    if (!context)
        return Fail(why, "wglCreateContext failed");
    if (!s->makeCurrent(dc, context))
        return Fail(why, "wglMakeCurrent failed");
    return true;
}

void DestroyHeadlessContext()
{
    const System *s = TheSystem();
    if (!s)
        return;
    if (context) {
        s->makeCurrent(nullptr, nullptr);
        s->deleteContext(context);
    }
    if (dc)
        s->releaseDC(window, dc);
    if (window)
        s->destroyWindow(window);
    context = nullptr;
    dc = nullptr;
    window = nullptr;
}
