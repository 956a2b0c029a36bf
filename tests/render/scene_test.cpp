// The one-time scene set-up, checked against the state of a real GL context.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include "gl_context.h"
#include "platform/gl.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

class SceneTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetViewerState();
        textureAllocator = malloc;
        windowWidth = 230;
        windowHeight = 230;
        std::string why;
        ASSERT_TRUE(CreateHeadlessContext(64, 64, &why)) << why;
    }
    void TearDown() override
    {
        DestroyHeadlessContext();
        textureAllocator = malloc;
        ResetViewerState();
    }
};

std::vector<float> GetFloats(GLenum what, int count)
{
    std::vector<float> v(count, -99.0f);
    glGetFloatv(what, v.data());
    return v;
}

std::vector<float> Light(GLenum light, GLenum what)
{
    std::vector<float> v(4, -99.0f);
    glGetLightfv(light, what, v.data());
    return v;
}

std::vector<float> Material(GLenum face, GLenum what, int count = 4)
{
    std::vector<float> v(count, -99.0f);
    glGetMaterialfv(face, what, v.data());
    return v;
}

uint32_t Bits(float f)
{
    uint32_t u;
    std::memcpy(&u, &f, sizeof u);
    return u;
}

// Multiplies a column-major 4x4 matrix by (x, y, z, w).
std::vector<double> Apply(const std::vector<float> &m, double x, double y, double z, double w)
{
    std::vector<double> r(4);
    for (int row = 0; row < 4; row++)
        r[row] = m[row] * x + m[4 + row] * y + m[8 + row] * z + m[12 + row] * w;
    return r;
}

const std::vector<float> kIdentity = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};

TEST_F(SceneTest, LeavesModelviewWithViewingTranslationAndOrthographicProjection)
{
    InitScene();

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);

    std::vector<float> expected = kIdentity;
    expected[14] = -2.5f;
    EXPECT_EQ(expected, GetFloats(GL_MODELVIEW_MATRIX, 16));

    // glOrtho(-1, 1, -1, 1, 0, 10)
    std::vector<float> projection = GetFloats(GL_PROJECTION_MATRIX, 16);
    const float ortho[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -0.2f, 0, 0, 0, -1, 1};
    for (int i = 0; i < 16; i++)
        EXPECT_FLOAT_EQ(ortho[i], projection[i]) << "element " << i;

    for (int i = 0; i < 16; i++)
        EXPECT_EQ(kIdentity[i], rotationMatrix[i]) << "element " << i;

    // The set-up switches on lights only: everything else is per frame.
    for (GLenum cap : {GL_FOG, GL_LIGHTING, GL_DEPTH_TEST, GL_TEXTURE_2D, GL_CULL_FACE})
        EXPECT_FALSE(glIsEnabled(cap)) << "capability 0x" << std::hex << cap;
}

TEST_F(SceneTest, AspectIsFloatingPointDivisionOfTheWindowSizes)
{
    windowWidth = 300;
    windowHeight = 200;
    InitScene();
    std::vector<float> p = GetFloats(GL_PROJECTION_MATRIX, 16);
    // x = 1.5 maps to the right edge, x = -1.5 to the left; the integer
    // quotient 1 would put the edges at +-1.
    EXPECT_FLOAT_EQ(1.0f, (float)Apply(p, 1.5, 0, -1, 1)[0]);
    EXPECT_FLOAT_EQ(-1.0f, (float)Apply(p, -1.5, 0, -1, 1)[0]);
    EXPECT_FLOAT_EQ(1.0f / 1.5f, p[0]);
    EXPECT_FLOAT_EQ(1.0f, p[5]);
}

TEST_F(SceneTest, PerspectiveVolumeUsesSinglePrecisionNearPlane)
{
    perspectiveEnabled = 1;
    InitScene();
    std::vector<float> p = GetFloats(GL_PROJECTION_MATRIX, 16);
    const double n = 0.8999999761581421, f = 14.0;
    EXPECT_FLOAT_EQ((float)n, p[0]); // 2n / (right - left), aspect 1
    EXPECT_FLOAT_EQ((float)n, p[5]);
    EXPECT_FLOAT_EQ((float)(-(f + n) / (f - n)), p[10]);
    EXPECT_FLOAT_EQ(-1.0f, p[11]);
    EXPECT_FLOAT_EQ((float)(-2 * f * n / (f - n)), p[14]);

    // A point at the near plane maps to depth -1; just nearer it is clipped.
    std::vector<double> atNear = Apply(p, 0, 0, -n, 1);
    EXPECT_NEAR(-1.0, atNear[2] / atNear[3], 1e-6);
    std::vector<double> nearer = Apply(p, 0, 0, -0.85, 1);
    EXPECT_LT(nearer[2] / nearer[3], -1.0);

    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(GL_MODELVIEW, mode);
}

