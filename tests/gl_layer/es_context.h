// An OpenGL ES 2 context without a display, what the fixed-function layer
// runs on natively: Mesa through EGL on the surfaceless platform, drawing
// into a pbuffer. It shares its EGL display with the desktop context of
// gl_context.h, so one process can hold both and switch between them.
#ifndef DUCKVIEW_TESTS_GL_LAYER_ES_CONTEXT_H
#define DUCKVIEW_TESTS_GL_LAYER_ES_CONTEXT_H

#include <string>

// Creates the context with a width by height pbuffer and makes it current;
// false (with the reason in *why) when there is none to be had.
bool CreateEsContext(int width, int height, std::string *why = nullptr);

// The current context and surface, to make current again later.
struct EglBinding {
    void *display, *surface, *context;
};
EglBinding CurrentEglBinding();
void MakeCurrent(const EglBinding &binding);

#endif // DUCKVIEW_TESTS_GL_LAYER_ES_CONTEXT_H
