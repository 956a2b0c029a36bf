// The Win32 core's contract, the same on every back end and held against
// the system's own user32: this source runs on the recording back end with
// no display, on SDL under a real X server, and as a Windows program on
// Wine's user32. Native events are injected through the driver
// (harness.h). Where the stand-in deliberately does otherwise than the
// system, the test says so with DiffersFromTheSystem and its reason, and
// expects each side's own behaviour.
#include "harness.h"
#include "platform/gl.h"

namespace {

const UINT kUserMessage = 0x0400; // WM_USER

// The stand-in's deliberate differences from the system's user32, as
// src/platform/core/core.h lists them.
const char kSizeIsTheClientArea[] = "a size asked for is the client area's on the stand-in; on Windows it is the "
                                    "outer size, and the client area what the frame leaves of it";
const char kDestroyAfterFailedCreate[] = "when WM_CREATE fails, the stand-in sends WM_DESTROY as Windows does; "
                                         "Wine's user32 sends none";
const char kUpdateOfADeadHandle[] = "UpdateWindow of a destroyed window's handle fails on the stand-in as on "
                                    "Windows; Wine's user32 reports success";
const char kDestroyInsideDestroy[] = "the stand-in refuses DestroyWindow from inside the window's WM_DESTROY; "
                                     "Wine's user32 sends WM_DESTROY again, nested, up to its nesting limit";

// The client area that a size asked for gives: the size itself on the
// stand-in, what the window's frame leaves of it on the system.
void ClientAreaFor(HWND hwnd, int width, int height, int *clientWidth, int *clientHeight)
{
    *clientWidth = width;
    *clientHeight = height;
    if (DiffersFromTheSystem(kSizeIsTheClientArea)) {
        int innerWidth = 0, innerHeight = 0, outerWidth = 0, outerHeight = 0;
        ClientSizeOf(hwnd, &innerWidth, &innerHeight);
        OuterSizeOf(hwnd, &outerWidth, &outerHeight);
        *clientWidth -= outerWidth - innerWidth;
        *clientHeight -= outerHeight - innerHeight;
    }
}

// A WM_SIZE reports the client area of the size asked for.
void ExpectReported(const Record *size, HWND hwnd, int width, int height)
{
    ASSERT_NE(size, nullptr);
    ASSERT_EQ(size->message, static_cast<UINT>(WM_SIZE));
    int clientWidth = 0, clientHeight = 0;
    ClientAreaFor(hwnd, width, height, &clientWidth, &clientHeight);
    EXPECT_EQ(X(size->lParam), clientWidth) << "asked for " << width << "x" << height;
    EXPECT_EQ(Y(size->lParam), clientHeight) << "asked for " << width << "x" << height;
}

// ---- creation ----

using Creation = WindowTest;

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

// As Windows does it: WM_DESTROY is sent and the call returns null.
TEST_F(Creation, CreateFailingInTheWindowProcedureSendsDestroyAndReturnsNull)
{
    FailCreation();
    EXPECT_EQ(Create(), nullptr);
    if (DiffersFromTheSystem(kDestroyAfterFailedCreate))
        EXPECT_EQ(MessagesSeen(), (std::vector<UINT>{WM_CREATE}));
    else
        EXPECT_EQ(MessagesSeen(), (std::vector<UINT>{WM_CREATE, WM_DESTROY}));
    ASSERT_FALSE(seen.empty());
    HWND failed = seen.front().hwnd;
    size_t messages = seen.size();
    EXPECT_EQ(GetDC(failed), nullptr) << "the handle is no window any more";
    EXPECT_FALSE(DestroyWindow(failed));
    PumpUntilQuiet();
    EXPECT_EQ(seen.size(), messages) << "nothing more reaches it";
}

TEST_F(Creation, UnknownClassMakesNoWindowAndASecondClassOfANameIsRefused)
{
    EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "x", kWindowStyle, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr),
              nullptr);
    EXPECT_TRUE(seen.empty());
    WNDCLASSA again{};
    again.lpfnWndProc = DefWindowProcA;
    again.lpszClassName = "DVTEST";
    EXPECT_EQ(RegisterClassA(&again), 0) << "names are compared without their case";
    hwnd = CreateWindowExA(0, "dvTest", "x", kWindowStyle, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(Count(WM_CREATE), 1) << "the first registration stays";
}

TEST_F(Creation, ScreenMetricsAreTheScreenSize)
{
    int width = 0, height = 0;
    ExpectedScreenSize(&width, &height);
    EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), width);
    EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), height);
}

