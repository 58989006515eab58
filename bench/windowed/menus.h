/* The windowed benchmark's menu tree and its commands. Item texts and gray
 * states follow the benchmark state: every command, scene change, batch
 * line and measurement ends with menus_refresh, which brings the items in
 * line with the state. */
#ifndef VLX_BENCH_WINDOWED_MENUS_H
#define VLX_BENCH_WINDOWED_MENUS_H

struct Widget;

/* Builds the menu bar of the frame with every popup and item. */
void menus_build(Widget *frame);
/* Whether the world model could be loaded: without it "Terrain" stays grayed. */
void menus_setworld(bool loaded);
/* Brings texts and gray states in line with the benchmark state. With
 * tracing on (VLXW_TRACE set), prints the states after a command, or after
 * any other event that changed them. */
void menus_refresh(const char *event, bool command);
/* Prints every tracked item's text and state (tracing on only). */
void menus_trace(const char *event);
/* What "Exit" and closing the frame do; set by the program. */
void menus_setexit(void (*fn)(void));

#endif
