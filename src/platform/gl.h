// The OpenGL 1.1 API: the system's opengl32 on Windows, the system's OpenGL
// (Mesa) on Linux, or our own fixed-function GL layer (gl_layer/) on WebGL 1
// in the web build and on OpenGL ES 2 in the layer's own tests: code built
// with DUCKVIEW_GL_LAYER, which linking dv_gl_layer defines. The Win32
// header comes first because the Windows GL header needs its
// calling-convention macros.
#ifndef DUCKVIEW_PLATFORM_GL_H
#define DUCKVIEW_PLATFORM_GL_H

#include "platform/win32.h"
#ifdef DUCKVIEW_GL_LAYER
#include "platform/gl_layer/gl_layer.h"
#else
#include <GL/gl.h>
#endif

#endif // DUCKVIEW_PLATFORM_GL_H
