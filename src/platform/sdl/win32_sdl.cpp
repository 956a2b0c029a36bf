// The Win32 user-interface, graphics-device and OpenGL-binding operations
// that the program calls, on top of SDL2 and the system's OpenGL.
//
// One thread runs everything. SDL's events are turned into window messages
// and kept in our own queue; WM_PAINT, WM_TIMER and WM_QUIT are not queued
// but generated from state when nothing else is waiting, in Windows' order.
// Messages that Windows sends (WM_CREATE, WM_DESTROY, WM_SIZE from
// SetWindowPos, WM_PAINT from UpdateWindow) call the window procedure
// directly.
#include <SDL.h>

#include <cstdio>
#include <cstring>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "platform/win32.h"

namespace {

// Window styles, key codes and mouse-key flags with their Windows values.
const DWORD kStyleVisible = 0x10000000L;   // WS_VISIBLE
const DWORD kStyleThickFrame = 0x00040000L; // WS_THICKFRAME
const int kUseDefault = static_cast<int>(0x80000000u); // CW_USEDEFAULT
const WPARAM kSizeRestored = 0;             // SIZE_RESTORED
const WPARAM kMouseLeft = 0x0001;           // MK_LBUTTON
const WPARAM kMouseRight = 0x0002;          // MK_RBUTTON
const WPARAM kMouseShift = 0x0004;          // MK_SHIFT
const WPARAM kMouseControl = 0x0008;        // MK_CONTROL
const WPARAM kMouseMiddle = 0x0010;         // MK_MBUTTON
const BYTE kKeyShift = 0x10;                // VK_SHIFT
const BYTE kKeyControl = 0x11;              // VK_CONTROL
const BYTE kKeyMenu = 0x12;                 // VK_MENU
const BYTE kKeyCapital = 0x14;              // VK_CAPITAL
const BYTE kKeyLeftShift = 0xA0;            // VK_LSHIFT; VK_RSHIFT .. VK_RMENU follow
const LPARAM kKeyExtended = LPARAM(1) << 24;
const LPARAM kKeyWasDown = LPARAM(1) << 30;
const LPARAM kKeyReleased = LPARAM(1) << 31;

struct Window {
    SDL_Window *sdl = nullptr;
    Uint32 sdlId = 0;
    WNDPROC proc = nullptr;
    bool alive = true;
    bool destroying = false; // WM_DESTROY is being sent
    bool visible = false;
    bool shownBefore = false;
    bool invalid = false;    // has an update region: WM_PAINT is due
    bool hasGl = false;      // made with SDL_WINDOW_OPENGL
    std::string glError;     // why not, when it isn't
    int outerWidth = 0;      // the size as the program gave it, frame included
    int outerHeight = 0;
    int clientWidth = 0;     // the client size last reported with WM_SIZE
    int clientHeight = 0;
    int pixelFormat = 0;     // 0 until SetPixelFormat
    bool formatProbed = false;
    bool formatUsable = false;
    PIXELFORMATDESCRIPTOR format{};
    SDL_GLContext spareContext = nullptr; // made while probing, handed out first
    HPALETTE palette = nullptr;
    char dcTag = 0; // its address is the window's one device context
};

struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    Uint64 due;
    TIMERPROC proc;
};

struct RenderContext {
    SDL_GLContext gl;
};

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

// Windows are never freed: a destroyed one stays behind, marked dead, so
// that a stale handle is recognised rather than reused.
std::vector<std::unique_ptr<Window>> windows;
std::vector<WindowClass> classes;
std::vector<std::unique_ptr<RenderContext>> contexts;
std::vector<std::unique_ptr<Palette>> palettes;
std::deque<MSG> queue;
std::vector<Timer> timers;
bool quitPending = false;
int quitCode = 0;
HWND captureWindow = nullptr;
bool keyDown[256];
bool capsLockOn = false;
bool glLibraryLoaded = false;
std::string glLibraryError;
POINT lastCursor{0, 0};
char iconTag, cursorTag;

HWND HandleOf(Window *w)
{
    return reinterpret_cast<HWND>(w);
}

Window *FindWindow(HWND hwnd)
{
    for (auto &w : windows)
        if (w->alive && HandleOf(w.get()) == hwnd)
            return w.get();
    return nullptr;
}

Window *FindWindowOfDc(HDC dc)
{
    for (auto &w : windows)
        if (w->alive && reinterpret_cast<HDC>(&w->dcTag) == dc)
            return w.get();
    return nullptr;
}

