/* The message catalogue: every text the toolkit prints, in one place.
 * Each entry is a string-literal macro so that the compiler still checks the
 * printf arguments at the call site, and tests compare the format that fired
 * (see diag_internal.h) against the same macro. Texts are exact: the ones
 * without "\n" continue on the line of the next message. Add new texts here,
 * grouped by family. */
#ifndef VLX_CORE_MESSAGES_H
#define VLX_CORE_MESSAGES_H

/* core: diagnostics and memory */
#define VLTXT_OUT_OF_MEMORY "OUT OF MEMORY!"
#define VLTXT_FATAL_TITLE "VLX-ERROR"

/* core: universe and simulation loop */
#define VLTXT_GO_REENTRANT "Function VLuniverse_go is not reentrant"
#define VLTXT_GO1_REENTRANT "Function VLuniverse_go1 is not reentrant.\n"
#define VLTXT_PORTAL_FAILED "Couldn't portal to universe %s\n"
#define VLTXT_BAD_SCALE "Nonsensical scale factor.\n"
#define VLTXT_OLD_BINARY "VLX 1.01 binary format is no longer supported.\n"
#define VLTXT_UNKNOWN_FILETYPE "Unknown file type: %s"
#define VLTXT_BANNER "Vylmar VLX Release %s (%s)\n"
#define VLTXT_BANNER_NOTICE "Real-time 3D simulation toolkit; one universe, one thread.\n"
#define VLTXT_BANNER_CONSOLE "Console build: renders off screen unless a display is present.\n"

/* renderer */
#define VLTXT_VERSION_CONSOLE "D3D version\n"
#define VLTXT_VERSION_WINDOWED "Direct3D version\n"
#define VLTXT_COMPILE_IN_DRAW "Internal error: executing compile during call to geom_render\n"
#define VLTXT_SHADER_FAILED "The 3D device refused the %s: %s\n"
#define VLTXT_DEVICE_LINE "3D device: %s; %s; %s (%s)\n"
#define VLTXT_NO_DEVICE "No 3D device: no EGL device can render here (Mesa's EGL and DRI drivers are needed: libegl-mesa0, libgl1-mesa-dri)\n"
#define VLTXT_NO_BASE_WINDOW "Could not create base window\n"
#define VLTXT_BAD_MAXTEXSIZE "VLXMAXTEXSIZE must be a power of 2\n"
#define VLTXT_TOO_MANY_WINDOWS "Can not create more than %d windows.\n"

/* display: viewpoints and objects */
#define VLTXT_BAD_VIEWPOINT_QUATERNION "Invalid quaternion passed to VLviewpoint_setorientation.\n"
#define VLTXT_BAD_OBJECT_QUATERNION "Invalid quaternion passed to VLobject_setorientation.\n"
#define VLTXT_PORTAL_WORLD_POLY "Poly in world frame: cg %f %f %f normal %f %f %f d %f\n"

/* scene */
#define VLTXT_UNKNOWN_NODE_TYPE "Unknown node type %d\n"

/* scene: nodes and the scene graph (the first two go to standard output
 * directly, then exit status 1) */
#define VLTXT_PARENT_LINKS "FATAL ERROR IN PARENT LINKS\n"
#define VLTXT_NODE_ROOT_TYPE "FATAL ERROR: node root is wrong type\n"
#define VLTXT_NODE_NOT_UPDATED "Node type (%d) not updated\n"
#define VLTXT_NODE_NAME_NOT_FOUND "Could not find node name %s\n"

/* math */
#define VLTXT_ZERO_DETERMINANT "zero matrix determinant in VLm4_invert\n"
#define VLTXT_JACOBI_NO_CONVERGENCE "_VLjacobi diagonalization didn't converge"

/* display: initialisation file */
#define VLTXT_INI_PATH_TOO_LONG "Path to initialization file is too long\n"
#define VLTXT_INI_BAD_BGCOLOR "Invalid bgcolor %s.\n"
#define VLTXT_INI_BAD_AMBIENT "Illegal ambient resource\n"
#define VLTXT_INI_BAD_AMBIENTRGB "Invalid ambientrgb %s.\n"
#define VLTXT_INI_BAD_VALUE "Invalid %s %s.\n"
#define VLTXT_INI_BAD_FOV "Illegal fov resource\n"
#define VLTXT_INI_BAD_HITHER "Illegal hither resource\n"
#define VLTXT_INI_BAD_YON "Illegal yon resource\n"

