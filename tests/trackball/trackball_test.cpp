// The trackball: the pointer-to-ball mapping, drag increments, the spin
// after release and the state transitions, first on their own and then
// through frames rendered in a real GL context.
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "gl_context.h"
#include "recording.h"
#include "rotation.h"
#include "vec3.h"
#include "platform/gl.h"
#include "render/frame.h"
#include "render/scene.h"
#include "state/viewer_state.h"
#include "trackball/trackball.h"

namespace {

Vec3 Project(int x, int y, int w, int h)
{
    float out[3] = {-9, -9, -9};
    ProjectToSphere(x, y, w, h, out);
    return {out[0], out[1], out[2]};
}

// The height a point at distance d from the centre gets before the vector
// is scaled back to unit length: the cosine of a quarter turn times d.
Vec3 Expected(double px, double py)
{
    double d = std::sqrt(px * px + py * py);
    double pz = std::cos((double)1.5707964f * std::fmin(d, 1.0));
    double n = std::sqrt(px * px + py * py + pz * pz);
    return {px / n, py / n, pz / n};
}

void ExpectVec(Vec3 got, Vec3 want, double tolerance = 1e-6)
{
    EXPECT_NEAR(got.x, want.x, tolerance);
    EXPECT_NEAR(got.y, want.y, tolerance);
    EXPECT_NEAR(got.z, want.z, tolerance);
}

TEST(ProjectToSphere, CentreEdgesAndCorners)
{
    ExpectVec(Project(100, 100, 200, 200), {0, 0, 1}, 0);
    // Left, right, top and bottom edges of a 200 by 200 window: on the
    // equator, whose height is cos(1.5707964f), a little below zero.
    const double equator = std::cos((double)1.5707964f);
    EXPECT_NEAR(equator, -4.37e-8, 0.01e-8);
    ExpectVec(Project(0, 100, 200, 200), {-1, 0, equator}, 1e-7);
    ExpectVec(Project(200, 100, 200, 200), {1, 0, equator}, 1e-7);
    ExpectVec(Project(100, 0, 200, 200), {0, 1, equator}, 1e-7);
    ExpectVec(Project(100, 200, 200, 200), {0, -1, equator}, 1e-7);
    Vec3 edge = Project(0, 100, 200, 200);
    EXPECT_LT(edge.z, 0.0) << "the rim lies just below the equator";
    EXPECT_GT(edge.z, -1e-7);
    // Corners lie beyond the unit circle: on the equator, along the diagonal.
    const double h = std::sqrt(0.5);
    ExpectVec(Project(0, 0, 200, 200), {-h, h, 0}, 1e-6);
    ExpectVec(Project(200, 200, 200, 200), {h, -h, 0}, 1e-6);
    EXPECT_LE(std::fabs(Project(200, 0, 200, 200).z), 1e-7);
}

TEST(ProjectToSphere, InsideTheCircleUsesTheCosineHeightRenormalised)
{
    // Halfway to the right edge: height cos(pi/4), then scaled to unit
    // length, which is not where a hemisphere (0.5, 0, 0.866) would put it.
    Vec3 half = Project(150, 100, 200, 200);
    ExpectVec(half, Expected(0.5, 0.0));
    EXPECT_NEAR(half.x, 1.0 / std::sqrt(3.0), 1e-6);
    EXPECT_NEAR(half.z, std::sqrt(2.0 / 3.0), 1e-6);
    ExpectVec(Project(70, 160, 200, 200), Expected(-0.3, -0.6));
    ExpectVec(Project(101, 99, 200, 200), Expected(0.01, 0.01));
}

TEST(ProjectToSphere, NonSquareSizesAndPointsOutsideTheWindow)
{
    // The mapping divides in floating point, per axis by its own size.
    ExpectVec(Project(150, 100, 300, 200), {0, 0, 1}, 0);
    ExpectVec(Project(225, 50, 300, 200), Expected(0.5, 0.5));
    ExpectVec(Project(7, 3, 10, 8), Expected(0.4, 0.25));
    // Captured pointer outside the client area: still a unit vector.
    for (auto [x, y] : std::vector<std::pair<int, int>>{{-50, 100}, {100, -3000}, {-32768, 32767}, {500, 500}}) {
        Vec3 v = Project(x, y, 200, 200);
        EXPECT_NEAR(Length(v), 1.0, 1e-6) << x << "," << y;
        EXPECT_LE(std::fabs(v.z), 1e-7) << "beyond the rim is the equator";
    }
    for (int x = 0; x <= 200; x += 20)
        for (int y = 0; y <= 200; y += 25)
            EXPECT_NEAR(Length(Project(x, y, 200, 200)), 1.0, 1e-6) << x << "," << y;
}

class TrackballTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ResetRecording();
        ResetViewerState();
        windowWidth = 200;
        windowHeight = 200;
    }
    void TearDown() override { ResetViewerState(); }

    void ExpectState(int spin, int apply, int drag)
    {
        EXPECT_EQ(spinning, spin);
        EXPECT_EQ(applyIncrement, apply);
        EXPECT_EQ(dragging, drag);
    }

    // Press at (50, 100), move to (150, 100), release there; returns the
    // angle the movement set, before the release rescaled it.
    float DragAndRelease(int frames)
    {
        frameCount = frames;
        BeginDrag(1, 50, 100);
        DragTo(150, 100);
        float moved = incrementAngle;
        EndDrag(1, 150, 100);
        return moved;
    }
};

