/* Search paths: a name as given, else each directory of a ";"-separated
 * list from the environment (VLMODELS for models, paths, light and material
 * files; VLIMAGES for images) joined to the name with "/". Only regular
 * files that open for reading count. */
#ifndef VLX_READERS_BYTES_MODELPATH_H
#define VLX_READERS_BYTES_MODELPATH_H

#include <string>

/* The first candidate along the list in the environment variable envname;
 * false when none is found. */
bool _VLsearchpath_find(const char *envname, const char *name, std::string *found);
/* _VLsearchpath_find along VLMODELS. */
bool _VLmodelpath_find(const char *name, std::string *found);

#endif
