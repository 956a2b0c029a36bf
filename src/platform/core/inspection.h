// What the Win32 core shows and lets be simulated, for a back end that
// records or simulates (the recording one, tests/support/recording.cpp) and
// for the tests: every Win32 call as it is made, the core back at its
// start, messages posted and sent past the program, and the state of a
// window. The SDL and browser back ends do not include it: everything they
// need is in platform/core/backend.h.
#ifndef DUCKVIEW_PLATFORM_CORE_INSPECTION_H
#define DUCKVIEW_PLATFORM_CORE_INSPECTION_H

#include <cstdint>

#include "platform/win32.h"

namespace core {

// ---- the Win32 calls ----
// One Win32 call as the program made it: its name, its integer and handle
// arguments in order, and its string arguments in order.
struct Call {
    const char *name;
    std::intptr_t args[10];
    int argCount;
    const char *texts[2];
    int textCount;
    int depth; // how many Win32 calls were already running (0: the program's own)
};
// Told of every Win32 call: starts before it takes effect, ends with its
// result, which it may replace. Either may be null.
struct CallObserver {
    void (*starts)(const Call &call);
    std::intptr_t (*ends)(const Call &call, std::intptr_t result);
};
void SetCallObserver(const CallObserver &observer);

// ---- simulating ----
// Back to the start: no classes, windows, messages, timers or capture.
// Native windows and contexts are forgotten, not discarded.
void Reset();
// PostMessageA without the call being seen: the message goes to the back
// of the posted messages.
void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Calls the window's procedure as the system does for a sent message.
LRESULT Send(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

// ---- inspecting ----
bool MessageWaiting(); // GetMessageA would return at once
int QueueLength();     // posted and input messages waiting
// The state of a window as the core keeps it, for checks; nothing is
// logged. Zero, false or null for a handle that is not a live window.
struct WindowInfo {
    bool exists, visible;
    int x, y, width, height; // outer position and size: the client area and the frame
    int clientWidth, clientHeight;
    HDC dc;
    int pixelFormat;
};
WindowInfo InfoOf(HWND hwnd);
HWND CaptureWindow();
const WNDCLASSA *FindClass(const char *name); // null when not registered

} // namespace core

#endif // DUCKVIEW_PLATFORM_CORE_INSPECTION_H
