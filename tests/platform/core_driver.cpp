// What the drivers on our Win32 core share, whatever its back end: posting
// and the window's sizes through the core's own calls.
#include "harness.h"
#include "platform/core/inspection.h"

void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    core::Post(hwnd, message, wParam, lParam);
}

void ClientSizeOf(HWND hwnd, int *width, int *height)
{
    core::WindowInfo info = core::InfoOf(hwnd);
    *width = info.clientWidth;
    *height = info.clientHeight;
}

void OuterSizeOf(HWND hwnd, int *width, int *height)
{
    core::WindowInfo info = core::InfoOf(hwnd);
    *width = info.width;
    *height = info.height;
}

bool DriverIsTheSystem()
{
    return false;
}
