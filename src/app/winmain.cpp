#include "app/window_proc.h"

#include <cstddef>
#include "app/texts.h"
#include "state/viewer_state.h"

// Where the window opens, in screen pixels.
static int windowX = 50;
static int windowY = 50;

static const char noticeText[] = " mouse: touch the window image for movement ";
static const char noticeCaption[] = DUCKVIEW_NOTICE_CAPTION;
static const char windowFailedText[] = "CreateWindowExA failed: the window could not be made";

int WINAPI WinMain(HINSTANCE hInstance, HINSTANCE hPrevInstance, LPSTR lpCmdLine, int nCmdShow)
{
    WNDCLASSA wc;
    MSG msg;
    HWND hwnd;
    BOOL result;

    (void)hPrevInstance;
    (void)lpCmdLine;

    wc.style = CS_OWNDC | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = MainWindowProc;
    wc.cbClsExtra = 0;
    wc.cbWndExtra = 0;
    wc.hInstance = hInstance;
    wc.hIcon = LoadIconA(NULL, IDI_APPLICATION);
    wc.hCursor = LoadCursorA(NULL, IDC_ARROW);
    wc.hbrBackground = NULL;
    wc.lpszMenuName = NULL;
    wc.lpszClassName = "OpenGL";
    RegisterClassA(&wc);

    MessageBoxA(NULL, noticeText, noticeCaption, MB_OK);

    windowWidth = (int)(GetSystemMetrics(SM_CYSCREEN) * 0.3);
    windowHeight = (int)(GetSystemMetrics(SM_CYSCREEN) * 0.3);

    hwnd = CreateWindowExA(0, "OpenGL", DUCKVIEW_WINDOW_TITLE, WS_OVERLAPPEDWINDOW | WS_CLIPSIBLINGS | WS_CLIPCHILDREN,
                           windowX, windowY, windowWidth, windowHeight, NULL, NULL, hInstance, NULL);
    // Without a window no message would ever come: say so and end.
    if (hwnd == NULL) {
        MessageBoxA(NULL, windowFailedText, "Error", MB_OK | MB_ICONERROR);
        return 1;
    }
    ShowWindow(hwnd, nCmdShow);
    UpdateWindow(hwnd);

    // Every waiting message is handled before the next frame; with no idle
    // handler the thread sleeps in GetMessageA.
    msg.wParam = 0;
    for (;;) {
        while (idleHandler && !PeekMessageA(&msg, NULL, 0, 0, PM_NOREMOVE)) {
            IdleHandler handler = idleHandler;
            if (handler)
                handler();
        }
        result = GetMessageA(&msg, NULL, 0, 0);
        if (result != 1)
            break;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    // A failed GetMessageA leaves msg as the last message handled, whose
    // wParam means nothing as an exit code.
    if (result != 0)
        return 0;
    return (int)msg.wParam;
}
