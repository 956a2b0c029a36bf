// The Win32 operations on SDL2, driven through a small window procedure of
// this test's own against a real X server (Xvfb, 1024x768, no window
// manager). Input comes from xdotool; the X server's own view of the window
// is read back through Xlib.
#include <gtest/gtest.h>

#include <SDL.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "platform/gl.h"

namespace {

struct Record {
    HWND hwnd;
    UINT message;
    WPARAM wParam;
    LPARAM lParam;
    int depth; // how many window-procedure calls were already running
};

std::vector<Record> seen;
// Lets a test handle a message itself; returns true when it did, with the
// result in *result. Everything else goes to DefWindowProcA.
std::function<bool(HWND, UINT, WPARAM, LPARAM, LRESULT *)> hook;
int depth = 0;

LRESULT CALLBACK TestProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    seen.push_back(Record{hwnd, message, wParam, lParam, depth});
    ++depth;
    LRESULT result = 0;
    bool handled = hook && hook(hwnd, message, wParam, lParam, &result);
    if (!handled)
        result = DefWindowProcA(hwnd, message, wParam, lParam);
    --depth;
    return result;
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

int X(LPARAM lParam)
{
    return static_cast<short>(LOWORD(lParam));
}

int Y(LPARAM lParam)
{
    return static_cast<short>(HIWORD(lParam));
}

double Seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

double ProcessCpuSeconds()
{
    timespec ts;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &ts);
    return ts.tv_sec + ts.tv_nsec / 1e9;
}

// Handles every waiting message as the program's loop does, until `done`
// holds or `seconds` have passed; true if `done` held.
bool PumpUntil(double seconds, const std::function<bool()> &done)
{
    double deadline = Seconds() + seconds;
    for (;;) {
        MSG msg;
        // A paint that is never validated stays waiting, so check after
        // every message rather than only once the queue is empty.
        while (!done() && Seconds() < deadline && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT)
                continue;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (done())
            return true;
        if (Seconds() > deadline)
            return false;
        SDL_Delay(5);
    }
}

// Handles messages until none has come for a while.
void PumpUntilQuiet()
{
    double deadline = Seconds() + 5;
    double quietSince = Seconds();
    while (Seconds() < deadline && Seconds() - quietSince < 0.4) {
        MSG msg;
        bool any = false;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            any = true;
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        if (any)
            quietSince = Seconds();
        SDL_Delay(10);
    }
}

int Xdotool(const std::string &arguments)
{
    return std::system(("timeout 20 xdotool " + arguments).c_str());
}

// The X server's side of things, through a connection of the test's own.
Display *xDisplay = nullptr;

::Window FindXWindow(const std::string &title)
{
    XSync(xDisplay, False);
    ::Window root = DefaultRootWindow(xDisplay), parent = 0, *children = nullptr;
    unsigned int count = 0;
    ::Window found = 0;
    if (XQueryTree(xDisplay, root, &root, &parent, &children, &count) == 0)
        return 0;
    // SDL's message box names itself in UTF-8 only.
    Atom netName = XInternAtom(xDisplay, "_NET_WM_NAME", False);
    Atom utf8 = XInternAtom(xDisplay, "UTF8_STRING", False);
    for (unsigned int i = 0; i < count && found == 0; ++i) {
        char *name = nullptr;
        if (XFetchName(xDisplay, children[i], &name) && name != nullptr) {
            if (title == name)
                found = children[i];
            XFree(name);
        }
        Atom type;
        int format;
        unsigned long items, after;
        unsigned char *value = nullptr;
        if (found == 0 &&
            XGetWindowProperty(xDisplay, children[i], netName, 0, 256, False, utf8, &type, &format, &items, &after,
                               &value) == Success &&
            value != nullptr) {
            if (title == std::string(reinterpret_cast<char *>(value), items))
                found = children[i];
            XFree(value);
        }
    }
    if (children != nullptr)
        XFree(children);
    return found;
}

