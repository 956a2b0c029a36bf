// Built for Windows and run under Wine beside the viewer, in its prefix and
// on its display: prints the outer size of the viewer's window as Windows
// reports it (GetWindowRect), "width height", or fails when there is no
// such window.
#include <windows.h>

#include <cstdio>

#include "app/texts.h"

int main()
{
    HWND window = FindWindowA(nullptr, DUCKVIEW_WINDOW_TITLE);
    RECT r;
    if (!window || !GetWindowRect(window, &r)) {
        std::printf("no window titled \"%s\"\n", DUCKVIEW_WINDOW_TITLE);
        return 1;
    }
    std::printf("%ld %ld\n", static_cast<long>(r.right - r.left), static_cast<long>(r.bottom - r.top));
    return 0;
}
