// The recording back end: the Win32 core with no system underneath.
//
// Platform: any, Windows included.
// Dependencies: the core; the headless OpenGL context of
// common/gl_context (Mesa's EGL on Linux, the system's WGL on
// Windows).
//
// Limits and differences from Windows: no native window or event exists
// but what the test makes; every window has the frame of the settings
// (none unless a test gives one) around its client area; the clock moves
// only when the test moves it (or a wait lets it, with waitPassesTime); one
// headless OpenGL context at a time, always current; a message box is a
// line on stderr.
#include "recording.h"

#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "gl_context.h"
#include "platform/core/backend.h"
#include "platform/core/inspection.h"
#include "window_format.h"

namespace backend {

struct NativeWindow {
    HWND hwnd;
    int clientWidth, clientHeight;
};

struct NativeContext {
    bool real; // a headless context of its own
};

} // namespace backend

namespace {

struct RecordingState {
    RecordingSettings settings;
    std::vector<RecordedCall> calls;
    std::vector<std::unique_ptr<backend::NativeWindow>> windows;
    std::vector<std::unique_ptr<backend::NativeContext>> contexts;
    std::uint64_t clock = 0;
    long emptyPeeks = 0;
    HWND lastWindow = nullptr;
    PIXELFORMATDESCRIPTOR request{};
    std::vector<PALETTEENTRY> paletteEntries;
    WORD paletteVersion = 0;
    WORD paletteCount = 0;
    int swapCount = 0;
    int glLive = 0;
    std::string glFailure;
    int starvedWaits = 0;
};

RecordingState &R()
{
    static RecordingState state;
    return state;
}

void CallStarts(const core::Call &call)
{
    RecordingState &r = R();
    RecordedCall logged{call.name, {call.args, call.args + call.argCount}, {call.texts, call.texts + call.textCount},
                    call.depth};
    std::string name = call.name;
    if (name == "GetMessageA")
        r.emptyPeeks = 0;
    if (name == "SwapBuffers")
        r.swapCount++;
    if (name == "CreatePalette") {
        const LOGPALETTE *palette = reinterpret_cast<const LOGPALETTE *>(call.args[0]);
        r.paletteEntries.clear();
        r.paletteVersion = palette != nullptr ? palette->palVersion : 0;
        r.paletteCount = palette != nullptr ? palette->palNumEntries : 0;
        if (palette != nullptr)
            r.paletteEntries.assign(palette->palPalEntry, palette->palPalEntry + palette->palNumEntries);
    }
    r.calls.push_back(logged);
    if (r.settings.echoCalls) {
        std::fprintf(stderr, "%s\n", RecordedCallText(logged).c_str());
        std::fflush(stderr);
    }
    if (r.settings.onCall)
        r.settings.onCall(logged);
}

std::intptr_t CallEnds(const core::Call &call, std::intptr_t result)
{
    RecordingState &r = R();
    std::string name = call.name;
    if (name == "DefWindowProcA")
        return r.settings.defWindowProcResult;
    if (name == "CreatePalette" && r.settings.createPaletteFails)
        return 0;
    if (name == "PeekMessageA") {
        if (result)
            r.emptyPeeks = 0;
        else if (++r.emptyPeeks > r.settings.busyPeekLimit) {
            std::fprintf(stderr, "recording back end: %ld empty PeekMessageA calls in a row, giving up\n",
                         r.emptyPeeks);
            std::abort();
        }
    }
    return result;
}

} // namespace

// ---- the back end ----

