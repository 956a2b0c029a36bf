// SDL2 back end: events, keyboard, mouse and the clock.
//
// Platform: Linux with SDL2's video (X11 or Wayland). Dependencies: SDL2.
// SDL's events become the core's input messages, sizes, exposures and close
// requests; GetMessageA sleeps in SDL_WaitEventTimeout.
//
// Limits and differences from Windows:
// - Only the left button and moves are delivered; no WM_MOUSEWHEEL, no
//   right or middle button messages (their MK_ flags are still set).
// - Keys are mapped to virtual keys by their US meaning; scan-code bits of
//   lParam are 0 and there is no WM_SYSKEYDOWN.
// - A resize from outside sends WM_SIZE from inside PeekMessageA or
//   GetMessageA, as a message sent from another thread would be.
// - The exposure that showing a window brings is taken inside ShowWindow
//   (TakeShowingExposure), as Windows shows a window before ShowWindow
//   returns: the paint that UpdateWindow sends then answers it, on a window
//   that is on screen, and no second paint follows.
// - Events of a window that is gone are dropped; events without a window go
//   to the capture window, else to the only window there is.
#include "platform/sdl/sdl_backend.h"

namespace backend {

namespace {

const WPARAM kMouseLeft = 0x0001;    // MK_LBUTTON
const WPARAM kMouseRight = 0x0002;   // MK_RBUTTON
const WPARAM kMouseShift = 0x0004;   // MK_SHIFT
const WPARAM kMouseControl = 0x0008; // MK_CONTROL
const WPARAM kMouseMiddle = 0x0010;  // MK_MBUTTON

// Windows' virtual-key code for an SDL key, 0 for keys it has none for here.
BYTE VirtualKeyOf(SDL_Keycode key)
{
    if (key >= SDLK_a && key <= SDLK_z)
        return static_cast<BYTE>('A' + (key - SDLK_a));
    if (key >= SDLK_0 && key <= SDLK_9)
        return static_cast<BYTE>('0' + (key - SDLK_0));
    if (key >= SDLK_F1 && key <= SDLK_F12)
        return static_cast<BYTE>(0x70 + (key - SDLK_F1));
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9)
        return static_cast<BYTE>(0x61 + (key - SDLK_KP_1));
    static const struct {
        SDL_Keycode key;
        BYTE vk;
    } table[] = {
        {SDLK_BACKSPACE, 0x08},   {SDLK_TAB, 0x09},         {SDLK_RETURN, 0x0D},       {SDLK_KP_ENTER, 0x0D},
        {SDLK_LSHIFT, 0x10},      {SDLK_RSHIFT, 0x10},      {SDLK_LCTRL, 0x11},        {SDLK_RCTRL, 0x11},
        {SDLK_LALT, 0x12},        {SDLK_RALT, 0x12},        {SDLK_PAUSE, 0x13},        {SDLK_CAPSLOCK, 0x14},
        {SDLK_ESCAPE, 0x1B},      {SDLK_SPACE, 0x20},       {SDLK_PAGEUP, 0x21},       {SDLK_PAGEDOWN, 0x22},
        {SDLK_END, 0x23},         {SDLK_HOME, 0x24},        {SDLK_LEFT, 0x25},         {SDLK_UP, 0x26},
        {SDLK_RIGHT, 0x27},       {SDLK_DOWN, 0x28},        {SDLK_INSERT, 0x2D},       {SDLK_DELETE, 0x2E},
        {SDLK_KP_0, 0x60},        {SDLK_SEMICOLON, 0xBA},   {SDLK_EQUALS, 0xBB},       {SDLK_COMMA, 0xBC},
        {SDLK_MINUS, 0xBD},       {SDLK_PERIOD, 0xBE},      {SDLK_SLASH, 0xBF},        {SDLK_BACKQUOTE, 0xC0},
        {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC},   {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
    };
    for (const auto &entry : table)
        if (entry.key == key)
            return entry.vk;
    return 0;
}

WPARAM MouseKeys(Uint32 buttons)
{
    WPARAM keys = 0;
    if (buttons & SDL_BUTTON_LMASK)
        keys |= kMouseLeft;
    if (buttons & SDL_BUTTON_RMASK)
        keys |= kMouseRight;
    if (buttons & SDL_BUTTON_MMASK)
        keys |= kMouseMiddle;
    SDL_Keymod mod = SDL_GetModState();
    if (mod & KMOD_SHIFT)
        keys |= kMouseShift;
    if (mod & KMOD_CTRL)
        keys |= kMouseControl;
    return keys;
}

// The window an event belongs to. An event of a window that is gone is
// dropped with it; one without a window (keys before the window has the
// keyboard focus) goes where the core sends such input.
NativeWindow *TargetOf(Uint32 sdlId)
{
    if (sdlId != 0)
        return WindowOfSdlId(sdlId);
    return core::NativeWindowOf(core::InputTarget());
}

void PostMouse(NativeWindow *w, UINT message, WPARAM keys, int x, int y, Uint32 time)
{
    int wx = 0, wy = 0;
    SDL_GetWindowPosition(w->sdl, &wx, &wy);
    core::CursorMoved(POINT{wx + x, wy + y});
    core::PostInput(w->hwnd, message, keys, MAKELPARAM(x, y), time);
}

void PostKey(const SDL_KeyboardEvent &e)
{
    NativeWindow *w = TargetOf(e.windowID);
    BYTE vk = VirtualKeyOf(e.keysym.sym);
    if (w == nullptr || vk == 0)
        return;
    SDL_Keycode key = e.keysym.sym;
    bool extended = key == SDLK_RSHIFT || key == SDLK_RCTRL || key == SDLK_RALT || key == SDLK_KP_ENTER;
    core::KeyAction action = e.type == SDL_KEYUP ? core::kKeyReleased
                             : e.repeat             ? core::kKeyRepeated
                                                    : core::kKeyPressed;
    core::PostKey(w->hwnd, vk, action, extended, e.timestamp);
}

void Translate(const SDL_Event &e)
{
    switch (e.type) {
    case SDL_WINDOWEVENT: {
        NativeWindow *w = TargetOf(e.window.windowID);
        if (w == nullptr)
            break;
        if (e.window.event == SDL_WINDOWEVENT_EXPOSED)
            core::Exposed(w->hwnd);
        else if (e.window.event == SDL_WINDOWEVENT_SIZE_CHANGED)
            core::ClientResized(w->hwnd, e.window.data1, e.window.data2);
        else if (e.window.event == SDL_WINDOWEVENT_CLOSE)
            core::CloseRequested(w->hwnd);
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP:
        PostKey(e.key);
        break;
    case SDL_MOUSEMOTION:
        if (NativeWindow *w = TargetOf(e.motion.windowID))
            PostMouse(w, WM_MOUSEMOVE, MouseKeys(e.motion.state), e.motion.x, e.motion.y, e.motion.timestamp);
        break;
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        NativeWindow *w = TargetOf(e.button.windowID);
        if (w == nullptr || e.button.button != SDL_BUTTON_LEFT)
            break;
        bool down = e.type == SDL_MOUSEBUTTONDOWN;
        Uint32 buttons = SDL_GetMouseState(nullptr, nullptr);
        buttons = down ? (buttons | SDL_BUTTON_LMASK) : (buttons & ~SDL_BUTTON_LMASK);
        PostMouse(w, down ? WM_LBUTTONDOWN : WM_LBUTTONUP, MouseKeys(buttons), e.button.x, e.button.y,
                  e.button.timestamp);
        break;
    }
    default:
        break;
    }
}

struct ExposureSought {
    Uint32 id;
    bool found;
};

int DropExposureOf(void *userdata, SDL_Event *e)
{
    auto *sought = static_cast<ExposureSought *>(userdata);
    if (e->type != SDL_WINDOWEVENT || e->window.event != SDL_WINDOWEVENT_EXPOSED || e->window.windowID != sought->id)
        return 1;
    sought->found = true;
    return 0;
}

} // namespace

void TakeShowingExposure(NativeWindow *w)
{
    ExposureSought sought{w->id, false};
    Uint64 deadline = SDL_GetTicks64() + 200;
    for (;;) {
        SDL_PumpEvents();
        SDL_FilterEvents(DropExposureOf, &sought);
        if (sought.found) {
            core::Exposed(w->hwnd);
            return;
        }
        if (SDL_GetTicks64() >= deadline)
            return;
        SDL_Delay(1);
    }
}

void PumpEvents()
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        Translate(e);
}

bool Wait(int timeoutMs)
{
    SDL_WaitEventTimeout(nullptr, timeoutMs);
    return true;
}

std::uint64_t Now()
{
    return SDL_GetTicks64();
}

} // namespace backend
