/* Empty bodies of the hooks whose families are not built yet (see hooks.h):
 * sensors and universe files. Each is what the loop needs while the family
 * is absent: nothing happens. A family that implements a hook removes its
 * default here. */
#include "core/hooks.h"

#include "vlx/math.h"

void _VLsensors_update(VLuniverse *) {}
void _VLsensors_deleteall(VLuniverse *) {}
bool _VLsensor_motion(VLsensor *, VLp3 *, VLq *) { return false; }

bool _VLuniverse_readfile(VLuniverse *, const char *, VLbounds *, float) { return false; }
