// MainWindowProc, message by message, against the recording stand-in and a
// real headless GL context.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/window_proc.h"
#include "platform/gl.h"
#include "recording.h"
#include "render/frame.h"
#include "state/viewer_state.h"

namespace {

const LRESULT kDefault = 0x5EED; // what the stand-in's DefWindowProcA returns

std::map<UINT, LRESULT> lastResult;

// The class's procedure: MainWindowProc, with its results kept for the
// messages the system sends (WM_CREATE, WM_DESTROY, WM_SIZE ...).
LRESULT CALLBACK RecordingProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    LRESULT result = MainWindowProc(hwnd, message, wParam, lParam);
    lastResult[message] = result;
    return result;
}

void NoIdle()
{
}

// Expects the log to be exactly one DefWindowProcA with these arguments.
void ExpectOnlyDefaultProcessing(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    ASSERT_EQ(1u, RecordedCalls().size()) << RecordedLogText();
    const RecordedCall &call = RecordedCalls()[0];
    EXPECT_EQ("DefWindowProcA", call.name);
    std::vector<std::intptr_t> args = {(std::intptr_t)hwnd, (std::intptr_t)message, (std::intptr_t)wParam,
                                       (std::intptr_t)lParam};
    EXPECT_EQ(args, call.args);
}

class WindowProcTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        ResetRecording();
        lastResult.clear();
        windowWidth = 307;
        windowHeight = 307;
    }
    void TearDown() override { ResetRecording(); }

    // Registers the class and creates the window as WinMain does.
    void Create(const PIXELFORMATDESCRIPTOR &format = RecordingTrueColourFormat())
    {
        Recording().describedFormat = format;
        WNDCLASSA wc{};
        wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = RecordingProc;
        wc.lpszClassName = "OpenGL";
        RegisterClassA(&wc);
        ClearRecordedCalls();
        hwnd = CreateWindowExA(0, "OpenGL", "", 0, 50, 50, windowWidth, windowHeight, NULL, NULL, NULL, NULL);
        ASSERT_NE(nullptr, hwnd);
        ASSERT_TRUE(RecordingGlContextLive()) << RecordingGlFailure();
        dc = RecordingDeviceContextOf(hwnd);
    }

    LRESULT Send(UINT message, WPARAM wParam, LPARAM lParam)
    {
        return RecordingSendMessage(hwnd, message, wParam, lParam);
    }

    HWND hwnd = nullptr;
    HDC dc = nullptr;
};

// --- Before WM_CREATE has completed ------------------------------------

TEST_F(WindowProcTest, SizePaintAndMouseGetDefaultProcessingBeforeCreation)
{
    HWND window = (HWND)(std::uintptr_t)0x777;
    const struct {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    } cases[] = {
        {WM_SIZE, 0, MAKELPARAM(640, 480)},     {WM_PAINT, 0, 0},
        {WM_MOUSEMOVE, 1, MAKELPARAM(10, 20)},  {WM_LBUTTONDOWN, 1, MAKELPARAM(10, 20)},
        {WM_LBUTTONUP, 0, MAKELPARAM(30, 40)},
    };
    dragging = 1; // a drag would otherwise turn the model on movement
    for (const auto &c : cases) {
        SCOPED_TRACE(c.message);
        ClearRecordedCalls();
        EXPECT_EQ(kDefault, MainWindowProc(window, c.message, c.wParam, c.lParam));
        ExpectOnlyDefaultProcessing(window, c.message, c.wParam, c.lParam);
    }
    EXPECT_EQ(nullptr, idleHandler);
    EXPECT_EQ(1, dragging);
    EXPECT_EQ(0, pressX);
    EXPECT_EQ(0.0f, lastSpherePoint[0]);
    EXPECT_EQ(1, spinning);
}

TEST_F(WindowProcTest, MessagesItDoesNotHandleGetDefaultProcessing)
{
    HWND window = (HWND)(std::uintptr_t)0x777;
    const UINT others[] = {WM_KEYDOWN, WM_KEYUP, 0x0400 /* WM_USER */, 0x0024 /* WM_GETMINMAXINFO */};
    for (UINT message : others) {
        ClearRecordedCalls();
        EXPECT_EQ(kDefault, MainWindowProc(window, message, 65, 0x1234));
        ExpectOnlyDefaultProcessing(window, message, 65, 0x1234);
    }
}