struct Geometry {
    int x, y, width, height;
    bool mapped;
};

Geometry XGeometry(::Window window)
{
    XSync(xDisplay, False);
    XWindowAttributes attributes;
    XGetWindowAttributes(xDisplay, window, &attributes);
    int x = 0, y = 0;
    ::Window child;
    XTranslateCoordinates(xDisplay, window, DefaultRootWindow(xDisplay), 0, 0, &x, &y, &child);
    return Geometry{x, y, attributes.width, attributes.height, attributes.map_state == IsViewable};
}

bool WaitForGeometry(::Window window, int width, int height)
{
    double deadline = Seconds() + 5;
    while (Seconds() < deadline) {
        Geometry g = XGeometry(window);
        if (g.width == width && g.height == height)
            return true;
        SDL_Delay(20);
    }
    return false;
}

// The colour on screen at a root-window position, as 0xRRGGBB.
unsigned long ScreenPixel(int x, int y)
{
    XSync(xDisplay, False);
    XImage *image = XGetImage(xDisplay, DefaultRootWindow(xDisplay), x, y, 1, 1, AllPlanes, ZPixmap);
    if (image == nullptr)
        return 0xFFFFFFFF;
    unsigned long pixel = XGetPixel(image, 0, 0) & 0xFFFFFF;
    XDestroyImage(image);
    return pixel;
}

void SendCloseRequest(::Window window)
{
    XEvent event;
    std::memset(&event, 0, sizeof event);
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = XInternAtom(xDisplay, "WM_PROTOCOLS", False);
    event.xclient.format = 32;
    event.xclient.data.l[0] = static_cast<long>(XInternAtom(xDisplay, "WM_DELETE_WINDOW", False));
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(xDisplay, window, False, NoEventMask, &event);
    XFlush(xDisplay);
}

const DWORD kWindowStyle = WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN;

class PlatformTest : public ::testing::Test {
protected:
    static void SetUpTestSuite()
    {
        SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
        ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0) << SDL_GetError();
        xDisplay = XOpenDisplay(nullptr);
        ASSERT_NE(xDisplay, nullptr);
        WNDCLASSA wc{};
        wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = TestProc;
        wc.hIcon = LoadIconA(nullptr, IDI_APPLICATION);
        wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
        wc.lpszClassName = "DvTest";
        ASSERT_NE(RegisterClassA(&wc), 0);
    }

    void SetUp() override
    {
        seen.clear();
        hook = nullptr;
        static int serial = 0;
        title = "dv platform test " + std::to_string(++serial);
    }

    void TearDown() override
    {
        if (hwnd != nullptr)
            DestroyWindow(hwnd);
        hook = nullptr;
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        }
    }

    // The program's window: 230x230 (30% of 768) at (50, 50).
    HWND Create()
    {
        hwnd = CreateWindowExA(0, "DvTest", title.c_str(), kWindowStyle, 50, 50, 230, 230, nullptr, nullptr,
                               nullptr, nullptr);
        return hwnd;
    }

    HWND CreateAndShow()
    {
        if (Create() == nullptr)
            return nullptr;
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        UpdateWindow(hwnd);
        PumpUntilQuiet();
        return hwnd;
    }

    HWND hwnd = nullptr;
    std::string title;
};

// ---- creation and the screen ----

using Creation = PlatformTest;

TEST_F(Creation, CreateMessageArrivesInsideTheCallWithAWorkingDeviceContext)
{
    HDC dcDuringCreate = nullptr;
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_CREATE)
            dcDuringCreate = GetDC(h);
        return false;
    };
    ASSERT_NE(Create(), nullptr);
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.front().message, static_cast<UINT>(WM_CREATE));
    EXPECT_EQ(seen.front().hwnd, hwnd);
    EXPECT_EQ(Count(WM_CREATE), 1);
    ASSERT_NE(dcDuringCreate, nullptr);
    EXPECT_EQ(GetDC(hwnd), dcDuringCreate) << "the class has its own device context";
    EXPECT_EQ(WindowFromDC(dcDuringCreate), hwnd);
    EXPECT_EQ(ReleaseDC(hwnd, dcDuringCreate), 1);
    EXPECT_EQ(GetDC(hwnd), dcDuringCreate) << "the own device context stays after ReleaseDC";
}