TEST_F(TrackballTest, PressStartsADragAndKeepsTheIncrement)
{
    ExpectState(1, 1, 0);
    RequestRedraw(); // the spinning model's handler
    BeginDrag(1, 150, 40);
    ExpectState(0, 1, 1);
    EXPECT_EQ(pressX, 150);
    EXPECT_EQ(pressY, 40);
    ExpectVec({lastSpherePoint[0], lastSpherePoint[1], lastSpherePoint[2]}, Expected(0.5, 0.6));
    EXPECT_FLOAT_EQ(incrementAngle, 0.35f);
    EXPECT_FLOAT_EQ(incrementAxis[0], 0.5f);
    EXPECT_FLOAT_EQ(incrementAxis[1], -0.5f);
    EXPECT_EQ(idleHandler, &IdleRender) << "the handler stays until its next run";
}

TEST_F(TrackballTest, PressAsksForNoFrameAndOtherButtonsDoNothing)
{
    applyIncrement = 0;
    spinning = 0;
    BeginDrag(1, 10, 10);
    EXPECT_EQ(idleHandler, nullptr);
    ExpectState(0, 1, 1);
    ResetViewerState();
    BeginDrag(2, 10, 20);
    ExpectState(1, 1, 0);
    EXPECT_EQ(pressX, 0);
    EndDrag(2, 30, 30);
    ExpectState(1, 1, 0);
    EXPECT_FLOAT_EQ(incrementAngle, 0.35f);
    EXPECT_EQ(idleHandler, nullptr);
}

TEST_F(TrackballTest, MovementSetsChordAngleAndCrossProductAxis)
{
    BeginDrag(1, 100, 100);
    DragTo(150, 100);
    // From the front (0, 0, 1) to the right-hand point of the ball.
    Vec3 c = Expected(0.5, 0.0);
    double chord = std::sqrt(c.x * c.x + c.y * c.y + (c.z - 1) * (c.z - 1));
    EXPECT_NEAR(incrementAngle, 90.0 * chord, 1e-5);
    // last x current: moving right turns about +y, front towards the right.
    EXPECT_NEAR(incrementAxis[0], 0.0, 1e-7);
    EXPECT_NEAR(incrementAxis[1], c.x, 1e-6);
    EXPECT_NEAR(incrementAxis[2], 0.0, 1e-7);
    ExpectVec({lastSpherePoint[0], lastSpherePoint[1], lastSpherePoint[2]}, c);
    EXPECT_EQ(idleHandler, &IdleRender);

    // A second, diagonal movement measures from the point just reached.
    DragTo(120, 60);
    Vec3 d = Expected(0.2, 0.4);
    double dx = d.x - c.x, dy = d.y - c.y, dz = d.z - c.z;
    EXPECT_NEAR(incrementAngle, 90.0 * std::sqrt(dx * dx + dy * dy + dz * dz), 1e-5);
    EXPECT_NEAR(incrementAxis[0], c.y * d.z - c.z * d.y, 1e-6);
    EXPECT_NEAR(incrementAxis[1], c.z * d.x - c.x * d.z, 1e-6);
    EXPECT_NEAR(incrementAxis[2], c.x * d.y - c.y * d.x, 1e-6);
    // Moving up turns the front upwards: a negative turn about +x.
    EXPECT_LT(incrementAxis[0], 0.0f);
}

TEST_F(TrackballTest, MovementToTheSamePixelGivesNoAngleAndNoAxis)
{
    BeginDrag(1, 70, 130);
    DragTo(70, 130);
    EXPECT_EQ(incrementAngle, 0.0f);
    EXPECT_EQ(incrementAxis[0], 0.0f);
    EXPECT_EQ(incrementAxis[1], 0.0f);
    EXPECT_EQ(incrementAxis[2], 0.0f);
}

