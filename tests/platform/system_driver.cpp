// The conformance suite on the system's own user32 and gdi32: the Windows
// build of the suite, run by wine64 on a virtual X server (1024x768, no
// window manager). Nothing of our core is linked; the suite's
// expectations are held against an independent implementation of Win32.
//
// The user is another thread, as a real one is outside the program: keys
// and the mouse go in through SendInput, a resize is a SetWindowPos from
// that thread (SWP_ASYNCWINDOWPOS: it does not wait for the window's
// thread), an exposure is an InvalidateRect from it, and a close request is
// what the close box sends (WM_SYSCOMMAND with SC_CLOSE). Time is real.
#include "harness.h"

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace {

HANDLE workReady, workDone;
std::function<void()> work;

DWORD WINAPI UserThread(LPVOID)
{
    for (;;) {
        WaitForSingleObject(workReady, INFINITE);
        work();
        SetEvent(workDone);
    }
}

// Has the user's thread do it, and waits until it is done (a thread stuck
// there ends the run rather than hanging it).
void AsTheUser(std::function<void()> what)
{
    work = std::move(what);
    SetEvent(workReady);
    if (WaitForSingleObject(workDone, 10000) != WAIT_OBJECT_0) {
        std::fprintf(stderr, "the user's thread has not finished its input in 10 s\n");
        std::abort();
    }
}

void Send(INPUT input)
{
    AsTheUser([input]() mutable { SendInput(1, &input, sizeof input); });
}

// Keys go to the window with the keyboard focus: a person clicks on the
// window before typing into it.
void TakeFocus(HWND hwnd)
{
    if (GetForegroundWindow() != hwnd)
        SetForegroundWindow(hwnd);
    if (GetFocus() != hwnd)
        SetFocus(hwnd);
}

// An absolute mouse position: the screen spread over 0 to 65535.
LONG Normalised(LONG pixel, int screen)
{
    return static_cast<LONG>((pixel * 65536LL + screen - 1) / screen);
}

} // namespace

void DriverStart()
{
    workReady = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    workDone = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ASSERT_NE(CreateThread(nullptr, 0, UserThread, nullptr, 0, nullptr), nullptr);
}

void DriverReset()
{
    // The pointer waits in a corner, away from every test window.
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = input.mi.dy = 65535;
    input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    Send(input);
}

std::uint64_t DriverNow()
{
    return GetTickCount64();
}

void LetTimePass(int milliseconds)
{
    Sleep(static_cast<DWORD>(milliseconds));
}

void InjectKey(HWND hwnd, BYTE vk, bool down)
{
    TakeFocus(hwnd);
    INPUT input{};
    input.type = INPUT_KEYBOARD;
    input.ki.wVk = vk;
    input.ki.wScan = static_cast<WORD>(MapVirtualKeyA(vk, MAPVK_VK_TO_VSC));
    input.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    Send(input);
}

// The pointer moves there (when it is not there already) and the button
// goes down or up there, in one input as a real mouse reports it.
void InjectMouse(HWND hwnd, UINT message, int x, int y)
{
    POINT at{x, y};
    ClientToScreen(hwnd, &at);
    POINT now{};
    GetCursorPos(&now);
    INPUT input{};
    input.type = INPUT_MOUSE;
    input.mi.dx = Normalised(at.x, GetSystemMetrics(SM_CXSCREEN));
    input.mi.dy = Normalised(at.y, GetSystemMetrics(SM_CYSCREEN));
    if (message == WM_MOUSEMOVE || now.x != at.x || now.y != at.y)
        input.mi.dwFlags = MOUSEEVENTF_MOVE | MOUSEEVENTF_ABSOLUTE;
    if (message == WM_LBUTTONDOWN)
        input.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
    else if (message == WM_LBUTTONUP)
        input.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
    Send(input);
}

// The border dragged until the client area has that size.
void InjectResize(HWND hwnd, int width, int height)
{
    RECT outer{}, client{};
    GetWindowRect(hwnd, &outer);
    GetClientRect(hwnd, &client);
    int frameWidth = (outer.right - outer.left) - client.right;
    int frameHeight = (outer.bottom - outer.top) - client.bottom;
    AsTheUser([=] {
        SetWindowPos(hwnd, nullptr, 0, 0, width + frameWidth, height + frameHeight,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_ASYNCWINDOWPOS);
    });
}

void InjectExpose(HWND hwnd)
{
    AsTheUser([=] { InvalidateRect(hwnd, nullptr, FALSE); });
}

void InjectCloseRequest(HWND hwnd)
{
    AsTheUser([=] { PostMessageA(hwnd, WM_SYSCOMMAND, SC_CLOSE, 0); });
}

void PostToWindow(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PostMessageA(hwnd, message, wParam, lParam);
}

void ExpectedScreenSize(int *width, int *height)
{
    *width = 1024; // what the test's X server has
    *height = 768;
}

bool WindowsAreFramed()
{
    return true; // the system draws every overlapped window's frame
}

void ClientSizeOf(HWND hwnd, int *width, int *height)
{
    RECT r{};
    GetClientRect(hwnd, &r);
    *width = r.right;
    *height = r.bottom;
}

void OuterSizeOf(HWND hwnd, int *width, int *height)
{
    RECT r{};
    GetWindowRect(hwnd, &r);
    *width = r.right - r.left;
    *height = r.bottom - r.top;
}

void NativeClientSize(HWND hwnd, int *width, int *height)
{
    ClientSizeOf(hwnd, width, height);
}

bool BoxesCannotBeShown()
{
    return false;
}

bool DriverIsTheSystem()
{
    return true;
}