// The window an SDL event belongs to. Events without one (keys before the
// window has the keyboard focus) go to the capture window or, failing that,
// to the only window there is.
Window *FindWindowOfEvent(Uint32 sdlId)
{
    for (auto &w : windows)
        if (w->alive && w->sdlId == sdlId)
            return w.get();
    if (Window *w = FindWindow(captureWindow))
        return w;
    Window *only = nullptr;
    for (auto &w : windows) {
        if (!w->alive)
            continue;
        if (only != nullptr)
            return nullptr;
        only = w.get();
    }
    return only;
}

LRESULT Send(Window *w, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (w->proc == nullptr)
        return DefWindowProcA(HandleOf(w), message, wParam, lParam);
    return w->proc(HandleOf(w), message, wParam, lParam);
}

void Post(Window *w, UINT message, WPARAM wParam, LPARAM lParam, Uint32 time)
{
    MSG msg{};
    msg.hwnd = HandleOf(w);
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = time;
    msg.pt = lastCursor;
    queue.push_back(msg);
}

// The frame that the window manager draws around the client area; none on
// a bare X server.
void GetFrame(Window *w, int *top, int *left, int *bottom, int *right)
{
    *top = *left = *bottom = *right = 0;
    if (SDL_GetWindowBordersSize(w->sdl, top, left, bottom, right) != 0)
        *top = *left = *bottom = *right = 0;
}

// Sizes the client area so that, frame included, the window has its outer
// size, and tells the window procedure when the client size has changed.
void ApplyOuterSize(Window *w)
{
    int top, left, bottom, right;
    GetFrame(w, &top, &left, &bottom, &right);
    int width = w->outerWidth - left - right;
    int height = w->outerHeight - top - bottom;
    if (width < 1)
        width = 1;
    if (height < 1)
        height = 1;
    int current[2];
    SDL_GetWindowSize(w->sdl, &current[0], &current[1]);
    if (current[0] != width || current[1] != height)
        SDL_SetWindowSize(w->sdl, width, height);
    if (width != w->clientWidth || height != w->clientHeight) {
        w->clientWidth = width;
        w->clientHeight = height;
        w->invalid = true;
        Send(w, WM_SIZE, kSizeRestored, MAKELPARAM(width, height));
    }
}

