#include "harness.h"

#include <cstdio>
#include <set>

#include "window_format.h"

std::vector<Record> seen;
std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> hook;
const DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

namespace {

int depth = 0;

bool Kept(UINT message)
{
    switch (message) {
    case WM_CREATE:
    case WM_DESTROY:
    case WM_SIZE:
    case WM_PAINT:
    case WM_CLOSE:
    case WM_TIMER:
    case WM_KEYDOWN:
    case WM_KEYUP:
    case WM_CHAR:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_LBUTTONUP:
    case WM_QUERYNEWPALETTE:
    case WM_PALETTECHANGED:
        return true;
    default:
        // The suite's own, from WM_USER up to the registered messages that
        // the system may broadcast to every window.
        return message >= 0x0400 && message < 0xC000;
    }
}

} // namespace

LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    bool kept = Kept(message);
    if (kept)
        seen.push_back(Record{hwnd, message, wParam, lParam, depth++});
    LRESULT result = 0;
    bool handled = kept && hook && hook(hwnd, message, wParam, lParam, &result);
    if (!handled)
        result = DefWindowProcA(hwnd, message, wParam, lParam);
    if (kept)
        --depth;
    return result;
}

bool DiffersFromTheSystem(const char *reason)
{
    if (!DriverIsTheSystem())
        return false;
    // Each named once in the run's output, which so lists the differences
    // it went through.
    static std::set<std::string> named;
    if (named.insert(reason).second)
        std::printf("[ differs from the system ] %s\n", reason);
    return true;
}

int Count(UINT message)
{
    int n = 0;
    for (const auto &r : seen)
        n += r.message == message;
    return n;
}

const Record *Last(UINT message)
{
    for (auto it = seen.rbegin(); it != seen.rend(); ++it)
        if (it->message == message)
            return &*it;
    return nullptr;
}

std::vector<WPARAM> WParamsOf(UINT message)
{
    std::vector<WPARAM> values;
    for (const auto &r : seen)
        if (r.message == message)
            values.push_back(r.wParam);
    return values;
}

std::vector<UINT> MessagesSeen()
{
    std::vector<UINT> messages;
    for (const auto &r : seen)
        messages.push_back(r.message);
    return messages;
}

int X(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int Y(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

std::vector<unsigned> KeyBits(LPARAM lParam)
{
    auto bits = static_cast<std::uint32_t>(lParam);
    return {bits & 0xFFFF, (bits >> 24) & 1, (bits >> 30) & 1, bits >> 31};
}

bool PumpUntil(double seconds, const std::function<bool()> &done)
{
    std::uint64_t deadline = DriverNow() + static_cast<std::uint64_t>(seconds * 1000);
    for (;;) {
        MSG msg;
        // A paint that is never validated stays waiting, so check after
        // every message rather than only once the queue is empty.
        while (!done() && DriverNow() < deadline && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (DriverNow() >= deadline)
            return false;
        LetTimePass(5);
    }
}

void PumpUntilQuiet()
{
    std::uint64_t deadline = DriverNow() + 5000;
    std::uint64_t quietSince = DriverNow();
    while (DriverNow() < deadline && DriverNow() - quietSince < 400) {
        MSG msg;
        bool any = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (any)
            quietSince = DriverNow();
        LetTimePass(10);
    }
}

PIXELFORMATDESCRIPTOR ProgramRequest()
{
    return WindowFormatRequest(8, 16);
}

void FailCreation()
{
    hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *result) {
        if (m != WM_CREATE)
            return false;
        *result = -1;
        return true;
    };
}

void CaptureOnPress()
{
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_LBUTTONDOWN)
            SetCapture(h);
        else if (m == WM_LBUTTONUP)
            ReleaseCapture();
        return false;
    };
}

std::vector<UINT> TakeAll()
{
    std::vector<UINT> taken;
    MSG msg;
    while (taken.size() < 100 && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        taken.push_back(msg.message);
        if (msg.message == WM_PAINT)
            DispatchMessageA(&msg); // a paint stays until validated
    }
    return taken;
}

void WindowTest::SetUpTestSuite()
{
    DriverStart();
}

void WindowTest::SetUp()
{
    DriverReset();
    seen.clear();
    hook = nullptr;
    static int serial = 0;
    title = "dv platform test " + std::to_string(++serial);
    // A second registration of the class (on a back end that keeps it
    // between tests) is refused, and the first one stays.
    WNDCLASSA wc{};
    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = RecordingProc;
    wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.lpszClassName = "DvTest";
    RegisterClassA(&wc);
}

void WindowTest::TearDown()
{
    hook = nullptr;
    if (hwnd != nullptr)
        DestroyWindow(hwnd);
    TakeAll();
}

HWND WindowTest::Create()
{
    hwnd = CreateWindowExA(0, "DvTest", title.c_str(), kWindowStyle, 50, 50, 230, 230, nullptr, nullptr, nullptr,
                           nullptr);
    return hwnd;
}

HWND WindowTest::CreateAndShow()
{
    if (Create() == nullptr)
        return nullptr;
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    UpdateWindow(hwnd);
    PumpUntilQuiet();
    return hwnd;
}
