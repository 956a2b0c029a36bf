#include "state/viewer_state.h"

#include <cstring>

// Every variable with its start value, once: X(type, name, array bounds,
// start value...). The list defines the variables below and gives
// ResetViewerState the same values.
#define VIEWER_STATE(X)                                \
    X(int, windowWidth, , 0)                           \
    X(int, windowHeight, , 0)                          \
    X(HDC, deviceContext, , 0)                         \
    X(HGLRC, renderContext, , 0)                       \
    X(HPALETTE, displayPalette, , 0)                   \
    X(IdleHandler, idleHandler, , 0)                   \
    X(float, rotationMatrix, [16], 0.0f)               \
    X(float, incrementAngle, , 0.35f)                  \
    X(float, incrementAxis, [3], 0.5f, -0.5f, 0.0f)    \
    X(int, applyIncrement, , 1)                        \
    X(int, spinning, , 1)                              \
    X(int, dragging, , 0)                              \
    X(float, lastSpherePoint, [3], 0.0f, 0.0f, 0.0f)   \
    X(int, pressX, , 0)                                \
    X(int, pressY, , 0)                                \
    X(int, countingFrames, , 1)                        \
    X(int, frameCount, , 0)                            \
    X(int, fogEnabled, , 0)                            \
    X(int, wireframeEnabled, , 0)                      \
    X(int, lightingEnabled, , 1)                       \
    X(int, textureEnabled, , 0)                        \
    X(int, textureReplace, , 0)                        \
    X(int, cullingEnabled, , 0)                        \
    X(int, perspectiveEnabled, , 0)                    \
    X(int, doubleBuffered, , 1)                        \
    X(int, depthBuffered, , 1)

#define DEFINE_VARIABLE(type, name, bounds, ...) type name bounds = {__VA_ARGS__};
VIEWER_STATE(DEFINE_VARIABLE)

void ResetViewerState(void)
{
#define RESET_VARIABLE(type, name, bounds, ...)                \
    {                                                          \
        static const type start bounds = {__VA_ARGS__};        \
        std::memcpy(&name, &start, sizeof name);               \
    }
    VIEWER_STATE(RESET_VARIABLE)
#undef RESET_VARIABLE
}
