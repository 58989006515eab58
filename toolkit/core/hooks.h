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


/* devices */
void _VLsensors_update(VLuniverse *u);
void _VLsensors_deleteall(VLuniverse *u);
/* A sensor's motion of this frame: translation and rotation; false when it
 * gives none (then links from it move nothing). */
struct VLsensor;
struct VLp3;
struct VLq;
bool _VLsensor_motion(VLsensor *sensor, VLp3 *translation, VLq *rotation);

/* motion links and paths */
void _VLmotionlinks_apply(VLuniverse *u, int pass);  /* event 2 passes a, b, d */
void _VLpaths_step(VLuniverse *u);
void _VLpaths_deleteall(VLuniverse *u);

/* lights */
void _VLlights_deletelist(VLuniverse *u, int list);

/* scene graph */
void VLscene_prepare(void);
/* VLscene_deleteall(int freeroots) is declared in vlx/node.h */

/* geometry and texture tables */
void _VLgeometry_releasetables(void);
void _VLtexture_releasetables(void);

/* renderer and texture data kept on geometries and polygons */
struct VLgeometry;
struct VLpoly;
void _VLrenderer_releasecache(void *cache);              /* a geometry's render cache */
void _VLrenderer_splitpoly(VLgeometry *g, VLpoly *p);    /* a polygon that is not planar */
void _VLtexture_releaseattributes(void *attributes);     /* a polygon's attributes */
void *_VLtexture_copyattributes(const void *attributes); /* for a copied polygon */

/* universe files: find, detect and read; fills the universe on success */
bool _VLuniverse_readfile(VLuniverse *u, const char *name, VLbounds *bounds, float scale);

/* renderer: the frame-ready hook (does nothing in either build) */
void _VLrenderer_frameready(int ready);

/* --- hooks the renderer calls --- */
struct VLwindow;
struct VLrendercontext;
struct VLq;
/* What a viewpoint overrides of a window's view: each value is set only
 * where the viewpoint has its own. */
struct VLviewparams {
  float t, hither, yon;          /* tan(half view angle), near, far */
  int mode;                      /* projection mode */
  float aspect;                  /* the viewpoint's aspect ratio (1.0) */
  int pixelshift;                /* stereo pixel shift */
  float eyesep, convergence;     /* stereo eye separation, convergence */
};
void _VLviewpoint_viewparams(VLviewpoint *vp, VLviewparams *p);
/* The eye's pose for a window: position and orientation. */
void _VLviewpoint_eyepose(VLwindow *w, int eye, float pos[3], VLq *q);
/* Renderer start-up: the universe's default lights and ambient. */
void _VLlights_installdefaults(VLuniverse *u);
/* Light upload into the current render context's slots. */
void _VLlights_upload(VLrendercontext *c);
/* Texture upload list; the main display's pass empties it. */
void _VLtextures_upload(bool maindisplay);
/* The rendering options changed: clear the geometries' render caches. */
void _VLrenderer_invalidatecaches(VLuniverse *u);
/* Traversal and playback of a window's scene root. */
void _VLscene_renderwindow(VLwindow *w);
/* The light number (0..7) of a light record, or -1. */
struct VLlight;
int _VLlight_number(VLlight *l);

/* scene graph: payload release and object support, implemented by the
 * families built after the scene graph (motion links, lights, objects) */
struct VLnode;
struct VLlight;
struct VLobject;
void _VLmotionlinks_cancelnode(VLnode *node);   /* links moving an Xform or movable node */
void _VLlight_delete(VLlight *light);           /* a Light node's light */
VLlight *_VLlight_newdefault(int kind);         /* VLLIGHTKIND_*, intensity 1.0; null: none */
void _VLobject_delete(VLobject *object);        /* an object node's object */
VLnode **_VLobject_nodeslot(VLobject *object);  /* the object's node field; null: no node */
/* Box of the object's geometry placed by its orientation and position, in
 * the object node's parent frame; false when it has none. */
bool _VLobject_placedbox(VLobject *object, float centre[3], float halfextents[3]);
bool _VLobject_attachnew(void);                 /* new object nodes also go under the first Root */
void _VLsequences_forgetnode(VLnode *node);     /* a destroyed node leaves every sequence */

#include "vlx/node.h"

#endif
