#include "state/viewer_state.h"

int windowWidth;
int windowHeight;
HDC deviceContext;
HGLRC renderContext;
HPALETTE displayPalette;
IdleHandler idleHandler;
float rotationMatrix[16];
float incrementAngle = 0.35f;
float incrementAxis[3] = {0.5f, -0.5f, 0.0f};
int applyIncrement = 1;
int spinning = 1;
int dragging;
float lastSpherePoint[3];
int pressX;
int pressY;
int countingFrames = 1;
int frameCount;
int fogEnabled;
int wireframeEnabled;

int lightingEnabled = 1;
int textureEnabled;
int textureReplace;
int cullingEnabled;
int perspectiveEnabled;
int doubleBuffered = 1;
int depthBuffered = 1;

void ResetViewerState(void)
{
    windowWidth = 0;
    windowHeight = 0;
    deviceContext = 0;
    renderContext = 0;
    displayPalette = 0;
    idleHandler = 0;
    for (int i = 0; i < 16; i++)
        rotationMatrix[i] = 0.0f;
    incrementAngle = 0.35f;
    incrementAxis[0] = 0.5f;
    incrementAxis[1] = -0.5f;
    incrementAxis[2] = 0.0f;
    applyIncrement = 1;
    spinning = 1;
    dragging = 0;
    for (int i = 0; i < 3; i++)
        lastSpherePoint[i] = 0.0f;
    pressX = 0;
    pressY = 0;
    countingFrames = 1;
    frameCount = 0;
    fogEnabled = 0;
    wireframeEnabled = 0;
    lightingEnabled = 1;
    textureEnabled = 0;
    textureReplace = 0;
    cullingEnabled = 0;
    perspectiveEnabled = 0;
    doubleBuffered = 1;
    depthBuffered = 1;
}
