// Whole frames drawn into a real GL context and read back, the composition
// of the rotation increment, and the scheduling of frames through the idle
// handler.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <string>
#include <vector>

#include "gl_context.h"
#include "recording.h"
#include "rotation.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

constexpr int kSide = 200;
HDC const kDc = reinterpret_cast<HDC>(0x4d43);

struct Image {
    std::vector<unsigned char> rgba;
    Rgba At(int x, int y) const
    {
        const unsigned char *p = &rgba[(size_t)(y * kSide + x) * 4];
        return Rgba{p[0], p[1], p[2], p[3]};
    }
};

Image Grab()
{
    Image image;
    image.rgba.resize((size_t)kSide * kSide * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, kSide, kSide, GL_RGBA, GL_UNSIGNED_BYTE, image.rgba.data());
    return image;
}

bool Near(Rgba p, int r, int g, int b, int tolerance = 1)
{
    return std::abs(p.r - r) <= tolerance && std::abs(p.g - g) <= tolerance && std::abs(p.b - b) <= tolerance;
}

int Byte(double c)
{
    return (int)std::lround(c * 255.0);
}

// The background without fog and with it, and the counter's stroke colour.
const int kSky[3] = {Byte(0.15), Byte(0.15), Byte(0.55)};
const int kFogSky[3] = {Byte(0.5), Byte(0.25), Byte(0.25)};
const int kStroke[3] = {Byte(0.8), Byte(0.9), Byte(0.1)};

bool IsSky(Rgba p)
{
    return Near(p, kSky[0], kSky[1], kSky[2]);
}
bool IsStroke(Rgba p)
{
    return Near(p, kStroke[0], kStroke[1], kStroke[2]);
}

// The counter covers x from 0.2 to 0.53 and y from about 0.6955 to 0.823 of
// the [-1, 1] square; in pixels, with a margin for the line width.
bool InCounterBox(int x, int y)
{
    return x >= 118 && x <= 155 && y >= 168 && y <= 184;
}

// Pixels that are neither background nor counter: the model.
int ModelPixels(const Image &image, int outsideCounterOnly = 0)
{
    int n = 0;
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++) {
            Rgba p = image.At(x, y);
            if (outsideCounterOnly && InCounterBox(x, y))
                continue;
            if (!IsSky(p) && !Near(p, kFogSky[0], kFogSky[1], kFogSky[2]) && !IsStroke(p))
                n++;
        }
    return n;
}

std::vector<std::pair<int, int>> StrokePixels(const Image &image)
{
    std::vector<std::pair<int, int>> where;
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++)
            if (IsStroke(image.At(x, y)))
                where.push_back({x, y});
    return where;
}


std::vector<double> Multiply(const std::vector<double> &a, const std::vector<double> &b)
{
    std::vector<double> r(16, 0.0);
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++)
            for (int k = 0; k < 4; k++)
                r[col * 4 + row] += a[k * 4 + row] * b[col * 4 + k];
    return r;
}

void ExpectMatrixNear(const float *m, const std::vector<double> &expected, double tolerance)
{
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], expected[i], tolerance) << "element " << i;
}

// Largest deviation of a column length from 1 and of a column pair's dot
// product from 0, over the upper 3 by 3.
void Distortion(const float *m, double *lengthError, double *skew)
{
    *lengthError = 0.0;
    *skew = 0.0;
    for (int i = 0; i < 3; i++) {
        double len = 0.0;
        for (int k = 0; k < 3; k++)
            len += (double)m[4 * i + k] * m[4 * i + k];
        *lengthError = std::fmax(*lengthError, std::fabs(std::sqrt(len) - 1.0));
        for (int j = i + 1; j < 3; j++) {
            double dot = 0.0;
            for (int k = 0; k < 3; k++)
                dot += (double)m[4 * i + k] * m[4 * j + k];
            *skew = std::fmax(*skew, std::fabs(dot));
        }
    }
}

class FrameTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetRecording();
        ResetViewerState();
        windowWidth = kSide;
        windowHeight = kSide;
        std::string why;
        ASSERT_TRUE(CreateHeadlessContext(kSide, kSide, &why)) << why;
        InitScene();
        deviceContext = kDc;
    }
    void TearDown() override
    {
        DestroyHeadlessContext();
        ResetRecording();
        ResetViewerState();
    }
    // A model standing still and a counter that no longer changes.
    void Hold()
    {
        applyIncrement = 0;
        spinning = 0;
        countingFrames = 0;
        frameCount = 42;
    }
};

