// The layer's drawing: its shader programs, and what glEnd does with the
// batch of vertices gathered since glBegin.
//
// Lighting follows OpenGL's per-vertex equations with the viewer at
// infinity. Which side of a triangle shows is decided on the CPU, from its
// winding in window space as the rasteriser sees it, and every vertex
// carries it: under two-sided lighting the vertices of back faces are lit
// with the back material and the reversed normal. The per-light products
// and the light vectors come from the CPU in single precision, as desktop
// OpenGL forms them. Fog takes the eye-space depth |z| of each fragment as
// its distance. One program is built for each combination of texturing and
// fog, so that no fragment pays for what is switched off.
//
// WebGL lines have no facing and are one pixel wide, so triangles drawn as
// lines become edges that carry their triangle's side, and lines wider than
// one pixel become two triangles each.
#include "platform/gl_layer/layer_state.h"

#include <cmath>
#include <cstddef>
#include <cstdio>
#include <cstring>

namespace gl_layer {

static const char *const vertexShaderSource = R"(
attribute vec3 aPosition;
attribute vec3 aNormal;
attribute vec4 aColor;
attribute float aBack;
attribute vec2 aOffset;

uniform mat4 uModelViewProjection;
uniform vec4 uEyeZRow;
uniform mat3 uNormalMatrix;
uniform vec2 uNdcPerPixel;
uniform bool uLighting;
uniform bool uTwoSide;
uniform int uLightCount;
uniform vec3 uLightDirection[8];
uniform vec3 uHalfVector[8];
uniform vec3 uFrontAmbient[8];
uniform vec3 uFrontDiffuse[8];
uniform vec3 uFrontSpecular[8];
uniform vec3 uBackAmbient[8];
uniform vec3 uBackDiffuse[8];
uniform vec3 uBackSpecular[8];
uniform vec4 uSceneColor[2];
uniform vec2 uShininess;

varying vec4 vColor;
varying float vFogDepth;

void main()
{
    vec4 position = vec4(aPosition, 1.0);
    gl_Position = uModelViewProjection * position;
    gl_Position.xy += aOffset * uNdcPerPixel * gl_Position.w;
    vFogDepth = abs(dot(uEyeZRow, position));
    if (!uLighting) {
        vColor = clamp(aColor, 0.0, 1.0);
        return;
    }
    bool back = uTwoSide && aBack > 0.5;
    vec3 n = uNormalMatrix * aNormal;
    if (back)
        n = -n;
    vec4 color = back ? uSceneColor[1] : uSceneColor[0];
    float shininess = back ? uShininess.y : uShininess.x;
    for (int i = 0; i < 8; i++) {
        if (i >= uLightCount)
            break;
        float nl = dot(n, uLightDirection[i]);
        float nh = dot(n, uHalfVector[i]);
        color.rgb += back ? uBackAmbient[i] : uFrontAmbient[i];
        if (nl > 0.0) {
            color.rgb += nl * (back ? uBackDiffuse[i] : uFrontDiffuse[i]);
            float power = nh > 0.0 ? pow(nh, shininess) : float(shininess == 0.0);
            color.rgb += power * (back ? uBackSpecular[i] : uFrontSpecular[i]);
        }
    }
    vColor = clamp(color, 0.0, 1.0);
}
)";

// Built with TEXTURING and FOG defined or not.
static const char *const fragmentShaderSource = R"(
#ifdef GL_FRAGMENT_PRECISION_HIGH
precision highp float;
#else
precision mediump float;
#endif

uniform bool uTextureReplace;
uniform bool uTextureHasAlpha;
uniform sampler2D uTexture;
uniform int uFogMode;
uniform vec3 uFogParameters;
uniform vec3 uFogColor;

varying vec4 vColor;
varying float vFogDepth;

