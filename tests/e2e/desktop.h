// Driving a real program in a virtual X display, as a person would: start
// it, find its windows, type, click, drag, look at screenshots, and watch
// how much processor time it uses.
#ifndef DUCKVIEW_TESTS_E2E_DESKTOP_H
#define DUCKVIEW_TESTS_E2E_DESKTOP_H

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

// Runs a shell command and returns what it printed on stdout.
std::string Shell(const std::string &command, int *status = nullptr);

// A virtual X server on a free display; DISPLAY points at it while it runs.
bool StartXvfb(int width, int height, std::string *why);
void StopXvfb();

// Starts a program with the given arguments and extra environment entries
// ("NAME=value"); stdout and stderr go to logPath.
pid_t Spawn(const std::vector<std::string> &argv, const std::vector<std::string> &env, const std::string &logPath);
// Waits up to seconds for the process to end; true with its exit code (or
// 128 + signal) when it did.
bool WaitExit(pid_t pid, double seconds, int *code);
void Kill(pid_t pid);
// Processor time (user + system) the process has used so far, in seconds.
double CpuSeconds(pid_t pid);

// Polls until the condition holds or the time runs out.
bool WaitFor(double seconds, const std::function<bool()> &condition);
void Sleep(double seconds);

// The id of a viewable window whose title is exactly title, or "".
std::string FindWindow(const std::string &title);

struct Geometry {
    int x, y, width, height;
};
Geometry WindowGeometry(const std::string &window);

void Key(const std::string &window, const std::string &key);
void Click(const std::string &window, int x, int y);
// Presses the left button at from, moves through the given points and
// releases at the last one; coordinates relative to the window.
void Drag(const std::string &window, const std::vector<std::pair<int, int>> &path);

struct Image {
    int width = 0, height = 0;
    std::vector<unsigned char> rgb; // rows from the top
    const unsigned char *At(int x, int y) const { return &rgb[(size_t)(y * width + x) * 3]; }
    bool Empty() const { return rgb.empty(); }
};
Image Screenshot(const std::string &window);
bool SavePng(const Image &image, const std::string &path);

#endif // DUCKVIEW_TESTS_E2E_DESKTOP_H
