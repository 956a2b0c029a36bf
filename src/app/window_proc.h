// The window procedure of the program's one window.
#ifndef DUCKVIEW_APP_WINDOW_PROC_H
#define DUCKVIEW_APP_WINDOW_PROC_H

#include "platform/win32.h"

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
// Puts the program's palette back into the system palette and redraws.
void RealizeDisplayPalette(void);

#endif // DUCKVIEW_APP_WINDOW_PROC_H
