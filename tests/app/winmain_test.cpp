// WinMain: start-up, window size and the message loop's contract, run to
// completion against the recording stand-in.
#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "app/window_proc.h"
#include "recording.h"
#include "render/frame.h"
#include "state/viewer_state.h"

namespace {

const HINSTANCE kInstance = (HINSTANCE)(std::uintptr_t)0x400000;

int RunWinMain(int cmdShow = SW_SHOWNORMAL)
{
    char cmdLine[] = "";
    return WinMain(kInstance, NULL, cmdLine, cmdShow);
}

// Posts a message to the program's window as soon as the window is shown,
// i.e. before the message loop starts.
void PostOnShow(UINT message, WPARAM wParam)
{
    std::function<void(const RecordedCall &)> previous = Recording().onCall;
    Recording().onCall = [=](const RecordedCall &call) {
        if (previous)
            previous(call);
        if (call.name == "ShowWindow")
            RecordingPostMessage(RecordingLastWindow(), message, wParam, 0);
    };
}

// Replaces the idle handler the first paint installs with the test's own.
void InstallOnFirstPaint(IdleHandler handler)
{
    std::function<void(const RecordedCall &)> previous = Recording().onCall;
    Recording().onCall = [=](const RecordedCall &call) {
        if (previous)
            previous(call);
        if (call.name == "EndPaint" && CountRecordedCalls("EndPaint") == 1)
            idleHandler = handler;
    };
}

class WinMainTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ResetViewerState();
        ResetRecording();
    }
    void TearDown() override { ResetRecording(); }
};

TEST_F(WinMainTest, StartsUpInOrderAndEndsWithExitCodeZeroOnEscape)
{
    Recording().screenHeight = 1024;
    PostOnShow(WM_CHAR, 27);
    EXPECT_EQ(0, RunWinMain(SW_SHOWDEFAULT));

    // Registration, notice, size, creation (with set-up inside), showing.
    std::vector<std::string> names = RecordedCallNames();
    std::vector<std::string> head(names.begin(), names.begin() + 7);
    std::vector<std::string> expectedHead = {"LoadIconA",       "LoadCursorA",      "RegisterClassA",
                                             "MessageBoxA",     "GetSystemMetrics", "GetSystemMetrics",
                                             "CreateWindowExA"};
    EXPECT_EQ(expectedHead, head) << RecordedLogText();
    EXPECT_LT(RecordedCallIndex("CreateWindowExA"), RecordedCallIndex("wglCreateContext"));
    EXPECT_LT(RecordedCallIndex("wglCreateContext"), RecordedCallIndex("ShowWindow"));
    // The program's own calls: UpdateWindow straight after ShowWindow. The
    // first show reports the size with WM_SIZE, whose handler's
    // SetWindowPos runs nested inside ShowWindow.
    std::vector<std::string> own = RecordedCallNamesAt(0);
    auto shown = std::find(own.begin(), own.end(), "ShowWindow");
    ASSERT_NE(own.end(), shown);
    EXPECT_EQ("UpdateWindow", *(shown + 1));
    ASSERT_EQ(RecordedCallIndex("ShowWindow") + 2, RecordedCallIndex("UpdateWindow"));
    EXPECT_EQ("SetWindowPos", RecordedCalls()[RecordedCallIndex("ShowWindow") + 1].name);

    const WNDCLASSA *wc = RecordingRegisteredClass("OpenGL");
    ASSERT_NE(nullptr, wc);
    EXPECT_EQ((UINT)(CS_OWNDC | CS_HREDRAW | CS_VREDRAW), wc->style);
    EXPECT_EQ(MainWindowProc, wc->lpfnWndProc);
    EXPECT_EQ(0, wc->cbClsExtra);
    EXPECT_EQ(0, wc->cbWndExtra);
    EXPECT_EQ(kInstance, wc->hInstance);
    EXPECT_NE(nullptr, wc->hIcon);
    EXPECT_NE(nullptr, wc->hCursor);
    EXPECT_EQ(nullptr, wc->hbrBackground);
    EXPECT_EQ(nullptr, wc->lpszMenuName);
    std::vector<std::intptr_t> stock = {0, (std::intptr_t)32512};
    EXPECT_EQ(stock, FindRecordedCall("LoadIconA")->args);
    EXPECT_EQ(stock, FindRecordedCall("LoadCursorA")->args);

    EXPECT_EQ(SM_CYSCREEN, FindRecordedCall("GetSystemMetrics", 0)->args[0]);
    EXPECT_EQ(SM_CYSCREEN, FindRecordedCall("GetSystemMetrics", 1)->args[0]);

    const RecordedCall *create = FindRecordedCall("CreateWindowExA");
    std::vector<std::intptr_t> createArgs = {0,  (std::intptr_t)(WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN),
                                             50, 50, 307, 307, 0, 0, (std::intptr_t)kInstance, 0};
    EXPECT_EQ(createArgs, create->args);
    std::vector<std::string> createTexts = {"OpenGL", DUCKVIEW_WINDOW_TITLE};
    EXPECT_EQ(createTexts, create->texts);

    HWND hwnd = RecordingLastWindow();
    std::vector<std::intptr_t> show = {(std::intptr_t)hwnd, SW_SHOWDEFAULT};
    EXPECT_EQ(show, FindRecordedCall("ShowWindow")->args);
    EXPECT_EQ((std::intptr_t)hwnd, FindRecordedCall("UpdateWindow")->args[0]);

    // The first paint asked for a frame, but Escape was waiting, so the
    // loop handled it first and the program ended without drawing.
    EXPECT_EQ(0, RecordingSwapCount());
    EXPECT_FALSE(RecordingWindowExists(hwnd));
    EXPECT_FALSE(RecordingGlContextLive());
    std::vector<std::string> all = RecordedCallNames();
    std::vector<std::string> tail(all.end() - 8, all.end());
    std::vector<std::string> expectedTail = {"TranslateMessage", "DispatchMessageA", "DestroyWindow",
                                             "wglMakeCurrent",   "wglDeleteContext", "ReleaseDC",
                                             "PostQuitMessage",  "GetMessageA"};
    EXPECT_EQ(expectedTail, tail) << RecordedLogText();
}

