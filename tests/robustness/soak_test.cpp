// The real program spinning for a long time in a virtual X display: frames
// keep coming, its resident memory does not keep growing after a warm-up,
// and at the end it still answers "f" and Escape.
//
// DV_SOAK_SECONDS sets the length (default 150 s; 600 for the full run by
// hand). Memory is sampled from /proc/<pid>/status every 5 s; the samples
// after the warm-up (a fifth of the run, at least 30 s and at most 60 s)
// must show no leak (see LeakIn).
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <vector>

#include "desktop.h"

namespace {

const double kSampleSeconds = 5.0;

// Resident memory is not still in a healthy viewer: the GL driver maps and
// unmaps a block of about 1 MiB now and then, so that samples swing between
// two levels 1028 KiB apart for minutes on end, and may sit on either level
// for half a minute. The lowest sample of a stretch, its floor, ignores such
// swings and rises with a leak. The samples are cut into kStretches
// stretches; it is a leak when the floor rises from every stretch to the
// next by more than page-level jitter (a steady trend, however slow), or
// when the last floor is more than one and a half driver blocks above the
// first.
const int kStretches = 4;
const long kSteadyStepKiB = 32;
const long kMostGrowthKiB = 1536;

// Says what leak the samples show, or "" when they show none.
std::string LeakIn(const std::vector<long> &samples)
{
    if (samples.size() < 2 * kStretches)
        return "too few samples to tell: " + std::to_string(samples.size());
    std::vector<long> floors;
    for (int i = 0; i < kStretches; i++)
        floors.push_back(*std::min_element(samples.begin() + i * samples.size() / kStretches,
                                           samples.begin() + (i + 1) * samples.size() / kStretches));
    std::string shown;
    bool steady = true;
    for (int i = 0; i < kStretches; i++) {
        shown += (i ? ", " : "") + std::to_string(floors[i]);
        if (i > 0 && floors[i] - floors[i - 1] <= kSteadyStepKiB)
            steady = false;
    }
    long growth = floors.back() - floors.front();
    if (steady)
        return "the floor rose steadily by " + std::to_string(growth) + " KiB (floors " + shown + " KiB)";
    if (growth > kMostGrowthKiB)
        return "the floor rose by " + std::to_string(growth) + " KiB (floors " + shown + " KiB)";
    return "";
}

TEST(MemoryTrend, DriverSwingsAreNoLeak)
{
    // Samples of a healthy run: two levels in turn, long runs on each.
    std::vector<long> swinging;
    for (int i = 0; i < 25; i++)
        swinging.push_back((i % 7 < 4 || i > 22) ? 98956 : 97928);
    EXPECT_EQ("", LeakIn(swinging));
    // The high level for the whole last stretch, or once more after a late
    // block that stays.
    std::vector<long> late(24, 95092);
    std::fill(late.begin() + 18, late.end(), 96120);
    EXPECT_EQ("", LeakIn(late));
    std::fill(late.begin() + 10, late.end(), 96120);
    EXPECT_EQ("", LeakIn(late));
}

TEST(MemoryTrend, GrowthIsALeakEvenUnderSwings)
{
    // 2 KiB/s (10 KiB a sample) under the driver's swings, 40 KiB/s, and
    // 2.4 MiB more in the second half than in the first.
    std::vector<long> slow, fast, jump;
    for (int i = 0; i < 24; i++) {
        slow.push_back(95092 + 10 * i + (i % 3 == 0 ? 0 : 1028));
        fast.push_back(95092 + 200 * i);
        jump.push_back(i < 12 ? 95092 : 97500);
    }
    EXPECT_NE("", LeakIn(slow));
    EXPECT_NE("", LeakIn(fast));
    EXPECT_NE("", LeakIn(jump));
}

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

class Soak : public ::testing::Test {
protected:
    pid_t pid = -1;
    std::string window;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(StartDisplay("", "bare", &why)) << why;
    }
    void TearDown() override
    {
        if (pid > 0)
            Kill(pid);
        StopDisplay();
    }
};

TEST_F(Soak, KeepsRenderingWithSteadyMemoryAndStillAnswersKeys)
{
    const char *env = std::getenv("DV_SOAK_SECONDS");
    const double seconds = env && *env ? std::atof(env) : 150.0;
    const double warmUp = std::min(60.0, std::max(30.0, seconds / 5));
    ASSERT_GT(seconds, warmUp) << "DV_SOAK_SECONDS must be longer than the warm-up";
    std::printf("soak: %.0f s, warm-up %.0f s\n", seconds, warmUp);

    const std::string log = ArtifactDir() + "/soak.log";
    std::remove(log.c_str());
    std::string why;
    ASSERT_TRUE(LaunchViewer({DUCKVIEW_LINUX_BINARY}, {}, log, 30, &pid, &window, &why)) << why;

    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    Image previous = Screenshot(window);
    ASSERT_FALSE(previous.Empty());
    std::vector<long> resident;
    int samples = 0, unchanged = 0;
    std::string table;
    for (double next = kSampleSeconds; next <= seconds; next += kSampleSeconds) {
        Sleep(std::max(0.0, next - elapsed()));
        int code = 0;
        ASSERT_FALSE(WaitExit(pid, 0, &code)) << "the program ended at " << elapsed() << " s with " << code;
        long rss = ResidentKiB(pid);
        double cpu = CpuSeconds(pid);
        Image now = Screenshot(window);
        ASSERT_FALSE(now.Empty()) << "no screenshot at " << elapsed() << " s";
        bool changed = now.rgb != previous.rgb;
        unchanged += !changed;
        previous = now;
        samples++;
        char row[128];
        std::snprintf(row, sizeof row, "%6.0f s  VmRSS %7ld KiB  cpu %7.1f s  picture %s\n", elapsed(), rss, cpu,
                      changed ? "changed" : "SAME");
        table += row;
        std::fputs(row, stdout);
        std::fflush(stdout);
        ASSERT_GT(rss, 0);
        // Frames keep coming: the picture moves between any two samples.
        EXPECT_TRUE(changed) << "the picture did not change in the 5 s before " << elapsed() << " s";
        if (elapsed() >= warmUp)
            resident.push_back(rss);
    }
    std::string leak = LeakIn(resident);
    EXPECT_EQ("", leak) << "resident memory after the warm-up: " << leak << ":\n" << table;
    EXPECT_EQ(0, unchanged);

    // Still answering: fog turns the background reddish, Escape ends it.
    ASSERT_TRUE(IsPlainBackground(previous.At(2, 2)));
    Key(window, "f");
    EXPECT_TRUE(WaitFor(10, [&] {
        Image img = Screenshot(window);
        return !img.Empty() && IsFogBackground(img.At(2, 2));
    })) << "\"f\" did not turn the fog on";
    Key(window, "Escape");
    int code = -1;
    ASSERT_TRUE(WaitExit(pid, 30, &code)) << "Escape did not end the program";
    pid = -1;
    EXPECT_EQ(0, code);
}

} // namespace
