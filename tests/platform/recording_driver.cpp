// The conformance suite on the recording back end: no display; native
// events are made by the back end's own injection calls and time is its
// clock, which a wait for a timer runs on as a sleeping thread would.
// Every window has a frame, as under a window manager.
#include "fake_win32.h"
#include "harness.h"

void DriverStart()
{
}

void DriverReset()
{
    ResetFakeWin32();
    Fake().waitPassesTime = 1;
    Fake().defWindowProcResult = 0; // as the system's
    Fake().frame = RECT{4, 30, 4, 4}; // as a window manager draws one
}

std::uint64_t DriverNow()
{
    return FakeClock();
}

void LetTimePass(int milliseconds)
{
    FakeAdvanceClock(milliseconds);
}

void InjectKey(HWND hwnd, BYTE vk, bool down)
{
    FakeKeyEvent(hwnd, vk, down);
}

void InjectMouse(HWND hwnd, UINT message, int x, int y)
{
    FakeMouseEvent(hwnd, message, x, y, 0);
}

void InjectResize(HWND hwnd, int width, int height)
{
    FakeResizeWindow(hwnd, width, height);
}

void InjectExpose(HWND hwnd)
{
    FakeInvalidate(hwnd);
}

void InjectCloseRequest(HWND hwnd)
{
    FakeCloseRequest(hwnd);
}

void ExpectedScreenSize(int *width, int *height)
{
    *width = Fake().screenWidth;
    *height = Fake().screenHeight;
}

bool BoxesCannotBeShown()
{
    Fake().messageBoxResult = 0;
    return true;
}

bool WindowsAreFramed()
{
    return true;
}

void NativeClientSize(HWND hwnd, int *width, int *height)
{
    FakeNativeClientSize(hwnd, width, height);
}