TEST_F(WinMainTest, ShowsTheNoticeWithoutOwnerBeforeTheWindowExists)
{
    PostOnShow(WM_CHAR, 27);
    RunWinMain();
    const RecordedCall *notice = FindRecordedCall("MessageBoxA");
    ASSERT_NE(nullptr, notice);
    EXPECT_EQ(1, CountRecordedCalls("MessageBoxA"));
    std::vector<std::intptr_t> args = {0, MB_OK};
    EXPECT_EQ(args, notice->args);
    EXPECT_EQ(" mouse: touch the window image for movement ", notice->texts[0]);
    const std::string &caption = notice->texts[1];
    EXPECT_NE(std::string::npos, caption.find("duckview")) << caption;
    EXPECT_EQ(std::string::npos, caption.find('\n')) << "a one-line credit";
    EXPECT_LT(RecordedCallIndex("MessageBoxA"), RecordedCallIndex("CreateWindowExA"));
}

TEST_F(WinMainTest, WindowIsThirtyPerCentOfTheScreenHeightTruncated)
{
    // Where 30 per cent is a whole number, a product rounded anywhere but to
    // a double (x87 registers) truncates to one less.
    const int heights[][2] = {{768, 230},  {800, 240},  {900, 270},  {1024, 307}, {1080, 324},
                              {1152, 345}, {1200, 360}, {1440, 432}, {2160, 648}};
    for (const auto &h : heights) {
        SCOPED_TRACE(h[0]);
        ResetViewerState();
        ResetRecording();
        Recording().screenHeight = h[0];
        Recording().screenWidth = 4000; // the width plays no part
        PostOnShow(WM_CHAR, 27);
        EXPECT_EQ(0, RunWinMain());
        EXPECT_EQ(h[1], windowWidth);
        EXPECT_EQ(h[1], windowHeight);
        const RecordedCall *create = FindRecordedCall("CreateWindowExA");
        ASSERT_NE(nullptr, create);
        EXPECT_EQ(h[1], create->args[4]);
        EXPECT_EQ(h[1], create->args[5]);
    }
}

