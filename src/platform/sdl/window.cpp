// SDL2 back end: native windows, their frame, mouse capture and the screen.
//
// Platform: Linux with SDL2's video (X11 or Wayland). Dependencies: SDL2.
//
// Sizes: the size the program asks for, at creation and in SetWindowPos, is
// the client area's, and the client area keeps it for the window's whole
// life, under any window manager and with none. The frame is the window
// manager's: it goes around the client area, so the window is larger
// outside than asked. On Windows the outer size is what is asked for and
// the client area is what the frame leaves. Here that cannot work: the
// frame is unknown until the window manager has reparented the window,
// which happens some time after it is shown, and the OpenGL viewport is
// fixed when the context is first made current, inside WM_CREATE. Fitting
// the client area to an outer size later would leave the viewport larger
// than the client area, and the top of the picture cut off.
//
// Limits and differences from Windows:
// - The window is larger than asked for by its frame (above). So the
//   program's picture stays square and the trackball's centre is the
//   client area's own, where on Windows the client area is a little wider
//   than high and the ball's centre lies right of and below its centre
//   (src/platform/core/core.h has the figures).
// - Showing a window takes in the exposure that mapping it brings, so that
//   UpdateWindow's paint answers it and no second paint follows
//   (events.cpp).
// - Capture is SDL_CaptureMouse (on X11 a pointer grab), so the window
//   keeps getting the mouse outside itself, as on Windows.
// - The screen size is that of the first display.
#include "platform/sdl/sdl_backend.h"
#include "platform/program_name.h"

#include <cstdio>

namespace backend {

SdlState sdl;

NativeWindow *WindowOfSdlId(Uint32 id)
{
    for (auto &w : sdl.windows)
        if (w->id == id)
            return w.get();
    return nullptr;
}

NativeWindow *OpenWindow(const WindowRequest &request)
{
    auto w = std::make_unique<NativeWindow>();
    w->hwnd = request.hwnd;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (request.resizable)
        flags |= SDL_WINDOW_RESIZABLE;
    if (!MakeSdlWindow(w.get(), request, flags)) {
        std::fprintf(stderr, "%s: cannot create a window: %s\n", kProgramName, SDL_GetError());
        return nullptr;
    }
    w->id = SDL_GetWindowID(w->sdl);
    if (!sdl.capsLockRead) {
        sdl.capsLockRead = true;
        core::SetCapsLock((SDL_GetModState() & KMOD_CAPS) != 0);
    }
    sdl.windows.push_back(std::move(w));
    return sdl.windows.back().get();
}

void SetVisible(NativeWindow *w, bool visible)
{
    if (!visible) {
        SDL_HideWindow(w->sdl);
        return;
    }
    bool wasShown = (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_SHOWN) != 0;
    SDL_ShowWindow(w->sdl);
    SDL_RaiseWindow(w->sdl);
    SDL_SetWindowInputFocus(w->sdl);
    if (!wasShown)
        TakeShowingExposure(w);
}

Frame GetFrame(NativeWindow *w)
{
    Frame f = {0, 0, 0, 0};
    if (SDL_GetWindowBordersSize(w->sdl, &f.top, &f.left, &f.bottom, &f.right) != 0)
        f = Frame{0, 0, 0, 0}; // none on a bare X server
    return f;
}

void MoveWindowTo(NativeWindow *w, int x, int y)
{
    Frame f = GetFrame(w);
    SDL_SetWindowPosition(w->sdl, x + f.left, y + f.top);
}

void SetClientSize(NativeWindow *w, int width, int height)
{
    // A window manager sizes no maximised window: it is restored first, as
    // the program's snap-back after a maximise needs.
    if (SDL_GetWindowFlags(w->sdl) & SDL_WINDOW_MAXIMIZED)
        SDL_RestoreWindow(w->sdl);
    int current[2];
    SDL_GetWindowSize(w->sdl, &current[0], &current[1]);
    if (current[0] != width || current[1] != height)
        SDL_SetWindowSize(w->sdl, width, height);
}

void DiscardWindow(NativeWindow *w)
{
    if (w->spareContext != nullptr)
        SDL_GL_DeleteContext(w->spareContext);
    SDL_DestroyWindow(w->sdl);
    for (auto it = sdl.windows.begin(); it != sdl.windows.end(); ++it) {
        if (it->get() == w) {
            sdl.windows.erase(it);
            break;
        }
    }
}

void SetMouseCapture(NativeWindow *w)
{
    SDL_CaptureMouse(w != nullptr ? SDL_TRUE : SDL_FALSE);
}

void GetScreenSize(int *width, int *height)
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0) {
        *width = *height = 0;
        return;
    }
    *width = mode.w;
    *height = mode.h;
}

} // namespace backend

SDL_Window *SdlWindowOf(HWND hwnd)
{
    backend::NativeWindow *w = core::NativeWindowOf(hwnd);
    return w != nullptr ? w->sdl : nullptr;
}
