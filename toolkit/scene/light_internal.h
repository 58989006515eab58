/* Process-wide state of the light family in one record: the eight light
 * numbers, the "lights changed" flag the renderer reads, and the counter
 * that gives each light its identifier. The on and off lists themselves
 * are the universe's (lights[0] on, newest first; lights[1] off). One
 * accessor, one reset for tests. */
#ifndef VLX_SCENE_LIGHT_INTERNAL_H
#define VLX_SCENE_LIGHT_INTERNAL_H

#include <stdint.h>

#include "vlx/light.h"

struct VLuniverse;

/* The universe's light lists. */
enum { VLLIGHTS_ON = 0, VLLIGHTS_OFF = 1, VLLIGHTS_THIRD = 2 };

struct VLlightstate {
  VLlight *numbers[VLLIGHT_MAXON];  /* the light holding each number, or null */
  int on;                           /* lights switched on */
  bool changed;                     /* the renderer must reload its lights */
  uint16_t nextid;
};

VLlightstate &_VLlightstate(void);
/* Tests: forget the numbers and the counter (after VLuniverse_delete). */
void _VLlights_reset(void);

/* Stores three values into a light's vector. */
inline void _VLlight_set3(float v[3], float a, float b, float c) {
  v[0] = a;
  v[1] = b;
  v[2] = c;
}

/* Light records of Light nodes: the node's light is deleted with it; a
 * default light of a kind (VLLIGHTKIND_*, intensity 1.0; null: none). */
void _VLlight_delete(VLlight *light);
VLlight *_VLlight_newdefault(int kind);
/* The light number (0..7) of a light record, or -1. */
int _VLlight_number(VLlight *l);

/* Hands a changed light to the renderer's slot of its number and sets
 * "lights changed". */
void _VLlight_changed(VLlight *light);

#endif
