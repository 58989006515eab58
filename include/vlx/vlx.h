/* The whole public interface of the toolkit: include this one header. */
#ifndef VLX_VLX_H
#define VLX_VLX_H

#include "vlx/diag.h"
#include "vlx/geometry.h"
#include "vlx/math.h"
#include "vlx/node.h"
#include "vlx/mtable.h"
#include "vlx/renderer.h"
#include "vlx/universe.h"
#include "vlx/window.h"

#endif
