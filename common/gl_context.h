// A real OpenGL context without any display: on Linux Mesa through EGL on
// the surfaceless platform, drawing into a small pbuffer; on Windows the
// system's WGL on a hidden window. Desktop OpenGL, compatibility profile,
// so every fixed-function 1.1 call works.
#ifndef DUCKVIEW_COMMON_GL_CONTEXT_H
#define DUCKVIEW_COMMON_GL_CONTEXT_H

#include <string>

// Creates a fresh context of the given size and makes it current; its
// modelview matrix is the identity and its viewport covers the pbuffer.
// Returns false (with the reason in *why) when no context can be had.
bool CreateHeadlessContext(int width, int height, std::string *why = nullptr);

// Releases and destroys the context made by CreateHeadlessContext.
void DestroyHeadlessContext();

// Keeps every library loaded now (the GL driver among them) loaded for the
// life of the process, so that leak reports can name the driver's module.
void KeepLoadedLibraries();

// Reads one RGBA pixel of the colour buffer the frames are drawn to;
// (x, y) counts from the lower-left corner as OpenGL does.
struct Rgba {
    int r, g, b, a;
};
Rgba ReadPixel(int x, int y);

#endif // DUCKVIEW_COMMON_GL_CONTEXT_H
