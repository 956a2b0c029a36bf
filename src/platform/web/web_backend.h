// The browser back end's one state record, what its files share, and the
// page's side of it (web_library.js), which these files call.
//
// Platform: a web browser with WebAssembly and WebGL 1, the program built
// with Emscripten and Asyncify. One thread: the browser's. The program's
// blocking calls (GetMessageA with nothing to do, MessageBoxA, and
// PeekMessageA after a frame was swapped) hand control back to the browser
// and resume when it calls back; page events reach the core in between.
#ifndef DUCKVIEW_PLATFORM_WEB_WEB_BACKEND_H
#define DUCKVIEW_PLATFORM_WEB_WEB_BACKEND_H

#include <emscripten/html5_webgl.h>

#include <memory>
#include <vector>

#include "platform/core/backend.h"

namespace backend {

struct NativeWindow {
    int id = 0;              // the page's number for it
    char canvasSelector[32]; // "#dv-canvas-<id>"
    bool formatProbed = false;
    bool formatUsable = false;
    PIXELFORMATDESCRIPTOR format{};
    // The canvas's one WebGL context, made to learn the format and handed
    // out by the first wglCreateContext; the fixed-function layer may be
    // set up on it already.
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE spareContext = 0;
    bool spareLayerReady = false;
    // The canvas's WebGL context is lost; nothing it draws shows.
    bool contextLost = false;
    // The context came back while the layer's context was not current on
    // it: the layer is rebuilt when it next is.
    bool layerStale = false;
};

struct NativeContext {
    EMSCRIPTEN_WEBGL_CONTEXT_HANDLE webgl;
    int windowId;    // the window whose canvas it draws on
    bool layerReady; // the fixed-function layer is set up on it
    bool viewportSet = false; // it has been current: its viewport is set
};

struct WebState {
    std::vector<std::unique_ptr<NativeWindow>> windows; // the live ones
    int nextId = 1;
    NativeContext *current = nullptr;
    // A frame was swapped since control last went back to the browser.
    bool frameSwapped = false;
    bool capsLockRead = false;
    // The canvas, WebGL context and layer made ready while the program's
    // notice waits, for the first window to take (opengl.cpp), and whether
    // a class registered wants them.
    std::unique_ptr<NativeWindow> warm;
    bool warmWanted = false;
};
extern WebState web;

// The live window the page numbers id; null when there is none.
NativeWindow *WindowById(int id);
// A window's record with its number and canvas selector, and nothing else.
std::unique_ptr<NativeWindow> NewWindowRecord();

} // namespace backend

// The page's side (web_library.js). Those marked "sleeps" return only after
// the browser has run: the program is unwound and rewound around them.
extern "C" {
void dv_prepare_canvas(int id);
void dv_open_window(int id, int hwnd, const char *title, int width, int height);
void dv_move_window(int id, int x, int y);
void dv_set_visible(int id, int visible);
void dv_set_canvas_size(int id, int width, int height);
void dv_close_window(int id);
void dv_capture_mouse(int id); // 0 releases the capture
void dv_screen_size(int *width, int *height);
int dv_wait(int timeoutMs);                                      // sleeps
void dv_next_frame(void);                                        // sleeps
int dv_message_box(const char *text, const char *caption, int error); // sleeps
}

#endif // DUCKVIEW_PLATFORM_WEB_WEB_BACKEND_H
