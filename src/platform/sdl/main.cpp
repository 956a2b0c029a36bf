// The Linux entry point: starts SDL's video and hands over to the program's
// WinMain, as the Windows loader would.
#define SDL_MAIN_HANDLED
#include <SDL.h>

#include <cstdio>
#include <string>

#include "platform/win32.h"

int main(int argc, char **argv)
{
    // Ctrl-C should end the program as usual rather than turn into an SDL
    // quit event that nothing reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    const char *name = (argc > 0 && argv[0] != nullptr) ? argv[0] : "duckview";
    if (SDL_Init(SDL_INIT_VIDEO) != 0) {
        std::fprintf(stderr, "%s: cannot open a display: %s\n", name, SDL_GetError());
        return 1;
    }

    // Like the Windows command line handed to WinMain: the arguments after
    // the program name, separated by single blanks.
    std::string commandLine;
    for (int i = 1; i < argc; ++i) {
        if (i > 1)
            commandLine += ' ';
        commandLine += argv[i];
    }

    static char instanceTag;
    int result = WinMain(reinterpret_cast<HINSTANCE>(&instanceTag), nullptr, commandLine.data(), SW_SHOWDEFAULT);
    SDL_Quit();
    return result;
}
