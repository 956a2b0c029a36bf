// DrawModel against a real OpenGL context: what it sends, read back through
// feedback mode, and what the lit duck looks like from above and below.
#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

#include "gl_context.h"
#include "model/model.h"
#include "platform/gl.h"
#include "render/scene.h"
#include "state/viewer_state.h"

namespace {

const int kSize = 64;

class DrawModelTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string why;
        if (!CreateHeadlessContext(kSize, kSize, &why))
            GTEST_SKIP() << "no OpenGL context: " << why;
    }
    void TearDown() override { DestroyHeadlessContext(); }

    // Draws in feedback mode with one white directional light from `light`
    // and the duck scaled by one half (so nothing is clipped); returns the
    // polygons, each three vertices of x, y, z, r, g, b, a in clip units.
    std::vector<std::vector<float>> Feedback(void (*draw)(), const float light[3])
    {
        std::vector<float> buffer(822 * 40);
        glFeedbackBuffer((GLsizei)buffer.size(), GL_3D_COLOR, buffer.data());
        glRenderMode(GL_FEEDBACK);
        // The scale goes into the projection so that the normals stay unit.
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glScalef(0.5f, 0.5f, 0.5f);
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        const float position[4] = {light[0], light[1], light[2], 0};
        const float white[4] = {1, 1, 1, 1}, black[4] = {0, 0, 0, 1};
        glLightfv(GL_LIGHT0, GL_POSITION, position);
        glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
        glLightfv(GL_LIGHT0, GL_SPECULAR, black);
        glLightModelfv(GL_LIGHT_MODEL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, black);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, white);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, black);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT0);
        draw();
        GLint count = glRenderMode(GL_RENDER);
        std::vector<std::vector<float>> polygons;
        for (GLint i = 0; i < count;) {
            EXPECT_EQ(buffer[i], (float)GL_POLYGON_TOKEN);
            int n = (int)buffer[i + 1];
            EXPECT_EQ(n, 3);
            polygons.emplace_back(buffer.begin() + i + 2, buffer.begin() + i + 2 + 7 * n);
            i += 2 + 7 * n;
        }
        return polygons;
    }
};

void DrawEmptyMesh()
{
    ModelMesh empty = modelMeshes[0];
    empty.faceCount = 0;
    DrawMesh(&empty);
}

} // namespace

TEST_F(DrawModelTest, SendsEveryTriangleInTableOrderWithEachCornersNormal)
{
    const float light[3] = {0.36f, -0.48f, 0.8f};
    std::vector<std::vector<float>> polygons = Feedback(DrawModel, light);
    ASSERT_EQ(polygons.size(), 822u);
    int wrongPlace = 0, wrongShade = 0;
    for (int f = 0; f < 822; ++f)
        for (int k = 0; k < 3; ++k) {
            const float *got = &polygons[f][7 * k];
            const float *v = modelVertices[modelFaces[f].vertexIndex[k]];
            // Window coordinates back to model units (viewport 0..kSize, scale 0.5).
            double x = (got[0] / (kSize / 2.0) - 1) * 2, y = (got[1] / (kSize / 2.0) - 1) * 2;
            double z = (got[2] * 2 - 1) * 2;
            if (std::fabs(x - v[0]) > 1e-3 || std::fabs(y - v[1]) > 1e-3 || std::fabs(z - v[2]) > 1e-3)
                ++wrongPlace;
            // Front faces take max(0, n.l) of the white light for the corner's own normal.
            const float *n = modelNormals[modelFaces[f].normalIndex[k]];
            double lit = std::max(0.0, (double)n[0] * light[0] + n[1] * light[1] + n[2] * light[2]);
            if (std::fabs(got[3] - lit) > 2e-3)
                ++wrongShade;
        }
    EXPECT_EQ(wrongPlace, 0);
    EXPECT_EQ(wrongShade, 0);
}

TEST_F(DrawModelTest, LeavesLineWidthOneAndTheLastNormalAndSendsNothingElse)
{
    glLineWidth(1.5f);
    glColor4f(0.2f, 0.3f, 0.4f, 0.5f);
    glTexCoord4f(7, 8, 9, 1);
    DrawModel();
    float width = 0, normal[3], colour[4], tex[4];
    glGetFloatv(GL_LINE_WIDTH, &width);
    glGetFloatv(GL_CURRENT_NORMAL, normal);
    glGetFloatv(GL_CURRENT_COLOR, colour);
    glGetFloatv(GL_CURRENT_TEXTURE_COORDS, tex);
    EXPECT_EQ(width, 1.0f);
    const float *last = modelNormals[modelFaces[821].normalIndex[2]];
    EXPECT_EQ(normal[0], last[0]);
    EXPECT_EQ(normal[1], last[1]);
    EXPECT_EQ(normal[2], last[2]);
    EXPECT_EQ(colour[0], 0.2f);
    EXPECT_EQ(colour[3], 0.5f);
    EXPECT_EQ(tex[0], 7.0f);
    EXPECT_EQ(tex[2], 9.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST_F(DrawModelTest, NoFacesDrawNothing)
{
    const float light[3] = {0, 0, 1};
    EXPECT_TRUE(Feedback(DrawEmptyMesh, light).empty());
    glLineWidth(2.0f);
    DrawEmptyMesh();
    float width = 0;
    glGetFloatv(GL_LINE_WIDTH, &width);
    EXPECT_EQ(width, 1.0f);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

// With the viewer's own scene: red outside from above, green inside seen
// through the opening from below, at the middle of the opening.
TEST_F(DrawModelTest, RedOutsideGreenInsideThroughTheOpening)
{
    windowWidth = kSize;
    windowHeight = kSize;
    InitScene();
    auto render = [](float turn) {
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glEnable(GL_LIGHTING);
        glEnable(GL_LIGHT2);
        glEnable(GL_DEPTH_TEST);
        glPushMatrix();
        glRotatef(turn, 1, 0, 0);
        SetMaterials();
        DrawModel();
        glPopMatrix();
        glDisable(GL_LIGHTING);
        glDisable(GL_DEPTH_TEST);
    };
    // The opening's middle, about (-0.13, -0.085) in the model, is the pixel
    // at the same place on screen from above and mirrored in y from below.
    int px = (int)((-0.13 + 1) / 2 * kSize), pyAbove = (int)((-0.085 + 1) / 2 * kSize),
        pyBelow = (int)((0.085 + 1) / 2 * kSize);
    render(0);
    Rgba above = ReadPixel(px, pyAbove);
    EXPECT_GT(above.r, above.g + 40) << above.r << " " << above.g << " " << above.b;
    render(180);
    Rgba below = ReadPixel(px, pyBelow);
    EXPECT_GT(below.g, below.r + 40) << below.r << " " << below.g << " " << below.b;
    // A corner of the window stays background.
    Rgba corner = ReadPixel(1, kSize - 2);
    EXPECT_EQ(corner.r + corner.g + corner.b, 0);
}
