/* What the display asks of viewpoints when it sets up a window's view. */
#ifndef VLX_OBJECT_VIEW_H
#define VLX_OBJECT_VIEW_H

struct VLviewpoint;
struct VLwindow;
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

#endif