void SetGlAttributes()
{
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
    SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

BYTE AttributeOf(SDL_GLattr attribute)
{
    int value = 0;
    if (SDL_GL_GetAttribute(attribute, &value) != 0 || value < 0)
        value = 0;
    return static_cast<BYTE>(value > 255 ? 255 : value);
}

BYTE ShiftOf(Uint32 mask)
{
    BYTE shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

// Makes a context on the window once, to learn the format it really gets;
// the context is kept for the first wglCreateContext. False, with the reason
// on stderr, when the window cannot have an OpenGL context at all.
bool ProbeFormat(Window *w)
{
    if (w->formatProbed)
        return w->formatUsable;
    w->formatProbed = true;
    if (!w->hasGl) {
        std::fprintf(stderr, "duckview: no OpenGL-capable window: %s\n", w->glError.c_str());
        return false;
    }
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
    SDL_GLContext context = SDL_GL_CreateContext(w->sdl);
    if (context == nullptr) {
        std::fprintf(stderr, "duckview: cannot create an OpenGL context: %s\n", SDL_GetError());
        return false;
    }

    PIXELFORMATDESCRIPTOR &pfd = w->format;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = sizeof pfd;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (AttributeOf(SDL_GL_DOUBLEBUFFER) != 0)
        pfd.dwFlags |= PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cRedBits = AttributeOf(SDL_GL_RED_SIZE);
    pfd.cGreenBits = AttributeOf(SDL_GL_GREEN_SIZE);
    pfd.cBlueBits = AttributeOf(SDL_GL_BLUE_SIZE);
    pfd.cAlphaBits = AttributeOf(SDL_GL_ALPHA_SIZE);
    pfd.cColorBits = static_cast<BYTE>(pfd.cRedBits + pfd.cGreenBits + pfd.cBlueBits);
    pfd.cAccumRedBits = AttributeOf(SDL_GL_ACCUM_RED_SIZE);
    pfd.cAccumGreenBits = AttributeOf(SDL_GL_ACCUM_GREEN_SIZE);
    pfd.cAccumBlueBits = AttributeOf(SDL_GL_ACCUM_BLUE_SIZE);
    pfd.cAccumAlphaBits = AttributeOf(SDL_GL_ACCUM_ALPHA_SIZE);
    pfd.cAccumBits = static_cast<BYTE>(pfd.cAccumRedBits + pfd.cAccumGreenBits + pfd.cAccumBlueBits +
                                       pfd.cAccumAlphaBits);
    pfd.cDepthBits = AttributeOf(SDL_GL_DEPTH_SIZE);
    pfd.cStencilBits = AttributeOf(SDL_GL_STENCIL_SIZE);
    pfd.iLayerType = PFD_MAIN_PLANE;

    // Where each component sits in a pixel, from the window's visual.
    int bpp = 0;
    Uint32 masks[4] = {0, 0, 0, 0};
    if (SDL_PixelFormatEnumToMasks(SDL_GetWindowPixelFormat(w->sdl), &bpp, &masks[0], &masks[1], &masks[2],
                                   &masks[3]) == SDL_TRUE &&
        masks[0] != 0) {
        pfd.cRedShift = ShiftOf(masks[0]);
        pfd.cGreenShift = ShiftOf(masks[1]);
        pfd.cBlueShift = ShiftOf(masks[2]);
        pfd.cAlphaShift = ShiftOf(masks[3]);
    } else {
        pfd.cBlueShift = 0;
        pfd.cGreenShift = pfd.cBlueBits;
        pfd.cRedShift = static_cast<BYTE>(pfd.cBlueBits + pfd.cGreenBits);
        pfd.cAlphaShift = static_cast<BYTE>(pfd.cRedShift + pfd.cRedBits);
    }

    SDL_GL_MakeCurrent(previousWindow, previousContext);
    w->spareContext = context;
    w->formatUsable = true;
    return true;
}

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
        {SDLK_BACKSPACE, 0x08}, {SDLK_TAB, 0x09},       {SDLK_RETURN, 0x0D},    {SDLK_KP_ENTER, 0x0D},
        {SDLK_LSHIFT, kKeyShift}, {SDLK_RSHIFT, kKeyShift}, {SDLK_LCTRL, kKeyControl}, {SDLK_RCTRL, kKeyControl},
        {SDLK_LALT, kKeyMenu},  {SDLK_RALT, kKeyMenu},  {SDLK_PAUSE, 0x13},     {SDLK_CAPSLOCK, kKeyCapital},
        {SDLK_ESCAPE, 0x1B},    {SDLK_SPACE, 0x20},     {SDLK_PAGEUP, 0x21},    {SDLK_PAGEDOWN, 0x22},
        {SDLK_END, 0x23},       {SDLK_HOME, 0x24},      {SDLK_LEFT, 0x25},      {SDLK_UP, 0x26},
        {SDLK_RIGHT, 0x27},     {SDLK_DOWN, 0x28},      {SDLK_INSERT, 0x2D},    {SDLK_DELETE, 0x2E},
        {SDLK_KP_0, 0x60},      {SDLK_SEMICOLON, 0xBA}, {SDLK_EQUALS, 0xBB},    {SDLK_COMMA, 0xBC},
        {SDLK_MINUS, 0xBD},     {SDLK_PERIOD, 0xBE},    {SDLK_SLASH, 0xBF},     {SDLK_BACKQUOTE, 0xC0},
        {SDLK_LEFTBRACKET, 0xDB}, {SDLK_BACKSLASH, 0xDC}, {SDLK_RIGHTBRACKET, 0xDD}, {SDLK_QUOTE, 0xDE},
    };
    for (const auto &entry : table)
        if (entry.key == key)
            return entry.vk;
    return 0;
}

// The character a key makes on a US keyboard, 0 for none.
int CharacterOf(BYTE vk, bool shift, bool control)
{
    if (vk >= 'A' && vk <= 'Z') {
        if (control)
            return vk - 'A' + 1;
        return (shift != capsLockOn) ? vk : vk - 'A' + 'a';
    }
    if (control)
        return 0;
    if (vk >= '0' && vk <= '9')
        return shift ? ")!@#$%^&*("[vk - '0'] : vk;
    if (vk >= 0x60 && vk <= 0x69)
        return '0' + (vk - 0x60);
    static const struct {
        BYTE vk;
        char plain, shifted;
    } table[] = {
        {0x08, 8, 8},       {0x09, 9, 9},       {0x0D, 13, 13},     {0x1B, 27, 27},     {0x20, ' ', ' '},
        {0xBA, ';', ':'},   {0xBB, '=', '+'},   {0xBC, ',', '<'},   {0xBD, '-', '_'},   {0xBE, '.', '>'},
        {0xBF, '/', '?'},   {0xC0, '`', '~'},   {0xDB, '[', '{'},   {0xDC, '\\', '|'},  {0xDD, ']', '}'},
        {0xDE, '\'', '"'},
    };
    for (const auto &entry : table)
        if (entry.vk == vk)
            return shift ? entry.shifted : entry.plain;
    return 0;
}

// Where the key state of a key message is kept: left and right modifiers
// apart, so that releasing one does not release the other.
int KeyStateIndex(const MSG &msg)
{
    BYTE vk = static_cast<BYTE>(msg.wParam);
    if (vk >= kKeyShift && vk <= kKeyMenu)
        return kKeyLeftShift + 2 * (vk - kKeyShift) + ((msg.lParam & kKeyExtended) ? 1 : 0);
    return vk;
}

