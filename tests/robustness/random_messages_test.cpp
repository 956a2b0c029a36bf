// MainWindowProc under long random message sequences, on the recording
// Win32 stand-in with a real headless GL context: mouse messages at any
// 16-bit position, presses and releases in any order, every character and
// key code, timer ticks, sizes, paints and palette messages, with the idle
// handler run between messages as the message loop runs it. After every
// step the shared state must still make sense.
//
// Escape (as WM_CHAR 27 or as the Escape key through TranslateMessage) and
// WM_CLOSE destroy the window. They are part of the random mix: after each
// destruction the test checks that everything was released, then creates
// the window again (alternating true-colour and palette pixel formats) and
// carries on with the state the program left, as a harder case than a
// fresh start.
//
// DV_RANDOM_SEED (decimal or 0x hex) and DV_RANDOM_MESSAGES override the
// seed and the number of messages; every failure names the seed.
#include <cinttypes>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <deque>
#include <random>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/texts.h"
#include "app/window_proc.h"
#include "recording.h"
#include "render/frame.h"
#include "state/viewer_state.h"

#ifndef DV_RANDOM_MESSAGES_DEFAULT
#define DV_RANDOM_MESSAGES_DEFAULT 100000
#endif

namespace {

const std::uint64_t kDefaultSeed = 0x5EEDD0C5u;
const int kWindowSize = 230; // 30 per cent of a 768-pixel screen

std::uint64_t EnvNumber(const char *name, std::uint64_t fallback)
{
    const char *text = std::getenv(name);
    if (!text || !*text)
        return fallback;
    return std::strtoull(text, nullptr, 0);
}

std::string MessageName(UINT message)
{
    switch (message) {
    case WM_SIZE: return "WM_SIZE";
    case WM_PAINT: return "WM_PAINT";
    case WM_CLOSE: return "WM_CLOSE";
    case WM_KEYDOWN: return "WM_KEYDOWN";
    case WM_KEYUP: return "WM_KEYUP";
    case WM_CHAR: return "WM_CHAR";
    case WM_TIMER: return "WM_TIMER";
    case WM_MOUSEMOVE: return "WM_MOUSEMOVE";
    case WM_LBUTTONDOWN: return "WM_LBUTTONDOWN";
    case WM_LBUTTONUP: return "WM_LBUTTONUP";
    case WM_QUERYNEWPALETTE: return "WM_QUERYNEWPALETTE";
    case WM_PALETTECHANGED: return "WM_PALETTECHANGED";
    }
    char text[32];
    std::snprintf(text, sizeof text, "message 0x%04x", message);
    return text;
}

// Everything the state must satisfy between messages; "" when it does.
std::string CheckState(bool windowAlive)
{
    std::ostringstream problem;
    const struct {
        const char *name;
        int value;
    } flags[] = {{"applyIncrement", applyIncrement}, {"spinning", spinning},
                 {"dragging", dragging},             {"countingFrames", countingFrames},
                 {"fogEnabled", fogEnabled},         {"wireframeEnabled", wireframeEnabled}};
    for (const auto &flag : flags)
        if (flag.value != 0 && flag.value != 1)
            problem << flag.name << " is " << flag.value << "; ";

    const float *m = rotationMatrix;
    for (int i = 0; i < 16; i++)
        if (!std::isfinite(m[i]))
            problem << "rotationMatrix[" << i << "] is " << m[i] << "; ";
    if (!problem.str().empty())
        return problem.str();

    // Columns of the upper 3x3 orthonormal, a proper rotation, and nothing
    // in the translation row and column.
    double worst = 0.0;
    for (int a = 0; a < 3; a++)
        for (int b = 0; b < 3; b++) {
            double dot = 0.0;
            for (int k = 0; k < 3; k++)
                dot += (double)m[4 * a + k] * m[4 * b + k];
            worst = std::fmax(worst, std::fabs(dot - (a == b ? 1.0 : 0.0)));
        }
    double det = (double)m[0] * ((double)m[5] * m[10] - (double)m[9] * m[6]) -
                 (double)m[4] * ((double)m[1] * m[10] - (double)m[9] * m[2]) +
                 (double)m[8] * ((double)m[1] * m[6] - (double)m[5] * m[2]);
    worst = std::fmax(worst, std::fabs(det - 1.0));
    const int zeros[] = {3, 7, 11, 12, 13, 14};
    for (int i : zeros)
        worst = std::fmax(worst, std::fabs(m[i]));
    worst = std::fmax(worst, std::fabs(m[15] - 1.0));
    if (!(worst <= 1e-5))
        problem << "rotationMatrix is off a rotation by " << worst << "; ";

    if (idleHandler != nullptr && idleHandler != IdleRender)
        problem << "idleHandler is neither none nor IdleRender; ";
    if (windowAlive) {
        if (!renderContext)
            problem << "renderContext is null while the window lives; ";
        if (!RecordingGlContextLive())
            problem << "no GL context while the window lives; ";
    } else {
        if (renderContext)
            problem << "renderContext kept after WM_DESTROY; ";
        if (idleHandler)
            problem << "idleHandler kept after WM_DESTROY; ";
        if (RecordingGlContextLive())
            problem << "GL context not deleted after WM_DESTROY; ";
        if (RecordingCapture())
            problem << "mouse capture kept after the window went; ";
    }
    return problem.str();
}

class RandomMessages : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        ResetRecording();
        windowWidth = kWindowSize;
        windowHeight = kWindowSize;
        WNDCLASSA wc{};
        wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
        wc.lpfnWndProc = MainWindowProc;
        wc.lpszClassName = "OpenGL";
        ASSERT_NE(0, RegisterClassA(&wc));
    }
    void TearDown() override
    {
        if (hwnd && RecordingWindowExists(hwnd))
            DestroyWindow(hwnd);
        ResetRecording();
    }

    // Creates the window as WinMain does: WM_CREATE (GL context and scene),
    // then shown, with its first paint.
    bool Create(bool paletteFormat)
    {
        Recording().describedFormat = paletteFormat ? RecordingPaletteFormat() : RecordingTrueColourFormat();
        hwnd = CreateWindowExA(0, "OpenGL", DUCKVIEW_WINDOW_TITLE, 0, 50, 50, windowWidth, windowHeight, NULL, NULL,
                               NULL, NULL);
        if (!hwnd || !RecordingGlContextLive())
            return false;
        ShowWindow(hwnd, SW_SHOWDEFAULT);
        UpdateWindow(hwnd);
        creations++;
        return true;
    }

    // Handles every waiting message as the loop does; true if the quit
    // message came.
    bool Pump()
    {
        MSG msg;
        bool quit = false;
        while (PeekMessageA(&msg, NULL, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                continue;
            }
            TranslateMessage(&msg);
            DispatchMessageA(&msg);
        }
        return quit;
    }

    // One random message, delivered the way such a message reaches the
    // window; returns its description for the failure history.
    std::string Deliver(std::mt19937_64 &rng)
    {
        auto pick = [&](std::uint64_t n) { return (std::uint64_t)(rng() % n); };
        // Any 16-bit position, so half of them are negative once
        // sign-extended, and most are far outside the window.
        auto anyPosition = [&]() -> LPARAM {
            int x, y;
            if (pick(2)) {
                x = (int)pick(0x10000);
                y = (int)pick(0x10000);
            } else { // in and around the window, where same-pixel cases happen
                x = (int)pick(kWindowSize + 40) - 20;
                y = (int)pick(kWindowSize + 40) - 20;
            }
            return MAKELPARAM(x & 0xffff, y & 0xffff);
        };

        UINT message = 0;
        WPARAM wParam = 0;
        LPARAM lParam = 0;
        std::uint64_t kind = pick(1000);
        if (kind < 300) {
            message = WM_MOUSEMOVE;
            wParam = pick(0x20);
            lParam = anyPosition();
        } else if (kind < 400) {
            message = WM_LBUTTONDOWN;
            wParam = pick(0x20);
            lParam = anyPosition();
        } else if (kind < 500) {
            message = WM_LBUTTONUP;
            wParam = pick(0x20);
            lParam = anyPosition();
        } else if (kind < 530) {
            // A release at exactly the press point: a click, or the end of a
            // drag that came back.
            message = WM_LBUTTONUP;
            lParam = MAKELPARAM(pressX & 0xffff, pressY & 0xffff);
        } else if (kind < 650) {
            // Every character code; the commands and their capitals often.
            static const WPARAM common[] = {'f', 'p', 'F', 'P'};
            message = WM_CHAR;
            wParam = pick(3) ? common[pick(4)] : (WPARAM)pick(0x10000);
            if (wParam == 27 && pick(4) != 0)
                wParam = 'f'; // keep closes to a few per thousand
            lParam = (LPARAM)pick(0x100000000ull);
        } else if (kind < 720) {
            // Key presses and releases of every virtual key; a press goes
            // through TranslateMessage, which turns letters, digits, space
            // and Escape into characters.
            message = pick(2) ? WM_KEYDOWN : WM_KEYUP;
            wParam = (WPARAM)pick(0x100);
            lParam = (LPARAM)pick(0x100000000ull);
        } else if (kind < 760) {
            message = WM_TIMER;
            wParam = pick(4);
        } else if (kind < 800) {
            // A size: either the system resizing the window (a border drag
            // or maximising) or a bare WM_SIZE with any words.
            int w = (int)pick(2000) - 10, h = (int)pick(2000) - 10;
            if (pick(2)) {
                RecordingResizeWindow(hwnd, w, h);
                return "resize to " + std::to_string(w) + "x" + std::to_string(h);
            }
            message = WM_SIZE;
            wParam = pick(5);
            lParam = MAKELPARAM(w & 0xffff, h & 0xffff);
        } else if (kind < 860) {
            if (pick(2)) {
                RecordingInvalidate(hwnd);
                return "invalidate";
            }
            message = WM_PAINT;
        } else if (kind < 900) {
            message = WM_QUERYNEWPALETTE;
        } else if (kind < 940) {
            message = WM_PALETTECHANGED;
            wParam = pick(2) ? (WPARAM)hwnd : (WPARAM)pick(0x100000);
        } else if (kind < 942) {
            message = WM_CLOSE;
        } else {
            // Messages the window does not handle (never a second WM_CREATE
            // or WM_DESTROY, which the system does not send).
            do
                message = (UINT)pick(0x400);
            while (message == WM_CREATE || message == WM_DESTROY || message == WM_QUIT || message == WM_CLOSE);
            wParam = (WPARAM)pick(0x100000000ull);
            lParam = (LPARAM)pick(0x100000000ull);
        }
        RecordingPostMessage(hwnd, message, wParam, lParam);
        char text[96];
        std::snprintf(text, sizeof text, "%s wParam=0x%" PRIxPTR " lParam=0x%" PRIxPTR, MessageName(message).c_str(),
                      (std::uintptr_t)wParam, (std::uintptr_t)lParam);
        return text;
    }

    HWND hwnd = nullptr;
    int creations = 0;
};

