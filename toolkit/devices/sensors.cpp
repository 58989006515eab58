/* Sensors of the universe. No sensor driver exists yet, so a universe
 * never holds a sensor: polling and deleting have nothing to do, and the
 * motion family's sensor source stays unset (links from sensors move
 * nothing). */
#include "devices/loop.h"

void _VLsensors_update(VLuniverse *) {}
void _VLsensors_deleteall(VLuniverse *) {}
