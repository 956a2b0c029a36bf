#include "frame_views.h"

#include <vector>

#include "rotation.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"

// A frame ends by presenting it; here it stays in the buffer it was drawn
// into, to be read back.
BOOL SwapBuffers(HDC)
{
    return 1;
}

void RenderViews(void (*drawn)(const FrameView &view))
{
    ResetViewerState();
    windowWidth = kFrameSide;
    windowHeight = kFrameSide;
    InitScene();
    for (const FrameView &view : frameViews) {
        if (view.frameCount != 0) {
            countingFrames = 0;
            frameCount = view.frameCount;
            std::vector<double> start = Rotation(view.angle, view.axis[0], view.axis[1], view.axis[2]);
            for (int i = 0; i < 16; i++)
                rotationMatrix[i] = (float)start[i];
        }
        fogEnabled = view.fogEnabled;
        wireframeEnabled = view.wireframeEnabled;
        RenderFrame();
        drawn(view);
    }
}

void RenderMoreFrames(int count, int wireframe)
{
    fogEnabled = 0;
    wireframeEnabled = wireframe;
    for (int i = 0; i < count; i++)
        RenderFrame();
}
