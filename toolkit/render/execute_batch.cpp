/* The execute-buffer writer behind all drawing. One block per execution:
 * the block's states, one process-vertices record per material range, and
 * its primitive instructions; closing fills in the counts, appends the exit
 * instruction and executes the buffer on the device. */
#include "render/execute_batch.h"

#include <string.h>

#include "display/device/device.h"
#include "display/device/execute.h"
#include "render/render_state.h"
#include "vlx/renderer.h"

namespace {

const uint32_t kInstrEnd = VLEXEC_BUFFERSIZE - 4;   /* bytes 32768..49147 */

VLrendercontext *ctx(void) { return _VLrender().current; }

uint8_t *buf(void) { return g_vlrender.batch.buffer; }

uint32_t space(void) { return kInstrEnd - g_vlrender.batch.instr - sizeof(VLinstruction); }

void put(const void *data, uint32_t n) {
  memcpy(buf() + g_vlrender.batch.instr, data, n);
  g_vlrender.batch.instr += n;
}

void put_instruction(uint8_t op, uint8_t size, uint16_t count) {
  VLinstruction ins{op, size, count};
  put(&ins, sizeof ins);
}

void put_state(uint32_t code, uint32_t value) {
  VLstateitem s{code, value};
  put(&s, sizeof s);
}

uint8_t prim_opcode(int kind) {
  return kind == VLBLOCK_LINES ? VLOP_LINE : kind == VLBLOCK_POINTS ? VLOP_POINT : VLOP_TRIANGLE;
}

uint8_t prim_size(int kind) {
  return kind == VLBLOCK_LINES    ? sizeof(VLlineitem)
         : kind == VLBLOCK_POINTS ? sizeof(VLpointitem)
                                  : sizeof(VLtriangleitem);
}

/* A process-vertices record from the next vertex, then a primitive header. */
void open_range(void) {
  put_instruction(VLOP_PROCESSVERTICES, sizeof(VLprocessitem), 1);
  g_vlrender.batch.processitem = g_vlrender.batch.instr;
  uint16_t start = uint16_t(g_vlrender.batch.nverts);
  VLprocessitem p{g_vlrender.batch.lit ? uint32_t(VLPV_TRANSFORMLIGHT) : uint32_t(VLPV_TRANSFORM), start,
                  start, 0};
  put(&p, sizeof p);
  g_vlrender.batch.rangestart = g_vlrender.batch.nverts;
  g_vlrender.batch.primheader = g_vlrender.batch.instr;
  put_instruction(prim_opcode(g_vlrender.batch.kind), prim_size(g_vlrender.batch.kind), 0);
}

/* Fills in the counts of the open range's process record and primitives. */
void finish_range(void) {
  VLprocessitem p;
  memcpy(&p, buf() + g_vlrender.batch.processitem, sizeof p);
  p.count = g_vlrender.batch.nverts - g_vlrender.batch.rangestart;
  memcpy(buf() + g_vlrender.batch.processitem, &p, sizeof p);
  VLinstruction h;
  memcpy(&h, buf() + g_vlrender.batch.primheader, sizeof h);
  h.count = uint16_t((g_vlrender.batch.instr - g_vlrender.batch.primheader - sizeof h) / h.size);
  memcpy(buf() + g_vlrender.batch.primheader, &h, sizeof h);
}

uint32_t lit_material(void) {
  VLrendercontext *c = ctx();
  if (g_vlrender.batch.texturing) return c->materials[VLMAT_TEXTURED].handle;
  return g_vlrender.batch.material ? g_vlrender.batch.material : c->materials[VLMAT_DEFAULT].handle;
}

/* A new vertex range inside the open block, with the material and world
 * matrix now current (reopening the block when the instructions run out). */
void switch_range(void) {
  if (space() < 64 + 8 * 4) {
    _VLbatch_open(g_vlrender.batch.kind);
    return;
  }
  finish_range();
  uint32_t material = lit_material();
  if (g_vlrender.batch.lit && material != g_vlrender.batch.rangematerial) {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 1);
    put_state(VLLS_MATERIAL, material);
    g_vlrender.batch.rangematerial = material;
  }
  if (g_vlrender.batch.world != g_vlrender.batch.rangeworld) {
    put_instruction(VLOP_TRANSFORMSTATE, sizeof(VLstateitem), 1);
    put_state(VLTS_WORLD, g_vlrender.batch.world);
    g_vlrender.batch.rangeworld = g_vlrender.batch.world;
  }
  open_range();
}

