// Call sequences on which the layer is measured against desktop OpenGL one
// by one: the bodies in layer_cases.inc are compiled twice, against desktop
// OpenGL (namespace desktop, cases_desktop.cpp) and against the layer
// (namespace layer, cases_layer.cpp), so both sides make the same calls.
#ifndef DUCKVIEW_TESTS_GL_LAYER_LAYER_CASES_H
#define DUCKVIEW_TESTS_GL_LAYER_LAYER_CASES_H

#include <vector>

enum MatrixOpKind { kModelviewMode, kProjectionMode, kIdentity, kOrtho, kFrustum, kTranslate, kRotate, kMult,
                    kPush, kPop };
struct MatrixOp {
    MatrixOpKind kind;
    float f[16];  // glTranslatef's, glRotatef's or glMultMatrixf's arguments
    double d[6];  // glOrtho's or glFrustum's
};

// Scenes drawn with lighting, fog, texturing, culling and line modes.
enum Scene { kDefaultLight, kSevenLights, kFogExp2, kFogExpUnlit, kFogLinear, kTextureModulate, kTextureReplace,
             kTextureWithoutMipmaps, kCulling, kWireframe, kWireframeCulled, kWideLines, kSceneCount };
const int kSceneSide = 128;

#define DV_DECLARE_LAYER_CASES(side)                                                                   \
    namespace side {                                                                                   \
    /* Readies the current context (the layer is set up on its own). */                              \
    bool Prepare();                                                                                    \
    void Finish();                                                                                     \
    /* Each operation, then both matrices, the mode and both stack depths. */                        \
    void RunMatrixOps(const std::vector<MatrixOp> &ops, std::vector<float> *readBack);                \
    /* The program's composition of a rotation increment, step after step. */                        \
    void ComposeRotations(const std::vector<MatrixOp> &steps, std::vector<float> *matrices);          \
    /* State set, then read back with glGetFloatv, glGetIntegerv, glIsEnabled. */                     \
    void QueryState(std::vector<float> *values);                                                       \
    void DrawScene(Scene scene);                                                                       \
    }

DV_DECLARE_LAYER_CASES(desktop)
DV_DECLARE_LAYER_CASES(layer)

namespace layer {
// On a new context made current: the layer's objects made again from what
// it keeps (RestoreGlLayer), and the scene's shapes drawn once more on the
// state as it stands, without setting it up.
bool Rebuild();
void RedrawScene(Scene scene);
} // namespace layer

#endif // DUCKVIEW_TESTS_GL_LAYER_LAYER_CASES_H
