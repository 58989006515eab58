/* Internal operations of the universe shared by the loop and by other
 * families. */
#ifndef VLX_UNIVERSE_UNIVERSE_INTERNAL_H
#define VLX_UNIVERSE_UNIVERSE_INTERNAL_H

/* An owned name with a function, in a singly linked registry. */
struct VLunloadentry {
  char *name;
  void (*fn)(void);
  VLunloadentry *next;
};

/* Registers a function that VLuniverse_clear calls when the universe's name
 * equals this name (case-insensitive). */
void _VLuniverse_registerunload(const char *name, void (*fn)(void));
/* A function VLuniverse_clear calls every time (null: none). */
void _VLuniverse_setglobalunload(void (*fn)(void));
/* Records the name of a loaded model file. */
void _VLuniverse_registermodel(const char *name);

/* Steps a-f of VLuniverse_ready (also run after crossing a portal). */
void _VLuniverse_prepare(void);

#endif
