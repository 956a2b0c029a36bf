// The layer's state calls: matrices, lights, materials, fog, switches,
// texture set-up, the current vertex attributes, and the queries.
//
// Matrices are kept in single precision and every operation is the same
// float arithmetic, in the same order, as the desktop OpenGL the program was
// written against (Mesa's), so that the rotation the program reads back and
// accumulates frame after frame comes out the same.
#include "platform/gl_layer/layer_state.h"

#include <cmath>
#include <cstring>

namespace gl_layer {

State layer;

static const float identity[16] = {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
static const double pi = 3.14159265358979323846;

static void Copy4(float out[4], const float in[4])
{
    memcpy(out, in, 4 * sizeof(float));
}

static void Set4(float out[4], float a, float b, float c, float d)
{
    out[0] = a;
    out[1] = b;
    out[2] = c;
    out[3] = d;
}

// Scales to unit length; a zero vector stays as it is.
static void Normalize3(float v[3])
{
    float lengthSquared = v[0] * v[0] + v[1] * v[1] + v[2] * v[2];
    if (lengthSquared == 0.0f)
        return;
    float inverse = 1.0f / sqrtf(lengthSquared);
    v[0] *= inverse;
    v[1] *= inverse;
    v[2] *= inverse;
}

void MultiplyMatrices(float out[16], const float a[16], const float b[16])
{
    float product[16];
    for (int row = 0; row < 4; row++)
        for (int column = 0; column < 4; column++) {
            const float *bc = &b[column * 4];
            product[column * 4 + row] = a[row] * bc[0] + a[4 + row] * bc[1] + a[8 + row] * bc[2] + a[12 + row] * bc[3];
        }
    memcpy(out, product, sizeof product);
}

void TransformPoint(float out[4], const float m[16], const float p[4])
{
    float q[4];
    for (int row = 0; row < 4; row++)
        q[row] = m[row] * p[0] + m[4 + row] * p[1] + m[8 + row] * p[2] + m[12 + row] * p[3];
    Copy4(out, q);
}

const float *ModelviewMatrix(void)
{
    return layer.modelview[layer.modelviewDepth - 1];
}

const float *ProjectionMatrix(void)
{
    return layer.projection[layer.projectionDepth - 1];
}

static float *CurrentMatrix(void)
{
    if (layer.matrixMode == GL_PROJECTION)
        return layer.projection[layer.projectionDepth - 1];
    return layer.modelview[layer.modelviewDepth - 1];
}

// Every matrix operation multiplies onto the right of the current matrix.
static void MultiplyCurrent(const float m[16])
{
    float *current = CurrentMatrix();
    MultiplyMatrices(current, current, m);
}

// Gives the light its position in eye coordinates, transformed by the
// current modelview matrix, and the two unit vectors the lighting needs.
static void PlaceLight(Light *light, const float position[4])
{
    TransformPoint(light->eyePosition, ModelviewMatrix(), position);
    memcpy(light->direction, light->eyePosition, 3 * sizeof(float));
    Normalize3(light->direction);
    memcpy(light->halfVector, light->direction, 3 * sizeof(float));
    light->halfVector[2] += 1.0f;
    Normalize3(light->halfVector);
}

static void ResetState(void)
{
    memcpy(layer.modelview[0], identity, sizeof identity);
    memcpy(layer.projection[0], identity, sizeof identity);
    layer.modelviewDepth = 1;
    layer.projectionDepth = 1;
    layer.matrixMode = GL_MODELVIEW;

    const float defaultPosition[4] = {0, 0, 1, 0};
    for (int i = 0; i < kLights; i++) {
        Light *light = &layer.lights[i];
        float white = i == 0 ? 1.0f : 0.0f;
        Set4(light->ambient, 0, 0, 0, 1);
        Set4(light->diffuse, white, white, white, 1);
        Set4(light->specular, white, white, white, 1);
        PlaceLight(light, defaultPosition);
        light->enabled = 0;
    }
    for (int side = 0; side < 2; side++) {
        Material *material = &layer.materials[side];
        Set4(material->ambient, 0.2f, 0.2f, 0.2f, 1);
        Set4(material->diffuse, 0.8f, 0.8f, 0.8f, 1);
        Set4(material->specular, 0, 0, 0, 1);
        Set4(material->emission, 0, 0, 0, 1);
        material->shininess = 0;
    }
    Set4(layer.modelAmbient, 0.2f, 0.2f, 0.2f, 1);
    layer.twoSide = 0;

    layer.lighting = 0;
    layer.fog = 0;
    layer.texturing = 0;
    layer.culling = 0;

    layer.fogMode = GL_EXP;
    layer.fogDensity = 1;
    layer.fogStart = 0;
    layer.fogEnd = 1;
    Set4(layer.fogColor, 0, 0, 0, 0);

    layer.polygonMode = GL_FILL;
    layer.lineWidth = 1;
    Set4(layer.color, 1, 1, 1, 1);
    layer.normal[0] = 0;
    layer.normal[1] = 0;
    layer.normal[2] = 1;

    layer.textureEnvMode = GL_MODULATE;
    layer.textureMinFilter = GL_NEAREST_MIPMAP_LINEAR;
    layer.textureComponents = 0;

    Set4(layer.clearColor, 0, 0, 0, 0);
    const GLenum esCaps[kEsSwitches] = {GL_BLEND,        GL_DEPTH_TEST,          GL_DITHER,
                                        GL_SCISSOR_TEST, GL_POLYGON_OFFSET_FILL, GL_SAMPLE_COVERAGE,
                                        GL_STENCIL_TEST, GL_SAMPLE_ALPHA_TO_COVERAGE};
    for (int i = 0; i < kEsSwitches; i++) {
        layer.esSwitches[i].cap = esCaps[i];
        layer.esSwitches[i].on = esCaps[i] == GL_DITHER;
    }
    layer.textureMagFilter = GL_LINEAR;
    layer.textureWrapS = GL_REPEAT;
    layer.textureWrapT = GL_REPEAT;
    layer.textureImage.clear();
    layer.textureWidth = layer.textureHeight = 0;

    layer.insideBegin = 0;
    layer.batch.clear();
}

// Gives OpenGL ES one level of the texture, packed rows of 3 or 4
// components; an empty image leaves its pixels undefined.
static void UploadImage(GLint level, int components, GLsizei width, GLsizei height,
                        const std::vector<unsigned char> &image)
{
    GLenum format = components == 4 ? GL_RGBA : GL_RGB;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, level, (GLint)format, width, height, 0, format, GL_UNSIGNED_BYTE,
                 image.empty() ? nullptr : image.data());
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
}

static float Clamp01(float value)
{
    return value < 0.0f ? 0.0f : value > 1.0f ? 1.0f : value;
}

// The switches the layer keeps itself, and the record of OpenGL ES's own;
// null for a name that is neither.
static int *LayerSwitch(GLenum cap)
{
    switch (cap) {
    case GL_LIGHTING:
        return &layer.lighting;
    case GL_FOG:
        return &layer.fog;
    case GL_TEXTURE_2D:
        return &layer.texturing;
    case GL_CULL_FACE:
        return &layer.culling;
    }
    if (cap >= GL_LIGHT0 && cap < GL_LIGHT0 + kLights)
        return &layer.lights[cap - GL_LIGHT0].enabled;
    return nullptr;
}

static int *EsSwitch(GLenum cap)
{
    for (auto &es : layer.esSwitches)
        if (es.cap == cap)
            return &es.on;
    return nullptr;
}

// glEnable and glDisable: a switch of the layer's own stays with the layer;
// any other goes on to OpenGL ES, noted first if the layer keeps a record
// of it.
static void SetSwitch(GLenum cap, int on)
{
    if (int *kept = LayerSwitch(cap)) {
        *kept = on;
        return;
    }
    if (int *noted = EsSwitch(cap))
        *noted = on;
    if (on)
        glEnable(cap);
    else
        glDisable(cap);
}

} // namespace gl_layer