/* The device material of recently used values (moved to the front), 0
 * when they are not among them. */
uint32_t recent_material(const VLmatvalues &m) {
  VLrenderrecord &r = _VLrender();
  for (int i = 0; i < r.nrecent; ++i)
    if (memcmp(&r.recent[i].v, &m, sizeof m) == 0) {
      VLrenderrecord::Recent hit = r.recent[i];
      for (int k = i; k > 0; --k) r.recent[k] = r.recent[k - 1];
      r.recent[0] = hit;
      return hit.handle;
    }
  return 0;
}

void remember_material(const VLmatvalues &m, uint32_t handle) {
  VLrenderrecord &r = _VLrender();
  if (r.nrecent < 4) ++r.nrecent;
  for (int k = r.nrecent - 1; k > 0; --k) r.recent[k] = r.recent[k - 1];
  r.recent[0] = VLrenderrecord::Recent{m, handle};
}

}  // namespace

VLbatchstate &_VLbatch(void) { return g_vlrender.batch; }

void _VLbatch_beginframe(uint32_t packedambient) {
  g_vlrender.batch.lighting = true;
  g_vlrender.batch.colormaterial = false;
  g_vlrender.batch.texturing = false;
  g_vlrender.batch.blending = false;
  g_vlrender.batch.colorprop = -1;
  g_vlrender.batch.ambient = packedambient;
  g_vlrender.batch.texture = 0;
  g_vlrender.batch.texturefilter = 99;
  g_vlrender.batch.material = 0;
  g_vlrender.batch.world = 0;
  g_vlrender.batch.kind = VLBLOCK_NONE;
  g_vlrender.batch.polys = 0;
}

void _VLbatch_open(int kind) {
  _VLbatch_close();
  VLrendercontext *c = ctx();
  if (!c || !c->execbuffer) return;
  g_vlrender.batch.kind = kind;
  g_vlrender.batch.buffer = c->execbuffer;
  g_vlrender.batch.nverts = 0;
  g_vlrender.batch.prims = 0;
  g_vlrender.batch.instr = VLEXEC_INSTROFFSET;
  bool tri = kind == VLBLOCK_TRIANGLES;
  g_vlrender.batch.lit = tri && g_vlrender.batch.lighting;
  if (g_vlrender.batch.lit) {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 2);
    put_state(VLLS_AMBIENT, g_vlrender.batch.ambient);
    g_vlrender.batch.rangematerial = lit_material();
    put_state(VLLS_MATERIAL, g_vlrender.batch.rangematerial);
  } else {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 1);
    bool tex = tri && g_vlrender.batch.texturing;
    put_state(VLLS_MATERIAL, c->materials[tex ? VLMAT_TEXTUREDUNLIT : VLMAT_UNLIT].handle);
  }
  put_instruction(VLOP_TRANSFORMSTATE, sizeof(VLstateitem), 1);
  put_state(VLTS_WORLD, g_vlrender.batch.world);
  g_vlrender.batch.rangeworld = g_vlrender.batch.world;
  put_instruction(VLOP_RENDERSTATE, sizeof(VLstateitem), 2);
  put_state(VLRS_BLENDENABLE, tri && g_vlrender.batch.blending ? 1 : 0);
  put_state(VLRS_TEXTUREHANDLE, tri && g_vlrender.batch.texturing ? g_vlrender.batch.texture : 0);
  open_range();
}

void _VLbatch_close(void) {
  if (g_vlrender.batch.kind == VLBLOCK_NONE) return;
  VLrendercontext *c = ctx();
  g_vlrender.batch.kind = VLBLOCK_NONE;
  /* A block opened for another context's buffer is dropped. */
  if (!c || !c->execbuffer || c->execbuffer != g_vlrender.batch.buffer) return;
  finish_range();
  bool any = g_vlrender.batch.prims > 0;
  put_instruction(VLOP_EXIT, 0, 0);
  VLdevice *dev = _VLdevice();
  if (dev && any)
    dev->execute(c->execbuffer, g_vlrender.batch.nverts, VLEXEC_INSTROFFSET,
                 g_vlrender.batch.instr - VLEXEC_INSTROFFSET);
}

