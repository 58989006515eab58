/* Empty bodies of the hooks whose families are not built yet (see hooks.h).
 * Each is what the loop needs while the family is absent: nothing happens,
 * and tests of an empty universe see the fixed frame order. */
#include "core/hooks.h"

void _VLviewpoint_newcurrent(VLuniverse *) {}
void _VLviewpoint_applysettings(VLuniverse *) {}
bool _VLviewpoint_inlist(VLuniverse *, VLviewpoint *) { return false; }
void _VLwindows_takeviewpoint(VLuniverse *, VLviewpoint *) {}
void _VLwindows_setbgcolor(VLuniverse *, unsigned) {}
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
void _VLviewpoints_deleteall(VLuniverse *) {}
void _VLwindows_deleteall(VLuniverse *) {}

bool _VLplatform_pump(void) { return false; }

void _VLsensors_update(VLuniverse *) {}
void _VLsensors_deleteall(VLuniverse *) {}

void _VLmotionlinks_apply(VLuniverse *, int) {}
void _VLpaths_step(VLuniverse *) {}
void _VLpaths_deleteall(VLuniverse *) {}

void _VLlights_deletelist(VLuniverse *, int) {}

void VLscene_prepare(void) {}
void VLscene_deleteall(int) {}

void _VLgeometry_releasetables(void) {}
void _VLtexture_releasetables(void) {}

bool _VLuniverse_readfile(VLuniverse *, const char *, VLbounds *, float) { return false; }

void _VLrenderer_frameready(int) {}