// The key state follows the messages as they are taken from the queue, as
// on Windows, so TranslateMessage sees Shift as it was at that key press.
void NoteRemoved(const MSG &msg)
{
    if (msg.message == WM_KEYDOWN) {
        if (msg.wParam == kKeyCapital && (msg.lParam & kKeyWasDown) == 0)
            capsLockOn = !capsLockOn;
        keyDown[KeyStateIndex(msg)] = true;
    } else if (msg.message == WM_KEYUP) {
        keyDown[KeyStateIndex(msg)] = false;
    }
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

void PostMouse(Window *w, UINT message, WPARAM keys, int x, int y, Uint32 time)
{
    int wx = 0, wy = 0;
    SDL_GetWindowPosition(w->sdl, &wx, &wy);
    lastCursor.x = wx + x;
    lastCursor.y = wy + y;
    // Windows keeps only the latest of consecutive moves.
    if (message == WM_MOUSEMOVE && !queue.empty() && queue.back().message == WM_MOUSEMOVE &&
        queue.back().hwnd == HandleOf(w))
        queue.pop_back();
    Post(w, message, keys, MAKELPARAM(x, y), time);
}

void Translate(const SDL_Event &e)
{
    switch (e.type) {
    case SDL_WINDOWEVENT: {
        Window *w = FindWindowOfEvent(e.window.windowID);
        if (w == nullptr)
            break;
        switch (e.window.event) {
        case SDL_WINDOWEVENT_EXPOSED:
            w->invalid = true;
            break;
        case SDL_WINDOWEVENT_SIZE_CHANGED:
            if (e.window.data1 != w->clientWidth || e.window.data2 != w->clientHeight) {
                w->clientWidth = e.window.data1;
                w->clientHeight = e.window.data2;
                w->invalid = true;
                Post(w, WM_SIZE, kSizeRestored, MAKELPARAM(w->clientWidth, w->clientHeight), e.window.timestamp);
            }
            break;
        case SDL_WINDOWEVENT_CLOSE:
            Post(w, WM_CLOSE, 0, 0, e.window.timestamp);
            break;
        default:
            break;
        }
        break;
    }
    case SDL_KEYDOWN:
    case SDL_KEYUP: {
        Window *w = FindWindowOfEvent(e.key.windowID);
        BYTE vk = VirtualKeyOf(e.key.keysym.sym);
        if (w == nullptr || vk == 0)
            break;
        LPARAM lParam = 1;
        if (e.key.keysym.sym == SDLK_RSHIFT || e.key.keysym.sym == SDLK_RCTRL || e.key.keysym.sym == SDLK_RALT ||
            e.key.keysym.sym == SDLK_KP_ENTER)
            lParam |= kKeyExtended;
        if (e.type == SDL_KEYUP)
            lParam |= kKeyWasDown | kKeyReleased;
        else if (e.key.repeat)
            lParam |= kKeyWasDown;
        Post(w, e.type == SDL_KEYDOWN ? WM_KEYDOWN : WM_KEYUP, vk, lParam, e.key.timestamp);
        break;
    }
    case SDL_MOUSEMOTION: {
        Window *w = FindWindowOfEvent(e.motion.windowID);
        if (w != nullptr)
            PostMouse(w, WM_MOUSEMOVE, MouseKeys(e.motion.state), e.motion.x, e.motion.y, e.motion.timestamp);
        break;
    }
    case SDL_MOUSEBUTTONDOWN:
    case SDL_MOUSEBUTTONUP: {
        Window *w = FindWindowOfEvent(e.button.windowID);
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

void PumpEvents()
{
    SDL_Event e;
    while (SDL_PollEvent(&e))
        Translate(e);
}

bool Matches(HWND messageWindow, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax)
{
    if (filterWindow != nullptr && messageWindow != filterWindow)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

void Generated(MSG *msg, HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    msg->hwnd = hwnd;
    msg->message = message;
    msg->wParam = wParam;
    msg->lParam = lParam;
    msg->time = SDL_GetTicks();
    msg->pt = lastCursor;
}

// The next message in Windows' order: queued input and window messages,
// then the quit message, then paint, then timers.
bool NextMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    PumpEvents();
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!Matches(it->hwnd, it->message, hwnd, filterMin, filterMax))
            continue;
        *msg = *it;
        if (remove) {
            queue.erase(it);
            NoteRemoved(*msg);
        }
        return true;
    }
    if (quitPending && Matches(nullptr, WM_QUIT, hwnd, filterMin, filterMax)) {
        Generated(msg, nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0);
        if (remove)
            quitPending = false;
        return true;
    }
    for (auto &w : windows) {
        if (w->alive && w->visible && w->invalid && Matches(HandleOf(w.get()), WM_PAINT, hwnd, filterMin, filterMax)) {
            Generated(msg, HandleOf(w.get()), WM_PAINT, 0, 0);
            return true;
        }
    }
    Uint64 now = SDL_GetTicks64();
    for (auto &t : timers) {
        if (now >= t.due && Matches(t.hwnd, WM_TIMER, hwnd, filterMin, filterMax)) {
            Generated(msg, t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc));
            if (remove)
                t.due = now + t.interval;
            return true;
        }
    }
    return false;
}

// How long GetMessageA may sleep: until the next timer is due, or for ever.
int WaitTimeout()
{
    if (timers.empty())
        return -1;
    Uint64 now = SDL_GetTicks64();
    Uint64 next = timers.front().due;
    for (const auto &t : timers)
        if (t.due < next)
            next = t.due;
    if (next <= now)
        return 0;
    Uint64 wait = next - now;
    return wait > 0x7fffffff ? 0x7fffffff : static_cast<int>(wait);
}

} // namespace

