/* The execute-buffer writer behind all drawing. One block per execution:
 * the block's states, one process-vertices record per material range, and
 * its primitive instructions; closing fills in the counts, appends the exit
 * instruction and executes the buffer on the device. */
#include "render/execute_batch.h"

#include <string.h>

#include <unordered_map>

#include "display/device/device.h"
#include "display/device/execute.h"
#include "display/display_state.h"
#include "vlx/renderer.h"

namespace {

VLbatchstate g_batch;

/* Device materials made for material values, keyed by the values' bytes. */
struct MatKey {
  VLmatvalues v;
  bool operator==(const MatKey &o) const { return memcmp(&v, &o.v, sizeof v) == 0; }
};
struct MatHash {
  size_t operator()(const MatKey &k) const {
    const unsigned char *p = reinterpret_cast<const unsigned char *>(&k.v);
    size_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof k.v; ++i) h = (h ^ p[i]) * 1099511628211ull;
    return h;
  }
};
std::unordered_map<MatKey, uint32_t, MatHash> g_materials;

const uint32_t kInstrEnd = VLEXEC_BUFFERSIZE - 4;   /* bytes 32768..49147 */

VLrendercontext *ctx(void) { return _VLdisplay().current; }

uint8_t *buf(void) { return ctx()->execbuffer; }

uint32_t space(void) { return kInstrEnd - g_batch.instr - sizeof(VLinstruction); }

void put(const void *data, uint32_t n) {
  memcpy(buf() + g_batch.instr, data, n);
  g_batch.instr += n;
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
  g_batch.processitem = g_batch.instr;
  uint16_t start = uint16_t(g_batch.nverts);
  VLprocessitem p{g_batch.lit ? uint32_t(VLPV_TRANSFORMLIGHT) : uint32_t(VLPV_TRANSFORM), start,
                  start, 0};
  put(&p, sizeof p);
  g_batch.rangestart = g_batch.nverts;
  g_batch.primheader = g_batch.instr;
  put_instruction(prim_opcode(g_batch.kind), prim_size(g_batch.kind), 0);
}

/* Fills in the counts of the open range's process record and primitives. */
void finish_range(void) {
  VLprocessitem p;
  memcpy(&p, buf() + g_batch.processitem, sizeof p);
  p.count = g_batch.nverts - g_batch.rangestart;
  memcpy(buf() + g_batch.processitem, &p, sizeof p);
  VLinstruction h;
  memcpy(&h, buf() + g_batch.primheader, sizeof h);
  h.count = uint16_t((g_batch.instr - g_batch.primheader - sizeof h) / h.size);
  memcpy(buf() + g_batch.primheader, &h, sizeof h);
}

uint32_t lit_material(void) {
  VLrendercontext *c = ctx();
  if (g_batch.texturing) return c->materials[VLMAT_TEXTURED].handle;
  return g_batch.material ? g_batch.material : c->materials[VLMAT_DEFAULT].handle;
}

/* A new vertex range inside the open block, with the material and world
 * matrix now current (reopening the block when the instructions run out). */
void switch_range(void) {
  if (space() < 64 + 8 * 4) {
    _VLbatch_open(g_batch.kind);
    return;
  }
  finish_range();
  uint32_t material = lit_material();
  if (g_batch.lit && material != g_batch.rangematerial) {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 1);
    put_state(VLLS_MATERIAL, material);
    g_batch.rangematerial = material;
  }
  if (g_batch.world != g_batch.rangeworld) {
    put_instruction(VLOP_TRANSFORMSTATE, sizeof(VLstateitem), 1);
    put_state(VLTS_WORLD, g_batch.world);
    g_batch.rangeworld = g_batch.world;
  }
  open_range();
}

}  // namespace

VLbatchstate &_VLbatch(void) { return g_batch; }

void _VLbatch_beginframe(uint32_t packedambient) {
  g_batch.lighting = true;
  g_batch.colormaterial = false;
  g_batch.texturing = false;
  g_batch.blending = false;
  g_batch.colorprop = -1;
  g_batch.ambient = packedambient;
  g_batch.texture = 0;
  g_batch.texturefilter = 99;
  g_batch.material = 0;
  g_batch.world = 0;
  g_batch.kind = VLBLOCK_NONE;
  g_batch.polys = 0;
}

