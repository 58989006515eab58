/* The device table, the selection rule and the one open device. */
#include "display/device/device.h"

#include "display/device/egl/egl_context.h"
#include "display/device/gl/gl_device.h"
#include "display/device/null/null_device.h"

namespace {

struct DeviceState {
  VLdevinfo table[VLDEVICE_MAX] = {};
  int count = 0;
  bool usenull = false;
  bool nullopen = false;
  VLdevice *device = nullptr;
};
DeviceState g_dev;

}  // namespace

int _VLdevice_enumerate(void) {
  if (g_dev.usenull) {
    _VLnull_describe(&g_dev.table[0]);
    g_dev.count = 1;
  } else {
    g_dev.count = _VLegl_enumerate(g_dev.table, VLDEVICE_MAX);
  }
  return g_dev.count;
}

int _VLdevice_count(void) { return g_dev.count; }

const VLdevinfo *_VLdevice_info(int index) {
  return index >= 0 && index < g_dev.count ? &g_dev.table[index] : nullptr;
}

int _VLdevice_choose(bool hardwareallowed, bool softwarergb) {
  int chosen = -1;
  if (hardwareallowed)
    for (int i = 0; i < g_dev.count; ++i) {
      const VLdevinfo &d = g_dev.table[i];
      if (d.hardware && d.perspective && d.depthbits) chosen = i;
    }
  if (chosen >= 0) return chosen;
  int model = softwarergb ? VLCOLORMODEL_RGB : VLCOLORMODEL_RAMP;
  for (int i = 0; i < g_dev.count; ++i) {
    const VLdevinfo &d = g_dev.table[i];
    if (!d.hardware && (d.colormodels & model)) chosen = i;
  }
  return chosen;
}

bool _VLdevice_open(int index) {
  const VLdevinfo *info = _VLdevice_info(index);
  if (!info || g_dev.device) return g_dev.device != nullptr;
  if (g_dev.usenull) {
    g_dev.device = _VLnull_newdevice();
    g_dev.nullopen = true;
    return true;
  }
  if (!_VLegl_open(info->backendindex)) return false;
  g_dev.device = _VLgl_newdevice();
  if (!g_dev.device) _VLegl_close();
  g_dev.nullopen = false;
  return g_dev.device != nullptr;
}

VLdevice *_VLdevice(void) { return g_dev.device; }

void _VLdevice_close(void) {
  if (!g_dev.device) return;
  delete g_dev.device;
  g_dev.device = nullptr;
  if (!g_dev.nullopen) _VLegl_close();
}

void _VLdevice_settable(const VLdevinfo *entries, int count) {
  g_dev.count = count < 0 ? 0 : count > VLDEVICE_MAX ? VLDEVICE_MAX : count;
  for (int i = 0; i < g_dev.count; ++i) g_dev.table[i] = entries[i];
}

void _VLdevice_usenull(bool on) { g_dev.usenull = on; }
bool _VLdevice_isnull(void) { return g_dev.usenull; }
