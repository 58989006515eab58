/* What the universe and its loop call in the other families. Each family
 * defines its hooks where it lives; hooks_default.cpp holds empty bodies for
 * the families that are not built yet, and a family that implements a hook
 * removes its default there. All take the current universe. */
#ifndef VLX_CORE_HOOKS_H
#define VLX_CORE_HOOKS_H

struct VLuniverse;
struct VLviewpoint;
struct VLbounds;

/* viewpoints, windows, objects, portals, sequences */
void _VLviewpoint_newcurrent(VLuniverse *u);        /* creation step 5 */
void _VLviewpoint_applysettings(VLuniverse *u);     /* creation step 7 */
bool _VLviewpoint_inlist(VLuniverse *u, VLviewpoint *vp);
void _VLwindows_takeviewpoint(VLuniverse *u, VLviewpoint *vp);
void _VLwindows_setbgcolor(VLuniverse *u, unsigned packed);
const char *_VLportal_crossed(VLuniverse *u);       /* target name or null */
void _VLobjects_noteviewpoint(VLuniverse *u);
void _VLobjects_compare(VLuniverse *u);             /* loop step 10 comparison */
void _VLobjects_flags(VLuniverse *u);               /* loop step 10 flag handling */
void _VLobjects_takenodes(VLuniverse *u);           /* ready step a */
void _VLobjects_deleteflagged(VLuniverse *u);       /* ready step e */
void _VLobjects_endframe(VLuniverse *u);            /* loop step 14 */
bool _VLuniverse_hasobjects(VLuniverse *u);         /* a holder or an object */
void _VLuniverse_deletecontent(VLuniverse *u);      /* sequences, objects, portals, holders */
void _VLsequences_update(VLuniverse *u);
void _VLviewpoints_deleteall(VLuniverse *u);
void _VLwindows_deleteall(VLuniverse *u);

/* window system: dispatch pending messages; true when a quit arrived */
bool _VLplatform_pump(void);

/* devices */
void _VLsensors_update(VLuniverse *u);
void _VLsensors_deleteall(VLuniverse *u);

/* motion links and paths */
void _VLmotionlinks_apply(VLuniverse *u, int pass);  /* event 2 passes a, b, d */
void _VLpaths_step(VLuniverse *u);
void _VLpaths_deleteall(VLuniverse *u);

/* lights */
void _VLlights_deletelist(VLuniverse *u, int list);

/* scene graph */
void VLscene_prepare(void);
void VLscene_deleteall(int freeroots);

/* geometry and texture tables */
void _VLgeometry_releasetables(void);
void _VLtexture_releasetables(void);

/* universe files: find, detect and read; fills the universe on success */
bool _VLuniverse_readfile(VLuniverse *u, const char *name, VLbounds *bounds, float scale);

/* renderer: the frame-ready hook (does nothing in either build) */
void _VLrenderer_frameready(int ready);

#endif