TEST_F(SceneTest, LightsCarryTheirTableValuesAndOnlyLightTwoIsOff)
{
    InitScene();

    // Light 0: position only, colours keep the defaults.
    EXPECT_EQ((std::vector<float>{0, 0, 0, 1}), Light(GL_LIGHT0, GL_AMBIENT));
    EXPECT_EQ((std::vector<float>{1, 1, 1, 1}), Light(GL_LIGHT0, GL_DIFFUSE));
    EXPECT_EQ((std::vector<float>{1, 1, 1, 1}), Light(GL_LIGHT0, GL_SPECULAR));
    // Positions are stored in eye space; a direction ignores the translation.
    EXPECT_EQ((std::vector<float>{0.7f, 0.7f, 1.25f, 0}), Light(GL_LIGHT0, GL_POSITION));

    const float colors[6][3][4] = {
        {{0.35f, 0.35f, 0.65f, 1}, {0.2f, 0.2f, 0.5f, 1}, {0.2f, 0.2f, 0.65f, 1}},
        {{0.65f, 0.75f, 0.45f, 1}, {0.4f, 0.3f, 0.3f, 1}, {0.65f, 0.85f, 0.85f, 1}},
        {{0.65f, 0.65f, 0.35f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.65f, 0.65f, 0.85f, 1}},
        {{0.55f, 0.55f, 0.55f, 1}, {0.4f, 0.5f, 0.3f, 1}, {0.2f, 0.7f, 0.35f, 1}},
        {{0.05f, 0.6f, 0.05f, 1}, {0, 0.5f, 0, 1}, {0.05f, 0.6f, 0.08f, 1}},
        {{0.4f, 0.4f, 0.4f, 1}, {0.4f, 0.4f, 0.05f, 1}, {0.65f, 0.55f, 0.55f, 1}},
    };
    const float positions[6][4] = {{-10, 14, 4, 0}, {5, -6, -2, 0}, {0, -3, 4, 0},
                                   {0, -2, -5, 0},  {0, 0, -8, 0},  {-20, -10, -2, 0}};
    for (int k = 1; k <= 6; k++) {
        GLenum light = GL_LIGHT0 + k;
        SCOPED_TRACE("light " + std::to_string(k));
        EXPECT_EQ(std::vector<float>(colors[k - 1][0], colors[k - 1][0] + 4), Light(light, GL_AMBIENT));
        EXPECT_EQ(std::vector<float>(colors[k - 1][1], colors[k - 1][1] + 4), Light(light, GL_DIFFUSE));
        EXPECT_EQ(std::vector<float>(colors[k - 1][2], colors[k - 1][2] + 4), Light(light, GL_SPECULAR));
        EXPECT_EQ(std::vector<float>(positions[k - 1], positions[k - 1] + 4), Light(light, GL_POSITION));
        EXPECT_EQ(std::vector<float>(lightPositions[k - 1], lightPositions[k - 1] + 4),
                  std::vector<float>(positions[k - 1], positions[k - 1] + 4));
        EXPECT_EQ(k != 2, (bool)glIsEnabled(light));
    }
    EXPECT_TRUE(glIsEnabled(GL_LIGHT0));

    // No spot or attenuation was set.
    for (int k = 0; k <= 6; k++) {
        float cutoff = 0, constant = 0;
        glGetLightfv(GL_LIGHT0 + k, GL_SPOT_CUTOFF, &cutoff);
        glGetLightfv(GL_LIGHT0 + k, GL_CONSTANT_ATTENUATION, &constant);
        EXPECT_EQ(180.0f, cutoff);
        EXPECT_EQ(1.0f, constant);
    }

    GLint twoSide = 0, localViewer = -1;
    glGetIntegerv(GL_LIGHT_MODEL_TWO_SIDE, &twoSide);
    glGetIntegerv(GL_LIGHT_MODEL_LOCAL_VIEWER, &localViewer);
    EXPECT_EQ(1, twoSide);
    EXPECT_EQ(0, localViewer);
    EXPECT_EQ((std::vector<float>{0.2f, 0.2f, 0.2f, 1}), GetFloats(GL_LIGHT_MODEL_AMBIENT, 4));
}

