// The window's pixel format and, on palette-based displays, its palette.
#ifndef DUCKVIEW_DISPLAY_PIXEL_FORMAT_H
#define DUCKVIEW_DISPLAY_PIXEL_FORMAT_H

#include <cstddef>

#include "platform/win32.h"

// Sets the format closest to the program's request, or reports the failure
// and ends the process with exit code 1.
void ConfigurePixelFormat(HDC deviceContext);
// Builds, selects and realises an RGB palette when the format needs one.
void BuildDisplayPalette(HDC deviceContext);

// Where BuildDisplayPalette gets the memory for its palette record (malloc;
// the record is released with free). A null result means no palette.
extern void *(*paletteRecordAllocator)(size_t size);

#endif // DUCKVIEW_DISPLAY_PIXEL_FORMAT_H