TEST_F(RandomMessages, StateStaysSoundThroughout)
{
    const std::uint64_t seed = EnvNumber("DV_RANDOM_SEED", kDefaultSeed);
    const long count = (long)EnvNumber("DV_RANDOM_MESSAGES", DV_RANDOM_MESSAGES_DEFAULT);
    // Printed first, so that even a crash leaves the seed in the log.
    std::printf("random messages: seed 0x%" PRIx64 ", %ld messages (DV_RANDOM_SEED, DV_RANDOM_MESSAGES)\n", seed,
                count);
    std::fflush(stdout);
    SCOPED_TRACE("seed 0x" + [&] {
        char hex[32];
        std::snprintf(hex, sizeof hex, "%" PRIx64, seed);
        return std::string(hex);
    }());

    std::mt19937_64 rng(seed);
    ASSERT_TRUE(Create(false)) << RecordingGlFailure();
    std::deque<std::string> history; // the last messages, for the report
    long frames = 0, spinningFrames = 0, destructions = 0;

    long burst = 0;
    for (long step = 0; step < count; step++) {
        history.push_back(std::to_string(step) + ": " + Deliver(rng));
        if (history.size() > 12)
            history.pop_front();
        bool quit = Pump();
        bool alive = RecordingWindowExists(hwnd) != 0;
        if (quit || !alive) {
            destructions++;
            std::string problem = CheckState(false);
            if (alive || !quit)
                problem += alive ? "quit message without the window going; " : "window went without a quit message; ";
            if (!problem.empty()) {
                std::string recent;
                for (const std::string &h : history)
                    recent += "  " + h + "\n";
                FAIL() << "after destruction at step " << step << ": " << problem << "\nlast messages:\n" << recent;
            }
            ASSERT_TRUE(Create(destructions % 2 == 1)) << "recreating at step " << step << ": " << RecordingGlFailure();
            Pump();
        }
        // Messages arrive in bursts of one to eight; the loop handles every
        // waiting message first and runs the idle handler once the queue is
        // empty, so at most one frame follows each burst.
        if (burst <= 0)
            burst = 1 + (long)(rng() % 8);
        if (--burst == 0 && idleHandler) {
            spinningFrames += spinning;
            idleHandler();
            frames++;
        }
        ClearRecordedCalls();
        std::string problem = CheckState(true);
        if (!problem.empty()) {
            std::string recent;
            for (const std::string &h : history)
                recent += "  " + h + "\n";
            FAIL() << "at step " << step << ": " << problem << "\nlast messages:\n" << recent;
        }
    }
    std::printf("random messages: %ld frames (%ld while spinning), %ld destructions, %d windows\n", frames,
                spinningFrames, destructions, creations);
    // The mix must really have exercised drawing and the window's life.
    EXPECT_GT(frames, count / 20);
    if (count >= 10000) {
        EXPECT_GT(destructions, 2);
    }
}

