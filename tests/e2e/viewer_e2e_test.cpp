// The real program in a real X window, driven as a person would: the Linux
// build natively, and the 32- and 64-bit Windows builds under Wine, each on
// three screen sizes; the Linux build also under two window managers and on
// a Wayland desktop (through XWayland). Every wait is for a state to show on
// screen, never for a frame rate.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "desktop.h"

namespace {

struct Target {
    std::string name;
    std::vector<std::string> argv;
    std::vector<std::string> env;
    double patience; // seconds to wait for the program to come up
    bool framed;     // the X window is the client area inside a drawn frame
    // Reads the outer size of the viewer's window as Windows reports it,
    // "width height"; empty where the X window is the whole window.
    std::string windowRect;
    bool i386; // a 32-bit Linux process: through qemu where the kernel cannot run it
    int screenWidth, screenHeight;
    std::string Label() const { return name + "_" + std::to_string(screenWidth) + "x" + std::to_string(screenHeight); }
    // The desktop on the X server: "bare", or another that StartDisplay
    // knows.
    std::string desktop = "bare";
};

void PrintTo(const Target &target, std::ostream *os)
{
    *os << target.Label();
}

// Whether 32-bit x86 programs run here only through qemu (scripts/lib.sh
// registers it where the kernel cannot run them). A 32-bit Wine process
// then takes minutes to start, and the 32-bit program's runs are cut down
// to the first one, with the check of its window's size.
bool I386ThroughEmulator()
{
    std::FILE *f = std::fopen("/proc/sys/fs/binfmt_misc/qemu-i386", "r");
    if (!f)
        return false;
    char state[16] = "";
    bool enabled = std::fscanf(f, "%15s", state) == 1 && std::string(state) == "enabled";
    std::fclose(f);
    return enabled;
}

// The counter's yellow-green strokes, fogged or not.
bool IsCounter(const unsigned char *p)
{
    return p[0] > 140 && p[1] > 165 && p[2] < 100;
}

struct Census {
    int background = 0, fogBackground = 0, counter = 0, other = 0;
};

// Counts the kinds of pixel in a rectangle given as fractions of the image.
Census Count(const Image &img, double x0, double y0, double x1, double y1)
{
    Census c;
    for (int y = (int)(y0 * img.height); y < (int)(y1 * img.height); y++)
        for (int x = (int)(x0 * img.width); x < (int)(x1 * img.width); x++) {
            const unsigned char *p = img.At(x, y);
            if (IsPlainBackground(p))
                c.background++;
            else if (IsFogBackground(p))
                c.fogBackground++;
            else if (IsCounter(p))
                c.counter++;
            else
                c.other++;
        }
    return c;
}

// The model: everything in the picture that is neither background nor counter.
int ModelPixels(const Image &img)
{
    return Count(img, 0, 0, 1, 1).other;
}

bool SameImage(const Image &a, const Image &b)
{
    return a.width == b.width && a.height == b.height && a.rgb == b.rgb;
}

// What keeps the picture from being whole, "" when nothing does: the client
// area is the 230-pixel square of the 768-pixel screen, its four corners
// show the background (plain or fogged), and the counter is all there near
// the top, with background above it.
std::string Flaws(const Image &img)
{
    if (img.width != 230 || img.height != 230)
        return "the client area is " + std::to_string(img.width) + "x" + std::to_string(img.height);
    for (auto corner : {std::make_pair(1, 1), std::make_pair(228, 1), std::make_pair(1, 228), std::make_pair(228, 228)}) {
        const unsigned char *p = img.At(corner.first, corner.second);
        if (!IsPlainBackground(p) && !IsFogBackground(p))
            return "no background at the corner " + std::to_string(corner.first) + "," + std::to_string(corner.second);
    }
    if (Count(img, 0.58, 0.07, 0.79, 0.17).counter <= 20)
        return "the counter is missing";
    if (Count(img, 0, 0, 1, 0.06).counter > 0)
        return "counter strokes at the top edge";
    return "";
}

class Viewer : public ::testing::TestWithParam<Target> {
protected:
    pid_t pid = -1;
    std::string window;
    std::string log;

