/* What the universe and its loop call in the devices family. */
#ifndef VLX_DEVICES_LOOP_H
#define VLX_DEVICES_LOOP_H

struct VLuniverse;

/* Loop step: polls every sensor of the universe. */
void _VLsensors_update(VLuniverse *u);
/* Universe deletion: closes and frees every sensor. */
void _VLsensors_deleteall(VLuniverse *u);

#endif