TEST_F(Creation, CreateFailingInWindowProcedureDestroysTheWindow)
{
    hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *result) {
        if (m != WM_CREATE)
            return false;
        *result = -1;
        return true;
    };
    EXPECT_EQ(Create(), nullptr);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    EXPECT_EQ(FindXWindow(title), 0u);
}

TEST_F(Creation, UnknownClassMakesNoWindow)
{
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", kWindowStyle, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(seen.empty());
}

TEST_F(Creation, ScreenMetricsAreTheDesktopSize)
{
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 1024);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), 768);
}

TEST_F(Creation, HiddenUntilShownThenOuterSizeIsTheClientSizeWithoutWindowManager)
{
    ASSERT_NE(Create(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    EXPECT_FALSE(XGeometry(x).mapped);

    ShowWindow(hwnd, SW_SHOWDEFAULT);
    ASSERT_TRUE(PumpUntil(5, [&] { return XGeometry(x).mapped; }));
    Geometry g = XGeometry(x);
    EXPECT_EQ(g.x, 50);
    EXPECT_EQ(g.y, 50);
    EXPECT_EQ(g.width, 230);
    EXPECT_EQ(g.height, 230);
    const Record *size = Last(WM_SIZE);
    ASSERT_NE(size, nullptr) << "the first show reports the size";
    EXPECT_EQ(X(size->lParam), 230);
    EXPECT_EQ(Y(size->lParam), 230);
}

// ---- the queue ----

using Queue = PlatformTest;

TEST_F(Queue, QuitMessageEndsGetMessageWithItsCode)
{
    PostQuitMessage(7);
    MSG msg{};
    EXPECT_EQ(GetMessageA(&msg, nullptr, 0, 0), FALSE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    EXPECT_EQ(msg.wParam, 7u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "the quit message is gone once taken";
}

TEST_F(Queue, PeekWithoutRemovingLeavesTheMessage)
{
    PostQuitMessage(3);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_QUIT));
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
    EXPECT_EQ(msg.wParam, 3u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
}

TEST_F(Queue, PeekWithoutRemovingLeavesAWindowMessageForGetMessage)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 9, 300, nullptr);
    MSG msg{};
    double deadline = Seconds() + 5;
    for (;;) {
        ASSERT_LT(Seconds(), deadline) << "no timer message";
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            SDL_Delay(5);
            continue;
        }
        if (msg.message == WM_TIMER)
            break;
        // Anything else the server sends meanwhile is handled as usual.
        PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE);
        DispatchMessageA(&msg);
    }
    MSG again{};
    ASSERT_TRUE(PeekMessageA(&again, nullptr, 0, 0, PM_NOREMOVE));
    EXPECT_EQ(again.message, static_cast<UINT>(WM_TIMER));
    MSG taken{};
    ASSERT_EQ(GetMessageA(&taken, nullptr, 0, 0), TRUE);
    EXPECT_EQ(taken.message, static_cast<UINT>(WM_TIMER));
    EXPECT_EQ(taken.hwnd, hwnd);
    EXPECT_EQ(taken.wParam, 9u);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "one tick, taken once";
}

// ---- timers and waiting ----

using Timer = PlatformTest;

TEST_F(Timer, TicksArriveThroughTheQueueAboutOnceASecond)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    ASSERT_NE(SetTimer(hwnd, 1, 1000, nullptr), 0u);
    double start = Seconds();
    std::vector<double> ticks;
    MSG msg;
    while (ticks.size() < 3 && Seconds() - start < 10 && GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER) {
            EXPECT_EQ(msg.hwnd, hwnd);
            EXPECT_EQ(msg.wParam, 1u);
            ticks.push_back(Seconds() - start);
        }
        DispatchMessageA(&msg);
    }
    ASSERT_EQ(ticks.size(), 3u);
    EXPECT_EQ(Count(WM_TIMER), 3) << "each tick reaches the window procedure";
    double previous = 0;
    for (double t : ticks) {
        EXPECT_GT(t - previous, 0.9);
        EXPECT_LT(t - previous, 1.6);
        previous = t;
    }
}