TEST_F(WindowProcTest, PaletteMessagesWithoutAPaletteGetDefaultProcessing)
{
    Create();
    ASSERT_EQ(nullptr, displayPalette);
    ClearRecordedCalls();
    EXPECT_EQ(kDefault, Send(WM_QUERYNEWPALETTE, 0, 0));
    ExpectOnlyDefaultProcessing(hwnd, WM_QUERYNEWPALETTE, 0, 0);
    ClearRecordedCalls();
    EXPECT_EQ(kDefault, Send(WM_PALETTECHANGED, 0x9999, 0));
    ExpectOnlyDefaultProcessing(hwnd, WM_PALETTECHANGED, 0x9999, 0);
    EXPECT_EQ(nullptr, idleHandler);
}

// --- Creation and destruction --------------------------------------------

TEST_F(WindowProcTest, CreationSetsUpTimerContextsAndSceneInOrder)
{
    Create();
    std::vector<std::string> expected = {"CreateWindowExA",    "SetTimer",         "GetDC",
                                         "ChoosePixelFormat",  "SetPixelFormat",   "GetPixelFormat",
                                         "DescribePixelFormat", "wglCreateContext", "wglMakeCurrent"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(0, lastResult.at(WM_CREATE));

    std::vector<std::intptr_t> timer = {(std::intptr_t)hwnd, 1, 1000, 0};
    EXPECT_EQ(timer, FindRecordedCall("SetTimer")->args);
    EXPECT_EQ((std::intptr_t)hwnd, FindRecordedCall("GetDC")->args[0]);
    EXPECT_EQ(dc, deviceContext);
    EXPECT_EQ((std::intptr_t)dc, FindRecordedCall("ChoosePixelFormat")->args[0]);
    EXPECT_EQ((std::intptr_t)dc, FindRecordedCall("wglCreateContext")->args[0]);
    ASSERT_NE(nullptr, renderContext);
    std::vector<std::intptr_t> makeCurrent = {(std::intptr_t)dc, (std::intptr_t)renderContext};
    EXPECT_EQ(makeCurrent, FindRecordedCall("wglMakeCurrent")->args);
    EXPECT_EQ(nullptr, displayPalette);

    // The scene was set up on the new context: identity rotation and the
    // viewing translation on the modelview stack.
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(i % 5 == 0 ? 1.0f : 0.0f, rotationMatrix[i]) << i;
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    EXPECT_FLOAT_EQ(-2.5f, modelview[14]);
    // Creation draws nothing and asks for no frame: the first paint does.
    EXPECT_EQ(nullptr, idleHandler);
    EXPECT_EQ(0, RecordingSwapCount());
}

TEST_F(WindowProcTest, CreationOnAPaletteDisplayBuildsThePaletteBeforeTheContext)
{
    Create(RecordingPaletteFormat());
    EXPECT_NE(nullptr, displayPalette);
    int describe = RecordedCallIndex("DescribePixelFormat");
    EXPECT_LT(describe, RecordedCallIndex("CreatePalette"));
    EXPECT_LT(RecordedCallIndex("CreatePalette"), RecordedCallIndex("SelectPalette"));
    EXPECT_LT(RecordedCallIndex("RealizePalette"), RecordedCallIndex("wglCreateContext"));
}

TEST_F(WindowProcTest, DestructionReleasesContextsInOrderAndPostsQuit)
{
    Create();
    HGLRC context = renderContext;
    idleHandler = NoIdle;
    ClearRecordedCalls();
    DestroyWindow(hwnd);

    std::vector<std::string> expected = {"DestroyWindow", "wglMakeCurrent", "wglDeleteContext", "ReleaseDC",
                                         "PostQuitMessage"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(0, lastResult.at(WM_DESTROY));
    std::vector<std::intptr_t> none = {0, 0};
    EXPECT_EQ(none, FindRecordedCall("wglMakeCurrent")->args);
    EXPECT_EQ((std::intptr_t)context, FindRecordedCall("wglDeleteContext")->args[0]);
    std::vector<std::intptr_t> release = {(std::intptr_t)hwnd, (std::intptr_t)dc};
    EXPECT_EQ(release, FindRecordedCall("ReleaseDC")->args);
    EXPECT_EQ(0, FindRecordedCall("PostQuitMessage")->args[0]);
    EXPECT_EQ(nullptr, idleHandler);
    EXPECT_FALSE(RecordingGlContextLive());

    MSG msg;
    EXPECT_EQ(0, GetMessageA(&msg, NULL, 0, 0)) << "the quit message ends the loop";
    EXPECT_EQ((WPARAM)0, msg.wParam);
}

TEST_F(WindowProcTest, DestructionWithoutARenderingContextStillReleasesAndQuits)
{
    HWND window = (HWND)(std::uintptr_t)0x777;
    idleHandler = NoIdle;
    EXPECT_EQ(0, MainWindowProc(window, WM_DESTROY, 0, 0));
    std::vector<std::string> expected = {"ReleaseDC", "PostQuitMessage"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(nullptr, idleHandler);
}

// --- Size, paint, timer --------------------------------------------------

TEST_F(WindowProcTest, ResizingSnapsBackToTheStartUpSizeAndKeepsThePosition)
{
    Create();
    ClearRecordedCalls();
    RecordingResizeWindow(hwnd, 520, 410);

    const RecordedCall *pos = FindRecordedCall("SetWindowPos");
    ASSERT_NE(nullptr, pos) << RecordedLogText();
    std::vector<std::intptr_t> args = {(std::intptr_t)hwnd, 0, 80, 80, 307, 307, SWP_NOMOVE};
    EXPECT_EQ(args, pos->args);
    EXPECT_EQ(0, lastResult.at(WM_SIZE));
    EXPECT_EQ(307, RecordingWindowWidth(hwnd));
    EXPECT_EQ(307, RecordingWindowHeight(hwnd));
    EXPECT_EQ(50, RecordingWindowX(hwnd));
    EXPECT_EQ(50, RecordingWindowY(hwnd));
    // The nested WM_SIZE finds the size right: one more call, no loop.
    EXPECT_EQ(2, CountRecordedCalls("SetWindowPos"));
    EXPECT_EQ(0, CountRecordedCalls("DefWindowProcA"));
}

TEST_F(WindowProcTest, PaintValidatesAndRequestsARedrawBetweenBeginAndEnd)
{
    Create();
    ShowWindow(hwnd, SW_SHOW); // only a visible window is painted
    spinning = 0;
    RecordingInvalidate(hwnd);
    std::map<std::string, IdleHandler> handlerAt;
    Recording().onCall = [&](const RecordedCall &call) { handlerAt[call.name] = idleHandler; };
    ClearRecordedCalls();

    EXPECT_EQ(0, Send(WM_PAINT, 0, 0));
    std::vector<std::string> expected = {"BeginPaint", "EndPaint"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(nullptr, handlerAt["BeginPaint"]);
    EXPECT_EQ(IdleRender, handlerAt["EndPaint"]);
    EXPECT_EQ(FindRecordedCall("BeginPaint")->args[1], FindRecordedCall("EndPaint")->args[1]) << "same PAINTSTRUCT";
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) << "the update region was validated";
    EXPECT_EQ(0, RecordingSwapCount()) << "the handler never draws";
}

TEST_F(WindowProcTest, AnyTimerTickEndsFrameCounting)
{
    Create();
    ClearRecordedCalls();
    EXPECT_EQ(0, Send(WM_TIMER, 1, 0));
    EXPECT_EQ(0, countingFrames);
    countingFrames = 1;
    EXPECT_EQ(0, Send(WM_TIMER, 42, 0));
    EXPECT_EQ(0, countingFrames);
    EXPECT_EQ(0, CountRecordedCalls("DefWindowProcA"));
}

// --- Keyboard commands ---------------------------------------------------

TEST_F(WindowProcTest, FAndPToggleFogAndWireframeAndRequestARedraw)
{
    Create();
    spinning = 0;
    ClearRecordedCalls();

    EXPECT_EQ(0, Send(WM_CHAR, 'f', 0));
    EXPECT_EQ(1, fogEnabled);
    EXPECT_EQ(IdleRender, idleHandler);
    idleHandler = nullptr;
    EXPECT_EQ(0, Send(WM_CHAR, 'f', 0));
    EXPECT_EQ(0, fogEnabled);
    EXPECT_EQ(IdleRender, idleHandler);

    idleHandler = nullptr;
    EXPECT_EQ(0, Send(WM_CHAR, 'p', 0));
    EXPECT_EQ(1, wireframeEnabled);
    EXPECT_EQ(IdleRender, idleHandler);
    idleHandler = nullptr;
    EXPECT_EQ(0, Send(WM_CHAR, 'p', 0));
    EXPECT_EQ(0, wireframeEnabled);
    EXPECT_EQ(IdleRender, idleHandler);

    EXPECT_EQ(0, fogEnabled);
    EXPECT_EQ(0, CountRecordedCalls("DefWindowProcA"));
    EXPECT_EQ(0, RecordingSwapCount());
}

TEST_F(WindowProcTest, UpperCaseAndOtherCharactersAreNotCommands)
{
    Create();
    const WPARAM others[] = {'F', 'P', 'q', 'e', 13, 32, 0x1B + 0x100};
    for (WPARAM ch : others) {
        SCOPED_TRACE(ch);
        ClearRecordedCalls();
        EXPECT_EQ(kDefault, Send(WM_CHAR, ch, 0x10001));
        ExpectOnlyDefaultProcessing(hwnd, WM_CHAR, ch, 0x10001);
    }
    EXPECT_EQ(0, fogEnabled);
    EXPECT_EQ(0, wireframeEnabled);
    EXPECT_EQ(nullptr, idleHandler);
    EXPECT_TRUE(RecordingWindowExists(hwnd));
}

TEST_F(WindowProcTest, EscapeDestroysTheWindowAndEndsTheProgram)
{
    Create();
    ClearRecordedCalls();
    EXPECT_EQ(0, Send(WM_CHAR, 27, 0));
    ASSERT_EQ("DestroyWindow", RecordedCalls().at(0).name);
    EXPECT_EQ((std::intptr_t)hwnd, RecordedCalls()[0].args[0]);
    EXPECT_FALSE(RecordingWindowExists(hwnd));
    EXPECT_EQ(1, CountRecordedCalls("PostQuitMessage"));
    EXPECT_EQ(0, CountRecordedCalls("DefWindowProcA"));
}

// --- Mouse ---------------------------------------------------------------

TEST_F(WindowProcTest, PressCapturesTheMouseAndStartsADrag)
{
    Create();
    ClearRecordedCalls();
    EXPECT_EQ(0, Send(WM_LBUTTONDOWN, 1, MAKELPARAM(120, 45)));
    std::vector<std::string> expected = {"SetCapture"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(hwnd, RecordingCapture());
    EXPECT_EQ(1, dragging);
    EXPECT_EQ(0, spinning);
    EXPECT_EQ(120, pressX);
    EXPECT_EQ(45, pressY);
}

TEST_F(WindowProcTest, PositionsLeftOfOrAboveTheWindowArriveNegative)
{
    Create();
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(-3, -20));
    EXPECT_EQ(-3, pressX);
    EXPECT_EQ(-20, pressY);
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(32767, -32768));
    EXPECT_EQ(32767, pressX);
    EXPECT_EQ(-32768, pressY);
}

TEST_F(WindowProcTest, MovementDragsAndThenGetsDefaultProcessing)
{
    Create();
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(150, 150));
    float before[3] = {lastSpherePoint[0], lastSpherePoint[1], lastSpherePoint[2]};
    float atDefault = 0.0f;
    Recording().onCall = [&](const RecordedCall &call) {
        if (call.name == "DefWindowProcA")
            atDefault = lastSpherePoint[0];
    };
    ClearRecordedCalls();

    LPARAM to = MAKELPARAM(200, 150);
    EXPECT_EQ(kDefault, Send(WM_MOUSEMOVE, 1, to));
    ExpectOnlyDefaultProcessing(hwnd, WM_MOUSEMOVE, 1, to);
    EXPECT_NE(before[0], lastSpherePoint[0]) << "the drag moved on the ball";
    EXPECT_EQ(lastSpherePoint[0], atDefault) << "the drag comes before default processing";
    EXPECT_GT(incrementAngle, 0.0f);
    EXPECT_EQ(IdleRender, idleHandler);
}

// The drag is the program's own flag, not the button state the message
// carries: a move whose wParam has no button still turns the model.
TEST_F(WindowProcTest, MovementWithoutAButtonDuringADragStillTurnsTheModel)
{
    Create();
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(150, 150));
    float before = lastSpherePoint[0];
    Send(WM_MOUSEMOVE, 0, MAKELPARAM(200, 150));
    EXPECT_NE(before, lastSpherePoint[0]);
    EXPECT_GT(incrementAngle, 0.0f);
}