/* geometry and material tables */
#define VLTXT_GEOM_BEGIN_OPEN "Can't begin a new geometry until the last is closed.\n"
#define VLTXT_GEOM_NEWVERTEX_CLOSED "Must call VLgeometry_begin or VLgeometry_beginedit before calling VLgeometry_newvertex\n"
#define VLTXT_GEOM_ADDVERTEX_CLOSED "Must call VLgeometry_begin or VLgeometry_beginedit before calling _VLgeometry_addvertex\n"
#define VLTXT_GEOM_CLOSE_NOT_OPEN "VLgeometry_close called on non-open geometry.\n"
#define VLTXT_POLY_CORNERS "Polygon %x has %d vertices -- outside [%d,%d]\n"
#define VLTXT_GEOM_TOO_FEW "Can't make geometry - too few vertices\n"
#define VLTXT_GEOM_UNUSED_REMOVED "%d unused vertices were removed\n"
#define VLTXT_MT_AD_CONFLICT "Attempt to use property VLAMBIENTDIFFUSE as well as one of VLAMBIENT or VLDIFFUSE\n"
#define VLTXT_MT_TOO_MANY_NAMES "Cannot generate more than 1000000 material names\n"
#define VLTXT_MT_NULL_NAME "may not assign null name to a material table\n"
#define VLTXT_MT_RESERVED "material table names beginning with \"mt\" and followed by a number are reserved\n"
#define VLTXT_MT_RESERVED_NAME "for use by VLX internal functions. Do not use name %s for this table\n"
#define VLTXT_MT_NAME_BLANK "invalid mtable name %s: no spaces allowed in name\n"
#define VLTXT_MT_NAME_DELIMITERS "file delimiters and extensions not allowed in mtable name\n"
#define VLTXT_MT_NAME_SHORTENED "mtable name shortened from given \"%s\" to \"%s\"\n"
#define VLTXT_MT_NAME_EXISTS "A material table with name %s already exists\n"
#define VLTXT_MT_NAME_TOO_LONG "mtable name %s is longer than %d characters\n"
#define VLTXT_MT_NULL_TABLE "Null material table passed into VLmtable_newentry\n"
#define VLTXT_MT_HASH_INTERNAL "Internal error in VLmaterialhashtable_store\n"
#define VLTXT_MT_FULL "material table %s is full (%d entries)\n"
#define VLTXT_MT_MERGE_TOO_BIG "Cannot merge material tables %s and %s: more than %d entries\n"
#define VLTXT_MAT_NOT_FOUND "Couldn't find file %s\n"
#define VLTXT_MAT_NOT_MAT "File %s is not a material file\n"
#define VLTXT_MAT_MAGIC "File %s. '%s' is not the magic string ('%s')\n"
#define VLTXT_MAT_NO_DATA "File %s has no data\n"
#define VLTXT_MAT_NO_VALID "no 'valid' token found in .mat file\n"
#define VLTXT_MAT_NO_PROPERTIES "no valid properties defined for material table\n"
#define VLTXT_MAT_NO_MATDEF "no 'matdef' token found in .mat file\n"
#define VLTXT_MAT_PRECEDES "%s precedes expected 'matdef' token: it will be ignored.\n"
#define VLTXT_MAT_GENERATED_NAME "generated table name %s used instead of given name %s\n"
#define VLTXT_MAT_LINE "Line %d in '%s'.\n"
#define VLTXT_MAT_VALUE_MISSING "%s missing.\n"
#define VLTXT_MAT_FLOAT_INVALID "%s invalid.  Remember not to use punctuation.\n"
#define VLTXT_MAT_INT_INVALID "%s invalid.\n"