TEST_F(Creation, TheFirstShowReportsTheSizeOnce)
{
    ASSERT_NE(Create(), nullptr);
    EXPECT_EQ(Count(WM_SIZE), 0) << "not before it is shown";
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    ASSERT_EQ(Count(WM_SIZE), 1);
    ExpectReported(Last(WM_SIZE), hwnd, 230, 230);
    ShowWindow(hwnd, SW_HIDE);
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    EXPECT_EQ(Count(WM_SIZE), 1);
}

TEST_F(Creation, AHandleOfADestroyedWindowStaysInvalid)
{
    ASSERT_NE(Create(), nullptr);
    HWND first = hwnd;
    HDC firstDc = GetDC(first);
    ASSERT_TRUE(DestroyWindow(first));
    ASSERT_NE(Create(), nullptr);
    EXPECT_NE(hwnd, first);
    EXPECT_NE(GetDC(hwnd), firstDc);
    ShowWindow(hwnd, SW_SHOWDEFAULT); // the new window is due a paint
    seen.clear();
    if (DiffersFromTheSystem(kUpdateOfADeadHandle))
        EXPECT_TRUE(UpdateWindow(first));
    else
        EXPECT_FALSE(UpdateWindow(first));
    EXPECT_EQ(Count(WM_PAINT), 0) << "the old handle paints no window";
    EXPECT_EQ(GetDC(first), nullptr);
    EXPECT_EQ(WindowFromDC(firstDc), nullptr);
    EXPECT_FALSE(SetWindowPos(first, nullptr, 0, 0, 10, 10, 0));
}

// ---- the queue ----

using Queue = WindowTest;

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

// Ticks missed meanwhile make one message, not a burst.
TEST_F(Queue, PeekWithoutRemovingLeavesATimerMessageForGetMessage)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 9, 200, nullptr);
    LetTimePass(900); // half an interval from the next tick, wherever its phase is kept
    MSG msg{};
    std::uint64_t deadline = DriverNow() + 5000;
    for (;;) {
        ASSERT_LT(DriverNow(), deadline) << "no timer message";
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
            LetTimePass(5);
            continue;
        }
        if (msg.message == WM_TIMER)
            break;
        // Anything else the system sends meanwhile is handled as usual.
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
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "one tick for four missed, taken once";
}

// Posted messages first, in the order they were posted, then the quit
// message, then input, then a paint, then a due timer, whatever order they
// arose in; a filter takes the first message in its range.
TEST_F(Queue, MessagesComeInWindowsOrder)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 2, 10, nullptr);
    LetTimePass(30);
    InjectExpose(hwnd);
    InjectKey(hwnd, 'A', true);
    PostQuitMessage(5);
    PostToWindow(hwnd, kUserMessage, 0, 0);
    PostToWindow(hwnd, kUserMessage + 1, 0, 0);
    MSG msg{};
    ASSERT_TRUE(PeekMessageA(&msg, nullptr, kUserMessage + 1, kUserMessage + 2, PM_NOREMOVE));
    EXPECT_EQ(msg.message, kUserMessage + 1);
    std::vector<UINT> taken = TakeAll();
    ASSERT_GE(taken.size(), 6u);
    taken.resize(6);
    EXPECT_EQ(taken, (std::vector<UINT>{kUserMessage, kUserMessage + 1, WM_QUIT, WM_KEYDOWN, WM_PAINT, WM_TIMER}));
    InjectKey(hwnd, 'A', false);
    PumpUntil(5, [] { return Count(WM_KEYUP) > 0; }); // the timer keeps it from ever being quiet
}

// Anyone can post WM_TIMER with any lParam: only the procedure of a live
// timer is ever called through it, and a message whose lParam is no such
// procedure goes nowhere; one without a procedure reaches the window.
TEST_F(Queue, APostedTimerMessageReachesTheWindowOnlyWithoutAProcedure)
{
    ASSERT_NE(Create(), nullptr);
    PostToWindow(hwnd, WM_TIMER, 7, 0x1234);
    PostToWindow(hwnd, WM_TIMER, 8, 0);
    PumpUntilQuiet();
    EXPECT_EQ(WParamsOf(WM_TIMER), (std::vector<WPARAM>{8}));
}

// ---- keys ----

// Keys go to the shown window with the keyboard focus.
using Keys = WindowTest;

