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
  /* readers: DXF */ \
  X(DXF_LINE_TOO_LONG, ERROR, "Input string too long, limit %d\n") \
  X(DXF_GROUP_CODE, WARNING, "Scan.l - group code problem") \
  X(DXF_GROUP_SKIPPED, INFO, " (%s): skipped up to the next group 0\n") \
  X(DXF_SYNTAX_ERROR, INFO, "\nDXF parser line %d, _yytext %s syntax error\n") \
  X(DXF_NO_GEOMETRY, WARNING, "No comprehensible geometry in DXF file\n") \
  X(DXF_OPEN_POLYLINES, WARNING, "%d open POLYLINE entities ignored\n") \
  X(DXF_POLYLINES_3D, WARNING, "%d POLYLINE3D entities ignored\n") \
  X(DXF_ARC_VERTS, WARNING, "Make_arc - too many verts in arc") \
  X(DXF_POLYLINE_VERTS, WARNING, "Polyline has more than %d vertices") \
  X(DXF_READING_STOPS, INFO, ": reading of %s stops\n") \
  X(DXF_INTERNAL_5, WARNING, "Internal fault 5\n") \
  X(DXF_INTERNAL_11, WARNING, "Internal fault 11\n") \
  X(DXF_INSERT_SELF, WARNING, "INSERT of block %s inside itself refused\n") \
  X(DXF_INSERT_UNDEFINED, WARNING, "INSERT of undefined block %s ignored\n") \
  X(DXF_INSERT_DEPTH, WARNING, "INSERT of block %s nested more than %d deep refused\n") \
  X(DXF_TOO_MANY_POLYGONS, WARNING, "File %s makes more than %ld polygons through its INSERT entities") \
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
  /* readers: 3D Studio */ \
  X(TDS_CANT_INTERPRET, WARNING, "_VL3ds_read: could not interpret Chunk\n") \
  X(TDS_NO_MAGIC, WARNING, "I found no M3DMAGIC in 3DS file\n") \
  X(TDS_NULL_STREAM, WARNING, "Null file pointer into _VL3ds_read_geometries !!\n") \
  X(TDS_CANT_PARSE, WARNING, "Unable to parse 3D Studio file '%s'\n") \
  X(TDS_SHININESS_CLAMPED, WARNING, "shininess clamped at 128.0\n") \
  X(TDS_STRENGTH_CLAMPED, WARNING, "shininess strength clamped at 1.0\n") \
  X(TDS_TRANSPARENCY_CLAMPED, WARNING, "transparency clamped at 1.0\n") \
  X(TDS_NO_FACES, WARNING, "3ds geometry (%s) has no faces\n") \
  X(TDS_NO_VERTICES, WARNING, "3ds geometry (%s) has no vertices\n") \
  X(TDS_NO_GEOMETRIES, WARNING, "File '%s' has no readable geometries\n") \
  X(TDS_READ_TAG, DEBUG, "read error for tag (%d, %lx)!\n") \
  X(TDS_READ_LENGTH, DEBUG, "read error for length (%d, %lx)!\n") \
  X(TDS_READ_ERROR, DEBUG, "read error (%d/%ld)!\n") \
  X(TDS_SEEK_ERROR, DEBUG, "positioning error(%d)!\n") \
  X(TDS_MAT_GROUP, WARNING, "MSH_MAT_GROUP: could not point to material %s\n") \
  X(TDS_BOX_MAP, WARNING, "3D Studio box-assigned materials are not supported.\n") \
  X(TDS_TEXVERT_COUNT, WARNING, "TEX_VERT: wrong number of texture vertices\n") \
  X(TDS_CHUNK_PAST_PARENT, WARNING, "3D Studio file %s: chunk 0x%04X at offset %lu claims %lu bytes, past the end of its parent at offset %lu; the file is refused\n") \
  X(TDS_COUNT_PAST_CHUNK, WARNING, "3D Studio file %s: chunk 0x%04X at offset %lu counts %lu entries, more than its %lu bytes hold; the file is refused\n") \
  X(TDS_FACE_INDEX, WARNING, "3ds geometry (%s): face %d refers to vertex %d of %d; the face is refused\n") \
  /* readers: SLP */ \
  X(SLP_READ, DEBUG, "_VLslp_read_geometries(%s)\n") \
  X(SLP_NO_DATA, WARNING, "File %s has no data\n") \
  X(SLP_NO_SOLID, WARNING, "Expected 'solid' at top of slp file.\n") \
  X(SLP_SCAN, DEBUG, "slp_scan_geometry()\n") \
  X(SLP_NO_NAME, WARNING, "expected name of geometry\n") \
  X(SLP_COLOR, DEBUG, "color %f %f %f (%d %d %d)\n") \
  X(SLP_UNKNOWN, WARNING, "unknown '%s'\n") \
  X(SLP_COUNT, DEBUG, " _VLslp_read_geometries: geometries %d\n") \
  X(SLP_FACET_LIMIT, WARNING, "A facet with more than %d vertices or normals: the extra ones are ignored\n") \
  /* readers: Wavefront OBJ with its material and map libraries, 3DG1 */ \
  X(OBJ_UNKNOWN_KEYWORD, WARNING, "Unrecognized keyword.\n") \
  X(OBJ_INVALID_VERTEX, WARNING, "Invalid Vertex.\n") \
  X(OBJ_MTL_FIRST_PASS, WARNING, "Couldn't open wavefront material file '%s' for first pass\n") \
  X(OBJ_MTL_OPEN, WARNING, "Couldn't open wavefront material file '%s'\n") \
  X(OBJ_MTL_EMPTY, WARNING, "Found no valid materials in material file '%s'\n") \
  X(OBJ_MAP_OPEN, WARNING, "Couldn't open wavefront map file '%s'\n") \
  X(OBJ_MTL_KEYWORD, WARNING, "Unknown material file keyword\n") \
  X(OBJ_MAP_KEYWORD, WARNING, "Unknown mapfile keyword\n") \
  X(OBJ_BAD_REFERENCES, WARNING, "%d texture vertex or normal references outside their lists were ignored.\n") \
  X(G1_BAD_COUNT, WARNING, "File %s: vertex count %lld does not fit the file; nothing is read\n") \
  X(G1_BAD_NUMBER, WARNING, "File %s: a number was expected at byte %zu; reading stops\n") \
  X(G1_BAD_INDEX, WARNING, "File %s: polygon vertex index %d is outside 0 to %d; the polygon is skipped\n") \
  X(G1_BAD_DETAIL, WARNING, "File %s: a detail block count of %d at byte %zu is invalid; reading stops\n") \
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
  X(VRML_COPY_LIMIT, WARNING, "VRML subtree copies beyond %d nodes, vertices and polygons on line %d: the file is not loaded\n") \
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
  /* readers: OpenFlight */ \
  X(FLT_CANT_LOAD, WARNING, "Couldn't load Multigen file %s.") \
  X(FLT_CANT_OPEN, WARNING, "Couldn't open Multigen file %s\n") \
  X(FLT_BAD_HEADER, WARNING, "Invalid Multigen file header in %s\n") \
  X(FLT_UNKNOWN_UNITS, WARNING, "Unknown unit type %d found in %s\n") \
  X(FLT_NO_GEOMETRY, WARNING, "Couldn't make new geometry\n") \
  X(FLT_NO_POLYGON, WARNING, "Couldn't create MultiGen polygon.\n") \
  X(FLT_POLY_REPLICATE, WARNING, "Multigen: polygon->replicate functionality not yet supported\n") \
  X(FLT_ADDPOLY_UNEXPECTED, WARNING, "Multigen: addPolygon() unexpected node %d \"%s\" found.") \
  X(FLT_ADDPOLY_NO_VERTICES, WARNING, "Multigen: addPolygon() polygon %s without vertices found.\n") \
  X(FLT_LAYER_UNEXPECTED, WARNING, "Multigen: makeLayer() unexpected node %d \"%s\" found.\n") \
  X(FLT_LAYER_NO_SUBFACE_VERTICES, WARNING, "Multigen: makeLayer() subface %s without vertices found.\n") \
  X(FLT_LAYER_NO_SUPERFACE_VERTICES, WARNING, "Multigen: makeLayer() superface %s without vertices found.\n") \
  X(FLT_LIGHTPOINT_BEAD, WARNING, "  addLightPoint() unsupported bead %d \"%s\" found in poly. id = %s. \n") \
  X(FLT_INSTANCE_MISSING, WARNING, "Multigen:  could not find instance ref %d\n") \
  X(FLT_INSTANCE_CYCLE, WARNING, "Multigen: instance ref %d lies inside its own instance definition; it is left out\n") \
  X(FLT_EXTREF_FAILED, WARNING, "Multigen: couldn't resolve external reference %s\n") \
  X(FLT_EXTREF_CYCLE, WARNING, "Multigen: external reference %s in %s refers back to a file being read; it is left out\n") \
  X(FLT_EXTREF_DEPTH, WARNING, "Multigen: external reference %s in %s is nested more than %d files deep; it is left out\n") \
  X(FLT_EXTREF_LIMIT, WARNING, "Multigen: more than %d external references read for one file; %s is left out\n") \
  X(FLT_UNSUPPORTED, DEBUG, "  convTree() unsupported node %d \"%s\" found.\n") \
  X(FLT_SHORT_RECORD, WARNING, "Multigen file %s: record %d \"%s\" at offset %zu has length %d, below 4; reading stops\n") \
  X(FLT_RECORD_PAST_END, WARNING, "Multigen file %s: record %d \"%s\" at offset %zu runs past the end of the file (length %d, %zu bytes left); reading stops\n") \
  X(FLT_REPLICATE_LIMIT, WARNING, "Multigen: more than %d replicated copies for one file; group %s is not replicated further\n") \
  X(FLT_NESTING, WARNING, "Multigen file %s: records nested more than %d deep at offset %zu; the records inside are skipped\n") \
  X(FLT_BAD_VERTEX_OFFSET, WARNING, "Multigen file %s: vertex palette offset %d of polygon %s is outside the palette; the corner is skipped\n") \
  X(FLT_MAT_AMBIENT, WARNING, "Multigen: Couldn't set ambient value\n") \
  X(FLT_MAT_DIFFUSE, WARNING, "Multigen: Couldn't set diffuse value\n") \
  X(FLT_MAT_SPECULAR, WARNING, "Multigen: Couldn't set specular value\n") \
  X(FLT_MAT_EMISSION, WARNING, "Multigen: Couldn't set emission value\n") \
  X(FLT_MAT_SHININESS, WARNING, "Multigen: Couldn't set shininess value\n") \
  X(FLT_MAT_ALPHA, WARNING, "Multigen: Couldn't set alpha value\n") \
  X(FLT_UNKNOWN_VERTEX, WARNING, "Unknown Multigen vertex type %s\n") \
  X(FLT_TEXTURE_MISSING, WARNING, "Couldn't load texture (indexing missing MultiGen palette member)\n\tfile    : %s use-file: %s texture index %d\n") \
  X(FLT_NO_ATTR, WARNING, "Couldn't locate file %s.attr, applying texture with defaults\n") \
  X(FLT_SET_COLOR, WARNING, "Multigen: Couldn't set material color\n") \
  X(FLT_SET_MTL_COLOR, WARNING, "Multigen: Couldn't set mtl color\n") \
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
  /* vlview: the model viewer */ \
  X(VIEW_USAGE, ERROR, "usage: vlview FILE [FILE...]\n") \
  X(VIEW_NOT_LOADED, ERROR, "vlview: %s could not be loaded\n") \
  X(VIEW_NOTHING_LOADED, ERROR, "vlview: nothing could be loaded\n") \
  X(VIEW_NO_UNIVERSE, ERROR, "vlview: the toolkit did not start\n") \
  X(VIEW_OFFSCREEN, ERROR, "vlview: no display: rendering off screen\n") \
  X(VIEW_BAD_FRAMES, ERROR, "vlview: VLXVIEWFRAMES %s refused: counts run from 1 to %d\n") \
  X(VIEW_CANNOT_SAVE, ERROR, "vlview: cannot save %s\n") \
  X(VIEW_TOGGLE, INFO, "%s %s\n") \
  X(VIEW_RESET, INFO, "View reset\n") \
  X(VIEW_RECORDING, INFO, "Recording path\n") \
  X(VIEW_PATH_SAVED, INFO, "Path of %d records saved to %s\n") \
  X(VIEW_PATH_NOT_SAVED, WARNING, "Path could not be saved to %s\n") \
  X(VIEW_NO_PATH, INFO, "No path to play: p starts and stops recording one\n") \
  X(VIEW_PLAYING, INFO, "Playing path of %d records\n") \
  X(VIEW_STATS, INFO, "%.1f frames/sec; nodes: %d, geometries: %d, vertices: %ld, polygons: %ld; last frame: %d polygons\n") \
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
  /* results as data and frame snapshots (VLXRESULTS, VLXSNAPSHOTS) */ \
  X(RESULTS_UNWRITABLE, WARNING, "Results file %s cannot be written (%s); the run goes on without it\n") \
  X(SNAPSHOTS_NOFOLDER, WARNING, "Snapshot folder %s cannot be used (%s); no snapshots are saved\n") \
  X(SNAPSHOT_FAILED, WARNING, "Snapshot %s could not be written\n") \
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