TEST_F(FrameTest, BackgroundFollowsFog)
{
    Hold();
    RenderFrame();
    EXPECT_TRUE(IsSky(ReadPixel(2, 2)));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    fogEnabled = 1;
    RenderFrame();
    Rgba corner = ReadPixel(2, 2);
    EXPECT_TRUE(Near(corner, kFogSky[0], kFogSky[1], kFogSky[2]))
        << corner.r << "," << corner.g << "," << corner.b;
    EXPECT_TRUE(glIsEnabled(GL_FOG)) << "fog stays as the frame set it";
    fogEnabled = 0;
    RenderFrame();
    EXPECT_TRUE(IsSky(ReadPixel(2, 2)));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(FrameTest, CounterIsDrawnWhereExpectedAndFogged)
{
    Hold();
    RenderFrame();
    Image clear = Grab();
    auto strokes = StrokePixels(clear);
    ASSERT_GT(strokes.size(), 30u) << "the counter's strokes are visible";
    for (auto [x, y] : strokes)
        EXPECT_TRUE(InCounterBox(x, y)) << "stroke pixel outside the counter at " << x << "," << y;

    // With fog a stroke 2.5 units from the eye keeps exp(-(0.24300002 * 2.5)^2)
    // of its colour, the rest being the fog colour.
    fogEnabled = 1;
    RenderFrame();
    Image fogged = Grab();
    double keep = std::exp(-std::pow(0.24300002 * 2.5, 2.0));
    EXPECT_NEAR(keep, 0.69, 0.005);
    const double stroke[3] = {0.8, 0.9, 0.1}, fog[3] = {0.4, 0.4, 0.5};
    int r = Byte(keep * stroke[0] + (1 - keep) * fog[0]);
    int g = Byte(keep * stroke[1] + (1 - keep) * fog[1]);
    int b = Byte(keep * stroke[2] + (1 - keep) * fog[2]);
    int checked = 0;
    for (auto [x, y] : strokes) {
        Rgba p = fogged.At(x, y);
        if (!Near(clear.At(x, y), kStroke[0], kStroke[1], kStroke[2], 0))
            continue;
        EXPECT_TRUE(Near(p, r, g, b, 2)) << x << "," << y << ": " << p.r << "," << p.g << "," << p.b << " not "
                                         << r << "," << g << "," << b;
        checked++;
    }
    EXPECT_GT(checked, 30);
}

TEST_F(FrameTest, CounterShowsFramesCountedSoFar)
{
    // 1 and 8 differ in their strokes, so the frame count must reach the
    // overlay: the first frame shows 001, and with counting stopped at 8 the
    // frame shows 008 however many frames follow.
    applyIncrement = 0;
    RenderFrame();
    EXPECT_EQ(frameCount, 1);
    size_t one = StrokePixels(Grab()).size();
    frameCount = 7;
    RenderFrame();
    EXPECT_EQ(frameCount, 8);
    size_t eight = StrokePixels(Grab()).size();
    EXPECT_GT(eight, one + 10);
    countingFrames = 0;
    RenderFrame();
    RenderFrame();
    EXPECT_EQ(frameCount, 8);
    EXPECT_EQ(StrokePixels(Grab()).size(), eight);
}

TEST_F(FrameTest, ModelCoversTheCounterWhereTheyOverlap)
{
    Hold();
    RenderFrame();
    size_t alone = StrokePixels(Grab()).size();
    ASSERT_GT(alone, 30u);
    // Blow the model up so that it fills the view: the counter, drawn first
    // and without depth, must disappear behind it.
    for (int i = 0; i < 16; i++)
        rotationMatrix[i] = 0.0f;
    rotationMatrix[0] = rotationMatrix[5] = 6.0f;
    rotationMatrix[10] = 0.1f;
    rotationMatrix[15] = 1.0f;
    RenderFrame();
    Image covered = Grab();
    EXPECT_LT(StrokePixels(covered).size(), alone / 4);
}

TEST_F(FrameTest, WireframeOnlyChangesTheModelAndIsResetAfterTheFrame)
{
    Hold();
    RenderFrame();
    Image filled = Grab();
    wireframeEnabled = 1;
    RenderFrame();
    Image wire = Grab();

    GLint mode[2] = {0, 0};
    glGetIntegerv(GL_POLYGON_MODE, mode);
    EXPECT_EQ(mode[0], GL_FILL);
    EXPECT_EQ(mode[1], GL_FILL);

    int filledModel = ModelPixels(filled, 1), wireModel = ModelPixels(wire, 1);
    EXPECT_GT(filledModel, 500) << "the model is visible";
    EXPECT_LT(wireModel, filledModel) << "the wireframe lets the background through";
    EXPECT_GT(wireModel, filledModel / 20) << "the wireframe still draws the model";
    // The counter's pixels are the same in both (where the model is not).
    for (int y = 0; y < kSide; y++)
        for (int x = 0; x < kSide; x++)
            if (InCounterBox(x, y) && IsSky(wire.At(x, y)) != IsSky(filled.At(x, y)) &&
                (IsStroke(wire.At(x, y)) || IsStroke(filled.At(x, y))))
                ADD_FAILURE() << "counter differs at " << x << "," << y;

    wireframeEnabled = 0;
    RenderFrame();
    Image again = Grab();
    EXPECT_EQ(again.rgba, filled.rgba) << "fill mode is back";
}

TEST_F(FrameTest, WithoutIncrementFramesRepeatExactly)
{
    Hold();
    rotationMatrix[0] = 0.0f; // a turned model: a quarter turn about z
    rotationMatrix[1] = 1.0f;
    rotationMatrix[4] = -1.0f;
    rotationMatrix[5] = 0.0f;
    float before[16];
    std::copy(rotationMatrix, rotationMatrix + 16, before);
    RenderFrame();
    Image first = Grab();
    for (int i = 0; i < 5; i++)
        RenderFrame();
    EXPECT_EQ(Grab().rgba, first.rgba);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(rotationMatrix[i], before[i]) << "element " << i;
}

TEST_F(FrameTest, FirstFrameTurnsOneStepFromIdentity)
{
    RenderFrame();
    ExpectMatrixNear(rotationMatrix, Rotation(0.35, 0.5, -0.5, 0.0), 1e-6);
    RenderFrame();
    ExpectMatrixNear(rotationMatrix, Rotation(0.70, 0.5, -0.5, 0.0), 1e-6);
}

TEST_F(FrameTest, IncrementIsAppliedAfterTheAccumulatedRotation)
{
    // rotationMatrix becomes R * rotationMatrix: a turn about screen axes.
    std::vector<double> start = Rotation(90, 0, 0, 1);
    for (int i = 0; i < 16; i++)
        rotationMatrix[i] = (float)start[i];
    incrementAngle = 30.0f;
    incrementAxis[0] = 2.0f; // not unit length: the composition normalises it
    incrementAxis[1] = 0.0f;
    incrementAxis[2] = 0.0f;
    RenderFrame();
    ExpectMatrixNear(rotationMatrix, Multiply(Rotation(30, 1, 0, 0), start), 1e-6);
}

TEST_F(FrameTest, ZeroAxisLeavesTheRotationAsItIs)
{
    // What a movement to the same pixel leaves behind: angle 0, no axis.
    std::vector<double> start = Rotation(40, 1, 2, 3);
    for (int i = 0; i < 16; i++)
        rotationMatrix[i] = (float)start[i];
    float before[16];
    std::copy(rotationMatrix, rotationMatrix + 16, before);
    incrementAngle = 0.0f;
    incrementAxis[0] = incrementAxis[1] = incrementAxis[2] = 0.0f;
    RenderFrame();
    RenderFrame();
    for (int i = 0; i < 16; i++) {
        EXPECT_TRUE(std::isfinite(rotationMatrix[i]));
        EXPECT_EQ(rotationMatrix[i], before[i]) << "element " << i;
    }
    // Even with a stray angle the missing axis turns nothing.
    incrementAngle = 5.0f;
    RenderFrame();
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(rotationMatrix[i], before[i]) << "element " << i;
}

TEST_F(FrameTest, LightTwoIsSwitchedOnByTheFirstLitFrame)
{
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2));
    Hold();
    lightingEnabled = 0;
    RenderFrame();
    EXPECT_FALSE(glIsEnabled(GL_LIGHT2)) << "only a lit frame switches it on";
    lightingEnabled = 1;
    RenderFrame();
    EXPECT_TRUE(glIsEnabled(GL_LIGHT2));
    // The directions of lights 1 to 6 are given under the viewing
    // translation only, so in eye space they are the table's directions.
    for (int k = 1; k <= 6; k++) {
        GLfloat p[4];
        glGetLightfv(GL_LIGHT0 + k, GL_POSITION, p);
        for (int i = 0; i < 4; i++)
            EXPECT_FLOAT_EQ(p[i], lightPositions[k - 1][i]) << "light " << k;
    }
}

