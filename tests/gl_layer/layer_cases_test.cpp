// The layer against Mesa's desktop OpenGL call by call, in one process with
// a context of each: matrices read back, state queried, and scenes of
// lighting, fog, texturing, culling and lines read back as pixels.
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "es_context.h"
#include "gl_context.h"
#include "layer_cases.h"

namespace {

class LayerAgainstDesktop : public testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(CreateHeadlessContext(kSceneSide, kSceneSide, &why)) << why;
        desktopContext = CurrentEglBinding();
        ASSERT_TRUE(CreateEsContext(kSceneSide, kSceneSide, &why)) << why;
        esContext = CurrentEglBinding();
        ASSERT_TRUE(layer::Prepare());
        layerReady = true;
    }

    void TearDown() override
    {
        if (layerReady) {
            MakeCurrent(esContext);
            layer::Finish();
        }
        DestroyHeadlessContext();
    }

    void OnDesktop() { MakeCurrent(desktopContext); }
    void OnLayer() { MakeCurrent(esContext); }

    // Runs a case on desktop OpenGL and through the layer; what each reads
    // back must agree to the bit.
    template <class DesktopCase, class LayerCase>
    void ExpectSameReadBack(const char *what, DesktopCase onDesktop, LayerCase onLayer)
    {
        std::vector<float> expected, actual;
        OnDesktop();
        onDesktop(&expected);
        OnLayer();
        onLayer(&actual);
        ASSERT_EQ(expected.size(), actual.size()) << what;
        int differing = 0;
        double largest = 0;
        for (size_t i = 0; i < expected.size(); i++)
            if (expected[i] != actual[i]) {
                if (differing++ == 0)
                    ADD_FAILURE() << what << ": value " << i << " is " << actual[i] << ", not " << expected[i];
                largest = std::max(largest, (double)std::fabs(expected[i] - actual[i]));
            }
        printf("%s: %d of %zu values differ, by at most %g\n", what, differing, expected.size(), largest);
    }

    EglBinding desktopContext{}, esContext{};
    bool layerReady = false;
};

MatrixOp Op(MatrixOpKind kind)
{
    MatrixOp op = {};
    op.kind = kind;
    return op;
}

// Thousands of matrix operations of every kind with random arguments:
// axes along a coordinate axis, of any direction, too short to have one;
// pushes past the stack's depth and pops past its bottom.
std::vector<MatrixOp> RandomMatrixOps(int count)
{
    std::mt19937 random(20240611);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::uniform_int_distribution<int> pick(0, 99);
    std::vector<MatrixOp> ops;
    for (int i = 0; i < count; i++) {
        int p = pick(random);
        MatrixOp op = Op(kIdentity);
        if (i % 25 == 0) {
            op = Op(pick(random) < 70 ? kModelviewMode : kProjectionMode);
        } else if (p < 30) {
            op = Op(kRotate);
            op.f[0] = 360.0f * unit(random);
            int axis = pick(random) % 6;
            for (int k = 0; k < 3; k++)
                op.f[1 + k] = axis < 3 ? (k == axis ? 2.0f * unit(random) : 0.0f) : unit(random);
            if (axis == 5)
                op.f[1] *= 1e-5f, op.f[2] *= 1e-5f, op.f[3] *= 1e-5f;
        } else if (p < 45) {
            op = Op(kTranslate);
            for (int k = 0; k < 3; k++)
                op.f[k] = 3.0f * unit(random);
        } else if (p < 55) {
            op = Op(kMult);
            for (float &v : op.f)
                v = unit(random);
        } else if (p < 65) {
            op = Op(p < 60 ? kOrtho : kFrustum);
            double aspect = 1.0 + 0.5 * unit(random);
            double nearPlane = op.kind == kOrtho ? 0.3 * unit(random) : 0.9 + 0.5 * unit(random);
            double bounds[6] = {-aspect, aspect, -1.0 + 0.1 * unit(random), 1.0, nearPlane, 10.0 + unit(random)};
            std::copy(bounds, bounds + 6, op.d);
        } else if (p < 80) {
            op = Op(kPush);
        } else if (p < 95) {
            op = Op(kPop);
        }
        ops.push_back(op);
    }
    // Past the depth of both stacks, then back down past their bottoms.
    for (MatrixOpKind mode : {kModelviewMode, kProjectionMode}) {
        ops.push_back(Op(mode));
        for (int i = 0; i < 40; i++)
            ops.push_back(Op(kPush));
        for (int i = 0; i < 40; i++)
            ops.push_back(Op(kPop));
    }
    return ops;
}

