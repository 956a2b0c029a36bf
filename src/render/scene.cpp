#include "render/scene.h"

#include <cstdlib>

#include "platform/gl.h"
#include "state/viewer_state.h"

// Lights 1 to 6 shine from these directions (w = 0), fixed relative to the
// viewer. RenderFrame re-specifies them every frame from this table.
const float lightPositions[6][4] = {
    {-10.0f, 14.0f, 4.0f, 0.0f},  // light 1
    {5.0f, -6.0f, -2.0f, 0.0f},   // light 2
    {0.0f, -3.0f, 4.0f, 0.0f},    // light 3
    {0.0f, -2.0f, -5.0f, 0.0f},   // light 4
    {0.0f, 0.0f, -8.0f, 0.0f},    // light 5
    {-20.0f, -10.0f, -2.0f, 0.0f} // light 6
};

void *(*textureAllocator)(size_t size) = malloc;

const float frontDiffuseColor[3] = {0.75f, 0.3f, 0.3f};
const float backDiffuseColor[3] = {0.2f, 0.65f, 0.2f};

namespace {

const float light0Position[4] = {0.7f, 0.7f, 1.25f, 0.0f};

// Colours of lights 1 to 6: ambient, diffuse, specular.
const float lightColors[6][3][4] = {
    {{0.35f, 0.35f, 0.65f, 1.0f}, {0.2f, 0.2f, 0.5f, 1.0f}, {0.2f, 0.2f, 0.65f, 1.0f}},
    {{0.65f, 0.75f, 0.45f, 1.0f}, {0.4f, 0.3f, 0.3f, 1.0f}, {0.65f, 0.85f, 0.85f, 1.0f}},
    {{0.65f, 0.65f, 0.35f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.65f, 0.85f, 1.0f}},
    {{0.55f, 0.55f, 0.55f, 1.0f}, {0.4f, 0.5f, 0.3f, 1.0f}, {0.2f, 0.7f, 0.35f, 1.0f}},
    {{0.05f, 0.6f, 0.05f, 1.0f}, {0.0f, 0.5f, 0.0f, 1.0f}, {0.05f, 0.6f, 0.08f, 1.0f}},
    {{0.4f, 0.4f, 0.4f, 1.0f}, {0.4f, 0.4f, 0.05f, 1.0f}, {0.65f, 0.55f, 0.55f, 1.0f}},
};

// The float one unit in the last place above the float nearest 0.243.
const float fogDensity = 0.24300002f;
const float fogColor[4] = {0.4f, 0.4f, 0.5f, 1.0f};

const float materialAmbient[4] = {0.05f, 0.05f, 0.05f, 1.0f};
const float materialSpecular[4] = {0.23f, 0.23f, 0.25f, 1.0f};
const float materialShininess = 40.0f;
const float diffuseAlpha = 0.6f;

// The near plane of the perspective volume is the single-precision 0.9.
const double frustumNear = (double)0.9f;

const int checkerSize = 256;

void SetFaceMaterial(GLenum face, const float diffuseColor[3])
{
    const float diffuse[4] = {diffuseColor[0], diffuseColor[1], diffuseColor[2], diffuseAlpha};
    glMaterialfv(face, GL_AMBIENT, materialAmbient);
    glMaterialfv(face, GL_DIFFUSE, diffuse);
    glMaterialfv(face, GL_SPECULAR, materialSpecular);
    glMaterialf(face, GL_SHININESS, materialShininess);
}

} // namespace

void InitScene(void)
{
    glFogi(GL_FOG_MODE, GL_EXP2);
    glFogf(GL_FOG_DENSITY, fogDensity);
    glFogfv(GL_FOG_COLOR, fogColor);

    SetProjection();

    // Multiplied onto the fresh context's identity: the viewing translation.
    glTranslatef(0.0f, 0.0f, -2.5f);

    glLightModeli(GL_LIGHT_MODEL_TWO_SIDE, 1);

    glLightfv(GL_LIGHT0, GL_POSITION, light0Position);
    glEnable(GL_LIGHT0);

    for (int k = 1; k <= 6; k++) {
        GLenum light = GL_LIGHT0 + k;
        glLightfv(light, GL_POSITION, lightPositions[k - 1]);
        glLightfv(light, GL_AMBIENT, lightColors[k - 1][0]);
        glLightfv(light, GL_DIFFUSE, lightColors[k - 1][1]);
        glLightfv(light, GL_SPECULAR, lightColors[k - 1][2]);
        // Light 2 is switched on by each lit frame.
        if (k != 2)
            glEnable(light);
    }

    BuildCheckerTexture();
    SetIdentityMatrix(rotationMatrix);
}

void SetProjection(void)
{
    float aspect = (float)windowWidth / (float)windowHeight;

    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    if (perspectiveEnabled)
        glFrustum(-1.0 * aspect, 1.0 * aspect, -1.0, 1.0, frustumNear, 14.0);
    else
        glOrtho(-1.0 * aspect, 1.0 * aspect, -1.0, 1.0, 0.0, 10.0);
    glMatrixMode(GL_MODELVIEW);
}

void SetMaterials(void)
{
    SetFaceMaterial(GL_FRONT, frontDiffuseColor);
    SetFaceMaterial(GL_BACK, backDiffuseColor);
}

void BuildCheckerTexture(void)
{
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, textureReplace ? GL_REPLACE : GL_MODULATE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);

    unsigned char *image = (unsigned char *)textureAllocator((size_t)checkerSize * checkerSize * 4);
    if (!image)
        return;

    // 32 by 32 squares, alternately dark grey and white, dark at the origin.
    unsigned char *texel = image;
    for (int r = 0; r < checkerSize; r++) {
        for (int c = 0; c < checkerSize; c++) {
            unsigned char level = ((r ^ c) & 32) ? 255 : 16;
            texel[0] = level;
            texel[1] = level;
            texel[2] = level;
            texel[3] = 255;
            texel += 4;
        }
    }
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, checkerSize, checkerSize, 0, GL_RGBA, GL_UNSIGNED_BYTE, image);
    free(image);
}

void SetIdentityMatrix(float matrix[16])
{
    for (int i = 0; i < 16; i++)
        matrix[i] = (i % 5 == 0) ? 1.0f : 0.0f;
}