namespace backend {

NativeWindow *OpenWindow(const WindowRequest &request)
{
    if (R().settings.openWindowFails)
        return nullptr;
    R().windows.push_back(std::make_unique<NativeWindow>(NativeWindow{request.hwnd, request.width, request.height}));
    R().lastWindow = request.hwnd;
    return R().windows.back().get();
}

void SetVisible(NativeWindow *, bool)
{
}

void MoveWindowTo(NativeWindow *, int, int)
{
}

void SetClientSize(NativeWindow *w, int width, int height)
{
    w->clientWidth = width;
    w->clientHeight = height;
}

Frame GetFrame(NativeWindow *)
{
    const RECT &f = R().settings.frame;
    return Frame{f.left, f.top, f.right, f.bottom};
}

// Drops one of the records the back end keeps.
template <typename T> void Forget(std::vector<std::unique_ptr<T>> &records, T *record)
{
    for (auto it = records.begin(); it != records.end(); ++it) {
        if (it->get() == record) {
            records.erase(it);
            return;
        }
    }
}

NativeContext *KeepContext(bool real)
{
    R().contexts.push_back(std::make_unique<NativeContext>(NativeContext{real}));
    return R().contexts.back().get();
}

void DiscardWindow(NativeWindow *w)
{
    Forget(R().windows, w);
}

void SetMouseCapture(NativeWindow *)
{
}

void PumpEvents()
{
    // Native events go straight to the core when the test makes them.
}

bool Wait(int timeoutMs)
{
    RecordingState &r = R();
    if (r.settings.onBlockingWait) {
        r.settings.onBlockingWait();
        if (core::MessageWaiting())
            return true;
    }
    if (r.settings.waitPassesTime && timeoutMs >= 0) {
        r.clock += static_cast<std::uint64_t>(timeoutMs);
        return true;
    }
    r.starvedWaits++;
    std::fprintf(stderr, "recording back end: GetMessageA would wait for ever\n");
    return false;
}

std::uint64_t Now()
{
    return R().clock;
}

void GetScreenSize(int *width, int *height)
{
    *width = R().settings.screenWidth;
    *height = R().settings.screenHeight;
}

int ShowMessageBox(NativeWindow *owner, const char *text, const char *caption, UINT type)
{
    int result = R().settings.messageBoxResult;
    if (result != 0) {
        std::fprintf(stderr, "MessageBoxA(0x%" PRIxPTR ", 0x%x) [%s] <%s>\n",
                     reinterpret_cast<std::uintptr_t>(owner ? owner->hwnd : nullptr), type, caption, text);
        std::fflush(stderr);
    }
    return result;
}

void ClassRegistered(const WNDCLASSA &)
{
}

int ChooseFormat(NativeWindow *, const PIXELFORMATDESCRIPTOR &request)
{
    R().request = request;
    return R().settings.choosePixelFormatResult;
}

BOOL SetFormat(NativeWindow *, int)
{
    return R().settings.setPixelFormatResult;
}

int DescribeFormat(NativeWindow *, int, PIXELFORMATDESCRIPTOR *descriptor)
{
    *descriptor = R().settings.describedFormat;
    return 32; // the number of formats the device offers
}

NativeContext *CreateContext(NativeWindow *w)
{
    RecordingState &r = R();
    if (!r.settings.realGlContext)
        return KeepContext(false);
    int width = w->clientWidth > 0 ? w->clientWidth : 64;
    int height = w->clientHeight > 0 ? w->clientHeight : 64;
    r.glFailure.clear();
    if (!CreateHeadlessContext(width, height, &r.glFailure))
        return nullptr;
    r.glLive = 1;
    return KeepContext(true);
}

bool MakeCurrent(NativeWindow *, NativeContext *)
{
    return true; // the one headless context is always current
}

void DeleteContext(NativeContext *context)
{
    if (context->real && R().glLive) {
        DestroyHeadlessContext();
        R().glLive = 0;
    }
    Forget(R().contexts, context);
}

bool Present(NativeWindow *)
{
    return true;
}

} // namespace backend

// ---- the tests' side ----

PIXELFORMATDESCRIPTOR RecordingTrueColourFormat()
{
    PIXELFORMATDESCRIPTOR pfd = WindowFormatRequest(32, 16);
    pfd.cRedBits = 8;
    pfd.cRedShift = 16;
    pfd.cGreenBits = 8;
    pfd.cGreenShift = 8;
    pfd.cBlueBits = 8;
    pfd.cBlueShift = 0;
    return pfd;
}

PIXELFORMATDESCRIPTOR RecordingPaletteFormat()
{
    // The true-colour format cut down to 8 bits: 3-3-2 RGB needing a palette.
    PIXELFORMATDESCRIPTOR pfd = RecordingTrueColourFormat();
    pfd.dwFlags |= PFD_NEED_PALETTE;
    pfd.cColorBits = 8;
    pfd.cRedBits = 3;
    pfd.cRedShift = 0;
    pfd.cGreenBits = 3;
    pfd.cGreenShift = 3;
    pfd.cBlueBits = 2;
    pfd.cBlueShift = 6;
    return pfd;
}

void ResetRecording()
{
    if (R().glLive)
        DestroyHeadlessContext();
    R() = RecordingState();
    core::Reset();
    core::SetCallObserver(core::CallObserver{CallStarts, CallEnds});
}

RecordingSettings &Recording()
{
    return R().settings;
}

const std::vector<RecordedCall> &RecordedCalls()
{
    return R().calls;
}

void ClearRecordedCalls()
{
    R().calls.clear();
}

std::vector<std::string> RecordedCallNames()
{
    std::vector<std::string> names;
    for (const RecordedCall &c : R().calls)
        names.push_back(c.name);
    return names;
}

std::vector<std::string> RecordedCallNamesAt(int depth)
{
    std::vector<std::string> names;
    for (const RecordedCall &c : R().calls)
        if (c.depth == depth)
            names.push_back(c.name);
    return names;
}

int CountRecordedCalls(const std::string &name)
{
    int n = 0;
    for (const RecordedCall &c : R().calls)
        n += c.name == name;
    return n;
}

