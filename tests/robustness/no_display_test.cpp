// The real program where it cannot run: with no display at all, with a
// display that does not exist, on a display without OpenGL, where no window
// can be made, and when the display goes away under it. Each time it must
// end by itself with exit code 1 and say why, rather than crash or hang.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "desktop.h"

namespace {

std::string ReadFile(const std::string &path)
{
    std::ifstream f(path);
    std::stringstream text;
    text << f.rdbuf();
    return text.str();
}

// Environment of this process for the program, restored afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char *name, const char *value) : name_(name)
    {
        const char *old = std::getenv(name);
        had_ = old != nullptr;
        if (had_)
            old_ = old;
        if (value)
            setenv(name, value, 1);
        else
            unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (had_)
            setenv(name_.c_str(), old_.c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

private:
    std::string name_, old_;
    bool had_ = false;
};

// Expects the started program to end by itself within 20 s, with code 1
// and stderr (in log) containing what.
void ExpectEndWithOne(pid_t pid, const std::string &log, const std::string &what)
{
    int code = -1;
    bool ended = WaitExit(pid, 20, &code);
    if (!ended)
        Kill(pid);
    std::string err = ReadFile(log);
    ASSERT_TRUE(ended) << "still running after 20 s; output:\n" << err;
    EXPECT_EQ(1, code) << err;
    EXPECT_NE(std::string::npos, err.find(what)) << "stderr was:\n" << err;
}

// Runs the program and expects it to end by itself so, with a line on
// stderr that begins with line (the program's name, not the path it was
// started by, first).
void ExpectCleanFailure(const std::string &name, const std::string &line)
{
    std::string log = ArtifactDir() + "/" + name + ".log";
    std::remove(log.c_str());
    ExpectEndWithOne(Spawn({DUCKVIEW_LINUX_BINARY}, {}, log), log, line);
    std::string err = ReadFile(log);
    EXPECT_NE(std::string::npos, ("\n" + err).find("\n" + line)) << "no line begins so; stderr was:\n" << err;
}

TEST(NoDisplay, WithoutAnyDisplayExitsWithOneAndSaysSo)
{
    ScopedEnv display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    ExpectCleanFailure("no-display", "duckview: cannot open a display");
}

TEST(NoDisplay, WithADisplayThatDoesNotExistExitsWithOneAndSaysSo)
{
    // A display number nothing listens on.
    int n = 4000;
    struct stat st;
    while (stat(("/tmp/.X11-unix/X" + std::to_string(n)).c_str(), &st) == 0)
        n++;
    std::string name = ":" + std::to_string(n);
    ScopedEnv display("DISPLAY", name.c_str()), wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    ExpectCleanFailure("missing-display", "duckview: cannot open a display");
}

// Dismisses the window with that title if it is there; true if it was.
bool Dismiss(const std::string &title)
{
    std::string id = FindWindow(title);
    if (id.empty())
        return false;
    Key(id, "Return");
    return true;
}

// Runs the program on the current display where it fails after the
// start-up notice: the error box, and once that is dismissed exit code 1
// with what on stderr, never a crash or a window left hanging.
void ExpectErrorBoxAndExit(const std::string &name, const std::vector<std::string> &env, const std::string &what)
{
    std::string log = ArtifactDir() + "/" + name + ".log";
    std::remove(log.c_str());
    pid_t pid = Spawn({DUCKVIEW_LINUX_BINARY}, env, log);
    int code = -1;
    bool ended = false, noticeSeen = false, errorSeen = false;
    ended = WaitFor(60, [&] {
        if (WaitExit(pid, 0, &code))
            return true;
        noticeSeen = Dismiss(DUCKVIEW_NOTICE_CAPTION) || noticeSeen;
        errorSeen = Dismiss("Error") || errorSeen;
        return false;
    });
    if (!ended)
        Kill(pid);
    std::string err = ReadFile(log);
    ASSERT_TRUE(ended) << "still running after 60 s (notice seen: " << noticeSeen << ", error box seen: " << errorSeen
                       << "); output:\n"
                       << err;
    EXPECT_EQ(1, code) << err;
    EXPECT_NE(std::string::npos, err.find(what)) << "stderr was:\n" << err;
    // It got past the notice, into the failure.
    EXPECT_TRUE(noticeSeen);
    EXPECT_TRUE(errorSeen) << "no error box (it needs the fonts of xfonts-base); stderr was:\n" << err;
}

// A virtual X display of its own for each case.
class OwnDisplay : public ::testing::Test {
protected:
    void TearDown() override { StopDisplay(); }
};

// The display is set up with options that take OpenGL away.
using NoOpenGl = OwnDisplay;

TEST_F(NoOpenGl, OnADisplayWithoutGlxExitsWithOneAndSaysSo)
{
    std::string why;
    ASSERT_TRUE(StartDisplay("", "bare", &why, {"-extension", "GLX"})) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    // The server really lacks GLX.
    std::string extensions = Shell("xdpyinfo 2>/dev/null");
    ASSERT_NE(std::string::npos, extensions.find("number of extensions")) << "xdpyinfo did not reach the server";
    ASSERT_EQ(std::string::npos, extensions.find("GLX"));
    ExpectErrorBoxAndExit("no-glx", {}, "OpenGL");
}

TEST_F(NoOpenGl, WithoutAnOpenGlLibraryExitsWithOneAndSaysSo)
{
    std::string why;
    ASSERT_TRUE(StartDisplay("", "bare", &why)) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr),
        library("SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1");
    ExpectErrorBoxAndExit("no-gl-library", {}, "OpenGL");
}

// The test-only shim makes SDL refuse every window, so CreateWindowExA
// fails: the error box says so, and the program ends.
TEST_F(OwnDisplay, AWindowThatCannotBeMadeShowsTheErrorBoxAndExitsWithOne)
{
    std::string why;
    ASSERT_TRUE(StartDisplay("", "bare", &why)) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    ExpectErrorBoxAndExit("no-window", {"LD_PRELOAD=" DV_NO_WINDOW_SHIM}, "cannot create a window");
}

// The X server goes away while the program runs: it ends by itself with
// exit code 1 and a message naming the display.
TEST_F(OwnDisplay, LosingTheXServerMidRunExitsWithOneAndSaysSo)
{
    std::string why;
    ASSERT_TRUE(StartDisplay("", "bare", &why)) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    std::string display = std::getenv("DISPLAY");
    std::string log = ArtifactDir() + "/lost-display.log";
    std::remove(log.c_str());
    pid_t pid = -1;
    std::string window;
    bool up = LaunchViewer({DUCKVIEW_LINUX_BINARY}, {}, log, 60, &pid, &window, &why);
    if (!up)
        Kill(pid);
    ASSERT_TRUE(up) << why;
    Sleep(0.5); // spinning, frame after frame
    StopDisplay();
    ExpectEndWithOne(pid, log, display);
}

} // namespace
