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

std::string ArtifactDir()
{
    std::string dir = DUCKVIEW_ROBUSTNESS_ARTIFACTS;
    mkdir(dir.c_str(), 0755);
    return dir;
}

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

// A virtual X server started with extra options (here: GLX switched off),
// which picks its own display number.
class OddXServer {
public:
    explicit OddXServer(const std::vector<std::string> &extra)
    {
        log_ = ArtifactDir() + "/xvfb-" + std::to_string(getpid()) + ".log";
        std::remove(log_.c_str());
        std::vector<std::string> argv = {"Xvfb", "-displayfd", "1", "-screen", "0", "1024x768x24", "-nolisten", "tcp"};
        argv.insert(argv.end(), extra.begin(), extra.end());
        pid_ = Spawn(argv, {}, log_);
        WaitFor(10, [&] {
            std::istringstream lines(ReadFile(log_));
            std::string line;
            while (std::getline(lines, line))
                if (!line.empty() && line.find_first_not_of("0123456789") == std::string::npos)
                    display_ = ":" + line;
            return !display_.empty();
        });
    }
    ~OddXServer()
    {
        Kill(pid_);
        std::remove(log_.c_str());
    }
    const std::string &Display() const { return display_; }

private:
    pid_t pid_ = -1;
    std::string log_, display_;
};

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
// the start-up notice, the pixel-format failure box (or its text on stderr)
// and then exit code 1, never a crash or a window left hanging.
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
    std::printf("%s: error box %s\n", name.c_str(), errorSeen ? "shown and dismissed" : "not shown");
}

TEST(NoOpenGl, OnADisplayWithoutGlxExitsWithOneAndSaysSo)
{
    OddXServer server({"-extension", "GLX"});
    ASSERT_FALSE(server.Display().empty()) << "Xvfb without GLX did not start";
    ScopedEnv display("DISPLAY", server.Display().c_str()), wayland("WAYLAND_DISPLAY", nullptr),
        driver("SDL_VIDEODRIVER", nullptr);
    // The server really lacks GLX.
    std::string extensions = Shell("xdpyinfo 2>/dev/null");
    ASSERT_NE(std::string::npos, extensions.find("number of extensions")) << "xdpyinfo did not reach the server";
    ASSERT_EQ(std::string::npos, extensions.find("GLX"));
    ExpectNoOpenGlFailure("no-glx");
}

TEST(NoOpenGl, WithoutAnOpenGlLibraryExitsWithOneAndSaysSo)
{
    OddXServer server({});
    ASSERT_FALSE(server.Display().empty()) << "Xvfb did not start";
    ScopedEnv display("DISPLAY", server.Display().c_str()), wayland("WAYLAND_DISPLAY", nullptr),
        driver("SDL_VIDEODRIVER", nullptr), library("SDL_OPENGL_LIBRARY", "/nonexistent/libGL.so.1");
    ExpectNoOpenGlFailure("no-gl-library");
}

} // namespace