// ---- user32 ----

// Loads the GL library once and keeps it for the life of the process, so
// that destroying the last window does not unload it under the program.
static void LoadGlLibrary()
{
    if (glLibraryLoaded || !glLibraryError.empty())
        return;
    if (SDL_GL_LoadLibrary(nullptr) == 0) {
        glLibraryLoaded = true;
        capsLockOn = (SDL_GetModState() & KMOD_CAPS) != 0;
    } else {
        glLibraryError = SDL_GetError();
    }
}

// Windows of a class with its own device context are drawn with OpenGL.
// Loading and starting the GL driver takes long (a software renderer
// compiles its pipeline); doing it once here, when the class is
// registered, lets the first such window show its first frame at once.
// A throw-away hidden window and context start the driver, which stays
// loaded for the display. Failure is left for window creation to report.
static void PrepareGl()
{
    LoadGlLibrary();
    if (!glLibraryLoaded)
        return;
    SetGlAttributes();
    SDL_Window *probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (probe == nullptr)
        return;
    SDL_GLContext previous = SDL_GL_GetCurrentContext();
    SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
    SDL_GLContext context = SDL_GL_CreateContext(probe);
    if (context != nullptr) {
        SDL_GL_DeleteContext(context);
        SDL_GL_MakeCurrent(previousWindow, previous);
    }
    SDL_DestroyWindow(probe);
}

ATOM RegisterClassA(const WNDCLASSA *wc)
{
    if (wc == nullptr || wc->lpszClassName == nullptr)
        return 0;
    for (const auto &c : classes)
        if (c.name == wc->lpszClassName)
            return 0; // already registered, as Windows refuses it
    classes.push_back(WindowClass{wc->lpszClassName, *wc});
    classes.back().info.lpszClassName = classes.back().name.c_str();
    if (wc->style & CS_OWNDC)
        PrepareGl();
    return static_cast<ATOM>(0xC000 + classes.size() - 1);
}

HICON LoadIconA(HINSTANCE, LPCSTR)
{
    return reinterpret_cast<HICON>(&iconTag);
}

HCURSOR LoadCursorA(HINSTANCE, LPCSTR)
{
    return reinterpret_cast<HCURSOR>(&cursorTag);
}

int GetSystemMetrics(int index)
{
    SDL_DisplayMode mode;
    if (SDL_GetDesktopDisplayMode(0, &mode) != 0)
        return 0;
    if (index == SM_CXSCREEN)
        return mode.w;
    if (index == SM_CYSCREEN)
        return mode.h;
    return 0;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type)
{
    const UINT iconMask = 0xF0;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & iconMask) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & iconMask) == 0x30) // MB_ICONWARNING
        flags = SDL_MESSAGEBOX_WARNING;
    if (caption == nullptr)
        caption = "Error";
    if (text == nullptr)
        text = "";
    Window *w = FindWindow(owner);
    if (SDL_ShowSimpleMessageBox(flags, caption, text, w != nullptr ? w->sdl : nullptr) != 0) {
        // No box can be shown (no display): say it on stderr and go on as
        // though the user had pressed OK.
        std::fprintf(stderr, "%s: %s\n", caption, text);
    }
    return IDOK;
}

