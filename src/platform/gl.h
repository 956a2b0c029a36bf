// The OpenGL 1.1 API: the system's opengl32 on Windows, the system's OpenGL
// (Mesa) elsewhere. The Win32 header comes first because the Windows GL
// header needs its calling-convention macros.
#ifndef DUCKVIEW_PLATFORM_GL_H
#define DUCKVIEW_PLATFORM_GL_H

#include "platform/win32.h"
#include <GL/gl.h>

#endif // DUCKVIEW_PLATFORM_GL_H
