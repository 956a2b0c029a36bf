// The SDL2 back end's one state record and what its files share.
//
// Platform: Linux (any system SDL2 runs a windowing video driver on: X11,
// Wayland). Dependencies: SDL2, the system's OpenGL (Mesa). One thread.
#ifndef DUCKVIEW_PLATFORM_SDL_SDL_BACKEND_H
#define DUCKVIEW_PLATFORM_SDL_SDL_BACKEND_H

#include <SDL.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/core/backend.h"

namespace backend {

struct NativeWindow {
    HWND hwnd = nullptr;
    SDL_Window *sdl = nullptr;
    Uint32 id = 0;
    bool hasGl = false;  // made with SDL_WINDOW_OPENGL
    std::string glError; // why not, when it isn't
    bool formatProbed = false;
    bool formatUsable = false;
    PIXELFORMATDESCRIPTOR format{};
    // A context made before the program asked for one (the start-up
    // warm-up, or the one made to learn the format), handed out by the
    // first wglCreateContext.
    SDL_GLContext spareContext = nullptr;
    bool spareViewportStale = false; // first made current on another size
};

struct NativeContext {
    SDL_GLContext gl;
    bool viewportStale; // the viewport is set when first made current
};

struct SdlState {
    std::vector<std::unique_ptr<NativeWindow>> windows; // the live ones
    bool capsLockRead = false;
    bool glLibraryLoaded = false;
    std::string glLibraryError;
    // The warm-up: a context made when a class with its own device context
    // is registered, for the next window created.
    SDL_GLContext warmContext = nullptr;
};
extern SdlState sdl;

// video.cpp
// The video drivers to try when the user names none, in order, from those
// SDL has (in SDL's order) and whether there is an X display.
std::vector<std::string> VideoDriversToTry(const std::vector<std::string> &available, bool xDisplay);
// Starts SDL's video on a display that can be seen; false with the reasons.
bool StartVideo(std::string *why);
// window.cpp
NativeWindow *WindowOfSdlId(Uint32 id);
// events.cpp
// Waits briefly for the exposure of a window just mapped, which the X
// server sends along with the map that SDL_ShowWindow waits for, and hands
// it to the core at once (none comes for a window shown under another).
void TakeShowingExposure(NativeWindow *window);
// opengl.cpp
void LoadGlLibrary();
// Makes the window's SDL window, with OpenGL when it can be had (and then
// the warm-up context as its spare). False when there is no window at all.
bool MakeSdlWindow(NativeWindow *window, const WindowRequest &request, Uint32 flags);

} // namespace backend

// The SDL window behind a Win32 window, for tests that drive it with SDL
// events of their own; null for a handle that is not a live window.
SDL_Window *SdlWindowOf(HWND hwnd);

#endif // DUCKVIEW_PLATFORM_SDL_SDL_BACKEND_H
