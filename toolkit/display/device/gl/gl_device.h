/* The OpenGL 3.3 core backend of the device interface. It needs a current
 * context (egl/). Transform and lighting run in shader programs that
 * implement the fixed-function model: 8 lights (directional, point with
 * attenuation, spot with cone and falloff), material colours, packed
 * ambient, flat or Gouraud shading, texture modulation, blending; one
 * variant per state in force, and a general program for tests. */
#ifndef VLX_DISPLAY_DEVICE_GL_GL_DEVICE_H
#define VLX_DISPLAY_DEVICE_GL_GL_DEVICE_H

#include "display/device/device.h"

/* A GL device on the current context, or null when it cannot be set up. */
VLdevice *_VLgl_newdevice(void);

#endif