// --- The loop contract ---------------------------------------------------

struct Seen {
    int calls = 0;
    int countingFrames = -1, fogEnabled = -1, wireframeEnabled = -1;
    size_t queued = 99;
} seen;

void RecordingIdle()
{
    seen.calls++;
    if (seen.calls == 1) {
        seen.countingFrames = countingFrames;
        seen.fogEnabled = fogEnabled;
        seen.wireframeEnabled = wireframeEnabled;
        seen.queued = RecordingQueueLength();
        // Arrives while "rendering": must be handled before the next call.
        RecordingPostMessage(RecordingLastWindow(), WM_CHAR, 'p', 0);
    } else if (seen.calls == 2) {
        EXPECT_EQ(0, wireframeEnabled) << "the message posted during the frame was handled first";
        RecordingPostMessage(RecordingLastWindow(), WM_CHAR, 27, 0);
    }
}

TEST_F(WinMainTest, EveryWaitingMessageIsHandledBeforeTheIdleHandlerRuns)
{
    seen = Seen();
    PostOnShow(WM_TIMER, 1);
    PostOnShow(WM_KEYDOWN, 'F'); // translated into WM_CHAR 'f'
    PostOnShow(WM_CHAR, 'p');
    InstallOnFirstPaint(RecordingIdle);
    EXPECT_EQ(0, RunWinMain());

    EXPECT_EQ(2, seen.calls);
    EXPECT_EQ(0, seen.countingFrames);
    EXPECT_EQ(1, seen.fogEnabled) << "the key press was translated and handled";
    EXPECT_EQ(1, seen.wireframeEnabled);
    EXPECT_EQ(0u, seen.queued);
    EXPECT_EQ(0, RecordingStarvedWaits());
}

int callsA, callsB;

void HandlerB()
{
    if (++callsB == 3) {
        idleHandler = nullptr;
        RecordingPostMessage(RecordingLastWindow(), WM_CHAR, 27, 0);
    }
}

void HandlerA()
{
    callsA++;
    idleHandler = HandlerB;
}

TEST_F(WinMainTest, TheHandlerIsReadAfreshBeforeEveryCall)
{
    callsA = callsB = 0;
    InstallOnFirstPaint(HandlerA);
    EXPECT_EQ(0, RunWinMain());
    EXPECT_EQ(1, callsA);
    EXPECT_EQ(3, callsB);
}

TEST_F(WinMainTest, WithoutAHandlerTheLoopSleepsInGetMessage)
{
    spinning = 0; // the first paint's frame is then the only one
    int waits = 0;
    int peeksBeforeWait[2] = {-1, -1};
    IdleHandler handlerAtWait[2] = {IdleRender, IdleRender};
    Recording().onBlockingWait = [&]() {
        // Empty peeks since the last frame or the last message handled.
        int last = -1;
        const std::vector<RecordedCall> &calls = RecordedCalls();
        for (size_t i = 0; i < calls.size(); i++)
            if (calls[i].name == "SwapBuffers" || calls[i].name == "DispatchMessageA")
                last = (int)i;
        int peeks = 0;
        for (size_t i = last + 1; i < calls.size(); i++)
            peeks += calls[i].name == "PeekMessageA";
        if (waits < 2) {
            peeksBeforeWait[waits] = peeks;
            handlerAtWait[waits] = idleHandler;
        }
        waits++;
        RecordingPostMessage(RecordingLastWindow(), waits == 1 ? WM_TIMER : WM_CHAR, waits == 1 ? 1 : 27, 0);
    };
    EXPECT_EQ(0, RunWinMain());

    EXPECT_EQ(2, waits) << RecordedLogText();
    EXPECT_EQ(1, RecordingSwapCount()) << "one frame for the first paint, none while waiting";
    for (int i = 0; i < 2; i++) {
        EXPECT_EQ(nullptr, handlerAtWait[i]);
        EXPECT_EQ(0, peeksBeforeWait[i]) << "wait " << i << " came after a busy peek";
    }
    EXPECT_EQ(0, countingFrames) << "the timer message was handled";
    EXPECT_EQ(0, RecordingStarvedWaits());
}

