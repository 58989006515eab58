/* Every text the benchmark prints (reports keep their historical spellings). */
#ifndef VLX_BENCH_MESSAGES_H
#define VLX_BENCH_MESSAGES_H

#define BTXT_BAD_BATCH "Not a valid batch file\n"
#define BTXT_BATCH_DONE "Batch run complete\n"
#define BTXT_UNKNOWN_COMMAND "Unknown batch command: %s\n"
#define BTXT_COMMENT "%.80s\n"

/* settings printout */
#define BTXT_VERTEX "Vertex: "
#define BTXT_NORMALS "Normals %s\t"
#define BTXT_COLORS "Colors %s\n"
#define BTXT_PREBUILD "Prebuild %s\n"
#define BTXT_WIREFRAME "Wireframe\n"
#define BTXT_SOLID "Solid: "
#define BTXT_LIGHTING "Lighting %s\t"
#define BTXT_SMOOTH "Smooth Shading %s\t"
#define BTXT_TEXTURING "Texturing %s\n"
#define BTXT_PERSPECTIVE "Perspective Texturing %s\n"
#define BTXT_TEXMODE "Texture mode: "
#define BTXT_POINT "POINT\n"
#define BTXT_BILINEAR "BILINEAR\n"
#define BTXT_MIPMAP "MIPMAP\n"

/* report A */
#define BTXT_RULE "---------------------------------------\n"
#define BTXT_RULE_START "\n---------------------------------------\n"
#define BTXT_MODEL "Model: "
#define BTXT_OVERWRITE "Overiting\t"
#define BTXT_FRONTBACK "%i polygons Front->Back\n"
#define BTXT_BACKFRONT "%i polygons Back->Front\n"
#define BTXT_GRID "%i0 by %i0 grid of"
#define BTXT_QUADS ": quads\n"
#define BTXT_TRIANGLES ": triangles\n"
#define BTXT_ELAPSED "Elapsed Time(sec): %.2f\n"
#define BTXT_AREA "Render Area Height(pixels): %i Width(pixels): %i\n"
#define BTXT_PIXELS "Pixels/window: %i\n"
#define BTXT_NPOLYS "# of Polygons: %i\n"
#define BTXT_PIXPOLY_INT "Pixels/Poly: %i\n\n"
#define BTXT_PIXPOLY "Pixels/Poly: %.2f\n\n"
#define BTXT_FRAMERATE "Framerate(frames/sec): %.2f\n"
#define BTXT_POLYRATE "Polygons/Sec: %.2f\n"
#define BTXT_MPIX "Megapixels/Sec: %.2f\n"
#define BTXT_MPIX_SMALL "Megapixels/Sec: %.4f\n"
#define BTXT_TEXMEM "Texture memory(bytes): %i\n"
#define BTXT_LASTFRAME "Polygons in last frame: %i\n"
#define BTXT_LASTFRAME_W "Polygons drawn in last frame: %i\n"
#define BTXT_WARN1 "WARNING High Frame Rate: Quantatization effects could make the\n"
#define BTXT_WARN2 "                         results misleading.\n"
#define BTXT_WARN2_B "                         results misleading. ??? does this go here too?\n"
#define BTXT_STARS "*******************************************\n"

/* report B */
#define BTXT_TERRAIN "Model: Terrain\n"
#define BTXT_RIPPLE "Model: Ripple\n"
#define BTXT_TOTALPOLYS "Total # of polys drawn: %i\n"
#define BTXT_AVGFRAME "Average # of polygons/frame: %.2f\n"
#define BTXT_AVGSEC "Average # of polyogons/sec: %.2f\n"
#define BTXT_TOTALFRAMES "Total Frames: %i\n"

#endif