// The entry points of gl_layer.h, process-wide: setting the layer up and
// the dvgl* functions the program's gl* calls become.
using namespace gl_layer;

int InitGlLayer(void)
{
    ResetState();
    glGetIntegerv(GL_VIEWPORT, layer.viewport);
    return CreateDrawObjects();
}

void SetGlLayerViewport(GLint x, GLint y, GLsizei width, GLsizei height)
{
    const GLint viewport[4] = {x, y, width, height};
    memcpy(layer.viewport, viewport, sizeof viewport);
    glViewport(x, y, width, height);
}

int RestoreGlLayer(void)
{
    ForgetDrawObjects();
    if (!CreateDrawObjects())
        return 0;
    glViewport(layer.viewport[0], layer.viewport[1], layer.viewport[2], layer.viewport[3]);
    glClearColor(layer.clearColor[0], layer.clearColor[1], layer.clearColor[2], layer.clearColor[3]);
    for (const auto &es : layer.esSwitches)
        SetSwitch(es.cap, es.on);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, layer.textureMinFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, layer.textureMagFilter);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, layer.textureWrapS);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, layer.textureWrapT);
    if (layer.textureComponents > 0)
        UploadImage(0, layer.textureComponents, layer.textureWidth, layer.textureHeight, layer.textureImage);
    return 1;
}

