// The real program in a real X window, driven as a person would: the Linux
// build natively, and the 32-bit Windows build under Wine. Every wait is for
// a state to show on screen, never for a frame rate.
#include <gtest/gtest.h>

#include <cmath>
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
};

void PrintTo(const Target &target, std::ostream *os)
{
    *os << target.name;
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

class Viewer : public ::testing::TestWithParam<Target> {
protected:
    pid_t pid = -1;
    std::string window;
    std::string log;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(StartXvfb(1024, 768, &why)) << why;
    }

    void TearDown() override
    {
        if (HasFailure() && !window.empty()) {
            Image last = Screenshot(window);
            if (!last.Empty())
                SavePng(last, ArtifactDir() + "/" + GetParam().name + "-failure.png");
        }
        if (pid > 0)
            Kill(pid);
        // Wine keeps a server and helper processes per prefix; end them all.
        if (GetParam().name == "wine")
            Shell("WINEPREFIX=" DUCKVIEW_WINEPREFIX " timeout 30 wineserver -k 2>/dev/null");
        StopXvfb();
    }

    // Brings the program up past its notice and waits for the first frame.
    void Launch()
    {
        const Target &t = GetParam();
        log = ArtifactDir() + "/" + t.name + ".log";
        std::string why;
        ASSERT_TRUE(LaunchViewer(t.argv, t.env, log, t.patience, &pid, &window, &why)) << why;
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

    // The window is square, 30 per cent of the 768-pixel screen outside.
    // With no window manager the client area is the whole window; under
    // Wine the X window is the client area inside Wine's own frame, so it
    // is smaller by the frame, and shorter still by the caption.
    Geometry g = WindowGeometry(window);
    if (GetParam().framed) {
        EXPECT_LT(g.width, 230);
        EXPECT_GT(g.width, 200);
        EXPECT_LT(g.height, g.width);
        EXPECT_GT(g.height, 180);
    } else {
        EXPECT_EQ(230, g.width);
        EXPECT_EQ(230, g.height);
    }

    Image first = Shot();
    SavePng(first, ArtifactDir() + "/" + GetParam().name + "-start.png");
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
    SavePng(fogged, ArtifactDir() + "/" + GetParam().name + "-fog.png");
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
    SavePng(Shot(), ArtifactDir() + "/" + GetParam().name + "-wireframe.png");
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

std::vector<Target> Targets()
{
    std::vector<Target> targets;
    targets.push_back({"linux", {DUCKVIEW_LINUX_BINARY}, {}, 30, false});
    targets.push_back({"wine",
                       {"wine", DUCKVIEW_WIN32_EXE},
                       {"WINEPREFIX=" DUCKVIEW_WINEPREFIX, "WINEDEBUG=-all", "WINEDLLOVERRIDES=mscoree,mshtml="},
                       120, true});
    return targets;
}

INSTANTIATE_TEST_SUITE_P(Desktop, Viewer, ::testing::ValuesIn(Targets()),
                         [](const ::testing::TestParamInfo<Target> &info) { return info.param.name; });

} // namespace
