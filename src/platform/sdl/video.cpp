// SDL2 back end: choosing and starting SDL's video driver.
//
// Platform: Linux. Dependencies: SDL2.
//
// Which driver: the one the user names in SDL_VIDEODRIVER; otherwise X11
// wherever there is an X display, also on a Wayland desktop (through
// XWayland, as such desktops run X11 programs), then the rest in SDL's own
// order. SDL's native Wayland driver cannot give the program what it needs:
// the window's place (50, 50) cannot be set; on compositors without
// server-side decorations (weston) and without libdecor's plugins the
// window has no frame, so neither title nor close box; and on a compositor
// without input devices SDL_Init crashes. Drivers that draw nowhere
// (offscreen, dummy, evdev) are never tried unless named: left to itself
// SDL would fall back to one, and the program would run unseen.
#include "platform/sdl/sdl_backend.h"

namespace backend {

std::vector<std::string> VideoDriversToTry(const std::vector<std::string> &available, bool xDisplay)
{
    const std::string unseen[] = {"offscreen", "dummy", "evdev"};
    std::vector<std::string> order;
    bool hasX11 = false;
    for (const auto &driver : available)
        hasX11 = hasX11 || driver == "x11";
    if (xDisplay && hasX11)
        order.push_back("x11");
    for (const auto &driver : available) {
        bool skip = driver == "x11" && xDisplay;
        for (const auto &u : unseen)
            skip = skip || driver == u;
        if (!skip)
            order.push_back(driver);
    }
    return order;
}

bool StartVideo(std::string *why)
{
    if (SDL_getenv("SDL_VIDEODRIVER") != nullptr) {
        if (SDL_Init(SDL_INIT_VIDEO) == 0)
            return true;
        *why = SDL_GetError();
        return false;
    }
    std::vector<std::string> available;
    for (int i = 0; i < SDL_GetNumVideoDrivers(); ++i)
        available.push_back(SDL_GetVideoDriver(i));
    const char *display = SDL_getenv("DISPLAY");
    for (const auto &driver : VideoDriversToTry(available, display != nullptr && display[0] != '\0')) {
        SDL_SetHint(SDL_HINT_VIDEODRIVER, driver.c_str());
        if (SDL_Init(SDL_INIT_VIDEO) == 0)
            return true;
        if (!why->empty())
            *why += "; ";
        *why += driver + ": " + SDL_GetError();
    }
    if (why->empty())
        *why = "no video driver";
    return false;
}

} // namespace backend
