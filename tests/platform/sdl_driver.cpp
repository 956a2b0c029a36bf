// The conformance suite on the SDL back end, under a real X server (Xvfb,
// 1024x768, with or without a window manager): native events are SDL events
// pushed into SDL's queue, and time is real.
// Google Test first: Xlib defines None, Bool and others as macros.
#include "harness.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <X11/Xlib.h>

#include <cstdlib>

#include "platform/sdl/sdl_backend.h"

namespace {

SDL_Keycode SdlKeyOf(BYTE vk)
{
    if (vk >= 'A' && vk <= 'Z')
        return SDLK_a + (vk - 'A');
    if (vk >= '0' && vk <= '9')
        return SDLK_0 + (vk - '0');
    switch (vk) {
    case 0x10: return SDLK_LSHIFT;
    case 0x11: return SDLK_LCTRL;
    case 0x12: return SDLK_LALT;
    case 0x14: return SDLK_CAPSLOCK;
    case 0x1B: return SDLK_ESCAPE;
    case 0x20: return SDLK_SPACE;
    case 0x25: return SDLK_LEFT;
    case 0x70: return SDLK_F1;
    case 0xBA: return SDLK_SEMICOLON;
    case 0xDE: return SDLK_QUOTE;
    default: return SDLK_UNKNOWN;
    }
}

Uint32 IdOf(HWND hwnd)
{
    SDL_Window *window = SdlWindowOf(hwnd);
    return window != nullptr ? SDL_GetWindowID(window) : 0;
}

void PushWindowEvent(HWND hwnd, Uint8 what, int data1 = 0, int data2 = 0)
{
    SDL_Event e{};
    e.type = SDL_WINDOWEVENT;
    e.window.timestamp = SDL_GetTicks();
    e.window.windowID = IdOf(hwnd);
    e.window.event = what;
    e.window.data1 = data1;
    e.window.data2 = data2;
    SDL_PushEvent(&e);
}

} // namespace

void DriverStart()
{
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (std::getenv("DISPLAY") != nullptr) {
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
    }
}

void DriverReset()
{
}

std::uint64_t DriverNow()
{
    return SDL_GetTicks64();
}

void LetTimePass(int milliseconds)
{
    SDL_Delay(static_cast<Uint32>(milliseconds));
}

void InjectKey(HWND hwnd, BYTE vk, bool down)
{
    SDL_Event e{};
    e.type = down ? SDL_KEYDOWN : SDL_KEYUP;
    e.key.timestamp = SDL_GetTicks();
    e.key.windowID = IdOf(hwnd);
    e.key.state = down ? SDL_PRESSED : SDL_RELEASED;
    e.key.keysym.sym = SdlKeyOf(vk);
    SDL_PushEvent(&e);
}

void InjectMouse(HWND hwnd, UINT message, int x, int y)
{
    SDL_Event e{};
    if (message == WM_MOUSEMOVE) {
        e.type = SDL_MOUSEMOTION;
        e.motion.timestamp = SDL_GetTicks();
        e.motion.windowID = IdOf(hwnd);
        e.motion.x = x;
        e.motion.y = y;
    } else {
        e.type = message == WM_LBUTTONDOWN ? SDL_MOUSEBUTTONDOWN : SDL_MOUSEBUTTONUP;
        e.button.timestamp = SDL_GetTicks();
        e.button.windowID = IdOf(hwnd);
        e.button.button = SDL_BUTTON_LEFT;
        e.button.state = message == WM_LBUTTONDOWN ? SDL_PRESSED : SDL_RELEASED;
        e.button.x = x;
        e.button.y = y;
    }
    SDL_PushEvent(&e);
}

void InjectResize(HWND hwnd, int width, int height)
{
    PushWindowEvent(hwnd, SDL_WINDOWEVENT_SIZE_CHANGED, width, height);
}

void InjectExpose(HWND hwnd)
{
    PushWindowEvent(hwnd, SDL_WINDOWEVENT_EXPOSED);
}

void InjectCloseRequest(HWND hwnd)
{
    PushWindowEvent(hwnd, SDL_WINDOWEVENT_CLOSE);
}

void ExpectedScreenSize(int *width, int *height)
{
    *width = 1024; // what the test's X server has
    *height = 768;
}

bool BoxesCannotBeShown()
{
    return std::getenv("DISPLAY") == nullptr;
}

// A window manager announces itself on the root window (EWMH).
bool WindowsAreFramed()
{
    Display *display = XOpenDisplay(nullptr);
    if (display == nullptr)
        return false;
    Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    Atom type = 0;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char *value = nullptr;
    bool managed = check != 0 &&
                   XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, AnyPropertyType,
                                      &type, &format, &items, &after, &value) == Success &&
                   items == 1;
    if (value != nullptr)
        XFree(value);
    XCloseDisplay(display);
    return managed;
}

// The X server's own view of the window, not SDL's.
void NativeClientSize(HWND hwnd, int *width, int *height)
{
    *width = *height = 0;
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    SDL_Window *window = SdlWindowOf(hwnd);
    if (window == nullptr || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11)
        return;
    XWindowAttributes attributes;
    if (XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes)) {
        *width = attributes.width;
        *height = attributes.height;
    }
}
