/* The whole public interface of the toolkit: include this one header. */
#ifndef VLX_VLX_H
#define VLX_VLX_H

#include "vlx/3ds.h"
#include "vlx/devices.h"
#include "vlx/diag.h"
#include "vlx/dxf.h"
#include "vlx/file.h"
#include "vlx/flt.h"
#include "vlx/geometry.h"
#include "vlx/image.h"
#include "vlx/light.h"
#include "vlx/math.h"
#include "vlx/motion.h"
#include "vlx/node.h"
#include "vlx/object.h"
#include "vlx/mtable.h"
#include "vlx/net.h"
#include "vlx/nff.h"
#include "vlx/obj.h"
#include "vlx/render.h"
#include "vlx/slp.h"
#include "vlx/renderer.h"
#include "vlx/viewpoint.h"
#include "vlx/vrml.h"
#include "vlx/texture.h"
#include "vlx/universe.h"
#include "vlx/window.h"

#endif
