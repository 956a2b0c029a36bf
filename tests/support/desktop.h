// Driving a real program in a virtual X display, as a person would: start
// the display and the program, find its windows, type, click, drag, look at
// screenshots, and watch how much processor time it uses. The viewer's
// window title and notice caption come from "app/texts.h".
#ifndef DUCKVIEW_TESTS_SUPPORT_DESKTOP_H
#define DUCKVIEW_TESTS_SUPPORT_DESKTOP_H

#include <functional>
#include <string>
#include <sys/types.h>
#include <vector>

#include "app/texts.h"

// Runs a shell command and returns what it printed on stdout.
std::string Shell(const std::string &command, int *status = nullptr);

// Where the tests leave logs and screenshots to look at afterwards; made
// when first asked for.
std::string ArtifactDir();

// A virtual display from scripts/virtual-display, which starts them all:
// an X server with the screen "WxH" (24-bit colour; "" for the tool's
// default) and any extra Xvfb options, and on it the desktop "bare",
// "openbox", "metacity" or "weston" (see the tool for each), up and
// working. The environment points at it (DISPLAY, and the desktop's
// session bus or WAYLAND_DISPLAY) until StopDisplay, which ends all of it
// and puts the environment back. One at a time.
bool StartDisplay(const std::string &screen, const std::string &desktop, std::string *why,
                  const std::vector<std::string> &xvfbOptions = {});
void StopDisplay();

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
bool IsViewable(const std::string &window);
// The window that has the keyboard focus, as an id like FindWindow's.
std::string FocusedWindow();

// What a window manager made of a top-level window: the frame it was put
// in (its ancestor just below the root, "" when none) and the frame's sides
// as the window manager announces them (_NET_FRAME_EXTENTS).
struct Frame {
    std::string window;
    int left = 0, right = 0, top = 0, bottom = 0;
};
Frame FrameOf(const std::string &window);
// Asks the window manager to minimise the window, to bring it back and
// give it the focus, and to close the window with that exact title as its
// close box does.
void Minimise(const std::string &window);
void Activate(const std::string &window);
void CloseBox(const std::string &title);

struct Geometry {
    int x, y, width, height;
};
Geometry WindowGeometry(const std::string &window);

// Gives the window the keyboard focus and types the key; with window "",
// types into whatever has the focus.
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

// The viewer's background, plain and with fog, as 8-bit RGB.
bool IsPlainBackground(const unsigned char *rgb);
bool IsFogBackground(const unsigned char *rgb);

// Starts the viewer (argv, extra environment, output to log) and brings it
// up as a person does, through the tool: waits up to patience seconds for
// the start-up notice, checks that the window is not there yet, dismisses
// the notice as dismiss says ("return", "focused" or "click": see
// scripts/virtual-display), after atNotice has had a look at it where
// given, and waits for the window. *pid is set as soon as the process
// runs, for the caller to end it whatever happens. True with the window's
// id in *window, or false with the reason in *why.
bool LaunchViewer(const std::vector<std::string> &argv, const std::vector<std::string> &env, const std::string &log,
                  double patience, pid_t *pid, std::string *window, std::string *why,
                  const std::string &dismiss = "return",
                  const std::function<void(const std::string &notice)> &atNotice = nullptr);

#endif // DUCKVIEW_TESTS_SUPPORT_DESKTOP_H
