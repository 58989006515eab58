/* Shared set-up of the fuzz harnesses: a universe on the null 3D device
 * (nothing is drawn, every toolkit operation works), made once per process.
 * Harnesses whose reader needs no universe do not call it. */
#ifndef VLX_FUZZ_SUPPORT_H
#define VLX_FUZZ_SUPPORT_H

#include <stdlib.h>

#include "display/device/device.h"
#include "vlx/universe.h"

inline void fuzz_universe(void) {
  if (VLuniverse_current()) return;
  setenv("VLXOFFSCREEN", "1", 1);
  _VLdevice_usenull(true);
  VLuniverse_new(1, 0);
}

#endif