TEST_F(TrackballTest, MovementWithoutAPressDoesNothing)
{
    DragTo(150, 150);
    EXPECT_FLOAT_EQ(incrementAngle, 0.35f);
    EXPECT_FLOAT_EQ(incrementAxis[0], 0.5f);
    EXPECT_EQ(lastSpherePoint[2], 0.0f);
    EXPECT_EQ(idleHandler, nullptr);
}

TEST_F(TrackballTest, ReleaseFactorFollowsTheFramesCounted)
{
    // frames counted -> factor on the last movement's angle
    const std::vector<std::pair<int, double>> table = {
        {1, 50.0}, {10, 5.0}, {20, 2.5}, {33, 1.5}, {34, 1.0}, {41, 1.0}, {50, 1.0},
        {51, 0.5}, {67, 0.5}, {99, 0.5}, {100, 0.5},
        // Beyond 100 frames the whole-number quotient would be 0 and the
        // model would stop; the plain ratio keeps it turning.
        {101, 0.5 * 100.0 / 101.0}, {200, 0.25}, {1000, 0.05},
        // No frame counted yet: as if one had been.
        {0, 50.0}};
    for (auto [frames, factor] : table) {
        ResetViewerState();
        windowWidth = windowHeight = 200;
        float moved = DragAndRelease(frames);
        ASSERT_GT(moved, 1.0f);
        EXPECT_FLOAT_EQ(incrementAngle, (float)(moved * factor)) << frames << " frames";
        EXPECT_TRUE(std::isfinite(incrementAngle));
        ExpectState(1, 1, 0);
    }
    ResetViewerState();
    windowWidth = windowHeight = 200;
    DragAndRelease(INT_MAX);
    EXPECT_GT(incrementAngle, 0.0f) << "even a huge frame count leaves some spin";
}

TEST_F(TrackballTest, ReleaseAwayFromThePressSpinsWithTheLastAxis)
{
    BeginDrag(1, 50, 100);
    DragTo(150, 100);
    float axis[3] = {incrementAxis[0], incrementAxis[1], incrementAxis[2]};
    frameCount = 50;
    EndDrag(1, 150, 100);
    ExpectState(1, 1, 0);
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(incrementAxis[i], axis[i]);
    EXPECT_EQ(idleHandler, &IdleRender);
}

TEST_F(TrackballTest, ClickWithoutMovementStops)
{
    RequestRedraw();
    BeginDrag(1, 60, 70);
    EndDrag(1, 60, 70);
    ExpectState(0, 0, 0);
    EXPECT_EQ(incrementAngle, 0.0f);
    EXPECT_EQ(idleHandler, &IdleRender);
}

TEST_F(TrackballTest, ReleaseBackAtThePressPixelStopsAfterMoving)
{
    BeginDrag(1, 60, 70);
    DragTo(120, 90);
    DragTo(60, 70);
    EndDrag(1, 60, 70);
    ExpectState(0, 0, 0);
    EXPECT_EQ(incrementAngle, 0.0f);
    // Any pixel but the press pixel spins, however close.
    BeginDrag(1, 60, 70);
    DragTo(90, 90);
    frameCount = 50;
    EndDrag(1, 61, 70);
    ExpectState(1, 1, 0);
    EXPECT_GT(incrementAngle, 0.0f);
}

TEST_F(TrackballTest, ReleaseWithoutAPress)
{
    // Spinning from start-up, no press yet: the stored press point is (0, 0).
    frameCount = 100;
    EndDrag(1, 10, 10);
    ExpectState(1, 1, 0);
    EXPECT_FLOAT_EQ(incrementAngle, 0.175f) << "the spin is rescaled once more";
    EXPECT_EQ(idleHandler, &IdleRender);
    EndDrag(1, 0, 0);
    ExpectState(0, 0, 0);
    EXPECT_EQ(incrementAngle, 0.0f);

    // Still: a release without a press changes nothing and asks for nothing.
    idleHandler = nullptr;
    EndDrag(1, 40, 40);
    ExpectState(0, 0, 0);
    EXPECT_EQ(idleHandler, nullptr);

    // After an earlier click at (30, 30), spinning again from a drag: a
    // stray release at that old press point stops the model.
    BeginDrag(1, 30, 30);
    DragTo(80, 80);
    EndDrag(1, 80, 80);
    ExpectState(1, 1, 0);
    EndDrag(1, 30, 30);
    ExpectState(0, 0, 0);
}

// The trackball driving frames in a real GL context.
class TrackballFrames : public TrackballTest {
protected:
    void SetUp() override
    {
        TrackballTest::SetUp();
        std::string why;
        ASSERT_TRUE(CreateHeadlessContext(200, 200, &why)) << why;
        InitScene();
        countingFrames = 0;
        frameCount = 50;
    }
    void TearDown() override
    {
        DestroyHeadlessContext();
        TrackballTest::TearDown();
    }
    int RunIdle(int limit = 100)
    {
        int before = RecordingSwapCount();
        for (int i = 0; i < limit && idleHandler; i++)
            idleHandler();
        return RecordingSwapCount() - before;
    }
    std::vector<float> Matrix() const { return std::vector<float>(rotationMatrix, rotationMatrix + 16); }
};