/* display: textures and images */
#define VLTXT_IMG_NOT_FOUND "Couldn't find texture file %s\n"
#define VLTXT_IMG_CANT_OPEN "Couldn't open texture file %s\n"
#define VLTXT_IMG_TOO_LARGE "Texture pattern %s is too large\n"
#define VLTXT_IMG_EMPTY "Image %s has no pixels\n"
#define VLTXT_IMG_READ_ERROR "error in reading %s\n"
#define VLTXT_TGA_UNKNOWN_TYPE "%s - unknown Targa image type %d\n"
#define VLTXT_TGA_PIXEL_SIZE "%s - unknown pixel size - %d\n"
#define VLTXT_TGA_MAP_TYPE "%s - mapped image (type %d) with color map type != 1\n"
#define VLTXT_TGA_MAP_SIZE "%s - unknown colormap pixel size - %d\n"
#define VLTXT_TGA_INTERLEAVED "Do not support interleaved TARGA files.\n"
#define VLTXT_TGA_PIXEL_SIZE2 "unknown pixel size (#2) - %d"
#define VLTXT_TGA_BAD_INDEX "%s - color map index %d out of range\n"
#define VLTXT_SGI_CHANNELS "%s - unsupported number of SGI image channels - %d\n"
#define VLTXT_SGI_BAD_RUN "%s - run-length data does not fit the image\n"
#define VLTXT_JPEG_CANT_OPEN "JPEG: Cannot open %s\n"
#define VLTXT_JPEG_UNREADABLE "JPEG file is not in a format readable by VLX\n"
#define VLTXT_JPEG_COMPONENTS "Unsupported number of components per pixel in JPEG \t\t\t\t\tfile %s\n"
#define VLTXT_TEX_IO_ERROR "IO Error reading %s\n"
#define VLTXT_TEX_NO_MEMORY "Not enough texture memory for texture %s\n"
#define VLTXT_TEX_BAD_FORMAT "File %s is not an image file in the correct format.\n"
#define VLTXT_TEX_TOO_LARGE "Texture %s too large.\n"
#define VLTXT_TEX_NOT_SQUARE "Texture %s is not square.\n"
#define VLTXT_TEX_BAD_SIZE "Texture %s has an unsupported size\n"
#define VLTXT_TEX_COLORMAP "Texture %s uses colormap: unsupported\n"
#define VLTXT_TEX_NOT_FOUND "Texture %s not found\n"
#define VLTXT_TEX_INVALID_NAME "Invalid texture name: %s\n"

/* readers: tokenizer */
#define VLTXT_TOK_CANT_OPEN "Can't open '%s' for input\n"
#define VLTXT_FILE_TOO_LARGE "File %s is larger than %u bytes\n"
#define VLTXT_TOK_LINE "Line %d in '%s'.\n"
#define VLTXT_TOK_ECHO "%.*s"
#define VLTXT_TOK_NEWLINE "\n"
#define VLTXT_TOK_BLANKS "%*s"
#define VLTXT_TOK_CARET "%*s^\n"
#define VLTXT_TOK_MESSAGE "%s"
#define VLTXT_TOK_MISSING "%s missing.\n"
#define VLTXT_TOK_FLOAT_INVALID "%s invalid.  Remember not to use punctuation.\n"
#define VLTXT_TOK_INVALID "%s invalid.\n"

/* scene: lights */
#define VLTXT_LIGHT_DIRECTED_ZERO "Must pass in non-zero direction vector to create directed light."
#define VLTXT_LIGHT_SPOT_ZERO "Must pass in non-zero direction vector to create spot light."
#define VLTXT_LIGHT_UNKNOWN_TYPE "Unknown light type.\n"
#define VLTXT_LIGHT_UNKNOWN_ATTRIBUTE "unknown light attribute.\n"
#define VLTXT_LIGHT_ANGLE_RANGE "Spot light angle must be between 0 and 90.\n"
#define VLTXT_LIGHT_ANGLERAD_RANGE "Spot light angle (anglerad) must be between 0 and 1.57.\n"
#define VLTXT_LIGHT_EXPONENT_RANGE "Spot light exponent must be equal to 0.0 or between 1.0 and 128.0.\n"

/* motion: links and paths */
#define VLTXT_LINK_ILLEGAL_TOTYPE "Illegal to_type in call to VLmotionlink_new."
#define VLTXT_PATH_CURRENT_INVALID "Current node is invalid\n"
#define VLTXT_PATH_INVALID "Invalid path or path list\n"
#define VLTXT_PATH_NOT_FOUND "Couldn't find file %s\n"
#define VLTXT_PATH_NOT_PATH "File '%s' is not a path file\n"
#define VLTXT_PATH_SYSTEM_ERROR "%s: %s\n"
#define VLTXT_PATH_BAD_COUNT "Path file '%s' has no valid record count after its header; it is not loaded\n"
#define VLTXT_PATH_BAD_RECORD "Path file '%s': record %d of %d does not read; the path is not loaded\n"
#define VLTXT_PATH_ZERO_ORIENTATION "Path file '%s': %d records with a zero orientation keep the orientation before them\n"

#endif
