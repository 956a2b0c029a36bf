// What the platform tests share: a window procedure that records every
// message, the loops that pump messages, and a fixture with a window of the
// program's kind. The back end under test is driven through the driver
// functions below, which each back end's test program defines: the
// recording back end (recording_driver.cpp) and SDL under a real X server
// (sdl_driver.cpp).
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
void ExpectedScreenSize(int *width, int *height);
// Whether windows get a frame here (from a window manager, or a made-up
// one), and the client area's size as the system has it now.
bool WindowsAreFramed();
void NativeClientSize(HWND hwnd, int *width, int *height);
// Whether this run has nowhere to show a message box (for the fallback).
bool BoxesCannotBeShown();

// ---- the recording window procedure ----
struct Record {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int depth; // how many window-procedure calls were already running
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
