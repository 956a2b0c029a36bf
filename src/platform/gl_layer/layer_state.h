// The GL layer's state, shared by its two halves: the state calls
// (layer_state.cpp) and the drawing (layer_draw.cpp). Everything here is the
// layer's own, in the namespace gl_layer, apart from the program's names;
// only the entry points of gl_layer.h are process-wide.
#ifndef DUCKVIEW_PLATFORM_GL_LAYER_LAYER_STATE_H
#define DUCKVIEW_PLATFORM_GL_LAYER_LAYER_STATE_H

#define DUCKVIEW_GL_LAYER_IMPLEMENTATION
#include "platform/gl_layer/gl_layer.h"

#include <vector>

namespace gl_layer {

const int kLights = 8;
const int kStackDepth = 32;
const int kEsSwitches = 8;

struct Light {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float eyePosition[4];
    // Towards the light, unit length, and the half-angle vector with the
    // viewer at infinity: both from the eye position, as soon as it is set.
    float direction[3];
    float halfVector[3];
    int enabled;
};

struct Material {
    float ambient[4];
    float diffuse[4];
    float specular[4];
    float emission[4];
    float shininess;
};

// One vertex as the shader takes it.
struct Vertex {
    float position[3];
    float normal[3];
    float color[4];
    float back;      // 1: part of a back face (or its edges)
    float offset[2]; // window-space shift in pixels (the sides of wide lines)
};

struct State {
    float modelview[kStackDepth][16];
    float projection[kStackDepth][16];
    int modelviewDepth;
    int projectionDepth;
    GLenum matrixMode;

    Light lights[kLights];
    Material materials[2]; // front, back
    float modelAmbient[4];
    int twoSide;

    int lighting;
    int fog;
    int texturing;
    int culling;

    GLenum fogMode;
    float fogDensity;
    float fogStart;
    float fogEnd;
    float fogColor[4];

    GLenum polygonMode;
    float lineWidth;
    float color[4];
    float normal[3];

    GLenum textureEnvMode;
    GLint textureMinFilter;
    int textureComponents; // of level 0: 3 or 4, 0 while it has no image

    // What goes on to OpenGL ES, kept to give a restored context again.
    GLint viewport[4]; // the first context's, which the program never changes
    float clearColor[4];
    struct {
        GLenum cap;
        int on;
    } esSwitches[kEsSwitches]; // OpenGL ES's own switches
    GLint textureMagFilter, textureWrapS, textureWrapT;
    // Level 0 as uploaded (components as textureComponents), empty when it
    // was given without pixels; the program gives no other level.
    std::vector<unsigned char> textureImage;
    GLsizei textureWidth, textureHeight;

    GLenum primitive;
    int insideBegin;
    std::vector<Vertex> batch; // the vertices since glBegin
};

extern State layer;

// Column-major 4 by 4 matrices in single precision: out = a * b (out may be
// a or b), and out = m * p for a point.
void MultiplyMatrices(float out[16], const float a[16], const float b[16]);
void TransformPoint(float out[4], const float m[16], const float p[4]);
const float *ModelviewMatrix(void);
const float *ProjectionMatrix(void);

// layer_draw.cpp: the GL objects, and drawing the batch at glEnd. Forget
// drops the objects' names without deleting them (their context is gone).
int CreateDrawObjects(void);
void DestroyDrawObjects(void);
void ForgetDrawObjects(void);
void DrawBatch(void);

} // namespace gl_layer

#endif // DUCKVIEW_PLATFORM_GL_LAYER_LAYER_STATE_H