TEST_F(WindowProcTest, MovementWithoutAButtonReachesTheTrackballWhichIgnoresIt)
{
    Create();
    spinning = 0;
    ClearRecordedCalls();
    EXPECT_EQ(kDefault, Send(WM_MOUSEMOVE, 0, MAKELPARAM(10, 10)));
    ExpectOnlyDefaultProcessing(hwnd, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    EXPECT_EQ(0.0f, lastSpherePoint[0]);
    EXPECT_EQ(nullptr, idleHandler);
}

TEST_F(WindowProcTest, ReleaseAwayFromThePressLeavesTheModelSpinning)
{
    Create();
    frameCount = 50;
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(150, 150));
    Send(WM_MOUSEMOVE, 1, MAKELPARAM(170, 140));
    ClearRecordedCalls();
    EXPECT_EQ(0, Send(WM_LBUTTONUP, 0, MAKELPARAM(170, 140)));
    std::vector<std::string> expected = {"ReleaseCapture"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(nullptr, RecordingCapture());
    EXPECT_EQ(0, dragging);
    EXPECT_EQ(1, spinning);
}

TEST_F(WindowProcTest, ReleaseAtThePressPointStopsTheModel)
{
    Create();
    frameCount = 50;
    Send(WM_LBUTTONDOWN, 1, MAKELPARAM(150, 150));
    Send(WM_MOUSEMOVE, 1, MAKELPARAM(170, 140));
    EXPECT_EQ(0, Send(WM_LBUTTONUP, 0, MAKELPARAM(150, 150)));
    EXPECT_EQ(0, dragging);
    EXPECT_EQ(0, spinning);
    EXPECT_EQ(0, applyIncrement);
    EXPECT_EQ(0.0f, incrementAngle);
}

// --- Palette messages ------------------------------------------------------

TEST_F(WindowProcTest, NewPaletteQueryRealizesThePaletteAndAnswersOne)
{
    Create(RecordingPaletteFormat());
    spinning = 0;
    ClearRecordedCalls();
    EXPECT_EQ(1, Send(WM_QUERYNEWPALETTE, 0, 0));
    std::vector<std::string> expected = {"UnrealizeObject", "SelectPalette", "RealizePalette"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ((std::intptr_t)displayPalette, RecordedCalls()[0].args[0]);
    std::vector<std::intptr_t> select = {(std::intptr_t)dc, (std::intptr_t)displayPalette, FALSE};
    EXPECT_EQ(select, RecordedCalls()[1].args);
    EXPECT_EQ((std::intptr_t)dc, RecordedCalls()[2].args[0]);
    EXPECT_EQ(IdleRender, idleHandler);
}

TEST_F(WindowProcTest, PaletteChangedByAnotherWindowRealizesAgain)
{
    Create(RecordingPaletteFormat());
    spinning = 0;
    ClearRecordedCalls();
    EXPECT_EQ(0, Send(WM_PALETTECHANGED, (WPARAM)0x9999, 0));
    std::vector<std::string> expected = {"UnrealizeObject", "SelectPalette", "RealizePalette"};
    EXPECT_EQ(expected, RecordedCallNames());
    EXPECT_EQ(IdleRender, idleHandler);
}

TEST_F(WindowProcTest, PaletteChangedByTheWindowItselfGetsDefaultProcessing)
{
    Create(RecordingPaletteFormat());
    spinning = 0;
    ClearRecordedCalls();
    EXPECT_EQ(kDefault, Send(WM_PALETTECHANGED, (WPARAM)hwnd, 0));
    ExpectOnlyDefaultProcessing(hwnd, WM_PALETTECHANGED, (WPARAM)hwnd, 0);
    EXPECT_EQ(nullptr, idleHandler);
}

} // namespace
