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

/* scene */
#define VLTXT_UNKNOWN_NODE_TYPE "Unknown node type %d\n"

/* math */
#define VLTXT_ZERO_DETERMINANT "zero matrix determinant in VLm4_invert\n"
#define VLTXT_JACOBI_NO_CONVERGENCE "_VLjacobi diagonalization didn't converge"

#endif