void main()
{
    vec4 color = vColor;
#ifdef TEXTURING
    // No texture coordinate is ever sent: the current one, (0, 0), applies.
    vec4 texel = texture2D(uTexture, vec2(0.0));
    if (uTextureReplace)
        color = vec4(texel.rgb, uTextureHasAlpha ? texel.a : color.a);
    else
        color *= texel;
#endif
#ifdef FOG
    float f;
    if (uFogMode == 0) {
        f = vFogDepth * uFogParameters.x + uFogParameters.y;
    } else if (uFogMode == 1) {
        f = exp2(-uFogParameters.z * vFogDepth);
    } else {
        float t = uFogParameters.z * vFogDepth;
        f = exp2(-t * t);
    }
    color.rgb = mix(uFogColor, color.rgb, clamp(f, 0.0, 1.0));
#endif
    gl_FragColor = color;
}
)";

enum { kPositionAttribute, kNormalAttribute, kColorAttribute, kBackAttribute, kOffsetAttribute };

struct Uniforms {
    GLint modelViewProjection, eyeZRow, normalMatrix, ndcPerPixel;
    GLint lighting, twoSide, lightCount, lightDirection, halfVector;
    GLint frontAmbient, frontDiffuse, frontSpecular, backAmbient, backDiffuse, backSpecular;
    GLint sceneColor, shininess;
    GLint textureReplace, textureHasAlpha, sampler;
    GLint fogMode, fogParameters, fogColor;
};

static const struct {
    const char *name;
    size_t offset;
} uniformNames[] = {
    {"uModelViewProjection", offsetof(Uniforms, modelViewProjection)},
    {"uEyeZRow", offsetof(Uniforms, eyeZRow)},
    {"uNormalMatrix", offsetof(Uniforms, normalMatrix)},
    {"uNdcPerPixel", offsetof(Uniforms, ndcPerPixel)},
    {"uLighting", offsetof(Uniforms, lighting)},
    {"uTwoSide", offsetof(Uniforms, twoSide)},
    {"uLightCount", offsetof(Uniforms, lightCount)},
    {"uLightDirection", offsetof(Uniforms, lightDirection)},
    {"uHalfVector", offsetof(Uniforms, halfVector)},
    {"uFrontAmbient", offsetof(Uniforms, frontAmbient)},
    {"uFrontDiffuse", offsetof(Uniforms, frontDiffuse)},
    {"uFrontSpecular", offsetof(Uniforms, frontSpecular)},
    {"uBackAmbient", offsetof(Uniforms, backAmbient)},
    {"uBackDiffuse", offsetof(Uniforms, backDiffuse)},
    {"uBackSpecular", offsetof(Uniforms, backSpecular)},
    {"uSceneColor", offsetof(Uniforms, sceneColor)},
    {"uShininess", offsetof(Uniforms, shininess)},
    {"uTextureReplace", offsetof(Uniforms, textureReplace)},
    {"uTextureHasAlpha", offsetof(Uniforms, textureHasAlpha)},
    {"uTexture", offsetof(Uniforms, sampler)},
    {"uFogMode", offsetof(Uniforms, fogMode)},
    {"uFogParameters", offsetof(Uniforms, fogParameters)},
    {"uFogColor", offsetof(Uniforms, fogColor)},
};

// The programs, indexed by texturing (1) plus fog (2).
static struct {
    GLuint id;
    Uniforms uniforms;
} programs[4];
static GLuint vertexBuffer;
static GLuint texture;
static GLsizeiptr bufferCapacity;

// What glEnd draws when the batch is not drawn as it is: triangles that
// carry their side, triangle edges or line segments, and the triangles of
// wide lines.
static std::vector<Vertex> triangles;
static std::vector<Vertex> lines;
static std::vector<Vertex> wideLines;

// Whether a shader compiled (or a program linked); if not, says why.
static int Built(GLuint object, GLenum status)
{
    GLint ok = 0;
    char log[1024] = "";
    if (status == GL_COMPILE_STATUS) {
        glGetShaderiv(object, status, &ok);
        if (!ok)
            glGetShaderInfoLog(object, sizeof log, nullptr, log);
    } else {
        glGetProgramiv(object, status, &ok);
        if (!ok)
            glGetProgramInfoLog(object, sizeof log, nullptr, log);
    }
    if (!ok)
        fprintf(stderr, "fixed-function layer: %s: %s\n",
                status == GL_COMPILE_STATUS ? "a shader does not compile" : "the shaders do not link", log);
    return ok;
}

