/* Walks an execute buffer's instructions with bounds checks and hands each
 * accepted instruction to a visitor. Both backends use it, so what is
 * counted is exactly what a backend was given. A malformed buffer stops
 * the walk at the first bad instruction (what came before it stands). */
#ifndef VLX_DISPLAY_DEVICE_EXECUTE_WALK_H
#define VLX_DISPLAY_DEVICE_EXECUTE_WALK_H

#include <stdint.h>

#include "display/device/execute.h"

class VLexecvisitor {
 public:
  virtual ~VLexecvisitor() {}
  virtual void lightstate(uint32_t code, uint32_t value) = 0;
  virtual void renderstate(uint32_t code, uint32_t value) = 0;
  virtual void transformstate(uint32_t code, uint32_t value) = 0;
  /* The vertices [start, start + count) processed as lit or unlit. */
  virtual void process(uint32_t flags, uint32_t start, uint32_t count) = 0;
  /* Primitives whose indexes were checked against the processed vertices. */
  virtual void triangles(const VLtriangleitem *items, uint32_t n) = 0;
  virtual void lines(const VLlineitem *items, uint32_t n) = 0;
  virtual void points(const VLpointitem *items, uint32_t n) = 0;
};

/* Returns false when the buffer was malformed (the walk stopped there). */
bool _VLexec_walk(const uint8_t *buffer, uint32_t vertexcount, uint32_t instroffset,
                  uint32_t instrlength, VLexecvisitor *v);

#endif
