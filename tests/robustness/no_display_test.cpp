// The real program where it cannot run: with no display at all, with a
// display that does not exist, and on a display without OpenGL. Each time
// it must end by itself with exit code 1 and say why on stderr, rather than
// crash or hang.
#include <gtest/gtest.h>

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <sys/stat.h>

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

// Runs the program and expects it to end by itself within the time, with
// code 1 and stderr containing what.
void ExpectCleanFailure(const std::string &name, const std::string &what)
{
    std::string log = ArtifactDir() + "/" + name + ".log";
    std::remove(log.c_str());
    pid_t pid = Spawn({DUCKVIEW_LINUX_BINARY}, {}, log);
    int code = -1;
    bool ended = WaitExit(pid, 20, &code);
    if (!ended)
        Kill(pid);
    std::string err = ReadFile(log);
    ASSERT_TRUE(ended) << "still running after 20 s; output:\n" << err;
    EXPECT_EQ(1, code) << err;
    EXPECT_NE(std::string::npos, err.find(what)) << "stderr was:\n" << err;
}

TEST(NoDisplay, WithoutAnyDisplayExitsWithOneAndSaysSo)
{
    ScopedEnv display("DISPLAY", nullptr), wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    ExpectCleanFailure("no-display", "cannot open a display");
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
    ExpectCleanFailure("missing-display", "cannot open a display");
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

// Runs the program on the current display where it gets no OpenGL: after
// the start-up notice, the pixel-format failure box, and once that is
// dismissed exit code 1, never a crash or a window left hanging.
void ExpectNoOpenGlFailure(const std::string &name)
{
    std::string log = ArtifactDir() + "/" + name + ".log";
    std::remove(log.c_str());
    pid_t pid = Spawn({DUCKVIEW_LINUX_BINARY}, {}, log);
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
    EXPECT_NE(std::string::npos, err.find("OpenGL")) << "stderr was:\n" << err;
    // It got as far as the window: past the notice, into the failure.
    EXPECT_TRUE(noticeSeen);
    EXPECT_TRUE(errorSeen) << "no error box (it needs the fonts of xfonts-base); stderr was:\n" << err;
}

// A virtual X display of its own for each case, set up with options that
// take OpenGL away.
class NoOpenGl : public ::testing::Test {
protected:
    void TearDown() override { StopXvfb(); }
};

TEST_F(NoOpenGl, OnADisplayWithoutGlxExitsWithOneAndSaysSo)
{
    std::string why;
    ASSERT_TRUE(StartXvfb(1024, 768, &why, {"-extension", "GLX"})) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr);
    // The server really lacks GLX.
    std::string extensions = Shell("xdpyinfo 2>/dev/null");
    ASSERT_NE(std::string::npos, extensions.find("number of extensions")) << "xdpyinfo did not reach the server";
    ASSERT_EQ(std::string::npos, extensions.find("GLX"));
    ExpectNoOpenGlFailure("no-glx");
}

TEST_F(NoOpenGl, WithoutAnOpenGlLibraryExitsWithOneAndSaysSo)
{
    std::string why;
    ASSERT_TRUE(StartXvfb(1024, 768, &why)) << why;
    ScopedEnv wayland("WAYLAND_DISPLAY", nullptr), driver("SDL_VIDEODRIVER", nullptr),
        library("SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1");
    ExpectNoOpenGlFailure("no-gl-library");
}

} // namespace
