/* The second pass of the OpenFlight reader: the bead tree becomes nodes,
 * walked with an explicit stack. Groups become Separators (with an Xform
 * "Transform for" the group when a matrix follows it, and a Separator
 * "Replicate group" above it when a replicate record does), levels of
 * detail Lods, objects Geometry nodes, switches Switches, instance
 * definitions Groups kept aside, external references a Group
 * "ext_ref_group" over the file they name. After the walk: instance
 * references are attached (one inside its own definition is refused),
 * replications are expanded, switch masks become selections, and
 * definitions that nothing uses are deleted. (Records the reader does not
 * know made no bead: their children came under the bead above them.) */
#include <limits.h>

#include <map>

#include "core/messages.h"
#include "readers/flt/flt_internal.h"
#include "vlx/node.h"

namespace {

/* Record offsets. */
const size_t kInstanceNumber = 6, kReplicateCount = 4, kMatrixAt = 4;
const size_t kLodIn = 16, kLodOut = 24, kLodCentre = 40;
const size_t kSwitchCurrent = 16, kSwitchMasks = 20, kSwitchWords = 24, kSwitchBits = 28;
const size_t kExtRefName = 4, kExtRefNameSize = 200;

struct Pending {
  VLnode *node;
  int number;
};

struct Replication {
  VLnode *above, *group;
  int count;
  VLm4 step;
};

struct SwitchMask {
  VLnode *node;
  std::vector<uint32_t> bits;
  bool all;
};

struct Converter {
  explicit Converter(FltFile &file) : f(file) {}
  FltFile &f;
  std::map<int, VLnode *> instances;
  int highest = INT_MIN;
  std::vector<Pending> pending;
  std::vector<Replication> replications;
  std::vector<SwitchMask> switches;
};

/* Children of a bead and the node they go under. */
struct Frame {
  int bead;
  VLnode *node;
};

/* The matrix record's matrix, its translation scaled. */
VLm4 read_matrix(const FltFile &f, size_t at) {
  VLbytecursor c = _VLflt_record(f, at, size_t(f.data[at + 2] << 8 | f.data[at + 3]));
  c.seek(kMatrixAt);
  VLm4 m;
  for (float &x : m.m) x = _VLflt_f32(c);
  if (c.failed()) VLm4_identity(&m);
  for (int i = 12; i < 15; ++i) m.m[i] = float(m.m[i] * f.unitscale);
  return m;
}

void add_transform(Converter &cv, const FltBead &b, VLnode *under, const std::string &name) {
  if (!b.matrix) return;
  VLnode *x = VLxformnode_new(under);
  VLm4 m = read_matrix(cv.f, b.matrix);
  VLxformnode_setmatrix(x, &m);
  VLnode_setname(x, ("Transform for " + name).c_str());
}

VLnode *make_group(Converter &cv, const FltBead &b, VLnode *parent) {
  std::string name = _VLflt_id(cv.f, b);
  VLnode *above = parent;
  if (b.replicate) {
    above = VLsepnode_new(parent);
    VLnode_setname(above, ("Replicate group " + name).c_str());
  }
  VLnode *sep = VLsepnode_new(above);
  VLnode_setname(sep, name.c_str());
  add_transform(cv, b, sep, name);
  if (b.replicate) {
    const FltFile &f = cv.f;
    VLbytecursor c = _VLflt_record(f, b.replicate, size_t(f.data[b.replicate + 2] << 8 |
                                                          f.data[b.replicate + 3]));
    c.seek(kReplicateCount);
    Replication r{above, sep, int16_t(c.be16()), {}};
    if (b.matrix) r.step = read_matrix(f, b.matrix);
    else VLm4_identity(&r.step);
    cv.replications.push_back(r);
  }
  return sep;
}

VLnode *make_lod(Converter &cv, const FltBead &b, VLnode *parent) {
  VLbytecursor c = _VLflt_record(cv.f, b.at, b.length);
  double s = cv.f.unitscale;
  c.seek(kLodIn);
  float in = float(_VLflt_f64(c) * s);
  c.seek(kLodOut);
  float out = float(_VLflt_f64(c) * s);
  c.seek(kLodCentre);
  float centre[3];
  for (float &x : centre) x = float(_VLflt_f64(c) * s);
  VLnode *lod = VLlodnode_new(parent);
  std::string name = _VLflt_id(cv.f, b);
  VLnode_setname(lod, name.c_str());
  float ranges[2] = {in < out ? in : out, in < out ? out : in};
  VLlodnode_setranges(lod, ranges, 2);
  VLlodnode_setcenter(lod, centre);
  add_transform(cv, b, lod, name);
  return lod;
}

VLnode *make_switch(Converter &cv, const FltBead &b, VLnode *parent) {
  VLnode *node = VLswitchnode_new(parent);
  VLnode_setname(node, _VLflt_id(cv.f, b).c_str());
  VLbytecursor c = _VLflt_record(cv.f, b.at, b.length);
  c.seek(kSwitchCurrent);
  int32_t current = int32_t(c.be32());
  c.seek(kSwitchMasks);
  int32_t masks = int32_t(c.be32());
  c.seek(kSwitchWords);
  int32_t words = int32_t(c.be32());
  SwitchMask m{node, {}, true};
  size_t room = b.length > kSwitchBits ? (b.length - kSwitchBits) / 4 : 0;
  if (current >= 0 && current < masks && words > 0 &&
      size_t(current + 1) * size_t(words) <= room) {
    c.seek(kSwitchBits + size_t(current) * size_t(words) * 4);
    for (int32_t i = 0; i < words; ++i) m.bits.push_back(c.be32());
    m.all = false;
  }
  cv.switches.push_back(std::move(m));
  return node;
}

VLnode *make_instance(Converter &cv, const FltBead &b) {
  VLbytecursor c = _VLflt_record(cv.f, b.at, b.length);
  c.seek(kInstanceNumber);
  int number = int16_t(c.be16());
  /* A number not above the highest so far takes the next one. */
  if (cv.highest != INT_MIN && number <= cv.highest) number = cv.highest + 1;
  cv.highest = number;
  VLnode *node = VLgroupnode_new(nullptr);
  cv.instances[number] = node;
  return node;
}

void make_reference(Converter &cv, const FltBead &b, VLnode *parent) {
  VLbytecursor c = _VLflt_record(cv.f, b.at, b.length);
  c.seek(kInstanceNumber);
  cv.pending.push_back({parent, int16_t(c.be16())});
}

void make_external(Converter &cv, const FltBead &b, VLnode *parent) {
  VLnode *group = VLgroupnode_new(parent);
  VLnode_setname(group, "ext_ref_group");
  VLbytecursor c = _VLflt_record(cv.f, b.at, b.length);
  c.seek(kExtRefName);
  char name[kExtRefNameSize + 1];
  c.bytes(reinterpret_cast<uint8_t *>(name), kExtRefNameSize);
  name[kExtRefNameSize] = 0;
  VLnode *content = _VLflt_external(cv.f, name);
  if (content && !VLnode_addchild(group, content)) VLnode_delete(content);
}

/* The node a bead makes under parent; the node its children go under
 * (null: none, or the children were used up). */
VLnode *make_node(Converter &cv, int k, VLnode *parent) {
  const FltBead &b = cv.f.beads[size_t(k)];
  switch (b.opcode) {
    case FLT_GROUP: return make_group(cv, b, parent);
    case FLT_OLDLOD: case FLT_LOD: return make_lod(cv, b, parent);
    case FLT_SWITCH: return make_switch(cv, b, parent);
    case FLT_OBJECT: _VLflt_object(cv.f, k, parent); return nullptr;
    case FLT_FACE: VLMSG(FLT_NO_POLYGON); return nullptr;
    case FLT_INSTDEF: return make_instance(cv, b);
    case FLT_INSTREF: make_reference(cv, b, parent); return nullptr;
    case FLT_EXTREF: make_external(cv, b, parent); return nullptr;
    default: VLMSG(FLT_UNSUPPORTED, b.opcode, _VLflt_opname(b.opcode)); return nullptr;
  }
}

void attach_instances(Converter &cv) {
  for (const Pending &p : cv.pending) {
    auto def = cv.instances.find(p.number);
    if (def == cv.instances.end()) {
      VLMSG(FLT_INSTANCE_MISSING, p.number);
      continue;
    }
    if (VLnode_isdescendant(p.node, def->second)) {
      VLMSG(FLT_INSTANCE_CYCLE, p.number);
      continue;
    }
    VLnode_addchild(p.node, def->second);
  }
}

/* Further copies of each replicated group, each one step further. */
void expand_replications(Converter &cv) {
  for (const Replication &r : cv.replications) {
    VLm4 m = r.step;
    for (int k = 1; k <= r.count; ++k) {
      if (++cv.f.session->copies > VLFLT_MAXCOPIES) {
        const char *name = VLnode_getname(r.group);
        VLMSG(FLT_REPLICATE_LIMIT, int(VLFLT_MAXCOPIES), name ? name : "");
        return;
      }
      VLnode *copy = VLsepnode_new(r.above);
      VLnode *x = VLxformnode_new(copy);
      VLxformnode_setmatrix(x, &m);
      VLnode_addchild(copy, r.group);
      VLm4 next;
      VLm4_mult(&m, &r.step, &next);
      m = next;
    }
  }
}

/* A mask of one child selects it, of none nothing, of more all of them. */
void select_switches(Converter &cv) {
  for (const SwitchMask &s : cv.switches) {
    int n = VLnode_numchildren(s.node), count = 0, which = VLSWITCH_NONE;
    for (int i = 0; i < n && !s.all; ++i) {
      size_t word = size_t(i) / 32;
      if (word < s.bits.size() && (s.bits[word] >> (i % 32) & 1)) ++count, which = i;
    }
    if (s.all || count > 1) which = VLSWITCH_ALL;
    VLswitchnode_setwhich(s.node, which);
  }
}

void delete_unused(Converter &cv) {
  std::vector<VLnode *> unused;
  for (auto &def : cv.instances)
    if (VLnode_numparents(def.second) == 0) unused.push_back(def.second);
  for (VLnode *n : unused) VLnode_delete(n);
}

}  // namespace

void _VLflt_convert(FltFile &f, VLnode *root) {
  Converter cv(f);
  std::vector<Frame> stack{{0, root}};
  while (!stack.empty()) {
    Frame fr = stack.back();
    stack.pop_back();
    std::vector<Frame> children;
    for (int k = f.beads[size_t(fr.bead)].first; k >= 0; k = f.beads[size_t(k)].next) {
      VLnode *under = make_node(cv, k, fr.node);
      if (under && f.beads[size_t(k)].first >= 0) children.push_back({k, under});
    }
    stack.insert(stack.end(), children.rbegin(), children.rend());
  }
  attach_instances(cv);
  expand_replications(cv);
  select_switches(cv);
  delete_unused(cv);
}
