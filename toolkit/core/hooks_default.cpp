/* Empty bodies of the hooks whose families are not built yet (see hooks.h).
 * Each is what the loop needs while the family is absent: nothing happens,
 * and tests of an empty universe see the fixed frame order. */
#include "core/hooks.h"

#include "vlx/math.h"

const char *_VLportal_crossed(VLuniverse *) { return nullptr; }
void _VLobjects_noteviewpoint(VLuniverse *) {}
void _VLobjects_compare(VLuniverse *) {}
void _VLobjects_flags(VLuniverse *) {}
void _VLobjects_takenodes(VLuniverse *) {}
void _VLobjects_deleteflagged(VLuniverse *) {}
void _VLobjects_endframe(VLuniverse *) {}
bool _VLuniverse_hasobjects(VLuniverse *) { return false; }
void _VLuniverse_deletecontent(VLuniverse *) {}
void _VLsequences_update(VLuniverse *) {}


void _VLsensors_update(VLuniverse *) {}
void _VLsensors_deleteall(VLuniverse *) {}

void _VLmotionlinks_apply(VLuniverse *, int) {}
void _VLpaths_step(VLuniverse *) {}
void _VLpaths_deleteall(VLuniverse *) {}

void _VLlights_deletelist(VLuniverse *, int) {}

void VLscene_prepare(void) {}

void _VLtexture_releasetables(void) {}
void _VLrenderer_releasecache(void *) {}
void _VLrenderer_splitpoly(VLgeometry *, VLpoly *) {}
void _VLtexture_releaseattributes(void *) {}
void *_VLtexture_copyattributes(const void *) { return nullptr; }

bool _VLuniverse_readfile(VLuniverse *, const char *, VLbounds *, float) { return false; }

void _VLrenderer_frameready(int) {}

void _VLlights_installdefaults(VLuniverse *) {}
void _VLlights_upload(VLrendercontext *) {}
void _VLtextures_upload(bool) {}
void _VLrenderer_invalidatecaches(VLuniverse *) {}
void _VLscene_renderwindow(VLwindow *) {}

/* scene graph: payload release and objects */
void _VLmotionlinks_cancelnode(VLnode *) {}
void _VLlight_delete(VLlight *) {}
VLlight *_VLlight_newdefault(int) { return nullptr; }
void _VLobject_delete(VLobject *) {}
VLnode **_VLobject_nodeslot(VLobject *) { return nullptr; }
bool _VLobject_placedbox(VLobject *, float *, float *) { return false; }
bool _VLobject_attachnew(void) { return false; }