    void SetUp() override
    {
        const Target &t = GetParam();
        const std::string test = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        if (t.i386 && I386ThroughEmulator() && test.rfind("StartsWithNoticeThenShowsTheTurningDuck/", 0) != 0)
            GTEST_SKIP() << "32-bit programs run here only through qemu: the 32-bit program only starts";
        std::string why;
        ASSERT_TRUE(StartDisplay(std::to_string(t.screenWidth) + "x" + std::to_string(t.screenHeight), t.desktop, &why))
            << why;
    }

    void TearDown() override
    {
        if (HasFailure() && !window.empty()) {
            Image last = Screenshot(window);
            if (!last.Empty())
                SavePng(last, ArtifactDir() + "/" + GetParam().Label() + "-failure.png");
        }
        if (pid > 0)
            Kill(pid);
        // Wine keeps a server and helper processes per prefix; end them all.
        if (GetParam().framed)
            Shell("WINEPREFIX=" DUCKVIEW_WINEPREFIX " timeout 30 wineserver -k 2>/dev/null");
        StopDisplay();
    }

    // Brings the program up past its notice and waits for the first frame.
    // On a desktop the notice must come with the focus, and a person
    // presses Return there, unless dismiss says otherwise.
    void Launch(std::string dismiss = "", const std::function<void(const std::string &notice)> &atNotice = nullptr)
    {
        const Target &t = GetParam();
        log = ArtifactDir() + "/" + t.Label() + ".log";
        if (dismiss.empty())
            dismiss = t.desktop == "bare" ? "return" : "focused";
        std::string why;
        ASSERT_TRUE(LaunchViewer(t.argv, t.env, log, t.patience, &pid, &window, &why, dismiss, atNotice)) << why;
        ASSERT_TRUE(WaitFor(t.patience, [&] {
            Image img = Screenshot(window);
            return !img.Empty() && Count(img, 0, 0, 1, 1).background > img.width * img.height / 3;
        })) << "no frame with the blue background appeared";
    }

    Image Shot()
    {
        Image img = Screenshot(window);
        EXPECT_FALSE(img.Empty());
        return img;
    }

    bool WaitForImage(double seconds, const std::function<bool(const Image &)> &condition)
    {
        return WaitFor(seconds, [&] {
            Image img = Screenshot(window);
            return !img.Empty() && condition(img);
        });
    }

    void SaveShot(const std::string &shown, const std::string &state)
    {
        Image img = Screenshot(shown);
        EXPECT_TRUE(!img.Empty() && SavePng(img, ArtifactDir() + "/" + GetParam().Label() + "-" + state + ".png"))
            << "no screenshot of " << state;
    }

    // The picture is whole, or becomes so soon; saved as state.
    void ExpectWholePicture(const std::string &state)
    {
        std::string flaws;
        bool whole = WaitForImage(10, [&](const Image &img) {
            flaws = Flaws(img);
            return flaws.empty();
        });
        SaveShot(window, state);
        EXPECT_TRUE(whole) << state << ": " << flaws;
    }

