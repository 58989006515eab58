/* Renderer start-up and shutdown: the version and device lines, the window
 * procedure, the display table and settings block, the environment, the
 * device set-up (enumeration, the selection rule, opening), and the base
 * windows. Frames are in renderer_frame.cpp. */
#include <malloc.h>
#include <stdlib.h>
#include <string.h>

#include "render/light_slots.h"
#include "core/messages.h"
#include "render/execute_batch.h"
#include "display/device/device.h"
#include "display/display_state.h"
#include "render/render_state.h"
#include "platform/platform.h"
#include "vlx/diag.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

namespace {

void read_environment(VLrenderersettings *s) {
  s->maxtexsize = 1024;
  if (const char *v = getenv("VLXMAXTEXSIZE")) {
    char *end = nullptr;
    long n = strtol(v, &end, 10);
    if (end != v && *end == '\0' && n >= 1 && n <= (1L << 30) && (n & (n - 1)) == 0)
      s->maxtexsize = int32_t(n);
    else
      VLMSG(BAD_MAXTEXSIZE);
  }
  if (const char *v = getenv("VLXSQRTEX")) s->sqrtex = atoi(v) != 0;
}

VLrenderersettings *make_settings(VLuniverse *u) {
  VLrenderersettings *s = static_cast<VLrenderersettings *>(VLmalloc(sizeof(VLrenderersettings)));
  memset(s, 0, sizeof *s);
  for (int i = 0; i < 3; ++i) s->ambient[i] = u->ambientrgb[i] * u->ambient / 255.0f;
  s->ambient[3] = 1.0f;
  read_environment(s);
  return s;
}

/* Device set-up, once per run: the environment, enumeration, the
 * selection rule, opening. False when there is no usable device. */
bool setup_device(void) {
  VLdisplaystate &ds = _VLdisplay();
  if (ds.setupdone) return _VLdevice() != nullptr;
  ds.textureramp = 24;
  _VLrender().materialramp = 24;
  ds.hardwareallowed = true;
  ds.usesoftwarergb = false;
  if (getenv("VLXSWRENDERERONLY")) ds.hardwareallowed = false;
  if (getenv("VLXUSESWRGB")) {
    ds.usesoftwarergb = true;
    ds.hardwareallowed = false;
  }
  /* glibc's heap trimming returns the heap top every frame and makes the
   * software rasteriser fault it back in: keep it. */
  mallopt(M_TRIM_THRESHOLD, 512 * 1024 * 1024);
  _VLdevice_enumerate();
  ds.chosen = _VLdevice_choose(ds.hardwareallowed, ds.usesoftwarergb);
  const VLdevinfo *chosen = _VLdevice_info(ds.chosen);
  ds.hardwareallowed = chosen && chosen->hardware;
  if (ds.chosen < 0 || !_VLdevice_open(ds.chosen)) return false;
  _VLrender().packedambient = 0x66666666;
  ds.setupdone = true;
  return true;
}

void print_device(void) {
  VLdevice *dev = _VLdevice();
  const VLdevinfo *info = _VLdevice_info(_VLdisplay().chosen);
  VLMSG(DEVICE_LINE, dev->vendor(), dev->renderer(), dev->version(),
             info && info->hardware ? "hardware" : "software");
}

}  // namespace

void VLrenderer_init(int configuration, int flags) {
  VLuniverse *u = VLuniverse_current();
  if (!u) return;
  VLdisplaystate &ds = _VLdisplay();
  if (VLtoolkit_program() == VLPROGRAM_WINDOWED)
    VLMSG(VERSION_WINDOWED);
  else
    VLMSG(VERSION_CONSOLE);
  _VLplatform_init();
  _VLplatform_setproc(_VLwindow_proc);
  free(ds.settings);
  ds.settings = make_settings(u);
  if (!setup_device()) {
    VLMSG(NO_DEVICE);
    VLrenderer_close();
    exit(1);
  }
  print_device();
  _VLlights_installdefaults(u);
  if (!_VLwindow_makebase(configuration, flags)) VLMSG(NO_BASE_WINDOW);
  u->ready = VLRENDERER_READY;
}

void VLrenderer_close(void) {
  VLdisplaystate &ds = _VLdisplay();
  _VLbatch_forgetmaterials();
  _VLdevice_close();
  _VLplatform_shutdown();
  free(ds.settings);
  ds.settings = nullptr;
  ds.ndisplays = 0;
  ds.setupdone = false;
  ds.chosen = -1;
  _VLrender().current = nullptr;
}

VLrenderersettings *VLrenderer_settings(void) { return _VLdisplay().settings; }

bool VLrenderer_device(VLdevicedesc *out) {
  VLdevice *dev = _VLdevice();
  if (!out || !dev || !_VLdisplay().setupdone) return false;
  const VLdevinfo *info = _VLdevice_info(_VLdisplay().chosen);
  out->vendor = dev->vendor();
  out->renderer = dev->renderer();
  out->version = dev->version();
  out->hardware = info && info->hardware;
  return true;
}

VLdisplay *VLrenderer_display(int index) {
  VLdisplaystate &ds = _VLdisplay();
  return index >= 0 && index < ds.ndisplays ? &ds.displays[index] : nullptr;
}