TEST_F(Timer, WaitingForAMessageUsesNoProcessorTime)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 1, 1500, nullptr);
    double wallStart = Seconds();
    double cpuStart = ProcessCpuSeconds();
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    double wall = Seconds() - wallStart;
    double cpu = ProcessCpuSeconds() - cpuStart;
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_TIMER));
    EXPECT_GT(wall, 1.4) << "GetMessageA returned before anything happened";
    EXPECT_LT(cpu, 0.04) << "over " << wall << " s of waiting";
}

TEST_F(Timer, ATimerProcedureIsCalledByDispatch)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    static int calls;
    static UINT_PTR calledWith;
    calls = 0;
    TIMERPROC proc = [](HWND, UINT, UINT_PTR id, DWORD) {
        ++calls;
        calledWith = id;
    };
    SetTimer(hwnd, 4, 100, proc);
    seen.clear();
    ASSERT_TRUE(PumpUntil(5, [] { return calls > 0; }));
    EXPECT_EQ(calledWith, 4u);
    EXPECT_EQ(Count(WM_TIMER), 0) << "the procedure takes the tick instead of the window";
}

// ---- painting ----

using Paint = PlatformTest;

TEST_F(Paint, UpdateWindowPaintsAtOnceWhenShown)
{
    ASSERT_NE(Create(), nullptr);
    UpdateWindow(hwnd);
    EXPECT_EQ(Count(WM_PAINT), 0) << "a hidden window has nothing to paint";
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    EXPECT_EQ(Count(WM_PAINT), 0) << "showing only invalidates";
    UpdateWindow(hwnd);
    EXPECT_EQ(Count(WM_PAINT), 1);
    UpdateWindow(hwnd);
    EXPECT_EQ(Count(WM_PAINT), 1) << "validated by the default processing";
}

TEST_F(Paint, PaintRepeatsUntilValidatedAndThenStops)
{
    bool validate = false;
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m != WM_PAINT)
            return false;
        if (validate) {
            PAINTSTRUCT ps;
            EXPECT_EQ(BeginPaint(h, &ps), GetDC(h));
            EXPECT_EQ(ps.rcPaint.right, 230);
            EXPECT_EQ(ps.rcPaint.bottom, 230);
            EndPaint(h, &ps);
        }
        return true;
    };
    ASSERT_NE(Create(), nullptr);
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_PAINT) >= 3; })) << "an unvalidated window keeps asking";

    validate = true;
    PumpUntilQuiet();
    int painted = Count(WM_PAINT);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_PAINT), painted);
}

TEST_F(Paint, ExposureAsksForAPaint)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    int painted = Count(WM_PAINT);
    // Cover the window with another one and take it away again: the X
    // server exposes what was covered.
    ::Window cover = XCreateSimpleWindow(xDisplay, DefaultRootWindow(xDisplay), 40, 40, 300, 300, 0, 0, 0);
    XSetWindowAttributes override;
    override.override_redirect = True;
    XChangeWindowAttributes(xDisplay, cover, CWOverrideRedirect, &override);
    XMapRaised(xDisplay, cover);
    XSync(xDisplay, False);
    XDestroyWindow(xDisplay, cover);
    XSync(xDisplay, False);
    EXPECT_TRUE(PumpUntil(5, [&] { return Count(WM_PAINT) > painted; }));
}

// ---- size ----

using Size = PlatformTest;

