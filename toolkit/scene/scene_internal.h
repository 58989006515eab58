/* Unchecked core of the scene graph family, shared by its files and by the
 * families that build scenes (readers, traversal). Callers have checked
 * their arguments; these functions check nothing. */
#ifndef VLX_SCENE_SCENE_INTERNAL_H
#define VLX_SCENE_SCENE_INTERNAL_H

#include "vlx/node.h"

/* --- type predicates --- */
/* Codes 2, 4, 8, 9, 14, 15, 16 and 21. */
bool _VLnode_isgrouping(const VLnode *n);
/* Has a child list: a grouping node or an object node. */
bool _VLnode_haschildren(const VLnode *n);
inline VLgroupnode *_VLnode_group(VLnode *n) { return static_cast<VLgroupnode *>(n); }
/* Padded name of a type code ("Root      "); "" for codes without one. */
const char *_VLnode_typename(int type);

/* --- movable resolution --- */
/* The node that children, selections and queries address. */
VLnode *_VLnode_content(VLnode *n);
/* The node that transform operations address (a movable node's Xform). */
VLnode *_VLnode_transformnode(VLnode *n);

/* --- construction and edges --- */
/* New node of any stored type with its payload's initial values, appended
 * under parent (a node with a child list, taken as is) or under the orphan
 * holder when parent is null. */
VLnode *_VLnode_new(int type, VLnode *parent);
/* The parent a public constructor attaches to: null (the orphan holder)
 * stays null, any other node resolves to its content, which must be a
 * grouping node (false otherwise). */
bool _VLnode_resolveparent(VLnode **parent);
/* Geometry node for a geometry without one, under an unchecked parent. */
VLnode *_VLgeometrynode_make(VLnode *parent, VLgeometry *geometry);
/* Adds the edge parent -> child before the link `before` (null: at the
 * end), reusing the child's orphan holder link. Marks ancestors. */
void _VLnode_link(VLnode *parent, VLnode *child, VLnodelink *before);
/* The link at index in parent's child list, or null. */
VLnodelink *_VLnode_childlink(VLnode *parent, int index);
int _VLnode_countchildren(VLnode *parent);
/* Unlinks a link from its parent's child list (no marking, no counts). */
void _VLlink_unsibling(VLnodelink *l);
/* Unlinks a link from its child's instance chain (not the only link). */
void _VLlink_unchain(VLnodelink *l);
/* Ancestor marking from a node: its first link, or its own changed bit for
 * a Root or the orphan holder. */
void _VLnode_markancestors(VLnode *n);
/* Ancestor marking from one parent link. */
void _VLlink_mark(VLnodelink *l);

/* --- destruction --- */
/* Takes an edge out of its parent's list and its child's chain and frees
 * it; true when the child has no parent left (its first link is then null
 * and the caller destroys it). No marking. */
bool _VLlink_drop(VLnodelink *l);
/* Destroys a node that has no parent link left (and its unshared
 * descendants): children first, then payload, tasks, name, the node. */
void _VLnode_destroy(VLnode *n);

/* --- names --- */
/* Bucket of a name: (s[0] + s[n-1] + s[n/2] + n) mod 64, signed bytes. */
int _VLnames_bucket(const char *name);
/* Removes n's cell from the table (warns when missing) and frees the name. */
void _VLnames_remove(VLnode *n);
/* Forgets every cell without freeing (the table was reset). */
void _VLnames_forgetall(void);
/* The most recently named node with this name, or null. */
VLnode *_VLnames_find(const char *name);

/* --- bounds --- */
/* Brings a node's bounds up to date when its changed bit is set (nodes
 * with a child list only). */
void _VLnode_updatebounds(VLnode *n);

#endif
