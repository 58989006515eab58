/* VRML Material nodes as material tables: absent ambient and diffuse
 * lists and shininess take their defaults, a list of zeros is not used,
 * equal ambient and diffuse lists become the one ambient-and-diffuse
 * property, and entry i takes the i-th value of every used list (the last
 * one when a list is shorter). The table is held by a temporary
 * material-table node, which the load removes again when it is done. */
#include <string.h>

#include "readers/vrml/vrml_internal.h"
#include "vlx/mtable.h"
#include "vlx/node.h"

namespace {

enum { AMB, DIF, SPE, EMI, SHI, TRA, NLISTS };
const int kFields[NLISTS] = {VLF_AMBIENTCOLOR, VLF_DIFFUSECOLOR, VLF_SPECULARCOLOR,
                             VLF_EMISSIVECOLOR, VLF_SHININESS, VLF_TRANSPARENCY};
const int kWidth[NLISTS] = {3, 3, 3, 3, 1, 1};

/* One list: its values (defaults when absent) and whether it is used. */
struct List {
  std::vector<float> v;
  int count = 0;
  bool used = false;
};

List read_list(const VLvrmlstate &c, const VLvrmlrecord &r, int k) {
  static const float kDefaults[NLISTS][3] = {{0.2f, 0.2f, 0.2f}, {0.8f, 0.8f, 0.8f}, {0, 0, 0},
                                             {0, 0, 0}, {0.2f, 0, 0}, {0, 0, 0}};
  List l;
  const VLvrmlvalue &val = r.get(kFields[k]);
  if (val.present) {
    l.count = val.count;
    l.v.resize(size_t(val.count) * size_t(kWidth[k]));
    for (size_t i = 0; i < l.v.size(); ++i) l.v[i] = _VLvrml_poolf(c, val.offset + uint32_t(i));
  } else if (k == AMB || k == DIF || k == SHI) {
    l.count = 1;
    l.v.assign(kDefaults[k], kDefaults[k] + kWidth[k]);
  }
  for (float f : l.v)
    if (f != 0) l.used = true;
  return l;
}

const float *value(const List &l, int k, int i) {
  int at = i < l.count ? i : l.count - 1;
  return &l.v[size_t(at) * size_t(kWidth[k])];
}

VLmtable *make_table(VLvrmlstate &c, const VLvrmlrecord &r) {
  List l[NLISTS];
  for (int k = 0; k < NLISTS; ++k) l[k] = read_list(c, r, k);
  if (!l[SPE].used) l[SHI].used = false;
  bool ambdif = l[AMB].used && l[DIF].used && l[AMB].count == l[DIF].count && l[AMB].v == l[DIF].v;
  static const uint32_t kBits[NLISTS] = {VLAMBIENT, VLDIFFUSE, VLSPECULAR, VLEMISSION,
                                         VLSHININESS, VLOPACITY};
  uint32_t mask = 0;
  int entries = 0;
  for (int k = 0; k < NLISTS; ++k) {
    if (!l[k].used) continue;
    if (!(ambdif && (k == AMB || k == DIF))) mask |= kBits[k];
    if (l[k].count > entries) entries = l[k].count;
  }
  if (ambdif) mask |= VLAMBIENTDIFFUSE;
  if (entries > VLMTABLE_MAXCAPACITY) entries = VLMTABLE_MAXCAPACITY;
  VLmtable *t = VLmtable_new(mask, entries > 0 ? entries : 1, nullptr);
  if (!t) return nullptr;
  c.tables.push_back(t);
  for (int i = 0; i < entries; ++i) {
    int e = VLmtable_newentry(t);
    for (int k = 0; k < NLISTS; ++k) {
      if (!(mask & kBits[k])) continue;
      float f = *value(l[k], k, i);
      if (k == SHI) VLmtable_setvalue(t, e, (f *= 128, &f), kBits[k]);
      else if (k == TRA) VLmtable_setvalue(t, e, (f = 1 - f, &f), kBits[k]);
      else VLmtable_setvalue(t, e, value(l[k], k, i), kBits[k]);
    }
    if (ambdif) VLmtable_setvalue(t, e, value(l[DIF], DIF, i), VLAMBIENTDIFFUSE);
  }
  return t;
}

}  // namespace

VLnode *_VLvrml_buildmaterial(VLvrmlstate &c, VLvrmlrecord &r, VLnode *parent,
                              VLvrmldef *def) {
  VLmtable *t = make_table(c, r);
  if (!t) return nullptr;
  VLnode *n = VLmtablenode_new(parent);
  if (!n) return nullptr;
  static_cast<VLmtablenode *>(n)->table = t;
  _VLvrml_made(c, parent, n);
  VLvrmllevel &level = _VLvrml_top(c);
  level.material = n;
  level.mtable = t;
  if (def) {
    if (!VLmtable_find(def->name.c_str())) VLmtable_setname(t, def->name.c_str());
    VLnode_setname(n, def->name.c_str());
    def->kind = VLDEF_MATERIAL;
    def->node = n;
    def->mtable = t;
  }
  return nullptr;  /* the node is temporary: no shape or group refers to it */
}