void ExpectMatrixNear(const std::vector<float> &m, const std::vector<double> &expected, double tolerance)
{
    for (int i = 0; i < 16; i++)
        EXPECT_NEAR(m[i], expected[i], tolerance) << "element " << i;
}

TEST_F(TrackballFrames, ClickStopsTheSpinAndLaterRedrawsDoNotMoveIt)
{
    RequestRedraw();
    EXPECT_EQ(RunIdle(3), 3);
    BeginDrag(1, 60, 70);
    EndDrag(1, 60, 70);
    EXPECT_EQ(RunIdle(), 1);
    std::vector<float> stopped = Matrix();
    for (int i = 0; i < 3; i++) {
        RequestRedraw(); // paints, keys
        EXPECT_EQ(RunIdle(), 1);
    }
    EXPECT_EQ(Matrix(), stopped);
}

TEST_F(TrackballFrames, PressWhileSpinningRendersOneMoreFrameWithTheOldIncrement)
{
    RequestRedraw();
    RunIdle(1);
    std::vector<float> before = Matrix();
    BeginDrag(1, 100, 100);
    EXPECT_EQ(RunIdle(), 1) << "the handler renders once more and removes itself";
    EXPECT_EQ(idleHandler, nullptr);
    // Held button, no movement: each redraw composes the spin's increment.
    RequestRedraw();
    EXPECT_EQ(RunIdle(), 1);
    std::vector<double> start(before.begin(), before.end());
    std::vector<double> r = Rotation(0.70, 0.5, -0.5, 0.0);
    std::vector<double> expected(16, 0.0);
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++)
            for (int k = 0; k < 4; k++)
                expected[col * 4 + row] += r[k * 4 + row] * start[col * 4 + k];
    ExpectMatrixNear(Matrix(), expected, 1e-6);
}

TEST_F(TrackballFrames, OnlyTheLastOfSeveralMovementsBeforeAFrameIsApplied)
{
    spinning = 0;
    applyIncrement = 0;
    BeginDrag(1, 100, 100);
    DragTo(140, 100);
    DragTo(140, 60);
    DragTo(100, 60);
    float angle = incrementAngle;
    float axis[3] = {incrementAxis[0], incrementAxis[1], incrementAxis[2]};
    EXPECT_EQ(RunIdle(), 1) << "three movements, one frame";
    ExpectMatrixNear(Matrix(), Rotation(angle, axis[0], axis[1], axis[2]), 1e-6);
}

TEST_F(TrackballFrames, ReleaseSpinsAtTheRescaledAngle)
{
    spinning = 0;
    applyIncrement = 0;
    frameCount = 20; // factor 2.5
    BeginDrag(1, 100, 100);
    DragTo(110, 100);
    float angle = incrementAngle;
    RunIdle();
    std::vector<float> afterDrag = Matrix();
    EndDrag(1, 110, 100);
    EXPECT_EQ(RunIdle(4), 4) << "spinning: the handler stays";
    std::vector<double> start(afterDrag.begin(), afterDrag.end());
    std::vector<double> r = Rotation(4 * 2.5 * angle, 0, 1, 0);
    std::vector<double> expected(16, 0.0);
    for (int col = 0; col < 4; col++)
        for (int row = 0; row < 4; row++)
            for (int k = 0; k < 4; k++)
                expected[col * 4 + row] += r[k * 4 + row] * start[col * 4 + k];
    ExpectMatrixNear(Matrix(), expected, 1e-5);
}

TEST_F(TrackballFrames, ReleaseBeforeAnyFrameWasCountedSpinsWithoutNaN)
{
    frameCount = 0;
    BeginDrag(1, 100, 100);
    DragTo(101, 100);
    EndDrag(1, 101, 100);
    EXPECT_EQ(RunIdle(10), 10);
    for (float v : Matrix())
        EXPECT_TRUE(std::isfinite(v));
    EXPECT_LT(rotationMatrix[0], 0.99f) << "the model visibly turned";
}

TEST_F(TrackballFrames, MovementToTheSamePixelLeavesTheModelWhereItIs)
{
    spinning = 0;
    BeginDrag(1, 80, 80);
    DragTo(120, 80);
    RunIdle();
    std::vector<float> before = Matrix();
    DragTo(120, 80);
    RunIdle();
    EXPECT_EQ(Matrix(), before);
}

} // namespace
