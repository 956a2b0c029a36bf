#include "render/frame.h"

#include <cmath>

#include "model/model.h"
#include "platform/gl.h"
#include "render/counter.h"
#include "render/scene.h"
#include "state/viewer_state.h"

// Scales the three floats at v to unit length; 0 if they have no direction.
static int NormalizeColumn(double v[3])
{
    double length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
    if (!(length > 0.0) || !std::isfinite(length))
        return 0;
    v[0] /= length;
    v[1] /= length;
    v[2] /= length;
    return 1;
}

void OrthonormalizeRotation(float matrix[16])
{
    double x[3], y[3], z[3];
    for (int i = 0; i < 3; i++) {
        x[i] = matrix[i];
        y[i] = matrix[4 + i];
    }
    if (!NormalizeColumn(x))
        return;
    double along = x[0] * y[0] + x[1] * y[1] + x[2] * y[2];
    for (int i = 0; i < 3; i++)
        y[i] -= along * x[i];
    if (!NormalizeColumn(y))
        return;
    // The third axis follows from the first two, which also keeps the
    // matrix a proper rotation rather than a reflection.
    z[0] = x[1] * y[2] - x[2] * y[1];
    z[1] = x[2] * y[0] - x[0] * y[2];
    z[2] = x[0] * y[1] - x[1] * y[0];
    for (int i = 0; i < 3; i++) {
        matrix[i] = (float)x[i];
        matrix[4 + i] = (float)y[i];
        matrix[8 + i] = (float)z[i];
    }
}

void ComposeIncrement(void)
{
    float ax = incrementAxis[0], ay = incrementAxis[1], az = incrementAxis[2];
    float lengthSquared = ax * ax + ay * ay + az * az;
    // A movement to the same pixel leaves no axis to turn about (and angle
    // 0): the rotation stays as it is.
    if (!(lengthSquared > 0.0f) || !std::isfinite(lengthSquared) || !std::isfinite(incrementAngle))
        return;

    glPushMatrix();
    glLoadIdentity();
    glRotatef(incrementAngle, ax, ay, az);
    glMultMatrixf(rotationMatrix);
    glGetFloatv(GL_MODELVIEW_MATRIX, rotationMatrix);
    glPopMatrix();
    // Rounding in every composition would otherwise slowly turn the rotation
    // into a scaling and shearing one over a long spin.
    OrthonormalizeRotation(rotationMatrix);
}

// Re-specifies the directions of lights 1 to 6 under the viewing translation
// and switches light 2 on between them.
static void PlaceLights(void)
{
    glLightfv(GL_LIGHT1, GL_POSITION, lightPositions[0]);
    glLightfv(GL_LIGHT2, GL_POSITION, lightPositions[1]);
    glEnable(GL_LIGHT2);
    glLightfv(GL_LIGHT3, GL_POSITION, lightPositions[2]);
    glLightfv(GL_LIGHT4, GL_POSITION, lightPositions[3]);
    glLightfv(GL_LIGHT5, GL_POSITION, lightPositions[4]);
    glLightfv(GL_LIGHT6, GL_POSITION, lightPositions[5]);
}

void RenderFrame(void)
{
    if (countingFrames)
        frameCount++;

    if (fogEnabled) {
        glClearColor(0.5f, 0.25f, 0.25f, 1.0f);
        glEnable(GL_FOG);
    } else {
        glClearColor(0.15f, 0.15f, 0.55f, 1.0f);
        glDisable(GL_FOG);
    }
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    DrawCounter(frameCount, 0.2f, 0.7f, 0.03f);

    if (applyIncrement == 1)
        ComposeIncrement();

    if (textureEnabled)
        glEnable(GL_TEXTURE_2D);
    if (wireframeEnabled)
        glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    if (cullingEnabled)
        glEnable(GL_CULL_FACE);
    if (lightingEnabled) {
        glEnable(GL_LIGHTING);
        PlaceLights();
    }
    glEnable(GL_DEPTH_TEST);

    glPushMatrix();
    glMultMatrixf(rotationMatrix);
    SetMaterials();
    DrawModel();
    glPopMatrix();

    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glDisable(GL_CULL_FACE);
    glDisable(GL_LIGHTING);
    glDisable(GL_DEPTH_TEST);

    glFlush();
    SwapBuffers(deviceContext);
}

void IdleRender(void)
{
    if (spinning == 0)
        idleHandler = 0;
    RenderFrame();
}

void RequestRedraw(void)
{
    if (idleHandler == 0)
        idleHandler = IdleRender;
}
