// SDL2 back end: message boxes.
//
// Platform: Linux. Dependencies: SDL2's message box (its own X11 dialog, or
// zenity on Wayland); on X11 it draws with the server's core fonts, so a
// font package (xfonts-base) must be installed.
//
// Limits and differences from Windows:
// - The box has one OK button whatever the type asks for, and returns IDOK.
// - Without SDL's video there is no display to show a box on: the core
//   then writes the text to stderr instead.
#include "platform/sdl/sdl_backend.h"

namespace backend {

int ShowMessageBox(NativeWindow *owner, const char *text, const char *caption, UINT type)
{
    if (SDL_WasInit(SDL_INIT_VIDEO) == 0)
        return 0;
    const UINT iconMask = 0xF0;
    Uint32 flags = SDL_MESSAGEBOX_INFORMATION;
    if ((type & iconMask) == MB_ICONERROR)
        flags = SDL_MESSAGEBOX_ERROR;
    else if ((type & iconMask) == 0x30) // MB_ICONWARNING
        flags = SDL_MESSAGEBOX_WARNING;
    if (SDL_ShowSimpleMessageBox(flags, caption, text, owner != nullptr ? owner->sdl : nullptr) != 0)
        return 0;
    return IDOK;
}

} // namespace backend
