/* EGL: enumerating the devices (EGL_EXT_device_enumeration; Mesa's software
 * rasteriser is the software device, a GPU driver a hardware device, with
 * the surfaceless platform as fallback) and making one configless,
 * surfaceless OpenGL 3.3 core context current on the chosen device. */
#ifndef VLX_DISPLAY_DEVICE_EGL_EGL_CONTEXT_H
#define VLX_DISPLAY_DEVICE_EGL_EGL_CONTEXT_H

#include "display/device/device.h"

/* Fills at most max entries; returns how many. 0 when EGL is missing. */
int _VLegl_enumerate(VLdevinfo *out, int max);
/* Makes a context current on the device with this backend index. */
bool _VLegl_open(int backendindex);
void _VLegl_close(void);

#endif
