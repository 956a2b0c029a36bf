// Keys: the key messages made from what a back end reports, and
// TranslateMessage with the key state it reads.
//
// Characters are those of a US keyboard. The key state follows the key
// messages as they are taken from the queue, as on Windows, so a key is
// translated with Shift as it was when that key was pressed, not as it is
// when the program gets round to it.
#include "platform/core/core.h"

namespace core {

namespace {

// Virtual keys with their Windows values.
const BYTE kKeyShift = 0x10;     // VK_SHIFT
const BYTE kKeyControl = 0x11;   // VK_CONTROL
const BYTE kKeyMenu = 0x12;      // VK_MENU (Alt)
const BYTE kKeyCapital = 0x14;   // VK_CAPITAL (Caps Lock)
const BYTE kKeyLeftShift = 0xA0; // VK_LSHIFT; VK_RSHIFT, VK_LCONTROL .. VK_RMENU follow
// The bits of a key message's lParam besides its repeat count (bits 0-15)
// and scan code (16-23).
const LPARAM kKeyExtended = LPARAM(1) << 24;
const LPARAM kKeyWasDown = LPARAM(1) << 30;    // the previous state
const LPARAM kKeyTransition = LPARAM(1) << 31; // set: going up
const UINT kFirstKeyMessage = 0x0100;          // WM_KEYFIRST (WM_KEYDOWN)
const UINT kLastKeyMessage = 0x0109;           // WM_KEYLAST

// Where the key state of a key message is kept: left and right modifiers
// apart, so that releasing one does not release the other.
int KeyStateIndex(const MSG &msg)
{
    BYTE vk = static_cast<BYTE>(msg.wParam);
    if (vk >= kKeyShift && vk <= kKeyMenu)
        return kKeyLeftShift + 2 * (vk - kKeyShift) + ((msg.lParam & kKeyExtended) ? 1 : 0);
    return vk;
}

bool Held(BYTE modifier)
{
    int left = kKeyLeftShift + 2 * (modifier - kKeyShift);
    return state.keyDown[left] || state.keyDown[left + 1];
}

} // namespace

void PostKey(HWND hwnd, BYTE vk, KeyAction action, bool extended, DWORD time)
{
    LPARAM lParam = 1; // one stroke: the repeat count
    if (extended)
        lParam |= kKeyExtended;
    if (action == kKeyReleased)
        lParam |= kKeyWasDown | kKeyTransition;
    else if (action == kKeyRepeated)
        lParam |= kKeyWasDown;
    PostInput(hwnd, action == kKeyReleased ? WM_KEYUP : WM_KEYDOWN, vk, lParam, time);
}

void NoteKeyRemoved(const MSG &msg)
{
    if (msg.message == WM_KEYDOWN) {
        if (msg.wParam == kKeyCapital && (msg.lParam & kKeyWasDown) == 0)
            state.capsLock = !state.capsLock;
        state.keyDown[KeyStateIndex(msg)] = true;
    } else if (msg.message == WM_KEYUP) {
        state.keyDown[KeyStateIndex(msg)] = false;
    }
}

void SetCapsLock(bool on)
{
    state.capsLock = on;
}

int CharacterOfKey(BYTE vk)
{
    bool shift = Held(kKeyShift), control = Held(kKeyControl);
    if (Held(kKeyMenu))
        return 0; // Alt makes system keys, which have no WM_CHAR here
    if (vk >= 'A' && vk <= 'Z') {
        if (control)
            return vk - 'A' + 1;
        return (shift != state.capsLock) ? vk : vk - 'A' + 'a';
    }
    if (control)
        return 0;
    if (vk >= '0' && vk <= '9')
        return shift ? ")!@#$%^&*("[vk - '0'] : vk;
    if (vk >= 0x60 && vk <= 0x69) // the number pad's digits
        return '0' + (vk - 0x60);
    static const struct {
        BYTE vk;
        char plain, shifted;
    } table[] = {
        {0x08, 8, 8},     {0x09, 9, 9},     {0x0D, 13, 13},   {0x1B, 27, 27},    {0x20, ' ', ' '},
        {0xBA, ';', ':'}, {0xBB, '=', '+'}, {0xBC, ',', '<'}, {0xBD, '-', '_'},  {0xBE, '.', '>'},
        {0xBF, '/', '?'}, {0xC0, '`', '~'}, {0xDB, '[', '{'}, {0xDC, '\\', '|'}, {0xDD, ']', '}'},
        {0xDE, '\'', '"'},
    };
    for (const auto &entry : table)
        if (entry.vk == vk)
            return shift ? entry.shifted : entry.plain;
    return 0;
}

} // namespace core

using namespace core;

BOOL WINAPI TranslateMessage(const MSG *msg)
{
    const MSG none{};
    const MSG &m = msg != nullptr ? *msg : none;
    Traced call("TranslateMessage", {Arg(m.message), Arg(m.wParam)});
    // Every message of the keyboard's range counts as translated, as on
    // Windows; only a key press makes a character.
    if (msg == nullptr || msg->message < kFirstKeyMessage || msg->message > kLastKeyMessage)
        return call.Return(FALSE);
    if (msg->message == WM_KEYDOWN) {
        int ch = CharacterOfKey(static_cast<BYTE>(msg->wParam));
        if (ch != 0) {
            MSG charMsg = *msg;
            charMsg.message = WM_CHAR;
            charMsg.wParam = static_cast<WPARAM>(ch);
            // Posted, as on Windows: it comes before any input still
            // waiting, after anything posted before it.
            state.posted.push_back(charMsg);
        }
    }
    return call.Return(TRUE);
}