TEST_F(Keys, AKeyPressTranslatesIntoTheVeryNextMessage)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    InjectKey(hwnd, 'F', true);
    InjectKey(hwnd, 'P', true);
    MSG msg{};
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    ASSERT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('F'));
    EXPECT_EQ(KeyBits(msg.lParam), (std::vector<unsigned>{1, 0, 0, 0})) << "one stroke of a key that was up";
    EXPECT_TRUE(TranslateMessage(&msg));
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_CHAR)) << "before the key press that was already waiting";
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('f'));
    EXPECT_TRUE(TranslateMessage(&msg)) << "a message of the keyboard's range, making no other";
    MSG move = msg;
    move.message = WM_MOUSEMOVE;
    EXPECT_FALSE(TranslateMessage(&move)) << "only the keyboard's messages translate";
    ASSERT_EQ(GetMessageA(&msg, nullptr, 0, 0), TRUE);
    EXPECT_EQ(msg.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(msg.wParam, static_cast<WPARAM>('P'));
    InjectKey(hwnd, 'F', false);
    InjectKey(hwnd, 'P', false);
    PumpUntilQuiet();
    ASSERT_EQ(Count(WM_KEYUP), 2);
    EXPECT_EQ(KeyBits(Last(WM_KEYUP)->lParam), (std::vector<unsigned>{1, 0, 1, 1})) << "a release: was down, going up";
}

void Type(HWND hwnd, std::initializer_list<std::pair<BYTE, bool>> keys)
{
    for (auto key : keys)
        InjectKey(hwnd, key.first, key.second);
}

// Everything is waiting before the first key is translated: Shift counts
// as it was when each key was taken from the queue.
TEST_F(Keys, ShiftCapsLockAndControlCountAsTheyWereWhenTheKeyWasTaken)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    const BYTE shift = 0x10, control = 0x11, capsLock = 0x14;
    Type(hwnd, {{shift, true}, {'F', true}, {'F', false}, {shift, false}, {'F', true}, {'F', false}});
    Type(hwnd, {{capsLock, true}, {capsLock, false}, {'F', true}, {'F', false}});
    Type(hwnd, {{shift, true}, {'F', true}, {'F', false}, {shift, false}});
    Type(hwnd, {{capsLock, true}, {capsLock, false}});
    Type(hwnd, {{control, true}, {'C', true}, {'C', false}, {control, false}});
    PumpUntilQuiet();
    EXPECT_EQ(WParamsOf(WM_CHAR), (std::vector<WPARAM>{'F', 'f', 'F', 'f', 3}));
}

TEST_F(Keys, CharactersAreThoseOfAUsKeyboard)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    const BYTE shift = 0x10;
    for (BYTE vk : {BYTE('1'), BYTE(0xBA), BYTE(0xDE), BYTE(0x1B), BYTE(' '), BYTE(0x70), BYTE(0x25)})
        Type(hwnd, {{vk, true}, {vk, false}});
    Type(hwnd, {{shift, true}});
    for (BYTE vk : {BYTE('1'), BYTE('9'), BYTE(0xBA), BYTE(0xDE)})
        Type(hwnd, {{vk, true}, {vk, false}});
    Type(hwnd, {{shift, false}});
    PumpUntilQuiet();
    // F1 and the arrow keys make no character.
    EXPECT_EQ(WParamsOf(WM_CHAR), (std::vector<WPARAM>{'1', ';', '\'', 27, ' ', '!', '(', ':', '"'}));
}

// ---- mouse ----

using Mouse = WindowTest;

// The button captures the mouse as the program does, so the moves outside
// the window still reach it.
TEST_F(Mouse, ConsecutiveMovesKeepOnlyTheLatestAndPositionsAreSigned)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    CaptureOnPress();
    seen.clear();
    InjectMouse(hwnd, WM_MOUSEMOVE, 10, 10);
    InjectMouse(hwnd, WM_MOUSEMOVE, 20, 25);
    InjectMouse(hwnd, WM_LBUTTONDOWN, 20, 25);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONDOWN) > 0; }));
    InjectMouse(hwnd, WM_MOUSEMOVE, 30, 30);
    InjectMouse(hwnd, WM_MOUSEMOVE, -40, -30);
    InjectMouse(hwnd, WM_LBUTTONUP, -40, -30);
    // Up to the release: the real pointer may move the window's way after
    // the capture ends.
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_LBUTTONUP) > 0; }));
    ASSERT_EQ(MessagesSeen(), (std::vector<UINT>{WM_MOUSEMOVE, WM_LBUTTONDOWN, WM_MOUSEMOVE, WM_LBUTTONUP}));
    EXPECT_EQ(X(seen[0].lParam), 20);
    EXPECT_EQ(Y(seen[0].lParam), 25);
    EXPECT_EQ(LOWORD(seen[2].lParam), 0xFFD8) << "-40 packed into 16 bits";
    EXPECT_EQ(HIWORD(seen[2].lParam), 0xFFE2) << "-30 packed into 16 bits";
    EXPECT_EQ(X(seen[3].lParam), -40);
    EXPECT_EQ(Y(seen[3].lParam), -30);
}

