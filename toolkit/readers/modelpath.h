/* The model search path: a name as given, else each directory of the
 * VLMODELS list (entries separated by ";") joined to the name with "/".
 * Used by the readers that find their own files (paths, light files). */
#ifndef VLX_READERS_MODELPATH_H
#define VLX_READERS_MODELPATH_H

#include <string>

/* The first candidate that opens for reading; false when none does. */
bool _VLmodelpath_find(const char *name, std::string *found);

#endif
