// The real program spinning for a long time in a virtual X display: frames
// keep coming, its resident memory stops growing after a warm-up, and at
// the end it still answers "f" and Escape.
//
// DV_SOAK_SECONDS sets the length (default 150 s; 600 for the full run by
// hand). Memory is sampled from /proc/<pid>/status every 5 s; after the
// warm-up (a fifth of the run, at least 30 s and at most 60 s) no sample
// may exceed the first post-warm-up sample by more than kRssNoiseKiB.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>
#include <sys/stat.h>
#include <vector>

#include "desktop.h"

namespace {

const char kTitle[] = " KEYS:f,p and MOUSE ";
const long kRssNoiseKiB = 512;
const double kSampleSeconds = 5.0;

long ResidentKiB(pid_t pid)
{
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.compare(0, 6, "VmRSS:") == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

bool IsFogBackground(const unsigned char *p)
{
    return std::abs(p[0] - 128) <= 3 && std::abs(p[1] - 64) <= 3 && std::abs(p[2] - 64) <= 3;
}

bool IsPlainBackground(const unsigned char *p)
{
    return std::abs(p[0] - 38) <= 3 && std::abs(p[1] - 38) <= 3 && std::abs(p[2] - 140) <= 3;
}

std::string ArtifactDir()
{
    std::string dir = DUCKVIEW_ROBUSTNESS_ARTIFACTS;
    mkdir(dir.c_str(), 0755);
    return dir;
}

class Soak : public ::testing::Test {
protected:
    pid_t pid = -1;
    std::string window;

    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(StartXvfb(1024, 768, &why)) << why;
    }
    void TearDown() override
    {
        if (pid > 0)
            Kill(pid);
        StopXvfb();
    }
};

TEST_F(Soak, KeepsRenderingWithSteadyMemoryAndStillAnswersKeys)
{
    const char *env = std::getenv("DV_SOAK_SECONDS");
    const double seconds = env && *env ? std::atof(env) : 150.0;
    const double warmUp = std::min(60.0, std::max(30.0, seconds / 5));
    ASSERT_GT(seconds, warmUp) << "DV_SOAK_SECONDS must be longer than the warm-up";
    std::printf("soak: %.0f s, warm-up %.0f s, memory noise allowed %ld KiB\n", seconds, warmUp, kRssNoiseKiB);

    const std::string log = ArtifactDir() + "/soak.log";
    std::remove(log.c_str());
    pid = Spawn({DUCKVIEW_LINUX_BINARY}, {}, log);
    std::string notice;
    ASSERT_TRUE(WaitFor(30, [&] {
        notice = FindWindow(DUCKVIEW_NOTICE_CAPTION);
        return !notice.empty();
    })) << "no start-up notice; see " << log;
    Key(notice, "Return");
    ASSERT_TRUE(WaitFor(30, [&] {
        window = FindWindow(kTitle);
        return !window.empty();
    })) << "no window; see " << log;

    auto start = std::chrono::steady_clock::now();
    auto elapsed = [&] { return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count(); };
    Image previous = Screenshot(window);
    ASSERT_FALSE(previous.Empty());
    long baseline = -1, highest = -1;
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
        if (elapsed() >= warmUp) {
            if (baseline < 0)
                baseline = rss;
            highest = std::max(highest, rss);
        }
    }
    ASSERT_GE(baseline, 0);
    EXPECT_LE(highest - baseline, kRssNoiseKiB)
        << "resident memory grew from " << baseline << " KiB to " << highest << " KiB after the warm-up:\n"
        << table;
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
