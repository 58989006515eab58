/* Process-wide state of the render family in one record: the render
 * context that drawing goes to, the frame's packed ambient and the ramp
 * size of device materials (both set by the display family), the
 * execute-buffer writer and the device materials it made. One accessor,
 * and a reset for tests. */
#ifndef VLX_RENDER_RENDER_STATE_H
#define VLX_RENDER_RENDER_STATE_H

#include <stdint.h>
#include <string.h>

#include <unordered_map>

#include "render/execute_batch.h"

struct VLrendercontext;

/* Device materials made for material values, keyed by the values' bytes. */
struct VLmatkey {
  VLmatvalues v;
  bool operator==(const VLmatkey &o) const { return memcmp(&v, &o.v, sizeof v) == 0; }
};
struct VLmathash {
  size_t operator()(const VLmatkey &k) const {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(&k.v);
    size_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof k.v; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
  }
};

struct VLrenderrecord {
  VLrendercontext *current = nullptr;   /* where drawing goes (selected by the display) */
  uint32_t packedambient = 0x66666666;  /* the frame's ambient, packed ARGB */
  int materialramp = 24;                /* ramp size of device materials */
  VLbatchstate batch;                   /* the execute-buffer writer */
  std::unordered_map<VLmatkey, uint32_t, VLmathash> materials;
  /* The last few materials found, most recent first: neighbouring polygons
   * alternate between a handful of materials, so most look-ups end here. */
  struct Recent {
    VLmatvalues v;
    uint32_t handle;
  } recent[4] = {};
  int nrecent = 0;
};

/* The record itself; reached inline because the execute-buffer writer
 * touches it for every vertex. */
extern VLrenderrecord g_vlrender;
inline VLrenderrecord &_VLrender(void) { return g_vlrender; }
/* Tests: back to the initial state (after VLuniverse_delete). */
void _VLrender_reset(void);

#endif
