// The Win32 core's state and the helpers its files share. Seen only by the
// core's own files.
//
// Platform: any; the core has no system dependency of its own (the C++
// standard library only) and builds against <windows.h> as well.
//
// Differences from real Windows, on every back end. The conformance suite
// (tests/platform) also runs on Wine's user32; the differences it meets
// there carry a marker in the suite with the reason given here (*).
// - WM_CREATE gets lParam 0: there is no CREATESTRUCT.
// - TranslateMessage makes the characters of a US keyboard (Shift, Caps Lock
//   and Control as usual; no dead keys); there is no WM_SYSCHAR.
// - Key messages carry no scan code (bits 16-23 of lParam are 0): back ends
//   report a key by its virtual key. The right-hand Shift is marked as
//   extended, as the right-hand Control and Alt are (Windows tells the
//   Shift keys apart by their scan codes); the arrows and the keys above
//   them are not.
// - ShowWindow treats every command as a plain show; the first show reports
//   the size with WM_SIZE. No WM_MOVE, WM_ACTIVATE, WM_GETMINMAXINFO,
//   WM_ERASEBKGND or palette messages are sent.
// - (*) A window's size, at creation and in SetWindowPos, is its client
//   area's; the frame lies around it (on Windows it is the outer size, and
//   the client area what the frame leaves). What follows for the program:
//   its picture stays square, where on Windows the viewport is what the
//   frame leaves of a square, a little wider than high (222x203 of 230x230
//   on Wine), and the square projection is squashed into it; and the
//   trackball's centre, half the size asked for, is the client area's true
//   centre, where on Windows it lies right of and below it by half the
//   frame's width and half its height (4 and 13.5 pixels on Wine), with
//   the ball's right and bottom rim beyond the client area.
// - Timers have a 10 ms minimum. Ticks missed meanwhile make one message,
//   as on Windows, and the next is a whole interval after it is taken
//   (Windows keeps the timer's phase).
// - Every window has its own device context, whatever its class style.
//   RealizePalette maps nothing: the display is true colour.
// - (*) When WM_CREATE fails, WM_DESTROY is sent before CreateWindowExA
//   returns null, as on Windows; Wine's user32 sends none.
// - (*) UpdateWindow of a destroyed window's handle fails, as on Windows;
//   Wine's user32 reports success (and paints nothing).
// - (*) DestroyWindow from inside the window's own WM_DESTROY is refused, so
//   that destruction cannot recurse; Wine's user32 sends WM_DESTROY again,
//   nested, until its limit of nested window procedures.
#ifndef DUCKVIEW_PLATFORM_CORE_CORE_H
#define DUCKVIEW_PLATFORM_CORE_CORE_H

#include <cstdint>
#include <deque>
#include <initializer_list>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/core/backend.h"
#include "platform/core/inspection.h"

namespace core {

struct Window {
    HWND hwnd = nullptr;
    HDC dc = nullptr;
    backend::NativeWindow *native = nullptr;
    WNDPROC proc = nullptr;
    bool alive = true;
    bool destroying = false; // WM_DESTROY is being sent
    bool visible = false;
    bool shownBefore = false;
    bool invalid = false; // has an update region: WM_PAINT is due
    int x = 0, y = 0;     // outer position
    // The size the program asked for, as last reported with WM_SIZE (or to
    // be reported at the first show); the frame lies around it.
    int clientWidth = 0, clientHeight = 0;
    int pixelFormat = 0;                   // 0 until SetPixelFormat
    HPALETTE palette = nullptr;            // selected into its device context
};

struct WindowClass {
    std::string name;
    WNDCLASSA info;
};

struct Timer {
    HWND hwnd;
    UINT_PTR id;
    UINT interval;
    std::uint64_t due;
    TIMERPROC proc;
};

struct Context {
    backend::NativeContext *native;
    bool alive;
};

struct Palette {
    std::vector<PALETTEENTRY> entries;
};

// Everything the core keeps. Windows, contexts and palettes are never
// removed from their lists: a handle encodes its list and position, so a
// stale handle is recognised rather than reused.
struct State {
    std::vector<std::unique_ptr<Window>> windows;
    std::deque<WindowClass> classes; // a deque keeps each name where it is
    std::vector<Context> contexts;
    std::vector<Palette> palettes;
    std::deque<MSG> posted; // PostMessageA's and TranslateMessage's, in the order they came
    std::deque<MSG> input;  // keys and the mouse, in the order they came
    std::vector<Timer> timers;
    UINT_PTR nextThreadTimer = 0x7000;
    bool quitPending = false;
    int quitCode = 0;
    HWND capture = nullptr;
    bool keyDown[256] = {};
    bool capsLock = false;
    POINT cursor = {0, 0};
    CallObserver observer = {nullptr, nullptr};
    int callDepth = 0;
};
extern State state;

// ---- handles ----
enum HandleKind { kWindowHandle = 1, kDcHandle = 2, kContextHandle = 3, kPaletteHandle = 4, kStockHandle = 5 };
std::uintptr_t MakeHandle(HandleKind kind, size_t index);
// The list position a handle stands for, or -1 when it is not of that kind.
long HandleIndex(HandleKind kind, const void *handle);
Window *LiveWindow(HWND hwnd);
Window *LiveWindowOfDc(HDC dc);
Context *LiveContext(HGLRC context);
Palette *LivePalette(HPALETTE palette);
HWND WindowOfDc(HDC dc); // null when dc is no live window's

// ---- tracing of the Win32 calls ----
template <typename T> std::intptr_t Arg(T value)
{
    if constexpr (std::is_pointer_v<T>)
        return reinterpret_cast<std::intptr_t>(value);
    else
        return static_cast<std::intptr_t>(value);
}

// One Win32 call from start to end: tells the call observer, keeps the
// nesting depth, and passes the result through the observer's end.
class Traced {
public:
    Traced(const char *name, std::initializer_list<std::intptr_t> args,
           std::initializer_list<const char *> texts = {});
    ~Traced();
    Traced(const Traced &) = delete;
    Traced &operator=(const Traced &) = delete;

    template <typename T> T Return(T value)
    {
        if (state.observer.ends == nullptr)
            return value;
        std::intptr_t replaced = state.observer.ends(call_, Arg(value));
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(replaced);
        else
            return static_cast<T>(replaced);
    }

private:
    Call call_;
};

// ---- between the core's files ----
LRESULT SendTo(Window *w, UINT message, WPARAM wParam, LPARAM lParam);
bool DestroyWindowNow(Window *w);
void ValidateWindow(Window *w);
// Finds the next message in Windows' order; with remove, takes it.
bool NextMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove);
void PurgeMessagesOf(HWND hwnd);
void NoteKeyRemoved(const MSG &msg); // the key state follows removed key messages
int CharacterOfKey(BYTE vk);         // WM_CHAR for a key press under the current key state
void ReleaseCaptureNow();

} // namespace core

#endif // DUCKVIEW_PLATFORM_CORE_CORE_H
