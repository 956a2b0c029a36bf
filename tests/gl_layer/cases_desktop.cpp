// The call sequences of layer_cases.inc against desktop OpenGL.
#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "layer_cases.h"

namespace desktop {
bool Prepare()
{
    return true;
}
void Finish()
{
}
#include "layer_cases.inc"
} // namespace desktop
