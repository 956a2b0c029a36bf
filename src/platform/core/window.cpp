// Window classes and a window's life: creation, showing, size, default
// processing and destruction.
//
// Messages that Windows sends rather than posts (WM_CREATE, WM_DESTROY,
// WM_SIZE, WM_PAINT from UpdateWindow, WM_CLOSE's destruction) call the
// window procedure directly, nested in the call that caused them.
#include "platform/core/core.h"

namespace core {

namespace {

const DWORD kStyleVisible = 0x10000000L;               // WS_VISIBLE
const DWORD kStyleThickFrame = 0x00040000L;            // WS_THICKFRAME
const int kUseDefault = static_cast<int>(0x80000000u); // CW_USEDEFAULT
const WPARAM kSizeRestored = 0;                        // SIZE_RESTORED

LRESULT DefaultProcessing(Window *w, UINT message)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindowNow(w);
        return 0;
    case WM_PAINT:
        ValidateWindow(w);
        return 0;
    default:
        return 0;
    }
}

void ReportSize(Window *w, int width, int height)
{
    w->clientWidth = width;
    w->clientHeight = height;
    w->invalid = true;
    SendTo(w, WM_SIZE, kSizeRestored, MAKELPARAM(width, height));
}

// The one sizing rule: a size the program asks for (at creation or with
// SetWindowPos) is the client area's, the part the OpenGL viewport covers.
// The frame, where there is one, lies around it and is the system's
// business. A client size that differs from the last one reported is sent
// as WM_SIZE.
void SetClientArea(Window *w, int width, int height)
{
    if (width < 1)
        width = 1;
    if (height < 1)
        height = 1;
    backend::SetClientSize(w->native, width, height);
    if (width != w->clientWidth || height != w->clientHeight)
        ReportSize(w, width, height);
}

bool ShowNow(Window *w, int cmdShow)
{
    bool wasVisible = w->visible;
    if (cmdShow == SW_HIDE) {
        backend::SetVisible(w->native, false);
        w->visible = false;
        return wasVisible;
    }
    // Every other command is a plain show.
    backend::SetVisible(w->native, true);
    w->visible = true;
    w->invalid = true;
    if (!w->shownBefore) {
        // Tell the window its size, as Windows does on the first show.
        w->shownBefore = true;
        SendTo(w, WM_SIZE, kSizeRestored, MAKELPARAM(w->clientWidth, w->clientHeight));
    }
    return wasVisible;
}

} // namespace

LRESULT SendTo(Window *w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (w->proc == nullptr)
        return DefaultProcessing(w, message);
    return w->proc(w->hwnd, message, wParam, lParam);
}

LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Window *w = LiveWindow(hwnd);
    return w != nullptr ? SendTo(w, message, wParam, lParam) : 0;
}

void ValidateWindow(Window *w)
{
    w->invalid = false;
}

bool DestroyWindowNow(Window *w)
{
    if (w->destroying)
        return false;
    w->destroying = true;
    w->visible = false;
    SendTo(w, WM_DESTROY, 0, 0);
    w->alive = false;
    if (state.capture == w->hwnd)
        ReleaseCaptureNow();
    // Whatever was waiting for it goes with it: queued messages, timers,
    // and (with invalid cleared) its paint.
    PurgeMessagesOf(w->hwnd);
    w->invalid = false;
    backend::DiscardWindow(w->native);
    w->native = nullptr;
    return true;
}

void ClientResized(HWND hwnd, int width, int height)
{
    Window *w = LiveWindow(hwnd);
    if (w == nullptr || (width == w->clientWidth && height == w->clientHeight))
        return;
    ReportSize(w, width, height);
}

void Exposed(HWND hwnd)
{
    if (Window *w = LiveWindow(hwnd))
        w->invalid = true;
}

void CloseRequested(HWND hwnd)
{
    if (LiveWindow(hwnd) != nullptr)
        Post(hwnd, WM_CLOSE, 0, 0);
}

} // namespace core

using namespace core;

ATOM WINAPI RegisterClassA(const WNDCLASSA *wc)
{
    Traced call("RegisterClassA", {wc != nullptr ? Arg(wc->style) : 0, wc != nullptr ? Arg(wc->lpfnWndProc) : 0},
                {wc != nullptr ? wc->lpszClassName : ""});
    if (wc == nullptr || wc->lpszClassName == nullptr || wc->lpszClassName[0] == '\0' ||
        FindClass(wc->lpszClassName) != nullptr)
        return call.Return<ATOM>(0); // a second class of the same name is refused
    state.classes.push_back(WindowClass{wc->lpszClassName, *wc});
    WindowClass &added = state.classes.back();
    added.info.lpszClassName = added.name.c_str();
    backend::ClassRegistered(added.info);
    return call.Return(static_cast<ATOM>(0xC000 + state.classes.size() - 1));
}