TEST_F(WinMainTest, FailedGetMessageEndsTheLoopWithExitCodeZero)
{
    spinning = 0;
    PostOnShow(WM_CHAR, 'q'); // handled by default; its wParam is no exit code
    EXPECT_EQ(0, RunWinMain());
    EXPECT_EQ(1, RecordingStarvedWaits());
    EXPECT_EQ(1, CountRecordedCalls("DispatchMessageA"));
}

// The whole program for a few frames: the model spins from the first
// frame, frames are counted until the first timer tick, and Escape ends it.
TEST_F(WinMainTest, SpinsAndCountsFramesUntilTheFirstTimerTick)
{
    Recording().screenHeight = 400;
    Recording().onCall = [](const RecordedCall &call) {
        if (call.name != "SwapBuffers")
            return;
        int swaps = CountRecordedCalls("SwapBuffers");
        if (swaps == 3)
            RecordingPostMessage(RecordingLastWindow(), WM_TIMER, 1, 0);
        if (swaps == 5)
            RecordingPostMessage(RecordingLastWindow(), WM_CHAR, 27, 0);
    };
    EXPECT_EQ(0, RunWinMain());
    EXPECT_EQ(5, RecordingSwapCount());
    EXPECT_EQ(3, frameCount);
    EXPECT_EQ(0, countingFrames);
    EXPECT_NE(1.0f, rotationMatrix[0]) << "the model turned";
    EXPECT_FALSE(RecordingGlContextLive());
    EXPECT_EQ(nullptr, idleHandler);
}

// Without a window no message would ever come: the error box, and the end.
TEST_F(WinMainTest, AWindowThatCannotBeMadeShowsTheErrorBoxAndExitsWithOne)
{
    Recording().openWindowFails = 1;
    EXPECT_EQ(1, RunWinMain());
    std::vector<std::string> names = RecordedCallNames();
    ASSERT_EQ(2, CountRecordedCalls("MessageBoxA")) << RecordedLogText();
    EXPECT_EQ("MessageBoxA", names.back()) << "nothing after the box";
    const RecordedCall *box = FindRecordedCall("MessageBoxA", 1);
    std::vector<std::intptr_t> args = {0, MB_OK | MB_ICONERROR};
    EXPECT_EQ(args, box->args);
    EXPECT_NE(std::string::npos, box->texts[0].find("the window could not be made")) << box->texts[0];
    EXPECT_EQ("Error", box->texts[1]);
}

TEST_F(WinMainTest, PixelFormatFailureEndsTheProgramInsideCreationWithExitCodeOne)
{
    Recording().setPixelFormatResult = FALSE;
    Recording().echoCalls = 1;
    // Creation up to the failure, and nothing after it.
    EXPECT_EXIT(RunWinMain(), ::testing::ExitedWithCode(1),
                "CreateWindowExA\\(0, 0x6cf0000, 50, 50, 307, 307, 0, 0, 0x400000, 0, \"OpenGL\", \"" DUCKVIEW_WINDOW_TITLE
                "\"\\)\nSetTimer\\(0x1001, 1, 1000, 0\\)\nGetDC\\(0x1001\\)\n"
                "ChoosePixelFormat\\(0x2001, \\w+\\)\nSetPixelFormat\\(0x2001, 7, \\w+\\)\nWindowFromDC\\(0x2001\\)\n"
                "MessageBoxA\\(0x1001, 16, \"SetPixelFormat failed\", \"Error\"\\)\n"
                "MessageBoxA\\(0x1001, 0x10\\) \\[Error\\] <SetPixelFormat failed>\n$");
}

} // namespace