void ShutdownGlLayer(void)
{
    DestroyDrawObjects();
    layer.batch.clear();
    layer.batch.shrink_to_fit();
    layer.textureImage.clear();
    layer.textureImage.shrink_to_fit();
}

void dvglMatrixMode(GLenum mode)
{
    if (mode == GL_MODELVIEW || mode == GL_PROJECTION)
        layer.matrixMode = mode;
}

void dvglLoadIdentity(void)
{
    memcpy(CurrentMatrix(), identity, sizeof identity);
}

// The bounds are rounded to float first: the matrix is kept in float.
void dvglOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar)
{
    float l = (float)left, r = (float)right, b = (float)bottom, t = (float)top, n = (float)zNear, f = (float)zFar;
    float m[16];
    memcpy(m, identity, sizeof m);
    m[0] = 2.0f / (r - l);
    m[5] = 2.0f / (t - b);
    m[10] = -2.0f / (f - n);
    m[12] = -(r + l) / (r - l);
    m[13] = -(t + b) / (t - b);
    m[14] = -(f + n) / (f - n);
    MultiplyCurrent(m);
}

void dvglFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar)
{
    float l = (float)left, r = (float)right, b = (float)bottom, t = (float)top, n = (float)zNear, f = (float)zFar;
    float m[16] = {0};
    m[0] = (2.0f * n) / (r - l);
    m[5] = (2.0f * n) / (t - b);
    m[8] = (r + l) / (r - l);
    m[9] = (t + b) / (t - b);
    m[10] = -(f + n) / (f - n);
    m[11] = -1.0f;
    m[14] = -(2.0f * f * n) / (f - n);
    MultiplyCurrent(m);
}

void dvglTranslatef(GLfloat x, GLfloat y, GLfloat z)
{
    float m[16];
    memcpy(m, identity, sizeof m);
    m[12] = x;
    m[13] = y;
    m[14] = z;
    MultiplyCurrent(m);
}

void dvglRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z)
{
    // The angle goes to radians in double precision; sine and cosine are
    // taken in float.
    float radians = (float)(angle * pi / 180.0);
    float s = sinf(radians);
    float c = cosf(radians);

    // About a coordinate axis the matrix holds just c, s and an exact 1.
    int onAxis = -1;
    if (y == 0.0f && z == 0.0f && x != 0.0f)
        onAxis = 0;
    else if (x == 0.0f && z == 0.0f && y != 0.0f)
        onAxis = 1;
    else if (x == 0.0f && y == 0.0f && z != 0.0f)
        onAxis = 2;

    float u[3] = {x, y, z};
    if (onAxis >= 0) {
        u[onAxis] = u[onAxis] > 0.0f ? 1.0f : -1.0f;
    } else {
        float length = sqrtf(x * x + y * y + z * z);
        if (length <= 1.0e-4f)
            return; // no direction to turn about
        u[0] = x / length;
        u[1] = y / length;
        u[2] = z / length;
    }

    float t = 1.0f - c;
    float xx = u[0] * u[0], yy = u[1] * u[1], zz = u[2] * u[2];
    float xy = u[0] * u[1], yz = u[1] * u[2], zx = u[2] * u[0];
    float xs = u[0] * s, ys = u[1] * s, zs = u[2] * s;
    float m[16] = {t * xx + c, t * xy + zs, t * zx - ys, 0,  //
                   t * xy - zs, t * yy + c, t * yz + xs, 0,  //
                   t * zx + ys, t * yz - xs, t * zz + c, 0,  //
                   0, 0, 0, 1};
    if (onAxis >= 0)
        m[onAxis * 5] = 1.0f;
    MultiplyCurrent(m);
}

void dvglMultMatrixf(const GLfloat *m)
{
    MultiplyCurrent(m);
}

void dvglPushMatrix(void)
{
    if (layer.matrixMode == GL_PROJECTION) {
        if (layer.projectionDepth < kStackDepth) {
            memcpy(layer.projection[layer.projectionDepth], ProjectionMatrix(), sizeof identity);
            layer.projectionDepth++;
        }
    } else if (layer.modelviewDepth < kStackDepth) {
        memcpy(layer.modelview[layer.modelviewDepth], ModelviewMatrix(), sizeof identity);
        layer.modelviewDepth++;
    }
}

void dvglPopMatrix(void)
{
    int *depth = layer.matrixMode == GL_PROJECTION ? &layer.projectionDepth : &layer.modelviewDepth;
    if (*depth > 1)
        (*depth)--;
}

void dvglBegin(GLenum mode)
{
    if (layer.insideBegin)
        return;
    layer.primitive = mode;
    layer.insideBegin = 1;
    layer.batch.clear();
}

void dvglEnd(void)
{
    if (!layer.insideBegin)
        return;
    layer.insideBegin = 0;
    DrawBatch();
}

void dvglVertex3f(GLfloat x, GLfloat y, GLfloat z)
{
    if (!layer.insideBegin)
        return;
    Vertex v = {{x, y, z}, {layer.normal[0], layer.normal[1], layer.normal[2]}, {0, 0, 0, 0}, 0, {0, 0}};
    Copy4(v.color, layer.color);
    layer.batch.push_back(v);
}

void dvglNormal3f(GLfloat nx, GLfloat ny, GLfloat nz)
{
    layer.normal[0] = nx;
    layer.normal[1] = ny;
    layer.normal[2] = nz;
}

void dvglColor3f(GLfloat red, GLfloat green, GLfloat blue)
{
    Set4(layer.color, red, green, blue, 1);
}

void dvglLightfv(GLenum lightName, GLenum pname, const GLfloat *params)
{
    if (lightName < GL_LIGHT0 || lightName >= GL_LIGHT0 + kLights)
        return;
    Light *light = &layer.lights[lightName - GL_LIGHT0];
    switch (pname) {
    case GL_AMBIENT:
        Copy4(light->ambient, params);
        break;
    case GL_DIFFUSE:
        Copy4(light->diffuse, params);
        break;
    case GL_SPECULAR:
        Copy4(light->specular, params);
        break;
    case GL_POSITION:
        PlaceLight(light, params);
        break;
    }
}