TEST_F(Size, SetWindowPosResizesReportsOnceAndKeepsThePosition)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    seen.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 80, 80, 300, 260, SWP_NOMOVE));
    ASSERT_EQ(Count(WM_SIZE), 1) << "sent at once";
    EXPECT_EQ(X(seen.back().lParam), 300);
    EXPECT_EQ(Y(seen.back().lParam), 260);
    ASSERT_TRUE(WaitForGeometry(x, 300, 260));
    EXPECT_EQ(XGeometry(x).x, 50);
    EXPECT_EQ(XGeometry(x).y, 50);

    SetWindowPos(hwnd, nullptr, 80, 80, 300, 260, SWP_NOMOVE);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_SIZE), 1) << "no change, no message; the server's confirmation is no change either";
}

TEST_F(Size, SizeHandlerThatRestoresTheSizeDoesNotRecurse)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    // What the program does: any new size is put back to the start-up size.
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_SIZE)
            SetWindowPos(h, nullptr, 80, 80, 230, 230, SWP_NOMOVE);
        return m == WM_SIZE;
    };
    seen.clear();
    SetWindowPos(hwnd, nullptr, 0, 0, 400, 350, SWP_NOMOVE);
    ASSERT_EQ(Count(WM_SIZE), 2);
    EXPECT_EQ(X(seen[0].lParam), 400);
    EXPECT_EQ(X(seen[1].lParam), 230);
    EXPECT_EQ(seen[1].depth, 1) << "the second one is nested in the first";
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_SIZE), 2);
    EXPECT_TRUE(WaitForGeometry(x, 230, 230));
}

TEST_F(Size, ResizeFromOutsideIsReported)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    seen.clear();
    XResizeWindow(xDisplay, x, 320, 200);
    XSync(xDisplay, False);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_SIZE) > 0; }));
    EXPECT_EQ(X(Last(WM_SIZE)->lParam), 320);
    EXPECT_EQ(Y(Last(WM_SIZE)->lParam), 200);
    EXPECT_TRUE(PumpUntil(5, [&] { return Count(WM_PAINT) > 0; })) << "a new size needs a new picture";
}

// ---- keyboard ----

using Keys = PlatformTest;

TEST_F(Keys, KeyPressesBecomeCharactersWithCase)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    ASSERT_EQ(Xdotool("key f F Escape p"), 0);
    ASSERT_TRUE(PumpUntil(10, [] { return Count(WM_CHAR) >= 4 && Count(WM_KEYUP) >= 5; }))
        << Count(WM_CHAR) << " characters";
    std::vector<WPARAM> characters, keys;
    for (size_t i = 0; i < seen.size(); ++i) {
        if (seen[i].message == WM_CHAR) {
            characters.push_back(seen[i].wParam);
            ASSERT_GT(i, 0u);
            EXPECT_EQ(seen[i - 1].message, static_cast<UINT>(WM_KEYDOWN)) << "each character follows its key";
        }
        if (seen[i].message == WM_KEYDOWN)
            keys.push_back(seen[i].wParam);
    }
    EXPECT_EQ(characters, (std::vector<WPARAM>{102, 70, 27, 112}));
    EXPECT_EQ(keys, (std::vector<WPARAM>{'F', 0x10, 'F', VK_ESCAPE, 'P'}));
}

TEST_F(Keys, ShiftCountsAsItWasWhenTheKeyWasPressedNotWhenTranslated)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    // All these events are waiting before the first one is translated.
    ASSERT_EQ(Xdotool("keydown shift keydown f keyup f keyup shift key f"), 0);
    SDL_Delay(300);
    ASSERT_TRUE(PumpUntil(10, [] { return Count(WM_CHAR) >= 2; }));
    std::vector<WPARAM> characters;
    for (const auto &r : seen)
        if (r.message == WM_CHAR)
            characters.push_back(r.wParam);
    EXPECT_EQ(characters, (std::vector<WPARAM>{'F', 'f'}));
}

// ---- mouse ----

using Mouse = PlatformTest;

