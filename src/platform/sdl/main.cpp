// SDL2 back end: the program's entry point. It starts SDL's video and hands
// over to the program's WinMain, as the Windows loader would.
//
// Platform: Linux. Dependencies: SDL2.
//
// Limits and differences from Windows:
// - Only a display that can be seen will do (video.cpp says which driver is
//   chosen). Without a display the program ends with exit code 1 and a line
//   on stderr.
// - The command line is the arguments joined by single blanks (no quoting);
//   the show command is always SW_SHOWDEFAULT.
#define SDL_MAIN_HANDLED
#include "platform/sdl/sdl_backend.h"
#include "platform/program_name.h"

#include <cstdio>
#include <string>

int main(int argc, char **argv)
{
    // Ctrl-C should end the program as usual rather than turn into an SDL
    // quit event that nothing reads.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    std::string why;
    if (!backend::StartVideo(&why)) {
        // The program's name, not argv[0]: this line begins as every other
        // the program writes on stderr, whatever path it was started by.
        std::fprintf(stderr, "%s: cannot open a display: %s\n", kProgramName, why.c_str());
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
    // The back end keeps the GL library loaded while the program runs.
    SDL_GL_UnloadLibrary();
    SDL_Quit();
    return result;
}
