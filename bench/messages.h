/* Every text the benchmark prints. */
#ifndef VLX_BENCH_MESSAGES_H
#define VLX_BENCH_MESSAGES_H

#define BTXT_BAD_BATCH "Not a valid batch file\n"
#define BTXT_BATCH_DONE "Batch run complete\n"
#define BTXT_UNKNOWN_COMMAND "Unknown batch command: %s\n"
#define BTXT_COMMENT "%.80s\n"

#endif
