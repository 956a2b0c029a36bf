// The conformance suite on the recording back end: no display; native
// events are made by the back end's own injection calls and time is its
// clock, which a wait for a timer runs on as a sleeping thread would.
// Every window has a frame, as under a window manager.
#include "harness.h"
#include "recording.h"

void DriverStart()
{
}

void DriverReset()
{
    ResetRecording();
    Recording().waitPassesTime = 1;
    Recording().defWindowProcResult = 0; // as the system's
    Recording().frame = RECT{4, 30, 4, 4}; // as a window manager draws one
}

std::uint64_t DriverNow()
{
    return RecordingClock();
}

void LetTimePass(int milliseconds)
{
    RecordingAdvanceClock(milliseconds);
}

void InjectKey(HWND hwnd, BYTE vk, bool down)
{
    RecordingKeyEvent(hwnd, vk, down);
}

void InjectMouse(HWND hwnd, UINT message, int x, int y)
{
    RecordingMouseEvent(hwnd, message, x, y, 0);
}

void InjectResize(HWND hwnd, int width, int height)
{
    RecordingResizeWindow(hwnd, width, height);
}

void InjectExpose(HWND hwnd)
{
    RecordingInvalidate(hwnd);
}

void InjectCloseRequest(HWND hwnd)
{
    RecordingCloseRequest(hwnd);
}

void ExpectedScreenSize(int *width, int *height)
{
    *width = Recording().screenWidth;
    *height = Recording().screenHeight;
}

bool BoxesCannotBeShown()
{
    Recording().messageBoxResult = 0;
    return true;
}

bool WindowsAreFramed()
{
    return true;
}

void NativeClientSize(HWND hwnd, int *width, int *height)
{
    RecordingNativeClientSize(hwnd, width, height);
}