static GLuint CompileShader(GLenum type, const char *prefix, const char *source)
{
    const char *parts[2] = {prefix, source};
    GLuint shader = glCreateShader(type);
    glShaderSource(shader, 2, parts, nullptr);
    glCompileShader(shader);
    return shader;
}

static GLuint BuildProgram(int texturing, int fog)
{
    char defines[64];
    snprintf(defines, sizeof defines, "%s%s", texturing ? "#define TEXTURING\n" : "", fog ? "#define FOG\n" : "");
    GLuint vertexShader = CompileShader(GL_VERTEX_SHADER, "", vertexShaderSource);
    GLuint fragmentShader = CompileShader(GL_FRAGMENT_SHADER, defines, fragmentShaderSource);
    GLuint program = glCreateProgram();
    glAttachShader(program, vertexShader);
    glAttachShader(program, fragmentShader);
    glBindAttribLocation(program, kPositionAttribute, "aPosition");
    glBindAttribLocation(program, kNormalAttribute, "aNormal");
    glBindAttribLocation(program, kColorAttribute, "aColor");
    glBindAttribLocation(program, kBackAttribute, "aBack");
    glBindAttribLocation(program, kOffsetAttribute, "aOffset");
    glLinkProgram(program);
    int built = Built(vertexShader, GL_COMPILE_STATUS) && Built(fragmentShader, GL_COMPILE_STATUS) &&
                Built(program, GL_LINK_STATUS);
    glDeleteShader(vertexShader);
    glDeleteShader(fragmentShader);
    if (!built) {
        glDeleteProgram(program);
        return 0;
    }
    return program;
}

int CreateDrawObjects(void)
{
    for (int k = 0; k < 4; k++) {
        programs[k].id = BuildProgram(k & 1, k & 2);
        if (!programs[k].id) {
            DestroyDrawObjects();
            return 0;
        }
        for (const auto &uniform : uniformNames)
            *(GLint *)((char *)&programs[k].uniforms + uniform.offset) =
                glGetUniformLocation(programs[k].id, uniform.name);
    }

    glGenBuffers(1, &vertexBuffer);
    bufferCapacity = 0;

    // WebGL cannot give an image to texture 0: this one stands for the
    // default texture and stays bound.
    glGenTextures(1, &texture);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, texture);
    return 1;
}

void DestroyDrawObjects(void)
{
    for (auto &program : programs)
        glDeleteProgram(program.id);
    glDeleteBuffers(1, &vertexBuffer);
    glDeleteTextures(1, &texture);
    ForgetDrawObjects();
}

void ForgetDrawObjects(void)
{
    for (auto &program : programs)
        program.id = 0;
    vertexBuffer = texture = 0;
    bufferCapacity = 0;
    for (std::vector<Vertex> *kept : {&triangles, &lines, &wideLines}) {
        kept->clear();
        kept->shrink_to_fit();
    }
}

// OpenGL ES's viewport; a lost context answers nothing, and then it is the
// one the layer keeps.
static void CurrentViewport(GLint viewport[4])
{
    memcpy(viewport, layer.viewport, sizeof layer.viewport);
    glGetIntegerv(GL_VIEWPORT, viewport);
}

// The inverse transpose of the modelview's upper 3 by 3, column-major: what
// turns normals into eye space.
static void NormalMatrix(float out[9], const float m[16])
{
    double a[3][3]; // a[row][column]
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            a[r][c] = m[c * 4 + r];
    double cofactor[3][3];
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            cofactor[r][c] = a[(r + 1) % 3][(c + 1) % 3] * a[(r + 2) % 3][(c + 2) % 3] -
                             a[(r + 1) % 3][(c + 2) % 3] * a[(r + 2) % 3][(c + 1) % 3];
    double determinant = a[0][0] * cofactor[0][0] + a[0][1] * cofactor[0][1] + a[0][2] * cofactor[0][2];
    double scale = determinant != 0.0 ? 1.0 / determinant : 1.0;
    for (int r = 0; r < 3; r++)
        for (int c = 0; c < 3; c++)
            out[c * 3 + r] = (float)(cofactor[r][c] * scale);
}

