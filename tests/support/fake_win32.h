// A recording stand-in for every Win32 operation the program calls, for unit
// tests. Each call is logged with its arguments in order; results that tests
// need to vary are settable; the message queue behaves like the window
// thread's queue (posted messages, then the quit message, then a pending
// paint); and wglCreateContext makes a real headless OpenGL context, so the
// code under test can draw.
#ifndef DUCKVIEW_TESTS_FAKE_WIN32_H
#define DUCKVIEW_TESTS_FAKE_WIN32_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

// One logged call: its name, its integer and handle arguments in order, and
// its string arguments in order (class names, titles, message box texts).
struct FakeCall {
    std::string name;
    std::vector<std::intptr_t> args;
    std::vector<std::string> texts;
};

// A 32-bit true-colour RGBA format, double-buffered, 16-bit depth: what
// DescribePixelFormat reports unless a test says otherwise.
PIXELFORMATDESCRIPTOR FakeTrueColourFormat();
// An 8-bit RGBA format needing a palette: 3 red bits at shift 0, 3 green
// at 3, 2 blue at 6.
PIXELFORMATDESCRIPTOR FakePaletteFormat();

// What the stand-in reports; every field may be changed by a test between
// ResetFakeWin32() and the code under test.
struct FakeSettings {
    int screenWidth = 1280;
    int screenHeight = 1024;
    int choosePixelFormatResult = 7;   // 0 means no format matches
    BOOL setPixelFormatResult = TRUE;  // anything but 1 is a failure
    PIXELFORMATDESCRIPTOR describedFormat = FakeTrueColourFormat();
    int createPaletteFails = 0;
    int messageBoxResult = IDOK;
    LRESULT defWindowProcResult = 0x5EED; // recognisable default-processing result
    int realGlContext = 1;             // wglCreateContext makes a headless context
    int echoCalls = 0;                 // also print each call to stderr (for death tests)
    // Consecutive PeekMessageA calls that find nothing before the stand-in
    // declares the caller stuck in a busy loop and aborts the process.
    long busyPeekLimit = 200000;
    // Called with each call as it is logged, before it takes effect; may
    // post messages or change settings.
    std::function<void(const FakeCall &)> onCall;
    // Called when GetMessageA finds nothing to deliver, i.e. where a real
    // thread would go to sleep. It may post messages; if it posts none,
    // GetMessageA reports an error (-1) and FakeStarvedWaits() counts it.
    std::function<void()> onBlockingWait;
};

// Puts the stand-in back to its start: empty log and queue, no classes or
// windows, default settings (true-colour 32-bit RGBA format), and any
// headless context destroyed.
void ResetFakeWin32();
FakeSettings &Fake();

// The log.
const std::vector<FakeCall> &FakeCalls();
void ClearFakeCalls();
std::vector<std::string> FakeCallNames();
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
// Sends a message straight to the window's procedure, as the system does
// for WM_SIZE after a border drag; returns the procedure's result.
LRESULT FakeSendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Gives the window a new outer size and sends it WM_SIZE, as a border drag
// or maximising does.
void FakeResizeWindow(HWND hwnd, int width, int height);
// Marks the window's client area as needing a paint.
void FakeInvalidate(HWND hwnd);
HWND FakeLastWindow();          // the most recently created window, or null
HDC FakeDeviceContextOf(HWND hwnd);
int FakeWindowExists(HWND hwnd);
int FakeWindowVisible(HWND hwnd);
int FakeWindowX(HWND hwnd);
int FakeWindowY(HWND hwnd);
int FakeWindowWidth(HWND hwnd);
int FakeWindowHeight(HWND hwnd);
HWND FakeCapture();
// The class registered under that name (its name field cleared), or null.
const WNDCLASSA *FakeRegisteredClass(const std::string &name);

// Pixel format and palette as the code left them.
const PIXELFORMATDESCRIPTOR &FakeChosenRequest(); // last ChoosePixelFormat request
int FakeCurrentPixelFormat();                     // index set by SetPixelFormat, 0 if none
const std::vector<PALETTEENTRY> &FakePaletteEntries(); // entries of the last CreatePalette
WORD FakePaletteVersion();
WORD FakePaletteEntryCount(); // palNumEntries of the last CreatePalette

// Rendering.
int FakeSwapCount();
int FakeGlContextLive();
const std::string &FakeGlFailure(); // why the last headless context failed
int FakeStarvedWaits();

#endif // DUCKVIEW_TESTS_FAKE_WIN32_H
