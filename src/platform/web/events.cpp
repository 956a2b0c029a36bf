// Browser back end: events, the clock, and handing control to the browser.
//
// Platform: a web browser (Emscripten with Asyncify). The page's listeners
// (web_library.js) turn DOM events into the core's input messages at once,
// through the functions exported here; they can only run while the program
// has handed control to the browser, so PumpEvents has nothing left to take.
//
// Limits and differences from Windows:
// - GetMessageA with nothing to do sleeps until a page event or the next
//   timer (no polling): a still model costs no processor time.
// - PeekMessageA after a frame was swapped first waits for the browser's
//   next animation frame, which is when the page shows it: frames come at
//   the display's rate, not as fast as the machine can draw them.
// - While the page is hidden the browser gives no animation frames, and a
//   spinning model stops (messages wait) until it is shown again.
// - While the current context's WebGL context is lost, a swapped frame
//   waits for the next page event (the restored context's among them)
//   instead of an animation frame: a spinning model stops and costs no
//   processor time until the picture can be shown again.
// - Keys become virtual keys by their US meaning (the key's character for
//   letters, its position otherwise); no WM_SYSKEYDOWN, scan-code bits 0.
// - Only the left button is delivered (a touch counts as it); no wheel.
// - The Caps Lock state is read from the first key event.
#include <emscripten/emscripten.h>

#include "platform/web/web_backend.h"

namespace {

DWORD Ticks()
{
    return static_cast<DWORD>(backend::Now());
}

} // namespace

namespace backend {

void PumpEvents()
{
    // The frame swapped last is shown once the browser has control; the
    // messages that came meanwhile are then in the queue.
    if (web.frameSwapped) {
        web.frameSwapped = false;
        NativeWindow *shownOn = web.current != nullptr ? WindowById(web.current->windowId) : nullptr;
        if (shownOn != nullptr && shownOn->contextLost)
            dv_wait(-1);
        else
            dv_next_frame();
    }
}

bool Wait(int timeoutMs)
{
    dv_wait(timeoutMs);
    return true;
}

std::uint64_t Now()
{
    return static_cast<std::uint64_t>(emscripten_get_now());
}

} // namespace backend

// Called by the page's listeners.
extern "C" {

// A mouse message at client position (x, y) of the window hwnd; the pointer
// is at (screenX, screenY) in the page.
EMSCRIPTEN_KEEPALIVE void dv_post_mouse(int hwnd, int message, int keys, int x, int y, int screenX, int screenY)
{
    HWND target = reinterpret_cast<HWND>(static_cast<std::intptr_t>(hwnd));
    if (core::NativeWindowOf(target) == nullptr)
        return;
    core::CursorMoved(POINT{screenX, screenY});
    core::PostInput(target, static_cast<UINT>(message), static_cast<WPARAM>(keys), MAKELPARAM(x, y), Ticks());
}

// A key pressed (down) or released; extended for the right-hand modifiers
// and the number pad's Enter.
EMSCRIPTEN_KEEPALIVE void dv_post_key(int down, int vk, int repeat, int extended, int capsLock)
{
    if (!backend::web.capsLockRead) {
        backend::web.capsLockRead = true;
        core::SetCapsLock(capsLock != 0);
    }
    HWND target = core::InputTarget();
    if (target == nullptr || vk <= 0 || vk > 0xFF)
        return;
    core::KeyAction action = !down ? core::kKeyReleased : repeat ? core::kKeyRepeated : core::kKeyPressed;
    core::PostKey(target, static_cast<BYTE>(vk), action, extended != 0, Ticks());
}

// The window's close button.
EMSCRIPTEN_KEEPALIVE void dv_post_close(int hwnd)
{
    core::CloseRequested(reinterpret_cast<HWND>(static_cast<std::intptr_t>(hwnd)));
}

} // extern "C"