TEST_F(SceneTest, FogIsExponentialSquaredWithExactDensity)
{
    InitScene();
    GLint mode = 0;
    glGetIntegerv(GL_FOG_MODE, &mode);
    EXPECT_EQ(GL_EXP2, mode);
    float density = 0;
    glGetFloatv(GL_FOG_DENSITY, &density);
    EXPECT_EQ(0x3E78D4FFu, Bits(density));
    EXPECT_EQ((std::vector<float>{0.4f, 0.4f, 0.5f, 1.0f}), GetFloats(GL_FOG_COLOR, 4));
    // Start, end and hint keep their defaults.
    EXPECT_EQ(0.0f, GetFloats(GL_FOG_START, 1)[0]);
    EXPECT_EQ(1.0f, GetFloats(GL_FOG_END, 1)[0]);
    GLint hint = 0;
    glGetIntegerv(GL_FOG_HINT, &hint);
    EXPECT_EQ(GL_DONT_CARE, hint);
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(SceneTest, MaterialsDifferOnlyInDiffuseColour)
{
    InitScene();
    SetMaterials();
    for (GLenum face : {GL_FRONT, GL_BACK}) {
        SCOPED_TRACE(face == GL_FRONT ? "front" : "back");
        EXPECT_EQ((std::vector<float>{0.05f, 0.05f, 0.05f, 1}), Material(face, GL_AMBIENT));
        EXPECT_EQ((std::vector<float>{0.23f, 0.23f, 0.25f, 1}), Material(face, GL_SPECULAR));
        EXPECT_EQ(40.0f, Material(face, GL_SHININESS, 1)[0]);
        EXPECT_EQ((std::vector<float>{0, 0, 0, 1}), Material(face, GL_EMISSION));
    }
    EXPECT_EQ((std::vector<float>{0.75f, 0.3f, 0.3f, 0.6f}), Material(GL_FRONT, GL_DIFFUSE));
    EXPECT_EQ((std::vector<float>{0.2f, 0.65f, 0.2f, 0.6f}), Material(GL_BACK, GL_DIFFUSE));
    EXPECT_FALSE(glIsEnabled(GL_COLOR_MATERIAL));
}

TEST_F(SceneTest, CheckerboardTextureAndItsParameters)
{
    InitScene();

    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(GL_MODULATE, env);

    GLint bound = -1;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(0, bound) << "the default texture holds the image";

    const GLenum params[4] = {GL_TEXTURE_MIN_FILTER, GL_TEXTURE_MAG_FILTER, GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T};
    const GLint values[4] = {GL_NEAREST, GL_NEAREST, GL_REPEAT, GL_REPEAT};
    for (int i = 0; i < 4; i++) {
        GLint v = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, params[i], &v);
        EXPECT_EQ(values[i], v) << "parameter 0x" << std::hex << params[i];
    }

    GLint w = 0, h = 0, format = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(256, w);
    EXPECT_EQ(256, h);
    EXPECT_EQ(GL_RGB, format);

    std::vector<unsigned char> texels(256 * 256 * 4, 7);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    auto level = [&](int row, int col) {
        const unsigned char *t = &texels[(row * 256 + col) * 4];
        EXPECT_EQ(t[0], t[1]);
        EXPECT_EQ(t[0], t[2]);
        EXPECT_EQ(255, t[3]);
        return (int)t[0];
    };
    EXPECT_EQ(16, level(0, 0));
    EXPECT_EQ(16, level(0, 31));
    EXPECT_EQ(255, level(0, 32));
    EXPECT_EQ(255, level(31, 32));
    EXPECT_EQ(16, level(32, 32));
    EXPECT_EQ(16, level(255, 255));
    EXPECT_EQ(255, level(224, 0));
    // Every texel: an 8 by 8 board of 32-texel squares.
    int wrong = 0;
    for (int r = 0; r < 256; r++)
        for (int c = 0; c < 256; c++)
            wrong += texels[(r * 256 + c) * 4] != (((r / 32 + c / 32) % 2) ? 255 : 16);
    EXPECT_EQ(0, wrong);
}

TEST_F(SceneTest, ReplaceModeWhenTextureReplaceIsSet)
{
    textureReplace = 1;
    InitScene();
    GLint env = 0;
    glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
    EXPECT_EQ(GL_REPLACE, env);
}

TEST_F(SceneTest, FailedTextureAllocationSkipsOnlyTheImage)
{
    static int calls;
    calls = 0;
    textureAllocator = [](size_t size) -> void * {
        calls++;
        EXPECT_EQ(262144u, size);
        return nullptr;
    };
    InitScene();
    EXPECT_EQ(1, calls);

    GLint w = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
    EXPECT_EQ(0, w) << "no image was specified";
    GLint minFilter = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    EXPECT_EQ(GL_NEAREST, minFilter);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(kIdentity[i], rotationMatrix[i]);
    EXPECT_EQ(GL_NO_ERROR, (int)glGetError());
}

TEST_F(SceneTest, FogLeavesAboutSixtyNinePercentAtTheModelsDistance)
{
    InitScene();
    // A flat white quad through the model's origin, 2.5 in front of the eye,
    // fogged: each channel is f * 1 + (1 - f) * fog colour.
    glEnable(GL_FOG);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glColor3f(1, 1, 1);
    glBegin(GL_QUADS);
    glVertex3f(-0.2f, -0.2f, 0);
    glVertex3f(0.2f, -0.2f, 0);
    glVertex3f(0.2f, 0.2f, 0);
    glVertex3f(-0.2f, 0.2f, 0);
    glEnd();
    glDisable(GL_FOG);
    Rgba p = ReadPixel(32, 32);
    const double d = 0.24300002 * 2.5;
    const double f = std::exp(-d * d);
    EXPECT_NEAR(0.69, f, 0.005);
    EXPECT_NEAR(255 * (f + (1 - f) * 0.4), p.r, 2.0);
    EXPECT_NEAR(255 * (f + (1 - f) * 0.4), p.g, 2.0);
    EXPECT_NEAR(255 * (f + (1 - f) * 0.5), p.b, 2.0);
}

} // namespace
