// The views of the program that the layer's frames are compared on, drawn
// by the program's own InitScene and RenderFrame. The same code runs on
// desktop OpenGL, on the layer natively, and on the layer in a browser.
#ifndef DUCKVIEW_TESTS_GL_LAYER_FRAME_VIEWS_H
#define DUCKVIEW_TESTS_GL_LAYER_FRAME_VIEWS_H

// Frames are this many pixels on a side (the window is square).
const int kFrameSide = 256;

struct FrameView {
    const char *name;
    int fogEnabled;
    int wireframeEnabled;
    // The number the counter shows; 0 for the program's very first frame,
    // which counts itself and shows 001.
    int frameCount;
    // The rotation the model has before the frame adds its increment.
    float angle;
    float axis[3];
};

const FrameView frameViews[] = {
    {"start", 0, 0, 0, 0.0f, {1, 0, 0}},
    {"fog", 1, 0, 234, 35.0f, {1, 1, 0}},
    {"wireframe", 0, 1, 567, -25.0f, {1, 0.3f, 0}},
    {"underside", 0, 0, 890, 145.0f, {1, 0.2f, 0}},
    {"underside_fog_wireframe", 1, 1, 456, 200.0f, {0.8f, -0.3f, 0.2f}},
};
const int kFrameViewCount = sizeof frameViews / sizeof frameViews[0];

// Draws the views in order into the current context, which must be freshly
// made (InitScene runs once, first), kFrameSide pixels square. `drawn` gets
// each view while its frame is still in the colour buffer.
void RenderViews(void (*drawn)(const FrameView &view));

// Renders `count` more frames of the spinning model, as the program does
// when idle: without fog, filled or as a wireframe.
void RenderMoreFrames(int count, int wireframe);

// Where a frame's counter lies, in pixels from the top-left corner (rows
// top first, as the image files hold them), with a margin for line width.
inline bool InCounterBox(int x, int y)
{
    const double left = 0.2, right = 0.53, bottom = 0.6955, top = 0.823, margin = 3;
    double px = x + 0.5, py = kFrameSide - (y + 0.5);
    return px >= (left + 1) / 2 * kFrameSide - margin && px <= (right + 1) / 2 * kFrameSide + margin &&
           py >= (bottom + 1) / 2 * kFrameSide - margin && py <= (top + 1) / 2 * kFrameSide + margin;
}

#endif // DUCKVIEW_TESTS_GL_LAYER_FRAME_VIEWS_H
