/* Classified transforms for the scene walks: a 4x4 matrix with its kind
 * (none, translation only, general) so that the common cases stay cheap,
 * and the net-transform cache that lets nested Groups be folded once per
 * walk instead of once per ancestor. */
#ifndef VLX_SCENE_XF_H
#define VLX_SCENE_XF_H

#include <unordered_map>
#include <vector>

#include "vlx/node.h"

struct VLxf {
  VLm4 m;
  int kind;   /* VLTRANSFORM_NONE, _TRANSLATION or _GENERAL */
};

VLxf _VLxf_identity(void);
/* The kind of an arbitrary matrix (identity 3x3 and zero translation). */
int _VLxf_classify(const VLm4 *m);
/* An Xform node's transform, classified by its kind word. */
VLxf _VLxf_ofxform(const VLxformnode *x);
/* acc = x . acc: x applies first, in front of what was accumulated. */
void _VLxf_front(VLxf *acc, const VLxf *x);
/* A box (centre, half-extents) carried through acc. */
void _VLxf_box(const VLxf *acc, const float centre[3], const float half[3], float outc[3],
               float outh[3]);

/* Net transforms that nodes pass on to their following siblings, memoised
 * for the length of one walk (the graph must not change meanwhile). */
class VLnetcache {
 public:
  /* What child contributes to an accumulated transform: an Xform its
   * matrix, Group and Anchor the fold of all their children, a Switch the
   * fold of its selected children, anything else nothing. */
  void contribute(VLxf *acc, VLnode *child);
  /* Records the net transform of a Group or Anchor computed elsewhere. */
  void remember(const VLnode *n, const VLxf &net);

 private:
  struct Frame {
    VLnode *node;
    VLnodelink *cursor;
    bool single;
    VLxf acc;
  };
  const VLxf *lookup(const VLnode *n) const;
  VLxf compute(VLnode *n);
  Frame start(VLnode *n) const;
  std::unordered_map<const VLnode *, VLxf> memo_;
  std::vector<Frame> frames_;
};

#endif
