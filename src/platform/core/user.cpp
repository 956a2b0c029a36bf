// The rest of the user-interface operations: device contexts, painting,
// mouse capture, the screen, stock icons and message boxes.
#include <cstdio>
#include <cstring>

#include "platform/core/core.h"

namespace core {

void ReleaseCaptureNow()
{
    state.capture = nullptr;
    backend::SetMouseCapture(nullptr);
}

HWND InputTarget()
{
    if (LiveWindow(state.capture) != nullptr)
        return state.capture;
    HWND only = nullptr;
    for (auto &w : state.windows) {
        if (!w->alive)
            continue;
        if (only != nullptr)
            return nullptr;
        only = w->hwnd;
    }
    return only;
}

backend::NativeWindow *NativeWindowOf(HWND hwnd)
{
    Window *w = LiveWindow(hwnd);
    return w != nullptr ? w->native : nullptr;
}

} // namespace core

using namespace core;

HICON WINAPI LoadIconA(HINSTANCE instance, LPCSTR name)
{
    Traced call("LoadIconA", {Arg(instance), Arg(name)});
    return call.Return(reinterpret_cast<HICON>(MakeHandle(kStockHandle, 0)));
}

HCURSOR WINAPI LoadCursorA(HINSTANCE instance, LPCSTR name)
{
    Traced call("LoadCursorA", {Arg(instance), Arg(name)});
    return call.Return(reinterpret_cast<HCURSOR>(MakeHandle(kStockHandle, 1)));
}

int WINAPI GetSystemMetrics(int index)
{
    Traced call("GetSystemMetrics", {Arg(index)});
    int width = 0, height = 0;
    backend::GetScreenSize(&width, &height);
    if (index == SM_CXSCREEN)
        return call.Return(width);
    if (index == SM_CYSCREEN)
        return call.Return(height);
    return call.Return(0);
}

int WINAPI MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    Traced call("MessageBoxA", {Arg(owner), Arg(type)}, {text, caption});
    if (caption == nullptr)
        caption = "Error";
    if (text == nullptr)
        text = "";
    Window *w = LiveWindow(owner);
    int result = backend::ShowMessageBox(w != nullptr ? w->native : nullptr, text, caption, type);
    if (result == 0) {
        // No box can be shown (no display): say it on stderr and go on as
        // though the user had pressed OK.
        std::fprintf(stderr, "%s: %s\n", caption, text);
        std::fflush(stderr);
        result = IDOK;
    }
    return call.Return(result);
}

HDC WINAPI GetDC(HWND hwnd)
{
    Traced call("GetDC", {Arg(hwnd)});
    Window *w = LiveWindow(hwnd);
    return call.Return(w != nullptr ? w->dc : nullptr);
}

int WINAPI ReleaseDC(HWND hwnd, HDC dc)
{
    Traced call("ReleaseDC", {Arg(hwnd), Arg(dc)});
    // Every window has its own device context (CS_OWNDC): it stays valid.
    Window *w = LiveWindowOfDc(dc);
    return call.Return((w != nullptr && w->hwnd == hwnd) ? 1 : 0);
}

HWND WINAPI WindowFromDC(HDC dc)
{
    Traced call("WindowFromDC", {Arg(dc)});
    return call.Return(WindowOfDc(dc));
}

HDC WINAPI BeginPaint(HWND hwnd, PAINTSTRUCT *paint)
{
    Traced call("BeginPaint", {Arg(hwnd), Arg(paint)});
    Window *w = LiveWindow(hwnd);
    if (paint != nullptr)
        std::memset(paint, 0, sizeof *paint);
    if (w == nullptr || paint == nullptr)
        return call.Return<HDC>(nullptr);
    paint->hdc = w->dc;
    paint->fErase = FALSE;
    paint->rcPaint.right = w->clientWidth;
    paint->rcPaint.bottom = w->clientHeight;
    ValidateWindow(w);
    return call.Return(paint->hdc);
}

BOOL WINAPI EndPaint(HWND hwnd, const PAINTSTRUCT *paint)
{
    Traced call("EndPaint", {Arg(hwnd), Arg(paint)});
    return call.Return(TRUE);
}

HWND WINAPI SetCapture(HWND hwnd)
{
    Traced call("SetCapture", {Arg(hwnd)});
    HWND previous = state.capture;
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return call.Return<HWND>(nullptr); // no window: the capture stays as it was
    state.capture = hwnd;
    backend::SetMouseCapture(w->native);
    return call.Return(previous);
}

BOOL WINAPI ReleaseCapture(void)
{
    Traced call("ReleaseCapture", {});
    if (state.capture != nullptr)
        ReleaseCaptureNow();
    return call.Return(TRUE);
}