HWND CreateWindowExA(DWORD, LPCSTR className, LPCSTR title, DWORD style, int x, int y, int width, int height,
                     HWND, HMENU, HINSTANCE, LPVOID)
{
    const WindowClass *cls = nullptr;
    for (const auto &c : classes)
        if (className != nullptr && c.name == className)
            cls = &c;
    if (cls == nullptr)
        return nullptr;

    LoadGlLibrary();

    // The GL format has to be chosen before the window exists: it comes
    // with the window's visual.
    SetGlAttributes();
    auto w = std::make_unique<Window>();
    w->outerWidth = width == kUseDefault ? 640 : width;
    w->outerHeight = height == kUseDefault ? 480 : height;
    if (w->outerWidth < 1)
        w->outerWidth = 1;
    if (w->outerHeight < 1)
        w->outerHeight = 1;
    // As on Windows, a default x leaves the whole position to the system.
    int sdlX = x == kUseDefault ? SDL_WINDOWPOS_UNDEFINED : x;
    int sdlY = x == kUseDefault ? SDL_WINDOWPOS_UNDEFINED : y;
    Uint32 flags = SDL_WINDOW_HIDDEN;
    if (style & kStyleThickFrame)
        flags |= SDL_WINDOW_RESIZABLE;
    const char *caption = title != nullptr ? title : "";
    if (glLibraryLoaded) {
        w->sdl = SDL_CreateWindow(caption, sdlX, sdlY, w->outerWidth, w->outerHeight, flags | SDL_WINDOW_OPENGL);
        if (w->sdl != nullptr)
            w->hasGl = true;
        else
            w->glError = SDL_GetError();
    } else {
        w->glError = glLibraryError;
    }
    if (w->sdl == nullptr) {
        // A window without OpenGL still lets the program report the
        // failure through its pixel-format path.
        w->sdl = SDL_CreateWindow(caption, sdlX, sdlY, w->outerWidth, w->outerHeight, flags);
        if (w->sdl == nullptr) {
            std::fprintf(stderr, "duckview: cannot create a window: %s\n", SDL_GetError());
            return nullptr;
        }
    }
    w->sdlId = SDL_GetWindowID(w->sdl);
    w->proc = cls->info.lpfnWndProc;
    SDL_GetWindowSize(w->sdl, &w->clientWidth, &w->clientHeight);
    Window *created = w.get();
    windows.push_back(std::move(w));
    HWND hwnd = HandleOf(created);

    if (Send(created, WM_CREATE, 0, 0) == -1) {
        DestroyWindow(hwnd);
        return nullptr;
    }
    if (FindWindow(hwnd) == nullptr)
        return nullptr;
    if (style & kStyleVisible)
        ShowWindow(hwnd, SW_SHOW);
    return hwnd;
}

BOOL ShowWindow(HWND hwnd, int cmdShow)
{
    Window *w = FindWindow(hwnd);
    if (w == nullptr)
        return FALSE;
    BOOL wasVisible = w->visible ? TRUE : FALSE;
    if (cmdShow == SW_HIDE) {
        SDL_HideWindow(w->sdl);
        w->visible = false;
        return wasVisible;
    }
    SDL_ShowWindow(w->sdl);
    SDL_RaiseWindow(w->sdl);
    SDL_SetWindowInputFocus(w->sdl);
    w->visible = true;
    w->invalid = true;
    if (!w->shownBefore) {
        // Now mapped, the frame is known: keep the outer size, and tell the
        // window its size as Windows does on the first show.
        w->shownBefore = true;
        int oldWidth = w->clientWidth, oldHeight = w->clientHeight;
        ApplyOuterSize(w);
        if (FindWindow(hwnd) != nullptr && w->clientWidth == oldWidth && w->clientHeight == oldHeight)
            Send(w, WM_SIZE, kSizeRestored, MAKELPARAM(w->clientWidth, w->clientHeight));
    }
    return wasVisible;
}

BOOL UpdateWindow(HWND hwnd)
{
    Window *w = FindWindow(hwnd);
    if (w == nullptr)
        return FALSE;
    if (w->visible && w->invalid)
        Send(w, WM_PAINT, 0, 0);
    return TRUE;
}

BOOL PeekMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    MSG found{};
    if (!NextMessage(&found, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0))
        return FALSE;
    if (msg != nullptr)
        *msg = found;
    return TRUE;
}

BOOL GetMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    MSG found{};
    while (!NextMessage(&found, hwnd, filterMin, filterMax, true)) {
        // Sleep in SDL until an event arrives or the next timer is due.
        SDL_WaitEventTimeout(nullptr, WaitTimeout());
    }
    if (msg != nullptr)
        *msg = found;
    return found.message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG *msg)
{
    if (msg == nullptr || (msg->message != WM_KEYDOWN && msg->message != WM_KEYUP))
        return FALSE;
    if (msg->message == WM_KEYDOWN) {
        bool shift = keyDown[kKeyLeftShift] || keyDown[kKeyLeftShift + 1];
        bool control = keyDown[kKeyLeftShift + 2] || keyDown[kKeyLeftShift + 3];
        bool alt = keyDown[kKeyLeftShift + 4] || keyDown[kKeyLeftShift + 5];
        int ch = alt ? 0 : CharacterOf(static_cast<BYTE>(msg->wParam), shift, control);
        if (ch != 0) {
            MSG charMsg = *msg;
            charMsg.message = WM_CHAR;
            charMsg.wParam = static_cast<WPARAM>(ch);
            queue.push_front(charMsg); // the very next message, as on Windows
        }
    }
    return TRUE;
}

