// The recording back end of the Win32 core, for unit tests: the program's
// Win32 calls behave as the core makes them behave on every system, with no
// display at all underneath. Each call is logged with its arguments in
// order; results that tests need to vary are settable; native events (keys,
// mouse, resizes, close requests) are injected by the test; time stands
// still until the test moves it on; and wglCreateContext makes a real
// headless OpenGL context, so the code under test can draw.
#ifndef DUCKVIEW_TESTS_SUPPORT_RECORDING_H
#define DUCKVIEW_TESTS_SUPPORT_RECORDING_H

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

// One logged call: its name, its integer and handle arguments in order, its
// string arguments in order (class names, titles, message box texts), and
// how many calls it is nested in (0: the caller's own; 1: made by a window
// procedure that a call sent a message to, and so on).
struct RecordedCall {
    std::string name;
    std::vector<std::intptr_t> args;
    std::vector<std::string> texts;
    int depth = 0;
};

// A 32-bit true-colour RGBA format, double-buffered, 16-bit depth: what
// DescribePixelFormat reports unless a test says otherwise.
PIXELFORMATDESCRIPTOR RecordingTrueColourFormat();
// An 8-bit RGBA format needing a palette: 3 red bits at shift 0, 3 green
// at 3, 2 blue at 6.
PIXELFORMATDESCRIPTOR RecordingPaletteFormat();

// What the back end reports; every field may be changed by a test between
// ResetRecording() and the code under test.
struct RecordingSettings {
    int screenWidth = 1280;
    int screenHeight = 1024;
    // The frame a window manager draws around every window: the width of
    // each side (none by default).
    RECT frame = {0, 0, 0, 0};
    int choosePixelFormatResult = 7;   // 0 means no format matches
    BOOL setPixelFormatResult = TRUE;  // anything but 1 is a failure
    PIXELFORMATDESCRIPTOR describedFormat = RecordingTrueColourFormat();
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
    std::function<void(const RecordedCall &)> onCall;
    // Called when GetMessageA finds nothing to deliver, i.e. where a real
    // thread would go to sleep. It may post messages; if nothing is then
    // waiting (and time does not pass), GetMessageA reports an error (-1)
    // and RecordingStarvedWaits() counts it.
    std::function<void()> onBlockingWait;
};

// Puts everything back to its start: empty log and queue, no classes or
// windows, the clock at 0, default settings, and any headless context
// destroyed. Call it before a test uses any Win32 operation.
void ResetRecording();
RecordingSettings &Recording();

// The log.
const std::vector<RecordedCall> &RecordedCalls();
void ClearRecordedCalls();
std::vector<std::string> RecordedCallNames();
// The names of the calls made at that nesting depth, in order.
std::vector<std::string> RecordedCallNamesAt(int depth);
int CountRecordedCalls(const std::string &name);
// The nth (from 0) logged call of that name, or null.
const RecordedCall *FindRecordedCall(const std::string &name, int nth = 0);
// Position of the nth call of that name in the log, or -1.
int RecordedCallIndex(const std::string &name, int nth = 0);
// Readable form, e.g. "SetTimer(0x1001, 1, 1000, 0)".
std::string RecordedCallText(const RecordedCall &call);
std::string RecordedLogText();

// Queue and windows.
void RecordingPostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
size_t RecordingQueueLength();
// Sends a message straight to the window's procedure; returns its result.
LRESULT RecordingSendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
HWND RecordingLastWindow(); // the most recently created window, or null
HDC RecordingDeviceContextOf(HWND hwnd);
int RecordingWindowExists(HWND hwnd);
int RecordingWindowVisible(HWND hwnd);
int RecordingWindowX(HWND hwnd);
int RecordingWindowY(HWND hwnd);
int RecordingWindowWidth(HWND hwnd); // outer size: the client area and the frame
int RecordingWindowHeight(HWND hwnd);
// The client area's size as the native window has it.
void RecordingNativeClientSize(HWND hwnd, int *width, int *height);
HWND RecordingCapture();
// The class registered under that name, or null.
const WNDCLASSA *RecordingRegisteredClass(const std::string &name);

// Native events, as the system would deliver them.
// The user resized the window (a border drag or maximising): WM_SIZE is
// sent at once when the size changed.
void RecordingResizeWindow(HWND hwnd, int width, int height);
// Part of the window was uncovered: it needs a paint.
void RecordingInvalidate(HWND hwnd);
// A key (a virtual-key code) went down or up.
void RecordingKeyEvent(HWND hwnd, BYTE vk, bool down);
// The mouse (WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_LBUTTONUP) at a client position.
void RecordingMouseEvent(HWND hwnd, UINT message, int x, int y, WPARAM keys);
void RecordingCloseRequest(HWND hwnd); // the close box
void RecordingAdvanceClock(int milliseconds);
std::uint64_t RecordingClock(); // milliseconds since ResetRecording

// Pixel format and palette as the code left them.
const PIXELFORMATDESCRIPTOR &RecordingChosenRequest(); // last ChoosePixelFormat request
int RecordingCurrentPixelFormat();                     // set on the last window's device context, 0 if none
const std::vector<PALETTEENTRY> &RecordingPaletteEntries(); // entries of the last CreatePalette
WORD RecordingPaletteVersion();
WORD RecordingPaletteEntryCount(); // palNumEntries of the last CreatePalette

// Rendering.
int RecordingSwapCount(); // SwapBuffers calls
int RecordingGlContextLive();
const std::string &RecordingGlFailure(); // why the last headless context failed
int RecordingStarvedWaits();

#endif // DUCKVIEW_TESTS_SUPPORT_RECORDING_H