HWND WINAPI CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width,
                            int height, HWND parent, HMENU menu, HINSTANCE instance, LPVOID param)
{
    Traced call("CreateWindowExA",
                {Arg(exStyle), Arg(style), x, y, width, height, Arg(parent), Arg(menu), Arg(instance), Arg(param)},
                {className, title});
    const WNDCLASSA *cls = FindClass(className);
    if (cls == nullptr)
        return call.Return<HWND>(nullptr);

    auto w = std::make_unique<Window>();
    size_t index = state.windows.size();
    w->hwnd = reinterpret_cast<HWND>(MakeHandle(kWindowHandle, index));
    w->dc = reinterpret_cast<HDC>(MakeHandle(kDcHandle, index));
    w->proc = cls->lpfnWndProc;
    // As on Windows, a default x leaves the whole position to the system.
    bool defaultPosition = x == kUseDefault;
    w->x = defaultPosition ? 0 : x;
    w->y = defaultPosition ? 0 : y;
    w->clientWidth = width == kUseDefault ? 640 : (width < 1 ? 1 : width);
    w->clientHeight = height == kUseDefault ? 480 : (height < 1 ? 1 : height);

    backend::WindowRequest request;
    request.hwnd = w->hwnd;
    request.title = title != nullptr ? title : "";
    request.x = w->x;
    request.y = w->y;
    request.useDefaultPosition = defaultPosition;
    request.width = w->clientWidth;
    request.height = w->clientHeight;
    request.resizable = (style & kStyleThickFrame) != 0;
    w->native = backend::OpenWindow(request);
    if (w->native == nullptr)
        return call.Return<HWND>(nullptr);
    Window *created = w.get();
    state.windows.push_back(std::move(w));

    // WM_CREATE comes inside this call. lParam is 0: there is no
    // CREATESTRUCT. If it fails, the window is destroyed as Windows does it:
    // WM_DESTROY is sent and the call returns null.
    if (SendTo(created, WM_CREATE, 0, 0) == -1) {
        if (created->alive)
            DestroyWindowNow(created);
        return call.Return<HWND>(nullptr);
    }
    if (!created->alive)
        return call.Return<HWND>(nullptr);
    if (style & kStyleVisible)
        ShowNow(created, SW_SHOW);
    return call.Return(created->hwnd);
}

BOOL WINAPI ShowWindow(HWND hwnd, int cmdShow)
{
    Traced call("ShowWindow", {Arg(hwnd), Arg(cmdShow)});
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return call.Return(FALSE);
    return call.Return(ShowNow(w, cmdShow) ? TRUE : FALSE);
}

BOOL WINAPI UpdateWindow(HWND hwnd)
{
    Traced call("UpdateWindow", {Arg(hwnd)});
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return call.Return(FALSE);
    if (w->visible && w->invalid)
        SendTo(w, WM_PAINT, 0, 0);
    return call.Return(TRUE);
}

BOOL WINAPI SetWindowPos(HWND hwnd, HWND insertAfter, int x, int y, int cx, int cy, UINT flags)
{
    Traced call("SetWindowPos", {Arg(hwnd), Arg(insertAfter), Arg(x), Arg(y), Arg(cx), Arg(cy), Arg(flags)});
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return call.Return(FALSE);
    if ((flags & SWP_NOMOVE) == 0) {
        w->x = x;
        w->y = y;
        backend::MoveWindowTo(w->native, x, y);
    }
    if ((flags & SWP_NOSIZE) == 0)
        SetClientArea(w, cx, cy);
    return call.Return(TRUE);
}

BOOL WINAPI DestroyWindow(HWND hwnd)
{
    Traced call("DestroyWindow", {Arg(hwnd)});
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return call.Return(FALSE);
    return call.Return(DestroyWindowNow(w) ? TRUE : FALSE);
}

LRESULT WINAPI DefWindowProcA(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    Traced call("DefWindowProcA", {Arg(hwnd), Arg(message), Arg(wParam), Arg(lParam)});
    Window *w = LiveWindow(hwnd);
    return call.Return<LRESULT>(w != nullptr ? DefaultProcessing(w, message) : 0);
}