LRESULT DispatchMessageA(const MSG *msg)
{
    if (msg == nullptr)
        return 0;
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        TIMERPROC proc = reinterpret_cast<TIMERPROC>(msg->lParam);
        proc(msg->hwnd, WM_TIMER, msg->wParam, SDL_GetTicks());
        return 0;
    }
    Window *w = FindWindow(msg->hwnd);
    if (w == nullptr)
        return 0;
    return Send(w, msg->message, msg->wParam, msg->lParam);
}

LRESULT DefWindowProcA(HWND hwnd, UINT message, WPARAM, LPARAM)
{
    switch (message) {
    case WM_CLOSE:
        DestroyWindow(hwnd);
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        if (BeginPaint(hwnd, &ps) != nullptr)
            EndPaint(hwnd, &ps);
        return 0;
    }
    default:
        return 0;
    }
}

UINT_PTR SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    if (hwnd != nullptr && FindWindow(hwnd) == nullptr)
        return 0;
    if (hwnd == nullptr) {
        // A thread timer gets an identifier of its own.
        static UINT_PTR nextId = 0x7000;
        id = nextId++;
    }
    if (elapse < 10)
        elapse = 10;
    Uint64 due = SDL_GetTicks64() + elapse;
    for (auto &t : timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.interval = elapse;
            t.due = due;
            t.proc = proc;
            return hwnd != nullptr ? 1 : id;
        }
    }
    timers.push_back(Timer{hwnd, id, elapse, due, proc});
    return hwnd != nullptr ? 1 : id;
}

HDC GetDC(HWND hwnd)
{
    Window *w = FindWindow(hwnd);
    return w != nullptr ? reinterpret_cast<HDC>(&w->dcTag) : nullptr;
}

int ReleaseDC(HWND hwnd, HDC dc)
{
    // The window's device context is its own (CS_OWNDC): it stays valid.
    Window *w = FindWindowOfDc(dc);
    return (w != nullptr && HandleOf(w) == hwnd) ? 1 : 0;
}

HDC BeginPaint(HWND hwnd, PAINTSTRUCT *paint)
{
    Window *w = FindWindow(hwnd);
    if (w == nullptr || paint == nullptr)
        return nullptr;
    std::memset(paint, 0, sizeof *paint);
    paint->hdc = reinterpret_cast<HDC>(&w->dcTag);
    paint->fErase = FALSE;
    paint->rcPaint.right = w->clientWidth;
    paint->rcPaint.bottom = w->clientHeight;
    w->invalid = false;
    return paint->hdc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT *)
{
    return TRUE;
}

BOOL SetWindowPos(HWND hwnd, HWND, int x, int y, int cx, int cy, UINT flags)
{
    Window *w = FindWindow(hwnd);
    if (w == nullptr)
        return FALSE;
    if ((flags & SWP_NOMOVE) == 0) {
        int top, left, bottom, right;
        GetFrame(w, &top, &left, &bottom, &right);
        SDL_SetWindowPosition(w->sdl, x + left, y + top);
    }
    if ((flags & SWP_NOSIZE) == 0) {
        w->outerWidth = cx < 1 ? 1 : cx;
        w->outerHeight = cy < 1 ? 1 : cy;
        ApplyOuterSize(w);
    }
    return TRUE;
}

HWND SetCapture(HWND hwnd)
{
    HWND previous = captureWindow;
    if (FindWindow(hwnd) == nullptr)
        return previous;
    captureWindow = hwnd;
    SDL_CaptureMouse(SDL_TRUE);
    return previous;
}

BOOL ReleaseCapture(void)
{
    if (captureWindow != nullptr) {
        captureWindow = nullptr;
        SDL_CaptureMouse(SDL_FALSE);
    }
    return TRUE;
}

BOOL DestroyWindow(HWND hwnd)
{
    Window *w = FindWindow(hwnd);
    if (w == nullptr || w->destroying)
        return FALSE;
    w->destroying = true;
    Send(w, WM_DESTROY, 0, 0);
    w->alive = false;
    if (captureWindow == hwnd)
        ReleaseCapture();
    for (auto it = timers.begin(); it != timers.end();)
        it = (it->hwnd == hwnd) ? timers.erase(it) : it + 1;
    for (auto it = queue.begin(); it != queue.end();)
        it = (it->hwnd == hwnd) ? queue.erase(it) : it + 1;
    if (w->spareContext != nullptr) {
        SDL_GL_DeleteContext(w->spareContext);
        w->spareContext = nullptr;
    }
    SDL_DestroyWindow(w->sdl);
    w->sdl = nullptr;
    return TRUE;
}