TEST_F(FrameTest, PerFrameStateIsOffAtTheEndOfEveryFrame)
{
    textureEnabled = 1;
    cullingEnabled = 1;
    wireframeEnabled = 1;
    fogEnabled = 1;
    for (int frame = 0; frame < 3; frame++) {
        RenderFrame();
        EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
        EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
        EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
        EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
        GLint mode[2] = {0, 0};
        glGetIntegerv(GL_POLYGON_MODE, mode);
        EXPECT_EQ(mode[0], GL_FILL);
        GLint matrixMode = 0;
        glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
        EXPECT_EQ(matrixMode, GL_MODELVIEW);
        GLint depth = 0;
        glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
        EXPECT_EQ(depth, 1) << "every push has its pop";
        GLfloat m[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        ExpectMatrixNear(m, {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, -2.5, 1}, 0.0);
        GLfloat width = 0;
        glGetFloatv(GL_LINE_WIDTH, &width);
        EXPECT_FLOAT_EQ(width, 1.0f) << "the model sets its own line width after the counter";
    }
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(FrameTest, EachFramePresentsOnTheDeviceContext)
{
    Hold();
    RenderFrame();
    RenderFrame();
    EXPECT_EQ(RecordingSwapCount(), 2);
    const RecordedCall *swap = FindRecordedCall("SwapBuffers", 1);
    ASSERT_NE(swap, nullptr);
    EXPECT_EQ(swap->args.at(0), (std::intptr_t)kDc);
}

// The accumulated rotation stays a rotation over a long spin: one million
// frames' worth of the start-up increment, composed exactly as a frame does.
TEST_F(FrameTest, LongSpinKeepsTheRotationOrthonormal)
{
    const int steps = 1000000;
    for (int i = 0; i < steps; i++)
        ComposeIncrement();
    double lengthError, skew;
    Distortion(rotationMatrix, &lengthError, &skew);
    std::printf("after %d compositions: largest column length error %.3g, largest column dot product %.3g\n",
                steps, lengthError, skew);
    EXPECT_LT(lengthError, 1e-5);
    EXPECT_LT(skew, 1e-5);
    // And it is still the rotation by the accumulated angle, 350000 degrees.
    ExpectMatrixNear(rotationMatrix, Rotation(std::fmod(0.35 * steps, 360.0), 0.5, -0.5, 0.0), 0.05);
    EXPECT_EQ(rotationMatrix[3], 0.0f);
    EXPECT_EQ(rotationMatrix[12], 0.0f);
    EXPECT_EQ(rotationMatrix[15], 1.0f);
}

// The same composition without re-orthonormalising drifts: this measures by
// how much on this GL, which is what the step above exists to prevent.
TEST_F(FrameTest, LongSpinWithoutCorrectionDrifts)
{
    float m[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    double lengthError = 0, skew = 0;
    for (int i = 1; i <= 1000000; i++) {
        glPushMatrix();
        glLoadIdentity();
        glRotatef(incrementAngle, incrementAxis[0], incrementAxis[1], incrementAxis[2]);
        glMultMatrixf(m);
        glGetFloatv(GL_MODELVIEW_MATRIX, m);
        glPopMatrix();
        if (i == 100000 || i == 1000000) {
            Distortion(m, &lengthError, &skew);
            std::printf("uncorrected after %d compositions: column length error %.3g, dot product %.3g\n", i,
                        lengthError, skew);
        }
    }
    EXPECT_GT(std::fmax(lengthError, skew), 1e-4) << "rounding accumulates without the correction";
}

TEST(Orthonormalize, RepairsScaleAndShearAndKeepsTranslation)
{
    // A rotation with its columns stretched and sheared, plus a translation.
    std::vector<double> r = Rotation(33, 1, -2, 0.5);
    float m[16];
    for (int i = 0; i < 16; i++)
        m[i] = (float)r[i];
    for (int k = 0; k < 3; k++) {
        m[k] *= 1.02f;
        m[4 + k] = m[4 + k] * 0.97f + 0.01f * m[k];
        m[8 + k] *= 1.05f;
    }
    m[12] = 0.25f;
    m[13] = -1.5f;
    m[14] = 3.0f;
    m[3] = 0.125f;
    OrthonormalizeRotation(m);
    double lengthError, skew;
    Distortion(m, &lengthError, &skew);
    EXPECT_LT(lengthError, 1e-6);
    EXPECT_LT(skew, 1e-6);
    // It is close to the rotation it came from (first column's direction is kept).
    for (int i = 0; i < 12; i++) {
        if (i % 4 != 3) {
            EXPECT_NEAR(m[i], r[i], 0.02) << "element " << i;
        }
    }
    for (int k = 0; k < 3; k++)
        EXPECT_NEAR(m[k] / std::sqrt(m[0] * m[0] + m[1] * m[1] + m[2] * m[2]), r[k], 1e-6);
    // Determinant +1: still a rotation, not a reflection.
    double det = m[0] * (m[5] * m[10] - m[9] * m[6]) - m[4] * (m[1] * m[10] - m[9] * m[2]) +
                 m[8] * (m[1] * m[6] - m[5] * m[2]);
    EXPECT_NEAR(det, 1.0, 1e-6);
    EXPECT_EQ(m[12], 0.25f);
    EXPECT_EQ(m[13], -1.5f);
    EXPECT_EQ(m[14], 3.0f);
    EXPECT_EQ(m[3], 0.125f);
    EXPECT_EQ(m[15], 1.0f);
}

TEST(Orthonormalize, LeavesAnExactRotationAlone)
{
    std::vector<double> r = Rotation(0.35, 0.5, -0.5, 0);
    float m[16];
    for (int i = 0; i < 16; i++)
        m[i] = (float)r[i];
    float before[16];
    std::copy(m, m + 16, before);
    OrthonormalizeRotation(m);
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], before[i], 1.5e-7) << "element " << i;
}

// Frames through the idle handler: a request installs it, one frame is drawn
// per request while still, and it stays while spinning.
class ScheduleTest : public FrameTest {
protected:
    // The message loop with nothing waiting: calls the handler while one is
    // installed, at most `limit` times; returns how many frames were drawn.
    int RunIdle(int limit)
    {
        int before = RecordingSwapCount();
        for (int i = 0; i < limit && idleHandler; i++)
            idleHandler();
        return RecordingSwapCount() - before;
    }
};

void OtherHandler(void) {}

TEST_F(ScheduleTest, RequestInstallsIdleRenderOnlyWhenNoneIsInstalled)
{
    EXPECT_EQ(idleHandler, nullptr);
    RequestRedraw();
    EXPECT_EQ(idleHandler, &IdleRender);
    idleHandler = OtherHandler;
    RequestRedraw();
    EXPECT_EQ(idleHandler, &OtherHandler) << "an installed handler is never replaced";
    EXPECT_EQ(RecordingSwapCount(), 0) << "a request draws nothing by itself";
}

TEST_F(ScheduleTest, StillModelDrawsOneFramePerBatchOfRequests)
{
    spinning = 0;
    RequestRedraw();
    RequestRedraw();
    RequestRedraw();
    EXPECT_EQ(RunIdle(100), 1) << "requests made before the frame merge into it";
    EXPECT_EQ(idleHandler, nullptr) << "IdleRender removes itself when not spinning";
    RequestRedraw();
    EXPECT_EQ(RunIdle(100), 1);
    EXPECT_EQ(RunIdle(100), 0) << "nothing more without a request";
}

TEST_F(ScheduleTest, SpinningModelKeepsRenderingAndPaintsAddNothing)
{
    RequestRedraw(); // the first paint
    EXPECT_EQ(RunIdle(5), 5);
    EXPECT_EQ(idleHandler, &IdleRender);
    RequestRedraw(); // a paint while spinning
    EXPECT_EQ(idleHandler, &IdleRender);
    EXPECT_EQ(RunIdle(3), 3) << "still one frame per idle call, no second handler";
    spinning = 0;
    EXPECT_EQ(RunIdle(100), 1) << "the handler draws its last frame and goes";
    EXPECT_EQ(idleHandler, nullptr);
}

} // namespace