int RecordedCallIndex(const std::string &name, int nth)
{
    const std::vector<RecordedCall> &calls = R().calls;
    for (size_t i = 0; i < calls.size(); i++)
        if (calls[i].name == name && nth-- == 0)
            return static_cast<int>(i);
    return -1;
}

const RecordedCall *FindRecordedCall(const std::string &name, int nth)
{
    int i = RecordedCallIndex(name, nth);
    return i < 0 ? nullptr : &R().calls[i];
}

std::string RecordedCallText(const RecordedCall &call)
{
    std::string text = call.name + "(";
    const char *sep = "";
    char number[32];
    for (std::intptr_t a : call.args) {
        if (a > 0xfff)
            std::snprintf(number, sizeof number, "%s0x%" PRIxPTR, sep, static_cast<std::uintptr_t>(a));
        else
            std::snprintf(number, sizeof number, "%s%" PRIdPTR, sep, a);
        text += number;
        sep = ", ";
    }
    for (const std::string &t : call.texts) {
        text += sep;
        text += "\"" + t + "\"";
        sep = ", ";
    }
    return text + ")";
}

std::string RecordedLogText()
{
    std::string text;
    for (const RecordedCall &c : R().calls)
        text += RecordedCallText(c) + "\n";
    return text;
}

void RecordingPostMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    core::Post(hwnd, message, wParam, lParam);
}

size_t RecordingQueueLength()
{
    return static_cast<size_t>(core::QueueLength());
}

LRESULT RecordingSendMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    return core::Send(hwnd, message, wParam, lParam);
}

HWND RecordingLastWindow()
{
    return R().lastWindow;
}

HDC RecordingDeviceContextOf(HWND hwnd)
{
    return core::InfoOf(hwnd).dc;
}

int RecordingWindowExists(HWND hwnd)
{
    return core::InfoOf(hwnd).exists;
}

int RecordingWindowVisible(HWND hwnd)
{
    return core::InfoOf(hwnd).visible;
}

int RecordingWindowX(HWND hwnd)
{
    return core::InfoOf(hwnd).x;
}

int RecordingWindowY(HWND hwnd)
{
    return core::InfoOf(hwnd).y;
}

int RecordingWindowWidth(HWND hwnd)
{
    return core::InfoOf(hwnd).width;
}

int RecordingWindowHeight(HWND hwnd)
{
    return core::InfoOf(hwnd).height;
}

void RecordingNativeClientSize(HWND hwnd, int *width, int *height)
{
    *width = *height = 0;
    for (auto &w : R().windows)
        if (w->hwnd == hwnd) {
            *width = w->clientWidth;
            *height = w->clientHeight;
        }
}

HWND RecordingCapture()
{
    return core::CaptureWindow();
}

const WNDCLASSA *RecordingRegisteredClass(const std::string &name)
{
    return core::FindClass(name.c_str());
}

void RecordingResizeWindow(HWND hwnd, int width, int height)
{
    for (auto &w : R().windows)
        if (w->hwnd == hwnd)
            SetClientSize(w.get(), width, height);
    core::ClientResized(hwnd, width, height);
}

void RecordingInvalidate(HWND hwnd)
{
    core::Exposed(hwnd);
}

void RecordingKeyEvent(HWND hwnd, BYTE vk, bool down)
{
    core::PostKey(hwnd, vk, down ? core::kKeyPressed : core::kKeyReleased, false, static_cast<DWORD>(R().clock));
}

void RecordingMouseEvent(HWND hwnd, UINT message, int x, int y, WPARAM keys)
{
    core::WindowInfo info = core::InfoOf(hwnd);
    core::CursorMoved(POINT{info.x + x, info.y + y});
    core::PostInput(hwnd, message, keys, MAKELPARAM(x, y), static_cast<DWORD>(R().clock));
}

void RecordingCloseRequest(HWND hwnd)
{
    core::CloseRequested(hwnd);
}

void RecordingAdvanceClock(int milliseconds)
{
    R().clock += static_cast<std::uint64_t>(milliseconds);
}

std::uint64_t RecordingClock()
{
    return R().clock;
}

const PIXELFORMATDESCRIPTOR &RecordingChosenRequest()
{
    return R().request;
}

int RecordingCurrentPixelFormat()
{
    return core::InfoOf(R().lastWindow).pixelFormat;
}

const std::vector<PALETTEENTRY> &RecordingPaletteEntries()
{
    return R().paletteEntries;
}

WORD RecordingPaletteVersion()
{
    return R().paletteVersion;
}

WORD RecordingPaletteEntryCount()
{
    return R().paletteCount;
}

int RecordingSwapCount()
{
    return R().swapCount;
}

int RecordingGlContextLive()
{
    return R().glLive;
}

const std::string &RecordingGlFailure()
{
    return R().glFailure;
}

int RecordingStarvedWaits()
{
    return R().starvedWaits;
}
