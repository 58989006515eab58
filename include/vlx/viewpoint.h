/* Viewpoints: the cameras of the windows. A viewpoint has a position, an
 * orientation (unit quaternion; its rotation matrix rows are the right, up
 * and viewing axes), a view angle, near and far distances, a projection
 * mode and stereo values. The first viewpoint is made by universe creation
 * and is the current one. */
#ifndef VLX_VIEWPOINT_H
#define VLX_VIEWPOINT_H

#include <stdint.h>

#include "vlx/math.h"

struct VLsensor;

struct VLviewpoint {
  VLp3 position;
  VLq orientation;
  VLm3 rotation;              /* R(orientation) */
  float focal, focalaspect;   /* display half-width / tan, and times the aspect */
  float hither;               /* at least 0.004 */
  float tangent;              /* tan(half view angle) */
  float vertical;             /* display half-height / focalaspect */
  float aspect;               /* 1.0 */
  float eyesep;               /* stereo eye separation */
  int16_t pixelshift;         /* stereo pixel shift */
  float convergence;          /* stereo convergence distance */
  VLp3 eyeoffset;             /* right-eye position offset */
  VLq eyerotation;            /* right-eye orientation offset */
  uint16_t offsetmode;        /* 65535 none, 1 world axes, other: viewpoint axes */
  uint16_t projection;        /* 1..4 */
  uint8_t ownprojection;      /* the viewpoint's mode overrides the window's */
  uint8_t hitherchanged, yonchanged, anglechanged;
  float yon;                  /* at least hither + 0.004 */
  VLviewpoint *next;
};

/* A new viewpoint at the origin, identity orientation, appended to the
 * universe's viewpoint list; null without a universe. */
VLviewpoint *VLviewpoint_new(void);
/* Removes it from the universe's list and frees it; windows using it lose it. */
void VLviewpoint_delete(VLviewpoint *vp);
void VLviewpoint_setposition(VLviewpoint *vp, const VLp3 *position);
/* Warns "Invalid quaternion passed to VLviewpoint_setorientation.\n" and
 * changes nothing when all four components are below 0.004 in magnitude. */
void VLviewpoint_setorientation(VLviewpoint *vp, const VLq *q);
/* Turns the viewpoint to look along the direction (ignored below 0.004). */
void VLviewpoint_setdirection(VLviewpoint *vp, const VLp3 *direction);
/* Half view angle in radians, accepted for 0.004 <= angle < 1.5667965. */
void VLviewpoint_setangle(VLviewpoint *vp, float halfangle);
/* Near below 0.004 becomes 0.004. */
void VLviewpoint_sethither(VLviewpoint *vp, float hither);
/* Far below near + 0.004 becomes near + 0.004. */
void VLviewpoint_setyon(VLviewpoint *vp, float yon);
/* A motion link from the sensor to the viewpoint; 0 when either is missing. */
int VLviewpoint_addsensor(VLviewpoint *vp, VLsensor *sensor);

#endif