TEST_F(Mouse, CapturedDragKeepsReportingOutsideWithSignedPositions)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_LBUTTONDOWN)
            SetCapture(h);
        else if (m == WM_LBUTTONUP)
            ReleaseCapture();
        return false;
    };
    seen.clear();
    ASSERT_EQ(Xdotool("mousemove 150 150"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_MOUSEMOVE) > 0; }));
    ASSERT_EQ(Xdotool("mousedown 1"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONDOWN) > 0; }));
    const Record *down = Last(WM_LBUTTONDOWN);
    EXPECT_EQ(X(down->lParam), 100);
    EXPECT_EQ(Y(down->lParam), 100);

    // Up and to the left of the window: client (-40, -30).
    ASSERT_EQ(Xdotool("mousemove 10 20"), 0);
    ASSERT_TRUE(PumpUntil(5, [] {
        const Record *move = Last(WM_MOUSEMOVE);
        return move != nullptr && X(move->lParam) < 0;
    }));
    const Record *move = Last(WM_MOUSEMOVE);
    EXPECT_EQ(LOWORD(move->lParam), 0xFFD8) << "-40 packed into 16 bits";
    EXPECT_EQ(HIWORD(move->lParam), 0xFFE2) << "-30 packed into 16 bits";
    EXPECT_EQ(X(move->lParam), -40);
    EXPECT_EQ(Y(move->lParam), -30);
    EXPECT_EQ(move->wParam & 1, 1u) << "MK_LBUTTON while the button is held";

    ASSERT_EQ(Xdotool("mouseup 1"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONUP) > 0; }));
    const Record *up = Last(WM_LBUTTONUP);
    EXPECT_EQ(X(up->lParam), -40);
    EXPECT_EQ(Y(up->lParam), -30);
}

TEST_F(Mouse, CaptureWithoutAButtonStillFollowsThePointerUntilReleased)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    ASSERT_EQ(Xdotool("mousemove 150 150"), 0);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_MOUSEMOVE) > 0; }));
    SetCapture(hwnd);
    ASSERT_EQ(Xdotool("mousemove 400 500"), 0);
    ASSERT_TRUE(PumpUntil(5, [] {
        const Record *move = Last(WM_MOUSEMOVE);
        return move != nullptr && X(move->lParam) == 350;
    }));
    EXPECT_EQ(Y(Last(WM_MOUSEMOVE)->lParam), 450);

    ReleaseCapture();
    PumpUntilQuiet();
    int moves = Count(WM_MOUSEMOVE);
    ASSERT_EQ(Xdotool("mousemove 500 600"), 0);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_MOUSEMOVE), moves) << "outside and not captured: nothing";
}

// ---- closing ----

using Close = PlatformTest;

TEST_F(Close, CloseRequestGoesThroughDefaultProcessingToDestroyAndQuit)
{
    hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_DESTROY)
            PostQuitMessage(0);
        return m == WM_DESTROY;
    };
    ASSERT_NE(CreateAndShow(), nullptr);
    ::Window x = FindXWindow(title);
    ASSERT_NE(x, 0u);
    seen.clear();
    SendCloseRequest(x);

    // A guard so the loop cannot wait for ever if the request is lost.
    std::thread guard([] {
        for (int i = 0; i < 100 && Count(WM_DESTROY) == 0; ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
    });
    MSG msg;
    int result;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) == TRUE) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    guard.join();
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(msg.wParam, 0u);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(seen[1].depth, 1) << "WM_DESTROY is sent from within the WM_CLOSE default processing";
    EXPECT_EQ(FindXWindow(title), 0u) << "the X window is gone";
    EXPECT_EQ(GetDC(hwnd), nullptr);
    hwnd = nullptr;
}

TEST_F(Close, DestroyWindowSendsDestroyAtOnceAndDropsTheWindowsMessages)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 1, 50, nullptr);
    SDL_Delay(100);
    seen.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_FALSE(DestroyWindow(hwnd));
    MSG msg;
    SDL_Delay(100);
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "no timer or paint for a dead window";
    hwnd = nullptr;
}

