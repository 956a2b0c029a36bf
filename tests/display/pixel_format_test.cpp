// The pixel-format request and the two fatal failures.
#include <cstring>

#include <gtest/gtest.h>

#include "display/pixel_format.h"
#include "recording.h"
#include "state/viewer_state.h"

namespace {

class PixelFormatTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        ResetViewerState();
        ResetRecording();
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.lpszClassName = "plain";
        RegisterClassA(&wc);
        hwnd = CreateWindowExA(0, "plain", "", 0, 0, 0, 100, 100, NULL, NULL, NULL, NULL);
        dc = RecordingDeviceContextOf(hwnd);
        ClearRecordedCalls();
    }
    void TearDown() override { ResetRecording(); }

    HWND hwnd = nullptr;
    HDC dc = nullptr;
};

PIXELFORMATDESCRIPTOR ExpectedRequest(DWORD flags, BYTE depthBits)
{
    PIXELFORMATDESCRIPTOR pfd;
    std::memset(&pfd, 0, sizeof pfd);
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = flags;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 8;
    pfd.cDepthBits = depthBits;
    return pfd;
}

TEST_F(PixelFormatTest, RequestsDoubleBufferedRgbaWithDepthAndSetsTheChosenIndex)
{
    Recording().choosePixelFormatResult = 13;
    ConfigurePixelFormat(dc);

    PIXELFORMATDESCRIPTOR expected =
        ExpectedRequest(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER, 16);
    EXPECT_EQ(0, std::memcmp(&expected, &RecordingChosenRequest(), sizeof expected))
        << "every field not named in the request must be zero";

    ASSERT_EQ(2u, RecordedCalls().size()) << RecordedLogText();
    const RecordedCall &choose = RecordedCalls()[0];
    const RecordedCall &set = RecordedCalls()[1];
    EXPECT_EQ("ChoosePixelFormat", choose.name);
    EXPECT_EQ((std::intptr_t)dc, choose.args[0]);
    EXPECT_EQ("SetPixelFormat", set.name);
    EXPECT_EQ((std::intptr_t)dc, set.args[0]);
    EXPECT_EQ(13, set.args[1]);
    EXPECT_EQ(choose.args[1], set.args[2]) << "the same request goes to both calls";
    EXPECT_EQ(13, RecordingCurrentPixelFormat());
}

TEST_F(PixelFormatTest, RequestFollowsTheBufferSettings)
{
    doubleBuffered = 0;
    depthBuffered = 0;
    ConfigurePixelFormat(dc);
    PIXELFORMATDESCRIPTOR expected = ExpectedRequest(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL, 0);
    EXPECT_EQ(0, std::memcmp(&expected, &RecordingChosenRequest(), sizeof expected));

    doubleBuffered = 1;
    depthBuffered = 0;
    ConfigurePixelFormat(dc);
    EXPECT_EQ((DWORD)(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER), RecordingChosenRequest().dwFlags);
    EXPECT_EQ(0, RecordingChosenRequest().cDepthBits);

    doubleBuffered = 0;
    depthBuffered = 1;
    ConfigurePixelFormat(dc);
    EXPECT_EQ((DWORD)(PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL), RecordingChosenRequest().dwFlags);
    EXPECT_EQ(16, RecordingChosenRequest().cDepthBits);
}

// The child prints every Win32 call, so the expected output shows the
// order too: the box comes straight after the failing call, owned by the
// window whose device context it is, with one OK button and the error icon
// (MB_OK | MB_ICONERROR = 0x10), and nothing runs after it.
TEST_F(PixelFormatTest, NoMatchingFormatShowsTheErrorAndExitsWithOne)
{
    Recording().choosePixelFormatResult = 0;
    Recording().echoCalls = 1;
    // The patterns keep to what GoogleTest's regular expressions take on
    // Windows as well: no bracket expressions, "." never a line feed.
    EXPECT_EXIT(ConfigurePixelFormat(dc), ::testing::ExitedWithCode(1),
                "^ChoosePixelFormat\\(0x2001, \\w+\\)\nWindowFromDC\\(0x2001\\)\n"
                "MessageBoxA\\(0x1001, 16, \"ChoosePixelFormat failed\n\", \"Error\"\\)\n"
                "MessageBoxA\\(0x1001, 0x10\\) \\[Error\\] <ChoosePixelFormat failed\n>\n$");
}

TEST_F(PixelFormatTest, FormatThatCannotBeSetShowsTheErrorAndExitsWithOne)
{
    Recording().setPixelFormatResult = FALSE;
    Recording().echoCalls = 1;
    EXPECT_EXIT(ConfigurePixelFormat(dc), ::testing::ExitedWithCode(1),
                "^ChoosePixelFormat\\(0x2001, \\w+\\)\nSetPixelFormat\\(0x2001, 7, \\w+\\)\nWindowFromDC\\(0x2001\\)\n"
                "MessageBoxA\\(0x1001, 16, \"SetPixelFormat failed\", \"Error\"\\)\n"
                "MessageBoxA\\(0x1001, 0x10\\) \\[Error\\] <SetPixelFormat failed>\n$");
}

TEST_F(PixelFormatTest, OnlyTheValueOneCountsAsSuccessfullySet)
{
    Recording().setPixelFormatResult = 2;
    EXPECT_EXIT(ConfigurePixelFormat(dc), ::testing::ExitedWithCode(1), "<SetPixelFormat failed>");
    Recording().setPixelFormatResult = -1;
    EXPECT_EXIT(ConfigurePixelFormat(dc), ::testing::ExitedWithCode(1), "<SetPixelFormat failed>");
}

} // namespace
