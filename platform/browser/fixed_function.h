#pragma once
// The fixed-function OpenGL that the drawing view uses, on WebGL 2: matrices
// (projection and model-view, orthographic projection, translation), one
// light with its material, client vertex arrays and indexed drawing, and
// texturing modulated by the lit colour. Everything else is WebGL's own.
//
// The lighting follows OpenGL's fixed-function equations per vertex (a
// positional or directional light, no attenuation, infinite viewer, the
// scene's ambient of 0.2), interpolated across each triangle, so that a
// surface looks as it does on the desktop. The calls below are renamed by
// macros only in files that include platform/fixed_function_gl.h.

#include <GLES3/gl3.h>

typedef double GLdouble;

#define GL_LIGHTING 0x0B50
#define GL_LIGHT0 0x4000
#define GL_AMBIENT 0x1200
#define GL_DIFFUSE 0x1201
#define GL_SPECULAR 0x1202
#define GL_POSITION 0x1203
#define GL_EMISSION 0x1600
#define GL_SHININESS 0x1601
#define GL_FLAT 0x1D00
#define GL_SMOOTH 0x1D01
#define GL_MODELVIEW 0x1700
#define GL_PROJECTION 0x1701
#define GL_VERTEX_ARRAY 0x8074
#define GL_NORMAL_ARRAY 0x8075
#define GL_TEXTURE_COORD_ARRAY 0x8078
#define GL_NORMALIZE 0x0BA1

extern "C" {
void lumo_glEnable(GLenum cap);
void lumo_glDisable(GLenum cap);
void lumo_glMatrixMode(GLenum mode);
void lumo_glLoadIdentity(void);
void lumo_glOrtho(GLdouble left, GLdouble right, GLdouble bottom, GLdouble top, GLdouble near_val, GLdouble far_val);
void lumo_glTranslatef(GLfloat x, GLfloat y, GLfloat z);
void lumo_glLightfv(GLenum light, GLenum pname, const GLfloat* params);
void lumo_glMaterialfv(GLenum face, GLenum pname, const GLfloat* params);
void lumo_glMaterialf(GLenum face, GLenum pname, GLfloat param);
void lumo_glShadeModel(GLenum mode);
void lumo_glEnableClientState(GLenum array);
void lumo_glDisableClientState(GLenum array);
void lumo_glVertexPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void lumo_glNormalPointer(GLenum type, GLsizei stride, const void* pointer);
void lumo_glTexCoordPointer(GLint size, GLenum type, GLsizei stride, const void* pointer);
void lumo_glDrawElements(GLenum mode, GLsizei count, GLenum type, const void* indices);
}

#ifndef LUMO_FIXED_FUNCTION_IMPLEMENTATION
#define glEnable lumo_glEnable
#define glDisable lumo_glDisable
#define glMatrixMode lumo_glMatrixMode
#define glLoadIdentity lumo_glLoadIdentity
#define glOrtho lumo_glOrtho
#define glTranslatef lumo_glTranslatef
#define glLightfv lumo_glLightfv
#define glMaterialfv lumo_glMaterialfv
#define glMaterialf lumo_glMaterialf
#define glShadeModel lumo_glShadeModel
#define glEnableClientState lumo_glEnableClientState
#define glDisableClientState lumo_glDisableClientState
#define glVertexPointer lumo_glVertexPointer
#define glNormalPointer lumo_glNormalPointer
#define glTexCoordPointer lumo_glTexCoordPointer
#define glDrawElements lumo_glDrawElements
#endif