void _VLbatch_open(int kind) {
  _VLbatch_close();
  VLrendercontext *c = ctx();
  if (!c || !c->execbuffer) return;
  g_batch.kind = kind;
  g_batch.nverts = 0;
  g_batch.prims = 0;
  g_batch.instr = VLEXEC_INSTROFFSET;
  bool tri = kind == VLBLOCK_TRIANGLES;
  g_batch.lit = tri && g_batch.lighting;
  if (g_batch.lit) {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 2);
    put_state(VLLS_AMBIENT, g_batch.ambient);
    g_batch.rangematerial = lit_material();
    put_state(VLLS_MATERIAL, g_batch.rangematerial);
  } else {
    put_instruction(VLOP_LIGHTSTATE, sizeof(VLstateitem), 1);
    bool tex = tri && g_batch.texturing;
    put_state(VLLS_MATERIAL, c->materials[tex ? VLMAT_TEXTUREDUNLIT : VLMAT_UNLIT].handle);
  }
  put_instruction(VLOP_TRANSFORMSTATE, sizeof(VLstateitem), 1);
  put_state(VLTS_WORLD, g_batch.world);
  g_batch.rangeworld = g_batch.world;
  put_instruction(VLOP_RENDERSTATE, sizeof(VLstateitem), 2);
  put_state(VLRS_BLENDENABLE, tri && g_batch.blending ? 1 : 0);
  put_state(VLRS_TEXTUREHANDLE, tri && g_batch.texturing ? g_batch.texture : 0);
  open_range();
}

void _VLbatch_close(void) {
  if (g_batch.kind == VLBLOCK_NONE) return;
  VLrendercontext *c = ctx();
  g_batch.kind = VLBLOCK_NONE;
  if (!c || !c->execbuffer) return;
  finish_range();
  bool any = g_batch.prims > 0;
  put_instruction(VLOP_EXIT, 0, 0);
  VLdevice *dev = _VLdevice();
  if (dev && any)
    dev->execute(c->execbuffer, g_batch.nverts, VLEXEC_INSTROFFSET,
                 g_batch.instr - VLEXEC_INSTROFFSET);
}

void _VLbatch_reserve(uint32_t n) {
  if (g_batch.kind == VLBLOCK_NONE) return;
  if (g_batch.nverts + n <= VLEXEC_MAXVERTICES && space() >= 8 * n + 32) return;
  int kind = g_batch.kind;
  _VLbatch_close();
  _VLbatch_open(kind);
}

uint32_t _VLbatch_litvertex(const float p[3], const float n[3], float u, float v) {
  VLlitvertex x{p[0], p[1], p[2], n[0], n[1], n[2], u, v};
  memcpy(buf() + size_t(g_batch.nverts) * 32, &x, 32);
  return g_batch.nverts++;
}

uint32_t _VLbatch_unlitvertex(const float p[3], uint32_t argb, float u, float v) {
  VLunlitvertex x{p[0], p[1], p[2], 0, argb, 0, u, v};
  memcpy(buf() + size_t(g_batch.nverts) * 32, &x, 32);
  return g_batch.nverts++;
}

void _VLbatch_triangle(uint32_t a, uint32_t b, uint32_t c) {
  VLtriangleitem t{uint16_t(a), uint16_t(b), uint16_t(c), 0};
  put(&t, sizeof t);
  g_batch.prims++;
}

void _VLbatch_line(uint32_t a, uint32_t b) {
  VLlineitem l{uint16_t(a), uint16_t(b)};
  put(&l, sizeof l);
  g_batch.prims++;
}

void _VLbatch_point(uint32_t a) {
  VLpointitem p{1, uint16_t(a)};
  put(&p, sizeof p);
  g_batch.prims++;
}

void _VLbatch_setmaterial(const VLmatvalues &m) {
  g_batch.current = m;
  VLdevice *dev = _VLdevice();
  if (!dev || g_batch.texturing) return;
  auto it = g_materials.find(MatKey{m});
  uint32_t handle;
  if (it != g_materials.end()) {
    handle = it->second;
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
    d.rampsize = _VLdisplay().materialramp;
    handle = dev->newmaterial();
    dev->setmaterial(handle, &d);
    g_materials.emplace(MatKey{m}, handle);
  }
  g_batch.material = handle;
  if (g_batch.kind != VLBLOCK_TRIANGLES || !g_batch.lit || lit_material() == g_batch.rangematerial)
    return;
  switch_range();
}

void _VLbatch_setworld(uint32_t handle) {
  g_batch.world = handle;
  if (g_batch.kind == VLBLOCK_NONE || handle == g_batch.rangeworld) return;
  switch_range();
}

void _VLbatch_forgetmaterials(void) { g_materials.clear(); }