static void SetLightingUniforms(const Uniforms &uniforms)
{
    float direction[kLights][3], halfVector[kLights][3];
    float products[2][3][kLights][3]; // side, ambient/diffuse/specular, light, rgb
    int count = 0;
    for (const Light &light : layer.lights) {
        if (!light.enabled)
            continue;
        memcpy(direction[count], light.direction, sizeof direction[0]);
        memcpy(halfVector[count], light.halfVector, sizeof halfVector[0]);
        for (int side = 0; side < 2; side++) {
            const Material &material = layer.materials[side];
            for (int c = 0; c < 3; c++) {
                products[side][0][count][c] = light.ambient[c] * material.ambient[c];
                products[side][1][count][c] = light.diffuse[c] * material.diffuse[c];
                products[side][2][count][c] = light.specular[c] * material.specular[c];
            }
        }
        count++;
    }
    glUniform1i(uniforms.lightCount, count);
    if (count > 0) {
        glUniform3fv(uniforms.lightDirection, count, &direction[0][0]);
        glUniform3fv(uniforms.halfVector, count, &halfVector[0][0]);
        glUniform3fv(uniforms.frontAmbient, count, &products[0][0][0][0]);
        glUniform3fv(uniforms.frontDiffuse, count, &products[0][1][0][0]);
        glUniform3fv(uniforms.frontSpecular, count, &products[0][2][0][0]);
        glUniform3fv(uniforms.backAmbient, count, &products[1][0][0][0]);
        glUniform3fv(uniforms.backDiffuse, count, &products[1][1][0][0]);
        glUniform3fv(uniforms.backSpecular, count, &products[1][2][0][0]);
    }

    // What a side shows without any light: emission plus the global ambient
    // times its ambient colour; its alpha is the diffuse alpha.
    float sceneColor[2][4];
    for (int side = 0; side < 2; side++) {
        const Material &material = layer.materials[side];
        for (int c = 0; c < 3; c++)
            sceneColor[side][c] = layer.modelAmbient[c] * material.ambient[c] + material.emission[c];
        sceneColor[side][3] = material.diffuse[3];
    }
    glUniform4fv(uniforms.sceneColor, 2, &sceneColor[0][0]);
    glUniform2f(uniforms.shininess, layer.materials[0].shininess, layer.materials[1].shininess);
    glUniform1i(uniforms.twoSide, layer.twoSide);
}

static void SetFogUniforms(const Uniforms &uniforms)
{
    // f = x * depth + y (linear), 2^(-z * depth) or 2^(-(z * depth)^2).
    float x = 0, y = 0, z = 0;
    int mode = layer.fogMode == GL_LINEAR ? 0 : layer.fogMode == GL_EXP ? 1 : 2;
    if (mode == 0) {
        x = layer.fogEnd == layer.fogStart ? 1.0f : -1.0f / (layer.fogEnd - layer.fogStart);
        y = layer.fogEnd * -x;
    } else if (mode == 1) {
        z = (float)(layer.fogDensity * 1.4426950408889634); // density / ln 2
    } else {
        z = (float)(layer.fogDensity * 1.2011224087864498); // density / sqrt(ln 2)
    }
    glUniform1i(uniforms.fogMode, mode);
    glUniform3f(uniforms.fogParameters, x, y, z);
    glUniform3fv(uniforms.fogColor, 1, layer.fogColor);
}

static void SetUniforms(const Uniforms &uniforms, const float modelViewProjection[16])
{
    const float *modelview = ModelviewMatrix();
    glUniformMatrix4fv(uniforms.modelViewProjection, 1, GL_FALSE, modelViewProjection);
    glUniform4f(uniforms.eyeZRow, modelview[2], modelview[6], modelview[10], modelview[14]);
    float normalMatrix[9];
    NormalMatrix(normalMatrix, modelview);
    glUniformMatrix3fv(uniforms.normalMatrix, 1, GL_FALSE, normalMatrix);
    GLint viewport[4];
    CurrentViewport(viewport);
    glUniform2f(uniforms.ndcPerPixel, 2.0f / (float)viewport[2], 2.0f / (float)viewport[3]);

    glUniform1i(uniforms.lighting, layer.lighting);
    if (layer.lighting)
        SetLightingUniforms(uniforms);
    glUniform1i(uniforms.textureReplace, layer.textureEnvMode == GL_REPLACE);
    glUniform1i(uniforms.textureHasAlpha, layer.textureComponents == 4);
    glUniform1i(uniforms.sampler, 0);
    if (layer.fog)
        SetFogUniforms(uniforms);
}

