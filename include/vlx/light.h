/* Lights: directed, point and spot lights kept by the universe, placed in
 * the scene through Light nodes, and Ambient nodes. At most eight lights
 * are switched on at a time: each holds one of the light numbers 0-7 that
 * the renderer maps onto its eight light slots (lowest free number first).
 * Light files ("//lights" on the first line) define lights by keywords.
 * Failures: bad arguments make an operation return false / null and change
 * nothing. */
#ifndef VLX_LIGHT_H
#define VLX_LIGHT_H

#include <stddef.h>
#include <stdint.h>

struct VLnode;

/* Light types. */
enum { VLLIGHTTYPE_DIRECTED = 0, VLLIGHTTYPE_POINT = 1, VLLIGHTTYPE_SPOT = 2 };
/* Lights switched on at most, and the number of a light that is off. */
#define VLLIGHT_MAXON 8
#define VLLIGHT_NONUMBER 0xFFFF
/* Smallest intensity and attenuation constant; spot angle and exponent limits. */
#define VLLIGHT_MININTENSITY 0.004f
#define VLLIGHT_MAXANGLE 1.5707964f
#define VLLIGHT_MAXEXPONENT 128.0f
/* Spot cone of lights read from light files: pi / 8. */
#define VLLIGHT_FILEANGLE 0.3926991f

struct VLlight {
  VLnode *node;              /* its Light node, or null (must stay first) */
  float intensity;           /* 0.004 to 1.0 */
  float position[3];         /* point and spot lights; (0, 0, 0) */
  float direction[3];        /* unit length; directed and spot lights; (0, 0, 1) */
  uint32_t spare;            /* zero */
  uint16_t type;             /* VLLIGHTTYPE_* */
  float angle;               /* spot cone angle from the axis, radians, 0 to pi/2 */
  float exponent;            /* spot exponent: 0, or 1 to 128 */
  float diffuse[3];          /* (1, 1, 1) */
  float ambient[3];          /* (0, 0, 0) */
  float specular[3];         /* (1, 1, 1) */
  uint16_t number;           /* 0-7 while on, else VLLIGHT_NONUMBER */
  uint16_t id;               /* from a counter of lights created */
  float attenuation[3];      /* constant, linear, quadratic: 1, 0, 0 */
  VLlight *next;             /* the universe's on or off list */
};

/* --- lights --- */
/* A switched-on light. Null when the intensity is below 0.004 (or not a
 * number), eight lights are on, the type is not 0-2, or a given direction is
 * shorter than 0.004 (directed and spot lights warn). Position and direction
 * may be null (defaults); a given direction is normalised. Intensity above
 * 1.0 is stored as 1.0; angle and exponent are stored as given. */
VLlight *VLlight_new(const float position[3], const float direction[3], float intensity,
                     float exponent, float angle, int type);
/* Takes the lowest free number; nothing when on already or eight are on. */
void VLlight_turnon(VLlight *light);
/* Frees its number; the light stays, switched off. */
void VLlight_turnoff(VLlight *light);
/* Whether it holds a light number. */
bool VLlight_ison(const VLlight *light);
/* Deletes the light, the motion links that move it and its Light node. */
void VLlight_delete(VLlight *light);
/* Deletes every light of the universe with its Light node. */
void VLlight_deleteall(void);

/* --- settings (false, nothing changed, for a value out of range) --- */
bool VLlight_setposition(VLlight *light, const float position[3]);
bool VLlight_getposition(const VLlight *light, float out[3]);
/* Normalised; false when shorter than 0.004. */
bool VLlight_setdirection(VLlight *light, const float direction[3]);
/* Stored as min(value, 1.0) (0 included); false when negative. */
bool VLlight_setintensity(VLlight *light, float intensity);
/* Spot lights only, 0 <= radians <= pi/2. */
bool VLlight_setangle(VLlight *light, float radians);
/* Spot lights only: exactly 0, or 1 to 128. */
bool VLlight_setexponent(VLlight *light, float exponent);
/* Point and spot lights only: constant >= 0.004, linear and quadratic >= 0. */
bool VLlight_setattenuation(VLlight *light, float constant, float linear, float quadratic);
/* The colours, each component stored as given. */
bool VLlight_setambient(VLlight *light, float r, float g, float b);
bool VLlight_setdiffuse(VLlight *light, float r, float g, float b);
bool VLlight_setspecular(VLlight *light, float r, float g, float b);

/* --- light files --- */
/* Reads a light file, appending a Light or Ambient node per definition
 * under the parent (null: the orphan holder). Errors are reported with
 * their position and reading goes on; false only when the file cannot be
 * opened. */
bool VLlights_load(VLnode *parent, const char *name);
/* The same over bytes already read; name is used in messages. */
bool VLlights_read(VLnode *parent, const char *name, const char *data, size_t size);

/* --- through nodes (movable wrappers resolve to their content) --- */
/* A Light node: its light's ambient colour; an Ambient node: its colour. */
bool VLlightnode_setcolor(VLnode *node, float r, float g, float b);
/* Light nodes only. */
bool VLlightnode_setdiffuse(VLnode *node, float r, float g, float b);
bool VLlightnode_setspecular(VLnode *node, float r, float g, float b);
/* A Light node: VLlight_setintensity; an Ambient node stores the value as given. */
bool VLlightnode_setintensity(VLnode *node, float intensity);
/* Light nodes only: the light operations on the node's light. */
bool VLlightnode_setposition(VLnode *node, const float position[3]);
bool VLlightnode_getposition(VLnode *node, float out[3]);
bool VLlightnode_setdirection(VLnode *node, const float direction[3]);
bool VLlightnode_setangle(VLnode *node, float radians);
bool VLlightnode_setexponent(VLnode *node, float exponent);
/* The light of a Light node, or null. */
VLlight *VLlightnode_getlight(VLnode *node);

#endif