    void QuitWithEscape()
    {
        Key(window, "Escape");
        int code = -1;
        ASSERT_TRUE(WaitExit(pid, 30, &code)) << "Escape did not end the program";
        pid = -1;
        EXPECT_EQ(0, code);
    }
};

TEST_P(Viewer, StartsWithNoticeThenShowsTheTurningDuck)
{
    ASSERT_NO_FATAL_FAILURE(Launch());

    // The window is square, 30 per cent of the screen's height outside,
    // truncated: 230 on 768 lines, 324 on 1080, 360 on 1200. With no window
    // manager the client area is the whole window; under Wine the X window
    // is the client area inside Wine's own frame, so it is smaller by the
    // frame, and shorter still by the caption, and the outer size is what
    // Windows reports.
    const Target &t = GetParam();
    const int side = t.screenHeight * 3 / 10;
    Geometry g = WindowGeometry(window);
    if (t.framed) {
        std::string rect = Shell(t.windowRect + " 2>/dev/null");
        int width = 0, height = 0;
        ASSERT_EQ(2, std::sscanf(rect.c_str(), "%d %d", &width, &height)) << "GetWindowRect: " << rect;
        EXPECT_EQ(side, width);
        EXPECT_EQ(side, height);
        EXPECT_LT(g.width, side);
        EXPECT_GT(g.width, side - 30);
        EXPECT_LT(g.height, g.width);
        EXPECT_GT(g.height, side - 50);
    } else {
        EXPECT_EQ(side, g.width);
        EXPECT_EQ(side, g.height);
    }

    Image first = Shot();
    SavePng(first, ArtifactDir() + "/" + GetParam().Label() + "-start.png");
    // Blue corners, the counter near the top right of centre, the duck.
    EXPECT_TRUE(IsPlainBackground(first.At(2, 2)));
    EXPECT_TRUE(IsPlainBackground(first.At(first.width - 3, first.height - 3)));
    Census counterBox = Count(first, 0.58, 0.07, 0.79, 0.17);
    EXPECT_GT(counterBox.counter, 20) << "the frame counter is missing";
    EXPECT_EQ(0, Count(first, 0, 0, 0.5, 1).counter) << "counter strokes in the left half";
    EXPECT_GT(ModelPixels(first), first.width * first.height / 10) << "the duck is missing";

    // It turns by itself.
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return !SameImage(img, first); }))
        << "the picture never changed";

    ASSERT_NO_FATAL_FAILURE(QuitWithEscape());
}

TEST_P(Viewer, KeysToggleFogAndWireframe)
{
    ASSERT_NO_FATAL_FAILURE(Launch());

    Key(window, "f");
    EXPECT_TRUE(WaitForImage(20, [](const Image &img) { return IsFogBackground(img.At(2, 2)); }))
        << "\"f\" did not switch to the fog background";
    Image fogged = Shot();
    SavePng(fogged, ArtifactDir() + "/" + GetParam().Label() + "-fog.png");
    EXPECT_GT(Count(fogged, 0.58, 0.07, 0.79, 0.17).counter, 20) << "the counter is missing under fog";
    Key(window, "f");
    EXPECT_TRUE(WaitForImage(20, [](const Image &img) { return IsPlainBackground(img.At(2, 2)); }))
        << "a second \"f\" did not restore the background";

    // "F" is not a command.
    Key(window, "shift+f");
    Sleep(0.5);
    EXPECT_TRUE(IsPlainBackground(Shot().At(2, 2)));

    int filled = ModelPixels(Shot());
    Key(window, "p");
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return ModelPixels(img) < filled * 0.7; }))
        << "\"p\" did not switch to wireframe";
    SavePng(Shot(), ArtifactDir() + "/" + GetParam().Label() + "-wireframe.png");
    Key(window, "p");
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return ModelPixels(img) > filled * 0.8; }))
        << "a second \"p\" did not restore the filled duck";

    ASSERT_NO_FATAL_FAILURE(QuitWithEscape());
}

TEST_P(Viewer, ClickStopsTheDuckAndADragSetsItSpinning)
{
    ASSERT_NO_FATAL_FAILURE(Launch());
    Geometry g = WindowGeometry(window);

    // A click without movement stops it; a still model costs no processor time.
    Click(window, g.width / 2, g.height / 2);
    Image still;
    EXPECT_TRUE(WaitFor(20, [&] {
        Image a = Screenshot(window);
        Sleep(0.7);
        Image b = Screenshot(window);
        still = b;
        return !a.Empty() && SameImage(a, b);
    })) << "the click did not stop the duck";
    double before = CpuSeconds(pid);
    Sleep(3.0);
    double used = CpuSeconds(pid) - before;
    EXPECT_LT(used, 0.15) << "a still duck used " << used << " s of processor time in 3 s";
    EXPECT_TRUE(SameImage(still, Shot())) << "the still duck moved";

    // A drag released away from its start leaves it spinning.
    std::vector<std::pair<int, int>> path;
    for (int i = 0; i <= 10; i++)
        path.push_back({g.width / 4 + i * g.width / 20, g.height / 2});
    Drag(window, path);
    Image afterDrag = Shot();
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return !SameImage(img, afterDrag); }))
        << "the duck did not keep spinning after the drag";

    ASSERT_NO_FATAL_FAILURE(QuitWithEscape());
}

