// What the platform tests share: a window procedure that records the
// messages the program handles, the loops that pump messages, and a fixture
// with a window of the program's kind. What stands in for the system and
// the user is driven through the driver functions below, which each test
// program defines: the Win32 core on its recording back end
// (recording_driver.cpp), the core on SDL under a real X server
// (sdl_driver.cpp), and the system's own user32 and gdi32, which the
// Windows build runs under Wine (system_driver.cpp).
#ifndef DUCKVIEW_TESTS_PLATFORM_HARNESS_H
#define DUCKVIEW_TESTS_PLATFORM_HARNESS_H

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "platform/win32.h"

// ---- the driver: what stands in for the system and the user ----
void DriverStart();  // once, before the first test
void DriverReset();  // before each test
std::uint64_t DriverNow(); // the back end's clock, in milliseconds
void LetTimePass(int milliseconds);
// Native events, as the system would deliver them to the window.
void InjectKey(HWND hwnd, BYTE vk, bool down);
void InjectMouse(HWND hwnd, UINT message, int x, int y);
void InjectResize(HWND hwnd, int width, int height); // the client area's new size
void InjectExpose(HWND hwnd);
void InjectCloseRequest(HWND hwnd);
// A message posted to the window by the program itself (PostMessageA).
void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
void ExpectedScreenSize(int *width, int *height);
// Whether windows get a frame here (from a window manager, or a made-up
// one); the window's client area and outer size as Win32 reports them; and
// the client area's size as the system underneath has it now.
bool WindowsAreFramed();
void ClientSizeOf(HWND hwnd, int *width, int *height);
void OuterSizeOf(HWND hwnd, int *width, int *height);
void NativeClientSize(HWND hwnd, int *width, int *height);
// Whether this run has nowhere to show a message box (for the fallback).
bool BoxesCannotBeShown();
// True where the suite runs on the system's own user32 rather than on our
// stand-in.
bool DriverIsTheSystem();

// The one marker of a deliberate difference between the stand-in and the
// system's user32, with its reason (each is listed with the stand-in's
// differences in src/platform/core/core.h). True where the suite runs on
// the system's user32, where the test then expects what the system does;
// the stand-in's behaviour is expected everywhere else. Nothing is left
// unchecked on either side.
bool DiffersFromTheSystem(const char *reason);

// ---- the recording window procedure ----
// It keeps the messages the program handles (and WM_CLOSE, the key
// messages and the private ones from WM_USER on, which the suite makes or
// looks for); the many others a system sends (WM_NCCREATE,
// WM_GETMINMAXINFO, WM_NCHITTEST ...) go to DefWindowProcA unrecorded, and
// so do not count as differences.
struct Record {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int depth; // how many kept messages were already being handled
};
extern std::vector<Record> seen;
// Lets a test handle a message itself; returns true when it did, with the
// result in *result. Everything else goes to DefWindowProcA.
extern std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> hook;
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
int Count(UINT message);
const Record *Last(UINT message);
std::vector<WPARAM> WParamsOf(UINT message);
std::vector<UINT> MessagesSeen();
int X(LPARAM lParam); // the signed client position in a mouse message
int Y(LPARAM lParam);
// What every system agrees on in a key message's lParam (the scan code is
// each system's own): the repeat count, and the extended, previous-state
// and transition bits.
std::vector<unsigned> KeyBits(LPARAM lParam);

// Handles every waiting message as the program's loop does, until done
// holds or seconds of the back end's clock have passed; true if done held.
bool PumpUntil(double seconds, const std::function<bool()> &done);
// Handles messages until none has come for a while.
void PumpUntilQuiet();
// The messages waiting now, taken in order without dispatching them.
std::vector<UINT> TakeAll();

extern const DWORD kWindowStyle; // the program's window style
// The program's pixel-format request: RGBA, double-buffered, 16-bit depth.
PIXELFORMATDESCRIPTOR ProgramRequest();
// Makes the window procedure fail WM_CREATE (return -1).
void FailCreation();
// Has the window procedure capture the mouse as the program does: on the
// button's press, released on its release.
void CaptureOnPress();

// A test with the class "DvTest" registered (CS_OWNDC, RecordingProc) and,
// on demand, the program's window: 230x230 at (50, 50).
class WindowTest : public ::testing::Test {
protected:
    static void SetUpTestSuite();
    void SetUp() override;
    void TearDown() override;
    HWND Create();
    HWND CreateAndShow();

    HWND hwnd = nullptr;
    std::string title;
};

#endif // DUCKVIEW_TESTS_PLATFORM_HARNESS_H
