// The window thread's message queue and timers.
//
// Posted messages and input (keys, the mouse) wait in two queues, each in
// the order its messages came. WM_QUIT, WM_PAINT and WM_TIMER are never
// queued: they are made from state. A message is taken in Windows' order:
// a posted one, then the quit message, then input, then a paint for an
// invalid visible window, then a due timer.
#include <cstring>

#include "platform/core/core.h"

namespace core {

namespace {

MSG MakeMessage(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time)
{
    MSG msg;
    std::memset(&msg, 0, sizeof msg);
    msg.hwnd = hwnd;
    msg.message = message;
    msg.wParam = wParam;
    msg.lParam = lParam;
    msg.time = time;
    msg.pt = state.cursor;
    return msg;
}

DWORD Ticks()
{
    return static_cast<DWORD>(backend::Now());
}

bool Matches(HWND messageWindow, UINT message, HWND filterWindow, UINT filterMin, UINT filterMax)
{
    if (filterWindow != nullptr && messageWindow != filterWindow)
        return false;
    if (filterMin == 0 && filterMax == 0)
        return true;
    return message >= filterMin && message <= filterMax;
}

// How long GetMessageA may sleep: until the next timer is due, or for ever.
int WaitTimeout()
{
    if (state.timers.empty())
        return -1;
    std::uint64_t now = backend::Now();
    std::uint64_t next = state.timers.front().due;
    for (const Timer &t : state.timers)
        if (t.due < next)
            next = t.due;
    if (next <= now)
        return 0;
    std::uint64_t wait = next - now;
    return wait > 0x7fffffff ? 0x7fffffff : static_cast<int>(wait);
}

// The first message of a queue that matches the filter.
bool FindQueued(std::deque<MSG> &queue, MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    for (auto it = queue.begin(); it != queue.end(); ++it) {
        if (!Matches(it->hwnd, it->message, hwnd, filterMin, filterMax))
            continue;
        *msg = *it;
        if (remove) {
            queue.erase(it);
            NoteKeyRemoved(*msg);
        }
        return true;
    }
    return false;
}

// The next message without asking the back end for new events.
bool FindMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    if (FindQueued(state.posted, msg, hwnd, filterMin, filterMax, remove))
        return true;
    if (state.quitPending && Matches(nullptr, WM_QUIT, hwnd, filterMin, filterMax)) {
        *msg = MakeMessage(nullptr, WM_QUIT, static_cast<WPARAM>(state.quitCode), 0, Ticks());
        if (remove)
            state.quitPending = false;
        return true;
    }
    if (FindQueued(state.input, msg, hwnd, filterMin, filterMax, remove))
        return true;
    for (auto &w : state.windows) {
        if (w->alive && w->visible && w->invalid && Matches(w->hwnd, WM_PAINT, hwnd, filterMin, filterMax)) {
            *msg = MakeMessage(w->hwnd, WM_PAINT, 0, 0, Ticks());
            return true;
        }
    }
    std::uint64_t now = backend::Now();
    for (Timer &t : state.timers) {
        if (now >= t.due && Matches(t.hwnd, WM_TIMER, hwnd, filterMin, filterMax)) {
            *msg = MakeMessage(t.hwnd, WM_TIMER, t.id, reinterpret_cast<LPARAM>(t.proc), static_cast<DWORD>(now));
            if (remove)
                t.due = now + t.interval; // no catch-up ticks for the ones missed
            return true;
        }
    }
    return false;
}

} // namespace

bool NextMessage(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, bool remove)
{
    backend::PumpEvents();
    return FindMessage(msg, hwnd, filterMin, filterMax, remove);
}

bool MessageWaiting()
{
    MSG msg;
    return FindMessage(&msg, nullptr, 0, 0, false);
}

int QueueLength()
{
    return static_cast<int>(state.posted.size() + state.input.size());
}

void Post(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    state.posted.push_back(MakeMessage(hwnd, message, wParam, lParam, Ticks()));
}

void CursorMoved(POINT screen)
{
    state.cursor = screen;
}

void PostInput(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, DWORD time)
{
    if (message == WM_MOUSEMOVE && !state.input.empty() && state.input.back().message == WM_MOUSEMOVE &&
        state.input.back().hwnd == hwnd)
        state.input.pop_back();
    state.input.push_back(MakeMessage(hwnd, message, wParam, lParam, time));
}