// Under a window manager, what a person does with the window there, in one
// run: the notice and the window in frames, the window resized by the
// window manager and maximised, minimised and restored, another window
// given the focus and this one again, and the close box.
using WindowManaged = Viewer;

TEST_P(WindowManaged, PictureStaysWholeThroughWhatTheWindowManagerDoes)
{
    Frame notice;
    ASSERT_NO_FATAL_FAILURE(Launch("click", [&](const std::string &box) {
        notice = FrameOf(box);
        SaveShot(notice.window.empty() ? box : notice.window, "notice");
    }));
    EXPECT_FALSE(notice.window.empty()) << "the notice is not in a frame";
    EXPECT_GT(notice.top, 0) << "the notice has no title bar";
    Frame frame = FrameOf(window);
    ASSERT_FALSE(frame.window.empty()) << "the window is not in a frame";
    EXPECT_GT(frame.top, 0) << "the window has no title bar";
    SaveShot(frame.window, "framed");
    ExpectWholePicture("whole");

    // The window manager sizes the window anew, and maximises it: it snaps
    // back. xev logs the sizes the window passes through; it listens once
    // it has seen a property of the test's own change.
    std::string events = ArtifactDir() + "/" + GetParam().Label() + "-configure.log";
    std::remove(events.c_str());
    pid_t watcher = Spawn({"xev", "-id", window, "-event", "structure", "-event", "property"}, {}, events);
    EXPECT_TRUE(WaitFor(10, [&] {
        Shell("xprop -id " + window + " -f DV_WATCHED 8s -set DV_WATCHED yes");
        return Shell("cat " + events).find("DV_WATCHED") != std::string::npos;
    })) << "xev does not listen";
    Shell("timeout 10 xdotool windowsize " + window + " 400 300");
    EXPECT_TRUE(WaitFor(10, [&] { return Shell("cat " + events).find("width 400, height 300") != std::string::npos; }))
        << "the window manager did not resize the window";
    ExpectWholePicture("resized");
    Shell("timeout 10 wmctrl -i -r " + window + " -b add,maximized_vert,maximized_horz");
    EXPECT_TRUE(WaitFor(10, [&] { return Shell("cat " + events).find("width 1024,") != std::string::npos; }))
        << "the window manager did not maximise the window";
    ExpectWholePicture("maximised");
    Kill(watcher);

    Minimise(window);
    EXPECT_TRUE(WaitFor(10, [&] { return !IsViewable(window); })) << "the window was not minimised";
    Activate(window);
    EXPECT_TRUE(WaitFor(10, [&] { return IsViewable(window); })) << "the window did not come back";
    ExpectWholePicture("restored");
    Image restored = Shot();
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return !SameImage(img, restored); }))
        << "the duck stopped turning after the window was minimised";

    // Another program's window takes the focus, then this one again: the
    // keys and the mouse still reach it.
    pid_t other = Spawn({"xmessage", "-title", "another program", "another program"}, {},
                        ArtifactDir() + "/" + GetParam().Label() + "-xmessage.log");
    std::string otherWindow;
    EXPECT_TRUE(WaitFor(20, [&] { return !(otherWindow = FindWindow("another program")).empty(); }))
        << "the other program's window did not appear";
    Activate(otherWindow);
    EXPECT_TRUE(WaitFor(10, [&] { return FocusedWindow() != window; })) << "the other window did not take the focus";
    Activate(window);
    EXPECT_TRUE(WaitFor(10, [&] { return FocusedWindow() == window; })) << "the focus did not come back";
    Key("", "f");
    EXPECT_TRUE(WaitForImage(20, [](const Image &img) { return IsFogBackground(img.At(2, 2)); }))
        << "\"f\" did nothing after the focus came back";
    int filled = ModelPixels(Shot());
    Key("", "p");
    EXPECT_TRUE(WaitForImage(20, [&](const Image &img) { return ModelPixels(img) < filled * 0.7; }))
        << "\"p\" did nothing after the focus came back";
    SaveShot(window, "refocused");
    Geometry g = WindowGeometry(window);
    Click(window, g.width / 2, g.height / 2);
    EXPECT_TRUE(WaitFor(20, [&] {
        Image a = Screenshot(window);
        Sleep(0.7);
        return !a.Empty() && SameImage(a, Screenshot(window));
    })) << "a click did not stop the duck after the focus came back";
    Kill(other);

    // The close box ends the program as Escape does.
    CloseBox(DUCKVIEW_WINDOW_TITLE);
    int code = -1;
    ASSERT_TRUE(WaitExit(pid, 30, &code)) << "the close box did not end the program";
    pid = -1;
    EXPECT_EQ(0, code);
}

