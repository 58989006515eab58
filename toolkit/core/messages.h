/* The message catalogue: every text that the toolkit and both benchmark
 * programs print, in one X-macro table. Each entry names the message, its
 * level and its exact text:
 *   FATAL    standard error (and the message box on screen), then exit
 *   WARNING  "VLX Warning: " + text on standard output
 *   INFO     the text on standard output (the benchmark's reports)
 *   ERROR    the text on standard error, no prefix (file format errors)
 *   DEBUG    discarded
 * The table gives VLTXT_<name> (the text: a constant array, so the compiler
 * still checks printf arguments against it), VLM_<name> (the identifier
 * that tests check) and g_vlmessages[], which the diagnostics print from.
 * Print a message with VLMSG(<name>, arguments...). Texts without "\n"
 * continue on the line of the next message. Add new texts here, grouped by
 * family; each text has one level (a text printed at two levels is two
 * entries). */
#ifndef VLX_CORE_MESSAGES_H
#define VLX_CORE_MESSAGES_H

#include "core/diag_internal.h"

/* X(name, level, text) */
#define VLX_MESSAGES(X) \
  /* core: diagnostics and memory */ \
  X(OUT_OF_MEMORY, FATAL, "OUT OF MEMORY!") \
  X(FATAL_TITLE, FATAL, "VLX-ERROR") \
  /* core: universe and simulation loop */ \
  X(GO_REENTRANT, WARNING, "Function VLuniverse_go is not reentrant") \
  X(GO1_REENTRANT, WARNING, "Function VLuniverse_go1 is not reentrant.\n") \
  X(PORTAL_FAILED, WARNING, "Couldn't portal to universe %s\n") \
  X(BAD_SCALE, WARNING, "Nonsensical scale factor.\n") \
  X(OLD_BINARY, WARNING, "VLX 1.01 binary format is no longer supported.\n") \
  X(UNKNOWN_FILETYPE, WARNING, "Unknown file type: %s") \
  X(BANNER, INFO, "Vylmar VLX Release %s (%s)\n") \
  X(BANNER_NOTICE, INFO, "Real-time 3D simulation toolkit; one universe, one thread.\n") \
  X(BANNER_CONSOLE, INFO, "Console build: renders off screen unless a display is present.\n") \
  /* renderer */ \
  X(VERSION_CONSOLE, INFO, "D3D version\n") \
  X(VERSION_WINDOWED, INFO, "Direct3D version\n") \
  X(COMPILE_IN_DRAW, INFO, "Internal error: executing compile during call to geom_render\n") \
  X(SHADER_FAILED, WARNING, "The 3D device refused the %s: %s\n") \
  X(DEVICE_LINE, INFO, "3D device: %s; %s; %s (%s)\n") \
  X(NO_DEVICE, WARNING, "No 3D device: no EGL device can render here (Mesa's EGL and DRI drivers are needed: libegl-mesa0, libgl1-mesa-dri)\n") \
  X(NO_BASE_WINDOW, FATAL, "Could not create base window\n") \
  X(BAD_MAXTEXSIZE, WARNING, "VLXMAXTEXSIZE must be a power of 2\n") \
  X(TOO_MANY_WINDOWS, WARNING, "Can not create more than %d windows.\n") \
  /* display: viewpoints and objects */ \
  X(BAD_VIEWPOINT_QUATERNION, WARNING, "Invalid quaternion passed to VLviewpoint_setorientation.\n") \
  X(BAD_OBJECT_QUATERNION, WARNING, "Invalid quaternion passed to VLobject_setorientation.\n") \
  X(PORTAL_WORLD_POLY, DEBUG, "Poly in world frame: cg %f %f %f normal %f %f %f d %f\n") \
  /* scene */ \
  X(UNKNOWN_NODE_TYPE, FATAL, "Unknown node type %d\n") \
  X(PARENT_LINKS, INFO, "FATAL ERROR IN PARENT LINKS\n") \
  X(NODE_ROOT_TYPE, INFO, "FATAL ERROR: node root is wrong type\n") \
  X(NODE_NOT_UPDATED, FATAL, "Node type (%d) not updated\n") \
  X(NODE_NAME_NOT_FOUND, WARNING, "Could not find node name %s\n") \
  /* math */ \
  X(ZERO_DETERMINANT, WARNING, "zero matrix determinant in VLm4_invert\n") \
  X(JACOBI_NO_CONVERGENCE, FATAL, "_VLjacobi diagonalization didn't converge") \
  /* display: initialisation file */ \
  X(INI_PATH_TOO_LONG, WARNING, "Path to initialization file is too long\n") \
  X(INI_BAD_BGCOLOR, WARNING, "Invalid bgcolor %s.\n") \
  X(INI_BAD_AMBIENT, WARNING, "Illegal ambient resource\n") \
  X(INI_BAD_AMBIENTRGB, WARNING, "Invalid ambientrgb %s.\n") \
  X(INI_BAD_VALUE, WARNING, "Invalid %s %s.\n") \
  X(INI_BAD_FOV, WARNING, "Illegal fov resource\n") \
  X(INI_BAD_HITHER, WARNING, "Illegal hither resource\n") \
  X(INI_BAD_YON, WARNING, "Illegal yon resource\n") \
  /* geometry and material tables */ \
  X(GEOM_BEGIN_OPEN, WARNING, "Can't begin a new geometry until the last is closed.\n") \
  X(GEOM_NEWVERTEX_CLOSED, WARNING, "Must call VLgeometry_begin or VLgeometry_beginedit before calling VLgeometry_newvertex\n") \
  X(GEOM_ADDVERTEX_CLOSED, WARNING, "Must call VLgeometry_begin or VLgeometry_beginedit before calling _VLgeometry_addvertex\n") \
  X(GEOM_CLOSE_NOT_OPEN, WARNING, "VLgeometry_close called on non-open geometry.\n") \
  X(POLY_CORNERS, WARNING, "Polygon %x has %d vertices -- outside [%d,%d]\n") \
  X(GEOM_TOO_FEW, WARNING, "Can't make geometry - too few vertices\n") \
  X(GEOM_UNUSED_REMOVED, WARNING, "%d unused vertices were removed\n") \
  X(MT_AD_CONFLICT, WARNING, "Attempt to use property VLAMBIENTDIFFUSE as well as one of VLAMBIENT or VLDIFFUSE\n") \
  X(MT_TOO_MANY_NAMES, WARNING, "Cannot generate more than 1000000 material names\n") \
  X(MT_NULL_NAME, WARNING, "may not assign null name to a material table\n") \
  X(MT_RESERVED, WARNING, "material table names beginning with \"mt\" and followed by a number are reserved\n") \
  X(MT_RESERVED_NAME, WARNING, "for use by VLX internal functions. Do not use name %s for this table\n") \
  X(MT_NAME_BLANK, WARNING, "invalid mtable name %s: no spaces allowed in name\n") \
  X(MT_NAME_DELIMITERS, WARNING, "file delimiters and extensions not allowed in mtable name\n") \
  X(MT_NAME_SHORTENED, WARNING, "mtable name shortened from given \"%s\" to \"%s\"\n") \
  X(MT_NAME_EXISTS, WARNING, "A material table with name %s already exists\n") \
  X(MT_NAME_TOO_LONG, WARNING, "mtable name %s is longer than %d characters\n") \
  X(MT_NULL_TABLE, WARNING, "Null material table passed into VLmtable_newentry\n") \
  X(MT_HASH_INTERNAL, FATAL, "Internal error in VLmaterialhashtable_store\n") \
  X(MT_FULL, WARNING, "material table %s is full (%d entries)\n") \
  X(MT_MERGE_TOO_BIG, WARNING, "Cannot merge material tables %s and %s: more than %d entries\n") \
  X(MAT_NOT_FOUND, WARNING, "Couldn't find file %s\n") \
  X(MAT_NOT_MAT, WARNING, "File %s is not a material file\n") \
  X(MAT_MAGIC, WARNING, "File %s. '%s' is not the magic string ('%s')\n") \
  X(MAT_NO_DATA, WARNING, "File %s has no data\n") \
  X(MAT_NO_VALID, WARNING, "no 'valid' token found in .mat file\n") \
  X(MAT_NO_PROPERTIES, WARNING, "no valid properties defined for material table\n") \
  X(MAT_NO_MATDEF, WARNING, "no 'matdef' token found in .mat file\n") \
  X(MAT_PRECEDES, WARNING, "%s precedes expected 'matdef' token: it will be ignored.\n") \
  X(MAT_GENERATED_NAME, WARNING, "generated table name %s used instead of given name %s\n") \
  /* display: textures and images */ \
  X(IMG_NOT_FOUND, WARNING, "Couldn't find texture file %s\n") \
  X(IMG_CANT_OPEN, WARNING, "Couldn't open texture file %s\n") \
  X(IMG_TOO_LARGE, WARNING, "Texture pattern %s is too large\n") \
  X(IMG_EMPTY, WARNING, "Image %s has no pixels\n") \
  X(IMG_READ_ERROR, ERROR, "error in reading %s\n") \
  X(TGA_UNKNOWN_TYPE, ERROR, "%s - unknown Targa image type %d\n") \
  X(TGA_PIXEL_SIZE, ERROR, "%s - unknown pixel size - %d\n") \
  X(TGA_MAP_TYPE, ERROR, "%s - mapped image (type %d) with color map type != 1\n") \
  X(TGA_MAP_SIZE, ERROR, "%s - unknown colormap pixel size - %d\n") \
  X(TGA_INTERLEAVED, ERROR, "Do not support interleaved TARGA files.\n") \
  X(TGA_IO_ERROR, ERROR, "IO Error reading %s\n") \
  X(TGA_PIXEL_SIZE2, ERROR, "unknown pixel size (#2) - %d") \
  X(TGA_BAD_INDEX, ERROR, "%s - color map index %d out of range\n") \
  X(SGI_CHANNELS, ERROR, "%s - unsupported number of SGI image channels - %d\n") \
  X(SGI_BAD_RUN, ERROR, "%s - run-length data does not fit the image\n") \
  X(JPEG_CANT_OPEN, WARNING, "JPEG: Cannot open %s\n") \
  X(JPEG_UNREADABLE, WARNING, "JPEG file is not in a format readable by VLX\n") \
  X(JPEG_COMPONENTS, WARNING, "Unsupported number of components per pixel in JPEG \t\t\t\t\tfile %s\n") \
  X(GIF_UNREADABLE, WARNING, "GIF file %s is not in a format readable by VLX\n") \
  X(GIF_NO_IMAGE, WARNING, "GIF file %s holds no image\n") \
  X(PNG_UNREADABLE, WARNING, "PNG file %s is not in a format readable by VLX\n") \
  X(TEX_IO_ERROR, WARNING, "IO Error reading %s\n") \
  X(TEX_NO_MEMORY, WARNING, "Not enough texture memory for texture %s\n") \
  X(TEX_BAD_FORMAT, WARNING, "File %s is not an image file in the correct format.\n") \
  X(TEX_TOO_LARGE, WARNING, "Texture %s too large.\n") \
  X(TEX_NOT_SQUARE, WARNING, "Texture %s is not square.\n") \
  X(TEX_BAD_SIZE, WARNING, "Texture %s has an unsupported size\n") \
  X(TEX_COLORMAP, WARNING, "Texture %s uses colormap: unsupported\n") \
  X(TEX_NOT_FOUND, WARNING, "Texture %s not found\n") \
  X(TEX_INVALID_NAME, FATAL, "Invalid texture name: %s\n") \
  /* readers: tokenizer */ \
  X(TOK_CANT_OPEN, WARNING, "Can't open '%s' for input\n") \
  X(FILE_TOO_LARGE, WARNING, "File %s is larger than %u bytes\n") \
  X(TOK_LINE, WARNING, "Line %d in '%s'.\n") \
  X(TOK_ECHO, INFO, "%.*s") \
  X(TOK_NEWLINE, INFO, "\n") \
  X(TOK_BLANKS, INFO, "%*s") \
  X(TOK_CARET, INFO, "%*s^\n") \
  X(TOK_MESSAGE, INFO, "%s") \
  X(TOK_MISSING, WARNING, "%s missing.\n") \
  X(TOK_FLOAT_INVALID, WARNING, "%s invalid.  Remember not to use punctuation.\n") \
  X(TOK_INVALID, WARNING, "%s invalid.\n") \
  /* scene: loading model files */ \
  X(LOAD_NOT_FOUND, WARNING, "Couldn't find file %s\n") \
  X(LOAD_UNKNOWN_TYPE, WARNING, "Unknown file type: %s\n") \
  X(LOAD_UNKNOWN_TYPECODE, WARNING, "Unknown file type: %d of file %s\n") \
  X(LOAD_NO_READER, WARNING, "No %s reader is built into this toolkit yet: %s is not loaded\n") \
  /* readers: neutral file format, text and binary */ \
  X(NFF_NO_DATA, WARNING, "File %s has no data\n") \
  X(NFF_MAGIC, WARNING, "File %s. '%s' is not the magic string ('%s')\n") \
  X(NFF_GEOM_ATTRIBUTE, INFO, "Geometry attribute unknown.\n") \
  X(NFF_MTABLE, WARNING, "Cannot parse mtable for object.\n") \
  X(NFF_NEGATIVE_MATID, WARNING, "negative material index parsed from nff file\n") \
  X(NFF_NO_POLY_VERTICES, INFO, "This polygon does not have any vertices.\n") \
  X(NFF_FEW_POLY_VERTICES, INFO, "A polygon cannot have fewer than 3 vertices.\n") \
  X(NFF_MANY_POLY_VERTICES, WARNING, "A polygon with %d vertices is refused: at most %d are allowed.\n") \
  X(NFF_POLY_ATTRIBUTE, INFO, "Polygon attribute unknown.\n") \
  X(NFF_POLY_ASSIGNMENT, WARNING, "Polygon assignment unknown.\n") \
  X(NFF_BAD_ID, INFO, "ID number invalid.\n") \
  X(NFF_POLY_PROBLEM, INFO, "Problem is with this polygon.\n") \
  X(NFF_IGNORED, WARNING, "%d polygons were ignored.\n") \
  X(NFF_NO_VALID, WARNING, "No valid polygons in object.\n") \
  X(NFF_NO_GEOMETRIES, WARNING, "File '%s' has no readable geometries\n") \
  X(BNFF_NO_MATERIAL, WARNING, "No material related information in the input file!!\n") \
  X(BNFF_NO_PROPLIST, WARNING, "No valid-property-list in the material part of the input file !!\n") \
  X(BNFF_NO_PROPERTIES, WARNING, "no valid properties defined for material table\n") \
  X(BNFF_MTABLE_NULL, WARNING, "_bff_scan_mtable returned NULL \n") \
  X(BNFF_VERTEX_NULL, WARNING, "bff_scan_vertex returned null in function bff_scan_geometry. \n") \
  X(BNFF_POLY_NULL, WARNING, "bff_scan_polygon returned null in function bff_scan_geometry. \n") \
  X(BNFF_POLY_PROBLEM, WARNING, "problem with polygon.\n") \
  X(BNFF_LONG_STRING, WARNING, "File %s: a string of %d bytes at offset %zu is longer than 80 bytes; reading stops\n") \
  X(BNFF_TRUNCATED, WARNING, "File %s ends inside its %s; reading stops\n") \
  /* readers: VRML 1.0 */ \
  X(VRML_INVALID, WARNING, "Invalid VRML File (%s)\n") \
  X(VRML_CANT_OPEN, WARNING, "Could not open %s\n") \
  X(VRML_CANT_RETRIEVE, WARNING, "Could not retrieve %s\n") \
  X(VRML_FIRST_NODE, WARNING, "Illegal first Node in file\n") \
  X(VRML_TOSSING, WARNING, "Tossing: %s\n") \
  X(VRML_SYNTAX, WARNING, "VRML error on line %d with (%s)\n") \
  X(VRML_POOL_MEMORY, FATAL, "OUT OF MEMORY\n") \
  X(VRML_PARSE_ACTION, FATAL, "Unknown VRML parse action (%d)\n") \
  X(VRML_INLINE, INFO, "Processing inline:%s\n") \
  X(VRML_USE_NOT_FOUND, WARNING, "USE: %s not found on line %d\n") \
  X(VRML_COPYING, INFO, "Copying subtree\n") \
  X(VRML_FEW_VERTICES, WARNING, "less than 3 vertices") \
  X(VRML_TOO_DEEP, WARNING, "VRML nodes nested deeper than %d levels on line %d: the file is not loaded\n") \
  X(VRML_TOO_MANY_VALUES, WARNING, "VRML values beyond %u words on line %d: the file is not loaded\n") \
  X(VRML_IMAGE_TOO_LARGE, WARNING, "VRML image of %d x %d pixels on line %d is larger than %d x %d: the file is not loaded\n") \
  X(VRML_COPY_LIMIT, WARNING, "VRML subtree copies beyond %d nodes on line %d: the file is not loaded\n") \
  X(VRML_INLINE_TOO_DEEP, WARNING, "Inline %s is nested more than %d files deep: it is not loaded\n") \
  X(VRML_TOO_MANY, WARNING, "More than %d %s in %s: the rest are not made\n") \
  X(VRML_TOO_MANY_INLINES, WARNING, "More than %d inline files: %s is not loaded\n") \
  /* scene: lights */ \
  X(LIGHT_DIRECTED_ZERO, WARNING, "Must pass in non-zero direction vector to create directed light.") \
  X(LIGHT_SPOT_ZERO, WARNING, "Must pass in non-zero direction vector to create spot light.") \
  X(LIGHT_UNKNOWN_TYPE, WARNING, "Unknown light type.\n") \
  X(LIGHT_UNKNOWN_ATTRIBUTE, WARNING, "unknown light attribute.\n") \
  X(LIGHT_ANGLE_RANGE, WARNING, "Spot light angle must be between 0 and 90.\n") \
  X(LIGHT_ANGLERAD_RANGE, WARNING, "Spot light angle (anglerad) must be between 0 and 1.57.\n") \
  X(LIGHT_EXPONENT_RANGE, WARNING, "Spot light exponent must be equal to 0.0 or between 1.0 and 128.0.\n") \
  /* motion: links and paths */ \
  X(LINK_ILLEGAL_TOTYPE, WARNING, "Illegal to_type in call to VLmotionlink_new.") \
  X(PATH_CURRENT_INVALID, WARNING, "Current node is invalid\n") \
  X(PATH_INVALID, WARNING, "Invalid path or path list\n") \
  X(PATH_NOT_FOUND, WARNING, "Couldn't find file %s\n") \
  X(PATH_NOT_PATH, WARNING, "File '%s' is not a path file\n") \
  X(PATH_SYSTEM_ERROR, WARNING, "%s: %s\n") \
  X(PATH_BAD_COUNT, WARNING, "Path file '%s' has no valid record count after its header; it is not loaded\n") \
  X(PATH_BAD_RECORD, WARNING, "Path file '%s': record %d of %d does not read; the path is not loaded\n") \
  X(PATH_ZERO_ORIENTATION, WARNING, "Path file '%s': %d records with a zero orientation keep the orientation before them\n") \
  /* devices: serial ports, the serial sound device, sound output */ \
  X(SERIAL_SYSTEM_ERROR, WARNING, "%s: %s\n") \
  X(SERIAL_BAD_PORT, WARNING, "Serial port %d refused: ports run from 0 to %d\n") \
  X(SERIAL_BAD_SPEED, WARNING, "Serial speed %d refused: not a standard rate\n") \
  X(SERIAL_OPEN_FAILED, WARNING, "Cannot open serial port %d on %s: %s\n") \
  X(CRE_READ_ERROR, WARNING, "CRE READ ERROR: got a %x,%x\n looking for %x client %x") \
  X(CRE_PORT_CLOSED, INFO, "\nPort closed.\n") \
  X(SOUND_NOT_DELETED, WARNING, "Unable to close wave associated with sound. Sound not deleted\n") \
  X(SOUND_SYSTEM_ERROR, WARNING, "%s: %.128s\n") \
  X(SOUND_AUDIO_FAILED, WARNING, "Audio output cannot start: %.128s\n") \
  X(SOUND_CANNOT_LOAD, WARNING, "Could not read WAV file %s: %.128s\n") \
  /* vlxinfo */ \
  X(INFO_USAGE, INFO, "usage: vlxinfo FILE...\n") \
  X(INFO_FILE, INFO, "%s: %s\n") \
  X(INFO_NODE, INFO, "%*s%s %s\n") \
  X(INFO_NODES, INFO, "nodes: %d\n") \
  X(INFO_GEOMETRIES, INFO, "geometries: %d\n") \
  X(INFO_VERTICES, INFO, "vertices: %ld\n") \
  X(INFO_POLYGONS, INFO, "polygons: %ld\n") \
  X(INFO_TRIANGLES, INFO, "triangles: %ld\n") \
  X(INFO_MTABLES, INFO, "material tables: %d, entries: %d\n") \
  X(INFO_TEXTURES, INFO, "textures: %d\n") \
  X(INFO_TEXTURE, INFO, "  %s %dx%d\n") \
  X(INFO_BOUNDS, INFO, "bounds: %g %g %g to %g %g %g\n") \
  X(INFO_NO_BOUNDS, INFO, "bounds: none\n") \
  X(INFO_NOT_LOADED, INFO, "not loaded\n") \
  X(INFO_NO_UNIVERSE, INFO, "vlxinfo: the toolkit did not start\n") \
  /* Every text the benchmark prints (reports keep their historical spellings). */ \
  /* the benchmark programs */ \
  X(BAD_BATCH, INFO, "Not a valid batch file\n") \
  X(BATCH_DONE, INFO, "Batch run complete\n") \
  X(UNKNOWN_COMMAND, INFO, "Unknown batch command: %s\n") \
  X(COMMENT, INFO, "%.80s\n") \
  X(GRID_RANGE, INFO, "Grid size %lld refused: sizes run from 1 to %d (mg 10 to mg %d); the scene is kept\n") \
  X(MULTIPLIER_RANGE, INFO, "Grid multiplier %lld refused: multipliers run from 1 to %d; the scene is kept\n") \
  X(LAYERS_RANGE, INFO, "Overwrite layer count %lld refused: counts run from 1 to %d; the scene is kept\n") \
  X(AREA_RANGE, INFO, "Render area %s %s refused: width and height run from 1 to %d pixels\n") \
  /* settings printout */ \
  X(VERTEX, INFO, "Vertex: ") \
  X(NORMALS, INFO, "Normals %s\t") \
  X(COLORS, INFO, "Colors %s\n") \
  X(PREBUILD, INFO, "Prebuild %s\n") \
  X(WIREFRAME, INFO, "Wireframe\n") \
  X(SOLID, INFO, "Solid: ") \
  X(LIGHTING, INFO, "Lighting %s\t") \
  X(SMOOTH, INFO, "Smooth Shading %s\t") \
  X(TEXTURING, INFO, "Texturing %s\n") \
  X(PERSPECTIVE, INFO, "Perspective Texturing %s\n") \
  X(TEXMODE, INFO, "Texture mode: ") \
  X(POINT, INFO, "POINT\n") \
  X(BILINEAR, INFO, "BILINEAR\n") \
  X(MIPMAP, INFO, "MIPMAP\n") \
  /* report A */ \
  X(RULE, INFO, "---------------------------------------\n") \
  X(RULE_START, INFO, "\n---------------------------------------\n") \
  X(MODEL, INFO, "Model: ") \
  X(OVERWRITE, INFO, "Overiting\t") \
  X(FRONTBACK, INFO, "%i polygons Front->Back\n") \
  X(BACKFRONT, INFO, "%i polygons Back->Front\n") \
  X(GRID, INFO, "%i0 by %i0 grid of") \
  X(QUADS, INFO, ": quads\n") \
  X(TRIANGLES, INFO, ": triangles\n") \
  X(ELAPSED, INFO, "Elapsed Time(sec): %.2f\n") \
  X(AREA, INFO, "Render Area Height(pixels): %i Width(pixels): %i\n") \
  X(PIXELS, INFO, "Pixels/window: %i\n") \
  X(NPOLYS, INFO, "# of Polygons: %i\n") \
  X(PIXPOLY_INT, INFO, "Pixels/Poly: %i\n\n") \
  X(PIXPOLY, INFO, "Pixels/Poly: %.2f\n\n") \
  X(FRAMERATE, INFO, "Framerate(frames/sec): %.2f\n") \
  X(POLYRATE, INFO, "Polygons/Sec: %.2f\n") \
  X(MPIX, INFO, "Megapixels/Sec: %.2f\n") \
  X(MPIX_SMALL, INFO, "Megapixels/Sec: %.4f\n") \
  X(TEXMEM, INFO, "Texture memory(bytes): %i\n") \
  X(LASTFRAME, INFO, "Polygons in last frame: %i\n") \
  X(LASTFRAME_W, INFO, "Polygons drawn in last frame: %i\n") \
  X(WARN1, INFO, "WARNING High Frame Rate: Quantatization effects could make the\n") \
  X(WARN2, INFO, "                         results misleading.\n") \
  X(WARN2_B, INFO, "                         results misleading. ??? does this go here too?\n") \
  X(STARS, INFO, "*******************************************\n") \
  /* report B */ \
  X(TERRAIN, INFO, "Model: Terrain\n") \
  X(RIPPLE, INFO, "Model: Ripple\n") \
  X(TOTALPOLYS, INFO, "Total # of polys drawn: %i\n") \
  X(AVGFRAME, INFO, "Average # of polygons/frame: %.2f\n") \
  X(AVGSEC, INFO, "Average # of polyogons/sec: %.2f\n") \
  X(TOTALFRAMES, INFO, "Total Frames: %i\n") \
  /* rendertestw: test-mode commands and the menu trace */ \
  X(WIN_CANNOT_SAVE, ERROR, "cannot save %s\n") \
  X(WIN_NO_MENU_ITEM, ERROR, "no menu item \"%s\"\n") \
  X(WIN_MENU_TRACE, INFO, "%s\n")

enum VLmsgid {
#define VLX_MESSAGE_ID(name, level, text) VLM_##name,
  VLX_MESSAGES(VLX_MESSAGE_ID)
#undef VLX_MESSAGE_ID
  VLM_COUNT
};

#define VLX_MESSAGE_TEXT(name, level, text) inline constexpr char VLTXT_##name[] = text;
VLX_MESSAGES(VLX_MESSAGE_TEXT)
#undef VLX_MESSAGE_TEXT

/* One catalogue entry. */
struct VLmsgdef {
  const char *name;   /* the identifier without VLM_ */
  int level;          /* VLMSG_FATAL .. VLMSG_DEBUG, VLMSG_ERROR */
  const char *text;   /* VLTXT_<name> */
};
extern const VLmsgdef g_vlmessages[VLM_COUNT];

/* Prints message id at its catalogue level; format is its text (VLMSG
 * passes it so that the compiler checks the arguments). */
void _VLmsg_say(VLmsgid id, const char *format, ...) VLX_PRINTF(2, 3);
#define VLMSG(name, ...) _VLmsg_say(VLM_##name, VLTXT_##name, ##__VA_ARGS__)

#endif
