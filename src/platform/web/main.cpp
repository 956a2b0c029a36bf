// Browser back end: the program's entry point. The page loads the program
// and runs main(), which hands over to WinMain as the Windows loader would.
//
// Platform: a web browser (Emscripten). WinMain runs from the page's load
// until it returns, handing control to the browser whenever it waits.
//
// Limits and differences from Windows:
// - There is no command line (an empty one) and the show command is
//   SW_SHOWDEFAULT.
// - The program's end is the page's: exit() with WinMain's result, which
//   the page shows (and exit(1) from inside the program likewise).
#include <cstdlib>

#include "platform/win32.h"

int main()
{
    static char instanceTag;
    static char commandLine[] = "";
    int result = WinMain(reinterpret_cast<HINSTANCE>(&instanceTag), nullptr, commandLine, SW_SHOWDEFAULT);
    // A main() that has slept returns to nobody: end the program here.
    std::exit(result);
}
