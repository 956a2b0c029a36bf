// The core's state, its handles and the tracing of Win32 calls.
#include "platform/core/core.h"

#include <algorithm>
#include <cstring>

namespace core {

State state;

// A handle is its kind times 0x1000 plus its position plus 1 (0x1001 is the
// first window, 0x2001 its device context); past 4094 of a kind the kind
// moves up to times 0x1000000. No handle is ever null or given out twice.
std::uintptr_t MakeHandle(HandleKind kind, size_t index)
{
    if (index < 0xFFF)
        return static_cast<std::uintptr_t>(kind) * 0x1000 + index + 1;
    return static_cast<std::uintptr_t>(kind) * 0x1000000 + index + 1;
}

long HandleIndex(HandleKind kind, const void *handle)
{
    std::uintptr_t value = reinterpret_cast<std::uintptr_t>(handle);
    std::uintptr_t small = static_cast<std::uintptr_t>(kind) * 0x1000;
    std::uintptr_t large = static_cast<std::uintptr_t>(kind) * 0x1000000;
    if (value > small && value < small + 0x1000)
        return static_cast<long>(value - small - 1);
    if (value > large + 0xFFE && value < large + 0x1000000)
        return static_cast<long>(value - large - 1);
    return -1;
}

Window *LiveWindow(HWND hwnd)
{
    long i = HandleIndex(kWindowHandle, hwnd);
    if (i < 0 || static_cast<size_t>(i) >= state.windows.size() || !state.windows[i]->alive)
        return nullptr;
    return state.windows[i].get();
}

Window *LiveWindowOfDc(HDC dc)
{
    long i = HandleIndex(kDcHandle, dc);
    if (i < 0 || static_cast<size_t>(i) >= state.windows.size() || !state.windows[i]->alive)
        return nullptr;
    return state.windows[i].get();
}

Context *LiveContext(HGLRC context)
{
    long i = HandleIndex(kContextHandle, context);
    if (i < 0 || static_cast<size_t>(i) >= state.contexts.size() || !state.contexts[i].alive)
        return nullptr;
    return &state.contexts[i];
}

Palette *LivePalette(HPALETTE palette)
{
    long i = HandleIndex(kPaletteHandle, palette);
    if (i < 0 || static_cast<size_t>(i) >= state.palettes.size())
        return nullptr;
    return &state.palettes[i];
}

Traced::Traced(const char *name, std::initializer_list<std::intptr_t> args, std::initializer_list<const char *> texts)
{
    call_.name = name;
    call_.argCount = 0;
    for (std::intptr_t a : args)
        if (call_.argCount < 10)
            call_.args[call_.argCount++] = a;
    call_.textCount = 0;
    for (const char *t : texts)
        if (call_.textCount < 2)
            call_.texts[call_.textCount++] = t != nullptr ? t : "";
    call_.depth = state.callDepth++;
    if (state.observer.starts != nullptr)
        state.observer.starts(call_);
}

Traced::~Traced()
{
    --state.callDepth;
}

void SetCallObserver(const CallObserver &observer)
{
    state.observer = observer;
}

void Reset()
{
    CallObserver observer = state.observer;
    state = State();
    state.observer = observer;
}

WindowInfo InfoOf(HWND hwnd)
{
    WindowInfo info{};
    Window *w = LiveWindow(hwnd);
    if (w == nullptr)
        return info;
    info.exists = true;
    info.visible = w->visible;
    info.x = w->x;
    info.y = w->y;
    backend::Frame frame = backend::GetFrame(w->native);
    info.width = w->clientWidth + frame.left + frame.right;
    info.height = w->clientHeight + frame.top + frame.bottom;
    info.clientWidth = w->clientWidth;
    info.clientHeight = w->clientHeight;
    info.dc = w->dc;
    info.pixelFormat = w->pixelFormat;
    return info;
}

HWND WindowOfDc(HDC dc)
{
    Window *w = LiveWindowOfDc(dc);
    return w != nullptr ? w->hwnd : nullptr;
}

HWND CaptureWindow()
{
    return state.capture;
}

namespace {

// Class names are compared without their case, as Windows compares them
// (for the ASCII letters; other bytes must be equal).
bool SameClassName(const std::string &name, const char *other)
{
    auto upper = [](char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; };
    return name.size() == std::strlen(other) &&
           std::equal(name.begin(), name.end(), other, [&](char a, char b) { return upper(a) == upper(b); });
}

} // namespace

const WNDCLASSA *FindClass(const char *name)
{
    for (const WindowClass &c : state.classes)
        if (name != nullptr && SameClassName(c.name, name))
            return &c.info;
    return nullptr;
}

} // namespace core
