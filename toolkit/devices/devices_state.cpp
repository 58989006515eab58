/* The devices family's process-wide state and its reset for tests. */
#include "devices/devices_state.h"

VLdevicesstate &_VLdevices(void) {
  static VLdevicesstate state;
  return state;
}

void _VLdevices_reset(void) {
  VLdevicesstate &d = _VLdevices();
  while (d.devices) _VLsounddevice_free(d.devices);
  for (int p = 0; p < VLSERIAL_PORTS; ++p) VLserial_close(p);
  d = VLdevicesstate{};
}
