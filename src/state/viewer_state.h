// The process-wide state the subsystems share: one set of variables, defined
// once in viewer_state.cpp with their start values.
#ifndef DUCKVIEW_STATE_VIEWER_STATE_H
#define DUCKVIEW_STATE_VIEWER_STATE_H

#include "platform/win32.h"

typedef void (*IdleHandler)(void);

// The window's size in pixels, fixed at start-up: what CreateWindowExA is
// asked for, and SetWindowPos again after a resize. On Windows that is the
// outer size, frame and caption included; on our Win32 core elsewhere it is
// the client area's (platform/core/core.h says what follows for the picture
// and the trackball).
extern int windowWidth;
extern int windowHeight;

// Handles owned from window creation to destruction; the palette lives on.
extern HDC deviceContext;
extern HGLRC renderContext;
extern HPALETTE displayPalette;

// What the message loop calls when no message is waiting, or none.
extern IdleHandler idleHandler;

// Accumulated model rotation, column-major.
extern float rotationMatrix[16];

// The rotation each rendered frame adds, in degrees about an axis.
extern float incrementAngle;
extern float incrementAxis[3];

extern int applyIncrement;
extern int spinning;
extern int dragging;
extern float lastSpherePoint[3];
extern int pressX;
extern int pressY;

// Frames rendered during the first second.
extern int countingFrames;
extern int frameCount;

// Toggled by the keys "f" and "p".
extern int fogEnabled;
extern int wireframeEnabled;

// Build-time settings: fixed values that nothing changes while running.
// They stay variables so that both branches of the code can be exercised.
extern int lightingEnabled;
extern int textureEnabled;
extern int textureReplace;
extern int cullingEnabled;
extern int perspectiveEnabled;
extern int doubleBuffered;
extern int depthBuffered;

// Puts every variable back to its start value (for tests that run the
// program's parts many times in one process).
void ResetViewerState(void);

#endif // DUCKVIEW_STATE_VIEWER_STATE_H