static void DrawVertices(GLenum mode, const std::vector<Vertex> &vertices)
{
    // OpenGL 1.1 textures only with an image whose filter needs no mipmaps.
    int textureComplete = layer.textureComponents > 0 &&
                          (layer.textureMinFilter == GL_NEAREST || layer.textureMinFilter == GL_LINEAR);
    const auto &program = programs[(layer.texturing && textureComplete ? 1 : 0) + (layer.fog ? 2 : 0)];
    if (vertices.empty() || !program.id)
        return;
    float modelViewProjection[16];
    MultiplyMatrices(modelViewProjection, ProjectionMatrix(), ModelviewMatrix());
    glUseProgram(program.id);
    SetUniforms(program.uniforms, modelViewProjection);

    GLsizeiptr size = (GLsizeiptr)(vertices.size() * sizeof(Vertex));
    glBindBuffer(GL_ARRAY_BUFFER, vertexBuffer);
    if (size > bufferCapacity) {
        glBufferData(GL_ARRAY_BUFFER, size, vertices.data(), GL_STREAM_DRAW);
        bufferCapacity = size;
    } else {
        glBufferSubData(GL_ARRAY_BUFFER, 0, size, vertices.data());
    }
    const struct {
        GLuint index;
        GLint size;
        size_t offset;
    } attributes[] = {
        {kPositionAttribute, 3, offsetof(Vertex, position)}, {kNormalAttribute, 3, offsetof(Vertex, normal)},
        {kColorAttribute, 4, offsetof(Vertex, color)},       {kBackAttribute, 1, offsetof(Vertex, back)},
        {kOffsetAttribute, 2, offsetof(Vertex, offset)},
    };
    for (const auto &attribute : attributes) {
        glEnableVertexAttribArray(attribute.index);
        glVertexAttribPointer(attribute.index, attribute.size, GL_FLOAT, GL_FALSE, sizeof(Vertex),
                              (const void *)attribute.offset);
    }
    glDrawArrays(mode, 0, (GLsizei)vertices.size());
}

// Where a vertex lands in window coordinates, in float as the rasteriser
// has it.
static void WindowPosition(float out[2], const float modelViewProjection[16], const GLint viewport[4],
                           const Vertex &v)
{
    const float p[4] = {v.position[0], v.position[1], v.position[2], 1.0f};
    float clip[4];
    TransformPoint(clip, modelViewProjection, p);
    for (int axis = 0; axis < 2; axis++) {
        float half = 0.5f * (float)viewport[2 + axis];
        out[axis] = clip[axis] / clip[3] * half + ((float)viewport[axis] + half);
    }
}

// Marks each triangle of the batch with the side it shows, decided by its
// winding in window space (counter-clockwise is front), and puts it into
// `triangles`, or its edges into `lines` when triangles are drawn as lines.
// While culling is on, back faces and triangles without area in window
// space are left out.
static void SortTriangles(void)
{
    float modelViewProjection[16];
    MultiplyMatrices(modelViewProjection, ProjectionMatrix(), ModelviewMatrix());
    GLint viewport[4];
    CurrentViewport(viewport);
    int edges = layer.polygonMode == GL_LINE;
    std::vector<Vertex> &out = edges ? lines : triangles;
    out.clear();
    for (size_t i = 0; i + 2 < layer.batch.size(); i += 3) {
        const Vertex *corners = &layer.batch[i];
        float window[3][2];
        for (int k = 0; k < 3; k++)
            WindowPosition(window[k], modelViewProjection, viewport, corners[k]);
        float area = (window[0][0] - window[2][0]) * (window[1][1] - window[2][1]) -
                     (window[0][1] - window[2][1]) * (window[1][0] - window[2][0]);
        if (layer.culling && !(area > 0.0f))
            continue;
        // Edges start from the last corner and go round.
        const int cornerOrder[2][6] = {{0, 1, 2}, {2, 0, 0, 1, 1, 2}};
        for (int k = 0; k < (edges ? 6 : 3); k++) {
            out.push_back(corners[cornerOrder[edges][k]]);
            out.back().back = area < 0.0f ? 1.0f : 0.0f;
        }
    }
}

