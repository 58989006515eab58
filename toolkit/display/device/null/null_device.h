/* The null device: accepts everything, draws nothing, counts the work like
 * the GL device (the same checked walk over execute buffers). Its targets
 * keep a colour so that a clear reads back. For fast tests of batching and
 * playback. */
#ifndef VLX_DISPLAY_DEVICE_NULL_NULL_DEVICE_H
#define VLX_DISPLAY_DEVICE_NULL_NULL_DEVICE_H

#include "display/device/device.h"

VLdevice *_VLnull_newdevice(void);
/* The one entry the null backend enumerates. */
void _VLnull_describe(VLdevinfo *info);

#endif