void dvglLightModeli(GLenum pname, GLint param)
{
    if (pname == GL_LIGHT_MODEL_TWO_SIDE)
        layer.twoSide = param != 0;
}

void dvglMaterialfv(GLenum face, GLenum pname, const GLfloat *params)
{
    for (int side = 0; side < 2; side++) {
        if (face != GL_FRONT_AND_BACK && face != (side == 0 ? GL_FRONT : GL_BACK))
            continue;
        Material *material = &layer.materials[side];
        switch (pname) {
        case GL_AMBIENT:
            Copy4(material->ambient, params);
            break;
        case GL_DIFFUSE:
            Copy4(material->diffuse, params);
            break;
        case GL_AMBIENT_AND_DIFFUSE:
            Copy4(material->ambient, params);
            Copy4(material->diffuse, params);
            break;
        case GL_SPECULAR:
            Copy4(material->specular, params);
            break;
        case GL_EMISSION:
            Copy4(material->emission, params);
            break;
        case GL_SHININESS:
            if (params[0] >= 0.0f && params[0] <= 128.0f)
                material->shininess = params[0];
            break;
        }
    }
}

void dvglMaterialf(GLenum face, GLenum pname, GLfloat param)
{
    if (pname == GL_SHININESS)
        dvglMaterialfv(face, pname, &param);
}

void dvglFogf(GLenum pname, GLfloat param)
{
    switch (pname) {
    case GL_FOG_MODE:
        dvglFogi(pname, (GLint)param);
        break;
    case GL_FOG_DENSITY:
        if (param >= 0.0f)
            layer.fogDensity = param;
        break;
    case GL_FOG_START:
        layer.fogStart = param;
        break;
    case GL_FOG_END:
        layer.fogEnd = param;
        break;
    }
}

void dvglFogi(GLenum pname, GLint param)
{
    if (pname != GL_FOG_MODE)
        dvglFogf(pname, (GLfloat)param);
    else if (param == GL_LINEAR || param == GL_EXP || param == GL_EXP2)
        layer.fogMode = (GLenum)param;
}

void dvglFogfv(GLenum pname, const GLfloat *params)
{
    if (pname != GL_FOG_COLOR) {
        dvglFogf(pname, params[0]);
        return;
    }
    for (int i = 0; i < 4; i++)
        layer.fogColor[i] = Clamp01(params[i]);
}

void dvglClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha)
{
    Set4(layer.clearColor, Clamp01(red), Clamp01(green), Clamp01(blue), Clamp01(alpha));
    glClearColor(red, green, blue, alpha);
}

void dvglEnable(GLenum cap)
{
    SetSwitch(cap, 1);
}

void dvglDisable(GLenum cap)
{
    SetSwitch(cap, 0);
}

GLboolean dvglIsEnabled(GLenum cap)
{
    int *on = LayerSwitch(cap);
    if (on == nullptr)
        on = EsSwitch(cap);
    return on ? (GLboolean)(*on != 0) : glIsEnabled(cap);
}

void dvglPolygonMode(GLenum face, GLenum mode)
{
    if (face == GL_FRONT_AND_BACK && (mode == GL_LINE || mode == GL_FILL))
        layer.polygonMode = mode;
}

void dvglLineWidth(GLfloat width)
{
    if (width > 0.0f)
        layer.lineWidth = width;
}

void dvglTexEnvi(GLenum target, GLenum pname, GLint param)
{
    if (target == GL_TEXTURE_ENV && pname == GL_TEXTURE_ENV_MODE && (param == GL_MODULATE || param == GL_REPLACE))
        layer.textureEnvMode = (GLenum)param;
}

void dvglTexParameteri(GLenum target, GLenum pname, GLint param)
{
    if (target != GL_TEXTURE_2D)
        return;
    GLint *kept = pname == GL_TEXTURE_MIN_FILTER   ? &layer.textureMinFilter
                  : pname == GL_TEXTURE_MAG_FILTER ? &layer.textureMagFilter
                  : pname == GL_TEXTURE_WRAP_S     ? &layer.textureWrapS
                  : pname == GL_TEXTURE_WRAP_T     ? &layer.textureWrapT
                                                   : nullptr;
    if (kept != nullptr)
        *kept = param;
    glTexParameteri(target, pname, param);
}