// Whether a window-space point lies inside the diamond of its pixel
// (|x - xc| + |y - yc| < 1/2 about the pixel's centre).
static int InsideDiamond(const float p[2])
{
    return fabsf(p[0] - floorf(p[0]) - 0.5f) + fabsf(p[1] - floorf(p[1]) - 0.5f) < 0.5f;
}

// Aliased lines are as wide as their width rounded to a whole pixel. One
// pixel wide they are OpenGL ES's own lines. Wider, each segment becomes a
// parallelogram reaching half the width to either side in its minor
// direction (vertically for a line closer to horizontal), as desktop
// OpenGL rasterises them, and its ends take the columns (rows, for a line
// closer to vertical) that the one-pixel line takes by the diamond-exit
// rule: the first column when the line starts inside that pixel's diamond
// or before its centre, the last when the line passes its centre and does
// not end inside the diamond. Each end moves along the line to the pixel
// boundary that takes its column in or leaves it out.
static void DrawLines(void)
{
    int width = (int)floorf(layer.lineWidth + 0.5f);
    if (width <= 1) {
        DrawVertices(GL_LINES, lines);
        return;
    }
    float modelViewProjection[16];
    MultiplyMatrices(modelViewProjection, ProjectionMatrix(), ModelviewMatrix());
    GLint viewport[4];
    CurrentViewport(viewport);

    wideLines.clear();
    for (size_t i = 0; i + 1 < lines.size(); i += 2) {
        float window[2][2];
        for (int k = 0; k < 2; k++)
            WindowPosition(window[k], modelViewProjection, viewport, lines[i + k]);
        const float delta[2] = {window[1][0] - window[0][0], window[1][1] - window[0][1]};
        // A line at exactly 45 degrees counts as closer to vertical.
        int major = fabsf(delta[0]) > fabsf(delta[1]) ? 0 : 1;
        if (delta[major] == 0.0f)
            continue; // no length: no fragment
        float direction = delta[major] > 0.0f ? 1.0f : -1.0f;
        float firstCentre = floorf(window[0][major]) + 0.5f, lastCentre = floorf(window[1][major]) + 0.5f;
        int drawFirst = InsideDiamond(window[0]) || direction * (firstCentre - window[0][major]) >= 0.0f;
        int drawLast = direction * (window[1][major] - lastCentre) > 0.0f && !InsideDiamond(window[1]);
        float start = firstCentre - direction * (drawFirst ? 0.5f : -0.5f);
        float end = lastCentre + direction * (drawLast ? 0.5f : -0.5f);
        // How far each end moves, as a share of the segment.
        const float shift[2] = {(start - window[0][major]) / delta[major], (end - window[1][major]) / delta[major]};

        // Corners: start and end on the one side, end and start on the other.
        const int corner[6] = {0, 1, 1, 0, 1, 0};
        const float side[6] = {-1, -1, 1, -1, 1, 1};
        for (int k = 0; k < 6; k++) {
            Vertex v = lines[i + corner[k]];
            for (int axis = 0; axis < 2; axis++)
                v.offset[axis] = shift[corner[k]] * delta[axis] + (axis == major ? 0.0f : side[k] * 0.5f * width);
            wideLines.push_back(v);
        }
    }
    DrawVertices(GL_TRIANGLES, wideLines);
}

void DrawBatch(void)
{
    const std::vector<Vertex> &batch = layer.batch;
    switch (layer.primitive) {
    case GL_TRIANGLES:
        SortTriangles();
        if (layer.polygonMode == GL_LINE)
            DrawLines();
        else
            DrawVertices(GL_TRIANGLES, triangles);
        break;
    case GL_LINES:
        lines.assign(batch.begin(), batch.begin() + (batch.size() & ~(size_t)1));
        DrawLines();
        break;
    case GL_LINE_STRIP:
        lines.clear();
        for (size_t i = 1; i < batch.size(); i++) {
            lines.push_back(batch[i - 1]);
            lines.push_back(batch[i]);
        }
        DrawLines();
        break;
    }
}

} // namespace gl_layer
