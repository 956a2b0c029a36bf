// The GL layer: the OpenGL 1.1 calls the program makes, as a small
// fixed-function layer on OpenGL ES 2 (WebGL 1 in the browser): matrix
// stacks, immediate mode, per-vertex two-sided lighting, fog, wireframe, wide
// lines and the checker texture, drawn with shaders of our own.
//
// src/platform/gl.h includes this header in place of <GL/gl.h> when
// DUCKVIEW_GL_LAYER is defined. The macros at the end send the program's gl*
// calls to the layer's dvgl* functions; the layer's own code defines
// DUCKVIEW_GL_LAYER_IMPLEMENTATION first, so that the same names still reach
// the real OpenGL ES functions there. glClear and glFlush mean the same in
// both APIs and are not wrapped; glClearColor is, only so that the layer
// keeps the colour. What this header declares is process-wide, with C
// names; the layer's internals are in the namespace gl_layer
// (layer_state.h).
//
// Everything the program sets is kept on the CPU side, the texture's image
// included, so that the layer can make its objects again on a context that
// was lost and is back (RestoreGlLayer).
//
// What the layer does not provide, because the program never asks for it:
// positional and spot lights, attenuation, a local viewer, colour-material
// tracking, texture coordinates (the current one, (0, 0, 0, 1), applies),
// a polygon mode for one face only, culling of other than back faces,
// clockwise front faces, and primitives other than GL_TRIANGLES, GL_LINES
// and GL_LINE_STRIP.
#ifndef DUCKVIEW_PLATFORM_GL_LAYER_GL_LAYER_H
#define DUCKVIEW_PLATFORM_GL_LAYER_GL_LAYER_H

#include <GLES2/gl2.h>

typedef double GLdouble;

// OpenGL 1.1 names that OpenGL ES 2 lacks, with their OpenGL values.
#define GL_CURRENT_COLOR 0x0B00
#define GL_CURRENT_NORMAL 0x0B02
#define GL_POLYGON_MODE 0x0B40
#define GL_LIGHTING 0x0B50
#define GL_LIGHT_MODEL_TWO_SIDE 0x0B52
#define GL_LIGHT_MODEL_AMBIENT 0x0B53
#define GL_FOG 0x0B60
#define GL_FOG_DENSITY 0x0B62
#define GL_FOG_START 0x0B63
#define GL_FOG_END 0x0B64
#define GL_FOG_MODE 0x0B65
#define GL_FOG_COLOR 0x0B66
#define GL_MATRIX_MODE 0x0BA0
#define GL_MODELVIEW_STACK_DEPTH 0x0BA3
#define GL_PROJECTION_STACK_DEPTH 0x0BA4
#define GL_MODELVIEW_MATRIX 0x0BA6
#define GL_PROJECTION_MATRIX 0x0BA7
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_EMISSION 0x1600
#define GL_SHININESS 0x1601
#define GL_AMBIENT_AND_DIFFUSE 0x1602
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_LINE 0x1B01
#define GL_FILL 0x1B02
#define GL_EXP 0x0800
#define GL_EXP2 0x0801
#define GL_MODULATE 0x2100
#define GL_TEXTURE_ENV_MODE 0x2200
#define GL_TEXTURE_ENV 0x2300
#define GL_LIGHT0 0x4000
#define GL_LIGHT1 0x4001
#define GL_LIGHT2 0x4002
#define GL_LIGHT3 0x4003
#define GL_LIGHT4 0x4004
#define GL_LIGHT5 0x4005
#define GL_LIGHT6 0x4006
#define GL_LIGHT7 0x4007
#define GL_MAX_LIGHTS 0x0D31