void PurgeMessagesOf(HWND hwnd)
{
    for (auto it = state.timers.begin(); it != state.timers.end();)
        it = it->hwnd == hwnd ? state.timers.erase(it) : it + 1;
    for (std::deque<MSG> *queue : {&state.posted, &state.input})
        for (auto it = queue->begin(); it != queue->end();)
            it = it->hwnd == hwnd ? queue->erase(it) : it + 1;
}

} // namespace core

using namespace core;

BOOL WINAPI PeekMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax, UINT removeMsg)
{
    Traced call("PeekMessageA", {Arg(msg), Arg(hwnd), Arg(filterMin), Arg(filterMax), Arg(removeMsg)});
    MSG found;
    if (!NextMessage(&found, hwnd, filterMin, filterMax, (removeMsg & PM_REMOVE) != 0))
        return call.Return(FALSE);
    if (msg != nullptr)
        *msg = found;
    return call.Return(TRUE);
}

BOOL WINAPI GetMessageA(MSG *msg, HWND hwnd, UINT filterMin, UINT filterMax)
{
    Traced call("GetMessageA", {Arg(msg), Arg(hwnd), Arg(filterMin), Arg(filterMax)});
    MSG found;
    bool got = NextMessage(&found, hwnd, filterMin, filterMax, true);
    while (!got) {
        // The thread sleeps until an event arrives or the next timer is due.
        bool woken = backend::Wait(WaitTimeout());
        got = NextMessage(&found, hwnd, filterMin, filterMax, true);
        if (!got && !woken)
            return call.Return(-1);
    }
    if (msg != nullptr)
        *msg = found;
    return call.Return(found.message == WM_QUIT ? FALSE : TRUE);
}

LRESULT WINAPI DispatchMessageA(const MSG *msg)
{
    const MSG none{};
    const MSG &m = msg != nullptr ? *msg : none;
    Traced call("DispatchMessageA", {Arg(m.hwnd), Arg(m.message), Arg(m.wParam), Arg(m.lParam)});
    if (msg == nullptr)
        return call.Return<LRESULT>(0);
    // A timer's procedure takes its ticks instead of the window. Only a
    // procedure that a live timer was set with is called: anyone can post
    // WM_TIMER with any lParam, and one whose lParam is no such procedure
    // goes nowhere, as on Windows.
    if (msg->message == WM_TIMER && msg->lParam != 0) {
        for (const Timer &t : state.timers) {
            if (t.hwnd == msg->hwnd && t.id == msg->wParam && reinterpret_cast<LPARAM>(t.proc) == msg->lParam) {
                t.proc(msg->hwnd, WM_TIMER, msg->wParam, Ticks());
                break;
            }
        }
        return call.Return<LRESULT>(0);
    }
    Window *w = LiveWindow(msg->hwnd);
    if (w == nullptr)
        return call.Return<LRESULT>(0);
    return call.Return(SendTo(w, msg->message, msg->wParam, msg->lParam));
}

void WINAPI PostQuitMessage(int exitCode)
{
    Traced call("PostQuitMessage", {Arg(exitCode)});
    state.quitPending = true;
    state.quitCode = exitCode;
}

UINT_PTR WINAPI SetTimer(HWND hwnd, UINT_PTR id, UINT elapse, TIMERPROC proc)
{
    Traced call("SetTimer", {Arg(hwnd), Arg(id), Arg(elapse), Arg(proc)});
    if (hwnd != nullptr && LiveWindow(hwnd) == nullptr)
        return call.Return<UINT_PTR>(0);
    if (hwnd == nullptr)
        id = state.nextThreadTimer++; // a thread timer gets an identifier of its own
    if (elapse < 10)
        elapse = 10;
    std::uint64_t due = backend::Now() + elapse;
    UINT_PTR result = hwnd != nullptr ? 1 : id;
    for (Timer &t : state.timers) {
        if (t.hwnd == hwnd && t.id == id) {
            t.interval = elapse;
            t.due = due;
            t.proc = proc;
            return call.Return(result);
        }
    }
    state.timers.push_back(Timer{hwnd, id, elapse, due, proc});
    return call.Return(result);
}
