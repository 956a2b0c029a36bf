// What the stand-in promises beyond Win32, on each of its back ends (not on
// the system's user32, which has no such case): where no message box can be
// shown at all, the text goes to stderr.
#include <chrono>

#include "harness.h"

namespace {

using NoDisplay = WindowTest;

TEST_F(NoDisplay, MessageBoxFallsBackToStandardErrorAndReturnsOk)
{
    if (!BoxesCannotBeShown())
        GTEST_SKIP() << "this run can show boxes";
    testing::internal::CaptureStderr();
    auto start = std::chrono::steady_clock::now();
    int result = MessageBoxA(nullptr, "the text", "The caption", MB_OK | MB_ICONERROR);
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::string err = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, IDOK);
    EXPECT_LT(seconds, 10);
    EXPECT_NE(err.find("The caption: the text"), std::string::npos) << err;
}

} // namespace