TEST_F(Close, DestroyingAgainFromInsideDestroyIsRefused)
{
    BOOL inner = TRUE;
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_DESTROY)
            inner = DestroyWindow(h);
        return m == WM_DESTROY;
    };
    ASSERT_NE(CreateAndShow(), nullptr);
    EXPECT_TRUE(DestroyWindow(hwnd));
    EXPECT_FALSE(inner);
    EXPECT_EQ(Count(WM_DESTROY), 1);
    hwnd = nullptr;
}

// ---- pixel format, GL context, buffer swap ----

using PixelFormat = PlatformTest;

TEST_F(PixelFormat, FormatReportedIsTheOneTheContextGets)
{
    HDC dc = nullptr;
    int index = 0;
    BOOL setResult = FALSE;
    PIXELFORMATDESCRIPTOR pfd{};
    HGLRC rc = nullptr;
    // The program's set-up, inside WM_CREATE.
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m != WM_CREATE)
            return false;
        dc = GetDC(h);
        PIXELFORMATDESCRIPTOR request{};
        request.nSize = sizeof request;
        request.nVersion = 1;
        request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
        request.iPixelType = PFD_TYPE_RGBA;
        request.cColorBits = 8;
        request.cDepthBits = 16;
        index = ChoosePixelFormat(dc, &request);
        setResult = SetPixelFormat(dc, index, &request);
        DescribePixelFormat(dc, GetPixelFormat(dc), sizeof pfd, &pfd);
        rc = wglCreateContext(dc);
        wglMakeCurrent(dc, rc);
        return true;
    };
    ASSERT_NE(Create(), nullptr);
    ASSERT_GT(index, 0);
    EXPECT_EQ(setResult, 1);
    EXPECT_EQ(GetPixelFormat(dc), index);
    ASSERT_NE(rc, nullptr);

    EXPECT_EQ(pfd.nSize, sizeof pfd);
    EXPECT_EQ(pfd.iPixelType, PFD_TYPE_RGBA);
    EXPECT_EQ(pfd.dwFlags & PFD_NEED_PALETTE, 0u) << "true colour";
    EXPECT_NE(pfd.dwFlags & PFD_DRAW_TO_WINDOW, 0u);
    EXPECT_NE(pfd.dwFlags & PFD_SUPPORT_OPENGL, 0u);

    GLint red = 0, green = 0, blue = 0, depthBits = 0, viewport[4] = {0, 0, 0, 0};
    GLboolean doubleBuffer = GL_FALSE;
    glGetIntegerv(GL_RED_BITS, &red);
    glGetIntegerv(GL_GREEN_BITS, &green);
    glGetIntegerv(GL_BLUE_BITS, &blue);
    glGetIntegerv(GL_DEPTH_BITS, &depthBits);
    glGetBooleanv(GL_DOUBLEBUFFER, &doubleBuffer);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(pfd.cRedBits, red);
    EXPECT_EQ(pfd.cGreenBits, green);
    EXPECT_EQ(pfd.cBlueBits, blue);
    EXPECT_EQ(pfd.cColorBits, red + green + blue);
    EXPECT_EQ(pfd.cDepthBits, depthBits);
    EXPECT_GE(depthBits, 16);
    EXPECT_GE(red, 8);
    EXPECT_EQ((pfd.dwFlags & PFD_DOUBLEBUFFER) != 0, doubleBuffer == GL_TRUE);
    EXPECT_EQ(doubleBuffer, GL_TRUE);
    // Bits of each component lie where the shifts say, apart from each other.
    EXPECT_EQ(((1u << pfd.cRedBits) - 1) << pfd.cRedShift & ((1u << pfd.cGreenBits) - 1) << pfd.cGreenShift, 0u);
    EXPECT_EQ(((1u << pfd.cGreenBits) - 1) << pfd.cGreenShift & ((1u << pfd.cBlueBits) - 1) << pfd.cBlueShift, 0u);
    EXPECT_EQ(viewport[2], 230) << "the viewport is the client area when first made current";
    EXPECT_EQ(viewport[3], 230);

    EXPECT_EQ(DescribePixelFormat(dc, index, sizeof pfd, nullptr), 1) << "the number of formats";
    EXPECT_EQ(DescribePixelFormat(dc, index + 1, sizeof pfd, &pfd), 0);

    wglMakeCurrent(nullptr, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr);
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_FALSE(wglDeleteContext(rc));
}

