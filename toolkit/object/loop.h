/* What the universe and its loop call in the object family (viewpoints,
 * objects, portals, sequences). All take the current universe. */
#ifndef VLX_OBJECT_LOOP_H
#define VLX_OBJECT_LOOP_H

struct VLuniverse;
struct VLviewpoint;

/* viewpoints */
void _VLviewpoint_newcurrent(VLuniverse *u);        /* creation step 5 */
void _VLviewpoint_applysettings(VLuniverse *u);     /* creation step 7 */
bool _VLviewpoint_inlist(VLuniverse *u, VLviewpoint *vp);
/* Every window of the universe shows this viewpoint. */
void _VLwindows_takeviewpoint(VLuniverse *u, VLviewpoint *vp);
void _VLviewpoints_deleteall(VLuniverse *u);

/* portals, objects, sequences */
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

/* Registers the handlers of scene events (an object node made or freed, an
 * object's box for bounds, a node freed that sequences hold). Universe
 * creation calls it, and so does the first object or sequence made. */
void _VLobjects_registerevents(void);

#endif