void PostQuitMessage(int exitCode)
{
    quitPending = true;
    quitCode = exitCode;
}

HWND WindowFromDC(HDC dc)
{
    Window *w = FindWindowOfDc(dc);
    return w != nullptr ? HandleOf(w) : nullptr;
}

// ---- gdi32 ----

// A window has exactly one pixel format, number 1: the one its visual and
// GL attributes give. The request cannot change it any more; it is either
// that format or none at all when OpenGL is not available.
int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR *request)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr || request == nullptr || !ProbeFormat(w))
        return 0;
    return 1;
}

BOOL SetPixelFormat(HDC dc, int index, const PIXELFORMATDESCRIPTOR *)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr || index != 1 || !ProbeFormat(w))
        return FALSE;
    if (w->pixelFormat != 0 && w->pixelFormat != index)
        return FALSE;
    w->pixelFormat = index;
    return TRUE;
}

int GetPixelFormat(HDC dc)
{
    Window *w = FindWindowOfDc(dc);
    return w != nullptr ? w->pixelFormat : 0;
}

int DescribePixelFormat(HDC dc, int index, UINT size, PIXELFORMATDESCRIPTOR *descriptor)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr || !ProbeFormat(w))
        return 0;
    if (descriptor == nullptr)
        return 1;
    if (index != 1 || size < sizeof(PIXELFORMATDESCRIPTOR))
        return 0;
    *descriptor = w->format;
    return 1;
}

HPALETTE CreatePalette(const LOGPALETTE *palette)
{
    if (palette == nullptr || palette->palNumEntries == 0)
        return nullptr;
    auto p = std::make_unique<Palette>();
    p->entries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    palettes.push_back(std::move(p));
    return reinterpret_cast<HPALETTE>(palettes.back().get());
}

HPALETTE SelectPalette(HDC dc, HPALETTE palette, BOOL)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr)
        return nullptr;
    HPALETTE previous = w->palette;
    w->palette = palette;
    return previous;
}

UINT RealizePalette(HDC)
{
    // True colour: there is no system palette to map entries into.
    return 0;
}

BOOL UnrealizeObject(HGDIOBJ object)
{
    return object != nullptr ? TRUE : FALSE;
}

BOOL SwapBuffers(HDC dc)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr || !w->hasGl || SDL_GL_GetCurrentWindow() != w->sdl)
        return FALSE;
    SDL_GL_SwapWindow(w->sdl);
    return TRUE;
}

// ---- opengl32 ----

HGLRC wglCreateContext(HDC dc)
{
    Window *w = FindWindowOfDc(dc);
    if (w == nullptr || w->pixelFormat == 0 || !ProbeFormat(w))
        return nullptr;
    SDL_GLContext gl = w->spareContext;
    w->spareContext = nullptr;
    if (gl == nullptr) {
        // SDL makes a new context current; wglCreateContext does not.
        SDL_Window *previousWindow = SDL_GL_GetCurrentWindow();
        SDL_GLContext previousContext = SDL_GL_GetCurrentContext();
        SetGlAttributes();
        gl = SDL_GL_CreateContext(w->sdl);
        SDL_GL_MakeCurrent(previousWindow, previousContext);
        if (gl == nullptr)
            return nullptr;
    }
    contexts.push_back(std::make_unique<RenderContext>(RenderContext{gl}));
    return reinterpret_cast<HGLRC>(contexts.back().get());
}

BOOL wglMakeCurrent(HDC dc, HGLRC context)
{
    if (context == nullptr)
        return SDL_GL_MakeCurrent(SDL_GL_GetCurrentWindow(), nullptr) == 0 ? TRUE : FALSE;
    Window *w = FindWindowOfDc(dc);
    RenderContext *rc = nullptr;
    for (auto &c : contexts)
        if (reinterpret_cast<HGLRC>(c.get()) == context)
            rc = c.get();
    if (w == nullptr || rc == nullptr || !w->hasGl)
        return FALSE;
    return SDL_GL_MakeCurrent(w->sdl, rc->gl) == 0 ? TRUE : FALSE;
}

BOOL wglDeleteContext(HGLRC context)
{
    for (auto it = contexts.begin(); it != contexts.end(); ++it) {
        if (reinterpret_cast<HGLRC>(it->get()) == context) {
            SDL_GL_DeleteContext((*it)->gl);
            contexts.erase(it);
            return TRUE;
        }
    }
    return FALSE;
}