// Each program on each screen size.
std::vector<Target> Targets()
{
    const std::vector<std::string> wineEnv = {"WINEPREFIX=" DUCKVIEW_WINEPREFIX, "WINEDEBUG=-all",
                                              "WINEDLLOVERRIDES=mscoree,mshtml="};
    // A 64-bit Windows program reads the window's outer size, in the same
    // prefix and on the same display: it starts at once, also where the
    // 32-bit ones go through qemu.
    const std::string windowRect = "env WINEPREFIX=" DUCKVIEW_WINEPREFIX " WINEDEBUG=-all timeout 60 " DUCKVIEW_WINE64
                                   " " DUCKVIEW_WINDOW_RECT_EXE;
    const std::vector<Target> programs = {
        {"linux", {DUCKVIEW_LINUX_BINARY}, {}, 30, false, "", false, 0, 0},
        // Under qemu the 32-bit program shows its notice only after minutes.
        {"wine", {"wine", DUCKVIEW_WIN32_EXE}, wineEnv, I386ThroughEmulator() ? 900.0 : 120.0, true, windowRect, true, 0, 0},
        {"wine64", {DUCKVIEW_WINE64, DUCKVIEW_WIN64_EXE}, wineEnv, 120, true, windowRect, false, 0, 0},
    };
    std::vector<Target> targets;
    for (const Target &program : programs)
        for (auto [width, height] : std::vector<std::pair<int, int>>{{1024, 768}, {1920, 1080}, {1600, 1200}}) {
            Target t = program;
            t.screenWidth = width;
            t.screenHeight = height;
            targets.push_back(t);
        }
    return targets;
}

// The Linux build again on each of the desktops, on the 768-line screen.
std::vector<Target> OnDesktops(const std::vector<std::string> &desktops)
{
    std::vector<Target> copies;
    for (const Target &t : Targets())
        for (const std::string &desktop : desktops)
            if (t.name == "linux" && t.screenHeight == 768) {
                copies.push_back(t);
                copies.back().name += "_" + desktop;
                copies.back().desktop = desktop;
            }
    return copies;
}

std::vector<Target> OnEveryDesktop()
{
    std::vector<Target> targets = Targets();
    for (const Target &t : OnDesktops({"openbox", "metacity", "weston"}))
        targets.push_back(t);
    return targets;
}

std::string NameOf(const ::testing::TestParamInfo<Target> &info)
{
    return info.param.Label();
}

INSTANTIATE_TEST_SUITE_P(Desktop, Viewer, ::testing::ValuesIn(OnEveryDesktop()), NameOf);
INSTANTIATE_TEST_SUITE_P(Desktop, WindowManaged, ::testing::ValuesIn(OnDesktops({"openbox", "metacity"})), NameOf);

} // namespace
