#include "app/window_proc.h"

#include <cstddef>

#include "display/pixel_format.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"
#include "trackball/trackball.h"

// Pointer position in client pixels from a mouse message; each half is
// sign-extended, so positions left of or above the window while the mouse
// is captured come out negative.
static int PointerX(LPARAM lParam)
{
    return (int)(short)LOWORD(lParam);
}

static int PointerY(LPARAM lParam)
{
    return (int)(short)HIWORD(lParam);
}

void RealizeDisplayPalette(void)
{
    UnrealizeObject(displayPalette);
    SelectPalette(deviceContext, displayPalette, FALSE);
    RealizePalette(deviceContext);
    RequestRedraw();
}

// Sets up everything the window draws with: timer, device context, pixel
// format, palette, rendering context and scene.
static void CreateWindowResources(HWND hwnd)
{
    SetTimer(hwnd, 1, 1000, NULL);
    deviceContext = GetDC(hwnd);
    ConfigurePixelFormat(deviceContext);
    BuildDisplayPalette(deviceContext);
    renderContext = wglCreateContext(deviceContext);
    wglMakeCurrent(deviceContext, renderContext);
    InitScene();
}

// Releases the contexts and ends the message loop. The palette and the
// timer go with the process.
static void DestroyWindowResources(HWND hwnd)
{
    if (renderContext) {
        wglMakeCurrent(NULL, NULL);
        wglDeleteContext(renderContext);
        renderContext = NULL;
    }
    idleHandler = NULL;
    ReleaseDC(hwnd, deviceContext);
    deviceContext = NULL;
    PostQuitMessage(0);
}

// The keyboard commands; returns 0 for a character that is not one.
static int RunCommand(HWND hwnd, WPARAM character)
{
    switch (character) {
    case 27:
        DestroyWindow(hwnd);
        return 1;
    case 'f':
        fogEnabled = fogEnabled == 0 ? 1 : 0;
        RequestRedraw();
        return 1;
    case 'p':
        wireframeEnabled = wireframeEnabled == 0 ? 1 : 0;
        RequestRedraw();
        return 1;
    }
    return 0;
}

LRESULT CALLBACK MainWindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam)
{
    PAINTSTRUCT paint;

    switch (message) {
    case WM_CREATE:
        CreateWindowResources(hwnd);
        return 0;

    case WM_DESTROY:
        DestroyWindowResources(hwnd);
        return 0;

    case WM_SIZE:
        if (!renderContext)
            break;
        // The window keeps its start-up size; SWP_NOMOVE keeps its place.
        SetWindowPos(hwnd, NULL, 80, 80, windowWidth, windowHeight, SWP_NOMOVE);
        return 0;

    case WM_PAINT:
        if (!renderContext)
            break;
        BeginPaint(hwnd, &paint);
        RequestRedraw();
        EndPaint(hwnd, &paint);
        return 0;

    case WM_TIMER:
        // The first tick ends the start-up frame count.
        countingFrames = 0;
        return 0;

    case WM_CHAR:
        if (RunCommand(hwnd, wParam))
            return 0;
        break;

    case WM_MOUSEMOVE:
        if (renderContext)
            DragTo(PointerX(lParam), PointerY(lParam));
        break;

    case WM_LBUTTONDOWN:
        if (!renderContext)
            break;
        SetCapture(hwnd);
        BeginDrag(1, PointerX(lParam), PointerY(lParam));
        return 0;

    case WM_LBUTTONUP:
        if (!renderContext)
            break;
        ReleaseCapture();
        EndDrag(1, PointerX(lParam), PointerY(lParam));
        return 0;

    case WM_QUERYNEWPALETTE:
        if (!displayPalette)
            break;
        RealizeDisplayPalette();
        return 1;

    case WM_PALETTECHANGED:
        // Our own realisation changed the system palette: nothing to redo.
        if (!displayPalette || (HWND)wParam == hwnd)
            break;
        RealizeDisplayPalette();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}
