// A small program on the stand-in's own main(), for what only a whole
// process shows: what WinMain is given, exit codes, and the ends without a
// display or without OpenGL. "echo ..." prints the command line and the show
// command and returns 7; "gl" makes the program's kind of window and GL
// context, draws one frame when its timer first ticks and closes.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "gl_context.h"
#include "platform/gl.h"
#include "window_format.h"

namespace {

HDC deviceContext;
HGLRC renderContext;

void Fail(const char *text)
{
    MessageBoxA(WindowFromDC(deviceContext), text, "Error", MB_OK | MB_ICONERROR);
    std::exit(1);
}

LRESULT CALLBACK ProbeProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE: {
        deviceContext = GetDC(hwnd);
        PIXELFORMATDESCRIPTOR request = WindowFormatRequest(8, 16);
        int index = ChoosePixelFormat(deviceContext, &request);
        if (index == 0)
            Fail("ChoosePixelFormat failed\n");
        if (SetPixelFormat(deviceContext, index, &request) != 1)
            Fail("SetPixelFormat failed");
        renderContext = wglCreateContext(deviceContext);
        wglMakeCurrent(deviceContext, renderContext);
        SetTimer(hwnd, 1, 200, nullptr);
        return 0;
    }
    case WM_TIMER:
        glClearColor(0, 0, 1, 1);
        glClear(GL_COLOR_BUFFER_BIT);
        SwapBuffers(deviceContext);
        // The driver is unloaded when the display closes at exit; keep it so
        // that leak reports from it can be told from ours.
        KeepLoadedLibraries();
        DestroyWindow(hwnd);
        return 0;
    case WM_DESTROY:
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(renderContext);
        ReleaseDC(hwnd, deviceContext);
        PostQuitMessage(0);
        return 0;
    default:
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

} // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR cmdLine, int cmdShow)
{
    if (std::strncmp(cmdLine, "echo", 4) == 0) {
        std::printf("[%s] %d\n", cmdLine, cmdShow);
        return 7;
    }
    WNDCLASSA wc{};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = ProbeProc;
    wc.hInstance = instance;
    wc.lpszClassName = "Probe";
    RegisterClassA(&wc);
    int side = static_cast<int>(GetSystemMetrics(SM_CYSCREEN) * 0.3);
    HWND hwnd = CreateWindowExA(0, "Probe", "probe", WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN, 50,
                                50, side, side, nullptr, nullptr, instance, nullptr);
    ShowWindow(hwnd, cmdShow);
    UpdateWindow(hwnd);
    MSG msg{};
    while (GetMessageA(&msg, nullptr, 0, 0) == TRUE) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}
