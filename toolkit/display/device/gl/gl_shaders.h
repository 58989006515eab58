/* The shader program of the GL backend and its uniform locations. */
#ifndef VLX_DISPLAY_DEVICE_GL_GL_SHADERS_H
#define VLX_DISPLAY_DEVICE_GL_GL_SHADERS_H

#include <epoxy/gl.h>

struct VLglprogram {
  GLuint program = 0;
  GLint matrices, view, proj;
  GLint lit, flat, textured, tex;
  GLint materials;
  GLint ambient, nlights;
  GLint ltype, lcolor, lpos, ldir, latt, lspot;
};

/* Compiles and links the program; false (with the log on stderr) on failure. */
bool _VLgl_buildprogram(VLglprogram *p);

#endif