TEST_F(PixelFormat, FixedFunctionDrawingBecomesVisibleOnSwap)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    HDC dc = GetDC(hwnd);
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.cDepthBits = 16;
    ASSERT_EQ(SetPixelFormat(dc, ChoosePixelFormat(dc, &request), &request), 1);
    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    EXPECT_EQ(SDL_GL_GetCurrentContext(), nullptr) << "creating does not make current";
    ASSERT_TRUE(wglMakeCurrent(dc, rc));

    // A red background and a green triangle over the left half, in the
    // immediate mode of OpenGL 1.1.
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-1, 1, -1, 1, -1, 1);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glColor3f(0, 1, 0);
    glBegin(GL_TRIANGLES);
    glVertex3f(-1, -1, 0);
    glVertex3f(0, -1, 0);
    glVertex3f(-1, 3, 0);
    glEnd();
    glFlush();
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_NE(ScreenPixel(50 + 200, 50 + 115), 0xFF0000ul) << "nothing shows before the swap";

    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_TRUE(PumpUntil(5, [] { return ScreenPixel(50 + 200, 50 + 115) == 0xFF0000ul; }));
    EXPECT_EQ(ScreenPixel(50 + 20, 50 + 200), 0x00FF00ul);

    wglMakeCurrent(nullptr, nullptr);
    wglDeleteContext(rc);
}

// ---- message box ----

using MessageBox = PlatformTest;

TEST_F(MessageBox, BoxIsModalUntilDismissed)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    const std::string caption = "dv box " + title;
    double dismissedAt = 0;
    bool found = false;
    std::thread user([&] {
        // The user: waits for the box to come up, then presses Return on it.
        ::Window box = 0;
        double deadline = Seconds() + 20;
        while (box == 0 && Seconds() < deadline) {
            std::this_thread::sleep_for(std::chrono::milliseconds(100));
            box = FindXWindow(caption);
        }
        found = box != 0;
        if (!found)
            return;
        std::this_thread::sleep_for(std::chrono::milliseconds(500));
        dismissedAt = Seconds();
        std::string id = std::to_string(box);
        // Pressed again should the first press come before the box listens.
        for (int i = 0; i < 10 && FindXWindow(caption) != 0; ++i) {
            Xdotool("windowfocus " + id + " >/dev/null 2>&1");
            Xdotool("key Return >/dev/null 2>&1");
            std::this_thread::sleep_for(std::chrono::milliseconds(500));
        }
    });
    int result = MessageBoxA(hwnd, "some text", caption.c_str(), MB_OK | MB_ICONERROR);
    double returnedAt = Seconds();
    user.join();
    EXPECT_EQ(result, IDOK);
    ASSERT_TRUE(found) << "the box never appeared (SDL draws it with the X server's fonts: is xfonts-base there?)";
    EXPECT_GE(returnedAt, dismissedAt) << "returned before it was dismissed";
}

} // namespace

// ---- without a display ----

TEST(NoDisplay, MessageBoxFallsBackToStandardErrorAndReturns)
{
    ASSERT_EQ(std::getenv("DISPLAY"), nullptr) << "run this one without a display";
    testing::internal::CaptureStderr();
    double start = Seconds();
    int result = MessageBoxA(nullptr, "the text", "The caption", MB_OK | MB_ICONERROR);
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_LT(Seconds() - start, 10);
    EXPECT_NE(err.find("The caption"), std::string::npos) << err;
    EXPECT_NE(err.find("the text"), std::string::npos) << err;
}
