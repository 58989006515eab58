/* Smoothing groups: a vertex shared by faces whose smoothing masks share
 * a bit is one vertex with the sum of their normals; a face whose mask
 * shares no bit with any copy of a vertex gets a further copy, so the
 * mesh splits along smoothing-group borders (a face without groups gets
 * copies of its own and stays flat). Face normals are the cross product of
 * two edges, scaled by 20. Without smoothing groups nothing is split. */
#include "readers/3ds/3ds_internal.h"

namespace {

/* Weight of a face normal in the sums. */
const float kFaceNormalScale = 20.0f;

struct Copy {
  uint32_t mask;
  float normal[3];
  int next;       /* next copy of the same vertex, -1 */
};

void face_normal(const VL3dsmesh &m, const VL3dsface &f, float out[3]) {
  const float *a = &m.points[size_t(f.v[0]) * 3];
  const float *b = &m.points[size_t(f.v[1]) * 3];
  const float *c = &m.points[size_t(f.v[2]) * 3];
  float u[3] = {b[0] - a[0], b[1] - a[1], b[2] - a[2]};
  float v[3] = {c[0] - a[0], c[1] - a[1], c[2] - a[2]};
  out[0] = (u[1] * v[2] - u[2] * v[1]) * kFaceNormalScale;
  out[1] = (u[2] * v[0] - u[0] * v[2]) * kFaceNormalScale;
  out[2] = (u[0] * v[1] - u[1] * v[0]) * kFaceNormalScale;
}

/* The copy of vertex v that a face of this mask joins (made when none
 * shares a bit with it). */
int join(std::vector<Copy> &copies, std::vector<int> &first, int v, uint32_t mask,
         const float n[3]) {
  int last = -1;
  for (int c = first[size_t(v)]; c >= 0; c = copies[size_t(c)].next) {
    Copy &copy = copies[size_t(c)];
    if (copy.mask & mask) {
      copy.mask |= mask;
      for (int i = 0; i < 3; ++i) copy.normal[i] += n[i];
      return c;
    }
    last = c;
  }
  int made = int(copies.size());
  copies.push_back({mask, {n[0], n[1], n[2]}, -1});
  if (last < 0)
    first[size_t(v)] = made;
  else
    copies[size_t(last)].next = made;
  return made;
}

void no_split(const VL3dsmesh &m, VL3dssplit &out) {
  size_t n = m.points.size() / 3;
  out.orig.resize(n);
  for (size_t i = 0; i < n; ++i) out.orig[i] = int(i);
  out.corner.resize(m.faces.size() * 3);
  for (size_t f = 0; f < m.faces.size(); ++f)
    for (int k = 0; k < 3; ++k) out.corner[f * 3 + size_t(k)] = m.faces[f].v[k];
}

}  // namespace

void _VL3ds_split(const VL3dsmesh &m, const std::vector<uint8_t> &valid, VL3dssplit &out) {
  /* Masks read before a later face array replaced the faces count for
   * nothing. */
  if (!m.hassmooth || m.smooth.size() != m.faces.size()) {
    no_split(m, out);
    return;
  }
  size_t nverts = m.points.size() / 3;
  std::vector<Copy> copies;
  copies.reserve(nverts);
  std::vector<int> first(nverts, -1);
  std::vector<int> made(m.faces.size() * 3, -1);
  for (size_t f = 0; f < m.faces.size(); ++f) {
    if (!valid[f]) continue;
    float n[3];
    face_normal(m, m.faces[f], n);
    for (int k = 0; k < 3; ++k)
      made[f * 3 + size_t(k)] = join(copies, first, m.faces[f].v[k], m.smooth[f], n);
  }
  /* Output order: the vertices in file order, each with its copies (an
   * unused vertex stays, without a normal). */
  std::vector<int> index(copies.size(), -1);
  for (size_t v = 0; v < nverts; ++v) {
    if (first[v] < 0) {
      out.orig.push_back(int(v));
      out.normal.insert(out.normal.end(), {0.0f, 0.0f, 0.0f});
      continue;
    }
    for (int c = first[v]; c >= 0; c = copies[size_t(c)].next) {
      index[size_t(c)] = int(out.orig.size());
      out.orig.push_back(int(v));
      const float *n = copies[size_t(c)].normal;
      out.normal.insert(out.normal.end(), {n[0], n[1], n[2]});
    }
  }
  out.corner.assign(made.size(), -1);
  for (size_t i = 0; i < made.size(); ++i)
    if (made[i] >= 0) out.corner[i] = index[size_t(made[i])];
}
