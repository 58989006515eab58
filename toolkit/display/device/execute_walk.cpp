/* The checked walk over an execute buffer's instruction area. */
#include "display/device/execute_walk.h"

#include <string.h>

namespace {

struct Walk {
  const uint8_t *buffer;
  uint32_t vertexcount;
  uint32_t processed = 0;      /* vertices made available by process items */
  VLexecvisitor *v;
};

bool items_fit(const VLinstruction &ins, uint32_t want, uint32_t left) {
  return ins.size == want && uint32_t(ins.count) * want <= left;
}

bool check_triangles(const VLtriangleitem *t, uint32_t n, uint32_t limit) {
  for (uint32_t i = 0; i < n; ++i)
    if (t[i].v1 >= limit || t[i].v2 >= limit || t[i].v3 >= limit) return false;
  return true;
}

bool check_lines(const VLlineitem *l, uint32_t n, uint32_t limit) {
  for (uint32_t i = 0; i < n; ++i)
    if (l[i].v1 >= limit || l[i].v2 >= limit) return false;
  return true;
}

bool check_points(const VLpointitem *p, uint32_t n, uint32_t limit) {
  for (uint32_t i = 0; i < n; ++i)
    if (uint32_t(p[i].first) + p[i].count > limit) return false;
  return true;
}

/* One instruction's items; false when they do not check. */
bool visit(Walk &w, const VLinstruction &ins, const uint8_t *items) {
  uint32_t n = ins.count;
  switch (ins.opcode) {
    case VLOP_LIGHTSTATE:
    case VLOP_RENDERSTATE:
    case VLOP_TRANSFORMSTATE:
      for (uint32_t i = 0; i < n; ++i) {
        VLstateitem s;
        memcpy(&s, items + i * sizeof s, sizeof s);
        if (ins.opcode == VLOP_LIGHTSTATE) w.v->lightstate(s.code, s.value);
        else if (ins.opcode == VLOP_RENDERSTATE) w.v->renderstate(s.code, s.value);
        else w.v->transformstate(s.code, s.value);
      }
      return true;
    case VLOP_PROCESSVERTICES:
      for (uint32_t i = 0; i < n; ++i) {
        VLprocessitem p;
        memcpy(&p, items + i * sizeof p, sizeof p);
        if (uint64_t(p.start) + p.count > w.vertexcount) return false;
        w.processed = p.start + p.count;
        w.v->process(p.flags, p.start, p.count);
      }
      return true;
    case VLOP_TRIANGLE: {
      auto t = reinterpret_cast<const VLtriangleitem *>(items);
      if (!check_triangles(t, n, w.processed)) return false;
      w.v->triangles(t, n);
      return true;
    }
    case VLOP_LINE: {
      auto l = reinterpret_cast<const VLlineitem *>(items);
      if (!check_lines(l, n, w.processed)) return false;
      w.v->lines(l, n);
      return true;
    }
    case VLOP_POINT: {
      auto p = reinterpret_cast<const VLpointitem *>(items);
      if (!check_points(p, n, w.processed)) return false;
      w.v->points(p, n);
      return true;
    }
    default:
      return false;
  }
}

uint32_t item_size(uint8_t opcode) {
  switch (opcode) {
    case VLOP_LIGHTSTATE:
    case VLOP_RENDERSTATE:
    case VLOP_TRANSFORMSTATE: return sizeof(VLstateitem);
    case VLOP_PROCESSVERTICES: return sizeof(VLprocessitem);
    case VLOP_TRIANGLE: return sizeof(VLtriangleitem);
    case VLOP_LINE: return sizeof(VLlineitem);
    case VLOP_POINT: return sizeof(VLpointitem);
    default: return 0;
  }
}

}  // namespace

bool _VLexec_walk(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
                  uint32_t instrlength, VLexecvisitor *v) {
  if (vertexcount > VLEXEC_MAXVERTICES) return false;
  if (instroffset < vertexcount * 32u || instroffset > VLEXEC_BUFFERSIZE ||
      instrlength > VLEXEC_BUFFERSIZE - instroffset)
    return false;
  Walk w{buffer, vertexcount, 0, v};
  /* Items are read in place: instructions start on 4-byte boundaries. */
  if (reinterpret_cast<uintptr_t>(buffer + instroffset) % 4) return false;
  uint32_t at = 0;
  while (at + sizeof(VLinstruction) <= instrlength) {
    VLinstruction ins;
    memcpy(&ins, buffer + instroffset + at, sizeof ins);
    at += sizeof ins;
    if (ins.opcode == VLOP_EXIT) return true;
    if (!items_fit(ins, item_size(ins.opcode), instrlength - at)) return false;
    if (!visit(w, ins, buffer + instroffset + at)) return false;
    at += uint32_t(ins.count) * ins.size;
  }
  return at == instrlength;
}