// ---- painting ----

using Paint = WindowTest;

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
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_PAINT), 1) << "that paint answered the showing's exposure: no second one";
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
            int width = 0, height = 0;
            ClientSizeOf(h, &width, &height);
            EXPECT_EQ(ps.rcPaint.right, width) << "the whole client area";
            EXPECT_EQ(ps.rcPaint.bottom, height);
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

TEST_F(Paint, ExposureAsksAVisibleWindowForAPaint)
{
    ASSERT_NE(Create(), nullptr);
    InjectExpose(hwnd);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_PAINT), 0) << "hidden";
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    PumpUntilQuiet();
    int painted = Count(WM_PAINT);
    InjectExpose(hwnd);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_PAINT), painted + 1);
}

// ---- timers ----

using Timer = WindowTest;

TEST_F(Timer, TicksArriveThroughTheQueueAboutOnceASecond)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    ASSERT_NE(SetTimer(hwnd, 1, 1000, nullptr), 0u);
    std::uint64_t start = DriverNow();
    std::vector<double> ticks;
    MSG msg;
    while (ticks.size() < 3 && DriverNow() - start < 10000 && GetMessageA(&msg, nullptr, 0, 0)) {
        if (msg.message == WM_TIMER) {
            EXPECT_EQ(msg.hwnd, hwnd);
            EXPECT_EQ(msg.wParam, 1u);
            ticks.push_back((DriverNow() - start) / 1000.0);
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

// ---- size ----

using Size = WindowTest;

TEST_F(Size, SetWindowPosReportsTheNewSizeOnceAndAtOnce)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    ASSERT_TRUE(SetWindowPos(hwnd, nullptr, 80, 80, 300, 260, SWP_NOMOVE));
    ASSERT_EQ(Count(WM_SIZE), 1) << "sent at once";
    ExpectReported(Last(WM_SIZE), hwnd, 300, 260);
    SetWindowPos(hwnd, nullptr, 80, 80, 300, 260, SWP_NOMOVE);
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_SIZE), 1) << "no change, no message; the system's confirmation is no change either";
}

TEST_F(Size, SizeHandlerThatRestoresTheSizeDoesNotRecurse)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    // What the program does: any new size is put back to the start-up size.
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_SIZE)
            SetWindowPos(h, nullptr, 80, 80, 230, 230, SWP_NOMOVE);
        return m == WM_SIZE;
    };
    seen.clear();
    SetWindowPos(hwnd, nullptr, 0, 0, 400, 350, SWP_NOMOVE);
    ASSERT_EQ(Count(WM_SIZE), 2);
    ExpectReported(&seen[0], hwnd, 400, 350);
    ExpectReported(&seen[1], hwnd, 230, 230);
    EXPECT_EQ(seen[1].depth, 1) << "the second one is nested in the first";
    PumpUntilQuiet();
    EXPECT_EQ(Count(WM_SIZE), 2);
}

TEST_F(Size, ResizeFromOutsideIsReportedAndNeedsAPaint)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    InjectResize(hwnd, 320, 200);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_SIZE) > 0; }));
    EXPECT_EQ(X(Last(WM_SIZE)->lParam), 320);
    EXPECT_EQ(Y(Last(WM_SIZE)->lParam), 200);
    EXPECT_TRUE(PumpUntil(5, [&] { return Count(WM_PAINT) > 0; })) << "a new size needs a new picture";
}

