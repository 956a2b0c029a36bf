// What a window that OpenGL draws into asks ChoosePixelFormat for:
// double-buffered RGBA with the given colour and depth bits.
#ifndef DUCKVIEW_COMMON_WINDOW_FORMAT_H
#define DUCKVIEW_COMMON_WINDOW_FORMAT_H

#include "platform/win32.h"

inline PIXELFORMATDESCRIPTOR WindowFormatRequest(BYTE colourBits, BYTE depthBits)
{
    PIXELFORMATDESCRIPTOR request{};
    request.nSize = sizeof request;
    request.nVersion = 1;
    request.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    request.iPixelType = PFD_TYPE_RGBA;
    request.cColorBits = colourBits;
    request.cDepthBits = depthBits;
    request.iLayerType = PFD_MAIN_PLANE;
    return request;
}

#endif // DUCKVIEW_COMMON_WINDOW_FORMAT_H