// Releases that no press preceded, while spinning with a small frame count,
// multiply the spin angle by 50 each time until it overflows to infinity;
// the frames rendered meanwhile must keep the model's rotation a rotation.
TEST_F(RandomMessages, RepeatedReleasesWithoutPressKeepARotation)
{
    ASSERT_TRUE(Create(false)) << RecordingGlFailure();
    frameCount = 1;
    countingFrames = 0;
    for (int i = 0; i < 40; i++) {
        RecordingSendMessage(hwnd, WM_LBUTTONUP, 0, MAKELPARAM(10 + i, 20));
        ASSERT_EQ(1, spinning);
        ASSERT_NE(nullptr, idleHandler);
        idleHandler();
        std::string problem = CheckState(true);
        ASSERT_EQ("", problem) << "after release " << i << ", incrementAngle " << incrementAngle;
    }
    // It really did reach the edge of the float range on the way.
    EXPECT_FALSE(std::isfinite(incrementAngle) && std::fabs(incrementAngle) < 1e30f) << incrementAngle;
}

// Every character code, one after another: only "f" and "p" change the
// state, and Escape alone closes the window.
TEST_F(RandomMessages, EveryCharacterCode)
{
    ASSERT_TRUE(Create(false)) << RecordingGlFailure();
    int fog = fogEnabled, wire = wireframeEnabled;
    for (WPARAM code = 0; code < 0x10000; code++) {
        if (code == 27)
            continue;
        RecordingSendMessage(hwnd, WM_CHAR, code, 1);
        if (code == 'f')
            fog = !fog;
        if (code == 'p')
            wire = !wire;
        ASSERT_EQ(fog, fogEnabled) << "character " << code;
        ASSERT_EQ(wire, wireframeEnabled) << "character " << code;
        ASSERT_TRUE(RecordingWindowExists(hwnd)) << "character " << code;
        ClearRecordedCalls();
    }
    ASSERT_NE(nullptr, idleHandler);
    idleHandler();
    ASSERT_EQ("", CheckState(true));
    RecordingSendMessage(hwnd, WM_CHAR, 27, 1);
    EXPECT_FALSE(RecordingWindowExists(hwnd));
    EXPECT_EQ("", CheckState(false));
}

} // namespace
