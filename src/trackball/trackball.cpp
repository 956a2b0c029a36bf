#include "trackball/trackball.h"

#include <cmath>

#include "render/frame.h"
#include "state/viewer_state.h"

void ProjectToSphere(int x, int y, int width, int height, float out[3])
{
    float px = (float)((2.0 * x - width) / width);
    float py = (float)((height - 2.0 * y) / height);
    float d = (float)std::sqrt((double)(px * px + py * py));
    float t = d < 1.0f ? d : 1.0f;
    // Height by the cosine of the distance from the centre, so a point on or
    // beyond the rim lands on the equator.
    float pz = (float)std::cos((double)(1.5707964f * t));
    double n = std::sqrt((double)(px * px + py * py + pz * pz));
    float s = (float)(1.0 / n);
    out[0] = px * s;
    out[1] = py * s;
    out[2] = pz * s;
}

void BeginDrag(int button, int x, int y)
{
    if (button != 1)
        return;
    applyIncrement = 1;
    dragging = 1;
    spinning = 0;
    pressX = x;
    pressY = y;
    ProjectToSphere(x, y, windowWidth, windowHeight, lastSpherePoint);
}

void DragTo(int x, int y)
{
    if (!dragging)
        return;
    float c[3];
    ProjectToSphere(x, y, windowWidth, windowHeight, c);
    const float *last = lastSpherePoint;
    float dx = c[0] - last[0];
    float dy = c[1] - last[1];
    float dz = c[2] - last[2];
    // The chord between the two points on the ball, in quarter turns.
    incrementAngle = (float)(90.0 * std::sqrt((double)(dx * dx + dy * dy + dz * dz)));
    incrementAxis[0] = last[1] * c[2] - last[2] * c[1];
    incrementAxis[1] = last[2] * c[0] - last[0] * c[2];
    incrementAxis[2] = last[0] * c[1] - last[1] * c[0];
    lastSpherePoint[0] = c[0];
    lastSpherePoint[1] = c[1];
    lastSpherePoint[2] = c[2];
    RequestRedraw();
}

// Scales the last movement's angle into the spin after release by the frame
// rate measured at start-up: 100 / frameCount as a whole number while that
// is at least 1, the plain ratio beyond 100 frames so that the spin never
// stalls, and one counted frame when none has been rendered yet.
static void RescaleSpin(void)
{
    int frames = frameCount > 0 ? frameCount : 1;
    int q = 100 / frames;
    if (q >= 1)
        incrementAngle = 0.5f * incrementAngle * (float)q;
    else
        incrementAngle = (float)(0.5 * incrementAngle * (100.0 / frames));
}

void EndDrag(int button, int x, int y)
{
    if (button != 1 || applyIncrement != 1)
        return;
    dragging = 0;
    if (x == pressX && y == pressY) {
        incrementAngle = 0.0f;
        spinning = 0;
    } else {
        spinning = 1;
        RescaleSpin();
    }
    if (spinning == 0)
        applyIncrement = 0;
    RequestRedraw();
}