void _VLbatch_reserve(uint32_t n) {
  if (g_vlrender.batch.kind == VLBLOCK_NONE) return;
  if (g_vlrender.batch.nverts + n <= VLEXEC_MAXVERTICES && space() >= 8 * n + 32) return;
  int kind = g_vlrender.batch.kind;
  _VLbatch_close();
  _VLbatch_open(kind);
}

uint32_t _VLbatch_unlitvertex(const float p[3], uint32_t argb, float u, float v) {
  VLunlitvertex x{p[0], p[1], p[2], 0, argb, 0, u, v};
  memcpy(buf() + size_t(g_vlrender.batch.nverts) * 32, &x, 32);
  return g_vlrender.batch.nverts++;
}

void _VLbatch_fan(uint32_t base, uint32_t n, bool front) {
  if (n < 3) return;
  uint8_t *out = buf() + g_vlrender.batch.instr;
  for (uint32_t k = 1; k + 1 < n; ++k, out += sizeof(VLtriangleitem)) {
    VLtriangleitem t = front ? VLtriangleitem{uint16_t(base + k + 1), uint16_t(base + k), uint16_t(base), 0}
                             : VLtriangleitem{uint16_t(base), uint16_t(base + k), uint16_t(base + k + 1), 0};
    memcpy(out, &t, sizeof t);
  }
  g_vlrender.batch.instr += (n - 2) * uint32_t(sizeof(VLtriangleitem));
  g_vlrender.batch.prims += n - 2;
}

void _VLbatch_line(uint32_t a, uint32_t b) {
  VLlineitem l{uint16_t(a), uint16_t(b)};
  put(&l, sizeof l);
  g_vlrender.batch.prims++;
}

void _VLbatch_point(uint32_t a) {
  VLpointitem p{1, uint16_t(a)};
  put(&p, sizeof p);
  g_vlrender.batch.prims++;
}

void _VLbatch_setmaterial(const VLmatvalues &m) {
  g_vlrender.batch.current = m;
  VLdevice *dev = _VLdevice();
  if (!dev || g_vlrender.batch.texturing) return;
  uint32_t handle = recent_material(m);
  if (handle) {
    /* found among the recent ones */
  } else if (auto it = _VLrender().materials.find(VLmatkey{m}); it != _VLrender().materials.end()) {
    handle = it->second;
    remember_material(m, handle);
  } else {
    VLmaterialdesc d = {};
    for (int i = 0; i < 3; ++i) {
      d.ambient[i] = m.ambient[i];
      d.diffuse[i] = m.diffuse[i];
      d.specular[i] = m.specular[i];
      d.emissive[i] = m.emission[i];
    }
    d.ambient[3] = d.specular[3] = d.emissive[3] = 1.0f;
    d.diffuse[3] = m.opacity;
    d.power = m.shininess;
    d.rampsize = _VLrender().materialramp;
    handle = dev->newmaterial();
    dev->setmaterial(handle, &d);
    _VLrender().materials.emplace(VLmatkey{m}, handle);
    remember_material(m, handle);
  }
  g_vlrender.batch.material = handle;
  _VLbatch_materialchanged();
}

void _VLbatch_materialchanged(void) {
  if (g_vlrender.batch.kind != VLBLOCK_TRIANGLES || !g_vlrender.batch.lit || lit_material() == g_vlrender.batch.rangematerial)
    return;
  switch_range();
}

void _VLbatch_setworld(uint32_t handle) {
  g_vlrender.batch.world = handle;
  if (g_vlrender.batch.kind == VLBLOCK_NONE || handle == g_vlrender.batch.rangeworld) return;
  switch_range();
}

void _VLbatch_forgetmaterials(void) {
  _VLrender().materials.clear();
  _VLrender().nrecent = 0;
}