TEST_F(LayerAgainstDesktop, MatrixOperationsGiveDesktopMatrices)
{
    std::vector<MatrixOp> ops = RandomMatrixOps(3000);
    ExpectSameReadBack(
        "matrix operations", [&](std::vector<float> *out) { desktop::RunMatrixOps(ops, out); },
        [&](std::vector<float> *out) { layer::RunMatrixOps(ops, out); });
}

TEST_F(LayerAgainstDesktop, AccumulatedRotationFollowsDesktop)
{
    // The start-up spin for a while, then drags about random axes.
    std::mt19937 random(7);
    std::uniform_real_distribution<float> unit(-1.0f, 1.0f);
    std::vector<MatrixOp> steps;
    for (int i = 0; i < 4000; i++) {
        MatrixOp step = Op(kRotate);
        const float spin[4] = {0.35f, 0.5f, -0.5f, 0.0f};
        const float drag[4] = {8.0f * unit(random), unit(random), unit(random), 0.0f};
        std::copy(i < 2000 ? spin : drag, (i < 2000 ? spin : drag) + 4, step.f);
        steps.push_back(step);
    }
    ExpectSameReadBack(
        "accumulated rotation", [&](std::vector<float> *out) { desktop::ComposeRotations(steps, out); },
        [&](std::vector<float> *out) { layer::ComposeRotations(steps, out); });
}

TEST_F(LayerAgainstDesktop, StateReadsBackAsOnDesktop)
{
    ExpectSameReadBack("state", desktop::QueryState, layer::QueryState);
}

std::vector<unsigned char> ReadScene()
{
    std::vector<unsigned char> rgba((size_t)kSceneSide * kSceneSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSceneSide, kSceneSide, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

const char *const sceneNames[kSceneCount] = {
    "default light", "seven lights, two sides", "EXP2 fog, perspective", "EXP fog, unlit", "linear fog",
    "texture, modulate", "texture, replace", "texture without its mipmaps", "culling", "wireframe",
    "wireframe, culled", "wide lines, fog"};

TEST_F(LayerAgainstDesktop, ScenesLookAsOnDesktop)
{
    for (int s = 0; s < kSceneCount; s++) {
        // Each scene on fresh state.
        TearDown();
        SetUp();
        OnDesktop();
        desktop::DrawScene((Scene)s);
        std::vector<unsigned char> expected = ReadScene();
        OnLayer();
        layer::DrawScene((Scene)s);
        std::vector<unsigned char> actual = ReadScene();

        int worst = 0, off = 0, drawn = 0;
        for (size_t p = 0; p < expected.size(); p += 4) {
            int difference = 0;
            for (int c = 0; c < 3; c++)
                difference = std::max(difference, std::abs(expected[p + c] - actual[p + c]));
            worst = std::max(worst, difference);
            off += difference > 2;
            drawn += expected[p] != expected[0] || expected[p + 1] != expected[1] || expected[p + 2] != expected[2];
        }
        printf("%-28s %5d pixels drawn, %3d more than 2/255 off, worst %d\n", sceneNames[s], drawn, off, worst);
        EXPECT_GT(drawn, 500) << sceneNames[s];
        EXPECT_LE(off, drawn / 200) << sceneNames[s];
    }
}

TEST_F(LayerAgainstDesktop, ScenesComeBackOnANewContext)
{
    // A new context stands for a lost one given back: nothing of the old
    // one is left on it but what the layer keeps itself.
    for (Scene s : {kSevenLights, kFogExp2, kTextureModulate, kTextureReplace, kWireframeCulled, kWideLines}) {
        TearDown();
        SetUp();
        OnLayer();
        layer::DrawScene(s);
        std::vector<unsigned char> before = ReadScene();
        std::string why;
        ASSERT_TRUE(CreateEsContext(kSceneSide, kSceneSide, &why)) << why;
        esContext = CurrentEglBinding();
        ASSERT_TRUE(layer::Rebuild()) << sceneNames[s];
        layer::RedrawScene(s);
        EXPECT_TRUE(ReadScene() == before) << sceneNames[s] << " is not drawn as before";
    }
}

} // namespace
