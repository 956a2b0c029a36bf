// The frame-count overlay, captured through OpenGL's feedback mode: every
// line segment the counter sends comes back with its window coordinates.
#include <gtest/gtest.h>

#include <climits>
#include <string>
#include <vector>

#include "gl_context.h"
#include "platform/gl.h"
#include "render/counter.h"

namespace {

struct Point {
    float x, y, z;
};
using Strip = std::vector<Point>;

// The glyph shapes the overlay must draw, one line strip per digit, in
// units of a 3 by 4 cell.
const std::vector<std::vector<std::pair<float, float>>> kGlyphs = {
    {{0, 0}, {0, 4}, {3, 4}, {3, 0}, {0, 0}},
    {{1, 2}, {3, 4}, {3, -0.15f}},
    {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 1}, {0, 0}, {3, 0}, {3, 1}},
    {{0, 3}, {0, 4}, {3, 4}, {1, 2}, {3, 2}, {3, 0}, {0, 0}, {0, 1}},
    {{2, 4.1f}, {0, 2}, {3, 2}, {3, 4}, {3, 0}},
    {{0, 1}, {0, 0}, {3, 0}, {3, 2}, {0, 2}, {1, 4}, {3, 4}, {3, 3}},
    {{0, 1}, {1, 2}, {3, 2}, {3, 0}, {0, 0}, {0, 3}, {1, 4}, {3, 4}, {3, 3}},
    {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 0}},
    {{0, 3}, {0, 4}, {3, 4}, {3, 3}, {0, 1}, {0, 0}, {3, 0}, {3, 1}, {0, 3}},
    {{0, 1}, {0, 0}, {2, 0}, {3, 1}, {3, 4}, {0, 4}, {0, 2}, {2, 2}, {3, 3}},
};

// A 2 by 2 viewport with identity matrices makes window x = object x + 1,
// window y = object y + 1 and window z = (object z + 1) / 2.
constexpr float kX = 0.2f, kY = 0.7f, kSize = 0.03f;

class CounterFeedback : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        ASSERT_TRUE(CreateHeadlessContext(16, 16, &why)) << why;
        glViewport(0, 0, 2, 2);
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
    }
    void TearDown() override { DestroyHeadlessContext(); }

    // Runs DrawCounter in feedback mode and rebuilds its line strips. Line
    // stippling makes each strip open with a reset token; a segment that
    // does not start where the previous one ended begins a strip as well.
    std::vector<Strip> Capture(int value, float x = kX, float y = kY, float size = kSize)
    {
        std::vector<GLfloat> buffer(4096);
        glFeedbackBuffer((GLsizei)buffer.size(), GL_3D, buffer.data());
        glEnable(GL_LINE_STIPPLE);
        glRenderMode(GL_FEEDBACK);
        DrawCounter(value, x, y, size);
        GLint used = glRenderMode(GL_RENDER);
        glDisable(GL_LINE_STIPPLE);
        EXPECT_GE(used, 0) << "feedback buffer overflowed";

        std::vector<Strip> strips;
        for (GLint i = 0; i + 7 <= used;) {
            GLfloat token = buffer[i++];
            Point a{buffer[i] - 1, buffer[i + 1] - 1, buffer[i + 2]};
            Point b{buffer[i + 3] - 1, buffer[i + 4] - 1, buffer[i + 5]};
            i += 6;
            EXPECT_TRUE(token == GL_LINE_RESET_TOKEN || token == GL_LINE_TOKEN) << "only line segments are drawn";
            bool joins = !strips.empty() && strips.back().back().x == a.x && strips.back().back().y == a.y;
            if (token == GL_LINE_RESET_TOKEN || !joins)
                strips.push_back({a, b});
            else
                strips.back().push_back(b);
        }
        return strips;
    }
};

// Compares a captured strip with glyph `digit` placed at position `slot`.
void ExpectGlyph(const Strip &strip, int digit, int slot, float x = kX, float y = kY, float size = kSize)
{
    const auto &glyph = kGlyphs[digit];
    ASSERT_EQ(strip.size(), glyph.size()) << "digit " << digit << " at position " << slot;
    for (size_t v = 0; v < glyph.size(); v++) {
        double ex = x + (glyph[v].first + 4.0 * slot) * size;
        double ey = y + glyph[v].second * size;
        EXPECT_NEAR(strip[v].x, ex, 1e-6) << "digit " << digit << " vertex " << v;
        EXPECT_NEAR(strip[v].y, ey, 1e-6) << "digit " << digit << " vertex " << v;
        EXPECT_FLOAT_EQ(strip[v].z, 0.5f) << "every vertex lies at z = 0";
    }
}

// digits[p] is the digit expected at position p, or -1 for an empty slot.
void ExpectNumber(const std::vector<Strip> &strips, std::vector<int> digits)
{
    size_t next = 0;
    for (int p = 0; p < 3; p++) {
        if (digits[p] < 0)
            continue;
        ASSERT_LT(next, strips.size()) << "missing digit at position " << p;
        ExpectGlyph(strips[next++], digits[p], p);
    }
    EXPECT_EQ(next, strips.size()) << "more strips than digits";
}

