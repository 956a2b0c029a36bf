#include "display/pixel_format.h"

#include <cstdlib>
#include <cstring>

#include "state/viewer_state.h"

void *(*paletteRecordAllocator)(size_t size) = malloc;

// Shows the error box over the window being created and ends the process.
static void FailPixelFormat(HDC deviceContext, const char *text)
{
    MessageBoxA(WindowFromDC(deviceContext), text, "Error", MB_OK | MB_ICONERROR);
    exit(1);
}

void ConfigurePixelFormat(HDC deviceContext)
{
    PIXELFORMATDESCRIPTOR request;
    int index;

    memset(&request, 0, sizeof request);
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL;
    if (doubleBuffered)
        request.dwFlags |= PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = 8;
    if (depthBuffered)
        request.cDepthBits = 16;
    request.iLayerType = PFD_MAIN_PLANE;

    index = ChoosePixelFormat(deviceContext, &request);
    if (index == 0)
        FailPixelFormat(deviceContext, "ChoosePixelFormat failed\n");
    if (SetPixelFormat(deviceContext, index, &request) != TRUE)
        FailPixelFormat(deviceContext, "SetPixelFormat failed");
}

// Level of one colour component in palette entry i: the component's bits
// spread evenly from 0 to 255. A component without bits stays 0.
static BYTE PaletteLevel(int i, int bits, int shift)
{
    int max;

    if (bits <= 0 || bits > 16 || shift > 30)
        return 0;
    max = (1 << bits) - 1;
    return (BYTE)(((i >> shift) & max) * 255 / max);
}

void BuildDisplayPalette(HDC deviceContext)
{
    PIXELFORMATDESCRIPTOR format;
    LOGPALETTE *record;
    int index, n, i;

    memset(&format, 0, sizeof format);
    index = GetPixelFormat(deviceContext);
    DescribePixelFormat(deviceContext, index, sizeof format, &format);

    if (!(format.dwFlags & PFD_NEED_PALETTE) && format.iPixelType != PFD_TYPE_COLORINDEX)
        return;
    // palNumEntries is 16 bits wide; a deeper format cannot be described.
    if (format.cColorBits > 15)
        return;
    n = 1 << format.cColorBits;

    record = (LOGPALETTE *)paletteRecordAllocator(sizeof(LOGPALETTE) + n * sizeof(PALETTEENTRY));
    if (!record)
        return;
    record->palVersion = 0x300;
    record->palNumEntries = (WORD)n;
    for (i = 0; i < n; i++) {
        record->palPalEntry[i].peRed = PaletteLevel(i, format.cRedBits, format.cRedShift);
        record->palPalEntry[i].peGreen = PaletteLevel(i, format.cGreenBits, format.cGreenShift);
        record->palPalEntry[i].peBlue = PaletteLevel(i, format.cBlueBits, format.cBlueShift);
        record->palPalEntry[i].peFlags = 0;
    }

    displayPalette = CreatePalette(record);
    free(record);

    if (displayPalette) {
        SelectPalette(deviceContext, displayPalette, FALSE);
        RealizePalette(deviceContext);
    }
}
