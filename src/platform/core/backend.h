// The contract between the Win32 core and a back end, in two halves: what a
// back end provides (namespace backend) and what the core offers back ends
// in return (namespace core), the calls through which native events reach
// the core.
//
// The core (src/platform/core/) is the Win32 behaviour that does not depend
// on the system underneath: the message queue and the order of its
// messages, the key messages and TranslateMessage, handles, classes,
// timers, window creation and destruction, painting, sizes, capture,
// pixel-format and palette bookkeeping. A back end is the system
// underneath: it has native windows, native events, a clock, a screen,
// message boxes and OpenGL contexts. Exactly one back end is linked into a
// program: SDL2 for the program on Linux (src/platform/sdl/), the browser's
// for the web page (src/platform/web/), or the recording one for tests
// (tests/support/recording.cpp).
//
// A key is reported by what it did (its virtual key; pressed, repeated or
// released; extended or not), and the core makes the message and its
// lParam, so that the keys of every back end read alike. Neither half is
// seen by the program, which knows only the Win32 operations of
// platform/win32.h. What only a recording or simulating back end and the
// tests need (the call observer, resetting the core, the state of a
// window) is in platform/core/inspection.h.
#ifndef DUCKVIEW_PLATFORM_CORE_BACKEND_H
#define DUCKVIEW_PLATFORM_CORE_BACKEND_H

#include <cstdint>

#include "platform/win32.h"

// ==== what a back end provides ====
namespace backend {

// A back end's own records, opaque to the core.
struct NativeWindow;
struct NativeContext;

// What a new native window should be. It is made hidden.
struct WindowRequest {
    HWND hwnd;         // the core's handle for it, for the events it delivers
    const char *title; // never null
    int x, y;          // outer position; useDefaultPosition leaves it to the system
    bool useDefaultPosition;
    int width, height; // the client area's size, at least 1x1
    bool resizable;    // the user may drag its border
};

// The border and caption that the system draws around a client area, in
// pixels; all 0 where there are none (or none are known yet).
struct Frame {
    int left, top, right, bottom;
};

// ---- windows ----
// Makes a hidden native window; null (with the reason on stderr) when none
// can be made.
NativeWindow *OpenWindow(const WindowRequest &request);
// Shows or hides the window. The exposure that showing brings is handed to
// the core (core::Exposed) before it returns, as Windows has the window on
// screen when ShowWindow returns: UpdateWindow's paint then answers it.
void SetVisible(NativeWindow *window, bool visible);
void MoveWindowTo(NativeWindow *window, int x, int y); // outer position
// The client area's size; the frame stays as the system draws it.
void SetClientSize(NativeWindow *window, int width, int height);
Frame GetFrame(NativeWindow *window); // as far as it is known now
void DiscardWindow(NativeWindow *window); // the window is gone for good
// Native mouse capture: events outside the window still reach it. Null
// releases it.
void SetMouseCapture(NativeWindow *window);

// ---- events and time ----
// Takes every native event that is waiting and hands it to the core
// (core::PostInput, core::ClientResized ...). Never blocks.
void PumpEvents();
// Sleeps until a native event may be waiting or timeoutMs have passed (-1:
// no limit). False when nothing can ever arrive: GetMessageA then fails.
bool Wait(int timeoutMs);
std::uint64_t Now(); // milliseconds on a steady clock
void GetScreenSize(int *width, int *height);
// Shows a modal message box and returns the button pressed; 0 when no box
// can be shown at all (the core then prints the text on stderr).
int ShowMessageBox(NativeWindow *owner, const char *text, const char *caption, UINT type);
// A window class was registered: the back end may prepare what its windows
// will need (for example start OpenGL early for CS_OWNDC classes).
void ClassRegistered(const WNDCLASSA &windowClass);

// ---- OpenGL ----
// The index of the format closest to the request, 0 for none.
int ChooseFormat(NativeWindow *window, const PIXELFORMATDESCRIPTOR &request);
// Sets the format on the window: TRUE on success (any other value counts
// as it would from the system's SetPixelFormat).
BOOL SetFormat(NativeWindow *window, int index);
// Fills *descriptor with format index (1-based) and returns how many
// formats there are; 0 when the window has none.
int DescribeFormat(NativeWindow *window, int index, PIXELFORMATDESCRIPTOR *descriptor);
// A context for the window's format, not made current; null on failure.
NativeContext *CreateContext(NativeWindow *window);
// Makes the context current on the window; both null: none is current.
bool MakeCurrent(NativeWindow *window, NativeContext *context);
void DeleteContext(NativeContext *context);
bool Present(NativeWindow *window); // shows the back buffer

} // namespace backend

// ==== what the core offers back ends ====
namespace core {

// ---- what native events become ----
// What a key did: went down, went down again while held (the keyboard's
// auto-repeat), or came up.
enum KeyAction { kKeyPressed, kKeyRepeated, kKeyReleased };
// A key, by its virtual key, was pressed, repeated or released: queued as
// WM_KEYDOWN or WM_KEYUP with the lParam Windows gives it (a repeat count
// of 1, the extended flag, the key's previous state and the transition).
// The back ends mark the right-hand Shift, Control and Alt and the number
// pad's Enter as extended; the key state tells left from right by it.
void PostKey(HWND hwnd, BYTE vk, KeyAction action, bool extended, DWORD time);
// Queues a mouse message as the system's input queue does: consecutive
// moves of the mouse over one window keep only the latest.
void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time);
// The pointer is now there, in screen pixels (MSG.pt of later messages).
void CursorMoved(POINT screen);
// The window that input without a window of its own belongs to: the
// capture window, else the only window there is, else null.
HWND InputTarget();
// The back end's window of hwnd; null when hwnd is no live window.
backend::NativeWindow *NativeWindowOf(HWND hwnd);
// The client area has a new size: WM_SIZE is sent at once when it differs
// from the last size reported, and the window needs a paint.
void ClientResized(HWND hwnd, int width, int height);
void Exposed(HWND hwnd);        // part of the window must be painted again
void CloseRequested(HWND hwnd); // the user asked to close it: WM_CLOSE
// The keyboard's Caps Lock state when the back end starts.
void SetCapsLock(bool on);

} // namespace core

#endif // DUCKVIEW_PLATFORM_CORE_BACKEND_H