// The size the program asks for is the client area's, the part its OpenGL
// viewport covers, at creation, at the first show and whenever it sizes
// the window again; the frame goes around it. (The recording back end
// draws a made-up frame; SDL has one when a window manager runs.) On
// Windows the size asked for is the outer size.
TEST_F(Size, TheSizeAskedForIsTheClientAreaWhateverTheFrame)
{
    auto expectClientArea = [&](int askedWidth, int askedHeight, const char *when) {
        int width = 0, height = 0;
        ClientAreaFor(hwnd, askedWidth, askedHeight, &width, &height);
        int clientWidth = 0, clientHeight = 0;
        ClientSizeOf(hwnd, &clientWidth, &clientHeight);
        EXPECT_EQ(clientWidth, width) << when;
        EXPECT_EQ(clientHeight, height) << when;
        int nativeWidth = 0, nativeHeight = 0;
        PumpUntil(5, [&] {
            NativeClientSize(hwnd, &nativeWidth, &nativeHeight);
            return nativeWidth == width && nativeHeight == height;
        });
        EXPECT_EQ(nativeWidth, width) << when << ": the system's client area";
        EXPECT_EQ(nativeHeight, height) << when << ": the system's client area";
    };
    ASSERT_NE(Create(), nullptr);
    expectClientArea(230, 230, "created");
    ShowWindow(hwnd, SW_SHOWDEFAULT);
    UpdateWindow(hwnd);
    if (WindowsAreFramed()) {
        ASSERT_TRUE(PumpUntil(5, [&] {
            int outerWidth, outerHeight, clientWidth, clientHeight;
            OuterSizeOf(hwnd, &outerWidth, &outerHeight);
            ClientSizeOf(hwnd, &clientWidth, &clientHeight);
            return outerHeight > clientHeight;
        }))
            << "the window got no frame";
    }
    PumpUntilQuiet();
    expectClientArea(230, 230, "shown");
    ExpectReported(Last(WM_SIZE), hwnd, 230, 230);

    // The program's snap-back, now that the frame is known.
    hook = [](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_SIZE)
            SetWindowPos(h, nullptr, 80, 80, 230, 230, SWP_NOMOVE);
        return m == WM_SIZE;
    };
    InjectResize(hwnd, 400, 300);
    ASSERT_TRUE(PumpUntil(5, [] { return Count(WM_SIZE) > 1; }));
    PumpUntilQuiet();
    expectClientArea(230, 230, "snapped back");
    ExpectReported(Last(WM_SIZE), hwnd, 230, 230);

    hook = nullptr;
    SetWindowPos(hwnd, nullptr, 0, 0, 300, 260, SWP_NOMOVE);
    expectClientArea(300, 260, "sized anew");
    if (WindowsAreFramed()) {
        int outerWidth = 0, outerHeight = 0;
        OuterSizeOf(hwnd, &outerWidth, &outerHeight);
        if (DiffersFromTheSystem(kSizeIsTheClientArea)) {
            EXPECT_EQ(outerWidth, 300) << "the outer size is the size asked for";
            EXPECT_EQ(outerHeight, 260) << "the outer size is the size asked for";
        } else {
            EXPECT_GE(outerWidth, 300) << "the outer size has the frame";
            EXPECT_GT(outerHeight, 260) << "the outer size has the frame's title bar";
        }
    }
}

// ---- destruction ----

using Destroy = WindowTest;

TEST_F(Destroy, CloseRequestGoesThroughDefaultProcessingToDestroyAndQuit)
{
    hook = [](HWND, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_DESTROY)
            PostQuitMessage(0);
        return m == WM_DESTROY;
    };
    ASSERT_NE(CreateAndShow(), nullptr);
    seen.clear();
    InjectCloseRequest(hwnd);
    MSG msg;
    int result;
    while ((result = GetMessageA(&msg, nullptr, 0, 0)) == TRUE) {
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    EXPECT_EQ(result, FALSE);
    EXPECT_EQ(msg.wParam, 0u);
    ASSERT_GE(seen.size(), 2u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_CLOSE));
    EXPECT_EQ(seen[1].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_EQ(seen[1].depth, 1) << "WM_DESTROY is sent from within the WM_CLOSE default processing";
    EXPECT_EQ(GetDC(hwnd), nullptr);
    hwnd = nullptr;
}

// Timers, posted messages, input not yet taken from the system and the
// pending paint all go with the window; none of it reaches another window.
TEST_F(Destroy, DestroyWindowSendsDestroyAtOnceAndDropsEverythingWaitingForIt)
{
    HWND other = CreateWindowExA(0, "DvTest", "other", kWindowStyle, 300, 50, 100, 100, nullptr, nullptr, nullptr,
                                 nullptr);
    ASSERT_NE(other, nullptr);
    ASSERT_NE(CreateAndShow(), nullptr);
    SetTimer(hwnd, 1, 50, nullptr);
    LetTimePass(100);
    InjectKey(hwnd, 'A', true);
    InjectExpose(hwnd);
    PostToWindow(hwnd, kUserMessage, 0, 0);
    seen.clear();
    EXPECT_TRUE(DestroyWindow(hwnd));
    ASSERT_EQ(seen.size(), 1u);
    EXPECT_EQ(seen[0].message, static_cast<UINT>(WM_DESTROY));
    EXPECT_FALSE(DestroyWindow(hwnd));
    LetTimePass(100);
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << "nothing is left for a dead window";
    EXPECT_EQ(seen.size(), 1u);
    DestroyWindow(other);
    hwnd = nullptr;
}

