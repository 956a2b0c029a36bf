// The call sequences of layer_cases.inc against the fixed-function layer,
// on the OpenGL ES 2 context that is current.
#include "platform/gl_layer/gl_layer.h"

#include <cmath>
#include <vector>

#include "layer_cases.h"

namespace layer {
bool Prepare()
{
    return InitGlLayer() != 0;
}
void Finish()
{
    ShutdownGlLayer();
}
bool Rebuild()
{
    return RestoreGlLayer() != 0;
}
#include "layer_cases.inc"
void RedrawScene(Scene scene)
{
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    if (scene == kWideLines)
        DrawLineStar();
    else
        DrawBowl();
}
} // namespace layer
