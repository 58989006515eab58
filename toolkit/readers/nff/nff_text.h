/* The text form's reader state and its polygon lines (nff_text_poly.cpp). */
#ifndef VLX_READERS_NFF_NFF_TEXT_H
#define VLX_READERS_NFF_NFF_TEXT_H

#include "readers/nff/nff_internal.h"

struct VLtokenizer;

struct VLnfftext {
  VLtokenizer *t;
  VLnfffile f;
  float version;
  bool distinct;
};

/* One polygon line; false discards the geometry. */
bool _VLnfftext_polygon(VLnfftext &r, VLnffgeom &s);

#endif