TEST_F(Destroy, DestroyingAgainFromInsideDestroyIsRefused)
{
    BOOL inner = TRUE;
    hook = [&](HWND h, UINT m, WPARAM, LPARAM, LRESULT *) {
        if (m == WM_DESTROY)
            inner = DestroyWindow(h);
        return m == WM_DESTROY;
    };
    ASSERT_NE(CreateAndShow(), nullptr);
    EXPECT_TRUE(DestroyWindow(hwnd));
    if (DiffersFromTheSystem(kDestroyInsideDestroy)) {
        EXPECT_GT(Count(WM_DESTROY), 1);
    } else {
        EXPECT_FALSE(inner);
        EXPECT_EQ(Count(WM_DESTROY), 1);
    }
    EXPECT_EQ(GetDC(hwnd), nullptr) << "the window is gone";
    hwnd = nullptr;
}

// ---- capture ----

using Capture = WindowTest;

TEST_F(Capture, SetCaptureReturnsThePreviousOneAndDestructionReleasesIt)
{
    ASSERT_NE(Create(), nullptr);
    HWND first = hwnd;
    EXPECT_EQ(SetCapture(first), nullptr);
    EXPECT_EQ(SetCapture(first), first);
    EXPECT_EQ(SetCapture(reinterpret_cast<HWND>(0x9999)), nullptr) << "not a window";
    EXPECT_EQ(SetCapture(first), first) << "the capture stayed";
    EXPECT_TRUE(ReleaseCapture());
    EXPECT_EQ(SetCapture(first), nullptr) << "released";
    ASSERT_TRUE(DestroyWindow(first));
    ASSERT_NE(Create(), nullptr);
    EXPECT_EQ(SetCapture(hwnd), nullptr) << "the destroyed window took its capture with it";
    ReleaseCapture();
}

// ---- OpenGL ----

using OpenGL = WindowTest;

TEST_F(OpenGL, AFormatIsSetOnceAndAContextNeedsOneAndDrawsOnTheWindow)
{
    ASSERT_NE(CreateAndShow(), nullptr);
    HDC dc = GetDC(hwnd);
    EXPECT_EQ(wglCreateContext(dc), nullptr) << "no pixel format yet";
    PIXELFORMATDESCRIPTOR request = ProgramRequest();
    int index = ChoosePixelFormat(dc, &request);
    ASSERT_GT(index, 0);
    int count = DescribePixelFormat(dc, index, sizeof request, nullptr);
    ASSERT_GE(count, index) << "the number of formats";
    PIXELFORMATDESCRIPTOR pfd{};
    EXPECT_EQ(DescribePixelFormat(dc, count + 1, sizeof pfd, &pfd), 0);
    EXPECT_EQ(DescribePixelFormat(dc, index, sizeof pfd - 1, &pfd), 0) << "too small";
    EXPECT_EQ(GetPixelFormat(dc), 0);
    ASSERT_EQ(SetPixelFormat(dc, index, &request), TRUE);
    EXPECT_EQ(GetPixelFormat(dc), index);
    EXPECT_EQ(SetPixelFormat(dc, index, &request), TRUE) << "the same one again";
    EXPECT_EQ(SetPixelFormat(dc, index == 1 ? 2 : 1, &request), FALSE) << "another one";
    EXPECT_EQ(GetPixelFormat(dc), index);

    HGLRC rc = wglCreateContext(dc);
    ASSERT_NE(rc, nullptr);
    ASSERT_TRUE(wglMakeCurrent(dc, rc));
    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFinish();
    unsigned char pixel[4] = {0, 0, 0, 0};
    glReadPixels(10, 10, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 0);
    EXPECT_TRUE(SwapBuffers(dc));
    EXPECT_TRUE(wglMakeCurrent(nullptr, nullptr));
    EXPECT_TRUE(wglDeleteContext(rc));
    EXPECT_FALSE(wglDeleteContext(rc)) << "already deleted";
    EXPECT_FALSE(wglMakeCurrent(dc, rc));
}

} // namespace