TEST_F(CounterFeedback, ThreeDigitValuesWithLeadingZeros)
{
    ExpectNumber(Capture(0), {0, 0, 0});
    ExpectNumber(Capture(7), {0, 0, 7});
    ExpectNumber(Capture(40), {0, 4, 0});
    ExpectNumber(Capture(999), {9, 9, 9});
    ExpectNumber(Capture(123), {1, 2, 3});
    ExpectNumber(Capture(456), {4, 5, 6});
    ExpectNumber(Capture(780), {7, 8, 0});
}

TEST_F(CounterFeedback, ZeroDrawsRectanglesFourUnitsApart)
{
    auto strips = Capture(0);
    ASSERT_EQ(strips.size(), 3u);
    for (int p = 0; p < 3; p++) {
        EXPECT_NEAR(strips[p][0].x, kX + 4 * p * kSize, 1e-6);
        EXPECT_NEAR(strips[p][0].y, kY, 1e-6);
        // closed: the last vertex repeats the first
        EXPECT_FLOAT_EQ(strips[p].back().x, strips[p].front().x);
        EXPECT_FLOAT_EQ(strips[p].back().y, strips[p].front().y);
    }
}

TEST_F(CounterFeedback, OverhangsOfOneAndFour)
{
    auto one = Capture(1);
    ASSERT_EQ(one.size(), 3u);
    EXPECT_NEAR(one[2].back().y, kY - 0.15 * kSize, 1e-6) << "the stem of 1 ends below the baseline";
    auto four = Capture(4);
    ASSERT_EQ(four.size(), 3u);
    EXPECT_NEAR(four[2].front().y, kY + 4.1 * kSize, 1e-6) << "the flag of 4 starts above the top line";
}

TEST_F(CounterFeedback, ThousandsAndMoreLeaveTheFirstSlotEmpty)
{
    ExpectNumber(Capture(1000), {-1, 0, 0});
    ExpectNumber(Capture(1234), {-1, 3, 4});
    ExpectNumber(Capture(123456), {-1, 5, 6});
    ExpectNumber(Capture(16777216), {-1, 1, 6});
    // The value goes through a 32-bit float: 16777217 is 16777216 there.
    ExpectNumber(Capture(16777217), {-1, 1, 6});
}

TEST_F(CounterFeedback, NegativeValuesShowOnlyZeroSlots)
{
    ExpectNumber(Capture(-5), {0, 0, -1});
    ExpectNumber(Capture(-50), {0, -1, 0});
    ExpectNumber(Capture(-100), {-1, 0, 0});
    EXPECT_TRUE(Capture(-123).empty()) << "no strip at all for -123";
    EXPECT_TRUE(Capture(INT_MIN).empty());
}

TEST_F(CounterFeedback, ValuesNearTheTopOfTheIntRange)
{
    // Above 2^24 the value goes through a 32-bit float first: 2147483583
    // rounds down to 2147483520.
    ExpectNumber(Capture(2147483583), {-1, 2, 0});
    // From 2147483584 on the float is 2^31, whose ones slot does not fit an
    // int: it stays empty (this executable is built to abort on any
    // out-of-range float conversion), the tens digit is still that of 2^31.
    ExpectNumber(Capture(2147483584), {-1, 4, -1});
    ExpectNumber(Capture(INT_MAX), {-1, 4, -1});
}

TEST_F(CounterFeedback, PlacementFollowsPositionAndSize)
{
    auto strips = Capture(258, -0.9f, -0.5f, 0.1f);
    ASSERT_EQ(strips.size(), 3u);
    ExpectGlyph(strips[0], 2, 0, -0.9f, -0.5f, 0.1f);
    ExpectGlyph(strips[1], 5, 1, -0.9f, -0.5f, 0.1f);
    ExpectGlyph(strips[2], 8, 2, -0.9f, -0.5f, 0.1f);
}

TEST_F(CounterFeedback, LeavesLineWidthAndColourAndNothingElse)
{
    glLineWidth(3.0f);
    glColor4f(0.1f, 0.2f, 0.3f, 0.4f);
    glMatrixMode(GL_MODELVIEW);
    glTranslatef(0.0f, 0.0f, -2.5f);
    GLfloat before[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, before);

    DrawCounter(-123, kX, kY, kSize); // draws nothing, still sets the state
    GLfloat width = 0.0f, colour[4] = {0, 0, 0, 0};
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(width, 1.5f);
    EXPECT_FLOAT_EQ(colour[0], 0.8f);
    EXPECT_FLOAT_EQ(colour[1], 0.9f);
    EXPECT_FLOAT_EQ(colour[2], 0.1f);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);

    DrawCounter(805, kX, kY, kSize);
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; i++)
        EXPECT_EQ(after[i], before[i]) << "modelview element " << i;
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LINE_SMOOTH));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR) << "every begin has its end";
}

} // namespace
