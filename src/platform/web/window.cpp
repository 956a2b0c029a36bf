// Browser back end: native windows, mouse capture and the screen.
//
// Platform: a web browser (Emscripten). A window is a figure in the page: its
// title in a bar above and a canvas that is its client area.
//
// Limits and differences from Windows:
// - The screen is the page's viewport in device pixels (its CSS size times
//   devicePixelRatio): GetSystemMetrics gives its size, so a window 30 % of
//   the screen high is 30 % of the page's height. Positions and sizes are
//   device pixels too, and a canvas's drawing buffer has one pixel for each
//   device pixel it covers, as for a program aware of each monitor's DPI;
//   when the ratio changes, windows keep their size in device pixels
//   (web_library.js).
// - There is no frame: the title bar lies outside the window's size and the
//   client area is the whole outer size.
// - A window's position is its place in the page (its title bar's top-left
//   corner, in device pixels from the page's); a default position is the
//   page's corner.
// - Being shown gives a window's canvas the keyboard focus; Tab moves it
//   on (to the page's other controls) and back.
// - The title bar's close button is the close box (WM_CLOSE); the user
//   cannot resize a window.
// - Capture is the canvas's pointer capture, so a drag that leaves the
//   canvas keeps reaching it until the button is released. It can only be
//   taken while a button is held.
#include "platform/web/web_backend.h"

#include <cstdio>

namespace backend {

WebState web;

std::unique_ptr<NativeWindow> NewWindowRecord()
{
    auto w = std::make_unique<NativeWindow>();
    w->id = web.nextId++;
    std::snprintf(w->canvasSelector, sizeof w->canvasSelector, "#dv-canvas-%d", w->id);
    return w;
}

NativeWindow *OpenWindow(const WindowRequest &request)
{
    // The first window takes the canvas made ready before it, if any.
    std::unique_ptr<NativeWindow> w = web.warm ? std::move(web.warm) : NewWindowRecord();
    // The canvas takes the whole outer size: it is the client area.
    dv_open_window(w->id, static_cast<int>(reinterpret_cast<std::intptr_t>(request.hwnd)), request.title,
                   request.width, request.height);
    if (request.useDefaultPosition)
        dv_move_window(w->id, 0, 0);
    else
        dv_move_window(w->id, request.x, request.y);
    web.windows.push_back(std::move(w));
    return web.windows.back().get();
}

void SetVisible(NativeWindow *w, bool visible)
{
    dv_set_visible(w->id, visible ? 1 : 0);
}

void MoveWindowTo(NativeWindow *w, int x, int y)
{
    dv_move_window(w->id, x, y);
}

void SetClientSize(NativeWindow *w, int width, int height)
{
    dv_set_canvas_size(w->id, width, height);
}

Frame GetFrame(NativeWindow *)
{
    return Frame{0, 0, 0, 0};
}

void DiscardWindow(NativeWindow *w)
{
    if (w->spareContext != 0)
        emscripten_webgl_destroy_context(w->spareContext);
    dv_close_window(w->id);
    for (auto it = web.windows.begin(); it != web.windows.end(); ++it) {
        if (it->get() == w) {
            web.windows.erase(it);
            break;
        }
    }
}

NativeWindow *WindowById(int id)
{
    for (const auto &w : web.windows)
        if (w->id == id)
            return w.get();
    return nullptr;
}

void SetMouseCapture(NativeWindow *w)
{
    dv_capture_mouse(w != nullptr ? w->id : 0);
}

void GetScreenSize(int *width, int *height)
{
    dv_screen_size(width, height);
}

} // namespace backend
