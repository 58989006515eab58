/* The shader program of the GL backend and its uniform locations. */
#ifndef VLX_DISPLAY_DEVICE_GL_GL_SHADERS_H
#define VLX_DISPLAY_DEVICE_GL_GL_SHADERS_H

#include <epoxy/gl.h>
#include <stdint.h>

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

/* Variant keys: the state a variant program is made for. Lit variants
 * also carry the number of active lights and two bits of type
 * (VLLIGHT_*) per light, in slot order. */
enum : uint32_t {
  VLVAR_LIT = 1u << 0,
  VLVAR_FLAT = 1u << 1,
  VLVAR_TEXTURED = 1u << 2,
  VLVAR_SPECULAR = 1u << 3,       /* some material of the draw has a specular term */
  VLVAR_MULTIWORLD = 1u << 4,     /* several world matrices, a slot per vertex */
  VLVAR_MULTIMATERIAL = 1u << 5,  /* several materials, a slot per vertex */
  VLVAR_NLIGHTSHIFT = 8,          /* 4 bits */
  VLVAR_TYPESHIFT = 12            /* 2 bits per light, 8 lights */
};
/* Slots of the uniform arrays of one draw. */
enum { VLVAR_MAXWORLDS = 16, VLVAR_MAXMATERIALS = 16 };

struct VLglvariant {
  uint32_t key = 0;
  GLuint program = 0;
  GLint proj = -1, world = -1, mat = -1;
  GLint lcolor = -1, lpos = -1, ldir = -1, latt = -1, lspot = -1;
  /* Serials of the values last given to this program. */
  uint32_t projserial = 0, lightserial = 0;
};

/* Compiles and links the variant for a key; false (with the log) on failure. */
bool _VLgl_buildvariant(VLglvariant *v, uint32_t key);

#endif
