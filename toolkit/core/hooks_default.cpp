/* Empty bodies of the hooks whose families are not built yet (see hooks.h).
 * Each is what the loop needs while the family is absent: nothing happens,
 * and tests of an empty universe see the fixed frame order. */
#include "core/hooks.h"

#include "vlx/math.h"

void _VLsensors_update(VLuniverse *) {}
void _VLsensors_deleteall(VLuniverse *) {}
bool _VLsensor_motion(VLsensor *, VLp3 *, VLq *) { return false; }





bool _VLuniverse_readfile(VLuniverse *, const char *, VLbounds *, float) { return false; }

void _VLrenderer_frameready(int) {}


/* scene graph: payload release and objects */