// Sets the layer up on the OpenGL ES 2 context that is current (its shader
// program, vertex buffer and the texture that stands for the default one)
// and gives every piece of its state OpenGL's initial value. Returns 0 if
// the shaders cannot be built. Call it once per context, after making the
// context current for the first time.
int InitGlLayer(void);
// Releases what InitGlLayer made; the context must still be current.
void ShutdownGlLayer(void);
// On a context that lost everything since InitGlLayer (a WebGL context that
// was lost and has been restored, or a new one), made current: makes the
// layer's shader programs, buffer and texture again and gives OpenGL ES the
// state the program set through the layer (switches, clear colour, texture
// parameters and image, the viewport), all of it from
// what the layer keeps. The program's own state needs no call. Returns 0 if
// the shaders cannot be built.
int RestoreGlLayer(void);
// The viewport a context takes when it is first made current on a window,
// set by the window system's side (the program never sets one); the layer
// keeps it for a restored context.
void SetGlLayerViewport(GLint x, GLint y, GLsizei width, GLsizei height);

void dvglMatrixMode(GLenum mode);
void dvglLoadIdentity(void);
void dvglOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void dvglFrustum(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble zNear, GLdouble zFar);
void dvglTranslatef(GLfloat x, GLfloat y, GLfloat z);
void dvglRotatef(GLfloat angle, GLfloat x, GLfloat y, GLfloat z);
void dvglMultMatrixf(const GLfloat *m);
void dvglPushMatrix(void);
void dvglPopMatrix(void);

void dvglBegin(GLenum mode);
void dvglEnd(void);
void dvglVertex3f(GLfloat x, GLfloat y, GLfloat z);
void dvglNormal3f(GLfloat nx, GLfloat ny, GLfloat nz);
void dvglColor3f(GLfloat red, GLfloat green, GLfloat blue);

void dvglLightfv(GLenum light, GLenum pname, const GLfloat *params);
void dvglLightModeli(GLenum pname, GLint param);
void dvglMaterialfv(GLenum face, GLenum pname, const GLfloat *params);
void dvglMaterialf(GLenum face, GLenum pname, GLfloat param);

void dvglClearColor(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);

void dvglFogi(GLenum pname, GLint param);
void dvglFogf(GLenum pname, GLfloat param);
void dvglFogfv(GLenum pname, const GLfloat *params);

void dvglEnable(GLenum cap);
void dvglDisable(GLenum cap);
GLboolean dvglIsEnabled(GLenum cap);
void dvglPolygonMode(GLenum face, GLenum mode);
void dvglLineWidth(GLfloat width);

void dvglTexEnvi(GLenum target, GLenum pname, GLint param);
void dvglTexParameteri(GLenum target, GLenum pname, GLint param);
void dvglTexImage2D(GLenum target, GLint level, GLint internalformat, GLsizei width, GLsizei height, GLint border,
                    GLenum format, GLenum type, const void *pixels);

void dvglGetFloatv(GLenum pname, GLfloat *params);
void dvglGetIntegerv(GLenum pname, GLint *params);

#ifndef DUCKVIEW_GL_LAYER_IMPLEMENTATION
#define glMatrixMode dvglMatrixMode
#define glLoadIdentity dvglLoadIdentity
#define glOrtho dvglOrtho
#define glFrustum dvglFrustum
#define glTranslatef dvglTranslatef
#define glRotatef dvglRotatef
#define glMultMatrixf dvglMultMatrixf
#define glPushMatrix dvglPushMatrix
#define glPopMatrix dvglPopMatrix
#define glBegin dvglBegin
#define glEnd dvglEnd
#define glVertex3f dvglVertex3f
#define glNormal3f dvglNormal3f
#define glColor3f dvglColor3f
#define glLightfv dvglLightfv
#define glLightModeli dvglLightModeli
#define glMaterialfv dvglMaterialfv
#define glMaterialf dvglMaterialf
#define glClearColor dvglClearColor
#define glFogi dvglFogi
#define glFogf dvglFogf
#define glFogfv dvglFogfv
#define glEnable dvglEnable
#define glDisable dvglDisable
#define glIsEnabled dvglIsEnabled
#define glPolygonMode dvglPolygonMode
#define glLineWidth dvglLineWidth
#define glTexEnvi dvglTexEnvi
#define glTexParameteri dvglTexParameteri
#define glTexImage2D dvglTexImage2D
#define glGetFloatv dvglGetFloatv
#define glGetIntegerv dvglGetIntegerv
#endif

#endif // DUCKVIEW_PLATFORM_GL_LAYER_GL_LAYER_H
