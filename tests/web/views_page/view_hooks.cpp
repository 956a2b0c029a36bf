// For the browser test only: puts the running program into one of the views
// that tests/gl_layer draws natively (frame_views.h), so that the page's frame
// can be measured against the native one of the same rotation.
//
// dv_show_view(index) gives the program the view's rotation, flags and
// counter, with every other variable at its start value and the model
// still, and marks the window as needing a paint: the program's paint
// handler asks for the frame, which composes the start increment once, as
// the native frame does. The caller then wakes the program from JavaScript
// (DV.wake(), web_library.js), since a wait cannot end inside compiled code.
#include <emscripten/emscripten.h>

#include <vector>

#include "frame_views.h"
#include "platform/core/backend.h"
#include "rotation.h"
#include "state/viewer_state.h"

extern "C" EMSCRIPTEN_KEEPALIVE int dv_show_view(int index)
{
    if (index < 0 || index >= kFrameViewCount)
        return 0;
    const FrameView &view = frameViews[index];

    // What the window set up stays; the rest goes back to its start.
    int width = windowWidth, height = windowHeight;
    HDC dc = deviceContext;
    HGLRC rc = renderContext;
    HPALETTE palette = displayPalette;
    IdleHandler idle = idleHandler;
    ResetViewerState();
    windowWidth = width;
    windowHeight = height;
    deviceContext = dc;
    renderContext = rc;
    displayPalette = palette;
    idleHandler = idle;

    std::vector<double> start = view.frameCount != 0 ? Rotation(view.angle, view.axis[0], view.axis[1], view.axis[2])
                                                     : Rotation(0, 1, 0, 0);
    for (int i = 0; i < 16; i++)
        rotationMatrix[i] = (float)start[i];
    spinning = 0;
    // The program's very first frame counts itself and shows 001.
    countingFrames = 0;
    frameCount = view.frameCount != 0 ? view.frameCount : 1;
    fogEnabled = view.fogEnabled;
    wireframeEnabled = view.wireframeEnabled;
    core::Exposed(core::InputTarget());
    return 1;
}

// The model's rotation now, 16 floats in column-major order: what a drag
// has turned it by is measured from it.
extern "C" EMSCRIPTEN_KEEPALIVE const float *dv_view_rotation(void)
{
    return rotationMatrix;
}