// OpenGL 1.1 takes any pixel format for any internal format; OpenGL ES
// wants them equal. The image is converted to the internal format's
// components (red, green, blue and, for 4, alpha) and uploaded packed; the
// layer keeps level 0's converted image for a restored context.
void dvglTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void *pixels)
{
    int components = internalformat == GL_RGB || internalformat == 3 ? 3
                     : internalformat == GL_RGBA || internalformat == 4 ? 4
                                                                         : 0;
    int sourceComponents = format == GL_RGB ? 3 : format == GL_RGBA ? 4 : 0;
    if (target != GL_TEXTURE_2D || components == 0 || sourceComponents == 0 || type != GL_UNSIGNED_BYTE ||
        border != 0 || width < 0 || height < 0)
        return;

    // Without pixels the image stays empty: the level's pixels are undefined.
    std::vector<unsigned char> image;
    if (pixels) {
        image.resize((size_t)width * height * components);
        // Rows of the source start on 4-byte boundaries (the unpack
        // alignment OpenGL starts with, which the program never changes).
        size_t sourceRow = ((size_t)width * sourceComponents + 3) & ~(size_t)3;
        const unsigned char *source = (const unsigned char *)pixels;
        unsigned char *out = image.data();
        for (GLsizei r = 0; r < height; r++) {
            const unsigned char *in = source + r * sourceRow;
            for (GLsizei c = 0; c < width; c++, in += sourceComponents, out += components) {
                memcpy(out, in, 3);
                if (components == 4)
                    out[3] = sourceComponents == 4 ? in[3] : 255;
            }
        }
    }
    UploadImage(level, components, width, height, image);
    if (level == 0) {
        layer.textureComponents = components;
        layer.textureWidth = width;
        layer.textureHeight = height;
        layer.textureImage.swap(image);
    }
}

void dvglGetFloatv(GLenum pname, GLfloat *params)
{
    switch (pname) {
    case GL_MODELVIEW_MATRIX:
        memcpy(params, ModelviewMatrix(), sizeof identity);
        return;
    case GL_PROJECTION_MATRIX:
        memcpy(params, ProjectionMatrix(), sizeof identity);
        return;
    case GL_CURRENT_COLOR:
        Copy4(params, layer.color);
        return;
    case GL_CURRENT_NORMAL:
        memcpy(params, layer.normal, sizeof layer.normal);
        return;
    case GL_LINE_WIDTH:
        params[0] = layer.lineWidth;
        return;
    case GL_FOG_COLOR:
        Copy4(params, layer.fogColor);
        return;
    case GL_FOG_DENSITY:
        params[0] = layer.fogDensity;
        return;
    case GL_FOG_START:
        params[0] = layer.fogStart;
        return;
    case GL_FOG_END:
        params[0] = layer.fogEnd;
        return;
    }
    glGetFloatv(pname, params);
}

void dvglGetIntegerv(GLenum pname, GLint *params)
{
    switch (pname) {
    case GL_MATRIX_MODE:
        params[0] = (GLint)layer.matrixMode;
        return;
    case GL_MODELVIEW_STACK_DEPTH:
        params[0] = layer.modelviewDepth;
        return;
    case GL_PROJECTION_STACK_DEPTH:
        params[0] = layer.projectionDepth;
        return;
    case GL_FOG_MODE:
        params[0] = (GLint)layer.fogMode;
        return;
    case GL_POLYGON_MODE:
        params[0] = params[1] = (GLint)layer.polygonMode;
        return;
    case GL_MAX_LIGHTS:
        params[0] = kLights;
        return;
    }
    glGetIntegerv(pname, params);
}
