/* Model files: the file-type codes that the first bytes of a file select,
 * and the search for a file along a ";"-separated list of directories in
 * an environment variable (VLMODELS for models, VLIMAGES for images).
 * Found names are kept in one buffer, valid until the next search. */
#ifndef VLX_FILE_H
#define VLX_FILE_H

/* File type codes (VLfile_type). 3 and 10 are never produced. */
enum {
  VLFILE_NONE = 0,       /* the file does not open */
  VLFILE_DXF = 1,
  VLFILE_NFF = 2,        /* neutral file format, text */
  VLFILE_OBJ = 4,        /* Wavefront OBJ: anything not recognised */
  VLFILE_3DG1 = 5,
  VLFILE_OLDBIN1 = 6,    /* old binary formats, refused */
  VLFILE_OLDBIN2 = 7,
  VLFILE_FLT = 8,        /* OpenFlight */
  VLFILE_3DS = 9,
  VLFILE_BNFF = 11,      /* neutral file format, binary */
  VLFILE_SLP = 12,
  VLFILE_MAT = 13,       /* material table file: not a scene */
  VLFILE_VRML = 14,
  VLFILE_LIGHTS = 15
};

/* The type of the file at path from its first 8 bytes (carriage returns
 * dropped), compared with the known prefixes in a fixed order;
 * VLFILE_NONE when it does not open. */
int VLfile_type(const char *path);
/* The type of a file's first bytes (at most 8 are looked at). */
int VLfile_typeofbytes(const void *head, int n);
/* A short name of a type code ("neutral file format (text)"). */
const char *VLfile_typename(int type);
/* The name itself when it opens, else the first directory of the list in
 * the environment variable envname where "directory/name" opens; null when
 * none does or the variable is unset. */
const char *VLfile_search(const char *name, const char *envname);
/* VLfile_search along VLMODELS, then, for a name without an extension,
 * with ".nff" appended; null for a null or empty name. */
const char *VLfile_findmodel(const char *name);

#endif
