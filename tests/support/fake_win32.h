// The recording back end of the Win32 core, for unit tests: the program's
// Win32 calls behave as the core makes them behave on every system, with no
// display at all underneath. Each call is logged with its arguments in
// order; results that tests need to vary are settable; native events (keys,
// mouse, resizes, close requests) are injected by the test; time stands
// still until the test moves it on; and wglCreateContext makes a real
// headless OpenGL context, so the code under test can draw.
#ifndef DUCKVIEW_TESTS_FAKE_WIN32_H
#define DUCKVIEW_TESTS_FAKE_WIN32_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

// One logged call: its name, its integer and handle arguments in order, its
// string arguments in order (class names, titles, message box texts), and
// how many calls it is nested in (0: the caller's own; 1: made by a window
// procedure that a call sent a message to, and so on).
struct FakeCall {
    std::string name;
    std::vector<std::intptr_t> args;
    std::vector<std::string> texts;
    int depth = 0;
};

// A 32-bit true-colour RGBA format, double-buffered, 16-bit depth: what
// DescribePixelFormat reports unless a test says otherwise.
PIXELFORMATDESCRIPTOR FakeTrueColourFormat();
// An 8-bit RGBA format needing a palette: 3 red bits at shift 0, 3 green
// at 3, 2 blue at 6.
PIXELFORMATDESCRIPTOR FakePaletteFormat();

// What the back end reports; every field may be changed by a test between
// ResetFakeWin32() and the code under test.
struct FakeSettings {
    int screenWidth = 1280;
    int screenHeight = 1024;
    // The frame a window manager draws around every window: the width of
    // each side (none by default).
    RECT frame = {0, 0, 0, 0};
    int choosePixelFormatResult = 7;   // 0 means no format matches
    BOOL setPixelFormatResult = TRUE;  // anything but 1 is a failure
    PIXELFORMATDESCRIPTOR describedFormat = FakeTrueColourFormat();
    int createPaletteFails = 0;
    int messageBoxResult = IDOK;          // 0: no box can be shown at all
    int openWindowFails = 0;              // no native window: CreateWindowExA returns null
    LRESULT defWindowProcResult = 0x5EED; // recognisable default-processing result
    int realGlContext = 1;                // wglCreateContext makes a headless context
    int echoCalls = 0;                    // also print each call to stderr (for death tests)
    // Consecutive PeekMessageA calls that find nothing before the back end
    // declares the caller stuck in a busy loop and aborts the process.
    long busyPeekLimit = 200000;
    // A GetMessageA that has to wait for a timer lets the clock run on to
    // it, as a sleeping thread would; otherwise it starves (see below).
    int waitPassesTime = 0;
    // Called with each call as it is logged, before it takes effect; may
    // post messages or change settings.
    std::function<void(const FakeCall &)> onCall;
    // Called when GetMessageA finds nothing to deliver, i.e. where a real
    // thread would go to sleep. It may post messages; if nothing is then
    // waiting (and time does not pass), GetMessageA reports an error (-1)
    // and FakeStarvedWaits() counts it.
    std::function<void()> onBlockingWait;
};

// Puts everything back to its start: empty log and queue, no classes or
// windows, the clock at 0, default settings, and any headless context
// destroyed. Call it before a test uses any Win32 operation.
void ResetFakeWin32();
FakeSettings &Fake();

// The log.
const std::vector<FakeCall> &FakeCalls();
void ClearFakeCalls();
std::vector<std::string> FakeCallNames();
// The names of the calls made at that nesting depth, in order.
std::vector<std::string> FakeCallNamesAt(int depth);
int CountFakeCalls(const std::string &name);
// The nth (from 0) logged call of that name, or null.
const FakeCall *FindFakeCall(const std::string &name, int nth = 0);
// Position of the nth call of that name in the log, or -1.
int FakeCallIndex(const std::string &name, int nth = 0);
// Readable form, e.g. "SetTimer(0x1001, 1, 1000, 0)".
std::string FakeCallText(const FakeCall &call);
std::string FakeLogText();

// Queue and windows.
void FakePostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
size_t FakeQueueLength();
// Sends a message straight to the window's procedure; returns its result.
LRESULT FakeSendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
HWND FakeLastWindow(); // the most recently created window, or null
HDC FakeDeviceContextOf(HWND hwnd);
int FakeWindowExists(HWND hwnd);
int FakeWindowVisible(HWND hwnd);
int FakeWindowX(HWND hwnd);
int FakeWindowY(HWND hwnd);
int FakeWindowWidth(HWND hwnd); // outer size: the client area and the frame
int FakeWindowHeight(HWND hwnd);
// The client area's size as the native window has it.
void FakeNativeClientSize(HWND hwnd, int *width, int *height);
HWND FakeCapture();
// The class registered under that name, or null.
const WNDCLASSA *FakeRegisteredClass(const std::string &name);

// Native events, as the system would deliver them.
// The user resized the window (a border drag or maximising): WM_SIZE is
// sent at once when the size changed.
void FakeResizeWindow(HWND hwnd, int width, int height);
// Part of the window was uncovered: it needs a paint.
void FakeInvalidate(HWND hwnd);
// A key (a virtual-key code) went down or up.
void FakeKeyEvent(HWND hwnd, BYTE vk, bool down);
// The mouse (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP) at a client position.
void FakeMouseEvent(HWND hwnd, UINT message, int x, int y, WPARAM keys);
void FakeCloseRequest(HWND hwnd); // the close box
void FakeAdvanceClock(int milliseconds);
std::uint64_t FakeClock(); // milliseconds since ResetFakeWin32

// Pixel format and palette as the code left them.
const PIXELFORMATDESCRIPTOR &FakeChosenRequest(); // last ChoosePixelFormat request
int FakeCurrentPixelFormat();                     // set on the last window's device context, 0 if none
const std::vector<PALETTEENTRY> &FakePaletteEntries(); // entries of the last CreatePalette
WORD FakePaletteVersion();
WORD FakePaletteEntryCount(); // palNumEntries of the last CreatePalette

// Rendering.
int FakeSwapCount(); // SwapBuffers calls
int FakeGlContextLive();
const std::string &FakeGlFailure(); // why the last headless context failed
int FakeStarvedWaits();

#endif // DUCKVIEW_TESTS_FAKE_WIN32_H
